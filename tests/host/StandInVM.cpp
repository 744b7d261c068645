// The stand-in virtual machine: the emulated host's VM with the tests' records of calls, forced
// answers, live decimals and precisions. It installs itself as the VM's observer when loaded.
#include "tests/host/StandInVM.h"

#include <map>
#include <mutex>
#include <set>
#include <string_view>

#include "tests/host/StandInRecording.h"

namespace standin {
namespace {

class CStandInVMObserver final : public IVMObserver {
public:
    std::mutex m_mutex;
    std::vector<stVMCall> m_tabCalls;
    // Off for measurements: the log of calls would cost more than the calls.
    bool m_bRecord = true;
    std::map<std::string, int, std::less<>> m_mapAnswer;  // forced codes
    std::map<std::string, int, std::less<>> m_mapCompareResult;
    std::set<const IDecimalVQ*> m_setLiveDecimals;
    std::vector<std::pair<int, int>> m_tabPrecisions;

    bool vbRecording() override { return m_bRecord && bCallRecording(); }
    int vnOnCall(stVMCall&& stCall) override {
        std::lock_guard lock(m_mutex);
        const int nForce = _nAnswerOf(stCall.sNom);
        if (m_bRecord && bCallRecording()) m_tabCalls.push_back(std::move(stCall));
        return nForce;
    }
    int vnForcedAnswer(const char* pszNom) override {
        std::lock_guard lock(m_mutex);
        return _nAnswerOf(pszNom);
    }
    bool vbForcedCompareResult(const char* pszNom, int* pnResult) override {
        std::lock_guard lock(m_mutex);
        auto it = m_mapCompareResult.find(std::string_view(pszNom));
        if (it == m_mapCompareResult.end()) return false;
        *pnResult = it->second;
        return true;
    }
    void vOnNewDecimal(IDecimalVQ* piDecimal) override {
        std::lock_guard lock(m_mutex);
        m_setLiveDecimals.insert(piDecimal);
    }
    bool vbOnReleaseDecimal(IDecimalVQ* piDecimal) override {
        std::lock_guard lock(m_mutex);
        return m_setLiveDecimals.erase(piDecimal) != 0;
    }
    void vOnDecimalPrecision(int nDigits, int nDecimals) override {
        std::lock_guard lock(m_mutex);
        m_tabPrecisions.emplace_back(nDigits, nDecimals);
    }

private:
    int _nAnswerOf(std::string_view sNom) {
        if (m_mapAnswer.empty()) return -1;
        auto it = m_mapAnswer.find(sNom);
        return it != m_mapAnswer.end() ? it->second : -1;
    }
};

CStandInVMObserver g_clObserver;

struct stInstall {
    stInstall() { SetVMObserver(&g_clObserver); }
} g_stInstall;

}  // namespace

void ResetVM() {
    std::lock_guard lock(g_clObserver.m_mutex);
    g_clObserver.m_tabCalls.clear();
    g_clObserver.m_mapAnswer.clear();
    g_clObserver.m_mapCompareResult.clear();
    g_clObserver.m_tabPrecisions.clear();
}

void SetVMRecording(bool bOn) {
    std::lock_guard lock(g_clObserver.m_mutex);
    g_clObserver.m_bRecord = bOn;
}

std::vector<stVMCall> GetVMCalls() {
    std::lock_guard lock(g_clObserver.m_mutex);
    return g_clObserver.m_tabCalls;
}

int nGetVMCalls(const std::string& sNom) {
    std::lock_guard lock(g_clObserver.m_mutex);
    int n = 0;
    for (const auto& st : g_clObserver.m_tabCalls) n += st.sNom == sNom;
    return n;
}

void SetVMAnswer(const std::string& sNom, int nCode) {
    std::lock_guard lock(g_clObserver.m_mutex);
    if (nCode < 0)
        g_clObserver.m_mapAnswer.erase(sNom);
    else
        g_clObserver.m_mapAnswer[sNom] = nCode;
}

void SetVMCompareResult(const std::string& sNom, int nResult) {
    std::lock_guard lock(g_clObserver.m_mutex);
    g_clObserver.m_mapCompareResult[sNom] = nResult;
}

long nGetLiveDecimals() {
    std::lock_guard lock(g_clObserver.m_mutex);
    return static_cast<long>(g_clObserver.m_setLiveDecimals.size());
}

std::vector<std::pair<int, int>> GetDecimalPrecisionCalls() {
    std::lock_guard lock(g_clObserver.m_mutex);
    return g_clObserver.m_tabPrecisions;
}

}  // namespace standin
