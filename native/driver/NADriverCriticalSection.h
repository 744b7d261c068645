// CNADriverCriticalSection: the driver's one lock, recursive. Every call of the host takes it and
// gives it back (four table calls a row of a browse), so its common road is inline and costs a few
// instructions: the thread that holds it only counts its re-entries; another thread takes a free
// lock with one compare-and-swap and gives it back with one exchange. Only a thread that finds it
// held sleeps, on a futex, and only a release that saw a sleeper wakes one.
//
// A thread is told by its thread pointer (the address of its own control block), which no other
// live thread shares.
#pragma once

#include <linux/futex.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>

class CNADriverCriticalSection {
public:
    CNADriverCriticalSection() = default;
    CNADriverCriticalSection(const CNADriverCriticalSection&) = delete;
    CNADriverCriticalSection& operator=(const CNADriverCriticalSection&) = delete;

    // Free, held by nobody: what the module start makes of it.
    void Init() {
        m_pOwner.store(nullptr, std::memory_order_relaxed);
        m_nDepth = 0;
        m_nState.store(FREE, std::memory_order_release);
    }

    void Lock() {
        const void* pSelf = s_pSelf();
        if (m_pOwner.load(std::memory_order_relaxed) == pSelf) {
            m_nDepth++;
            return;
        }
        int nState = FREE;
        if (!m_nState.compare_exchange_strong(nState, HELD, std::memory_order_acquire, std::memory_order_relaxed))
            _LockContended(nState);
        m_pOwner.store(pSelf, std::memory_order_relaxed);
        m_nDepth = 1;
    }

    // Taken without waiting (again by its holder); false when another thread holds it.
    bool bTryLock() {
        const void* pSelf = s_pSelf();
        if (m_pOwner.load(std::memory_order_relaxed) == pSelf) {
            m_nDepth++;
            return true;
        }
        int nState = FREE;
        if (!m_nState.compare_exchange_strong(nState, HELD, std::memory_order_acquire, std::memory_order_relaxed))
            return false;
        m_pOwner.store(pSelf, std::memory_order_relaxed);
        m_nDepth = 1;
        return true;
    }

    // A thread that does not hold the lock gives nothing back: it cannot free another's hold.
    void Unlock() {
        if (m_pOwner.load(std::memory_order_relaxed) != s_pSelf()) return;
        if (--m_nDepth != 0) return;
        m_pOwner.store(nullptr, std::memory_order_relaxed);
        if (m_nState.exchange(FREE, std::memory_order_release) == CONTENDED) _WakeOne();
    }

    // Whether the calling thread holds it.
    bool bHeldByMe() const { return m_pOwner.load(std::memory_order_relaxed) == s_pSelf(); }

private:
    // FREE: nobody holds it; HELD: held, nobody waits; CONTENDED: held, and a thread may sleep on it.
    enum : int { FREE = 0, HELD = 1, CONTENDED = 2 };

    static const void* s_pSelf() { return __builtin_thread_pointer(); }

    // Marks the lock contended and sleeps until a release finds it free. A thread that takes it
    // leaves it marked contended, since other sleepers may remain: its release then wakes one.
    void _LockContended(int nState) {
        if (nState != CONTENDED) nState = m_nState.exchange(CONTENDED, std::memory_order_acquire);
        while (nState != FREE) {
            syscall(SYS_futex, reinterpret_cast<int*>(&m_nState), FUTEX_WAIT_PRIVATE, CONTENDED, nullptr, nullptr, 0);
            nState = m_nState.exchange(CONTENDED, std::memory_order_acquire);
        }
    }
    void _WakeOne() {
        syscall(SYS_futex, reinterpret_cast<int*>(&m_nState), FUTEX_WAKE_PRIVATE, 1, nullptr, nullptr, 0);
    }

    std::atomic<int> m_nState{FREE};
    // The holder's thread pointer, null when free; written by the holder alone, so a thread that
    // reads its own there holds the lock.
    std::atomic<const void*> m_pOwner{nullptr};
    // Holds of the holder; read and written by the holder alone.
    unsigned m_nDepth = 0;
};

static_assert(std::atomic<int>::is_always_lock_free && sizeof(std::atomic<int>) == sizeof(int),
              "the futex word is the atomic's own int");
