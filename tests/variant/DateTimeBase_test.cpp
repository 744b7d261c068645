// The compact date-time: its record layout, calendar (leap years, day numbers across the 1582
// reform, week days, ISO weeks, Julian day), checked setters, shifts, digit texts and parsers.
#include "variant/DateTimeBase.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "core/STRUtil.h"
#include "core/TString.h"
#include "core/VQBIN.h"
#include "core/XYString.h"
#include "variant/DateTime.h"

namespace {

CDateTimeBase Dt(int nAnnee, int nMois, int nJour, int nHeure = 0, int nMinute = 0, int nSeconde = 0, int nMilli = 0) {
    CDateTimeBase cl;
    cl.Set(nAnnee, nMois, nJour, nHeure, nMinute, nSeconde, nMilli);
    return cl;
}

// Readable form for failure messages: AAAA-MM-JJ HH:MM:SS.mmm.
std::string Texte(const CDateTimeBase& cl) {
    char sz[64];
    snprintf(sz, sizeof(sz), "%04d-%02d-%02d %02d:%02d:%02d.%03d", cl.nGetAnnee(), cl.nGetMois(), cl.nGetJour(),
             cl.nGetHeure(), cl.nGetMinute(), cl.nGetSeconde(), cl.nGetMilliseconde());
    return sz;
}

CVQBIN Binaire(const char* psz) {
    return CVQBIN(reinterpret_cast<const unsigned char*>(psz), int(strlen(psz)));
}

// ----------------------------------------------------------------------------------------- layout

// The host reads the value straight from its records: date word (day, month, year as u16), then the
// milliseconds of the day, little-endian.
TEST(DateTimeBaseTest, RecordLayoutAsTheHostReadsIt) {
    static_assert(offsetof(CDateTimeBase, m_dwDate) == 0 && offsetof(CDateTimeBase, m_dwTime) == 4);
    static_assert(sizeof(CDateTime) == 8);
    const CDateTimeBase cl = Dt(2024, 2, 29, 13, 45, 0, 120);
    const unsigned char abyAttendu[8] = {0x1D, 0x02, 0xE8, 0x07, 0xD8, 0x4F, 0xF3, 0x02};
    EXPECT_EQ(memcmp(&cl, abyAttendu, 8), 0);
    EXPECT_EQ(cl.m_dwDate, 0x07E8021Du);
    EXPECT_EQ(cl.m_dwTime, 49500120u);
    // The same value as the driver reads it from a server's timestamp with hundredths.
    CDateTimeBase clServeur;
    clServeur.FromString("2024022913450012");
    EXPECT_EQ(memcmp(&clServeur, abyAttendu, 8), 0);

    const CDateTimeBase clVide;
    EXPECT_EQ(clVide.m_dwDate, 0u);
    EXPECT_EQ(clVide.m_dwTime, 0u);
    EXPECT_STREQ(CDateTimeBase::ms_pcszValeurInitDate, L"");
    EXPECT_STREQ(CDateTimeBase::ms_pcszValeurInitTime, L"0000");
}

// Comparing the date words as unsigned integers orders dates in time, then the time word decides.
TEST(DateTimeBaseTest, CompareByDateWordThenTime) {
    struct Case {
        CDateTimeBase a, b;
        int nAttendu, nDateSeule;
    } aCases[] = {
        {Dt(2024, 3, 9), Dt(2024, 3, 9), 0, 0},
        {Dt(2024, 3, 9, 0, 0, 0, 1), Dt(2024, 3, 9), 1, 0},
        {Dt(2023, 12, 31, 23, 59, 59, 999), Dt(2024, 1, 1), -1, -1},
        {Dt(2024, 2, 1), Dt(2024, 1, 31, 23), 1, 1},
        {CDateTimeBase(), Dt(1, 1, 1), -1, -1},
        {Dt(9999, 12, 31), Dt(1000, 1, 1, 23), 1, 1},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(Texte(c.a) + " vs " + Texte(c.b));
        EXPECT_EQ(CDateTimeBase::nCompare(c.a, c.b), c.nAttendu);
        EXPECT_EQ(CDateTimeBase::nCompare(c.b, c.a), -c.nAttendu);
        EXPECT_EQ(CDateTimeBase::s_nCompareDateSeule(c.a, c.b), c.nDateSeule);
    }
}

// --------------------------------------------------------------------------------------- calendar

TEST(DateTimeBaseTest, LeapYearsJulianUpTo1582GregorianFrom1583) {
    struct Case {
        int nAnnee, nAttendu;
    } aCases[] = {{4, 1},    {100, 1},  {1500, 1}, {1580, 1}, {1582, 0}, {1584, 1}, {1600, 1},
                  {1700, 0}, {1900, 0}, {2000, 1}, {2023, 0}, {2024, 1}, {2100, 0}, {9996, 1}};
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.nAnnee);
        EXPECT_EQ(CDateTimeBase::__nBissextile(c.nAnnee), c.nAttendu);
        EXPECT_EQ(CDateTimeBase::s_nGetNbJourMois(2, c.nAnnee), 28 + c.nAttendu);
    }
    EXPECT_EQ(CDateTimeBase::s_nGetNbJourMois(4, 2024), 30);
    EXPECT_EQ(CDateTimeBase::s_nGetNbJourMois(12, 2024), 31);
    EXPECT_EQ(CDateTimeBase::s_nGetNbJourMois(0, 2024), 0);
    EXPECT_EQ(CDateTimeBase::s_nGetNbJourMois(13, 2024), 0);
}

TEST(DateTimeBaseTest, DayNumbersOfKnownDates) {
    struct Case {
        int nJour, nMois, nAnnee, nAttendu;
    } aCases[] = {
        {1, 1, 1800, 1},        {31, 12, 1799, 0},     {31, 12, 1899, 36524}, {1, 1, 1900, 36525},
        {30, 12, 1899, 36523},  {1, 1, 1970, 62092},   {1, 3, 2000, 73109},   {31, 12, 9999, 2994988},
        {15, 10, 1582, -79335}, {4, 10, 1582, -79336},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.nAnnee << "-" << c.nMois << "-" << c.nJour);
        int n = -1;
        EXPECT_TRUE(CDateTimeBase::__bDateVersEntier(c.nJour, c.nMois, c.nAnnee, &n, true));
        EXPECT_EQ(n, c.nAttendu);
        EXPECT_EQ(CDateTimeBase::s_nDateVersEntier(c.nJour, c.nMois, c.nAnnee), c.nAttendu);
        int nJour = 0, nMois = 0, nAnnee = 0;
        ASSERT_TRUE(CDateTimeBase::__bEntierVersDate(c.nAttendu, &nJour, &nMois, &nAnnee));
        EXPECT_EQ(nJour, c.nJour);
        EXPECT_EQ(nMois, c.nMois);
        EXPECT_EQ(nAnnee, c.nAnnee);
    }
    // The largest number a date is made from is the day after 9999-12-31.
    int n = 0;
    EXPECT_TRUE(CDateTimeBase::__bDateVersEntier(1, 1, 10000, &n, false));
    EXPECT_EQ(n, CDateTimeBase::ENTIER_MAX);
    int nJour, nMois, nAnnee;
    EXPECT_TRUE(CDateTimeBase::__bEntierVersDate(CDateTimeBase::ENTIER_MAX, &nJour, &nMois, &nAnnee));
    EXPECT_EQ(nAnnee, 10000);
    EXPECT_FALSE(CDateTimeBase::__bEntierVersDate(CDateTimeBase::ENTIER_MAX + 1, &nJour, &nMois, &nAnnee));
    EXPECT_FALSE(CDateTimeBase::__bEntierVersDate(-1000000, &nJour, &nMois, &nAnnee));
}

TEST(DateTimeBaseTest, InvalidDatesHaveNoDayNumber) {
    struct Case {
        int nJour, nMois, nAnnee;
        bool bCheck;
    } aCases[] = {
        {29, 2, 1900, true}, {29, 2, 2023, true},  {31, 4, 2024, true}, {0, 1, 2024, true},  {32, 1, 2024, true},
        {1, 0, 2024, true},  {1, 13, 2024, true},  {1, 1, 0, true},     {1, 1, 10000, true}, {1, 13, 2024, false},
        {0, 1, 2024, false}, {30, 2, 2024, false}, {1, 1, -1, false},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.nAnnee << "-" << c.nMois << "-" << c.nJour << " check " << c.bCheck);
        int n = 12345;
        EXPECT_FALSE(CDateTimeBase::__bDateVersEntier(c.nJour, c.nMois, c.nAnnee, &n, c.bCheck));
        EXPECT_EQ(n, 12345);
        if (c.bCheck) {
            EXPECT_EQ(CDateTimeBase::s_nDateVersEntier(c.nJour, c.nMois, c.nAnnee), 0);
        }
    }
    EXPECT_TRUE(CDateTimeBase::__bDateVersEntier(29, 2, 1500, nullptr, true));
}

// Day numbers count real days: every day from 0001-01-01 to 9999-12-31 comes back from its number,
// follows the previous one in the calendar (1582-10-04 is followed by 1582-10-15) and is the Julian
// day less 2,378,496.
TEST(DateTimeBaseTest, EveryDayRoundTripsAndFollowsThePrevious) {
    const int nPremier = CDateTimeBase::s_nDateVersEntier(1, 1, 1);
    const int nDernier = CDateTimeBase::s_nDateVersEntier(31, 12, 9999);
    ASSERT_EQ(nDernier, 2994988);
    int nJourAvant = 31, nMoisAvant = 12, nAnneeAvant = 0;
    int nEchecs = 0;
    for (int n = nPremier; n <= nDernier && nEchecs < 5; ++n) {
        int nJour, nMois, nAnnee;
        if (!CDateTimeBase::__bEntierVersDate(n, &nJour, &nMois, &nAnnee)) {
            ADD_FAILURE() << "no date for " << n;
            ++nEchecs;
            continue;
        }
        int nJourAttendu = nJourAvant + 1, nMoisAttendu = nMoisAvant, nAnneeAttendue = nAnneeAvant;
        if (nAnneeAvant == 1582 && nMoisAvant == 10 && nJourAvant == 4) nJourAttendu = 15;
        if (nJourAttendu > CDateTimeBase::s_nGetNbJourMois(nMoisAvant, nAnneeAvant)) {
            nJourAttendu = 1;
            if (++nMoisAttendu > 12) {
                nMoisAttendu = 1;
                ++nAnneeAttendue;
            }
        }
        int nRetour = 0;
        const bool bRetour = CDateTimeBase::__bDateVersEntier(nJour, nMois, nAnnee, &nRetour, true);
        const CDateTimeBase cl = Dt(nAnnee, nMois, nJour);
        if (nJour != nJourAttendu || nMois != nMoisAttendu || nAnnee != nAnneeAttendue || !bRetour || nRetour != n ||
            cl.nVersJourJulien() != n + 2378496) {
            ADD_FAILURE() << "day " << n << " gives " << Texte(cl) << " after " << nAnneeAvant << "-" << nMoisAvant
                          << "-" << nJourAvant << ", back " << nRetour << ", Julian day " << cl.nVersJourJulien();
            ++nEchecs;
        }
        nJourAvant = nJour;
        nMoisAvant = nMois;
        nAnneeAvant = nAnnee;
    }
    EXPECT_EQ(nAnneeAvant, 9999);
}

// The labels the reform skipped are valid dates that count as the day after it.
TEST(DateTimeBaseTest, ReformSkippedDaysCountAsThe15th) {
    const int n15 = CDateTimeBase::s_nDateVersEntier(15, 10, 1582);
    EXPECT_EQ(CDateTimeBase::s_nDateVersEntier(5, 10, 1582), n15);
    EXPECT_EQ(CDateTimeBase::s_nDateVersEntier(14, 10, 1582), n15);
    EXPECT_EQ(CDateTimeBase::s_nDateVersEntier(4, 10, 1582), n15 - 1);
    EXPECT_EQ(CDateTimeBase::s_nDateVersEntier(1, 1, 1583) - CDateTimeBase::s_nDateVersEntier(1, 1, 1582), 355);
    EXPECT_EQ(Dt(1582, 10, 10).nVersJourJulien(), 2299161);
}

TEST(DateTimeBaseTest, WeekDaysDaysOfYearAndJulianDays) {
    struct Case {
        CDateTimeBase cl;
        int nJourSemaine, nJourAnnee, nJourJulien;
    } aCases[] = {
        {Dt(1800, 1, 1), 3, 1, 2378497},     {Dt(1900, 1, 1), 1, 1, 2415021},     {Dt(1970, 1, 1), 4, 1, 2440588},
        {Dt(2000, 1, 1), 6, 1, 2451545},     {Dt(2024, 2, 29), 4, 60, 2460370},   {Dt(2024, 3, 1), 5, 61, 2460371},
        {Dt(2023, 3, 1), 3, 60, 2460005},    {Dt(2024, 12, 31), 2, 366, 2460676}, {Dt(1582, 10, 4), 4, 277, 2299160},
        {Dt(1582, 10, 15), 5, 288, 2299161}, {Dt(1500, 12, 31), 4, 366, 2269298}, {Dt(1, 1, 1), 6, 1, 1721424},
        {Dt(9999, 12, 31), 5, 365, 5373484},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(Texte(c.cl));
        EXPECT_EQ(c.cl.nGetJourDeLaSemaine(), c.nJourSemaine);
        EXPECT_EQ(c.cl.nGetJourDansAnnee(), c.nJourAnnee);
        EXPECT_EQ(c.cl.nVersJourJulien(), c.nJourJulien);
    }
    // No week day for what is not a date.
    EXPECT_EQ(CDateTimeBase().nGetJourDeLaSemaine(), -1);
    EXPECT_EQ(Dt(2023, 2, 29).nGetJourDeLaSemaine(), -1);
    EXPECT_EQ(Dt(2024, 13, 1).nGetJourDansAnnee(), 0);
}

TEST(DateTimeBaseTest, IsoWeekDates) {
    struct Case {
        CDateTimeBase cl;
        int nAnnee, nSemaine, nJour;
    } aCases[] = {
        {Dt(2021, 1, 1), 2020, 53, 5}, {Dt(2015, 1, 7), 2015, 2, 3},    {Dt(2009, 1, 1), 2009, 1, 4},
        {Dt(2016, 1, 7), 2016, 1, 4},  {Dt(2024, 12, 30), 2025, 1, 1},  {Dt(2027, 1, 3), 2026, 53, 7},
        {Dt(2024, 3, 9), 2024, 10, 6}, {Dt(9999, 12, 31), 9999, 52, 5}, {Dt(1, 1, 1), 0, 53, 6},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(Texte(c.cl));
        int nAnnee = -1, nSemaine = -1, nJour = -1;
        c.cl.VersISO8601YWD(nAnnee, nSemaine, nJour);
        EXPECT_EQ(nAnnee, c.nAnnee);
        EXPECT_EQ(nSemaine, c.nSemaine);
        EXPECT_EQ(nJour, c.nJour);
    }
    int nAnnee = -1, nSemaine = -1, nJour = -1;
    Dt(2023, 2, 29).VersISO8601YWD(nAnnee, nSemaine, nJour);
    EXPECT_EQ(nAnnee + nSemaine + nJour, 0);
}

// ---------------------------------------------------------------------------------------- setters

TEST(DateTimeBaseTest, SettersRefuseOutOfRangeAndCutTheDay) {
    enum eChamp { HEURE, MINUTE, SECONDE, JOUR, MOIS, ANNEE };
    struct Case {
        CDateTimeBase clAvant;
        eChamp eQuoi;
        int nValeur;
        bool bAttendu;
        CDateTimeBase clApres;
    } aCases[] = {
        {Dt(2024, 5, 6, 7, 8, 9, 10), MOIS, 13, false, Dt(2024, 5, 6, 7, 8, 9, 10)},
        {Dt(2024, 5, 6, 7, 8, 9, 10), MOIS, 0, false, Dt(2024, 5, 6, 7, 8, 9, 10)},
        {Dt(2024, 5, 6, 7, 8, 9, 10), JOUR, 0, false, Dt(2024, 5, 6, 7, 8, 9, 10)},
        {Dt(2024, 5, 6, 7, 8, 9, 10), JOUR, 32, false, Dt(2024, 5, 6, 7, 8, 9, 10)},
        {Dt(2024, 5, 6, 7, 8, 9, 10), ANNEE, 10000, false, Dt(2024, 5, 6, 7, 8, 9, 10)},
        {Dt(2024, 5, 6, 7, 8, 9, 10), ANNEE, 0, false, Dt(2024, 5, 6, 7, 8, 9, 10)},
        {Dt(2024, 5, 6, 7, 8, 9, 10), HEURE, 24, false, Dt(2024, 5, 6, 7, 8, 9, 10)},
        {Dt(2024, 5, 6, 7, 8, 9, 10), HEURE, -1, false, Dt(2024, 5, 6, 7, 8, 9, 10)},
        {Dt(2024, 5, 6, 7, 8, 9, 10), MINUTE, 60, false, Dt(2024, 5, 6, 7, 8, 9, 10)},
        {Dt(2024, 5, 6, 7, 8, 9, 10), SECONDE, 60, false, Dt(2024, 5, 6, 7, 8, 9, 10)},
        {Dt(2024, 5, 6, 7, 8, 9, 10), HEURE, 23, true, Dt(2024, 5, 6, 23, 8, 9, 10)},
        {Dt(2024, 5, 6, 7, 8, 9, 10), MINUTE, 59, true, Dt(2024, 5, 6, 7, 59, 9, 10)},
        {Dt(2024, 5, 6, 7, 8, 9, 10), SECONDE, 0, true, Dt(2024, 5, 6, 7, 8, 0, 10)},
        {Dt(2024, 1, 31), MOIS, 2, true, Dt(2024, 2, 29)},
        {Dt(2023, 1, 31), MOIS, 2, true, Dt(2023, 2, 28)},
        {Dt(2024, 2, 29), ANNEE, 2023, true, Dt(2023, 2, 28)},
        {Dt(2024, 2, 29), ANNEE, 1500, true, Dt(1500, 2, 29)},
        {Dt(2024, 4, 1), JOUR, 31, true, Dt(2024, 4, 30)},
        {CDateTimeBase(), JOUR, 31, true, Dt(0, 0, 31)},  // no month yet: nothing to cut to
        {Dt(0, 0, 31), MOIS, 2, true, Dt(0, 2, 31)},      // no year yet
        {Dt(0, 2, 31), ANNEE, 2023, true, Dt(2023, 2, 28)},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << Texte(c.clAvant) << " field " << c.eQuoi << " = " << c.nValeur);
        CDateTimeBase cl = c.clAvant;
        bool b = false;
        switch (c.eQuoi) {
            case HEURE:
                b = cl.bModifieHeure(c.nValeur);
                break;
            case MINUTE:
                b = cl.bModifieMinute(c.nValeur);
                break;
            case SECONDE:
                b = cl.bModifieSeconde(c.nValeur);
                break;
            case JOUR:
                b = cl.bModifieJour(c.nValeur);
                break;
            case MOIS:
                b = cl.bModifieMois(c.nValeur);
                break;
            case ANNEE:
                b = cl.bModifieAnnee(c.nValeur);
                break;
        }
        EXPECT_EQ(b, c.bAttendu);
        EXPECT_EQ(Texte(cl), Texte(c.clApres));
    }
}

TEST(DateTimeBaseTest, InitDateFromSystemTimeGoesThroughTheSetters) {
    CDateTimeBase cl = Dt(2024, 1, 31, 1, 2, 3, 4);
    SYSTEMTIME st = {2023, 2, 3, 15, 13, 45, 30, 120};
    EXPECT_TRUE(cl.InitDate(&st));
    EXPECT_EQ(Texte(cl), "2023-02-15 13:45:30.120");

    // A refused field keeps what it was; milliseconds above 999 answer false and are not taken.
    cl = Dt(2024, 1, 31, 1, 2, 3, 4);
    st = {2023, 0, 0, 0, 24, 60, 61, 1000};
    EXPECT_FALSE(cl.InitDate(&st));
    EXPECT_EQ(Texte(cl), "2023-01-31 01:02:03.004");

    // The system time record gets every field back but the day of week.
    SYSTEMTIME stSortie;
    memset(&stSortie, 0xAB, sizeof(stSortie));
    EXPECT_EQ(Dt(2024, 2, 29, 13, 45, 30, 120).nVersSysteme(&stSortie), 0);
    EXPECT_EQ(stSortie.wYear, 2024);
    EXPECT_EQ(stSortie.wMonth, 2);
    EXPECT_EQ(stSortie.wDay, 29);
    EXPECT_EQ(stSortie.wHour, 13);
    EXPECT_EQ(stSortie.wMinute, 45);
    EXPECT_EQ(stSortie.wSecond, 30);
    EXPECT_EQ(stSortie.wMilliseconds, 120);
    EXPECT_EQ(stSortie.wDayOfWeek, 0xABAB);
}

// Now, in a fixed zone: the local and UTC readings differ by the zone's offset.
TEST(DateTimeBaseTest, CurrentDateLocalAndUtc) {
    const char* pszTZ = getenv("TZ");
    const std::string sAncien = pszTZ ? pszTZ : "";
    setenv("TZ", "UTC-5", 1);  // POSIX sign: five hours east of UTC, no daylight saving
    tzset();
    CDateTimeBase clLocal, clUTC;
    ASSERT_TRUE(clUTC.InitDateCouranteUTC());
    ASSERT_TRUE(clLocal.InitDateCourante());
    if (pszTZ)
        setenv("TZ", sAncien.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
    CDureeBase clEcart;
    ASSERT_EQ(CDateTimeBase::nCalculeDuree(clLocal, clUTC, &clEcart), 0);
    EXPECT_NEAR(double(clEcart.nGetMilli()), 5 * 3600000.0, 60000.0);
    EXPECT_GE(clUTC.nGetAnnee(), 2024);
}

// ----------------------------------------------------------------------------------------- shifts

TEST(DateTimeBaseTest, ShiftsCarryAndCutTheDay) {
    enum eDecalage { JOURS, MILLI, MOIS, ANNEES };
    struct Case {
        CDateTimeBase clAvant;
        eDecalage eQuoi;
        int64_t n;
        bool bAttendu;
        CDateTimeBase clApres;
    } aCases[] = {
        {Dt(2024, 3, 31), MOIS, -1, true, Dt(2024, 2, 29)},
        {Dt(2024, 12, 15), MOIS, 13, true, Dt(2026, 1, 15)},
        {Dt(2024, 1, 15), MOIS, -13, true, Dt(2022, 12, 15)},
        {Dt(2024, 1, 31), MOIS, 1, true, Dt(2024, 2, 29)},
        {Dt(2024, 5, 31), MOIS, -24, true, Dt(2022, 5, 31)},
        {Dt(2024, 1, 1), MILLI, -1, true, Dt(2023, 12, 31, 23, 59, 59, 999)},
        {Dt(2023, 12, 31, 23, 59, 59, 999), MILLI, 1, true, Dt(2024, 1, 1)},
        {Dt(2024, 2, 28, 12), MILLI, 2 * 86400000LL + 12 * 3600000LL, true, Dt(2024, 3, 2)},
        {Dt(2024, 3, 1, 6), MILLI, -86400000LL - 7 * 3600000LL, true, Dt(2024, 2, 28, 23)},
        {Dt(2024, 3, 9, 5), MILLI, 3600000, true, Dt(2024, 3, 9, 6)},
        {CDateTimeBase(), JOURS, 5, true, CDateTimeBase()},
        {Dt(2024, 1, 1), JOURS, 366, true, Dt(2025, 1, 1)},
        {Dt(2024, 3, 1), JOURS, -1, true, Dt(2024, 2, 29)},
        {Dt(1500, 3, 1), JOURS, -1, true, Dt(1500, 2, 29)},
        {Dt(1582, 10, 4), JOURS, 1, true, Dt(1582, 10, 15)},
        {Dt(1582, 10, 15), JOURS, -1, true, Dt(1582, 10, 4)},
        {Dt(2024, 2, 30), JOURS, 1, false, Dt(2024, 2, 30)},
        {Dt(2024, 2, 29), ANNEES, 1, true, Dt(2025, 2, 28)},
        {Dt(2024, 2, 29), ANNEES, 4, true, Dt(2028, 2, 29)},
        {Dt(0, 1, 1), ANNEES, 1, false, Dt(0, 1, 1)},
        {Dt(2024, 0, 1), MOIS, 1, false, Dt(2024, 0, 1)},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << Texte(c.clAvant) << " shift " << c.eQuoi << " by " << c.n);
        CDateTimeBase cl = c.clAvant;
        bool b = false;
        switch (c.eQuoi) {
            case JOURS:
                b = cl.bDecaleJour(int(c.n));
                break;
            case MILLI:
                b = cl.bDecaleMilli(c.n);
                break;
            case MOIS:
                b = cl.bDecaleMois(int(c.n));
                break;
            case ANNEES:
                b = cl.bDecaleAnnee(int(c.n));
                break;
        }
        EXPECT_EQ(b, c.bAttendu);
        EXPECT_EQ(Texte(cl), Texte(c.clApres));
    }
}

// A shift that would leave the years 1 to 9,999 is refused and changes nothing: not the year (which
// would no longer be a date, or spill past 16 bits), not the month a month shift set first, not the
// time a millisecond shift set first.
TEST(DateTimeBaseTest, ShiftsOutOfTheYearRangeChangeNothing) {
    struct Case {
        const char* pszQuoi;
        bool (*pfn)(CDateTimeBase&);
        CDateTimeBase clAvant;
    } aCases[] = {
        {"years +1 from 9999", [](CDateTimeBase& cl) { return cl.bDecaleAnnee(1); }, Dt(9999, 6, 1)},
        {"years -2024 from 2024", [](CDateTimeBase& cl) { return cl.bDecaleAnnee(-2024); }, Dt(2024, 6, 1)},
        {"years +70000", [](CDateTimeBase& cl) { return cl.bDecaleAnnee(70000); }, Dt(2024, 6, 1)},
        {"years INT_MAX", [](CDateTimeBase& cl) { return cl.bDecaleAnnee(INT_MAX); }, Dt(2024, 6, 1)},
        {"months +7 from 9999-06", [](CDateTimeBase& cl) { return cl.bDecaleMois(7); }, Dt(9999, 6, 30)},
        {"months -1 from 0001-01", [](CDateTimeBase& cl) { return cl.bDecaleMois(-1); }, Dt(1, 1, 31)},
        {"days +1 from 9999-12-31", [](CDateTimeBase& cl) { return cl.bDecaleJour(1); }, Dt(9999, 12, 31)},
        {"days -1 from 0001-01-01", [](CDateTimeBase& cl) { return cl.bDecaleJour(-1); }, Dt(1, 1, 1)},
        {"days INT_MIN", [](CDateTimeBase& cl) { return cl.bDecaleJour(INT_MIN); }, Dt(2024, 6, 1)},
        {"ms one day from 9999-12-31 12:00", [](CDateTimeBase& cl) { return cl.bDecaleMilli(86400000); },
         Dt(9999, 12, 31, 12)},
        {"ms INT64_MIN", [](CDateTimeBase& cl) { return cl.bDecaleMilli(INT64_MIN); }, Dt(2024, 6, 1, 12)},
        {"ms INT64_MAX", [](CDateTimeBase& cl) { return cl.bDecaleMilli(INT64_MAX); }, Dt(2024, 6, 1, 12)},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszQuoi);
        CDateTimeBase cl = c.clAvant;
        EXPECT_FALSE(c.pfn(cl));
        EXPECT_EQ(Texte(cl), Texte(c.clAvant));
    }
}

TEST(DateTimeBaseTest, DurationAndDayDifference) {
    CDureeBase clDuree;
    EXPECT_EQ(CDateTimeBase::nCalculeDuree(Dt(2024, 3, 1), Dt(2024, 2, 28, 12), &clDuree), 0);
    EXPECT_EQ(clDuree.nGetMilli(), 36 * 3600000LL);
    EXPECT_EQ(CDateTimeBase::nCalculeDuree(Dt(1, 1, 1), Dt(9999, 12, 31, 23, 59, 59, 999), &clDuree), 0);
    EXPECT_EQ(clDuree.nGetMilli(), -(int64_t(2994988 + 657072) * 86400000LL) - 86399999);

    clDuree.SetMilli(77);
    EXPECT_EQ(CDateTimeBase::nCalculeDuree(Dt(2023, 2, 29), Dt(2024, 1, 1), &clDuree), 110);
    EXPECT_EQ(CDateTimeBase::nCalculeDuree(Dt(2024, 1, 1), CDateTimeBase(), &clDuree), 110);
    EXPECT_EQ(clDuree.nGetMilli(), 77);

    int n = 0;
    EXPECT_TRUE(CDateTimeBase::bCalculeDiffJour(Dt(2025, 1, 1), Dt(2024, 1, 1, 23), &n));
    EXPECT_EQ(n, 366);
    EXPECT_FALSE(CDateTimeBase::bCalculeDiffJour(Dt(1900, 1, 1), CDateTimeBase(), &n));
    EXPECT_EQ(n, 36525);  // the invalid date counts as day 0

    EXPECT_EQ(Dt(1900, 1, 1).nVersEntier(&n), 0);
    EXPECT_EQ(n, 36525);
    n = 5;
    EXPECT_EQ(Dt(1900, 2, 29).nVersEntier(&n), 110);
    EXPECT_EQ(n, 5);
}

// ------------------------------------------------------------------------------------- text forms

TEST(DateTimeBaseTest, DigitTextsAreCutToTheAskedSize) {
    const CDateTimeBase cl = Dt(2024, 3, 9, 12, 34, 56, 789);
    struct Case {
        const char* pszQuoi;
        int n;
        const char* pszAttendu;
    } aCases[] = {
        {"chaine", 17, "20240309123456789"},
        {"chaine", 30, "20240309123456789"},
        {"chaine", 6, "202403"},
        {"chaine", 0, ""},
        {"chaine", -3, ""},
        {"date", 8, "20240309"},
        {"date", 6, "202403"},
        {"date", 20, "20240309"},
        {"heure", 9, "123456789"},
        {"heure", 4, "1234"},
        {"heure", 12, "123456789"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.pszQuoi << " " << c.n);
        char sz[32];
        wchar_t szW[32];
        memset(sz, 'x', sizeof(sz));
        wmemset(szW, L'x', 32);
        if (c.pszQuoi[0] == 'c') {
            cl.VersChaine(sz, c.n);
            cl.VersChaine(szW, c.n);
        } else if (c.pszQuoi[0] == 'd') {
            EXPECT_EQ(cl.nVersDate(sz, c.n), 0);
            EXPECT_EQ(cl.nVersDate(szW, c.n), 0);
        } else {
            EXPECT_EQ(cl.nVersHeure(sz, c.n), 0);
            EXPECT_EQ(cl.nVersHeure(szW, c.n), 0);
        }
        EXPECT_STREQ(sz, c.pszAttendu);
        EXPECT_EQ(sz[strlen(c.pszAttendu) + 1], 'x');  // nothing written past the terminator
        EXPECT_EQ(CTString(c.pszAttendu), CTString(szW));
    }
    char sz[32];
    Dt(1, 2, 3).VersChaine(sz, 17);
    EXPECT_STREQ(sz, "00010203000000000");
}

TEST(DateTimeBaseTest, DigitTextIntoStringsAndBinaries) {
    const CDateTimeBase cl = Dt(2024, 3, 9, 12, 34, 56, 7);
    wchar_t* psz = cl.pszCreeChaine();
    ASSERT_NE(psz, nullptr);
    EXPECT_STREQ(psz, L"20240309123456007");
    STR_Delete(psz);

    CTString clTexte;
    cl.VersChaine(&clTexte);
    EXPECT_STREQ(clTexte.pszGet(), L"20240309123456007");
    EXPECT_STREQ(cl.VersChaine().pszGet(), L"20240309123456007");
    EXPECT_STREQ(cl.VersChaineFormate().pszGet(), L"2024-3-9 12:34:56,7");

    CXYString<wchar_t> clChaine;
    EXPECT_EQ(cl.nVersChaine(&clChaine), 0);
    EXPECT_STREQ(clChaine.pszGet(), L"20240309123456007");
    EXPECT_EQ(clChaine.nGetLongueur(), 17);

    CVQBIN clBinaire = Binaire("previous content that is longer");
    CVQBIN clPartage = clBinaire;  // a copy sharing the buffer must keep its own bytes
    EXPECT_EQ(cl.nVersBinaire(&clBinaire, 0), 0);
    ASSERT_EQ(clBinaire.nGetTaille(), 17);
    EXPECT_EQ(memcmp(clBinaire.pbyGet(), "20240309123456007", 17), 0);
    EXPECT_EQ(clPartage.nGetTaille(), 31);
}

TEST(DateTimeBaseTest, TextCompareTreatsAPrefixAsEqual) {
    struct Case {
        const wchar_t *pszA, *pszB;
        int nAttendu;
    } aCases[] = {
        {L"", L"", 0},
        {nullptr, L"", 0},
        {L"", L"1", -1},
        {L"1", nullptr, 1},
        {L"20240309", L"20240309123000000", 0},
        {L"20240309", L"20240310", -1},
        {L"2024031", L"20240309", 1},
        {L"1230", L"123000000", 0},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << (c.pszA ? c.pszA : L"(null)") << " / " << (c.pszB ? c.pszB : L"(null)"));
        EXPECT_EQ(CDateTimeBase::nCompareDate(c.pszA, c.pszB), c.nAttendu);
        EXPECT_EQ(CDateTimeBase::nCompareHeure(c.pszB, c.pszA), -c.nAttendu);
    }
    const CDateTimeBase cl = Dt(2024, 3, 9, 12, 30);
    EXPECT_EQ(cl.nCompare(L"20240309"), 0);
    EXPECT_EQ(cl.nCompare(L"202403091230"), 0);
    EXPECT_EQ(cl.nCompare(L"202403091231"), -1);
    EXPECT_EQ(cl.nCompare(L"20240308235959999"), 1);
    EXPECT_EQ(cl.nCompare(L""), 1);
}

TEST(DateTimeBaseTest, TextsIntoSystemTimeRecords) {
    SYSTEMTIME st;
    memset(&st, 0xAB, sizeof(st));
    EXPECT_EQ(CDateTimeBase::nDateVersSysteme(L"20240309", &st), 0);
    EXPECT_EQ(st.wYear, 2024);
    EXPECT_EQ(st.wMonth, 3);
    EXPECT_EQ(st.wDay, 9);
    EXPECT_EQ(st.wHour + st.wMinute + st.wSecond + st.wMilliseconds, 0);
    EXPECT_EQ(st.wDayOfWeek, 0xABAB);
    // A short text gives what it has; the fields it does not reach are 0.
    EXPECT_EQ(CDateTimeBase::nDateVersSysteme(L"2024", &st), 0);
    EXPECT_EQ(st.wYear, 2024);
    EXPECT_EQ(st.wMonth + st.wDay, 0);

    struct Case {
        const wchar_t* psz;
        int nHeure, nMinute, nSeconde, nMilli;
    } aCases[] = {
        {L"123456789", 12, 34, 56, 789}, {L"1234565", 12, 34, 56, 500}, {L"12345612", 12, 34, 56, 120},
        {L"123456", 12, 34, 56, 0},      {L"12", 12, 0, 0, 0},          {L"", 0, 0, 0, 0},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.psz);
        memset(&st, 0xAB, sizeof(st));
        EXPECT_EQ(CDateTimeBase::nHeureVersSysteme(c.psz, &st), 0);
        EXPECT_EQ(st.wYear + st.wMonth + st.wDay, 0);
        EXPECT_EQ(st.wHour, c.nHeure);
        EXPECT_EQ(st.wMinute, c.nMinute);
        EXPECT_EQ(st.wSecond, c.nSeconde);
        EXPECT_EQ(st.wMilliseconds, c.nMilli);
        EXPECT_EQ(st.wDayOfWeek, 0xABAB);
    }
}

// ---------------------------------------------------------------------------------------- parsers

// The plain parsers store what the digits say, without checks, and never read past a short text.
TEST(DateTimeBaseTest, PlainParsersTakeTheDigitsAsTheyAre) {
    struct Case {
        const char* psz;
        const char* pszAttendu;
    } aCases[] = {
        {"20240229", "2024-02-29 00:00:00.000"},
        {"202402291230005", "2024-02-29 12:30:00.500"},
        {"2024022912300012", "2024-02-29 12:30:00.120"},
        {"20240229123456789", "2024-02-29 12:34:56.789"},
        {"202402291", "2024-02-29 01:00:00.000"},
        {"20231399", "2023-13-99 00:00:00.000"},
        {"2024", "2024-00-00 00:00:00.000"},
        {"", "0000-00-00 00:00:00.000"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.psz);
        CDateTimeBase cl = Dt(1999, 9, 9, 9, 9, 9, 9);
        cl.FromString(c.psz);
        EXPECT_EQ(Texte(cl), c.pszAttendu);
        CDateTimeBase clW = Dt(1999, 9, 9, 9, 9, 9, 9);
        clW.FromString(CTString(c.psz).pszGet());
        EXPECT_EQ(Texte(clW), c.pszAttendu);
        CDateTimeBase clB = Dt(1999, 9, 9, 9, 9, 9, 9);
        const CVQBIN clBinaire = Binaire(c.psz);
        clB.DepuisBinaire(&clBinaire, 0);
        EXPECT_EQ(Texte(clB), c.pszAttendu);
    }
    CDateTimeBase cl = Dt(2024, 1, 2);
    cl.__SetPartieHeure(L"0930");
    EXPECT_EQ(Texte(cl), "2024-01-02 09:30:00.000");
    cl.FromString(static_cast<const char*>(nullptr));
    EXPECT_EQ(Texte(cl), "0000-00-00 00:00:00.000");
    // A binary string longer than 17 bytes: only the first 17 count.
    const CVQBIN clLong = Binaire("2024022912345678999");
    cl.DepuisBinaire(&clLong, 0);
    EXPECT_EQ(Texte(cl), "2024-02-29 12:34:56.789");
}

TEST(DateTimeBaseTest, ValidatingTimeParser) {
    struct Case {
        const char* psz;
        bool bAttendu;
        uint32_t dwTime;
    } aCases[] = {
        {"", true, 0},
        {"12", true, 12 * 3600000},
        {"1230", true, 45000000},
        {"123000", true, 45000000},
        {"1230001", true, 45000100},
        {"12300012", true, 45000120},
        {"123000123", true, 45000123},
        {"123000123456", true, 45000123},  // characters past the ninth are not looked at
        {"1230001x", true, 45000100},      // a non-digit after the seconds ends the time
        {"123000x", true, 45000000},
        {"235959999", true, 86399999},
        {"1", false, 0},
        {"123", false, 0},
        {"12300", false, 0},
        {"246000", false, 0},
        {"126000", false, 0},
        {"120060", false, 0},
        {"12a000", false, 0},
        {"x2", false, 0},
        {"12 0", false, 0},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.psz);
        CDateTimeBase cl = Dt(2024, 1, 2, 3, 4, 5, 6);
        const uint32_t dwAvant = cl.m_dwTime;
        EXPECT_EQ(cl.__bSetPartieHeureValide(c.psz), c.bAttendu);
        EXPECT_EQ(cl.m_dwTime, c.bAttendu ? c.dwTime : dwAvant);
        EXPECT_EQ(cl.m_dwDate, Dt(2024, 1, 2).m_dwDate);
        CDateTimeBase clW = Dt(2024, 1, 2, 3, 4, 5, 6);
        EXPECT_EQ(clW.__bSetPartieHeureValide(CTString(c.psz).pszGet()), c.bAttendu);
        EXPECT_EQ(clW.m_dwTime, cl.m_dwTime);
    }
}

TEST(DateTimeBaseTest, ValidatingDateParser) {
    struct Case {
        const char* psz;
        bool bAttendu;
    } aCases[] = {
        {"20240229", true},  {"20230229", false}, {"19000229", false}, {"15000229", true},  {"20241231", true},
        {"20241232", false}, {"20241301", false}, {"20240001", false}, {"20240100", false}, {"2024013", false},
        {"2024a101", false}, {"+2024010", false}, {"00000101", true},  {"99991231", true},  {"", false},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.psz);
        CDateTimeBase cl = Dt(1999, 9, 9, 9);
        EXPECT_EQ(cl.__bSetPartieDateValide(c.psz), c.bAttendu);
        if (c.bAttendu) {
            CDateTimeBase clAttendu;
            clAttendu.FromString(c.psz);
            EXPECT_EQ(cl.m_dwDate, clAttendu.m_dwDate);
        } else {
            EXPECT_EQ(cl.m_dwDate, Dt(1999, 9, 9).m_dwDate);
        }
        EXPECT_EQ(cl.nGetHeure(), 9);
    }
}

TEST(DateTimeBaseTest, ValidatingBinaryParser) {
    struct Case {
        const char* psz;
        int nAttendu;
        const char* pszApres;
    } aCases[] = {
        {"20230229", 110, "1999-09-09 00:00:00.000"},
        {"2023022812", 0, "2023-02-28 12:00:00.000"},
        {"2023022899", 111, "2023-02-28 00:00:00.000"},
        {"20230228", 0, "2023-02-28 00:00:00.000"},
        {"2023022812345678999", 0, "2023-02-28 12:34:56.789"},
        {"202302281", 111, "2023-02-28 00:00:00.000"},
        {"", 110, "1999-09-09 00:00:00.000"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.psz);
        CDateTimeBase cl = Dt(1999, 9, 9, 9, 9, 9, 9);
        const CVQBIN clBinaire = Binaire(c.psz);
        EXPECT_EQ(cl.nDepuisBinaireValide(&clBinaire, 0), c.nAttendu);
        EXPECT_EQ(Texte(cl), c.pszApres);
    }
    CDateTimeBase cl;
    EXPECT_EQ(cl.nDepuisBinaireValide(nullptr, 0), 110);
}

// ----------------------------------------------------------------------------------- digit fields

TEST(DateTimeBaseTest, NumberAtAPlaceOfAText) {
    struct Case {
        const char* psz;
        int nStart, nLength, bPadding, nAttendu;
    } aCases[] = {
        {"20240309", 4, 2, 0, 3}, {"20240309", 0, 4, 0, 2024}, {"20240309", 6, 2, 1, 9},
        {"20243", 4, 2, 1, 30},   {"20243", 4, 2, 0, 0},       {"2024", 4, 2, 1, 0},
        {"2024", 9, 2, 1, 0},     {"202", 0, 4, 1, 2020},      {"2", 0, 4, 1, 2000},
        {"", 0, 4, 1, 0},         {"12a4", 0, 4, 0, 12},       {"1234", 0, 0, 0, 0},
        {"9", 0, 40, 1, INT_MAX}, {"-9", 0, 40, 1, INT_MIN},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.psz << " " << c.nStart << " " << c.nLength << " " << c.bPadding);
        EXPECT_EQ(CDateTimeBase::nGetPropDateTime(c.psz, c.nStart, c.nLength, c.bPadding), c.nAttendu);
        const CTString cl(c.psz);
        EXPECT_EQ(CDateTimeBase::nGetPropDateTime(cl.pszGet(), c.nStart, c.nLength, c.bPadding), c.nAttendu);
    }
    EXPECT_EQ(CDateTimeBase::nGetPropDateTime(static_cast<const char*>(nullptr), 0, 4, 1), 0);
    EXPECT_EQ(CDateTimeBase::nGetPropDateTime(static_cast<const wchar_t*>(nullptr), 0, 4, 1), 0);
}

TEST(DateTimeBaseTest, DigitWriters) {
    struct Case {
        int nStart, nLength, nValue, nTotal;
        const char* pszAttendu;
    } aCases[] = {
        {2, 3, 7, 8, "xx007xxx"}, {0, 4, 2024, 8, "2024xxxx"}, {6, 4, 1234, 8, "xxxxxx00"},
        {0, 2, 1234, 4, "34xx"},  {0, 3, -5, 3, "000"},        {9, 2, 5, 8, "xxxxxxxx"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszAttendu);
        char sz[16];
        wchar_t szW[16];
        memset(sz, 'x', sizeof(sz));
        wmemset(szW, L'x', 16);
        CDateTimeBase::SetPropDateTime(sz, c.nStart, c.nLength, c.nValue, c.nTotal);
        CDateTimeBase::SetPropDateTime(szW, c.nStart, c.nLength, c.nValue, c.nTotal);
        EXPECT_STREQ(sz, c.pszAttendu);
        EXPECT_EQ(sz[c.nTotal + 1], 'x');
        EXPECT_EQ(CTString(c.pszAttendu), CTString(szW));
    }

    struct CaseFast {
        int nValue, nWidth;
        const char* pszAttendu;
    } aFast[] = {{2024, 4, "2024"}, {7, 4, "0007"}, {7, 3, "007"}, {5, 2, "05"}, {7, 1, "7"}, {3, 9, "3"}};
    for (const CaseFast& c : aFast) {
        SCOPED_TRACE(c.pszAttendu);
        char sz[8] = "xxxxxxx";
        CDateTimeBase::FAST_SETI2DATE(sz, c.nValue, c.nWidth);
        EXPECT_EQ(std::string(sz, strlen(c.pszAttendu)), c.pszAttendu);
        EXPECT_EQ(sz[strlen(c.pszAttendu)], 'x');  // no terminator
        wchar_t szW[8] = L"xxxxxxx";
        CDateTimeBase::FAST_SETI2DATE(szW, c.nValue, c.nWidth);
        EXPECT_EQ(CTString(szW, long(strlen(c.pszAttendu))), CTString(c.pszAttendu));
    }
}

}  // namespace
