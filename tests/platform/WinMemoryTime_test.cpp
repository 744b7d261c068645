// Memory, time and system information of the Windows emulation: heap blocks and their size prefix,
// global blocks, the FILETIME/SYSTEMTIME conversions in UTC and across a daylight-saving zone, file
// times by descriptor and by name, the meminfo reader on both file layouts, version information,
// time-based identifiers, rectangles, MulDiv and the code page 1252 alphanumeric table.
#include "platform/WinMemoryTime.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <utility>

#include "tests/host/TempDir.h"

namespace {

// Sets TZ for one test and puts the previous value back.
class CScopedTZ {
public:
    explicit CScopedTZ(const char* pszZone) {
        const char* psz = getenv("TZ");
        m_bHad = psz != nullptr;
        if (m_bHad) m_sOld = psz;
        setenv("TZ", pszZone, 1);
        tzset();
    }
    ~CScopedTZ() {
        if (m_bHad)
            setenv("TZ", m_sOld.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

private:
    bool m_bHad;
    std::string m_sOld;
};

SYSTEMTIME stMake(int y, int mo, int d, int h, int mi, int s, int ms = 0) {
    SYSTEMTIME st{};
    st.wYear = static_cast<uint16_t>(y);
    st.wMonth = static_cast<uint16_t>(mo);
    st.wDay = static_cast<uint16_t>(d);
    st.wHour = static_cast<uint16_t>(h);
    st.wMinute = static_cast<uint16_t>(mi);
    st.wSecond = static_cast<uint16_t>(s);
    st.wMilliseconds = static_cast<uint16_t>(ms);
    return st;
}

FILETIME ftMake(uint64_t n) {
    FILETIME ft;
    U64ToFileTime(n, &ft);
    return ft;
}

std::string sFields(const SYSTEMTIME& st) {
    char sz[64];
    snprintf(sz, sizeof(sz), "%04u-%02u-%02u %02u:%02u:%02u.%03u dow%u", st.wYear, st.wMonth, st.wDay, st.wHour,
             st.wMinute, st.wSecond, st.wMilliseconds, st.wDayOfWeek);
    return sz;
}

// ---- Memory ----

TEST(WinMemory, HeapBlockCarriesItsSizeAndClearsOnRequest) {
    void* h = GetProcessHeap();
    unsigned char* p = static_cast<unsigned char*>(HeapAlloc(h, HEAP_ZERO_MEMORY, 10));
    ASSERT_NE(p, nullptr);
    uint32_t nPrefix;
    memcpy(&nPrefix, p - 4, 4);
    EXPECT_EQ(nPrefix, 10u);
    EXPECT_EQ(HeapSize(h, 0, p), 10u);
    for (int i = 0; i < 10; i++) EXPECT_EQ(p[i], 0) << i;
    // Callers store doubles and pointers in these blocks.
    EXPECT_EQ(reinterpret_cast<uintptr_t>(p) % alignof(std::max_align_t), 0u);

    memset(p, 0xAB, 10);
    p = static_cast<unsigned char*>(HeapReAlloc(h, HEAP_ZERO_MEMORY, p, 20));
    ASSERT_NE(p, nullptr);
    memcpy(&nPrefix, p - 4, 4);
    EXPECT_EQ(nPrefix, 20u);
    for (int i = 0; i < 10; i++) EXPECT_EQ(p[i], 0xAB) << i;
    for (int i = 10; i < 20; i++) EXPECT_EQ(p[i], 0) << i;

    // Shrinking keeps the first bytes and records the new size.
    p = static_cast<unsigned char*>(HeapReAlloc(h, 0, p, 4));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(HeapSize(h, 0, p), 4u);
    EXPECT_EQ(p[3], 0xAB);
    EXPECT_EQ(HeapFree(h, 0, p), 1);
    EXPECT_EQ(HeapFree(h, 0, nullptr), 1);
}

TEST(WinMemory, HeapFailureThrowsOnlyWhenAsked) {
    void* h = GetProcessHeap();
    const size_t nTooLarge = static_cast<size_t>(UINT32_MAX) + 1;  // beyond the 32-bit size prefix
    EXPECT_EQ(HeapAlloc(h, 0, nTooLarge), nullptr);
    try {
        HeapAlloc(h, HEAP_GENERATE_EXCEPTIONS, nTooLarge);
        ADD_FAILURE() << "no exception";
    } catch (unsigned int n) {
        EXPECT_EQ(n, 0xC0000017u);
    }

    // A refused resize leaves the old block as it was.
    char* p = static_cast<char*>(HeapAlloc(h, 0, 3));
    ASSERT_NE(p, nullptr);
    memcpy(p, "abc", 3);
    EXPECT_EQ(HeapReAlloc(h, 0, p, nTooLarge), nullptr);
    EXPECT_THROW(HeapReAlloc(h, HEAP_GENERATE_EXCEPTIONS, p, nTooLarge), unsigned int);
    EXPECT_EQ(memcmp(p, "abc", 3), 0);
    EXPECT_EQ(HeapSize(h, 0, p), 3u);
    HeapFree(h, 0, p);
}

TEST(WinMemory, GlobalBlocks) {
    unsigned char* p = static_cast<unsigned char*>(GlobalAlloc(GMEM_ZEROINIT, 8));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 8; i++) EXPECT_EQ(p[i], 0);
    memset(p, 0x11, 8);
    EXPECT_EQ(GlobalReAlloc(p, 100, GMEM_MODIFY), p);  // untouched, not resized
    EXPECT_EQ(p[7], 0x11);
    EXPECT_EQ(GlobalLock(p), p);
    EXPECT_EQ(GlobalUnlock(p), 1);
    p = static_cast<unsigned char*>(GlobalReAlloc(p, 16, GMEM_ZEROINIT));
    ASSERT_NE(p, nullptr);
    for (int i = 0; i < 16; i++) EXPECT_EQ(p[i], 0) << i;  // the whole new block
    p = static_cast<unsigned char*>(GlobalReAlloc(p, 32, 0));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(GlobalFree(p), nullptr);
    EXPECT_EQ(GlobalFree(nullptr), nullptr);
    char sz[4] = "xyz";
    ZeroMemory(sz, 2);
    EXPECT_EQ(sz[0], 0);
    EXPECT_EQ(sz[1], 0);
    EXPECT_EQ(sz[2], 'z');
}

// ---- Time ----

TEST(WinTime, SystemTimeAndFileTimeInUTC) {
    struct Case {
        SYSTEMTIME st;
        uint64_t nFileTime;
        uint16_t wDayOfWeek;
    };
    const Case tabCases[] = {
        {stMake(1970, 1, 1, 0, 0, 0), 116444736000000000ull, 4},
        {stMake(1601, 1, 1, 0, 0, 0), 0ull, 1},
        {stMake(1969, 12, 31, 23, 59, 59), 116444735990000000ull, 3},  // timegm answers -1 here
        {stMake(2000, 2, 29, 12, 0, 0), 125962992000000000ull, 2},
        {stMake(2038, 1, 19, 3, 14, 8), 137919572480000000ull, 2},  // past 31 bits of seconds
    };
    for (const Case& c : tabCases) {
        FILETIME ft{1, 2};
        ASSERT_EQ(SystemTimeToFileTime(&c.st, &ft), 1) << sFields(c.st);
        EXPECT_EQ(nFileTimeToU64(ft), c.nFileTime) << sFields(c.st);
        SYSTEMTIME stBack;
        memset(&stBack, 0xFF, sizeof(stBack));
        ASSERT_EQ(FileTimeToSystemTime(&ft, &stBack), 1);
        SYSTEMTIME stExpected = c.st;
        stExpected.wDayOfWeek = c.wDayOfWeek;
        EXPECT_EQ(sFields(stBack), sFields(stExpected));
    }

    // Milliseconds and the day of week of the input are not looked at; the trip through FILETIME
    // keeps whole seconds only.
    SYSTEMTIME st = stMake(2024, 2, 29, 13, 45, 0, 120);
    st.wDayOfWeek = 6;
    FILETIME ft;
    ASSERT_EQ(SystemTimeToFileTime(&st, &ft), 1);
    EXPECT_EQ(nFileTimeToU64(ft) % KX_FILETIME_PER_SECOND, 0u);
    U64ToFileTime(nFileTimeToU64(ft) + 9999999, &ft);  // 0.9999999 s more
    SYSTEMTIME stBack;
    ASSERT_EQ(FileTimeToSystemTime(&ft, &stBack), 1);
    EXPECT_EQ(sFields(stBack), "2024-02-29 13:45:00.000 dow4");
}

TEST(WinTime, InstantsAFileTimeCannotHoldAreRefused) {
    // Before 1601 there is no FILETIME; the target is left as it was.
    const SYSTEMTIME st = stMake(1600, 12, 31, 23, 59, 59);
    FILETIME ft{7, 7};
    EXPECT_EQ(SystemTimeToFileTime(&st, &ft), 0);
    EXPECT_EQ(ft.dwLowDateTime, 7u);
    EXPECT_EQ(ft.dwHighDateTime, 7u);
    EXPECT_EQ(SystemTimeToFileTime(nullptr, &ft), 0);
    // The largest FILETIME lies beyond the years a SYSTEMTIME holds.
    const FILETIME ftMax = ftMake(UINT64_MAX);
    SYSTEMTIME stOut = stMake(1, 1, 1, 1, 1, 1);
    EXPECT_EQ(FileTimeToSystemTime(&ftMax, &stOut), 1);  // year 60056 still fits 16 bits
    EXPECT_GT(stOut.wYear, 30000);
}

TEST(WinTime, LocalAndUTCAcrossDaylightSaving) {
    CScopedTZ tz("Europe/Paris");
    struct Case {
        SYSTEMTIME stUTC;
        SYSTEMTIME stLocal;
    };
    const Case tabCases[] = {
        {stMake(2010, 6, 15, 11, 45, 31), stMake(2010, 6, 15, 13, 45, 31)},  // summer: +2
        {stMake(2010, 1, 15, 9, 0, 0), stMake(2010, 1, 15, 10, 0, 0)},       // winter: +1
        {stMake(2010, 12, 31, 23, 30, 0), stMake(2011, 1, 1, 0, 30, 0)},     // across the year
        {stMake(2010, 3, 28, 0, 59, 59), stMake(2010, 3, 28, 1, 59, 59)},    // last second of winter time
        {stMake(2010, 3, 28, 1, 0, 0), stMake(2010, 3, 28, 3, 0, 0)},        // first of summer time
    };
    for (const Case& c : tabCases) {
        SYSTEMTIME stUTC = c.stUTC;
        stUTC.wMilliseconds = 500;
        SYSTEMTIME stLocal;
        ASSERT_EQ(bUTCVersLocal(&stUTC, &stLocal), 1) << sFields(c.stUTC);
        stLocal.wDayOfWeek = 0;
        EXPECT_EQ(sFields(stLocal), sFields(c.stLocal));  // milliseconds 0

        SYSTEMTIME stLocalIn = c.stLocal;
        stLocalIn.wMilliseconds = 250;
        SYSTEMTIME stBack;
        ASSERT_EQ(bLocalVersUTC(&stLocalIn, &stBack), 1) << sFields(c.stLocal);
        SYSTEMTIME stExpected = c.stUTC;
        stExpected.wMilliseconds = 250;  // carried over
        stBack.wDayOfWeek = 0;
        EXPECT_EQ(sFields(stBack), sFields(stExpected));

        // The same offsets on FILETIMEs, with the sub-second part kept.
        FILETIME ftUTC, ftLocal, ftBack;
        ASSERT_EQ(SystemTimeToFileTime(&c.stUTC, &ftUTC), 1);
        U64ToFileTime(nFileTimeToU64(ftUTC) + 1234567, &ftUTC);
        ASSERT_EQ(FileTimeToLocalFileTime(&ftUTC, &ftLocal), 1);
        FILETIME ftLocalExpected;
        ASSERT_EQ(SystemTimeToFileTime(&c.stLocal, &ftLocalExpected), 1);
        EXPECT_EQ(nFileTimeToU64(ftLocal), nFileTimeToU64(ftLocalExpected) + 1234567) << sFields(c.stUTC);
        ASSERT_EQ(LocalFileTimeToFileTime(&ftLocal, &ftBack), 1);
        EXPECT_EQ(nFileTimeToU64(ftBack), nFileTimeToU64(ftUTC)) << sFields(c.stUTC);
    }
}

TEST(WinTime, NoDateGivesNoConversion) {
    const SYSTEMTIME tabNoDate[] = {stMake(2010, 0, 1, 0, 0, 0), stMake(0, 1, 1, 0, 0, 0), stMake(0, 0, 0, 0, 0, 0)};
    for (const SYSTEMTIME& st : tabNoDate) {
        SYSTEMTIME stOut = stMake(1, 2, 3, 4, 5, 6);
        EXPECT_EQ(bUTCVersLocal(&st, &stOut), 0);
        EXPECT_EQ(bLocalVersUTC(&st, &stOut), 0);
        EXPECT_EQ(sFields(stOut), sFields(stMake(1, 2, 3, 4, 5, 6)));
    }
}

TEST(WinTime, ClockReadingsAgree) {
    const time_t tBefore = time(nullptr);
    const unsigned long nTick = GetTickCount();
    FILETIME ft;
    GetSystemTimeAsFileTime(&ft);
    SYSTEMTIME stUTC;
    GetSystemTime(&stUTC);
    // time() reads the kernel's coarse clock, which lags the fine one by up to a tick: just past a
    // second's edge the fine readings are in the next second while time() still gives the last one.
    // A reading taken after tBefore is never behind it; one taken before tAfter may be a second past.
    const time_t tAfter = time(nullptr) + 1;

    // Milliseconds since 1970, not since boot.
    EXPECT_GE(nTick / 1000, static_cast<unsigned long>(tBefore));
    EXPECT_LE(nTick / 1000, static_cast<unsigned long>(tAfter));
    const uint64_t nSeconds = (nFileTimeToU64(ft) - KX_FILETIME_UNIX_EPOCH) / KX_FILETIME_PER_SECOND;
    EXPECT_GE(nSeconds, static_cast<uint64_t>(tBefore));
    EXPECT_LE(nSeconds, static_cast<uint64_t>(tAfter));
    FILETIME ftFromFields;
    ASSERT_EQ(SystemTimeToFileTime(&stUTC, &ftFromFields), 1);
    const uint64_t nFieldSeconds = (nFileTimeToU64(ftFromFields) - KX_FILETIME_UNIX_EPOCH) / KX_FILETIME_PER_SECOND;
    EXPECT_GE(nFieldSeconds, static_cast<uint64_t>(tBefore));
    EXPECT_LE(nFieldSeconds, static_cast<uint64_t>(tAfter));
    EXPECT_LT(stUTC.wMilliseconds, 1000);

    // Local time is UTC moved by the zone's offset.
    CScopedTZ tz("Asia/Kolkata");  // +5:30, no daylight saving
    SYSTEMTIME stLocal;
    GetLocalTime(&stLocal);
    FILETIME ftLocal;
    ASSERT_EQ(SystemTimeToFileTime(&stLocal, &ftLocal), 1);
    const int64_t nDelta = static_cast<int64_t>(nFileTimeToU64(ftLocal) - nFileTimeToU64(ftFromFields)) /
                           static_cast<int64_t>(KX_FILETIME_PER_SECOND);
    EXPECT_GE(nDelta, 5 * 3600 + 30 * 60 - 2);
    EXPECT_LE(nDelta, 5 * 3600 + 30 * 60 + 2);

    int32_t n32 = 0;
    const int32_t nResult = _time32(&n32);
    EXPECT_EQ(nResult, n32);
    EXPECT_GE(nResult, tBefore);
    ASSERT_NE(_localtime32(&n32), nullptr);
    ASSERT_NE(_ctime32(&n32), nullptr);
}

TEST(WinTime, TimeToFileTime) {
    FILETIME ft;
    TimeToFileTime(0, &ft);
    EXPECT_EQ(nFileTimeToU64(ft), KX_FILETIME_UNIX_EPOCH);
    TimeToFileTime(1, &ft);
    EXPECT_EQ(nFileTimeToU64(ft), KX_FILETIME_UNIX_EPOCH + KX_FILETIME_PER_SECOND);
    TimeToFileTime(0, nullptr);  // nothing to write
}

class WinFileTimeTest : public CTempDirTest {
protected:
    void SetUp() override {
        CTempDirTest::SetUp();
        m_sFile = m_sDir + "/daté.txt";  // a name that is not ASCII goes through UTF-8
        int fd = open(m_sFile.c_str(), O_CREAT | O_WRONLY, 0644);
        ASSERT_GE(fd, 0);
        close(fd);
    }
    std::wstring sWideFile() const { return std::wstring(m_sDir.begin(), m_sDir.end()) + L"/dat\u00e9.txt"; }

    std::string m_sFile;
};

TEST_F(WinFileTimeTest, SetOneTimeKeepsTheOther) {
    const std::wstring sName = sWideFile();
    FILETIME ftAccess, ftWrite;
    TimeToFileTime(1000000000, &ftAccess);
    TimeToFileTime(1200000000, &ftWrite);
    ASSERT_EQ(SetFileTime(sName.c_str(), nullptr, &ftAccess, &ftWrite), 1);
    struct stat st;
    ASSERT_EQ(stat(m_sFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_atime, 1000000000);
    EXPECT_EQ(st.st_mtime, 1200000000);

    // Only the write time: the access time stays; the creation time is ignored.
    FILETIME ftCreation, ftWrite2;
    TimeToFileTime(5, &ftCreation);
    TimeToFileTime(1300000000, &ftWrite2);
    U64ToFileTime(nFileTimeToU64(ftWrite2) + 5000000, &ftWrite2);  // half a second more is dropped
    ASSERT_EQ(SetFileTime(sName.c_str(), &ftCreation, nullptr, &ftWrite2), 1);
    ASSERT_EQ(stat(m_sFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_atime, 1000000000);
    EXPECT_EQ(st.st_mtime, 1300000000);

    // Read back through a descriptor.
    int fd = open(m_sFile.c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    FILETIME ftC, ftA, ftW;
    EXPECT_EQ(GetFileTime(fd, &ftC, &ftA, &ftW), 1);
    EXPECT_EQ(nFileTimeToU64(ftA), KX_FILETIME_UNIX_EPOCH + 1000000000ull * KX_FILETIME_PER_SECOND);
    EXPECT_EQ(nFileTimeToU64(ftW), KX_FILETIME_UNIX_EPOCH + 1300000000ull * KX_FILETIME_PER_SECOND);
    EXPECT_EQ(nFileTimeToU64(ftC),
              KX_FILETIME_UNIX_EPOCH + static_cast<uint64_t>(st.st_ctime) * KX_FILETIME_PER_SECOND);
    EXPECT_EQ(GetFileTime(fd, nullptr, nullptr, &ftW), 1);
    close(fd);
    EXPECT_EQ(GetFileTime(fd, &ftC, &ftA, &ftW), 0);  // closed

    // Nothing to set: 1 without looking at the file.
    EXPECT_EQ(SetFileTime(L"/no/such/file", &ftCreation, nullptr, nullptr), 1);
    EXPECT_EQ(SetFileTime(L"/no/such/file", nullptr, nullptr, &ftWrite), 0);
    EXPECT_EQ(SetFileTime(L"/no/such/file", nullptr, &ftAccess, &ftWrite), 0);
    EXPECT_EQ(SetFileTime(nullptr, nullptr, &ftAccess, &ftWrite), 0);
}

// ---- System information ----

TEST(WinSystemInfo, MemInfoLayouts) {
    struct Case {
        const char* pszName;
        const char* pszText;
        MEMORYSTATUSEX stExpected;
    };
    const unsigned long long K = 1024;
    const Case tabCases[] = {
        // Current kernels: only the "Name: n kB" lines. SwapCached and MemAvailable are not counted.
        {"modern",
         "MemTotal:        1000 kB\nMemFree:          200 kB\nMemAvailable:     700 kB\nBuffers:          100 kB\n"
         "Cached:           300 kB\nSwapCached:        50 kB\nSwapTotal:        1000 kB\nSwapFree:          400 kB\n",
         {40, (2000 - 600 - 400) / 20, 1000 * K, 600 * K, 1000 * K, 400 * K}},
        // Old kernels: a table in bytes before the named lines (which then set the values again).
        {"table",
         "        total:    used:    free:  shared: buffers:  cached:\n"
         "Mem:  1000000 600000 400000 0 50000 150000\nSwap: 500000 100000 400000\n",
         {40, (1500000 - 600000 - 400000) / 15000, 1000000, 600000, 500000, 400000}},
        {"table then named",
         "Mem:  1000000 600000 400000 0 50000 150000\nSwap: 500000 100000 400000\n"
         "MemTotal: 2000 kB\nMemFree: 1000 kB\nSwapTotal: 0 kB\nSwapFree: 0 kB\n",
         {40, 50, 2000 * K, 1000 * K, 0, 0}},
        {"empty", "", {40, 0, 0, 0, 0, 0}},
        // Nothing physical: no load computed.
        {"swap only", "SwapTotal: 10 kB\nSwapFree: 5 kB\n", {40, 0, 0, 0, 10 * K, 5 * K}},
        // Totals too small for a percentage, and more free than total: load 0 rather than a fault.
        {"tiny", "Mem: 50 10 40 0 0 0\n", {40, 0, 50, 40, 0, 0}},
        {"damaged", "MemTotal: 10 kB\nMemFree: 20 kB\n", {40, 0, 10 * K, 20 * K, 0, 0}},
        {"short table line", "Mem: 1000 600\nMemTotal: 4 kB\n", {40, 100, 4 * K, 0, 0, 0}},  // 4096 / 40 is 102
    };
    for (const Case& c : tabCases) {
        FILE* pFile = fmemopen(const_cast<char*>(c.pszText), strlen(c.pszText) + 1, "r");
        ASSERT_NE(pFile, nullptr);
        MEMORYSTATUSEX st;
        memset(&st, 0xEE, sizeof(st));
        __ReadMemInfo(pFile, &st);
        fclose(pFile);
        EXPECT_EQ(st.dwLength, c.stExpected.dwLength) << c.pszName;
        EXPECT_EQ(st.dwMemoryLoad, c.stExpected.dwMemoryLoad) << c.pszName;
        EXPECT_EQ(st.ullTotalPhys, c.stExpected.ullTotalPhys) << c.pszName;
        EXPECT_EQ(st.ullAvailPhys, c.stExpected.ullAvailPhys) << c.pszName;
        EXPECT_EQ(st.ullTotalPageFile, c.stExpected.ullTotalPageFile) << c.pszName;
        EXPECT_EQ(st.ullAvailPageFile, c.stExpected.ullAvailPageFile) << c.pszName;
    }
}

TEST(WinSystemInfo, MemoryStatusOfThisMachine) {
    MEMORYSTATUSEX st;
    memset(&st, 0, sizeof(st));
    ASSERT_EQ(GlobalMemoryStatusEx(&st), 1);
    EXPECT_EQ(st.dwLength, 40u);
    EXPECT_GT(st.ullTotalPhys, 0u);
    EXPECT_LE(st.dwMemoryLoad, 100u);
    MEMORYSTATUS stNarrow;
    GlobalMemoryStatus(&stNarrow);
    EXPECT_EQ(stNarrow.dwLength, 24u);
    EXPECT_EQ(stNarrow.dwTotalPhys, static_cast<uint32_t>(st.ullTotalPhys));
}

TEST(WinSystemInfo, VersionAndWindowsTests) {
    OSVERSIONINFO st;
    memset(&st, 0x5A, sizeof(st));
    st.dwOSVersionInfoSize = sizeof(st);
    EXPECT_EQ(GetVersionEx(&st), 1);
    EXPECT_EQ(st.dwOSVersionInfoSize, sizeof(st));
    EXPECT_EQ(st.dwPlatformId, 1000u);
    EXPECT_EQ(st.dwMajorVersion, 0u);
    EXPECT_EQ(st.dwBuildNumber, 0u);
    EXPECT_EQ(st.szCSDVersion[0], 0);
    EXPECT_EQ(st.szCSDVersion[127], 0);
    for (int (*pfn)() : {bWindowsNT, bWindows2000, bWindowsXP, bWindows2003, bWindowsVista, bWindowsSeven, bWindows8,
                         bWindowsSmartphone, bWindowsCE2002, bIsWindows64})
        EXPECT_EQ(pfn(), 0);
}

TEST(WinSystemInfo, TimeBasedIdentifiers) {
    _GUID a, b;
    EXPECT_EQ(UuidCreate(&a), 1824);  // first call of the process
    EXPECT_EQ(UuidCreate(&b), 0);
    EXPECT_EQ(IsEqualGUID(a, b), 0);
    EXPECT_EQ(IsEqualGUID(a, a), 1);
    const unsigned char* pa = reinterpret_cast<const unsigned char*>(&a);
    const unsigned char* pb = reinterpret_cast<const unsigned char*>(&b);
    EXPECT_EQ(pa[6] & 0xF0, 0x10);            // version 1
    EXPECT_EQ(pa[8] & 0xC0, 0x80);            // variant
    EXPECT_NE(pa[10] & 0x80, 0);              // random node, not a network address
    EXPECT_EQ(memcmp(pa + 8, pb + 8, 8), 0);  // same clock sequence and node

    // The timestamp (bytes 6-7, 4-5, 0-3 from most to least significant) is now and grows.
    auto nTime = [](const unsigned char* p) {
        uint64_t n = static_cast<uint64_t>(p[6] & 0x0F) << 56 | static_cast<uint64_t>(p[7]) << 48 |
                     static_cast<uint64_t>(p[4]) << 40 | static_cast<uint64_t>(p[5]) << 32;
        return n | static_cast<uint64_t>(p[0]) << 24 | static_cast<uint64_t>(p[1]) << 16 |
               static_cast<uint64_t>(p[2]) << 8 | p[3];
    };
    const uint64_t nNow = (static_cast<uint64_t>(time(nullptr)) * 10000000ull) + 0x01B21DD213814000ull;
    EXPECT_LE(nTime(pa), nNow + 10000000ull);
    EXPECT_GE(nTime(pa), nNow - 20000000ull);
    EXPECT_GT(nTime(pb), nTime(pa));

    // Made as fast as possible, they never repeat (several in one microsecond take the next 100-ns
    // steps, and the clock is waited for once those are used up).
    std::set<std::string> setSeen;
    uint64_t nLast = nTime(pb);
    for (int i = 0; i < 20000; i++) {
        _GUID g;
        ASSERT_EQ(UuidCreate(&g), 0);
        const unsigned char* p = reinterpret_cast<const unsigned char*>(&g);
        ASSERT_TRUE(setSeen.insert(std::string(reinterpret_cast<const char*>(p), 16)).second) << i;
        ASSERT_GT(nTime(p), nLast) << i;
        nLast = nTime(p);
    }
}

// Identifiers made by another process: the answer of its first UuidCreate and the identifier.
std::pair<int, std::string> UuidOfAChild() {
    int anPipe[2];
    if (pipe(anPipe) != 0) return {-1, ""};
    const pid_t nPid = fork();
    if (nPid == 0) {
        close(anPipe[0]);
        _GUID g;
        const int nResult = UuidCreate(&g);
        char ab[sizeof(int) + sizeof(g)];
        memcpy(ab, &nResult, sizeof(int));
        memcpy(ab + sizeof(int), &g, sizeof(g));
        _exit(write(anPipe[1], ab, sizeof(ab)) == static_cast<ssize_t>(sizeof(ab)) ? 0 : 1);
    }
    close(anPipe[1]);
    char ab[sizeof(int) + sizeof(_GUID)];
    size_t nRead = 0;
    while (nPid > 0 && nRead < sizeof(ab)) {
        const ssize_t n = read(anPipe[0], ab + nRead, sizeof(ab) - nRead);
        if (n <= 0) break;
        nRead += static_cast<size_t>(n);
    }
    close(anPipe[0]);
    int nStatus = 0;
    if (nPid > 0) waitpid(nPid, &nStatus, 0);
    if (nRead != sizeof(ab)) return {-1, ""};
    int nResult;
    memcpy(&nResult, ab, sizeof(int));
    return {nResult, std::string(ab + sizeof(int), sizeof(_GUID))};
}

// The clock sequence and node (bytes 8 to 15) come from the system's random source in each process:
// processes started alike, or forked from one that already made identifiers, never share them, so
// identifiers made at the same instant by two processes still differ.
TEST(WinUuid, EveryProcessDrawsItsOwnNodeAndClockSequence) {
    std::set<std::string> setNodes;
    for (int i = 0; i < 4; i++) {
        const auto [nResult, sGuid] = UuidOfAChild();
        ASSERT_EQ(sGuid.size(), 16u);
        EXPECT_EQ(nResult, 1824);  // the child's first
        EXPECT_TRUE(setNodes.insert(sGuid.substr(8)).second) << i;
        EXPECT_EQ(static_cast<unsigned char>(sGuid[8]) & 0xC0, 0x80);
        EXPECT_NE(static_cast<unsigned char>(sGuid[10]) & 0x80, 0);
    }
    _GUID g;
    UuidCreate(&g);
    const std::string sParent(reinterpret_cast<const char*>(&g), sizeof(g));
    const auto [nResult, sChild] = UuidOfAChild();
    EXPECT_EQ(nResult, 1824);
    EXPECT_TRUE(setNodes.insert(sParent.substr(8)).second);
    EXPECT_TRUE(setNodes.insert(sChild.substr(8)).second);
}

// ---- User-interface helpers ----

std::string sRect(const RECT& r) {
    return "(" + std::to_string(r.left) + "," + std::to_string(r.top) + "," + std::to_string(r.right) + "," +
           std::to_string(r.bottom) + ")";
}

TEST(WinRect, IntersectUnionSubtract) {
    enum eOp { eIntersect, eUnion, eSubtract };
    struct Case {
        eOp nOp;
        RECT a, b;
        RECT rExpected;
        int nExpected;
    };
    const Case tabCases[] = {
        {eIntersect, {0, 0, 10, 10}, {5, 5, 15, 15}, {5, 5, 10, 10}, 1},
        {eIntersect, {0, 0, 10, 10}, {10, 0, 20, 10}, {0, 0, 0, 0}, 0},  // touching edges only
        {eIntersect, {0, 0, 10, 10}, {2, 2, 2, 8}, {0, 0, 0, 0}, 0},     // b empty
        {eIntersect, {-5, -5, 5, 5}, {-10, 0, 0, 10}, {-5, 0, 0, 5}, 1},
        {eUnion, {0, 0, 0, 0}, {1, 2, 3, 4}, {1, 2, 3, 4}, 1},  // an empty one is left out
        {eUnion, {1, 2, 3, 4}, {5, 5, 5, 9}, {1, 2, 3, 4}, 1},
        {eUnion, {0, 0, 1, 1}, {5, 6, 7, 8}, {0, 0, 7, 8}, 1},
        {eUnion, {0, 0, 0, 5}, {3, 3, 3, 3}, {0, 0, 0, 0}, 0},
        {eSubtract, {0, 0, 10, 10}, {0, 0, 10, 4}, {0, 4, 10, 10}, 1},     // top band
        {eSubtract, {0, 0, 10, 10}, {-1, 6, 11, 12}, {0, 0, 10, 6}, 1},    // bottom band, b wider
        {eSubtract, {0, 0, 10, 10}, {0, 0, 3, 10}, {3, 0, 10, 10}, 1},     // left band
        {eSubtract, {0, 0, 10, 10}, {8, -2, 10, 20}, {0, 0, 8, 10}, 1},    // right band
        {eSubtract, {0, 0, 10, 10}, {2, 2, 4, 4}, {0, 0, 10, 10}, 1},      // a hole: a itself
        {eSubtract, {0, 0, 10, 10}, {0, 3, 10, 6}, {0, 0, 10, 10}, 1},     // a middle band: a itself
        {eSubtract, {0, 0, 10, 10}, {20, 20, 30, 30}, {0, 0, 10, 10}, 1},  // apart
        {eSubtract, {0, 0, 10, 10}, {-1, -1, 11, 11}, {0, 0, 0, 0}, 0},    // covered
        {eSubtract, {0, 0, 0, 10}, {0, 0, 1, 1}, {0, 0, 0, 0}, 0},         // a empty
    };
    for (const Case& c : tabCases) {
        RECT r{99, 99, 99, 99};
        int n = c.nOp == eIntersect ? IntersectRect(&r, &c.a, &c.b)
                : c.nOp == eUnion   ? UnionRect(&r, &c.a, &c.b)
                                    : SubtractRect(&r, &c.a, &c.b);
        EXPECT_EQ(n, c.nExpected) << c.nOp << sRect(c.a) << sRect(c.b);
        EXPECT_EQ(sRect(r), sRect(c.rExpected)) << c.nOp << sRect(c.a) << sRect(c.b);
    }
}

TEST(WinRect, SmallOperations) {
    RECT r;
    EXPECT_EQ(SetRect(&r, 0, 0, 10, 10), 1);
    EXPECT_EQ(SetRect(nullptr, 0, 0, 10, 10), 0);
    struct PtCase {
        POINT pt;
        int nExpected;
    };
    const PtCase tabPoints[] = {{{0, 0}, 1}, {{9, 9}, 1}, {{10, 5}, 0}, {{5, 10}, 0}, {{-1, 5}, 0}};
    for (const PtCase& c : tabPoints) EXPECT_EQ(PtInRect(&r, c.pt), c.nExpected) << c.pt.x << "," << c.pt.y;

    EXPECT_EQ(InflateRect(&r, 2, -3), 1);
    EXPECT_EQ(sRect(r), "(-2,3,12,7)");
    EXPECT_EQ(bEmule_OffsetRect(&r, 2, -3), 1);
    EXPECT_EQ(sRect(r), "(0,0,14,4)");
    RECT rCopy;
    EXPECT_EQ(CopyRect(&rCopy, &r), 1);
    EXPECT_EQ(EqualRect(&rCopy, &r), 1);
    rCopy.bottom++;
    EXPECT_EQ(EqualRect(&rCopy, &r), 0);

    const RECT tabEmpty[] = {{0, 0, 0, 5}, {0, 0, 5, 0}, {5, 0, 0, 5}, {0, 0, 0, 0}};
    for (const RECT& rc : tabEmpty) {
        EXPECT_EQ(IsRectEmpty(&rc), 1) << sRect(rc);
        EXPECT_EQ(bEmule_IsRectEmpty(&rc), 1) << sRect(rc);
    }
    EXPECT_EQ(IsRectEmpty(&r), 0);
    // Widths that overflow 32 bits are not taken as empty.
    const RECT rWide{INT32_MIN, 0, INT32_MAX, 1};
    EXPECT_EQ(IsRectEmpty(&rWide), 0);
    EXPECT_EQ(SetRectEmpty(&r), 1);
    EXPECT_EQ(sRect(r), "(0,0,0,0)");
}

TEST(WinRect, MulDiv) {
    struct Case {
        int a, b, c, nExpected;
    };
    const Case tabCases[] = {
        {7, 3, 2, 11},
        {-7, 3, 2, -11},
        {7, -3, 2, -11},
        {-7, -3, 2, 11},
        {7, 3, -2, -11},
        {-7, 3, -2, 11},
        {1, 1, 0, -1},
        {0, 5, 3, 0},
        {10, 1, 4, 3},
        {-10, 1, 4, -3},
        {10, 1, 3, 3},
        {11, 1, 3, 4},
        // Products beyond 32 bits are exact.
        {65536, 65536, 65536, 65536},
        {100000, 300000, 1000, 30000000},
        {INT32_MAX, 2, 2, INT32_MAX},
        {INT32_MIN, 1, -1, -1},   // 2^31 does not fit: -1
        {100000, 100000, 1, -1},  // nor does 10^10
    };
    for (const Case& c : tabCases) EXPECT_EQ(MulDiv(c.a, c.b, c.c), c.nExpected) << c.a << "*" << c.b << "/" << c.c;
}

TEST(WinRect, AlphaNumericCodePage1252) {
    auto bExpected = [](int c) {
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return true;
        for (int n : {0x83, 0x8A, 0x8C, 0x8E, 0x9A, 0x9C, 0x9E, 0x9F, 0xB2, 0xB3, 0xB9})
            if (c == n) return true;
        return (c >= 0xC0 && c <= 0xFF && c != 0xD7 && c != 0xF7);
    };
    for (int c = 0; c < 256; c++) {
        EXPECT_EQ(LinuxIsCharAlphaNumericA(static_cast<char>(c)), bExpected(c) ? 1 : 0) << std::hex << c;
        EXPECT_EQ(bEmule_IsCharAlphaNumericA(static_cast<char>(c)), bExpected(c) ? 1 : 0) << std::hex << c;
    }
    wchar_t szW[4] = L"abc";
    char szA[4] = "abc";
    EXPECT_EQ(nEmule_LoadStringW(nullptr, 1, szW, 4), 0);
    EXPECT_EQ(nEmule_LoadStringA(nullptr, 1, szA, 4), 0);
}

}  // namespace
