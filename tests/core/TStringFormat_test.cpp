// CTString: formatting (printf dialect and message formatters, CTStringFormat and
// CTStringFormatMessage), 8-bit conversion, case and mapping through the host's locale services, and
// temporary file names.
#include "core/TStringFormat.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/STRCompare.h"
#include "core/TString.h"
#include "core/TStringFormatMessage.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TempDir.h"
#include "tests/host/TestSupport.h"

namespace {

class TStringFormatTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

// -------------------------------------------------------------------------------- formatting

TEST_F(TStringFormatTest, PrintfDialect) {
    struct Case {
        const char* pszName;
        std::function<int(CTString&)> fn;
        int nResult;
        std::wstring sExpected;
    } aCases[] = {
        {"wide and 8-bit texts", [](CTString& s) { return s.printf(L"%s=%S", L"k\u00E9y", "val"); }, 7,
         L"k\u00E9y=val"},
        {"numbers", [](CTString& s) { return s.printf(L"%d|%u|%lld|%x", -1, 7u, -9000000000LL, 255u); }, 19,
         L"-1|7|-9000000000|ff"},
        {"positions", [](CTString& s) { return s.printf(L"%2$s %1$s", L"a", L"b"); }, 3, L"b a"},
        {"empty result", [](CTString& s) { return s.printf(L"%s", L""); }, 0, L""},
        // Longer than any estimate of the format: the text still comes out whole.
        {"precision beyond estimate", [](CTString& s) { return s.printf(L"%.600f", 0x1p100); }, 632,
         L"1267650600228229401496703205376." + std::wstring(600, L'0')},
        {"own text as argument",
         [](CTString& s) {
             s.Set(L"ab");
             return s.printf(L"[%s%s]", s.pszGet(), s.pszGet());
         },
         6, L"[abab]"},
    };
    for (const Case& c : aCases) {
        CTString cl(L"previous text");
        int nResult = c.fn(cl);
        std::wstring sText = cl.pszGet();
        EXPECT_EQ(nResult, c.nResult) << c.pszName;
        EXPECT_EQ(sText.size(), c.sExpected.size()) << c.pszName;
        EXPECT_TRUE(sText == c.sExpected) << c.pszName;
    }
}

TEST_F(TStringFormatTest, AddPrintfAndFormatClasses) {
    CTString cl(L"n=");
    cl.AddPrintf(L"%d, s=%s", 42, L"x");
    EXPECT_STREQ(cl.pszGet(), L"n=42, s=x");
    CTStringFormat clFormat(L"%s-%03d", L"id", 7);
    EXPECT_STREQ(clFormat.pszGet(), L"id-007");
    CTString& rBase = clFormat;  // used as a plain string
    EXPECT_EQ(rBase.nTaille(), 6);
    CTStringFormatMessage clMessage(L"%s has %u rows", L"T1", 3u);
    EXPECT_STREQ(clMessage.pszGet(), L"T1 has 3 rows");
    CTStringFormatMessage clEmpty(L"");
    EXPECT_EQ(clEmpty.nTaille(), 0);
}

TEST_F(TStringFormatTest, MessageFormatters) {
    CTString cl(L"unchanged");
    cl.FormatMessageW(L"%s: %d", L"code", 12);
    EXPECT_STREQ(cl.pszGet(), L"code: 12");
    cl.FormatMessageWin(L"Table %1 missing%n", L"T1");
    EXPECT_STREQ(cl.pszGet(), L"Table T1 missing\r\n");
    // A failure (a '%' at the end is malformed) leaves the text as it was.
    cl.Set(L"unchanged");
    cl.FormatMessageWin(L"100%");
    EXPECT_STREQ(cl.pszGet(), L"unchanged");
    // An empty result counts as no text.
    cl.FormatMessageW(L"");
    EXPECT_STREQ(cl.pszGet(), L"unchanged");
}

// ------------------------------------------------------------------------------ 8-bit input

TEST_F(TStringFormatTest, SetANSIExConvertsExactlyTheBytesAsked) {
    struct Case {
        const char* pszName;
        const char* psz;
        int n;
        unsigned nCodePage;
        std::wstring sExpected;
    } aCases[] = {
        {"1252 whole", "caf\xE9", -1, 1252, L"caf\u00E9"},
        {"code page 0 is 1252", "\x80", -1, 0, L"\u20AC"},
        {"first bytes", "abcdef", 3, 1252, L"abc"},
        {"utf-8 whole", "h\xC3\xA9llo", -1, 65001, L"h\u00E9llo"},
        {"utf-8 bytes, not characters", "h\xC3\xA9llo", 4, 65001, L"h\u00E9l"},
        {"empty", "", -1, 1252, L""},
        {"zero bytes", "abc", 0, 1252, L""},
        {"null", nullptr, -1, 1252, L""},
    };
    for (const Case& c : aCases) {
        CTString cl(L"previous");
        cl.SetANSIEx(c.psz, c.n, c.nCodePage);
        EXPECT_TRUE(std::wstring(cl.pszGet()) == c.sExpected) << c.pszName;
        EXPECT_EQ(size_t(cl.nTaille()), c.sExpected.size()) << c.pszName;
    }
    CTString cl;
    cl.SetANSI("\xE9t\xE9", 1252);
    EXPECT_STREQ(cl.pszGet(), L"\u00E9t\u00E9");
}

TEST_F(TStringFormatTest, SetANSIExNeverLeavesUnconvertedUnits) {
    // A cut in the middle of a UTF-8 sequence, and bytes that are not UTF-8: whatever the converter
    // makes of them, the text holds only what it wrote.
    for (const char* psz : {"ab\xC3", "\xFF\xFE\xFD", "a\xE2\x82"}) {
        CTString cl(L"previous");
        cl.SetANSIEx(psz, int(strlen(psz)), 65001);
        for (int i = 0; i < cl.nTaille(); i++) EXPECT_NE(cl.cGetChar(i), L'\0');
        EXPECT_LE(cl.nTaille(), int(strlen(psz)));
        EXPECT_NE(std::wstring(cl.pszGet()), L"previous");
    }
}

// ------------------------------------------------------------------------- case and mapping

TEST_F(TStringFormatTest, CaseAndMappingThroughTheHost) {
    struct Case {
        const char* pszName;
        const wchar_t* pszStart;
        std::function<void(CTString&)> fn;
        const wchar_t* pszExpected;
    } aCases[] = {
        {"Majuscule", L"\u00E9t\u00E9 abc", [](CTString& s) { s.Majuscule(); }, L"\u00C9T\u00C9 ABC"},
        {"Minuscule", L"\u00C9T\u00C9 ABC", [](CTString& s) { s.Minuscule(); }, L"\u00E9t\u00E9 abc"},
        {"SansAccent", L"\u00C9l\u00E8ve", [](CTString& s) { s.SansAccent(); }, L"Eleve"},
        {"MapStringEx drops symbols", L"a-b.c!", [](CTString& s) { s.MapStringEx(STR_IGNORESYMBOLS); }, L"abc"},
        {"SetStandard", nullptr, [](CTString& s) { s.SetStandard(L"\u00C9cole"); }, L"ECOLE"},
        {"SetStandard of itself", L"\u00E7a", [](CTString& s) { s.SetStandard(s.pszGet()); }, L"CA"},
        {"SetStandard empty", L"x", [](CTString& s) { s.SetStandard(L""); }, L""},
        {"RemplaceI", L"xXx", [](CTString& s) { s.RemplaceI(L"X", L"y", 0); }, L"yyy"},
        {"RemplaceI from 2", L"xXx", [](CTString& s) { s.RemplaceI(L"X", L"y", 2); }, L"xXy"},
        {"RemplaceI grows", L"aBcAbC", [](CTString& s) { s.RemplaceI(L"abc", L"<>", 0); }, L"<><>"},
        {"case on empty", nullptr,
         [](CTString& s) {
             s.Majuscule();
             s.SansAccent();
             s.MapStringEx(STR_LOGIQUE);
         },
         L""},
    };
    for (const Case& c : aCases) {
        CTString cl(c.pszStart);
        c.fn(cl);
        EXPECT_STREQ(cl.pszGet(), c.pszExpected) << c.pszName;
    }
}

TEST_F(TStringFormatTest, CaseInsensitiveComparisons) {
    struct Case {
        const wchar_t* pszText;
        const wchar_t* psz;
        bool bEqual, bStarts, bEnds;
    } aCases[] = {
        {L"Table", L"TABLE", true, true, true},
        {L"\u00C9cole", L"ecole", true, true, true},
        {L"Tables", L"TABLE", false, true, false},
        {L"MyTable", L"table", false, false, true},
        {L"", L"", true, true, true},
        {L"", L"a", false, false, false},
        {L"a", L"", false, true, true},
    };
    for (const Case& c : aCases) {
        CTString cl(c.pszText);
        EXPECT_EQ(cl.bEstEgalI(c.psz), c.bEqual) << c.pszText << "/" << c.psz;
        EXPECT_EQ(cl.bEstEgalI(CTString(c.psz)), c.bEqual) << c.pszText << "/" << c.psz;
        EXPECT_EQ(cl.bCommenceParI(c.psz), c.bStarts) << c.pszText << "/" << c.psz;
        EXPECT_EQ(cl.bTermineParI(c.psz), c.bEnds) << c.pszText << "/" << c.psz;
    }
}

// ------------------------------------------------------------------------------------- files

TEST_F(TStringFormatTest, TemporaryFileNames) {
    CTempDir clDir("kxtstr");
    ASSERT_TRUE(clDir.bMade());
    const char* szDir = clDir.sPath().c_str();
    const char* pszOld = getenv("TMPDIR");
    std::string sOld = pszOld != nullptr ? pszOld : "";
    setenv("TMPDIR", szDir, 1);
    CTString cl1, cl2;
    cl1.FichierTemporaire(L"kxtest");
    cl2.FichierTemporaire(L"kxtest");
    std::wstring sPrefix = L"/kxtes";
    std::wstring sDir(szDir, szDir + strlen(szDir));
    for (const CTString* p : {&cl1, &cl2}) {
        std::wstring s = p->pszGet();
        EXPECT_EQ(s.rfind(sDir + sPrefix, 0), 0u) << s.size();
        EXPECT_EQ(s.size(), sDir.size() + sPrefix.size() + 6);
    }
    EXPECT_FALSE(cl1 == cl2);
    if (pszOld != nullptr)
        setenv("TMPDIR", sOld.c_str(), 1);
    else
        unsetenv("TMPDIR");
}

}  // namespace
