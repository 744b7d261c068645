// Tests of the plain string utilities: heap texts, bounded copies, searching, trimming, character
// classes, the Windows-1252 helpers, code-page conversions, replacement, the printf length
// estimate and the growing formatter.
#include "core/STRUtil.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

struct stFree {
    void operator()(void* p) const { free(p); }
};
using CWText = std::unique_ptr<wchar_t, stFree>;
using CAText = std::unique_ptr<char, stFree>;

std::string sNarrow(const wchar_t* psz) {
    std::string s;
    for (; psz != nullptr && *psz != 0; psz++) s += static_cast<char>(*psz);
    return s;
}

class STRUtilTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

// ---------------------------------------------------------------------------------------------
// Creation and lifetime
// ---------------------------------------------------------------------------------------------

TEST_F(STRUtilTest, CreatedBlocksHoldTheCharactersAndTheZero) {
    // Every unit up to index n must be writable (the address sanitizer watches the block ends).
    CWText pw(STRG_pszCreate<wchar_t>(5));
    ASSERT_NE(pw, nullptr);
    wmemset(pw.get(), L'x', 5);
    pw.get()[5] = 0;
    CAText pa(STRG_pszCreate<char>(5));
    ASSERT_NE(pa, nullptr);
    memset(pa.get(), 'x', 6);
    CWText pw0(STR_pszCreate(0UL));
    ASSERT_NE(pw0, nullptr);
    pw0.get()[0] = 0;
    EXPECT_EQ(STR_pszCreateA(~0UL), nullptr) << "a size that cannot be counted is refused";
}

TEST_F(STRUtilTest, CopiesAndConcatenations) {
    CWText p(STR_pszCreateW(L"abc"));
    EXPECT_STREQ(p.get(), L"abc");
    EXPECT_EQ(STR_pszCreate(static_cast<const wchar_t*>(nullptr)), nullptr);
    CAText pa(STR_pszCreateA("abc"));
    EXPECT_STREQ(pa.get(), "abc");

    CWText pn(STR_pszCreate(5, L"ab"));
    ASSERT_NE(pn, nullptr);
    for (int i = 2; i <= 5; i++) EXPECT_EQ(pn.get()[i], 0) << "zero-filled after a shorter source";
    CWText pCut(STR_pszCreateW(2UL, L"abcdef"));
    EXPECT_STREQ(pCut.get(), L"ab");
    CAText paCut(STR_pszCreateA(3UL, "abcdef"));
    EXPECT_STREQ(paCut.get(), "abc");
    CAText paNull(STR_pszCreateA(2UL, static_cast<const char*>(nullptr)));
    EXPECT_STREQ(paNull.get(), "");

    CWText p2(STR_pszCreateW(L"ab", L"cd"));
    EXPECT_STREQ(p2.get(), L"abcd");
    CWText p2n(STR_pszCreateW(static_cast<const wchar_t*>(nullptr), L"cd"));
    EXPECT_STREQ(p2n.get(), L"cd");
    CAText pa2(STR_pszCreateA("ab", "cd"));
    EXPECT_STREQ(pa2.get(), "abcd");
    CWText p3(STR_pszConcat(L"a", nullptr, L"c"));
    EXPECT_STREQ(p3.get(), L"ac");
    CWText pPoint(STR_pszConcatPoint(L"schema", L"table"));
    EXPECT_STREQ(pPoint.get(), L"schema.table");
}

TEST_F(STRUtilTest, UnalignedTextsAreCopiedByteWise) {
    const wchar_t szSource[] = L"héllo";
    alignas(8) char abyPaquet[64] = {};
    memcpy(abyPaquet + 1, szSource, sizeof(szSource));
    const wchar_t* pszDecale = reinterpret_cast<const wchar_t*>(abyPaquet + 1);
    CWText p(STR_pszCreateW_UNALIGNED(pszDecale));
    ASSERT_NE(p, nullptr);
    EXPECT_STREQ(p.get(), L"héllo");
    CWText pn(STR_pszCreateW_UNALIGNED(3UL, pszDecale));
    EXPECT_STREQ(pn.get(), L"hél");
    CWText pLong(STR_pszCreateW_UNALIGNED(8UL, pszDecale));
    EXPECT_STREQ(pLong.get(), L"héllo");
    EXPECT_EQ(pLong.get()[8], 0);
    EXPECT_EQ(STR_pszCreateW_UNALIGNED(static_cast<const wchar_t*>(nullptr)), nullptr);
}

TEST_F(STRUtilTest, RedefineAndResize) {
    wchar_t* p = STR_pszCreateW(L"old");
    EXPECT_TRUE(STR_bRedefine(&p, L"new text"));
    EXPECT_STREQ(p, L"new text");
    EXPECT_TRUE(STR_bResizeW(&p, 32));
    EXPECT_STREQ(p, L"new text") << "the characters are kept";
    wcscpy(p, std::wstring(31, L'z').c_str());
    EXPECT_TRUE(STR_bResizeW(&p, 0)) << "a resize to nothing keeps a valid block";
    STR_Delete(p);
    p = nullptr;
    EXPECT_TRUE(STR_bRedefine(&p, nullptr));
    EXPECT_EQ(p, nullptr);

    char* pa = STR_pszCreateA("ab");
    EXPECT_TRUE(STR_bResizeA(&pa, 100));
    EXPECT_STREQ(pa, "ab");
    STR_DeleteA(pa);
    STR_Delete(nullptr);
    STR_DeleteW(nullptr);
}

// ---------------------------------------------------------------------------------------------
// Bounded copies
// ---------------------------------------------------------------------------------------------

TEST_F(STRUtilTest, BoundedCopy) {
    struct Case {
        unsigned long n;
        const wchar_t* pszSrc;
        long nLen;
        const wchar_t* pszAttendu;  // null: nothing written
        long nAttendu;
    };
    const Case aCases[] = {
        {4, L"abcdef", -1, L"abc", 3}, {4, L"abcdef", 2, L"ab", 2}, {0, L"abcdef", -1, nullptr, 0},
        {10, L"abc", -1, L"abc", 3},   {10, L"abc", 0, L"", 0},     {10, L"abc", -5, L"", 0},
        {10, nullptr, -1, L"", 0},     {1, L"abc", -1, L"", 0},     {10, L"abc", 50, L"abc", 3},
        {4, L"abc", -1, L"abc", 3},    {3, L"abc", -1, L"ab", 2},   {10, L"", -1, L"", 0},
    };
    for (const Case& c : aCases) {
        // Exactly n units plus one sentinel that must never be touched.
        std::vector<wchar_t> aw(c.n + 1, L'#');
        EXPECT_EQ(STR_nCopyW(aw.data(), c.n, c.pszSrc, c.nLen), c.nAttendu) << c.n << " " << c.nLen;
        if (c.pszAttendu != nullptr) {
            EXPECT_STREQ(aw.data(), c.pszAttendu) << c.n << " " << c.nLen;
        }
        EXPECT_EQ(aw[c.n], L'#') << "written past the buffer";
        if (c.n == 0) {
            EXPECT_EQ(aw[0], L'#');
        }

        std::string sSrc = sNarrow(c.pszSrc);
        std::vector<char> ac(c.n + 1, '#');
        EXPECT_EQ(STR_nCopyA(ac.data(), c.n, c.pszSrc ? sSrc.c_str() : nullptr, c.nLen), c.nAttendu);
        if (c.pszAttendu != nullptr) {
            EXPECT_EQ(std::string(ac.data()), sNarrow(c.pszAttendu));
        }
        EXPECT_EQ(ac[c.n], '#');
    }
}

TEST_F(STRUtilTest, BoundedConcatenationAndCut) {
    wchar_t aw[8] = L"abcde";
    EXPECT_EQ(STR_nCatW(aw, 8, L"XYZW", -1), 2);
    EXPECT_STREQ(aw, L"abcdeXY");
    EXPECT_EQ(STR_nCat(aw, 8, L"Q", -1), 0) << "full: nothing more";
    wchar_t awPlein[4] = {L'a', L'b', L'c', L'd'};  // no zero within the size
    EXPECT_EQ(STR_nCatW(awPlein, 4, L"x", -1), 0);
    EXPECT_EQ(awPlein[3], L'd');
    char ac[6] = "ab";
    EXPECT_EQ(STR_nCatA(ac, 6, "cdefg", 2), 2);
    EXPECT_STREQ(ac, "abcd");

    struct Case {
        unsigned long n;
        const wchar_t* pszAttendu;
        long nAttendu;
    };
    const Case aCases[] = {{3, L"ab", 2}, {6, L"abcde", 5}, {5, L"abcd", 4}, {1, L"", 0}, {0, nullptr, 0}};
    for (const Case& c : aCases) {
        std::vector<wchar_t> awCut(c.n + 1, L'#');
        EXPECT_EQ(STR_nCut(awCut.data(), c.n, L"abcde"), c.nAttendu) << c.n;
        if (c.pszAttendu != nullptr) {
            EXPECT_STREQ(awCut.data(), c.pszAttendu);
        }
        EXPECT_EQ(awCut[c.n], L'#');
        std::vector<char> acCut(c.n + 1, '#');
        EXPECT_EQ(STR_nCut(acCut.data(), c.n, "abcde"), c.nAttendu) << c.n;
        EXPECT_EQ(acCut[c.n], '#');
    }
    wchar_t awCatCut[6] = L"ab";
    EXPECT_EQ(STR_nCatCut(awCatCut, 6, L"cdefgh"), 3);
    EXPECT_STREQ(awCatCut, L"abcde");
}

// ---------------------------------------------------------------------------------------------
// Searching
// ---------------------------------------------------------------------------------------------

TEST_F(STRUtilTest, BoundedLength) {
    EXPECT_EQ(STR_nLenW(L"abcdef", 4), 4);
    EXPECT_EQ(STR_nLenW(L"ab", 4), 2);
    EXPECT_EQ(STR_nLen(L"ab", 0), 0);
    EXPECT_EQ(STR_nLenW(L"ab", -1), 0);
    EXPECT_EQ(STR_nLenW(nullptr, 4), 0);
    EXPECT_EQ(STR_nLenA("abcdef", 3), 3);
}

TEST_F(STRUtilTest, ReverseSearchesStopAtTheStartIndex) {
    const wchar_t* psz = L"abcabc";
    struct Case {
        long i;
        long nChr;  // wcsrchr(psz, i, 'b'): index or -1
        long nStr;  // STRRSTRW(psz, i, "bc"): index or -1
    };
    const Case aCases[] = {{0, -1, -1}, {1, 1, 1}, {3, 1, 1}, {4, 4, 4}, {5, 4, 4}, {100, 4, 4}, {-1, -1, -1}};
    auto nIndex = [&](const wchar_t* p) { return p == nullptr ? -1L : static_cast<long>(p - psz); };
    for (const Case& c : aCases) {
        EXPECT_EQ(nIndex(wcsrchr(psz, c.i, L'b')), c.nChr) << c.i;
        EXPECT_EQ(nIndex(STRRSTRW(psz, c.i, L"bc")), c.nStr) << c.i;
        EXPECT_EQ(nIndex(STRRSTR(psz, c.i, L"bc")), c.nStr) << c.i;
        const char* pszA = "abcabc";
        const char* pA = STRRSTRA(pszA, c.i, "bc");
        EXPECT_EQ(pA == nullptr ? -1L : pA - pszA, c.nStr) << c.i;
        const char* pC = strrchr(pszA, c.i, 'b');
        EXPECT_EQ(pC == nullptr ? -1L : pC - pszA, c.nChr) << c.i;
    }
    EXPECT_EQ(STRRSTRW(psz, 5, L"abcabcX"), nullptr);
    EXPECT_EQ(wcsrchr(static_cast<const wchar_t*>(nullptr), 3L, L'a'), nullptr);
}

TEST_F(STRUtilTest, ForwardSearches) {
    const wchar_t* psz = L"hello world";
    auto nIndex = [&](const wchar_t* p) { return p == nullptr ? -1L : static_cast<long>(p - psz); };
    struct Case {
        const wchar_t* pszFind;
        int n;
        long nAttendu;
    };
    const Case aCases[] = {{L"wor", 11, 6},           {L"wor", 9, 6},   {L"wor", 8, -1}, {L"", 3, 0}, {nullptr, 3, 0},
                           {L"hello world!", 11, -1}, {L"xyz", 11, -1}, {L"hello", 5, 0}};
    for (const Case& c : aCases) EXPECT_EQ(nIndex(STR_pszStrnstr(psz, c.pszFind, c.n)), c.nAttendu) << c.n;
    EXPECT_EQ(nIndex(STR_pszStrnstr(psz, L"ld", 100)), 9) << "a text shorter than n is searched to its end";

    EXPECT_EQ(nIndex(STRRPBRK(psz, L"lo")), 9);
    EXPECT_EQ(STRRPBRK(psz, L""), nullptr);
    EXPECT_EQ(STRRPBRK(psz, L"xyz"), nullptr);

    EXPECT_EQ(nIndex(STR_StrIStr(psz, L"WORLD")), 6);
    EXPECT_EQ(nIndex(STR_StrIStr(psz, L"")), 0);
    EXPECT_EQ(STR_StrIStr(psz, L"hello world and more"), nullptr);

    char szA[] = "hello world";
    EXPECT_EQ(STR_strnstrA(szA, "wor", 9), szA + 6);
    EXPECT_EQ(STR_strnstrA(szA, "wor", 8), nullptr);
    EXPECT_EQ(STR_strnstrA(szA, "", 0), szA);
    EXPECT_EQ(STR_strnistrA(szA, "WOR", 11), szA + 6);
    EXPECT_EQ(STR_strnistrA(szA, "WOR", 7), nullptr);

    EXPECT_EQ(nIndex(STR_pszUpStrstr(psz, L"WoR")), 6);
    EXPECT_EQ(STR_pszUpStrstr(psz, L"hello world, again"), nullptr);
    EXPECT_EQ(STR_pszUpStrstr(psz, L"xyz"), nullptr);
    const wchar_t* pszAccent = L"une élève";
    const wchar_t* pTrouve = STR_pszUpStrstr(pszAccent, L"ÉLÈ");
    EXPECT_EQ(pTrouve, pszAccent + 4);

    EXPECT_TRUE(STR_bContainSpace(psz));
    EXPECT_FALSE(STR_bContainSpace(L"a\tb"));
    EXPECT_FALSE(STR_bContainSpace(nullptr));
}

TEST_F(STRUtilTest, RichTextIsRecognisedByItsHeading) {
    struct Case {
        const char* psz;
        bool bAttendu;
    };
    const Case aCases[] = {{"{\\rtf1\\ansi}", true}, {"{\\RTF1", true}, {"{\\rtf{", true},  {"{\\rtf2", false},
                           {"{\\rt", false},         {"", false},       {" {\\rtf1", false}};
    for (const Case& c : aCases) {
        EXPECT_EQ(bEstDuTexteRTF(c.psz), c.bAttendu) << c.psz;
        std::wstring s(c.psz, c.psz + strlen(c.psz));
        EXPECT_EQ(bEstDuTexteRTFW(s.c_str()), c.bAttendu) << c.psz;
        EXPECT_EQ(bEstDuTexteRTF(s.c_str()), c.bAttendu) << c.psz;
    }
    EXPECT_FALSE(bEstDuTexteRTF(static_cast<const char*>(nullptr)));
}

// ---------------------------------------------------------------------------------------------
// Trimming and padding
// ---------------------------------------------------------------------------------------------

TEST_F(STRUtilTest, TrimmingInPlace) {
    enum eTrim { RIGHT, LEFT, SIDE, ALL };
    struct Case {
        eTrim eQuoi;
        const wchar_t* pszAvant;
        const wchar_t* pszApres;
    };
    const Case aCases[] = {
        {RIGHT, L"  a b \t\n", L"  a b"}, {LEFT, L" \t a b ", L"a b "}, {SIDE, L" \r\na b  ", L"a b"},
        {ALL, L" a b\tc ", L"abc"},       {SIDE, L"   ", L""},          {RIGHT, L"", L""},
    };
    for (const Case& c : aCases) {
        std::wstring sW = c.pszAvant;
        std::vector<wchar_t> aw(sW.begin(), sW.end());
        aw.push_back(0);
        std::string sA = sNarrow(c.pszAvant);
        std::vector<char> ac(sA.begin(), sA.end());
        ac.push_back(0);
        switch (c.eQuoi) {
            case RIGHT:
                STR_SuppressRightSpaces(aw.data()), STR_SuppressRightSpaces(ac.data());
                break;
            case LEFT:
                STR_SuppressLeftSpaces(aw.data()), STR_SuppressLeftSpaces(ac.data());
                break;
            case SIDE:
                STR_SuppressSideSpaces(aw.data()), STR_SuppressSideSpaces(ac.data());
                break;
            case ALL:
                STR_SuppressAllSpacesW(aw.data()), STR_SuppressAllSpacesA(ac.data());
                break;
        }
        EXPECT_STREQ(aw.data(), c.pszApres);
        EXPECT_EQ(std::string(ac.data()), sNarrow(c.pszApres));
    }
    STR_SuppressSideSpaces(static_cast<wchar_t*>(nullptr));
    STR_SuppressAllSpacesA(nullptr);
}

TEST_F(STRUtilTest, TrimmingACharacter) {
    struct Case {
        int nCote;  // 0 right, 1 left, 2 both
        const char* pszAvant;
        const char* pszApres;
    };
    const Case aCases[] = {{0, "a;;", "a"}, {0, ";;", ""},   {0, ";a;", ";a"}, {1, ";;a;", "a;"},
                           {1, ";;", ""},   {2, ";a;", "a"}, {2, "a", "a"},    {0, "", ""}};
    for (const Case& c : aCases) {
        std::string sA = c.pszAvant;
        std::wstring sW(sA.begin(), sA.end());
        std::vector<char> ac(sA.begin(), sA.end());
        ac.push_back(0);
        std::vector<wchar_t> aw(sW.begin(), sW.end());
        aw.push_back(0);
        if (c.nCote == 0) {
            STR_SuppressRightCar(ac.data(), ';');
            STR_SuppressRightCar(aw.data(), L';');
        } else if (c.nCote == 1) {
            STR_SuppressLeftCar(ac.data(), ';');
            STR_SuppressLeftCar(aw.data(), L';');
        } else {
            STR_SuppressSideCar(aw.data(), L';');
            ac.assign(c.pszApres, c.pszApres + strlen(c.pszApres) + 1);  // no 8-bit form
        }
        EXPECT_STREQ(ac.data(), c.pszApres) << c.pszAvant;
        EXPECT_EQ(sNarrow(aw.data()), c.pszApres) << c.pszAvant;
    }
}

TEST_F(STRUtilTest, CompletePadsOrCutsAtNMinusOne) {
    struct Case {
        const char* pszAvant;
        unsigned n;
        const char* pszApres;
    };
    const Case aCases[] = {{"ab", 5, "ab**"}, {"ab", 2, "a"}, {"abcdef", 4, "abc"}, {"", 3, "**"}, {"ab", 1, ""}};
    for (const Case& c : aCases) {
        char ac[16] = {};
        strcpy(ac, c.pszAvant);
        STR_Complete(ac, c.n, '*');
        EXPECT_STREQ(ac, c.pszApres);
        wchar_t aw[16] = {};
        for (size_t i = 0; c.pszAvant[i]; i++) aw[i] = c.pszAvant[i];
        STR_Complete(aw, c.n, L'*');
        EXPECT_EQ(sNarrow(aw), c.pszApres);
    }
}

// ---------------------------------------------------------------------------------------------
// Character classes and Windows-1252
// ---------------------------------------------------------------------------------------------

TEST_F(STRUtilTest, CharacterClassesByCode) {
    EXPECT_TRUE(bEstUnChiffreA('0') && bEstUnChiffreA('9') && !bEstUnChiffreA('a') && !bEstUnChiffreA('/'));
    EXPECT_TRUE(bEstUnChiffreW(L'5') && !bEstUnChiffreW(L'٥'));
    EXPECT_TRUE(bEstUnNombreEntierNaturel(L"0123") && bEstUnNombreEntierNaturel(L""));
    EXPECT_FALSE(bEstUnNombreEntierNaturel(L"12a") || bEstUnNombreEntierNaturel(L"-1"));
    EXPECT_EQ(nGetChiffre(L'7'), 7);
    EXPECT_TRUE(bMajusculeA('A') && !bMajusculeA('a') && bMajusculeW(L'Z') && !bMajusculeW(L'É'));
    EXPECT_TRUE(bMinusculeA('z') && !bMinusculeA('Z') && bMinusculeW(L'a') && !bMinusculeW(L'é'));
    EXPECT_TRUE(bExtendedASCII(128) && !bExtendedASCII(127));
    EXPECT_TRUE(bUnprintable(31) && !bUnprintable(32));
    for (wchar_t c = 0; c < 128; c++) {
        bool bAttendu = (c >= 33 && c <= 47) || (c >= 58 && c <= 64) || (c >= 91 && c <= 95);
        EXPECT_EQ(bPonctuation(c), bAttendu) << static_cast<int>(c);
    }
    EXPECT_TRUE(STR_bNeContientRienDeLisibleW(L" \t\r\n") && STR_bNeContientRienDeLisibleW(L""));
    EXPECT_FALSE(STR_bNeContientRienDeLisibleW(L" \v") || STR_bNeContientRienDeLisibleA(" x"));
    EXPECT_TRUE(STR_bNeContientRienDeLisibleA("\t \n"));
}

TEST_F(STRUtilTest, Windows1252Characters) {
    unsigned char by = 0;
    EXPECT_TRUE(STR_bIsCp1252(L'€', by));
    EXPECT_EQ(by, 0x80);
    EXPECT_FALSE(STR_bIsCp1252(static_cast<wchar_t>(0x81)));
    EXPECT_EQ(STR_FromCP1252('\x81'), 0x81);
    EXPECT_EQ(STR_FromCP1252('\x80'), L'€');
    EXPECT_EQ(STR_FromCP1252('\x9F'), L'Ÿ');
    EXPECT_EQ(STR_FromCP1252('\xE9'), L'é');
    EXPECT_FALSE(STR_bIsCp1252(L'Ω'));
    EXPECT_FALSE(STR_bIsCp1252(static_cast<wchar_t>(0x9F)));

    // Every byte the code page defines comes back to itself.
    int nDefinis = 0;
    for (unsigned b = 0; b < 256; b++) {
        wchar_t c = STR_FromCP1252(static_cast<char>(b));
        bool bDefini = !(b == 0x81 || b == 0x8D || b == 0x8F || b == 0x90 || b == 0x9D);
        EXPECT_EQ(STR_bIsCp1252(c, by), bDefini) << std::hex << b;
        if (bDefini) {
            EXPECT_EQ(by, b) << std::hex << b;
        }
        if (b >= 0x80 && b <= 0x9F && bDefini) nDefinis++;
    }
    EXPECT_EQ(nDefinis, 27);

    EXPECT_TRUE(STR_bIsCp1252(L"Noël €5"));
    EXPECT_FALSE(STR_bIsCp1252(L"Ωmega"));
    EXPECT_TRUE(STR_bIsCp1252(L""));

    int bDefaut = 0;
    EXPECT_EQ(STR_ToCP1252(L'œ', '?', &bDefaut), '\x9C');
    EXPECT_EQ(bDefaut, 0);
    EXPECT_EQ(STR_ToCP1252(L'Ω', '?', &bDefaut), '?');
    EXPECT_EQ(bDefaut, 1);
    EXPECT_EQ(STR_ToCP1252(L'Ω', '?', nullptr), '?');
}

TEST_F(STRUtilTest, CP1252ToWideChar) {
    wchar_t aw[8];
    EXPECT_EQ(STR_CP1252ToWideChar("a\x80", -1, nullptr, 0), 3) << "measure includes the zero";
    EXPECT_EQ(STR_CP1252ToWideChar("a\x80", 2, aw, 0), 2);
    EXPECT_EQ(STR_CP1252ToWideChar("a\x80", -1, aw, 8), 3);
    EXPECT_EQ(aw[0], L'a');
    EXPECT_EQ(aw[1], L'€');
    EXPECT_EQ(aw[2], 0);
    EXPECT_EQ(STR_CP1252ToWideChar("abcdef", -1, aw, 2), 2) << "at most n";
    EXPECT_EQ(STR_CP1252ToWideChar(nullptr, -1, aw, 8), 0);
    EXPECT_EQ(STR_CP1252ToWideChar("abc", 0, aw, 8), 0);
}

TEST_F(STRUtilTest, SevenBitAndUtf8Helpers) {
    EXPECT_TRUE(STR_bIsANSI7(L"plain"));
    EXPECT_FALSE(STR_bIsANSI7(L"plaîn"));
    EXPECT_TRUE(STR_bIsANSI7(L"plaîn", 3));
    EXPECT_FALSE(STR_bIsANSI7(L"plaîn", 4));
    EXPECT_TRUE(STR_bIsANSI7(L"ab", 100)) << "stops at the zero";
    EXPECT_TRUE(STR_bIsANSI7('a'));
    EXPECT_FALSE(STR_bIsANSI7('\xE9'));
    EXPECT_EQ(STR_ToAnsi7(L'a', '?'), 'a');
    EXPECT_EQ(STR_ToAnsi7(L'é', '?'), '?');
    EXPECT_EQ(STR_FromAnsi7('a', L'?'), L'a');
    EXPECT_EQ(STR_FromAnsi7('\xE9', L'?'), L'?');

    struct Case {
        unsigned char by;
        int n;
    };
    const Case aCases[] = {{0x00, 1}, {0x7F, 1}, {0x80, 2}, {0xC3, 2}, {0xDF, 2}, {0xE2, 3}, {0xEF, 3}, {0xF0, 4},
                           {0xF7, 4}, {0xF8, 5}, {0xFB, 5}, {0xFC, 6}, {0xFD, 6}, {0xFE, 1}, {0xFF, 1}};
    for (const Case& c : aCases) EXPECT_EQ(STR_nGetNbByteUTF8(c.by), c.n) << std::hex << int(c.by);
}

// ---------------------------------------------------------------------------------------------
// Code-page conversion
// ---------------------------------------------------------------------------------------------

TEST_F(STRUtilTest, WideToEightBit) {
    struct Case {
        const wchar_t* pszSrc;
        int nLen;
        int nCodePage;
        const char* pszAttendu;  // null: no text
        int nLongueur;
    };
    const Case aCases[] = {
        {L"héllo", -1, 1252, "h\xE9llo", 5},
        {L"héllo", -1, 65001, "h\xC3\xA9llo", 6},
        {L"héllo", 2, 1252, "h\xE9", 2},
        {L"Жук", -1, 1251, "\xC6\xF3\xEA", 3},
        {L"", -1, 1252, "", 0},
    };
    for (const Case& c : aCases) {
        char* psz = reinterpret_cast<char*>(1);
        int nLen = -7;
        EXPECT_EQ(__STR_WCharToChar(c.pszSrc, c.nLen, &psz, &nLen, c.nCodePage), 1) << c.nCodePage;
        ASSERT_NE(psz, nullptr);
        EXPECT_STREQ(psz, c.pszAttendu);
        EXPECT_EQ(nLen, c.nLongueur);
        free(psz);
    }
    // A measure of 0 gives no text and leaves the length alone.
    char* psz = reinterpret_cast<char*>(1);
    int nLen = -7;
    EXPECT_EQ(STR_WCharToChar_AnyCodepage(L"abc", 0, &psz, &nLen, 1252), 0);
    EXPECT_EQ(psz, nullptr);
    EXPECT_EQ(nLen, -7);
    EXPECT_EQ(__STR_WCharToChar(nullptr, -1, &psz, &nLen, 1252), 0);
    EXPECT_EQ(psz, nullptr);

    standin::SetCodePage(1251);
    EXPECT_EQ(STR_WCharToChar_CurrentCharset(&psz, L"Жа", -1), 1);
    EXPECT_STREQ(psz, "\xC6\xE0");
    free(psz);
    EXPECT_EQ(STR_WCharToAChar(L'é', 0, 1252), '\xE9');
    EXPECT_EQ(STR_WCharToAChar(L'Ж', 0, 1251), '\xC6');
}

TEST_F(STRUtilTest, EightBitToWide) {
    wchar_t* psz = reinterpret_cast<wchar_t*>(1);
    int nLen = -7;
    EXPECT_EQ(__STR_CharToWChar("h\xE9llo", -1, 1252, &psz, &nLen, 0), 1);
    EXPECT_STREQ(psz, L"héllo");
    EXPECT_EQ(nLen, 5);
    free(psz);
    EXPECT_EQ(STR_CharToWChar_AnyCodepage("h\xC3\xA9", -1, 65001, &psz, &nLen, 0), 1);
    EXPECT_STREQ(psz, L"hé");
    EXPECT_EQ(nLen, 2);
    free(psz);
    EXPECT_EQ(STR_CharToWChar_AnyCodepage("abcdef", 3, 1252, &psz, &nLen, 0), 1);
    EXPECT_STREQ(psz, L"abc");
    EXPECT_EQ(nLen, 3);
    free(psz);
    // Every failure: no text, length 0, result 0.
    nLen = -7;
    EXPECT_EQ(__STR_CharToWChar("\xC3", -1, 65001, &psz, &nLen, 8 /* invalid input fails */), 0);
    EXPECT_EQ(psz, nullptr);
    EXPECT_EQ(nLen, 0);
    EXPECT_EQ(__STR_CharToWChar(nullptr, -1, 1252, &psz, &nLen, 0), 0);

    standin::SetCodePage(1251);
    EXPECT_EQ(STR_CharToWChar_CurrentCharset(&psz, "\xC6", 0, -1), 1);
    EXPECT_STREQ(psz, L"Ж");
    free(psz);
    psz = reinterpret_cast<wchar_t*>(1);
    EXPECT_EQ(STR_CharToWChar_CurrentCharset(&psz, nullptr, 0, -1), 1);
    EXPECT_EQ(psz, nullptr);
    EXPECT_EQ(STR_CharToWChar(&psz, "\x80uro"), 1);
    EXPECT_STREQ(psz, L"€uro");
    free(psz);
    EXPECT_EQ(STR_CharToWChar('\xE9', 0, 1252u), L'é');
    EXPECT_EQ(STR_CharToWChar_CurrentCharset('\xC6', 0), L'Ж');
}

TEST_F(STRUtilTest, EightBitToEightBit) {
    char* psz = nullptr;
    int nLen = 0;
    EXPECT_EQ(STR_CharToChar_AnyCodepage("h\xE9", -1, 1252, &psz, &nLen, 65001), 1);
    EXPECT_STREQ(psz, "h\xC3\xA9");
    EXPECT_EQ(nLen, 3);
    free(psz);
    EXPECT_EQ(STR_CharToChar_AnyCodepage("abcdef", 4, 1252, &psz, &nLen, 1252), 1);
    EXPECT_STREQ(psz, "abcd") << "same code page: a copy of len bytes";
    EXPECT_EQ(nLen, 4);
    free(psz);
    EXPECT_EQ(STR_CharToChar_AnyCodepage("\xC6", -1, 1251, &psz, &nLen, 1252), 1);
    EXPECT_STREQ(psz, "?") << "a letter the target lacks";
    free(psz);
}

TEST_F(STRUtilTest, AnsiCompatibility) {
    struct Case {
        const wchar_t* psz;
        unsigned nCodePage;
        bool bAttendu;
    };
    const Case aCases[] = {
        {L"plain ASCII", 1252, true}, {L"Noël €", 1252, true}, {L"αβγ", 1252, false},
        {L"αβγ", 1253, true},         {L"", 1252, true},       {nullptr, 1252, true},
        {L"Жук", 1251, true},         {L"a?b", 1252, true},
    };
    for (const Case& c : aCases) EXPECT_EQ(bAnsiCompatible(c.psz, c.nCodePage), c.bAttendu) << c.nCodePage;
    EXPECT_TRUE(bLatin1(L"été"));
    EXPECT_FALSE(bLatin1(L"Ω"));
}

// ---------------------------------------------------------------------------------------------
// Replacement
// ---------------------------------------------------------------------------------------------

TEST_F(STRUtilTest, ReplaceEveryOccurrence) {
    struct Case {
        const wchar_t* psz;
        const wchar_t* pszFind;
        const wchar_t* pszRepl;
        const wchar_t* pszAttendu;  // null: no text
    };
    const Case aCases[] = {
        {L"aaa", L"aa", L"b", L"ba"},        {L"abc", L"x", L"y", L"abc"},   {L"", L"a", L"b", nullptr},
        {nullptr, L"a", L"b", nullptr},      {L"abc", L"", L"x", nullptr},   {L"abcabc", L"bc", L"", L"aa"},
        {L"a.b.c", L".", L"::", L"a::b::c"}, {L"abc", L"b", nullptr, L"ac"}, {L"xx", L"x", L"xx", L"xxxx"},
        {L"abc", L"abc", L"z", L"z"},
    };
    for (const Case& c : aCases) {
        CWText p(STR_RemplaceW(c.psz, c.pszFind, c.pszRepl));
        if (c.pszAttendu == nullptr) {
            EXPECT_EQ(p, nullptr);
            continue;
        }
        ASSERT_NE(p, nullptr);
        EXPECT_STREQ(p.get(), c.pszAttendu);
        EXPECT_NE(p.get(), c.psz) << "always a new text";
    }
}

// ---------------------------------------------------------------------------------------------
// Printf length estimate and the growing formatter
// ---------------------------------------------------------------------------------------------

long nEstimeW(const wchar_t* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    long n = STRG_nCalculeLongueurPrintf<wchar_t>(pszFormat, args);
    va_end(args);
    return n;
}

long nEstimeA(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    long n = STRG_nCalculeLongueurPrintf<char>(pszFormat, args);
    va_end(args);
    return n;
}

TEST_F(STRUtilTest, EstimateOfKnownDirectives) {
    struct Case {
        const char* pszDesc;
        long nObtenu;
        long nAttendu;
    };
    const Case aCases[] = {
        {"wide %d and six characters", nEstimeW(L"%d123456", 5), 56},
        {"8-bit %d and six characters", nEstimeA("%d123456", 5), 38},
        {"text, width 5, precision 2", nEstimeW(L"%5.2s", L"0123456789"), 5},
        {"text, precision 3", nEstimeW(L"%.3s", L"0123456789"), 3},
        {"text, width larger", nEstimeW(L"%12s", L"abc"), 12},
        {"null own-width text", nEstimeW(L"%s", static_cast<const wchar_t*>(nullptr)), 6},
        {"null other-width text", nEstimeW(L"%S", static_cast<const char*>(nullptr)), 1},
        {"empty other-width text", nEstimeW(L"%S", ""), 1},
        {"empty own-width text", nEstimeW(L"%s", L""), 1},
        {"8-bit text in a wide format", nEstimeW(L"%hs", "abcd"), 4},
        {"null text with h", nEstimeW(L"%hs", static_cast<const char*>(nullptr)), 1},
        {"null text with l", nEstimeA("%ls", static_cast<const wchar_t*>(nullptr)), 1},
        {"wide text in an 8-bit format", nEstimeA("%ls", L"abcde"), 5},
        {"wide text as %S in an 8-bit format", nEstimeA("%S", L"abcdef"), 6},
        {"character", nEstimeW(L"%c", L'x'), 2},
        {"character with width", nEstimeW(L"%10c", L'x'), 10},
        {"hash adds 2", nEstimeW(L"%#x", 255), 34},
        {"star width and precision", nEstimeW(L"%*.*d", 40, 10, 7), 50},
        {"negative star width", nEstimeW(L"%*s", -8, L"ab"), 8},
        {"double", nEstimeW(L"%f", 1.5), 512},
        {"wide percent", nEstimeW(L"%%"), 4},
        {"8-bit percent", nEstimeA("%%"), 1},
        {"pointer", nEstimeA("%p", nullptr), 32},
        {"64-bit then text", nEstimeW(L"%lld%s", 1LL << 40, L"abcdefgh"), 40},
        {"I64 then text", nEstimeW(L"%I64d%s", 1LL << 40, L"abc"), 35},
        {"double then text", nEstimeA("%f%s", 2.5, "abcd"), 516},
        {"count", nEstimeA("%n", nullptr), 0},
    };
    for (const Case& c : aCases) EXPECT_EQ(c.nObtenu, c.nAttendu) << c.pszDesc;
}

TEST_F(STRUtilTest, FormatsWithUnknownDirectivesAreNotWalked) {
    EXPECT_TRUE(STRG_bFormatEstimable(L"%d %s %% %-08.3f %I64u %hs %lc %p"));
    for (const wchar_t* psz : {L"%E", L"%1$s", L"%zu", L"%Lf", L"%a", L"%jd", L"abc%"})
        EXPECT_FALSE(STRG_bFormatEstimable(psz)) << sNarrow(psz);
    EXPECT_FALSE(STRG_bFormatEstimable("%1$s"));
    // Were the positional "%1$s" walked, the integer would be read as a text pointer.
    EXPECT_GE(nEstimeW(L"%1$s", 5), 256);
    EXPECT_GE(nEstimeA("%2$s%1$d", 5, 6), 256);
}

long nFormatW(wchar_t** ppsz, const wchar_t* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    long n = STRG_nFormatV(ppsz, pszFormat, args);
    // The list is not consumed: a second formatting from it gives the same text.
    wchar_t* pszBis = nullptr;
    long nBis = STRG_nFormatV(&pszBis, pszFormat, args);
    va_end(args);
    EXPECT_EQ(n, nBis);
    if (*ppsz != nullptr && pszBis != nullptr) {
        EXPECT_STREQ(*ppsz, pszBis);
    }
    free(pszBis);
    return n;
}

long nFormatA(char** ppsz, const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    long n = STRG_nFormatV(ppsz, pszFormat, args);
    va_end(args);
    return n;
}

TEST_F(STRUtilTest, FormatterGrowsWhenTheEstimateIsShort) {
    // 1e308 with 300 decimals needs 610 characters: more than the estimate's 512.
    wchar_t* psz = nullptr;
    long n = nFormatW(&psz, L"%.300f", DBL_MAX);
    ASSERT_NE(psz, nullptr);
    std::vector<wchar_t> awRef(2048);
    int nRef = swprintf(awRef.data(), awRef.size(), L"%.300f", DBL_MAX);
    EXPECT_GT(nRef, 512);
    EXPECT_EQ(n, nRef);
    EXPECT_STREQ(psz, awRef.data());
    free(psz);

    // A directive the estimate does not know, formatted all the same.
    n = nFormatW(&psz, L"<%E|%s>", 12345.678, L"wide");
    ASSERT_NE(psz, nullptr);
    EXPECT_STREQ(psz, L"<1.234568E+04|wide>");
    EXPECT_EQ(n, 19);
    free(psz);

    // Windows dialect: "%s" wide, "%S" 8-bit.
    n = nFormatW(&psz, L"%s=%S;%d", L"clé", "val", 42);
    ASSERT_NE(psz, nullptr);
    EXPECT_STREQ(psz, L"clé=val;42");
    free(psz);

    std::wstring sLong(100000, L'x');
    n = nFormatW(&psz, L"%s!", sLong.c_str());
    ASSERT_NE(psz, nullptr);
    EXPECT_EQ(n, 100001);
    free(psz);

    char* pszA = nullptr;
    EXPECT_EQ(nFormatA(&pszA, "%s=%d|%.300f", "n", 5, DBL_MAX), nRef + 4);
    ASSERT_NE(pszA, nullptr);
    EXPECT_EQ(strncmp(pszA, "n=5|", 4), 0);
    free(pszA);

    EXPECT_EQ(nFormatA(&pszA, nullptr), -1);
    EXPECT_EQ(pszA, nullptr);
}

}  // namespace
