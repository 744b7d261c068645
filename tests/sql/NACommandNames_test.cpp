// Names, dialect functions and row limits: the formatted SQL's row limit and offset in each dialect
// (LIMIT n OFFSET m on PostgreSQL, TOP after SELECT elsewhere), table and item names with their
// quotes doubled, the dialects' names and types of the host's functions, and the date and time
// columns compared as compact text. PostgreSQL texts also run through EXPLAIN on the test server.
#include <gtest/gtest.h>

#include "native/sql/NACommand.h"
#include "tests/sql/CommandTestSupport.h"
#include "tests/sql/PgFixtureTables.h"

namespace {

using sqltest::CommandTest;

class NACommandNamesTest : public CommandTest {};

struct LimitCase {
    const char* pszName;
    unsigned nKind;
    const wchar_t* pszText;
    int64_t llLimit, llOffset;
    const wchar_t* pszExpected;
    bool bParsedQuery = false;
};

const LimitCase s_tabLimits[] = {
    {"limit", 6, L"SELECT a FROM t", 10, -1, L"SELECT a FROM t LIMIT 10"},
    {"limit and offset", 6, L"SELECT a FROM t ORDER BY a", 10, 20, L"SELECT a FROM t ORDER BY a LIMIT 10 OFFSET 20"},
    {"offset 0 is none", 6, L"SELECT a FROM t", 10, 0, L"SELECT a FROM t LIMIT 10"},
    {"no limit", 6, L"SELECT a FROM t", -1, 20, L"SELECT a FROM t"},
    {"limit 0 adds nothing", 6, L"SELECT a FROM t", 0, -1, L"SELECT a FROM t"},
    {"64-bit limit and offset", 6, L"SELECT a FROM t", 3000000000LL, 5000000000LL,
     L"SELECT a FROM t LIMIT 3000000000 OFFSET 5000000000"},
    {"TOP becomes LIMIT", 6, L"SELECT TOP 10 a FROM t", -1, -1, L"SELECT  a FROM t LIMIT 10"},
    {"TOP in any case, with offset", 6, L"select\ttop 5 a from t", 10, 3, L"select\t a from t LIMIT 5 OFFSET 3"},
    {"TOP 0 goes with no LIMIT", 6, L"SELECT TOP 0 a FROM t", 10, -1, L"SELECT  a FROM t"},
    {"already LIMIT 0", 6, L"SELECT a FROM t LIMIT 0", 10, -1, L"SELECT a FROM t LIMIT 0"},
    {"already LIMIT 0 with blanks", 6, L"SELECT a FROM t LIMIT 0  ", 10, -1, L"SELECT a FROM t LIMIT 0  "},
    {"not a SELECT", 6, L"UPDATE t SET a=1", 10, -1, L"UPDATE t SET a=1"},
    {"a word that starts with TOP", 6, L"SELECT TOPMOST FROM t", -1, -1, L"SELECT TOPMOST FROM t"},
    {"parsed query left as written", 6, L"SELECT a FROM t", 10, 20, L"SELECT a FROM t", true},
    {"offset before count on kind 5", 5, L"SELECT a FROM t", 10, 20, L"SELECT a FROM t LIMIT 20, 10"},
    {"LIMIT becomes TOP", 2, L"SELECT a FROM t LIMIT 5", -1, -1, L"SELECT TOP 5  a FROM t"},
    {"a parenthesis before LIMIT stays", 2, L"SELECT COUNT(*) FROM (SELECT a FROM t) LIMIT 5", -1, -1,
     L"SELECT TOP 5  COUNT(*) FROM (SELECT a FROM t)"},
    {"two numbers stay", 2, L"SELECT a FROM t LIMIT 5, 10", -1, -1, L"SELECT a FROM t LIMIT 5, 10"},
    {"a zero offset goes", 2, L"SELECT a FROM t LIMIT 5, 0", -1, -1, L"SELECT TOP 5  a FROM t"},
    {"LIMIT in a literal stays", 2, L"SELECT a FROM t WHERE b='LIMIT 3'", -1, -1, L"SELECT a FROM t WHERE b='LIMIT 3'"},
    {"LIMIT without a number stays", 2, L"SELECT a FROM t LIMIT x", -1, -1, L"SELECT a FROM t LIMIT x"},
    {"other kinds keep the text", 7, L"SELECT TOP 5 a FROM t", 10, -1, L"SELECT TOP 5 a FROM t"},
};

TEST_F(NACommandNamesTest, RowLimitAndOffsetInEachDialect) {
    for (const LimitCase& c : s_tabLimits) {
        CNACommand* pcl = pclCommand(pclConnection(c.nKind, 15));
        pcl->bComplete(c.pszText);
        pcl->SetRowLimit(c.llLimit);
        pcl->SetRowOffset(c.llOffset);
        pcl->SetParsedQuery(c.bParsedQuery);
        EXPECT_EQ(sFormat(pcl), c.pszExpected) << c.pszName;
    }
    // TOP gives its number as the limit and takes the command's place.
    CNACommand* pcl = pclCommand(pclConnection());
    pcl->bComplete(L"SELECT TOP 10 a FROM t");
    pcl->SetRowLimit(50);
    EXPECT_EQ(sFormat(pcl), L"SELECT  a FROM t LIMIT 10");
    EXPECT_EQ(pcl->llGetRowLimit(), -1);
}

TEST_F(NACommandNamesTest, RowLimitsRunOnTheServer) {
    KX_PG_FIXTURE_SESSION(clPg);
    for (const LimitCase& c : s_tabLimits) {
        if (c.nKind != 6) continue;
        CNACommand* pcl = pclCommand(pclConnection(c.nKind, 15));
        pcl->bComplete(c.pszText);
        pcl->SetRowLimit(c.llLimit);
        pcl->SetRowOffset(c.llOffset);
        pcl->SetParsedQuery(c.bParsedQuery);
        const std::wstring s = sFormat(pcl);
        // The server reads no TOP: a text that keeps one is not the server's.
        if (s.find(L"TOP") != std::wstring::npos) continue;
        EXPECT_EQ(clPg.sExplain(s), "") << c.pszName;
    }
    // The form the server refuses, which an offset must never produce.
    EXPECT_NE(clPg.sExplain(L"SELECT a FROM t LIMIT 20, 10"), "");
}

struct NameCase {
    const wchar_t* pszName;
    const wchar_t* pszItem;   // as an item name
    const wchar_t* pszTable;  // as a table name
    bool bKnown;              // the table name is one of the test server's tables
};

const NameCase s_tabNames[] = {
    {L"t", L"\"t\"", L"\"t\"", true},
    {L"we\"ird", L"\"we\"\"ird\"", L"\"we\"\"ird\"", true},
    {L"\"we\"\"ird\"", L"\"we\"\"ird\"", L"\"we\"\"ird\"", true},
    {L"x\" ; DROP TABLE t; --", L"\"x\"\" ; DROP TABLE t; --\"", L"\"x\"\" ; DROP TABLE t; --\"", false},
    {L"\" ; DROP TABLE t; --", L"\"\"\" ; DROP TABLE t; --\"", L"\"\"\" ; DROP TABLE t; --\"", false},
    {L"\"a\"b", L"\"\"\"a\"\"b\"", L"\"\"\"a\"\"b\"", false},
    {L"\"a", L"\"\"\"a\"", L"\"\"\"a\"", false},
    {L"pg_temp.t", L"\"pg_temp.t\"", L"\"pg_temp\".\"t\"", true},
    {L"\"pg_temp\".\"t\"", L"\"pg_temp\".\"t\"", L"\"pg_temp\".\"t\"", true},
    {L"\"pg_temp\".we\"ird", L"\"\"\"pg_temp\"\".we\"\"ird\"", L"\"pg_temp\".\"we\"\"ird\"", true},
    {L"\"pg_temp.t", L"\"\"\"pg_temp.t\"", L"\"\"\"pg_temp\".\"t\"", false},
};

TEST_F(NACommandNamesTest, NamesWithTheirQuotesDoubled) {
    CNACommand* pcl = pclCommand();
    for (const NameCase& c : s_tabNames) {
        CTString clItem, clTable;
        pcl->_FormatItemName(c.pszName, &clItem);
        pcl->_FormatTableName(c.pszName, &clTable);
        EXPECT_STREQ(clItem.pszGet(), c.pszItem) << c.pszName;
        EXPECT_STREQ(clTable.pszGet(), c.pszTable) << c.pszName;
    }
}

TEST_F(NACommandNamesTest, NamesStayOneIdentifierOnTheServer) {
    KX_PG_FIXTURE_SESSION(clPg);
    CNACommand* pcl = pclCommand();
    for (const NameCase& c : s_tabNames) {
        CTString clTable;
        pcl->_FormatTableName(c.pszName, &clTable);
        const std::string s = clPg.sExplain(std::wstring(L"SELECT * FROM ") + clTable.pszGet());
        // A table of the fixture is read; any other name is one the server does not know, never a
        // piece of SQL it tries to run.
        if (c.bKnown)
            EXPECT_EQ(s, "") << c.pszName;
        else
            EXPECT_EQ(s.substr(0, 5), "42P01") << c.pszName << ": " << s;
    }
}

TEST_F(NACommandNamesTest, FunctionNamesOfTheDialects) {
    // PostgreSQL renames the substring functions only.
    for (int nCode = -1; nCode < 200; nCode++) {
        const wchar_t* psz = CNACommand::s_pszGetFunctionName(6, nCode);
        if (nCode == 42 || nCode == 43 || nCode == 44 || nCode == 50)
            EXPECT_STREQ(psz, L"SUBSTRING") << nCode;
        else
            EXPECT_EQ(psz, nullptr) << nCode;
    }
    struct Case {
        unsigned nKind;
        int nCode;
        const wchar_t* pszName;
    };
    const Case tab[] = {
        {11, 7, L"NVL"},     {11, 8, L"NVL"},        {1, 42, L"SUBSTR"},    {2, 42, nullptr},
        {7, 44, L"SYSIBM.SUBSTR"},                    {2, 54, L"LEN"},       {4, 54, L"CHAR_LENGTH"},
        {13, 55, L"LENGTH"}, {1, 72, L"CEIL"},       {1, 79, L"LENGTHB"},   {11, 92, L"SUBSTR(HEX"},
        {1, 92, L"TO_CHAR"}, {3, 44, nullptr},       {11, 52, L"TRIM"},     {7, 45, L"UCASE"},
    };
    for (const Case& c : tab) {
        const wchar_t* psz = CNACommand::s_pszGetFunctionName(c.nKind, c.nCode);
        if (c.pszName == nullptr)
            EXPECT_EQ(psz, nullptr) << c.nKind << " " << c.nCode;
        else
            EXPECT_STREQ(psz, c.pszName) << c.nKind << " " << c.nCode;
    }
}

TEST_F(NACommandNamesTest, DateAndTimeColumnsComparedAsCompactText) {
    CNACommand* pcl = pclCommand();  // its connection writes no time items of its own
    using K = CNASqlElt;
    struct Case {
        K::eSQLELT eKind;
        eNA_ITEMTYPE eType;
        int nOperator;
        int nExpected;
    };
    const Case tab[] = {
        {K::SQLELT_WHERE, NA_IT_DATE8, OPEXPRESSION_ISNULL, 0},  {K::SQLELT_WHERE, NA_IT_HEURE, OPEXPRESSION_ISNULL, 0},
        {K::SQLELT_WHERE, NA_IT_TEXTE, 15, 0},                   {K::SQLELT_WHERE, NA_IT_DATE6, 15, 0},
        {K::SQLELT_WHERE, NA_IT_HEURE, OPEXPRESSION_EQUAL, 2},   {K::SQLELT_ORDERBY, NA_IT_HEURE, 100, 2},
        {K::SQLELT_SELECT, NA_IT_HEURE, OPEXPRESSION_EQUAL, 2},  {K::SQLELT_SELECT, NA_IT_HEURE, 60, 0},
        {K::SQLELT_WHERE, NA_IT_DATE8, OPEXPRESSION_EQUAL, 0},   {K::SQLELT_WHERE, NA_IT_DATE8, 23, 0},
        {K::SQLELT_WHERE, NA_IT_DATE8, 15, 2},                   {K::SQLELT_WHERE, NA_IT_DATE8, 21, 2},
        {K::SQLELT_WHERE, NA_IT_DATETIME, OPEXPRESSION_LIKE, 2}, {K::SQLELT_WHERE, NA_IT_DATETIME, 44, 2},
        {K::SQLELT_WHERE, NA_IT_DATETIME, 47, 0},                {K::SQLELT_WHERE, NA_IT_DATETIME, 57, 2},
        {K::SQLELT_WHERE, NA_IT_DATETIME, 58, 0},                {K::SQLELT_WHERE, NA_IT_DATETIME, 24, 0},
    };
    for (const Case& c : tab)
        EXPECT_EQ(pcl->eGetFormatExpressionColonne(c.eKind, c.eType, static_cast<eOPEXPRESSION>(c.nOperator), nullptr),
                  c.nExpected)
            << c.eKind << " " << c.eType << " " << c.nOperator;
}

TEST_F(NACommandNamesTest, TypesOfFunctionArgumentsAndResults) {
    CNACommand* pcl = pclCommand();
    struct Case {
        int nCode;
        unsigned nArgument;
        bool bLast;
        eNA_ITEMTYPE eItemType;  // NA_IT_EMPTY: no item
        eNA_ITEMTYPE eExpected;
        bool bRelease;
    };
    const Case tab[] = {
        {1, 0, false, NA_IT_TEXTE, NA_IT_DATE8, false},      {1, 1, true, NA_IT_TEXTE, NA_IT_EMPTY, false},
        {59, 0, false, NA_IT_TEXTE, NA_IT_EMPTY, false},     {59, 1, true, NA_IT_TEXTE, NA_IT_EMPTY, true},
        {74, 2, true, NA_IT_TEXTE, NA_IT_EMPTY, true},       {88, 0, false, NA_IT_TEXTE, NA_IT_TEXTE, true},
        {94, 1, true, NA_IT_TEXTE, NA_IT_EMPTY, true},       {94, 1, false, NA_IT_TEXTE, NA_IT_EMPTY, false},
        {106, 2, false, NA_IT_TEXTE, NA_IT_EMPTY, true},     {106, 3, false, NA_IT_TEXTE, NA_IT_EMPTY, false},
        {98, 0, false, NA_IT_EMPTY, NA_IT_DATETIME, false},  {98, 0, false, NA_IT_DATE8, NA_IT_EMPTY, false},
        {98, 0, false, NA_IT_TEXTE, NA_IT_DATETIME, false},  {98, 1, false, NA_IT_TEXTE, NA_IT_I4, true},
        {99, 0, false, NA_IT_TEXTE, NA_IT_DATE8, false},     {100, 4, true, NA_IT_TEXTE, NA_IT_DATE8, false},
        {101, 1, false, NA_IT_TEXTE, NA_IT_EMPTY, true},     {102, 2, false, NA_IT_TEXTE, NA_IT_TEXTE, true},
        {102, 3, false, NA_IT_TEXTE, NA_IT_EMPTY, false},    {44, 0, false, NA_IT_EMPTY, NA_IT_EMPTY, false},
        {44, 0, false, NA_IT_DATE8, NA_IT_TEXTE, false},     {44, 0, false, NA_IT_I4, NA_IT_EMPTY, false},
    };
    for (const Case& c : tab) {
        bool bRelease = true;
        EXPECT_EQ(pcl->_eTypeParameterByCode(CNASqlElt::SQLELT_WHERE, c.nCode, c.nArgument, c.bLast, NA_IT_DATE8,
                                             c.eItemType, c.eItemType != NA_IT_EMPTY, &bRelease),
                  c.eExpected)
            << c.nCode << " " << c.nArgument;
        EXPECT_EQ(bRelease, c.bRelease) << c.nCode << " " << c.nArgument;
    }

    struct Result {
        int nCode;
        eNA_ITEMTYPE eItemType;
        bool bKeeps;
    };
    const Result tabResult[] = {
        {9, NA_IT_TEXTE, false},     {33, NA_IT_DATE8, false},  {155, NA_IT_TEXTE, false},
        {44, NA_IT_TEXTE, true},     {44, NA_IT_UNICODE, true}, {44, NA_IT_I4, false},
        {88, NA_IT_MEMOTEXTE, true}, {98, NA_IT_DATETIME, true}, {98, NA_IT_TEXTE, false},
        {1, NA_IT_I4, true},         {27, NA_IT_I4, true},      {156, NA_IT_TEXTE, true},
    };
    for (const Result& c : tabResult)
        EXPECT_EQ(CNACommand::s_bTypeRetourKeepsItem(c.nCode, c.eItemType), c.bKeeps) << c.nCode << " " << c.eItemType;
}

TEST_F(NACommandNamesTest, ConnectionThatCodesItsTextInUnicode) {
    sqltest::CTestConnection* pclCnx = pclConnection();
    CNACommand* pcl = pclCommand(pclCnx);
    bool bRelease = false;
    EXPECT_EQ(pcl->_eTypeParameterByCode(CNASqlElt::SQLELT_WHERE, 88, 0, false, NA_IT_EMPTY, NA_IT_EMPTY, false,
                                         &bRelease),
              NA_IT_TEXTE);
    struct CUnicodeConnection : sqltest::CTestConnection {
        using sqltest::CTestConnection::CTestConnection;
        void SetCodePage(unsigned n) { m_nCodePage = n; }
    };
    CUnicodeConnection clUnicode(&m_clHost, 6, 15);
    clUnicode.SetCodePage(65001);
    CNACommand* pclUnicode = pclCommand(&clUnicode);
    EXPECT_EQ(pclUnicode->_eTypeParameterByCode(CNASqlElt::SQLELT_WHERE, 88, 0, false, NA_IT_EMPTY, NA_IT_EMPTY, false,
                                                &bRelease),
              NA_IT_UNICODE);
    EXPECT_TRUE(bRelease);
    // The command goes before the connection it holds.
    pclUnicode->nRelease();
    m_tabCommands.pop_back();
}

}  // namespace
