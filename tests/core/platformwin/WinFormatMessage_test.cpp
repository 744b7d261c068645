// FormatMessage emulations: numbered inserts with their conversions, escapes, line widths, refused
// texts and flags, the caller's buffer at its size edges, allocated results, the system's error
// texts, and the plain printf forms FormatMessageW and FormatMessageA.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/platformwin/WinCodePage.h"
#include "core/platformwin/WinFormat.h"

namespace {

const unsigned s_nChaine = FORMAT_MESSAGE_FROM_STRING;
const unsigned s_nAlloue = FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING;
const unsigned s_nTableau = FORMAT_MESSAGE_ARGUMENT_ARRAY;

uint64_t nPtr(const void* p) {
    return reinterpret_cast<uintptr_t>(p);
}

uint64_t nReel(double d) {
    uint64_t n;
    memcpy(&n, &d, sizeof(n));
    return n;
}

// FormatMessageWin over a va_list of the arguments given, into an allocated block.
std::wstring sFormateListe(unsigned* pnLongueur, const wchar_t* pszSource, ...) {
    va_list args;
    va_start(args, pszSource);
    wchar_t* pszBloc = nullptr;
    *pnLongueur = FormatMessageWin(s_nAlloue, pszSource, 0, 0, reinterpret_cast<wchar_t*>(&pszBloc), 0, &args);
    va_end(args);
    std::wstring s = pszBloc != nullptr ? pszBloc : L"<null>";
    free(pszBloc);
    return s;
}

// FormatMessageWin over an array of 64-bit arguments into an allocated block; "<error n>" on failure.
std::wstring sFormateTableau(unsigned nFlags, const wchar_t* pszSource, const std::vector<uint64_t>& tabArgs) {
    wchar_t* pszBloc = nullptr;
    errno = 0;
    unsigned n =
        FormatMessageWin(nFlags | s_nAlloue | s_nTableau, pszSource, 0, 0, reinterpret_cast<wchar_t*>(&pszBloc), 0,
                         reinterpret_cast<va_list*>(const_cast<uint64_t*>(tabArgs.data())));
    if (n == 0) {
        EXPECT_EQ(pszBloc, nullptr);
        return L"<error " + std::to_wstring(errno) + L">";
    }
    std::wstring s(pszBloc);
    EXPECT_EQ(s.size(), n);
    free(pszBloc);
    return s;
}

class WinFormatMessage : public testing::Test {
protected:
    static void SetUpTestSuite() { ASSERT_NE(SetLocaleUTF8(), nullptr); }
};

TEST_F(WinFormatMessage, InsertsFromAnArgumentList) {
    unsigned n = 0;
    EXPECT_EQ(sFormateListe(&n, L"Table %1 missing%n", L"T1"), L"Table T1 missing\r\n");
    EXPECT_EQ(n, 18u);
    EXPECT_EQ(sFormateListe(&n, L"%1!d! rows", 42), L"42 rows");
    // Arguments are fetched in order and kept: an insert may name them in any order, or twice.
    // Every insert of one argument reads it with the same width ("%3" alone is a wide text).
    EXPECT_EQ(sFormateListe(&n, L"%3-%1-%2-%3", L"a", L"b", L"c"), L"c-a-b-c");
    EXPECT_EQ(sFormateListe(&n, L"%3!S!-%1-%2-%3!S!", L"a", L"b", "c"), L"c-a-b-c");
    EXPECT_EQ(sFormateListe(&n, L"%2!u! of %1", L"all", 7u), L"7 of all");
}

TEST_F(WinFormatMessage, Inserts) {
    const char* pszEtroit = "\xc3\xa9troit";
    struct Case {
        const wchar_t* pszSource;
        std::vector<uint64_t> tabArgs;
        const wchar_t* pszAttendu;
    };
    const std::vector<Case> tabCases = {
        {L"%1", {nPtr(L"wide")}, L"wide"},
        {L"[%1!S!]", {nPtr(pszEtroit)}, L"[\u00e9troit]"},
        {L"[%1!hs!]", {nPtr("h")}, L"[h]"},
        {L"[%1!S!]", {nPtr("\xff")}, L"<error 84>"},  // 8-bit text that is not UTF-8
        {L"%1!x! %1!X! %1!#o!", {255}, L"ff FF 0377"},
        {L"%1!-4d!|%2!04u!", {7, 9}, L"7   |0009"},
        {L"%1!d!", {static_cast<uint64_t>(-3)}, L"-3"},
        {L"%1!lld!", {0x8000000000000000ULL}, L"-9223372036854775808"},
        {L"%1!c!", {'z'}, L"z"},
        {L"%1!*s!|", {5, nPtr(L"ab")}, L"   ab|"},
        {L"%1!-*s!|%3", {4, nPtr(L"ab"), nPtr(L"c")}, L"ab  |c"},
        {L"%1!*.*f!", {8, 2, nReel(3.14159)}, L"    3.14"},
        {L"%1!.3e!", {nReel(1234.5)}, L"1.234e+03"},
        {L"%10", {1, 2, 3, 4, 5, 6, 7, 8, 9, nPtr(L"ten")}, L"ten"},
        // Escapes.
        {L"a%%b%.c%!d", {}, L"a%b.c!d"},
        {L"x%0yz", {}, L"x"},
        {L"a%rb%tc%bd", {}, L"a\rb\tc d"},
        {L"line%nnext", {}, L"line\r\nnext"},
        {L"100%% sure", {}, L"100% sure"},
        // Source line breaks, every form, become CR LF.
        {L"l1\nl2\r\nl3\n\rl4\rl5", {}, L"l1\r\nl2\r\nl3\r\nl4\r\nl5"},
        {L"", {}, L"<error 0>"},  // an empty message is no text
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszSource)));
        EXPECT_EQ(sFormateTableau(0, c.pszSource, c.tabArgs), c.pszAttendu);
    }
}

TEST_F(WinFormatMessage, MalformedTextsAndRefusedFlags) {
    struct Case {
        unsigned nFlags;
        const wchar_t* pszSource;
        int nErrno;
    };
    const Case tabCases[] = {
        {0, L"100%", EINVAL},                                 // '%' at the end
        {0, L"%100", EINVAL},                                 // three digits
        {0, L"%1!d", EINVAL},                                 // no closing '!'
        {0, L"%1!!", EINVAL},                                 // empty conversion
        {0, L"%1!*.**d!", EINVAL},                            // three '*'
        {0, L"%1!123456789012345678901234567890d!", EINVAL},  // conversion over 29 characters
        {0, L"%1!n!", EINVAL},                                // would write through the argument
        {0, L"%1!2$d!", EINVAL},                              // would read another argument
        {0, L"%1!d%s!", EINVAL},                              // two directives for one value
        {FORMAT_MESSAGE_FROM_HMODULE, L"text", EINVAL},
    };
    std::vector<uint64_t> tabArgs = {1, 2, 3};
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszSource)));
        EXPECT_EQ(sFormateTableau(c.nFlags, c.pszSource, tabArgs), L"<error " + std::to_wstring(c.nErrno) + L">");
    }
    // Neither a string nor the system as the source.
    wchar_t szSortie[16];
    errno = 0;
    EXPECT_EQ(FormatMessageWin(0, L"text", 0, 0, szSortie, 16, nullptr), 0u);
    EXPECT_EQ(errno, EINVAL);
    // An insert without any argument list.
    errno = 0;
    EXPECT_EQ(FormatMessageWin(s_nChaine, L"a %1 b", 0, 0, szSortie, 16, nullptr), 0u);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_STREQ(szSortie, L"a ");  // terminated where the engine stopped
}

TEST_F(WinFormatMessage, IgnoreInsertsWritesThemBack) {
    wchar_t szSortie[64];
    const unsigned nFlags = s_nChaine | FORMAT_MESSAGE_IGNORE_INSERTS;
    EXPECT_EQ(FormatMessageWin(nFlags, L"%1 and %2!d! at %3!-5s!%n", 0, 0, szSortie, 64, nullptr), 25u);
    EXPECT_STREQ(szSortie, L"%1 and %2!d! at %3!-5s!\r\n");
    EXPECT_EQ(FormatMessageWin(nFlags, L"%1!d", 0, 0, szSortie, 64, nullptr), 0u);
}

TEST_F(WinFormatMessage, LineWidth) {
    struct Case {
        unsigned nLargeur;
        const wchar_t* pszSource;
        std::vector<uint64_t> tabArgs;
        const wchar_t* pszAttendu;
    };
    const std::vector<Case> tabCases = {
        {10, L"aaaa bbbb cccc", {}, L"aaaa bbbb\r\ncccc"},
        {10, L"aaaa bbbbbbbb", {}, L"aaaa\r\nbbbbbbbb"},
        {10, L"aaaaaaaaaaaa", {}, L"aaaaaaaaaa\r\naa"},                // no blank: broken at once
        {10, L"aaaa   bbbbbbb", {}, L"aaaa\r\nbbbbbbb"},               // every blank at the break goes
        {10, L"aaaa%bbbbbbbbb", {}, L"aaaa\r\nbbbbbbbb"},              // "%b" is a place to break
        {10, L"%1 cccc", {nPtr(L"aaaa bbbb")}, L"aaaa bbbb\r\ncccc"},  // inserts count too
        {10, L"aaaaaaa%nbbbbbbb", {}, L"aaaaaaa\r\nbbbbbbb"},          // "%n" starts the count again
        {10, L"ab%tcdefgh ij", {}, L"ab\r\ncdefgh ij"},                // a tab moves to column 8 and is a blank
        {10, L"ab\ncd", {}, L"ab cd"},                                 // a source line break is a space
        {255, L"ab\r\ncd%nef", {}, L"ab cd\r\nef"},                    // 255: no width, but still spaces
        {255, L"aaaaaaaaaaaaaaaaaaaa bbbbbbbbbbbbbbbbbbbbbbbbb", {}, L"aaaaaaaaaaaaaaaaaaaa bbbbbbbbbbbbbbbbbbbbbbbbb"},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszSource)));
        EXPECT_EQ(sFormateTableau(c.nLargeur, c.pszSource, c.tabArgs), c.pszAttendu);
    }
}

// The caller's buffer: the text fits with its terminator or the call fails with 75, and the buffer
// is terminated inside its size either way.
TEST_F(WinFormatMessage, CallerBufferSizes) {
    struct Case {
        const wchar_t* pszSource;
        unsigned nTaille;
        unsigned nResultat;
        const wchar_t* pszContenu;
    };
    const Case tabCases[] = {
        {L"abcdef", 7, 6, L"abcdef"},   {L"abcdef", 6, 0, L"abcde"},  {L"abcdef", 1, 0, L""},
        {L"%1", 7, 6, L"insert"},       {L"%1", 6, 0, L""},           {L"ab%1", 8, 0, L"ab"},
        {L"abcd%n", 7, 6, L"abcd\r\n"}, {L"abcd%n", 6, 0, L"abcd\r"},
    };
    std::vector<uint64_t> tabArgs = {nPtr(L"insert")};
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << testing::PrintToString(std::wstring(c.pszSource)) << " size " << c.nTaille);
        wchar_t szSortie[16];
        wmemset(szSortie, L'x', 16);
        errno = 0;
        EXPECT_EQ(FormatMessageWin(s_nChaine | s_nTableau, c.pszSource, 0, 0, szSortie, c.nTaille,
                                   reinterpret_cast<va_list*>(tabArgs.data())),
                  c.nResultat);
        if (c.nResultat == 0) {
            EXPECT_EQ(errno, EOVERFLOW);
        }
        EXPECT_EQ(std::wstring(szSortie), c.pszContenu);
        EXPECT_EQ(szSortie[c.nTaille], L'x');
    }
    // Size 0: nothing can be written, not even a terminator.
    wchar_t szRien[2] = {L'x', L'x'};
    errno = 0;
    EXPECT_EQ(FormatMessageWin(s_nChaine, L"a", 0, 0, szRien, 0, nullptr), 0u);
    EXPECT_EQ(errno, EOVERFLOW);
    EXPECT_EQ(szRien[0], L'x');
}

TEST_F(WinFormatMessage, AllocatedResult) {
    // The work block is sized from the size asked: a text longer than it fails, and no block is
    // left behind (the leak checker would see it).
    std::wstring sLong(70000, L'a');
    wchar_t* pszBloc = reinterpret_cast<wchar_t*>(1);
    errno = 0;
    EXPECT_EQ(FormatMessageWin(s_nAlloue, sLong.c_str(), 0, 0, reinterpret_cast<wchar_t*>(&pszBloc), 0, nullptr), 0u);
    EXPECT_EQ(errno, EOVERFLOW);
    EXPECT_EQ(pszBloc, nullptr);
    // Asking for more room makes it fit.
    EXPECT_EQ(FormatMessageWin(s_nAlloue, sLong.c_str(), 0, 0, reinterpret_cast<wchar_t*>(&pszBloc), 70001, nullptr),
              70000u);
    ASSERT_NE(pszBloc, nullptr);
    EXPECT_EQ(std::wstring(pszBloc), sLong);
    free(pszBloc);
    // A malformed text frees the block as well.
    pszBloc = reinterpret_cast<wchar_t*>(1);
    EXPECT_EQ(FormatMessageWin(s_nAlloue, L"bad %", 0, 0, reinterpret_cast<wchar_t*>(&pszBloc), 0, nullptr), 0u);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(pszBloc, nullptr);
}

TEST_F(WinFormatMessage, SystemText) {
    const std::string sTexte = strerror(ENOENT);
    const std::wstring sAttendu(sTexte.begin(), sTexte.end());
    const unsigned nSysteme = FORMAT_MESSAGE_FROM_SYSTEM;
    wchar_t szSortie[128];
    EXPECT_EQ(FormatMessageWin(nSysteme, nullptr, ENOENT, 0, szSortie, 128, nullptr), sAttendu.size());
    EXPECT_EQ(std::wstring(szSortie), sAttendu);
    // Message id 0 takes the current errno.
    errno = ENOENT;
    EXPECT_EQ(FormatMessageWin(nSysteme, nullptr, 0, 0, szSortie, 128, nullptr), sAttendu.size());
    EXPECT_EQ(std::wstring(szSortie), sAttendu);
    // Too small: a terminated prefix inside the buffer and the failure.
    wmemset(szSortie, L'x', 128);
    errno = 0;
    EXPECT_EQ(FormatMessageWin(nSysteme, nullptr, ENOENT, 0, szSortie, 5, nullptr), 0u);
    EXPECT_EQ(errno, EOVERFLOW);
    EXPECT_EQ(std::wstring(szSortie), sAttendu.substr(0, 4));
    EXPECT_EQ(szSortie[5], L'x');
    // Allocated: at least the size asked for.
    wchar_t* pszBloc = nullptr;
    EXPECT_EQ(FormatMessageWin(nSysteme | FORMAT_MESSAGE_ALLOCATE_BUFFER, nullptr, ENOENT, 0,
                               reinterpret_cast<wchar_t*>(&pszBloc), 300, nullptr),
              sAttendu.size());
    ASSERT_NE(pszBloc, nullptr);
    EXPECT_EQ(std::wstring(pszBloc), sAttendu);
    pszBloc[299] = L'\0';
    free(pszBloc);
}

// FormatMessageW or FormatMessageA, by the width of the text, over a va_list of the arguments given.
template <class T>
unsigned nFormatMessage(unsigned nFlags, T* pszBuffer, unsigned nTaille, const T* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    unsigned n;
    if constexpr (sizeof(T) == sizeof(wchar_t))
        n = FormatMessageW(nFlags, pszFormat, 0, 0, pszBuffer, nTaille, &args);
    else
        n = FormatMessageA(nFlags, pszFormat, 0, 0, pszBuffer, nTaille, &args);
    va_end(args);
    return n;
}

TEST_F(WinFormatMessage, PlainPrintfForms) {
    wchar_t szSortie[32];
    // No numbered inserts here: the source is a dialect printf format.
    EXPECT_EQ(nFormatMessage(s_nChaine, szSortie, 32, L"%s=%d (%S)", L"n", 5, "x"), 7u);
    EXPECT_STREQ(szSortie, L"n=5 (x)");
    EXPECT_EQ(nFormatMessage(s_nChaine, szSortie, 4, L"%s", L"abcd"), 0u);
    EXPECT_EQ(szSortie[3], L'\0');

    wchar_t* pszBloc = nullptr;
    EXPECT_EQ(nFormatMessage(s_nAlloue, reinterpret_cast<wchar_t*>(&pszBloc), 100, L"<%s>", L"ab"), 4u);
    ASSERT_NE(pszBloc, nullptr);
    EXPECT_STREQ(pszBloc, L"<ab>");
    pszBloc[99] = L'\0';  // the block holds at least the size asked for
    free(pszBloc);

    // Without an argument list only a text that reads no argument is printed.
    EXPECT_EQ(FormatMessageW(s_nChaine, L"100%% plain", 0, 0, szSortie, 32, nullptr), 10u);
    EXPECT_STREQ(szSortie, L"100% plain");
    errno = 0;
    EXPECT_EQ(FormatMessageW(s_nChaine, L"%s", 0, 0, szSortie, 32, nullptr), 0u);
    EXPECT_EQ(errno, EINVAL);

    // The system's text of the current errno is the format.
    const std::string sTexte = strerror(EACCES);
    errno = EACCES;
    EXPECT_EQ(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0, 0, szSortie, 32, nullptr), sTexte.size());
    EXPECT_EQ(std::wstring(szSortie), std::wstring(sTexte.begin(), sTexte.end()));

    char szOctets[16];
    EXPECT_EQ(nFormatMessage(s_nChaine, szOctets, 16, "%s-%d", "x", 5), 3u);
    EXPECT_STREQ(szOctets, "x-5");
    errno = 0;
    EXPECT_EQ(nFormatMessage(s_nChaine, szOctets, 3, "%s-%d", "x", 5), 0u);  // cut: a failure
    EXPECT_EQ(errno, EOVERFLOW);
    EXPECT_STREQ(szOctets, "x-");
    char* pszOctets = nullptr;
    EXPECT_EQ(nFormatMessage(s_nAlloue, reinterpret_cast<char*>(&pszOctets), 0, "[%u]", 12u), 4u);
    ASSERT_NE(pszOctets, nullptr);
    EXPECT_STREQ(pszOctets, "[12]");
    free(pszOctets);
}

}  // namespace
