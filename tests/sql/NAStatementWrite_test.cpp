// The statement's SQL of writes: the exact text of each INSERT (every column, NULL values, the
// identifier given by the host or by the driver, every column taking its default, a server that
// cannot return values), UPDATE (nothing modified, one or two columns, the identifier), DELETE,
// DELETE of every row, CREATE TABLE with its constraints beside a composite key, and DROP TABLE;
// each run on the test server, whose rows afterwards must be what the write meant. Also the
// rewriting of the lengths a server refused in a CREATE TABLE.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "native/model/NAInterfaces.h"
#include "tests/sql/WriteTestSupport.h"

using namespace writetest;

namespace {

// write_fx: an identifier the server gives, a nullable text and integer, a unique text that
// refuses NULL, the two parts of a unique composite key, and a column only the server writes.
const std::vector<stItem> WRITE_FX = {
    {L"id", NA_IT_IDAUTO, 8, NA_KEY_UNIQUE, false, true},
    {L"name", NA_IT_TEXTE, 21, 0, true, true},
    {L"n", NA_IT_I4, 4, 0, true, true},
    {L"code", NA_IT_TEXTE, 11, NA_KEY_UNIQUE, false, true},
    {L"k1", NA_IT_TEXTE, 11, 0, false, true},
    {L"k2", NA_IT_I4, 4, 0, false, true},
    {L"ro", NA_IT_I4, 4, 0, true, false},
    {L"kk", NA_IT_BINAIRE, 0, NA_KEY_COMPOSED | NA_KEY_UNIQUE, true, true},
};
const std::vector<const wchar_t*> WRITE_FX_KEY = {L"k1", L"k2"};

constexpr const char* WRITE_FX_SERVER =
    "CREATE TEMP TABLE write_fx (id bigserial PRIMARY KEY, name varchar(20), n int,"
    " code varchar(10) NOT NULL UNIQUE, k1 varchar(10) NOT NULL, k2 int NOT NULL,"
    " ro int GENERATED ALWAYS AS (n * 2) STORED, UNIQUE (k1, k2));"
    "INSERT INTO write_fx (name, n, code, k1, k2) VALUES ('first', 1, 'A', 'a', 1), ('second', 2, 'B', 'b', 2),"
    " ('third', NULL, 'C', 'c', 3);";
constexpr const char* WRITE_FX_ROWS = "SELECT id, name, n, code, k1, k2, ro FROM write_fx ORDER BY id";

// The server's table for the test, when there is a server (null otherwise; a failure under CI).
std::unique_ptr<pgtest::CPgSession> pclServer(const char* pszTables) {
    std::unique_ptr<pgtest::CPgSession> pcl = sqltest::pclFixtureSession();
    if (pcl == nullptr) return nullptr;
    if (!pcl->bExec(pszTables)) {
        ADD_FAILURE() << pcl->sError();
        return nullptr;
    }
    return pcl;
}

}  // namespace

class NAStatementWriteTest : public WriteTest {
protected:
    // Row n of the server's fixture as the host read it.
    void ReadRow(int n) {
        const char* tabName[] = {"first", "second", "third"};
        const char* tabCode[] = {"A", "B", "C"};
        const char* tabK1[] = {"a", "b", "c"};
        SetInt(L"id", n, true);
        SetText(L"name", tabName[n - 1]);
        SetInt(L"n", n == 3 ? std::nullopt : std::optional<long long>(n));
        SetText(L"code", tabCode[n - 1]);
        SetText(L"k1", tabK1[n - 1]);
        SetInt(L"k2", n);
        SetInt(L"ro", n == 3 ? std::nullopt : std::optional<long long>(2 * n));
        Read();
    }
    // The text written, then run on the server; what the server gives back.
    std::vector<std::string> vRun(pgtest::CPgSession* pclPg, CNACommand* pcl) {
        if (pclPg == nullptr) return {};
        return vRows(pclPg, pgtest::sUTF8(sFormat(pcl)));
    }
};

TEST_F(NAStatementWriteTest, Insert) {
    Describe(L"write_fx", WRITE_FX, WRITE_FX_KEY);
    auto pclPg = pclServer(WRITE_FX_SERVER);
    struct Case {
        const char* pszName;
        std::optional<long long> llId;
        std::optional<std::string> sName;
        std::optional<long long> n;
        const char* pszCode;
        NA_WRITEPARSEFLAGS nFlags;
        unsigned nServerVersion;
        const wchar_t* pszText;
        int nNewIdentifiers;
        std::vector<std::string> vReturned;  // what the INSERT gives back
        const char* pszRow;                  // the row read back
    };
    // clang-format off
    const Case tab[] = {
        // The server gives the identifier and computes ro: neither is written; the new identifier
        // comes back. A quote in a value stays inside its literal.
        {"every column the host writes", std::nullopt, "O'Brien", 7, "D", 0, 150002,
         L"INSERT INTO \"write_fx\" (\"name\",\"n\",\"code\",\"k1\",\"k2\") "
         L"VALUES ( 'O''Brien' , 7 , 'D' , 'd' , 4 ) RETURNING \"id\", \"name\", \"n\", \"code\", \"k1\", \"k2\", \"ro\"",
         0, {"4|O'Brien|7|D|d|4|14"}, "4|O'Brien|7|D|d|4|14"},
        {"NULL values", std::nullopt, std::nullopt, std::nullopt, "E", 0, 150002,
         L"INSERT INTO \"write_fx\" (\"name\",\"n\",\"code\",\"k1\",\"k2\") "
         L"VALUES ( NULL , NULL , 'E' , 'e' , 5 ) RETURNING \"id\", \"name\", \"n\", \"code\", \"k1\", \"k2\", \"ro\"",
         0, {"5|<NULL>|<NULL>|E|e|5|<NULL>"}, "5|<NULL>|<NULL>|E|e|5|<NULL>"},
        // The host gave the identifier: it is written as it is.
        {"the identifier the host gives", 40, "forty", 40, "F", WPF_IDAUTO_HOST, 150002,
         L"INSERT INTO \"write_fx\" (\"id\",\"name\",\"n\",\"code\",\"k1\",\"k2\") "
         L"OVERRIDING SYSTEM VALUE VALUES ( 40 , 'forty' , 40 , 'F' , 'f' , 6 ) RETURNING \"id\", \"name\", \"n\", \"code\", \"k1\", \"k2\", \"ro\"",
         0, {"40|forty|40|F|f|6|80"}, "40|forty|40|F|f|6|80"},
        // The driver gives it: the data access is asked for a new one first.
        {"the identifier the driver gives", 41, "x", 1, "G", WPF_IDAUTO_DRIVER, 150002,
         L"INSERT INTO \"write_fx\" (\"id\",\"name\",\"n\",\"code\",\"k1\",\"k2\") "
         L"OVERRIDING SYSTEM VALUE VALUES ( 41 , 'x' , 1 , 'G' , 'g' , 7 ) RETURNING \"id\", \"name\", \"n\", \"code\", \"k1\", \"k2\", \"ro\"",
         1, {"41|x|1|G|g|7|2"}, "41|x|1|G|g|7|2"},
        // A server before 8.2 cannot return values: the identifier is read afterwards.
        {"a server that cannot return the identifier", std::nullopt, "old", 3, "H", 0, 80100,
         L"INSERT INTO \"write_fx\" (\"name\",\"n\",\"code\",\"k1\",\"k2\") "
         L"VALUES ( 'old' , 3 , 'H' , 'h' , 8 )",
         0, {}, "6|old|3|H|h|8|6"},
    };
    // clang-format on
    int k2 = 4;
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        m_pclCnx->SetServerVersion(c.nServerVersion);
        m_pclStatement->m_nNewIdentifiers = 0;
        SetInt(L"id", c.llId, true);
        SetText(L"name", c.sName);
        SetInt(L"n", c.n);
        SetText(L"code", c.pszCode);
        SetText(L"k1", std::string(1, static_cast<char>(c.pszCode[0] - 'A' + 'a')));
        SetInt(L"k2", k2++);
        SetInt(L"ro", 99);
        CNACommand* pcl = pclCommand();
        ASSERT_TRUE(m_pclStatement->bBuildQuery(NAQUERYTYPE_INSERT, pcl, c.nFlags));
        EXPECT_EQ(sFormat(pcl), c.pszText);
        EXPECT_EQ(pcl->eGetQueryType(), NAQUERYTYPE_INSERT);
        EXPECT_EQ(m_pclStatement->pclGetCommandNoRef(), pcl);
        EXPECT_EQ(m_pclStatement->m_nNewIdentifiers, c.nNewIdentifiers);
        // The image says which values the row has.
        EXPECT_EQ(bDefined(L"name"), c.sName.has_value());
        EXPECT_EQ(bDefined(L"n"), c.n.has_value());
        EXPECT_TRUE(bDefined(L"code"));
        if (pclPg == nullptr) continue;
        EXPECT_EQ(vRun(pclPg.get(), pcl), c.vReturned);
        EXPECT_EQ(vRows(pclPg.get(), std::string("SELECT id, name, n, code, k1, k2, ro FROM write_fx WHERE code = '") +
                                         c.pszCode + "'"),
                  std::vector<std::string>{c.pszRow});
    }
    if (pclPg != nullptr) {
        EXPECT_EQ(vRows(pclPg.get(), "SELECT count(*) FROM write_fx"), std::vector<std::string>{"8"});
    }
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE);
}

// A record with no column the host may write: every column takes its default. The server's new
// identifier comes back as for any other insert (the statement reads it from the INSERT's result);
// without an identifier nothing is returned.
TEST_F(NAStatementWriteTest, InsertOfDefaults) {
    auto pclPg = pclServer(
        "CREATE TEMP TABLE write_auto (id bigserial PRIMARY KEY, ro int DEFAULT 5);"
        "CREATE TEMP TABLE write_gen (ro int DEFAULT 7);");
    struct Case {
        const char* pszName;
        const wchar_t* pszTable;
        std::vector<stItem> vItems;
        unsigned nServerVersion;
        const wchar_t* pszText;
        std::vector<std::string> vReturned;
        const char* pszRows;
        std::vector<std::string> vRows;
    };
    const stItem stId = {L"id", NA_IT_IDAUTO, 8, NA_KEY_UNIQUE, false, true};
    const stItem stRo = {L"ro", NA_IT_I4, 4, 0, true, false};
    // clang-format off
    const Case tab[] = {
        {"an identifier and a column the server writes", L"write_auto", {stId, stRo}, 150002,
         L"INSERT INTO \"write_auto\"VALUES ( DEFAULT ) RETURNING \"id\", \"ro\"", {"1|5"}, "SELECT id, ro FROM write_auto",
         {"1|5"}},
        {"the same on a server that cannot return it", L"write_auto", {stId, stRo}, 80100,
         L"INSERT INTO \"write_auto\"VALUES ( DEFAULT )", {}, "SELECT id, ro FROM write_auto ORDER BY id",
         {"1|5", "2|5"}},
        {"no identifier", L"write_gen", {stRo}, 150002, L"INSERT INTO \"write_gen\"VALUES ( DEFAULT ) RETURNING \"ro\"",
         {"7"}, "SELECT ro FROM write_gen", {"7"}},
    };
    // clang-format on
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        Describe(c.pszTable, c.vItems);
        m_pclCnx->SetServerVersion(c.nServerVersion);
        SetInt(L"ro", 3);
        CNACommand* pcl = pclCommand();
        ASSERT_TRUE(m_pclStatement->bBuildQuery(NAQUERYTYPE_INSERT, pcl, 0));
        EXPECT_EQ(sFormat(pcl), c.pszText);
        EXPECT_TRUE(m_pclStatement->m_vWritten.empty());
        if (pclPg == nullptr) continue;
        EXPECT_EQ(vRun(pclPg.get(), pcl), c.vReturned);
        EXPECT_EQ(vRows(pclPg.get(), c.pszRows), c.vRows);
    }
}

TEST_F(NAStatementWriteTest, Update) {
    Describe(L"write_fx", WRITE_FX, WRITE_FX_KEY);
    auto pclPg = pclServer(WRITE_FX_SERVER);
    struct Case {
        const char* pszName;
        std::function<void()> fnModify;
        NA_WRITEPARSEFLAGS nFlags;
        const wchar_t* pszText;  // empty: nothing to run
        std::vector<std::string> vRows;
    };
    const std::vector<std::string> vBefore = {"1|first|1|A|a|1|2", "2|second|2|B|b|2|4", "3|third|<NULL>|C|c|3|<NULL>"};
    // clang-format off
    const Case tab[] = {
        {"nothing modified", [] {}, 0, L"", vBefore},
        // ro is the server's: changed by the host, it is still not written.
        {"only a column the server writes", [&] { SetInt(L"ro", 77); }, 0, L"", vBefore},
        {"one column", [&] { SetText(L"code", "B2"); }, 0, L"UPDATE \"write_fx\" SET \"code\" = 'B2' WHERE \"id\"=2"
         L" RETURNING \"id\", \"name\", \"n\", \"code\", \"k1\", \"k2\", \"ro\"",
         {"1|first|1|A|a|1|2", "2|second|2|B2|b|2|4", "3|third|<NULL>|C|c|3|<NULL>"}},
        {"two columns, one to NULL",
         [&] {
             SetText(L"name", "deux");
             SetInt(L"n", std::nullopt);
         },
         0, L"UPDATE \"write_fx\" SET \"name\" = 'deux' , \"n\" = NULL WHERE \"id\"=2"
         L" RETURNING \"id\", \"name\", \"n\", \"code\", \"k1\", \"k2\", \"ro\"",
         {"1|first|1|A|a|1|2", "2|deux|<NULL>|B|b|2|<NULL>", "3|third|<NULL>|C|c|3|<NULL>"}},
        // The identifier is the server's unless the flags say the host or the driver gives it; the
        // row is found by the identifier it was read with.
        {"the identifier, the server's", [&] { SetInt(L"id", 20, true); }, 0, L"", vBefore},
        {"the identifier, the host's", [&] { SetInt(L"id", 20, true); }, WPF_IDAUTO_HOST,
         L"UPDATE \"write_fx\" SET \"id\" = 20 WHERE \"id\"=2 RETURNING \"id\", \"name\", \"n\", \"code\", \"k1\", \"k2\", \"ro\"",
         {"1|first|1|A|a|1|2", "3|third|<NULL>|C|c|3|<NULL>", "20|second|2|B|b|2|4"}},
    };
    // clang-format on
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        if (pclPg != nullptr) {
            ASSERT_TRUE(pclPg->bExec(std::string("DROP TABLE write_fx;") + WRITE_FX_SERVER)) << pclPg->sError();
        }
        ReadRow(2);
        c.fnModify();
        CNACommand* pcl = pclCommand();
        pcl->bComplete(L"left over");
        ASSERT_TRUE(m_pclStatement->bBuildQuery(NAQUERYTYPE_UPDATE, pcl, c.nFlags));
        EXPECT_EQ(std::wstring(pcl->pszGetOriginalSQL()).empty() ? L"" : sFormat(pcl), c.pszText);
        if (pclPg == nullptr) continue;
        // An UPDATE returns the row it wrote, as the server stored it.
        if (!pcl->bIsEmpty()) {
            const std::vector<std::string> vReturned = vRun(pclPg.get(), pcl);
            ASSERT_EQ(vReturned.size(), 1u);
            EXPECT_NE(std::find(c.vRows.begin(), c.vRows.end(), vReturned[0]), c.vRows.end()) << vReturned[0];
        }
        EXPECT_EQ(vRows(pclPg.get(), WRITE_FX_ROWS), c.vRows);
    }
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE);
}

TEST_F(NAStatementWriteTest, DeleteAndDeleteAll) {
    Describe(L"write_fx", WRITE_FX, WRITE_FX_KEY);
    auto pclPg = pclServer(WRITE_FX_SERVER);

    // No row read yet: nothing says which row goes, and no text is left that would reach every
    // row if it were run.
    m_pclStatement->SetItemName(L"code");
    CNACommand* pcl = pclCommand();
    for (eNAQUERYTYPE eType : {NAQUERYTYPE_DELETE, NAQUERYTYPE_UPDATE}) {
        SCOPED_TRACE(eType);
        SetText(L"code", "Q");
        pcl = pclCommand();
        EXPECT_FALSE(m_pclStatement->bBuildQuery(eType, pcl, 0));
        EXPECT_TRUE(pcl->bIsEmpty());
        EXPECT_EQ(nUserError(), 7u);
        EXPECT_NE(sDebug().find(L"IEKXPSQL=4.4"), std::wstring::npos) << sDebug();
        EXPECT_STREQ(m_pclError->pszGetLogicalTableName(), L"write_fx");
        EXPECT_STREQ(m_pclError->pszGetItemName(), L"code");
        m_pclError->Reset();
    }

    ReadRow(3);
    // The current record may differ from the row read: the row read goes.
    SetInt(L"id", 1, true);
    pcl = pclCommand();
    ASSERT_TRUE(m_pclStatement->bBuildQuery(NAQUERYTYPE_DELETE, pcl, 0));
    EXPECT_EQ(sFormat(pcl), L"DELETE FROM \"write_fx\" WHERE \"id\"=3");
    EXPECT_EQ(pcl->eGetQueryType(), NAQUERYTYPE_DELETE);
    if (pclPg != nullptr) {
        EXPECT_TRUE(vRun(pclPg.get(), pcl).empty());
        EXPECT_EQ(vRows(pclPg.get(), "SELECT id FROM write_fx ORDER BY id"), (std::vector<std::string>{"1", "2"}));
    }

    pcl = pclCommand();
    ASSERT_TRUE(m_pclStatement->bBuildQuery(NAQUERYTYPE_DELETEALL, pcl, 0));
    EXPECT_EQ(sFormat(pcl), L"DELETE FROM \"write_fx\"");
    if (pclPg != nullptr) {
        EXPECT_TRUE(vRun(pclPg.get(), pcl).empty());
        EXPECT_EQ(vRows(pclPg.get(), "SELECT count(*) FROM write_fx"), std::vector<std::string>{"0"});
    }
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE);

    // Over a query of the host, deleting every row is refused.
    m_pclAccess->SetOverQuery(1);
    pcl = pclCommand();
    EXPECT_FALSE(m_pclStatement->bBuildQuery(NAQUERYTYPE_DELETEALL, pcl, 0));
    EXPECT_TRUE(pcl->bIsEmpty());
    EXPECT_EQ(nUserError(), 8u);
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NOTAVAILABLE);
    EXPECT_NE(sDebug().find(L"IEKXPSQL=4.3"), std::wstring::npos) << sDebug();
    EXPECT_STREQ(m_pclError->pszGetLogicalTableName(), L"write_fx");
    EXPECT_STREQ(m_pclError->pszGetItemName(), L"code");
}

// CREATE TABLE declares each column with the server's type and its constraints (blanks and all);
// the composite key is an index made afterwards, not a column. DROP TABLE removes the table. Both
// run on the server in a transaction that is rolled back.
TEST_F(NAStatementWriteTest, CreateAndDrop) {
    Describe(L"write_create", WRITE_FX, WRITE_FX_KEY);
    auto pclPg = sqltest::pclFixtureSession();
    CNACommand* pcl = pclCommand();
    ASSERT_TRUE(m_pclStatement->bBuildQuery(NAQUERYTYPE_CREATE, pcl, 0));
    EXPECT_EQ(sFormat(pcl),
              L"CREATE TABLE \"write_create\"( \"id\" SERIAL8  PRIMARY KEY , \"name\" VARCHAR(20), \"n\" INTEGER, "
              L"\"code\" VARCHAR(10)  UNIQUE  NOT NULL , \"k1\" VARCHAR(10)  NOT NULL , \"k2\" INTEGER  NOT NULL , "
              L"\"ro\" INTEGER )");
    CNACommand* pclDrop = pclCommand();
    ASSERT_TRUE(m_pclStatement->bBuildQuery(NAQUERYTYPE_DROP, pclDrop, 0));
    EXPECT_EQ(sFormat(pclDrop), L"DROP TABLE \"write_create\"");
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE);
    if (pclPg == nullptr) return;

    ASSERT_TRUE(pclPg->bExec("BEGIN")) << pclPg->sError();
    EXPECT_TRUE(vRun(pclPg.get(), pcl).empty());
    EXPECT_EQ(vRows(pclPg.get(),
                    "SELECT column_name, data_type, coalesce(character_maximum_length, 0), is_nullable,"
                    " column_default IS NOT NULL FROM information_schema.columns WHERE table_name = 'write_create'"
                    " ORDER BY ordinal_position"),
              (std::vector<std::string>{"id|bigint|0|NO|t", "name|character varying|20|YES|f", "n|integer|0|YES|f",
                                        "code|character varying|10|NO|f", "k1|character varying|10|NO|f",
                                        "k2|integer|0|NO|f", "ro|integer|0|YES|f"}));
    EXPECT_EQ(vRows(pclPg.get(),
                    "SELECT c.contype, a.attname FROM pg_constraint c JOIN pg_attribute a ON a.attrelid = c.conrelid"
                    " AND a.attnum = ANY (c.conkey) WHERE c.conrelid = 'write_create'::regclass ORDER BY 1, 2"),
              (std::vector<std::string>{"p|id", "u|code"}));
    // The identifier is the server's: a row written without it gets one.
    EXPECT_EQ(vRows(pclPg.get(), "INSERT INTO write_create (code, k1, k2) VALUES ('A', 'a', 1) RETURNING id"),
              std::vector<std::string>{"1"});
    EXPECT_TRUE(vRun(pclPg.get(), pclDrop).empty());
    EXPECT_EQ(vRows(pclPg.get(), "SELECT to_regclass('write_create') IS NULL"), std::vector<std::string>{"t"});
    ASSERT_TRUE(pclPg->bExec("ROLLBACK")) << pclPg->sError();
}

TEST_F(NAStatementWriteTest, ColumnConstraints) {
    const std::vector<stItem> vItems = {
        {L"pk", NA_IT_I4, 4, NA_KEY_PRIMARY, false, true},    {L"auto4", NA_IT_IDAUTO4, 4, 0, true, true},
        {L"u", NA_IT_I4, 4, NA_KEY_UNIQUE, true, true},       {L"unn", NA_IT_I4, 4, NA_KEY_UNIQUE, false, true},
        {L"nn", NA_IT_I4, 4, NA_KEY_DUPLICATES, false, true}, {L"plain", NA_IT_I4, 4, 0, true, true},
    };
    Describe(L"write_cst", vItems);
    struct Case {
        const wchar_t* pszItem;
        const wchar_t* pszConstraint;
    };
    const Case tab[] = {
        // A primary key, and an identifier, say nothing else.
        {L"pk", L" PRIMARY KEY "},       {L"auto4", L" PRIMARY KEY "}, {L"u", L" UNIQUE "},
        {L"unn", L" UNIQUE  NOT NULL "}, {L"nn", L" NOT NULL "},       {L"plain", L""},
    };
    for (const Case& c : tab) {
        CTString cl;
        cl.Set(L"left over");
        ASSERT_TRUE(m_pclStatement->_bGetNativeConstraint(pclColumn(c.pszItem), &cl));
        EXPECT_EQ(std::wstring(cl.pszGet() != nullptr ? cl.pszGet() : L""), c.pszConstraint) << c.pszItem;
    }
    // A description that does not say whether it supports NULL: no NOT NULL.
    m_pclStatement->SetDataSource(nullptr);
    CTString cl;
    ASSERT_TRUE(m_pclStatement->_bGetNativeConstraint(pclColumn(L"unn"), &cl));
    EXPECT_EQ(std::wstring(cl.pszGet()), L" UNIQUE ");
}

// A definition the connection cannot type fails the CREATE TABLE, and the error says why.
TEST_F(NAStatementWriteTest, CreateOfATypeTheServerLacks) {
    // A wide text on a server whose encoding is not Unicode.
    Describe(L"write_wide", {{L"id", NA_IT_I4, 4, 0, true, true},
                             {L"w", NA_IT_UNICODE, 22, 0, true, true},
                             {L"after", NA_IT_I4, 4, 0, true, true}});
    m_pclCnx->SetServerUnicode(0);
    CNACommand* pcl = pclCommand();
    EXPECT_FALSE(m_pclStatement->bBuildQuery(NAQUERYTYPE_CREATE, pcl, 0));
    EXPECT_NE(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE);
    // The columns after it are not declared.
    EXPECT_EQ(std::wstring(pcl->pszGetOriginalSQL()).find(L"after"), std::wstring::npos);
}

// A column whose value cannot be written ends the INSERT: nothing is left to run.
TEST_F(NAStatementWriteTest, AValueThatFails) {
    Describe(L"write_fx", WRITE_FX, WRITE_FX_KEY);
    SetText(L"name", "x");
    SetInt(L"n", 1);
    SetText(L"code", "Z");
    m_pclStatement->m_sRefused = L"n";
    for (eNAQUERYTYPE eType : {NAQUERYTYPE_INSERT, NAQUERYTYPE_UPDATE}) {
        SCOPED_TRACE(eType);
        m_pclStatement->m_vWritten.clear();
        if (eType == NAQUERYTYPE_UPDATE) {
            Read();
            SetText(L"name", "y");
            SetInt(L"n", 2);
            SetText(L"code", "Y");
        }
        CNACommand* pcl = pclCommand();
        EXPECT_FALSE(m_pclStatement->bBuildQuery(eType, pcl, 0));
        EXPECT_TRUE(pcl->bIsEmpty());
        EXPECT_EQ(pcl->nGetParameterNbr(), 0);
        // The walk stopped at the value that failed.
        EXPECT_EQ(m_pclStatement->m_vWritten, std::vector<std::wstring>{L"name"});
    }
}

// The lengths of a type the server refused in a CREATE TABLE are rewritten as another type.
TEST_F(NAStatementWriteTest, LengthCorrection) {
    Describe(L"write_fx", WRITE_FX, WRITE_FX_KEY);
    struct Case {
        const char* pszName;
        const wchar_t* pszSQL;
        const wchar_t* pszType;
        int nMax;
        const wchar_t* pszReplacement;
        int bResult;
        const wchar_t* pszOut;
    };
    const Case tab[] = {
        {"one length within the maximum, one beyond", L"CREATE TABLE t( a VARCHAR(10), b VARCHAR(8000) )", L"VARCHAR",
         4000, L"CLOB", 1, L"CREATE TABLE t( a VARCHAR(10), b CLOB )"},
        {"the maximum itself stays", L"CREATE TABLE t( a VARCHAR(4000) )", L"VARCHAR", 4000, L"CLOB", 0, L""},
        {"several beyond, the text between kept", L"x VARCHAR(4001) y VARCHAR(5) z VARCHAR(99999999999999999999) w",
         L"VARCHAR", 4000, L"CLOB", 1, L"x CLOB y VARCHAR(5) z CLOB w"},
        {"at the very end, without its parenthesis", L"a VARCHAR(9000", L"VARCHAR", 4000, L"CLOB", 1, L"a CLOB"},
        {"no length: nothing to compare", L"a VARCHAR(max)", L"VARCHAR", 4000, L"CLOB", 0, L""},
        {"the type absent", L"CREATE TABLE t( a INTEGER )", L"VARCHAR", 4000, L"CLOB", 0, L""},
        {"the national types on the result", L"a VARCHAR(10), b NVARCHAR(3000)", L"NVARCHAR", 2000, L"NCLOB", 1,
         L"a VARCHAR(10), b NCLOB"},
        // A server without a limit takes every length: nothing is replaced, so the server's own
        // refusal stands instead of a type it does not have.
        {"no limit", L"CREATE TABLE t( a VARCHAR(20000000) )", L"VARCHAR", -1, L"CLOB", 0, L""},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        CXYStringConcat<wchar_t> clOut(64);
        clOut.Add(L"left over");
        EXPECT_EQ(
            m_pclStatement->bQueryCREATE_AutoCorrectVarcharMax(&clOut, c.pszSQL, c.pszType, c.nMax, c.pszReplacement),
            c.bResult);
        EXPECT_EQ(std::wstring(clOut.pszGet()), c.pszOut);
    }
    // PostgreSQL's own answers: no limit on either text type.
    EXPECT_EQ(m_pclCnx->nGetVarCharMaxLen(), -1);
    EXPECT_EQ(m_pclCnx->nGetNVarCharMaxLen(), -1);
}

// write_q through a host query: "SELECT id, name, n, n * 2 AS dbl, upper(name) AS big FROM
// write_q", whose last two values the query computes (two kinds of computed value).
const std::vector<stItem> WRITE_Q = {
    {L"id", NA_IT_IDAUTO, 8, NA_KEY_UNIQUE, false, true},
    {L"name", NA_IT_TEXTE, 21, 0, true, true},
    {L"n", NA_IT_I4, 4, 0, true, true},
    {L"dbl", NA_IT_I4, 4, 0, true, true},
    {L"big", NA_IT_TEXTE, 21, 0, true, true},
};
const std::vector<unsigned> WRITE_Q_KINDS = {0, 0, 0, 1, 2};
constexpr const char* WRITE_Q_SERVER =
    "CREATE TEMP TABLE write_q (id bigserial PRIMARY KEY, name varchar(20), n int);"
    "INSERT INTO write_q (name, n) VALUES ('first', 1), ('second', 2);";

// The values a query computes have no column on the server: an INSERT or UPDATE through the query
// never names them, whatever the host set in them; the server takes the texts. Only they are
// left unbound, and only while the record reads a query.
TEST_F(NAStatementWriteTest, ComputedColumnsOfAQueryAreNotWritten) {
    DescribeQuery(L"write_q", WRITE_Q, WRITE_Q_KINDS);
    auto pclPg = pclServer(WRITE_Q_SERVER);
    const wchar_t* tabNames[] = {L"id", L"name", L"n", L"dbl", L"big"};
    for (int bQuery : {1, 0}) {
        m_pclAccess->SetOverQuery(bQuery);
        for (size_t i = 0; i < WRITE_Q.size(); i++) {
            SCOPED_TRACE(testing::Message() << "query " << bQuery << ", item " << i);
            const unsigned nKind = bQuery ? WRITE_Q_KINDS[i] : 0;
            EXPECT_EQ(pclColumn(tabNames[i])->eGetTypeColonne(), nKind);
            EXPECT_EQ(pclColumn(tabNames[i])->bMustBind(1), nKind == 0 ? 1 : 0);
        }
    }
    m_pclAccess->SetOverQuery(1);

    struct Case {
        const char* pszName;
        eNAQUERYTYPE eType;
        std::function<void()> fnSet;
        const wchar_t* pszText;  // empty: nothing to run
        std::vector<std::string> vWritten;
        std::vector<std::string> vRows;
    };
    // clang-format off
    const Case tab[] = {
        {"INSERT", NAQUERYTYPE_INSERT,
         [&] {
             SetInt(L"id", std::nullopt, true);
             SetText(L"name", "third");
             SetInt(L"n", 3);
             SetInt(L"dbl", 99);
             SetText(L"big", "X");
         },
         L"INSERT INTO \"write_q\" (\"name\",\"n\") VALUES ( 'third' , 3 ) RETURNING \"id\"",
         {"name", "n"}, {"1|first|1", "2|second|2", "3|third|3"}},
        {"UPDATE of a column and of computed values", NAQUERYTYPE_UPDATE,
         [&] {
             SetText(L"name", "deux");
             SetInt(L"dbl", 40);
             SetText(L"big", "DEUX");
         },
         L"UPDATE \"write_q\" SET \"name\" = 'deux' WHERE \"id\"=2",
         {"name"}, {"1|first|1", "2|deux|2", "3|third|3"}},
        {"UPDATE of computed values alone", NAQUERYTYPE_UPDATE,
         [&] {
             SetInt(L"dbl", 40);
             SetText(L"big", "DEUX");
         },
         L"", {}, {"1|first|1", "2|deux|2", "3|third|3"}},
    };
    // clang-format on
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        if (c.eType == NAQUERYTYPE_UPDATE) {
            // Row 2 as the query read it.
            SetInt(L"id", 2, true);
            SetText(L"name", "second");
            SetInt(L"n", 2);
            SetInt(L"dbl", 4);
            SetText(L"big", "SECOND");
            Read();
        }
        c.fnSet();
        m_pclStatement->m_vWritten.clear();
        CNACommand* pcl = pclCommand();
        ASSERT_TRUE(m_pclStatement->bBuildQuery(c.eType, pcl, 0));
        EXPECT_EQ(std::wstring(pcl->pszGetOriginalSQL()).empty() ? L"" : sFormat(pcl), c.pszText);
        std::vector<std::string> vWritten;
        for (const std::wstring& ws : m_pclStatement->m_vWritten) vWritten.push_back(pgtest::sUTF8(ws));
        EXPECT_EQ(vWritten, c.vWritten);
        if (pclPg == nullptr) continue;
        if (!pcl->bIsEmpty()) vRun(pclPg.get(), pcl);
        EXPECT_EQ(vRows(pclPg.get(), "SELECT id, name, n FROM write_q ORDER BY id"), c.vRows);
    }
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE);
}

// An INSERT through a query whose only values the host may write are computed still names one:
// the first of them, with its value.
TEST_F(NAStatementWriteTest, InsertThroughAQueryOfComputedValuesOnly) {
    DescribeQuery(L"write_q", {WRITE_Q[0], WRITE_Q[3], WRITE_Q[4]}, {0, 1, 2});
    SetInt(L"dbl", 5);
    SetText(L"big", "B");
    CNACommand* pcl = pclCommand();
    ASSERT_TRUE(m_pclStatement->bBuildQuery(NAQUERYTYPE_INSERT, pcl, 0));
    EXPECT_EQ(sFormat(pcl), L"INSERT INTO \"write_q\" (\"dbl\") VALUES ( 5 ) RETURNING \"id\"");
    EXPECT_EQ(m_pclStatement->m_vWritten, std::vector<std::wstring>{L"dbl"});
}

// A table name fills the write texts as the access formats it; over no access the texts name no
// table and the writes ask nothing of it.
TEST_F(NAStatementWriteTest, TableName) {
    Describe(L"write_fx", WRITE_FX, WRITE_FX_KEY);
    EXPECT_STREQ(m_pclStatement->pszGetTableName(), L"\"write_fx\"");
    CNAStatement* pclAlone = new CNAStatement(nullptr, m_pclError);
    pclAlone->AddRef();
    EXPECT_STREQ(pclAlone->pszGetTableName(), L"");
    pclAlone->nRelease();
}
