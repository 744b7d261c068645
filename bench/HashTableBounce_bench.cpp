// Insert, look-up and removal of 10^3 to 10^6 keys in the bounce hash table (through the typed
// tables the driver uses), against std::unordered_map. Integer keys, then string keys: the
// bounce table compares and hashes them ignoring case and accents through the host's locale
// services (here the stand-in host's), so it is measured against std::unordered_map twice: with
// plain std::wstring keys, and with the same logical hash and compare (which isolates the cost of
// the table itself from the cost of the host's folding).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/InformationDLL.h"
#include "core/RefHashTable.h"
#include "core/RefStringHashTable.h"
#include "tests/host/StandInHost.h"

namespace {

struct CObjet {
    uint32_t m_nRef = 0;
};

}  // namespace

template <>
struct CRefTraits<CObjet> {
    static void _AddRef(CObjet* p) { p->m_nRef++; }
    static void _Release(CObjet* p) { p->m_nRef--; }
};

namespace {

CObjet g_clObjet;

// Distinct integer keys spread over 32 bits, and the same keys in another order for look-ups.
const std::vector<int>& ClesEntieres(size_t n, bool bMelange) {
    static std::map<std::pair<size_t, bool>, std::vector<int>> s_cache;
    auto& v = s_cache[{n, bMelange}];
    if (v.empty()) {
        for (size_t i = 0; i < n; i++) v.push_back(static_cast<int>(static_cast<uint32_t>(i) * 2654435761u));
        if (bMelange) std::shuffle(v.begin(), v.end(), std::mt19937(7));
    }
    return v;
}

// Identification texts of the kind the driver's registries hold.
const std::vector<std::wstring>& ClesTexte(size_t n, bool bMelange) {
    static std::map<std::pair<size_t, bool>, std::vector<std::wstring>> s_cache;
    auto& v = s_cache[{n, bMelange}];
    if (v.empty()) {
        wchar_t sz[64];
        for (size_t i = 0; i < n; i++) {
            swprintf(sz, 64, L"Table=Client%07zu;Connexion=Base", i);
            v.push_back(sz);
        }
        if (bMelange) std::shuffle(v.begin(), v.end(), std::mt19937(7));
    }
    return v;
}

struct CBounceEntier {
    using tCle = int;
    CRefHashTable<int, CObjet*> m_tab;
    void Ajoute(int n) { m_tab.bSet(n, &g_clObjet); }
    bool bTrouve(int n) {
        CObjet* p = nullptr;
        if (!m_tab.bGet(n, &p)) return false;
        m_tab._Release(p);
        return true;
    }
    void Supprime(int n) { m_tab.bRemove(n); }
};

struct CStdEntier {
    using tCle = int;
    std::unordered_map<int, CObjet*> m_map;
    void Ajoute(int n) { m_map.insert_or_assign(n, &g_clObjet); }
    bool bTrouve(int n) { return m_map.find(n) != m_map.end(); }
    void Supprime(int n) { m_map.erase(n); }
};

struct CBounceTexte {
    using tCle = std::wstring;
    CRefStringHashTable<CObjet*> m_tab;
    void Ajoute(const std::wstring& s) { m_tab.bSet(s.c_str(), &g_clObjet); }
    bool bTrouve(const std::wstring& s) {
        CObjet* p = nullptr;
        if (!m_tab.bGet(s.c_str(), &p)) return false;
        m_tab._Release(p);
        return true;
    }
    void Supprime(const std::wstring& s) { m_tab.bRemove(s.c_str()); }
};

struct CStdTexte {
    using tCle = std::wstring;
    std::unordered_map<std::wstring, CObjet*> m_map;
    void Ajoute(const std::wstring& s) { m_map.insert_or_assign(s, &g_clObjet); }
    bool bTrouve(const std::wstring& s) { return m_map.find(s) != m_map.end(); }
    void Supprime(const std::wstring& s) { m_map.erase(s); }
};

struct CHashLogique {
    size_t operator()(const std::wstring& s) const { return CHashTableBounce::dwStringLogiqueHashVal(s.c_str()); }
};
struct CEgalLogique {
    bool operator()(const std::wstring& a, const std::wstring& b) const {
        return CHashTableBounce::nStringLogiqueCompare(a.c_str(), b.c_str()) == 0;
    }
};
struct CStdTexteLogique {
    using tCle = std::wstring;
    std::unordered_map<std::wstring, CObjet*, CHashLogique, CEgalLogique> m_map;
    void Ajoute(const std::wstring& s) { m_map.insert_or_assign(s, &g_clObjet); }
    bool bTrouve(const std::wstring& s) { return m_map.find(s) != m_map.end(); }
    void Supprime(const std::wstring& s) { m_map.erase(s); }
};

template <typename C>
const std::vector<typename C::tCle>& Cles(size_t n, bool bMelange) {
    if constexpr (std::is_same_v<typename C::tCle, int>)
        return ClesEntieres(n, bMelange);
    else
        return ClesTexte(n, bMelange);
}

// The stand-in host records every call to its locale services; the record is emptied outside
// the timed part so that it does not grow without bound.
void ViderJournal(benchmark::State& state) {
    state.PauseTiming();
    standin::ClearLocaleCalls();
    state.ResumeTiming();
}

template <typename C>
void BM_Insertion(benchmark::State& state) {
    const auto& cles = Cles<C>(static_cast<size_t>(state.range(0)), false);
    for (auto _ : state) {
        C c;
        for (const auto& k : cles) c.Ajoute(k);
        benchmark::ClobberMemory();
        ViderJournal(state);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <typename C>
void BM_Recherche(benchmark::State& state) {
    size_t n = static_cast<size_t>(state.range(0));
    C c;
    for (const auto& k : Cles<C>(n, false)) c.Ajoute(k);
    const auto& ordre = Cles<C>(n, true);
    for (auto _ : state) {
        size_t nTrouves = 0;
        for (const auto& k : ordre) nTrouves += c.bTrouve(k);
        benchmark::DoNotOptimize(nTrouves);
        if (nTrouves != n) state.SkipWithError("key not found");
        ViderJournal(state);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

template <typename C>
void BM_Suppression(benchmark::State& state) {
    size_t n = static_cast<size_t>(state.range(0));
    const auto& cles = Cles<C>(n, false);
    const auto& ordre = Cles<C>(n, true);
    for (auto _ : state) {
        state.PauseTiming();
        auto* pc = new C;
        for (const auto& k : cles) pc->Ajoute(k);
        standin::ClearLocaleCalls();
        state.ResumeTiming();
        for (const auto& k : ordre) pc->Supprime(k);
        benchmark::ClobberMemory();
        state.PauseTiming();
        delete pc;
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}

#define KX_BENCH_FAMILLE(C)                                                                                        \
    BENCHMARK_TEMPLATE(BM_Insertion, C)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMicrosecond); \
    BENCHMARK_TEMPLATE(BM_Recherche, C)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMicrosecond); \
    BENCHMARK_TEMPLATE(BM_Suppression, C)->RangeMultiplier(10)->Range(1000, 1000000)->Unit(benchmark::kMicrosecond)

KX_BENCH_FAMILLE(CBounceEntier);
KX_BENCH_FAMILLE(CStdEntier);
KX_BENCH_FAMILLE(CBounceTexte);
KX_BENCH_FAMILLE(CStdTexte);
KX_BENCH_FAMILLE(CStdTexteLogique);

}  // namespace

int main(int argc, char** argv) {
    // What the host's start notice hands the library: its allocator and its locale services.
    standin::Reset();
    CInformationModule::ms_piStrMemAlloc = standin::piGetAllocator();
    CInformationDLL::ms_piInfoLocale = standin::piGetInfoLocale();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
