// The command builder's text and parameters: formatted SQL from text and values (each text also
// run through EXPLAIN on the test server), edits that move the parameters with the text, a failed
// formatting that leaves nothing behind, file values, commands added to commands, query kinds and
// value classes, the dump, and the order of the command's virtual operations.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <functional>
#include <memory>

#include "native/driver/NADriver.h"
#include "native/model/NAConvertVariant.h"
#include "native/sql/NACommand.h"
#include "native/sql/SQLParserInfo.h"
#include "tests/host/TempDir.h"
#include "tests/sql/CommandTestSupport.h"
#include "tests/sql/PgFixtureTables.h"

namespace {

using sqltest::CommandTest;
using sqltest::P;
using sqltest::stNarrow;
using sqltest::stNull;
using sqltest::stPiece;
using sqltest::T;

class NACommandTest : public CommandTest {};

struct FormatCase {
    const char* pszName;
    std::vector<stPiece> tabPieces;
    const wchar_t* pszExpected;
};

// Values become literals between the pieces of text; a blank goes before a piece of text that meets
// a literal without one, never before a literal.
const std::vector<FormatCase>& tabFormatCases() {
    static const std::vector<FormatCase> s_tab = {
        {"no parameter", {T(L"SELECT a FROM t")}, L"SELECT a FROM t"},
        {"blank before the text after a literal", {T(L"SELECT a FROM t WHERE (x="), P(5), T(L")")},
         L"SELECT a FROM t WHERE (x=5 )"},
        {"parameter at the end", {T(L"SELECT a FROM t WHERE x="), P(5)}, L"SELECT a FROM t WHERE x=5"},
        {"no second blank", {T(L"SELECT a FROM t WHERE x = "), P(5), T(L" AND c=1")},
         L"SELECT a FROM t WHERE x = 5 AND c=1"},
        {"values of an INSERT",
         {T(L"INSERT INTO t (a,b) VALUES ( "), P(7), T(L", "), P(std::wstring(L"O'Br\\ien")), T(L" )")},
         L"INSERT INTO t (a,b) VALUES ( 7 , 'O''Br\\ien' )"},
        {"a hostile text stays one literal", {T(L"SELECT a FROM t WHERE b="), P(std::wstring(L"x' OR '1'='1"))},
         L"SELECT a FROM t WHERE b='x'' OR ''1''=''1'"},
        {"parameters side by side", {T(L"SELECT a FROM t WHERE x IN ("), P(1), T(L","), P(2), T(L")")},
         L"SELECT a FROM t WHERE x IN (1 ,2 )"},
        {"NULL", {T(L"UPDATE t SET b = "), P(stNull{}), T(L" WHERE a="), P(3)}, L"UPDATE t SET b = NULL WHERE a=3"},
        {"8-bit text of the host's code page", {T(L"SELECT a FROM t WHERE b="), P(stNarrow{"caf\xE9"})},
         L"SELECT a FROM t WHERE b='caf\u00E9'"},
    };
    return s_tab;
}

TEST_F(NACommandTest, FormattedSQLFromTextAndValues) {
    for (const FormatCase& c : tabFormatCases()) {
        CNACommand* pcl = pclBuild(pclConnection(), c.tabPieces);
        EXPECT_EQ(sFormat(pcl), c.pszExpected) << c.pszName;
        // The 8-bit form is the server's UTF-8.
        const char* pszA = pcl->pszGetFormatedSQLA(CNACommand::PARAMTYPECONV_NONE);
        ASSERT_NE(pszA, nullptr) << c.pszName;
        EXPECT_EQ(std::string(pszA), pgtest::sUTF8(c.pszExpected)) << c.pszName;
    }
}

TEST_F(NACommandTest, FormattedSQLRunsOnTheServer) {
    KX_PG_FIXTURE_SESSION(clPg);
    for (const FormatCase& c : tabFormatCases())
        EXPECT_EQ(clPg.sExplain(sFormat(pclBuild(pclConnection(), c.tabPieces))), "") << c.pszName;
}

TEST_F(NACommandTest, FreshAndResetCommandsAreEmpty) {
    CNACommand* pcl = pclCommand();
    EXPECT_TRUE(pcl->bIsEmpty());
    EXPECT_EQ(sFormat(pcl), L"");
    pcl->bComplete(L"SELECT a FROM t WHERE x=");
    AddParameter(pcl, 5);
    pcl->SetRowLimit(10);
    pcl->SetRowOffset(20);
    EXPECT_FALSE(pcl->bIsEmpty());
    EXPECT_EQ(sFormat(pcl), L"SELECT a FROM t WHERE x=5 LIMIT 10 OFFSET 20");

    // Keeping the parameters: they stay for a text written anew.
    pcl->ResetCommand(1);
    EXPECT_TRUE(pcl->bIsEmpty());
    EXPECT_EQ(pcl->nGetParameterNbr(), 1);
    EXPECT_EQ(pcl->llGetRowLimit(), -1);
    EXPECT_EQ(pcl->llGetRowOffset(), -1);
    pcl->bComplete(L"SELECT a FROM t WHERE x=");
    EXPECT_EQ(sFormat(pcl), L"SELECT a FROM t WHERE x=5");

    pcl->ResetCommand(0);
    EXPECT_TRUE(pcl->bIsEmpty());
    EXPECT_EQ(pcl->nGetParameterNbr(), 0);
    EXPECT_EQ(sFormat(pcl), L"");
}

TEST_F(NACommandTest, TheDriverMakesCommands) {
    sqltest::CTestConnection* pclCnx = pclConnection();
    const unsigned nErrorRefs = m_pclError->nGetRef(), nCnxRefs = pclCnx->nGetRef();
    ASSERT_NE(CNADriver::s_pclDriver, nullptr);
    CNACommand* pcl = CNADriver::s_pclDriver->pclAllocCommand(m_pclError, pclCnx);
    ASSERT_NE(pcl, nullptr);
    // Nobody holds it yet; it holds its error object and connection.
    EXPECT_EQ(pcl->nGetRef(), 0u);
    EXPECT_EQ(pcl->pclGetConnectionNoRef(), pclCnx);
    EXPECT_EQ(m_pclError->nGetRef(), nErrorRefs + 1);
    EXPECT_EQ(pclCnx->nGetRef(), nCnxRefs + 1);
    EXPECT_EQ(pcl->nGetColumnMode(), 3u);
    EXPECT_EQ(pcl->llGetRowLimit(), -1);
    pcl->AddRef();
    pcl->nRelease();
    EXPECT_EQ(m_pclError->nGetRef(), nErrorRefs);
    EXPECT_EQ(pclCnx->nGetRef(), nCnxRefs);
}

TEST_F(NACommandTest, TextAppendsOfTheirOwn) {
    sqltest::CTestConnection* pclCnx = pclConnection();
    CNACommand* pcl = pclBuild(pclCnx, {T(L"INSERT INTO t (a) VALUES ( "), P(1), T(L" )")});
    EXPECT_TRUE(pcl->bAddReturning(L"\"a\""));
    EXPECT_EQ(sFormat(pcl), L"INSERT INTO t (a) VALUES ( 1 ) RETURNING \"a\"");

    CNACommand* pclNumber = pclCommand(pclCnx);
    pclNumber->bComplete(L"SELECT a FROM t WHERE x=");
    EXPECT_TRUE(pclNumber->bCompleteWithNumber(-12));
    EXPECT_STREQ(pclNumber->pszGetOriginalSQL(), L"SELECT a FROM t WHERE x=-12");
    // n characters only.
    pclNumber->bComplete(L" AND c=1 trailing", 8);
    EXPECT_STREQ(pclNumber->pszGetOriginalSQL(), L"SELECT a FROM t WHERE x=-12 AND c=1");

    // The record-lock hint only when the connection has one.
    CNACommand* pclLock = pclCommand(pclCnx);
    pclLock->bComplete(L"SELECT a FROM t");
    EXPECT_TRUE(pclLock->bAddRecordLock());
    EXPECT_STREQ(pclLock->pszGetOriginalSQL(), L"SELECT a FROM t");
    pclCnx->SetNoLockHint(L"FOR UPDATE");
    EXPECT_TRUE(pclLock->bAddRecordLock());
    EXPECT_STREQ(pclLock->pszGetOriginalSQL(), L"SELECT a FROM t FOR UPDATE");

    CNACommand* pclInternal = pclCommand(pclCnx);
    pclInternal->SetColumnMode(1);
    EXPECT_TRUE(pclInternal->bSetInternalQuery(L"SELECT 1"));
    EXPECT_EQ(pclInternal->nGetColumnMode(), 3u);
}

TEST_F(NACommandTest, EditsMoveTheParametersWithTheText) {
    // "SELECT a FROM t WHERE x=" holds 24 characters, " AND c=" 7 more.
    struct Case {
        const char* pszName;
        std::function<void(CNACommand*)> Edit;
        std::vector<unsigned long> tabPositions;
        const wchar_t* pszExpected;
        bool bValidSQL;
    };
    const Case tab[] = {
        {"insert before both", [](CNACommand* p) { p->Insert(7, L"DISTINCT "); }, {33, 40},
         L"SELECT DISTINCT a FROM t WHERE x=5 AND c=6", true},
        {"insert at a parameter moves it", [](CNACommand* p) { p->Insert(24, L"-"); }, {25, 32},
         L"SELECT a FROM t WHERE x=-5 AND c=6", true},
        {"insert between", [](CNACommand* p) { p->Insert(25, L"OR c=1 "); }, {24, 38},
         L"SELECT a FROM t WHERE x=5 OR c=1 AND c=6", true},
        {"replace by a longer text", [](CNACommand* p) { p->Replace(16, 5, L"WHERE NOT"); }, {28, 35},
         L"SELECT a FROM t WHERE NOT x=5 AND c=6", true},
        {"replace by a shorter text", [](CNACommand* p) { p->Replace(9, 6, L"FROM t"); }, {24, 31},
         L"SELECT a FROM t WHERE x=5 AND c=6", true},
        {"a cut at a parameter drops it", [](CNACommand* p) { p->Tronque(31); }, {24},
         L"SELECT a FROM t WHERE x=5 AND c=", false},
        {"a cut before both", [](CNACommand* p) { p->Tronque(15); }, {}, L"SELECT a FROM t", true},
        {"offset from a place", [](CNACommand* p) { p->_OffsetParameter(25, -3); }, {24, 28},
         L"SELECT a FROM t WHERE x=5 AND6 c=", false},
        {"never in front of the place", [](CNACommand* p) { p->_OffsetParameter(25, -20); }, {24, 25},
         L"SELECT a FROM t WHERE x=5 6 AND c=", false},
    };
    const std::unique_ptr<pgtest::CPgSession> pclPg = sqltest::pclFixtureSession();
    for (const Case& c : tab) {
        CNACommand* pcl = pclBuild(pclConnection(), {T(L"SELECT a FROM t WHERE x="), P(5), T(L" AND c="), P(6)});
        ASSERT_EQ(tabPositions(pcl), (std::vector<unsigned long>{24, 31}));
        c.Edit(pcl);
        EXPECT_EQ(tabPositions(pcl), c.tabPositions) << c.pszName;
        const std::wstring sFormatted = sFormat(pcl);
        EXPECT_EQ(sFormatted, c.pszExpected) << c.pszName;
        if (pclPg != nullptr && c.bValidSQL) {
            EXPECT_EQ(pclPg->sExplain(sFormatted), "") << c.pszName;
        }
    }
}

// Commands formatted one after the other through one kept skeleton, as a statement sends its seeks:
// each gives its whole text, its own value, row limit and offset in it, whether the skeleton serves
// it (the same text, another value, two texts in turn) or not (another text, limit or offset, two
// values, a TOP, a LIMIT 0 of the text's own); and the command still gives that whole text when
// asked afterwards.
TEST_F(NACommandTest, SkeletonOfOneValueGivesEachWholeText) {
    const std::wstring sById = L"SELECT a FROM t WHERE x=";
    const struct {
        const char* pszName;
        std::vector<stPiece> tabPieces;
        int64_t llLimit, llOffset;
        const wchar_t* pszExpected;
    } tabSteps[] = {
        {"first", {T(sById), P(5), T(L" ORDER BY x")}, 100, -1, L"SELECT a FROM t WHERE x=5 ORDER BY x LIMIT 100"},
        {"another value", {T(sById), P(123456), T(L" ORDER BY x")}, 100, -1,
         L"SELECT a FROM t WHERE x=123456 ORDER BY x LIMIT 100"},
        {"NULL", {T(sById), P(stNull{}), T(L" ORDER BY x")}, 100, -1, L"SELECT a FROM t WHERE x=NULL ORDER BY x LIMIT 100"},
        {"another limit", {T(sById), P(6), T(L" ORDER BY x")}, 20, -1, L"SELECT a FROM t WHERE x=6 ORDER BY x LIMIT 20"},
        {"an offset", {T(sById), P(7), T(L" ORDER BY x")}, 20, 40,
         L"SELECT a FROM t WHERE x=7 ORDER BY x LIMIT 20 OFFSET 40"},
        {"no limit", {T(sById), P(8), T(L" ORDER BY x")}, -1, -1, L"SELECT a FROM t WHERE x=8 ORDER BY x"},
        {"a text", {T(L"SELECT a FROM t WHERE b="), P(std::wstring(L"x' OR '\u00E9")), T(L" ORDER BY b")}, 100, -1,
         L"SELECT a FROM t WHERE b='x'' OR ''\u00E9' ORDER BY b LIMIT 100"},
        {"another text", {T(L"SELECT a FROM t WHERE b="), P(std::wstring(L"\u20AC ")), T(L" ORDER BY b")}, 100, -1,
         L"SELECT a FROM t WHERE b='\u20AC ' ORDER BY b LIMIT 100"},
        {"a LIMIT 0 of its own", {T(sById), P(5), T(L" AND y=1 LIMIT 0")}, 100, -1,
         L"SELECT a FROM t WHERE x=5 AND y=1 LIMIT 0"},
        {"again", {T(sById), P(9), T(L" AND y=1 LIMIT 0")}, 100, -1, L"SELECT a FROM t WHERE x=9 AND y=1 LIMIT 0"},
        // The TOP goes, the blanks around it stay.
        {"a TOP", {T(L"SELECT TOP 5 a FROM t WHERE x="), P(5), T(L" ORDER BY x")}, -1, -1,
         L"SELECT  a FROM t WHERE x=5 ORDER BY x LIMIT 5"},
        {"a TOP again", {T(L"SELECT TOP 5 a FROM t WHERE x="), P(6), T(L" ORDER BY x")}, -1, -1,
         L"SELECT  a FROM t WHERE x=6 ORDER BY x LIMIT 5"},
        {"two values", {T(sById), P(1), T(L" AND y="), P(2), T(L" ORDER BY x")}, 100, -1,
         L"SELECT a FROM t WHERE x=1 AND y=2 ORDER BY x LIMIT 100"},
        {"the first text again", {T(sById), P(42), T(L" ORDER BY x")}, 100, -1,
         L"SELECT a FROM t WHERE x=42 ORDER BY x LIMIT 100"},
        {"and another value", {T(sById), P(-3), T(L" ORDER BY x")}, 100, -1,
         L"SELECT a FROM t WHERE x=-3 ORDER BY x LIMIT 100"},
        // A value not found: its text, then at once the text of the rows after it, seek after seek.
        {"the rows after it", {T(L"SELECT a FROM t WHERE x>"), P(-3), T(L" ORDER BY x")}, 100, -1,
         L"SELECT a FROM t WHERE x>-3 ORDER BY x LIMIT 100"},
        {"the next seek", {T(sById), P(77), T(L" ORDER BY x")}, 100, -1, L"SELECT a FROM t WHERE x=77 ORDER BY x LIMIT 100"},
        {"the rows after it again", {T(L"SELECT a FROM t WHERE x>"), P(77), T(L" ORDER BY x")}, 100, -1,
         L"SELECT a FROM t WHERE x>77 ORDER BY x LIMIT 100"},
        {"the one before", {T(L"SELECT a FROM t WHERE x<"), P(77), T(L" ORDER BY x DESC")}, 100, -1,
         L"SELECT a FROM t WHERE x<77 ORDER BY x DESC LIMIT 100"},
        {"the next seek again", {T(sById), P(78), T(L" ORDER BY x")}, 100, -1,
         L"SELECT a FROM t WHERE x=78 ORDER BY x LIMIT 100"},
    };
    sqltest::CTestConnection* pclCnx = pclConnection();
    CNACommand::stFormatedSkeleton stSkeleton;
    for (const auto& stStep : tabSteps) {
        SCOPED_TRACE(stStep.pszName);
        CNACommand* pcl = pclBuild(pclCnx, stStep.tabPieces);
        pcl->SetNAQueryType(NAQUERYTYPE_SELECT);
        pcl->SetRowLimit(stStep.llLimit);
        pcl->SetRowOffset(stStep.llOffset);
        const char* pszA = pcl->pszGetFormatedSQLA(static_cast<CNACommand::ePARAMTYPECONV>(-1), &stSkeleton);
        ASSERT_NE(pszA, nullptr);
        EXPECT_EQ(std::string(pszA), pgtest::sUTF8(stStep.pszExpected));
        EXPECT_EQ(sFormat(pcl), stStep.pszExpected);
    }
}

TEST_F(NACommandTest, FailedFormattingLeavesNothingBehind) {
    CNACommand* pcl = pclBuild(pclConnection(), {T(L"SELECT a FROM t WHERE x="), P(5), T(L" AND y="),
                                                 P(std::wstring(sqltest::CTestConnection::POISON))});
    EXPECT_EQ(pcl->pclGetFormatedSQL(CNACommand::PARAMTYPECONV_NONE), nullptr);
    EXPECT_NE(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE);
    // Asked again, the command formats again and fails again: the text written before the failure
    // is never handed out as the command's SQL.
    EXPECT_EQ(pcl->pszGetFormatedSQLW(CNACommand::PARAMTYPECONV_NONE), nullptr);
    EXPECT_EQ(pcl->pszGetFormatedSQLA(CNACommand::PARAMTYPECONV_NONE), nullptr);
    CAny clOk;
    SetDSTRW(&clOk, L"ok");
    pcl->pclGetParameterNoRef(1)->pclGetValueNoRef()->bSetValue(&clOk);
    EXPECT_EQ(sFormat(pcl), L"SELECT a FROM t WHERE x=5 AND y='ok'");
}

TEST_F(NACommandTest, FileValues) {
    CTempDir clDir("kxcmd");
    ASSERT_TRUE(clDir.bMade());
    const std::string sPath = clDir.sPath() + "/memo.txt";
    std::ofstream(sPath) << "it's";
    const unsigned nTextFile = CNAParameter::NAPARAM_FLAG_FILE | CNAParameter::NAPARAM_FLAG_TEXTFILE;

    CNACommand* pcl = pclCommand();
    pcl->bComplete(L"UPDATE t SET b=");
    AddParameter(pcl, std::wstring(sPath.begin(), sPath.end()), nTextFile);
    EXPECT_EQ(sFormat(pcl), L"UPDATE t SET b='it''s'");

    // A file that cannot be read has no value to send: the formatting fails rather than write the
    // file's name, or nothing, in the value's place.
    CNACommand* pclMissing = pclCommand();
    pclMissing->bComplete(L"UPDATE t SET b=");
    const std::string sMissing = clDir.sPath() + "/absent.txt";
    AddParameter(pclMissing, std::wstring(sMissing.begin(), sMissing.end()), nTextFile);
    EXPECT_EQ(sFormat(pclMissing), L"<null>");
    EXPECT_NE(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE);
}

TEST_F(NACommandTest, ParsedQueryTextReachesTheFormattedSQL) {
    CNACommand* pcl = pclBuild(pclConnection(), {T(L"SELECT a FROM t WHERE x="), P(5)});
    pcl->SetParsedQuery(1);
    ASSERT_EQ(sFormat(pcl), L"SELECT a FROM t WHERE x=5");
    pcl->bComplete(L" ORDER BY a");
    EXPECT_EQ(sFormat(pcl), L"SELECT a FROM t WHERE x=5 ORDER BY a");
    pcl->Insert(7, L"DISTINCT ");
    EXPECT_EQ(sFormat(pcl), L"SELECT DISTINCT a FROM t WHERE x=5 ORDER BY a");

    // Without the flag the formatted SQL is kept as it was made until it is dropped.
    CNACommand* pclPlain = pclBuild(pclConnection(), {T(L"SELECT a FROM t WHERE x="), P(5)});
    ASSERT_EQ(sFormat(pclPlain), L"SELECT a FROM t WHERE x=5");
    pclPlain->bComplete(L" ORDER BY a");
    EXPECT_EQ(sFormat(pclPlain), L"SELECT a FROM t WHERE x=5");
    pclPlain->ResetFormatedSQL();
    EXPECT_EQ(sFormat(pclPlain), L"SELECT a FROM t WHERE x=5 ORDER BY a");
}

TEST_F(NACommandTest, AddingACommand) {
    sqltest::CTestConnection* pclCnx = pclConnection();
    CNACommand* pclWhere = pclBuild(pclCnx, {T(L"x="), P(5)});
    CNAConvertVariant* pclN = pclValue(pclCnx, 0);
    ASSERT_TRUE(pclWhere->AddDefine(L"n", pclN));
    pclN->nRelease();
    CNAParameter* pclOwn = pclWhere->pclGetParameterNoRef(0);

    // Copies: the other command keeps its parameters where they were.
    CNACommand* pclCopy = pclBuild(pclCnx, {T(L"SELECT a FROM t WHERE ")});
    ASSERT_TRUE(pclCopy->bAdd(pclWhere, CNACommand::ADDMODE_COPY));
    EXPECT_EQ(sFormat(pclCopy), L"SELECT a FROM t WHERE x=5");
    EXPECT_NE(pclCopy->pclGetParameterNoRef(0), pclOwn);
    EXPECT_EQ(pclCopy->pclGetParameterNoRef(0)->nGetPosition(), 24u);
    EXPECT_EQ(pclOwn->nGetPosition(), 2u);
    EXPECT_EQ(pclOwn->nGetRef(), 1u);
    EXPECT_EQ(pclCopy->nGetDefineNbr(), 1);
    EXPECT_EQ(pclCopy->pclGetDefineNoRef(0), pclWhere->pclGetDefineNoRef(0));

    // Shared: the same objects, moved in place.
    CNACommand* pclShared = pclBuild(pclCnx, {T(L"UPDATE t SET b=1 WHERE ")});
    ASSERT_TRUE(pclShared->bAdd(pclWhere, CNACommand::ADDMODE_SHARE));
    EXPECT_EQ(pclShared->pclGetParameterNoRef(0), pclOwn);
    EXPECT_EQ(pclOwn->nGetPosition(), 25u);
    EXPECT_EQ(pclOwn->nGetRef(), 2u);
    EXPECT_EQ(sFormat(pclShared), L"UPDATE t SET b=1 WHERE x=5");

    EXPECT_FALSE(pclShared->bAdd(pclShared, CNACommand::ADDMODE_SHARE));
}

TEST_F(NACommandTest, ParametersByNameAndHostVariables) {
    sqltest::CTestConnection* pclCnx = pclConnection();
    CNACommand* pcl = pclCommand(pclCnx);
    pcl->bComplete(L"SELECT a FROM t WHERE x=");
    CNAConvertVariant* pclV = pclValue(pclCnx, 5);
    ASSERT_TRUE(pcl->bAddParameter(pclV, OPEXPRESSION_EQUAL, CNAParameter::NAPARAM_FLAG_USER, nullptr, L"Ville", 0,
                                   CNAParameter::NAPARAM_IN));
    pcl->bComplete(L" AND y=");
    ASSERT_TRUE(pcl->bAddParameter(pclV, OPEXPRESSION_EQUAL, 0, nullptr, L"autre", 0, CNAParameter::NAPARAM_IN));
    ASSERT_TRUE(pcl->bAddParameterReturn(pclV));
    pclV->nRelease();

    EXPECT_EQ(pcl->pclGetParameterByNameNoRef(L"VILLE"), pcl->pclGetParameterNoRef(0));
    EXPECT_EQ(pcl->pclGetParameterByNameNoRef(L"autre"), nullptr);  // not bound to a host variable
    EXPECT_EQ(pcl->nGetUserParamIndice(pcl->pclGetParameterNoRef(0)), 0);
    EXPECT_EQ(pcl->nGetUserParamIndice(pcl->pclGetParameterNoRef(1)), -1);
    EXPECT_EQ(pcl->pclGetParameterNoRef(0)->eGetOperator(), OPEXPRESSION_EQUAL);
    EXPECT_EQ(pcl->pclGetParameterNoRef(2)->eGetDirection(), CNAParameter::NAPARAM_RETURN);
    EXPECT_EQ(pcl->pclGetParameterNoRef(3), nullptr);
    // Without a parsed query a host variable keeps its value.
    CNACommand* pclUser = pclCommand(pclCnx);
    pclUser->bComplete(L"SELECT a FROM t WHERE x=");
    AddParameter(pclUser, 7, CNAParameter::NAPARAM_FLAG_USER);
    EXPECT_EQ(sFormat(pclUser), L"SELECT a FROM t WHERE x=7");

    // A value wrapped in a converter typed after it.
    CNACommand* pclAny = pclCommand(pclCnx);
    pclAny->bComplete(L"SELECT a FROM t WHERE b=");
    CAny cl;
    SetDSTRW(&cl, L"abc");
    ASSERT_TRUE(pclAny->bAddParameter(&cl, OPEXPRESSION_EQUAL, 0, nullptr, 0, CNAParameter::NAPARAM_IN));
    EXPECT_EQ(pclAny->pclGetParameterNoRef(0)->pclGetValueNoRef()->pclGetValue()->nGetTypeCode(), VQTYPE_DSTRW);
    EXPECT_EQ(pclAny->pclGetParameterNoRef(0)->pclGetValueNoRef()->nGetRef(), 1u);
    EXPECT_EQ(sFormat(pclAny), L"SELECT a FROM t WHERE b='abc'");
}

TEST_F(NACommandTest, QueryKinds) {
    struct Case {
        int nHost;
        eNAQUERYTYPE eSet, eConverted;
    };
    const Case tab[] = {
        {0, NAQUERYTYPE_OTHER, NAQUERYTYPE_OTHER},   {1, NAQUERYTYPE_SELECT, NAQUERYTYPE_SELECT},
        {2, NAQUERYTYPE_SELECT, NAQUERYTYPE_SELECT}, {3, NAQUERYTYPE_UPDATE, NAQUERYTYPE_UPDATE},
        {4, NAQUERYTYPE_INSERT, NAQUERYTYPE_INSERT}, {5, NAQUERYTYPE_DELETE, NAQUERYTYPE_DELETE},
        {6, NAQUERYTYPE_CREATE, NAQUERYTYPE_OTHER},  {7, NAQUERYTYPE_DROP, NAQUERYTYPE_OTHER},
        {8, NAQUERYTYPE_OTHER, NAQUERYTYPE_OTHER},   {-1, NAQUERYTYPE_OTHER, NAQUERYTYPE_OTHER},
    };
    CNACommand* pcl = pclCommand();
    EXPECT_EQ(pcl->eGetQueryType(), NAQUERYTYPE_NONE);
    for (const Case& c : tab) {
        pcl->SetQueryType(c.nHost);
        EXPECT_EQ(pcl->eGetQueryType(), c.eSet) << c.nHost;
        EXPECT_EQ(CNACommand::eConvertTypeQuery(c.nHost), c.eConverted) << c.nHost;
    }
}

TEST_F(NACommandTest, ValueClasses) {
    struct Case {
        unsigned short nType;
        uint32_t nClass;
    };
    const Case tab[] = {{1, 32},  {2, 1},   {9, 1},   {14, 1},  {15, 0},   {10, 64},  {13, 64},  {11, 2},
                        {12, 2},  {16, 4},  {19, 4},  {20, 0},  {81, 4},   {110, 4},  {24, 8},   {27, 8},
                        {128, 8}, {129, 8}, {28, 16}, {29, 16}, {30, 0},   {0, 0},    {134, 0},  {200, 0}};
    for (const Case& c : tab) EXPECT_EQ(CNACommand::VQType2eParamType(c.nType), c.nClass) << c.nType;

    sqltest::CTestConnection* pclCnx = pclConnection();
    CNAConvertVariant* pclInt = pclValue(pclCnx, 5);
    CNAConvertVariant* pclEmpty = pclValue(pclCnx, std::wstring());
    CNAConvertVariant* pclText = pclValue(pclCnx, std::wstring(L"x"));
    CNAConvertVariant* pclMemo = new CNAConvertVariant(m_pclError, pclCnx);
    pclMemo->AddRef();
    pclMemo->InitTypeVariantAny(VQTYPE_MEMOIMG, 0);
    using E = CNACommand::ePARAMTYPECONV;
    struct Need {
        CNAConvertVariant* pclValue;
        E eSet;
        int bNeed;
    };
    const Need tabNeed[] = {
        {pclInt, CNACommand::PARAMTYPECONV_NONE, 0},       {pclInt, CNACommand::PARAMTYPECONV_INTEGER, 1},
        {pclInt, E(CNACommand::PARAMTYPECONV_INTEGER | CNACommand::PARAMTYPECONV_DATE), 1},
        {pclInt, CNACommand::PARAMTYPECONV_TEXT, 0},       {pclText, CNACommand::PARAMTYPECONV_DATE, 0},
        {pclEmpty, CNACommand::PARAMTYPECONV_DATE, 1},     {pclMemo, CNACommand::PARAMTYPECONV_DATE, 1},
        {pclMemo, CNACommand::PARAMTYPECONV_NONE, 0},
    };
    for (const Need& c : tabNeed)
        EXPECT_EQ(CNACommand::_bNeedParameterConversionToString(c.pclValue, c.eSet), c.bNeed)
            << c.pclValue->pclGetValue()->nGetTypeCode() << " " << c.eSet;
    for (CNAConvertVariant* pcl : {pclInt, pclEmpty, pclText, pclMemo}) pcl->nRelease();
}

TEST_F(NACommandTest, LiteralsOfParsedExpressions) {
    // A command that may not turn literals of the select list into parameters on a server of kind
    // 5 unless the query is not a selection.
    struct CCommandWithOptions : CNACommand {
        using CNACommand::CNACommand;
        void Set(uint32_t bAllowed, uint32_t dwOptions) {
            m_bParametersAllowed = bAllowed;
            m_dwParameterOptions = dwOptions;
        }
    };
    struct CParserOfKind : CSQLParserInfo {
        explicit CParserOfKind(int32_t n) : CSQLParserInfo(nullptr, nullptr, nullptr, 0) { m_eQueryKind = n; }
    };
    CParserOfKind clSelect(CSQLParserInfo::QUERYKIND_SELECT), clUpdate(CSQLParserInfo::QUERYKIND_UPDATE);
    CCommandWithOptions cl(m_pclError, pclConnection());
    cl.SetDoNotDelete(1);
    EXPECT_EQ(cl._bShouldAddParameter(&clSelect, nullptr, nullptr, CNASqlElt::SQLELT_SELECT, nullptr), 1);
    cl.Set(1, 2);
    EXPECT_EQ(cl._bShouldAddParameter(&clSelect, nullptr, nullptr, CNASqlElt::SQLELT_SELECT, nullptr), 0);
    EXPECT_EQ(cl._bShouldAddParameter(&clUpdate, nullptr, nullptr, CNASqlElt::SQLELT_SELECT, nullptr), 1);
    EXPECT_EQ(cl._bShouldAddParameter(&clSelect, nullptr, nullptr, CNASqlElt::SQLELT_WHERE, nullptr), 1);
    cl.Set(0, 0);
    EXPECT_EQ(cl._bShouldAddParameter(&clUpdate, nullptr, nullptr, CNASqlElt::SQLELT_WHERE, nullptr), 0);

    wchar_t sz[4] = {L'x', L'x', L'x', 0};
    cl._GetMotifVariableDebut(sz, 4);
    EXPECT_STREQ(sz, L"{");
    cl._GetMotifVariableFin(sz, 1);
    EXPECT_STREQ(sz, L"");
    cl._GetMotifVariableFin(sz, 4);
    EXPECT_STREQ(sz, L"}");
}

TEST_F(NACommandTest, DumpOfTheTextAndValues) {
    sqltest::CTestConnection* pclCnx = pclConnection();
    CNACommand* pcl = pclBuild(pclCnx, {T(L"SELECT a FROM t WHERE x="), P(5), T(L" AND y="), P(stNull{})});
    CNAConvertVariant* pclCursor = pclValue(pclCnx, 0);
    pcl->bAddParameter(pclCursor, OPEXPRESSION_NONE, CNAParameter::NAPARAM_FLAG_CURSOR, nullptr, nullptr, 0,
                       CNAParameter::NAPARAM_OUT);
    pclCursor->nRelease();
    const std::wstring sExpected =
        L"Informations de bind des param\u00E8tres : SELECT a FROM t WHERE x= AND y=\r\n"
        L"Nombre de param\u00E8tres : =3\r\n"
        L"Param\u00E8tre :  0 :\tType Quentara 8 = <5>\r\n"
        L"Param\u00E8tre :  1 :\tType Quentara 8 = <NULL>\r\n"
        L"Param\u00E8tre :  2 :\t = <cursor parameter>>\r\n";
    EXPECT_EQ(std::wstring(pcl->pszGetCommandDump()), sExpected);
    // Kept while the command is unchanged; a command written anew gets a new dump.
    pcl->bComplete(L" AND c=1");
    EXPECT_EQ(std::wstring(pcl->pszGetCommandDump()), sExpected);
    pcl->ResetCommand(0);
    pcl->bComplete(L"SELECT 1");
    EXPECT_EQ(std::wstring(pcl->pszGetCommandDump()),
              L"Informations de bind des param\u00E8tres : SELECT 1\r\nNombre de param\u00E8tres : =0\r\n");
}

// Slot n of a virtual member (the first virtual function is slot 2).
template <class F>
long nSlot(F pfn) {
    struct {
        uintptr_t nPtr;
        ptrdiff_t nAdj;
    } st;
    static_assert(sizeof(st) == sizeof(pfn));
    memcpy(&st, &pfn, sizeof(st));
    return static_cast<long>((st.nPtr - 1) / sizeof(void*)) + 2;
}

TEST_F(NACommandTest, OrderOfTheVirtualOperations) {
    using C = CNACommand;
    EXPECT_EQ(nSlot(&C::_NotToBeCalled), 4);
    EXPECT_EQ(nSlot(&C::bNeedToReplaceStar), 5);
    EXPECT_EQ(nSlot(&C::bIsEmpty), 6);
    EXPECT_EQ(nSlot(&C::nGetParameterNbr), 7);
    EXPECT_EQ(nSlot(&C::ResetCommand), 8);
    EXPECT_EQ(nSlot(static_cast<int (C::*)(ISQLParserInformation*)>(&C::bComplete)), 9);
    EXPECT_EQ(nSlot(&C::bAdd), 10);
    EXPECT_EQ(nSlot(static_cast<int (C::*)(CNAConvertVariant*, eOPEXPRESSION, unsigned, CNAColumn*, const wchar_t*,
                                          wchar_t, CNAParameter::eNAPARAMETERINOUT)>(&C::bAddParameter)),
              11);
    EXPECT_EQ(nSlot(&C::bAddSelectColumns), 12);
    EXPECT_EQ(nSlot(&C::bAddSelectColumn), 13);
    EXPECT_EQ(nSlot(&C::_bFormatAndConvertItemInClause), 14);
    EXPECT_EQ(nSlot(&C::eGetFormatExpressionColonne), 15);
    EXPECT_EQ(nSlot(static_cast<int (C::*)(CNAParameter*, C::ePARAMTYPECONV, unsigned long*)>(
                  &C::_bAddParameterFormated)),
              16);
    EXPECT_EQ(nSlot(static_cast<int (C::*)(CNAParameter*, eNA_ITEMTYPE, eNA_ITEMTYPE, C::ePARAMTYPECONV,
                                          unsigned long*)>(&C::_bAddParameterFormated)),
              17);
    EXPECT_EQ(nSlot(&C::_bAddParameterFormatedLike), 18);
    EXPECT_EQ(nSlot(&C::vAddEscapeLike), 19);
    EXPECT_EQ(nSlot(&C::vbAddEscapedLikeValue), 20);
    EXPECT_EQ(nSlot(&C::vAddEscapeLikeIfNeeded), 21);
    EXPECT_EQ(nSlot(&C::_bBuildFormatedSQL), 22);
    EXPECT_EQ(nSlot(static_cast<void (C::*)(ISQLParserInformation*, INAItemDescription*, const wchar_t*, CTString*,
                                           CNAParameter*)>(&C::_FormatItemNameInWHEREClause)),
              23);
    EXPECT_EQ(nSlot(&C::_FormatRubriqueAlias), 24);
    EXPECT_EQ(nSlot(&C::_vbFormatExpressionOperatorEntreOperande), 25);
    EXPECT_EQ(nSlot(&C::_vbSkipOperande), 26);
    EXPECT_EQ(nSlot(&C::_vConvertirFonction), 27);
    EXPECT_EQ(nSlot(&C::_FormatExpressionArgument), 28);
    EXPECT_EQ(nSlot(&C::_FormatExpressionLiteral), 29);
    EXPECT_EQ(nSlot(&C::_FormatExpressionItemName), 30);
    EXPECT_EQ(nSlot(&C::_FormatExpressionOperator), 31);
    EXPECT_EQ(nSlot(&C::_GetMotifVariableDebut), 32);
    EXPECT_EQ(nSlot(&C::_GetMotifVariableFin), 33);
    EXPECT_EQ(nSlot(&C::_FormatTableClauseFROM), 34);
    EXPECT_EQ(nSlot(&C::_FormatTableAliasClauseFROM), 35);
    EXPECT_EQ(nSlot(&C::_bShouldAddParameter), 36);
}

}  // namespace
