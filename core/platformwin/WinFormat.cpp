// Windows-dialect printf over the C library's vswprintf, and the small number-to-text and string
// helpers of the Windows C library. The dialect differs from the C library's only in the string
// conversions of a wide format, so a format is rewritten once ("%s" -> "%ls", "%S"/"%hs" -> "%s")
// and handed on. FormatMessage lives beside it, in WinFormatMessage.cpp.
#include "core/platformwin/WinFormat.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

namespace {

// vswprintfWin imposes no limit of its own below this; its callers size their buffers.
const size_t s_nLimiteSansTaille = 10000000;

// Rewritten formats up to this many characters stay on the stack.
const size_t s_nFormatSurPile = 512;

// One pass over a Windows-dialect format. Writes the C library's form into out when out is given
// (never past room - 1 characters, always terminated) and answers the room the whole form needs,
// terminator included: the format's length, plus one, plus one for every "%s" that becomes "%ls"
// ("%hs" gives one back, and the room is not trimmed for it). "%%" is a literal percent: the second
// '%' never starts a directive.
size_t _nReecritFormat(const wchar_t* pszFormat, wchar_t* out, size_t room) {
    size_t nEmis = 0;
    size_t nDirectivesS = 0;
    auto Emet = [&](wchar_t c) {
        if (out != nullptr && nEmis + 1 < room) out[nEmis] = c;
        nEmis++;
    };
    const wchar_t* const pDebut = pszFormat != nullptr ? pszFormat : L"";
    const wchar_t* p = pDebut;
    while (*p != L'\0') {
        if (*p != L'%') {
            Emet(*p++);
            continue;
        }
        Emet(*p++);
        if (*p == L'%') {
            Emet(*p++);
            continue;
        }
        // Argument position, flags, width and precision: a string conversion keeps its width
        // ("%-20s", "%.*s") and is still the dialect's wide string.
        while (*p != L'\0' && wcschr(L"0123456789$-+ #'.*", *p) != nullptr) Emet(*p++);
        if (*p == L's') {
            nDirectivesS++;
            Emet(L'l');
            Emet(L's');
            p++;
        } else if (*p == L'S') {
            Emet(L's');
            p++;
        } else if (*p == L'h') {
            if (p[1] == L's') {
                Emet(L's');
                p += 2;
            } else {
                Emet(*p++);
                if (*p != L'\0') Emet(*p++);
            }
        }
    }
    const size_t nLu = static_cast<size_t>(p - pDebut);
    if (out != nullptr && room != 0) out[nEmis < room ? nEmis : room - 1] = L'\0';
    return nLu + 1 + nDirectivesS;
}

// The rewritten form of one format, on the stack when short.
struct _stFormatUnix {
    explicit _stFormatUnix(const wchar_t* pszFormat) {
        size_t nPlace = _nReecritFormat(pszFormat, nullptr, 0);
        m_pszFormat = nPlace <= s_nFormatSurPile ? m_tabPile : static_cast<wchar_t*>(malloc(nPlace * sizeof(wchar_t)));
        if (m_pszFormat != nullptr) _nReecritFormat(pszFormat, m_pszFormat, nPlace);
    }
    ~_stFormatUnix() {
        if (m_pszFormat != m_tabPile) {
            int nErrno = errno;
            free(m_pszFormat);
            errno = nErrno;
        }
    }
    _stFormatUnix(const _stFormatUnix&) = delete;
    _stFormatUnix& operator=(const _stFormatUnix&) = delete;

    wchar_t m_tabPile[s_nFormatSurPile];
    wchar_t* m_pszFormat;
};

// The one call into vswprintf. errno is cleared first so that callers can tell a text that does
// not fit (errno stays 0) from one that cannot be encoded (EILSEQ) or a malformed format (EINVAL).
// bTermine: on failure store a terminator in the last character, for callers whose size is the
// real size of the buffer (the C library leaves a cut text unterminated).
int _nImprimeW(wchar_t* buffer, size_t size, const wchar_t* format, va_list args, bool bTermine) {
    if (format == nullptr || (buffer == nullptr && size != 0)) {
        errno = EINVAL;
        return -1;
    }
    _stFormatUnix stFormat(format);
    if (stFormat.m_pszFormat == nullptr) {
        errno = ENOMEM;
        return -1;
    }
    errno = 0;
    int nResultat = vswprintf(buffer, size, stFormat.m_pszFormat, args);
    if (nResultat < 0 && bTermine && size != 0) buffer[size - 1] = L'\0';
    return nResultat;
}

template <class T>
T* _pszNaturelEnTexte(unsigned long long value, T* buffer, int radix) {
    if (buffer == nullptr) return buffer;
    if (radix < 2 || radix > 36) {
        buffer[0] = 0;
        return buffer;
    }
    T tabChiffres[64];
    size_t n = 0;
    do {
        unsigned nChiffre = static_cast<unsigned>(value % static_cast<unsigned>(radix));
        tabChiffres[n++] = static_cast<T>(nChiffre < 10 ? '0' + nChiffre : 'a' + nChiffre - 10);
        value /= static_cast<unsigned>(radix);
    } while (value != 0);
    for (size_t i = 0; i < n; i++) buffer[i] = tabChiffres[n - 1 - i];
    buffer[n] = 0;
    return buffer;
}

template <class T>
T* _pszEntierEnTexte(long long value, T* buffer, int radix) {
    if (buffer == nullptr) return buffer;
    if (value < 0 && radix >= 2 && radix <= 36) {
        buffer[0] = '-';
        _pszNaturelEnTexte(0ULL - static_cast<unsigned long long>(value), buffer + 1, radix);
        return buffer;
    }
    return _pszNaturelEnTexte(static_cast<unsigned long long>(value), buffer, radix);
}

int _nChiffreHexa(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return 0;
}

}  // namespace

// ---- Format rewriting

int _nCalculeTailleChaineFormattageUnix(const wchar_t* format) {
    size_t nPlace = _nReecritFormat(format, nullptr, 0);
    return nPlace > INT_MAX ? INT_MAX : static_cast<int>(nPlace);
}

wchar_t* _ConvertFormatWindowsToUnix(const wchar_t* format, wchar_t* out, int room) {
    if (out != nullptr && room > 0) _nReecritFormat(format, out, static_cast<size_t>(room));
    return out;
}

// ---- Dialect printers

int vsnwprintfWin(wchar_t* buffer, size_t size, const wchar_t* format, va_list args) {
    return _nImprimeW(buffer, size, format, args, true);
}

int snwprintfWin(wchar_t* buffer, size_t size, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int nResultat = vsnwprintfWin(buffer, size, format, args);
    va_end(args);
    return nResultat;
}

int vswprintfWin(wchar_t* buffer, const wchar_t* format, va_list args) {
    return _nImprimeW(buffer, s_nLimiteSansTaille, format, args, false);
}

int swprintfWin(wchar_t* buffer, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int nResultat = vswprintfWin(buffer, format, args);
    va_end(args);
    return nResultat;
}

int vsznwprintfWin(wchar_t* buffer, size_t n, const wchar_t* format, va_list args) {
    if (buffer == nullptr || n == SIZE_MAX) {
        errno = EINVAL;
        return -1;
    }
    int nResultat = _nImprimeW(buffer, n + 1, format, args, false);
    buffer[n] = L'\0';
    return nResultat < 0 ? -1 : nResultat;
}

int sznwprintfWin(wchar_t* buffer, size_t n, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int nResultat = vsznwprintfWin(buffer, n, format, args);
    va_end(args);
    return nResultat;
}

int vsznwprintf(wchar_t* buffer, size_t n, const wchar_t* format, va_list args) {
    return vsznwprintfWin(buffer, n, format, args);
}

int sznwprintf(wchar_t* buffer, size_t n, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    int nResultat = vsznwprintfWin(buffer, n, format, args);
    va_end(args);
    return nResultat;
}

int vsznprintf(char* buffer, size_t n, const char* format, va_list args) {
    if (buffer == nullptr || format == nullptr || n == SIZE_MAX) {
        errno = EINVAL;
        return -1;
    }
    int nResultat = vsnprintf(buffer, n + 1, format, args);
    buffer[n] = '\0';
    return nResultat < 0 || static_cast<size_t>(nResultat) > n ? -1 : nResultat;
}

int sznprintf(char* buffer, size_t n, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int nResultat = vsznprintf(buffer, n, format, args);
    va_end(args);
    return nResultat;
}

int vaswprintf(wchar_t** result, const wchar_t* format, va_list args) {
    if (result == nullptr || format == nullptr) {
        errno = EINVAL;
        return -1;
    }
    *result = nullptr;
    const size_t nLongueurFormat = wcslen(format);
    size_t nPlace = (nLongueurFormat & ~static_cast<size_t>(7)) + 8;
    for (;;) {
        wchar_t* pszTexte = static_cast<wchar_t*>(malloc(nPlace * sizeof(wchar_t)));
        if (pszTexte == nullptr) {
            errno = ENOMEM;
            return -1;
        }
        // Every try formats from the start of the caller's list.
        va_list copie;
        va_copy(copie, args);
        int nResultat = _nImprimeW(pszTexte, nPlace, format, copie, false);
        va_end(copie);
        if (nResultat >= 0) {
            *result = pszTexte;
            return nResultat;
        }
        int nErrno = errno;
        free(pszTexte);
        if (nErrno == EILSEQ) {
            // A text that cannot be encoded: the caller gets the format itself.
            wchar_t* pszCopie = static_cast<wchar_t*>(malloc((nLongueurFormat + 1) * sizeof(wchar_t)));
            if (pszCopie == nullptr) {
                errno = ENOMEM;
                return -1;
            }
            wmemcpy(pszCopie, format, nLongueurFormat + 1);
            *result = pszCopie;
            errno = nErrno;
            return static_cast<int>(nLongueurFormat);
        }
        // A malformed format fails at any size: stop rather than grow for ever.
        if (nErrno != 0 && nErrno != E2BIG && nErrno != EOVERFLOW) {
            errno = nErrno;
            return -1;
        }
        if (nPlace > static_cast<size_t>(INT_MAX)) {
            errno = EOVERFLOW;
            return -1;
        }
        // Doubling reaches the size a long argument needs in a few tries.
        nPlace += nPlace > nLongueurFormat ? nPlace : nLongueurFormat;
    }
}

// ---- Number to text

char* ui64toa(unsigned long long value, char* buffer, int radix) {
    return _pszNaturelEnTexte(value, buffer, radix);
}
char* ultoa(unsigned long value, char* buffer, int radix) {
    return _pszNaturelEnTexte(value, buffer, radix);
}
wchar_t* ui64tow(unsigned long long value, wchar_t* buffer, int radix) {
    return _pszNaturelEnTexte(value, buffer, radix);
}
wchar_t* ultow(unsigned long value, wchar_t* buffer, int radix) {
    return _pszNaturelEnTexte(value, buffer, radix);
}
char* i64toa(long long value, char* buffer, int radix) {
    return _pszEntierEnTexte(value, buffer, radix);
}
char* ltoa(long value, char* buffer, int radix) {
    return _pszEntierEnTexte(value, buffer, radix);
}
char* itoa(int value, char* buffer, int radix) {
    return _pszEntierEnTexte(value, buffer, radix);
}
wchar_t* i64tow(long long value, wchar_t* buffer, int radix) {
    return _pszEntierEnTexte(value, buffer, radix);
}
wchar_t* ltow(long value, wchar_t* buffer, int radix) {
    return _pszEntierEnTexte(value, buffer, radix);
}
wchar_t* itow(int value, wchar_t* buffer, int radix) {
    return _pszEntierEnTexte(value, buffer, radix);
}

// ---- Small string helpers

wchar_t* my_struprW(wchar_t* text) {
    for (wchar_t* p = text; p != nullptr && *p != L'\0'; p++) *p = static_cast<wchar_t>(towupper(*p));
    return text;
}

wchar_t* my_strlwrW(wchar_t* text) {
    for (wchar_t* p = text; p != nullptr && *p != L'\0'; p++) *p = static_cast<wchar_t>(towlower(*p));
    return text;
}

char* my_struprA(char* text) {
    for (char* p = text; p != nullptr && *p != '\0'; p++)
        *p = static_cast<char>(toupper(static_cast<unsigned char>(*p)));
    return text;
}

char* my_strlwrA(char* text) {
    for (char* p = text; p != nullptr && *p != '\0'; p++)
        *p = static_cast<char>(tolower(static_cast<unsigned char>(*p)));
    return text;
}

long long nGetEntierHexa(const wchar_t* text, int& count) {
    unsigned long long nValeur = 0;
    int n = 0;
    while (text != nullptr && text[n] != L'\0' && iswxdigit(static_cast<wint_t>(text[n]))) {
        nValeur = nValeur * 16 + static_cast<unsigned>(_nChiffreHexa(text[n]));
        n++;
    }
    count = n;
    return static_cast<long long>(nValeur);
}

int nGetEntierHexa4(const wchar_t* text) {
    return (_nChiffreHexa(text[0]) << 12) | (_nChiffreHexa(text[1]) << 8) | (_nChiffreHexa(text[2]) << 4) |
           _nChiffreHexa(text[3]);
}

size_t xstrnlen(const char* text, size_t max) {
    return text != nullptr ? strnlen(text, max) : 0;
}

size_t xwcsnlen(const wchar_t* text, size_t max) {
    return text != nullptr ? wcsnlen(text, max) : 0;
}

wchar_t* wcsset(wchar_t* text, wchar_t c) {
    for (wchar_t* p = text; p != nullptr && *p != L'\0'; p++) *p = c;
    return text;
}

char* _strset(char* text, int c) {
    for (char* p = text; p != nullptr && *p != '\0'; p++) *p = static_cast<char>(c);
    return text;
}

wchar_t* wcsnset(wchar_t* text, wchar_t c, size_t n) {
    for (wchar_t* p = text; p != nullptr && n != 0 && *p != L'\0'; p++, n--) *p = c;
    return text;
}

char* _strnset(char* text, int c, size_t n) {
    char* p = text;
    for (; p != nullptr && n != 0 && *p != '\0'; p++, n--) *p = static_cast<char>(c);
    return p;
}

void* xmemmem(const void* haystack, size_t haystackSize, const void* needle, size_t needleSize) {
    if (haystack == nullptr || needle == nullptr || needleSize == 0 || haystackSize == 0 || needleSize > haystackSize)
        return nullptr;
    if (needleSize == 1)
        return const_cast<void*>(memchr(haystack, *static_cast<const unsigned char*>(needle), haystackSize));
    return memmem(haystack, haystackSize, needle, needleSize);
}
