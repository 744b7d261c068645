// CDateTimeBase: calendar, shifts, digit texts and parsers of the compact date-time (see
// variant/DateTimeBase.h for the calendar it keeps).
#include "variant/DateTimeBase.h"

#include <climits>
#include <cwchar>

#include "core/STRUtil.h"
#include "core/TString.h"
#include "core/VQBIN.h"
#include "core/XYString.h"
#include "core/platformwin/WinFormat.h"
#include "platform/ChampDate.h"

const unsigned char CDateTimeBase::ms_pbyNbJoursMois[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const unsigned char CDateTimeBase::ms_pbyNbJoursMoisBissextile[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
const unsigned short CDateTimeBase::ms_pwNbJoursAvantMois[12] = {0, 31, 59, 90, 120, 151, 181, 212, 243, 273, 304, 334};
const wchar_t* const CDateTimeBase::ms_pcszValeurInitDate = L"";
const wchar_t* const CDateTimeBase::ms_pcszValeurInitTime = L"0000";

namespace {

constexpr int ANNEE_MAX = 9999;
// The year the date word can hold; the calendar functions refuse any other.
constexpr int ANNEE_MAX_MOT = 0xFFFF;
// Day numbers are Julian days less this (1800-01-01 is Julian day 2,378,497).
constexpr int DECALAGE_JOUR_JULIEN = 2378496;
// The Gregorian reform: 1582-10-04 (Julian) was followed by 1582-10-15 (Gregorian).
constexpr int ANNEE_REFORME = 1582;
constexpr int MOIS_REFORME = 10;
constexpr int JOUR_REFORME = 15;
constexpr int PREMIER_JOUR_SAUTE = 5;
// Days of 1582 from January 1st to the reform (Jan 1 to Oct 4), and the labels the reform skipped.
constexpr int JOURS_AVANT_REFORME = 277;
constexpr int JOURS_SAUTES = 10;

uint32_t dwDateMot(int nAnnee, int nMois, int nJour) {
    return (uint32_t(nAnnee) & 0xFFFF) << 16 | (uint32_t(nMois) & 0xFF) << 8 | (uint32_t(nJour) & 0xFF);
}

bool bAvantReforme(int nJour, int nMois, int nAnnee) {
    if (nAnnee != ANNEE_REFORME) return nAnnee < ANNEE_REFORME;
    return nMois < MOIS_REFORME || (nMois == MOIS_REFORME && nJour < JOUR_REFORME);
}

// Julian Day Number by the Gregorian or the Julian rule (valid for years 0 and later).
int nJourJulienGregorien(int nJour, int nMois, int nAnnee) {
    const int a = (14 - nMois) / 12;
    const int y = nAnnee + 4800 - a;
    const int m = nMois + 12 * a - 3;
    return nJour + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}
int nJourJulienJulien(int nJour, int nMois, int nAnnee) {
    const int a = (14 - nMois) / 12;
    const int y = nAnnee + 4800 - a;
    const int m = nMois + 12 * a - 3;
    return nJour + (153 * m + 2) / 5 + 365 * y + y / 4 - 32083;
}

// Day number of January 1st of a year 0 to 65,535 (no check).
int nPremierJanvier(int nAnnee) {
    int n = 0;
    CDateTimeBase::__bDateVersEntier(1, 1, nAnnee, &n, false);
    return n;
}

const unsigned char* pbyJoursMois(int nAnnee) {
    return CDateTimeBase::__nBissextile(nAnnee) ? CDateTimeBase::ms_pbyNbJoursMoisBissextile
                                                : CDateTimeBase::ms_pbyNbJoursMois;
}

int nSigne(long long n) {
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

// The 17 digits AAAAMMJJHHMMSSmmm (not terminated).
template <class T>
void Chiffres(const CDateTimeBase& cl, T* psz) {
    CDateTimeBase::FAST_SETI2DATE(psz, cl.nGetAnnee(), 4);
    CDateTimeBase::FAST_SETI2DATE(psz + 4, cl.nGetMois(), 2);
    CDateTimeBase::FAST_SETI2DATE(psz + 6, cl.nGetJour(), 2);
    CDateTimeBase::FAST_SETI2DATE(psz + 8, cl.nGetHeure(), 2);
    CDateTimeBase::FAST_SETI2DATE(psz + 10, cl.nGetMinute(), 2);
    CDateTimeBase::FAST_SETI2DATE(psz + 12, cl.nGetSeconde(), 2);
    CDateTimeBase::FAST_SETI2DATE(psz + 14, cl.nGetMilliseconde(), 3);
}

// nCount characters of the 17 digits from nFrom (nCount cut to 0..nMax), terminated after them.
template <class T>
void CopieChiffres(const CDateTimeBase& cl, T* pszBuffer, int nFrom, int nCount, int nMax) {
    if (pszBuffer == nullptr) return;
    if (nCount < 0) nCount = 0;
    if (nCount > nMax) nCount = nMax;
    T szTexte[CDateTimeBase::TAILLE_CHAINE];
    Chiffres(cl, szTexte);
    for (int i = 0; i < nCount; ++i) pszBuffer[i] = szTexte[nFrom + i];
    pszBuffer[nCount] = 0;
}

// Milliseconds of the fraction at character 6 of a time text: up to three digits, a missing
// trailing digit counting as 0 (5 is 500 ms, 12 is 120 ms).
template <class T>
long nFractionTexte(const T* psz) {
    const int nLongueur = XTIME_nLongueur(psz);
    if (nLongueur <= 6) return 0;
    const int nChiffres = nLongueur - 6 < 3 ? nLongueur - 6 : 3;
    long nMilli = XTIME_nLitChamp(psz, 6, nChiffres);
    for (int i = nChiffres; i < 3; ++i) nMilli *= 10;
    return nMilli;
}

// Milliseconds of an unchecked time text HHMMSS[f[f[f]]].
template <class T>
uint32_t dwHeureTexte(const T* psz) {
    const long nHeure = XTIME_nLitChamp(psz, 0, 2);
    const long nMinute = XTIME_nLitChamp(psz, 2, 2);
    const long nSeconde = XTIME_nLitChamp(psz, 4, 2);
    const long nMilli = nFractionTexte(psz);
    // The fields are two or three characters wide: no overflow, but they may be negative, and the
    // unchecked sum then wraps as the word does.
    return uint32_t(nHeure * 3600000L + nMinute * 60000L + nSeconde * 1000L + nMilli);
}

bool bChiffre(int c) {
    return c >= '0' && c <= '9';
}

// The first 17 bytes at most of a binary string as an 8-bit text.
void TexteBinaire(const CVQBIN* pclBinaire, char* psz) {
    int n = pclBinaire != nullptr ? pclBinaire->nGetTaille() : 0;
    if (n > CDateTimeBase::TAILLE_CHAINE) n = CDateTimeBase::TAILLE_CHAINE;
    if (n < 0) n = 0;
    for (int i = 0; i < n; ++i) psz[i] = static_cast<char>(pclBinaire->pbyGet()[i]);
    psz[n] = 0;
}

template <class T>
int nGetPropTexte(const T* psz, int nStart, int nLength, int bPadding) {
    if (psz == nullptr || *psz == 0 || nStart < 0 || nLength <= 0) return 0;
    const int nTexte = XTIME_nLongueur(psz);
    if (nTexte - nStart >= nLength) {
        long n = XTIME_nLitChamp(psz, nStart, nLength);
        return n > INT_MAX ? INT_MAX : (n < INT_MIN ? INT_MIN : int(n));
    }
    if (nStart >= nTexte || !bPadding) return 0;
    long long n = XTIME_nLitChamp(psz, nStart, nTexte - nStart);
    for (int i = nTexte - nStart; i < nLength && n != 0; ++i) {
        n *= 10;
        if (n > INT_MAX) return INT_MAX;
        if (n < INT_MIN) return INT_MIN;
    }
    return int(n);
}

template <class T>
void SetPropTexte(T* pszBuffer, int nStart, int nLength, int nValue, int nTotal) {
    if (pszBuffer == nullptr || nTotal < 0) return;
    if (nStart >= 0 && nLength > 0) {
        if (nLength > nTotal - nStart) {
            for (int i = nStart; i < nTotal; ++i) pszBuffer[i] = '0';
        } else {
            unsigned nReste = nValue > 0 ? unsigned(nValue) : 0;
            for (int i = nStart + nLength - 1; i >= nStart; --i) {
                pszBuffer[i] = T('0' + nReste % 10);
                nReste /= 10;
            }
        }
    }
    pszBuffer[nTotal] = 0;
}

template <class T>
int nCompareTextes(const T* pszA, const T* pszB) {
    const int nA = XTIME_nLongueur(pszA);
    const int nB = XTIME_nLongueur(pszB);
    if (nA == 0 || nB == 0) return nSigne(nA - nB);
    const int n = nA < nB ? nA : nB;
    for (int i = 0; i < n; ++i)
        if (pszA[i] != pszB[i]) return pszA[i] < pszB[i] ? -1 : 1;
    return 0;
}

}  // namespace

// ----------------------------------------------------------------------------------------- calendar

int CDateTimeBase::__nBissextile(int nAnnee) {
    if (nAnnee % 4 != 0) return 0;
    if (nAnnee <= ANNEE_REFORME) return 1;
    return (nAnnee % 100 != 0 || nAnnee % 400 == 0) ? 1 : 0;
}

int CDateTimeBase::s_nGetNbJourMois(int nMois, int nAnnee) {
    if (nMois < 1 || nMois > 12) return 0;
    return pbyJoursMois(nAnnee)[nMois - 1];
}

bool CDateTimeBase::bDateValide() const {
    int n;
    return __bDateVersEntier(nGetJour(), nGetMois(), nGetAnnee(), &n, true);
}

bool CDateTimeBase::__bDateVersEntier(int nJour, int nMois, int nAnnee, int* pnEntier, bool bCheck) {
    if (bCheck && (nJour < 1 || nJour > 31 || nAnnee < 1 || nAnnee > ANNEE_MAX || nMois < 1 || nMois > 12))
        return false;
    if (nMois < 1 || nMois > 12 || nAnnee < 0 || nAnnee > ANNEE_MAX_MOT) return false;
    const int nBissextile = __nBissextile(nAnnee);
    if (nJour < 1 || nJour > s_nGetNbJourMois(nMois, nAnnee)) return false;
    int nEntier;
    if (nAnnee == ANNEE_REFORME && nMois == MOIS_REFORME && nJour >= PREMIER_JOUR_SAUTE && nJour < JOUR_REFORME)
        nJour = JOUR_REFORME;  // labels the reform skipped: the day that followed it
    if (bAvantReforme(nJour, nMois, nAnnee)) {
        nEntier = nJourJulienJulien(nJour, nMois, nAnnee) - DECALAGE_JOUR_JULIEN;
    } else {
        const int y = nAnnee - 1;
        nEntier = 365 * y + y / 4 - y / 100 + y / 400 + ms_pwNbJoursAvantMois[nMois - 1] +
                  (nMois > 2 ? nBissextile : 0) + nJour - DECALAGE_ENTIER;
    }
    if (pnEntier != nullptr) *pnEntier = nEntier;
    return true;
}

int CDateTimeBase::s_nDateVersEntier(int nJour, int nMois, int nAnnee) {
    int n = 0;
    return __bDateVersEntier(nJour, nMois, nAnnee, &n, true) ? n : 0;
}

bool CDateTimeBase::__bEntierVersDate(int nEntier, int* pnJour, int* pnMois, int* pnAnnee) {
    if (nEntier > ENTIER_MAX || nEntier < nPremierJanvier(0)) return false;
    // The estimate is close from above for the Gregorian years and may fall a year short in the
    // Julian ones: step up first, then down.
    int nAnnee = (nEntier + DECALAGE_ENTIER) / 365;
    if (nAnnee < 0) nAnnee = 0;
    while (nAnnee < ANNEE_MAX_MOT && nPremierJanvier(nAnnee + 1) <= nEntier) ++nAnnee;
    while (nAnnee > 0 && nPremierJanvier(nAnnee) > nEntier) --nAnnee;
    int nJourAnnee = nEntier - nPremierJanvier(nAnnee);
    if (nAnnee == ANNEE_REFORME && nJourAnnee >= JOURS_AVANT_REFORME) nJourAnnee += JOURS_SAUTES;
    const unsigned char* pbyJours = pbyJoursMois(nAnnee);
    int nMois = 1;
    while (nMois < 12 && nJourAnnee >= pbyJours[nMois - 1]) nJourAnnee -= pbyJours[nMois++ - 1];
    if (pnJour != nullptr) *pnJour = nJourAnnee + 1;
    if (pnMois != nullptr) *pnMois = nMois;
    if (pnAnnee != nullptr) *pnAnnee = nAnnee;
    return true;
}

int CDateTimeBase::__nRectifieFinMois(int nJour, int nMois, int nAnnee) {
    if (nJour == 0 || nMois < 1 || nMois > 12 || nAnnee == 0) return nJour;
    const int nFin = s_nGetNbJourMois(nMois, nAnnee);
    return nJour > nFin ? nFin : nJour;
}

// ---------------------------------------------------------------------------------------- comparison

int CDateTimeBase::nCompare(const CDateTimeBase& clA, const CDateTimeBase& clB) {
    if (clA.m_dwDate != clB.m_dwDate) return clA.m_dwDate < clB.m_dwDate ? -1 : 1;
    if (clA.m_dwTime != clB.m_dwTime) return clA.m_dwTime < clB.m_dwTime ? -1 : 1;
    return 0;
}

int CDateTimeBase::s_nCompareDateSeule(const CDateTimeBase& clA, const CDateTimeBase& clB) {
    if (clA.m_dwDate != clB.m_dwDate) return clA.m_dwDate < clB.m_dwDate ? -1 : 1;
    return 0;
}

int CDateTimeBase::nCompareDate(const wchar_t* pszA, const wchar_t* pszB) {
    return nCompareTextes(pszA, pszB);
}

int CDateTimeBase::nCompareHeure(const wchar_t* pszA, const wchar_t* pszB) {
    return nCompareTextes(pszA, pszB);
}

int CDateTimeBase::nCompare(const wchar_t* psz) const {
    wchar_t szTexte[TAILLE_CHAINE + 1];
    snwprintfWin(szTexte, TAILLE_CHAINE + 1, L"%04d%02d%02d%02d%02d%02d%03d", nGetAnnee(), nGetMois(), nGetJour(),
                 nGetHeure(), nGetMinute(), nGetSeconde(), nGetMilliseconde());
    return nCompareDate(szTexte, psz);
}

// ------------------------------------------------------------------------------------------- setting

bool CDateTimeBase::InitDate(const SYSTEMTIME* pst) {
    if (pst == nullptr) return false;
    bModifieAnnee(pst->wYear);
    bModifieMois(pst->wMonth);
    bModifieJour(pst->wDay);
    bModifieHeure(pst->wHour);
    bModifieMinute(pst->wMinute);
    bModifieSeconde(pst->wSecond);
    if (pst->wMilliseconds > 999) return false;
    m_dwTime = m_dwTime - m_dwTime % 1000 + pst->wMilliseconds;
    return true;
}

bool CDateTimeBase::InitDateCourante() {
    SYSTEMTIME st;
    GetLocalTime(&st);
    return InitDate(&st);
}

bool CDateTimeBase::InitDateCouranteUTC() {
    SYSTEMTIME st;
    GetSystemTime(&st);
    return InitDate(&st);
}

void CDateTimeBase::Set(int nAnnee, int nMois, int nJour, int nHeure, int nMinute, int nSeconde, int nMilliseconde) {
    m_dwDate = dwDateMot(nAnnee, nMois, nJour);
    m_dwTime = uint32_t(nHeure) * MILLI_PAR_HEURE + uint32_t(nMinute) * MILLI_PAR_MINUTE + uint32_t(nSeconde) * 1000 +
               uint32_t(nMilliseconde);
}

bool CDateTimeBase::bModifieHeure(int nHeure) {
    if (unsigned(nHeure) > 23) return false;
    m_dwTime = uint32_t(nHeure) * MILLI_PAR_HEURE + m_dwTime % MILLI_PAR_HEURE;
    return true;
}

bool CDateTimeBase::bModifieMinute(int nMinute) {
    if (unsigned(nMinute) > 59) return false;
    const uint32_t nMinuteActuelle = m_dwTime % MILLI_PAR_HEURE / MILLI_PAR_MINUTE;
    m_dwTime = m_dwTime - nMinuteActuelle * MILLI_PAR_MINUTE + uint32_t(nMinute) * MILLI_PAR_MINUTE;
    return true;
}

bool CDateTimeBase::bModifieSeconde(int nSeconde) {
    if (unsigned(nSeconde) > 59) return false;
    const uint32_t nSecondeActuelle = m_dwTime % MILLI_PAR_MINUTE / 1000;
    m_dwTime = m_dwTime - nSecondeActuelle * 1000 + uint32_t(nSeconde) * 1000;
    return true;
}

bool CDateTimeBase::bModifieJour(int nJour) {
    if (nJour < 1 || nJour > 31) return false;
    m_dwDate = dwDateMot(nGetAnnee(), nGetMois(), __nRectifieFinMois(nJour, nGetMois(), nGetAnnee()));
    return true;
}

bool CDateTimeBase::bModifieMois(int nMois) {
    if (nMois < 1 || nMois > 12) return false;
    m_dwDate = dwDateMot(nGetAnnee(), nMois, __nRectifieFinMois(nGetJour(), nMois, nGetAnnee()));
    return true;
}

bool CDateTimeBase::bModifieAnnee(int nAnnee) {
    if (nAnnee < 1 || nAnnee > ANNEE_MAX) return false;
    m_dwDate = dwDateMot(nAnnee, nGetMois(), __nRectifieFinMois(nGetJour(), nGetMois(), nAnnee));
    return true;
}

// ---------------------------------------------------------------------------------------- arithmetic

bool CDateTimeBase::bDecaleJour(int n) {
    if (m_dwDate == 0) return true;
    int nEntier;
    if (!__bDateVersEntier(nGetJour(), nGetMois(), nGetAnnee(), &nEntier, true)) return false;
    const long long nNouveau = (long long)nEntier + n;
    if (nNouveau > ENTIER_MAX || nNouveau < INT_MIN) return false;
    int nJour, nMois, nAnnee;
    if (!__bEntierVersDate(int(nNouveau), &nJour, &nMois, &nAnnee)) return false;
    // Years 0 and 10000 have day numbers but no valid date: refused like any other date out of range.
    if (nAnnee < 1 || nAnnee > ANNEE_MAX) return false;
    m_dwDate = dwDateMot(nAnnee, nMois, nJour);
    return true;
}

bool CDateTimeBase::bDecaleMilli(int64_t n) {
    long long nJours = n / MILLI_PAR_JOUR;
    long long nReste = n % MILLI_PAR_JOUR + (long long)m_dwTime;
    // One step for any valid time word; a corrupt one (a day or more) carries whole days too.
    long long nRetenue = nReste / MILLI_PAR_JOUR;
    nReste -= nRetenue * MILLI_PAR_JOUR;
    if (nReste < 0) {
        nReste += MILLI_PAR_JOUR;
        --nRetenue;
    }
    nJours += nRetenue;
    const uint32_t dwTimeAvant = m_dwTime;
    m_dwTime = uint32_t(nReste);
    if (nJours == 0) return true;
    if (nJours > INT_MAX || nJours < INT_MIN || !bDecaleJour(int(nJours))) {
        m_dwTime = dwTimeAvant;
        return false;
    }
    return true;
}

bool CDateTimeBase::bDecaleMois(int n) {
    const int nMois = nGetMois();
    if (nMois < 1 || nMois > 12) return false;
    int nNouveauMois = nMois + n % 12;
    int nAnnees = n / 12;
    if (nNouveauMois < 1) {
        nNouveauMois += 12;
        --nAnnees;
    } else if (nNouveauMois > 12) {
        nNouveauMois -= 12;
        ++nAnnees;
    }
    const uint32_t dwDateAvant = m_dwDate;
    m_dwDate = dwDateMot(nGetAnnee(), nNouveauMois, nGetJour());
    if (!bDecaleAnnee(nAnnees)) {
        m_dwDate = dwDateAvant;
        return false;
    }
    return true;
}

bool CDateTimeBase::bDecaleAnnee(int n) {
    const int nAnnee = nGetAnnee();
    if (nAnnee < 1 || nAnnee > ANNEE_MAX) return false;
    // A year out of 1..9999 would not be a date (and past 16 bits would spill into nothing).
    const long long nNouvelle = (long long)nAnnee + n;
    if (nNouvelle < 1 || nNouvelle > ANNEE_MAX) return false;
    m_dwDate = dwDateMot(int(nNouvelle), nGetMois(), __nRectifieFinMois(nGetJour(), nGetMois(), int(nNouvelle)));
    return true;
}

int CDateTimeBase::nCalculeDuree(const CDateTimeBase& clA, const CDateTimeBase& clB, CDureeBase* pclDuree) {
    int nA, nB;
    if (!__bDateVersEntier(clA.nGetJour(), clA.nGetMois(), clA.nGetAnnee(), &nA, true) ||
        !__bDateVersEntier(clB.nGetJour(), clB.nGetMois(), clB.nGetAnnee(), &nB, true))
        return DATETIME_ERR_DATE_INVALIDE;
    pclDuree->m_nDuree = (int64_t(nA) - nB) * int64_t(MILLI_PAR_JOUR) + int64_t(clA.m_dwTime) - int64_t(clB.m_dwTime);
    return DATETIME_OK;
}

bool CDateTimeBase::bCalculeDiffJour(const CDateTimeBase& clA, const CDateTimeBase& clB, int* pn) {
    int nA = 0, nB = 0;
    const bool bA = __bDateVersEntier(clA.nGetJour(), clA.nGetMois(), clA.nGetAnnee(), &nA, true);
    const bool bB = __bDateVersEntier(clB.nGetJour(), clB.nGetMois(), clB.nGetAnnee(), &nB, true);
    if (!bA) nA = 0;
    if (!bB) nB = 0;
    *pn = nA - nB;
    return bA && bB;
}

int CDateTimeBase::nVersEntier(int* pn) const {
    int n;
    if (!__bDateVersEntier(nGetJour(), nGetMois(), nGetAnnee(), &n, true)) return DATETIME_ERR_DATE_INVALIDE;
    *pn = n;
    return DATETIME_OK;
}

// ---------------------------------------------------------------------------------- calendar queries

int CDateTimeBase::nGetJourDeLaSemaine() const {
    int n;
    if (nVersEntier(&n) != DATETIME_OK) return -1;
    return ((n + DECALAGE_ENTIER) % 7 + 7) % 7;
}

int CDateTimeBase::nGetJourDansAnnee() const {
    const int nMois = nGetMois();
    if (nMois < 1 || nMois > 12) return 0;
    return ms_pwNbJoursAvantMois[nMois - 1] + (nMois > 2 ? __nBissextile(nGetAnnee()) : 0) + nGetJour();
}

void CDateTimeBase::VersISO8601YWD(int& nAnnee, int& nSemaine, int& nJourSemaine) const {
    int n;
    if (nVersEntier(&n) != DATETIME_OK) {
        nAnnee = nSemaine = nJourSemaine = 0;
        return;
    }
    nJourSemaine = (nGetJourDeLaSemaine() + 6) % 7 + 1;
    const int nJeudi = n + 4 - nJourSemaine;
    int nJour, nMois;
    if (!__bEntierVersDate(nJeudi, &nJour, &nMois, &nAnnee)) {
        // Only past 10000-01-01: a Thursday of the first days of January 10000.
        nAnnee = ANNEE_MAX + 1;
        nSemaine = 1;
        return;
    }
    // Counted in days from January 1st, so the short year of the reform has its real weeks.
    nSemaine = (nJeudi - nPremierJanvier(nAnnee)) / 7 + 1;
}

int CDateTimeBase::nVersJourJulien() const {
    int nJour = nGetJour();
    const int nMois = nGetMois();
    const int nAnnee = nGetAnnee();
    if (nAnnee == ANNEE_REFORME && nMois == MOIS_REFORME && nJour >= PREMIER_JOUR_SAUTE && nJour < JOUR_REFORME)
        nJour = JOUR_REFORME;
    return bAvantReforme(nJour, nMois, nAnnee) ? nJourJulienJulien(nJour, nMois, nAnnee)
                                               : nJourJulienGregorien(nJour, nMois, nAnnee);
}

// ---------------------------------------------------------------------------------------- text forms

void CDateTimeBase::VersChaine(char* pszBuffer, int nSize) const {
    CopieChiffres(*this, pszBuffer, 0, nSize, TAILLE_CHAINE);
}

void CDateTimeBase::VersChaine(wchar_t* pszBuffer, int nSize) const {
    CopieChiffres(*this, pszBuffer, 0, nSize, TAILLE_CHAINE);
}

wchar_t* CDateTimeBase::pszCreeChaine() const {
    wchar_t szTexte[TAILLE_CHAINE + 1];
    VersChaine(szTexte, TAILLE_CHAINE);
    return STR_pszCreate(szTexte);
}

void CDateTimeBase::VersChaine(CTString* pclChaine) const {
    wchar_t szTexte[TAILLE_CHAINE + 1];
    VersChaine(szTexte, TAILLE_CHAINE);
    pclChaine->Set(szTexte);
}

CTString CDateTimeBase::VersChaine() const {
    CTString cl;
    VersChaine(&cl);
    return cl;
}

int CDateTimeBase::nVersBinaire(CVQBIN* pclBinaire, unsigned int dwFlags) const {
    const int nResultat = pclBinaire->nSetSize(TAILLE_CHAINE, dwFlags);
    if (nResultat != 0) return nResultat;
    Chiffres(*this, reinterpret_cast<char*>(pclBinaire->pbyGetBuffer()));
    return 0;
}

int CDateTimeBase::nVersChaine(CXYString<wchar_t>* pclChaine) const {
    wchar_t szTexte[TAILLE_CHAINE + 1];
    VersChaine(szTexte, TAILLE_CHAINE);
    return pclChaine->nAffecteConversion(szTexte, TAILLE_CHAINE);
}

CTString CDateTimeBase::VersChaineFormate() const {
    CTString cl;
    cl.printf(L"%d-%d-%d %d:%d:%d,%d", nGetAnnee(), nGetMois(), nGetJour(), nGetHeure(), nGetMinute(), nGetSeconde(),
              nGetMilliseconde());
    return cl;
}

int CDateTimeBase::nVersDate(char* pszBuffer, int n) const {
    CopieChiffres(*this, pszBuffer, 0, n, TAILLE_DATE);
    return DATETIME_OK;
}

int CDateTimeBase::nVersDate(wchar_t* pszBuffer, int n) const {
    CopieChiffres(*this, pszBuffer, 0, n, TAILLE_DATE);
    return DATETIME_OK;
}

int CDateTimeBase::nVersHeure(char* pszBuffer, int n) const {
    CopieChiffres(*this, pszBuffer, TAILLE_DATE, n, TAILLE_HEURE);
    return DATETIME_OK;
}

int CDateTimeBase::nVersHeure(wchar_t* pszBuffer, int n) const {
    CopieChiffres(*this, pszBuffer, TAILLE_DATE, n, TAILLE_HEURE);
    return DATETIME_OK;
}

int CDateTimeBase::nVersSysteme(SYSTEMTIME* pst) const {
    pst->wYear = uint16_t(nGetAnnee());
    pst->wMonth = uint16_t(nGetMois());
    pst->wDay = uint16_t(nGetJour());
    pst->wHour = uint16_t(nGetHeure());
    pst->wMinute = uint16_t(nGetMinute());
    pst->wSecond = uint16_t(nGetSeconde());
    pst->wMilliseconds = uint16_t(nGetMilliseconde());
    return DATETIME_OK;
}

int CDateTimeBase::nDateVersSysteme(const wchar_t* psz, SYSTEMTIME* pst) {
    pst->wYear = uint16_t(XTIME_nLitChamp(psz, 0, 4));
    pst->wMonth = uint16_t(XTIME_nLitChamp(psz, 4, 2));
    pst->wDay = uint16_t(XTIME_nLitChamp(psz, 6, 2));
    pst->wHour = pst->wMinute = pst->wSecond = pst->wMilliseconds = 0;
    return DATETIME_OK;
}

int CDateTimeBase::nHeureVersSysteme(const wchar_t* psz, SYSTEMTIME* pst) {
    pst->wYear = pst->wMonth = pst->wDay = 0;
    pst->wHour = uint16_t(XTIME_nLitChamp(psz, 0, 2));
    pst->wMinute = uint16_t(XTIME_nLitChamp(psz, 2, 2));
    pst->wSecond = uint16_t(XTIME_nLitChamp(psz, 4, 2));
    pst->wMilliseconds = uint16_t(nFractionTexte(psz));
    return DATETIME_OK;
}

// ------------------------------------------------------------------------------------------- parsers

template <class T>
void CDateTimeBase::FromString(const T* psz) {
    m_dwTime = 0;
    m_dwDate =
        dwDateMot(int(XTIME_nLitChamp(psz, 0, 4)), int(XTIME_nLitChamp(psz, 4, 2)), int(XTIME_nLitChamp(psz, 6, 2)));
    if (XTIME_nLongueur(psz) > TAILLE_DATE) __SetPartieHeure(psz + TAILLE_DATE);
}

template <class T>
void CDateTimeBase::__SetPartieHeure(const T* psz) {
    m_dwTime = dwHeureTexte(psz);
}

void CDateTimeBase::DepuisBinaire(const CVQBIN* pclBinaire, unsigned int) {
    char szTexte[TAILLE_CHAINE + 1];
    TexteBinaire(pclBinaire, szTexte);
    FromString(szTexte);
}

int CDateTimeBase::nDepuisBinaireValide(const CVQBIN* pclBinaire, unsigned int) {
    char szTexte[TAILLE_CHAINE + 1];
    TexteBinaire(pclBinaire, szTexte);
    m_dwTime = 0;
    if (!__bSetPartieDateValide(szTexte)) return DATETIME_ERR_DATE_INVALIDE;
    if (XTIME_nLongueur(szTexte) <= TAILLE_DATE) return DATETIME_OK;
    if (!__bSetPartieHeureValide(szTexte + TAILLE_DATE)) return DATETIME_ERR_HEURE_INVALIDE;
    return DATETIME_OK;
}

template <class T>
bool CDateTimeBase::__bSetPartieDateValide(const T* psz) {
    if (psz == nullptr) return false;
    for (int i = 0; i < TAILLE_DATE; ++i)
        if (!bChiffre(psz[i])) return false;  // the terminator is no digit: a short text stops here
    const int nAnnee = int(XTIME_nLitChamp(psz, 0, 4));
    const int nMois = int(XTIME_nLitChamp(psz, 4, 2));
    const int nJour = int(XTIME_nLitChamp(psz, 6, 2));
    if (nAnnee > ANNEE_MAX || nMois < 1 || nMois > 12 || nJour < 1 || nJour > s_nGetNbJourMois(nMois, nAnnee))
        return false;
    m_dwDate = dwDateMot(nAnnee, nMois, nJour);
    return true;
}

template <class T>
bool CDateTimeBase::__bSetPartieHeureValide(const T* psz) {
    const int nLongueur = XTIME_nLongueur(psz);
    if (nLongueur == 0) {
        m_dwTime = 0;
        return true;
    }
    if (nLongueur == 1 || nLongueur == 3 || nLongueur == 5) return false;
    if (!bChiffre(psz[0])) return false;
    int nEffective = nLongueur < TAILLE_HEURE ? nLongueur : TAILLE_HEURE;
    for (int i = 0; i < nEffective; ++i) {
        if (!bChiffre(psz[i])) {
            if (i < 6) return false;  // hours, minutes and seconds come whole
            nEffective = i;
            break;
        }
    }
    const long nHeure = XTIME_nLitChamp(psz, 0, 2);
    const long nMinute = XTIME_nLitChamp(psz, 2, 2);
    const long nSeconde = XTIME_nLitChamp(psz, 4, 2);
    long nMilli = 0;
    if (nEffective == 9)
        nMilli = XTIME_nLitChamp(psz, 6, 3);
    else if (nEffective == 8)
        nMilli = XTIME_nLitChamp(psz, 6, 2) * 10;
    else if (nEffective == 7)
        nMilli = XTIME_nLitChamp(psz, 6, 1) * 100;
    if (nHeure > 23 || nMinute > 59 || nSeconde > 59 || nMilli > 999) return false;
    m_dwTime = uint32_t(nHeure * MILLI_PAR_HEURE + nMinute * MILLI_PAR_MINUTE + nSeconde * 1000 + nMilli);
    return true;
}

// ------------------------------------------------------------------------------------- digit fields

int CDateTimeBase::nGetPropDateTime(const char* psz, int nStart, int nLength, int bPadding) {
    return nGetPropTexte(psz, nStart, nLength, bPadding);
}

int CDateTimeBase::nGetPropDateTime(const wchar_t* psz, int nStart, int nLength, int bPadding) {
    return nGetPropTexte(psz, nStart, nLength, bPadding);
}

void CDateTimeBase::SetPropDateTime(char* pszBuffer, int nStart, int nLength, int nValue, int nTotal) {
    SetPropTexte(pszBuffer, nStart, nLength, nValue, nTotal);
}

void CDateTimeBase::SetPropDateTime(wchar_t* pszBuffer, int nStart, int nLength, int nValue, int nTotal) {
    SetPropTexte(pszBuffer, nStart, nLength, nValue, nTotal);
}

template <class T>
void CDateTimeBase::FAST_SETI2DATE(T* pszBuffer, int nValue, int nWidth) {
    switch (nWidth) {
        case 4:
            pszBuffer[0] = T('0' + nValue / 1000);
            pszBuffer[1] = T('0' + nValue / 100 % 10);
            pszBuffer[2] = T('0' + nValue / 10 % 10);
            pszBuffer[3] = T('0' + nValue % 10);
            break;
        case 3:
            pszBuffer[0] = T('0' + nValue / 100);
            pszBuffer[1] = T('0' + nValue / 10 % 10);
            pszBuffer[2] = T('0' + nValue % 10);
            break;
        case 2:
            pszBuffer[0] = T('0' + nValue / 10);
            pszBuffer[1] = T('0' + nValue % 10);
            break;
        default:
            pszBuffer[0] = T('0' + nValue);
            break;
    }
}

template void CDateTimeBase::FromString<char>(const char*);
template void CDateTimeBase::FromString<wchar_t>(const wchar_t*);
template void CDateTimeBase::__SetPartieHeure<char>(const char*);
template void CDateTimeBase::__SetPartieHeure<wchar_t>(const wchar_t*);
template bool CDateTimeBase::__bSetPartieDateValide<char>(const char*);
template bool CDateTimeBase::__bSetPartieDateValide<wchar_t>(const wchar_t*);
template bool CDateTimeBase::__bSetPartieHeureValide<char>(const char*);
template bool CDateTimeBase::__bSetPartieHeureValide<wchar_t>(const wchar_t*);
template void CDateTimeBase::FAST_SETI2DATE<char>(char*, int, int);
template void CDateTimeBase::FAST_SETI2DATE<wchar_t>(wchar_t*, int, int);
