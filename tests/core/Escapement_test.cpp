// Escaping of SQL literals and LIKE patterns, and its undoing. Every case runs in both widths: the
// statement builders call the 8-bit and the wide forms alike.
#include "core/Escapement.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::wstring W(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

struct Options {
    int o[8];
};
constexpr Options TOUTES{{1, 1, 1, 1, 1, 1, 1, 1}};
constexpr Options AUCUNE{{0, 0, 0, 0, 0, 0, 0, 0}};
Options Seules(std::initializer_list<int> places) {
    Options opt = AUCUNE;
    for (int p : places) opt.o[p - 1] = 1;
    return opt;
}

// Escapes into a heap buffer of exactly twice the source plus one unit, the size callers are told
// to give: the sanitizer then catches any write past it.
template <class T>
std::basic_string<T> Echappe(const std::basic_string<T>& source, const Options& opt, T cQuote, T cEscape) {
    std::unique_ptr<T[]> pDest(new T[2 * source.size() + 1]);
    Escape(source.c_str(), pDest.get(), opt.o[0], opt.o[1], opt.o[2], opt.o[3], opt.o[4], opt.o[5], opt.o[6], opt.o[7],
           cQuote, cEscape);
    return pDest.get();
}

struct EscapeCase {
    const char* pszNom;
    Options opt;
    char cQuote;
    char cEscape;
    const char* pszSource;
    const char* pszAttendu;
};

const EscapeCase ESCAPE_CASES[] = {
    {"everything escaped", TOUTES, '\'', '!', "O'Brien_50%", "O''Brien!_50!%"},
    {"nothing asked copies", AUCUNE, '\'', '!', "O'Brien_50%\\!x", "O'Brien_50%\\!x"},
    {"empty source", TOUTES, '\'', '!', "", ""},
    {"lone escape doubled", Seules({3}), '\'', '!', "a!xb", "a!!xb"},
    {"escape at the very end doubled", Seules({3}), '\'', '!', "a!", "a!!"},
    {"lone escape kept without option 3", Seules({1, 2, 4, 5}), '\'', '!', "a!x", "a!x"},
    {"quote with backslash escape", Seules({1}), '\\', '!', "it's", "it\\'s"},
    {"backslash doubled", Seules({2}), '\'', '!', "a\\b", "a\\\\b"},
    {"backslash that is the escape is not doubled by option 2", Seules({2}), '\'', '\\', "a\\b", "a\\b"},
    {"bare wildcards escaped", Seules({4, 5}), '\'', '!', "5%_", "5!%!_"},
    {"escaped percent reworked", Seules({3, 4, 6}), '\'', '!', "!%", "!!!%"},
    {"escaped percent reworked, option 3 only", Seules({3, 6}), '\'', '!', "!%", "!!%"},
    {"escaped percent copied without option 6", Seules({3, 4}), '\'', '!', "!%", "!%"},
    {"escaped underscore reworked", Seules({5, 7}), '\'', '!', "!_", "!!_"},
    {"escaped underscore copied without option 7", Seules({3, 5}), '\'', '!', "!_", "!_"},
    {"escape pair four times", Seules({3, 8}), '\'', '!', "!!", "!!!!"},
    {"escape pair twice without option 3", Seules({8}), '\'', '!', "!!", "!!"},
    {"escape pair twice with option 3 only", Seules({3}), '\'', '!', "!!", "!!"},
    {"three escapes: a pair, then a lone one", Seules({3}), '\'', '!', "!!!", "!!!!"},
};

TEST(Escapement, EscapeCasesInBothWidths) {
    for (const EscapeCase& c : ESCAPE_CASES) {
        SCOPED_TRACE(c.pszNom);
        EXPECT_EQ(Echappe<char>(c.pszSource, c.opt, c.cQuote, c.cEscape), c.pszAttendu);
        EXPECT_EQ(Echappe<wchar_t>(W(c.pszSource), c.opt, wchar_t(c.cQuote), wchar_t(c.cEscape)), W(c.pszAttendu));
    }
}

TEST(Escapement, NullSourceGivesEmptyText) {
    char sz[4] = "xyz";
    Escape(static_cast<const char*>(nullptr), sz, 1, 1, 1, 1, 1, 1, 1, 1, '\'', '!');
    EXPECT_STREQ(sz, "");
    wchar_t wsz[4] = L"xyz";
    Escape(static_cast<const wchar_t*>(nullptr), wsz, 1, 1, 1, 1, 1, 1, 1, 1, L'\'', L'!');
    EXPECT_STREQ(wsz, L"");
}

// The promised room (twice the source plus one) must hold for the sources that expand the most,
// under every option; the exact-size buffers of Echappe make an overflow a sanitizer failure.
TEST(Escapement, WorstSourcesFitTwiceTheLength) {
    const char* SOURCES[] = {"!!!!!!", "!%!%!%", "!_!_", "''''", "\\\\\\", "%%__", "!!!", "!", "'!%_\\!!"};
    for (const char* pszSource : SOURCES)
        for (char cEscape : {'!', '\\', '\''}) {
            SCOPED_TRACE(std::string(pszSource) + " escape " + cEscape);
            std::string r = Echappe<char>(pszSource, TOUTES, '\'', cEscape);
            EXPECT_LE(r.size(), 2 * strlen(pszSource));
            std::wstring wr = Echappe<wchar_t>(W(pszSource), TOUTES, L'\'', wchar_t(cEscape));
            EXPECT_EQ(wr, W(r));
        }
}

TEST(Escapement, AllocatingFormMatchesOnStackAndHeapSizes) {
    // 3000 units escape past the stack scratch area of either width.
    for (size_t nLongueur : {size_t(0), size_t(11), size_t(3000)}) {
        std::string source;
        for (size_t i = 0; i < nLongueur; i++) source += "O'B_%!"[i % 6];
        SCOPED_TRACE(nLongueur);
        char* psz = pszEscape(source.c_str(), 1, 1, 1, 1, 1, 1, 1, 1, '\'', '!');
        ASSERT_NE(psz, nullptr);
        EXPECT_EQ(std::string(psz), Echappe<char>(source, TOUTES, '\'', '!'));
        free(psz);
        wchar_t* pwsz = pszEscape(W(source).c_str(), 1, 1, 1, 1, 1, 1, 1, 1, L'\'', L'!');
        ASSERT_NE(pwsz, nullptr);
        EXPECT_EQ(std::wstring(pwsz), Echappe<wchar_t>(W(source), TOUTES, L'\'', L'!'));
        free(pwsz);
    }
}

struct ChangeCase {
    const char* pszSource;
    const char* pszAttendu;
};

TEST(Escapement, ChangeEscapeRewritesEscapedWildcards) {
    // t1..t6: "%" between "[" and "]", "_" with nothing around it.
    const ChangeCase CASES[] = {
        {"a!%b", "a[%]b"}, {"a!_b", "a_b"}, {"a!!b", "a!b"}, {"!x", "!x"},          {"a!", "a!"},
        {"!!%", "!%"},     {"%_", "%_"},    {"", ""},        {"!%!_!!!", "[%]_!!"},
    };
    for (const ChangeCase& c : CASES) {
        SCOPED_TRACE(c.pszSource);
        std::vector<char> dest(nTailleChangeEscape(c.pszSource, "%", "[", "]", "_", "", nullptr, '!'));
        EXPECT_EQ(dest.size(), strlen(c.pszAttendu) + 1);
        ChangeEscape(c.pszSource, dest.data(), "%", "[", "]", "_", "", nullptr, '!');
        EXPECT_STREQ(dest.data(), c.pszAttendu);

        wchar_t* pwsz = pszChangeEscape(W(c.pszSource).c_str(), L"%", L"[", L"]", L"_", L"", nullptr, L'!');
        ASSERT_NE(pwsz, nullptr);
        EXPECT_EQ(std::wstring(pwsz), W(c.pszAttendu));
        free(pwsz);
    }
}

TEST(Escapement, ChangeEscapeGrowsPastTheStackArea) {
    // Each "!%" (2 units) becomes 12 units: the result is far larger than the source.
    std::string source;
    for (int i = 0; i < 500; i++) source += "!%";
    char* psz = pszChangeEscape(source.c_str(), "%", "[[[[[", "]]]]]]", "_", "", "", '!');
    ASSERT_NE(psz, nullptr);
    EXPECT_EQ(strlen(psz), 500u * 12u);
    EXPECT_EQ(std::string(psz, 12), "[[[[[%]]]]]]");
    free(psz);
}

struct PurgeCase {
    const char* pszSource;
    const char* pszAttendu;
};

template <class T>
std::basic_string<T> Purge(void (*pfn)(T*, T), const std::basic_string<T>& s, T c) {
    std::vector<T> buf(s.begin(), s.end());
    buf.push_back(0);
    pfn(buf.data(), c);
    return buf.data();
}

template <class T>
std::basic_string<T> PurgeQ(const std::basic_string<T>& s, int bAvecBackSlash) {
    std::vector<T> buf(s.begin(), s.end());
    buf.push_back(0);
    PurgeQuote(buf.data(), bAvecBackSlash);
    return buf.data();
}

template <class T>
std::basic_string<T> PurgeB(const std::basic_string<T>& s) {
    std::vector<T> buf(s.begin(), s.end());
    buf.push_back(0);
    PurgeEscapeBackSlash(buf.data());
    return buf.data();
}

TEST(Escapement, PurgeEscapeKeepsTheFreedCharacter) {
    const PurgeCase CASES[] = {
        {"a!!b!_c!%d!x", "a!b_c%d!x"}, {"!!!", "!!"}, {"!!!!", "!!"}, {"!", "!"}, {"", ""}, {"!!%", "!%"},
    };
    for (const PurgeCase& c : CASES) {
        SCOPED_TRACE(c.pszSource);
        EXPECT_EQ(Purge<char>(PurgeEscape, c.pszSource, '!'), c.pszAttendu);
        EXPECT_EQ(Purge<wchar_t>(PurgeEscape, W(c.pszSource), L'!'), W(c.pszAttendu));
    }
}

TEST(Escapement, PurgeEscapeEscapeOnlyTouchesPairs) {
    const PurgeCase CASES[] = {{"a!!b", "a!b"}, {"!!!", "!!"}, {"!!!!", "!!"}, {"!_!%", "!_!%"}, {"", ""}};
    for (const PurgeCase& c : CASES) {
        SCOPED_TRACE(c.pszSource);
        EXPECT_EQ(Purge<char>(PurgeEscapeEscape, c.pszSource, '!'), c.pszAttendu);
        EXPECT_EQ(Purge<wchar_t>(PurgeEscapeEscape, W(c.pszSource), L'!'), W(c.pszAttendu));
    }
}

TEST(Escapement, PurgeQuoteFromTheEnd) {
    struct Case {
        const char* pszSource;
        int bAvecBackSlash;
        const char* pszAttendu;
    };
    const Case CASES[] = {
        {"it''s", 0, "it's"}, {"''", 0, "''"},     {"''", 1, "''"},       {"''''", 0, "''"},   {"'''", 0, "''"},
        {"''''''", 0, "'''"}, {"a\\'b", 1, "a'b"}, {"a\\'b", 0, "a\\'b"}, {"\\'\\'", 1, "''"}, {"'", 0, "'"},
        {"", 0, ""},          {"x''", 0, "x'"},    {"''x", 0, "'x"},      {"\\\\'", 1, "\\'"},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(std::string(c.pszSource) + (c.bAvecBackSlash ? " with backslash" : ""));
        EXPECT_EQ(PurgeQ<char>(c.pszSource, c.bAvecBackSlash), c.pszAttendu);
        EXPECT_EQ(PurgeQ<wchar_t>(W(c.pszSource), c.bAvecBackSlash), W(c.pszAttendu));
    }
}

TEST(Escapement, PurgeEscapeBackSlashPairsThenQuotes) {
    const PurgeCase CASES[] = {
        {"a\\\\\\'b", "a\\'b"},  // three backslashes and a quote: the pair becomes one, then the quote's goes
        {"a\\\\b", "a\\b"},     {"\\\\\\\\", "\\\\"}, {"it''s", "it's"}, {"''", "''"},
    };
    for (const PurgeCase& c : CASES) {
        SCOPED_TRACE(c.pszSource);
        EXPECT_EQ(PurgeB<char>(c.pszSource), c.pszAttendu);
        EXPECT_EQ(PurgeB<wchar_t>(W(c.pszSource)), W(c.pszAttendu));
    }
}

TEST(Escapement, NullTextsToPurgesAreIgnored) {
    PurgeEscape(static_cast<char*>(nullptr), '!');
    PurgeEscapeEscape(static_cast<wchar_t*>(nullptr), L'!');
    PurgeQuote(static_cast<char*>(nullptr), 1);
    PurgeEscapeBackSlash(static_cast<wchar_t*>(nullptr));
}

// What a literal goes through: escaped on the way to the server, purged on the way back.
TEST(Escapement, RoundTrips) {
    const char* TEXTES[] = {"O'Brien", "it''s", "''", "a\\'b", "C:\\dir\\", "100% _sure_", "plain", ""};
    for (const char* pszTexte : TEXTES) {
        SCOPED_TRACE(pszTexte);
        // Quote doubling, undone by PurgeQuote.
        std::string s = Echappe<char>(pszTexte, Seules({1}), '\'', '!');
        EXPECT_EQ(PurgeQ<char>(s, 0), pszTexte);
        EXPECT_EQ(PurgeQ<wchar_t>(W(s), 0), W(pszTexte));
        // Backslash style (\' and \\), undone by PurgeEscapeBackSlash.
        s = Echappe<char>(pszTexte, Seules({1, 2}), '\\', '!');
        EXPECT_EQ(PurgeB<char>(s), pszTexte);
        EXPECT_EQ(PurgeB<wchar_t>(W(s)), W(pszTexte));
    }
    // A lone quote doubles to "''", which reads back as the empty literal and stays two quotes.
    EXPECT_EQ(PurgeQ<char>(Echappe<char>("'", Seules({1}), '\'', '!'), 0), "''");
}

TEST(Escapement, WidePassesCharactersBeyondEightBits) {
    std::wstring source = L"\u00e9l\u00e8ve's \U0001F600%";
    std::wstring attendu = L"\u00e9l\u00e8ve''s \U0001F600!%";
    EXPECT_EQ(Echappe<wchar_t>(source, Seules({1, 4}), L'\'', L'!'), attendu);
    EXPECT_EQ(PurgeQ<wchar_t>(attendu, 0), L"\u00e9l\u00e8ve's \U0001F600!%");
}

}  // namespace
