// The Unicode toolkit: UTF-8 walking over truncated and illegal input, surrogate pairs both ways,
// the run-wise code-page <-> UTF-8 converters and the number routines.
#include "core/UnicodeToolkit.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

class UnicodeToolkitTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

std::string Octets(const char* p, size_t n) {
    return std::string(p, n);
}

// Reference counts for the word-at-a-time scans.
long nReferenceUTF8(const unsigned char* p, long nMax) {
    long n = 0;
    for (long i = 0; i < nMax && p[i]; ++i) n += (p[i] & 0xC0) != 0x80;
    return n;
}

TEST(UnicodeUTF8Walk, NextStepsOverOneCharacterAndNeverPastTheTerminator) {
    struct Case {
        const char* pszTexte;
        long nAttendu;  // bytes UTF8next advances
    } cases[] = {
        {"A", 1},
        {"\xC3\xA9x", 2},
        {"\xE2\x82\x41", 2},  // E2 82 then a byte that is no continuation: stops on the 41
        {"\xC3", 1},          // cut by the terminator: stops on it
        {"\xF0\x9F\x98\x80", 4},
        {"\x80\x80\x80\x80\x80\x80\x80\x41", 6},  // stray continuation run: itself and at most 5 more
        {"\xFC\x80\x80\x80\x80\x80\x80", 6},      // class 6 takes at most 5 followers
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UTF8next(c.pszTexte) - c.pszTexte, c.nAttendu) << c.pszTexte;
        EXPECT_EQ(UTF8Len(c.pszTexte), c.nAttendu);
    }
    char sz[] = "\xC3\xA9";
    char* p = sz;
    EXPECT_EQ(UTF8next(p), sz + 2);
    EXPECT_EQ(UTF8ToWideLen("a\xC3\xA9\xE2\x82\xAC\x80"), 4);
    EXPECT_EQ(UTF8ToWideLen(""), 0);
}

TEST(UnicodeUTF8Walk, LengthScansMatchAByteByByteCountAtEveryAlignment) {
    // Mixed one- to four-byte characters long enough to go through the word loop, read from
    // every start offset and with every bound, so the head, the words and the tail all count.
    const std::string sMotif =
        "ab\xC3\xA9\xE2\x82\xAC"
        "cdefgh\xF0\x9F\x98\x80"
        "ijklmnop\xC3\xA8";
    std::string sTexte;
    for (int i = 0; i < 6; ++i) sTexte += sMotif;
    std::vector<char> aBuffer(sTexte.size() + 16, 0);
    const auto* pu = reinterpret_cast<const unsigned char*>(aBuffer.data());
    for (size_t nDecalage = 0; nDecalage < 8; ++nDecalage) {
        std::fill(aBuffer.begin(), aBuffer.end(), 0);
        memcpy(aBuffer.data() + nDecalage, sTexte.data(), sTexte.size());
        const char* psz = aBuffer.data() + nDecalage;
        EXPECT_EQ(StrLenUTF8(psz), nReferenceUTF8(pu + nDecalage, LONG_MAX)) << nDecalage;
        for (int n = 0; n <= static_cast<int>(sTexte.size()) + 2; n += 3)
            ASSERT_EQ(StrNLenUTF8(psz, n), nReferenceUTF8(pu + nDecalage, n)) << nDecalage << " " << n;
    }
    EXPECT_EQ(StrLenUTF8("\xC3\xA9"), 1);
    EXPECT_EQ(StrNLenUTF8("\xC3\xA9zzzzzzzzzzzzzzzz", 1), 1);
    EXPECT_EQ(StrNLenUTF8("abc", 0), 0);
    EXPECT_EQ(StrLenUTF8(nullptr), 0);
}

TEST(UnicodeUTF8Walk, GetNextDecodesByClassAndStaysInsideTheText) {
    struct Case {
        const char* pszTexte;
        unsigned nAttendu;
        long nAvance;
    } cases[] = {
        {"\xF0\x9F\x98\x80", 0x1F600, 4},
        {"\xC3\xA9", 0xE9, 2},
        {"\xE2\x82\xAC", 0x20AC, 3},
        {"\x80z", 63, 1},     // lone continuation byte
        {"\xE2\x82", 63, 2},  // cut by the terminator: stops on it, never past
        {"\xF0", 63, 1},
        {"\xF8\x88\x80\x80\x80", 0x200000, 5},  // five-byte form decoded by its class
    };
    for (const Case& c : cases) {
        const char* p = c.pszTexte;
        EXPECT_EQ(UTF8_GetNext(&p), c.nAttendu) << c.pszTexte;
        EXPECT_EQ(p - c.pszTexte, c.nAvance) << c.pszTexte;
    }
}

TEST(UnicodeUTF8Walk, BoundedGetNextRefusesASequenceLongerThanWhatIsLeft) {
    const char sz[] = "\xE2\x82\xAC\xC3\xA9";
    const char* p = sz;
    unsigned long nReste = 4;
    EXPECT_EQ(UTF8_GetNext(&p, &nReste), 0x20ACu);
    EXPECT_EQ(nReste, 1u);
    EXPECT_EQ(UTF8_GetNext(&p, &nReste), 63u);  // C3 A9 needs two bytes, one is left
    EXPECT_EQ(nReste, 0u);
    EXPECT_EQ(p, sz + 3);  // not moved
    const char szSuite[] = "\x80\x41";
    p = szSuite;
    nReste = 2;
    EXPECT_EQ(UTF8_GetNext(&p, &nReste), 63u);
    EXPECT_EQ(nReste, 1u);
    EXPECT_EQ(UTF8_GetNext(&p, &nReste), unsigned('A'));
}

TEST(UnicodeUTF8Walk, FirstCharRefusesCutAndMalformedSequences) {
    struct Case {
        const char* pszTexte;
        int nDisponible;
        int nAttendu;
        int nUtilise;
    } cases[] = {
        {"A", 1, 'A', 1},
        {"\xC3\xA9", 2, 0xE9, 2},
        {"\xC3\xA9", 1, -1, 0},  // too few bytes given
        {"\xC3\x41", 2, -1, 0},  // wrong continuation
        {"\xE2\x82\xAC", 3, 0x20AC, 3},
        {"\xF0\x9F\x98\x80", 4, 0x1F600, 4},
        {"\xF0\x9F\x98", 3, -1, 0},
        {"\xF8\x88\x80\x80\x80", 5, -1, 0},
        {"A", 0, -1, 0},
    };
    for (const Case& c : cases) {
        int nLen = c.nDisponible;
        EXPECT_EQ(UTF8FirstChar(c.pszTexte, nLen), c.nAttendu) << c.pszTexte;
        EXPECT_EQ(nLen, c.nUtilise) << c.pszTexte;
    }
    int nLen = 4;
    EXPECT_EQ(UTF8FirstChar(nullptr, nLen), -1);
    EXPECT_EQ(nLen, 0);
}

TEST(UnicodeUTF8Walk, ValideChecksShapesAndRoomForTheWholeSequence) {
    struct Case {
        const char* pszTexte;
        long nLen;
        bool bAttendu;
    } cases[] = {
        {"", -1, true},
        {nullptr, 0, true},
        {nullptr, -1, false},
        {"abc\xC3\xA9", -1, true},
        {"\xF0\x9F\x98\x80", -1, true},
        {"\xF8\x88\x80\x80\x80", -1, false},
        {"ab\xC3", -1, false},   // two-byte lead at the last position
        {"\xC3\xA9", 1, false},  // the length cuts the sequence
        {"\x80", -1, false},
        {"\xE2\x41\x41", -1, false},
        {"ok\0\xFF", 4, true},  // a zero byte ends the test
        {"\xFF", -3, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UTF8Valide(c.pszTexte, c.nLen), c.bAttendu) << (c.pszTexte ? c.pszTexte : "null");
}

TEST(UnicodeUTF8Encode, InvalidValuesBecomeAQuestionMarkAndAreNotCounted) {
    const wchar_t sz[] = {L'a', 0xE9, 0x20AC, 0x1F600, 0x110000, static_cast<wchar_t>(-5), 0};
    char aOut[32];
    EXPECT_EQ(WideToUTF8(aOut, sz), 12);
    EXPECT_EQ(std::string(aOut), "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80??");
    EXPECT_EQ(UTF8ByteLen(sz), 10);  // the encoders' '?' are not counted
    EXPECT_EQ(UTF8ByteLenTotal(sz, 3), 6);
    EXPECT_EQ(UTF8ByteLenTotal(sz, 100), 11);  // terminator reached within the count
    EXPECT_EQ(UTF8ByteLenTotal(L"", 1), 1);
    EXPECT_EQ(UTF8ByteLenTotal(sz, 0), 0);
    char aUn[8];
    EXPECT_EQ(UTF32ToUTF8(0x110000, aUn), 1);
    EXPECT_STREQ(aUn, "?");
    EXPECT_EQ(UTF32ToUTF8(static_cast<wchar_t>(-1), aUn), 1);
    EXPECT_STREQ(aUn, "?");
    EXPECT_EQ(UTF32ToUTF8(0x10FFFF, aUn), 4);
    EXPECT_STREQ(aUn, "\xF4\x8F\xBF\xBF");
}

TEST(UnicodeUTF8Encode, BoundedEncodersNeverCutACharacter) {
    const wchar_t* psz = L"ab\u00e9\u20ac";  // 1 + 1 + 2 + 3 bytes
    struct Case {
        unsigned long nTaille;
        const char* pszAttendu;
    } cases[] = {{1, ""}, {3, "ab"}, {4, "ab"}, {5, "ab\xC3\xA9"}, {7, "ab\xC3\xA9"}, {8, "ab\xC3\xA9\xE2\x82\xAC"}};
    for (const Case& c : cases) {
        char aOut[16];
        memset(aOut, 'X', sizeof aOut);
        const long n = WideToUTF8(aOut, c.nTaille, psz);
        EXPECT_STREQ(aOut, c.pszAttendu) << c.nTaille;
        EXPECT_EQ(n, static_cast<long>(strlen(c.pszAttendu)));
        EXPECT_EQ(aOut[c.nTaille], 'X') << "wrote past the size";
    }
    char aOut[16];
    memset(aOut, 'X', sizeof aOut);
    EXPECT_EQ(nWideToUTF8(aOut, 5, psz, -1), 4);  // the euro sign does not fit: stop there
    EXPECT_EQ(Octets(aOut, 5), "ab\xC3\xA9X");
    EXPECT_EQ(nWideToUTF8(aOut, 16, psz, -1), 8);  // terminator included
    EXPECT_EQ(aOut[7], 0);
    EXPECT_EQ(nWideToUTF8(aOut, 16, nullptr, -1), 0);
}

TEST(UnicodeUTF8Decode, WideDecodersKeepRoomAndStopAtTheEnd) {
    wchar_t aOut[8];
    EXPECT_EQ(UTF8ToWide(aOut, 3, "a\xC3\xA9z"), 2u);  // two characters and the terminator
    EXPECT_EQ(std::wstring(aOut), L"a\u00e9");
    EXPECT_EQ(UTF8ToWide(aOut, 8, "x\xE2\x82"), 2u);  // cut sequence: '?' and no read past the end
    EXPECT_EQ(std::wstring(aOut), L"x?");
    aOut[0] = L'Q';
    EXPECT_EQ(UTF8ToWide(aOut, 0, "abc"), 0u);
    EXPECT_EQ(aOut[0], L'Q');

    EXPECT_EQ(nUTF8ToWide(aOut, 8,
                          "\xC3\xA9"
                          "b",
                          -1),
              3);  // é, b and the terminator
    EXPECT_EQ(aOut[0], 0xE9);
    EXPECT_EQ(aOut[2], 0);
    EXPECT_EQ(nUTF8ToWide(aOut, 8,
                          "\xC3\xA9"
                          "b",
                          1),
              1);  // one byte of a two-byte sequence
    EXPECT_EQ(aOut[0], 63);
    EXPECT_EQ(nUTF8ToWide(aOut, 2, "abcd", 4), 2);
    EXPECT_EQ(nUTF8ToWide(aOut, 0, "abcd", 4), 0);
}

TEST(UnicodeUTF16, UTF8ToUTF16WritesPairsWholeOrNotAtAll) {
    struct Case {
        const char* pszTexte;
        unsigned long nTaille;
        std::vector<unsigned short> aAttendu;
    } cases[] = {
        {"\xEF\xBF\xBF", 4, {0xFFFF}},
        {"\xF0\x9F\x98\x80", 4, {0xD83D, 0xDE00}},
        {"a\xF0\x9F\x98\x80", 2, {'a'}},  // the pair would not fit in the one unit left
        {"\xF4\x8F\xBF\xBF", 2, {0xDBFF, 0xDFFF}},
        {"\xF8\x88\x80\x80\x80", 4, {'?'}},  // beyond U+10FFFF
        {"\xC3\xA9\xE2\x82\xAC", 1, {0xE9}},
    };
    for (const Case& c : cases) {
        unsigned short aOut[8] = {};
        const unsigned long n = UTF8ToUTF16(aOut, c.nTaille, c.pszTexte, strlen(c.pszTexte));
        EXPECT_EQ(std::vector<unsigned short>(aOut, aOut + n), c.aAttendu) << c.pszTexte;
    }
    EXPECT_EQ(UTF8ToUTF16Len("a\xC3\xA9\xF0\x9F\x98\x80", 7), 4u);
    EXPECT_EQ(UTF8ToUTF16Len("a\xC3\xA9\xF0\x9F\x98\x80", 3), 2u);
}

TEST(UnicodeUTF16, WideToUTF16AndBackKeepsCharactersAboveFFFF) {
    const wchar_t szWide[] = {L'a', 0x1F600, 0xE9, 0x10FFFF, 0};
    EXPECT_EQ(WideCharToUTF16(szWide, -1, nullptr, 0), 7);  // counting mode knows the pairs
    unsigned short aUtf16[8] = {};
    ASSERT_EQ(WideCharToUTF16(szWide, -1, aUtf16, 8), 7);
    const std::vector<unsigned short> aAttendu = {'a', 0xD83D, 0xDE00, 0xE9, 0xDBFF, 0xDFFF, 0};
    EXPECT_EQ(std::vector<unsigned short>(aUtf16, aUtf16 + 7), aAttendu);
    unsigned short aCourt[8] = {};
    EXPECT_EQ(WideCharToUTF16(szWide, 4, aCourt, 2), 1);  // the pair is not split
    EXPECT_EQ(aCourt[1], 0);

    EXPECT_EQ(UTF16ToWideChar(aUtf16, -1, nullptr, 0), 5);  // length plus one, pairs joined
    wchar_t aRetour[8] = {};
    ASSERT_EQ(UTF16ToWideChar(aUtf16, -1, aRetour, 8), 5);
    EXPECT_EQ(std::wstring(aRetour), std::wstring(szWide));
    EXPECT_EQ(UTF16ToWideChar(aUtf16, 7, aRetour, 2), 2);
    EXPECT_EQ(aRetour[1], 0x1F600);

    // The wide end marker keeps its 16-bit form; lone surrogates pass unchanged both ways.
    const wchar_t szMarqueur[] = {static_cast<wchar_t>(0xFFFFFFFF), 0};
    unsigned short aMarqueur[2];
    EXPECT_EQ(WideCharToUTF16(szMarqueur, 1, aMarqueur, 2), 1);
    EXPECT_EQ(aMarqueur[0], 0xFFFF);
    const unsigned short aSeuls[] = {0xDC00, 'x', 0xD800, 0xD800, 0xDC01, 0xD83D};
    wchar_t aSeulsW[6] = {};
    ASSERT_EQ(UTF16ToWideChar(aSeuls, 6, aSeulsW, 6), 5);
    const std::vector<wchar_t> aSeulsAttendu = {0xDC00, 'x', 0xD800, 0x10001, 0xD83D};
    EXPECT_EQ(std::vector<wchar_t>(aSeulsW, aSeulsW + 5), aSeulsAttendu);
}

TEST(UnicodeUTF16, ToWideWorksInPlace) {
    // Widening in one buffer, as callers of packed records do: the wide result starts where the
    // UTF-16 text starts.
    const unsigned short aSource[] = {'A', 0xD83D, 0xDE00, 'b', 0xD83D, 0xDE01, 0xD83D, 0xDE02, 'c', 0};
    wchar_t aBuffer[10];
    memcpy(aBuffer, aSource, sizeof aSource);
    const int n = UTF16ToWideChar(reinterpret_cast<unsigned short*>(aBuffer), -1, aBuffer, 10);
    ASSERT_EQ(n, 7);
    const std::vector<wchar_t> aAttendu = {'A', 0x1F600, 'b', 0x1F601, 0x1F602, 'c', 0};
    EXPECT_EQ(std::vector<wchar_t>(aBuffer, aBuffer + 7), aAttendu);

    const unsigned short aPlat[] = {'x', 'y', 'z', 0};
    memcpy(aBuffer, aPlat, sizeof aPlat);
    ASSERT_EQ(UTF16ToWideChar(reinterpret_cast<unsigned short*>(aBuffer), -1, aBuffer, 10), 4);
    EXPECT_EQ(std::wstring(aBuffer), L"xyz");
}

TEST(UnicodeUTF16, CopiesAndCounts) {
    wchar_t aOut[4] = {};
    EXPECT_EQ(UTF32ToWideChar(L"abc", -1, nullptr, 0), 4);
    EXPECT_EQ(UTF32ToWideChar(L"abcdef", 6, aOut, 3), 3);
    EXPECT_EQ(std::wstring(aOut, 3), L"abc");
    EXPECT_EQ(WideCharToUTF32(L"xy", -1, aOut, 4), 3);
    EXPECT_STREQ(aOut, L"xy");

    const unsigned short s1[] = {'H', 'e', 'L', 'l', 'o', 0};
    const unsigned short s2[] = {'h', 'E', 'l', 'L', 'O', 0};
    const unsigned short s3[] = {'h', 'e', 'l', 'p', 0};
    EXPECT_EQ(utf16len(s1), 5);
    EXPECT_EQ(utf16nlen(s1, 3), 3);
    EXPECT_EQ(utf16nlen(s1, 0), 0);
    EXPECT_EQ(utf16nicmp(s1, s2, 10), 0);
    EXPECT_EQ(utf16nicmp(s1, s3, 3), 0);
    EXPECT_LT(utf16nicmp(s1, s3, 4), 0);  // 'l' < 'p'
    unsigned short aCopie[8];
    std::fill(aCopie, aCopie + 8, 0x7777);
    utf16ncpy(aCopie, s3, 8);
    EXPECT_EQ(aCopie[3], 'p');
    EXPECT_EQ(aCopie[4], 0x7777);  // no terminator, no padding
}

TEST(UnicodeUTF16, CaseInsensitiveSearchLooksAtEveryPlaceWithinTheBound) {
    const unsigned short s[] = {'a', 'B', 'c', 'a', 'b', 0};
    const unsigned short ab[] = {'A', 'b', 0};
    const unsigned short bc[] = {'b', 'C', 0};
    const unsigned short vide[] = {0};
    EXPECT_EQ(utf16niutf16(s, ab, 5), s);  // a match at the very start is found
    EXPECT_EQ(utf16niutf16(s + 1, ab, 4), s + 3);
    EXPECT_EQ(utf16niutf16(s, bc, 5), s + 1);
    EXPECT_EQ(utf16niutf16(s, bc, 2), nullptr);  // would reach past the first 2 units
    EXPECT_EQ(utf16niutf16(s, vide, 5), s);
}

TEST(UnicodeUnaligned, LengthAndCopyOfWideTextAtAnOddAddress) {
    const wchar_t szTexte[] = L"d\u00e9j\u00e0";
    alignas(8) char aSource[64] = {};
    alignas(8) char aDest[64];
    memcpy(aSource + 1, szTexte, sizeof szTexte);
    EXPECT_EQ(__UNALIGNED__UNICODE__STRLEN__(aSource + 1), 4);
    memset(aDest, 0x55, sizeof aDest);
    __UNALIGNED__UNICODE__STRNCPY__(aDest + 3, aSource + 1, 6);
    wchar_t aLu[6];
    memcpy(aLu, aDest + 3, sizeof aLu);
    EXPECT_EQ(std::wstring(aLu), L"d\u00e9j\u00e0");
    EXPECT_EQ(aLu[5], 0);  // the rest of the n is zero-filled
    EXPECT_EQ(static_cast<unsigned char>(aDest[3 + 6 * sizeof(wchar_t)]), 0x55);
    EXPECT_EQ(__UNALIGNED__UNICODE__STRLEN__(reinterpret_cast<const char*>(szTexte)), 4);
}

TEST_F(UnicodeToolkitTest, MultiByteToUTF8CopiesAsciiAndConvertsRuns) {
    char aOut[8];
    memset(aOut, 'X', sizeof aOut);
    EXPECT_EQ(MultiByteToUTF8(1252, "A\xE9", 2, aOut, 8, 0), 3u);
    EXPECT_EQ(Octets(aOut, 8), std::string("A\xC3\xA9\0\0\0\0\0", 8));  // the rest zero-filled

    memset(aOut, 'X', sizeof aOut);
    EXPECT_EQ(MultiByteToUTF8(1252, "\x80z\x9C", 3, aOut, 8, 0), 6u);  // euro, z, oe ligature
    EXPECT_EQ(Octets(aOut, 7), std::string("\xE2\x82\xACz\xC5\x93\0", 7));

    memset(aOut, 'X', sizeof aOut);
    EXPECT_EQ(MultiByteToUTF8(1252, "abcdef", 6, aOut, 4, 0), 4u);  // stops when the output is full
    EXPECT_EQ(Octets(aOut, 5), "abcdX");

    EXPECT_EQ(MultiByteToUTF8(1252, "ab", 0, aOut, 4, 0), 0u);
    EXPECT_EQ(Octets(aOut, 4), std::string(4, '\0'));
    EXPECT_EQ(MultiByteToUTF8(1252, "ab", 2, aOut, 0, 0), 0u);

    // Already UTF-8: n bytes at most, terminated inside the size.
    memset(aOut, 'X', sizeof aOut);
    EXPECT_EQ(MultiByteToUTF8(65001, "\xC3\xA9xyz", 3, aOut, 8, 0), 3u);
    EXPECT_EQ(Octets(aOut, 4), std::string("\xC3\xA9x\0", 4));
    EXPECT_EQ(MultiByteToUTF8(65001, "abcdefgh", 8, aOut, 4, 0), 3u);
    EXPECT_STREQ(aOut, "abc");
}

TEST_F(UnicodeToolkitTest, MultiByteToUTF8KeepsDoubleByteTextWhole) {
    // In code page 932 the katakana SO is 83 5C: its second byte is below 0x80 and must not be
    // taken for an ASCII backslash.
    char aOut[16];
    const unsigned long n = MultiByteToUTF8(932,
                                            "a\x83\x5C"
                                            "b",
                                            4, aOut, sizeof aOut, 0);
    EXPECT_EQ(Octets(aOut, n),
              "a\xE3\x82\xBD"
              "b");
}

TEST_F(UnicodeToolkitTest, UTF8ToMultiByteReportsReplacementsAcrossRuns) {
    char aOut[16];
    int bDefaut = 7;
    unsigned long n = UTF8ToMultiByte(1252, "\xC3\xA9t\xC3\xA9", 5, aOut, sizeof aOut, 0, nullptr, &bDefaut);
    EXPECT_EQ(Octets(aOut, n), "\xE9t\xE9");
    EXPECT_EQ(bDefaut, 0);
    // A character the code page lacks in the first run, a good one in the last: still reported.
    n = UTF8ToMultiByte(1252, "\xE4\xB8\xAD-\xC3\xA9", 6, aOut, sizeof aOut, 0, "#", &bDefaut);
    EXPECT_EQ(Octets(aOut, n), "#-\xE9");
    EXPECT_EQ(bDefaut, 1);
    // Code page 65001: a plain copy, cut to size - 1 and terminated.
    memset(aOut, 'X', sizeof aOut);
    EXPECT_EQ(UTF8ToMultiByte(65001, "abcdef", 6, aOut, 4, 0, nullptr, nullptr), 3u);
    EXPECT_EQ(Octets(aOut, 5), std::string("abc\0X", 5));
    EXPECT_EQ(UTF8ToMultiByte(65001, "ab", 2, aOut, 4, 0, nullptr, nullptr), 2u);
    EXPECT_EQ(Octets(aOut, 4), std::string("ab\0\0", 4));
}

TEST_F(UnicodeToolkitTest, CurrentCharsetFormsUseTheHostCodePage) {
    standin::SetCodePage(1251);
    char aOut[16];
    unsigned long n = MultiByteToUTF8_CurrentCharset("\xC4\xE0", 2, aOut, sizeof aOut, 0);  // Cyrillic De, a
    EXPECT_EQ(Octets(aOut, n), "\xD0\x94\xD0\xB0");
    n = UTF8ToMultiByte_CurrentCharset("\xD0\x94", 2, aOut, sizeof aOut, 0);
    EXPECT_EQ(Octets(aOut, n), "\xC4");
    unsigned short aUtf16[4];
    EXPECT_EQ(MultiByteToUTF16_CurrentCharset("\xC4", 1, aUtf16, 4, 0), 1);
    EXPECT_EQ(aUtf16[0], 0x0414);
}

TEST_F(UnicodeToolkitTest, UTF16CodePageLegsGoThroughWideText) {
    const unsigned short aTexte[] = {'c', 0xE9, 0xD83D, 0xDE00, 0};
    char aOut[16] = {};
    int bDefaut = 0;
    const int n = UTF16ToMultiByte(65001, 0, aTexte, -1, aOut, sizeof aOut, nullptr, &bDefaut);
    EXPECT_EQ(n, 8);  // c, é in two bytes, the emoji in four, the terminator
    EXPECT_STREQ(aOut, "c\xC3\xA9\xF0\x9F\x98\x80");
    unsigned short aRetour[8] = {};
    EXPECT_EQ(MultiByteToUTF16(65001, 0, aOut, -1, nullptr, 0), 5);
    EXPECT_EQ(MultiByteToUTF16(65001, 0, aOut, -1, aRetour, 8), 5);
    EXPECT_EQ(std::vector<unsigned short>(aRetour, aRetour + 5), std::vector<unsigned short>(aTexte, aTexte + 5));
}

// ASCII texts take a shorter way in UTF-8 and 1252: the same units, counts and cuts as the others.
TEST_F(UnicodeToolkitTest, MultiByteToUTF16AsciiAndMixedTexts) {
    struct stCas {
        unsigned nCodePage;
        std::string sTexte;
        int nPlace;
        int nCompte;  // units the whole text takes
        std::vector<unsigned short> tabAttendu;
    };
    const stCas tabCas[] = {
        {65001, "id42", 8, 4, {'i', 'd', '4', '2'}},
        {1252, "id42", 8, 4, {'i', 'd', '4', '2'}},
        {65001, "ab\xC3\xA9", 8, 3, {'a', 'b', 0xE9}},  // the non-ASCII tail decoded
        {1252, "ab\x80", 8, 3, {'a', 'b', 0x20AC}},
        {65001, std::string("a\0b", 3), 8, 3, {'a', 0, 'b'}},
        {65001, "abcd", 2, 4, {'a', 'b'}},  // cut to the room
        {65001, "abcd", 4, 4, {'a', 'b', 'c', 'd'}},
    };
    for (const stCas& st : tabCas) {
        const int n = static_cast<int>(st.sTexte.size());
        EXPECT_EQ(MultiByteToUTF16(st.nCodePage, 0, st.sTexte.data(), n, nullptr, 0), st.nCompte) << st.sTexte;
        unsigned short aOut[8] = {};
        const int nEcrit = MultiByteToUTF16(st.nCodePage, 0, st.sTexte.data(), n, aOut, st.nPlace);
        EXPECT_EQ(std::vector<unsigned short>(aOut, aOut + (nEcrit > 0 ? nEcrit : 0)), st.tabAttendu) << st.sTexte;
    }
}

TEST(UnicodeAnsiHelpers, CutAndSignExtendOneUnitAtATime) {
    char aOut[4];
    WideCharToANSI(aOut, 4, L"\u0141bcd");
    EXPECT_EQ(Octets(aOut, 4), std::string("\x41"
                                           "bc\0",
                                           4));  // low byte of U+0141, cut to 3
    wchar_t aW[4];
    ANSIToWideChar(aW, 4, "\xFF\xE9z");
    EXPECT_EQ(aW[0], static_cast<wchar_t>(0xFFFFFFFF));  // the 8-bit end marker becomes the wide one
    EXPECT_EQ(aW[1], static_cast<wchar_t>(0xFFFFFFE9));
    EXPECT_EQ(aW[2], L'z');
    EXPECT_EQ(aW[3], 0);
}

TEST_F(UnicodeToolkitTest, AllocatingCopies) {
    struct Libere {
        void operator()(void* p) const { free(p); }
    };
    std::unique_ptr<char, Libere> pszC(pszXSTR2CSTR(L"\u00e9t\u20ac!", -1));
    EXPECT_STREQ(pszC.get(), "\xE9t\x80!");
    std::unique_ptr<char, Libere> pszVide(pszXSTR2CSTR(nullptr, -1));
    EXPECT_STREQ(pszVide.get(), "");

    std::unique_ptr<wchar_t, Libere> pszW(pszXSTR2WSTR(L"abcdef", 3));
    EXPECT_STREQ(pszW.get(), L"abc");
    std::unique_ptr<wchar_t, Libere> pszTout(pszWSTR2XSTR(L"abcdef", 0));
    EXPECT_STREQ(pszTout.get(), L"abcdef");

    std::unique_ptr<wchar_t, Libere> pszX(pszCSTR2XSTR("\xC3\xA9t\xC3\xA9", -1, 65001));
    EXPECT_STREQ(pszX.get(), L"\u00e9t\u00e9");  // ends after the converted characters
    std::unique_ptr<wchar_t, Libere> pszN(pszCSTR2XSTR("\xE9tais", 2, 1252));
    EXPECT_STREQ(pszN.get(), L"\u00e9t");
    std::unique_ptr<wchar_t, Libere> pszNul(pszCSTR2XSTR(nullptr, -1, 1252));
    EXPECT_STREQ(pszNul.get(), L"");
}

TEST(UnicodeNumbers, DigitsInAnyRadix) {
    struct Case {
        long nValeur;
        int nBase;
        const char* pszAttendu;
    } cases[] = {
        {-255, 16, "-ff"},
        {0, 10, "0"},
        {35, 36, "z"},
        {5, 2, "101"},
        {LONG_MIN, 10, "-9223372036854775808"},
        {LONG_MIN, 2, "-1000000000000000000000000000000000000000000000000000000000000000"},
        {12, 1, ""},  // radix outside 2..36
        {12, 37, ""},
    };
    for (const Case& c : cases) {
        char aA[80];
        wchar_t aW[80];
        EXPECT_STREQ(_i64toaOrl(c.nValeur, aA, c.nBase), c.pszAttendu);
        _i64towOrl(c.nValeur, aW, c.nBase);
        EXPECT_EQ(std::wstring(aW), std::wstring(c.pszAttendu, c.pszAttendu + strlen(c.pszAttendu)));
    }
    char aA[80];
    EXPECT_STREQ(_ui64toaOrl(ULONG_MAX, aA, 16), "ffffffffffffffff");
    wchar_t aW[80];
    EXPECT_STREQ(_ui64towOrl(ULONG_MAX, aW, 2), std::wstring(64, L'1').c_str());
}

TEST(UnicodeNumbers, ParsersAndGcvtStayInsideTheirAreas) {
    EXPECT_EQ(_wtoi64Orl(L"  -1234xyz"), -1234);
    EXPECT_EQ(_wtoi64Orl(nullptr), 0);
    EXPECT_DOUBLE_EQ(wtof(L"2.5e3"), 2500.0);
    // Longer than the parse area: only the first 99 characters are read.
    const std::wstring sLong = L"1" + std::wstring(150, L'0');
    EXPECT_EQ(_wtoi64Orl(sLong.c_str()), LLONG_MAX);
    EXPECT_DOUBLE_EQ(wtof(sLong.c_str()), 1e98);
    wchar_t aOut[64];
    EXPECT_STREQ(_wgcvt(0.5, 6, aOut), L"0.5");
    _wgcvt(-1.7976931348623157e308, 500, aOut);  // digit count far beyond what a double holds
    EXPECT_STREQ(aOut, L"-1.7976931348623157e+308");
}

}  // namespace
