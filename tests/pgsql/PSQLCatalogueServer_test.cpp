// The catalogue on the test server, in a database of its own that this program sets up afresh:
// a fixture table described (types, sizes, digits, nullability, defaults, automatic identifier,
// keys) with the exact queries in the server's log, table lists for each set of flags (one table
// owned by a role that cannot log in), column lists, the database list. Every expected row comes
// from the server itself, read through a connection of the system's client library.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/XYString.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAItemDescription.h"
#include "tests/pgsql/CatalogueTexts.h"
#include "tests/support/PgSession.h"
#include "tests/support/StatementLog.h"
#include "tests/pgsql/SQLCommandTestSupport.h"

using namespace pgtest;

namespace {

const char* const DATABASE = "kxstmtsql_catalogue";
const char* const NOLOGIN_ROLE = "kxstmtsql_nologin";

std::wstring wsUTF8(const std::string& s) {
    CTString cl;
    cl.SetANSI(s.c_str(), 65001);
    return cl.pszGet() != nullptr ? std::wstring(cl.pszGet()) : std::wstring();
}

std::vector<std::wstring> aLines(const std::wstring& s) {
    std::vector<std::wstring> a;
    if (s.empty()) return a;
    size_t nStart = 0;
    for (;;) {
        size_t nEnd = s.find(L"\r\n", nStart);
        a.push_back(s.substr(nStart, nEnd == std::wstring::npos ? std::wstring::npos : nEnd - nStart));
        if (nEnd == std::wstring::npos) break;
        nStart = nEnd + 2;
    }
    return a;
}

class PSQLCatalogueServerTest : public CSQLCommandTest {
protected:
    // The catalogue database and its objects, made once for the server: every test of this fixture
    // runs in a process of its own, side by side with the others, so the first one to hold the
    // lock makes them and leaves a mark for the others.
    static void SetUpTestSuite() {
        std::string sReason;
        if (!pgsandbox::bServerAvailable(&sReason)) return;
        CPgSession clServer;
        clServer.Run("SELECT pg_advisory_lock(727274)");
        if (clServer.sValue(std::string("SELECT count(*) FROM pg_database WHERE datname = '") + DATABASE + "'") == "0")
            clServer.Run(std::string("CREATE DATABASE ") + DATABASE);
        if (clServer.sValue(std::string("SELECT count(*) FROM pg_roles WHERE rolname = '") + NOLOGIN_ROLE + "'") == "0")
            clServer.Run(std::string("CREATE ROLE ") + NOLOGIN_ROLE + " NOLOGIN");
        {
            CPgSession clCatalogue(DATABASE);
            if (clCatalogue.sValue("SELECT count(*) FROM pg_class WHERE relname = 'kx_catalogue_ready_2'") == "0")
                MakeCatalogue(&clCatalogue);
        }
        clServer.Run("SELECT pg_advisory_unlock(727274)");
    }
    static void MakeCatalogue(CPgSession* pclServer) {
        CPgSession& clServer = *pclServer;
        clServer.Run("DROP SCHEMA IF EXISTS kxs1 CASCADE");
        clServer.Run("DROP SCHEMA IF EXISTS pgdata CASCADE");
        clServer.Run("DROP TABLE IF EXISTS public.customer, public.owned, public.\"it's\", public.kx_fixture CASCADE");
        clServer.Run("DROP DOMAIN IF EXISTS kx_code");
        clServer.Run("CREATE SCHEMA kxs1");
        clServer.Run("CREATE TABLE public.customer (id int, name text)");
        clServer.Run("CREATE TABLE kxs1.customer (code int, label text, extra int)");
        // A user's schema whose name only looks like the server's own ones.
        clServer.Run("CREATE SCHEMA pgdata");
        clServer.Run("CREATE TABLE pgdata.readings (n int)");
        clServer.Run("CREATE VIEW public.v_customer AS SELECT id FROM public.customer");
        clServer.Run("CREATE VIEW kxs1.v_label AS SELECT label FROM kxs1.customer");
        clServer.Run("CREATE TABLE public.owned (n int)");
        clServer.Run(std::string("ALTER TABLE public.owned OWNER TO ") + NOLOGIN_ROLE);
        clServer.Run("CREATE TABLE public.\"it's\" (a int, gone int, b text)");
        clServer.Run("ALTER TABLE public.\"it's\" DROP COLUMN gone");
        clServer.Run("CREATE DOMAIN kx_code AS integer NOT NULL");
        clServer.Run(
            "CREATE TABLE kx_fixture (id serial PRIMARY KEY, dropme int, name varchar(30) NOT NULL, "
            "balance numeric(10,2) DEFAULT 0, amount numeric, owner text DEFAULT 'O''Brien', code kx_code, "
            "photo bytea, created timestamp)");
        clServer.Run("ALTER TABLE kx_fixture DROP COLUMN dropme");
        clServer.Run("CREATE UNIQUE INDEX kx_fixture_name_code ON kx_fixture (name, code)");
        clServer.Run("CREATE INDEX kx_fixture_lower ON kx_fixture (lower(name))");
        clServer.Run("CREATE INDEX kx_fixture_created ON kx_fixture (created)");
        clServer.Run("CREATE TABLE kx_catalogue_ready_2 ()");
    }

    void SetUp() override {
        CSQLCommandTest::SetUp();
        Describe(&m_clHost, DATABASE);
    }

    std::wstring wsTableList(int nCnx, unsigned nFlags, int* pbOk) {
        CAny clList;
        *pbOk = HostCall<int>(m_pSQL, SQL_TABLELIST, &clList, nCnx, nullptr, nFlags);
        EXPECT_EQ(clList.nGetTypeCode(), VQTYPE_DSTRW);
        EXPECT_FALSE(clList.bIsNull());
        return osAnyText(clList).value_or(L"");
    }
};

// ------------------------------------------------------------------------------------ table lists

// Each set of flags lists what the server's catalogue holds of it: user tables (1), user views
// (2), every system table and view (4), four values a row (32); ordered by the table's own name.
TEST_F(PSQLCatalogueServerTest, TableListsPerFlagSet) {
    KX_REQUIRE_PG_SERVER();
    CPgSession clServer(DATABASE);
    const pgtest::Rows aCatalogue = clServer.Query(
        "SELECT n.nspname, c.relname, r.rolname, c.relkind FROM pg_class c JOIN pg_namespace n ON n.oid = "
        "c.relnamespace JOIN pg_roles r ON r.oid = c.relowner WHERE c.relkind IN ('r', 'v')");
    ASSERT_FALSE(aCatalogue.empty());
    const int nCnx = nOpen();

    for (unsigned nFlags : {0u, 1u, 2u, 3u, 4u, 5u, 6u, 7u, 32u, 33u, 34u, 38u, 39u}) {
        SCOPED_TRACE(nFlags);
        std::vector<std::wstring> aExpected;
        for (const auto& aRow : aCatalogue) {
            const std::string& sSchema = *aRow[0];
            const bool bSystem = sSchema.compare(0, 3, "pg_") == 0 || sSchema == "information_schema";
            const bool bTable = *aRow[3] == "r";
            const bool bListed = bSystem ? (nFlags & 4) != 0 : (bTable ? (nFlags & 1) != 0 : (nFlags & 2) != 0);
            if (!bListed) continue;
            std::wstring sLine = wsUTF8(sSchema + "." + *aRow[1]);
            if (nFlags & 32)
                sLine += L"\t\t" + wsUTF8(*aRow[2]) + L"\t" +
                         (bSystem ? (bTable ? L"SYSTEM TABLE" : L"SYSTEM VIEW") : (bTable ? L"TABLE" : L"VIEW"));
            aExpected.push_back(sLine);
        }
        int bOk = 0;
        const std::vector<std::wstring> aListed = aLines(wsTableList(nCnx, nFlags, &bOk));
        EXPECT_EQ(bOk, 1) << sOf(wsLastError().c_str());
        // Ordered by the table's own name, not by the qualified one.
        for (size_t i = 1; i < aListed.size(); i++) {
            auto relname = [](const std::wstring& s) {
                return s.substr(s.find(L'.') + 1, s.find(L'\t') - s.find(L'.') - 1);
            };
            EXPECT_LE(relname(aListed[i - 1]), relname(aListed[i])) << sOf(aListed[i].c_str());
        }
        std::vector<std::wstring> aSorted = aListed;
        std::sort(aSorted.begin(), aSorted.end());
        std::sort(aExpected.begin(), aExpected.end());
        EXPECT_EQ(aSorted, aExpected);
    }

    // The table of a role that cannot log in is listed with its owner.
    int bOk = 0;
    const std::vector<std::wstring> aFour = aLines(wsTableList(nCnx, 33, &bOk));
    EXPECT_NE(std::find(aFour.begin(), aFour.end(), L"public.owned\t\t" + wsUTF8(NOLOGIN_ROLE) + L"\tTABLE"),
              aFour.end());
    const std::vector<std::wstring> aUser = aLines(wsTableList(nCnx, 3, &bOk));
    for (const wchar_t* psz : {L"public.customer", L"kxs1.customer", L"public.v_customer", L"kxs1.v_label",
                               L"public.owned", L"public.it's", L"public.kx_fixture", L"pgdata.readings"})
        EXPECT_NE(std::find(aUser.begin(), aUser.end(), psz), aUser.end()) << sOf(psz);

    // The driver object's own table list opens its connection itself and lists the same.
    CAny clList;
    ASSERT_EQ(m_clDriver->bGetTableList(&clList, &m_clHost, 3), 1) << sOf(wsLastError().c_str());
    std::vector<std::wstring> aDriver = aLines(osAnyText(clList).value_or(L""));
    std::vector<std::wstring> aSorted = aUser;
    std::sort(aDriver.begin(), aDriver.end());
    std::sort(aSorted.begin(), aSorted.end());
    EXPECT_EQ(aDriver, aSorted);
}

// ------------------------------------------------------------------------------------ column lists

// The live columns of every table or view of the name, in column order; a quote in the name goes
// to the server doubled; a name no table has lists nothing.
TEST_F(PSQLCatalogueServerTest, ColumnLists) {
    KX_REQUIRE_PG_SERVER();
    CPgSession clServer(DATABASE);
    const int nCnx = nOpen();
    const long nPid = nBackendPid(nCnx);
    pgsandbox::CStatementLog clLog;
    for (const char* pszTable : {"customer", "it's", "v_customer", "kx_no_such_table"}) {
        SCOPED_TRACE(pszTable);
        std::string sLiteral = pszTable;
        for (size_t n = sLiteral.find('\''); n != std::string::npos; n = sLiteral.find('\'', n + 2))
            sLiteral.insert(n, "'");
        const pgtest::Rows aColumns = clServer.Query(
            "SELECT a.attnum, a.attname FROM pg_attribute a JOIN pg_class c ON c.oid = a.attrelid WHERE c.relname = '" +
            sLiteral + "' AND c.relkind IN ('r', 'v') AND a.attnum > 0 AND NOT a.attisdropped");
        CAny clList;
        ASSERT_EQ(HostCall<int>(m_pSQL, SQL_COLUMNLIST_TABLE, &clList, nCnx, wsUTF8(pszTable).c_str(), 0u), 1)
            << sOf(wsLastError().c_str());
        EXPECT_EQ(clList.nGetTypeCode(), VQTYPE_DSTRW);
        const std::vector<std::wstring> aListed = aLines(osAnyText(clList).value_or(L""));
        // Tables of one name in several schemas interleave: the column numbers never go down.
        std::multiset<std::pair<int, std::wstring>> setExpected;
        for (const auto& aRow : aColumns) setExpected.insert({std::stoi(*aRow[0]), wsUTF8(*aRow[1])});
        ASSERT_EQ(aListed.size(), setExpected.size());
        std::multiset<std::pair<int, std::wstring>> setRest = setExpected;
        int nLastNumber = 0;
        for (const std::wstring& sName : aListed) {
            auto it = std::find_if(setRest.begin(), setRest.end(), [&](const auto& p) { return p.second == sName; });
            ASSERT_NE(it, setRest.end()) << sOf(sName.c_str());
            EXPECT_GE(it->first, nLastNumber);
            nLastNumber = it->first;
            setRest.erase(it);
        }
    }
    bool bQuoteDoubled = false;
    for (const std::string& s : clLog.Statements(nPid))
        if (s.find("WHERE pg_class.relname='it''s' AND (pg_class.relkind='r' OR pg_class.relkind='v')") !=
            std::string::npos)
            bQuoteDoubled = true;
    EXPECT_TRUE(bQuoteDoubled);
}

// ------------------------------------------------------------------------------------ database list

// The databases that are not templates, as the server lists them.
TEST_F(PSQLCatalogueServerTest, DatabaseList) {
    KX_REQUIRE_PG_SERVER();
    CPgSession clServer;
    auto Expected = [&] {
        std::set<std::wstring> set;
        for (const auto& aRow : clServer.Query("SELECT datname FROM pg_database WHERE NOT datistemplate"))
            set.insert(wsUTF8(*aRow[0]));
        return set;
    };
    const std::set<std::wstring> setBefore = Expected();
    CXYString<wchar_t> clList;
    ASSERT_EQ(m_clDriver->bGetDatabaseList(&clList, &m_clHost, 0), 1) << sOf(wsLastError().c_str());
    const std::set<std::wstring> setAfter = Expected();
    const std::vector<std::wstring> aListed = aLines(clList.pszGet());
    const std::set<std::wstring> setListed(aListed.begin(), aListed.end());
    EXPECT_EQ(setListed.size(), aListed.size());
    // Another program may make a database meanwhile.
    EXPECT_TRUE(setListed == setBefore || setListed == setAfter);
    EXPECT_EQ(setListed.count(L"template0") + setListed.count(L"template1"), 0u);
    EXPECT_EQ(setListed.count(wsUTF8(DATABASE)), 1u);
}

// ------------------------------------------------------------------------------------ description

// The fixture table as the host receives it: one item per live column in column order, keys on
// their items and a composite key after them, read by the exact catalogue queries.
TEST_F(PSQLCatalogueServerTest, FixtureTableDescribed) {
    KX_REQUIRE_PG_SERVER();
    CPgSession clServer(DATABASE);
    const pgtest::Rows aColumns = clServer.Query(
        "SELECT a.attname, a.attnum, a.attnotnull OR t.typnotnull, pg_get_expr(d.adbin, d.adrelid) FROM pg_attribute "
        "a JOIN pg_class c ON c.oid = a.attrelid JOIN pg_type t ON t.oid = a.atttypid LEFT JOIN pg_attrdef d ON "
        "d.adrelid = c.oid AND d.adnum = a.attnum WHERE c.relname = 'kx_fixture' AND a.attnum > 0 AND NOT "
        "a.attisdropped ORDER BY a.attnum");
    ASSERT_EQ(aColumns.size(), 8u);

    eNA_ITEMTYPE eBalance, eAmount;
    unsigned nBalance, nAmount;
    CNAItemDescription::s_GetTypeFromFormat(8, 2, &eBalance, &nBalance);
    CNAItemDescription::s_GetTypeFromFormat(0, 0, &eAmount, &nAmount);
    const struct {
        const wchar_t* pszName;
        eNA_ITEMTYPE eType;
        unsigned nSize;
        unsigned short wKeyFlags;
        bool bDefault;  // a default is described (its text comes from the server)
    } tabExpected[] = {
        {L"id", NA_IT_IDAUTO4, 4, 0xC800, false},
        {L"name", NA_IT_UNICODE, 62, 0, false},
        // A fixed-point of 8 and 2 digits is a currency item, whose defaults are not described.
        {L"balance", eBalance, nBalance, 0, false},
        {L"amount", eAmount, nAmount, 0, false},
        {L"owner", NA_IT_MEMOUNICODE, 8, 0, true},
        {L"code", NA_IT_I4, 4, 0, false},
        {L"photo", NA_IT_MEMOBINAIRE, 8, 0, false},
        {L"created", NA_IT_DATETIME, 8, 0x2800, false},
    };

    const int nCnx = nOpen();
    const long nPid = nBackendPid(nCnx);
    for (const wchar_t* pszTable : {L"kx_fixture", L"public.kx_fixture"}) {
        SCOPED_TRACE(sOf(pszTable));
        pgsandbox::CStatementLog clLog;
        auto* piDesc = HostCall<INADataSourceDescription*>(m_pSQL, SQL_TABLEDESC_TABLE, nCnx, pszTable, 0u);
        ASSERT_NE(piDesc, nullptr) << sOf(wsLastError().c_str());
        auto* pclDesc = static_cast<CNADataSourceDescription*>(piDesc);
        ASSERT_EQ(pclDesc->nGetNumItems(), 9u);
        for (size_t i = 0; i < std::size(tabExpected); i++) {
            const auto& st = tabExpected[i];
            SCOPED_TRACE(sOf(st.pszName));
            CNAItemDescription* pcl = pclDesc->pclGetItemNoRef(static_cast<int>(i));
            EXPECT_EQ(std::wstring(pcl->pszGetName()), wsUTF8(*aColumns[i][0]));
            EXPECT_EQ(std::wstring(pcl->pszGetName()), st.pszName);
            EXPECT_EQ(pcl->nGetPhysicalIndiceDB(), std::stoi(*aColumns[i][1]));
            EXPECT_EQ(pcl->bNullable(), *aColumns[i][2] != "t");
            EXPECT_EQ(pcl->eNAGetItemType(), st.eType);
            EXPECT_EQ(pcl->nGetItemSize(), st.nSize);
            EXPECT_EQ(pcl->wGetKeyFlags(), st.wKeyFlags);
            EXPECT_EQ(pcl->nGetDimension(), 1u);
            const std::optional<std::wstring> osDefault = osAnyText(*pcl->pclGetDefaultValue(0));
            if (st.bDefault) {
                // The server's default between its outer quotes, each doubled quote read as one.
                ASSERT_TRUE(aColumns[i][3].has_value());
                std::string s = *aColumns[i][3];
                s = s.substr(s.find('\'') + 1, s.rfind('\'') - s.find('\'') - 1);
                for (size_t n = s.find("''"); n != std::string::npos; n = s.find("''", n + 1)) s.erase(n, 1);
                EXPECT_EQ(osDefault, wsUTF8(s));
            } else {
                EXPECT_EQ(osDefault, std::nullopt);
            }
        }
        // The unique index on two columns: a composite key after the columns; the index on an
        // expression adds nothing.
        CNAItemDescription* pclKey = pclDesc->pclGetItemNoRef(8);
        EXPECT_EQ(std::wstring(pclKey->pszGetName()), L"kx_fixture_name_code");
        EXPECT_EQ(pclKey->eNAGetItemType(), NA_IT_BINAIRE);
        EXPECT_EQ(pclKey->wGetKeyFlags(), 0x5800);
        ASSERT_EQ(pclKey->nGetNumComponents(), 2);
        EXPECT_EQ(std::wstring(pclKey->pclGetComponentNoRef(0)->pszGetName()), L"name");
        EXPECT_EQ(std::wstring(pclKey->pclGetComponentNoRef(1)->pszGetName()), L"code");
        EXPECT_EQ(pclDesc->nGetNumKeys(), 3u);
        piDesc->nExternalRelease();

        const bool bSchema = wcschr(pszTable, L'.') != nullptr;
        auto Condition = [&](const std::wstring& sAlias) {
            return sAlias + L".relname='kx_fixture' AND " +
                   (bSchema ? L"pg_namespace.nspname='public'" : L"pg_table_is_visible(" + sAlias + L".oid)");
        };
        const std::vector<std::string> aSent = clLog.Statements(nPid);
        ASSERT_EQ(aSent.size(), 2u);
        EXPECT_EQ(wsUTF8(aSent[0]), s_sColumnsStart + Condition(L"pg_class") + s_sColumnsEnd);
        EXPECT_EQ(wsUTF8(aSent[1]), s_sIndexStart + Condition(L"pg_class1"));
    }

    // A table the catalogue does not have: user error 30 naming it.
    EXPECT_EQ(HostCall<void*>(m_pSQL, SQL_TABLEDESC_TABLE, nCnx, L"kx_no_such_table", 0u), nullptr);
    EXPECT_EQ(nLastErrorId(), 30u);
    EXPECT_TRUE(bContains(wsLastError(), L"kx_no_such_table"));
}

}  // namespace
