// The stand-in host: the emulated host with the tests' records of calls, the allocator's live
// blocks and misuses, and the refused allocations. It installs itself as the emulated host's
// observer when it is loaded.
#include "tests/host/StandInHost.h"
#include "tests/host/StandInRecording.h"

#include <mutex>
#include <unordered_set>

namespace standin {
namespace {

struct stHeader {
    uint32_t dwFlags;
    uint32_t nCount;
    uint32_t nCapacity;
    int32_t nLength;
};

class CStandInObserver final : public IHostObserver {
public:
    std::mutex m_mutex;
    std::vector<stExecutionCall> m_tabExecutionCalls;
    std::vector<stLocaleCall> m_tabLocaleCalls;
    std::vector<std::pair<uint32_t, int>> m_tabMessageCalls;
    int m_nRefuseIn = 0;  // countdown of requests before the refused one; 0 = never refuse
    int m_nRefuseCode = 100;
    long m_anSlotCalls[6] = {};
    long m_nNonZeroFlags = 0;
    long m_nBadReleases = 0;
    std::unordered_set<unsigned char*> m_setLive;

    void vOnReset() override {
        std::lock_guard lock(m_mutex);
        m_tabExecutionCalls.clear();
        m_tabLocaleCalls.clear();
        m_tabMessageCalls.clear();
        m_nRefuseIn = 0;
        m_nRefuseCode = 100;
        for (auto& n : m_anSlotCalls) n = 0;
        m_nNonZeroFlags = 0;
        m_nBadReleases = 0;
    }
    void vOnExecution(uint32_t nCode, intptr_t pArg) override {
        std::lock_guard lock(m_mutex);
        if (bCallRecording()) m_tabExecutionCalls.push_back({nCode, pArg});
    }
    void vOnLocale(int nPosition, unsigned dwLocale, unsigned dwFlags) override {
        std::lock_guard lock(m_mutex);
        if (bCallRecording()) m_tabLocaleCalls.push_back({nPosition, dwLocale, dwFlags});
    }
    void vOnMessage(uint32_t nId, int nCapacity) override {
        std::lock_guard lock(m_mutex);
        if (bCallRecording()) m_tabMessageCalls.push_back({nId, nCapacity});
    }
    int vnOnAllocatorCall(int nSlot, unsigned dwFlags) override {
        std::lock_guard lock(m_mutex);
        m_anSlotCalls[nSlot % 6]++;
        if (dwFlags != 0) m_nNonZeroFlags++;
        if (nSlot == 0 || nSlot == 3 || m_nRefuseIn == 0) return 0;
        return --m_nRefuseIn == 0 ? m_nRefuseCode : 0;
    }
    void vOnBlock(unsigned char* pNew, unsigned char* pOld) override {
        std::lock_guard lock(m_mutex);
        if (pOld != nullptr) m_setLive.erase(pOld);
        m_setLive.insert(pNew);
    }
    bool vbOnBlockUse(unsigned char* p, bool bRealloc) override {
        std::lock_guard lock(m_mutex);
        if (p == nullptr || m_setLive.count(p) == 0) {
            m_nBadReleases++;
            return false;
        }
        const uint32_t nCount = reinterpret_cast<stHeader*>(p - sizeof(stHeader))->nCount;
        if (bRealloc) {
            // Moving a block that other values still share would leave them pointing at freed memory.
            if (nCount != 1) m_nBadReleases++;
            return true;
        }
        // The library hands a block back only after its last reference went: the count is 0.
        if (nCount != 0) m_nBadReleases++;
        m_setLive.erase(p);
        return true;
    }
};

CStandInObserver g_clObserver;

struct stInstall {
    stInstall() { SetHostObserver(&g_clObserver); }
} g_stInstall;

}  // namespace

std::vector<stExecutionCall> GetExecutionCalls() {
    std::lock_guard lock(g_clObserver.m_mutex);
    return g_clObserver.m_tabExecutionCalls;
}
void ClearExecutionCalls() {
    std::lock_guard lock(g_clObserver.m_mutex);
    g_clObserver.m_tabExecutionCalls.clear();
}

void RefuseAllocation(int nNth, int nCode) {
    std::lock_guard lock(g_clObserver.m_mutex);
    g_clObserver.m_nRefuseIn = nNth;
    g_clObserver.m_nRefuseCode = nCode;
}
long nGetLiveBlocks() {
    std::lock_guard lock(g_clObserver.m_mutex);
    return static_cast<long>(g_clObserver.m_setLive.size());
}
long nGetBadReleases() {
    std::lock_guard lock(g_clObserver.m_mutex);
    return g_clObserver.m_nBadReleases;
}
long nGetSlotCalls(int nSlot) {
    std::lock_guard lock(g_clObserver.m_mutex);
    return g_clObserver.m_anSlotCalls[nSlot % 6];
}
long nGetNonZeroFlags() {
    std::lock_guard lock(g_clObserver.m_mutex);
    return g_clObserver.m_nNonZeroFlags;
}

std::vector<stLocaleCall> GetLocaleCalls() {
    std::lock_guard lock(g_clObserver.m_mutex);
    return g_clObserver.m_tabLocaleCalls;
}
void ClearLocaleCalls() {
    std::lock_guard lock(g_clObserver.m_mutex);
    g_clObserver.m_tabLocaleCalls.clear();
}

std::vector<std::pair<uint32_t, int>> GetMessageCalls() {
    std::lock_guard lock(g_clObserver.m_mutex);
    return g_clObserver.m_tabMessageCalls;
}

}  // namespace standin
