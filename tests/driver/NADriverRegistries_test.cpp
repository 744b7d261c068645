// The driver object's registries: the identification texts that key them, the reference counts of
// connection descriptions through find, create, release and auto-close, keys that differ only in
// letter case or accents, tables and contexts as they are found, created and released, and what
// the driver's destruction leaves behind.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "native/driver/NADriver.h"
#include "tests/driver/DriverTestSupport.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInContext.h"
#include "tests/host/StandInDataSourceDescription.h"
#include "tests/host/TestSupport.h"

namespace {

using drivertest::CTestDriver;
using standin::CStandInConnectionDescription;
using standin::CStandInContext;
using standin::CStandInDataSourceDescription;

class NADriverRegistriesTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        m_pclDriver = CTestDriver::pclNew(&m_stScript);
        m_stHost.m_sConnectionName = L"CNX1";
        m_stHost.m_sDataBase = L"localhost";
        m_stHost.m_sUserName = L"kx";
        m_stHost.m_sPassword = L"pw";
    }
    void TearDown() override {
        if (m_pclDriver != nullptr) m_pclDriver->nExternalRelease();
        EXPECT_EQ(CNADriver::s_pclDriver, nullptr);
    }

    drivertest::stScript& Script() { return m_stScript; }

    drivertest::stScript m_stScript;
    CTestDriver* m_pclDriver = nullptr;
    CStandInConnectionDescription m_stHost;
};

TEST_F(NADriverRegistriesTest, IdentificationTexts) {
    struct Case {
        const wchar_t *pszName, *pszProvider, *pszExtended, *pszDataBase, *pszUser, *pszPassword;
        int nAccess;
        const wchar_t* pszExpected;
    } cases[] = {
        {L"CNX1", L"PostgreSQL", L"Server Port=5432", L"localhost", L"kx", L"pw", 0,
         L"Connection=CNX1;Provider=PostgreSQL;ExtendedInformation=Server Port=5432;Data source=localhost;"
         L"user id=kx;password=pw;access=RW"},
        // Absent texts are written NULL, the user and the password included.
        {L"CNX1", nullptr, nullptr, L"localhost", nullptr, nullptr, 1,
         L"Connection=CNX1;Provider=NULL;ExtendedInformation=NULL;Data source=localhost;user id=NULL;"
         L"password=NULL;access=R"},
        {nullptr, L"", L"", L"", L"", L"", 2,
         L"Connection=NULL;Provider=;ExtendedInformation=;Data source=;user id=;password=;access=RW"},
    };
    for (const Case& c : cases) {
        CStandInConnectionDescription clHost;
        auto set = [](std::optional<std::wstring>& s, const wchar_t* psz) {
            if (psz != nullptr) s = psz;
        };
        set(clHost.m_sConnectionName, c.pszName);
        set(clHost.m_sProvider, c.pszProvider);
        set(clHost.m_sExtendedInfo, c.pszExtended);
        set(clHost.m_sDataBase, c.pszDataBase);
        set(clHost.m_sUserName, c.pszUser);
        set(clHost.m_sPassword, c.pszPassword);
        clHost.m_eAccess = static_cast<eNA_ACCESS>(c.nAccess);
        CTString clKey;
        EXPECT_EQ(m_pclDriver->bBuildCnxIdentification(&clKey, &clHost), 1);
        EXPECT_STREQ(clKey.pszGet(), c.pszExpected);
    }

    CTString clKey;
    CNADriver::bBuildTableIdentification(&clKey, L"ORDERS", L"Connection=C");
    EXPECT_STREQ(clKey.pszGet(), L"Table=ORDERS;Connection=C");
    // The context id in all its 64 bits: 0x100000005.
    CStandInContext clContext(1, 0x100000005UL);
    CNADriver::bBuildQueryIdentification(&clKey, L"Q1", L"Connection=C", &clContext);
    EXPECT_STREQ(clKey.pszGet(), L"CTX=4294967301;Table=Q1;Connection=C");
}

// One connection description through every path of the reference rules: each step acts, then the
// description's count (or what the release answered), the live descriptions, the registry and the
// closes are checked.
TEST_F(NADriverRegistriesTest, ConnectionReferenceScenario) {
    CStandInConnectionDescription clSameButCase;
    clSameButCase.m_sConnectionName = L"cnx1";
    clSameButCase.m_sDataBase = L"LOCALHOST";
    clSameButCase.m_sUserName = L"KX";
    clSameButCase.m_sPassword = L"PW";
    CStandInConnectionDescription clAccents;
    clAccents.m_sConnectionName = L"Cnx1";
    clAccents.m_sDataBase = L"lôcàlhost";
    clAccents.m_sUserName = L"kx";
    clAccents.m_sPassword = L"pw";
    CStandInConnectionDescription clOtherPassword = m_stHost;
    clOtherPassword.m_sPassword = L"other";

    CNAConnectionDescription* pclCnx = nullptr;
    auto nCount = [&] { return pclCnx->nGetRef(); };
    struct Step {
        const char* pszWhat;
        std::function<unsigned()> fnAct;  // answers the count that the step leaves (or returns)
        unsigned nExpected;
        long nLive;  // descriptions alive
        unsigned nInRegistry;
        long nCloses;
    } steps[] = {
        {"create", [&] { return (pclCnx = m_pclDriver->_pclGetConnection(&m_stHost)), nCount(); }, 2, 1, 1, 0},
        {"find through the table", [&] { return m_pclDriver->_pclFindConnection(&m_stHost), nCount(); }, 3, 1, 1, 0},
        {"find through the cache", [&] { return m_pclDriver->_pclFindConnection(&m_stHost), nCount(); }, 4, 1, 1, 0},
        {"letter case only differs",
         [&] {
             EXPECT_EQ(m_pclDriver->_pclGetConnection(&clSameButCase), pclCnx);
             return nCount();
         },
         5, 1, 1, 0},
        {"accents only differ",
         [&] {
             EXPECT_EQ(m_pclDriver->_pclGetConnection(&clAccents), pclCnx);
             return nCount();
         },
         6, 1, 1, 0},
        {"release", [&] { return m_pclDriver->nReleaseConnection(pclCnx); }, 5, 1, 1, 0},
        {"release", [&] { return m_pclDriver->nReleaseConnection(pclCnx); }, 4, 1, 1, 0},
        {"release", [&] { return m_pclDriver->nReleaseConnection(pclCnx); }, 3, 1, 1, 0},
        {"release", [&] { return m_pclDriver->nReleaseConnection(pclCnx); }, 2, 1, 1, 0},
        // Auto-close off: the registry's last reference keeps it, open or not.
        {"auto-close off, open", [&] { return pclCnx->SetAutoClose(0), pclCnx->bOpen(nullptr), nCount(); }, 2, 1, 1, 0},
        {"release to the registry's", [&] { return m_pclDriver->nReleaseConnection(pclCnx); }, 1, 1, 1, 0},
        {"auto-close on, find",
         [&] { return pclCnx->SetAutoClose(1), m_pclDriver->_pclFindConnection(&m_stHost), nCount(); }, 2, 1, 1, 0},
        // Only the registry's left, auto-close on and no transaction: closed, out, deleted.
        {"release with auto-close", [&] { return m_pclDriver->nReleaseConnection(pclCnx); }, 0, 0, 0, 1},
        // The password is part of the key.
        {"two passwords, two descriptions",
         [&] {
             CNAConnectionDescription* pcl1 = m_pclDriver->_pclGetConnection(&m_stHost);
             CNAConnectionDescription* pcl2 = m_pclDriver->_pclGetConnection(&clOtherPassword);
             EXPECT_NE(pcl1, pcl2);
             m_pclDriver->nReleaseConnection(pcl2);
             return m_pclDriver->nReleaseConnection(pcl1);
         },
         0, 0, 0, 1},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.pszWhat);
        EXPECT_EQ(s.fnAct(), s.nExpected);
        EXPECT_EQ(Script().nLiveConnections, s.nLive);
        EXPECT_EQ(m_pclDriver->nGetConnectionCount(), s.nInRegistry);
        EXPECT_EQ(Script().nCloses, s.nCloses);
    }
    // Each description holds one reference on the host's for its life.
    EXPECT_EQ(m_stHost.nGetExternalRefs(), 0);
    EXPECT_EQ(clOtherPassword.nGetExternalRefs(), 0);
}

TEST_F(NADriverRegistriesTest, ConnectionsByNumberAndByName) {
    CStandInConnectionDescription clOther;
    clOther.m_sConnectionName = L"Entrepôt";
    CNAConnectionDescription* pcl1 = m_pclDriver->_pclGetConnection(&m_stHost);
    CNAConnectionDescription* pcl2 = m_pclDriver->_pclGetConnection(&clOther);

    struct Case {
        const wchar_t* pszName;
        CNAConnectionDescription* pclExpected;
    } cases[] = {{L"CNX1", pcl1}, {L"cnx1", pcl1}, {L"ENTREPOT", pcl2}, {L"entrepôt", pcl2}, {L"CNX2", nullptr}};
    for (const Case& c : cases) {
        CNAConnectionDescription* pcl = m_pclDriver->pclGetConnectionByName(c.pszName);
        EXPECT_EQ(pcl, c.pclExpected) << testing::PrintToString(std::wstring(c.pszName));
        if (pcl != nullptr) {
            EXPECT_EQ(m_pclDriver->nReleaseConnection(pcl), 2u);
        }
    }
    CNAConnectionDescription* pcl = m_pclDriver->pclGetConnectionByID(static_cast<int>(pcl2->nGetCnxNumber()));
    EXPECT_EQ(pcl, pcl2);
    m_pclDriver->nReleaseConnection(pcl);
    EXPECT_EQ(m_pclDriver->pclGetConnectionByID(-1), nullptr);
    // None of the walks left a reference behind.
    EXPECT_EQ(pcl1->nGetRef(), 2u);
    EXPECT_EQ(pcl2->nGetRef(), 2u);
    m_pclDriver->nReleaseConnection(pcl1);
    m_pclDriver->nReleaseConnection(pcl2);
    EXPECT_EQ(Script().nLiveConnections, 0);
}

// A connection that left the registry (a failed open) may still be held; a fresh one may be
// registered under the same text since. The release rule must not take the fresh one out.
TEST_F(NADriverRegistriesTest, ReleaseOfAnUnregisteredDescriptionLeavesTheRegisteredOne) {
    CNAConnectionDescription* pclOld = m_pclDriver->_pclGetConnection(&m_stHost);
    pclOld->AddRef();  // held by someone else
    Script().bOpenResult = 0;
    EXPECT_EQ(m_pclDriver->_bOpenConnection(pclOld), 0);
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
    CNAConnectionDescription* pclNew = m_pclDriver->_pclGetConnection(&m_stHost);
    ASSERT_NE(pclNew, pclOld);
    EXPECT_EQ(m_pclDriver->nReleaseConnection(pclOld), 1u);
    EXPECT_EQ(drivertest::pclRegisteredConnection(m_pclDriver, &m_stHost), pclNew);
    m_pclDriver->nReleaseConnection(pclOld);
    EXPECT_EQ(Script().nLiveConnections, 1);
    m_pclDriver->nReleaseConnection(pclNew);
    EXPECT_EQ(Script().nLiveConnections, 0);
}

TEST_F(NADriverRegistriesTest, TablesFoundCreatedAndReleased) {
    CStandInDataSourceDescription clOrders(L"Orders", L"ORDERS"), clSameCase(L"orders", L"orders"),
        clLines(L"Lines", L"LINES");
    CNAConnectionDescription* pclCnx = m_pclDriver->_pclGetConnection(&m_stHost);

    CNATable* pclTable = m_pclDriver->_pclGetTable(clOrders.piGet(), pclCnx);
    ASSERT_NE(pclTable, nullptr);
    EXPECT_STREQ(pclTable->pszGetIdentification(),
                 (std::wstring(L"Table=ORDERS;") + pclCnx->pszGetIdentification()).c_str());
    EXPECT_EQ(pclTable->nGetRef(), 2u);  // the registry's and the caller's
    EXPECT_EQ(clOrders.nGetExternalRefs(), 1);
    EXPECT_EQ(pclCnx->nGetRef(), 3u);
    // The same database table in other letters is the same table.
    EXPECT_EQ(m_pclDriver->_pclGetTable(clSameCase.piGet(), pclCnx), pclTable);
    EXPECT_EQ(pclTable->nGetRef(), 3u);
    CNATable* pclLines = m_pclDriver->_pclGetTable(clLines.piGet(), pclCnx);
    EXPECT_NE(pclLines, pclTable);
    EXPECT_EQ(m_pclDriver->nGetTableCount(), 2u);

    // Adding a registered table again changes nothing.
    m_pclDriver->_AddTable(pclTable);
    EXPECT_EQ(pclTable->nGetRef(), 3u);

    unsigned nCursor = 0;
    int nTables = 0;
    while (CNATable* pcl = m_pclDriver->pclEnumTableByConnection(&nCursor, pclCnx)) {
        nTables++;
        EXPECT_TRUE(pcl == pclTable || pcl == pclLines);
        pcl->nRelease();
    }
    EXPECT_EQ(nTables, 2);

    EXPECT_EQ(m_pclDriver->nReleaseTable(pclTable), 2u);
    // The registry's is the last: out of the registry, and gone with its references.
    EXPECT_EQ(m_pclDriver->nReleaseTable(pclTable), 0u);
    EXPECT_EQ(m_pclDriver->nGetTableCount(), 1u);
    EXPECT_EQ(clOrders.nGetExternalRefs(), 0);
    EXPECT_EQ(m_pclDriver->nReleaseTable(pclLines), 0u);
    EXPECT_EQ(pclCnx->nGetRef(), 2u);
    m_pclDriver->nReleaseConnection(pclCnx);
    EXPECT_EQ(Script().nLiveConnections, 0);
}

TEST_F(NADriverRegistriesTest, TheHostsLastReleaseOfATable) {
    CStandInDataSourceDescription clOrders(L"Orders", L"ORDERS");
    CNAConnectionDescription* pclCnx = m_pclDriver->_pclGetConnection(&m_stHost);
    struct Case {
        const char* pszWhat;
        int nLookups;         // internal references taken besides the registry's
        bool bOutOfRegistry;  // taken out of the registry while the host holds it
        int nReleaseAnswer;
        bool bAlive;
    } cases[] = {
        {"only the registry holds it", 0, false, 0, false},
        {"a lookup is under way", 1, false, 0, true},
        {"it left the registry while the host held it", 0, true, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        CNATable* pclTable = m_pclDriver->_pclGetTable(clOrders.piGet(), pclCnx);
        pclTable->ExternalAddRef();
        pclTable->nRelease();
        for (int i = 0; i < c.nLookups; i++) pclTable->AddRef();
        if (c.bOutOfRegistry) {
            EXPECT_EQ(m_pclDriver->_bReleaseTable(pclTable), 1);
        }
        EXPECT_EQ(pclTable->nExternalRelease(), c.nReleaseAnswer);
        EXPECT_EQ(clOrders.nGetExternalRefs(), c.bAlive ? 1 : 0);
        EXPECT_EQ(m_pclDriver->nGetTableCount(), c.bAlive ? 1u : 0u);
        for (int i = 0; i < c.nLookups; i++) m_pclDriver->nReleaseTable(pclTable);
        EXPECT_EQ(m_pclDriver->nGetTableCount(), 0u);
    }
    m_pclDriver->nReleaseConnection(pclCnx);
}

TEST_F(NADriverRegistriesTest, ContextsFoundCreatedAndReleased) {
    CStandInContext clHost;
    int bCreated = -1;
    CNAContext* pclContext = m_pclDriver->pclGetContext(&clHost, &bCreated);
    ASSERT_NE(pclContext, nullptr);
    EXPECT_EQ(bCreated, 1);
    EXPECT_EQ(pclContext->nGetRef(), 2u);
    EXPECT_EQ(pclContext->nGetContextId(), clHost.m_nContextId);
    EXPECT_EQ(m_pclDriver->pclGetContext(&clHost, &bCreated), pclContext);
    EXPECT_EQ(bCreated, 0);
    EXPECT_EQ(m_pclDriver->pclFindContext(&clHost), pclContext);
    EXPECT_EQ(pclContext->nGetRef(), 4u);
    CStandInContext clStranger;
    EXPECT_EQ(m_pclDriver->pclFindContext(&clStranger), nullptr);

    // One that holds a data access stays registered.
    CNAConnectionDescription* pclCnx = m_pclDriver->_pclGetConnection(&m_stHost);
    CNADataAccess* pclAccess = pclContext->pclGetDataAccess(&clHost, pclCnx, nullptr, &bCreated);
    ASSERT_NE(pclAccess, nullptr);
    EXPECT_EQ(m_pclDriver->nReleaseContext(&clHost, pclContext), 3u);
    EXPECT_EQ(m_pclDriver->nReleaseContext(&clHost, pclContext), 2u);
    EXPECT_EQ(m_pclDriver->nGetContextCount(), 1u);
    // Without it, the next release takes it out.
    pclContext->RemoveDataAccess(&clHost, pclAccess);
    pclAccess->nRelease();
    EXPECT_EQ(m_pclDriver->nReleaseContext(&clHost, pclContext), 0u);
    EXPECT_EQ(m_pclDriver->nGetContextCount(), 0u);
    EXPECT_EQ(Script().nLiveAccesses, 0);
    m_pclDriver->nReleaseConnection(pclCnx);
}

TEST_F(NADriverRegistriesTest, DestructionReleasesEverything) {
    CStandInDataSourceDescription clOrders(L"Orders", L"ORDERS");
    CStandInContext clContext;
    CStandInConnectionDescription clSecond;
    clSecond.m_sConnectionName = L"CNX2";
    // An opened connection, one in use by a table, a context with a data access.
    ASSERT_EQ(m_pclDriver->bOpenConnection(&m_stHost), 1);
    CNAConnectionDescription* pclCnx = m_pclDriver->_pclGetConnection(&clSecond);
    CNATable* pclTable = m_pclDriver->_pclGetTable(clOrders.piGet(), pclCnx);
    int bCreated = 0;
    CNADataAccess* pclAccess = pclTable->_pclGetDataAccess(&clContext, &bCreated);
    ASSERT_NE(pclAccess, nullptr);
    pclAccess->nRelease();
    pclTable->nRelease();
    m_pclDriver->nReleaseConnection(pclCnx);
    ASSERT_EQ(Script().nLiveConnections, 2);

    // The newest driver stays the process's when an older one goes.
    drivertest::stScript stNewer;
    CTestDriver* pclNewer = CTestDriver::pclNew(&stNewer);
    EXPECT_EQ(m_pclDriver->nExternalRelease(), 0);
    m_pclDriver = nullptr;
    EXPECT_EQ(Script().nLiveConnections, 0);
    EXPECT_EQ(Script().nLiveAccesses, 0);
    // The opened connection was closed on its way out.
    EXPECT_EQ(Script().nCloses, 1);
    EXPECT_EQ(CNADriver::s_pclDriver, pclNewer);
    EXPECT_EQ(m_stHost.nGetExternalRefs(), 0);
    EXPECT_EQ(clSecond.nGetExternalRefs(), 0);
    EXPECT_EQ(clOrders.nGetExternalRefs(), 0);
    pclNewer->nExternalRelease();
}

}  // namespace
