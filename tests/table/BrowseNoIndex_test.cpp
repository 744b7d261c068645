// A browse along an item the server has no index for reads its blocks from one cursor over the rows
// sorted once, and reads exactly what the browse that sorts the table for each block reads: along
// integers and texts with ties and NULLs, both ways, with writes, seeks, transactions and turns
// between the reads. Whatever else runs on the connection closes the cursor first; the server is
// never left with one open. The road that sorts for each block is the one a client library without
// the asynchronous calls takes.

#include "tests/table/BrowseRoadFixture.h"

using namespace seektest;

namespace {

class BrowseNoIndexTest : public BrowseRoadTest {
protected:
    BrowseNoIndexTest() : BrowseRoadTest("kx_bni_") {}
    // 300 rows, id 1 to 300 the key; v an integer of seven values and NULLs, s a text of fifteen
    // values whose order the collation decides (case, accents, blanks, punctuation) and NULLs;
    // neither has an index. Blocks of 20 rows.
    CNADataAccess* pclFresh() {
        CreateTable(m_clServer, m_sTable, "id integer PRIMARY KEY, v integer, s text",
                    "INSERT INTO " + m_sTable +
                        " SELECT i, CASE WHEN i % 11 = 0 THEN NULL ELSE (i * 5) % 7 END,"
                        " CASE WHEN i % 13 = 0 THEN NULL ELSE (ARRAY['apple','Apple','APPLE','banana','Banana',"
                        "'\xC3\xA9" "clair','Eclair','eclair','zebra','Zebra','_x','-y',' z','a b','ab'])[1 + (i * 7) % 15] END"
                        " FROM generate_series(1, 300) AS i");
        return pclOpen(wsOf(m_sTable).c_str());
    }

    std::string sRow(CNADataAccess* pclAccess) {
        return sOf(wsValue(pclAccess, L"id") + L"/" + wsValue(pclAccess, L"v") + L"/" + wsValue(pclAccess, L"s"));
    }

    // What is done between two reads.
    enum eAction {
        NOTHING,
        INSERT_AHEAD,          // a row of the current row's value with a greater id, through the connection
        DELETE,                // a row of another id, through the connection
        TRANSACTION,           // BEGIN, a row moved to the current row's value, COMMIT
        WRITE_THROUGH_ACCESS,  // a seek by the key, then the row found changed through the access
        SEEK,                  // a seek by the key, nothing written
        TURN,                  // 25 rows read back, then 25 forth again (rows read kept too)
        CYCLE,                 // each of the above in turn
    };

    // Browses the table along the item, first to last (or last to first), doing eAction after every
    // nEvery-th row read; every row read as "id/v/s".
    std::vector<std::string> Browse(CNADataAccess* pclAccess, const wchar_t* pszItem, eAction eEvery, int nEvery,
                                    bool bForward) {
        std::vector<std::string> aRows;
        const eNA_PARSEDIRECTION eOn = bForward ? NA_PARSE_NEXT : NA_PARSE_PREVIOUS;
        const eNA_PARSEDIRECTION eBack = bForward ? NA_PARSE_PREVIOUS : NA_PARSE_NEXT;
        eNA_PARSEDIRECTION eDirection = bForward ? NA_PARSE_FIRST : NA_PARSE_LAST;
        for (int nRead = 0; nRead < 500; nRead++) {
            if (!bRead(pclAccess, pszItem, eDirection)) {
                ADD_FAILURE() << "read: " << sError();
                break;
            }
            eDirection = eOn;
            if (bOut(pclAccess, pszItem)) break;
            const long nId = std::stol(wsValue(pclAccess, L"id"));
            const std::wstring wsV = wsValue(pclAccess, L"v");
            const std::wstring wsS = wsValue(pclAccess, L"s");
            aRows.push_back(sRow(pclAccess));
            if (nEvery < 1 || (nRead + 1) % nEvery != 0) continue;
            const eAction eNow = eEvery == CYCLE ? static_cast<eAction>(1 + (nRead / nEvery) % 6) : eEvery;
            const std::string sOther = std::to_string((nId * 37) % 300 + 1);
            const std::string sItem = sOf(pszItem);
            const std::wstring& wsItemValue = sItem == "v" ? wsV : wsS;
            const std::string sValue =
                wsItemValue == L"<NULL>" ? "NULL" : "'" + std::string(sOf(wsItemValue)) + "'";
            switch (eNow) {
                case INSERT_AHEAD:
                    EXPECT_EQ(bExec(pclAccess, "INSERT INTO " + m_sTable + " (id, " + sItem + ") VALUES (" +
                                                   std::to_string(1000 + nRead) + ", " + sValue + ")"),
                              1)
                        << sError();
                    break;
                case DELETE:
                    EXPECT_EQ(bExec(pclAccess, "DELETE FROM " + m_sTable + " WHERE id = " + sOther), 1) << sError();
                    break;
                case TRANSACTION:
                    EXPECT_EQ(pclAccess->pclGetConnectionNoRef()->bTransactionBeginDirect(m_pclError), 1) << sError();
                    EXPECT_EQ(bExec(pclAccess, "UPDATE " + m_sTable + " SET " + sItem + " = " + sValue +
                                                   " WHERE id = " + sOther),
                              1)
                        << sError();
                    EXPECT_EQ(pclAccess->pclGetConnectionNoRef()->bTransactionCommitDirect(m_pclError), 1) << sError();
                    break;
                case WRITE_THROUGH_ACCESS:
                case SEEK: {
                    // Another statement of the access (by the key) finds a row; the browse then goes
                    // on from its own place.
                    eNA_LOCKTYPE eLockOut = static_cast<eNA_LOCKTYPE>(0);
                    CAny clKey;
                    clKey.SetI4(std::stoi(sOther));
                    EXPECT_EQ(pclAccess->bHRecherche(L"id", &clKey, 0, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, 1, 0),
                              1)
                        << sError();
                    if (eNow == WRITE_THROUGH_ACCESS && bFound(pclAccess, L"id")) {
                        SetInt(pclAccess, L"v", (nId * 3) % 7);
                        EXPECT_EQ(pclAccess->bHModifie(0, 0, static_cast<eNA_LOCKTYPE>(0)), 1) << sError();
                    }
                    break;
                }
                case TURN:
                    for (int n = 0; n < 50; n++) {
                        if (!bRead(pclAccess, pszItem, n < 25 ? eBack : eOn)) {
                            ADD_FAILURE() << "read: " << sError();
                            break;
                        }
                        aRows.push_back(bOut(pclAccess, pszItem) ? "<out>" : sRow(pclAccess));
                    }
                    break;
                default:
                    break;
            }
        }
        return aRows;
    }

    // The same browse on a fresh table, by the road that sorts for each block and by the road
    // that may read from a cursor; the statements each sent, from the server's log.
    struct stRun {
        std::vector<std::string> aRows;
        std::vector<std::string> aStatements;
        uint64_t nDeclared = 0, nClosed = 0;
    };
    stRun Run(bool bCursor, const wchar_t* pszItem, eAction eEvery, int nEvery, bool bForward,
              bool bInTransaction = false) {
        stRun st;
        CNADataAccess* pclAccess = pclFresh();
        if (pclAccess == nullptr) return st;
        // After the open, which binds the client library's functions.
        if (!bCursor) WithoutAsynchronousCalls();
        const long nPid = nBackendPid(pclAccess);
        pgsandbox::CStatementLog clLog;
        const uint64_t nDeclared = CPSQLPrefetch::s_nCursorsDeclared, nClosed = CPSQLPrefetch::s_nCursorsClosed;
        if (bInTransaction) {
            EXPECT_EQ(pclAccess->pclGetConnectionNoRef()->bTransactionBeginDirect(m_pclError), 1) << sError();
        }
        st.aRows = Browse(pclAccess, pszItem, eEvery, nEvery, bForward);
        if (bInTransaction) {
            EXPECT_EQ(pclAccess->pclGetConnectionNoRef()->bTransactionCommitDirect(m_pclError), 1) << sError();
        }
        st.nDeclared = CPSQLPrefetch::s_nCursorsDeclared - nDeclared;
        st.nClosed = CPSQLPrefetch::s_nCursorsClosed - nClosed;
        WaitLogged(pclAccess, clLog, nPid);
        st.aStatements = StatementsThenRelease(pclAccess, clLog, nPid);
        return st;
    }

    // The statements that make the server read and sort the table: its SELECTs and the cursors'
    // declarations.
    size_t nSorts(const std::vector<std::string>& aStatements) const {
        size_t n = 0;
        for (const std::string& s : aStatements)
            if ((s.rfind("SELECT ", 0) == 0 || s.rfind("DECLARE ", 0) == 0) && s.find(m_sTable) != std::string::npos &&
                s.find(" ORDER BY ") != std::string::npos)
                n++;
        return n;
    }

};

// Same rows in the same order as the road that sorts for each block, whatever is done between the
// reads; every cursor declared is closed.
TEST_F(BrowseNoIndexTest, SameRowsAsTheBrowseThatSortsForEachBlock) {
    KX_REQUIRE_PG_SERVER();
    struct stCase {
        const char* pszName;
        const wchar_t* pszItem;
        eAction eEvery;
        int nEvery;
        bool bForward;
    } astCases[] = {
        {"integers, nothing between the reads", L"v", NOTHING, 0, true},
        {"integers, nothing between the reads, backward", L"v", NOTHING, 0, false},
        {"texts, nothing between the reads", L"s", NOTHING, 0, true},
        {"texts, nothing between the reads, backward", L"s", NOTHING, 0, false},
        // At every block boundary (20 rows a block).
        {"integers, a row inserted ahead at every block boundary", L"v", INSERT_AHEAD, 20, true},
        {"texts, a row inserted ahead at every block boundary", L"s", INSERT_AHEAD, 20, true},
        {"integers, a transaction at every block boundary", L"v", TRANSACTION, 20, true},
        {"texts, a write through the access at every block boundary, backward", L"s", WRITE_THROUGH_ACCESS, 20, false},
        {"integers, a seek at every block boundary", L"v", SEEK, 20, true},
        {"texts, a turn at every block boundary", L"s", TURN, 20, true},
        {"integers, a turn at every block boundary, backward", L"v", TURN, 20, false},
        // Some blocks with something else run, some without.
        {"integers, each in turn after every 47th row", L"v", CYCLE, 47, true},
        {"texts, each in turn after every 43rd row", L"s", CYCLE, 43, true},
        {"texts, each in turn after every 53rd row, backward", L"s", CYCLE, 53, false},
        {"integers, each in turn after every 61st row, backward", L"v", CYCLE, 61, false},
    };
    for (const stCase& stTest : astCases) {
        SCOPED_TRACE(stTest.pszName);
        const stRun stSort = Run(false, stTest.pszItem, stTest.eEvery, stTest.nEvery, stTest.bForward);
        const stRun stCursor = Run(true, stTest.pszItem, stTest.eEvery, stTest.nEvery, stTest.bForward);
        ASSERT_GE(stSort.aRows.size(), 250u);
        EXPECT_EQ(stSort.nDeclared, 0u);
        EXPECT_EQ(stCursor.aRows, stSort.aRows);
        EXPECT_EQ(stCursor.nClosed, stCursor.nDeclared);
        for (const auto& stCursorSeen : Cursors(stCursor.aStatements))
            EXPECT_TRUE(stCursorSeen.second) << stCursorSeen.first << " left open";
        switch (stTest.eEvery) {
            case NOTHING:
                EXPECT_GT(stCursor.nDeclared, 0u);
                // Far fewer sorts of the table than blocks.
                EXPECT_LT(nSorts(stCursor.aStatements) * 2, nSorts(stSort.aStatements));
                // The cursor is closed when its rows run out, not by the statement that follows.
                EXPECT_EQ(stCursor.aStatements.back().rfind("CLOSE kx_browse_", 0), 0u) << stCursor.aStatements.back();
                break;
            case TURN:
            case CYCLE:
                // Cursors ended early make the browse wait longer before the next: a few sorts
                // more than blocks at most.
                EXPECT_LE(nSorts(stCursor.aStatements), nSorts(stSort.aStatements) + 3);
                break;
            default:
                // Another statement ran at every block boundary: every block is read as it always
                // was, and nothing is sorted for a cursor that would not serve.
                EXPECT_EQ(stCursor.nDeclared, 0u);
                EXPECT_EQ(nSorts(stCursor.aStatements), nSorts(stSort.aStatements));
                break;
        }
    }
}

// Inside a transaction block no cursor is declared: it would end with the transaction, or keep its
// rows past it. The rows are those of the road that sorts for each block.
TEST_F(BrowseNoIndexTest, NoCursorInsideATransaction) {
    KX_REQUIRE_PG_SERVER();
    const stRun stSort = Run(false, L"s", NOTHING, 0, true, true);
    const stRun stCursor = Run(true, L"s", NOTHING, 0, true, true);
    EXPECT_EQ(stSort.aRows.size(), 300u);
    EXPECT_EQ(stCursor.aRows, stSort.aRows);
    EXPECT_EQ(stCursor.nDeclared, 0u);
    EXPECT_EQ(stCursor.aStatements, stSort.aStatements);
}

// A browse left half-way closes its cursor when it starts again, and when the access goes.
TEST_F(BrowseNoIndexTest, ABrowseLeftHalfWayClosesItsCursor) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclFresh();
    ASSERT_NE(pclAccess, nullptr);
    const long nPid = nBackendPid(pclAccess);
    pgsandbox::CStatementLog clLog;
    auto ReadRows = [&](int nRows) {
        std::vector<std::string> a;
        for (int n = 0; n < nRows; n++) {
            EXPECT_EQ(bRead(pclAccess, L"v", n == 0 ? NA_PARSE_FIRST : NA_PARSE_NEXT), 1) << sError();
            a.push_back(sRow(pclAccess));
        }
        return a;
    };
    const uint64_t nDeclared = CPSQLPrefetch::s_nCursorsDeclared, nClosed = CPSQLPrefetch::s_nCursorsClosed;
    const std::vector<std::string> aFirst = ReadRows(110);
    EXPECT_EQ(CPSQLPrefetch::s_nCursorsDeclared, nDeclared + 1);
    EXPECT_EQ(CPSQLPrefetch::s_nCursorsClosed, nClosed);
    // From the first row again: the cursor goes before the new browse's first block.
    EXPECT_EQ(ReadRows(110), aFirst);
    EXPECT_EQ(CPSQLPrefetch::s_nCursorsDeclared, nDeclared + 2);
    EXPECT_EQ(CPSQLPrefetch::s_nCursorsClosed, nClosed + 1);
    Release(pclAccess);
    EXPECT_EQ(CPSQLPrefetch::s_nCursorsClosed, nClosed + 2);
    // The server's log holds a CLOSE after each DECLARE.
    std::vector<std::pair<std::string, bool>> aCursors;
    for (int i = 0; i < 100; i++) {
        aCursors = Cursors(clLog.Statements(nPid));
        if (aCursors.size() == 2 && aCursors[0].second && aCursors[1].second) break;
        usleep(50000);
    }
    ASSERT_EQ(aCursors.size(), 2u);
    EXPECT_TRUE(aCursors[0].second);
    EXPECT_TRUE(aCursors[1].second);
}

// The texts that read a browse's blocks from a cursor, from the SELECT of a block.
TEST(BrowseNoIndexText, TheCursorReadsTheSelectWithoutItsLimit) {
    struct stCase {
        const char* pszSelect;
        const char* pszDeclare;  // null: no cursor
        const char* pszFetch;
        long nBlock;
    } astCases[] = {
        {"SELECT id,v FROM t WHERE (v>3 OR (v=3 AND id>40)) ORDER BY v,id LIMIT 20",
         "DECLARE kx_browse_7 NO SCROLL CURSOR WITH HOLD FOR SELECT id,v FROM t WHERE (v>3 OR (v=3 AND id>40)) "
         "ORDER BY v,id; FETCH FORWARD 20 FROM kx_browse_7",
         "FETCH FORWARD 20 FROM kx_browse_7", 20},
        // The outer LIMIT only: one inside a derived table stays.
        {"SELECT * FROM (SELECT a FROM t LIMIT 5) KX_SUBQUERY ORDER BY a LIMIT 100",
         "DECLARE kx_browse_7 NO SCROLL CURSOR WITH HOLD FOR SELECT * FROM (SELECT a FROM t LIMIT 5) KX_SUBQUERY "
         "ORDER BY a; FETCH FORWARD 100 FROM kx_browse_7",
         "FETCH FORWARD 100 FROM kx_browse_7", 100},
        // No count at the very end, an offset, a lock, a count of 0, no SELECT: no cursor.
        {"SELECT a FROM t ORDER BY a", nullptr, nullptr, 0},
        {"SELECT a FROM t ORDER BY a LIMIT 20 OFFSET 3", nullptr, nullptr, 0},
        {"SELECT a FROM t ORDER BY a LIMIT 20 FOR UPDATE", nullptr, nullptr, 0},
        {"SELECT a FROM t ORDER BY a LIMIT 0", nullptr, nullptr, 0},
        {"SELECT a FROM t ORDER BY a LIMIT ", nullptr, nullptr, 0},
        {"SELECT a FROM t ORDER BY a LIMIT 1234567890", nullptr, nullptr, 0},
        {"UPDATE t SET a = 1 WHERE a IN (SELECT a FROM t LIMIT 3)", nullptr, nullptr, 0},
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(st.pszSelect);
        std::string sDeclare, sFetch;
        long nBlock = 0;
        const bool b = CPSQLPrefetch::s_bCursorTexts(st.pszSelect, 7, &sDeclare, &sFetch, &nBlock);
        EXPECT_EQ(b, st.pszDeclare != nullptr);
        if (st.pszDeclare != nullptr) {
            EXPECT_EQ(sDeclare, st.pszDeclare);
            EXPECT_EQ(sFetch, st.pszFetch);
            EXPECT_EQ(nBlock, st.nBlock);
        }
    }
}

}  // namespace
