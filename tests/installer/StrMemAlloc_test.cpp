// The installer's string allocator: capacities and block layout, the growth rule, the two caches
// and their limit, the 32-bit capacity bound, use from several threads, and the shared strings
// (CXYString, CVQBIN) running over it as they do in the installer.
#include "installer/StrMemAlloc.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <set>
#include <thread>
#include <vector>

#include "core/InformationDLL.h"
#include "core/VQBIN.h"
#include "core/XYString.h"

namespace {

uint32_t dwLit32(const unsigned char* pby) {
    uint32_t dw;
    memcpy(&dw, pby, sizeof(dw));
    return dw;
}

const STStrMemHeader& stHeader(const unsigned char* pbyText) {
    return *CBaseStrMem::s_pstGetHeader(pbyText);
}

TEST(StrMemAlloc, VersionAndSlotOrderAsTheLibraryCallsThem) {
    CStrMemAlloc clAlloc;
    IStrMemAlloc* pi = &clAlloc;
    EXPECT_EQ(pi->vnGetVersionIStrMemAlloc(), 2);
    // The library's own entry asks the version, then goes through the Ex slot with the flags.
    unsigned char* pby = nullptr;
    ASSERT_EQ(pi->nAllocStrMem(&pby, 5, STRMEMALLOC_TAILLE_EXACTE), 0);
    EXPECT_EQ(stHeader(pby).nCapacity, 5u);
    pi->vReleaseStrMem(pby);
}

TEST(StrMemAlloc, NewBlockCapacityAndHeader) {
    struct Case {
        size_t nBytes;
        unsigned dwFlags;
        uint32_t nCapacity;
    };
    const Case aCases[] = {
        {0, 0, 100},
        {1, 0, 100},
        {100, 0, 100},
        {101, 0, 996},
        {996, 0, 996},
        {997, 0, 1994},
        {5000, 0, 10000},
        {0, STRMEMALLOC_TAILLE_EXACTE, 0},
        {1, STRMEMALLOC_TAILLE_EXACTE, 1},
        {997, STRMEMALLOC_TAILLE_EXACTE, 997},
    };
    CStrMemAlloc clAlloc;
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.nBytes << " bytes, flags " << c.dwFlags);
        unsigned char* pby = reinterpret_cast<unsigned char*>(1);  // overwritten on success
        ASSERT_EQ(clAlloc.vnAllocStrMemEx(&pby, c.nBytes, c.dwFlags), 0);
        const STStrMemHeader& st = stHeader(pby);
        EXPECT_EQ(st.nCapacity, c.nCapacity);
        EXPECT_EQ(st.nCount, 1u);
        EXPECT_EQ(st.dwFlags, 0u);
        EXPECT_EQ(st.nLength, 0);
        // The link in front of the 16 bytes the strings read, and the zeros that end any text.
        EXPECT_EQ(CStrMemCache::s_pstGetBlock(pby)->pstLien, nullptr);
        EXPECT_EQ(dwLit32(pby), 0u);
        EXPECT_EQ(dwLit32(pby + c.nCapacity), 0u);
        // The whole character area is usable (the sanitizer checks the bounds).
        memset(pby, 'x', c.nCapacity);
        EXPECT_EQ(dwLit32(pby + c.nCapacity), 0u);
        clAlloc.vReleaseStrMem(pby);
    }
}

TEST(StrMemAlloc, GrowthRule) {
    struct Case {
        uint64_t nBytes, nCurrent;
        unsigned dwFlags;
        uint64_t nExpected;
    };
    const Case aCases[] = {
        {2100, 2000, 0, 2400},  // step below a tenth: 20 % more
        {2199, 2000, 0, 2400},
        {2200, 2000, 0, 3000},  // below a fifth: half more
        {2300, 2000, 0, 3000},
        {2900, 2000, 0, 4000},  // below a half: double
        {3000, 2000, 0, 6000},  // exactly half is a jump
        {3500, 2000, 0, 7000},  // a jump: twice what was asked
        {1500, 2000, 0, 2400},  // smaller than the block, still above 996
        {100, 2000, 0, 100},
        {101, 2000, 0, 996},
        {996, 100, 0, 996},
        {997, 100, 0, 1994},
        {2100, 2000, STRMEMALLOC_TAILLE_EXACTE, 2100},
        {0, 2000, STRMEMALLOC_TAILLE_EXACTE, 0},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.nBytes << " from " << c.nCurrent);
        EXPECT_EQ(CStrMemAlloc::s_nCapaciteRealloc(c.nBytes, c.nCurrent, c.dwFlags), c.nExpected);
    }
}

// A real block of capacity 2,000 grown to each size keeps its text, its flags word and its length.
TEST(StrMemAlloc, ReallocKeepsContentAndAppliesTheGrowthRule) {
    struct Case {
        size_t nBytes;
        uint32_t nCapacity;
    };
    const Case aCases[] = {{2100, 2400}, {2300, 3000}, {2900, 4000}, {3500, 7000}};
    CStrMemAlloc clAlloc;
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.nBytes);
        unsigned char* pby = nullptr;
        ASSERT_EQ(clAlloc.vnAllocStrMemEx(&pby, 2000, STRMEMALLOC_TAILLE_EXACTE), 0);
        for (int i = 0; i < 2000; i++) pby[i] = static_cast<unsigned char>(i * 7);
        CBaseStrMem::s_pstGetHeader(pby)->nLength = 2000;
        CBaseStrMem::s_pstGetHeader(pby)->dwFlags = STRMEM_FLAG_MARQUEUR_FIN;
        ASSERT_EQ(clAlloc.vnReallocStrMem(&pby, c.nBytes), 0);
        EXPECT_EQ(stHeader(pby).nCapacity, c.nCapacity);
        EXPECT_EQ(stHeader(pby).nLength, 2000);
        EXPECT_EQ(stHeader(pby).dwFlags, STRMEM_FLAG_MARQUEUR_FIN);
        EXPECT_EQ(stHeader(pby).nCount, 1u);
        EXPECT_EQ(dwLit32(pby + c.nCapacity), 0u);
        for (int i = 0; i < 2000; i++) ASSERT_EQ(pby[i], static_cast<unsigned char>(i * 7)) << i;
        memset(pby, 0, c.nCapacity);
        clAlloc.vReleaseStrMem(pby);
    }
}

TEST(StrMemAlloc, ReallocOfNullAllocates) {
    CStrMemAlloc clAlloc;
    unsigned char* pby = nullptr;
    ASSERT_EQ(clAlloc.vnReallocStrMem(&pby, 10), 0);
    ASSERT_NE(pby, nullptr);
    EXPECT_EQ(stHeader(pby).nCapacity, 100u);
    EXPECT_EQ(stHeader(pby).nCount, 1u);
    clAlloc.vReleaseStrMem(pby);
    clAlloc.vReleaseStrMem(nullptr);
}

// Growing into a cached capacity takes the cached block: the text moves there and the old block
// goes back to its own cache.
TEST(StrMemAlloc, ReallocTakesACachedBlock) {
    CStrMemAlloc clAlloc;
    unsigned char* pbyCache = nullptr;
    ASSERT_EQ(clAlloc.vnAllocStrMem(&pbyCache, 500), 0);
    clAlloc.vReleaseStrMem(pbyCache);
    ASSERT_EQ(clAlloc.nGetNbCache(996), 1);

    unsigned char* pby = nullptr;
    ASSERT_EQ(clAlloc.vnAllocStrMem(&pby, 10), 0);
    memcpy(pby, "hello", 6);
    CBaseStrMem::s_pstGetHeader(pby)->nLength = 5;
    CBaseStrMem::s_pstGetHeader(pby)->dwFlags = 0x40;
    unsigned char* pbyAncien = pby;
    ASSERT_EQ(clAlloc.vnReallocStrMem(&pby, 300), 0);
    EXPECT_EQ(pby, pbyCache);
    EXPECT_EQ(stHeader(pby).nCapacity, 996u);
    EXPECT_EQ(stHeader(pby).nCount, 1u);
    EXPECT_EQ(stHeader(pby).nLength, 5);
    EXPECT_EQ(stHeader(pby).dwFlags, 0x40u);
    EXPECT_EQ(memcmp(pby, "hello", 5), 0);
    EXPECT_EQ(dwLit32(pby + 996), 0u);
    EXPECT_EQ(clAlloc.nGetNbCache(996), 0);
    EXPECT_EQ(clAlloc.nGetNbCache(100), 1);

    // The old block is handed out again, as a fresh block.
    unsigned char* pbyEncore = nullptr;
    ASSERT_EQ(clAlloc.vnAllocStrMem(&pbyEncore, 1), 0);
    EXPECT_EQ(pbyEncore, pbyAncien);
    EXPECT_EQ(stHeader(pbyEncore).nLength, 0);
    EXPECT_EQ(stHeader(pbyEncore).nCount, 1u);
    EXPECT_EQ(stHeader(pbyEncore).dwFlags, 0u);
    EXPECT_EQ(dwLit32(pbyEncore), 0u);
    clAlloc.vReleaseStrMem(pbyEncore);
    clAlloc.vReleaseStrMem(pby);
}

TEST(StrMemAlloc, CacheKeepsTwentyBlocksOfEachCapacity) {
    for (size_t nBytes : {size_t(50), size_t(700)}) {
        SCOPED_TRACE(nBytes);
        const uint32_t nCapacity = nBytes <= 100 ? 100 : 996;
        CStrMemAlloc clAlloc;
        std::vector<unsigned char*> apby(21);
        for (auto& pby : apby) ASSERT_EQ(clAlloc.vnAllocStrMem(&pby, nBytes), 0);
        for (int i = 0; i < 21; i++) {
            clAlloc.vReleaseStrMem(apby[i]);
            EXPECT_EQ(clAlloc.nGetNbCache(nCapacity), i < 20 ? i + 1 : 20);
        }
        EXPECT_EQ(clAlloc.nGetNbCache(nCapacity == 100 ? 996 : 100), 0);

        // The twenty cached ones come back before any new block is made (the 21st was freed).
        std::set<unsigned char*> setCached(apby.begin(), apby.begin() + 20);
        std::vector<unsigned char*> apbyAgain(20);
        for (auto& pby : apbyAgain) {
            ASSERT_EQ(clAlloc.vnAllocStrMem(&pby, nBytes), 0);
            EXPECT_EQ(setCached.count(pby), 1u);
        }
        EXPECT_EQ(clAlloc.nGetNbCache(nCapacity), 0);
        for (auto pby : apbyAgain) clAlloc.vReleaseStrMem(pby);
        // The allocator's end frees what the cache still holds (the leak checker would say so).
    }
}

TEST(StrMemAlloc, OtherCapacitiesAndExactRequestsBypassTheCache) {
    CStrMemAlloc clAlloc;
    unsigned char* pbyCached = nullptr;
    ASSERT_EQ(clAlloc.vnAllocStrMem(&pbyCached, 1), 0);
    clAlloc.vReleaseStrMem(pbyCached);
    ASSERT_EQ(clAlloc.nGetNbCache(100), 1);

    // An exact request of the cached capacity makes a new block.
    unsigned char* pby = nullptr;
    ASSERT_EQ(clAlloc.vnAllocStrMemEx(&pby, 100, STRMEMALLOC_TAILLE_EXACTE), 0);
    EXPECT_NE(pby, pbyCached);
    EXPECT_EQ(clAlloc.nGetNbCache(100), 1);
    // Released, it is of a cached capacity, so it is kept.
    clAlloc.vReleaseStrMem(pby);
    EXPECT_EQ(clAlloc.nGetNbCache(100), 2);

    // A large block is freed, never cached.
    ASSERT_EQ(clAlloc.vnAllocStrMem(&pby, 2000), 0);
    clAlloc.vReleaseStrMem(pby);
    EXPECT_EQ(clAlloc.nGetNbCache(100) + clAlloc.nGetNbCache(996), 2);
    EXPECT_EQ(clAlloc.nGetNbCache(4000), 0);
}

// Twice a size of 2^31 bytes or more does not fit the 32-bit capacity: the request fails instead
// of handing out a short block, and a block being grown stays the caller's, intact.
TEST(StrMemAlloc, CapacityBeyondThirtyTwoBitsFails) {
    CStrMemAlloc clAlloc;
    unsigned char* pby = nullptr;
    EXPECT_EQ(clAlloc.vnAllocStrMem(&pby, size_t(0x80000000)), STRMEMALLOC_ERR_MEMOIRE);
    EXPECT_EQ(pby, nullptr);
    EXPECT_EQ(clAlloc.vnAllocStrMemEx(&pby, size_t(0x100000000), STRMEMALLOC_TAILLE_EXACTE), STRMEMALLOC_ERR_MEMOIRE);
    EXPECT_EQ(pby, nullptr);

    ASSERT_EQ(clAlloc.vnAllocStrMem(&pby, 3), 0);
    memcpy(pby, "abc", 3);
    CBaseStrMem::s_pstGetHeader(pby)->nLength = 3;
    unsigned char* pbyAvant = pby;
    EXPECT_EQ(clAlloc.vnReallocStrMem(&pby, size_t(0x80000000)), STRMEMALLOC_ERR_MEMOIRE);
    EXPECT_EQ(pby, pbyAvant);
    EXPECT_EQ(stHeader(pby).nCapacity, 100u);
    EXPECT_EQ(memcmp(pby, "abc", 3), 0);
    clAlloc.vReleaseStrMem(pby);
}

TEST(StrMemAlloc, ProcessInstance) {
    ASSERT_EQ(CStrMemAlloc::ms_pclAllocateur, nullptr);
    CStrMemAlloc* pcl = CStrMemAlloc::s_pclInit();
    ASSERT_NE(pcl, nullptr);
    EXPECT_EQ(CStrMemAlloc::ms_pclAllocateur, pcl);
    EXPECT_EQ(CStrMemAlloc::s_pclInit(), pcl);  // a second start keeps the instance
    CStrMemAlloc::s_Term();
    EXPECT_EQ(CStrMemAlloc::ms_pclAllocateur, nullptr);
    CStrMemAlloc::s_Term();  // nothing left to end
}

// Threads taking and giving back cached blocks: every block handed out is one thread's alone (its
// bytes stay as that thread wrote them), and the counts never pass the limit.
TEST(StrMemAlloc, ThreadsShareTheCache) {
    CStrMemAlloc clAlloc;
    std::vector<std::thread> aThreads;
    std::atomic<int> nErreurs{0};
    for (int t = 0; t < 4; t++) {
        aThreads.emplace_back([&clAlloc, &nErreurs, t] {
            const unsigned char byMarque = static_cast<unsigned char>('A' + t);
            for (int i = 0; i < 5000; i++) {
                const size_t nBytes = (i % 3 == 0) ? 600 : 40;
                unsigned char* apby[3] = {};
                for (auto& pby : apby) {
                    if (clAlloc.vnAllocStrMem(&pby, nBytes) != 0) {
                        nErreurs++;
                        return;
                    }
                    memset(pby, byMarque, nBytes);
                }
                for (auto pby : apby) {
                    for (size_t k = 0; k < nBytes; k++)
                        if (pby[k] != byMarque) nErreurs++;
                    clAlloc.vReleaseStrMem(pby);
                }
            }
        });
    }
    for (auto& cl : aThreads) cl.join();
    EXPECT_EQ(nErreurs.load(), 0);
    EXPECT_LE(clAlloc.nGetNbCache(100), STRMEMALLOC_CACHE_MAX);
    EXPECT_LE(clAlloc.nGetNbCache(996), STRMEMALLOC_CACHE_MAX);
}

// The shared strings as the installer runs them: every buffer from this allocator.
class StrMemAllocStrings : public testing::Test {
protected:
    void SetUp() override {
        m_piAvant = CInformationModule::ms_piStrMemAlloc;
        CInformationModule::ms_piStrMemAlloc = &m_clAlloc;
    }
    void TearDown() override { CInformationModule::ms_piStrMemAlloc = m_piAvant; }

    CStrMemAlloc m_clAlloc;
    IStrMemAlloc* m_piAvant = nullptr;
};

TEST_F(StrMemAllocStrings, WideStringGrowsSharesAndReleases) {
    {
        CXYString<wchar_t> clTexte;
        ASSERT_EQ(clTexte.nAffecteConversion(L"abc", -1), 0);
        EXPECT_EQ(clTexte.nGetCapacite(), 100 / 4);
        EXPECT_STREQ(clTexte.pszGet(), L"abc");

        // Appending one character at a time through every capacity step.
        std::wstring sAttendu = L"abc";
        for (int i = 0; i < 3000; i++) {
            const wchar_t sz[2] = {static_cast<wchar_t>(L'a' + i % 26), 0};
            ASSERT_EQ(clTexte.nConcat(sz, 1), 0);
            sAttendu += sz;
        }
        EXPECT_EQ(clTexte.nGetLongueur(), 3003);
        EXPECT_EQ(std::wstring(clTexte.pszGet()), sAttendu);
        EXPECT_GE(clTexte.nGetCapacite(), 3003);

        CXYString<wchar_t> clCopie(clTexte);
        EXPECT_TRUE(clTexte.bEstPartage());
        EXPECT_EQ(clCopie.pszGet(), clTexte.pszGet());
        ASSERT_EQ(clCopie.nConcat(L"!", 1), 0);  // copy on write
        EXPECT_FALSE(clTexte.bEstPartage());
        EXPECT_EQ(std::wstring(clTexte.pszGet()), sAttendu);
        EXPECT_EQ(std::wstring(clCopie.pszGet()), sAttendu + L"!");
    }
    // The text grew in place, so only large blocks were released, and those are freed.
    EXPECT_EQ(m_clAlloc.nGetNbCache(100) + m_clAlloc.nGetNbCache(996), 0);
    // A short text's block is kept for the next one.
    const wchar_t* pszAvant = nullptr;
    {
        CXYString<wchar_t> clCourt;
        ASSERT_EQ(clCourt.nAffecteConversion(L"x", -1), 0);
        pszAvant = clCourt.pszGet();
    }
    EXPECT_EQ(m_clAlloc.nGetNbCache(100), 1);
    CXYString<wchar_t> clSuivant;
    ASSERT_EQ(clSuivant.nAffecteConversion(L"yz", -1), 0);
    EXPECT_EQ(clSuivant.pszGet(), pszAvant);
    EXPECT_STREQ(clSuivant.pszGet(), L"yz");
}

TEST_F(StrMemAllocStrings, BinaryBufferOverTheAllocator) {
    std::vector<unsigned char> aOctets(5000);
    for (size_t i = 0; i < aOctets.size(); i++) aOctets[i] = static_cast<unsigned char>(i * 13 + 1);
    CVQBIN clBin(aOctets.data(), 10);
    ASSERT_EQ(clBin.nGetTaille(), 10);
    EXPECT_EQ(clBin.nGetCapacite(), 100);
    ASSERT_EQ(clBin.nConcat(aOctets.data() + 10, 4990), 0);
    ASSERT_EQ(clBin.nGetTaille(), 5000);
    EXPECT_EQ(memcmp(clBin.pbyGet(), aOctets.data(), 5000), 0);
    CVQBIN clPart(clBin);
    EXPECT_TRUE(clBin.bEstPartage());
    clBin.Tronque(3);
    EXPECT_EQ(clBin.nGetTaille(), 3);
    EXPECT_EQ(clPart.nGetTaille(), 5000);
    EXPECT_EQ(memcmp(clPart.pbyGet(), aOctets.data(), 5000), 0);
}

}  // namespace
