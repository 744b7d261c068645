// The platform's broken-down date-time: the zero value, conversions from and to the system's time
// representations (in a fixed time zone), comparison, the Gregorian calendar, the literal forms,
// the digit-text parsers and the lower and upper bounds of partial dates and times.
#include "platform/XTime.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

#include "core/TString.h"

namespace {

// AAAA-MM-JJ HH:MM:SS.mmm of the value, for comparisons and failure messages.
std::string Texte(const CXTime& cl) {
    char sz[96];
    snprintf(sz, sizeof(sz), "%04d-%02d-%02d %02d:%02d:%02d.%03u", cl.nGetYear(), cl.nGetMonth(), cl.nGetDay(),
             cl.nGetHour(), cl.nGetMinute(), cl.nGetSecond(), cl.nGetMilliseconds());
    return sz;
}

std::string Texte(const wchar_t* psz) {
    std::string s;
    for (; psz != nullptr && *psz != 0; ++psz) s += char(*psz);
    return s;
}

time_t Utc(int nYear, int nMonth, int nDay, int nHour, int nMinute = 0, int nSecond = 0) {
    struct tm st = {};
    st.tm_year = nYear - 1900;
    st.tm_mon = nMonth - 1;
    st.tm_mday = nDay;
    st.tm_hour = nHour;
    st.tm_min = nMinute;
    st.tm_sec = nSecond;
    return timegm(&st);
}

// Tests that read or write local time run in Paris (one hour east of UTC in winter, two in summer),
// and put the process's zone back afterwards.
class XTimeZoneTest : public testing::Test {
protected:
    void SetUp() override {
        const char* psz = getenv("TZ");
        m_bAvaitTZ = psz != nullptr;
        if (psz) m_sAncienTZ = psz;
        setenv("TZ", "Europe/Paris", 1);
        tzset();
    }
    void TearDown() override {
        if (m_bAvaitTZ)
            setenv("TZ", m_sAncienTZ.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }
    bool m_bAvaitTZ = false;
    std::string m_sAncienTZ;
};

// ------------------------------------------------------------------------------------- construction

TEST(XTimeTest, ZeroValue) {
    CXTime cl;
    char sz[16];
    cl.GetVQDate(sz);
    EXPECT_STREQ(sz, "00000101");
    cl.GetVQTime(sz);
    EXPECT_STREQ(sz, "000000000");
    const struct tm* pst = cl.nGetTimeTm();
    EXPECT_EQ(pst->tm_year, -1900);
    EXPECT_EQ(pst->tm_mon, 0);
    EXPECT_EQ(pst->tm_mday, 1);
    EXPECT_EQ(pst->tm_wday, -1);
    EXPECT_EQ(pst->tm_yday, -1);
    EXPECT_EQ(pst->tm_isdst, -1);

    CXTime clAutre(2024, 5, 6, 7, 8, 9, 1);
    clAutre.SetTo0();
    EXPECT_EQ(memcmp(clAutre.nGetTimeTm(), cl.nGetTimeTm(), sizeof(struct tm)), 0);
    EXPECT_EQ(clAutre.nGetMilliseconds(), 0u);
}

TEST(XTimeTest, FromFieldsRecordsAndPackedWords) {
    const CXTime clChamps(2024, 0, 0, 1, 2, 3, 1);
    EXPECT_EQ(Texte(clChamps), "2024-01-01 01:02:03.000");
    EXPECT_EQ(clChamps.nGetTimeTm()->tm_isdst, 1);
    EXPECT_EQ(clChamps.nGetTimeTm()->tm_wday, -1);

    const SYSTEMTIME st = {2024, 2, 4, 29, 13, 45, 30, 120};
    CXTime clSysteme(st, 0);
    EXPECT_EQ(Texte(clSysteme), "2024-02-29 13:45:30.120");
    EXPECT_EQ(clSysteme.nGetTimeTm()->tm_wday, 4);
    EXPECT_EQ(clSysteme.nGetTimeTm()->tm_yday, -1);
    SYSTEMTIME stRetour;
    EXPECT_TRUE(clSysteme.bGetAsSystemTime(stRetour));
    EXPECT_EQ(memcmp(&stRetour, &st, sizeof(st)), 0);
    CXTime::GetAsSystemTime(stRetour, *clSysteme.nGetTimeTm());
    EXPECT_EQ(stRetour.wMilliseconds, 0);
    EXPECT_EQ(stRetour.wDay, 29);

    // Date word: day 0-4, month 5-8, year - 1980 9-15; time word: seconds / 2 0-4, minutes 5-10, hours 11-15.
    const unsigned short wDate = (44 << 9) | (1 << 5) | 1;
    const unsigned short wTime = (13 << 11) | (33 << 5) | 15;
    const CXTime clMots(wDate, wTime, 0);
    EXPECT_EQ(Texte(clMots), "2024-01-01 13:33:30.000");

    CXTime clCopie(clSysteme);
    EXPECT_EQ(Texte(clCopie), Texte(clSysteme));
    clCopie = clMots;
    EXPECT_EQ(Texte(clCopie), Texte(clMots));
    clCopie.SetTime(clChamps);
    EXPECT_EQ(Texte(clCopie), Texte(clChamps));
    EXPECT_EQ(clCopie.nGetTimeTm()->tm_isdst, 1);
}

TEST_F(XTimeZoneTest, FromPosixSecondsLocalOrUtc) {
    const time_t tEte = Utc(2024, 7, 1, 10);
    CXTime cl(tEte);
    EXPECT_EQ(Texte(cl), "2024-07-01 12:00:00.000");
    EXPECT_EQ(cl.nGetTimeTm()->tm_isdst, 1);
    EXPECT_EQ(cl.nGetTimeTm()->tm_wday, 1);
    cl.SetUTCTime(tEte);
    EXPECT_EQ(Texte(cl), "2024-07-01 10:00:00.000");
    cl = Utc(2024, 1, 15, 10);
    EXPECT_EQ(Texte(cl), "2024-01-15 11:00:00.000");
    EXPECT_EQ(cl.nGetTimeTm()->tm_isdst, 0);

    // -1 is the C library's failure: the zero value.
    CXTime clEchec(time_t(-1));
    EXPECT_EQ(Texte(clEchec), "0000-01-01 00:00:00.000");
    cl.SetUTCTime(time_t(-1));
    EXPECT_EQ(Texte(cl), "0000-01-01 00:00:00.000");
}

TEST_F(XTimeZoneTest, FileTimesAreUtcInstants) {
    struct Case {
        time_t tUTC;
        const char* pszLocal;
    } aCases[] = {
        {Utc(2024, 7, 1, 10), "2024-07-01 12:00:00.000"},
        {Utc(2024, 1, 15, 10, 30, 5), "2024-01-15 11:30:05.000"},
        {Utc(2024, 3, 31, 0, 59, 59), "2024-03-31 01:59:59.000"},
        {Utc(2024, 3, 31, 1), "2024-03-31 03:00:00.000"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszLocal);
        FILETIME ft;
        U64ToFileTime(uint64_t(CXTime::UnixTimeToFileTime(c.tUTC)), &ft);
        CXTime cl(ft, -1);
        EXPECT_EQ(Texte(cl), c.pszLocal);
        FILETIME ftRetour = {};
        EXPECT_TRUE(cl.bGetAsFileTime(ftRetour));
        EXPECT_EQ(nFileTimeToU64(ftRetour), nFileTimeToU64(ft));
    }
}

TEST_F(XTimeZoneTest, PosixSecondsOfTheFields) {
    // Taken as local time, the fields go through mktime; taken as UTC, they are read as UTC at any date,
    // whatever the offset in force today.
    struct Case {
        int nYear, nMonth, nDay, nHour;
        time_t tLocal;
    } aCases[] = {
        {2024, 7, 1, 12, Utc(2024, 7, 1, 10)},
        {2024, 1, 15, 12, Utc(2024, 1, 15, 11)},
        {2023, 10, 29, 12, Utc(2023, 10, 29, 11)},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.nYear << "-" << c.nMonth << "-" << c.nDay);
        CXTime cl(c.nYear, c.nMonth, c.nDay, c.nHour, 0, 0, -1);
        EXPECT_EQ(cl.nGetTime32_t(), c.tLocal);
        CXTime clUTC(c.nYear, c.nMonth, c.nDay, c.nHour, 0, 0, -1);
        EXPECT_EQ(clUTC.nGetTime32_t_UTC(), Utc(c.nYear, c.nMonth, c.nDay, c.nHour));
        struct tm st = *clUTC.nGetTimeTm();
        EXPECT_EQ(CXTime::s_nGetTime_t_UTC(st), Utc(c.nYear, c.nMonth, c.nDay, c.nHour));
        st = *cl.nGetTimeTm();
        st.tm_isdst = -1;
        EXPECT_EQ(CXTime::s_nGetTime_t(st), c.tLocal);
    }
    // mktime normalises the fields in place.
    CXTime cl(2024, 1, 32, 0, 0, 0, -1);
    cl.nGetTime32_t();
    EXPECT_EQ(Texte(cl), "2024-02-01 00:00:00.000");

    const time_t tDecalage = CXTime::__s_nGetOffsetMkTime();
    EXPECT_TRUE(tDecalage == 3600 || tDecalage == 7200) << tDecalage;
}

TEST_F(XTimeZoneTest, LocalAndUtcRecords) {
    CXTime clLocal(2024, 7, 1, 12, 0, 0, -1);
    struct tm stUTC = {}, stLocal = {};
    CXTime::Local2UTC(*clLocal.nGetTimeTm(), stUTC);
    EXPECT_EQ(stUTC.tm_hour, 10);
    EXPECT_EQ(stUTC.tm_mday, 1);
    CXTime::UTC2Local(stUTC, stLocal);
    EXPECT_EQ(stLocal.tm_hour, 12);
    EXPECT_EQ(stLocal.tm_isdst, 1);
    // Midnight UTC on New Year's Eve is already the next year in Paris.
    CXTime clUTC(2024, 12, 31, 23, 30, 0, 0);
    CXTime::UTC2Local(*clUTC.nGetTimeTm(), stLocal);
    EXPECT_EQ(stLocal.tm_year, 125);
    EXPECT_EQ(stLocal.tm_hour, 0);
}

TEST(XTimeTest, PosixSecondsAndFileTimes) {
    EXPECT_EQ(CXTime::UnixTimeToFileTime(0), 116444736000000000LL);
    EXPECT_EQ(CXTime::FileTimeToUnixTime(116444736000000000LL), 0);
    EXPECT_EQ(CXTime::UnixTimeToFileTime(1), 116444736010000000LL);
    EXPECT_EQ(CXTime::FileTimeToUnixTime(0), -11644473600LL);
    EXPECT_EQ(CXTime::FileTimeToUnixTime(116444736019999999LL), 1);  // truncated

    const SYSTEMTIME st = {1970, 1, 0, 2, 0, 0, 1, 500};
    EXPECT_EQ(CXTime::SystemTimeToUnixTime(st), 86401);
    const SYSTEMTIME stRetour = CXTime::UnixTimeToSystemTime(86401);
    EXPECT_EQ(stRetour.wYear, 1970);
    EXPECT_EQ(stRetour.wDay, 2);
    EXPECT_EQ(stRetour.wSecond, 1);
    EXPECT_EQ(stRetour.wDayOfWeek, 5);
    EXPECT_EQ(stRetour.wMilliseconds, 0);

    const time_t tAvant = time(nullptr);
    const time_t t = CXTime::nGetCurrentTime();
    EXPECT_GE(t, tAvant);
    EXPECT_LE(t, tAvant + 5);
    SYSTEMTIME stMaintenant = {};
    CXTime::nGetCurrentTime(&stMaintenant);
    EXPECT_GE(stMaintenant.wYear, 2024);
}

TEST_F(XTimeZoneTest, NowLocalAndUtc) {
    CXTime clLocal, clUTC;
    clUTC.SetFromUTCTime();
    clLocal.SetFromLocalTime();
    EXPECT_EQ(clLocal.nGetTimeTm()->tm_isdst, -1);
    EXPECT_EQ(clLocal.nGetTimeTm()->tm_yday, -1);
    const long nEcart = long(clLocal.nGetTime32_t_UTC() - clUTC.nGetTime32_t_UTC());
    EXPECT_TRUE(nEcart >= 3600 - 5 && nEcart <= 7200 + 5) << nEcart;
    SYSTEMTIME st = {};
    CXTime::GetLocalTime(&st);
    EXPECT_GE(st.wYear, 2024);
}

// ------------------------------------------------------------------------------------- comparison

TEST(XTimeTest, ComparisonFieldByFieldThenMilliseconds) {
    auto Valeur = [](int nYear, int nMonth, int nDay, int nHour, int nMinute, int nSecond, int nMilli) {
        SYSTEMTIME st = {uint16_t(nYear),   uint16_t(nMonth), 0, uint16_t(nDay), uint16_t(nHour), uint16_t(nMinute),
                         uint16_t(nSecond), uint16_t(nMilli)};
        return CXTime(st, -1);
    };
    struct Case {
        CXTime a, b;
        int nSigne;
    } aCases[] = {
        {Valeur(2024, 1, 1, 0, 0, 0, 0), Valeur(2024, 1, 1, 0, 0, 0, 0), 0},
        {Valeur(2024, 1, 1, 0, 0, 0, 1), Valeur(2024, 1, 1, 0, 0, 0, 0), 1},
        {Valeur(2023, 12, 31, 23, 59, 59, 999), Valeur(2024, 1, 1, 0, 0, 0, 0), -1},
        {Valeur(2024, 2, 1, 0, 0, 0, 0), Valeur(2024, 1, 31, 0, 0, 0, 0), 1},
        {Valeur(2024, 1, 1, 10, 0, 0, 0), Valeur(2024, 1, 1, 9, 59, 59, 999), 1},
        {Valeur(2024, 1, 1, 0, 1, 0, 0), Valeur(2024, 1, 1, 0, 0, 59, 0), 1},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(Texte(c.a) + " vs " + Texte(c.b));
        const int n = CXTime::snCompare(c.a.nGetTimeTm(), c.b.nGetTimeTm());
        const bool bMemesSecondes = Texte(c.a).substr(0, 19) == Texte(c.b).substr(0, 19);
        EXPECT_EQ(n == 0, bMemesSecondes);
        if (!bMemesSecondes) {
            EXPECT_EQ(n > 0 ? 1 : -1, c.nSigne);
        }
        EXPECT_EQ(c.a > c.b, c.nSigne > 0);
        EXPECT_EQ(c.a >= c.b, c.nSigne >= 0);
        EXPECT_EQ(c.b > c.a, c.nSigne < 0);
        EXPECT_EQ(c.b >= c.a, c.nSigne <= 0);
    }
    EXPECT_EQ(
        CXTime::snCompare(Valeur(2024, 3, 1, 0, 0, 0, 0).nGetTimeTm(), Valeur(2024, 1, 1, 0, 0, 0, 0).nGetTimeTm()), 2);
}

// --------------------------------------------------------------------------------------- calendar

TEST(XTimeTest, GregorianCalendarForEveryYear) {
    struct Case {
        int nYear;
        bool bBissextile;
    } aCases[] = {{1500, false}, {1600, true}, {1900, false}, {2000, true}, {2023, false}, {2024, true}, {0, true}};
    for (const Case& c : aCases) {
        EXPECT_EQ(CXTime::bBissextile(c.nYear), c.bBissextile) << c.nYear;
        EXPECT_EQ(CXTime::nGetDayInMonth(c.nYear, 2), c.bBissextile ? 29 : 28) << c.nYear;
    }
    const int anJours[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int nMonth = 1; nMonth <= 12; ++nMonth) EXPECT_EQ(CXTime::nGetDayInMonth(2023, nMonth), anJours[nMonth - 1]);
    EXPECT_EQ(CXTime::nGetDayInMonth(2023, 0), -1);
    EXPECT_EQ(CXTime::nGetDayInMonth(2023, 13), -1);

    struct CaseTexte {
        const wchar_t* psz;
        bool bBissextile;
        int nJours;
    } aTextes[] = {
        {L"20", true, 31},     // the year 2000, a text too short to name a month: January
        {L"2023", false, 31},  // month 0 counts as January
        {L"202302", false, 28}, {L"202402", true, 29},    {L"20241", true, 31},  // "1" is October
        {L"202304", false, 30}, {L"202313", false, -1},   {L"", true, 31},
        {nullptr, true, 31},    {L"19000215", false, 28},
    };
    for (const CaseTexte& c : aTextes) {
        SCOPED_TRACE(Texte(c.psz));
        EXPECT_EQ(CXTime::bBissextile(c.psz), c.bBissextile);
        EXPECT_EQ(CXTime::nGetDayInMonth(c.psz), c.nJours);
    }
}

// ------------------------------------------------------------------------------------- formatting

TEST(XTimeTest, TextsAndLiterals) {
    const SYSTEMTIME st = {2024, 3, 6, 9, 7, 5, 3, 42};
    const CXTime cl(st, -1);
    struct Case {
        const char* pszQuoi;
        void (*pfn)(const CXTime&, CTString&);
        const char* pszAttendu;
    } aCases[] = {
        {"GetVQDate", [](const CXTime& c, CTString& s) { c.GetVQDate(s); }, "20240309"},
        {"HHMMSS", [](const CXTime& c, CTString& s) { c.GetVQTimeHHMMSS(s); }, "070503"},
        {"HHMM", [](const CXTime& c, CTString& s) { c.GetVQTimeHHMM(s); }, "0705"},
        {"AAAAMMJJ_HHMMSS", [](const CXTime& c, CTString& s) { c.GetVQTimeAAAAMMJJ_HHMMSS(s); }, "20240309 070503"},
        {"HHMMSSCCm", [](const CXTime& c, CTString& s) { c.GetVQTimeHHMMSSCCm(s); }, "070503042"},
        {"AAAAMMJJHHMMSSCCm", [](const CXTime& c, CTString& s) { c.GetVQTimeAAAAMMJJHHMMSSCCm(s); },
         "20240309070503042"},
        {"Readable", [](const CXTime& c, CTString& s) { c.GetVQTimeReadable(s); }, "09/03/2024 07:05:03,042"},
        {"ReadableSS", [](const CXTime& c, CTString& s) { c.GetVQTimeReadableSS(s); }, "09/03/2024 07:05:03"},
        {"OdbcTimeStamp", [](const CXTime& c, CTString& s) { c.FormatToOdbcTimeStamp(s); },
         "{ts '2024-03-09 07:05:03.042'}"},
        {"OdbcDate", [](const CXTime& c, CTString& s) { c.FormatToOdbcDate(s); }, "{d '2024-03-09'}"},
        {"OdbcTime", [](const CXTime& c, CTString& s) { c.FormatToOdbcTime(s); }, "{t '07:05:03.042'}"},
        {"Format", [](const CXTime& c, CTString& s) { c.Format(L"%Y/%m", s); }, "2024/03"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszQuoi);
        CTString s(L"previous");
        c.pfn(cl, s);
        EXPECT_EQ(Texte(s.pszGet()), c.pszAttendu);
    }

    struct CaseBuffer {
        const char* pszQuoi;
        void (*pfn)(const CXTime&, wchar_t*);
        const char* pszAttendu;
    } aBuffers[] = {
        {"GetVQTime", [](const CXTime& c, wchar_t* p) { c.GetVQTime(p); }, "070503042"},
        {"GetVQDate", [](const CXTime& c, wchar_t* p) { c.GetVQDate(p); }, "20240309"},
        {"SQLServer", [](const CXTime& c, wchar_t* p) { c.FormatToSQLServerTimeStamp(p); }, "20240309 07:05:03.042"},
        {"OdbcTimeStamp", [](const CXTime& c, wchar_t* p) { c.FormatToOdbcTimeStamp(p); },
         "{ts '2024-03-09 07:05:03.042'}"},
        {"OdbcDate", [](const CXTime& c, wchar_t* p) { c.FormatToOdbcDate(p); }, "{d '2024-03-09'}"},
        {"OdbcTime", [](const CXTime& c, wchar_t* p) { c.FormatToOdbcTime(p); }, "{t '07:05:03.042'}"},
        {"Format", [](const CXTime& c, wchar_t* p) { c.Format(L"%H:%M", p); }, "07:05"},
    };
    for (const CaseBuffer& c : aBuffers) {
        SCOPED_TRACE(c.pszQuoi);
        wchar_t sz[256];
        c.pfn(cl, sz);
        EXPECT_EQ(Texte(sz), c.pszAttendu);
    }
    char sz[16];
    cl.GetVQTime(sz);
    EXPECT_STREQ(sz, "070503042");
    cl.GetVQDate(sz);
    EXPECT_STREQ(sz, "20240309");

    // A text that does not fit in 256 characters gives an empty one.
    const std::wstring sLong(300, L'x');
    wchar_t szLong[256];
    szLong[0] = L'z';
    cl.Format(sLong.c_str(), szLong);
    EXPECT_EQ(szLong[0], 0);
    CTString s(L"previous");
    cl.Format(sLong.c_str(), s);
    EXPECT_EQ(s.nTaille(), 0);
}

// ---------------------------------------------------------------------------------------- parsers

TEST(XTimeTest, DigitTextParsers) {
    enum eParseur { DATE, HEURE, DATE_HEURE };
    struct Case {
        eParseur eQuoi;
        const char* psz;
        bool bAttendu;
        const char* pszApres;
    } aCases[] = {
        {DATE, "20240229", true, "2024-02-29 00:00:00.000"},
        {DATE, "20240000", true, "2024-01-01 00:00:00.000"},
        {DATE, "2024022", false, "0000-01-01 00:00:00.000"},
        {DATE, "202402291", false, "0000-01-01 00:00:00.000"},
        {DATE, "", false, "0000-01-01 00:00:00.000"},
        {HEURE, "1230", true, "0000-01-01 12:30:00.000"},
        {HEURE, "12300045", true, "0000-01-01 12:30:00.450"},
        {HEURE, "123045123", true, "0000-01-01 12:30:45.123"},
        {HEURE, "1230451234", true, "0000-01-01 12:30:45.123"},
        {HEURE, "1230451", true, "0000-01-01 12:30:45.000"},
        {HEURE, "12304", true, "0000-01-01 12:30:00.000"},
        {HEURE, "123", false, "0000-01-01 00:00:00.000"},
        {DATE_HEURE, "20240229 13450012", true, "2024-02-29 13:45:00.120"},
        {DATE_HEURE, "2024022913450012", true, "2024-02-29 13:45:00.120"},
        {DATE_HEURE, "20240229134500123", true, "2024-02-29 13:45:00.123"},
        {DATE_HEURE, "20240229 134500123", true, "2024-02-29 13:45:00.123"},
        {DATE_HEURE, "20240229 1345001", true, "2024-02-29 13:45:00.000"},
        {DATE_HEURE, "20240229 134500", false, "0000-01-01 00:00:00.000"},
        {DATE_HEURE, "202402291345001", false, "0000-01-01 00:00:00.000"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.eQuoi << " " << c.psz);
        const CTString clTexte(c.psz);
        CXTime cl(2001, 2, 3, 4, 5, 6, 0);
        bool b = false;
        switch (c.eQuoi) {
            case DATE:
                b = cl.bSetVQDate(clTexte.pszGet());
                break;
            case HEURE:
                b = cl.bSetVQTime(clTexte.pszGet());
                break;
            case DATE_HEURE: {
                b = cl.bSetVQDateTime(clTexte.pszGet(), 1);
                CXTime clA;
                EXPECT_EQ(clA.bSetVQDateTime(c.psz, 1), c.bAttendu);
                EXPECT_EQ(Texte(clA), c.pszApres);
                EXPECT_EQ(clA.nGetTimeTm()->tm_isdst, 1);
                break;
            }
        }
        EXPECT_EQ(b, c.bAttendu);
        EXPECT_EQ(Texte(cl), c.pszApres);
    }
    CXTime cl(2001, 2, 3, 4, 5, 6, 0);
    EXPECT_FALSE(cl.bSetVQTime(nullptr));
    EXPECT_FALSE(cl.bSetVQDate(nullptr));
    EXPECT_FALSE(cl.bSetVQDateTime(static_cast<const wchar_t*>(nullptr), 0));
}

// A lower-bound parser on each text, from a value with every field set and daylight saving 0: the
// fields afterwards, and the caller's daylight saving taken.
struct CasBorneInf {
    const wchar_t* psz;
    const char* pszApres;
};
void VerifieBorneInf(bool (CXTime::*pfnBorne)(const wchar_t*, int), std::initializer_list<CasBorneInf> lCas) {
    for (const CasBorneInf& c : lCas) {
        SCOPED_TRACE(Texte(c.psz));
        const SYSTEMTIME st = {2024, 3, 6, 9, 11, 22, 33, 444};
        CXTime cl(st, 0);
        EXPECT_TRUE((cl.*pfnBorne)(c.psz, 1));
        EXPECT_EQ(Texte(cl), c.pszApres);
        EXPECT_EQ(cl.nGetTimeTm()->tm_isdst, 1);
    }
}

// The lower bound of a partial time sets only the parts the text reaches, a missing last digit as '0'.
TEST(XTimeTest, LowerBoundOfAPartialTime) {
    VerifieBorneInf(&CXTime::bSetVQTimeMin, {
                                                {L"", "2024-03-09 00:22:33.444"},
                                                {nullptr, "2024-03-09 00:22:33.444"},
                                                {L"1", "2024-03-09 10:22:33.444"},
                                                {L"12", "2024-03-09 12:22:33.444"},
                                                {L"123", "2024-03-09 12:30:33.444"},
                                                {L"1234", "2024-03-09 12:34:33.444"},
                                                {L"12345", "2024-03-09 12:34:50.444"},
                                                {L"123456", "2024-03-09 12:34:56.444"},
                                                {L"1234565", "2024-03-09 12:34:56.500"},
                                                {L"12345612", "2024-03-09 12:34:56.120"},
                                                {L"123456789", "2024-03-09 12:34:56.789"},
                                                {L"1234567891", "2024-03-09 12:34:56.789"},
                                            });
}

// The lower bound of a partial date-time starts from the zero value.
TEST(XTimeTest, LowerBoundOfAPartialDateTime) {
    VerifieBorneInf(&CXTime::bSetVQDateTimeMin, {
                                                    {L"", "0000-01-01 00:00:00.000"},
                                                    {nullptr, "0000-01-01 00:00:00.000"},
                                                    {L"2", "2000-01-01 00:00:00.000"},
                                                    {L"2024", "2024-01-01 00:00:00.000"},
                                                    {L"20240", "2024-01-01 00:00:00.000"},
                                                    {L"20241", "2024-10-01 00:00:00.000"},
                                                    {L"202403", "2024-03-01 00:00:00.000"},
                                                    {L"2024031", "2024-03-10 00:00:00.000"},
                                                    {L"20240300", "2024-03-01 00:00:00.000"},
                                                    {L"20240309 1", "2024-03-09 10:00:00.000"},
                                                    {L"202403091", "2024-03-09 10:00:00.000"},
                                                    {L"20240309 ", "2024-03-09 00:00:00.000"},
                                                    {L"202403091230", "2024-03-09 12:30:00.000"},
                                                    {L"20240309123456789", "2024-03-09 12:34:56.789"},
                                                });
}

// The upper bound is the start of the period that follows the one the text names.
TEST(XTimeTest, UpperBoundOfAPartialTime) {
    struct Case {
        const wchar_t* psz;
        bool bAttendu;
        const char* pszApres;
    } aCases[] = {
        {L"12", true, "13:00:00.000"},        {L"19", true, "20:00:00.000"},          {L"1259", true, "13:00:00.000"},
        {L"123059999", true, "12:31:00.000"}, {L"09", true, "10:00:00.000"},          {L"1", true, "20:00:00.000"},
        {L"0", true, "10:00:00.000"},         {L"22", true, "23:00:00.000"},          {L"12300", true, "12:30:10.000"},
        {L"1230455", true, "12:30:45.600"},   {L"23", false, "00:00:00.000"},         {L"2", false, "00:00:00.000"},
        {L"24", false, "00:00:00.000"},       {L"2359", false, "00:00:00.000"},       {L"", false, "00:00:00.000"},
        {nullptr, false, "00:00:00.000"},     {L"1234567890", false, "00:00:00.000"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(Texte(c.psz));
        CXTime cl(2001, 2, 3, 4, 5, 6, 0);
        EXPECT_EQ(cl.bSetVQTimeMax(c.psz, 1), c.bAttendu);
        EXPECT_EQ(Texte(cl), std::string("0000-01-01 ") + c.pszApres);
        EXPECT_EQ(cl.nGetTimeTm()->tm_isdst, -1);
    }
}

TEST(XTimeTest, UpperBoundOfAPartialDateTime) {
    struct Case {
        const wchar_t* psz;
        bool bAttendu;
        const char* pszApres;
    } aCases[] = {
        {L"2024", true, "2025-01-01 00:00:00.000"},
        {L"202412", true, "2025-01-01 00:00:00.000"},
        {L"20240131", true, "2024-02-01 00:00:00.000"},
        {L"20240228", true, "2024-02-29 00:00:00.000"},
        {L"20240229", true, "2024-03-01 00:00:00.000"},
        {L"20230228", true, "2023-03-01 00:00:00.000"},
        {L"2024013115", true, "2024-01-31 16:00:00.000"},
        {L"2024123123", true, "2025-01-01 00:00:00.000"},
        {L"20241231235959999", true, "2025-01-01 00:00:00.000"},
        {L"20240131 12", true, "2024-01-31 13:00:00.000"},
        {L"20240309 123456789", true, "2024-03-09 12:34:56.790"},
        {L"20240309 23", true, "2024-03-10 00:00:00.000"},
        {L"20240308 23", true, "2024-03-09 00:00:00.000"},
        {L"202409", true, "2024-10-01 00:00:00.000"},
        {L"20240930", true, "2024-10-01 00:00:00.000"},
        {L"2024093", true, "2024-10-01 00:00:00.000"},
        {L"20241130", true, "2024-12-01 00:00:00.000"},
        {L"2024123", true, "2025-01-01 00:00:00.000"},
        {L"20240", true, "2024-10-01 00:00:00.000"},
        {L"20241", true, "2025-01-01 00:00:00.000"},
        {L"2024021", true, "2024-02-20 00:00:00.000"},
        {L"2024022", true, "2024-03-01 00:00:00.000"},
        {L"20240219", true, "2024-02-20 00:00:00.000"},
        {L"20240109", true, "2024-01-10 00:00:00.000"},
        {L"2", true, "3000-01-01 00:00:00.000"},
        {L"2099", true, "2100-01-01 00:00:00.000"},
        {L"9999", false, "0000-01-01 00:00:00.000"},
        {L"99991231", false, "0000-01-01 00:00:00.000"},
        {L"", false, "0000-01-01 00:00:00.000"},
        {nullptr, false, "0000-01-01 00:00:00.000"},
        {L"202403091234567890", false, "0000-01-01 00:00:00.000"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(Texte(c.psz));
        CXTime cl(2001, 2, 3, 4, 5, 6, 0);
        EXPECT_EQ(cl.bSetVQDateTimeMax(c.psz, 1), c.bAttendu);
        EXPECT_EQ(Texte(cl), c.pszApres);
        EXPECT_EQ(cl.nGetTimeTm()->tm_isdst, c.bAttendu ? 1 : -1);
    }
}

// Every period a full date names ends where the next day starts, across month and year ends and
// leap years: the upper bound of a day is the lower bound of the day after.
TEST(XTimeTest, UpperBoundOfEachDayIsTheNextDay) {
    for (int nYear : {1900, 2000, 2023, 2024}) {
        for (int nMonth = 1; nMonth <= 12; ++nMonth) {
            for (int nDay = 1; nDay <= CXTime::nGetDayInMonth(nYear, nMonth); ++nDay) {
                wchar_t sz[16];
                swprintf(sz, 16, L"%04d%02d%02d", nYear, nMonth, nDay);
                CXTime clMax;
                ASSERT_TRUE(clMax.bSetVQDateTimeMax(sz, -1)) << Texte(sz);
                CXTime clSuivant(nYear, nMonth, nDay + 1, 0, 0, 0, -1);
                clSuivant.nGetTime32_t_UTC();  // normalised: the 32nd is the 1st of the next month
                ASSERT_EQ(Texte(clMax), Texte(clSuivant)) << Texte(sz);
            }
        }
    }
}

}  // namespace
