// Escapement: one template per operation, instantiated for 8-bit and wide text, so that the two
// widths can never drift apart.
#include "core/Escapement.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

namespace {

size_t _nLongueur(const char* psz) {
    return psz == nullptr ? 0 : strlen(psz);
}
size_t _nLongueur(const wchar_t* psz) {
    return psz == nullptr ? 0 : wcslen(psz);
}

// Scratch areas up to this many bytes live on the stack; larger ones come from the heap.
constexpr size_t TAILLE_PILE = 2047;

template <class T>
T* _pszDuplique(const T* psz, size_t nLongueur) {
    T* pszCopie = static_cast<T*>(malloc((nLongueur + 1) * sizeof(T)));
    if (pszCopie != nullptr) memcpy(pszCopie, psz, (nLongueur + 1) * sizeof(T));
    return pszCopie;
}

template <class T>
T* _pszEcritRepete(T* pszDest, T c, int nFois) {
    for (int i = 0; i < nFois; i++) *pszDest++ = c;
    return pszDest;
}

template <class T>
void _Escape(const T* pszSource, T* pszDest, int bQuote, int bBackSlash, int bDoubleEscape, int bEscapePourcent,
             int bEscapeSouligne, int bReworkPourcent, int bReworkSouligne, int bDoubleEscapeEscape, T cQuoteEscape,
             T cEscape) {
    const int nDouble = bDoubleEscape != 0 ? 1 : 0;
    if (pszSource != nullptr) {
        const T* p = pszSource;
        while (*p != 0) {
            const T c = *p;
            if (c == T('\'')) {
                if (bQuote) *pszDest++ = cQuoteEscape;
                *pszDest++ = c;
                p++;
            } else if (c == cEscape) {
                const T d = p[1];
                if (d == T('%')) {
                    const int nFois = bReworkPourcent ? 1 + nDouble + (bEscapePourcent != 0 ? 1 : 0) : 1;
                    pszDest = _pszEcritRepete(pszDest, cEscape, nFois);
                    *pszDest++ = d;
                    p += 2;
                } else if (d == T('_')) {
                    const int nFois = bReworkSouligne ? 1 + nDouble + (bEscapeSouligne != 0 ? 1 : 0) : 1;
                    pszDest = _pszEcritRepete(pszDest, cEscape, nFois);
                    *pszDest++ = d;
                    p += 2;
                } else if (d == cEscape) {
                    pszDest = _pszEcritRepete(pszDest, cEscape, (bDoubleEscapeEscape && bDoubleEscape) ? 4 : 2);
                    p += 2;
                } else {
                    // A lone escape: the next character (the terminator too) is handled on its own.
                    pszDest = _pszEcritRepete(pszDest, cEscape, 1 + nDouble);
                    p++;
                }
            } else {
                if (c == T('\\')) {
                    if (bBackSlash) *pszDest++ = T('\\');
                } else if (c == T('%')) {
                    if (bEscapePourcent) *pszDest++ = cEscape;
                } else if (c == T('_')) {
                    if (bEscapeSouligne) *pszDest++ = cEscape;
                }
                *pszDest++ = c;
                p++;
            }
        }
    }
    *pszDest = 0;
}

template <class T>
T* _pszEscape(const T* pszSource, int o1, int o2, int o3, int o4, int o5, int o6, int o7, int o8, T cQuoteEscape,
              T cEscape) {
    const size_t nUnites = 2 * _nLongueur(pszSource) + 2;
    T szPile[TAILLE_PILE / sizeof(T)];
    T* pszTravail = szPile;
    if (nUnites * sizeof(T) > sizeof(szPile)) {
        pszTravail = static_cast<T*>(malloc(nUnites * sizeof(T)));
        if (pszTravail == nullptr) return nullptr;
    }
    _Escape(pszSource, pszTravail, o1, o2, o3, o4, o5, o6, o7, o8, cQuoteEscape, cEscape);
    T* pszResultat = _pszDuplique(pszTravail, _nLongueur(pszTravail));
    if (pszTravail != szPile) free(pszTravail);
    return pszResultat;
}

// One walk serves both the measure and the copy, so the size asked for is always the size written.
template <class T>
size_t _nChangeEscape(const T* pszSource, T* pszDest, const T* pszPourcent, const T* pszAvantPourcent,
                      const T* pszApresPourcent, const T* pszSouligne, const T* pszAvantSouligne,
                      const T* pszApresSouligne, T cEscape) {
    size_t n = 0;
    auto Ecrit = [&](T c) {
        if (pszDest != nullptr) pszDest[n] = c;
        n++;
    };
    auto EcritTexte = [&](const T* psz) {
        if (psz == nullptr) return;
        for (; *psz != 0; psz++) Ecrit(*psz);
    };
    if (pszSource != nullptr) {
        const T* p = pszSource;
        while (*p != 0) {
            if (*p == cEscape && p[1] == T('%')) {
                EcritTexte(pszAvantPourcent);
                EcritTexte(pszPourcent);
                EcritTexte(pszApresPourcent);
                p += 2;
            } else if (*p == cEscape && p[1] == T('_')) {
                EcritTexte(pszAvantSouligne);
                EcritTexte(pszSouligne);
                EcritTexte(pszApresSouligne);
                p += 2;
            } else if (*p == cEscape && p[1] == cEscape) {
                Ecrit(cEscape);
                p += 2;
            } else {
                Ecrit(*p);
                p++;
            }
        }
    }
    Ecrit(0);
    return n;
}

template <class T>
T* _pszChangeEscape(const T* pszSource, const T* t1, const T* t2, const T* t3, const T* t4, const T* t5, const T* t6,
                    T cEscape) {
    const size_t nUnites = _nChangeEscape<T>(pszSource, nullptr, t1, t2, t3, t4, t5, t6, cEscape);
    T* pszResultat = static_cast<T*>(malloc(nUnites * sizeof(T)));
    if (pszResultat != nullptr) _nChangeEscape(pszSource, pszResultat, t1, t2, t3, t4, t5, t6, cEscape);
    return pszResultat;
}

template <class T>
void _PurgeEscape(T* psz, T cEscape) {
    if (psz == nullptr) return;
    T* pszDest = psz;
    for (const T* p = psz; *p != 0;) {
        if (*p == cEscape && (p[1] == cEscape || p[1] == T('_') || p[1] == T('%'))) p++;
        *pszDest++ = *p++;
    }
    *pszDest = 0;
}

template <class T>
void _PurgeDoublon(T* psz, T c) {
    if (psz == nullptr) return;
    T* pszDest = psz;
    for (const T* p = psz; *p != 0;) {
        if (*p == c && p[1] == c) p++;
        *pszDest++ = *p++;
    }
    *pszDest = 0;
}

template <class T>
void _PurgeQuote(T* psz, int bAvecBackSlash) {
    if (psz == nullptr) return;
    size_t nLongueur = _nLongueur(psz);
    if (nLongueur == 2 && psz[0] == T('\'') && psz[1] == T('\'')) return;
    // From the end back to the second character; a removal skips the removed unit, so the quote
    // that stays is not paired again with what lies in front of it.
    size_t i = nLongueur;
    while (i >= 2) {
        i--;
        const T cAvant = psz[i - 1];
        if (psz[i] == T('\'') && (cAvant == T('\'') || (bAvecBackSlash && cAvant == T('\\')))) {
            memmove(psz + i - 1, psz + i, (nLongueur - i + 1) * sizeof(T));
            nLongueur--;
            i--;
        }
    }
}

}  // namespace

void Escape(const char* pszSource, char* pszDest, int o1, int o2, int o3, int o4, int o5, int o6, int o7, int o8,
            char cQuoteEscape, char cEscape) {
    _Escape(pszSource, pszDest, o1, o2, o3, o4, o5, o6, o7, o8, cQuoteEscape, cEscape);
}

void Escape(const wchar_t* pszSource, wchar_t* pszDest, int o1, int o2, int o3, int o4, int o5, int o6, int o7, int o8,
            wchar_t cQuoteEscape, wchar_t cEscape) {
    _Escape(pszSource, pszDest, o1, o2, o3, o4, o5, o6, o7, o8, cQuoteEscape, cEscape);
}

char* pszEscape(const char* pszSource, int o1, int o2, int o3, int o4, int o5, int o6, int o7, int o8,
                char cQuoteEscape, char cEscape) {
    return _pszEscape(pszSource, o1, o2, o3, o4, o5, o6, o7, o8, cQuoteEscape, cEscape);
}

wchar_t* pszEscape(const wchar_t* pszSource, int o1, int o2, int o3, int o4, int o5, int o6, int o7, int o8,
                   wchar_t cQuoteEscape, wchar_t cEscape) {
    return _pszEscape(pszSource, o1, o2, o3, o4, o5, o6, o7, o8, cQuoteEscape, cEscape);
}

void ChangeEscape(const char* pszSource, char* pszDest, const char* t1, const char* t2, const char* t3, const char* t4,
                  const char* t5, const char* t6, char cEscape) {
    _nChangeEscape(pszSource, pszDest, t1, t2, t3, t4, t5, t6, cEscape);
}

void ChangeEscape(const wchar_t* pszSource, wchar_t* pszDest, const wchar_t* t1, const wchar_t* t2, const wchar_t* t3,
                  const wchar_t* t4, const wchar_t* t5, const wchar_t* t6, wchar_t cEscape) {
    _nChangeEscape(pszSource, pszDest, t1, t2, t3, t4, t5, t6, cEscape);
}

size_t nTailleChangeEscape(const char* pszSource, const char* t1, const char* t2, const char* t3, const char* t4,
                           const char* t5, const char* t6, char cEscape) {
    return _nChangeEscape<char>(pszSource, nullptr, t1, t2, t3, t4, t5, t6, cEscape);
}

size_t nTailleChangeEscape(const wchar_t* pszSource, const wchar_t* t1, const wchar_t* t2, const wchar_t* t3,
                           const wchar_t* t4, const wchar_t* t5, const wchar_t* t6, wchar_t cEscape) {
    return _nChangeEscape<wchar_t>(pszSource, nullptr, t1, t2, t3, t4, t5, t6, cEscape);
}

char* pszChangeEscape(const char* pszSource, const char* t1, const char* t2, const char* t3, const char* t4,
                      const char* t5, const char* t6, char cEscape) {
    return _pszChangeEscape(pszSource, t1, t2, t3, t4, t5, t6, cEscape);
}

wchar_t* pszChangeEscape(const wchar_t* pszSource, const wchar_t* t1, const wchar_t* t2, const wchar_t* t3,
                         const wchar_t* t4, const wchar_t* t5, const wchar_t* t6, wchar_t cEscape) {
    return _pszChangeEscape(pszSource, t1, t2, t3, t4, t5, t6, cEscape);
}

void PurgeEscape(char* psz, char cEscape) {
    _PurgeEscape(psz, cEscape);
}
void PurgeEscape(wchar_t* psz, wchar_t cEscape) {
    _PurgeEscape(psz, cEscape);
}

void PurgeEscapeEscape(char* psz, char cEscape) {
    _PurgeDoublon(psz, cEscape);
}
void PurgeEscapeEscape(wchar_t* psz, wchar_t cEscape) {
    _PurgeDoublon(psz, cEscape);
}

void PurgeQuote(char* psz, int bAvecBackSlash) {
    _PurgeQuote(psz, bAvecBackSlash);
}
void PurgeQuote(wchar_t* psz, int bAvecBackSlash) {
    _PurgeQuote(psz, bAvecBackSlash);
}

void PurgeEscapeBackSlash(char* psz) {
    _PurgeDoublon(psz, '\\');
    _PurgeQuote(psz, 1);
}

void PurgeEscapeBackSlash(wchar_t* psz) {
    _PurgeDoublon(psz, L'\\');
    _PurgeQuote(psz, 1);
}
