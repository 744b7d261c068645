// Browses over the shapes of tables users have, along an item the server has no index for (read
// from a cursor once nothing else runs on the connection) and along the key, both ways: the rows
// and their order are those psql gives for the same ORDER BY, and those of the road that reads
// every block with a SELECT of its own (inside a transaction, where no cursor is declared); the
// server's log shows the cursor used, and closed.
#include <algorithm>
#include <cctype>

#include "tests/support/PgText.h"
#include "tests/table/BrowseRoadFixture.h"

using namespace seektest;

namespace {

std::string sReplaced(std::string s, const std::string& sWhat, const std::string& sWith) {
    for (size_t n = s.find(sWhat); n != std::string::npos; n = s.find(sWhat, n + sWith.size()))
        s.replace(n, sWhat.size(), sWith);
    return s;
}
// An identifier as SQL writes it: between double quotes, its own doubled.
std::string sQuotedName(const std::wstring& ws) {
    return "\"" + sReplaced(pgtest::sUTF8(ws), "\"", "\"\"") + "\"";
}

// A table's shape: its name (@ stands for the process's id), its columns and rows ({t} stands for
// its name), the item the server has no index for and the key (null: none), the column that
// tells the rows apart, and the orders of the browse's SELECTs along the item and the key.
struct stShape {
    const char* pszName;
    const wchar_t* pszTable;
    const char* pszColumns;
    const char* pszFill;
    const wchar_t* pszItem;
    const wchar_t* pszKey;
    const wchar_t* pszTag;
    // Ascending, as psql writes them.
    const char* pszItemOrder;
    const char* pszKeyOrder;
    // The item's value as the host reads it, written by psql; null: not compared.
    const char* pszPeerValue;
    // Whether the browse along the item reads from a cursor.
    bool bCursor;
    // Run on the driver's connection before the browse; null: nothing.
    const char* pszSession = nullptr;
    // Rows the order does not tell apart (a table without a key): the peer's value is the whole
    // row as the host reads it (columns joined by |), and the rows of a tag may come in any order.
    bool bWholeRow = false;
};

// The case's name in the test's name and messages.
void PrintTo(const stShape& st, std::ostream* pOut) {
    *pOut << st.pszName;
}

class BrowseShapesTest : public BrowseRoadTest, public testing::WithParamInterface<stShape> {
protected:
    BrowseShapesTest() : BrowseRoadTest("kx_bsh_") {}

    void TearDown() override {
        BrowseRoadTest::TearDown();
        std::string sReason;
        if (!m_sShapeTable.empty() && pgsandbox::bServerAvailable(&sReason))
            m_clServer.Run("DROP TABLE IF EXISTS " + m_sShapeTable);
    }

    std::wstring wsTableName(const stShape& st) const {
        std::wstring ws = st.pszTable;
        const size_t n = ws.find(L'@');
        if (n != std::wstring::npos) ws.replace(n, 1, wsOf(std::to_string(getpid())));
        return ws;
    }

    // The table made afresh, opened with blocks of 7 rows.
    CNADataAccess* pclFresh(const stShape& st) {
        m_sShapeTable = sQuotedName(wsTableName(st));
        CreateTable(m_clServer, m_sShapeTable, st.pszColumns, sReplaced(st.pszFill, "{t}", m_sShapeTable));
        return pclOpen(wsTableName(st).c_str(), L"KX Cache Size=7;");
    }

    struct stRun {
        std::vector<std::string> aRows;    // every column, as the driver reads it
        std::vector<std::string> aTagged;  // the tag, then the item's value when the peer writes it
        std::vector<std::string> aStatements;
        uint64_t nDeclared = 0, nClosed = 0;
    };
    // Browses the fresh table along the item, first to last (or last to first), outside or inside
    // a transaction.
    stRun Run(const stShape& st, const wchar_t* pszItem, bool bForward, bool bInTransaction) {
        stRun stOut;
        CNADataAccess* pclAccess = pclFresh(st);
        if (pclAccess == nullptr) return stOut;
        const long nPid = nBackendPid(pclAccess);
        if (st.pszSession != nullptr) {
            EXPECT_EQ(bExec(pclAccess, st.pszSession), 1) << sError();
        }
        pgsandbox::CStatementLog clLog;
        const uint64_t nDeclared = CPSQLPrefetch::s_nCursorsDeclared, nClosed = CPSQLPrefetch::s_nCursorsClosed;
        if (bInTransaction) {
            EXPECT_EQ(pclAccess->pclGetConnectionNoRef()->bTransactionBeginDirect(m_pclError), 1) << sError();
        }
        CNARecord* pclRecord = pclAccess->pclGetCurrentRecordNoRef();
        eNA_PARSEDIRECTION eDirection = bForward ? NA_PARSE_FIRST : NA_PARSE_LAST;
        for (int nRead = 0; nRead < 200; nRead++) {
            if (!bRead(pclAccess, pszItem, eDirection)) {
                ADD_FAILURE() << "read: " << sError();
                break;
            }
            eDirection = bForward ? NA_PARSE_NEXT : NA_PARSE_PREVIOUS;
            if (bOut(pclAccess, pszItem)) break;
            std::wstring wsRow;
            for (int i = 0; i < pclRecord->nGetNumColumns(); i++)
                wsRow += (i > 0 ? L"|" : L"") + wsValue(pclAccess, pclRecord->pclGetColumnNoRef(i)->pszGetName());
            stOut.aRows.push_back(pgtest::sUTF8(wsRow));
            std::wstring wsTagged = wsValue(pclAccess, st.pszTag);
            if (st.pszPeerValue != nullptr) wsTagged += L"/" + (st.bWholeRow ? wsRow : wsValue(pclAccess, st.pszItem));
            stOut.aTagged.push_back(pgtest::sUTF8(wsTagged));
        }
        if (bInTransaction) {
            EXPECT_EQ(pclAccess->pclGetConnectionNoRef()->bTransactionCommitDirect(m_pclError), 1) << sError();
        }
        stOut.nDeclared = CPSQLPrefetch::s_nCursorsDeclared - nDeclared;
        stOut.nClosed = CPSQLPrefetch::s_nCursorsClosed - nClosed;
        WaitLogged(pclAccess, clLog, nPid);
        stOut.aStatements = StatementsThenRelease(pclAccess, clLog, nPid);
        return stOut;
    }

    // The tags (and values) in the order psql gives the rows.
    std::vector<std::string> Peer(const stShape& st, const std::string& sAscending, bool bForward) {
        const std::string sOrder = bForward ? sAscending : sReplaced(sAscending, ",", " DESC,") + " DESC";
        std::string sSelect = "SELECT " + sQuotedName(st.pszTag);
        // Named apart: ORDER BY takes an output column's name before a table's column.
        if (st.pszPeerValue != nullptr) sSelect += ", " + std::string(st.pszPeerValue) + " AS kx_peer_value";
        std::vector<std::string> a;
        for (const pgtest::Row& aRow : m_clServer.Query(sSelect + " FROM " + m_sShapeTable + " ORDER BY " + sOrder)) {
            std::string s = aRow[0].value_or("<NULL>");
            if (st.pszPeerValue != nullptr) s += "/" + aRow[1].value_or("<NULL>");
            a.push_back(s);
        }
        return a;
    }

    static std::vector<std::string> Tags(const std::vector<std::string>& aTagged) {
        std::vector<std::string> a;
        for (const std::string& s : aTagged) a.push_back(s.substr(0, s.find('/')));
        return a;
    }
    static std::vector<std::string> Sorted(std::vector<std::string> a) {
        std::sort(a.begin(), a.end());
        return a;
    }
    static size_t nStartingWith(const std::vector<std::string>& aStatements, const std::string& sStart) {
        size_t n = 0;
        for (const std::string& s : aStatements) n += s.rfind(sStart, 0) == 0 ? 1 : 0;
        return n;
    }

    std::string m_sShapeTable;
};

// The shapes: ties, NULLs in the order item, and block boundaries between values the server
// tells apart and the host may not (blocks of 7 rows).
const stShape g_astShapes[] = {
    // Ties, NULLs, negative amounts; read as numbers.
    {"money", L"kx_bsh_money_@", "id integer PRIMARY KEY, m money",
     "INSERT INTO {t} SELECT i, CASE WHEN i % 10 = 0 THEN NULL ELSE ((i * 37) % 23 - 11) * 1.25 END"
     " FROM generate_series(1, 60) AS i",
     L"m", L"id", L"id", "m,id", "id", "trim_scale(m::numeric)::text", true},
    // Equal intervals written differently (a day and 24 hours, a month and 30 days).
    {"interval", L"kx_bsh_interval_@", "id integer PRIMARY KEY, d interval",
     "INSERT INTO {t} SELECT i, CASE WHEN i % 10 = 0 THEN NULL ELSE (ARRAY['1 day','24 hours','1 mon','30 days',"
     "'-2 hours 3 seconds','00:00:00.000001','1 year 2 mons 3 days 04:05:06.789012','-1 day +1 hour'])"
     "[1 + (i * 5) % 8]::interval END FROM generate_series(1, 60) AS i",
     L"d", L"id", L"id", "d,id", "id", "d::text", true},
    // Values a microsecond apart on every block boundary, some equal.
    {"timestamp(6)", L"kx_bsh_ts_@", "id integer PRIMARY KEY, ts timestamp(6)",
     "INSERT INTO {t} SELECT i, CASE WHEN i % 17 = 0 THEN NULL ELSE timestamp '2024-02-29 23:59:59.999990'"
     " + ((i * 7) % 40) * interval '1 microsecond' END FROM generate_series(1, 60) AS i",
     L"ts", L"id", L"id", "ts,id", "id", "to_char(ts, 'YYYYMMDDHH24MISSMS')", true},
    {"timestamptz", L"kx_bsh_tz_@", "id integer PRIMARY KEY, tz timestamptz",
     "INSERT INTO {t} SELECT i, CASE WHEN i % 17 = 0 THEN NULL ELSE timestamptz '2024-12-31 23:59:59.999990+02'"
     " + ((i * 11) % 40) * interval '1 microsecond' END FROM generate_series(1, 60) AS i",
     L"tz", L"id", L"id", "tz,id", "id", nullptr, true},
    // Values that differ in the tenth decimal only, and the widest.
    {"numeric(38,10)", L"kx_bsh_numeric_@", "id integer PRIMARY KEY, n numeric(38,10)",
     "INSERT INTO {t} SELECT i, CASE WHEN i % 13 = 0 THEN NULL WHEN i % 7 = 0 THEN"
     " -9999999999999999999999999999.9999999999 + i ELSE 1234567890123456789012345678.0123456789"
     " + ((i * 11) % 40) * 0.0000000001 END FROM generate_series(1, 60) AS i",
     L"n", L"id", L"id", "n,id", "id", "n::text", true},
    // A serial key and an identity column.
    {"serial and identity", L"kx_bsh_serial_@",
     "id serial PRIMARY KEY,"
     " g integer GENERATED ALWAYS AS IDENTITY (MINVALUE 1 MAXVALUE 1000 START WITH 100 INCREMENT BY -1), v integer",
     "INSERT INTO {t} (v) SELECT CASE WHEN i % 11 = 0 THEN NULL ELSE (i * 5) % 7 END"
     " FROM generate_series(1, 60) AS i",
     L"g", L"id", L"id", "g,id", "id", "g::text", true},
    {"identity key", L"kx_bsh_identity_@", "k bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, w text",
     "INSERT INTO {t} (w) SELECT CASE WHEN i % 11 = 0 THEN NULL ELSE 'w' || (i * 5) % 7 END"
     " FROM generate_series(1, 60) AS i",
     L"w", L"k", L"k", "w,k", "k", "w", true},
    // Twin rows, which nothing tells apart: read whole, in one SELECT.
    {"keyless twins", L"kx_bsh_twins_@", "a integer, b text",
     "INSERT INTO {t} SELECT i % 9, 'x' || (i % 2) FROM generate_series(1, 60) AS i", L"a", nullptr, L"a", "a,b",
     nullptr, "a::text || '|' || b", false, nullptr, true},
    // The same with an index that is not unique: still read whole.
    {"keyless twins, an index", L"kx_bsh_twinsix_@", "a integer, b text",
     "INSERT INTO {t} SELECT i % 9, CASE WHEN i % 10 = 0 THEN NULL ELSE 'x' || (i % 2) END"
     " FROM generate_series(1, 60) AS i; CREATE INDEX ON {t} (a)",
     L"b", L"a", L"a", "b,a", "a,b", "a::text || '|' || coalesce(b, '<NULL>')", false, nullptr, true},
    // A unique column that allows NULL tells apart none of its rows of NULL: read whole, as
    // blocks continued after a row of NULL would read the same twins again and again.
    {"twins of a NULL unique column", L"kx_bsh_nullkey_@", "a integer UNIQUE, b text",
     "INSERT INTO {t} SELECT CASE WHEN i % 3 = 0 THEN i END, 'x' || (i % 2) FROM generate_series(1, 60) AS i", L"b",
     L"a", L"a", "b,a", "a,b", "coalesce(a::text, '<NULL>') || '|' || b", false, nullptr, true},
    // Names with a double quote, a blank and letters outside ASCII, and a dot in the columns'.
    {"odd names", L"kx \"sh\" \u00E9t\u00E9 @",
     "\"\u00EFd \"\"q\"\".x\" integer PRIMARY KEY, \"v. \u00FC \"\"w\"\"\" text",
     "INSERT INTO {t} SELECT i, CASE WHEN i % 9 = 0 THEN NULL ELSE"
     " (ARRAY['\u00E9t\u00E9','ete','\u00C9T\u00C9','zz','a'])[1 + (i * 3) % 5] END"
     " FROM generate_series(1, 60) AS i",
     L"v. \u00FC \"w\"", L"\u00EFd \"q\".x", L"\u00EFd \"q\".x", "\"v. \u00FC \"\"w\"\"\",\"\u00EFd \"\"q\"\".x\"",
     "\"\u00EFd \"\"q\"\".x\"", "\"v. \u00FC \"\"w\"\"\"", true},
    // Backslashes and quotes, with strings read as the server reads them when they are not
    // standard.
    {"standard_conforming_strings off", L"kx_bsh_scs_@", "id integer PRIMARY KEY, s text",
     "INSERT INTO {t} SELECT i, (ARRAY[E'a\\\\b', E'a\\\\\\\\b', 'it''s', E'\\\\''', E'''\\\\', E'\\\\',"
     " '''''', E'x\\\\n'])[1 + i % 8] FROM generate_series(1, 60) AS i",
     L"s", L"id", L"id", "s,id", "id", "s", true, "SET standard_conforming_strings = off"},
};

// Each shape browsed along the item without an index and along the key, both ways: outside a
// transaction (along the item, from a cursor) and inside one (a SELECT a block), against psql.
TEST_P(BrowseShapesTest, SameRowsAsPsql) {
    KX_REQUIRE_PG_SERVER();
    const stShape& st = GetParam();
    for (int bAlongKey = 0; bAlongKey < 2; bAlongKey++) {
        if (bAlongKey && st.pszKey == nullptr) continue;
        const wchar_t* pszItem = bAlongKey ? st.pszKey : st.pszItem;
        for (int bForward = 1; bForward >= 0; bForward--) {
            SCOPED_TRACE(std::string(bAlongKey ? "along the key" : "along the item") +
                         (bForward ? ", forward" : ", backward"));
            const stRun stBlocks = Run(st, pszItem, bForward, true);
            const stRun stCursor = Run(st, pszItem, bForward, false);
            const std::vector<std::string> aPeer = Peer(st, bAlongKey ? st.pszKeyOrder : st.pszItemOrder, bForward);
            ASSERT_EQ(aPeer.size(), 60u);
            if (st.bWholeRow) {
                // The tags in the peer's order; the rows, none lost and none doubled.
                EXPECT_EQ(Tags(stCursor.aTagged), Tags(aPeer));
                EXPECT_EQ(Tags(stBlocks.aTagged), Tags(aPeer));
                EXPECT_EQ(Sorted(stCursor.aTagged), Sorted(aPeer));
                EXPECT_EQ(Sorted(stBlocks.aTagged), Sorted(aPeer));
            } else {
                EXPECT_EQ(stCursor.aTagged, aPeer);
                EXPECT_EQ(stBlocks.aTagged, aPeer);
            }
            EXPECT_EQ(stCursor.aRows, stBlocks.aRows);
            // Inside the transaction every block is a SELECT of its own.
            EXPECT_EQ(stBlocks.nDeclared, 0u);
            EXPECT_EQ(nStartingWith(stBlocks.aStatements, "DECLARE "), 0u);
            const bool bCursor = !bAlongKey && st.bCursor;
            EXPECT_EQ(stCursor.nDeclared > 0, bCursor);
            EXPECT_EQ(nStartingWith(stCursor.aStatements, "DECLARE kx_browse_") > 0, bCursor);
            EXPECT_EQ(nStartingWith(stCursor.aStatements, "FETCH FORWARD 7 FROM kx_browse_") > 0, bCursor);
            EXPECT_EQ(stCursor.nClosed, stCursor.nDeclared);
            for (const auto& stSeen : Cursors(stCursor.aStatements))
                EXPECT_TRUE(stSeen.second) << stSeen.first << " left open";
            if (HasFailure()) {
                std::string sSent;
                for (const std::string& s : stCursor.aStatements) sSent += s.substr(0, 300) + "\n";
                FAIL() << "the statements sent outside a transaction:\n" << sSent;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Shapes, BrowseShapesTest, testing::ValuesIn(g_astShapes),
                         [](const testing::TestParamInfo<stShape>& st) {
                             std::string s;
                             for (const char* p = st.param.pszName; *p != 0; p++)
                                 s += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return s;
                         });

// Texts with backslashes, foreseen as the browse writes them: between plain quotes when the server
// keeps backslashes as they are, in the escape form with each doubled when it reads them as escapes.
TEST(BrowseShapesText, BackslashesInTheNextBlockAsTheServerReadsThem) {
    using F = CPSQLPrefetch::Fields;
    struct stCase {
        const char* pszSQL;
        F aBefore, aLast;
        bool bBackslashEscapes;
        const char* pszNext;  // null: nothing foreseen
    } astCases[] = {
        {"SELECT s,id FROM t WHERE (s>E'a\\\\b' OR (s=E'a\\\\b' AND id>5)) ORDER BY s,id LIMIT 7",
         {"a\\b", "5"},
         {"x\\'", "9"},
         true,
         "SELECT s,id FROM t WHERE (s>E'x\\\\''' OR (s=E'x\\\\''' AND id>9)) ORDER BY s,id LIMIT 7"},
        // From the escape form to a text without a backslash, written plain; and back.
        {"SELECT s,id FROM t WHERE (s>E'\\\\' OR (s=E'\\\\' AND id>5)) ORDER BY s,id LIMIT 7",
         {"\\", "5"},
         {"it's", "9"},
         true,
         "SELECT s,id FROM t WHERE (s>'it''s' OR (s='it''s' AND id>9)) ORDER BY s,id LIMIT 7"},
        {"SELECT s,id FROM t WHERE (s>'''' OR (s='''' AND id>5)) ORDER BY s,id LIMIT 7",
         {"'", "5"},
         {"'\\", "9"},
         true,
         "SELECT s,id FROM t WHERE (s>E'''\\\\' OR (s=E'''\\\\' AND id>9)) ORDER BY s,id LIMIT 7"},
        // Runs of quotes at both ends and a non-ASCII text: every quote doubled, the runs between
        // kept byte for byte.
        {"SELECT s,id FROM t WHERE (s>'''''' OR (s='''''' AND id>5)) ORDER BY s,id LIMIT 7",
         {"''", "5"},
         {"'\xC3\xA9'\\''", "9"},
         true,
         "SELECT s,id FROM t WHERE (s>E'''\xC3\xA9''\\\\''''' OR (s=E'''\xC3\xA9''\\\\''''' AND id>9)) "
         "ORDER BY s,id LIMIT 7"},
        {"SELECT s,id FROM t WHERE (s>'''''' OR (s='''''' AND id>5)) ORDER BY s,id LIMIT 7",
         {"''", "5"},
         {"\xE6\xBC\xA2'x'", "9"},
         false,
         "SELECT s,id FROM t WHERE (s>'\xE6\xBC\xA2''x''' OR (s='\xE6\xBC\xA2''x''' AND id>9)) ORDER BY s,id LIMIT 7"},
        // Backslashes kept as they are: plain quotes, nothing doubled.
        {"SELECT s,id FROM t WHERE (s>'a\\b' OR (s='a\\b' AND id>5)) ORDER BY s,id LIMIT 7",
         {"a\\b", "5"},
         {"c\\\\d", "9"},
         false,
         "SELECT s,id FROM t WHERE (s>'c\\\\d' OR (s='c\\\\d' AND id>9)) ORDER BY s,id LIMIT 7"},
        // A text in the form the server does not read it in is not the field: no guess.
        {"SELECT s FROM t WHERE s>'a\\b' ORDER BY s LIMIT 7", {"a\\b"}, {"c"}, true, nullptr},
        {"SELECT s FROM t WHERE s>E'a\\\\b' ORDER BY s LIMIT 7", {"a\\b"}, {"c"}, false, nullptr},
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(st.pszSQL);
        std::string sNext;
        const bool b = CPSQLPrefetch::s_bNextBlockText(st.pszSQL, st.aBefore, st.aLast, &sNext, st.bBackslashEscapes);
        EXPECT_EQ(b, st.pszNext != nullptr);
        if (st.pszNext != nullptr) {
            EXPECT_EQ(sNext, st.pszNext);
        }
    }
}

}  // namespace
