// The SQL-layer statement over the scripted client library: parameter values written in place of
// their placeholders (what reaches the client library is the oracle), files as values, rows as one
// text, column names and lists, the single-value query, the column table's bounds, the query dump,
// and the statement numbers.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/XYStringConcat.h"
#include "pgsql/NAColumnSQL.h"
#include "tests/host/StandInTabValParser.h"
#include "tests/host/TempDir.h"
#include "tests/pgsql/FakeStatementSupport.h"

using namespace pgtest;
using standin::CStandInTabValParser;

namespace {

CAny clInteger(int n) {
    CAny cl;
    cl.SetI4(n);
    return cl;
}
CAny clText(const wchar_t* psz) {
    CAny cl;
    cl.__SetType(VQTYPE_PSTRW, 0);
    cl.pclGetValeur()->SetValue(psz);
    cl.ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    return cl;
}

class NAStatementSQLTest : public CFakeStatementTest {};

// ------------------------------------------------------------------------------------ parameters

// The values go where their placeholders were, in table order, as the connection writes them as
// literals; the host's positions never make the text be read outside itself or sent twice.
TEST_F(NAStatementSQLTest, ParametersReplaceTheirPlaceholders) {
    const std::wstring sSQL = L"SELECT ?, ? FROM t WHERE a = ?";
    const CAny clOne = clInteger(1), clX = clText(L"x"), clQuote = clText(L"O'B");
    struct stCase {
        const char* pszName;
        std::vector<CStandInTabValParser::stEntry> aEntries;
        std::string sSent;
    } tabCases[] = {
        {"no entry", {}, "SELECT ?, ? FROM t WHERE a = ?"},
        {"in order", {{&clOne, 7, 1}, {&clX, 10, 1}, {&clQuote, 29, 1}}, "SELECT 1, 'x' FROM t WHERE a = 'O''B'"},
        {"two values on one placeholder", {{&clOne, 7, 1}, {&clX, 7, 1}}, "SELECT 1'x', ? FROM t WHERE a = ?"},
        {"placeholders out of order", {{&clOne, 10, 1}, {&clX, 7, 1}}, "SELECT ?, 1'x' FROM t WHERE a = ?"},
        {"placeholder of two characters", {{&clX, 7, 4}}, "SELECT 'x' FROM t WHERE a = ?"},
        {"position past the end", {{&clOne, 1000, 3}}, "SELECT ?, ? FROM t WHERE a = ?1"},
        {"length past the end", {{&clOne, 29, 50}}, "SELECT ?, ? FROM t WHERE a = 1"},
        {"negative position and length", {{&clOne, -5, -2}}, "1SELECT ?, ? FROM t WHERE a = ?"},
    };
    for (const stCase& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszName);
        CStandInTabValParser clParameters(stCase.aEntries);
        CStatementRef clStatement(pclNew());
        st().aExec.clear();
        EXPECT_EQ(clStatement->bExecuteDirect(sSQL.c_str(), &clParameters, 0), 1) << sOf(m_clError->pszGetError());
        EXPECT_EQ(st().aExec, std::vector<std::string>{stCase.sSent});
        EXPECT_EQ(clParameters.m_nBadIndex, 0);
    }
}

// A file parameter sends the file's content: as bytes, or as text with the text flag; a file that
// cannot be read stops the statement before anything is sent.
TEST_F(NAStatementSQLTest, FilesAsParameters) {
    CTempDir clDir("kxstmtsql");
    ASSERT_TRUE(clDir.bMade());
    const std::string sFile = clDir.sPath() + "/value.bin";
    FILE* pf = fopen(sFile.c_str(), "wb");
    ASSERT_NE(pf, nullptr);
    fwrite("A'\\", 1, 3, pf);
    fclose(pf);
    const CAny clFile = clText(wsOf(sFile).c_str());
    const CAny clMissing = clText(wsOf(clDir.sPath() + "/missing").c_str());

    struct stCase {
        const char* pszName;
        const CAny* pclValue;
        unsigned dwFlags;
        int bOk;
        std::string sSent;
    } tabCases[] = {
        {"bytes", &clFile, CTabValParser::FLAG_FILE, 1, "SELECT '\\x41275c'"},
        {"text", &clFile, CTabValParser::FLAG_FILE | CTabValParser::FLAG_FILE_TEXT, 1, "SELECT 'A''\\'"},
        {"text flag alone: the name itself", &clFile, CTabValParser::FLAG_FILE_TEXT, 1, "SELECT '" + sFile + "'"},
        {"missing file", &clMissing, CTabValParser::FLAG_FILE, 0, ""},
    };
    for (const stCase& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszName);
        m_clError->Reset();
        CStandInTabValParser clParameters({{stCase.pclValue, 7, 1, stCase.dwFlags}});
        CStatementRef clStatement(pclNew());
        st().aExec.clear();
        EXPECT_EQ(clStatement->bExecuteDirect(L"SELECT ?", &clParameters, 0), stCase.bOk);
        if (stCase.bOk) {
            EXPECT_EQ(st().aExec, std::vector<std::string>{stCase.sSent});
        } else {
            EXPECT_TRUE(st().aExec.empty());
            EXPECT_GT(nErrorCount(m_clError.p()), 0);
        }
    }
}

// A value the connection cannot write as a literal stops the statement: nothing is sent.
TEST_F(NAStatementSQLTest, ValueWithoutLiteralSendsNothing) {
    CAny clDate;
    clDate.__SetType(VQTYPE_DATEW, 0);
    clDate.pclGetValeur()->SetValue(L"not a date");
    clDate.ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    const CAny clOne = clInteger(1);
    CStandInTabValParser clParameters({{&clOne, 7, 1, 0}, {&clDate, 10, 1, 0}});
    CStatementRef clStatement(pclNew());
    EXPECT_EQ(clStatement->bExecuteDirect(L"SELECT ?, ?", &clParameters, 0), 0);
    EXPECT_TRUE(st().aExec.empty());
    EXPECT_GT(nErrorCount(m_clError.p()), 0);
}

// ------------------------------------------------------------------------------------ rows and columns

// A row as one text: NULL and empty values leave their separators; a count of columns below the
// result's reads that many, any other count all of them.
TEST_F(NAStatementSQLTest, RowAsOneText) {
    stFakeServerResult stResult;
    stResult.nStatus = 2;
    stResult.aColumns = {"a", "b", "c"};
    stResult.aRows = {{"1", FAKESERVER_NULL, "x"}, {FAKESERVER_NULL, FAKESERVER_NULL, FAKESERVER_NULL}, {"", "é", ""}};
    Script("SELECT rows", stResult);
    CStatementRef clStatement(pclNew());
    ASSERT_EQ(clStatement->bExecuteDirect(L"SELECT rows", nullptr, 0), 1);

    struct stCase {
        const wchar_t* pszSeparator;
        int n;
        std::wstring sRow;
    };
    const std::vector<std::vector<stCase>> aRows = {
        {{L", ", 0, L"1, , x"},
         {L", ", 5, L"1, , x"},
         {L", ", 2, L"1, "},
         {L", ", 1, L"1"},
         {L"", 0, L"1x"},
         {nullptr, 3, L"1x"}},
        {{L", ", 0, L", , "}, {L"\t", -1, L"\t\t"}},
        {{L"|", 0, L"|\u00e9|"}},
    };
    for (size_t nRow = 0; nRow < aRows.size(); nRow++) {
        ASSERT_EQ(clStatement->bFetch(0), 1);
        ASSERT_EQ(clStatement->bIsEnd(), 0u);
        for (const stCase& stCase : aRows[nRow]) {
            SCOPED_TRACE("row " + std::to_string(nRow) + ", count " + std::to_string(stCase.n));
            CXYStringConcat<wchar_t> clRow(16);
            clRow.Add(L"left over");
            EXPECT_EQ(clStatement->bGetRow(&clRow, stCase.pszSeparator, stCase.n, 0), 1);
            EXPECT_EQ(std::wstring(clRow.pszGet()), stCase.sRow);
            CAny clValue;
            EXPECT_EQ(clStatement->bGetRow(&clValue, stCase.pszSeparator, stCase.n, 0), 1);
            EXPECT_EQ(clValue.nGetTypeCode(), VQTYPE_PSTRW);
            EXPECT_EQ(osText(clValue), stCase.sRow);
        }
    }
    EXPECT_EQ(nErrorCount(m_clError.p()), 0);

    // Past the last row no row is current: user error 7, and the variant still gets the (empty) text.
    ASSERT_EQ(clStatement->bFetch(0), 1);
    ASSERT_EQ(clStatement->bIsEnd(), 1u);
    CAny clValue = clInteger(5);
    EXPECT_EQ(clStatement->bGetRow(&clValue, L", ", 0, 0), 0);
    EXPECT_EQ(osText(clValue), L"");
    stError stMain = stGetError(m_clError.p());
    EXPECT_EQ(stMain.nCode, 7u);
    EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(50, 3)));
}

// Column names as wide text values and as one list; a column outside the result is user error 50
// with its number and the count.
TEST_F(NAStatementSQLTest, ColumnNamesAndBounds) {
    stFakeServerResult stResult;
    stResult.nStatus = 2;
    stResult.aColumns = {"id", "nom", "\xc3\xa9t\xc3\xa9"};
    Script("SELECT names", stResult);
    CStatementRef clStatement(pclNew());
    CAny clList;
    // Before any result: no column, nothing written.
    EXPECT_EQ(clStatement->bGetColumnList(&clList, 0), 1);
    EXPECT_EQ(clList.nGetTypeCode(), VQTYPE_VIDE);
    ASSERT_EQ(clStatement->bExecuteDirect(L"SELECT names", nullptr, 0), 1);

    EXPECT_EQ(clStatement->bGetColumnList(&clList, 0), 1);
    EXPECT_EQ(clList.nGetTypeCode(), VQTYPE_DSTRW);
    EXPECT_EQ(osText(clList), L"id\r\nnom\r\n\u00e9t\u00e9");
    int nColumns = 0;
    EXPECT_EQ(clStatement->bGetColumnNbr(&nColumns, 0), 1);
    EXPECT_EQ(nColumns, 3);
    CAny clName;
    EXPECT_EQ(clStatement->bGetColumnName(&clName, 1, 0), 1);
    EXPECT_EQ(clName.nGetTypeCode(), VQTYPE_PSTRW);
    EXPECT_EQ(clName.bIsNull(), 0);
    EXPECT_EQ(osText(clName), L"nom");
    EXPECT_EQ(nErrorCount(m_clError.p()), 0);

    const struct {
        int n;
        const wchar_t* pszMessage;
    } tabOutside[] = {{3, L"The column 3 does not exist: the result has 3 columns."},
                      {-1, L"The column -1 does not exist: the result has 3 columns."}};
    for (const auto& stCase : tabOutside) {
        SCOPED_TRACE(stCase.n);
        m_clError->Reset();
        EXPECT_EQ(clStatement->pclGetNAColumnSQL(stCase.n), nullptr);
        stError stMain = stGetError(m_clError.p());
        EXPECT_EQ(stMain.nCode, 50u);
        EXPECT_EQ(stMain.nInfoCode, 50u);
        EXPECT_TRUE(bContains(stMain.sUser, stCase.pszMessage)) << sOf(stMain.sUser.c_str());
        EXPECT_TRUE(bContains(stMain.sDebug, wsDebugLine(50, 1)));
    }
    m_clError->Reset();
    EXPECT_EQ(clStatement->bGetColumnName(&clName, 3, 0), 0);
    EXPECT_EQ(clStatement->_pszGetColumnName(7), nullptr);
    EXPECT_EQ(clStatement->_eGetColumnType(7), static_cast<eNA_ITEMTYPE>(0));
    EXPECT_EQ(stGetError(m_clError.p()).nCode, 50u);
}

// The single-value query: the value of the first row, nothing when there is no row; the statement
// is reset afterwards whatever happened.
TEST_F(NAStatementSQLTest, RequestedValue) {
    stFakeServerResult stRow;
    stRow.nStatus = 2;
    stRow.aColumns = {"a", "b"};
    stRow.aRows = {{"first", "second"}, {"x", "y"}};
    Script("SELECT two", stRow);
    stFakeServerResult stEmpty = stRow;
    stEmpty.aRows.clear();
    Script("SELECT none", stEmpty);
    stFakeServerResult stRefused;
    stRefused.nStatus = 7;
    stRefused.sSQLState = "42601";
    stRefused.sMessage = "syntax error";
    Script("SELEC", stRefused);

    const struct {
        const char* pszSQL;
        int nColumn;
        int bOk;
        std::optional<std::wstring> osValue;
    } tabCases[] = {
        {"SELECT two", 1, 1, L"second"}, {"SELECT two", 0, 1, L"first"},     {"SELECT none", 0, 1, L"untouched"},
        {"SELEC", 0, 0, L"untouched"},   {"SELECT two", 2, 0, L"untouched"},
    };
    CStatementRef clStatement(pclNew());
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(std::string(stCase.pszSQL) + " " + std::to_string(stCase.nColumn));
        CAny clValue = clText(L"untouched");
        EXPECT_EQ(clStatement->bGetRequestedValue(&clValue, stCase.nColumn, wsOf(stCase.pszSQL).c_str()), stCase.bOk);
        EXPECT_EQ(osText(clValue), stCase.osValue);
        EXPECT_EQ(clStatement->bIsResultOpen(), 0u);
        EXPECT_EQ(clStatement->nGetNbColumn(), 0u);
        EXPECT_EQ(clStatement->bIsEnd(), 1u);
        EXPECT_EQ(st().nLiveResults, 0);
    }
}

// The dump of a refused query: the server, database and user, then at most the first 5000
// characters of the text.
TEST_F(NAStatementSQLTest, RefusedQueryDumpKeepsTheStartOfTheText) {
    const std::string sSQL = "SELECT '" + std::string(6000, 'q') + "'";
    stFakeServerResult stRefused;
    stRefused.nStatus = 7;
    stRefused.sSQLState = "54001";
    stRefused.sMessage = "statement too complex";
    Script(sSQL, stRefused);
    CStatementRef clStatement(pclNew());
    EXPECT_EQ(clStatement->bExecuteDirect(wsOf(sSQL).c_str(), nullptr, 0), 0);
    stError stMain = stGetError(m_clError.p());
    EXPECT_EQ(stMain.nCode, 80u);
    const std::wstring sHead = L"Query on the server 127.0.0.1, database , user tester:";
    const size_t nHead = stMain.sDebug.find(sHead);
    ASSERT_NE(nHead, std::wstring::npos) << sOf(stMain.sDebug.c_str());
    const std::wstring sKept = wsOf(sSQL.substr(0, 5000));
    const size_t nText = stMain.sDebug.find(sKept, nHead);
    ASSERT_NE(nText, std::wstring::npos);
    EXPECT_EQ(stMain.sDebug.find(wsOf(sSQL.substr(0, 5001)), nHead), std::wstring::npos);
}

// Statements are numbered in the order they are made, from 1.
TEST_F(NAStatementSQLTest, StatementNumbersCountFromOne) {
    CNAStatementSQL::m_gnStmtGenerator = 0;
    CStatementRef clFirst(pclNew());
    CStatementRef clSecond(pclNew());
    EXPECT_EQ(clFirst->nGetStmtNumber(), 1u);
    EXPECT_EQ(clSecond->nGetStmtNumber(), 2u);
}

// Without its client library's statement, the base class fails every hook and holds no result.
TEST_F(NAStatementSQLTest, BaseHooksFail) {
    CStatementRef clStatement(new CNAStatementSQL(m_clCnx.pcl(), m_clError.p()));
    unsigned long nRows = 0;
    CAny clValue;
    EXPECT_EQ(clStatement->bExecuteDirect(L"SELECT 1", nullptr, 0), 0);
    EXPECT_EQ(clStatement->bFetch(0), 0);
    EXPECT_EQ(clStatement->bDataSeek(1), 0);
    EXPECT_EQ(clStatement->bGetAffected_rows(&nRows), 0);
    EXPECT_EQ(clStatement->bPrepareSQL(nullptr), 0);
    EXPECT_EQ(clStatement->bExecutePreparedQuery(0), 0);
    EXPECT_EQ(clStatement->bGetValue(&clValue, 0, 0), 0);
    EXPECT_TRUE(st().aExec.empty());
    INAError* piError = nullptr;
    EXPECT_EQ(clStatement->bGetStmtLastError(&piError), 1);
    EXPECT_EQ(piError, m_clError.p());
}

}  // namespace
