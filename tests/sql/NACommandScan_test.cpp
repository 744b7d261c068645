// The SQL text scanners: separators, SET statements, leading and trailing words, keywords found
// backwards outside literals and quoted identifiers, result-set limits, names after AS, the place
// where a query loses its own ORDER BY (never inside a literal, identifier, comment or sub-query),
// and the clause positions of a parsed query.
#include <gtest/gtest.h>

#include <cwchar>
#include <cwctype>

#include "native/sql/NACommand.h"
#include "tests/sql/CommandTestSupport.h"
#include "tests/sql/PgFixtureTables.h"

namespace {

using sqltest::CommandTest;

class NACommandScanTest : public CommandTest {};

// Index of the n-th (from 0) occurrence of a part in a text.
long nIndexOf(const std::wstring& s, const std::wstring& sPart, int n = 0) {
    size_t nAt = s.find(sPart);
    for (; n > 0 && nAt != std::wstring::npos; n--) nAt = s.find(sPart, nAt + 1);
    return nAt == std::wstring::npos ? -1 : static_cast<long>(nAt);
}

TEST_F(NACommandScanTest, Separators) {
    for (wchar_t c : std::wstring(L"!%()*+,-/=\t\n\r "))
        EXPECT_TRUE(CNACommand::s_bSeparateur(c)) << static_cast<int>(c);
    for (wchar_t c : std::wstring(L"a.'\";<_[]\"0"))
        EXPECT_FALSE(CNACommand::s_bSeparateur(c)) << static_cast<int>(c);
}

TEST_F(NACommandScanTest, SetStatements) {
    struct Case {
        const wchar_t* pszText;
        int bSet;
    };
    const Case tab[] = {
        {L"SET datestyle=ISO;", 1}, {L"SET datestyle=ISO", 1},     {L"SET a = b", 0},
        {L"  set client_encoding UTF8 ;; ", 1},                     {L"SET x TO y", 0},
        {L"SET", 1},                {L"SET a=b ;;", 1},            {L"SET datestyle = ISO ;", 0},
        {L"SELECT 1", 0},           {L"", 0},                      {L"UPDATE t SET a=1", 0},
    };
    for (const Case& c : tab) EXPECT_EQ(CNACommand::s_bIsQuerySet(c.pszText), c.bSet) << c.pszText;
    EXPECT_EQ(CNACommand::s_bIsQuerySet(nullptr), 0);
}

TEST_F(NACommandScanTest, LeadingAndTrailingWords) {
    struct Case {
        const wchar_t* pszText;
        int bWord;   // s_bSuiteRequeteCommenceParMot(text, "ESCAPE")
        long nPos;   // s_nGetPosSuiteRequete(text, "ESCAPE")
    };
    const Case tab[] = {
        {L"  escape '\\'", 1, 2}, {L"ESCAPEX", 0, 0},   {L"ESCAPE(", 1, 0}, {L"ESCAPE", 1, 0},
        {L"x ESCAPE", 0, -1},     {L"\t\nEscape ", 1, 2}, {L"", 0, -1},
    };
    for (const Case& c : tab) {
        EXPECT_EQ(CNACommand::s_bSuiteRequeteCommenceParMot(c.pszText, L"ESCAPE"), c.bWord) << c.pszText;
        EXPECT_EQ(CNACommand::s_nGetPosSuiteRequete(c.pszText, L"ESCAPE"), c.nPos) << c.pszText;
        EXPECT_EQ(CNACommand::s_bSuiteRequeteCommencePar(c.pszText, L"ESCAPE"), c.nPos >= 0) << c.pszText;
    }

    struct End {
        const wchar_t* pszText;
        int bEnds;  // s_bRequeteTerminePar(text, "LIMIT 0")
    };
    const End tabEnd[] = {
        {L"SELECT a FROM t LIMIT 0", 1}, {L"SELECT a FROM t LIMIT 0  ", 1}, {L"SELECT a FROM t limit 0)", 1},
        {L"SELECT a FROM tLIMIT 0", 0},  {L"LIMIT 0", 0},                   {L" LIMIT 0", 0},
        {L"a LIMIT 0", 1},               {L"SELECT a FROM t LIMIT 10", 0},  {L"SELECT a FROM t", 0},
    };
    for (const End& c : tabEnd) EXPECT_EQ(CNACommand::s_bRequeteTerminePar(c.pszText, L"LIMIT 0"), c.bEnds) << c.pszText;
}

TEST_F(NACommandScanTest, KeywordSearchedBackwardsOutsideLiteralsAndIdentifiers) {
    sqltest::CTestConnection* pclCnx = pclConnection();
    struct Case {
        const wchar_t* pszText;
        const wchar_t* pszKeyword;
        int nOccurrence;  // which occurrence of the keyword is found; -1: none
    };
    const Case tab[] = {
        {L"SELECT a FROM t LIMIT 5", L"LIMIT", 0},
        {L"select a from t limit 5", L"LIMIT", 0},
        {L"SELECT a FROM t WHERE b='a LIMIT b'", L"LIMIT", -1},
        {L"SELECT a FROM t WHERE b='it''s LIMIT' LIMIT 5", L"LIMIT", 1},
        {L"SELECT \"x LIMIT y\" FROM t", L"LIMIT", -1},
        {L"SELECT a FROM \"x LIMIT y\"", L"LIMIT", -1},
        {L"SELECT a FROM s.\"x LIMIT y\" LIMIT 3", L"LIMIT", 1},
        {L"SELECT \"a\"\" LIMIT \"\"b\" FROM t", L"LIMIT", -1},
        {L"LIMIT 5", L"LIMIT", -1},
        {L"SELECT a FROM tLIMIT 5", L"LIMIT", -1},
        {L"SELECT a FROM t LIMIT", L"LIMIT", -1},
        {L"SELECT a FROM t WHERE x=1", L"WHERE", 0},
        {L"SELECT a FROM (SELECT b FROM u WHERE c=1) v WHERE x=1", L"WHERE", 1},
    };
    for (const Case& c : tab) {
        // The text is compared in upper case.
        std::wstring sUpper(c.pszText);
        for (wchar_t& w : sUpper) w = static_cast<wchar_t>(towupper(static_cast<wint_t>(w)));
        const long nExpected = c.nOccurrence < 0 ? -1 : nIndexOf(sUpper, c.pszKeyword, c.nOccurrence);
        EXPECT_EQ(CNACommand::s_nGetClauseStart(pclCnx, c.pszText, c.pszKeyword, -1), nExpected) << c.pszText;
    }
    // Lower-case texts: the position of the lower-case word.
    EXPECT_EQ(CNACommand::s_nGetClauseStart(pclCnx, L"select a from t limit 5", L"LIMIT", -1), 16);

    // The search starts where it is told to.
    const std::wstring s = L"SELECT a FROM t WHERE x LIMIT 5";
    EXPECT_EQ(CNACommand::s_nGetClauseStart(pclCnx, s.c_str(), L"WHERE", nIndexOf(s, L"x")), nIndexOf(s, L"WHERE"));
    EXPECT_EQ(CNACommand::s_nGetClauseStart(pclCnx, s.c_str(), L"WHERE", nIndexOf(s, L"WHERE") - 1), -1);
    EXPECT_EQ(CNACommand::s_nGetClauseStart(pclCnx, nullptr, L"WHERE", -1), -1);
    EXPECT_EQ(CNACommand::s_nGetClauseStart(pclCnx, L"", L"WHERE", -1), -1);

    // A dialect that quotes between brackets; no connection means the standard double quote.
    sqltest::CTestConnection* pclBrackets = pclConnection(2, 15);
    pclBrackets->SetQuotes(L"[", L"]");
    EXPECT_EQ(CNACommand::s_nGetClauseStart(pclBrackets, L"SELECT [a LIMIT b] FROM t", L"LIMIT", -1), -1);
    EXPECT_EQ(CNACommand::s_nGetClauseStart(nullptr, L"SELECT \"a LIMIT b\" FROM t", L"LIMIT", -1), -1);
}

TEST_F(NACommandScanTest, ResultSetLimited) {
    sqltest::CTestConnection* pclCnx = pclConnection();
    struct Case {
        const wchar_t* pszText;
        int bLimited;
    };
    const Case tab[] = {
        {L"SELECT TOP 5 a FROM t", 1},   {L"select a from t limit 5", 1}, {L"UPDATE t SET a=1 LIMIT 5", 0},
        {L"SELECT a FROM t", 0},         {L"SELECT a FROM t WHERE b='LIMIT 5'", 0},
        {L"SELECT TOP", 0},              {L"SELECT TOPMOST FROM t", 0},   {L"SELECT\ttop\t5 a FROM t", 1},
    };
    for (const Case& c : tab) EXPECT_EQ(CNACommand::s_bQueryResultsetLimited(pclCnx, c.pszText), c.bLimited) << c.pszText;
}

TEST_F(NACommandScanTest, NameAfterAs) {
    struct Case {
        const wchar_t* pszText;
        const wchar_t* pszName;
        int bFound;
        const wchar_t* pszFirst;  // the text from the first index on
        const wchar_t* pszLast;   // the text from the last index on
    };
    const Case tab[] = {
        {L"x AS [my name] FROM t", L"my name", 1, L"[my name] FROM t", L"] FROM t"},
        {L"x AS \"we\"\"ird\" y", L"we\"ird", 1, L"\"we\"\"ird\" y", L"\" y"},
        {L"x AS name, y", L"name", 1, L"name, y", L"e, y"},
        {L"x AS t.c)", L"t.c", 1, L"t.c)", L"c)"},
        {L"x AS []", L"", 0, L"[]", L"]"},
    };
    for (const Case& c : tab) {
        CTString clName;
        unsigned long nFirst = 0, nLast = 0;
        EXPECT_EQ(CNACommand::s_bGetItemNameAndPos(&clName, &nFirst, &nLast, c.pszText, 4), c.bFound) << c.pszText;
        EXPECT_STREQ(clName.pszGet() != nullptr ? clName.pszGet() : L"", c.pszName) << c.pszText;
        EXPECT_STREQ(c.pszText + nFirst, c.pszFirst) << c.pszText;
        EXPECT_STREQ(c.pszText + nLast, c.pszLast) << c.pszText;
    }
    CTString clName;
    unsigned long nFirst = 0, nLast = 0;
    EXPECT_EQ(CNACommand::s_bGetItemNameAndPos(&clName, &nFirst, &nLast, L"x AS  , ", 4), 0);
    EXPECT_EQ(nFirst, static_cast<unsigned long>(-1));
    EXPECT_EQ(nLast, static_cast<unsigned long>(-1));
}

// Where a query run as the host wrote it loses its own ORDER BY: never inside a literal, a quoted
// identifier, a comment or a sub-query.
struct OrderByCase {
    const wchar_t* pszText;
    int nMajor;
    const wchar_t* pszCut;  // the text from the cut on; null: no cut
};
const OrderByCase s_tabOrderBy[] = {
    {L"SELECT a FROM t ORDER BY a", 15, L"ORDER BY a"},
    {L"SELECT a FROM t order by a", 15, L"order by a"},
    {L"SELECT a FROM t Order By a", 15, nullptr},
    {L"SELECT a FROM t WHERE b='x ORDER BY y'", 15, nullptr},
    {L"SELECT a FROM t WHERE b='x ORDER BY y' ORDER BY a", 15, L"ORDER BY a"},
    {L"SELECT a FROM t WHERE b='it''s ORDER BY y' ORDER BY a", 15, L"ORDER BY a"},
    {L"SELECT a AS \"ORDER BY\" FROM t", 15, nullptr},
    {L"SELECT a FROM (SELECT a FROM t ORDER BY a) s", 15, nullptr},
    {L"SELECT a FROM (SELECT a FROM t ORDER BY a) s ORDER BY a", 15, L"ORDER BY a"},
    {L"SELECT a FROM t -- ORDER BY x\n ORDER BY a", 15, L"ORDER BY a"},
    {L"SELECT a /* ORDER BY /* nested */ ORDER BY */ FROM t", 15, nullptr},
    {L"SELECT a FROM t WHERE b=E'it\\'s ORDER BY y' ORDER BY a", 15, L"ORDER BY a"},
    {L"SELECT $$ ORDER BY $$ FROM t", 15, nullptr},
    {L"SELECT $q$ ORDER BY $q$ FROM t ORDER BY a", 15, L"ORDER BY a"},
    // A backslash escapes the quote only where the server reads it so.
    {L"SELECT a FROM t WHERE b='x\\' ORDER BY a", 15, L"ORDER BY a"},
    {L"SELECT a FROM t WHERE b='x\\' ORDER BY y' ORDER BY a", 8, L"ORDER BY a"},
    {L"SELECT a FROM t WHERE b='x\\' ORDER BY y'", 8, nullptr},
};

TEST_F(NACommandScanTest, OrderByCutNeverInsideLiteralsIdentifiersOrSubQueries) {
    for (const OrderByCase& c : s_tabOrderBy) {
        const long nCut = CNACommand::s_nGetOrderByCut(pclConnection(6, c.nMajor), c.pszText);
        if (c.pszCut == nullptr) {
            EXPECT_EQ(nCut, -1) << c.pszText;
            continue;
        }
        ASSERT_GE(nCut, 0) << c.pszText;
        EXPECT_STREQ(c.pszText + nCut, c.pszCut) << c.pszText;
    }
}

TEST_F(NACommandScanTest, OrderByCutLeavesAQueryTheServerReads) {
    KX_PG_FIXTURE_SESSION(clPg);
    for (const OrderByCase& c : s_tabOrderBy) {
        // The fixtures written for a server that reads backslashes as escapes, under that setting.
        const char* pszSetting = c.nMajor < 9 ? "SET standard_conforming_strings = off" : "RESET standard_conforming_strings";
        ASSERT_TRUE(clPg.bExec(pszSetting)) << clPg.sError();
        const long nCut = CNACommand::s_nGetOrderByCut(pclConnection(6, c.nMajor), c.pszText);
        const std::wstring s(c.pszText);
        EXPECT_EQ(clPg.sExplain(s), "") << c.pszText;
        EXPECT_EQ(clPg.sExplain(nCut < 0 ? s : s.substr(0, static_cast<size_t>(nCut))), "") << c.pszText;
    }
}

TEST_F(NACommandScanTest, ClausePositions) {
    const std::wstring s = L"SELECT a FROM t WHERE x=1 GROUP BY a HAVING count(*)>1 ORDER BY a";
    const long nLength = static_cast<long>(s.size());
    const long nFrom = nIndexOf(s, L"FROM"), nWhere = nIndexOf(s, L"WHERE"), nGroup = nIndexOf(s, L"GROUP"),
               nHaving = nIndexOf(s, L"HAVING"), nOrder = nIndexOf(s, L"ORDER");
    CNACommand::stClausePositions stAll{nLength, nFrom, nWhere - 2, nWhere, nGroup - 2, nGroup, nHaving - 2,
                                        nHaving, nOrder - 2, nOrder};
    struct Case {
        const char* pszName;
        CNACommand::stClausePositions st;
        CNASqlElt::eSQLELT eKind;
        long nStart, nStop;
    };
    CNACommand::stClausePositions stNoWhere = stAll;
    stNoWhere.nWhereStart = stNoWhere.nWhereStop = -1;
    CNACommand::stClausePositions stOnlyFrom = stAll;
    stOnlyFrom.nWhereStart = stOnlyFrom.nGroupByStart = stOnlyFrom.nHavingStart = stOnlyFrom.nOrderByStart = -1;
    const Case tab[] = {
        {"select list", stAll, CNASqlElt::SQLELT_SELECT, nFrom - 1, nFrom - 1},
        {"FROM", stAll, CNASqlElt::SQLELT_FROM, nFrom, nWhere - 2},
        {"WHERE", stAll, CNASqlElt::SQLELT_WHERE, nWhere, nGroup - 2},
        {"GROUP BY", stAll, CNASqlElt::SQLELT_GROUPBY, nGroup, nHaving - 2},
        {"HAVING", stAll, CNASqlElt::SQLELT_HAVING, nHaving, nOrder - 2},
        {"ORDER BY stops at the end", stAll, CNASqlElt::SQLELT_ORDERBY, nOrder, nLength},
        {"no WHERE: before GROUP BY", stNoWhere, CNASqlElt::SQLELT_WHERE, nGroup - 1, nGroup - 1},
        {"no WHERE nor later clause: the end", stOnlyFrom, CNASqlElt::SQLELT_WHERE, nLength, nLength},
        {"no ORDER BY: the end", stOnlyFrom, CNASqlElt::SQLELT_ORDERBY, nLength, nLength},
        {"bind variables: the end", stAll, CNASqlElt::SQLELT_BINDVAR, nLength, nLength},
    };
    for (const Case& c : tab) {
        unsigned long nStart = 0, nStop = 0;
        CNACommand::s_GetClausePos(c.st, c.eKind, &nStart, &nStop);
        EXPECT_EQ(static_cast<long>(nStart), c.nStart) << c.pszName;
        EXPECT_EQ(static_cast<long>(nStop), c.nStop) << c.pszName;
    }
}

TEST_F(NACommandScanTest, ClauseElementsKeepTheirSpan) {
    CNARefArray<CNASqlElt> tab(30, 0);
    EXPECT_EQ(g_llAddSqlElt(&tab, CNASqlElt::SQLELT_WHERE, 16, 25), 25);
    EXPECT_EQ(g_llAddSqlElt(&tab, CNASqlElt::SQLELT_ORDERBY, 26, 40), 40);
    ASSERT_EQ(tab.nGetNbElement(), 2);
    EXPECT_EQ(tab[0]->eGetKind(), CNASqlElt::SQLELT_WHERE);
    EXPECT_EQ(tab[0]->llGetStart(), 16);
    EXPECT_EQ(tab[1]->llGetEnd(), 40);
    EXPECT_EQ(tab[1]->nGetRef(), 1u);
    EXPECT_STREQ(tab[1]->pszGetText(), L"");
    EXPECT_EQ(g_llAddSqlElt(nullptr, CNASqlElt::SQLELT_FROM, 1, 2), -1);
}

}  // namespace
