// The record cache against the plain alternative: 10^6 rows of 64 and of 512 bytes appended with
// identities over their record bytes, read back by position into a row buffer, and found by their
// identity. The alternative is a std::vector of byte vectors with a std::unordered_map from the
// row bytes to the row number, measured in the same run on the same rows.
//
// Rows are what a table with an integer key gives: a distinct 64-bit number first, the rest the
// same bytes in every row. Look-ups go in row order and in a shuffled order, the same for both
// sides.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <numeric>
#include <random>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/InformationDLL.h"
#include "native/driver/NAError.h"
#include "native/model/NAYFRecord.h"
#include "native/statement/NARecordCache.h"
#include "native/statement/NARecordID.h"
#include "native/statement/NARecordValue.h"
#include "tests/host/StandInHost.h"

namespace {

constexpr int ROWS = 1000000;

// Row i of nLength bytes.
void FillRow(unsigned char* pby, size_t nLength, uint64_t i) {
    memset(pby, 0x5A, nLength);
    memcpy(pby, &i, sizeof(i));
}

// Rows looked up in row order (bShuffled 0) or in a shuffled order.
const std::vector<int>& Order(bool bShuffled) {
    static std::vector<int> s_v[2];
    std::vector<int>& v = s_v[bShuffled ? 1 : 0];
    if (v.empty()) {
        v.resize(ROWS);
        std::iota(v.begin(), v.end(), 0);
        if (bShuffled) std::shuffle(v.begin(), v.end(), std::mt19937(7));
    }
    return v;
}

// A record value whose image has nLength bytes, identified by them.
CNARecordValue* pclNewValue(CNAError* pclError, size_t nLength) {
    std::vector<unsigned char> vForm(12 + nLength, 0);
    const uint32_t adw[3] = {static_cast<uint32_t>(nLength), 1, 1};
    memcpy(vForm.data(), adw, sizeof(adw));
    CNAYFRecord clImage;
    clImage.Deserialize(vForm.data(), static_cast<unsigned>(vForm.size()));
    auto* pcl = new CNARecordValue(pclError);
    pcl->AddRef();
    pcl->bCopyNAYFRecord(&clImage);
    pcl->bShareRecordID(new CNARecordId_RecordValues(pcl));
    return pcl;
}

// ---- the record cache
struct CCacheSide {
    explicit CCacheSide(size_t nLength) : m_nLength(nLength) {
        m_pclError = new CNAError;
        m_pclError->AddRef();
        m_pclValue = pclNewValue(m_pclError, nLength);
        m_pclCache = new CNARecordCache;
        m_pclCache->AddRef();
        m_pclCache->SetActive(1);
    }
    ~CCacheSide() {
        m_pclCache->nRelease();
        m_pclValue->nRelease();
        m_pclError->nRelease();
    }
    unsigned char* pbyRow() { return m_pclValue->pclGetNAYFRecord()->pbyGetBuffer(); }
    void Fill() {
        for (int i = 0; i < ROWS; i++) {
            FillRow(pbyRow(), m_nLength, static_cast<uint64_t>(i));
            if (m_pclCache->nAjoute(m_pclValue) != i) abort();
        }
    }
    size_t m_nLength;
    CNAError* m_pclError;
    CNARecordValue* m_pclValue;
    CNARecordCache* m_pclCache;
};

// ---- the alternative
struct CStdSide {
    explicit CStdSide(size_t nLength) : m_nLength(nLength), m_vRow(nLength) {}
    void Fill() {
        for (int i = 0; i < ROWS; i++) {
            FillRow(m_vRow.data(), m_nLength, static_cast<uint64_t>(i));
            m_vRows.emplace_back(m_vRow.begin(), m_vRow.end());
            const std::vector<unsigned char>& v = m_vRows.back();
            m_mapRows.emplace(std::string_view(reinterpret_cast<const char*>(v.data()), v.size()), i);
        }
    }
    size_t m_nLength;
    std::vector<unsigned char> m_vRow;
    std::vector<std::vector<unsigned char>> m_vRows;
    std::unordered_map<std::string_view, int> m_mapRows;
};

// Filled containers, made once per row length for the reads and look-ups.
template <class T>
T& Filled(size_t nLength) {
    static std::unique_ptr<T> s_p64, s_p512;
    std::unique_ptr<T>& p = nLength == 64 ? s_p64 : s_p512;
    if (!p) {
        p = std::make_unique<T>(nLength);
        p->Fill();
    }
    return *p;
}

template <class T>
void BM_Append(benchmark::State& state) {
    const size_t nLength = static_cast<size_t>(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        auto p = std::make_unique<T>(nLength);
        state.ResumeTiming();
        p->Fill();
        state.PauseTiming();
        p.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * ROWS);
}

void BM_ReadByPosition_Cache(benchmark::State& state) {
    CCacheSide& cl = Filled<CCacheSide>(static_cast<size_t>(state.range(0)));
    CNARecordValue* pclReader = pclNewValue(cl.m_pclError, cl.m_nLength);
    for (auto _ : state) {
        uint64_t nSum = 0;
        for (int i = 0; i < ROWS; i++) {
            if (!cl.m_pclCache->bGetAt(pclReader, i)) abort();
            nSum += pclReader->pclGetNAYFRecord()->pbyGetBuffer()[0];
        }
        benchmark::DoNotOptimize(nSum);
    }
    pclReader->nRelease();
    state.SetItemsProcessed(state.iterations() * ROWS);
}

void BM_ReadByPosition_Std(benchmark::State& state) {
    CStdSide& cl = Filled<CStdSide>(static_cast<size_t>(state.range(0)));
    std::vector<unsigned char> vReader(cl.m_nLength);
    for (auto _ : state) {
        uint64_t nSum = 0;
        for (int i = 0; i < ROWS; i++) {
            const std::vector<unsigned char>& v = cl.m_vRows[static_cast<size_t>(i)];
            memcpy(vReader.data(), v.data(), v.size());
            benchmark::ClobberMemory();
            nSum += vReader[0];
        }
        benchmark::DoNotOptimize(nSum);
    }
    state.SetItemsProcessed(state.iterations() * ROWS);
}

void BM_FindByIdentity_Cache(benchmark::State& state) {
    CCacheSide& cl = Filled<CCacheSide>(static_cast<size_t>(state.range(0)));
    const std::vector<int>& vOrder = Order(state.range(1) != 0);
    for (auto _ : state) {
        for (int i : vOrder) {
            FillRow(cl.pbyRow(), cl.m_nLength, static_cast<uint64_t>(i));
            if (cl.m_pclCache->nGetRecordIndice(cl.m_pclValue) != i) abort();
        }
    }
    state.SetItemsProcessed(state.iterations() * ROWS);
}

void BM_FindByIdentity_Std(benchmark::State& state) {
    CStdSide& cl = Filled<CStdSide>(static_cast<size_t>(state.range(0)));
    const std::vector<int>& vOrder = Order(state.range(1) != 0);
    for (auto _ : state) {
        for (int i : vOrder) {
            FillRow(cl.m_vRow.data(), cl.m_nLength, static_cast<uint64_t>(i));
            auto it = cl.m_mapRows.find(std::string_view(reinterpret_cast<const char*>(cl.m_vRow.data()), cl.m_nLength));
            if (it == cl.m_mapRows.end() || it->second != i) abort();
        }
    }
    state.SetItemsProcessed(state.iterations() * ROWS);
}

BENCHMARK_TEMPLATE(BM_Append, CCacheSide)->Arg(64)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Append, CStdSide)->Arg(64)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadByPosition_Cache)->Arg(64)->Arg(512)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ReadByPosition_Std)->Arg(64)->Arg(512)->Unit(benchmark::kMillisecond);
// Arguments: row length, shuffled order.
BENCHMARK(BM_FindByIdentity_Cache)->ArgsProduct({{64, 512}, {0, 1}})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_FindByIdentity_Std)->ArgsProduct({{64, 512}, {0, 1}})->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    standin::Reset();
    CInformationModule::ms_piStrMemAlloc = standin::piGetAllocator();
    CInformationDLL::ms_piInfoLocale = standin::piGetInfoLocale();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
