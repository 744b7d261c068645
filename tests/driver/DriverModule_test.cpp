// The library's four entries seen from inside: the host versions the handshake keeps, the module
// start and stop with the one recursive lock (created once, destroyed once, created again by a
// start after a stop), and the driver objects the factory makes, with the driver that tables and
// contexts reach (s_pclDriver) as objects come and go, also when memory runs out.
#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

#include "core/MainCommun.h"
#include "native/driver/NADriver.h"
#include "native/driver/NADriverLock.h"
#include "native/driver/NAError.h"
#include "native/driver/NAExports.h"

// ---- an allocator that can refuse the n-th request from now, for the whole program
namespace {
std::atomic<int> g_nRefuseIn{0};
bool bRefuseNow() {
    int n = g_nRefuseIn.load();
    if (n == 0) return false;
    g_nRefuseIn.store(n - 1);
    return n == 1;
}
// Out of line, so that the compiler does not pair a new expression with free and warn.
__attribute__((noinline)) void* pAllocate(size_t n) {
    return malloc(n != 0 ? n : 1);
}
__attribute__((noinline)) void vFree(void* p) {
    free(p);
}
}  // namespace

void* operator new(size_t n) {
    void* p = bRefuseNow() ? nullptr : pAllocate(n);
    if (p == nullptr) throw std::bad_alloc();
    return p;
}
void* operator new[](size_t n) {
    return operator new(n);
}
void* operator new(size_t n, const std::nothrow_t&) noexcept {
    return bRefuseNow() ? nullptr : pAllocate(n);
}
void* operator new[](size_t n, const std::nothrow_t&) noexcept {
    return bRefuseNow() ? nullptr : pAllocate(n);
}
void operator delete(void* p) noexcept {
    vFree(p);
}
void operator delete[](void* p) noexcept {
    vFree(p);
}
void operator delete(void* p, size_t) noexcept {
    vFree(p);
}
void operator delete[](void* p, size_t) noexcept {
    vFree(p);
}

namespace {

void* const g_hFirst = reinterpret_cast<void*>(0x1000);
void* const g_hSecond = reinterpret_cast<void*>(0x2000);

// Whether another thread finds the driver's lock free (and then gives it back).
bool bLockFreeForOthers() {
    int nResult = -1;
    std::thread clOther([&nResult] {
        nResult = CNADriver::m_gstDriverCriticalSection.bTryLock() ? 0 : EBUSY;
        if (nResult == 0) CNADriver::m_gstDriverCriticalSection.Unlock();
    });
    clOther.join();
    EXPECT_TRUE(nResult == 0 || nResult == EBUSY) << nResult;
    return nResult == 0;
}

class DriverModuleTest : public testing::Test {
protected:
    // Every case starts and ends with the module stopped and no driver object alive.
    void SetUp() override {
        TermLibrary();
        ASSERT_EQ(CNADriver::s_pclDriver, nullptr);
    }
    void TearDown() override {
        g_nRefuseIn = 0;
        TermLibrary();
    }
};

TEST_F(DriverModuleTest, HandshakeKeepsTheHostsVersion) {
    struct Case {
        int nModule;
        unsigned nHostVersion;
        int nResult;
        unsigned nVersionWritten;  // 12345: left as it was
        uint32_t nKXYF, nKXSQL;    // the stored versions afterwards (both 99 before)
    } cases[] = {
        {7, 32, 1, 32, 32, 99},
        {7, 31, 0, 32, 31, 99},  // refused, yet kept
        {7, 0, 0, 32, 0, 99},
        {7, 0x80000000u, 1, 32, 0x80000000u, 99},
        {7, 0xFFFFFFFFu, 1, 32, 0xFFFFFFFFu, 99},
        {28, 31, 0, 32, 99, 31},
        {28, 33, 1, 32, 99, 33},
        {5, 40, 0, 12345, 99, 99},
        {0, 40, 0, 12345, 99, 99},
        {-7, 40, 0, 12345, 99, 99},
        {39, 40, 0, 12345, 99, 99},
    };
    for (const Case& c : cases) {
        CNADriver::s_nID_KXYF = 99;
        CNADriver::s_nID_KXSQL = 99;
        unsigned nVersion = 12345;
        EXPECT_EQ(bDLLCompatible(c.nModule, c.nHostVersion, &nVersion), c.nResult)
            << c.nModule << " " << c.nHostVersion;
        EXPECT_EQ(nVersion, c.nVersionWritten) << c.nModule << " " << c.nHostVersion;
        EXPECT_EQ(CNADriver::s_nID_KXYF, c.nKXYF) << c.nModule << " " << c.nHostVersion;
        EXPECT_EQ(CNADriver::s_nID_KXSQL, c.nKXSQL) << c.nModule << " " << c.nHostVersion;
    }
    // A host that does not want the driver's version still gets its answer.
    EXPECT_EQ(bDLLCompatible(7, 32, nullptr), 1);
    EXPECT_EQ(CNADriver::s_nID_KXYF, 32u);
}

TEST_F(DriverModuleTest, FirstStartResetsVersionsAndCreatesTheLockOnce) {
    unsigned nVersion;
    bDLLCompatible(7, 40, &nVersion);
    bDLLCompatible(28, 41, &nVersion);
    int nStarts = gnNbInitialisation;

    EXPECT_EQ(bInitLibrary(g_hFirst), 1);
    EXPECT_EQ(gnNbInitialisation, nStarts + 1);
    EXPECT_EQ(CNADriver::s_hDllHandle, g_hFirst);
    EXPECT_EQ(CNADriver::s_nID_KXYF, 0u);
    EXPECT_EQ(CNADriver::s_nID_KXSQL, 0u);
    EXPECT_EQ(CMainCommun::gbInitLibraryDone, 1);
    ASSERT_TRUE(CNADriver::s_bDriverCriticalSectionCreated);

    // A second start only counts: it keeps the handle and the versions, and the lock held across
    // it is still held (it was not made again).
    bDLLCompatible(7, 40, &nVersion);
    {
        CNADriverLock clHeld;
        EXPECT_EQ(bInitLibrary(g_hSecond), 1);
        EXPECT_FALSE(bLockFreeForOthers());
    }
    EXPECT_EQ(gnNbInitialisation, nStarts + 2);
    EXPECT_EQ(CNADriver::s_hDllHandle, g_hFirst);
    EXPECT_EQ(CNADriver::s_nID_KXYF, 40u);
    EXPECT_TRUE(bLockFreeForOthers());
}

TEST_F(DriverModuleTest, LockIsRecursiveAndAbsentWhileStopped) {
    ASSERT_EQ(bInitLibrary(g_hFirst), 1);
    {
        CNADriverLock clOuter;
        {
            CNADriverLock clInner;  // the same thread takes it again
            EXPECT_FALSE(bLockFreeForOthers());
        }
        EXPECT_FALSE(bLockFreeForOthers());
    }
    EXPECT_TRUE(bLockFreeForOthers());

    EXPECT_EQ(TermLibrary(), 1);
    EXPECT_FALSE(CNADriver::s_bDriverCriticalSectionCreated);
    EXPECT_EQ(CMainCommun::gbInitLibraryDone, 0);
    // Nothing to take while stopped, and nothing breaks.
    { CNADriverLock clNone; }
    EXPECT_FALSE(CNADriver::s_bLock());
}

TEST_F(DriverModuleTest, StopTwiceThenStartAgain) {
    ASSERT_EQ(bInitLibrary(g_hFirst), 1);
    int nStarts = gnNbInitialisation;
    EXPECT_EQ(TermLibrary(), 1);
    EXPECT_EQ(TermLibrary(), 1);  // the lock is not destroyed a second time
    EXPECT_FALSE(CNADriver::s_bDriverCriticalSectionCreated);
    // The stop leaves the counter and the handle.
    EXPECT_EQ(gnNbInitialisation, nStarts);
    EXPECT_EQ(CNADriver::s_hDllHandle, g_hFirst);

    // A start after a stop starts the module again, so the driver has its lock back.
    unsigned nVersion;
    bDLLCompatible(28, 40, &nVersion);
    EXPECT_EQ(bInitLibrary(g_hSecond), 1);
    EXPECT_EQ(gnNbInitialisation, nStarts + 1);
    EXPECT_TRUE(CNADriver::s_bDriverCriticalSectionCreated);
    EXPECT_EQ(CNADriver::s_hDllHandle, g_hSecond);
    EXPECT_EQ(CNADriver::s_nID_KXSQL, 0u);
    EXPECT_EQ(CMainCommun::gbInitLibraryDone, 1);
    {
        CNADriverLock clHeld;
        EXPECT_FALSE(bLockFreeForOthers());
    }
}

TEST_F(DriverModuleTest, EachCallMakesItsOwnDriverObject) {
    ASSERT_EQ(bInitLibrary(g_hFirst), 1);
    auto* pclFirst = static_cast<CNADriver*>(piQueryInterface(0));
    auto* pclSecond = static_cast<CNADriver*>(piQueryInterface(7));
    ASSERT_NE(pclFirst, nullptr);
    ASSERT_NE(pclSecond, nullptr);
    EXPECT_NE(pclFirst, pclSecond);
    EXPECT_EQ(CNADriver::s_pclDriver, pclSecond);
    for (CNADriver* pcl : {pclFirst, pclSecond}) {
        EXPECT_EQ(pcl->nGetExternalRef(), 1u);
        ASSERT_NE(pcl->pclGetError(), nullptr);
        EXPECT_EQ(pcl->pclGetError()->nGetRef(), 1u);
        EXPECT_EQ(pcl->piGetLastError(), pcl->pclGetError());
        EXPECT_EQ(pcl->pclGetError()->eGetErrorType(), NA_ERRORTYPE_NONE);
        EXPECT_EQ(pcl->llGetDefaultBlockRowCount(), 100);
    }
    EXPECT_NE(pclFirst->pclGetError(), pclSecond->pclGetError());

    // The stop leaves the objects the host holds alone.
    EXPECT_EQ(TermLibrary(), 1);
    EXPECT_EQ(CNADriver::s_pclDriver, pclSecond);
    EXPECT_EQ(pclSecond->nGetExternalRef(), 1u);
    EXPECT_EQ(pclSecond->nExternalRelease(), 0);
    EXPECT_EQ(pclFirst->nExternalRelease(), 0);
}

TEST_F(DriverModuleTest, ReachedDriverFallsBackToTheNewestStillAlive) {
    // Three drivers made in order 0, 1, 2; the host releases them in the given order; after each
    // release the driver that tables and contexts reach.
    struct Case {
        std::vector<int> tabReleaseOrder;
        std::vector<int> tabReachedAfter;  // -1: none
    } cases[] = {
        {{2, 1, 0}, {1, 0, -1}},
        {{0, 1, 2}, {2, 2, -1}},
        {{1, 2, 0}, {2, 0, -1}},
        {{2, 0, 1}, {1, 1, -1}},
    };
    ASSERT_EQ(bInitLibrary(g_hFirst), 1);
    for (const Case& c : cases) {
        INADriver* apiDriver[3];
        for (INADriver*& pi : apiDriver) {
            pi = piQueryInterface(0);
            ASSERT_NE(pi, nullptr);
        }
        ASSERT_EQ(CNADriver::s_pclDriver, apiDriver[2]);
        for (size_t i = 0; i < c.tabReleaseOrder.size(); i++) {
            EXPECT_EQ(apiDriver[c.tabReleaseOrder[i]]->nExternalRelease(), 0);
            int nReached = c.tabReachedAfter[i];
            EXPECT_EQ(CNADriver::s_pclDriver, nReached < 0 ? nullptr : apiDriver[nReached])
                << "release " << i << " of case " << (&c - cases);
        }
    }
}

TEST_F(DriverModuleTest, ExternalReferencesKeepTheDriverAlive) {
    ASSERT_EQ(bInitLibrary(g_hFirst), 1);
    INADriver* pi = piQueryInterface(0);
    ASSERT_NE(pi, nullptr);
    pi->ExternalAddRef();
    EXPECT_EQ(pi->nExternalRelease(), 1);
    EXPECT_EQ(CNADriver::s_pclDriver, pi);
    EXPECT_EQ(pi->nExternalRelease(), 0);  // deleted, its error object with it (leak check)
    EXPECT_EQ(CNADriver::s_pclDriver, nullptr);
}

TEST_F(DriverModuleTest, NoMemoryGivesNullAndLeavesNothingBehind) {
    ASSERT_EQ(bInitLibrary(g_hFirst), 1);
    INADriver* piKept = piQueryInterface(0);
    ASSERT_NE(piKept, nullptr);
    // Whichever allocation of the factory fails, the host gets null and the driver it reached
    // before stays the one reached; a factory that got all it needed hands out a whole object.
    int nNulls = 0;
    for (int nRefused = 1; nRefused <= 8; nRefused++) {
        g_nRefuseIn = nRefused;
        INADriver* pi = piQueryInterface(0);
        bool bRefusalUsed = g_nRefuseIn.load() == 0;
        g_nRefuseIn = 0;
        if (pi == nullptr) {
            nNulls++;
            EXPECT_TRUE(bRefusalUsed) << nRefused;
            EXPECT_EQ(CNADriver::s_pclDriver, piKept) << nRefused;
            continue;
        }
        EXPECT_EQ(CNADriver::s_pclDriver, pi) << nRefused;
        ASSERT_NE(pi->piGetLastError(), nullptr) << nRefused;
        EXPECT_EQ(static_cast<CNADriver*>(pi)->nGetExternalRef(), 1u);
        EXPECT_EQ(pi->nExternalRelease(), 0);
        EXPECT_EQ(CNADriver::s_pclDriver, piKept) << nRefused;
    }
    // At least the driver object itself and its error object are refusable.
    EXPECT_GE(nNulls, 2);
    EXPECT_EQ(piKept->nExternalRelease(), 0);
}

}  // namespace
