// Writes of one record on the test server touch exactly the row the host read: a text key changed,
// twin rows of a table without a key, a row another user deleted or rewrote, a write that would
// change two rows. After a write the record holds what the server stored (defaults, identity and
// generated columns, what a trigger changed), and a memo written once is not sent again. Every
// effect is read with a session of the test's own, and the SQL checked in the server's log.
#include "native/model/NAItemDescription.h"
#include "native/model/NAYFRecord.h"
#include "tests/table/NADataAccessSeekFixture.h"

using namespace seektest;

namespace {

class NADataAccessWriteRowsServerTest : public SeekServerTest {
protected:
    // A memo written as the host writes it.
    void SetMemo(CNADataAccess* pclAccess, const wchar_t* pszItem, const wchar_t* pszValue) {
        CNAColumn* pclColumn = pclAccess->pclGetCurrentRecordNoRef()->pclGetColumnNoRef(pszItem);
        ASSERT_NE(pclColumn, nullptr);
        ASSERT_TRUE(pclColumn->bIsMemo()) << sOf(pszItem);
        CAny cl = Text(pszValue);
        ASSERT_EQ(pclAccess->bSetBLOB(static_cast<unsigned>(pclColumn->nGetMemoIndice()), &cl), 1) << sError();
    }
    // A new record as the host makes it: no item holds a value, the memos are NULL.
    void NewRecord(CNADataAccess* pclAccess) {
        CNARecord* pclRecord = pclAccess->pclGetCurrentRecordNoRef();
        for (int i = 0; i < pclRecord->nGetNumColumns(); i++) {
            CNAColumn* pclColumn = pclRecord->pclGetColumnNoRef(i);
            if (pclColumn->bIsComposedKey()) continue;
            if (pclColumn->bIsMemo()) {
                CAny cl;
                cl.__SetType(VQTYPE_DSTRW, 0);
                cl.SetNull(1);
                ASSERT_EQ(pclAccess->bSetBLOB(static_cast<unsigned>(pclColumn->nGetMemoIndice()), &cl), 1);
            } else {
                pclRecord->pclGetNAYFRecord()->SetItemValueDefined(pclColumn->piGetItemNoRef(), 0, 0);
            }
        }
        pclRecord->OnNAYFRecordChanged();
    }
    std::string sRows(const std::string& sQuery) { return m_clServer.sValue(sQuery); }

    pgtest::CPgSession m_clServer;
};

// A text primary key changed to another row's value is refused by the server and changes
// nothing; changed to a new value it moves the row read, and only it.
TEST_F(NADataAccessWriteRowsServerTest, TextKeyChanged) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_rows_slugs", "slug text PRIMARY KEY, hits int",
                "INSERT INTO kx_rows_slugs VALUES ('a', 1), ('b', 2), ('c', 3)");
    CNADataAccess* pclAccess = pclOpen(L"kx_rows_slugs");
    ASSERT_NE(pclAccess, nullptr);
    const std::string sAll = "SELECT string_agg(slug || '=' || hits, ',' ORDER BY slug) FROM kx_rows_slugs";

    ASSERT_EQ(bSeek(pclAccess, L"slug", Text(L"a")), 1) << sError();
    ASSERT_EQ(bFound(pclAccess, L"slug"), 1);
    SetMemo(pclAccess, L"slug", L"b");
    SetInt(pclAccess, L"hits", 100);
    EXPECT_EQ(bModify(pclAccess), 0);
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_DUPLICATE) << sError();
    EXPECT_EQ(sRows(sAll), "a=1,b=2,c=3");
    m_pclError->Reset();

    ASSERT_EQ(bSeek(pclAccess, L"slug", Text(L"a")), 1) << sError();
    SetMemo(pclAccess, L"slug", L"z");
    SetInt(pclAccess, L"hits", 100);
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
    EXPECT_EQ(sRows(sAll), "b=2,c=3,z=100");
    // The row moved is the one the record designates now.
    SetInt(pclAccess, L"hits", 101);
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
    EXPECT_EQ(sRows(sAll), "b=2,c=3,z=101");
}

// A memo written by one modify is not sent by the next, which changes another item: the text
// another user wrote in between stays.
TEST_F(NADataAccessWriteRowsServerTest, MemoWrittenOnceIsNotSentAgain) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_rows_products", "id serial PRIMARY KEY, description text, stock int",
                "INSERT INTO kx_rows_products (description, stock) VALUES ('old', 1)");
    CNADataAccess* pclAccess = pclOpen(L"kx_rows_products");
    ASSERT_NE(pclAccess, nullptr);
    const long nPid = nBackendPid(pclAccess);
    CAny clId;
    clId.SetI4(1);
    ASSERT_EQ(bSeek(pclAccess, L"id", clId), 1) << sError();
    SetMemo(pclAccess, L"description", L"first edit");
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
    EXPECT_EQ(sRows("SELECT description FROM kx_rows_products"), "first edit");
    m_clServer.Run("UPDATE kx_rows_products SET description = 'other user'");

    pgsandbox::CStatementLog clLog;
    SetInt(pclAccess, L"stock", 5);
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
    EXPECT_EQ(sRows("SELECT description || '|' || stock FROM kx_rows_products"), "other user|5");
    WaitLogged(pclAccess, clLog, nPid);
    const std::vector<std::string> vUpdates = Sent(clLog, nPid, "UPDATE");
    ASSERT_EQ(vUpdates.size(), 1u);
    EXPECT_EQ(vUpdates[0].find("SET \"description\""), std::string::npos) << vUpdates[0];
}

// A trigger that changes the key and stamps the row, on add and on modify: the record holds what
// the server stored, and the next modify finds the row by its new key.
TEST_F(NADataAccessWriteRowsServerTest, TriggerChangesTheKey) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_rows_trigger", "code varchar(10) PRIMARY KEY, v int, stamp varchar(20)");
    m_clServer.Run(
        "CREATE OR REPLACE FUNCTION kx_rows_upper() RETURNS trigger AS $$ BEGIN NEW.code := upper(NEW.code); "
        "NEW.stamp := 'by trigger ' || TG_OP; RETURN NEW; END $$ LANGUAGE plpgsql");
    m_clServer.Run(
        "CREATE TRIGGER kx_rows_upper BEFORE INSERT OR UPDATE ON kx_rows_trigger FOR EACH ROW EXECUTE FUNCTION "
        "kx_rows_upper()");
    CNADataAccess* pclAccess = pclOpen(L"kx_rows_trigger");
    ASSERT_NE(pclAccess, nullptr);
    SetText(pclAccess, L"code", L"abc");
    SetInt(pclAccess, L"v", 1);
    ASSERT_EQ(bAdd(pclAccess), 1) << sError();
    EXPECT_EQ(wsValue(pclAccess, L"code"), L"ABC");
    EXPECT_EQ(wsValue(pclAccess, L"stamp"), L"by trigger INSERT");

    SetInt(pclAccess, L"v", 2);
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
    EXPECT_EQ(sRows("SELECT code || '=' || v || '|' || stamp FROM kx_rows_trigger"), "ABC=2|by trigger UPDATE");
    EXPECT_EQ(wsValue(pclAccess, L"stamp"), L"by trigger UPDATE");

    SetText(pclAccess, L"code", L"def");
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
    EXPECT_EQ(wsValue(pclAccess, L"code"), L"DEF");
    SetInt(pclAccess, L"v", 3);
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
    EXPECT_EQ(sRows("SELECT string_agg(code || '=' || v, ',') FROM kx_rows_trigger"), "DEF=3");
}

// Twin rows of a table without a key are modified and deleted one at a time; a row another user
// deleted or rewrote since it was read is reported lost and nothing is written.
TEST_F(NADataAccessWriteRowsServerTest, TwinRowsOneAtATime) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_rows_dup", "name varchar(10), n int, note varchar(10)",
                "INSERT INTO kx_rows_dup VALUES ('a', 1, 'x'), ('a', 1, 'x'), ('b', 2, 'y')");
    CNADataAccess* pclAccess = pclOpen(L"kx_rows_dup");
    ASSERT_NE(pclAccess, nullptr);
    const std::string sAll = "SELECT string_agg(name || n || note, ',' ORDER BY name, note) FROM kx_rows_dup";

    ASSERT_EQ(bSeek(pclAccess, L"name", Text(L"a")), 1) << sError();
    SetText(pclAccess, L"note", L"z");
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
    EXPECT_EQ(sRows(sAll), "a1x,a1z,b2y");
    // The row just written is still the record's: written again, it stays one row.
    SetText(pclAccess, L"note", L"w");
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
    EXPECT_EQ(sRows(sAll), "a1w,a1x,b2y");
    ASSERT_EQ(bDelete(pclAccess), 1) << sError();
    EXPECT_EQ(sRows(sAll), "a1x,b2y");

    m_clServer.Run("INSERT INTO kx_rows_dup VALUES ('a', 1, 'x')");
    ASSERT_EQ(bSeek(pclAccess, L"name", Text(L"a")), 1) << sError();
    ASSERT_EQ(bDelete(pclAccess), 1) << sError();
    EXPECT_EQ(sRows(sAll), "a1x,b2y");

    // Deleted by another user: the delete fails, the other rows stay.
    ASSERT_EQ(bSeek(pclAccess, L"name", Text(L"b")), 1) << sError();
    m_clServer.Run("DELETE FROM kx_rows_dup WHERE name = 'b'");
    EXPECT_EQ(bDelete(pclAccess), 0);
    EXPECT_EQ(m_pclError->nGetUserErrorCode(), 13u) << sError();
    EXPECT_EQ(sRows(sAll), "a1x");
    m_pclError->Reset();
    // Rewritten by another user with the same values: not the row read any more.
    ASSERT_EQ(bSeek(pclAccess, L"name", Text(L"a")), 1) << sError();
    m_clServer.Run("UPDATE kx_rows_dup SET note = note");
    SetText(pclAccess, L"note", L"q");
    EXPECT_EQ(bModify(pclAccess), 0);
    EXPECT_EQ(m_pclError->nGetUserErrorCode(), 13u) << sError();
    EXPECT_EQ(sRows(sAll), "a1x");
}

// A row without a key whose timestamp holds microseconds (more than the record keeps) is deleted
// and modified: the row read designates it, not its rounded value.
TEST_F(NADataAccessWriteRowsServerTest, KeylessRowWithMicroseconds) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_rows_micro", "t timestamp(6), label varchar(10)",
                "INSERT INTO kx_rows_micro VALUES ('2024-03-05 10:20:30.123456', 'm'), "
                "('2024-03-05 10:20:31.654321', 'n')");
    CNADataAccess* pclAccess = pclOpen(L"kx_rows_micro");
    ASSERT_NE(pclAccess, nullptr);
    ASSERT_EQ(bFirst(pclAccess, L"label"), 1) << sError();
    ASSERT_EQ(wsValue(pclAccess, L"label"), L"m");
    ASSERT_EQ(bDelete(pclAccess), 1) << sError();
    EXPECT_EQ(sRows("SELECT string_agg(label, ',') FROM kx_rows_micro"), "n");
    ASSERT_EQ(bFirst(pclAccess, L"label"), 1) << sError();
    SetText(pclAccess, L"label", L"n2");
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
    EXPECT_EQ(sRows("SELECT label || '|' || t FROM kx_rows_micro"), "n2|2024-03-05 10:20:31.654321");
}

// A key the host declares unique that the server does not hold: a write that would change the two
// rows sharing the value is refused with its own error, and both rows stay as they were.
TEST_F(NADataAccessWriteRowsServerTest, WriteOfTwoRowsRefused) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_rows_two", "code varchar(10) NOT NULL, v int",
                "INSERT INTO kx_rows_two VALUES ('k', 1), ('k', 2), ('m', 3)");
    CNADataAccess* pclAccess = pclOpen(L"kx_rows_two");
    ASSERT_NE(pclAccess, nullptr);
    auto* pclDescription = static_cast<CNADataSourceDescription*>(m_clServerDriver.piLastDescription());
    CNAItemDescription* pclCode = pclDescription->pclNAGetItemNoRef(L"code", 2);
    ASSERT_NE(pclCode, nullptr);
    ASSERT_TRUE(pclCode->bSetKey(0, NA_KEY_UNIQUE | NA_KEY_ASCENDANT));
    const long nPid = nBackendPid(pclAccess);
    const std::string sAll = "SELECT string_agg(code || v, ',' ORDER BY v) FROM kx_rows_two";

    for (int bDeleteIt : {0, 1}) {
        SCOPED_TRACE(bDeleteIt ? "delete" : "modify");
        pgsandbox::CStatementLog clLog;
        ASSERT_EQ(bSeek(pclAccess, L"code", Text(L"k")), 1) << sError();
        SetInt(pclAccess, L"v", 9);
        EXPECT_EQ(bDeleteIt ? bDelete(pclAccess) : bModify(pclAccess), 0);
        EXPECT_EQ(m_pclError->nGetUserErrorCode(), 84u) << sError();
        EXPECT_NE(sError().find("would have changed 2 rows"), std::string::npos) << sError();
        EXPECT_EQ(sRows(sAll), "k1,k2,m3");
        m_pclError->Reset();
        WaitLogged(pclAccess, clLog, nPid);
        const std::vector<std::string> vSent = clLog.Statements(nPid);
        EXPECT_TRUE(bHas(vSent, "ROLLBACK"));
    }
    // Inside a transaction of the host's, the refusal undoes the write alone.
    ASSERT_EQ(pclAccess->pclGetConnectionNoRef()->bTransactionBegin(m_pclError, L"T"), 1) << sError();
    CAny clCode = Text(L"m");
    ASSERT_EQ(bSeek(pclAccess, L"code", clCode), 1) << sError();
    SetInt(pclAccess, L"v", 4);
    ASSERT_EQ(bModify(pclAccess), 1) << sError();
    ASSERT_EQ(bSeek(pclAccess, L"code", Text(L"k")), 1) << sError();
    EXPECT_EQ(bDelete(pclAccess), 0);
    m_pclError->Reset();
    ASSERT_EQ(pclAccess->pclGetConnectionNoRef()->bTransactionCommit(m_pclError, L"T"), 1) << sError();
    EXPECT_EQ(sRows(sAll), "k1,k2,m4");
}

// An add leaves every item the host did not give a value to the server: defaults of each kind are
// kept and read back into the record; an item without a default stays NULL.
TEST_F(NADataAccessWriteRowsServerTest, DefaultsKeptOnAdd) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_rows_defaults",
                "id serial PRIMARY KEY, status varchar(10) NOT NULL DEFAULT 'new', qty int DEFAULT 7, "
                "created timestamp DEFAULT now(), code varchar(10) DEFAULT upper('x' || 'y'), note varchar(10)");
    CNADataAccess* pclAccess = pclOpen(L"kx_rows_defaults");
    ASSERT_NE(pclAccess, nullptr);
    NewRecord(pclAccess);
    SetText(pclAccess, L"code", L"mine");
    ASSERT_EQ(bAdd(pclAccess), 1) << sError();
    EXPECT_EQ(sRows("SELECT id || '|' || status || '|' || qty || '|' || (created IS NOT NULL) || '|' || code || '|' || "
                    "(note IS NULL) FROM kx_rows_defaults"),
              "1|new|7|true|mine|true");
    EXPECT_EQ(wsValue(pclAccess, L"id"), L"1");
    EXPECT_EQ(wsValue(pclAccess, L"status"), L"new");
    EXPECT_EQ(wsValue(pclAccess, L"qty"), L"7");
    EXPECT_NE(wsValue(pclAccess, L"created"), L"<NULL>");
    EXPECT_EQ(wsValue(pclAccess, L"note"), L"<NULL>");

    NewRecord(pclAccess);
    ASSERT_EQ(bAdd(pclAccess), 1) << sError();
    EXPECT_EQ(sRows("SELECT status || '|' || qty || '|' || code FROM kx_rows_defaults WHERE id = 2"), "new|7|XY");
    EXPECT_EQ(wsValue(pclAccess, L"code"), L"XY");
}

// Identity columns are automatic identifiers: left to the server on add and read back; a sequence
// that lags behind rows written with their own identifiers is repaired through the identity's
// own sequence. A generated column is never written and holds what the server computed.
TEST_F(NADataAccessWriteRowsServerTest, IdentityAndGeneratedColumns) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_rows_always", "id int GENERATED ALWAYS AS IDENTITY PRIMARY KEY, name varchar(10)");
    CreateTable(m_clServer, "kx_rows_bydefault",
                "id bigint GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY, name varchar(10)",
                "INSERT INTO kx_rows_bydefault (id, name) VALUES (1, 'a'), (2, 'b')");
    CreateTable(m_clServer, "kx_rows_generated",
                "id serial PRIMARY KEY, p int, g int GENERATED ALWAYS AS (p * 2) STORED");

    CNADataAccess* pclAlways = pclOpen(L"kx_rows_always");
    ASSERT_NE(pclAlways, nullptr);
    CNAColumn* pclId = pclAlways->pclGetCurrentRecordNoRef()->pclGetColumnNoRef(L"id");
    EXPECT_TRUE(pclId->bIsIdAuto());
    EXPECT_TRUE(pclId->bIsAutoIncrementOnDataBase());
    for (const wchar_t* psz : {L"one", L"two"}) {
        NewRecord(pclAlways);
        SetText(pclAlways, L"name", psz);
        ASSERT_EQ(bAdd(pclAlways), 1) << sError();
    }
    EXPECT_EQ(wsValue(pclAlways, L"id"), L"2");
    EXPECT_EQ(sRows("SELECT string_agg(id || name, ',' ORDER BY id) FROM kx_rows_always"), "1one,2two");
    // Deleted, then modified: written again with its identifier, which the server takes only when
    // told to override its own.
    CAny clOne;
    clOne.SetI4(1);
    ASSERT_EQ(bSeek(pclAlways, L"id", clOne), 1) << sError();
    ASSERT_EQ(bDelete(pclAlways), 1) << sError();
    SetText(pclAlways, L"name", L"uno");
    ASSERT_EQ(bModify(pclAlways), 1) << sError();
    EXPECT_EQ(sRows("SELECT string_agg(id || name, ',' ORDER BY id) FROM kx_rows_always"), "1uno,2two");
    EXPECT_EQ(sRows("SELECT nextval(pg_get_serial_sequence('kx_rows_always', 'id'))"), "3");

    CNADataAccess* pclByDefault = pclOpen(L"kx_rows_bydefault");
    ASSERT_NE(pclByDefault, nullptr);
    const long nPid = nBackendPid(pclByDefault);
    pgsandbox::CStatementLog clLog;
    NewRecord(pclByDefault);
    SetText(pclByDefault, L"name", L"c");
    ASSERT_EQ(bAdd(pclByDefault), 1) << sError();
    EXPECT_EQ(wsValue(pclByDefault, L"id"), L"3");
    EXPECT_EQ(sRows("SELECT string_agg(id || name, ',' ORDER BY id) FROM kx_rows_bydefault"), "1a,2b,3c");
    WaitLogged(pclByDefault, clLog, nPid);
    EXPECT_FALSE(Sent(clLog, nPid, "pg_get_serial_sequence").empty());
    EXPECT_EQ(sRows("SELECT nextval(pg_get_serial_sequence('kx_rows_bydefault', 'id'))"), "4");

    CNADataAccess* pclGenerated = pclOpen(L"kx_rows_generated");
    ASSERT_NE(pclGenerated, nullptr);
    EXPECT_FALSE(pclGenerated->pclGetCurrentRecordNoRef()->pclGetColumnNoRef(L"g")->bUpdatable());
    NewRecord(pclGenerated);
    SetInt(pclGenerated, L"p", 4);
    ASSERT_EQ(bAdd(pclGenerated), 1) << sError();
    EXPECT_EQ(wsValue(pclGenerated, L"g"), L"8");
    SetInt(pclGenerated, L"p", 5);
    SetInt(pclGenerated, L"g", 77);
    ASSERT_EQ(bModify(pclGenerated), 1) << sError();
    EXPECT_EQ(wsValue(pclGenerated, L"g"), L"10");
    EXPECT_EQ(sRows("SELECT p || '|' || g FROM kx_rows_generated"), "5|10");
}

// A record deleted and then modified is written again with its identifier; the sequence only
// moves forward: past the identifier when it stood below it, untouched when it stood above.
TEST_F(NADataAccessWriteRowsServerTest, SequenceAfterReinsertion) {
    KX_REQUIRE_PG_SERVER();
    CreateTable(m_clServer, "kx_rows_seq", "id serial PRIMARY KEY, name varchar(10)",
                "INSERT INTO kx_rows_seq (name) SELECT 'n' || i FROM generate_series(1, 10) AS i");
    CNADataAccess* pclAccess = pclOpen(L"kx_rows_seq");
    ASSERT_NE(pclAccess, nullptr);
    struct stCase {
        int nId;
        const char* pszSetval;  // where the sequence stands before the re-insertion
        const char* pszNext;    // the next identifier it gives afterwards
    } astCases[] = {
        {5, "10", "11"},  // above the identifier: it stays
        {7, "3", "8"},    // below: moved past it
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(st.nId);
        CAny clId;
        clId.SetI4(st.nId);
        ASSERT_EQ(bSeek(pclAccess, L"id", clId), 1) << sError();
        ASSERT_EQ(bDelete(pclAccess), 1) << sError();
        m_clServer.Run(std::string("SELECT setval('kx_rows_seq_id_seq', ") + st.pszSetval + ")");
        SetText(pclAccess, L"name", L"again");
        ASSERT_EQ(bModify(pclAccess), 1) << sError();
        EXPECT_EQ(sRows("SELECT name FROM kx_rows_seq WHERE id = " + std::to_string(st.nId)), "again");
        EXPECT_EQ(sRows("SELECT nextval('kx_rows_seq_id_seq')"), st.pszNext);
    }
}

}  // namespace
