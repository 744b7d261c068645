// Tests of the language-dependent string functions: which host operation each one calls with
// which locale and flags, the local algorithms (natural order, language options, the fast 1252
// comparison), the null rules, and the local rule that answers before the host's services exist.
#include "core/STRCompare.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "core/InformationDLL.h"
#include "core/STRUtil.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace standin {
// Found by argument lookup when the recorded calls are compared with the expected ones.
static bool operator==(const stLocaleCall& a, const stLocaleCall& b) {
    return a.nPosition == b.nPosition && a.dwLocale == b.dwLocale && a.dwFlags == b.dwFlags;
}
}  // namespace standin

namespace {

constexpr unsigned CUR = STR_CURRENTLOCALE;
constexpr unsigned LEX = STR_LEXICO;

std::string sCalls(const std::vector<standin::stLocaleCall>& tab) {
    std::string s;
    for (const auto& st : tab) {
        char sz[16];
        snprintf(sz, sizeof(sz), "%X", st.dwFlags);
        s.append("{").append(std::to_string(st.nPosition)).append(",").append(std::to_string(st.dwLocale));
        s.append(",0x").append(sz).append("} ");
    }
    return s;
}

class STRCompareTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::SetCurrentLocale(0x419);
        standin::ClearLocaleCalls();
    }
};

// ---------------------------------------------------------------------------------------------
// What reaches the host
// ---------------------------------------------------------------------------------------------

TEST_F(STRCompareTest, EachFunctionCallsTheHostAtItsPositionLocaleAndFlags) {
    struct Case {
        const char* pszNom;
        std::function<void()> fnAppel;
        std::vector<standin::stLocaleCall> tabAttendu;
    };
    wchar_t szW[8] = L"ab";
    char szA[8] = "ab";
    wchar_t aw[8];
    char ac[8];
    const Case aCases[] = {
        {"CompareW", [] { STR_nCompareW(L"a", L"b", 3); }, {{6, 1024, 3}}},
        {"CompareW current", [] { STR_nCompareW(L"a", L"b", 3 | CUR); }, {{8, 0, 3}}},
        {"CompareA", [] { STR_nCompareA("a", "b", 1); }, {{5, 1024, 0x40000001}}},
        {"CompareA current", [] { STR_nCompareA("a", "b", 1 | CUR); }, {{7, 0, 0x40000001}}},
        {"UpCompareW", [] { STR_nUpCompareW(L"a", L"b", 0); }, {{6, 1024, 1}}},
        {"UpCompareA", [] { STR_nUpCompareA("a", "b", 2); }, {{5, 1024, 0x40000003}}},
        {"AcCompare", [] { STR_nAcCompare(L"a", L"b", 0); }, {{6, 1024, 2}}},
        {"NCompare wide drops bit 28", [] { STR_nNCompare<wchar_t>(L"ab", L"ac", 2, 3 | CUR); }, {{6, 1036, 3}}},
        {"NCompare 8-bit", [] { STR_nNCompare<char>("ab", "ac", 2, 1); }, {{5, 1036, 1}}},
        {"CompareStringEx", [] { __STR_CompareStringEx<wchar_t>(5, L"a", 1, L"b", 1); }, {{6, 1036, 5}}},
        {"Debut", [] { STR_bDebut(L"ab", L"abc"); }, {{6, 1036, 3}}},
        {"Lexico", [] { STR_nCompareStringLexicoW(L"a", 1, L"b", 1, 1); }, {{6, 1024, LEX | 1}}},
        {"Lexico current",
         [] { STR_nCompareStringLexicoW(L"a", 1, L"b", 1, 1 | CUR); },
         {{4, 0, 0}, {6, 0x419, LEX | 1}}},
        {"CharLexicoW", [] { STR_nCompareCharLexicoW(L'a', L'b', 0); }, {{6, 1024, LEX}}},
        {"CharLexicoA", [] { STR_nCompareCharLexicoA('a', 'b', 0); }, {{5, 1036, LEX}}},
        {"CharLexicoA current", [] { STR_nCompareCharLexicoA('a', 'b', CUR); }, {{4, 0, 0}, {5, 0x419, LEX}}},
        {"CharSoupleW", [] { STR_nCompareCharSoupleW(L'a', L'b'); }, {{6, 1024, 3}}},
        {"CharSoupleA", [] { STR_nCompareCharSoupleA('a', 'b'); }, {{5, 1036, 3}}},
        {"MapStringEx", [&] { STR_nMapStringEx(3, aw, 8, L"ab", -1); }, {{12, 1036, 3}}},
        {"MapStringEx current", [&] { STR_nMapStringEx(3 | CUR, aw, 8, L"ab", -1); }, {{4, 0, 0}, {12, 0x419, 3}}},
        {"MapLen wide", [] { STR_nGetMapStringLenEx(1, L"ab", -1); }, {{12, 1036, 1}}},
        {"MapLen 8-bit", [] { STR_nGetMapStringLenEx(1, "ab", -1); }, {{11, 1036, 1}}},
        {"MapCharEx", [&] { STR_nMapCharEx(1, aw, L'a'); }, {{12, 1036, 1}}},
        {"MapCharEx 8-bit", [&] { STR_nMapCharEx(1, ac, 'a'); }, {{11, 1036, 1}}},
        {"MapCharIgnoreCaseAccent", [&] { STR_nMapCharIgnoreCaseAccent(aw, L'a'); }, {{12, 1036, 3}}},
        {"ToUpper wide", [&] { STR_ToUpper(szW); }, {{14, 0, 1}, {14, 0, 1}}},
        {"ToLower wide", [&] { STR_ToLower(szW); }, {{14, 0, 0x100}, {14, 0, 0x100}}},
        {"ToUpper 8-bit", [&] { STR_ToUpper(szA); }, {{11, 1024, 1}, {11, 1024, 1}}},
        {"ToLowerBuff 8-bit", [&] { STR_ToLowerBuff(szA, 1); }, {{11, 1024, 0x100}}},
        {"WhiteCharOrPunctW", [] { STR_bWhiteCharOrPunctW(L','); }, {{12, 1024, 4}}},
        {"WhiteCharOrPunctA", [] { STR_bWhiteCharOrPunctA(','); }, {{11, 1036, 4}}},
        {"SortKey", [&] { STR_MapStringSortEx(ac, 8, "ab", -1, 0); }, {{9, 1036, 0}}},
        {"SortKey current", [&] { STR_MapStringSortEx(ac, 8, "ab", -1, 1); }, {{4, 0, 0}, {9, 0x419, 0}}},
        {"SortKey charset", [&] { STR_MapStringSortEx_Charset(204, ac, 8, "ab", -1); }, {{9, 0x419, 0}}},
        {"Map charset wide", [&] { STR_nMapStringEx_Charset(161, 1, aw, 8, L"ab", -1); }, {{12, 8, 1}}},
        {"Map charset 8-bit", [&] { STR_nMapStringEx_Charset(128, 2, ac, 8, "ab", -1); }, {{11, 0x11, 2}}},
        {"PrepareChaine maps at the current locale", [&] { STR_PrepareChaineW(0x10, L"ab", 2, aw, 8); }, {{14, 0, 1}}},
        {"PrepareChaine 8-bit", [&] { STR_PrepareChaineA(0x44, "ab", 2, ac, 8); }, {{13, 0, 0x102}}},
        {"PrepareChaine without flags", [&] { STR_PrepareChaineW(1, L" ab ", 4, aw, 8); }, {}},
        {"Code page", [] { STR_nGetCurrentCodePage(); }, {{3, 0, 0}}},
        {"Charset", [] { STR_nGetCurrentChangeCharset(); }, {{2, 0, 0}}},
        {"Safe LCID", [] { STR_nGetSafeCurrentLCID(); }, {{15, 0, 0}}},
        {"Fast 1252 compare stays local", [] { STR_nCmpLogiqueAnsiFast("a", "b"); }, {}},
    };
    for (const Case& c : aCases) {
        standin::ClearLocaleCalls();
        c.fnAppel();
        auto tab = standin::GetLocaleCalls();
        EXPECT_EQ(tab, c.tabAttendu) << c.pszNom << ": " << sCalls(tab);
    }
}

TEST_F(STRCompareTest, CurrentLocaleBitNeverPassesAFixedLocale) {
    STR_nCompareW(L"Table", L"TABLE", 3 | CUR);
    STR_nCompareA("Table", "TABLE", 3 | CUR);
    STR_nMapStringEx(3 | CUR, nullptr, 0, L"x", -1);
    for (const auto& st : standin::GetLocaleCalls()) {
        EXPECT_NE(st.dwLocale, 1024u);
        EXPECT_NE(st.dwLocale, 1036u);
        EXPECT_EQ(st.dwFlags & CUR, 0u) << "the library's own bit never reaches the host";
    }
}

// ---------------------------------------------------------------------------------------------
// Answers
// ---------------------------------------------------------------------------------------------

// STR_nCompareW over a table of texts, flags and expected answers (with or without the host).
struct stCompareCase {
    const wchar_t* psz1;
    const wchar_t* psz2;
    unsigned dwFlags;
    int nAttendu;
};
void ExpectCompareW(std::initializer_list<stCompareCase> lstCases) {
    for (const stCompareCase& c : lstCases)
        EXPECT_EQ(STR_nCompareW(c.psz1, c.psz2, c.dwFlags), c.nAttendu) << "flags 0x" << std::hex << c.dwFlags;
}

TEST_F(STRCompareTest, LogicalCompareIgnoresCaseAndAccentsAndKeepsTheSign) {
    ExpectCompareW({
        {L"Table", L"TABLE", 3, 0},
        {L"Table", L"TÂBLE", 3, 0},
        {L"Table", L"TABLE", 0, 1},
        {L"Table", L"Tâble", 1, -1},
        {L"abc", L"abd", 3, -1},
        {L"abd", L"abc", 3, 1},
        {L"", L"", 0, 0},
        {nullptr, L"", 3, 0},
        {L"a", nullptr, 3, 1},
        {L"Table", L"TABLE", 3 | CUR, 0},
    });
    EXPECT_EQ(STR_nCompareA("Table", "TABLE", 3), 0);
    EXPECT_LT(STR_nCompareA("a", "b", 0), 0);
    EXPECT_EQ(STR_nUpCompareW(L"abc", L"ABC", 0), 0);
    EXPECT_EQ(STR_nAcCompare(L"été", L"ete", 0), 0);
    EXPECT_NE(STR_nAcCompare(L"été", L"ETE", 0), 0);
}

TEST_F(STRCompareTest, NullAndEmptyRules) {
    struct Case {
        const wchar_t* psz1;
        const wchar_t* psz2;
        int nNull, nEmptyNull, nNullN;
    };
    const Case aCases[] = {
        {nullptr, nullptr, 0, 0, 0}, {nullptr, L"a", -1, -1, -1}, {L"a", nullptr, 1, 1, 1},
        {nullptr, L"", -1, 0, -1},   {L"", nullptr, 1, 0, 1},     {L"", L"", 0, 0, 0},
        {L"ABC", L"abc", 0, 0, 0},   {L"abc", L"abd", -1, -1, 0},  // n = 2: only "ab" is compared
    };
    for (const Case& c : aCases) {
        const char* pszDesc = c.psz1 == nullptr ? "null" : "text";
        EXPECT_EQ(STR_nNullCompare(c.psz1, c.psz2, 3), c.nNull) << pszDesc;
        EXPECT_EQ(STR_nEmptyNullCompare(c.psz1, c.psz2, 3), c.nEmptyNull) << pszDesc;
        EXPECT_EQ(STR_nNullNCompare(c.psz1, c.psz2, 2, 3), c.nNullN) << pszDesc;
    }
    // Only a null text is settled locally: an empty one goes to the host, which may find it equal
    // to a text of symbols alone.
    EXPECT_EQ(STR_nEmptyNullCompare(L"", L"-", 4), 0);
    EXPECT_EQ(STR_nEmptyNullCompare(L"-", L"", 4), 0);
    EXPECT_EQ(STR_nEmptyNullCompare(L"-", nullptr, 4), 1);
    EXPECT_EQ(STR_nEmptyNullCompare(nullptr, L"-", 4), -1);
}

TEST_F(STRCompareTest, NCompareLimitsBothTextsAndAnswersMinusOneZeroOne) {
    struct Case {
        const wchar_t* psz1;
        const wchar_t* psz2;
        int n;
        int nAttendu;
    };
    const Case aCases[] = {
        {L"abcX", L"abcY", 3, 0}, {L"abcX", L"abcY", 4, -1}, {L"abcY", L"abcX", 4, 1}, {L"ab", L"abc", 3, -1},
        {L"abc", L"ABD", 0, 0},   {L"abc", L"ABD", -5, 0},   {nullptr, L"", 5, 0},     {L"", nullptr, 5, 0},
    };
    for (const Case& c : aCases) EXPECT_EQ(STR_nNCompare<wchar_t>(c.psz1, c.psz2, c.n, 3), c.nAttendu) << c.n;
    EXPECT_EQ(STR_nNCompare<char>("abcX", "ABCY", 3, 3), 0);
    EXPECT_EQ(STR_nNCompare<char>("abcX", "ABCY", 4, 3), -1);
    EXPECT_EQ(__STR_CompareStringEx<wchar_t>(0, L"a", 1, L"a", 1), 2);
    EXPECT_EQ(__STR_CompareStringEx<wchar_t>(0, L"b", 1, L"a", 1), 3);
    EXPECT_EQ(__STR_CompareStringEx<char>(0, "a", 1, "b", 1), 1);
}

TEST_F(STRCompareTest, DebutMatchesAPrefixIgnoringCaseAndAccents) {
    struct Case {
        const wchar_t* pszPrefixe;
        const wchar_t* pszTexte;
        bool bAttendu;
    };
    const Case aCases[] = {
        {L"ÉLÈ", L"eleve", true}, {L"eleve", L"ele", false}, {L"", L"abc", true},   {L"abc", L"abc", true},
        {L"abd", L"abc", false},  {L"a", L"", false},        {nullptr, L"x", true},
    };
    for (const Case& c : aCases) EXPECT_EQ(STR_bDebut(c.pszPrefixe, c.pszTexte), c.bAttendu);
}

TEST_F(STRCompareTest, CurrentCharsetAnswers127AsZero) {
    standin::SetCharset(127);
    EXPECT_EQ(STR_nGetCurrentChangeCharset(), 0);
    EXPECT_EQ(STR_nGetCurrentChangeCharsetInterne(), 127);
    standin::SetCharset(204);
    EXPECT_EQ(STR_nGetCurrentChangeCharset(), 204);
    standin::SetCodePage(1251);
    EXPECT_EQ(STR_nGetCurrentCodePage(), 1251);
    EXPECT_EQ(STR_nGetCurrentLCID(), 0x419u);
    EXPECT_EQ(STR_piGetInfoLocale(), standin::piGetInfoLocale());
}

// ---------------------------------------------------------------------------------------------
// Natural order
// ---------------------------------------------------------------------------------------------

TEST_F(STRCompareTest, NaturalOrderComparesNumbersByValue) {
    struct Case {
        const char* psz1;
        const char* psz2;
        int nAttendu;  // sign
    };
    const Case aCases[] = {
        {"file9", "file10", -1}, {"a007", "a7", -1},
        {"a7", "a7b", -1},       {"abc", "abcd", -1},
        {"abc", "abc", 0},       {"", "", 0},
        {"", "a", -1},           {"10", "9", 1},
        {"1.10", "1.9", 1},      {"20.0.5.0", "20.0.10.0", -1},
        {"x01y2", "x1y02", -1},  {"x001", "x01", -1},
        {"a1", "ab", -1},        {"abc", "abd", -1},
        {"a10b", "a10c", -1},    {"00", "0", -1},
        {"9z", "10a", -1},       {"b", "a5", 1},
        {"1", "a", -1},
    };
    for (unsigned dwFlags : {0u, LEX}) {
        for (const Case& c : aCases) {
            std::wstring s1(c.psz1, c.psz1 + strlen(c.psz1)), s2(c.psz2, c.psz2 + strlen(c.psz2));
            auto nSigne = [](int n) { return n < 0 ? -1 : (n > 0 ? 1 : 0); };
            EXPECT_EQ(nSigne(STR_nCompareRespecteNumeriqueW(s1.c_str(), s1.size(), s2.c_str(), s2.size(), dwFlags)),
                      c.nAttendu)
                << c.psz1 << " / " << c.psz2 << " flags " << dwFlags;
            EXPECT_EQ(nSigne(STR_nCompareRespecteNumeriqueW(s2.c_str(), s2.size(), s1.c_str(), s1.size(), dwFlags)),
                      -c.nAttendu)
                << c.psz2 << " / " << c.psz1 << " flags " << dwFlags;
            EXPECT_EQ(nSigne(STR_nCompareRespecteNumeriqueA(c.psz1, strlen(c.psz1), c.psz2, strlen(c.psz2), dwFlags)),
                      c.nAttendu)
                << c.psz1 << " / " << c.psz2 << " 8-bit flags " << dwFlags;
        }
    }
}

TEST_F(STRCompareTest, NaturalOrderHonoursTheGivenLengths) {
    EXPECT_EQ(STR_nCompareRespecteNumeriqueW(L"file10", 5, L"file1", 5, 0), 0);
    EXPECT_EQ(STR_nCompareRespecteNumeriqueA("abcX", 3, "abcY", 3, 0), 0);
    EXPECT_EQ(STR_nCompareRespecteNumeriqueW(nullptr, 4, L"", 0, 0), 0);
}

TEST_F(STRCompareTest, NaturalOrderLengthMinusOneStopsAtTheZero) {
    // Heap copies of exactly the text and its zero: a walk past the zero is an address fault.
    struct Case {
        const char* psz1;
        const char* psz2;
        int nAttendu;
    };
    const Case aCases[] = {{"abc", "abc", 0}, {"file9", "file10", -1}, {"a7b", "a7", 1}, {"x", "x01", -1}};
    const unsigned long nTout = static_cast<unsigned long>(-1);
    for (const Case& c : aCases) {
        std::unique_ptr<char, decltype(&free)> pa1(STR_pszCreateA(c.psz1), free), pa2(STR_pszCreateA(c.psz2), free);
        std::wstring s1(c.psz1, c.psz1 + strlen(c.psz1)), s2(c.psz2, c.psz2 + strlen(c.psz2));
        std::unique_ptr<wchar_t, decltype(&free)> pw1(STR_pszCreateW(s1.c_str()), free),
            pw2(STR_pszCreateW(s2.c_str()), free);
        for (unsigned dwFlags : {0u, LEX}) {
            auto nSigne = [](int n) { return n < 0 ? -1 : (n > 0 ? 1 : 0); };
            EXPECT_EQ(nSigne(STR_nCompareRespecteNumeriqueW(pw1.get(), nTout, pw2.get(), nTout, dwFlags)), c.nAttendu)
                << c.psz1 << " / " << c.psz2;
            EXPECT_EQ(nSigne(STR_nCompareRespecteNumeriqueA(pa1.get(), nTout, pa2.get(), nTout, dwFlags)), c.nAttendu)
                << c.psz1 << " / " << c.psz2;
        }
    }
    EXPECT_EQ(STR_nCompareRespecteNumeriqueW(nullptr, nTout, L"", nTout, 0), 0);
}

TEST_F(STRCompareTest, NaturalOrderLexicalRunsGoThroughTheHost) {
    // Lexical runs with the host folding case: "File" and "file" are the same run.
    EXPECT_EQ(STR_nCompareRespecteNumeriqueW(L"file9", 5, L"File10", 6, LEX | 1), -1);
    EXPECT_EQ(STR_nCompareRespecteNumeriqueW(L"file9", 5, L"File10", 6, 0), 1);  // bytewise 'f' > 'F'
    standin::ClearLocaleCalls();
    STR_nCompareRespecteNumeriqueW(L"ab1", 3, L"ab2", 3, LEX);
    auto tab = standin::GetLocaleCalls();
    ASSERT_FALSE(tab.empty());
    EXPECT_EQ(tab[0].nPosition, 6);
    EXPECT_EQ(tab[0].dwFlags, LEX);
}

TEST_F(STRCompareTest, NaturalOrder8BitLexicalPassesBytesAboveAsciiAsTheirValue) {
    // 0xE9 is "é" in Windows-1252: as a character it sorts after "f". A sign-extended byte would
    // reach the host as a negative code and sort first.
    EXPECT_EQ(STR_nCompareRespecteNumeriqueA("\xE9", 1, "f", 1, LEX), 1);
    EXPECT_GT(STR_nCompareRespecteNumeriqueA("\xE9", 1, "f", 1, 0), 0);
}

// ---------------------------------------------------------------------------------------------
// Language options
// ---------------------------------------------------------------------------------------------

TEST_F(STRCompareTest, OptionVQ2FlagSTRTranslatesLanguageOptions) {
    struct Case {
        int nOptions;
        unsigned dwAttendu;
    };
    const Case aCases[] = {
        {0, 0},        {1, 0},        {2, 4},        {4, 2},    {8, 0},         {0x10, 1}, {0x20, 1},
        {0x40, 0x100}, {0x50, 0x100}, {0x60, 0x100}, {0x80, 0}, {0x100, 0x800}, {0x16, 7}, {0x54, 0x102},
    };
    for (const Case& c : aCases) EXPECT_EQ(OptionVQ2FlagSTR(c.nOptions), c.dwAttendu) << std::hex << c.nOptions;
}

TEST_F(STRCompareTest, ChaineCompareUnderLanguageOptions) {
    struct Case {
        const wchar_t* psz1;
        const wchar_t* psz2;
        int nOptions;
        int nAttendu;  // sign
    };
    const Case aCases[] = {
        {L"x", L" x ", 0, 1},  // options 0: a plain comparison of the stored characters
        {L"x", L" x ", 1, 0},  // option 1 trims white space
        {L"\t\n", L"", 1, 0},  // a text of white space becomes empty
        {L"ABC", L"abc", 0, -1},
        {L"ABC", L"abc", 0x10, 0},
        {L"ABC", L"abc", 0x40, 0},
        {L"été", L"ete", 4, 0},
        {L"a,b", L"ab", 2, 0},
        {L"ab", L"abc", 0, -1},
        {L"file9", L"file10", 0, 1},
        {L"file9", L"file10", 0x80, -1},
        {L"File9", L"file10", 0x88 | 0x10, -1},
        {L"b", L"a", 8, 1},
        {L"", L"", 0, 0},
        {nullptr, L"", 0, 0},
    };
    for (const Case& c : aCases) {
        int n = STR_ChaineCompareW(c.psz1, -1, c.psz2, -1, c.nOptions);
        EXPECT_EQ(n < 0 ? -1 : (n > 0 ? 1 : 0), c.nAttendu) << "options 0x" << std::hex << c.nOptions;
        if (c.psz1 == nullptr) continue;
        // The 8-bit twin on the same (ASCII or Latin-1) texts.
        std::string s1, s2;
        for (const wchar_t* p = c.psz1; *p; p++) s1 += static_cast<char>(*p);
        for (const wchar_t* p = c.psz2; *p; p++) s2 += static_cast<char>(*p);
        n = STR_ChaineCompareA(s1.c_str(), -1, s2.c_str(), -1, c.nOptions);
        EXPECT_EQ(n < 0 ? -1 : (n > 0 ? 1 : 0), c.nAttendu) << "8-bit options 0x" << std::hex << c.nOptions;
    }
    EXPECT_EQ(STR_ChaineCompareW(L"abcX", 3, L"abcY", 3, 0), 0);
}

TEST_F(STRCompareTest, ChaineCompareOfLongTextsUsesHeapCopies) {
    // 5000 wide characters need 20 KB per copy: past the stack room.
    std::wstring s1(5000, L'a'), s2(5000, L'A');
    EXPECT_EQ(STR_ChaineCompareW(s1.c_str(), -1, s2.c_str(), -1, 0x10), 0);
    s2.back() = L'B';
    EXPECT_LT(STR_ChaineCompareW(s1.c_str(), -1, s2.c_str(), -1, 0x10), 0);
    std::string a1(20000, 'x'), a2(20000, 'X');
    EXPECT_EQ(STR_ChaineCompareA(a1.c_str(), -1, a2.c_str(), -1, 0x10), 0);
}

TEST_F(STRCompareTest, PrepareChaineNeverWritesPastTheDestination) {
    for (int nOptions : {0, 0x10, 0x11}) {
        wchar_t aw[3] = {L'#', L'#', L'#'};
        EXPECT_EQ(STR_PrepareChaineW(nOptions, L"abcdef", -1, aw, 3), 2) << nOptions;
        EXPECT_EQ(aw[2], 0) << nOptions;
        char ac[3] = {'#', '#', '#'};
        EXPECT_EQ(STR_PrepareChaineA(nOptions, "abcdef", 6, ac, 3), 2) << nOptions;
        EXPECT_EQ(ac[2], 0) << nOptions;
    }
    wchar_t aw[16];
    EXPECT_EQ(STR_PrepareChaineW(0x11, L"  aBc  ", -1, aw, 16), 3);
    EXPECT_STREQ(aw, L"ABC");
    EXPECT_EQ(STR_PrepareChaineW(0x01, L"   ", -1, aw, 16), 0);
    EXPECT_STREQ(aw, L"");
}

// ---------------------------------------------------------------------------------------------
// Fast Windows-1252 comparison
// ---------------------------------------------------------------------------------------------

TEST_F(STRCompareTest, CmpLogiqueAnsiFast) {
    struct Case {
        const char* psz1;
        const char* psz2;
        int nAttendu;
    };
    const Case aCases[] = {
        {"\xE9te", "ETE", 0}, {"", "", 0},         {"", "a", -1},     {"a", "", 1},          {"abc", "abd", -1},
        {"abd", "ABC", 1},    {"\x9C", "\x8C", 0}, {"\xFF", "y", 0},  {"\xE6", "\xC6", 0},   {"\xDF", "s", 1},
        {"\xC7", "c", 0},     {"\x9E", "z", 0},    {"ab", "abc", -1}, {nullptr, nullptr, 0}, {"\xF7", "\xD7", 1},
    };
    for (const Case& c : aCases) EXPECT_EQ(STR_nCmpLogiqueAnsiFast(c.psz1, c.psz2), c.nAttendu);
}

TEST_F(STRCompareTest, NoAccentUpperTableFollowsTheLatin1Letters) {
    auto nAttendu = [](unsigned b) -> unsigned {
        if (b >= 'a' && b <= 'z') return b - 32;
        if ((b >= 0xC0 && b <= 0xC5) || (b >= 0xE0 && b <= 0xE5)) return 'A';
        if (b == 0xC7 || b == 0xE7) return 'C';
        if ((b >= 0xC8 && b <= 0xCB) || (b >= 0xE8 && b <= 0xEB)) return 'E';
        if ((b >= 0xCC && b <= 0xCF) || (b >= 0xEC && b <= 0xEF)) return 'I';
        if (b == 0xD1 || b == 0xF1) return 'N';
        if ((b >= 0xD2 && b <= 0xD6) || b == 0xD8 || (b >= 0xF2 && b <= 0xF6) || b == 0xF8) return 'O';
        if ((b >= 0xD9 && b <= 0xDC) || (b >= 0xF9 && b <= 0xFC)) return 'U';
        if (b == 0xDD || b == 0xFD || b == 0xFF || b == 0x9F) return 'Y';
        if (b == 0x8A || b == 0x9A) return 'S';
        if (b == 0x8E || b == 0x9E) return 'Z';
        if (b == 0x9C) return 0x8C;
        if (b == 0xE6) return 0xC6;
        if (b == 0xF0) return 0xD0;
        if (b == 0xFE) return 0xDE;
        return b;
    };
    for (unsigned b = 0; b < 256; b++) EXPECT_EQ(pToNoAccentUpper_Latin1[b], nAttendu(b)) << std::hex << b;
}

// ---------------------------------------------------------------------------------------------
// Mapping
// ---------------------------------------------------------------------------------------------

TEST_F(STRCompareTest, MappingResults) {
    wchar_t* psz = STR_pszCreateStandard(L"Élève-Noël");
    ASSERT_NE(psz, nullptr);
    EXPECT_STREQ(psz, L"ELEVE-NOEL");
    STR_Delete(psz);
    psz = STR_pszCreateStandard(L"");
    ASSERT_NE(psz, nullptr);
    EXPECT_STREQ(psz, L"");
    STR_Delete(psz);

    EXPECT_EQ(STR_nGetMapStringLenEx(3, L"abc", -1), 4);
    EXPECT_EQ(STR_nGetMapStringLenEx(3, "abc", 2), 3);
    EXPECT_EQ(STR_nGetMapStringLenEx(4, L"a,b", -1), 3);

    char* pszA = nullptr;
    EXPECT_EQ(STR_nCreateMapString(1, &pszA, "abc\xE9"), 4);
    ASSERT_NE(pszA, nullptr);
    EXPECT_STREQ(pszA, "ABC\xC9");
    free(pszA);
    wchar_t* pszW = nullptr;
    EXPECT_EQ(STR_nCreateMapString(0x100, &pszW, L"ABC"), 3);
    ASSERT_NE(pszW, nullptr);
    EXPECT_STREQ(pszW, L"abc");
    free(pszW);
    EXPECT_EQ(STR_nCreateMapString(1, &pszW, static_cast<const wchar_t*>(nullptr)), 0);
    ASSERT_NE(pszW, nullptr);
    EXPECT_STREQ(pszW, L"");
    free(pszW);

    wchar_t c = 0;
    EXPECT_EQ(STR_nMapCharEx(1, &c, L'é'), 1);
    EXPECT_EQ(c, L'É');
    EXPECT_EQ(STR_nMapCharEx(1, static_cast<wchar_t*>(nullptr), L'é'), 1);
    EXPECT_EQ(STR_nMapCharIgnoreCaseAccent(&c, L'ç'), 1);
    EXPECT_EQ(c, L'C');
    char ca = 0;
    EXPECT_EQ(STR_nMapCharExANSI(2, &ca, '\xE9'), 1);
    EXPECT_EQ(ca, 'e');
    c = L'x';
    EXPECT_EQ(STR_nMapCharEx(4, &c, L','), 0);
    EXPECT_EQ(c, 0) << "nothing written stores 0";
}

TEST_F(STRCompareTest, CaseInPlace) {
    wchar_t szW[] = L"aBc-é";
    STR_ToUpper(szW);
    EXPECT_STREQ(szW, L"ABC-É");
    STR_ToLower(szW);
    EXPECT_STREQ(szW, L"abc-é");
    char szA[] = "aBc\xE9";
    STR_ToUpper(szA);
    EXPECT_STREQ(szA, "ABC\xC9");
    STR_ToLower(szA);
    EXPECT_STREQ(szA, "abc\xE9");
    wchar_t szBuff[] = L"abcd";
    STR_ToUpperBuff(szBuff, 2);
    EXPECT_STREQ(szBuff, L"ABcd");
    char szBuffA[] = "ABCD";
    STR_ToLowerBuff(szBuffA, 3);
    EXPECT_STREQ(szBuffA, "abcD");
    STR_ToUpper(static_cast<wchar_t*>(nullptr));
    STR_ToLower(static_cast<char*>(nullptr));
}

TEST_F(STRCompareTest, WhiteCharOrPunct) {
    struct Case {
        wchar_t c;
        bool bAttendu;
    };
    const Case aCases[] = {{L',', true}, {L'.', true}, {L'a', false}, {L'5', false}, {L'é', false}};
    for (const Case& c : aCases) {
        EXPECT_EQ(STR_bWhiteCharOrPunctW(c.c), c.bAttendu) << static_cast<int>(c.c);
        EXPECT_EQ(STR_bWhiteCharOrPunctA(static_cast<char>(c.c)), c.bAttendu) << static_cast<int>(c.c);
    }
}

TEST_F(STRCompareTest, SortKeyIsWritten) {
    char sz[8] = {};
    EXPECT_EQ(STR_MapStringSortEx(sz, sizeof(sz), "ab\xE9", -1, 0), 3);
    EXPECT_EQ(STR_MapStringSortEx_Charset(0, sz, sizeof(sz), "ab", 2), 2);
}

// ---------------------------------------------------------------------------------------------
// Before the host's services are installed
// ---------------------------------------------------------------------------------------------

class STRCompareBeforeStartTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        CInformationDLL::ms_piInfoLocale = nullptr;
    }
    void TearDown() override {
        EXPECT_TRUE(standin::GetLocaleCalls().empty()) << "nothing may reach a host that is not there";
        KXInstallStandInHost();
    }
};

TEST_F(STRCompareBeforeStartTest, AccessorsAnswerDefaults) {
    EXPECT_EQ(STR_piGetInfoLocale(), nullptr);
    EXPECT_EQ(STR_nGetCurrentCodePage(), 0);
    EXPECT_EQ(STR_nGetCurrentChangeCharset(), 0);
    EXPECT_EQ(STR_nGetCurrentChangeCharsetInterne(), 0);
    EXPECT_EQ(STR_nGetCurrentLCID(), 1024u);
    EXPECT_EQ(STR_nGetSafeCurrentLCID(), 1024u);
}

TEST_F(STRCompareBeforeStartTest, ComparisonFallsBackToALocalLatin1Rule) {
    ExpectCompareW({
        {L"Table", L"TÂBLE", 3, 0},
        {L"Table", L"TABLE", 1, 0},
        {L"Table", L"TABLE", 0, 1},
        {L"été", L"ete", 2, 0},
        {L"été", L"ETE", 2, 1},
        {L"a", L"b", 3, -1},
        {L"a-b", L"ab", 4, 0},
        {L"Table", L"TABLE", 3 | CUR, 0},
        {nullptr, L"", 3, 0},
    });
    EXPECT_EQ(STR_nCompareA("Table",
                            "T\xC2"
                            "BLE",
                            3),
              0);
    EXPECT_EQ(STR_nNCompare<wchar_t>(L"ÉLÈVE", L"eleves", 5, 3), 0);
    EXPECT_TRUE(STR_bDebut(L"tab", L"TABLE"));
    EXPECT_LT(STR_nCompareRespecteNumeriqueW(L"File9", 5, L"file10", 6, LEX | 1), 0);
    EXPECT_EQ(STR_ChaineCompareW(L" Abc ", -1, L"abc", -1, 0x11), 0);
    EXPECT_EQ(STR_nCompareCharSoupleA('\xE9', 'E'), 0);
}

TEST_F(STRCompareBeforeStartTest, MappingFallsBackAndAgreesWithComparison) {
    // String-keyed tables hash the mapped form and compare with the compare: both must fold alike.
    const wchar_t* apsz[] = {L"Client", L"CLIENT", L"clïent", L"Clïent", L"CLÏENT", L"Çà", L"ca", L"ÿ", L"Y"};
    for (const wchar_t* a : apsz)
        for (const wchar_t* b : apsz) {
            wchar_t* pa = STR_pszCreateStandard(a);
            wchar_t* pb = STR_pszCreateStandard(b);
            ASSERT_NE(pa, nullptr);
            ASSERT_NE(pb, nullptr);
            EXPECT_EQ(wcscmp(pa, pb) == 0, STR_nCompareW(a, b, 3) == 0) << "mapping and comparison disagree";
            STR_Delete(pa);
            STR_Delete(pb);
        }
    wchar_t sz[] = L"aé";
    STR_ToUpper(sz);
    EXPECT_STREQ(sz, L"AÉ");
    STR_ToLower(sz);
    EXPECT_STREQ(sz, L"aé");
    char szA[] = "a\xE9";
    STR_ToUpper(szA);
    EXPECT_STREQ(szA, "A\xC9");
    EXPECT_EQ(STR_nGetMapStringLenEx(4, L"a, b", -1), 3);
    EXPECT_TRUE(STR_bWhiteCharOrPunctW(L' '));
    EXPECT_FALSE(STR_bWhiteCharOrPunctA('x'));
    char szKey[8] = {};
    EXPECT_EQ(STR_MapStringSortEx(szKey, sizeof(szKey), "ab", -1, 1), 2);
    EXPECT_STREQ(szKey, "AB");
    wchar_t* pszTrouve = STR_pszUpStrstr(L"une Élève", L"élè");
    ASSERT_NE(pszTrouve, nullptr);
    EXPECT_STREQ(pszTrouve, L"Élève");
}

}  // namespace
