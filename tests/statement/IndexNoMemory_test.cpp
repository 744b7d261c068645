// The column indexes when the heap refuses: each request a build or an insertion makes is refused in
// turn. A refused build fails with the out-of-memory error (the table-cache index then destroys the
// index, and nothing is left behind); a refused insertion fails and leaves the index as it was.
//
// This program answers the heap requests itself: realloc (the memo index's table grows through it)
// and the library's block allocator (the fixed-size index's tree, its pools and its key buffer),
// each of which can refuse its n-th request from a given moment.
#include <gtest/gtest.h>

#include <cstdlib>

#include "core/XMalloc.h"
#include "tests/core/ReallocRefusal.h"
#include "tests/statement/IndexFixture.h"

namespace blockrefusal {
inline long s_nRequests = 0;
inline long s_nToRefuse = 0;
inline bool s_bRefused = false;
inline void Arm(long nNth) {
    s_nRequests = 0;
    s_nToRefuse = nNth;
    s_bRefused = false;
}
}  // namespace blockrefusal

void* XMALLOC_pNew_(size_t nTaille) {
    using namespace blockrefusal;
    if (++s_nRequests == s_nToRefuse) {
        s_bRefused = true;
        return nullptr;
    }
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

enum eHEAP { HEAP_REALLOC, HEAP_BLOCKS };

class IndexNoMemoryTest : public IndexTest, public testing::WithParamInterface<std::tuple<eKIND, eHEAP>> {
protected:
    void TearDown() override {
        Disarm();
        IndexTest::TearDown();
    }
    static void Arm(eHEAP e, long nNth) {
        Disarm();
        if (e == HEAP_REALLOC)
            reallocrefusal::Arm(nNth);
        else
            blockrefusal::Arm(nNth);
    }
    static bool bRefused(eHEAP e) { return e == HEAP_REALLOC ? reallocrefusal::bRefused() : blockrefusal::s_bRefused; }
    static void Disarm() {
        reallocrefusal::Arm(0);
        blockrefusal::Arm(0);
    }
    eKIND eKind() const { return std::get<0>(GetParam()); }
    eHEAP eHeap() const { return std::get<1>(GetParam()); }
    CIndexItem* pclNew() {
        if (eKind() == KIND_FIXED)
            m_pclIndex = std::make_unique<CIndexFixedSizeItem>(m_pclErr, nullptr, m_pclCache, pclCol(L"v"), &m_clSearch);
        else
            m_pclIndex = std::make_unique<CIndexMemo>(m_pclErr, nullptr, m_pclCache, pclCol(L"m"), &m_clSearch);
        return m_pclIndex.get();
    }
    // 150 rows over 7 values: several leaves and buckets, a table grown past 100 entries.
    void AddRows() {
        std::vector<int> v;
        for (int n = 0; n < 150; n++) v.push_back(n * 5 % 7);
        AddValues(v);
    }
};

TEST_P(IndexNoMemoryTest, BuildRefused) {
    AddRows();
    ASSERT_TRUE(pclNew()->bInit());
    const std::vector<int> vExpected = Browse(m_pclIndex.get());
    long nRefused = 0;
    for (long nNth = 1;; nNth++) {
        ASSERT_LT(nNth, 1000) << "never built";
        m_pclErr->Reset();
        CIndexItem* pcl = pclNew();
        Arm(eHeap(), nNth);
        const int bOk = pcl->bInit();
        const bool bWasRefused = bRefused(eHeap());
        Disarm();
        if (!bWasRefused) {
            EXPECT_TRUE(bOk);
            EXPECT_EQ(Browse(pcl), vExpected);
            break;
        }
        SCOPED_TRACE(nNth);
        nRefused++;
        EXPECT_FALSE(bOk);
        EXPECT_EQ(m_pclErr->dwGetSystemErrorCode(), 12u);  // ENOMEM
    }
    EXPECT_GT(nRefused, 0);
}

TEST_P(IndexNoMemoryTest, InsertionRefused) {
    AddRows();
    CIndexItem* pcl = pclNew();
    ASSERT_TRUE(pcl->bInit());
    // Rows keep coming until one insertion needs memory.
    long nRefused = 0;
    for (int k = 0; k < 120; k++) {
        // On the k-th row of the order.
        const std::vector<int> vBefore = Browse(pcl);
        const int nCurrent = vBefore[k];
        ASSERT_EQ(nMove(pcl, NA_PARSE_FIRST, k + 1), nCurrent);
        const int nRow = nAdd({k % 4, nullptr, nullptr, std::to_string(k % 4).c_str()});
        for (long nNth = 1;; nNth++) {
            ASSERT_LT(nNth, 100) << "never inserted";
            m_pclErr->Reset();
            Arm(eHeap(), nNth);
            const int bOk = pcl->bInsertRecord(nRow, nullptr);
            const bool bWasRefused = bRefused(eHeap());
            Disarm();
            if (!bWasRefused) {
                EXPECT_TRUE(bOk);
                break;
            }
            SCOPED_TRACE(nNth);
            nRefused++;
            EXPECT_FALSE(bOk);
            EXPECT_EQ(pcl->nGetCurrentRecordId(), nCurrent);
            EXPECT_EQ(pcl->nGetPreviousRecordNbr(), k);
            EXPECT_EQ(Browse(pcl), vBefore);
            ASSERT_EQ(nMove(pcl, NA_PARSE_FIRST, k + 1), nCurrent);
        }
    }
    EXPECT_GT(nRefused, 0);
}

INSTANTIATE_TEST_SUITE_P(KindsAndHeaps, IndexNoMemoryTest,
                         testing::Values(std::make_tuple(KIND_FIXED, HEAP_BLOCKS), std::make_tuple(KIND_MEMO, HEAP_REALLOC)),
                         [](const testing::TestParamInfo<std::tuple<eKIND, eHEAP>>& st) {
                             return std::string(std::get<0>(st.param) == KIND_FIXED ? "FixedSize" : "Memo") +
                                    (std::get<1>(st.param) == HEAP_REALLOC ? "Realloc" : "Blocks");
                         });

}  // namespace
