// The duration value: layout, comparison, its millisecond and hundredths texts and their parsers.
#include "variant/DureeBase.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "core/STRUtil.h"
#include "core/VQBIN.h"
#include "core/XYString.h"
#include "variant/Duree.h"

namespace {

constexpr int64_t JOUR = 86400000;
constexpr int64_t HEURE = 3600000;
constexpr int64_t MINUTE = 60000;

std::wstring Texte(int64_t n, const wchar_t* pszFormat) {
    wchar_t sz[CDureeBase::TAILLE_CHAINE + 1];
    wmemset(sz, L'x', CDureeBase::TAILLE_CHAINE + 1);
    const int nLongueur = CDureeBase(n).__nVersChaine(sz, pszFormat, CDureeBase::TAILLE_CHAINE);
    EXPECT_EQ(nLongueur, int(wcslen(sz)));
    return sz;
}

TEST(DureeBaseTest, LayoutAndComparison) {
    static_assert(offsetof(CDureeBase, m_nDuree) == 0 && sizeof(CDuree) == 8);
    const CDureeBase cl(-2);
    unsigned char aby[8];
    memcpy(aby, &cl, 8);
    EXPECT_EQ(aby[0], 0xFE);
    EXPECT_EQ(aby[7], 0xFF);
    EXPECT_EQ(CDureeBase().nGetMilli(), 0);

    struct Case {
        int64_t a, b;
        int nAttendu;
    } aCases[] = {{0, 0, 0}, {-1, 0, -1}, {5, -5, 1}, {INT64_MIN, INT64_MAX, -1}, {JOUR, JOUR, 0}};
    for (const Case& c : aCases) {
        EXPECT_EQ(CDureeBase::nCompare(CDureeBase(c.a), CDureeBase(c.b)), c.nAttendu) << c.a << " " << c.b;
        EXPECT_EQ(CDureeBase::nCompare(CDureeBase(c.b), CDureeBase(c.a)), -c.nAttendu) << c.a << " " << c.b;
    }
}

// Days (any number of digits), hours, minutes, seconds on two digits, then the fraction; a negative
// duration is preceded by '-', even one whose hundredths round to 0. The hundredths text rounds the
// whole count, so 995 ms and more carry into the seconds and the fraction always keeps two digits.
TEST(DureeBaseTest, Texts) {
    struct Case {
        int64_t n;
        const wchar_t* pszMilli;
        const wchar_t* pszCentieme;
    } aCases[] = {
        {0, L"0000000000", L"000000000"},
        {JOUR + 2 * HEURE + 3 * MINUTE + 4000 + 5, L"1020304005", L"102030401"},
        {-1500, L"-0000001500", L"-000000150"},
        {-1505, L"-0000001505", L"-000000151"},
        {-1504, L"-0000001504", L"-000000150"},
        {1995, L"0000001995", L"000000200"},
        {59995, L"0000059995", L"000010000"},
        {JOUR - 1, L"0235959999", L"100000000"},
        {-4, L"-0000000004", L"-000000000"},
        {12345 * JOUR + 23 * HEURE, L"12345230000000", L"1234523000000"},
        // Past 2^31 days the day count still comes whole; at the bounds the hundredths round down.
        {2147483648LL * JOUR, L"2147483648000000000", L"214748364800000000"},
        {INT64_MIN, L"-106751991167071255808", L"-10675199116707125580"},
        {INT64_MAX, L"106751991167071255807", L"10675199116707125580"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(Texte(c.n, CDureeBase::ms_pcszFormatAffichageMillieme), c.pszMilli);
        EXPECT_EQ(Texte(c.n, CDureeBase::ms_cpszFormatAffichageCentieme), c.pszCentieme);
    }
    // The hundredths format is recognised by its text, not by its address.
    EXPECT_EQ(Texte(1995, std::wstring(CDureeBase::ms_cpszFormatAffichageCentieme).c_str()), L"000000200");
}

TEST(DureeBaseTest, TextThatDoesNotFitIsCutAndTerminated) {
    wchar_t sz[8];
    wmemset(sz, L'x', 8);
    EXPECT_EQ(CDureeBase(JOUR).__nVersChaine(sz, CDureeBase::ms_pcszFormatAffichageMillieme, 4), -1);
    EXPECT_STREQ(sz, L"1000");
    EXPECT_EQ(sz[5], L'x');
    wmemset(sz, L'x', 8);
    EXPECT_EQ(CDureeBase(-1).__nVersChaine(sz, CDureeBase::ms_pcszFormatAffichageMillieme, 0), -1);
    EXPECT_EQ(sz[0], 0);
    EXPECT_EQ(sz[1], L'x');
    EXPECT_EQ(CDureeBase(1).__nVersChaine(sz, nullptr, 4), -1);
}

TEST(DureeBaseTest, TextsIntoStringsAndBinaries) {
    const CDureeBase cl(-(JOUR + 2 * HEURE + 3 * MINUTE + 4000 + 56));
    wchar_t* psz = cl.pszCreeChaine();
    ASSERT_NE(psz, nullptr);
    EXPECT_STREQ(psz, L"-1020304056");
    STR_Delete(psz);

    CXYString<wchar_t> clChaine;
    EXPECT_EQ(cl.nVersChaine(&clChaine), 0);
    EXPECT_STREQ(clChaine.pszGet(), L"-1020304056");
    EXPECT_EQ(cl.nVersChaineCentieme(&clChaine), 0);
    EXPECT_STREQ(clChaine.pszGet(), L"-102030406");
    EXPECT_EQ(clChaine.nGetLongueur(), 10);

    CVQBIN clBinaire;
    EXPECT_EQ(cl.nVersBinaire(&clBinaire, 0), 0);
    ASSERT_EQ(clBinaire.nGetTaille(), 11);
    EXPECT_EQ(memcmp(clBinaire.pbyGet(), "-1020304056", 11), 0);
}

TEST(DureeBaseTest, Parsers) {
    struct Case {
        const wchar_t* psz;
        bool bCentieme;
        int nAttendu;
        int64_t nDuree;
    } aCases[] = {
        {L"-0000001500", false, 0, -1500},
        {L"+0000001500", false, 0, 1500},
        {L"\xFF0D"
         L"0000001500",
         false, 0, -1500},
        {L"\xFF0B"
         L"0000001500",
         false, 0, 1500},
        {L"1020304005", false, 0, JOUR + 2 * HEURE + 3 * MINUTE + 4000 + 5},
        {L"12345230000000", false, 0, 12345 * JOUR + 23 * HEURE},
        {L"0996161000", false, 0, 99 * HEURE + 61 * MINUTE + 61000},  // parts are not range-checked
        {L"123456789", false, 112, 0},
        {L"-123456789", false, 112, 0},
        {L"", false, 112, 0},
        {nullptr, false, 112, 0},
        {L"-000000150", true, 0, -1500},
        {L"102030401", true, 0, JOUR + 2 * HEURE + 3 * MINUTE + 4010},
        {L"00000015", true, 112, 0},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << (c.psz ? c.psz : L"(null)") << (c.bCentieme ? " hundredths" : ""));
        CDureeBase cl(777);
        EXPECT_EQ(c.bCentieme ? cl.nDepuisChaineCentieme(c.psz) : cl.nDepuisChaine(c.psz), c.nAttendu);
        EXPECT_EQ(cl.nGetMilli(), c.nAttendu == 0 ? c.nDuree : 777);
    }
}

// Every text reads back as the value it was written from (hundredths: the value rounded to 10 ms).
TEST(DureeBaseTest, TextsReadBack) {
    // The most days an int holds, in milliseconds: the day count beyond it still reads back.
    constexpr int64_t JOURS_INT = 2147483647LL * JOUR;
    const int64_t aValeurs[] = {
        0,         1,         -1,    999,          1000,       -1995,     1995, JOUR - 1,
        JOUR,      -JOUR - 1, 59995, 123456789012, -987654321, JOURS_INT, -3,   -JOURS_INT - JOUR - 1,
        INT64_MAX, INT64_MIN};
    for (int64_t n : aValeurs) {
        SCOPED_TRACE(n);
        CDureeBase cl;
        ASSERT_EQ(cl.nDepuisChaine(Texte(n, CDureeBase::ms_pcszFormatAffichageMillieme).c_str()), 0);
        EXPECT_EQ(cl.nGetMilli(), n);
        ASSERT_EQ(cl.nDepuisChaineCentieme(Texte(n, CDureeBase::ms_cpszFormatAffichageCentieme).c_str()), 0);
        // To the nearest 10 ms, except at the bounds of the count, which round toward zero.
        int64_t nArrondi = n / 10 * 10;
        if (n > INT64_MIN + 10 && n < INT64_MAX - 10) nArrondi = n < 0 ? -((-n + 5) / 10 * 10) : (n + 5) / 10 * 10;
        EXPECT_EQ(cl.nGetMilli(), nArrondi);
    }
}

TEST(DureeBaseTest, ParserOfBinaries) {
    struct Case {
        const char* psz;
        int nAttendu;
        int64_t nDuree;
    } aCases[] = {
        {"0000001500", 0, 1500},
        {"-1020304005", 0, -(JOUR + 2 * HEURE + 3 * MINUTE + 4005)},
        {"123456789", 112, 0},
        {"", 112, 0},
        // Only the first 24 bytes count: the rest of the text is not part of the duration.
        {"000000000000000000001500999999", 0, 1500},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.psz);
        const CVQBIN clBinaire(reinterpret_cast<const unsigned char*>(c.psz), int(strlen(c.psz)));
        CDureeBase cl(777);
        EXPECT_EQ(cl.nDepuisBinaire(&clBinaire, 0), c.nAttendu);
        EXPECT_EQ(cl.nGetMilli(), c.nAttendu == 0 ? c.nDuree : 777);
    }
    CDureeBase cl(777);
    EXPECT_EQ(cl.nDepuisBinaire(nullptr, 0), 112);
}

}  // namespace
