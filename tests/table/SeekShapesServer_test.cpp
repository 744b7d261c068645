// Seek after seek on one data access where, between two seeks, one thing their SELECT is built
// from changes: the item, exact or prefix search, the direction, the value's type, a value with
// quotes and backslashes under standard_conforming_strings on and off, NULL, a text that is not
// ASCII, a write, a filter set and switched off. Each seek sends its own text, as the server's log
// shows, and stands on the row the server holds for it.
#include "tests/table/NADataAccessSeekFixture.h"

using namespace seektest;

namespace {

class SeekShapesServerTest : public SeekServerTest {};

enum eBefore { NOTHING, WRITE_CODE, FILTER_ID, FILTER_OFF };

enum eValueKind { INT4, INT8, TEXT, NULL_TEXT };

struct stStep {
    eBefore eFirst;
    const wchar_t* pszItem;
    eValueKind eKind;
    long nValue;             // INT4, INT8
    const wchar_t* pszText;  // TEXT
    int nMode;               // 0 exact, 1 prefix
    int bForward;
    int bFound;
    const wchar_t* pszId;  // the row the browse stands on afterwards (found seeks)
    const wchar_t* pszCode;
    // The SELECTs sent, the same whatever standard_conforming_strings says unless the second is given.
    std::vector<std::string> vSent;
    std::vector<std::string> vSentNoStandardStrings;
};

const std::string SELECT = "SELECT \"id\",\"name\",\"code\",\"born\" FROM \"kx_seek_shapes\" WHERE ";

std::string sIdAfter(const std::string& sCondition, const char* pszOrder = "\"id\"") {
    return SELECT + sCondition + " ORDER BY " + pszOrder + " LIMIT 20";
}

// The steps run in this order on one access: each changes one thing from the step before.
const stStep* pstSteps(size_t* pnCount) {
    static const std::string sOnName = " ORDER BY \"name\" LIMIT 20";
    static const std::string sOnBorn = " ORDER BY \"born\" LIMIT 20";
    static const stStep s_ast[] = {
        {NOTHING, L"id", INT4, 7, nullptr, 0, 1, 1, L"7", L"70", {sIdAfter("\"id\"=7")}, {}},
        // The same shape: another value.
        {NOTHING, L"id", INT4, 12, nullptr, 0, 1, 1, L"12", L"120", {sIdAfter("\"id\"=12")}, {}},
        // Missing values, twice: the search goes on with the rows after each.
        {NOTHING,
         L"id",
         INT4,
         40,
         nullptr,
         0,
         1,
         0,
         nullptr,
         nullptr,
         {sIdAfter("\"id\"=40"), sIdAfter("\"id\">40")},
         {}},
        {NOTHING,
         L"id",
         INT4,
         41,
         nullptr,
         0,
         1,
         0,
         nullptr,
         nullptr,
         {sIdAfter("\"id\"=41"), sIdAfter("\"id\">41")},
         {}},
        {NOTHING, L"id", INT4, 8, nullptr, 0, 1, 1, L"8", L"80", {sIdAfter("\"id\"=8")}, {}},
        // Backwards, then forwards again.
        {NOTHING, L"id", INT4, 3, nullptr, 0, 0, 1, L"3", L"30", {sIdAfter("\"id\"=3", "\"id\" DESC")}, {}},
        {NOTHING, L"id", INT4, 4, nullptr, 0, 0, 1, L"4", L"40", {sIdAfter("\"id\"=4", "\"id\" DESC")}, {}},
        {NOTHING, L"id", INT4, 5, nullptr, 0, 1, 1, L"5", L"50", {sIdAfter("\"id\"=5")}, {}},
        // A value of another type.
        {NOTHING, L"id", INT8, 6, nullptr, 0, 1, 1, L"6", L"60", {sIdAfter("\"id\"=6")}, {}},
        {NOTHING, L"id", TEXT, 0, L"9", 0, 1, 1, L"9", L"90", {sIdAfter("\"id\"=9")}, {}},
        {NOTHING, L"id", INT4, 10, nullptr, 0, 1, 1, L"10", L"100", {sIdAfter("\"id\"=10")}, {}},
        // A write between two seeks of the same value.
        {WRITE_CODE, L"id", INT4, 10, nullptr, 0, 1, 1, L"10", L"555", {sIdAfter("\"id\"=10")}, {}},
        {NOTHING, L"id", INT4, 11, nullptr, 0, 1, 1, L"11", L"110", {sIdAfter("\"id\"=11")}, {}},
        // A filter set, then switched off.
        {FILTER_ID,
         L"id",
         INT4,
         13,
         nullptr,
         0,
         1,
         1,
         L"13",
         L"130",
         {sIdAfter("\"id\"=13 AND (\"id\">=2 AND \"id\"<=20 )")},
         {}},
        {NOTHING,
         L"id",
         INT4,
         14,
         nullptr,
         0,
         1,
         1,
         L"14",
         L"140",
         {sIdAfter("\"id\"=14 AND (\"id\">=2 AND \"id\"<=20 )")},
         {}},
        {FILTER_OFF, L"id", INT4, 15, nullptr, 0, 1, 1, L"15", L"150", {sIdAfter("\"id\"=15")}, {}},
        {NOTHING, L"id", INT4, 16, nullptr, 0, 1, 1, L"16", L"160", {sIdAfter("\"id\"=16")}, {}},
        // Another item; quotes, backslashes and a text that is not ASCII, each after the other.
        {NOTHING, L"name", TEXT, 0, L"Name0002", 0, 1, 1, L"2", L"20", {SELECT + "\"name\"='Name0002'" + sOnName}, {}},
        {NOTHING, L"name", TEXT, 0, L"O'Brien", 0, 1, 1, L"21", L"210", {SELECT + "\"name\"='O''Brien'" + sOnName}, {}},
        {NOTHING,
         L"name",
         TEXT,
         0,
         L"back\\slash",
         0,
         1,
         1,
         L"22",
         L"220",
         {SELECT + "\"name\"='back\\slash'" + sOnName},
         {SELECT + "\"name\"=E'back\\\\slash'" + sOnName}},
        {NOTHING,
         L"name",
         TEXT,
         0,
         L"Zo\u00eb",
         0,
         1,
         1,
         L"23",
         L"230",
         {SELECT + "\"name\"='Zo\xc3\xab'" + sOnName},
         {}},
        {NOTHING,
         L"name",
         TEXT,
         0,
         L"it's \\ both",
         0,
         1,
         1,
         L"24",
         L"240",
         {SELECT + "\"name\"='it''s \\ both'" + sOnName},
         {SELECT + "\"name\"=E'it''s \\\\ both'" + sOnName}},
        {NOTHING, L"name", TEXT, 0, L"Name0003", 0, 1, 1, L"3", L"30", {SELECT + "\"name\"='Name0003'" + sOnName}, {}},
        // A prefix, then the whole value again.
        {NOTHING,
         L"name",
         TEXT,
         0,
         L"Name000",
         1,
         1,
         1,
         L"1",
         L"10",
         {SELECT + "\"name\" LIKE 'Name000%'" + sOnName},
         {}},
        {NOTHING, L"name", TEXT, 0, L"Name0004", 0, 1, 1, L"4", L"40", {SELECT + "\"name\"='Name0004'" + sOnName}, {}},
        // NULL, then a value again.
        {NOTHING,
         L"name",
         NULL_TEXT,
         0,
         nullptr,
         0,
         1,
         1,
         L"25",
         L"250",
         {SELECT + "\"name\" IS NULL ORDER BY \"name\",\"id\" LIMIT 20"},
         {}},
        {NOTHING, L"name", TEXT, 0, L"Name0005", 0, 1, 1, L"5", L"50", {SELECT + "\"name\"='Name0005'" + sOnName}, {}},
        // Back on the first item: its kept text serves no more after the other item's seeks.
        {NOTHING, L"id", INT4, 17, nullptr, 0, 1, 1, L"17", L"170", {sIdAfter("\"id\"=17")}, {}},
        // Dates, one after the other, then a missing one.
        {NOTHING,
         L"born",
         TEXT,
         0,
         L"20240108",
         0,
         1,
         1,
         L"7",
         L"70",
         {SELECT + "\"born\"='2024-01-08'" + sOnBorn},
         {}},
        {NOTHING,
         L"born",
         TEXT,
         0,
         L"20240119",
         0,
         1,
         1,
         L"18",
         L"180",
         {SELECT + "\"born\"='2024-01-19'" + sOnBorn},
         {}},
        {NOTHING,
         L"born",
         TEXT,
         0,
         L"20230101",
         0,
         1,
         0,
         nullptr,
         nullptr,
         {SELECT + "\"born\"='2023-01-01'" + sOnBorn, SELECT + "\"born\">'2023-01-01'" + sOnBorn},
         {}},
    };
    *pnCount = sizeof(s_ast) / sizeof(s_ast[0]);
    return s_ast;
}

TEST_F(SeekShapesServerTest, EachSeekSendsItsOwnText) {
    KX_REQUIRE_PG_SERVER();
    for (const wchar_t* pszOptions :
         {L"KX Cache Size=20;", L"KX Cache Size=20;options=-cstandard_conforming_strings=off"}) {
        const bool bStandard = wcsstr(pszOptions, L"off") == nullptr;
        SCOPED_TRACE(sOf(pszOptions));
        pgtest::CPgSession clServer;
        CreateTable(clServer, "kx_seek_shapes",
                    "id int PRIMARY KEY, name varchar(40) UNIQUE, code int, born date NOT NULL UNIQUE",
                    "INSERT INTO kx_seek_shapes SELECT i, CASE i WHEN 21 THEN 'O''Brien' "
                    "WHEN 22 THEN 'back\\slash' WHEN 23 THEN 'Zo\xc3\xab' WHEN 24 THEN 'it''s \\ both' "
                    "WHEN 25 THEN NULL ELSE 'Name' || lpad(i::text, 4, '0') END, i * 10, date '2024-01-01' + i "
                    "FROM generate_series(1, 30) AS i");
        ASSERT_EQ(clServer.sValue("SELECT id FROM kx_seek_shapes WHERE name = E'back\\\\slash'"), "22");
        CNADataAccess* pclAccess = pclOpen(L"kx_seek_shapes", pszOptions);
        ASSERT_NE(pclAccess, nullptr);
        const long nPid = nBackendPid(pclAccess);
        size_t nSteps = 0;
        const stStep* pst = pstSteps(&nSteps);
        for (size_t i = 0; i < nSteps; i++) {
            const stStep& st = pst[i];
            SCOPED_TRACE(testing::Message() << "step " << i);
            switch (st.eFirst) {
                case WRITE_CODE:
                    SetInt(pclAccess, L"code", 555);
                    ASSERT_EQ(bModify(pclAccess), 1) << sError();
                    ASSERT_EQ(
                        clServer.sValue("SELECT code FROM kx_seek_shapes WHERE id = " + std::to_string(st.nValue)),
                        "555");
                    break;
                case FILTER_ID: {
                    CAny clLow, clHigh;
                    clLow.SetI4(2);
                    clHigh.SetI4(20);
                    ASSERT_EQ(pclAccess->bHFiltre(L"id", &clLow, 1, &clHigh, 1, nullptr), 1) << sError();
                    break;
                }
                case FILTER_OFF:
                    ASSERT_EQ(pclAccess->bHDesactiveFiltre(L"id"), 1) << sError();
                    break;
                case NOTHING:
                    break;
            }
            CAny clValue;
            switch (st.eKind) {
                case INT4:
                    clValue.SetI4(static_cast<int>(st.nValue));
                    break;
                case INT8:
                    clValue.SetI8(st.nValue);
                    break;
                case TEXT:
                    clValue = Text(st.pszText);
                    break;
                case NULL_TEXT:
                    clValue = Text(L"");
                    clValue.SetNull(1);
                    break;
            }
            pgsandbox::CStatementLog clLog;
            ASSERT_EQ(bSeek(pclAccess, st.pszItem, clValue, st.nMode, st.bForward), 1) << sError();
            EXPECT_EQ(bFound(pclAccess, st.pszItem), st.bFound);
            if (st.bFound) {
                EXPECT_EQ(wsValue(pclAccess, L"id"), st.pszId);
                EXPECT_EQ(wsValue(pclAccess, L"code"), st.pszCode);
            }
            WaitLogged(pclAccess, clLog, nPid);
            EXPECT_EQ(Sent(clLog, nPid, "FROM \"kx_seek_shapes\""),
                      !bStandard && !st.vSentNoStandardStrings.empty() ? st.vSentNoStandardStrings : st.vSent);
        }
        Release(pclAccess);
    }
}

}  // namespace
