// CXYStringConcat<T>: the grow rule at its step boundaries, number rendering and the converting
// appends, for both widths where the behaviour is shared.
#include "core/XYStringConcat.h"

#include <gtest/gtest.h>

#include <climits>
#include <functional>
#include <string>

#include "core/platformwin/WinCodePage.h"
#include "tests/core/ReallocRefusal.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

template <class T>
std::basic_string<T> Texte(const char* psz) {
    return std::basic_string<T>(psz, psz + strlen(psz));  // ASCII only
}

template <class T>
std::basic_string<T> Contenu(const CXYStringConcat<T>& cl) {
    return std::basic_string<T>(cl.pszGet(), cl.nGetLongueur());
}

template <class T>
class XYStringConcatTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};
using Largeurs = testing::Types<char, wchar_t>;
TYPED_TEST_SUITE(XYStringConcatTest, Largeurs);

TYPED_TEST(XYStringConcatTest, GrowsInWholeStepsStrictlyAboveTheNeed) {
    using T = TypeParam;
    struct Case {
        unsigned long nPas;
        std::vector<long> aAjouts;  // successive append sizes
        unsigned long nCapacite;
    } cases[] = {
        {1024, {1}, 1024},
        {1024, {1, 1023}, 1024},     // exactly 1024 units: no growth
        {1024, {1, 1023, 1}, 2048},  // the next unit grows
        {1024, {1024}, 2048},        // 1024 at once into an empty builder
        {1024, {2047}, 2048},
        {1024, {2048}, 3072},
        {1024, {1000, 1000, 48}, 2048},
        {10, {25}, 30},
        {10, {30}, 40},
    };
    for (const Case& c : cases) {
        CXYStringConcat<T> cl(c.nPas);
        std::basic_string<T> sAttendu;
        for (long n : c.aAjouts) {
            const std::basic_string<T> sMorceau(static_cast<size_t>(n), static_cast<T>('a' + sAttendu.size() % 26));
            cl.Add(sMorceau.data(), n);
            sAttendu += sMorceau;
        }
        EXPECT_EQ(cl.nGetCapacite(), c.nCapacite) << c.nPas << " " << c.aAjouts.size();
        EXPECT_EQ(Contenu(cl), sAttendu);
        EXPECT_EQ(cl.pszGet()[cl.nGetLongueur()], 0);  // terminated after every append
    }
}

TYPED_TEST(XYStringConcatTest, NullOrEmptyAppendsChangeNothing) {
    using T = TypeParam;
    CXYStringConcat<T> cl(1024);
    cl.Add(nullptr, 5);
    cl.Add(Texte<T>("abc").c_str(), 0);
    cl.Add(Texte<T>("abc").c_str(), -1);
    cl.AddAnsi(nullptr, 3, 1252);
    cl.AddWide(L"abc", 0, 1252);
    EXPECT_EQ(cl.nGetLongueur(), 0u);
    EXPECT_EQ(cl.nGetCapacite(), 0u);
    EXPECT_EQ(cl._pGetBuffer(), nullptr);
    EXPECT_EQ(cl.pszGet()[0], 0);  // the static empty text, never null

    cl.Add(Texte<T>("xy").c_str());
    const T* pAvant = cl.pszGet();
    cl.Add(nullptr);
    cl.Add(Texte<T>("z").c_str(), 0);
    EXPECT_EQ(Contenu(cl), Texte<T>("xy"));
    EXPECT_EQ(cl.pszGet(), pAvant);
    EXPECT_EQ(cl.nGetCapacite(), 1024u);
}

TYPED_TEST(XYStringConcatTest, DecimalNumbersAndZeroPadding) {
    using T = TypeParam;
    struct Case {
        long nValeur;
        int nChiffres;
        bool bLong;
        std::string sAttendu;
    } cases[] = {
        {7, 3, false, "007"},
        {12345, 2, false, "12345"},
        {0, 3, false, "0"},  // values below 1 are never padded
        {-5, 3, false, "-5"},
        {42, -1, false, "42"},
        {INT_MIN, 12, false, "-2147483648"},
        {1234567890123L, 15, true, "001234567890123"},
        {LONG_MIN, -1, true, "-9223372036854775808"},
        {1, 40, true, std::string(39, '0') + "1"},  // far beyond what a small local buffer holds
    };
    for (const Case& c : cases) {
        CXYStringConcat<T> cl(1024);
        cl.Add(Texte<T>("<").c_str());
        if (c.bLong)
            cl.AddNumber(c.nValeur, c.nChiffres);
        else
            cl.AddNumber(static_cast<int>(c.nValeur), c.nChiffres);
        EXPECT_EQ(Contenu(cl), Texte<T>(("<" + c.sAttendu).c_str())) << c.nValeur << " " << c.nChiffres;
    }
}

TYPED_TEST(XYStringConcatTest, HexadecimalAndBinaryHaveFixedWidths) {
    using T = TypeParam;
    CXYStringConcat<T> cl(16);
    cl.AddNumberHexa(static_cast<unsigned char>(0xF));
    cl.Add(Texte<T>(" ").c_str());
    cl.AddNumberHexa(static_cast<unsigned short>(0x1A));
    cl.Add(Texte<T>(" ").c_str());
    cl.AddNumberHexa(0xBEEFu);
    cl.Add(Texte<T>(" ").c_str());
    cl.AddNumberHexa(0xFEDCBA9876543210UL);
    cl.Add(Texte<T>(" ").c_str());
    cl.AddNumberBinary(6, 1);
    cl.Add(Texte<T>(" ").c_str());
    cl.AddNumberBinary(6, 0);
    EXPECT_EQ(Contenu(cl), Texte<T>("0F 001A 0000BEEF FEDCBA9876543210 00000110 01100000"));
    EXPECT_EQ(cl.nGetCapacite(), 64u);
}

TYPED_TEST(XYStringConcatTest, EqualityAndSearch) {
    using T = TypeParam;
    CXYStringConcat<T> cl(1024);
    EXPECT_EQ(cl.bEstEgal(Texte<T>("").c_str()), 1);
    EXPECT_EQ(cl.bEstEgal(nullptr), 1);
    EXPECT_EQ(cl.bEstEgal(Texte<T>("a").c_str()), 0);
    EXPECT_EQ(cl.nPos(Texte<T>("").c_str(), 0), -1);
    EXPECT_EQ(cl.nPos(static_cast<T>('a'), 0), -1);

    cl.Add(Texte<T>("SELECT a FROM t WHERE a=1").c_str());
    EXPECT_EQ(cl.bEstEgal(Texte<T>("SELECT a FROM t WHERE a=1").c_str()), 1);
    EXPECT_EQ(cl.bEstEgal(Texte<T>("SELECT a").c_str()), 0);
    struct Case {
        const char* pszCherche;
        long nDebut;
        int nAttendu;
    } cases[] = {{"a", 0, 7}, {"a", 8, 22}, {"WHERE", 0, 16}, {"x", 0, -1}, {"a", 26, -1}, {"1", 24, 24}};
    for (const Case& c : cases)
        EXPECT_EQ(cl.nPos(Texte<T>(c.pszCherche).c_str(), c.nDebut), c.nAttendu) << c.pszCherche;
    EXPECT_EQ(cl.nPos(static_cast<T>('='), 0), 23);
    EXPECT_EQ(cl.nPos(static_cast<T>('S'), 1), -1);
}

TYPED_TEST(XYStringConcatTest, GrowingForDirectWritesKeepsTheText) {
    using T = TypeParam;
    CXYStringConcat<T> cl(100);
    cl.Add(Texte<T>("abc").c_str());
    ASSERT_TRUE(cl._AugmenteTaille(250));
    EXPECT_EQ(cl.nGetCapacite(), 300u);
    EXPECT_EQ(Contenu(cl), Texte<T>("abc"));
    cl._AugmenteTaille(0);  // never below the text it holds
    EXPECT_EQ(cl.nGetCapacite(), 100u);
    EXPECT_EQ(Contenu(cl), Texte<T>("abc"));

    T aDigits[8] = {'4', '2', 0};
    CXYStringConcat<T>::_AddPrefix0(aDigits, 5);
    EXPECT_EQ(std::basic_string<T>(aDigits), Texte<T>("00042"));
    CXYStringConcat<T>::_AddPrefix0(aDigits, 3);
    EXPECT_EQ(std::basic_string<T>(aDigits), Texte<T>("00042"));
}

// A statement built piece by piece with its n-th heap growth refused: the text stops at the piece
// that failed and stays so, whatever comes next, until the builder is emptied. Step 16: the first
// three pieces each grow the buffer, the fourth fits.
TYPED_TEST(XYStringConcatTest, TheNthRefusedGrowthStopsTheText) {
    using T = TypeParam;
    const char* PIECES[] = {"DELETE FROM t", " WHERE id IN (", "1, 2, 3", ")"};
    struct Case {
        long nRefusee;
        const char* pszTexte;
        int bErreur;
    } cases[] = {
        {1, "", 1},
        {2, "DELETE FROM t", 1},
        {3, "DELETE FROM t WHERE id IN (", 1},  // not "... IN ()": the ")" fits but is refused
        {4, "DELETE FROM t WHERE id IN (1, 2, 3)", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nRefusee);
        CXYStringConcat<T> cl(16);
        reallocrefusal::Arm(c.nRefusee);
        for (const char* pszPiece : PIECES) cl.Add(Texte<T>(pszPiece).c_str());
        reallocrefusal::Arm(0);
        EXPECT_EQ(Contenu(cl), Texte<T>(c.pszTexte));
        EXPECT_EQ(cl.pszGet()[cl.nGetLongueur()], 0);
        EXPECT_EQ(cl.bIsInError(), c.bErreur);
        EXPECT_EQ(cl.nGetCapacite(), c.nRefusee == 1 ? 0u : (c.nRefusee == 4 ? 48u : 16u * (c.nRefusee - 1)));

        cl.Vide();
        EXPECT_EQ(cl.bIsInError(), 0);
        cl.Add(Texte<T>("SELECT 1").c_str());
        EXPECT_EQ(Contenu(cl), Texte<T>("SELECT 1"));
    }
}

TYPED_TEST(XYStringConcatTest, EveryAppendIsRefusedWhileInError) {
    using T = TypeParam;
    using Ajout = std::function<void(CXYStringConcat<T>&)>;
    const struct Case {
        const char* pszNom;
        Ajout fnAjout;
    } cases[] = {
        {"Add", [](CXYStringConcat<T>& cl) { cl.Add(Texte<T>(")").c_str()); }},
        {"Add n", [](CXYStringConcat<T>& cl) { cl.Add(Texte<T>(")").c_str(), 1); }},
        {"own text", [](CXYStringConcat<T>& cl) { cl.Add(cl.pszGet(), 3); }},
        {"AddNumber", [](CXYStringConcat<T>& cl) { cl.AddNumber(7, -1); }},
        {"AddNumber padded", [](CXYStringConcat<T>& cl) { cl.AddNumber(7L, 3); }},
        {"AddNumberHexa", [](CXYStringConcat<T>& cl) { cl.AddNumberHexa(0xABu); }},
        {"AddNumberBinary", [](CXYStringConcat<T>& cl) { cl.AddNumberBinary(6, 1); }},
        {"AddAnsi", [](CXYStringConcat<T>& cl) { cl.AddAnsi("\xE9)", 2, 1252); }},
        {"AddWide", [](CXYStringConcat<T>& cl) { cl.AddWide(L"\u00e9)", 2, 1252); }},
        {"AddAnsiToUTF8", [](CXYStringConcat<T>& cl) { cl.AddAnsiToUTF8("\xE9)", 2, 1252); }},
        {"growth", [](CXYStringConcat<T>& cl) { EXPECT_FALSE(cl._AugmenteTaille(100)); }},
        {"room", [](CXYStringConcat<T>& cl) { EXPECT_FALSE(cl._bPrepare(1)); }},
        {"Majuscule", [](CXYStringConcat<T>& cl) { cl.Majuscule(); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszNom);
        CXYStringConcat<T> cl(16);
        cl.Add(Texte<T>("delete from t").c_str());
        cl.Add(Texte<T>(" where id in (").c_str());
        reallocrefusal::Arm(1);
        cl.Add(Texte<T>("1, 2, 3").c_str());
        ASSERT_TRUE(reallocrefusal::bRefused());
        reallocrefusal::Arm(0);
        c.fnAjout(cl);
        EXPECT_EQ(reallocrefusal::nGetRequests(), 0);
        EXPECT_EQ(cl.bIsInError(), 1);
        EXPECT_EQ(Contenu(cl), Texte<T>("delete from t where id in ("));
        EXPECT_EQ(cl.pszGet()[cl.nGetLongueur()], 0);
        EXPECT_EQ(cl.nGetCapacite(), 32u);
    }
}

// Counts far past any text are refused by the builder itself, before the heap is asked: a size
// that wrapped would make a small block and the copy would run past it. Inputs too large for the
// platform conversions are a failed append, not one that appends nothing. The heap is told to
// refuse the first request anyway, so that a size the builder wrongly lets through makes no block.
TYPED_TEST(XYStringConcatTest, CountsFarPastTheTextAreRefusedBeforeTheHeap) {
    using T = TypeParam;
    using Ajout = std::function<void(CXYStringConcat<T>&)>;
    static const T s_aTexte[4] = {'a', 'b', 'c', 0};
    const long nTropPourConvertir = CXYStringConcat<T>::s_nConversionMax + 1;
    constexpr bool bLarge = std::is_same_v<T, wchar_t>;
    const struct Case {
        const char* pszNom;
        Ajout fnAjout;
        long nDemandes;  // requests that reach the heap (a plain copy of a size a block can have)
    } cases[] = {
        {"Add, the largest count", [](CXYStringConcat<T>& cl) { cl.Add(s_aTexte, LONG_MAX); }, 0},
        {"Add, past the largest block",
         [](CXYStringConcat<T>& cl) { cl.Add(s_aTexte, static_cast<long>(CXYStringConcat<T>::s_nCapaciteMax)); }, 0},
        {"growth to the largest size", [](CXYStringConcat<T>& cl) { EXPECT_FALSE(cl._AugmenteTaille(ULONG_MAX)); }, 0},
        {"growth past the largest block",
         [](CXYStringConcat<T>& cl) { EXPECT_FALSE(cl._AugmenteTaille(CXYStringConcat<T>::s_nCapaciteMax)); }, 0},
        // Each converts in one width and copies in the other.
        {"AddAnsi", [=](CXYStringConcat<T>& cl) { cl.AddAnsi("abc", nTropPourConvertir, 1252); }, bLarge ? 0 : 1},
        {"AddWide", [=](CXYStringConcat<T>& cl) { cl.AddWide(L"abc", nTropPourConvertir, 1252); }, bLarge ? 1 : 0},
        {"AddAnsiToUTF8", [=](CXYStringConcat<T>& cl) { cl.AddAnsiToUTF8("abc", nTropPourConvertir, 1252); }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszNom);
        CXYStringConcat<T> cl(16);
        cl.Add(Texte<T>("xy").c_str());
        reallocrefusal::Arm(1);
        c.fnAjout(cl);
        EXPECT_EQ(reallocrefusal::nGetRequests(), c.nDemandes) << "largest request " << reallocrefusal::nGetLargest();
        reallocrefusal::Arm(0);
        EXPECT_EQ(cl.bIsInError(), 1);
        EXPECT_EQ(Contenu(cl), Texte<T>("xy"));
        EXPECT_EQ(cl.nGetCapacite(), 16u);
    }
}

class XYStringConcatConversionTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

TEST_F(XYStringConcatConversionTest, AppendsConvertStraightIntoTheBuffer) {
    CXYStringConcat<wchar_t> clW(1024);
    clW.Add(L"[");
    clW.AddAnsi("\xE9t\xE9", 3, 1252);
    clW.AddAnsiToUTF8("\x80", 1, 1252);  // the wide builder does what AddAnsi does
    clW.AddWide(L"]", 1, 1252);
    EXPECT_EQ(Contenu(clW), L"[\u00e9t\u00e9\u20ac]");

    CXYStringConcat<char> clA(1024);
    clA.AddWide(L"\u00e9\u0153", 2, 1252);
    clA.AddAnsi("\xE9", 1, 65001);  // the 8-bit builder copies bytes as they are
    EXPECT_EQ(Contenu(clA), "\xE9\x9C\xE9");
    EXPECT_EQ(clA.nGetLongueur(), 3u);

    CXYStringConcat<char> clU(1024);
    clU.AddAnsiToUTF8("caf\xE9", 4, 1252);
    clU.AddWide(L"\u20ac", 1, 65001);
    EXPECT_EQ(Contenu(clU), "caf\xC3\xA9\xE2\x82\xAC");
    EXPECT_EQ(clU.pszGet()[clU.nGetLongueur()], 0);
}

TEST_F(XYStringConcatConversionTest, ConvertingAppendsGiveThePlatformConversionsResult) {
    // Plain text is converted without the platform layer; the bytes must be the very ones the
    // platform conversion gives, for every page and for values UTF-8 cannot hold.
    const std::wstring aTextes[] = {
        L"SELECT \"a\" FROM t",
        L"caf\u00e9 \u20ac \u0414 \u4e2d \U0001F600",
        std::wstring(L"x") + wchar_t(0xD800) + L"y" + wchar_t(0x110000) + wchar_t(-3) + L"z",
    };
    for (unsigned nCodePage : {65001u, 1252u, 1251u, 0u, 932u}) {
        for (const std::wstring& s : aTextes) {
            char aAttendu[256];
            const int n = WideCharToMultiByte(nCodePage, 0, s.data(), static_cast<int>(s.size()), aAttendu,
                                              sizeof aAttendu, nullptr, nullptr);
            const std::string sOctets(aAttendu, n > 0 ? n : 0);
            CXYStringConcat<char> cl(1024);
            cl.Add("<", 1);
            cl.AddWide(s.data(), static_cast<long>(s.size()), nCodePage);
            EXPECT_EQ(Contenu(cl), std::string("<").append(sOctets)) << nCodePage;

            wchar_t aLarge[256];
            const int nW = sOctets.empty() ? 0
                                           : MultiByteToWideChar(nCodePage, 0, sOctets.data(),
                                                                 static_cast<int>(sOctets.size()), aLarge, 256);
            CXYStringConcat<wchar_t> clW(1024);
            clW.AddAnsi(sOctets.data(), static_cast<long>(sOctets.size()), nCodePage);
            EXPECT_EQ(Contenu(clW), std::wstring(aLarge, nW > 0 ? nW : 0)) << nCodePage;
        }
    }
}

TEST_F(XYStringConcatConversionTest, UTF8DecodingWritesAtMostTheInputLength) {
    wchar_t aW[8];
    EXPECT_EQ(CXYStringConcat<wchar_t>::_nUTF8ToX("\xC3\xA9t\xE2\x82\xAC", 6, aW, 0), 3);
    EXPECT_EQ(std::wstring(aW, 3), L"\u00e9t\u20ac");
    char aA[8];
    EXPECT_EQ(CXYStringConcat<char>::_nUTF8ToX("\xC3\xA9t", 3, aA, 1252), 2);
    EXPECT_EQ(std::string(aA, 2), "\xE9t");
    EXPECT_EQ(CXYStringConcat<char>::_nUTF8ToX(nullptr, 3, aA, 1252), 0);
}

}  // namespace
