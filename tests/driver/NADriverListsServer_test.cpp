// The driver object's lists, transactions and SQL locks on the test server, called through the
// driver's virtual table as the host calls them: the databases and tables the server's catalogue
// holds (read from the server itself over a connection of the system's client library), the
// column types, a connection that cannot be opened; a table lock taken inside a transaction and
// seen in pg_locks from a second session until the commit, refused outside one; and nested
// transactions, whose inner rollback frees the inner level's lock and keeps the outer one's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "core/XYString.h"
#include "native/driver/NAError.h"
#include "pgsql/PSQLDriver.h"
#include "tests/driver/HostCall.h"
#include "tests/support/PgSandbox.h"
#include "tests/support/StatementLog.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "tests/support/PgSession.h"
#include "variant/Any.h"
#include "variant/VQConv.h"

namespace {

using pgtest::CPgSession;
using standin::CStandInConnectionDescription;

// Slots of INADriver.
enum : int {
    SLOT_OPENCONNECTION = 10,
    SLOT_CLOSECONNECTION = 11,
    SLOT_LASTERROR = 13,
    SLOT_GETTABLELIST = 16,
    SLOT_TRANSACTIONBEGIN = 20,
    SLOT_TRANSACTIONCOMMIT = 21,
    SLOT_TRANSACTIONROLLBACK = 22,
    SLOT_SQLBLOQUETABLE = 23,
    SLOT_SQLFORMATCOLONNE = 25,
    SLOT_CONNEXIONDIAGNOSE = 26,
    SLOT_TABLEEXISTS = 28,
    SLOT_GETLINKLIST = 29,
    SLOT_GETDATABASELIST = 40,
};
// Slots of INAError.
enum : int { ERROR_TEXT = 7, ERROR_ID = 8, ERROR_TYPE = 9 };

std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

std::vector<std::wstring> aLines(const std::wstring& s) {
    std::vector<std::wstring> a;
    for (size_t nStart = 0; !s.empty();) {
        size_t nEnd = s.find(L"\r\n", nStart);
        a.push_back(s.substr(nStart, nEnd == std::wstring::npos ? std::wstring::npos : nEnd - nStart));
        if (nEnd == std::wstring::npos) break;
        nStart = nEnd + 2;
    }
    return a;
}

std::wstring wsText(const CAny& clValue) {
    const wchar_t* psz = nullptr;
    if (clValue.nGetTypeCode() == VQTYPE_DSTRW) clValue.pclGetValeur()->nGetPCWSTR(&psz);
    return psz != nullptr ? psz : L"";
}

class NADriverListsServerTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        // The process's driver object, as piQueryInterface makes it.
        m_pclDriver = new CPSQLDriver;
        m_pclDriver->_RegisterAsLiveDriver();
        m_pclDriver->ExternalAddRef();
        m_pclDriver->AllocError();
        m_p = static_cast<INADriver*>(m_pclDriver);
        Describe(&m_clHost, pgsandbox::sEnv("PGPORT"));
        // Names of this process's own tables: the tests share the server with others.
        m_sPrefix = "kxdl_" + std::to_string(getpid()) + "_";
    }
    void TearDown() override {
        if (m_pclDriver != nullptr) {
            EXPECT_EQ(m_pclDriver->nExternalRelease(), 0);
        }
        for (const std::string& s : m_asTables) server().Run("DROP TABLE IF EXISTS " + s + " CASCADE");
        CVQConv::s_Reset();
    }

    static void Describe(CStandInConnectionDescription* pclHost, const std::string& sPort) {
        pclHost->m_sConnectionName = L"LISTCNX";
        pclHost->m_sDataBase = wsOf(pgsandbox::sEnv("PGHOST"));
        pclHost->m_sUserName = wsOf(pgsandbox::sEnv("PGUSER"));
        pclHost->m_sExtendedInfo =
            L"Server Port=" + wsOf(sPort) + L";Initial Catalog=" + wsOf(pgsandbox::sEnv("PGDATABASE"));
    }

    // The second session, opened on first use (once the server is known to be there).
    CPgSession& server() {
        if (m_pclServer == nullptr) {
            m_pclServer = std::make_unique<CPgSession>();
            m_pclServer->Run("SET client_min_messages TO warning");
        }
        return *m_pclServer;
    }

    // A table of this test, dropped at its end.
    std::string sTable(const std::string& sName) {
        std::string s = m_sPrefix + sName;
        server().Run("DROP TABLE IF EXISTS " + s + " CASCADE");
        server().Run("CREATE TABLE " + s + " (n int)");
        m_asTables.push_back(s);
        return s;
    }

    // The backends holding a lock on the table, with its mode.
    std::set<std::pair<std::string, std::string>> Locks(const std::string& sTable) {
        std::set<std::pair<std::string, std::string>> set;
        for (const auto& aRow : server().Query("SELECT l.pid, l.mode FROM pg_locks l JOIN pg_class c ON c.oid = "
                                               "l.relation WHERE l.granted AND c.relname = '" +
                                               sTable + "'"))
            set.insert({*aRow[0], *aRow[1]});
        return set;
    }
    // Whether a backend of that process id is still there: its end follows the client's by a
    // moment, so it is given a few seconds.
    bool bBackendGone(const std::string& sPid) {
        for (int i = 0; i < 100; i++) {
            if (server().sValue("SELECT count(*) FROM pg_stat_activity WHERE pid = " + sPid) == "0") return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return false;
    }

    const void* piError() { return HostCall<const void*>(m_p, SLOT_LASTERROR); }
    std::wstring wsError() {
        const wchar_t* psz = HostCall<const wchar_t*>(piError(), ERROR_TEXT);
        return psz != nullptr ? psz : L"";
    }
    uint32_t nErrorId() { return HostCall<uint32_t>(piError(), ERROR_ID); }
    int nErrorType() { return HostCall<int>(piError(), ERROR_TYPE); }

    INAConnectionDescription* piHost() { return &m_clHost; }

    // The host's description outlives the driver object, whose connections hold it.
    CStandInConnectionDescription m_clHost;
    CPSQLDriver* m_pclDriver = nullptr;
    const void* m_p = nullptr;
    std::unique_ptr<CPgSession> m_pclServer;
    std::string m_sPrefix;
    std::vector<std::string> m_asTables;
};

// ------------------------------------------------------------------------------------ lists

// The databases the server has (templates left out) and the tables and views of the connection's
// database, each list on a connection the entry opens and closes itself.
TEST_F(NADriverListsServerTest, DatabaseAndTableLists) {
    KX_REQUIRE_PG_SERVER();
    const std::string sTableName = sTable("orders");
    const std::string sViewName = m_sPrefix + "v";
    server().Run("CREATE VIEW " + sViewName + " AS SELECT n FROM " + sTableName);

    auto setDatabases = [this] {
        std::set<std::wstring> set;
        for (const auto& aRow : server().Query("SELECT datname FROM pg_database WHERE NOT datistemplate"))
            set.insert(wsOf(*aRow[0]));
        return set;
    };
    const std::set<std::wstring> setBefore = setDatabases();
    CXYString<wchar_t> clDatabases;
    ASSERT_EQ(HostCall<int>(m_p, SLOT_GETDATABASELIST, &clDatabases, piHost(), 0u), 1) << std::wstring(wsError());
    const std::vector<std::wstring> aDatabases = aLines(clDatabases.pszGet() != nullptr ? clDatabases.pszGet() : L"");
    const std::set<std::wstring> setAfter = setDatabases();
    // Other tests may make databases meanwhile: all of those before, none that is not after.
    for (const std::wstring& s : setBefore)
        EXPECT_NE(std::find(aDatabases.begin(), aDatabases.end(), s), aDatabases.end())
            << std::string(s.begin(), s.end());
    for (const std::wstring& s : aDatabases) EXPECT_EQ(setAfter.count(s), 1u) << std::string(s.begin(), s.end());
    EXPECT_EQ(setBefore.count(wsOf(pgsandbox::sEnv("PGDATABASE"))), 1u);
    EXPECT_EQ(setBefore.count(L"template1"), 0u);
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);

    // Tables (1), views (2), both; qualified by their schema.
    const std::wstring sTableLine = L"public." + wsOf(sTableName), sViewLine = L"public." + wsOf(sViewName);
    const struct {
        unsigned nFlags;
        bool bTable, bView;
    } cases[] = {{1, true, false}, {2, false, true}, {3, true, true}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nFlags);
        CAny clList;
        ASSERT_EQ(HostCall<int>(m_p, SLOT_GETTABLELIST, &clList, piHost(), c.nFlags), 1) << std::wstring(wsError());
        EXPECT_EQ(clList.nGetTypeCode(), VQTYPE_DSTRW);
        const std::vector<std::wstring> aTables = aLines(wsText(clList));
        EXPECT_EQ(std::count(aTables.begin(), aTables.end(), sTableLine), c.bTable ? 1 : 0);
        EXPECT_EQ(std::count(aTables.begin(), aTables.end(), sViewLine), c.bView ? 1 : 0);
        EXPECT_EQ(std::count_if(aTables.begin(), aTables.end(),
                                [](const std::wstring& s) { return s.rfind(L"pg_catalog.", 0) == 0; }),
                  0);
    }
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);

    // No relations are listed: success, the list as it was.
    CAny clLinks;
    clLinks.SetI4(7);
    EXPECT_EQ(HostCall<int>(m_p, SLOT_GETLINKLIST, &clLinks, wsOf(sTableName).c_str(),
                            static_cast<INADataSourceDescription*>(nullptr), piHost(), 0u),
              1);
    EXPECT_EQ(clLinks.nGetTypeCode(), VQTYPE_I4);

    // The column types: the server's 23 type names.
    CAny clTypes;
    EXPECT_EQ(HostCall<int>(m_p, SLOT_SQLFORMATCOLONNE, piHost(), &clTypes), 1);
    const std::wstring sTypes = wsText(clTypes);
    EXPECT_EQ(sTypes.rfind(L"BIT\t1\r\nINT2\t13", 0), 0u) << std::string(sTypes.begin(), sTypes.end());
    EXPECT_EQ(aLines(sTypes).size(), 23u);
}

// A connection that cannot be opened lists nothing: 0 with the reason, and nothing kept.
TEST_F(NADriverListsServerTest, ListsOnAConnectionThatCannotOpen) {
    KX_REQUIRE_PG_SERVER();
    CStandInConnectionDescription clNowhere;
    Describe(&clNowhere, "1");
    clNowhere.m_sConnectionName = L"NOWHERE";
    INAConnectionDescription* piNowhere = &clNowhere;
    CXYString<wchar_t> clDatabases;
    EXPECT_EQ(HostCall<int>(m_p, SLOT_GETDATABASELIST, &clDatabases, piNowhere, 0u), 0);
    EXPECT_NE(nErrorId(), 0u);
    CAny clList;
    EXPECT_EQ(HostCall<int>(m_p, SLOT_GETTABLELIST, &clList, piNowhere, 3u), 0);
    EXPECT_NE(nErrorId(), 0u);
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
    // The host's description is given back with the connection.
    EXPECT_EQ(m_pclDriver->nExternalRelease(), 0);
    m_pclDriver = nullptr;
    EXPECT_EQ(clNowhere.nGetExternalRefs(), 0);
}

// Whether a table exists is the server's answer: a table there, one that is not (an answer, not a
// failure), and a server that cannot be reached (a failure). No connection is kept either way.
TEST_F(NADriverListsServerTest, TableExistsAsTheServerSays) {
    KX_REQUIRE_PG_SERVER();
    const std::wstring sThere = wsOf(sTable("there"));
    const std::wstring sMissing = wsOf(m_sPrefix + "missing");
    int bExists = -1;
    ASSERT_EQ(HostCall<int>(m_p, SLOT_TABLEEXISTS, &bExists, sThere.c_str(), piHost()), 1) << std::wstring(wsError());
    EXPECT_EQ(bExists, 1);
    bExists = -1;
    EXPECT_EQ(HostCall<int>(m_p, SLOT_TABLEEXISTS, &bExists, sMissing.c_str(), piHost()), 1) << std::wstring(wsError());
    EXPECT_EQ(bExists, 0);
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);

    CStandInConnectionDescription clNowhere;
    Describe(&clNowhere, "1");
    clNowhere.m_sConnectionName = L"NOWHERE";
    INAConnectionDescription* piNowhere = &clNowhere;
    bExists = -1;
    EXPECT_EQ(HostCall<int>(m_p, SLOT_TABLEEXISTS, &bExists, sThere.c_str(), piNowhere), 0);
    EXPECT_NE(nErrorId(), 0u);
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
    EXPECT_EQ(m_pclDriver->nExternalRelease(), 0);
    m_pclDriver = nullptr;
    EXPECT_EQ(clNowhere.nGetExternalRefs(), 0);
}

// ------------------------------------------------------------------------------------ SQL locks

// Inside a transaction the table lock is the server's: another session sees the driver's backend
// hold it until the commit (names compare without regard to case), which also closes the
// connection the transaction opened. Outside a transaction the server refuses it.
TEST_F(NADriverListsServerTest, TableLockInsideATransaction) {
    KX_REQUIRE_PG_SERVER();
    const std::string sLocked = sTable("locked");
    pgsandbox::CStatementLog clLog;

    ASSERT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONBEGIN, piHost(), L"A"), 1) << std::wstring(wsError());
    ASSERT_EQ(HostCall<int>(m_p, SLOT_SQLBLOQUETABLE, piHost(), wsOf(sLocked).c_str()), 1) << std::wstring(wsError());
    const auto setLocks = Locks(sLocked);
    ASSERT_EQ(setLocks.size(), 1u);
    const std::string sPid = setLocks.begin()->first;
    EXPECT_EQ(setLocks.begin()->second, "AccessExclusiveLock");
    EXPECT_NE(sPid, server().sValue("SELECT pg_backend_pid()"));
    const std::vector<std::string> asSent = clLog.Statements(std::stol(sPid));
    const std::vector<std::string> asTail(asSent.end() - std::min<size_t>(asSent.size(), 2), asSent.end());
    EXPECT_EQ(asTail, (std::vector<std::string>{"BEGIN", "LOCK TABLE " + sLocked}));

    // The diagnosis of a connection the host uses: not offered.
    CAny clResult;
    EXPECT_EQ(HostCall<int>(m_p, SLOT_CONNEXIONDIAGNOSE, &clResult, piHost(), L"", 0u), 0);
    EXPECT_EQ(nErrorId(), 8u);
    EXPECT_EQ(nErrorType(), 7);

    ASSERT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONCOMMIT, piHost(), L"a"), 1) << std::wstring(wsError());
    EXPECT_TRUE(Locks(sLocked).empty());
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
    EXPECT_TRUE(bBackendGone(sPid));

    // Opened by the host, no transaction: the server's own refusal.
    ASSERT_EQ(HostCall<int>(m_p, SLOT_OPENCONNECTION, piHost()), 1) << std::wstring(wsError());
    EXPECT_EQ(HostCall<int>(m_p, SLOT_SQLBLOQUETABLE, piHost(), wsOf(sLocked).c_str()), 0);
    EXPECT_NE(wsError().find(L"LOCK TABLE can only be used in transaction blocks"), std::wstring::npos) << wsError();
    EXPECT_TRUE(Locks(sLocked).empty());
    EXPECT_EQ(HostCall<int>(m_p, SLOT_CLOSECONNECTION, piHost()), 1);
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
}

// A transaction begun inside another is the server's savepoint: rolling the inner one back frees
// the lock it took and keeps the outer one's, which the outer commit frees.
TEST_F(NADriverListsServerTest, NestedTransactionsSeenThroughLocks) {
    KX_REQUIRE_PG_SERVER();
    const std::string sOuter = sTable("outer"), sInner = sTable("inner");
    ASSERT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONBEGIN, piHost(), L"A"), 1) << std::wstring(wsError());
    ASSERT_EQ(HostCall<int>(m_p, SLOT_SQLBLOQUETABLE, piHost(), wsOf(sOuter).c_str()), 1) << std::wstring(wsError());
    ASSERT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONBEGIN, piHost(), L"B"), 1) << std::wstring(wsError());
    ASSERT_EQ(HostCall<int>(m_p, SLOT_SQLBLOQUETABLE, piHost(), wsOf(sInner).c_str()), 1) << std::wstring(wsError());
    const auto setOuter = Locks(sOuter);
    ASSERT_EQ(setOuter.size(), 1u);
    EXPECT_EQ(Locks(sInner), setOuter);

    // The innermost one, unnamed.
    ASSERT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONROLLBACK, piHost(), static_cast<const wchar_t*>(nullptr)), 1)
        << std::wstring(wsError());
    EXPECT_EQ(Locks(sOuter), setOuter);
    EXPECT_TRUE(Locks(sInner).empty());
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 1u);

    ASSERT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONCOMMIT, piHost(), L"A"), 1) << std::wstring(wsError());
    EXPECT_TRUE(Locks(sOuter).empty());
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
}

}  // namespace
