// Language-dependent comparison and mapping: which operation of the host's locale services is
// called, with which locale and which flags, plus the algorithms that stay local (natural order,
// the language-option comparison, the fast Windows-1252 comparison). Before the host's services
// are installed a local Latin-1 rule answers in the host's place (see _nLocalCompare/_nLocalMap).
#include "core/STRCompare.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "core/CharsetTable.h"
#include "core/InformationDLL.h"
#include "core/STRUtil.h"

// clang-format off
const unsigned char pToNoAccentUpper_Latin1[256] = {
    // 0x00-0x7F: identity, except a-z to A-Z
    0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F,  //
    0x10, 0x11, 0x12, 0x13, 0x14, 0x15, 0x16, 0x17, 0x18, 0x19, 0x1A, 0x1B, 0x1C, 0x1D, 0x1E, 0x1F,  //
    0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27, 0x28, 0x29, 0x2A, 0x2B, 0x2C, 0x2D, 0x2E, 0x2F,  //
    0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F,  //
    0x40, 'A',  'B',  'C',  'D',  'E',  'F',  'G',  'H',  'I',  'J',  'K',  'L',  'M',  'N',  'O',   //
    'P',  'Q',  'R',  'S',  'T',  'U',  'V',  'W',  'X',  'Y',  'Z',  0x5B, 0x5C, 0x5D, 0x5E, 0x5F,  //
    0x60, 'A',  'B',  'C',  'D',  'E',  'F',  'G',  'H',  'I',  'J',  'K',  'L',  'M',  'N',  'O',   //
    'P',  'Q',  'R',  'S',  'T',  'U',  'V',  'W',  'X',  'Y',  'Z',  0x7B, 0x7C, 0x7D, 0x7E, 0x7F,  //
    // 0x80-0x9F: Š š to S, Ž ž to Z, œ to Œ, Ÿ to Y
    0x80, 0x81, 0x82, 0x83, 0x84, 0x85, 0x86, 0x87, 0x88, 0x89, 'S',  0x8B, 0x8C, 0x8D, 'Z',  0x8F,  //
    0x90, 0x91, 0x92, 0x93, 0x94, 0x95, 0x96, 0x97, 0x98, 0x99, 'S',  0x9B, 0x8C, 0x9D, 'Z',  'Y',   //
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0xA6, 0xA7, 0xA8, 0xA9, 0xAA, 0xAB, 0xAC, 0xAD, 0xAE, 0xAF,  //
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF,  //
    // 0xC0-0xDF: upper-case letters to their base letter; Æ, Ð, ×, Þ, ß stay
    'A',  'A',  'A',  'A',  'A',  'A',  0xC6, 'C',  'E',  'E',  'E',  'E',  'I',  'I',  'I',  'I',   //
    0xD0, 'N',  'O',  'O',  'O',  'O',  'O',  0xD7, 'O',  'U',  'U',  'U',  'U',  'Y',  0xDE, 0xDF,  //
    // 0xE0-0xFF: lower-case letters to the upper base letter; æ, ð, þ to their capitals; ÷ stays
    'A',  'A',  'A',  'A',  'A',  'A',  0xC6, 'C',  'E',  'E',  'E',  'E',  'I',  'I',  'I',  'I',   //
    0xD0, 'N',  'O',  'O',  'O',  'O',  'O',  0xF7, 'O',  'U',  'U',  'U',  'U',  'Y',  0xDE, 'Y',
};
// clang-format on

namespace {

// ---------------------------------------------------------------------------------------------
// The local rule used before the host's services are installed: Latin-1 only, the same folding
// for compare and map so that a hash built by mapping agrees with an equality by comparing.
// ---------------------------------------------------------------------------------------------

// Base letter of 0xC0-0xFF keeping the case; 0 where the character has none.
const char g_szBaseLatin1[] = "AAAAAA\0CEEEEIIII\0NOOOOO\0OUUUUY\0\0aaaaaa\0ceeeeiiii\0nooooo\0ouuuuy\0y";
static_assert(sizeof(g_szBaseLatin1) == 65);

bool _bLocalSymbol(unsigned c) {
    if (c <= 32 || c == 0x7F) return true;
    if (c < 0x80) return !((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'));
    return (c >= 0xA0 && c <= 0xBF) || c == 0xD7 || c == 0xF7;
}

unsigned _nLocalMapChar(unsigned c, unsigned dwFlags) {
    if ((dwFlags & STR_IGNOREACCENT) && c >= 0xC0 && c <= 0xFF && g_szBaseLatin1[c - 0xC0] != 0)
        c = static_cast<unsigned char>(g_szBaseLatin1[c - 0xC0]);
    if (dwFlags & STR_IGNORECASE) {
        if ((c >= 'a' && c <= 'z') || (c >= 0xE0 && c <= 0xFE && c != 0xF7)) c -= 0x20;
    } else if (dwFlags & STR_LOWERCASE) {
        if ((c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7)) c += 0x20;
    }
    return c;
}

template <typename T>
unsigned _nCode(T c) {
    if constexpr (sizeof(T) == 1)
        return static_cast<unsigned char>(c);
    else
        return static_cast<unsigned>(c);
}

// Next character of a text after skipping what the flags ignore; false at the end.
template <typename T>
bool _bLocalNext(const T* p, int n, int& i, unsigned dwFlags, unsigned& c) {
    for (; n < 0 ? p[i] != 0 : i < n; i++) {
        unsigned u = _nCode(p[i]);
        if ((dwFlags & STR_IGNORESYMBOLS) && _bLocalSymbol(u)) continue;
        c = _nLocalMapChar(u, dwFlags & STR_LOGIQUE);
        i++;
        return true;
    }
    return false;
}

// Answers as the host does: 0 equal, 1 greater, -1 less.
template <typename T>
int _nLocalCompare(unsigned dwFlags, const T* p1, int n1, const T* p2, int n2) {
    int i1 = 0, i2 = 0;
    for (;;) {
        unsigned c1 = 0, c2 = 0;
        bool b1 = _bLocalNext(p1, n1, i1, dwFlags, c1);
        bool b2 = _bLocalNext(p2, n2, i2, dwFlags, c2);
        if (!b1 || !b2) return b1 ? 1 : (b2 ? -1 : 0);
        if (c1 != c2) return c1 < c2 ? -1 : 1;
    }
}

// Characters written; with a null destination and size 0 the characters needed. Safe in place.
template <typename T>
int _nLocalMap(unsigned dwFlags, T* pDest, int nSize, const T* pSrc, int nSrc) {
    bool bMeasure = pDest == nullptr && nSize == 0;
    int nOut = 0;
    for (int i = 0; nSrc < 0 ? pSrc[i] != 0 : i < nSrc; i++) {
        unsigned c = _nCode(pSrc[i]);
        if ((dwFlags & STR_IGNORESYMBOLS) && _bLocalSymbol(c)) continue;
        if (!bMeasure) {
            if (nOut >= nSize) break;
            pDest[nOut] = static_cast<T>(_nLocalMapChar(c, dwFlags & (STR_LOGIQUE | STR_LOWERCASE)));
        }
        nOut++;
    }
    return nOut;
}

// ---------------------------------------------------------------------------------------------
// Calls into the host's locale services (or the local rule)
// ---------------------------------------------------------------------------------------------

int _nClampLength(long n) {
    return static_cast<int>(std::clamp(n, -1L, static_cast<long>(INT_MAX)));
}
int _nClampSize(unsigned long n) {
    return static_cast<int>(std::min(n, static_cast<unsigned long>(INT_MAX)));
}

template <typename T>
constexpr const T* _pszEmpty() {
    if constexpr (sizeof(T) == 1)
        return "";
    else
        return L"";
}

// Compare through position 5/6 (fixed locale) or 7/8 (bCurrent). Answers the host's value.
template <typename T>
int _nHostCompare(bool bCurrent, unsigned dwLocale, unsigned dwFlags, const T* p1, int n1, const T* p2, int n2) {
    if (p1 == nullptr) p1 = _pszEmpty<T>(), n1 = 0;
    if (p2 == nullptr) p2 = _pszEmpty<T>(), n2 = 0;
    IInfoLocale* pi = CInformationDLL::ms_piInfoLocale;
    if (pi == nullptr) return _nLocalCompare(dwFlags, p1, n1, p2, n2);
    if constexpr (sizeof(T) == 1) {
        return bCurrent ? pi->vnCompareCurrentA(dwFlags, p1, n1, p2, n2)
                        : pi->vnCompareA(dwLocale, dwFlags, p1, n1, p2, n2);
    } else {
        return bCurrent ? pi->vnCompareCurrentW(dwFlags, p1, n1, p2, n2)
                        : pi->vnCompareW(dwLocale, dwFlags, p1, n1, p2, n2);
    }
}

// Map through position 11/12 (fixed locale) or 13/14 (bCurrent). Answers the host's value.
template <typename T>
int _nHostMap(bool bCurrent, unsigned dwLocale, unsigned dwFlags, T* pDest, int nSize, const T* pSrc, int nSrc) {
    if (pSrc == nullptr) pSrc = _pszEmpty<T>(), nSrc = 0;
    IInfoLocale* pi = CInformationDLL::ms_piInfoLocale;
    if (pi == nullptr) return _nLocalMap(dwFlags, pDest, nSize, pSrc, nSrc);
    if constexpr (sizeof(T) == 1) {
        return bCurrent ? pi->vnMapCurrentA(dwFlags, pDest, nSize, pSrc, nSrc)
                        : pi->vnMapA(dwLocale, dwFlags, pDest, nSize, pSrc, nSrc);
    } else {
        return bCurrent ? pi->vnMapCurrentW(dwFlags, pDest, nSize, pSrc, nSrc)
                        : pi->vnMapW(dwLocale, dwFlags, pDest, nSize, pSrc, nSrc);
    }
}

// The host's compare answer as -1, 0 or 1 (1 greater, 0 equal, anything else less).
int _nSigne(int nHost) {
    return nHost == 0 ? 0 : (nHost == 1 ? 1 : -1);
}

// Locale for the map and lexical operations: the fixed one, or the current one with bit 28.
unsigned _dwLocale(unsigned dwFlags, unsigned dwFixed) {
    return (dwFlags & STR_CURRENTLOCALE) ? STR_nGetCurrentLCID() : dwFixed;
}

template <typename T>
int _nLength(const T* p, int nMax) {
    if (p == nullptr || nMax < 1) return 0;
    int n = 0;
    while (n < nMax && p[n] != 0) n++;
    return n;
}

template <typename T>
bool _bDigit(T c) {
    return c >= '0' && c <= '9';
}

template <typename T>
unsigned long _nDigitRun(const T* p, unsigned long n) {
    unsigned long i = 0;
    while (i < n && _bDigit(p[i])) i++;
    return i;
}

template <typename T>
unsigned long _nTextRun(const T* p, unsigned long n) {
    unsigned long i = 0;
    while (i < n && !_bDigit(p[i])) i++;
    return i;
}

// Two runs of digits by value. Extra leading places of the longer run must be zeros or it is the
// greater; skipped zeros decide a tie later through nEtat (the text that had them is the lower).
template <typename T>
int __nCompareNumeriqueChaine(const T* a, unsigned long na, const T* b, unsigned long nb, int& nEtat) {
    if (na > nb) {
        for (unsigned long i = 0; i < na - nb; i++)
            if (a[i] != '0') return 1;
        a += na - nb;
        if (nEtat == 0) nEtat = -1;
    } else if (nb > na) {
        for (unsigned long i = 0; i < nb - na; i++)
            if (b[i] != '0') return -1;
        b += nb - na;
        if (nEtat == 0) nEtat = 1;
    }
    for (unsigned long i = 0, n = std::min(na, nb); i < n; i++)
        if (a[i] != b[i]) return a[i] < b[i] ? -1 : 1;
    return 0;
}

// A length of natural order: -1 means up to the zero (the text runs would otherwise be walked past
// it); a null text is empty.
template <typename T>
unsigned long _nLongueurNaturelle(const T* p, unsigned long n) {
    if (p == nullptr) return 0;
    return n == static_cast<unsigned long>(-1) ? STRG_nLen(p) : n;
}

int _nSigneMem(int n) {
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

// Trims white space (9 to 13 and 32) from both ends of [*pp, *pp + *pn).
template <typename T>
void _TrimWhite(const T*& p, int& n) {
    auto bWhite = [](T c) { return c == ' ' || (c >= 9 && c <= 13); };
    while (n > 0 && bWhite(p[0])) p++, n--;
    while (n > 0 && bWhite(p[n - 1])) n--;
}

template <typename T>
int _nPrepareChaine(int nOptions, const T* pSrc, int nSrc, T* pDest, int nDestSize) {
    if (pDest == nullptr || nDestSize < 1) return 0;
    if (pSrc == nullptr) nSrc = 0;
    if (nSrc < 0) nSrc = static_cast<int>(std::min(STRG_nLen(pSrc), static_cast<size_t>(INT_MAX)));
    if (nOptions & 1) _TrimWhite(pSrc, nSrc);
    unsigned dwFlags = OptionVQ2FlagSTR(nOptions);
    int n;
    if (dwFlags == 0) {
        n = std::min(nSrc, nDestSize - 1);
        memmove(pDest, pSrc, n * sizeof(T));
    } else {
        // One place is kept for the zero: the host may fill all the room it is given.
        n = nSrc == 0 ? 0 : _nHostMap(true, 0, dwFlags, pDest, nDestSize - 1, pSrc, nSrc);
        n = std::clamp(n, 0, nDestSize - 1);
    }
    pDest[n] = 0;
    return n;
}

// Byte comparison of the stored characters over the shorter length, then the longer is greater.
template <typename T>
int _nCompareOctets(const T* a, int na, const T* b, int nb) {
    int r = memcmp(a, b, std::min(na, nb) * sizeof(T));
    if (r != 0) return _nSigneMem(r);
    return na == nb ? 0 : (na < nb ? -1 : 1);
}

template <typename T>
int _nComparePrepared(const T* a, int na, const T* b, int nb, int nOptions) {
    bool bLexico = (nOptions & 8) != 0, bNumerique = (nOptions & 0x80) != 0;
    if (bLexico && !bNumerique) {
        if constexpr (sizeof(T) == 1) {
            for (int i = 0; i < na && i < nb; i++) {
                int r = STR_nCompareCharLexicoA(a[i], b[i], STR_CURRENTLOCALE);
                if (r != 0) return r;
            }
            return na == nb ? 0 : (na < nb ? -1 : 1);
        } else {
            return STR_nCompareStringLexicoW(a, na, b, nb, STR_CURRENTLOCALE | (nOptions & 0x80000000u));
        }
    }
    if (bNumerique) {
        unsigned dwFlags = bLexico ? STR_CURRENTLOCALE | STR_LEXICO : 0;
        if constexpr (sizeof(T) == 1)
            return STR_nCompareRespecteNumeriqueA(a, na, b, nb, dwFlags);
        else
            return STR_nCompareRespecteNumeriqueW(a, na, b, nb, dwFlags);
    }
    return _nCompareOctets(a, na, b, nb);
}

template <typename T>
int _nChaineCompare(const T* a, int na, const T* b, int nb, int nOptions) {
    if (a == nullptr) a = _pszEmpty<T>(), na = 0;
    if (b == nullptr) b = _pszEmpty<T>(), nb = 0;
    if (na < 0) na = static_cast<int>(std::min(STRG_nLen(a), static_cast<size_t>(INT_MAX - 1)));
    if (nb < 0) nb = static_cast<int>(std::min(STRG_nLen(b), static_cast<size_t>(INT_MAX - 1)));

    // Working copies on the stack up to 16 KB each.
    constexpr int nStack = 16383 / sizeof(T);
    T aStackA[nStack], aStackB[nStack];
    T* pA = na + 1 <= nStack ? aStackA : static_cast<T*>(malloc((static_cast<size_t>(na) + 1) * sizeof(T)));
    T* pB = nb + 1 <= nStack ? aStackB : static_cast<T*>(malloc((static_cast<size_t>(nb) + 1) * sizeof(T)));
    int nResult;
    if (pA == nullptr || pB == nullptr) {
        // No room for the prepared copies: the texts as they are.
        nResult = _nCompareOctets(a, na, b, nb);
    } else {
        int la = _nPrepareChaine(nOptions, a, na, pA, na + 1);
        int lb = _nPrepareChaine(nOptions, b, nb, pB, nb + 1);
        nResult = _nComparePrepared(pA, la, pB, lb, nOptions);
    }
    if (pA != aStackA) free(pA);
    if (pB != aStackB) free(pB);
    return nResult;
}

// Case in place, one character at a time: wide texts through the current-locale map (position
// 14), 8-bit texts through the map at the user's default locale (position 11).
template <typename T>
void _MapEach(T* p, size_t n, unsigned dwFlags, bool bBounded) {
    for (size_t i = 0; bBounded ? i < n : p[i] != 0; i++) {
        T aOut[2] = {0, 0};
        int r = sizeof(T) != 1 ? _nHostMap(true, 0, dwFlags, aOut, 2, &p[i], 1)
                               : _nHostMap(false, STR_LOCALE_USER_DEFAULT, dwFlags, aOut, 2, &p[i], 1);
        if (r >= 1) p[i] = aOut[0];
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Locale accessors
// ---------------------------------------------------------------------------------------------

IInfoLocale* STR_piGetInfoLocale() {
    return CInformationDLL::ms_piInfoLocale;
}

int STR_nGetCurrentChangeCharset() {
    int n = STR_nGetCurrentChangeCharsetInterne();
    return n == 127 ? 0 : n;
}

int STR_nGetCurrentChangeCharsetInterne() {
    IInfoLocale* pi = CInformationDLL::ms_piInfoLocale;
    return pi == nullptr ? 0 : pi->vnGetCurrentCharset();
}

int STR_nGetCurrentCodePage() {
    IInfoLocale* pi = CInformationDLL::ms_piInfoLocale;
    return pi == nullptr ? 0 : pi->vnGetCurrentCodePage();
}

unsigned int STR_nGetCurrentLCID() {
    IInfoLocale* pi = CInformationDLL::ms_piInfoLocale;
    return pi == nullptr ? STR_LOCALE_USER_DEFAULT : pi->vdwGetCurrentLocale();
}

unsigned int STR_nGetSafeCurrentLCID() {
    IInfoLocale* pi = CInformationDLL::ms_piInfoLocale;
    return pi == nullptr ? STR_LOCALE_USER_DEFAULT : pi->vdwGetCurrentLocaleSafe();
}

// ---------------------------------------------------------------------------------------------
// Whole-text comparison
// ---------------------------------------------------------------------------------------------

namespace {
// Two whole texts: the current-locale operation with bit 28 (the bit itself stays here), else the
// user's default locale.
template <typename T>
int _nCompareEntier(const T* psz1, const T* psz2, unsigned dwFlags) {
    if (dwFlags & STR_CURRENTLOCALE)
        return _nSigne(_nHostCompare(true, 0, dwFlags & ~STR_CURRENTLOCALE, psz1, -1, psz2, -1));
    return _nSigne(_nHostCompare(false, STR_LOCALE_USER_DEFAULT, dwFlags, psz1, -1, psz2, -1));
}
}  // namespace

int STR_nCompareW(const wchar_t* psz1, const wchar_t* psz2, unsigned int dwFlags) {
    return _nCompareEntier(psz1, psz2, dwFlags);
}

int STR_nCompareA(const char* psz1, const char* psz2, unsigned int dwFlags) {
    return _nCompareEntier(psz1, psz2, dwFlags | STR_COMPAREA);
}

int STR_nUpCompareW(const wchar_t* psz1, const wchar_t* psz2, unsigned int dwFlags) {
    return STR_nCompareW(psz1, psz2, dwFlags | STR_IGNORECASE);
}

int STR_nUpCompareA(const char* psz1, const char* psz2, unsigned int dwFlags) {
    return STR_nCompareA(psz1, psz2, dwFlags | STR_IGNORECASE);
}

int STR_nAcCompare(const wchar_t* psz1, const wchar_t* psz2, unsigned int dwFlags) {
    return STR_nCompareW(psz1, psz2, dwFlags | STR_IGNOREACCENT);
}

int STR_nNullCompare(const wchar_t* psz1, const wchar_t* psz2, unsigned int dwFlags) {
    if (psz1 == nullptr || psz2 == nullptr) return psz1 == psz2 ? 0 : (psz1 == nullptr ? -1 : 1);
    return STR_nCompareW(psz1, psz2, dwFlags);
}

int STR_nEmptyNullCompare(const wchar_t* psz1, const wchar_t* psz2, unsigned int dwFlags) {
    bool bEmpty1 = psz1 == nullptr || psz1[0] == 0, bEmpty2 = psz2 == nullptr || psz2[0] == 0;
    if (bEmpty1 && bEmpty2) return 0;
    // Only a null text is settled here: an empty one is compared by the host, for which a text of
    // symbols alone may equal it when the flags ignore symbols.
    if (psz2 == nullptr) return 1;
    if (psz1 == nullptr) return -1;
    return STR_nCompareW(psz1, psz2, dwFlags);
}

template <typename T>
int STR_nNCompare(const T* psz1, const T* psz2, int n, unsigned int dwFlags) {
    return __STR_CompareStringEx(dwFlags & ~STR_CURRENTLOCALE, psz1, _nLength(psz1, n), psz2, _nLength(psz2, n)) - 2;
}
template int STR_nNCompare<char>(const char*, const char*, int, unsigned int);
template int STR_nNCompare<wchar_t>(const wchar_t*, const wchar_t*, int, unsigned int);

template <typename T>
int __STR_CompareStringEx(unsigned int dwFlags, const T* psz1, int n1, const T* psz2, int n2) {
    int r = _nHostCompare(false, STR_LOCALE_1036, dwFlags, psz1, n1, psz2, n2);
    return r == 0 ? 2 : (r == 1 ? 3 : 1);
}
template int __STR_CompareStringEx<char>(unsigned int, const char*, int, const char*, int);
template int __STR_CompareStringEx<wchar_t>(unsigned int, const wchar_t*, int, const wchar_t*, int);

int STR_nNullNCompare(const wchar_t* psz1, const wchar_t* psz2, int n, unsigned int dwFlags) {
    if (psz1 == nullptr || psz2 == nullptr) return psz1 == psz2 ? 0 : (psz1 == nullptr ? -1 : 1);
    return STR_nNCompare<wchar_t>(psz1, psz2, n, dwFlags);
}

bool STR_bDebut(const wchar_t* pszPrefixe, const wchar_t* pszTexte) {
    size_t nPrefixe = STRG_nLen(pszPrefixe);
    if (nPrefixe > STRG_nLen(pszTexte)) return false;
    return STR_nNCompare<wchar_t>(pszPrefixe, pszTexte, static_cast<int>(std::min(nPrefixe, size_t{INT_MAX})),
                                  STR_LOGIQUE) == 0;
}

int STR_nCompareStringLexicoW(const wchar_t* psz1, long n1, const wchar_t* psz2, long n2, unsigned int dwFlags) {
    unsigned dwLocale = _dwLocale(dwFlags, STR_LOCALE_USER_DEFAULT);
    return _nSigne(_nHostCompare(false, dwLocale, (dwFlags & ~STR_CURRENTLOCALE) | STR_LEXICO, psz1, _nClampLength(n1),
                                 psz2, _nClampLength(n2)));
}

int STR_nCompareCharLexicoW(wchar_t c1, wchar_t c2, unsigned int dwFlags) {
    return STR_nCompareStringLexicoW(&c1, 1, &c2, 1, dwFlags);
}

int STR_nCompareCharLexicoA(char c1, char c2, unsigned int dwFlags) {
    unsigned dwLocale = _dwLocale(dwFlags, STR_LOCALE_1036);
    return _nSigne(_nHostCompare(false, dwLocale, (dwFlags & ~STR_CURRENTLOCALE) | STR_LEXICO, &c1, 1, &c2, 1));
}

int STR_nCompareCharSoupleW(wchar_t c1, wchar_t c2) {
    return _nSigne(_nHostCompare(false, STR_LOCALE_USER_DEFAULT, STR_LOGIQUE, &c1, 1, &c2, 1));
}

int STR_nCompareCharSoupleA(char c1, char c2) {
    return _nSigne(_nHostCompare(false, STR_LOCALE_1036, STR_LOGIQUE, &c1, 1, &c2, 1));
}

int STR_nCmpLogiqueAnsiFast(const char* psz1, const char* psz2) {
    const unsigned char* a = reinterpret_cast<const unsigned char*>(psz1 != nullptr ? psz1 : "");
    const unsigned char* b = reinterpret_cast<const unsigned char*>(psz2 != nullptr ? psz2 : "");
    for (;; a++, b++) {
        if (*a == 0) return *b == 0 ? 0 : -1;
        if (*b == 0) return 1;
        unsigned char ca = pToNoAccentUpper_Latin1[*a], cb = pToNoAccentUpper_Latin1[*b];
        if (ca != cb) return ca < cb ? -1 : 1;
    }
}

int STR_nCompareRespecteNumeriqueW(const wchar_t* a, unsigned long na, const wchar_t* b, unsigned long nb,
                                   unsigned int dwFlags) {
    na = _nLongueurNaturelle(a, na);
    nb = _nLongueurNaturelle(b, nb);
    int nEtat = 0;
    for (;;) {
        if (nb == 0) return na > 0 ? 1 : nEtat;
        if (na == 0) return -1;
        unsigned long da = _nDigitRun(a, na), db = _nDigitRun(b, nb);
        if (da > 0 && db > 0) {
            int r = __nCompareNumeriqueChaine(a, da, b, db, nEtat);
            if (r != 0) return r;
            a += da, na -= da, b += db, nb -= db;
            continue;
        }
        if (da > 0 || db > 0) break;
        unsigned long ta = _nTextRun(a, na), tb = _nTextRun(b, nb);
        if (dwFlags & STR_LEXICO) {
            int r = STR_nCompareStringLexicoW(a, static_cast<long>(ta), b, static_cast<long>(tb), dwFlags);
            if (r != 0) return r;
        } else {
            int r = memcmp(a, b, std::min(ta, tb) * sizeof(wchar_t));
            if (r != 0) return _nSigneMem(r);
            if (ta != tb) return ta < tb ? -1 : 1;
        }
        a += ta, na -= ta, b += tb, nb -= tb;
    }
    // One text is at a number and the other at text: those two characters decide.
    if (dwFlags & STR_LEXICO) return STR_nCompareCharLexicoW(*a, *b, dwFlags);
    return _nSigneMem(memcmp(a, b, sizeof(wchar_t)));
}

int STR_nCompareRespecteNumeriqueA(const char* a, unsigned long na, const char* b, unsigned long nb,
                                   unsigned int dwFlags) {
    na = _nLongueurNaturelle(a, na);
    nb = _nLongueurNaturelle(b, nb);
    int nEtat = 0;
    for (;;) {
        if (nb == 0) return na > 0 ? 1 : nEtat;
        if (na == 0) return -1;
        if (_bDigit(*a) && _bDigit(*b)) {
            unsigned long da = _nDigitRun(a, na), db = _nDigitRun(b, nb);
            int r = __nCompareNumeriqueChaine(a, da, b, db, nEtat);
            if (r != 0) return r;
            a += da, na -= da, b += db, nb -= db;
            continue;
        }
        unsigned char ca = static_cast<unsigned char>(*a), cb = static_cast<unsigned char>(*b);
        // The bytes are widened as unsigned values: a byte above 0x7F sign-extended would reach
        // the host as a character code that does not exist.
        int r = (dwFlags & STR_LEXICO) ? STR_nCompareCharLexicoW(ca, cb, dwFlags) : ca - cb;
        if (r != 0) return r;
        a++, na--, b++, nb--;
    }
}

int STR_ChaineCompareW(const wchar_t* psz1, int n1, const wchar_t* psz2, int n2, int nOptions) {
    return _nChaineCompare(psz1, n1, psz2, n2, nOptions);
}

int STR_ChaineCompareA(const char* psz1, int n1, const char* psz2, int n2, int nOptions) {
    return _nChaineCompare(psz1, n1, psz2, n2, nOptions);
}

int STR_PrepareChaineW(int nOptions, const wchar_t* pszSrc, int nSrc, wchar_t* pszDest, int nDestSize) {
    return _nPrepareChaine(nOptions, pszSrc, nSrc, pszDest, nDestSize);
}

int STR_PrepareChaineA(int nOptions, const char* pszSrc, int nSrc, char* pszDest, int nDestSize) {
    return _nPrepareChaine(nOptions, pszSrc, nSrc, pszDest, nDestSize);
}

unsigned int OptionVQ2FlagSTR(int nOptions) {
    unsigned dwFlags = 0;
    if (nOptions & 0x2) dwFlags |= STR_IGNORESYMBOLS;
    if (nOptions & 0x4) dwFlags |= STR_IGNOREACCENT;
    if (nOptions & 0x40)
        dwFlags |= STR_LOWERCASE;
    else if (nOptions & 0x30)
        dwFlags |= STR_IGNORECASE;
    if (nOptions & 0x100) dwFlags |= STR_OPTION_0x100;
    return dwFlags;
}

// ---------------------------------------------------------------------------------------------
// Mapping
// ---------------------------------------------------------------------------------------------

namespace {
// Map at a given locale (position 11 or 12); the library's bit 28 never reaches the host.
template <typename T>
int _nMapAuLocale(unsigned dwLocale, unsigned dwFlags, T* pszDest, unsigned long nSize, const T* pszSrc, long nSrc) {
    return _nHostMap(false, dwLocale, dwFlags & ~STR_CURRENTLOCALE, pszDest, _nClampSize(nSize), pszSrc,
                     _nClampLength(nSrc));
}
}  // namespace

int STR_nMapStringEx(unsigned int dwFlags, wchar_t* pszDest, unsigned long nSize, const wchar_t* pszSrc, long nSrc) {
    return _nMapAuLocale(_dwLocale(dwFlags, STR_LOCALE_1036), dwFlags, pszDest, nSize, pszSrc, nSrc);
}

int STR_nMapStringEx(unsigned int dwFlags, char* pszDest, unsigned long nSize, const char* pszSrc, long nSrc) {
    return _nMapAuLocale(_dwLocale(dwFlags, STR_LOCALE_1036), dwFlags, pszDest, nSize, pszSrc, nSrc);
}

int STR_nGetMapStringLenEx(unsigned int dwFlags, const wchar_t* pszSrc, long nSrc) {
    return STR_nMapStringEx(dwFlags, static_cast<wchar_t*>(nullptr), 0, pszSrc, nSrc) + 1;
}

int STR_nGetMapStringLenEx(unsigned int dwFlags, const char* pszSrc, long nSrc) {
    return STR_nMapStringEx(dwFlags, static_cast<char*>(nullptr), 0, pszSrc, nSrc) + 1;
}

namespace {
template <typename T>
int _nCreateMapString(unsigned int dwFlags, T** ppszDest, const T* pszSrc) {
    if (ppszDest == nullptr) return 0;
    *ppszDest = nullptr;
    long nSrc = static_cast<long>(STRG_nLen(pszSrc));
    int nRoom = nSrc == 0 ? 1 : std::max(STR_nGetMapStringLenEx(dwFlags, pszSrc, nSrc), 1);
    T* p = static_cast<T*>(malloc(static_cast<size_t>(nRoom) * sizeof(T)));
    if (p == nullptr) return 0;
    int n = nRoom > 1 ? STR_nMapStringEx(dwFlags, p, nRoom - 1, pszSrc, nSrc) : 0;
    n = std::clamp(n, 0, nRoom - 1);
    p[n] = 0;
    *ppszDest = p;
    return n;
}
}  // namespace

int STR_nCreateMapString(unsigned int dwFlags, char** ppszDest, const char* pszSrc) {
    return _nCreateMapString(dwFlags, ppszDest, pszSrc);
}

int STR_nCreateMapString(unsigned int dwFlags, wchar_t** ppszDest, const wchar_t* pszSrc) {
    return _nCreateMapString(dwFlags, ppszDest, pszSrc);
}

wchar_t* STR_pszCreateStandard(const wchar_t* pszSrc) {
    size_t nLen = STRG_nLen(pszSrc);
    wchar_t* p = STR_pszCreateW(static_cast<unsigned long>(nLen));
    if (p == nullptr) return nullptr;
    int n = nLen == 0 ? 0 : STR_nMapStringEx(STR_LOGIQUE, p, nLen, pszSrc, static_cast<long>(nLen));
    p[std::clamp(n, 0, static_cast<int>(std::min(nLen, size_t{INT_MAX})))] = 0;
    return p;
}

template <typename T>
int __T_STR_nMapCharEx(unsigned int dwFlags, T* pcOut, T c) {
    T aOut[2] = {0, 0};
    int r = STR_nMapStringEx(dwFlags, aOut, 2, &c, 1);
    if (pcOut != nullptr) *pcOut = aOut[0];
    return r;
}
template int __T_STR_nMapCharEx<char>(unsigned int, char*, char);
template int __T_STR_nMapCharEx<wchar_t>(unsigned int, wchar_t*, wchar_t);

int STR_nMapCharEx(unsigned int dwFlags, wchar_t* pcOut, wchar_t c) {
    return __T_STR_nMapCharEx<wchar_t>(dwFlags, pcOut, c);
}

int STR_nMapCharEx(unsigned int dwFlags, char* pcOut, char c) {
    return __T_STR_nMapCharEx<char>(dwFlags, pcOut, c);
}

int STR_nMapCharExANSI(unsigned int dwFlags, char* pcOut, char c) {
    return __T_STR_nMapCharEx<char>(dwFlags, pcOut, c);
}

int STR_nMapCharIgnoreCaseAccent(wchar_t* pcOut, wchar_t c) {
    return STR_nMapCharEx(STR_LOGIQUE, pcOut, c);
}

namespace {
int _nSortKey(unsigned dwLocale, char* pszDest, unsigned long nSize, const char* pszSrc, long nSrc) {
    if (pszSrc == nullptr) pszSrc = "", nSrc = 0;
    IInfoLocale* pi = CInformationDLL::ms_piInfoLocale;
    if (pi == nullptr) return _nLocalMap(STR_LOGIQUE, pszDest, _nClampSize(nSize), pszSrc, _nClampLength(nSrc));
    return pi->vnSortKeyA(dwLocale, pszDest, _nClampSize(nSize), pszSrc, _nClampLength(nSrc));
}
}  // namespace

int STR_MapStringSortEx(char* pszDest, unsigned long nSize, const char* pszSrc, long nSrc, int bCurrentLocale) {
    return _nSortKey(bCurrentLocale ? STR_nGetCurrentLCID() : STR_LOCALE_1036, pszDest, nSize, pszSrc, nSrc);
}

int STR_MapStringSortEx_Charset(unsigned int nCharset, char* pszDest, unsigned long nSize, const char* pszSrc,
                                long nSrc) {
    return _nSortKey(wGetLanguageID(static_cast<int>(nCharset)), pszDest, nSize, pszSrc, nSrc);
}

int STR_nMapStringEx_Charset(unsigned int nCharset, unsigned int dwFlags, char* pszDest, unsigned long nSize,
                             const char* pszSrc, long nSrc) {
    return _nMapAuLocale(wGetLanguageID(static_cast<int>(nCharset)), dwFlags, pszDest, nSize, pszSrc, nSrc);
}

int STR_nMapStringEx_Charset(unsigned int nCharset, unsigned int dwFlags, wchar_t* pszDest, unsigned long nSize,
                             const wchar_t* pszSrc, long nSrc) {
    return _nMapAuLocale(wGetLanguageID(static_cast<int>(nCharset)), dwFlags, pszDest, nSize, pszSrc, nSrc);
}

void STR_ToUpper(wchar_t* psz) {
    if (psz != nullptr) _MapEach(psz, 0, STR_IGNORECASE, false);
}
void STR_ToLower(wchar_t* psz) {
    if (psz != nullptr) _MapEach(psz, 0, STR_LOWERCASE, false);
}
void STR_ToUpper(char* psz) {
    if (psz != nullptr) _MapEach(psz, 0, STR_IGNORECASE, false);
}
void STR_ToLower(char* psz) {
    if (psz != nullptr) _MapEach(psz, 0, STR_LOWERCASE, false);
}
void STR_ToUpperBuff(wchar_t* psz, unsigned int n) {
    if (psz != nullptr) _MapEach(psz, n, STR_IGNORECASE, true);
}
void STR_ToLowerBuff(wchar_t* psz, unsigned int n) {
    if (psz != nullptr) _MapEach(psz, n, STR_LOWERCASE, true);
}
void STR_ToUpperBuff(char* psz, unsigned int n) {
    if (psz != nullptr) _MapEach(psz, n, STR_IGNORECASE, true);
}
void STR_ToLowerBuff(char* psz, unsigned int n) {
    if (psz != nullptr) _MapEach(psz, n, STR_LOWERCASE, true);
}

bool STR_bWhiteCharOrPunctW(wchar_t c) {
    wchar_t aOut[2] = {0, 0};
    int r = _nHostMap(false, STR_LOCALE_USER_DEFAULT, STR_IGNORESYMBOLS, aOut, 2, &c, 1);
    return r <= 0 || aOut[0] == 0;
}

bool STR_bWhiteCharOrPunctA(char c) {
    char aOut[2] = {0, 0};
    int r = _nHostMap(false, STR_LOCALE_1036, STR_IGNORESYMBOLS, aOut, 2, &c, 1);
    return r <= 0 || aOut[0] == 0;
}
