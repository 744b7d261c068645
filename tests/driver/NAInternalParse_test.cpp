// Internal queries read as text. Without a server, a statement over a scripted result stands for
// the executed query, so that the rows, the NULL values, the end of the rows and a fetch that fails
// can each be placed where the test wants them; on the test server, the queries run as the driver
// runs its own.
#include "native/driver/NAInternalParse.h"

#include <gtest/gtest.h>

#include <string>

#include "core/XYStringConcat.h"
#include "native/statement/NAStatement.h"
#include "tests/driver/InternalServerFixture.h"
#include "tests/statement/StatementFixture.h"

namespace {

using namespace stmttest;

// The internal query over a statement the test opened, as the factory leaves it after a
// successful execution: the access and the statement held, the record cache off.
class CTestInternalParse : public CNAInternalParse {
public:
    CTestInternalParse(CNAError* pclError, CNAConnectionDescription* pclCnx, CNADataAccess* pclAccess,
                       CNAStatement* pclStatement)
        : CNAInternalParse(pclError, pclCnx) {
        pclAccess->AddRef();
        m_pclDataAccess = pclAccess;
        if (pclStatement != nullptr) {
            pclStatement->AddRef();
            pclStatement->EnableCache(0);
        }
        m_pclStatement = pclStatement;
    }
};

// The access double whose own record layout is the fixture's record, as an access over an
// executed query holds its result's layout.
class CQueryAccess : public CAccessDouble {
public:
    using CAccessDouble::CAccessDouble;
    ~CQueryAccess() override {
        if (m_pclRecord != nullptr) m_pclRecord->nRelease();
        m_pclRecord = nullptr;
    }
    void SetLayout(CNARecord* pcl) {
        pcl->AddRef();
        m_pclRecord = pcl;
    }
};

class InternalParseTest : public StatementTest {
protected:
    void SetUp() override {
        StatementTest::SetUp();
        // The fixture's access is replaced by one whose record layout the query reads.
        m_pclRecord->nRelease();
        m_pclAccess->nRelease();
        auto* pclAccess = new CQueryAccess(m_pclHost, m_pclCnx, m_pclError);
        pclAccess->AddRef();
        pclAccess->fnId = [this](CNARecordValue* pcl) { return sIdOf(pcl); };
        m_pclAccess = pclAccess;
        m_pclRecord = new CNARecord(m_pclError, m_pclAccess);
        m_pclRecord->AddRef();
        ASSERT_TRUE(m_pclRecord->bInitRecord(m_pclHost, m_pclServer, m_pclCnx));
        m_pclAccess->SetCurrentRecord(m_pclRecord);
        pclAccess->SetLayout(m_pclRecord);
    }
    void TearDown() override {
        if (m_pclParse != nullptr) m_pclParse->dwRelease();
        m_pclParse = nullptr;
        StatementTest::TearDown();
    }

    // The query executed over these rows (a statement that holds them), with the internal query
    // holding the statement; bNoResult: a query without a result set (no statement).
    CNAInternalParse* pclQuery(std::vector<Row> aRows, bool bNoResult = false) {
        CNAStatement* pclStmt = nullptr;
        if (!bNoResult) {
            m_stScript.aResults.push_back({aRows, 0});
            CTestStatement* pcl = pclStatement(L"");
            EXPECT_TRUE(Open(pcl, CNAStatement::NO_LIMIT, false));
            pclStmt = pcl;
        }
        m_pclParse = new CTestInternalParse(m_pclError, m_pclCnx, m_pclAccess, pclStmt);
        m_pclParse->AddRef();
        return m_pclParse;
    }
    // The number (from 1) of the script's call that fetches the row of that rank (from 1) once the
    // query is open: one fetch and two column values per row.
    int nFetchCallOfRow(int nRow) { return static_cast<int>(m_stScript.aCalls.size()) + 1 + 3 * (nRow - 1); }

    static std::wstring wsText(const CXYStringConcat<wchar_t>& cl) { return cl.pszGet(); }

    CNAInternalParse* m_pclParse = nullptr;
};

TEST_F(InternalParseTest, RowsAsTextJoinRowsAndValuesByTheirSeparatorsOnly) {
    struct stCase {
        const char* pszName;
        std::vector<Row> aRows;
        const wchar_t* pszRow;
        const wchar_t* pszColumn;
        std::wstring wsExpected;
    };
    const stCase aCases[] = {
        {"two rows", {{"1", "un"}, {"2", "deux"}}, L"\n", L"\t", L"1\tun\n2\tdeux"},
        {"NULL at the end of a row keeps its separator", {{"1", std::nullopt}, {"2", "b"}}, L"\n", L"\t", L"1\t\n2\tb"},
        {"an empty text adds nothing but its separator", {{"7", ""}}, L"\n", L"\t", L"7\t"},
        {"longer separators", {{"1", "a"}, {"2", "b"}}, L"\r\n", L" | ", L"1 | a\r\n2 | b"},
        {"no separators", {{"1", "a"}, {"2", "b"}}, L"", L"", L"1a2b"},
        {"no rows", {}, L"\n", L"\t", L""},
    };
    for (const stCase& st : aCases) {
        SCOPED_TRACE(st.pszName);
        CNAInternalParse* pcl = pclQuery(st.aRows);
        CXYStringConcat<wchar_t> clOut;
        EXPECT_EQ(pcl->bFetchAll(&clOut, st.pszRow, st.pszColumn), 1) << sError();
        EXPECT_EQ(wsText(clOut), st.wsExpected);
        m_pclParse->dwRelease();
        m_pclParse = nullptr;
    }
}

// A fetch that fails ends the text where it was and the call fails with it: a dump cut short must
// not pass for the whole result.
TEST_F(InternalParseTest, AFailedFetchFailsTheWholeReadAndKeepsTheRowsBeforeIt) {
    for (int nRow : {1, 2, 3}) {
        SCOPED_TRACE(nRow);
        m_pclError->Reset();
        m_stScript.aCalls.clear();
        CNAInternalParse* pcl = pclQuery({{"1", "a"}, {"2", "b"}, {"3", "c"}});
        m_stScript.nFailAt = nFetchCallOfRow(nRow);
        CXYStringConcat<wchar_t> clOut;
        EXPECT_EQ(pcl->bFetchAll(&clOut, L"\n", L"\t"), 0);
        const std::wstring awsBefore[] = {L"", L"1\ta", L"1\ta\n2\tb"};
        EXPECT_EQ(wsText(clOut), awsBefore[nRow - 1]);
        EXPECT_EQ(m_pclError->dwGetErrorId(), USER_ERROR_SERVER);
        m_stScript.nFailAt = 0;
        m_pclParse->dwRelease();
        m_pclParse = nullptr;
    }
}

TEST_F(InternalParseTest, OneRowAtATimeAsTextAsValuesAndThenOutOfTheFile) {
    CNAInternalParse* pcl = pclQuery({{"1", "a"}, {"2", std::nullopt}});
    EXPECT_EQ(pcl->nGetColumnNbr(), 2);
    EXPECT_EQ(pcl->pclGetColumnNoRef(L"NOM"), pcl->pclGetColumnNoRef(1));
    EXPECT_EQ(pcl->pclGetColumnNoRef(2), nullptr);

    int bOut = -1;
    CXYStringConcat<wchar_t> clOut;
    ASSERT_EQ(pcl->bFetchData(NA_PARSE_FIRST, &bOut, &clOut, L"\n", L"\t"), 1);
    EXPECT_EQ(bOut, 0);
    EXPECT_EQ(wsText(clOut), L"1\ta");

    CAny aclValues[2];
    ASSERT_EQ(pcl->bFetchData(NA_PARSE_NEXT, &bOut, aclValues, 2), 1);
    EXPECT_EQ(bOut, 0);
    int n = 0;
    EXPECT_EQ(aclValues[0].nGetINT(&n), 0);
    EXPECT_EQ(n, 2);
    EXPECT_TRUE(aclValues[1].bIsNull());

    // Past the last row: out of the file, nothing added.
    ASSERT_EQ(pcl->bFetchData(NA_PARSE_NEXT, &bOut, &clOut, L"\n", L"\t"), 1);
    EXPECT_EQ(bOut, 1);
    EXPECT_EQ(wsText(clOut), L"1\ta");
    ASSERT_EQ(pcl->bFetch(NA_PARSE_FIRST, &bOut), 1);
    EXPECT_EQ(bOut, 0);
}

TEST_F(InternalParseTest, ARunAgainReadsTheRowsOfTheNewExecution) {
    CNAInternalParse* pcl = pclQuery({{"1", "a"}});
    CXYStringConcat<wchar_t> clOut;
    ASSERT_EQ(pcl->bFetchAll(&clOut, L"\n", L"\t"), 1);
    m_stScript.aResults.push_back({{{"1", "a"}, {"2", "b"}}, 0});
    ASSERT_EQ(pcl->bReExecute(), 1) << sError();
    EXPECT_EQ(m_stScript.aSent.back(), "<prepared>");
    clOut.Vide();
    ASSERT_EQ(pcl->bFetchAll(&clOut, L"\n", L"\t"), 1);
    EXPECT_EQ(wsText(clOut), L"1\ta\n2\tb");
}

// A query without a result set has no statement: there is nothing to read, and reading the rows as
// text says so; a move is out of the file.
TEST_F(InternalParseTest, AQueryWithoutResultSetHasNoRows) {
    CNAInternalParse* pcl = pclQuery({}, true);
    CXYStringConcat<wchar_t> clOut;
    EXPECT_EQ(pcl->bFetchAll(&clOut, L"\n", L"\t"), 0);
    EXPECT_TRUE(clOut.bEstVide());
    int bOut = 0;
    EXPECT_EQ(pcl->bFetch(NA_PARSE_FIRST, &bOut), 1);
    EXPECT_EQ(bOut, 1);
    CAny clValue;
    EXPECT_EQ(pcl->bFetchData(NA_PARSE_FIRST, &bOut, &clValue, 1), 0);
    EXPECT_EQ(pcl->bFetchData(NA_PARSE_FIRST, &bOut, &clOut, L"\n", L"\t"), 0);
    EXPECT_EQ(pcl->nGetColumnNbr(), 0);
    EXPECT_EQ(pcl->bReExecute(), 0);
}

// ---------------------------------------------------------------------------------- on the server

using internaltest::InternalServerTest;

class InternalParseServerTest : public InternalServerTest {
protected:
    // All the rows of the query as text (line ends between rows, tabs between values) and the
    // answer; the error object is emptied first.
    int bText(const std::string& sSQL, std::wstring* pwsOut) {
        m_pclError->Reset();
        CXYStringConcat<wchar_t> clOut;
        const int bResult = CNAInternalParse::s_bDoInternalParse(internaltest::wsOf(sSQL).c_str(), m_pclError, m_pclCnx,
                                                                 &clOut, L"\n", L"\t");
        *pwsOut = clOut.pszGet();
        return bResult;
    }
};

TEST_F(InternalParseServerTest, RowsAsTextFromTheServer) {
    const std::string sTableName = sTable("rows", "id int, name text, city text");
    server().Run("INSERT INTO " + sTableName + " VALUES (1, 'Anne', 'Lyon'), (2, NULL, 'Nice'), (3, 'Zoé', NULL)");
    struct stCase {
        std::string sSQL;
        std::wstring wsExpected;
    };
    const stCase aCases[] = {
        {"SELECT id, name FROM " + sTableName + " WHERE id <> 2 ORDER BY id", L"1\tAnne\n3\tZoé"},
        // A NULL between two values: two column separators side by side.
        {"SELECT name, id, city FROM " + sTableName + " ORDER BY id", L"Anne\t1\tLyon\n\t2\tNice\nZoé\t3\t"},
        {"SELECT city, NULL::text, name FROM " + sTableName + " WHERE id = 1", L"Lyon\t\tAnne"},
        {"SELECT id FROM " + sTableName + " WHERE id > 10", L""},
        {"SELECT count(*) FROM " + sTableName, L"3"},
    };
    for (const stCase& st : aCases) {
        SCOPED_TRACE(st.sSQL);
        std::wstring ws;
        EXPECT_EQ(bText(st.sSQL, &ws), 1) << sError();
        EXPECT_EQ(ws, st.wsExpected);
        EXPECT_EQ(m_pclError->eGetErrorType(), -1) << sError();
    }
}

// The server refuses the text: no query object, and the server's refusal in the error object.
TEST_F(InternalParseServerTest, AQueryTheServerRefusesGivesNoQuery) {
    const std::string sMissing = m_sPrefix + "no_such_table";
    m_pclError->Reset();
    EXPECT_EQ(CNAInternalParse::s_pclGetNAInternalParse(internaltest::wsOf("SELECT * FROM " + sMissing).c_str(),
                                                        m_pclError, m_pclCnx),
              nullptr);
    EXPECT_NE(m_pclError->eGetErrorType(), -1);
    EXPECT_NE(sError().find(sMissing), std::string::npos) << sError();
    std::wstring ws;
    EXPECT_EQ(bText("SELECT * FROM " + sMissing, &ws), 0);
    EXPECT_TRUE(ws.empty());
}

// A text that changes rows gives no result set: the query holds no statement, so there is nothing
// to read; the change itself is made.
TEST_F(InternalParseServerTest, AQueryWithoutResultSet) {
    const std::string sTableName = sTable("nores", "id int");
    server().Run("INSERT INTO " + sTableName + " VALUES (1), (2)");
    m_pclError->Reset();
    CNAInternalParse* pcl = CNAInternalParse::s_pclGetNAInternalParse(
        internaltest::wsOf("UPDATE " + sTableName + " SET id = id + 10").c_str(), m_pclError, m_pclCnx);
    ASSERT_NE(pcl, nullptr) << sError();
    pcl->AddRef();
    EXPECT_EQ(pcl->pclGetStatementNoRef(), nullptr);
    int bOut = 0;
    EXPECT_EQ(pcl->bFetch(NA_PARSE_FIRST, &bOut), 1);
    EXPECT_EQ(bOut, 1);
    CXYStringConcat<wchar_t> clOut;
    EXPECT_EQ(pcl->bFetchAll(&clOut, L"\n", L"\t"), 0);
    EXPECT_TRUE(clOut.bEstVide());
    pcl->dwRelease();
    EXPECT_EQ(server().sValue("SELECT sum(id) FROM " + sTableName), "23");
}

// The rows are read once, in order: the statement keeps no record cache. The columns are the
// result's, by name and by place.
TEST_F(InternalParseServerTest, AKeptQueryReadsItsRowsWithoutRecordCache) {
    const std::string sTableName = sTable("kept", "id int, label text");
    server().Run("INSERT INTO " + sTableName + " VALUES (1, 'one'), (2, 'two')");
    m_pclError->Reset();
    CNAInternalParse* pcl = CNAInternalParse::s_pclGetNAInternalParse(
        internaltest::wsOf("SELECT id, label FROM " + sTableName + " ORDER BY id").c_str(), m_pclError, m_pclCnx);
    ASSERT_NE(pcl, nullptr) << sError();
    pcl->AddRef();
    ASSERT_NE(pcl->pclGetStatementNoRef(), nullptr);
    EXPECT_FALSE(pcl->pclGetStatementNoRef()->bCacheEnabled());
    ASSERT_EQ(pcl->nGetColumnNbr(), 2);
    EXPECT_EQ(pcl->pclGetColumnNoRef(L"LABEL"), pcl->pclGetColumnNoRef(1));
    CAny aclValues[2];
    int bOut = 1;
    ASSERT_EQ(pcl->bFetchData(NA_PARSE_FIRST, &bOut, aclValues, 2), 1) << sError();
    EXPECT_EQ(bOut, 0);
    CXYStringConcat<wchar_t> clOut;
    ASSERT_EQ(pcl->bFetchData(NA_PARSE_NEXT, &bOut, &clOut, L",", L"|"), 1) << sError();
    EXPECT_EQ(std::wstring(clOut.pszGet()), L"2|two");
    ASSERT_EQ(pcl->bFetch(NA_PARSE_NEXT, &bOut), 1);
    EXPECT_EQ(bOut, 1);
    pcl->dwRelease();
}

}  // namespace
