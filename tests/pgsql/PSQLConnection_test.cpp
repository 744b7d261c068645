// The PostgreSQL connection's open and close through a scripted client library: the connection
// string it hands over (checked against the real client library's own parser), the order of the
// open's calls and statements, versions, encodings, and what every failure leaves behind.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "native/driver/NADriver.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"
#include "tests/pgsql/PSQLTestSupport.h"

using namespace pgtest;

namespace {

// The real client library's reading of a connection string: key to value for every key the text
// sets; nullopt when the library refuses the text.
std::optional<std::map<std::string, std::string>> ParsedByClientLibrary(const std::string& sConnInfo) {
    struct stOption {
        char* keyword;
        char* envvar;
        char* compiled;
        char* val;
        char* label;
        char* dispchar;
        int dispsize;
    };
    void* h = dlopen("libpq.so.5", RTLD_NOW);
    if (h == nullptr) {
        ADD_FAILURE() << dlerror();
        return std::nullopt;
    }
    auto pfnParse = reinterpret_cast<stOption* (*)(const char*, char**)>(dlsym(h, "PQconninfoParse"));
    auto pfnFree = reinterpret_cast<void (*)(stOption*)>(dlsym(h, "PQconninfoFree"));
    auto pfnFreemem = reinterpret_cast<void (*)(void*)>(dlsym(h, "PQfreemem"));
    char* pszError = nullptr;
    stOption* pst = pfnParse(sConnInfo.c_str(), &pszError);
    if (pszError != nullptr) pfnFreemem(pszError);
    std::optional<std::map<std::string, std::string>> map;
    if (pst != nullptr) {
        map.emplace();
        for (stOption* p = pst; p->keyword != nullptr; p++)
            if (p->val != nullptr) (*map)[p->keyword] = p->val;
        pfnFree(pst);
    }
    dlclose(h);
    return map;
}

class PSQLConnectionTest : public testing::Test {
protected:
    // Declared first, so that it outlives the connections of the test.
    CProcessDriver m_clDriver;
    void SetUp() override { KXInstallStandInHost(); }
    void TearDown() override {
        m_clCnx.Drop();
        KXInstallStandInHost();
    }

    // The host's extended information: the fake library's option, then the given items.
    void SetExtendedInfo(const std::wstring& sItems) {
        std::wstring s = m_pclFake->wsLibraryOption();
        if (!sItems.empty()) s += L";" + sItems;
        m_clCnx.clHost.m_sExtendedInfo = s;
    }
    void UseFake(const std::string& sFile = "libkxfakeserver.so") {
        m_pclFake.emplace(sFile);
        SetExtendedInfo(L"");
    }
    stFakeServerState& st() { return m_pclFake->st(); }
    int bOpen() { return m_clCnx->bOpen(m_clError.p()); }

    std::optional<CFakeServer> m_pclFake;
    CConnection m_clCnx;
    CErrorRef m_clError;
};

// ------------------------------------------------------------------------------------ connection string

struct stCnxCase {
    const char* pszName;
    std::optional<std::wstring> sHost = L"127.0.0.1";
    std::optional<std::wstring> sUser{}, sPassword{}, sDefaultDataBase{};
    std::wstring sExtended{};
    int nConnectionTimeout = -1;
    // Expected: the exact text when given, and what the client library reads from it (nullopt:
    // the library refuses it).
    const char* pszConnInfo = nullptr;
    std::map<std::string, std::string> mapParsed{};
    bool bRefusedByLibrary = false;
};

TEST_F(PSQLConnectionTest, ConnectionStringAsTheClientLibraryReadsIt) {
    const stCnxCase tabCases[] = {
        {.pszName = "blank, quote and backslash",
         .sDefaultDataBase = L"a b'c\\d",
         .pszConnInfo = R"(host=127.0.0.1 dbname='a b\'c\\d')",
         .mapParsed = {{"host", "127.0.0.1"}, {"dbname", "a b'c\\d"}}},
        {.pszName = "quote without blank",
         .sDefaultDataBase = L"o'hara",
         .pszConnInfo = R"(host=127.0.0.1 dbname=o\'hara)",
         .mapParsed = {{"host", "127.0.0.1"}, {"dbname", "o'hara"}}},
        {.pszName = "backslash",
         .sUser = L"dom\\user",
         .pszConnInfo = R"(host=127.0.0.1 user=dom\\user)",
         .mapParsed = {{"host", "127.0.0.1"}, {"user", "dom\\user"}}},
        // Any blank the library splits at is quoted, not only the space: the tab does not end
        // the password, nothing after it becomes a key.
        {.pszName = "tab",
         .sPassword = L"p\tw sslmode=disable",
         .pszConnInfo = "host=127.0.0.1 password='p\tw sslmode=disable'",
         .mapParsed = {{"host", "127.0.0.1"}, {"password", "p\tw sslmode=disable"}}},
        {.pszName = "tab without space",
         .sPassword = L"p\thost=evil",
         .pszConnInfo = "host=127.0.0.1 password='p\thost=evil'",
         .mapParsed = {{"host", "127.0.0.1"}, {"password", "p\thost=evil"}}},
        {.pszName = "newline, return, form feed, vertical tab",
         .sUser = L"a\nb\rc\fd\ve",
         .mapParsed = {{"host", "127.0.0.1"}, {"user", "a\nb\rc\fd\ve"}}},
        {.pszName = "no user, password, port or SSL", .sHost = std::nullopt, .sDefaultDataBase = L"sales",
         .pszConnInfo = "dbname=sales", .mapParsed = {{"dbname", "sales"}}},
        // Every key in its order; the options the connection consumed never reach the library,
        // every other item does, each a parameter of its own, an empty value as ''.
        {.pszName = "every key",
         .sHost = L"db host",
         .sUser = L"u",
         .sPassword = L"p",
         .sExtended = L"sslcompression=0;Server Port=5433;Initial Catalog=sales;SSL Mode=require;SSL Key=k.pem;"
                      L"SSL Cert=c.pem;SSL CA=ca.pem;SSL CAPath=/ca;SSL Cipher=HIGH;Application Name=App;"
                      L"KX Connection Timeout=10;Initial Catalog=x; keepalives = 1 ;application_name=my app;"
                      L"options=;;",
         .pszConnInfo = "host='db host' port=5433 dbname=sales user=u password=p connect_timeout=10 sslmode=require "
                        "sslkey=k.pem sslcert=c.pem sslrootcert=ca.pem sslcompression=0 keepalives=1 "
                        "application_name='my app' options=''",
         .mapParsed = {{"host", "db host"},
                          {"port", "5433"},
                          {"dbname", "sales"},
                          {"user", "u"},
                          {"password", "p"},
                          {"connect_timeout", "10"},
                          {"sslmode", "require"},
                          {"sslkey", "k.pem"},
                          {"sslcert", "c.pem"},
                          {"sslrootcert", "ca.pem"},
                          {"sslcompression", "0"},
                          {"keepalives", "1"},
                          {"application_name", "my app"},
                          {"options", ""}}},
        {.pszName = "database from the extended information",
         .sDefaultDataBase = L"other",
         .sExtended = L"Initial Catalog=sales;Initial Catalog=x;sslcompression=0",
         .pszConnInfo = "host=127.0.0.1 dbname=sales sslcompression=0",
         .mapParsed = {{"host", "127.0.0.1"}, {"dbname", "sales"}, {"sslcompression", "0"}}},
        {.pszName = "host's time-out",
         .nConnectionTimeout = 0,
         .pszConnInfo = "host=127.0.0.1 connect_timeout=0",
         .mapParsed = {{"host", "127.0.0.1"}, {"connect_timeout", "0"}}},
        // An item the library reads as pairs keeps the library's meaning, each pair written anew;
        // a key the driver wrote itself is not written twice, so the host's own value stands.
        {.pszName = "pairs of the library's syntax",
         .sExtended = L"application_name=x options=-cstandard_conforming_strings=off",
         .pszConnInfo = "host=127.0.0.1 application_name=x options=-cstandard_conforming_strings=off",
         .mapParsed = {{"host", "127.0.0.1"},
                          {"application_name", "x"},
                          {"options", "-cstandard_conforming_strings=off"}}},
        {.pszName = "quoted value of the library's syntax",
         .sExtended = L"options='-c a=b' ; application_name = 'it\\'s' ;password=p\\ w",
         .pszConnInfo = R"(host=127.0.0.1 options='-c a=b' application_name=it\'s password='p w')",
         .mapParsed = {{"host", "127.0.0.1"}, {"options", "-c a=b"}, {"application_name", "it's"}, {"password", "p w"}}},
        {.pszName = "the driver's keys stand",
         .sUser = L"u",
         .sDefaultDataBase = L"sales",
         .sExtended = L"application_name=x' host=evil;user=intruder dbname=other;port=1",
         .pszConnInfo = R"(host=127.0.0.1 dbname=sales user=u application_name=x\' port=1)",
         .mapParsed = {{"host", "127.0.0.1"},
                          {"dbname", "sales"},
                          {"user", "u"},
                          {"application_name", "x'"},
                          {"port", "1"}}},
        // Not the library's syntax: one parameter whose value holds the rest, quotes and blanks
        // included, so that they start no key.
        {.pszName = "unclosed quote",
         .sExtended = L"options='-c a=b host=evil",
         .pszConnInfo = R"(host=127.0.0.1 options='\'-c a=b host=evil')",
         .mapParsed = {{"host", "127.0.0.1"}, {"options", "'-c a=b host=evil"}}},
        // An item that is no parameter goes as it is: the library refuses the string.
        {.pszName = "item without =",
         .sExtended = L"junk",
         .pszConnInfo = "host=127.0.0.1 junk",
         .bRefusedByLibrary = true},
    };
    for (const stCnxCase& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszName);
        UseFake();
        m_clCnx.Drop();
        m_clCnx.clHost.m_sDataBase = stCase.sHost;
        m_clCnx.clHost.m_sUserName = stCase.sUser;
        m_clCnx.clHost.m_sPassword = stCase.sPassword;
        m_clCnx.clHost.m_sDefaultDataBase = stCase.sDefaultDataBase;
        m_clCnx.clHost.m_nConnectionTimeout = stCase.nConnectionTimeout;
        SetExtendedInfo(stCase.sExtended);
        EXPECT_EQ(bOpen(), 1);
        ASSERT_EQ(st().aConnInfo.size(), 1u);
        const std::string& sConnInfo = st().aConnInfo[0];
        if (stCase.pszConnInfo != nullptr) {
            EXPECT_EQ(sConnInfo, stCase.pszConnInfo);
        }
        auto mapParsed = ParsedByClientLibrary(sConnInfo);
        if (stCase.bRefusedByLibrary) {
            EXPECT_FALSE(mapParsed.has_value()) << sConnInfo;
        } else {
            EXPECT_EQ(mapParsed, stCase.mapParsed) << sConnInfo;
        }
        m_clCnx.Drop();
        m_pclFake.reset();
    }
}

// The port is cut out of the extended information at the first open; a reopen keeps it.
TEST_F(PSQLConnectionTest, ReopenKeepsThePort) {
    UseFake();
    SetExtendedInfo(L"Server Port=5433;keepalives=1");
    ASSERT_EQ(bOpen(), 1);
    EXPECT_EQ(m_clCnx->bClose(m_clError.p()), 1);
    EXPECT_FALSE(bContains(wsOrEmpty(m_clCnx->pszGetExtendedInfoLeft()), L"Server Port"));
    ASSERT_EQ(bOpen(), 1);
    ASSERT_EQ(st().aConnInfo.size(), 2u);
    for (const std::string& s : st().aConnInfo) EXPECT_EQ(s, "host=127.0.0.1 port=5433 user=tester keepalives=1");
    EXPECT_EQ(m_clCnx->nGetPort(), 5433);
}

// ------------------------------------------------------------------------------------ the open's road

TEST_F(PSQLConnectionTest, OpenSettlesVersionsAndEncodingAndSendsTheSetUp) {
    UseFake();
    st().nLibVersion = 150007;
    st().nServerVersion = 140011;
    m_clCnx.clHost.m_nCommandTimeout = 30;
    ASSERT_EQ(bOpen(), 1);
    EXPECT_EQ(nErrorCount(m_clError.p()), 0);
    EXPECT_EQ(m_clCnx->bIsOpen(), 1);
    EXPECT_EQ(CNAConnectionDescription::m_nClientVersionMajor, 15);
    EXPECT_EQ(wsOrEmpty(CNAConnectionDescription::m_csClientVersion.pszGet()), L"15.0.7");
    EXPECT_EQ(sOf(CNAConnectionDescription::m_csClientLibrary.pszGet()), m_pclFake->sPath());
    EXPECT_EQ(m_clCnx->nGetServerVersion(), 140011u);
    EXPECT_EQ(wsOrEmpty(m_clCnx->pszGetServerVersion()), L"14.0.11");
    EXPECT_EQ(m_clCnx->nGetServerMajorVersion(), 14);
    EXPECT_EQ(m_clCnx->nGetServerRevision(), 11);
    EXPECT_EQ(wsOrEmpty(m_clCnx->pszGetServerEncoding()), L"UTF8");
    EXPECT_EQ(st().aEncodings, std::vector<std::string>{"UTF8"});
    EXPECT_EQ(m_clCnx->nGetClientCodePage(), 65001u);
    EXPECT_EQ(m_clCnx->bGetServerUnicode(), 1u);
    EXPECT_EQ(m_clCnx->bGetUnicodeSupport(), 1u);
    EXPECT_EQ(st().aExec, (std::vector<std::string>{"SET DateStyle=iso, ymd", "SET statement_timeout=30000"}));
    const std::vector<std::string> aExpectedCalls = {
        "PQlibVersion", "PQconnectdb", "PQstatus",       "PQserverVersion", "PQparameterStatus", "PQsetClientEncoding",
        "PQexec",       "PQresultStatus", "PQclear",     "PQexec",          "PQresultStatus",    "PQclear"};
    EXPECT_EQ(st().aCalls, aExpectedCalls);
    EXPECT_EQ(st().nLiveResults, 0);

    // Open already: nothing is asked of the library.
    EXPECT_EQ(bOpen(), 1);
    EXPECT_EQ(st().aCalls.size(), aExpectedCalls.size());

    EXPECT_EQ(m_clCnx->bClose(m_clError.p()), 1);
    EXPECT_EQ(m_clCnx->bIsOpen(), 0);
    EXPECT_EQ(m_clCnx->pstGetPGConn(), nullptr);
    EXPECT_EQ(st().nLiveConnections, 0);
    EXPECT_EQ(m_clCnx->bClose(m_clError.p()), 1);
    EXPECT_EQ(st().aCalls.back(), "PQfinish");
}

// The statement time-out goes in milliseconds, held to the largest value the server takes.
TEST_F(PSQLConnectionTest, StatementTimeoutInMilliseconds) {
    const struct {
        const wchar_t* pszOption;
        int nHostTimeout;
        const char* pszSent;  // null: nothing sent
    } tabCases[] = {
        {nullptr, -1, nullptr},
        {nullptr, 45, "SET statement_timeout=45000"},
        {L"KX Command Timeout=30", 45, "SET statement_timeout=30000"},
        {L"KX Command Timeout=0", -1, "SET statement_timeout=0"},
        {L"KX Command Timeout=-1", 45, nullptr},
        {L"KX Command Timeout=2147483", -1, "SET statement_timeout=2147483000"},
        {L"KX Command Timeout=2147484", -1, "SET statement_timeout=2147483647"},
        {L"KX Command Timeout=2147483647", -1, "SET statement_timeout=2147483647"},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszOption != nullptr ? sOf(stCase.pszOption) : std::to_string(stCase.nHostTimeout));
        UseFake();
        m_clCnx.clHost.m_nCommandTimeout = stCase.nHostTimeout;
        SetExtendedInfo(stCase.pszOption != nullptr ? stCase.pszOption : L"");
        ASSERT_EQ(bOpen(), 1);
        std::vector<std::string> aExpected = {"SET DateStyle=iso, ymd"};
        if (stCase.pszSent != nullptr) aExpected.push_back(stCase.pszSent);
        EXPECT_EQ(st().aExec, aExpected);
        m_clCnx.Drop();
        m_pclFake.reset();
    }
}

TEST_F(PSQLConnectionTest, ClientLibraryWithoutVersion) {
    UseFake("libkxfakeserver_nolibversion.so");
    CNAConnectionDescription::m_csClientVersion.Set(L"99.0.0");
    ASSERT_EQ(bOpen(), 1);
    EXPECT_EQ(nErrorCount(m_clError.p()), 0);
    EXPECT_EQ(wsOrEmpty(CNAConnectionDescription::m_csClientVersion.pszGet()), L"Older than 9.1");
    EXPECT_EQ(CNAConnectionDescription::m_nClientVersionMajor, 0);
}

// Without PQserverVersion the server is asked; its answer clears the recorded missing function.
TEST_F(PSQLConnectionTest, ServerVersionAskedWhenTheLibraryCannotTell) {
    UseFake("libkxfakeserver_noserverversion.so");
    st().mapResults["SHOW SERVER_VERSION"] = {.nStatus = 2, .aColumns = {"server_version"}, .aRows = {{"15.4"}}};
    ASSERT_EQ(bOpen(), 1);
    EXPECT_EQ(nErrorCount(m_clError.p()), 0);
    EXPECT_EQ(wsOrEmpty(m_clCnx->pszGetServerVersion()), L"15.4");
    ASSERT_FALSE(st().aExec.empty());
    EXPECT_EQ(st().aExec[0], "SHOW SERVER_VERSION");
    EXPECT_EQ(st().nLiveResults, 0);
}

// A server before 8.0 (or one that does not report its encoding) is asked for it; an encoding
// other than UTF8 makes the connection speak the host's code page.
TEST_F(PSQLConnectionTest, ServerEncodingAskedOfOldServers) {
    UseFake();
    st().nServerVersion = 70400;
    st().mapResults["SHOW SERVER_ENCODING"] = {.nStatus = 2, .aColumns = {"server_encoding"}, .aRows = {{"LATIN1"}}};
    ASSERT_EQ(bOpen(), 1);
    EXPECT_EQ(wsOrEmpty(m_clCnx->pszGetServerEncoding()), L"LATIN1");
    EXPECT_EQ(st().aExec, (std::vector<std::string>{"SHOW SERVER_ENCODING", "SET DateStyle=iso, ymd"}));
    for (const std::string& s : st().aCalls) EXPECT_NE(s, "PQparameterStatus");
    EXPECT_EQ(st().aEncodings, std::vector<std::string>{"WIN1252"});
    EXPECT_EQ(m_clCnx->bSupportInsertReturning(), 0);

    // A later server that reports nothing is asked too.
    m_clCnx.Drop();
    UseFake();
    SetExtendedInfo(L"");
    st().bNoServerEncoding = true;
    st().mapResults["SHOW SERVER_ENCODING"] = {.nStatus = 2, .aColumns = {"server_encoding"}, .aRows = {{"UTF8"}}};
    ASSERT_EQ(bOpen(), 1);
    EXPECT_EQ(st().aExec[0], "SHOW SERVER_ENCODING");
    EXPECT_EQ(st().aEncodings, std::vector<std::string>{"UTF8"});
}

// The client encoding follows the host's character set when the server is not UTF8 (or Unicode
// is off), and the connection then reads and writes in the host's code page.
TEST_F(PSQLConnectionTest, ClientEncodingFollowsTheHostCodePage) {
    const struct {
        int nCharset;
        const char* pszServer;
        const wchar_t* pszOption;
        const char* pszEncoding;
        unsigned nClientCodePage;
        unsigned bUnicodeSupport, bServerUnicode;
    } tabCases[] = {
        {0, "UTF8", nullptr, "UTF8", 65001, 1, 1},
        {0, "LATIN1", nullptr, "WIN1252", 1252, 0, 0},
        {204, "WIN1251", nullptr, "WIN1251", 1251, 0, 0},
        {136, "EUC_TW", nullptr, "BIG5", 950, 0, 0},
        {128, "SJIS", nullptr, "SJIS", 932, 0, 0},
        {65001, "LATIN1", nullptr, "UTF8", 65001, 1, 0},
        {238, "UTF8", L"KX Unicode Support=0", "WIN1250", 1250, 0, 1},
        // The server's name is compared exactly.
        {0, "utf8", nullptr, "WIN1252", 1252, 0, 0},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(std::to_string(stCase.nCharset) + " " + stCase.pszServer);
        standin::SetCharset(stCase.nCharset);
        UseFake();
        st().sServerEncoding = stCase.pszServer;
        SetExtendedInfo(stCase.pszOption != nullptr ? stCase.pszOption : L"");
        ASSERT_EQ(bOpen(), 1);
        EXPECT_EQ(st().aEncodings, std::vector<std::string>{stCase.pszEncoding});
        EXPECT_EQ(m_clCnx->nGetClientCodePage(), stCase.nClientCodePage);
        EXPECT_EQ(m_clCnx->bGetUnicodeSupport(), stCase.bUnicodeSupport);
        EXPECT_EQ(m_clCnx->bGetServerUnicode(), stCase.bServerUnicode);
        m_clCnx.Drop();
        m_pclFake.reset();
    }
}

TEST_F(PSQLConnectionTest, ClientEncodingOfEveryCodePage) {
    const struct {
        unsigned nCodePage;
        const wchar_t* pszEncoding;
    } tabCases[] = {
        {874, L"WIN874"},   {932, L"SJIS"},     {936, L"GBK"},      {949, L"UHC"},      {950, L"BIG5"},
        {1250, L"WIN1250"}, {1251, L"WIN1251"}, {1252, L"WIN1252"}, {1253, L"WIN1253"}, {1254, L"WIN1254"},
        {1255, L"WIN1255"}, {1256, L"WIN1256"}, {1257, L"WIN1257"}, {1258, L"WIN1258"}, {1361, L"JOHAB"},
        {65001, L"UTF8"},   {437, L"WIN1252"},  {0, L"WIN1252"},    {28591, L"WIN1252"},
    };
    for (const auto& stCase : tabCases)
        EXPECT_EQ(wsOrEmpty(m_clCnx->_pszGetClientEncodingFromLocale(stCase.nCodePage)), stCase.pszEncoding)
            << stCase.nCodePage;
}

// A refused client encoding falls back on UTF8 when the connection may speak Unicode; when no
// encoding is taken, the open fails and the connection is dropped.
TEST_F(PSQLConnectionTest, RefusedClientEncoding) {
    const struct {
        const char* pszName;
        const char* pszServer;
        std::vector<std::string> aRefused;
        const wchar_t* pszOption;
        const char* pszMessage;
        // Expected.
        int bOpen;
        std::vector<std::string> aAsked;
        unsigned nClientCodePage;
    } tabCases[] = {
        {"UTF8 refused", "UTF8", {"*"}, nullptr, "invalid value\n", 0, {"UTF8"}, 0},
        {"host page refused, UTF8 taken", "LATIN1", {"WIN1252"}, nullptr, "invalid value\n", 1, {"WIN1252", "UTF8"},
         65001},
        {"both refused", "LATIN1", {"*"}, nullptr, "invalid value\n", 0, {"WIN1252", "UTF8"}, 0},
        {"no Unicode, no fallback", "LATIN1", {"WIN1252"}, L"KX Unicode Support=0", "invalid value\n", 0,
         {"WIN1252"}, 0},
        // Refused without a word from the library: still reported.
        {"refused without text", "UTF8", {"*"}, nullptr, "", 0, {"UTF8"}, 0},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszName);
        UseFake();
        m_clError->Reset();
        st().sServerEncoding = stCase.pszServer;
        st().aRefusedEncodings = stCase.aRefused;
        st().sErrorMessage = stCase.pszMessage;
        m_clCnx.clHost.m_sDefaultDataBase = L"kxdb";
        SetExtendedInfo(stCase.pszOption != nullptr ? stCase.pszOption : L"");
        EXPECT_EQ(bOpen(), stCase.bOpen);
        EXPECT_EQ(st().aEncodings, stCase.aAsked);
        EXPECT_EQ(m_clCnx->bIsOpen(), stCase.bOpen);
        if (stCase.bOpen) {
            EXPECT_EQ(nErrorCount(m_clError.p()), 0);
            EXPECT_EQ(m_clCnx->nGetClientCodePage(), stCase.nClientCodePage);
        } else {
            stError stMain = stGetError(m_clError.p());
            EXPECT_EQ(stMain.nCode, 22u);
            EXPECT_EQ(stMain.nInfoCode, 22u);
            EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(101, 12))) << sOf(stMain.sDebug.c_str());
            EXPECT_TRUE(bContains(stMain.sUser, L"127.0.0.1"));
            EXPECT_TRUE(bContains(stMain.sUser, wsOf(stCase.pszMessage)));
            std::wstring sRefused = L"The client encoding " + wsOf(stCase.aAsked[0]) +
                                    L" could not be set (server encoding " + wsOf(stCase.pszServer) +
                                    L", database kxdb).";
            EXPECT_TRUE(bContains(stMain.sUser, sRefused)) << sOf(stMain.sUser.c_str());
            // Dropped: the next open connects again.
            EXPECT_EQ(st().nLiveConnections, 0);
            EXPECT_EQ(m_clCnx->pstGetPGConn(), nullptr);
            EXPECT_EQ(bOpen(), 0);
            EXPECT_EQ(st().aConnInfo.size(), 2u);
        }
        m_clCnx.Drop();
        m_pclFake.reset();
    }
}

// The connection the server refuses: the library's text with the data source, the handle finished.
TEST_F(PSQLConnectionTest, ConnectionRefused) {
    const struct {
        int nClientEncoding;
        const char* pszMessage;
        const wchar_t* pszRead;
    } tabCases[] = {
        {6, "connection to server failed: \xC3\xA9" "chec\n", L"connection to server failed: \u00E9chec\n"},
        {8, "connection to server failed: \xE9" "chec\n", L"connection to server failed: \u00E9chec\n"},
    };
    for (const auto& stCase : tabCases) {
        UseFake();
        m_clError->Reset();
        st().nStatus = 1;
        st().nClientEncoding = stCase.nClientEncoding;
        st().sErrorMessage = stCase.pszMessage;
        EXPECT_EQ(bOpen(), 0);
        EXPECT_EQ(m_clCnx->bIsOpen(), 0);
        EXPECT_EQ(st().nLiveConnections, 0);
        EXPECT_TRUE(st().aExec.empty());
        EXPECT_EQ(nErrorCount(m_clError.p()), 1);
        stError stMain = stGetError(m_clError.p());
        EXPECT_EQ(stMain.nCode, 22u);
        EXPECT_EQ(m_clError->eGetErrorType(), NA_ERRORTYPE_GENERAL);
        EXPECT_TRUE(bContains(stMain.sUser, L"Cannot connect to the server: 127.0.0.1."));
        EXPECT_TRUE(bContains(stMain.sUser, stCase.pszRead)) << sOf(stMain.sUser.c_str());
        EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(101, 13)));
        m_clCnx.Drop();
        m_pclFake.reset();
    }
}

// ------------------------------------------------------------------------------------ commit

// What the commit cannot learn from the client library: a fault while asking the transaction's
// status fails the commit, which the server still receives to end the transaction; a library
// without the function commits as it always did.
TEST_F(PSQLConnectionTest, CommitWithoutTheTransactionStatus) {
    const struct {
        const char* pszFile;
        const char* pszThrowIn;
        int bCommitted;
    } tabCases[] = {
        {"libkxfakeserver.so", "PQtransactionStatus", 0},
        {"libkxfakeserver_notransactionstatus.so", nullptr, 1},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszFile);
        UseFake(stCase.pszFile);
        m_clError->Reset();
        ASSERT_EQ(m_clCnx->bTransactionBegin(m_clError.p(), L"A"), 1) << sOf(m_clError->pszGetError());
        st().nTransactionStatus = 2;
        if (stCase.pszThrowIn != nullptr) st().sThrowIn = stCase.pszThrowIn;
        EXPECT_EQ(m_clCnx->bTransactionCommit(m_clError.p(), L"A"), stCase.bCommitted);
        EXPECT_EQ(st().aExec.back(), "COMMIT");
        EXPECT_EQ(m_clCnx->_bTransactionOpened(), 0);
        if (stCase.bCommitted) {
            EXPECT_EQ(nErrorCount(m_clError.p()), 0);
        } else {
            stError stMain = stGetError(m_clError.p());
            EXPECT_EQ(stMain.nCode, 23u);
            EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(101, 20))) << sOf(stMain.sDebug.c_str());
        }
        m_clCnx.Drop();
        m_pclFake.reset();
    }
}

// ------------------------------------------------------------------------------------ faults

// A fault in any client-library call fails the open with its own error and site, and leaves no
// connection behind: the next open connects afresh.
TEST_F(PSQLConnectionTest, FaultsAndFailuresDropTheConnection) {
    const struct {
        const char* pszName;
        const char* pszThrowIn;
        const char* pszRefused;  // a statement the server refuses
        uint32_t nCode;
        unsigned nFile, nSite;
        bool bConnected;  // PQconnectdb ran
    } tabCases[] = {
        {"PQconnectdb", "PQconnectdb", nullptr, 23, 101, 1, false},
        {"PQstatus", "PQstatus", nullptr, 23, 101, 5, true},
        {"PQparameterStatus", "PQparameterStatus", nullptr, 23, 101, 10, true},
        // The encoding's query failing too: its failure is forgotten, not the fault before it.
        {"PQparameterStatus, encoding unknown", "PQparameterStatus", "SHOW SERVER_ENCODING", 23, 101, 10, true},
        {"PQsetClientEncoding", "PQsetClientEncoding", nullptr, 23, 101, 7, true},
        {"PQexec", "PQexec", nullptr, 23, 100, 5, true},
        {"date style refused", nullptr, "SET DateStyle=iso, ymd", 80, 100, 19, true},
        {"time-out refused", nullptr, "SET statement_timeout=30000", 80, 100, 19, true},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszName);
        UseFake();
        m_clError->Reset();
        m_clCnx.clHost.m_nCommandTimeout = 30;
        if (stCase.pszThrowIn != nullptr) st().sThrowIn = stCase.pszThrowIn;
        if (stCase.pszRefused != nullptr)
            st().mapResults[stCase.pszRefused] = {.nStatus = 7, .sSQLState = "22023", .sMessage = "ERROR:  bad value\n"};
        EXPECT_EQ(bOpen(), 0);
        EXPECT_EQ(m_clCnx->bIsOpen(), 0);
        EXPECT_EQ(m_clCnx->pstGetPGConn(), nullptr);
        EXPECT_EQ(st().nLiveConnections, 0);
        EXPECT_EQ(st().nLiveResults, 0);
        stError stMain = stGetError(m_clError.p());
        EXPECT_EQ(stMain.nCode, stCase.nCode);
        EXPECT_EQ(stMain.nInfoCode, stCase.nCode);
        EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(stCase.nFile, stCase.nSite))) << sOf(stMain.sDebug.c_str());
        if (stCase.nCode == 23) {
            EXPECT_TRUE(bContains(stMain.sUser, L"PostgreSQL"));
        }
        if (stCase.nCode == 80) {
            EXPECT_TRUE(bContains(stMain.sUser, L"SQLSTATE 22023"));
            EXPECT_EQ(m_clError->dwGetDataBaseErrorCode(), 22023u);
            EXPECT_TRUE(bContains(stMain.sDebug, wsOf(stCase.pszRefused)));
        }
        EXPECT_EQ(st().aConnInfo.size(), stCase.bConnected ? 1u : 0u);

        // The fault gone, the next open connects and succeeds.
        st().sThrowIn.clear();
        st().mapResults.clear();
        m_clError->Reset();
        EXPECT_EQ(bOpen(), 1);
        EXPECT_EQ(st().aConnInfo.size(), stCase.bConnected ? 2u : 1u);
        m_clCnx.Drop();
        m_pclFake.reset();
    }
}

// A missing PQserverVersion whose fallback also fails: the missing function stays recorded first.
TEST_F(PSQLConnectionTest, ServerVersionUnknownFailsTheOpen) {
    UseFake("libkxfakeserver_noserverversion.so");
    st().mapResults["SHOW SERVER_VERSION"] = {.nStatus = 7, .sSQLState = "XX000", .sMessage = "ERROR:  no\n"};
    EXPECT_EQ(bOpen(), 0);
    EXPECT_EQ(m_clCnx->bIsOpen(), 0);
    EXPECT_EQ(st().nLiveConnections, 0);
    stError stMain = stGetError(m_clError.p());
    EXPECT_EQ(stMain.nCode, 37u);
    EXPECT_TRUE(bContains(stMain.sUser, L"PQserverVersion"));
    EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(101, 3)));
    EXPECT_EQ(stGetError(m_clError.p(), 0).nCode, 80u);
}

// A library that faults when asked its version is not used to connect.
TEST_F(PSQLConnectionTest, LibraryVersionFaultStopsBeforeConnecting) {
    UseFake();
    st().sThrowIn = "PQlibVersion";
    EXPECT_EQ(bOpen(), 0);
    EXPECT_TRUE(st().aConnInfo.empty());
    stError stMain = stGetError(m_clError.p());
    EXPECT_EQ(stMain.nCode, 23u);
    EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(101, 15)));
    EXPECT_EQ(wsOrEmpty(CNAConnectionDescription::m_csClientVersion.pszGet()), L"Older than 9.1");
    // The library stays loaded; the next open connects.
    st().sThrowIn.clear();
    m_clError->Reset();
    EXPECT_EQ(bOpen(), 1);
    EXPECT_EQ(st().aConnInfo.size(), 1u);
}

// A fault in PQfinish: the close fails, the connection is closed all the same.
TEST_F(PSQLConnectionTest, CloseFault) {
    UseFake();
    ASSERT_EQ(bOpen(), 1);
    st().sThrowIn = "PQfinish";
    EXPECT_EQ(m_clCnx->bClose(m_clError.p()), 0);
    EXPECT_EQ(m_clCnx->bIsOpen(), 0);
    EXPECT_EQ(m_clCnx->pstGetPGConn(), nullptr);
    EXPECT_EQ(st().nLiveConnections, 0);
    stError stMain = stGetError(m_clError.p());
    EXPECT_EQ(stMain.nCode, 23u);
    EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(101, 2)));
    EXPECT_EQ(m_clCnx->bClose(m_clError.p()), 1);
}

// The connection's destructor closes it.
TEST_F(PSQLConnectionTest, DestructionFinishesTheConnection) {
    UseFake();
    ASSERT_EQ(bOpen(), 1);
    EXPECT_EQ(st().nLiveConnections, 1);
    m_clCnx.Drop();
    EXPECT_EQ(st().nLiveConnections, 0);
    EXPECT_EQ(st().aCalls.back(), "PQfinish");
}

// The loader's own error when the library named cannot be loaded.
TEST_F(PSQLConnectionTest, LibraryThatCannotBeLoaded) {
    m_clCnx.clHost.m_sExtendedInfo = L"KX CLIENT LIBRARY=" + wsOf(sFakeServerDir()) + L"/libnosuch.so";
    EXPECT_EQ(bOpen(), 0);
    EXPECT_EQ(stGetError(m_clError.p()).nCode, 52u);
    CNAFunctionLoader::g_Term();
}

}  // namespace
