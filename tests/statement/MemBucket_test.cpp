// Duplicate buckets: the classes a key's values pass through on the way up to the nested tree and
// back, the shrink thresholds, refused duplicates, and the cursor kept on its value while the
// values move to another class, into a nested tree and back out of it.
#include "native/statement/MemBucket.h"

#include <gtest/gtest.h>

#include "tests/statement/MemBTreeFixture.h"

namespace {

using btreetest::CSmallTree;
using btreetest::TreeInvariants;
using Pair = std::pair<uint64_t, uint64_t>;

const uint64_t K = 500;

// A tree holding a neighbour key on each side of K, and K with values 1..n.
void Fill(CSmallTree& t, uint64_t n) {
    ASSERT_TRUE(t.bIns(100, 7));
    ASSERT_TRUE(t.bIns(900, 7));
    for (uint64_t v = 1; v <= n; v++) ASSERT_TRUE(t.bIns(K, v));
}

TEST(MemBucketTest, ClassesOnTheWayUpAndDown) {
    CSmallTree t;
    ASSERT_TRUE(t.bIns(K, 1));
    EXPECT_EQ(t.nBucketClass(K), -1);
    // Count after the insertion -> class.
    auto nUp = [](uint64_t n) { return n <= 2 ? 0 : n <= 4 ? 1 : n <= 8 ? 2 : n <= 16 ? 3 : n <= 32 ? 4 : n <= 64 ? 5 : 6; };
    for (uint64_t v = 2; v <= 65; v++) {
        ASSERT_TRUE(t.bIns(K, v));
        ASSERT_EQ(t.nBucketClass(K), nUp(v)) << v << " values";
        ASSERT_TRUE(TreeInvariants(t.m_clTree));
    }
    for (uint64_t v = 66; v <= 200; v++) ASSERT_TRUE(t.bIns(K, v));
    EXPECT_EQ(t.nBucketClass(K), 6);
    // Down: nested while more than 55 remain, then class 5.
    uint64_t n = 200;
    for (uint64_t v = 200; n > 55; v--, n--) {
        EXPECT_EQ(t.nBucketClass(K), 6) << n << " values";
        ASSERT_TRUE(t.bDel(K, v));
        ASSERT_TRUE(TreeInvariants(t.m_clTree));
    }
    EXPECT_EQ(t.nBucketClass(K), 5);
    EXPECT_EQ(t.m_clTree.nGetNumRecord(), 55);
    std::vector<Pair> expected;
    for (uint64_t v = 1; v <= 55; v++) expected.emplace_back(K, v);
    EXPECT_EQ(btreetest::Records(t.m_clTree), expected);
}

// Each class moves down only when a removal finds it at or below its threshold.
TEST(MemBucketTest, ShrinkThresholds) {
    struct Case {
        uint64_t nValues;  // before the removal
        int nClassBefore, nClassAfter;
    } cases[] = {
        {19, 5, 5}, {18, 5, 4}, {10, 4, 4}, {9, 4, 3}, {7, 3, 3}, {6, 3, 2}, {3, 2, 2}, {2, 2, -1}, {2, 1, -1}, {2, 0, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nValues << " values in class " << c.nClassBefore);
        CSmallTree t;
        // Grow to the top of the class, then come down to the count.
        uint64_t nGrow = uint64_t(2) << c.nClassBefore;
        ASSERT_NO_FATAL_FAILURE(Fill(t, nGrow));
        for (uint64_t v = nGrow; v > c.nValues; v--) ASSERT_TRUE(t.bDel(K, v));
        ASSERT_EQ(t.nBucketClass(K), c.nClassBefore);
        ASSERT_TRUE(t.bDel(K, 1));
        EXPECT_EQ(t.nBucketClass(K), c.nClassAfter);
        EXPECT_EQ(t.m_clTree.nGetNumRecord(), static_cast<int>(c.nValues + 1));
        EXPECT_TRUE(TreeInvariants(t.m_clTree));
    }
}

TEST(MemBucketTest, PresentValueRefused) {
    for (uint64_t n : {2, 3, 40, 64, 100}) {
        CSmallTree t;
        ASSERT_NO_FATAL_FAILURE(Fill(t, n));
        int nClass = t.nBucketClass(K);
        auto before = btreetest::Records(t.m_clTree);
        for (uint64_t v : {uint64_t(1), n / 2 + 1, n}) EXPECT_FALSE(t.bIns(K, v)) << n;
        EXPECT_FALSE(t.bDel(K, n + 1));
        EXPECT_FALSE(t.bDel(K, 0));
        EXPECT_EQ(t.nBucketClass(K), nClass);
        EXPECT_EQ(btreetest::Records(t.m_clTree), before);
        EXPECT_TRUE(TreeInvariants(t.m_clTree));
    }
}

// The cursor on the second value of a full bucket: a smaller value moves the values to the next
// class and the cursor stays on its value, now the third.
TEST(MemBucketTest, CursorKeepsItsValueWhenTheBucketGrows) {
    for (int nClass = 0; nClass <= 4; nClass++) {
        SCOPED_TRACE(nClass);
        CSmallTree t;
        uint64_t nFull = uint64_t(2) << nClass;
        for (uint64_t v = 1; v <= nFull; v++) ASSERT_TRUE(t.bIns(K, v * 10));
        ASSERT_EQ(t.nBucketClass(K), nClass);
        ASSERT_TRUE(t.bFind(K, 20));
        ASSERT_TRUE(t.bIns(K, 5));
        EXPECT_EQ(t.nBucketClass(K), nClass + 1);
        EXPECT_EQ(t.Cursor(), Pair(K, 20));
        EXPECT_EQ(t.m_clTree.GetCursor().m_nPosition, 2);
        EXPECT_TRUE(TreeInvariants(t.m_clTree));
    }
}

// The cursor on the second value of a bucket at its threshold: removing the first value moves
// the values to the class below and the cursor stays on its value, now the first.
TEST(MemBucketTest, CursorKeepsItsValueWhenTheBucketShrinks) {
    struct Case {
        int nClass;
        uint64_t nThreshold;
    } cases[] = {{3, 6}, {4, 9}, {5, 18}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nClass);
        CSmallTree t;
        uint64_t nGrow = uint64_t(2) << c.nClass;
        for (uint64_t v = 1; v <= nGrow; v++) ASSERT_TRUE(t.bIns(K, v * 10));
        for (uint64_t v = nGrow; v > c.nThreshold; v--) ASSERT_TRUE(t.bDel(K, v * 10));
        ASSERT_EQ(t.nBucketClass(K), c.nClass);
        ASSERT_TRUE(t.bFind(K, 20));
        ASSERT_TRUE(t.bDel(K, 10));
        EXPECT_EQ(t.nBucketClass(K), c.nClass - 1);
        EXPECT_EQ(t.Cursor(), Pair(K, 20));
        EXPECT_EQ(t.m_clTree.GetCursor().m_nPosition, 0);
        EXPECT_TRUE(TreeInvariants(t.m_clTree));
    }
}

// Into the nested tree at the 65th value and out of it at 55, the cursor stays on its value.
TEST(MemBucketTest, CursorFollowsItsValueThroughTheNestedTree) {
    for (int nOrder : {0, 2, 3}) {
        for (uint64_t nOn : {1, 2, 33, 64}) {
            SCOPED_TRACE(testing::Message() << "order " << nOrder << ", cursor on value " << nOn);
            CSmallTree t(nOrder);
            ASSERT_NO_FATAL_FAILURE(Fill(t, 64));
            ASSERT_TRUE(t.bFind(K, nOn));
            ASSERT_TRUE(t.bIns(K, 65));
            ASSERT_EQ(t.nBucketClass(K), 6);
            EXPECT_EQ(t.Cursor(), Pair(K, nOn));
            for (uint64_t v = 66; v <= 80; v++) ASSERT_TRUE(t.bIns(K, v));
            EXPECT_EQ(t.Cursor(), Pair(K, nOn));
            int nMoved;
            EXPECT_FALSE(t.m_clTree.bAdvance(-2147483647, &nMoved, 0));
            EXPECT_EQ(nMoved, -static_cast<int>(nOn));  // the neighbour key, then nOn - 1 values
            uint64_t nLeft = 80;
            for (uint64_t v = 80; nLeft > 55; v--)
                if (v != nOn) {
                    ASSERT_TRUE(t.bDel(K, v));
                    nLeft--;
                }
            EXPECT_EQ(t.nBucketClass(K), 5);
            EXPECT_EQ(t.Cursor(), Pair(K, nOn));
            EXPECT_EQ(t.m_clTree.GetCursor().m_nPosition, nOn <= 55 ? static_cast<int>(nOn) - 1 : 54);
            EXPECT_TRUE(TreeInvariants(t.m_clTree));
        }
    }
}

// When the value under the cursor goes, the cursor goes on to the next record: the next value,
// or the first record of the next key.
TEST(MemBucketTest, CursorOnARemovedValueMovesOn) {
    struct Case {
        uint64_t nGrowTo, nValues, nOn;
        Pair stAfter;
    } cases[] = {
        {2, 2, 1, {K, 2}},      {2, 2, 2, {900, 7}},      {30, 30, 30, {900, 7}},  {30, 30, 12, {K, 13}},
        {17, 9, 9, {900, 7}},   {17, 9, 3, {K, 4}},        // the removal moves the values down a class
        {100, 100, 100, {900, 7}}, {100, 100, 40, {K, 41}},  // nested
        {70, 56, 56, {900, 7}}, {70, 56, 20, {K, 21}},    // nested, then a vector again
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nValues << " values, cursor on " << c.nOn);
        CSmallTree t;
        ASSERT_NO_FATAL_FAILURE(Fill(t, c.nGrowTo));
        for (uint64_t v = c.nGrowTo; v > c.nValues; v--) ASSERT_TRUE(t.bDel(K, v));
        int nClass = t.nBucketClass(K);
        ASSERT_TRUE(t.bFind(K, c.nOn));
        ASSERT_TRUE(t.bDel(K, c.nOn));
        if (c.nGrowTo != c.nValues) {
            EXPECT_EQ(t.nBucketClass(K), nClass - 1);
        }
        EXPECT_EQ(t.Cursor(), c.stAfter);
        EXPECT_TRUE(TreeInvariants(t.m_clTree));
    }
}

}  // namespace
