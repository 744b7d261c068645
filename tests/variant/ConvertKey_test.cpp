// Sortable keys: the bytes written for each item type, that keys of ordered values compare in that
// order byte by byte, key sizes, the descending inversion, NULL values, casting through the host,
// texts with their options, the fast-sort weight table, decimal keys through the host's decimals and
// collated keys through the engine interface the driver object holds.
#include "variant/ConvertKey.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "variant/Duree.h"
#include "variant/HostAssumptions.h"
#include "variant/Money.h"
#include "variant/NADriverYF.h"
#include "variant/VQConv.h"
#include "variant/YFConvertKey.h"

namespace {

typedef std::vector<unsigned char> Octets;

class ConvertKeyTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
        CNADriverYF::s_SetYF(nullptr);
    }
    void TearDown() override {
        CVQConv::s_Reset();
        CNADriverYF::s_SetYF(nullptr);
    }

    // The key of a value for a type, allocated at the size the sizing gives for its data: the
    // bytes up to the length the conversion answers.
    static Octets Cle(CAny& cl, unsigned short nType, unsigned short nOptions = 0x2800, int* pnLongueur = nullptr) {
        unsigned char* pby = nullptr;
        int n = CConvertKey::nConvertKeyAndGetSize(&cl, &pby, nType, nOptions, 0, 0);
        if (pnLongueur != nullptr) *pnLongueur = n;
        Octets tab;
        if (pby != nullptr) tab.assign(pby, pby + n);
        free(pby);
        return tab;
    }
    // The key written into a caller's buffer of nKeySize bytes.
    static Octets CleFixe(CAny& cl, unsigned short nType, unsigned long nKeySize, unsigned short nOptions = 0x2800,
                          int* pnLongueur = nullptr) {
        Octets tab(nKeySize, 0xEE);
        int n = CConvertKey::nConvertKeyAndGetSize(&cl, tab.data(), nKeySize, nType, nOptions, 0, 0);
        if (pnLongueur != nullptr) *pnLongueur = n;
        return tab;
    }
    static CAny clTexteW(const wchar_t* psz) {
        CAny cl;
        cl.__SetType(VQTYPE_PSTRW, 0);
        cl.pclGetValeur()->SetValue(psz);
        return cl;
    }
    static CAny clTexteA(const char* psz) {
        CAny cl;
        cl.__SetType(VQTYPE_PSTRA, 0);
        cl.pclGetValeur()->SetValue(psz);
        return cl;
    }
    // Keys in the caller's buffer of a size for wide texts of up to nCar characters.
    static Octets CleTexteW(const wchar_t* psz, unsigned short nOptions, unsigned long nCar = 8) {
        CAny cl = clTexteW(psz);
        return CleFixe(cl, VQTYPE_PSTRW, CYFConvertKey::nCalculateKeySize(VQTYPE_PSTRW, 4 * (nCar + 1)), nOptions);
    }
};

TEST_F(ConvertKeyTest, FixedKindsWriteMostSignificantFirst) {
    struct Case {
        const char* pszNom;
        void (*pfnSet)(CAny&);
        unsigned short nType;
        Octets tabAttendu;
    } aCases[] = {
        {"I4 -1", [](CAny& c) { c.SetI4(-1); }, VQTYPE_I4, {0x7F, 0xFF, 0xFF, 0xFF}},
        {"I4 0", [](CAny& c) { c.SetI4(0); }, VQTYPE_I4, {0x80, 0, 0, 0}},
        {"I4 1", [](CAny& c) { c.SetI4(1); }, VQTYPE_I4, {0x80, 0, 0, 1}},
        {"BOOL 1", [](CAny& c) { c.SetBOOL(1); }, VQTYPE_BOOL, {0x81}},
        {"I1 -1", [](CAny& c) { c.SetI1(-1); }, VQTYPE_I1, {0x7F}},
        {"UI1 200", [](CAny& c) { c.SetUI1(200); }, VQTYPE_UI1, {200}},
        {"I2 -2", [](CAny& c) { c.SetI2(-2); }, VQTYPE_I2, {0x7F, 0xFE}},
        {"UI2", [](CAny& c) { c.SetUI2(0x1234); }, VQTYPE_UI2, {0x12, 0x34}},
        {"UI4", [](CAny& c) { c.SetUI4(0x89ABCDEF); }, VQTYPE_UI4, {0x89, 0xAB, 0xCD, 0xEF}},
        {"I8 -2", [](CAny& c) { c.SetI8(-2); }, VQTYPE_I8, {0x7F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFE}},
        {"UI8", [](CAny& c) { c.SetUI8(0x0102030405060708); }, VQTYPE_UI8, {1, 2, 3, 4, 5, 6, 7, 8}},
        {"UIX, all 8 bytes",
         [](CAny& c) {
             const uint64_t n = 0x8102030405060708;
             c.__SetType(VQTYPE_UIX, 0);
             c.pclGetValeur()->SetValue(&n);
         },
         VQTYPE_UIX,
         {0x81, 2, 3, 4, 5, 6, 7, 8}},
        {"R8 0", [](CAny& c) { c.SetR8(0.0); }, VQTYPE_R8, {0x80, 0, 0, 0, 0, 0, 0, 0}},
        {"R4 -1", [](CAny& c) { c.SetR4(-1.0f); }, VQTYPE_R4, {0x40, 0x7F, 0xFF, 0xFF}},
        {"DATETIME",
         [](CAny& c) {
             const uint32_t adw[2] = {0x07E8021D, 49500120};
             c.__SetType(VQTYPE_DATETIME, 0);
             c.pclGetValeur()->SetValue(adw);
         },
         VQTYPE_DATETIME,
         {0x07, 0xE8, 0x02, 0x1D, 0x02, 0xF3, 0x4F, 0xD8}},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszNom);
        CAny cl;
        c.pfnSet(cl);
        int n = 0;
        EXPECT_EQ(Cle(cl, c.nType, 0x2800, &n), c.tabAttendu);
        EXPECT_EQ(n, static_cast<int>(c.tabAttendu.size()));
        EXPECT_EQ(Cle(cl, 0), c.tabAttendu);  // type 0: the value's own
    }
}

TEST_F(ConvertKeyTest, KeysOfOrderedValuesCompareInOrder) {
    auto bCroissantes = [](const std::vector<Octets>& tab) {
        for (size_t i = 1; i < tab.size(); i++)
            if (!(tab[i - 1] < tab[i])) return false;  // unsigned byte-wise comparison
        return true;
    };
    const double dInf = std::numeric_limits<double>::infinity();
    std::vector<Octets> tabR8, tabR4, tabI8, tabI2, tabDuree, tabCY, tabUIX;
    for (double d : {-dInf, -1e300, -2.0, -0.5, 0.0, 1e-300, 0.5, 1.0, 1e300, dInf}) {
        CAny cl;
        cl.SetR8(d);
        tabR8.push_back(Cle(cl, VQTYPE_R8));
    }
    const float fInf = std::numeric_limits<float>::infinity();
    for (float f : {-fInf, -3e38f, -2.0f, -0.5f, 0.0f, 1e-40f, 0.5f, 1.0f, 3e38f, fInf}) {
        CAny cl;
        cl.SetR4(f);
        tabR4.push_back(Cle(cl, VQTYPE_R4));
    }
    for (long n :
         {std::numeric_limits<long>::min(), -65536L, -1L, 0L, 1L, 255L, 256L, std::numeric_limits<long>::max()}) {
        CAny cl;
        cl.SetI8(n);
        tabI8.push_back(Cle(cl, VQTYPE_I8));
        CDuree clDuree(n);
        cl.SetDUREE(&clDuree);
        tabDuree.push_back(Cle(cl, VQTYPE_DUREE));
    }
    // The unsigned 64-bit values of UIX in their whole range: the upper half counts first.
    for (uint64_t n : {uint64_t(0), uint64_t(1), uint64_t(0xFFFFFFFF), uint64_t(0x100000000), uint64_t(1) << 63,
                       (uint64_t(1) << 63) + 1, ~uint64_t(0)}) {
        CAny cl;
        cl.__SetType(VQTYPE_UIX, 0);
        cl.pclGetValeur()->SetValue(&n);
        tabUIX.push_back(Cle(cl, VQTYPE_UIX));
        EXPECT_EQ(tabUIX.back().size(), 8u);
    }
    for (short n : {short(-32768), short(-1), short(0), short(1), short(256), short(32767)}) {
        CAny cl;
        cl.SetI2(n);
        tabI2.push_back(Cle(cl, VQTYPE_I2));
    }
    for (const wchar_t* psz : {L"-604462909807314587", L"-1", L"-0.000001", L"0", L"0.000001", L"1", L"65536.5"}) {
        CMoney st{};
        ASSERT_NE(pstChaineVersMonetaire(&st, psz), nullptr);
        CAny cl;
        cl.SetCY(st);
        tabCY.push_back(Cle(cl, VQTYPE_CY));
        EXPECT_EQ(tabCY.back().size(), 10u);
    }
    EXPECT_TRUE(bCroissantes(tabR8));
    EXPECT_TRUE(bCroissantes(tabR4));
    EXPECT_TRUE(bCroissantes(tabI8));
    EXPECT_TRUE(bCroissantes(tabDuree));
    EXPECT_TRUE(bCroissantes(tabI2));
    EXPECT_TRUE(bCroissantes(tabCY));
    EXPECT_TRUE(bCroissantes(tabUIX));
}

TEST_F(ConvertKeyTest, KeySizes) {
    struct Case {
        unsigned short nType;
        unsigned long nData, nAttendu;
    } aCases[] = {
        {8, 4, 4},   {18, 10, 11}, {19, 3, 4},  {24, 9, 10}, {128, 9, 10}, {28, 10, 20}, {13, 17, 32},
        {16, 8, 18}, {110, 8, 18}, {200, 6, 6}, {0, 6, 6},   {29, 16, 16}, {10, 10, 10}, {83, 3, 3},
    };
    for (const Case& c : aCases) EXPECT_EQ(CYFConvertKey::nCalculateKeySize(c.nType, c.nData), c.nAttendu) << c.nType;
    EXPECT_EQ(CYFConvertKey::nCalculateKeySize(ITEMTYPE_AUCUN, 7), 7u);
    EXPECT_EQ(CYFConvertKey::nCalculateKeySize(ITEMTYPE_CHAINE_BIS, 7), 8u);
}

TEST_F(ConvertKeyTest, VariantTypesMapToTheirItemTypes) {
    struct Case {
        unsigned short nType;
        eITEMTYPE eAttendu;
    } aCases[] = {
        {1, ITEMTYPE_BOOLEEN},
        {6, ITEMTYPE_I1},
        {2, ITEMTYPE_UI1},
        {17, ITEMTYPE_CARACTERE},
        {7, ITEMTYPE_I2},
        {3, ITEMTYPE_UI2},
        {8, ITEMTYPE_I4},
        {14, ITEMTYPE_UI8},
        {15, ITEMTYPE_I4},
        {20, ITEMTYPE_I4},
        {30, ITEMTYPE_I4},
        {109, ITEMTYPE_I4},
        {111, ITEMTYPE_I4},
        {127, ITEMTYPE_I4},
        {0, ITEMTYPE_I4},
        {130, ITEMTYPE_I4},
        {4, ITEMTYPE_UI4},
        {9, ITEMTYPE_I8},
        {27, ITEMTYPE_DUREE},
        {5, ITEMTYPE_UI8},
        {11, ITEMTYPE_R4},
        {12, ITEMTYPE_R8},
        {10, ITEMTYPE_MONETAIRE},
        {26, ITEMTYPE_DATEHEURE},
        {13, ITEMTYPE_DECIMAL},
        {18, ITEMTYPE_CHAINE},
        {19, ITEMTYPE_CHAINE},
        {21, ITEMTYPE_CHAINE},
        {23, ITEMTYPE_CHAINE},
        {24, ITEMTYPE_CHAINE},
        {25, ITEMTYPE_CHAINE},
        {128, ITEMTYPE_CHAINE},
        {129, ITEMTYPE_CHAINE},
        {16, ITEMTYPE_UNICODE},
        {110, ITEMTYPE_UNICODE_PSTRW},
        {28, ITEMTYPE_BINAIRE},
        {29, ITEMTYPE_BUFFER},
    };
    for (const Case& c : aCases) EXPECT_EQ(CYFConvertKey::eGetItemType(c.nType), c.eAttendu) << c.nType;
}

TEST_F(ConvertKeyTest, KindsWithoutKeyWriteNothing) {
    unsigned char aby[4] = {1, 2, 3, 4};
    const unsigned char abyData[4] = {9, 9, 9, 9};
    for (eITEMTYPE e : {ITEMTYPE_VIDE, ITEMTYPE_BUFFER, ITEMTYPE_AUCUN, static_cast<eITEMTYPE>(23)})
        EXPECT_EQ(CYFConvertKey::__nConvertKey(aby, 4, abyData, 4, e, 0, 0, 0, 0, 0), 0) << e;
    EXPECT_EQ(aby[0], 1);
}

TEST_F(ConvertKeyTest, DescendingKeysAreInverted) {
    CAny cl;
    cl.SetI4(0);
    int n = 0;
    EXPECT_EQ(Cle(cl, VQTYPE_I4, 0x2800 | 0x400, &n), (Octets{0x7F, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(n, 4);
    // The inversion runs over whole words and the bytes left over.
    Octets tab(19);
    for (size_t i = 0; i < tab.size(); i++) tab[i] = static_cast<unsigned char>(i * 13);
    Octets tabInverse = tab;
    CConvertKey::__InvertKey(tabInverse.data(), tabInverse.size());
    for (size_t i = 0; i < tab.size(); i++) EXPECT_EQ(tabInverse[i], static_cast<unsigned char>(~tab[i])) << i;
}

TEST_F(ConvertKeyTest, BinaryAsHexadecimal) {
    const unsigned char aby[] = {0x01, 0xAB};
    CAny cl;
    cl.SetBIN(aby, 2);
    int n = 0;
    Octets tab = CleFixe(cl, VQTYPE_BIN, 8, 0x2800, &n);
    EXPECT_EQ(std::string(tab.begin(), tab.end()), "01ab0000");
    EXPECT_EQ(n, 4);
    // Only as many bytes as half the key holds.
    tab = CleFixe(cl, VQTYPE_BIN, 3, 0x2800, &n);
    EXPECT_EQ(std::string(tab.begin(), tab.end()), "010");
    EXPECT_EQ(n, 2);
}

TEST_F(ConvertKeyTest, EightBitTextsAreCopiedWithTheirTerminator) {
    CAny cl = clTexteA("AB");
    int n = 0;
    EXPECT_EQ(CleFixe(cl, VQTYPE_PSTRA, 4, 0x2800, &n), (Octets{0x41, 0x42, 0, 0}));
    EXPECT_EQ(n, 3);
    // A key shorter than the text keeps its last byte for the zero.
    EXPECT_EQ(CleFixe(cl, VQTYPE_PSTRA, 2, 0x2800, &n), (Octets{0x41, 0}));
    EXPECT_EQ(n, 2);
    // Shorter texts sort first.
    CAny clA = clTexteA("A"), clAB = clTexteA("AB"), clB = clTexteA("B");
    EXPECT_LT(CleFixe(clA, VQTYPE_PSTRA, 8), CleFixe(clAB, VQTYPE_PSTRA, 8));
    EXPECT_LT(CleFixe(clAB, VQTYPE_PSTRA, 8), CleFixe(clB, VQTYPE_PSTRA, 8));
}

TEST_F(ConvertKeyTest, AnEndMarkerKeepsItsPlaceThroughAMapping) {
    const char szData[] = "ab\xFF  ";
    unsigned char aby[8];
    memset(aby, 0x55, sizeof(aby));
    CYFConvertKey::__nConvertKey(aby, sizeof(aby), szData, sizeof(szData), ITEMTYPE_CHAINE, 0x80, 0, 0, 0, 0);
    EXPECT_EQ(aby[2], 0xFF);
    // A key of one byte has no place for it, and nothing is written outside the key.
    unsigned char by = 0x55;
    CYFConvertKey::__nConvertKey(&by, 1, szData, sizeof(szData), ITEMTYPE_CHAINE, 0, 0, 0, 0, 0);
    EXPECT_EQ(by, 0);
    EXPECT_EQ(CYFConvertKey::__nConvertKey(&by, 1, nullptr, 0, ITEMTYPE_CHAINE, 0, 0, 0, 0, 0), 0);
}

TEST_F(ConvertKeyTest, WideTextKeysFollowTheCodePointsOnTheDriversRoad) {
    // Texts in code-point order, from ASCII through Latin-1, Cyrillic, CJK and the end of the basic
    // plane to a character above U+FFFF; a text sorts after its prefixes. Their keys, on the
    // driver's road (options 0x2800), must sort in the same order byte by byte.
    const wchar_t* apszOrdre[] = {
        L"",       L"!",      L"A",       L"AB",     L"Z",      L"a",      L"\u00E9",     L"\u00FF",
        L"\u0100", L"\u0416", L"\u0416a", L"\u4E2D", L"\uE000", L"\uFFFD", L"\U0001F600", L"\U0010FFFF",
    };
    for (unsigned short nType : {VQTYPE_PSTRW, VQTYPE_DSTRW}) {
        SCOPED_TRACE(nType);
        std::vector<Octets> tab;
        for (const wchar_t* psz : apszOrdre) {
            CXYString<wchar_t> sTexte(psz);
            CAny cl;
            cl.__SetType(nType, 0);
            if (nType == VQTYPE_DSTRW)
                cl.pclGetValeur()->SetValue(&sTexte);
            else
                cl.pclGetValeur()->SetValue(psz);
            tab.push_back(CleFixe(cl, nType, CYFConvertKey::nCalculateKeySize(nType, 4 * 4)));
        }
        for (size_t i = 1; i < tab.size(); i++) EXPECT_LT(tab[i - 1], tab[i]) << i;
    }

    // Each character as UTF-16, most significant byte first; the key ends with zeros.
    CAny cl = clTexteW(L"a\u0416");
    int n = 0;
    EXPECT_EQ(CleFixe(cl, VQTYPE_PSTRW, 10, 0x2800, &n), (Octets{0, 'a', 0x04, 0x16, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(n, 6);  // two characters and the terminator, two bytes each
    EXPECT_EQ(Cle(cl, VQTYPE_PSTRW).size(), 6u);
    // Option 2: big-endian units as they stand; option 1: the fast-sort weights.
    EXPECT_EQ(CleFixe(cl, VQTYPE_PSTRW, 10, 2), (Octets{0, 'a', 0x04, 0x16, 0, 0, 0, 0, 0, 0}));
    CAny clSupp = clTexteW(L"\U0001F600");
    EXPECT_EQ(CleFixe(clSupp, VQTYPE_PSTRW, 8, 2), (Octets{0xD8, 0x3D, 0xDE, 0x00, 0, 0, 0, 0}));
    EXPECT_EQ(CleFixe(clSupp, VQTYPE_PSTRW, 8), (Octets{0xF8, 0x3D, 0xFE, 0x00, 0, 0, 0, 0}));
}

TEST_F(ConvertKeyTest, SharedTextsKeyLikeOwnedOnes) {
    // The shared string types count their terminator as the owned ones do.
    CXYString<char> sA("AB");
    CAny clA;
    clA.__SetType(VQTYPE_DSTRA, 0);
    clA.pclGetValeur()->SetValue(&sA);
    CAny clPA = clTexteA("AB");
    int n = 0, nP = 0;
    EXPECT_EQ(Cle(clA, VQTYPE_DSTRA, 0x2800, &n), Cle(clPA, VQTYPE_PSTRA, 0x2800, &nP));
    EXPECT_EQ(n, 3);
    EXPECT_EQ(nP, 3);

    CXYString<wchar_t> sW(L"ab");
    CAny clW;
    clW.__SetType(VQTYPE_DSTRW, 0);
    clW.pclGetValeur()->SetValue(&sW);
    CAny clPW = clTexteW(L"ab");
    EXPECT_EQ(Cle(clW, VQTYPE_DSTRW, 0x2800, &n), Cle(clPW, VQTYPE_PSTRW, 0x2800, &nP));
    EXPECT_EQ(n, 6);
    EXPECT_EQ(nP, 6);
}

TEST_F(ConvertKeyTest, WideCharactersConvertToUtf16UnderTheirFlag) {
    const wchar_t sz[] = L"a\U0001F600";
    unsigned char aby[10];
    memset(aby, 0x55, sizeof(aby));
    int n = CYFConvertKey::__nConvertKey(aby, sizeof(aby), sz, sizeof(sz), ITEMTYPE_UNICODE, 0, 0, 0, 0,
                                         YFKEY_FLAG_WCHAR32);
    EXPECT_EQ(n, 8);  // a, the surrogate pair, the terminator
    // Most significant byte first, the surrogates above the rest of the basic plane.
    const unsigned char abyAttendu[] = {0, 'a', 0xF8, 0x3D, 0xFE, 0x00, 0, 0, 0, 0};
    EXPECT_EQ(memcmp(aby, abyAttendu, sizeof(aby)), 0);
}

TEST_F(ConvertKeyTest, FastSortOrdersLettersAlphabeticallyLowerBeforeUpper) {
    // One weight per character: "ab" follows "a" and comes before "A".
    const wchar_t* apszOrdre[] = {L"",       L" ", L"!", L"0", L"9",      L"a",      L"ab", L"A", L"\u00E0", L"\u00C0",
                                  L"\u00E1", L"b", L"B", L"e", L"\u00E9", L"\u00C9", L"z",  L"Z", L"\u03B1", L"\u0391"};
    std::vector<Octets> tab;
    for (const wchar_t* psz : apszOrdre) tab.push_back(CleTexteW(psz, 1));
    for (size_t i = 1; i < tab.size(); i++) EXPECT_LT(tab[i - 1], tab[i]) << i;
}

TEST_F(ConvertKeyTest, FastSortTableIsOneToOneAndStoredByteSwapped) {
    const unsigned short* ptab = CYFConvertKey::s_ptabUCS2FastSort();
    auto nPoids = [&](unsigned c) { return static_cast<unsigned>((ptab[c] >> 8) | ((ptab[c] & 0xFF) << 8)); };
    std::set<unsigned short> setVus(ptab, ptab + 0x10000);
    EXPECT_EQ(setVus.size(), 0x10000u);
    EXPECT_EQ(ptab[0], 0);  // padding stays at the bottom
    // Controls in code order first, then white space, punctuation, digits, letters.
    for (unsigned c = 1; c < 0x20; c++) EXPECT_EQ(nPoids(c), c);
    EXPECT_LT(nPoids(0x9F), nPoids(' '));
    EXPECT_LT(nPoids(' '), nPoids('!'));
    EXPECT_LT(nPoids('~'), nPoids('0'));
    EXPECT_LT(nPoids(0x00D7), nPoids('0'));  // the multiplication sign is no letter
    EXPECT_LT(nPoids('9'), nPoids('a'));
    EXPECT_LT(nPoids(L'\u00DF'), nPoids('t'));  // sharp s among the s
    EXPECT_GT(nPoids(L'\u00DF'), nPoids('s'));
    EXPECT_EQ(CYFConvertKey::s_ptabUCS2FastSort(), ptab);  // built once, then the same table
}

TEST_F(ConvertKeyTest, NullAndEmptyValuesKeyAsAnEmptyWideString) {
    for (int bNull : {1, 0}) {
        CAny cl;
        if (bNull) {
            cl.SetI4(5);
            cl.SetFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
        }
        int n = -1;
        Octets tab = CleFixe(cl, 0, 10, 0x2800, &n);
        EXPECT_EQ(tab, Octets(10, 0));
        EXPECT_EQ(n, 2);  // the terminator, one UTF-16 unit
        EXPECT_EQ(cl.nGetType(), VQTYPE_PSTRW);
        const wchar_t* psz = nullptr;
        ASSERT_EQ(cl.pclGetValeur()->nGetPCWSTR(&psz), 0);
        EXPECT_STREQ(psz, L"");
    }
}

TEST_F(ConvertKeyTest, OtherTypesAreCastThroughTheHostOnACopy) {
    ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
    CAny cl;
    cl.SetI4(-3);
    CAny clR8;
    clR8.SetR8(-3.0);
    EXPECT_EQ(Cle(cl, VQTYPE_R8), Cle(clR8, VQTYPE_R8));
    EXPECT_EQ(cl.nGetType(), VQTYPE_I4);  // the caller's value is not converted
    EXPECT_EQ(standin::GetVMCalls()[0].dwFlags, 0u);

    // A value the host cannot cast gives a key of zeros.
    standin::SetVMAnswer("nConversionDepassementExt", 100);
    int n = -1;
    EXPECT_EQ(CleFixe(cl, VQTYPE_R8, 8, 0x2800, &n), Octets(8, 0));
    EXPECT_EQ(n, 0);
}

TEST_F(ConvertKeyTest, DecimalKeysComeFromTheHostsDecimals) {
    ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
    long nDecimaux = standin::nGetLiveDecimals();
    std::vector<Octets> tab;
    for (int nValeur : {-7, -1, 0, 5, 300}) {
        CAny cl;
        cl.SetI4(nValeur);
        ASSERT_EQ(cl.__nCastTo(VQTYPE_DECIMAL, nullptr, 1), 0);
        standin::ResetVM();
        unsigned char* pby = nullptr;
        EXPECT_EQ(CConvertKey::nConvertKeyAndGetSize(&cl, &pby, VQTYPE_DECIMAL, 0x2800, 10, 2), 32);
        ASSERT_NE(pby, nullptr);
        tab.emplace_back(pby, pby + 32);
        free(pby);
        // The value's decimal is asked for 12 digits with 2 decimals, and so is the one writing the key.
        std::vector<std::pair<int, int>> tabAttendu = {{12, 2}, {12, 2}};
        EXPECT_EQ(standin::GetDecimalPrecisionCalls(), tabAttendu);
    }
    for (size_t i = 1; i < tab.size(); i++) EXPECT_LT(tab[i - 1], tab[i]) << i;
    EXPECT_EQ(standin::nGetLiveDecimals(), nDecimaux);  // the key's own decimals went back

    // Without the host's factory there is no decimal to write the key.
    unsigned char aby[32];
    const unsigned char abyData[18] = {};
    CVQConv::s_Reset();
    EXPECT_EQ(CYFConvertKey::_Decimal_to_Key(aby, sizeof(aby), abyData, sizeof(abyData), 10, 2), 0);
}

// An engine interface of the host that hands out one converter and records how it was asked.
class CMoteurYF final : public IYFForNA, public IYFUnicodeConverter {
public:
    int m_nDemandes = 0;
    int m_b80 = -1, m_b20 = -1, m_bWide = -1, m_b40 = -1;
    unsigned short m_nOptions = 0;
    unsigned long m_nDataSize = 0;

    IYFUnicodeConverter* vpiGetUnicodeConverter(int b80, int b20, unsigned long nDataSize, unsigned short nOptions,
                                                int bWide) override {
        m_nDemandes++;
        m_b80 = b80;
        m_b20 = b20;
        m_nDataSize = nDataSize;
        m_nOptions = nOptions;
        m_bWide = bWide;
        return this;
    }
    int vnConvertKey(void* pKey, unsigned long nKeySize, const void*, unsigned long, int b40, int) override {
        m_b40 = b40;
        memset(pKey, 0x11, nKeySize);
        return 3;
    }
};

TEST_F(ConvertKeyTest, CollatedKeysAskTheEngineTheDriverHolds) {
    const wchar_t sz[] = L"ab";
    unsigned char aby[14];
    // No engine: written as a plain key.
    unsigned char abyPlain[14];
    EXPECT_EQ(CYFConvertKey::__nConvertKey(aby, sizeof(aby), sz, sizeof(sz), ITEMTYPE_UNICODE, 0x20, 0, 0, 0,
                                           YFKEY_FLAG_WCHAR32),
              6);
    EXPECT_EQ(CYFConvertKey::__nConvertKey(abyPlain, sizeof(abyPlain), sz, sizeof(sz), ITEMTYPE_UNICODE, 0, 0, 0, 0,
                                           YFKEY_FLAG_WCHAR32),
              6);
    EXPECT_EQ(memcmp(aby, abyPlain, sizeof(aby)), 0);

    CMoteurYF clMoteur;
    CNADriverYF::s_SetYF(&clMoteur);
    struct Case {
        unsigned short nOptions;
        int bCollation, b80, b20, b40;
    } aCases[] = {
        {0x20, 1, 0, 1, 0}, {0x40, 1, 0, 0, 1}, {0x81, 1, 1, 0, 0},   {0x82, 1, 1, 0, 0},
        {0x80, 0, 0, 0, 0}, {0x01, 0, 0, 0, 0}, {0x2800, 0, 0, 0, 0},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.nOptions);
        clMoteur.m_nDemandes = 0;
        int n = CYFConvertKey::__nConvertKey(aby, sizeof(aby), sz, sizeof(sz), ITEMTYPE_UNICODE, c.nOptions, 0, 0, 0,
                                             YFKEY_FLAG_WCHAR32);
        EXPECT_EQ(clMoteur.m_nDemandes, c.bCollation);
        if (!c.bCollation) continue;
        EXPECT_EQ(n, 6);  // twice the units the converter wrote
        EXPECT_EQ(clMoteur.m_b80, c.b80);
        EXPECT_EQ(clMoteur.m_b20, c.b20);
        EXPECT_EQ(clMoteur.m_b40, c.b40);
        EXPECT_EQ(clMoteur.m_bWide, 1);
        EXPECT_EQ(clMoteur.m_nDataSize, sizeof(sz));
        EXPECT_EQ(clMoteur.m_nOptions, c.nOptions);
    }
}

TEST_F(ConvertKeyTest, FixedKeysNeverWritePastTheBufferNorReadPastTheData) {
    const unsigned char abyData[2] = {0x01, 0x02};
    unsigned char aby[2] = {0x55, 0x55};
    // An I8 key in 2 bytes from 2 bytes of data: the first two bytes of the key of 0x0201.
    EXPECT_EQ(CYFConvertKey::_I8_to_Key(aby, 2, abyData, 2), 2);
    EXPECT_EQ(aby[0], 0x80);
    EXPECT_EQ(aby[1], 0x00);
}

}  // namespace
