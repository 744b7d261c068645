// The SQL-command functions against the test server, called as the host calls them (through the
// virtual table of the driver object's interface number 1): connection and statement handles,
// values of each server type compared with what the server itself writes, rows and columns,
// parameters, server errors, transactions and locks.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "native/driver/NAConnectionDescription.h"
#include "native/model/NADataSourceDescription.h"
#include "tests/host/StandInTabValParser.h"
#include "tests/support/PgSession.h"
#include "tests/support/StatementLog.h"
#include "tests/pgsql/SQLCommandTestSupport.h"

using namespace pgtest;

namespace {

class PSQLDriverSQLServerTest : public CSQLCommandTest {};

std::wstring wsUTF8(const std::string& s) {
    CTString cl;
    cl.SetANSI(s.c_str(), 65001);
    return cl.pszGet() != nullptr ? std::wstring(cl.pszGet()) : std::wstring();
}

// ------------------------------------------------------------------------------------ handles

// Every open is a connection of its own; statements are numbered across connections; a text
// without columns runs and hands out no statement; a freed or unknown handle answers false and
// writes nothing; results stay readable after their connection is closed.
TEST_F(PSQLDriverSQLServerTest, ConnectionAndStatementHandles) {
    KX_REQUIRE_PG_SERVER();
    const int nFirst = nOpen();
    const int nSecond = nOpen();
    ASSERT_NE(nFirst, 0);
    ASSERT_NE(nSecond, 0);
    EXPECT_NE(nFirst, nSecond);
    EXPECT_NE(nBackendPid(nFirst), nBackendPid(nSecond));
    for (int nCnx : {nFirst, nSecond}) {
        CNAConnectionDescription* pclCnx = m_clDriver->pclGetConnectionByID(nCnx);
        ASSERT_NE(pclCnx, nullptr);
        EXPECT_EQ(pclCnx->bGetConnectionSQL(), 1u);
        const std::wstring sId = pclCnx->pszGetIdentification();
        EXPECT_NE(sId.find(L";SQLConnecte"), std::wstring::npos) << sOf(sId.c_str());
        pclCnx->nRelease();
    }

    // A text without columns: run, nothing kept.
    CPgSession().Run("CREATE TABLE IF NOT EXISTS kxsqlcmd_handles (n int)");
    const unsigned nKept = pclSQL()->nGetStatementCount();
    int nStmt = -1;
    EXPECT_EQ(bExecute(nFirst, L"UPDATE kxsqlcmd_handles SET n = n", &nStmt), 1);
    EXPECT_EQ(nStmt, 0);
    EXPECT_EQ(pclSQL()->nGetStatementCount(), nKept);

    // A result without rows: the first fetch answers false and nothing is wrong.
    const int nEmpty = nRun(nFirst, L"SELECT n FROM kxsqlcmd_handles WHERE false");
    ASSERT_NE(nEmpty, 0);
    EXPECT_EQ(bFetch(nFirst, nEmpty), 0);
    EXPECT_EQ(nLastErrorId(), 0u);

    // Statement handles follow one another across connections, and any connection handle finds them.
    const int nA = nRun(nFirst, L"SELECT 'a' UNION ALL SELECT 'b'");
    const int nB = nRun(nSecond, L"SELECT 'c'");
    EXPECT_EQ(nB, nA + 1);
    ASSERT_EQ(bFetch(nSecond, nA), 1);
    EXPECT_EQ(osValue(12345, nA, 1), L"a");

    // The connection goes: its results stay on the client until freed (while they live, they hold
    // the connection too).
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_CLOSE, nFirst), 1);
    ASSERT_EQ(bFetch(nFirst, nA), 1);
    EXPECT_EQ(osValue(nFirst, nA, 1), L"b");
    EXPECT_EQ(bFetch(nFirst, nA), 0);
    EXPECT_EQ(nLastErrorId(), 0u);

    // Freed, never issued, and 0: false, nothing written, nothing taken.
    EXPECT_EQ(bFree(nSecond, nA), 1);
    EXPECT_EQ(bFree(nSecond, nA), 1);
    EXPECT_EQ(bFree(nSecond, 987654), 1);
    for (int nHandle : {nA, 987654, 0}) {
        SCOPED_TRACE(nHandle);
        CAny clValue;
        clValue.SetI4(5);
        int nColumns = 9;
        INAError* piError = nullptr;
        EXPECT_EQ(bFetch(nSecond, nHandle), 0);
        EXPECT_EQ(HostCall<int>(m_pSQL, SQL_VALUE, &clValue, nSecond, nHandle, 1u, 0u), 0);
        EXPECT_EQ(HostCall<int>(m_pSQL, SQL_BLOB, &clValue, nSecond, nHandle, 1u, 0u), 0);
        EXPECT_EQ(HostCall<int>(m_pSQL, SQL_ROW, &clValue, nSecond, nHandle, L",", 0, 0u), 0);
        EXPECT_EQ(HostCall<int>(m_pSQL, SQL_COLUMNNAME, &clValue, nSecond, nHandle, 1u, 0u), 0);
        EXPECT_EQ(HostCall<int>(m_pSQL, SQL_COLUMNLIST_STMT, &clValue, nSecond, nHandle, 0u), 0);
        EXPECT_EQ(HostCall<void*>(m_pSQL, SQL_TABLEDESC_STMT, nSecond, nHandle, 0u), nullptr);
        EXPECT_EQ(HostCall<int>(m_pSQL, SQL_STMTERROR, &piError, nSecond, nHandle), 0);
        EXPECT_EQ(piError, nullptr);
        EXPECT_EQ(clValue.nGetTypeCode(), VQTYPE_I4);
        if (nHandle == 0) {
            EXPECT_EQ(HostCall<int>(m_pSQL, SQL_COLUMNNBR, &nColumns, nSecond, nHandle, 0u), 1);
            EXPECT_EQ(nColumns, 0);
        } else {
            EXPECT_EQ(HostCall<int>(m_pSQL, SQL_COLUMNNBR, &nColumns, nSecond, nHandle, 0u), 0);
            EXPECT_EQ(nColumns, 9);
        }
    }
    ASSERT_EQ(bFetch(nSecond, nB), 1);
    EXPECT_EQ(osValue(nSecond, nB, 1), L"c");
    EXPECT_EQ(bFree(nSecond, nB), 1);
    EXPECT_EQ(bFree(nSecond, nEmpty), 1);
    EXPECT_EQ(pclSQL()->nGetStatementCount(), nKept);
    // A closed connection no handle reaches once its results are freed.
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_CLOSE, nSecond), 1);
    EXPECT_EQ(m_clDriver->pclGetConnectionByID(nSecond), nullptr);
    int nUnwritten = 77;
    EXPECT_EQ(bExecute(nSecond, L"SELECT 1", &nUnwritten), 0);
    EXPECT_EQ(nUnwritten, 77);
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_CLOSE, nSecond), 1);

    // A connection handle that names no connection: false, nothing written.
    CAny clList;
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_TABLELIST, &clList, 987654, nullptr, 1u), 0);
    EXPECT_EQ(clList.nGetTypeCode(), VQTYPE_VIDE);
    EXPECT_EQ(HostCall<void*>(m_pSQL, SQL_TABLEDESC_TABLE, 987654, L"t", 0u), nullptr);
}

// ------------------------------------------------------------------------------------ values

// Each server type's value as the host reads it: the server's own text, booleans as 1 or 0, dates
// and times as their digits (an SQL-command connection), byte strings as their bytes.
TEST_F(PSQLDriverSQLServerTest, ValuesOfEachServerType) {
    KX_REQUIRE_PG_SERVER();
    enum eReading { AS_WRITTEN, BOOLEAN, DIGITS_ONLY, BYTES };
    const struct {
        const char* pszExpression;
        eReading eRule;
    } tabCases[] = {
        {"32767::int2", AS_WRITTEN},
        {"(-2147483648)::int4", AS_WRITTEN},
        {"9007199254740993::int8", AS_WRITTEN},
        {"12345678.9::numeric(10,2)", AS_WRITTEN},
        {"1.000000000000000000000000001::numeric", AS_WRITTEN},
        {"0.1::float8", AS_WRITTEN},
        {"1.5::float4", AS_WRITTEN},
        {"'O''Brien \\ \u00e9\u20ac'::text", AS_WRITTEN},
        {"'ab'::varchar(5)", AS_WRITTEN},
        {"'ab'::char(4)", AS_WRITTEN},
        {"'6ecd8c99-4036-403d-bf84-cf8400f67836'::uuid", AS_WRITTEN},
        {"1234::oid", AS_WRITTEN},
        {"true", BOOLEAN},
        {"false", BOOLEAN},
        {"'2024-01-02'::date", DIGITS_ONLY},
        {"'03:04:05.678'::time", DIGITS_ONLY},
        {"'2024-01-02 03:04:05.678'::timestamp", DIGITS_ONLY},
        {"'2024-01-02 03:04:05+02'::timestamptz", DIGITS_ONLY},
        {"'03:04:05+02'::timetz", DIGITS_ONLY},
        {"'1 day 02:03:04'::interval", AS_WRITTEN},
        {"'\\xdeadbeef00'::bytea", BYTES},
        {"''::bytea", BYTES},
        {"NULL::int4", AS_WRITTEN},
        {"NULL::bytea", BYTES},
    };
    CPgSession clServer;
    const int nCnx = nOpen();
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszExpression);
        const std::string sExpression = stCase.pszExpression;
        // The server's own text of the value, in its session settings as the driver set them.
        pgtest::Rows aExpected =
            clServer.Query("SET DateStyle=iso, ymd; SELECT " + sExpression + ", encode(" +
                           (stCase.eRule == BYTES ? sExpression : std::string("''::bytea")) + ", 'hex')");
        ASSERT_EQ(aExpected.size(), 1u);
        const int nStmt = nRun(nCnx, L"SELECT " + wsUTF8(sExpression));
        ASSERT_NE(nStmt, 0);
        ASSERT_EQ(bFetch(nCnx, nStmt), 1);
        const std::optional<std::string>& osServer = aExpected[0][0];
        if (stCase.eRule == BYTES) {
            CAny clValue;
            ASSERT_EQ(HostCall<int>(m_pSQL, SQL_BLOB, &clValue, nCnx, nStmt, 1u, 0u), 1);
            if (!osServer.has_value()) {
                EXPECT_TRUE(clValue.bIsNull());
            } else {
                EXPECT_EQ(clValue.nGetTypeCode(), VQTYPE_BIN);
                EXPECT_FALSE(clValue.bIsNull());
                std::string sHex;
                void* p = nullptr;
                unsigned long n = 0;
                clValue.pclGetValeur()->nGetDataAdr(&p);
                clValue.pclGetValeur()->nGetUtilDataSize(&n);
                for (unsigned long i = 0; i < n; i++) {
                    char sz[3];
                    snprintf(sz, sizeof(sz), "%02x", static_cast<const unsigned char*>(p)[i]);
                    sHex += sz;
                }
                EXPECT_EQ(sHex, *aExpected[0][1]);
            }
        } else {
            std::optional<std::wstring> osExpected;
            if (osServer.has_value()) {
                std::wstring s = wsUTF8(*osServer);
                if (stCase.eRule == BOOLEAN) s = s == L"t" ? L"1" : L"0";
                if (stCase.eRule == DIGITS_ONLY)
                    s.erase(
                        std::remove_if(s.begin(), s.end(), [](wchar_t c) { return wcschr(L":- /.", c) != nullptr; }),
                        s.end());
                osExpected = s;
            }
            int bOk = 0;
            EXPECT_EQ(osValue(nCnx, nStmt, 1, &bOk), osExpected);
            EXPECT_EQ(bOk, 1);
        }
        bFree(nCnx, nStmt);
    }
}

// ------------------------------------------------------------------------------------ rows, columns, parameters

// A row as one text, column names (numbered from 1), the column list and a description of the
// result.
TEST_F(PSQLDriverSQLServerTest, RowsColumnsAndTheResultsDescription) {
    KX_REQUIRE_PG_SERVER();
    const int nCnx = nOpen();
    const int nStmt = nRun(nCnx, L"SELECT 1 AS a, NULL::text AS b, 'x'::varchar(10) AS c");
    int nColumns = 0;
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_COLUMNNBR, &nColumns, nCnx, nStmt, 0u), 1);
    EXPECT_EQ(nColumns, 3);
    ASSERT_EQ(bFetch(nCnx, nStmt), 1);
    CAny clRow;
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_ROW, &clRow, nCnx, nStmt, L", ", 0, 0u), 1);
    EXPECT_EQ(osAnyText(clRow), L"1, , x");
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_ROW, &clRow, nCnx, nStmt, L"|", 2, 0u), 1);
    EXPECT_EQ(osAnyText(clRow), L"1|");
    CAny clName;
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_COLUMNNAME, &clName, nCnx, nStmt, 1u, 0u), 1);
    EXPECT_EQ(osAnyText(clName), L"a");
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_COLUMNNAME, &clName, nCnx, nStmt, 3u, 0u), 1);
    EXPECT_EQ(osAnyText(clName), L"c");
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_COLUMNNAME, &clName, nCnx, nStmt, 4u, 0u), 0);
    EXPECT_EQ(nLastErrorId(), 50u);
    EXPECT_EQ(osValue(nCnx, nStmt, 1), L"1");
    EXPECT_EQ(osValue(nCnx, nStmt, 2), std::nullopt);
    EXPECT_EQ(nLastErrorId(), 0u);
    CAny clList;
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_COLUMNLIST_STMT, &clList, nCnx, nStmt, 0u), 1);
    EXPECT_EQ(osAnyText(clList), L"a\r\nb\r\nc");

    auto* piDesc = HostCall<INADataSourceDescription*>(m_pSQL, SQL_TABLEDESC_STMT, nCnx, nStmt, 0u);
    ASSERT_NE(piDesc, nullptr) << sOf(wsLastError().c_str());
    auto* pclDesc = static_cast<CNADataSourceDescription*>(piDesc);
    ASSERT_EQ(pclDesc->nGetNumItems(), 3u);
    const std::vector<std::wstring> aNames = {L"a", L"b", L"c"};
    for (unsigned i = 0; i < 3; i++) {
        CNAItemDescription* pclItem = pclDesc->pclGetItemNoRef(static_cast<int>(i));
        EXPECT_EQ(std::wstring(pclItem->pszGetName()), aNames[i]);
        EXPECT_EQ(pclItem->nGetPhysicalIndice(), static_cast<int>(i));
    }
    EXPECT_EQ(pclDesc->pclGetItemNoRef(2)->eNAGetItemType(), NA_IT_UNICODE);
    EXPECT_EQ(pclDesc->pclGetItemNoRef(2)->nGetItemSize(), 22u);
    EXPECT_EQ(pclDesc->nGetExternalRef(), 1u);
    piDesc->nExternalRelease();
    bFree(nCnx, nStmt);
}

// Result columns that share a name are told apart as the host reads them (x, x2, x3), and a
// description made for a result without a name is named after its statement, in decimal.
TEST_F(PSQLDriverSQLServerTest, ResultColumnsOfOneName) {
    KX_REQUIRE_PG_SERVER();
    const int nCnx = nOpen();
    const int nStmt = nRun(nCnx, L"SELECT 1 AS x, 2 AS x, 3 AS x");
    auto* piDesc = HostCall<INADataSourceDescription*>(m_pSQL, SQL_TABLEDESC_STMT, nCnx, nStmt, 0u);
    ASSERT_NE(piDesc, nullptr) << sOf(wsLastError().c_str());
    auto* pclDesc = static_cast<CNADataSourceDescription*>(piDesc);
    ASSERT_EQ(pclDesc->nGetNumItems(), 3u);
    const std::vector<std::wstring> aNames = {L"x", L"x2", L"x3"};
    for (unsigned i = 0; i < 3; i++) {
        CNAItemDescription* pclItem = pclDesc->pclGetItemNoRef(static_cast<int>(i));
        EXPECT_EQ(std::wstring(pclItem->pszGetName()), aNames[i]);
        EXPECT_EQ(pclItem->nGetPhysicalIndice(), static_cast<int>(i));
    }
    const std::wstring wsName = piDesc->pszGetLogicalName();
    EXPECT_FALSE(wsName.empty());
    EXPECT_EQ(wsName.find_first_not_of(L"0123456789"), std::wstring::npos) << sOf(wsName.c_str());
    EXPECT_EQ(std::wstring(piDesc->pszGetDBTableName()), wsName);
    piDesc->nExternalRelease();
    bFree(nCnx, nStmt);
}

// Values of a parameter table reach the server as literals and come back unchanged.
TEST_F(PSQLDriverSQLServerTest, ParametersRoundTrip) {
    KX_REQUIRE_PG_SERVER();
    const int nCnx = nOpen();
    CAny clText, clNumber;
    clText.__SetType(VQTYPE_PSTRW, 0);
    clText.pclGetValeur()->SetValue(L"O'Brien \\ \"q\" ; DROP TABLE x; --");
    clText.ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    clNumber.SetI4(-42);
    standin::CStandInTabValParser clParameters({{&clText, 7, 2, 0}, {&clNumber, 17, 2, 0}});
    int nStmt = 0;
    ASSERT_EQ(bExecute(nCnx, L"SELECT :a::text, :b::int", &nStmt, &clParameters), 1) << sOf(wsLastError().c_str());
    ASSERT_EQ(bFetch(nCnx, nStmt), 1);
    EXPECT_EQ(osValue(nCnx, nStmt, 1), L"O'Brien \\ \"q\" ; DROP TABLE x; --");
    EXPECT_EQ(osValue(nCnx, nStmt, 2), L"-42");
    bFree(nCnx, nStmt);
}

// ------------------------------------------------------------------------------------ errors

// A refused statement: user error 80 with the SQLSTATE, the class as database code (the whole
// code for 23505), the query in the dump; the statement's error is the same object.
TEST_F(PSQLDriverSQLServerTest, ServerErrors) {
    KX_REQUIRE_PG_SERVER();
    const int nCnx = nOpen();
    CPgSession().Run("CREATE TABLE IF NOT EXISTS kxsqlcmd_unique (k int PRIMARY KEY)");
    CPgSession().Run("INSERT INTO kxsqlcmd_unique VALUES (1) ON CONFLICT DO NOTHING");
    const struct {
        const wchar_t* pszSQL;
        const wchar_t* pszState;
        uint32_t nDataBaseCode;
    } tabCases[] = {
        {L"SELECT * FROM kxsqlcmd_no_such_table", L"42P01", 42},
        {L"INSERT INTO kxsqlcmd_unique VALUES (1)", L"23505", 23505},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(sOf(stCase.pszState));
        int nStmt = 77;
        EXPECT_EQ(bExecute(nCnx, stCase.pszSQL, &nStmt), 0);
        EXPECT_EQ(nStmt, 0);
        EXPECT_EQ(nLastErrorId(), 80u);
        const std::wstring sError = wsLastError();
        EXPECT_TRUE(bContains(sError, L"(SQLSTATE " + std::wstring(stCase.pszState) + L")")) << sOf(sError.c_str());
        EXPECT_TRUE(bContains(sError, L"IEKXPSQL=100.19"));
        EXPECT_TRUE(bContains(sError, stCase.pszSQL));
        EXPECT_EQ(pclSQL()->pclGetError()->dwGetDataBaseErrorCode(), stCase.nDataBaseCode);
    }
    // The connection goes on after a refusal.
    EXPECT_EQ(osQuery(nCnx, L"SELECT 2"), L"2");
}

// ------------------------------------------------------------------------------------ transactions and locks

// Transactions of these functions carry one name; locks need an open transaction (user error 29
// otherwise); a transaction number is never written.
TEST_F(PSQLDriverSQLServerTest, TransactionsAndLocks) {
    KX_REQUIRE_PG_SERVER();
    CPgSession().Run("CREATE TABLE IF NOT EXISTS kxsqlcmd_locks (n int)");
    const int nCnx = nOpen();
    const long nPid = nBackendPid(nCnx);
    pgsandbox::CStatementLog clLog;
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_TRSCOMMIT, nCnx, 0, 0u), 0);
    EXPECT_EQ(nLastErrorId(), 9u);

    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_LOCKTABLE, nCnx, L"kxsqlcmd_locks", 0u), 0);
    EXPECT_EQ(nLastErrorId(), 29u);
    EXPECT_TRUE(bContains(wsLastError(), L"IEKXPSQL=51.3"));
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_LOCKQUERY, nCnx, L"SELECT * FROM kxsqlcmd_locks", 0u), 0);
    EXPECT_EQ(nLastErrorId(), 29u);
    EXPECT_TRUE(bContains(wsLastError(), L"IEKXPSQL=51.2"));

    int nTrs = 55;
    ASSERT_EQ(HostCall<int>(m_pSQL, SQL_TRSBEGIN, &nTrs, nCnx, 0u), 1) << sOf(wsLastError().c_str());
    EXPECT_EQ(nTrs, 55);
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_LOCKTABLE, nCnx, L"kxsqlcmd_locks", 0u), 1) << sOf(wsLastError().c_str());
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_LOCKQUERY, nCnx, L"SELECT * FROM kxsqlcmd_locks", 0u), 1)
        << sOf(wsLastError().c_str());
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_TRSROLLBACK, nCnx, 0, 0u), 1) << sOf(wsLastError().c_str());
    const std::vector<std::string> aExpected = {"BEGIN", "LOCK TABLE kxsqlcmd_locks",
                                                "SELECT * FROM kxsqlcmd_locks FOR UPDATE", "ROLLBACK"};
    EXPECT_EQ(clLog.Statements(nPid), aExpected);
}

// A statement the server refuses inside a transaction aborts it: the server then answers COMMIT
// as a success and keeps nothing. The commit fails with user error 76, another session does not
// see the row written before the refusal, and the transaction is over on both sides: a statement
// outside any transaction runs, and the next transaction commits its row.
TEST_F(PSQLDriverSQLServerTest, CommitOfATransactionTheServerAborted) {
    KX_REQUIRE_PG_SERVER();
    CPgSession clOther;
    const std::string sTable = "kxsqlcmd_aborted_" + std::to_string(getpid());
    const std::wstring wsTable = wsUTF8(sTable);
    clOther.Run("DROP TABLE IF EXISTS " + sTable);
    clOther.Run("CREATE TABLE " + sTable + " (k int PRIMARY KEY)");
    clOther.Run("INSERT INTO " + sTable + " VALUES (1)");
    const int nCnx = nOpen();
    auto sCount = [&](int k) {
        return clOther.sValue("SELECT count(*) FROM " + sTable + " WHERE k = " + std::to_string(k));
    };

    int nTrs = 0, nStmt = -1;
    ASSERT_EQ(HostCall<int>(m_pSQL, SQL_TRSBEGIN, &nTrs, nCnx, 0u), 1) << sOf(wsLastError().c_str());
    ASSERT_EQ(bExecute(nCnx, L"INSERT INTO " + wsTable + L" VALUES (2)", &nStmt), 1) << sOf(wsLastError().c_str());
    ASSERT_EQ(bExecute(nCnx, L"INSERT INTO " + wsTable + L" VALUES (1)", &nStmt), 0);
    EXPECT_EQ(pclSQL()->pclGetError()->dwGetDataBaseErrorCode(), 23505u);

    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_TRSCOMMIT, nCnx, 0, 0u), 0);
    EXPECT_EQ(nLastErrorId(), 76u);
    EXPECT_TRUE(bContains(wsLastError(), L"IEKXPSQL=101.21")) << sOf(wsLastError().c_str());
    EXPECT_EQ(sCount(2), "0");

    ASSERT_EQ(bExecute(nCnx, L"INSERT INTO " + wsTable + L" VALUES (3)", &nStmt), 1) << sOf(wsLastError().c_str());
    EXPECT_EQ(sCount(3), "1");
    ASSERT_EQ(HostCall<int>(m_pSQL, SQL_TRSBEGIN, &nTrs, nCnx, 0u), 1) << sOf(wsLastError().c_str());
    ASSERT_EQ(bExecute(nCnx, L"INSERT INTO " + wsTable + L" VALUES (4)", &nStmt), 1) << sOf(wsLastError().c_str());
    EXPECT_EQ(sCount(4), "0");
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_TRSCOMMIT, nCnx, 0, 0u), 1) << sOf(wsLastError().c_str());
    EXPECT_EQ(nLastErrorId(), 0u);
    EXPECT_EQ(sCount(4), "1");
    clOther.Run("DROP TABLE " + sTable);
}

// A close with a transaction open rolls it back and closes: another session sees no row the
// transaction wrote and no lock left, whether the transaction is the driver's or a BEGIN the host
// sent as SQL; the backend is gone.
TEST_F(PSQLDriverSQLServerTest, CloseWithATransactionOpenRollsBack) {
    KX_REQUIRE_PG_SERVER();
    CPgSession clOther;
    const std::string sTable = "kxsqlcmd_close_" + std::to_string(getpid());
    const std::wstring wsTable = wsUTF8(sTable);
    clOther.Run("DROP TABLE IF EXISTS " + sTable);
    clOther.Run("CREATE TABLE " + sTable + " (k int PRIMARY KEY, v int)");
    clOther.Run("INSERT INTO " + sTable + " VALUES (1, 10)");
    for (bool bDriverTransaction : {true, false}) {
        SCOPED_TRACE(bDriverTransaction ? "the driver's transaction" : "a BEGIN sent as SQL");
        const int nCnx = nOpen();
        ASSERT_NE(nCnx, 0);
        const long nPid = nBackendPid(nCnx);
        int nTrs = 0, nStmt = -1;
        if (bDriverTransaction)
            ASSERT_EQ(HostCall<int>(m_pSQL, SQL_TRSBEGIN, &nTrs, nCnx, 0u), 1) << sOf(wsLastError().c_str());
        else
            ASSERT_EQ(bExecute(nCnx, L"BEGIN", &nStmt), 1) << sOf(wsLastError().c_str());
        ASSERT_EQ(bExecute(nCnx, L"UPDATE " + wsTable + L" SET v = 20 WHERE k = 1", &nStmt), 1);
        ASSERT_EQ(bExecute(nCnx, L"INSERT INTO " + wsTable + L" VALUES (2, 2)", &nStmt), 1);
        const std::string sLocks = "SELECT count(*) FROM pg_locks WHERE pid = " + std::to_string(nPid);
        ASSERT_NE(clOther.sValue(sLocks), "0");

        EXPECT_EQ(HostCall<int>(m_pSQL, SQL_CLOSE, nCnx), 1) << sOf(wsLastError().c_str());
        EXPECT_EQ(clOther.sValue(sLocks), "0");
        EXPECT_EQ(clOther.sValue("SELECT string_agg(k || '=' || v, ',' ORDER BY k) FROM " + sTable), "1=10");
        // The row the transaction held is free: another session writes it at once.
        clOther.Run("SET lock_timeout = '2s'");
        clOther.Run("UPDATE " + sTable + " SET v = 10 WHERE k = 1");
        for (int i = 0; i < 100 && clOther.sValue("SELECT count(*) FROM pg_stat_activity WHERE pid = " +
                                                  std::to_string(nPid)) != "0";
             i++)
            usleep(20000);
        EXPECT_EQ(clOther.sValue("SELECT count(*) FROM pg_stat_activity WHERE pid = " + std::to_string(nPid)), "0");
    }
    clOther.Run("DROP TABLE " + sTable);
}

// ------------------------------------------------------------------------------------ fixed answers

// The column types are a fixed list that needs no connection; the links of a table are not listed.
TEST_F(PSQLDriverSQLServerTest, ColumnTypesAndLinks) {
    CAny clList;
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_COLUMNTYPES, &clList, 0, 0u), 1);
    EXPECT_EQ(clList.nGetTypeCode(), VQTYPE_DSTRW);
    EXPECT_EQ(osAnyText(clList),
              L"BIT\t1\r\nINT2\t13\r\nSMALLINT\t13\r\nINT4\t12\r\nINTEGER\t12\r\nINT8\t3\r\nBIGINT\t3\r\nREAL\t15\r\n"
              L"FLOAT4\t15\r\nFLOAT8\t14\r\nFLOAT8\t16\r\nDOUBLE PRECISION\t16\r\nDECIMAL\t11\r\nNUMERIC\t10\r\n"
              L"CHAR\t9\r\nVARCHAR\t20\r\nTEXT\t7\r\nDATE\t17\r\nTIME\t18\r\nTIMESTAMP\t19\r\nBIT\t6\r\n"
              L"BIT VARYING\t5\r\nBYTEA\t4");
    CAny clLinks;
    clLinks.__SetType(VQTYPE_DSTRW, 0);
    clLinks.SetNull(1);
    EXPECT_EQ(pclSQL()->bGetLinkList(&clLinks, nullptr, L"t", nullptr, 0), 1);
    EXPECT_TRUE(clLinks.bIsNull());
}

}  // namespace
