// The code-page conversions against iconv's own answers, computed here with a converter opened for
// each call and closed after it: UTF-8 and 1252, which are converted without iconv, through tables
// of valid, invalid, truncated and unconvertible input at every buffer size, exhaustively over the
// 256 bytes and the whole code space, and through a seeded run of random texts; the other code
// pages, whose converters are kept open per thread, after failures that leave a converter halfway,
// beyond the number of converters a thread keeps, from many threads at once and while a thread ends.
#include <gtest/gtest.h>
#include <iconv.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/platformwin/WinCodePage.h"

namespace {

// ---------------------------------------------------------------------------------------------
// iconv's answer: a converter opened for the call (the first wide-side name the C library accepts,
// the "//IGNORE" ones first when invalid input may be skipped), one iconv call into an output
// buffer, or passes through a small scratch area to count. Failures give nErrno, successes 0.

struct Reponse {
    long n = 0;
    int nErrno = 0;  // 0: success
};

const char* const s_tabLarges[8] = {"UCS4LE//IGNORE", "UTF32LE//IGNORE", "UCS-4LE//IGNORE", "UTF-32LE//IGNORE",
                                    "UCS4LE",         "UTF32LE",         "UCS-4LE",         "UTF-32LE"};
const iconv_t CD_AUCUN = reinterpret_cast<iconv_t>(-1);
const size_t ECHEC = static_cast<size_t>(-1);

Reponse Echec() {
    Reponse r;
    r.nErrno = errno;
    return r;
}

struct Iconv {
    iconv_t cd;
    explicit Iconv(iconv_t c) : cd(c) {}
    ~Iconv() {
        if (cd != CD_AUCUN) iconv_close(cd);
    }
    size_t operator()(const char** ppIn, size_t* pnIn, char** ppOut, size_t* pnOut) const {
        return iconv(cd, const_cast<char**>(ppIn), pnIn, ppOut, pnOut);
    }
};

Reponse IconvVersLarge(unsigned nCodePage, unsigned nFlags, const char* src, int nLongueur, wchar_t* dst, int nPlace) {
    size_t nIn = nLongueur == -1 ? strlen(src) + 1 : static_cast<size_t>(nLongueur);
    iconv_t cd = CD_AUCUN;
    int i = (nFlags & MB_ERR_INVALID_CHARS) ? 4 : 0;
    for (; i < 8 && cd == CD_AUCUN; i++) cd = iconv_open(s_tabLarges[i], CodePageToIConv(static_cast<int>(nCodePage)));
    Iconv conv(cd);
    if (cd == CD_AUCUN) return Echec();
    const bool bIgnore = i - 1 < 4;
    auto bFini = [&](size_t nRes, size_t nReste) {
        return nRes != ECHEC || (bIgnore && errno == EILSEQ && nReste == 0);
    };
    const char* pIn = src;
    Reponse r;
    if (dst != nullptr && nPlace != 0) {
        char* pOut = reinterpret_cast<char*>(dst);
        size_t nOut = static_cast<size_t>(nPlace) * 4;
        const size_t nRes = conv(&pIn, &nIn, &pOut, &nOut);
        if (!bFini(nRes, nIn)) return Echec();
        r.n = static_cast<long>((static_cast<size_t>(nPlace) * 4 - nOut) / 4);
        return r;
    }
    for (;;) {
        char aScratch[32];
        char* pOut = aScratch;
        size_t nOut = sizeof(aScratch);
        const size_t nAvant = nIn;
        size_t nRes = conv(&pIn, &nIn, &pOut, &nOut);
        r.n += static_cast<long>((sizeof(aScratch) - nOut) / 4);
        if (bFini(nRes, nIn)) return r;
        if (errno != E2BIG || (nIn == nAvant && nOut == sizeof(aScratch))) return Echec();
    }
}

Reponse IconvDepuisLarge(unsigned nCodePage, const wchar_t* src, int nLongueur, char* dst, int nPlace,
                         const char* pszDefaut, int* pnUtilise) {
    size_t nIn = (nLongueur == -1 ? wcslen(src) + 1 : static_cast<size_t>(nLongueur)) * 4;
    const char* pszCible = CodePageToIConv(static_cast<int>(nCodePage));
    iconv_t cd = iconv_open(pszCible, "UCS4LE");
    if (cd == CD_AUCUN) cd = iconv_open(pszCible, "UTF32LE");
    Iconv conv(cd);
    if (cd == CD_AUCUN) return Echec();
    if (pnUtilise) *pnUtilise = 0;
    const char* pszRempl = pszDefaut ? pszDefaut : "?";
    const size_t nRempl = strlen(pszRempl);
    const char* pIn = reinterpret_cast<const char*>(src);
    auto Remet = [&conv](char** ppOut, size_t* pnOut) { return iconv(conv.cd, nullptr, nullptr, ppOut, pnOut); };
    Reponse r;
    if (dst != nullptr && nPlace != 0) {
        char* pOut = dst;
        size_t nOut = static_cast<size_t>(nPlace);
        for (;;) {
            if (conv(&pIn, &nIn, &pOut, &nOut) != ECHEC) {
                if (Remet(&pOut, &nOut) == ECHEC) return Echec();
                r.n = pOut - dst;
                return r;
            }
            if (errno != EILSEQ) return Echec();
            if (pnUtilise) *pnUtilise = 1;
            if (Remet(&pOut, &nOut) == ECHEC) return Echec();
            if (nRempl > nOut) {
                errno = E2BIG;
                return Echec();
            }
            memcpy(pOut, pszRempl, nRempl);
            pOut += nRempl;
            nOut -= nRempl;
            pIn += 4;
            nIn -= 4;
        }
    }
    char aScratch[8];
    for (;;) {
        char* pOut = aScratch;
        size_t nOut = sizeof(aScratch);
        const size_t nAvant = nIn;
        const size_t nRes = conv(&pIn, &nIn, &pOut, &nOut);
        r.n += static_cast<long>(sizeof(aScratch) - nOut);
        if (nRes != ECHEC || errno == EILSEQ) {
            pOut = aScratch;
            nOut = sizeof(aScratch);
            if (Remet(&pOut, &nOut) == ECHEC) return Echec();
            r.n += static_cast<long>(sizeof(aScratch) - nOut);
            if (nRes != ECHEC) return r;
            if (pnUtilise) *pnUtilise = 1;
            r.n += static_cast<long>(nRempl);
            pIn += 4;
            nIn -= 4;
            continue;
        }
        if (errno != E2BIG || (nIn == nAvant && nOut == sizeof(aScratch))) return Echec();
    }
}

Reponse IconvMultiVersMulti(unsigned nDe, const char* src, size_t nLongueur, unsigned nVers, char* dst, size_t nPlace) {
    size_t nIn = nLongueur == static_cast<size_t>(-1) ? strlen(src) + 1 : nLongueur;
    iconv_t cd = iconv_open(CodePageToIConv(static_cast<int>(nVers)), CodePageToIConv(static_cast<int>(nDe)));
    Iconv conv(cd);
    if (cd == CD_AUCUN) return Echec();
    const char* pIn = src;
    Reponse r;
    if (dst != nullptr && nPlace != 0) {
        char* pOut = dst;
        size_t nOut = nPlace;
        if (conv(&pIn, &nIn, &pOut, &nOut) == ECHEC || iconv(cd, nullptr, nullptr, &pOut, &nOut) == ECHEC)
            return Echec();
        r.n = pOut - dst;
        return r;
    }
    char aScratch[8];
    for (;;) {
        char* pOut = aScratch;
        size_t nOut = sizeof(aScratch);
        size_t nRes = conv(&pIn, &nIn, &pOut, &nOut);
        r.n += static_cast<long>(sizeof(aScratch) - nOut);
        if (nRes != ECHEC) break;
        if (errno != E2BIG) return Echec();
    }
    char* pOut = aScratch;
    size_t nOut = sizeof(aScratch);
    if (iconv(cd, nullptr, nullptr, &pOut, &nOut) == ECHEC) return Echec();
    r.n += static_cast<long>(sizeof(aScratch) - nOut);
    return r;
}

// What the library answered, with the errno right after the call.
struct Obtenu {
    long n;
    int nErrno;
};
Obtenu Lu(long n) {
    return {n, errno};
}
// The library agrees with iconv: the same count, or a failure (0) with the same errno. With
// bTronqueHorsUnicode, a text cut at its end fails with EINVAL where iconv may say EILSEQ (see
// VerifieVersLarge).
testing::AssertionResult Pareil(const Obtenu& o, const Reponse& r, bool bTronqueHorsUnicode = false) {
    if (r.nErrno == 0 ? o.n == r.n : o.n == 0 && o.nErrno == r.nErrno) return testing::AssertionSuccess();
    if (bTronqueHorsUnicode && r.nErrno == EILSEQ && o.n == 0 && o.nErrno == EINVAL) return testing::AssertionSuccess();
    return testing::AssertionFailure() << "got " << o.n << " (errno " << o.nErrno << "), iconv gives " << r.n
                                       << (r.nErrno ? " (failure, errno " + std::to_string(r.nErrno) + ")" : "");
}

std::string sHex(const void* p, size_t n) {
    std::string s;
    char sz[4];
    for (size_t i = 0; i < n; i++) {
        snprintf(sz, sizeof(sz), "%02X", static_cast<const unsigned char*>(p)[i]);
        if (!s.empty()) s += ' ';
        s += sz;
    }
    return s;
}

std::string sHexLarge(const std::wstring& s) {
    std::string sHex;
    char sz[12];
    for (wchar_t c : s) {
        snprintf(sz, sizeof(sz), "%X ", static_cast<unsigned>(c));
        sHex += sz;
    }
    return sHex;
}

// Whether a UTF-8 text holds a well-formed sequence (four to six bytes, not overlong) for a value
// beyond U+10FFFF.
bool bHorsUnicode(const std::string& s) {
    for (size_t i = 0; i < s.size(); i++) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0xf4 || c > 0xfd) continue;
        const size_t n = c < 0xf8 ? 4 : c < 0xfc ? 5 : 6;
        uint32_t nValeur = c & (0x7fu >> n);
        bool bSuite = i + n <= s.size();
        for (size_t k = 1; bSuite && k < n; k++) {
            const auto b = static_cast<unsigned char>(s[i + k]);
            bSuite = (b & 0xc0) == 0x80;
            nValeur = nValeur << 6 | (b & 0x3f);
        }
        if (bSuite && nValeur > 0x10ffff && (nValeur >> (5 * n - 4)) != 0) return true;
    }
    return false;
}

// One 8-bit text to wide in every way a caller may ask: both flags, counting, and writing into
// every buffer size from 1 to two more than the text's bytes (the bytes past the answer must be
// left as they were, the ones before it must be iconv's). nLongueur -1 takes the terminator too.
// One difference is allowed: when invalid input is skipped and the text is cut at its end, iconv
// reports EILSEQ instead of EINVAL if it skipped a value beyond U+10FFFF in the same pass (its
// second step, which refuses those, overwrites the first step's report); the library always says
// EINVAL. Both fail.
void VerifieVersLarge(unsigned nCodePage, const std::string& sOctets, bool bAvecFin = false) {
    SCOPED_TRACE("code page " + std::to_string(nCodePage) + ": " + sHex(sOctets.data(), sOctets.size()));
    const int nLongueur = bAvecFin ? -1 : static_cast<int>(sOctets.size());
    for (unsigned nFlags : {0u, static_cast<unsigned>(MB_ERR_INVALID_CHARS)}) {
        SCOPED_TRACE("flags " + std::to_string(nFlags));
        const bool bTronqueHorsUnicode = nCodePage == 65001 && nFlags == 0 && bHorsUnicode(sOctets);
        Reponse rAttendu = IconvVersLarge(nCodePage, nFlags, sOctets.c_str(), nLongueur, nullptr, 0);
        ASSERT_TRUE(Pareil(Lu(MultiByteToWideChar(nCodePage, nFlags, sOctets.c_str(), nLongueur, nullptr, 0)), rAttendu,
                           bTronqueHorsUnicode))
            << "counting";
        const int nMax = static_cast<int>(sOctets.size()) + 2;
        for (int nPlace = 1; nPlace <= nMax; nPlace++) {
            std::vector<wchar_t> aAttendu(static_cast<size_t>(nMax), L'\x5a5a');
            std::vector<wchar_t> aSortie(aAttendu);
            rAttendu = IconvVersLarge(nCodePage, nFlags, sOctets.c_str(), nLongueur, aAttendu.data(), nPlace);
            ASSERT_TRUE(
                Pareil(Lu(MultiByteToWideChar(nCodePage, nFlags, sOctets.c_str(), nLongueur, aSortie.data(), nPlace)),
                       rAttendu, bTronqueHorsUnicode))
                << "into " << nPlace;
            ASSERT_EQ(sHexLarge(std::wstring(aSortie.begin(), aSortie.end())),
                      sHexLarge(std::wstring(aAttendu.begin(), aAttendu.end())))
                << "into " << nPlace;
        }
    }
}

// One wide text to 8-bit in every way: counting and every buffer size from 1 to two more than the
// answer, each replacement text; the answer, the flag of replaced characters and the bytes.
void VerifieDepuisLarge(unsigned nCodePage, const std::wstring& sTexte) {
    SCOPED_TRACE("code page " + std::to_string(nCodePage) + ": " + sHexLarge(sTexte));
    const int nLongueur = static_cast<int>(sTexte.size());
    for (const char* pszDefaut : {static_cast<const char*>(nullptr), "[?]", "", "\xe9"}) {
        SCOPED_TRACE(pszDefaut ? std::string("default \"") + pszDefaut + "\"" : "no default");
        int nUtiliseAttendu = -1, nUtilise = -1;
        Reponse rAttendu =
            IconvDepuisLarge(nCodePage, sTexte.data(), nLongueur, nullptr, 0, pszDefaut, &nUtiliseAttendu);
        ASSERT_TRUE(
            Pareil(Lu(WideCharToMultiByte(nCodePage, 0, sTexte.data(), nLongueur, nullptr, 0, pszDefaut, &nUtilise)),
                   rAttendu))
            << "counting";
        ASSERT_EQ(nUtilise, nUtiliseAttendu) << "counting";
        const int nMax = static_cast<int>(rAttendu.n) + 2;
        for (int nPlace = 1; nPlace <= nMax; nPlace++) {
            std::string sAttendu(static_cast<size_t>(nMax), 'Z');
            std::string sSortie(sAttendu);
            nUtiliseAttendu = nUtilise = -1;
            rAttendu = IconvDepuisLarge(nCodePage, sTexte.data(), nLongueur, sAttendu.data(), nPlace, pszDefaut,
                                        &nUtiliseAttendu);
            ASSERT_TRUE(Pareil(Lu(WideCharToMultiByte(nCodePage, 0, sTexte.data(), nLongueur, sSortie.data(), nPlace,
                                                      pszDefaut, &nUtilise)),
                               rAttendu))
                << "into " << nPlace;
            ASSERT_EQ(nUtilise, nUtiliseAttendu) << "into " << nPlace;
            ASSERT_EQ(sHex(sSortie.data(), sSortie.size()), sHex(sAttendu.data(), sAttendu.size()))
                << "into " << nPlace;
        }
    }
}

// UTF-8: well-formed characters of every length and at the edges of each, then what the decoder
// refuses (stray continuation bytes, C0, C1, FE, FF, overlong forms, surrogates, the five- and
// six-byte forms and four-byte ones beyond U+10FFFF, which are refused only by the wide side), and
// lead bytes cut short, in the middle (refused) or at the end of the text (truncated).
const char* const s_tabMorceauxUTF8[] = {
    "a",
    "\x7f",
    "\xc2\x80",
    "\xc3\xa9",
    "\xdf\xbf",
    "\xe0\xa0\x80",
    "\xe2\x82\xac",
    "\xed\x9f\xbf",
    "\xee\x80\x80",
    "\xef\xbb\xbf",
    "\xef\xbf\xbf",
    "\xf0\x90\x80\x80",
    "\xf0\x9f\x98\x80",
    "\xf4\x8f\xbf\xbf",
    // refused by the decoder
    "\x80",
    "\xbf",
    "\x80\x80\x80\x80\x80\x80\x80",
    "\xc0\x80",
    "\xc1\xbf",
    "\xfe",
    "\xff\x80",
    "\xe0\x80\x80",
    "\xe0\x9f\xbf",
    "\xf0\x80\x80\x80",
    "\xf0\x8f\xbf\xbf",
    "\xed\xa0\x80",
    "\xed\xbf\xbf",
    "\xf8\x80\x80\x80\x80",
    "\xfc\x80\x80\x80\x80\x80",
    // well formed, beyond Unicode
    "\xf4\x90\x80\x80",
    "\xf7\xbf\xbf\xbf",
    "\xf8\x88\x80\x80\x80",
    "\xfb\xbf\xbf\xbf\xbf",
    "\xfc\x84\x80\x80\x80\x80",
    "\xfd\xbf\xbf\xbf\xbf\xbf",
    // cut short
    "\xc3",
    "\xe2\x82",
    "\xe2",
    "\xf0\x9f\x98",
    "\xf0\x9f",
    "\xf0",
    "\xe0\x80",
    "\xed\xa0",
    "\xf4\x90\x80",
    "\xf8\x88\x80",
    "\xfc\x84\x80\x80\x80",
};

TEST(WinCodePageIconv, UTF8ToWideTable) {
    // Each piece alone, after a character, before one, between two, and its own first bytes.
    for (const char* psz : s_tabMorceauxUTF8) {
        const std::string s(psz);
        for (const std::string& sTexte : {s, "a" + s, s + "b", "\xc3\xa9" + s + "\xe2\x82\xac", s + s})
            ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(65001, sTexte));
        for (size_t n = 1; n < s.size(); n++) ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(65001, s.substr(0, n) + "z"));
    }
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(65001, ""));
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(65001, "", true));
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(65001, "caf\xc3\xa9", true));
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(65001, "a\xff", true));
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(65001, "a\xe2\x82", true));  // the terminator ends the cut character
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(65001, std::string("a\0b\xc3\xa9\0", 6)));
}

TEST(WinCodePageIconv, Code1252ToWideEveryByte) {
    std::string sTous;
    for (int c = 1; c < 256; c++) {
        const std::string s(1, static_cast<char>(c));
        sTous += s;
        ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(1252, s));
        ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(1252, "a" + s));
    }
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(1252, sTous));
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(1252, sTous, true));
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(1252, std::string("\0\x81\0", 3)));
    // 0 and code pages without an entry are 1252 too.
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(0, "\x80\x81\xe9"));
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(437, "\x80\x81\xe9"));
}

// Characters to UTF-8 and to 1252: what both hold, what 1252 lacks (U+0081 among them), what is no
// character (surrogates, values beyond U+10FFFF, negative ones), the terminator in the middle.
TEST(WinCodePageIconv, WideTo8BitTable) {
    const std::wstring tabTextes[] = {
        L"",
        L"caf\u00e9",
        L"\u20ac\u0152\u0178\u02dc\u2122\u017e",
        L"\u0081\u008d\u00a0\u00ff\u0100",
        L"a\u4e00b",
        L"\U0001f600\U0010ffff",
        std::wstring{L'a', static_cast<wchar_t>(0xd800), L'b', static_cast<wchar_t>(0xdfff)},
        std::wstring{static_cast<wchar_t>(0x110000), L'\u00e9', static_cast<wchar_t>(-1),
                     static_cast<wchar_t>(0x80000000)},
        std::wstring{L'\u4e00', static_cast<wchar_t>(0xd800)},
        std::wstring{static_cast<wchar_t>(0xdc00), L'\u4e00'},
        std::wstring(L"a\0\u00e9", 3),
        L"\u00e9\u4e00\u00e9\u4e00\u20ac",
        L"a\U000e0001\U000e007fb\U000e0080",  // language tags, dropped by 1252
        L"\U000e0001",
    };
    for (unsigned nCodePage : {65001u, 1252u, 0u})
        for (const std::wstring& s : tabTextes) ASSERT_NO_FATAL_FAILURE(VerifieDepuisLarge(nCodePage, s));
    // With the terminator (-1).
    for (unsigned nCodePage : {65001u, 1252u}) {
        for (const wchar_t* psz : {L"", L"\u00e9t\u00e9", L"a\u4e00"}) {
            int nUtilise = -1, nUtiliseAttendu = -1;
            char aSortie[16], aAttendu[16];
            EXPECT_TRUE(Pareil(Lu(WideCharToMultiByte(nCodePage, 0, psz, -1, aSortie, 16, nullptr, &nUtilise)),
                               IconvDepuisLarge(nCodePage, psz, -1, aAttendu, 16, nullptr, &nUtiliseAttendu)));
            EXPECT_STREQ(aSortie, aAttendu);
            EXPECT_EQ(nUtilise, nUtiliseAttendu);
        }
    }
}

// Every value of the code space and some beyond to UTF-8, and the planes where 1252 may differ
// (the first two, the language tags of plane 14, the end of the code space) to 1252, 4096 at a
// time; a replacement that no single character gives shows every character the code page lacks.
TEST(WinCodePageIconv, WideTo8BitWholeCodeSpace) {
    auto Verifie = [](unsigned nCodePage, const std::wstring& s) {
        SCOPED_TRACE(nCodePage);
        SCOPED_TRACE(static_cast<unsigned>(s[0]));
        const int n = static_cast<int>(s.size());
        std::string sSortie(s.size() * 4, 'Z'), sAttendu(sSortie);
        int nUtilise = -1, nUtiliseAttendu = -1;
        const Reponse rAttendu =
            IconvDepuisLarge(nCodePage, s.data(), n, sAttendu.data(), n * 4, "<?>", &nUtiliseAttendu);
        ASSERT_TRUE(Pareil(Lu(WideCharToMultiByte(nCodePage, 0, s.data(), n, nullptr, 0, "<?>", &nUtilise)), rAttendu));
        ASSERT_EQ(nUtilise, nUtiliseAttendu);
        ASSERT_TRUE(Pareil(Lu(WideCharToMultiByte(nCodePage, 0, s.data(), n, sSortie.data(),
                                                  static_cast<int>(rAttendu.n), "<?>", &nUtilise)),
                           rAttendu));
        ASSERT_EQ(nUtilise, nUtiliseAttendu);
        ASSERT_TRUE(sSortie == sAttendu) << "the bytes differ";
    };
    struct Plage {
        uint32_t nDebut, nFin;
    };
    const Plage tabPlages[] = {
        {1, 0x20000}, {0xe0000, 0xe1000}, {0x10f000, 0x110800}, {0x20000, 0xe0000}, {0xe1000, 0x10f000}};
    for (const Plage& p : tabPlages) {
        std::wstring s;
        for (uint32_t c = p.nDebut; c < p.nFin; c++) {
            s += static_cast<wchar_t>(c);
            if (s.size() == 4096 || c + 1 == p.nFin) {
                ASSERT_NO_FATAL_FAILURE(Verifie(65001, s));
                if (p.nDebut < 0x20000 || p.nFin > 0x10f000 || p.nDebut == 0xe0000) {
                    ASSERT_NO_FATAL_FAILURE(Verifie(1252, s));
                }
                s.clear();
            }
        }
    }
    std::wstring sAuDela;
    for (uint32_t c : {0x7fffffffu, 0x80000000u, 0xfffffffeu, 0xffffffffu}) sAuDela += static_cast<wchar_t>(c);
    ASSERT_NO_FATAL_FAILURE(Verifie(65001, sAuDela));
    ASSERT_NO_FATAL_FAILURE(Verifie(1252, sAuDela));
}

// Random texts of the UTF-8 pieces and single bytes, of 1252 bytes (seeded: the same texts every
// run), and random wide texts, each through VerifieVersLarge / VerifieDepuisLarge.
TEST(WinCodePageIconv, RandomTexts) {
    std::mt19937 clHasard(20261210);
    auto n = [&clHasard](size_t nMax) { return static_cast<size_t>(clHasard() % nMax); };
    const size_t nMorceaux = sizeof(s_tabMorceauxUTF8) / sizeof(s_tabMorceauxUTF8[0]);
    // Bytes at the edges of every kind of UTF-8 byte.
    const unsigned char tabOctets[] = {0x41, 0x00, 0x7f, 0x80, 0x8f, 0x90, 0x9f, 0xa0, 0xbf, 0xc0,
                                       0xc1, 0xc2, 0xdf, 0xe0, 0xe1, 0xed, 0xef, 0xf0, 0xf3, 0xf4,
                                       0xf5, 0xf7, 0xf8, 0xfb, 0xfc, 0xfd, 0xfe, 0xff, 0x84, 0x88};
    const uint32_t tabLarges[] = {'a',    0,      0xe9,   0x81,     0x20ac,   0x4e00,  0x1f600,    0xd800,
                                  0xdfff, 0xfffd, 0xffff, 0x10ffff, 0x110000, 0xe0001, 0xffffffff, 0x7fffffff};
    for (int i = 0; i < 1000; i++) {
        std::string sUTF8;
        for (size_t k = n(10); k > 0; k--) {
            if (n(3) == 0)
                sUTF8 += static_cast<char>(tabOctets[n(sizeof(tabOctets))]);
            else
                sUTF8 += s_tabMorceauxUTF8[n(nMorceaux)];
        }
        ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(65001, sUTF8, n(5) == 0 && sUTF8.find('\0') == std::string::npos));

        std::string s1252;
        for (size_t k = n(12); k > 0; k--) s1252 += static_cast<char>(n(2) ? 0x80 + n(32) : n(256));
        ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(1252, s1252));

        std::wstring sLarge;
        for (size_t k = n(10); k > 0; k--)
            sLarge += static_cast<wchar_t>(n(3) ? tabLarges[n(sizeof(tabLarges) / 4)] : 0x80 + n(0x2100));
        ASSERT_NO_FATAL_FAILURE(VerifieDepuisLarge(n(2) ? 65001 : 1252, sLarge));
    }
}

// Long texts, longer than the C library converts in one step, with invalid bytes scattered, at
// the sizes that matter (counting, one short, exact, ample). Skipping invalid input, a sequence
// beyond U+10FFFF is skipped like any other: iconv fails such a text once it is longer than one of
// its steps (its second step stops the first in the middle of the text), although it counts it
// fine; the library converts it as iconv converts the same text without those sequences.
TEST(WinCodePageIconv, LongTexts) {
    std::mt19937 clHasard(7);
    for (int i = 0; i < 6; i++) {
        std::string s, sSansHorsUnicode;
        while (s.size() < 40000) {
            const char* psz = i % 2 ? "\xc3\xa9t\xe2\x82\xac" : "abcdefgh";
            if (clHasard() % 500 == 0) psz = i % 2 ? "\xff\xc3\xa9" : "\xff";
            s += psz;
            sSansHorsUnicode += psz;
            if (i >= 4 && clHasard() % 700 == 0) s += "\xf4\x90\x80\x80";
        }
        for (unsigned nFlags : {0u, static_cast<unsigned>(MB_ERR_INVALID_CHARS)}) {
            SCOPED_TRACE(std::to_string(i) + " flags " + std::to_string(nFlags));
            const std::string& sIconv = nFlags == 0 ? sSansHorsUnicode : s;
            const int n = static_cast<int>(s.size()), nIconv = static_cast<int>(sIconv.size());
            const Reponse rCompte = IconvVersLarge(65001, nFlags, sIconv.data(), nIconv, nullptr, 0);
            ASSERT_TRUE(Pareil(Lu(MultiByteToWideChar(65001, nFlags, s.data(), n, nullptr, 0)), rCompte));
            for (long nPlace : {rCompte.n - 1, rCompte.n, static_cast<long>(n)}) {
                if (nPlace <= 0) continue;
                std::vector<wchar_t> aSortie(static_cast<size_t>(nPlace)), aAttendu(aSortie);
                ASSERT_TRUE(Pareil(
                    Lu(MultiByteToWideChar(65001, nFlags, s.data(), n, aSortie.data(), static_cast<int>(nPlace))),
                    IconvVersLarge(65001, nFlags, sIconv.data(), nIconv, aAttendu.data(), static_cast<int>(nPlace))))
                    << "into " << nPlace;
                ASSERT_TRUE(aSortie == aAttendu);
            }
        }
        if (i >= 4) {  // what the library mends
            std::vector<wchar_t> aSortie(s.size());
            EXPECT_EQ(IconvVersLarge(65001, 0, s.data(), static_cast<int>(s.size()), aSortie.data(),
                                     static_cast<int>(s.size()))
                          .nErrno,
                      EILSEQ);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// The code pages converted through iconv, with converters kept open.

struct CasIconv {
    unsigned nCodePage;
    const wchar_t* pszTexte;  // a text the code page holds, then one with characters it lacks
    std::string sInvalide;    // bytes the code page refuses or cuts short
};
const CasIconv s_tabCasIconv[] = {
    {1, L"\u00c7a \u00e9t\u00e9 \u2500\u2502 \u00a3", "\x80\x81"},
    {874, L"\u0e01\u0e02 abc", "\xdb"},
    {932, L"\u65e5\u672c\u8a9e\uff71a", "\x93"},
    {936, L"\u4e2d\u6587 abc", "\x81"},
    {949, L"\ud55c\uad6d\uc5b4", "\xb0"},
    {950, L"\u4e2d\u6587", "\xa4"},
    {1250, L"\u0141\u00f3d\u017a", "\x81\x83"},
    {1251, L"\u041f\u0440\u0438\u0432\u0435\u0442", "a\x98"},
    {1253, L"\u0391\u03b8\u03ae\u03bd\u03b1", "\xaa"},
    {1254, L"\u0130stanbul \u015f", "\x81"},
    {1255, L"\u05e9\u05dc\u05d5\u05dd", "\xff"},
    {1256, L"\u0645\u0631\u062d\u0628\u0627", ""},
    {1257, L"\u0160iauli\u0173", "\xa1"},
    {1258, L"Vi\u1ec7t", "\xa1"},
    {1361, L"\ud55c\uae00", "\x84"},
    {50220, L"ab\u65e5\u672cc", "\x1b$BF"},
};

// Each case in both directions, every way, twice over (the second time from the kept converters),
// with the invalid bytes in between.
void VerifieCasIconv(const CasIconv& c) {
    SCOPED_TRACE(c.nCodePage);
    const std::wstring sTexte = c.pszTexte;
    ASSERT_NO_FATAL_FAILURE(VerifieDepuisLarge(c.nCodePage, sTexte));
    ASSERT_NO_FATAL_FAILURE(VerifieDepuisLarge(c.nCodePage, sTexte + L"\u20ac\u4e00\U0001f600"));
    const int n = static_cast<int>(sTexte.size());
    std::string sOctets(64, '\0');
    sOctets.resize(static_cast<size_t>(
        WideCharToMultiByte(c.nCodePage, 0, sTexte.data(), n, sOctets.data(), 64, nullptr, nullptr)));
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(c.nCodePage, sOctets));
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(c.nCodePage, sOctets + c.sInvalide));
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(c.nCodePage, c.sInvalide + sOctets));
    ASSERT_NO_FATAL_FAILURE(VerifieVersLarge(c.nCodePage, sOctets, true));
    for (unsigned nVers : {65001u, 1252u, 50220u}) {
        for (size_t nPlace : {size_t(0), size_t(3), size_t(64)}) {
            char aSortie[64], aAttendu[64];
            memset(aSortie, 'Z', sizeof aSortie);
            memset(aAttendu, 'Z', sizeof aAttendu);
            const Reponse rAttendu = IconvMultiVersMulti(c.nCodePage, sOctets.data(), sOctets.size(), nVers,
                                                         nPlace ? aAttendu : nullptr, nPlace);
            EXPECT_TRUE(
                Pareil(Lu(static_cast<long>(MultiByteToMultiByte(c.nCodePage, sOctets.data(), sOctets.size(), nVers,
                                                                 nPlace ? aSortie : nullptr, nPlace, 0))),
                       rAttendu))
                << nVers << " into " << nPlace;
            EXPECT_EQ(sHex(aSortie, sizeof aSortie), sHex(aAttendu, sizeof aAttendu));
        }
    }
}

// More code pages than a thread keeps converters for, each used twice: the converters dropped are
// opened again, the ones kept answer as fresh ones do.
TEST(WinCodePageIconv, OtherCodePages) {
    for (int nTour = 0; nTour < 2; nTour++)
        for (const CasIconv& c : s_tabCasIconv) ASSERT_NO_FATAL_FAILURE(VerifieCasIconv(c));
}

// A stateful code page left in its two-byte set by a failed call, or by a replacement that did not
// fit, starts the next call from ASCII; a decoder left in the middle of a character starts afresh.
TEST(WinCodePageIconv, KeptConverterStartsAfresh) {
    char aSortie[32];
    const wchar_t szJaponais[] = L"\u65e5\u672c\u4e00\u00e9";
    EXPECT_EQ(WideCharToMultiByte(50220, 0, szJaponais, 4, aSortie, 6, nullptr, nullptr), 0);  // stops in the set
    EXPECT_EQ(WideCharToMultiByte(50220, 0, szJaponais, 4, aSortie, 9, "[?]", nullptr), 0);    // no room to replace
    EXPECT_EQ(WideCharToMultiByte(50220, 0, L"ab", 2, aSortie, sizeof aSortie, nullptr, nullptr), 2);
    EXPECT_EQ(sHex(aSortie, 2), "61 62");
    EXPECT_EQ(WideCharToMultiByte(50220, 0, L"ab", 2, nullptr, 0, nullptr, nullptr), 2);

    wchar_t aLarge[8];
    EXPECT_EQ(MultiByteToWideChar(50220, 0, "\x1b$BF|F", 6, aLarge, 8), 0);  // cut in the two-byte set
    EXPECT_EQ(MultiByteToWideChar(50220, 0, "F|", 2, aLarge, 8), 2);
    EXPECT_EQ(aLarge[0], L'F');
    EXPECT_EQ(MultiByteToMultiByte(65001, "\xe6\x97\xa5\xe6\x97", 5, 50220, aSortie, sizeof aSortie, 0), 0u);
    EXPECT_EQ(MultiByteToMultiByte(65001, "ab", 2, 50220, aSortie, sizeof aSortie, 0), 2u);
    EXPECT_EQ(sHex(aSortie, 2), "61 62");
}

// Threads converting at once, each through its own converters, more code pages than a thread keeps;
// every answer as a fresh converter gives it. The converters of a thread are closed when it ends
// (the program fails on leaks).
TEST(WinCodePageIconv, Threads) {
    struct Attendu {
        unsigned nCodePage;
        std::string sOctets;
        std::wstring sTexte;
    };
    std::vector<Attendu> aAttendus;
    for (const CasIconv& c : s_tabCasIconv) {
        char a[64];
        const Reponse r = IconvDepuisLarge(c.nCodePage, c.pszTexte, -1, a, sizeof a, nullptr, nullptr);
        ASSERT_GT(r.n, 0);
        aAttendus.push_back({c.nCodePage, std::string(a, static_cast<size_t>(r.n)), c.pszTexte});
    }
    aAttendus.push_back({65001, std::string("\xc3\xa9t\xc3\xa9", 6), L"\u00e9t\u00e9"});
    std::atomic<int> nErreurs{0};
    std::vector<std::thread> aThreads;
    for (int t = 0; t < 8; t++) {
        aThreads.emplace_back([&aAttendus, &nErreurs, t]() {
            for (int i = 0; i < 300; i++) {
                const Attendu& a = aAttendus[static_cast<size_t>(i * 7 + t) % aAttendus.size()];
                char aOctets[64];
                wchar_t aLarge[32];
                int n = WideCharToMultiByte(a.nCodePage, 0, a.sTexte.c_str(), -1, aOctets, sizeof aOctets, nullptr,
                                            nullptr);
                if (std::string(aOctets, static_cast<size_t>(n > 0 ? n : 0)) != a.sOctets) nErreurs++;
                n = MultiByteToWideChar(a.nCodePage, 0, a.sOctets.data(), static_cast<int>(a.sOctets.size()), aLarge,
                                        32);
                if (std::wstring(aLarge, static_cast<size_t>(n > 0 ? n : 0)) != a.sTexte + L'\0') nErreurs++;
            }
        });
    }
    for (std::thread& t : aThreads) t.join();
    EXPECT_EQ(nErreurs.load(), 0);
}

// A conversion made while a thread ends, by an object of the thread's own that lives longer than
// its converters: it still converts (with a converter of its own, closed after it).
std::string s_sFinDeThread;
struct ConvertitALaFin {
    bool bPret = false;
    ~ConvertitALaFin() {
        char a[16];
        int n = WideCharToMultiByte(1, 0, L"\u00e9\u2500", 2, a, sizeof a, nullptr, nullptr);
        s_sFinDeThread = sHex(a, static_cast<size_t>(n > 0 ? n : 0));
    }
};
thread_local ConvertitALaFin s_clConvertitALaFin;

TEST(WinCodePageIconv, ConversionWhileTheThreadEnds) {
    std::thread([]() {
        s_clConvertitALaFin.bPret = true;  // made before the thread's first converter
        char a[16];
        EXPECT_EQ(WideCharToMultiByte(1, 0, L"\u00e9", 1, a, sizeof a, nullptr, nullptr), 1);
    }).join();
    EXPECT_EQ(s_sFinDeThread, "82 C4");
}

}  // namespace
