// Searches of random values on an indexed item of a 10^6-row table: the data access's bHRecherche
// (made by the PostgreSQL driver object over the description it reads from the catalogue, the
// found record read into the host record) against the client library alone running, for each
// value, the SELECT the server's log shows for that search and reading the first row's fields, in
// the same run on the same server.
//
// Needs the test server: eval "$(bash scripts/pg-sandbox.sh start)" first. The table
// kxbench_seek (id, k, s) of 10^6 rows, k unique and indexed, is made once and kept.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>

#include "core/InformationDLL.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NARecord.h"
#include "native/table/NADataAccess.h"
#include "pgsql/PSQLDriver.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInVM.h"
#include "tests/support/PgSession.h"
#include "tests/support/ServerDriver.h"
#include "variant/VQCalc.h"
#include "variant/VQConv.h"

namespace {

constexpr int ROWS = 1000000;
const char* const TABLE = "kxbench_seek";
// The values searched: k runs over 3 * id, so one value in three is missing.
constexpr int KEY_STEP = 3;

// The client library's session, for the table and the measure against it.
pgtest::CPgSession& Session() {
    static pgtest::CPgSession s_cl;
    return s_cl;
}

// The table, made once: id 1..10^6, k = 3 * id (unique, indexed), s = 'row ' || id.
bool bPrepareTable(std::string* psError) {
    pgtest::CPgSession& cl = Session();
    if (!cl.bOpen()) {
        *psError = cl.sError();
        return false;
    }
    const std::string t = TABLE;
    pgtest::Rows aCount;
    if (cl.bQuery("SELECT count(*) FROM " + t, &aCount) && aCount.size() == 1 && aCount[0][0] &&
        atoi(aCount[0][0]->c_str()) == ROWS)
        return true;
    if (!cl.bExec("DROP TABLE IF EXISTS " + t) ||
        !cl.bExec("CREATE TABLE " + t + " (id integer PRIMARY KEY, k integer NOT NULL UNIQUE, s varchar(20))") ||
        !cl.bExec("INSERT INTO " + t + " SELECT g, " + std::to_string(KEY_STEP) + " * g, 'row ' || g FROM " +
                  "generate_series(1, " + std::to_string(ROWS) + ") g") ||
        !cl.bExec("VACUUM ANALYZE " + t)) {
        *psError = cl.sError();
        return false;
    }
    return true;
}

// The texts the server's log shows for a search of k = value (with "KX Cache Size=20"): the
// equal rows, and when there is none the rows after the value, where the search goes on.
std::string sSeekSQL(long nValue, bool bAfter) {
    return std::string("SELECT \"id\",\"k\",\"s\" FROM \"") + TABLE + "\" WHERE \"k\"" + (bAfter ? ">" : "=") +
           std::to_string(nValue) + " ORDER BY \"k\" LIMIT 20";
}

// ---------------------------------------------------------------------------------- the driver

// The driver object over the server and the access over the table, made once.
struct stDriverSide {
    pgtest::CServerDriver clServer;
    CNADataAccess* pclAccess = nullptr;
    std::string sError;

    bool bOpen() {
        clServer.Start();
        pclAccess = clServer.pclOpen(L"kxbench_seek", L"KX Cache Size=20", L"SEEKBENCH");
        if (pclAccess == nullptr) sError = "the driver cannot open the table: " + clServer.sFailure();
        return pclAccess != nullptr;
    }
    void _bFailed() { sError = "the search failed: " + clServer.sError(); }
};

stDriverSide* pstDriver() {
    static stDriverSide* s_pst = nullptr;
    if (s_pst == nullptr) {
        s_pst = new stDriverSide;
        s_pst->bOpen();
    }
    return s_pst;
}

// ---------------------------------------------------------------------------------- the benchmarks

void BM_Seek(benchmark::State& state) {
    std::string sError;
    if (!bPrepareTable(&sError)) {
        state.SkipWithError(("no test server: " + sError).c_str());
        return;
    }
    stDriverSide* pst = pstDriver();
    if (!pst->sError.empty()) {
        state.SkipWithError(pst->sError.c_str());
        return;
    }
    std::mt19937 clRandom(42);
    std::uniform_int_distribution<long> clValues(1, static_cast<long>(ROWS) * KEY_STEP);
    CNAColumn* pclId = pst->pclAccess->pclGetCurrentRecordNoRef()->pclGetColumnNoRef(L"id");
    long nFound = 0;
    int64_t llSum = 0;
    for (auto _ : state) {
        const long nValue = clValues(clRandom);
        CAny clValue;
        clValue.SetI4(static_cast<int>(nValue));
        eNA_LOCKTYPE eLockOut = static_cast<eNA_LOCKTYPE>(0);
        if (!pst->pclAccess->bHRecherche(L"k", &clValue, 0, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, 1, 0)) {
            pst->_bFailed();
            state.SkipWithError(pst->sError.c_str());
            return;
        }
        int bFound = 0, bInside = 0;
        pst->pclAccess->bEvalHTrouve(L"k", &bFound, &bInside);
        if (bFound) {
            nFound++;
            CAny clId;
            pclId->bGetCurrentValue(&clId, 0);
            benchmark::DoNotOptimize(clId);
            llSum += nValue;
        }
    }
    benchmark::DoNotOptimize(llSum);
    state.counters["found"] = static_cast<double>(nFound);
    state.SetItemsProcessed(state.iterations());
}

void BM_Libpq(benchmark::State& state) {
    std::string sError;
    if (!bPrepareTable(&sError)) {
        state.SkipWithError(("no test server: " + sError).c_str());
        return;
    }
    const pgtest::CLibpq& pq = Session().Libpq();
    PGconn* pConn = Session().pConn();
    std::mt19937 clRandom(42);
    std::uniform_int_distribution<long> clValues(1, static_cast<long>(ROWS) * KEY_STEP);
    long nFound = 0;
    char szText[32];
    int64_t llSum = 0;
    for (auto _ : state) {
        const long nValue = clValues(clRandom);
        for (bool bAfter : {false, true}) {
            PGresult* p = pq.pfnExec(pConn, sSeekSQL(nValue, bAfter).c_str());
            if (p == nullptr || pq.pfnResultStatus(p) != PGRES_TUPLES_OK) {
                if (p != nullptr) pq.pfnClear(p);
                state.SkipWithError("a search SELECT failed");
                return;
            }
            const bool bRow = pq.pfnNtuples(p) > 0;
            if (bRow) {
                if (!bAfter) nFound++;
                for (int k = 0; k < pq.pfnNfields(p); k++) {
                    if (pq.pfnGetisnull(p, 0, k)) continue;
                    const char* psz = pq.pfnGetvalue(p, 0, k);
                    const size_t nLength = static_cast<size_t>(pq.pfnGetlength(p, 0, k));
                    if (k < 2) {
                        llSum += strtol(psz, nullptr, 10);
                    } else {
                        const size_t n = nLength < sizeof(szText) - 1 ? nLength : sizeof(szText) - 1;
                        memcpy(szText, psz, n);
                        szText[n] = 0;
                        benchmark::DoNotOptimize(szText);
                    }
                }
            }
            pq.pfnClear(p);
            if (bRow) break;
        }
    }
    benchmark::DoNotOptimize(llSum);
    state.counters["found"] = static_cast<double>(nFound);
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_Libpq)->Unit(benchmark::kMicrosecond)->UseRealTime();
BENCHMARK(BM_Seek)->Unit(benchmark::kMicrosecond)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    standin::Reset();
    CInformationModule::ms_piStrMemAlloc = standin::piGetAllocator();
    CInformationDLL::ms_piInfoLocale = standin::piGetInfoLocale();
    standin::ResetVM();
    standin::SetVMRecording(false);
    if (bInitVQConvFromVM(standin::hGetModule(), 2, 2) != 1 || bInitVQCalcFromVM(standin::hGetModule(), 2, 2) != 1) {
        fprintf(stderr, "the stand-in host's conversions cannot be bound\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
