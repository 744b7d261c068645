// The linked list with a cursor: links, count and cursor are checked against a full walk after the
// operations, so a broken link or a cursor out of step shows at once.
#include "core/ListeDeBuffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

int Valeur(void* p) {
    return *static_cast<int*>(p);
}

// The current element's value, -1 when there is none.
int ValeurCourante(const CListeDeBuffer& cl) {
    return cl.pCourant() != nullptr ? Valeur(cl.pCourant()) : -1;
}

// Walks the list both ways and checks the links, the count and that the current element sits at the
// current index. Answers the values in order.
std::vector<int> Verifie(const CListeDeBuffer& cl) {
    std::vector<int> valeurs;
    const CListeDeBuffer::CLinkedElement* pclPrecedent = nullptr;
    int nIndiceTrouve = -1;
    int i = 0;
    for (CListeDeBuffer::CLinkedElement* pcl = cl.pclGetPremier(); pcl != nullptr; pcl = pcl->m_pclSuivant, i++) {
        EXPECT_EQ(pcl->m_pclPrecedent, pclPrecedent);
        if (pcl == cl.pclGetCourant()) nIndiceTrouve = i;
        valeurs.push_back(Valeur(CListeDeBuffer::pGetElem(pcl)));
        pclPrecedent = pcl;
    }
    EXPECT_EQ(cl.pclGetDernier(), pclPrecedent);
    EXPECT_EQ(cl.nGetNbElement(), int(valeurs.size()));
    if (cl.pclGetCourant() != nullptr) {
        EXPECT_EQ(cl.nGetIndiceCourant(), nIndiceTrouve);
    } else if (valeurs.empty()) {
        EXPECT_EQ(cl.nGetIndiceCourant(), -1);
    }
    return valeurs;
}

// A list 0..n-1 built by appending, cursor left on element nCourant.
void Remplit(CListeDeBuffer& cl, int n, int nCourant) {
    for (int i = 0; i < n; i++) cl.Ajoute(&i, 0);
    if (n > 0) cl.pVaSurNumero(nCourant);
}

TEST(ListeDeBuffer, AddBeforeOrAfterTheCurrentElement) {
    struct Case {
        int bAvant;
        std::vector<int> attendu;
        int nIndice;
    };
    const Case CASES[] = {{1, {2, 1}, 0}, {0, {1, 2}, 1}};
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.bAvant);
        CListeDeBuffer cl(sizeof(int));
        int n = 1;
        cl.Ajoute(&n, c.bAvant);
        EXPECT_EQ(cl.nGetIndiceCourant(), 0);
        n = 2;
        cl.Ajoute(&n, c.bAvant);
        EXPECT_EQ(Verifie(cl), c.attendu);
        EXPECT_EQ(Valeur(cl.pCourant()), 2);
        EXPECT_EQ(cl.nGetIndiceCourant(), c.nIndice);
    }
}

TEST(ListeDeBuffer, AddInTheMiddleLinksBothNeighbours) {
    CListeDeBuffer cl(sizeof(int));
    Remplit(cl, 4, 2);
    int n = 10;
    cl.Ajoute(&n, 1);
    EXPECT_EQ(Verifie(cl), (std::vector<int>{0, 1, 10, 2, 3}));
    EXPECT_EQ(cl.nGetIndiceCourant(), 2);
    n = 11;
    cl.Ajoute(&n, 0);
    EXPECT_EQ(Verifie(cl), (std::vector<int>{0, 1, 10, 11, 2, 3}));
    EXPECT_EQ(cl.nGetIndiceCourant(), 3);
}

TEST(ListeDeBuffer, RemoveCurrentMovesToThePreviousOrTheNewFirst) {
    struct Case {
        int nTaille;
        int nCourant;
        std::vector<int> attendu;
        int nValeurCourante;  // -1: no current element
        int nIndice;
    };
    const Case CASES[] = {
        {3, 0, {1, 2}, 1, 0},  // the first: the new first is current at the same index
        {3, 1, {0, 2}, 0, 0},  // the middle: the previous one
        {3, 2, {0, 1}, 1, 1},  // the last: the previous one, which is now the last
        {1, 0, {}, -1, -1},    // the only one: empty
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(testing::Message() << c.nTaille << " elements, removing " << c.nCourant);
        CListeDeBuffer cl(sizeof(int));
        Remplit(cl, c.nTaille, c.nCourant);
        cl.SupprimeCourant();
        EXPECT_EQ(Verifie(cl), c.attendu);
        EXPECT_EQ(ValeurCourante(cl), c.nValeurCourante);
        EXPECT_EQ(cl.nGetIndiceCourant(), c.nIndice);
    }
}

TEST(ListeDeBuffer, SeekReachesEveryElementFromEveryPlace) {
    const int N = 10;
    for (int nDepart = 0; nDepart < N; nDepart++)
        for (int n = 0; n < N; n++) {
            CListeDeBuffer cl(sizeof(int));
            Remplit(cl, N, nDepart);
            void* p = cl.pVaSurNumero(n);
            ASSERT_NE(p, nullptr);
            EXPECT_EQ(Valeur(p), n) << "from " << nDepart;
            EXPECT_EQ(cl.nGetIndiceCourant(), n);
            Verifie(cl);
        }
}

TEST(ListeDeBuffer, SeekOutsideTheListDoesNotMove) {
    CListeDeBuffer cl(sizeof(int));
    EXPECT_EQ(cl.pVaSurNumero(0), nullptr);
    Remplit(cl, 3, 1);
    EXPECT_EQ(cl.pVaSurNumero(3), nullptr);
    EXPECT_EQ(cl.pVaSurNumero(-1), nullptr);
    EXPECT_EQ(cl.nGetIndiceCourant(), 1);
}

TEST(ListeDeBuffer, StepsAndTheirEnds) {
    CListeDeBuffer cl(sizeof(int));
    Remplit(cl, 3, 2);
    EXPECT_EQ(cl.pVaSuivant(), nullptr);  // at the last: no move
    EXPECT_EQ(cl.nGetIndiceCourant(), 2);
    EXPECT_EQ(Valeur(cl.pVaPrecedent()), 1);
    EXPECT_EQ(Valeur(cl.pVaPrecedent()), 0);
    EXPECT_EQ(cl.pVaPrecedent(), nullptr);
    EXPECT_EQ(cl.nGetIndiceCourant(), 0);

    // The plain steps may run off an end; seeking brings the cursor back.
    cl.VaPrecedent();
    EXPECT_EQ(cl.pCourant(), nullptr);
    EXPECT_EQ(cl.nGetIndiceCourant(), -1);
    EXPECT_EQ(Valeur(cl.pVaSurNumero(1)), 1);
    cl.VaSuivant();
    cl.VaSuivant();
    EXPECT_EQ(cl.pCourant(), nullptr);
    EXPECT_EQ(cl.nGetIndiceCourant(), 3);
    EXPECT_EQ(Valeur(cl.pVaSurNumero(2)), 2);
    // Adding with the cursor off the end links at that end.
    cl.VaSuivant();
    int n = 7;
    cl.Ajoute(&n, 1);
    EXPECT_EQ(Verifie(cl), (std::vector<int>{0, 1, 2, 7}));
}

TEST(ListeDeBuffer, RemoveAllThenReuse) {
    CListeDeBuffer cl(sizeof(int));
    Remplit(cl, 5, 3);
    cl.SupprimeTout();
    EXPECT_EQ(Verifie(cl), std::vector<int>{});
    EXPECT_EQ(cl.pCourant(), nullptr);
    Remplit(cl, 2, 0);
    EXPECT_EQ(Verifie(cl), (std::vector<int>{0, 1}));
}

// A copy is a cursor: it walks the same elements and frees none of them (the sanitizer catches a
// double free when the copy and the list both go).
TEST(ListeDeBuffer, CopyIsACursorOverTheSameElements) {
    CListeDeBuffer cl(sizeof(int));
    Remplit(cl, 4, 1);
    {
        CListeDeBuffer clCurseur(cl);
        EXPECT_TRUE(clCurseur.bEstCurseur());
        EXPECT_EQ(Valeur(clCurseur.pVaSurNumero(3)), 3);
        EXPECT_EQ(clCurseur.pCourant(), cl.pVaSurNumero(3));
        cl.pVaSurNumero(1);
        CListeDeBuffer clAutre(sizeof(int));
        Remplit(clAutre, 2, 0);
        clAutre = cl;  // frees its own two elements, then becomes a cursor over cl
        EXPECT_EQ(Valeur(clAutre.pCourant()), 1);
        clAutre.SupprimeTout();
    }
    EXPECT_EQ(Verifie(cl), (std::vector<int>{0, 1, 2, 3}));
    EXPECT_EQ(cl.nGetIndiceCourant(), 1);
}

TEST(ListeDeBuffer, ExtractRun) {
    struct Case {
        const char* pszNom;
        int nDe;
        int nA;  // -1: the second cursor has no current element (run to the end)
        int nCourantSource;
        std::vector<int> extrait;
        std::vector<int> reste;
        int nValeurCouranteSource;  // -1: none
        int nIndiceSource;
        int nValeurCurseurs;  // -1: none
        int nIndiceCurseurs;
    };
    const Case CASES[] = {
        {"source cursor after the run", 3, 6, 8, {3, 4, 5}, {0, 1, 2, 6, 7, 8, 9}, 8, 5, 6, 3},
        {"source cursor inside the run", 3, 6, 4, {3, 4, 5}, {0, 1, 2, 6, 7, 8, 9}, 6, 3, 6, 3},
        {"source cursor before the run", 3, 6, 1, {3, 4, 5}, {0, 1, 2, 6, 7, 8, 9}, 1, 1, 6, 3},
        {"run to the end", 7, -1, 8, {7, 8, 9}, {0, 1, 2, 3, 4, 5, 6}, -1, -1, -1, -1},
        {"run from the start", 0, 2, 5, {0, 1}, {2, 3, 4, 5, 6, 7, 8, 9}, 5, 3, 2, 0},
        {"the whole list", 0, -1, 9, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}, {}, -1, -1, -1, -1},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(c.pszNom);
        CListeDeBuffer clSource(sizeof(int));
        Remplit(clSource, 10, 0);
        CListeDeBuffer clDe(clSource);
        clDe.pVaSurNumero(c.nDe);
        CListeDeBuffer clA(clSource);
        if (c.nA >= 0)
            clA.pVaSurNumero(c.nA);
        else
            clA.SupprimeTout();  // a cursor with no current element
        clSource.pVaSurNumero(c.nCourantSource);

        CListeDeBuffer clRun(sizeof(int));
        clRun.ExtraitListe(clSource, clDe, clA);
        EXPECT_EQ(Verifie(clRun), c.extrait);
        EXPECT_EQ(clRun.nGetIndiceCourant(), 0);
        EXPECT_EQ(Verifie(clSource), c.reste);
        EXPECT_EQ(ValeurCourante(clSource), c.nValeurCouranteSource);
        EXPECT_EQ(clSource.nGetIndiceCourant(), c.nIndiceSource);
        for (const CListeDeBuffer* pcl : {&clDe, &clA}) {
            EXPECT_EQ(pcl->pclGetPremier(), clSource.pclGetPremier());
            EXPECT_EQ(pcl->pclGetDernier(), clSource.pclGetDernier());
            EXPECT_EQ(pcl->nGetNbElement(), clSource.nGetNbElement());
            EXPECT_EQ(ValeurCourante(*pcl), c.nValeurCurseurs);
            EXPECT_EQ(pcl->nGetIndiceCourant(), c.nIndiceCurseurs);
        }
    }
}

TEST(ListeDeBuffer, ExtractNothingWhenTheCursorsMeetOrTheFirstHasNone) {
    CListeDeBuffer clSource(sizeof(int));
    Remplit(clSource, 4, 0);
    CListeDeBuffer clDe(clSource);
    clDe.pVaSurNumero(2);
    CListeDeBuffer clA(clSource);
    clA.pVaSurNumero(2);
    CListeDeBuffer clRun(sizeof(int));
    clRun.ExtraitListe(clSource, clDe, clA);
    EXPECT_EQ(clRun.nGetNbElement(), 0);
    clDe.SupprimeTout();
    clRun.ExtraitListe(clSource, clDe, clA);
    EXPECT_EQ(clRun.nGetNbElement(), 0);
    EXPECT_EQ(Verifie(clSource), (std::vector<int>{0, 1, 2, 3}));
}

// A second cursor that lies before the first marks no run: the lists stay whole and unchanged
// rather than being linked into a loop.
TEST(ListeDeBuffer, ExtractNothingWhenTheEndLiesBeforeTheStart) {
    CListeDeBuffer clSource(sizeof(int));
    Remplit(clSource, 5, 4);
    CListeDeBuffer clDe(clSource);
    clDe.pVaSurNumero(3);
    CListeDeBuffer clA(clSource);
    clA.pVaSurNumero(1);
    CListeDeBuffer clRun(sizeof(int));
    clRun.ExtraitListe(clSource, clDe, clA);
    EXPECT_EQ(Verifie(clRun), std::vector<int>{});
    EXPECT_EQ(Verifie(clSource), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(clSource.nGetIndiceCourant(), 4);
    EXPECT_EQ(Valeur(clDe.pCourant()), 3);
    EXPECT_EQ(Valeur(clA.pCourant()), 1);
}

}  // namespace
