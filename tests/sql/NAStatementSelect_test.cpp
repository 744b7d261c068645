// The statement's SQL of browses without a server: the kinds of query the dispatch writes, the
// ORDER BY of each browse (completion to a unique order, its limits and options, descending items,
// the inverted-fetch flag), DISTINCT, the WHERE of the current and of the latest row read (by key
// values or by row id), the failures with the error each records, and a host query's LIMIT clause
// kept after the ORDER BY with its parameters.
#include <string>

#include "native/model/NAYFRecord.h"
#include "native/statement/NARecordID.h"
#include "native/statement/NARecordValue.h"
#include "tests/sql/BrowseTestSupport.h"

using namespace browsetest;

class NAStatementSelectTest : public BrowseTest {};

TEST_F(NAStatementSelectTest, QueryKindsTheDispatchWrites) {
    struct Case {
        eNAQUERYTYPE eType;
        int bResult;
        const wchar_t* pszText;
    };
    // The write kinds are written by the statement's writes; those without a writer answer 0.
    const Case tab[] = {
        {NAQUERYTYPE_NONE, 0, L""},
        {NAQUERYTYPE_SELECT, 1, SELECT_LIST},
        {static_cast<eNAQUERYTYPE>(7), 0, L""},
        {NAQUERYTYPE_OTHER, 0, L""},
        {NAQUERYTYPE_SET, 0, L""},
    };
    for (const Case& c : tab) {
        CNACommand* pcl = pclCommand();
        pcl->bComplete(L"left over");
        // Only the reset: the command written anew holds nothing but the kind's text.
        pcl->ResetCommand(0);
        EXPECT_EQ(m_pclStatement->bBuildQuery(c.eType, pcl, 0), c.bResult) << c.eType;
        EXPECT_EQ(m_pclStatement->pclGetCommandNoRef(), pcl);
        EXPECT_EQ(std::wstring(pcl->pszGetOriginalSQL()), c.pszText) << c.eType;
        EXPECT_EQ(pcl->eGetQueryType(), c.eType == NAQUERYTYPE_SELECT ? NAQUERYTYPE_SELECT : c.eType);
    }
}

TEST_F(NAStatementSelectTest, OrderByOfEachBrowse) {
    struct Case {
        const char* pszName;
        const wchar_t* pszItem;
        int bAscending;
        NA_WRITEPARSEFLAGS nFlags;
        uint32_t nOptions;
        int nMaxOrderBy;
        const wchar_t* pszOrderBy;
        int bInvert;
    };
    const Case tab[] = {
        {"no item: no ORDER BY", nullptr, 1, 0, 3, 0x7FFFFFFF, L"", 0},
        {"no item backward: no ORDER BY, read as it comes", nullptr, 0, 0, 3, 0x7FFFFFFF, L"", 0},
        {"a unique item that refuses NULL orders alone", L"id", 1, 0, 3, 0x7FFFFFFF, L" ORDER BY \"id\"", 0},
        {"backward", L"id", 0, 0, 3, 0x7FFFFFFF, L" ORDER BY \"id\" DESC", 1},
        {"duplicates completed by the unique id", L"n", 1, 0, 3, 0x7FFFFFFF, L" ORDER BY \"n\",\"id\"", 0},
        {"completed in the browse's direction", L"n", 0, 0, 3, 0x7FFFFFFF, L" ORDER BY \"n\" DESC,\"id\" DESC", 1},
        {"a plain column", L"k1", 1, 0, 3, 0x7FFFFFFF, L" ORDER BY \"k1\",\"id\"", 0},
        {"a composite key by its parts", L"kk", 1, 0, 3, 0x7FFFFFFF, L" ORDER BY \"k1\",\"k2\",\"id\"", 0},
        {"completion refused by the flags", L"n", 1, NA_WPF_NO_ORDER_COMPLETION, 3, 0x7FFFFFFF, L" ORDER BY \"n\"", 0},
        {"completion off for ascending browses", L"n", 1, 0, 2, 0x7FFFFFFF, L" ORDER BY \"n\"", 0},
        {"completion on for descending browses", L"n", 0, 0, 2, 0x7FFFFFFF, L" ORDER BY \"n\" DESC,\"id\" DESC", 1},
        {"completion off for descending browses", L"n", 0, 0, 1, 0x7FFFFFFF, L" ORDER BY \"n\" DESC", 1},
        {"the dialect's limit on expressions", L"kk", 1, 0, 3, 2, L" ORDER BY \"k1\",\"k2\"", 0},
        {"the query's own order asked, without a query: none", L"n", 1, NA_WPF_QUERY_ORDER, 3, 0x7FFFFFFF, L"", 0},
        // Declared descending: a forward browse runs the reversed order and reads it from its end.
        {"an item declared descending, forward", L"d", 1, 0, 3, 0x7FFFFFFF, L" ORDER BY \"d\" DESC,\"id\" DESC", 1},
        {"an item declared descending, backward", L"d", 0, 0, 3, 0x7FFFFFFF, L" ORDER BY \"d\",\"id\"", 0},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        m_pclStatement->SetOrderByOptions(c.nOptions);
        m_pclCnx->m_nMaxOrderBy = c.nMaxOrderBy;
        CNACommand* pcl = pclCommand();
        ASSERT_TRUE(m_pclStatement->bBuildQuerySELECT(pcl, c.nFlags, c.pszItem, c.bAscending, nullptr));
        EXPECT_EQ(sFormat(pcl), std::wstring(SELECT_LIST) + c.pszOrderBy);
        EXPECT_EQ(pcl->bInvertFetch(), c.bInvert);
        EXPECT_EQ(m_pclStatement->bInvertFetch(), c.bInvert);
        // Every column the select list names is bound to an output.
        EXPECT_EQ(pcl->nGetDefineNbr(), 8);
        EXPECT_EQ(pcl->nGetColumnMode(), 2u);
    }
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE);
}

// The same column is listed once, however it comes: as a component of the leading key and among
// the record's order-by columns, or twice among the components.
TEST_F(NAStatementSelectTest, AColumnIsListedOnce) {
    CNARefArray<CNAColumn>* pclColumns = new CNARefArray<CNAColumn>(30, 30);
    pclColumns->AddRef();
    CTTableau<int> tabAscending(30, 30);
    int bStop = 0;
    for (const wchar_t* psz : {L"k1", L"k2", L"k1", L"k2"})
        EXPECT_TRUE(m_pclStatement->_AddItemInORDERBYList(&bStop, pclColumns, &tabAscending, pclColumn(psz), 1));
    EXPECT_EQ(pclColumns->nGetNbElement(), 2);
    EXPECT_EQ(tabAscending.nGetNbElement(), 2);
    // Without a condition excluding their NULL values, the key's parts do not identify a row.
    EXPECT_EQ(bStop, 0);
    EXPECT_TRUE(m_pclStatement->_AddItemInORDERBYList(&bStop, pclColumns, &tabAscending, pclColumn(L"id"), 1));
    EXPECT_EQ(bStop, 1);
    pclColumns->dwRelease();
}

// A browse over the parts of the unique two-part key stops once a condition excludes NULL from
// them: nothing needs to follow.
TEST_F(NAStatementSelectTest, CompositeKeyUnderAConditionOrdersAlone) {
    CNARecherche* pclSearch = new CNARecherche(m_pclError, m_pclCnx);
    pclSearch->AddRef();
    CAny cl;
    SetDSTRA(&cl, "b");
    ASSERT_TRUE(pclSearch->bSetRecherche(m_pclRecord, piItem(L"k1"), &cl, NA_PARSE_FIRST, 1, 0));
    CNACommand* pclWhere = pclCommand();
    ASSERT_TRUE(pclSearch->bGetSQL(pclWhere, nullptr, m_pclRecord));
    CNACommand* pcl = pclCommand();
    ASSERT_TRUE(m_pclStatement->bBuildQuerySELECT(pcl, 0, L"kk", 1, pclWhere));
    EXPECT_EQ(sFormat(pcl), std::wstring(SELECT_LIST) + L" WHERE \"k1\"='b' ORDER BY \"k1\",\"k2\"");
    pclSearch->nRelease();
}

TEST_F(NAStatementSelectTest, UnknownOrderByItem) {
    for (int bAscending : {1, 0}) {
        m_pclError->Reset();
        CNACommand* pcl = pclCommand();
        EXPECT_FALSE(m_pclStatement->bBuildQuerySELECT(pcl, 0, L"missing", bAscending, nullptr));
        EXPECT_EQ(nUserError(), 6u);
        EXPECT_NE(sDebug().find(L"IEKXPSQL=4.9"), std::wstring::npos) << sDebug();
        EXPECT_NE(std::wstring(m_pclError->pszGetError()).find(L"missing"), std::wstring::npos);
        EXPECT_STREQ(m_pclError->pszGetLogicalTableName(), L"browse_fx");
        EXPECT_STREQ(m_pclError->pszGetItemName(), L"missing");
        EXPECT_EQ(pcl->bInvertFetch(), bAscending ? 0 : 1);
    }
}

// DISTINCT only where the rows may repeat: asked for, over a best browse item that does not
// identify them.
TEST_F(NAStatementSelectTest, Distinct) {
    struct Case {
        const wchar_t* pszBestItem;
        NA_WRITEPARSEFLAGS nFlags;
        bool bDistinct;
    };
    const Case tab[] = {
        {L"id", NA_WPF_DISTINCT, false},  // unique and never NULL
        {L"n", NA_WPF_DISTINCT, true},
        {L"n", 0, false},
        {L"kk", NA_WPF_DISTINCT, true},  // unique, but NULL is allowed
    };
    for (const Case& c : tab) {
        m_pclHost->_SetBestParseItem(c.pszBestItem);
        CNACommand* pcl = pclCommand();
        ASSERT_TRUE(m_pclStatement->bBuildQuerySELECT(pcl, c.nFlags, nullptr, 1, nullptr));
        std::wstring sExpected = SELECT_LIST;
        if (c.bDistinct) sExpected.insert(7, L"DISTINCT ");
        EXPECT_EQ(sFormat(pcl), sExpected) << c.pszBestItem;
    }
}

TEST_F(NAStatementSelectTest, WhereOfTheCurrentRow) {
    SetCurrentRow(3);
    struct Case {
        int bAddWhere;
        const wchar_t* pszExpected;
    };
    for (const Case& c : {Case{1, L"UPDATE x SET y=1 WHERE \"id\"=3"}, Case{0, L"UPDATE x SET y=1\"id\"=3"}}) {
        CNACommand* pcl = pclCommand();
        pcl->bComplete(L"UPDATE x SET y=1");
        ASSERT_TRUE(m_pclStatement->_bAddWHERECurrentRecord(pcl, c.bAddWhere, nullptr));
        EXPECT_EQ(sFormat(pcl), c.pszExpected);
    }
    // Without an id, the row's unique two-part key designates it.
    SetInt(L"id", std::nullopt);
    CNACommand* pcl = pclCommand();
    ASSERT_TRUE(m_pclStatement->_bAddWHERECurrentRecord(pcl, 1, nullptr));
    EXPECT_EQ(sFormat(pcl), L" WHERE \"k1\"='b' AND \"k2\"=1");
}

TEST_F(NAStatementSelectTest, WhereOfTheLatestRowRead) {
    // No row read yet: nothing designates one.
    CNACommand* pcl = pclCommand();
    m_pclStatement->SetItemName(L"n");
    EXPECT_FALSE(m_pclStatement->_bAddWHERELatestRead(pcl, 1, nullptr));
    EXPECT_EQ(nUserError(), 7u);
    EXPECT_NE(sDebug().find(L"IEKXPSQL=4.4"), std::wstring::npos) << sDebug();
    EXPECT_STREQ(m_pclError->pszGetLogicalTableName(), L"browse_fx");
    EXPECT_STREQ(m_pclError->pszGetItemName(), L"n");
    EXPECT_TRUE(pcl->bIsEmpty());
    m_pclError->Reset();

    // The latest row read is row 5; the current one, row 3, is left as it was.
    SetCurrentRow(5);
    ASSERT_TRUE(m_pclRecord->bCopyCurrentRecordToOriginalRecord());
    SetCurrentRow(3);
    pcl = pclCommand();
    ASSERT_TRUE(m_pclStatement->_bAddWHERELatestRead(pcl, 1, nullptr));
    EXPECT_EQ(sFormat(pcl), L" WHERE \"id\"=5");
    CAny cl;
    ASSERT_TRUE(pclColumn(L"id")->bGetCurrentValue(&cl, 0));
    EXPECT_EQ(tBrut<int32_t>(cl), 3);
    ASSERT_TRUE(pclColumn(L"k1")->bGetCurrentValue(&cl, 0));
    EXPECT_EQ(sTexteA(cl), "b");

    // A row identified by its server row id: the id as a parameter after the keyword.
    CNAConvertVariant* pclRowId = new CNAConvertVariant(m_pclError, m_pclCnx);
    pclRowId->AddRef();
    pclRowId->InitTypeVariantAny(VQTYPE_DSTRW, 0);
    CAny clId;
    SetDSTRW(&clId, L"(0,7)");
    pclRowId->bSetValue(&clId);
    auto* pclIdentity = new CNARecordId_RowId(pclRowId);
    ASSERT_TRUE(m_pclRecord->pclGetOriginalRecordValueNoRef()->bShareRecordID(pclIdentity));
    pclRowId->nRelease();
    pcl = pclCommand();
    ASSERT_TRUE(m_pclStatement->_bAddWHERELatestRead(pcl, 1, nullptr));
    EXPECT_EQ(sFormat(pcl), L" WHERE  ROWID='(0,7)'");
    pcl = pclCommand();
    ASSERT_TRUE(m_pclStatement->_bAddWHERELatestRead(pcl, 0, nullptr));
    EXPECT_EQ(sFormat(pcl), L" ROWID='(0,7)'");
}

// A row nothing designates is refused: written without a condition, a statement meant for one
// row would reach every row.
TEST_F(NAStatementSelectTest, RowThatNothingDesignates) {
    // A description without items: no best browse item.
    CNADataSourceDescription* pclOther = new CNADataSourceDescription(nullptr, nullptr);
    pclOther->AddRef();
    pclOther->SetLogicalName(L"other");
    m_pclStatement->SetDataSource(pclOther);
    SetCurrentRow(3);
    CNACommand* pcl = pclCommand();
    EXPECT_FALSE(m_pclStatement->_bAddWHERECurrentRecord(pcl, 1, nullptr));
    EXPECT_EQ(nUserError(), 17u);
    EXPECT_NE(sDebug().find(L"IEKXPSQL=4.14"), std::wstring::npos) << sDebug();
    EXPECT_TRUE(pcl->bIsEmpty());
    m_pclStatement->SetDataSource(m_pclHost);
    pclOther->nRelease();
}

// The LIMIT clause that ends a host query is written after the ORDER BY, its parameters with it.
TEST_F(NAStatementSelectTest, LimitClauseKeptAfterTheOrderBy) {
    CNACommand* pcl = pclCommand();
    pcl->bComplete(L"SELECT a FROM t WHERE b=");
    CNAConvertVariant* pclValue = new CNAConvertVariant(m_pclError, m_pclCnx);
    pclValue->AddRef();
    pclValue->InitTypeVariantAny(VQTYPE_I4, 0);
    pclValue->bSetValue(7);
    ASSERT_TRUE(pcl->bAddParameter(pclValue, OPEXPRESSION_NONE, 0, nullptr, nullptr, 0, CNAParameter::NAPARAM_IN));
    pcl->bComplete(L"  LIMIT ");
    CNAConvertVariant* pclRows = new CNAConvertVariant(m_pclError, m_pclCnx);
    pclRows->AddRef();
    pclRows->InitTypeVariantAny(VQTYPE_I4, 0);
    pclRows->bSetValue(3);
    ASSERT_TRUE(pcl->bAddParameter(pclRows, OPEXPRESSION_NONE, 0, nullptr, nullptr, 0, CNAParameter::NAPARAM_IN));
    pcl->bComplete(L" OFFSET 2");

    CTString clClause;
    CRefArray<CNAParameter> tabParameters(4, 30);
    unsigned long nStart = 0;
    ASSERT_TRUE(CNAStatement::s_bCutLimitClause(pcl, m_pclCnx, &clClause, &tabParameters, &nStart));
    EXPECT_EQ(std::wstring(clClause.pszGet()), L"LIMIT  OFFSET 2");
    // The parameter just before the clause stays where the text now ends.
    EXPECT_EQ(sFormat(pcl), L"SELECT a FROM t WHERE b=7");
    pcl->ResetFormatedSQL();
    pcl->bComplete(L" ORDER BY a");
    ASSERT_TRUE(CNAStatement::s_bAppendLimitClause(pcl, clClause, &tabParameters, nStart));
    EXPECT_EQ(sFormat(pcl), L"SELECT a FROM t WHERE b=7 ORDER BY a LIMIT 3 OFFSET 2");
    EXPECT_EQ(pcl->nGetParameterNbr(), 2);
    pclValue->nRelease();
    pclRows->nRelease();

    // An OFFSET before the LIMIT, or alone, starts the clause: no ORDER BY may follow it either.
    struct stCase {
        const wchar_t* pszText;
        const wchar_t* pszClause;
        const wchar_t* pszKept;
    } astCases[] = {
        {L"SELECT a FROM t OFFSET 5", L"OFFSET 5", L"SELECT a FROM t"},
        {L"SELECT a FROM t WHERE b > 1  OFFSET 2 LIMIT 3", L"OFFSET 2 LIMIT 3", L"SELECT a FROM t WHERE b > 1"},
        {L"SELECT a FROM t LIMIT 3 OFFSET 2", L"LIMIT 3 OFFSET 2", L"SELECT a FROM t"},
    };
    for (const stCase& st : astCases) {
        CNACommand* pclCase = pclCommand();
        pclCase->bComplete(st.pszText);
        CTString clCut;
        CRefArray<CNAParameter> tabNone(4, 30);
        ASSERT_TRUE(CNAStatement::s_bCutLimitClause(pclCase, m_pclCnx, &clCut, &tabNone, &nStart));
        EXPECT_EQ(std::wstring(clCut.pszGet()), st.pszClause);
        EXPECT_EQ(std::wstring(pclCase->pszGetOriginalSQL()), st.pszKept);
    }

    // A text without LIMIT is left alone.
    CNACommand* pclPlain = pclCommand();
    pclPlain->bComplete(L"SELECT a FROM t WHERE b='LIMIT 1'");
    EXPECT_FALSE(CNAStatement::s_bCutLimitClause(pclPlain, m_pclCnx, &clClause, &tabParameters, &nStart));
    EXPECT_EQ(std::wstring(pclPlain->pszGetOriginalSQL()), L"SELECT a FROM t WHERE b='LIMIT 1'");
}
