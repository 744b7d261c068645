// Profile files of the Windows emulation (see WinProfile.h): file names, the reader, the in-place
// writer, and the character and line readers exported for the host. One reader and one writer serve
// 8-bit (code page 1252) and UTF-16 files: they work on lines of char or wchar_t read from the file
// byte by byte, a UTF-16 file one 16-bit unit per character. Reader and writer recognise sections and
// keys by the same rules, so that what the writer changes is what the reader finds.
#include "platform/WinProfile.h"

#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "core/STRUtil.h"
#include "core/UnicodeToolkit.h"
#include "platform/DiskFile.h"

// ---------------------------------------------------------------------------------------------
// Character and line readers
// ---------------------------------------------------------------------------------------------

template <>
int STRG_nGetChar<char, char>(FILE* pFile) {
    return fgetc(pFile);
}

template <>
int STRG_nGetChar<wchar_t, wchar_t>(FILE* pFile) {
    const wint_t c = fgetwc(pFile);
    return c == WEOF ? -1 : static_cast<int>(c);
}

template <>
int STRG_nGetChar<wchar_t, unsigned short>(FILE* pFile) {
    const int nLow = fgetc(pFile);
    if (nLow == EOF) return -1;
    const int nHigh = fgetc(pFile);
    if (nHigh == EOF) return -1;  // half a unit at the end of the file
    return nLow | (nHigh << 8);
}

namespace {

// Reads one line into the growing buffer: the characters read (LF included), -1 at the end of the
// file when nothing was read. *pbNoMemory tells a buffer that could not grow (the line read so far is
// kept, terminated).
template <typename T, typename TUnit>
long __nReadLine(T** ppszLine, unsigned long* pnSize, FILE* pFile, bool* pbNoMemory) {
    // The buffer grows by this many bytes.
    constexpr unsigned long nStep = sizeof(T) == 1 ? 64 : 256;
    *pbNoMemory = false;
    if (*ppszLine == nullptr) *pnSize = 0;
    unsigned long nLen = 0;
    for (;;) {
        const int c = STRG_nGetChar<T, TUnit>(pFile);
        if (c == -1) break;
        // Room for this character and the terminator.
        if ((nLen + 2) * sizeof(T) > *pnSize) {
            unsigned long nNew = *pnSize + nStep;
            while ((nLen + 2) * sizeof(T) > nNew) nNew += nStep;
            T* p = static_cast<T*>(realloc(*ppszLine, nNew));
            if (p == nullptr) {
                if (*ppszLine != nullptr && *pnSize >= (nLen + 1) * sizeof(T)) (*ppszLine)[nLen] = 0;
                *pbNoMemory = true;
                return static_cast<long>(nLen);
            }
            *ppszLine = p;
            *pnSize = nNew;
        }
        (*ppszLine)[nLen++] = static_cast<T>(c);
        if (c == '\n') break;
    }
    if (*ppszLine != nullptr && *pnSize >= sizeof(T)) (*ppszLine)[nLen] = 0;
    return nLen == 0 ? -1 : static_cast<long>(nLen);
}

}  // namespace

template <typename T, typename TUnit>
int __STRG_nGetLine(T** ppszLine, unsigned long* pnSize, FILE* pFile) {
    if (ppszLine == nullptr || pnSize == nullptr || pFile == nullptr) {
        errno = EINVAL;
        return -1;
    }
    // Read through fgetwc, a character takes as many bytes as its encoding in the stream.
    constexpr bool bMultiByte = sizeof(T) > 1 && sizeof(TUnit) == sizeof(wchar_t);
    const long nStart = bMultiByte ? ftell(pFile) : -1;
    bool bNoMemory;
    const long nLen = __nReadLine<T, TUnit>(ppszLine, pnSize, pFile, &bNoMemory);
    if (bNoMemory) return ENOMEM;
    if (nLen < 0) return -1;
    if (bMultiByte) {
        const long nEnd = ftell(pFile);
        if (nStart >= 0 && nEnd >= nStart) return static_cast<int>(nEnd - nStart);
    }
    return static_cast<int>(nLen * static_cast<long>(sizeof(TUnit)));
}

template int __STRG_nGetLine<char, char>(char**, unsigned long*, FILE*);
template int __STRG_nGetLine<wchar_t, wchar_t>(wchar_t**, unsigned long*, FILE*);
template int __STRG_nGetLine<wchar_t, unsigned short>(wchar_t**, unsigned long*, FILE*);

template <>
int STRG_nGetLine<char>(char** ppszLine, unsigned long* pnSize, FILE* pFile) {
    return __STRG_nGetLine<char, char>(ppszLine, pnSize, pFile);
}

template <>
int STRG_nGetLine<wchar_t>(wchar_t** ppszLine, unsigned long* pnSize, FILE* pFile) {
    return __STRG_nGetLine<wchar_t, wchar_t>(ppszLine, pnSize, pFile);
}

// ---------------------------------------------------------------------------------------------
// File names
// ---------------------------------------------------------------------------------------------

namespace {

constexpr wchar_t s_szORLCONF[] = L".ORL.conf";
const char* __pszSettingsFile(const char*) {
    return ".ORL.conf";
}
const wchar_t* __pszSettingsFile(const wchar_t*) {
    return s_szORLCONF;
}

// The home directory of the real user's password entry, in the system's bytes.
bool __bGetPasswordHome(std::string* psHome) {
    std::vector<char> tab(1024);
    for (;;) {
        struct passwd stEntry;
        struct passwd* pEntry = nullptr;
        const int nError = getpwuid_r(getuid(), &stEntry, tab.data(), tab.size(), &pEntry);
        if (nError == ERANGE && tab.size() < (1u << 20)) {
            tab.resize(tab.size() * 2);
            continue;
        }
        if (nError != 0 || pEntry == nullptr || pEntry->pw_dir == nullptr) return false;
        psHome->assign(pEntry->pw_dir);
        return true;
    }
}

// A file in that home directory: home + "/" + name, the slash left out after a home ending in one.
template <typename T>
bool __bNameInHome(const T* pszName, std::basic_string<T>* psResult) {
    std::string sHome;
    if (!__bGetPasswordHome(&sHome)) return false;
    std::basic_string<T> s;
    if constexpr (sizeof(T) == 1) {
        s = sHome;
    } else {
        std::vector<wchar_t> tab(sHome.size() + 1);
        const unsigned long n = UTF8ToWide(tab.data(), tab.size(), sHome.c_str());
        s.assign(tab.data(), n);
    }
    if (s.empty() || s.back() != '/') s += static_cast<T>('/');
    s += pszName;
    *psResult = s;
    return true;
}

template <typename T>
size_t __nLen(const T* psz) {
    return STRG_nLen(psz);
}

template <typename T>
int __nPatchName(const T* pszFile, T* pszResult, size_t nSize) {
    if (pszResult == nullptr || nSize == 0) return 0;
    pszResult[0] = 0;
    std::basic_string<T> s;
    if (pszFile == nullptr || *pszFile == 0) {
        // No file name: the user's settings file.
        if (!__bNameInHome(__pszSettingsFile(pszFile), &s)) return 0;
    } else {
        const std::basic_string<T> sFile(pszFile);
        const bool bBackslash = sFile.find(static_cast<T>('\\')) != std::basic_string<T>::npos;
        const bool bSlash = sFile.find(static_cast<T>('/')) != std::basic_string<T>::npos;
        if (!bBackslash && !bSlash) {
            if (!__bNameInHome(pszFile, &s)) return 0;
        } else {
            s = sFile;
        }
    }
    std::replace(s.begin(), s.end(), static_cast<T>('\\'), static_cast<T>('/'));
    // A name cut to the buffer would be another file's: refused, so that nothing is read or written.
    if (s.size() >= nSize) {
        errno = ENAMETOOLONG;
        return 0;
    }
    std::copy(s.begin(), s.end(), pszResult);
    pszResult[s.size()] = 0;
    return 1;
}

}  // namespace

int __PrivateProfilePatchName(const wchar_t* pszFile, wchar_t* pszResult, size_t nSize) {
    return __nPatchName(pszFile, pszResult, nSize);
}

int __PrivateProfilePatchName(const char* pszFile, char* pszResult, size_t nSize) {
    return __nPatchName(pszFile, pszResult, nSize);
}

int bGetORLCONFPath(wchar_t* pszPath) {
    if (pszPath == nullptr) return 0;
    pszPath[0] = L'\0';
    std::wstring s;
    if (!__bNameInHome(s_szORLCONF, &s)) return 0;
    if (s.size() >= KX_PROFILE_NAME_SIZE) {
        errno = ENAMETOOLONG;
        return 0;
    }
    wmemcpy(pszPath, s.c_str(), s.size() + 1);
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Text helpers over both widths
// ---------------------------------------------------------------------------------------------

namespace {

bool __bIsSpace(char c) {
    return isspace(static_cast<unsigned char>(c)) != 0;
}
bool __bIsSpace(wchar_t c) {
    return iswspace(static_cast<wint_t>(c)) != 0;
}
int __nCompareNoCase(const char* a, const char* b, size_t n) {
    return strncasecmp(a, b, n);
}
int __nCompareNoCase(const wchar_t* a, const wchar_t* b, size_t n) {
    return wcsncasecmp(a, b, n);
}

template <typename T>
const T* __pszSkipSpaces(const T* p) {
    while (*p != 0 && __bIsSpace(*p)) p++;
    return p;
}

template <typename T>
const T* __pszFind(const T* p, T c) {
    for (; *p != 0; p++)
        if (*p == c) return p;
    return nullptr;
}

// "[name]": the line (left-trimmed) starts with '[', the name compared ignoring case, then ']'.
template <typename T>
bool __bIsSectionHeader(const T* pszTrimmed, const T* pszSection, size_t nSection) {
    return pszTrimmed[0] == '[' && __nCompareNoCase(pszTrimmed + 1, pszSection, nSection) == 0 &&
           pszTrimmed[1 + nSection] == ']';
}

// Any header: starts with '[' and holds a ']'.
template <typename T>
bool __bIsAnyHeader(const T* pszTrimmed) {
    return pszTrimmed[0] == '[' && __pszFind(pszTrimmed, static_cast<T>(']')) != nullptr;
}

// The key's line (left-trimmed): the key ignoring case, then '=', a blank or a tab.
template <typename T>
bool __bIsKeyLine(const T* pszTrimmed, const T* pszKey, size_t nKey) {
    if (__nLen(pszTrimmed) <= nKey || __nCompareNoCase(pszTrimmed, pszKey, nKey) != 0) return false;
    const T c = pszTrimmed[nKey];
    return c == '=' || c == ' ' || c == '\t';
}

// The output of the reader: appends cut so that it never passes n - 1 characters.
template <typename T>
class COutput {
public:
    COutput(T* pszBuffer, unsigned nSize) : m_psz(pszBuffer), m_nSize(pszBuffer != nullptr ? nSize : 0) {
        if (m_nSize != 0) m_psz[0] = 0;
    }
    void Append(const T* psz, size_t nLen) {
        if (m_nSize == 0) return;
        const size_t n = std::min<size_t>(nLen, m_nSize - 1 - m_nLen);
        std::copy(psz, psz + n, m_psz + m_nLen);
        m_nLen += static_cast<unsigned>(n);
        m_psz[m_nLen] = 0;
    }
    void AppendLineEnd() {
        static const T s_sz[] = {'\r', '\n'};
        Append(s_sz, 2);
    }
    bool bFull() const { return m_nSize == 0 || m_nLen >= m_nSize - 1; }
    unsigned nLen() const { return m_nLen; }

private:
    T* m_psz;
    unsigned m_nSize;
    unsigned m_nLen = 0;
};

// One line after another from a profile file, the buffer freed at the end.
template <typename T, typename TUnit>
class CLineReader {
public:
    explicit CLineReader(FILE* pFile) : m_pFile(pFile) {}
    CLineReader(const CLineReader&) = delete;
    CLineReader& operator=(const CLineReader&) = delete;
    ~CLineReader() { free(m_pszLine); }
    // The next line (LF kept), or null at the end of the file or when the buffer cannot grow.
    T* pszNext() {
        m_nLen = __nReadLine<T, TUnit>(&m_pszLine, &m_nSize, m_pFile, &m_bFailed);
        if (m_bFailed || m_nLen < 0) return nullptr;
        return m_pszLine;
    }
    // Characters of the last line, and whether it ended with LF.
    long nLen() const { return m_nLen; }
    bool bEndsLine() const { return m_nLen > 0 && m_pszLine[m_nLen - 1] == '\n'; }
    // The reading stopped for want of memory, not at the end of the file.
    bool bFailed() const { return m_bFailed; }

private:
    FILE* m_pFile;
    T* m_pszLine = nullptr;
    unsigned long m_nSize = 0;
    long m_nLen = 0;
    bool m_bFailed = false;
};

// The value search and listings of a profile file; the output's length. *pbFound tells a key found
// with an empty value from a key not found.
template <typename T, typename TUnit>
unsigned __nReadProfile(FILE* pFile, const T* pszSection, const T* pszKey, T* pszBuffer, unsigned nSize,
                        bool* pbFound) {
    *pbFound = false;
    COutput<T> clOut(pszBuffer, nSize);
    CLineReader<T, TUnit> clReader(pFile);
    const size_t nSection = __nLen(pszSection);
    const size_t nKey = __nLen(pszKey);

    // The section, or the list of all sections.
    bool bInSection = false;
    while (!bInSection) {
        T* pszLine = clReader.pszNext();
        if (pszLine == nullptr) return clOut.nLen();
        const T* p = __pszSkipSpaces(pszLine);
        if (nSection == 0) {
            if (p[0] != '[') continue;
            const T* pszEnd = __pszFind(p, static_cast<T>(']'));
            if (pszEnd == nullptr) continue;
            clOut.Append(p + 1, static_cast<size_t>(pszEnd - p - 1));
            clOut.AppendLineEnd();
        } else {
            bInSection = __bIsSectionHeader(p, pszSection, nSection);
        }
    }

    // Its keys.
    for (;;) {
        T* pszLine = clReader.pszNext();
        if (pszLine == nullptr) return clOut.nLen();
        T* p = const_cast<T*>(__pszSkipSpaces(pszLine));
        if (__bIsAnyHeader(p)) return clOut.nLen();
        if (p[0] == ':' || p[0] == 0) continue;
        if (nKey != 0 && !__bIsKeyLine(p, pszKey, nKey)) continue;
        // The line ends at its first CR or LF.
        for (T* q = p; *q != 0; q++)
            if (*q == '\r' || *q == '\n') {
                *q = 0;
                break;
            }
        T* pszSeparator = p[nKey] == '=' ? p + nKey : const_cast<T*>(__pszFind(p + nKey, static_cast<T>('=')));
        if (pszSeparator == nullptr) continue;
        if (nKey != 0) {
            const T* pszValue = pszSeparator + 1;
            while (*pszValue == ' ' || *pszValue == '\t') pszValue++;
            clOut.Append(pszValue, __nLen(pszValue));
            *pbFound = true;
            return clOut.nLen();
        }
        if (clOut.bFull()) return clOut.nLen();
        T* pszNameEnd = pszSeparator;
        while (pszNameEnd > p && __bIsSpace(pszNameEnd[-1])) pszNameEnd--;
        clOut.Append(p, static_cast<size_t>(pszNameEnd - p));
        clOut.AppendLineEnd();
    }
}

// A UTF-16 file begins with FF FE. The position is put back where it was.
bool __bIsUTF16File(FILE* pFile) {
    const long nPosition = ftell(pFile);
    unsigned char by[2];
    const bool bUTF16 = fread(by, 1, 2, pFile) == 2 && by[0] == 0xFF && by[1] == 0xFE;
    fseek(pFile, nPosition, SEEK_SET);
    return bUTF16;
}

// Past the byte-order mark of a UTF-16 file: it belongs to no line.
constexpr long UTF16_BOM_SIZE = 2;

// Wide text in code page 1252 and back, one byte per character.
std::string sTo1252(const wchar_t* psz) {
    std::string s;
    if (psz != nullptr)
        for (; *psz != 0; psz++) s += STR_ToCP1252(*psz, '?', nullptr);
    return s;
}

std::wstring sFrom1252(const char* psz) {
    std::wstring s;
    if (psz != nullptr)
        for (; *psz != 0; psz++) s += STR_FromCP1252(*psz);
    return s;
}

// A null text stays null through a conversion.
template <typename T>
const T* __pszOrNull(const void* pOriginal, const std::basic_string<T>& s) {
    return pOriginal == nullptr ? nullptr : s.c_str();
}

// A work area of n units: on the stack up to 1023 bytes, else on the heap.
template <typename T>
class CWorkArea {
public:
    explicit CWorkArea(size_t n) {
        if (n * sizeof(T) > sizeof(m_aStack)) {
            m_pHeap = static_cast<T*>(malloc(n * sizeof(T)));
            m_p = m_pHeap;
        }
    }
    CWorkArea(const CWorkArea&) = delete;
    CWorkArea& operator=(const CWorkArea&) = delete;
    ~CWorkArea() { free(m_pHeap); }
    T* p() const { return m_p; }

private:
    T m_aStack[1023 / sizeof(T)];
    T* m_pHeap = nullptr;
    T* m_p = m_aStack;
};

// The default of a value not found: cut to the buffer; its stored length.
template <typename T>
unsigned __nCopyDefault(const T* pszDefault, T* pszBuffer, unsigned nSize) {
    if (pszBuffer == nullptr || nSize == 0) return 0;
    const size_t n = std::min<size_t>(__nLen(pszDefault), nSize - 1);
    if (n != 0) std::copy(pszDefault, pszDefault + n, pszBuffer);
    pszBuffer[n] = 0;
    return static_cast<unsigned>(n);
}

// The reading behind every wide read; *pbFound as for __nReadProfile.
unsigned __nGetProfileStringW(const wchar_t* pszSection, const wchar_t* pszKey, wchar_t* pszBuffer, unsigned nSize,
                              const wchar_t* pszFile, bool* pbFound) {
    *pbFound = false;
    if (pszBuffer != nullptr && nSize != 0) pszBuffer[0] = L'\0';
    wchar_t szName[KX_PROFILE_NAME_SIZE];
    if (!__PrivateProfilePatchName(pszFile, szName, KX_PROFILE_NAME_SIZE)) return 0;
    FILE* pFile = CDiskFile::Unix_fopen(szName, "r");
    if (pFile == nullptr) return 0;
    unsigned nResult = 0;
    if (__bIsUTF16File(pFile)) {
        fseek(pFile, UTF16_BOM_SIZE, SEEK_SET);
        nResult = __nReadProfile<wchar_t, unsigned short>(pFile, pszSection, pszKey, pszBuffer, nSize, pbFound);
    } else {
        const std::string sSection = sTo1252(pszSection), sKey = sTo1252(pszKey);
        CWorkArea<char> clWork(nSize);
        char* pszWork = pszBuffer != nullptr ? clWork.p() : nullptr;
        if (pszWork == nullptr && pszBuffer != nullptr && nSize != 0) {
            fclose(pFile);
            return 0;
        }
        nResult = __nReadProfile<char, char>(pFile, __pszOrNull(pszSection, sSection), __pszOrNull(pszKey, sKey),
                                             pszWork, nSize, pbFound);
        if (pszBuffer != nullptr && nSize != 0)
            STR_CP1252ToWideChar(pszWork, static_cast<int>(nResult) + 1, pszBuffer, static_cast<int>(nSize));
    }
    fclose(pFile);
    return nResult;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Readers
// ---------------------------------------------------------------------------------------------

unsigned GetPrivateProfileStringW(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszDefault,
                                  wchar_t* pszBuffer, unsigned nSize, const wchar_t* pszFile) {
    bool bFound;
    const unsigned nResult = __nGetProfileStringW(pszSection, pszKey, pszBuffer, nSize, pszFile, &bFound);
    if (nResult != 0 || bFound) return nResult;
    return __nCopyDefault(pszDefault, pszBuffer, nSize);
}

unsigned GetPrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszDefault,
                                 wchar_t* pszBuffer, unsigned nSize, const wchar_t* pszFile) {
    return GetPrivateProfileStringW(pszSection, pszKey, pszDefault, pszBuffer, nSize, pszFile);
}

unsigned GetPrivateProfileStringA(const char* pszSection, const char* pszKey, const char* pszDefault, char* pszBuffer,
                                  unsigned nSize, const char* pszFile) {
    bool bFound = false;
    unsigned nResult = 0;
    if (pszBuffer != nullptr && nSize != 0) pszBuffer[0] = '\0';
    char szName[KX_PROFILE_NAME_SIZE];
    FILE* pFile = __PrivateProfilePatchName(pszFile, szName, KX_PROFILE_NAME_SIZE) ? fopen(szName, "r") : nullptr;
    if (pFile != nullptr) {
        if (__bIsUTF16File(pFile)) {
            fseek(pFile, UTF16_BOM_SIZE, SEEK_SET);
            const std::wstring sSection = sFrom1252(pszSection), sKey = sFrom1252(pszKey);
            CWorkArea<wchar_t> clWork(nSize);
            wchar_t* pszWork = pszBuffer != nullptr ? clWork.p() : nullptr;
            if (pszWork != nullptr || pszBuffer == nullptr || nSize == 0) {
                nResult = __nReadProfile<wchar_t, unsigned short>(pFile, __pszOrNull(pszSection, sSection),
                                                                  __pszOrNull(pszKey, sKey), pszWork, nSize, &bFound);
                if (pszBuffer != nullptr && nSize != 0) {
                    for (unsigned i = 0; i < nResult; i++) pszBuffer[i] = STR_ToCP1252(pszWork[i], '?', nullptr);
                    pszBuffer[nResult] = '\0';
                }
            }
        } else {
            nResult = __nReadProfile<char, char>(pFile, pszSection, pszKey, pszBuffer, nSize, &bFound);
        }
        fclose(pFile);
    }
    if (nResult != 0 || bFound) return nResult;
    return __nCopyDefault(pszDefault, pszBuffer, nSize);
}

int GetPrivateProfileInt(const wchar_t* pszSection, const wchar_t* pszKey, int nDefault, const wchar_t* pszFile) {
    wchar_t szValue[64];
    bool bFound;
    const unsigned n = __nGetProfileStringW(pszSection, pszKey, szValue, 64, pszFile, &bFound);
    if (n == 0 && !bFound) return nDefault;
    return static_cast<int>(wcstol(szValue, nullptr, 10));
}

unsigned GetProfileString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszDefault,
                          wchar_t* pszBuffer, unsigned nSize) {
    return GetPrivateProfileStringW(pszSection, pszKey, pszDefault, pszBuffer, nSize, nullptr);
}

int GetProfileInt(const wchar_t* pszSection, const wchar_t* pszKey, int nDefault) {
    return GetPrivateProfileInt(pszSection, pszKey, nDefault, nullptr);
}

// ---------------------------------------------------------------------------------------------
// Writers
// ---------------------------------------------------------------------------------------------

namespace {

// Where the text of one change goes: the file's bytes from nStart to nEnd are replaced by sText.
template <typename T>
struct _stEDIT {
    long nStart;
    long nEnd;
    std::basic_string<T> sText;
};

// "key = value" and LF; nothing for a null value.
template <typename T>
std::basic_string<T> sKeyLine(const T* pszKey, const T* pszValue) {
    std::basic_string<T> s;
    if (pszValue == nullptr) return s;
    s = pszKey;
    s += static_cast<T>(' ');
    s += static_cast<T>('=');
    s += static_cast<T>(' ');
    s += pszValue;
    s += static_cast<T>('\n');
    return s;
}

// Finds what a write changes: reads the lines from the data start and fills *pstEdit. With the
// reader's rules: left-trimmed lines, section and key compared ignoring case, ':' lines are comments.
template <typename T, typename TUnit>
bool __bPlanEdit(FILE* pFile, long nDataStart, const T* pszSection, const T* pszKey, const T* pszValue,
                 _stEDIT<T>* pstEdit) {
    if (fseek(pFile, nDataStart, SEEK_SET) != 0) return false;
    CLineReader<T, TUnit> clReader(pFile);
    const size_t nSection = __nLen(pszSection);
    const size_t nKey = __nLen(pszKey);
    const T cLF = static_cast<T>('\n');

    // The section's header.
    long nLineStart = nDataStart;
    bool bLastLineEnded = true;
    bool bFound = false;
    for (;;) {
        const T* pszLine = clReader.pszNext();
        const long nNext = ftell(pFile);
        if (pszLine == nullptr) break;
        bLastLineEnded = clReader.bEndsLine();
        if (__bIsSectionHeader(__pszSkipSpaces(pszLine), pszSection, nSection)) {
            bFound = true;
            break;
        }
        nLineStart = nNext;
    }
    if (clReader.bFailed()) return false;
    if (!bFound) {
        // A new section at the end of the file; deleting in a section that is not there changes nothing.
        pstEdit->nStart = pstEdit->nEnd = nLineStart;
        if (pszKey == nullptr || pszValue == nullptr) return true;
        if (!bLastLineEnded) pstEdit->sText += cLF;
        pstEdit->sText += static_cast<T>('[');
        pstEdit->sText += pszSection;
        pstEdit->sText += static_cast<T>(']');
        pstEdit->sText += cLF;
        pstEdit->sText += sKeyLine(pszKey, pszValue);
        return true;
    }
    const long nHeaderStart = nLineStart;

    // Its lines: the key's, where a new key goes (before the first empty line or the next section),
    // and where the section ends.
    long nInsert = -1;
    nLineStart = ftell(pFile);
    for (;;) {
        const T* pszLine = clReader.pszNext();
        const long nNext = ftell(pFile);
        if (pszLine == nullptr) break;
        const T* p = __pszSkipSpaces(pszLine);
        if (__bIsAnyHeader(p)) break;
        bLastLineEnded = clReader.bEndsLine();
        if (pszLine[0] == '\n' || pszLine[0] == '\r') {
            if (nInsert < 0) nInsert = nLineStart;
        } else if (pszKey != nullptr && p[0] != ':' && __bIsKeyLine(p, pszKey, nKey)) {
            pstEdit->nStart = nLineStart;
            pstEdit->nEnd = nNext;
            pstEdit->sText = sKeyLine(pszKey, pszValue);
            // A last line without its LF keeps ending the file without one.
            if (!bLastLineEnded && !pstEdit->sText.empty()) pstEdit->sText.pop_back();
            return true;
        }
        nLineStart = nNext;
    }
    if (clReader.bFailed()) return false;
    const long nSectionEnd = nLineStart;
    if (pszKey == nullptr) {
        pstEdit->nStart = nHeaderStart;
        pstEdit->nEnd = nSectionEnd;
        return true;
    }
    pstEdit->nStart = pstEdit->nEnd = nInsert >= 0 ? nInsert : nSectionEnd;
    if (pszValue == nullptr) return true;
    if (nInsert < 0 && !bLastLineEnded) pstEdit->sText += cLF;
    pstEdit->sText += sKeyLine(pszKey, pszValue);
    return true;
}

// The bytes of text as the file holds it: as they are, or UTF-16 little-endian units.
std::string sFileBytes(const std::string& s) {
    return s;
}
std::string sFileBytes(const std::wstring& s) {
    const int nUnits = WideCharToUTF16(s.c_str(), static_cast<int>(s.size()), nullptr, 0);
    std::vector<unsigned short> tabUnits(static_cast<size_t>(nUnits) + 1);
    const int n = WideCharToUTF16(s.c_str(), static_cast<int>(s.size()), tabUnits.data(), nUnits + 1);
    std::string sBytes;
    for (int i = 0; i < n; i++) {
        sBytes += static_cast<char>(tabUnits[static_cast<size_t>(i)] & 0xFF);
        sBytes += static_cast<char>(tabUnits[static_cast<size_t>(i)] >> 8);
    }
    return sBytes;
}

// Replaces the bytes nStart to nEnd by the new ones: the rest of the file is held in memory, written
// after the new text, and the file is cut at its new end.
bool __bApplyEdit(FILE* pFile, long nStart, long nEnd, const std::string& sBytes) {
    if (nStart == nEnd && sBytes.empty()) return true;
    if (fseek(pFile, 0, SEEK_END) != 0) return false;
    const long nFileEnd = ftell(pFile);
    if (nFileEnd < nEnd) return false;
    const size_t nRest = static_cast<size_t>(nFileEnd - nEnd);
    char* pRest = static_cast<char*>(malloc(nRest + 1));
    if (pRest == nullptr) return false;
    bool bOk = fseek(pFile, nEnd, SEEK_SET) == 0 && fread(pRest, 1, nRest, pFile) == nRest;
    bOk = bOk && fseek(pFile, nStart, SEEK_SET) == 0;
    bOk = bOk && fwrite(sBytes.data(), 1, sBytes.size(), pFile) == sBytes.size();
    bOk = bOk && fwrite(pRest, 1, nRest, pFile) == nRest;
    free(pRest);
    bOk = bOk && fflush(pFile) == 0;
    const long nNewEnd = nStart + static_cast<long>(sBytes.size() + nRest);
    bOk = bOk && ftruncate(fileno(pFile), nNewEnd) == 0;
    return bOk;
}

template <typename T, typename TUnit>
int __bWriteProfile(FILE* pFile, long nDataStart, const T* pszSection, const T* pszKey, const T* pszValue) {
    _stEDIT<T> stEdit{};
    if (!__bPlanEdit<T, TUnit>(pFile, nDataStart, pszSection, pszKey, pszValue, &stEdit)) return 0;
    return __bApplyEdit(pFile, stEdit.nStart, stEdit.nEnd, sFileBytes(stEdit.sText)) ? 1 : 0;
}

// Opens the profile for an edit (created when missing); null on failure.
FILE* __pOpenForWrite(const wchar_t* pszName) {
    if (CDiskFile::Unix_access(pszName, F_OK) != 0) return CDiskFile::Unix_fopen(pszName, "w+");
    return CDiskFile::Unix_fopen(pszName, "r+");
}

FILE* __pOpenForWrite(const char* pszName) {
    if (access(pszName, F_OK) != 0) return fopen(pszName, "w+");
    return fopen(pszName, "r+");
}

}  // namespace

int WritePrivateProfileStringW(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszValue,
                               const wchar_t* pszFile) {
    if (pszSection == nullptr || *pszSection == L'\0') return 0;
    wchar_t szName[KX_PROFILE_NAME_SIZE];
    if (!__PrivateProfilePatchName(pszFile, szName, KX_PROFILE_NAME_SIZE)) return 0;
    FILE* pFile = __pOpenForWrite(szName);
    if (pFile == nullptr) return 0;
    int bResult;
    if (__bIsUTF16File(pFile)) {
        bResult = __bWriteProfile<wchar_t, unsigned short>(pFile, UTF16_BOM_SIZE, pszSection, pszKey, pszValue);
    } else {
        const std::string sSection = sTo1252(pszSection), sKey = sTo1252(pszKey), sValue = sTo1252(pszValue);
        bResult = __bWriteProfile<char, char>(pFile, 0, sSection.c_str(), __pszOrNull(pszKey, sKey),
                                              __pszOrNull(pszValue, sValue));
    }
    if (fclose(pFile) != 0) bResult = 0;
    return bResult;
}

int WritePrivateProfileString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszValue,
                              const wchar_t* pszFile) {
    return WritePrivateProfileStringW(pszSection, pszKey, pszValue, pszFile);
}

int WritePrivateProfileStringA(const char* pszSection, const char* pszKey, const char* pszValue, const char* pszFile) {
    if (pszSection == nullptr || *pszSection == '\0') return 0;
    char szName[KX_PROFILE_NAME_SIZE];
    if (!__PrivateProfilePatchName(pszFile, szName, KX_PROFILE_NAME_SIZE)) return 0;
    FILE* pFile = __pOpenForWrite(szName);
    if (pFile == nullptr) return 0;
    int bResult;
    if (__bIsUTF16File(pFile)) {
        const std::wstring sSection = sFrom1252(pszSection), sKey = sFrom1252(pszKey), sValue = sFrom1252(pszValue);
        bResult = __bWriteProfile<wchar_t, unsigned short>(pFile, UTF16_BOM_SIZE, sSection.c_str(),
                                                           __pszOrNull(pszKey, sKey), __pszOrNull(pszValue, sValue));
    } else {
        bResult = __bWriteProfile<char, char>(pFile, 0, pszSection, pszKey, pszValue);
    }
    if (fclose(pFile) != 0) bResult = 0;
    return bResult;
}

int WriteProfileString(const wchar_t* pszSection, const wchar_t* pszKey, const wchar_t* pszValue) {
    return WritePrivateProfileStringW(pszSection, pszKey, pszValue, nullptr);
}
