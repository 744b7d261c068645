// Reading the digit fields of the system's date and time texts (AAAAMMJJ, HHMMSSmmm, durations):
// the number written in a few characters at a fixed place, read as strtol / wcstol would read a copy
// of just those characters (leading blanks, a sign, decimal digits, the first other character ends
// it). The texts come from users, servers and records, so a field never reads past the end of its
// text: a text that stops inside a field gives only the characters it has, one that stops before
// the field gives 0. Shared by CXTime and the variant's date-time and duration values.
#pragma once

#include <climits>
#include <cstdint>

// Characters of a text up to its terminator (a null text is empty).
template <class T>
inline int XTIME_nLongueur(const T* psz) {
    int n = 0;
    if (psz != nullptr)
        while (psz[n] != 0) ++n;
    return n;
}

// The number in at most nCount characters from nStart; 0 for a null text, a text that ends before
// nStart, or a field without digits. Beyond the range of long the value stops at LONG_MAX or
// LONG_MIN, as strtol does.
template <class T>
inline long XTIME_nLitChamp(const T* psz, int nStart, int nCount) {
    if (psz == nullptr || nStart < 0 || nCount <= 0) return 0;
    for (int i = 0; i < nStart; ++i)
        if (psz[i] == 0) return 0;
    const T* p = psz + nStart;
    const T* pFin = p;
    while (pFin - p < nCount && *pFin != 0) ++pFin;
    while (p < pFin && (*p == ' ' || (*p >= '\t' && *p <= '\r'))) ++p;
    bool bNegatif = false;
    if (p < pFin && (*p == '+' || *p == '-')) bNegatif = (*p++ == '-');
    uint64_t nValeur = 0;
    const uint64_t nLimite = bNegatif ? uint64_t(LONG_MAX) + 1 : uint64_t(LONG_MAX);
    for (; p < pFin && *p >= '0' && *p <= '9'; ++p) {
        const uint64_t nChiffre = uint64_t(*p - '0');
        if (nValeur > (nLimite - nChiffre) / 10) return bNegatif ? LONG_MIN : LONG_MAX;
        nValeur = nValeur * 10 + nChiffre;
    }
    return bNegatif ? long(0 - nValeur) : long(nValeur);
}
