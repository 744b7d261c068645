// Tests of the zip archive reader: archives made by the Info-ZIP zip tool from a small source tree
// (deflated, stored, encrypted, Zip64, data descriptors, split, behind a stub, end record only),
// read back and compared with the files they were made from; damaged and hostile archives made by
// patching the bytes of those, which must fail with a result code without reading or allocating
// past the file (the sanitizer build catches the rest); the name index, the cipher and the
// writer-side helpers.
#include "installer/WinZip.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <clocale>
#include <cstdlib>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "platform/DiskFile.h"
#include "tests/host/TempDir.h"

namespace {

using Bytes = std::string;

// The source tree every fixture is made from, name (as zip stores it) -> content.
std::map<std::string, Bytes> SourceTree() {
    std::map<std::string, Bytes> m;
    m["empty.txt"] = "";
    Bytes sText;
    for (int i = 0; sText.size() < 300000; i++) sText += "line " + std::to_string(i) + " of a compressible text\n";
    m["text.txt"] = sText;
    std::mt19937 gen(42);
    Bytes sRand(200000, '\0');
    for (char& c : sRand) c = static_cast<char>(gen());
    m["rand.bin"] = sRand;
    m["sub/a.txt"] = "abc";
    m["sub/deeper/c.txt"] = "deeper content\n";
    return m;
}

uint32_t Get32(const Bytes& s, size_t i) {
    return static_cast<uint8_t>(s[i]) | (static_cast<uint8_t>(s[i + 1]) << 8) | (static_cast<uint8_t>(s[i + 2]) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(s[i + 3])) << 24);
}
uint16_t Get16(const Bytes& s, size_t i) {
    return static_cast<uint16_t>(static_cast<uint8_t>(s[i]) | (static_cast<uint8_t>(s[i + 1]) << 8));
}
void Put16(Bytes& s, size_t i, uint32_t v) {
    s[i] = static_cast<char>(v & 0xFF);
    s[i + 1] = static_cast<char>((v >> 8) & 0xFF);
}
void Put32(Bytes& s, size_t i, uint32_t v) {
    Put16(s, i, v & 0xFFFF);
    Put16(s, i + 2, v >> 16);
}

Bytes Le16(uint32_t v) {
    Bytes s(2, '\0');
    Put16(s, 0, v);
    return s;
}
Bytes Le32(uint32_t v) {
    Bytes s(4, '\0');
    Put32(s, 0, v);
    return s;
}

// A one-entry archive written by hand (stored method): local header, the entry's bytes as given,
// central header, end record. For what zip cannot be told to make.
Bytes HandMadeZip(const std::string& sName, const Bytes& sStored, uint32_t nSize, uint32_t nFlag, uint32_t dwDosDate,
                  uint32_t dwCRC) {
    const Bytes sCommon = Le16(20) + Le16(nFlag) + Le16(0) + Le32(dwDosDate) + Le32(dwCRC) +
                          Le32(static_cast<uint32_t>(sStored.size())) + Le32(nSize) +
                          Le16(static_cast<uint32_t>(sName.size())) + Le16(0);
    const Bytes sLocal = Le32(0x04034b50) + sCommon + sName + sStored;
    const Bytes sCentral =
        Le32(0x02014b50) + Le16(0x031E) + sCommon + Le16(0) + Le16(0) + Le16(0) + Le32(0) + Le32(0) + sName;
    return sLocal + sCentral + Le32(0x06054b50) + Le16(0) + Le16(0) + Le16(1) + Le16(1) +
           Le32(static_cast<uint32_t>(sCentral.size())) + Le32(static_cast<uint32_t>(sLocal.size())) + Le16(0);
}

// An archive of n empty stored entries "d/00000", "d/00001", ... written by hand, whose end record
// gives nCountField as both entry counts; with bZip64, the Zip64 end record and locator that hold
// the true count come before it. For counts beyond what zip is worth running for.
Bytes ManyEntriesZip(uint32_t n, uint32_t nCountField, bool bZip64) {
    Bytes sLocal, sCentral;
    char szName[16];
    for (uint32_t i = 0; i < n; i++) {
        snprintf(szName, sizeof(szName), "d/%05u", i);
        const Bytes sCommon = Le16(20) + Le16(0) + Le16(0) + Le32(0x21) + Le32(0) + Le32(0) + Le32(0) +
                              Le16(static_cast<uint32_t>(strlen(szName))) + Le16(0);
        sCentral += Le32(0x02014b50) + Le16(0x031E) + sCommon + Le16(0) + Le16(0) + Le16(0) + Le32(0) +
                    Le32(static_cast<uint32_t>(sLocal.size())) + szName;
        sLocal += Le32(0x04034b50) + sCommon + szName;
    }
    Bytes s = sLocal + sCentral;
    if (bZip64) {
        const Bytes sCount = Le32(n) + Le32(0);
        const Bytes sRecord = Le32(0x06064b50) + Le32(44) + Le32(0) + Le16(45) + Le16(45) + Le32(0) + Le32(0) + sCount +
                              sCount + Le32(static_cast<uint32_t>(sCentral.size())) + Le32(0) +
                              Le32(static_cast<uint32_t>(sLocal.size())) + Le32(0);
        const uint32_t nRecord = static_cast<uint32_t>(s.size());
        s += sRecord + Le32(0x07064b50) + Le32(0) + Le32(nRecord) + Le32(0) + Le32(1);
    }
    return s + Le32(0x06054b50) + Le16(0) + Le16(0) + Le16(nCountField) + Le16(nCountField) +
           Le32(static_cast<uint32_t>(sCentral.size())) + Le32(static_cast<uint32_t>(sLocal.size())) + Le16(0);
}

// Positions in an archive's bytes, found by walking it as zip writes it.
struct Layout {
    size_t nEnd = 0;
    std::map<std::string, size_t> mCentral;  // name -> central header position
    std::map<std::string, size_t> mLocal;    // name -> local header position
};
Layout LayoutOf(const Bytes& s) {
    Layout l;
    l.nEnd = s.rfind(std::string("PK\x05\x06", 4));
    // The first central header (the end record's offset may be the Zip64 all-ones).
    const std::string sCentral("PK\x01\x02", 4);
    for (size_t p = s.find(sCentral); p != std::string::npos && s.compare(p, 4, sCentral) == 0;) {
        std::string sName = s.substr(p + 46, Get16(s, p + 28));
        l.mCentral[sName] = p;
        l.mLocal[sName] = Get32(s, p + 42);
        p += 46 + Get16(s, p + 28) + Get16(s, p + 30) + Get16(s, p + 32);
    }
    return l;
}

int nShell(const std::string& sCommand) {
    return system(sCommand.c_str());
}

class WinZipTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_pDir = new CTempDir("kxwinzip");
        const std::string& d = s_pDir->sPath();
        ASSERT_EQ(0, nShell("mkdir -p " + d + "/src/sub/deeper"));
        for (auto& [sName, sData] : SourceTree()) ASSERT_TRUE(CTempDirTest_WriteFile(d + "/src/" + sName, sData));
        const std::string cd = "cd " + d + "/src && ";
        ASSERT_EQ(0, nShell(cd + "zip -q -r -9 ../best.zip ."));
        ASSERT_EQ(0, nShell(cd + "zip -q -r -0 ../stored.zip ."));
        ASSERT_EQ(0, nShell(cd + "zip -q -r -P secret ../enc.zip ."));
        ASSERT_EQ(0, nShell(cd + "zip -q -r -fz ../z64.zip ."));
        ASSERT_EQ(0, nShell(cd + "zip -q -r - . | cat > ../pipe.zip"));
        ASSERT_EQ(0, nShell(cd + "cat text.txt | zip -q ../stdin.zip -"));
        ASSERT_EQ(0, nShell(cd + "zip -q -r -s 64k ../split.zip ."));
        ASSERT_EQ(0, nShell("cd " + d + " && head -c 5000 src/rand.bin > stub.bin && cat stub.bin best.zip > sfx.zip" +
                            " && cp sfx.zip sfxA.zip && zip -q -A sfxA.zip && cat stub.bin z64.zip > sfx64.zip"));
        ASSERT_EQ(0, nShell(cd + "zip -q ../e.zip empty.txt && zip -q -d ../e.zip empty.txt"));
    }
    static void TearDownTestSuite() {
        delete s_pDir;
        s_pDir = nullptr;
    }
    static bool CTempDirTest_WriteFile(const std::string& sPath, const Bytes& s) {
        std::ofstream os(sPath, std::ios::binary | std::ios::trunc);
        os.write(s.data(), static_cast<std::streamsize>(s.size()));
        return os.good();
    }
    static std::string Path(const std::string& sName) { return s_pDir->sPath() + "/" + sName; }
    static std::wstring WPath(const std::string& sName) {
        std::string s = Path(sName);
        return std::wstring(s.begin(), s.end());
    }
    static Bytes Read(const std::string& sName) {
        std::ifstream is(Path(sName), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(is), std::istreambuf_iterator<char>());
    }
    // A patched copy of a fixture, under a new name.
    static void Write(const std::string& sName, const Bytes& s) { ASSERT_TRUE(CTempDirTest_WriteFile(Path(sName), s)); }

    // Binds a fresh file to the reader and opens the archive; the result of OuvreZip.
    int Open(const std::string& sName) {
        m_clFile.Close();
        if (!m_clFile.bOpen(WPath(sName).c_str(), IXStream::eAccessRead, IXStream::eShareNone,
                            IXStream::eCreateOpenExisting, IXStream::eFlagNone, nullptr))
            return -1;
        m_clZip.SetDiskFile(&m_clFile);
        return m_clZip.OuvreZip(WPath(sName).c_str(), 0);
    }

    // Reads the current entry whole in pieces of nPiece bytes: the result of the open, the read (1
    // or 0) and the close, and the bytes.
    struct Extracted {
        int nOpen = -1;
        bool bRead = false;
        int nClose = -1;
        Bytes sData;
    };
    Extracted ExtractCurrent(unsigned nPiece = 10000) {
        Extracted r;
        r.nOpen = m_clZip.OpenCurrentFileInZip();
        if (r.nOpen != 0) return r;
        std::vector<char> a(nPiece);
        r.bRead = true;
        for (;;) {
            unsigned long n = 0;
            if (!m_clZip.bReadCurrentFileInZip(a.data(), nPiece, &n)) {
                r.bRead = false;
                break;
            }
            if (n == 0) break;
            r.sData.append(a.data(), n);
        }
        r.nClose = m_clZip.CloseCurrentFileInZip(1, 0);
        return r;
    }
    Extracted Extract(const wchar_t* pszName, unsigned nPiece = 10000) {
        Extracted r;
        if (m_clZip.LocateFile(pszName, 0) != 0) return r;
        return ExtractCurrent(nPiece);
    }

    static CTempDir* s_pDir;
    CDiskFile m_clFile;
    CWinZip m_clZip;
};
CTempDir* WinZipTest::s_pDir = nullptr;

// Every fixture zip made from the tree reads back: the files (not the directory entries) are all
// there under their names with "\" separators, and every entry's bytes are the source file's.
TEST_F(WinZipTest, FixturesReadBackAsZipped) {
    struct Case {
        const char* pszArchive;
        const wchar_t* pszPassword;
        uint64_t ulOffsetDepart;  // bytes before the archive
    };
    const Case aCases[] = {
        {"best.zip", nullptr, 0}, {"stored.zip", nullptr, 0}, {"enc.zip", L"secret", 0}, {"z64.zip", nullptr, 0},
        {"pipe.zip", nullptr, 0}, {"sfx.zip", nullptr, 5000}, {"sfxA.zip", nullptr, 0},  {"sfx64.zip", nullptr, 5000},
    };
    const auto mTree = SourceTree();
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszArchive);
        m_clZip.bSetPassword(c.pszPassword);
        ASSERT_EQ(0, Open(c.pszArchive));
        EXPECT_EQ(c.ulOffsetDepart, m_clZip.ulGetOffsetDepart());
        std::map<std::string, Bytes> mRead;
        for (int n = m_clZip.FirstFile(); n == 0; n = m_clZip.NextFile(0)) {
            std::wstring wsName = m_clZip.CurrentFile_szName();
            if (!wsName.empty() && wsName.back() == L'\\') continue;
            std::string sName(wsName.begin(), wsName.end());
            for (char& ch : sName)
                if (ch == '\\') ch = '/';
            EXPECT_EQ(c.pszPassword != nullptr, m_clZip.CurrentFile_bCrypte());
            Extracted r = ExtractCurrent();
            EXPECT_EQ(0, r.nOpen) << sName;
            EXPECT_TRUE(r.bRead) << sName;
            EXPECT_EQ(0, r.nClose) << sName;
            EXPECT_EQ(r.sData.size(), m_clZip.CurrentFile_dwTailleNonCompress()) << sName;
            mRead[sName] = r.sData;
        }
        EXPECT_EQ(mTree.size(), mRead.size());
        for (auto& [sName, sData] : mTree) EXPECT_TRUE(mRead[sName] == sData) << sName;
        m_clZip.bSetPassword(nullptr);
    }
}

// Entry "-" of an archive made from a pipe: zip adds Zip64 records although the 32-bit fields of
// the end record hold; they must not be taken for data before the archive.
TEST_F(WinZipTest, ZipFromStandardInputWithRedundantZip64Records) {
    ASSERT_EQ(0, Open("stdin.zip"));
    EXPECT_EQ(0u, m_clZip.ulGetOffsetDepart());
    Extracted r = Extract(L"-");
    EXPECT_EQ(0, r.nClose);
    EXPECT_TRUE(r.sData == SourceTree()["text.txt"]);
}

TEST_F(WinZipTest, ReadSizesAndPieces) {
    ASSERT_EQ(0, Open("best.zip"));
    const Bytes sText = SourceTree()["text.txt"];
    // Tiny pieces straddle the 16 KiB input blocks and inflate's output.
    for (unsigned nPiece : {1u, 7u, 16384u, 1000000u}) {
        SCOPED_TRACE(nPiece);
        Extracted r = Extract(L"text.txt", nPiece);
        EXPECT_EQ(0, r.nClose);
        EXPECT_TRUE(r.sData == sText);
    }
    // A buffer larger than the entry gets only the entry, then 0 bytes; size 0 reads nothing.
    ASSERT_EQ(0, m_clZip.LocateFile(L"sub/a.txt", 0));
    ASSERT_EQ(0, m_clZip.OpenCurrentFileInZip());
    char a[64];
    unsigned long n = 99;
    EXPECT_TRUE(m_clZip.bReadCurrentFileInZip(a, 0, &n));
    EXPECT_EQ(0u, n);
    EXPECT_TRUE(m_clZip.bReadCurrentFileInZip(a, sizeof(a), &n));
    EXPECT_EQ(3u, n);
    EXPECT_EQ("abc", std::string(a, 3));
    EXPECT_TRUE(m_clZip.bReadCurrentFileInZip(a, sizeof(a), &n));
    EXPECT_EQ(0u, n);
    EXPECT_EQ(0, m_clZip.CloseCurrentFileInZip(1, 0));
    // Closed: reading fails, closing again is harmless.
    EXPECT_FALSE(m_clZip.bReadCurrentFileInZip(a, sizeof(a), &n));
    EXPECT_EQ(0, m_clZip.CloseCurrentFileInZip(1, 0));
}

TEST_F(WinZipTest, IterationAndLocate) {
    ASSERT_EQ(0, Open("best.zip"));
    CWinZip clEmpty;
    EXPECT_EQ(4, clEmpty.OpenCurrentFileInZip());
    EXPECT_EQ(1002, clEmpty.FirstFile());

    int nCount = 0;
    for (int n = m_clZip.FirstFile(); n == 0; n = m_clZip.NextFile(0)) nCount++;
    EXPECT_EQ(static_cast<int>(m_clZip.nGetNbFichier()), nCount);
    EXPECT_EQ(7, nCount);  // 5 files and the directories sub/ and sub/deeper/
    // Past the end, the current entry stays and a new walk starts again.
    EXPECT_NE(nullptr, m_clZip.pstGetCurrentFile());
    EXPECT_EQ(0, m_clZip.NextFile(0));

    struct Case {
        const wchar_t* pszName;
        int bExact;
        int nResult;
        const wchar_t* pszFound;
    };
    const Case aCases[] = {
        {L"sub/deeper/c.txt", 0, 0, L"sub\\deeper\\c.txt"},
        {L"sub\\deeper\\c.txt", 0, 0, L"sub\\deeper\\c.txt"},
        {L"SUB\\Deeper/C.TXT", 0, 0, L"sub\\deeper\\c.txt"},
        {L"SUB/A.TXT", 1, 0, L"sub\\a.txt"},  // the index ignores case whatever the flag
        {L"sub/b.txt", 0, 5, nullptr},
        {L"", 0, 5, nullptr},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << std::string(c.pszName, c.pszName + wcslen(c.pszName)));
        EXPECT_EQ(c.nResult, m_clZip.LocateFile(c.pszName, c.bExact));
        if (c.pszFound != nullptr) {
            EXPECT_STREQ(c.pszFound, m_clZip.CurrentFile_szName());
        }
    }
}

// Names that differ only in letter case are different files of a Linux-made archive.
TEST_F(WinZipTest, LocatePrefersTheExactCase) {
    const std::string d = Path("case");
    ASSERT_EQ(0, nShell("mkdir -p " + d + " && cd " + d + " && printf upper > README && printf lower > readme" +
                        " && zip -q ../case.zip README readme"));
    ASSERT_EQ(0, Open("case.zip"));
    EXPECT_EQ("upper", Extract(L"README").sData);
    EXPECT_EQ("lower", Extract(L"readme").sData);
}

// The end record alone (an archive emptied by zip -d), and files that are no zip archive.
TEST_F(WinZipTest, EmptyAndNotZip) {
    EXPECT_EQ(22u, Read("e.zip").size());
    ASSERT_EQ(0, Open("e.zip"));
    EXPECT_EQ(0u, m_clZip.nGetNbFichier());
    EXPECT_EQ(1002, m_clZip.FirstFile());
    EXPECT_TRUE(m_clZip.bFichierZip(WPath("e.zip").c_str()));

    const Bytes sBest = Read("best.zip");
    Write("cut.zip", sBest.substr(0, sBest.size() - 30));
    Write("text.zip", SourceTree()["text.txt"]);
    Write("null.zip", "");
    Write("tiny.zip", "PK");
    for (const char* psz : {"cut.zip", "text.zip", "null.zip", "tiny.zip"}) {
        SCOPED_TRACE(psz);
        EXPECT_EQ(3, Open(psz));
        EXPECT_EQ(0u, m_clZip.nGetNbFichier());
        EXPECT_FALSE(m_clZip.bFichierZip(WPath(psz).c_str()));
    }
    EXPECT_FALSE(m_clZip.bFichierZip(WPath("absent.zip").c_str()));
    EXPECT_TRUE(m_clZip.bFichierZip(WPath("best.zip").c_str()));
}

// The end record is found when it starts within the last 65,535 bytes of the file.
TEST_F(WinZipTest, CommentLengthLimit) {
    struct Case {
        size_t nComment;
        int nResult;
    };
    const Case aCases[] = {{0, 0}, {1000, 0}, {1022, 0}, {1023, 0}, {65513, 0}, {65514, 3}, {65535, 3}};
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.nComment);
        Bytes s = Read("e.zip");
        Put16(s, 20, static_cast<uint32_t>(c.nComment));
        s += Bytes(c.nComment, 'c');
        Write("comment.zip", s);
        EXPECT_EQ(c.nResult, Open("comment.zip"));
        if (c.nResult == 0) {
            EXPECT_EQ(c.nComment, wcslen(m_clZip.pszGetCommentaire()));
        }
    }
}

// The last piece of a split archive opens (the central directory is there) and names the volumes.
TEST_F(WinZipTest, SplitArchiveVolumes) {
    ASSERT_EQ(0, Open("split.zip"));
    EXPECT_EQ(7u, m_clZip.nGetNbFichier());
    ASSERT_EQ(0, m_clZip.FirstFile());
    EXPECT_STREQ(L".z01", m_clZip.CurrentFile_szExtZip(0));
    EXPECT_STREQ(L".z03", m_clZip.CurrentFile_szExtZip(2));
    EXPECT_STREQ(L".zip", m_clZip.CurrentFile_szExtZip(3));
    ASSERT_EQ(0, m_clZip.LocateFile(L"text.txt", 0));
    EXPECT_STREQ(m_clZip.CurrentFile_dwDisque() == 3 ? L".zip" : L".z01", m_clZip.CurrentFile_szExtZip(0xFFFFFFFF));
}

TEST_F(WinZipTest, Passwords) {
    // Every wrong password fails at the check byte (14) or, past it by chance, in the data.
    int nRefused = 0;
    for (const wchar_t* psz : {L"wrong", L"Secret", L"", L"secret2", L"x", L"letmein", L"s3cret", L"123456"}) {
        m_clZip.bSetPassword(psz);
        ASSERT_EQ(0, Open("enc.zip"));
        Extracted r = Extract(L"text.txt");
        if (r.nOpen == 14) {
            nRefused++;
            continue;
        }
        EXPECT_TRUE(r.nOpen != 0 || !r.bRead || r.nClose == 13) << "wrong password accepted";
    }
    EXPECT_GE(nRefused, 5);
    m_clZip.bSetPassword(L"secret");
    ASSERT_EQ(0, Open("enc.zip"));
    EXPECT_EQ(0, Extract(L"sub/a.txt").nClose);
    // The compressed size excludes the 12-byte encryption header.
    const Layout l = LayoutOf(Read("enc.zip"));
    EXPECT_EQ(Get32(Read("enc.zip"), l.mCentral.at("sub/a.txt") + 20) - 12u, m_clZip.CurrentFile_dwTailleCompress());

    struct Case {
        const wchar_t* pszPassword;
        bool bResult;
        const wchar_t* pszStored;
    };
    const wchar_t aszNegative[] = {L'a', static_cast<wchar_t>(-5), 0};
    const Case aCases[] = {{nullptr, true, L""}, {L"p\u00e9", true, L"p\u00e9"}, {aszNegative, false, L""}};
    for (const Case& c : aCases) {
        EXPECT_EQ(c.bResult, m_clZip.bSetPassword(c.pszPassword));
        EXPECT_STREQ(c.pszStored, m_clZip.pszGetPassword());
    }
}

// The password check byte: the high byte of the CRC-32, or with flag bit 3 (sizes and CRC written
// after the data) the high byte of the DOS time. Made by hand, since zip always sets bit 3.
TEST_F(WinZipTest, PasswordCheckByte) {
    const Bytes sData = "the data behind the password";
    const uint32_t dwCRC =
        static_cast<uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(sData.data()), static_cast<uInt>(sData.size())));
    // A time whose high byte differs from the CRC's, so that each rule fails the other's header.
    const uint32_t dwDosDate = (0x5A21u << 16) | (((dwCRC >> 24) ^ 0xFF) << 8) | 0x42;
    struct Case {
        const char* pszWhat;
        uint32_t nFlag;
        uint8_t byCheck;  // last byte of the encryption header before encryption
        const wchar_t* pszPassword;
        int nOpen;
    };
    const Case aCases[] = {
        {"CRC rule", 1, static_cast<uint8_t>(dwCRC >> 24), L"secret", 0},
        {"time rule", 1 | 8, static_cast<uint8_t>(dwDosDate >> 8), L"secret", 0},
        {"time byte without bit 3", 1, static_cast<uint8_t>(dwDosDate >> 8), L"secret", 14},
        {"CRC byte with bit 3", 1 | 8, static_cast<uint8_t>(dwCRC >> 24), L"secret", 14},
        {"wrong password", 1, static_cast<uint8_t>(dwCRC >> 24), L"secreT", 14},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszWhat);
        Bytes sStored = Bytes("0123456789") + static_cast<char>(dwCRC >> 16) + static_cast<char>(c.byCheck) + sData;
        CWinZip clCrypt;
        clCrypt.InitKeys(L"secret");
        clCrypt.CryptEncodeBuffer(reinterpret_cast<uint8_t*>(sStored.data()), static_cast<uint32_t>(sStored.size()));
        Write("check.zip",
              HandMadeZip("f.txt", sStored, static_cast<uint32_t>(sData.size()), c.nFlag, dwDosDate, dwCRC));
        m_clZip.bSetPassword(c.pszPassword);
        ASSERT_EQ(0, Open("check.zip"));
        Extracted r = Extract(L"f.txt");
        EXPECT_EQ(c.nOpen, r.nOpen);
        if (c.nOpen == 0) {
            EXPECT_EQ(0, r.nClose);
            EXPECT_EQ(sData, r.sData);
        }
    }
    m_clZip.bSetPassword(nullptr);
    // An encrypted entry too short to hold its 12-byte header is refused, not read.
    Write("short.zip", HandMadeZip("f.txt", "0123456789", 0, 1, dwDosDate, 0));
    ASSERT_EQ(0, Open("short.zip"));
    EXPECT_EQ(3, Extract(L"f.txt").nOpen);
}

// Damaged data: found by the CRC at close (stored) or by inflate or the CRC (deflated); a damaged
// local header refuses the entry before any data.
TEST_F(WinZipTest, DamagedEntries) {
    const Bytes sStored = Read("stored.zip");
    const Layout lStored = LayoutOf(sStored);
    const Bytes sBest = Read("best.zip");
    const Layout lBest = LayoutOf(sBest);
    auto DataOf = [](const Bytes& s, size_t nLocal) {
        return nLocal + 30 + Get16(s, nLocal + 26) + Get16(s, nLocal + 28);
    };

    {
        Bytes s = sStored;
        s[DataOf(s, lStored.mLocal.at("text.txt")) + 150000] ^= 0x20;
        Write("crc.zip", s);
        ASSERT_EQ(0, Open("crc.zip"));
        Extracted r = Extract(L"text.txt");
        EXPECT_EQ(0, r.nOpen);
        EXPECT_TRUE(r.bRead);
        EXPECT_EQ(13, r.nClose);
        EXPECT_EQ(0, Extract(L"rand.bin").nClose);  // the others still read
    }
    {
        Bytes s = sBest;
        s[DataOf(s, lBest.mLocal.at("rand.bin")) + 100000] ^= 0x55;
        Write("inflate.zip", s);
        ASSERT_EQ(0, Open("inflate.zip"));
        Extracted r = Extract(L"rand.bin");
        EXPECT_EQ(0, r.nOpen);
        EXPECT_TRUE(!r.bRead || r.nClose == 13);
    }

    struct Case {
        const char* pszWhat;
        size_t nOffset;  // from the local header of text.txt in stored.zip
        int nSize;
        uint32_t dwValue;
        int nResult;
    };
    const size_t nLocal = lStored.mLocal.at("text.txt");
    const Case aCases[] = {
        {"local signature", 0, 4, 0x04034b51, 3},      {"local method", 8, 2, 8, 3},
        {"local CRC", 14, 4, 0x12345678, 3},           {"local uncompressed size", 22, 4, 5, 3},
        {"local compressed size", 18, 4, 5, 3},        {"local name length", 26, 2, 7, 3},
        {"local name other than case", 30, 1, 'X', 3}, {"local name case only", 30, 1, 'T', 0},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszWhat);
        Bytes s = sStored;
        if (c.nSize == 2)
            Put16(s, nLocal + c.nOffset, c.dwValue);
        else if (c.nSize == 4)
            Put32(s, nLocal + c.nOffset, c.dwValue);
        else
            s[nLocal + c.nOffset] = static_cast<char>(c.dwValue);
        Write("local.zip", s);
        ASSERT_EQ(0, Open("local.zip"));
        Extracted r = Extract(L"text.txt");
        EXPECT_EQ(c.nResult, r.nOpen);
        if (c.nResult == 0) {
            EXPECT_EQ(0, r.nClose);
        }
    }
    // A method other than stored or deflate in both headers.
    Bytes s = sStored;
    Put16(s, lStored.mCentral.at("sub/a.txt") + 10, 12);
    Put16(s, lStored.mLocal.at("sub/a.txt") + 8, 12);
    Write("method.zip", s);
    ASSERT_EQ(0, Open("method.zip"));
    EXPECT_EQ(3, Extract(L"sub/a.txt").nOpen);
}

// Hostile archives: lengths, counts and offsets that point past the file or wrap. Each must fail
// with a code (or read what the file holds), never read or allocate past it.
TEST_F(WinZipTest, HostileArchives) {
    const Bytes sBase = Read("stored.zip");
    const Layout l = LayoutOf(sBase);
    const size_t nCentralA = l.mCentral.at("sub/a.txt");
    const size_t nCentralText = l.mCentral.at("text.txt");
    struct Case {
        const char* pszWhat;
        size_t nOffset;
        int nSize;
        uint32_t dwValue;
        int nOpenResult;   // OuvreZip
        int nEntryResult;  // OpenCurrentFileInZip of text.txt when the archive opens
    };
    const Case aCases[] = {
        {"entry count far above the directory", l.nEnd + 10, 2, 0xFFFF, 3, 0},
        {"entry count zero over a directory", l.nEnd + 10, 2, 0, 3, 0},
        {"directory offset past the end", l.nEnd + 16, 4, 0x7FFFFFF0, 3, 0},
        {"directory size past the end", l.nEnd + 12, 4, 0x7FFFFFF0, 3, 0},
        {"directory offset all ones without Zip64", l.nEnd + 16, 4, 0xFFFFFFFF, 3, 0},
        {"comment length past the end", l.nEnd + 20, 2, 0xFFFF, 0, 0},
        {"name length past the directory", nCentralA + 28, 2, 0xFFFF, 3, 0},
        {"extra length past the directory", nCentralA + 30, 2, 0xFFFF, 3, 0},
        {"comment length past the directory", nCentralA + 32, 2, 0xFFFF, 3, 0},
        {"local offset past the end", nCentralText + 42, 4, 0x7FFFFFFF, 0, 5},
        {"local offset near the top", nCentralText + 42, 4, 0xFFFFFFF0, 0, 5},
        {"compressed size past the end", nCentralText + 20, 4, 0x7FFFFFFF, 0, 3},
        {"sizes all ones without a Zip64 block", nCentralText + 20, 4, 0xFFFFFFFF, 0, 3},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszWhat);
        Bytes s = sBase;
        if (c.nSize == 2)
            Put16(s, c.nOffset, c.dwValue);
        else
            Put32(s, c.nOffset, c.dwValue);
        Write("hostile.zip", s);
        ASSERT_EQ(c.nOpenResult, Open("hostile.zip"));
        if (c.nOpenResult == 0) {
            EXPECT_EQ(c.nEntryResult, Extract(L"text.txt").nOpen);
        }
    }
}

// The entry count must use up the central directory: a count below the true one would leave the
// last entries out of the archive as read, and whoever installs it would report success without
// them. A count of 0xFFFF says that the true count is in the Zip64 records, which must be there.
TEST_F(WinZipTest, EntryCountMustUseUpTheDirectory) {
    const Bytes sBase = Read("stored.zip");
    const Layout l = LayoutOf(sBase);
    const uint32_t nEntrees = Get16(sBase, l.nEnd + 10);
    ASSERT_EQ(nEntrees, l.mCentral.size());
    struct Case {
        const char* pszWhat;
        Bytes sArchive;
        int nResult;
        uint32_t nLoaded;  // entries the reader holds after a successful open
    };
    Bytes sMoins = sBase;
    Put16(sMoins, l.nEnd + 8, nEntrees - 1);
    Put16(sMoins, l.nEnd + 10, nEntrees - 1);
    Bytes sTotalMoins = sBase;
    Put16(sTotalMoins, l.nEnd + 10, nEntrees - 1);
    const Case aCases[] = {
        {"as zipped", sBase, 0, nEntrees},
        {"both counts one below", sMoins, 3, 0},
        {"total count one below", sTotalMoins, 3, 0},
        {"65,535 entries, count 0xFFFF, no Zip64 records", ManyEntriesZip(65535, 0xFFFF, false), 3, 0},
        {"65,540 entries, count 0xFFFF, no Zip64 records", ManyEntriesZip(65540, 0xFFFF, false), 3, 0},
        {"3 entries, count 2", ManyEntriesZip(3, 2, false), 3, 0},
        {"65,540 entries, count 0xFFFF, Zip64 records", ManyEntriesZip(65540, 0xFFFF, true), 0, 65540},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszWhat);
        Write("count.zip", c.sArchive);
        EXPECT_EQ(c.nResult, Open("count.zip"));
        if (c.nResult == 0) {
            EXPECT_EQ(c.nLoaded, m_clZip.nGetNbFichier());
        }
    }
    // The last of the many entries of the last case is there, and found.
    ASSERT_EQ(0, m_clZip.LocateFile(L"d/65539", 1));
    EXPECT_STREQ(L"d\\65539", m_clZip.CurrentFile_szName());
}

// Raw names that cannot be taken as they stand make the archive invalid: a zero byte inside the
// name (what follows it would be hidden: "sub/a" would be written), and bytes that are not UTF-8
// under the UTF-8 flag. A control character that decodes is left to the one who writes the file.
TEST_F(WinZipTest, RawNamesThatCannotBeTakenAsTheyStand) {
    struct Case {
        const char* pszWhat;
        std::string sStored;  // in place of "sub/a.txt", same length, in both headers
        bool bUTF8;
        int nResult;
    };
    const Case aCases[] = {
        {"zero byte", std::string("sub/a\0txt", 9), false, 3},
        {"zero byte under the UTF-8 flag", std::string("sub/a\0txt", 9), true, 3},
        {"byte 0xFF under the UTF-8 flag", "sub/\xff.txt", true, 3},
        {"continuation byte alone", "sub/\x80.txt", true, 3},
        {"sequence cut short", "sub/a.tx\xc3", true, 3},
        {"overlong slash", "sub/\xc0\xaf.tx", true, 3},
        {"surrogate", "sub\xed\xa0\x80.tx", true, 3},
        {"above U+10FFFF", "su\xf4\x90\x80\x80.tx", true, 3},
        {"byte 0xFF in code page 437", "sub/\xff.txt", false, 0},
        {"C1 control, well-formed", "sub/\xc2\x85.tx", true, 0},
        {"four-byte character", "su\xf0\x9f\x98\x80.tx", true, 0},
    };
    const Bytes sBase = Read("stored.zip");
    const Layout l = LayoutOf(sBase);
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszWhat);
        ASSERT_EQ(9u, c.sStored.size());
        Bytes s = sBase;
        for (bool bCentral : {true, false}) {
            const size_t nHeader = bCentral ? l.mCentral.at("sub/a.txt") : l.mLocal.at("sub/a.txt");
            s.replace(nHeader + (bCentral ? 46 : 30), 9, c.sStored);
            const size_t nFlag = nHeader + (bCentral ? 8 : 6);
            Put16(s, nFlag, Get16(s, nFlag) | (c.bUTF8 ? 0x800 : 0));
        }
        Write("rawnames.zip", s);
        EXPECT_EQ(c.nResult, Open("rawnames.zip"));
        if (c.nResult == 0) {
            EXPECT_EQ(l.mCentral.size(), m_clZip.nGetNbFichier());
        }
    }
}

// Zip64 blocks: found wherever they lie among the extra blocks, taken only for the fields that
// hold all ones, and an extra field whose blocks overrun it is not read past.
TEST_F(WinZipTest, Zip64Blocks) {
    const Bytes sBase = Read("z64.zip");
    const Layout l = LayoutOf(sBase);
    ASSERT_EQ(0, Open("z64.zip"));
    ASSERT_EQ(0, m_clZip.LocateFile(L"text.txt", 0));
    const _stFICZIP* pst = m_clZip.pstGetCurrentFile();
    ASSERT_NE(nullptr, pst);
    // Info-ZIP puts its time and Unix blocks first: the Zip64 block is not the first one.
    EXPECT_NE(1, pst->abyExtra[0]);
    EXPECT_EQ(300000u <= pst->ulUncompressedSize, true);
    EXPECT_EQ(SourceTree()["text.txt"].size(), pst->ulUncompressedSize);

    // A Zip64 block that claims more data than the extra field holds is ignored.
    const size_t nCentral = l.mCentral.at("text.txt");
    const size_t nExtra = nCentral + 46 + Get16(sBase, nCentral + 28);
    Bytes s = sBase;
    for (size_t i = 0; i + 4 <= Get16(sBase, nCentral + 30);) {
        size_t nBlock = Get16(s, nExtra + i + 2);
        if (Get16(s, nExtra + i) == 1) Put16(s, nExtra + i + 2, 0xFFF0);
        i += 4 + nBlock;
    }
    Write("z64bad.zip", s);
    ASSERT_EQ(0, Open("z64bad.zip"));
    ASSERT_EQ(0, m_clZip.LocateFile(L"text.txt", 0));
    EXPECT_EQ(0xFFFFFFFFu, m_clZip.CurrentFile_dwTailleNonCompress());
    EXPECT_NE(0, Extract(L"text.txt").nOpen);

    // A Zip64 end record that cannot be found, when the 32-bit offset says it is needed.
    s = sBase;
    size_t nLocator = s.rfind(std::string("PK\x06\x07", 4));
    ASSERT_NE(std::string::npos, nLocator);
    size_t nRecord = s.rfind(std::string("PK\x06\x06", 4));
    s[nRecord + 3] = 9;
    Write("z64norecord.zip", s);
    size_t nEnd = s.rfind(std::string("PK\x05\x06", 4));
    if (Get32(s, nEnd + 16) == 0xFFFFFFFF) {
        EXPECT_EQ(3, Open("z64norecord.zip"));
    }
    s = sBase;
    s[nLocator + 3] = 9;
    Put32(s, nEnd + 16, 0xFFFFFFFF);
    Write("z64nolocator.zip", s);
    EXPECT_EQ(3, Open("z64nolocator.zip"));
    s = sBase;
    Put32(s, nRecord + 4, 0xFFFFFF00);  // record size field far past the file
    Put32(s, nRecord + 8, 0xFFFFFFFF);
    Put32(s, nEnd + 16, 0xFFFFFFFF);
    Write("z64size.zip", s);
    EXPECT_EQ(3, Open("z64size.zip"));
}

// Attributes of entries made on Unix are kept; other systems' get 438 added.
TEST_F(WinZipTest, ExternalAttributesAndDates) {
    Bytes s = Read("stored.zip");
    const Layout l = LayoutOf(s);
    const size_t nCentral = l.mCentral.at("sub/a.txt");
    const uint32_t dwExternal = Get32(s, nCentral + 38);
    ASSERT_EQ(3, static_cast<uint8_t>(s[nCentral + 5]));
    ASSERT_EQ(0, Open("stored.zip"));
    ASSERT_EQ(0, m_clZip.LocateFile(L"sub/a.txt", 0));
    EXPECT_EQ(dwExternal, m_clZip.CurrentFile_ulFlag());
    const uint32_t dwDos = Get32(s, nCentral + 12);
    _sTMDATE st = m_clZip.CurrentFile_tmDate();
    EXPECT_EQ(static_cast<int>((dwDos >> 25) + 1980), st.tm_year);
    EXPECT_EQ(static_cast<int>((dwDos >> 21) & 0xF), st.tm_mon);
    EXPECT_EQ(static_cast<int>((dwDos & 0x1F) * 2), st.tm_sec);

    s[nCentral + 5] = 0;  // made on MS-DOS
    Write("dos.zip", s);
    ASSERT_EQ(0, Open("dos.zip"));
    ASSERT_EQ(0, m_clZip.LocateFile(L"sub/a.txt", 0));
    EXPECT_EQ(dwExternal + 438u, m_clZip.CurrentFile_ulFlag());
}

// Names: UTF-8 with flag bit 11, otherwise the OEM code page; longer than 260 characters, cut.
TEST_F(WinZipTest, NameDecoding) {
    struct Case {
        const char* pszStored;  // the bytes put in place of the name "sub/a.txt" (9 bytes, same length)
        bool bUTF8;
        const wchar_t* pszExpected;
    };
    const Case aCases[] = {
        {"su/\xc3\xa9.txt", true, L"su\\\u00e9.txt"},
        {"sub/\x82.txt", false, L"sub\\\u00e9.txt"},  // 0x82 is e-acute in code page 437
    };
    const Bytes sBase = Read("stored.zip");
    const Layout l = LayoutOf(sBase);
    for (const Case& c : aCases) {
        Bytes s = sBase;
        for (size_t nHeader : {l.mCentral.at("sub/a.txt"), l.mLocal.at("sub/a.txt")}) {
            size_t nName = nHeader + (nHeader == l.mCentral.at("sub/a.txt") ? 46 : 30);
            ASSERT_EQ(9u, strlen(c.pszStored));
            s.replace(nName, 9, c.pszStored);
            size_t nFlag = nHeader + (nHeader == l.mCentral.at("sub/a.txt") ? 8 : 6);
            Put16(s, nFlag, Get16(s, nFlag) | (c.bUTF8 ? 0x800 : 0));
        }
        Write("names.zip", s);
        ASSERT_EQ(0, Open("names.zip"));
        ASSERT_EQ(0, m_clZip.LocateFile(c.pszExpected, 0));
        EXPECT_STREQ(c.pszExpected, m_clZip.CurrentFile_szName());
        EXPECT_EQ("abc", ExtractCurrent().sData);
    }

    const std::string sLong(300, 'n');
    const std::string d = Path("long");
    ASSERT_EQ(0, nShell("mkdir -p " + d + " && cd " + d + " && printf x > " + sLong.substr(0, 250) +
                        " && zip -q ../long.zip " + sLong.substr(0, 250)));
    Bytes s = Read("long.zip");
    ASSERT_EQ(0, Open("long.zip"));
    ASSERT_EQ(0, m_clZip.FirstFile());
    EXPECT_EQ(250u, wcslen(m_clZip.CurrentFile_szName()));
    // 300 characters, written by hand: a name of 250 patched longer is not a file zip can make.
    Layout lLong = LayoutOf(s);
    size_t nCentral = lLong.mCentral.begin()->second;
    s.insert(nCentral + 46, std::string(50, 'm'));
    Put16(s, nCentral + 28, 300);
    Put32(s, s.rfind(std::string("PK\x05\x06", 4)) + 12, Get32(s, s.rfind(std::string("PK\x05\x06", 4)) + 12) + 50);
    Write("long300.zip", s);
    ASSERT_EQ(0, Open("long300.zip"));
    ASSERT_EQ(0, m_clZip.FirstFile());
    EXPECT_EQ(260u, wcslen(m_clZip.CurrentFile_szName()));
}

TEST(WinZipNameIndex, SizesChainsAndGrowth) {
    CTemplateHashTableChaineI cl(7);
    EXPECT_EQ(17u, cl.nGetNbSeau());
    EXPECT_EQ(8u, cl.nGetNbCellule());
    EXPECT_EQ(5381u * 33 + 'A', CTemplateHashTableChaineI::s_dwHash(L"a"));
    // Past 8, 26, 48 ... elements the table moves to the next primes and keeps every key.
    std::vector<std::wstring> aKeys;
    for (int i = 0; i < 200; i++) aKeys.push_back(L"dir/file" + std::to_wstring(i));
    for (int i = 0; i < 200; i++) ASSERT_TRUE(cl.bAjoute(aKeys[i].c_str(), i));
    EXPECT_EQ(200u, cl.nGetNbElement());
    EXPECT_GE(cl.nGetNbCellule(), 200u);
    for (int i = 0; i < 200; i++) {
        int n = -1;
        std::wstring sUpper = aKeys[i];
        for (wchar_t& c : sUpper) c = static_cast<wchar_t>(towupper(c));
        ASSERT_TRUE(cl.bRecherche(sUpper.c_str(), &n));
        EXPECT_EQ(i, n);
    }
    // Of two equal keys the later is found first, before and after a growth.
    ASSERT_TRUE(cl.bAjoute(L"DIR/FILE3", 1000));
    int n = -1;
    ASSERT_TRUE(cl.bRecherche(L"dir/file3", &n));
    EXPECT_EQ(1000, n);
    EXPECT_FALSE(cl.bRecherche(L"dir/file", &n));
    cl.Vide();
    EXPECT_FALSE(cl.bRecherche(L"dir/file3", &n));
    EXPECT_EQ(0u, cl.nGetNbElement());
}

// The index's comparison folds letters as its hash does: a lookup finds exactly the keys the
// comparison takes as equal, even where towupper and towlower part (the long s folds to "S" going
// up but stays itself going down; the Kelvin sign is its own upper-case form, "k" its lower-case).
TEST(WinZipNameIndex, LookupAgreesWithTheComparison) {
    const char* pszAvant = setlocale(LC_CTYPE, nullptr);
    const std::string sAvant = pszAvant != nullptr ? pszAvant : "C";
    ASSERT_NE(nullptr, setlocale(LC_CTYPE, "C.UTF-8"));
    struct Case {
        const wchar_t* pszStocke;
        const wchar_t* pszCherche;
        bool bTrouve;
    };
    const Case aCases[] = {
        {L"setup.ini", L"\u017Fetup.INI", true},
        {L"\u017Fetup.ini", L"SETUP.ini", true},
        {L"kelvin.txt", L"\u212Aelvin.txt", false},
        {L"\u00E9t\u00E9/a.txt", L"\u00C9T\u00C9/A.TXT", true},
    };
    for (const Case& c : aCases) {
        CTemplateHashTableChaineI cl(7);
        ASSERT_TRUE(cl.bAjoute(c.pszStocke, 5));
        int n = -1;
        EXPECT_EQ(c.bTrouve, cl.bRecherche(c.pszCherche, &n)) << int(c.pszCherche[0]);
        EXPECT_EQ(c.bTrouve, bEgaliteTi(c.pszStocke, c.pszCherche) != 0);
    }
    setlocale(LC_CTYPE, sAvant.c_str());
}

// The cipher against zlib's CRC table: a header made by the writer-side helper passes the reader's
// check with the right password; encoding then decoding gives the data back.
TEST(WinZipCipher, HeaderAndRoundTrip) {
    CWinZip cl;
    ASSERT_TRUE(cl.bSetPassword(L"secret"));
    uint8_t aby[12];
    cl.CryptCryptHeader(0xA1B2C3D4, aby);
    cl.InitKeys(L"secret");
    cl.DecryptBuffer(aby, 12);
    EXPECT_EQ(0xA1, aby[11]);
    EXPECT_EQ(0xB2, aby[10]);

    uint8_t abyData[] = "some data to hide";
    uint8_t abyCopy[sizeof(abyData)];
    memcpy(abyCopy, abyData, sizeof(abyData));
    cl.InitKeys(L"k");
    cl.CryptEncodeBuffer(abyCopy, sizeof(abyCopy));
    EXPECT_NE(0, memcmp(abyCopy, abyData, sizeof(abyData)));
    cl.InitKeys(L"k");
    cl.DecryptBuffer(abyCopy, sizeof(abyCopy));
    EXPECT_EQ(0, memcmp(abyCopy, abyData, sizeof(abyData)));
    // Only the low 8 bits of each password character count.
    cl.InitKeys(L"\u0141");
    uint32_t dw = cl.DecryptByte();
    cl.InitKeys(L"A");
    EXPECT_EQ(dw, cl.DecryptByte());
}

TEST(WinZipWriterHelpers, DatesSizesAndSettings) {
    struct Case {
        _sTMDATE st;  // month from 0
        uint32_t dwDos;
    };
    const Case aCases[] = {
        {{58, 30, 23, 31, 11, 2014}, ((34u << 9 | 12u << 5 | 31u) << 16) | (23u << 11 | 30u << 5 | 29u)},
        {{0, 0, 0, 1, 0, 1980}, (1u << 5 | 1u) << 16},
        {{0, 0, 0, 1, 0, 1970}, (1u << 5 | 1u) << 16},
    };
    for (const Case& c : aCases) {
        EXPECT_EQ(c.dwDos, CWinZip::_TmDateToDosDate(&c.st));
        _sTMDATE st;
        CWinZip::s_DosDateToTmDate(c.dwDos, &st);
        EXPECT_EQ(c.st.tm_mon + 1, st.tm_mon);  // decoded months count from 1
        EXPECT_EQ(c.st.tm_mday, st.tm_mday);
    }

    CWinZip cl;
    _stFICZIP st{};
    st.nSizeFilename = 5;
    st.nSizeFileComment = 2;
    st.ulUncompressedSize = 10;
    EXPECT_EQ(46u + 7, cl._bEcritEnteteDir(&st));
    EXPECT_EQ(35u, cl._bEcritEnteteLocaleDir(&st));
    st.ulUncompressedSize = 0x100000000ull;
    EXPECT_EQ(46u + 7 + 28, cl._bEcritEnteteDir(&st));
    EXPECT_EQ(1, st.abyExtra[0]);
    EXPECT_EQ(24, st.abyExtra[2]);
    EXPECT_EQ(1, st.abyExtra[8]);  // bit 32 of the uncompressed size
    st.bCrypte = 1;
    EXPECT_EQ(30u + 5 + 20 + 12, cl._bEcritEnteteLocaleDir(&st));
    EXPECT_EQ(22u, cl._bEcritEnteteZip());

    EXPECT_EQ(6, cl.nGetNiveauCompression());
    EXPECT_FALSE(cl.bSetNiveauCompression(10));
    EXPECT_FALSE(cl.bSetNiveauCompression(-1));
    EXPECT_TRUE(cl.bSetNiveauCompression(0));
    EXPECT_EQ(0, cl.nGetNiveauCompression());
    EXPECT_EQ(0, cl.bEntete64Bits(1));
    EXPECT_EQ(1, cl.bEntete64Bits(0));
    EXPECT_STREQ("abc\x80", cl._AnsiOem("abc\x80", 1));
    EXPECT_STREQ("\x82", cl._AnsiOem("\xe9", 1));  // e-acute, 1252 -> 437
    EXPECT_STREQ("\xe9", cl._AnsiOem("\x82", 0));
}

}  // namespace
