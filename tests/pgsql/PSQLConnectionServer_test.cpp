// The PostgreSQL connection against the test run's PostgreSQL 15 server (scripts/pg-sandbox.sh, on
// a port of its own) through the system's client library: what the open sends (the server's
// statement log of the connection's backend), a reopen on the same port, encodings the server
// itself converts, refusals by the server, and bytea literals the server reads back.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/TStringConcatAW.h"
#include "native/driver/NATransaction.h"
#include "native/model/NAItemDescription.h"
#include "tests/support/PgSandbox.h"
#include "tests/support/StatementLog.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"
#include "tests/support/PgSession.h"
#include "tests/pgsql/PSQLTestSupport.h"
#include "variant/Any.h"

using namespace pgtest;

namespace {

// A port of 127.0.0.1 on which nothing listens.
int nClosedPort() {
    int nSocket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in stAddress{};
    stAddress.sin_family = AF_INET;
    stAddress.sin_port = 0;
    inet_pton(AF_INET, "127.0.0.1", &stAddress.sin_addr);
    socklen_t nLength = sizeof(stAddress);
    bind(nSocket, reinterpret_cast<sockaddr*>(&stAddress), sizeof(stAddress));
    getsockname(nSocket, reinterpret_cast<sockaddr*>(&stAddress), &nLength);
    close(nSocket);
    return ntohs(stAddress.sin_port);
}

// The system's client library is loaded by the first open and stays loaded, as in the driver: the
// client library does not give back what it set up for its connections when it is unloaded.
class PSQLConnectionServerTest : public testing::Test {
protected:
    // Declared first, so that it outlives the connections of the test.
    CProcessDriver m_clDriver;
    void SetUp() override { KXInstallStandInHost(); }
    void TearDown() override {
        m_clCnx.Drop();
        KXInstallStandInHost();
    }

    // The sandbox's server, database and user; the extended information adds the given items.
    void Describe(const std::wstring& sItems = L"", const std::string& sDataBase = pgsandbox::sEnv("PGDATABASE")) {
        m_clCnx.Drop();
        m_clCnx.clHost.m_sDataBase = wsOf(pgsandbox::sEnv("PGHOST"));
        m_clCnx.clHost.m_sUserName = wsOf(pgsandbox::sEnv("PGUSER"));
        std::wstring s = L"Server Port=" + wsOf(pgsandbox::sEnv("PGPORT")) + L";Initial Catalog=" + wsOf(sDataBase);
        if (!sItems.empty()) s += L";" + sItems;
        m_clCnx.clHost.m_sExtendedInfo = s;
    }
    int bOpen() { return m_clCnx->bOpen(m_clError.p()); }

    // The first value of a query on the connection, as text; bOk tells whether it ran.
    std::wstring wsQuery(const std::wstring& sSQL, int* pbOk = nullptr) {
        auto* pcl = new CPSQLStatementSQL(m_clCnx.pcl(), m_clError.p());
        pcl->AddRef();
        CAny clValue;
        int bOk = pcl->bGetRequestedValue(&clValue, 0, sSQL.c_str());
        pcl->nRelease();
        if (pbOk != nullptr) *pbOk = bOk;
        EXPECT_TRUE(pbOk != nullptr || bOk) << sOf(sSQL.c_str()) << ": " << sOf(m_clError->pszGetError());
        const wchar_t* psz = nullptr;
        if (clValue.nGetTypeCode() == VQTYPE_VIDE || clValue.bIsNull() ||
            clValue.pclGetValeur()->nGetPCWSTR(&psz) != VQERR_OK)
            return std::wstring();
        return wsOrEmpty(psz);
    }
    long nBackendPid() { return std::stol(sOf(wsQuery(L"SELECT pg_backend_pid()").c_str())); }

    CConnection m_clCnx;
    CErrorRef m_clError;
};

// The open sends the client encoding, the date style and the statement time-out, and nothing
// else; a reopen after a close connects to the same server on the same port and sends them again.
TEST_F(PSQLConnectionServerTest, OpenSendsItsSetUpAndReopensOnItsPort) {
    KX_REQUIRE_PG_SERVER();
    pgsandbox::CStatementLog clLog;
    Describe(L"KX Command Timeout=30");
    ASSERT_EQ(bOpen(), 1) << sOf(m_clError->pszGetError());
    EXPECT_EQ(nErrorCount(m_clError.p()), 0);
    const std::vector<std::string> aSetUp = {"set client_encoding to 'UTF8'", "SET DateStyle=iso, ymd",
                                             "SET statement_timeout=30000"};
    long nFirstPid = nBackendPid();
    std::vector<std::string> aExpected = aSetUp;
    aExpected.push_back("SELECT pg_backend_pid()");
    EXPECT_EQ(clLog.Statements(nFirstPid), aExpected);

    EXPECT_EQ(wsQuery(L"SHOW DateStyle"), L"ISO, YMD");
    EXPECT_EQ(wsQuery(L"SHOW statement_timeout"), L"30s");
    EXPECT_EQ(m_clCnx->nGetServerVersion() / 10000, 15u);
    EXPECT_EQ(m_clCnx->nGetServerMajorVersion(), 15);
    EXPECT_EQ(m_clCnx->bSupportInsertReturning(), 1);
    EXPECT_EQ(wsOrEmpty(m_clCnx->pszGetServerEncoding()), L"UTF8");
    EXPECT_EQ(m_clCnx->nGetClientCodePage(), 65001u);
    EXPECT_EQ(CNAConnectionDescription::m_nClientVersionMajor, 15);

    EXPECT_EQ(m_clCnx->bClose(m_clError.p()), 1);
    EXPECT_EQ(m_clCnx->bIsOpen(), 0);
    clLog.Mark();
    ASSERT_EQ(bOpen(), 1) << sOf(m_clError->pszGetError());
    long nSecondPid = nBackendPid();
    EXPECT_NE(nSecondPid, nFirstPid);
    EXPECT_EQ(wsQuery(L"SELECT current_setting('port')"), wsOf(pgsandbox::sEnv("PGPORT")));
    aExpected.push_back("SELECT current_setting('port')");
    EXPECT_EQ(clLog.Statements(nSecondPid), aExpected);
}

// The largest time-out the server takes; beyond it the milliseconds would not fit.
TEST_F(PSQLConnectionServerTest, LongestStatementTimeout) {
    KX_REQUIRE_PG_SERVER();
    Describe(L"KX Command Timeout=2147484");
    ASSERT_EQ(bOpen(), 1) << sOf(m_clError->pszGetError());
    EXPECT_EQ(wsQuery(L"SHOW statement_timeout"), L"2147483647ms");
}

// A set-up statement the server refuses fails the open and drops the connection.
TEST_F(PSQLConnectionServerTest, RefusedSetUpDropsTheConnection) {
    KX_REQUIRE_PG_SERVER();
    pgsandbox::CStatementLog clLog;
    Describe(L"KX Command Timeout=-5");
    EXPECT_EQ(bOpen(), 0);
    EXPECT_EQ(m_clCnx->bIsOpen(), 0);
    EXPECT_EQ(m_clCnx->pstGetPGConn(), nullptr);
    stError stMain = stGetError(m_clError.p());
    EXPECT_EQ(stMain.nCode, 80u);
    EXPECT_TRUE(bContains(stMain.sUser, L"SQLSTATE 22023")) << sOf(stMain.sUser.c_str());
    EXPECT_EQ(m_clError->dwGetDataBaseErrorCode(), 22023u);
    EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(100, 19)));
    EXPECT_TRUE(bContains(stMain.sDebug, L"SET statement_timeout=-5000"));
    std::vector<std::string> aSent = clLog.Statements();
    EXPECT_NE(std::find(aSent.begin(), aSent.end(), "SET statement_timeout=-5000"), aSent.end());
}

// A server that does not answer, and a database that does not exist: user error 22 with the data
// source and the client library's own text.
TEST_F(PSQLConnectionServerTest, ConnectionRefused) {
    KX_REQUIRE_PG_SERVER();
    const struct {
        std::wstring sExtended;
        std::wstring sInMessage;
    } tabCases[] = {
        {L"Server Port=" + std::to_wstring(nClosedPort()), L"Connection refused"},
        {L"Server Port=" + wsOf(pgsandbox::sEnv("PGPORT")) + L";Initial Catalog=kx_no_such_database",
         L"database \"kx_no_such_database\" does not exist"},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(sOf(stCase.sExtended.c_str()));
        m_clCnx.Drop();
        m_clError->Reset();
        m_clCnx.clHost.m_sDataBase = L"127.0.0.1";
        m_clCnx.clHost.m_sUserName = wsOf(pgsandbox::sEnv("PGUSER"));
        m_clCnx.clHost.m_sExtendedInfo = stCase.sExtended;
        EXPECT_EQ(bOpen(), 0);
        EXPECT_EQ(m_clCnx->pstGetPGConn(), nullptr);
        stError stMain = stGetError(m_clError.p());
        EXPECT_EQ(stMain.nCode, 22u);
        EXPECT_EQ(stMain.nInfoCode, 22u);
        EXPECT_TRUE(bContains(stMain.sUser, L"Cannot connect to the server: 127.0.0.1."));
        EXPECT_TRUE(bContains(stMain.sUser, stCase.sInMessage)) << sOf(stMain.sUser.c_str());
        EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(101, 13)));
    }
}

// The client encoding named for the host's code page is the one the text is in: the server reads
// it back as the same characters.
TEST_F(PSQLConnectionServerTest, HostCodePagesTheServerConverts) {
    KX_REQUIRE_PG_SERVER();
    const struct {
        int nCharset;
        const char* pszEncoding;
        std::wstring sText;
        const wchar_t* pszEscaped;  // the same characters as the server's Unicode escapes
    } tabCases[] = {
        {0, "WIN1252", L"caf\u00E9 \u20AC", L"U&'caf\\00E9 \\20AC'"},
        {204, "WIN1251", L"\u041F\u0440\u0438\u0432\u0435\u0442", L"U&'\\041F\\0440\\0438\\0432\\0435\\0442'"},
        {136, "BIG5", L"\u4E2D\u6587", L"U&'\\4E2D\\6587'"},
        {238, "WIN1250", L"\u0159\u00ED\u0161", L"U&'\\0159\\00ED\\0161'"},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszEncoding);
        standin::SetCharset(stCase.nCharset);
        pgsandbox::CStatementLog clLog;
        Describe(L"KX Unicode Support=0");
        ASSERT_EQ(bOpen(), 1) << sOf(m_clError->pszGetError());
        long nPid = nBackendPid();
        std::vector<std::string> aSent = clLog.Statements(nPid);
        ASSERT_FALSE(aSent.empty());
        EXPECT_EQ(aSent[0], std::string("set client_encoding to '") + stCase.pszEncoding + "'");
        EXPECT_EQ(wsQuery(L"SHOW client_encoding"), wsOf(stCase.pszEncoding));
        EXPECT_EQ(wsQuery(L"SELECT '" + stCase.sText + L"' = " + stCase.pszEscaped), L"1");
        EXPECT_EQ(wsQuery(std::wstring(L"SELECT ") + stCase.pszEscaped), stCase.sText);
        m_clCnx.Drop();
    }
}

// A LATIN1 database: the host's WIN1252 cannot be converted there, the server refuses it and the
// connection falls back on UTF8.
TEST_F(PSQLConnectionServerTest, NonUnicodeDatabaseFallsBackOnUTF8) {
    KX_REQUIRE_PG_SERVER();
    const std::wstring sDataBase = L"kxpgconn_latin1";
    Describe();
    ASSERT_EQ(bOpen(), 1) << sOf(m_clError->pszGetError());
    if (wsQuery(L"SELECT count(*) FROM pg_database WHERE datname = '" + sDataBase + L"'") == L"0") {
        int bOk = 0;
        wsQuery(L"CREATE DATABASE " + sDataBase + L" ENCODING 'LATIN1' LC_COLLATE 'C' LC_CTYPE 'C' TEMPLATE template0",
                &bOk);
        // Another run may have made it meanwhile.
        if (!bOk) {
            EXPECT_EQ(wsQuery(L"SELECT count(*) FROM pg_database WHERE datname = '" + sDataBase + L"'"), L"1");
        }
    }
    m_clCnx.Drop();
    m_clError->Reset();

    pgsandbox::CStatementLog clLog;
    Describe(L"", sOf(sDataBase.c_str()));
    ASSERT_EQ(bOpen(), 1) << sOf(m_clError->pszGetError());
    EXPECT_EQ(nErrorCount(m_clError.p()), 0);
    EXPECT_EQ(wsOrEmpty(m_clCnx->pszGetServerEncoding()), L"LATIN1");
    EXPECT_EQ(m_clCnx->bGetServerUnicode(), 0u);
    EXPECT_EQ(m_clCnx->nGetClientCodePage(), 65001u);
    long nPid = nBackendPid();
    const std::vector<std::string> aExpected = {"set client_encoding to 'WIN1252'", "set client_encoding to 'UTF8'",
                                                "SET DateStyle=iso, ymd", "SELECT pg_backend_pid()"};
    EXPECT_EQ(clLog.Statements(nPid), aExpected);
    EXPECT_EQ(wsQuery(L"SELECT U&'caf\\00E9'"), L"caf\u00E9");
}

// Binary values written by the client library's escaping, read back by the server.
TEST_F(PSQLConnectionServerTest, ByteaLiteralReadBackByTheServer) {
    KX_REQUIRE_PG_SERVER();
    Describe();
    ASSERT_EQ(bOpen(), 1) << sOf(m_clError->pszGetError());
    const struct {
        std::vector<unsigned char> aBytes;
        const wchar_t* pszHexa;
    } tabCases[] = {
        {{0x00, 0x27, 0x5C, 0xFF, 0x41}, L"00275cff41"},
        {{0x27, 0x3B, 0x20, 0x44}, L"273b2044"},
        {{}, L""},
    };
    for (unsigned short nType : {28, 29, 30}) {
        for (const auto& stCase : tabCases) {
            CTStringConcatAW clLiteral(m_clCnx->nGetClientCodePage(), m_clCnx->nGetCodePage());
            std::vector<unsigned char> aBytes = stCase.aBytes;
            ASSERT_EQ(m_clCnx->_bEscapeString(m_clError.p(), &clLiteral, nType, aBytes.data(), aBytes.size()), 1);
            std::wstring sLiteral = clLiteral.pszGetW();
            EXPECT_EQ(wsQuery(L"SELECT encode(" + sLiteral + L"::bytea, 'hex')"), stCase.pszHexa) << sOf(sLiteral.c_str());
        }
    }
    for (int bValue : {1, 0}) {
        CTStringConcatAW clLiteral(m_clCnx->nGetClientCodePage(), m_clCnx->nGetCodePage());
        ASSERT_EQ(m_clCnx->_bBoolToString(m_clError.p(), &clLiteral, bValue), 1);
        EXPECT_EQ(wsQuery(L"SELECT " + std::wstring(clLiteral.pszGetW()) + L"::boolean"), bValue ? L"1" : L"0");
    }
}

// A statement the server refuses: user error 80 with the SQLSTATE, the server's text, the class
// as database code, and the query in the dump.
TEST_F(PSQLConnectionServerTest, StatementRefusedByTheServer) {
    KX_REQUIRE_PG_SERVER();
    Describe();
    ASSERT_EQ(bOpen(), 1) << sOf(m_clError->pszGetError());
    int bOk = 1;
    wsQuery(L"SELECT * FROM kx_no_such_table", &bOk);
    EXPECT_EQ(bOk, 0);
    stError stMain = stGetError(m_clError.p());
    EXPECT_EQ(stMain.nCode, 80u);
    EXPECT_TRUE(bContains(stMain.sUser, L"The server 127.0.0.1 reported an error (SQLSTATE 42P01)."));
    EXPECT_TRUE(bContains(stMain.sUser, L"relation \"kx_no_such_table\" does not exist"));
    EXPECT_EQ(m_clError->dwGetDataBaseErrorCode(), 42u);
    EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(100, 19)));
    EXPECT_TRUE(bContains(stMain.sDebug, L"Query on the server 127.0.0.1, database " +
                                             wsOf(pgsandbox::sEnv("PGDATABASE")) + L", user " +
                                             wsOf(pgsandbox::sEnv("PGUSER")) + L":"));
    EXPECT_TRUE(bContains(stMain.sDebug, L"SELECT * FROM kx_no_such_table"));
}

// The settings the server reports come from the client library, and follow a SET: the literal
// writers decide on backslashes from standard_conforming_strings.
TEST_F(PSQLConnectionServerTest, ServerParametersFollowTheServer) {
    KX_REQUIRE_PG_SERVER();
    CTString clValue(L"unchanged");
    EXPECT_EQ(m_clCnx->bGetServerParameter(L"standard_conforming_strings", &clValue), 0);  // not open
    EXPECT_EQ(std::wstring(wsOrEmpty(clValue.pszGet())), L"");
    Describe();
    ASSERT_EQ(bOpen(), 1) << sOf(m_clError->pszGetError());
    ASSERT_EQ(m_clCnx->bGetServerParameter(L"standard_conforming_strings", &clValue), 1);
    EXPECT_EQ(std::wstring(clValue.pszGet()), wsQuery(L"SHOW standard_conforming_strings"));
    wsQuery(L"SET standard_conforming_strings = off", nullptr);
    ASSERT_EQ(m_clCnx->bGetServerParameter(L"standard_conforming_strings", &clValue), 1);
    EXPECT_EQ(std::wstring(clValue.pszGet()), L"off");
    EXPECT_EQ(m_clCnx->bGetServerParameter(L"kx_no_such_setting", &clValue), 0);
    EXPECT_EQ(m_clCnx->bGetServerParameter(L"standard_conforming_strings\u00e9", &clValue), 0);
}

// The items of the extended information reach the server as the client library reads them: pairs
// in its own syntax in one item, a quoted value with blanks, a plain value with a blank; the
// driver's own keys keep the driver's values.
TEST_F(PSQLConnectionServerTest, ExtendedInformationInTheClientLibrarysSyntax) {
    KX_REQUIRE_PG_SERVER();
    const struct {
        const wchar_t* pszItems;
        const wchar_t* pszApplication;
        const wchar_t* pszConforming;
    } tabCases[] = {
        {L"application_name=kx_a options=-cstandard_conforming_strings=off", L"kx_a", L"off"},
        {L"options='-c standard_conforming_strings=off -c search_path=public';application_name=kx_b", L"kx_b", L"off"},
        {L"application_name=kx c;user=kx_intruder;dbname=kx_elsewhere", L"kx c", L"on"},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(sOf(stCase.pszItems));
        Describe(stCase.pszItems);
        ASSERT_EQ(bOpen(), 1) << sOf(m_clError->pszGetError());
        EXPECT_EQ(wsQuery(L"SHOW application_name"), stCase.pszApplication);
        EXPECT_EQ(wsQuery(L"SHOW standard_conforming_strings"), stCase.pszConforming);
        EXPECT_EQ(wsQuery(L"SELECT current_user"), wsOf(pgsandbox::sEnv("PGUSER")));
        EXPECT_EQ(wsQuery(L"SELECT current_database()"), wsOf(pgsandbox::sEnv("PGDATABASE")));
        m_clCnx.Drop();
    }
}

// With backslashes read as escapes, a text literal holding one is written in the escape form: the
// server reads it back as the text and warns of nothing. A notice of the server comes to the
// connection, not to the standard error.
TEST_F(PSQLConnectionServerTest, NoticesComeToTheConnection) {
    KX_REQUIRE_PG_SERVER();
    Describe(L"options=-cstandard_conforming_strings=off");
    ASSERT_EQ(bOpen(), 1) << sOf(m_clError->pszGetError());
    ASSERT_EQ(m_clCnx->bBackslashEscapesInLiterals(), 1);
    EXPECT_EQ(m_clCnx->nGetNoticeCount(), 0u);
    for (const wchar_t* pszText : {L"a\\b", L"c:\\dir\\", L"\\'; SELECT 1; --"}) {
        std::wstring sText = pszText;
        CTStringConcatAW clLiteral(m_clCnx->nGetClientCodePage(), m_clCnx->nGetCodePage());
        ASSERT_EQ(
            m_clCnx->_bEscapeString(m_clError.p(), &clLiteral, VQTYPE_DSTRW,
                                    reinterpret_cast<unsigned char*>(sText.data()), sText.size() * sizeof(wchar_t)),
            1);
        EXPECT_EQ(wsQuery(L"SELECT " + std::wstring(clLiteral.pszGetW())), sText);
    }
    std::vector<unsigned char> aBytes = {0x5C, 0x27, 0x00};
    CTStringConcatAW clBytes(m_clCnx->nGetClientCodePage(), m_clCnx->nGetCodePage());
    ASSERT_EQ(m_clCnx->_bEscapeString(m_clError.p(), &clBytes, 28, aBytes.data(), aBytes.size()), 1);
    EXPECT_EQ(wsQuery(L"SELECT encode(" + std::wstring(clBytes.pszGetW()) + L"::bytea, 'hex')"), L"5c2700");
    EXPECT_EQ(m_clCnx->nGetNoticeCount(), 0u) << sOf(m_clCnx->pszGetLastNotice());

    // A plain literal with a backslash is what the server warns of; the warning is the connection's.
    wsQuery(L"SELECT 'x\\\\y'");
    EXPECT_EQ(m_clCnx->nGetNoticeCount(), 1u);
    EXPECT_TRUE(bContains(wsOrEmpty(m_clCnx->pszGetLastNotice()), L"nonstandard use of \\\\ in a string literal"))
        << sOf(m_clCnx->pszGetLastNotice());
    ASSERT_TRUE(m_clCnx->bExecuteQueryNoResult(m_clError.p(), L"DO $$BEGIN RAISE NOTICE 'kx notice %', 42; END$$"));
    EXPECT_EQ(m_clCnx->nGetNoticeCount(), 2u);
    EXPECT_TRUE(bContains(wsOrEmpty(m_clCnx->pszGetLastNotice()), L"kx notice 42")) << sOf(m_clCnx->pszGetLastNotice());
}

// Columns are declared in PostgreSQL's own type names, and the server accepts each declaration.
TEST_F(PSQLConnectionServerTest, ColumnTypesThePostgreSQLServerDeclares) {
    KX_REQUIRE_PG_SERVER();
    Describe();
    ASSERT_EQ(bOpen(), 1) << sOf(m_clError->pszGetError());
    const struct {
        eNA_ITEMTYPE eType;
        unsigned nSize;
        const wchar_t* pszExpected;
    } tabCases[] = {
        {NA_IT_IDAUTO, 8, L"SERIAL8"},      {NA_IT_IDAUTO4, 4, L"SERIAL4"},   {NA_IT_I8, 8, L"BIGINT"},
        {NA_IT_BOOLEEN, 1, L"BOOLEAN"},     {NA_IT_R8, 8, L"FLOAT8"},         {NA_IT_TIMELENGHT, 8, L"BIGINT"},
        {NA_IT_MEMOBINAIRE, 8, L"BYTEA"},   {NA_IT_BINAIRE, 20, L"BYTEA"},    {NA_IT_UNICODE, 42, L"VARCHAR(20)"},
        {NA_IT_MEMOUNICODE, 8, L"TEXT"},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(sOf(st.pszExpected));
        auto* pclItem = new CNAItemDescription;
        pclItem->AddRef();
        pclItem->bInit(L"col", L"t", L"col", 1, st.nSize, st.eType, 0, 0, 0, 0, 0);
        CTString clOut;
        EXPECT_EQ(m_clCnx->bGetMatchingSQLType(m_clError.p(), pclItem, &clOut), 1);
        EXPECT_EQ(std::wstring(wsOrEmpty(clOut.pszGet())), st.pszExpected);
        int bOk = 0;
        wsQuery(L"CREATE TEMPORARY TABLE kx_declared (c " + std::wstring(wsOrEmpty(clOut.pszGet())) + L")", &bOk);
        EXPECT_EQ(bOk, 1);
        wsQuery(L"DROP TABLE IF EXISTS kx_declared", nullptr);
        pclItem->nRelease();
    }
}

// Nested levels are savepoints of the one server transaction. A refusal that the inner level's
// rollback undoes leaves the outer level whole, and its commit keeps its row. A refusal left in
// place aborts the whole transaction: the server refuses the inner commit, the outer commit fails
// with user error 76 and keeps nothing, and no level stays open, so the next begin is an outermost
// one again and commits.
TEST_F(PSQLConnectionServerTest, NestedLevelsOfATransactionTheServerAborted) {
    KX_REQUIRE_PG_SERVER();
    CPgSession clOther;
    const std::string sTable = "kxcnx_aborted_" + std::to_string(getpid());
    clOther.Run("DROP TABLE IF EXISTS " + sTable);
    clOther.Run("CREATE TABLE " + sTable + " (k int PRIMARY KEY)");
    clOther.Run("INSERT INTO " + sTable + " VALUES (1)");
    Describe();
    ASSERT_EQ(bOpen(), 1) << sOf(m_clError->pszGetError());
    CNAError* pclError = m_clError.p();
    auto bInsert = [&](int k) {
        const std::wstring ws = L"INSERT INTO " + wsOf(sTable) + L" VALUES (" + std::to_wstring(k) + L")";
        return m_clCnx->bExecuteQueryNoResult(pclError, ws.c_str());
    };
    auto sCount = [&](int k) {
        return clOther.sValue("SELECT count(*) FROM " + sTable + " WHERE k = " + std::to_string(k));
    };

    // Undone by the inner rollback.
    ASSERT_EQ(m_clCnx->bTransactionBegin(pclError, L"A"), 1) << sOf(m_clError->pszGetError());
    ASSERT_EQ(bInsert(2), 1) << sOf(m_clError->pszGetError());
    ASSERT_EQ(m_clCnx->bTransactionBegin(pclError, L"B"), 1) << sOf(m_clError->pszGetError());
    ASSERT_EQ(bInsert(1), 0);
    m_clError->Reset();
    ASSERT_EQ(m_clCnx->bTransactionRollBack(pclError, L"B"), 1) << sOf(m_clError->pszGetError());
    EXPECT_EQ(m_clCnx->bTransactionCommit(pclError, L"A"), 1) << sOf(m_clError->pszGetError());
    EXPECT_EQ(nErrorCount(pclError), 0);
    EXPECT_EQ(sCount(2), "1");

    // Left in place.
    ASSERT_EQ(m_clCnx->bTransactionBegin(pclError, L"A"), 1) << sOf(m_clError->pszGetError());
    ASSERT_EQ(bInsert(3), 1) << sOf(m_clError->pszGetError());
    ASSERT_EQ(m_clCnx->bTransactionBegin(pclError, L"B"), 1) << sOf(m_clError->pszGetError());
    ASSERT_EQ(bInsert(1), 0);
    m_clError->Reset();
    EXPECT_EQ(m_clCnx->bTransactionCommit(pclError, nullptr), 0);
    EXPECT_EQ(stGetError(pclError).nCode, 80u);
    EXPECT_TRUE(bContains(stGetError(pclError).sUser, L"SQLSTATE 25P02")) << sOf(stGetError(pclError).sUser.c_str());
    m_clError->Reset();
    EXPECT_EQ(m_clCnx->bTransactionCommit(pclError, nullptr), 0);
    const stError stMain = stGetError(pclError);
    EXPECT_EQ(stMain.nCode, 76u);
    EXPECT_EQ(stMain.nInfoCode, 76u);
    EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(101, 21))) << sOf(stMain.sDebug.c_str());
    EXPECT_EQ(sCount(3), "0");
    CNATransaction* pclHead = m_clCnx->pclGetTransaction();
    ASSERT_NE(pclHead, nullptr);
    EXPECT_EQ(pclHead->bIsActive(), 0);
    ASSERT_NE(pclHead->pclGetNested(), nullptr);
    EXPECT_EQ(pclHead->pclGetNested()->bIsActive(), 0);

    m_clError->Reset();
    ASSERT_EQ(m_clCnx->bTransactionBegin(pclError, L"C"), 1) << sOf(m_clError->pszGetError());
    ASSERT_EQ(bInsert(4), 1) << sOf(m_clError->pszGetError());
    EXPECT_EQ(m_clCnx->bTransactionCommit(pclError, L"C"), 1) << sOf(m_clError->pszGetError());
    EXPECT_EQ(nErrorCount(pclError), 0);
    EXPECT_EQ(sCount(4), "1");
    clOther.Run("DROP TABLE " + sTable);
}

}  // namespace
