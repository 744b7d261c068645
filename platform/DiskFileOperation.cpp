// CDiskFile, file and directory operations by name: rename, move and copy, the attribute word, mode
// and owner, file times and their conversions (local broken-down time, Windows file time, DOS
// date-time), directories (create with parents, delete, current, temporary, home), temporary files,
// disk space, and the loading of a text file whose byte-order mark tells its encoding. Every name is
// turned to slashes in a private copy first. Operations that take a CXError* describe a failure
// there (cleared on success); a null pointer means the caller wants no description.
#include <fcntl.h>
#include <pwd.h>
#include <sys/random.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <string>

#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/UnicodeToolkit.h"
#include "core/XError.h"
#include "core/XYString.h"
#include "core/platformwin/WinCodePage.h"
#include "platform/DiskFile.h"
#include "platform/DiskFileInternal.h"
#include "platform/WinMemoryTime.h"

namespace {

// Copies between files by name go in chunks of this size.
constexpr uint32_t DISKFILE_COPY_BLOCK = 4096;
// Attribute word: the type bits (without the FIFO bit) and the nine permission bits of st_mode, and
// the hidden bit for a name that starts with '.'.
constexpr uint32_t DISKFILE_ATTRIBUTE_MODE_MASK = 0xE1FF;
constexpr uint32_t DISKFILE_ATTRIBUTE_HIDDEN = 0x80000000u;

// Ends a toolbox operation: a success clears the error object; a failure fills it with level 3,
// errno, this library's module, the user message with its arguments and the file items. errno is
// left as the failure set it. Answers bOk.
template <typename... A>
int _bFinish(int bOk, CXError* pclErr, uint32_t nMessage, const wchar_t* pszSource, const wchar_t* pszDestination,
             A... args) {
    if (CDiskFile::_bOnError(bOk, pclErr)) {
        int nSaved = errno;
        pclErr->InitModInfo(&gstMyModuleInfo39, 1);
        pclErr->AddUserMessage(&gstMyModuleInfo39, nMessage, args...);
        if (pszSource != nullptr) pclErr->AddInfo(CXError::EIT_SRCFILE, pszSource);
        if (pszDestination != nullptr) pclErr->AddInfo(CXError::EIT_DSTFILE, pszDestination);
        errno = nSaved;
    }
    return bOk;
}

// errno of a local disk file's last failure, as its own report holds it.
void _SetErrnoFrom(const CDiskFile& clFile) {
    errno = static_cast<int>(clFile.pclGetXError()->dwGetSystemErrorCode());
}

// Writes the whole buffer to a descriptor; errno tells a failure.
bool _bWriteAll(int nHandle, const unsigned char* pby, size_t nSize) {
    while (nSize > 0) {
        ssize_t n = write(nHandle, pby, nSize);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = EIO;
            return false;
        }
        pby += n;
        nSize -= static_cast<size_t>(n);
    }
    return true;
}

// A new file beside sTarget (same directory, so that a rename can put it in place), opened for
// writing with the mode a new file gets (0666 less the umask); its descriptor and name, or -1.
int _nOpenTempBeside(const std::string& sTarget, std::string* psTemp) {
    // The target's directory with its end slash ("/" for a file right under the root), or nothing
    // for a name in the working directory.
    const size_t nSlash = sTarget.rfind('/');
    const std::string sDirectory = nSlash == std::string::npos ? std::string() : sTarget.substr(0, nSlash + 1);
    static const char s_szChars[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int nTry = 0; nTry < 100; nTry++) {
        unsigned char abyRandom[8];
        if (getrandom(abyRandom, sizeof(abyRandom), GRND_NONBLOCK) != static_cast<ssize_t>(sizeof(abyRandom))) {
            uint64_t n = static_cast<uint64_t>(time(nullptr)) ^ (static_cast<uint64_t>(getpid()) << 20) ^
                         (static_cast<uint64_t>(nTry) << 40) ^ reinterpret_cast<uintptr_t>(psTemp);
            memcpy(abyRandom, &n, sizeof(abyRandom));
        }
        std::string sName = sDirectory;
        sName.append(".kxcopy.");
        for (unsigned char by : abyRandom) sName += s_szChars[by % (sizeof(s_szChars) - 1)];
        int nHandle = open(sName.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (nHandle != -1) {
            *psTemp = sName;
            return nHandle;
        }
        if (errno != EEXIST) return -1;
    }
    return -1;
}

// The contents of one file into another; errno tells a failure. The source is opened and its first
// block read before anything is written, so a source that can't be read (a directory, no
// permission) fails the copy with the destination untouched. The copy goes to a new file beside
// the destination, which takes the destination's place only once complete: a copy that fails
// half-way leaves the destination as it was, never emptied or cut. An existing destination passes
// its permission bits (and, where the system allows, its owner) on to its replacement; a link is
// followed to the file it names, which is the one replaced.
int _bCopyContents(const wchar_t* pszDestination, const wchar_t* pszSource) {
    CDiskFile clSource;
    if (!clSource.bOpen(pszSource, IXStream::eAccessRead, IXStream::eShareNone, IXStream::eCreateOpenExisting,
                        IXStream::eFlagNone, nullptr)) {
        _SetErrnoFrom(clSource);
        return 0;
    }
    unsigned char tabBlock[DISKFILE_COPY_BLOCK];
    uint32_t nRead = 0;
    if (!clSource.bRead(tabBlock, DISKFILE_COPY_BLOCK, &nRead)) {
        _SetErrnoFrom(clSource);
        return 0;
    }

    char* pszTarget = _pszToSystemName(pszDestination);
    if (pszTarget == nullptr) return 0;
    std::string sTarget = pszTarget;
    free(pszTarget);
    struct stat stTarget;
    bool bExisting = false;
    if (lstat(sTarget.c_str(), &stTarget) == 0) {
        char* pszReal = realpath(sTarget.c_str(), nullptr);
        if (pszReal == nullptr) return 0;  // a link to nothing: nothing to replace
        sTarget = pszReal;
        free(pszReal);
        bExisting = stat(sTarget.c_str(), &stTarget) == 0;
        if (bExisting && S_ISDIR(stTarget.st_mode)) {
            errno = EISDIR;
            return 0;
        }
    } else if (errno != ENOENT) {
        return 0;
    }

    std::string sTemp;
    int nTemp = _nOpenTempBeside(sTarget, &sTemp);
    if (nTemp == -1) return 0;
    bool bOk = true;
    if (bExisting) {
        bOk = fchmod(nTemp, stTarget.st_mode & 07777) == 0;
        // The owner goes over where the system allows it (to root); elsewhere the replacement is
        // the copier's, as any file it makes.
        int nSaved = errno;
        if (bOk && (stTarget.st_uid != geteuid() || stTarget.st_gid != getegid()) &&
            fchown(nTemp, stTarget.st_uid, stTarget.st_gid) != 0)
            errno = nSaved;
    }
    for (;;) {
        if (!bOk) break;
        if (nRead > 0 && !_bWriteAll(nTemp, tabBlock, nRead)) {
            bOk = false;
            break;
        }
        if (nRead < DISKFILE_COPY_BLOCK) break;
        if (!clSource.bRead(tabBlock, DISKFILE_COPY_BLOCK, &nRead)) {
            _SetErrnoFrom(clSource);
            bOk = false;
        }
    }
    if (close(nTemp) != 0 && bOk) bOk = false;
    if (bOk && rename(sTemp.c_str(), sTarget.c_str()) != 0) bOk = false;
    if (!bOk) {
        int nSaved = errno;
        unlink(sTemp.c_str());
        errno = nSaved;
        return 0;
    }
    return 1;
}

// UTF-8 text into a buffer of nSize wide characters when it fits whole; FALSE (errno ENAMETOOLONG)
// otherwise, with the buffer untouched.
int _bWideFromUTF8(const char* psz, wchar_t* pszBuffer, uint32_t nSize) {
    int nNeeded = MultiByteToWideChar(CP_UTF8, 0, psz, -1, nullptr, 0);  // the terminator included
    if (pszBuffer == nullptr || nNeeded <= 0 || static_cast<uint32_t>(nNeeded) > nSize) {
        errno = ENAMETOOLONG;
        return 0;
    }
    MultiByteToWideChar(CP_UTF8, 0, psz, -1, pszBuffer, nNeeded);
    return 1;
}

bool _bIsDirectory8(const char* psz) {
    struct stat st;
    return psz != nullptr && stat(psz, &st) == 0 && S_ISDIR(st.st_mode);
}

void _ToXFileTime(const SYSTEMTIME& st, CDiskFile::_stXFILETIME* pst) {
    *pst = {st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond, st.wMilliseconds};
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Rename, move, copy

int CDiskFile::bRename(const wchar_t* pszNewName, const wchar_t* pszOldName, CXError* pclErr) {
    CTString clNew = _clSlashed(pszNewName);
    CTString clOld = _clSlashed(pszOldName);
    int bOk = 0;
    // Never replaces a file, not even the one being renamed.
    if (bExist(clNew.pszGet()))
        errno = EEXIST;
    else
        bOk = __Unix_rename(clOld.pszGet(), clNew.pszGet()) == 0;
    return _bFinish(bOk, pclErr, 28124, clOld.pszGet(), clNew.pszGet(), clNew.pszGet(), clOld.pszGet());
}

int CDiskFile::bMove(const wchar_t* pszDestination, const wchar_t* pszSource, CXError* pclErr) {
    if (bSameFileName(pszDestination, pszSource)) {
        _bOnError(1, pclErr);
        return 1;
    }
    CTString clSource = _clSlashed(pszSource);
    // The destination is only given up for a source that is there to take its place.
    if (!bExist(clSource.pszGet())) {
        CTString clDestination = _clSlashed(pszDestination);
        errno = ENOENT;
        return _bFinish(0, pclErr, 28124, clSource.pszGet(), clDestination.pszGet(), clDestination.pszGet(),
                        clSource.pszGet());
    }
    bDelete(pszDestination, nullptr);
    return bRename(pszDestination, pszSource, pclErr);
}

int CDiskFile::bCopy(const wchar_t* pszDestination, const wchar_t* pszSource, CXError* pclErr) {
    CTString clDestination = _clSlashed(pszDestination);
    CTString clSource = _clSlashed(pszSource);
    struct stat stSource, stDestination;
    int bOk = 0;
    // A file is never copied onto itself (the copy would truncate it first), by name or by link.
    if (clDestination == clSource) {
        errno = EINVAL;
    } else if (Unix_stat(clSource.pszGet(), &stSource) == 0 && Unix_stat(clDestination.pszGet(), &stDestination) == 0 &&
               stSource.st_dev == stDestination.st_dev && stSource.st_ino == stDestination.st_ino) {
        errno = EINVAL;
    } else {
        bOk = _bCopyContents(clDestination.pszGet(), clSource.pszGet());
    }
    return _bFinish(bOk, pclErr, 28125, clSource.pszGet(), clDestination.pszGet(), clDestination.pszGet(),
                    clSource.pszGet());
}

// ---------------------------------------------------------------------------------------------------------------
// Attributes and owner

int CDiskFile::_bReadAttributes(const wchar_t* pszPath, int bNoFollow, struct stat* pstStat, uint32_t* pdwAttributes,
                                uint32_t* pnErrno, CXError* pclErr) {
    CTString clPath = _clSlashed(pszPath);
    struct stat stStat;
    int bOk = (bNoFollow ? Unix_lstat(clPath.pszGet(), &stStat) : Unix_stat(clPath.pszGet(), &stStat)) == 0;
    if (pnErrno != nullptr) *pnErrno = static_cast<uint32_t>(errno);
    uint32_t dwAttributes = 0;
    if (bOk) {
        dwAttributes = static_cast<uint32_t>(stStat.st_mode) & DISKFILE_ATTRIBUTE_MODE_MASK;
        if (*pszGetPtrToFileName(clPath.pszGet()) == L'.') dwAttributes |= DISKFILE_ATTRIBUTE_HIDDEN;
        if (pstStat != nullptr) *pstStat = stStat;
    }
    if (pdwAttributes != nullptr) *pdwAttributes = dwAttributes;
    return _bFinish(bOk, pclErr, 28130, clPath.pszGet(), nullptr, dwAttributes, clPath.pszGet());
}

int CDiskFile::bGetFileAttributes(const wchar_t* pszPath, int& nAttributes, uint32_t& nErrno, CXError* pclErr) {
    uint32_t dwAttributes = 0;
    int bOk = _bReadAttributes(pszPath, 0, nullptr, &dwAttributes, &nErrno, pclErr);
    nAttributes = static_cast<int>(dwAttributes);
    return bOk;
}

int CDiskFile::bGetFileAttributes(int* pnAttributes, const wchar_t* pszPath, CXError* pclErr) {
    uint32_t dwAttributes = 0;
    int bOk = _bReadAttributes(pszPath, 0, nullptr, &dwAttributes, nullptr, pclErr);
    if (pnAttributes != nullptr) *pnAttributes = static_cast<int>(dwAttributes);
    return bOk;
}

int CDiskFile::bSetFileAttributesUnix(const wchar_t* pszPath, mode_t nMode, CXError* pclErr) {
    CTString clPath = _clSlashed(pszPath);
    int bOk = Unix_chmod(clPath.pszGet(), nMode) == 0;
    return _bFinish(bOk, pclErr, 28130, clPath.pszGet(), nullptr, static_cast<unsigned>(nMode), clPath.pszGet());
}

int CDiskFile::bSetFileAttributes(const wchar_t* pszPath, uint32_t nAttributes, CXError* pclErr) {
    // Only the Windows read-only words (-1 and -2) make the file read-only; anything else, 1 included,
    // makes it readable and writable by all.
    mode_t nMode = (nAttributes & ~1u) == 0xFFFFFFFEu ? 0444 : 0666;
    return bSetFileAttributesUnix(pszPath, nMode, pclErr);
}

int CDiskFile::bSetFileOwnerUnix(const wchar_t* pszPath, uid_t nUid, gid_t nGid, CXError* pclErr) {
    CTString clPath = _clSlashed(pszPath);
    int bOk = __Unix_chown(clPath.pszGet(), nUid, nGid) == 0;
    return _bFinish(bOk, pclErr, 25852, clPath.pszGet(), nullptr, static_cast<unsigned>(nUid),
                    static_cast<unsigned>(nGid), clPath.pszGet());
}

int CDiskFile::bSetFileOwnerAttributes(const wchar_t* pszPath, mode_t nMode, uid_t nUid, gid_t nGid, CXError* pclErr) {
    return bSetFileOwnerUnix(pszPath, nUid, nGid, pclErr) && bSetFileAttributesUnix(pszPath, nMode, pclErr);
}

// ---------------------------------------------------------------------------------------------------------------
// Times

int CDiskFile::bGetLastModificationTime(const wchar_t* pszPath, _stXFILETIME* pstTime, CXError* pclErr) {
    CTString clPath = _clSlashed(pszPath);
    struct stat stStat;
    if (!bGetFileStatus(clPath.pszGet(), &stStat, pclErr)) return 0;
    struct tm stLocal;
    uint32_t nMessage = 28128;
    int bOk = 0;
    if (stStat.st_mtime < 0) {
        errno = EINVAL;
    } else if (localtime_r(&stStat.st_mtime, &stLocal) == nullptr) {
        nMessage = 28129;
    } else {
        if (pstTime != nullptr)
            *pstTime = {static_cast<uint16_t>(stLocal.tm_year + 1900),
                        static_cast<uint16_t>(stLocal.tm_mon + 1),
                        static_cast<uint16_t>(stLocal.tm_mday),
                        static_cast<uint16_t>(stLocal.tm_hour),
                        static_cast<uint16_t>(stLocal.tm_min),
                        static_cast<uint16_t>(stLocal.tm_sec),
                        0};
        bOk = 1;
    }
    return _bFinish(bOk, pclErr, nMessage, clPath.pszGet(), nullptr, clPath.pszGet());
}

int CDiskFile::bGetTime(_stXFILETIME* pstCreation, _stXFILETIME* pstLastAccess, _stXFILETIME* pstLastWrite) const {
    FILETIME tabTimes[3];
    if (!GetFileTime(m_nHandle, &tabTimes[0], &tabTimes[1], &tabTimes[2])) return 0;
    _stXFILETIME* tabOut[3] = {pstCreation, pstLastAccess, pstLastWrite};
    for (int i = 0; i < 3; i++) {
        if (tabOut[i] != nullptr && !bFileTimeToSystemTime(&tabTimes[i], tabOut[i])) return 0;
    }
    return 1;
}

int CDiskFile::bSetTime(const _FILETIME* pCreation, const _FILETIME* pLastAccess, const _FILETIME* pLastWrite) const {
    return SetFileTime(m_szName, pCreation, pLastAccess, pLastWrite);
}

int CDiskFile::bSetTime(const _stXFILETIME*, const _stXFILETIME* pstLastAccess,
                        const _stXFILETIME* pstLastWrite) const {
    // The system keeps no creation time to set.
    FILETIME stAccess, stWrite;
    if (pstLastAccess != nullptr && !bSystemTimeToFileTime(pstLastAccess, &stAccess)) return 0;
    if (pstLastWrite != nullptr && !bSystemTimeToFileTime(pstLastWrite, &stWrite)) return 0;
    return SetFileTime(m_szName, nullptr, pstLastAccess != nullptr ? &stAccess : nullptr,
                       pstLastWrite != nullptr ? &stWrite : nullptr);
}

int CDiskFile::bFileTimeToSystemTime(const _FILETIME* pFileTime, _stXFILETIME* pstTime) {
    SYSTEMTIME stUTC, stLocal;
    if (pFileTime == nullptr || pstTime == nullptr) return 0;
    if (!FileTimeToSystemTime(pFileTime, &stUTC) || !bUTCVersLocal(&stUTC, &stLocal)) return 0;
    _ToXFileTime(stLocal, pstTime);
    return 1;
}

int CDiskFile::bSystemTimeToFileTime(const _stXFILETIME* pstTime, _FILETIME* pFileTime) {
    if (pstTime == nullptr || pFileTime == nullptr) return 0;
    SYSTEMTIME stLocal = {pstTime->wYear,   pstTime->wMonth,       0, pstTime->wDay, pstTime->wHour, pstTime->wMinute,
                          pstTime->wSecond, pstTime->wMilliseconds};
    SYSTEMTIME stUTC;
    return bLocalVersUTC(&stLocal, &stUTC) && SystemTimeToFileTime(&stUTC, pFileTime);
}

int CDiskFile::nCompareSystemTime(const _stXFILETIME* pstA, const _stXFILETIME* pstB) {
    const uint16_t tabA[] = {pstA->wYear,   pstA->wMonth,  pstA->wDay,         pstA->wHour,
                             pstA->wMinute, pstA->wSecond, pstA->wMilliseconds};
    const uint16_t tabB[] = {pstB->wYear,   pstB->wMonth,  pstB->wDay,         pstB->wHour,
                             pstB->wMinute, pstB->wSecond, pstB->wMilliseconds};
    for (int i = 0; i < 7; i++) {
        if (tabA[i] != tabB[i]) return static_cast<int>(tabB[i]) - static_cast<int>(tabA[i]);
    }
    return 0;
}

int CDiskFile::bSystemTimeToDosFileTime(const _stXFILETIME* pstTime, uint32_t* pdwDosTime) {
    uint32_t dwDate = ((static_cast<uint32_t>(pstTime->wYear - 1980) & 0x7F) << 9) + ((pstTime->wMonth & 0xFu) << 5) +
                      (pstTime->wDay & 0x1Fu);
    uint32_t dwTime = ((static_cast<uint32_t>(pstTime->wHour) << 11) + ((pstTime->wMinute & 0x3Fu) << 5) +
                       ((pstTime->wSecond >> 1) & 0x1Fu)) &
                      0xFFFF;
    *pdwDosTime = (dwDate << 16) + dwTime;
    return 1;
}

int CDiskFile::bDosFileTimeToSystemTime(uint32_t dwDosTime, _stXFILETIME* pstTime) {
    uint32_t dwDate = dwDosTime >> 16;
    uint32_t dwTime = dwDosTime & 0xFFFF;
    *pstTime = {static_cast<uint16_t>((dwDate >> 9) + 1980),
                static_cast<uint16_t>((dwDate >> 5) & 0xF),
                static_cast<uint16_t>(dwDate & 0x1F),
                static_cast<uint16_t>(dwTime >> 11),
                static_cast<uint16_t>((dwTime >> 5) & 0x3F),
                static_cast<uint16_t>((dwTime & 0x1F) * 2),
                0};
    return 1;
}

// ---------------------------------------------------------------------------------------------------------------
// Directories

int CDiskFile::bCreateDirectory(const wchar_t* pszPath, CXError* pclErr) {
    if (pszPath == nullptr || *pszPath == 0) return 0;
    CTString clPath = _clSlashed(pszPath);
    // The parents are walked on the whole name, however long: a cut copy would make directories
    // with cut names. Trailing slashes mark no parent.
    const wchar_t* psz = clPath.pszGet();
    long nWalk = clPath.nTaille();
    while (nWalk > 0 && psz[nWalk - 1] == L'/') nWalk--;
    for (long i = 1; i < nWalk; i++) {
        if (psz[i] != L'/') continue;
        CTString clParent(psz, i);
        if (bExist(clParent.pszGet())) continue;
        // A parent made by someone else in the meantime is as good as one made here.
        if (__Unix_mkdir(clParent.pszGet(), 0777) != 0 && !(errno == EEXIST && bIsADirectory(clParent.pszGet()))) {
            return _bFinish(0, pclErr, 28126, clParent.pszGet(), nullptr, clParent.pszGet());
        }
    }
    int bOk = __Unix_mkdir(clPath.pszGet(), 0777) == 0;
    if (!bOk && errno == EEXIST) {
        bOk = bIsADirectory(clPath.pszGet());
        errno = EEXIST;
    }
    return _bFinish(bOk, pclErr, 28126, clPath.pszGet(), nullptr, clPath.pszGet());
}

int CDiskFile::bDeleteDirectory(const wchar_t* pszPath, CXError* pclErr) {
    CTString clPath = _clSlashed(pszPath);
    int bOk = __Unix_rmdir(clPath.pszGet()) == 0;
    return _bFinish(bOk, pclErr, 28127, clPath.pszGet(), nullptr, clPath.pszGet());
}

int CDiskFile::bGetCurrentDirectory(wchar_t* pszBuffer, CXError* pclErr) {
    int bOk = Unix_getcwd(pszBuffer, DISKFILE_PATH_BUFFER);
    return _bFinish(bOk, pclErr, 28307, nullptr, nullptr);
}

int CDiskFile::bGetTempDirectory(wchar_t* pszBuffer, CXError* pclErr) {
    // The C library's choice of a temporary directory (that of tempnam): $TMPDIR when it names a
    // directory, else /tmp. Asked directly, since tempnam would also invent a file name and the
    // linker warns about every program that uses it.
    const char* pszDirectory = secure_getenv("TMPDIR");
    if (!_bIsDirectory8(pszDirectory)) pszDirectory = _bIsDirectory8(P_tmpdir) ? P_tmpdir : "/tmp";
    int bOk = 0;
    if (!_bIsDirectory8(pszDirectory)) {
        errno = ENOENT;
    } else {
        size_t nLength = strlen(pszDirectory);
        while (nLength > 1 && pszDirectory[nLength - 1] == '/') nLength--;
        // The directory with its end slash; names on disk are UTF-8.
        char* pszSlashed = static_cast<char*>(malloc(nLength + 2));
        if (pszSlashed == nullptr) {
            errno = ENOMEM;
        } else {
            memcpy(pszSlashed, pszDirectory, nLength);
            if (pszSlashed[nLength - 1] != '/') pszSlashed[nLength++] = '/';
            pszSlashed[nLength] = 0;
            bOk = _bWideFromUTF8(pszSlashed, pszBuffer, DISKFILE_PATH_BUFFER);
            free(pszSlashed);
        }
    }
    return _bFinish(bOk, pclErr, 28133, nullptr, nullptr);
}

void CDiskFile::GetHomeDir(CTString* pclHome) {
    if (pclHome == nullptr) return;
    const char* pszHome = getenv("HOME");
    if (pszHome == nullptr) {
        struct passwd* pstUser = getpwuid(getuid());
        if (pstUser != nullptr) pszHome = pstUser->pw_dir;
    }
    // Names on disk and in the environment are UTF-8.
    if (pszHome != nullptr)
        pclHome->SetANSIEx(pszHome, -1, CP_UTF8);
    else
        pclHome->Set(L".");
}

// ---------------------------------------------------------------------------------------------------------------
// Temporary files

int CDiskFile::bGetTempName(wchar_t* pszResult, const wchar_t* pszDirectory, const wchar_t* pszPrefix,
                            CXError* pclErr) {
    CTString clDirectory = _clSlashed(pszDirectory);
    CTString clTemplate(clDirectory);
    DirectoryWithEndSlash(clTemplate);
    clTemplate.Add(pszPrefix);
    clTemplate.Add(L"XXXXXX");
    int bOk = 0;
    char* pszTemplate = nullptr;
    // The name comes back into a path buffer: one that would not fit is not made at all.
    if (static_cast<uint32_t>(clTemplate.nTaille()) >= DISKFILE_PATH_BUFFER) {
        errno = ENAMETOOLONG;
    } else if ((pszTemplate = _pszToSystemName(clTemplate.pszGet())) == nullptr) {
        // errno says why: a name UTF-8 cannot carry, or no memory.
    } else {
        int nHandle = mkstemp(pszTemplate);
        if (nHandle != -1) {
            int nSaved = errno;
            close(nHandle);
            errno = nSaved;
            bOk = _bWideFromUTF8(pszTemplate, pszResult, DISKFILE_PATH_BUFFER);
        }
        free(pszTemplate);
    }
    CTString clPrefix(pszPrefix);
    return _bFinish(bOk, pclErr, 28134, nullptr, nullptr, clDirectory.pszGet(), clPrefix.pszGet());
}

int CDiskFile::bGetTempName(wchar_t* pszResult, const wchar_t* pszPrefix, CXError* pclErr) {
    wchar_t szDirectory[DISKFILE_PATH_BUFFER];
    if (!bGetTempDirectory(szDirectory, pclErr)) return 0;
    if (!bExist(szDirectory) && !bCreateDirectory(szDirectory, pclErr)) return 0;
    return bGetTempName(pszResult, szDirectory, pszPrefix, pclErr);
}

// ---------------------------------------------------------------------------------------------------------------
// Disk space

int CDiskFile::bGetDiskSpace(const wchar_t* pszPath, uint64_t* pnTotal, uint64_t* pnFree, CXError* pclErr) {
    CTString clPath;
    int bOk = 1;
    if (pszPath != nullptr) {
        clPath = _clSlashed(pszPath);
    } else {
        wchar_t szWorking[PATH_MAX + 1];
        bOk = Unix_getcwd(szWorking, PATH_MAX + 1);
        if (bOk) clPath = szWorking;
    }
    struct statfs stFs;
    if (bOk) bOk = __Unix_statfs(clPath.pszGet(), &stFs) == 0;
    if (bOk) {
        if (pnTotal != nullptr) *pnTotal = static_cast<uint64_t>(stFs.f_bsize) * stFs.f_blocks;
        if (pnFree != nullptr) *pnFree = static_cast<uint64_t>(stFs.f_bsize) * stFs.f_bavail;
    }
    return _bFinish(bOk, pclErr, 28138, clPath.pszGet(), nullptr, clPath.pszGet());
}

int CDiskFile::bGetDiskFreeSpace(const wchar_t* pszPath, uint64_t* pnFree, CXError* pclErr) {
    return bGetDiskSpace(pszPath, nullptr, pnFree, pclErr);
}

// ---------------------------------------------------------------------------------------------------------------
// Text files with a byte-order mark

int CDiskFile::bChargeTexteBOM(CXYString<wchar_t>& clText, const wchar_t* pszPath, uint32_t nDefaultCodePage,
                               etxType* peType) {
    clText.ReleaseDynStr();
    if (peType != nullptr) *peType = etxANSI;
    CDiskFile clFile;
    if (!clFile.bOpen(pszPath, eAccessRead, eShareNone, eCreateOpenExisting, eFlagNone, nullptr)) return 0;
    int64_t oSize = clFile.oGetSize();
    if (oSize == 0) return 1;
    // Beyond what one read and one text can hold.
    if (oSize < 0 || oSize > 0x7FFFFFFF) return 0;
    unsigned char* pbyBytes = static_cast<unsigned char*>(malloc(static_cast<size_t>(oSize)));
    if (pbyBytes == nullptr) return 0;
    int bOk = clFile.bRead(pbyBytes, static_cast<uint32_t>(oSize), nullptr) &&
              bChargeTexteBOMFromBuffer(clText, pbyBytes, static_cast<uint32_t>(oSize), nDefaultCodePage, peType);
    free(pbyBytes);
    return bOk;
}

int CDiskFile::bChargeTexteBOMFromBuffer(CXYString<wchar_t>& clText, unsigned char* pbyBytes, uint32_t nSize,
                                         uint32_t nDefaultCodePage, etxType* peType) {
    etxType eType = etxANSI;
    uint32_t nSkip = 0;
    int nCodePage = nResolveCodePage(static_cast<int>(nDefaultCodePage));
    if (nSize >= 2 && pbyBytes[0] == 0xFF && pbyBytes[1] == 0xFE) {
        eType = etxUTF16;
        nSkip = 2;
    } else if (nSize >= 2 && pbyBytes[0] == 0xFE && pbyBytes[1] == 0xFF) {
        // Big-endian: turned little-endian in place, mark included.
        for (uint32_t i = 0; i + 1 < nSize; i += 2) {
            unsigned char by = pbyBytes[i];
            pbyBytes[i] = pbyBytes[i + 1];
            pbyBytes[i + 1] = by;
        }
        eType = etxUTF16;
        nSkip = 2;
    } else if (nSize >= 3 && pbyBytes[0] == 0xEF && pbyBytes[1] == 0xBB && pbyBytes[2] == 0xBF) {
        eType = etxUTF8;
        nSkip = 3;
        nCodePage = CP_UTF8;
    } else if (UTF8Valide(reinterpret_cast<const char*>(pbyBytes), static_cast<long>(nSize))) {
        eType = etxUTF8;
        nCodePage = CP_UTF8;
    }
    if (peType != nullptr) *peType = eType;

    const unsigned char* pbyText = pbyBytes + nSkip;
    uint32_t nBytes = nSize - nSkip;
    if (eType == etxUTF16) {
        // Whole 16-bit units only (an odd last byte is no character); copied so that they are aligned.
        int nUnits = static_cast<int>(nBytes / 2);
        if (nUnits == 0) {
            clText.ReleaseDynStr();
            return 1;
        }
        unsigned short* pwUnits = static_cast<unsigned short*>(malloc(static_cast<size_t>(nUnits) * 2));
        if (pwUnits == nullptr) return 0;
        memcpy(pwUnits, pbyText, static_cast<size_t>(nUnits) * 2);
        int nResult = clText.nAffecteUTF16(pwUnits, nUnits);
        free(pwUnits);
        return nResult == 0;
    }
    clText.ReleaseDynStr();
    if (nBytes == 0) return 1;
    // Bytes that do not decode in the code page fail the load: skipped or cut off, they would give
    // a text that passes for the file's and is not.
    const char* pszText = reinterpret_cast<const char*>(pbyText);
    int nLength = MultiByteToWideChar(nCodePage, MB_ERR_INVALID_CHARS, pszText, static_cast<int>(nBytes), nullptr, 0);
    if (nLength <= 0) return 0;
    wchar_t* pszWide = static_cast<wchar_t*>(malloc(static_cast<size_t>(nLength) * sizeof(wchar_t)));
    if (pszWide == nullptr) return 0;
    int nWritten =
        MultiByteToWideChar(nCodePage, MB_ERR_INVALID_CHARS, pszText, static_cast<int>(nBytes), pszWide, nLength);
    if (nWritten != nLength) {
        free(pszWide);
        return 0;
    }
    int nResult = clText.nAffecteConversion(pszWide, nWritten);
    free(pszWide);
    return nResult == 0;
}
