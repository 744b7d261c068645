// Tests of message files: texts by number through the sorted index (present and missing numbers,
// unsigned order), the code page chosen by the format version, the index read once per opened file
// (also after a failed attempt), damaged counts, lengths and offsets refused without wild reads,
// format verification and the reuse of one object for another file.
#include "platform/KXMFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/TString.h"
#include "tests/core/VirtualSlot.h"
#include "tests/host/TempDir.h"

namespace {

typedef std::vector<unsigned char> Bytes;

constexpr uint32_t s_dwTypeMessages = 0x80001;

void PutU32(Bytes& aby, size_t nAt, uint32_t dw) {
    for (int i = 0; i < 4; ++i) aby[nAt + i] = static_cast<unsigned char>(dw >> (8 * i));
}
void PutU64(Bytes& aby, size_t nAt, uint64_t o) {
    for (int i = 0; i < 8; ++i) aby[nAt + i] = static_cast<unsigned char>(o >> (8 * i));
}
void AppendU32(Bytes& aby, uint32_t dw) {
    aby.resize(aby.size() + 4);
    PutU32(aby, aby.size() - 4, dw);
}

struct Message {
    uint32_t nNumero;
    std::string sText;  // bytes as stored
};

// A message file and where its parts lie, so tests can damage them.
struct MessageFile {
    Bytes aby;
    size_t nPosCount;    // the index's entry count
    size_t nPosEntries;  // first index entry
    size_t nPosRecords;  // start of the records area
};

// Records are stored in the order given; the index is sorted by number as a writer sorts it.
MessageFile BuildMessageFile(uint32_t nVersion, const std::vector<Message>& aMessages, const Bytes& abyBlock = {},
                             uint32_t dwHeaderSize = 20) {
    MessageFile st;
    st.aby.assign(dwHeaderSize, 0);
    memcpy(st.aby.data(), "ORL", 4);
    PutU32(st.aby, 4, dwHeaderSize);
    PutU32(st.aby, 8, s_dwTypeMessages);
    st.aby[14] = 20;
    AppendU32(st.aby, nVersion);
    AppendU32(st.aby, static_cast<uint32_t>(abyBlock.size()));
    st.aby.insert(st.aby.end(), abyBlock.begin(), abyBlock.end());
    st.nPosCount = st.aby.size();
    AppendU32(st.aby, static_cast<uint32_t>(aMessages.size()));
    st.nPosEntries = st.aby.size();

    Bytes abyRecords;
    std::vector<std::pair<uint32_t, uint64_t>> aEntries;
    for (const Message& stMessage : aMessages) {
        aEntries.push_back({stMessage.nNumero, abyRecords.size()});
        abyRecords.push_back(0xAB);
        AppendU32(abyRecords, static_cast<uint32_t>(stMessage.sText.size()));
        abyRecords.insert(abyRecords.end(), stMessage.sText.begin(), stMessage.sText.end());
    }
    std::sort(aEntries.begin(), aEntries.end());
    for (const auto& stEntry : aEntries) {
        st.aby.resize(st.aby.size() + 12);
        PutU32(st.aby, st.aby.size() - 12, stEntry.first);
        PutU64(st.aby, st.aby.size() - 8, stEntry.second);
    }
    st.nPosRecords = st.aby.size();
    st.aby.insert(st.aby.end(), abyRecords.begin(), abyRecords.end());
    return st;
}

const std::vector<Message> s_aMessages = {
    {300, "three hundred"}, {5, "five"}, {0x80000000u, "high bit"}, {1, "one"}, {0xFFFFFFFFu, "last"}, {7, ""},
};

class KXMFileTest : public CTempDirTest {
protected:
    static int bOpen(CKXMFile& clFile, const std::wstring& sName) {
        return clFile.bOpen(sName.c_str(), IXStream::eFormatDefault, IXStream::eAccessRead, IXStream::eShareNone,
                            IXStream::eCreateOpenExisting, IXStream::eFlagNone);
    }
    // The text of a message through both loaders, which must agree; "<none>" when both fail.
    static std::wstring Load(CKXMFile& clFile, uint32_t nNumero, int* pnLength = nullptr) {
        CTString clText;
        int bLoaded = clFile.bLoadString(nNumero, &clText);
        wchar_t szBuffer[64];
        wmemset(szBuffer, L'#', 64);
        int nLength = clFile.nLoadString(nNumero, szBuffer, 64);
        if (pnLength != nullptr) *pnLength = nLength;
        if (!bLoaded) {
            EXPECT_EQ(nLength, 0);
            EXPECT_EQ(szBuffer[0], 0);
            return L"<none>";
        }
        EXPECT_EQ(std::wstring(szBuffer), std::wstring(clText.pszGet() != nullptr ? clText.pszGet() : L""));
        return clText.pszGet() != nullptr ? clText.pszGet() : L"";
    }
};

}  // namespace

TEST(KXMFileLayoutTest, HeaderReadReplacesTheTypedOne) {
    EXPECT_EQ(SlotOf(&CKXMFile::bReadHeader), 47);
}

TEST_F(KXMFileTest, LooksUpNumbersInUnsignedOrder) {
    std::wstring sName = Path("messages.msg");
    Write(sName, BuildMessageFile(2, s_aMessages).aby);
    CKXMFile clFile;
    ASSERT_TRUE(bOpen(clFile, sName));
    EXPECT_EQ(clFile.dwGetTypeFichier(), s_dwTypeMessages);

    struct Case {
        uint32_t nNumero;
        const wchar_t* pszExpected;
        int nLength;
    };
    const Case aCases[] = {
        {1, L"one", 3},
        {5, L"five", 4},
        {7, L"", 0},
        {300, L"three hundred", 13},
        {0x80000000u, L"high bit", 8},
        {0xFFFFFFFFu, L"last", 4},
        {0, L"<none>", 0},
        {2, L"<none>", 0},
        {299, L"<none>", 0},
        {301, L"<none>", 0},
        {0x7FFFFFFF, L"<none>", 0},
        {0xFFFFFFFEu, L"<none>", 0},
    };
    for (const Case& stCase : aCases) {
        int nLength = -1;
        EXPECT_EQ(Load(clFile, stCase.nNumero, &nLength), stCase.pszExpected) << stCase.nNumero;
        EXPECT_EQ(nLength, stCase.nLength) << stCase.nNumero;
    }
    EXPECT_EQ(clFile.nGetNbIndex(), s_aMessages.size());
}

TEST_F(KXMFileTest, FormatVersionChoosesTheCodePage) {
    struct Case {
        uint32_t nVersion;
        std::string sStored;
        uint32_t nCodePage;
    };
    const Case aCases[] = {
        {0, "caf\xE9", 1252},
        {1, "caf\xE9", 1252},
        {2, "caf\xC3\xA9", 65001},
        {3, "caf\xC3\xA9", 65001},
    };
    for (const Case& stCase : aCases) {
        SCOPED_TRACE(stCase.nVersion);
        std::wstring sName = Path("cp.msg");
        Write(sName, BuildMessageFile(stCase.nVersion, {{10, stCase.sStored}}).aby);
        CKXMFile clFile;
        ASSERT_TRUE(bOpen(clFile, sName));
        EXPECT_EQ(clFile.nGetVersionFormat(), stCase.nVersion);
        EXPECT_EQ(clFile.nGetCodePage(), stCase.nCodePage);
        int nLength = 0;
        EXPECT_EQ(Load(clFile, 10, &nLength), L"caf\u00e9");
        EXPECT_EQ(nLength, static_cast<int>(stCase.sStored.size()));
    }
}

TEST_F(KXMFileTest, BufferLoaderCutsToTheRoomGiven) {
    std::wstring sName = Path("cut.msg");
    Write(sName, BuildMessageFile(2, s_aMessages).aby);
    CKXMFile clFile;
    ASSERT_TRUE(bOpen(clFile, sName));
    struct Case {
        int nSize;
        const wchar_t* pszExpected;
    };
    for (const Case& stCase : {Case{3, L"fi"}, Case{1, L""}, Case{5, L"five"}}) {
        wchar_t szBuffer[8];
        wmemset(szBuffer, L'#', 8);
        EXPECT_EQ(clFile.nLoadString(5, szBuffer, stCase.nSize), 4);
        EXPECT_STREQ(szBuffer, stCase.pszExpected);
        EXPECT_EQ(szBuffer[stCase.nSize], L'#');  // nothing written past the room given
    }
    EXPECT_EQ(clFile.nLoadString(5, nullptr, 8), 0);
    wchar_t c = L'#';
    EXPECT_EQ(clFile.nLoadString(5, &c, 0), 0);
    EXPECT_EQ(c, L'#');
}

TEST_F(KXMFileTest, BlockAndLongerHeaderAreSkipped) {
    std::wstring sName = Path("block.msg");
    Write(sName, BuildMessageFile(2, s_aMessages, Bytes(7, 0x55), 32).aby);
    CKXMFile clFile;
    ASSERT_TRUE(bOpen(clFile, sName));
    EXPECT_EQ(Load(clFile, 300), L"three hundred");
}

TEST_F(KXMFileTest, IndexIsReadOncePerOpenedFile) {
    std::wstring sName = Path("once.msg");
    MessageFile st = BuildMessageFile(2, {{5, "five"}, {9, "nine"}});
    Write(sName, st.aby);
    CKXMFile clFile;
    ASSERT_TRUE(bOpen(clFile, sName));
    EXPECT_EQ(Load(clFile, 5), L"five");

    // The file changes on disk: the open file keeps the index it read.
    Bytes abyChanged = st.aby;
    PutU32(abyChanged, st.nPosEntries, 6);
    Write(sName, abyChanged);
    EXPECT_EQ(Load(clFile, 5), L"five");
    EXPECT_EQ(Load(clFile, 6), L"<none>");

    // A new open reads the new index.
    clFile.Close();
    ASSERT_TRUE(bOpen(clFile, sName));
    EXPECT_EQ(Load(clFile, 6), L"five");
    EXPECT_EQ(Load(clFile, 5), L"<none>");
}

TEST_F(KXMFileTest, FailedIndexLoadIsNotRetried) {
    std::wstring sName = Path("retry.msg");
    MessageFile st = BuildMessageFile(2, {{5, "five"}});
    Bytes abyDamaged = st.aby;
    PutU32(abyDamaged, st.nPosCount, 0x7FFFFFFF);
    Write(sName, abyDamaged);
    CKXMFile clFile;
    ASSERT_TRUE(bOpen(clFile, sName));
    EXPECT_EQ(Load(clFile, 5), L"<none>");

    Write(sName, st.aby);  // mended on disk
    EXPECT_EQ(Load(clFile, 5), L"<none>");
    clFile.Purge();
    clFile.Close();
    ASSERT_TRUE(bOpen(clFile, sName));
    EXPECT_EQ(Load(clFile, 5), L"five");
}

TEST_F(KXMFileTest, DamagedFilesFindNothing) {
    MessageFile st = BuildMessageFile(2, {{5, "five"}, {9, "nine"}});
    struct Case {
        const char* pszName;
        size_t nAt;  // where the damage goes
        int nWidth;  // 4 or 8 bytes, 0 = cut the file there
        uint64_t oValue;
    };
    const size_t nFirstRecord = st.nPosRecords;  // message 5's record
    const Case aCases[] = {
        {"count past the file", st.nPosCount, 4, 10},
        {"huge count", st.nPosCount, 4, 0xFFFFFFFF},
        {"length past the file", nFirstRecord + 1, 4, 1000},
        {"huge length", nFirstRecord + 1, 4, 0xFFFFFFFF},
        {"offset past the file", st.nPosEntries + 4, 8, 5000},
        {"offset that wraps", st.nPosEntries + 4, 8, 0xFFFFFFFFFFFFFFF0ull},
        {"cut inside the index", st.nPosEntries + 6, 0, 0},
        {"cut inside a length", nFirstRecord + 2, 0, 0},
        {"cut inside a text", nFirstRecord + 7, 0, 0},
    };
    for (const Case& stCase : aCases) {
        SCOPED_TRACE(stCase.pszName);
        Bytes aby = st.aby;
        if (stCase.nWidth == 4)
            PutU32(aby, stCase.nAt, static_cast<uint32_t>(stCase.oValue));
        else if (stCase.nWidth == 8)
            PutU64(aby, stCase.nAt, stCase.oValue);
        else
            aby.resize(stCase.nAt);
        std::wstring sName = Path("damaged.msg");
        Write(sName, aby);
        CKXMFile clFile;
        ASSERT_TRUE(bOpen(clFile, sName));
        EXPECT_EQ(Load(clFile, 5), L"<none>");
    }
}

TEST_F(KXMFileTest, VerifiesTheFormat) {
    MessageFile stGood = BuildMessageFile(2, s_aMessages);
    Bytes abyHugeCount = stGood.aby;
    PutU32(abyHugeCount, stGood.nPosCount, 0x10000000);
    struct Case {
        const char* pszName;
        bool bCreate;
        Bytes aby;
        int bExpected;
    };
    const Case aCases[] = {
        {"message file", true, stGood.aby, 1},
        {"no messages", true, BuildMessageFile(1, {}).aby, 1},
        {"damaged count", true, abyHugeCount, 0},
        {"header only", true, Bytes(stGood.aby.begin(), stGood.aby.begin() + 20), 0},
        {"version without block size", true, Bytes(stGood.aby.begin(), stGood.aby.begin() + 26), 0},
        {"not a typed file", true, Bytes(64, 'x'), 0},
        {"missing", false, Bytes(), 0},
    };
    for (const Case& stCase : aCases) {
        SCOPED_TRACE(stCase.pszName);
        std::wstring sName = Path(stCase.pszName);
        if (stCase.bCreate) Write(sName, stCase.aby);
        CKXMFile clFile;
        EXPECT_EQ(clFile.bVerifieFormat(sName.c_str()), stCase.bExpected);
        EXPECT_FALSE(clFile.bIsOpen());
    }
}

TEST_F(KXMFileTest, OneObjectServesAnotherFile) {
    std::wstring sOld = Path("old.msg");
    std::wstring sNew = Path("new.msg");
    Write(sOld, BuildMessageFile(1, {{5, "caf\xE9"}}).aby);
    Write(sNew, BuildMessageFile(2, {{6, "caf\xC3\xA9"}}).aby);

    CKXMFile clFile;
    ASSERT_TRUE(bOpen(clFile, sOld));
    EXPECT_EQ(Load(clFile, 5), L"caf\u00e9");
    clFile.Close();

    // The index and the code page are those of the file now open.
    ASSERT_TRUE(bOpen(clFile, sNew));
    EXPECT_EQ(clFile.nGetCodePage(), 65001u);
    EXPECT_EQ(Load(clFile, 6), L"caf\u00e9");
    EXPECT_EQ(Load(clFile, 5), L"<none>");
    clFile.Close();
    EXPECT_TRUE(clFile.bVerifieFormat(sOld.c_str()));
}
