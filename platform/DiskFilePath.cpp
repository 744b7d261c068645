// CDiskFile, path names: separators, end slashes, file name and extension parts, splitting and
// making paths, full paths and their simplification, comparisons of names, relative and full paths.
// Nothing here touches a file; only the working directory and the user's home directory are read.
// Callers write Windows-style names (backslashes), so nearly every operation turns backslashes into
// slashes first: in place when it may change its argument, in a private copy otherwise. Results
// that go into a caller's buffer never pass the buffer's size (260 characters and a terminator
// where no size is given): a name that does not fit makes the operation fail instead of being cut.
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "core/MyModuleInfo.h"
#include "core/STRUtil.h"
#include "core/TString.h"
#include "core/XError.h"
#include "core/XYString.h"
#include "core/platformwin/WinCodePage.h"
#include "platform/DiskFile.h"
#include "platform/DiskFileInternal.h"
#include "platform/WinProcess.h"

namespace {

template <typename T>
T* _pszReplaceChar(T* psz, T cFind, T cReplace) {
    if (psz == nullptr) return psz;
    for (T* p = psz; *p != 0; p++) {
        if (*p == cFind) *p = cReplace;
    }
    return psz;
}

bool _bIsSeparator(wchar_t c) {
    return c == L'/' || c == L'\\';
}

size_t _nLen(const wchar_t* psz) {
    return psz != nullptr ? wcslen(psz) : 0;
}

// Copies a text into a caller buffer of nSize characters when it fits whole; FALSE otherwise, with
// the buffer left as it was.
int _bCopyWhole(wchar_t* pszResult, size_t nSize, const wchar_t* pszText) {
    size_t nLength = _nLen(pszText);
    if (nLength + 1 > nSize) return 0;
    if (nLength > 0) wmemmove(pszResult, pszText, nLength);
    pszResult[nLength] = 0;
    return 1;
}

// Index of the '.' that starts the extension of the final component, or -1: the scan goes from the
// end towards the start and stops at a separator, so a path ending with one has no extension.
long _nExtensionIndex(const wchar_t* psz, long nLength) {
    for (long i = nLength - 1; i >= 0; i--) {
        if (psz[i] == L'.') return i;
        if (_bIsSeparator(psz[i])) return -1;
    }
    return -1;
}

// Removes the trailing slashes of a directory, then keeps its directory part with its end slash
// (what __SplitPath gives): "/a/b/" and "/a/b" both become "/a/", "a" becomes "".
void _GoUp(CTString& clDirectory) {
    long nLength = clDirectory.nTaille();
    while (nLength > 0 && clDirectory.cGetChar(nLength - 1) == L'/') nLength--;
    while (nLength > 0 && clDirectory.cGetChar(nLength - 1) != L'/') nLength--;
    if (nLength == 0) {
        clDirectory.Vide();
        return;
    }
    clDirectory.Tronque(nLength);
}

// The name with one trailing '/' removed (a lone "/" becomes empty).
void _RemoveOneEndSlash(CTString& clName) {
    long nLength = clName.nTaille();
    if (nLength > 0 && clName.cGetChar(nLength - 1) == L'/') {
        if (nLength == 1)
            clName.Vide();
        else
            clName.Tronque(nLength - 1);
    }
}

// A name standardized (slashes, no trailing white space) in a string of its own.
CTString _clStandardized(const wchar_t* pszName) {
    CTString clName = _clSlashed(pszName);
    long nLength = clName.nTaille();
    while (nLength > 0 && iswspace(static_cast<wint_t>(clName.cGetChar(nLength - 1)))) nLength--;
    if (nLength == 0)
        clName.Vide();
    else
        clName.Tronque(nLength);
    return clName;
}

// Home directory of the process user from the user database, converted from UTF-8; FALSE (errno
// ENOENT) when the user has no entry there.
int _bGetUserHome(CTString& clHome) {
    struct passwd* pstUser = getpwuid(getuid());
    if (pstUser == nullptr || pstUser->pw_dir == nullptr) {
        errno = ENOENT;
        return 0;
    }
    clHome.SetANSIEx(pstUser->pw_dir, -1, CP_UTF8);
    return 1;
}

// Home directory of the user of that name (nLength characters) from the user database, converted
// from UTF-8; FALSE when there is no such user.
int _bGetNamedUserHome(const wchar_t* pszName, size_t nLength, CTString& clHome) {
    CTString clName(pszName, static_cast<long>(nLength));
    char* pszUser = _pszToSystemName(clName.pszGet());
    if (pszUser == nullptr) return 0;
    std::vector<char> tabBuffer(1024);
    struct passwd stEntry;
    struct passwd* pstEntry = nullptr;
    int nError;
    while ((nError = getpwnam_r(pszUser, &stEntry, tabBuffer.data(), tabBuffer.size(), &pstEntry)) == ERANGE &&
           tabBuffer.size() < (1u << 20))
        tabBuffer.resize(tabBuffer.size() * 2);
    free(pszUser);
    if (nError != 0 || pstEntry == nullptr || pstEntry->pw_dir == nullptr) return 0;
    clHome.SetANSIEx(pstEntry->pw_dir, -1, CP_UTF8);
    return 1;
}

// Bounds of the parts of a slashed path: the directory (with its end slash; a lone leading '/' is the
// directory "/") ends at nDirectory, the name at nNameEnd, where the extension (from the last '.' of
// the final component) begins.
void _SplitBounds(const CTString& clPath, long& nDirectory, long& nNameEnd) {
    const wchar_t* psz = clPath.pszGet();
    long nLength = clPath.nTaille();
    long nSlash = nLength - 1;
    while (nSlash >= 0 && psz[nSlash] != L'/') nSlash--;
    nDirectory = nSlash + 1;
    long nDot = nLength - 1;
    while (nDot >= nDirectory && psz[nDot] != L'.') nDot--;
    nNameEnd = nDot >= nDirectory ? nDot : nLength;
}

struct _stPathPart {
    wchar_t* pszOut;
    long nStart;
    long nCount;
};

// Outputs of a split are the library's path buffers: when a part would not fit, every output is
// left empty rather than holding a cut name or overflowing.
void _WriteParts(const wchar_t* psz, const _stPathPart* tabParts, int nParts) {
    bool bFits = true;
    for (int i = 0; i < nParts; i++) {
        if (tabParts[i].pszOut != nullptr && tabParts[i].nCount >= static_cast<long>(DISKFILE_PATH_BUFFER))
            bFits = false;
    }
    for (int i = 0; i < nParts; i++) {
        if (tabParts[i].pszOut == nullptr) continue;
        long nCount = bFits ? tabParts[i].nCount : 0;
        if (nCount > 0) wmemcpy(tabParts[i].pszOut, psz + tabParts[i].nStart, static_cast<size_t>(nCount));
        tabParts[i].pszOut[nCount] = 0;
    }
}

// The last '/' in [pStart, p), or null when there is none.
wchar_t* _pSlashBefore(wchar_t* pStart, wchar_t* p) {
    while (p > pStart) {
        if (*--p == L'/') return p;
    }
    return nullptr;
}

// In place: every "/./" becomes "/"; then every "/../" takes the component before it away, leftmost
// first ("/a/b/../c" becomes "/a/c"). The "/./" go first so that a "." is never taken for the
// component a ".." climbs out of ("./../x" in "/w/d" is "/w/x", not "/w/d/x"). A "/../" at the very
// start only loses its "/.." ("/../x" becomes "/x"): there is nothing above the root to climb to.
void _ResolveDots(wchar_t* psz) {
    for (wchar_t* p = wcsstr(psz, L"/./"); p != nullptr; p = wcsstr(psz, L"/./")) {
        wmemmove(p, p + 2, wcslen(p + 2) + 1);
    }
    for (wchar_t* p = wcsstr(psz, L"/../"); p != nullptr; p = wcsstr(psz, L"/../")) {
        wchar_t* pSlash = _pSlashBefore(psz, p);
        if (pSlash != nullptr)
            wmemmove(pSlash + 1, p + 4, wcslen(p + 4) + 1);
        else if (p == psz)
            wmemmove(p, p + 3, wcslen(p + 3) + 1);
        else
            wmemmove(psz, p + 4, wcslen(p + 4) + 1);
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Separators

char* CDiskFile::pszBackSlash2Slash(char* psz) {
    return _pszReplaceChar(psz, '\\', '/');
}

wchar_t* CDiskFile::pszBackSlash2Slash(wchar_t* psz) {
    return _pszReplaceChar(psz, L'\\', L'/');
}

CXYString<wchar_t>& CDiskFile::pszBackSlash2Slash(CXYString<wchar_t>& cl) {
    // Copy on write: the text may be shared with other values, which must not see the change.
    if (!cl.bEstVide() && cl.nUnshare() == 0) _pszReplaceChar(cl.pszGetBuffer(), L'\\', L'/');
    return cl;
}

CTString& CDiskFile::pszBackSlash2Slash(CTString& cl) {
    for (long i = 0, n = cl.nTaille(); i < n; i++) {
        if (cl.cGetChar(i) == L'\\') cl.SetChar(i, L'/');
    }
    return cl;
}

char* CDiskFile::pszSlash2BackSlash(char* psz) {
    return _pszReplaceChar(psz, '/', '\\');
}

wchar_t* CDiskFile::pszSlash2BackSlash(wchar_t* psz) {
    return _pszReplaceChar(psz, L'/', L'\\');
}

CXYString<wchar_t>& CDiskFile::pszSlash2BackSlash(CXYString<wchar_t>& cl) {
    if (!cl.bEstVide() && cl.nUnshare() == 0) _pszReplaceChar(cl.pszGetBuffer(), L'/', L'\\');
    return cl;
}

CTString& CDiskFile::pszSlash2BackSlash(CTString& cl) {
    for (long i = 0, n = cl.nTaille(); i < n; i++) {
        if (cl.cGetChar(i) == L'/') cl.SetChar(i, L'\\');
    }
    return cl;
}

// ---------------------------------------------------------------------------------------------------------------
// End slashes

void CDiskFile::DirectoryWithEndSlash(wchar_t* psz) {
    if (psz == nullptr) return;
    pszBackSlash2Slash(psz);
    size_t nLength = wcslen(psz);
    if (nLength == 0 || psz[nLength - 1] == L'/') return;
    psz[nLength] = L'/';
    psz[nLength + 1] = 0;
}

void CDiskFile::DirectoryWithEndSlash(char* psz) {
    if (psz == nullptr) return;
    pszBackSlash2Slash(psz);
    size_t nLength = strlen(psz);
    if (nLength == 0 || psz[nLength - 1] == '/') return;
    psz[nLength] = '/';
    psz[nLength + 1] = 0;
}

void CDiskFile::DirectoryWithEndSlash(CXYString<wchar_t>& cl) {
    pszBackSlash2Slash(cl);
    int nLength = cl.nGetLongueur();
    if (nLength == 0 || cl.pszGet()[nLength - 1] == L'/') return;
    cl.nConcat(L"/", 1);
}

void CDiskFile::DirectoryWithEndSlash(CTString& cl) {
    pszBackSlash2Slash(cl);
    long nLength = cl.nTaille();
    if (nLength == 0 || cl.cGetChar(nLength - 1) == L'/') return;
    cl.Add(L'/');
}

void CDiskFile::DirectoryWithoutEndSlash(wchar_t* psz) {
    if (psz == nullptr) return;
    pszBackSlash2Slash(psz);
    size_t nLength = wcslen(psz);
    while (nLength > 0 && psz[nLength - 1] == L'/') psz[--nLength] = 0;
}

void CDiskFile::DirectoryWithoutEndSlash(CXYString<wchar_t>& cl) {
    pszBackSlash2Slash(cl);
    int nLength = cl.nGetLongueur();
    if (nLength == 0 || cl.pszGet()[nLength - 1] != L'/') return;
    // Assigning the value's own text is safe: the assignment finds its source again after growth.
    cl.nAffecteConversion(cl.pszGet(), nLength - 1);
}

void CDiskFile::DirectoryWithoutEndSlash(CTString& cl) {
    pszBackSlash2Slash(cl);
    _RemoveOneEndSlash(cl);
}

// ---------------------------------------------------------------------------------------------------------------
// File name and extension

wchar_t* CDiskFile::pszGetPtrToFileName(const wchar_t* pszPath) {
    if (pszPath == nullptr) return nullptr;
    const wchar_t* pStart = pszPath;
    // A drive letter "X:" is not part of the name.
    if (pStart[0] != 0 && pStart[1] == L':') pStart += 2;
    const wchar_t* pName = pStart;
    for (const wchar_t* p = pStart; *p != 0; p++) {
        if (_bIsSeparator(*p)) pName = p + 1;
    }
    return const_cast<wchar_t*>(pName);
}

wchar_t* CDiskFile::pszGetPtrToExtension(const wchar_t* pszPath) {
    if (pszPath == nullptr || *pszPath == 0) return const_cast<wchar_t*>(pszPath);
    long nLength = static_cast<long>(wcslen(pszPath));
    long nDot = _nExtensionIndex(pszPath, nLength);
    return const_cast<wchar_t*>(pszPath + (nDot >= 0 ? nDot : nLength));
}

void CDiskFile::DelExtension(wchar_t* pszPath) {
    if (pszPath == nullptr) return;
    pszBackSlash2Slash(pszPath);
    long nDot = _nExtensionIndex(pszPath, static_cast<long>(wcslen(pszPath)));
    if (nDot >= 0) pszPath[nDot] = 0;
}

void CDiskFile::DelExtension(CXYString<wchar_t>& clPath) {
    long nDot = _nExtensionIndex(clPath.pszGet(), clPath.nGetLongueur());
    if (nDot >= 0) clPath.nAffecteConversion(clPath.pszGet(), static_cast<int>(nDot));
}

void CDiskFile::ChangeExtension(wchar_t* pszPath, uint32_t nSize, const wchar_t* pszNewExtension) {
    if (pszPath == nullptr) return;
    CTString clExtension = _clSlashed(pszNewExtension);
    const wchar_t* pszExtension = clExtension.pszGet();
    size_t nExtension = static_cast<size_t>(clExtension.nTaille());
    bool bDot = pszExtension[0] == L'.';
    long nLength = static_cast<long>(wcslen(pszPath));
    long nDot = _nExtensionIndex(pszPath, nLength);
    // Where the new extension goes: at the old '.', after it, or after a '.' appended to the name.
    size_t nAt =
        nDot >= 0 ? static_cast<size_t>(bDot ? nDot : nDot + 1) : static_cast<size_t>(nLength) + (bDot ? 0 : 1);
    // A name whose new extension does not fit is left as it was: cut, it would name another file.
    if (nAt + nExtension + 1 > nSize) return;
    pszBackSlash2Slash(pszPath);
    if (nDot < 0 && !bDot) pszPath[nLength] = L'.';
    wmemcpy(pszPath + nAt, pszExtension, nExtension + 1);
}

void CDiskFile::ChangeExtension(CXYString<wchar_t>& clPath, const wchar_t* pszNewExtension) {
    const wchar_t* pszExtension = pszNewExtension != nullptr ? pszNewExtension : L"";
    bool bDot = pszExtension[0] == L'.';
    int nLength = clPath.nGetLongueur();
    long nDot = _nExtensionIndex(clPath.pszGet(), nLength);
    int nKeep = nDot < 0 ? nLength : static_cast<int>(bDot ? nDot : nDot + 1);
    if (nKeep < nLength) clPath.nAffecteConversion(clPath.pszGet(), nKeep);
    if (nDot < 0 && !bDot) clPath.nConcat(L".", 1);
    clPath.nConcat(pszExtension);
}

// ---------------------------------------------------------------------------------------------------------------
// Tests

int CDiskFile::bIsRelativePath(const wchar_t* pszPath) {
    return pszPath != nullptr && pszPath[0] == L'.';
}

int CDiskFile::bIsRelativeFileName(const wchar_t* pszPath) {
    return pszPath == nullptr || pszPath[0] != L'/';
}

int CDiskFile::bIsRelativeFileName_WIN32(const wchar_t* pszPath) {
    if (pszPath == nullptr || pszPath[0] == 0) return 1;
    if (pszPath[0] == L'\\') return 0;
    if (iswalpha(static_cast<wint_t>(pszPath[0])) && pszPath[1] == L':') return 0;
    return pszPath[wcslen(pszPath) - 1] != L':';
}

namespace {
template <typename T>
int _bUNC(const T* psz) {
    if (psz == nullptr || psz[0] != '\\' || psz[1] != '\\') return 0;
    for (const T* p = psz + 2; *p != 0; p++) {
        if (*p == '\\') return 1;
    }
    return 0;
}
}  // namespace

int CDiskFile::bUNCName(const wchar_t* pszPath) {
    return _bUNC(pszPath);
}

int CDiskFile::bUNCNameA(const char* pszPath) {
    return _bUNC(pszPath);
}

int CDiskFile::bIsAVirtualDirectory(const wchar_t* pszName) {
    return pszName != nullptr && (wcscmp(pszName, L".") == 0 || wcscmp(pszName, L"..") == 0);
}

int CDiskFile::bValidName(const wchar_t* pszName) {
    return pszName == nullptr || wcspbrk(pszName, L"\\/:*?\"<>|") == nullptr;
}

// ---------------------------------------------------------------------------------------------------------------
// Making and splitting

void CDiskFile::PrefixeCurrentDirectory(wchar_t* pszPath) {
    if (pszPath == nullptr) return;
    wmemmove(pszPath + 2, pszPath, wcslen(pszPath) + 1);
    pszPath[0] = L'.';
    pszPath[1] = L'/';
}

void CDiskFile::MakePath(wchar_t* pszResult, const wchar_t* pszDirectory, const wchar_t* pszName,
                         const wchar_t* pszExtension) {
    if (pszResult == nullptr) return;
    // The directory gets its end slash here, so that a path without a name still ends with it ("d/").
    CTString clDirectory = _clSlashed(pszDirectory);
    DirectoryWithEndSlash(clDirectory);
    CTString clName = _clSlashed(pszName);
    CTString clExtension = _clSlashed(pszExtension);
    size_t nLength =
        makepath(pszResult, DISKFILE_PATH_BUFFER, clDirectory.pszGet(), clName.pszGet(), clExtension.pszGet());
    // A path that does not fit in the library's buffer is not handed out cut.
    if (nLength >= DISKFILE_PATH_BUFFER) pszResult[0] = 0;
}

template <typename T>
void CDiskFile::__SplitPath(const T* pszPath, T* pszDirectory, T* pszName, T* pszExtension) {
    CTString clPath = _clSlashed(pszPath);
    long nDirectory, nNameEnd;
    _SplitBounds(clPath, nDirectory, nNameEnd);
    const _stPathPart tabParts[] = {
        {pszDirectory, 0, nDirectory},
        {pszName, nDirectory, nNameEnd - nDirectory},
        {pszExtension, nNameEnd, clPath.nTaille() - nNameEnd},
    };
    _WriteParts(clPath.pszGet(), tabParts, 3);
}

template <typename T>
void CDiskFile::__SplitPath(const T* pszPath, T* pszDirectory, T* pszFileName) {
    CTString clPath = _clSlashed(pszPath);
    long nDirectory, nNameEnd;
    _SplitBounds(clPath, nDirectory, nNameEnd);
    // The final component: the name followed by the extension.
    const _stPathPart tabParts[] = {
        {pszDirectory, 0, nDirectory},
        {pszFileName, nDirectory, clPath.nTaille() - nDirectory},
    };
    _WriteParts(clPath.pszGet(), tabParts, 2);
}

template void CDiskFile::__SplitPath<wchar_t>(const wchar_t*, wchar_t*, wchar_t*, wchar_t*);
template void CDiskFile::__SplitPath<wchar_t>(const wchar_t*, wchar_t*, wchar_t*);

void CDiskFile::SplitPath(const wchar_t* pszPath, wchar_t* pszDirectory, wchar_t* pszFileName) {
    __SplitPath<wchar_t>(pszPath, pszDirectory, pszFileName);
}

// ---------------------------------------------------------------------------------------------------------------
// Full paths

uint32_t CDiskFile::GetFullPathName(const wchar_t* pszName, uint32_t nSize, wchar_t* pszResult, wchar_t**) {
    CTString clName = _clSlashed(pszName);
    const wchar_t* psz = clName.pszGet();
    size_t nName = static_cast<size_t>(clName.nTaille());
    if (nName == 0) return 0;
    // "~" and "~/..." stand for the process user's home, "~name" and "~name/..." for that user's.
    // A name that is no user's stays as written: a name relative to the working directory.
    size_t nTilde = 0;
    CTString clHome;
    if (psz[0] == L'~') {
        size_t nUserEnd = 1;
        while (psz[nUserEnd] != 0 && psz[nUserEnd] != L'/') nUserEnd++;
        if (nUserEnd == 1) {
            if (!_bGetUserHome(clHome)) return 0;
            nTilde = 1;
        } else if (_bGetNamedUserHome(psz + 1, nUserEnd - 1, clHome)) {
            nTilde = nUserEnd;
        }
    }
    if (nTilde > 0) {
        size_t nHome = static_cast<size_t>(clHome.nTaille());
        if (nHome + nName + 3 > nSize) return static_cast<uint32_t>(nHome + nName + 3);
        wmemcpy(pszResult, clHome.pszGet(), nHome);
        wmemcpy(pszResult + nHome, psz + nTilde, nName - nTilde + 1);  // the rest and its terminator
    } else if (psz[0] == L'/') {
        // The size rule of the other forms holds here too: a name that does not fit is not copied.
        if (nName + 1 > nSize) return static_cast<uint32_t>(nName + 1);
        wmemcpy(pszResult, psz, nName + 1);
    } else {
        if (!Unix_getcwd(pszResult, nSize)) return errno == ERANGE ? nSize * 2 : 0;
        size_t nDirectory = wcslen(pszResult);
        if (nDirectory + nName + 1 >= nSize) return static_cast<uint32_t>(nDirectory + nName + 2);
        // The root directory already ends with the separator.
        if (nDirectory == 0 || pszResult[nDirectory - 1] != L'/') pszResult[nDirectory++] = L'/';
        wmemcpy(pszResult + nDirectory, psz, nName + 1);
    }
    _ResolveDots(pszResult);
    return static_cast<uint32_t>(wcslen(pszResult));
}

int CDiskFile::bGetFullPath(wchar_t* pszResult, uint32_t nSize, const wchar_t* pszName, uint32_t* pnLength,
                            CXError* pclErr) {
    uint32_t nLength = GetFullPathName(pszName, nSize, pszResult);
    if (pnLength != nullptr) *pnLength = nLength;
    // Too small a buffer is not a failure to report: the caller learns the size it needs.
    if (_bOnError(nLength != 0, pclErr)) {
        int nSaved = errno;
        CTString clName = _clSlashed(pszName);
        pclErr->InitModInfo(&gstMyModuleInfo39, 1);
        pclErr->AddUserMessage(&gstMyModuleInfo39, 28131, clName.pszGet());
        pclErr->AddInfo(CXError::EIT_SRCFILE, clName.pszGet());
        errno = nSaved;
    }
    if (nLength == 0 || nLength > nSize) return 0;
    if (pnLength != nullptr) (*pnLength)++;
    return 1;
}

int CDiskFile::bGetUNCName(wchar_t* pszResult, uint32_t nSize, const wchar_t* pszName, CXError*) {
    return static_cast<int>(GetFullPathName(pszName, nSize, pszResult));
}

int CDiskFile::bStandardizeExistingFileName(wchar_t* pszResult, uint32_t nSize, const wchar_t* pszName) {
    return static_cast<int>(GetFullPathName(pszName, nSize, pszResult));
}

int CDiskFile::bGetLongPathName(wchar_t* pszResult, uint32_t nSize, const wchar_t* pszName) {
    // A name that does not fit is refused, never handed out cut.
    if (pszResult == nullptr) return 0;
    return _bCopyWhole(pszResult, nSize, pszName);
}

void CDiskFile::StandardizeFileName(wchar_t* pszResult, const wchar_t* pszName) {
    if (pszResult == nullptr) return;
    if (pszName != nullptr && pszName != pszResult) wmemmove(pszResult, pszName, wcslen(pszName) + 1);
    pszBackSlash2Slash(pszResult);
    STR_SuppressRightSpaces(pszResult);
}

void CDiskFile::SimplifyPath(wchar_t* pszPath) {
    if (pszPath == nullptr) return;
    // "/./" becomes "/", and the same '/' is looked at again ("/././" becomes "/").
    for (wchar_t* p = pszPath; *p != 0;) {
        if (p[0] == L'/' && p[1] == L'.' && p[2] == L'/')
            wmemmove(p, p + 2, wcslen(p + 2) + 1);
        else
            p++;
    }
    // Each "/../" takes the component before it away, unless there is no '/' before that
    // component or the component is itself "..": those are left as they stand.
    wchar_t* pSearch = pszPath;
    for (wchar_t* p = wcsstr(pSearch, L"/../"); p != nullptr; p = wcsstr(pSearch, L"/../")) {
        wchar_t* pSlash = _pSlashBefore(pszPath, p);
        if (pSlash == nullptr || (p - pSlash == 3 && pSlash[1] == L'.' && pSlash[2] == L'.')) {
            // Past the "/../", whose last '/' may begin the next one.
            pSearch = p + 3;
            continue;
        }
        wmemmove(pSlash + 1, p + 4, wcslen(p + 4) + 1);
        pSearch = pSlash;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Comparisons: exact text comparisons of standardized names, nothing resolved against the disk. The
// names are compared whole, whatever their length.

int CDiskFile::bSameFileName(const wchar_t* pszA, const wchar_t* pszB) {
    return _clStandardized(pszA) == _clStandardized(pszB);
}

int CDiskFile::bSameDirectoryName(const wchar_t* pszA, const wchar_t* pszB) {
    CTString clA = _clStandardized(pszA);
    CTString clB = _clStandardized(pszB);
    _RemoveOneEndSlash(clA);
    _RemoveOneEndSlash(clB);
    return clA == clB;
}

int CDiskFile::bSameDirectoryNameEx(const wchar_t* pszA, int bFullA, const wchar_t* pszB, int bFullB) {
    CTString tabNames[2];
    const struct {
        const wchar_t* pszName;
        int bFull;
    } tabInputs[2] = {{pszA, bFullA}, {pszB, bFullB}};
    for (int i = 0; i < 2; i++) {
        if (tabInputs[i].bFull) {
            wchar_t szFull[DISKFILE_PATH_BUFFER];
            uint32_t nLength =
                static_cast<uint32_t>(bStandardizeExistingFileName(szFull, DISKFILE_PATH_BUFFER, tabInputs[i].pszName));
            // A name that has no full path within the library's limit equals nothing.
            if (nLength == 0 || nLength >= DISKFILE_PATH_BUFFER) return 0;
            tabNames[i] = szFull;
        } else {
            tabNames[i] = _clStandardized(tabInputs[i].pszName);
        }
        _RemoveOneEndSlash(tabNames[i]);
    }
    return tabNames[0] == tabNames[1];
}

// ---------------------------------------------------------------------------------------------------------------
// Relative and full paths; the result buffer holds 260 characters and a terminator.

int CDiskFile::bPathRelativePathTo(wchar_t* pszResult, const wchar_t* pszPath, const wchar_t* pszBase, int bStrict) {
    CTString clBase = _clSlashed(pszBase);
    if (clBase.nTaille() == 0) return _bCopyWhole(pszResult, DISKFILE_PATH_BUFFER, _clSlashed(pszPath).pszGet());
    CTString clPath = _clStandardized(pszPath);
    clBase = _clStandardized(clBase.pszGet());
    DirectoryWithEndSlash(clBase);
    long nUp = 0;
    while (wcsncmp(clPath.pszGet(), clBase.pszGet(), static_cast<size_t>(clBase.nTaille())) != 0) {
        _GoUp(clBase);
        nUp++;
        if (bStrict && clBase.nTaille() == 0) return 0;
    }
    long nRest = clPath.nTaille() - clBase.nTaille();
    const wchar_t* pszRest = clPath.pszGet() + clBase.nTaille();
    CTString clResult;
    if (nUp > 0) {
        if (nRest + 3 * nUp >= static_cast<long>(DISKFILE_PATH_BUFFER)) return 0;
        for (long i = 0; i < nUp; i++) clResult.Add(L"../");
    } else {
        if (nRest + 2 >= static_cast<long>(DISKFILE_PATH_BUFFER)) return 0;
        clResult.Add(L"./");
    }
    clResult.Add(pszRest);
    return _bCopyWhole(pszResult, DISKFILE_PATH_BUFFER, clResult.pszGet());
}

int CDiskFile::bRelativeToFullPath(wchar_t* pszResult, const wchar_t* pszRelative, const wchar_t* pszBase, int nMode) {
    CTString clName = _clSlashed(pszRelative);
    CTString clBase = _clSlashed(pszBase);
    const wchar_t* pszName = clName.pszGet();
    if (wcscmp(pszName, L".") == 0) return _bCopyWhole(pszResult, DISKFILE_PATH_BUFFER, clBase.pszGet());
    if ((nMode == 0 && pszName[0] != L'.') || (nMode == 1 && pszName[0] == L'/'))
        return _bCopyWhole(pszResult, DISKFILE_PATH_BUFFER, pszName);
    CTString clResult;
    if (wcsncmp(pszName, L"./", 2) == 0) {
        clResult = clBase;
        long nLength = clResult.nTaille();
        while (nLength > 0 && clResult.cGetChar(nLength - 1) == L'/') nLength--;
        if (nLength == 0)
            clResult.Vide();
        else
            clResult.Tronque(nLength);
        clResult.Add(pszName + 1);
    } else {
        while (wcsncmp(pszName, L"../", 3) == 0) {
            pszName += 3;
            _GoUp(clBase);
        }
        DirectoryWithEndSlash(clBase);
        clResult = clBase;
        clResult.Add(pszName);
    }
    // Both forms write into the library's path buffer: what does not fit there is refused.
    return _bCopyWhole(pszResult, DISKFILE_PATH_BUFFER, clResult.pszGet());
}
