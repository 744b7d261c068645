// Every allocation the record cache makes may be refused: the append, insert or replacement that
// needed it fails, reports out of memory on the value's error object and leaves every row, every
// identity and the hash as they were; the next one succeeds.
//
// This program answers the heap requests itself: realloc (the cache's tables grow through it) and
// the library's block allocator (the cache's blocks and search buffer), each of which can refuse
// its n-th request from a given moment.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "core/XMalloc.h"
#include "tests/core/ReallocRefusal.h"
#include "tests/statement/RecordCacheFixture.h"

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

// The library's block allocator, in place of the common runtime's (whose module is then not linked).
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

class NARecordCacheMemoryTest : public RecordCacheTest {
protected:
    void SetUp() override {
        RecordCacheTest::SetUp();
        m_pclCache = new CNARecordCache;
        m_pclCache->AddRef();
        // Small blocks and steps, so that a few rows meet every kind of growth.
        m_pclCache->SetGrowStep(2, 0x200000);
    }
    void TearDown() override {
        Disarm();
        ExpectInvariants(m_pclCache, true);
        m_pclCache->nRelease();
        RecordCacheTest::TearDown();
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
    // Everything a reader can see of the cache.
    std::vector<std::string> Snapshot(const std::vector<std::string>& vNames) {
        std::vector<std::string> v;
        for (int n = 0; n < m_pclCache->nGetNbRecord(); n++) v.push_back(sRead(m_pclCache, n));
        for (size_t i = 0; i < vNames.size(); i++)
            v.push_back(std::to_string(m_pclCache->nGetRecordIndice(pclRowNoRef(int(i), vNames[i].c_str(), "memo"))));
        v.push_back(std::to_string(m_pclCache->clGetIdentityHash().dwGetNumElement()));
        v.push_back(std::to_string(m_pclCache->nGetNbDeleted()));
        return v;
    }
    // Runs the operation with the 1st, 2nd, ... request of the heap refused until it succeeds
    // without a refusal; each refused run must fail and change nothing.
    template <typename F>
    void RefuseEachRequest(eHEAP e, const std::vector<std::string>& vNames, F fnOperation, int nSuccess,
                           int nFailure) {
        const std::vector<std::string> vBefore = Snapshot(vNames);
        for (long nNth = 1; nNth < 100; nNth++) {
            m_pclErr->Reset();
            Arm(e, nNth);
            const int nResult = fnOperation();
            const bool bWasRefused = bRefused(e);
            Disarm();
            if (!bWasRefused) {
                EXPECT_EQ(nResult, nSuccess);
                EXPECT_EQ(m_pclErr->eGetErrorType(), NA_ERRORTYPE_NONE);
                m_nRefusals += nNth - 1;
                return;
            }
            SCOPED_TRACE(nNth);
            EXPECT_EQ(nResult, nFailure);
            EXPECT_EQ(m_pclErr->dwGetSystemErrorCode(), 12u);  // ENOMEM
            EXPECT_EQ(Snapshot(vNames), vBefore);
            ExpectInvariants(m_pclCache, true);
        }
        FAIL() << "never succeeded";
    }
    CNARecordCache* m_pclCache = nullptr;
    long m_nRefusals = 0;
};

TEST_F(NARecordCacheMemoryTest, AppendsAndInsertsThatCannotGetTheirMemory) {
    std::vector<std::string> vNames;
    for (eHEAP e : {HEAP_REALLOC, HEAP_BLOCKS}) {
        SCOPED_TRACE(e);
        m_pclCache->nRelease();
        m_pclCache = new CNARecordCache;
        m_pclCache->AddRef();
        m_pclCache->SetGrowStep(2, 0x200000);
        vNames.clear();
        m_nRefusals = 0;
        // Up to the hash's first growth (past 8 entries) and several blocks.
        for (int k = 0; k < 12; k++) {
            const std::string sName = "row" + std::to_string(k);
            CNARecordValue* pcl = pclRowNoRef(k, sName.c_str(), "memo");
            if (k % 3 == 2) {
                // Inserted at the front: every row's number moves.
                RefuseEachRequest(e, vNames, [&] { return m_pclCache->Insere(pcl, 0); }, 0, -1);
                vNames.insert(vNames.begin(), sName);
            } else {
                RefuseEachRequest(e, vNames, [&] { return m_pclCache->nAjoute(pcl); }, k, -1);
                vNames.push_back(sName);
            }
        }
        EXPECT_GE(m_nRefusals, 12);  // every two rows at least a block and an entry table grow
        EXPECT_EQ(m_pclCache->nGetNbRecord(), 12);
    }
}

TEST_F(NARecordCacheMemoryTest, ReplacementsThatCannotGetTheirMemory) {
    // Row ids: found by their own identity.
    auto Find = [&](const char* pszRowId) {
        CHeld<CNARecordId> clId(new CNARecordId_RowId(pclBytesVariant(m_pclErr, pszRowId)));
        return m_pclCache->nGetRecordIndice(clId.get());
    };
    // A longer row id needs a new element, and room to be serialized aside.
    const char* pszLonger = "a row id much longer than any before it";
    CNARecordValue* pclLonger = pclRowNoRef(1, "row1", "a new memo", pszLonger);
    for (eHEAP e : {HEAP_BLOCKS, HEAP_REALLOC}) {
        SCOPED_TRACE(e);
        m_pclCache->nRelease();
        m_pclCache = new CNARecordCache;
        m_pclCache->AddRef();
        for (int k = 0; k < 3; k++) {
            const std::string sName = "row" + std::to_string(k);
            ASSERT_EQ(m_pclCache->nAjoute(pclRowNoRef(k, sName.c_str(), "memo", sName.c_str())), k);
        }
        long nRefused = 0;
        for (long nNth = 1; nNth < 100; nNth++, nRefused++) {
            m_pclErr->Reset();
            Arm(e, nNth);
            const int bOk = m_pclCache->Update(1, pclLonger);
            const bool bWasRefused = bRefused(e);
            Disarm();
            if (!bWasRefused) {
                ASSERT_TRUE(bOk);
                break;
            }
            SCOPED_TRACE(nNth);
            EXPECT_FALSE(bOk);
            EXPECT_EQ(m_pclErr->dwGetSystemErrorCode(), 12u);
            EXPECT_EQ(Find("row1"), 1);
            EXPECT_EQ(Find(pszLonger), -1);
            EXPECT_EQ(sRead(m_pclCache, 1), "1|row1|memo");
            ExpectInvariants(m_pclCache, true);
        }
        EXPECT_GT(nRefused, 0);
        EXPECT_EQ(Find("row1"), -1);
        EXPECT_EQ(Find(pszLonger), 1);
        EXPECT_EQ(Find("row0"), 0);
        EXPECT_EQ(Find("row2"), 2);
        EXPECT_EQ(sRead(m_pclCache, 1), "1|row1|a new memo");
    }
}

}  // namespace
