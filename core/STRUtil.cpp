// The plain text utilities of the string library: heap texts, bounded copies, searching,
// trimming, character classes, the Windows-1252 / 7-bit / UTF-8 helpers, code-page conversions
// over the platform layer, replacement, the printf length estimate and the growing formatter.
#include "core/STRUtil.h"

#include <strings.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "core/STRCompare.h"
#include "core/platformwin/WinCodePage.h"
#include "core/platformwin/WinFormat.h"

namespace {

template <typename T>
size_t _nStrNLen(const T* p, size_t nMax) {
    if (p == nullptr) return 0;
    if constexpr (sizeof(T) == 1)
        return strnlen(p, nMax);
    else
        return wcsnlen(p, nMax);
}

// A block for n characters and the zero; null when the size does not fit or the heap refuses.
template <typename T>
T* _pszAlloc(size_t n) {
    if (n >= SIZE_MAX / sizeof(T) - 1) return nullptr;
    return static_cast<T*>(malloc((n + 1) * sizeof(T)));
}

template <typename T>
T* _pszCopy(const T* p) {
    if (p == nullptr) return nullptr;
    size_t n = STRG_nLen(p);
    T* pNew = _pszAlloc<T>(n);
    if (pNew != nullptr) memcpy(pNew, p, (n + 1) * sizeof(T));
    return pNew;
}

template <typename T>
T* _pszCopyN(size_t n, const T* p) {
    T* pNew = _pszAlloc<T>(n);
    if (pNew == nullptr) return nullptr;
    size_t nCopy = _nStrNLen(p, n);
    if (nCopy > 0) memcpy(pNew, p, nCopy * sizeof(T));
    memset(pNew + nCopy, 0, (n + 1 - nCopy) * sizeof(T));
    return pNew;
}

// The texts of the list one after the other in a new block (null texts count as empty).
template <typename T>
T* _pszJoin(std::initializer_list<const T*> lstTextes) {
    size_t nTotal = 0;
    for (const T* p : lstTextes) nTotal += STRG_nLen(p);
    T* pNew = _pszAlloc<T>(nTotal);
    if (pNew == nullptr) return nullptr;
    T* pOut = pNew;
    for (const T* p : lstTextes) {
        size_t n = STRG_nLen(p);
        if (n > 0) memcpy(pOut, p, n * sizeof(T));
        pOut += n;
    }
    *pOut = 0;
    return pNew;
}

template <typename T>
bool _bResize(T** pp, long n) {
    if (pp == nullptr) return false;
    // realloc to 0 bytes may free the block and answer null, which would look like a refusal
    // while the old block is gone: keep at least one character.
    size_t nUnits = n < 1 ? 1 : static_cast<size_t>(n);
    if (nUnits > SIZE_MAX / sizeof(T)) return false;
    T* pNew = static_cast<T*>(realloc(*pp, nUnits * sizeof(T)));
    if (pNew == nullptr) return false;
    *pp = pNew;
    return true;
}

template <typename T>
long _nCopy(T* pDest, unsigned long n, const T* pSrc, long nLen) {
    if (n == 0 || pDest == nullptr) return 0;
    size_t nCount;
    if (pSrc == nullptr)
        nCount = 0;
    else if (nLen == -1)
        nCount = STRG_nLen(pSrc);
    else if (nLen <= 0)
        nCount = 0;
    else
        nCount = _nStrNLen(pSrc, static_cast<size_t>(nLen));
    size_t nCopy = std::min<size_t>(nCount + 1, n) - 1;
    if (nCopy > 0) memmove(pDest, pSrc, nCopy * sizeof(T));
    pDest[nCopy] = 0;
    return static_cast<long>(nCopy);
}

template <typename T>
long _nCat(T* pDest, unsigned long n, const T* pSrc, long nLen) {
    if (n == 0 || pDest == nullptr) return 0;
    size_t nCur = _nStrNLen(pDest, n);
    return _nCopy(pDest + nCur, n - nCur, pSrc, nLen);
}

template <typename T>
T* _pRChr(const T* psz, long i, T c) {
    if (psz == nullptr || i < 0) return nullptr;
    // Never look past the terminator, whatever index the caller gave.
    long nLast = static_cast<long>(_nStrNLen(psz, static_cast<size_t>(i)));
    for (long k = nLast; k >= 0; k--)
        if (psz[k] == c) return const_cast<T*>(psz + k);
    return nullptr;
}

template <typename T>
int _nNCmp(const T* a, const T* b, size_t n) {
    if constexpr (sizeof(T) == 1)
        return strncmp(a, b, n);
    else
        return wcsncmp(a, b, n);
}

template <typename T>
T* _pRStr(const T* psz, long i, const T* pszFind) {
    if (psz == nullptr || i < 0) return nullptr;
    size_t nFind = STRG_nLen(pszFind);
    long nLast = static_cast<long>(_nStrNLen(psz, static_cast<size_t>(i)));
    for (long k = nLast; k >= 0; k--)
        if (nFind == 0 || _nNCmp(psz + k, pszFind, nFind) == 0) return const_cast<T*>(psz + k);
    return nullptr;
}

// First place among the first nMax characters of psz (its zero ends it sooner) where all of pszFind
// stands by fnEgal; psz itself for an empty find. An occurrence never spans the terminator.
template <typename T, typename FnEgal>
T* _pCherche(const T* psz, size_t nMax, const T* pszFind, FnEgal fnEgal) {
    if (pszFind == nullptr || pszFind[0] == 0) return const_cast<T*>(psz);
    if (psz == nullptr) return nullptr;
    size_t nFind = STRG_nLen(pszFind), nText = _nStrNLen(psz, nMax);
    for (size_t k = 0; k + nFind <= nText; k++)
        if (fnEgal(psz + k, pszFind, nFind)) return const_cast<T*>(psz + k);
    return nullptr;
}

bool _bSpace(wchar_t c) {
    return iswspace(static_cast<wint_t>(c)) != 0;
}
bool _bSpace(char c) {
    return isspace(static_cast<unsigned char>(c)) != 0;
}

template <typename T>
void _SuppressRight(T* p, bool (*pfnEnleve)(T, T), T c) {
    if (p == nullptr) return;
    size_t n = STRG_nLen(p);
    while (n > 0 && pfnEnleve(p[n - 1], c)) n--;
    p[n] = 0;
}

template <typename T>
void _SuppressLeft(T* p, bool (*pfnEnleve)(T, T), T c) {
    if (p == nullptr) return;
    size_t k = 0;
    while (p[k] != 0 && pfnEnleve(p[k], c)) k++;
    if (k > 0) memmove(p, p + k, (STRG_nLen(p + k) + 1) * sizeof(T));
}

template <typename T>
bool _bEstEspace(T c, T) {
    return _bSpace(c);
}
template <typename T>
bool _bEstCar(T c, T cCherche) {
    return c == cCherche;
}

template <typename T>
void _SuppressAll(T* p) {
    if (p == nullptr) return;
    T* pOut = p;
    for (T* pIn = p; *pIn != 0; pIn++)
        if (!_bSpace(*pIn)) *pOut++ = *pIn;
    *pOut = 0;
}

template <typename T>
void _Complete(T* p, unsigned n, T c) {
    if (p == nullptr || n == 0) return;
    size_t nLen = _nStrNLen(p, n - 1);
    for (size_t i = nLen; i + 1 < n; i++) p[i] = c;
    p[n - 1] = 0;
}

template <typename T>
bool _bRienDeLisible(const T* p) {
    if (p == nullptr) return true;
    for (; *p != 0; p++)
        if (*p != 9 && *p != 10 && *p != 13 && *p != 32) return false;
    return true;
}

template <typename T>
bool _bRTF(const T* p) {
    if (p == nullptr) return false;
    static const char szDebut[] = "{\\rtf";
    for (int i = 0; i < 5; i++) {
        unsigned c = static_cast<unsigned>(p[i]);
        if (c >= 'A' && c <= 'Z') c += 32;
        if (c != static_cast<unsigned char>(szDebut[i])) return false;
    }
    return p[5] == '1' || p[5] == '{';
}

// The characters Windows-1252 places at 0x80-0x9F; the five codes it leaves undefined hold
// their own value and are not Windows-1252 characters.
constexpr wchar_t g_awCP1252[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};
bool _bCP1252Undefined(unsigned nIndex) {
    return nIndex == 0x01 || nIndex == 0x0D || nIndex == 0x0F || nIndex == 0x10 || nIndex == 0x1D;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Creation and lifetime
// ---------------------------------------------------------------------------------------------

wchar_t* STR_pszCreateW(unsigned long n) {
    return _pszAlloc<wchar_t>(n);
}
wchar_t* STR_pszCreate(unsigned long n) {
    return _pszAlloc<wchar_t>(n);
}
char* STR_pszCreateA(unsigned long n) {
    return _pszAlloc<char>(n);
}

template <>
wchar_t* STRG_pszCreate<wchar_t>(unsigned long n) {
    return STR_pszCreateW(n);
}
template <>
char* STRG_pszCreate<char>(unsigned long n) {
    return STR_pszCreateA(n);
}

wchar_t* STR_pszCreateW(const wchar_t* psz) {
    return _pszCopy(psz);
}
wchar_t* STR_pszCreate(const wchar_t* psz) {
    return _pszCopy(psz);
}
char* STR_pszCreateA(const char* psz) {
    return _pszCopy(psz);
}
wchar_t* STR_pszCreate(unsigned long n, const wchar_t* psz) {
    return _pszCopyN(n, psz);
}
wchar_t* STR_pszCreateW(unsigned long n, const wchar_t* psz) {
    return _pszCopyN(n, psz);
}
char* STR_pszCreateA(unsigned long n, const char* psz) {
    return _pszCopyN(n, psz);
}
wchar_t* STR_pszCreateW(const wchar_t* psz1, const wchar_t* psz2) {
    return _pszJoin<wchar_t>({psz1, psz2});
}
char* STR_pszCreateA(const char* psz1, const char* psz2) {
    return _pszJoin<char>({psz1, psz2});
}

wchar_t* STR_pszConcat(const wchar_t* psz1, const wchar_t* psz2, const wchar_t* psz3) {
    return _pszJoin<wchar_t>({psz1, psz2, psz3});
}

wchar_t* STR_pszConcatPoint(const wchar_t* psz1, const wchar_t* psz2) {
    return _pszJoin<wchar_t>({psz1, L".", psz2});
}

// Texts that may sit at any address (inside packed records): read and written byte-wise only.
wchar_t* STR_pszCreateW_UNALIGNED(const wchar_t* psz) {
    if (psz == nullptr) return nullptr;
    const char* p = reinterpret_cast<const char*>(psz);
    size_t n = 0;
    for (wchar_t c;; n++) {
        memcpy(&c, p + n * sizeof(wchar_t), sizeof(wchar_t));
        if (c == 0) break;
    }
    wchar_t* pNew = _pszAlloc<wchar_t>(n);
    if (pNew != nullptr) memcpy(pNew, p, (n + 1) * sizeof(wchar_t));
    return pNew;
}

wchar_t* STR_pszCreateW_UNALIGNED(unsigned long n, const wchar_t* psz) {
    wchar_t* pNew = _pszAlloc<wchar_t>(n);
    if (pNew == nullptr) return nullptr;
    const char* p = reinterpret_cast<const char*>(psz);
    size_t i = 0;
    for (wchar_t c; p != nullptr && i < n; i++) {
        memcpy(&c, p + i * sizeof(wchar_t), sizeof(wchar_t));
        if (c == 0) break;
        pNew[i] = c;
    }
    for (; i <= n; i++) pNew[i] = 0;
    return pNew;
}

void STR_Delete(wchar_t* psz) {
    free(psz);
}
void STR_DeleteW(wchar_t* psz) {
    free(psz);
}
void STR_DeleteA(char* psz) {
    free(psz);
}

bool STR_bRedefine(wchar_t** ppsz, const wchar_t* psz) {
    if (ppsz == nullptr) return false;
    free(*ppsz);
    *ppsz = _pszCopy(psz);
    return *ppsz != nullptr || psz == nullptr;
}

bool STR_bResizeW(wchar_t** ppsz, long n) {
    return _bResize(ppsz, n);
}
bool STR_bResizeA(char** ppsz, long n) {
    return _bResize(ppsz, n);
}

// ---------------------------------------------------------------------------------------------
// Bounded copies
// ---------------------------------------------------------------------------------------------

long STR_nCopyW(wchar_t* pszDest, unsigned long n, const wchar_t* pszSrc, long nLen) {
    return _nCopy(pszDest, n, pszSrc, nLen);
}
long STR_nCopy(wchar_t* pszDest, unsigned long n, const wchar_t* pszSrc, long nLen) {
    return _nCopy(pszDest, n, pszSrc, nLen);
}
long STR_nCopyA(char* pszDest, unsigned long n, const char* pszSrc, long nLen) {
    return _nCopy(pszDest, n, pszSrc, nLen);
}
long STR_nCatW(wchar_t* pszDest, unsigned long n, const wchar_t* pszSrc, long nLen) {
    return _nCat(pszDest, n, pszSrc, nLen);
}
long STR_nCat(wchar_t* pszDest, unsigned long n, const wchar_t* pszSrc, long nLen) {
    return _nCat(pszDest, n, pszSrc, nLen);
}
long STR_nCatA(char* pszDest, unsigned long n, const char* pszSrc, long nLen) {
    return _nCat(pszDest, n, pszSrc, nLen);
}
long STR_nCut(wchar_t* pszDest, unsigned long n, const wchar_t* pszSrc) {
    return _nCopy(pszDest, n, pszSrc, -1);
}
long STR_nCut(char* pszDest, unsigned long n, const char* pszSrc) {
    return _nCopy(pszDest, n, pszSrc, -1);
}
long STR_nCatCut(wchar_t* pszDest, unsigned long n, const wchar_t* pszSrc) {
    return _nCat(pszDest, n, pszSrc, -1);
}

// ---------------------------------------------------------------------------------------------
// Searching
// ---------------------------------------------------------------------------------------------

long STR_nLenW(const wchar_t* psz, long nMax) {
    return nMax < 1 ? 0 : static_cast<long>(_nStrNLen(psz, static_cast<size_t>(nMax)));
}
long STR_nLen(const wchar_t* psz, long nMax) {
    return STR_nLenW(psz, nMax);
}
long STR_nLenA(const char* psz, long nMax) {
    return nMax < 1 ? 0 : static_cast<long>(_nStrNLen(psz, static_cast<size_t>(nMax)));
}

wchar_t* wcsrchr(const wchar_t* psz, long i, wchar_t c) {
    return _pRChr(psz, i, c);
}
char* strrchr(const char* psz, long i, char c) {
    return _pRChr(psz, i, c);
}
wchar_t* STRRSTRW(const wchar_t* psz, long i, const wchar_t* pszFind) {
    return _pRStr(psz, i, pszFind);
}
wchar_t* STRRSTR(const wchar_t* psz, long i, const wchar_t* pszFind) {
    return _pRStr(psz, i, pszFind);
}
char* STRRSTRA(const char* psz, long i, const char* pszFind) {
    return _pRStr(psz, i, pszFind);
}

wchar_t* STRRPBRK(const wchar_t* psz, const wchar_t* pszSet) {
    if (psz == nullptr || pszSet == nullptr || pszSet[0] == 0) return nullptr;
    const wchar_t* pLast = nullptr;
    for (const wchar_t* p = psz; *p != 0; p++)
        if (wcschr(pszSet, *p) != nullptr) pLast = p;
    return const_cast<wchar_t*>(pLast);
}

wchar_t* STR_pszStrnstr(const wchar_t* psz, const wchar_t* pszFind, int n) {
    return _pCherche(psz, n < 1 ? 0 : static_cast<size_t>(n), pszFind,
                     [](const wchar_t* a, const wchar_t* b, size_t k) { return wmemcmp(a, b, k) == 0; });
}

char* STR_strnstrA(char* psz, const char* pszFind, unsigned long n) {
    return _pCherche(psz, n, pszFind, [](const char* a, const char* b, size_t k) { return memcmp(a, b, k) == 0; });
}

wchar_t* STR_StrIStr(const wchar_t* psz, const wchar_t* pszFind) {
    return _pCherche(psz, SIZE_MAX, pszFind,
                     [](const wchar_t* a, const wchar_t* b, size_t k) { return wcsncasecmp(a, b, k) == 0; });
}

char* STR_strnistrA(char* psz, const char* pszFind, unsigned long n) {
    return _pCherche(psz, n, pszFind, [](const char* a, const char* b, size_t k) { return strncasecmp(a, b, k) == 0; });
}

wchar_t* STR_pszUpStrstr(const wchar_t* psz, const wchar_t* pszFind) {
    if (psz == nullptr) return nullptr;
    size_t nText = wcslen(psz), nFind = STRG_nLen(pszFind);
    if (nFind > nText) return nullptr;
    if (nFind == 0) return const_cast<wchar_t*>(psz);
    // Each character is upper-cased once by the host, then the search runs on the copies.
    wchar_t* pUp = _pszAlloc<wchar_t>(nText + nFind);
    if (pUp == nullptr) return nullptr;
    wchar_t* pFindUp = pUp + nText;
    for (size_t i = 0; i < nText; i++) STR_nMapCharEx(STR_IGNORECASE, &pUp[i], psz[i]);
    for (size_t i = 0; i < nFind; i++) STR_nMapCharEx(STR_IGNORECASE, &pFindUp[i], pszFind[i]);
    const wchar_t* pFound = nullptr;
    for (size_t k = 0; k + nFind <= nText && pFound == nullptr; k++)
        if (wmemcmp(pUp + k, pFindUp, nFind) == 0) pFound = psz + k;
    free(pUp);
    return const_cast<wchar_t*>(pFound);
}

bool STR_bContainSpace(const wchar_t* psz) {
    return psz != nullptr && wcschr(psz, L' ') != nullptr;
}
bool bEstDuTexteRTFW(const wchar_t* psz) {
    return _bRTF(psz);
}
bool bEstDuTexteRTF(const wchar_t* psz) {
    return _bRTF(psz);
}
bool bEstDuTexteRTF(const char* psz) {
    return _bRTF(psz);
}

// ---------------------------------------------------------------------------------------------
// Trimming and padding
// ---------------------------------------------------------------------------------------------

void STR_SuppressRightSpaces(wchar_t* psz) {
    _SuppressRight<wchar_t>(psz, _bEstEspace, 0);
}
void STR_SuppressRightSpaces(char* psz) {
    _SuppressRight<char>(psz, _bEstEspace, 0);
}
void STR_SuppressLeftSpaces(wchar_t* psz) {
    _SuppressLeft<wchar_t>(psz, _bEstEspace, 0);
}
void STR_SuppressLeftSpaces(char* psz) {
    _SuppressLeft<char>(psz, _bEstEspace, 0);
}
void STR_SuppressSideSpaces(wchar_t* psz) {
    STR_SuppressRightSpaces(psz);
    STR_SuppressLeftSpaces(psz);
}
void STR_SuppressSideSpaces(char* psz) {
    STR_SuppressRightSpaces(psz);
    STR_SuppressLeftSpaces(psz);
}
void STR_SuppressAllSpacesW(wchar_t* psz) {
    _SuppressAll(psz);
}
void STR_SuppressAllSpacesA(char* psz) {
    _SuppressAll(psz);
}
void STR_SuppressRightCar(wchar_t* psz, wchar_t c) {
    _SuppressRight<wchar_t>(psz, _bEstCar, c);
}
void STR_SuppressRightCar(char* psz, char c) {
    _SuppressRight<char>(psz, _bEstCar, c);
}
void STR_SuppressLeftCar(wchar_t* psz, wchar_t c) {
    _SuppressLeft<wchar_t>(psz, _bEstCar, c);
}
void STR_SuppressLeftCar(char* psz, char c) {
    _SuppressLeft<char>(psz, _bEstCar, c);
}
void STR_SuppressSideCar(wchar_t* psz, wchar_t c) {
    STR_SuppressRightCar(psz, c);
    STR_SuppressLeftCar(psz, c);
}
void STR_Complete(wchar_t* psz, unsigned int n, wchar_t c) {
    _Complete(psz, n, c);
}
void STR_Complete(char* psz, unsigned int n, char c) {
    _Complete(psz, n, c);
}

// ---------------------------------------------------------------------------------------------
// Character classes
// ---------------------------------------------------------------------------------------------

bool bEstUnChiffreA(char c) {
    return c >= '0' && c <= '9';
}
bool bEstUnChiffreW(wchar_t c) {
    return c >= L'0' && c <= L'9';
}
bool bEstUnNombreEntierNaturel(const wchar_t* psz) {
    for (; psz != nullptr && *psz != 0; psz++)
        if (!bEstUnChiffreW(*psz)) return false;
    return true;
}
int nGetChiffre(wchar_t c) {
    return static_cast<int>(c) - 48;
}
bool bMajusculeA(char c) {
    return c >= 'A' && c <= 'Z';
}
bool bMajusculeW(wchar_t c) {
    return c >= L'A' && c <= L'Z';
}
bool bMinusculeA(char c) {
    return c >= 'a' && c <= 'z';
}
bool bMinusculeW(wchar_t c) {
    return c >= L'a' && c <= L'z';
}
bool bExtendedASCII(wchar_t c) {
    return static_cast<uint32_t>(c) > 127;
}
bool bUnprintable(wchar_t c) {
    return static_cast<uint32_t>(c) < 32;
}
bool bPonctuation(wchar_t c) {
    return (c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 95);
}
bool STR_bNeContientRienDeLisibleA(const char* psz) {
    return _bRienDeLisible(psz);
}
bool STR_bNeContientRienDeLisibleW(const wchar_t* psz) {
    return _bRienDeLisible(psz);
}

// ---------------------------------------------------------------------------------------------
// Windows-1252, 7-bit and UTF-8 helpers
// ---------------------------------------------------------------------------------------------

bool STR_bIsCp1252(wchar_t c, unsigned char& byOut) {
    uint32_t u = static_cast<uint32_t>(c);
    if (u < 0x80 || (u >= 0xA0 && u <= 0xFF)) {
        byOut = static_cast<unsigned char>(u);
        return true;
    }
    for (unsigned i = 0; i < 32; i++)
        if (!_bCP1252Undefined(i) && g_awCP1252[i] == c) {
            byOut = static_cast<unsigned char>(0x80 + i);
            return true;
        }
    return false;
}

bool STR_bIsCp1252(wchar_t c) {
    unsigned char by;
    return STR_bIsCp1252(c, by);
}

bool STR_bIsCp1252(const wchar_t* psz) {
    for (; psz != nullptr && *psz != 0; psz++)
        if (!STR_bIsCp1252(*psz)) return false;
    return true;
}

char STR_ToCP1252(wchar_t c, char cDefault, int* pbDefault) {
    unsigned char by;
    if (STR_bIsCp1252(c, by)) return static_cast<char>(by);
    if (pbDefault != nullptr) *pbDefault = 1;
    return cDefault;
}

wchar_t STR_FromCP1252(char c) {
    unsigned char by = static_cast<unsigned char>(c);
    return by >= 0x80 && by <= 0x9F ? g_awCP1252[by - 0x80] : static_cast<wchar_t>(by);
}

int STR_CP1252ToWideChar(const char* pszSrc, int nLen, wchar_t* pszDest, int nDest) {
    if (pszSrc == nullptr || nLen == 0 || nLen < -1) return 0;
    size_t nCount = nLen == -1 ? strlen(pszSrc) + 1 : static_cast<size_t>(nLen);
    if (nCount > INT_MAX) nCount = INT_MAX;
    if (pszDest == nullptr || nDest <= 0) return static_cast<int>(nCount);
    size_t n = std::min(nCount, static_cast<size_t>(nDest));
    for (size_t i = 0; i < n; i++) pszDest[i] = STR_FromCP1252(pszSrc[i]);
    return static_cast<int>(n);
}

bool STR_bIsANSI7(const wchar_t* psz) {
    for (; psz != nullptr && *psz != 0; psz++)
        if (static_cast<uint32_t>(*psz) >= 128) return false;
    return true;
}

bool STR_bIsANSI7(const wchar_t* psz, unsigned int n) {
    for (unsigned i = 0; psz != nullptr && i < n && psz[i] != 0; i++)
        if (static_cast<uint32_t>(psz[i]) >= 128) return false;
    return true;
}

bool STR_bIsANSI7(char c) {
    return static_cast<unsigned char>(c) < 128;
}
char STR_ToAnsi7(wchar_t c, char cDefault) {
    return static_cast<uint32_t>(c) < 128 ? static_cast<char>(c) : cDefault;
}
wchar_t STR_FromAnsi7(char c, wchar_t cDefault) {
    return static_cast<unsigned char>(c) < 128 ? c : cDefault;
}

int STR_nGetNbByteUTF8(unsigned char by) {
    if (by < 0x80) return 1;
    if (by < 0xE0) return 2;
    if (by < 0xF0) return 3;
    if (by < 0xF8) return 4;
    if (by < 0xFC) return 5;
    if (by < 0xFE) return 6;
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Code-page conversion
// ---------------------------------------------------------------------------------------------

int __STR_WCharToChar(const wchar_t* pszSrc, int nLen, char** ppszOut, int* pnOutLen, int nCodePage) {
    if (ppszOut == nullptr) return 0;
    *ppszOut = nullptr;
    if (pszSrc == nullptr) return 0;
    unsigned nCP = static_cast<unsigned>(nCodePage);
    int nMesure = WideCharToMultiByte(nCP, 0, pszSrc, nLen, nullptr, 0, nullptr, nullptr);
    if (nMesure <= 0) return 0;
    char* p = static_cast<char*>(malloc(static_cast<size_t>(nMesure) + 1));
    if (p == nullptr) return 0;
    int n = WideCharToMultiByte(nCP, 0, pszSrc, nLen, p, nMesure, nullptr, nullptr);
    if (n <= 0) {
        free(p);
        if (pnOutLen != nullptr) *pnOutLen = 0;
        return 0;
    }
    p[n] = 0;
    // A whole-text conversion carries the terminator: it is not part of the length.
    if (nLen == -1 && p[n - 1] == 0) n--;
    *ppszOut = p;
    if (pnOutLen != nullptr) *pnOutLen = n;
    return 1;
}

int STR_WCharToChar_AnyCodepage(const wchar_t* pszSrc, int nLen, char** ppszOut, int* pnOutLen, int nCodePage) {
    return __STR_WCharToChar(pszSrc, nLen, ppszOut, pnOutLen, nCodePage);
}

int STR_WCharToChar_CurrentCharset(char** ppszOut, const wchar_t* pszSrc, int nLen) {
    int nOutLen = 0;
    return __STR_WCharToChar(pszSrc, nLen, ppszOut, &nOutLen, STR_nGetCurrentCodePage());
}

char STR_WCharToAChar(wchar_t c, int nFlags, unsigned int nCodePage) {
    char ab[8] = {};
    WideCharToMultiByte(nCodePage, static_cast<unsigned>(nFlags), &c, 1, ab, sizeof(ab), nullptr, nullptr);
    return ab[0];
}

int __STR_CharToWChar(const char* pszSrc, int nLen, unsigned int nCodePage, wchar_t** ppszOut, int* pnOutLen,
                      int nFlags) {
    if (ppszOut != nullptr) *ppszOut = nullptr;
    if (pnOutLen != nullptr) *pnOutLen = 0;
    if (ppszOut == nullptr || pszSrc == nullptr) return 0;
    unsigned dwFlags = static_cast<unsigned>(nFlags);
    int nMesure = MultiByteToWideChar(nCodePage, dwFlags, pszSrc, nLen, nullptr, 0);
    if (nMesure <= 0) return 0;
    wchar_t* p = _pszAlloc<wchar_t>(static_cast<size_t>(nMesure));
    if (p == nullptr) return 0;
    int n = MultiByteToWideChar(nCodePage, dwFlags, pszSrc, nLen, p, nMesure);
    if (n <= 0) {
        free(p);
        return 0;
    }
    p[n] = 0;
    if (nLen == -1 && p[n - 1] == 0) n--;
    *ppszOut = p;
    if (pnOutLen != nullptr) *pnOutLen = n;
    return 1;
}

int STR_CharToWChar_AnyCodepage(const char* pszSrc, int nLen, int nCodePage, wchar_t** ppszOut, int* pnOutLen,
                                int nFlags) {
    if (nCodePage != CP_UTF8) nFlags |= 1;  // precomposed
    return __STR_CharToWChar(pszSrc, nLen, static_cast<unsigned>(nCodePage), ppszOut, pnOutLen, nFlags);
}

int STR_CharToWChar_CurrentCharset(wchar_t** ppszOut, const char* pszSrc, int nFlags, int nLen) {
    if (pszSrc == nullptr) {
        if (ppszOut != nullptr) *ppszOut = nullptr;
        return 1;
    }
    int nOutLen = 0;
    return STR_CharToWChar_AnyCodepage(pszSrc, nLen, STR_nGetCurrentCodePage(), ppszOut, &nOutLen, nFlags);
}

int STR_CharToWChar(wchar_t** ppszOut, const char* pszSrc) {
    int nOutLen = 0;
    return __STR_CharToWChar(pszSrc, -1, 1252, ppszOut, &nOutLen, 1 | MB_ERR_INVALID_CHARS);
}

wchar_t STR_CharToWChar(char c, int nFlags, unsigned int nCodePage) {
    wchar_t aw[4] = {};
    MultiByteToWideChar(nCodePage, static_cast<unsigned>(nFlags), &c, 1, aw, 4);
    return aw[0];
}

wchar_t STR_CharToWChar_CurrentCharset(char c, int nFlags) {
    return STR_CharToWChar(c, nFlags, static_cast<unsigned>(STR_nGetCurrentCodePage()));
}

int STR_CharToChar_AnyCodepage(const char* pszSrc, int nLen, int nCodePageFrom, char** ppszOut, int* pnOutLen,
                               int nCodePageTo) {
    if (ppszOut == nullptr) return 0;
    *ppszOut = nullptr;
    if (pszSrc == nullptr) return 0;
    if (nCodePageFrom == nCodePageTo) {
        size_t n = nLen < 0 ? strlen(pszSrc) : static_cast<size_t>(nLen);
        char* p = _pszAlloc<char>(n);
        if (p == nullptr) return 0;
        memcpy(p, pszSrc, n);
        p[n] = 0;
        *ppszOut = p;
        if (pnOutLen != nullptr) *pnOutLen = static_cast<int>(std::min(n, size_t{INT_MAX}));
        return 1;
    }
    wchar_t* pszWide = nullptr;
    int nWide = 0;
    if (!__STR_CharToWChar(pszSrc, nLen, static_cast<unsigned>(nCodePageFrom), &pszWide, &nWide,
                           nCodePageFrom == CP_UTF8 ? 0 : 1))
        return 0;
    int nResult = __STR_WCharToChar(pszWide, -1, ppszOut, pnOutLen, nCodePageTo);
    free(pszWide);
    return nResult;
}

bool bAnsiCompatible(const wchar_t* psz, unsigned int nCodePage) {
    if (psz == nullptr || psz[0] == 0) return true;
    char* pszAnsi = nullptr;
    int nAnsi = 0;
    if (!__STR_WCharToChar(psz, -1, &pszAnsi, &nAnsi, static_cast<int>(nCodePage))) return false;
    wchar_t* pszRetour = nullptr;
    int nRetour = 0;
    bool bResult = __STR_CharToWChar(pszAnsi, -1, nCodePage, &pszRetour, &nRetour, 1 | MB_ERR_INVALID_CHARS) &&
                   wcscmp(psz, pszRetour) == 0;
    free(pszAnsi);
    free(pszRetour);
    return bResult;
}

bool bLatin1(const wchar_t* psz) {
    return bAnsiCompatible(psz, 1252);
}

// ---------------------------------------------------------------------------------------------
// Replacement
// ---------------------------------------------------------------------------------------------

wchar_t* STR_RemplaceW(const wchar_t* psz, const wchar_t* pszFind, const wchar_t* pszRepl) {
    if (psz == nullptr || psz[0] == 0 || pszFind == nullptr || pszFind[0] == 0) return nullptr;
    if (pszRepl == nullptr) pszRepl = L"";
    size_t nFind = wcslen(pszFind), nRepl = wcslen(pszRepl), nLen = wcslen(psz);
    size_t nCount = 0;
    for (const wchar_t* p = wcsstr(psz, pszFind); p != nullptr; p = wcsstr(p + nFind, pszFind)) nCount++;
    wchar_t* pNew = _pszAlloc<wchar_t>(nLen - nCount * nFind + nCount * nRepl);
    if (pNew == nullptr) return nullptr;
    wchar_t* pOut = pNew;
    const wchar_t* pIn = psz;
    for (const wchar_t* p = wcsstr(pIn, pszFind); p != nullptr; p = wcsstr(pIn, pszFind)) {
        wmemcpy(pOut, pIn, static_cast<size_t>(p - pIn));
        pOut += p - pIn;
        wmemcpy(pOut, pszRepl, nRepl);
        pOut += nRepl;
        pIn = p + nFind;
    }
    wcscpy(pOut, pIn);
    return pNew;
}

// ---------------------------------------------------------------------------------------------
// Format length estimate and growing formatter
// ---------------------------------------------------------------------------------------------

namespace {

// One directive of a format, as the estimate reads it.
struct stDirective {
    bool bConnu = false;     // a directive the estimate knows (else the format is not walked)
    bool bLitteral = false;  // "%%"
    int nDieses = 0;         // count of "#"
    bool bLargeurEtoile = false;
    int nLargeur = 0;
    bool bPrecision = false;
    bool bPrecisionEtoile = false;
    int nPrecision = 0;
    bool bCourt = false;       // "h"
    bool bLong = false;        // "l"
    bool b64 = false;          // "ll", "I64"
    bool bLongDouble = false;  // "L"
    char cConversion = 0;
};

template <typename T>
int _nDigits(const T*& p) {
    long n = 0;
    while (*p >= '0' && *p <= '9') {
        n = std::min(n * 10 + (*p - '0'), static_cast<long>(INT_MAX));
        p++;
    }
    return static_cast<int>(n);
}

// Reads a directive from just after its "%"; p is left after it (or on the terminator).
template <typename T>
stDirective _stLitDirective(const T*& p) {
    stDirective st;
    if (*p == '%') {
        p++;
        st.bConnu = st.bLitteral = true;
        return st;
    }
    for (;; p++) {
        if (*p == '#')
            st.nDieses++;
        else if (*p != '-' && *p != '+' && *p != '0' && *p != ' ')
            break;
    }
    if (*p == '*') {
        st.bLargeurEtoile = true;
        p++;
    } else {
        st.nLargeur = _nDigits(p);
        if (*p == '$') return st;  // positional arguments: not walked
    }
    if (*p == '.') {
        p++;
        st.bPrecision = true;
        if (*p == '*') {
            st.bPrecisionEtoile = true;
            p++;
        } else {
            st.nPrecision = _nDigits(p);
        }
    }
    for (;;) {
        if (*p == 'F' || *p == 'N') {
            p++;
        } else if (*p == 'L') {
            st.bLongDouble = true;
            p++;
        } else if (*p == 'h') {
            st.bCourt = true;
            p++;
        } else if (*p == 'l') {
            p++;
            if (*p == 'l') {
                st.b64 = true;
                p++;
            } else {
                st.bLong = true;
            }
        } else if (*p == 'I' && ((p[1] == '6' && p[2] == '4') || (p[1] == '3' && p[2] == '2'))) {
            st.b64 = p[1] == '6';
            p += 3;
        } else {
            break;
        }
    }
    if (*p == 0) return st;
    T c = *p++;
    static const char szConnues[] = "cCsSdiouxXefgGpn";
    if (c > 0 && c < 128 && strchr(szConnues, static_cast<int>(c)) != nullptr) {
        st.cConversion = static_cast<char>(c);
        // A long double travels differently from a double: walking it as one would misread
        // every argument after it.
        st.bConnu = !(st.bLongDouble && strchr("efgG", st.cConversion) != nullptr);
    }
    return st;
}

}  // namespace

template <typename T>
bool STRG_bFormatEstimable(const T* pszFormat) {
    if (pszFormat == nullptr) return true;
    for (const T* p = pszFormat; *p != 0;) {
        if (*p++ != '%') continue;
        if (!_stLitDirective(p).bConnu) return false;
    }
    return true;
}
template bool STRG_bFormatEstimable<char>(const char*);
template bool STRG_bFormatEstimable<wchar_t>(const wchar_t*);

template <typename T>
long STRG_nCalculeLongueurPrintf(const T* pszFormat, va_list args) {
    constexpr long nUnite = sizeof(T) == 1 ? 1 : 4;
    if (pszFormat == nullptr) return 0;
    if (!STRG_bFormatEstimable(pszFormat)) return static_cast<long>(STRG_nLen(pszFormat)) * nUnite + 256;

    long nTotal = 0;
    for (const T* p = pszFormat; *p != 0;) {
        if (*p++ != '%') {
            nTotal += nUnite;
            continue;
        }
        stDirective st = _stLitDirective(p);
        if (st.bLitteral) {
            nTotal += nUnite;
            continue;
        }
        nTotal += 2L * st.nDieses;
        long nLargeur = st.nLargeur, nPrecision = st.nPrecision;
        bool bPrecision = st.bPrecision;
        if (st.bLargeurEtoile) {
            int n = va_arg(args, int);
            nLargeur = n < 0 ? -static_cast<long>(n) : n;  // a negative width means left-justified
        }
        if (st.bPrecisionEtoile) {
            int n = va_arg(args, int);
            if (n < 0)
                bPrecision = false;  // a negative precision counts as none
            else
                nPrecision = n;
        }
        long nItem = 0;
        bool bTexte = false;
        switch (st.cConversion) {
            case 'c':
            case 'C':
                (void)va_arg(args, int);
                nItem = 2;
                bTexte = true;
                break;
            case 's':
            case 'S': {
                bTexte = true;
                // Which width the argument has: the format's own for "s", the other for "S",
                // unless "h" (8-bit) or "l" (wide) says it.
                bool bPropre = st.cConversion == 's';
                bool bLarge = st.bCourt ? false : (st.bLong ? true : (bPropre == (sizeof(T) != 1)));
                long nLen;
                bool bNull;
                if (bLarge) {
                    const wchar_t* psz = va_arg(args, const wchar_t*);
                    bNull = psz == nullptr;
                    nLen = static_cast<long>(STRG_nLen(psz));
                } else {
                    const char* psz = va_arg(args, const char*);
                    bNull = psz == nullptr;
                    nLen = static_cast<long>(STRG_nLen(psz));
                }
                // Only the unprefixed own-width form counts a null text as the 6 of "(null)".
                nItem = bNull && bPropre && !st.bCourt && !st.bLong ? 6 : std::max(nLen, 1L);
                break;
            }
            case 'd':
            case 'i':
            case 'o':
            case 'u':
            case 'x':
            case 'X':
                if (st.b64 || st.bLong)
                    (void)va_arg(args, long long);
                else
                    (void)va_arg(args, int);
                nItem = std::max(32L, nLargeur + nPrecision);
                break;
            case 'e':
            case 'f':
            case 'g':
            case 'G':
                (void)va_arg(args, double);
                nItem = std::max(512L, nLargeur + nPrecision);
                break;
            case 'p':
                (void)va_arg(args, void*);
                nItem = std::max(32L, nLargeur + nPrecision);
                break;
            case 'n':
                (void)va_arg(args, void*);
                nItem = 0;
                break;
            default:
                break;
        }
        if (bTexte) {
            if (bPrecision) nItem = std::min(nItem, nPrecision);
            nItem = std::max(nItem, nLargeur);
        }
        nTotal += nItem;
    }
    return nTotal;
}
template long STRG_nCalculeLongueurPrintf<char>(const char*, va_list);
template long STRG_nCalculeLongueurPrintf<wchar_t>(const wchar_t*, va_list);

namespace {
constexpr long g_nFormatLimite = 10000000;  // characters: the printers' own ceiling

int _nFormatBorne(char* p, size_t nSize, const char* pszFormat, va_list args) {
    return vsnprintf(p, nSize, pszFormat, args);
}
int _nFormatBorne(wchar_t* p, size_t nSize, const wchar_t* pszFormat, va_list args) {
    return vsnwprintfWin(p, nSize, pszFormat, args);
}
}  // namespace

template <typename T>
long STRG_nFormatV(T** ppszOut, const T* pszFormat, va_list args) {
    if (ppszOut == nullptr) return -1;
    *ppszOut = nullptr;
    if (pszFormat == nullptr) return -1;
    long nSize;
    {
        va_list argsEstime;
        va_copy(argsEstime, args);
        nSize = STRG_nCalculeLongueurPrintf(pszFormat, argsEstime) + 1;
        va_end(argsEstime);
    }
    nSize = std::clamp(nSize, 16L, g_nFormatLimite + 1);
    for (;;) {
        T* p = static_cast<T*>(malloc(static_cast<size_t>(nSize) * sizeof(T)));
        if (p == nullptr) return -1;
        va_list argsEssai;
        va_copy(argsEssai, args);
        errno = 0;
        int n = _nFormatBorne(p, static_cast<size_t>(nSize), pszFormat, argsEssai);
        int nErrno = errno;
        va_end(argsEssai);
        if (n >= 0 && n < nSize) {
            T* pAjuste = static_cast<T*>(realloc(p, (static_cast<size_t>(n) + 1) * sizeof(T)));
            *ppszOut = pAjuste != nullptr ? pAjuste : p;
            return n;
        }
        free(p);
        if constexpr (sizeof(T) == 1) {
            // The 8-bit printer tells the length it needs; a negative answer is an encoding error.
            if (n < 0 || n >= g_nFormatLimite) return -1;
            nSize = static_cast<long>(n) + 1;
        } else {
            // The wide printer only says the text did not fit; a text that cannot be encoded
            // never will.
            if (nErrno == EILSEQ || nSize > g_nFormatLimite) return -1;
            nSize = std::min(nSize * 2, g_nFormatLimite + 1);
        }
    }
}
template long STRG_nFormatV<char>(char**, const char*, va_list);
template long STRG_nFormatV<wchar_t>(wchar_t**, const wchar_t*, va_list);
