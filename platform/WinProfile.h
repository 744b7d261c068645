// The Windows private-profile interfaces over plain text files: named sections "[name]" of
// "key = value" lines, read with GetPrivateProfileString and edited in place with
// WritePrivateProfileString. A bare file name lies in the home directory of the process user's
// password-database entry, and the profile without a file name is the user's settings file
// ".ORL.conf" there. A file that begins with the UTF-16 little-endian byte-order mark is read and
// written in UTF-16, any other in code page 1252. Also the line and character readers (exported from
// the driver library for the host) that the profile code reads files with.
#pragma once

#include <cstddef>
#include <cstdio>

// Buffers of file names, in characters.
constexpr int KX_PROFILE_NAME_SIZE = 261;

// ---- Readers ----

// Copies the value of key in section into the buffer (at most nSize - 1 characters, terminated) and
// answers its length. A null key lists the section's keys, a null or empty section the file's
// sections, each followed by "\r\n". A missing file, section or key gives the default (cut to the
// buffer) and its length, or 0 without one; a key present with an empty value gives 0 and an empty
// text whatever the default.
unsigned GetPrivateProfileStringW(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszDefault,
                                  wchar_t* pszBuffer, unsigned nSize, const wchar_t* pszFile);
unsigned GetPrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszDefault,
                                 wchar_t* pszBuffer, unsigned nSize, const wchar_t* pszFile);
// The same with 8-bit (code page 1252) arguments and result.
unsigned GetPrivateProfileStringA(const char* pszSection, const char* pszKey, const char* pszDefault, char* pszBuffer,
                                  unsigned nSize, const char* pszFile);
// The value read as a decimal integer, nDefault when the key is absent.
int GetPrivateProfileInt(const wchar_t* pszSection, const wchar_t* pszKey, int nDefault, const wchar_t* pszFile);
// The same on the user's settings file.
unsigned GetProfileString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszDefault,
                          wchar_t* pszBuffer, unsigned nSize);
int GetProfileInt(const wchar_t* pszSection, const wchar_t* pszKey, int nDefault);

// ---- Writers ----

// Sets key = value in section, creating the file, the section or the key as needed. A null key
// deletes the section, a null value the key. 1 on success, 0 when the file cannot be opened or
// created or its rest cannot be held in memory.
int WritePrivateProfileStringW(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszValue,
                               const wchar_t* pszFile);
int WritePrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszValue,
                              const wchar_t* pszFile);
int WritePrivateProfileStringA(const char* pszSection, const char* pszKey, const char* pszValue, const char* pszFile);
int WriteProfileString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszValue);

// ---- File names ----

// The full name of the user's settings file (".ORL.conf" in the home directory of the password
// entry of the real user) in a buffer of KX_PROFILE_NAME_SIZE characters; 0 when the password entry
// cannot be read or the name does not fit (errno ENAMETOOLONG).
int bGetORLCONFPath(wchar_t* pszPath);
// The name a profile file is opened under: a name without '/' or '\' lies in that home directory;
// every '\' becomes '/'. 0 with an empty result when a bare name is given and the home directory
// cannot be found, or when the name and its terminator do not fit in nSize characters (errno
// ENAMETOOLONG: a cut name would be another file's), else 1. Readers then give their default and
// writers 0.
int __PrivateProfilePatchName(const wchar_t* pszFile, wchar_t* pszResult, size_t nSize);
int __PrivateProfilePatchName(const char* pszFile, char* pszResult, size_t nSize);

// ---- Character and line readers ----

// One character of a stream: fgetc for <char, char>, fgetwc for <wchar_t, wchar_t>, and one 16-bit
// little-endian unit returned as a wide character for <wchar_t, unsigned short>. -1 at the end of the
// file.
template <typename T, typename TUnit>
int STRG_nGetChar(FILE* pFile);
template <>
__attribute__((visibility("default"))) int STRG_nGetChar<char, char>(FILE* pFile);
template <>
__attribute__((visibility("default"))) int STRG_nGetChar<wchar_t, wchar_t>(FILE* pFile);
template <>
__attribute__((visibility("default"))) int STRG_nGetChar<wchar_t, unsigned short>(FILE* pFile);

// Line readers over a caller-owned buffer that grows as needed (*ppszLine null and any *pnSize at
// first; *pnSize counts bytes; the caller frees the buffer with free). A line runs up to and
// including its LF, or to the end of the file, and is terminated. The result is the number of bytes
// the line took in the file, -1 at the end of the file when nothing was read, 12 (ENOMEM) when the
// buffer cannot be grown.
// - the template with a character reader: TUnit gives the unit read (see STRG_nGetChar);
template <typename T, typename TUnit>
int __STRG_nGetLine(T** ppszLine, unsigned long* pnSize, FILE* pFile);
// - the exported forms: bytes (<char>) and fgetwc characters (<wchar_t>).
template <typename T>
int STRG_nGetLine(T** ppszLine, unsigned long* pnSize, FILE* pFile);
template <>
__attribute__((visibility("default"))) int STRG_nGetLine<char>(char** ppszLine, unsigned long* pnSize, FILE* pFile);
template <>
__attribute__((visibility("default"))) int STRG_nGetLine<wchar_t>(wchar_t** ppszLine, unsigned long* pnSize,
                                                                  FILE* pFile);
