// Searches of random values on an indexed item of a 10^6-row table: the data access's bHRecherche
// (made by the PostgreSQL driver object over the description it reads from the catalogue, the
// found record read into the host record) against the client library alone running, for each
// value, the SELECT the server's log shows for that search and reading the first row's fields, in
// the same run on the same server.
//
// Needs the test server: eval "$(bash scripts/pg-sandbox.sh start)" first. The table
// kxbench_seek (id, k, s) of 10^6 rows, k unique and indexed, is made once and kept.
#include <benchmark/benchmark.h>
#include <dlfcn.h>
#include <libpq-fe.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <type_traits>

#include "core/InformationDLL.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NARecord.h"
#include "native/table/NADataAccess.h"
#include "pgsql/PSQLDriver.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInVM.h"
#include "variant/VQCalc.h"
#include "variant/VQConv.h"

namespace {

constexpr int ROWS = 1000000;
const char* const TABLE = "kxbench_seek";
// The values searched: k runs over 3 * id, so one value in three is missing.
constexpr int KEY_STEP = 3;

std::string sEnv(const char* psz) {
    const char* pszValue = getenv(psz);
    return pszValue != nullptr ? pszValue : "";
}
std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

// ---------------------------------------------------------------------------------- the client library

struct stLibpq {
    decltype(&PQconnectdb) pfnConnectdb = nullptr;
    decltype(&PQstatus) pfnStatus = nullptr;
    decltype(&PQerrorMessage) pfnErrorMessage = nullptr;
    decltype(&PQexec) pfnExec = nullptr;
    decltype(&PQresultStatus) pfnResultStatus = nullptr;
    decltype(&PQclear) pfnClear = nullptr;
    decltype(&PQntuples) pfnNtuples = nullptr;
    decltype(&PQnfields) pfnNfields = nullptr;
    decltype(&PQgetvalue) pfnGetvalue = nullptr;
    decltype(&PQgetlength) pfnGetlength = nullptr;
    decltype(&PQgetisnull) pfnGetisnull = nullptr;
    PGconn* pConn = nullptr;
    std::string sError;

    bool bOpen() {
        void* h = dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL);
        if (h == nullptr) {
            sError = "libpq.so.5 cannot be loaded";
            return false;
        }
        bool bOk = true;
        auto Bind = [&](auto& pfn, const char* pszName) {
            pfn = reinterpret_cast<std::remove_reference_t<decltype(pfn)>>(dlsym(h, pszName));
            bOk = bOk && pfn != nullptr;
        };
        Bind(pfnConnectdb, "PQconnectdb");
        Bind(pfnStatus, "PQstatus");
        Bind(pfnErrorMessage, "PQerrorMessage");
        Bind(pfnExec, "PQexec");
        Bind(pfnResultStatus, "PQresultStatus");
        Bind(pfnClear, "PQclear");
        Bind(pfnNtuples, "PQntuples");
        Bind(pfnNfields, "PQnfields");
        Bind(pfnGetvalue, "PQgetvalue");
        Bind(pfnGetlength, "PQgetlength");
        Bind(pfnGetisnull, "PQgetisnull");
        if (!bOk) {
            sError = "libpq lacks a function";
            return false;
        }
        const std::string sConnInfo = "host=" + sEnv("PGHOST") + " port=" + sEnv("PGPORT") + " user=" + sEnv("PGUSER") +
                                      " dbname=" + sEnv("PGDATABASE");
        pConn = pfnConnectdb(sConnInfo.c_str());
        if (pConn == nullptr || pfnStatus(pConn) != CONNECTION_OK) {
            sError = std::string("no connection: ") + (pConn != nullptr ? pfnErrorMessage(pConn) : "");
            return false;
        }
        return true;
    }
    bool bExec(const std::string& sSQL) {
        PGresult* p = pfnExec(pConn, sSQL.c_str());
        const ExecStatusType e = p != nullptr ? pfnResultStatus(p) : PGRES_FATAL_ERROR;
        if (p != nullptr) pfnClear(p);
        if (e != PGRES_COMMAND_OK && e != PGRES_TUPLES_OK) sError = pfnErrorMessage(pConn);
        return e == PGRES_COMMAND_OK || e == PGRES_TUPLES_OK;
    }
};

stLibpq& Libpq() {
    static stLibpq s;
    return s;
}

// The table, made once: id 1..10^6, k = 3 * id (unique, indexed), s = 'row ' || id.
bool bPrepareTable(std::string* psError) {
    stLibpq& pq = Libpq();
    if (pq.pConn == nullptr && !pq.bOpen()) {
        *psError = pq.sError;
        return false;
    }
    PGresult* p = pq.pfnExec(pq.pConn, (std::string("SELECT count(*) FROM ") + TABLE).c_str());
    const bool bThere =
        p != nullptr && pq.pfnResultStatus(p) == PGRES_TUPLES_OK && atoi(pq.pfnGetvalue(p, 0, 0)) == ROWS;
    if (p != nullptr) pq.pfnClear(p);
    if (bThere) return true;
    const std::string t = TABLE;
    if (!pq.bExec("DROP TABLE IF EXISTS " + t) ||
        !pq.bExec("CREATE TABLE " + t + " (id integer PRIMARY KEY, k integer NOT NULL UNIQUE, s varchar(20))") ||
        !pq.bExec("INSERT INTO " + t + " SELECT g, " + std::to_string(KEY_STEP) + " * g, 'row ' || g FROM " +
                  "generate_series(1, " + std::to_string(ROWS) + ") g") ||
        !pq.bExec("VACUUM ANALYZE " + t)) {
        *psError = pq.sError;
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

struct stDriverSide {
    CPSQLDriver* pclDriver = nullptr;
    CNAError* pclError = nullptr;
    standin::CStandInConnectionDescription clHostCnx;
    CNAConnectionDescription* pclCnx = nullptr;
    INADataSourceDescription* piDescription = nullptr;
    CNADataAccess* pclAccess = nullptr;
    std::string sError;

    bool bOpen() {
        pclDriver = new CPSQLDriver;
        pclDriver->_RegisterAsLiveDriver();
        pclDriver->ExternalAddRef();
        pclDriver->AllocError();
        pclError = new CNAError;
        pclError->AddRef();
        clHostCnx.m_sConnectionName = L"SEEKBENCH";
        clHostCnx.m_sDataBase = wsOf(sEnv("PGHOST"));
        clHostCnx.m_sUserName = wsOf(sEnv("PGUSER"));
        clHostCnx.m_sExtendedInfo = L"Server Port=" + wsOf(sEnv("PGPORT")) + L";Initial Catalog=" +
                                    wsOf(sEnv("PGDATABASE")) + L";KX Cache Size=20";
        pclCnx = pclDriver->_pclGetConnection(&clHostCnx);
        if (pclCnx == nullptr) return _bFailed();
        piDescription = pclDriver->piGetTableDesc(wsOf(TABLE).c_str(), &clHostCnx);
        if (piDescription == nullptr) return _bFailed();
        pclAccess = pclDriver->pclAllocDataAccess(piDescription, pclCnx, pclError);
        if (pclAccess == nullptr) return _bFailed();
        pclAccess->AddRef();
        if (!pclAccess->bHOuvre(static_cast<eNA_ACCESS>(0), L"")) return _bFailed();
        return true;
    }
    bool _bFailed() {
        const wchar_t* psz = pclError != nullptr ? pclError->pszGetError() : nullptr;
        sError = "the driver cannot open the table";
        if (psz != nullptr) sError += ": ";
        for (; psz != nullptr && *psz != 0; psz++) sError += *psz < 128 ? static_cast<char>(*psz) : '?';
        return false;
    }
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
    stLibpq& pq = Libpq();
    std::mt19937 clRandom(42);
    std::uniform_int_distribution<long> clValues(1, static_cast<long>(ROWS) * KEY_STEP);
    long nFound = 0;
    char szText[32];
    int64_t llSum = 0;
    for (auto _ : state) {
        const long nValue = clValues(clRandom);
        for (bool bAfter : {false, true}) {
            PGresult* p = pq.pfnExec(pq.pConn, sSeekSQL(nValue, bAfter).c_str());
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
