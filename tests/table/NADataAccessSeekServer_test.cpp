// Searches and filters of the data access on the test server: exact, generic and missing values,
// hostile values with standard_conforming_strings on and off, range filters with their bounds
// included or excluded, filters by a parsed condition and the item they choose.
#include <algorithm>

#include "native/sql/SQLParserInterfaces.h"
#include "tests/host/StandInParsedQuery.h"
#include "tests/sql/ParsedQueryTestSupport.h"
#include "tests/table/NADataAccessSeekFixture.h"

using namespace seektest;

namespace {

const char* const TABLE = "kx_seek_rows";

class NADataAccessSeekServerTest : public SeekServerTest {
protected:
    // 250 rows: id 1 to 250, name "Name0001" to "Name0250", five cities in turn, a code that
    // repeats every ten rows.
    static void SetUpTestSuite() {
        std::string sReason;
        if (!pgsandbox::bServerAvailable(&sReason)) return;
        // Each test runs in a process of its own, side by side: the first makes the table.
        pgtest::CPgSession clServer;
        clServer.Run("SELECT pg_advisory_lock(727276)");
        if (clServer.sValue(std::string("SELECT count(*) FROM pg_class WHERE relname = '") + TABLE + "'") == "0") {
            clServer.Run(std::string("CREATE TABLE ") + TABLE +
                         " (id serial PRIMARY KEY, name varchar(30) NOT NULL UNIQUE, city varchar(20), code int)");
            clServer.Run(std::string("INSERT INTO ") + TABLE +
                         " (name, city, code) SELECT 'Name' || lpad(i::text, 4, '0'), "
                         "(ARRAY['Lyon','Nice','Metz','Caen','Dijon'])[1 + i % 5], i % 10 "
                         "FROM generate_series(1, 250) AS i");
            clServer.Run(std::string("CREATE INDEX ON ") + TABLE + " (city)");
            clServer.Run(std::string("CREATE INDEX ON ") + TABLE + " (code)");
        }
        clServer.Run("SELECT pg_advisory_unlock(727276)");
    }
};

// Exact, generic and missing values: found or not, and the record the browse stands on, as the
// server orders the names.
TEST_F(NADataAccessSeekServerTest, ExactGenericAndMissingValues) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclOpen(L"kx_seek_rows");
    ASSERT_NE(pclAccess, nullptr);
    struct stCase {
        const wchar_t* pszValue;
        int nMode;
        int bFound;
        const wchar_t* pszName;
    } astCases[] = {
        {L"Name0123", 0, 1, L"Name0123"},   // exact
        {L"Name0123x", 0, 0, L"Name0124"},  // missing: the next one stands
        {L"Name012", 1, 1, L"Name0120"},    // generic: the first name it begins
        {L"Name012", 0, 0, L"Name0120"},    // the same text, exact: not found
        {L"Zzz", 0, 0, nullptr},            // past the last: out of the file
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(sOf(st.pszValue));
        ASSERT_EQ(bSeek(pclAccess, L"name", Text(st.pszValue), st.nMode), 1) << sError();
        EXPECT_EQ(bFound(pclAccess, L"name"), st.bFound);
        if (st.pszName != nullptr) {
            EXPECT_EQ(bOut(pclAccess, L"name"), 0);
            EXPECT_EQ(wsValue(pclAccess, L"name"), st.pszName);
        } else {
            EXPECT_EQ(bOut(pclAccess, L"name"), 1);
        }
    }
    // A search on a duplicates item reads its equal records in order, then runs past them.
    ASSERT_EQ(bSeek(pclAccess, L"city", Text(L"Nice"), 0), 1) << sError();
    EXPECT_EQ(bFound(pclAccess, L"city"), 1);
    int nNice = 0;
    while (!bOut(pclAccess, L"city") && bFound(pclAccess, L"city")) {
        EXPECT_EQ(wsValue(pclAccess, L"city"), L"Nice");
        nNice++;
        ASSERT_EQ(bRead(pclAccess, L"city", NA_PARSE_NEXT), 1) << sError();
    }
    EXPECT_EQ(nNice, 50);
    // "Nice" is the last city in the server's order: the browse ends there.
    EXPECT_EQ(bOut(pclAccess, L"city"), 1);
}

}  // namespace

namespace {

using sqltest::CQueryBuilder;

// Hostile values searched, with the server reading backslashes as escapes or not: nothing found,
// no error, the table whole.
TEST_F(NADataAccessSeekServerTest, HostileValuesFindNothing) {
    KX_REQUIRE_PG_SERVER();
    for (const wchar_t* pszOptions :
         {L"KX Cache Size=20;", L"KX Cache Size=20;options=-cstandard_conforming_strings=off"}) {
        SCOPED_TRACE(sOf(pszOptions));
        CNADataAccess* pclAccess = pclOpen(L"kx_seek_rows", pszOptions);
        ASSERT_NE(pclAccess, nullptr);
        CTString clSetting;
        ASSERT_TRUE(pclAccess->pclGetConnectionNoRef()->bGetRequestedValueString(m_pclError, &clSetting, 0,
                                                                                 L"SHOW standard_conforming_strings"));
        EXPECT_EQ(std::wstring(clSetting.pszGet()), wcsstr(pszOptions, L"off") != nullptr ? L"off" : L"on");
        for (const wchar_t* pszValue : {L"x' OR '1'='1", L"\\'; DROP TABLE kx_seek_rows; --", L"\\", L"Name0001\\"}) {
            SCOPED_TRACE(sOf(pszValue));
            for (int nMode : {0, 1}) {
                ASSERT_EQ(bSeek(pclAccess, L"name", Text(pszValue), nMode), 1) << sError();
                EXPECT_EQ(bFound(pclAccess, L"name"), 0);
            }
        }
    }
    pgtest::CPgSession clServer;
    EXPECT_EQ(clServer.sValue("SELECT count(*) FROM kx_seek_rows"), "250");
}

// Range filters: bounds included and excluded, each browse reading exactly the rows psql counts; a
// filter set on one item switches the filters of the other items off.
TEST_F(NADataAccessSeekServerTest, RangeFilters) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclOpen(L"kx_seek_rows");
    ASSERT_NE(pclAccess, nullptr);
    pgtest::CPgSession clServer;
    struct stCase {
        const wchar_t* pszLow;
        int bLowIn;
        const wchar_t* pszHigh;
        int bHighIn;
        const char* pszWhere;
    } astCases[] = {
        {L"Name0010", 1, L"Name0020", 1, "name >= 'Name0010' AND name <= 'Name0020'"},
        {L"Name0010", 0, L"Name0020", 0, "name > 'Name0010' AND name < 'Name0020'"},
        {L"Name0010", 1, L"Name0020", 0, "name >= 'Name0010' AND name < 'Name0020'"},
        {L"Name0245", 0, nullptr, 1, "name > 'Name0245'"},
        {nullptr, 1, L"Name0003", 1, "name <= 'Name0003'"},
        {L"Name0100", 1, L"Name0100", 1, "name = 'Name0100'"},
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(st.pszWhere);
        CAny clLow = st.pszLow != nullptr ? Text(st.pszLow) : CAny();
        CAny clHigh = st.pszHigh != nullptr ? Text(st.pszHigh) : CAny();
        ASSERT_EQ(pclAccess->bHFiltre(L"name", st.pszLow != nullptr ? &clLow : nullptr, st.bLowIn,
                                      st.pszHigh != nullptr ? &clHigh : nullptr, st.bHighIn, nullptr),
                  1)
            << sError();
        std::wstring wsRead;
        ASSERT_EQ(bRead(pclAccess, L"name", NA_PARSE_FIRST), 1) << sError();
        while (!bOut(pclAccess, L"name")) {
            wsRead += wsValue(pclAccess, L"name") + L",";
            ASSERT_EQ(bRead(pclAccess, L"name", NA_PARSE_NEXT), 1) << sError();
        }
        const std::string sExpected = clServer.sValue(
            std::string("SELECT coalesce(string_agg(name || ',', '' ORDER BY name), '') FROM kx_seek_rows WHERE ") +
            st.pszWhere);
        EXPECT_EQ(sOf(wsRead), sExpected);
    }
    // The filter on "city" switches the one on "name" off.
    CAny clCity = Text(L"Metz");
    ASSERT_EQ(pclAccess->bHFiltre(L"city", &clCity, 1, &clCity, 1, nullptr), 1) << sError();
    ASSERT_EQ(bRead(pclAccess, L"name", NA_PARSE_LAST), 1) << sError();
    EXPECT_EQ(wsValue(pclAccess, L"name"), L"Name0250");
    ASSERT_EQ(bRead(pclAccess, L"city", NA_PARSE_FIRST), 1) << sError();
    EXPECT_EQ(wsValue(pclAccess, L"city"), L"Metz");
    // Switched off and on again.
    ASSERT_EQ(pclAccess->bHDesactiveFiltre(L"city"), 1);
    ASSERT_EQ(bRead(pclAccess, L"city", NA_PARSE_FIRST), 1) << sError();
    EXPECT_EQ(wsValue(pclAccess, L"city"), L"Caen");
    ASSERT_EQ(pclAccess->bHActiveFiltre(L"city"), 1);
    ASSERT_EQ(bRead(pclAccess, L"city", NA_PARSE_LAST), 1) << sError();
    EXPECT_EQ(wsValue(pclAccess, L"city"), L"Metz");
    // Cancelling a search of an item never browsed is a success.
    EXPECT_EQ(pclAccess->bHAnnuleRecherche(L"nosuch"), 1);
}

// A filter given as a parsed condition: the browse item it chooses (a unique item over an item
// with duplicates, the item without its table prefix, the best browse item when it names none) and
// the rows it reads.
TEST_F(NADataAccessSeekServerTest, ConditionFilters) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclOpen(L"kx_seek_rows");
    ASSERT_NE(pclAccess, nullptr);
    CAny clSeven, clName;
    clSeven.SetI4(7);
    clName = Text(L"Name0107");
    wchar_t szItem[CNADataAccess::ITEM_NAME_CAPACITY];

    // code = 7 AND name >= 'Name0107': the unique item "name".
    CQueryBuilder q(L"code = 7 AND name >= 'Name0107'");
    q->m_pclWhere =
        q.Op(sqltest::OP_AND, L"code = 7 AND name >= 'Name0107'",
             {q.Op(sqltest::OP_EQUAL, L"code = 7", {q.Item(L"code"), q.Lit(L"7", &clSeven)}),
              q.Op(sqltest::OP_GREATEREQUAL, L"name >= 'Name0107'", {q.Item(L"name"), q.Lit(L"'Name0107'", &clName)})});
    ASSERT_EQ(pclAccess->bHFiltre(&q.rGet(), szItem), 1) << sError();
    EXPECT_STREQ(szItem, L"name");
    std::wstring wsRead;
    ASSERT_EQ(bRead(pclAccess, szItem, NA_PARSE_FIRST), 1) << sError();
    while (!bOut(pclAccess, szItem)) {
        wsRead += wsValue(pclAccess, L"name") + L",";
        ASSERT_EQ(bRead(pclAccess, szItem, NA_PARSE_NEXT), 1) << sError();
    }
    EXPECT_EQ(wsRead,
              L"Name0107,Name0117,Name0127,Name0137,Name0147,Name0157,Name0167,Name0177,Name0187,Name0197,"
              L"Name0207,Name0217,Name0227,Name0237,Name0247,");

    // A qualified item name is looked up without its table.
    CQueryBuilder p(L"kx_seek_rows.code = 7");
    p->m_pclWhere = p.Op(sqltest::OP_EQUAL, L"kx_seek_rows.code = 7",
                         {p.Item(L"kx_seek_rows.code", L"kx_seek_rows.code", L""), p.Lit(L"7", &clSeven)});
    ASSERT_EQ(pclAccess->bFindBestItem(&p.rGet(), szItem), 1) << sError();
    EXPECT_STREQ(szItem, L"code");

    // No item of the table: the best browse item.
    CQueryBuilder n(L"nosuch = 7");
    n->m_pclWhere = n.Op(sqltest::OP_EQUAL, L"nosuch = 7", {n.Item(L"nosuch"), n.Lit(L"7", &clSeven)});
    ASSERT_EQ(pclAccess->bFindBestItem(&n.rGet(), szItem), 1) << sError();
    EXPECT_STREQ(szItem, pclAccess->pszGetBestParseItemName());
    Release(pclAccess);
    EXPECT_TRUE(q->bAllReleased());
    EXPECT_TRUE(p->bAllReleased());
    EXPECT_TRUE(n->bAllReleased());
}

}  // namespace

namespace {

// A browse along a unique item that allows NULL, in blocks of three: the rows with a value in its
// order, then the eight rows without one, each once, however the blocks fall among them (the
// continuation after a row without value must find the other rows without value after it), and
// backwards the same rows in reverse. The rows are stored in the reverse of their ids, so that the
// server gives rows of equal values in an order of its own unless the ORDER BY settles it.
TEST_F(NADataAccessSeekServerTest, NullableUniqueItemAcrossBlocks) {
    KX_REQUIRE_PG_SERVER();
    pgtest::CPgSession clServer;
    CreateTable(clServer, "kx_seek_nullable", "id int PRIMARY KEY, code int UNIQUE",
                "INSERT INTO kx_seek_nullable SELECT i, CASE WHEN i % 2 = 0 OR i > 11 THEN NULL ELSE 100 - i END "
                "FROM generate_series(14, 1, -1) AS i");
    CNADataAccess* pclAccess = pclOpen(L"kx_seek_nullable", L"KX Cache Size=3;");
    ASSERT_NE(pclAccess, nullptr);
    auto vServer = [&](const std::string& sWhere) {
        std::vector<std::wstring> v;
        for (const pgtest::Row& a : clServer.Query("SELECT id FROM kx_seek_nullable WHERE " + sWhere + " ORDER BY code"))
            v.push_back(pgtest::sWide(a[0].value_or("")));
        return v;
    };
    const std::vector<std::wstring> vValued = vServer("code IS NOT NULL");
    std::vector<std::wstring> vNull = vServer("code IS NULL");
    std::sort(vNull.begin(), vNull.end());
    ASSERT_EQ(vValued.size(), 6u);
    ASSERT_EQ(vNull.size(), 8u);

    for (bool bForward : {true, false}) {
        SCOPED_TRACE(bForward ? "forward" : "backward");
        std::vector<std::wstring> vRead;
        ASSERT_EQ(bRead(pclAccess, L"code", bForward ? NA_PARSE_FIRST : NA_PARSE_LAST), 1) << sError();
        while (!bOut(pclAccess, L"code") && vRead.size() < 30) {
            vRead.push_back(wsValue(pclAccess, L"id"));
            ASSERT_EQ(bRead(pclAccess, L"code", bForward ? NA_PARSE_NEXT : NA_PARSE_PREVIOUS), 1) << sError();
        }
        if (!bForward) std::reverse(vRead.begin(), vRead.end());
        ASSERT_EQ(vRead.size(), 14u);
        EXPECT_EQ(std::vector<std::wstring>(vRead.begin(), vRead.begin() + 6), vValued);
        std::vector<std::wstring> vReadNull(vRead.begin() + 6, vRead.end());
        std::sort(vReadNull.begin(), vReadNull.end());
        EXPECT_EQ(vReadNull, vNull);
    }
}

// Seek after seek on one browse item, of different values, on another item, backwards, missing,
// and after a write: each sends its own text (the value searched, the item's order, the block
// LIMIT) and reads the row the server holds now, the written value included.
TEST_F(NADataAccessSeekServerTest, ConsecutiveSeeksSendTheirOwnTexts) {
    KX_REQUIRE_PG_SERVER();
    pgtest::CPgSession clServer;
    CreateTable(clServer, "kx_seek_texts", "id int PRIMARY KEY, name varchar(20) NOT NULL UNIQUE, code int",
                "INSERT INTO kx_seek_texts SELECT i, 'Name' || lpad(i::text, 4, '0'), i * 10 "
                "FROM generate_series(1, 30) AS i");
    CNADataAccess* pclAccess = pclOpen(L"kx_seek_texts");
    ASSERT_NE(pclAccess, nullptr);
    const long nPid = nBackendPid(pclAccess);
    const std::string sSelect = "SELECT \"id\",\"name\",\"code\" FROM \"kx_seek_texts\" WHERE ";
    const struct {
        const wchar_t* pszItem;
        int nValue;               // searched on the id when pszText is null
        const wchar_t* pszText;   // searched on the name
        int bForward;
        long nWrittenCode;        // written into the record found first, when not 0
        int bFound;
        const wchar_t* pszId;     // the record the browse stands on afterwards
        const wchar_t* pszCode;
        std::vector<std::string> vSent;
    } tabSteps[] = {
        {L"id", 7, nullptr, 1, 0, 1, L"7", L"70", {sSelect + "\"id\"=7 ORDER BY \"id\" LIMIT 20"}},
        {L"id", 12, nullptr, 1, 0, 1, L"12", L"120", {sSelect + "\"id\"=12 ORDER BY \"id\" LIMIT 20"}},
        {L"id", 12, nullptr, 1, 999, 1, L"12", L"999", {sSelect + "\"id\"=12 ORDER BY \"id\" LIMIT 20"}},
        {L"id", 12, nullptr, 1, 0, 1, L"12", L"999", {sSelect + "\"id\"=12 ORDER BY \"id\" LIMIT 20"}},
        {L"name", 0, L"Name0003", 1, 0, 1, L"3", L"30",
         {sSelect + "\"name\"='Name0003' ORDER BY \"name\" LIMIT 20"}},
        {L"id", 9, nullptr, 0, 0, 1, L"9", L"90", {sSelect + "\"id\"=9 ORDER BY \"id\" DESC LIMIT 20"}},
        {L"id", 40, nullptr, 1, 0, 0, L"9", L"90",
         {sSelect + "\"id\"=40 ORDER BY \"id\" LIMIT 20", sSelect + "\"id\">40 ORDER BY \"id\" LIMIT 20"}},
        {L"id", 5, nullptr, 1, 0, 1, L"5", L"50", {sSelect + "\"id\"=5 ORDER BY \"id\" LIMIT 20"}},
    };
    for (const auto& stStep : tabSteps) {
        SCOPED_TRACE(testing::Message() << sOf(stStep.pszItem) << " " << stStep.nValue);
        CAny clValue;
        if (stStep.pszText != nullptr)
            clValue = Text(stStep.pszText);
        else
            clValue.SetI4(stStep.nValue);
        if (stStep.nWrittenCode != 0) {
            // The row is changed by the access itself between two seeks of the same value.
            SetInt(pclAccess, L"code", stStep.nWrittenCode);
            ASSERT_EQ(bModify(pclAccess), 1) << sError();
            ASSERT_EQ(clServer.sValue("SELECT code FROM kx_seek_texts WHERE id = " + std::to_string(stStep.nValue)),
                      std::to_string(stStep.nWrittenCode));
        }
        pgsandbox::CStatementLog clLog;
        ASSERT_EQ(bSeek(pclAccess, stStep.pszItem, clValue, 0, stStep.bForward), 1) << sError();
        EXPECT_EQ(bFound(pclAccess, stStep.pszItem), stStep.bFound);
        if (stStep.bFound) {
            EXPECT_EQ(wsValue(pclAccess, L"id"), stStep.pszId);
            EXPECT_EQ(wsValue(pclAccess, L"code"), stStep.pszCode);
        }
        WaitLogged(pclAccess, clLog, nPid);
        EXPECT_EQ(Sent(clLog, nPid, "FROM \"kx_seek_texts\""), stStep.vSent);
    }
    Release(pclAccess);
}

}  // namespace
