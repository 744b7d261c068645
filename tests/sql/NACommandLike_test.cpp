// LIKE patterns and the rest of the command's careful pieces: a pattern from a parameter written
// with the ESCAPE clause each dialect needs (and that clause never written twice), search values
// escaped to match themselves, comparisons with an empty date, the select list with its defines,
// and the record of the columns whose NULL values pass. PostgreSQL texts run through EXPLAIN on the
// test server, and the patterns are matched there against the texts they must and must not find.
#include <gtest/gtest.h>

#include "core/XYString.h"
#include "native/model/ColumnNullValueExcluded.h"
#include "native/sql/NACommand.h"
#include "tests/host/StandInHost.h"
#include "tests/model/RecordFixture.h"
#include "tests/sql/CommandTestSupport.h"
#include "tests/sql/PgFixtureTables.h"

namespace {

using sqltest::CommandTest;
using sqltest::P;
using sqltest::PLike;
using sqltest::stNarrow;
using sqltest::stNull;
using sqltest::stPiece;
using sqltest::T;

class NACommandLikeTest : public CommandTest {};

struct LikeCase {
    const char* pszName;
    unsigned nKind;
    int nMajor;
    stPiece stPattern;
    const wchar_t* pszAfter;  // text after the pattern
    const wchar_t* pszExpected;
};

const std::vector<LikeCase>& tabLikeCases() {
    static const std::vector<LikeCase> s_tab = {
        {"escaped wildcard", 6, 15, PLike(std::wstring(L"10\\%")), L"", L"SELECT a FROM t WHERE b LIKE '10\\%' ESCAPE '\\'"},
        {"server reading backslashes", 6, 8, PLike(std::wstring(L"10\\%")), L"",
         L"SELECT a FROM t WHERE b LIKE E'10\\\\%' ESCAPE E'\\\\'"},
        {"no escape character, no clause", 6, 15, PLike(std::wstring(L"abc%")), L"", L"SELECT a FROM t WHERE b LIKE 'abc%'"},
        {"a lone escape character is doubled", 6, 15, PLike(std::wstring(L"a\\b")), L"",
         L"SELECT a FROM t WHERE b LIKE 'a\\\\b' ESCAPE '\\'"},
        {"escape before a wildcard stays", 6, 15, PLike(std::wstring(L"a\\%")), L"",
         L"SELECT a FROM t WHERE b LIKE 'a\\%' ESCAPE '\\'"},
        {"escape before an escape stays", 6, 15, PLike(std::wstring(L"a\\\\%")), L"",
         L"SELECT a FROM t WHERE b LIKE 'a\\\\%' ESCAPE '\\'"},
        {"an escape character of the parameter", 6, 15, PLike(std::wstring(L"10!%"), L'!'), L"",
         L"SELECT a FROM t WHERE b LIKE '10!%' ESCAPE '!'"},
        {"a quote as escape character", 6, 15, PLike(std::wstring(L"10'%"), L'\''), L"",
         L"SELECT a FROM t WHERE b LIKE '10''%' ESCAPE ''''"},
        {"quotes doubled for the literal are undone first", 6, 15, PLike(std::wstring(L"O''Br%")), L"",
         L"SELECT a FROM t WHERE b LIKE 'O''Br%'"},
        {"8-bit text", 6, 15, PLike(stNarrow{"10\\%"}), L"", L"SELECT a FROM t WHERE b LIKE '10\\%' ESCAPE '\\'"},
        {"8-bit text of the host's code page", 6, 15, PLike(stNarrow{"caf\xE9\\_"}), L"",
         L"SELECT a FROM t WHERE b LIKE 'caf\u00E9\\_' ESCAPE '\\'"},
        {"the text's own clause is the only one", 6, 15, PLike(std::wstring(L"10\\%")), L" ESCAPE '\\'",
         L"SELECT a FROM t WHERE b LIKE '10\\%' ESCAPE '\\'"},
        {"NULL", 6, 15, PLike(stNull{}), L"", L"SELECT a FROM t WHERE b LIKE NULL"},
        {"kind 3 brackets its wildcards and drops the clause", 3, 15, PLike(std::wstring(L"10\\%")),
         L" ESCAPE '\\' AND c=1", L"SELECT a FROM t WHERE b LIKE '10[%]' AND c=1"},
        {"kind 2 brackets its brackets", 2, 15, PLike(std::wstring(L"a[b%")), L"", L"SELECT a FROM t WHERE b LIKE N'a[[]b%'"},
        {"kind 5 needs no clause", 5, 15, PLike(std::wstring(L"10\\%")), L"", L"SELECT a FROM t WHERE b LIKE '10\\%'"},
        {"kind 12 doubles the escape of its clause", 12, 15, PLike(std::wstring(L"10\\%")), L"",
         L"SELECT a FROM t WHERE b LIKE '10\\%' ESCAPE '\\\\'"},
    };
    return s_tab;
}

TEST_F(NACommandLikeTest, PatternsAndTheirEscapeClause) {
    for (const LikeCase& c : tabLikeCases()) {
        CNACommand* pcl =
            pclBuild(pclConnection(c.nKind, c.nMajor), {T(L"SELECT a FROM t WHERE b LIKE "), c.stPattern, T(c.pszAfter)});
        EXPECT_EQ(sFormat(pcl), c.pszExpected) << c.pszName;
        // The parameter keeps its own value: formatted again, the pattern is not escaped twice.
        pcl->ResetFormatedSQL();
        EXPECT_EQ(sFormat(pcl), c.pszExpected) << c.pszName;
    }
}

TEST_F(NACommandLikeTest, PatternsRunOnTheServer) {
    KX_PG_FIXTURE_SESSION(clPg);
    for (const LikeCase& c : tabLikeCases()) {
        if (c.nKind != 6) continue;
        const char* pszSetting = c.nMajor < 9 ? "SET standard_conforming_strings = off" : "RESET standard_conforming_strings";
        ASSERT_TRUE(clPg.bExec(pszSetting)) << clPg.sError();
        CNACommand* pcl =
            pclBuild(pclConnection(c.nKind, c.nMajor), {T(L"SELECT a FROM t WHERE b LIKE "), c.stPattern, T(c.pszAfter)});
        EXPECT_EQ(clPg.sExplain(sFormat(pcl)), "") << c.pszName;
    }
    ASSERT_TRUE(clPg.bExec("RESET standard_conforming_strings")) << clPg.sError();
}

TEST_F(NACommandLikeTest, PatternsFindWhatTheyMean) {
    KX_PG_FIXTURE_SESSION(clPg);
    struct Case {
        std::wstring sPattern;
        std::wstring sSubject;
        bool bMatches;
        wchar_t cEscape = 0;
    };
    // What a generic seek on ab%_' asks: the value escaped to match itself, then any end.
    CNACommand* pclEscaper = pclCommand();
    CXYString<wchar_t> clGeneric;
    ASSERT_TRUE(pclEscaper->bEscapeLIKEParamAsYFParam(&clGeneric, L"ab%_'", 0));
    const std::wstring sGeneric = std::wstring(clGeneric.pszGet()) + L"%";
    const Case tab[] = {
        {L"10\\%", L"10%", true},      {L"10\\%", L"100", false},    {L"a\\b", L"a\\b", true},
        {L"a\\b", L"ab", false},       {L"a\\_", L"a_", true},       {L"a\\_", L"ax", false},
        {L"10!%", L"10%", true, L'!'}, {L"10!%", L"10x", false, L'!'}, {L"10'%", L"10%", true, L'\''},
        {L"O''Br%", L"O'Brien", true}, {sGeneric, L"ab%_'x", true},  {sGeneric, L"abc_'y", false},
        {sGeneric, L"ab%_", false},    {sGeneric, L"ab", false},
    };
    for (const Case& c : tab) {
        CNACommand* pcl = pclBuild(pclConnection(), {T(L"SELECT 1/(CASE WHEN "), P(c.sSubject), T(L" LIKE "),
                                                     PLike(c.sPattern, c.cEscape), T(L" THEN 1 ELSE 0 END)")});
        const std::wstring s = sFormat(pcl);
        const bool bRan = clPg.bExec(pgtest::sUTF8(s));
        // No match divides by zero.
        EXPECT_EQ(bRan, c.bMatches) << pgtest::sUTF8(s) << " " << clPg.sError();
        if (!bRan) {
            EXPECT_EQ(clPg.sState(), "22012") << pgtest::sUTF8(s) << " " << clPg.sError();
        }
    }
    // The logged form of a generic seek.
    CNACommand* pcl = pclBuild(pclConnection(), {T(L"SELECT a FROM t WHERE \"b\" LIKE "), PLike(sGeneric)});
    EXPECT_EQ(sFormat(pcl), L"SELECT a FROM t WHERE \"b\" LIKE 'ab\\%\\_''%' ESCAPE '\\'");
}

// The ESCAPE clause is read as the server reads literals: its own setting decides, whatever its
// version; only a server that does not say falls back on the version.
TEST_F(NACommandLikeTest, EscapeClauseFollowsTheServersSetting) {
    struct Case {
        int nMajor;
        const wchar_t* pszReported;
        bool bBackslashEscapes;
    };
    const Case tab[] = {{15, L"off", true}, {8, L"on", false}, {8, L"", true}, {15, L"", false}};
    const std::unique_ptr<pgtest::CPgSession> pclPg = sqltest::pclFixtureSession();
    for (const Case& c : tab) {
        sqltest::CTestConnection* pclCnx = pclConnection(6, c.nMajor);
        pclCnx->m_sConformingStrings = c.pszReported;
        CNACommand* pcl = pclBuild(pclCnx, {T(L"SELECT 1/(CASE WHEN '10%' LIKE "), PLike(std::wstring(L"10\\%")),
                                            T(L" THEN 1 ELSE 0 END)")});
        const std::wstring sPattern = c.bBackslashEscapes ? L"E'10\\\\%' ESCAPE E'\\\\'" : L"'10\\%' ESCAPE '\\'";
        const std::wstring sExpected = L"SELECT 1/(CASE WHEN '10%' LIKE " + sPattern + L" THEN 1 ELSE 0 END)";
        EXPECT_EQ(sFormat(pcl), sExpected) << c.nMajor << " " << c.pszReported;
        if (pclPg == nullptr) continue;
        // Under the setting the text was written for, the pattern finds "10%".
        ASSERT_TRUE(pclPg->bExec(c.bBackslashEscapes ? "SET standard_conforming_strings = off"
                                                     : "SET standard_conforming_strings = on"))
            << pclPg->sError();
        EXPECT_TRUE(pclPg->bExec(pgtest::sUTF8(sExpected))) << pclPg->sError();
    }
}

TEST_F(NACommandLikeTest, ValuesEscapedToMatchThemselves) {
    struct Case {
        const wchar_t* pszValue;
        wchar_t cEscape;
        const wchar_t* pszExpected;
    };
    const Case tab[] = {
        {L"50%_'", L'\\', L"50\\%\\_''"},   {L"a\\%b", L'\\', L"a\\\\\\%b"}, {L"a\\\\b", L'\\', L"a\\\\\\\\b"},
        {L"a\\b", L'\\', L"a\\\\b"},        {L"a!b\\c", L'!', L"a!!b\\\\c"}, {L"x_y", 0, L"x\\_y"},
        {L"caf\u00E9", L'\\', L"caf\u00E9"}, {L"", L'\\', L""},
    };
    CNACommand* pcl = pclCommand();
    for (const Case& c : tab) {
        CXYString<wchar_t> clWide;
        clWide.nAffecteConversion(L"stale", -1);
        EXPECT_TRUE(pcl->bEscapeLIKEParamAsYFParam(&clWide, c.pszValue, c.cEscape)) << c.pszValue;
        EXPECT_STREQ(clWide.pszGet(), c.pszExpected) << c.pszValue;
        EXPECT_EQ(clWide.nGetLongueur(), static_cast<int>(wcslen(c.pszExpected))) << c.pszValue;
        // An empty result holds no buffer.
        if (*c.pszExpected == 0) {
            EXPECT_EQ(clWide.pszGetBuffer(), nullptr);
        }

        std::string sValue, sExpected;
        for (const wchar_t* p = c.pszValue; *p != 0; p++) sValue += static_cast<char>(*p);
        for (const wchar_t* p = c.pszExpected; *p != 0; p++) sExpected += static_cast<char>(*p);
        CXYString<char> clNarrow;
        EXPECT_TRUE(pcl->bEscapeLIKEParamAsYFParam(&clNarrow, sValue.c_str(), static_cast<char>(c.cEscape)));
        EXPECT_EQ(std::string(clNarrow.pszGet()), sExpected) << sValue;
    }
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE);
}

TEST_F(NACommandLikeTest, NoRoomForAnEscapedValue) {
    struct Case {
        bool bWide;
        const wchar_t* pszSite;
    };
    for (const Case& c : {Case{true, L"IEKXPSQL=10.6"}, Case{false, L"IEKXPSQL=10.5"}}) {
        m_pclError->Reset();
        CNACommand* pcl = pclCommand();
        standin::RefuseAllocation(1);
        int bResult;
        if (c.bWide) {
            CXYString<wchar_t> cl;
            bResult = pcl->bEscapeLIKEParamAsYFParam(&cl, L"abc", L'\\');
        } else {
            CXYString<char> cl;
            bResult = pcl->bEscapeLIKEParamAsYFParam(&cl, "abc", '\\');
        }
        standin::RefuseAllocation(0);
        EXPECT_EQ(bResult, 0);
        EXPECT_EQ(m_pclError->nGetUserErrorCode(), 12u);
        EXPECT_NE(std::wstring(m_pclError->pclGetXError()->pszGetDebugMessage()).find(c.pszSite), std::wstring::npos)
            << m_pclError->pclGetXError()->pszGetDebugMessage();
    }
}

TEST_F(NACommandLikeTest, ComparisonsWithAnEmptyDate) {
    struct Case {
        int nOperator;
        const wchar_t* pszNullFirst;
        const wchar_t* pszNullLast;
    };
    const Case tab[] = {
        {OPEXPRESSION_EQUAL, L" IS NULL ", L" IS NULL "},
        {OPEXPRESSION_DIFFERENT, L" IS NOT NULL ", L" IS NOT NULL "},
        {OPEXPRESSION_LESS, L" 0=1 ", L" IS NOT NULL "},
        {OPEXPRESSION_LESSEQUAL, L" IS NULL ", L" 1=1 "},
        {OPEXPRESSION_GREATER, L" IS NOT NULL ", L" 0=1 "},
        {OPEXPRESSION_GREATEREQUAL, L" 1=1 ", L" IS NULL "},
    };
    for (const Case& c : tab) {
        for (int bNullFirst : {1, 0}) {
            int bConstant = -1;
            const wchar_t* psz = CNACommand::s_pszGetEmptyDateComparison(c.nOperator, bNullFirst, &bConstant);
            const std::wstring sExpected = bNullFirst ? c.pszNullFirst : c.pszNullLast;
            EXPECT_EQ(std::wstring(psz), sExpected) << c.nOperator << " " << bNullFirst;
            EXPECT_EQ(bConstant, sExpected.find(L"=1") != std::wstring::npos) << c.nOperator << " " << bNullFirst;
        }
    }
    int bConstant = -1;
    EXPECT_EQ(CNACommand::s_pszGetEmptyDateComparison(OPEXPRESSION_LIKE, 1, &bConstant), nullptr);
    EXPECT_EQ(bConstant, 0);
}

class NACommandSelectTest : public RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        Build();
    }
    void TearDown() override {
        for (CNACommand* pcl : m_tab) pcl->nRelease();
        RecordTest::TearDown();
    }
    CNACommand* pclCommand() {
        auto* pcl = new CNACommand(m_pclErr, &m_clCnx);
        pcl->AddRef();
        m_tab.push_back(pcl);
        return pcl;
    }
    std::vector<CNACommand*> m_tab;
};

TEST_F(NACommandSelectTest, SelectListWithItsDefines) {
    struct Case {
        unsigned nColumnMode;
        const wchar_t* pszList;
    };
    // The composite key is never selected; a memo only in column modes with bit 2.
    const Case tab[] = {
        {3, L"\"id\",\"nom\",\"naissance\",\"notes\",\"code\""},
        {1, L"\"id\",\"nom\",\"naissance\",\"code\""},
    };
    const std::unique_ptr<pgtest::CPgSession> pclPg = sqltest::pclFixtureSession();
    for (const Case& c : tab) {
        CNACommand* pcl = pclCommand();
        pcl->SetColumnMode(c.nColumnMode);
        pcl->bComplete(L"SELECT ");
        ASSERT_TRUE(pcl->bAddSelectColumns(m_pclRecord, 0));
        ASSERT_TRUE(pcl->bAddSelectAdditionnalColumn(L"COUNT(*) OVER ()", VQTYPE_I8));
        pcl->bComplete(L" FROM \"Client\"");
        const std::wstring sExpected = std::wstring(L"SELECT ") + c.pszList + L",COUNT(*) OVER () FROM \"Client\"";
        EXPECT_STREQ(pcl->pszGetOriginalSQL(), sExpected.c_str());
        const int nColumns = c.nColumnMode == 3 ? 5 : 4;
        ASSERT_EQ(pcl->nGetDefineNbr(), nColumns + 1);
        EXPECT_EQ(pcl->pclGetDefineNoRef(0)->pclGetColumnNoRef(), pclCol(L"id"));
        EXPECT_EQ(pcl->pclGetDefineNoRef(0)->pclGetValueNoRef(), pclCol(L"id")->pclGetNAValue());
        EXPECT_STREQ(pcl->pclGetDefineNoRef(nColumns)->pszGetName(), L"COUNT(*) OVER ()");
        EXPECT_EQ(pcl->pclGetDefineNoRef(nColumns)->pclGetValueNoRef()->pclGetValue()->nGetTypeCode(), VQTYPE_I8);
        if (pclPg != nullptr) {
            EXPECT_EQ(pclPg->sExplain(sExpected), "");
        }
    }

    // Columns for the query's own select list go to a list of their own.
    CNACommand* pcl = pclCommand();
    CNAConvertVariant* pclValue = new CNAConvertVariant(m_pclErr, &m_clCnx);
    pclValue->AddRef();
    EXPECT_TRUE(pcl->bAddSelectAdditionalColumnInQueryFormat(L"MAX(id)", pclValue));
    EXPECT_TRUE(pcl->bAddSelectAdditionalColumnInQueryFormat(L"MIN(id)", pclValue));
    EXPECT_STREQ(pcl->pszGetAdditionalSelect(), L"MAX(id),MIN(id)");
    EXPECT_TRUE(pcl->bIsEmpty());
    EXPECT_EQ(pcl->nGetDefineNbr(), 2);
    EXPECT_EQ(pclValue->nGetRef(), 3u);
    // A record without columns adds nothing.
    EXPECT_TRUE(pcl->bAddSelectColumns(nullptr, 0));
    // Resetting drops the defines.
    pcl->ResetCommand(0);
    EXPECT_EQ(pcl->nGetDefineNbr(), 0);
    EXPECT_EQ(pclValue->nGetRef(), 1u);
    pclValue->nRelease();
}

TEST_F(NACommandSelectTest, ColumnsWhoseNullValuesPass) {
    CNACommand* pcl = pclCommand();
    CNAColumn* pclId = pclCol(L"id");
    CNAColumn* pclNom = pclCol(L"nom");
    EXPECT_TRUE(pcl->bColumnValuesNullSelected(pclId));
    EXPECT_TRUE(pcl->bCombineColumnValuesNullSelected(2, nullptr));
    EXPECT_EQ(pcl->pclGetColumnNullValueExcludedNoRef(), nullptr);

    CColumnNullValueExcluded clSearch;
    clSearch.bCombineColumnValuesNullSelected(2, pclId, 0);
    EXPECT_TRUE(pcl->bCombineColumnValuesNullSelected(2, &clSearch));
    EXPECT_FALSE(pcl->bColumnValuesNullSelected(pclId));
    EXPECT_TRUE(pcl->bColumnValuesNullSelected(pclNom));

    // OR with a condition that says nothing of the column lets NULL through again.
    EXPECT_TRUE(pcl->bCombineColumnValuesNullSelected(1, nullptr));
    EXPECT_TRUE(pcl->bColumnValuesNullSelected(pclId));

    CNACommand* pclCopy = pclCommand();
    EXPECT_TRUE(pclCopy->bCopyColumnValuesNullSelected(&clSearch));
    EXPECT_FALSE(pclCopy->bColumnValuesNullSelected(pclId));
    EXPECT_TRUE(pclCopy->bCopyColumnValuesNullSelected(nullptr));
    EXPECT_TRUE(pclCopy->bColumnValuesNullSelected(pclId));
    EXPECT_EQ(pclCopy->pclGetColumnNullValueExcludedNoRef()->nGetCount(), 0);
}

}  // namespace
