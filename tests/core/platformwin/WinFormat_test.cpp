// Windows-dialect printf: the string conversions of a wide format, the format rewriting, the bounded
// printers at their buffer-size edges, the growing printer, and the number and string helpers.
#include "core/platformwin/WinFormat.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>

#include "core/platformwin/WinCodePage.h"

namespace {

class WinFormat : public testing::Test {
protected:
    // "%S" arguments are 8-bit text in the process's locale, which the library sets to UTF-8.
    static void SetUpTestSuite() { ASSERT_NE(SetLocaleUTF8(), nullptr); }
};

// One row: a call of the dialect printer with its own arguments, and the text it must give.
TEST_F(WinFormat, DialectConversions) {
    using Printer = std::function<int(wchar_t*, size_t)>;
    struct Case {
        const wchar_t* pszFormat;
        Printer fnImprime;
        const wchar_t* pszAttendu;
    };
    const Case tabCases[] = {
        {L"%s=%S", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"%s=%S", L"cl\u00e9", "valeur"); },
         L"cl\u00e9=valeur"},
        {L"%2$s %1$s", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"%2$s %1$s", L"un", L"deux"); },
         L"deux un"},
        {L"%hs", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"<%hs>", "\xc3\xa9t\xc3\xa9"); },
         L"<\u00e9t\u00e9>"},
        {L"%hd", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"%hd", 70000); }, L"4464"},
        {L"%ls", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"%ls", L"large"); }, L"large"},
        {L"%6s", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"[%6s]", L"ab"); }, L"[    ab]"},
        // Flags and precision before a string conversion keep it a wide string.
        {L"%-6s", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"[%-6s]", L"ab"); }, L"[ab    ]"},
        {L"%.2s", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"[%.2s]", L"abcdef"); }, L"[ab]"},
        {L"%.*s", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"[%.*s]", 3, L"abcdef"); }, L"[abc]"},
        {L"%-4S", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"[%-4S]", "ab"); }, L"[ab  ]"},
        // "%%" is a literal percent, whatever letter follows it.
        {L"%%s", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"%%s"); }, L"%s"},
        {L"%%S", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"100%%S"); }, L"100%S"},
        {L"%%%s", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"%%%s", L"x"); }, L"%x"},
        {L"%d%%", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"%d%%", 42); }, L"42%"},
        {L"numbers",
         [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"%08X|%x|%lld|%u", 0xBEEFu, 255, -5LL, 7u); },
         L"0000BEEF|ff|-5|7"},
        {L"%5.1f", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"[%5.1f]", 3.14159); }, L"[  3.1]"},
        {L"%c", [](wchar_t* b, size_t n) { return snwprintfWin(b, n, L"%c%lc", 'a', L'\u00e9'); }, L"a\u00e9"},
        {L"IE debug line",
         [](wchar_t* b, size_t n) {
             return snwprintfWin(b, n, L"IE%s=%u.%u\r\nModule=<%s>\r\nVersion=<%s>", L"KXPSQL", 12u, 3u,
                                 L"kx200postgresql64.so", L"20.0.5.0");
         },
         L"IEKXPSQL=12.3\r\nModule=<kx200postgresql64.so>\r\nVersion=<20.0.5.0>"},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "format " << testing::PrintToString(std::wstring(c.pszFormat)));
        wchar_t szSortie[128];
        int n = c.fnImprime(szSortie, 128);
        EXPECT_EQ(std::wstring(szSortie), c.pszAttendu);
        EXPECT_EQ(n, static_cast<int>(wcslen(c.pszAttendu)));
    }
}

TEST_F(WinFormat, SwprintfWinHasNoSmallLimit) {
    std::wstring sLong(20000, L'x');
    std::wstring sSortie(20010, L'\0');
    EXPECT_EQ(swprintfWin(sSortie.data(), L"<%s>", sLong.c_str()), 20002);
    EXPECT_EQ(sSortie.substr(0, 3), L"<xx");
    EXPECT_EQ(sSortie[20001], L'>');
    EXPECT_EQ(sSortie[20002], L'\0');
}

TEST_F(WinFormat, FormatRewriting) {
    struct Case {
        const wchar_t* pszFormat;
        const wchar_t* pszUnix;
        int nTaille;  // room the rewriting asks for: length + 1 + one per "s" directive
    };
    const Case tabCases[] = {
        {L"", L"", 1},
        {L"abc", L"abc", 4},
        {L"%s", L"%ls", 4},
        {L"%S", L"%s", 3},
        {L"%hs", L"%s", 4},
        {L"%hd %hhu", L"%hd %hhu", 9},
        {L"%ls", L"%ls", 4},
        {L"%12s", L"%12ls", 6},
        {L"%2$s %1$S", L"%2$ls %1$s", 11},
        {L"%-8.3s", L"%-8.3ls", 8},
        {L"%%s %%S %%hs", L"%%s %%S %%hs", 13},
        {L"%d%%%s", L"%d%%%ls", 8},
        {L"%5.2f %x", L"%5.2f %x", 9},
        {L"end %", L"end %", 6},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszFormat)));
        int nTaille = _nCalculeTailleChaineFormattageUnix(c.pszFormat);
        EXPECT_EQ(nTaille, c.nTaille);
        wchar_t szSortie[64];
        EXPECT_EQ(_ConvertFormatWindowsToUnix(c.pszFormat, szSortie, nTaille), szSortie);
        EXPECT_EQ(std::wstring(szSortie), c.pszUnix);
    }
    // Too little room: cut and terminated inside it.
    wchar_t szPetit[8];
    wmemset(szPetit, L'x', 8);
    _ConvertFormatWindowsToUnix(L"%s%s", szPetit, 4);
    EXPECT_STREQ(szPetit, L"%ls");
    EXPECT_EQ(szPetit[4], L'x');
}

// A long format goes through a heap copy of its rewritten form.
TEST_F(WinFormat, LongFormat) {
    std::wstring sAttendu(300, L'a');
    wchar_t* pszSortie = nullptr;
    auto Imprime = [&](const wchar_t* pszFormat, ...) {
        va_list args;
        va_start(args, pszFormat);
        int n = vaswprintf(&pszSortie, pszFormat, args);
        va_end(args);
        return n;
    };
    // One argument named 300 times by its position.
    std::wstring sFormat;
    for (int i = 0; i < 300; i++) sFormat += L"%1$s";
    EXPECT_EQ(Imprime(sFormat.c_str(), L"a"), 300);
    ASSERT_NE(pszSortie, nullptr);
    EXPECT_EQ(std::wstring(pszSortie), sAttendu);
    free(pszSortie);
}

TEST_F(WinFormat, BoundedPrinters) {
    struct Case {
        size_t n;
        const wchar_t* pszArgument;
        int nResultat;
        const wchar_t* pszTexte;
    };
    // sznwprintf: room for n characters plus a terminator.
    const Case tabCases[] = {
        {3, L"abcdef", -1, L"abc"}, {3, L"ab", 2, L"ab"}, {3, L"abc", 3, L"abc"}, {0, L"a", -1, L""}, {0, L"", 0, L""},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.n);
        wchar_t szSortie[8];
        wmemset(szSortie, L'x', 8);
        EXPECT_EQ(sznwprintf(szSortie, c.n, L"%s", c.pszArgument), c.nResultat);
        EXPECT_EQ(std::wstring(szSortie), c.pszTexte);
        EXPECT_EQ(szSortie[c.n + 1], L'x');
        wmemset(szSortie, L'x', 8);
        EXPECT_EQ(sznwprintfWin(szSortie, c.n, L"%s", c.pszArgument), c.nResultat);
        EXPECT_EQ(std::wstring(szSortie), c.pszTexte);

        char szOctets[8];
        memset(szOctets, 'x', 8);
        std::string sArgument;
        for (const wchar_t* p = c.pszArgument; *p; p++) sArgument += static_cast<char>(*p);
        EXPECT_EQ(sznprintf(szOctets, c.n, "%s", sArgument.c_str()), c.nResultat);
        std::string sTexte;
        for (const wchar_t* p = c.pszTexte; *p; p++) sTexte += static_cast<char>(*p);
        EXPECT_EQ(std::string(szOctets), sTexte);
        EXPECT_EQ(szOctets[c.n + 1], 'x');
    }

    // snwprintfWin: size counts the terminator; a text that does not fit is cut and terminated.
    wchar_t szSortie[8];
    wmemset(szSortie, L'x', 8);
    EXPECT_EQ(snwprintfWin(szSortie, 4, L"%s", L"abc"), 3);
    EXPECT_STREQ(szSortie, L"abc");
    wmemset(szSortie, L'x', 8);
    EXPECT_LT(snwprintfWin(szSortie, 3, L"%s", L"abc"), 0);
    EXPECT_STREQ(szSortie, L"ab");
    EXPECT_EQ(szSortie[3], L'x');
    // An 8-bit argument that is not text in the locale's encoding.
    wmemset(szSortie, L'x', 8);
    errno = 0;
    EXPECT_LT(snwprintfWin(szSortie, 8, L"a%Sb", "\xff"), 0);
    EXPECT_EQ(errno, EILSEQ);
    EXPECT_LT(wcsnlen(szSortie, 8), 8u);  // terminated where the text stopped
}

TEST_F(WinFormat, GrowingPrinter) {
    auto Imprime = [](wchar_t** ppsz, const wchar_t* pszFormat, ...) {
        va_list args;
        va_start(args, pszFormat);
        int n = vaswprintf(ppsz, pszFormat, args);
        va_end(args);
        return n;
    };
    wchar_t* psz = nullptr;
    EXPECT_EQ(Imprime(&psz, L""), 0);
    ASSERT_NE(psz, nullptr);
    EXPECT_STREQ(psz, L"");
    free(psz);

    // A short format with a long argument: the buffer grows until it fits.
    std::wstring sLong(100000, L'q');
    EXPECT_EQ(Imprime(&psz, L"%s!", sLong.c_str()), 100001);
    ASSERT_NE(psz, nullptr);
    EXPECT_EQ(std::wstring(psz), sLong + L"!");
    free(psz);

    EXPECT_EQ(Imprime(&psz, L"%d-%S-%s", 7, "n", L"w"), 5);
    EXPECT_STREQ(psz, L"7-n-w");
    free(psz);

    // Text that cannot be encoded: the caller gets the format itself.
    EXPECT_EQ(Imprime(&psz, L"x%Sy", "\xff"), 4);
    ASSERT_NE(psz, nullptr);
    EXPECT_STREQ(psz, L"x%Sy");
    free(psz);

    // A malformed format fails at once instead of growing for ever.
    psz = reinterpret_cast<wchar_t*>(1);
    EXPECT_EQ(Imprime(&psz, L"abc%"), -1);
    EXPECT_EQ(psz, nullptr);
}

TEST_F(WinFormat, NumberToText) {
    struct Case {
        long long nValeur;
        int nBase;
        const char* pszSigne;    // i64toa
        const char* pszNaturel;  // ui64toa of the same bits
    };
    const Case tabCases[] = {
        {0, 10, "0", "0"},
        {12345, 10, "12345", "12345"},
        {-12345, 10, "-12345", "18446744073709539271"},
        {255, 16, "ff", "ff"},
        {-255, 16, "-ff", "ffffffffffffff01"},
        {5, 2, "101", "101"},
        {35, 36, "z", "z"},
        {LLONG_MIN, 10, "-9223372036854775808", "9223372036854775808"},
        {LLONG_MAX, 36, "1y2p0ij32e8e7", "1y2p0ij32e8e7"},
        {42, 1, "", ""},
        {42, 37, "", ""},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << c.nValeur << " radix " << c.nBase);
        char sz[80];
        wchar_t wsz[80];
        EXPECT_EQ(i64toa(c.nValeur, sz, c.nBase), sz);
        EXPECT_STREQ(sz, c.pszSigne);
        EXPECT_STREQ(ltoa(c.nValeur, sz, c.nBase), c.pszSigne);
        EXPECT_STREQ(ui64toa(static_cast<unsigned long long>(c.nValeur), sz, c.nBase), c.pszNaturel);
        EXPECT_STREQ(ultoa(static_cast<unsigned long>(c.nValeur), sz, c.nBase), c.pszNaturel);

        std::wstring sSigne(c.pszSigne, c.pszSigne + strlen(c.pszSigne));
        std::wstring sNaturel(c.pszNaturel, c.pszNaturel + strlen(c.pszNaturel));
        EXPECT_EQ(i64tow(c.nValeur, wsz, c.nBase), wsz);
        EXPECT_EQ(std::wstring(wsz), sSigne);
        EXPECT_EQ(std::wstring(ltow(c.nValeur, wsz, c.nBase)), sSigne);
        EXPECT_EQ(std::wstring(ui64tow(static_cast<unsigned long long>(c.nValeur), wsz, c.nBase)), sNaturel);
        EXPECT_EQ(std::wstring(ultow(static_cast<unsigned long>(c.nValeur), wsz, c.nBase)), sNaturel);
    }
    char sz[40];
    wchar_t wsz[40];
    EXPECT_STREQ(itoa(INT_MIN, sz, 10), "-2147483648");
    EXPECT_STREQ(itoa(-10, sz, 2), "-1010");
    EXPECT_STREQ(itow(-7, wsz, 10), L"-7");
    EXPECT_STREQ(itow(INT_MAX, wsz, 16), L"7fffffff");
}

TEST_F(WinFormat, HexReaders) {
    struct Case {
        const wchar_t* pszTexte;
        long long nValeur;
        int nLus;
    };
    const Case tabCases[] = {
        {L"1aF!", 0x1AF, 3},           {L"", 0, 0}, {L"g1", 0, 0}, {L"FFFFFFFFFFFFFFFF", -1, 16},
        {L"10000000000000001", 1, 17},  // the 17th digit pushes the first out of 64 bits
        {L"00ff zz", 0xFF, 4},
    };
    for (const Case& c : tabCases) {
        int nLus = -1;
        EXPECT_EQ(nGetEntierHexa(c.pszTexte, nLus), c.nValeur) << testing::PrintToString(std::wstring(c.pszTexte));
        EXPECT_EQ(nLus, c.nLus);
    }
    EXPECT_EQ(nGetEntierHexa4(L"00fF"), 0xFF);
    EXPECT_EQ(nGetEntierHexa4(L"A0b1xyz"), 0xA0B1);
}

TEST_F(WinFormat, StringHelpers) {
    wchar_t wsz[] = L"Caf\u00e9 b";
    EXPECT_EQ(my_struprW(wsz), wsz);
    EXPECT_STREQ(wsz, L"CAF\u00c9 B");
    EXPECT_STREQ(my_strlwrW(wsz), L"caf\u00e9 b");
    char sz[] = "Abc-1";
    EXPECT_STREQ(my_struprA(sz), "ABC-1");
    EXPECT_STREQ(my_strlwrA(sz), "abc-1");

    EXPECT_EQ(xstrnlen("abcdef", 4), 4u);
    EXPECT_EQ(xstrnlen("ab", 4), 2u);
    EXPECT_EQ(xstrnlen("", 4), 0u);
    EXPECT_EQ(xstrnlen("abc", 0), 0u);
    EXPECT_EQ(xstrnlen(nullptr, 4), 0u);
    EXPECT_EQ(xwcsnlen(L"abcdef", 4), 4u);
    EXPECT_EQ(xwcsnlen(L"ab", 4), 2u);
    EXPECT_EQ(xwcsnlen(L"abc", 0), 0u);

    wchar_t wszRemplir[] = L"abcd";
    EXPECT_EQ(wcsset(wszRemplir, L'*'), wszRemplir);
    EXPECT_STREQ(wszRemplir, L"****");
    EXPECT_EQ(wcsnset(wszRemplir, L'-', 2), wszRemplir);
    EXPECT_STREQ(wszRemplir, L"--**");
    EXPECT_STREQ(wcsnset(wszRemplir, L'+', 10), L"++++");  // stops at the terminator
    char szRemplir[] = "abcd";
    EXPECT_EQ(_strset(szRemplir, '*'), szRemplir);
    EXPECT_STREQ(szRemplir, "****");
    EXPECT_EQ(_strnset(szRemplir, '-', 3), szRemplir + 3);
    EXPECT_STREQ(szRemplir, "---*");
    EXPECT_EQ(_strnset(szRemplir, '+', 10), szRemplir + 4);
    EXPECT_STREQ(szRemplir, "++++");
}

TEST_F(WinFormat, ByteSearch) {
    const char szDonnees[] = "abcabcd\0xy";
    const size_t nDonnees = sizeof(szDonnees) - 1;
    struct Case {
        const char* pszMotif;
        size_t nMotif;
        long nPosition;  // -1: not found
    };
    const Case tabCases[] = {
        {"abcd", 4, 3},           {"c", 1, 2}, {"\0x", 2, 7}, {"y", 1, 9}, {"zz", 2, -1}, {"a", 0, -1},
        {"abcabcd\0xyz", 11, -1},  // longer than the data
    };
    for (const Case& c : tabCases) {
        const void* p = xmemmem(szDonnees, nDonnees, c.pszMotif, c.nMotif);
        long nPosition = p != nullptr ? static_cast<const char*>(p) - szDonnees : -1;
        EXPECT_EQ(nPosition, c.nPosition) << c.pszMotif;
    }
    EXPECT_EQ(xmemmem(szDonnees, 0, "a", 1), nullptr);
}

}  // namespace
