// What the .cpp files of CDiskFile's static toolbox (path names, file and directory operations,
// directory search, wide-name system calls) share among themselves: the size of the library's path
// buffers, the slashed copy of a caller's name, and the UTF-8 form of a name as the system takes it.
// Internal to the platform folder: nothing outside it includes it.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/TString.h"
#include "platform/DiskFile.h"

// Whether UTF-8 can carry the first nLength characters of a wide text: every one a Unicode scalar
// value other than 0 (no surrogate, nothing above U+10FFFF). A name that fails this is refused with
// EILSEQ wherever it would reach the system: replaced characters would name another file.
bool _bUTF8CanCarry(const wchar_t* psz, size_t nLength);

// A wide name in UTF-8 as the system takes it, in a heap block the caller frees; null with errno
// EILSEQ for a name UTF-8 cannot carry, ENOMEM without memory. A null name is the empty one.
char* _pszToSystemName(const wchar_t* pszName);

// The library's buffers for one path: 260 characters and a terminator.
constexpr uint32_t DISKFILE_PATH_BUFFER = CDiskFile::s_nMaxPath + 1;

// Callers write Windows-style names: the name as the file system takes it, backslashes turned into
// slashes in a private copy (a null name gives the empty string).
inline CTString _clSlashed(const wchar_t* pszName) {
    CTString clName(pszName);
    clName.Remplace(L'\\', L'/');
    return clName;
}
