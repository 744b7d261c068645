// The driver's one lock under several threads: no two threads inside at once however they nest,
// a holder that takes it again keeps it until its last release, a thread that waits is woken by
// the release (also when several wait), a thread that does not hold it cannot give it back, and a
// module start makes it free again. Also through the driver's own entry lock (CNADriverLock).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <thread>
#include <vector>

#include "native/driver/NADriver.h"
#include "native/driver/NADriverCriticalSection.h"
#include "native/driver/NADriverLock.h"
#include "native/driver/NAExports.h"

namespace {

// Whether another thread can take the lock now (and then gives it back).
bool bFreeForOthers(CNADriverCriticalSection& cs) {
    bool bTaken = false;
    std::thread clOther([&] {
        bTaken = cs.bTryLock();
        if (bTaken) cs.Unlock();
    });
    clOther.join();
    return bTaken;
}

// Waits (boundedly) until the predicate holds.
template <class F>
bool bWaitFor(F&& fn) {
    for (int i = 0; i < 2000; i++) {
        if (fn()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return fn();
}

// Several threads hold the lock nDepth deep (1 to 3, by thread and round) many times, through
// fnHold(nDepth, body); inside, a plain counter is read, the thread may yield, and the counter is
// written back, so that two threads inside at once lose increments; an occupant marker catches
// the overlap itself.
void ContendedRounds(void (*fnHold)(int nDepth, const std::function<void()>& fnBody)) {
    constexpr int THREADS = 4;
    constexpr int ROUNDS = 20000;
    long nCounter = 0;
    std::atomic<int> nOccupant{-1};
    std::atomic<int> nOverlaps{0};
    std::vector<std::thread> tabThreads;
    for (int t = 0; t < THREADS; t++)
        tabThreads.emplace_back([&, t] {
            for (int r = 0; r < ROUNDS; r++)
                fnHold(1 + (t + r) % 3, [&] {
                    if (nOccupant.exchange(t) != -1) nOverlaps++;
                    const long n = nCounter;
                    if (r % 64 == 0) std::this_thread::yield();
                    nCounter = n + 1;
                    if (nOccupant.exchange(-1) != t) nOverlaps++;
                });
        });
    for (std::thread& cl : tabThreads) cl.join();
    EXPECT_EQ(nOverlaps.load(), 0);
    EXPECT_EQ(nCounter, static_cast<long>(THREADS) * ROUNDS);
}

CNADriverCriticalSection g_clLock;

TEST(NADriverCriticalSection, OneThreadInsideAtATimeHoweverTheyNest) {
    g_clLock.Init();
    ContendedRounds([](int nDepth, const std::function<void()>& fnBody) {
        for (int d = 0; d < nDepth; d++) g_clLock.Lock();
        fnBody();
        for (int d = 0; d < nDepth; d++) g_clLock.Unlock();
    });
    EXPECT_TRUE(bFreeForOthers(g_clLock));
}

TEST(NADriverCriticalSection, HolderKeepsItUntilItsLastRelease) {
    CNADriverCriticalSection cs;
    cs.Init();
    EXPECT_FALSE(cs.bHeldByMe());
    for (int nDepth : {1, 2, 5}) {
        for (int d = 0; d < nDepth; d++) {
            if (d % 2 == 0)
                cs.Lock();
            else
                EXPECT_TRUE(cs.bTryLock());  // a holder's try takes it again as well
        }
        for (int d = nDepth; d > 0; d--) {
            EXPECT_TRUE(cs.bHeldByMe()) << nDepth << " " << d;
            EXPECT_FALSE(bFreeForOthers(cs)) << nDepth << " " << d;
            cs.Unlock();
        }
        EXPECT_FALSE(cs.bHeldByMe()) << nDepth;
        EXPECT_TRUE(bFreeForOthers(cs)) << nDepth;
    }
}

TEST(NADriverCriticalSection, WaitersAreWokenOneAfterAnother) {
    // One waiter, then several: every one gets in once the holder lets go, one at a time.
    for (int nWaiters : {1, 3}) {
        CNADriverCriticalSection cs;
        cs.Init();
        cs.Lock();
        std::atomic<int> nStarted{0}, nInside{0}, nDone{0}, nOverlaps{0};
        std::vector<std::thread> tabWaiters;
        for (int i = 0; i < nWaiters; i++)
            tabWaiters.emplace_back([&] {
                nStarted++;
                cs.Lock();
                if (nInside.fetch_add(1) != 0) nOverlaps++;
                std::this_thread::sleep_for(std::chrono::milliseconds(2));
                nInside.fetch_sub(1);
                nDone++;
                cs.Unlock();
            });
        ASSERT_TRUE(bWaitFor([&] { return nStarted.load() == nWaiters; }));
        // Give them time to go to sleep on the lock: none gets in while it is held.
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        EXPECT_EQ(nDone.load(), 0) << nWaiters;
        EXPECT_EQ(nInside.load(), 0) << nWaiters;
        cs.Unlock();
        EXPECT_TRUE(bWaitFor([&] { return nDone.load() == nWaiters; })) << nWaiters;
        for (std::thread& cl : tabWaiters) cl.join();
        EXPECT_EQ(nOverlaps.load(), 0) << nWaiters;
        EXPECT_TRUE(bFreeForOthers(cs)) << nWaiters;
    }
}

TEST(NADriverCriticalSection, OnlyTheHolderGivesItBack) {
    CNADriverCriticalSection cs;
    cs.Init();
    cs.Lock();
    // Another thread's release, once or more, leaves the hold in place.
    std::thread clOther([&] {
        cs.Unlock();
        cs.Unlock();
        EXPECT_FALSE(cs.bHeldByMe());
        EXPECT_FALSE(cs.bTryLock());
    });
    clOther.join();
    EXPECT_TRUE(cs.bHeldByMe());
    EXPECT_FALSE(bFreeForOthers(cs));
    cs.Unlock();
    EXPECT_TRUE(bFreeForOthers(cs));
    // A release without any hold changes nothing either.
    cs.Unlock();
    EXPECT_TRUE(bFreeForOthers(cs));
    cs.Lock();
    EXPECT_FALSE(bFreeForOthers(cs));
    cs.Unlock();
}

TEST(NADriverCriticalSection, StartMakesItFreeAndForgetsAnOldHold) {
    CNADriverCriticalSection cs;
    cs.Init();
    cs.Lock();
    cs.Lock();
    cs.Init();
    EXPECT_FALSE(cs.bHeldByMe());
    EXPECT_TRUE(bFreeForOthers(cs));
    // The old holder's releases find nothing of theirs to give back, and take nothing from
    // another thread that holds it now.
    std::atomic<bool> bHeld{false}, bRelease{false};
    std::thread clOther([&] {
        cs.Lock();
        bHeld = true;
        while (!bRelease) std::this_thread::yield();
        cs.Unlock();
    });
    ASSERT_TRUE(bWaitFor([&] { return bHeld.load(); }));
    cs.Unlock();
    cs.Unlock();
    EXPECT_FALSE(cs.bTryLock());
    bRelease = true;
    clOther.join();
    EXPECT_TRUE(bFreeForOthers(cs));
}

// The driver's entries take the lock through CNADriverLock: host threads calling into the driver
// at once, each entry calling others that take it again inside it.
void HoldThroughEntries(int nDepth, const std::function<void()>& fnBody) {
    CNADriverLock clEntry;
    if (nDepth > 1)
        HoldThroughEntries(nDepth - 1, fnBody);
    else
        fnBody();
}

TEST(NADriverCriticalSection, DriverEntryLockUnderSeveralHostThreads) {
    ASSERT_EQ(bInitLibrary(reinterpret_cast<void*>(0x1000)), 1);
    ContendedRounds(HoldThroughEntries);
    EXPECT_TRUE(bFreeForOthers(CNADriver::m_gstDriverCriticalSection));
    TermLibrary();
}

}  // namespace
