// Literals and transactions against the real PostgreSQL 15 of the test run: hostile values written
// as literals and read back byte for byte whichever way the server reads backslashes, and the
// transaction scenarios with the statements the server received and the rows it kept.
//
// The connection here carries the driver's SQL over the loaded client library itself (one PQexec
// per text), so that what is tested is the driver's own literal and transaction logic.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/TStringConcatAW.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/driver/NAFunctionLoader.h"
#include "native/driver/NAFunctionTable.h"
#include "native/driver/NATransaction.h"
#include "tests/host/PgSandbox.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/TestSupport.h"
#include "variant/Any.h"

using standin::CStandInConnectionDescription;

namespace {

std::string sUTF8(const std::wstring& s) {
    CTStringConcatAW cl(65001, 65001);
    cl.Add(s.c_str(), static_cast<long>(s.size()));
    return std::string(cl.pszGetA(), cl.nGetLongueurA());
}

// A connection to the sandbox over the loaded client library.
class CServerConnection : public CNAConnectionDescription {
public:
    explicit CServerConnection(INAConnectionDescription* piHost) : CNAConnectionDescription(L"Connection=sandbox", piHost) {
        m_eDataSource = DATASOURCE_POSTGRESQL;
    }
    ~CServerConnection() override {
        if (m_pConn != nullptr) __PQfinish(m_pConn);
    }

    int bOpen(CNAError*) override {
        if (m_pConn != nullptr) return 1;
        if (!CNAFunctionLoader::g_bLoaded()) {
            CTString clPath;
            if (!CNAFunctionLoader::g_bInitNative(nullptr, &clPath, nullptr, 0)) return 0;
        }
        m_pConn = __PQconnectdb(pgsandbox::sConnInfo().c_str());
        if (__PQstatus(m_pConn) != CONNECTION_OK) return 0;
        __PQsetClientEncoding(m_pConn, "UTF8");
        m_nClientCodePage = 65001;
        m_nServerMajor = __PQserverVersion(m_pConn) / 10000;
        m_nBackendPid = atol(sValue("SELECT pg_backend_pid()").c_str());
        return 1;
    }
    int bIsOpen() override { return m_pConn != nullptr; }
    int bClose(CNAError*) override { return 1; }
    void _InitYF2NativeType() override {}

    int bExecuteQueryNoResult(CNAError* pclError, const wchar_t* pszQuery) override {
        return bExec(pclError, sUTF8(pszQuery));
    }
    int bGetServerParameter(const wchar_t* pszName, CTString* pclValue) override {
        pclValue->Vide();
        if (m_pConn == nullptr) return 0;
        const char* psz = __PQparameterStatus(m_pConn, sUTF8(pszName).c_str());
        if (psz == nullptr) return 0;
        pclValue->SetANSI(psz, 65001);
        return 1;
    }

    int bExec(CNAError* pclError, const std::string& sSQL) {
        PGresult* pResult = __PQexec(m_pConn, sSQL.c_str());
        ExecStatusType eStatus = __PQresultStatus(pResult);
        bool bOK = eStatus == PGRES_COMMAND_OK || eStatus == PGRES_TUPLES_OK;
        if (!bOK && pclError != nullptr) {
            const char* pszState = __PQresultErrorField(pResult, PG_DIAG_SQLSTATE);
            CTString clState;
            clState.SetANSI(pszState != nullptr ? pszState : "", 65001);
            pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, 99, this, 80u, L"sandbox",
                               clState.pszGet());
        }
        __PQclear(pResult);
        return bOK ? 1 : 0;
    }
    // The first field of the first row, as the server sent it ("<error>" when the query fails,
    // "<null>" for NULL, "<none>" without a row).
    std::string sValue(const std::string& sSQL) {
        PGresult* pResult = __PQexec(m_pConn, sSQL.c_str());
        std::string s;
        if (__PQresultStatus(pResult) != PGRES_TUPLES_OK)
            s = "<error>";
        else if (__PQntuples(pResult) == 0)
            s = "<none>";
        else if (__PQgetisnull(pResult, 0, 0))
            s = "<null>";
        else
            s = __PQgetvalue(pResult, 0, 0);
        __PQclear(pResult);
        return s;
    }

    long m_nBackendPid = 0;

private:
    PGconn* m_pConn = nullptr;
};

class LiteralsOnServerTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        m_sTable = "kx_literals_" + std::to_string(getpid());
    }
    void TearDown() override {
        if (m_pclAdmin != nullptr) {
            m_pclAdmin->bExec(nullptr, "DROP TABLE IF EXISTS " + m_sTable);
            delete m_pclAdmin;
        }
    }

    // A second session to look at what the first one committed.
    CServerConnection& Admin() {
        if (m_pclAdmin == nullptr) {
            m_pclAdmin = new CServerConnection(&m_clAdminHost);
            EXPECT_EQ(m_pclAdmin->bOpen(nullptr), 1);
        }
        return *m_pclAdmin;
    }

    std::string m_sTable;
    CStandInConnectionDescription m_clAdminHost;
    CServerConnection* m_pclAdmin = nullptr;
};

CAny clWideValue(const std::wstring& s) {
    CAny cl;
    cl.__SetType(VQTYPE_DSTRW, 0);
    cl.pclGetValeur()->SetValue(s.c_str(), static_cast<unsigned long>(s.size() * sizeof(wchar_t)));
    return cl;
}

CAny clAnsiValue(const std::string& s) {
    CAny cl;
    cl.__SetType(VQTYPE_DSTRA, 0);
    cl.pclGetValeur()->SetValue(s.c_str(), static_cast<unsigned long>(s.size()));
    return cl;
}

}  // namespace

TEST_F(LiteralsOnServerTest, HostileValuesComeBackByteForByte) {
    KX_REQUIRE_PG_SERVER();
    // The table goes at the end whatever happens (the admin session drops it).
    ASSERT_EQ(Admin().bExec(nullptr, "CREATE TABLE " + m_sTable + " (id int PRIMARY KEY, t text)"), 1);
    CStandInConnectionDescription clHost;
    CServerConnection cl(&clHost);
    ASSERT_EQ(cl.bOpen(nullptr), 1);

    std::wstring sControls;
    for (wchar_t c = 1; c < 32; c++) sControls += c;
    sControls += L'\x7f';
    const std::wstring asValues[] = {
        L"",
        L"plain",
        L"O'Brien",
        L"''",
        L"'",
        L"\\",
        L"\\\\",
        L"a\\'b",
        L"\\'; DROP TABLE " + std::wstring(m_sTable.begin(), m_sTable.end()) + L"; --",
        L"'); DROP TABLE " + std::wstring(m_sTable.begin(), m_sTable.end()) + L"; --",
        L"\\x41\\101\\n\\t\\\\'",
        L"E'\\''",
        sControls,
        L"\u00e9t\u00e9 \u20ac \u65e5\u672c\u8a9e \U0001F600 \u00a0",
        L"$$; DROP TABLE x; $$",
        L"end with backslash \\",
    };
    int nId = 0;
    for (const wchar_t* pszSetting : {L"on", L"off"}) {
        ASSERT_EQ(cl.bExec(nullptr, "SET standard_conforming_strings = " + sUTF8(pszSetting)), 1);
        CTString clReported;
        ASSERT_EQ(cl.bGetServerParameter(L"standard_conforming_strings", &clReported), 1);
        ASSERT_EQ(std::wstring(clReported.pszGet()), pszSetting);
        for (const std::wstring& sValue : asValues) {
            SCOPED_TRACE(testing::Message() << sUTF8(pszSetting) << " " << testing::PrintToString(sValue));
            CTStringConcatAW clLiteral(65001, 1252);
            CNAError clError;
            CAny clValue = clWideValue(sValue);
            ASSERT_EQ(cl.bConvertValueToString(&clError, &clLiteral, &clValue, static_cast<eNA_ITEMTYPE>(0),
                                               static_cast<eNA_ITEMTYPE>(0)),
                      1);
            ++nId;
            std::string sInsert = "INSERT INTO " + m_sTable + " VALUES (" + std::to_string(nId) + ", " +
                                  std::string(clLiteral.pszGetA(), clLiteral.nGetLongueurA()) + ")";
            ASSERT_EQ(cl.bExec(nullptr, sInsert), 1) << sInsert;
            EXPECT_EQ(cl.sValue("SELECT t FROM " + m_sTable + " WHERE id = " + std::to_string(nId)), sUTF8(sValue));
        }
        // 8-bit texts in the host language's code page come back as the same characters.
        CTStringConcatAW clLiteral(65001, 1252);
        CAny clAnsi = clAnsiValue("caf\xe9 l'\xe9t\xe9 \\'");
        ASSERT_EQ(cl.bConvertValueToString(nullptr, &clLiteral, &clAnsi, static_cast<eNA_ITEMTYPE>(0),
                                           static_cast<eNA_ITEMTYPE>(0)),
                  1);
        ++nId;
        ASSERT_EQ(cl.bExec(nullptr, "INSERT INTO " + m_sTable + " VALUES (" + std::to_string(nId) + ", " +
                                        std::string(clLiteral.pszGetA(), clLiteral.nGetLongueurA()) + ")"),
                  1);
        EXPECT_EQ(cl.sValue("SELECT t FROM " + m_sTable + " WHERE id = " + std::to_string(nId)),
                  sUTF8(L"caf\u00e9 l'\u00e9t\u00e9 \\'"));
    }
    EXPECT_EQ(cl.sValue("SELECT count(*) FROM " + m_sTable), std::to_string(nId));
}

// ---------------------------------------------------------------------------------- transactions

namespace {

enum eOp { BEGIN, COMMIT, ROLLBACK, INSERT, FAIL };

struct stStep {
    eOp eOperation;
    const wchar_t* pszName;  // the transaction's name, or the row's id for INSERT
    int nResult;
};

struct stScenario {
    const char* pszTitle;
    std::vector<stStep> aSteps;
    // What the server received (the inserts as "INSERT n").
    std::vector<std::string> asReceived;
    // The rows another session sees afterwards.
    std::string sRows;
};

}  // namespace

TEST_F(LiteralsOnServerTest, TransactionScenarios) {
    KX_REQUIRE_PG_SERVER();
    ASSERT_EQ(Admin().bExec(nullptr, "CREATE TABLE " + m_sTable + " (id int PRIMARY KEY)"), 1);
    const stScenario tabScenarios[] = {
        {"an inner rollback keeps the outer work",
         {{BEGIN, L"A", 1}, {INSERT, L"1", 1}, {BEGIN, L"B", 1}, {INSERT, L"2", 1}, {ROLLBACK, nullptr, 1},
          {INSERT, L"3", 1}, {COMMIT, L"A", 1}},
         {"BEGIN", "INSERT 1", "SAVEPOINT KX_SP1", "INSERT 2", "ROLLBACK TO SAVEPOINT KX_SP1",
          "RELEASE SAVEPOINT KX_SP1", "INSERT 3", "COMMIT"},
         "1,3"},
        {"an inner commit is undone with the outer rollback",
         {{BEGIN, L"A", 1}, {INSERT, L"1", 1}, {BEGIN, L"B", 1}, {INSERT, L"2", 1}, {COMMIT, L"B", 1},
          {ROLLBACK, L"A", 1}},
         {"BEGIN", "INSERT 1", "SAVEPOINT KX_SP1", "INSERT 2", "RELEASE SAVEPOINT KX_SP1", "ROLLBACK"},
         ""},
        {"a rollback by the outer name undoes the nested levels only",
         {{BEGIN, L"A", 1}, {INSERT, L"1", 1}, {BEGIN, L"B", 1}, {INSERT, L"2", 1}, {BEGIN, L"C", 1},
          {INSERT, L"3", 1}, {ROLLBACK, L"a", 1}, {INSERT, L"4", 1}, {COMMIT, nullptr, 1}},
         {"BEGIN", "INSERT 1", "SAVEPOINT KX_SP1", "INSERT 2", "SAVEPOINT KX_SP2", "INSERT 3",
          "ROLLBACK TO SAVEPOINT KX_SP2", "RELEASE SAVEPOINT KX_SP2", "ROLLBACK TO SAVEPOINT KX_SP1",
          "RELEASE SAVEPOINT KX_SP1", "INSERT 4", "COMMIT"},
         "1,4"},
        {"a failed statement in a nested level is undone with it, and the outer one goes on",
         {{BEGIN, L"A", 1}, {INSERT, L"1", 1}, {BEGIN, L"B", 1}, {FAIL, nullptr, 0}, {ROLLBACK, L"B", 1},
          {INSERT, L"2", 1}, {COMMIT, L"A", 1}},
         {"BEGIN", "INSERT 1", "SAVEPOINT KX_SP1", "SELECT 1/0", "ROLLBACK TO SAVEPOINT KX_SP1",
          "RELEASE SAVEPOINT KX_SP1", "INSERT 2", "COMMIT"},
         "1,2"},
        {"a commit by the outer name while a nested one is open sends nothing",
         {{BEGIN, L"A", 1}, {INSERT, L"1", 1}, {BEGIN, L"B", 1}, {COMMIT, L"A", 0}, {COMMIT, nullptr, 1},
          {COMMIT, nullptr, 1}},
         {"BEGIN", "INSERT 1", "SAVEPOINT KX_SP1", "RELEASE SAVEPOINT KX_SP1", "COMMIT"},
         "1"},
        {"three levels committed from the inside out",
         {{BEGIN, L"A", 1}, {BEGIN, L"B", 1}, {BEGIN, L"C", 1}, {INSERT, L"1", 1}, {COMMIT, nullptr, 1},
          {COMMIT, nullptr, 1}, {COMMIT, nullptr, 1}},
         {"BEGIN", "SAVEPOINT KX_SP1", "SAVEPOINT KX_SP2", "INSERT 1", "RELEASE SAVEPOINT KX_SP2",
          "RELEASE SAVEPOINT KX_SP1", "COMMIT"},
         "1"},
    };
    for (const stScenario& stScenario : tabScenarios) {
        SCOPED_TRACE(stScenario.pszTitle);
        ASSERT_EQ(Admin().bExec(nullptr, "DELETE FROM " + m_sTable), 1);
        CStandInConnectionDescription clHost;
        CServerConnection cl(&clHost);
        ASSERT_EQ(cl.bOpen(nullptr), 1);
        pgsandbox::CStatementLog clLog;
        for (const stStep& st : stScenario.aSteps) {
            CNAError clError;
            int nResult = -1;
            switch (st.eOperation) {
                case BEGIN:
                    nResult = cl.bTransactionBegin(&clError, st.pszName);
                    break;
                case COMMIT:
                    nResult = cl.bTransactionCommit(&clError, st.pszName);
                    break;
                case ROLLBACK:
                    nResult = cl.bTransactionRollBack(&clError, st.pszName);
                    break;
                case INSERT:
                    nResult = cl.bExecuteQueryNoResult(
                        &clError, (L"INSERT INTO " + std::wstring(m_sTable.begin(), m_sTable.end()) + L" VALUES (" +
                                   st.pszName + L")")
                                      .c_str());
                    break;
                case FAIL:
                    nResult = cl.bExecuteQueryNoResult(&clError, L"SELECT 1/0");
                    break;
            }
            EXPECT_EQ(nResult, st.nResult) << st.eOperation << " " << (st.pszName ? sUTF8(st.pszName) : "");
        }
        std::vector<std::string> asReceived;
        for (std::string s : clLog.Statements(cl.m_nBackendPid)) {
            std::string sInsert = "INSERT INTO " + m_sTable + " VALUES (";
            if (s.rfind(sInsert, 0) == 0) s = "INSERT " + s.substr(sInsert.size(), s.size() - sInsert.size() - 1);
            asReceived.push_back(s);
        }
        EXPECT_EQ(asReceived, stScenario.asReceived);
        EXPECT_EQ(Admin().sValue("SELECT coalesce(string_agg(id::text, ',' ORDER BY id), '') FROM " + m_sTable),
                  stScenario.sRows);
        EXPECT_EQ(cl._bTransactionOpened(), 0);
    }
}
