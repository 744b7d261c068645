// CDiskFile, directory search and tree walks: a find-first/find-next search over opendir/readdir
// whose pattern's final component may hold '*' and '?', filtered by attribute bits that must be
// present and bits that must be absent; the walkers that call a function for every file or
// directory of a tree; the tree deletions. The walkers and the deletions see a symbolic link as a
// link (lstat): they never descend through one, and a deletion removes the link, never what it
// points to. A path that does not fit the library's 260 characters is never cut: the walk or the
// search fails instead.
#include <dirent.h>

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
#include "platform/WinMemoryTime.h"
#include "platform/WinProcess.h"

namespace {

using FINDDATA = CDiskFile::_stXFINDDATA;

constexpr uint32_t DISKFILE_ATTRIBUTE_DIRECTORY = 0x4000;
// The type bits of an attribute word: sockets and block devices share the directory bit, so a
// directory to descend into is one whose type is exactly that.
constexpr uint32_t DISKFILE_ATTRIBUTE_TYPE = 0xF000;
// Entry names are at most 255 bytes: their wide form always fits here, on the stack.
constexpr int DISKFILE_STACK_NAME = 1023;

bool _bIsDirectoryType(uint32_t dwAttributes) {
    return (dwAttributes & DISKFILE_ATTRIBUTE_TYPE) == DISKFILE_ATTRIBUTE_DIRECTORY;
}

// Ends a search operation that failed with errno: level 3, module and the message (no argument).
void _ReportSearch(CXError* pclErr, uint32_t nMessage) {
    if (CDiskFile::_bOnError(0, pclErr)) {
        int nSaved = errno;
        pclErr->InitModInfo(&gstMyModuleInfo39, 1);
        pclErr->AddUserMessage(&gstMyModuleInfo39, nMessage);
        errno = nSaved;
    }
}

// Copies a text into one of the record's 261-character fields when it fits; FALSE otherwise.
bool _bSetField(wchar_t* pszField, const wchar_t* psz, size_t nLength) {
    if (nLength >= DISKFILE_PATH_BUFFER) return false;
    wmemcpy(pszField, psz, nLength);
    pszField[nLength] = 0;
    return true;
}

// The next entry of the search that matches; bNoFollow reads entries with lstat (the walkers and
// the deletions) rather than stat (the public search).
int _bNext(FINDDATA* pstFind, bool bNoFollow, CXError* pclErr) {
    if (pstFind == nullptr || pstFind->pDir == nullptr) return 0;
    for (;;) {
        errno = 0;
        struct dirent* pstEntry = readdir(pstFind->pDir);
        if (pstEntry == nullptr) {
            bool bReported = errno == EBADF;
            if (bReported)
                _ReportSearch(pclErr, 28136);
            else if (pclErr != nullptr)
                pclErr->RAZ();
            CDiskFile::bFindClose(pstFind, bReported ? nullptr : pclErr);
            return 0;
        }
        wchar_t szName[DISKFILE_STACK_NAME + 1];
        int nName = MultiByteToWideChar(CP_UTF8, 0, pstEntry->d_name, -1, szName, DISKFILE_STACK_NAME + 1);
        if (nName <= 0 || nName > static_cast<int>(DISKFILE_PATH_BUFFER)) continue;
        // The name decides first: no entry is read from disk that the pattern turns away anyway.
        if (CDiskFile::bIsAVirtualDirectory(szName) || !CDiskFile::_bFiltreFileName(szName, pstFind->szPattern))
            continue;
        wchar_t szPath[2 * DISKFILE_PATH_BUFFER];
        if (makepath(szPath, sizeof(szPath) / sizeof(szPath[0]), pstFind->szDirectory, szName, nullptr) >=
            sizeof(szPath) / sizeof(szPath[0]))
            continue;
        struct stat stStat;
        uint32_t dwAttributes = 0;
        // An entry whose status can't be read is skipped; its report stays until the next read.
        if (!CDiskFile::_bReadAttributes(szPath, bNoFollow, &stStat, &dwAttributes, nullptr, pclErr)) continue;
        pstFind->oSize = stStat.st_size;
        if (!CDiskFile::_bFindGoodFile(szName, dwAttributes, pstFind)) continue;
        wmemcpy(pstFind->szName, szName, static_cast<size_t>(nName));
        pstFind->dwAttributes = dwAttributes;
        FILETIME stWrite;
        TimeToFileTime(stStat.st_mtime, &stWrite);
        if (!CDiskFile::bFileTimeToSystemTime(&stWrite, &pstFind->stTime))
            memset(&pstFind->stTime, 0, sizeof(pstFind->stTime));
        return 1;
    }
}

int _bFirst(const wchar_t* pszPattern, FINDDATA* pstFind, uint32_t dwRequired, uint32_t dwExcluded, bool bNoFollow,
            CXError* pclErr) {
    if (pstFind == nullptr) return 0;
    CTString clPattern = _clSlashed(pszPattern);
    const wchar_t* psz = clPattern.pszGet();
    size_t nLength = static_cast<size_t>(clPattern.nTaille());
    pstFind->dwRequiredAttributes = dwRequired;
    pstFind->dwExcludedAttributes = dwExcluded;
    pstFind->pDir = nullptr;
    int nSlash = clPattern.nRPos(L'/');
    bool bFits;
    if (nSlash >= 0) {
        bFits = _bSetField(pstFind->szDirectory, psz, static_cast<size_t>(nSlash) + 1) &&
                _bSetField(pstFind->szPattern, psz + nSlash + 1, nLength - static_cast<size_t>(nSlash) - 1);
    } else {
        if (!CDiskFile::Unix_getcwd(pstFind->szDirectory, DISKFILE_PATH_BUFFER)) {
            if (pclErr != nullptr) pclErr->RAZ();
            return 0;
        }
        bFits = _bSetField(pstFind->szPattern, psz, nLength);
    }
    // A directory or pattern cut to the record's fields would search somewhere else.
    if (!bFits) {
        errno = ENAMETOOLONG;
        _ReportSearch(pclErr, 28135);
        return 0;
    }
    pstFind->pDir = CDiskFile::__Unix_opendir(pstFind->szDirectory);
    if (pstFind->pDir != nullptr) return _bNext(pstFind, bNoFollow, pclErr);
    // A missing directory and a directory without a match look alike to the caller.
    if (errno == ENOENT) {
        if (pclErr != nullptr) pclErr->RAZ();
    } else {
        _ReportSearch(pclErr, 28135);
    }
    return 0;
}

// The walkers' text for directory + name; FALSE when it passes the library's path limit.
bool _bJoin(CTString& clOut, const CTString& clDirectory, const wchar_t* pszName, const wchar_t* pszEnd = nullptr) {
    clOut = clDirectory;
    clOut.Add(pszName);
    if (pszEnd != nullptr) clOut.Add(pszEnd);
    return static_cast<uint32_t>(clOut.nTaille()) <= CDiskFile::s_nMaxPath;
}

// The walkers. The file walk (bDirectories false) hands the function the entries that match the
// mask, directories too when bIncludeDirectories; it never hands out a path over the library's limit
// and fails instead (a deleting function would hit another file). The directory walk asks for
// directories that match the mask and, unless bIncludeDirectories, refuses them at once: that
// argument turns the calls of the function off and keeps only the descent; its paths are built
// whole, and a directory too deep to be searched counts as empty. Both descend into every
// subdirectory when bRecursive, and stop at the first FALSE.
int _bWalkTree(bool bDirectories, const CTString& clDirectory, const CTString& clMask,
               int (*pfn)(const wchar_t* pszPath, long nParam), long nParam, int bIncludeDirectories, int bRecursive) {
    const bool bBounded = !bDirectories;
    CTString clText;
    if (!_bJoin(clText, clDirectory, clMask.pszGet()) && bBounded) return 0;
    FINDDATA stFind = {};
    uint32_t dwRequired = bDirectories ? DISKFILE_ATTRIBUTE_DIRECTORY : 0;
    uint32_t dwExcluded = bIncludeDirectories ? 0 : DISKFILE_ATTRIBUTE_DIRECTORY;
    for (int bFound = _bFirst(clText.pszGet(), &stFind, dwRequired, dwExcluded, true, nullptr); bFound;
         bFound = _bNext(&stFind, true, nullptr)) {
        if (bDirectories && !_bIsDirectoryType(stFind.dwAttributes)) continue;
        if ((!_bJoin(clText, clDirectory, stFind.szName) && bBounded) || !pfn(clText.pszGet(), nParam)) {
            CDiskFile::bFindClose(&stFind, nullptr);
            return 0;
        }
    }
    if (!bRecursive) return 1;
    if (!_bJoin(clText, clDirectory, L"*") && bBounded) return 0;
    for (int bFound = _bFirst(clText.pszGet(), &stFind, DISKFILE_ATTRIBUTE_DIRECTORY, 0, true, nullptr); bFound;
         bFound = _bNext(&stFind, true, nullptr)) {
        if (!_bIsDirectoryType(stFind.dwAttributes)) continue;
        CTString clSubdirectory;
        if ((!_bJoin(clSubdirectory, clDirectory, stFind.szName, L"/") && bBounded) ||
            !_bWalkTree(bDirectories, clSubdirectory, clMask, pfn, nParam, bIncludeDirectories, 1)) {
            CDiskFile::bFindClose(&stFind, nullptr);
            return 0;
        }
    }
    return 1;
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Search

int CDiskFile::bFindFirst(const wchar_t* pszPattern, _stXFINDDATA* pstFind, int nRequired, int nExcluded,
                          CXError* pclErr) {
    return _bFirst(pszPattern, pstFind, static_cast<uint32_t>(nRequired), static_cast<uint32_t>(nExcluded), false,
                   pclErr);
}

int CDiskFile::bFindNext(_stXFINDDATA* pstFind, CXError* pclErr) {
    return _bNext(pstFind, false, pclErr);
}

int CDiskFile::bFindClose(_stXFINDDATA* pstFind, CXError* pclErr) {
    if (pstFind == nullptr || pstFind->pDir == nullptr) return 1;
    int bOk = closedir(pstFind->pDir) == 0;
    // After closedir the stream is gone, whatever it answered.
    pstFind->pDir = nullptr;
    // _bOnError answers 0 for a null error object; saying so here lets the compiler see it too.
    if (pclErr != nullptr && _bOnError(bOk, pclErr)) {
        int nSaved = errno;
        pclErr->InitModInfo(&gstMyModuleInfo39, 1);
        pclErr->AddUserMessage(&gstMyModuleInfo39, 28137);
        errno = nSaved;
    }
    return bOk;
}

int CDiskFile::_bFiltreFileName(const wchar_t* pszName, const wchar_t* pszPattern) {
    const wchar_t* pName = pszName != nullptr ? pszName : L"";
    const wchar_t* pPattern = pszPattern != nullptr ? pszPattern : L"";
    // Where the pattern goes on after the last '*', and where in the name that '*' began last.
    const wchar_t* pAfterStar = nullptr;
    const wchar_t* pStarName = nullptr;
    while (*pName != 0) {
        if (*pPattern == L'*') {
            while (*pPattern == L'*') pPattern++;
            if (*pPattern == 0) return 1;
            pAfterStar = pPattern;
            pStarName = pName;
        } else if (*pPattern == L'?' || *pPattern == *pName) {
            pPattern++;
            pName++;
        } else if (pAfterStar != nullptr) {
            // Only the last '*' takes one more character.
            pPattern = pAfterStar;
            pName = ++pStarName;
        } else {
            return 0;
        }
    }
    while (*pPattern == L'*') pPattern++;
    return *pPattern == 0;
}

int CDiskFile::_bFindGoodFile(const wchar_t* pszName, uint32_t dwAttributes, const _stXFINDDATA* pstFind) {
    return !bIsAVirtualDirectory(pszName) && _bFiltreFileName(pszName, pstFind->szPattern) &&
           (dwAttributes & pstFind->dwRequiredAttributes) == pstFind->dwRequiredAttributes &&
           (dwAttributes & pstFind->dwExcludedAttributes) == 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Tree walks

int CDiskFile::bDoOnFileTree(const wchar_t* pszDirectory, const wchar_t* pszMask,
                             int (*pfn)(const wchar_t* pszPath, long nParam), long nParam, int bIncludeDirectories,
                             int bRecursive) {
    return _bWalkTree(false, _clSlashed(pszDirectory), _clSlashed(pszMask), pfn, nParam, bIncludeDirectories,
                      bRecursive);
}

int CDiskFile::bDoOnDirectoryTree(const wchar_t* pszDirectory, const wchar_t* pszMask,
                                  int (*pfn)(const wchar_t* pszPath, long nParam), long nParam, int bIncludeDirectories,
                                  int bRecursive) {
    return _bWalkTree(true, _clSlashed(pszDirectory), _clSlashed(pszMask), pfn, nParam, bIncludeDirectories,
                      bRecursive);
}

int CDiskFile::__bForceDeleteOnTree(const wchar_t* pszPath, long) {
    return bForceDelete(pszPath);
}

int CDiskFile::bForceDeleteOnFileTree(const wchar_t* pszDirectory, const wchar_t* pszMask, int bRecursive,
                                      CXError* pclErr) {
    return bDoOnFileTree(pszDirectory, pszMask, __bForceDeleteOnTree, reinterpret_cast<long>(pclErr), 0, bRecursive);
}

// ---------------------------------------------------------------------------------------------------------------
// Tree deletion

int CDiskFile::_bDeltree(const wchar_t* pszDirectory, CXError* pclErr) {
    if (pszDirectory == nullptr) return 0;
    size_t nLength = wcslen(pszDirectory);
    if (nLength == 0) return 0;
    wchar_t* pszSlashed = static_cast<wchar_t*>(malloc((nLength + 2) * sizeof(wchar_t)));
    if (pszSlashed == nullptr) {
        _OnMemoryError(pclErr);
        return 0;
    }
    wmemcpy(pszSlashed, pszDirectory, nLength + 1);
    DirectoryWithEndSlash(pszSlashed);
    CTString clDirectory(pszSlashed);
    free(pszSlashed);
    CTString clText;
    _bJoin(clText, clDirectory, L"*");

    // The search must tell a directory it could not list from an empty one: without the caller's
    // error object it reports into one of its own.
    CXError clOwnError(&gstMyModuleInfo39);
    CXError* pclSearchErr = pclErr != nullptr ? pclErr : &clOwnError;
    _stXFINDDATA stFind = {};
    for (int bFound = _bFirst(clText.pszGet(), &stFind, 0, 0, true, pclSearchErr); bFound;
         bFound = _bNext(&stFind, true, pclSearchErr)) {
        _bJoin(clText, clDirectory, stFind.szName);
        int bRemoved = _bIsDirectoryType(stFind.dwAttributes)
                           ? _bDeltree(clText.pszGet(), pclErr) && bDeleteDirectory(clText.pszGet(), pclErr)
                           : bDelete(clText.pszGet(), pclErr);
        if (!bRemoved) {
            bFindClose(&stFind, nullptr);
            return 0;
        }
    }
    // The search ended at the end of the directory (its error object cleared; a missing directory
    // too) or on a failure it reported: a directory that could not be listed was not emptied.
    int bOk = pclSearchErr->eGetErrorLevel() != CXError::XEL_ERROR;
    bFindClose(&stFind, pclErr);
    return bOk;
}

int CDiskFile::bPurgeTree(const wchar_t* pszDirectory, CXError* pclErr) {
    return _bDeltree(pszDirectory, pclErr);
}

int CDiskFile::bForcePurgeTree(const wchar_t* pszDirectory, CXError* pclErr) {
    return _bDeltree(pszDirectory, pclErr);
}

int CDiskFile::bDeleteTree(const wchar_t* pszDirectory, CXError* pclErr) {
    return bPurgeTree(pszDirectory, pclErr) && bDeleteDirectory(pszDirectory, pclErr);
}

int CDiskFile::bForceDeleteTree(const wchar_t* pszDirectory, CXError* pclErr) {
    return bForcePurgeTree(pszDirectory, pclErr) && bDeleteDirectory(pszDirectory, pclErr);
}

int CDiskFile::bDeleteTreeEvenReadOnly(const wchar_t* pszDirectory, CXError* pclErr) {
    CTString clDirectory = _clSlashed(pszDirectory);
    DirectoryWithEndSlash(clDirectory);
    return bForceDeleteOnFileTree(clDirectory.pszGet(), L"*", 1, pclErr) && bDeleteTree(clDirectory.pszGet(), pclErr);
}
