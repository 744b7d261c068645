// Running a statement's command over a scripted SQL-layer statement: the empty command, the block
// limit and block start a run leaves, preparing, a prepared command never built, an UPDATE that
// changes no row, counts on the server and by fetching, reading the row a fetch landed on, closing,
// the identifier after an insert and after an update, the column values of a write, and the choice
// of SELECT DISTINCT over the host's best browse item.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/XYString.h"
#include "tests/host/StandInBrowseSource.h"
#include "tests/host/StandInItemDescription.h"
#include "tests/statement/StatementFixture.h"

using namespace stmttest;

namespace {

constexpr auto FIRST = NA_PARSE_FIRST;
constexpr auto NEXT = NA_PARSE_NEXT;

class ExecuteTest : public StatementTest {
protected:
    // A command of that kind holding the text as it is.
    CNACommand* pclCommand(const wchar_t* pszText, eNAQUERYTYPE eType) {
        auto* pcl = new CNACommand(m_pclError, m_pclCnx);
        pcl->AddRef();
        if (*pszText != 0) {
            EXPECT_TRUE(pcl->bSetInternalQuery(pszText));
        }
        pcl->SetNAQueryType(eType);
        m_aCommands.push_back(pcl);
        return pcl;
    }
    void TearDown() override {
        for (CNACommand* pcl : m_aCommands) pcl->nRelease();
        m_aCommands.clear();
        StatementTest::TearDown();
    }
    std::vector<CNACommand*> m_aCommands;
};

TEST_F(ExecuteTest, EmptyCommandReachesNoServer) {
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(pcl->bExecuteDirectNewCommand(pclCommand(L"", NAQUERYTYPE_SELECT), 0, CNAStatement::NA_ST_PREPARE));
    EXPECT_TRUE(m_stScript.aSent.empty());
    EXPECT_EQ(pcl->nBlockLimit(), CNAStatement::NO_LIMIT);
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE);
}

TEST_F(ExecuteTest, BlockLimitOnlyWhenTheResultHoldsTheLimit) {
    struct Case {
        int64_t llLimit, llOffset;
        int nRows;
        int32_t nBlockLimit;
        bool bAtStart;
    };
    const std::vector<Case> aCases = {
        {100, -1, 100, 100, true}, {100, -1, 99, -1, true}, {100, -1, 0, -1, true}, {-1, -1, 100, -1, true},
        {1, 0, 1, 1, true},        {100, 1, 100, 100, false}, {100, 200, 3, -1, false},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << "LIMIT " << c.llLimit << " OFFSET " << c.llOffset << ", " << c.nRows
                                        << " rows");
        m_stScript.aResults = {c.nRows > 0 ? Ids(1, c.nRows) : Empty()};
        CTestStatement* pcl = pclStatement();
        CNACommand* pclCmd = pclCommand(L"SELECT id, nom FROM stmt_fx", NAQUERYTYPE_SELECT);
        pclCmd->SetRowLimit(c.llLimit);
        pclCmd->SetRowOffset(c.llOffset);
        ASSERT_TRUE(pcl->bExecuteDirectNewCommand(pclCmd, 0, CNAStatement::NA_ST_PREPARE)) << sError();
        EXPECT_EQ(pcl->nBlockLimit(), c.nBlockLimit);
        EXPECT_EQ(pcl->bBlockAtStart() != 0, c.bAtStart);
    }
}

TEST_F(ExecuteTest, PrepareOnlyAttachesWithFlag2) {
    CTestStatement* pcl = pclStatement();
    CNACommand* pclCmd = pclCommand(L"SELECT id, nom FROM stmt_fx", NAQUERYTYPE_SELECT);
    ASSERT_TRUE(pcl->bPrepare(pclCmd, 2));
    EXPECT_EQ(pcl->pclGetCommandNoRef(), pclCmd);
    EXPECT_TRUE(m_stScript.aSent.empty());
    ASSERT_TRUE(pcl->bPrepare(pclCmd, 0));
    EXPECT_EQ(m_stScript.aSent, (std::vector<std::string>{"<prepare>"}));
}

TEST_F(ExecuteTest, PreparedCommandNeverBuilt) {
    CTestStatement* pcl = pclStatement();
    CNACommand* pclCmd = pclCommand(L"SELECT id, nom FROM stmt_fx", NAQUERYTYPE_NONE);
    ASSERT_TRUE(pcl->bPrepare(pclCmd, 2));
    EXPECT_FALSE(pcl->bExecutePreparedQuery(0, 0));
    EXPECT_EQ(m_pclError->nGetUserErrorCode(), 2u);
    EXPECT_NE(wsDebug().find(L"IEKXPSQL=4.5\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>"), std::wstring::npos);
    EXPECT_STREQ(m_pclError->pszGetLogicalTableName(), L"stmt_fx");
    EXPECT_STREQ(m_pclError->pszGetItemName(), L"id");
    EXPECT_TRUE(m_stScript.aSent.empty());
    // Once built it runs.
    m_pclError->Reset();
    pclCmd->SetNAQueryType(NAQUERYTYPE_SELECT);
    m_stScript.aResults = {Ids(1, 2)};
    ASSERT_TRUE(pcl->bExecutePreparedQuery(0, 0)) << sError();
    EXPECT_EQ(m_stScript.aSent, (std::vector<std::string>{"<prepared>"}));
    ASSERT_TRUE(pcl->bFetch(FIRST, 1, 1));
    EXPECT_EQ(sCurrentId(), "1");
}

TEST_F(ExecuteTest, UpdateThatChangesNoRow) {
    struct Case {
        const char* pszName;
        unsigned long nAffected;
        bool bCurrentRecord;
        bool bResult;
    };
    const std::vector<Case> aCases = {
        {"no row changed under a current record", 0, true, false},
        {"no row changed, no current record", 0, false, true},
        {"one row changed", 1, true, true},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszName);
        m_pclError->Reset();
        stResult st;
        st.nAffected = c.nAffected;
        m_stScript.aResults = {st};
        CTestStatement* pcl = pclStatement();
        if (!c.bCurrentRecord) pcl->SetCurrentRecord(nullptr);
        CNACommand* pclCmd = pclCommand(L"UPDATE stmt_fx SET nom='x' WHERE id=10", NAQUERYTYPE_UPDATE);
        EXPECT_EQ(pcl->bExecuteDirectNewCommand(pclCmd, 0, CNAStatement::NA_ST_NOPREPARE) != 0, c.bResult);
        if (c.bResult) {
            EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE) << sError();
            continue;
        }
        EXPECT_EQ(m_pclError->nGetUserErrorCode(), 13u);
        EXPECT_EQ(static_cast<int>(m_pclError->eGetErrorType()), 9);
        EXPECT_STREQ(m_pclError->pszGetLogicalTableName(), L"stmt_fx");
        const std::wstring sDebug = wsDebug();
        const size_t nLine = sDebug.find(L"IEKXPSQL=4.12\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>");
        const size_t nRecord = sDebug.find(L"Current record:");
        EXPECT_NE(nLine, std::wstring::npos) << std::string(sDebug.begin(), sDebug.end());
        EXPECT_NE(nRecord, std::wstring::npos);
        EXPECT_NE(sDebug.find(L"<Record ID>", nRecord), std::wstring::npos);
    }
}

TEST_F(ExecuteTest, CountOnTheServer) {
    m_stScript.aResults = {stResult{{{"250"}}, 0}};
    CTestStatement* pcl = pclStatement();
    int64_t ll = 0;
    ASSERT_TRUE(pcl->bGetNbEnr(&ll, 0, 1)) << sError();
    EXPECT_EQ(ll, 250);
    ASSERT_EQ(m_stScript.aSent.size(), 1u);
    EXPECT_EQ(m_stScript.aSent[0], "SELECT COUNT(*) AS KXACCESNATIF_NBENR FROM \"stmt_fx\"");
    EXPECT_EQ(pcl->pclGetCommandNoRef(), nullptr) << "the count leaves no command behind";
    // A refused count answers -1.
    m_stScript.nFailAt = static_cast<int>(m_stScript.aCalls.size()) + 1;
    EXPECT_FALSE(pcl->bGetNbEnr(&ll, 0, 1));
    EXPECT_EQ(ll, -1);
    EXPECT_EQ(m_pclError->nGetUserErrorCode(), USER_ERROR_SERVER);
}

TEST_F(ExecuteTest, CountByFetching) {
    struct Case {
        const char* pszName;
        stResult st;
        int nFailAt;  // counted from the first call of the count
        bool bResult;
        int64_t llCount;
    };
    const std::vector<Case> aCases = {
        {"empty", Empty(), 0, true, 0},
        {"five rows", Ids(1, 5), 0, true, 5},
        {"one row", Ids(1, 1), 0, true, 1},
        {"a fetch fails", Ids(1, 5), 4, false, -1},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszName);
        m_stScript = stScript();
        m_stScript.aResults = {c.st};
        m_stScript.nFailAt = c.nFailAt;
        CTestStatement* pcl = pclStatement();
        int64_t ll = -2;
        EXPECT_EQ(pcl->_bGetNbEnr_NoSubQuery(&ll, 0, 0) != 0, c.bResult) << sError();
        EXPECT_EQ(ll, c.llCount);
        ASSERT_EQ(m_stScript.aSent.size(), 1u);
        // The whole browse, no LIMIT.
        EXPECT_EQ(m_stScript.aSent[0].find("LIMIT"), std::string::npos) << m_stScript.aSent[0];
    }
}

TEST_F(ExecuteTest, ExecuteAndFetchReadsTheFirstRow) {
    m_stScript.aResults = {Ids(1, 3)};
    CTestStatement* pcl = pclStatement();
    CNACommand* pclCmd = pclCommand(L"SELECT id, nom FROM stmt_fx ORDER BY id", NAQUERYTYPE_SELECT);
    ASSERT_TRUE(pcl->bPrepare(pclCmd, 2));
    CAny atab[2];
    ASSERT_TRUE(pcl->bExecuteAndFetch(atab, 2, CNAStatement::NA_ST_NOPREPARE)) << sError();
    auto Text = [](const CAny& cl) {
        CXYString<wchar_t> clText;
        cl.__nFillString(clText, nullptr);
        return std::wstring(clText.pszGet());
    };
    EXPECT_EQ(Text(atab[0]), L"1");
    EXPECT_EQ(Text(atab[1]), L"r1");
    EXPECT_FALSE(pcl->bStarted()) << "closed afterwards";
    // Without a row the values stay as they were.
    m_stScript.aResults = {Empty()};
    CAny clUntouched;
    clUntouched.SetI4(7);
    ASSERT_TRUE(pcl->bPrepare(pclCmd, 2));
    ASSERT_TRUE(pcl->bExecuteAndFetch(&clUntouched, 1, CNAStatement::NA_ST_NOPREPARE));
    EXPECT_EQ(m_stScript.aSent.size(), 2u);
    EXPECT_EQ(clUntouched.nGetTypeCode(), VQTYPE_I4);
}

TEST_F(ExecuteTest, CloseEndsTheBrowse) {
    m_stScript.aResults = {Ids(1, 3), Ids(1, 3)};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, 3, true));
    ASSERT_TRUE(pcl->bFetch(FIRST, 1, 2));
    ASSERT_EQ(pcl->pclCache()->nGetNbRecord(), 2);
    pcl->MarkRow(0, CNAStatement::RECORDSAVE_DELETED);
    pcl->Close();
    EXPECT_FALSE(pcl->bStarted());
    EXPECT_EQ(pcl->nGetCurrentRecord(), -1);
    EXPECT_FALSE(pcl->bCacheEnabled());
    EXPECT_EQ(pcl->pclCache()->nGetNbRecord(), 0);
    EXPECT_TRUE(pcl->bBlockAtStart());
    EXPECT_EQ(pcl->pclSQL()->llGetNbRow(), -1) << "the SQL result is gone";
    // A new run of the same command starts a new browse; the block limit is that run's.
    ASSERT_TRUE(pcl->bExecute(0, CNAStatement::NA_ST_PREPARE));
    ASSERT_TRUE(pcl->bFetch(NEXT, 1, 1));
    EXPECT_EQ(sCurrentId(), "1");
}

TEST_F(ExecuteTest, WriteColumnValuesAreParameters) {
    CTestStatement* pcl = pclStatement();
    CNAColumn* pclName = m_pclRecord->pclGetColumnNoRef(L"nom");
    CAny clValue;
    SetDSTRA(&clValue, "abc");
    ASSERT_TRUE(pclName->bSetValue(&clValue, 0));
    CNACommand* pclCmd = pclCommand(L"", NAQUERYTYPE_INSERT);
    ASSERT_TRUE(pcl->_bAddColumnValue(pclCmd, pclName, NAQUERYTYPE_INSERT, 0));
    ASSERT_EQ(pclCmd->nGetParameterNbr(), 1);
    CAny clParameter;
    ASSERT_TRUE(pclCmd->pclGetParameterNoRef(0)->pclGetValueNoRef()->bGetValue(&clParameter));
    EXPECT_EQ(sTexteA(clParameter) == "abc" || sTexteW(clParameter) == L"abc", true);
}

// ---------------------------------------------------------------------------------- the identifier

class IdentifierTest : public ExecuteTest {
protected:
    CNADataSourceDescription* pclDescription(bool bServer) override {
        auto* pcl = new CNADataSourceDescription(nullptr, nullptr);
        pcl->AddRef();
        pcl->SetLogicalName(L"stmt_id");
        pcl->SetDBName(L"stmt_id");
        pcl->bAddItem(L"id", nullptr, nullptr, 1, 4, NA_IT_IDAUTO4, -1, 0, NA_KEY_UNIQUE, 0, 0);
        pcl->bAddItem(L"nom", nullptr, nullptr, 1, 11, NA_IT_TEXTE, -1, -1, 0, 0, 0);
        if (bServer) {
            pcl->pclGetItemNoRef(0)->SetDBType(L"", 23);
            pcl->pclGetItemNoRef(1)->SetDBType(L"", 1043);
        }
        pcl->UpdateRecordSize();
        return pcl;
    }
    void SetId(int32_t n) {
        CNAColumn* pcl = m_pclRecord->pclGetColumnNoRef(L"id");
        CAny cl;
        cl.SetI4(n);
        ASSERT_TRUE(pcl->bSetValue(&cl, 0));
    }
};

TEST_F(IdentifierTest, IdentifierOfAnInsertFromItsResult) {
    struct Case {
        const char* pszName;
        NA_WRITEPARSEFLAGS nFlags;
        const char* pszId;
    };
    for (const Case& c : {Case{"RETURNING", 0, "42"}, Case{"the host gives the identifier", 0x100, "7"},
                          Case{"the host gives it again", 0x400, "7"}}) {
        SCOPED_TRACE(c.pszName);
        SetId(7);
        m_stScript.aResults = {stResult{{{"42"}}, 1}};
        CTestStatement* pcl = pclStatement();
        ASSERT_TRUE(pcl->bExecuteDirectNewCommand(
            pclCommand(L"INSERT INTO stmt_id (nom) VALUES ('a') RETURNING id", NAQUERYTYPE_INSERT), 0,
            CNAStatement::NA_ST_NOPREPARE));
        ASSERT_TRUE(pcl->bUpdateRecordAfterInsert(NAQUERYTYPE_INSERT, c.nFlags)) << sError();
        EXPECT_EQ(sCurrentId(), c.pszId);
    }
    // A result that cannot be read fails.
    m_stScript = stScript();
    m_stScript.aResults = {stResult{{{"43"}}, 1}};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(pcl->bExecuteDirectNewCommand(pclCommand(L"INSERT INTO stmt_id (nom) VALUES ('b') RETURNING id",
                                                         NAQUERYTYPE_INSERT),
                                              0, CNAStatement::NA_ST_NOPREPARE));
    m_stScript.nFailAt = static_cast<int>(m_stScript.aCalls.size()) + 1;
    EXPECT_FALSE(pcl->bUpdateRecordAfterInsert(NAQUERYTYPE_INSERT, 0));
}

TEST_F(IdentifierTest, UpdateKeepsTheIdentifierRead) {
    SetId(5);
    ASSERT_TRUE(m_pclRecord->bCopyCurrentRecordToOriginalRecord());
    SetId(9);
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(pcl->bUpdateRecordAfterUpdate(NAQUERYTYPE_UPDATE, 0x100));
    EXPECT_EQ(sCurrentId(), "9");
    ASSERT_TRUE(pcl->bUpdateRecordAfterUpdate(NAQUERYTYPE_UPDATE, 0));
    EXPECT_EQ(sCurrentId(), "5");
}

// ---------------------------------------------------------------------------------- DISTINCT

TEST_F(ExecuteTest, DistinctOverTheBestBrowseItem) {
    struct Case {
        const char* pszName;
        NA_WRITEPARSEFLAGS nFlags;
        bool bItem;
        int nVersion;
        eNA_ITEMTYPE eType;
        int bPrimary, bUnique, bNullAllowed;
        bool bDistinct;
        int nNullAsked;
    };
    const std::vector<Case> aCases = {
        {"not asked", 0, true, 9, NA_IT_I4, 0, 0, 1, false, 0},
        {"no best browse item", 0x800, false, 9, NA_IT_I4, 0, 0, 1, false, 0},
        {"a primary item", 0x800, true, 9, NA_IT_I4, 1, 1, 0, false, 0},
        {"a unique item that refuses NULL", 0x800, true, 9, NA_IT_I4, 0, 1, 0, false, 1},
        {"a unique item that takes NULL", 0x800, true, 9, NA_IT_I4, 0, 1, 1, true, 1},
        {"an item with duplicates", 0x800, true, 9, NA_IT_I4, 0, 0, 0, true, 0},
        {"version 8: a unique identifier", 0x800, true, 8, NA_IT_IDAUTO4, 0, 1, 1, false, 0},
        {"version 8: a unique 8-byte identifier", 0x800, true, 8, NA_IT_IDAUTO, 0, 1, 1, false, 0},
        {"version 8: a unique item that is not an identifier", 0x800, true, 8, NA_IT_I4, 0, 1, 0, true, 0},
        {"version 9: a unique identifier that takes NULL", 0x800, true, 9, NA_IT_IDAUTO4, 0, 1, 1, true, 1},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszName);
        standin::CStandInItemDescription clItem(L"k", c.eType);
        clItem.m_nVersion = c.nVersion;
        clItem.m_bPrimary = c.bPrimary;
        clItem.m_bUnique = c.bUnique;
        clItem.m_bNullAllowed = c.bNullAllowed;
        standin::CStandInBrowseSource clSource(c.bItem ? &clItem : nullptr);
        {
            CTestStatement* pcl = pclStatement();
            pcl->SetDataSource(&clSource);
            EXPECT_EQ(pcl->_bAddDistinct(c.nFlags) != 0, c.bDistinct);
            EXPECT_EQ(clItem.m_nNullAllowedAsked, c.nNullAsked);
            EXPECT_EQ(clItem.nGetExternalRefs(), 0) << "the item is given back";
            pcl->SetDataSource(nullptr);
        }
        EXPECT_EQ(clSource.nGetExternalRefs(), 0);
    }
}

}  // namespace
