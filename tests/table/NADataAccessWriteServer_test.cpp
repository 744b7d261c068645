// Writes of the data access on the test server: add with the identifier the server returns,
// modify, delete, a modify of a row deleted elsewhere, the repair of a duplicate automatic
// identifier (serial, and bigserial past 2^31), the item a duplicate key or a missing value is on,
// hostile values, creation with its indexes, and names holding quotes. Each effect is read back
// with a connection of the test's own and the SQL checked in the server's log.
#include "tests/table/NADataAccessSeekFixture.h"

using namespace seektest;

namespace {

class NADataAccessWriteServerTest : public SeekServerTest {
protected:
    // An access over a description of the server's table renamed to a table the server does not
    // have (not opened).
    CNADataAccess* pclRenamed(const wchar_t* pszFrom, const wchar_t* pszTo) {
        standin::CStandInConnectionDescription* pclHost = m_clServerDriver.pclHost(L"SEEKCNX", L"");
        CNAConnectionDescription* pclCnx = m_clServerDriver.pclConnection(pclHost);
        if (pclCnx == nullptr) return nullptr;
        INADataSourceDescription* piFrom = m_clServerDriver.piDescription(pszFrom, pclHost);
        if (piFrom == nullptr) return nullptr;
        INADataSourceDescription* piTo = m_clServerDriver.piRenamed(piFrom, pszTo);
        return piTo != nullptr ? m_clServerDriver.pclAccess(piTo, pclCnx) : nullptr;
    }

    pgtest::CPgSession m_clServer;
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
    WaitLogged(pclAccess, clLog, nPid);
    const std::vector<std::string> vInserts = Sent(clLog, nPid, "INSERT");
    ASSERT_EQ(vInserts.size(), 1u);
    EXPECT_NE(vInserts[0].find("RETURNING \"id\""), std::string::npos) << vInserts[0];

    SetText(pclAccess, L"city", L"Caen");
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
    EXPECT_EQ(m_clServer.sValue("SELECT city FROM kx_write_rows WHERE id = 3"), "Caen");
    EXPECT_EQ(pclAccess->bHModifie(3, 0, NO_LOCK), 0);
    EXPECT_EQ(m_pclError->nGetUserErrorCode(), 18u);
    m_pclError->Reset();

    ASSERT_EQ(bSeek(pclAccess, L"name", Text(L"a")), 1) << sError();
    ASSERT_EQ(bDelete(pclAccess), 1) << sError();
    EXPECT_EQ(m_clServer.sValue("SELECT string_agg(name, ',' ORDER BY id) FROM kx_write_rows"), "b,O'Brien \\ \"q\"");
    EXPECT_EQ(pclAccess->bHSupprime(1, NO_LOCK), 0);
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
    EXPECT_EQ(bModify(pclAccess), 0);
    EXPECT_EQ(m_pclError->nGetUserErrorCode(), 13u);
    EXPECT_EQ(m_clServer.sValue("SELECT count(*) FROM kx_write_gone WHERE id = 4"), "0");
    m_pclError->Reset();

    ASSERT_EQ(bSeek(pclAccess, L"name", Text(L"n5")), 1) << sError();
    ASSERT_EQ(wsValue(pclAccess, L"id"), L"5");
    ASSERT_EQ(bDelete(pclAccess), 1) << sError();
    m_clServer.Run("SELECT setval('kx_write_gone_id_seq', 2)");
    SetText(pclAccess, L"name", L"n5 again");
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
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
        WaitLogged(pclAccess, clLog, nPid);
        const std::vector<std::string> vSent = clLog.Statements(nPid);
        EXPECT_TRUE(bHas(vSent, "SELECT CURRVAL('public." + sTable + "_id_seq')"));
        EXPECT_TRUE(bHas(vSent, "SELECT MAX(\"id\") FROM \"" + sTable + "\""));
        EXPECT_TRUE(bHas(vSent, "SELECT setval('public." + sTable + "_id_seq', GREATEST(" + st.pszNext +
                                    ", last_value + CASE WHEN is_called THEN 1 ELSE 0 END), false) FROM public." +
                                    sTable + "_id_seq"));
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
    const std::wstring wsIdBefore = wsValue(pclAccess, L"id");
    EXPECT_EQ(bAdd(pclAccess), 0);
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_DUPLICATE);
    EXPECT_EQ(m_pclError->dwGetDataBaseErrorCode(), 23505u);
    EXPECT_EQ(wsOf(sOf(m_pclError->pszGetItemName() != nullptr ? m_pclError->pszGetItemName() : L"")), L"code");
    // The repair of the identifier was tried and gave up: the record is as the host wrote it.
    EXPECT_EQ(wsValue(pclAccess, L"id"), wsIdBefore);
    EXPECT_EQ(m_clServer.sValue("SELECT count(*) FROM kx_write_keys"), "1");
}

// Values that hold quotes and backslashes are stored as written, whether the server reads a
// backslash in a literal as an escape or not.
TEST_F(NADataAccessWriteServerTest, HostileValuesStoredAsWritten) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_write_hostile", "id serial PRIMARY KEY, name varchar(60) NOT NULL");
    const wchar_t* apszValues[] = {L"O'Brien \\ \"q\"", L"x'); DROP TABLE kx_write_hostile; --",
                                   L"\\'; DELETE FROM kx_write_hostile; --", L"tab\there", L"\\"};
    int nId = 0;
    for (const wchar_t* pszOptions : {L"", L"options=-cstandard_conforming_strings=off"}) {
        SCOPED_TRACE(sOf(pszOptions));
        CNADataAccess* pclAccess = pclOpen(L"kx_write_hostile", pszOptions);
        ASSERT_NE(pclAccess, nullptr);
        for (const wchar_t* pszValue : apszValues) {
            SCOPED_TRACE(sOf(pszValue));
            const std::wstring wsText = std::wstring(pszValue) + std::to_wstring(nId);
            SetText(pclAccess, L"name", wsText.c_str());
            ASSERT_EQ(bAdd(pclAccess), 1) << sError();
            nId++;
            EXPECT_EQ(m_clServer.sValue("SELECT name FROM kx_write_hostile WHERE id = " + std::to_string(nId)),
                      sOf(wsText));
            // Modified to the same text with a suffix, and found again by a search.
            const std::wstring wsChanged = wsText + L"'\\";
            SetText(pclAccess, L"name", wsChanged.c_str());
            ASSERT_EQ(bModify(pclAccess), 1) << sError();
            EXPECT_EQ(m_clServer.sValue("SELECT name FROM kx_write_hostile WHERE id = " + std::to_string(nId)),
                      sOf(wsChanged));
            ASSERT_EQ(bSeek(pclAccess, L"name", Text(wsChanged.c_str())), 1) << sError();
            EXPECT_EQ(bFound(pclAccess, L"name"), 1);
            EXPECT_EQ(wsValue(pclAccess, L"id"), std::to_wstring(nId));
        }
    }
    EXPECT_EQ(m_clServer.sValue("SELECT count(*) FROM kx_write_hostile"), "10");
}

// Creation over a description the server does not have yet, dropped first when asked: the table
// with its columns, and an index named KXIDX<time><n> on each key of the description. The table
// goes to a schema of its own: index names are unique per schema, and other processes of the
// test run make theirs in the same second with the same counter.
TEST_F(NADataAccessWriteServerTest, CreationWithDropAndIndexes) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_write_model",
                "id serial PRIMARY KEY, code varchar(10) NOT NULL UNIQUE, city varchar(20), n int");
    m_clServer.Run("CREATE INDEX ON kx_write_model (city)");
    m_clServer.Run("CREATE SCHEMA IF NOT EXISTS kx_write_ns");
    m_clServer.Run("DROP TABLE IF EXISTS kx_write_ns.kx_write_made");
    CNADataAccess* pclAccess = pclRenamed(L"kx_write_model", L"kx_write_ns.kx_write_made");
    ASSERT_NE(pclAccess, nullptr);
    for (int bDrop : {0, 1}) {
        SCOPED_TRACE(bDrop);
        const long nPid = nBackendPid(pclAccess);
        pgsandbox::CStatementLog clLog;
        ASSERT_EQ(pclAccess->bHCreation(L"", bDrop), 1) << sError();
        EXPECT_EQ(m_clServer.sValue("SELECT string_agg(attname, ',' ORDER BY attnum) FROM pg_attribute WHERE attrelid "
                                    "= 'kx_write_ns.kx_write_made'::regclass AND attnum > 0"),
                  "id,code,city,n");
        // The keys with duplicates get theirs; the unique ones are the table's constraints.
        EXPECT_EQ(
            m_clServer
                .sValue("SELECT string_agg(indexdef, ' | ') FROM pg_indexes WHERE schemaname = 'kx_write_ns' AND "
                        "tablename = 'kx_write_made' AND indexname LIKE 'kxidx%'")
                .find(" USING btree (city)"),
            m_clServer
                    .sValue("SELECT string_agg(indexdef, ' | ') FROM pg_indexes WHERE schemaname = 'kx_write_ns' AND "
                            "tablename = 'kx_write_made' AND indexname LIKE 'kxidx%'")
                    .size() -
                std::string(" USING btree (city)").size());
        EXPECT_EQ(
            m_clServer.sValue(
                "SELECT count(*) FROM pg_indexes WHERE schemaname = 'kx_write_ns' AND tablename = 'kx_write_made'"),
            "3");
        WaitLogged(pclAccess, clLog, nPid);
        EXPECT_EQ(Sent(clLog, nPid, "DROP TABLE").size(), static_cast<size_t>(bDrop));
        EXPECT_EQ(Sent(clLog, nPid, "CREATE TABLE").size(), 1u);
        for (const std::string& s : Sent(clLog, nPid, " INDEX KXIDX")) EXPECT_EQ(s.rfind("CREATE ", 0), 0u) << s;
        if (!bDrop) continue;
        // The table made works: a record added reads back.
        SetText(pclAccess, L"code", L"C1");
        ASSERT_EQ(bAdd(pclAccess), 1) << sError();
        EXPECT_EQ(m_clServer.sValue("SELECT code FROM kx_write_ns.kx_write_made"), "C1");
    }
    // A second creation without the drop finds the table there: the server refuses it.
    EXPECT_EQ(pclAccess->bHCreation(L"", 0), 0);
}

// Names holding ' and ": the table, the column and the sequence the server made for them; the
// repair of a duplicate identifier names the sequence right, and nothing runs past the names.
TEST_F(NADataAccessWriteServerTest, NamesHoldingQuotes) {
    KX_REQUIRE_PG_SERVER();
    m_clServer.Run("DROP TABLE IF EXISTS \"kx_w'q\"\"t\"");
    m_clServer.Run("CREATE TABLE \"kx_w'q\"\"t\" (\"i'd\"\"x\" serial PRIMARY KEY, name varchar(20))");
    m_clServer.Run("INSERT INTO \"kx_w'q\"\"t\" (name) SELECT 'n' || i FROM generate_series(1, 3) AS i");
    EXPECT_EQ(m_clServer.sValue("SELECT pg_get_serial_sequence('\"kx_w''q\"\"t\"', 'i''d\"x')"),
              "public.\"kx_w'q\"\"t_i'd\"\"x_seq\"");
    m_clServer.Run("SELECT setval(pg_get_serial_sequence('\"kx_w''q\"\"t\"', 'i''d\"x'), 1)");
    CNADataAccess* pclAccess = pclOpen(L"kx_w'q\"t");
    ASSERT_NE(pclAccess, nullptr);
    const long nPid = nBackendPid(pclAccess);
    pgsandbox::CStatementLog clLog;
    SetText(pclAccess, L"name", L"n4");
    ASSERT_EQ(bAdd(pclAccess), 1) << sError();
    EXPECT_EQ(wsValue(pclAccess, L"i'd\"x"), L"4");
    WaitLogged(pclAccess, clLog, nPid);
    const std::vector<std::string> vSent = clLog.Statements(nPid);
    EXPECT_TRUE(bHas(vSent, "SELECT CURRVAL('public.\"kx_w''q\"\"t_i''d\"\"x_seq\"')"));
    EXPECT_TRUE(bHas(vSent, "SELECT setval('public.\"kx_w''q\"\"t_i''d\"\"x_seq\"', GREATEST(4, last_value + CASE "
                            "WHEN is_called THEN 1 ELSE 0 END), false) FROM public.\"kx_w'q\"\"t_i'd\"\"x_seq\""));
    EXPECT_EQ(m_clServer.sValue("SELECT name FROM \"kx_w'q\"\"t\" WHERE \"i'd\"\"x\" = 4"), "n4");
    EXPECT_EQ(m_clServer.sValue("SELECT nextval(pg_get_serial_sequence('\"kx_w''q\"\"t\"', 'i''d\"x'))"), "5");
}

// A browse along one item stays on its record while the same access adds, modifies and deletes
// records found along another item, and then reads on through what the server holds.
TEST_F(NADataAccessWriteServerTest, BrowseKeptAcrossWrites) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_write_browse", "id serial PRIMARY KEY, name varchar(30) NOT NULL UNIQUE",
                "INSERT INTO kx_write_browse (name) SELECT 'Name' || lpad(i::text, 4, '0') FROM "
                "generate_series(1, 250) AS i");
    CNADataAccess* pclAccess = pclOpen(L"kx_write_browse");
    ASSERT_NE(pclAccess, nullptr);
    ASSERT_EQ(bFirst(pclAccess, L"name"), 1) << sError();
    for (int i = 0; i < 3; i++) ASSERT_EQ(bNext(pclAccess, L"name"), 1);
    ASSERT_EQ(wsValue(pclAccess, L"name"), L"Name0004");

    CAny clId;
    clId.SetI4(150);
    ASSERT_EQ(bSeek(pclAccess, L"id", clId), 1) << sError();
    SetText(pclAccess, L"name", L"Name0150m");
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
    clId.SetI4(100);
    ASSERT_EQ(bSeek(pclAccess, L"id", clId), 1) << sError();
    ASSERT_EQ(bDelete(pclAccess), 1) << sError();
    SetText(pclAccess, L"name", L"Name0300x");
    ASSERT_EQ(bAdd(pclAccess), 1) << sError();

    std::wstring wsRead;
    for (;;) {
        ASSERT_EQ(bNext(pclAccess, L"name"), 1) << sError();
        if (bOut(pclAccess, L"name")) break;
        wsRead += wsValue(pclAccess, L"name") + L",";
    }
    EXPECT_EQ(sOf(wsRead), m_clServer.sValue("SELECT string_agg(name || ',', '' ORDER BY name) FROM kx_write_browse "
                                             "WHERE name > 'Name0004'"));
}

// A character above U+FFFF (two UTF-16 halves in the host's record) through a Unicode item: written
// as the one character the server holds, read back whole, and sought, as is one the server was
// given by another session.
TEST_F(NADataAccessWriteServerTest, CharacterAboveTheBasicPlane) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_write_astral", "id serial PRIMARY KEY, name varchar(30) NOT NULL UNIQUE",
                "INSERT INTO kx_write_astral (name) VALUES ('a'), ('z')");
    CNADataAccess* pclAccess = pclOpen(L"kx_write_astral");
    ASSERT_NE(pclAccess, nullptr);
    const std::wstring wsName = L"g\U0001F600h";
    SetText(pclAccess, L"name", wsName.c_str());
    ASSERT_EQ(bAdd(pclAccess), 1) << sError();
    // g, U+1F600 in four bytes, h.
    EXPECT_EQ(m_clServer.sValue("SELECT char_length(name) || '|' || encode(convert_to(name, 'UTF8'), 'hex') "
                                "FROM kx_write_astral WHERE id = 3"),
              "3|67f09f988068");

    m_clServer.Run("INSERT INTO kx_write_astral (name) VALUES (convert_from('\\x67f09f988168'::bytea, 'UTF8'))");
    const std::wstring wsOther = L"g\U0001F601h";
    for (const std::wstring& ws : {wsName, wsOther}) {
        ASSERT_EQ(bSeek(pclAccess, L"name", Text(L"a")), 1) << sError();
        ASSERT_EQ(bSeek(pclAccess, L"name", Text(ws.c_str())), 1) << sError();
        EXPECT_EQ(bFound(pclAccess, L"name"), 1) << sOf(ws);
        EXPECT_EQ(wsValue(pclAccess, L"name"), ws);
    }
    // In the server's order the two follow each other, between a and z.
    ASSERT_EQ(bSeek(pclAccess, L"name", Text(wsName.c_str())), 1) << sError();
    ASSERT_EQ(bNext(pclAccess, L"name"), 1) << sError();
    EXPECT_EQ(wsValue(pclAccess, L"name"), wsOther);
}

}  // namespace
