// A server that dies in the middle of a statement: a private PostgreSQL sandbox of this test
// (never the shared one) is stopped with pg_ctl -m immediate while a SQL-command connection waits
// in pg_sleep. The statement fails with a reason the host can read (the client library's message,
// the broken-connection kind); results already on the client stay readable.
#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <thread>

#include "tests/host/TempDir.h"
#include "tests/pgsql/SQLCommandTestSupport.h"

using namespace pgtest;

namespace {

// The repository's root, from this file's place in it.
std::string sRepository() {
    std::string s = __FILE__;
    for (int i = 0; i < 3; i++) s = s.substr(0, s.rfind('/'));
    return s;
}

// A sandbox of the test's own: started at construction, stopped (immediately, its folder removed)
// at the latest when the object goes.
class CPrivateSandbox {
public:
    CPrivateSandbox() : m_clState("kxpgloss") {
        if (!m_clState.bMade()) return;
        m_sCommand =
            "KX_PG_SANDBOX_STATE=" + m_clState.sPath() + "/state bash " + sRepository() + "/scripts/pg-sandbox.sh";
        FILE* pf = popen((m_sCommand + " start 2>&1").c_str(), "r");
        if (pf == nullptr) return;
        char szLine[1024];
        while (fgets(szLine, sizeof(szLine), pf) != nullptr) {
            m_sOutput += szLine;
            std::string s = szLine;
            if (s.rfind("export ", 0) != 0) continue;
            size_t nEqual = s.find('=');
            std::string sValue = s.substr(nEqual + 1);
            while (!sValue.empty() && (sValue.back() == '\n' || sValue.back() == '\r')) sValue.pop_back();
            m_mapEnv[s.substr(7, nEqual - 7)] = sValue;
        }
        m_bStarted = pclose(pf) == 0 && !m_mapEnv["PGPORT"].empty();
    }
    ~CPrivateSandbox() { Stop(); }
    CPrivateSandbox(const CPrivateSandbox&) = delete;
    CPrivateSandbox& operator=(const CPrivateSandbox&) = delete;

    bool bStarted() const { return m_bStarted; }
    const std::string& sOutput() const { return m_sOutput; }
    std::string sEnv(const std::string& sName) { return m_mapEnv[sName]; }
    // pg_ctl stop -m immediate, and the folder removed; once.
    void Stop() {
        if (!m_bStarted || m_bStopped.exchange(true)) return;
        if (system((m_sCommand + " stop >/dev/null 2>&1").c_str()) != 0)
            ADD_FAILURE() << "the private sandbox did not stop";
    }

private:
    CTempDir m_clState;
    std::string m_sCommand;
    std::string m_sOutput;
    std::map<std::string, std::string> m_mapEnv;
    bool m_bStarted = false;
    std::atomic<bool> m_bStopped{false};
};

class PSQLServerLossServerTest : public CSQLCommandTest {};

TEST_F(PSQLServerLossServerTest, ServerStoppedDuringAStatement) {
    KX_REQUIRE_PG_SERVER();
    CPrivateSandbox clSandbox;
    if (!clSandbox.bStarted()) {
        if (pgsandbox::bUnderCI()) FAIL() << "no private sandbox: " << clSandbox.sOutput();
        GTEST_SKIP() << "no private sandbox: " << clSandbox.sOutput();
    }
    // The fixture's description (which outlives the driver object's connections) names the
    // private server.
    m_clHost.m_sDataBase = wsOf(clSandbox.sEnv("PGHOST"));
    m_clHost.m_sUserName = wsOf(clSandbox.sEnv("PGUSER"));
    m_clHost.m_sExtendedInfo =
        L"Server Port=" + wsOf(clSandbox.sEnv("PGPORT")) + L";Initial Catalog=" + wsOf(clSandbox.sEnv("PGDATABASE"));
    {
        const int nCnx = nOpen();
        ASSERT_NE(nCnx, 0);
        const int nKept = nRun(nCnx, L"SELECT generate_series(1, 3)");
        ASSERT_NE(nKept, 0);

        // Once the server has the statement, it is stopped at once.
        const std::string sLog = clSandbox.sEnv("KX_PG_STATEMENT_LOG");
        std::thread clStopper([&] {
            for (int i = 0; i < 3000; i++) {
                std::ifstream is(sLog);
                std::string sText((std::istreambuf_iterator<char>(is)), std::istreambuf_iterator<char>());
                if (sText.find("statement: SELECT pg_sleep(30)") != std::string::npos) break;
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            clSandbox.Stop();
        });
        const auto tStart = std::chrono::steady_clock::now();
        int nStmt = 77;
        const int bOk = bExecute(nCnx, L"SELECT pg_sleep(30)", &nStmt);
        const auto tElapsed = std::chrono::steady_clock::now() - tStart;
        clStopper.join();

        EXPECT_EQ(bOk, 0);
        EXPECT_EQ(nStmt, 0);
        EXPECT_LT(tElapsed, std::chrono::seconds(25));
        const std::wstring sError = wsLastError();
        EXPECT_EQ(nLastErrorId(), 22u) << sOf(sError.c_str());
        EXPECT_EQ(nLastErrorType(), NA_ERRORTYPE_CONNECTIONLOST);
        EXPECT_TRUE(bContains(sError, L"Cannot connect to the server: " + wsOf(clSandbox.sEnv("PGHOST")) + L"."));
        EXPECT_TRUE(bContains(sError, L"IEKXPSQL=100.19"));
        EXPECT_TRUE(bContains(sError, L"SELECT pg_sleep(30)"));

        // The next statement on the dead connection says so too.
        EXPECT_EQ(bExecute(nCnx, L"SELECT 1", &nStmt), 0);
        EXPECT_EQ(nLastErrorId(), 22u);
        EXPECT_EQ(nLastErrorType(), NA_ERRORTYPE_CONNECTIONLOST);

        // What the client already holds is still there.
        for (const wchar_t* psz : {L"1", L"2", L"3"}) {
            ASSERT_EQ(bFetch(nCnx, nKept), 1);
            EXPECT_EQ(osValue(nCnx, nKept, 1), psz);
        }
        EXPECT_EQ(bFetch(nCnx, nKept), 0);
        EXPECT_EQ(nLastErrorId(), 0u);
        bFree(nCnx, nKept);
        EXPECT_EQ(HostCall<int>(m_pSQL, SQL_CLOSE, nCnx), 1);
    }
}

}  // namespace
