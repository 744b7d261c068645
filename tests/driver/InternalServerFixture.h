// What the internal-query and automatic-identifier tests on the test server share: the process's
// PostgreSQL driver object, an open connection of the driver to the sandbox, an error object, a
// second session of the system's client library for the fixtures, and tables of this process
// (dropped at the end).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "pgsql/PSQLDriver.h"
#include "tests/support/PgSandbox.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "tests/support/PgSession.h"
#include "tests/support/ServerDriver.h"
#include "variant/VQCalc.h"
#include "variant/VQConv.h"

namespace internaltest {

inline std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}
inline std::wstring wsOf(const wchar_t* psz) {
    return psz != nullptr ? std::wstring(psz) : std::wstring();
}
inline std::string sNarrow(const std::wstring& ws) {
    std::string s;
    for (wchar_t c : ws) s += c < 128 ? static_cast<char>(c) : '?';
    return s;
}

class InternalServerTest : public testing::Test {
protected:
    void SetUp() override {
        KX_REQUIRE_PG_SERVER();
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        ASSERT_EQ(bInitVQCalcFromVM(standin::hGetModule(), 2, 2), 1);
        m_clServerDriver.Start();
        m_pclDriver = m_clServerDriver.pclDriver();
        m_pclError = m_clServerDriver.pclError();
        m_pclHostCnx = m_clServerDriver.pclHost(L"INTERNALCNX", L"");
        m_pclCnx = m_clServerDriver.pclConnection(m_pclHostCnx);
        ASSERT_NE(m_pclCnx, nullptr);
        ASSERT_EQ(m_pclCnx->bOpen(m_pclError), 1) << sError();
        m_sPrefix = "kxint_" + std::to_string(getpid()) + "_";
    }
    void TearDown() override {
        if (m_pclDriver == nullptr) return;
        m_clServerDriver.Stop();
        for (const std::string& s : m_asTables) server().Run("DROP TABLE IF EXISTS " + s);
        CVQConv::s_Reset();
        CVQCalc::s_Reset();
    }

    pgtest::CPgSession& server() {
        if (m_pclServer == nullptr) {
            m_pclServer = std::make_unique<pgtest::CPgSession>();
            m_pclServer->Run("SET client_min_messages TO warning");
        }
        return *m_pclServer;
    }
    // A table of this process, made anew from the column list and dropped at the end.
    std::string sTable(const std::string& sName, const std::string& sColumns) {
        const std::string s = m_sPrefix + sName;
        server().Run("DROP TABLE IF EXISTS " + s);
        server().Run("CREATE TABLE " + s + " (" + sColumns + ")");
        m_asTables.push_back(s);
        return s;
    }
    std::string sError() const { return m_clServerDriver.sError(); }

    pgtest::CServerDriver m_clServerDriver;
    CPSQLDriver* m_pclDriver = nullptr;  // the server driver's
    CNAError* m_pclError = nullptr;
    standin::CStandInConnectionDescription* m_pclHostCnx = nullptr;
    CNAConnectionDescription* m_pclCnx = nullptr;
    std::string m_sPrefix;
    std::vector<std::string> m_asTables;
    std::unique_ptr<pgtest::CPgSession> m_pclServer;
};

}  // namespace internaltest
