// The B+-tree when the heap refuses: each allocation an operation makes is refused in turn. A
// refused creation answers null, a refused insertion or bulk load fails and leaves the tree, its
// cursor and its pools as they were; a removal never fails for want of memory (a bucket that
// cannot move to a smaller class keeps its values where they are).
//
// This program carries its own heap wrappers, in place of the library's, so that the n-th
// request can be refused.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "core/XMalloc.h"
#include "tests/statement/MemBTreeFixture.h"

namespace {

long g_nRequests = 0;
long g_nRefused = -1;  // the request number to refuse
bool g_bRefuseAll = false;

}  // namespace

void* XMALLOC_pNew_(size_t nTaille) {
    if (g_bRefuseAll || ++g_nRequests == g_nRefused) return nullptr;
    return malloc(nTaille);
}
void XMALLOC_Del_(void* p) {
    free(p);
}
void* XMALLOC_pResize_(void* p, size_t nTaille) {
    return p == nullptr ? XMALLOC_pNew_(nTaille) : realloc(p, nTaille);
}
int Alloc_bDump(const wchar_t*, int) {
    return 0;
}
int Alloc_bMarque() {
    return 0;
}
int Alloc_nTailleTotale() {
    return 0;
}

namespace {

using btreetest::CSmallTree;
using btreetest::TreeInvariants;
using Pair = std::pair<uint64_t, uint64_t>;

// Runs the operation with its n-th heap request refused.
template <class F>
bool bWithRefusal(long n, F op) {
    g_nRefused = g_nRequests + n;
    bool b = op();
    g_nRefused = -1;
    return b;
}

TEST(MemBTreeNoMemoryTest, CreationRefused) {
    for (long n = 1;; n++) {
        CMemBTree* pcl = nullptr;
        bool bOk = bWithRefusal(n, [&] { return (pcl = CMemBTree::pclCreate(4, 4, memcmp, memcmp, 0)) != nullptr; });
        if (bOk) {
            EXPECT_GE(n, 5);  // tree, two node pools, the bucket pools, the key buffers
            delete pcl;
            break;
        }
        ASSERT_LT(n, 20);
    }
}

// Insertions of many keys and of hundreds of values for a few keys, at order 2, so that splits
// climb several levels and buckets pass every class into a nested tree: every heap request of
// every insertion is refused once before the insertion is let through.
TEST(MemBTreeNoMemoryTest, InsertionRefusedLeavesTheTreeAsItWas) {
    for (int nOrder : {2, 32}) {
        SCOPED_TRACE(nOrder);
        CSmallTree t(nOrder);
        std::mt19937 rng(21);
        long nDeepest = 0;
        for (int i = 0; i < 1500; i++) {
            Pair p = rng() % 3 == 0 ? Pair{rng() % 3 * 1000, rng() % 1000} : Pair{rng() % 5000, rng() % 2};
            auto stCursor = t.Cursor();
            auto records = btreetest::Records(t.m_clTree);
            bool bPresent = std::find(records.begin(), records.end(), p) != records.end();
            for (long n = 1;; n++) {
                bool bOk = bWithRefusal(n, [&] { return t.bIns(p.first, p.second); });
                if (bOk) break;
                ASSERT_EQ(btreetest::Records(t.m_clTree), records) << i << " request " << n;
                ASSERT_EQ(t.Cursor(), stCursor);
                ASSERT_TRUE(TreeInvariants(t.m_clTree, false)) << i << " request " << n;
                if (bPresent) break;
                nDeepest = std::max(nDeepest, n);
                ASSERT_LT(n, 100);
            }
        }
        ASSERT_TRUE(TreeInvariants(t.m_clTree));
        // Some insertion needed a new leaf, inner nodes and a new root, or a nested tree.
        EXPECT_GE(nDeepest, 3);
    }
}

TEST(MemBTreeNoMemoryTest, RemovalsNeedNoMemory) {
    CSmallTree t(3);
    for (uint64_t v = 0; v < 120; v++) ASSERT_TRUE(t.bIns(7, v));
    for (uint64_t k = 0; k < 60; k++) ASSERT_TRUE(t.bIns(k * 2, 1));
    auto records = btreetest::Records(t.m_clTree);
    std::mt19937 rng(4);
    std::shuffle(records.begin(), records.end(), rng);
    g_bRefuseAll = true;
    size_t i = 0;
    for (; i < records.size() / 2; i++) {
        ASSERT_TRUE(t.bDel(records[i].first, records[i].second)) << i;
        ASSERT_TRUE(TreeInvariants(t.m_clTree, false)) << i;
    }
    g_bRefuseAll = false;
    for (; i < records.size(); i++) {
        ASSERT_TRUE(t.bDel(records[i].first, records[i].second)) << i;
        ASSERT_TRUE(TreeInvariants(t.m_clTree, false)) << i;
    }
    EXPECT_EQ(t.m_clTree.pclGetRoot(), nullptr);
}

TEST(MemBTreeNoMemoryTest, BulkLoadRefusedLeavesNothing) {
    std::vector<unsigned char> keys, values;
    for (uint64_t i = 0; i < 400; i++) {
        auto k = btreetest::Bytes(i < 200 ? i % 3 : i, 4), v = btreetest::Bytes(i, 4);
        keys.insert(keys.end(), k.begin(), k.end());
        values.insert(values.end(), v.begin(), v.end());
    }
    for (long n = 1;; n++) {
        CSmallTree t(3);
        bool bOk = bWithRefusal(n, [&] { return t.m_clTree.bLoadBulk(keys.data(), values.data(), 400); });
        if (bOk) {
            EXPECT_EQ(t.m_clTree.nGetNumRecord(), 400);
            EXPECT_TRUE(TreeInvariants(t.m_clTree, false));
            EXPECT_GE(n, 10);
            break;
        }
        ASSERT_EQ(t.m_clTree.pclGetRoot(), nullptr) << n;
        ASSERT_TRUE(TreeInvariants(t.m_clTree)) << n;  // no node or bucket left in the pools
        ASSERT_LT(n, 1000);
    }
}

}  // namespace
