// A session on the test run's PostgreSQL server through the client library loaded with dlopen (the
// tests never link it), for tests that compare an order of the driver's with the server's: it runs
// texts and reads the first column of a result, NULL values apart. Its tables are temporary, so
// tests running side by side do not meet.
#pragma once

#include <dlfcn.h>
#include <libpq-fe.h>

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

#include "tests/host/PgSandbox.h"

namespace pgrows {

// UTF-8 of a wide text, and back.
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
inline std::wstring sWide(const std::string& s) {
    std::wstring sOut;
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int nMore = c < 0x80 ? 0 : (c < 0xE0 ? 1 : (c < 0xF0 ? 2 : 3));
        uint32_t w = nMore == 0 ? c : (c & (0x3F >> nMore));
        for (int k = 1; k <= nMore && i + k < s.size(); k++) w = (w << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
        sOut += static_cast<wchar_t>(w);
        i += 1 + nMore;
    }
    return sOut;
}

// A SQL literal of UTF-8 text (standard strings: quotes doubled).
inline std::string sLiteral(const std::string& s) {
    std::string sOut = "'";
    for (char c : s) sOut += c == '\'' ? std::string("''") : std::string(1, c);
    return sOut + "'";
}

class CPgRows {
public:
    CPgRows() {
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
        m_bOpen = bExec("SET client_min_messages = error; SET client_encoding = 'UTF8'");
    }
    // The library stays loaded: what it keeps for the whole process would otherwise look lost.
    ~CPgRows() {
        if (m_pConn != nullptr) m_pfnFinish(m_pConn);
    }
    CPgRows(const CPgRows&) = delete;
    CPgRows& operator=(const CPgRows&) = delete;

    bool bOpen() const { return m_bOpen; }
    const std::string& sError() const { return m_sError; }

    // Runs the text; false with the server's message.
    bool bExec(const std::string& sSQL) { return _bRun(sSQL, nullptr); }
    // The first column of the query's rows, nullopt for NULL; false with the server's message.
    bool bColumn(const std::string& sSQL, std::vector<std::optional<std::string>>* pvValues) {
        return _bRun(sSQL, pvValues);
    }

private:
    bool _bRun(const std::string& sSQL, std::vector<std::optional<std::string>>* pvValues) {
        PGresult* pResult = m_pfnExec(m_pConn, sSQL.c_str());
        const ExecStatusType e = pResult != nullptr ? m_pfnResultStatus(pResult) : PGRES_FATAL_ERROR;
        const bool bOk = e == PGRES_COMMAND_OK || e == PGRES_TUPLES_OK;
        if (!bOk) m_sError = pResult != nullptr ? m_pfnResultErrorMessage(pResult) : m_pfnErrorMessage(m_pConn);
        if (bOk && pvValues != nullptr) {
            pvValues->clear();
            for (int i = 0; i < m_pfnNtuples(pResult); i++) {
                if (m_pfnGetisnull(pResult, i, 0))
                    pvValues->push_back(std::nullopt);
                else
                    pvValues->push_back(std::string(m_pfnGetvalue(pResult, i, 0)));
            }
        }
        if (pResult != nullptr) m_pfnClear(pResult);
        return bOk;
    }
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
        Bind(m_pfnClear, "PQclear");
        Bind(m_pfnNtuples, "PQntuples");
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
    decltype(&PQclear) m_pfnClear = nullptr;
    decltype(&PQntuples) m_pfnNtuples = nullptr;
    decltype(&PQgetvalue) m_pfnGetvalue = nullptr;
    decltype(&PQgetisnull) m_pfnGetisnull = nullptr;
};

}  // namespace pgrows

// The session of a test that needs the server (see KX_REQUIRE_PG_SERVER).
#define KX_PG_ROWS(name)              \
    KX_REQUIRE_PG_SERVER();           \
    pgrows::CPgRows name;             \
    ASSERT_TRUE(name.bOpen()) << name.sError()
