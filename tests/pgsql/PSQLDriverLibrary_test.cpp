// The main road from the host's side: the built driver library loaded with dlopen and started as
// the host starts it, its driver object reached only through its virtual table, opening and
// closing a connection to the test server through the system's client library, and the error the
// host reads when the server cannot be reached.
#include <arpa/inet.h>
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
#include "tests/host/PgSandbox.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

typedef int (*PFNINITLIBRARY)(void*);
typedef int (*PFNTERMLIBRARY)();
typedef void* (*PFNQUERYINTERFACE)(int);
typedef intptr_t (*PFNEXECUTION)(uint32_t, intptr_t);

// INADriver slots.
enum : int { SLOT_RELEASE = 8, SLOT_OPENCONNECTION = 10, SLOT_CLOSECONNECTION = 11, SLOT_LASTERROR = 13 };
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

}  // namespace
