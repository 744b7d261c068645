// The string-keyed reference table over the stand-in host's locale services: keys that differ
// only by case or accents, owned keys, references of stored values, and the one-entry cache,
// which must be cleared by every path that removes or replaces its entry.
#include "core/RefStringHashTable.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <functional>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/InformationDLL.h"
#include "tests/core/HashTableInvariants.h"
#include "tests/core/RefCountFakes.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

class CTable : public CRefStringHashTable<CFauxInterf*> {
public:
    const CHashTableBounce& rBase() const { return *this; }
};

// A raw walk that releases every value it hands out (and removes its entry when asked).
void ReleaseEveryValue(CTable& tab, int bRemove) {
    unsigned int nCursor = 0;
    void* pValue = nullptr;
    while (tab.bParseTable(&nCursor, bRemove, &pValue, nullptr)) tab._Release(static_cast<CFauxInterf*>(pValue));
}

int nAppels(int nPosition) {
    int n = 0;
    for (const standin::stLocaleCall& c : standin::GetLocaleCalls()) n += c.nPosition == nPosition;
    return n;
}

// Locale services that report one character fewer than they wrote when mapping (the terminating
// zero), and fill the rest of the destination with 'X'.
class CLocaleGribouille final : public IInfoLocale {
public:
    IInfoLocale* m_pi = standin::piGetInfoLocale();
    void vReserved0() override { m_pi->vReserved0(); }
    void vReserved1() override { m_pi->vReserved1(); }
    int vnGetCurrentCharset() override { return m_pi->vnGetCurrentCharset(); }
    int vnGetCurrentCodePage() override { return m_pi->vnGetCurrentCodePage(); }
    unsigned vdwGetCurrentLocale() override { return m_pi->vdwGetCurrentLocale(); }
    int vnCompareA(unsigned l, unsigned f, const char* a, int na, const char* b, int nb) override {
        return m_pi->vnCompareA(l, f, a, na, b, nb);
    }
    int vnCompareW(unsigned l, unsigned f, const wchar_t* a, int na, const wchar_t* b, int nb) override {
        return m_pi->vnCompareW(l, f, a, na, b, nb);
    }
    int vnCompareCurrentA(unsigned f, const char* a, int na, const char* b, int nb) override {
        return m_pi->vnCompareCurrentA(f, a, na, b, nb);
    }
    int vnCompareCurrentW(unsigned f, const wchar_t* a, int na, const wchar_t* b, int nb) override {
        return m_pi->vnCompareCurrentW(f, a, na, b, nb);
    }
    int vnSortKeyA(unsigned l, char* d, int nd, const char* s, int ns) override {
        return m_pi->vnSortKeyA(l, d, nd, s, ns);
    }
    void vReserved10() override { m_pi->vReserved10(); }
    int vnMapA(unsigned l, unsigned f, char* d, int nd, const char* s, int ns) override {
        return m_pi->vnMapA(l, f, d, nd, s, ns);
    }
    int vnMapW(unsigned l, unsigned f, wchar_t* d, int nd, const wchar_t* s, int ns) override {
        int n = m_pi->vnMapW(l, f, d, nd, s, ns);
        if (d == nullptr || n == 0) return n;
        for (int i = n - 1; i < nd; i++) d[i] = L'X';
        return n - 1;
    }
    int vnMapCurrentA(unsigned f, char* d, int nd, const char* s, int ns) override {
        return m_pi->vnMapCurrentA(f, d, nd, s, ns);
    }
    int vnMapCurrentW(unsigned f, wchar_t* d, int nd, const wchar_t* s, int ns) override {
        return m_pi->vnMapCurrentW(f, d, nd, s, ns);
    }
    unsigned vdwGetCurrentLocaleSafe() override { return m_pi->vdwGetCurrentLocaleSafe(); }
};

class RefStringHashTableTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        g_tabJournal.clear();
    }
    void TearDown() override { KXInstallStandInHost(); }
};

TEST_F(RefStringHashTableTest, CaseAndAccentVariantsShareOneEntry) {
    CTable tab;
    const wchar_t* apszVariantes[] = {L"Table", L"TABLE", L"table", L"Tablé", L"TÂBLE", L"tàblÈ"};
    unsigned int dwHash = CHashTableBounce::dwStringLogiqueHashVal(L"Table");
    for (const wchar_t* psz : apszVariantes) {
        EXPECT_EQ(CHashTableBounce::dwStringLogiqueHashVal(psz), dwHash) << static_cast<int>(psz[1]);
        EXPECT_EQ(CHashTableBounce::nStringLogiqueCompare(psz, L"TABLE"), 0);
        ASSERT_TRUE(tab.bSet(psz, new CFauxInterf("v")));
        EXPECT_EQ(tab.dwGetNumElement(), 1u);
        ASSERT_TRUE(HashTableInvariants(tab.rBase()));
    }
    // The entry keeps the spelling of the last set.
    unsigned int nCursor = 0;
    const wchar_t* pszCle = nullptr;
    CFauxInterf* p = nullptr;
    ASSERT_TRUE(tab.bParse(&nCursor, &p, &pszCle));
    EXPECT_STREQ(pszCle, L"tàblÈ");
    tab.StopParsing();

    const wchar_t* apszAutres[] = {L"Tables", L"Tabl", L"Ta ble", L"Tableau", L""};
    for (const wchar_t* psz : apszAutres) {
        EXPECT_FALSE(tab.bGet(psz, &p));
        ASSERT_TRUE(tab.bSet(psz, new CFauxInterf("autre")));
    }
    EXPECT_EQ(tab.dwGetNumElement(), 6u);
    for (const wchar_t* psz : apszVariantes) {
        ASSERT_TRUE(tab.bGet(psz, &p));
        tab._Release(p);
    }
    EXPECT_TRUE(tab.bGet(nullptr, &p));  // a null key counts as empty
    tab._Release(p);
    EXPECT_TRUE(HashTableInvariants(tab.rBase()));
}

TEST_F(RefStringHashTableTest, ComparesAndHashesThroughTheHostsLocales) {
    CTable tab;
    ASSERT_TRUE(tab.bSet(L"Client", new CFauxInterf("c")));
    standin::ClearLocaleCalls();
    CFauxInterf* p = nullptr;
    ASSERT_TRUE(tab.bGet(L"CLIENT", &p));
    tab._Release(p);
    int nCompare = 0, nMap = 0;
    for (const standin::stLocaleCall& c : standin::GetLocaleCalls()) {
        if (c.nPosition == 6) {
            nCompare++;
            EXPECT_EQ(c.dwLocale, 1024u);
            EXPECT_EQ(c.dwFlags, 3u);
        } else if (c.nPosition == 12) {
            nMap++;
            EXPECT_EQ(c.dwLocale, 1036u);
            EXPECT_EQ(c.dwFlags, 3u);
        } else {
            ADD_FAILURE() << "position " << c.nPosition;
        }
    }
    EXPECT_EQ(nCompare, 1);
    EXPECT_EQ(nMap, 1);
}

// A walk follows the entries' slots, which the order of the sets decides, whatever the keys'
// hash values: callers that list a registry see it in the order it was filled.
TEST_F(RefStringHashTableTest, WalkFollowsTheOrderOfTheSets) {
    CTable tab;
    std::vector<std::wstring> cles;
    for (int i = 0; i < 30; i++) {
        cles.push_back(L"Connexion" + std::to_wstring((i * 7919) % 1000));
        ASSERT_TRUE(tab.bSet(cles.back().c_str(), new CFauxInterf("v")));
    }
    ASSERT_EQ(tab.dwGetLevel(), 2u);  // grown twice on the way
    unsigned int nCursor = 0;
    const wchar_t* pszCle = nullptr;
    std::vector<std::wstring> vus;
    while (tab.bParse(&nCursor, nullptr, &pszCle)) vus.push_back(pszCle);
    EXPECT_EQ(vus, cles);
}

TEST_F(RefStringHashTableTest, LongKeysHashOnTheHeap) {
    std::wstring sLong(600, L'a'), sLongMaj(600, L'A');
    sLong += L"é";
    sLongMaj += L"E";
    EXPECT_EQ(CHashTableBounce::dwStringLogiqueHashVal(sLong.c_str()),
              CHashTableBounce::dwStringLogiqueHashVal(sLongMaj.c_str()));
    CTable tab;
    ASSERT_TRUE(tab.bSet(sLong.c_str(), new CFauxInterf("long")));
    CFauxInterf* p = nullptr;
    ASSERT_TRUE(tab.bGet(sLongMaj.c_str(), &p));
    EXPECT_EQ(p->m_sNom, "long");
    tab._Release(p);
}

// The hash reads only what the host reports written, never the rest of the buffer.
TEST_F(RefStringHashTableTest, HashSumsOnlyTheCharactersReportedWritten) {
    std::wstring sLong(300, L'z');
    const wchar_t* apsz[] = {L"Table", L"", sLong.c_str()};
    std::vector<unsigned int> attendus;
    for (const wchar_t* psz : apsz) attendus.push_back(CHashTableBounce::dwStringLogiqueHashVal(psz));
    // The same folding, but the terminating zero is reported unwritten and overwritten with 'X'.
    CLocaleGribouille clLocale;
    CInformationDLL::ms_piInfoLocale = &clLocale;
    for (size_t i = 0; i < attendus.size(); i++)
        EXPECT_EQ(CHashTableBounce::dwStringLogiqueHashVal(apsz[i]), attendus[i]) << i;
}

TEST_F(RefStringHashTableTest, ValuesKeepOneReferenceAndKeysAreFreed) {
    CFauxInterf* a = new CFauxInterf("a");
    a->m_nRef = 1;  // the test's own reference
    {
        CTable tab;
        ASSERT_TRUE(tab.bSet(L"un", a));
        ASSERT_TRUE(tab.bSet(L"deux", a));
        EXPECT_EQ(a->m_nRef, 3u);
        CFauxInterf* p = nullptr;
        ASSERT_TRUE(tab.bGet(L"UN", &p));
        EXPECT_EQ(a->m_nRef, 4u);
        tab._Release(p);
        ASSERT_TRUE(tab.bSet(L"Un", new CFauxInterf("b")));  // replaces: a released once
        EXPECT_EQ(a->m_nRef, 2u);
        EXPECT_TRUE(tab.bRemove(L"DEUX"));
        EXPECT_FALSE(tab.bRemove(L"DEUX"));
        EXPECT_EQ(a->m_nRef, 1u);
        for (int i = 0; i < 50; i++) ASSERT_TRUE(tab.bSet((L"clé" + std::to_wstring(i)).c_str(), a));
        EXPECT_EQ(a->m_nRef, 51u);
        // A raw walk with removal that does not take the keys leaves them to the table to free.
        unsigned int nCursor = 0;
        void* pValue = nullptr;
        for (int i = 0; i < 10 && tab.bParseTable(&nCursor, 1, &pValue, nullptr); i++)
            tab._Release(static_cast<CFauxInterf*>(pValue));
        tab.StopParsing();
        EXPECT_EQ(tab.dwGetNumElement(), 41u);
        EXPECT_TRUE(HashTableInvariants(tab.rBase()));
    }
    // Destruction released the rest (and the leak check covers the keys and "b").
    EXPECT_EQ(a->m_nRef, 1u);
    delete a;
}

TEST_F(RefStringHashTableTest, RemoveAllReturnsToTheFirstSize) {
    CTable tab;
    for (int i = 0; i < 60; i++) ASSERT_TRUE(tab.bSet((L"k" + std::to_wstring(i)).c_str(), new CFauxInterf("v")));
    EXPECT_GE(tab.dwGetLevel(), 2u);
    CFauxInterf* p = nullptr;
    ASSERT_TRUE(tab.bGet(L"K7", &p));
    tab._Release(p);
    tab.RemoveAll();
    EXPECT_EQ(tab.dwGetNumElement(), 0u);
    EXPECT_EQ(tab.dwGetLevel(), 0u);
    EXPECT_EQ(tab.pszGetCacheKey(), nullptr);
    EXPECT_FALSE(tab.bGet(L"K7", &p));
    EXPECT_TRUE(HashTableInvariants(tab.rBase()));
}

TEST_F(RefStringHashTableTest, CacheAnswersRepeatedLookUpsWithoutTheHost) {
    CTable tab;
    ASSERT_TRUE(tab.bSet(L"Connexion", new CFauxInterf("c")));
    CFauxInterf* p = nullptr;
    ASSERT_TRUE(tab.bGet(L"connexion", &p));
    tab._Release(p);
    EXPECT_STREQ(tab.pszGetCacheKey(), L"Connexion");
    EXPECT_EQ(tab.GetCacheValue(), p);
    standin::ClearLocaleCalls();
    ASSERT_TRUE(tab.bGet(L"Connexion", &p));
    EXPECT_EQ(p->m_nRef, 2u);  // the cache gives a reference too
    tab._Release(p);
    EXPECT_EQ(standin::GetLocaleCalls().size(), 0u);
    // Another spelling of the cached key finds the same entry through the table.
    ASSERT_TRUE(tab.bGet(L"CONNEXION", &p));
    EXPECT_EQ(p, tab.GetCacheValue());
    tab._Release(p);
    EXPECT_EQ(nAppels(12), 1);
    // A miss on another key leaves the cache as it was.
    EXPECT_FALSE(tab.bGet(L"Autre", &p));
    EXPECT_STREQ(tab.pszGetCacheKey(), L"Connexion");
}

// Every path that removes or replaces the cached entry clears the cache; afterwards the look-up
// answers from the table (a stale cache would answer a released value or read a freed key).
TEST_F(RefStringHashTableTest, EveryPathThatDropsTheCachedEntryClearsTheCache) {
    struct Case {
        const char* pszChemin;
        std::function<void(CTable&)> pfAction;
        bool bEncorePresente;  // the key is still in the table afterwards
    } cases[] = {
        {"bRemove", [](CTable& t) { EXPECT_TRUE(t.bRemove(L"CIBLE")); }, false},
        {"bSet replacing", [](CTable& t) { EXPECT_TRUE(t.bSet(L"Cible", new CFauxInterf("neuve"))); }, true},
        {"raw bDeleteElement",
         [](CTable& t) {
             void *pValue = nullptr, *pCle = nullptr;
             EXPECT_TRUE(t.bDeleteElement(L"cible", &pValue, &pCle));
             free(pCle);
             t._Release(static_cast<CFauxInterf*>(pValue));
         },
         false},
        {"walk with removal", [](CTable& t) { ReleaseEveryValue(t, 1); }, false},
        {"DeleteAll",
         [](CTable& t) {
             ReleaseEveryValue(t, 0);
             t.DeleteAll(7);
         },
         false},
        {"RemoveAll", [](CTable& t) { t.RemoveAll(); }, false},
        {"pGetElement",
         [](CTable& t) {
             void** ppValue = t.pGetElement(L"CIBLE");
             ASSERT_NE(ppValue, nullptr);
             t._Release(static_cast<CFauxInterf*>(*ppValue));
             CFauxInterf* pNeuve = new CFauxInterf("neuve");
             t._AddRef(pNeuve);
             *ppValue = pNeuve;
         },
         true},
        {"bParseSetElement",
         [](CTable& t) {
             unsigned int nCursor = 0;
             const wchar_t* pszCle = nullptr;
             while (t.bParse(&nCursor, nullptr, &pszCle) && wcscmp(pszCle, L"Cible") != 0) {
             }
             t.StopParsing();
             CFauxInterf* pNeuve = new CFauxInterf("neuve");
             t._AddRef(pNeuve);
             void* pAncienne = nullptr;
             EXPECT_TRUE(t.bParseSetElement(nCursor, pNeuve, &pAncienne));
             t._Release(static_cast<CFauxInterf*>(pAncienne));
         },
         true},
        {"raw add of an equal key",
         [](CTable& t) {
             CFauxInterf* pNeuve = new CFauxInterf("neuve");
             t._AddRef(pNeuve);
             EXPECT_TRUE(t.bAddElement(wcsdup(L"CIBLE"), pNeuve));
         },
         true},
    };
    for (const Case& c : cases) {
        CTable tab;
        ASSERT_TRUE(tab.bSet(L"Cible", new CFauxInterf("ancienne")));
        ASSERT_TRUE(tab.bSet(L"Voisine", new CFauxInterf("voisine")));
        CFauxInterf* p = nullptr;
        ASSERT_TRUE(tab.bGet(L"Cible", &p));
        tab._Release(p);
        ASSERT_NE(tab.pszGetCacheKey(), nullptr);

        c.pfAction(tab);
        EXPECT_EQ(tab.pszGetCacheKey(), nullptr) << c.pszChemin;
        EXPECT_EQ(tab.GetCacheValue(), nullptr) << c.pszChemin;
        EXPECT_EQ(tab.bGet(L"cible", &p) != 0, c.bEncorePresente) << c.pszChemin;
        if (p != nullptr) {
            EXPECT_EQ(p->m_sNom, "neuve") << c.pszChemin;
            tab._Release(p);
        }
        EXPECT_TRUE(HashTableInvariants(tab.rBase())) << c.pszChemin;
    }
}

// Random sets, look-ups and removals of keys spelled in random case, with the invariants checked
// after every operation and the values' counts checked at the end.
TEST_F(RefStringHashTableTest, RandomRunKeepsCountsAndShape) {
    std::vector<CFauxInterf*> valeurs;
    for (int i = 0; i < 4; i++) {
        valeurs.push_back(new CFauxInterf("v"));
        valeurs.back()->m_nRef = 1;
    }
    std::mt19937 gen(99);
    auto Cle = [&](int n) {
        std::wstring s = L"Clé-" + std::to_wstring(n);
        for (wchar_t& c : s)
            if (gen() % 2) c = (c == L'é') ? L'É' : static_cast<wchar_t>(towupper(c));
        return s;
    };
    {
        CTable tab;
        std::map<int, int> modele;  // key number -> value index
        for (int i = 0; i < 1500; i++) {
            int n = static_cast<int>(gen() % 120), v = static_cast<int>(gen() % 4);
            int nOp = static_cast<int>(gen() % 10);
            std::wstring s = Cle(n);
            if (nOp < 5) {
                ASSERT_TRUE(tab.bSet(s.c_str(), valeurs[v]));
                modele[n] = v;
            } else if (nOp < 8) {
                ASSERT_EQ(tab.bRemove(s.c_str()) != 0, modele.erase(n) == 1);
            } else {
                CFauxInterf* p = nullptr;
                ASSERT_EQ(tab.bGet(s.c_str(), &p) != 0, modele.count(n) == 1);
                if (p != nullptr) {
                    ASSERT_EQ(p, valeurs[modele[n]]);
                    tab._Release(p);
                }
            }
            ASSERT_EQ(tab.dwGetNumElement(), modele.size());
            ASSERT_TRUE(HashTableInvariants(tab.rBase())) << i;
        }
        std::vector<uint32_t> attendus(4, 1);
        for (auto [n, v] : modele) attendus[v]++;
        for (int v = 0; v < 4; v++) EXPECT_EQ(valeurs[v]->m_nRef, attendus[v]) << v;
    }
    for (CFauxInterf* p : valeurs) {
        EXPECT_EQ(p->m_nRef, 1u);
        delete p;
    }
}

}  // namespace
