// The owned byte buffer, the heap wrappers and the primality test.
#include <gtest/gtest.h>

#include <cstring>

#include "core/SimpleBuffer.h"
#include "core/XMalloc.h"
#include "core/XMath.h"
#include "tests/core/VirtualSlot.h"

namespace {

TEST(SimpleBufferTest, SetSizeReplacesDataOnlyOnAChange) {
    CSimpleBuffer clBuffer(8);
    ASSERT_NE(clBuffer.pbyGetData(), nullptr);
    EXPECT_EQ(clBuffer.nGetSize(), 8u);
    unsigned char* pAvant = clBuffer.pbyGetData();
    clBuffer.SetSize(8);
    EXPECT_EQ(clBuffer.pbyGetData(), pAvant);
    clBuffer.SetSize(16);
    EXPECT_EQ(clBuffer.nGetSize(), 16u);
    ASSERT_NE(clBuffer.pbyGetData(), nullptr);
    memset(clBuffer.pbyGetData(), 1, 16);  // the whole new size is writable
    clBuffer.SetSize(0);
    EXPECT_EQ(clBuffer.pbyGetData(), nullptr);
    EXPECT_EQ(clBuffer.nGetSize(), 0u);

    CSimpleBuffer clVide;
    EXPECT_EQ(clVide.pbyGetData(), nullptr);
    EXPECT_EQ(clVide.nGetSize(), 0u);
}

TEST(SimpleBufferTest, CopiesOwnTheirBytes) {
    const unsigned char abySource[] = {1, 2, 3};
    CSimpleBuffer clBuffer(abySource, 3);
    unsigned char* pAvant = clBuffer.pbyGetData();
    const unsigned char abyAutre[] = {7, 8, 9};
    clBuffer.CopyBuffer(abyAutre, 3);
    EXPECT_EQ(clBuffer.pbyGetData(), pAvant);
    EXPECT_EQ(memcmp(clBuffer.pbyGetData(), abyAutre, 3), 0);

    CSimpleBuffer clCopie(&clBuffer);
    EXPECT_NE(clCopie.pbyGetData(), clBuffer.pbyGetData());
    EXPECT_EQ(clCopie.nGetSize(), 3u);
    EXPECT_EQ(memcmp(clCopie.pbyGetData(), abyAutre, 3), 0);

    CSimpleBuffer clVide;
    CSimpleBuffer clCopieVide(&clVide);
    EXPECT_EQ(clCopieVide.pbyGetData(), nullptr);
}

// A loader that drops the header it has read copies the rest of its own data into itself: the
// bytes must be read before the resize frees them.
TEST(SimpleBufferTest, CopyOfItsOwnTail) {
    const unsigned char abySource[] = {0xEF, 0xBB, 0xBF, 'a', 'b', 'c', 'd'};
    CSimpleBuffer clBuffer(abySource, sizeof(abySource));
    clBuffer.CopyBuffer(clBuffer.pbyGetData() + 3, 4);
    ASSERT_EQ(clBuffer.nGetSize(), 4u);
    EXPECT_EQ(memcmp(clBuffer.pbyGetData(), "abcd", 4), 0);
    // The same size keeps the block: an overlapping copy within it.
    clBuffer.CopyBuffer(clBuffer.pbyGetData(), 4);
    EXPECT_EQ(memcmp(clBuffer.pbyGetData(), "abcd", 4), 0);
}

TEST(SimpleBufferTest, SetSizeFollowsTheDestructorPair) {
    EXPECT_EQ(SlotOf(&CSimpleBuffer::SetSize), 2);
}

TEST(XMallocTest, Wrappers) {
    XMALLOC_Del_(nullptr);
    void* p = XMALLOC_pResize_(nullptr, 16);
    ASSERT_NE(p, nullptr);
    memset(p, 0x5A, 16);
    p = XMALLOC_pResize(p, 64);
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(static_cast<unsigned char*>(p)[15], 0x5A);
    XMALLOC_Del(p);
    EXPECT_EQ(Alloc_bDump(L"x", 1) + Alloc_bMarque() + Alloc_nTailleTotale(), 0);
}

TEST(XMathTest, EstPremier) {
    struct Case {
        uint64_t n;
        bool bPremier;
    } cases[] = {
        {0, false},
        {1, true},
        {2, true},
        {3, true},
        {4, false},
        {5, true},
        {7, true},
        {9, false},
        {11, true},
        {15, false},
        {25, false},
        {49, false},
        {53, true},
        {121, false},
        {127, true},
        {169, false},
        {4294967291ull, true},
        {4294967297ull, false},
        {1000000007ull, true},
        {65537ull * 65539ull, false},
    };
    for (const Case& c : cases) EXPECT_EQ(CXMath::bEstPremier(c.n), c.bPremier) << c.n;
}

}  // namespace
