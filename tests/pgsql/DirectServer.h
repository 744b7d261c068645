// The test server as the tests' own oracle: a connection of the system's client library, opened
// with dlopen apart from the driver's loader, that runs a text and hands back every field as the
// server wrote it. Expected catalogue rows and values come from here, never from the driver.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/host/PgSandbox.h"

namespace pgtest {

class CDirectServer {
public:
    typedef std::vector<std::vector<std::optional<std::string>>> Rows;

    // A connection to the sandbox's server, to its database or the one named.
    explicit CDirectServer(const std::string& sDataBase = "") {
        // Never unloaded: the client library does not give back what it set up for its threads.
        m_h = dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (m_h == nullptr) {
            ADD_FAILURE() << dlerror();
            return;
        }
        m_pfnConnect = reinterpret_cast<void* (*)(const char*)>(dlsym(m_h, "PQconnectdb"));
        m_pfnFinish = reinterpret_cast<void (*)(void*)>(dlsym(m_h, "PQfinish"));
        m_pfnStatus = reinterpret_cast<int (*)(const void*)>(dlsym(m_h, "PQstatus"));
        m_pfnError = reinterpret_cast<char* (*)(const void*)>(dlsym(m_h, "PQerrorMessage"));
        m_pfnExec = reinterpret_cast<void* (*)(void*, const char*)>(dlsym(m_h, "PQexec"));
        m_pfnResultStatus = reinterpret_cast<int (*)(const void*)>(dlsym(m_h, "PQresultStatus"));
        m_pfnResultError = reinterpret_cast<char* (*)(const void*)>(dlsym(m_h, "PQresultErrorMessage"));
        m_pfnClear = reinterpret_cast<void (*)(void*)>(dlsym(m_h, "PQclear"));
        m_pfnTuples = reinterpret_cast<int (*)(const void*)>(dlsym(m_h, "PQntuples"));
        m_pfnFields = reinterpret_cast<int (*)(const void*)>(dlsym(m_h, "PQnfields"));
        m_pfnValue = reinterpret_cast<char* (*)(const void*, int, int)>(dlsym(m_h, "PQgetvalue"));
        m_pfnIsNull = reinterpret_cast<int (*)(const void*, int, int)>(dlsym(m_h, "PQgetisnull"));
        m_pfnLength = reinterpret_cast<int (*)(const void*, int, int)>(dlsym(m_h, "PQgetlength"));
        std::string sInfo = "host=" + pgsandbox::sEnv("PGHOST") + " port=" + pgsandbox::sEnv("PGPORT") +
                            " user=" + pgsandbox::sEnv("PGUSER") +
                            " dbname=" + (sDataBase.empty() ? pgsandbox::sEnv("PGDATABASE") : sDataBase);
        m_pConn = m_pfnConnect(sInfo.c_str());
        if (m_pfnStatus(m_pConn) != 0) ADD_FAILURE() << m_pfnError(m_pConn);
    }
    ~CDirectServer() {
        if (m_pConn != nullptr) m_pfnFinish(m_pConn);
        if (m_h != nullptr) dlclose(m_h);
    }
    CDirectServer(const CDirectServer&) = delete;
    CDirectServer& operator=(const CDirectServer&) = delete;

    // Every row of the text's result (fields as the server wrote them, nullopt for NULL); a text
    // the server refuses fails the test unless bMayFail.
    Rows Query(const std::string& sSQL, bool bMayFail = false) {
        Rows aRows;
        void* pResult = m_pfnExec(m_pConn, sSQL.c_str());
        const int nStatus = m_pfnResultStatus(pResult);
        if (nStatus != 1 && nStatus != 2) {
            if (!bMayFail) ADD_FAILURE() << sSQL << ": " << m_pfnResultError(pResult);
        } else {
            for (int r = 0; r < m_pfnTuples(pResult); r++) {
                aRows.emplace_back();
                for (int c = 0; c < m_pfnFields(pResult); c++) {
                    if (m_pfnIsNull(pResult, r, c))
                        aRows.back().push_back(std::nullopt);
                    else
                        aRows.back().push_back(
                            std::string(m_pfnValue(pResult, r, c), static_cast<size_t>(m_pfnLength(pResult, r, c))));
                }
            }
        }
        m_pfnClear(pResult);
        return aRows;
    }
    void Run(const std::string& sSQL) { Query(sSQL); }
    // The first field of the first row ("" without one).
    std::string sValue(const std::string& sSQL) {
        Rows a = Query(sSQL);
        return !a.empty() && !a[0].empty() && a[0][0].has_value() ? *a[0][0] : std::string();
    }

private:
    void* m_h = nullptr;
    void* m_pConn = nullptr;
    void* (*m_pfnConnect)(const char*) = nullptr;
    void (*m_pfnFinish)(void*) = nullptr;
    int (*m_pfnStatus)(const void*) = nullptr;
    char* (*m_pfnError)(const void*) = nullptr;
    void* (*m_pfnExec)(void*, const char*) = nullptr;
    int (*m_pfnResultStatus)(const void*) = nullptr;
    char* (*m_pfnResultError)(const void*) = nullptr;
    void (*m_pfnClear)(void*) = nullptr;
    int (*m_pfnTuples)(const void*) = nullptr;
    int (*m_pfnFields)(const void*) = nullptr;
    char* (*m_pfnValue)(const void*, int, int) = nullptr;
    int (*m_pfnIsNull)(const void*, int, int) = nullptr;
    int (*m_pfnLength)(const void*, int, int) = nullptr;
};

}  // namespace pgtest
