// The main road from the host's side: the built driver library loaded with dlopen and started as
// the host starts it, its driver object reached only through its virtual table, opening and
// closing a connection to the test server through the system's client library, and the error the
// host reads when the server cannot be reached.
#include <arpa/inet.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/BaseExecutionDLL.h"
#include "core/HostInterfaces.h"
#include "tests/driver/DriverLibrary.h"
#include "tests/driver/HostCall.h"
#include "tests/support/PgSandbox.h"
#include "tests/support/StatementLog.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"
#include "variant/Any.h"

namespace {

typedef int (*PFNINITLIBRARY)(void*);
typedef int (*PFNTERMLIBRARY)();
typedef void* (*PFNQUERYINTERFACE)(int);
typedef intptr_t (*PFNEXECUTION)(uint32_t, intptr_t);

// INADriver slots.
enum : int {
    SLOT_RELEASE = 8,
    SLOT_GETINTERFACE = 9,
    SLOT_OPENCONNECTION = 10,
    SLOT_CLOSECONNECTION = 11,
    SLOT_LASTERROR = 13
};
// INAError slots.
enum : int { ERROR_TEXT = 7, ERROR_ID = 8 };

std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}
std::string sOf(const std::wstring& ws) {
    std::string s;
    for (wchar_t c : ws) s += c < 128 ? static_cast<char>(c) : '?';
    return s;
}

// A port of 127.0.0.1 on which nothing listens.
int nClosedPort() {
    int nSocket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in stAddress{};
    stAddress.sin_family = AF_INET;
    inet_pton(AF_INET, "127.0.0.1", &stAddress.sin_addr);
    socklen_t nLength = sizeof(stAddress);
    bind(nSocket, reinterpret_cast<sockaddr*>(&stAddress), sizeof(stAddress));
    getsockname(nSocket, reinterpret_cast<sockaddr*>(&stAddress), &nLength);
    close(nSocket);
    return ntohs(stAddress.sin_port);
}

class PSQLDriverLibraryTest : public CDriverLibraryTest {
protected:
    void SetUp() override {
        // Each test stops the library, which unloads the client library; loaded again, the client
        // library does not give back what it set up for its threads the first time. Kept loaded
        // for the program, as a host that loads it once keeps it.
        static void* s_hClientLibrary = dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        ASSERT_NE(s_hClientLibrary, nullptr);
        KXInstallStandInHost();
        auto pfnInit = pfnFind<PFNINITLIBRARY>("bInitLibrary");
        auto pfnQuery = pfnFind<PFNQUERYINTERFACE>("piQueryInterface");
        m_pfnExecution = pfnFind<PFNEXECUTION>("Execution");
        ASSERT_NE(pfnInit, nullptr);
        ASSERT_NE(pfnQuery, nullptr);
        ASSERT_NE(m_pfnExecution, nullptr);
        ASSERT_EQ(pfnInit(reinterpret_cast<void*>(0x1000)), 1);
        _stINITDLL stRecord{sizeof(_stINITDLL), static_cast<HINSTANCE>(standin::hGetModule()), 5, 6, nullptr};
        ASSERT_EQ(m_pfnExecution(EXECUTION_START, reinterpret_cast<intptr_t>(&stRecord)), 1);
        m_pDriver = pfnQuery(0);
        ASSERT_NE(m_pDriver, nullptr);
    }
    void TearDown() override {
        if (m_pDriver != nullptr) {
            EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_RELEASE), 0);
        }
        EXPECT_EQ(m_clHost.nGetExternalRefs(), 0);
        EXPECT_EQ(m_clUnreachable.nGetExternalRefs(), 0);
        if (m_pfnExecution != nullptr) m_pfnExecution(EXECUTION_END, 0);
        auto pfnTerm = pfnFind<PFNTERMLIBRARY>("TermLibrary");
        if (pfnTerm != nullptr) pfnTerm();
    }

    std::wstring wsLastError() {
        const void* piError = HostCall<const void*>(m_pDriver, SLOT_LASTERROR);
        const wchar_t* psz = HostCall<const wchar_t*>(piError, ERROR_TEXT);
        return psz != nullptr ? std::wstring(psz) : std::wstring();
    }
    uint32_t nLastErrorId() {
        return HostCall<uint32_t>(HostCall<const void*>(m_pDriver, SLOT_LASTERROR), ERROR_ID);
    }

    PFNEXECUTION m_pfnExecution = nullptr;
    void* m_pDriver = nullptr;
    standin::CStandInConnectionDescription m_clHost, m_clUnreachable;
};

TEST_F(PSQLDriverLibraryTest, HostOpensAndClosesAConnection) {
    KX_REQUIRE_PG_SERVER();
    m_clHost.m_sConnectionName = L"CNX1";
    m_clHost.m_sDataBase = wsOf(pgsandbox::sEnv("PGHOST"));
    m_clHost.m_sUserName = wsOf(pgsandbox::sEnv("PGUSER"));
    // A time-out no other test uses, so that its statement is found among the server's.
    m_clHost.m_sExtendedInfo = L"Server Port=" + wsOf(pgsandbox::sEnv("PGPORT")) + L";Initial Catalog=" +
                               wsOf(pgsandbox::sEnv("PGDATABASE")) + L";KX Command Timeout=4321";
    INAConnectionDescription* piHost = &m_clHost;

    pgsandbox::CStatementLog clLog;
    ASSERT_EQ(HostCall<int>(m_pDriver, SLOT_OPENCONNECTION, piHost), 1) << sOf(wsLastError());
    EXPECT_EQ(nLastErrorId(), 0u);
    std::vector<std::string> aSent = clLog.Statements();
    auto it = std::find(aSent.begin(), aSent.end(), "SET statement_timeout=4321000");
    ASSERT_NE(it, aSent.end());
    // The connection stays open for the host: opening it again sends nothing.
    clLog.Mark();
    ASSERT_EQ(HostCall<int>(m_pDriver, SLOT_OPENCONNECTION, piHost), 1) << sOf(wsLastError());
    aSent = clLog.Statements();
    EXPECT_EQ(std::find(aSent.begin(), aSent.end(), "SET statement_timeout=4321000"), aSent.end());
    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_CLOSECONNECTION, piHost), 1);
    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_CLOSECONNECTION, piHost), 1);

    // A server that does not answer: the open fails with the error the host reads.
    m_clUnreachable.m_sConnectionName = L"CNX2";
    m_clUnreachable.m_sDataBase = L"127.0.0.1";
    m_clUnreachable.m_sExtendedInfo = L"Server Port=" + std::to_wstring(nClosedPort());
    INAConnectionDescription* piUnreachable = &m_clUnreachable;
    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_OPENCONNECTION, piUnreachable), 0);
    EXPECT_EQ(nLastErrorId(), 22u);
    std::wstring sError = wsLastError();
    EXPECT_NE(sError.find(L"Cannot connect to the server: 127.0.0.1."), std::wstring::npos) << sOf(sError);
    EXPECT_NE(sError.find(L"Connection refused"), std::wstring::npos) << sOf(sError);
    EXPECT_NE(sError.find(L"IEKXPSQL=101.13\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>"), std::wstring::npos)
        << sOf(sError);
}

// The host's SQL-command functions through the built library: interface number 1 of the driver
// object, a connection of its own, a statement handle, its rows and values read into the host's
// variants, a refused statement's error as the host reads it, and everything given back.
TEST_F(PSQLDriverLibraryTest, HostRunsSQLCommands) {
    KX_REQUIRE_PG_SERVER();
    enum : int {
        SQL_RELEASE = 8,
        SQL_LASTERROR = 9,
        SQL_OPEN = 18,
        SQL_CLOSE = 19,
        SQL_EXECUTE = 27,
        SQL_FREESTMT = 28,
        SQL_COLUMNNBR = 30,
        SQL_FETCH = 32,
        SQL_ROW = 33,
        SQL_VALUE = 34,
    };
    m_clHost.m_sConnectionName = L"CNXSQL";
    m_clHost.m_sDataBase = wsOf(pgsandbox::sEnv("PGHOST"));
    m_clHost.m_sUserName = wsOf(pgsandbox::sEnv("PGUSER"));
    m_clHost.m_sExtendedInfo = L"Server Port=" + wsOf(pgsandbox::sEnv("PGPORT")) + L";Initial Catalog=" +
                               wsOf(pgsandbox::sEnv("PGDATABASE"));
    INAConnectionDescription* piHost = &m_clHost;

    void* pSQL = HostCall<void*>(m_pDriver, SLOT_GETINTERFACE, 1);
    ASSERT_NE(pSQL, nullptr);
    int nCnx = 0;
    ASSERT_EQ(HostCall<int>(pSQL, SQL_OPEN, &nCnx, piHost), 1);
    EXPECT_NE(nCnx, 0);
    int nStmt = 0;
    ASSERT_EQ(HostCall<int>(pSQL, SQL_EXECUTE, &nStmt, nCnx, L"SELECT 'caf\u00e9'::text AS a, 42 AS b, true AS c",
                            static_cast<void*>(nullptr), 0u),
              1);
    ASSERT_NE(nStmt, 0);
    int nColumns = 0;
    EXPECT_EQ(HostCall<int>(pSQL, SQL_COLUMNNBR, &nColumns, nCnx, nStmt, 0u), 1);
    EXPECT_EQ(nColumns, 3);
    ASSERT_EQ(HostCall<int>(pSQL, SQL_FETCH, nCnx, nStmt, 0u), 1);
    {
        CAny clValue;
        ASSERT_EQ(HostCall<int>(pSQL, SQL_VALUE, &clValue, nCnx, nStmt, 1u, 0u), 1);
        const wchar_t* psz = nullptr;
        ASSERT_EQ(clValue.pclGetValeur()->nGetPCWSTR(&psz), 0);
        EXPECT_EQ(std::wstring(psz), L"caf\u00e9");
        CAny clRow;
        ASSERT_EQ(HostCall<int>(pSQL, SQL_ROW, &clRow, nCnx, nStmt, L"|", 0, 0u), 1);
        ASSERT_EQ(clRow.pclGetValeur()->nGetPCWSTR(&psz), 0);
        EXPECT_EQ(std::wstring(psz), L"caf\u00e9|42|1");
    }
    EXPECT_EQ(HostCall<int>(pSQL, SQL_FETCH, nCnx, nStmt, 0u), 0);
    EXPECT_EQ(HostCall<int>(pSQL, SQL_FREESTMT, nCnx, nStmt, 0u), 1);

    // A refused statement: the error the host reads from the interface.
    EXPECT_EQ(HostCall<int>(pSQL, SQL_EXECUTE, &nStmt, nCnx, L"SELECT * FROM kx_no_such_table",
                            static_cast<void*>(nullptr), 0u),
              0);
    const void* piError = HostCall<const void*>(pSQL, SQL_LASTERROR);
    EXPECT_EQ(HostCall<uint32_t>(piError, ERROR_ID), 80u);
    const wchar_t* pszError = HostCall<const wchar_t*>(piError, ERROR_TEXT);
    ASSERT_NE(pszError, nullptr);
    EXPECT_NE(std::wstring(pszError).find(L"SQLSTATE 42P01"), std::wstring::npos) << sOf(pszError);

    EXPECT_EQ(HostCall<int>(pSQL, SQL_CLOSE, nCnx), 1);
    EXPECT_EQ(HostCall<unsigned>(pSQL, SQL_RELEASE), 0u);
}

}  // namespace
