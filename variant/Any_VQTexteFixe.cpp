// CAny_VQTexteFixe: the conversions and the initial text of the fixed-width date and time texts,
// compiled once for each of the four classes.
#include "variant/Any_VQTexteFixe.h"

#include <cstring>
#include <cwchar>

#include "core/platformwin/WinCodePage.h"

namespace {
constexpr unsigned CP_TEXTE_FIXE = 1252;
}  // namespace

template <typename T, unsigned long N, unsigned short CODE>
void CAny_VQTexteFixe<T, N, CODE>::SetValueFromANSI(const void* p) {
    const char* psz = static_cast<const char*>(p);
    SetValueFromANSI(p, psz != nullptr ? strlen(psz) : 0);
}

template <typename T, unsigned long N, unsigned short CODE>
void CAny_VQTexteFixe<T, N, CODE>::SetValueFromANSI(const void* p, unsigned long n) {
    if constexpr (sizeof(T) == sizeof(wchar_t)) {
        // One character per byte in 1252: the first N bytes are all the text can hold.
        const int nOctets = static_cast<int>(n < N ? n : N);
        wchar_t aw[N + 1] = {};
        int nEcrits = 0;
        if (p != nullptr && nOctets > 0)
            nEcrits = MultiByteToWideChar(CP_TEXTE_FIXE, 0, static_cast<const char*>(p), nOctets, aw, N);
        SetValue(aw);
        if (nEcrits == 0) _Termine(0);
    } else {
        CAny_Intern::SetValueFromANSI(p, n);
    }
}

template <typename T, unsigned long N, unsigned short CODE>
void CAny_VQTexteFixe<T, N, CODE>::SetValueFromUNICODE(const void* p) {
    if constexpr (sizeof(T) == 1) {
        const wchar_t* psz = static_cast<const wchar_t*>(p);
        const size_t nLongueur = psz != nullptr ? wcsnlen(psz, N) : 0;
        char asz[N + 1] = {};
        if (nLongueur > 0)
            WideCharToMultiByte(CP_TEXTE_FIXE, 0, psz, static_cast<int>(nLongueur), asz, N, nullptr, nullptr);
        SetValue(asz);
    } else {
        CAny_Intern::SetValueFromUNICODE(p);
    }
}

template <typename T, unsigned long N, unsigned short CODE>
void CAny_VQTexteFixe<T, N, CODE>::InitTexte(const wchar_t* psz) {
    unsigned long n = 0;
    for (; psz != nullptr && n < N && psz[n] != 0; n++) _Ecrit(static_cast<T>(psz[n]), n * sizeof(T));
    // A time always has its N digits.
    if constexpr (UTILE_EST_TEXTE)
        for (; n < N; n++) _Ecrit(T('0'), n * sizeof(T));
    _Termine(n);
}

template class CAny_VQTexteFixe<wchar_t, 8, VQTYPE_DATEW>;
template class CAny_VQTexteFixe<wchar_t, 9, VQTYPE_TIMEW>;
template class CAny_VQTexteFixe<char, 8, VQTYPE_DATEA>;
template class CAny_VQTexteFixe<char, 9, VQTYPE_TIMEA>;
