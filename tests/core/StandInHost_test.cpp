// The stand-in host itself: the folding its compare and map share, its allocator's header and
// misuse reports, and the slot order of its interfaces as the host's callers reach them.
#include "tests/host/StandInHost.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

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
    uint32_t* pHeader = reinterpret_cast<uint32_t*>(p - 16);
    EXPECT_EQ(pHeader[0], 0u);
    EXPECT_EQ(pHeader[1], 1u);
    EXPECT_EQ(pHeader[2], 10u);
    EXPECT_EQ(pHeader[3], 0u);
    EXPECT_EQ(standin::nGetLiveBlocks(), 1);

    // Growth keeps the units, the flags and the length; only the capacity follows the request.
    memcpy(p, "0123456789", 10);
    pHeader[0] = 0x101;
    pHeader[3] = 10;
    ASSERT_EQ(pi->vnReallocStrMemEx(&p, 4000, 0), 0);
    pHeader = reinterpret_cast<uint32_t*>(p - 16);
    EXPECT_EQ(memcmp(p, "0123456789", 10), 0);
    EXPECT_EQ(pHeader[0], 0x101u);
    EXPECT_EQ(pHeader[1], 1u);
    EXPECT_EQ(pHeader[2], 4000u);
    EXPECT_EQ(pHeader[3], 10u);
    EXPECT_EQ(standin::nGetLiveBlocks(), 1);

    standin::RefuseAllocation(1, 77);
    EXPECT_EQ(pi->vnReallocStrMemEx(&p, 8000, 0), 77);
    EXPECT_EQ(standin::nGetBadReleases(), 0);

    // A shared block must not move, and a block goes back only once its count has reached 0: the
    // stand-in reports both misuses (the test main fails a test that commits one).
    pHeader[1] = 2;
    EXPECT_EQ(pi->vnReallocStrMemEx(&p, 8000, 0), 0);
    EXPECT_EQ(standin::nGetBadReleases(), 1);
    pi->vReleaseStrMem(p);
    EXPECT_EQ(standin::nGetBadReleases(), 2);
    EXPECT_EQ(standin::nGetLiveBlocks(), 0);
    standin::Reset();
}

// The host calls through the virtual tables by slot number: the declarations must keep that order.
// Each slot is called as the host would, through the table entry, and must reach the operation the
// slot number names.
TEST_F(StandInHostTest, SlotOrderAsTheHostCallsIt) {
    IStrMemAlloc* piAlloc = standin::piGetAllocator();
    void** ppvAlloc = *reinterpret_cast<void***>(piAlloc);
    unsigned char* p = nullptr;
    using PFNVERSION = int (*)(IStrMemAlloc*);
    using PFNALLOC = int (*)(IStrMemAlloc*, unsigned char**, size_t);
    using PFNRELEASE = void (*)(IStrMemAlloc*, unsigned char*);
    using PFNALLOCEX = int (*)(IStrMemAlloc*, unsigned char**, size_t, unsigned);
    reinterpret_cast<PFNVERSION>(ppvAlloc[0])(piAlloc);
    ASSERT_EQ(reinterpret_cast<PFNALLOC>(ppvAlloc[1])(piAlloc, &p, 8), 0);
    ASSERT_EQ(reinterpret_cast<PFNALLOC>(ppvAlloc[2])(piAlloc, &p, 16), 0);
    ASSERT_EQ(reinterpret_cast<PFNALLOCEX>(ppvAlloc[5])(piAlloc, &p, 32, 0), 0);
    const uint32_t dwNoCount = 0;  // the count, as the library leaves it before the last release
    memcpy(p - 12, &dwNoCount, sizeof(dwNoCount));
    reinterpret_cast<PFNRELEASE>(ppvAlloc[3])(piAlloc, p);
    ASSERT_EQ(reinterpret_cast<PFNALLOCEX>(ppvAlloc[4])(piAlloc, &p, 8, 0), 0);
    memcpy(p - 12, &dwNoCount, sizeof(dwNoCount));
    reinterpret_cast<PFNRELEASE>(ppvAlloc[3])(piAlloc, p);
    for (int nSlot = 0; nSlot < 6; nSlot++) EXPECT_EQ(standin::nGetSlotCalls(nSlot), nSlot == 3 ? 2 : 1) << nSlot;
    EXPECT_EQ(standin::nGetBadReleases(), 0);

    // The locale services: every position is called once through its table entry and must be
    // recorded under that position.
    IInfoLocale* piLocale = standin::piGetInfoLocale();
    void** ppvLocale = *reinterpret_cast<void***>(piLocale);
    using PFNNOARG = void (*)(IInfoLocale*);
    using PFNCOMPAREA = int (*)(IInfoLocale*, unsigned, unsigned, const char*, int, const char*, int);
    using PFNCOMPAREW = int (*)(IInfoLocale*, unsigned, unsigned, const wchar_t*, int, const wchar_t*, int);
    using PFNCOMPARECURA = int (*)(IInfoLocale*, unsigned, const char*, int, const char*, int);
    using PFNCOMPARECURW = int (*)(IInfoLocale*, unsigned, const wchar_t*, int, const wchar_t*, int);
    using PFNSORTKEY = int (*)(IInfoLocale*, unsigned, char*, int, const char*, int);
    using PFNMAPA = int (*)(IInfoLocale*, unsigned, unsigned, char*, int, const char*, int);
    using PFNMAPW = int (*)(IInfoLocale*, unsigned, unsigned, wchar_t*, int, const wchar_t*, int);
    using PFNMAPCURA = int (*)(IInfoLocale*, unsigned, char*, int, const char*, int);
    using PFNMAPCURW = int (*)(IInfoLocale*, unsigned, wchar_t*, int, const wchar_t*, int);
    char sz[8];
    wchar_t szW[8];
    standin::ClearLocaleCalls();
    for (int nPos : {0, 1, 2, 3, 4, 10, 15}) reinterpret_cast<PFNNOARG>(ppvLocale[nPos])(piLocale);
    reinterpret_cast<PFNCOMPAREA>(ppvLocale[5])(piLocale, 1024, 1, "a", 1, "b", 1);
    reinterpret_cast<PFNCOMPAREW>(ppvLocale[6])(piLocale, 1024, 1, L"a", 1, L"b", 1);
    reinterpret_cast<PFNCOMPARECURA>(ppvLocale[7])(piLocale, 1, "a", 1, "b", 1);
    reinterpret_cast<PFNCOMPARECURW>(ppvLocale[8])(piLocale, 1, L"a", 1, L"b", 1);
    reinterpret_cast<PFNSORTKEY>(ppvLocale[9])(piLocale, 1036, sz, 8, "a", 1);
    reinterpret_cast<PFNMAPA>(ppvLocale[11])(piLocale, 1036, 1, sz, 8, "a", 1);
    reinterpret_cast<PFNMAPW>(ppvLocale[12])(piLocale, 1036, 1, szW, 8, L"a", 1);
    reinterpret_cast<PFNMAPCURA>(ppvLocale[13])(piLocale, 1, sz, 8, "a", 1);
    reinterpret_cast<PFNMAPCURW>(ppvLocale[14])(piLocale, 1, szW, 8, L"a", 1);
    std::vector<int> tabPositions;
    for (const standin::stLocaleCall& st : standin::GetLocaleCalls()) tabPositions.push_back(st.nPosition);
    EXPECT_EQ(tabPositions, (std::vector<int>{0, 1, 2, 3, 4, 10, 15, 5, 6, 7, 8, 9, 11, 12, 13, 14}));
}

}  // namespace
