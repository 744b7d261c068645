// The code-page tables of 437 and 1252 and the converters over them: table contents against the
// published mappings, the calling rules of the *Win converters (failures, lengths, short output)
// and the OEM/ANSI buffer conversions.
#include "installer/CodePageTable.h"

#include <errno.h>
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

TEST(CodePageTable, TablesHoldThePublishedMappings) {
    struct Case {
        unsigned int nCodePage;
        unsigned char byOctet;
        unsigned short wUnite;
    };
    const Case aCases[] = {
        {1, 0x41, 0x0041},
        {1, 0x82, 0x00E9},
        {1, 0x8E, 0x00C4},
        {1, 0x9B, 0x00A2},
        {1, 0xB0, 0x2591},
        {1, 0xC9, 0x2554},
        {1, 0xE0, 0x03B1},
        {1, 0xE1, 0x00DF},
        {1, 0xFF, 0x00A0},
        {1, 0x00, 0x0000},
        {1252, 0x80, 0x20AC},
        {1252, 0x8A, 0x0160},
        {1252, 0x9F, 0x0178},
        {1252, 0xE9, 0x00E9},
        {1252, 0xA0, 0x00A0},
        {1252, 0x41, 0x0041},
        // Bytes the mapping leaves undefined keep their own value.
        {1252, 0x81, 0x0081},
        {1252, 0x9D, 0x009D},
    };
    for (const Case& c : aCases) {
        const _stTableCodePage* pst = get_codepage(c.nCodePage);
        EXPECT_EQ(pst->pwVersUnicode[c.byOctet], c.wUnite) << c.nCodePage << " byte " << int(c.byOctet);
    }
}

TEST(CodePageTable, OneSelectsTheOemPageAndEveryOtherValueTheAnsiPage) {
    EXPECT_EQ(get_codepage(1)->nCodePage, 437u);
    for (unsigned int n : {0u, 437u, 850u, 1252u, 65001u}) EXPECT_EQ(get_codepage(n)->nCodePage, 1252u) << n;
}

TEST(CodePageTable, EveryByteComesBackThroughTheReverseTable) {
    for (unsigned int nCodePage : {1u, 1252u}) {
        const _stTableCodePage* pst = get_codepage(nCodePage);
        std::set<unsigned short> setUnites;
        for (int n = 0; n < 256; n++) {
            unsigned short w = pst->pwVersUnicode[n];
            setUnites.insert(w);
            char c = 0;
            int bDefaut = -1;
            ASSERT_EQ(cp_wcstombs(pst, 0, &w, 1, &c, 1, nullptr, &bDefaut), 1);
            EXPECT_EQ(static_cast<unsigned char>(c), n) << nCodePage;
            EXPECT_EQ(bDefaut, 0);
        }
        EXPECT_EQ(setUnites.size(), 256u) << nCodePage;
    }
}

TEST(CodePageTable, MultiByteToWideCharWinCallingRules) {
    const char* pszTexte = "Caf\xe9";
    unsigned short aw[8];

    errno = 0;
    EXPECT_EQ(MultiByteToWideCharWin(1252, 0, nullptr, 3, aw, 8), 0);
    EXPECT_EQ(errno, -1);
    errno = 0;
    EXPECT_EQ(MultiByteToWideCharWin(1252, 0, pszTexte, 4, nullptr, 8), 0);
    EXPECT_EQ(errno, -1);

    // No output and no length: the units needed, terminator included for -1.
    EXPECT_EQ(MultiByteToWideCharWin(1252, 0, pszTexte, -1, nullptr, 0), 5);
    EXPECT_EQ(MultiByteToWideCharWin(1252, 0, pszTexte, 4, nullptr, 0), 4);

    std::fill(std::begin(aw), std::end(aw), 0xAAAA);
    ASSERT_EQ(MultiByteToWideCharWin(1252, 0, pszTexte, -1, aw, 8), 5);
    const unsigned short awAttendu[] = {'C', 'a', 'f', 0x00E9, 0, 0xAAAA};
    EXPECT_TRUE(std::equal(std::begin(awAttendu), std::end(awAttendu), aw));

    // Short output: what fits is written, nothing past it, and the answer is 0.
    std::fill(std::begin(aw), std::end(aw), 0xAAAA);
    EXPECT_EQ(MultiByteToWideCharWin(1, 0, "\x82t\x82", 3, aw, 2), 0);
    EXPECT_EQ(aw[0], 0x00E9);
    EXPECT_EQ(aw[1], 't');
    EXPECT_EQ(aw[2], 0xAAAA);
}

TEST(CodePageTable, WideCharToMultiByteWinCallingRules) {
    const unsigned short awTexte[] = {'e', 0x00E9, 0x20AC, 0x4E00, 0};
    char ac[8];

    errno = 0;
    EXPECT_EQ(WideCharToMultiByteWin(1252, 0, nullptr, 2, ac, 8, nullptr, nullptr), 0);
    EXPECT_EQ(errno, -1);
    errno = 0;
    EXPECT_EQ(WideCharToMultiByteWin(1252, 0, awTexte, 2, nullptr, 4, nullptr, nullptr), 0);
    EXPECT_EQ(errno, -1);

    for (int nLongueur : {-1, -2})
        EXPECT_EQ(WideCharToMultiByteWin(1252, 0, awTexte, nLongueur, nullptr, 0, nullptr, nullptr), 5);

    struct Case {
        unsigned int nCodePage;
        std::string sAttendu;
    };
    // The euro sign is in 1252 only; the ideograph in neither, and takes the table's '?'.
    const Case aCases[] = {{1252, std::string("e\xe9\x80?\0", 5)}, {1, std::string("e\x82??\0", 5)}};
    for (const Case& c : aCases) {
        int bDefaut = -1;
        std::fill(std::begin(ac), std::end(ac), 'X');
        ASSERT_EQ(WideCharToMultiByteWin(c.nCodePage, 0, awTexte, -1, ac, 8, "#", &bDefaut), 5);
        EXPECT_EQ(std::string(ac, 5), c.sAttendu) << c.nCodePage;
        EXPECT_EQ(bDefaut, 1);
        EXPECT_EQ(ac[5], 'X');
    }
    int bDefaut = -1;
    ASSERT_EQ(WideCharToMultiByteWin(1252, 0, awTexte, 2, ac, 8, nullptr, &bDefaut), 2);
    EXPECT_EQ(bDefaut, 0);

    std::fill(std::begin(ac), std::end(ac), 'X');
    EXPECT_EQ(WideCharToMultiByteWin(1252, 0, awTexte, -1, ac, 2, nullptr, nullptr), 0);
    EXPECT_EQ(std::string(ac, 3), "e\xe9X");
}

TEST(CodePageTable, StrlenWCountsUnitsBeforeTheTerminator) {
    const unsigned short aw[] = {'a', 0x4E00, 'b', 0, 'c'};
    EXPECT_EQ(strlenW(aw), 3);
    EXPECT_EQ(strlenW(aw + 3), 0);
}

TEST(CodePageTable, AnsiAndOemBuffersConvertBothWays) {
    struct Case {
        std::string sAnsi;  // code page 1252
        std::string sOem;   // code page 437
        bool bAllerRetour;  // OEM back to ANSI gives the ANSI text again
    };
    const Case aCases[] = {
        {"Caf\xe9 \xc4pfel \xdf",
         "Caf\x82 \x8e"
         "pfel \xe1",
         true},
        {"\xe0\xe8\xec\xf2\xf9\xc7\xd1", "\x85\x8a\x8d\x95\x97\x80\xa5", true},
        // The euro sign and the typographic quotes are not in 437.
        {"\x80 \x93x\x94", "? ?x?", false},
        {std::string("a\0b", 3), std::string("a\0b", 3), true},
    };
    for (const Case& c : aCases) {
        std::string sOem(c.sAnsi.size(), 'X');
        EXPECT_TRUE(CharToOemBuffA(c.sAnsi.data(), sOem.data(), static_cast<unsigned>(c.sAnsi.size())));
        EXPECT_EQ(sOem, c.sOem);
        if (!c.bAllerRetour) continue;
        std::string sAnsi(c.sOem.size(), 'X');
        EXPECT_TRUE(OemToCharBuffA(c.sOem.data(), sAnsi.data(), static_cast<unsigned>(c.sOem.size())));
        EXPECT_EQ(sAnsi, c.sAnsi);
    }

    // In place, and only the given length.
    std::string s = "\x82t\x82!";
    EXPECT_TRUE(OemToCharBuffA(s.data(), s.data(), 3));
    EXPECT_EQ(s, "\xe9t\xe9!");
    // Nothing to do still answers true.
    EXPECT_TRUE(CharToOemBuffA(nullptr, nullptr, 4));
    EXPECT_TRUE(OemToCharBuffA(s.data(), s.data(), 0));
    EXPECT_EQ(s, "\xe9t\xe9!");
}

}  // namespace
