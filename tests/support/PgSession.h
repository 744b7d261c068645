// A session on the test run's PostgreSQL server through the client library alone (Libpq.h), the
// tests' and benchmarks' own oracle: expected rows and values come from here, never from the
// driver. It runs texts, gives back their rows, the first column or one value, and checks texts
// of the driver's under EXPLAIN (the server parses and plans them without running them, so a text
// it cannot read shows up as its error). Tables made with CREATE TEMP TABLE are the session's own,
// so tests running side by side do not meet.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/Libpq.h"
#include "tests/support/PgSandbox.h"
#include "tests/support/PgText.h"

namespace pgtest {

// A row as the server wrote its fields, nullopt for NULL.
typedef std::vector<std::optional<std::string>> Row;
typedef std::vector<Row> Rows;

class CPgSession {
public:
    // Connects to the sandbox's database or the one named; bOpen() tells whether it worked.
    explicit CPgSession(const std::string& sDataBase = "");
    ~CPgSession();
    CPgSession(const CPgSession&) = delete;
    CPgSession& operator=(const CPgSession&) = delete;

    bool bOpen() const { return m_pConn != nullptr; }
    // The message (and SQLSTATE) of the last failure.
    const std::string& sError() const { return m_sError; }
    const std::string& sState() const { return m_sState; }

    // Runs the text; false with the server's message when it refuses it.
    bool bExec(const std::string& sSQL) { return bQuery(sSQL, nullptr); }
    // Runs the text and gives back its rows (none for a command).
    bool bQuery(const std::string& sSQL, Rows* paRows);
    // The first column of the text's rows.
    bool bColumn(const std::string& sSQL, std::vector<std::optional<std::string>>* pvValues);
    // "" when the server accepts the text under EXPLAIN, else its SQLSTATE and message.
    std::string sExplain(const std::wstring& sSQL);

    // The same, where a refusal fails the running test (unless bMayFail).
    Rows Query(const std::string& sSQL, bool bMayFail = false);
    void Run(const std::string& sSQL) { Query(sSQL); }
    // The first field of the first row ("" without one, or for NULL).
    std::string sValue(const std::string& sSQL);

    // The server process of the session (to read its statements from the log).
    long nBackendPid() const;

    // For measures against the client library alone.
    PGconn* pConn() const { return m_pConn; }
    const CLibpq& Libpq() const { return *m_pclLibpq; }

private:
    const CLibpq* m_pclLibpq = nullptr;
    PGconn* m_pConn = nullptr;
    std::string m_sError;
    std::string m_sState;
};

// The session of a test that checks texts of its own and runs them on the server as well: null
// without a server, the test being then marked skipped with the reason (failed under CI, where the
// server must be there) while it goes on with what it checks alone. The setup text runs first.
std::unique_ptr<CPgSession> pclOptionalSession(const std::string& sSetup = "");

}  // namespace pgtest

// The session of a test that needs the server (see KX_REQUIRE_PG_SERVER).
#define KX_PG_SESSION(name)       \
    KX_REQUIRE_PG_SERVER();       \
    pgtest::CPgSession name;      \
    ASSERT_TRUE(name.bOpen()) << name.sError()
