// Currency values: text forms, conversions, exact arithmetic at the limits of the 80-bit range,
// rounding and the sortable key.
#include "variant/Money.h"

#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

using i128 = __int128;

constexpr long kMaxEntier = 604462909807314587L;  // integer part of the largest value
const wchar_t* const kMax = L"604462909807314587.353087";
const wchar_t* const kMin = L"-604462909807314587.353088";  // the sign bit alone

// Units (millionths) of a value, as the signed 80-bit integer the words hold.
i128 nUnites(const CMoney& st) {
    unsigned __int128 n = 0;
    for (int i = 4; i >= 0; i--) n = (n << 16) | st.m_awMot[i];
    if (n >> 79) n |= ~((static_cast<unsigned __int128>(1) << 80) - 1);
    return static_cast<i128>(n);
}

CMoney stUnites(i128 n) {
    CMoney st;
    for (int i = 0; i < 5; i++, n >>= 16) st.m_awMot[i] = static_cast<uint16_t>(n);
    return st;
}

// A value from its text; the text forms have their own tables below.
CMoney Mo(const wchar_t* psz) {
    CMoney st;
    if (wcscmp(psz, kMin) == 0) {
        SetMonetaireToMin(&st);
        return st;
    }
    EXPECT_NE(pstChaineVersMonetaire(&st, psz), nullptr) << "cannot parse " << testing::PrintToString(psz);
    return st;
}

std::wstring sTexte(const CMoney& st) {
    wchar_t sz[MONETAIRE_TAILLE_CHAINE];
    return pszMonetaireVersChaineC(sz, &st);
}

bool bMemes(const CMoney& a, const CMoney& b) {
    return memcmp(&a, &b, sizeof(CMoney)) == 0;
}

// ---------------------------------------------------------------------------------------------
// Bounds and constants
// ---------------------------------------------------------------------------------------------

TEST(Money, BoundsAndConstantsHaveTheirByteForms) {
    CMoney stMin, stMax;
    SetMonetaireToMin(&stMin);
    SetMonetaireToMax(&stMax);
    const unsigned char abyMin[10] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0x80};
    const unsigned char abyMax[10] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F};
    EXPECT_EQ(memcmp(&stMin, abyMin, 10), 0);
    EXPECT_EQ(memcmp(&stMax, abyMax, 10), 0);
    EXPECT_EQ(sTexte(stMax), kMax);
    EXPECT_EQ(sTexte(stMin), kMin);

    EXPECT_EQ(nUnites(gstMillion), 1000000);
    EXPECT_EQ(nUnites(gstMoinsMillion), -1000000);
    EXPECT_EQ(nUnites(gstVersLong), 65536);
}

// ---------------------------------------------------------------------------------------------
// Decimal text
// ---------------------------------------------------------------------------------------------

TEST(Money, ParsesDecimalText) {
    struct Case {
        const wchar_t* pszTexte;
        long nUnites;
    } const aCases[] = {
        {L"  +12.34", 12340000},
        {L"-0.5", -500000},
        {L"1.23456789", 1234567},  // digits past the sixth dropped, not rounded
        {L"-1.9999999", -1999999},
        {L".5", 500000},
        {L"5.", 5000000},
        {L"12abc", 12000000},
        {L"3.25.7", 3250000},  // the second point ends the number
        {L"1e5", 1000000},
        {L"000000000000000000000000042", 42000000},  // leading zeros never count toward the limit
        {L"", 0},
        {L"-", 0},
        {L".", 0},
        {L"abc", 0},
        {L"- 5", 0},  // nothing may stand between the sign and the digits
        {L"+-5", 0},
        {L"\t5", 0},             // only ' ' is skipped
        {L"\uFF0D3", -3000000},  // full-width minus
        {L"\uFF0B3", 3000000},   // full-width plus
        {L"0.0000009", 0},
        {L"-0", 0},
    };
    for (const Case& c : aCases) {
        CMoney st = stUnites(123);
        ASSERT_EQ(pstChaineVersMonetaire(&st, c.pszTexte), &st) << testing::PrintToString(c.pszTexte);
        EXPECT_EQ(nUnites(st), c.nUnites) << testing::PrintToString(c.pszTexte);
    }
    CMoney st = stUnites(123);
    EXPECT_EQ(pstChaineVersMonetaire(&st, nullptr), &st);
    EXPECT_EQ(nUnites(st), 0);
}

TEST(Money, ParseRefusesMagnitudesFrom2Pow79) {
    struct Case {
        const wchar_t* pszTexte;
        const wchar_t* pszValeur;  // null: refused
    } const aCases[] = {
        {L"604462909807314587.353087", L"604462909807314587.353087"},
        {L"-604462909807314587.353087", L"-604462909807314587.353087"},
        {L"604462909807314587.3530879", L"604462909807314587.353087"},  // the seventh decimal is never read
        {L"604462909807314587.353088", nullptr},
        {L"-604462909807314587.353088", nullptr},  // the sign bit alone is never parsed
        {L"604462909807314588", nullptr},          // fails while scaling to six decimals
        {L"1000000000000000000", nullptr},
        {L"99999999999999999999999999999", nullptr},  // fails while reading the integer digits
    };
    for (const Case& c : aCases) {
        CMoney st;
        CMoney* pst = pstChaineVersMonetaire(&st, c.pszTexte);
        if (c.pszValeur == nullptr) {
            EXPECT_EQ(pst, nullptr) << testing::PrintToString(c.pszTexte);
        } else {
            EXPECT_EQ(pst, &st) << testing::PrintToString(c.pszTexte);
            EXPECT_EQ(sTexte(st), c.pszValeur);
        }
    }
}

TEST(Money, PrintsTheShortestDecimalText) {
    struct Case {
        long nUnites;
        const wchar_t* pszTexte;
    } const aCases[] = {
        {0, L"0"},
        {1, L"0.000001"},
        {100, L"0.0001"},
        {-1, L"-0.000001"},
        {-250000, L"-0.25"},
        {1500000, L"1.5"},
        {12000000, L"12"},
        {10000000, L"10"},
        {1000010, L"1.00001"},
        {-1000000, L"-1"},
        {100000000000000000L, L"100000000000"},
    };
    for (const Case& c : aCases) EXPECT_EQ(sTexte(stUnites(c.nUnites)), c.pszTexte) << c.nUnites;

    // Every printed text parses back to the same value.
    for (const wchar_t* psz : {L"0.000001", L"-123456.789", L"604462909807314587.353087", L"-604462909807314587.353087",
                               L"1000000000000", L"-0.1"}) {
        CMoney st = Mo(psz), stRetour;
        wchar_t sz[MONETAIRE_TAILLE_CHAINE];
        ASSERT_NE(pstChaineVersMonetaire(&stRetour, pszMonetaireVersChaineC(sz, &st)), nullptr);
        EXPECT_TRUE(bMemes(st, stRetour)) << testing::PrintToString(psz);
    }
}

// ---------------------------------------------------------------------------------------------
// Hexadecimal and octal text
// ---------------------------------------------------------------------------------------------

TEST(Money, PrintsHexadecimalAndOctalText) {
    struct Case {
        const wchar_t* pszValeur;
        const wchar_t* pszHexa;
        const wchar_t* pszOctal;
    } const aCases[] = {
        {L"0", L"0", L"0"},
        {L"1", L"F4240", L"3641100"},
        {L"0.000008", L"8", L"10"},
        {L"-0.000001", L"FFFFFFFFFFFFFFFFFFFF",
         L"777777777777777777777777777"},  // the top octal digit repeats the sign
        {kMax, L"7FFFFFFFFFFFFFFFFFFF", L"177777777777777777777777777"},
        {kMin, L"80000000000000000000", L"600000000000000000000000000"},
        {L"0.065536", L"10000", L"200000"},  // a zero word inside the number keeps its digits
    };
    for (const Case& c : aCases) {
        CMoney st = Mo(c.pszValeur);
        wchar_t sz[MONETAIRE_TAILLE_CHAINE];
        EXPECT_STREQ(pszMonetaireVersChaineHexa(sz, &st), c.pszHexa) << testing::PrintToString(c.pszValeur);
        EXPECT_STREQ(pszMonetaireVersChaineOctale(sz, &st), c.pszOctal) << testing::PrintToString(c.pszValeur);

        // The hexadecimal text reads back to the same words.
        wchar_t szHexa[MONETAIRE_TAILLE_CHAINE];
        wcscpy(szHexa, c.pszHexa);
        CMoney stRetour = stUnites(77);
        ASSERT_EQ(pstChaineHexaVersMonetaire(&stRetour, szHexa), &stRetour);
        EXPECT_TRUE(bMemes(st, stRetour)) << testing::PrintToString(c.pszHexa);
    }
}

TEST(Money, ReadsHexadecimalText) {
    struct Case {
        const wchar_t* pszTexte;
        long nUnites;
        const wchar_t* pszApres;  // the caller's text afterwards (upper-cased in place)
    } const aCases[] = {
        {L"f4240", 1000000, L"F4240"},
        {L"  ff", 255, L"  FF"},
        {L"12 34", 0x12, L"12 34"},
        {L"ag", 0xA, L"AG"},
        {L"", 0, L""},
        {L"xyz", 0, L"XYZ"},
        {L"FFFFFFFFFFFFFFFFFFFF", -1, L"FFFFFFFFFFFFFFFFFFFF"},
        {L"0000000000000000000012", 0, L"0000000000000000000012"},  // 20 digits at most
    };
    for (const Case& c : aCases) {
        wchar_t sz[64];
        wcscpy(sz, c.pszTexte);
        CMoney st = stUnites(77);
        ASSERT_EQ(pstChaineHexaVersMonetaire(&st, sz), &st);
        EXPECT_EQ(nUnites(st), c.nUnites) << testing::PrintToString(c.pszTexte);
        EXPECT_STREQ(sz, c.pszApres);
    }
    CMoney st = stUnites(77);
    EXPECT_EQ(pstChaineHexaVersMonetaire(&st, nullptr), &st);
    EXPECT_EQ(nUnites(st), 0);
}

// ---------------------------------------------------------------------------------------------
// Doubles and integers
// ---------------------------------------------------------------------------------------------

TEST(Money, ConvertsFromAndToDouble) {
    struct Case {
        double d;
        const wchar_t* pszValeur;  // null: refused
    } const aCases[] = {
        {1.5, L"1.5"},
        {-0.1, L"-0.1"},
        {123456.7890124, L"123456.789012"},
        {0.0000004, L"0"},
        {-0.0000016, L"-0.000002"},
        {1e17, L"100000000000000000"},
        {1e18, nullptr},
        {-1e300, nullptr},
        {INFINITY, nullptr},
        {-INFINITY, nullptr},
        {NAN, nullptr},
    };
    for (const Case& c : aCases) {
        CMoney st = stUnites(5);
        CMoney* pst = pstDoubleVersMonetaire(&st, c.d);
        if (c.pszValeur == nullptr) {
            EXPECT_EQ(pst, nullptr) << c.d;
        } else {
            ASSERT_EQ(pst, &st) << c.d;
            EXPECT_EQ(sTexte(st), c.pszValeur) << c.d;
        }
    }

    struct Retour {
        const wchar_t* pszValeur;
        double d;
    } const aRetours[] = {
        {L"0", 0.0}, {L"1.5", 1.5}, {L"-0.25", -0.25}, {L"0.000001", 0.000001}, {kMax, 604462909807314587.353087},
    };
    for (const Retour& r : aRetours) {
        CMoney st = Mo(r.pszValeur);
        EXPECT_DOUBLE_EQ(dMonetaireVersDouble(&st), r.d) << testing::PrintToString(r.pszValeur);
    }
}

TEST(Money, IntegersScaleInOnlyWhenTheyFit) {
    struct Case {
        long n;
        bool bAccepte;
    } const aCases[] = {
        {0, true},
        {-7, true},
        {INT_MIN, true},
        {kMaxEntier, true},
        {-kMaxEntier, true},
        {kMaxEntier + 1, false},
        {-kMaxEntier - 1, false},
        {LONG_MAX, false},
        {LONG_MIN, false},
    };
    for (const Case& c : aCases) {
        CMoney st = stUnites(9);
        CMoney* pst = pstTresLongVersMonetaire(&st, c.n);
        ASSERT_EQ(pst != nullptr, c.bAccepte) << c.n;
        EXPECT_EQ(nUnites(st), c.bAccepte ? static_cast<i128>(c.n) * 1000000 : 9) << c.n;
    }

    CMoney st;
    ASSERT_NE(pstInt32VersMonetaire(&st, INT_MIN), nullptr);
    EXPECT_EQ(nUnites(st), static_cast<i128>(INT_MIN) * 1000000);
    ASSERT_NE(pstTresLongSansSigneVersMonetaire(&st, kMaxEntier), nullptr);
    EXPECT_EQ(nUnites(st), static_cast<i128>(kMaxEntier) * 1000000);
    st = stUnites(9);
    EXPECT_EQ(pstTresLongSansSigneVersMonetaire(&st, kMaxEntier + 1UL), nullptr);
    EXPECT_EQ(pstTresLongSansSigneVersMonetaire(&st, ULONG_MAX), nullptr);
    EXPECT_EQ(nUnites(st), 9);
}

TEST(Money, RoundedIntegerForms) {
    struct Case {
        const wchar_t* pszValeur;
        long nArrondi;  // halves away from zero
    } const aCases[] = {
        {L"2.5", 3},        {L"-2.5", -3},       {L"2.499999", 2},
        {L"-0.5", -1},      {L"0.499999", 0},    {L"5000000000.5", 5000000001L},
        {kMax, kMaxEntier}, {kMin, -kMaxEntier},
    };
    for (const Case& c : aCases) {
        CMoney st = Mo(c.pszValeur);
        EXPECT_EQ(lMonetaireVersTresLong(&st), c.nArrondi) << testing::PrintToString(c.pszValeur);
        EXPECT_EQ(lMonetaireVersTresLongSansSigne(&st), static_cast<unsigned long>(c.nArrondi));
        EXPECT_EQ(lMonetaireVersInt32(&st), static_cast<int>(c.nArrondi));  // the low 32 bits
        unsigned long nSansSigne = 0;
        EXPECT_EQ(bMonetaireVersTresLongSansSigne(&st, &nSansSigne), 1);
        EXPECT_EQ(nSansSigne, static_cast<unsigned long>(c.nArrondi));
    }
}

TEST(Money, TruncatedIntegerForms) {
    struct Case {
        const wchar_t* pszValeur;
        long nTronque;
        int bInt32;  // answer of bMonetaireVersInt32
    } const aCases[] = {
        {L"2.9", 2, 1},
        {L"-2.9", -2, 1},
        {L"0.999999", 0, 1},  // no rounding into the next integer, however close
        {L"-0.999999", 0, 1},
        {L"41.999993", 41, 1},
        {L"2147483647.999999", INT_MAX, 1},
        {L"-2147483648.999999", INT_MIN, 1},
        {L"2147483648", 2147483648L, 0},  // does not fit in an int
        {L"-2147483649", -2147483649L, 0},
        {L"4294967295", 4294967295L, 0},
        {kMax, kMaxEntier, 0},
    };
    for (const Case& c : aCases) {
        CMoney st = Mo(c.pszValeur);
        long n = 0;
        EXPECT_EQ(bMonetaireVersTresLong(&st, &n), 1);
        EXPECT_EQ(n, c.nTronque) << testing::PrintToString(c.pszValeur);
        int n32 = 0;
        EXPECT_EQ(bMonetaireVersInt32(&st, &n32), c.bInt32) << testing::PrintToString(c.pszValeur);
        if (c.bInt32) {
            EXPECT_EQ(n32, c.nTronque) << testing::PrintToString(c.pszValeur);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Arithmetic
// ---------------------------------------------------------------------------------------------

struct OpCase {
    const wchar_t* pszA;
    const wchar_t* pszB;
    const wchar_t* pszResultat;  // null: the operation fails
};

void VerifieOperation(CMoney* (*pfn)(CMoney*, const CMoney*), const char* pszNom, const std::vector<OpCase>& aCases) {
    for (const OpCase& c : aCases) {
        CMoney a = Mo(c.pszA), b = Mo(c.pszB);
        CMoney* pst = pfn(&a, &b);
        std::string sCas =
            std::string(pszNom) + " " + testing::PrintToString(c.pszA) + ", " + testing::PrintToString(c.pszB);
        if (c.pszResultat == nullptr) {
            EXPECT_EQ(pst, nullptr) << sCas << " gave " << testing::PrintToString(sTexte(a));
        } else {
            EXPECT_EQ(pst, &a) << sCas;
            EXPECT_EQ(sTexte(a), c.pszResultat) << sCas;
        }
    }
}

TEST(Money, AddsAndSubtractsOverTheWholeRange) {
    VerifieOperation(pstAddMonetaire, "add",
                     {
                         {L"1.5", L"2.25", L"3.75"},
                         {L"-1.5", L"0.25", L"-1.25"},
                         {kMax, L"0.000001", nullptr},
                         {kMax, L"-0.000001", L"604462909807314587.353086"},
                         {L"-604462909807314587.353087", L"-0.000001", nullptr},  // exactly -2^79
                         {kMin, L"-0.000001", nullptr},
                         {kMin, kMin, nullptr},
                         {kMin, L"0.000001", L"-604462909807314587.353087"},
                         {kMax, kMin, L"-0.000001"},
                         // Two negatives summing to -2^79 + 65,536 units: the low word is 0 and the
                         // top word 0x8000, yet the sum is in range.
                         {L"-302231454903657293.676544", L"-302231454903657293.611008", L"-604462909807314587.287552"},
                     });
    VerifieOperation(pstSubMonetaire, "sub",
                     {
                         {L"5", L"7.25", L"-2.25"},
                         {L"-5", L"-7.25", L"2.25"},
                         {kMax, L"-0.000001", nullptr},
                         {L"-604462909807314587.353087", L"0.000001", nullptr},
                         {L"-0.000001", kMin, kMax},  // -2^79 has no negation, yet the difference fits
                         {L"0", kMin, nullptr},
                         {L"7", kMin, nullptr},
                         {kMin, kMin, L"0"},
                     });
}

TEST(Money, AdditionStoresTheWrappedSumAndTakesTheSameOperandTwice) {
    CMoney a = Mo(kMax), b = Mo(L"0.000001");
    EXPECT_EQ(pstAddMonetaire(&a, &b), nullptr);
    CMoney stMin;
    SetMonetaireToMin(&stMin);
    EXPECT_TRUE(bMemes(a, stMin));

    CMoney c = Mo(L"-21.125");
    EXPECT_EQ(pstAddMonetaire(&c, &c), &c);
    EXPECT_EQ(sTexte(c), L"-42.25");
    EXPECT_EQ(pstSubMonetaire(&c, &c), &c);
    EXPECT_EQ(sTexte(c), L"0");
    CMoney d = Mo(L"302231454903657293.676544");  // 2^78 units
    EXPECT_EQ(pstAddMonetaire(&d, &d), nullptr);
}

TEST(Money, MultipliesAndDividesWithRoundingHalfAwayFromZero) {
    VerifieOperation(pstMulMonetaire, "mul",
                     {
                         {L"0.000001", L"0.5", L"0.000001"},
                         {L"-0.000001", L"0.5", L"-0.000001"},
                         {L"0.000001", L"0.499999", L"0"},
                         {L"2", L"-3", L"-6"},
                         {L"-2", L"-3", L"6"},
                         {L"1.5", L"1.5", L"2.25"},
                         {L"123456789.123456", L"1000", L"123456789123.456"},
                         {kMax, L"1", kMax},
                         {kMax, L"-1", L"-604462909807314587.353087"},
                         {L"302231454903657293.676543", L"2", L"604462909807314587.353086"},
                         {L"302231454903657293.676544", L"2", nullptr},
                         {kMax, L"1.000001", nullptr},
                         {kMax, kMax, nullptr},  // the 160-bit product
                         {kMin, L"1", nullptr},
                         {kMin, L"0.5", L"-302231454903657293.676544"},
                         {L"0", kMin, L"0"},
                     });
    VerifieOperation(pstDivMonetaire, "div",
                     {
                         {L"1", L"3", L"0.333333"},
                         {L"2", L"3", L"0.666667"},
                         {L"-2", L"3", L"-0.666667"},
                         {L"2", L"-3", L"-0.666667"},
                         {L"-6", L"-4", L"1.5"},
                         {L"0.000001", L"2", L"0.000001"},
                         {L"0.000001", L"3", L"0"},
                         {L"1", L"0.000003", L"333333.333333"},
                         {kMax, L"1", kMax},
                         {kMax, L"-1", L"-604462909807314587.353087"},
                         {kMax, L"0.5", nullptr},
                         {kMax, kMax, L"1"},
                         {kMin, L"2", L"-302231454903657293.676544"},
                         {L"1", L"0", nullptr},
                         {L"0", L"0", nullptr},
                     });
}

TEST(Money, FailedMultiplicationOrDivisionLeavesTheOperand) {
    struct Case {
        CMoney* (*pfn)(CMoney*, const CMoney*);
        const wchar_t* pszA;
        const wchar_t* pszB;
    } const aCases[] = {
        {pstMulMonetaire, kMax, L"2"},
        {pstDivMonetaire, L"12.5", L"0"},
        {pstDivMonetaire, kMax, L"0.1"},
    };
    for (const Case& c : aCases) {
        CMoney a = Mo(c.pszA), b = Mo(c.pszB);
        EXPECT_EQ(c.pfn(&a, &b), nullptr);
        EXPECT_EQ(sTexte(a), c.pszA);
    }
}

TEST(Money, IncrementDecrementAbsNeg) {
    CMoney st = Mo(L"-0.5");
    EXPECT_EQ(bIncrementeMonetaire(&st), 1);
    EXPECT_EQ(sTexte(st), L"0.5");
    EXPECT_EQ(bDecrementeMonetaire(&st), 1);
    EXPECT_EQ(bDecrementeMonetaire(&st), 1);
    EXPECT_EQ(sTexte(st), L"-1.5");

    // Stepping past either end is not a success.
    st = Mo(L"604462909807314586.5");
    EXPECT_EQ(bIncrementeMonetaire(&st), 0);
    st = Mo(L"-604462909807314586.5");
    EXPECT_EQ(bDecrementeMonetaire(&st), 0);

    struct Case {
        const wchar_t* pszValeur;
        const wchar_t* pszAbs;
        const wchar_t* pszNeg;
    } const aCases[] = {
        {L"0", L"0", L"0"},        {L"-3.5", L"3.5", L"3.5"},
        {L"3.5", L"3.5", L"-3.5"}, {kMax, kMax, L"-604462909807314587.353087"},
        {kMin, kMin, kMin},  // two's complement: the sign bit alone is its own negation
    };
    for (const Case& c : aCases) {
        CMoney a = Mo(c.pszValeur), n = Mo(c.pszValeur);
        EXPECT_EQ(pstAbsMonetaire(&a), &a);
        EXPECT_EQ(sTexte(a), c.pszAbs);
        NegMonetaire(&n);
        EXPECT_EQ(sTexte(n), c.pszNeg);
    }
}

TEST(Money, Compares) {
    struct Case {
        const wchar_t* pszA;
        const wchar_t* pszB;
        int nResultat;
    } const aCases[] = {
        {L"1", L"1", 0},          {L"1", L"1.000001", -1},
        {L"-1", L"0.000001", -1}, {L"-0.000001", L"-0.000002", 1},
        {kMin, kMax, -1},         {kMin, L"-604462909807314587.353087", -1},
        {kMax, L"0", 1},
    };
    for (const Case& c : aCases) {
        CMoney a = Mo(c.pszA), b = Mo(c.pszB);
        EXPECT_EQ(nCmpMonetaire(&a, &b), c.nResultat)
            << testing::PrintToString(c.pszA) << testing::PrintToString(c.pszB);
        EXPECT_EQ(nCmpMonetaire(&b, &a), -c.nResultat);
    }
    CMoney a = Mo(L"-5");
    EXPECT_EQ(nCmpMonetaire(nullptr, &a), 1);
    EXPECT_EQ(nCmpMonetaire(&a, nullptr), -1);
    EXPECT_EQ(nCmpMonetaire(nullptr, nullptr), 1);

    struct CaseInt {
        const wchar_t* pszA;
        int n;
        int nResultat;
    } const aCasesInt[] = {
        {L"2", 2, 0},       {L"2.000001", 2, 1},          {L"1.999999", 2, -1},
        {L"-2", -2, 0},     {L"-2147483648", INT_MIN, 0}, {L"-2147483648.000001", INT_MIN, -1},
        {kMax, INT_MAX, 1}, {kMin, INT_MIN, -1},
    };
    for (const CaseInt& c : aCasesInt) {
        CMoney st = Mo(c.pszA);
        EXPECT_EQ(nCmpMonetaireEtInt32(&st, c.n), c.nResultat) << testing::PrintToString(c.pszA);
    }

    CMoney z = Mo(L"0"), u = Mo(L"0.000001"), stMin;
    SetMonetaireToMin(&stMin);
    EXPECT_EQ(bMonetaireZero(&z), 1);
    EXPECT_EQ(bMonetaireZero(&u), 0);
    EXPECT_EQ(bMonetaireZero(&stMin), 0);  // its low words are all 0
}

// ---------------------------------------------------------------------------------------------
// Rounding
// ---------------------------------------------------------------------------------------------

TEST(Money, IntegerAndDecimalParts) {
    struct Case {
        const wchar_t* pszValeur;
        const wchar_t* pszEnt;  // null: out of range
        const wchar_t* pszDec;
    } const aCases[] = {
        {L"-1.25", L"-2", L"0.25"},
        {L"1.75", L"1", L"0.75"},
        {L"-2", L"-2", L"0"},
        {L"0.5", L"0", L"0.5"},
        {L"-0.000001", L"-1", L"0.000001"},
        {kMax, L"604462909807314587", L"0.353087"},
        {L"-604462909807314587", L"-604462909807314587", L"0"},
        {L"-604462909807314586.5", L"-604462909807314587", L"0.5"},
        {L"-604462909807314587.353087", nullptr, L"0.353087"},  // the floor is below the range
        {kMin, nullptr, L"0.353088"},
    };
    for (const Case& c : aCases) {
        CMoney e = Mo(c.pszValeur), d = Mo(c.pszValeur);
        CMoney* pst = pstEntMonetaire(&e);
        if (c.pszEnt == nullptr) {
            EXPECT_EQ(pst, nullptr) << testing::PrintToString(c.pszValeur);
            EXPECT_TRUE(bMemes(e, Mo(c.pszValeur)));
        } else {
            EXPECT_EQ(pst, &e);
            EXPECT_EQ(sTexte(e), c.pszEnt) << testing::PrintToString(c.pszValeur);
        }
        EXPECT_EQ(pstDecMonetaire(&d), &d);
        EXPECT_EQ(sTexte(d), c.pszDec) << testing::PrintToString(c.pszValeur);
    }
}

TEST(Money, RoundsToDecimals) {
    struct Case {
        const wchar_t* pszValeur;
        int nDecimales;
        const wchar_t* pszArr;  // halves away from zero; null: overflow
        const wchar_t* pszInf;  // toward minus infinity
        const wchar_t* pszSup;  // toward plus infinity
    } const aCases[] = {
        {L"2.345", 2, L"2.35", L"2.34", L"2.35"},
        {L"-2.345", 2, L"-2.35", L"-2.35", L"-2.34"},
        {L"2.344999", 2, L"2.34", L"2.34", L"2.35"},
        {L"1.5", 0, L"2", L"1", L"2"},
        {L"-0.5", 0, L"-1", L"-1", L"0"},
        {L"0.123456", 5, L"0.12346", L"0.12345", L"0.12346"},
        // Already at the requested precision: every direction leaves it.
        {L"1.5", 1, L"1.5", L"1.5", L"1.5"},
        {L"-1.5", 1, L"-1.5", L"-1.5", L"-1.5"},
        {L"2", 0, L"2", L"2", L"2"},
        {L"1.51", 1, L"1.5", L"1.5", L"1.6"},
        {L"-1.59", 1, L"-1.6", L"-1.6", L"-1.5"},
        // Counts outside 0 to 5 leave the value.
        {L"1.2345678", 6, L"1.234567", L"1.234567", L"1.234567"},
        {L"1.25", -1, L"1.25", L"1.25", L"1.25"},
        // At the ends of the range: only the rounded value has to fit.
        {kMax, 5, nullptr, L"604462909807314587.35308", nullptr},
        {L"-604462909807314587.353087", 0, L"-604462909807314587", nullptr, L"-604462909807314587"},
        {L"-604462909807314587.353087", 5, nullptr, nullptr, L"-604462909807314587.35308"},
        {L"604462909807314587.2", 0, L"604462909807314587", L"604462909807314587", nullptr},
    };
    struct Fonction {
        CMoney* (*pfn)(CMoney*, int);
        const char* pszNom;
        const wchar_t* Case::*pszAttendu;
    } const aFonctions[] = {
        {pstArrMonetaire, "Arr", &Case::pszArr},
        {pstArrMonetaireInf, "Inf", &Case::pszInf},
        {pstArrMonetaireSup, "Sup", &Case::pszSup},
    };
    for (const Case& c : aCases) {
        for (const Fonction& f : aFonctions) {
            CMoney st = Mo(c.pszValeur);
            CMoney* pst = f.pfn(&st, c.nDecimales);
            const wchar_t* pszAttendu = c.*f.pszAttendu;
            if (pszAttendu == nullptr) {
                EXPECT_EQ(pst, nullptr) << f.pszNom << " " << testing::PrintToString(c.pszValeur) << " "
                                        << c.nDecimales;
            } else {
                EXPECT_EQ(pst, &st) << f.pszNom << " " << testing::PrintToString(c.pszValeur) << " " << c.nDecimales;
                EXPECT_EQ(sTexte(st), pszAttendu)
                    << f.pszNom << " " << testing::PrintToString(c.pszValeur) << " " << c.nDecimales;
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Sortable key
// ---------------------------------------------------------------------------------------------

TEST(Money, KeysSortAsTheValues) {
    unsigned char abyZero[10], abyMoinsUn[10];
    CMoney st = Mo(L"0");
    MonetaireVersCleYF(abyZero, &st);
    st = stUnites(-1);
    MonetaireVersCleYF(abyMoinsUn, &st);
    const unsigned char abyZeroAttendu[10] = {0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    const unsigned char abyMoinsUnAttendu[10] = {0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(memcmp(abyZero, abyZeroAttendu, 10), 0);
    EXPECT_EQ(memcmp(abyMoinsUn, abyMoinsUnAttendu, 10), 0);

    st = Mo(L"1");  // 0xF4240: most significant byte first
    unsigned char aby[10];
    MonetaireVersCleYF(aby, &st);
    const unsigned char abyUnAttendu[10] = {0x80, 0, 0, 0, 0, 0, 0, 0x0F, 0x42, 0x40};
    EXPECT_EQ(memcmp(aby, abyUnAttendu, 10), 0);

    const wchar_t* const apszCroissant[] = {kMin,         L"-604462909807314587.353087",
                                            L"-65536",    L"-1",
                                            L"-0.000001", L"0",
                                            L"0.000001",  L"1",
                                            L"1.000001",  L"65536",
                                            kMax};
    std::vector<std::vector<unsigned char>> aCles;
    for (const wchar_t* psz : apszCroissant) {
        CMoney stValeur = Mo(psz);
        std::vector<unsigned char> cle(10);
        MonetaireVersCleYF(cle.data(), &stValeur);
        aCles.push_back(cle);
    }
    for (size_t i = 1; i < aCles.size(); i++)
        EXPECT_LT(memcmp(aCles[i - 1].data(), aCles[i].data(), 10), 0) << testing::PrintToString(apszCroissant[i]);
}

}  // namespace
