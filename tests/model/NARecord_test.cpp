// The record layout built for a description: its columns and special columns, the order a browse
// is sorted by, the current and original rows, the composite unique key test and the dump.
#include <gtest/gtest.h>

#include <cwctype>
#include <string>

#include "core/XYStringConcat.h"
#include "native/model/ColumnList.h"
#include "native/model/ColumnNullValueExcluded.h"
#include "tests/model/RecordFixture.h"

namespace {

class NARecordTest : public RecordTest {};

TEST_F(NARecordTest, ColumnsAndSpecialColumns) {
    Build();
    ASSERT_EQ(m_pclRecord->nGetNumColumns(), 6);
    for (int i = 0; i < 6; i++)
        EXPECT_STREQ(m_pclRecord->pclGetColumnNoRef(i)->pszGetName(), m_pclHost->pclGetItemNoRef(i)->pszGetName());
    for (int n : {-1, 6, 100}) EXPECT_EQ(m_pclRecord->pclGetColumnNoRef(n), nullptr) << n;
    EXPECT_EQ(m_pclRecord->pclGetColumnNoRef(L"NOM"), m_pclRecord->pclGetColumnNoRef(1));
    EXPECT_EQ(m_pclRecord->pclGetColumnNoRef(L"absent"), nullptr);
    // Names looked up over and over in any order (the last column found is tried first) keep their
    // columns, whatever their case.
    const std::pair<const wchar_t*, int> tabNoms[] = {{L"cle", 5}, {L"CLE", 5},     {L"nom", 1}, {L"absent", -1},
                                                      {L"id", 0},  {L"Cle", 5},     {L"Cle", 5}, {L"naissance", 2},
                                                      {L"NOM", 1}, {L"absent", -1}, {L"nom", 1}};
    for (const auto& [psz, n] : tabNoms)
        EXPECT_EQ(m_pclRecord->pclGetColumnNoRef(psz), n < 0 ? nullptr : m_pclRecord->pclGetColumnNoRef(n)) << psz;
    EXPECT_EQ(m_pclRecord->pclGetColumnNoRef(m_pclHost->pclGetItemNoRef(2)), m_pclRecord->pclGetColumnNoRef(2));
    // A host reading an item by the very text of its name (a memo read row after row), with other
    // names and the same names in another spelling in between: each its own column every time.
    for (int nTour = 0; nTour < 2; nTour++)
        for (int i = 0; i < 6; i++) {
            const wchar_t* pszOwn = m_pclRecord->pclGetColumnNoRef(i)->pszGetName();
            EXPECT_EQ(m_pclRecord->pclGetColumnNoRef(pszOwn), m_pclRecord->pclGetColumnNoRef(i)) << pszOwn;
            EXPECT_EQ(m_pclRecord->pclGetColumnNoRef(pszOwn), m_pclRecord->pclGetColumnNoRef(i)) << pszOwn;
            EXPECT_EQ(m_pclRecord->pclGetColumnNoRef(L"absent"), nullptr);
            std::wstring sUpper(pszOwn);
            for (wchar_t& c : sUpper) c = static_cast<wchar_t>(towupper(c));
            EXPECT_EQ(m_pclRecord->pclGetColumnNoRef(sUpper.c_str()), m_pclRecord->pclGetColumnNoRef(i)) << pszOwn;
        }

    EXPECT_EQ(m_pclRecord->pclGetColumnIDAutoNoRef(), nullptr);
    EXPECT_EQ(m_pclRecord->pclGetUniqueKeyNoRef(), pclCol(L"id"));
    ASSERT_EQ(m_pclRecord->pclGetTabColumnMemo()->nGetNbElement(), 1);
    EXPECT_EQ(m_pclRecord->pclGetTabColumnMemo()->GetAt(0), pclCol(L"notes"));
    ASSERT_EQ(m_pclRecord->pclGetTabComposedUniqueKey()->nGetNbElement(), 1);
    CNAColumn* pclKey = pclCol(L"cle");
    EXPECT_EQ(m_pclRecord->pclGetTabComposedUniqueKey()->GetAt(0), pclKey);
    ASSERT_NE(pclKey->pclGetTabComponent(), nullptr);
    ASSERT_EQ(pclKey->pclGetTabComponent()->nGetNbElement(), 2);
    EXPECT_EQ(pclKey->pclGetTabComponent()->GetAt(0), pclCol(L"nom"));
    EXPECT_EQ(pclKey->pclGetTabComponent()->GetAt(1), pclCol(L"code"));

    // The server's items are the columns' imported ones.
    EXPECT_EQ(pclCol(L"nom")->piGetImportedItemDescNoRef(), m_pclServer->pclGetItemNoRef(1));
    EXPECT_EQ(pclCol(L"nom")->nGetDBType(), 1043u);
    EXPECT_EQ(pclKey->piGetImportedItemDescNoRef(), nullptr);  // composite keys are not looked up

    // Ordered by the unique id that refuses NULL, alone.
    ASSERT_EQ(m_pclRecord->nGetNumColumnsOrder(), 1);
    EXPECT_EQ(m_pclRecord->pclGetColumnOrderNoRef(0), pclCol(L"id"));
    EXPECT_EQ(m_pclRecord->pclGetColumnOrderNoRef(-1), nullptr);
    EXPECT_EQ(m_pclRecord->pclGetColumnOrderNoRef(1), nullptr);
}

TEST_F(NARecordTest, OrderOfABrowse) {
    struct stItem {
        const wchar_t* pszName;
        eNA_ITEMTYPE eType;
        unsigned short wFlags;
        bool bNotNull;
    };
    struct Case {
        const char* pszNom;
        std::vector<stItem> tabItems;
        std::vector<std::wstring> tabOrder;
    };
    const Case tab[] = {
        {"an automatic identifier alone, whatever the unique keys",
         {{L"u", NA_IT_I4, NA_KEY_UNIQUE, true}, {L"a", NA_IT_TEXTE, 0, false}, {L"id", NA_IT_IDAUTO, 0, true}},
         {L"id"}},
        {"the first unique key that refuses NULL, alone",
         {{L"u1", NA_IT_I4, NA_KEY_UNIQUE, false}, {L"u2", NA_IT_I4, NA_KEY_UNIQUE, true}, {L"x", NA_IT_I4, 0, false}},
         {L"u2"}},
        {"nullable unique keys, then keys with duplicates, then the plain columns but memos",
         {{L"m", NA_IT_MEMOTEXTE, 0, false},
          {L"p", NA_IT_I4, 0, false},
          {L"d", NA_IT_I4, NA_KEY_DUPLICATES, false},
          {L"u", NA_IT_I4, NA_KEY_UNIQUE, false}},
         {L"u", L"d", L"p"}},
    };
    for (const auto& c : tab) {
        SCOPED_TRACE(c.pszNom);
        auto* pclDesc = new CNADataSourceDescription(nullptr, nullptr);
        pclDesc->AddRef();
        for (const auto& st : c.tabItems) {
            pclDesc->bAddItem(st.pszName, nullptr, nullptr, 1, st.eType == NA_IT_TEXTE ? 11 : 4, st.eType, -1,
                              st.wFlags != 0 ? 99 : -1, st.wFlags, 0, 0);
            pclDesc->pclNAGetItemNoRef(st.pszName, 0)->SetNullable(!st.bNotNull);
        }
        pclDesc->UpdateRecordSize();
        auto* pclRecord = new CNARecord(m_pclErr, nullptr);
        pclRecord->AddRef();
        ASSERT_TRUE(pclRecord->bInitRecord(pclDesc, nullptr, &m_clCnx));
        std::vector<std::wstring> tabOrder;
        for (int i = 0; i < pclRecord->nGetNumColumnsOrder(); i++)
            tabOrder.push_back(pclRecord->pclGetColumnOrderNoRef(i)->pszGetName());
        EXPECT_EQ(tabOrder, c.tabOrder);
        pclRecord->nRelease();
        pclDesc->nRelease();
    }
}

TEST_F(NARecordTest, ADescriptionWithoutItemsIsRefused) {
    auto* pclVide = new CNADataSourceDescription(nullptr, nullptr);
    pclVide->AddRef();
    pclVide->SetLogicalName(L"Vide");
    auto* pclRecord = new CNARecord(m_pclErr, nullptr);
    pclRecord->AddRef();
    EXPECT_FALSE(pclRecord->bInitRecord(pclVide, nullptr, &m_clCnx));
    EXPECT_EQ(m_pclErr->dwGetErrorId(), 1u);
    EXPECT_NE(std::wstring(m_pclErr->pclGetXError()->pszGetUserMessage()).find(L"Vide"), std::wstring::npos);
    // The debug line first; the connection's details follow it.
    EXPECT_EQ(std::wstring(m_pclErr->pclGetXError()->pszGetDebugMessage())
                  .rfind(L"IEKXPSQL=11.2\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>", 0),
              0u);
    pclRecord->nRelease();
    pclVide->nRelease();
}

TEST_F(NARecordTest, CurrentAndOriginalRows) {
    Build();
    CAny cl;
    cl.SetI4(7);
    ASSERT_TRUE(pclCol(L"id")->bSetValue(&cl, 0));
    SetDSTRA(&cl, "Dupont");
    ASSERT_TRUE(pclCol(L"nom")->bSetValue(&cl, 0));
    EXPECT_TRUE(pclCol(L"nom")->bValueModified());  // the original row has no value
    ASSERT_TRUE(m_pclRecord->bCopyCurrentRecordToOriginalRecord());
    EXPECT_TRUE(m_pclRecord->bOriginalExists());
    EXPECT_FALSE(pclCol(L"nom")->bValueModified());
    EXPECT_TRUE(m_pclRecord->bEquals(m_pclRecord->pclGetOriginalRecordValueNoRef(), 1));

    SetDSTRA(&cl, "Durand");
    pclCol(L"nom")->bSetValue(&cl, 0);
    EXPECT_TRUE(pclCol(L"nom")->bValueModified());
    EXPECT_FALSE(m_pclRecord->bEquals(m_pclRecord->pclGetOriginalRecordValueNoRef(), 1));
    CAny clOut;
    ASSERT_TRUE(pclCol(L"nom")->bGetOriginalValue(&clOut, 0));
    EXPECT_EQ(sTexteA(clOut), "Dupont");
    ASSERT_TRUE(m_pclRecord->bCopyOriginalRecordToCurrentRecord());
    ASSERT_TRUE(pclCol(L"nom")->bGetCurrentValue(&clOut, 0));
    EXPECT_EQ(sTexteA(clOut), "Dupont");  // the converter's slot is the current image's

    // A record image from elsewhere becomes the current row; the converters follow its NULL bits.
    CNAYFRecord* pclImage = m_pclRecord->pclGetNAYFRecord()->pclGetClone();
    pclImage->SetItemValueDefined(pclCol(L"id")->piGetItemNoRef(), 0, 0);
    ASSERT_TRUE(m_pclRecord->bSetNAYFRecord(pclImage));
    delete pclImage;
    EXPECT_TRUE(pclCol(L"id")->pclGetNAValue()->bIsNull());
    EXPECT_FALSE(pclCol(L"nom")->pclGetNAValue()->bIsNull());
    EXPECT_FALSE(pclCol(L"id")->bValueDefined());
}

TEST_F(NARecordTest, DumpOfTheCurrentRow) {
    Build();
    CAny cl;
    cl.SetI4(42);
    pclCol(L"id")->bSetValue(&cl, 0);
    SetDSTRA(&cl, "Dupont");
    pclCol(L"nom")->bSetValue(&cl, 0);
    CXYStringConcat<wchar_t> clDump;
    m_pclRecord->CurrentRecordToString(&clDump);
    EXPECT_EQ(std::wstring(clDump.pszGet()),
              L"<Record ID> : NULL\n<NullValuesFlags (0=NULL)> : 11000000\n<id> = <42>\n<nom> = <Dupont>\n"
              L"<naissance> = <NULL>\n<notes> = <NULL>\n<code> = <NULL>");
}

TEST_F(NARecordTest, CompositeUniqueKeyGivenByTheLeadingColumns) {
    Build();
    CNAColumn* pclNom = pclCol(L"nom");
    CNAColumn* pclCode = pclCol(L"code");
    CNAColumn* pclId = pclCol(L"id");
    CNAColumn* tabNomCode[] = {pclNom, pclCode};
    CNAColumn* tabCodeNom[] = {pclCode, pclNom};
    CNAColumn* tabIdCode[] = {pclId, pclCode};
    CNAColumn* tabNom[] = {pclNom};
    CColumnNullValueExcluded clExcl;
    // The key admits NULL on the server: a component must exclude NULL rows.
    EXPECT_FALSE(m_pclRecord->bComposedKeyUniqueNotNullAdded(tabNomCode, 2, &clExcl));
    clExcl.bCombineColumnValuesNullSelected(2, pclCode, 0);
    EXPECT_TRUE(m_pclRecord->bComposedKeyUniqueNotNullAdded(tabNomCode, 2, &clExcl));
    EXPECT_TRUE(m_pclRecord->bComposedKeyUniqueNotNullAdded(tabCodeNom, 2, &clExcl));
    EXPECT_FALSE(m_pclRecord->bComposedKeyUniqueNotNullAdded(tabIdCode, 2, &clExcl));
    EXPECT_FALSE(m_pclRecord->bComposedKeyUniqueNotNullAdded(tabNom, 1, &clExcl));
    // Without an exclusion record, a defined current value excludes NULL.
    EXPECT_FALSE(m_pclRecord->bComposedKeyUniqueNotNullAdded(tabNomCode, 2, nullptr));
    CAny cl;
    SetDSTRA(&cl, "x");
    pclNom->bSetValue(&cl, 0);
    EXPECT_TRUE(m_pclRecord->bComposedKeyUniqueNotNullAdded(tabNomCode, 2, nullptr));
}

TEST_F(NARecordTest, UniqueKeyWithAValue) {
    Build();
    EXPECT_EQ(m_pclRecord->pclGetUniqueKeyNotNullNoRef(), nullptr);
    CAny cl;
    cl.SetI4(3);
    pclCol(L"id")->bSetValue(&cl, 0);
    EXPECT_EQ(m_pclRecord->pclGetUniqueKeyNotNullNoRef(), pclCol(L"id"));
}

TEST_F(NARecordTest, ColumnListsOfARecord) {
    CColumnList cl;
    cl.AddColumn(L"A");
    cl.AddColumn(L"");
    cl.AddColumn(L"B");
    EXPECT_STREQ(cl.pszGet(), L"A,,B");
    EXPECT_EQ(cl.nGetCount(), 3u);
    cl.Empty();
    cl.AddColumn(nullptr);
    cl.AddColumn(L"C");
    EXPECT_STREQ(cl.pszGet(), L",C");

    Build();
    struct Case {
        unsigned nFlag;
        const wchar_t* pszExpected;
    };
    for (const Case& c : {Case{3, L"\"id\",\"nom\",\"naissance\",\"notes\",\"code\""},
                          Case{1, L"\"id\",\"nom\",\"naissance\",\"code\""}}) {
        cl.Empty();
        cl.BuildColumnList(m_pclRecord, c.nFlag, 1);
        EXPECT_STREQ(cl.pszGet(), c.pszExpected);
    }
}

TEST_F(NARecordTest, NullExclusionRecords) {
    Build();
    CNAColumn* pclC = pclCol(L"nom");
    CNAColumn* pclD = pclCol(L"code");
    CColumnNullValueExcluded cl;
    EXPECT_TRUE(cl.bColumnValuesNullSelected(pclC));  // nothing recorded: NULL rows pass
    EXPECT_TRUE(cl.bColumnValuesNullSelected(L"nom"));
    cl.bCombineColumnValuesNullSelected(1, pclC, 0);  // OR with a column that excludes NULL
    EXPECT_EQ(cl.nGetCount(), 0);
    cl.bCombineColumnValuesNullSelected(2, pclC, 1);  // AND with one that admits it
    EXPECT_EQ(cl.nGetCount(), 0);
    cl.bCombineColumnValuesNullSelected(2, pclC, 0);
    EXPECT_EQ(cl.nGetCount(), 1);
    EXPECT_FALSE(cl.bColumnValuesNullSelected(pclC));
    EXPECT_FALSE(cl.bColumnValuesNullSelected(L"NOM"));
    cl.bCombineColumnValuesNullSelected(1, pclC, 1);  // recorded: OR makes it admit NULL again
    EXPECT_TRUE(cl.bColumnValuesNullSelected(pclC));
    cl.bCombineColumnValuesNullSelected(2, pclC, 0);
    EXPECT_FALSE(cl.bColumnValuesNullSelected(pclC));

    CColumnNullValueExcluded clAutre;
    clAutre.bCombineColumnValuesNullSelected(2, pclD, 0);
    cl.bCombineColumnValuesNullSelected(2, &clAutre);
    EXPECT_FALSE(cl.bColumnValuesNullSelected(pclD));
    CColumnNullValueExcluded clCopie;
    clCopie.bCopyColumnValuesNullSelected(&cl, 1);
    EXPECT_TRUE(clCopie.bColumnValuesNullSelected(pclC));
    EXPECT_TRUE(clCopie.bColumnValuesNullSelected(pclD));
    clCopie.bCopyColumnValuesNullSelected(nullptr, 0);
    EXPECT_EQ(clCopie.nGetCount(), 2);

    cl.bCombineColumnValuesNullSelected(2, static_cast<const CColumnNullValueExcluded*>(nullptr));
    EXPECT_EQ(cl.nGetCount(), 2);  // a missing record under AND changes nothing
    cl.bCombineColumnValuesNullSelected(1, static_cast<const CColumnNullValueExcluded*>(nullptr));
    EXPECT_EQ(cl.nGetCount(), 0);  // under OR it empties this one
}

}  // namespace
