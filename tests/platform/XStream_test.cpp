// The stream interface: its slot order, default answers, reference counting with the error object,
// and what it builds on a stream's plain operations (positioned I/O, formatted output, line reader),
// exercised through an in-memory stream that implements only the primitives.
#include "platform/XStream.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/XError.h"
#include "platform/DiskFile.h"
#include "tests/core/VirtualSlot.h"

namespace {

// A stream over a byte vector: the plain read, write and seek, with call counters.
class CMemoryStream : public IXStream {
public:
    explicit CMemoryStream(std::string sData = std::string(), int* pnDestroyed = nullptr)
        : m_abyData(sData.begin(), sData.end()), m_pnDestroyed(pnDestroyed) {}
    ~CMemoryStream() override {
        if (m_pnDestroyed != nullptr) ++*m_pnDestroyed;
    }

    using IXStream::bRead;
    using IXStream::bWrite;
    void Close() override {}
    eACCESS veGetAccess() const override { return eAccessReadWrite; }
    int bRead(void* pBuffer, uint32_t nSize, uint32_t* pnRead) override {
        m_nReads++;
        size_t nLeft = m_oPosition < static_cast<int64_t>(m_abyData.size()) ? m_abyData.size() - m_oPosition : 0;
        size_t n = nSize < nLeft ? nSize : nLeft;
        if (n != 0) memcpy(pBuffer, m_abyData.data() + m_oPosition, n);
        m_oPosition += static_cast<int64_t>(n);
        if (pnRead != nullptr) *pnRead = static_cast<uint32_t>(n);
        return pnRead != nullptr || n == nSize;
    }
    int bWrite(const void* pData, uint32_t nSize, uint32_t* pnWritten) override {
        m_nWrites++;
        if (m_abyData.size() < size_t(m_oPosition) + nSize) m_abyData.resize(size_t(m_oPosition) + nSize);
        if (nSize != 0) memcpy(m_abyData.data() + m_oPosition, pData, nSize);
        m_oPosition += nSize;
        if (pnWritten != nullptr) *pnWritten = nSize;
        return 1;
    }
    int bSeek(int64_t oOffset, eSEEK eSeek) override {
        m_nSeeks++;
        if (m_bFailSeek) return 0;
        int64_t oBase = eSeek == eSeekBegin ? 0 : eSeek == eSeekCurrent ? m_oPosition : int64_t(m_abyData.size());
        if (oBase + oOffset < 0) return 0;
        m_oPosition = oBase + oOffset;
        return 1;
    }
    int64_t oGetOffset() override { return m_oPosition; }

    std::vector<unsigned char> m_abyData;
    int64_t m_oPosition = 0;
    int m_nReads = 0, m_nWrites = 0, m_nSeeks = 0;
    bool m_bFailSeek = false;
    int* m_pnDestroyed;
};

// Only what every stream must implement: everything else is the interface's default.
class CBareStream : public IXStream {
public:
    void Close() override {}
    eACCESS veGetAccess() const override { return eAccessRead; }
};

std::string sWide(const std::wstring& s) {
    return std::string(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(wchar_t));
}

// ---------------------------------------------------------------------------------------------------------------

TEST(XStreamTest, SlotOrderIsFixed) {
    using S = IXStream;
    struct Case {
        const char* pszName;
        ptrdiff_t nSlot;
        ptrdiff_t nExpected;
    };
    const Case aCases[] = {
        {"dwRelease", SlotOf(&S::dwRelease), 2},
        {"bOpen", SlotOf(&S::bOpen), 3},
        {"Close", SlotOf(&S::Close), 4},
        {"bReopen", SlotOf(&S::bReopen), 5},
        {"bWrite at", SlotOf(static_cast<int (S::*)(int64_t, const void*, uint32_t, uint32_t*)>(&S::bWrite)), 6},
        {"bRead at", SlotOf(static_cast<int (S::*)(int64_t, void*, uint32_t, uint32_t*)>(&S::bRead)), 7},
        {"bWrite", SlotOf(static_cast<int (S::*)(const void*, uint32_t, uint32_t*)>(&S::bWrite)), 8},
        {"bRead", SlotOf(static_cast<int (S::*)(void*, uint32_t, uint32_t*)>(&S::bRead)), 9},
        {"bSeek", SlotOf(&S::bSeek), 10},
        {"oGetSize", SlotOf(&S::oGetSize), 11},
        {"oGetSizeFast", SlotOf(&S::oGetSizeFast), 12},
        {"bFlush", SlotOf(&S::bFlush), 13},
        {"bSetSize", SlotOf(&S::bSetSize), 14},
        {"bIncreaseSize", SlotOf(&S::bIncreaseSize), 15},
        {"bWriteString A", SlotOf(static_cast<int (S::*)(const char*, ...)>(&S::bWriteString)), 16},
        {"bWriteStringList A", SlotOf(static_cast<int (S::*)(const char*, va_list)>(&S::bWriteStringList)), 17},
        {"bWriteString W", SlotOf(static_cast<int (S::*)(const wchar_t*, ...)>(&S::bWriteString)), 18},
        {"bWriteStringList W", SlotOf(static_cast<int (S::*)(const wchar_t*, va_list)>(&S::bWriteStringList)), 19},
        {"bReadLine A", SlotOf(static_cast<int (S::*)(char*, uint32_t, int*, uint32_t)>(&S::bReadLine)), 20},
        {"bReadLine W", SlotOf(static_cast<int (S::*)(wchar_t*, uint32_t, int*, uint32_t)>(&S::bReadLine)), 21},
        {"bExtract", SlotOf(&S::bExtract), 22},
        {"bLockFile", SlotOf(&S::bLockFile), 23},
        {"bUnlockFile", SlotOf(&S::bUnlockFile), 24},
        {"bLock", SlotOf(&S::bLock), 25},
        {"bUnlock", SlotOf(&S::bUnlock), 26},
        {"pszGetName", SlotOf(&S::pszGetName), 27},
        {"oGetOffset", SlotOf(&S::oGetOffset), 28},
        {"bIsOpen", SlotOf(&S::bIsOpen), 29},
        {"pclGetXError", SlotOf(&S::pclGetXError), 30},
        {"_pclGetXError", SlotOf(&S::_pclGetXError), 31},
        {"vbSetNameForError", SlotOf(&S::vbSetNameForError), 32},
        {"veGetAccess", SlotOf(&S::veGetAccess), 33},
        {"bGetVFSFileName", SlotOf(&S::bGetVFSFileName), 34},
        {"bLockFileEx", SlotOf(&S::bLockFileEx), 35},
        {"pszReadLine", SlotOf(&S::pszReadLine), 36},
        {"bExtendFile", SlotOf(&S::bExtendFile), 37},
        {"m565", SlotOf(&S::m565EmptyMethodXStream), 38},
        {"m578", SlotOf(&S::m578EmptyMethodXStream), 51},
        // The disk file's own slots follow the interface's.
        {"CDiskFile bExtract to name",
         SlotOf(static_cast<int (CDiskFile::*)(const wchar_t*, int64_t, int64_t)>(&CDiskFile::bExtract)), 52},
        {"CDiskFile bExtractFromFile", SlotOf(&CDiskFile::bExtractFromFile), 53},
        {"CDiskFile bOpenW", SlotOf(&CDiskFile::bOpenW), 54},
        {"CDiskFile bExtractW", SlotOf(&CDiskFile::bExtractW), 55},
        {"CDiskFile bExtractFromFileW", SlotOf(&CDiskFile::bExtractFromFileW), 56},
        {"CDiskFile vbSetNameForErrorW", SlotOf(&CDiskFile::vbSetNameForErrorW), 57},
        {"CDiskFile pwszGetName", SlotOf(&CDiskFile::pwszGetName), 58},
        {"CDiskFile vbIsUNICODEFileName", SlotOf(&CDiskFile::vbIsUNICODEFileName), 59},
        {"CDiskFile m866", SlotOf(&CDiskFile::m866EmptyMethodXStream), 60},
        {"CDiskFile m873", SlotOf(&CDiskFile::m873EmptyMethodXStream), 67},
        // Overriding keeps the interface's slot.
        {"CDiskFile bReadLine W inherited",
         SlotOf(static_cast<int (CDiskFile::*)(wchar_t*, uint32_t, int*, uint32_t)>(&CDiskFile::bReadLine)), 21},
        {"CDiskFile bExtendFile", SlotOf(&CDiskFile::bExtendFile), 37},
    };
    for (const Case& c : aCases) EXPECT_EQ(c.nSlot, c.nExpected) << c.pszName;
}

TEST(XStreamTest, DefaultAnswers) {
    CBareStream cl;
    wchar_t szBuffer[8] = L"x";
    unsigned char aby[4] = {};
    uint32_t n = 77;
    EXPECT_EQ(cl.bOpen(L"name", IXStream::eAccessRead, IXStream::eShareNone, IXStream::eCreateOpenExisting,
                       IXStream::eFlagNone, nullptr),
              1);
    EXPECT_EQ(
        cl.bReopen(IXStream::eAccessRead, IXStream::eShareNone, IXStream::eCreateOpenExisting, IXStream::eFlagNone), 1);
    EXPECT_EQ(cl.bWrite(aby, 4, &n), 1);
    EXPECT_EQ(cl.bRead(aby, 4, &n), 1);
    EXPECT_EQ(cl.bSeek(10, IXStream::eSeekBegin), 1);
    EXPECT_EQ(cl.oGetSize(), 0);
    EXPECT_EQ(cl.oGetSizeFast(), 0);
    EXPECT_EQ(cl.bFlush(), 1);
    EXPECT_EQ(cl.bSetSize(5, IXStream::eGrowFromStart), 1);
    EXPECT_EQ(cl.bIncreaseSize(5), 1);
    EXPECT_EQ(cl.bExtract(nullptr, 5), 1);
    EXPECT_EQ(cl.bLockFile(0, 1), 1);
    EXPECT_EQ(cl.bUnlockFile(0, 1), 1);
    EXPECT_EQ(cl.bLock(0, 1), 1);
    EXPECT_EQ(cl.bUnlock(0, 1), 1);
    EXPECT_EQ(cl.pszGetName(), nullptr);
    EXPECT_EQ(cl.oGetOffset(), -1);
    EXPECT_EQ(cl.bIsOpen(), 1);
    EXPECT_NE(cl.pclGetXError(), nullptr);
    EXPECT_EQ(cl.pclGetXError(), cl._pclGetXError());
    EXPECT_EQ(cl.vbSetNameForError(L"n"), 1);
    EXPECT_EQ(cl.bGetVFSFileName(szBuffer), 0);
    EXPECT_EQ(cl.bLockFileEx(1, 1), 1);
    EXPECT_EQ(cl.pszReadLine(szBuffer, 8, nullptr, nullptr), nullptr);
    EXPECT_EQ(cl.bExtendFile(5), 1);
    cl.m565EmptyMethodXStream();
}

TEST(XStreamTest, ReleaseDestroysAtZeroAndGivesBackTheErrorReference) {
    int nDestroyed = 0;
    CMemoryStream* pcl = new CMemoryStream("", &nDestroyed);
    EXPECT_EQ(pcl->dwGetRef(), 0u);
    CXError* pclError = pcl->pclGetXError();
    ASSERT_NE(pclError, nullptr);
    EXPECT_EQ(pclError->dwGetRef(), 1u);
    EXPECT_EQ(pclError->nGetModuleNumber(), 39u);
    pclError->AddRef();  // keep the error alive past the stream to see its reference given back

    pcl->AddRef();
    pcl->AddRef();
    EXPECT_EQ(pcl->dwRelease(), 1u);
    EXPECT_EQ(nDestroyed, 0);
    EXPECT_EQ(pcl->dwRelease(), 0u);
    EXPECT_EQ(nDestroyed, 1);
    EXPECT_EQ(pclError->dwGetRef(), 1u);
    EXPECT_EQ(pclError->dwRelease(), 0u);
}

TEST(XStreamTest, PositionedIoSeeksOnlyWhenNeededAndStopsOnAFailedSeek) {
    CMemoryStream cl("0123456789");
    char sz[4] = {};
    uint32_t n = 0;
    ASSERT_EQ(cl.bRead(int64_t(0), sz, 3, &n), 1);
    EXPECT_EQ(std::string(sz, 3), "012");
    EXPECT_EQ(cl.m_nSeeks, 0);  // already there
    ASSERT_EQ(cl.bRead(int64_t(6), sz, 3, &n), 1);
    EXPECT_EQ(std::string(sz, 3), "678");
    EXPECT_EQ(cl.m_nSeeks, 1);
    ASSERT_EQ(cl.bWrite(int64_t(1), "ab", 2, &n), 1);
    EXPECT_EQ(std::string(cl.m_abyData.begin(), cl.m_abyData.end()), "0ab3456789");

    cl.m_bFailSeek = true;
    int nReads = cl.m_nReads, nWrites = cl.m_nWrites;
    EXPECT_EQ(cl.bRead(int64_t(0), sz, 3, &n), 0);
    EXPECT_EQ(cl.bWrite(int64_t(0), "zz", 2, &n), 0);
    EXPECT_EQ(cl.m_nReads, nReads);
    EXPECT_EQ(cl.m_nWrites, nWrites);
}

TEST(XStreamTest, FormattedOutput) {
    CMemoryStream cl;
    EXPECT_EQ(cl.bWriteString("%d-%s", 42, "x"), 1);
    EXPECT_EQ(std::string(cl.m_abyData.begin(), cl.m_abyData.end()), "42-x");

    // Wide text goes out as 4-byte characters; "%s" takes wide text and "%S" 8-bit text.
    CMemoryStream clWide;
    EXPECT_EQ(clWide.bWriteString(L"%s|%S", L"ab", "c"), 1);
    EXPECT_EQ(std::string(clWide.m_abyData.begin(), clWide.m_abyData.end()), sWide(L"ab|c"));

    // Text longer than 1,024 characters is cut there.
    std::string sLong(1500, 'q');
    CMemoryStream clLong;
    EXPECT_EQ(clLong.bWriteString("%s", sLong.c_str()), 1);
    EXPECT_EQ(clLong.m_abyData.size(), 1024u);
    std::wstring sLongW(1500, L'q');
    CMemoryStream clLongW;
    EXPECT_EQ(clLongW.bWriteString(L"%s", sLongW.c_str()), 1);
    EXPECT_EQ(clLongW.m_abyData.size(), 1024u * sizeof(wchar_t));
}

// ---------------------------------------------------------------------------------------------------------------
// Line reader: each case gives the data, the mode and buffer size, and the calls' results in turn.

struct LineCase {
    const char* pszName;
    std::string sData;
    uint32_t dwFlags;
    uint32_t nSize;
    std::vector<std::string> asLines;  // the lines returned TRUE, in order; then the call answers FALSE
    std::vector<int> abTruncated;      // truncated flag per line (empty: all 0)
};

std::vector<LineCase> LineCases() {
    std::string s80(80, 'a');
    std::string s79(79, 'b');
    std::string s200;
    for (int i = 0; i < 200; i++) s200 += char('0' + i % 10);
    return {
        {"CR LF", "ab\r\ncd", 0, 100, {"ab", "cd"}, {}},
        {"lone CR then LF", "ab\rcd\n", 0, 100, {"ab", "cd"}, {}},
        {"CR wins over an earlier LF", "ab\ncd\rx", 0, 100, {"ab\ncd", "x"}, {}},
        {"final CR", "xy\r", 0, 100, {"xy"}, {}},
        {"empty lines", "\r\n\r\nz", 0, 100, {"", "", "z"}, {}},
        {"LF only", "a\nb\n", 0, 100, {"a", "b"}, {}},
        {"CR as 80th character, LF after", s79 + "\r\nnext", 0, 200, {s79, "next"}, {}},
        {"CR LF mode keeps lone CR", "a\rb\r\nc", IXStream::XREADLINE_CRLF, 100, {"a\rb", "c"}, {}},
        {"CR LF mode, pair across chunks", s79 + "\r\nz", IXStream::XREADLINE_CRLF, 200, {s79, "z"}, {}},
        {"CR LF mode, lone LF is text", "a\nb", IXStream::XREADLINE_CRLF, 100, {"a\nb"}, {}},
        // A lone CR ends a chunk: the character read after it to look for LF belongs to the next chunk,
        // where it may be the CR of a pair.
        {"CR LF mode, lone CR then a pair", s79 + "\r\r\nz", IXStream::XREADLINE_CRLF, 200, {s79 + "\r", "z"}, {}},
        {"CR LF mode, lone CR ending a chunk", s79 + "\rxy", IXStream::XREADLINE_CRLF, 200, {s79 + "\rxy"}, {}},
        {"CR LF mode, data ending in a lone CR", s79 + "\r", IXStream::XREADLINE_CRLF, 200, {s79 + "\r"}, {}},
        {"line longer than the buffer", s200 + "\r\n", 0, 101, {s200.substr(0, 100), s200.substr(100)}, {1, 0}},
        // A last line that fills whole chunks is still a line.
        {"last line of exactly 80", s80, 0, 200, {s80}, {}},
        {"last line of 160", s80 + s80, 0, 200, {s80 + s80}, {}},
        {"empty data", "", 0, 100, {}, {}},
    };
}

template <typename T>
void CheckLineCases() {
    for (const LineCase& c : LineCases()) {
        std::basic_string<T> sData(c.sData.begin(), c.sData.end());
        CMemoryStream cl(std::string(reinterpret_cast<const char*>(sData.data()), sData.size() * sizeof(T)));
        std::vector<T> aBuffer(c.nSize + 1, T('#'));
        for (size_t i = 0; i < c.asLines.size(); i++) {
            int bTruncated = -1;
            ASSERT_EQ(cl.bReadLine(aBuffer.data(), c.nSize, &bTruncated, c.dwFlags), 1) << c.pszName << " line " << i;
            std::basic_string<T> sLine(c.asLines[i].begin(), c.asLines[i].end());
            EXPECT_EQ(std::basic_string<T>(aBuffer.data()), sLine) << c.pszName << " line " << i;
            EXPECT_EQ(bTruncated, c.abTruncated.empty() ? 0 : c.abTruncated[i]) << c.pszName << " line " << i;
        }
        int bTruncated = -1;
        EXPECT_EQ(cl.bReadLine(aBuffer.data(), c.nSize, &bTruncated, c.dwFlags), 0) << c.pszName << " at the end";
        EXPECT_EQ(aBuffer[0], T(0)) << c.pszName;
    }
}

TEST(XStreamTest, ReadLineNarrow) {
    CheckLineCases<char>();
}

TEST(XStreamTest, ReadLineWide) {
    CheckLineCases<wchar_t>();
}

TEST(XStreamTest, ReadLineFailuresAndTinyBuffer) {
    // A seek that can't give back what was read past the line end fails the call.
    CMemoryStream cl("ab\r\ncd");
    cl.m_bFailSeek = true;
    char sz[16];
    int bTruncated = 0;
    EXPECT_EQ(cl.bReadLine(sz, sizeof(sz), &bTruncated, 0), 0);
    // A buffer of one character holds only the terminator: every call is truncated and moves nothing.
    CMemoryStream clTiny("ab\n");
    EXPECT_EQ(clTiny.bReadLine(sz, 1, &bTruncated, 0), 1);
    EXPECT_EQ(bTruncated, 1);
    EXPECT_EQ(sz[0], 0);
    EXPECT_EQ(clTiny.m_oPosition, 0);
    // No room at all: nothing is read or written.
    EXPECT_EQ(clTiny.bReadLine(sz, 0, &bTruncated, 0), 0);
    EXPECT_EQ(clTiny.m_oPosition, 0);
}

}  // namespace
