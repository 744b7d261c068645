// CDiskFile, lowest layer of the file toolbox: the system calls that take a path, reached with a wide
// name passed on as UTF-8; the one error routine through which the static file operations report;
// tests of existence, type and status; deleting a file by name.
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/XError.h"
#include "core/platformwin/WinCodePage.h"
#include "platform/DiskFile.h"
#include "platform/DiskFileInternal.h"

namespace {

// Conversion buffers up to this size live on the stack; longer paths are converted on the heap.
constexpr int DISKFILE_STACK_PATH = 1023;

// Calls fn with the UTF-8 form of a wide path (a null path is the empty one). A name that UTF-8
// cannot carry is refused (errno EILSEQ): converted, it would name another file. When the heap
// buffer of a long path can't be had, fn is not called either: the result is xFailure with errno
// ENOMEM.
template <typename R, typename F>
R _xWithUTF8(const wchar_t* pszPath, R xFailure, F fn) {
    if (pszPath == nullptr || *pszPath == 0) return fn("");
    int nLength = static_cast<int>(wcslen(pszPath));
    if (!_bUTF8CanCarry(pszPath, static_cast<size_t>(nLength))) {
        errno = EILSEQ;
        return xFailure;
    }
    int nNeeded = WideCharToMultiByte(CP_UTF8, 0, pszPath, nLength, nullptr, 0, nullptr, nullptr);
    char szStack[DISKFILE_STACK_PATH];
    char* pszUTF8 = szStack;
    if (nNeeded + 1 > DISKFILE_STACK_PATH) {
        pszUTF8 = static_cast<char*>(malloc(static_cast<size_t>(nNeeded) + 1));
        if (pszUTF8 == nullptr) {
            errno = ENOMEM;
            return xFailure;
        }
    }
    int nWritten = WideCharToMultiByte(CP_UTF8, 0, pszPath, nLength, pszUTF8, nNeeded + 1, nullptr, nullptr);
    pszUTF8[nWritten > 0 ? nWritten : 0] = 0;
    R xResult = fn(pszUTF8);
    if (pszUTF8 != szStack) {
        int nSaved = errno;
        free(pszUTF8);
        errno = nSaved;
    }
    return xResult;
}

// UTF-8 text into a wide buffer of nSize characters; FALSE (buffer emptied) when it does not fit.
int _bFromUTF8(const char* pszText, wchar_t* pszBuffer, uint32_t nSize) {
    if (pszBuffer == nullptr || nSize == 0) return 0;
    if (MultiByteToWideChar(CP_UTF8, 0, pszText, -1, pszBuffer, static_cast<int>(nSize)) <= 0) {
        pszBuffer[0] = 0;
        return 0;
    }
    pszBuffer[nSize - 1] = 0;
    return 1;
}

}  // namespace

bool _bUTF8CanCarry(const wchar_t* psz, size_t nLength) {
    for (size_t i = 0; i < nLength; i++) {
        // Surrogates are halves of UTF-16 pairs, not characters; UTF-8 ends at U+10FFFF.
        uint32_t c = static_cast<uint32_t>(psz[i]);
        if (c == 0 || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
    }
    return true;
}

char* _pszToSystemName(const wchar_t* pszName) {
    if (pszName == nullptr) pszName = L"";
    size_t nLength = wcslen(pszName);
    if (!_bUTF8CanCarry(pszName, nLength)) {
        errno = EILSEQ;
        return nullptr;
    }
    int nNeeded = WideCharToMultiByte(CP_UTF8, 0, pszName, -1, nullptr, 0, nullptr, nullptr);
    char* pszOut = nNeeded > 0 ? static_cast<char*>(malloc(static_cast<size_t>(nNeeded))) : nullptr;
    if (pszOut == nullptr) {
        errno = ENOMEM;
        return nullptr;
    }
    if (WideCharToMultiByte(CP_UTF8, 0, pszName, -1, pszOut, nNeeded, nullptr, nullptr) != nNeeded) {
        free(pszOut);
        errno = EILSEQ;
        return nullptr;
    }
    return pszOut;
}

// ---------------------------------------------------------------------------------------------------------------
// Wrappers: each returns the system call's result and leaves errno as the call set it.

int CDiskFile::Unix_ropen(const wchar_t* pszPath, int nFlags, mode_t nMode) {
    return Unix_open(pszPath, nFlags, nMode);
}

int CDiskFile::Unix_open(const wchar_t* pszPath, int nFlags, mode_t nMode) {
    return _xWithUTF8(pszPath, -1, [&](const char* psz) { return open(psz, nFlags, nMode); });
}

int CDiskFile::Unix_open(const wchar_t* pszPath, int nFlags) {
    return _xWithUTF8(pszPath, -1, [&](const char* psz) { return open(psz, nFlags); });
}

FILE* CDiskFile::Unix_fopen(const wchar_t* pszPath, const char* pszMode) {
    return _xWithUTF8(pszPath, static_cast<FILE*>(nullptr), [&](const char* psz) { return fopen(psz, pszMode); });
}

int CDiskFile::Unix_stat(const wchar_t* pszPath, struct stat* pstStat, uint32_t* pnErrno) {
    int nResult = _xWithUTF8(pszPath, -1, [&](const char* psz) { return stat(psz, pstStat); });
    if (pnErrno != nullptr) *pnErrno = static_cast<uint32_t>(errno);
    return nResult;
}

int CDiskFile::Unix_lstat(const wchar_t* pszPath, struct stat* pstStat) {
    return _xWithUTF8(pszPath, -1, [&](const char* psz) { return lstat(psz, pstStat); });
}

int CDiskFile::Unix_access(const wchar_t* pszPath, int nMode, uint32_t* pnErrno) {
    int nResult = _xWithUTF8(pszPath, -1, [&](const char* psz) { return access(psz, nMode); });
    if (pnErrno != nullptr) *pnErrno = static_cast<uint32_t>(errno);
    return nResult;
}

int CDiskFile::Unix_chmod(const wchar_t* pszPath, mode_t nMode) {
    return _xWithUTF8(pszPath, -1, [&](const char* psz) { return chmod(psz, nMode); });
}

int CDiskFile::__Unix_chown(const wchar_t* pszPath, uid_t nUid, gid_t nGid) {
    return _xWithUTF8(pszPath, -1, [&](const char* psz) { return chown(psz, nUid, nGid); });
}

int CDiskFile::Unix_utime(const wchar_t* pszPath, const struct utimbuf* pstTimes) {
    return _xWithUTF8(pszPath, -1, [&](const char* psz) { return utime(psz, pstTimes); });
}

int CDiskFile::Unix_unlink(const wchar_t* pszPath) {
    return _xWithUTF8(pszPath, -1, [&](const char* psz) { return unlink(psz); });
}

int CDiskFile::__Unix_rmdir(const wchar_t* pszPath) {
    return _xWithUTF8(pszPath, -1, [&](const char* psz) { return rmdir(psz); });
}

int CDiskFile::__Unix_mkdir(const wchar_t* pszPath, mode_t nMode) {
    return _xWithUTF8(pszPath, -1, [&](const char* psz) { return mkdir(psz, nMode); });
}

int CDiskFile::Unix_mkfifo(const wchar_t* pszPath, mode_t nMode) {
    return _xWithUTF8(pszPath, -1, [&](const char* psz) { return mkfifo(psz, nMode); });
}

int CDiskFile::__Unix_rename(const wchar_t* pszOld, const wchar_t* pszNew) {
    return _xWithUTF8(pszOld, -1, [&](const char* pszOld8) {
        return _xWithUTF8(pszNew, -1, [&](const char* pszNew8) { return rename(pszOld8, pszNew8); });
    });
}

DIR* CDiskFile::__Unix_opendir(const wchar_t* pszPath) {
    return _xWithUTF8(pszPath, static_cast<DIR*>(nullptr), [&](const char* psz) { return opendir(psz); });
}

int CDiskFile::__Unix_statfs(const wchar_t* pszPath, struct statfs* pstStatfs) {
    return _xWithUTF8(pszPath, -1, [&](const char* psz) { return statfs(psz, pstStatfs); });
}

int CDiskFile::Unix_chdir(const wchar_t* pszPath) {
    return _xWithUTF8(pszPath, -1, [&](const char* psz) { return chdir(psz); });
}

int CDiskFile::Unix_system(const wchar_t* pszCommand) {
    return _xWithUTF8(pszCommand, -1, [&](const char* psz) { return system(psz); });
}

int CDiskFile::Unix_getcwd(wchar_t* pszBuffer, uint32_t nSize) {
    if (pszBuffer == nullptr || nSize == 0) {
        errno = EINVAL;
        return 0;
    }
    char szStack[DISKFILE_STACK_PATH];
    char* pszUTF8 = szStack;
    if (nSize > sizeof(szStack)) {
        pszUTF8 = static_cast<char*>(malloc(nSize));
        if (pszUTF8 == nullptr) {
            errno = ENOMEM;
            return 0;
        }
    }
    int bResult = getcwd(pszUTF8, nSize) != nullptr;
    int nSaved = errno;
    if (bResult) bResult = _bFromUTF8(pszUTF8, pszBuffer, nSize);
    if (pszUTF8 != szStack) free(pszUTF8);
    errno = nSaved;
    return bResult;
}

int CDiskFile::Unix_gethomedir(wchar_t* pszBuffer, uint32_t nSize) {
    const char* pszHome = getenv("HOME");
    if (pszHome == nullptr) {
        struct passwd* pstUser = getpwuid(getuid());
        if (pstUser != nullptr) pszHome = pstUser->pw_dir;
    }
    return _bFromUTF8(pszHome != nullptr ? pszHome : ".", pszBuffer, nSize);
}

// ---------------------------------------------------------------------------------------------------------------
// Error reporting of the toolbox

int CDiskFile::_bOnError(int bOk, CXError* pclErr) {
    if (pclErr == nullptr) return 0;
    int nSaved = errno;
    pclErr->RAZ();
    if (bOk) {
        errno = nSaved;
        return 0;
    }
    pclErr->SetErrorLevel(CXError::XEL_ERROR);
    pclErr->__SetSystemError(static_cast<uint32_t>(nSaved));
    errno = nSaved;
    return 1;
}

void CDiskFile::_OnMemoryError(CXError* pclErr) {
    if (pclErr == nullptr) return;
    pclErr->RAZ();
    pclErr->SetErrorLevel(CXError::XEL_ERROR);
    pclErr->InitModInfo(&gstMyModuleInfo39, 1);
    pclErr->AddDebugMessageNoFormat(L"##MemoryException##");
}

// ---------------------------------------------------------------------------------------------------------------
// Existence, type, status

int CDiskFile::bExist(const wchar_t* pszPath, uint32_t& nErrno, CXError*) {
    return Unix_access(_clSlashed(pszPath).pszGet(), F_OK, &nErrno) == 0;
}

int CDiskFile::bExist(const wchar_t* pszPath, CXError*) {
    return Unix_access(_clSlashed(pszPath).pszGet(), F_OK, nullptr) == 0;
}

int CDiskFile::bIsAFile(const wchar_t* pszPath, CXError*) {
    if (pszPath == nullptr) return 0;
    struct stat stStat;
    return Unix_stat(_clSlashed(pszPath).pszGet(), &stStat, nullptr) == 0 && S_ISREG(stStat.st_mode);
}

int CDiskFile::bIsADirectory(const wchar_t* pszPath, CXError*) {
    if (pszPath == nullptr) return 0;
    struct stat stStat;
    return Unix_stat(_clSlashed(pszPath).pszGet(), &stStat, nullptr) == 0 && S_ISDIR(stStat.st_mode);
}

int CDiskFile::bGetFileStatus(const wchar_t* pszPath, struct stat* pstStat, CXError* pclErr) {
    CTString clPath = _clSlashed(pszPath);
    if (!bExist(clPath.pszGet())) return 0;
    int bOk = Unix_stat(clPath.pszGet(), pstStat, nullptr) == 0;
    if (_bOnError(bOk, pclErr)) {
        int nSaved = errno;
        pclErr->InitModInfo(&gstMyModuleInfo39, 1);
        pclErr->AddUserMessage(&gstMyModuleInfo39, 28128, clPath.pszGet());
        pclErr->AddInfo(CXError::EIT_SRCFILE, clPath.pszGet());
        pclErr->__SetSystemError(static_cast<uint32_t>(nSaved));
        errno = nSaved;
    }
    return bOk;
}

int64_t CDiskFile::s_oGetSize(const wchar_t* pszPath, CXError* pclErr) {
    struct stat stStat;
    if (!bGetFileStatus(pszPath, &stStat, pclErr) || !S_ISREG(stStat.st_mode)) return -1;
    return stStat.st_size;
}

int CDiskFile::bSystemSupportHugeFile(CXError*) {
    return 1;
}

int CDiskFile::sbIsBadNetworkFile(const wchar_t*) {
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Delete by name

int CDiskFile::bDelete(const wchar_t* pszPath, CXError* pclErr) {
    CTString clPath = _clSlashed(pszPath);
    int bOk = Unix_unlink(clPath.pszGet()) == 0;
    if (_bOnError(bOk, pclErr)) {
        int nSaved = errno;
        pclErr->InitModInfo(&gstMyModuleInfo39, 1);
        pclErr->AddUserMessage(&gstMyModuleInfo39, 28123, clPath.pszGet());
        pclErr->AddInfo(CXError::EIT_SRCFILE, clPath.pszGet());
        errno = nSaved;
    }
    return bOk;
}

int CDiskFile::bForceDelete(const wchar_t* pszPath, CXError*) {
    return Unix_unlink(_clSlashed(pszPath).pszGet()) == 0;
}
