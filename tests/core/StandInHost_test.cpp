// The stand-in host itself: the folding its compare and map share, and its allocator's header.
#include <gtest/gtest.h>

#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

class StandInHostTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

TEST_F(StandInHostTest, CompareAndMapFoldAlike) {
    IInfoLocale* pi = standin::piGetInfoLocale();
    struct Case {
        const wchar_t* a;
        const wchar_t* b;
    } cases[] = {{L"élan", L"ELAN"}, {L"Ça", L"ca"}, {L"ñandú", L"NANDU"}, {L"Łódź", L"lodz"}, {L"ÿ", L"Y"}};
    for (const Case& c : cases) {
        EXPECT_EQ(pi->vnCompareW(1024, 3, c.a, -1, c.b, -1), 0) << static_cast<int>(c.a[0]);
        wchar_t sz1[32] = {}, sz2[32] = {};
        int n1 = pi->vnMapW(1036, 3, sz1, 31, c.a, -1);
        int n2 = pi->vnMapW(1036, 3, sz2, 31, c.b, -1);
        EXPECT_EQ(std::wstring(sz1, n1), std::wstring(sz2, n2));
    }
    EXPECT_EQ(pi->vnCompareW(1024, 0, L"a", -1, L"b", -1), -1);
    EXPECT_EQ(pi->vnCompareW(1024, 1, L"é", -1, L"E", -1), 1);  // case only: the accent still counts
    EXPECT_EQ(pi->vnMapW(1036, 1, nullptr, 0, L"abc", -1), 3);
}

TEST_F(StandInHostTest, AllocatorHeaderAndRefusal) {
    IStrMemAlloc* pi = standin::piGetAllocator();
    unsigned char* p = nullptr;
    ASSERT_EQ(pi->vnAllocStrMemEx(&p, 10, 0), 0);
    const uint32_t* pHeader = reinterpret_cast<const uint32_t*>(p - 16);
    EXPECT_EQ(pHeader[0], 0u);
    EXPECT_EQ(pHeader[1], 1u);
    EXPECT_EQ(pHeader[2], 10u);
    EXPECT_EQ(pHeader[3], 0u);
    EXPECT_EQ(standin::nGetLiveBlocks(), 1);
    standin::RefuseAllocation(1, 77);
    EXPECT_EQ(pi->vnReallocStrMemEx(&p, 100, 0), 77);
    pi->vReleaseStrMem(p);
    EXPECT_EQ(standin::nGetLiveBlocks(), 0);
}

}  // namespace
