// The reference-holding hash tables over integer, enumeration and pointer keys: one reference per
// stored value, one entry per key, releases on removal and destruction, and the member
// specialisation by which an instance brings its own release rule.
#include "core/RefHashTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "core/NARefHashTable.h"
#include "tests/core/HashTableInvariants.h"
#include "tests/core/RefCountFakes.h"

namespace {

// A row whose table-specific release is given by a member specialisation.
class CFauxTypeInfo {
public:
    virtual ~CFauxTypeInfo() { g_tabJournal.push_back("d:type"); }
    uint32_t m_nRef = 0;
};
enum eFAUXTYPE { FT_UN = 1, FT_DEUX = 2 };

}  // namespace

template <>
void CRefHashTable<eFAUXTYPE, CFauxTypeInfo*>::_AddRef(CFauxTypeInfo* p) const {
    if (p != nullptr) p->m_nRef++;
}
template <>
void CRefHashTable<eFAUXTYPE, CFauxTypeInfo*>::_Release(CFauxTypeInfo* p) const {
    if (p == nullptr || p->m_nRef == 0) return;
    g_tabJournal.push_back("r:type");
    if (--p->m_nRef == 0) delete p;
}

namespace {

// Reaches the table under a typed form, for the invariants.
template <typename T>
class CVue : public T {
public:
    using T::T;
    const CHashTableBounce& rBase() const { return *this; }
};

class RefHashTableTest : public testing::Test {
protected:
    void SetUp() override { g_tabJournal.clear(); }
};

TEST_F(RefHashTableTest, SetGetRemoveHoldOneReferencePerEntry) {
    CFauxInterf* a = new CFauxInterf("a");
    CFauxInterf* b = new CFauxInterf("b");
    {
        CVue<CRefHashTable<int, CFauxInterf*>> tab;
        ASSERT_TRUE(tab.bSet(1, a));
        ASSERT_TRUE(tab.bSet(-1, b));
        EXPECT_EQ(a->m_nRef, 1u);
        EXPECT_EQ(tab.dwGetNumElement(), 2u);

        CFauxInterf* p = nullptr;
        ASSERT_TRUE(tab.bGet(1, &p));
        EXPECT_EQ(p, a);
        EXPECT_EQ(a->m_nRef, 2u);  // the caller's reference
        tab._Release(p);
        EXPECT_FALSE(tab.bGet(2, &p));
        EXPECT_EQ(p, nullptr);

        // Setting a key again keeps one entry and releases the replaced value.
        ASSERT_TRUE(tab.bSet(1, b));
        EXPECT_EQ(tab.dwGetNumElement(), 2u);
        EXPECT_EQ(b->m_nRef, 2u);
        EXPECT_EQ(g_tabJournal.back(), "d:a");
        // Storing a value over itself keeps it alive.
        ASSERT_TRUE(tab.bSet(1, b));
        EXPECT_EQ(b->m_nRef, 2u);

        EXPECT_TRUE(tab.bRemove(-1));
        EXPECT_FALSE(tab.bRemove(-1));
        EXPECT_EQ(b->m_nRef, 1u);
        EXPECT_TRUE(HashTableInvariants(tab.rBase()));
        g_tabJournal.clear();
    }
    // Destruction releases what is left, once.
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"r:b", "d:b"}));
}

TEST_F(RefHashTableTest, DestructionReleasesEveryValueOnce) {
    CFauxInterf statique("statique", true);
    {
        CRefHashTable<unsigned long, CFauxInterf*> tab;
        for (unsigned long n = 0; n < 40; n++) ASSERT_TRUE(tab.bSet(n, new CFauxInterf(std::to_string(n).c_str())));
        ASSERT_TRUE(tab.bSet(1000, &statique));
        ASSERT_TRUE(tab.bSet(1001, nullptr));  // a null value is stored and never released
        EXPECT_EQ(tab.dwGetLevel(), 2u);
    }
    int nReleases = 0, nDeletes = 0;
    for (const std::string& s : g_tabJournal) (s[0] == 'r' ? nReleases : nDeletes)++;
    EXPECT_EQ(nReleases, 41);
    EXPECT_EQ(nDeletes, 40);
    EXPECT_EQ(statique.m_nRef, 0u);
}

TEST_F(RefHashTableTest, KeysCompareByTheirWholeWord) {
    // Keys equal in their low 32 bits share a bucket but stay distinct entries.
    CVue<CNARefHashTable<unsigned long, CFauxInterf*>> tab;
    CFauxInterf* a = new CFauxInterf("a");
    CFauxInterf* b = new CFauxInterf("b");
    const unsigned long nHaut = 0x100000000ul;
    ASSERT_TRUE(tab.bSet(5, a));
    ASSERT_TRUE(tab.bSet(5 + nHaut, b));
    EXPECT_EQ(tab.dwGetNumElement(), 2u);
    CFauxInterf* p = nullptr;
    ASSERT_TRUE(tab.bGet(5 + nHaut, &p));
    EXPECT_EQ(p, b);
    tab._Release(p);
    unsigned int nCursor = 0;
    unsigned long nCle = 0;
    std::vector<unsigned long> cles;
    while (tab.bParse(&nCursor, &p, &nCle)) cles.push_back(nCle);
    EXPECT_EQ(cles, (std::vector<unsigned long>{5, 5 + nHaut}));
    using tTable = CRefHashTable<int, CFauxInterf*>;
    EXPECT_EQ(tTable::_dwHTBDefaultHashVal(reinterpret_cast<void*>(5 + nHaut)), 5u);
    EXPECT_TRUE(HashTableInvariants(tab.rBase()));
}

TEST_F(RefHashTableTest, PointerKeysAndRemoveAll) {
    CVue<CNARefHashTable<CFauxInterf*, CFauxInterf*>> tab;
    std::vector<CFauxInterf*> valeurs;
    for (int i = 0; i < 30; i++) {
        valeurs.push_back(new CFauxInterf(std::to_string(i).c_str()));
        ASSERT_TRUE(tab.bSet(valeurs.back(), valeurs.back()));
    }
    CFauxInterf* p = nullptr;
    ASSERT_TRUE(tab.bGet(valeurs[17], &p));
    EXPECT_EQ(p, valeurs[17]);
    tab._Release(p);
    EXPECT_EQ(tab.dwGetLevel(), 2u);
    tab.RemoveAll();
    EXPECT_EQ(tab.dwGetNumElement(), 0u);
    EXPECT_EQ(tab.dwGetLevel(), 0u);
    EXPECT_EQ(std::count(g_tabJournal.begin(), g_tabJournal.end(), "d:17"), 1);
    EXPECT_TRUE(HashTableInvariants(tab.rBase()));
}

TEST_F(RefHashTableTest, RawOperationsLeaveReferencesToTheCaller) {
    // The driver's pattern: the caller takes the reference, adds raw, removes raw and releases.
    CNARefHashTable<int, CFauxInterf*> tab;
    CFauxInterf* a = new CFauxInterf("a");
    tab._AddRef(a);
    ASSERT_TRUE(tab.bAddElement(CRefHashTable<int, CFauxInterf*>::_pvCle(3), a));
    void* pValue = nullptr;
    ASSERT_TRUE(tab.bDeleteElement(CRefHashTable<int, CFauxInterf*>::_pvCle(3), &pValue, nullptr));
    EXPECT_EQ(a->m_nRef, 1u);
    tab._Release(static_cast<CFauxInterf*>(pValue));
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"r:a", "d:a"}));
}

// The typed layer when the heap refuses: a refused add keeps no reference, and a removal whose
// shrink was refused still gives its value back.
TEST_F(RefHashTableTest, RefusalsKeepTheCountsRight) {
    class CTableRefusee : public CRefHashTable<int, CFauxInterf*> {
    public:
        bool m_bRefuse = false;
        int __bGrow() override { return m_bRefuse ? 0 : CHashTableBounce::__bGrow(); }
        int __bReduce() override { return m_bRefuse ? 0 : CHashTableBounce::__bReduce(); }
    };
    CTableRefusee tab;
    for (int n = 0; n < 13; n++) ASSERT_TRUE(tab.bSet(n, new CFauxInterf(std::to_string(n).c_str())));
    tab.m_bRefuse = true;
    for (int n = 12; n >= 2; n--) ASSERT_TRUE(tab.bRemove(n));
    EXPECT_EQ(tab.dwGetLevel(), 1u);
    EXPECT_EQ(std::count(g_tabJournal.begin(), g_tabJournal.end(), "d:12"), 1);
    for (int n = 20; n < 44; n++) ASSERT_TRUE(tab.bSet(n, new CFauxInterf("x")));  // fills level 1
    g_tabJournal.clear();
    CFauxInterf* pRefusee = new CFauxInterf("refusee");
    EXPECT_FALSE(tab.bSet(99, pRefusee));
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"r:refusee", "d:refusee"}));
    EXPECT_EQ(tab.dwGetNumElement(), 26u);
}

TEST_F(RefHashTableTest, MemberSpecialisationServesTheTypeMap) {
    CFauxTypeInfo* pType = new CFauxTypeInfo;
    {
        CNARefHashTable<eFAUXTYPE, CFauxTypeInfo*> carte;
        ASSERT_TRUE(carte.bSet(FT_UN, pType));
        ASSERT_TRUE(carte.bSet(FT_DEUX, pType));
        EXPECT_EQ(pType->m_nRef, 2u);
        ASSERT_TRUE(carte.bSet(FT_DEUX, nullptr));
        EXPECT_EQ(pType->m_nRef, 1u);
        eFAUXTYPE eCle = FT_DEUX;
        unsigned int nCursor = 0;
        std::vector<int> cles;
        while (carte.bParse(&nCursor, nullptr, &eCle)) cles.push_back(eCle);
        EXPECT_EQ(cles.size(), 2u);
    }
    EXPECT_EQ(g_tabJournal, (std::vector<std::string>{"r:type", "r:type", "d:type"}));
}

}  // namespace
