// CAny_VQChaineC: the owned C strings of the PSTRA and PSTRW values, compiled once for each width.
#include "variant/Any_VQChaineC.h"

#include <cstdlib>

#include "core/STRUtil.h"
#include "core/UnicodeToolkit.h"

namespace {

// Characters of p before its terminator, counting at most nMax (a wide text may be unaligned).
unsigned long nLongueurBornee(const char* psz, unsigned long nMax) {
    return strnlen(psz, nMax);
}
unsigned long nLongueurBornee(const wchar_t* psz, unsigned long nMax) {
    const unsigned char* pby = reinterpret_cast<const unsigned char*>(psz);
    unsigned long n = 0;
    for (; n < nMax; n++) {
        wchar_t c;
        memcpy(&c, pby + n * sizeof(wchar_t), sizeof(c));
        if (c == 0) break;
    }
    return n;
}

// A heap copy of n characters and a terminator; null for n of 0 or a refused allocation.
char* pszCopie(const char* psz, unsigned long n) {
    return n == 0 ? nullptr : STR_pszCreateA(n, psz);
}
wchar_t* pszCopie(const wchar_t* psz, unsigned long n) {
    return n == 0 ? nullptr : STR_pszCreateW_UNALIGNED(n, psz);
}

void Libere(char* psz) {
    STR_DeleteA(psz);
}
void Libere(wchar_t* psz) {
    STR_DeleteW(psz);
}

}  // namespace

template <typename T, unsigned short CODE>
void CAny_VQChaineC<T, CODE>::_Libere() {
    T* psz = pszGetBuffer();
    _SetPointeur(nullptr);
    if (psz != nullptr) Libere(psz);
}

template <typename T, unsigned short CODE>
void CAny_VQChaineC<T, CODE>::__CreateStr(const void* p) {
    __CreateStr(p, static_cast<unsigned long>(-1));
}

template <typename T, unsigned short CODE>
void CAny_VQChaineC<T, CODE>::__CreateStr(const void* p, unsigned long n) {
    // A string held so far would be lost: it goes first.
    _Libere();
    if (p == nullptr) return;
    const T* psz = static_cast<const T*>(p);
    _SetPointeur(pszCopie(psz, nLongueurBornee(psz, n)));
}

template <typename T, unsigned short CODE>
void CAny_VQChaineC<T, CODE>::SetValueOption(const void* p, unsigned long n, unsigned int dwOption) {
    __DeleteStr();
    if ((dwOption & 1) == 0) {
        __CreateStr(p, n);
        return;
    }
    // A writable text of n characters, all zero, with at most n characters of p in front.
    if (n >= static_cast<unsigned long>(STRMEM_MAX_UNITS)) return;
    T* psz = static_cast<T*>(calloc(n + 1, sizeof(T)));
    if (psz == nullptr) return;
    if (p != nullptr && n != 0) {
        const T* pszSource = static_cast<const T*>(p);
        memcpy(psz, pszSource, nLongueurBornee(pszSource, n) * sizeof(T));
    }
    _SetPointeur(psz);
}

template class CAny_VQChaineC<char, VQTYPE_PSTRA>;
template class CAny_VQChaineC<wchar_t, VQTYPE_PSTRW>;
