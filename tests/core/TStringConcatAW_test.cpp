// CTStringConcatAW: both modes with non-ASCII text, the cache of the other width dropped by every
// change, byte-counted edits in 8-bit mode, replace-all and the searches.
#include "core/TStringConcatAW.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <functional>
#include <string>
#include <vector>

#include "core/platformwin/WinCodePage.h"
#include "tests/core/ReallocRefusal.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

constexpr unsigned WIDE = CTStringConcatAW::s_nCodePageWide;

struct Mode {
    unsigned nCodePage;
    unsigned nCodePageAppelant;
    const char* pszNom;
};
const Mode s_aModes[] = {
    {WIDE, 1252, "wide, caller 1252"},
    {65001, 1252, "UTF-8, caller 1252"},
    {1252, 1252, "1252, caller 1252"},
    {1252, 1250, "1252, caller 1250"},
};

std::wstring VueW(CTStringConcatAW& cl) {
    const wchar_t* psz = cl.pszGetW();
    return std::wstring(psz, cl.nGetLongueurW());
}
std::string VueA(CTStringConcatAW& cl) {
    const char* psz = cl.pszGetA();
    return std::string(psz, cl.nGetLongueurA());
}
// The 8-bit view a builder must give for a wide text: in the master's code page in 8-bit mode,
// in the caller code page in wide mode.
std::string EnCodePage(const std::wstring& s, const Mode& m) {
    const unsigned nCodePage = m.nCodePage == WIDE ? m.nCodePageAppelant : m.nCodePage;
    if (s.empty()) return std::string();
    std::string sOut(s.size() * 4, '\0');
    const int n = WideCharToMultiByte(nCodePage, 0, s.data(), static_cast<int>(s.size()), sOut.data(),
                                      static_cast<int>(sOut.size()), nullptr, nullptr);
    sOut.resize(static_cast<size_t>(n));
    return sOut;
}

class TStringConcatAWTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

TEST_F(TStringConcatAWTest, UTF8MasterStoresCallerBytesConverted) {
    CTStringConcatAW cl(65001, 1252);
    cl.Add("\xE9", 1, CTStringConcatAW::s_nCodePageAppelant);
    EXPECT_EQ(VueA(cl), "\xC3\xA9");
    EXPECT_EQ(VueW(cl), L"\u00e9");
    cl.Add("\xE9", 1, 65001);  // already in the text code page: taken as it is
    EXPECT_EQ(VueA(cl), "\xC3\xA9\xE9");
}

TEST_F(TStringConcatAWTest, WideMasterGivesTheCallerCodePageAndConvertsAgainAfterAChange) {
    CTStringConcatAW cl(WIDE, 1252);
    cl.Add(L"caf\u00e9 \u20ac", -1);
    EXPECT_EQ(VueA(cl), "caf\xE9 \x80");
    const char* pszAvant = cl.pszGetA();
    EXPECT_EQ(cl.pszGetA(), pszAvant);  // read again: the cache is reused
    cl.Add(L"!", 1);
    EXPECT_EQ(VueA(cl), "caf\xE9 \x80!");
    EXPECT_EQ(VueW(cl), L"caf\u00e9 \u20ac!");
}

TEST_F(TStringConcatAWTest, EveryChangeDropsTheCacheOfTheOtherWidth) {
    // Each step reads both views first (so the cache is valid), changes the text, then both views
    // must show the new text: a cache left in place would show the old one.
    struct Etape {
        const char* pszNom;
        std::function<void(CTStringConcatAW&)> Op;
        std::wstring sAttendu;
    };
    const std::vector<Etape> aEtapes = {
        {"Majuscule", [](CTStringConcatAW& c) { c.Majuscule(); }, L"SELECT A, B FROM T"},
        {"Coupe", [](CTStringConcatAW& c) { c.Coupe(6, 3); }, L"SELECT B FROM T"},
        {"Tronque", [](CTStringConcatAW& c) { c.Tronque(8); }, L"SELECT B"},
        {"Insert W", [](CTStringConcatAW& c) { c.Insert(L"X", 1, 0); }, L"XSELECT B"},
        {"Insert A", [](CTStringConcatAW& c) { c.Insert("Y", 1, 1); }, L"XYSELECT B"},
        {"Remplace W", [](CTStringConcatAW& c) { c.Remplace(0, 2, L"Z", 1); }, L"ZSELECT B"},
        {"Remplace A", [](CTStringConcatAW& c) { c.Remplace(0, 1, "W", 1); }, L"WSELECT B"},
        {"Remplace tout W", [](CTStringConcatAW& c) { c.Remplace(L"E", 1, L"e", 1, 0); }, L"WSeLeCT B"},
        {"Remplace tout A", [](CTStringConcatAW& c) { c.Remplace("B", 1, "bb", 2, 0); }, L"WSeLeCT bb"},
        {"AddNumber", [](CTStringConcatAW& c) { c.AddNumber(42, 4); }, L"WSeLeCT bb0042"},
        {"AddNumberHexa", [](CTStringConcatAW& c) { c.AddNumberHexa(static_cast<unsigned short>(0xAB)); },
         L"WSeLeCT bb004200AB"},
        {"Add W", [](CTStringConcatAW& c) { c.Add(L" \u00e9", -1); }, L"WSeLeCT bb004200AB \u00e9"},
        {"Add A", [](CTStringConcatAW& c) { c.Add(" \xE9", 2); }, L"WSeLeCT bb004200AB \u00e9 \u00e9"},
        {"AddUTF8", [](CTStringConcatAW& c) { c.AddUTF8(" \xC3\xA9", 3); }, L"WSeLeCT bb004200AB \u00e9 \u00e9 \u00e9"},
        {"SetStrCte", [](CTStringConcatAW& c) { c.SetStrCte(L"fin", -1); }, L"fin"},
        {"Tronque 0", [](CTStringConcatAW& c) { c.Tronque(0); }, L""},
    };
    for (const Mode& m : s_aModes) {
        CTStringConcatAW cl(m.nCodePage, m.nCodePageAppelant);
        cl.SetStrCte(L"select a, b from t", -1);
        for (const Etape& e : aEtapes) {
            VueW(cl);
            VueA(cl);
            e.Op(cl);
            EXPECT_EQ(VueW(cl), e.sAttendu) << m.pszNom << ": " << e.pszNom;
            EXPECT_EQ(VueA(cl), EnCodePage(e.sAttendu, m)) << m.pszNom << ": " << e.pszNom;
        }
    }
}

TEST_F(TStringConcatAWTest, UpperCaseKeepsMultiByteCharactersWhole) {
    // Byte by byte, the UTF-8 lead byte of the euro sign would be taken for a small a-circumflex
    // and the Shift-JIS trail byte of a small ya for a small a-acute.
    struct Case {
        unsigned nCodePage;
        const wchar_t* pszTexte;
        const wchar_t* pszAttendu;
    } cases[] = {
        {WIDE, L"\u00e9t\u00fa \u20ac x", L"\u00c9T\u00da \u20ac X"},
        {65001, L"\u00e9t\u00fa \u20ac x", L"\u00c9T\u00da \u20ac X"},
        {1252, L"\u00e9t\u00fa \u20ac x", L"\u00c9T\u00da \u20ac X"},
        {932, L"x\u3083y", L"X\u3083Y"},
    };
    for (const Case& c : cases) {
        CTStringConcatAW cl(c.nCodePage, 1252);
        cl.AddStrCte(c.pszTexte, -1);
        cl.Majuscule();
        EXPECT_EQ(VueW(cl), c.pszAttendu) << c.nCodePage;
    }
}

TEST_F(TStringConcatAWTest, ByteCountedEditsInUTF8Mode) {
    // "éééé, " is 10 bytes but 6 characters: the cuts count bytes of the master.
    CTStringConcatAW cl(65001, 1252);
    cl.AddStrCte(L"\u00e9\u00e9\u00e9\u00e9, ", -1);
    ASSERT_EQ(cl.nGetLongueur(), 10u);
    cl.Tronque(8);
    EXPECT_EQ(VueW(cl), L"\u00e9\u00e9\u00e9\u00e9");
    cl.AddStrCte(L", x", -1);
    cl.Coupe(8, 3);
    EXPECT_EQ(VueW(cl), L"\u00e9\u00e9\u00e9\u00e9");
    cl.AddStrCte(L"ab", -1);
    cl.Coupe(8, 1);
    EXPECT_EQ(VueA(cl),
              "\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9"
              "b");
    cl.Tronque(11);  // past the end: nothing
    EXPECT_EQ(cl.nGetLongueur(), 9u);
}

struct CasEdition {
    std::function<void(CTStringConcatAW&)> Op;
    std::wstring sAttendu;
};
// Each edit applied to "abcdef" in every mode: both views must show the expected text.
void VerifieEditions(const std::vector<CasEdition>& aCas) {
    for (const Mode& m : s_aModes) {
        for (size_t i = 0; i < aCas.size(); ++i) {
            CTStringConcatAW cl(m.nCodePage, m.nCodePageAppelant);
            cl.AddStrCte(L"abcdef", 6);
            aCas[i].Op(cl);
            EXPECT_EQ(VueW(cl), aCas[i].sAttendu) << m.pszNom << " case " << i;
            EXPECT_EQ(VueA(cl), EnCodePage(aCas[i].sAttendu, m)) << m.pszNom << " case " << i;
        }
    }
}

TEST_F(TStringConcatAWTest, CutsInBothModes) {
    VerifieEditions({
        {[](CTStringConcatAW& c) { c.Tronque(0); }, L""},
        {[](CTStringConcatAW& c) { c.Tronque(-3); }, L""},
        {[](CTStringConcatAW& c) { c.Tronque(7); }, L"abcdef"},
        {[](CTStringConcatAW& c) { c.Tronque(6); }, L"abcdef"},
        {[](CTStringConcatAW& c) { c.Tronque(2); }, L"ab"},
        {[](CTStringConcatAW& c) { c.Coupe(2, 100); }, L"ab"},
        {[](CTStringConcatAW& c) { c.Coupe(2, 2); }, L"abef"},
        {[](CTStringConcatAW& c) { c.Coupe(0, 100); }, L""},
        {[](CTStringConcatAW& c) { c.Coupe(7, 1); }, L"abcdef"},
        {[](CTStringConcatAW& c) { c.Coupe(6, 1); }, L"abcdef"},
        {[](CTStringConcatAW& c) { c.Coupe(1, 0); }, L"abcdef"},
    });
}

TEST_F(TStringConcatAWTest, InsertsAndRangeReplacements) {
    VerifieEditions({
        {[](CTStringConcatAW& c) { c.Insert(L"XY", 2, 3); }, L"abcXYdef"},
        {[](CTStringConcatAW& c) { c.Insert(L"XY", 2, 6); }, L"abcdefXY"},
        {[](CTStringConcatAW& c) { c.Insert(L"XY", 2, 60); }, L"abcdefXY"},
        {[](CTStringConcatAW& c) { c.Insert(L"XY", -1, -4); }, L"XYabcdef"},
        {[](CTStringConcatAW& c) { c.Insert(L"XY", 0, 2); }, L"abcdef"},
        {[](CTStringConcatAW& c) { c.Insert(static_cast<const wchar_t*>(nullptr), 3, 2); }, L"abcdef"},
        {[](CTStringConcatAW& c) { c.Insert("\xE9", 1, 0); }, L"\u00e9abcdef"},  // caller code page
        {[](CTStringConcatAW& c) { c.Remplace(2, -1, L"Z", 1); }, L"abZ"},
        {[](CTStringConcatAW& c) { c.Remplace(2, 100, L"Z", 1); }, L"abZ"},
        {[](CTStringConcatAW& c) { c.Remplace(1, 2, L"1234", 4); }, L"a1234def"},
        {[](CTStringConcatAW& c) { c.Remplace(1, 4, L"", 0); }, L"af"},
        {[](CTStringConcatAW& c) { c.Remplace(0, 1, "\xE9\xE9", 2); }, L"\u00e9\u00e9bcdef"},
        {[](CTStringConcatAW& c) { c.Remplace(6, 0, L"!", 1); }, L"abcdef!"},
    });
}

TEST_F(TStringConcatAWTest, ReplaceAllNeverSearchesItsOwnReplacement) {
    for (const Mode& m : s_aModes) {
        struct Case {
            const wchar_t* pszTexte;
            const wchar_t* pszCherche;
            const wchar_t* pszRemplace;
            long nDebut;
            const wchar_t* pszAttendu;
        } cases[] = {
            {L"aaa", L"a", L"bb", 0, L"bbbbbb"},
            {L"abab", L"ab", L"x", 1, L"abx"},
            {L"abab", L"ab", L"x", 0, L"xx"},
            {L"abab", L"ab", L"", 0, L""},
            {L"a.b.c", L".", L"::", 0, L"a::b::c"},
            {L"aXbXc", L"X", L"Y", 0, L"aYbYc"},  // same length: in place
            {L"abc", L"abcd", L"z", 0, L"abc"},   // longer than the text
            {L"abc", L"", L"z", 0, L"abc"},
            {L"abc", L"c", L"z", 5, L"abc"},
            {L"caf\u00e9 caf\u00e9", L"\u00e9", L"\u00e8", 0, L"caf\u00e8 caf\u00e8"},
            {L"\u00e9t\u00e9", L"\u00e9", L"e", 0, L"ete"},  // a shorter form in UTF-8 only
        };
        for (const Case& c : cases) {
            CTStringConcatAW cl(m.nCodePage, m.nCodePageAppelant);
            cl.AddStrCte(c.pszTexte, -1);
            cl.Remplace(c.pszCherche, -1, c.pszRemplace, -1, c.nDebut);
            EXPECT_EQ(VueW(cl), c.pszAttendu) << m.pszNom << ": " << c.pszTexte << " / " << c.pszCherche;
        }
        // 8-bit arguments come in the caller code page.
        CTStringConcatAW cl(m.nCodePage, m.nCodePageAppelant);
        cl.AddStrCte(L"d\u00e9j\u00e0 d\u00e9j\u00e0", -1);
        cl.Remplace("\xE9", 1, "e", 1, 0);
        EXPECT_EQ(VueW(cl), L"dej\u00e0 dej\u00e0") << m.pszNom;
    }
}

TEST_F(TStringConcatAWTest, SearchesAnswerPositionsOfTheMaster) {
    CTStringConcatAW clU(65001, 1252);
    clU.AddStrCte(L"\u00e9t\u00e9 = '\u00e9'", -1);  // é is two bytes here
    EXPECT_EQ(clU.nPos(L"t\u00e9", 0), 2);
    EXPECT_EQ(clU.nPos(L'=', 0), 6);
    EXPECT_EQ(clU.nPos(L'\u00e9', 1), 3);
    EXPECT_EQ(clU.nPos("\xE9", 4), 9);  // caller 1252 byte, searched as its UTF-8 form
    EXPECT_EQ(clU.nPos('\xE9', 4), 9);
    EXPECT_EQ(clU.nPos("'", 0), 8);
    EXPECT_EQ(clU.nPos(L"x", 0), -1);
    EXPECT_EQ(clU.nPos(L"", 3), 3);  // an empty text stands where the search starts
    EXPECT_EQ(clU.nPos("", 2), 2);

    CTStringConcatAW clW(WIDE, 1252);
    EXPECT_EQ(clW.nPos(L'a', 0), -1);  // empty text
    EXPECT_EQ(clW.nPos(L"", 0), -1);
    clW.AddStrCte(L"\u00e9t\u00e9", -1);
    EXPECT_EQ(clW.nPos('\xE9', 1), 2);  // caller byte widened
    EXPECT_EQ(clW.nPos("t\xE9", 0), 1);
    EXPECT_EQ(clW.nPos(L"\u00e9", 1), 2);

    // One character and a one-character text search alike: as the master would have stored them.
    CTStringConcatAW clA(1252, 1250);
    clA.AddStrCte(L"a\u0414\u010d", -1);  // Cyrillic De has no 1252 form and was stored as '?'
    EXPECT_EQ(clA.nPos(L'\u0414', 0), 1);
    EXPECT_EQ(clA.nPos(L"\u0414", 0), 1);
    EXPECT_EQ(clA.nPos('b', 3), -1);
    EXPECT_EQ(clA.nPos('\xE8', 2), 2);  // c-caron of the caller code page 1250 is 0xE8, '?' in 1252
}

TEST_F(TStringConcatAWTest, AnEmptyBuilderStaysEmptyUnderEveryEdit) {
    for (const Mode& m : s_aModes) {
        CTStringConcatAW cl(m.nCodePage, m.nCodePageAppelant);
        cl.Majuscule();
        cl.Tronque(3);
        cl.Tronque(0);
        cl.Coupe(0, 1);
        cl.Remplace(0, 1, L"x", 1);
        cl.Remplace(0, 1, "x", 1);
        cl.Remplace(L"a", 1, L"b", 1, 0);
        cl.Remplace("a", 1, "b", 1, 0);
        cl.Add(L"ignored", 0);
        cl.Add("ignored", -5);
        cl.AddUTF8(nullptr, 4);
        EXPECT_STREQ(cl.pszGetW(), L"") << m.pszNom;
        EXPECT_STREQ(cl.pszGetA(), "") << m.pszNom;
        EXPECT_EQ(cl.nGetLongueurW(), 0u);
        EXPECT_EQ(cl.nGetLongueurA(), 0u);
        EXPECT_EQ(cl.cGetCharW(0), 0);
        EXPECT_EQ(cl.cGetCharA(0), 0);
        EXPECT_EQ(cl.bIsCharSpace(0), 0);
        cl.Insert(L"ab", 2, 5);
        EXPECT_EQ(VueW(cl), L"ab") << m.pszNom;
    }
}

TEST_F(TStringConcatAWTest, UTF8AppendsInEveryMode) {
    for (const Mode& m : s_aModes) {
        CTStringConcatAW cl(m.nCodePage, m.nCodePageAppelant);
        cl.AddUTF8("caf\xC3\xA9 \xE2\x82\xAC", -1);
        EXPECT_EQ(VueW(cl), L"caf\u00e9 \u20ac") << m.pszNom;
        EXPECT_EQ(VueA(cl), EnCodePage(L"caf\u00e9 \u20ac", m)) << m.pszNom;
    }
}

TEST_F(TStringConcatAWTest, UnitsAndNumbers) {
    for (const Mode& m : s_aModes) {
        CTStringConcatAW cl(m.nCodePage, m.nCodePageAppelant);
        cl.AddNumber(7, 3);
        cl.AddStrCte(L" ", 1);
        cl.AddNumber(-1234567890123L, 20);
        cl.AddStrCte(L" ", 1);
        cl.AddNumberHexa(static_cast<unsigned char>(0x5));
        cl.AddNumberHexa(0xCAFEu);
        cl.AddNumberHexa(1UL);
        cl.Add(CTString(L" \u00e9"));
        EXPECT_EQ(VueW(cl), L"007 -1234567890123 050000CAFE0000000000000001 \u00e9") << m.pszNom;
        EXPECT_EQ(cl.bIsCharSpace(3), 1);
        EXPECT_EQ(cl.bIsCharSpace(2), 0);
        EXPECT_EQ(cl.cGetCharW(4), L'-');
        EXPECT_EQ(cl.cGetCharA(0), '0');
        EXPECT_EQ(cl.cGetCharW(1000), 0);
    }
}

TEST_F(TStringConcatAWTest, ItsOwnTextAsInputSurvivesTheBufferMoving) {
    // 1000 units, so that each of these edits grows the master past its first 1024-unit step.
    std::wstring sBase;
    for (int i = 0; i < 100; ++i) sBase += L"abcdefghi,";
    for (const Mode& m : s_aModes) {
        CTStringConcatAW cl(m.nCodePage, m.nCodePageAppelant);
        cl.SetStrCte(sBase.c_str(), -1);
        cl.Add(cl.pszGetW(), -1);
        EXPECT_EQ(VueW(cl), sBase + sBase) << m.pszNom;
        cl.SetStrCte(sBase.c_str(), -1);
        cl.Insert(cl.pszGetW() + 10, 100, 5);
        EXPECT_EQ(VueW(cl), sBase.substr(0, 5) + sBase.substr(10, 100) + sBase.substr(5)) << m.pszNom;
        cl.SetStrCte(sBase.c_str(), -1);
        cl.Remplace(0, 0, cl.pszGetW(), 50);
        EXPECT_EQ(VueW(cl), sBase.substr(0, 50) + sBase) << m.pszNom;
        cl.SetStrCte(sBase.c_str(), -1);
        cl.Add(cl.pszGetA(), -1, m.nCodePage == WIDE ? m.nCodePageAppelant : m.nCodePage);
        EXPECT_EQ(VueW(cl), sBase + sBase) << m.pszNom;
        cl.SetStrCte(sBase.c_str(), -1);
        cl.AddUTF8(cl.pszGetA(), 20);
        EXPECT_EQ(VueW(cl), sBase + sBase.substr(0, 20)) << m.pszNom;
    }
}

// A statement built from pieces of every kind (wide, 8-bit in the caller code page and in another,
// UTF-8, numbers), its n-th heap request refused, whether the master's, a conversion's on the way
// or a copy's: the text holds whole pieces up to the failure and nothing after it, and the builder
// says it failed. A hole in the middle ("... IN ()") would pass for a whole statement.
TEST_F(TStringConcatAWTest, TheNthRefusedRequestStopsTheTextAtAWholePiece) {
    const struct Piece {
        std::function<void(CTStringConcatAW&)> Ajout;
        const wchar_t* pszTexte;
    } aPieces[] = {
        {[](CTStringConcatAW& c) { c.Add(L"DELETE FROM \"caf\u00e9\"", -1); }, L"DELETE FROM \"caf\u00e9\""},
        {[](CTStringConcatAW& c) { c.Add(" WHERE nom IN ('\xE9t\xE9'", -1); }, L" WHERE nom IN ('\u00e9t\u00e9'"},
        {[](CTStringConcatAW& c) { c.Add(", '\xE1", -1, 1250); }, L", '\u00e1"},
        {[](CTStringConcatAW& c) { c.AddUTF8("\xC3\xBC', ", -1); }, L"\u00fc', "},
        {[](CTStringConcatAW& c) { c.AddNumber(20L, 3); }, L"020"},
        {[](CTStringConcatAW& c) { c.AddStrCte(L") AND k = ", -1); }, L") AND k = "},
        {[](CTStringConcatAW& c) { c.AddNumberHexa(0xABu); }, L"000000AB"},
    };
    const Mode aModes[] = {
        {WIDE, 1252, "wide, caller 1252"},
        {65001, 1252, "UTF-8, caller 1252"},
        {1252, 1252, "1252, caller 1252"},
        {1250, 1252, "1250, caller 1252"},
    };
    for (const Mode& m : aModes) {
        std::vector<std::wstring> aDebuts{L""};
        for (const Piece& p : aPieces) aDebuts.push_back(aDebuts.back() + p.pszTexte);
        bool bRefusee = true;
        for (long n = 1; bRefusee; ++n) {
            SCOPED_TRACE(testing::Message() << m.pszNom << ", request " << n << " refused");
            CTStringConcatAW cl(m.nCodePage, m.nCodePageAppelant, 8);
            reallocrefusal::Arm(n);
            for (const Piece& p : aPieces) p.Ajout(cl);
            bRefusee = reallocrefusal::bRefused();
            reallocrefusal::Arm(0);

            const std::wstring sTexte = VueW(cl);
            if (!bRefusee) {
                EXPECT_EQ(cl.bIsInError(), 0);
                EXPECT_EQ(sTexte, aDebuts.back());
                break;
            }
            EXPECT_EQ(cl.bIsInError(), 1);
            EXPECT_NE(sTexte, aDebuts.back());
            EXPECT_NE(std::find(aDebuts.begin(), aDebuts.end(), sTexte), aDebuts.end()) << "a hole in the text";
            EXPECT_EQ(VueA(cl), EnCodePage(sTexte, m));
            // Later pieces are refused, the text read stays.
            cl.Add(L" OR 1=1", -1);
            cl.Add(")", 1);
            EXPECT_EQ(VueW(cl), sTexte);
            EXPECT_EQ(cl.bIsInError(), 1);
            // Emptied, the builder works again.
            cl.Vide();
            EXPECT_EQ(cl.bIsInError(), 0);
            cl.Add(L"SELECT 1", -1);
            EXPECT_EQ(VueA(cl), "SELECT 1");
        }
    }
}

// While in error the text stays as it stood at the failure under every edit; only emptying the
// builder ends the state.
TEST_F(TStringConcatAWTest, EditsAreRefusedWhileInErrorAndEmptyingEndsIt) {
    const struct Case {
        const char* pszNom;
        std::function<void(CTStringConcatAW&)> Op;
        const wchar_t* pszAttendu;
        int bErreur;
    } cases[] = {
        {"Majuscule", [](CTStringConcatAW& c) { c.Majuscule(); }, L"delete from t where id in (", 1},
        {"Tronque", [](CTStringConcatAW& c) { c.Tronque(6); }, L"delete from t where id in (", 1},
        {"Coupe", [](CTStringConcatAW& c) { c.Coupe(0, 7); }, L"delete from t where id in (", 1},
        {"Insert W", [](CTStringConcatAW& c) { c.Insert(L"x", 1, 0); }, L"delete from t where id in (", 1},
        {"Insert A", [](CTStringConcatAW& c) { c.Insert("x", 1, 0); }, L"delete from t where id in (", 1},
        {"Remplace W", [](CTStringConcatAW& c) { c.Remplace(0, 6, L"SELECT *", 8); }, L"delete from t where id in (",
         1},
        {"Remplace A", [](CTStringConcatAW& c) { c.Remplace(0, 6, "S", 1); }, L"delete from t where id in (", 1},
        {"Remplace tout W", [](CTStringConcatAW& c) { c.Remplace(L" where", -1, L"", 0, 0); },
         L"delete from t where id in (", 1},
        {"Remplace tout A", [](CTStringConcatAW& c) { c.Remplace("e", -1, "E", -1, 0); },
         L"delete from t where id in (", 1},
        {"Tronque 0", [](CTStringConcatAW& c) { c.Tronque(0); }, L"", 0},
        {"Coupe from 0", [](CTStringConcatAW& c) { c.Coupe(0, 100); }, L"", 0},
        {"SetStrCte", [](CTStringConcatAW& c) { c.SetStrCte(L"SELECT 1", -1); }, L"SELECT 1", 0},
        {"Vide", [](CTStringConcatAW& c) { c.Vide(); }, L"", 0},
    };
    for (const Mode& m : s_aModes) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << m.pszNom << ": " << c.pszNom);
            CTStringConcatAW cl(m.nCodePage, m.nCodePageAppelant, 16);
            cl.Add(L"delete from t", -1);
            cl.Add(L" where id in (", -1);
            reallocrefusal::Arm(1);
            cl.Add(L"1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20", -1);
            ASSERT_TRUE(reallocrefusal::bRefused());
            reallocrefusal::Arm(0);
            ASSERT_EQ(cl.bIsInError(), 1);
            c.Op(cl);
            EXPECT_EQ(VueW(cl), c.pszAttendu);
            EXPECT_EQ(cl.bIsInError(), c.bErreur);
        }
    }
}

// Edits that grow the master, with that growth refused: the text is the one before the edit, never
// half of it.
TEST_F(TStringConcatAWTest, ARefusedGrowthOfAnEditLeavesTheTextAsItWas) {
    std::wstring sLong(40, L'x');
    const struct Case {
        const char* pszNom;
        std::function<void(CTStringConcatAW&)> Op;
    } cases[] = {
        {"Insert W", [&](CTStringConcatAW& c) { c.Insert(sLong.c_str(), -1, 3); }},
        {"Insert A", [](CTStringConcatAW& c) { c.Insert("0123456789012345678901234567890123456789", -1, 3); }},
        {"Remplace W", [&](CTStringConcatAW& c) { c.Remplace(0, 1, sLong.c_str(), -1); }},
        {"Remplace tout W", [&](CTStringConcatAW& c) { c.Remplace(L"a", -1, sLong.c_str(), -1, 0); }},
        {"Remplace tout A", [](CTStringConcatAW& c) { c.Remplace("b", -1, "0123456789012345678901234567890", -1, 0); }},
    };
    for (const Mode& m : s_aModes) {
        for (const Case& c : cases) {
            // Every request the edit makes is refused in turn: whichever fails, nothing changes.
            for (long n = 1; n <= 4; ++n) {
                SCOPED_TRACE(testing::Message() << m.pszNom << ": " << c.pszNom << ", request " << n);
                CTStringConcatAW cl(m.nCodePage, m.nCodePageAppelant, 16);
                cl.Add(L"abcabc", -1);
                reallocrefusal::Arm(n);
                c.Op(cl);
                const bool bRefusee = reallocrefusal::bRefused();
                reallocrefusal::Arm(0);
                if (!bRefusee) break;
                EXPECT_EQ(cl.bIsInError(), 1);
                EXPECT_EQ(VueW(cl), L"abcabc");
            }
        }
    }
}

// A view that cannot be converted for want of memory reads "" and is reported until the text next
// changes: the statement layer reads the view it sends, then checks.
TEST_F(TStringConcatAWTest, AViewThatCannotBeMadeIsReported) {
    struct Case {
        unsigned nCodePage;
        bool bVueA;  // the view of the other width: 8-bit in wide mode, wide in 8-bit mode
    } cases[] = {{WIDE, true}, {65001, false}, {1252, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.nCodePage);
        CTStringConcatAW cl(c.nCodePage, 1252, 16);
        cl.Add(L"SELECT 1", -1);
        reallocrefusal::Arm(1);
        if (c.bVueA)
            EXPECT_STREQ(cl.pszGetA(), "");
        else
            EXPECT_STREQ(cl.pszGetW(), L"");
        ASSERT_TRUE(reallocrefusal::bRefused());
        reallocrefusal::Arm(0);
        EXPECT_EQ(cl.bIsInError(), 1);
        cl.Add(L"0", -1);
        EXPECT_EQ(cl.bIsInError(), 0);
        EXPECT_EQ(VueW(cl), L"SELECT 10");
        EXPECT_EQ(VueA(cl), "SELECT 10");
        EXPECT_EQ(cl.bIsInError(), 0);
    }
}

// Counts far past any text are failures decided before the heap is asked (which is told to
// refuse the first request anyway, so that a size let through wrongly makes no block).
TEST_F(TStringConcatAWTest, CountsFarPastTheTextAreFailedAppends) {
    const long nTropPourConvertir = CXYStringConcat<char>::s_nConversionMax + 1;
    static const wchar_t s_aTexteW[] = L"abc";
    static const char s_aTexteA[] = "abc";
    const struct Case {
        const char* pszNom;
        std::function<void(CTStringConcatAW&)> Ajout;
    } cases[] = {
        {"Add W, the largest count", [](CTStringConcatAW& c) { c.Add(s_aTexteW, LONG_MAX); }},
        {"Add A, the largest count", [](CTStringConcatAW& c) { c.Add(s_aTexteA, LONG_MAX, 1250); }},
        {"Add A, the largest count, caller page", [](CTStringConcatAW& c) { c.Add(s_aTexteA, LONG_MAX); }},
        {"Add W to convert", [=](CTStringConcatAW& c) { c.Add(s_aTexteW, nTropPourConvertir); }},
        {"Add A to convert", [=](CTStringConcatAW& c) { c.Add(s_aTexteA, nTropPourConvertir, 1250); }},
        {"AddUTF8", [=](CTStringConcatAW& c) { c.AddUTF8(s_aTexteA, nTropPourConvertir); }},
        {"Insert W", [](CTStringConcatAW& c) { c.Insert(s_aTexteW, LONG_MAX, 1); }},
        {"Insert A", [](CTStringConcatAW& c) { c.Insert(s_aTexteA, LONG_MAX, 1); }},
        {"Remplace W", [](CTStringConcatAW& c) { c.Remplace(0, 1, s_aTexteW, LONG_MAX); }},
    };
    for (const Mode& m : s_aModes) {
        for (const Case& c : cases) {
            SCOPED_TRACE(testing::Message() << m.pszNom << ": " << c.pszNom);
            CTStringConcatAW cl(m.nCodePage, m.nCodePageAppelant, 16);
            cl.Add(L"xy", -1);
            reallocrefusal::Arm(1);
            c.Ajout(cl);
            const long nDemandes = reallocrefusal::nGetRequests();
            reallocrefusal::Arm(0);
            // A copy of a size a block can have may reach the heap, which refuses it; nothing else.
            EXPECT_LE(nDemandes, 1) << "largest request " << reallocrefusal::nGetLargest();
            EXPECT_LT(reallocrefusal::nGetLargest(), size_t(1) << 62);
            EXPECT_EQ(cl.bIsInError(), 1);
            EXPECT_EQ(VueW(cl), L"xy");
        }
    }
}

TEST_F(TStringConcatAWTest, CallerCodePageMinusOneIsTheHostCodePage) {
    standin::SetCodePage(1251);
    CTStringConcatAW cl(WIDE, CTStringConcatAW::s_nCodePageAppelant);
    EXPECT_EQ(cl.nGetCodePageAppelant(), 1251u);
    cl.Add("\xC4", 1);
    EXPECT_EQ(VueW(cl), L"\u0414");
}

}  // namespace
