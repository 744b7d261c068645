// Code-page conversion: the code-page table, round trips through the code pages the library meets
// (1252, UTF-8, 1251, 932 and the stateful ISO-2022-JP), invalid and truncated input, the
// replacement of characters a code page lacks, buffer sizes, and the locale and language queries.
#include "core/platformwin/WinCodePage.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "core/InformationDLL.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

std::string sHex(const char* p, size_t n) {
    std::string s;
    char sz[4];
    for (size_t i = 0; i < n; i++) {
        snprintf(sz, sizeof(sz), "%02X", static_cast<unsigned char>(p[i]));
        if (!s.empty()) s += ' ';
        s += sz;
    }
    return s;
}

TEST(WinCodePage, CodePageToIConvTable) {
    struct Case {
        int nCodePage;
        const char* pszName;
    };
    const Case tabCases[] = {
        {0, "CP1252"},    {1, "CP437"},     {874, "CP874"},         {932, "CP932"},   {936, "CP936"},
        {949, "CP949"},   {950, "CP950"},   {1250, "CP1250"},       {1251, "CP1251"}, {1252, "CP1252"},
        {1253, "CP1253"}, {1254, "CP1254"}, {1255, "CP1255"},       {1256, "CP1256"}, {1257, "CP1257"},
        {1258, "CP1258"}, {1361, "CP1361"}, {50220, "ISO-2022-JP"}, {65001, "UTF-8"}, {12345, "CP1252"},
        {-1, "CP1252"},   {437, "CP1252"},
    };
    for (const Case& c : tabCases) EXPECT_STREQ(CodePageToIConv(c.nCodePage), c.pszName) << c.nCodePage;
}

// Wide -> code page -> wide, in counting and output mode, with and without the terminator.
TEST(WinCodePage, RoundTrips) {
    struct Case {
        unsigned nCodePage;
        const wchar_t* pszTexte;
        const char* pszOctets;  // expected bytes of the 8-bit form, without terminator (hex)
    };
    const Case tabCases[] = {
        {1252, L"caf\u00e9 \u20ac \u0152uvre", "63 61 66 E9 20 80 20 8C 75 76 72 65"},
        {0, L"\u00e9t\u00e9", "E9 74 E9"},
        {65001, L"\u00fc\u65e5\U0001F600", "C3 BC E6 97 A5 F0 9F 98 80"},
        {1251, L"\u041f\u0440\u0438\u0432\u0435\u0442", "CF F0 E8 E2 E5 F2"},
        {932, L"\u65e5\u672c\u8a9e\uff71a", "93 FA 96 7B 8C EA B1 61"},
        // The stateful code page ends back in ASCII even without a terminator to convert.
        {50220, L"\u65e5\u672c", "1B 24 42 46 7C 4B 5C 1B 28 42"},
        {50220, L"ab\u65e5c", "61 62 1B 24 42 46 7C 1B 28 42 63"},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.nCodePage);
        const int nLarge = static_cast<int>(wcslen(c.pszTexte));
        int nUtilise = -1;
        int nOctets = WideCharToMultiByte(c.nCodePage, 0, c.pszTexte, nLarge, nullptr, 0, nullptr, &nUtilise);
        EXPECT_EQ(nUtilise, 0);
        std::vector<char> tabOctets(static_cast<size_t>(nOctets) + 1, 'Z');
        ASSERT_EQ(
            WideCharToMultiByte(c.nCodePage, 0, c.pszTexte, nLarge, tabOctets.data(), nOctets, nullptr, &nUtilise),
            nOctets);
        EXPECT_EQ(sHex(tabOctets.data(), static_cast<size_t>(nOctets)), c.pszOctets);
        EXPECT_EQ(tabOctets[static_cast<size_t>(nOctets)], 'Z');  // nothing past the bytes asked for

        int nRetour = MultiByteToWideChar(c.nCodePage, 0, tabOctets.data(), nOctets, nullptr, 0);
        EXPECT_EQ(nRetour, nLarge);
        std::vector<wchar_t> tabRetour(static_cast<size_t>(nLarge) + 1, L'\0');
        ASSERT_EQ(MultiByteToWideChar(c.nCodePage, 0, tabOctets.data(), nOctets, tabRetour.data(), nLarge), nLarge);
        EXPECT_EQ(std::wstring(tabRetour.data()), c.pszTexte);

        // With the terminator (-1) both directions count it and write it.
        int nAvecFin = WideCharToMultiByte(c.nCodePage, 0, c.pszTexte, -1, nullptr, 0, nullptr, nullptr);
        EXPECT_EQ(nAvecFin, nOctets + 1);
        std::vector<char> tabFin(static_cast<size_t>(nAvecFin));
        ASSERT_EQ(WideCharToMultiByte(c.nCodePage, 0, c.pszTexte, -1, tabFin.data(), nAvecFin, nullptr, nullptr),
                  nAvecFin);
        EXPECT_EQ(tabFin.back(), '\0');
        EXPECT_EQ(MultiByteToWideChar(c.nCodePage, MB_ERR_INVALID_CHARS, tabFin.data(), -1, nullptr, 0), nLarge + 1);
        std::vector<wchar_t> tabFinLarge(static_cast<size_t>(nLarge) + 1, L'x');
        ASSERT_EQ(MultiByteToWideChar(c.nCodePage, 0, tabFin.data(), -1, tabFinLarge.data(), nLarge + 1), nLarge + 1);
        EXPECT_EQ(std::wstring(tabFinLarge.data()), c.pszTexte);
    }
}

TEST(WinCodePage, MultiByteToWideCharBufferSizes) {
    EXPECT_EQ(MultiByteToWideChar(65001, 0, "abc", -1, nullptr, 0), 4);
    wchar_t szSortie[8];
    wmemset(szSortie, L'x', 8);
    EXPECT_EQ(MultiByteToWideChar(65001, 0, "abc", -1, szSortie, 0), 4);  // size 0 counts, writes nothing
    EXPECT_EQ(szSortie[0], L'x');
    EXPECT_EQ(MultiByteToWideChar(65001, 0, "abc", -1, szSortie, 4), 4);
    EXPECT_STREQ(szSortie, L"abc");
    wmemset(szSortie, L'x', 8);
    EXPECT_EQ(MultiByteToWideChar(65001, 0, "abc", -1, szSortie, 3), 0);
    EXPECT_EQ(szSortie[3], L'x');
    EXPECT_EQ(MultiByteToWideChar(65001, 0, "", -1, szSortie, 1), 1);
    EXPECT_EQ(szSortie[0], L'\0');
    // A long text counted in many scratch passes.
    std::string sLong(1000, 'a');
    sLong += "\xc3\xa9";
    EXPECT_EQ(MultiByteToWideChar(65001, 0, sLong.c_str(), -1, nullptr, 0), 1002);
}

// Without MB_ERR_INVALID_CHARS invalid bytes are skipped, with it they fail the call; a text cut in
// the middle of a character fails either way. Counting and output agree, wherever the invalid byte
// falls among the passes of the count.
TEST(WinCodePage, InvalidAndTruncatedInput) {
    struct Case {
        unsigned nCodePage;
        std::string sOctets;
        int nLongueur;           // -1: up to and with the terminator
        std::wstring sSansFlag;  // the text converted without the flag, terminator excluded; empty: result 0
    };
    const Case tabCases[] = {
        {65001, "a\xffz", -1, L"az"},  // a byte that never occurs in UTF-8
        {65001, "\xc3\x28", 2, L"("},  // a lead byte without its continuation
        // Beyond the first pass of the count.
        {65001, std::string(40, 'b') + "\xff" + std::string(40, 'c'), -1,
         std::wstring(40, L'b') + std::wstring(40, L'c')},
        {65001, "\xed\xa0\x80", 3, L""},  // an encoded surrogate: nothing is left
        {65001, "ab\xe6\x97", 4, L""},    // cut in the middle of a character
        {932, "\x93", 1, L""},            // lead byte alone
        {50220, "\x1b$BF", 4, L""},       // half of a two-byte character
        {1252,
         "a\x81"
         "b",
         3, L"ab"},  // one of the five bytes 1252 leaves out
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(sHex(c.sOctets.data(), c.sOctets.size()));
        const int nAttendu = static_cast<int>(c.sSansFlag.size()) + (c.nLongueur == -1 && !c.sSansFlag.empty() ? 1 : 0);
        std::vector<wchar_t> tabSortie(128, L'x');
        EXPECT_EQ(MultiByteToWideChar(c.nCodePage, 0, c.sOctets.c_str(), c.nLongueur, nullptr, 0), nAttendu);
        EXPECT_EQ(MultiByteToWideChar(c.nCodePage, 0, c.sOctets.c_str(), c.nLongueur, tabSortie.data(), 128), nAttendu);
        EXPECT_EQ(std::wstring(tabSortie.data(), c.sSansFlag.size()), c.sSansFlag);

        const unsigned nStrict = MB_ERR_INVALID_CHARS;
        EXPECT_EQ(MultiByteToWideChar(c.nCodePage, nStrict, c.sOctets.c_str(), c.nLongueur, nullptr, 0), 0);
        EXPECT_EQ(MultiByteToWideChar(c.nCodePage, nStrict, c.sOctets.c_str(), c.nLongueur, tabSortie.data(), 128), 0);
    }
    // 1252 maps every byte except five holes.
    wchar_t szSortie[4];
    EXPECT_EQ(MultiByteToWideChar(1252, MB_ERR_INVALID_CHARS, "\x81", 1, szSortie, 4), 0);
    EXPECT_EQ(MultiByteToWideChar(1252, 0, "\x80\xff", 2, szSortie, 4), 2);
    EXPECT_EQ(szSortie[0], L'\u20ac');
    EXPECT_EQ(szSortie[1], L'\u00ff');

    EXPECT_EQ(MultiByteToWideChar(65001, 0, "abc", -2, nullptr, 0), 0);
    // A wide value that is no character at all (a lone surrogate) is replaced like a missing one.
    int nUtilise = 0;
    char szOctets[8];
    const wchar_t szSurrogat[] = {L'a', static_cast<wchar_t>(0xD800), L'b', 0};
    EXPECT_EQ(WideCharToMultiByte(65001, 0, szSurrogat, -1, szOctets, 8, nullptr, &nUtilise), 4);
    EXPECT_STREQ(szOctets, "a?b");
    EXPECT_EQ(nUtilise, 1);
}

// A null text is the empty one: with a length of -1 its terminator alone is converted, with any
// other length nothing is.
TEST(WinCodePage, NullTextIsEmpty) {
    EXPECT_EQ(nGetUTF8Len(nullptr), 1);
    EXPECT_EQ(nGetUTF8Len(L""), 1);
    for (unsigned nCodePage : {1252u, 65001u}) {
        SCOPED_TRACE(nCodePage);
        EXPECT_EQ(MultiByteToWideChar(nCodePage, 0, nullptr, -1, nullptr, 0), 1);
        EXPECT_EQ(MultiByteToWideChar(nCodePage, 0, nullptr, 5, nullptr, 0), 0);
        wchar_t szWide[2] = {L'x', L'y'};
        EXPECT_EQ(MultiByteToWideChar(nCodePage, 0, nullptr, -1, szWide, 2), 1);
        EXPECT_EQ(szWide[0], L'\0');
        EXPECT_EQ(WideCharToMultiByte(nCodePage, 0, nullptr, -1, nullptr, 0, nullptr, nullptr), 1);
        EXPECT_EQ(WideCharToMultiByte(nCodePage, 0, nullptr, 5, nullptr, 0, nullptr, nullptr), 0);
        char szByte[2] = {'x', 'y'};
        EXPECT_EQ(WideCharToMultiByte(nCodePage, 0, nullptr, -1, szByte, 2, nullptr, nullptr), 1);
        EXPECT_EQ(szByte[0], '\0');
        EXPECT_EQ(MultiByteToMultiByte(1252, nullptr, static_cast<size_t>(-1), nCodePage, nullptr, 0, 0), 1u);
        EXPECT_EQ(MultiByteToMultiByte(1252, nullptr, 3, nCodePage, nullptr, 0, 0), 0u);
    }
}

TEST(WinCodePage, ReplacementCharacter) {
    struct Case {
        unsigned nCodePage;
        const wchar_t* pszTexte;
        int nLongueur;
        const char* pszDefaut;
        const char* pszAttendu;  // the bytes written, terminator excluded
        int nResultat;
    };
    const Case tabCases[] = {
        {1252, L"a\u4e00b", -1, nullptr, "a?b", 4},
        {1252, L"a\u4e00b\u4e01", -1, "[?]", "a[?]b[?]", 9},
        // The last character is the one replaced: the bytes written are still the answer.
        {1252, L"ab\u4e00", 3, nullptr, "ab?", 3},
        {1252, L"\u4e00", 1, "--", "--", 2},
        {1251, L"\u00e9\u0416", -1, nullptr, "?\xc6", 3},
        // The stateful code page goes back to ASCII before the replacement and out again after.
        {50220, L"\u65e5\u00e9\u672c", 3, nullptr, "\x1b$BF|\x1b(B?\x1b$BK\\\x1b(B", 17},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.pszAttendu);
        int nUtilise = 0;
        EXPECT_EQ(WideCharToMultiByte(c.nCodePage, 0, c.pszTexte, c.nLongueur, nullptr, 0, c.pszDefaut, &nUtilise),
                  c.nResultat);
        EXPECT_EQ(nUtilise, 1);
        char szSortie[32];
        memset(szSortie, 'Z', sizeof(szSortie));
        nUtilise = 0;
        ASSERT_EQ(WideCharToMultiByte(c.nCodePage, 0, c.pszTexte, c.nLongueur, szSortie, sizeof(szSortie), c.pszDefaut,
                                      &nUtilise),
                  c.nResultat);
        EXPECT_EQ(nUtilise, 1);
        EXPECT_EQ(std::string(szSortie, strlen(c.pszAttendu)), c.pszAttendu);
    }
}

// The replacement is never written past the room given: the call fails instead.
TEST(WinCodePage, ReplacementDoesNotOverrunTheBuffer) {
    char szSortie[8];
    memset(szSortie, 'Z', sizeof(szSortie));
    int nUtilise = 0;
    EXPECT_EQ(WideCharToMultiByte(1252, 0, L"ab\u4e00", 3, szSortie, 4, "[?]", &nUtilise), 0);
    EXPECT_EQ(std::string(szSortie + 4, 4), "ZZZZ");
    EXPECT_EQ(WideCharToMultiByte(1252, 0, L"ab\u4e00", 3, szSortie, 5, "[?]", &nUtilise), 5);
    EXPECT_EQ(std::string(szSortie, 8), "ab[?]ZZZ");
    // Plain text that does not fit fails as well.
    EXPECT_EQ(WideCharToMultiByte(65001, 0, L"h\u00e9llo", -1, szSortie, 3, nullptr, nullptr), 0);
    // A missing usedDefaultChar is allowed.
    EXPECT_EQ(WideCharToMultiByte(1252, 0, L"\u4e00", 1, szSortie, 8, nullptr, nullptr), 1);
}

TEST(WinCodePage, MultiByteToMultiByte) {
    char szSortie[32];
    EXPECT_EQ(MultiByteToMultiByte(1252, "caf\xe9", static_cast<size_t>(-1), 65001, nullptr, 0, 0), 6u);
    EXPECT_EQ(MultiByteToMultiByte(1252, "caf\xe9", static_cast<size_t>(-1), 65001, szSortie, sizeof(szSortie), 0), 6u);
    EXPECT_STREQ(szSortie, "caf\xc3\xa9");
    EXPECT_EQ(MultiByteToMultiByte(65001, "\xe6\x97\xa5", 3, 50220, nullptr, 0, 0), 8u);
    EXPECT_EQ(MultiByteToMultiByte(65001, "\xe6\x97\xa5", 3, 50220, szSortie, sizeof(szSortie), 0), 8u);
    EXPECT_EQ(sHex(szSortie, 8), "1B 24 42 46 7C 1B 28 42");
    EXPECT_EQ(MultiByteToMultiByte(932, "\x93\xfa", 2, 1251, szSortie, sizeof(szSortie), 0), 0u);  // no such character
    EXPECT_EQ(MultiByteToMultiByte(65001, "a\xff", 2, 1252, nullptr, 0, 0), 0u);
    EXPECT_EQ(MultiByteToMultiByte(1252, "caf\xe9", 4, 65001, szSortie, 4, 0), 0u);  // too small
    EXPECT_EQ(MultiByteToMultiByte(1252, nullptr, 4, 65001, szSortie, 4, 0), 0u);
}

TEST(WinCodePage, UTF8Length) {
    EXPECT_EQ(nGetUTF8Len(L""), 1);
    EXPECT_EQ(nGetUTF8Len(L"abc"), 4);
    EXPECT_EQ(nGetUTF8Len(L"\u00e9\u20ac\U0001F600"), 10);
}

TEST(WinCodePage, HostCodePage) {
    KXInstallStandInHost();
    standin::SetCodePage(932);
    EXPECT_EQ(nGetHostCurrentCodePage(), 932);
    EXPECT_EQ(nResolveCodePage(-1), 932);
    EXPECT_EQ(nResolveCodePage(0), 1252);
    EXPECT_EQ(nResolveCodePage(65001), 65001);
    IInfoLocale* piLocale = CInformationDLL::ms_piInfoLocale;
    CInformationDLL::ms_piInfoLocale = nullptr;
    EXPECT_EQ(nResolveCodePage(-1), 1252);
    CInformationDLL::ms_piInfoLocale = piLocale;
    KXInstallStandInHost();
}

TEST(WinCodePage, Locale) {
    char* pszLocale = SetLocaleUTF8();
    ASSERT_NE(pszLocale, nullptr);
    std::string sNom(pszLocale);
    for (char& c : sNom) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    EXPECT_TRUE(sNom.find("utf8") != std::string::npos || sNom.find("utf-8") != std::string::npos) << sNom;
    // The narrow side of the C library now reads UTF-8.
    wchar_t w = 0;
    EXPECT_EQ(mbtowc(&w, "\xc3\xa9", 2), 2);
    EXPECT_EQ(w, L'\u00e9');

    setlocale(LC_NUMERIC, "C.UTF-8");
    ASSERT_NE(UnsetLocale(LC_NUMERIC), nullptr);
    EXPECT_STREQ(setlocale(LC_NUMERIC, nullptr), "C");
}

TEST(WinCodePage, LanguageIds) {
    EXPECT_EQ(GetSystemDefaultLangID(), 0x0800);
    EXPECT_EQ(GetUserDefaultLangID(), 0x0800);
    struct Case {
        unsigned nLangue;
        _ELangueProduit eProduit;
    };
    const Case tabVersProduit[] = {{0, eLangueAnglais},   {3, eLangueAnglais},  {4, eLangueChinois},
                                   {5, eLangueAnglais},   {9, eLangueAnglais},  {11, eLangueAnglais},
                                   {12, eLangueFrancais}, {13, eLangueAnglais}, {0xFFFF, eLangueAnglais}};
    for (const Case& c : tabVersProduit) EXPECT_EQ(LANG_To_ELangueProduit(c.nLangue), c.eProduit) << c.nLangue;
    EXPECT_EQ(ELangueProduit_To_LANG(eLangueFrancais), 12u);
    EXPECT_EQ(ELangueProduit_To_LANG(eLangueAnglais), 9u);
    EXPECT_EQ(ELangueProduit_To_LANG(eLangueChinois), 4u);
    EXPECT_EQ(ELangueProduit_To_LANG(static_cast<_ELangueProduit>(7)), 9u);
}

}  // namespace
