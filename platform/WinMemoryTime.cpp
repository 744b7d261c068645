// Memory blocks, clock and time records, memory and system information, unique identifiers and the
// user-interface helpers of the Windows emulation. The process-wide state here (the memory-status
// cache and the identifier generator) is meant for one thread at a time, as the library's callers
// are serialised by the driver's mutex.
#include "platform/WinMemoryTime.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/sysinfo.h>
#include <sys/time.h>
#include <sys/utsname.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "platform/DiskFile.h"

// ---------------------------------------------------------------------------------------------
// Memory
// ---------------------------------------------------------------------------------------------

namespace {

// The caller's bytes start this far into the allocation, so that they keep malloc's alignment; the
// 32-bit size sits in the last four bytes before them.
constexpr size_t HEAP_PREFIX = alignof(std::max_align_t);

uint32_t* pnSizeOf(void* pBlock) {
    return static_cast<uint32_t*>(pBlock) - 1;
}
unsigned char* pbyRawOf(void* pBlock) {
    return static_cast<unsigned char*>(pBlock) - HEAP_PREFIX;
}

void* __HeapFailure(unsigned flags) {
    if ((flags & HEAP_GENERATE_EXCEPTIONS) != 0) throw static_cast<unsigned int>(KX_STATUS_NO_MEMORY);
    return nullptr;
}

}  // namespace

void* GetProcessHeap() {
    static int s_nHeap;
    return &s_nHeap;
}

void* HeapAlloc(void*, unsigned flags, size_t size) {
    if (size > UINT32_MAX) return __HeapFailure(flags);
    unsigned char* pRaw = static_cast<unsigned char*>(malloc(HEAP_PREFIX + size));
    if (pRaw == nullptr) return __HeapFailure(flags);
    void* pBlock = pRaw + HEAP_PREFIX;
    *pnSizeOf(pBlock) = static_cast<uint32_t>(size);
    if ((flags & HEAP_ZERO_MEMORY) != 0) memset(pBlock, 0, size);
    return pBlock;
}

void* HeapReAlloc(void* hHeap, unsigned flags, void* pBlock, size_t size) {
    if (pBlock == nullptr) return HeapAlloc(hHeap, flags, size);
    if (size > UINT32_MAX) return __HeapFailure(flags);
    const size_t nOld = *pnSizeOf(pBlock);
    unsigned char* pRaw = static_cast<unsigned char*>(realloc(pbyRawOf(pBlock), HEAP_PREFIX + size));
    if (pRaw == nullptr) return __HeapFailure(flags);
    void* pNew = pRaw + HEAP_PREFIX;
    *pnSizeOf(pNew) = static_cast<uint32_t>(size);
    if ((flags & HEAP_ZERO_MEMORY) != 0 && size > nOld)
        memset(static_cast<unsigned char*>(pNew) + nOld, 0, size - nOld);
    return pNew;
}

int HeapFree(void*, unsigned, void* pBlock) {
    if (pBlock != nullptr) free(pbyRawOf(pBlock));
    return 1;
}

size_t HeapSize(void*, unsigned, const void* pBlock) {
    if (pBlock == nullptr) return static_cast<size_t>(-1);
    return *(static_cast<const uint32_t*>(pBlock) - 1);
}

void* GlobalAlloc(unsigned flags, size_t size) {
    void* p = malloc(size);
    if (p != nullptr && (flags & GMEM_ZEROINIT) != 0) memset(p, 0, size);
    return p;
}

void* GlobalReAlloc(void* pBlock, size_t size, unsigned flags) {
    if ((flags & GMEM_MODIFY) != 0) return pBlock;
    void* p = realloc(pBlock, size);
    if (p != nullptr && (flags & GMEM_ZEROINIT) != 0) memset(p, 0, size);
    return p;
}

void* GlobalFree(void* pBlock) {
    free(pBlock);
    return nullptr;
}

void* GlobalLock(void* pBlock) {
    return pBlock;
}

int GlobalUnlock(void*) {
    return 1;
}

void ZeroMemory(void* p, size_t n) {
    if (p != nullptr && n != 0) memset(p, 0, n);
}

// ---------------------------------------------------------------------------------------------
// Time
// ---------------------------------------------------------------------------------------------

namespace {

// Seconds (rounded down) and the 100-ns remainder of a FILETIME, counted from 1970.
void __FileTimeToUnix(const FILETIME& ft, time_t* pt, int64_t* pnRest) {
    const uint64_t n = nFileTimeToU64(ft);
    const int64_t nPerSecond = static_cast<int64_t>(KX_FILETIME_PER_SECOND);
    int64_t nSeconds, nRest;
    if (n >= KX_FILETIME_UNIX_EPOCH) {
        nSeconds = static_cast<int64_t>((n - KX_FILETIME_UNIX_EPOCH) / KX_FILETIME_PER_SECOND);
        nRest = static_cast<int64_t>((n - KX_FILETIME_UNIX_EPOCH) % KX_FILETIME_PER_SECOND);
    } else {
        const int64_t nBefore = -static_cast<int64_t>(KX_FILETIME_UNIX_EPOCH - n);
        nSeconds = nBefore / nPerSecond;
        nRest = nBefore % nPerSecond;
        if (nRest < 0) {
            nRest += nPerSecond;
            nSeconds--;
        }
    }
    *pt = static_cast<time_t>(nSeconds);
    if (pnRest != nullptr) *pnRest = nRest;
}

// Seconds since 1970 plus 100-ns units (0 to one second) to a FILETIME; 0 when the instant lies
// before 1601 or past what 64 bits hold.
int __bUnixToFileTime(time_t t, int64_t nRest, FILETIME* pft) {
    const uint64_t nBase = KX_FILETIME_UNIX_EPOCH + static_cast<uint64_t>(nRest);
    uint64_t n;
    if (t >= 0) {
        const uint64_t nSeconds = static_cast<uint64_t>(t);
        if (nSeconds > (UINT64_MAX - nBase) / KX_FILETIME_PER_SECOND) return 0;
        n = nBase + nSeconds * KX_FILETIME_PER_SECOND;
    } else {
        const uint64_t nSeconds = static_cast<uint64_t>(-(t + 1)) + 1;
        if (nSeconds > nBase / KX_FILETIME_PER_SECOND) return 0;
        n = nBase - nSeconds * KX_FILETIME_PER_SECOND;
    }
    U64ToFileTime(n, pft);
    return 1;
}

void __TmToSystemTime(const struct tm& tm, unsigned nMilliseconds, SYSTEMTIME* pst) {
    pst->wYear = static_cast<uint16_t>(tm.tm_year + 1900);
    pst->wMonth = static_cast<uint16_t>(tm.tm_mon + 1);
    pst->wDayOfWeek = static_cast<uint16_t>(tm.tm_wday);
    pst->wDay = static_cast<uint16_t>(tm.tm_mday);
    pst->wHour = static_cast<uint16_t>(tm.tm_hour);
    pst->wMinute = static_cast<uint16_t>(tm.tm_min);
    pst->wSecond = static_cast<uint16_t>(tm.tm_sec);
    pst->wMilliseconds = static_cast<uint16_t>(nMilliseconds);
}

// A broken-down time of the year range of a SYSTEMTIME (the C library can represent far more).
bool __bFitsSystemTime(const struct tm& tm) {
    return tm.tm_year >= -1900 && tm.tm_year <= 65535 - 1900;
}

struct tm __SystemTimeToTm(const SYSTEMTIME& st) {
    struct tm tm {};
    tm.tm_year = st.wYear - 1900;
    tm.tm_mon = st.wMonth - 1;
    tm.tm_mday = st.wDay;
    tm.tm_hour = st.wHour;
    tm.tm_min = st.wMinute;
    tm.tm_sec = st.wSecond;
    tm.tm_isdst = -1;
    return tm;
}

// timegm and mktime answer -1 both for failure and for the last second of 1969: errno tells them
// apart.
bool __bConvertTm(struct tm* ptm, bool bUTC, time_t* pt) {
    errno = 0;
    const time_t t = bUTC ? timegm(ptm) : mktime(ptm);
    if (t == static_cast<time_t>(-1) && errno != 0) return false;
    *pt = t;
    return true;
}

}  // namespace

unsigned long GetTickCount() {
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    return static_cast<unsigned long>(tv.tv_sec) * 1000ul + static_cast<unsigned long>(tv.tv_usec) / 1000ul;
}

void GetSystemTimeAsFileTime(FILETIME* pft) {
    if (pft == nullptr) return;
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    __bUnixToFileTime(tv.tv_sec, static_cast<int64_t>(tv.tv_usec) * 10, pft);
}

static void __GetTime(SYSTEMTIME* pst, bool bLocal) {
    if (pst == nullptr) return;
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    const time_t t = tv.tv_sec;
    struct tm tm;
    if (bLocal)
        localtime_r(&t, &tm);
    else
        gmtime_r(&t, &tm);
    __TmToSystemTime(tm, static_cast<unsigned>(tv.tv_usec / 1000), pst);
}

void GetLocalTime(SYSTEMTIME* pst) {
    __GetTime(pst, true);
}

void GetSystemTime(SYSTEMTIME* pst) {
    __GetTime(pst, false);
}

int SetLocalTime(const SYSTEMTIME* pst) {
    if (pst == nullptr) return 0;
    struct tm tm = __SystemTimeToTm(*pst);
    time_t t;
    if (!__bConvertTm(&tm, false, &t)) return 0;
    struct timeval tv {
        t, 0
    };
    return settimeofday(&tv, nullptr) == 0 ? 1 : 0;
}

int SystemTimeToFileTime(const SYSTEMTIME* pst, FILETIME* pft) {
    if (pst == nullptr || pft == nullptr) return 0;
    struct tm tm = __SystemTimeToTm(*pst);
    time_t t;
    if (!__bConvertTm(&tm, true, &t)) return 0;
    FILETIME ft;
    if (!__bUnixToFileTime(t, 0, &ft)) return 0;
    *pft = ft;
    return 1;
}

int FileTimeToSystemTime(const FILETIME* pft, SYSTEMTIME* pst) {
    if (pft == nullptr || pst == nullptr) return 0;
    time_t t;
    __FileTimeToUnix(*pft, &t, nullptr);
    struct tm tm;
    if (gmtime_r(&t, &tm) == nullptr || !__bFitsSystemTime(tm)) return 0;
    __TmToSystemTime(tm, 0, pst);
    return 1;
}

int FileTimeToLocalFileTime(const FILETIME* pftUTC, FILETIME* pftLocal) {
    if (pftUTC == nullptr || pftLocal == nullptr) return 0;
    time_t t;
    int64_t nRest;
    __FileTimeToUnix(*pftUTC, &t, &nRest);
    struct tm tm;
    if (localtime_r(&t, &tm) == nullptr) return 0;
    time_t tLocal;
    if (!__bConvertTm(&tm, true, &tLocal)) return 0;
    return __bUnixToFileTime(tLocal, nRest, pftLocal);
}

int LocalFileTimeToFileTime(const FILETIME* pftLocal, FILETIME* pftUTC) {
    if (pftLocal == nullptr || pftUTC == nullptr) return 0;
    time_t tLocal;
    int64_t nRest;
    __FileTimeToUnix(*pftLocal, &tLocal, &nRest);
    struct tm tm;
    if (gmtime_r(&tLocal, &tm) == nullptr) return 0;
    tm.tm_isdst = -1;
    time_t t;
    if (!__bConvertTm(&tm, false, &t)) return 0;
    return __bUnixToFileTime(t, nRest, pftUTC);
}

void TimeToFileTime(time_t t, FILETIME* pft) {
    if (pft != nullptr) __bUnixToFileTime(t, 0, pft);
}

int GetFileTime(int fd, FILETIME* pftCreation, FILETIME* pftLastAccess, FILETIME* pftLastWrite) {
    struct stat st;
    if (fstat(fd, &st) != 0) return 0;
    TimeToFileTime(st.st_ctime, pftCreation);
    TimeToFileTime(st.st_atime, pftLastAccess);
    TimeToFileTime(st.st_mtime, pftLastWrite);
    return 1;
}

int SetFileTime(const wchar_t* pszPath, const FILETIME*, const FILETIME* pftLastAccess, const FILETIME* pftLastWrite) {
    if (pftLastAccess == nullptr && pftLastWrite == nullptr) return 1;
    if (pszPath == nullptr) return 0;
    struct utimbuf stTimes {};
    if (pftLastAccess == nullptr || pftLastWrite == nullptr) {
        struct stat st;
        if (CDiskFile::Unix_lstat(pszPath, &st) != 0) return 0;
        stTimes.actime = st.st_atime;
        stTimes.modtime = st.st_mtime;
    }
    if (pftLastAccess != nullptr) __FileTimeToUnix(*pftLastAccess, &stTimes.actime, nullptr);
    if (pftLastWrite != nullptr) __FileTimeToUnix(*pftLastWrite, &stTimes.modtime, nullptr);
    return CDiskFile::Unix_utime(pszPath, &stTimes) == 0 ? 1 : 0;
}

int bUTCVersLocal(const SYSTEMTIME* pstUTC, SYSTEMTIME* pstLocal) {
    if (pstUTC == nullptr || pstLocal == nullptr || pstUTC->wYear == 0 || pstUTC->wMonth == 0) return 0;
    FILETIME ftUTC, ftLocal;
    if (!SystemTimeToFileTime(pstUTC, &ftUTC)) return 0;
    if (!FileTimeToLocalFileTime(&ftUTC, &ftLocal)) return 0;
    return FileTimeToSystemTime(&ftLocal, pstLocal);
}

int bLocalVersUTC(const SYSTEMTIME* pstLocal, SYSTEMTIME* pstUTC) {
    if (pstLocal == nullptr || pstUTC == nullptr || pstLocal->wYear == 0 || pstLocal->wMonth == 0) return 0;
    struct tm tm = __SystemTimeToTm(*pstLocal);
    time_t t;
    if (!__bConvertTm(&tm, false, &t)) return 0;
    struct tm tmUTC;
    if (gmtime_r(&t, &tmUTC) == nullptr || !__bFitsSystemTime(tmUTC)) return 0;
    __TmToSystemTime(tmUTC, pstLocal->wMilliseconds, pstUTC);
    return 1;
}

int32_t _time32(int32_t* pt) {
    const time_t t = time(nullptr);
    const int32_t n = (t < 0 || t > INT32_MAX) ? -1 : static_cast<int32_t>(t);
    if (pt != nullptr) *pt = n;
    return n;
}

char* _ctime32(const int32_t* pt) {
    if (pt == nullptr) return nullptr;
    const time_t t = *pt;
    return ctime(&t);
}

struct tm* _localtime32(const int32_t* pt) {
    if (pt == nullptr) return nullptr;
    const time_t t = *pt;
    return localtime(&t);
}

// ---------------------------------------------------------------------------------------------
// System information
// ---------------------------------------------------------------------------------------------

namespace {

struct _stMemoryStatusCache {
    bool bValid;
    time_t tSecond;
    MEMORYSTATUSEX st;
};
_stMemoryStatusCache s_stMemoryStatusCache;

// "Name:   <n> kB" at the start of a line: n x 1024.
bool __bMemInfoValue(const char* pszLine, const char* pszName, unsigned long long* pn) {
    const size_t nLen = strlen(pszName);
    if (strncmp(pszLine, pszName, nLen) != 0) return false;
    unsigned long long n;
    if (sscanf(pszLine + nLen, "%llu", &n) != 1) return false;
    *pn = n * 1024ull;
    return true;
}

void __ComputeMemoryLoad(MEMORYSTATUSEX* pst) {
    pst->dwMemoryLoad = 0;
    if (pst->ullTotalPhys == 0) return;
    const unsigned long long nTotal = pst->ullTotalPhys + pst->ullTotalPageFile;
    const unsigned long long nAvail = pst->ullAvailPhys + pst->ullAvailPageFile;
    const unsigned long long nPerCent = nTotal / 100;
    // Totals below 100 bytes or more free than there is come only from a damaged file.
    if (nPerCent == 0 || nAvail > nTotal) return;
    // The percentage of a rounded-down hundredth can pass 100 when little is free.
    pst->dwMemoryLoad = static_cast<uint32_t>(std::min<unsigned long long>((nTotal - nAvail) / nPerCent, 100));
}

}  // namespace

void __ReadMemInfo(FILE* pFile, MEMORYSTATUSEX* pst) {
    memset(pst, 0, sizeof(*pst));
    pst->dwLength = sizeof(MEMORYSTATUSEX);
    char szLine[256];
    while (fgets(szLine, sizeof(szLine), pFile) != nullptr) {
        unsigned long long n[6];
        unsigned long long nValue;
        if (sscanf(szLine, "Mem: %llu %llu %llu %llu %llu %llu", &n[0], &n[1], &n[2], &n[3], &n[4], &n[5]) == 6) {
            pst->ullTotalPhys += n[0];
            pst->ullAvailPhys += n[2] + n[4] + n[5];
        } else if (sscanf(szLine, "Swap: %llu %llu %llu", &n[0], &n[1], &n[2]) == 3) {
            pst->ullTotalPageFile += n[0];
            pst->ullAvailPageFile += n[2];
        } else if (__bMemInfoValue(szLine, "MemTotal:", &nValue)) {
            pst->ullTotalPhys = nValue;
        } else if (__bMemInfoValue(szLine, "MemFree:", &nValue)) {
            pst->ullAvailPhys = nValue;
        } else if (__bMemInfoValue(szLine, "SwapTotal:", &nValue)) {
            pst->ullTotalPageFile = nValue;
        } else if (__bMemInfoValue(szLine, "SwapFree:", &nValue)) {
            pst->ullAvailPageFile = nValue;
        } else if (__bMemInfoValue(szLine, "Buffers:", &nValue) || __bMemInfoValue(szLine, "Cached:", &nValue)) {
            pst->ullAvailPhys += nValue;
        }
    }
    __ComputeMemoryLoad(pst);
}

int GlobalMemoryStatusEx(MEMORYSTATUSEX* pst) {
    if (pst == nullptr) return 0;
    const time_t tNow = time(nullptr);
    if (!s_stMemoryStatusCache.bValid || s_stMemoryStatusCache.tSecond != tNow) {
        MEMORYSTATUSEX st;
        FILE* pFile = fopen("/proc/meminfo", "r");
        if (pFile != nullptr) {
            __ReadMemInfo(pFile, &st);
            fclose(pFile);
        } else {
            memset(&st, 0, sizeof(st));
            st.dwLength = sizeof(MEMORYSTATUSEX);
            struct sysinfo si;
            if (sysinfo(&si) == 0) {
                const unsigned long long nUnit = si.mem_unit;
                st.ullTotalPhys = si.totalram * nUnit;
                st.ullAvailPhys = si.freeram * nUnit;
                st.ullTotalPageFile = si.totalswap * nUnit;
                st.ullAvailPageFile = si.freeswap * nUnit;
            } else {
                st.ullTotalPhys = st.ullAvailPhys = st.ullTotalPageFile = st.ullAvailPageFile = 0x1000000;
            }
        }
        s_stMemoryStatusCache.st = st;
        s_stMemoryStatusCache.tSecond = tNow;
        s_stMemoryStatusCache.bValid = true;
    }
    *pst = s_stMemoryStatusCache.st;
    return 1;
}

void GlobalMemoryStatus(MEMORYSTATUS* pst) {
    if (pst == nullptr) return;
    MEMORYSTATUSEX st;
    GlobalMemoryStatusEx(&st);
    pst->dwLength = sizeof(MEMORYSTATUS);
    pst->dwMemoryLoad = st.dwMemoryLoad;
    pst->dwTotalPhys = static_cast<uint32_t>(st.ullTotalPhys);
    pst->dwAvailPhys = static_cast<uint32_t>(st.ullAvailPhys);
    pst->dwTotalPageFile = static_cast<uint32_t>(st.ullTotalPageFile);
    pst->dwAvailPageFile = static_cast<uint32_t>(st.ullAvailPageFile);
}

int GetVersionEx(OSVERSIONINFO* pst) {
    if (pst == nullptr) return 0;
    const uint32_t nSize = pst->dwOSVersionInfoSize;
    memset(pst, 0, sizeof(*pst));
    pst->dwOSVersionInfoSize = nSize;
    pst->dwPlatformId = KX_PLATFORM_ID_UNIX;
    struct utsname stName;
    return uname(&stName) == 0 ? 1 : 0;
}

int bWindowsNT() {
    return 0;
}
int bWindows2000() {
    return 0;
}
int bWindowsXP() {
    return 0;
}
int bWindows2003() {
    return 0;
}
int bWindowsVista() {
    return 0;
}
int bWindowsSeven() {
    return 0;
}
int bWindows8() {
    return 0;
}
int bWindowsSmartphone() {
    return 0;
}
int bWindowsCE2002() {
    return 0;
}
int bIsWindows64() {
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Unique identifiers (time-based, version 1)
// ---------------------------------------------------------------------------------------------

namespace {

// 100-ns units between 1582-10-15 (start of the identifiers' clock) and 1970-01-01.
constexpr uint64_t UUID_TIME_OFFSET = 0x01B21DD213814000ull;
// Identifiers made within one microsecond: one per 100-ns unit.
constexpr unsigned UUID_PER_MICROSECOND = 10;

struct _stUuidGenerator {
    bool bInit;
    pid_t nPid;  // the process that drew the node and clock sequence
    unsigned char byNode[6];
    uint16_t nClockSeq;
    struct timeval tvLast;
    unsigned nCounter;
};
_stUuidGenerator s_stUuid;

int __nCompareTimeval(const struct timeval& a, const struct timeval& b) {
    if (a.tv_sec != b.tv_sec) return a.tv_sec < b.tv_sec ? -1 : 1;
    if (a.tv_usec != b.tv_usec) return a.tv_usec < b.tv_usec ? -1 : 1;
    return 0;
}

// Fills the buffer from the system's random source: the kernel's generator, else /dev/urandom. As a
// last resort (neither can be read) the time, the process and the address space are mixed in, which
// still tells processes apart.
void __RandomBytes(unsigned char* pby, size_t nSize) {
    size_t nDone = 0;
    while (nDone < nSize) {
        ssize_t n = getrandom(pby + nDone, nSize - nDone, 0);
        if (n > 0) {
            nDone += static_cast<size_t>(n);
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            break;
        }
    }
    if (nDone == nSize) return;
    int nHandle = open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (nHandle != -1) {
        while (nDone < nSize) {
            ssize_t n = read(nHandle, pby + nDone, nSize - nDone);
            if (n > 0)
                nDone += static_cast<size_t>(n);
            else if (!(n < 0 && errno == EINTR))
                break;
        }
        close(nHandle);
    }
    if (nDone == nSize) return;
    struct timeval tv;
    gettimeofday(&tv, nullptr);
    uint64_t n = (static_cast<uint64_t>(tv.tv_sec) * 1000000u + static_cast<uint64_t>(tv.tv_usec)) ^
                 (static_cast<uint64_t>(getpid()) << 32) ^ reinterpret_cast<uintptr_t>(&tv);
    for (size_t i = nDone; i < nSize; i++) {
        n = n * 6364136223846793005ull + 1442695040888963407ull;
        pby[i] = static_cast<unsigned char>(n >> 56);
    }
}

}  // namespace

int UuidCreate(_GUID* pGuid) {
    int nResult = 0;
    // Node and clock sequence come from the system's random source, drawn again in a child made by
    // fork: two processes never share them, so they never make the same identifier.
    if (!s_stUuid.bInit || s_stUuid.nPid != getpid()) {
        unsigned char abyRandom[8];
        __RandomBytes(abyRandom, sizeof(abyRandom));
        memcpy(s_stUuid.byNode, abyRandom, sizeof(s_stUuid.byNode));
        s_stUuid.byNode[0] |= 0x80;
        s_stUuid.nClockSeq = static_cast<uint16_t>((abyRandom[6] | (abyRandom[7] << 8)) & 0x1FFF);
        s_stUuid.nPid = getpid();
        gettimeofday(&s_stUuid.tvLast, nullptr);
        s_stUuid.tvLast.tv_sec--;
        s_stUuid.nCounter = 0;
        s_stUuid.bInit = true;
        nResult = KX_RPC_S_UUID_LOCAL_ONLY;
    }
    struct timeval tv;
    for (;;) {
        gettimeofday(&tv, nullptr);
        const int nOrder = __nCompareTimeval(tv, s_stUuid.tvLast);
        if (nOrder < 0) {
            // The clock went back: a new clock sequence keeps the identifiers apart.
            s_stUuid.nClockSeq = static_cast<uint16_t>((s_stUuid.nClockSeq + 1) % 8192);
            s_stUuid.nCounter = 0;
            break;
        }
        if (nOrder > 0) {
            s_stUuid.nCounter = 0;
            break;
        }
        // The same microsecond: the next 100-ns step, while one is left in it; then wait for the clock.
        if (s_stUuid.nCounter + 1 < UUID_PER_MICROSECOND) {
            s_stUuid.nCounter++;
            break;
        }
    }
    s_stUuid.tvLast = tv;
    if (pGuid == nullptr) return nResult;

    const uint64_t nTime = static_cast<uint64_t>(tv.tv_sec) * KX_FILETIME_PER_SECOND + UUID_TIME_OFFSET +
                           static_cast<uint64_t>(tv.tv_usec) * 10 + s_stUuid.nCounter;
    unsigned char by[16];
    by[0] = static_cast<unsigned char>(nTime >> 24);
    by[1] = static_cast<unsigned char>(nTime >> 16);
    by[2] = static_cast<unsigned char>(nTime >> 8);
    by[3] = static_cast<unsigned char>(nTime);
    by[4] = static_cast<unsigned char>(nTime >> 40);
    by[5] = static_cast<unsigned char>(nTime >> 32);
    by[6] = static_cast<unsigned char>(((nTime >> 56) & 0x0F) | 0x10);
    by[7] = static_cast<unsigned char>(nTime >> 48);
    const uint16_t nSeq = static_cast<uint16_t>(s_stUuid.nClockSeq | 0x8000);
    by[8] = static_cast<unsigned char>(nSeq >> 8);
    by[9] = static_cast<unsigned char>(nSeq);
    memcpy(by + 10, s_stUuid.byNode, 6);
    memcpy(pGuid, by, sizeof(by));
    return nResult;
}

int IsEqualGUID(const _GUID& a, const _GUID& b) {
    return memcmp(&a, &b, sizeof(_GUID)) == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// User-interface helpers
// ---------------------------------------------------------------------------------------------

namespace {

// Coordinates wrap as the Windows functions' 32-bit arithmetic does.
int32_t __nAdd(int32_t a, int32_t b) {
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

bool __bEmpty(const RECT& r) {
    return r.right <= r.left || r.bottom <= r.top;
}

void __Zero(RECT* p) {
    *p = RECT{0, 0, 0, 0};
}

// Code page 1252 letters and digits, one bit per byte value.
constexpr uint32_t s_tabAlphaNum1252[8] = {
    0x00000000, 0x03FF0000, 0x07FFFFFE, 0x07FFFFFE,  // digits, A-Z, a-z
    0xD4005408,                                      // 0x83 0x8A 0x8C 0x8E 0x9A 0x9C 0x9E 0x9F
    0x020C0000,                                      // 0xB2 0xB3 0xB9
    0xFF7FFFFF,                                      // 0xC0-0xD6, 0xD8-0xDF
    0xFF7FFFFF,                                      // 0xE0-0xF6, 0xF8-0xFF
};

}  // namespace

int CopyRect(RECT* pDst, const RECT* pSrc) {
    if (pDst == nullptr || pSrc == nullptr) return 0;
    *pDst = *pSrc;
    return 1;
}

int SetRect(RECT* pRect, int left, int top, int right, int bottom) {
    if (pRect == nullptr) return 0;
    *pRect = RECT{left, top, right, bottom};
    return 1;
}

int SetRectEmpty(RECT* pRect) {
    if (pRect == nullptr) return 0;
    __Zero(pRect);
    return 1;
}

int IsRectEmpty(const RECT* pRect) {
    return pRect == nullptr || __bEmpty(*pRect) ? 1 : 0;
}

int bEmule_IsRectEmpty(const RECT* pRect) {
    return IsRectEmpty(pRect);
}

int EqualRect(const RECT* a, const RECT* b) {
    if (a == nullptr || b == nullptr) return 0;
    return a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom ? 1 : 0;
}

int PtInRect(const RECT* pRect, POINT pt) {
    if (pRect == nullptr) return 0;
    return pRect->left <= pt.x && pt.x < pRect->right && pRect->top <= pt.y && pt.y < pRect->bottom ? 1 : 0;
}

int InflateRect(RECT* pRect, int dx, int dy) {
    if (pRect == nullptr) return 0;
    pRect->left = __nAdd(pRect->left, -dx);
    pRect->top = __nAdd(pRect->top, -dy);
    pRect->right = __nAdd(pRect->right, dx);
    pRect->bottom = __nAdd(pRect->bottom, dy);
    return 1;
}

int OffsetRect(RECT* pRect, int dx, int dy) {
    if (pRect == nullptr) return 0;
    pRect->left = __nAdd(pRect->left, dx);
    pRect->top = __nAdd(pRect->top, dy);
    pRect->right = __nAdd(pRect->right, dx);
    pRect->bottom = __nAdd(pRect->bottom, dy);
    return 1;
}

int bEmule_OffsetRect(RECT* pRect, int dx, int dy) {
    return OffsetRect(pRect, dx, dy);
}

int IntersectRect(RECT* pDst, const RECT* a, const RECT* b) {
    if (pDst == nullptr || a == nullptr || b == nullptr) return 0;
    const RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
                 std::min(a->bottom, b->bottom)};
    if (__bEmpty(*a) || __bEmpty(*b) || __bEmpty(r)) {
        __Zero(pDst);
        return 0;
    }
    *pDst = r;
    return 1;
}

int bEmule_IntersectRect(RECT* pDst, const RECT* a, const RECT* b) {
    return IntersectRect(pDst, a, b);
}

int UnionRect(RECT* pDst, const RECT* a, const RECT* b) {
    if (pDst == nullptr || a == nullptr || b == nullptr) return 0;
    const bool bEmptyA = __bEmpty(*a), bEmptyB = __bEmpty(*b);
    if (bEmptyA && bEmptyB) {
        __Zero(pDst);
        return 0;
    }
    if (bEmptyA || bEmptyB) {
        *pDst = bEmptyA ? *b : *a;
        return 1;
    }
    *pDst = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                 std::max(a->bottom, b->bottom)};
    return 1;
}

int SubtractRect(RECT* pDst, const RECT* a, const RECT* b) {
    if (pDst == nullptr || a == nullptr || b == nullptr) return 0;
    if (__bEmpty(*a)) {
        __Zero(pDst);
        return 0;
    }
    RECT rCommon;
    RECT r = *a;
    if (IntersectRect(&rCommon, a, b)) {
        if (EqualRect(&rCommon, a)) {
            __Zero(pDst);
            return 0;
        }
        if (rCommon.left == a->left && rCommon.right == a->right) {
            if (rCommon.top == a->top)
                r.top = rCommon.bottom;
            else if (rCommon.bottom == a->bottom)
                r.bottom = rCommon.top;
        } else if (rCommon.top == a->top && rCommon.bottom == a->bottom) {
            if (rCommon.left == a->left)
                r.left = rCommon.right;
            else if (rCommon.right == a->right)
                r.right = rCommon.left;
        }
    }
    *pDst = r;
    return 1;
}

int MulDiv(int a, int b, int c) {
    if (c == 0) return -1;
    int64_t nA = a, nC = c;
    if (nC < 0) {
        nA = -nA;
        nC = -nC;
    }
    // The product in 64 bits: the 32-bit one wraps for ordinary screen and print scalings.
    const int64_t nProduct = nA * b;
    const int64_t nResult = nProduct >= 0 ? (nProduct + nC / 2) / nC : (nProduct - nC / 2) / nC;
    if (nResult > INT32_MAX || nResult < INT32_MIN) return -1;
    return static_cast<int>(nResult);
}

int LinuxIsCharAlphaNumericA(char c) {
    const unsigned char by = static_cast<unsigned char>(c);
    return (s_tabAlphaNum1252[by >> 5] >> (by & 31)) & 1;
}

int bEmule_IsCharAlphaNumericA(char c) {
    return LinuxIsCharAlphaNumericA(c);
}

int nEmule_LoadStringW(void*, unsigned, wchar_t* pszBuffer, int nSize) {
    if (pszBuffer != nullptr && nSize > 0) pszBuffer[0] = L'\0';
    return 0;
}

int nEmule_LoadStringA(void*, unsigned, char* pszBuffer, int nSize) {
    if (pszBuffer != nullptr && nSize > 0) pszBuffer[0] = '\0';
    return 0;
}
