// CXTime: conversions, digit-text parsers, search bounds and literals of the platform's broken-down
// date-time (see platform/XTime.h). The two conversions with the variant's CDateTime live in
// variant/XTimeDateTime.cpp.
#include "platform/XTime.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "core/TString.h"
#include "core/platformwin/WinFormat.h"
#include "platform/ChampDate.h"

namespace {

// Room of the wcsftime forms.
constexpr size_t TAILLE_FORMAT = 256;
// Longest digit texts of the partial bounds: AAAAMMJJHHMMSSmmm and HHMMSSmmm.
constexpr int TAILLE_DATE_HEURE = 17;
constexpr int TAILLE_HEURE = 9;

// nCount characters from nStart, the ones the text lacks taken as '0' on the right ("2" read on 4
// characters is 2000), read as wcstol reads them.
long nLitCompleteZero(const wchar_t* psz, int nLongueur, int nStart, int nCount) {
    wchar_t sz[8];
    for (int i = 0; i < nCount; ++i) sz[i] = nStart + i < nLongueur ? psz[nStart + i] : L'0';
    sz[nCount] = 0;
    return XTIME_nLitChamp(sz, 0, nCount);
}

int nChiffre(wchar_t c) {
    return int(c) - '0';
}

}  // namespace

// ------------------------------------------------------------------------ construction and assignment

CXTime::CXTime() {
    SetTo0();
}

CXTime::CXTime(const CXTime& cl) : m_stTm(cl.m_stTm), m_nMilliseconds(cl.m_nMilliseconds) {}

CXTime& CXTime::operator=(const CXTime& cl) {
    SetTime(cl);
    return *this;
}

CXTime::CXTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond, int nIsDst) {
    SetTime(nYear, nMonth, nDay, nHour, nMinute, nSecond, nIsDst);
}

CXTime::CXTime(const SYSTEMTIME& st, int nIsDst) {
    SetTime(st, nIsDst);
}

CXTime::CXTime(unsigned short wDate, unsigned short wTime, int nIsDst) {
    SetTime(wDate, wTime, nIsDst);
}

CXTime::CXTime(time_t t) {
    SetTime(t);
}

CXTime::CXTime(const FILETIME& ft, int nIsDst) {
    SetTime(ft, nIsDst);
}

CXTime& CXTime::operator=(time_t t) {
    SetTime(t);
    return *this;
}

CXTime::~CXTime() = default;

void CXTime::SetTime(const CXTime& cl) {
    m_stTm = cl.m_stTm;
    m_nMilliseconds = cl.m_nMilliseconds;
}

void CXTime::SetTime(int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond, int nIsDst) {
    SetTo0();
    m_stTm.tm_year = nYear - 1900;
    m_stTm.tm_mon = nMonth > 0 ? nMonth - 1 : 0;
    m_stTm.tm_mday = nDay > 0 ? nDay : 1;
    m_stTm.tm_hour = nHour;
    m_stTm.tm_min = nMinute;
    m_stTm.tm_sec = nSecond;
    m_stTm.tm_isdst = nIsDst;
}

void CXTime::SetTime(const SYSTEMTIME& st, int nIsDst) {
    SetTo0();
    m_stTm.tm_sec = st.wSecond;
    m_stTm.tm_min = st.wMinute;
    m_stTm.tm_hour = st.wHour;
    m_stTm.tm_mday = st.wDay;
    m_stTm.tm_wday = st.wDayOfWeek;
    m_stTm.tm_mon = st.wMonth - 1;
    m_stTm.tm_year = st.wYear - 1900;
    m_stTm.tm_isdst = nIsDst;
    m_nMilliseconds = st.wMilliseconds;
}

void CXTime::SetTime(unsigned short wDate, unsigned short wTime, int nIsDst) {
    SetTo0();
    m_stTm.tm_sec = (wTime & 0x1F) * 2;
    m_stTm.tm_min = (wTime >> 5) & 0x3F;
    m_stTm.tm_hour = wTime >> 11;
    m_stTm.tm_mday = wDate & 0x1F;
    m_stTm.tm_mon = ((wDate >> 5) & 0x0F) - 1;
    m_stTm.tm_year = (wDate >> 9) + 80;
    m_stTm.tm_isdst = nIsDst;
}

void CXTime::SetTime(const struct tm& stTm) {
    m_stTm = stTm;
    m_nMilliseconds = 0;
}

void CXTime::SetTime(time_t t) {
    struct tm stTm;
    if (t == time_t(-1) || localtime_r(&t, &stTm) == nullptr) {
        SetTo0();
        return;
    }
    SetTime(stTm);
}

void CXTime::SetUTCTime(time_t t) {
    struct tm stTm;
    if (t == time_t(-1) || gmtime_r(&t, &stTm) == nullptr) {
        SetTo0();
        return;
    }
    SetTime(stTm);
}

void CXTime::SetTime(const FILETIME& ft, int nIsDst) {
    FILETIME ftLocal;
    SYSTEMTIME st;
    if (!FileTimeToLocalFileTime(&ft, &ftLocal) || !FileTimeToSystemTime(&ftLocal, &st)) {
        SetTo0();
        return;
    }
    SetTime(st, nIsDst);
}

void CXTime::SetFromLocalTime() {
    SYSTEMTIME st;
    ::GetLocalTime(&st);
    SetTime(st, -1);
}

void CXTime::SetFromUTCTime() {
    SYSTEMTIME st;
    ::GetSystemTime(&st);
    SetTime(st, -1);
}

void CXTime::SetTo0() {
    memset(&m_stTm, 0, sizeof(m_stTm));
    m_stTm.tm_mday = 1;
    m_stTm.tm_year = -1900;
    m_stTm.tm_wday = -1;
    m_stTm.tm_yday = -1;
    m_stTm.tm_isdst = -1;
    m_nMilliseconds = 0;
}

// ---------------------------------------------------------------------------------- conversions out

bool CXTime::bGetAsSystemTime(SYSTEMTIME& st) const {
    GetAsSystemTime(st, m_stTm);
    st.wMilliseconds = uint16_t(m_nMilliseconds);
    return true;
}

void CXTime::GetAsSystemTime(SYSTEMTIME& st, const struct tm& stTm) {
    st.wYear = uint16_t(stTm.tm_year + 1900);
    st.wMonth = uint16_t(stTm.tm_mon + 1);
    st.wDayOfWeek = uint16_t(stTm.tm_wday);
    st.wDay = uint16_t(stTm.tm_mday);
    st.wHour = uint16_t(stTm.tm_hour);
    st.wMinute = uint16_t(stTm.tm_min);
    st.wSecond = uint16_t(stTm.tm_sec);
    st.wMilliseconds = 0;
}

bool CXTime::bGetAsFileTime(FILETIME& ft) const {
    SYSTEMTIME stLocal, stUTC;
    bGetAsSystemTime(stLocal);
    if (!bLocalVersUTC(&stLocal, &stUTC)) return false;
    // A UTC time the file-time conversion refuses is a failure too, not an unwritten success.
    return SystemTimeToFileTime(&stUTC, &ft) != 0;
}

time_t CXTime::nGetTime32_t() {
    return mktime(&m_stTm);
}

time_t CXTime::s_nGetTime_t(struct tm& stTm) {
    return mktime(&stTm);
}

// The fields are UTC: timegm reads them as such at any date. (Adding today's offset to mktime's
// reading would be an hour off for dates on the other side of a daylight-saving change.)
time_t CXTime::nGetTime32_t_UTC() {
    return timegm(&m_stTm);
}

time_t CXTime::s_nGetTime_t_UTC(struct tm& stTm) {
    return timegm(&stTm);
}

time_t CXTime::__s_nGetOffsetMkTime() {
    const time_t tMaintenant = time(nullptr);
    struct tm stUTC;
    gmtime_r(&tMaintenant, &stUTC);
    return tMaintenant - mktime(&stUTC);
}

void CXTime::Local2UTC(const struct tm& stLocal, struct tm& stUTC) {
    struct tm stCopie = stLocal;
    const time_t t = mktime(&stCopie);
    gmtime_r(&t, &stUTC);
}

void CXTime::UTC2Local(const struct tm& stUTC, struct tm& stLocal) {
    struct tm stCopie = stUTC;
    const time_t t = timegm(&stCopie);
    localtime_r(&t, &stLocal);
}

int64_t CXTime::UnixTimeToFileTime(time_t t) {
    return int64_t(t) * int64_t(KX_FILETIME_PER_SECOND) + int64_t(KX_FILETIME_UNIX_EPOCH);
}

time_t CXTime::FileTimeToUnixTime(int64_t nFileTime) {
    return time_t((nFileTime - int64_t(KX_FILETIME_UNIX_EPOCH)) / int64_t(KX_FILETIME_PER_SECOND));
}

time_t CXTime::SystemTimeToUnixTime(const SYSTEMTIME& st) {
    FILETIME ft;
    if (!SystemTimeToFileTime(&st, &ft)) return time_t(-1);
    return FileTimeToUnixTime(int64_t(nFileTimeToU64(ft)));
}

SYSTEMTIME CXTime::UnixTimeToSystemTime(time_t t) {
    SYSTEMTIME st = {};
    FILETIME ft;
    U64ToFileTime(uint64_t(UnixTimeToFileTime(t)), &ft);
    if (!FileTimeToSystemTime(&ft, &st)) st = SYSTEMTIME{};
    return st;
}

time_t CXTime::nGetCurrentTime() {
    return time(nullptr);
}

void CXTime::nGetCurrentTime(SYSTEMTIME* pst) {
    ::GetSystemTime(pst);
}

void CXTime::GetLocalTime(SYSTEMTIME* pst) {
    ::GetLocalTime(pst);
}

bool CXTime::bSetLocalTime(SYSTEMTIME* pst) {
    return SetLocalTime(pst) != 0;
}

bool CXTime::bInitLocalTime() const {
    SYSTEMTIME st;
    GetAsSystemTime(st, m_stTm);
    return SetLocalTime(&st) != 0;
}

// --------------------------------------------------------------------------------------- comparison

int CXTime::snCompare(const struct tm* pA, const struct tm* pB) {
    if (pA->tm_year != pB->tm_year) return pA->tm_year - pB->tm_year;
    if (pA->tm_mon != pB->tm_mon) return pA->tm_mon - pB->tm_mon;
    if (pA->tm_mday != pB->tm_mday) return pA->tm_mday - pB->tm_mday;
    if (pA->tm_hour != pB->tm_hour) return pA->tm_hour - pB->tm_hour;
    if (pA->tm_min != pB->tm_min) return pA->tm_min - pB->tm_min;
    return pA->tm_sec - pB->tm_sec;
}

bool CXTime::operator>(const CXTime& cl) const {
    const int n = snCompare(&m_stTm, &cl.m_stTm);
    if (n != 0) return n > 0;
    return m_nMilliseconds > cl.m_nMilliseconds;
}

bool CXTime::operator>=(const CXTime& cl) const {
    const int n = snCompare(&m_stTm, &cl.m_stTm);
    if (n != 0) return n > 0;
    return m_nMilliseconds >= cl.m_nMilliseconds;
}

// ----------------------------------------------------------------------------------------- calendar

bool CXTime::bBissextile(int nYear) {
    return nYear % 4 == 0 && (nYear % 400 == 0 || nYear % 100 != 0);
}

int CXTime::nGetDayInMonth(int nYear, int nMonth) {
    static const int s_anJours[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (nMonth < 1 || nMonth > 12) return -1;
    if (nMonth == 2) return bBissextile(nYear) ? 29 : 28;
    return s_anJours[nMonth - 1];
}

bool CXTime::bBissextile(const wchar_t* psz) {
    return bBissextile(int(nLitCompleteZero(psz, XTIME_nLongueur(psz), 0, 4)));
}

int CXTime::nGetDayInMonth(const wchar_t* psz) {
    const int nLongueur = XTIME_nLongueur(psz);
    if (nLongueur < 4) return nGetDayInMonth(0, 1);
    const int nYear = int(nLitCompleteZero(psz, nLongueur, 0, 4));
    int nMonth = int(nLitCompleteZero(psz, nLongueur, 4, 2));
    if (nMonth == 0) nMonth = 1;
    return nGetDayInMonth(nYear, nMonth);
}

// --------------------------------------------------------------------------------------- formatting

void CXTime::Format(const wchar_t* pszFormat, wchar_t* pszOut) const {
    if (pszOut == nullptr) return;
    if (pszFormat == nullptr || wcsftime(pszOut, TAILLE_FORMAT, pszFormat, &m_stTm) == 0) *pszOut = 0;
}

void CXTime::Format(const wchar_t* pszFormat, CTString& clOut) const {
    wchar_t szTexte[TAILLE_FORMAT];
    Format(pszFormat, szTexte);
    clOut.Set(szTexte);
}

void CXTime::GetVQDate(CTString& cl) const {
    Format(L"%Y%m%d", cl);
}

void CXTime::GetVQTimeHHMMSS(CTString& cl) const {
    Format(L"%H%M%S", cl);
}

void CXTime::GetVQTimeHHMM(CTString& cl) const {
    Format(L"%H%M", cl);
}

void CXTime::GetVQTimeAAAAMMJJ_HHMMSS(CTString& cl) const {
    Format(L"%Y%m%d %H%M%S", cl);
}

void CXTime::GetVQTimeHHMMSSCCm(CTString& cl) const {
    Format(L"%H%M%S", cl);
    cl.AddPrintf(L"%03d", int(m_nMilliseconds));
}

void CXTime::GetVQTimeAAAAMMJJHHMMSSCCm(CTString& cl) const {
    Format(L"%Y%m%d%H%M%S", cl);
    cl.AddPrintf(L"%03d", int(m_nMilliseconds));
}

void CXTime::GetVQTime(wchar_t* psz) const {
    swprintfWin(psz, L"%02d%02d%02d%03d", m_stTm.tm_hour, m_stTm.tm_min, m_stTm.tm_sec, int(m_nMilliseconds));
}

void CXTime::GetVQTime(char* psz) const {
    sprintf(psz, "%02d%02d%02d%03d", m_stTm.tm_hour, m_stTm.tm_min, m_stTm.tm_sec, int(m_nMilliseconds));
}

void CXTime::GetVQDate(wchar_t* psz) const {
    swprintfWin(psz, L"%04d%02d%02d", nGetYear(), nGetMonth(), nGetDay());
}

void CXTime::GetVQDate(char* psz) const {
    sprintf(psz, "%04d%02d%02d", nGetYear(), nGetMonth(), nGetDay());
}

void CXTime::GetVQTimeReadable(CTString& cl) const {
    cl.printf(L"%02d/%02d/%04d %02d:%02d:%02d,%03d", nGetDay(), nGetMonth(), nGetYear(), m_stTm.tm_hour, m_stTm.tm_min,
              m_stTm.tm_sec, int(m_nMilliseconds));
}

void CXTime::GetVQTimeReadableSS(CTString& cl) const {
    cl.printf(L"%02d/%02d/%04d %02d:%02d:%02d", nGetDay(), nGetMonth(), nGetYear(), m_stTm.tm_hour, m_stTm.tm_min,
              m_stTm.tm_sec);
}

void CXTime::FormatToSQLServerTimeStamp(wchar_t* psz) const {
    swprintfWin(psz, L"%04d%02d%02d %02d:%02d:%02d.%03d", nGetYear(), nGetMonth(), nGetDay(), m_stTm.tm_hour,
                m_stTm.tm_min, m_stTm.tm_sec, int(m_nMilliseconds));
}

void CXTime::FormatToOdbcTimeStamp(wchar_t* psz) const {
    swprintfWin(psz, L"{ts '%04d-%02d-%02d %02d:%02d:%02d.%03d'}", nGetYear(), nGetMonth(), nGetDay(), m_stTm.tm_hour,
                m_stTm.tm_min, m_stTm.tm_sec, int(m_nMilliseconds));
}

void CXTime::FormatToOdbcTimeStamp(CTString& cl) const {
    cl.printf(L"{ts '%04d-%02d-%02d %02d:%02d:%02d.%03d'}", nGetYear(), nGetMonth(), nGetDay(), m_stTm.tm_hour,
              m_stTm.tm_min, m_stTm.tm_sec, int(m_nMilliseconds));
}

void CXTime::FormatToOdbcDate(wchar_t* psz) const {
    swprintfWin(psz, L"{d '%04d-%02d-%02d'}", nGetYear(), nGetMonth(), nGetDay());
}

void CXTime::FormatToOdbcDate(CTString& cl) const {
    cl.printf(L"{d '%04d-%02d-%02d'}", nGetYear(), nGetMonth(), nGetDay());
}

void CXTime::FormatToOdbcTime(wchar_t* psz) const {
    swprintfWin(psz, L"{t '%02d:%02d:%02d.%03d'}", m_stTm.tm_hour, m_stTm.tm_min, m_stTm.tm_sec, int(m_nMilliseconds));
}

void CXTime::FormatToOdbcTime(CTString& cl) const {
    cl.printf(L"{t '%02d:%02d:%02d.%03d'}", m_stTm.tm_hour, m_stTm.tm_min, m_stTm.tm_sec, int(m_nMilliseconds));
}

// ------------------------------------------------------------------------------------------ parsers

bool CXTime::bSetVQDate(const wchar_t* psz) {
    SetTo0();
    if (XTIME_nLongueur(psz) != 8) return false;
    const int nMonth = int(XTIME_nLitChamp(psz, 4, 2));
    const int nDay = int(XTIME_nLitChamp(psz, 6, 2));
    m_stTm.tm_year = int(XTIME_nLitChamp(psz, 0, 4)) - 1900;
    m_stTm.tm_mon = nMonth > 0 ? nMonth - 1 : 0;
    m_stTm.tm_mday = nDay > 0 ? nDay : 1;
    return true;
}

bool CXTime::bSetVQTime(const wchar_t* psz) {
    SetTo0();
    const int nLongueur = XTIME_nLongueur(psz);
    if (nLongueur < 4) return false;
    m_stTm.tm_hour = int(XTIME_nLitChamp(psz, 0, 2));
    m_stTm.tm_min = int(XTIME_nLitChamp(psz, 2, 2));
    if (nLongueur >= 6) m_stTm.tm_sec = int(XTIME_nLitChamp(psz, 4, 2));
    if (nLongueur == 8)
        m_nMilliseconds = unsigned(XTIME_nLitChamp(psz, 6, 2) * 10);
    else if (nLongueur >= 9)
        m_nMilliseconds = unsigned(XTIME_nLitChamp(psz, 6, 3));
    return true;
}

template <class T>
bool CXTime::bSetVQDateTime(const T* psz, int nIsDst) {
    SetTo0();
    m_stTm.tm_isdst = nIsDst;
    const int nLongueur = XTIME_nLongueur(psz);
    if (nLongueur < 16) return false;
    const int nMonth = int(XTIME_nLitChamp(psz, 4, 2));
    const int nDay = int(XTIME_nLitChamp(psz, 6, 2));
    m_stTm.tm_year = int(XTIME_nLitChamp(psz, 0, 4)) - 1900;
    m_stTm.tm_mon = nMonth > 0 ? nMonth - 1 : 0;
    m_stTm.tm_mday = nDay > 0 ? nDay : 1;
    const int k = psz[8] == ' ' ? 9 : 8;
    m_stTm.tm_hour = int(XTIME_nLitChamp(psz, k, 2));
    m_stTm.tm_min = int(XTIME_nLitChamp(psz, k + 2, 2));
    m_stTm.tm_sec = int(XTIME_nLitChamp(psz, k + 4, 2));
    if (nLongueur == k + 8)
        m_nMilliseconds = unsigned(XTIME_nLitChamp(psz, k + 6, 2) * 10);
    else if (nLongueur == k + 9)
        m_nMilliseconds = unsigned(XTIME_nLitChamp(psz, k + 6, 3));
    return true;
}

template bool CXTime::bSetVQDateTime<char>(const char*, int);
template bool CXTime::bSetVQDateTime<wchar_t>(const wchar_t*, int);

bool CXTime::bSetVQTimeMin(const wchar_t* psz, int nIsDst) {
    m_stTm.tm_isdst = nIsDst;
    int nLongueur = XTIME_nLongueur(psz);
    if (nLongueur > TAILLE_HEURE) nLongueur = TAILLE_HEURE;
    m_stTm.tm_hour = int(nLitCompleteZero(psz, nLongueur, 0, 2));
    if (nLongueur >= 3) m_stTm.tm_min = int(nLitCompleteZero(psz, nLongueur, 2, 2));
    if (nLongueur >= 5) m_stTm.tm_sec = int(nLitCompleteZero(psz, nLongueur, 4, 2));
    if (nLongueur >= 7) m_nMilliseconds = unsigned(nLitCompleteZero(psz, nLongueur, 6, 3));
    return true;
}

bool CXTime::bSetVQDateTimeMin(const wchar_t* psz, int nIsDst) {
    SetTo0();
    // The caller's daylight-saving choice holds for a date alone as well as with a time.
    m_stTm.tm_isdst = nIsDst;
    const int nLongueur = XTIME_nLongueur(psz);
    if (nLongueur == 0) return true;
    m_stTm.tm_year = int(nLitCompleteZero(psz, nLongueur, 0, 4)) - 1900;
    if (nLongueur >= 5) {
        const int nMonth = int(nLitCompleteZero(psz, nLongueur, 4, 2));
        m_stTm.tm_mon = nMonth > 0 ? nMonth - 1 : 0;
    }
    if (nLongueur >= 7) {
        const int nDay = int(nLitCompleteZero(psz, nLongueur, 6, 2));
        m_stTm.tm_mday = nDay > 0 ? nDay : 1;
    }
    if (nLongueur >= 9) return bSetVQTimeMin(psz + (psz[8] == L' ' ? 9 : 8), nIsDst);
    return true;
}

// Upper bound of a partial time: the last digit goes up by one; a digit at its limit is dropped and
// the step carries to the one before; the text ends at the digit that went up.
bool CXTime::bSetVQTimeMax(const wchar_t* psz, int) {
    SetTo0();
    const int nLongueur = XTIME_nLongueur(psz);
    if (nLongueur < 1 || nLongueur > TAILLE_HEURE) return false;
    wchar_t sz[TAILLE_HEURE + 1];
    wmemcpy(sz, psz, size_t(nLongueur));
    int i = nLongueur - 1;
    for (; i >= 0; --i) {
        wchar_t cLimite;
        switch (i) {
            case 0:
                cLimite = L'2';
                break;
            case 1:
                cLimite = (sz[0] == L'2') ? L'3' : L'9';
                break;
            case 2:
            case 4:
                cLimite = L'5';
                break;
            default:
                cLimite = L'9';
                break;
        }
        if (i == 1 && sz[0] != L'0' && sz[0] != L'1' && sz[0] != L'2') cLimite = L'0';  // no hour to go on from
        if (sz[i] < cLimite) break;
    }
    if (i < 0) return false;
    ++sz[i];
    sz[i + 1] = 0;
    return bSetVQTimeMin(sz, -1);
}

// Upper bound of a partial date-time: as for the time, with the day limited by the length of the
// month the text names, the month by December and the year by 9999.
bool CXTime::bSetVQDateTimeMax(const wchar_t* psz, int nIsDst) {
    SetTo0();
    int nLongueur = XTIME_nLongueur(psz);
    if (nLongueur == 0) return false;
    wchar_t sz[TAILLE_DATE_HEURE + 2];
    int n = 0;
    for (int i = 0; i < nLongueur; ++i) {
        if (i == 8 && psz[i] == L' ') continue;
        if (n > TAILLE_DATE_HEURE) return false;
        sz[n++] = psz[i];
    }
    if (n > TAILLE_DATE_HEURE) return false;
    sz[n] = 0;
    nLongueur = n;
    const int nJoursMois = nGetDayInMonth(sz);
    const int nDizaines = nJoursMois / 10, nUnites = nJoursMois % 10;

    int i = nLongueur - 1;
    int nFin = -1;  // the text is cut after this digit once it went up
    for (; i >= 0 && nFin < 0; --i) {
        const wchar_t c = sz[i];
        switch (i) {
            case 16:
            case 15:
            case 14:
            case 13:
            case 11:
                if (c < L'9') nFin = i;
                break;
            case 12:
            case 10:
                if (c < L'5') nFin = i;
                break;
            case 9:
                if ((sz[8] == L'0' || sz[8] == L'1') ? c < L'9' : (sz[8] == L'2' && c < L'3')) nFin = i;
                break;
            case 8:
                if (c < L'2') nFin = i;
                break;
            case 7:  // the day's units, its tens being there
                if ((nChiffre(sz[6]) < nDizaines && c < L'9') ||
                    (nChiffre(sz[6]) == nDizaines && nChiffre(c) + 1 <= nUnites))
                    nFin = i;
                break;
            case 6:  // the day's tens
                if (nChiffre(c) + 1 <= nDizaines) nFin = i;
                break;
            case 5:  // the month's units
                if (c == L'0' || c == L'1' || (sz[4] == L'0' && c < L'9')) {
                    nFin = i;
                } else if (sz[4] == L'0' && c == L'9') {
                    sz[4] = L'1';  // September goes on to October: the text names "1" as its month
                    sz[5] = 0;
                    return bSetVQDateTimeMin(sz, nIsDst);
                }
                break;
            case 4:  // the month's tens alone: '0' names October to December's start, '1' the year's end
                if (c == L'0') nFin = i;
                break;
            default:  // the year's digits
                if (c < L'9') nFin = i;
                break;
        }
    }
    if (nFin < 0) return false;
    ++sz[nFin];
    sz[nFin + 1] = 0;
    return bSetVQDateTimeMin(sz, nIsDst);
}
