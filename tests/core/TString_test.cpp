// CTString: construction and assignment, editing, searching, substrings, fields and the
// pszSet... family. One table per family; texts that point into the string itself are covered
// where an operation frees or moves the buffer.
#include "core/TString.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

#include "core/XYString.h"
#include "tests/host/TestSupport.h"

namespace {

class TStringTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

typedef std::function<void(CTString&)> FEdit;

struct EditCase {
    const char* pszName;
    const wchar_t* pszStart;  // null: a string that never had a buffer
    FEdit fnEdit;
    const wchar_t* pszExpected;
};

void RunEdits(const std::vector<EditCase>& tab) {
    for (const EditCase& c : tab) {
        CTString cl;
        if (c.pszStart != nullptr) cl.Set(c.pszStart);
        c.fnEdit(cl);
        EXPECT_STREQ(cl.pszGet(), c.pszExpected) << c.pszName;
        EXPECT_EQ(cl.nTaille(), int(wcslen(c.pszExpected))) << c.pszName;
    }
}

// ------------------------------------------------------------------------ construction, access

TEST_F(TStringTest, EmptyFormsAreAlike) {
    CTString clNever;
    CTString clVide(L"abc");
    clVide.Vide();
    CTString clFromEmpty(L"");
    CTString clBinaryEmpty;
    clBinaryEmpty.SetFromBinary(L"x", 0);
    for (const CTString* p : {&clNever, &clVide, &clFromEmpty, &clBinaryEmpty}) {
        EXPECT_EQ(p->nTaille(), 0);
        ASSERT_NE(p->pszGet(), nullptr);
        EXPECT_STREQ(p->pszGet(), L"");
        EXPECT_EQ(p->cGetChar(0), 0);
        EXPECT_TRUE(*p == clNever);
        EXPECT_FALSE(*p != clNever);
    }
}

TEST_F(TStringTest, ConstructionAndAssignment) {
    CXYString<wchar_t> clShared(L"shared");
    RunEdits({
        {"Set", nullptr, [](CTString& s) { s.Set(L"abc"); }, L"abc"},
        {"Set null", L"abc", [](CTString& s) { s.Set(static_cast<const wchar_t*>(nullptr)); }, L""},
        {"Set own buffer", L"abc", [](CTString& s) { s.Set(s.pszGet()); }, L"abc"},
        {"Set inside own buffer", L"abcdef", [](CTString& s) { s.Set(s.pszGet() + 2); }, L"cdef"},
        {"Set n shorter", nullptr, [](CTString& s) { s.Set(L"abcdef", 3ul); }, L"abc"},
        {"Set n longer", nullptr, [](CTString& s) { s.Set(L"ab", 10ul); }, L"ab"},
        {"Set n own buffer", L"abcdef", [](CTString& s) { s.Set(s.pszGet() + 1, 2ul); }, L"bc"},
        {"Set three", L"x", [](CTString& s) { s.Set(L"ab", nullptr, L"cd"); }, L"abcd"},
        {"Set three empty", L"x", [](CTString& s) { s.Set(nullptr, L"", nullptr); }, L""},
        {"Set three from itself", L"ab", [](CTString& s) { s.Set(s.pszGet(), L"-", s.pszGet()); }, L"ab-ab"},
        {"Set three same length own", L"abcd", [](CTString& s) { s.Set(s.pszGet() + 2, L"xy", nullptr); }, L"cdxy"},
        {"Set char", nullptr, [](CTString& s) { s.Set(L'z'); }, L"z"},
        {"Set char NUL", L"abc", [](CTString& s) { s.Set(L'\0'); }, L""},
        {"operator= char", nullptr, [](CTString& s) { s = L'q'; }, L"q"},
        {"Set shared", nullptr, [&](CTString& s) { s.Set(clShared); }, L"shared"},
        {"Set shared ptr null", L"x", [](CTString& s) { s.Set(static_cast<const CXYString<wchar_t>*>(nullptr)); }, L""},
        {"SetI4", nullptr, [](CTString& s) { s.SetI4(-2147483647 - 1); }, L"-2147483648"},
        {"SetI8", nullptr, [](CTString& s) { s.SetI8(9223372036854775807L); }, L"9223372036854775807"},
        {"8-bit in 1252", nullptr, [](CTString& s) { s = CTString("caf\xE9 \x80"); }, L"caf\u00E9 \u20AC"},
        {"Transfert", L"mine",
         [](CTString& s) {
             CTString clOther(L"theirs");
             s.Transfert(clOther);
             EXPECT_EQ(clOther.nTaille(), 0);
         },
         L"theirs"},
        {"SetBuffer", L"old",
         [](CTString& s) {
             wchar_t* p = static_cast<wchar_t*>(malloc(3 * sizeof(wchar_t)));
             p[0] = L'n', p[1] = L'w', p[2] = 0;
             s.SetBuffer(p);
         },
         L"nw"},
        {"copy", nullptr,
         [](CTString& s) {
             CTString clSource(L"copied");
             s = clSource;
             s = s;
         },
         L"copied"},
        {"operator+", L"ab", [](CTString& s) { s = s + L"cd"; }, L"abcd"},
    });
}

TEST_F(TStringTest, SameLengthAssignmentKeepsTheBuffer) {
    CTString cl(L"abcd");
    const wchar_t* pBefore = cl.pszGet();
    cl.Set(L"wxyz");
    EXPECT_EQ(cl.pszGet(), pBefore);
    cl.Set(L"12", L"3", L"4");
    EXPECT_EQ(cl.pszGet(), pBefore);
    EXPECT_STREQ(cl.pszGet(), L"1234");
}

TEST_F(TStringTest, BinaryKeepsUnitsPastANul) {
    const wchar_t az[] = {L'a', 0, L'b'};
    CTString cl;
    cl.SetFromBinary(az, 3);
    EXPECT_EQ(cl.nTaille(), 1);
    EXPECT_EQ(cl.cGetChar(2), L'b');
    EXPECT_EQ(cl.cGetChar(3), 0);
    cl.SetChar(1, L'-');
    EXPECT_STREQ(cl.pszGet(), L"a-b");
}

// ---------------------------------------------------------------------------------- editing

TEST_F(TStringTest, AppendAndInsert) {
    const wchar_t azABNul[] = {L'a', L'b', 0};
    CXYString<wchar_t> clShared(L"-sh");
    CXYString<wchar_t> clSharedEmpty;
    RunEdits({
        {"Add shared", L"a", [&](CTString& s) { s.Add(clShared); }, L"a-sh"},
        {"Add shared ptr", nullptr, [&](CTString& s) { s.Add(&clShared); }, L"-sh"},
        {"Add shared empty", L"a", [&](CTString& s) { s.Add(clSharedEmpty); }, L"a"},
        {"Add char on empty", nullptr, [](CTString& s) { s.Add(L'x'); }, L"x"},
        {"Add char", L"ab", [](CTString& s) { s.Add(L'c'); }, L"abc"},
        {"Add NUL char", L"ab", [](CTString& s) { s.Add(L'\0'); }, L"ab"},
        {"Add text", L"ab", [](CTString& s) { s.Add(L"cd"); }, L"abcd"},
        {"Add null", L"ab", [](CTString& s) { s.Add(static_cast<const wchar_t*>(nullptr)); }, L"ab"},
        {"Add itself", L"ab", [](CTString& s) { s.Add(s.pszGet()); }, L"abab"},
        {"Add n ending in NUL", L"x", [&](CTString& s) { s.Add(azABNul, 3); }, L"xab"},
        {"Add n on empty", nullptr, [&](CTString& s) { s.Add(azABNul, 3); }, L"ab"},
        {"Add n below 1", L"x", [](CTString& s) { s.Add(L"ab", 0); }, L"x"},
        {"Add n of itself", L"abc", [](CTString& s) { s.Add(s.pszGet() + 1, 2); }, L"abcbc"},
        {"Add three", L"a", [](CTString& s) { s.Add(L"b", nullptr, L"c"); }, L"abc"},
        {"Add three on empty", nullptr, [](CTString& s) { s.Add(L"b", L"c", L"d"); }, L"bcd"},
        {"Add three of itself", L"ab", [](CTString& s) { s.Add(s.pszGet(), L"|", s.pszGet() + 1); }, L"abab|b"},
        {"AddI4", L"n=", [](CTString& s) { s.AddI4(-12); }, L"n=-12"},
        {"AddI8", L"n=", [](CTString& s) { s.AddI8(-5000000000L); }, L"n=-5000000000"},
        {"AddI8 zero", L"n=", [](CTString& s) { s.AddI8(0); }, L"n=0"},
        {"AddI8 largest", nullptr, [](CTString& s) { s.AddI8(9223372036854775807L); }, L"9223372036854775807"},
        {"AddI8 smallest", nullptr, [](CTString& s) { s.AddI8(-9223372036854775807L - 1); }, L"-9223372036854775808"},
        {"Insert char", L"bc", [](CTString& s) { s.Insert(L'a'); }, L"abc"},
        {"Insert char on empty", nullptr, [](CTString& s) { s.Insert(L'a'); }, L"a"},
        {"Insert middle", L"ad", [](CTString& s) { s.Insert(L"bc", 1); }, L"abcd"},
        {"Insert n units", L"ad", [](CTString& s) { s.Insert(L"bcXX", 1, 2); }, L"abcd"},
        {"Insert at front", L"cd", [](CTString& s) { s.Insert(L"ab", 0, -1); }, L"abcd"},
        // -1 at or past the end appends the whole text.
        {"Insert -1 at end", L"ab", [](CTString& s) { s.Insert(L"cd", 2, -1); }, L"abcd"},
        {"Insert -1 past end", L"ab", [](CTString& s) { s.Insert(L"cd", 9, -1); }, L"abcd"},
        {"Insert n past end", L"ab", [](CTString& s) { s.Insert(L"cdef", 9, 2); }, L"abcd"},
        {"Insert on empty", nullptr, [](CTString& s) { s.Insert(L"abc", 3, 2); }, L"ab"},
        {"Insert empty text", L"ab", [](CTString& s) { s.Insert(L"", 1); }, L"ab"},
        {"Insert n below -1", L"ab", [](CTString& s) { s.Insert(L"x", 1, -2); }, L"ab"},
        {"Insert itself", L"ab", [](CTString& s) { s.Insert(s.pszGet(), 1); }, L"aabb"},
    });
}

TEST_F(TStringTest, CutFillReplace) {
    RunEdits({
        {"Tronque", L"abcdef", [](CTString& s) { s.Tronque(2); }, L"ab"},
        {"Tronque 0", L"abcdef", [](CTString& s) { s.Tronque(0); }, L""},
        {"Tronque beyond", L"abc", [](CTString& s) { s.Tronque(7); }, L"abc"},
        {"Tronque negative", L"abc", [](CTString& s) { s.Tronque(-1); }, L"abc"},
        {"TronqueDebut", L"abcdef", [](CTString& s) { s.TronqueDebut(2); }, L"cdef"},
        {"TronqueDebut all", L"abc", [](CTString& s) { s.TronqueDebut(3); }, L""},
        {"Coupe middle", L"abcdef", [](CTString& s) { s.Coupe(1, 2); }, L"adef"},
        {"Coupe past end", L"abcdef", [](CTString& s) { s.Coupe(2, 10); }, L"ab"},
        {"Coupe beyond length", L"abcdef", [](CTString& s) { s.Coupe(7, 1); }, L"abcdef"},
        {"Complete cuts", L"abcdef", [](CTString& s) { s.Complete(3, L'*'); }, L"abc"},
        {"Complete fills", L"a", [](CTString& s) { s.Complete(3, L'*'); }, L"a**"},
        {"Complete on empty", nullptr, [](CTString& s) { s.Complete(2, L'-'); }, L"--"},
        {"Remplace range", L"abcdef", [](CTString& s) { s.Remplace(1, 3, L"XY"); }, L"aXYef"},
        {"Remplace range by null", L"abcdef", [](CTString& s) { s.Remplace(0, 2, nullptr); }, L"cdef"},
        {"Remplace range on empty", nullptr, [](CTString& s) { s.Remplace(0, 0, L"x"); }, L""},
        {"Remplace range by itself", L"abc", [](CTString& s) { s.Remplace(1, 1, s.pszGet()); }, L"aabcc"},
        {"Remplace char", L"a.b.c", [](CTString& s) { s.Remplace(L'.', L'/', 0); }, L"a/b/c"},
        {"Remplace char from 2", L"a.b.c", [](CTString& s) { s.Remplace(L'.', L'/', 2); }, L"a.b/c"},
        {"Remplace all", L"aaaa", [](CTString& s) { s.Remplace(L"aa", L"b", 0); }, L"bb"},
        {"Remplace all grows", L"a.b.c", [](CTString& s) { s.Remplace(L".", L"::", 0); }, L"a::b::c"},
        {"Remplace all from start", L"a.b.c", [](CTString& s) { s.Remplace(L".", L"", 2); }, L"a.bc"},
        {"Remplace all to nothing", L"xx", [](CTString& s) { s.Remplace(L"x", L"", 0); }, L""},
        {"Remplace all no match", L"abc", [](CTString& s) { s.Remplace(L"z", L"y", 0); }, L"abc"},
        {"Remplace all empty find", L"abc", [](CTString& s) { s.Remplace(L"", L"y", 0); }, L"abc"},
        {"Remplace repl not searched", L"ab", [](CTString& s) { s.Remplace(L"a", L"aa", 0); }, L"aab"},
        {"Insecable", L"a b c", [](CTString& s) { s.Insecable(); }, L"a\u00A0b\u00A0c"},
        {"Renverse", L"abc", [](CTString& s) { s.Renverse(); }, L"cba"},
        {"Renverse one", L"a", [](CTString& s) { s.Renverse(); }, L"a"},
        {"SansEspace", L" a b  ", [](CTString& s) { s.SansEspace(); }, L" a b"},
        {"SansEspace only spaces", L"   ", [](CTString& s) { s.SansEspace(); }, L""},
        {"Trim", L" \t ab \n", [](CTString& s) { s.Trim(); }, L"ab"},
        {"Trim char", L"--a-b--", [](CTString& s) { s.Trim(L'-'); }, L"a-b"},
        {"LTrim char", L"--a-", [](CTString& s) { s.LTrim(L'-'); }, L"a-"},
        {"RTrim char", L"-a--", [](CTString& s) { s.RTrim(L'-'); }, L"-a"},
        {"RTrim only char", L";;", [](CTString& s) { s.RTrim(L';'); }, L""},
    });
}

TEST_F(TStringTest, Ellipse) {
    struct Case {
        const wchar_t* psz;
        unsigned long nMax;
        eELLIPSISPOSITION ePosition;
        const wchar_t* pszExpected;
    } aCases[] = {
        {L"abcdefghij", 10, ELLIPSIS_FIN, L"abcdefghij"},
        {L"abcdefghij", 7, ELLIPSIS_FIN, L"abcd..."},
        {L"abcdefghij", 7, ELLIPSIS_MILIEU, L"ab...ij"},
        {L"abcdefghij", 8, ELLIPSIS_MILIEU, L"ab...hij"},
        {L"abcdefghij", 7, ELLIPSIS_DEBUT, L"...ghij"},
        {L"abcdefghij", 3, ELLIPSIS_FIN, L"..."},
        {L"", 7, ELLIPSIS_FIN, L""},
        {nullptr, 7, ELLIPSIS_FIN, L""},
        {L"abcdefghij", 2, ELLIPSIS_FIN, L""},  // outside the contract: nothing, never garbage
    };
    for (const Case& c : aCases) {
        CTString cl(L"previous");
        cl.Ellipse(c.psz, c.nMax, c.ePosition);
        EXPECT_STREQ(cl.pszGet(), c.pszExpected) << c.nMax << "/" << int(c.ePosition);
    }
    CTString clSelf(L"abcdefghij");
    clSelf.Ellipse(clSelf.pszGet(), 7, ELLIPSIS_MILIEU);
    EXPECT_STREQ(clSelf.pszGet(), L"ab...ij");
}

// -------------------------------------------------------------------------------- comparing

TEST_F(TStringTest, ExactComparisons) {
    CTString clEmpty, clAbc(L"abc");
    EXPECT_TRUE(clEmpty.bEstEgal(L""));
    EXPECT_FALSE(clEmpty.bEstEgal(L"a"));
    EXPECT_TRUE(clAbc.bEstEgal(L"abc"));
    EXPECT_FALSE(clAbc.bEstEgal(L"ABC"));
    EXPECT_TRUE(clAbc == CTString(L"abc"));
    EXPECT_TRUE(clAbc != clEmpty);
    struct Case {
        const wchar_t* pszText;
        const wchar_t* psz;
        bool bStarts, bEnds;
    } aCases[] = {
        {L"abcdef", L"abc", true, false}, {L"abcdef", L"def", false, true}, {L"abcdef", L"", true, true},
        {L"", L"", true, true},           {L"ab", L"abc", false, false},    {L"abcabc", L"abc", true, true},
    };
    for (const Case& c : aCases) {
        CTString cl(c.pszText);
        EXPECT_EQ(cl.bCommencePar(c.psz), c.bStarts) << c.pszText << "/" << c.psz;
        EXPECT_EQ(cl.bTerminePar(c.psz), c.bEnds) << c.pszText << "/" << c.psz;
    }
    EXPECT_TRUE(clAbc.bTerminePar(L'c'));
    EXPECT_FALSE(clEmpty.bTerminePar(L'c'));
}

// -------------------------------------------------------------------------------- searching

TEST_F(TStringTest, Searching) {
    struct Case {
        const char* pszName;
        const wchar_t* pszText;
        std::function<int(const CTString&)> fn;
        int nExpected;
    } aCases[] = {
        {"nPos", L"abcabc", [](const CTString& s) { return s.nPos(L"bc"); }, 1},
        {"nPos from 2", L"abcabc", [](const CTString& s) { return s.nPos(L"bc", 2); }, 4},
        {"nPos at end", L"abc", [](const CTString& s) { return s.nPos(L"c", 3); }, -1},
        {"nPos missing", L"abc", [](const CTString& s) { return s.nPos(L"x"); }, -1},
        {"nPos on empty", nullptr, [](const CTString& s) { return s.nPos(L"x"); }, -1},
        {"nPos char", L"a;b;c", [](const CTString& s) { return s.nPos(L';', 2); }, 3},
        {"nRPos", L"aaaa", [](const CTString& s) { return s.nRPos(L"aa"); }, 2},
        {"nRPos missing", L"abc", [](const CTString& s) { return s.nRPos(L"abcd"); }, -1},
        {"nRPos char", L"a;b;c", [](const CTString& s) { return s.nRPos(L';'); }, 3},
        {"nUpPos", L"xxAbC", [](const CTString& s) { return s.nUpPos(L"abc"); }, 2},
        {"nUpPos too few left", L"abcab", [](const CTString& s) { return s.nUpPos(L"abc", 3); }, -1},
        {"nPosParmi", L"name=value;", [](const CTString& s) { return s.nPosParmi(L";="); }, 4},
        {"nPosParmi none", L"name", [](const CTString& s) { return s.nPosParmi(L";="); }, -1},
        {"nNbOcc", L"aaaa", [](const CTString& s) { return s.nNbOcc(L"aa"); }, 2},
        {"nNbOcc none", L"abc", [](const CTString& s) { return s.nNbOcc(L"x"); }, 0},
        {"nNbOcc on empty", nullptr, [](const CTString& s) { return s.nNbOcc(L"x"); }, 0},
    };
    for (const Case& c : aCases) {
        CTString cl(c.pszText);
        EXPECT_EQ(c.fn(cl), c.nExpected) << c.pszName;
    }
}

TEST_F(TStringTest, Substrings) {
    struct Case {
        const char* pszName;
        const wchar_t* pszText;
        std::function<CTString(const CTString&)> fn;
        const wchar_t* pszExpected;
    } aCases[] = {
        {"clMilieu", L"abcdef", [](const CTString& s) { return s.clMilieu(2, 3); }, L"cde"},
        {"clMilieu short", L"abcdef", [](const CTString& s) { return s.clMilieu(4, 10); }, L"ef"},
        {"clMilieu beyond", L"abc", [](const CTString& s) { return s.clMilieu(4, 1); }, L""},
        {"clMilieu to end", L"abcdef", [](const CTString& s) { return s.clMilieu(4); }, L"ef"},
        {"clMilieu on empty", nullptr, [](const CTString& s) { return s.clMilieu(0, 2); }, L""},
        {"clGauche", L"abcdef", [](const CTString& s) { return s.clGauche(2); }, L"ab"},
        {"clDroite", L"abcdef", [](const CTString& s) { return s.clDroite(2); }, L"ef"},
        {"clDroite all", L"abc", [](const CTString& s) { return s.clDroite(5); }, L"abc"},
        {"clDroite 0", L"abc", [](const CTString& s) { return s.clDroite(0); }, L""},
        {"clExclu", L"key=value", [](const CTString& s) { return s.clExclu(L"=;"); }, L"key"},
        {"clContientUniquement", L"123abc", [](const CTString& s) { return s.clContientUniquement(L"0123456789"); },
         L"123"},
    };
    for (const Case& c : aCases) {
        CTString cl(c.pszText);
        EXPECT_STREQ(c.fn(cl).pszGet(), c.pszExpected) << c.pszName;
    }
}

TEST_F(TStringTest, NVal) {
    struct Case {
        const wchar_t* pszText;
        int nBase, nStart, nCount;
        long long nExpected;
    } aCases[] = {
        {L"1fZ", 16, 0, -1, 31},
        {L"12a", 10, 0, -1, 12},
        {L"-5", 10, 0, -1, 0},
        {L"x1234", 10, 1, 2, 12},
        {L"zz", 36, 0, -1, 1295},
        {L"101", 2, 0, -1, 5},
        {L"", 10, 0, -1, 0},
        {L"12", 10, 5, -1, 0},
        {L"FFFFFFFFFFFFFFFFF", 16, 0, -1, -1},  // wraps, no overflow test
    };
    for (const Case& c : aCases) {
        CTString cl(c.pszText);
        EXPECT_EQ(cl.nVal(c.nBase, c.nStart, c.nCount), c.nExpected) << c.pszText << " base " << c.nBase;
    }
}

// ------------------------------------------------------------------------------------ fields

TEST_F(TStringTest, FieldsWithACharacter) {
    struct Case {
        const wchar_t* pszText;
        unsigned long n;
        bool bFound;
        const wchar_t* pszField;
    } aCases[] = {
        {L"a;b", 0, true, L"a"},
        {L"a;b", 1, true, L"b"},
        {L"a;b", 2, false, L"kept"},
        {L"a;b;", 1, true, L"b"},
        {L"a;b;", 2, true, L""},
        {L";", 0, true, L""},
        {L"", 0, false, L"kept"},
        {nullptr, 0, false, L"kept"},
        {L"a;b", ULONG_MAX, false, L"kept"},  // a field number beyond any text
    };
    for (const Case& c : aCases) {
        CTString cl(c.pszText), clOut(L"kept");
        EXPECT_EQ(cl.bExtraitChaine(c.n, L';', &clOut), c.bFound) << c.pszText << " #" << c.n;
        EXPECT_STREQ(clOut.pszGet(), c.pszField) << c.pszText << " #" << c.n;
    }
    CTString cl(L"ab::cd");
    const wchar_t* pStart = nullptr;
    long nLength = 0;
    ASSERT_TRUE(cl.bExtraitChainePos(2ul, L':', &pStart, &nLength));
    EXPECT_EQ(pStart, cl.pszGet() + 4);
    EXPECT_EQ(nLength, 2);
}

TEST_F(TStringTest, FieldsWithASeparatorText) {
    struct Case {
        const wchar_t* pszText;
        long n;
        bool bFound;
        const wchar_t* pszField;
    } aCases[] = {
        {L"a<>b<>c", 0, true, L"a"},     {L"a<>b<>c", -3, true, L"a"}, {L"a<>b<>c", 2, true, L"c"},
        {L"a<>b<>c", 3, false, L"kept"}, {L"a<>", 1, true, L""},       {nullptr, 0, false, L"kept"},
    };
    for (const Case& c : aCases) {
        CTString cl(c.pszText), clOut(L"kept");
        EXPECT_EQ(cl.bExtraitChaine(c.n, L"<>", &clOut), c.bFound) << c.pszText << " #" << c.n;
        EXPECT_STREQ(clOut.pszGet(), c.pszField) << c.pszText << " #" << c.n;
    }
    CTString cl(L"a<>bc<>d");
    int nIndex = -1;
    long nLength = -1;
    ASSERT_TRUE(cl.bExtraitPosTailleChaine(1, L"<>", &nIndex, &nLength));
    EXPECT_EQ(nIndex, 3);
    EXPECT_EQ(nLength, 2);
    // The output may be the string itself.
    CTString clSelf(L"x|y|z");
    ASSERT_TRUE(clSelf.bExtraitChaine(1l, L"|", &clSelf));
    EXPECT_STREQ(clSelf.pszGet(), L"y");
}

TEST_F(TStringTest, ReplaceAndTokenFields) {
    struct Case {
        const wchar_t* pszText;
        long n;
        bool bDone;
        const wchar_t* pszExpected;
    } aCases[] = {
        {L"a;b;c", 1, true, L"a;XY;c"},
        {L"a;b;", 2, true, L"a;b;XY"},
        {L"a;b", 2, false, L"a;b"},
        {L"a", 0, true, L"XY"},
    };
    for (const Case& c : aCases) {
        CTString cl(c.pszText);
        EXPECT_EQ(cl.bExtraitEtRemplaceChaine(c.n, L";", L"XY"), c.bDone) << c.pszText;
        EXPECT_STREQ(cl.pszGet(), c.pszExpected) << c.pszText;
    }
    struct TokCase {
        const wchar_t* pszText;
        long n;
        bool bFound;
        const wchar_t* pszToken;
    } aTok[] = {
        {L"a,, b", 1, true, L"b"}, {L"a,, b", 0, true, L"a"},   {L"a,, b", 2, false, L"kept"},
        {L"a,, b", -1, true, L""}, {L" , ", 0, false, L"kept"}, {nullptr, 0, false, L"kept"},
    };
    for (const TokCase& c : aTok) {
        CTString cl(c.pszText), clOut(L"kept");
        EXPECT_EQ(cl.bExtraitChaineTok(c.n, L" ,", &clOut), c.bFound) << c.n;
        EXPECT_STREQ(clOut.pszGet(), c.pszToken) << c.n;
        EXPECT_STREQ(cl.pszGet(), c.pszText != nullptr ? c.pszText : L"");  // the text itself is untouched
    }
}

class CCollect : public IVisiteurPourTouteChaine {
public:
    int m_nStopAfter = -1;
    std::vector<std::pair<long, std::wstring>> m_tab;
    int vbVisite(long nIndex, const wchar_t* psz, long nLength) override {
        m_tab.push_back({nIndex, std::wstring(psz, size_t(nLength))});
        return m_nStopAfter < 0 || nIndex < m_nStopAfter;
    }
};

TEST_F(TStringTest, VisitsEveryField) {
    typedef std::vector<std::pair<long, std::wstring>> Fields;
    struct Case {
        const wchar_t* pszText;
        int nStopAfter;
        Fields tab;
    } aCases[] = {
        {L"a, b, ", -1, {{0, L"a"}, {1, L"b"}, {2, L""}}},
        {L"abc", -1, {{0, L"abc"}}},
        {L"a, b, c", 0, {{0, L"a"}}},
        {nullptr, -1, {}},
    };
    for (const Case& c : aCases) {
        CTString cl(c.pszText);
        CCollect clVisitor;
        clVisitor.m_nStopAfter = c.nStopAfter;
        cl.PourTouteChaineSepareePar(L", ", &clVisitor);
        EXPECT_EQ(clVisitor.m_tab, c.tab) << (c.pszText ? c.pszText : L"(null)");
    }
}

// --------------------------------------------------------------------- the pszSet... family

TEST_F(TStringTest, SetFromAPartAroundACharacter) {
    typedef const wchar_t* (CTString::*PFN)(const wchar_t*, wchar_t);
    const wchar_t* pszSource = L"a=b=c";
    const wchar_t* pszMissing = L"abc";
    struct Case {
        const char* pszName;
        PFN pfn;
        const wchar_t* pszFound;
        int nResultFound;  // offset into the source of the result
        const wchar_t* pszMissingSets;
        bool bNullWhenMissing;
    } aCases[] = {
        {"FinPremier", &CTString::pszSetFinPremier, L"b=c", 2, L"abc", true},
        {"FinPremierExistant", &CTString::pszSetFinPremierExistant, L"b=c", 2, L"", false},
        {"FinDernier", &CTString::pszSetFinDernier, L"c", 4, L"abc", true},
        {"FinDernierExistant", &CTString::pszSetFinDernierExistant, L"c", 4, L"", false},
        {"DebutPremier", &CTString::pszSetDebutPremier, L"a", 2, L"abc", true},
        {"DebutPremierExistant", &CTString::pszSetDebutPremierExistant, L"a", 2, L"", false},
        {"DebutDernier", &CTString::pszSetDebutDernier, L"a=b", 4, L"abc", true},
        {"DebutDernierExistant", &CTString::pszSetDebutDernierExistant, L"a=b", 4, L"", false},
    };
    for (const Case& c : aCases) {
        CTString cl(L"old");
        EXPECT_EQ((cl.*c.pfn)(pszSource, L'='), pszSource + c.nResultFound) << c.pszName;
        EXPECT_STREQ(cl.pszGet(), c.pszFound) << c.pszName;
        const wchar_t* pResult = (cl.*c.pfn)(pszMissing, L'=');
        EXPECT_EQ(pResult, c.bNullWhenMissing ? nullptr : pszMissing) << c.pszName;
        EXPECT_STREQ(cl.pszGet(), c.pszMissingSets) << c.pszName;
    }
}

}  // namespace
