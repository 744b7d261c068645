// CDureeBase: the duration's digit texts and their parsers (see variant/DureeBase.h).
#include "variant/DureeBase.h"

#include <cstdint>
#include <cstring>
#include <cwchar>

#include "core/STRUtil.h"
#include "core/VQBIN.h"
#include "core/XYString.h"
#include "core/platformwin/WinFormat.h"
#include "platform/ChampDate.h"

const wchar_t* const CDureeBase::ms_pcszFormatAffichageMillieme = L"%d%02d%02d%02d%03d";
const wchar_t* const CDureeBase::ms_cpszFormatAffichageCentieme = L"%d%02d%02d%02d%02d";

namespace {

constexpr uint64_t MILLI_PAR_JOUR = 86400000;
constexpr uint64_t MILLI_PAR_HEURE = 3600000;
constexpr uint64_t MILLI_PAR_MINUTE = 60000;

// The full-width plus and minus signs that input methods of East Asian locales type.
constexpr wchar_t PLUS_PLEINE_CHASSE = 0xFF0B;
constexpr wchar_t MOINS_PLEINE_CHASSE = 0xFF0D;

// The magnitude of a count, exact for the most negative one.
uint64_t nMagnitude(int64_t n) {
    return n < 0 ? 0 - uint64_t(n) : uint64_t(n);
}

// nDepuisChaine and nDepuisChaineCentieme: nChiffresFraction is 3 (milliseconds) or 2 (hundredths).
int nDepuisTexte(const wchar_t* psz, int nChiffresFraction, int64_t* pnDuree) {
    if (psz == nullptr) return DUREE_ERR_TEXTE_TROP_COURT;
    bool bNegatif = false;
    if (*psz == L'+' || *psz == PLUS_PLEINE_CHASSE) {
        ++psz;
    } else if (*psz == L'-' || *psz == MOINS_PLEINE_CHASSE) {
        bNegatif = true;
        ++psz;
    }
    const int nLongueur = XTIME_nLongueur(psz);
    // Days take at least one character before hours, minutes and seconds (2 each) and the fraction.
    const int nFinJours = nLongueur - nChiffresFraction - 6;
    if (nFinJours < 1) return DUREE_ERR_TEXTE_TROP_COURT;

    const long nFraction = XTIME_nLitChamp(psz, nLongueur - nChiffresFraction, nChiffresFraction);
    const long nSecondes = XTIME_nLitChamp(psz, nFinJours + 4, 2);
    const long nMinutes = XTIME_nLitChamp(psz, nFinJours + 2, 2);
    const long nHeures = XTIME_nLitChamp(psz, nFinJours, 2);
    const long nJours = XTIME_nLitChamp(psz, 0, nFinJours);
    // Unchecked parts may be anything: the sum wraps rather than overflow.
    uint64_t nTotal = uint64_t(nJours) * MILLI_PAR_JOUR + uint64_t(nHeures) * MILLI_PAR_HEURE +
                      uint64_t(nMinutes) * MILLI_PAR_MINUTE + uint64_t(nSecondes) * 1000 +
                      uint64_t(nFraction) * (nChiffresFraction == 2 ? 10 : 1);
    if (bNegatif) nTotal = 0 - nTotal;
    *pnDuree = int64_t(nTotal);
    return 0;
}

}  // namespace

int CDureeBase::nCompare(const CDureeBase& clA, const CDureeBase& clB) {
    if (clA.m_nDuree < clB.m_nDuree) return -1;
    return clA.m_nDuree > clB.m_nDuree ? 1 : 0;
}

int CDureeBase::__nVersChaine(wchar_t* pszBuffer, const wchar_t* pszFormat, int nSize) const {
    if (pszBuffer == nullptr) return -1;
    if (pszFormat == nullptr || nSize < 0) {
        *pszBuffer = 0;
        return -1;
    }
    const bool bCentieme = wcscmp(pszFormat, ms_cpszFormatAffichageCentieme) == 0;
    uint64_t nReste = nMagnitude(m_nDuree);
    // Rounding the whole count (not only its fraction) lets a fraction of 995 ms or more carry into
    // the seconds: the hundredths then always take two digits and the text reads back as written.
    // Next to the bounds of the count the step up would read back past them: it goes down instead.
    if (bCentieme) {
        const uint64_t nArrondi = (nReste + 5) / 10 * 10;
        nReste = nArrondi <= nMagnitude(m_nDuree < 0 ? INT64_MIN : INT64_MAX) ? nArrondi : nReste / 10 * 10;
    }
    const unsigned nFraction = unsigned(nReste % 1000);
    const uint64_t nJours = nReste / MILLI_PAR_JOUR;
    const int nHeures = int(nReste / MILLI_PAR_HEURE % 24);
    const int nMinutes = int(nReste / MILLI_PAR_MINUTE % 60);
    const int nSecondes = int(nReste / 1000 % 60);
    const int nFractionTexte = int(bCentieme ? nFraction / 10 : nFraction);

    int nSigne = 0;
    if (m_nDuree < 0) {
        if (nSize < 1) {
            *pszBuffer = 0;
            return -1;
        }
        *pszBuffer = L'-';
        nSigne = 1;
    }
    wchar_t* pszTexte = pszBuffer + nSigne;
    const size_t nPlace = size_t(nSize - nSigne) + 1;
    if (wcsncmp(pszFormat, L"%d", 2) != 0) {
        const int nTexte =
            snwprintfWin(pszTexte, nPlace, pszFormat, int(nJours), nHeures, nMinutes, nSecondes, nFractionTexte);
        return nTexte < 0 ? -1 : nTexte + nSigne;
    }
    // The days pass the range of int beyond 2^31 of them (the bounds of the count are 106,751,991,167
    // days): the formats' leading "%d" is written as a 64-bit number, then the rest of the format.
    const int nTexteJours = snwprintfWin(pszTexte, nPlace, L"%llu", static_cast<unsigned long long>(nJours));
    if (nTexteJours < 0) return -1;
    const int nTexte = snwprintfWin(pszTexte + nTexteJours, nPlace - size_t(nTexteJours), pszFormat + 2, nHeures,
                                    nMinutes, nSecondes, nFractionTexte);
    return nTexte < 0 ? -1 : nSigne + nTexteJours + nTexte;
}

wchar_t* CDureeBase::pszCreeChaine() const {
    wchar_t szTexte[TAILLE_CHAINE + 1];
    __nVersChaine(szTexte, ms_pcszFormatAffichageMillieme, TAILLE_CHAINE);
    return STR_pszCreate(szTexte);
}

int CDureeBase::nVersBinaire(CVQBIN* pclBinaire, unsigned int dwFlags) const {
    wchar_t szTexte[TAILLE_CHAINE + 1];
    __nVersChaine(szTexte, ms_pcszFormatAffichageMillieme, TAILLE_CHAINE);
    const int nLongueur = XTIME_nLongueur(szTexte);
    const int nResultat = pclBinaire->nSetSize(nLongueur, dwFlags);
    if (nResultat != 0) return nResultat;
    unsigned char* pby = pclBinaire->pbyGetBuffer();
    for (int i = 0; i < nLongueur; ++i) pby[i] = static_cast<unsigned char>(szTexte[i]);
    return 0;
}

int CDureeBase::nVersChaine(CXYString<wchar_t>* pclChaine) const {
    wchar_t szTexte[TAILLE_CHAINE + 1];
    __nVersChaine(szTexte, ms_pcszFormatAffichageMillieme, TAILLE_CHAINE);
    return pclChaine->nAffecteConversion(szTexte, XTIME_nLongueur(szTexte));
}

int CDureeBase::nVersChaineCentieme(CXYString<wchar_t>* pclChaine) const {
    wchar_t szTexte[TAILLE_CHAINE + 1];
    __nVersChaine(szTexte, ms_cpszFormatAffichageCentieme, TAILLE_CHAINE);
    return pclChaine->nAffecteConversion(szTexte, XTIME_nLongueur(szTexte));
}

int CDureeBase::nDepuisChaine(const wchar_t* psz) {
    return nDepuisTexte(psz, 3, &m_nDuree);
}

int CDureeBase::nDepuisChaineCentieme(const wchar_t* psz) {
    return nDepuisTexte(psz, 2, &m_nDuree);
}

int CDureeBase::nDepuisBinaire(const CVQBIN* pclBinaire, unsigned int) {
    const int nTaille = pclBinaire != nullptr ? pclBinaire->nGetTaille() : 0;
    if (nTaille <= 0) return DUREE_ERR_TEXTE_TROP_COURT;
    wchar_t szTexte[TAILLE_CHAINE + 1];
    const int nLongueur = nTaille < TAILLE_CHAINE ? nTaille : TAILLE_CHAINE;
    const unsigned char* pby = pclBinaire->pbyGet();
    for (int i = 0; i < nLongueur; ++i) szTexte[i] = wchar_t(pby[i]);
    szTexte[nLongueur] = 0;
    return nDepuisChaine(szTexte);
}
