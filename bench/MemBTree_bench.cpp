// The in-memory B+-tree of the column indexes against the ordered containers one would otherwise
// use, over 10^6 records of 8-byte keys and 4-byte row numbers (both compared with memcmp, as the
// column index does), with unique keys and with 100 distinct keys:
// - building by successive insertions (bInsert, as the index is built) against std::multimap,
//   std::set of (key, row) and, when installed, absl::btree_multimap;
// - finding a random (key, row) pair (bFindRecord) against the same containers (a multimap finds
//   a pair by walking the equal range of its key);
// - the number of records before the cursor at random ranks (MoveTo, then bAdvance by
//   -2147483647) against find_by_order then order_of_key of a __gnu_pbds order-statistics tree,
//   and the positioning alone.
// Every container is built from the same records and cross-checked against the tree once.
#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ext/pb_ds/assoc_container.hpp>
#include <ext/pb_ds/tree_policy.hpp>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "native/statement/MemBTree.h"

#ifdef KX_BENCH_ABSL
#include <absl/container/btree_map.h>
#endif

namespace {

const int N = 1000000;
const int QUERIES = 1 << 16;

using Key = std::array<unsigned char, 8>;
using Rec = std::array<unsigned char, 12>;  // key, then the row number as it lies in memory

struct KeyLess {
    bool operator()(const Key& a, const Key& b) const { return memcmp(a.data(), b.data(), 8) < 0; }
};
struct RecLess {
    bool operator()(const Rec& a, const Rec& b) const { return memcmp(a.data(), b.data(), 12) < 0; }
};

using MultiMap = std::multimap<Key, uint32_t, KeyLess>;
using PairSet = std::set<Rec, RecLess>;
using RankTree = __gnu_pbds::tree<Rec, __gnu_pbds::null_type, RecLess, __gnu_pbds::rb_tree_tag,
                                  __gnu_pbds::tree_order_statistics_node_update>;
#ifdef KX_BENCH_ABSL
using AbslMultiMap = absl::btree_multimap<Key, uint32_t, KeyLess>;
#endif

Key KeyOf(const Rec& r) {
    Key k;
    memcpy(k.data(), r.data(), 8);
    return k;
}
uint32_t RowOf(const Rec& r) {
    uint32_t n;
    memcpy(&n, r.data() + 8, 4);
    return n;
}

// Row i of the cache with its key: distinct keys spread over 64 bits, or one of 100 values.
const std::vector<Rec>& Records(int nDistinct) {
    static std::map<int, std::vector<Rec>> s_cache;
    std::vector<Rec>& v = s_cache[nDistinct];
    if (v.empty()) {
        std::mt19937_64 rng(42);
        v.resize(N);
        for (uint32_t i = 0; i < N; i++) {
            uint64_t nKey = nDistinct == 0 ? (uint64_t(i) + 1) * 0x9E3779B97F4A7C15ull : rng() % nDistinct;
            for (int b = 0; b < 8; b++) v[i][b] = static_cast<unsigned char>(nKey >> (56 - 8 * b));
            memcpy(v[i].data() + 8, &i, 4);
        }
    }
    return v;
}

const std::vector<int>& RandomIndexes() {
    static std::vector<int> s_v;
    if (s_v.empty()) {
        std::mt19937 rng(7);
        for (int i = 0; i < QUERIES; i++) s_v.push_back(static_cast<int>(rng() % N));
    }
    return s_v;
}

void Check(bool b, const char* pszWhat) {
    if (!b) {
        fprintf(stderr, "cross-check failed: %s\n", pszWhat);
        abort();
    }
}

std::unique_ptr<CMemBTree> BuildTree(const std::vector<Rec>& records) {
    std::unique_ptr<CMemBTree> pcl(CMemBTree::pclCreate(8, 4, memcmp, memcmp, 0));
    for (const Rec& r : records) pcl->bInsert(r.data(), r.data() + 8);
    return pcl;
}

// Containers built once per key distribution, cross-checked against the tree.
struct CBuilt {
    std::unique_ptr<CMemBTree> pclTree;
    MultiMap clMultiMap;
    PairSet clSet;
    RankTree clRank;
#ifdef KX_BENCH_ABSL
    AbslMultiMap clAbsl;
#endif
};

CBuilt& Built(int nDistinct) {
    static std::map<int, std::unique_ptr<CBuilt>> s_cache;
    std::unique_ptr<CBuilt>& p = s_cache[nDistinct];
    if (p == nullptr) {
        const std::vector<Rec>& records = Records(nDistinct);
        p = std::make_unique<CBuilt>();
        p->pclTree = BuildTree(records);
        for (const Rec& r : records) {
            p->clMultiMap.emplace(KeyOf(r), RowOf(r));
            p->clSet.insert(r);
            p->clRank.insert(r);
#ifdef KX_BENCH_ABSL
            p->clAbsl.emplace(KeyOf(r), RowOf(r));
#endif
        }
        Check(p->pclTree->nGetNumRecord() == N && p->clRank.size() == size_t(N), "record counts");
        std::mt19937 rng(3);
        for (int i = 0; i < 2000; i++) {
            int nRank = static_cast<int>(rng() % N);
            p->pclTree->MoveTo(nRank);
            const Rec& r = *p->clRank.find_by_order(size_t(nRank));
            Check(memcmp(p->pclTree->pReadKey(), r.data(), 8) == 0 && memcmp(p->pclTree->pReadValue(), r.data() + 8, 4) == 0,
                  "record at a rank");
            int nMoved = 0;
            p->pclTree->bAdvance(-2147483647, &nMoved, 0);
            Check(-nMoved == nRank, "records before the cursor");
        }
    }
    return *p;
}

// --- Building by insertions ------------------------------------------------------------------

void BM_Build_MemBTree(benchmark::State& state) {
    const std::vector<Rec>& records = Records(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        std::unique_ptr<CMemBTree> pcl(CMemBTree::pclCreate(8, 4, memcmp, memcmp, 0));
        for (const Rec& r : records) pcl->bInsert(r.data(), r.data() + 8);
        benchmark::DoNotOptimize(pcl->nGetNumRecord());
        state.PauseTiming();
        pcl.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * N);
}

template <class C, class F>
void BuildContainer(benchmark::State& state, F insert) {
    const std::vector<Rec>& records = Records(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        auto p = std::make_unique<C>();
        for (const Rec& r : records) insert(*p, r);
        benchmark::DoNotOptimize(p->size());
        state.PauseTiming();
        p.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * N);
}

void BM_Build_StdMultimap(benchmark::State& state) {
    BuildContainer<MultiMap>(state, [](MultiMap& c, const Rec& r) { c.emplace(KeyOf(r), RowOf(r)); });
}
void BM_Build_StdSetOfPairs(benchmark::State& state) {
    BuildContainer<PairSet>(state, [](PairSet& c, const Rec& r) { c.insert(r); });
}
#ifdef KX_BENCH_ABSL
void BM_Build_AbslBtreeMultimap(benchmark::State& state) {
    BuildContainer<AbslMultiMap>(state, [](AbslMultiMap& c, const Rec& r) { c.emplace(KeyOf(r), RowOf(r)); });
}
#endif

// --- Finding a (key, row) pair ---------------------------------------------------------------

void BM_Find_MemBTree(benchmark::State& state) {
    int nDistinct = static_cast<int>(state.range(0));
    CMemBTree& t = *Built(nDistinct).pclTree;
    const std::vector<Rec>& records = Records(nDistinct);
    const std::vector<int>& indexes = RandomIndexes();
    size_t i = 0;
    for (auto _ : state) {
        const Rec& r = records[size_t(indexes[i++ & (QUERIES - 1)])];
        benchmark::DoNotOptimize(t.bFindRecord(r.data(), r.data() + 8));
    }
    state.SetItemsProcessed(state.iterations());
}

template <class C>
void FindInMultimap(benchmark::State& state, const C& c) {
    const std::vector<Rec>& records = Records(static_cast<int>(state.range(0)));
    const std::vector<int>& indexes = RandomIndexes();
    size_t i = 0;
    for (auto _ : state) {
        const Rec& r = records[size_t(indexes[i++ & (QUERIES - 1)])];
        uint32_t nRow = RowOf(r);
        auto range = c.equal_range(KeyOf(r));
        bool bFound = false;
        for (auto it = range.first; it != range.second && !bFound; ++it) bFound = it->second == nRow;
        benchmark::DoNotOptimize(bFound);
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_Find_StdMultimap(benchmark::State& state) {
    FindInMultimap(state, Built(static_cast<int>(state.range(0))).clMultiMap);
}
void BM_Find_StdSetOfPairs(benchmark::State& state) {
    const PairSet& c = Built(static_cast<int>(state.range(0))).clSet;
    const std::vector<Rec>& records = Records(static_cast<int>(state.range(0)));
    const std::vector<int>& indexes = RandomIndexes();
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(c.find(records[size_t(indexes[i++ & (QUERIES - 1)])]) != c.end());
    state.SetItemsProcessed(state.iterations());
}
#ifdef KX_BENCH_ABSL
void BM_Find_AbslBtreeMultimap(benchmark::State& state) {
    FindInMultimap(state, Built(static_cast<int>(state.range(0))).clAbsl);
}
#endif

// --- Records before the cursor at random ranks ----------------------------------------------

void BM_MoveToAndCount_MemBTree(benchmark::State& state) {
    CMemBTree& t = *Built(static_cast<int>(state.range(0))).pclTree;
    const std::vector<int>& ranks = RandomIndexes();
    size_t i = 0;
    for (auto _ : state) {
        t.MoveTo(ranks[i++ & (QUERIES - 1)]);
        int nMoved;
        t.bAdvance(-2147483647, &nMoved, 0);
        benchmark::DoNotOptimize(nMoved);
    }
    state.SetItemsProcessed(state.iterations());
}
void BM_FindByOrderAndOrderOfKey_Pbds(benchmark::State& state) {
    RankTree& c = Built(static_cast<int>(state.range(0))).clRank;
    const std::vector<int>& ranks = RandomIndexes();
    size_t i = 0;
    for (auto _ : state) {
        auto it = c.find_by_order(size_t(ranks[i++ & (QUERIES - 1)]));
        benchmark::DoNotOptimize(c.order_of_key(*it));
    }
    state.SetItemsProcessed(state.iterations());
}
void BM_MoveTo_MemBTree(benchmark::State& state) {
    CMemBTree& t = *Built(static_cast<int>(state.range(0))).pclTree;
    const std::vector<int>& ranks = RandomIndexes();
    size_t i = 0;
    for (auto _ : state) {
        t.MoveTo(ranks[i++ & (QUERIES - 1)]);
        benchmark::DoNotOptimize(t.pReadValue());
    }
    state.SetItemsProcessed(state.iterations());
}
void BM_FindByOrder_Pbds(benchmark::State& state) {
    RankTree& c = Built(static_cast<int>(state.range(0))).clRank;
    const std::vector<int>& ranks = RandomIndexes();
    size_t i = 0;
    for (auto _ : state) benchmark::DoNotOptimize(c.find_by_order(size_t(ranks[i++ & (QUERIES - 1)])));
    state.SetItemsProcessed(state.iterations());
}

// Argument: 0 for unique keys, else the number of distinct keys.
#define KX_KEYS(b) BENCHMARK(b)->ArgName("distinct")->Arg(0)->Arg(100)
KX_KEYS(BM_Build_MemBTree)->Unit(benchmark::kMillisecond);
KX_KEYS(BM_Build_StdMultimap)->Unit(benchmark::kMillisecond);
KX_KEYS(BM_Build_StdSetOfPairs)->Unit(benchmark::kMillisecond);
#ifdef KX_BENCH_ABSL
KX_KEYS(BM_Build_AbslBtreeMultimap)->Unit(benchmark::kMillisecond);
#endif
KX_KEYS(BM_Find_MemBTree);
KX_KEYS(BM_Find_StdMultimap);
KX_KEYS(BM_Find_StdSetOfPairs);
#ifdef KX_BENCH_ABSL
KX_KEYS(BM_Find_AbslBtreeMultimap);
#endif
KX_KEYS(BM_MoveToAndCount_MemBTree);
KX_KEYS(BM_FindByOrderAndOrderOfKey_Pbds);
KX_KEYS(BM_MoveTo_MemBTree);
KX_KEYS(BM_FindByOrder_Pbds);

}  // namespace

BENCHMARK_MAIN();
