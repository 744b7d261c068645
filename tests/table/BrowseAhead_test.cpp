// A browse whose next block is sent ahead while the host reads the current one reads exactly what
// the browse that waits for each block reads: with writes (through the connection and through the
// access), a transaction and nothing at all between the reads, at every block boundary. The server
// receives the same statements, plus the blocks sent ahead that something else on the connection
// made useless. The road that waits is the one a client library without the asynchronous calls
// takes.
#include "tests/table/BrowseRoadFixture.h"

using namespace seektest;

namespace {

class BrowseAheadTest : public BrowseRoadTest {
protected:
    BrowseAheadTest() : BrowseRoadTest("kx_bah_") {}
    // 300 rows: id 1 to 300, v = id % 7, s = 'r' || id; blocks of 20 rows.
    CNADataAccess* pclFresh() {
        CreateTable(m_clServer, m_sTable, "id integer PRIMARY KEY, v integer, s varchar(20)",
                    "INSERT INTO " + m_sTable + " SELECT i, i % 7, 'r' || i FROM generate_series(1, 300) AS i");
        m_clServer.Run("CREATE INDEX ON " + m_sTable + " (s)");
        return pclOpen(wsOf(m_sTable).c_str());
    }


    // What is done between two reads, after the row read last (nRead rows so far).
    enum eAction { NOTHING, DELETE_AHEAD, TRANSACTION, WRITE_THROUGH_ACCESS, CYCLE };

    // Browses the table by id, first to last (or last to first), doing eAction after every
    // nEvery-th row read (CYCLE: each action in turn); every row read as "id/v/s".
    std::vector<std::string> Browse(CNADataAccess* pclAccess, eAction eEvery, int nEvery, bool bForward) {
        std::vector<std::string> aRows;
        eNA_PARSEDIRECTION eDirection = bForward ? NA_PARSE_FIRST : NA_PARSE_LAST;
        for (int nRead = 0; nRead < 400; nRead++) {
            if (!bRead(pclAccess, L"id", eDirection)) {
                ADD_FAILURE() << "read: " << sError();
                break;
            }
            eDirection = bForward ? NA_PARSE_NEXT : NA_PARSE_PREVIOUS;
            if (bOut(pclAccess, L"id")) break;
            const long nId = std::stol(wsValue(pclAccess, L"id"));
            aRows.push_back(sOf(wsValue(pclAccess, L"id") + L"/" + wsValue(pclAccess, L"v") + L"/" +
                                wsValue(pclAccess, L"s")));
            if (nEvery < 1 || (nRead + 1) % nEvery != 0) continue;
            eAction eNow = eEvery == CYCLE ? static_cast<eAction>(1 + (nRead / nEvery) % 3) : eEvery;
            const long nAhead = bForward ? nId + 9 : nId - 9;
            switch (eNow) {
                case DELETE_AHEAD:
                    EXPECT_EQ(bExec(pclAccess, "DELETE FROM " + m_sTable + " WHERE id = " + std::to_string(nAhead)), 1)
                        << sError();
                    break;
                case TRANSACTION:
                    EXPECT_EQ(pclAccess->pclGetConnectionNoRef()->bTransactionBeginDirect(m_pclError), 1) << sError();
                    EXPECT_EQ(bExec(pclAccess, "UPDATE " + m_sTable + " SET v = v + 100 WHERE id = " +
                                                   std::to_string(nAhead - (bForward ? 4 : -4))),
                              1)
                        << sError();
                    EXPECT_EQ(pclAccess->pclGetConnectionNoRef()->bTransactionCommitDirect(m_pclError), 1) << sError();
                    break;
                case WRITE_THROUGH_ACCESS: {
                    // Another browse of the access (by s) finds a row ahead and changes it; the id
                    // browse then goes on from its own place.
                    eNA_LOCKTYPE eLockOut = static_cast<eNA_LOCKTYPE>(0);
                    const CAny clKey = Text(wsOf("r" + std::to_string(nAhead - (bForward ? 2 : -2))).c_str());
                    EXPECT_EQ(pclAccess->bHRecherche(L"s", &clKey, 0, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, 1, 0),
                              1)
                        << sError();
                    if (bFound(pclAccess, L"s")) {
                        SetInt(pclAccess, L"v", 1000 + nId);
                        EXPECT_EQ(pclAccess->bHModifie(0, 0, static_cast<eNA_LOCKTYPE>(0)), 1) << sError();
                    }
                    break;
                }
                default:
                    break;
            }
        }
        return aRows;
    }

    // The same browse on a fresh table, by the road that waits and by the road that sends ahead;
    // the statements each sent, from the server's log.
    struct stRun {
        std::vector<std::string> aRows;
        std::vector<std::string> aStatements;
        uint64_t nSent = 0, nTaken = 0, nDiscarded = 0;
    };
    stRun Run(bool bAhead, eAction eEvery, int nEvery, bool bForward) {
        stRun st;
        CNADataAccess* pclAccess = pclFresh();
        if (pclAccess == nullptr) return st;
        // After the open, which binds the client library's functions.
        if (!bAhead) WithoutAsynchronousCalls();
        const long nPid = nBackendPid(pclAccess);
        pgsandbox::CStatementLog clLog;
        const uint64_t nSent = CPSQLPrefetch::s_nSent, nTaken = CPSQLPrefetch::s_nTaken,
                       nDiscarded = CPSQLPrefetch::s_nDiscarded;
        st.aRows = Browse(pclAccess, eEvery, nEvery, bForward);
        st.nSent = CPSQLPrefetch::s_nSent - nSent;
        st.nTaken = CPSQLPrefetch::s_nTaken - nTaken;
        WaitLogged(pclAccess, clLog, nPid);
        st.nDiscarded = CPSQLPrefetch::s_nDiscarded - nDiscarded;
        st.aStatements = StatementsThenRelease(pclAccess, clLog, nPid);
        return st;
    }

};

// Same rows, same statements: what was sent ahead is either the statement the browse sends next
// (taken) or, when something else ran first, an extra one the log holds where it was sent.
TEST_F(BrowseAheadTest, SameRowsAndStatementsAsTheBrowseThatWaits) {
    KX_REQUIRE_PG_SERVER();
    struct stCase {
        const char* pszName;
        eAction eEvery;
        int nEvery;
        bool bForward;
    } astCases[] = {
        {"nothing between the reads", NOTHING, 0, true},
        {"nothing between the reads, backward", NOTHING, 0, false},
        {"a delete ahead after every row", DELETE_AHEAD, 1, true},
        {"a transaction after every row", TRANSACTION, 1, true},
        {"a write through the access after every row", WRITE_THROUGH_ACCESS, 1, true},
        // Some blocks with something else read, some without.
        {"each in turn after every 47th row", CYCLE, 47, true},
        {"each in turn after every 53rd row, backward", CYCLE, 53, false},
    };
    for (const stCase& stTest : astCases) {
        SCOPED_TRACE(stTest.pszName);
        const stRun stWait = Run(false, stTest.eEvery, stTest.nEvery, stTest.bForward);
        const stRun stAhead = Run(true, stTest.eEvery, stTest.nEvery, stTest.bForward);
        ASSERT_GT(stWait.aRows.size(), 150u);
        EXPECT_EQ(stWait.nSent, 0u);
        EXPECT_EQ(stAhead.aRows, stWait.aRows);
        // Every block sent ahead was taken or discarded.
        EXPECT_EQ(stAhead.nSent, stAhead.nTaken + stAhead.nDiscarded);
        if (stTest.eEvery == NOTHING) {
            // Nothing got between: every block after the second came ahead of its read.
            EXPECT_GE(stAhead.nTaken, 12u);
            EXPECT_EQ(stAhead.nDiscarded, 0u);
        }
        if (stTest.eEvery == CYCLE) {
            EXPECT_GT(stAhead.nTaken, 0u);
        }
        // The log of the road ahead is that of the road that waits with the discarded blocks
        // inserted: each extra statement is a SELECT of the table.
        size_t nWait = 0;
        uint64_t nExtra = 0;
        for (const std::string& s : stAhead.aStatements) {
            if (nWait < stWait.aStatements.size() && s == stWait.aStatements[nWait]) {
                nWait++;
                continue;
            }
            nExtra++;
            EXPECT_EQ(s.rfind("SELECT ", 0), 0u) << s;
            EXPECT_NE(s.find(m_sTable), std::string::npos) << s;
        }
        EXPECT_EQ(nWait, stWait.aStatements.size()) << "a statement of the road that waits is missing";
        EXPECT_EQ(nExtra, stAhead.nDiscarded);
    }
}

// A browse that starts afresh (first, last, a seek) while a block it sent ahead is still pending
// cannot use that block; the fresh browse then sends its own blocks ahead again, with the same rows
// and statements as the road that waits.
TEST_F(BrowseAheadTest, AFreshStartAfterAnUnusedBlockSendsAheadAgain) {
    KX_REQUIRE_PG_SERVER();
    enum eRestart { FIRST, LAST, SEEK };
    struct stCase {
        const char* pszName;
        eRestart eHow;
    } astCases[] = {
        {"first again", FIRST},
        {"last", LAST},
        {"a seek", SEEK},
    };
    for (const stCase& stTest : astCases) {
        SCOPED_TRACE(stTest.pszName);
        struct stRoad {
            std::vector<std::string> aRows, aStatements;
            uint64_t nSentAfter = 0, nTakenAfter = 0, nDiscarded = 0;
        } astRoad[2];
        for (int bAhead = 0; bAhead < 2; bAhead++) {
            stRoad& st = astRoad[bAhead];
            CNADataAccess* pclAccess = pclFresh();
            ASSERT_NE(pclAccess, nullptr);
            if (!bAhead) WithoutAsynchronousCalls();
            const long nPid = nBackendPid(pclAccess);
            pgsandbox::CStatementLog clLog;
            const uint64_t nDiscarded = CPSQLPrefetch::s_nDiscarded;
            auto Row = [&] {
                st.aRows.push_back(sOf(wsValue(pclAccess, L"id") + L"/" + wsValue(pclAccess, L"s")));
            };
            // 45 rows forward: the third block came ahead, the fourth is on its way.
            for (int n = 0; n < 45; n++) {
                ASSERT_EQ(bRead(pclAccess, L"id", n == 0 ? NA_PARSE_FIRST : NA_PARSE_NEXT), 1) << sError();
                Row();
            }
            const uint64_t nSent = CPSQLPrefetch::s_nSent, nTaken = CPSQLPrefetch::s_nTaken;
            eNA_PARSEDIRECTION eOn = NA_PARSE_NEXT;
            if (stTest.eHow == FIRST) {
                ASSERT_EQ(bRead(pclAccess, L"id", NA_PARSE_FIRST), 1) << sError();
            } else if (stTest.eHow == LAST) {
                ASSERT_EQ(bRead(pclAccess, L"id", NA_PARSE_LAST), 1) << sError();
                eOn = NA_PARSE_PREVIOUS;
            } else {
                CAny clKey;
                clKey.SetI4(150);
                eNA_LOCKTYPE eLockOut = static_cast<eNA_LOCKTYPE>(0);
                ASSERT_EQ(pclAccess->bHRecherche(L"id", &clKey, 0, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, 1, 0), 1)
                    << sError();
                EXPECT_EQ(bFound(pclAccess, L"id"), 1);
            }
            Row();
            // 80 rows on from there: four blocks more.
            for (int n = 0; n < 80; n++) {
                ASSERT_EQ(bRead(pclAccess, L"id", eOn), 1) << sError();
                ASSERT_EQ(bOut(pclAccess, L"id"), 0);
                Row();
            }
            st.nSentAfter = CPSQLPrefetch::s_nSent - nSent;
            st.nTakenAfter = CPSQLPrefetch::s_nTaken - nTaken;
            WaitLogged(pclAccess, clLog, nPid);
            st.nDiscarded = CPSQLPrefetch::s_nDiscarded - nDiscarded;
            st.aStatements = StatementsThenRelease(pclAccess, clLog, nPid);
        }
        const stRoad &stWait = astRoad[0], &stAhead = astRoad[1];
        EXPECT_EQ(stAhead.aRows, stWait.aRows);
        EXPECT_EQ(stWait.aRows.size(), 126u);
        // The block pending at the fresh start was read and dropped, and so was the one pending
        // at the end; in between the fresh browse sent its blocks ahead and used them.
        EXPECT_EQ(stAhead.nDiscarded, 2u);
        EXPECT_GE(stAhead.nTakenAfter, 2u);
        EXPECT_EQ(stAhead.nSentAfter, stAhead.nTakenAfter + 1);
        // The statements of the road that waits, with the dropped blocks where they were sent.
        std::vector<std::string> aExtra;
        size_t nWait = 0;
        for (const std::string& s : stAhead.aStatements) {
            if (nWait < stWait.aStatements.size() && s == stWait.aStatements[nWait])
                nWait++;
            else
                aExtra.push_back(s);
        }
        EXPECT_EQ(nWait, stWait.aStatements.size()) << "a statement of the road that waits is missing";
        EXPECT_EQ(aExtra.size(), 2u);
        for (const std::string& s : aExtra) EXPECT_NE(s.find(m_sTable), std::string::npos) << s;
    }
}

// A guess of the next block that turns out wrong (here a filter's bound that happens to be a field
// of the row the guess starts from) stops sending ahead for the rest of that browse, rather than
// sending a query at every block that may miss again; the next browse from the first row sends
// ahead again.
TEST_F(BrowseAheadTest, AMissStopsSendingAheadUntilTheBrowseStartsAfresh) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclFresh();
    ASSERT_NE(pclAccess, nullptr);
    // id 6 to 300. Blocks of 20 end on id 25, 45, ..., and v = id % 7 is 6 on id 125: the guess
    // made from that row writes the next row's v (145 % 7 = 5) for the bound 6.
    CAny clMin, clMax;
    clMin.SetI4(6);
    clMax.SetI4(300);
    ASSERT_EQ(pclAccess->bHFiltre(L"id", &clMin, 1, &clMax, 1, nullptr), 1) << sError();
    for (int nBrowse = 0; nBrowse < 2; nBrowse++) {
        SCOPED_TRACE(nBrowse == 0 ? "first browse" : "second browse");
        const uint64_t nTaken = CPSQLPrefetch::s_nTaken;
        uint64_t nSentBeforeMiss = 0, nSentAfterMiss = 0;
        bool bMissed = false;
        std::vector<long> anIds;
        for (int nRead = 0; nRead < 400; nRead++) {
            const uint64_t nSent = CPSQLPrefetch::s_nSent, nDiscarded = CPSQLPrefetch::s_nDiscarded;
            ASSERT_EQ(bRead(pclAccess, L"id", nRead == 0 ? NA_PARSE_FIRST : NA_PARSE_NEXT), 1) << sError();
            if (CPSQLPrefetch::s_nDiscarded != nDiscarded) bMissed = true;
            (bMissed ? nSentAfterMiss : nSentBeforeMiss) += CPSQLPrefetch::s_nSent - nSent;
            if (bOut(pclAccess, L"id")) break;
            anIds.push_back(std::stol(wsValue(pclAccess, L"id")));
        }
        // Every row of the filter, once, in order.
        ASSERT_EQ(anIds.size(), 295u);
        for (size_t i = 0; i < anIds.size(); i++) ASSERT_EQ(anIds[i], static_cast<long>(i) + 6);
        EXPECT_TRUE(bMissed);
        // Blocks sent ahead before the miss, used; after it, nothing more in this browse.
        EXPECT_GE(nSentBeforeMiss, 3u);
        EXPECT_EQ(CPSQLPrefetch::s_nTaken - nTaken, nSentBeforeMiss - 1);
        EXPECT_EQ(nSentAfterMiss, 0u);
    }
    Release(pclAccess);
}

// Inside a transaction block nothing is sent ahead: a statement that failed there would abort the
// host's transaction.
TEST_F(BrowseAheadTest, NothingIsSentAheadInsideATransaction) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclFresh();
    ASSERT_NE(pclAccess, nullptr);
    ASSERT_EQ(pclAccess->pclGetConnectionNoRef()->bTransactionBeginDirect(m_pclError), 1) << sError();
    const uint64_t nSent = CPSQLPrefetch::s_nSent;
    const std::vector<std::string> aRows = Browse(pclAccess, NOTHING, 0, true);
    EXPECT_EQ(aRows.size(), 300u);
    EXPECT_EQ(CPSQLPrefetch::s_nSent, nSent);
    EXPECT_EQ(pclAccess->pclGetConnectionNoRef()->bTransactionCommitDirect(m_pclError), 1) << sError();
}

// The next block's text foreseen from the current one: the literals of the WHERE clause that are
// fields of the row the current block followed become those of its last row.
TEST(BrowseAheadText, TheNextBlockFollowsTheLastRow) {
    using F = CPSQLPrefetch::Fields;
    struct stCase {
        const char* pszSQL;
        F aBefore, aLast;
        const char* pszNext;  // null: nothing foreseen
    } astCases[] = {
        {"SELECT id,s FROM t WHERE id>20 ORDER BY id LIMIT 20", {"20", "r20"}, {"40", "r40"},
         "SELECT id,s FROM t WHERE id>40 ORDER BY id LIMIT 20"},
        // The LIMIT and a number inside a longer one are not the field.
        {"SELECT id FROM t WHERE id<20 AND x=120 ORDER BY id DESC LIMIT 20", {"20"}, {"7"},
         "SELECT id FROM t WHERE id<7 AND x=120 ORDER BY id DESC LIMIT 20"},
        // Texts between quotes, a quote doubled; the key after the item.
        {"SELECT s,id FROM t WHERE (s>'O''Hara' OR (s='O''Hara' AND id>5)) ORDER BY s,id LIMIT 9", {"O'Hara", "5"},
         {"Smith", "12"}, "SELECT s,id FROM t WHERE (s>'Smith' OR (s='Smith' AND id>12)) ORDER BY s,id LIMIT 9"},
        // Decimals and negative numbers as the server writes them.
        {"SELECT a FROM t WHERE a>-2.50 ORDER BY a LIMIT 5", {"-2.50"}, {"3.75"},
         "SELECT a FROM t WHERE a>3.75 ORDER BY a LIMIT 5"},
        // A decimal the browse writes without the zeros of its scale, as the server does not.
        {"SELECT a,id FROM t WHERE (a>290.6 OR (a=290.6 AND id>7)) ORDER BY a,id LIMIT 5", {"290.60", "7"},
         {"300.00", "9"}, "SELECT a,id FROM t WHERE (a>300 OR (a=300 AND id>9)) ORDER BY a,id LIMIT 5"},
        {"SELECT a FROM t WHERE a>290.60 ORDER BY a LIMIT 5", {"290.60"}, {"300.00"},
         "SELECT a FROM t WHERE a>300.00 ORDER BY a LIMIT 5"},
        {"SELECT a FROM t WHERE a>290.61 ORDER BY a LIMIT 5", {"290.60"}, {"300.00"}, nullptr},
        {"SELECT a FROM t WHERE a>290.61 ORDER BY a LIMIT 5", {"290.61"}, {"300.50"},
         "SELECT a FROM t WHERE a>300.5 ORDER BY a LIMIT 5"},
        // A field that became NULL, a number that became a word: no guess.
        {"SELECT a FROM t WHERE a>5 ORDER BY a LIMIT 5", {"5"}, {std::nullopt}, nullptr},
        {"SELECT a FROM t WHERE a>5 ORDER BY a LIMIT 5", {"5"}, {"x"}, nullptr},
        // Two fields of one text with different successors: no guess.
        {"SELECT a,b FROM t WHERE a>5 ORDER BY a LIMIT 5", {"5", "5"}, {"6", "7"}, nullptr},
        // No literal of the row in the condition, no condition, no ORDER BY: no guess.
        {"SELECT a FROM t WHERE a>5 ORDER BY a LIMIT 5", {"6"}, {"7"}, nullptr},
        {"SELECT a FROM t ORDER BY a LIMIT 5", {"5"}, {"6"}, nullptr},
        {"SELECT a FROM t WHERE a>5", {"5"}, {"6"}, nullptr},
        // Fields of different counts.
        {"SELECT a FROM t WHERE a>5 ORDER BY a LIMIT 5", {"5"}, {"6", "7"}, nullptr},
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(st.pszSQL);
        std::string sNext;
        const bool b = CPSQLPrefetch::s_bNextBlockText(st.pszSQL, st.aBefore, st.aLast, &sNext);
        EXPECT_EQ(b, st.pszNext != nullptr);
        if (st.pszNext != nullptr) {
            EXPECT_EQ(sNext, st.pszNext);
        }
    }
}

}  // namespace
