// The driver object's operations on connections, tables, queries and contexts, called through the
// driver's virtual table by slot number as the host calls them: opening and closing connections
// with their references, the table objects handed out, table tests, queries and where their
// tables go, data sources, contexts, lock modes, deletion; and that every entry holds the driver's
// lock while it works, also when an exception passes.
#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

#include "native/driver/NADriver.h"
#include "native/driver/NAExports.h"
#include "tests/driver/DriverTestSupport.h"
#include "tests/driver/HostCall.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInContext.h"
#include "tests/host/StandInDataSourceDescription.h"
#include "tests/host/TestSupport.h"

namespace {

using drivertest::CTestDriver;
using standin::CStandInConnectionDescription;
using standin::CStandInContext;
using standin::CStandInDataSourceDescription;

// Slots of INADriver.
enum : int {
    SLOT_GETINTERFACE = 9,
    SLOT_OPENCONNECTION = 10,
    SLOT_CLOSECONNECTION = 11,
    SLOT_HMODE = 14,
    SLOT_GETTABLE = 15,
    SLOT_GETTABLELIST = 16,
    SLOT_GETTABLEDESC = 17,
    SLOT_EXECUTEREQUETESQL = 18,
    SLOT_CLOSECONTEXT = 19,
    SLOT_SQLBLOQUETABLE = 23,
    SLOT_SQLBLOQUEREQUETE = 24,
    SLOT_CONNEXIONDIAGNOSE = 26,
    SLOT_TABLEEXISTS = 28,
    SLOT_GETLINKLIST = 29,
    SLOT_SETNEXTLOGICALNAME = 34,
    SLOT_EXECUTEREQUETESQLEX = 35,
    SLOT_FREEDATASOURCE = 36,
    SLOT_SUPPRIMEFICHIER = 39,
    SLOT_GETDATABASELIST = 40,
};

constexpr unsigned QUERY_KEEP_TABLE = 0x10;
void* const g_hModule = reinterpret_cast<void*>(0x1000);

class NADriverOperationsTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        // Started, so that the driver's lock exists and the entries really take it.
        ASSERT_EQ(bInitLibrary(g_hModule), 1);
        m_pclDriver = CTestDriver::pclNew(&m_stScript);
        m_p = static_cast<INADriver*>(m_pclDriver);
        m_clHost.m_sConnectionName = L"CNX1";
        m_clHost.m_sDataBase = L"localhost";
    }
    void TearDown() override {
        if (m_pclDriver != nullptr) {
            EXPECT_EQ(m_pclDriver->nExternalRelease(), 0);
        }
        EXPECT_EQ(m_stScript.nLiveConnections, 0);
        EXPECT_EQ(m_stScript.nLiveAccesses, 0);
        EXPECT_EQ(m_stScript.nLiveDescriptions, 0);
        EXPECT_EQ(m_clHost.nGetExternalRefs(), 0);
        TermLibrary();
    }

    CNAError* pclError() const { return m_pclDriver->pclGetError(); }
    CNAConnectionDescription* pclRegistered(INAConnectionDescription* piHost) {
        return drivertest::pclRegisteredConnection(m_pclDriver, piHost);
    }
    INATable* piQuery(CStandInContext* pclContext, const wchar_t* pszName, unsigned nFlags, int* pbResult) {
        INATable* piTable = reinterpret_cast<INATable*>(0x1);
        *pbResult = HostCall<int>(m_p, SLOT_EXECUTEREQUETESQL, &piTable, static_cast<INAContext*>(pclContext), pszName,
                                  static_cast<INAConnectionDescription*>(&m_clHost),
                                  static_cast<ISQLParserInformation*>(nullptr), nFlags);
        return piTable;
    }

    drivertest::stScript m_stScript;
    CTestDriver* m_pclDriver = nullptr;
    const void* m_p = nullptr;
    CStandInConnectionDescription m_clHost;
};

TEST_F(NADriverOperationsTest, OpenAndCloseConnections) {
    INAConnectionDescription* piHost = &m_clHost;
    struct Step {
        int nSlot;
        int nResult;
        unsigned nInRegistry;
        unsigned nCount;  // the registered description's count (0: none registered)
        unsigned nOpenReferences;
        long nCloses;
        long nMade;  // descriptions made so far
    } steps[] = {
        // Never opened: nothing to close, and nothing is made for it.
        {SLOT_CLOSECONNECTION, 1, 0, 0, 0, 0, 0},
        {SLOT_OPENCONNECTION, 1, 1, 2, 1, 0, 1},
        {SLOT_OPENCONNECTION, 1, 1, 3, 2, 0, 1},
        {SLOT_CLOSECONNECTION, 1, 1, 2, 1, 0, 1},
        // The last open's reference goes: closed, out of the registry, deleted.
        {SLOT_CLOSECONNECTION, 1, 0, 0, 0, 1, 1},
        {SLOT_CLOSECONNECTION, 1, 0, 0, 0, 1, 1},
    };
    int nStep = 0;
    for (const Step& s : steps) {
        SCOPED_TRACE(nStep++);
        EXPECT_EQ(HostCall<int>(m_p, s.nSlot, piHost), s.nResult);
        EXPECT_EQ(m_pclDriver->nGetConnectionCount(), s.nInRegistry);
        CNAConnectionDescription* pclCnx = pclRegistered(piHost);
        EXPECT_EQ(pclCnx != nullptr ? pclCnx->nGetRef() : 0u, s.nCount);
        if (pclCnx != nullptr) {
            EXPECT_EQ(m_pclDriver->nGetOpenReferences(pclCnx), s.nOpenReferences);
            EXPECT_TRUE(pclCnx->bIsOpen());
        }
        EXPECT_EQ(m_stScript.nCloses, s.nCloses);
        EXPECT_EQ(m_stScript.nConnectionsMade, s.nMade);
    }
}

TEST_F(NADriverOperationsTest, FailedOpenLeavesTheRegistryAndTheNextOpenStartsAfresh) {
    m_stScript.bOpenResult = 0;
    EXPECT_EQ(HostCall<int>(m_p, SLOT_OPENCONNECTION, static_cast<INAConnectionDescription*>(&m_clHost)), 0);
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
    EXPECT_EQ(m_stScript.nLiveConnections, 0);
    EXPECT_EQ(pclError()->dwGetErrorId(), 34u);
    EXPECT_EQ(pclError()->eGetErrorLevel(), NA_ERRORLEVEL_WARNING);

    m_stScript.bOpenResult = 1;
    EXPECT_EQ(HostCall<int>(m_p, SLOT_OPENCONNECTION, static_cast<INAConnectionDescription*>(&m_clHost)), 1);
    EXPECT_EQ(m_stScript.nConnectionsMade, 2);
    EXPECT_EQ(pclError()->eGetErrorType(), NA_ERRORTYPE_NONE);
    EXPECT_EQ(HostCall<int>(m_p, SLOT_CLOSECONNECTION, static_cast<INAConnectionDescription*>(&m_clHost)), 1);
}

// A close of a connection that no open holds (a table uses it) gives back nothing: the
// registry's reference is not the close's to drop, and the table goes on using the connection.
TEST_F(NADriverOperationsTest, CloseDropsOnlyWhatAnOpenTook) {
    CStandInDataSourceDescription clOrders(L"Orders", L"ORDERS");
    INATable* piTable =
        HostCall<INATable*>(m_p, SLOT_GETTABLE, static_cast<INAConnectionDescription*>(&m_clHost), clOrders.piGet());
    ASSERT_NE(piTable, nullptr);
    CNAConnectionDescription* pclCnx = pclRegistered(&m_clHost);
    ASSERT_NE(pclCnx, nullptr);
    EXPECT_EQ(pclCnx->nGetRef(), 2u);  // the registry's and the table's

    EXPECT_EQ(HostCall<int>(m_p, SLOT_CLOSECONNECTION, static_cast<INAConnectionDescription*>(&m_clHost)), 1);
    EXPECT_EQ(pclRegistered(&m_clHost), pclCnx);
    EXPECT_EQ(pclCnx->nGetRef(), 2u);
    EXPECT_EQ(m_stScript.nLiveConnections, 1);

    // The table's last release gives the connection back; auto-close takes it out.
    EXPECT_EQ(piTable->nExternalRelease(), 0);
    EXPECT_EQ(m_pclDriver->nGetTableCount(), 0u);
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
}

TEST_F(NADriverOperationsTest, TablesHandedToTheHost) {
    CStandInDataSourceDescription clOrders(L"Orders", L"ORDERS"), clLines(L"Lines", L"LINES");
    CStandInConnectionDescription clOther = m_clHost;
    clOther.m_sConnectionName = L"CNX2";
    auto piGet = [&](CStandInConnectionDescription& clHost, CStandInDataSourceDescription& clDesc) {
        return HostCall<INATable*>(m_p, SLOT_GETTABLE, static_cast<INAConnectionDescription*>(&clHost), clDesc.piGet());
    };
    INATable* pi1 = piGet(m_clHost, clOrders);
    INATable* pi2 = piGet(m_clHost, clOrders);
    INATable* pi3 = piGet(m_clHost, clLines);
    INATable* pi4 = piGet(clOther, clOrders);
    ASSERT_NE(pi1, nullptr);
    EXPECT_EQ(pi2, pi1);
    EXPECT_NE(pi3, pi1);
    EXPECT_NE(pi4, pi1);
    auto* pclTable = static_cast<CNATable*>(pi1);
    EXPECT_EQ(pclTable->nGetExternalRef(), 2u);
    EXPECT_EQ(pclTable->nGetRef(), 1u);  // the registry's
    EXPECT_EQ(m_pclDriver->nGetTableCount(), 3u);
    // The host calls its references through the table's slots 7 and 8.
    EXPECT_EQ(HostCall<int>(pi1, 8), 1);
    EXPECT_EQ(HostCall<int>(pi1, 8), 0);
    EXPECT_EQ(HostCall<int>(pi3, 8), 0);
    EXPECT_EQ(HostCall<int>(pi4, 8), 0);
    EXPECT_EQ(m_pclDriver->nGetTableCount(), 0u);
    EXPECT_EQ(clOrders.nGetExternalRefs(), 0);
    EXPECT_EQ(clOther.nGetExternalRefs(), 0);

    // No table to be had: nothing is handed out, and the reason is there.
    m_stScript.bRefuseTable = true;
    EXPECT_EQ(piGet(m_clHost, clOrders), nullptr);
    EXPECT_EQ(pclError()->dwGetErrorId(), 12u);
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
}

TEST_F(NADriverOperationsTest, TableTestsAndDescriptions) {
    struct Case {
        const char* pszWhat;
        int bOpens;
        unsigned nDescriptionError;  // the user error the description fails with
        int nResult;
        int nExists;  // -1: left as it was
        unsigned nErrorId;
    } cases[] = {
        {"missing table", 1, 30, 1, 0, 30},
        {"other failure", 1, 34, 0, 0, 34},
        {"server out of reach", 0, 30, 0, -1, 34},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        m_stScript.bOpenResult = c.bOpens;
        m_stScript.nTableDescError = c.nDescriptionError;
        long nCloses = m_stScript.nCloses;
        int nExists = -1;
        EXPECT_EQ(
            HostCall<int>(m_p, SLOT_TABLEEXISTS, &nExists, L"T1", static_cast<INAConnectionDescription*>(&m_clHost)),
            c.nResult);
        EXPECT_EQ(nExists, c.nExists);
        EXPECT_EQ(pclError()->dwGetErrorId(), c.nErrorId);
        // Made for the test and not opened by the host: closed and gone once it has answered.
        EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
        EXPECT_EQ(m_stScript.nLiveConnections, 0);
        EXPECT_EQ(m_stScript.nCloses, nCloses + c.bOpens);

        EXPECT_EQ(HostCall<INADataSourceDescription*>(m_p, SLOT_GETTABLEDESC, L"T1",
                                                      static_cast<INAConnectionDescription*>(&m_clHost)),
                  nullptr);
        EXPECT_EQ(pclError()->dwGetErrorId(), c.nErrorId);
        EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
    }
}

// Table descriptions as the driver reads them: the description made by the driver's factory reads
// the catalogue; the host gets it with its own reference, and the connection made for the request
// lives as long as the description holds it. Table tests describe the table and let it go.
TEST_F(NADriverOperationsTest, TableDescriptionsThroughTheDescriptionsImport) {
    using C = drivertest::stScript;
    m_stScript.tabTables = {L"ORDERS"};
    struct Case {
        const char* pszWhat;
        C::eCATALOGUE eCatalogue;
        const wchar_t* pszTable;
        bool bDescribed;
        unsigned nErrorId;
        eNA_ERRORTYPE eErrorType;
        int nExistsResult, nExists;
    } cases[] = {
        // The base description has no catalogue queries: the failure says so.
        {"no catalogue", C::CATALOGUE_BASE, L"ORDERS", false, 8, NA_ERRORTYPE_NOTAVAILABLE, 0, 0},
        // Catalogue queries need the SQL layer, which cannot run them yet.
        {"catalogue queries", C::CATALOGUE_QUERIES, L"ORDERS", false, 8, NA_ERRORTYPE_NOTAVAILABLE, 0, 0},
        {"described", C::CATALOGUE_SCRIPTED, L"ORDERS", true, 0, NA_ERRORTYPE_NONE, 1, 1},
        {"missing", C::CATALOGUE_SCRIPTED, L"NOSUCH", false, 30, NA_ERRORTYPE_GENERAL, 1, 0},
    };
    INAConnectionDescription* piHost = &m_clHost;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        m_stScript.eCatalogue = c.eCatalogue;
        const long nCloses = m_stScript.nCloses;
        auto* piDesc = HostCall<INADataSourceDescription*>(m_p, SLOT_GETTABLEDESC, c.pszTable, piHost);
        EXPECT_EQ(piDesc != nullptr, c.bDescribed);
        EXPECT_EQ(pclError()->dwGetErrorId(), c.nErrorId);
        EXPECT_EQ(pclError()->eGetErrorType(), c.eErrorType);
        if (piDesc != nullptr) {
            // The host reads it through its slots.
            EXPECT_EQ(HostCall<int>(piDesc, 2), 6);
            EXPECT_STREQ(HostCall<const wchar_t*>(piDesc, 9), c.pszTable);
            EXPECT_STREQ(HostCall<const wchar_t*>(piDesc, 23), c.pszTable);
            EXPECT_EQ(HostCall<unsigned>(piDesc, 14), 2u);
            EXPECT_EQ(HostCall<unsigned>(piDesc, 15), 1u);
            EXPECT_EQ(HostCall<unsigned>(piDesc, 13), 4u + 21u);
            auto* pclDesc = static_cast<CNADataSourceDescription*>(piDesc);
            EXPECT_EQ(pclDesc->nGetExternalRef(), 1u);
            EXPECT_EQ(pclDesc->nGetRef(), 0u);
            // The connection made for the request stays open and registered while the
            // description holds it...
            EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 1u);
            EXPECT_EQ(m_stScript.nCloses, nCloses);
            EXPECT_EQ(m_stScript.nLiveDescriptions, 1);
            // ... and goes with the host's last release, made outside any entry: under the lock
            // all the same.
            m_stScript.bCheckLock = true;
            EXPECT_EQ(HostCall<unsigned>(piDesc, 8), 0u);
            m_stScript.bCheckLock = false;
            EXPECT_GT(m_stScript.nCheckedCalls, 0);
            EXPECT_EQ(m_stScript.nCallsWithoutLock, 0);
        }
        EXPECT_EQ(m_stScript.nLiveDescriptions, 0);
        EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
        EXPECT_EQ(m_stScript.nLiveConnections, 0);
        EXPECT_EQ(m_stScript.nCloses, nCloses + 1);

        int nExists = -1;
        EXPECT_EQ(HostCall<int>(m_p, SLOT_TABLEEXISTS, &nExists, c.pszTable, piHost), c.nExistsResult);
        EXPECT_EQ(nExists, c.nExists);
        EXPECT_EQ(pclError()->dwGetErrorId(), c.nErrorId);
        EXPECT_EQ(m_stScript.nLiveDescriptions, 0);
        EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
        EXPECT_EQ(m_stScript.nLiveConnections, 0);
    }
}

// Where a query's table goes, by its outcome and the keep flag: registered (and handed to the
// host) only with a result set; otherwise closed for the context and dropped unless the flag keeps
// it.
TEST_F(NADriverOperationsTest, QueryTables) {
    struct Case {
        unsigned nFlags;
        int bSucceeds, bHasResult;
        bool bHanded, bRegistered;
        unsigned nAccesses;  // data accesses the context keeps
    } cases[] = {
        {0, 1, 1, true, true, 1},   {QUERY_KEEP_TABLE, 1, 1, true, true, 1},
        {0, 1, 0, false, false, 0}, {QUERY_KEEP_TABLE, 1, 0, false, false, 1},
        {0, 0, 0, false, false, 0}, {QUERY_KEEP_TABLE, 0, 0, false, false, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.nFlags << " " << c.bSucceeds << " " << c.bHasResult);
        CStandInContext clContext;
        m_stScript.bQueryResult = c.bSucceeds;
        m_stScript.bQueryHasResult = c.bHasResult;
        int bResult = -1;
        INATable* piTable = piQuery(&clContext, L"Q1", c.nFlags, &bResult);
        EXPECT_EQ(bResult, c.bSucceeds);
        EXPECT_EQ(piTable != nullptr, c.bHanded);
        EXPECT_EQ(m_pclDriver->nGetTableCount(), c.bRegistered ? 1u : 0u);
        CNAContext* pclContext = m_pclDriver->pclFindContext(&clContext);
        EXPECT_EQ(pclContext != nullptr ? pclContext->nGetNbDataAccess() : 0u, c.nAccesses);
        // A failure reads from the driver's error object.
        EXPECT_EQ(pclError()->dwGetErrorId(), c.bSucceeds ? 0u : 34u);
        if (pclContext != nullptr) m_pclDriver->nReleaseContext(&clContext, pclContext);
        if (piTable != nullptr) {
            auto* pclTable = static_cast<CNATable*>(piTable);
            EXPECT_EQ(pclTable->nGetExternalRef(), 1u);
            EXPECT_EQ(pclTable->nGetRef(), 1u);
            piTable->nExternalRelease();
        }
        HostCall<int>(m_p, SLOT_CLOSECONTEXT, static_cast<INAContext*>(&clContext));
        EXPECT_EQ(m_pclDriver->nGetTableCount(), 0u);
        EXPECT_EQ(m_stScript.nLiveAccesses, 0);
    }
}

TEST_F(NADriverOperationsTest, QueryTablesBelongToOneContextAndName) {
    CStandInContext clFirst(1, 0x100000005UL), clSecond(2, 0x200000005UL);
    int bResult = 0;
    INATable* pi1 = piQuery(&clFirst, L"Q1", 0, &bResult);
    INATable* pi2 = piQuery(&clFirst, L"q1", 0, &bResult);
    // Contexts whose ids agree in their low half are still two contexts.
    INATable* pi3 = piQuery(&clSecond, L"Q1", 0, &bResult);
    INATable* pi4 = piQuery(&clFirst, L"Q2", 0, &bResult);
    ASSERT_NE(pi1, nullptr);
    EXPECT_EQ(pi2, pi1);
    EXPECT_NE(pi3, pi1);
    EXPECT_NE(pi4, pi1);
    EXPECT_EQ(m_pclDriver->nGetTableCount(), 3u);
    EXPECT_EQ(static_cast<CNATable*>(pi1)->nGetExternalRef(), 2u);
    for (INATable* pi : {pi1, pi2, pi3, pi4}) pi->nExternalRelease();
    EXPECT_EQ(m_pclDriver->nGetTableCount(), 0u);
    HostCall<int>(m_p, SLOT_CLOSECONTEXT, static_cast<INAContext*>(&clFirst));
    HostCall<int>(m_p, SLOT_CLOSECONTEXT, static_cast<INAContext*>(&clSecond));
}

TEST_F(NADriverOperationsTest, FreeingADataSource) {
    CStandInContext clContext;
    auto bFree = [&](const wchar_t* pszName) {
        return HostCall<int>(m_p, SLOT_FREEDATASOURCE, static_cast<INAContext*>(&clContext), pszName,
                             static_cast<INAConnectionDescription*>(&m_clHost));
    };
    EXPECT_EQ(bFree(L"Q1"), 1);  // no such query
    int bResult = 0;
    INATable* piTable = piQuery(&clContext, L"Q1", 0, &bResult);
    ASSERT_NE(piTable, nullptr);
    CNAContext* pclContext = m_pclDriver->pclFindContext(&clContext);
    ASSERT_NE(pclContext, nullptr);
    EXPECT_EQ(pclContext->nGetNbDataAccess(), 1u);
    pclContext->nRelease();

    m_stScript.bAccessCloseResult = 0;
    EXPECT_EQ(bFree(L"Q1"), 0);
    m_stScript.bAccessCloseResult = 1;
    // Closed for the context (the access went with the failed close), the table stays registered.
    EXPECT_EQ(m_pclDriver->pclFindContext(&clContext), nullptr);
    EXPECT_EQ(m_pclDriver->nGetTableCount(), 1u);
    piQuery(&clContext, L"Q1", 0, &bResult)->nExternalRelease();
    EXPECT_EQ(bFree(L"q1"), 1);
    EXPECT_EQ(m_pclDriver->pclFindContext(&clContext), nullptr);
    EXPECT_EQ(m_pclDriver->nGetTableCount(), 1u);
    piTable->nExternalRelease();
    EXPECT_EQ(m_pclDriver->nGetTableCount(), 0u);
}

TEST_F(NADriverOperationsTest, ContextsAndLockModes) {
    CStandInContext clContext, clStranger;
    CStandInDataSourceDescription clOrders(L"Orders", L"ORDERS");
    const auto eMode = static_cast<_eNA_HMODE>(5);
    // Nothing registered: nothing to apply.
    EXPECT_EQ(HostCall<int>(m_p, SLOT_HMODE, static_cast<INAContext*>(&clContext), eMode), 1);
    EXPECT_EQ(HostCall<int>(m_p, SLOT_CLOSECONTEXT, static_cast<INAContext*>(&clStranger)), 0);
    EXPECT_EQ(m_pclDriver->nGetContextCount(), 0u);

    EXPECT_EQ(HostCall<int>(m_p, SLOT_SETNEXTLOGICALNAME, static_cast<INAContext*>(&clContext), L"Orders2"), 1);
    CNAContext* pclContext = m_pclDriver->pclFindContext(&clContext);
    ASSERT_NE(pclContext, nullptr);
    EXPECT_STREQ(pclContext->pszGetNextLogicalName(), L"Orders2");

    // A table with an access in the context, opened, and another not opened.
    INATable* piTable =
        HostCall<INATable*>(m_p, SLOT_GETTABLE, static_cast<INAConnectionDescription*>(&m_clHost), clOrders.piGet());
    auto* pclTable = static_cast<CNATable*>(piTable);
    int bCreated = 0;
    auto* pclAccess = static_cast<drivertest::CTestDataAccess*>(pclTable->_pclGetDataAccess(&clContext, &bCreated));
    ASSERT_NE(pclAccess, nullptr);
    pclAccess->SetOpened(1);
    EXPECT_EQ(HostCall<int>(m_p, SLOT_HMODE, static_cast<INAContext*>(&clContext), eMode), 1);
    EXPECT_EQ(pclAccess->eGetHMode(), eMode);
    EXPECT_EQ(pclContext->eGetDefaultMode(), eMode);

    // Closing the context closes what is open and drops the context.
    EXPECT_EQ(HostCall<int>(m_p, SLOT_CLOSECONTEXT, static_cast<INAContext*>(&clContext)), 1);
    EXPECT_EQ(m_stScript.nAccessCloses, 1);
    EXPECT_FALSE(pclAccess->bIsOpened());
    EXPECT_EQ(pclContext->nGetNbDataAccess(), 0u);
    pclAccess->nRelease();
    EXPECT_EQ(m_pclDriver->nReleaseContext(&clContext, pclContext), 0u);
    EXPECT_EQ(m_pclDriver->nGetContextCount(), 0u);
    piTable->nExternalRelease();
}

TEST_F(NADriverOperationsTest, DeletingATable) {
    CStandInContext clContext;
    CStandInDataSourceDescription clOrders(L"Orders", L"ORDERS");
    auto bDelete = [&](INADataSourceDescription* piDesc) {
        return HostCall<int>(m_p, SLOT_SUPPRIMEFICHIER, static_cast<INAContext*>(&clContext),
                             static_cast<INAConnectionDescription*>(&m_clHost), L"ORDERS", piDesc);
    };
    struct Case {
        const char* pszWhat;
        bool bDescription;
        int bOpens, bDeletes;
        int nResult;
        unsigned nErrorId;
        long nDeletes;
    } cases[] = {
        {"server out of reach", true, 0, 1, 0, 34, 0},
        {"deleted", true, 1, 1, 1, 0, 1},
        {"deletion fails", true, 1, 0, 0, 34, 1},
        // Nothing would be deleted without a description: a failure, not a silent success.
        {"no description", false, 1, 1, 0, 8, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        m_stScript.bOpenResult = c.bOpens;
        m_stScript.bAccessDeleteResult = c.bDeletes;
        long nDeletes = m_stScript.nAccessDeletes;
        EXPECT_EQ(bDelete(c.bDescription ? clOrders.piGet() : nullptr), c.nResult);
        EXPECT_EQ(pclError()->dwGetErrorId(), c.nErrorId);
        EXPECT_EQ(m_stScript.nAccessDeletes - nDeletes, c.nDeletes);
        // The access is removed whatever the outcome.
        EXPECT_EQ(m_stScript.nLiveAccesses, 0);
        EXPECT_EQ(m_pclDriver->pclFindContext(&clContext), nullptr);
    }
    EXPECT_STREQ(pclError()->pszGetLogicalTableName(), L"ORDERS");
    // The table the deletions went through is still the one piGetTable hands out.
    INATable* piTable =
        HostCall<INATable*>(m_p, SLOT_GETTABLE, static_cast<INAConnectionDescription*>(&m_clHost), clOrders.piGet());
    EXPECT_EQ(static_cast<CNATable*>(piTable)->nGetExternalRef(), 1u);
    piTable->nExternalRelease();
    EXPECT_EQ(m_pclDriver->nGetTableCount(), 0u);
}

TEST_F(NADriverOperationsTest, InterfacesOffered) {
    EXPECT_EQ(HostCall<INADriverSQL*>(m_p, SLOT_GETINTERFACE, 2), nullptr);
    // No SQL-layer driver without a database subclass that makes one.
    EXPECT_EQ(HostCall<INADriverSQL*>(m_p, SLOT_GETINTERFACE, 1), nullptr);
}

// Every entry that reaches the registries holds the lock while it works: the doubles check it
// when the driver makes a connection description, opens one, locks or diagnoses. Those that only
// find the description fail with the connection's name when the host never used it.
TEST_F(NADriverOperationsTest, EntriesHoldTheLock) {
    m_stScript.bCheckLock = true;
    CStandInContext clContext;
    CStandInDataSourceDescription clOrders(L"Orders", L"ORDERS");
    int nExists = 0;
    CXYString<wchar_t>* pclNoList = nullptr;
    CAny* pclNoAny = nullptr;
    // A host description of its own for each entry that finds or creates one, so that the driver
    // makes it inside the entry.
    CStandInConnectionDescription aclFresh[7];
    for (int i = 0; i < 7; i++) aclFresh[i].m_sConnectionName = L"FRESH" + std::to_wstring(i);
    auto pi = [](CStandInConnectionDescription& cl) { return static_cast<INAConnectionDescription*>(&cl); };
    struct Case {
        const char* pszWhat;
        std::function<void()> fnCall;
    } cases[] = {
        {"open", [&] { HostCall<int>(m_p, SLOT_OPENCONNECTION, pi(m_clHost)); }},
        {"lock a table", [&] { HostCall<int>(m_p, SLOT_SQLBLOQUETABLE, pi(m_clHost), L"ORDERS"); }},
        {"lock a query",
         [&] {
             HostCall<int>(m_p, SLOT_SQLBLOQUEREQUETE, pi(m_clHost), static_cast<ISQLParserInformation*>(nullptr));
         }},
        {"diagnose", [&] { HostCall<int>(m_p, SLOT_CONNEXIONDIAGNOSE, pclNoAny, pi(m_clHost), L"", 0u); }},
        {"close", [&] { HostCall<int>(m_p, SLOT_CLOSECONNECTION, pi(m_clHost)); }},
        {"table",
         [&] { HostCall<INATable*>(m_p, SLOT_GETTABLE, pi(aclFresh[0]), clOrders.piGet())->nExternalRelease(); }},
        {"description", [&] { HostCall<INADataSourceDescription*>(m_p, SLOT_GETTABLEDESC, L"T", pi(aclFresh[1])); }},
        {"table test", [&] { HostCall<int>(m_p, SLOT_TABLEEXISTS, &nExists, L"T", pi(aclFresh[2])); }},
        {"delete",
         [&] {
             HostCall<int>(m_p, SLOT_SUPPRIMEFICHIER, static_cast<INAContext*>(&clContext), pi(aclFresh[3]), L"T",
                           clOrders.piGet());
         }},
        {"tables", [&] { HostCall<int>(m_p, SLOT_GETTABLELIST, pclNoAny, pi(aclFresh[4]), 0u); }},
        {"databases", [&] { HostCall<int>(m_p, SLOT_GETDATABASELIST, pclNoList, pi(aclFresh[5]), 0u); }},
        {"links", [&] { HostCall<int>(m_p, SLOT_GETLINKLIST, pclNoAny, L"T", clOrders.piGet(), pi(aclFresh[6]), 0u); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        long nBefore = m_stScript.nCheckedCalls;
        c.fnCall();
        EXPECT_GT(m_stScript.nCheckedCalls, nBefore);
        EXPECT_EQ(m_stScript.nCallsWithoutLock, 0);
        EXPECT_FALSE(drivertest::bDriverLockHeld());
    }
    m_stScript.bCheckLock = false;

    struct Missing {
        int nSlot;
        int nSite;
    } missing[] = {{SLOT_SQLBLOQUETABLE, 1}, {SLOT_SQLBLOQUEREQUETE, 2}, {SLOT_CONNEXIONDIAGNOSE, 3}};
    CStandInConnectionDescription clUnknown;
    clUnknown.m_sConnectionName = L"CNX9";
    long nMade = m_stScript.nConnectionsMade;
    for (const Missing& c : missing) {
        SCOPED_TRACE(c.nSlot);
        int nResult = c.nSlot == SLOT_CONNEXIONDIAGNOSE
                          ? HostCall<int>(m_p, c.nSlot, pclNoAny, pi(clUnknown), L"", 0u)
                          : HostCall<int>(m_p, c.nSlot, pi(clUnknown), static_cast<const void*>(nullptr));
        EXPECT_EQ(nResult, 0);
        EXPECT_EQ(pclError()->dwGetErrorId(), 14u);
        std::wstring sError = pclError()->pszGetError();
        EXPECT_NE(sError.find(L"CNX9"), std::wstring::npos);
        EXPECT_NE(sError.find(L"IEKXPSQL=5." + std::to_wstring(c.nSite) + L"\r\n"), std::wstring::npos) << sError;
        // Nothing is made for them.
        EXPECT_EQ(m_stScript.nConnectionsMade, nMade);
    }
    // The deletion left its table registered, on descriptions that end with this test.
    EXPECT_EQ(m_pclDriver->nExternalRelease(), 0);
    m_pclDriver = nullptr;
}

// An exception from below passes to the caller with the lock given back and the entry's
// reference on the connection dropped.
TEST_F(NADriverOperationsTest, ExceptionsLeaveNoLockNorReference) {
    struct CThrowingDriver final : CNADriver {
        drivertest::stScript* m_pst;
        CNAStatement* pclAllocStatement(CNADataAccess*, CNAConnectionDescription*, CNAError*) override {
            return nullptr;
        }
        CNAConnectionDescription* _pclAllocConnectionDescription(const wchar_t* pszId,
                                                                 INAConnectionDescription* piHost) override {
            return new drivertest::CTestConnection(pszId, piHost, m_pst);
        }
        CNADataSourceDescription* _pclGetTableDesc(const wchar_t*, CNAConnectionDescription*) override {
            throw std::runtime_error("catalogue");
        }
    };
    auto* pclDriver = new CThrowingDriver;
    pclDriver->m_pst = &m_stScript;
    pclDriver->ExternalAddRef();
    pclDriver->AllocError();
    int nExists = 0;
    EXPECT_THROW(pclDriver->bTableExists(&nExists, L"T", &m_clHost), std::runtime_error);
    EXPECT_FALSE(drivertest::bDriverLockHeld());
    EXPECT_EQ(pclDriver->nGetConnectionCount(), 0u);
    EXPECT_EQ(m_stScript.nLiveConnections, 0);
    pclDriver->nExternalRelease();
}

}  // namespace
