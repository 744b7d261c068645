// The two members of the platform's CXTime that deal with the variant's compact date-time. They are
// compiled with the variant layer because the platform layer may not see it: CXTime declares them
// against a forward declaration of CDateTime, and the calendar rules of the compact date (its
// checked setters) stay in one place, CDateTimeBase.
#include "platform/XTime.h"
#include "variant/DateTime.h"

void CXTime::SetTime(CDateTime& clDateTime) {
    SetTo0();
    const int nMois = clDateTime.nGetMois();
    const int nJour = clDateTime.nGetJour();
    m_stTm.tm_year = clDateTime.nGetAnnee() - 1900;
    m_stTm.tm_mon = nMois > 0 ? nMois - 1 : 0;
    m_stTm.tm_mday = nJour > 0 ? nJour : 1;
    m_stTm.tm_hour = clDateTime.nGetHeure();
    m_stTm.tm_min = clDateTime.nGetMinute();
    m_stTm.tm_sec = clDateTime.nGetSeconde();
    m_nMilliseconds = unsigned(clDateTime.nGetMilliseconde());
}

void CXTime::GetVQDateTime(CDateTime* pclDateTime) const {
    SYSTEMTIME st;
    bGetAsSystemTime(st);
    pclDateTime->InitDate(&st);
}
