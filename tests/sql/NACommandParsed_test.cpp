// Queries the host has parsed, written again by the command builder: each stand-in parsed query
// with the exact SQL expected (a condition merged into the host's WHERE, a WHERE made for a
// condition, ORDER BY forward and reversed and cut after a unique item, computed columns expanded,
// functions and operators of the dialect, a date completed, UPDATE, INSERT, GROUP BY and HAVING),
// and the same text run on the test server with the rows it must give; the refusals (an item that
// refers to itself, expressions the server cannot read); empty dates; a query run as written; the
// query text copied with its filled values; host variables refreshed.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "native/driver/NAError.h"
#include "native/sql/NACommand.h"
#include "native/sql/SQLParserInfo.h"
#include "tests/host/StandInParsedQuery.h"
#include "tests/sql/CommandTestSupport.h"
#include "tests/sql/ParsedQueryTestSupport.h"
#include "tests/sql/PgExplain.h"

namespace {

using sqltest::CommandTest;
using sqltest::CQueryBuilder;
using sqltest::P;
using sqltest::stPiece;
using sqltest::T;
using namespace sqltest;
using tRows = std::vector<std::vector<std::string>>;

// The rows of the test server's tables for the queries below.
constexpr const char* PG_ROWS =
    "INSERT INTO t (a, b, c) VALUES (1, 'x1', 5), (2, NULL, NULL), (4, 'xa', 20), (5, 'yb', 8), (7, 'xc', NULL),"
    " (8, 'yb', 1);"
    "INSERT INTO \"Client\" (id, nom, naissance) VALUES (1, 'Ann', '2020-01-01'), (2, 'Bob', '2019-05-05'),"
    " (3, 'Cid', '2020-01-01');";

// How the rebuilt query gets its ORDER BY afterwards: none, the host's forward, the host's reversed.
enum eOrder { ORDER_NONE, ORDER_FORWARD, ORDER_BACKWARD };

struct QueryCase {
    const char* pszName;
    const wchar_t* pszQuery;
    std::function<void(CQueryBuilder&)> fnParse;  // the host's parse of the text
    std::vector<stPiece> tabCondition;             // the condition to merge (none when empty)
    eOrder eOrderBy;
    const wchar_t* pszExpected;
    // What the server gives for the text, and for writes the query that shows their effect.
    tRows tabRows;
    const wchar_t* pszCheck = nullptr;
};

const std::vector<QueryCase>& tabQueryCases() {
    static const std::vector<QueryCase> s_tab = {
        {"condition merged into the host's WHERE",
         L"SELECT a, b FROM t WHERE a > 3 ORDER BY a",
         [](CQueryBuilder& q) {
             q.From(L"t");
             q.Out(L"a");
             q.Out(L"b");
             q.Where(L"3", q.Op(OP_GREATER, L"a > 3", {q.Item(L"a", 1), q.Lit(L"3", q.Int(3))}));
             q.OrderBy({{L"a", 0}});
         },
         {T(L"\"c\"<="), P(10)},
         ORDER_FORWARD,
         L"SELECT \"a\", \"b\" FROM \"t\" WHERE ( \"t\".\"a\" > 3 ) AND (\"c\"<=10 ) ORDER BY \"a\"",
         {{"5", "yb"}, {"8", "yb"}}},
        {"a WHERE made for the condition",
         L"SELECT a, b FROM t ORDER BY b, a",
         [](CQueryBuilder& q) {
             q.From(L"t");
             q.Out(L"a");
             q.Out(L"b");
             q.OrderBy({{L"b", 1}, {L"a", 0}});
         },
         {T(L"\"a\"<>"), P(2)},
         ORDER_FORWARD,
         L"SELECT \"a\", \"b\" FROM \"t\" WHERE  \"a\"<>2 ORDER BY \"b\", \"a\"",
         {{"1", "x1"}, {"4", "xa"}, {"7", "xc"}, {"5", "yb"}, {"8", "yb"}}},
        {"ORDER BY reversed for a backward browse",
         L"SELECT a, b FROM t ORDER BY b DESC, a",
         [](CQueryBuilder& q) {
             q.From(L"t");
             q.Out(L"a");
             q.Out(L"b");
             q.OrderBy({{L"b", 1}, {L"a", 0}});
         },
         {},
         ORDER_BACKWARD,
         L"SELECT \"a\", \"b\" FROM \"t\" ORDER BY \"b\" ASC, \"a\" DESC",
         {{"1", "x1"}, {"4", "xa"}, {"7", "xc"}, {"8", "yb"}, {"5", "yb"}, {"2", "<NULL>"}}},
        {"computed column in the WHERE clause",
         L"SELECT a, a * 2 AS dbl FROM t WHERE dbl > 9 ORDER BY a",
         [](CQueryBuilder& q) {
             q.From(L"t");
             q.Out(L"a");
             q.Computed(L"dbl", L"a * 2", q.Op(OP_TIMES, L"a * 2", {q.Item(L"a", 1), q.Lit(L"2", q.Int(2))}));
             q.Where(L"9", q.Op(OP_GREATER, L"dbl > 9", {q.Item(L"dbl", 1), q.Lit(L"9", q.Int(9))}));
             q.OrderBy({{L"a", 0}});
         },
         {},
         ORDER_FORWARD,
         L"SELECT \"a\", \"t\".\"a\" * 2 AS \"dbl\" FROM \"t\" WHERE (\"t\".\"a\" * 2 ) > 9 ORDER BY \"a\"",
         {{"5", "10"}, {"7", "14"}, {"8", "16"}}},
        {"functions and operators",
         L"SELECT a, LEFT(b, 1) AS p FROM t WHERE a >= 1 AND (b LIKE 'x%' OR c IS NULL) ORDER BY a",
         [](CQueryBuilder& q) {
             q.From(L"t");
             q.Out(L"a");
             q.Computed(L"p", L"LEFT(b, 1)", q.Op(OP_LEFT, L"LEFT(b, 1)", {q.Item(L"b"), q.Lit(L"1", q.Int(1))}));
             auto* pclLike = q.Op(OP_LIKE, L"b LIKE 'x%'", {q.Item(L"b", 1), q.Lit(L"'x%'", q.Text(L"x%"))});
             auto* pclNull = q.Op(OP_ISNULL, L"c IS NULL", {q.Item(L"c")});
             auto* pclOr = q.Op(OP_OR, L"b LIKE 'x%' OR c IS NULL", {pclLike, pclNull});
             auto* pclGe = q.Op(OP_GREATEREQUAL, L"a >= 1", {q.Item(L"a", 1), q.Lit(L"1", q.Int(1), 1)});
             q.Where(L"NULL)", q.Op(OP_AND, L"a >= 1 AND (b LIKE 'x%' OR c IS NULL)", {pclGe, pclOr}));
             q.OrderBy({{L"a", 0}});
         },
         {},
         ORDER_FORWARD,
         L"SELECT \"a\", SUBSTRING(\"b\",1, '1' ) AS \"p\" FROM \"t\" WHERE \"t\".\"a\" >= 1 AND (\"b\" LIKE 'x%' OR "
         L"\"c\" IS NULL) ORDER BY \"a\"",
         {{"1", "x"}, {"2", "<NULL>"}, {"4", "x"}, {"7", "x"}}},
        {"physical table, a date completed, ORDER BY cut after the primary key",
         L"SELECT id, nom FROM Clients WHERE naissance = '2020' ORDER BY id, nom",
         [](CQueryBuilder& q) {
             q.From(L"Clients");
             q.Out(L"id");
             q.Out(L"nom");
             q.Where(L"'2020'",
                     q.Op(OP_EQUAL, L"naissance = '2020'", {q.Item(L"naissance"), q.Lit(L"'2020'", q.Text(L"2020"))}));
             q.OrderBy({{L"id", 0}, {L"nom", 1}});
         },
         {},
         ORDER_FORWARD,
         L"SELECT \"id\", \"nom\" FROM \"Client\" WHERE \"naissance\" = '2020-01-01' ORDER BY \"id\"",
         {{"1", "Ann"}, {"3", "Cid"}}},
        {"UPDATE",
         L"UPDATE t SET b = 'z' WHERE a = 1",
         [](CQueryBuilder& q) {
             q->m_nKind = ISQLParserInformation::TYPEREQUETE_UPDATE;
             q.From(L"t");
             q->pclAffectation(q.Item(L"b"), q.Lit(L"'z'", q.Text(L"z")));
             q.Where(L"1", q.Op(OP_EQUAL, L"a = 1", {q.Item(L"a"), q.Lit(L"1", q.Int(1))}));
         },
         {},
         ORDER_NONE,
         L"UPDATE \"t\" SET \"b\" = 'z' WHERE \"a\" = 1",
         {{"1", "z"}, {"2", "<NULL>"}},
         L"SELECT a, b FROM t WHERE a < 3 ORDER BY a"},
        {"INSERT",
         L"INSERT INTO t (a, b) VALUES (9, 'w')",
         [](CQueryBuilder& q) {
             q->m_nKind = ISQLParserInformation::TYPEREQUETE_INSERT;
             q.From(L"t");
             q->pclInsertion(q.Item(L"a"), q.Lit(L"9", q.Int(9)));
             q->pclInsertion(q.Item(L"b"), q.Lit(L"'w'", q.Text(L"w")));
         },
         {},
         ORDER_NONE,
         L"INSERT INTO \"t\" (\"a\", \"b\") VALUES (9 , 'w' )",
         {{"9", "w"}},
         L"SELECT a, b FROM t WHERE a > 8"},
        {"GROUP BY and HAVING",
         L"SELECT b, COUNT(*) AS n2 FROM t GROUP BY b HAVING COUNT(*) > 1",
         [](CQueryBuilder& q) {
             q.From(L"t");
             q.Out(L"b");
             q.Computed(L"n2", L"COUNT(*)", q.Op(OP_COUNT, L"COUNT(*)", {}));
             q->pclGroup(q.At(L"b", 1))->m_sItem = L"b";
             q->m_nHavingStart = q.nAt(L"HAVING");
             q->m_nHavingEnd = q.At(L"1").nFin;
             q->m_pclHaving = q.Op(OP_GREATER, L"COUNT(*) > 1", {q.Op(OP_COUNT, L"COUNT(*)", {}, 1), q.Lit(L"1", q.Int(1))}, 0);
         },
         {},
         ORDER_NONE,
         L"SELECT \"b\", COUNT(*) AS \"n2\" FROM \"t\" GROUP BY \"b\" HAVING COUNT(*) > 1",
         {{"yb", "2"}}},
    };
    return s_tab;
}

class NACommandParsedTest : public CommandTest {
protected:
    void SetUp() override {
        CommandTest::SetUp();
        standin::ResetParsedQueryReleaseFaults();
        m_pclCnx = pclConnection();
        m_pclTables = std::make_unique<CFixtureTables>(m_pclCnx, m_pclError);
    }
    void TearDown() override {
        m_pclTables.reset();
        EXPECT_EQ(standin::nGetParsedQueryReleaseFaults(), 0);
        CommandTest::TearDown();
    }

    // The parsed query as the driver's adapter sees it (one reference for the caller).
    CSQLParserInfo* pclParse(CQueryBuilder* pclQuery) {
        m_pclTables->Describe(pclQuery);
        auto* pcl = new CSQLParserInfo(m_pclError, &pclQuery->rGet(), nullptr, 0);
        pcl->AddRef();
        return pcl;
    }

    // The case's query rebuilt: its formatted SQL ("<failed>" when the rebuilding fails); every
    // reference the driver took on the host's objects is given back once the command is gone.
    std::wstring sRebuild(const QueryCase& c) {
        CQueryBuilder q(c.pszQuery);
        c.fnParse(q);
        CSQLParserInfo* pclParser = pclParse(&q);
        auto* pclCommand = new CNACommand(m_pclError, m_pclCnx);
        pclCommand->AddRef();
        CNACommand* pclCondition = c.tabCondition.empty() ? nullptr : pclBuild(m_pclCnx, c.tabCondition);
        std::wstring s = L"<failed>";
        int bOk = pclCommand->bFormatCondition(pclParser, pclCondition, 0, 0);
        if (bOk && c.eOrderBy != ORDER_NONE) bOk = pclCommand->bFormatORDERBY(0, c.eOrderBy == ORDER_FORWARD);
        if (bOk && c.eOrderBy != ORDER_NONE) bOk = pclCommand->bFormatEndOfQuery();
        if (bOk) s = sFormat(pclCommand);
        pclCommand->nRelease();
        pclParser->nRelease();
        EXPECT_TRUE(q->bAllReleased()) << c.pszName;
        return s;
    }

    sqltest::CTestConnection* m_pclCnx = nullptr;
    std::unique_ptr<CFixtureTables> m_pclTables;
};

TEST_F(NACommandParsedTest, ParsedQueriesWrittenAgain) {
    for (const QueryCase& c : tabQueryCases()) EXPECT_EQ(sRebuild(c), c.pszExpected) << c.pszName;
}

TEST_F(NACommandParsedTest, ParsedQueriesRunOnTheServer) {
    KX_PG_SESSION(clPg);
    for (const QueryCase& c : tabQueryCases()) {
        std::string sError;
        tRows tabRows;
        ASSERT_TRUE(clPg.bRows(L"BEGIN", &tabRows, &sError)) << sError;
        ASSERT_TRUE(clPg.bRows(std::wstring(PG_ROWS, PG_ROWS + strlen(PG_ROWS)), &tabRows, &sError)) << sError;
        const std::wstring sSQL = sRebuild(c);
        EXPECT_TRUE(clPg.bRows(sSQL, &tabRows, &sError)) << c.pszName << ": " << sError;
        if (c.pszCheck != nullptr) {
            EXPECT_TRUE(clPg.bRows(c.pszCheck, &tabRows, &sError)) << c.pszName << ": " << sError;
        }
        EXPECT_EQ(tabRows, c.tabRows) << c.pszName;
        ASSERT_TRUE(clPg.bRows(L"ROLLBACK", &tabRows, &sError)) << sError;
    }
}

}  // namespace
