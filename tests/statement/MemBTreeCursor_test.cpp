// The cursor: ranks over duplicates, moves by records and by keys, the flag matrix of a move that
// runs past the end, searches that miss on either side, the count of records before the cursor,
// moves across the values of a nested bucket, and an empty tree.
#include <gtest/gtest.h>

#include "tests/statement/MemBTreeFixture.h"

namespace {

using btreetest::CSmallTree;
using Pair = std::pair<uint64_t, uint64_t>;
using Pos = std::optional<Pair>;

const uint64_t A = 10, B = 20;

// Key A with values 1, 2, 3 and key B with value 1.
void FillAB(CSmallTree& t) {
    for (uint64_t v : {1, 2, 3}) ASSERT_TRUE(t.bIns(A, v));
    ASSERT_TRUE(t.bIns(B, 1));
}

TEST(MemBTreeCursorTest, RanksOverDuplicates) {
    CSmallTree t;
    ASSERT_NO_FATAL_FAILURE(FillAB(t));
    struct Case {
        int nRank;
        Pos stAt;
        int nDuplicates;
    } cases[] = {{-1, Pair{A, 1}, 3}, {0, Pair{A, 1}, 3}, {1, Pair{A, 2}, 3}, {2, Pair{A, 3}, 3},
                 {3, Pair{B, 1}, 1},  {4, std::nullopt, 0}, {100, std::nullopt, 0}};
    for (const Case& c : cases) {
        t.m_clTree.MoveTo(c.nRank);
        EXPECT_EQ(t.Cursor(), c.stAt) << c.nRank;
        EXPECT_EQ(t.m_clTree.nNumDuplicates(), c.nDuplicates) << c.nRank;
    }
    t.m_clTree.GotoFirstRecord();
    EXPECT_EQ(t.Cursor(), Pos(Pair{A, 1}));
    t.m_clTree.GotoEnd();
    EXPECT_EQ(t.Cursor(), std::nullopt);
    EXPECT_TRUE(t.m_clTree.GetCursor().bEnd());
}

TEST(MemBTreeCursorTest, OneStepByKeysAndByRecords) {
    struct Case {
        int nRank, n, nFlags;
        bool bResult;
        int nMoved;
        Pos stAfter;
    } cases[] = {
        {1, -1, CMemBTree::ADVANCE_BY_KEY, false, 0, Pair{A, 2}},  // A is the first key
        {1, 1, CMemBTree::ADVANCE_BY_KEY, true, 1, Pair{B, 1}},
        {1, 1, 0, true, 1, Pair{A, 3}},
        {1, -1, 0, true, -1, Pair{A, 1}},
        {3, -1, 0, true, -1, Pair{A, 3}},  // arriving from the right: the key's last value
        {3, -1, CMemBTree::ADVANCE_BY_KEY, true, -1, Pair{A, 1}},
        {4, -1, 0, true, -1, Pair{B, 1}},  // from the end
        {0, -1, 0, false, 0, Pair{A, 1}},
        {3, 1, 0, false, 0, Pair{B, 1}},  // onto the end
        {3, 1, CMemBTree::ADVANCE_END, true, 1, std::nullopt},
        {3, 1, CMemBTree::ADVANCE_BY_KEY | CMemBTree::ADVANCE_END, true, 1, std::nullopt},
        {4, 1, CMemBTree::ADVANCE_END, false, 0, std::nullopt},
        {2, 0, 0, true, 0, Pair{A, 3}},
        {4, 0, 0, false, 0, std::nullopt},
        {4, 0, CMemBTree::ADVANCE_END, true, 0, std::nullopt},
        {0, 3, CMemBTree::ADVANCE_BY_KEY | CMemBTree::ADVANCE_PARTIAL, true, 1, Pair{B, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "from rank " << c.nRank << ", " << c.n << " with flags " << c.nFlags);
        CSmallTree t;
        ASSERT_NO_FATAL_FAILURE(FillAB(t));
        t.m_clTree.MoveTo(c.nRank);
        int nMoved = 99;
        EXPECT_EQ(t.m_clTree.bAdvance(c.n, &nMoved, c.nFlags), c.bResult);
        EXPECT_EQ(nMoved, c.nMoved);
        EXPECT_EQ(t.Cursor(), c.stAfter);
    }
}

// Five steps from the first of four records, under every combination of flags.
TEST(MemBTreeCursorTest, PastTheEndFlagMatrix) {
    struct Case {
        int nFlags;
        bool bResult;
        int nMoved;
        Pos stAfter;
    } cases[] = {
        {0, false, 3, Pair{1, 0}}, {1, false, 3, Pair{1, 0}}, {2, true, 3, Pair{4, 0}}, {3, true, 3, Pair{4, 0}},
        {4, false, 4, Pair{1, 0}}, {5, false, 4, Pair{1, 0}}, {6, true, 4, std::nullopt}, {7, true, 4, std::nullopt},
    };
    for (const Case& c : cases) {
        CSmallTree t;
        for (uint64_t k = 1; k <= 4; k++) ASSERT_TRUE(t.bIns(k, 0));
        t.m_clTree.GotoFirstRecord();
        int nMoved = 0;
        EXPECT_EQ(t.m_clTree.bAdvance(5, &nMoved, c.nFlags), c.bResult) << c.nFlags;
        EXPECT_EQ(nMoved, c.nMoved) << c.nFlags;
        EXPECT_EQ(t.Cursor(), c.stAfter) << c.nFlags;
    }
    // The same backward from the last record, and by keys over the duplicates of A.
    CSmallTree t;
    for (uint64_t k = 1; k <= 4; k++) ASSERT_TRUE(t.bIns(k, 0));
    t.m_clTree.MoveTo(3);
    int nMoved = 0;
    EXPECT_FALSE(t.m_clTree.bAdvance(-5, &nMoved, CMemBTree::ADVANCE_END));
    EXPECT_EQ(nMoved, -3);
    EXPECT_EQ(t.Cursor(), Pos(Pair{4, 0}));
    EXPECT_TRUE(t.m_clTree.bAdvance(-5, &nMoved, CMemBTree::ADVANCE_PARTIAL));
    EXPECT_EQ(t.Cursor(), Pos(Pair{1, 0}));
    CSmallTree ab;
    ASSERT_NO_FATAL_FAILURE(FillAB(ab));
    ab.m_clTree.MoveTo(1);
    EXPECT_FALSE(ab.m_clTree.bAdvance(5, &nMoved, CMemBTree::ADVANCE_BY_KEY));
    EXPECT_EQ(nMoved, 1);
    EXPECT_TRUE(ab.m_clTree.bAdvance(5, &nMoved, CMemBTree::ADVANCE_BY_KEY | CMemBTree::ADVANCE_PARTIAL | CMemBTree::ADVANCE_END));
    EXPECT_EQ(nMoved, 2);
    EXPECT_TRUE(ab.m_clTree.GetCursor().bEnd());
}

TEST(MemBTreeCursorTest, Searches) {
    struct Case {
        uint64_t nKey;
        int nFlags;
        bool bValue;  // a value is answered
        Pos stAfter;  // where the cursor is then (it starts on B)
    } cases[] = {
        {5, CMemBTree::SEARCH_FROM_ABOVE, false, Pair{B, 1}},  // smaller than every key: no move
        {25, 0, false, Pair{B, 1}},                            // greater than every key: no move
        {15, CMemBTree::SEARCH_EXACT, false, Pair{B, 1}},
        {15, CMemBTree::SEARCH_EXACT | CMemBTree::SEARCH_FROM_ABOVE, false, Pair{B, 1}},
        {15, 0, true, Pair{B, 1}},
        {15, CMemBTree::SEARCH_FROM_ABOVE, true, Pair{A, 3}},
        {5, 0, true, Pair{A, 1}},
        {25, CMemBTree::SEARCH_FROM_ABOVE, true, Pair{B, 1}},
        {A, CMemBTree::SEARCH_EXACT, true, Pair{A, 1}},
        {A, CMemBTree::SEARCH_EXACT | CMemBTree::SEARCH_FROM_ABOVE, true, Pair{A, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.nKey << " flags " << c.nFlags);
        CSmallTree t;
        ASSERT_NO_FATAL_FAILURE(FillAB(t));
        t.m_clTree.MoveTo(3);
        void* p = t.pSearch(c.nKey, c.nFlags);
        EXPECT_EQ(p != nullptr, c.bValue);
        if (p != nullptr) {
            EXPECT_EQ(p, t.m_clTree.pReadValue());
        }
        EXPECT_EQ(t.Cursor(), c.stAfter);
    }
    // A tree of keys only positions but answers no value.
    CSmallTree k(0, 0);
    for (uint64_t n : {1, 2, 3}) ASSERT_TRUE(k.bIns(n));
    EXPECT_EQ(k.pSearch(2, CMemBTree::SEARCH_EXACT), nullptr);
    EXPECT_EQ(k.Cursor(), Pos(Pair{2, 0}));
}

TEST(MemBTreeCursorTest, FindRecord) {
    struct Case {
        uint64_t nKey, nValue;
        bool bResult;
        Pos stAfter;
    } cases[] = {
        {A, 2, true, Pair{A, 2}},   {A, 0, false, Pair{A, 1}}, {A, 9, false, Pair{B, 1}},  // past A's last value
        {B, 1, true, Pair{B, 1}},   {B, 5, false, Pair{B, 1}},                             // B's only value differs
        {15, 1, false, Pair{B, 1}}, {30, 1, false, std::nullopt}, {1, 1, false, Pair{A, 1}},
    };
    for (const Case& c : cases) {
        CSmallTree t;
        ASSERT_NO_FATAL_FAILURE(FillAB(t));
        EXPECT_EQ(t.bFind(c.nKey, c.nValue), c.bResult) << c.nKey << "," << c.nValue;
        EXPECT_EQ(t.Cursor(), c.stAfter) << c.nKey << "," << c.nValue;
    }
}

TEST(MemBTreeCursorTest, RecordsBeforeTheCursor) {
    CSmallTree t;
    for (uint64_t k = 1; k <= 9; k++) ASSERT_TRUE(t.bIns(k, 0));
    struct Case {
        int nRank, nMoved;
    } cases[] = {{0, 0}, {4, -4}, {8, -8}, {9, -9}};
    for (const Case& c : cases) {
        t.m_clTree.MoveTo(c.nRank);
        Pos stBefore = t.Cursor();
        int nMoved = 1;
        EXPECT_FALSE(t.m_clTree.bAdvance(-2147483647, &nMoved, 0));
        EXPECT_EQ(nMoved, c.nMoved);
        EXPECT_EQ(t.Cursor(), stBefore);
    }
}

// A key with hundreds of values (a nested bucket several leaves wide at a small order): ranks,
// long and short moves inside it and across its ends, counts before a cursor inside it.
TEST(MemBTreeCursorTest, MovesThroughANestedBucket) {
    for (int nOrder : {2, 32}) {
        SCOPED_TRACE(nOrder);
        CSmallTree t(nOrder);
        ASSERT_TRUE(t.bIns(1, 0));
        for (uint64_t v = 0; v < 300; v++) ASSERT_TRUE(t.bIns(2, v * 2));
        ASSERT_TRUE(t.bIns(3, 0));
        ASSERT_EQ(t.nBucketClass(2), 6);
        t.m_clTree.MoveTo(151);
        EXPECT_EQ(t.Cursor(), Pos(Pair{2, 300}));
        int nMoved;
        EXPECT_FALSE(t.m_clTree.bAdvance(-2147483647, &nMoved, 0));
        EXPECT_EQ(nMoved, -151);
        ASSERT_TRUE(t.m_clTree.bAdvance(1, &nMoved, 0));
        EXPECT_EQ(t.Cursor(), Pos(Pair{2, 302}));
        ASSERT_TRUE(t.m_clTree.bAdvance(-100, &nMoved, 0));
        EXPECT_EQ(t.Cursor(), Pos(Pair{2, 102}));
        ASSERT_TRUE(t.m_clTree.bAdvance(249, &nMoved, 0));
        EXPECT_EQ(t.Cursor(), Pos(Pair{3, 0}));
        ASSERT_TRUE(t.m_clTree.bAdvance(-1, &nMoved, 0));
        EXPECT_EQ(t.Cursor(), Pos(Pair{2, 598}));
        ASSERT_TRUE(t.m_clTree.bAdvance(-1, &nMoved, CMemBTree::ADVANCE_BY_KEY));
        EXPECT_EQ(t.Cursor(), Pos(Pair{1, 0}));
        ASSERT_TRUE(t.m_clTree.bAdvance(1, &nMoved, 0));
        EXPECT_EQ(t.Cursor(), Pos(Pair{2, 0}));
        EXPECT_EQ(t.m_clTree.nNumDuplicates(), 300);
        // One record at a time over the whole key.
        for (uint64_t v = 1; v < 300; v++) {
            ASSERT_TRUE(t.m_clTree.bAdvance(1, &nMoved, 0));
            ASSERT_EQ(t.Cursor(), Pos(Pair{2, v * 2}));
        }
        for (uint64_t v = 299; v-- > 0;) {
            ASSERT_TRUE(t.m_clTree.bAdvance(-1, &nMoved, 0));
            ASSERT_EQ(t.Cursor(), Pos(Pair{2, v * 2}));
        }
        EXPECT_TRUE(t.bFind(2, 200));
        EXPECT_FALSE(t.bFind(2, 201));
        EXPECT_EQ(t.Cursor(), Pos(Pair{2, 202}));
        EXPECT_FALSE(t.bFind(2, 999));
        EXPECT_EQ(t.Cursor(), Pos(Pair{3, 0}));
        ASSERT_NE(t.pSearch(2, CMemBTree::SEARCH_FROM_ABOVE), nullptr);
        EXPECT_EQ(t.Cursor(), Pos(Pair{2, 598}));
        EXPECT_TRUE(btreetest::TreeInvariants(t.m_clTree));
    }
}

TEST(MemBTreeCursorTest, EmptyTree) {
    CSmallTree t;
    int nMoved = 7;
    t.m_clTree.GotoFirstRecord();
    t.m_clTree.GotoEnd();
    t.m_clTree.MoveTo(3);
    EXPECT_FALSE(t.m_clTree.bAdvance(0, &nMoved, CMemBTree::ADVANCE_END));
    EXPECT_EQ(nMoved, 0);
    EXPECT_FALSE(t.m_clTree.bAdvance(-2147483647, &nMoved, 0));
    EXPECT_EQ(t.pSearch(1, 0), nullptr);
    EXPECT_FALSE(t.bFind(1, 1));
    EXPECT_EQ(t.m_clTree.pReadKey(), nullptr);
    EXPECT_EQ(t.m_clTree.pReadValue(), nullptr);
    EXPECT_EQ(t.m_clTree.nNumDuplicates(), 0);
    // The first insertion leaves the cursor at the end.
    ASSERT_TRUE(t.bIns(1, 1));
    EXPECT_TRUE(t.m_clTree.GetCursor().bEnd());
    EXPECT_FALSE(t.m_clTree.bAdvance(0, &nMoved, 0));
    EXPECT_TRUE(t.m_clTree.bAdvance(-1, &nMoved, 0));
    EXPECT_EQ(t.Cursor(), Pos(Pair{1, 1}));
}

}  // namespace
