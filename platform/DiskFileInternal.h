// What the .cpp files of CDiskFile's static toolbox (path names, file and directory operations,
// directory search, wide-name system calls) share among themselves: the size of the library's path
// buffers and the slashed copy of a caller's name. Internal to those files: nothing outside the
// platform folder includes it.
#pragma once

#include <cstdint>

#include "core/TString.h"
#include "platform/DiskFile.h"

// The library's buffers for one path: 260 characters and a terminator.
constexpr uint32_t DISKFILE_PATH_BUFFER = CDiskFile::s_nMaxPath + 1;

// Callers write Windows-style names: the name as the file system takes it, backslashes turned into
// slashes in a private copy (a null name gives the empty string).
inline CTString _clSlashed(const wchar_t* pszName) {
    CTString clName(pszName);
    clName.Remplace(L'\\', L'/');
    return clName;
}
