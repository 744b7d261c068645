// Statements on the test run's PostgreSQL server: the block limit a LIMIT leaves when the result
// fills it or not, a browse of 250 rows read in blocks of 100 (forward with and without the record
// cache, and backward across a block's start) with each continuation as the server received it,
// an UPDATE whose row another session deleted, and the identifiers a serial column gives three
// inserts, read back from each INSERT's own RETURNING.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "pgsql/PSQLConnection.h"
#include "tests/support/PgSandbox.h"
#include "tests/support/StatementLog.h"
#include "tests/support/PgSession.h"
#include "tests/statement/StatementFixture.h"

using namespace stmttest;

namespace {

constexpr auto FIRST = NA_PARSE_FIRST;
constexpr auto NEXT = NA_PARSE_NEXT;
constexpr auto PREVIOUS = NA_PARSE_PREVIOUS;

std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

// The fixture's table, one of its own per test (tests run side by side on the one server), on a
// connection the driver opens to the server.
class ServerStatementTest : public StatementTest {
protected:
    void SetUp() override {
        KX_REQUIRE_PG_SERVER();
        std::string sName = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::transform(sName.begin(), sName.end(), sName.begin(), [](unsigned char c) { return std::tolower(c); });
        m_sTable = "kxstmt_" + sName;
        ASSERT_TRUE(m_clRows.bOpen()) << m_clRows.sError();
        ASSERT_TRUE(m_clRows.bExec("DROP TABLE IF EXISTS " + m_sTable)) << m_clRows.sError();
        ASSERT_TRUE(m_clRows.bExec("CREATE TABLE " + m_sTable + " (" + sColumns() + ")")) << m_clRows.sError();
        StatementTest::SetUp();
        m_bReady = true;
        ASSERT_TRUE(m_bOpened) << sError();
    }
    void TearDown() override {
        if (!m_bReady) return;
        StatementTest::TearDown();
        m_clRows.bExec("DROP TABLE IF EXISTS " + m_sTable);
    }
    bool bScripted() const override { return false; }
    CNAConnectionDescription* pclNewConnection() override {
        m_clHostCnx.m_sDataBase = wsOf(pgsandbox::sEnv("PGHOST"));
        m_clHostCnx.m_sUserName = wsOf(pgsandbox::sEnv("PGUSER"));
        m_clHostCnx.m_sExtendedInfo = L"Server Port=" + wsOf(pgsandbox::sEnv("PGPORT")) +
                                      L";Initial Catalog=" + wsOf(pgsandbox::sEnv("PGDATABASE"));
        auto* pcl = new CPSQLConnection(L"Connection=stmtserver", &m_clHostCnx);
        pcl->AddRef();
        m_bOpened = pcl->bOpen(m_pclError) != 0;
        return pcl;
    }
    void _DropConnection() override {
        if (m_pclCnx->bIsOpen()) m_pclCnx->bClose(m_pclError);
        m_pclCnx->nRelease();
    }
    virtual std::string sColumns() const { return "id integer PRIMARY KEY, nom varchar(10)"; }
    CNADataSourceDescription* pclDescription(bool bServer) override {
        CNADataSourceDescription* pcl = StatementTest::pclDescription(bServer);
        pcl->SetLogicalName(wsOf(m_sTable).c_str());
        pcl->SetDBName(wsOf(m_sTable).c_str());
        return pcl;
    }

    // Rows of ids 1 to n, named "r" and the id.
    void Fill(int n) {
        ASSERT_TRUE(m_clRows.bExec("INSERT INTO " + m_sTable + " SELECT g, 'r' || g FROM generate_series(1, " +
                                   std::to_string(n) + ") g"))
            << m_clRows.sError();
    }
    // The SELECTs of the test's table the server received since the log's mark.
    std::vector<std::string> Selects(const pgsandbox::CStatementLog& clLog) const {
        std::vector<std::string> a;
        for (const std::string& s : clLog.Statements())
            if (s.rfind("SELECT", 0) == 0 && s.find(m_sTable) != std::string::npos) a.push_back(s);
        return a;
    }
    // Reads in the direction and answers the id landed on ("" when out of the file).
    std::string sRead(CTestStatement* pcl, eNA_PARSEDIRECTION eDirection) {
        if (!pcl->bFetch(eDirection, 1, 1)) return "failed: " + sError();
        int bOut = 1;
        pcl->HEndehors(&bOut);
        return bOut ? "" : sCurrentId();
    }

    pgtest::CPgSession m_clRows;
    std::string m_sTable;
    bool m_bReady = false;
    bool m_bOpened = false;
};

TEST_F(ServerStatementTest, BlockLimitOnlyWhenTheResultFillsTheLimit) {
    Fill(100);
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, 100, false));
    EXPECT_EQ(pcl->nBlockLimit(), 100) << "100 rows under LIMIT 100: more may follow";
    ASSERT_TRUE(m_clRows.bExec("DELETE FROM " + m_sTable + " WHERE id = 100"));
    ASSERT_TRUE(Open(pcl, 100, false));
    EXPECT_EQ(pcl->nBlockLimit(), CNAStatement::NO_LIMIT) << "99 rows under LIMIT 100: the whole result";
    // The last of the 99 rows ends the browse without asking the server again.
    pgsandbox::CStatementLog clLog;
    ASSERT_EQ(sRead(pcl, FIRST), "1");
    for (int n = 2; n <= 99; n++) ASSERT_EQ(sRead(pcl, NEXT), std::to_string(n));
    EXPECT_EQ(sRead(pcl, NEXT), "");
    EXPECT_TRUE(Selects(clLog).empty());
}

TEST_F(ServerStatementTest, BrowseInBlocksOf100) {
    Fill(250);
    for (bool bCache : {false, true}) {
        SCOPED_TRACE(bCache ? "record cache on" : "record cache off");
        CTestStatement* pcl = pclStatement();
        pgsandbox::CStatementLog clLog;
        ASSERT_TRUE(Open(pcl, 100, bCache));
        ASSERT_EQ(sRead(pcl, FIRST), "1");
        for (int n = 2; n <= 250; n++) ASSERT_EQ(sRead(pcl, NEXT), std::to_string(n));
        EXPECT_EQ(sRead(pcl, NEXT), "");
        int bFound = 1, bInside = 1;
        pcl->EvalHTrouve(&bFound, &bInside);
        EXPECT_EQ(bFound, 0);
        EXPECT_EQ(bInside, 0);
        // The first block, then one continuation after each block's last row; the third block of
        // 50 rows is the end.
        const std::vector<std::string> aSelects = Selects(clLog);
        ASSERT_EQ(aSelects.size(), 3u);
        EXPECT_EQ(aSelects[0].find("WHERE"), std::string::npos) << aSelects[0];
        EXPECT_NE(aSelects[1].find("\"id\">100"), std::string::npos) << aSelects[1];
        EXPECT_NE(aSelects[2].find("\"id\">200"), std::string::npos) << aSelects[2];
        for (const std::string& s : aSelects) EXPECT_NE(s.find("LIMIT 100"), std::string::npos) << s;
    }
}

TEST_F(ServerStatementTest, PreviousAcrossTheStartOfABlock) {
    Fill(250);
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, 100, false));
    ASSERT_EQ(sRead(pcl, FIRST), "1");
    for (int n = 2; n <= 150; n++) ASSERT_EQ(sRead(pcl, NEXT), std::to_string(n));
    // The block now starts at 101: reading back below it asks the server for the rows before.
    pgsandbox::CStatementLog clLog;
    for (int n = 149; n >= 90; n--) ASSERT_EQ(sRead(pcl, PREVIOUS), std::to_string(n));
    const std::vector<std::string> aSelects = Selects(clLog);
    ASSERT_EQ(aSelects.size(), 1u);
    EXPECT_NE(aSelects[0].find("\"id\"<101"), std::string::npos) << aSelects[0];
}

TEST_F(ServerStatementTest, UpdateOfARowDeletedMeanwhile) {
    Fill(20);
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, -1, false));
    ASSERT_EQ(sRead(pcl, FIRST), "1");
    for (int n = 2; n <= 10; n++) ASSERT_EQ(sRead(pcl, NEXT), std::to_string(n));
    ASSERT_TRUE(m_clRows.bExec("DELETE FROM " + m_sTable + " WHERE id = 10"));
    CAny clValue;
    SetDSTRA(&clValue, "x");
    ASSERT_TRUE(m_pclRecord->pclGetColumnNoRef(L"nom")->bSetValue(&clValue, 0));
    CNACommand* pclCommand = new CNACommand(m_pclError, m_pclCnx);
    pclCommand->AddRef();
    ASSERT_TRUE(pcl->bBuildQuery(NAQUERYTYPE_UPDATE, pclCommand, 0)) << sError();
    EXPECT_FALSE(pcl->bExecute(0, CNAStatement::NA_ST_NOPREPARE));
    pclCommand->nRelease();
    EXPECT_EQ(m_pclError->nGetUserErrorCode(), 13u) << sError();
    EXPECT_EQ(static_cast<int>(m_pclError->eGetErrorType()), 9);
    const std::wstring sDebug = wsDebug();
    EXPECT_NE(sDebug.find(L"IEKXPSQL=4.12\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>"), std::wstring::npos);
    EXPECT_NE(sDebug.find(L"Current record:"), std::wstring::npos);
    // Nothing else was touched on the server.
    std::vector<std::optional<std::string>> aNames;
    ASSERT_TRUE(m_clRows.bColumn("SELECT count(*) FROM " + m_sTable + " WHERE nom = 'x'", &aNames));
    EXPECT_EQ(aNames, (std::vector<std::optional<std::string>>{"0"}));
}

// A table whose id the server numbers itself.
class ServerInsertTest : public ServerStatementTest {
protected:
    std::string sColumns() const override { return "id serial PRIMARY KEY, nom varchar(10)"; }
    CNADataSourceDescription* pclDescription(bool bServer) override {
        auto* pcl = new CNADataSourceDescription(nullptr, nullptr);
        pcl->AddRef();
        pcl->SetLogicalName(wsOf(m_sTable).c_str());
        pcl->SetDBName(wsOf(m_sTable).c_str());
        pcl->bAddItem(L"id", nullptr, nullptr, 1, 4, NA_IT_IDAUTO4, -1, 0, NA_KEY_UNIQUE, 0, 0);
        pcl->bAddItem(L"nom", nullptr, nullptr, 1, 11, NA_IT_TEXTE, -1, -1, 0, 0, 0);
        if (bServer) {
            pcl->pclGetItemNoRef(0)->SetDBType(L"", 23);
            pcl->pclGetItemNoRef(1)->SetDBType(L"", 1043);
        }
        pcl->UpdateRecordSize();
        return pcl;
    }
};

TEST_F(ServerInsertTest, IdentifierOfEachInsertFromItsReturning) {
    CTestStatement* pcl = pclStatement();
    pgsandbox::CStatementLog clLog;
    int nExpected = 0;
    for (const char* psz : {"a", "b", "c"}) {
        SCOPED_TRACE(psz);
        nExpected++;
        CAny clValue;
        SetDSTRA(&clValue, psz);
        ASSERT_TRUE(m_pclRecord->pclGetColumnNoRef(L"nom")->bSetValue(&clValue, 0));
        CNACommand* pclCommand = new CNACommand(m_pclError, m_pclCnx);
        pclCommand->AddRef();
        int bOk = pcl->bBuildQuery(NAQUERYTYPE_INSERT, pclCommand, 0);
        if (bOk) bOk = pcl->bExecute(0, CNAStatement::NA_ST_NOPREPARE);
        if (bOk) bOk = pcl->bUpdateRecordAfterInsert(NAQUERYTYPE_INSERT, 0);
        pclCommand->nRelease();
        ASSERT_TRUE(bOk) << sError();
        EXPECT_EQ(sCurrentId(), std::to_string(nExpected));
    }
    // The ids the host read, as the server numbered the rows.
    std::vector<std::optional<std::string>> aIds;
    ASSERT_TRUE(m_clRows.bColumn("SELECT id FROM " + m_sTable + " ORDER BY nom", &aIds));
    EXPECT_EQ(aIds, (std::vector<std::optional<std::string>>{"1", "2", "3"}));
    int nInserts = 0;
    for (const std::string& s : clLog.Statements())
        if (s.rfind("INSERT", 0) == 0 && s.find(m_sTable) != std::string::npos) {
            nInserts++;
            EXPECT_NE(s.find("RETURNING"), std::string::npos) << s;
        }
    EXPECT_EQ(nInserts, 3);
}

}  // namespace
