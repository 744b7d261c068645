// The B+-tree's structure: geometry and refused geometries, the first split, moves to a brother
// before a split (both brothers), duplicates, whole-key removal (which keeps the separators
// exact), emptying and rebuilding, bulk loads (buckets, failures, order 2), and the sort.
#include "native/statement/MemBTree.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <random>

#include "tests/statement/MemBTreeFixture.h"

namespace {

using btreetest::Bytes;
using btreetest::CSmallTree;
using btreetest::Number;
using btreetest::TreeInvariants;
using Leaves = std::vector<std::vector<uint64_t>>;

TEST(MemBTreeTest, GeometryAndPools) {
    struct Case {
        unsigned nKey, nValue;
        int nOrder, nEffectiveOrder, nMinFill;
        unsigned nSlot;
        size_t nInner, nLeaf;
    } cases[] = {
        {8, 4, 0, 32, 16, 8, 8 * 32 + 8 * 33 + 12, (8 + 8) * 32 + 4 + 32},
        {4, 0, 32, 32, 16, 0, 4 * 32 + 8 * 33 + 12, 4 * 32 + 32},
        {11, 12, 33, 33, 16, 12, 11 * 33 + 8 * 34 + 12, (11 + 12) * 33 + 4 * 2 + 32},
        {3, 2, 2, 2, 1, 8, 3 * 2 + 8 * 3 + 12, (3 + 8) * 2 + 4 + 32},
        {4, 4, 5, 5, 2, 8, 4 * 5 + 8 * 6 + 12, (4 + 8) * 5 + 4 + 32},
    };
    for (const Case& c : cases) {
        CMemBTree t;
        ASSERT_TRUE(t.bInit(c.nKey, c.nValue, memcmp, memcmp, c.nOrder));
        EXPECT_EQ(t.nGetOrder(), c.nEffectiveOrder);
        EXPECT_EQ(t.nGetMinFill(), c.nMinFill);
        EXPECT_EQ(t.nGetSlotSize(), c.nSlot);
        EXPECT_EQ(t.nIndexNodeSize(), c.nInner);
        EXPECT_EQ(t.nDataNodeSize(), c.nLeaf);
        EXPECT_EQ(t.pclGetIndexAlloc()->nGetObjSize(), c.nInner);
        EXPECT_EQ(t.pclGetDataAlloc()->nGetObjSize(), c.nLeaf);
        EXPECT_EQ(t.pclGetDataAlloc()->nGetObjPerChunk(), CMemBTree::nObjPerChunk(c.nLeaf));
        EXPECT_EQ(t.pclGetBucketAlloc(0) == nullptr, c.nValue == 0);
        if (c.nValue != 0) {
            EXPECT_EQ(t.pclGetBucketAlloc(0)->nGetObjSize(), 2 * c.nValue + 4);
            EXPECT_EQ(t.pclGetBucketAlloc(5)->nGetObjSize(), 64 * c.nValue + 4);
            EXPECT_EQ(t.pclGetBucketAlloc(6)->nGetObjSize(), 8 + sizeof(CMemBTree));
        }
        EXPECT_EQ(t.nGetNumRecord(), 0);
    }
}

TEST(MemBTreeTest, RefusedGeometries) {
    struct Case {
        unsigned nKey, nValue;
        CMemBTree::PFNCOMPARE pfnKey, pfnValue;
        int nOrder;
    } cases[] = {
        {0, 4, memcmp, memcmp, 0},        // no key
        {4, 4, memcmp, memcmp, 1},        // a node of one key cannot split
        {4, 4, memcmp, memcmp, -5},       //
        {4, 4, nullptr, memcmp, 0},       // no key comparison
        {4, 4, memcmp, nullptr, 0},       // values without comparison
        {1u << 30, 4, memcmp, memcmp, 0}, // nodes past what a pool carves
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CMemBTree::pclCreate(c.nKey, c.nValue, c.pfnKey, c.pfnValue, c.nOrder), nullptr) << c.nKey << " " << c.nOrder;
    }
    CMemBTree* pcl = CMemBTree::pclCreate(4, 0, memcmp, nullptr, 2);
    ASSERT_NE(pcl, nullptr);
    EXPECT_FALSE(pcl->bInit(4, 0, memcmp, nullptr, 2));  // once only
    delete pcl;
}

TEST(MemBTreeTest, ThirtyThreeAscendingKeysSplitTheFirstLeaf) {
    CSmallTree t;
    for (uint64_t k = 1; k <= 32; k++) ASSERT_TRUE(t.bIns(k * 10, k));
    EXPECT_EQ(t.Leaves().size(), 1u);
    EXPECT_TRUE(t.RootSeparators().empty());
    ASSERT_TRUE(t.bIns(330, 33));
    Leaves leaves = t.Leaves();
    ASSERT_EQ(leaves.size(), 2u);
    EXPECT_EQ(leaves[0].size(), 16u);
    EXPECT_EQ(leaves[1].size(), 17u);
    EXPECT_EQ(t.RootSeparators(), std::vector<uint64_t>{170});
    EXPECT_EQ(t.m_clTree.pclGetRoot()->nGetRecordCount(), 33u);
    EXPECT_TRUE(TreeInvariants(t.m_clTree));
}

// Order 4: a full leaf hands a key to a brother with room instead of splitting.
TEST(MemBTreeTest, FullLeafMovesAKeyToABrother) {
    struct Case {
        const char* pszWhat;
        std::vector<uint64_t> tabnBuild, tabnRemove;
        uint64_t nNew;
        Leaves stExpected;
        std::vector<uint64_t> tabnSeparators;
    } cases[] = {
        {"last key to the right brother", {10, 20, 30, 40, 50, 11, 12}, {}, 15, {{10, 11, 12, 15}, {20, 30, 40, 50}}, {20}},
        {"greater than the full leaf: front of the right brother",
         {10, 20, 30, 40, 50, 11, 12},
         {50},
         25,
         {{10, 11, 12, 20}, {25, 30, 40}},
         {25}},
        {"first key to the left brother, new key first", {10, 20, 30, 40, 50, 60}, {}, 35, {{10, 20, 30}, {35, 40, 50, 60}}, {35}},
        {"first key to the left brother", {10, 20, 30, 40, 50, 60}, {}, 55, {{10, 20, 30}, {40, 50, 55, 60}}, {40}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        CSmallTree t(4);
        for (uint64_t k : c.tabnBuild) ASSERT_TRUE(t.bIns(k));
        for (uint64_t k : c.tabnRemove) ASSERT_TRUE(t.bDel(k, std::nullopt));
        ASSERT_EQ(t.Leaves().size(), 2u);
        ASSERT_TRUE(t.bIns(c.nNew));
        EXPECT_EQ(t.Leaves(), c.stExpected);
        EXPECT_EQ(t.RootSeparators(), c.tabnSeparators);
        EXPECT_TRUE(TreeInvariants(t.m_clTree));
    }
}

// Ascending keys: moves to the left brother, of keys and of children, fill every node before a
// split is needed.
TEST(MemBTreeTest, AscendingKeysFillEveryNode) {
    CSmallTree t(4);
    for (uint64_t k = 1; k <= 40; k++) {
        ASSERT_TRUE(t.bIns(k));
        ASSERT_TRUE(TreeInvariants(t.m_clTree)) << k;
    }
    Leaves leaves = t.Leaves();
    ASSERT_EQ(leaves.size(), 10u);
    for (size_t i = 0; i < leaves.size(); i++) EXPECT_EQ(leaves[i].front(), 4 * i + 1) << i;
    EXPECT_EQ(t.m_clTree.pclGetIndexAlloc()->nGetLiveCount(), 3u);
    EXPECT_EQ(t.RootSeparators(), std::vector<uint64_t>{21});
}

TEST(MemBTreeTest, Duplicates) {
    CSmallTree t;
    ASSERT_TRUE(t.bIns(5, 1));
    ASSERT_TRUE(t.bIns(5, 2));
    EXPECT_EQ(t.m_clTree.nGetNumKeys(), 1);
    EXPECT_EQ(t.m_clTree.nGetNumRecord(), 2);
    EXPECT_FALSE(t.bIns(5, 1));
    EXPECT_FALSE(t.bIns(5, 2));
    EXPECT_EQ(t.m_clTree.nGetNumRecord(), 2);
    ASSERT_TRUE(t.bIns(5, 3));
    ASSERT_TRUE(t.bIns(6, 1));
    EXPECT_FALSE(t.bDel(5, 4));       // absent pair
    EXPECT_FALSE(t.bDel(6, 2));       // a single value that differs
    EXPECT_FALSE(t.bDel(7, 1));       // absent key
    EXPECT_FALSE(t.bDel(7, std::nullopt));
    ASSERT_TRUE(t.bDel(5, 2));        // one pair: the key stays
    EXPECT_EQ(btreetest::Records(t.m_clTree), (std::vector<std::pair<uint64_t, uint64_t>>{{5, 1}, {5, 3}, {6, 1}}));
    ASSERT_TRUE(t.bDel(5, std::nullopt));  // the key with all its values
    EXPECT_EQ(btreetest::Records(t.m_clTree), (std::vector<std::pair<uint64_t, uint64_t>>{{6, 1}}));
    EXPECT_EQ(t.m_clTree.nGetNumKeys(), 1);
    EXPECT_TRUE(TreeInvariants(t.m_clTree));

    CSmallTree k(0, 0);  // keys only
    ASSERT_TRUE(k.bIns(5));
    EXPECT_FALSE(k.bIns(5));
    EXPECT_FALSE(k.bIns(5, 9));
    EXPECT_EQ(k.m_clTree.nGetNumRecord(), 1);
}

// Removing a key that has several values is a key removal like any other: a first key that went
// is replaced in the separator above, and an under-filled leaf is merged. A separator left on
// the removed key would send a search from above into a leaf with nothing smaller, which would
// then answer that no smaller key exists.
TEST(MemBTreeTest, WholeKeyRemovalKeepsSeparatorsAndFill) {
    CSmallTree t(4);
    for (uint64_t k : {10, 20, 30, 40, 50}) ASSERT_TRUE(t.bIns(k, 1));
    ASSERT_EQ(t.Leaves(), (Leaves{{10, 20}, {30, 40, 50}}));
    ASSERT_TRUE(t.bIns(30, 2));
    ASSERT_TRUE(t.bIns(30, 3));
    ASSERT_TRUE(t.bDel(30, std::nullopt));
    EXPECT_EQ(t.Leaves(), (Leaves{{10, 20}, {40, 50}}));
    EXPECT_EQ(t.RootSeparators(), std::vector<uint64_t>{40});
    EXPECT_TRUE(TreeInvariants(t.m_clTree));
    void* pValue = t.pSearch(35, CMemBTree::SEARCH_FROM_ABOVE);
    ASSERT_NE(pValue, nullptr);
    EXPECT_EQ(t.Cursor(), std::make_pair(uint64_t(20), uint64_t(1)));

    // The right leaf falls below the minimum fill and goes into its brother.
    ASSERT_TRUE(t.bIns(50, 2));
    ASSERT_TRUE(t.bDel(50, std::nullopt));
    EXPECT_EQ(t.Leaves(), (Leaves{{10, 20, 40}}));
    EXPECT_TRUE(TreeInvariants(t.m_clTree));
}

TEST(MemBTreeTest, EmptiedAndRebuilt) {
    CSmallTree t(3);
    for (uint64_t k = 0; k < 50; k++) ASSERT_TRUE(t.bIns(k % 10, k));
    for (uint64_t k = 0; k < 50; k += 2) ASSERT_TRUE(t.bDel(k % 10, k));
    for (uint64_t k = 1; k < 10; k += 2) ASSERT_TRUE(t.bDel(k, std::nullopt));
    EXPECT_EQ(t.m_clTree.pclGetRoot(), nullptr);
    EXPECT_EQ(t.m_clTree.nGetNumRecord(), 0);
    EXPECT_EQ(t.m_clTree.pReadKey(), nullptr);
    EXPECT_EQ(t.m_clTree.nNumDuplicates(), 0);
    EXPECT_FALSE(t.m_clTree.bDeleteCurrentRecord());
    EXPECT_FALSE(t.bDel(1, std::nullopt));
    EXPECT_TRUE(TreeInvariants(t.m_clTree));  // no node or bucket left in the pools
    ASSERT_TRUE(t.bIns(7, 7));
    EXPECT_NE(t.m_clTree.pclGetRoot(), nullptr);
    EXPECT_TRUE(t.m_clTree.GetCursor().bEnd());
    EXPECT_TRUE(TreeInvariants(t.m_clTree));
}

TEST(MemBTreeTest, BulkLoadWithBuckets) {
    std::vector<std::pair<uint64_t, uint64_t>> records;
    for (uint64_t i = 0; i < 70; i++) records.emplace_back(5, 1000 - i);
    for (uint64_t i = 0; i < 20; i++) records.emplace_back(7, i * 3);
    for (uint64_t i = 0; i < 10; i++) records.emplace_back(9, i);
    std::shuffle(records.begin(), records.end(), std::mt19937(3));
    std::vector<unsigned char> keys, values;
    for (auto& r : records) {
        auto k = Bytes(r.first, 4), v = Bytes(r.second, 4);
        keys.insert(keys.end(), k.begin(), k.end());
        values.insert(values.end(), v.begin(), v.end());
    }
    CSmallTree t;
    ASSERT_TRUE(t.m_clTree.bLoadBulk(keys.data(), values.data(), 100));
    EXPECT_EQ(t.Leaves(), (Leaves{{5, 7, 9}}));
    EXPECT_EQ(t.nBucketClass(5), 6);
    EXPECT_EQ(t.nBucketClass(7), 4);
    EXPECT_EQ(t.nBucketClass(9), 3);
    std::sort(records.begin(), records.end());
    EXPECT_EQ(btreetest::Records(t.m_clTree), records);
    EXPECT_EQ(t.m_clTree.nGetNumRecord(), 100);
    EXPECT_EQ(t.m_clTree.nGetNumKeys(), 3);
    EXPECT_TRUE(t.m_clTree.GetCursor().bEnd());
    EXPECT_TRUE(TreeInvariants(t.m_clTree, false));
    EXPECT_FALSE(t.m_clTree.bLoadBulk(keys.data(), values.data(), 100));  // not empty

    // The same keys without values repeat: refused, nothing left behind.
    CSmallTree k(0, 0);
    EXPECT_FALSE(k.m_clTree.bLoadBulk(keys.data(), nullptr, 100));
    EXPECT_EQ(k.m_clTree.pclGetRoot(), nullptr);
    EXPECT_TRUE(TreeInvariants(k.m_clTree));

    // A repeated pair.
    CSmallTree r;
    std::vector<unsigned char> k2 = Bytes(4, 4), v2 = Bytes(1, 4);
    k2.insert(k2.end(), k2.begin(), k2.end());
    v2.insert(v2.end(), v2.begin(), v2.end());
    EXPECT_FALSE(r.m_clTree.bLoadBulk(k2.data(), v2.data(), 2));
    EXPECT_TRUE(TreeInvariants(r.m_clTree));
}

TEST(MemBTreeTest, BulkLoadLevels) {
    struct Case {
        int nOrder, nKeys;
        std::vector<size_t> tabnLeafSizes;
        std::vector<int> tabnChildren;  // children of the nodes above the leaves, then the root's
    } cases[] = {
        {2, 10, {2, 2, 2, 2, 2}, {3, 2, 2}},
        {32, 1000, std::vector<size_t>(), {32}},
        {32, 32, {32}, {1}},
        {3, 7, {3, 2, 2}, {3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nOrder);
        std::vector<unsigned char> keys;
        for (int i = c.nKeys; i > 0; i--) {
            auto k = Bytes(uint64_t(i), 4);
            keys.insert(keys.end(), k.begin(), k.end());
        }
        CSmallTree t(c.nOrder, 0);
        ASSERT_TRUE(t.m_clTree.bLoadBulk(keys.data(), nullptr, c.nKeys));
        ASSERT_TRUE(TreeInvariants(t.m_clTree, false));
        Leaves leaves = t.Leaves();
        std::vector<size_t> sizes;
        for (auto& l : leaves) sizes.push_back(l.size());
        if (c.tabnLeafSizes.empty()) {
            // 1000 keys in 32 leaves: 8 leaves of 32, then 24 of 31.
            ASSERT_EQ(sizes.size(), 32u);
            for (size_t i = 0; i < sizes.size(); i++) EXPECT_EQ(sizes[i], i < 8 ? 32u : 31u);
        } else {
            EXPECT_EQ(sizes, c.tabnLeafSizes);
        }
        std::vector<int> children;
        std::vector<const CMemNode*> level{t.m_clTree.pclGetRoot()};
        std::vector<std::vector<int>> levels;
        while (!level[0]->bIsData()) {
            std::vector<const CMemNode*> next;
            levels.emplace_back();
            for (const CMemNode* pcl : level) {
                auto* pclIndex = static_cast<const CMemIndexNode*>(pcl);
                levels.back().push_back(pclIndex->nGetKeyCount() + 1);
                for (int i = 0; i <= pclIndex->nGetKeyCount(); i++) next.push_back(pclIndex->pclGetChild(&t.m_clTree, i));
            }
            level = next;
        }
        for (auto it = levels.rbegin(); it != levels.rend(); ++it) children.insert(children.end(), it->begin(), it->end());
        EXPECT_EQ(children, c.tabnChildren);
        // The tree takes changes after a load.
        for (int i = 0; i < c.nKeys; i += 3) ASSERT_TRUE(t.bDel(uint64_t(i + 1), std::nullopt));
        ASSERT_TRUE(t.bIns(uint64_t(c.nKeys + 1)));
        EXPECT_TRUE(TreeInvariants(t.m_clTree, false));
    }
}

TEST(MemBTreeTest, SortMatchesAReferenceSort) {
    CMemBTree t;
    ASSERT_TRUE(t.bInit(3, 4, memcmp, memcmp, 0));
    const size_t W = 7;
    std::mt19937 rng(9);
    for (size_t n : {0, 1, 2, 3, 8, 9, 10, 17, 100, 1000, 5000}) {
        for (int nPattern = 0; nPattern < 5; nPattern++) {
            std::vector<std::array<unsigned char, W>> records(n);
            for (size_t i = 0; i < n; i++) {
                uint64_t nKey = nPattern == 0 ? rng() % 50 : nPattern == 1 ? i : nPattern == 2 ? n - i : 7;
                uint64_t nValue = nPattern == 4 ? i % 3 : rng();
                auto k = Bytes(nKey, 3), v = Bytes(nValue, 4);
                std::copy(k.begin(), k.end(), records[i].begin());
                std::copy(v.begin(), v.end(), records[i].begin() + 3);
            }
            std::vector<std::array<unsigned char, W>> sorted = records;
            t._QSort(sorted.data(), n, W, &CMemBTree::_nCompareRec);
            std::sort(records.begin(), records.end());
            ASSERT_EQ(sorted, records) << n << " pattern " << nPattern;
        }
    }
}

// Buckets of every class and nested trees freed with the tree (the leak checker of the
// sanitized build reports any block left).
TEST(MemBTreeTest, DestructionFreesEveryBucket) {
    auto* pcl = CMemBTree::pclCreate(4, 4, memcmp, memcmp, 3);
    ASSERT_NE(pcl, nullptr);
    for (uint64_t k = 0; k < 8; k++)
        for (uint64_t v = 0; v < (uint64_t(1) << k) + 1; v++) {
            auto kb = Bytes(k, 4), vb = Bytes(v, 4);
            ASSERT_TRUE(pcl->bInsert(kb.data(), vb.data()));
        }
    btreetest::CInvariantChecker c(*pcl, true);
    ASSERT_TRUE(c.Check());
    for (int i = 0; i < CMemBTree::BUCKET_CLASSES; i++) EXPECT_GE(c.m_stCensus.tabnBuckets[i], 1u) << i;
    delete pcl;
}

}  // namespace
