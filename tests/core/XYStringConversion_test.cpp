// Shared-string conversions: empty and null sources, the 1252 table path, the end marker carried
// across a change of width (and not to or from UTF-8), surrogate pairs, byte-string targets, the
// free functions and CCodePageCnvW.
#include "core/XYStringConversion.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "core/CodePageCnvW.h"
#include "core/VQBIN.h"
#include "core/XYString.h"
#include "core/platformwin/WinCodePage.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

constexpr wchar_t MARQUEUR_W = static_cast<wchar_t>(0xFFFFFFFF);

std::wstring Texte(const CXYString<wchar_t>& cl) {
    return std::wstring(cl.pszGet(), cl.nGetLongueur());
}
std::string Texte(const CXYString<char>& cl) {
    return std::string(cl.pszGet(), cl.nGetLongueur());
}

class XYStringConversionTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }

    // Values that end with the end marker, as the host hands them for "largest value" bounds.
    static CXYString<char> clAvecMarqueurA(const char* psz) {
        CXYString<char> cl(psz);
        cl.nConcat(CXYString<char>::ChaineMarqueurFin, 1);
        cl.nSetFlags(STRMEM_FLAG_MARQUEUR_FIN);
        return cl;
    }
    static CXYString<wchar_t> clAvecMarqueurW(const wchar_t* psz) {
        CXYString<wchar_t> cl(psz);
        cl.nConcat(CXYString<wchar_t>::ChaineMarqueurFin, 1);
        cl.nSetFlags(STRMEM_FLAG_MARQUEUR_FIN);
        return cl;
    }
};

TEST_F(XYStringConversionTest, NullOrEmptySourcesLeaveTheTargetEmpty) {
    struct Case {
        const char* pszNom;
        std::function<int(CXYString<wchar_t>&, CXYString<char>&, CVQBIN&)> Op;
    } cases[] = {
        {"W __nConversion null", [](auto& w, auto&, auto&) { return w.__nConversion(nullptr, 5, 0, 1252, 0); }},
        {"W __nConversion 0", [](auto& w, auto&, auto&) { return w.__nConversion("abc", 0, 0, 1250, 0); }},
        {"W __nConversion -1 empty", [](auto& w, auto&, auto&) { return w.__nConversion("", -1, 0, 1252, 0); }},
        {"W nAffecteUTF8", [](auto& w, auto&, auto&) { return w.nAffecteUTF8(nullptr, -1); }},
        {"W nAffecteUTF16", [](auto& w, auto&, auto&) { return w.nAffecteUTF16(nullptr, 3); }},
        {"W nAffecteUTF32", [](auto& w, auto&, auto&) { return w.nAffecteUTF32(L"abc", 0); }},
        {"A __nConversion", [](auto&, auto& a, auto&) { return a.__nConversion(L"", -1, 0, 1252, 0, nullptr); }},
        {"A nAffecteToUTF8 W",
         [](auto&, auto& a, auto&) { return a.nAffecteToUTF8(static_cast<const wchar_t*>(nullptr), -1); }},
        {"A nAffecteUTF32", [](auto&, auto& a, auto&) { return a.nAffecteUTF32(nullptr, 2, 1252, 0, nullptr); }},
        {"A nAffecteUTF16", [](auto&, auto& a, auto&) { return a.nAffecteUTF16(nullptr, 2, 1252, 0, nullptr); }},
        {"A nAffecteUTF8", [](auto&, auto& a, auto&) { return a.nAffecteUTF8("x", 0, 1252, 0, nullptr, nullptr); }},
        {"A nAffecteToUTF8", [](auto&, auto& a, auto&) { return a.nAffecteToUTF8("x", 0, 1252); }},
        {"B nAffecteToANSI",
         [](auto&, auto&, auto& b) { return b.nAffecteToANSI(L"x", 0, 1252, 0, nullptr, nullptr, 0); }},
        {"B nAffecteToUNICODE", [](auto&, auto&, auto& b) { return b.nAffecteToUNICODE("", -1, 1252, 0); }},
    };
    for (const Case& c : cases) {
        CXYString<wchar_t> w(L"old");
        CXYString<char> a("old");
        const unsigned char abyOld[] = {1, 2, 3};
        CVQBIN b(abyOld, 3);
        EXPECT_EQ(c.Op(w, a, b), 0) << c.pszNom;
        // The value that was assigned is empty (null), not an allocated empty text.
        const bool bVide = c.pszNom[0] == 'W'   ? w.pszGetBuffer() == nullptr
                           : c.pszNom[0] == 'A' ? a.pszGetBuffer() == nullptr
                                                : b.pbyGet() == nullptr;
        EXPECT_TRUE(bVide) << c.pszNom;
    }
}

TEST_F(XYStringConversionTest, Code1252GoesThroughTheTable) {
    // 0x81 has no character in 1252: the table keeps it as U+0081, the platform conversion would
    // not, so the table path is the one taken.
    CXYString<wchar_t> cl;
    ASSERT_EQ(cl.__nConversion("\x80\x81\x9F\xE9", 4, 0, 1252, 0), 0);
    EXPECT_EQ(Texte(cl), L"\u20ac\u0081\u0178\u00e9");
    ASSERT_EQ(cl.__nConversion("\x80\xE9", -1, 0, 0, 0), 0);  // code page 0 is 1252
    EXPECT_EQ(Texte(cl), L"\u20ac\u00e9");
    EXPECT_GE(cl.nGetCapacite(), 3);
    ASSERT_EQ(cl.__nConversion("\xC4\xE0", 2, 5, 1251, 0), 0);
    EXPECT_EQ(Texte(cl), L"\u0414\u0430");
    EXPECT_GE(cl.nGetCapacite(), 2 + 5 + 1);  // room for the extra characters asked
    // A conversion that gives nothing leaves an allocated empty text.
    ASSERT_EQ(cl.__nConversion("\xC3", 1, 0, 65001, MB_ERR_INVALID_CHARS), 0);
    EXPECT_NE(cl.pszGetBuffer(), nullptr);
    EXPECT_EQ(cl.nGetLongueur(), 0);
}

TEST_F(XYStringConversionTest, Utf8AsciiAndMixedTexts) {
    // ASCII takes a way of its own: the same text and length as the decoded one.
    CXYString<wchar_t> cl;
    ASSERT_EQ(cl.nAffecteConversionExplicite("id 42", 5, 65001), 0);
    EXPECT_EQ(Texte(cl), L"id 42");
    EXPECT_EQ(cl.nGetLongueur(), 5);
    ASSERT_EQ(cl.nAffecteConversionExplicite("caf\xC3\xA9!", 6, 65001), 0);
    EXPECT_EQ(Texte(cl), L"caf\u00e9!");
    EXPECT_EQ(cl.nGetLongueur(), 5);
    ASSERT_EQ(cl.__nConversion("ab", 2, 3, 65001, 0), 0);
    EXPECT_EQ(Texte(cl), L"ab");
    EXPECT_GE(cl.nGetCapacite(), 2 + 3 + 1);
}

TEST_F(XYStringConversionTest, CodePageMinusOneIsTheHostCodePage) {
    standin::SetCodePage(1251);
    EXPECT_EQ(Texte(PCASTR_To_CWString("\xC4", -1)), L"\u0414");
    EXPECT_EQ(Texte(PCWSTR_To_CAString(L"\u0430", -1)), "\xE0");
    CCodePageCnvW cl("\xC4\xE0z", 2, -1);
    EXPECT_STREQ(cl.pszGet(), L"\u0414\u0430");
}

TEST_F(XYStringConversionTest, EightBitTargets) {
    CXYString<char> cl;
    EXPECT_EQ(cl.nAffecteUTF8("\xC3\x28\xFF", 3, 65001, 0, nullptr, nullptr), 0);  // copied as is, invalid or not
    EXPECT_EQ(Texte(cl), "\xC3\x28\xFF");

    int bDefaut = 0;
    EXPECT_EQ(cl.nAffecteUTF8("\xC3\xA9-\xE4\xB8\xAD", 6, 1252, 0, "[?]", &bDefaut), 0);
    EXPECT_EQ(Texte(cl), "\xE9-[?]");  // a replacement longer than the character it stands for
    EXPECT_EQ(bDefaut, 1);

    EXPECT_EQ(cl.nAffecteToUTF8("caf\xE9", 4, 1252), 0);
    EXPECT_EQ(Texte(cl), "caf\xC3\xA9");
    EXPECT_EQ(cl.nAffecteToUTF8("\x81", 1, 932), 105);  // a lone lead byte converts to nothing
    EXPECT_EQ(cl.pszGetBuffer(), nullptr);

    EXPECT_EQ(cl.nAffecteUTF32(L"\u00e9\u0414", 2, 1252, 0, "#"), 0);
    EXPECT_EQ(Texte(cl), "\xE9#");
    const unsigned short aUtf16[] = {'a', 0xD83D, 0xDE00};
    EXPECT_EQ(cl.nAffecteUTF16(aUtf16, 3, 65001, 0, nullptr), 0);
    EXPECT_EQ(Texte(cl), "a\xF0\x9F\x98\x80");  // the pair converts as one character
    EXPECT_EQ(cl.nAffecteToUTF8(L"\u20ac", -1), 0);
    EXPECT_EQ(Texte(cl), "\xE2\x82\xAC");
}

TEST_F(XYStringConversionTest, WideTargetsFromUTF16AndUTF32) {
    CXYString<wchar_t> cl;
    const unsigned short aUtf16[] = {'x', 0xD83D, 0xDE00, 0xDC00, 'y'};
    ASSERT_EQ(cl.nAffecteUTF16(aUtf16, 5), 0);
    const wchar_t aAttendu[] = {'x', 0x1F600, 0xDC00, 'y'};
    EXPECT_EQ(Texte(cl), std::wstring(aAttendu, 4));  // pair joined, lone surrogate kept
    ASSERT_EQ(cl.nAffecteUTF32(L"abc\u00e9", 4), 0);
    EXPECT_EQ(Texte(cl), L"abc\u00e9");
    ASSERT_EQ(cl.nAffecteUTF32(cl.pszGet() + 1, 2), 0);  // the source is the value's own text
    EXPECT_EQ(Texte(cl), L"bc");
    EXPECT_EQ(cl.nAffecteToUTF8("abc", 3, 1252), 0);  // wide values hold no UTF-8: nothing done
    EXPECT_EQ(Texte(cl), L"bc");
}

TEST_F(XYStringConversionTest, AssigningToASharedValueLeavesTheOtherAlone) {
    CXYString<wchar_t> cl1(L"shared");
    CXYString<wchar_t> cl2(cl1);
    ASSERT_TRUE(cl1.bEstPartage());
    ASSERT_EQ(cl2.nAffecteUTF8("neu", -1), 0);
    EXPECT_EQ(Texte(cl1), L"shared");
    EXPECT_EQ(Texte(cl2), L"neu");
    EXPECT_FALSE(cl1.bEstPartage());
}

TEST_F(XYStringConversionTest, AllocatorRefusalIsReturnedAndLeavesTheValueEmpty) {
    CXYString<wchar_t> cl(L"old");
    standin::RefuseAllocation(1, 77);
    EXPECT_EQ(cl.__nConversion("abc", 3, 0, 1250, 0), 77);
    EXPECT_EQ(cl.pszGetBuffer(), nullptr);
    CXYString<char> clA("old");
    standin::RefuseAllocation(1, 78);
    EXPECT_EQ(clA.nAffecteToUTF8("abc", 3, 1252), 78);
    EXPECT_EQ(clA.pszGetBuffer(), nullptr);
    EXPECT_EQ(cl.__nConversion("abc", 3, 0x7FFFFFFF, 1250, 0), STRMEM_ERR_TOO_LONG);
}

TEST_F(XYStringConversionTest, MarkerCrossesWidthsExceptToAndFromUTF8) {
    // Wide to 8-bit.
    struct CaseW {
        const wchar_t* pszTexte;
        int nCodePage;
        std::string sAttendu;
        uint32_t dwFlags;
    } casesW[] = {
        {L"ab\u00e9", 1252, "ab\xE9\xFF", 1},
        {L"", 1252, "\xFF", 1},    // only the marker
        {L"ab", 65001, "ab?", 0},  // UTF-8: the marker is an ordinary (unencodable) character
    };
    for (const CaseW& c : casesW) {
        const CXYString<wchar_t> clW = clAvecMarqueurW(c.pszTexte);
        CXYString<char> clA;
        ASSERT_EQ(clA.__nConversionMarqueur(clW, c.nCodePage), 0);
        EXPECT_EQ(Texte(clA), c.sAttendu) << c.nCodePage;
        EXPECT_EQ(clA.dwGetFlags(), c.dwFlags) << c.nCodePage;
    }
    // 8-bit to wide.
    const CXYString<char> clA = clAvecMarqueurA("ab\xE9");
    CXYString<wchar_t> clW;
    ASSERT_EQ(clW.__nConversionMarqueur(clA, 1252), 0);
    EXPECT_EQ(Texte(clW), std::wstring(L"ab\u00e9") + MARQUEUR_W);
    EXPECT_EQ(clW.dwGetFlags(), 1u);
    // Without the flag a last 0xFF byte is an ordinary character.
    CXYString<char> clSansFlag("ab\xFF");
    ASSERT_EQ(clW.__nConversionMarqueur(clSansFlag, 1252), 0);
    EXPECT_EQ(Texte(clW), L"ab\u00ff");
    EXPECT_EQ(clW.dwGetFlags(), 0u);

    // CAString_To_UTF8: through the wide marker in 1252; shared unchanged in 65001.
    const CXYString<char> clUtf8 = CAString_To_UTF8(clA, 1252);
    EXPECT_EQ(Texte(clUtf8), "ab\xC3\xA9?");
    const CXYString<char> clPartage = CAString_To_UTF8(clA, 65001);
    EXPECT_EQ(clPartage.pszGetBuffer(), clA.pszGetBuffer());
    EXPECT_TRUE(clA.bEstPartage());
}

TEST_F(XYStringConversionTest, SeparateCopiesCarryTheMarker) {
    char* pszA = nullptr;
    const CXYString<wchar_t> clW = clAvecMarqueurW(L"x\u00e9");
    ASSERT_EQ(clW.bCreateY(pszA, 1252), 1);
    EXPECT_EQ(std::string(pszA), "x\xE9\xFF");
    free(pszA);
    ASSERT_EQ(clAvecMarqueurW(L"").bCreateY(pszA, 1252), 1);
    EXPECT_EQ(std::string(pszA), "\xFF");
    free(pszA);
    ASSERT_EQ(CXYString<wchar_t>(L"plain").bCreateY(pszA, 1252), 1);
    EXPECT_STREQ(pszA, "plain");
    free(pszA);
    ASSERT_EQ(CXYString<wchar_t>().bCreateY(pszA, 1252), 1);
    EXPECT_EQ(pszA, nullptr);

    wchar_t* pszW = nullptr;
    ASSERT_EQ(clAvecMarqueurA("x\xE9").bCreateY(pszW, 1252), 1);
    EXPECT_EQ(std::wstring(pszW), std::wstring(L"x\u00e9") + MARQUEUR_W);
    free(pszW);
    // In a double-byte page the marker byte is no character: the text before it stays whole.
    ASSERT_EQ(clAvecMarqueurA("\x83\x5C").bCreateY(pszW, 932), 1);
    EXPECT_EQ(std::wstring(pszW), std::wstring(L"\u30bd") + MARQUEUR_W);
    free(pszW);
    ASSERT_EQ(CXYString<char>("d\xE9j\xE0").bCreateY(pszW, 1252), 1);
    EXPECT_STREQ(pszW, L"d\u00e9j\u00e0");
    free(pszW);
}

TEST_F(XYStringConversionTest, ByteStringTargets) {
    CVQBIN clB;
    int bDefaut = 0;
    ASSERT_EQ(clB.nAffecteToANSI(L"\u00e9\u0414", 2, 1252, 0, nullptr, &bDefaut, 3), 0);
    ASSERT_EQ(clB.nGetTaille(), 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(clB.pbyGet()), 2), "\xE9?");
    EXPECT_EQ(bDefaut, 1);
    EXPECT_GE(clB.nGetCapacite(), 5);

    ASSERT_EQ(clB.nAffecteToUNICODE("\xC4\xE0", -1, 1251, 0), 0);
    ASSERT_EQ(clB.nGetTaille(), 8);
    const wchar_t* pszW = reinterpret_cast<const wchar_t*>(clB.pbyGet());
    EXPECT_EQ(std::wstring(pszW, 2), L"\u0414\u0430");

    // A byte value holding wide text with the marker: 0xFF stands for it, flags word 1. The
    // source may be the value itself.
    const wchar_t aTexte[] = {L'o', L'k', MARQUEUR_W};
    CVQBIN clWide(reinterpret_cast<const unsigned char*>(aTexte), sizeof aTexte);
    clWide.nSetFlags(STRMEM_FLAG_MARQUEUR_FIN);
    ASSERT_EQ(clWide.nAffecteToANSI(&clWide, 1252, 0, nullptr, nullptr), 0);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(clWide.pbyGet()), clWide.nGetTaille()), "ok\xFF");
    EXPECT_EQ(clWide.dwGetFlags(), 1u);
}

TEST_F(XYStringConversionTest, FreeFunctions) {
    EXPECT_EQ(Texte(UTF8_To_CWString("d\xC3\xA9j\xC3\xA0")), L"d\u00e9j\u00e0");
    EXPECT_EQ(Texte(UTF8_To_CWString("d\xC3\xA9j\xC3\xA0", 3)), L"d\u00e9");
    EXPECT_EQ(Texte(PCASTR_To_CWString("\xE9t\xE9", 1252, 2)), L"\u00e9t");
    EXPECT_EQ(Texte(PCWSTR_To_CAString(L"\u00e9t\u00e9", 1252, -1)), "\xE9t\xE9");
    EXPECT_EQ(Texte(PCWSTR_To_UTF8(L"\u20ac1")),
              "\xE2\x82\xAC"
              "1");
    EXPECT_EQ(Texte(PCWSTR_N_To_UTF8(L"\u20ac1", 1)), "\xE2\x82\xAC");
    EXPECT_EQ(Texte(CWString_To_UTF8(CXYString<wchar_t>(L"\u00e9"))), "\xC3\xA9");
    EXPECT_EQ(Texte(PCASTR_To_UTF8("\xE9", 1252)), "\xC3\xA9");
    EXPECT_EQ(Texte(PCASTR_To_UTF8("\xE9", 65001)), "\xE9");  // a plain copy
    EXPECT_EQ(Texte(PCASTR_N_To_UTF8("\xC4\xE0", 1, 1251)), "\xD0\x94");
    EXPECT_EQ(Texte(UTF8_To_CAString("\xD0\x94\xD0\xB0", 1251)), "\xC4\xE0");
    EXPECT_EQ(Texte(UTF8_To_CAString("\xD0\x94\xD0\xB0", 2, 1251)), "\xC4");
    EXPECT_EQ(Texte(UTF8_To_CAString("\xC3\x28", 65001)), "\xC3\x28");
    EXPECT_EQ(PCASTR_To_CWString(nullptr, 1252).pszGetBuffer(), nullptr);
    EXPECT_EQ(UTF8_To_CAString(nullptr, 1252).pszGetBuffer(), nullptr);
    EXPECT_EQ(PCWSTR_To_UTF8(L"").pszGetBuffer(), nullptr);
}

TEST_F(XYStringConversionTest, CodePageCnvWKeepsItsConversion) {
    CCodePageCnvW clNull(nullptr, -1, 1252);
    EXPECT_EQ(clNull.pszGet(), nullptr);
    CCodePageCnvW clVide("", -1, 1252);
    EXPECT_STREQ(clVide.pszGet(), L"");
    CCodePageCnvW cl("caf\xE9 cr\xE8me", -1, 1252);
    EXPECT_STREQ(cl.pszGet(), L"caf\u00e9 cr\u00e8me");
    CCodePageCnvW clN("caf\xE9 cr\xE8me", 4, 1252);
    EXPECT_STREQ(clN.pszGet(), L"caf\u00e9");
}

}  // namespace
