// A browse of 10^6 rows through a statement, in blocks, with the record cache on, against the
// client library alone running the same block SELECTs and reading every field, in the same run on
// the same server.
//
// The statement side: the first block is the browse SELECT with a LIMIT of the block size; at the
// end of each block the statement asks its data access for the continuation, which (as the data
// access does) writes the SELECT of the rows after the latest row read from the statement's own
// search and runs it with the same LIMIT. Every row goes into the host record through the columns'
// converters and into the record cache. The client-library side sends the very texts the statement
// sends (the first SELECT, then WHERE "id">the last id read, each with the LIMIT) and reads each
// field: the integers parsed, the text copied.
//
// Needs the test server: eval "$(bash scripts/pg-sandbox.sh start)" first. The table
// kxbench_fetch (id, n, s) of 10^6 rows is made once and kept.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/InformationDLL.h"
#include "native/driver/NAError.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAItemDescription.h"
#include "native/model/NARecord.h"
#include "native/model/NAYFRecord.h"
#include "native/sql/NACommand.h"
#include "native/sql/NARecherche.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NAStatement.h"
#include "native/statement/NAStatementAccess.h"
#include "native/table/NADataAccess.h"
#include "pgsql/PSQLConnection.h"
#include "pgsql/PSQLDriver.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInVM.h"
#include "tests/support/BrowseContinuation.h"
#include "tests/support/PgSession.h"
#include "variant/VQCalc.h"
#include "variant/VQConv.h"

namespace {

constexpr int ROWS = 1000000;
const char* const TABLE = "kxbench_fetch";

// The client library's session, for the table and the measure against it.
pgtest::CPgSession& Session() {
    static pgtest::CPgSession s_cl;
    return s_cl;
}

// The table, made once: id 1..10^6, n = id % 1000, s = 'row ' || id.
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
        !cl.bExec("CREATE TABLE " + t + " (id integer PRIMARY KEY, n integer, s varchar(20))") ||
        !cl.bExec("INSERT INTO " + t + " SELECT g, g % 1000, 'row ' || g FROM generate_series(1, " +
                  std::to_string(ROWS) + ") g") ||
        !cl.bExec("VACUUM ANALYZE " + t)) {
        *psError = cl.sError();
        return false;
    }
    return true;
}

// The text of a block as the statement writes it.
std::string sBlockSQL(long nAfter, int nBlock) {
    std::string s = std::string("SELECT \"id\",\"n\",\"s\" FROM \"") + TABLE + "\"";
    if (nAfter > 0) s += " WHERE \"id\">" + std::to_string(nAfter);
    return s + " ORDER BY \"id\" LIMIT " + std::to_string(nBlock);
}

// ---------------------------------------------------------------------------------- the statement

// The data access as the statement sees it while browsing: its current record and the
// continuation of a browse past the end of a block.
class CBenchAccess : public CNADataAccess, public CNAStatementAccess {
public:
    CBenchAccess(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx, CNAError* pclError)
        : CNADataAccess(piDesc, pclCnx, pclError) {}
    ~CBenchAccess() override {
        if (m_pclCurrent != nullptr) m_pclCurrent->nRelease();
    }
    void SetCurrentRecord(CNARecord* pcl) {
        pcl->AddRef();
        if (m_pclCurrent != nullptr) m_pclCurrent->nRelease();
        m_pclCurrent = pcl;
    }
    int32_t nBlock = 0;

    CNARecord* pclGetCurrentRecordNoRef(CNADataAccess*) override { return m_pclCurrent; }
    void ClosingStatement(CNADataAccess*, CNAStatement*) override {}
    int bHasImportedDataSourceDesc(CNADataAccess*) override { return 1; }
    int bHasTableCache(CNADataAccess*) override { return 0; }
    int bSetCurrentRecordRead(CNADataAccess*, int) override {
        m_pclCurrent->pclGetCurrentRecordValueNoRef()->SetRecordState(NA_RECORDSTATE_PRESENT);
        return m_pclCurrent->bCopyCurrentRecordToOriginalRecord();
    }
    int bCopyOriginalRecordToCurrentRecord(CNADataAccess*) override {
        m_pclCurrent->pclGetCurrentRecordValueNoRef()->SetRecordState(NA_RECORDSTATE_PRESENT);
        return m_pclCurrent->bCopyOriginalRecordToCurrentRecord();
    }
    // The rows after the statement's original record along its item, by its search.
    int bGoToStmtOriginalRecord(CNADataAccess*, int, CNAStatement* pclStatement, int bReadRecord,
                                eNA_PARSEDIRECTION eDirection, long nCount) override {
        return pgtest::bContinueBrowse(m_pclCurrent, pclStatement, m_pclError, m_pclCnx, nBlock, bReadRecord, eDirection,
                                       nCount);
    }

private:
    CNARecord* m_pclCurrent = nullptr;
};

// The table as the host and the server describe it.
CNADataSourceDescription* pclDescription(bool bServer) {
    auto* pcl = new CNADataSourceDescription(nullptr, nullptr);
    pcl->AddRef();
    pcl->SetLogicalName(L"kxbench_fetch");
    pcl->SetDBName(L"kxbench_fetch");
    pcl->bAddItem(L"id", nullptr, nullptr, 1, 4, NA_IT_I4, -1, 0, NA_KEY_UNIQUE, 0, 0);
    pcl->pclGetItemNoRef(0)->SetNullable(0);
    pcl->bAddItem(L"n", nullptr, nullptr, 1, 4, NA_IT_I4, -1, -1, 0, 0, 0);
    pcl->bAddItem(L"s", nullptr, nullptr, 1, 21, NA_IT_TEXTE, -1, -1, 0, 0, 0);
    if (bServer) {
        pcl->pclGetItemNoRef(0)->SetDBType(L"", 23);
        pcl->pclGetItemNoRef(1)->SetDBType(L"", 23);
        pcl->pclGetItemNoRef(2)->SetDBType(L"", 1043);
    }
    pcl->UpdateRecordSize();
    return pcl;
}

// The driver object, a connection to the server, the access, its record and a statement on "id".
struct stDriverSide {
    CPSQLDriver* pclDriver = nullptr;
    CNAError* pclError = nullptr;
    standin::CStandInConnectionDescription clHostCnx;
    CPSQLConnection* pclCnx = nullptr;
    CNADataSourceDescription* pclHost = nullptr;
    CNADataSourceDescription* pclServer = nullptr;
    CBenchAccess* pclAccess = nullptr;
    CNARecord* pclRecord = nullptr;
    std::string sError;

    bool bOpen() {
        pclDriver = new CPSQLDriver;
        pclDriver->_RegisterAsLiveDriver();
        pclDriver->ExternalAddRef();
        pclDriver->AllocError();
        pclError = new CNAError;
        pclError->AddRef();
        clHostCnx.m_sDataBase = pgsandbox::wsEnv("PGHOST");
        clHostCnx.m_sUserName = pgsandbox::wsEnv("PGUSER");
        clHostCnx.m_sExtendedInfo = pgsandbox::wsExtendedInfo();
        pclCnx = new CPSQLConnection(L"Connection=bench", &clHostCnx);
        pclCnx->AddRef();
        if (!pclCnx->bOpen(pclError)) return _bFailed();
        pclHost = pclDescription(false);
        pclServer = pclDescription(true);
        pclAccess = new CBenchAccess(pclHost, pclCnx, pclError);
        pclAccess->AddRef();
        pclRecord = new CNARecord(pclError, pclAccess);
        pclRecord->AddRef();
        if (!pclRecord->bInitRecord(pclHost, pclServer, pclCnx)) return _bFailed();
        pclAccess->SetCurrentRecord(pclRecord);
        return true;
    }
    bool _bFailed() {
        const wchar_t* psz = pclError->pszGetError();
        for (; psz != nullptr && *psz != 0; psz++) sError += *psz < 128 ? static_cast<char>(*psz) : '?';
        return false;
    }
};

stDriverSide* pstDriver() {
    static stDriverSide* s_pst = nullptr;
    if (s_pst == nullptr) {
        s_pst = new stDriverSide;
        if (!s_pst->bOpen()) fprintf(stderr, "the driver cannot reach the server: %s\n", s_pst->sError.c_str());
    }
    return s_pst;
}

// ---------------------------------------------------------------------------------- the benchmarks

void BM_Statement(benchmark::State& state) {
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
    const auto nBlock = static_cast<int32_t>(state.range(0));
    pst->pclAccess->nBlock = nBlock;
    long nRows = 0;
    for (auto _ : state) {
        auto* pcl = new CNAStatement(pst->pclAccess, pst->pclError);
        pcl->AddRef();
        pcl->SetKey(L"id");
        CNACommand* pclCommand = new CNACommand(pst->pclError, pst->pclCnx);
        pclCommand->AddRef();
        pclCommand->SetNAQueryType(NAQUERYTYPE_SELECT);
        int bOk = pcl->bBuildQuerySELECT(pclCommand, 0, L"id", 1, nullptr);
        pclCommand->SetRowLimit(nBlock);
        if (bOk) bOk = pcl->bExecute(0, CNAStatement::NA_ST_PREPARE);
        pclCommand->nRelease();
        if (state.range(1) != 0) pcl->EnableCache(1);
        nRows = 0;
        int bOut = 0;
        for (eNA_PARSEDIRECTION e = NA_PARSE_FIRST; bOk; e = NA_PARSE_NEXT) {
            bOk = pcl->bFetch(e, 1, 1);
            pcl->HEndehors(&bOut);
            if (!bOk || bOut) break;
            nRows++;
        }
        pcl->Close();
        pcl->nRelease();
        if (!bOk || nRows != ROWS) {
            pst->_bFailed();
            state.SkipWithError(("the browse read " + std::to_string(nRows) + " rows: " + pst->sError).c_str());
            return;
        }
    }
    state.counters["rows"] = static_cast<double>(nRows);
}

void BM_Libpq(benchmark::State& state) {
    std::string sError;
    if (!bPrepareTable(&sError)) {
        state.SkipWithError(("no test server: " + sError).c_str());
        return;
    }
    const pgtest::CLibpq& pq = Session().Libpq();
    PGconn* pConn = Session().pConn();
    const auto nBlock = static_cast<int>(state.range(0));
    long nRows = 0;
    for (auto _ : state) {
        nRows = 0;
        long nLast = 0;
        char szText[32];
        int64_t llSum = 0;
        for (;;) {
            PGresult* p = pq.pfnExec(pConn, sBlockSQL(nLast, nBlock).c_str());
            if (p == nullptr || pq.pfnResultStatus(p) != PGRES_TUPLES_OK) {
                if (p != nullptr) pq.pfnClear(p);
                state.SkipWithError("a block SELECT failed");
                return;
            }
            const int nTuples = pq.pfnNtuples(p);
            const int nFields = pq.pfnNfields(p);
            for (int i = 0; i < nTuples; i++) {
                for (int k = 0; k < nFields; k++) {
                    if (pq.pfnGetisnull(p, i, k)) continue;
                    const char* psz = pq.pfnGetvalue(p, i, k);
                    const int nLength = pq.pfnGetlength(p, i, k);
                    if (k < 2) {
                        const long n = strtol(psz, nullptr, 10);
                        llSum += n;
                        if (k == 0) nLast = n;
                    } else {
                        memcpy(szText, psz, std::min<size_t>(nLength, sizeof(szText) - 1));
                        szText[std::min<size_t>(nLength, sizeof(szText) - 1)] = 0;
                        benchmark::DoNotOptimize(szText);
                    }
                }
            }
            nRows += nTuples;
            pq.pfnClear(p);
            if (nTuples < nBlock) break;
        }
        benchmark::DoNotOptimize(llSum);
        if (nRows != ROWS) {
            state.SkipWithError("the client library read another number of rows");
            return;
        }
    }
    state.counters["rows"] = static_cast<double>(nRows);
}

// Arguments: rows per block; for the statement, whether the record cache is on (the measure; off
// shows what the cache costs).
BENCHMARK(BM_Libpq)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Statement)
    ->Args({1000, 1})
    ->Args({10000, 1})
    ->Args({10000, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

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
