// The rest of the Windows programming interfaces the common code is written against, carried over to
// Linux: heap and global memory blocks, the clock and the Windows time records (SYSTEMTIME,
// FILETIME) with their conversions between UTC and local time, memory and system information,
// time-based unique identifiers, and the small rectangle, arithmetic and character helpers of the
// Windows user-interface library. Results keep the Windows form (1 or 0, a value, null) and the POSIX
// error stays in errno; the only thing raised is the allocation failure a caller asks for with
// HEAP_GENERATE_EXCEPTIONS.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>

// ---- Records ----

// Broken-down time: year, month (1 to 12), day of week (0 = Sunday), day, hour, minute, second,
// milliseconds.
struct _SYSTEMTIME {
    uint16_t wYear;
    uint16_t wMonth;
    uint16_t wDayOfWeek;
    uint16_t wDay;
    uint16_t wHour;
    uint16_t wMinute;
    uint16_t wSecond;
    uint16_t wMilliseconds;
};
typedef _SYSTEMTIME SYSTEMTIME;
static_assert(sizeof(_SYSTEMTIME) == 16);
static_assert(offsetof(_SYSTEMTIME, wDayOfWeek) == 4 && offsetof(_SYSTEMTIME, wMilliseconds) == 14);

// 100-nanosecond units since 1601-01-01 UTC, in two 32-bit halves.
struct _FILETIME {
    uint32_t dwLowDateTime;
    uint32_t dwHighDateTime;
};
typedef _FILETIME FILETIME;
static_assert(sizeof(_FILETIME) == 8);

// FILETIME of 1970-01-01 00:00:00 UTC, and FILETIME units in one second.
constexpr uint64_t KX_FILETIME_UNIX_EPOCH = 116444736000000000ull;
constexpr uint64_t KX_FILETIME_PER_SECOND = 10000000ull;

// The 64-bit value of a FILETIME and back.
inline uint64_t nFileTimeToU64(const FILETIME& ft) {
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}
inline void U64ToFileTime(uint64_t n, FILETIME* pft) {
    pft->dwLowDateTime = static_cast<uint32_t>(n);
    pft->dwHighDateTime = static_cast<uint32_t>(n >> 32);
}

struct tagRECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
typedef tagRECT RECT;
static_assert(sizeof(tagRECT) == 16);

struct tagPOINT {
    int32_t x;
    int32_t y;
};
typedef tagPOINT POINT;
static_assert(sizeof(tagPOINT) == 8);

// Memory status as this emulation fills it: dwLength is 40 (its own size), sizes in bytes.
struct _MEMORYSTATUSEX {
    uint32_t dwLength;
    uint32_t dwMemoryLoad;
    uint64_t ullTotalPhys;
    uint64_t ullAvailPhys;
    uint64_t ullTotalPageFile;
    uint64_t ullAvailPageFile;
};
typedef _MEMORYSTATUSEX MEMORYSTATUSEX;
static_assert(sizeof(_MEMORYSTATUSEX) == 40);
static_assert(offsetof(_MEMORYSTATUSEX, ullTotalPhys) == 8 && offsetof(_MEMORYSTATUSEX, ullAvailPageFile) == 32);

// The narrow form: dwLength 24, each size the low 32 bits of the wide value.
struct _MEMORYSTATUS {
    uint32_t dwLength;
    uint32_t dwMemoryLoad;
    uint32_t dwTotalPhys;
    uint32_t dwAvailPhys;
    uint32_t dwTotalPageFile;
    uint32_t dwAvailPageFile;
};
typedef _MEMORYSTATUS MEMORYSTATUS;
static_assert(sizeof(_MEMORYSTATUS) == 24);

struct _OSVERSIONINFO {
    uint32_t dwOSVersionInfoSize;
    uint32_t dwMajorVersion;
    uint32_t dwMinorVersion;
    uint32_t dwBuildNumber;
    uint32_t dwPlatformId;
    wchar_t szCSDVersion[128];
};
typedef _OSVERSIONINFO OSVERSIONINFO;

// The platform id GetVersionEx reports: none of Windows' own.
constexpr uint32_t KX_PLATFORM_ID_UNIX = 1000;

struct _GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
};
static_assert(sizeof(_GUID) == 16);

// ---- Memory ----

#ifndef HEAP_GENERATE_EXCEPTIONS
#define HEAP_GENERATE_EXCEPTIONS 0x00000004  // a failed allocation throws (unsigned)0xC0000017
#define HEAP_ZERO_MEMORY 0x00000008          // new bytes are cleared
#endif
#ifndef GMEM_ZEROINIT
#define GMEM_ZEROINIT 0x0040  // GlobalAlloc / GlobalReAlloc clear the whole block
#define GMEM_MODIFY 0x0080    // GlobalReAlloc changes nothing and hands the block back
#endif
// The value thrown (as unsigned int) when an allocation asked to throw cannot be made.
constexpr unsigned int KX_STATUS_NO_MEMORY = 0xC0000017u;

// A heap handle for callers that want one; the heap functions do not look at it.
void* GetProcessHeap();

// A block of size bytes behind a 32-bit prefix holding the size; the caller holds the address after
// the prefix. HEAP_ZERO_MEMORY clears it. Failure (including a size beyond 32 bits): null, or the
// exception with HEAP_GENERATE_EXCEPTIONS.
void* HeapAlloc(void* hHeap, unsigned flags, size_t size);
// Resizes a block of HeapAlloc; HEAP_ZERO_MEMORY clears the bytes beyond the old size. On failure the
// old block stays valid (null or the exception as HeapAlloc). A null block is allocated afresh.
void* HeapReAlloc(void* hHeap, unsigned flags, void* pBlock, size_t size);
// Releases a block of HeapAlloc / HeapReAlloc (null allowed); 1.
int HeapFree(void* hHeap, unsigned flags, void* pBlock);
// The size recorded in front of a block of HeapAlloc; (size_t)-1 for null.
size_t HeapSize(void* hHeap, unsigned flags, const void* pBlock);

// malloc; GMEM_ZEROINIT clears the block.
void* GlobalAlloc(unsigned flags, size_t size);
// GMEM_MODIFY: the block unchanged. Otherwise realloc (the old block stays valid on failure, which
// gives null); GMEM_ZEROINIT clears the whole new block.
void* GlobalReAlloc(void* pBlock, size_t size, unsigned flags);
// free (null allowed); null.
void* GlobalFree(void* pBlock);
void* GlobalLock(void* pBlock);
int GlobalUnlock(void* pBlock);
void ZeroMemory(void* p, size_t n);

// ---- Time ----

// Milliseconds since 1970-01-01 UTC (not since boot); a 64-bit count, so it does not wrap.
unsigned long GetTickCount();
// Now, to the microsecond.
void GetSystemTimeAsFileTime(FILETIME* pft);
// Now, local or UTC; milliseconds from the microseconds.
void GetLocalTime(SYSTEMTIME* pst);
void GetSystemTime(SYSTEMTIME* pst);
// Sets the system clock from local fields (daylight saving decided by the system, milliseconds
// ignored); 1 on success, 0 with errno.
int SetLocalTime(const SYSTEMTIME* pst);
// The fields taken as UTC, whole seconds (day of week and milliseconds ignored); 0 when the C library
// refuses them, the target then untouched.
int SystemTimeToFileTime(const SYSTEMTIME* pst, FILETIME* pft);
// UTC fields of the whole seconds of a FILETIME, milliseconds 0; 0 when it cannot be broken down.
int FileTimeToSystemTime(const FILETIME* pft, SYSTEMTIME* pst);
// UTC to local: the offset from UTC in force at that instant is added; and back. 0 on refusal.
int FileTimeToLocalFileTime(const FILETIME* pftUTC, FILETIME* pftLocal);
int LocalFileTimeToFileTime(const FILETIME* pftLocal, FILETIME* pftUTC);
// Seconds since 1970 to a FILETIME (nothing for a null target).
void TimeToFileTime(time_t t, FILETIME* pft);
// The status-change (as creation), access and modification times of an open descriptor, whole
// seconds; each target optional; 0 when fstat fails.
int GetFileTime(int fd, FILETIME* pftCreation, FILETIME* pftLastAccess, FILETIME* pftLastWrite);
// Sets the access and modification times of a file by name; the creation time is ignored, a missing
// time is kept as the file has it; both missing: 1 at once. 1 on success, 0 with errno.
int SetFileTime(const wchar_t* pszPath, const FILETIME* pftCreation, const FILETIME* pftLastAccess,
                const FILETIME* pftLastWrite);
// UTC fields to local fields (milliseconds 0), and local fields to UTC fields (milliseconds kept).
// 0 for a year or month of 0, or when the C library refuses the value.
int bUTCVersLocal(const SYSTEMTIME* pstUTC, SYSTEMTIME* pstLocal);
int bLocalVersUTC(const SYSTEMTIME* pstLocal, SYSTEMTIME* pstUTC);
// time(), or -1 when it does not fit in 31 bits; stored through pt when given.
int32_t _time32(int32_t* pt);
// ctime and localtime of a 32-bit time (their static results).
char* _ctime32(const int32_t* pt);
struct tm* _localtime32(const int32_t* pt);

// ---- System information ----

// Memory load and sizes from /proc/meminfo (or sysinfo), computed at most once a second; 1.
int GlobalMemoryStatusEx(MEMORYSTATUSEX* pst);
// The reading of one meminfo-format stream into *pst (length, sizes and load), as
// GlobalMemoryStatusEx does it for /proc/meminfo.
void __ReadMemInfo(FILE* pFile, MEMORYSTATUSEX* pst);
void GlobalMemoryStatus(MEMORYSTATUS* pst);
// Clears the record except its size, platform id KX_PLATFORM_ID_UNIX; 1 when uname succeeds.
int GetVersionEx(OSVERSIONINFO* pst);
// Windows version tests: none of them holds here.
int bWindowsNT();
int bWindows2000();
int bWindowsXP();
int bWindows2003();
int bWindowsVista();
int bWindowsSeven();
int bWindows8();
int bWindowsSmartphone();
int bWindowsCE2002();
int bIsWindows64();
// The answer of the first UuidCreate of the process (an identifier unique to this machine only).
constexpr int KX_RPC_S_UUID_LOCAL_ONLY = 1824;
// A time-based (version 1) identifier: KX_RPC_S_UUID_LOCAL_ONLY on the first call, 0 after. Its node
// and clock sequence are drawn from the system's random source once per process.
int UuidCreate(_GUID* pGuid);
// The 16 bytes are equal.
int IsEqualGUID(const _GUID& a, const _GUID& b);

// ---- User-interface helpers ----

// A rectangle is empty when its width or height is not positive. A null rectangle argument makes
// every function below answer 0 without writing.
int CopyRect(RECT* pDst, const RECT* pSrc);
int SetRect(RECT* pRect, int left, int top, int right, int bottom);
int SetRectEmpty(RECT* pRect);
int IsRectEmpty(const RECT* pRect);
int bEmule_IsRectEmpty(const RECT* pRect);
int EqualRect(const RECT* a, const RECT* b);
// left <= x < right and top <= y < bottom.
int PtInRect(const RECT* pRect, POINT pt);
int InflateRect(RECT* pRect, int dx, int dy);
int OffsetRect(RECT* pRect, int dx, int dy);
int bEmule_OffsetRect(RECT* pRect, int dx, int dy);
// The common part and 1 when both are non-empty and overlap; else all zero and 0.
int IntersectRect(RECT* pDst, const RECT* a, const RECT* b);
int bEmule_IntersectRect(RECT* pDst, const RECT* a, const RECT* b);
// The bounding box of the non-empty ones and 1; all zero and 0 when both are empty.
int UnionRect(RECT* pDst, const RECT* a, const RECT* b);
// a without b when what remains is a rectangle; a covered by b gives all zero and 0; otherwise a.
int SubtractRect(RECT* pDst, const RECT* a, const RECT* b);
// a x b / c rounded half away from zero; -1 when c is 0 or the result does not fit in 32 bits.
int MulDiv(int a, int b, int c);
// Letters and digits of code page 1252.
int LinuxIsCharAlphaNumericA(char c);
int bEmule_IsCharAlphaNumericA(char c);
// There are no string resources: always 0.
int nEmule_LoadStringW(void* hInstance, unsigned id, wchar_t* pszBuffer, int nSize);
int nEmule_LoadStringA(void* hInstance, unsigned id, char* pszBuffer, int nSize);
