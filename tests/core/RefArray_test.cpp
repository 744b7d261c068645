// The reference-holding arrays with small element classes standing for the system's reference
// schemes: a plain count with a no-delete flag (through CRefTraits, tests/core/RefCountFakes.h) and
// an item description with external and internal counts (through a member specialisation of one
// array instance).
#include "core/RefArray.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/NARefArray.h"
#include "tests/core/RefCountFakes.h"

namespace {

// Item-description scheme: external count, deleted when both counts are 0.
class CFauxDescription {
public:
    explicit CFauxDescription(const char* pszNom) : m_sNom(pszNom) {}
    virtual ~CFauxDescription() { g_tabJournal.push_back("d:" + m_sNom); }
    void ExternalAddRef() { m_nExterne++; }
    int nExternalRelease() {
        int n = --m_nExterne;
        g_tabJournal.push_back("x:" + m_sNom);
        if (n == 0 && m_nInterne == 0) delete this;
        return n;
    }

    std::string m_sNom;
    int m_nExterne = 0;
    int m_nInterne = 0;
};

}  // namespace

template <>
void CRefArray<CFauxDescription>::_AddRef(CFauxDescription* p) const {
    if (p != nullptr) p->ExternalAddRef();
}
template <>
void CRefArray<CFauxDescription>::_Release(CFauxDescription* p) const {
    if (p != nullptr) p->nExternalRelease();
}

namespace {

class RefArrayTest : public testing::Test {
protected:
    void SetUp() override { g_tabJournal.clear(); }
};

TEST_F(RefArrayTest, DestructionReleasesLastFirstAndSkipsNull) {
    CFauxInterf* x = new CFauxInterf("x");
    CFauxInterf* y = new CFauxInterf("y");
    CFauxInterf* z = new CFauxInterf("z");
    x->m_nRef = 1;  // the test keeps one reference on x
    {
        CRefArray<CFauxInterf> tab(1, 30);
        tab.Ajoute(x);
        tab.Ajoute(y);
        tab.Ajoute(nullptr);
        tab.Ajoute(z);
        EXPECT_EQ(x->m_nRef, 2u);
        EXPECT_EQ(tab.nGetNbElement(), 4);
        EXPECT_EQ(tab[2], nullptr);
    }
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"r:z", "d:z", "r:y", "d:y", "r:x"}));
    EXPECT_EQ(x->m_nRef, 1u);
    delete x;
}

TEST_F(RefArrayTest, ReleaseRules) {
    CRefArray<CFauxInterf> tab(1, 30);
    CFauxInterf zero("zero");  // count already 0: left alive
    tab._Release(&zero);
    tab._Release(nullptr);
    tab._AddRef(nullptr);
    CFauxInterf statique("statique", true);
    tab.Ajoute(&statique);
    tab.SupprimeTout();
    EXPECT_EQ(statique.m_nRef, 0u);
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"r:zero", "r:statique"}));
}

TEST_F(RefArrayTest, RemovalReleasesExactlyTheRemovedElements) {
    CRefArray<CFauxInterf> tab(1, 30);
    const char* apszNoms[] = {"a", "b", "c", "d", "e", "f"};
    for (const char* psz : apszNoms) tab.Ajoute(new CFauxInterf(psz));
    int nCapacite = tab.nGetTailleTableau();

    tab.Supprime(1, 2);
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"r:c", "d:c", "r:b", "d:b"}));
    EXPECT_EQ(tab[1]->m_sNom, "d");
    g_tabJournal.clear();

    CFauxInterf* pDetache = tab.pDetache(0);  // the reference passes to the caller
    EXPECT_EQ(pDetache->m_nRef, 1u);
    EXPECT_TRUE(g_tabJournal.empty());
    CRefTraits<CFauxInterf>::_Release(pDetache);
    g_tabJournal.clear();

    tab.SupprimeDernier(1);
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"r:f", "d:f"}));
    g_tabJournal.clear();

    tab.SupprimeTout();
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"r:e", "d:e", "r:d", "d:d"}));
    EXPECT_EQ(tab.nGetNbElement(), 0);
    EXPECT_EQ(tab.nGetTailleTableau(), nCapacite);  // storage kept
}

TEST_F(RefArrayTest, SetAtKeepsAnElementStoredOverItself) {
    CRefArray<CFauxInterf> tab(1, 30);
    CFauxInterf* a = new CFauxInterf("a");
    tab.Ajoute(a);
    tab.SetAt(a, 0);
    EXPECT_EQ(a->m_nRef, 1u);
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"r:a"}));

    CFauxInterf* b = new CFauxInterf("b");
    tab.SetAt(b, 0);
    EXPECT_EQ(tab[0], b);
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"r:a", "r:a", "d:a"}));
    tab.Insere(new CFauxInterf("c"), 0);
    EXPECT_EQ(tab.GetAt(0)->m_sNom, "c");
    EXPECT_EQ(tab.GetAt(0)->m_nRef, 1u);
}

TEST_F(RefArrayTest, AThrowingReleaseStopsNeitherTheOthersNorTheFree) {
    CFauxInterf* a = new CFauxInterf("a");
    CFauxInterf* b = new CFauxInterf("b");
    CFauxInterf* c = new CFauxInterf("c");
    b->m_bLanceAuRelease = true;
    {
        CRefArray<CFauxInterf> tab(1, 30);
        tab.Ajoute(a);
        tab.Ajoute(b);
        tab.Ajoute(c);
    }
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"r:c", "d:c", "r:b", "r:a", "d:a"}));
    delete b;
}

TEST_F(RefArrayTest, MemberSpecialisationServesAnInstance) {
    CFauxDescription* p = new CFauxDescription("item");
    p->m_nInterne = 1;  // still held inside the driver
    {
        CRefArray<CFauxDescription> tab(1, 30);
        tab.Ajoute(p);
        tab.Ajoute(p);
        EXPECT_EQ(p->m_nExterne, 2);
    }
    EXPECT_EQ(p->m_nExterne, 0);
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"x:item", "x:item"}));
    p->m_nInterne = 0;
    p->ExternalAddRef();
    p->nExternalRelease();
    EXPECT_EQ(g_tabJournal.back(), "d:item");
}

TEST_F(RefArrayTest, SharedArrayReleasesItsElementsWhenTheLastHolderGoes) {
    auto* pTab = new CNARefArray<CFauxInterf>(1, 30);
    pTab->AddRef();
    pTab->AddRef();
    pTab->Ajoute(new CFauxInterf("a"));
    pTab->Ajoute(new CFauxInterf("b"));
    EXPECT_EQ(pTab->dwRelease(), 1u);
    EXPECT_TRUE(g_tabJournal.empty());
    CKXUnknown* pUnknown = pTab;
    EXPECT_EQ(pUnknown->dwRelease(), 0u);
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"r:b", "d:b", "r:a", "d:a"}));
}

}  // namespace
