// The throwaway PostgreSQL server of the test run (scripts/pg-sandbox.sh, started by
// scripts/test.sh) as the tests and benchmarks see it: whether it is there and its libpq settings.
//
// A test that needs the server starts with KX_REQUIRE_PG_SERVER(): without a reachable server it
// fails when the environment variable CI is set and is skipped, with the reason, on a developer's
// machine. To run such tests by hand: eval "$(bash scripts/pg-sandbox.sh start)", run them, then
// bash scripts/pg-sandbox.sh stop.
#pragma once

#include <gtest/gtest.h>

#include <string>

namespace pgsandbox {

// The environment variable's value ("" when it is not set).
std::string sEnv(const char* pszName);
std::wstring wsEnv(const char* pszName);

bool bUnderCI();

// True when the sandbox's settings are in the environment and its port accepts a connection;
// otherwise false with the reason.
bool bServerAvailable(std::string* psReason);

// The libpq connection text of the sandbox ("host=... port=... user=... dbname=..."), to its
// database or to the one named.
std::string sConnInfo(const std::string& sDataBase = "");

// The driver's extended connection information that reaches the sandbox's database (or the one
// named): its port (or the one given) and database, followed by the options given.
std::wstring wsExtendedInfo(const std::wstring& wsOptions = L"", const std::string& sDataBase = "",
                            const std::wstring& wsPort = L"");

// Without a reachable server: a failure under CI, otherwise the running test is marked skipped
// with the reason and goes on (what it checks without the server still counts). True when the
// server is there.
bool bServerOrSkip();

}  // namespace pgsandbox

// First statement of a test that needs the server (see above).
#define KX_REQUIRE_PG_SERVER()                                      \
    do {                                                            \
        std::string sKxPgReason;                                    \
        if (!pgsandbox::bServerAvailable(&sKxPgReason)) {           \
            if (pgsandbox::bUnderCI()) FAIL() << sKxPgReason;       \
            GTEST_SKIP() << sKxPgReason;                            \
        }                                                           \
    } while (0)
