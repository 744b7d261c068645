// The fixed-size object pool: objects per chunk, chunks made and released as objects come and
// go, the owning chunk stamped in front of each object, the slot freed last handed out first, and
// chunks still holding objects released with the pool.
#include "native/statement/ObjAlloc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <vector>

#include "native/statement/MemBTree.h"

namespace {

const CTObjAlloc::CChunk* pclOwner(const void* pSlot) {
    const CTObjAlloc::CChunk* pcl;
    memcpy(&pcl, pSlot, sizeof pcl);
    return pcl;
}

unsigned char* pObject(void* pSlot) {
    return static_cast<unsigned char*>(pSlot) + CTObjAlloc::mg_nSpaceCostPerObj;
}

unsigned nListLength(const CTObjAlloc::CChunk* pcl) {
    unsigned n = 0;
    for (; pcl != nullptr; pcl = pcl->m_pclNext) n++;
    return n;
}

TEST(ObjAllocTest, ObjectsPerChunk) {
    struct Case {
        size_t nSize;
        unsigned nPerChunk;
    } cases[] = {{16, 170}, {1, 455}, {532, 7}, {548, 7}, {2040, 2}, {2041, 2}, {3000, 2}, {100000, 2}};
    for (const Case& c : cases) EXPECT_EQ(CMemBTree::nObjPerChunk(c.nSize), c.nPerChunk) << c.nSize;
    // The chunk block: objects x (size + 8) + 40.
    EXPECT_EQ(CTObjAlloc(170, 16).nGetChunkSize(), 170u * 24 + 40);
    EXPECT_EQ(CTObjAlloc(2, 3000).nGetChunkSize(), 2u * 3008 + 40);
}

TEST(ObjAllocTest, SecondChunkAtThe171stObject) {
    CTObjAlloc clPool(CMemBTree::nObjPerChunk(16), 16);
    std::vector<void*> tabp;
    for (int i = 0; i < 170; i++) {
        tabp.push_back(clPool.pAllocate());
        ASSERT_NE(tabp.back(), nullptr);
        memset(pObject(tabp.back()), i, 16);
    }
    EXPECT_EQ(clPool.nGetChunkCount(), 1u);
    EXPECT_EQ(clPool.pclGetFirstFree(), nullptr);
    ASSERT_NE(clPool.pclGetFirstFull(), nullptr);
    tabp.push_back(clPool.pAllocate());
    memset(pObject(tabp.back()), 170, 16);
    EXPECT_EQ(clPool.nGetChunkCount(), 2u);
    EXPECT_EQ(clPool.nGetLiveCount(), 171u);
    EXPECT_EQ(nListLength(clPool.pclGetFirstFull()), 1u);
    EXPECT_EQ(nListLength(clPool.pclGetFirstFree()), 1u);
    // Each slot names its chunk and lies inside it; no two objects overlap.
    std::set<const void*> setChunks = {clPool.pclGetFirstFull(), clPool.pclGetFirstFree()};
    for (size_t i = 0; i < tabp.size(); i++) {
        const CTObjAlloc::CChunk* pcl = pclOwner(tabp[i]);
        ASSERT_TRUE(setChunks.count(pcl)) << i;
        auto* pby = static_cast<const unsigned char*>(tabp[i]);
        auto* pbyChunk = reinterpret_cast<const unsigned char*>(pcl);
        EXPECT_GE(pby, pbyChunk + CTObjAlloc::mg_nSpaceCostPerChunk);
        EXPECT_LE(pby + 24, pbyChunk + clPool.nGetChunkSize());
        for (int j = 0; j < 16; j++) ASSERT_EQ(pObject(tabp[i])[j], static_cast<unsigned char>(i)) << i;
    }
    for (void* p : tabp) clPool.Free(pObject(p));
}

TEST(ObjAllocTest, LargeObjectsTwoPerChunk) {
    CTObjAlloc clPool(CMemBTree::nObjPerChunk(3000), 3000);
    void* p1 = clPool.pAllocate();
    void* p2 = clPool.pAllocate();
    EXPECT_EQ(clPool.nGetChunkCount(), 1u);
    void* p3 = clPool.pAllocate();
    EXPECT_EQ(clPool.nGetChunkCount(), 2u);
    memset(pObject(p1), 1, 3000);
    memset(pObject(p2), 2, 3000);
    memset(pObject(p3), 3, 3000);
    EXPECT_EQ(pObject(p1)[2999], 1);
    EXPECT_EQ(pObject(p2)[0], 2);
    for (void* p : {p1, p2, p3}) clPool.Free(pObject(p));
    EXPECT_EQ(clPool.nGetChunkCount(), 1u);
}

// Whatever the order objects come back in, emptying a pool of two chunks releases one and keeps
// the other, which then serves new objects without a new chunk.
TEST(ObjAllocTest, FreeingEverythingKeepsOneChunk) {
    for (int nOrder = 0; nOrder < 3; nOrder++) {
        CTObjAlloc clPool(170, 16);
        std::vector<void*> tabp;
        for (int i = 0; i < 171; i++) tabp.push_back(clPool.pAllocate());
        if (nOrder == 1) std::reverse(tabp.begin(), tabp.end());
        if (nOrder == 2) std::shuffle(tabp.begin(), tabp.end(), std::mt19937(5));
        for (void* p : tabp) clPool.Free(pObject(p));
        EXPECT_EQ(clPool.nGetChunkCount(), 1u) << nOrder;
        EXPECT_EQ(clPool.nGetLiveCount(), 0u);
        tabp.clear();
        for (int i = 0; i < 170; i++) tabp.push_back(clPool.pAllocate());
        EXPECT_EQ(clPool.nGetChunkCount(), 1u);
        for (void* p : tabp) clPool.Free(pObject(p));
    }
}

// An emptied chunk is kept only while it is alone on its list.
TEST(ObjAllocTest, EmptiedChunkReleasedUnlessAlone) {
    CTObjAlloc clPool(2, 16);
    void* a1 = clPool.pAllocate();
    void* a2 = clPool.pAllocate();  // chunk A full
    void* b1 = clPool.pAllocate();
    void* b2 = clPool.pAllocate();  // chunk B full
    EXPECT_EQ(clPool.nGetChunkCount(), 2u);
    clPool.Free(pObject(a1));
    clPool.Free(pObject(a2));  // A empty, alone on the free list: kept
    EXPECT_EQ(clPool.nGetChunkCount(), 2u);
    clPool.Free(pObject(b1));  // B joins the free list in front of A
    EXPECT_EQ(nListLength(clPool.pclGetFirstFree()), 2u);
    clPool.Free(pObject(b2));  // B empty with A beside it: released
    EXPECT_EQ(clPool.nGetChunkCount(), 1u);
    EXPECT_EQ(nListLength(clPool.pclGetFirstFree()), 1u);
    EXPECT_EQ(clPool.pclGetFirstFull(), nullptr);
}

TEST(ObjAllocTest, SlotFreedLastHandedOutFirst) {
    CTObjAlloc clPool(170, 16);
    std::vector<void*> tabp;
    for (int i = 0; i < 340; i++) tabp.push_back(clPool.pAllocate());  // two full chunks
    ASSERT_EQ(clPool.pclGetFirstFree(), nullptr);
    // One slot back into a full chunk: that chunk serves the next allocation, with that slot.
    clPool.Free(pObject(tabp[17]));
    EXPECT_EQ(clPool.pAllocate(), tabp[17]);
    // Several: handed out again latest first.
    for (int i : {3, 90, 41}) clPool.Free(pObject(tabp[i]));
    for (int i : {41, 90, 3}) EXPECT_EQ(clPool.pAllocate(), tabp[i]);
    EXPECT_EQ(clPool.nGetChunkCount(), 2u);
    for (void* p : tabp) clPool.Free(pObject(p));
}

// Objects still alive when the pool goes: their chunks, full ones included, go with it (the leak
// checker of the sanitized build reports any block left).
TEST(ObjAllocTest, DestructionReleasesChunksStillInUse) {
    auto* pclPool = new CTObjAlloc(170, 16);
    for (int i = 0; i < 400; i++) ASSERT_NE(pclPool->pAllocate(), nullptr);
    EXPECT_EQ(nListLength(pclPool->pclGetFirstFull()), 2u);
    EXPECT_EQ(nListLength(pclPool->pclGetFirstFree()), 1u);
    delete pclPool;
}

}  // namespace
