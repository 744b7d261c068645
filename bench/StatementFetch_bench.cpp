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
#include <dlfcn.h>
#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <type_traits>

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
#include "variant/VQCalc.h"
#include "variant/VQConv.h"

namespace {

constexpr int ROWS = 1000000;
const char* const TABLE = "kxbench_fetch";

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

// The table, made once: id 1..10^6, n = id % 1000, s = 'row ' || id.
bool bPrepareTable(std::string* psError) {
    stLibpq& pq = Libpq();
    if (pq.pConn == nullptr && !pq.bOpen()) {
        *psError = pq.sError;
        return false;
    }
    PGresult* p = pq.pfnExec(pq.pConn, (std::string("SELECT count(*) FROM ") + TABLE).c_str());
    const bool bThere = p != nullptr && pq.pfnResultStatus(p) == PGRES_TUPLES_OK &&
                        atoi(pq.pfnGetvalue(p, 0, 0)) == ROWS;
    if (p != nullptr) pq.pfnClear(p);
    if (bThere) return true;
    const std::string t = TABLE;
    if (!pq.bExec("DROP TABLE IF EXISTS " + t) ||
        !pq.bExec("CREATE TABLE " + t + " (id integer PRIMARY KEY, n integer, s varchar(20))") ||
        !pq.bExec("INSERT INTO " + t + " SELECT g, g % 1000, 'row ' || g FROM generate_series(1, " +
                  std::to_string(ROWS) + ") g") ||
        !pq.bExec("VACUUM ANALYZE " + t)) {
        *psError = pq.sError;
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
        CNARecordValue* pclOriginal = pclStatement->pclGetStmtOriginalRecord();
        CNAYFRecord* pclImage = m_pclCurrent->pclGetNAYFRecord();
        CNAYFRecord* pclKept = pclImage->pclGetClone();
        pclKept->AddRef();
        pclImage->Copy(pclOriginal->pclGetNAYFRecord());
        m_pclCurrent->OnNAYFRecordChanged();
        const bool bForward = eDirection != NA_PARSE_PREVIOUS;
        CNARecherche* pclSearch = pclStatement->pclGetRecherche();
        INAItemDescription* piItem = pclStatement->_pclGetItem(pclStatement->pszGetItemName());
        int bResult = pclSearch->bRechercheEnreg(m_pclCurrent, piItem, NA_PARSE_NEXT, 0, nullptr) & 1;
        if (bResult) bResult = pclSearch->bSetContinueParcours(bForward ? 0 : 1);
        CNACommand* pclWhere = new CNACommand(m_pclError, m_pclCnx);
        pclWhere->AddRef();
        CNACommand* pclCommand = new CNACommand(m_pclError, m_pclCnx);
        pclCommand->AddRef();
        if (bResult) bResult = pclStatement->bGetClauseWHERE(pclWhere);
        if (bResult) {
            pclCommand->SetNAQueryType(NAQUERYTYPE_SELECT);
            bResult = pclStatement->bBuildQuerySELECT(pclCommand, 0, pclStatement->pszGetItemName(), bForward, pclWhere);
        }
        pclSearch->Desactivate();
        if (bResult) {
            pclCommand->SetRowLimit(nBlock);
            bResult = pclStatement->bExecute(0, CNAStatement::NA_ST_PREPARE);
        }
        if (bResult) bResult = pclStatement->bFetch(bForward ? NA_PARSE_FIRST : NA_PARSE_LAST, bReadRecord, nCount);
        int bOut = 1;
        pclStatement->HEndehors(&bOut);
        if (!bResult || bOut) {
            pclImage->Copy(pclKept);
            m_pclCurrent->OnNAYFRecordChanged();
        }
        pclKept->nRelease();
        if (piItem != nullptr) piItem->nExternalRelease();
        pclSearch->nRelease();
        pclWhere->nRelease();
        pclCommand->nRelease();
        return bResult;
    }

private:
    CNARecord* m_pclCurrent = nullptr;
};

// The table as the host and the server describe it.
CNADataSourceDescription* pclDescription(bool bServer) {
    auto* pcl = new CNADataSourceDescription(nullptr, nullptr);
    pcl->AddRef();
    pcl->SetLogicalName(wsOf(TABLE).c_str());
    pcl->SetDBName(wsOf(TABLE).c_str());
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
        clHostCnx.m_sDataBase = wsOf(sEnv("PGHOST"));
        clHostCnx.m_sUserName = wsOf(sEnv("PGUSER"));
        clHostCnx.m_sExtendedInfo =
            L"Server Port=" + wsOf(sEnv("PGPORT")) + L";Initial Catalog=" + wsOf(sEnv("PGDATABASE"));
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
    stLibpq& pq = Libpq();
    const auto nBlock = static_cast<int>(state.range(0));
    long nRows = 0;
    for (auto _ : state) {
        nRows = 0;
        long nLast = 0;
        char szText[32];
        int64_t llSum = 0;
        for (;;) {
            PGresult* p = pq.pfnExec(pq.pConn, sBlockSQL(nLast, nBlock).c_str());
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
