// Item descriptions read through their virtual table as the host reads them, initialised, grown
// into composite keys, retyped, compared for fitness and cloned.
#include "native/model/NAItemDescription.h"

#include <gtest/gtest.h>

#include <cstring>

#include "native/model/NADataSourceDescription.h"
#include "tests/model/ModelTestSupport.h"

namespace {

class NAItemDescriptionTest : public ModelTest {
protected:
    // An item with one internal reference, released by the fixture.
    CNAItemDescription* pclItem(const wchar_t* pszName, eNA_ITEMTYPE eType, unsigned nSize, int nKeyIndice = -1,
                                unsigned short wKeyFlags = 0, int nInt = 0, int nDec = 0, unsigned nDim = 1) {
        auto* pcl = new CNAItemDescription;
        pcl->AddRef();
        pcl->bInit(pszName, L"src", L"insrc", nDim, nSize, eType, 0, nKeyIndice, wKeyFlags, nInt, nDec);
        m_tabItems.push_back(pcl);
        return pcl;
    }
    void TearDown() override {
        for (auto* pcl : m_tabItems) pcl->nRelease();
        ModelTest::TearDown();
    }

    std::vector<CNAItemDescription*> m_tabItems;
};

TEST_F(NAItemDescriptionTest, SlotsAnswerAsTheHostReadsThem) {
    CNAItemDescription* pcl = pclItem(L"Nom", NA_IT_UNICODE, 42, 3,
                                      NA_KEY_UNIQUE | NA_KEY_DESCENDANT | NA_KEY_IGNORECASE | NA_KEY_IGNOREACCENT);
    pcl->SetExtendedInfo(L"ext");
    pcl->SetCaption(L"cap");
    pcl->SetDBType(L"varchar", 1043);
    pcl->SetRecordPosition(100, 7);
    pcl->SetNullable(0);
    const void* p = static_cast<INAItemDescription*>(pcl);
    EXPECT_EQ(CallSlot<int>(p, 2), 9);
    EXPECT_EQ(CallSlot<int>(p, 3), 1);
    EXPECT_EQ(CallSlot<int>(p, 4), -1);
    EXPECT_EQ(CallSlot<int>(p, 5), -1);
    EXPECT_STREQ(CallSlot<const wchar_t*>(p, 9), L"Nom");
    EXPECT_EQ(CallSlot<unsigned>(p, 10), 1u);
    EXPECT_EQ(CallSlot<unsigned>(p, 11), 42u);
    EXPECT_EQ(CallSlot<unsigned>(p, 12, 0), 20u);
    EXPECT_EQ(CallSlot<unsigned>(p, 13), 42u);
    EXPECT_EQ(CallSlot<eNA_ITEMTYPE>(p, 14), NA_IT_UNICODE);
    EXPECT_EQ(CallSlot<int>(p, 15), 0);
    EXPECT_EQ(CallSlot<int>(p, 16), 1);  // a key
    EXPECT_EQ(CallSlot<int>(p, 17), 0);
    EXPECT_EQ(CallSlot<int>(p, 20), 0);
    EXPECT_EQ(CallSlot<int>(p, 21), 0);
    EXPECT_EQ(CallSlot<int>(p, 22), 3);
    EXPECT_EQ(CallSlot<int>(p, 23), 0);
    EXPECT_EQ(CallSlot<int>(p, 24), 0);
    EXPECT_EQ(CallSlot<int>(p, 25), 1);
    EXPECT_EQ(CallSlot<int>(p, 26), 0);
    EXPECT_EQ(CallSlot<int>(p, 27), 0);
    EXPECT_EQ(CallSlot<int>(p, 28, -1), 0);
    EXPECT_EQ(CallSlot<int>(p, 29, -1), 1);
    EXPECT_EQ(CallSlot<int>(p, 30, -1), 1);
    EXPECT_EQ(CallSlot<int>(p, 31, -1), 0);
    EXPECT_EQ(CallSlot<int>(p, 32, -1), 1);
    EXPECT_EQ(CallSlot<INAItemDescription*>(p, 33, 1), nullptr);
    EXPECT_EQ(CallSlot<int>(p, 34, 2), 184);  // 100 + 2 x 42
    EXPECT_EQ(CallSlot<int>(p, 35, 2), 9);
    CAny* pclDefault = CallSlot<CAny*>(p, 36, 0);
    ASSERT_NE(pclDefault, nullptr);
    EXPECT_EQ(pclDefault->nGetType(), VQTYPE_DSTRW | VQTYPE_FLAG_NULL);
    EXPECT_STREQ(CallSlot<const wchar_t*>(p, 37), L"ext");
    EXPECT_STREQ(CallSlot<const wchar_t*>(p, 38), L"cap");
    EXPECT_STREQ(CallSlot<const wchar_t*>(p, 39), L"varchar");
    EXPECT_EQ(CallSlot<const wchar_t*>(p, 40), nullptr);
    EXPECT_EQ(CallSlot<const wchar_t*>(p, 41), nullptr);
    EXPECT_STREQ(CallSlot<const wchar_t*>(p, 44), L"insrc");
    EXPECT_STREQ(CallSlot<const wchar_t*>(p, 45), L"src");
    EXPECT_EQ(CallSlot<unsigned>(p, 46), 0u);
    EXPECT_EQ(CallSlot<unsigned>(p, 48, 0), 0u);
    EXPECT_EQ(CallSlot<int>(p, 50), 1);
    CallSlot<void>(p, 51, 0);
    EXPECT_EQ(CallSlot<int>(p, 50), 0);
    EXPECT_EQ(CallSlot<INAItemDescription*>(p, 52, nullptr, nullptr), nullptr);
    EXPECT_EQ(CallSlot<INAItemDescription*>(p, 53, 0u, nullptr, nullptr), nullptr);
    EXPECT_EQ(CallSlot<unsigned>(p, 54), 0u);
    EXPECT_EQ(CallSlot<const wchar_t*>(p, 55), nullptr);
    EXPECT_EQ(CallSlot<int>(p, 56), 0);  // NULL not allowed
    CallSlot<void>(p, 59, 12);
    CallSlot<void>(p, 60, 4);
    EXPECT_EQ(CallSlot<unsigned>(p, 42), 12u);
    EXPECT_EQ(CallSlot<unsigned>(p, 43), 4u);

    // The external count through slots 7 and 8.
    CallSlot<void>(p, 7);
    EXPECT_EQ(pcl->nGetExternalRef(), 1u);
    EXPECT_EQ(CallSlot<unsigned>(p, 8), 0u);
    EXPECT_EQ(pcl->nGetRef(), 1u);  // still held by the fixture
}

TEST_F(NAItemDescriptionTest, MemoClassesThroughTheSlots) {
    struct Case {
        eNA_ITEMTYPE e;
        int bMemo, bText, bBinary, bNumerical, bLiteral;
    };
    const Case tab[] = {{NA_IT_MEMOTEXTE, 1, 1, 0, 0, 0},   {NA_IT_MEMOUNICODE, 1, 1, 0, 0, 0},
                        {NA_IT_MEMOBINAIRE, 1, 0, 1, 0, 0}, {NA_IT_MEMOBINAIRE4, 0, 0, 0, 0, 0},
                        {NA_IT_TEXTE, 0, 0, 0, 0, 1},       {NA_IT_BOOLEEN, 0, 0, 0, 1, 0}};
    for (const auto& c : tab) {
        SCOPED_TRACE(c.e);
        const void* p = static_cast<INAItemDescription*>(pclItem(L"m", c.e, 100));
        EXPECT_EQ(CallSlot<int>(p, 17), c.bMemo);
        EXPECT_EQ(CallSlot<int>(p, 18), c.bText);
        EXPECT_EQ(CallSlot<int>(p, 19), c.bBinary);
        EXPECT_EQ(CallSlot<int>(p, 20), c.bNumerical);
        EXPECT_EQ(CallSlot<int>(p, 21), c.bLiteral);
    }
}

TEST_F(NAItemDescriptionTest, InitialisationRules) {
    CNAItemDescription* pclVide = pclItem(L"v", NA_IT_EMPTY, 50);
    EXPECT_EQ(pclVide->eNAGetItemType(), NA_IT_TEXTE);
    EXPECT_EQ(pclVide->nGetItemSize(), 1u);

    CNAItemDescription* pclDec = pclItem(L"d", NA_IT_DECIMAL, 9, -1, 0, 20, 0);
    EXPECT_EQ(pclDec->eNAGetItemType(), NA_IT_DECIMAL);
    EXPECT_EQ(pclDec->nGetIntegerPart(), 20u);
    EXPECT_EQ(pclDec->nGetDecimalPart(), 0u);
    EXPECT_EQ(pclDec->nGetItemSize(), 9u);
    EXPECT_EQ(pclDec->nGetPrecision(), 20u);

    CNAItemDescription* pclR8 = pclItem(L"r", NA_IT_DECIMAL, 18, -1, 0, 30, 9);
    EXPECT_EQ(pclR8->eNAGetItemType(), NA_IT_R8);
    EXPECT_EQ(pclR8->nGetItemSize(), 8u);
    EXPECT_EQ(pclR8->pclGetDefaultValue(0)->nGetType(), VQTYPE_R8 | VQTYPE_FLAG_NULL);

    CNAItemDescription* pclTime = pclItem(L"t", NA_IT_HEURE, 10, -1, 0, 7, 3);
    EXPECT_EQ(pclTime->nGetDecimalPart(), 3u);
    EXPECT_EQ(pclTime->nGetIntegerPart(), 0u);

    for (eNA_ITEMTYPE e : {NA_IT_MEMOTEXTE, NA_IT_MEMOBINAIRE, NA_IT_MEMOUNICODE}) {
        EXPECT_EQ(pclItem(L"m", e, 1000)->nGetItemSize(), 8u) << e;
    }
    EXPECT_EQ(pclItem(L"m4", NA_IT_MEMOBINAIRE4, 1000)->nGetItemSize(), 1000u);

    for (eNA_ITEMTYPE e : {NA_IT_IDAUTO, NA_IT_IDAUTO4}) {
        CNAItemDescription* pcl = pclItem(L"id", e, 8);
        EXPECT_EQ(pcl->dwGetItemFlags(), 3u) << e;
        EXPECT_FALSE(pcl->vbConstraintNullAllowed());
        EXPECT_TRUE(pcl->pclGetDefaultValue(0)->bIsNull());
    }
    EXPECT_EQ(pclItem(L"n", NA_IT_I4, 4)->dwGetItemFlags(), 0u);
}

TEST_F(NAItemDescriptionTest, LogicalSizes) {
    struct Case {
        eNA_ITEMTYPE e;
        unsigned nSize, nDim;
        unsigned nOne, nAll;
    };
    const Case tab[] = {
        {NA_IT_TEXTE, 11, 1, 10, 10},   {NA_IT_TEXTE, 11, 3, 10, 30},   {NA_IT_UNICODE, 42, 1, 20, 20},
        {NA_IT_UNICODE, 42, 3, 20, 60}, {NA_IT_BINAIRE, 12, 2, 10, 20}, {NA_IT_I4, 4, 5, 4, 20},
        {NA_IT_DATE8, 9, 1, 9, 9},      {NA_IT_TEXTE, 1, 1, 0, 0},      {NA_IT_UNICODE, 2, 1, 0, 0},
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(testing::Message() << c.e << " " << c.nSize << "x" << c.nDim);
        CNAItemDescription* pcl = pclItem(L"x", c.e, c.nSize, -1, 0, 0, 0, c.nDim);
        EXPECT_EQ(pcl->nGetLogicalSize(0), c.nOne);
        EXPECT_EQ(pcl->nGetLogicalSize(-1), c.nAll);
    }
}

TEST_F(NAItemDescriptionTest, KeyDirectionsAndSortOrder) {
    CNAItemDescription* pclPlain = pclItem(L"p", NA_IT_I4, 4, -1, NA_KEY_ASCENDANT);
    EXPECT_FALSE(pclPlain->bIsKey());
    EXPECT_FALSE(pclPlain->bGetAscendant(-1));  // not a key, whatever its bits say

    CNAItemDescription* pclKey = pclItem(L"k", NA_IT_I4, 4, 0, NA_KEY_DUPLICATES);
    EXPECT_TRUE(pclKey->bGetAscendant(-1));
    pclKey->SetSensTri(SENSTRI_DESCENDANT);
    EXPECT_EQ(pclKey->wGetKeyFlags(), NA_KEY_DUPLICATES | NA_KEY_DESCENDANT);
    EXPECT_FALSE(pclKey->bGetAscendant(-1));
    pclKey->SetSensTri(SENSTRI_ASCENDANT);
    EXPECT_EQ(pclKey->wGetKeyFlags(), NA_KEY_DUPLICATES | NA_KEY_ASCENDANT);

    CNAItemDescription* pclPrimary = pclItem(L"pk", NA_IT_I4, 4, 0, NA_KEY_PRIMARY);
    EXPECT_TRUE(pclPrimary->bUnique());
    EXPECT_TRUE(pclPrimary->bPrimary());
}

TEST_F(NAItemDescriptionTest, CompositeKeyGrowsByItsComponents) {
    CNAItemDescription* pclKey = pclItem(L"k", NA_IT_BINAIRE, 0, 0, NA_KEY_COMPOSED | NA_KEY_UNIQUE);
    CNAItemDescription* pclA = pclItem(L"a", NA_IT_TEXTE, 11);              // 10
    CNAItemDescription* pclB = pclItem(L"b", NA_IT_UNICODE, 42);            // 20, doubled
    CNAItemDescription* pclC = pclItem(L"c", NA_IT_BINAIRE, 8);             // 6
    CNAItemDescription* pclD = pclItem(L"d", NA_IT_I4, 4, -1, 0, 0, 0, 2);  // 8
    for (auto* pcl : {pclA, pclB, pclC, pclD}) EXPECT_TRUE(pclKey->bAddComponent(pcl));
    EXPECT_EQ(pclKey->nGetItemSize(), 10u + 40u + 6u + 8u);
    EXPECT_EQ(pclKey->nGetNumComponents(), 4);
    EXPECT_EQ(pclA->nGetRef(), 2u);  // the key holds an internal reference

    // Components counted from 1, each with an external reference; outside the count: none.
    INAItemDescription* pi = pclKey->piGetItemComponent(2);
    EXPECT_EQ(pi, pclB);
    EXPECT_EQ(pclB->nGetExternalRef(), 1u);
    pi->nExternalRelease();
    for (int n : {0, -1, 5, 100}) EXPECT_EQ(pclKey->piGetItemComponent(n), nullptr) << n;
    EXPECT_TRUE(CNAItemDescription::bIsComponentOf(pclKey, pclC));
    EXPECT_FALSE(CNAItemDescription::bIsComponentOf(pclKey, pclKey));
    EXPECT_EQ(pclC->nGetExternalRef(), 0u);

    // A plain item keeps its size when given components.
    CNAItemDescription* pclPlain = pclItem(L"p", NA_IT_I8, 8);
    pclPlain->bAddComponent(pclA);
    EXPECT_EQ(pclPlain->nGetItemSize(), 8u);
}

TEST_F(NAItemDescriptionTest, CountsKeepTheObjectUntilBothAreZero) {
    auto* pcl = new CNAItemDescription;
    pcl->bInit(L"x", nullptr, nullptr, 1, 4, NA_IT_I4, 0, -1, 0, 0, 0);
    EXPECT_EQ(pcl->nExternalRelease(), 0u);  // at 0: nothing, no wrap
    EXPECT_EQ(pcl->nRelease(), 0u);
    pcl->AddRef();
    pcl->ExternalAddRef();
    EXPECT_EQ(pcl->nRelease(), 0u);
    EXPECT_EQ(pcl->nGetExternalRef(), 1u);  // still alive: the host holds it
    EXPECT_STREQ(pcl->pszGetName(), L"x");
    EXPECT_EQ(pcl->nExternalRelease(), 0u);  // deleted now (the sanitizer checks)
}

TEST_F(NAItemDescriptionTest, TypeChangeFollowsTheOtherItem) {
    CNAItemDescription* pclOther = pclItem(L"o", NA_IT_IDAUTO4, 4);
    pclOther->SetDBType(L"int4", 23);
    CNAItemDescription* pcl = pclItem(L"x", NA_IT_TEXTE, 11);
    CAny clDefault;
    SetDSTRA(&clDefault, "20240101");
    pcl->SetDefaultValue(&clDefault, 0);
    EXPECT_EQ(pcl->pclGetDefaultValue(0)->nGetTypeCode(), VQTYPE_DSTRA);

    pcl->bChangeType(static_cast<INAItemDescription*>(pclOther), 0);
    EXPECT_EQ(pcl->eNAGetItemType(), NA_IT_I4);
    EXPECT_EQ(pcl->nGetItemSize(), 4u);
    EXPECT_STREQ(pcl->pszGetDBType(), L"int4");
    EXPECT_EQ(pcl->nGetDBTypeCode(), 0u);
    // The text default "20240101" cast to a 4-byte integer.
    EXPECT_EQ(pcl->pclGetDefaultValue(0)->nGetType(), VQTYPE_I4);
    EXPECT_EQ(tBrut<int32_t>(*pcl->pclGetDefaultValue(0)), 20240101);

    pcl->bChangeType(static_cast<INAItemDescription*>(pclOther), 1);
    EXPECT_EQ(pcl->eNAGetItemType(), NA_IT_IDAUTO4);
    pcl->bChangeType(pclOther, 1);
    EXPECT_EQ(pcl->nGetDBTypeCode(), 23u);

    CNAItemDescription* pclDec = pclItem(L"d", NA_IT_DECIMAL, 6, -1, 0, 10, 3);
    pcl->bChangeType(static_cast<INAItemDescription*>(pclDec), 0);
    EXPECT_EQ(pcl->nGetIntegerPart(), 10u);
    EXPECT_EQ(pcl->nGetDecimalPart(), 3u);
    CNAItemDescription* pclTs = pclItem(L"ts", NA_IT_DATETIME, 8, -1, 0, 0, 6);
    pcl->bChangeType(static_cast<INAItemDescription*>(pclTs), 0);
    EXPECT_EQ(pcl->nGetIntegerPart(), 0u);
    EXPECT_EQ(pcl->nGetDecimalPart(), 6u);
    pcl->bChangeType(static_cast<INAItemDescription*>(pclItem(L"i", NA_IT_I2, 2)), 0);
    EXPECT_EQ(pcl->nGetDecimalPart(), 0u);
}

TEST_F(NAItemDescriptionTest, DefaultValueThatCannotBeCastBecomesEmpty) {
    CNAItemDescription* pcl = pclItem(L"x", NA_IT_TEXTE, 11);
    CAny clDefault;
    SetDSTRA(&clDefault, "abc");
    pcl->SetDefaultValue(&clDefault, 0);
    pcl->bChangeType(static_cast<INAItemDescription*>(pclItem(L"i", NA_IT_I4, 4)), 0);
    const CAny* pclValue = pcl->pclGetDefaultValue(0);
    EXPECT_EQ(pclValue->nGetType(), VQTYPE_I4);  // of the new type, not NULL
    int n = -1;
    memcpy(&n, pclValue->pbyGetValeur(), sizeof(n));
    EXPECT_EQ(n, 0);
}

TEST_F(NAItemDescriptionTest, CompletionFromTheHostItem) {
    CNAItemDescription* pclHost =
        pclItem(L"h", NA_IT_I8, 8, 0, NA_KEY_PRIMARY | NA_KEY_DESCENDANT | NA_KEY_IGNOREPUNCTUATION);
    pclHost->SetExtendedInfo(L"hx");
    pclHost->SetCaption(L"hc");
    struct Case {
        int bUnique;
        uint16_t wExpected;
    };
    for (const Case& c : {Case{1, NA_KEY_PRIMARY | NA_KEY_UNIQUE | NA_KEY_DESCENDANT | NA_KEY_IGNOREPUNCTUATION},
                          Case{0, NA_KEY_DUPLICATES | NA_KEY_DESCENDANT | NA_KEY_IGNOREPUNCTUATION}}) {
        CNAItemDescription* pcl = pclItem(L"x", NA_IT_TEXTE, 11);
        pcl->bCompleteDescription(pclHost, c.bUnique, 5);
        EXPECT_EQ(pcl->wGetKeyFlags(), c.wExpected);
        EXPECT_EQ(pcl->nGetKeyIndice(), 5);
        EXPECT_EQ(pcl->eNAGetItemType(), NA_IT_I8);
        EXPECT_STREQ(pcl->pszGetExtendedInfo(), L"hx");
        EXPECT_STREQ(pcl->pszGetCaption(), L"hc");
        EXPECT_STREQ(pcl->pszGetSourceName(), L"src");
        EXPECT_STREQ(pcl->pszGetNameInSource(), L"insrc");
    }
    // A unique host key without duplicates allowed in the result is a key with duplicates.
    CNAItemDescription* pclUnique = pclItem(L"u", NA_IT_I4, 4, 0, NA_KEY_UNIQUE | NA_KEY_ASCENDANT);
    CNAItemDescription* pcl = pclItem(L"x", NA_IT_TEXTE, 11);
    pcl->bCompleteDescription(pclUnique, 1, 0);
    EXPECT_EQ(pcl->wGetKeyFlags(), NA_KEY_UNIQUE | NA_KEY_ASCENDANT);
    // A host item that is no key takes the key away.
    pcl->bCompleteDescription(pclItem(L"n", NA_IT_I4, 4), 1, 0);
    EXPECT_FALSE(pcl->bIsKey());
    EXPECT_EQ(pcl->nGetKeyIndice(), -1);
}

TEST_F(NAItemDescriptionTest, TypeFitness) {
    struct Case {
        eNA_ITEMTYPE eThis;
        unsigned nThis;
        int nThisInt, nThisDec;
        eNA_ITEMTYPE eOther;
        unsigned nOther;
        int nOtherInt, nOtherDec;
        int bFold, bLoose;
        bool bExpected;
    };
    const Case tab[] = {
        {NA_IT_TEXTE, 11, 0, 0, NA_IT_TEXTE, 11, 0, 0, 0, 0, true},
        {NA_IT_TEXTE, 11, 0, 0, NA_IT_TEXTE, 12, 0, 0, 0, 0, false},
        {NA_IT_UNICODE, 10, 0, 0, NA_IT_TEXTE, 20, 0, 0, 0, 0, true},
        {NA_IT_UNICODE, 10, 0, 0, NA_IT_TEXTE, 21, 0, 0, 0, 0, false},
        {NA_IT_UNICODE, 42, 0, 0, NA_IT_TEXTE, 21, 0, 0, 1, 0, true},  // folded: a text of 21
        {NA_IT_UNICODE, 42, 0, 0, NA_IT_TEXTE, 22, 0, 0, 1, 0, false},
        {NA_IT_DECIMAL, 9, 15, 5, NA_IT_DECIMAL, 9, 15, 5, 0, 0, true},
        {NA_IT_DECIMAL, 9, 15, 5, NA_IT_DECIMAL, 9, 15, 6, 0, 0, false},
        {NA_IT_DECIMAL, 9, 15, 5, NA_IT_DECIMAL, 9, 16, 2, 0, 0, false},
        {NA_IT_DATETIME, 8, 0, 3, NA_IT_DATETIME, 8, 0, 6, 0, 0, false},
        {NA_IT_DATETIME, 8, 0, 3, NA_IT_DATETIME, 8, 0, 6, 0, 1, true},
        {NA_IT_I4, 4, 0, 0, NA_IT_I4, 4, 0, 0, 0, 0, true},
        {NA_IT_I8, 8, 0, 0, NA_IT_I4, 4, 0, 0, 0, 0, true},
        {NA_IT_I4, 4, 0, 0, NA_IT_I8, 8, 0, 0, 0, 0, false},
        {NA_IT_I2, 2, 0, 0, NA_IT_UI1, 1, 0, 0, 0, 0, true},
        {NA_IT_I4, 4, 0, 0, NA_IT_R8, 8, 0, 0, 0, 0, false},
        {NA_IT_MONETAIRE, 10, 0, 0, NA_IT_I8, 8, 0, 0, 0, 0, true},
        {NA_IT_I8, 8, 0, 0, NA_IT_MONETAIRE, 10, 0, 0, 0, 0, false},
        {NA_IT_R8, 8, 0, 0, NA_IT_R4, 4, 0, 0, 0, 0, true},
        {NA_IT_R8, 8, 0, 0, NA_IT_I4, 4, 0, 0, 0, 0, false},
        {NA_IT_DATE8, 9, 0, 0, NA_IT_DATE6, 9, 0, 0, 0, 0, true},
        {NA_IT_DATE8, 9, 0, 0, NA_IT_DATETIME, 8, 0, 0, 0, 0, false},
        {NA_IT_DATE8, 9, 0, 0, NA_IT_DATETIME, 8, 0, 0, 0, 1, true},
        {NA_IT_HEURE, 9, 0, 0, NA_IT_DATETIME, 8, 0, 0, 0, 1, true},
        {NA_IT_DATETIME, 8, 0, 0, NA_IT_HEURE, 9, 0, 0, 0, 0, true},
        {NA_IT_MEMOTEXTE, 8, 0, 0, NA_IT_TEXTE, 500, 0, 0, 0, 0, true},
        {NA_IT_MEMOTEXTE, 8, 0, 0, NA_IT_UNICODE, 500, 0, 0, 0, 0, false},
        {NA_IT_MEMOBINAIRE, 8, 0, 0, NA_IT_BINAIRE, 500, 0, 0, 0, 0, true},
        {NA_IT_MEMOUNICODE, 8, 0, 0, NA_IT_UNICODE, 500, 0, 0, 0, 0, true},
        {NA_IT_DECIMAL, 9, 15, 5, NA_IT_I8, 8, 0, 0, 0, 0, true},
        {NA_IT_DECIMAL, 9, 10, 0, NA_IT_I8, 8, 0, 0, 0, 0, false},
        {NA_IT_DECIMAL, 9, 10, 0, NA_IT_R8, 8, 0, 0, 0, 0, false},
        {NA_IT_TEXTE, 11, 0, 0, NA_IT_I4, 4, 0, 0, 0, 0, false},
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(testing::Message() << c.eThis << "/" << c.nThis << " <- " << c.eOther << "/" << c.nOther);
        CNAItemDescription* pclThis = pclItem(L"t", c.eThis, c.nThis, -1, 0, c.nThisInt, c.nThisDec);
        CNAItemDescription* pclOther = pclItem(L"o", c.eOther, c.nOther, -1, 0, c.nOtherInt, c.nOtherDec);
        if (c.eThis == NA_IT_DATETIME) pclThis->SetDecimalPart(c.nThisDec);
        EXPECT_EQ(pclThis->bTypeMatch(pclOther, c.bFold, c.bLoose), c.bExpected);
    }
}

TEST_F(NAItemDescriptionTest, CloneIntoATargetDescription) {
    auto* pclTarget = new CNADataSourceDescription(nullptr, nullptr);
    pclTarget->AddRef();
    pclTarget->bAddItem(L"a", nullptr, nullptr, 1, 11, NA_IT_TEXTE, -1, -1, 0, 0, 0);
    pclTarget->bAddItem(L"k0", nullptr, nullptr, 1, 4, NA_IT_I4, -1, 0, NA_KEY_UNIQUE, 0, 0);

    CNAItemDescription* pclDate = pclItem(L"d", NA_IT_DATE8, 9);
    pclDate->SetRecordPosition(12, 3);
    CNAItemDescription* pclCopy = pclDate->pclGetCloneItemDescription(pclTarget, CLONEDESC_DATEASTEXT);
    ASSERT_NE(pclCopy, nullptr);
    pclCopy->AddRef();
    EXPECT_EQ(pclCopy->nGetRef(), 1u);
    EXPECT_EQ(pclCopy->eNAGetItemType(), NA_IT_TEXTE);
    EXPECT_EQ(pclCopy->nGetItemSize(), 9u);
    EXPECT_EQ(pclCopy->nGetOffset(0), 12);
    EXPECT_EQ(pclCopy->nGetKeyIndice(), 1);                               // the target has one key
    EXPECT_EQ(pclCopy->pclGetDefaultValue(0)->nGetType(), VQTYPE_PSTRA);  // empty text, no flags
    pclCopy->nRelease();

    CNAItemDescription* pclPlain = pclItem(L"p", NA_IT_I4, 4);
    CNAItemDescription* pclMemo = pclItem(L"m", NA_IT_MEMOTEXTE, 8);
    pclCopy = pclPlain->pclGetCloneItemDescription(pclTarget, CLONEDESC_KEYALL);
    EXPECT_EQ(pclCopy->wGetKeyFlags(), NA_KEY_DUPLICATES | NA_KEY_ASCENDANT);
    pclCopy->AddRef();
    pclCopy->nRelease();
    pclCopy = pclMemo->pclGetCloneItemDescription(pclTarget, CLONEDESC_KEYALL);
    EXPECT_EQ(pclCopy->wGetKeyFlags(), 0);
    pclCopy->AddRef();
    pclCopy->nRelease();

    // Components are the target's items of the same names.
    CNAItemDescription* pclKey = pclItem(L"ck", NA_IT_BINAIRE, 0, 0, NA_KEY_COMPOSED | NA_KEY_UNIQUE);
    pclKey->bAddComponent(pclItem(L"A", NA_IT_TEXTE, 11));
    pclKey->bAddComponent(pclItem(L"K0", NA_IT_I4, 4));
    pclCopy = pclKey->pclGetCloneItemDescription(pclTarget, CLONEDESC_NONE);
    pclCopy->AddRef();
    EXPECT_EQ(pclCopy->nGetItemSize(), 14u);
    ASSERT_EQ(pclCopy->nGetNumComponents(), 2);
    EXPECT_EQ(pclCopy->pclGetComponentNoRef(0), pclTarget->pclGetItemNoRef(0));
    EXPECT_EQ(pclCopy->pclGetComponentNoRef(1), pclTarget->pclGetItemNoRef(1));
    EXPECT_EQ(pclTarget->pclGetItemNoRef(0)->nGetRef(), 1u);
    EXPECT_EQ(pclTarget->pclGetItemNoRef(0)->nGetExternalRef(), 1u);  // the target's array only
    pclCopy->nRelease();
    pclTarget->nRelease();
}

}  // namespace
