// The browse of the sample table through the driver against raw libpq on the same server, in the
// same run:
//   (a) raw libpq, SELECT ... WHERE id > last ORDER BY id LIMIT n block after block, every field
//       of every row read, n the driver's block size (its default, and 1000 for "KX Cache Size=1000");
//   (b) the driver loaded as the host loads it (kxhost's host side), browsing the table by its key
//       from first to last, every item of every record read into a variant (the note through the
//       memo read), at its default block size and with "KX Cache Size=1000";
//   (c) 10,000 seeks of random identifiers, raw (SELECT ... WHERE id = v, and when there is no
//       such row the row after it) and through the driver, of existing identifiers and of missing
//       ones; and raw libpq sending the driver's own seek texts, which parts the price of the
//       texts on the server from the driver's work in the client;
//   (d) the browse along the amount, which has no index, on tables of 10^5 (t_100000) and 10^6
//       rows: raw libpq reading a cursor over the rows ordered by amount then id a block at a
//       time, and the driver at its default block size.
// Rows per second and seeks per second are the items_per_second counters; the browse through the
// driver also reports its peak resident memory above the resident memory at its start
// (peak_rss_above_start_MiB).
//
// The server is the libpq environment's (PGHOST, ...: start one with scripts/pg-sandbox.sh). The
// table "t" is loaded with scripts/sample-table.sql at 1,000,000 rows when it has another size;
// on a server that is not the sandbox (no KX_PG_SANDBOX folder) only with KX_BENCH_REPLACE_TABLE=1,
// since the load drops the table "t" there.
#include <benchmark/benchmark.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "native/model/NAYFRecord.h"
#include "tools/kxhost/DriverHost.h"
#include "variant/Any.h"

namespace {

constexpr long TABLE_ROWS = 1000000;
constexpr int SEEKS = 10000;
const char* const COLUMNS = "id, name, amount, created, flag, note";

// ---------------------------------------------------------------------------------- raw libpq

// The client library's functions the raw side calls, found by name (libpq is never linked).
struct stLibPQ {
    void* (*PQconnectdb)(const char*);
    int (*PQstatus)(const void*);
    char* (*PQerrorMessage)(const void*);
    void (*PQfinish)(void*);
    void* (*PQexec)(void*, const char*);
    int (*PQresultStatus)(const void*);
    int (*PQntuples)(const void*);
    int (*PQnfields)(const void*);
    char* (*PQgetvalue)(const void*, int, int);
    int (*PQgetlength)(const void*, int, int);
    int (*PQgetisnull)(const void*, int, int);
    void (*PQclear)(void*);
    bool bLoaded = false;
};

stLibPQ& LibPQ() {
    static stLibPQ s_st;
    if (s_st.bLoaded) return s_st;
    // Kept loaded for the run: the driver loads the same library, and unloading it leaks its threads'
    // set-up.
    void* h = dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
    if (h == nullptr) {
        fprintf(stderr, "Browse_bench: %s\n", dlerror());
        exit(2);
    }
    auto bind = [&](auto& pfn, const char* psz) { pfn = reinterpret_cast<std::remove_reference_t<decltype(pfn)>>(dlsym(h, psz)); };
    bind(s_st.PQconnectdb, "PQconnectdb");
    bind(s_st.PQstatus, "PQstatus");
    bind(s_st.PQerrorMessage, "PQerrorMessage");
    bind(s_st.PQfinish, "PQfinish");
    bind(s_st.PQexec, "PQexec");
    bind(s_st.PQresultStatus, "PQresultStatus");
    bind(s_st.PQntuples, "PQntuples");
    bind(s_st.PQnfields, "PQnfields");
    bind(s_st.PQgetvalue, "PQgetvalue");
    bind(s_st.PQgetlength, "PQgetlength");
    bind(s_st.PQgetisnull, "PQgetisnull");
    bind(s_st.PQclear, "PQclear");
    s_st.bLoaded = true;
    return s_st;
}

constexpr int PGRES_COMMAND_OK = 1;
constexpr int PGRES_TUPLES_OK = 2;
constexpr int CONNECTION_OK = 0;

class CRawConnection {
public:
    CRawConnection() {
        m_p = LibPQ().PQconnectdb("");
        if (LibPQ().PQstatus(m_p) != CONNECTION_OK) {
            fprintf(stderr, "Browse_bench: %s", LibPQ().PQerrorMessage(m_p));
            exit(2);
        }
    }
    ~CRawConnection() { LibPQ().PQfinish(m_p); }
    // The rows of a query, every field read (its bytes summed into *pnBytes); -1 on failure.
    long nRows(const std::string& sSQL, uint64_t* pnBytes, long* pnLastId = nullptr) {
        stLibPQ& pq = LibPQ();
        void* pResult = pq.PQexec(m_p, sSQL.c_str());
        if (pq.PQresultStatus(pResult) != PGRES_TUPLES_OK) {
            fprintf(stderr, "Browse_bench: %s", pq.PQerrorMessage(m_p));
            pq.PQclear(pResult);
            return -1;
        }
        const int nRows = pq.PQntuples(pResult), nFields = pq.PQnfields(pResult);
        uint64_t nBytes = 0;
        for (int r = 0; r < nRows; r++)
            for (int f = 0; f < nFields; f++) {
                if (pq.PQgetisnull(pResult, r, f)) continue;
                const char* psz = pq.PQgetvalue(pResult, r, f);
                const int n = pq.PQgetlength(pResult, r, f);
                for (int i = 0; i < n; i++) nBytes += static_cast<unsigned char>(psz[i]);
            }
        if (nRows > 0 && pnLastId != nullptr) *pnLastId = atol(pq.PQgetvalue(pResult, nRows - 1, 0));
        pq.PQclear(pResult);
        *pnBytes += nBytes;
        return nRows;
    }

    // A statement without rows; false when the server refused it.
    bool bCommand(const std::string& sSQL) {
        stLibPQ& pq = LibPQ();
        void* pResult = pq.PQexec(m_p, sSQL.c_str());
        const bool bOk = pq.PQresultStatus(pResult) == PGRES_COMMAND_OK;
        if (!bOk) fprintf(stderr, "Browse_bench: %s", pq.PQerrorMessage(m_p));
        pq.PQclear(pResult);
        return bOk;
    }

private:
    void* m_p = nullptr;
};

// The rows of a table, as the server counts them (-1 when there is no such table).
long nSampleRows(const std::string& sTable = "t") {
    stLibPQ& pq = LibPQ();
    void* pConn = pq.PQconnectdb("");
    void* pResult = pq.PQexec(pConn, ("SELECT count(*) FROM " + sTable).c_str());
    long nRows = -1;
    if (pq.PQresultStatus(pResult) == PGRES_TUPLES_OK && pq.PQntuples(pResult) == 1)
        nRows = atol(pq.PQgetvalue(pResult, 0, 0));
    pq.PQclear(pResult);
    pq.PQfinish(pConn);
    return nRows;
}

// The sample table at its size, loaded by the repository's script when it is not: t of 10^6 rows,
// and t_<rows> of another size. Only the sandbox's tables are replaced unless the user says so.
std::string sSampleTable(long nRows) {
    return nRows == TABLE_ROWS ? "t" : "t_" + std::to_string(nRows);
}

void EnsureSampleTable(long nRows = TABLE_ROWS) {
    static std::vector<long> s_aDone;
    for (long n : s_aDone)
        if (n == nRows) return;
    s_aDone.push_back(nRows);
    const std::string sTable = sSampleTable(nRows);
    if (nSampleRows(sTable) == nRows) return;
    const char* pszSandbox = getenv("KX_PG_SANDBOX");
    const char* pszReplace = getenv("KX_BENCH_REPLACE_TABLE");
    // The sandbox script marks its folder.
    std::ifstream clSandboxMark(std::string(pszSandbox != nullptr ? pszSandbox : "") + "/kx-pg-sandbox");
    if ((pszSandbox == nullptr || *pszSandbox == 0 || !clSandboxMark) &&
        (pszReplace == nullptr || strcmp(pszReplace, "1") != 0)) {
        fprintf(stderr,
                "Browse_bench: the server is not the sandbox of scripts/pg-sandbox.sh, and loading the sample "
                "table would replace its table %s; set KX_BENCH_REPLACE_TABLE=1 to allow it\n", sTable.c_str());
        exit(2);
    }
    fprintf(stderr, "Browse_bench: loading the sample table %s (%ld rows)...\n", sTable.c_str(), nRows);
    const std::string sCommand = std::string("psql -X -q -v ON_ERROR_STOP=1 -v rows=") + std::to_string(nRows) +
                                 " -v table=" + sTable + " -f " + KX_SOURCE_DIR +
                                 "/scripts/sample-table.sql >/dev/null 2>&1";
    if (system(sCommand.c_str()) != 0 || nSampleRows(sTable) != nRows) {
        fprintf(stderr, "Browse_bench: the sample table could not be loaded (%s)\n", sCommand.c_str());
        exit(2);
    }
}

// (a) Block after block by the key, n rows a block.
void BM_RawBrowse(benchmark::State& state) {
    EnsureSampleTable();
    CRawConnection clCnx;
    const long nBlock = state.range(0);
    uint64_t nBytes = 0;
    long nTotal = 0;
    for (auto _ : state) {
        long nLastId = 0, nRows = 0;
        do {
            nRows = clCnx.nRows(std::string("SELECT ") + COLUMNS + " FROM t WHERE id > " + std::to_string(nLastId) +
                                    " ORDER BY id LIMIT " + std::to_string(nBlock),
                                &nBytes, &nLastId);
            if (nRows < 0) {
                state.SkipWithError("query failed");
                return;
            }
            nTotal += nRows;
        } while (nRows == nBlock);
    }
    benchmark::DoNotOptimize(nBytes);
    state.SetItemsProcessed(nTotal);
}

// (a') Along the amount, which has no index (argument: the table's rows): the best raw libpq does
// there with the driver's default block, a cursor over the rows ordered by amount then id, sorted
// once, fetched a hundred rows at a time. Sending a SELECT for each block instead sorts the whole
// table once a block; the driver's browse along the amount is measured against this and against
// the browses by the key.
void BM_RawBrowseNoIndex(benchmark::State& state) {
    const long nTableRows = state.range(0);
    EnsureSampleTable(nTableRows);
    CRawConnection clCnx;
    const long nBlock = 100;
    uint64_t nBytes = 0;
    long nTotal = 0;
    const std::string sFetch = "FETCH FORWARD " + std::to_string(nBlock) + " FROM kx_raw_browse";
    for (auto _ : state) {
        // The first block comes with the declaration, in one implicit transaction.
        long nRows = clCnx.nRows(std::string("DECLARE kx_raw_browse NO SCROLL CURSOR WITH HOLD FOR SELECT ") +
                                     COLUMNS + " FROM " + sSampleTable(nTableRows) + " ORDER BY amount, id; " + sFetch,
                                 &nBytes);
        for (;;) {
            if (nRows < 0) {
                state.SkipWithError("query failed");
                return;
            }
            nTotal += nRows;
            if (nRows < nBlock) break;
            nRows = clCnx.nRows(sFetch, &nBytes);
        }
        if (!clCnx.bCommand("CLOSE kx_raw_browse")) {
            state.SkipWithError("CLOSE failed");
            return;
        }
    }
    benchmark::DoNotOptimize(nBytes);
    state.SetItemsProcessed(nTotal);
}

// (c) Seeks of random identifiers, the same ones for both sides: existing ones (argument 1) or
// ones past the table's last (argument 0).
const std::vector<long>& SeekIds() {
    static std::vector<long> s_v;
    if (s_v.empty()) {
        std::mt19937 clRandom(42);
        std::uniform_int_distribution<long> clId(1, TABLE_ROWS);
        for (int n = 0; n < SEEKS; n++) s_v.push_back(clId(clRandom));
    }
    return s_v;
}

void BM_RawSeek(benchmark::State& state) {
    EnsureSampleTable();
    CRawConnection clCnx;
    const bool bExisting = state.range(0) != 0;
    uint64_t nBytes = 0;
    long nFound = 0;
    for (auto _ : state) {
        for (long nId : SeekIds()) {
            const std::string sId = std::to_string(bExisting ? nId : nId + TABLE_ROWS);
            long n = clCnx.nRows(std::string("SELECT ") + COLUMNS + " FROM t WHERE id = " + sId, &nBytes);
            // A value not found: the driver goes on to the row after it, as the host's seek asks.
            if (n == 0)
                n = clCnx.nRows(std::string("SELECT ") + COLUMNS + " FROM t WHERE id > " + sId + " ORDER BY id LIMIT 1",
                                &nBytes);
            if (n != (bExisting ? 1 : 0)) {
                state.SkipWithError("seek found no row");
                return;
            }
            nFound++;
        }
    }
    benchmark::DoNotOptimize(nBytes);
    state.SetItemsProcessed(nFound);
}

// The raw seek sending the very texts the driver's seek sends (quoted names, the browse's ORDER BY and
// its block LIMIT): against BM_RawSeek it prices the texts alone on the server and the wire, with
// the client's work of raw libpq on both sides.
void BM_RawDriverTextSeek(benchmark::State& state) {
    EnsureSampleTable();
    CRawConnection clCnx;
    const bool bExisting = state.range(0) != 0;
    const std::string sSelect = "SELECT \"id\",\"name\",\"amount\",\"created\",\"flag\",\"note\" FROM \"t\" WHERE \"id\"";
    uint64_t nBytes = 0;
    long nFound = 0;
    for (auto _ : state) {
        for (long nId : SeekIds()) {
            const std::string sId = std::to_string(bExisting ? nId : nId + TABLE_ROWS);
            long n = clCnx.nRows(sSelect + "=" + sId + " ORDER BY \"id\" LIMIT 100", &nBytes);
            if (n == 0) n = clCnx.nRows(sSelect + ">" + sId + " ORDER BY \"id\" LIMIT 100", &nBytes);
            if (n != (bExisting ? 1 : 0)) {
                state.SkipWithError("seek found no row");
                return;
            }
            nFound++;
        }
    }
    benchmark::DoNotOptimize(nBytes);
    state.SetItemsProcessed(nFound);
}

// ---------------------------------------------------------------------------------- the driver

// Resident and peak resident memory of the process, in KiB (/proc/self/status).
long nStatusKiB(const char* pszField) {
    std::ifstream clStatus("/proc/self/status");
    for (std::string sLine; std::getline(clStatus, sLine);)
        if (sLine.rfind(pszField, 0) == 0) return atol(sLine.c_str() + strlen(pszField));
    return -1;
}

// A driver session on the table t, with the options given.
class CDriverSession {
public:
    explicit CDriverSession(const std::vector<std::string>& asOptions, const std::wstring& wsTable = L"t") {
        std::string sError;
        if (!m_clHost.bLoad(KX_DRIVER_LIBRARY, &sError)) {
            fprintf(stderr, "Browse_bench: %s\n", sError.c_str());
            exit(2);
        }
        m_clHost.SetConnection("", asOptions);
        std::wstring wsError;
        m_pstTable = m_clHost.pstTable(wsTable.c_str(), &wsError);
        if (m_pstTable == nullptr) {
            fprintf(stderr, "Browse_bench: %s\n", g_sToUtf8(wsError).c_str());
            exit(2);
        }
    }
    std::string sError() { return g_sToUtf8(m_clHost.wsTableError(m_pstTable)); }
    // Every item of the current record read into a variant; false on a failure.
    bool bReadRecord(uint64_t* pnChecksum) {
        CNAYFRecord* pclRecord = nullptr;
        if (!m_pstTable->piTable->bGetRecord(CDriverHost::s_piGetContext(m_pstTable), &pclRecord)) return false;
        for (size_t n = 0; n < m_pstTable->apiItems.size(); n++) {
            CAny clValue;
            if (!m_clHost.bReadItem(m_pstTable, pclRecord, n, &clValue)) {
                pclRecord->nRelease();
                return false;
            }
            *pnChecksum += clValue.nGetType() + clValue.pbyGetValeur()[0];
        }
        pclRecord->nRelease();
        return true;
    }

    CDriverHost m_clHost;
    stHostTable* m_pstTable = nullptr;
};

// (b) The browse by the key from first to last; along the amount (no index) with
// BM_DriverBrowseNoIndex.
void _DriverBrowse(benchmark::State& state, const wchar_t* pszItem, long nTableRows, long nBlock) {
    EnsureSampleTable(nTableRows);
    std::vector<std::string> asOptions;
    if (nBlock > 0) asOptions.push_back("KX Cache Size=" + std::to_string(nBlock));
    const long nStartKiB = nStatusKiB("VmRSS:");
    // The peak from here on (writing 5 to clear_refs resets the process's peak to its current size).
    {
        std::ofstream clClear("/proc/self/clear_refs");
        clClear << "5";
    }
    const std::string sTable = sSampleTable(nTableRows);
    CDriverSession clSession(asOptions, std::wstring(sTable.begin(), sTable.end()));
    INATable* piTable = clSession.m_pstTable->piTable;
    INAContext* piContext = CDriverHost::s_piGetContext(clSession.m_pstTable);
    uint64_t nChecksum = 0;
    long nTotal = 0;
    for (auto _ : state) {
        eNA_LOCKTYPE eLockOut{};
        for (eNA_PARSEDIRECTION eDirection = static_cast<eNA_PARSEDIRECTION>(0);;
             eDirection = static_cast<eNA_PARSEDIRECTION>(2)) {
            if (!piTable->bHLitxxx(piContext, pszItem, eDirection, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, 0)) {
                state.SkipWithError(clSession.sError().c_str());
                return;
            }
            int bOut = 0;
            piTable->bHEnDehors(piContext, pszItem, &bOut);
            if (bOut) break;
            if (!clSession.bReadRecord(&nChecksum)) {
                state.SkipWithError(clSession.sError().c_str());
                return;
            }
            nTotal++;
        }
    }
    benchmark::DoNotOptimize(nChecksum);
    state.SetItemsProcessed(nTotal);
    state.counters["peak_rss_above_start_MiB"] = static_cast<double>(nStatusKiB("VmHWM:") - nStartKiB) / 1024.0;
    if (nTotal != nTableRows * static_cast<long>(state.iterations()))
        state.SkipWithError(("browsed " + std::to_string(nTotal) + " rows").c_str());
}

void BM_DriverBrowse(benchmark::State& state) {
    _DriverBrowse(state, L"id", TABLE_ROWS, state.range(0));
}

// The browse by the key of a smaller table (arguments: its rows, the block size, 0 for the driver's
// default): short enough to count its instructions under callgrind.
void BM_DriverBrowseKey(benchmark::State& state) {
    _DriverBrowse(state, L"id", state.range(0), state.range(1));
}

// Argument: the table's rows; the driver's default block size.
void BM_DriverBrowseNoIndex(benchmark::State& state) {
    _DriverBrowse(state, L"amount", state.range(0), 0);
}

void BM_DriverSeek(benchmark::State& state) {
    EnsureSampleTable();
    const bool bExisting = state.range(0) != 0;
    CDriverSession clSession({});
    INATable* piTable = clSession.m_pstTable->piTable;
    INAContext* piContext = CDriverHost::s_piGetContext(clSession.m_pstTable);
    uint64_t nChecksum = 0;
    long nFound = 0;
    for (auto _ : state) {
        for (long nId : SeekIds()) {
            CAny clValue;
            clValue.SetI4(static_cast<int>(bExisting ? nId : nId + TABLE_ROWS));
            eNA_LOCKTYPE eLockOut{};
            int bFound = 0, bInside = 0;
            if (!piTable->bHRecherche(piContext, L"id", &clValue, 0, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, 1, 0) ||
                !piTable->bEvalHTrouve(piContext, L"id", &bFound, &bInside) || bFound != (bExisting ? 1 : 0) ||
                (bExisting && !clSession.bReadRecord(&nChecksum))) {
                state.SkipWithError(("seek failed: " + clSession.sError()).c_str());
                return;
            }
            nFound++;
        }
    }
    benchmark::DoNotOptimize(nChecksum);
    state.SetItemsProcessed(nFound);
}

}  // namespace

// The driver's default block is a hundred rows (automatic size before a row's size is known); with
// "KX Cache Size=1000" it is 1000.
BENCHMARK(BM_RawBrowse)->Arg(100)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DriverBrowse)->Arg(0)->Arg(1000)->Unit(benchmark::kMillisecond)->UseRealTime();
// The key browse of 10^5 rows, for instruction counts (callgrind) rather than times.
BENCHMARK(BM_DriverBrowseKey)->Args({100000, 0})->Args({100000, 1000})->Unit(benchmark::kMillisecond)->UseRealTime();
// Along an item without an index (the amount), 10^5 and 10^6 rows; the driver's default block.
BENCHMARK(BM_RawBrowseNoIndex)->Arg(100000)->Arg(TABLE_ROWS)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DriverBrowseNoIndex)->Arg(100000)->Arg(TABLE_ROWS)->Unit(benchmark::kMillisecond)->UseRealTime();
// Seeks of existing identifiers (1) and of missing ones (0).
BENCHMARK(BM_RawSeek)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_DriverSeek)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RawDriverTextSeek)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

BENCHMARK_MAIN();
