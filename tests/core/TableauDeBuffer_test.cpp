// The raw-element array and its typed forms: the growth rule, room reservation, extension,
// compaction, moves, permutation, searches, transfers, and the layout the host reads.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/TTableau.h"
#include "core/TTableauPtr.h"
#include "tests/core/VirtualSlot.h"

// The heap's refusals are answered with null instead of a sanitizer report, as the C library does.
extern "C" __attribute__((visibility("default"), used)) const char* __asan_default_options() {
    return "allocator_may_return_null=1";
}

namespace {

std::vector<int> Contenu(const CTTableau<int>& tab) {
    std::vector<int> v;
    for (int i = 0; i < tab.nGetNbElement(); i++) v.push_back(tab[i]);
    return v;
}

void Remplit(CTTableau<int>& tab, std::initializer_list<int> valeurs) {
    for (int n : valeurs) tab.Ajoute(n);
}

template <int N>
struct stGros {
    char ac[N];
};

// The capacities an array passes through while n elements are appended one by one.
template <typename T>
std::vector<int> Capacites(int nPas, int n) {
    CTTableau<T> tab(nPas, 30);
    std::vector<int> v;
    T x{};
    for (int i = 0; i < n; i++) {
        tab.Ajoute(x);
        if (v.empty() || v.back() != tab.nGetTailleTableau()) v.push_back(tab.nGetTailleTableau());
    }
    return v;
}

TEST(TableauDeBufferTest, GrowthRule) {
    // Step 1: one at a time up to 101, then 20 at a time while elements are at most 256 bytes.
    std::vector<int> v = Capacites<int>(1, 150);
    ASSERT_EQ(v.size(), 104u);
    EXPECT_EQ(v[99], 100);
    EXPECT_EQ(v[100], 101);
    EXPECT_EQ(v[101], 121);
    EXPECT_EQ(v[102], 141);
    EXPECT_EQ(v[103], 161);

    std::vector<int> vLimite = Capacites<stGros<256>>(1, 103);
    EXPECT_EQ(vLimite.back(), 121);
    std::vector<int> vGros = Capacites<stGros<300>>(1, 103);
    EXPECT_EQ(vGros.back(), 103);

    EXPECT_EQ(Capacites<int>(10, 11), (std::vector<int>{10, 20}));
    // The exception belongs to step 1 only.
    std::vector<int> v2 = Capacites<int>(2, 106);
    EXPECT_EQ(v2.back(), 106);
}

TEST(TableauDeBufferTest, RoomReservation) {
    CTTableau<int> tab(10, 30);
    tab.AgranditMemoire(15);
    EXPECT_EQ(tab.nGetTailleTableau(), 20);
    tab.AgranditMemoire(20);  // 20 more from a count of 0 fit already
    EXPECT_EQ(tab.nGetTailleTableau(), 20);
    tab.AgranditMemoire(0);
    tab.AgranditMemoire(-3);
    EXPECT_EQ(tab.nGetTailleTableau(), 20);
    Remplit(tab, {1, 2, 3, 4, 5});
    tab.AgranditMemoire(16);  // need 1 -> one whole step
    EXPECT_EQ(tab.nGetTailleTableau(), 30);

    void* pAvant = tab.pGetBuffer();
    tab.AlloueMemoire(30);
    tab.AlloueMemoire(7);
    EXPECT_EQ(tab.pGetBuffer(), pAvant);
    EXPECT_EQ(tab.nGetTailleTableau(), 30);
    tab.AlloueMemoire(33);  // exactly the difference, not a step
    EXPECT_EQ(tab.nGetTailleTableau(), 33);
    EXPECT_EQ(tab.nGetPasAgrandissement(), 10);
    EXPECT_EQ(Contenu(tab), (std::vector<int>{1, 2, 3, 4, 5}));

    // A temporary step of 1 past 100 elements follows the same exception as Agrandir.
    CTTableau<int> tab1(1, 30);
    tab1.AlloueMemoire(150);
    tab1.AlloueMemoire(151);
    EXPECT_EQ(tab1.nGetTailleTableau(), 170);
}

TEST(TableauDeBufferTest, Etend) {
    CTTableau<int> tab(10, 30);
    tab.Etend(5, 7, -1);
    EXPECT_EQ(tab.nGetTailleTableau(), 15);
    EXPECT_EQ(Contenu(tab), (std::vector<int>{-1, -1, -1, -1, -1, 7}));
    tab.Etend(2, 9, -1);  // inside: overwrite
    tab.Etend(6, 8, -1);  // at the count: append
    EXPECT_EQ(Contenu(tab), (std::vector<int>{-1, -1, 9, -1, -1, 7, 8}));
    tab.Etend(9, 4, 0);  // beyond the count within the capacity
    EXPECT_EQ(tab.nGetTailleTableau(), 15);
    EXPECT_EQ(Contenu(tab), (std::vector<int>{-1, -1, 9, -1, -1, 7, 8, 0, 0, 4}));
    tab.Etend(15, 1, 2);  // at the capacity: room for index + step
    EXPECT_EQ(tab.nGetTailleTableau(), 25);
    EXPECT_EQ(tab.nGetNbElement(), 16);
    EXPECT_EQ(tab[14], 2);
    EXPECT_EQ(tab[15], 1);
}

TEST(TableauDeBufferTest, CompactionThreshold) {
    struct Case {
        int nCount;
        int nCapaciteApres;
    } cases[] = {{70, 69}, {71, 100}};
    for (const Case& c : cases) {
        CTTableau<int> tab(100, 30);
        for (int i = 0; i < c.nCount; i++) tab.Ajoute(i);
        ASSERT_EQ(tab.nGetTailleTableau(), 100);
        tab.SupprimeCompacte(0);
        EXPECT_EQ(tab.nGetTailleTableau(), c.nCapaciteApres) << c.nCount;
        EXPECT_EQ(tab[0], 1);
        EXPECT_EQ(tab[c.nCount - 2], c.nCount - 1);
    }

    CTTableau<int> tab(10, 30);
    tab.Ajoute(1);
    tab.Supprime(0, 1);
    tab.Compacter();
    EXPECT_EQ(tab.pGetBuffer(), nullptr);
    EXPECT_EQ(tab.nGetTailleTableau(), 0);
    tab.Ajoute(2);
    EXPECT_EQ(tab.nGetTailleTableau(), 10);
    EXPECT_EQ(tab[0], 2);

    tab.SupprimeTout();
    EXPECT_EQ(tab.nGetNbElement(), 0);
    EXPECT_EQ(tab.nGetTailleTableau(), 10);
    tab.SupprimeToutEtLibere();
    EXPECT_EQ(tab.pGetBuffer(), nullptr);
    EXPECT_EQ(tab.nGetTailleTableau(), 0);
}

TEST(TableauDeBufferTest, InsertAndRemove) {
    CTTableau<int> tab(2, 30);
    Remplit(tab, {1, 2, 3, 4});
    tab.Insere(0, 0);
    tab.Insere(9, 5);
    tab.Insere(5, 3);
    EXPECT_EQ(Contenu(tab), (std::vector<int>{0, 1, 2, 5, 3, 4, 9}));
    tab.Supprime(2, 0);
    EXPECT_EQ(tab.nGetNbElement(), 7);
    tab.Supprime(6, 1);
    tab.Supprime(1, 2);
    EXPECT_EQ(Contenu(tab), (std::vector<int>{0, 5, 3, 4}));
    tab.SupprimeDernier(2);
    EXPECT_EQ(Contenu(tab), (std::vector<int>{0, 5}));
    tab.SetAt(8, 1);
    EXPECT_EQ(tab.GetAt(1), 8);
}

// An element passed by reference may lie in the storage that the growth moves.
TEST(TableauDeBufferTest, AddingAnElementOfTheArrayItself) {
    CTTableau<int> tab(1, 30);
    Remplit(tab, {10, 20, 30});
    ASSERT_EQ(tab.nGetTailleTableau(), tab.nGetNbElement());
    tab.Ajoute(tab[0]);
    ASSERT_EQ(tab.nGetTailleTableau(), tab.nGetNbElement());
    tab.Insere(tab[1], 0);
    tab.Insere(tab[4], 2);
    EXPECT_EQ(Contenu(tab), (std::vector<int>{20, 10, 10, 20, 30, 10}));
    tab.Initialise(tab[4], 3);
    EXPECT_EQ(Contenu(tab), (std::vector<int>{30, 30, 30}));
    EXPECT_EQ(tab.nGetTailleTableau(), 3);
}

TEST(TableauDeBufferTest, MovesAndSwaps) {
    struct Case {
        int nFrom, nTo;
        std::vector<int> attendu;
    } cases[] = {
        {2, 0, {3, 1, 2, 4}}, {0, 2, {2, 3, 1, 4}}, {1, 1, {1, 2, 3, 4}}, {3, 0, {4, 1, 2, 3}}, {0, 3, {2, 3, 4, 1}},
    };
    for (const Case& c : cases) {
        CTTableau<int> tab(10, 30);
        Remplit(tab, {1, 2, 3, 4});
        tab.Deplace(c.nFrom, c.nTo);
        EXPECT_EQ(Contenu(tab), c.attendu) << c.nFrom << "->" << c.nTo;
    }
    CTTableau<stGros<300>> tabGros(10, 30);
    stGros<300> a{}, b{};
    a.ac[299] = 'a';
    b.ac[299] = 'b';
    tabGros.Ajoute(a);
    tabGros.Ajoute(b);
    tabGros.Swap(0, 1);
    EXPECT_EQ(tabGros[0].ac[299], 'b');
    EXPECT_EQ(tabGros[1].ac[299], 'a');
    tabGros.Deplace(1, 0);
    EXPECT_EQ(tabGros[0].ac[299], 'a');
}

TEST(TableauDeBufferTest, PermuteMultiple) {
    struct Case {
        const char* psz;
        int nPremier;
        std::vector<_STBlocATrier> blocs;
        std::vector<int> attendu;
    } cases[] = {
        {"documented example", 1, {{3, 1}, {1, 2}}, {0, 3, 1, 2, 4}},
        {"no block", 2, {}, {0, 1, 2, 3, 4}},
        {"adjacent blocks keep their run", 0, {{0, 2}, {2, 1}, {4, 1}, {3, 1}}, {0, 1, 2, 4, 3}},
        {"reverse", 0, {{4, 1}, {3, 1}, {2, 1}, {1, 1}, {0, 1}}, {4, 3, 2, 1, 0}},
        {"tail left in place", 0, {{1, 1}, {0, 1}}, {1, 0, 2, 3, 4}},
    };
    for (const Case& c : cases) {
        CTTableau<int> tab(10, 30);
        Remplit(tab, {0, 1, 2, 3, 4});
        std::vector<_STBlocATrier> blocs = c.blocs;
        tab.PermuteMultiple(c.nPremier, blocs.data(), blocs.size());
        EXPECT_EQ(Contenu(tab), c.attendu) << c.psz;
        EXPECT_EQ(tab.nGetTailleTableau(), 10) << c.psz;
    }
}

int g_nAppelsCritere = 0;
int CritereEgal(long l, const void* p) {
    g_nAppelsCritere++;
    return *static_cast<const int*>(p) == l ? 0 : 1;
}

TEST(TableauDeBufferTest, LinearSearch) {
    CTTableauPtr<int> tab(10, 30);
    g_nAppelsCritere = 0;
    EXPECT_EQ(tab.nRechercheLineaireCriterePointeur(1, CritereEgal), -1);
    EXPECT_EQ(tab.pRechercheLineaireCriterePointeur(1, CritereEgal), nullptr);
    EXPECT_EQ(g_nAppelsCritere, 0);

    int a = 5, b = 7, c = 7;
    tab.Ajoute(&a);
    tab.Ajoute(&b);
    tab.Ajoute(&c);
    EXPECT_EQ(tab.nRechercheLineaireCriterePointeur(7, CritereEgal), 1);
    EXPECT_EQ(tab.pRechercheLineaireCriterePointeur(7, CritereEgal), &b);
    EXPECT_EQ(tab.nRechercheLineaireCriterePointeur(6, CritereEgal), -1);
    EXPECT_EQ(tab.pRechercheLineaireCriterePointeur(6, CritereEgal), nullptr);
}

TEST(TableauDeBufferTest, Transfers) {
    CTTableau<int> a(10, 30), b(1, 5);
    Remplit(a, {1, 2, 3});
    Remplit(b, {9});

    b._Duplique(a);
    EXPECT_EQ(Contenu(b), (std::vector<int>{1, 2, 3}));
    EXPECT_NE(b.pGetBuffer(), a.pGetBuffer());
    EXPECT_EQ(b.nGetTailleTableau(), 3);
    b._Duplique(b);
    EXPECT_EQ(Contenu(b), (std::vector<int>{1, 2, 3}));

    CTTableau<int> vide(10, 30);
    b._Duplique(vide);
    EXPECT_EQ(b.nGetNbElement(), 0);

    void* pStockage = a.pGetBuffer();
    b.Recupere(a);
    EXPECT_EQ(b.pGetBuffer(), pStockage);
    EXPECT_EQ(Contenu(b), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(b.nGetTailleTableau(), 10);
    EXPECT_EQ(b.nGetPasAgrandissement(), 1);  // the step stays the array's own
    EXPECT_EQ(a.pGetBuffer(), nullptr);
    EXPECT_EQ(a.nGetNbElement(), 0);
    EXPECT_EQ(a.nGetTailleTableau(), 0);

    Remplit(a, {4});
    EchangeTableau(&a, &b);
    EXPECT_EQ(Contenu(a), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(Contenu(b), (std::vector<int>{4}));
    EXPECT_EQ(a.nGetPasAgrandissement(), 1);
    EXPECT_EQ(b.nGetPasAgrandissement(), 10);
    EXPECT_EQ(b.nGetTailleTableau(), 10);
}

TEST(TableauDeBufferTest, InitialiseReplacesTheStorage) {
    CTTableau<int> tab(10, 30);
    Remplit(tab, {1, 2});
    tab.Initialise(4, 3);
    EXPECT_EQ(Contenu(tab), (std::vector<int>{4, 4, 4}));
    EXPECT_EQ(tab.nGetTailleTableau(), 3);
    tab.Initialise(4, 0);
    EXPECT_EQ(tab.nGetNbElement(), 0);
    EXPECT_EQ(tab.pGetBuffer(), nullptr);
}

// Blocks too large for the heap are refused (the sanitizer is told to answer null, as the C
// library does): the array keeps what it had and adds nothing.
TEST(TableauDeBufferTest, RefusedGrowthAddsNothing) {
    static unsigned char s_abyElement[1 << 20] = {1};
    CTableauDeBuffer tab(1 << 20, 1 << 30, 30);
    tab.Ajoute(s_abyElement);
    EXPECT_EQ(tab.nGetNbElement(), 0);
    EXPECT_EQ(tab.nGetTailleTableau(), 0);
    EXPECT_EQ(tab.nGetPasAgrandissement(), 1 << 30);

    tab.SetPasAgrandissement(1);
    tab.Ajoute(s_abyElement);
    ASSERT_EQ(tab.nGetNbElement(), 1);
    void* pStockage = tab.pGetBuffer();
    tab.Etend(1 << 29, s_abyElement, s_abyElement);
    tab.AlloueMemoire(1 << 30);
    EXPECT_EQ(tab.nGetPasAgrandissement(), 1);
    tab.SetPasAgrandissement(1 << 30);
    tab.AgranditMemoire(1);
    tab.Insere(s_abyElement, 0);
    tab.Ajoute(s_abyElement);
    EXPECT_EQ(tab.nGetNbElement(), 1);
    EXPECT_EQ(tab.nGetTailleTableau(), 1);
    EXPECT_EQ(tab.pGetBuffer(), pStockage);
    EXPECT_EQ(tab.nGetPasAgrandissement(), 1 << 30);
    EXPECT_EQ(static_cast<unsigned char*>(tab.pGetAt(0))[0], 1);
}

TEST(TableauDeBufferTest, VirtualOrderIsTheHosts) {
    EXPECT_EQ(SlotOf(&CTableauDeBuffer::Agrandir), 0);
    // slots 1 and 2: the destructor pair
    EXPECT_EQ(SlotOf(static_cast<void (CTableauDeBuffer::*)(const void*, int)>(&CTableauDeBuffer::Initialise)), 3);
    EXPECT_EQ(SlotOf(&CTableauDeBuffer::Compacter), 4);
    EXPECT_EQ(SlotOf(static_cast<void (CTTableau<int>::*)(const int&, int)>(&CTTableau<int>::Initialise)), 5);
    EXPECT_EQ(sizeof(CTTableau<int>), 40u);
    EXPECT_EQ(sizeof(CTTableauPtr<int>), 40u);
}

}  // namespace
