// Writes of the data access on the test server: add with the identifier the server returns,
// modify, delete, a modify of a row deleted elsewhere, the repair of a duplicate automatic
// identifier (serial, and bigserial past 2^31), the item a duplicate key or a missing value is on,
// hostile values, creation with its indexes, and names holding quotes. Each effect is read back
// with a connection of the test's own and the SQL checked in the server's log.
#include "tests/table/NADataAccessSeekFixture.h"

#include <algorithm>

using namespace seektest;

namespace {

class NADataAccessWriteServerTest : public SeekServerTest {
protected:
    int bAdd(CNADataAccess* pclAccess) { return pclAccess->bHAjoute(0, static_cast<eNA_LOCKTYPE>(0)); }
    int bSeek(CNADataAccess* pclAccess, const wchar_t* pszItem, const CAny& clValue) {
        eNA_LOCKTYPE eLockOut = static_cast<eNA_LOCKTYPE>(0);
        return pclAccess->bHRecherche(pszItem, &clValue, 0, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, 1, 0);
    }
    // The statements of the access's connection since the log was marked, those that match.
    std::vector<std::string> Sent(const pgsandbox::CStatementLog& clLog, long nPid, const std::string& sPart) {
        std::vector<std::string> v;
        for (const std::string& s : clLog.Statements(nPid))
            if (s.find(sPart) != std::string::npos) v.push_back(s);
        return v;
    }
    static bool bHas(const std::vector<std::string>& v, const std::string& s) {
        return std::find(v.begin(), v.end(), s) != v.end();
    }

    pgtest::CDirectServer m_clServer;
};

// Add (the identifier from the insert's own result), modify and delete, each seen by another
// session; a record number other than 0 is refused.
TEST_F(NADataAccessWriteServerTest, AddModifyDelete) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_write_rows", "id serial PRIMARY KEY, name varchar(30) NOT NULL, city varchar(20)",
                "INSERT INTO kx_write_rows (name, city) VALUES ('a', 'Lyon'), ('b', 'Nice')");
    CNADataAccess* pclAccess = pclOpen(L"kx_write_rows");
    ASSERT_NE(pclAccess, nullptr);
    const long nPid = nBackendPid(pclAccess);
    pgsandbox::CStatementLog clLog;

    SetText(pclAccess, L"name", L"O'Brien \\ \"q\"");
    SetText(pclAccess, L"city", L"Metz");
    ASSERT_EQ(bAdd(pclAccess), 1) << sError();
    EXPECT_EQ(wsValue(pclAccess, L"id"), L"3");
    EXPECT_EQ(m_clServer.sValue("SELECT name || '|' || city FROM kx_write_rows WHERE id = 3"), "O'Brien \\ \"q\"|Metz");
    const std::vector<std::string> vInserts = Sent(clLog, nPid, "INSERT");
    ASSERT_EQ(vInserts.size(), 1u);
    EXPECT_NE(vInserts[0].find("RETURNING \"id\""), std::string::npos) << vInserts[0];

    SetText(pclAccess, L"city", L"Caen");
    ASSERT_EQ(pclAccess->bHModifie(0, 0, static_cast<eNA_LOCKTYPE>(0)), 1) << sError();
    EXPECT_EQ(m_clServer.sValue("SELECT city FROM kx_write_rows WHERE id = 3"), "Caen");
    EXPECT_EQ(pclAccess->bHModifie(3, 0, static_cast<eNA_LOCKTYPE>(0)), 0);
    EXPECT_EQ(m_pclError->nGetUserErrorCode(), 18u);
    m_pclError->Reset();

    ASSERT_EQ(bSeek(pclAccess, L"name", Text(L"a")), 1) << sError();
    ASSERT_EQ(pclAccess->bHSupprime(0, static_cast<eNA_LOCKTYPE>(0)), 1) << sError();
    EXPECT_EQ(m_clServer.sValue("SELECT string_agg(name, ',' ORDER BY id) FROM kx_write_rows"), "b,O'Brien \\ \"q\"");
    EXPECT_EQ(pclAccess->bHSupprime(1, static_cast<eNA_LOCKTYPE>(0)), 0);
    EXPECT_EQ(m_pclError->nGetUserErrorCode(), 18u);
}

// A modify of a row another session deleted fails (the record is gone, user error 13) and writes
// nothing; a modify of the row this access deleted writes it again with its identifier, and the
// sequence moves past it.
TEST_F(NADataAccessWriteServerTest, ModifyOfADeletedRow) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_write_gone", "id serial PRIMARY KEY, name varchar(30) NOT NULL",
                "INSERT INTO kx_write_gone (name) SELECT 'n' || i FROM generate_series(1, 5) AS i");
    CNADataAccess* pclAccess = pclOpen(L"kx_write_gone");
    ASSERT_NE(pclAccess, nullptr);
    ASSERT_EQ(bSeek(pclAccess, L"name", Text(L"n4")), 1) << sError();
    m_clServer.Run("DELETE FROM kx_write_gone WHERE id = 4");
    SetText(pclAccess, L"name", L"n4 again");
    EXPECT_EQ(pclAccess->bHModifie(0, 0, static_cast<eNA_LOCKTYPE>(0)), 0);
    EXPECT_EQ(m_pclError->nGetUserErrorCode(), 13u);
    EXPECT_EQ(m_clServer.sValue("SELECT count(*) FROM kx_write_gone WHERE id = 4"), "0");
    m_pclError->Reset();

    ASSERT_EQ(bSeek(pclAccess, L"name", Text(L"n5")), 1) << sError();
    ASSERT_EQ(wsValue(pclAccess, L"id"), L"5");
    ASSERT_EQ(pclAccess->bHSupprime(0, static_cast<eNA_LOCKTYPE>(0)), 1) << sError();
    m_clServer.Run("SELECT setval('kx_write_gone_id_seq', 2)");
    SetText(pclAccess, L"name", L"n5 again");
    ASSERT_EQ(pclAccess->bHModifie(0, 0, static_cast<eNA_LOCKTYPE>(0)), 1) << sError();
    EXPECT_EQ(m_clServer.sValue("SELECT name FROM kx_write_gone WHERE id = 5"), "n5 again");
    EXPECT_EQ(m_clServer.sValue("SELECT nextval('kx_write_gone_id_seq')"), "6");
}

// A sequence set back by hand: the insert collides, the driver reads the sequence's current value,
// the table's highest identifier, restarts the sequence past it and inserts again, on a serial and
// on a bigserial whose values stand past 2^31.
TEST_F(NADataAccessWriteServerTest, DuplicateIdentifierRepaired) {
    KX_REQUIRE_PG_SERVER();
    struct stCase {
        const char* pszTable;
        const char* pszType;
        const char* pszFirst;  // the identifier of the rows already there
        const char* pszNext;
    } astCases[] = {
        {"kx_write_serial", "serial", "250", "251"},
        {"kx_write_bigserial", "bigserial", "3000000000", "3000000001"},
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(st.pszTable);
        const std::string sTable = st.pszTable;
        CreateTable(m_clServer, sTable, std::string("id ") + st.pszType + " PRIMARY KEY, name varchar(30)");
        m_clServer.Run("INSERT INTO " + sTable + " (id, name) VALUES (" + st.pszFirst + " - 1, 'x'), (" + st.pszFirst +
                       ", 'y')");
        m_clServer.Run("SELECT setval('" + sTable + "_id_seq', " + st.pszFirst + " - 1)");
        CNADataAccess* pclAccess = pclOpen(wsOf(sTable).c_str());
        ASSERT_NE(pclAccess, nullptr);
        const long nPid = nBackendPid(pclAccess);
        pgsandbox::CStatementLog clLog;
        SetText(pclAccess, L"name", L"z");
        ASSERT_EQ(bAdd(pclAccess), 1) << sError();
        EXPECT_EQ(wsValue(pclAccess, L"id"), wsOf(st.pszNext));
        EXPECT_EQ(m_clServer.sValue("SELECT name FROM " + sTable + " WHERE id = " + st.pszNext), "z");
        const std::vector<std::string> vSent = clLog.Statements(nPid);
        EXPECT_TRUE(bHas(vSent, "SELECT CURRVAL('\"" + sTable + "_id_seq\"')"));
        EXPECT_TRUE(bHas(vSent, "SELECT MAX(\"id\") FROM \"" + sTable + "\""));
        EXPECT_TRUE(bHas(vSent, "ALTER SEQUENCE \"" + sTable + "_id_seq\" RESTART WITH " + st.pszNext));
        EXPECT_EQ(Sent(clLog, nPid, "INSERT").size(), 2u);
        EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE);
    }
}

// A value the server requires (23502) and a duplicate key (23505): the error's type and the item.
TEST_F(NADataAccessWriteServerTest, ValueRequiredAndDuplicateKeyNameTheItem) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_write_keys",
                "id serial PRIMARY KEY, code varchar(10) NOT NULL UNIQUE, label varchar(20) NOT NULL",
                "INSERT INTO kx_write_keys (code, label) VALUES ('A1', 'one')");
    CNADataAccess* pclAccess = pclOpen(L"kx_write_keys");
    ASSERT_NE(pclAccess, nullptr);
    SetText(pclAccess, L"code", L"B2");
    SetNull(pclAccess, L"label");
    EXPECT_EQ(bAdd(pclAccess), 0);
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NULLNOTALLOWED);
    EXPECT_EQ(m_pclError->dwGetDataBaseErrorCode(), 23502u);
    EXPECT_EQ(wsOf(sOf(m_pclError->pszGetItemName() != nullptr ? m_pclError->pszGetItemName() : L"")), L"label");
    m_pclError->Reset();

    SetText(pclAccess, L"code", L"A1");
    SetText(pclAccess, L"label", L"two");
    EXPECT_EQ(bAdd(pclAccess), 0);
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_DUPLICATE);
    EXPECT_EQ(m_pclError->dwGetDataBaseErrorCode(), 23505u);
    EXPECT_EQ(wsOf(sOf(m_pclError->pszGetItemName() != nullptr ? m_pclError->pszGetItemName() : L"")), L"code");
    EXPECT_EQ(m_clServer.sValue("SELECT count(*) FROM kx_write_keys"), "1");
}

}  // namespace
