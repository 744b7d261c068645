// Fetching through a statement over a scripted SQL-layer statement: the four directions with and
// without the record cache, a command written in the reverse order, rows deleted or changed by
// another statement, blocks cut by a LIMIT continued forward and backward, continuations that fail
// or find nothing, a failure at every call of a browse, last on a cache that does not hold every
// row, the completion of a cache, the per-mille place and the counts the statement knows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/statement/StatementFixture.h"

using namespace stmttest;

namespace {

constexpr auto FIRST = NA_PARSE_FIRST;
constexpr auto LAST = NA_PARSE_LAST;
constexpr auto NEXT = NA_PARSE_NEXT;
constexpr auto PREVIOUS = NA_PARSE_PREVIOUS;

const char* pszDirection(eNA_PARSEDIRECTION e) {
    static const char* s_tab[] = {"first", "last", "next", "previous", "current"};
    return s_tab[e];
}

// The continuations the data access was asked for: direction and the id they started from.
std::vector<std::string> aContinuations(const CAccessDouble* pclAccess) {
    std::vector<std::string> a;
    for (const auto& st : pclAccess->aContinuations)
        a.push_back(std::string(pszDirection(st.eDirection)) + " from " + st.sFrom);
    return a;
}

class FetchTest : public StatementTest, public ::testing::WithParamInterface<bool> {
protected:
    bool bCache() const { return GetParam(); }

    // Each read in turn: the id it lands on ("" for out of the file) and found.
    void Reads(CTestStatement* pcl, const std::vector<stRead>& aReads) {
        for (size_t i = 0; i < aReads.size(); i++) {
            const stRead& st = aReads[i];
            SCOPED_TRACE(testing::Message() << "read " << i << ": " << pszDirection(st.eDirection) << " " << st.nCount);
            ASSERT_TRUE(pcl->bFetch(st.eDirection, 1, st.nCount)) << sError();
            int bFound = -1, bInside = -1;
            pcl->EvalHTrouve(&bFound, &bInside);
            EXPECT_EQ(bFound, st.bFound);
            EXPECT_EQ(bInside, *st.pszId != 0 ? 1 : 0);
            if (*st.pszId != 0) {
                EXPECT_EQ(sCurrentId(), st.pszId);
            }
        }
    }
    std::vector<std::string> Continuations() { return aContinuations(m_pclAccess); }
};

INSTANTIATE_TEST_SUITE_P(CacheOffOn, FetchTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& st) { return st.param ? "Cache" : "NoCache"; });

TEST_P(FetchTest, FourDirections) {
    m_stScript.aResults = {Ids(1, 5)};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, -1, bCache()));
    // Before the first row nothing is current.
    ASSERT_TRUE(pcl->bFetch(NEXT, 1, 0));
    int bOut = 0;
    pcl->HEndehors(&bOut);
    EXPECT_EQ(bOut, 1);
    Reads(pcl, {
                   {FIRST, 1, "1", 1},
                   {NEXT, 1, "2", 1},
                   {NEXT, 2, "4", 1},
                   {PREVIOUS, 1, "3", 1},
                   {LAST, 1, "5", 1},
                   {NEXT, 1, "", 0},
                   // Out past the end, the browse still stands on the last row.
                   {PREVIOUS, 1, "4", 1},
                   {FIRST, 3, "3", 1},
                   {PREVIOUS, 3, "", 0},
                   {NEXT, 0, "3", 1},
                   {LAST, 2, "4", 1},
                   {FIRST, 5, "5", 1},
                   {FIRST, 6, "", 0},
               });
    EXPECT_EQ(m_stScript.aSent.size(), 1u);
    EXPECT_EQ(m_pclAccess->aContinuations.size(), 0u);
}

TEST_P(FetchTest, CachedRowsAreNotAskedAgain) {
    m_stScript.aResults = {Ids(1, 5)};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, -1, bCache()));
    Reads(pcl, {{FIRST, 1, "1", 1}, {NEXT, 3, "4", 1}});
    const size_t nBefore = m_stScript.aCalls.size();
    Reads(pcl, {{PREVIOUS, 1, "3", 1}, {FIRST, 1, "1", 1}, {NEXT, 2, "3", 1}});
    if (bCache()) {
        EXPECT_EQ(m_stScript.aCalls.size(), nBefore) << "rows 1 to 4 are in the cache";
        EXPECT_EQ(pcl->pclCache()->nGetNbRecord(), 4);
    } else {
        EXPECT_GT(m_stScript.aCalls.size(), nBefore);
    }
}

TEST_P(FetchTest, ReversedCommand) {
    // Asked backward, the SQL result runs from the largest id: the browse reads it from its end.
    m_stScript.aResults = {Ids(5, 1)};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, -1, bCache(), false));
    ASSERT_TRUE(pcl->pclGetCommandNoRef()->bInvertFetch());
    Reads(pcl, {
                   {FIRST, 1, "1", 1},
                   {NEXT, 1, "2", 1},
                   {NEXT, 2, "4", 1},
                   {PREVIOUS, 1, "3", 1},
                   {LAST, 1, "5", 1},
                   {NEXT, 1, "", 0},
                   {PREVIOUS, 1, "4", 1},
               });
}

TEST_P(FetchTest, EmptyResult) {
    m_stScript.aResults = {Empty()};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, -1, bCache()));
    Reads(pcl, {{FIRST, 1, "", 0}, {LAST, 1, "", 0}, {NEXT, 1, "", 0}, {PREVIOUS, 1, "", 0}});
    EXPECT_TRUE(pcl->bStarted());
}

TEST_P(FetchTest, BlocksContinuedForward) {
    m_stScript.aResults = {Ids(1, 3), Ids(4, 6), Ids(7, 7)};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, 3, bCache()));
    EXPECT_EQ(pcl->nBlockLimit(), 3);
    Reads(pcl, {
                   {FIRST, 1, "1", 1},
                   {NEXT, 1, "2", 1},
                   {NEXT, 1, "3", 1},
                   {NEXT, 1, "4", 1},
                   {NEXT, 1, "5", 1},
                   {NEXT, 1, "6", 1},
                   {NEXT, 1, "7", 1},
                   {NEXT, 1, "", 0},
               });
    EXPECT_EQ(Continuations(), (std::vector<std::string>{"next from 3", "next from 6"}));
    EXPECT_EQ(pcl->nBlockLimit(), CNAStatement::NO_LIMIT);
    EXPECT_FALSE(pcl->bBlockAtStart());
    // Each continuation asks for the rows after the last one read.
    ASSERT_EQ(m_stScript.aSent.size(), 3u);
    EXPECT_NE(m_stScript.aSent[1].find("\"id\">3"), std::string::npos) << m_stScript.aSent[1];
    EXPECT_NE(m_stScript.aSent[1].find("LIMIT 3"), std::string::npos) << m_stScript.aSent[1];
    EXPECT_NE(m_stScript.aSent[2].find("\"id\">6"), std::string::npos) << m_stScript.aSent[2];
    if (bCache()) {
        // The cache holds the whole browse, so reading back and to the end asks nothing more.
        EXPECT_TRUE(pcl->bCacheCompleted());
        const size_t nCalls = m_stScript.aCalls.size();
        Reads(pcl, {{PREVIOUS, 1, "6", 1}, {FIRST, 1, "1", 1}, {LAST, 1, "7", 1}, {PREVIOUS, 4, "3", 1}});
        EXPECT_EQ(m_stScript.aCalls.size(), nCalls);
        EXPECT_EQ(pcl->pclCache()->nGetNbRecord(), 7);
    }
}

TEST_F(StatementTest, BlocksContinuedBackwardWithoutCache) {
    // After a continuation the block no longer starts the browse: reading back past its first row
    // asks for the rows before it, in descending order.
    m_stScript.aResults = {Ids(1, 3), Ids(4, 6), Ids(7, 7), Ids(6, 4), Ids(3, 1), Empty()};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, 3, false));
    for (int i = 1; i <= 7; i++) {
        ASSERT_TRUE(pcl->bFetch(i == 1 ? FIRST : NEXT, 1, 1));
        EXPECT_EQ(sCurrentId(), std::to_string(i));
    }
    std::vector<std::string> aIds;
    for (int i = 0; i < 7; i++) {
        ASSERT_TRUE(pcl->bFetch(PREVIOUS, 1, 1)) << sError();
        int bOut = 0;
        pcl->HEndehors(&bOut);
        aIds.push_back(bOut ? "" : sCurrentId());
    }
    EXPECT_EQ(aIds, (std::vector<std::string>{"6", "5", "4", "3", "2", "1", ""}));
    EXPECT_EQ(aContinuations(m_pclAccess), (std::vector<std::string>{"next from 3", "next from 6", "previous from 7",
                                                         "previous from 4", "previous from 1"}));
    ASSERT_EQ(m_stScript.aSent.size(), 6u);
    EXPECT_NE(m_stScript.aSent[3].find("\"id\"<7"), std::string::npos) << m_stScript.aSent[3];
    EXPECT_NE(m_stScript.aSent[3].find("DESC"), std::string::npos) << m_stScript.aSent[3];
}

TEST_P(FetchTest, ContinuationThatFindsNothingEndsTheBrowse) {
    // The block held exactly the LIMIT: more rows might have followed, none did.
    m_stScript.aResults = {Ids(1, 3), Empty()};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, 3, bCache()));
    Reads(pcl, {{FIRST, 1, "1", 1}, {NEXT, 2, "3", 1}, {NEXT, 1, "", 0}});
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE) << sError();
    EXPECT_EQ(Continuations(), (std::vector<std::string>{"next from 3"}));
    if (bCache()) {
        EXPECT_TRUE(pcl->bCacheCompleted());
    }
    // The original record is the last row read, whatever the continuation tried.
    EXPECT_EQ(sIdOf(pcl->pclOriginalNoRef()), "3");
}

TEST_P(FetchTest, FailedContinuationFailsTheFetch) {
    // Whatever call of the continuation fails (the SELECT, its first fetch, the first value read),
    // the read fails out of the file with the server's error: the browse does not end in silence.
    for (int k = 1; k <= 3; k++) {
        SCOPED_TRACE(testing::Message() << "failing call " << k << " of the continuation");
        m_pclError->Reset();
        m_stScript = stScript();
        m_stScript.aResults = {Ids(1, 3), Ids(4, 6)};
        CTestStatement* pcl = pclStatement();
        ASSERT_TRUE(Open(pcl, 3, bCache()));
        Reads(pcl, {{FIRST, 1, "1", 1}, {NEXT, 2, "3", 1}});
        m_stScript.nFailAt = static_cast<int>(m_stScript.aCalls.size()) + k;
        EXPECT_FALSE(pcl->bFetch(NEXT, 1, 1));
        int bFound = -1, bInside = -1;
        pcl->EvalHTrouve(&bFound, &bInside);
        EXPECT_EQ(bFound, 0);
        EXPECT_EQ(bInside, 0);
        EXPECT_EQ(m_pclError->nGetUserErrorCode(), USER_ERROR_SERVER) << sError();
        // The host's record and the original record are the last row read.
        EXPECT_EQ(sCurrentId(), "3");
        EXPECT_EQ(sIdOf(pcl->pclOriginalNoRef()), "3");
    }
}

TEST_P(FetchTest, FailureAtAnyCallOfABrowse) {
    // A clean browse of three blocks, then the same browse with each of its calls failing in turn:
    // the rows before the failure come in order, the failing read fails out of the file with the
    // error kept, and no read reports the end before the last row.
    const auto Browse = [&](int nFailAt, std::vector<std::string>* pa, bool* pbFailed) {
        m_stScript = stScript();
        m_stScript.aResults = {Ids(1, 3), Ids(4, 6), Ids(7, 8)};
        m_stScript.nFailAt = nFailAt;
        m_pclError->Reset();
        CTestStatement* pcl = pclStatement();
        pa->clear();
        *pbFailed = false;
        if (!Open(pcl, 3, bCache())) {
            *pbFailed = true;
            return;
        }
        for (eNA_PARSEDIRECTION e = FIRST;; e = NEXT) {
            if (!pcl->bFetch(e, 1, 1)) {
                int bFound = -1, bOut = -1;
                pcl->EvalHTrouve(&bFound, nullptr);
                pcl->HEndehors(&bOut);
                EXPECT_EQ(bFound, 0);
                EXPECT_EQ(bOut, 1);
                EXPECT_EQ(m_pclError->nGetUserErrorCode(), USER_ERROR_SERVER) << sError();
                *pbFailed = true;
                return;
            }
            int bOut = 0;
            pcl->HEndehors(&bOut);
            if (bOut) return;
            pa->push_back(sCurrentId());
        }
    };
    std::vector<std::string> aAll;
    bool bFailed = false;
    Browse(0, &aAll, &bFailed);
    ASSERT_FALSE(bFailed);
    ASSERT_EQ(aAll, (std::vector<std::string>{"1", "2", "3", "4", "5", "6", "7", "8"}));
    const int nCalls = static_cast<int>(m_stScript.aCalls.size());
    for (int k = 1; k <= nCalls; k++) {
        SCOPED_TRACE(testing::Message() << "call " << k << " of " << nCalls << " fails");
        std::vector<std::string> a;
        Browse(k, &a, &bFailed);
        EXPECT_TRUE(bFailed);
        ASSERT_LE(a.size(), aAll.size());
        EXPECT_TRUE(std::equal(a.begin(), a.end(), aAll.begin()));
    }
}

// Without a cache, last is the last row of the block: the data access opens the browse backward.
TEST_F(StatementTest, LastOnAnIncompleteCacheReadsEveryBlock) {
    struct Case {
        const char* pszName;
        std::deque<stResult> aResults;
        const char* pszLast;
        size_t nSent;
    };
    const std::vector<Case> aCases = {
        {"a short last block", {Ids(1, 3), Ids(4, 6), Ids(7, 7)}, "7", 3},
        {"a full last block, then nothing", {Ids(1, 3), Ids(4, 6), Empty()}, "6", 3},
        {"one block", {Ids(1, 2)}, "2", 1},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszName);
        m_stScript = stScript();
        m_stScript.aResults = c.aResults;
        m_pclAccess->aContinuations.clear();
        CTestStatement* pcl = pclStatement();
        ASSERT_TRUE(Open(pcl, 3, true));
        ASSERT_TRUE(pcl->bFetch(FIRST, 1, 1));
        ASSERT_TRUE(pcl->bFetch(LAST, 1, 1)) << sError();
        int bFound = -1, bInside = -1;
        pcl->EvalHTrouve(&bFound, &bInside);
        EXPECT_EQ(bInside, 1);
        EXPECT_EQ(bFound, 1);
        EXPECT_EQ(sCurrentId(), c.pszLast);
        EXPECT_EQ(m_stScript.aSent.size(), c.nSent);
        EXPECT_TRUE(pcl->bCacheCompleted());
        EXPECT_EQ(std::to_string(pcl->pclCache()->nGetNbRecord()), c.pszLast);
        // Going back is served from the cache.
        const size_t nCalls = m_stScript.aCalls.size();
        ASSERT_TRUE(pcl->bFetch(PREVIOUS, 1, 1));
        EXPECT_EQ(sCurrentId(), std::to_string(std::stoi(c.pszLast) - 1));
        EXPECT_EQ(m_stScript.aCalls.size(), nCalls);
    }
}

TEST_F(StatementTest, LastOnAnIncompleteCacheOfAnEmptyResult) {
    m_stScript.aResults = {Empty()};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, 3, true));
    ASSERT_TRUE(pcl->bFetch(LAST, 1, 1));
    int bFound = -1, bInside = -1;
    pcl->EvalHTrouve(&bFound, &bInside);
    EXPECT_EQ(bInside, 0);
    EXPECT_EQ(bFound, 0);
    EXPECT_FALSE(pcl->bRowReady());
    EXPECT_TRUE(pcl->bCacheCompleted());
}

TEST_F(StatementTest, DeletedRowsAreWalkedOver) {
    // Rows 2 and 3 (ids) were deleted by another statement; row 5 was changed, its new values kept
    // in a saved record.
    m_stScript.aResults = {Ids(1, 6)};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, -1, false));
    ASSERT_TRUE(pcl->bFetch(FIRST, 1, 5));
    ASSERT_EQ(sCurrentId(), "5");
    CNAColumn* pclId = m_pclRecord->pclGetColumnNoRef(L"id");
    const int32_t nChanged = 55;
    memcpy(m_pclRecord->pclGetNAYFRecord()->pbyGetItemValue(pclId->piGetItemNoRef(), 0), &nChanged, 4);
    const int nSlot = m_pclAccess->nKeep(m_pclRecord->pclGetCurrentRecordValueNoRef());
    ASSERT_GE(nSlot, 0);
    pcl->MarkRow(1, CNAStatement::RECORDSAVE_DELETED);
    pcl->MarkRow(2, CNAStatement::RECORDSAVE_DELETED);
    pcl->MarkRow(4, nSlot);
    const auto Fetched = [&](eNA_PARSEDIRECTION e, long nCount, const char* pszId, long nFetched) {
        SCOPED_TRACE(testing::Message() << pszDirection(e) << " " << nCount);
        long n = -1;
        ASSERT_TRUE(pcl->bFetch(e, 1, nCount, &n)) << sError();
        int bOut = 0;
        pcl->HEndehors(&bOut);
        EXPECT_EQ(bOut, *pszId == 0 ? 1 : 0);
        if (*pszId != 0) {
            EXPECT_EQ(sCurrentId(), pszId);
        }
        if (nFetched >= 0) {
            EXPECT_EQ(n, nFetched);
        }
    };
    Fetched(FIRST, 1, "1", -1);
    Fetched(NEXT, 1, "4", -1);
    Fetched(PREVIOUS, 1, "1", -1);
    Fetched(NEXT, 2, "55", -1);
    // Past the end: the rows that could be passed are the ones not deleted.
    Fetched(NEXT, 5, "", 1);
    Fetched(PREVIOUS, 1, "4", -1);
    Fetched(LAST, 1, "6", -1);
    Fetched(PREVIOUS, 2, "4", -1);
    Fetched(PREVIOUS, 3, "", 1);
    Fetched(FIRST, 3, "55", -1);
    Fetched(FIRST, 5, "", 4);
    // Every row counted, not one of them twice: six rows less the two deleted.
    int64_t ll = -1;
    EXPECT_TRUE(pcl->bGetNbEnrCurrentParse(&ll, 0, 0));
    EXPECT_EQ(ll, 4);
}

TEST_F(StatementTest, StepsPastTheEndReportTheRowsAvailable) {
    m_stScript.aResults = {Ids(1, 5)};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, -1, false));
    struct Case {
        eNA_PARSEDIRECTION e;
        long nCount;
        long nFetched;
    };
    // From the second row each time.
    for (const Case& c : {Case{NEXT, 10, 3}, Case{PREVIOUS, 10, 1}, Case{NEXT, 4, 3}, Case{PREVIOUS, 2, 1}}) {
        SCOPED_TRACE(testing::Message() << pszDirection(c.e) << " " << c.nCount);
        ASSERT_TRUE(pcl->bFetch(FIRST, 1, 2));
        long n = -1;
        ASSERT_TRUE(pcl->bFetch(c.e, 1, c.nCount, &n));
        int bOut = 0;
        pcl->HEndehors(&bOut);
        EXPECT_EQ(bOut, 1);
        EXPECT_EQ(n, c.nFetched);
    }
}

TEST_F(StatementTest, DuplicateRankCountsEqualRows) {
    // Rows 2 to 4 are the same row three times (a table without a unique key).
    stResult st;
    st.aRows = {{"1", "a"}, {"2", "b"}, {"2", "b"}, {"2", "b"}, {"3", "c"}};
    m_stScript.aResults = {st};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, -1, false));
    struct Case {
        eNA_PARSEDIRECTION e;
        uint32_t nRank;
    };
    for (const Case& c : {Case{FIRST, 0}, Case{NEXT, 0}, Case{NEXT, 1}, Case{NEXT, 2}, Case{NEXT, 0},
                          Case{PREVIOUS, 0}, Case{PREVIOUS, 1}, Case{LAST, 0}}) {
        ASSERT_TRUE(pcl->bFetch(c.e, 1, 1));
        EXPECT_EQ(pcl->nDuplicateRank(), c.nRank) << pszDirection(c.e) << " to " << sCurrentId();
    }
}

// ---------------------------------------------------------------------------------- completing the cache

TEST_F(StatementTest, CacheCompletedWithoutMovingTheHost) {
    m_stScript.aResults = {Ids(1, 3), Ids(4, 6), Ids(7, 7)};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, 3, true));
    ASSERT_TRUE(pcl->bFetch(FIRST, 1, 2));
    CNARecordCache* pclCache = pcl->pclGetFullRecordCache();
    ASSERT_NE(pclCache, nullptr) << sError();
    EXPECT_TRUE(pclCache->bIsComplete());
    EXPECT_EQ(pclCache->nGetNbRecord(), 7);
    EXPECT_TRUE(m_pclAccess->mapPositions.empty()) << "the saved position was given back";
    ASSERT_EQ(m_pclAccess->aReturnBuffers.size(), 1u);
    EXPECT_EQ(m_pclAccess->aReturnBuffers[0], L"id");
    // A complete cache is handed out as it is.
    const size_t nCalls = m_stScript.aCalls.size();
    EXPECT_EQ(pcl->pclGetFullRecordCache(), pclCache);
    EXPECT_EQ(m_stScript.aCalls.size(), nCalls);
}

// The SQL result was closed after two rows were cached: the completion runs the query again and
// reads on after the rows the cache holds, which stay.
TEST_F(StatementTest, CompletionOfAClosedResultKeepsTheRowsRead) {
    m_stScript.aResults = {Ids(1, 5), Ids(1, 5)};
    CTestStatement* pcl = pclStatement();
    ASSERT_TRUE(Open(pcl, -1, true));
    ASSERT_TRUE(pcl->bFetch(FIRST, 1, 1));
    ASSERT_TRUE(pcl->bFetch(NEXT, 1, 1));
    ASSERT_TRUE(pcl->pclSQL()->_bCloseParse());
    ASSERT_FALSE(pcl->pclSQL()->bIsResultOpen());
    CNARecordCache* pclCache = pcl->pclGetFullRecordCache();
    ASSERT_NE(pclCache, nullptr) << sError();
    EXPECT_TRUE(pclCache->bIsComplete());
    std::vector<std::string> vIds;
    CNARecordValue* pclRow = new CNARecordValue(m_pclError);
    pclRow->AddRef();
    for (int n = 0; n < pclCache->nGetNbRecord(); n++) {
        ASSERT_TRUE(pclCache->bGetAt(pclRow, n));
        vIds.push_back(sIdOf(pclRow));
    }
    pclRow->nRelease();
    EXPECT_EQ(vIds, (std::vector<std::string>{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(nCalls("exec"), 2);
}

TEST_F(StatementTest, FailedCompletionStillFreesItsPosition) {
    struct Case {
        const char* pszName;
        int nReadFailsAt;
        int bReturnFails;
    };
    for (const Case& c : {Case{"a read fails", 2, 0}, Case{"the return fails", 0, 1}, Case{"both", 1, 1}}) {
        SCOPED_TRACE(c.pszName);
        m_stScript = stScript();
        m_stScript.aResults = {Ids(1, 3), Ids(4, 6), Ids(7, 7)};
        m_pclError->Reset();
        m_pclAccess->nReads = 0;
        m_pclAccess->nReadFailsAt = c.nReadFailsAt;
        m_pclAccess->bReturnFails = c.bReturnFails;
        m_pclAccess->aReturnBuffers.clear();
        CTestStatement* pcl = pclStatement();
        ASSERT_TRUE(Open(pcl, 3, true));
        ASSERT_TRUE(pcl->bFetch(FIRST, 1, 1));
        EXPECT_EQ(pcl->pclGetFullRecordCache(), nullptr);
        // The way back is tried even after a failed read, and the position goes in any case.
        EXPECT_EQ(m_pclAccess->aReturnBuffers.size(), 1u);
        EXPECT_TRUE(m_pclAccess->mapPositions.empty());
        if (c.nReadFailsAt != 0) {
            EXPECT_EQ(m_pclError->nGetUserErrorCode(), USER_ERROR_SERVER);
        }
    }
}

TEST_F(StatementTest, LongKeyHandedBackBounded) {
    const std::wstring sKey(300, L'k');
    m_stScript.aResults = {Ids(1, 3)};
    CTestStatement* pcl = pclStatement(sKey.c_str());
    pcl->SetItemName(L"id");
    ASSERT_TRUE(Open(pcl, -1, true));
    ASSERT_TRUE(pcl->bFetch(FIRST, 1, 1));
    ASSERT_NE(pcl->pclGetFullRecordCache(), nullptr) << sError();
    ASSERT_EQ(m_pclAccess->aReturnBuffers.size(), 1u);
    EXPECT_EQ(m_pclAccess->aReturnBuffers[0], sKey.substr(0, 255));
    EXPECT_EQ(m_pclAccess->mapPositions.size(), 0u);
}

// ---------------------------------------------------------------------------------- per mille and counts

TEST_F(StatementTest, PerThousandOfTheCurrentRow) {
    struct Case {
        const char* pszName;
        stResult stRows;
        bool bForward;
        std::vector<stRead> aReads;
        int64_t llCount, llBefore;
        bool bCannotTrust;
        int nExpected;
    };
    const std::vector<Case> aCases = {
        {"3 rows at row 2", Ids(1, 3), true, {{FIRST, 1, "1", 1}, {NEXT, 1, "2", 1}}, 3, 0, false, 667},
        {"3 rows at row 1", Ids(1, 3), true, {{FIRST, 1, "1", 1}}, 3, 0, false, 334},
        {"3 rows at row 3", Ids(1, 3), true, {{LAST, 1, "3", 1}}, 3, 0, false, 1000},
        {"empty file", Empty(), true, {{FIRST, 1, "", 0}}, 0, 0, false, 1},
        {"reversed, at row 1", Ids(3, 1), false, {{FIRST, 1, "1", 1}}, 3, 0, false, 334},
        {"reversed, at row 2", Ids(3, 1), false, {{FIRST, 1, "1", 1}, {NEXT, 1, "2", 1}}, 3, 0, false, 667},
        {"reversed, at row 3", Ids(3, 1), false, {{LAST, 1, "3", 1}}, 3, 0, false, 1000},
        {"a place the statement cannot trust: the rows before it counted", Ids(1, 3), true, {{FIRST, 1, "1", 1}},
         250, 124, true, 500},
        {"250 rows at row 125", Ids(1, 250), true, {{FIRST, 125, "125", 1}}, 250, 0, false, 500},
        {"7 rows at row 1", Ids(1, 7), true, {{FIRST, 1, "1", 1}}, 7, 0, false, 143},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszName);
        m_stScript.aResults = {c.stRows};
        m_pclAccess->llCount = c.llCount;
        m_pclAccess->llBefore = c.llBefore;
        m_pclAccess->aCounts.clear();
        CTestStatement* pcl = pclStatement();
        ASSERT_TRUE(Open(pcl, -1, false, c.bForward));
        for (const stRead& st : c.aReads) ASSERT_TRUE(pcl->bFetch(st.eDirection, 1, st.nCount));
        if (c.bCannotTrust) pcl->SetCause(CNAStatement::PARSENEEDUPDATE_REPOSITION);
        int n = -1;
        ASSERT_TRUE(pcl->bHPositionCourante(&n, 0));
        EXPECT_EQ(n, c.nExpected);
        ASSERT_FALSE(m_pclAccess->aCounts.empty());
        EXPECT_EQ(m_pclAccess->aCounts[0].nOptions, 16u);
        EXPECT_EQ(m_pclAccess->aCounts[0].nFlags, 0x4000u);
        EXPECT_EQ(m_pclAccess->aCounts[0].nDirection, -1);
        if (c.bCannotTrust) {
            ASSERT_EQ(m_pclAccess->aCounts.size(), 2u);
            EXPECT_EQ(m_pclAccess->aCounts[1].nDirection, static_cast<int>(PREVIOUS));
        }
    }
    // A count that fails fails the question.
    m_pclAccess->bCountFails = 1;
    int n = -1;
    EXPECT_FALSE(pclStatement()->bHPositionCourante(&n, 0));
}

TEST_F(StatementTest, MoveToAPerThousandPlace) {
    struct Case {
        int nPerThousand;
        int64_t llCount;
        long nSkip;
        bool bCounted;
    };
    const std::vector<Case> aCases = {
        {0, 250, 1, false}, {1000, 250, 250, true}, {500, 250, 125, true}, {1, 250, 1, true},
        {999, 3, 2, true},  {667, 3, 2, true},      {1000, 0, 1, true},
    };
    CTestStatement* pcl = pclStatement(L"id");
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.nPerThousand << " of " << c.llCount);
        m_pclAccess->llCount = c.llCount;
        m_pclAccess->aCounts.clear();
        m_pclAccess->aSkips.clear();
        ASSERT_TRUE(pcl->bHPositionne(c.nPerThousand, 0, 0x10));
        EXPECT_EQ(m_pclAccess->aCounts.size(), c.bCounted ? 1u : 0u);
        ASSERT_EQ(m_pclAccess->aSkips.size(), 1u);
        EXPECT_EQ(m_pclAccess->aSkips[0].sItem, L"id");
        EXPECT_EQ(m_pclAccess->aSkips[0].eDirection, FIRST);
        EXPECT_EQ(m_pclAccess->aSkips[0].nCount, c.nSkip);
        EXPECT_EQ(m_pclAccess->aSkips[0].nFlags, 0x2010u);
    }
    m_pclAccess->bCountFails = 1;
    m_pclAccess->aSkips.clear();
    EXPECT_FALSE(pcl->bHPositionne(500, 0, 0));
    EXPECT_TRUE(m_pclAccess->aSkips.empty());
}

TEST_F(StatementTest, CountsKnownWithoutTheServer) {
    struct Case {
        const char* pszName;
        int32_t nLimit;
        bool bCache;
        bool bReadAll;
        NA_WRITEPARSEFLAGS nBrowseFlags, nFlags;
        bool bSearch;
        bool bKnown;
        int64_t llCount;
    };
    const std::vector<Case> aCases = {
        {"the whole result in one block", -1, false, false, 0, 0, false, true, 5},
        {"a block cut by the LIMIT", 5, false, false, 0, 0, false, false, 0},
        {"a search on the browse", -1, false, false, 0, 0, true, false, 0},
        {"a complete cache of a browse counted from it", 5, true, true, 0x4000, 0x4000, false, true, 5},
        {"a complete cache, the count not asked from it", 5, true, true, 0x4000, 0, false, false, 0},
        {"an incomplete cache of a cut block", 5, true, false, 0x4000, 0x4000, false, false, 0},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszName);
        m_stScript.aResults = {Ids(1, 5), Empty()};
        CTestStatement* pcl = pclStatement();
        ASSERT_TRUE(Open(pcl, c.nLimit, c.bCache));
        pcl->SetBrowseFlags(c.nBrowseFlags);
        ASSERT_TRUE(pcl->bFetch(FIRST, 1, 1));
        if (c.bReadAll) {
            ASSERT_TRUE(pcl->bFetch(LAST, 1, 1));
        }
        if (c.bSearch) {
            CNARecherche* pclSearch = pcl->pclGetRecherche();
            CAny clValue;
            clValue.SetI4(3);
            INAItemDescription* piItem = m_pclHost->piNAGetItem(L"id");
            ASSERT_TRUE(pclSearch->bSetRecherche(m_pclRecord, piItem, &clValue, FIRST, 1, 0) & 1);
            piItem->nExternalRelease();
            pclSearch->nRelease();
        }
        int64_t ll = -1;
        EXPECT_EQ(pcl->bGetNbEnrCurrentParse(&ll, c.nFlags, 0) != 0, c.bKnown);
        if (c.bKnown) {
            EXPECT_EQ(ll, c.llCount);
        }
    }
}

}  // namespace
