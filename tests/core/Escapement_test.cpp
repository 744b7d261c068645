// Escaping of SQL literals and LIKE patterns, and its undoing. Every case runs in both widths: the
// statement builders call the 8-bit and the wide forms alike.
#include "core/Escapement.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
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

// How the server reads '<text>' (bBackslash: a literal that interprets backslashes): the value, or
// nothing when the literal does not end at that closing quote (it ends early, or the closing quote
// is taken into the value and the literal runs on). A backslash takes the next character as it is:
// enough for the texts here, whose backslashes are never followed by b, f, n, r, t, u, x or digits.
template <class T>
std::optional<std::basic_string<T>> LitLitteral(const std::basic_string<T>& sTexte, bool bBackslash) {
    const std::basic_string<T> s = sTexte + T('\'');
    std::basic_string<T> sValeur;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == T('\'')) {
            if (i + 1 == s.size()) return sValeur;
            if (s[i + 1] != T('\'')) return std::nullopt;  // ended early
            sValeur += T('\'');
            ++i;
        } else if (bBackslash && s[i] == T('\\')) {
            if (i + 1 == s.size()) return std::nullopt;
            sValeur += s[++i];
        } else {
            sValeur += s[i];
        }
    }
    return std::nullopt;  // the closing quote was read as part of the value
}

constexpr const char* FIN_PRECOCE = nullptr;

// Escaped texts and what a standard-conforming literal and a backslash-interpreting one read from
// them (the values PostgreSQL 15 gives for SELECT '...' and SELECT E'...'; FIN_PRECOCE where it
// reports a syntax error or an unterminated literal).
TEST(Escapement, OptionSetsAgainstBothLiteralForms) {
    struct Case {
        const char* pszNom;
        Options opt;
        char cQuote;
        char cEscape;
        const char* pszSource;
        const char* pszAttendu;
        const char* pszStandard;
        const char* pszBackslash;
    };
    const Case CASES[] = {
        {"quotes doubled", Seules({1}), '\'', '\\', "O'Brien", "O''Brien", "O'Brien", "O'Brien"},
        {"backslash before a quote, quotes doubled", Seules({1}), '\'', '\\', R"(a\'b)", R"(a\''b)", R"(a\'b)",
         FIN_PRECOCE},
        {"trailing backslash, quotes doubled", Seules({1}), '\'', '\\', R"(C:\dir\)", R"(C:\dir\)", R"(C:\dir\)",
         FIN_PRECOCE},
        {"the same with ! as escape", Seules({1}), '\'', '!', R"(a\'b)", R"(a\''b)", R"(a\'b)", FIN_PRECOCE},
        {"escapes doubled", Seules({1, 3}), '\'', '\\', R"(a\'b)", R"(a\\''b)", R"(a\\'b)", R"(a\'b)"},
        {"escapes doubled, trailing", Seules({1, 3}), '\'', '\\', R"(C:\dir\)", R"(C:\\dir\\)", R"(C:\\dir\\)",
         R"(C:\dir\)"},
        {"escaped percent copied", Seules({1, 3}), '\'', '\\', R"(100\%)", R"(100\%)", R"(100\%)", "100%"},
        {"escaped wildcards and pairs reworked", Seules({1, 3, 6, 7, 8}), '\'', '\\', R"(100\% \_ \\)",
         R"(100\\% \\_ \\\\)", R"(100\\% \\_ \\\\)", R"(100\% \_ \\)"},
        {"backslashes doubled", Seules({1, 2}), '\'', '!', R"(a\'b)", R"(a\\''b)", R"(a\\'b)", R"(a\'b)"},
        {"quote after a backslash", Seules({1}), '\\', '!', "it's", R"(it\'s)", FIN_PRECOCE, "it's"},
        {"quote after a backslash, backslashes doubled", Seules({1, 2}), '\\', '!', R"(a\'b)", R"(a\\\'b)", FIN_PRECOCE,
         R"(a\'b)"},
        {"every option", TOUTES, '\'', '!', "O'Brien_50%", "O''Brien!_50!%", "O'Brien!_50!%", "O'Brien!_50!%"},
        {"wildcards escaped by backslash", Seules({1, 4, 5}), '\'', '\\', "50%_'", R"(50\%\_'')", R"(50\%\_')",
         "50%_'"},
        {"wildcards escaped, backslash before a quote", Seules({1, 4, 5}), '\'', '\\', R"(a\')", R"(a\'')", R"(a\')",
         FIN_PRECOCE},
        {"wildcards and escapes", Seules({1, 3, 4, 5}), '\'', '\\', R"(a\'%)", R"(a\\''\%)", R"(a\\'\%)", R"(a\'%)"},
    };
    auto Lu = [](const std::optional<std::string>& v) { return v ? *v : std::string("(ends early)"); };
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.pszNom);
        const std::string sEchappe = Echappe<char>(c.pszSource, c.opt, c.cQuote, c.cEscape);
        EXPECT_EQ(sEchappe, c.pszAttendu);
        EXPECT_EQ(Echappe<wchar_t>(W(c.pszSource), c.opt, wchar_t(c.cQuote), wchar_t(c.cEscape)), W(c.pszAttendu));
        EXPECT_EQ(Lu(LitLitteral(sEchappe, false)), c.pszStandard ? c.pszStandard : "(ends early)");
        EXPECT_EQ(Lu(LitLitteral(sEchappe, true)), c.pszBackslash ? c.pszBackslash : "(ends early)");
    }
}

// What the header promises for each literal form, over every option set and every source of up to
// three of the characters that matter: the sets said to keep one literal always do and every other
// set breaks one for some source; the sets said to read back as the source always do.
TEST(Escapement, TheSafeOptionSetsOfEachLiteralForm) {
    std::vector<std::string> aSources{""};
    for (size_t nDebut = 0, nLongueur = 0; nLongueur < 3; ++nLongueur) {
        const size_t nFin = aSources.size();
        for (size_t i = nDebut; i < nFin; ++i)
            for (char c : std::string("a'\\%_!")) aSources.push_back(aSources[i] + c);
        nDebut = nFin;
    }
    for (int nMasque = 0; nMasque < 256; ++nMasque) {
        Options opt;
        for (int i = 0; i < 8; ++i) opt.o[i] = (nMasque >> i) & 1;
        const auto Exactement = [&](std::initializer_list<int> places) {
            int nAttendu = 0;
            for (int p : places) nAttendu |= 1 << (p - 1);
            return nMasque == nAttendu;
        };
        for (char cQuote : {'\'', '\\', '!'}) {
            for (char cEscape : {'\\', '!'}) {
                SCOPED_TRACE(testing::Message()
                             << "options " << nMasque << ", quote-escape " << cQuote << ", escape " << cEscape);
                const bool bQuoteDouble = opt.o[0] && cQuote == '\'';
                const bool bQuoteOuBackslash = opt.o[0] && (cQuote == '\'' || cQuote == '\\');
                const bool bUnLitteral[2] = {
                    bQuoteDouble,
                    bQuoteOuBackslash && (cEscape == '\\' ? opt.o[2] : opt.o[1]),
                };
                const bool bFidele[2] = {
                    bQuoteDouble && Exactement({1}),
                    bQuoteOuBackslash && (cEscape == '\\' ? Exactement({1, 3, 6, 7, 8}) : Exactement({1, 2})),
                };
                for (int nForme = 0; nForme < 2; ++nForme) {
                    bool bToujoursUn = true;
                    bool bToujoursFidele = true;
                    for (const std::string& sSource : aSources) {
                        const auto v = LitLitteral(Echappe<char>(sSource, opt, cQuote, cEscape), nForme == 1);
                        bToujoursUn = bToujoursUn && v.has_value();
                        bToujoursFidele = bToujoursFidele && v == sSource;
                    }
                    EXPECT_EQ(bToujoursUn, bUnLitteral[nForme]) << (nForme ? "backslash-interpreting" : "standard");
                    if (bFidele[nForme]) {
                        EXPECT_TRUE(bToujoursFidele);
                    }
                }
            }
        }
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
