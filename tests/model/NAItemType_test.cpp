// Item types: the table of every value with its name, language type, engine size and classes; the
// language-type map back; the host engine's codes; number formats; SQL blanks; extreme values.
#include "native/model/NAItemType.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstring>

#include "core/XYString.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAItemDescription.h"
#include "tests/host/TestSupport.h"
#include "variant/Any.h"

namespace {

// Classes as bits, so one row says them all.
enum : unsigned {
    NUM = 1,       // numeric
    LIT = 2,       // literal
    ANSI = 4,      // 8-bit text
    UNI = 8,       // Unicode text
    MEMO = 16,     // memo
    MEMOTXT = 32,  // text memo
    MEMOBIN = 64,  // binary memo
    AUTO = 128,    // automatic identifier
};

struct stTypeRow {
    unsigned nType;
    const wchar_t* pszName;
    unsigned short nVQType;
    unsigned nSize10;  // engine size for a declared size of 10 and f = 0
    unsigned nClasses;
};

// The item type table as the host knows it.
const stTypeRow s_tabTypes[] = {
    {0, L"NA_IT_EMPTY", 0, 0, 0},
    {1, L"NA_IT_IDAUTO", 9, 8, NUM | AUTO},
    {2, L"NA_IT_TEXTE", 19, 11, LIT | ANSI},
    {3, L"NA_IT_I2", 7, 2, NUM},
    {4, L"NA_IT_I1", 6, 1, NUM},
    {5, L"NA_IT_I4", 8, 4, NUM},
    {6, L"NA_IT_R4", 11, 4, NUM},
    {7, L"NA_IT_R8", 12, 8, NUM},
    {8, L"Type inconnu", 0, 0, 0},
    {9, L"NA_IT_UI2", 3, 2, NUM},
    {10, L"NA_IT_DATE6", 128, 0, 0},
    {11, L"NA_IT_HEURE", 129, 5, 0},
    {12, L"NA_IT_UI1", 2, 1, NUM},
    {13, L"NA_IT_REELTURBO", 12, 0, NUM},
    {14, L"NA_IT_DATE8", 128, 9, 0},
    {15, L"NA_IT_MEMOTEXTE", 19, 8, ANSI | MEMO | MEMOTXT},
    {16, L"NA_IT_MEMOBINAIRE4", 28, 0, 0},
    {17, L"NA_IT_MONETAIRE", 10, 10, NUM},
    {18, L"NA_IT_MEMOBINAIRE", 28, 8, MEMO | MEMOBIN},
    {19, L"NA_IT_I8", 9, 8, NUM},
    {20, L"NA_IT_UI8", 5, 8, NUM},
    {21, L"NA_IT_IMAGE", 19, 44, 0},
    {22, L"NA_IT_UI4", 4, 4, NUM},
    {23, L"NA_IT_BINAIRE", 28, 12, 0},
    {24, L"NA_IT_DATETIME", 26, 8, 0},
    {25, L"NA_IT_TIMELENGHT", 27, 8, NUM},
    {26, L"NA_IT_CHAR", 17, 1, 0},
    {27, L"NA_IT_BOOLEEN", 1, 1, NUM},
    {28, L"NA_IT_IDAUTO4", 8, 4, NUM | AUTO},
    {29, L"NA_IT_UNICODE", 16, 44, UNI},
    {30, L"NA_IT_MEMOUNICODE", 16, 8, UNI | MEMO | MEMOTXT},
    {31, L"NA_IT_DECIMAL", 13, 18, NUM},
    {32, L"Type inconnu", 0, 0, 0},
    {1000, L"Type inconnu", 0, 0, 0},
    {0xFFFFFFFF, L"Type inconnu", 0, 0, 0},
};

TEST(NAItemTypeTest, EveryTypeWithItsNameLanguageTypeSizeAndClasses) {
    for (const auto& st : s_tabTypes) {
        SCOPED_TRACE(st.nType);
        const auto e = static_cast<eNA_ITEMTYPE>(st.nType);
        EXPECT_STREQ(g_pszGetNAItemTypeName(e), st.pszName);
        EXPECT_EQ(ConverteItemToVQType(e, 0), st.nVQType);
        EXPECT_EQ(CNAItemDescription::s_nGetYFSize(e, 10, 0), st.nSize10);
        EXPECT_EQ(g_bIsNumerical(e), (st.nClasses & NUM) != 0);
        EXPECT_EQ(bIsTextAnsi(e), (st.nClasses & ANSI) != 0);
        EXPECT_EQ(bIsTextUnicode(e), (st.nClasses & UNI) != 0);
        EXPECT_EQ(bIsTextAW(e), (st.nClasses & (ANSI | UNI)) != 0);
        EXPECT_EQ(CNAItemDescription::g_bIsMemo(e), (st.nClasses & MEMO) != 0);
        EXPECT_EQ(CNAItemDescription::g_bIsMemoText(e), (st.nClasses & MEMOTXT) != 0);
        EXPECT_EQ(CNAItemDescription::g_bIsMemoBinary(e), (st.nClasses & MEMOBIN) != 0);
        EXPECT_EQ(g_bIsIdAuto(e), (st.nClasses & AUTO) != 0);
    }
}

TEST(NAItemTypeTest, EngineSizesThatDependOnTheArguments) {
    struct Case {
        eNA_ITEMTYPE eType;
        unsigned long nSize;
        int f;
        unsigned nExpected;
    };
    const Case tab[] = {
        {NA_IT_HEURE, 99, 0, 5},    {NA_IT_HEURE, 99, 3, 8},  {NA_IT_HEURE, 99, 9, 10}, {NA_IT_HEURE, 99, -2, 5},
        {NA_IT_DECIMAL, 99, 0, 18}, {NA_IT_DECIMAL, 0, 1, 1}, {NA_IT_DECIMAL, 0, 9, 4}, {NA_IT_DECIMAL, 0, 13, 6},
        {NA_IT_DECIMAL, 0, 38, 16}, {NA_IT_TEXTE, 0, 7, 1},   {NA_IT_BINAIRE, 0, 7, 2}, {NA_IT_UNICODE, 0, 0, 4},
        {NA_IT_IMAGE, 3, 0, 16},    {NA_IT_DATE8, 100, 0, 9},
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(testing::Message() << c.eType << " " << c.nSize << " " << c.f);
        EXPECT_EQ(CNAItemDescription::s_nGetYFSize(c.eType, c.nSize, c.f), c.nExpected);
    }
}

TEST(NAItemTypeTest, LanguageTypesBackToItemTypes) {
    // Every non-zero row of the map; all other language types give 0.
    unsigned short tabExpected[131] = {};
    const std::pair<unsigned short, unsigned short> tabRows[] = {
        {1, 27},  {2, 12},  {3, 9},   {4, 22},  {5, 20},  {6, 4},   {7, 3},    {8, 5},    {9, 19},
        {10, 17}, {11, 6},  {12, 7},  {13, 31}, {14, 22}, {16, 30}, {17, 26},  {18, 2},   {19, 15},
        {24, 14}, {25, 11}, {26, 24}, {27, 25}, {28, 18}, {81, 29}, {110, 29}, {128, 14}, {129, 11},
    };
    for (auto [nVQ, nItem] : tabRows) tabExpected[nVQ] = nItem;
    for (unsigned short nVQ = 0; nVQ <= 130; nVQ++) {
        SCOPED_TRACE(nVQ);
        EXPECT_EQ(ConvertVQTypeToeItem(nVQ), tabExpected[nVQ]);
    }
    EXPECT_EQ(ConvertVQTypeToeItem(0xFFFF), NA_IT_EMPTY);
    // Not inverse: the dynamic texts, binaries, 8-byte integers and dates come back otherwise.
    EXPECT_EQ(ConvertVQTypeToeItem(ConverteItemToVQType(NA_IT_TEXTE, 0)), NA_IT_MEMOTEXTE);
    EXPECT_EQ(ConvertVQTypeToeItem(ConverteItemToVQType(NA_IT_UNICODE, 0)), NA_IT_MEMOUNICODE);
    EXPECT_EQ(ConvertVQTypeToeItem(ConverteItemToVQType(NA_IT_BINAIRE, 0)), NA_IT_MEMOBINAIRE);
    EXPECT_EQ(ConvertVQTypeToeItem(ConverteItemToVQType(NA_IT_IDAUTO, 0)), NA_IT_I8);
    EXPECT_EQ(ConvertVQTypeToeItem(ConverteItemToVQType(NA_IT_DATE6, 0)), NA_IT_DATE8);
}

TEST(NAItemTypeTest, HostEngineCodesToItemTypes) {
    const unsigned tabExpected[42] = {0,  15, 2,  3,  4,  5,  6,  7,  3,  9,  10, 11, 26, 13,
                                      14, 15, 15, 17, 18, 15, 15, 15, 15, 21, 1,  19, 22, 20,
                                      23, 15, 18, 15, 15, 5,  24, 25, 12, 27, 28, 29, 30, 31};
    for (unsigned n = 0; n < 42; n++) {
        SCOPED_TRACE(n);
        EXPECT_EQ(CNADataSourceDescription::g_eGetNAItemType(n), tabExpected[n]);
    }
    for (unsigned n : {42u, 43u, 255u, 0xFFFFFFFFu}) EXPECT_EQ(CNADataSourceDescription::g_eGetNAItemType(n), 15u);
}

TEST(NAItemTypeTest, TypeOfANumberFormat) {
    struct Case {
        int i, d;
        eNA_ITEMTYPE eType;
        unsigned nSize;
    };
    const Case tab[] = {
        {0, 0, NA_IT_R8, 8},          {1, 0, NA_IT_I1, 1},         {2, 0, NA_IT_I1, 1},
        {3, 0, NA_IT_I2, 2},          {4, 0, NA_IT_I2, 2},         {5, 0, NA_IT_I4, 4},
        {9, 0, NA_IT_I4, 4},          {10, 0, NA_IT_I8, 8},        {19, 0, NA_IT_I8, 8},
        {20, 0, NA_IT_DECIMAL, 9},    {38, 0, NA_IT_DECIMAL, 16},  {39, 0, NA_IT_R8, 8},
        {10, 6, NA_IT_MONETAIRE, 10}, {0, 1, NA_IT_MONETAIRE, 10}, {11, 2, NA_IT_DECIMAL, 6},
        {10, 7, NA_IT_DECIMAL, 8},    {30, 8, NA_IT_DECIMAL, 16},  {30, 9, NA_IT_R8, 8},
        {-1, 0, NA_IT_R8, 8},         {3, -1, NA_IT_R8, 8},        {0, 39, NA_IT_R8, 8},
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(testing::Message() << c.i << "," << c.d);
        eNA_ITEMTYPE e = NA_IT_EMPTY;
        unsigned n = 0;
        CNAItemDescription::s_GetTypeFromFormat(c.i, c.d, &e, &n);
        EXPECT_EQ(e, c.eType);
        EXPECT_EQ(n, c.nSize);
    }
}

TEST(NAItemTypeTest, DecimalDigitsOfLanguageTypes) {
    struct Case {
        unsigned short nVQ;
        bool bOk;
        int nDigits, nDecimals;
    };
    const Case tab[] = {
        {1, true, 1, 0},   {2, true, 3, 0},   {6, true, 3, 0},   {3, true, 5, 0},   {7, true, 5, 0},
        {4, true, 10, 0},  {8, true, 10, 0},  {14, true, 10, 0}, {5, true, 19, 0},  {9, true, 19, 0},
        {27, true, 19, 0}, {10, true, 33, 5}, {0, false, 0, 0},  {11, false, 0, 0}, {12, false, 0, 0},
        {13, false, 0, 0}, {16, false, 0, 0}, {26, false, 0, 0}, {28, false, 0, 0}, {200, false, 0, 0},
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(c.nVQ);
        int nDigits = -7, nDecimals = -7;
        EXPECT_EQ(CNAItemDescription::s_bGetDecimalInfo(c.nVQ, &nDigits, &nDecimals), c.bOk);
        EXPECT_EQ(nDecimals, c.nDecimals);  // set to 0 first, whatever the answer
        if (c.bOk) {
            EXPECT_EQ(nDigits, c.nDigits);
        }
    }
}

TEST(NAItemTypeTest, UnicodeFoldsToItsEightBitTwin) {
    struct Case {
        eNA_ITEMTYPE eIn;
        unsigned nIn;
        eNA_ITEMTYPE eOut;
        unsigned nOut;
    };
    const Case tab[] = {{NA_IT_UNICODE, 42, NA_IT_TEXTE, 21},
                        {NA_IT_UNICODE, 43, NA_IT_TEXTE, 21},
                        {NA_IT_MEMOUNICODE, 8, NA_IT_MEMOTEXTE, 8},
                        {NA_IT_TEXTE, 42, NA_IT_TEXTE, 42},
                        {NA_IT_I4, 4, NA_IT_I4, 4}};
    for (const auto& c : tab) {
        eNA_ITEMTYPE e = c.eIn;
        unsigned n = c.nIn;
        CNAItemDescription::s_Type2Ansi(&e, &n);
        EXPECT_EQ(e, c.eOut);
        EXPECT_EQ(n, c.nOut);
    }
}

TEST(NAItemTypeTest, SqlBlanksAreTheFourOnly) {
    for (wchar_t c = 0; c < 300; c++) {
        const bool bExpected = c == 9 || c == 10 || c == 13 || c == 32;
        EXPECT_EQ(s_bEspaceSQL(c), bExpected) << static_cast<int>(c);
    }
    EXPECT_FALSE(s_bEspaceSQL(0x00A0));
    EXPECT_FALSE(s_bEspaceSQL(0x3000));
}

// ------------------------------------------------------------------------------------------------
// Extreme values
// ------------------------------------------------------------------------------------------------

class CheckValueTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

template <typename T>
void SetRaw(CAny& cl, unsigned short nType, T t) {
    cl.__SetType(nType, 0);
    memcpy(cl.pbyGetValeur(), &t, sizeof(T));
}

TEST_F(CheckValueTest, NumbersAtTheirBounds) {
    struct Case {
        const char* pszNom;
        void (*pfSet)(CAny&);
        eNA_CHECKVALUE eExpected;
    };
    const Case tab[] = {
        {"UI1 0", [](CAny& c) { c.SetUI1(0); }, NA_CHECKVALUE_MIN},
        {"UI1 255", [](CAny& c) { c.SetUI1(255); }, NA_CHECKVALUE_MAX},
        {"UI1 7", [](CAny& c) { c.SetUI1(7); }, NA_CHECKVALUE_NONE},
        {"UI2 65535", [](CAny& c) { c.SetUI2(65535); }, NA_CHECKVALUE_MAX},
        {"UI4 0", [](CAny& c) { c.SetUI4(0); }, NA_CHECKVALUE_MIN},
        {"UI4 max", [](CAny& c) { c.SetUI4(4294967295u); }, NA_CHECKVALUE_MAX},
        {"UIX max", [](CAny& c) { SetRaw<uint64_t>(c, VQTYPE_UIX, 4294967295u); }, NA_CHECKVALUE_MAX},
        {"UIX wider", [](CAny& c) { SetRaw<uint64_t>(c, VQTYPE_UIX, 0x1FFFFFFFFull); }, NA_CHECKVALUE_NONE},
        {"UI8 max", [](CAny& c) { c.SetUI8(18446744073709551615ul); }, NA_CHECKVALUE_MAX},
        {"I1 -128", [](CAny& c) { c.SetI1(-128); }, NA_CHECKVALUE_MIN},
        {"I1 127", [](CAny& c) { c.SetI1(127); }, NA_CHECKVALUE_MAX},
        {"I1 0", [](CAny& c) { c.SetI1(0); }, NA_CHECKVALUE_NONE},
        {"I2 min", [](CAny& c) { c.SetI2(-32768); }, NA_CHECKVALUE_MIN},
        {"I4 min", [](CAny& c) { c.SetI4(-2147483647 - 1); }, NA_CHECKVALUE_MIN},
        {"I4 max", [](CAny& c) { c.SetI4(2147483647); }, NA_CHECKVALUE_MAX},
        {"I4 0", [](CAny& c) { c.SetI4(0); }, NA_CHECKVALUE_NONE},
        {"I8 min", [](CAny& c) { c.SetI8(-9223372036854775807L - 1); }, NA_CHECKVALUE_MIN},
        {"I8 max", [](CAny& c) { c.SetI8(9223372036854775807L); }, NA_CHECKVALUE_MAX},
        {"R4 -max", [](CAny& c) { c.SetR4(-FLT_MAX); }, NA_CHECKVALUE_MIN},
        {"R4 max", [](CAny& c) { c.SetR4(FLT_MAX); }, NA_CHECKVALUE_MAX},
        {"R4 inf", [](CAny& c) { c.SetR4(INFINITY); }, NA_CHECKVALUE_NONE},
        {"R8 -max", [](CAny& c) { c.SetR8(-DBL_MAX); }, NA_CHECKVALUE_MIN},
        {"R8 max", [](CAny& c) { c.SetR8(DBL_MAX); }, NA_CHECKVALUE_MAX},
        {"R8 NaN", [](CAny& c) { c.SetR8(NAN); }, NA_CHECKVALUE_NONE},
        {"BOOL 1", [](CAny& c) { c.SetBOOL(1); }, NA_CHECKVALUE_NONE},
        {"BOOL 0", [](CAny& c) { c.SetBOOL(0); }, NA_CHECKVALUE_NONE},
        {"CARA 255", [](CAny& c) { SetRaw<uint8_t>(c, VQTYPE_CARA, 255); }, NA_CHECKVALUE_MAX},
        {"CARA 0", [](CAny& c) { SetRaw<uint8_t>(c, VQTYPE_CARA, 0); }, NA_CHECKVALUE_NONE},
        {"CARW max", [](CAny& c) { SetRaw<uint32_t>(c, VQTYPE_CARW, 0xFFFFFFFFu); }, NA_CHECKVALUE_MAX},
        {"DATETIME 0", [](CAny& c) { SetRaw<uint64_t>(c, VQTYPE_DATETIME, 0); }, NA_CHECKVALUE_MIN},
        {"DATETIME limit", [](CAny& c) { SetRaw<uint64_t>(c, VQTYPE_DATETIME, 371085170734730269ull); },
         NA_CHECKVALUE_NONE},
        {"DATETIME above", [](CAny& c) { SetRaw<uint64_t>(c, VQTYPE_DATETIME, 371085170734730270ull); },
         NA_CHECKVALUE_MAX},
        {"DUREE 0", [](CAny& c) { SetRaw<uint64_t>(c, VQTYPE_DUREE, 0); }, NA_CHECKVALUE_MIN},
        {"DUREE above", [](CAny& c) { SetRaw<uint64_t>(c, VQTYPE_DUREE, ~0ull); }, NA_CHECKVALUE_MAX},
        {"empty", [](CAny&) {}, NA_CHECKVALUE_NONE},
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(c.pszNom);
        CAny cl;
        c.pfSet(cl);
        EXPECT_EQ(eCheckValue(&cl), c.eExpected);
        if (cl.nGetTypeCode() != 0) {
            cl.SetNull(1);  // a NULL value is never a bound
            EXPECT_EQ(eCheckValue(&cl), NA_CHECKVALUE_NONE);
        }
    }
    EXPECT_EQ(eCheckValue(nullptr), NA_CHECKVALUE_NONE);
}

TEST_F(CheckValueTest, TextsCarryTheirLastValueMarker) {
    CAny cl;
    cl.__SetType(VQTYPE_DSTRA, 0);
    EXPECT_EQ(eCheckValue(&cl), NA_CHECKVALUE_NONE);  // no text at all
    cl.pclGetValeur()->SetValue("abc", 3);
    EXPECT_EQ(eCheckValue(&cl), NA_CHECKVALUE_NONE);
    void* pBuffer;
    memcpy(&pBuffer, cl.pbyGetValeur(), sizeof(pBuffer));
    CBaseStrMem::s_pstGetHeader(pBuffer)->dwFlags |= STRMEM_FLAG_MARQUEUR_FIN;
    EXPECT_EQ(eCheckValue(&cl), NA_CHECKVALUE_MAX);

    CAny clW;
    clW.__SetType(VQTYPE_DSTRW, 0);
    clW.pclGetValeur()->SetValue(L"x", sizeof(wchar_t));
    EXPECT_EQ(eCheckValue(&clW), NA_CHECKVALUE_NONE);
    memcpy(&pBuffer, clW.pbyGetValeur(), sizeof(pBuffer));
    CBaseStrMem::s_pstGetHeader(pBuffer)->dwFlags |= STRMEM_FLAG_MARQUEUR_FIN;
    EXPECT_EQ(eCheckValue(&clW), NA_CHECKVALUE_MAX);

    // Fixed date and time texts: the last character decides.
    CAny clDate;
    clDate.SetDATEA("2024\xff");
    EXPECT_EQ(eCheckValue(&clDate), NA_CHECKVALUE_MAX);
    clDate.SetDATEA("20240101");
    EXPECT_EQ(eCheckValue(&clDate), NA_CHECKVALUE_NONE);
    clDate.SetDATEA("");
    EXPECT_EQ(eCheckValue(&clDate), NA_CHECKVALUE_NONE);
    CAny clTime;
    const wchar_t szMax[] = {L'1', L'2', static_cast<wchar_t>(0xFFFFFFFFu), 0};
    clTime.SetTIMEW(szMax);
    EXPECT_EQ(eCheckValue(&clTime), NA_CHECKVALUE_MAX);
}

}  // namespace
