// What the tests of the SQL-command functions share: the process's driver object, its INADriverSQL
// reached only through its virtual table as the host reaches it, a host connection description of
// the test server, and readers of the driver's error.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "core/XYString.h"
#include "pgsql/NADriverSQL.h"
#include "tests/driver/HostCall.h"
#include "tests/support/PgSandbox.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "tests/pgsql/PSQLTestSupport.h"
#include "variant/Any.h"
#include "variant/VQConv.h"

namespace pgtest {

// INADriver slot of piGetInterface.
constexpr int DRIVER_GETINTERFACE = 9;

// INADriverSQL slots (entry n of the interface is slot n + 1).
enum : int {
    SQL_GETVERSION = 2,
    SQL_GETCOMPATSINCE = 3,
    SQL_GETNAVERSION = 4,
    SQL_EXTERNALADDREF = 7,
    SQL_EXTERNALRELEASE = 8,
    SQL_LASTERROR = 9,
    SQL_GETINTERFACE = 10,
    SQL_RESERVED1 = 11,
    SQL_RESERVED5 = 15,
    SQL_LOADNATIVEDLL = 16,
    SQL_FREENATIVEDLL = 17,
    SQL_OPEN = 18,
    SQL_CLOSE = 19,
    SQL_TABLELIST = 21,
    SQL_COLUMNLIST_TABLE = 22,
    SQL_COLUMNLIST_STMT = 23,
    SQL_TABLEDESC_TABLE = 24,
    SQL_TABLEDESC_STMT = 25,
    SQL_COLUMNTYPES = 26,
    SQL_EXECUTE = 27,
    SQL_FREESTMT = 28,
    SQL_STMTERROR = 29,
    SQL_COLUMNNBR = 30,
    SQL_COLUMNNAME = 31,
    SQL_FETCH = 32,
    SQL_ROW = 33,
    SQL_VALUE = 34,
    SQL_BLOB = 35,
    SQL_TRSBEGIN = 36,
    SQL_TRSCOMMIT = 37,
    SQL_TRSROLLBACK = 38,
    SQL_LOCKTABLE = 39,
    SQL_LOCKQUERY = 40,
    SQL_SETVM = 41,
    SQL_LASTRESERVED = 78,
};

// INAError slots.
enum : int { ERROR_TEXT = 7, ERROR_ID = 8, ERROR_TYPE = 9 };

// A variant's text (nullopt for NULL and the empty value).
inline std::optional<std::wstring> osAnyText(const CAny& clValue) {
    if (clValue.nGetTypeCode() == VQTYPE_VIDE || clValue.bIsNull()) return std::nullopt;
    CXYString<wchar_t> cl;
    clValue.__nFillString(cl, nullptr);
    return std::wstring(cl.pszGet());
}

class CSQLCommandTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        m_pSQL = HostCall<void*>(m_clDriver.pcl(), DRIVER_GETINTERFACE, 1);
        ASSERT_NE(m_pSQL, nullptr);
        Describe(&m_clHost, pgsandbox::sEnv("PGDATABASE"));
    }
    void TearDown() override {
        if (m_pSQL != nullptr) HostCall<unsigned>(m_pSQL, SQL_EXTERNALRELEASE);
        CVQConv::s_Reset();
    }

    // A host description of the test server's database (or the one named).
    static void Describe(standin::CStandInConnectionDescription* pclHost, const std::string& sDataBase) {
        pclHost->m_sConnectionName = L"SQLCNX";
        pclHost->m_sDataBase = wsOf(pgsandbox::sEnv("PGHOST"));
        pclHost->m_sUserName = wsOf(pgsandbox::sEnv("PGUSER"));
        pclHost->m_sExtendedInfo =
            L"Server Port=" + wsOf(pgsandbox::sEnv("PGPORT")) + L";Initial Catalog=" + wsOf(sDataBase);
    }

    CNADriverSQL* pclSQL() const { return static_cast<CNADriverSQL*>(static_cast<INADriverSQL*>(m_pSQL)); }

    // ---- the host's calls
    int nOpen(standin::CStandInConnectionDescription* pclHost = nullptr) {
        int nCnx = -1;
        INAConnectionDescription* piHost = pclHost != nullptr ? pclHost : &m_clHost;
        EXPECT_EQ(HostCall<int>(m_pSQL, SQL_OPEN, &nCnx, piHost), 1) << sOf(wsLastError().c_str());
        return nCnx;
    }
    int bExecute(int nCnx, const std::wstring& sSQL, int* pnStmt, CTabValParser* pclParameters = nullptr) {
        return HostCall<int>(m_pSQL, SQL_EXECUTE, pnStmt, nCnx, sSQL.c_str(), pclParameters, 0u);
    }
    // Runs a text that must succeed; its statement handle.
    int nRun(int nCnx, const std::wstring& sSQL) {
        int nStmt = -1;
        EXPECT_EQ(bExecute(nCnx, sSQL, &nStmt), 1) << sOf(sSQL.c_str()) << ": " << sOf(wsLastError().c_str());
        return nStmt;
    }
    int bFetch(int nCnx, int nStmt) { return HostCall<int>(m_pSQL, SQL_FETCH, nCnx, nStmt, 0u); }
    int bFree(int nCnx, int nStmt) { return HostCall<int>(m_pSQL, SQL_FREESTMT, nCnx, nStmt, 0u); }
    // Column n (from 1) of the current row.
    std::optional<std::wstring> osValue(int nCnx, int nStmt, unsigned n, int* pbOk = nullptr) {
        CAny clValue;
        int bOk = HostCall<int>(m_pSQL, SQL_VALUE, &clValue, nCnx, nStmt, n, 0u);
        if (pbOk != nullptr) *pbOk = bOk;
        return osAnyText(clValue);
    }
    // The first value of a text's first row.
    std::optional<std::wstring> osQuery(int nCnx, const std::wstring& sSQL) {
        int nStmt = nRun(nCnx, sSQL);
        std::optional<std::wstring> os;
        if (nStmt != 0 && bFetch(nCnx, nStmt)) os = osValue(nCnx, nStmt, 1);
        bFree(nCnx, nStmt);
        return os;
    }
    long nBackendPid(int nCnx) {
        return std::stol(sOf(osQuery(nCnx, L"SELECT pg_backend_pid()").value_or(L"0").c_str()));
    }

    // ---- the error the host reads
    const void* piLastError() { return HostCall<const void*>(m_pSQL, SQL_LASTERROR); }
    std::wstring wsLastError() {
        const wchar_t* psz = HostCall<const wchar_t*>(piLastError(), ERROR_TEXT);
        return psz != nullptr ? std::wstring(psz) : std::wstring();
    }
    uint32_t nLastErrorId() { return HostCall<uint32_t>(piLastError(), ERROR_ID); }
    int nLastErrorType() { return HostCall<int>(piLastError(), ERROR_TYPE); }

    // The host's descriptions outlive the driver object, whose connections hold them.
    standin::CStandInConnectionDescription m_clHost;
    CProcessDriver m_clDriver;
    void* m_pSQL = nullptr;
};

}  // namespace pgtest
