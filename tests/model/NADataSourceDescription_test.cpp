// Data-source descriptions read through their slots as the host does: items named and placed,
// keys and memos listed, record offsets and sizes, the best item to browse by, compatibility with
// the host's description, the clone, and the catalogue import through the subclass's hooks.
#include "native/model/NADataSourceDescription.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/model/ModelTestSupport.h"

namespace {

class NADataSourceDescriptionTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        m_pcl = new CNADataSourceDescription(nullptr, nullptr);
        m_pcl->AddRef();
    }
    void TearDown() override {
        m_pcl->nRelease();
        ModelTest::TearDown();
    }

    void Add(const wchar_t* pszName, eNA_ITEMTYPE eType, unsigned nSize, int nPhysical = -1, int nKey = -1,
             unsigned short wFlags = 0, unsigned nDim = 1) {
        ASSERT_TRUE(m_pcl->bAddItem(pszName, nullptr, nullptr, nDim, nSize, eType, nPhysical, nKey, wFlags, 0, 0));
    }
    std::vector<std::wstring> Names() const {
        std::vector<std::wstring> tab;
        for (unsigned i = 0; i < m_pcl->nGetNumItems(); i++) tab.push_back(m_pcl->pclGetItemNoRef(i)->pszGetName());
        return tab;
    }

    CNADataSourceDescription* m_pcl = nullptr;
};

TEST_F(NADataSourceDescriptionTest, NamesAreMadeUniqueAndUnnamedItemsNamed) {
    Add(L"A", NA_IT_I4, 4);
    Add(L"a", NA_IT_I4, 4);  // names compare without regard to case
    Add(L"A", NA_IT_I4, 4);
    Add(L"", NA_IT_I4, 4);
    Add(nullptr, NA_IT_I4, 4);
    m_pcl->UpdateRecordSize();
    Add(nullptr, NA_IT_I4, 4);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A", L"a2", L"A3", L"Expr1000", L"Expr10002", L"Expr1005"}))
        << "unnamed items take the value-slot count, which only the size update advances";
}

TEST_F(NADataSourceDescriptionTest, AnItemAtPhysicalIndexZeroGoesFirst) {
    Add(L"a", NA_IT_I4, 4);
    Add(L"b", NA_IT_I4, 4);
    Add(L"c", NA_IT_I4, 4, 0);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"c", L"a", L"b"}));
    for (int i = 0; i < 3; i++) EXPECT_EQ(m_pcl->pclGetItemNoRef(i)->nGetPhysicalIndice(), i);
}

TEST_F(NADataSourceDescriptionTest, KeysAndMemosAreListed) {
    Add(L"m1", NA_IT_MEMOTEXTE, 8);
    Add(L"k1", NA_IT_I4, 4, -1, 0, NA_KEY_UNIQUE);
    Add(L"k2", NA_IT_I4, 4, -1, 1, NA_KEY_DUPLICATES);
    Add(L"k0", NA_IT_I4, 4, -1, 0, NA_KEY_PRIMARY);  // key index 0 with keys present: first
    Add(L"m2", NA_IT_MEMOBINAIRE, 8);
    Add(L"b4", NA_IT_MEMOBINAIRE4, 8);  // not a memo for the lists
    EXPECT_EQ(m_pcl->nGetNumKeys(), 3u);
    EXPECT_EQ(m_pcl->nGetNumMemos(), 2u);
    const wchar_t* tabKeys[] = {L"k0", L"k1", L"k2"};
    for (int i = 0; i < 3; i++) {
        EXPECT_STREQ(m_pcl->pclGetKeyNoRef(i)->pszGetName(), tabKeys[i]);
        EXPECT_EQ(m_pcl->pclGetKeyNoRef(i)->nGetKeyIndice(), i);
    }
    INAItemDescription* pi = m_pcl->piNAGetMemo(1u);
    EXPECT_STREQ(pi->pszGetName(), L"m2");
    pi->nExternalRelease();

    // Keys found by name without their trailing blanks.
    pi = m_pcl->piNAGetKey(L"K1   ");
    ASSERT_NE(pi, nullptr);
    EXPECT_STREQ(pi->pszGetName(), L"k1");
    pi->nExternalRelease();
    EXPECT_EQ(m_pcl->piNAGetKey(L"m1"), nullptr);
}

TEST_F(NADataSourceDescriptionTest, IndexesOutsideTheCountAnswerNull) {
    Add(L"k", NA_IT_I4, 4, -1, 0, NA_KEY_UNIQUE);
    Add(L"m", NA_IT_MEMOTEXTE, 8);
    const void* p = static_cast<INADataSourceDescription*>(m_pcl);
    for (int nSlot : {19, 20, 21}) {
        for (unsigned n : {1u, 2u, 1000u, 0xFFFFFFFFu}) {
            if (nSlot == 19 && n == 1) continue;
            EXPECT_EQ(CallSlot<INAItemDescription*>(p, nSlot, n), nullptr) << nSlot << " " << n;
        }
    }
    INAItemDescription* pi = CallSlot<INAItemDescription*>(p, 19, 1u);
    EXPECT_STREQ(pi->pszGetName(), L"m");
    EXPECT_EQ(m_pcl->pclGetItemNoRef(1)->nGetExternalRef(), 3u);  // the item and memo lists', the caller's
    pi->nExternalRelease();
}

TEST_F(NADataSourceDescriptionTest, RecordOffsetsAndSizes) {
    Add(L"a", NA_IT_I4, 4);
    Add(L"b", NA_IT_TEXTE, 11, -1, -1, 0, 3);
    Add(L"c", NA_IT_MEMOTEXTE, 8);
    Add(L"k", NA_IT_BINAIRE, 0, -1, 0, NA_KEY_COMPOSED | NA_KEY_UNIQUE);
    ASSERT_TRUE(m_pcl->_bAddItemComponent(m_pcl->pclGetItemNoRef(3), 0));
    ASSERT_TRUE(m_pcl->_bAddItemComponent(m_pcl->pclGetItemNoRef(3), L"B"));
    EXPECT_FALSE(m_pcl->_bAddItemComponent(m_pcl->pclGetItemNoRef(3), 9));
    EXPECT_FALSE(m_pcl->_bAddItemComponent(m_pcl->pclGetItemNoRef(3), L"zz"));
    m_pcl->UpdateRecordSize();
    struct Case {
        int nOffset, nSubItem;
    };
    const Case tab[] = {{0, 0}, {4, 1}, {37, 4}, {45, 5}};
    for (int i = 0; i < 4; i++) {
        EXPECT_EQ(m_pcl->pclGetItemNoRef(i)->nGetOffset(0), tab[i].nOffset) << i;
        EXPECT_EQ(m_pcl->pclGetItemNoRef(i)->nGetSubItemRecordIndice(0), tab[i].nSubItem) << i;
    }
    EXPECT_EQ(m_pcl->pclGetItemNoRef(3)->nGetItemSize(), 4u + 30u);
    EXPECT_EQ(m_pcl->nGetDiskRecordSize(), 45u);          // the composite key has no room
    EXPECT_EQ(m_pcl->nGetMemoryRecordSize(), 45u + 34u);  // but counts in memory
    EXPECT_EQ(m_pcl->nGetValueSlotCount(), 6u);
}

TEST_F(NADataSourceDescriptionTest, SlotsAnswerAsTheHostReadsThem) {
    m_pcl->SetLogicalName(L"Logique");
    m_pcl->SetDBName(L"physique");
    m_pcl->SetExtendedInfo(L"ext");
    m_pcl->SetType(L"TABLE");
    m_pcl->SetOwner(L"moi");
    Add(L"id", NA_IT_I4, 4);
    m_pcl->UpdateRecordSize();
    const void* p = static_cast<INADataSourceDescription*>(m_pcl);
    EXPECT_EQ(CallSlot<int>(p, 2), 6);
    EXPECT_EQ(CallSlot<int>(p, 3), 1);
    EXPECT_EQ(CallSlot<int>(p, 4), -1);
    EXPECT_EQ(CallSlot<int>(p, 5), -1);
    EXPECT_STREQ(CallSlot<const wchar_t*>(p, 9), L"Logique");
    EXPECT_STREQ(CallSlot<const wchar_t*>(p, 10), L"Logique");
    EXPECT_STREQ(CallSlot<const wchar_t*>(p, 11), L"");
    EXPECT_EQ(CallSlot<unsigned>(p, 12), 4u);
    EXPECT_EQ(CallSlot<unsigned>(p, 13), 4u);
    EXPECT_EQ(CallSlot<unsigned>(p, 14), 1u);
    EXPECT_EQ(CallSlot<unsigned>(p, 15), 0u);
    EXPECT_EQ(CallSlot<unsigned>(p, 16), 0u);
    EXPECT_EQ(CallSlot<unsigned>(p, 17), 1u);
    INAItemDescription* pi = CallSlot<INAItemDescription*>(p, 18, L"ID");
    ASSERT_NE(pi, nullptr);
    pi->nExternalRelease();
    EXPECT_EQ(CallSlot<INAItemDescription*>(p, 18, L"nope"), nullptr);
    EXPECT_EQ(CallSlot<int>(p, 22), 1);
    EXPECT_STREQ(CallSlot<const wchar_t*>(p, 23), L"physique");
    EXPECT_STREQ(CallSlot<const wchar_t*>(p, 25), L"ext");
    EXPECT_STREQ(CallSlot<const wchar_t*>(p, 26), L"TABLE");
    EXPECT_STREQ(CallSlot<const wchar_t*>(p, 27), L"moi");
    EXPECT_EQ(CallSlot<const wchar_t*>(p, 29), nullptr);
    EXPECT_EQ(CallSlot<const wchar_t*>(p, 30), nullptr);
    EXPECT_NE(CallSlot<int>(p, 31), 0);
    for (int nSlot = 32; nSlot <= 41; nSlot++) CallSlot<void>(p, nSlot);
    // The class's own slots after the destructors.
    CNAItemDescription* pclItem = CallSlot<CNAItemDescription*>(p, 44, L"id", 0);
    ASSERT_NE(pclItem, nullptr);
    pclItem->nExternalRelease();
    CTString clNom;
    CallSlot<void>(p, 46, &clNom, L"Base", 12);
    EXPECT_STREQ(clNom.pszGet(), L"Base12");

    // The external count: a release at 0 does nothing; the last release with no internal
    // reference deletes the description.
    EXPECT_EQ(CallSlot<unsigned>(p, 8), 0u);
    CallSlot<void>(p, 7);
    EXPECT_EQ(m_pcl->nGetExternalRef(), 1u);
    EXPECT_EQ(CallSlot<unsigned>(p, 8), 0u);
    EXPECT_EQ(m_pcl->nGetRef(), 1u);
}

TEST_F(NADataSourceDescriptionTest, KeyTypesSetOnItems) {
    Add(L"pk", NA_IT_I4, 4, -1, 0, NA_KEY_PRIMARY);
    Add(L"a", NA_IT_I4, 4);
    Add(L"b", NA_IT_I4, 4, -1, 1, NA_KEY_DUPLICATES);
    EXPECT_TRUE(m_pcl->_bSetKeyType(L"pk", NA_KEY_DUPLICATES));  // a primary key is left alone
    EXPECT_EQ(m_pcl->pclGetItemNoRef(0)->wGetKeyFlags(), NA_KEY_PRIMARY);
    EXPECT_TRUE(m_pcl->_bSetKeyType(1, NA_KEY_UNIQUE));
    EXPECT_EQ(m_pcl->pclGetItemNoRef(1)->nGetKeyIndice(), 2);
    EXPECT_EQ(m_pcl->nGetNumKeys(), 3u);
    EXPECT_EQ(m_pcl->pclGetKeyNoRef(2), m_pcl->pclGetItemNoRef(1));
    EXPECT_TRUE(m_pcl->_bSetKeyType(L"b", NA_KEY_UNIQUE));  // already a key: only the flags change
    EXPECT_EQ(m_pcl->pclGetItemNoRef(2)->nGetKeyIndice(), 1);
    EXPECT_EQ(m_pcl->pclGetItemNoRef(2)->wGetKeyFlags(), NA_KEY_UNIQUE);
    EXPECT_EQ(m_pcl->nGetNumKeys(), 3u);
    EXPECT_FALSE(m_pcl->_bSetKeyType(3, NA_KEY_UNIQUE));
    EXPECT_FALSE(m_pcl->_bSetKeyType(L"zz", NA_KEY_UNIQUE));
}

TEST_F(NADataSourceDescriptionTest, BestParseItem) {
    struct stItem {
        const wchar_t* pszName;
        eNA_ITEMTYPE eType;
        unsigned short wFlags;
        bool bNotNull;
    };
    struct Case {
        const char* pszNom;
        std::vector<stItem> tab;
        const wchar_t* pszExpected;
    };
    const Case tabCases[] = {
        {"no item", {}, nullptr},
        {"primary first", {{L"u", NA_IT_I4, NA_KEY_UNIQUE, true}, {L"p", NA_IT_I4, NA_KEY_PRIMARY, false}}, L"p"},
        {"a unique key not null replaces a nullable one",
         {{L"d", NA_IT_I4, NA_KEY_DUPLICATES, false},
          {L"u1", NA_IT_I4, NA_KEY_UNIQUE, false},
          {L"u2", NA_IT_I4, NA_KEY_UNIQUE, true},
          {L"u3", NA_IT_I4, NA_KEY_UNIQUE, true}},
         L"u2"},
        {"the first unique when none is known not null",
         {{L"u1", NA_IT_I4, NA_KEY_UNIQUE, false}, {L"u2", NA_IT_I4, NA_KEY_UNIQUE, false}},
         L"u1"},
        {"the first key without unique ones",
         {{L"x", NA_IT_I4, 0, false},
          {L"d1", NA_IT_I4, NA_KEY_DUPLICATES, false},
          {L"d2", NA_IT_I4, NA_KEY_DUPLICATES, false}},
         L"d1"},
        {"no key: the first item that is not a memo",
         {{L"m", NA_IT_MEMOTEXTE, 0, false}, {L"a", NA_IT_I4, 0, false}},
         L"a"},
        {"only memos: the first item",
         {{L"m1", NA_IT_MEMOTEXTE, 0, false}, {L"m2", NA_IT_MEMOBINAIRE, 0, false}},
         L"m1"},
    };
    for (const auto& c : tabCases) {
        SCOPED_TRACE(c.pszNom);
        auto* pcl = new CNADataSourceDescription(nullptr, nullptr);
        pcl->AddRef();
        for (const auto& st : c.tab) {
            pcl->bAddItem(st.pszName, nullptr, nullptr, 1, 4, st.eType, -1, st.wFlags != 0 ? 99 : -1, st.wFlags, 0, 0);
            pcl->pclNAGetItemNoRef(st.pszName, 0)->SetNullable(!st.bNotNull);
        }
        INAItemDescription* pi = pcl->piGetBestParseItemDesc();
        if (c.pszExpected == nullptr) {
            EXPECT_EQ(pi, nullptr);
        } else {
            ASSERT_NE(pi, nullptr);
            EXPECT_STREQ(pi->pszGetName(), c.pszExpected);
            pi->nExternalRelease();
        }
        pcl->nRelease();
    }

    // Once chosen, or once set, it is kept.
    Add(L"a", NA_IT_I4, 4);
    Add(L"b", NA_IT_I4, 4);
    m_pcl->_SetBestParseItem(L"B");
    INAItemDescription* pi = m_pcl->piGetBestParseItemDesc();
    EXPECT_STREQ(pi->pszGetName(), L"b");
    EXPECT_EQ(m_pcl->pclGetItemNoRef(1)->nGetExternalRef(), 3u);  // array, remembered, caller
    pi->nExternalRelease();
}

TEST_F(NADataSourceDescriptionTest, CompatibleWhenEveryPlainHostItemIsHere) {
    Add(L"id", NA_IT_I4, 4);
    Add(L"Nom", NA_IT_TEXTE, 11);
    auto* pclHost = new CNADataSourceDescription(nullptr, nullptr);
    pclHost->AddRef();
    pclHost->bAddItem(L"NOM", nullptr, nullptr, 1, 11, NA_IT_TEXTE, -1, -1, 0, 0, 0);
    pclHost->bAddItem(L"id", nullptr, nullptr, 1, 4, NA_IT_I4, -1, -1, 0, 0, 0);
    pclHost->bAddItem(L"ck", nullptr, nullptr, 1, 4, NA_IT_BINAIRE, -1, 0, NA_KEY_COMPOSED | NA_KEY_UNIQUE, 0, 0);
    EXPECT_TRUE(m_pcl->bAreDescriptionCompatible(pclHost));
    pclHost->bAddItem(L"zz", nullptr, nullptr, 1, 4, NA_IT_I4, -1, -1, 0, 0, 0);
    EXPECT_FALSE(m_pcl->bAreDescriptionCompatible(pclHost));
    for (unsigned i = 0; i < pclHost->nGetNumItems(); i++) {
        const CNAItemDescription* pcl = pclHost->pclGetItemNoRef(i);
        EXPECT_EQ(pcl->nGetExternalRef(), pcl->bIsKey() ? 2u : 1u);  // the lists' only: none left behind
    }
    pclHost->nRelease();
}

TEST_F(NADataSourceDescriptionTest, MissingItemsAreReportedWithTheirNames) {
    CErrorHolder clErr;
    auto* pcl = new CNADataSourceDescription(nullptr, clErr.p);
    pcl->AddRef();
    EXPECT_EQ(clErr.p->nGetRef(), 2u);  // the description holds one
    pcl->SetLogicalName(L"Clients");
    pcl->SetDBName(L"clients");
    pcl->bAddItem(L"id", nullptr, nullptr, 1, 4, NA_IT_I4, -1, -1, 0, 0, 0);
    auto* pclHost = new CNADataSourceDescription(nullptr, nullptr);
    pclHost->AddRef();
    pclHost->bAddItem(L"id", nullptr, nullptr, 1, 4, NA_IT_I4, -1, -1, 0, 0, 0);
    pclHost->bAddItem(L"zz", nullptr, nullptr, 1, 4, NA_IT_I4, -1, -1, 0, 0, 0);
    EXPECT_FALSE(pcl->bAreDescriptionCompatible(pclHost));
    EXPECT_EQ(clErr.nCode(), 20u);
    EXPECT_NE(clErr.sUser().find(L"Clients"), std::wstring::npos);
    EXPECT_NE(clErr.sUser().find(L"zz"), std::wstring::npos);
    EXPECT_EQ(clErr.sDebug(), L"IEKXPSQL=8.1\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>");

    clErr.p->Reset();
    EXPECT_EQ(pcl->pclNAGetCorrespondingItem(L"nope"), nullptr);
    EXPECT_EQ(clErr.nCode(), 26u);
    EXPECT_NE(clErr.sUser().find(L"clients"), std::wstring::npos);  // the database name
    EXPECT_NE(clErr.sUser().find(L"nope"), std::wstring::npos);
    EXPECT_EQ(clErr.sDebug(), L"IEKXPSQL=8.2\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>");
    CNAItemDescription* pclItem = pcl->pclNAGetCorrespondingItem(L"ID");
    ASSERT_NE(pclItem, nullptr);
    pclItem->nExternalRelease();

    pclHost->nRelease();
    pcl->nRelease();
    EXPECT_EQ(clErr.p->nGetRef(), 1u);
}

TEST_F(NADataSourceDescriptionTest, CloneCopiesEveryItem) {
    m_pcl->SetLogicalName(L"L");
    m_pcl->SetDBName(L"D");
    Add(L"id", NA_IT_IDAUTO, 8, -1, 0, NA_KEY_PRIMARY);
    Add(L"d", NA_IT_DATE8, 9);
    Add(L"t", NA_IT_TEXTE, 11, -1, 1, NA_KEY_DUPLICATES);
    Add(L"ck", NA_IT_BINAIRE, 0, -1, 2, NA_KEY_COMPOSED | NA_KEY_UNIQUE);
    m_pcl->_bAddItemComponent(m_pcl->pclGetItemNoRef(3), 1);
    m_pcl->_bAddItemComponent(m_pcl->pclGetItemNoRef(3), 2);
    m_pcl->UpdateRecordSize();
    m_pcl->_SetBestParseItem(L"t");

    CNADataSourceDescription* pclCopy = m_pcl->pclGetCloneDataSourceDescription(CLONEDESC_DATEASTEXT);
    ASSERT_NE(pclCopy, nullptr);
    pclCopy->AddRef();
    EXPECT_STREQ(pclCopy->pszGetLogicalName(), L"L");
    EXPECT_STREQ(pclCopy->pszGetDBTableName(), L"D");
    ASSERT_EQ(pclCopy->nGetNumItems(), 4u);
    EXPECT_EQ(pclCopy->nGetNumKeys(), 3u);
    EXPECT_EQ(pclCopy->pclGetItemNoRef(1)->eNAGetItemType(), NA_IT_TEXTE);
    CNAItemDescription* pclKey = pclCopy->pclGetItemNoRef(3);
    ASSERT_EQ(pclKey->nGetNumComponents(), 2);
    EXPECT_EQ(pclKey->pclGetComponentNoRef(0), pclCopy->pclGetItemNoRef(1));  // the clone's own items
    EXPECT_EQ(pclKey->pclGetComponentNoRef(1), pclCopy->pclGetItemNoRef(2));
    EXPECT_EQ(pclCopy->nGetDiskRecordSize(), m_pcl->nGetDiskRecordSize());
    EXPECT_EQ(pclCopy->nGetMemoryRecordSize(), m_pcl->nGetMemoryRecordSize());
    INAItemDescription* pi = pclCopy->piGetBestParseItemDesc();
    EXPECT_EQ(pi, pclCopy->pclGetItemNoRef(2));
    pi->nExternalRelease();
    pclCopy->nRelease();
}

// A description whose hooks answer as told, counting their calls.
class CHookedDescription : public CNADataSourceDescription {
public:
    explicit CHookedDescription(CNAError* pclError = nullptr) : CNADataSourceDescription(nullptr, pclError) {}
    int _bGetQueryShowColumns(CXYStringConcat<wchar_t>* pcl) override {
        m_nColumns++;
        pcl->Add(L"SELECT columns");
        return m_bColumns;
    }
    int _bGetQueryShowIndex(CXYStringConcat<wchar_t>*) override {
        m_nIndex++;
        return m_bIndex;
    }
    int m_bColumns = 1, m_bIndex = 1;
    int m_nColumns = 0, m_nIndex = 0;
};

TEST_F(NADataSourceDescriptionTest, CatalogueHooksThatAnswerFalseFailTheImport) {
    CHookedDescription cl;
    cl.m_bColumns = 0;
    EXPECT_FALSE(cl.bInitDataSourceDescriptionFromDB(L"t", 0));
    EXPECT_STREQ(cl.pszGetLogicalName(), L"t");
    EXPECT_STREQ(cl.pszGetDBTableName(), L"t");
    EXPECT_EQ(cl.eGetOrigin(), NA_DESCORIGIN_DATABASE);
    EXPECT_EQ(cl.m_nColumns, 1);
    EXPECT_EQ(cl.m_nIndex, 0);  // the keys are read only after the items

    // The base class has no hooks at all.
    CNADataSourceDescription clBase(nullptr, nullptr);
    EXPECT_FALSE(clBase.bInitDataSourceDescriptionFromDB(L"t", 0));
}

// Until the driver has an SQL layer, no catalogue query runs: the import fails and says why.
TEST_F(NADataSourceDescriptionTest, ACatalogueQueryThatCannotRunFailsTheImportWithItsReason) {
    CErrorHolder clErr;
    CHookedDescription cl(clErr.p);
    EXPECT_FALSE(cl.bInitDataSourceDescriptionFromDB(L"t", 0));
    EXPECT_EQ(cl.m_nColumns, 1);
    EXPECT_EQ(cl.m_nIndex, 0);
    EXPECT_EQ(cl.nGetNumItems(), 0u);
    EXPECT_EQ(clErr.nCode(), 8u);  // not available
    EXPECT_EQ(clErr.p->eGetErrorType(), NA_ERRORTYPE_NOTAVAILABLE);
}

}  // namespace
