// The stand-in host itself: the folding its compare and map share, its allocator's header and
// misuse reports, and the slot order of its interfaces as the host's callers reach them.
#include "tests/host/StandInHost.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <thread>
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

// Blocks given back are kept by their exact size: the next request of that size gets one of them
// with its header made anew, a request of another size never does, a kept block grows like any
// other, and threads taking and giving blocks of a few sizes at once never get a block another
// holds (each writes its own bytes over its whole block and finds them again).
TEST_F(StandInHostTest, BlocksGivenBackServeTheNextRequestOfTheirSize) {
    const bool bAvant = standin::bSetBlockKeeping(true);
    IStrMemAlloc* pi = standin::piGetAllocator();
    auto vEntete = [](const unsigned char* p) {
        std::vector<uint32_t> a(4);
        memcpy(a.data(), p - 16, 16);
        return a;
    };
    // As the library gives a block back: after its last reference went.
    auto vRend = [pi](unsigned char* pb) {
        reinterpret_cast<uint32_t*>(pb - 16)[1] = 0;
        pi->vReleaseStrMem(pb);
    };
    unsigned char* p = nullptr;
    ASSERT_EQ(pi->vnAllocStrMemEx(&p, 88, 0), 0);
    // What the library leaves in a block: its units, flags and length.
    memset(p, 0x5A, 88);
    reinterpret_cast<uint32_t*>(p - 16)[0] = 0x101;
    reinterpret_cast<uint32_t*>(p - 16)[3] = 88;
    vRend(p);
    unsigned char* pAutre = nullptr;
    ASSERT_EQ(pi->vnAllocStrMemEx(&pAutre, 92, 0), 0);
    EXPECT_NE(pAutre, p);
    unsigned char* pMeme = nullptr;
    ASSERT_EQ(pi->vnAllocStrMemEx(&pMeme, 88, 0), 0);
    EXPECT_EQ(pMeme, p);
    EXPECT_EQ(vEntete(pMeme), (std::vector<uint32_t>{0, 1, 88, 0}));
    EXPECT_EQ(standin::nGetLiveBlocks(), 2);
    memcpy(pMeme, "kept", 4);
    ASSERT_EQ(pi->vnReallocStrMemEx(&pMeme, 3000, 0), 0);
    EXPECT_EQ(memcmp(pMeme, "kept", 4), 0);
    EXPECT_EQ(vEntete(pMeme)[2], 3000u);
    vRend(pMeme);
    vRend(pAutre);
    // More blocks of one size than are kept: all of them come and go.
    std::vector<unsigned char*> ap(40);
    for (unsigned char*& pb : ap) ASSERT_EQ(pi->vnAllocStrMemEx(&pb, 40, 0), 0);
    for (unsigned char* pb : ap) vRend(pb);
    for (unsigned char*& pb : ap) ASSERT_EQ(pi->vnAllocStrMemEx(&pb, 40, 0), 0);
    for (unsigned char* pb : ap) vRend(pb);
    EXPECT_EQ(standin::nGetLiveBlocks(), 0);

    std::vector<std::thread> aThreads;
    std::atomic<int> nErreurs{0};
    for (int t = 0; t < 4; t++)
        aThreads.emplace_back([pi, vRend, t, &nErreurs] {
            std::vector<unsigned char*> apTenus;
            for (int i = 0; i < 4000; i++) {
                const size_t n = 16 + static_cast<size_t>((i * 7 + t) % 5) * 4;
                unsigned char* pb = nullptr;
                if (pi->vnAllocStrMemEx(&pb, n, 0) != 0) {
                    nErreurs++;
                    continue;
                }
                memset(pb, t + 1, n);
                apTenus.push_back(pb);
                if (apTenus.size() > 6 || i % 3 == 0) {
                    unsigned char* pRendu = apTenus.front();
                    apTenus.erase(apTenus.begin());
                    const uint32_t nTaille = reinterpret_cast<uint32_t*>(pRendu - 16)[2];
                    for (uint32_t k = 0; k < nTaille; k++)
                        if (pRendu[k] != t + 1) {
                            nErreurs++;
                            break;
                        }
                    vRend(pRendu);
                }
            }
            for (unsigned char* pb : apTenus) vRend(pb);
        });
    for (std::thread& th : aThreads) th.join();
    EXPECT_EQ(nErreurs.load(), 0);
    EXPECT_EQ(standin::nGetLiveBlocks(), 0);
    standin::bSetBlockKeeping(bAvant);
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
