// A session on the test run's PostgreSQL server through the client library loaded with dlopen (the
// tests never link it), in which the SQL texts the command builder writes are run through EXPLAIN:
// the server parses and plans them without running them, so a text it cannot read shows up as its
// error; or run, with the rows they give back. The session's tables are temporary, so tests
// running side by side do not meet.
#pragma once

#include <dlfcn.h>
#include <libpq-fe.h>

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/host/PgSandbox.h"

namespace sqltest {

// The tables the fixtures' texts name.
constexpr const char* PG_FIXTURE_TABLES =
    "SET client_min_messages = error;"
    "CREATE TEMP TABLE t (a int, b text, c int, x int, y text, n int, d date);"
    "CREATE TEMP TABLE \"we\"\"ird\" (id int);"
    "CREATE TEMP TABLE \"Client\" (id int, nom varchar(10), naissance date, notes text, code bytea);";

inline std::string sUTF8(const std::wstring& s) {
    std::string sOut;
    for (wchar_t w : s) {
        const auto c = static_cast<uint32_t>(w);
        if (c < 0x80) {
            sOut += static_cast<char>(c);
        } else if (c < 0x800) {
            sOut += static_cast<char>(0xC0 | (c >> 6));
            sOut += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            sOut += static_cast<char>(0xE0 | (c >> 12));
            sOut += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            sOut += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            sOut += static_cast<char>(0xF0 | (c >> 18));
            sOut += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            sOut += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            sOut += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return sOut;
}

class CPgSession {
public:
    // Connects to the sandbox and creates the fixture tables; bOpen() tells whether it worked.
    CPgSession() {
        m_hLib = dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL);
        if (m_hLib == nullptr) m_hLib = dlopen("libpq.so", RTLD_NOW | RTLD_LOCAL);
        if (m_hLib == nullptr) {
            m_sError = std::string("libpq cannot be loaded: ") + dlerror();
            return;
        }
        if (!_bBind()) return;
        m_pConn = m_pfnConnectdb(pgsandbox::sConnInfo().c_str());
        if (m_pConn == nullptr || m_pfnStatus(m_pConn) != CONNECTION_OK) {
            m_sError = "no connection: " + std::string(m_pConn != nullptr ? m_pfnErrorMessage(m_pConn) : "");
            return;
        }
        std::string sState;
        if (!bExec(PG_FIXTURE_TABLES, &m_sError, &sState)) return;
        m_bOpen = true;
    }
    // The library stays loaded: what it keeps for the whole process (its security libraries'
    // set-up) would otherwise look lost.
    ~CPgSession() {
        if (m_pConn != nullptr) m_pfnFinish(m_pConn);
    }
    CPgSession(const CPgSession&) = delete;
    CPgSession& operator=(const CPgSession&) = delete;

    bool bOpen() const { return m_bOpen; }
    const std::string& sError() const { return m_sError; }

    // Runs the text; false with the server's message and SQLSTATE when it refuses it.
    bool bExec(const std::string& sSQL, std::string* psError, std::string* psState) {
        PGresult* pResult = m_pfnExec(m_pConn, sSQL.c_str());
        const ExecStatusType e = pResult != nullptr ? m_pfnResultStatus(pResult) : PGRES_FATAL_ERROR;
        const bool bOk = e == PGRES_COMMAND_OK || e == PGRES_TUPLES_OK;
        if (!bOk) {
            *psError = pResult != nullptr ? m_pfnResultErrorMessage(pResult) : m_pfnErrorMessage(m_pConn);
            const char* pszState = pResult != nullptr ? m_pfnResultErrorField(pResult, PG_DIAG_SQLSTATE) : nullptr;
            *psState = pszState != nullptr ? pszState : "";
        }
        if (pResult != nullptr) m_pfnClear(pResult);
        return bOk;
    }
    // Runs the text and gives back its rows, each field as text ("<NULL>" for NULL); false with the
    // server's SQLSTATE and message when it refuses it.
    bool bRows(const std::wstring& sSQL, std::vector<std::vector<std::string>>* ptabRows, std::string* psError) {
        ptabRows->clear();
        PGresult* pResult = m_pfnExec(m_pConn, sUTF8(sSQL).c_str());
        const ExecStatusType e = pResult != nullptr ? m_pfnResultStatus(pResult) : PGRES_FATAL_ERROR;
        const bool bOk = e == PGRES_COMMAND_OK || e == PGRES_TUPLES_OK;
        if (!bOk) {
            const char* pszState = pResult != nullptr ? m_pfnResultErrorField(pResult, PG_DIAG_SQLSTATE) : nullptr;
            *psError = std::string(pszState != nullptr ? pszState : "") + ": " +
                       (pResult != nullptr ? m_pfnResultErrorMessage(pResult) : m_pfnErrorMessage(m_pConn));
        } else if (e == PGRES_TUPLES_OK) {
            for (int i = 0; i < m_pfnNtuples(pResult); i++) {
                std::vector<std::string> tabRow;
                for (int j = 0; j < m_pfnNfields(pResult); j++)
                    tabRow.push_back(m_pfnGetisnull(pResult, i, j) ? "<NULL>" : m_pfnGetvalue(pResult, i, j));
                ptabRows->push_back(tabRow);
            }
        }
        if (pResult != nullptr) m_pfnClear(pResult);
        return bOk;
    }
    // "" when the server accepts the text under EXPLAIN, else its SQLSTATE and message.
    std::string sExplain(const std::wstring& sSQL) {
        std::string sError, sState;
        if (bExec("EXPLAIN " + sUTF8(sSQL), &sError, &sState)) return "";
        return sState + ": " + sError;
    }

private:
    bool _bBind() {
        bool bOk = true;
        auto Bind = [&](auto& pfn, const char* pszName) {
            pfn = reinterpret_cast<std::remove_reference_t<decltype(pfn)>>(dlsym(m_hLib, pszName));
            if (pfn == nullptr) {
                m_sError = std::string("libpq lacks ") + pszName;
                bOk = false;
            }
        };
        Bind(m_pfnConnectdb, "PQconnectdb");
        Bind(m_pfnStatus, "PQstatus");
        Bind(m_pfnErrorMessage, "PQerrorMessage");
        Bind(m_pfnFinish, "PQfinish");
        Bind(m_pfnExec, "PQexec");
        Bind(m_pfnResultStatus, "PQresultStatus");
        Bind(m_pfnResultErrorMessage, "PQresultErrorMessage");
        Bind(m_pfnResultErrorField, "PQresultErrorField");
        Bind(m_pfnClear, "PQclear");
        Bind(m_pfnNtuples, "PQntuples");
        Bind(m_pfnNfields, "PQnfields");
        Bind(m_pfnGetvalue, "PQgetvalue");
        Bind(m_pfnGetisnull, "PQgetisnull");
        return bOk;
    }

    void* m_hLib = nullptr;
    PGconn* m_pConn = nullptr;
    bool m_bOpen = false;
    std::string m_sError;
    decltype(&PQconnectdb) m_pfnConnectdb = nullptr;
    decltype(&PQstatus) m_pfnStatus = nullptr;
    decltype(&PQerrorMessage) m_pfnErrorMessage = nullptr;
    decltype(&PQfinish) m_pfnFinish = nullptr;
    decltype(&PQexec) m_pfnExec = nullptr;
    decltype(&PQresultStatus) m_pfnResultStatus = nullptr;
    decltype(&PQresultErrorMessage) m_pfnResultErrorMessage = nullptr;
    decltype(&PQresultErrorField) m_pfnResultErrorField = nullptr;
    decltype(&PQclear) m_pfnClear = nullptr;
    decltype(&PQntuples) m_pfnNtuples = nullptr;
    decltype(&PQnfields) m_pfnNfields = nullptr;
    decltype(&PQgetvalue) m_pfnGetvalue = nullptr;
    decltype(&PQgetisnull) m_pfnGetisnull = nullptr;
};

// The session of a test that checks texts of its own and runs them on the server when there is
// one: null without a server (a failure under CI, where the server must be there).
inline std::unique_ptr<CPgSession> pclOptionalSession() {
    std::string sReason;
    if (!pgsandbox::bServerAvailable(&sReason)) {
        if (pgsandbox::bUnderCI()) ADD_FAILURE() << sReason;
        return nullptr;
    }
    auto pcl = std::make_unique<CPgSession>();
    if (!pcl->bOpen()) {
        ADD_FAILURE() << pcl->sError();
        return nullptr;
    }
    return pcl;
}

}  // namespace sqltest

// The session of a test that needs the server (see KX_REQUIRE_PG_SERVER).
#define KX_PG_SESSION(name)                                            \
    KX_REQUIRE_PG_SERVER();                                            \
    sqltest::CPgSession name;                                          \
    ASSERT_TRUE(name.bOpen()) << name.sError()
