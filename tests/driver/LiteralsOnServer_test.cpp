// Literals and transactions against the real PostgreSQL 15 of the test run: hostile values written
// as literals and read back byte for byte whichever way the server reads backslashes, and the
// transaction scenarios with the statements the server received and the rows it kept.
//
// The connection is the PostgreSQL connection with its real open. Two of its services stand in
// here for the classes that supply them: a text runs on a PostgreSQL statement of its own, and a
// parameter the server reports is read from the client library.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "core/TStringConcatAW.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/driver/NAFunctionTable.h"
#include "native/driver/NATransaction.h"
#include "native/model/NAItemType.h"
#include "pgsql/PSQLConnection.h"
#include "pgsql/PSQLStatementSQL.h"
#include "tests/support/PgSandbox.h"
#include "tests/support/StatementLog.h"
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

std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

// An error object held by one reference, as the driver's callers hold theirs (the statements
// take and drop their own).
struct CErrorRef {
    CNAError* p = new CNAError;
    CErrorRef() { p->AddRef(); }
    ~CErrorRef() { p->nRelease(); }
    CErrorRef(const CErrorRef&) = delete;
    CErrorRef& operator=(const CErrorRef&) = delete;
};

class CServerConnection : public CPSQLConnection {
public:
    explicit CServerConnection(INAConnectionDescription* piHost) : CPSQLConnection(L"Connection=sandbox", piHost) {}

    int bExecuteQueryNoResult(CNAError* pclError, const wchar_t* pszQuery) override {
        auto* pclStatement = new CPSQLStatementSQL(this, pclError);
        pclStatement->AddRef();
        int bResult = pclStatement->bExecuteDirect(pszQuery, nullptr, 0);
        pclStatement->nRelease();
        return bResult;
    }
    int bGetServerParameter(const wchar_t* pszName, CTString* pclValue) override {
        pclValue->Vide();
        if (pstGetPGConn() == nullptr) return 0;
        const char* psz = __PQparameterStatus(pstGetPGConn(), sUTF8(pszName).c_str());
        if (psz == nullptr) return 0;
        pclValue->SetANSI(psz, 65001);
        return 1;
    }

    // A text sent as it is, outside the driver: 1 when the server took it.
    int bExec(const std::string& sSQL) {
        PGresult* pResult = __PQexec(pstGetPGConn(), sSQL.c_str());
        ExecStatusType eStatus = __PQresultStatus(pResult);
        __PQclear(pResult);
        return eStatus == PGRES_COMMAND_OK || eStatus == PGRES_TUPLES_OK ? 1 : 0;
    }
    // The first field of the first row, as the server sent it ("<error>" when the query fails,
    // "<null>" for NULL, "<none>" without a row).
    std::string sValue(const std::string& sSQL) {
        PGresult* pResult = __PQexec(pstGetPGConn(), sSQL.c_str());
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
};

// The connection with one reference held, described for the sandbox and opened.
class CSession {
public:
    CSession() {
        m_clHost.m_sDataBase = wsOf(pgsandbox::sEnv("PGHOST"));
        m_clHost.m_sUserName = wsOf(pgsandbox::sEnv("PGUSER"));
        m_clHost.m_sExtendedInfo = L"Server Port=" + wsOf(pgsandbox::sEnv("PGPORT")) + L";Initial Catalog=" +
                                   wsOf(pgsandbox::sEnv("PGDATABASE"));
        m_pcl = new CServerConnection(&m_clHost);
        m_pcl->AddRef();
        CErrorRef clError;
        m_bOpen = m_pcl->bOpen(clError.p);
        EXPECT_EQ(m_bOpen, 1) << (m_bOpen ? "" : sUTF8(clError.p->pszGetError()));
        if (m_bOpen) m_nBackendPid = std::stol(m_pcl->sValue("SELECT pg_backend_pid()"));
    }
    ~CSession() { m_pcl->nRelease(); }
    CSession(const CSession&) = delete;
    CSession& operator=(const CSession&) = delete;

    CServerConnection* operator->() const { return m_pcl; }
    CServerConnection* pcl() const { return m_pcl; }
    bool bOpen() const { return m_bOpen != 0; }
    long nBackendPid() const { return m_nBackendPid; }

private:
    CStandInConnectionDescription m_clHost;
    CServerConnection* m_pcl;
    int m_bOpen = 0;
    long m_nBackendPid = 0;
};

class LiteralsOnServerTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        m_sTable = "kx_literals_" + std::to_string(getpid());
    }
    void TearDown() override {
        if (m_pclAdmin != nullptr) {
            (*m_pclAdmin)->bExec("DROP TABLE IF EXISTS " + m_sTable);
            delete m_pclAdmin;
        }
        KXInstallStandInHost();
    }

    // A second session: it makes and drops the table and looks at what the first one committed.
    CServerConnection& Admin() {
        if (m_pclAdmin == nullptr) m_pclAdmin = new CSession;
        return *m_pclAdmin->pcl();
    }

    std::string m_sTable;
    CSession* m_pclAdmin = nullptr;
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
    ASSERT_EQ(Admin().bExec("CREATE TABLE " + m_sTable + " (id int PRIMARY KEY, t text, b bytea, f boolean)"), 1);
    CSession clSession;
    ASSERT_TRUE(clSession.bOpen());
    CServerConnection& cl = *clSession.pcl();

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
        ASSERT_EQ(cl.bExec("SET standard_conforming_strings = " + sUTF8(pszSetting)), 1);
        CTString clReported;
        ASSERT_EQ(cl.bGetServerParameter(L"standard_conforming_strings", &clReported), 1);
        ASSERT_EQ(std::wstring(clReported.pszGet()), pszSetting);
        for (const std::wstring& sValue : asValues) {
            SCOPED_TRACE(testing::Message() << sUTF8(pszSetting) << " " << testing::PrintToString(sValue));
            CTStringConcatAW clLiteral(65001, 1252);
            CAny clValue = clWideValue(sValue);
            ASSERT_EQ(cl.bConvertValueToString(nullptr, &clLiteral, &clValue, NA_IT_EMPTY, NA_IT_EMPTY), 1);
            ++nId;
            std::string sInsert = "INSERT INTO " + m_sTable + " (id, t) VALUES (" + std::to_string(nId) + ", " +
                                  std::string(clLiteral.pszGetA(), clLiteral.nGetLongueurA()) + ")";
            ASSERT_EQ(cl.bExec(sInsert), 1) << sInsert;
            EXPECT_EQ(cl.sValue("SELECT t FROM " + m_sTable + " WHERE id = " + std::to_string(nId)), sUTF8(sValue));
        }
        // 8-bit texts in the host language's code page come back as the same characters.
        CTStringConcatAW clLiteral(65001, 1252);
        CAny clAnsi = clAnsiValue("caf\xe9 l'\xe9t\xe9 \\'");
        ASSERT_EQ(cl.bConvertValueToString(nullptr, &clLiteral, &clAnsi, NA_IT_EMPTY, NA_IT_EMPTY), 1);
        ++nId;
        ASSERT_EQ(cl.bExec("INSERT INTO " + m_sTable + " (id, t) VALUES (" + std::to_string(nId) + ", " +
                           std::string(clLiteral.pszGetA(), clLiteral.nGetLongueurA()) + ")"),
                  1);
        EXPECT_EQ(cl.sValue("SELECT t FROM " + m_sTable + " WHERE id = " + std::to_string(nId)),
                  sUTF8(L"caf\u00e9 l'\u00e9t\u00e9 \\'"));

        // Bytes and booleans through the PostgreSQL connection's own forms.
        const unsigned char abyBytes[] = {0x00, '\'', '\\', 0xFF, '\n', 'x'};
        CAny clBytes;
        clBytes.SetBIN(abyBytes, sizeof(abyBytes));
        CAny clTrue, clFalse;
        clTrue.SetBOOL(1);
        clFalse.SetBOOL(0);
        CTStringConcatAW clB(65001, 1252), clT(65001, 1252), clF(65001, 1252);
        ASSERT_EQ(cl.bConvertValueToString(nullptr, &clB, &clBytes, NA_IT_EMPTY, NA_IT_EMPTY), 1);
        ASSERT_EQ(cl.bConvertValueToString(nullptr, &clT, &clTrue, NA_IT_EMPTY, NA_IT_EMPTY), 1);
        ASSERT_EQ(cl.bConvertValueToString(nullptr, &clF, &clFalse, NA_IT_EMPTY, NA_IT_EMPTY), 1);
        ++nId;
        std::string sInsert = "INSERT INTO " + m_sTable + " (id, b, f) VALUES (" + std::to_string(nId) + ", " +
                              clB.pszGetA() + ", " + clT.pszGetA() + "), (" + std::to_string(nId + 1) + ", NULL, " +
                              clF.pszGetA() + ")";
        ASSERT_EQ(cl.bExec(sInsert), 1) << sInsert;
        EXPECT_EQ(
            cl.sValue("SELECT encode(b, 'hex') || ' ' || f FROM " + m_sTable + " WHERE id = " + std::to_string(nId)),
            "00275cff0a78 true");
        EXPECT_EQ(cl.sValue("SELECT f FROM " + m_sTable + " WHERE id = " + std::to_string(nId + 1)), "f");
        ++nId;
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
    ASSERT_EQ(Admin().bExec("CREATE TABLE " + m_sTable + " (id int PRIMARY KEY)"), 1);
    const stScenario tabScenarios[] = {
        {"an inner rollback keeps the outer work",
         {{BEGIN, L"A", 1},
          {INSERT, L"1", 1},
          {BEGIN, L"B", 1},
          {INSERT, L"2", 1},
          {ROLLBACK, nullptr, 1},
          {INSERT, L"3", 1},
          {COMMIT, L"A", 1}},
         {"BEGIN", "INSERT 1", "SAVEPOINT KX_SP1", "INSERT 2", "ROLLBACK TO SAVEPOINT KX_SP1",
          "RELEASE SAVEPOINT KX_SP1", "INSERT 3", "COMMIT"},
         "1,3"},
        {"an inner commit is undone with the outer rollback",
         {{BEGIN, L"A", 1},
          {INSERT, L"1", 1},
          {BEGIN, L"B", 1},
          {INSERT, L"2", 1},
          {COMMIT, L"B", 1},
          {ROLLBACK, L"A", 1}},
         {"BEGIN", "INSERT 1", "SAVEPOINT KX_SP1", "INSERT 2", "RELEASE SAVEPOINT KX_SP1", "ROLLBACK"},
         ""},
        {"a rollback by the outer name undoes the nested levels only",
         {{BEGIN, L"A", 1},
          {INSERT, L"1", 1},
          {BEGIN, L"B", 1},
          {INSERT, L"2", 1},
          {BEGIN, L"C", 1},
          {INSERT, L"3", 1},
          {ROLLBACK, L"a", 1},
          {INSERT, L"4", 1},
          {COMMIT, nullptr, 1}},
         {"BEGIN", "INSERT 1", "SAVEPOINT KX_SP1", "INSERT 2", "SAVEPOINT KX_SP2", "INSERT 3",
          "ROLLBACK TO SAVEPOINT KX_SP2", "RELEASE SAVEPOINT KX_SP2", "ROLLBACK TO SAVEPOINT KX_SP1",
          "RELEASE SAVEPOINT KX_SP1", "INSERT 4", "COMMIT"},
         "1,4"},
        {"a failed statement in a nested level is undone with it, and the outer one goes on",
         {{BEGIN, L"A", 1},
          {INSERT, L"1", 1},
          {BEGIN, L"B", 1},
          {FAIL, nullptr, 0},
          {ROLLBACK, L"B", 1},
          {INSERT, L"2", 1},
          {COMMIT, L"A", 1}},
         {"BEGIN", "INSERT 1", "SAVEPOINT KX_SP1", "SELECT 1/0", "ROLLBACK TO SAVEPOINT KX_SP1",
          "RELEASE SAVEPOINT KX_SP1", "INSERT 2", "COMMIT"},
         "1,2"},
        {"a commit by the outer name while a nested one is open sends nothing",
         {{BEGIN, L"A", 1},
          {INSERT, L"1", 1},
          {BEGIN, L"B", 1},
          {COMMIT, L"A", 0},
          {COMMIT, nullptr, 1},
          {COMMIT, nullptr, 1}},
         {"BEGIN", "INSERT 1", "SAVEPOINT KX_SP1", "RELEASE SAVEPOINT KX_SP1", "COMMIT"},
         "1"},
        {"three levels committed from the inside out",
         {{BEGIN, L"A", 1},
          {BEGIN, L"B", 1},
          {BEGIN, L"C", 1},
          {INSERT, L"1", 1},
          {COMMIT, nullptr, 1},
          {COMMIT, nullptr, 1},
          {COMMIT, nullptr, 1}},
         {"BEGIN", "SAVEPOINT KX_SP1", "SAVEPOINT KX_SP2", "INSERT 1", "RELEASE SAVEPOINT KX_SP2",
          "RELEASE SAVEPOINT KX_SP1", "COMMIT"},
         "1"},
    };
    for (const stScenario& stScenario : tabScenarios) {
        SCOPED_TRACE(stScenario.pszTitle);
        ASSERT_EQ(Admin().bExec("DELETE FROM " + m_sTable), 1);
        CSession clSession;
        ASSERT_TRUE(clSession.bOpen());
        CServerConnection& cl = *clSession.pcl();
        pgsandbox::CStatementLog clLog;
        for (const stStep& st : stScenario.aSteps) {
            CErrorRef clErrorRef;
            CNAError* pclError = clErrorRef.p;
            int nResult = -1;
            switch (st.eOperation) {
                case BEGIN:
                    nResult = cl.bTransactionBegin(pclError, st.pszName);
                    break;
                case COMMIT:
                    nResult = cl.bTransactionCommit(pclError, st.pszName);
                    break;
                case ROLLBACK:
                    nResult = cl.bTransactionRollBack(pclError, st.pszName);
                    break;
                case INSERT:
                    nResult = cl.bExecuteQueryNoResult(
                        pclError, (L"INSERT INTO " + std::wstring(m_sTable.begin(), m_sTable.end()) + L" VALUES (" +
                                   st.pszName + L")")
                                      .c_str());
                    break;
                case FAIL:
                    nResult = cl.bExecuteQueryNoResult(pclError, L"SELECT 1/0");
                    break;
            }
            EXPECT_EQ(nResult, st.nResult) << st.eOperation << " " << (st.pszName ? sUTF8(st.pszName) : "");
        }
        std::vector<std::string> asReceived;
        for (std::string s : clLog.Statements(clSession.nBackendPid())) {
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
