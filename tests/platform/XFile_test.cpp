// Tests of the file facade: who owns the stream (a caller's or the facade's own disk file), what a
// facade without a stream answers, the facade's slot order, forwarding of formatted output and line
// reading, bWriteLine's bytes and the chunked copy of bExtract.
#include "platform/XFile.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/XError.h"
#include "platform/DiskFile.h"
#include "tests/core/VirtualSlot.h"
#include "tests/host/TempDir.h"
#include "tests/platform/FileTestStream.h"

namespace {

std::vector<unsigned char> Pattern(size_t nSize) {
    std::vector<unsigned char> aby(nSize);
    for (size_t i = 0; i < nSize; ++i) aby[i] = static_cast<unsigned char>(i * 7 + i / 251);
    return aby;
}

// A facade whose default stream is an in-memory one, so a test can watch its creation and end.
class CMemoryDefaultFile : public CXFile {
public:
    int* m_pnDestroyed = nullptr;
    CFileTestStream* m_pclCreated = nullptr;
    IXStream* __xpclAllocDiskFile() override {
        m_pclCreated = new CFileTestStream();
        m_pclCreated->m_pnDestroyed = m_pnDestroyed;
        return m_pclCreated;
    }
};

class XFileDiskTest : public CTempDirTest {};

}  // namespace

TEST(XFileLayoutTest, VirtualSlots) {
    typedef int (CXFile::*PFNWRITEPOS)(int64_t, const void*, uint32_t, uint32_t*);
    typedef int (CXFile::*PFNREADPOS)(int64_t, void*, uint32_t, uint32_t*);
    typedef int (CXFile::*PFNWRITE)(const void*, uint32_t, uint32_t*);
    typedef int (CXFile::*PFNREAD)(void*, uint32_t, uint32_t*);
    typedef int (CXFile::*PFNSTRINGA)(const char*, ...);
    typedef int (CXFile::*PFNSTRINGLISTA)(const char*, va_list);
    typedef int (CXFile::*PFNSTRINGW)(const wchar_t*, ...);
    typedef int (CXFile::*PFNSTRINGLISTW)(const wchar_t*, va_list);
    typedef int (CXFile::*PFNLINEA)(char*, uint32_t, int*, uint32_t);
    typedef int (CXFile::*PFNLINEW)(wchar_t*, uint32_t, int*, uint32_t);
    struct Case {
        const char* pszName;
        ptrdiff_t nSlot;
        ptrdiff_t nExpected;
    };
    const Case aCases[] = {
        {"bOpen", SlotOf(&CXFile::bOpen), 2},
        {"Close", SlotOf(&CXFile::Close), 3},
        {"bReopen", SlotOf(&CXFile::bReopen), 4},
        {"bWrite positioned", SlotOf(static_cast<PFNWRITEPOS>(&CXFile::bWrite)), 5},
        {"bRead positioned", SlotOf(static_cast<PFNREADPOS>(&CXFile::bRead)), 6},
        {"bWrite", SlotOf(static_cast<PFNWRITE>(&CXFile::bWrite)), 7},
        {"bRead", SlotOf(static_cast<PFNREAD>(&CXFile::bRead)), 8},
        {"bSeek", SlotOf(&CXFile::bSeek), 9},
        {"oGetSize", SlotOf(&CXFile::oGetSize), 10},
        {"oGetSizeFast", SlotOf(&CXFile::oGetSizeFast), 11},
        {"bFlush", SlotOf(&CXFile::bFlush), 12},
        {"bSetSize", SlotOf(&CXFile::bSetSize), 13},
        {"bIncreaseSize", SlotOf(&CXFile::bIncreaseSize), 14},
        {"bWriteString 8-bit", SlotOf(static_cast<PFNSTRINGA>(&CXFile::bWriteString)), 15},
        {"bWriteStringList 8-bit", SlotOf(static_cast<PFNSTRINGLISTA>(&CXFile::bWriteStringList)), 16},
        {"bWriteString wide", SlotOf(static_cast<PFNSTRINGW>(&CXFile::bWriteString)), 17},
        {"bWriteStringList wide", SlotOf(static_cast<PFNSTRINGLISTW>(&CXFile::bWriteStringList)), 18},
        {"bReadLine 8-bit", SlotOf(static_cast<PFNLINEA>(&CXFile::bReadLine)), 19},
        {"bReadLine wide", SlotOf(static_cast<PFNLINEW>(&CXFile::bReadLine)), 20},
        {"bExtract", SlotOf(&CXFile::bExtract), 21},
        {"bLockFile", SlotOf(&CXFile::bLockFile), 22},
        {"bUnlockFile", SlotOf(&CXFile::bUnlockFile), 23},
        {"bLock", SlotOf(&CXFile::bLock), 24},
        {"bUnlock", SlotOf(&CXFile::bUnlock), 25},
        {"pszGetName", SlotOf(&CXFile::pszGetName), 26},
        {"oGetOffset", SlotOf(&CXFile::oGetOffset), 27},
        {"bIsOpen", SlotOf(&CXFile::bIsOpen), 28},
        {"pclGetXError", SlotOf(&CXFile::pclGetXError), 29},
        {"_FreeStream", SlotOf(&CXFile::_FreeStream), 30},
        {"__xpclAllocDiskFile", SlotOf(&CXFile::__xpclAllocDiskFile), 31},
        {"_pclGetXError", SlotOf(&CXFile::_pclGetXError), 32},
        {"bReadLineUNICODE", SlotOf(&CXFile::bReadLineUNICODE), 33},
        {"veGetAccess", SlotOf(&CXFile::veGetAccess), 34},
        {"m242EmptyMethodXStream", SlotOf(&CXFile::m242EmptyMethodXStream), 35},
        {"m253EmptyMethodXStream", SlotOf(&CXFile::m253EmptyMethodXStream), 46},
    };
    for (const Case& stCase : aCases) EXPECT_EQ(stCase.nSlot, stCase.nExpected) << stCase.pszName;
}

// ---- owning the stream

TEST(XFileStreamTest, CallersStreamOutlivesTheFacade) {
    int nDestroyed = 0;
    CFileTestStream* pclStream = new CFileTestStream();
    pclStream->m_pnDestroyed = &nDestroyed;
    pclStream->AddRef();  // the caller's own reference
    {
        CXFile clFile(pclStream);
        EXPECT_EQ(pclStream->dwGetRef(), 2u);
        EXPECT_EQ(clFile.piGetStream(), pclStream);
    }
    EXPECT_EQ(nDestroyed, 0);
    EXPECT_EQ(pclStream->dwGetRef(), 1u);
    EXPECT_EQ(pclStream->dwRelease(), 0u);
    EXPECT_EQ(nDestroyed, 1);
}

TEST(XFileStreamTest, FirstOpenCreatesTheFacadesOwnStream) {
    int nDestroyed = 0;
    {
        CMemoryDefaultFile clFile;
        clFile.m_pnDestroyed = &nDestroyed;
        int bCreated = -1;
        ASSERT_TRUE(clFile.bOpen(L"mem", IXStream::eAccessReadWrite, IXStream::eShareNone, IXStream::eCreateAlways,
                                 IXStream::eFlagNone, &bCreated));
        ASSERT_NE(clFile.m_pclCreated, nullptr);
        EXPECT_EQ(bCreated, 1);
        EXPECT_EQ(clFile.piGetStream(), nullptr);  // the facade's own stream is not handed out
        EXPECT_EQ(clFile.m_pclCreated->dwGetRef(), 1u);
        EXPECT_STREQ(clFile.pszGetName(), L"mem");

        // Close keeps the stream: the next open reuses it.
        CFileTestStream* pclFirst = clFile.m_pclCreated;
        clFile.Close();
        EXPECT_FALSE(clFile.bIsOpen());
        ASSERT_TRUE(clFile.bOpen(L"mem2", IXStream::eAccessRead, IXStream::eShareNone, IXStream::eCreateOpenExisting,
                                 IXStream::eFlagNone, nullptr));
        EXPECT_EQ(clFile.m_pclCreated, pclFirst);
        EXPECT_EQ(nDestroyed, 0);
    }
    EXPECT_EQ(nDestroyed, 1);
}

TEST(XFileStreamTest, SetNameForErrorCreatesTheDefaultStream) {
    CMemoryDefaultFile clFile;
    EXPECT_TRUE(clFile.bSetNameForError(L"shown.dat"));
    EXPECT_NE(clFile.m_pclCreated, nullptr);
    EXPECT_EQ(clFile.piGetStream(), nullptr);
}

TEST(XFileStreamTest, SetStreamSwapsReferences) {
    int nDestroyedA = 0;
    int nDestroyedB = 0;
    CFileTestStream* pclA = new CFileTestStream();
    CFileTestStream* pclB = new CFileTestStream();
    pclA->m_pnDestroyed = &nDestroyedA;
    pclB->m_pnDestroyed = &nDestroyedB;

    CXFile clFile(pclA);     // the facade holds the only reference on A
    clFile.SetStream(pclA);  // the stream already held: kept alive, still one reference
    EXPECT_EQ(nDestroyedA, 0);
    EXPECT_EQ(pclA->dwGetRef(), 1u);
    clFile.SetStream(pclB);
    EXPECT_EQ(nDestroyedA, 1);
    EXPECT_EQ(clFile.piGetStream(), pclB);
    clFile.SetStream(nullptr);
    EXPECT_EQ(nDestroyedB, 1);
    EXPECT_EQ(clFile.piGetStream(), nullptr);
}

TEST(XFileStreamTest, WithoutStreamNothingIsClaimed) {
    CXFile clFile;
    clFile.Close();
    EXPECT_EQ(clFile.pszGetName(), nullptr);
    EXPECT_FALSE(clFile.bIsOpen());
    EXPECT_EQ(clFile.pclGetXError(), nullptr);
    EXPECT_EQ(clFile.veGetAccess(), IXStream::eAccessDefault);
    EXPECT_EQ(clFile.piGetStream(), nullptr);

    // The forwarding operations fail rather than report work they did not do.
    unsigned char aby[4] = {1, 2, 3, 4};
    uint32_t nCount = 99;
    EXPECT_FALSE(clFile.bWrite(aby, sizeof(aby), &nCount));
    EXPECT_EQ(nCount, 0u);
    nCount = 99;
    EXPECT_FALSE(clFile.bRead(0, aby, sizeof(aby), &nCount));
    EXPECT_EQ(nCount, 0u);
    EXPECT_FALSE(clFile.bSeek(0, IXStream::eSeekBegin));
    EXPECT_EQ(clFile.oGetSize(), -1);
    EXPECT_EQ(clFile.oGetOffset(), -1);
    EXPECT_FALSE(clFile.bWriteString("x"));
    EXPECT_FALSE(clFile.bWriteLine(L"x"));
    EXPECT_FALSE(clFile.bReopen(IXStream::eAccessRead, IXStream::eShareNone, IXStream::eCreateOpenExisting,
                                IXStream::eFlagNone));
    CXFile clOther;
    EXPECT_FALSE(clFile.bExtract(&clOther, -1));
}

// ---- writing and reading through the facade

TEST(XFileWriteTest, WriteLineWritesWideCharactersAndCRLF) {
    struct Case {
        const wchar_t* pszText;
        std::vector<wchar_t> aExpected;
    };
    const Case aCases[] = {
        {L"ab", {L'a', L'b', L'\r', L'\n'}},
        {L"", {L'\r', L'\n'}},
        {nullptr, {L'\r', L'\n'}},
    };
    for (const Case& stCase : aCases) {
        CFileTestStream* pclStream = new CFileTestStream();
        CXFile clFile(pclStream);
        EXPECT_TRUE(clFile.bWriteLine(stCase.pszText));
        ASSERT_EQ(pclStream->m_abyData.size(), stCase.aExpected.size() * 4);
        EXPECT_EQ(memcmp(pclStream->m_abyData.data(), stCase.aExpected.data(), pclStream->m_abyData.size()), 0);
    }
}

TEST(XFileWriteTest, WriteLineStopsAfterAFailedWrite) {
    CFileTestStream* pclStream = new CFileTestStream();
    pclStream->m_bFailWrite = true;
    CXFile clFile(pclStream);
    EXPECT_FALSE(clFile.bWriteLine(L"ab"));
    EXPECT_TRUE(pclStream->m_anWrites.empty());
}

// A facade that sees every formatted write go through its own bWriteStringList.
class CCountingFile : public CXFile {
public:
    using CXFile::CXFile;
    int m_nListA = 0;
    int m_nListW = 0;
    int bWriteStringList(const char* pszFormat, va_list arguments) override {
        ++m_nListA;
        return CXFile::bWriteStringList(pszFormat, arguments);
    }
    int bWriteStringList(const wchar_t* pszFormat, va_list arguments) override {
        ++m_nListW;
        return CXFile::bWriteStringList(pszFormat, arguments);
    }
};

TEST(XFileWriteTest, WriteStringGoesThroughTheFacadesOwnList) {
    CFileTestStream* pclStream = new CFileTestStream();
    CCountingFile clFile(pclStream);
    EXPECT_TRUE(clFile.bWriteString("n=%d;", 42));
    EXPECT_TRUE(clFile.bWriteString(L"%s", L"\u00e9"));
    EXPECT_EQ(clFile.m_nListA, 1);
    EXPECT_EQ(clFile.m_nListW, 1);
    // The 8-bit text as bytes, the wide text as 4-byte characters.
    std::vector<unsigned char> aExpected = {'n', '=', '4', '2', ';'};
    wchar_t cWide = L'\u00e9';
    const unsigned char* pby = reinterpret_cast<const unsigned char*>(&cWide);
    aExpected.insert(aExpected.end(), pby, pby + sizeof(cWide));
    EXPECT_EQ(pclStream->m_abyData, aExpected);
}

TEST(XFileReadTest, ReadLineUnicodeEndsLinesAtALoneCR) {
    const wchar_t szText[] = L"a\rb\r\n";
    std::vector<unsigned char> aby(reinterpret_cast<const unsigned char*>(szText),
                                   reinterpret_cast<const unsigned char*>(szText) + wcslen(szText) * 4);
    CXFile clFile(new CFileTestStream(aby));
    wchar_t szLine[16];
    int bTruncated = -1;
    ASSERT_TRUE(clFile.bReadLineUNICODE(szLine, 16, &bTruncated));
    EXPECT_STREQ(szLine, L"a");
    EXPECT_EQ(bTruncated, 0);
    ASSERT_TRUE(clFile.bReadLineUNICODE(szLine, 16, &bTruncated));
    EXPECT_STREQ(szLine, L"b");
    EXPECT_FALSE(clFile.bReadLineUNICODE(szLine, 16, &bTruncated));
}

// ---- bExtract

TEST(XFileExtractTest, CopiesInChunksAndLeavesTheRestUnread) {
    struct Case {
        const char* pszName;
        size_t nFileSize;
        int64_t oStart;  // position of the source before the copy
        int64_t oSize;   // size asked
        size_t nCopied;  // bytes that reach the destination
        std::vector<uint32_t> anWrites;
    };
    const Case aCases[] = {
        {"rest of a large file", 100000, 10, -1, 99990, {65536, 34454}},
        {"more than is left", 50, 10, 100, 40, {40}},
        {"part of a chunk", 200000, 0, 70000, 70000, {65536, 4464}},
        {"exactly one chunk", 65536, 0, -1, 65536, {65536}},
        {"nothing asked", 100, 5, 0, 0, {}},
        {"nothing left", 100, 100, -1, 0, {}},
    };
    for (const Case& stCase : aCases) {
        SCOPED_TRACE(stCase.pszName);
        std::vector<unsigned char> abySource = Pattern(stCase.nFileSize);
        CFileTestStream* pclSource = new CFileTestStream(abySource);
        CFileTestStream* pclDestination = new CFileTestStream();
        CXFile clSource(pclSource);
        CXFile clDestination(pclDestination);
        ASSERT_TRUE(clSource.bSeek(stCase.oStart, IXStream::eSeekBegin));

        EXPECT_TRUE(clSource.bExtract(&clDestination, stCase.oSize));
        EXPECT_EQ(pclDestination->m_anWrites, stCase.anWrites);
        ASSERT_EQ(pclDestination->m_abyData.size(), stCase.nCopied);
        EXPECT_TRUE(std::equal(pclDestination->m_abyData.begin(), pclDestination->m_abyData.end(),
                               abySource.begin() + stCase.oStart));
        // What was read past the size asked is given back to the source.
        EXPECT_EQ(clSource.oGetOffset(), stCase.oStart + static_cast<int64_t>(stCase.nCopied));
    }
}

TEST(XFileExtractTest, AFailedReadOrWriteFails) {
    struct Case {
        bool bFailRead;
        bool bFailWrite;
    };
    for (const Case& stCase : {Case{true, false}, Case{false, true}}) {
        CFileTestStream* pclSource = new CFileTestStream(Pattern(1000));
        CFileTestStream* pclDestination = new CFileTestStream();
        pclSource->m_bFailRead = stCase.bFailRead;
        pclDestination->m_bFailWrite = stCase.bFailWrite;
        CXFile clSource(pclSource);
        CXFile clDestination(pclDestination);
        EXPECT_FALSE(clSource.bExtract(&clDestination, -1));
        EXPECT_FALSE(clSource.bExtract(nullptr, 10));
    }
}

// ---- the default disk file

TEST_F(XFileDiskTest, DefaultDiskFileRoundTrip) {
    std::wstring sName = Path("facade.dat");
    CXFile clFile;
    int bCreated = 0;
    ASSERT_TRUE(clFile.bOpen(sName.c_str(), IXStream::eAccessReadWrite, IXStream::eShareNone, IXStream::eCreateAlways,
                             IXStream::eFlagNone, &bCreated));
    EXPECT_EQ(bCreated, 1);
    EXPECT_EQ(clFile.piGetStream(), nullptr);
    EXPECT_NE(clFile.pclGetXError(), nullptr);
    EXPECT_EQ(std::wstring(clFile.pszGetName()), sName);

    const char szData[] = "0123456789";
    ASSERT_TRUE(clFile.bWrite(szData, 10, nullptr));
    EXPECT_EQ(clFile.oGetSize(), 10);
    char szRead[5] = {};
    uint32_t nRead = 0;
    ASSERT_TRUE(clFile.bRead(3, szRead, 4, &nRead));
    EXPECT_EQ(nRead, 4u);
    EXPECT_STREQ(szRead, "3456");

    // Copy the rest into a second file through its own facade.
    std::wstring sCopy = Path("copy.dat");
    CXFile clCopy;
    ASSERT_TRUE(clCopy.bOpen(sCopy.c_str(), IXStream::eAccessReadWrite, IXStream::eShareNone, IXStream::eCreateAlways,
                             IXStream::eFlagNone, nullptr));
    ASSERT_TRUE(clFile.bExtract(&clCopy, -1));
    EXPECT_EQ(clCopy.oGetSize(), 3);

    clFile.Close();
    EXPECT_FALSE(clFile.bIsOpen());
    ASSERT_TRUE(clFile.bReopen(IXStream::eAccessRead, IXStream::eShareNone, IXStream::eCreateOpenExisting,
                               IXStream::eFlagNone));
    EXPECT_EQ(clFile.oGetSize(), 10);
}

TEST_F(XFileDiskTest, FailedOpenIsDescribedOnTheStreamsError) {
    std::wstring sName = Path("missing.dat");
    CXFile clFile;
    EXPECT_FALSE(clFile.bOpen(sName.c_str(), IXStream::eAccessRead, IXStream::eShareNone, IXStream::eCreateOpenExisting,
                              IXStream::eFlagNone, nullptr));
    ASSERT_NE(clFile.pclGetXError(), nullptr);
    EXPECT_EQ(clFile.pclGetXError()->nGetErrorId(0), 28139u);
}
