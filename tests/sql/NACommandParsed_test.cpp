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
#include "tests/sql/PgFixtureTables.h"

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
    std::vector<stPiece> tabCondition;            // the condition to merge (none when empty)
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
        // In parentheses: "a + 1 * 2" would be another condition.
        {"computed column in the WHERE clause",
         L"SELECT a, a + 1 AS nxt FROM t WHERE nxt * 2 > 9 ORDER BY a",
         [](CQueryBuilder& q) {
             q.From(L"t", 1);
             q.Out(L"a");
             q.Computed(L"nxt", L"a + 1", q.Op(OP_PLUS, L"a + 1", {q.Item(L"a", 1), q.Lit(L"1", q.Int(1))}));
             auto* pclTimes = q.Op(OP_TIMES, L"nxt * 2", {q.Item(L"nxt", 1), q.Lit(L"2", q.Int(2))});
             q.Where(L"9", q.Op(OP_GREATER, L"nxt * 2 > 9", {pclTimes, q.Lit(L"9", q.Int(9))}));
             q.OrderBy({{L"a", 0}});
         },
         {},
         ORDER_FORWARD,
         L"SELECT \"a\", \"t\".\"a\" + 1 AS \"nxt\" FROM \"t\" WHERE (\"t\".\"a\" + 1 ) * 2 > 9 ORDER BY \"a\"",
         {{"4", "5"}, {"5", "6"}, {"7", "8"}, {"8", "9"}}},
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
        {"two tables with aliases",
         L"SELECT x.a, y.nom FROM t x, Clients y WHERE x.a = y.id ORDER BY y.nom",
         [](CQueryBuilder& q) {
             q.From(L"t", 0, L"x", 1);
             q.From(L"Clients", 0, L"y", 1);
             q.Out(L"x.a")->m_sTable = L"x";
             q->m_tabOut.back()->m_sName = q->m_tabOut.back()->m_sSource = L"a";
             q.Out(L"y.nom")->m_sTable = L"y";
             q->m_tabOut.back()->m_sName = q->m_tabOut.back()->m_sSource = L"nom";
             q.Where(L"y.id",
                     q.Op(OP_EQUAL, L"x.a = y.id", {q.Item(L"x.a", L"a", L"x", 1), q.Item(L"y.id", L"id", L"y")}));
             q.OrderBy({{L"y.nom", 1}});
         },
         {},
         ORDER_FORWARD,
         L"SELECT \"x\".\"a\", \"y\".\"nom\" FROM \"t\" \"x\", \"Client\" \"y\" WHERE \"x\".\"a\" = \"y\".\"id\" "
         L"ORDER BY \"y\".\"nom\"",
         {{"1", "Ann"}, {"2", "Bob"}}},
        {"a join",
         L"SELECT a, nom FROM t JOIN Clients ON a = id",
         [](CQueryBuilder& q) {
             q.From(L"t");
             q.From(L"Clients");
             q.Out(L"a");
             q.Out(L"nom")->m_sTable = L"Clients";
             q->m_tabJoins.push_back(q.Op(OP_EQUAL, L"a = id", {q.Item(L"a", 1), q.Item(L"id")}));
         },
         {},
         ORDER_NONE,
         L"SELECT \"t\".\"a\", \"Client\".\"nom\" FROM \"t\" JOIN \"Client\" ON \"t\".\"a\" = \"id\"",
         {{"1", "Ann"}, {"2", "Bob"}}},
        {"the text after the ORDER BY follows the driver's",
         L"SELECT * FROM t ORDER BY a DESC LIMIT 2",
         [](CQueryBuilder& q) {
             q.From(L"t");
             // The star's items have no place in the text.
             for (const wchar_t* psz : {L"a", L"b"}) q->pclOut(psz, stPosition{0, 0})->m_sTable = L"t";
             q.OrderBy({{L"a", 0}});
         },
         {},
         ORDER_FORWARD,
         L"SELECT \"a\",\"b\" FROM \"t\" ORDER BY \"a\" DESC LIMIT 2",
         {{"8", "yb"}, {"7", "xc"}}},
        {"the text after the last clause, once",
         L"SELECT a FROM t WHERE a < 3 LIMIT 1",
         [](CQueryBuilder& q) {
             q.From(L"t");
             q.Out(L"a");
             q.Where(L"3", q.Op(OP_LESS, L"a < 3", {q.Item(L"a", 1), q.Lit(L"3", q.Int(3))}));
         },
         {},
         ORDER_FORWARD,
         L"SELECT \"a\" FROM \"t\" WHERE \"t\".\"a\" < 3 LIMIT 1",
         {{"1"}}},
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
             q->m_pclHaving =
                 q.Op(OP_GREATER, L"COUNT(*) > 1", {q.Op(OP_COUNT, L"COUNT(*)", {}, 1), q.Lit(L"1", q.Int(1))}, 0);
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

    // The command lets the parsed query go, before the host's query goes.
    static void Done(CNACommand* pclCommand, CSQLParserInfo* pclParser) {
        pclCommand->ResetCommand(0);
        pclCommand->_SetSQLParserInfo(nullptr);
        pclParser->nRelease();
    }

    sqltest::CTestConnection* m_pclCnx = nullptr;
    std::unique_ptr<CFixtureTables> m_pclTables;
};

TEST_F(NACommandParsedTest, ParsedQueriesWrittenAgain) {
    for (const QueryCase& c : tabQueryCases()) EXPECT_EQ(sRebuild(c), c.pszExpected) << c.pszName;
}

TEST_F(NACommandParsedTest, ParsedQueriesRunOnTheServer) {
    KX_PG_FIXTURE_SESSION(clPg);
    for (const QueryCase& c : tabQueryCases()) {
        pgtest::Rows aRows;
        ASSERT_TRUE(clPg.bExec("BEGIN")) << clPg.sError();
        ASSERT_TRUE(clPg.bExec(PG_ROWS)) << clPg.sError();
        const std::wstring sSQL = sRebuild(c);
        EXPECT_TRUE(clPg.bQuery(pgtest::sUTF8(sSQL), &aRows)) << c.pszName << ": " << clPg.sError();
        if (c.pszCheck != nullptr) {
            EXPECT_TRUE(clPg.bQuery(pgtest::sUTF8(c.pszCheck), &aRows)) << c.pszName << ": " << clPg.sError();
        }
        EXPECT_EQ(sqltest::tabTexts(aRows), c.tabRows) << c.pszName;
        ASSERT_TRUE(clPg.bExec("ROLLBACK")) << clPg.sError();
    }
}

// ---------------------------------------------------------------------------------- refusals

TEST_F(NACommandParsedTest, RefusedQueriesFailWithTheirError) {
    struct Case {
        const char* pszName;
        const wchar_t* pszQuery;
        std::function<void(CQueryBuilder&)> fnParse;
        unsigned nCode;
        const wchar_t* pszArgument;
    };
    const Case tab[] = {
        {"a computed item whose expression names itself", L"SELECT a2 + 1 AS a2 FROM t WHERE a2 > 1",
         [](CQueryBuilder& q) {
             q.From(L"t");
             q.Computed(L"a2", L"a2 + 1", q.Op(OP_PLUS, L"a2 + 1", {q.Item(L"a2"), q.Lit(L"1", q.Int(1))}));
             q.Where(L"1", q.Op(OP_GREATER, L"a2 > 1", {q.Item(L"a2", 2), q.Lit(L"1", q.Int(1), 1)}), 1);
         },
         32, L"a2"},
        // Each expanded into the other would never end.
        {"two computed items that name each other", L"SELECT b2 + 1 AS a2, a2 * 2 AS b2 FROM t",
         [](CQueryBuilder& q) {
             q.From(L"t");
             q.Computed(L"a2", L"b2 + 1", q.Op(OP_PLUS, L"b2 + 1", {q.Item(L"b2"), q.Lit(L"1", q.Int(1))}));
             q.Computed(L"b2", L"a2 * 2", q.Op(OP_TIMES, L"a2 * 2", {q.Item(L"a2", 1), q.Lit(L"2", q.Int(2), 1)}));
         },
         32, L"b2"},
        {"an expression the server cannot read", L"SELECT a FROM t WHERE a = 1",
         [](CQueryBuilder& q) {
             q.From(L"t");
             q.Out(L"a");
             q.Where(L"1", q.Op(OP_EQUAL, L"a = 1", {q.Item(L"a", 1), q.Op(OP_REFUSED_EXPRESSION, L"1", {})}));
         },
         49, L"PostgreSQL"},
        {"an operator the server cannot read", L"SELECT a FROM t WHERE a = 1",
         [](CQueryBuilder& q) {
             q.From(L"t");
             q.Out(L"a");
             q.Where(L"1", q.Op(OP_REFUSED_OPERATOR, L"a = 1", {q.Item(L"a", 1), q.Lit(L"1", q.Int(1))}));
         },
         48, L"PostgreSQL"},
    };
    for (const Case& c : tab) {
        m_pclError->Reset();
        CQueryBuilder q(c.pszQuery);
        c.fnParse(q);
        CSQLParserInfo* pclParser = pclParse(&q);
        CNACommand* pclCmd = pclCommand(m_pclCnx);
        EXPECT_EQ(pclCmd->bFormatCondition(pclParser, nullptr, 0, 0), 0) << c.pszName;
        EXPECT_EQ(m_pclError->dwGetErrorId(), c.nCode) << c.pszName;
        const std::wstring sMessage = m_pclError->pclGetXError()->pszGetUserMessage();
        EXPECT_NE(sMessage.find(c.pszArgument), std::wstring::npos) << c.pszName;
        Done(pclCmd, pclParser);
        EXPECT_TRUE(q->bAllReleased()) << c.pszName;
    }
}

// ---------------------------------------------------------------------------------- empty dates

TEST_F(NACommandParsedTest, ComparisonsWithAnEmptyDate) {
    struct Case {
        int nOperator;
        int bNullFirst;
        const wchar_t* pszExpected;
    };
    // The item is written, then the NULL test; a constant truth replaces the whole comparison.
    const Case tab[] = {
        {OP_EQUAL, 1, L"SELECT \"a\" FROM \"t\" WHERE \"d\" IS NULL "},
        {OP_EQUAL, 0, L"SELECT \"a\" FROM \"t\" WHERE \"d\" IS NULL "},
        {OP_DIFFERENT, 0, L"SELECT \"a\" FROM \"t\" WHERE \"d\" IS NOT NULL "},
        {OP_LESS, 1, L"SELECT \"a\" FROM \"t\" WHERE  0=1 "},
        {OP_LESS, 0, L"SELECT \"a\" FROM \"t\" WHERE \"d\" IS NOT NULL "},
        {OP_GREATEREQUAL, 1, L"SELECT \"a\" FROM \"t\" WHERE  1=1 "},
        {OP_GREATEREQUAL, 0, L"SELECT \"a\" FROM \"t\" WHERE \"d\" IS NULL "},
    };
    std::unique_ptr<pgtest::CPgSession> pclPg = sqltest::pclFixtureSession();
    for (const Case& c : tab) {
        CQueryBuilder q(L"SELECT a FROM t WHERE d ?? ''");
        q.From(L"t");
        q.Out(L"a");
        q.Where(L"''", q.Op(c.nOperator, L"d ?? ''", {q.Item(L"d"), q.Lit(L"''", q.Text(L""))}));
        m_pclCnx->m_bNullFirst = c.bNullFirst;
        CSQLParserInfo* pclParser = pclParse(&q);
        CNACommand* pclCmd = pclCommand(m_pclCnx);
        ASSERT_TRUE(pclCmd->bFormatCondition(pclParser, nullptr, 0, 0));
        EXPECT_EQ(sFormat(pclCmd), c.pszExpected) << c.nOperator << "/" << c.bNullFirst;
        if (pclPg != nullptr) {
            EXPECT_EQ(pclPg->sExplain(sFormat(pclCmd)), "") << c.pszExpected;
        }
        Done(pclCmd, pclParser);
    }
    // A date that is given is compared as it is.
    CQueryBuilder q(L"SELECT a FROM t WHERE d < '20200102'");
    q.From(L"t");
    q.Out(L"a");
    q.Where(L"'20200102'", q.Op(OP_LESS, L"d < '20200102'", {q.Item(L"d"), q.Lit(L"'20200102'", q.Text(L"20200102"))}));
    CSQLParserInfo* pclParser = pclParse(&q);
    CNACommand* pclCmd = pclCommand(m_pclCnx);
    ASSERT_TRUE(pclCmd->bFormatCondition(pclParser, nullptr, 0, 0));
    EXPECT_EQ(sFormat(pclCmd), L"SELECT \"a\" FROM \"t\" WHERE \"d\" < '2020-01-02'");
    Done(pclCmd, pclParser);
}

// ---------------------------------------------------------------------------------- queries run as written

TEST_F(NACommandParsedTest, QueriesRunAsWritten) {
    struct Case {
        const char* pszName;
        const wchar_t* pszQuery;
        bool bHostOrderBy;  // the host reports the ORDER BY
        int nFlags;
        int bKeepOrderBy;
        const wchar_t* pszExpected;
    };
    const Case tab[] = {
        {"ORDER BY left out", L"SELECT a FROM t x WHERE a > 1 ORDER BY a", true, 4, 0,
         L"SELECT a FROM t x WHERE a > 1 "},
        {"flags 1 too", L"SELECT a FROM t x WHERE a > 1 ORDER BY a", true, 1, 0, L"SELECT a FROM t x WHERE a > 1 "},
        {"ORDER BY kept", L"SELECT a FROM t x WHERE a > 1 ORDER BY a DESC", true, 4, 1,
         L"SELECT a FROM t x WHERE a > 1 ORDER BY a DESC"},
        // The host did not report it: the text is cut at the keyword in capitals, or in lower case.
        {"capitals cut", L"SELECT a FROM t ORDER BY a", false, 4, 0, L"SELECT a FROM t "},
        {"lower case cut", L"SELECT a FROM t order by a", false, 4, 0, L"SELECT a FROM t "},
        {"mixed case kept", L"SELECT a FROM t Order By a", false, 4, 0, L"SELECT a FROM t Order By a"},
        {"never inside a literal", L"SELECT a FROM t WHERE b <> 'x ORDER BY y'", false, 4, 0,
         L"SELECT a FROM t WHERE b <> 'x ORDER BY y'"},
    };
    std::unique_ptr<pgtest::CPgSession> pclPg = sqltest::pclFixtureSession();
    for (const Case& c : tab) {
        CQueryBuilder q(c.pszQuery);
        q.From(L"t");
        q.Out(L"a");
        if (c.bHostOrderBy) q.OrderBy({{L"a", 0}});
        CSQLParserInfo* pclParser = pclParse(&q);
        CNACommand* pclCmd = pclCommand(m_pclCnx);
        ASSERT_TRUE(pclCmd->bFormatCondition(pclParser, nullptr, c.bKeepOrderBy, c.nFlags)) << c.pszName;
        EXPECT_EQ(sFormat(pclCmd), c.pszExpected) << c.pszName;
        EXPECT_TRUE(pclCmd->bIsParsedQuery()) << c.pszName;
        EXPECT_EQ(pclCmd->nGetColumnMode(), 3u) << c.pszName;
        // Nothing follows a query run as written.
        EXPECT_TRUE(pclCmd->bFormatEndOfQuery());
        EXPECT_EQ(sFormat(pclCmd), c.pszExpected) << c.pszName;
        if (pclPg != nullptr) {
            EXPECT_EQ(pclPg->sExplain(c.pszExpected), "") << c.pszName;
        }
        Done(pclCmd, pclParser);
    }
}

TEST_F(NACommandParsedTest, FilledValuesOfAQueryRunAsWritten) {
    // The host filled a value and a host item into the text; the rest is copied as it stands.
    const std::wstring sText = L"SELECT a FROM t WHERE b = :nom AND c > t.x AND a < :n ORDER BY a";
    auto Parse = [&](CQueryBuilder& q) {
        q.From(L"t");
        q.Out(L"a");
        q->AddValue(q.At(L":nom"), q.Text(L"O'Br"), 0);
        q->AddValue(q.At(L":n", 1), q.Int(4), 0);
        q->AddItemReference(q.At(L"t.x"), L"t", L"x");
        q.OrderBy({{L"a", 0}});
    };
    const wchar_t* pszExpected = L"SELECT a FROM t WHERE b = 'O''Br' AND c > \"t\".\"x\" AND a < 4 ORDER BY a";
    std::unique_ptr<pgtest::CPgSession> pclPg = sqltest::pclFixtureSession();
    {
        // The whole text through the command's copy of a parsed query.
        CQueryBuilder q(sText);
        Parse(q);
        m_pclTables->Describe(&q);
        CNACommand* pclCmd = pclCommand(m_pclCnx);
        ASSERT_TRUE(pclCmd->bComplete(&q.rGet()));
        EXPECT_EQ(sFormat(pclCmd), pszExpected);
        EXPECT_EQ(q->rGetFilledValues().m_nBadIndex, 0);
        if (pclPg != nullptr) {
            EXPECT_EQ(pclPg->sExplain(sFormat(pclCmd)), "");
        }
        EXPECT_TRUE(q->bAllReleased());
    }
    {
        // Rebuilt as written: the values take the rest of the text, its ORDER BY with it.
        CQueryBuilder q(sText);
        Parse(q);
        CSQLParserInfo* pclParser = pclParse(&q);
        CNACommand* pclCmd = pclCommand(m_pclCnx);
        ASSERT_TRUE(pclCmd->bFormatCondition(pclParser, nullptr, 0, 4));
        EXPECT_EQ(sFormat(pclCmd), pszExpected);
        Done(pclCmd, pclParser);
    }
    {
        // A host item the query cannot describe is written as the host named it.
        CQueryBuilder q(L"SELECT a FROM t WHERE c > t.zz");
        q.From(L"t");
        q->AddItemReference(q.At(L"t.zz"), L"t", L"zz");
        m_pclTables->Describe(&q);
        CNACommand* pclCmd = pclCommand(m_pclCnx);
        ASSERT_TRUE(pclCmd->bComplete(&q.rGet()));
        EXPECT_EQ(sFormat(pclCmd), L"SELECT a FROM t WHERE c > \"t\".\"zz\"");
    }
    {
        // A query that is only a SET statement is one.
        CQueryBuilder q(L"SET datestyle=ISO;");
        CSQLParserInfo* pclParser = pclParse(&q);
        CNACommand* pclCmd = pclCommand(m_pclCnx);
        ASSERT_TRUE(pclCmd->bFormatCondition(pclParser, nullptr, 0, 4));
        EXPECT_EQ(pclCmd->eGetQueryType(), NAQUERYTYPE_SET);
        EXPECT_EQ(sFormat(pclCmd), L"SET datestyle=ISO;");
        Done(pclCmd, pclParser);
    }
}

// ---------------------------------------------------------------------------------- host variables

TEST_F(NACommandParsedTest, HostVariablesTakeTheHostsValues) {
    CQueryBuilder q(L"SELECT a FROM t");
    q.From(L"t");
    standin::CStandInQueryParameters clValues;
    CAny clNumber, clText, clEmpty;
    clNumber.SetI4(42);
    clText.__SetType(VQTYPE_DSTRA, 0);
    clText.pclGetValeur()->SetValue("abc", 3);
    clValues.m_mapValues[L"p1"] = &clNumber;
    clValues.m_mapValues[L"p2"] = &clText;
    clValues.m_mapValues[L"p3"] = &clEmpty;
    m_pclTables->Describe(&q);
    auto* pclParser = new CSQLParserInfo(m_pclError, &q.rGet(), &clValues, 0);
    pclParser->AddRef();
    EXPECT_EQ(clValues.nGetRefs(), 1);

    CNACommand* pclCmd = pclCommand(m_pclCnx);
    pclCmd->_SetSQLParserInfo(pclParser);
    pclCmd->bComplete(L"SELECT a FROM t WHERE a = ");
    // p1 and p2 by name, p3 empty at the host, p4 unknown to it, p5 filled by the host itself.
    struct stParameter {
        const wchar_t* pszName;
        sqltest::tValue value;
        unsigned nMode;
    };
    const stParameter tab[] = {
        {L"p1", 0, 0}, {L"p2", std::wstring(L"old"), 0}, {L"p3", 7, 0}, {L"p4", 8, 0}, {L"p5", 9, 1}};
    for (const stParameter& st : tab) {
        CNAConvertVariant* pclConverter = pclValue(m_pclCnx, st.value);
        ASSERT_TRUE(pclCmd->bAddParameter(pclConverter, OPEXPRESSION_NONE, CNAParameter::NAPARAM_FLAG_USER, nullptr,
                                          st.pszName, 0, CNAParameter::NAPARAM_IN));
        pclConverter->nRelease();
        pclCmd->pclGetParameterNoRef(static_cast<unsigned>(pclCmd->nGetParameterNbr() - 1))->SetMode(st.nMode);
        pclCmd->bComplete(L" AND a = ");
    }
    EXPECT_TRUE(pclCmd->bUpdateParametersValues());
    auto Value = [&](unsigned n) {
        CAny cl;
        pclCmd->pclGetParameterNoRef(n)->pclGetValueNoRef()->bGetValue(&cl);
        return cl;
    };
    EXPECT_EQ(Value(0).nGetTypeCode(), VQTYPE_I4);
    EXPECT_EQ(tBrut<int32_t>(Value(0)), 42);
    // An 8-bit text given for a wide text parameter retypes it (texts of one width would not).
    EXPECT_EQ(sTexteA(Value(1)), "abc");
    EXPECT_EQ(tBrut<int32_t>(Value(2)), 7);
    EXPECT_EQ(tBrut<int32_t>(Value(3)), 8);
    EXPECT_EQ(tBrut<int32_t>(Value(4)), 9);
    EXPECT_TRUE(pclCmd->pclGetParameterNoRef(4)->pclGetValueNoRef()->bIsParameter());
    EXPECT_EQ(clValues.nGetRefs(), 1);

    // The formatted SQL asks the host again for each value.
    clNumber.SetI4(43);
    EXPECT_EQ(sFormat(pclCmd), L"SELECT a FROM t WHERE a = 43 AND a = 'abc' AND a = 7 AND a = 8 AND a = 9 AND a = ");
    EXPECT_EQ(clValues.nGetRefs(), 1);
    Done(pclCmd, pclParser);
    EXPECT_EQ(clValues.nGetRefs(), 0);
}

// ---------------------------------------------------------------------------------- functions and names

TEST_F(NACommandParsedTest, FunctionsOfEachDialect) {
    struct Case {
        int nCode;
        unsigned nKind;
        const wchar_t* pszExpected;   // the select list written
        bool bSubExpression = false;  // the function gives a sub-expression (else an integer)
    };
    const Case tab[] = {
        // The server's substring from the first character, and from the end.
        {OP_LEFT, 6, L"SELECT SUBSTRING(\"b\",1, '2' ) AS \"p\" FROM \"t\""},
        {OP_RIGHT, 6, L"SELECT SUBSTRING(\"b\",-(2) , '2' ) AS \"p\" FROM \"t\""},
        {OP_RIGHT, 6, L"SELECT SUBSTRING(\"b\",-(2 ) , '2' ) AS \"p\" FROM \"t\"", true},
        // Names of other dialects; their own text around the arguments.
        {44, 1, L"SELECT SUBSTR(b, '2' ) AS p FROM t"},
        {OP_UPPER, 7, L"SELECT UCASE(\"b\", '2' ) AS \"p\" FROM \"t\""},
        {52, 11, L"SELECT TRIM(LEADING FROM \"b\", LEADING FROM '2' ) AS \"p\" FROM \"t\""},
        {92, 11, L"SELECT SUBSTR(HEX(\"b\"),3, '2' ) AS \"p\" FROM \"t\""},
        // A code no dialect names keeps the host's name.
        {OP_UPPER, 6, L"SELECT F(\"b\", '2' ) AS \"p\" FROM \"t\""},
    };
    std::unique_ptr<pgtest::CPgSession> pclPg = sqltest::pclFixtureSession();
    for (const Case& c : tab) {
        CQueryBuilder q(L"SELECT F(b, 2) AS p FROM t");
        q.From(L"t");
        auto* pclFunction = q.Op(c.nCode, L"F(b, 2)", {q.Item(L"b"), q.Lit(L"2", q.Int(2))});
        pclFunction->m_nInteger = 2;
        if (c.bSubExpression) pclFunction->m_pclSub = q.Lit(L"2", q.Int(2));
        q.Computed(L"p", L"F(b, 2)", pclFunction);
        CSQLParserInfo* pclParser = pclParse(&q);
        CNACommand* pclCmd = pclCommand(pclConnection(c.nKind, 15));
        ASSERT_TRUE(pclCmd->bFormatCondition(pclParser, nullptr, 0, 0)) << c.nCode << "/" << c.nKind;
        const wchar_t* pszFormatted = pclCmd->pszGetFormatedSQLW(CNACommand::PARAMTYPECONV_NONE);
        ASSERT_NE(pszFormatted, nullptr);
        EXPECT_EQ(std::wstring(pszFormatted), c.pszExpected) << c.nCode << "/" << c.nKind;
        if (pclPg != nullptr && c.nKind == 6 && c.nCode != OP_UPPER) {
            EXPECT_EQ(pclPg->sExplain(pszFormatted), "") << c.nCode;
        }
        Done(pclCmd, pclParser);
    }
}

TEST_F(NACommandParsedTest, NamesOfItems) {
    CQueryBuilder q(L"SELECT x.a FROM t x");
    q.From(L"t", 0, L"x", 1);
    CSQLParserInfo* pclParser = pclParse(&q);
    CNAItemDescription* pclDate = m_pclTables->m_pclT->pclNAGetItemNoRef(L"d", 0);
    CNAItemDescription* pclNumber = m_pclTables->m_pclT->pclNAGetItemNoRef(L"a", 0);
    // A date written as the host's compact text where the dialect compares it so.
    struct Case {
        CNAItemDescription* pclItem;
        int nOperator;
        const wchar_t* pszTable;
        const wchar_t* pszItem;
        const wchar_t* pszExpected;
    };
    const Case tab[] = {
        {pclDate, 15, L"x", L"d", L"TO_CHAR(\"x\".\"d\",'YYYYMMDD')"},
        {pclDate, OP_EQUAL, L"x", L"d", L"\"x\".\"d\""},
        {pclNumber, 15, L"x", L"a", L"\"x\".\"a\""},
        {nullptr, 15, L"", L"d", L"\"d\""},
    };
    CNACommand* pclCmd = pclCommand(m_pclCnx);
    for (const Case& c : tab) {
        CTString cl;
        EXPECT_TRUE(pclCmd->FormatExpressionItemName(CNASqlElt::SQLELT_WHERE, static_cast<eOPEXPRESSION>(c.nOperator),
                                                     c.pclItem, c.pszTable, c.pszItem, &cl));
        EXPECT_EQ(std::wstring(cl.pszGet()), c.pszExpected);
    }

    // An item reference of the host's text: the table stays an alias, an outer join keeps its
    // mark, and an UPDATE names the column alone where the server wants it.
    struct NodeCase {
        unsigned nKind;
        eNAQUERYTYPE eType;
        const wchar_t* pszExpected;
    };
    const NodeCase tabNodes[] = {
        {6, NAQUERYTYPE_SELECT, L"\"x\".\"a\"(+)"},
        {6, NAQUERYTYPE_UPDATE, L"\"a\"(+)"},
        {2, NAQUERYTYPE_UPDATE, L"\"x\".\"a\"(+)"},
    };
    auto* pclNode = q.Item(L"x.a", L"a", L"x");
    pclNode->m_bOuterJoin = 1;
    for (const NodeCase& c : tabNodes) {
        CNACommand* pcl = pclCommand(pclConnection(c.nKind, 15));
        pcl->SetNAQueryType(c.eType);
        unsigned long nPosition = static_cast<unsigned long>(q.nAt(L"x.a"));
        CTStringConcatAW clOut(CTStringConcatAW::s_nCodePageWide, 65001, 1024);
        EXPECT_TRUE(pcl->_bExpressionColonneToSQL(pclParser, q.sText().c_str(), pclNode, &nPosition, &clOut));
        EXPECT_EQ(std::wstring(clOut.pszGetW()), c.pszExpected) << c.nKind << "/" << c.eType;
        EXPECT_EQ(nPosition, static_cast<unsigned long>(q.At(L"x.a").nFin) + 1);
    }
    Done(pclCmd, pclParser);
}

TEST_F(NACommandParsedTest, FiltersAndComputedColumnsAsText) {
    // A parsed filter: its condition and the rest of its text.
    CQueryBuilder f(L"a > 5 AND b IS NULL");
    f->m_pclWhere = f.Op(OP_AND, L"a > 5 AND b IS NULL",
                         {f.Op(OP_GREATER, L"a > 5", {f.Item(L"a"), f.Lit(L"5", f.Int(5))}),
                          f.Op(OP_ISNULL, L"b IS NULL", {f.Item(L"b")})});
    CSQLParserInfo* pclFilter = pclParse(&f);
    CNACommand* pclCmd = pclCommand(m_pclCnx);
    pclCmd->bComplete(L"SELECT a FROM t WHERE ");
    ASSERT_TRUE(pclCmd->bAddFilterExpression(pclFilter));
    EXPECT_EQ(sFormat(pclCmd), L"SELECT a FROM t WHERE \"a\" > 5 AND \"b\" IS NULL");
    Done(pclCmd, pclFilter);

    // A computed column written by a fresh command, its parameters brought into this one.
    CQueryBuilder q(L"SELECT a, a * 3 AS tri FROM t");
    q.From(L"t");
    q.Out(L"a");
    q.Computed(L"tri", L"a * 3", q.Op(OP_TIMES, L"a * 3", {q.Item(L"a", 1), q.Lit(L"3", q.Int(3))}));
    CSQLParserInfo* pclParser = pclParse(&q);
    pclCmd = pclCommand(m_pclCnx);
    pclCmd->bComplete(L"SELECT a FROM t WHERE ");
    CTString clText;
    ASSERT_TRUE(pclCmd->bFormatExpressionColonneCalculee(pclParser, L"tri", CNASqlElt::SQLELT_WHERE, &clText, 1,
                                                         pclCmd->nGetLength()));
    EXPECT_STREQ(clText.pszGet(), L"(\"t\".\"a\" * )");
    pclCmd->bComplete(clText.pszGet());
    pclCmd->bComplete(L" > 10");
    EXPECT_EQ(sFormat(pclCmd), L"SELECT a FROM t WHERE (\"t\".\"a\" * 3 ) > 10");
    // Taken as text alone (a search's column text), its literal is written in it.
    ASSERT_TRUE(pclCmd->bFormatExpressionColonneCalculee(pclParser, L"tri", CNASqlElt::SQLELT_WHERE, &clText, 0, 0));
    EXPECT_STREQ(clText.pszGet(), L"(\"t\".\"a\" * 3 )");
    // Not a computed column: nothing.
    EXPECT_FALSE(pclCmd->bFormatExpressionColonneCalculee(pclParser, L"a", CNASqlElt::SQLELT_WHERE, &clText, 1, 0));
    EXPECT_FALSE(pclCmd->bFormatExpressionColonneCalculee(pclParser, L"zz", CNASqlElt::SQLELT_WHERE, &clText, 1, 0));
    Done(pclCmd, pclParser);
}

}  // namespace
