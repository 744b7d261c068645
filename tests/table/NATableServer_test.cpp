// The table object on the test server, called as the host calls it: every operation through its
// position in the table's virtual table. Opening, browsing and closing end to end; which error
// object the host reads after each failure; two tables in one context; a context closed by the
// driver and then used again with the same ids; the host's last reference; queries through the
// table and the driver's internal queries.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "core/XYString.h"
#include "native/driver/INAError.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"
#include "native/model/NAYFRecord.h"
#include "native/statement/NAStatement.h"
#include "native/statement/NATableCache.h"
#include "native/table/INATable.h"
#include "native/table/NADataAccess.h"
#include "native/table/NATable.h"
#include "pgsql/PSQLDriver.h"
#include "tests/support/PgSandbox.h"
#include "tests/support/StatementLog.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInContext.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInParsedQuery.h"
#include "tests/host/StandInQueryExecution.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/sql/ParsedQueryTestSupport.h"
#include "tests/support/PgSandbox.h"
#include "tests/support/PgSession.h"
#include "tests/support/ServerDriver.h"
#include "tests/sql/ParsedQueryTestSupport.h"
#include "variant/Any.h"
#include "variant/VQConv.h"

namespace {

const char* const TABLE_ROWS = "kx_tableobj_rows";
const char* const TABLE_OTHER = "kx_tableobj_other";
const char* const TABLE_SHAPES = "kx_tableobj_shapes";
const char* const TABLE_MEMOS = "kx_tableobj_memos";

// Positions of the host's entries in the table's virtual table.
enum : int {
    E_EXTERNALADDREF = 5,
    E_NEXTERNALRELEASE = 6,
    E_PIGETLASTERROR = 7,
    E_BISOPENED = 8,
    E_PIGETDATASOURCEDESCRIPTION = 9,
    E_BHCREATION = 14,
    E_BHOUVRE = 15,
    E_BHFERME = 17,
    E_BHLITXXX = 26,
    E_BHENDEHORS = 32,
    E_BSETNEXTOPERATION = 34,
    E_LLGETRECNUM = 35,
    E_BHFILTRE_PARSED = 37,
    E_BGETBLOB = 48,
    E_BGETRECORD = 50,
    E_BHINTERDITMODIF = 57,
    E_BSUPPRIMEFICHIER = 79,
    E_BEXECUTEQUERY = 82,
};

// The host's call of the entry at that position.
template <typename R, typename... A>
R Call(INATable* pi, int nEntry, A... a) {
    using F = R (*)(INATable*, A...);
    void** ppVtbl = *reinterpret_cast<void***>(pi);
    return reinterpret_cast<F>(ppVtbl[nEntry])(pi, a...);
}

std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}
std::string sOf(const wchar_t* psz) {
    const std::wstring ws = psz != nullptr ? std::wstring(psz) : std::wstring();
    return std::string(ws.begin(), ws.end());
}

// A value read from a result as a 64-bit integer; -1 when it is none.
int64_t llOf(CAny* pcl) {
    void* pData = nullptr;
    int64_t ll = -1;
    if (pcl->__nCastTo(VQTYPE_I8, nullptr, 0) <= 99 && !pcl->bIsNull() && pcl->nGetTypeCode() == VQTYPE_I8 &&
        pcl->pclGetValeur()->nGetDataAdr(&pData) == 0 && pData != nullptr)
        memcpy(&ll, pData, sizeof(ll));
    return ll;
}

// What the host reads of an error object.
struct stSeen {
    unsigned nCode;
    std::string sDebug;
    std::string sTable;
    std::string sMessage;
};
stSeen stOf(INAError* pi) {
    if (pi == nullptr) return {0, "", "", ""};
    CXError* pcl = pi->pclGetXError();
    return {pi->dwGetErrorId(), pcl != nullptr ? sOf(pcl->pszGetDebugMessage()) : "", sOf(pi->pszGetLogicalTableName()),
            sOf(pi->pszGetError())};
}

// Whether the error object holds user error nCode raised at "IEKXPSQL=<site>", as its own error
// or as one of its sub-errors: the position found (0 its own), -1 when none.
int nHolds(INAError* pi, unsigned nCode, const std::string& sSite) {
    CXError* pcl = pi != nullptr ? pi->pclGetXError() : nullptr;
    if (pcl == nullptr) return -1;
    const std::string sLine = "IEKXPSQL=" + sSite + "\r";
    if (pcl->nGetUserErrorCode() == nCode && sOf(pcl->pszGetDebugMessage()).find(sLine) != std::string::npos) return 0;
    for (int i = 0; i < pcl->nGetNbSubError(); i++) {
        CXError* pclSub = pcl->pclGetSubError(i);
        if (pclSub->nGetUserErrorCode() == nCode && sOf(pclSub->pszGetDebugMessage()).find(sLine) != std::string::npos)
            return i + 1;
    }
    return -1;
}

class NATableServerTest : public testing::Test {
protected:
    // kx_tableobj_rows: 250 rows, id 1 to 250, name "Name0001"...; kx_tableobj_other: 3 rows,
    // code 10, 20, 30.
    static void SetUpTestSuite() {
        std::string sReason;
        if (!pgsandbox::bServerAvailable(&sReason)) return;
        pgtest::CPgSession clServer;
        clServer.Run("SELECT pg_advisory_lock(727276)");
        if (clServer.sValue(std::string("SELECT count(*) FROM pg_class WHERE relname = '") + TABLE_ROWS + "'") == "0") {
            clServer.Run(std::string("CREATE TABLE ") + TABLE_ROWS +
                         " (id serial PRIMARY KEY, name varchar(30) NOT NULL)");
            clServer.Run(std::string("INSERT INTO ") + TABLE_ROWS +
                         " (name) SELECT 'Name' || lpad(i::text, 4, '0') FROM generate_series(1, 250) AS i");
            clServer.Run(std::string("CREATE TABLE ") + TABLE_OTHER + " (code int4 PRIMARY KEY, label varchar(10))");
            clServer.Run(std::string("INSERT INTO ") + TABLE_OTHER +
                         " VALUES (10, 'ten'), (20, 'twenty'), (30, 'thirty')");
        }
        if (clServer.sValue(std::string("SELECT count(*) FROM pg_class WHERE relname = '") + TABLE_SHAPES + "'") ==
            "0") {
            // Labels in another order than the codes; grp gathers codes three by three.
            clServer.Run(std::string("CREATE TABLE ") + TABLE_SHAPES +
                         " (code int4 PRIMARY KEY, label varchar(10) NOT NULL, grp int4 NOT NULL)");
            clServer.Run(std::string("INSERT INTO ") + TABLE_SHAPES +
                         " SELECT 10 * i, 'L' || lpad(((i * 7) % 13)::text, 2, '0'), i / 3"
                         " FROM generate_series(1, 12) AS i");
        }
        if (clServer.sValue(std::string("SELECT count(*) FROM pg_class WHERE relname = '") + TABLE_MEMOS + "'") ==
            "0") {
            // A NULL memo, an empty one, non-ASCII text (a character outside the 16-bit plane
            // among them) and bytes with zeros, and memos longer than any block of the driver.
            clServer.Run(std::string("CREATE TABLE ") + TABLE_MEMOS + " (id int4 PRIMARY KEY, t text, b bytea)");
            clServer.Run(std::string("INSERT INTO ") + TABLE_MEMOS +
                         " VALUES (1, NULL, NULL), (2, '', ''::bytea),"
                         " (3, U&'\\00E9t\\00E9 \\4E2D \\+01F600', '\\x00ff0001'::bytea),"
                         " (4, repeat('x', 70000) || U&'\\00E9', decode(repeat('00ff', 40000), 'hex'))");
        }
        clServer.Run("SELECT pg_advisory_unlock(727276)");
    }

    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        m_clServerDriver.Start();
        m_pclDriver = m_clServerDriver.pclDriver();
        m_pclHost = pclHostConnection(pgsandbox::wsEnv("PGPORT"));
    }
    void TearDown() override {
        for (INATable* pi : m_apiTable) Call<int>(pi, E_NEXTERNALRELEASE);
        for (INADataSourceDescription* pi : m_apiDescription) pi->nExternalRelease();
        m_clServerDriver.Stop();
        CVQConv::s_Reset();
    }

    // The shapes table over a connection of its own reading two rows a block, so that every query
    // over it spans blocks; the description is released at TearDown.
    INADataSourceDescription* piShapesInTwoRowBlocks(standin::CStandInConnectionDescription** ppclHost) {
        *ppclHost = pclHostConnection(pgsandbox::wsEnv("PGPORT"), L"2");
        INADataSourceDescription* pi = m_pclDriver->piGetTableDesc(L"kx_tableobj_shapes", *ppclHost);
        if (pi != nullptr) m_apiDescription.push_back(pi);
        return pi;
    }

    // The host's connection to the server; blocks of wsBlock rows (its own connection when not 20).
    standin::CStandInConnectionDescription* pclHostConnection(const std::wstring& wsPort,
                                                              const std::wstring& wsBlock = L"20") {
        return m_clServerDriver.pclHost((L"TABLECNX" + wsPort + (wsBlock == L"20" ? L"" : L"B" + wsBlock)).c_str(),
                                        (L"KX Cache Size=" + wsBlock).c_str(), wsPort);
    }

    // The host's table over a table of the server, described by the driver; kept until the end.
    INATable* piTable(const char* pszTable) {
        INADataSourceDescription* piDescription = m_pclDriver->piGetTableDesc(wsOf(pszTable).c_str(), m_pclHost);
        if (piDescription == nullptr) {
            ADD_FAILURE() << "no description of " << pszTable << ": " << sDriverError();
            return nullptr;
        }
        m_apiDescription.push_back(piDescription);
        INATable* pi = m_pclDriver->piGetTable(m_pclHost, piDescription);
        if (pi == nullptr) {
            ADD_FAILURE() << "no table " << pszTable;
            return nullptr;
        }
        m_apiTable.push_back(pi);
        return pi;
    }

    // The server session of the table's access in the context, whose statements are the test's own
    // in the log that every test running meanwhile writes to (asked after the reads: it is a statement).
    long nSessionPid(INATable* pi, INAContext* piContext) {
        CNADataAccess* pclAccess = static_cast<CNATable*>(pi)->_pclFindDataAccess(piContext);
        if (pclAccess == nullptr) return 0;
        const long nPid = m_clServerDriver.nBackendPid(pclAccess);
        pclAccess->nRelease();
        return nPid;
    }
    std::string sDriverError() const { return sOf(m_pclDriver->piGetLastError()->pszGetError()); }

    static int bOpen(INATable* pi, INAContext* piContext) {
        return Call<int>(pi, E_BHOUVRE, piContext, static_cast<eNA_ACCESS>(0), static_cast<const wchar_t*>(L""));
    }
    static int bRead(INATable* pi, INAContext* piContext, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection,
                     unsigned nFlags = 0) {
        eNA_LOCKTYPE eLock = static_cast<eNA_LOCKTYPE>(0);
        return Call<int>(pi, E_BHLITXXX, piContext, pszItem, eDirection, 1, static_cast<eNA_LOCKTYPE>(0), &eLock,
                         nFlags);
    }
    static int bOut(INATable* pi, INAContext* piContext, const wchar_t* pszItem) {
        int bOut = -1;
        Call<int>(pi, E_BHENDEHORS, piContext, pszItem, &bOut);
        return bOut;
    }
    static int bIsOpened(INATable* pi, INAContext* piContext) { return Call<int>(pi, E_BISOPENED, piContext); }
    static stSeen stLastError(INATable* pi, INAContext* piContext) {
        return stOf(Call<INAError*>(pi, E_PIGETLASTERROR, piContext));
    }
    // The 4-byte integer item of the record the host reads; -1 when there is none.
    static int32_t nValue(INATable* pi, INAContext* piContext, const wchar_t* pszItem) {
        CNAYFRecord* pclRecord = nullptr;
        if (!Call<int>(pi, E_BGETRECORD, piContext, &pclRecord) || pclRecord == nullptr) return -1;
        INADataSourceDescription* piDescription = Call<INADataSourceDescription*>(pi, E_PIGETDATASOURCEDESCRIPTION);
        int32_t n = -1;
        INAItemDescription* piItem = piDescription != nullptr ? piDescription->piNAGetItem(pszItem) : nullptr;
        if (piItem != nullptr && pclRecord->bItemValueDefined(piItem, 0)) pclRecord->GetItemValue(&n, piItem, 0);
        if (piItem != nullptr) piItem->nExternalRelease();
        if (piDescription != nullptr) piDescription->nExternalRelease();
        pclRecord->nRelease();
        return n;
    }

    pgtest::CServerDriver m_clServerDriver;
    CPSQLDriver* m_pclDriver = nullptr;  // the server driver's
    standin::CStandInConnectionDescription* m_pclHost = nullptr;
    std::vector<INADataSourceDescription*> m_apiDescription;
    std::vector<INATable*> m_apiTable;
};

// Open, browse both ways, fall off the end, close: the context then has no access any more.
TEST_F(NATableServerTest, OpenBrowseAndClose) {
    KX_REQUIRE_PG_SERVER();
    INATable* pi = piTable(TABLE_ROWS);
    ASSERT_NE(pi, nullptr);
    standin::CStandInContext clContext(101, 1);
    ASSERT_EQ(bOpen(pi, &clContext), 1) << stLastError(pi, &clContext).sMessage;
    EXPECT_EQ(bIsOpened(pi, &clContext), 1);

    ASSERT_EQ(bRead(pi, &clContext, L"id", NA_PARSE_FIRST), 1) << stLastError(pi, &clContext).sMessage;
    EXPECT_EQ(nValue(pi, &clContext, L"id"), 1);
    for (int32_t nExpected = 2; nExpected <= 30; nExpected++) {
        ASSERT_EQ(bRead(pi, &clContext, L"id", NA_PARSE_NEXT), 1);
        ASSERT_EQ(nValue(pi, &clContext, L"id"), nExpected);
    }
    EXPECT_EQ(bOut(pi, &clContext, L"id"), 0);
    ASSERT_EQ(bRead(pi, &clContext, L"id", NA_PARSE_LAST), 1);
    EXPECT_EQ(nValue(pi, &clContext, L"id"), 250);
    ASSERT_EQ(bRead(pi, &clContext, L"id", NA_PARSE_PREVIOUS), 1);
    EXPECT_EQ(nValue(pi, &clContext, L"id"), 249);
    ASSERT_EQ(bRead(pi, &clContext, L"id", NA_PARSE_NEXT), 1);
    ASSERT_EQ(bRead(pi, &clContext, L"id", NA_PARSE_NEXT), 1);
    EXPECT_EQ(bOut(pi, &clContext, L"id"), 1);

    EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
    EXPECT_EQ(bIsOpened(pi, &clContext), 0);
    // Closed twice: nothing left to close.
    EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
    EXPECT_EQ(bRead(pi, &clContext, L"id", NA_PARSE_FIRST), 0);
    const stSeen st = stLastError(pi, &clContext);
    EXPECT_EQ(st.nCode, 19u);
    EXPECT_NE(st.sDebug.find("IEKXPSQL=6.7"), std::string::npos) << st.sDebug;
    EXPECT_EQ(st.sTable, TABLE_ROWS);
}

// Which error object the host reads: the table's when the context has no access (user error 19,
// the SQL module refused, a refused connection), the context's once it has one (user error 8 is in
// both).
TEST_F(NATableServerTest, ErrorObjectOfEachFailure) {
    KX_REQUIRE_PG_SERVER();
    INATable* pi = piTable(TABLE_ROWS);
    ASSERT_NE(pi, nullptr);
    INAError* piTableError = m_pclDriver->piGetLastError();

    // No access in this context: the table's own error object.
    standin::CStandInContext clNever(999, 9);
    EXPECT_EQ(bRead(pi, &clNever, L"id", NA_PARSE_FIRST), 0);
    EXPECT_EQ(Call<INAError*>(pi, E_PIGETLASTERROR, &clNever), piTableError);
    EXPECT_EQ(stOf(piTableError).nCode, 19u);
    // llGetRecNum reports at its own site and clears nothing.
    EXPECT_EQ(Call<int64_t>(pi, E_LLGETRECNUM, &clNever), 0);
    CXError* pclXError = piTableError->pclGetXError();
    EXPECT_NE(sOf(pclXError->pszGetDebugMessage()).find("IEKXPSQL=6.7"), std::string::npos);
    ASSERT_EQ(pclXError->nGetNbSubError(), 1);
    EXPECT_NE(sOf(pclXError->pclGetSubError(0)->pszGetDebugMessage()).find("IEKXPSQL=6.8"), std::string::npos);

    // Not available: raised on the table's object and copied into the context's.
    standin::CStandInContext clOpen(102, 1);
    ASSERT_EQ(bOpen(pi, &clOpen), 1);
    EXPECT_EQ(Call<int>(pi, E_BHINTERDITMODIF, &clOpen), 0);
    INAError* piContextError = Call<INAError*>(pi, E_PIGETLASTERROR, &clOpen);
    EXPECT_NE(piContextError, piTableError);
    for (INAError* piError : {piTableError, piContextError}) {
        const stSeen st = stOf(piError);
        EXPECT_EQ(st.nCode, 8u);
        EXPECT_NE(st.sDebug.find("IEKXPSQL=6.3"), std::string::npos) << st.sDebug;
        EXPECT_EQ(piError->eGetErrorType(), static_cast<eNA_ERRORTYPE>(7));
    }

    // The host's SQL module missing, then too old: added to what the table's object already
    // holds, since the check comes before the operation's reset.
    standin::CStandInParsedQuery clQuery(L"SELECT id FROM kx_tableobj_rows");
    clQuery.m_bModuleAnswer = 0;
    wchar_t szItem[255] = L"";
    EXPECT_EQ(Call<int>(pi, E_BHFILTRE_PARSED, &clOpen, static_cast<ISQLParserInformation*>(&clQuery), szItem), 0);
    EXPECT_EQ(nHolds(piTableError, 8, "6.3"), 0);
    EXPECT_EQ(nHolds(piTableError, 16, "6.1"), 1);
    EXPECT_NE(sOf(piTableError->pclGetXError()->pclGetSubError(0)->pszGetUserMessage()).find("kx200sql64.so"),
              std::string::npos);
    clQuery.m_bModuleAnswer = 1;
    clQuery.m_nModuleVersion = 31;
    int bHasResult = 7;
    EXPECT_EQ(Call<int>(pi, E_BEXECUTEQUERY, &bHasResult, static_cast<INAContext*>(&clOpen),
                        static_cast<const wchar_t*>(L"Q"), static_cast<ISQLParserInformation*>(&clQuery), 0u,
                        static_cast<const INAQueryExecution*>(nullptr)),
              0);
    EXPECT_EQ(nHolds(piTableError, 16, "6.2"), 2);
    EXPECT_EQ(clQuery.m_tabModuleCalls.size(), 2u);
    // The access of the context is untouched by either.
    EXPECT_EQ(bIsOpened(pi, &clOpen), 1);
    EXPECT_EQ(Call<int>(pi, E_BHFERME, &clOpen), 1);
    EXPECT_TRUE(clQuery.bAllReleased());

    // A server that refuses the connection: no access is made; the context that never had one
    // reads the connection's failure in the table's object.
    standin::CStandInConnectionDescription* pclRefused = pclHostConnection(L"1");
    INATable* piRefused = m_pclDriver->piGetTable(pclRefused, m_apiDescription.front());
    ASSERT_NE(piRefused, nullptr);
    m_apiTable.push_back(piRefused);
    standin::CStandInContext clFresh(103, 3);
    EXPECT_EQ(bOpen(piRefused, &clFresh), 0);
    EXPECT_EQ(bIsOpened(piRefused, &clFresh), 0);
    INAError* piSeen = Call<INAError*>(piRefused, E_PIGETLASTERROR, &clFresh);
    EXPECT_EQ(piSeen, piTableError);
    EXPECT_NE(stOf(piSeen).nCode, 0u);
    EXPECT_FALSE(stOf(piSeen).sMessage.empty());
}

// Two tables in one context, each with its own data id: each read reaches its own table's access,
// whichever was looked up last; closing one leaves the other.
TEST_F(NATableServerTest, TwoTablesInOneContext) {
    KX_REQUIRE_PG_SERVER();
    INATable* piRows = piTable(TABLE_ROWS);
    INATable* piOther = piTable(TABLE_OTHER);
    ASSERT_NE(piRows, nullptr);
    ASSERT_NE(piOther, nullptr);
    standin::CStandInContext clRows(201, 2), clOther(202, 2);
    ASSERT_EQ(bOpen(piRows, &clRows), 1);
    ASSERT_EQ(bOpen(piOther, &clOther), 1);
    ASSERT_EQ(bRead(piRows, &clRows, L"id", NA_PARSE_FIRST), 1);
    ASSERT_EQ(bRead(piOther, &clOther, L"code", NA_PARSE_FIRST), 1);
    for (int i = 0; i < 2; i++) {
        ASSERT_EQ(bRead(piRows, &clRows, L"id", NA_PARSE_NEXT), 1);
        ASSERT_EQ(bRead(piOther, &clOther, L"code", NA_PARSE_NEXT), 1);
    }
    EXPECT_EQ(nValue(piRows, &clRows, L"id"), 3);
    EXPECT_EQ(nValue(piOther, &clOther, L"code"), 30);
    // The ids alone designate the access: through the other table they reach the rows' access.
    EXPECT_EQ(bRead(piOther, &clRows, L"id", NA_PARSE_NEXT), 1);
    EXPECT_EQ(nValue(piRows, &clRows, L"id"), 4);

    EXPECT_EQ(Call<int>(piOther, E_BHFERME, &clOther), 1);
    EXPECT_EQ(bIsOpened(piOther, &clOther), 0);
    EXPECT_EQ(bIsOpened(piRows, &clRows), 1);
    ASSERT_EQ(bRead(piRows, &clRows, L"id", NA_PARSE_NEXT), 1);
    EXPECT_EQ(nValue(piRows, &clRows, L"id"), 5);
    EXPECT_EQ(Call<int>(piRows, E_BHFERME, &clRows), 1);
}

// The driver closes a context behind the tables' back; the host then uses the same ids again. The
// access the lookup found last is gone with its context: reads fail with user error 19 until the
// table is opened again, and then reach the new access.
TEST_F(NATableServerTest, ContextClosedThenSameIds) {
    KX_REQUIRE_PG_SERVER();
    INATable* pi = piTable(TABLE_ROWS);
    ASSERT_NE(pi, nullptr);
    standin::CStandInContext clContext(301, 3);
    ASSERT_EQ(bOpen(pi, &clContext), 1);
    ASSERT_EQ(bRead(pi, &clContext, L"id", NA_PARSE_LAST), 1);
    EXPECT_EQ(nValue(pi, &clContext, L"id"), 250);

    ASSERT_EQ(m_pclDriver->bCloseContext(&clContext), 1);
    standin::CStandInContext clAgain(301, 3);
    EXPECT_EQ(bIsOpened(pi, &clAgain), 0);
    EXPECT_EQ(bRead(pi, &clAgain, L"id", NA_PARSE_NEXT), 0);
    EXPECT_EQ(stLastError(pi, &clAgain).nCode, 19u);

    ASSERT_EQ(bOpen(pi, &clAgain), 1);
    EXPECT_EQ(bIsOpened(pi, &clAgain), 1);
    ASSERT_EQ(bRead(pi, &clAgain, L"id", NA_PARSE_FIRST), 1);
    EXPECT_EQ(nValue(pi, &clAgain, L"id"), 1);
    EXPECT_EQ(Call<int>(pi, E_BHFERME, &clAgain), 1);
}

// After the end of a transaction a started browse runs its query again at its next move, and goes
// on from the record it stood on; a browse that never started is left alone.
TEST_F(NATableServerTest, BrowseRebuiltAfterATransaction) {
    KX_REQUIRE_PG_SERVER();
    INATable* pi = piTable(TABLE_ROWS);
    ASSERT_NE(pi, nullptr);
    standin::CStandInContext clContext(801, 8);
    ASSERT_EQ(bOpen(pi, &clContext), 1);
    ASSERT_EQ(bRead(pi, &clContext, L"id", NA_PARSE_FIRST), 1);
    ASSERT_EQ(bRead(pi, &clContext, L"id", NA_PARSE_NEXT), 1);
    auto* pclTable = static_cast<CNATable*>(pi);
    CNADataAccess* pclAccess = pclTable->_pclFindDataAccess(&clContext);
    ASSERT_NE(pclAccess, nullptr);
    CNAStatement* pclStarted = pclAccess->_pclFindStatement(L"id");
    CNAStatement* pclIdle = pclAccess->_pclGetStatement(L"name");
    ASSERT_NE(pclStarted, nullptr);
    ASSERT_NE(pclIdle, nullptr);

    pclTable->SetTransactionTermined();
    EXPECT_EQ(pclStarted->eParseNeedUpdate(), CNAStatement::PARSENEEDUPDATE_REBUILD);
    EXPECT_EQ(pclIdle->eParseNeedUpdate(), CNAStatement::PARSENEEDUPDATE_NONE);
    pclStarted->nRelease();
    pclIdle->nRelease();
    pclAccess->nRelease();

    pgsandbox::CStatementLog clLog;
    ASSERT_EQ(bRead(pi, &clContext, L"id", NA_PARSE_NEXT), 1) << stLastError(pi, &clContext).sMessage;
    EXPECT_EQ(nValue(pi, &clContext, L"id"), 3);
    bool bSelectedAgain = false;
    for (const std::string& sSent : clLog.Statements())
        if (sSent.rfind("SELECT", 0) == 0 && sSent.find(TABLE_ROWS) != std::string::npos) bSelectedAgain = true;
    EXPECT_TRUE(bSelectedAgain);
    EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
}

// The host's references: one more and one less leaves the table; the last one takes it out of
// the driver's registry, and the next request makes a new one that works.
TEST_F(NATableServerTest, ExternalRelease) {
    KX_REQUIRE_PG_SERVER();
    INATable* pi = piTable(TABLE_OTHER);
    ASSERT_NE(pi, nullptr);
    m_apiTable.pop_back();
    Call<void>(pi, E_EXTERNALADDREF);
    EXPECT_EQ(Call<int>(pi, E_NEXTERNALRELEASE), 1);
    standin::CStandInContext clContext(401, 4);
    ASSERT_EQ(bOpen(pi, &clContext), 1);
    EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
    EXPECT_EQ(Call<int>(pi, E_NEXTERNALRELEASE), 0);

    INATable* piAgain = m_pclDriver->piGetTable(m_pclHost, m_apiDescription.back());
    ASSERT_NE(piAgain, nullptr);
    m_apiTable.push_back(piAgain);
    ASSERT_EQ(bOpen(piAgain, &clContext), 1);
    ASSERT_EQ(bRead(piAgain, &clContext, L"code", NA_PARSE_LAST), 1);
    EXPECT_EQ(nValue(piAgain, &clContext, L"code"), 30);
    EXPECT_EQ(Call<int>(piAgain, E_BHFERME, &clContext), 1);
}

// A query without a parsed form runs as written: the driver registers its table, whose
// description is the result's, and the host browses the result through it.
TEST_F(NATableServerTest, QueryRunAsWritten) {
    KX_REQUIRE_PG_SERVER();
    standin::CStandInContext clContext(501, 5);
    INATable* pi = nullptr;
    const wchar_t* pszText = L"SELECT code, label FROM kx_tableobj_other WHERE code >= 20 ORDER BY code";
    ASSERT_EQ(m_pclDriver->bHExecuteRequeteSQLEx(&pi, &clContext, pszText, m_pclHost, nullptr, 0, nullptr), 1)
        << sDriverError();
    ASSERT_NE(pi, nullptr);
    m_apiTable.push_back(pi);
    INADataSourceDescription* piDescription = Call<INADataSourceDescription*>(pi, E_PIGETDATASOURCEDESCRIPTION);
    ASSERT_NE(piDescription, nullptr);
    EXPECT_EQ(piDescription->nGetNumItems(), 2u);
    // The host's copy of the result's description: it may browse by every item of it.
    for (const wchar_t* pszName : {L"code", L"label"}) {
        INAItemDescription* piItem = piDescription->piNAGetItem(pszName);
        ASSERT_NE(piItem, nullptr) << sOf(pszName);
        EXPECT_NE(piItem->bDuplicates(), 0) << sOf(pszName);
        piItem->nExternalRelease();
    }
    // The host browses the result by the item the description proposes.
    INAItemDescription* piBest = piDescription->piGetBestParseItemDesc();
    const std::wstring wsItem = piBest != nullptr ? piBest->pszGetName() : L"";
    if (piBest != nullptr) piBest->nExternalRelease();
    piDescription->nExternalRelease();
    const wchar_t* pszItem = wsItem.c_str();
    EXPECT_EQ(bIsOpened(pi, &clContext), 1);
    // The whole result goes to the access's table cache, which the query's statement fills.
    CNADataAccess* pclAccess = static_cast<CNATable*>(pi)->_pclFindDataAccess(&clContext);
    ASSERT_NE(pclAccess, nullptr);
    ASSERT_NE(pclAccess->pclGetTableCacheNoRef(), nullptr);
    EXPECT_NE(pclAccess->pclGetTableCacheNoRef()->pclGetStatementParseNoRef(), nullptr);
    // Until the table cache holds the whole result the host cannot announce operations on it.
    EXPECT_EQ(Call<int>(pi, E_BSETNEXTOPERATION, static_cast<INAContext*>(&clContext), static_cast<eNA_OPERATION>(2)),
              0);
    EXPECT_EQ(stLastError(pi, &clContext).nCode, 55u);
    EXPECT_NE(stLastError(pi, &clContext).sDebug.find("IEKXPSQL=3.21\r"), std::string::npos);
    EXPECT_EQ(Call<int>(pi, E_BSETNEXTOPERATION, static_cast<INAContext*>(&clContext), static_cast<eNA_OPERATION>(4)),
              1);
    pclAccess->nRelease();
    ASSERT_EQ(bRead(pi, &clContext, pszItem, NA_PARSE_FIRST), 1) << stLastError(pi, &clContext).sMessage;
    EXPECT_EQ(nValue(pi, &clContext, L"code"), 20);
    ASSERT_EQ(bRead(pi, &clContext, pszItem, NA_PARSE_NEXT), 1);
    EXPECT_EQ(nValue(pi, &clContext, L"code"), 30);
    ASSERT_EQ(bRead(pi, &clContext, pszItem, NA_PARSE_NEXT), 1);
    EXPECT_EQ(bOut(pi, &clContext, pszItem), 1);
    EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
}

// A selection of the host, given parsed: described from the host's descriptions of its items,
// read at once by its ORDER BY item (or by the item the execution names), then browsed by the host.
TEST_F(NATableServerTest, QueryOfTheHost) {
    KX_REQUIRE_PG_SERVER();
    INADataSourceDescription* piSource = m_pclDriver->piGetTableDesc(L"kx_tableobj_other", m_pclHost);
    ASSERT_NE(piSource, nullptr);
    m_apiDescription.push_back(piSource);
    for (const wchar_t* pszBrowse : {L"", L"label"}) {
        SCOPED_TRACE(sOf(pszBrowse));
        sqltest::CQueryBuilder q(L"SELECT code, label FROM kx_tableobj_other WHERE code > 10 ORDER BY code");
        q.From(L"kx_tableobj_other");
        q.Out(L"code");
        q.Out(L"label");
        q.Where(L"10", q.Op(sqltest::OP_GREATER, L"code > 10", {q.Item(L"code", 1), q.Lit(L"10", q.Int(10))}));
        q.OrderBy({{L"code", 0}});
        q->SetSource(L"kx_tableobj_other", piSource);
        for (int i = 0; i < 2; i++) {
            INAItemDescription* piItem = piSource->piNAGetItem(i == 0 ? L"code" : L"label");
            ASSERT_NE(piItem, nullptr);
            q->SetOutDescription(i, piItem);
            piItem->nExternalRelease();
        }
        standin::CStandInQueryExecution clExecution(pszBrowse, 0);
        standin::CStandInContext clContext(701, 7);
        pgsandbox::CStatementLog clLog;
        INATable* pi = nullptr;
        ASSERT_EQ(m_pclDriver->bHExecuteRequeteSQLEx(&pi, &clContext, L"QHOST", m_pclHost, &q.rGet(), 0,
                                                     pszBrowse[0] != 0 ? &clExecution : nullptr),
                  1)
            << sDriverError();
        ASSERT_NE(pi, nullptr);
        m_apiTable.push_back(pi);
        INADataSourceDescription* piDescription = Call<INADataSourceDescription*>(pi, E_PIGETDATASOURCEDESCRIPTION);
        ASSERT_NE(piDescription, nullptr);
        EXPECT_EQ(piDescription->nGetNumItems(), 2u);
        // Completed from the host's descriptions: the key of the one table stays primary, and the
        // ORDER BY item is the one to browse by.
        INAItemDescription* piCode = piDescription->piNAGetItem(L"code");
        ASSERT_NE(piCode, nullptr);
        EXPECT_NE(piCode->bPrimary(), 0);
        piCode->nExternalRelease();
        INAItemDescription* piBest = piDescription->piGetBestParseItemDesc();
        ASSERT_NE(piBest, nullptr);
        EXPECT_EQ(sOf(piBest->pszGetName()), "code");
        piBest->nExternalRelease();
        // The host's copy lets it browse by the other item too.
        INAItemDescription* piLabel = piDescription->piNAGetItem(L"label");
        ASSERT_NE(piLabel, nullptr);
        EXPECT_NE(piLabel->bDuplicates(), 0);
        piLabel->nExternalRelease();
        piDescription->nExternalRelease();
        // Read at once: the host finds the first record there without asking.
        const wchar_t* pszItem = pszBrowse[0] != 0 ? pszBrowse : L"code";
        EXPECT_EQ(nValue(pi, &clContext, L"code"), pszBrowse[0] != 0 ? 30 : 20);
        ASSERT_EQ(bRead(pi, &clContext, pszItem, NA_PARSE_NEXT), 1) << stLastError(pi, &clContext).sMessage;
        EXPECT_EQ(nValue(pi, &clContext, L"code"), pszBrowse[0] != 0 ? 20 : 30);
        ASSERT_EQ(bRead(pi, &clContext, pszItem, NA_PARSE_NEXT), 1);
        EXPECT_EQ(bOut(pi, &clContext, pszItem), 1);
        bool bWhereSent = false;
        for (const std::string& sSent : clLog.Statements())
            if (sSent.find("kx_tableobj_other") != std::string::npos && sSent.find("> 10") != std::string::npos)
                bWhereSent = true;
        EXPECT_TRUE(bWhereSent);
        EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
    }
}

// A selection that decides its own rows (LIMIT, OFFSET, DISTINCT, GROUP BY), browsed by an item it
// does not order by, in blocks smaller than its result: both ways, exactly its rows in the browse's
// order, as the server gives them for the query whole.
TEST_F(NATableServerTest, QueryDecidingItsRowsBrowsedByAnotherItem) {
    KX_REQUIRE_PG_SERVER();
    INADataSourceDescription* piSource = m_pclDriver->piGetTableDesc(L"kx_tableobj_rows", m_pclHost);
    ASSERT_NE(piSource, nullptr);
    m_apiDescription.push_back(piSource);
    struct stCase {
        const wchar_t* pszText;
        bool bOrderByIdDesc;
        bool bGroupBy;
        const char* pszMark;  // what tells this query's statements from other tests' on the server
    };
    // The server's order of name is id's: the tail of the table read by name comes last, so a
    // LIMIT or OFFSET applied after the browse's ORDER BY would read the other end of the table.
    const stCase aCases[] = {
        {L"SELECT id, name FROM kx_tableobj_rows ORDER BY id DESC LIMIT 45", true, false, "LIMIT 45"},
        {L"SELECT id, name FROM kx_tableobj_rows ORDER BY id DESC LIMIT 30 OFFSET 10", true, false, "OFFSET 10"},
        {L"SELECT id, name FROM kx_tableobj_rows ORDER BY id DESC OFFSET 205", true, false, "OFFSET 205"},
        {L"SELECT DISTINCT id, name FROM kx_tableobj_rows WHERE id > 200", false, false, "DISTINCT"},
        {L"SELECT id, name FROM kx_tableobj_rows WHERE id > 200 GROUP BY id, name", false, true, "GROUP BY"},
    };
    pgtest::CPgSession clServer;
    int nContext = 900;
    for (const stCase& st : aCases) {
        const std::string sText = sOf(st.pszText);
        SCOPED_TRACE(sText);
        std::vector<int32_t> aExpected;
        for (const pgtest::Row& r : clServer.Query("SELECT id FROM (" + sText + ") s ORDER BY name, id"))
            aExpected.push_back(std::stoi(r[0].value_or("-1")));
        ASSERT_GT(aExpected.size(), 20u);

        sqltest::CQueryBuilder q(st.pszText);
        q.From(L"kx_tableobj_rows");
        q.Out(L"id");
        q.Out(L"name");
        if (wcsstr(st.pszText, L"WHERE") != nullptr)
            q.Where(L"id > 200",
                    q.Op(sqltest::OP_GREATER, L"id > 200", {q.Item(L"id", 1), q.Lit(L"200", q.Int(200))}));
        if (st.bOrderByIdDesc) {
            q.OrderBy({});
            q->pclOrder(0, q.At(L"id DESC"), 1);
        }
        if (st.bGroupBy) {
            q->pclGroup(q.At(L"id", 2))->m_sItem = L"id";
            q->pclGroup(q.At(L"name", 1))->m_sItem = L"name";
        }
        q->SetSource(L"kx_tableobj_rows", piSource);
        for (int i = 0; i < 2; i++) {
            INAItemDescription* piItem = piSource->piNAGetItem(i == 0 ? L"id" : L"name");
            ASSERT_NE(piItem, nullptr);
            q->SetOutDescription(i, piItem);
            piItem->nExternalRelease();
        }
        standin::CStandInQueryExecution clExecution(L"name", 0);
        standin::CStandInContext clContext(nContext, nContext);
        nContext++;
        pgsandbox::CStatementLog clLog;
        INATable* pi = nullptr;
        ASSERT_EQ(m_pclDriver->bHExecuteRequeteSQLEx(&pi, &clContext, L"QSHAPED", m_pclHost, &q.rGet(), 0,
                                                     &clExecution),
                  1)
            << sDriverError();
        ASSERT_NE(pi, nullptr);
        m_apiTable.push_back(pi);

        std::vector<int32_t> aForward;
        ASSERT_EQ(bRead(pi, &clContext, L"name", NA_PARSE_FIRST), 1) << stLastError(pi, &clContext).sMessage;
        while (bOut(pi, &clContext, L"name") == 0 && aForward.size() <= aExpected.size()) {
            aForward.push_back(nValue(pi, &clContext, L"id"));
            bRead(pi, &clContext, L"name", NA_PARSE_NEXT);
        }
        EXPECT_EQ(aForward, aExpected);
        std::vector<int32_t> aBackward;
        ASSERT_EQ(bRead(pi, &clContext, L"name", NA_PARSE_LAST), 1) << stLastError(pi, &clContext).sMessage;
        while (bOut(pi, &clContext, L"name") == 0 && aBackward.size() <= aExpected.size()) {
            aBackward.insert(aBackward.begin(), nValue(pi, &clContext, L"id"));
            bRead(pi, &clContext, L"name", NA_PARSE_PREVIOUS);
        }
        EXPECT_EQ(aBackward, aExpected);
        // Every statement of the browse reads the query whole (the log holds the statements of
        // every test running meanwhile).
        int nBrowses = 0;
        for (const std::string& sSent : clLog.Statements()) {
            if (sSent.find("kx_tableobj_rows") == std::string::npos || sSent.find(st.pszMark) == std::string::npos)
                continue;
            EXPECT_NE(sSent.find(") KX_SUBQUERY"), std::string::npos) << sSent;
            nBrowses++;
        }
        EXPECT_GE(nBrowses, 2);
        EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
    }
}

// How a host query over kx_tableobj_shapes (code, label) is parsed: its text and which clauses
// the host found in it.
struct stShapedQuery {
    const wchar_t* pszText;
    int nOrder;     // the direction of its ORDER BY code: -1 none, 0 ascending, 1 descending
    bool bWhere;    // WHERE code > 20
    bool bGroupBy;  // GROUP BY code, label
};

// The host's parsed form of such a query, its output items described as the table's.
void Describe(sqltest::CQueryBuilder& q, const stShapedQuery& st, INADataSourceDescription* piSource) {
    q.From(L"kx_tableobj_shapes");
    q.Out(L"code");
    q.Out(L"label");
    if (st.bWhere)
        q.Where(L"code > 20", q.Op(sqltest::OP_GREATER, L"code > 20", {q.Item(L"code", 1), q.Lit(L"20", q.Int(20))}));
    if (st.bGroupBy) {
        const int nth = st.bWhere ? 2 : 1;
        q->pclGroup(q.At(L"code", nth))->m_sItem = L"code";
        q->pclGroup(q.At(L"label", 1))->m_sItem = L"label";
    }
    if (st.nOrder >= 0) {
        q.OrderBy({});
        const int nCode = q.nAt(L"ORDER BY code") + 9;
        q->pclOrder(0, stPosition{nCode, nCode + 3}, st.nOrder);
    }
    q->SetSource(L"kx_tableobj_shapes", piSource);
    for (int i = 0; i < 2; i++) {
        INAItemDescription* piItem = piSource->piNAGetItem(i == 0 ? L"code" : L"label");
        q->SetOutDescription(i, piItem);
        piItem->nExternalRelease();
    }
}

// The host's query over kx_tableobj_shapes run through the driver on a connection reading blocks
// of two rows (kept until the end of the test); null when it cannot be.
INATable* piRunShaped(CPSQLDriver* pclDriver, standin::CStandInConnectionDescription* pclHost,
                      sqltest::CQueryBuilder& q, standin::CStandInContext* pclContext,
                      std::vector<INATable*>* papiTable) {
    INATable* pi = nullptr;
    if (pclDriver->bHExecuteRequeteSQLEx(&pi, pclContext, L"QSHAPES", pclHost, &q.rGet(), 0, nullptr) != 1 ||
        pi == nullptr) {
        ADD_FAILURE() << sOf(pclDriver->piGetLastError()->pszGetError());
        return nullptr;
    }
    papiTable->push_back(pi);
    return pi;
}

// The codes read through the whole browse along an item (or in the query's own order with flag
// 0x20000), forward from the first or backward from the last, in the order of the forward reading.
std::vector<int32_t> ReadAll(INATable* pi, INAContext* piContext, const wchar_t* pszItem, unsigned nFlags,
                             bool bBackward, size_t nAtMost) {
    std::vector<int32_t> a;
    eNA_LOCKTYPE eLock = static_cast<eNA_LOCKTYPE>(0);
    auto Read = [&](eNA_PARSEDIRECTION e) {
        return Call<int>(pi, E_BHLITXXX, piContext, pszItem, e, 1, static_cast<eNA_LOCKTYPE>(0), &eLock, nFlags);
    };
    auto Out = [&]() {
        int bOut = -1;
        Call<int>(pi, E_BHENDEHORS, piContext, pszItem, &bOut);
        return bOut;
    };
    auto Code = [&]() {
        CNAYFRecord* pclRecord = nullptr;
        int32_t n = -1;
        if (!Call<int>(pi, E_BGETRECORD, piContext, &pclRecord) || pclRecord == nullptr) return n;
        INADataSourceDescription* piDescription = Call<INADataSourceDescription*>(pi, E_PIGETDATASOURCEDESCRIPTION);
        INAItemDescription* piItem = piDescription->piNAGetItem(L"code");
        if (piItem != nullptr && pclRecord->bItemValueDefined(piItem, 0)) pclRecord->GetItemValue(&n, piItem, 0);
        if (piItem != nullptr) piItem->nExternalRelease();
        piDescription->nExternalRelease();
        pclRecord->nRelease();
        return n;
    };
    if (Read(bBackward ? NA_PARSE_LAST : NA_PARSE_FIRST) != 1) {
        ADD_FAILURE() << "first read refused";
        return a;
    }
    while (Out() == 0 && a.size() <= nAtMost) {
        if (bBackward)
            a.insert(a.begin(), Code());
        else
            a.push_back(Code());
        Read(bBackward ? NA_PARSE_PREVIOUS : NA_PARSE_NEXT);
    }
    return a;
}

std::vector<int32_t> CodesOf(pgtest::CPgSession& clServer, const std::string& sText) {
    std::vector<int32_t> a;
    for (const pgtest::Row& r : clServer.Query(sText)) a.push_back(std::stoi(r[0].value_or("-1")));
    return a;
}

// A selection that decides its own rows read in its own order (or along its ORDER BY item) in
// blocks of two rows, both ways: the browse's continuation applies to the query's rows, never
// inside it before its LIMIT, OFFSET, GROUP BY or DISTINCT; read backward, a LIMIT or OFFSET
// still picks the rows by the query's forward order. The server's result of the query is the peer.
TEST_F(NATableServerTest, QueryDecidingItsRowsReadInItsOwnOrder) {
    KX_REQUIRE_PG_SERVER();
    standin::CStandInConnectionDescription* pclHost = nullptr;
    INADataSourceDescription* piSource = piShapesInTwoRowBlocks(&pclHost);
    ASSERT_NE(piSource, nullptr);
    const stShapedQuery aCases[] = {
        {L"SELECT code, label FROM kx_tableobj_shapes ORDER BY code LIMIT 3", 0, false, false},
        {L"SELECT code, label FROM kx_tableobj_shapes ORDER BY code OFFSET 5", 0, false, false},
        {L"SELECT code, label FROM kx_tableobj_shapes ORDER BY code DESC LIMIT 5 OFFSET 3", 1, false, false},
        {L"SELECT code, label FROM kx_tableobj_shapes WHERE code > 20 ORDER BY code OFFSET 4", 0, true, false},
        {L"SELECT code, label FROM kx_tableobj_shapes WHERE code > 20 GROUP BY code, label ORDER BY code", 0, true,
         true},
        {L"SELECT DISTINCT code, label FROM kx_tableobj_shapes ORDER BY code DESC", 1, false, false},
    };
    pgtest::CPgSession clServer;
    int nContext = 1300;
    for (const stShapedQuery& st : aCases) {
        const std::string sText = sOf(st.pszText);
        SCOPED_TRACE(sText);
        const std::vector<int32_t> aExpected = CodesOf(clServer, sText);
        ASSERT_FALSE(aExpected.empty());
        sqltest::CQueryBuilder q(st.pszText);
        Describe(q, st, piSource);
        standin::CStandInContext clContext(nContext, nContext);
        nContext++;
        INATable* pi = piRunShaped(m_pclDriver, pclHost, q, &clContext, &m_apiTable);
        ASSERT_NE(pi, nullptr);
        for (unsigned nFlags : {static_cast<unsigned>(NA_WPF_QUERY_ORDER), 0u}) {
            SCOPED_TRACE(nFlags);
            for (bool bBackward : {false, true})
                EXPECT_EQ(ReadAll(pi, &clContext, L"code", nFlags, bBackward, aExpected.size()), aExpected)
                    << (bBackward ? "backward" : "forward");
        }
        EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
    }
}

// The number of rows of a selection that decides its own rows, all of them and those after the
// current row along an item (the count's own condition), with and without the query's own ORDER
// BY: exactly the query's rows are counted, as the server counts them, and the SQL of the count
// never holds the query's LIMIT twice.
TEST_F(NATableServerTest, QueryDecidingItsRowsCounted) {
    KX_REQUIRE_PG_SERVER();
    standin::CStandInConnectionDescription* pclHost = nullptr;
    INADataSourceDescription* piSource = piShapesInTwoRowBlocks(&pclHost);
    ASSERT_NE(piSource, nullptr);
    const stShapedQuery aCases[] = {
        {L"SELECT code, label FROM kx_tableobj_shapes ORDER BY code LIMIT 3", 0, false, false},
        {L"SELECT code, label FROM kx_tableobj_shapes ORDER BY code DESC LIMIT 4 OFFSET 2", 1, false, false},
        {L"SELECT code, label FROM kx_tableobj_shapes ORDER BY code OFFSET 5", 0, false, false},
        {L"SELECT code, label FROM kx_tableobj_shapes WHERE code > 20 LIMIT 6", -1, true, false},
        {L"SELECT code, label FROM kx_tableobj_shapes OFFSET 7", -1, false, false},
        {L"SELECT DISTINCT code, label FROM kx_tableobj_shapes WHERE code > 20", -1, true, false},
        {L"SELECT code, label FROM kx_tableobj_shapes WHERE code > 20 GROUP BY code, label ORDER BY code", 0, true,
         true},
    };
    pgtest::CPgSession clServer;
    int nContext = 1400;
    for (const stShapedQuery& st : aCases) {
        const std::string sText = sOf(st.pszText);
        SCOPED_TRACE(sText);
        sqltest::CQueryBuilder q(st.pszText);
        Describe(q, st, piSource);
        standin::CStandInContext clContext(nContext, nContext);
        nContext++;
        pgsandbox::CStatementLog clLog;
        INATable* pi = piRunShaped(m_pclDriver, pclHost, q, &clContext, &m_apiTable);
        ASSERT_NE(pi, nullptr);
        CNADataAccess* pclAccess = static_cast<CNATable*>(pi)->_pclFindDataAccess(&clContext);
        ASSERT_NE(pclAccess, nullptr);

        int64_t llCount = -1;
        EXPECT_EQ(pclAccess->bGetNbEnr(&llCount, 16, 0, nullptr, -1), 1) << sDriverError();
        EXPECT_EQ(std::to_string(llCount), clServer.sValue("SELECT count(*) FROM (" + sText + ") s"));

        // Along the label, the rows after the first one.
        ASSERT_EQ(bRead(pi, &clContext, L"label", NA_PARSE_FIRST), 1) << stLastError(pi, &clContext).sMessage;
        const std::string sFirst = clServer.sValue("SELECT min(label) FROM (" + sText + ") s");
        llCount = -1;
        EXPECT_EQ(pclAccess->bGetNbEnr(&llCount, 16, 0, pclAccess->pclGetCurrentStatementNoRef(), NA_PARSE_NEXT), 1)
            << sDriverError();
        EXPECT_EQ(std::to_string(llCount),
                  clServer.sValue("SELECT count(*) FROM (" + sText + ") s WHERE label > '" + sFirst + "'"));
        const long nPid = m_clServerDriver.nBackendPid(pclAccess);
        pclAccess->nRelease();
        ASSERT_GT(nPid, 0);

        for (const std::string& sSent : clLog.Statements(nPid)) {
            const size_t n = sSent.find("LIMIT");
            if (sSent.find("kx_tableobj_shapes") != std::string::npos && n != std::string::npos &&
                sSent.find("LIMIT", n + 1) != std::string::npos) {
                // Only the browse's own block limit may follow the query's LIMIT, outside it.
                EXPECT_NE(sSent.find(") KX_SUBQUERY"), std::string::npos) << sSent;
                EXPECT_GT(sSent.find("LIMIT", n + 1), sSent.find(") KX_SUBQUERY")) << sSent;
            }
        }
        EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
    }
}

// A selection ordered descending: browsed along its ORDER BY item it keeps its own direction, and
// a range filter on that item, read along it both ways in blocks, keeps or leaves out each bound's
// row as the host asks. The server's result is the peer.
TEST_F(NATableServerTest, QueryOrderedDescendingAlongItsItem) {
    KX_REQUIRE_PG_SERVER();
    standin::CStandInConnectionDescription* pclHost = nullptr;
    INADataSourceDescription* piSource = piShapesInTwoRowBlocks(&pclHost);
    ASSERT_NE(piSource, nullptr);
    pgtest::CPgSession clServer;
    int nContext = 1500;
    const stShapedQuery aBrowsed[] = {
        {L"SELECT code, label FROM kx_tableobj_shapes WHERE code > 20 ORDER BY code DESC", 1, true, false},
        {L"SELECT code, label FROM kx_tableobj_shapes ORDER BY code DESC LIMIT 5", 1, false, false},
    };
    for (const stShapedQuery& st : aBrowsed) {
        const std::string sText = sOf(st.pszText);
        SCOPED_TRACE(sText);
        const std::vector<int32_t> aExpected = CodesOf(clServer, sText);
        sqltest::CQueryBuilder q(st.pszText);
        Describe(q, st, piSource);
        standin::CStandInContext clContext(nContext, nContext);
        nContext++;
        INATable* pi = piRunShaped(m_pclDriver, pclHost, q, &clContext, &m_apiTable);
        ASSERT_NE(pi, nullptr);
        for (bool bBackward : {false, true})
            EXPECT_EQ(ReadAll(pi, &clContext, L"code", 0, bBackward, aExpected.size()), aExpected)
                << (bBackward ? "backward" : "forward");
        EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
    }

    struct stRange {
        int bMinIncluded;
        int bMaxIncluded;
        const char* pszPeer;  // the same range as the server reads it
    };
    const stRange aRanges[] = {
        {1, 1, "code >= 50 AND code <= 90"},
        {0, 1, "code > 50 AND code <= 90"},
        {1, 0, "code >= 50 AND code < 90"},
        {0, 0, "code > 50 AND code < 90"},
    };
    const stShapedQuery st = {L"SELECT code, label FROM kx_tableobj_shapes ORDER BY code DESC", 1, false, false};
    for (const stRange& r : aRanges) {
        SCOPED_TRACE(r.pszPeer);
        const std::vector<int32_t> aExpected = CodesOf(
            clServer, std::string("SELECT code FROM kx_tableobj_shapes WHERE ") + r.pszPeer + " ORDER BY code DESC");
        ASSERT_FALSE(aExpected.empty());
        sqltest::CQueryBuilder q(st.pszText);
        Describe(q, st, piSource);
        standin::CStandInContext clContext(nContext, nContext);
        nContext++;
        INATable* pi = piRunShaped(m_pclDriver, pclHost, q, &clContext, &m_apiTable);
        ASSERT_NE(pi, nullptr);
        CAny clMin, clMax;
        clMin.SetI4(50);
        clMax.SetI4(90);
        ASSERT_EQ(static_cast<CNATable*>(pi)->bHFiltre(&clContext, L"code", &clMin, r.bMinIncluded, &clMax,
                                                        r.bMaxIncluded, nullptr),
                  1)
            << stLastError(pi, &clContext).sMessage;
        for (bool bBackward : {false, true})
            EXPECT_EQ(ReadAll(pi, &clContext, L"code", 0, bBackward, aExpected.size()), aExpected)
                << (bBackward ? "backward" : "forward");
        EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
    }
}

// A selection whose LIMIT (or OFFSET) has no ORDER BY to follow, read in its own order: the
// browse's ORDER BY goes before the clause, which is put back at the end of the text (only the
// block limit follows it), and the rows are those of the query completed by that order.
TEST_F(NATableServerTest, QueryLimitWithoutOrderByReadInItsOwnOrder) {
    KX_REQUIRE_PG_SERVER();
    standin::CStandInConnectionDescription* pclHost = nullptr;
    INADataSourceDescription* piSource = piShapesInTwoRowBlocks(&pclHost);
    ASSERT_NE(piSource, nullptr);
    struct stCase {
        stShapedQuery stQuery;
        const char* pszPeer;    // the query ordered by its key
        const char* pszClause;  // the clause as it ends the statements sent
    };
    const stCase aCases[] = {
        {{L"SELECT code, label FROM kx_tableobj_shapes WHERE code > 20 LIMIT 4", -1, true, false},
         "SELECT code FROM kx_tableobj_shapes WHERE code > 20 ORDER BY code LIMIT 4", " LIMIT 4"},
        {{L"SELECT code, label FROM kx_tableobj_shapes WHERE code > 20 OFFSET 6", -1, true, false},
         "SELECT code FROM kx_tableobj_shapes WHERE code > 20 ORDER BY code OFFSET 6", " OFFSET 6"},
    };
    pgtest::CPgSession clServer;
    int nContext = 1600;
    for (const stCase& st : aCases) {
        const std::string sText = sOf(st.stQuery.pszText);
        SCOPED_TRACE(sText);
        const std::vector<int32_t> aExpected = CodesOf(clServer, st.pszPeer);
        sqltest::CQueryBuilder q(st.stQuery.pszText);
        Describe(q, st.stQuery, piSource);
        standin::CStandInContext clContext(nContext, nContext);
        nContext++;
        pgsandbox::CStatementLog clLog;
        INATable* pi = piRunShaped(m_pclDriver, pclHost, q, &clContext, &m_apiTable);
        ASSERT_NE(pi, nullptr);
        EXPECT_EQ(ReadAll(pi, &clContext, L"code", NA_WPF_QUERY_ORDER, false, aExpected.size()), aExpected);
        const long nPid = nSessionPid(pi, &clContext);
        ASSERT_GT(nPid, 0);
        int nOrdered = 0;
        for (const std::string& sSent : clLog.Statements(nPid)) {
            const size_t nClause = sSent.rfind(st.pszClause);
            if (sSent.find("kx_tableobj_shapes") == std::string::npos || nClause == std::string::npos ||
                sSent.find("KX_SUBQUERY") != std::string::npos)
                continue;
            // Only the browse's block limit may follow.
            const std::string sRest = sSent.substr(nClause + strlen(st.pszClause));
            EXPECT_TRUE(sRest.empty() || sRest.rfind(" LIMIT ", 0) == 0) << sSent;
            EXPECT_LT(sSent.find(" ORDER BY "), nClause) << sSent;
            nOrdered++;
        }
        EXPECT_GE(nOrdered, 1);
        EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
    }
}

// A selection of the host over two aliased tables: the server knows the tables only by their
// aliases there, so every column the driver writes around the query (the ORDER BY of a browse by
// another item) is qualified by its alias. The host's copy of the result's description can be
// browsed by any item, while the access keeps its own.
TEST_F(NATableServerTest, QueryOfTheHostOverAliasedTables) {
    KX_REQUIRE_PG_SERVER();
    INADataSourceDescription* piOther = m_pclDriver->piGetTableDesc(L"kx_tableobj_other", m_pclHost);
    INADataSourceDescription* piRows = m_pclDriver->piGetTableDesc(L"kx_tableobj_rows", m_pclHost);
    ASSERT_NE(piOther, nullptr);
    ASSERT_NE(piRows, nullptr);
    m_apiDescription.push_back(piOther);
    m_apiDescription.push_back(piRows);
    // Browsed by its ORDER BY item, and by an item of the other table the execution names.
    for (const wchar_t* pszBrowse : {L"", L"name"}) {
        SCOPED_TRACE(sOf(pszBrowse));
        sqltest::CQueryBuilder q(
            L"SELECT zo.code, zo.label, zr.name FROM kx_tableobj_other AS zo JOIN kx_tableobj_rows zr ON zr.id = "
            L"zo.code ORDER BY zo.code");
        q.From(L"kx_tableobj_other", 0, L"zo", 2);
        q.From(L"kx_tableobj_rows", 0, L"zr", 1);
        struct stOut {
            const wchar_t* pszPiece;
            const wchar_t* pszName;
            const wchar_t* pszAlias;
            const wchar_t* pszTable;
            INADataSourceDescription* piSource;
        } astOut[] = {{L"zo.code", L"code", L"zo", L"kx_tableobj_other", piOther},
                      {L"zo.label", L"label", L"zo", L"kx_tableobj_other", piOther},
                      {L"zr.name", L"name", L"zr", L"kx_tableobj_rows", piRows}};
        for (int i = 0; i < 3; i++) {
            standin::CStandInRubrique* pclOut = q->pclOut(astOut[i].pszName, q.At(astOut[i].pszPiece));
            pclOut->m_sTable = astOut[i].pszAlias;
            pclOut->m_sFileSource = pclOut->m_sTableSource = astOut[i].pszTable;
            INAItemDescription* piItem = astOut[i].piSource->piNAGetItem(astOut[i].pszName);
            ASSERT_NE(piItem, nullptr);
            q->SetOutDescription(i, piItem);
            piItem->nExternalRelease();
        }
        q.OrderBy({{L"zo.code", 0}});
        q->SetSource(L"kx_tableobj_other", piOther);
        q->SetSource(L"kx_tableobj_rows", piRows);
        standin::CStandInQueryExecution clExecution(pszBrowse, 0);
        standin::CStandInContext clContext(801, 8);
        INATable* pi = nullptr;
        ASSERT_EQ(m_pclDriver->bHExecuteRequeteSQLEx(&pi, &clContext, L"QJOIN", m_pclHost, &q.rGet(), 0,
                                                     pszBrowse[0] != 0 ? &clExecution : nullptr),
                  1)
            << sDriverError();
        ASSERT_NE(pi, nullptr);
        m_apiTable.push_back(pi);

        // Each column names its table as the server knows it in this query (quoted as PostgreSQL
        // names are).
        CNADataAccess* pclAccess = static_cast<CNATable*>(pi)->_pclFindDataAccess(&clContext);
        ASSERT_NE(pclAccess, nullptr);
        CNARecord* pclRecord = pclAccess->pclGetCurrentRecordNoRef();
        ASSERT_NE(pclRecord, nullptr);
        for (const stOut& st : astOut) {
            CNAColumn* pclColumn = pclRecord->pclGetColumnNoRef(st.pszName);
            ASSERT_NE(pclColumn, nullptr) << sOf(st.pszName);
            EXPECT_EQ(sOf(pclColumn->pszGetAliasNomTable()), sOf(st.pszAlias));
            EXPECT_EQ(sOf(pclColumn->pszGetFormatedAliasNomTable()), "\"" + sOf(st.pszAlias) + "\"");
        }

        // The host's description is a copy whose plain items are keys with duplicates; the keys of
        // the tables stay what they were, in both.
        INADataSourceDescription* piHost = Call<INADataSourceDescription*>(pi, E_PIGETDATASOURCEDESCRIPTION);
        ASSERT_NE(piHost, nullptr);
        INADataSourceDescription* piOwn = pclAccess->piGetDataSourceDescriptionNoRef();
        EXPECT_NE(piHost, piOwn);
        INADataSourceDescription* piAgain = pclAccess->piGetDataSourceDescriptionForYF();
        EXPECT_EQ(piAgain, piHost);
        if (piAgain != nullptr) piAgain->nExternalRelease();
        EXPECT_EQ(piHost->nGetNumItems(), 3u);
        for (const stOut& st : astOut) {
            SCOPED_TRACE(sOf(st.pszName));
            INAItemDescription* piItem = piHost->piNAGetItem(st.pszName);
            INAItemDescription* piOwnItem = piOwn->piNAGetItem(st.pszName);
            ASSERT_NE(piItem, nullptr);
            ASSERT_NE(piOwnItem, nullptr);
            EXPECT_NE(piItem->bIsKey(), 0);
            EXPECT_EQ(piOwnItem->bIsKey(), st.pszName == std::wstring(L"code") ? 1 : 0);
            EXPECT_NE(piItem->bDuplicates(), 0);
            piItem->nExternalRelease();
            piOwnItem->nExternalRelease();
        }
        piHost->nExternalRelease();
        pclAccess->nRelease();

        // Read at once, then browsed to the end and back: names ascend with the codes.
        const wchar_t* pszItem = pszBrowse[0] != 0 ? pszBrowse : L"code";
        EXPECT_EQ(nValue(pi, &clContext, L"code"), 10);
        for (int nCode : {20, 30}) {
            ASSERT_EQ(bRead(pi, &clContext, pszItem, NA_PARSE_NEXT), 1) << stLastError(pi, &clContext).sMessage;
            EXPECT_EQ(nValue(pi, &clContext, L"code"), nCode);
        }
        ASSERT_EQ(bRead(pi, &clContext, pszItem, NA_PARSE_NEXT), 1);
        EXPECT_EQ(bOut(pi, &clContext, pszItem), 1);
        ASSERT_EQ(bRead(pi, &clContext, pszItem, NA_PARSE_LAST), 1) << stLastError(pi, &clContext).sMessage;
        EXPECT_EQ(nValue(pi, &clContext, L"code"), 30);
        ASSERT_EQ(bRead(pi, &clContext, pszItem, NA_PARSE_PREVIOUS), 1) << stLastError(pi, &clContext).sMessage;
        EXPECT_EQ(nValue(pi, &clContext, L"code"), 20);
        EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
        EXPECT_TRUE(q->bAllReleased());
    }
}

// Queries that fail: an unprepared one takes its access with it and leaves its error in the table's
// object; one the host prepared keeps its access.
TEST_F(NATableServerTest, FailedQueries) {
    KX_REQUIRE_PG_SERVER();
    INATable* pi = piTable(TABLE_ROWS);
    ASSERT_NE(pi, nullptr);
    INAError* piTableError = m_pclDriver->piGetLastError();
    standin::CStandInContext clContext(601, 6);
    int bHasResult = 7;
    EXPECT_EQ(
        Call<int>(pi, E_BEXECUTEQUERY, &bHasResult, static_cast<INAContext*>(&clContext),
                  static_cast<const wchar_t*>(L"SELECT * FROM kx_tableobj_nosuch"),
                  static_cast<ISQLParserInformation*>(nullptr), 0u, static_cast<const INAQueryExecution*>(nullptr)),
        0);
    EXPECT_EQ(bHasResult, 0);
    EXPECT_EQ(stOf(piTableError).nCode, 80u);
    EXPECT_NE(stOf(piTableError).sMessage.find("42P01"), std::string::npos) << stOf(piTableError).sMessage;
    EXPECT_EQ(bRead(pi, &clContext, L"", NA_PARSE_FIRST), 0);
    EXPECT_EQ(stLastError(pi, &clContext).nCode, 19u);

    // Prepared by the host beforehand: the failed execution keeps the access.
    standin::CStandInQueryParameters clParameters;
    clParameters.m_bPrepared = 1;
    auto* pclTable = static_cast<CNATable*>(pi);
    pclTable->SetQueryBindVariable(&clParameters);
    standin::CStandInParsedQuery clQuery(L"SELECT nosuch FROM kx_tableobj_rows");
    clQuery.m_nKind = 0;
    EXPECT_EQ(Call<int>(pi, E_BEXECUTEQUERY, &bHasResult, static_cast<INAContext*>(&clContext),
                        static_cast<const wchar_t*>(L"QPREPARED"), static_cast<ISQLParserInformation*>(&clQuery),
                        static_cast<unsigned>(CNADataAccess::QUERYFLAG_AS_WRITTEN),
                        static_cast<const INAQueryExecution*>(nullptr)),
              0);
    EXPECT_EQ(stOf(piTableError).nCode, 80u);
    // Still the context's access: closing it drops the host's parameter values too.
    EXPECT_EQ(bIsOpened(pi, &clContext), 0);
    EXPECT_NE(Call<INAError*>(pi, E_PIGETLASTERROR, &clContext), piTableError);
    EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
    EXPECT_EQ(pclTable->piGetQueryBindVariableNoRef(), nullptr);
    EXPECT_EQ(clParameters.nGetRefs(), 0);
    EXPECT_TRUE(clQuery.bAllReleased());
}

// The driver's internal queries: the text reaches the server unchanged; a result is handed out as
// the statement that browses it, a command without one hands out none.
TEST_F(NATableServerTest, InternalQuery) {
    KX_REQUIRE_PG_SERVER();
    CNAConnectionDescription* pclCnx = m_pclDriver->_pclGetConnection(m_pclHost);
    ASSERT_NE(pclCnx, nullptr);
    CNAError* pclError = new CNAError;
    pclError->AddRef();
    CNADataAccess* pclAccess = m_pclDriver->pclAllocDataAccess(nullptr, pclCnx, pclError);
    ASSERT_NE(pclAccess, nullptr);
    pclAccess->AddRef();

    pgsandbox::CStatementLog clLog;
    const wchar_t* pszText = L"SELECT max(id)  AS top, count(*) AS n FROM kx_tableobj_rows";
    CNAStatement* pclStatement = nullptr;
    ASSERT_EQ(pclAccess->bExecuteQueryInternal(&pclStatement, L"INTERNAL", pszText), 1) << sOf(pclError->pszGetError());
    ASSERT_NE(pclStatement, nullptr);
    EXPECT_EQ(pclAccess->nGetQueryFlags(), 132u);
    EXPECT_EQ(pclAccess->bRequeteSansCorrection(), 1);
    ASSERT_EQ(pclStatement->bFetch(NA_PARSE_FIRST, 1, 1), 1) << sOf(pclError->pszGetError());
    CAny clTop, clCount;
    ASSERT_EQ(pclStatement->bGetSQLColumnValue(&clTop, 0u), 1);
    ASSERT_EQ(pclStatement->bGetSQLColumnValue(&clCount, 1u), 1);
    EXPECT_EQ(llOf(&clTop), 250);
    EXPECT_EQ(llOf(&clCount), 250);
    pclStatement->nRelease();
    bool bSent = false;
    for (const std::string& s : clLog.Statements())
        if (s == "SELECT max(id)  AS top, count(*) AS n FROM kx_tableobj_rows") bSent = true;
    EXPECT_TRUE(bSent);

    CNAStatement* pclNone = reinterpret_cast<CNAStatement*>(1);
    EXPECT_EQ(
        pclAccess->bExecuteQueryInternal(&pclNone, L"INTERNAL", L"UPDATE kx_tableobj_rows SET id = id WHERE 1 = 0"), 1)
        << sOf(pclError->pszGetError());
    EXPECT_EQ(pclNone, nullptr);

    CNAStatement* pclFailed = reinterpret_cast<CNAStatement*>(1);
    EXPECT_EQ(pclAccess->bExecuteQueryInternal(&pclFailed, L"INTERNAL", L"SELECT * FROM kx_tableobj_nosuch"), 0);
    EXPECT_EQ(pclFailed, nullptr);
    EXPECT_EQ(pclError->dwGetErrorId(), 80u);

    pclAccess->nRelease();
    pclError->nRelease();
    m_pclDriver->nReleaseConnection(pclCnx);
}

// A single value asked of the server through the access's own statement: the first column of the
// first row, or the server's error; the statement keeps nothing of the command afterwards.
TEST_F(NATableServerTest, RequestedValue) {
    KX_REQUIRE_PG_SERVER();
    CNAConnectionDescription* pclCnx = m_pclDriver->_pclGetConnection(m_pclHost);
    ASSERT_NE(pclCnx, nullptr);
    ASSERT_EQ(pclCnx->bOpen(nullptr), 1);
    CNAError* pclError = new CNAError;
    pclError->AddRef();
    CNADataAccess* pclAccess = m_pclDriver->pclAllocDataAccess(nullptr, pclCnx, pclError);
    ASSERT_NE(pclAccess, nullptr);
    pclAccess->AddRef();
    pgtest::CPgSession clServer;

    struct stCase {
        const wchar_t* pszText;
        int bResult;
        unsigned nError;
    } astCases[] = {
        {L"SELECT max(id), min(id) FROM kx_tableobj_rows", 1, 0},
        {L"SELECT count(*) FROM kx_tableobj_other WHERE code > 15", 1, 0},
        {L"SELECT label FROM kx_tableobj_other ORDER BY code DESC", 1, 0},
        {L"SELECT * FROM kx_tableobj_nosuch", 0, 80},
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(sOf(st.pszText));
        pclError->Reset();
        CNACommand* pclCommand = pclAccess->pclAllocCommand();
        ASSERT_NE(pclCommand, nullptr);
        ASSERT_EQ(pclCommand->bSetInternalQuery(st.pszText), 1);
        CAny clValue;
        EXPECT_EQ(pclAccess->_bGetRequestedValue(&clValue, pclCommand), st.bResult) << sOf(pclError->pszGetError());
        EXPECT_EQ(pclError->dwGetErrorId(), st.nError);
        if (st.bResult) {
            const std::wstring ws(st.pszText);
            const std::string sExpected = clServer.sValue(std::string(ws.begin(), ws.end()));
            ASSERT_FALSE(clValue.bIsNull());
            CXYString<wchar_t> clText;
            clValue.__nFillString(clText, nullptr);
            EXPECT_EQ(sOf(clText.pszGet()), sExpected);
        }
        CNAStatement* pclStatement = pclAccess->_pclGetQueryStatement();
        ASSERT_NE(pclStatement, nullptr);
        EXPECT_EQ(pclStatement->pclGetCommandNoRef(), nullptr);
        pclStatement->nRelease();
        pclCommand->nRelease();
    }

    pclAccess->nRelease();
    pclError->nRelease();
    m_pclDriver->nReleaseConnection(pclCnx);
}

}  // namespace

namespace {

// What a variant holds, as the host reads it: its type word, then its useful bytes.
std::vector<unsigned char> abyOf(const CAny& cl) {
    std::vector<unsigned char> aby;
    const uint16_t w = cl.nGetType();
    aby.push_back(static_cast<unsigned char>(w));
    aby.push_back(static_cast<unsigned char>(w >> 8));
    unsigned long n = 0;
    if (!cl.bIsNull() && cl.pclGetValeur()->nGetUtilDataSize(&n) == VQERR_OK && n > 0) {
        std::vector<unsigned char> abyData(n + 8);
        cl.pclGetValeur()->nFillUtilDataBuffer(abyData.data());
        aby.insert(aby.end(), abyData.begin(), abyData.begin() + static_cast<long>(n));
    }
    return aby;
}

}  // namespace

// The memos of each row read through the table as the host reads them: NULL, empty, non-ASCII,
// longer than a block, bytes with zeros; the text and the bytes are the server's. A change the host
// makes to the variant it got (same length, to tempt a write in place, or another text) changes
// neither a second read nor a read into the changed variant itself.
TEST_F(NATableServerTest, MemosReadThroughTheTable) {
    KX_REQUIRE_PG_SERVER();
    INATable* pi = piTable(TABLE_MEMOS);
    ASSERT_NE(pi, nullptr);
    INADataSourceDescription* piDescription = Call<INADataSourceDescription*>(pi, E_PIGETDATASOURCEDESCRIPTION);
    ASSERT_NE(piDescription, nullptr);
    int nMemoT = -1;
    int nMemoB = -1;
    for (unsigned m = 0; m < piDescription->nGetNumMemos(); m++) {
        INAItemDescription* piMemo = piDescription->piNAGetMemo(m);
        ASSERT_NE(piMemo, nullptr);
        if (sOf(piMemo->pszGetName()) == "t") nMemoT = static_cast<int>(m);
        if (sOf(piMemo->pszGetName()) == "b") nMemoB = static_cast<int>(m);
        piMemo->nExternalRelease();
    }
    piDescription->nExternalRelease();
    ASSERT_GE(nMemoT, 0);
    ASSERT_GE(nMemoB, 0);

    standin::CStandInContext clContext(131, 1);
    ASSERT_EQ(bOpen(pi, &clContext), 1) << stLastError(pi, &clContext).sMessage;
    auto bGetBLOB = [&](int nMemo, CAny* pcl) {
        return Call<int>(pi, E_BGETBLOB, &clContext, static_cast<unsigned>(nMemo), pcl);
    };

    struct Expected {
        bool bTextNull;
        std::wstring wsText;
        bool bBytesNull;
        std::vector<unsigned char> abyBytes;
    };
    std::vector<unsigned char> abyLong;
    for (int i = 0; i < 40000; i++) {
        abyLong.push_back(0x00);
        abyLong.push_back(0xFF);
    }
    const std::vector<Expected> aExpected = {
        {true, L"", true, {}},
        {false, L"", false, {}},
        {false, L"\u00E9t\u00E9 \u4E2D \U0001F600", false, {0x00, 0xFF, 0x00, 0x01}},
        {false, std::wstring(70000, L'x') + L"\u00E9", false, abyLong},
    };
    for (size_t nRow = 0; nRow < aExpected.size(); nRow++) {
        SCOPED_TRACE(::testing::Message() << "row " << nRow + 1);
        ASSERT_EQ(bRead(pi, &clContext, L"id", nRow == 0 ? NA_PARSE_FIRST : NA_PARSE_NEXT), 1);
        ASSERT_EQ(nValue(pi, &clContext, L"id"), static_cast<int32_t>(nRow + 1));
        const Expected& st = aExpected[nRow];

        CAny clText;
        ASSERT_EQ(bGetBLOB(nMemoT, &clText), 1) << stLastError(pi, &clContext).sMessage;
        EXPECT_EQ(clText.bIsNull(), st.bTextNull);
        if (!st.bTextNull) {
            EXPECT_EQ(clText.nGetTypeCode(), VQTYPE_DSTRW);
            EXPECT_EQ(sTexteW(clText), st.wsText);
        }
        CAny clBytes;
        ASSERT_EQ(bGetBLOB(nMemoB, &clBytes), 1) << stLastError(pi, &clContext).sMessage;
        EXPECT_EQ(clBytes.bIsNull(), st.bBytesNull);
        if (!st.bBytesNull) {
            const std::vector<unsigned char> aby = abyOf(clBytes);
            EXPECT_EQ(std::vector<unsigned char>(aby.begin() + 2, aby.end()), st.abyBytes);
        }
        const std::vector<unsigned char> abyText = abyOf(clText);
        const std::vector<unsigned char> abyBytes = abyOf(clBytes);

        // The host changes what it got: a text of the same length, then another one; the bytes
        // turned into a text.
        if (!st.wsText.empty()) {
            const std::wstring wsSame(st.wsText.size(), L'Z');
            clText.pclGetValeur()->SetValue(wsSame.c_str(), wsSame.size() * sizeof(wchar_t));
            EXPECT_EQ(sTexteW(clText), wsSame);
        }
        CAny clOther;
        SetDSTRW(&clOther, L"another text");
        clBytes = clOther;

        CAny clAgain;
        ASSERT_EQ(bGetBLOB(nMemoT, &clAgain), 1);
        EXPECT_EQ(abyOf(clAgain), abyText);
        ASSERT_EQ(bGetBLOB(nMemoT, &clText), 1);
        EXPECT_EQ(abyOf(clText), abyText);
        SetDSTRW(&clText, L"changed");
        EXPECT_EQ(abyOf(clAgain), abyText);
        CAny clBytesAgain;
        ASSERT_EQ(bGetBLOB(nMemoB, &clBytesAgain), 1);
        EXPECT_EQ(abyOf(clBytesAgain), abyBytes);
        ASSERT_EQ(bGetBLOB(nMemoB, &clBytes), 1);
        EXPECT_EQ(abyOf(clBytes), abyBytes);
    }
    EXPECT_EQ(Call<int>(pi, E_BHFERME, &clContext), 1);
    // Without an access, no memo: user error 19 on the table.
    CAny clNone;
    EXPECT_EQ(bGetBLOB(nMemoT, &clNone), 0);
    EXPECT_EQ(stLastError(pi, &clContext).nCode, 19u);
}
