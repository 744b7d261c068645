// The user search: which rows satisfy it (generic, exact, none, through the host's equality for
// values of other types, no column for the item), and the external references it holds.
#include <gtest/gtest.h>

#include "native/statement/NAUserSearch.h"
#include "tests/model/RecordFixture.h"

namespace {

class NAUserSearchTest : public RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        Build();
        CAny cl;
        cl.SetI4(7);
        ASSERT_TRUE(pclCol(L"id")->bSetValue(&cl, 0));
        SetDSTRA(&cl, "ABCD");
        ASSERT_TRUE(pclCol(L"nom")->bSetValue(&cl, 0));
    }
    CNAItemDescription* pclItem(const wchar_t* pszName) { return m_pclHost->pclNAGetItemNoRef(pszName, 3); }
};

TEST_F(NAUserSearchTest, RowsThatSatisfyTheSearch) {
    // An item of a wider description, whose position this record's layout has no column at.
    CNADataSourceDescription* pclWide = pclDescription(false);
    pclWide->bAddItem(L"extra", nullptr, nullptr, 1, 4, NA_IT_I4, -1, -1, 0, 0, 0);
    pclWide->UpdateRecordSize();
    INAItemDescription* piExtra = pclWide->pclNAGetItemNoRef(L"extra", 3);
    ASSERT_EQ(m_pclRecord->pclGetColumnNoRef(piExtra), nullptr);

    struct Case {
        const char* pszName;
        INAItemDescription* piItem;  // null: no search
        const char* pszText;         // a text value, else the 64-bit integer below
        long nValue;
        uint32_t nOptions;
        bool bExpected;
        bool bThroughHost;  // the host's equality decides
    };
    const Case tabCases[] = {
        {"no search", nullptr, "AB", 0, 0, true, false},
        {"generic, a beginning", pclItem(L"nom"), "AB", 0, 1, true, false},
        {"exact, a beginning", pclItem(L"nom"), "AB", 0, 0, false, false},
        {"exact, the whole value", pclItem(L"nom"), "ABCD", 0, 0, true, false},
        {"generic, another beginning", pclItem(L"nom"), "AC", 0, 1, false, false},
        {"generic, longer than the value", pclItem(L"nom"), "ABCDE", 0, 1, false, false},
        {"another type, equal", pclItem(L"id"), nullptr, 7, 0, true, true},
        {"another type, different", pclItem(L"id"), nullptr, 8, 0, false, true},
        {"no column for the item", piExtra, nullptr, 7, 0, false, false},
    };
    for (const Case& c : tabCases) {
        CNAUserSearch clSearch;
        CAny clValue;
        if (c.pszText != nullptr)
            SetDSTRA(&clValue, c.pszText);
        else
            clValue.SetI8(c.nValue);
        if (c.piItem != nullptr) clSearch.SetUserSearch(c.piItem, &clValue, c.nOptions);
        standin::ResetVM();
        EXPECT_EQ(clSearch.bGetHTrouve(m_pclRecord) != 0, c.bExpected) << c.pszName;
        EXPECT_EQ(standin::nGetVMCalls("nEgaliteEx") > 0, c.bThroughHost) << c.pszName;
    }
    pclWide->nRelease();
}

TEST_F(NAUserSearchTest, ReferencesOnTheSearchedItem) {
    CNAItemDescription* pclNom = pclItem(L"nom");
    CNAItemDescription* pclId = pclItem(L"id");
    const unsigned nNom = pclNom->nGetExternalRef(), nId = pclId->nGetExternalRef();
    CAny clValue;
    SetDSTRA(&clValue, "AB");
    {
        CNAUserSearch clSearch;
        EXPECT_FALSE(clSearch.bIsSet());
        EXPECT_EQ(clSearch.pclGetValue()->nGetTypeCode(), VQTYPE_VIDE);
        clSearch.SetUserSearch(pclNom, &clValue, 1);
        EXPECT_TRUE(clSearch.bIsSet());
        EXPECT_TRUE(clSearch.bGeneric());
        EXPECT_EQ(pclNom->nGetExternalRef(), nNom + 1);
        EXPECT_EQ(sTexteA(*clSearch.pclGetValue()), "AB");

        // A new search drops the previous item's reference.
        clSearch.SetUserSearch(pclId, &clValue, 0);
        EXPECT_EQ(pclNom->nGetExternalRef(), nNom);
        EXPECT_EQ(pclId->nGetExternalRef(), nId + 1);
        EXPECT_FALSE(clSearch.bGeneric());

        // Searching again with the very item and value held.
        clSearch.SetUserSearch(clSearch.piGetItemNoRef(), clSearch.pclGetValue(), 1);
        EXPECT_EQ(pclId->nGetExternalRef(), nId + 1);
        EXPECT_EQ(sTexteA(*clSearch.pclGetValue()), "AB");

        // Copies: each holds its own reference; a copy of no search cancels.
        CNAUserSearch clCopy;
        clCopy.Copy(&clSearch);
        EXPECT_EQ(pclId->nGetExternalRef(), nId + 2);
        EXPECT_EQ(sTexteA(*clCopy.pclGetValue()), "AB");
        EXPECT_EQ(clCopy.nGetOptions(), 1u);
        CNAUserSearch clNone;
        clCopy.Copy(&clNone);
        EXPECT_FALSE(clCopy.bIsSet());
        EXPECT_EQ(clCopy.pclGetValue()->nGetTypeCode(), VQTYPE_VIDE);
        EXPECT_EQ(clCopy.nGetOptions(), 0u);
        EXPECT_EQ(pclId->nGetExternalRef(), nId + 1);
        clCopy.Copy(&clSearch);
        EXPECT_EQ(pclId->nGetExternalRef(), nId + 2);
    }
    // Both searches released their references as they went.
    EXPECT_EQ(pclId->nGetExternalRef(), nId);
    EXPECT_EQ(pclNom->nGetExternalRef(), nNom);
}

}  // namespace
