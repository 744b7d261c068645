// Currency values: parsing, printing, conversion, comparison, rounding and arithmetic on the 80-bit
// fixed-point CMoney. Everything is computed exactly on integers (128-bit, and 32-bit limbs for the
// 160-bit products); doubles appear only in the two conversions to and from double.
#include "variant/Money.h"

#include <locale.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cwchar>
#include <cwctype>

namespace {

using u128 = unsigned __int128;
using i128 = __int128;

constexpr u128 k80 = static_cast<u128>(1) << 80;
constexpr u128 kMasque80 = k80 - 1;
// Magnitudes stay below 2^79: the parser and the arithmetic refuse to reach it.
constexpr u128 kLimite = static_cast<u128>(1) << 79;
constexpr uint32_t kMillion = 1000000;

u128 _nBits(const CMoney* pst) {
    u128 n = 0;
    for (int i = 4; i >= 0; i--) n = (n << 16) | pst->m_awMot[i];
    return n;
}

void _SetBits(CMoney* pst, u128 n) {
    for (int i = 0; i < 5; i++, n >>= 16) pst->m_awMot[i] = static_cast<uint16_t>(n);
}

bool _bNegatif(const CMoney* pst) {
    return (pst->m_awMot[4] & 0x8000) != 0;
}

bool _bNegatif(u128 nBits) {
    return ((nBits >> 79) & 1) != 0;
}

i128 _nSigne(const CMoney* pst) {
    u128 n = _nBits(pst);
    return _bNegatif(n) ? static_cast<i128>(n) - static_cast<i128>(k80) : static_cast<i128>(n);
}

// The magnitude (2^79 for the sign bit alone, which has no positive counterpart in 80 bits).
u128 _nMagnitude(const CMoney* pst) {
    u128 n = _nBits(pst);
    return _bNegatif(n) ? (k80 - n) & kMasque80 : n;
}

void _SetMagnitude(CMoney* pst, u128 nMagnitude, bool bNegatif) {
    _SetBits(pst, bNegatif ? (k80 - nMagnitude) & kMasque80 : nMagnitude);
}

constexpr u128 _nPuissance10(int n) {
    u128 r = 1;
    while (n-- > 0) r *= 10;
    return r;
}

bool _bChiffre(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

int _nChiffreHexa(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

// (nA x nB) / nDiviseur rounded half up, for magnitudes below 2^80: the product may need 160 bits,
// so it is formed and divided on 32-bit limbs. False when the quotient reaches 2^79.
bool _bMulDiv(u128 nA, u128 nB, uint32_t nDiviseur, u128* pnQuotient) {
    uint32_t anA[3], anB[3];
    for (int i = 0; i < 3; i++) {
        anA[i] = static_cast<uint32_t>(nA >> (32 * i));
        anB[i] = static_cast<uint32_t>(nB >> (32 * i));
    }
    uint32_t anProduit[6] = {};
    for (int i = 0; i < 3; i++) {
        uint64_t nRetenue = 0;
        for (int j = 0; j < 3; j++) {
            uint64_t n = static_cast<uint64_t>(anA[i]) * anB[j] + anProduit[i + j] + nRetenue;
            anProduit[i + j] = static_cast<uint32_t>(n);
            nRetenue = n >> 32;
        }
        anProduit[i + 3] = static_cast<uint32_t>(nRetenue);
    }
    uint64_t nReste = 0;
    for (int i = 5; i >= 0; i--) {
        uint64_t n = (nReste << 32) | anProduit[i];
        anProduit[i] = static_cast<uint32_t>(n / nDiviseur);
        nReste = n % nDiviseur;
    }
    if (anProduit[5] != 0 || anProduit[4] != 0 || anProduit[3] != 0) return false;
    u128 nQuotient = (static_cast<u128>(anProduit[2]) << 64) | (static_cast<u128>(anProduit[1]) << 32) | anProduit[0];
    if (2 * nReste >= nDiviseur) nQuotient++;
    if (nQuotient >= kLimite) return false;
    *pnQuotient = nQuotient;
    return true;
}

// Adds the 80-bit pattern nB to a. Overflow: both operands of one sign and a sum of the other, or
// two negatives summing to exactly -2^79 (outside the range the library produces).
CMoney* _pstAdd(CMoney* pstA, u128 nB) {
    u128 nA = _nBits(pstA);
    u128 nSomme = (nA + nB) & kMasque80;
    _SetBits(pstA, nSomme);
    bool bA = _bNegatif(nA), bB = _bNegatif(nB);
    if (bA == bB && _bNegatif(nSomme) != bA) return nullptr;
    if (bA && bB && nSomme == kLimite) return nullptr;
    return pstA;
}

// Conversions to and from text for doubles are made in the C locale whatever the host's locale,
// so that the decimal point is always '.'.
locale_t _hLocaleC() {
    static locale_t s_hLocale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return s_hLocale;
}

// The magnitude divided by 1,000,000, rounded half away from zero, with the value's sign.
i128 _nArrondiEntier(const CMoney* pst) {
    i128 n = static_cast<i128>((_nMagnitude(pst) + kMillion / 2) / kMillion);
    return _bNegatif(pst) ? -n : n;
}

// To nDecimales toward minus (bSup false) or plus infinity, on the magnitude.
CMoney* _pstArrondiDirige(CMoney* pst, int nDecimales, bool bSup) {
    if (nDecimales < 0 || nDecimales > 5) return pst;
    bool bNegatif = _bNegatif(pst);
    u128 nMagnitude = _nMagnitude(pst);
    u128 nUnite = _nPuissance10(6 - nDecimales);
    u128 nCoupe = nMagnitude % nUnite;
    nMagnitude -= nCoupe;
    // Away from zero only when something was cut off: a value already at n decimals stays.
    if (nCoupe != 0 && bSup != bNegatif) nMagnitude += nUnite;
    if (nMagnitude >= kLimite) return nullptr;
    _SetMagnitude(pst, nMagnitude, bNegatif);
    return pst;
}

}  // namespace

const CMoney gstMillion = {{0x4240, 0x000F, 0, 0, 0}};
const CMoney gstMoinsMillion = {{0xBDC0, 0xFFF0, 0xFFFF, 0xFFFF, 0xFFFF}};
const CMoney gstVersLong = {{0, 1, 0, 0, 0}};

// ---------------------------------------------------------------------------------------------
// Text forms
// ---------------------------------------------------------------------------------------------

CMoney* pstChaineVersMonetaire(CMoney* pstValeur, const wchar_t* pszTexte) {
    _SetBits(pstValeur, 0);
    if (pszTexte == nullptr) return pstValeur;
    const wchar_t* p = pszTexte;
    while (*p == L' ') p++;
    bool bNegatif = false;
    if (*p == L'+' || *p == 0xFF0B) {
        p++;
    } else if (*p == L'-' || *p == 0xFF0D) {
        bNegatif = true;
        p++;
    }
    u128 nMagnitude = 0;
    // Each step must stay below 2^79; a failed parse leaves the magnitude reached so far.
    auto bEtape = [&](u128 nSuivant) {
        if (nSuivant >= kLimite) {
            _SetBits(pstValeur, nMagnitude);
            return false;
        }
        nMagnitude = nSuivant;
        return true;
    };
    for (; _bChiffre(*p); p++)
        if (!bEtape(nMagnitude * 10 + static_cast<unsigned>(*p - L'0'))) return nullptr;
    int nDecimales = 0;
    if (*p == L'.') {
        for (p++; _bChiffre(*p); p++) {
            if (nDecimales == 6) continue;
            if (!bEtape(nMagnitude * 10 + static_cast<unsigned>(*p - L'0'))) return nullptr;
            nDecimales++;
        }
    }
    for (; nDecimales < 6; nDecimales++)
        if (!bEtape(nMagnitude * 10)) return nullptr;
    _SetMagnitude(pstValeur, nMagnitude, bNegatif);
    return pstValeur;
}

wchar_t* pszMonetaireVersChaineC(wchar_t* pszBuffer, const CMoney* pstValeur) {
    u128 nMagnitude = _nMagnitude(pstValeur);
    wchar_t szTravail[32];
    int i = 31;
    szTravail[i] = 0;
    // Digits from the right, '.' after the sixth, at least "0.dddddd".
    for (int nChiffres = 0; nMagnitude != 0 || nChiffres < 7; nChiffres++) {
        if (nChiffres == 6) szTravail[--i] = L'.';
        szTravail[--i] = static_cast<wchar_t>(L'0' + static_cast<int>(nMagnitude % 10));
        nMagnitude /= 10;
    }
    if (_bNegatif(pstValeur)) szTravail[--i] = L'-';
    int nFin = 31;
    while (szTravail[nFin - 1] == L'0') nFin--;
    if (szTravail[nFin - 1] == L'.') nFin--;
    wmemcpy(pszBuffer, szTravail + i, static_cast<size_t>(nFin - i));
    pszBuffer[nFin - i] = 0;
    return pszBuffer;
}

wchar_t* pszMonetaireVersChaineHexa(wchar_t* pszBuffer, const CMoney* pstValeur) {
    static const wchar_t s_szChiffres[] = L"0123456789ABCDEF";
    u128 nBits = _nBits(pstValeur);
    int n = 0;
    for (int i = 19; i >= 0; i--) {
        int nChiffre = static_cast<int>((nBits >> (4 * i)) & 0xF);
        if (n == 0 && nChiffre == 0 && i > 0) continue;
        pszBuffer[n++] = s_szChiffres[nChiffre];
    }
    pszBuffer[n] = 0;
    return pszBuffer;
}

wchar_t* pszMonetaireVersChaineOctale(wchar_t* pszBuffer, const CMoney* pstValeur) {
    u128 nBits = _nBits(pstValeur);
    // 27 digits hold 81 bits: the 81st repeats the sign.
    if (_bNegatif(nBits)) nBits |= k80;
    int n = 0;
    for (int i = 26; i >= 0; i--) {
        int nChiffre = static_cast<int>((nBits >> (3 * i)) & 7);
        if (n == 0 && nChiffre == 0 && i > 0) continue;
        pszBuffer[n++] = static_cast<wchar_t>(L'0' + nChiffre);
    }
    pszBuffer[n] = 0;
    return pszBuffer;
}

CMoney* pstChaineHexaVersMonetaire(CMoney* pstValeur, wchar_t* pszTexte) {
    u128 nBits = 0;
    if (pszTexte != nullptr) {
        wchar_t* p = pszTexte;
        while (*p == L' ') p++;
        for (wchar_t* q = p; *q != 0; q++) *q = static_cast<wchar_t>(towupper(static_cast<wint_t>(*q)));
        for (int n = 0; n < 20; n++, p++) {
            int nChiffre = _nChiffreHexa(*p);
            if (nChiffre < 0) break;
            nBits = (nBits << 4) | static_cast<unsigned>(nChiffre);
        }
    }
    _SetBits(pstValeur, nBits);
    return pstValeur;
}

// ---------------------------------------------------------------------------------------------
// Conversions
// ---------------------------------------------------------------------------------------------

CMoney* pstDoubleVersMonetaire(CMoney* pstValeur, double dValeur) {
    // "inf" and "nan" would parse as 0: a value that is not a number does not become one.
    if (!std::isfinite(dValeur)) return nullptr;
    // The largest double prints 309 integer digits.
    char szTexte[400];
    locale_t hAncienne = uselocale(_hLocaleC());
    snprintf(szTexte, sizeof(szTexte), "%.6f", dValeur);
    uselocale(hAncienne);
    wchar_t szLarge[400];
    size_t i = 0;
    for (; szTexte[i] != 0; i++) szLarge[i] = static_cast<unsigned char>(szTexte[i]);
    szLarge[i] = 0;
    return pstChaineVersMonetaire(pstValeur, szLarge);
}

double dMonetaireVersDouble(const CMoney* pstValeur) {
    wchar_t szTexte[MONETAIRE_TAILLE_CHAINE];
    return wcstod_l(pszMonetaireVersChaineC(szTexte, pstValeur), nullptr, _hLocaleC());
}

CMoney* pstInt32VersMonetaire(CMoney* pstValeur, int nValeur) {
    return pstTresLongVersMonetaire(pstValeur, nValeur);
}

CMoney* pstTresLongVersMonetaire(CMoney* pstValeur, long nValeur) {
    u128 nMagnitude = nValeur < 0 ? static_cast<u128>(-static_cast<i128>(nValeur)) : static_cast<u128>(nValeur);
    nMagnitude *= kMillion;
    if (nMagnitude >= kLimite) return nullptr;
    _SetMagnitude(pstValeur, nMagnitude, nValeur < 0);
    return pstValeur;
}

CMoney* pstTresLongSansSigneVersMonetaire(CMoney* pstValeur, unsigned long nValeur) {
    u128 nMagnitude = static_cast<u128>(nValeur) * kMillion;
    if (nMagnitude >= kLimite) return nullptr;
    _SetBits(pstValeur, nMagnitude);
    return pstValeur;
}

int lMonetaireVersInt32(const CMoney* pstValeur) {
    return static_cast<int>(_nArrondiEntier(pstValeur));
}

long lMonetaireVersTresLong(const CMoney* pstValeur) {
    return static_cast<long>(_nArrondiEntier(pstValeur));
}

unsigned long lMonetaireVersTresLongSansSigne(const CMoney* pstValeur) {
    return static_cast<unsigned long>(_nArrondiEntier(pstValeur));
}

int bMonetaireVersTresLong(const CMoney* pstValeur, long* pnValeur) {
    // |value| / 1,000,000 stays below 2^60.
    *pnValeur = static_cast<long>(_nSigne(pstValeur) / kMillion);
    return 1;
}

int bMonetaireVersInt32(const CMoney* pstValeur, int* pnValeur) {
    i128 n = _nSigne(pstValeur) / kMillion;
    *pnValeur = static_cast<int>(n);
    return n >= INT32_MIN && n <= INT32_MAX ? 1 : 0;
}

int bMonetaireVersTresLongSansSigne(const CMoney* pstValeur, unsigned long* pnValeur) {
    i128 n = _nArrondiEntier(pstValeur);
    *pnValeur = static_cast<unsigned long>(n);
    // The quotient of an 80-bit value by 1,000,000 always has a top word of 0 or 0xFFFF.
    uint16_t wHaut = static_cast<uint16_t>(static_cast<u128>(n) >> 64);
    return wHaut == 0 || wHaut == 0xFFFF ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Arithmetic
// ---------------------------------------------------------------------------------------------

CMoney* pstAddMonetaire(CMoney* pstA, const CMoney* pstB) {
    return _pstAdd(pstA, _nBits(pstB));
}

CMoney* pstSubMonetaire(CMoney* pstA, const CMoney* pstB) {
    u128 nB = _nBits(pstB);
    if (nB == kLimite) {
        // -2^79 has no negation in 80 bits; the wrapped sum a + 2^79 is right exactly when a < 0.
        bool bNegatif = _bNegatif(pstA);
        _SetBits(pstA, (_nBits(pstA) + kLimite) & kMasque80);
        return bNegatif ? pstA : nullptr;
    }
    return _pstAdd(pstA, (k80 - nB) & kMasque80);
}

CMoney* pstMulMonetaire(CMoney* pstA, const CMoney* pstB) {
    u128 nProduit;
    if (!_bMulDiv(_nMagnitude(pstA), _nMagnitude(pstB), kMillion, &nProduit)) return nullptr;
    _SetMagnitude(pstA, nProduit, _bNegatif(pstA) != _bNegatif(pstB));
    return pstA;
}

CMoney* pstDivMonetaire(CMoney* pstA, const CMoney* pstB) {
    u128 nDiviseur = _nMagnitude(pstB);
    if (nDiviseur == 0) return nullptr;
    // Below 2^80 x 10^6 < 2^100: the scaled numerator fits in 128 bits.
    u128 nNumerateur = _nMagnitude(pstA) * kMillion;
    u128 nQuotient = nNumerateur / nDiviseur;
    if (2 * (nNumerateur % nDiviseur) >= nDiviseur) nQuotient++;
    if (nQuotient >= kLimite) return nullptr;
    _SetMagnitude(pstA, nQuotient, _bNegatif(pstA) != _bNegatif(pstB));
    return pstA;
}

int bIncrementeMonetaire(CMoney* pstValeur) {
    return pstAddMonetaire(pstValeur, &gstMillion) != nullptr ? 1 : 0;
}

int bDecrementeMonetaire(CMoney* pstValeur) {
    return pstAddMonetaire(pstValeur, &gstMoinsMillion) != nullptr ? 1 : 0;
}

CMoney* pstAbsMonetaire(CMoney* pstValeur) {
    if (_bNegatif(pstValeur)) NegMonetaire(pstValeur);
    return pstValeur;
}

void NegMonetaire(CMoney* pstValeur) {
    _SetBits(pstValeur, (k80 - _nBits(pstValeur)) & kMasque80);
}

int nCmpMonetaire(const CMoney* pstA, const CMoney* pstB) {
    if (pstA == nullptr) return 1;
    if (pstB == nullptr) return -1;
    i128 a = _nSigne(pstA), b = _nSigne(pstB);
    return a < b ? -1 : (a > b ? 1 : 0);
}

int nCmpMonetaireEtInt32(const CMoney* pstA, int nValeur) {
    if (pstA == nullptr) return 1;
    i128 a = _nSigne(pstA), b = static_cast<i128>(nValeur) * kMillion;
    return a < b ? -1 : (a > b ? 1 : 0);
}

int bMonetaireZero(const CMoney* pstValeur) {
    return _nBits(pstValeur) == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Rounding
// ---------------------------------------------------------------------------------------------

CMoney* pstEntMonetaire(CMoney* pstValeur) {
    i128 n = _nSigne(pstValeur);
    i128 nEntier = n / kMillion;
    if (n % kMillion < 0) nEntier--;
    nEntier *= kMillion;
    if (nEntier <= -static_cast<i128>(kLimite)) return nullptr;
    _SetBits(pstValeur, static_cast<u128>(nEntier) & kMasque80);
    return pstValeur;
}

CMoney* pstDecMonetaire(CMoney* pstValeur) {
    _SetBits(pstValeur, _nMagnitude(pstValeur) % kMillion);
    return pstValeur;
}

CMoney* pstArrMonetaire(CMoney* pstValeur, int nDecimales) {
    if (nDecimales < 0 || nDecimales > 5) return pstValeur;
    bool bNegatif = _bNegatif(pstValeur);
    // Only the rounded value must fit: the half added on the way may pass the limit.
    u128 nMagnitude = _nMagnitude(pstValeur) + 5 * _nPuissance10(5 - nDecimales);
    nMagnitude -= nMagnitude % _nPuissance10(6 - nDecimales);
    if (nMagnitude >= kLimite) return nullptr;
    _SetMagnitude(pstValeur, nMagnitude, bNegatif);
    return pstValeur;
}

CMoney* pstArrMonetaireInf(CMoney* pstValeur, int nDecimales) {
    return _pstArrondiDirige(pstValeur, nDecimales, false);
}

CMoney* pstArrMonetaireSup(CMoney* pstValeur, int nDecimales) {
    return _pstArrondiDirige(pstValeur, nDecimales, true);
}

// ---------------------------------------------------------------------------------------------
// Keys and bounds
// ---------------------------------------------------------------------------------------------

void MonetaireVersCleYF(void* pKey, const CMoney* pstValeur) {
    unsigned char* pby = static_cast<unsigned char*>(pKey);
    u128 nBits = _nBits(pstValeur);
    for (int i = 0; i < 10; i++) pby[i] = static_cast<unsigned char>(nBits >> (8 * (9 - i)));
    pby[0] ^= 0x80;
}

void SetMonetaireToMin(CMoney* pstValeur) {
    _SetBits(pstValeur, kLimite);
}

void SetMonetaireToMax(CMoney* pstValeur) {
    _SetBits(pstValeur, kLimite - 1);
}
