// The owned-string list: splitting, joining, sorting, searching and the ownership of its entries
// (the sanitizer reports an entry freed twice or never).
#include "core/TStringArray.h"

#include <gtest/gtest.h>

#include <cwchar>
#include <iterator>
#include <string>
#include <vector>

#include "tests/core/VirtualSlot.h"

namespace {

std::vector<std::wstring> Entrees(const CTStringArray& cl) {
    std::vector<std::wstring> v;
    for (int i = 0; i < cl.nGetNbElement(); i++) v.push_back(cl[i] != nullptr ? cl[i]->pszGet() : L"(null)");
    return v;
}

using V = std::vector<std::wstring>;

TEST(TStringArray, Split) {
    struct Case {
        const wchar_t* pszTexte;
        const wchar_t* pszSeparateur;
        V attendu;
    };
    const Case CASES[] = {
        {L"a;b", L";", {L"a", L"b"}},
        {L"a;b;", L";", {L"a", L"b", L""}},
        {L";", L";", {L"", L""}},
        {L"a", L";", {L"a"}},
        {L"", L";", {}},
        {nullptr, L";", {}},
        {L"x, y, z", L", ", {L"x", L"y", L"z"}},
        {L"a::b:c", L"::", {L"a", L"b:c"}},
        {L"a;b", nullptr, {L"a;b"}},
        {L"a;b", L"", {L"a;b"}},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(testing::Message() << (c.pszTexte ? c.pszTexte : L"(null)") << " at "
                                        << (c.pszSeparateur ? c.pszSeparateur : L"(null)"));
        CTStringArray cl;
        cl.Ajoute(L"left over");
        cl.Decoupe(c.pszTexte, c.pszSeparateur);
        EXPECT_EQ(Entrees(cl), c.attendu);
    }
    CTString clSansTexte;
    CTStringArray cl;
    cl.Decoupe(clSansTexte, L";");
    EXPECT_EQ(cl.nGetNbElement(), 0);
}

TEST(TStringArray, SplitThenJoinGivesTheTextBack) {
    for (const wchar_t* pszTexte : {L"a;b;", L";;", L"a", L"host=x;port=5432;;user=y"}) {
        CTStringArray cl;
        cl.Decoupe(pszTexte, L";");
        CTString clJoint;
        ASSERT_TRUE(cl.bFusion(&clJoint, L";"));
        EXPECT_STREQ(clJoint.pszGet(), pszTexte);
    }
}

TEST(TStringArray, Join) {
    struct Case {
        V entrees;
        const wchar_t* pszSeparateur;
        const wchar_t* pszAttendu;
    };
    const Case CASES[] = {
        {{L"x", L"y"}, L", ", L"x, y"}, {{L"x", L"y"}, nullptr, L"xy"}, {{L"x", L"y"}, L"", L"xy"},
        {{L"only"}, L";", L"only"},     {{L"", L""}, L";", L";"},       {{L"", L"", L""}, nullptr, L""},
        {{}, L";", L"unchanged"},
    };
    for (const Case& c : CASES) {
        CTStringArray cl;
        for (const std::wstring& s : c.entrees) cl.Ajoute(s.c_str());
        CTString clResultat(L"unchanged");
        EXPECT_EQ(cl.bFusion(&clResultat, c.pszSeparateur), 1);
        EXPECT_STREQ(clResultat.pszGet(), c.pszAttendu);
    }
}

TEST(TStringArray, JoinIntoOneOfItsOwnEntries) {
    CTStringArray cl;
    cl.Decoupe(L"a;bb;ccc", L";");
    EXPECT_EQ(cl.bFusion(cl[1], L"-"), 1);
    EXPECT_EQ(Entrees(cl), (V{L"a", L"a-bb-ccc", L"ccc"}));
}

// Splitting one of the array's own entries: emptying the array deletes that entry, so its text
// must be secured first (the sanitizer reports a read of the freed entry).
TEST(TStringArray, SplitOneOfItsOwnEntries) {
    CTStringArray cl;
    cl.Ajoute(L"x");
    cl.Ajoute(L"a;b;c");
    cl.Decoupe(*cl[1], L";");
    EXPECT_EQ(Entrees(cl), (V{L"a", L"b", L"c"}));
    cl.Decoupe(cl[2]->pszGet(), L";");
    EXPECT_EQ(Entrees(cl), (V{L"c"}));
}

TEST(TStringArray, Sorts) {
    const V source{L"b", L"A", L"a", L"B", L"c"};
    CTStringArray cl;
    for (const std::wstring& s : source) cl.Ajoute(s.c_str());
    cl.TrieCroisssant();
    EXPECT_EQ(Entrees(cl), (V{L"A", L"B", L"a", L"b", L"c"}));
    cl.TrieDecroisssant();
    EXPECT_EQ(Entrees(cl), (V{L"c", L"b", L"a", L"B", L"A"}));
    cl.TrieCroisssantI();
    const V trie = Entrees(cl);
    for (size_t i = 1; i < trie.size(); i++) EXPECT_LE(wcscasecmp(trie[i - 1].c_str(), trie[i].c_str()), 0);
    EXPECT_EQ(trie.back(), L"c");
}

TEST(TStringArray, SortedFieldsOfAText) {
    struct Case {
        const wchar_t* pszTexte;
        const wchar_t* pszAttendu;
    };
    const Case CASES[] = {{L"b;A;c", L"A;b;c"}, {L"z", L"z"}, {L"c;;a", L";a;c"}};
    for (const Case& c : CASES) {
        CTString clResultat;
        EXPECT_EQ(CTStringArray::g_bTrieCroissantI(&clResultat, c.pszTexte, L";"), 1);
        EXPECT_STREQ(clResultat.pszGet(), c.pszAttendu);
    }
    // In place: the text is the output's own.
    CTString clTexte(L"Gamma, alpha, Beta");
    CTStringArray::g_bTrieCroissantI(&clTexte, clTexte.pszGet(), L", ");
    EXPECT_STREQ(clTexte.pszGet(), L"alpha, Beta, Gamma");
}

TEST(TStringArray, Search) {
    CTStringArray cl;
    for (const wchar_t* psz : {L"abc", L"ABC", L"", L"x"}) cl.Ajoute(psz);
    struct Case {
        const wchar_t* pszTexte;
        int bExact;
        int nDebut;
        int nAttendu;
    };
    const Case CASES[] = {
        {L"ABC", 0, 0, 0}, {L"ABC", 1, 0, 1}, {L"abc", 1, 1, -1}, {L"aBc", 0, 1, 1}, {L"x", 1, 3, 3},
        {L"x", 1, 4, -1},  {L"x", 1, 9, -1},  {nullptr, 1, 0, 2}, {L"", 0, 0, 2},    {L"abcd", 0, 0, -1},
    };
    for (const Case& c : CASES) {
        EXPECT_EQ(cl.nRecherche(c.pszTexte, c.bExact, c.nDebut), c.nAttendu)
            << (c.pszTexte ? c.pszTexte : L"(null)") << " exact " << c.bExact << " from " << c.nDebut;
    }
    CTStringArray clUn;
    clUn.Ajoute(L"abc");
    EXPECT_EQ(clUn.nRecherche(L"ABC", 0, 0), 0);
    EXPECT_EQ(clUn.nRecherche(L"ABC", 1, 0), -1);
}

TEST(TStringArray, AddingForms) {
    CTStringArray cl;
    cl.Ajoute(static_cast<const wchar_t*>(nullptr));
    CTString clTexte(L"copy");
    cl.Ajoute(&clTexte);
    cl.vAjoute(L"abcdef", 3);
    cl.vAjoute(L"ab", 10);
    cl.Initialise(L"z", 2);
    CTString clRepris(L"taken");
    cl.AjouteRecupere(&clRepris);
    EXPECT_EQ(clRepris.nTaille(), 0);
    EXPECT_STREQ(clTexte.pszGet(), L"copy");
    EXPECT_EQ(cl.AjoutePrintf(L"%s=%d", L"n", 5), 3);
    EXPECT_EQ(Entrees(cl), (V{L"", L"copy", L"abc", L"ab", L"z", L"z", L"taken", L"n=5"}));
    // Entries are copies, not the caller's strings.
    EXPECT_NE(cl[1], &clTexte);
}

TEST(TStringArray, FormatMessageEntry) {
    CTStringArray cl;
    EXPECT_EQ(cl.AjouteFormatMessageWin(L"%s-%d", L"a", 7), 1);
    EXPECT_EQ(cl.AjouteFormatMessageWin(L""), 0);  // nothing formatted: the entry stays empty
    EXPECT_EQ(Entrees(cl), (V{L"a-7", L""}));
}

TEST(TStringArray, AppendingAnArrayIncludingItself) {
    CTStringArray cl;
    cl.Decoupe(L"a;b", L";");
    CTStringArray clAutre;
    clAutre.Ajoute(L"c");
    cl.Ajoute(clAutre);
    EXPECT_EQ(Entrees(cl), (V{L"a", L"b", L"c"}));
    cl.Ajoute(static_cast<const CTTableau<CTString*>&>(cl));
    EXPECT_EQ(Entrees(cl), (V{L"a", L"b", L"c", L"a", L"b", L"c"}));
    EXPECT_NE(cl[0], cl[3]);
}

TEST(TStringArray, InsertReplaceRemove) {
    CTStringArray cl;
    cl.Decoupe(L"a;b;c", L";");
    cl.Insere(L"first", 0);
    CTString clMilieu(L"mid");
    cl.Insere(&clMilieu, 2);
    EXPECT_EQ(Entrees(cl), (V{L"first", L"a", L"mid", L"b", L"c"}));
    cl.SetAt(L"B", 3);
    cl.SetAt(cl[0]->pszGet(), 0);  // the new text is the replaced entry's own
    cl.SetAt(&clMilieu, 1);
    EXPECT_EQ(Entrees(cl), (V{L"first", L"mid", L"mid", L"B", L"c"}));
    cl.Supprime(0);
    cl.Supprime(3);
    EXPECT_EQ(Entrees(cl), (V{L"mid", L"mid", L"B"}));
}

TEST(TStringArray, RemoveAllKeepsTheSlots) {
    CTStringArray cl;
    cl.Decoupe(L"a;b;c;d", L";");
    void* pStockage = cl.pGetBuffer();
    const int nCapacite = cl.nGetTailleTableau();
    cl.SupprimeTout();
    EXPECT_EQ(cl.nGetNbElement(), 0);
    cl.Ajoute(L"again");
    EXPECT_EQ(cl.pGetBuffer(), pStockage);
    EXPECT_EQ(cl.nGetTailleTableau(), nCapacite);
    EXPECT_EQ(Entrees(cl), (V{L"again"}));
}

// A slot may hold null: it reads as "" everywhere and is skipped when entries are deleted.
TEST(TStringArray, NullSlots) {
    CTStringArray cl;
    cl.Ajoute(L"b");
    static_cast<CTTableau<CTString*>&>(cl).Ajoute(static_cast<CTString*>(nullptr));
    cl.Ajoute(L"a");
    CTString clJoint;
    cl.bFusion(&clJoint, L";");
    EXPECT_STREQ(clJoint.pszGet(), L"b;;a");
    EXPECT_EQ(cl.nRecherche(L"", 1, 0), 1);
    EXPECT_EQ(cl.nRecherche(L"", 0, 0), 1);
    cl.TrieCroisssant();
    EXPECT_EQ(cl[0], nullptr);
    cl.TrieCroisssantI();
    cl.TrieDecroisssant();
    EXPECT_EQ(cl[2], nullptr);
    cl.Supprime(2);
    static_cast<CTTableau<CTString*>&>(cl).Ajoute(static_cast<CTString*>(nullptr));
}

// The slots after the array's own virtual members (binary interface).
TEST(TStringArray, VirtualOrder) {
    using A = CTStringArray;
    const ptrdiff_t SLOTS[] = {
        SlotOf(static_cast<void (A::*)(const CTString*)>(&A::Ajoute)),
        SlotOf(static_cast<void (A::*)(const wchar_t*)>(&A::Ajoute)),
        SlotOf(static_cast<void (A::*)(const CTTableau<CTString*>&)>(&A::Ajoute)),
        SlotOf(static_cast<void (A::*)(const CTString*, int)>(&A::Insere)),
        SlotOf(static_cast<void (A::*)(const wchar_t*, int)>(&A::Insere)),
        SlotOf(static_cast<void (A::*)(const CTString*, int)>(&A::SetAt)),
        SlotOf(static_cast<void (A::*)(const wchar_t*, int)>(&A::SetAt)),
        SlotOf(&A::Supprime),
        SlotOf(&A::SupprimeTout),
        SlotOf(&A::operator[]),
        SlotOf(&A::nRecherche),
        SlotOf(&A::TrieCroisssant),
        SlotOf(&A::TrieCroisssantI),
        SlotOf(&A::TrieDecroisssant),
        SlotOf(&A::bFusion),
        SlotOf(static_cast<void (A::*)(const CTString&, const wchar_t*)>(&A::Decoupe)),
        SlotOf(static_cast<void (A::*)(const wchar_t*, const wchar_t*)>(&A::Decoupe)),
        SlotOf(static_cast<void (A::*)(const wchar_t*, int)>(&A::Initialise)),
        SlotOf(&A::vAjoute),
    };
    for (size_t i = 0; i < std::size(SLOTS); i++) EXPECT_EQ(SLOTS[i], ptrdiff_t(6 + i)) << "member " << i;
}

}  // namespace
