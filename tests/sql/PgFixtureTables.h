// The tables the SQL texts of the command tests name, made in a session on the test server (they
// are temporary: tests side by side do not meet), and the rows of a text as those tests compare
// them.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "tests/support/PgSession.h"

namespace sqltest {

constexpr const char* PG_FIXTURE_TABLES =
    "CREATE TEMP TABLE t (a int, b text, c int, x int, y text, n int, d date);"
    "CREATE TEMP TABLE \"we\"\"ird\" (id int);"
    "CREATE TEMP TABLE \"Client\" (id int, nom varchar(10), naissance date, notes text, code bytea);";

// The session of a test that checks texts of its own and runs them on the server as well (see
// pgtest::pclOptionalSession), with the fixture tables.
inline std::unique_ptr<pgtest::CPgSession> pclFixtureSession() { return pgtest::pclOptionalSession(PG_FIXTURE_TABLES); }

// The rows as texts, "<NULL>" for NULL.
inline std::vector<std::vector<std::string>> tabTexts(const pgtest::Rows& aRows) {
    std::vector<std::vector<std::string>> tab;
    for (const pgtest::Row& a : aRows) {
        tab.emplace_back();
        for (const auto& o : a) tab.back().push_back(o ? *o : std::string("<NULL>"));
    }
    return tab;
}

}  // namespace sqltest

// The session of a test that needs the server, with the fixture tables.
#define KX_PG_FIXTURE_SESSION(name) \
    KX_PG_SESSION(name);                    \
    ASSERT_TRUE(name.bExec(sqltest::PG_FIXTURE_TABLES)) << name.sError()
