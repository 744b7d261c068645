// The bounce hash table on integer key words: sizes by level, growth keeping slots, shrinking
// thresholds, slot reuse, duplicates, walks (with removal, nested, abandoned, with growth),
// DeleteAll and the entry-number setters; then a long random run against a model with the
// invariants checked after every operation.
#include "core/HashTableBounce.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <random>
#include <set>
#include <vector>

#include "tests/core/HashTableInvariants.h"
#include "tests/core/VirtualSlot.h"

namespace {

void* K(intptr_t n) {
    return reinterpret_cast<void*>(n);
}
intptr_t N(const void* p) {
    return reinterpret_cast<intptr_t>(p);
}

int CompareMot(const void* a, const void* b) {
    return a != b;
}
unsigned int HashMot(const void* p) {
    return static_cast<unsigned int>(reinterpret_cast<uintptr_t>(p));
}
// Three buckets at most whatever the prime: long chains with entries of every position.
unsigned int HashPauvre(const void* p) {
    return static_cast<unsigned int>(reinterpret_cast<uintptr_t>(p) % 3);
}

class CTable : public CHashTableBounce {
public:
    explicit CTable(unsigned int n = 7, PFNHASHVAL pfHash = HashMot) : CHashTableBounce(n) {
        SetCmp(CompareMot);
        SetHashVal(pfHash);
    }
    // Slot of the entry holding a key, -1 when none.
    int nSlot(intptr_t n) const {
        for (unsigned int s = 0; s < m_dwTailleTableau; s++)
            if (m_pstElement[s].dwPrevious != ELEMENT_LIBRE && N(m_pstElement[s].pKey) == n) return static_cast<int>(s);
        return -1;
    }
    void Ajoute(intptr_t nDebut, intptr_t nFin) {
        for (intptr_t n = nDebut; n < nFin; n++) ASSERT_TRUE(bAddElement(K(n), K(n * 10)));
    }
    bool bSupprime(intptr_t n) { return bDeleteElement(K(n), nullptr, nullptr) != 0; }
};

TEST(HashTableBounceTest, InitialSizeByLevel) {
    struct Case {
        unsigned int n, nLevel, nCapacity, nBuckets;
    } cases[] = {{0, 0, 8, 17},  {1, 0, 8, 17},   {7, 0, 8, 17},   {8, 0, 8, 17},
                 {9, 1, 26, 53}, {26, 1, 26, 53}, {27, 2, 48, 97}, {1000, 7, 1539, 3079}};
    for (const Case& c : cases) {
        CTable cl(c.n);
        EXPECT_EQ(cl.dwGetLevel(), c.nLevel) << c.n;
        EXPECT_EQ(cl.dwGetCapacity(), c.nCapacity) << c.n;
        EXPECT_EQ(cl.dwGetNbHash(), c.nBuckets) << c.n;
        EXPECT_TRUE(HashTableInvariants(cl));
    }
    EXPECT_EQ(CHashTableBounce::g__ToutPretToutChaud[28], 4294967291u);
    EXPECT_EQ(CHashTableBounce::g__ToutPretToutChaud[28] / 2, 2147483645u);
}

TEST(HashTableBounceTest, GrowthKeepsEverySlot) {
    CTable cl;
    cl.Ajoute(100, 108);
    for (int i = 0; i < 8; i++) EXPECT_EQ(cl.nSlot(100 + i), i);
    EXPECT_EQ(cl.dwGetFreeHead(), 0u);
    ASSERT_TRUE(cl.bAddElement(K(108), K(1080)));
    EXPECT_EQ(cl.dwGetLevel(), 1u);
    EXPECT_EQ(cl.dwGetCapacity(), 26u);
    EXPECT_EQ(cl.dwGetNbHash(), 53u);
    for (int i = 0; i < 9; i++) EXPECT_EQ(cl.nSlot(100 + i), i);
    EXPECT_TRUE(HashTableInvariants(cl));
    for (int i = 0; i < 9; i++) {
        void* pValue = nullptr;
        ASSERT_TRUE(cl.bGetElement(K(100 + i), &pValue, nullptr));
        EXPECT_EQ(N(pValue), (100 + i) * 10);
    }
}

// The level reached by filling a table with n keys and then removing keys down to each count.
TEST(HashTableBounceTest, ShrinkThresholds) {
    struct Case {
        int nAjouts;
        int nLevelPlein;
        std::vector<std::pair<int, unsigned int>> apresRetrait;  // (count left, level expected)
    } cases[] = {
        // Level 1: shrinks only below 17 / 4 = 4, straight to level 0.
        {13, 1, {{12, 1}, {4, 1}, {3, 0}}},
        // Level 3: below 97 / 4 = 24, then down while below the lower capacities (26, then not 8).
        {49, 3, {{24, 3}, {23, 1}, {4, 1}, {3, 0}}},
        // Level 5 (prime 769): below 389 / 4 = 97; then 96 < 193 / 2 = 96 is false: stops at 4.
        {300, 5, {{97, 5}, {96, 4}}},
    };
    for (const Case& c : cases) {
        CTable cl;
        cl.Ajoute(0, c.nAjouts);
        ASSERT_EQ(cl.dwGetLevel(), static_cast<unsigned int>(c.nLevelPlein)) << c.nAjouts;
        int nCount = c.nAjouts;
        for (auto [nReste, nLevel] : c.apresRetrait) {
            while (nCount > nReste) {
                ASSERT_TRUE(cl.bSupprime(--nCount));
                ASSERT_TRUE(HashTableInvariants(cl));
            }
            EXPECT_EQ(cl.dwGetLevel(), nLevel) << c.nAjouts << " keys, " << nReste << " left";
        }
        // Every key left is still found after the compaction and rehash.
        for (int n = 0; n < nCount; n++) EXPECT_TRUE(cl.bGetElement(K(n), nullptr, nullptr)) << n;
        EXPECT_FALSE(cl.bGetElement(K(nCount), nullptr, nullptr));
    }
}

TEST(HashTableBounceTest, CompactionAndFreeListOrder) {
    // 13 keys at level 1, then removing 10 of them (the low slots first) leaves keys in slots
    // 10..12 that the shrink to capacity 8 moves into the lowest free slots.
    CTable cl;
    cl.Ajoute(0, 13);
    for (int n = 0; n < 10; n++) ASSERT_TRUE(cl.bSupprime(n));
    ASSERT_EQ(cl.dwGetLevel(), 0u);
    EXPECT_EQ(cl.nSlot(12), 0);
    EXPECT_EQ(cl.nSlot(11), 1);
    EXPECT_EQ(cl.nSlot(10), 2);
    // Free slots below the capacity, highest first.
    EXPECT_EQ(cl.dwGetFreeHead(), 8u);
    cl.Ajoute(20, 25);
    for (int i = 0; i < 5; i++) EXPECT_EQ(cl.nSlot(20 + i), 7 - i);
    EXPECT_EQ(cl.dwGetFreeHead(), 0u);
    EXPECT_TRUE(HashTableInvariants(cl));
}

// A table whose heap refuses every growth and shrink.
class CTableRefusee : public CTable {
public:
    int __bGrow() override { return 0; }
    int __bReduce() override { return 0; }
};

TEST(HashTableBounceTest, RefusedGrowthAndShrink) {
    CTableRefusee cl;
    cl.Ajoute(0, 8);
    EXPECT_FALSE(cl.bAddElement(K(8), K(80)));
    EXPECT_EQ(cl.dwGetNumElement(), 8u);
    EXPECT_FALSE(cl.bGetElement(K(8), nullptr, nullptr));
    EXPECT_TRUE(HashTableInvariants(cl));

    // Removal succeeds whenever the entry went, whatever became of the shrink.
    CTableRefusee clGrand;
    clGrand.__Init(13, 1);
    clGrand.Ajoute(0, 13);
    ASSERT_EQ(clGrand.dwGetLevel(), 1u);
    for (int n = 12; n >= 0; n--) {
        void* pValue = nullptr;
        EXPECT_TRUE(clGrand.bDeleteElement(K(n), &pValue, nullptr)) << n;
        EXPECT_EQ(N(pValue), n * 10);
        ASSERT_TRUE(HashTableInvariants(clGrand));
    }
    EXPECT_EQ(clGrand.dwGetLevel(), 1u);
}

TEST(HashTableBounceTest, FreedSlotsAreReusedLastInFirstOut) {
    CTable cl;
    cl.Ajoute(0, 8);
    ASSERT_TRUE(cl.bSupprime(5));
    ASSERT_TRUE(cl.bSupprime(2));
    cl.Ajoute(50, 52);
    EXPECT_EQ(cl.nSlot(50), 2);
    EXPECT_EQ(cl.nSlot(51), 5);
    EXPECT_TRUE(HashTableInvariants(cl));
}

TEST(HashTableBounceTest, EqualKeysAreKeptNewestFirst) {
    CTable cl;
    ASSERT_TRUE(cl.bAddElement(K(4), K(1)));
    ASSERT_TRUE(cl.bAddElement(K(4), K(2)));
    EXPECT_EQ(cl.dwGetNumElement(), 2u);
    void *pValue = nullptr, *pKey = nullptr;
    ASSERT_TRUE(cl.bGetElement(K(4), &pValue, &pKey));
    EXPECT_EQ(N(pValue), 2);
    EXPECT_EQ(N(pKey), 4);
    ASSERT_TRUE(cl.bDeleteElement(K(4), &pValue, nullptr));
    EXPECT_EQ(N(pValue), 2);
    ASSERT_TRUE(cl.bGetElement(K(4), &pValue, nullptr));
    EXPECT_EQ(N(pValue), 1);
    EXPECT_TRUE(HashTableInvariants(cl));
}

TEST(HashTableBounceTest, AbsentKeysChangeNothing) {
    CTable cl;
    void* pValue = K(77);
    EXPECT_FALSE(cl.bGetElement(K(1), &pValue, nullptr));
    EXPECT_FALSE(cl.bDeleteElement(K(1), &pValue, nullptr));
    EXPECT_EQ(cl.pGetElement(K(1)), nullptr);
    EXPECT_EQ(N(pValue), 77);
    cl.Ajoute(0, 3);
    EXPECT_FALSE(cl.bDeleteElement(K(3), nullptr, nullptr));
    EXPECT_EQ(cl.dwGetNumElement(), 3u);

    void** ppValue = cl.pGetElement(K(1));
    ASSERT_NE(ppValue, nullptr);
    *ppValue = K(99);
    ASSERT_TRUE(cl.bGetElement(K(1), &pValue, nullptr));
    EXPECT_EQ(N(pValue), 99);
}

TEST(HashTableBounceTest, WalkGivesEveryEntryWithItsNumber) {
    CTable cl;
    cl.Ajoute(0, 8);
    ASSERT_TRUE(cl.bSupprime(3));
    unsigned int nCursor = 0;
    void *pValue = nullptr, *pKey = nullptr;
    std::vector<intptr_t> cles;
    while (cl.bParseTable(&nCursor, 0, &pValue, &pKey)) {
        EXPECT_EQ(cl.nSlot(N(pKey)) + 1, static_cast<int>(nCursor));
        EXPECT_EQ(N(pValue), N(pKey) * 10);
        cles.push_back(N(pKey));
        EXPECT_EQ(cl.nGetParseDepth(), 1);
    }
    EXPECT_EQ(cles, (std::vector<intptr_t>{0, 1, 2, 4, 5, 6, 7}));
    EXPECT_EQ(cl.nGetParseDepth(), 0);

    // The cursor addresses the entry for the setters.
    nCursor = 0;
    ASSERT_TRUE(cl.bParseTable(&nCursor, 0, nullptr, nullptr));
    void* pAncien = nullptr;
    EXPECT_TRUE(cl.bParseSetElement(nCursor, K(-1), &pAncien));
    EXPECT_EQ(N(pAncien), 0);
    EXPECT_TRUE(cl.bParseSetKey(nCursor, K(0), &pAncien));
    cl.StopParsing();
    ASSERT_TRUE(cl.bGetElement(K(0), &pValue, nullptr));
    EXPECT_EQ(N(pValue), -1);

    struct Case {
        unsigned int nEntry;
    } refus[] = {{0}, {cl.dwGetCapacity() + 1}, {4 /* slot 3, removed */}};
    for (const Case& c : refus) {
        EXPECT_FALSE(cl.bParseSetElement(c.nEntry, K(5), nullptr)) << c.nEntry;
        EXPECT_FALSE(cl.bParseSetKey(c.nEntry, K(5), nullptr)) << c.nEntry;
    }
    EXPECT_TRUE(HashTableInvariants(cl));
}

TEST(HashTableBounceTest, WalkWithRemovalNeverShrinks) {
    CTable cl;
    cl.Ajoute(0, 100);
    unsigned int nLevel = cl.dwGetLevel();
    unsigned int nCursor = 0;
    void* pKey = nullptr;
    std::set<intptr_t> vus;
    while (cl.bParseTable(&nCursor, 1, nullptr, &pKey)) {
        vus.insert(N(pKey));
        ASSERT_EQ(cl.dwGetLevel(), nLevel);
        ASSERT_TRUE(HashTableInvariants(cl));
    }
    EXPECT_EQ(vus.size(), 100u);
    EXPECT_EQ(cl.dwGetNumElement(), 0u);
    EXPECT_EQ(cl.nGetParseDepth(), 0);
    // An empty table is left as it is by DeleteAll.
    cl.DeleteAll(0);
    EXPECT_EQ(cl.dwGetLevel(), nLevel);
    // The next add reuses the last freed slot.
    cl.Ajoute(500, 501);
    EXPECT_EQ(cl.nSlot(500), static_cast<int>(nCursor) - 1);
    cl.DeleteAll(0);
    EXPECT_EQ(cl.dwGetLevel(), 0u);
    EXPECT_EQ(cl.dwGetNumElement(), 0u);
    EXPECT_TRUE(HashTableInvariants(cl));
    cl.Ajoute(0, 30);
    cl.DeleteAll(30);
    EXPECT_EQ(cl.dwGetLevel(), 2u);
}

TEST(HashTableBounceTest, UnfinishedAndNestedWalksHoldTheShape) {
    CTable cl;
    cl.Ajoute(0, 13);
    unsigned int nCursor1 = 0, nCursor2 = 0;
    ASSERT_TRUE(cl.bParseTable(&nCursor1, 0, nullptr, nullptr));
    ASSERT_TRUE(cl.bParseTable(&nCursor2, 0, nullptr, nullptr));
    EXPECT_EQ(cl.nGetParseDepth(), 2);
    for (int n = 12; n >= 2; n--) ASSERT_TRUE(cl.bSupprime(n));
    EXPECT_EQ(cl.dwGetLevel(), 1u);
    cl.StopParsing();
    ASSERT_TRUE(cl.bSupprime(1));
    EXPECT_EQ(cl.dwGetLevel(), 1u);
    cl.StopParsing();
    cl.StopParsing();  // a stray stop does not go below zero
    EXPECT_EQ(cl.nGetParseDepth(), 0);
    ASSERT_TRUE(cl.bAddElement(K(40), nullptr));
    ASSERT_TRUE(cl.bSupprime(40));
    EXPECT_EQ(cl.dwGetLevel(), 0u);
    EXPECT_TRUE(HashTableInvariants(cl));
}

TEST(HashTableBounceTest, WalkSurvivesGrowth) {
    CTable cl;
    cl.Ajoute(0, 8);
    unsigned int nCursor = 0;
    void* pKey = nullptr;
    std::multiset<intptr_t> vus;
    intptr_t nProchain = 1000;
    while (cl.bParseTable(&nCursor, 0, nullptr, &pKey)) {
        vus.insert(N(pKey));
        // Each visit adds two entries: the table grows twice during the walk.
        if (N(pKey) < 1000) cl.Ajoute(nProchain, nProchain + 2), nProchain += 2;
        ASSERT_TRUE(HashTableInvariants(cl));
    }
    EXPECT_EQ(cl.dwGetLevel(), 1u);
    for (intptr_t n = 0; n < 8; n++) EXPECT_EQ(vus.count(n), 1u) << n;
    // Added entries take the new slots after the cursor and are all seen too.
    EXPECT_EQ(vus.size(), 24u);
}

TEST(HashTableBounceTest, VirtualOrder) {
    using T = CHashTableBounce;
    // Slots 0 and 1: the destructor pair.
    struct Case {
        const char* pszNom;
        ptrdiff_t nSlot, nAttendu;
    } cases[] = {
        {"SetCmp", SlotOf(&T::SetCmp), 2},
        {"SetHashVal", SlotOf(&T::SetHashVal), 3},
        {"dwGetNumElement", SlotOf(&T::dwGetNumElement), 4},
        {"bAddElement", SlotOf(&T::bAddElement), 5},
        {"bDeleteElement", SlotOf(&T::bDeleteElement), 6},
        {"bGetElement", SlotOf(&T::bGetElement), 7},
        {"bParseTable", SlotOf(&T::bParseTable), 8},
        {"StopParsing", SlotOf(&T::StopParsing), 9},
        {"pGetElement", SlotOf(&T::pGetElement), 10},
        {"__bGrow", SlotOf(&T::__bGrow), 11},
        {"__bReduce", SlotOf(&T::__bReduce), 12},
        {"__RehashElement", SlotOf(&T::__RehashElement), 13},
        {"__Compact", SlotOf(&T::__Compact), 14},
        {"pfGetCmp", SlotOf(&T::pfGetCmp), 15},
        {"pfGetHashVal", SlotOf(&T::pfGetHashVal), 16},
        {"DeleteAll", SlotOf(&T::DeleteAll), 17},
        {"bParseSetElement", SlotOf(&T::bParseSetElement), 18},
        {"bParseSetKey", SlotOf(&T::bParseSetKey), 19},
    };
    for (const Case& c : cases) EXPECT_EQ(c.nSlot, c.nAttendu) << c.pszNom;
}

// Random adds, removals, look-ups and walks on long chains, against a model (one entry per key,
// as the typed tables keep them), with the invariants checked after every operation.
TEST(HashTableBounceTest, RandomRunAgainstAModel) {
    for (auto pfHash : {HashMot, HashPauvre}) {
        CTable cl(7, pfHash);
        std::map<intptr_t, intptr_t> modele;
        std::mt19937 gen(12345);
        intptr_t nValeur = 0;
        unsigned int nLevelMax = 0;
        for (int i = 0; i < 6000; i++) {
            nLevelMax = std::max(nLevelMax, cl.dwGetLevel());
            int nOp = static_cast<int>(gen() % 100);
            // Phases: mostly adds, then mostly removals, so the table climbs and descends.
            bool bRemplir = (i / 1500) % 2 == 0;
            intptr_t nCle = static_cast<intptr_t>(gen() % 600);
            auto it = modele.find(nCle);
            if (nOp < (bRemplir ? 60 : 25)) {
                if (it != modele.end()) continue;
                ASSERT_TRUE(cl.bAddElement(K(nCle), K(++nValeur)));
                modele[nCle] = nValeur;
            } else if (nOp < 95) {
                void* pValue = nullptr;
                ASSERT_EQ(cl.bDeleteElement(K(nCle), &pValue, nullptr) != 0, it != modele.end());
                if (it != modele.end()) {
                    ASSERT_EQ(N(pValue), it->second);
                    modele.erase(it);
                }
            } else if (nOp < 98) {
                void* pValue = nullptr;
                ASSERT_EQ(cl.bGetElement(K(nCle), &pValue, nullptr) != 0, it != modele.end());
                if (it != modele.end()) {
                    ASSERT_EQ(N(pValue), it->second);
                }
            } else if (nOp < 99) {
                // A walk during which every key of one residue class is removed by key; the table
                // keeps its shape meanwhile.
                unsigned int nCursor = 0, nLevel = cl.dwGetLevel();
                void *pKey = nullptr, *pValue = nullptr;
                while (cl.bParseTable(&nCursor, 0, nullptr, &pKey)) {
                    if (N(pKey) % 7 != nCle % 7) continue;
                    ASSERT_TRUE(cl.bDeleteElement(pKey, &pValue, nullptr));
                    ASSERT_EQ(N(pValue), modele[N(pKey)]);
                    modele.erase(N(pKey));
                    ASSERT_EQ(cl.dwGetLevel(), nLevel);
                }
            } else {
                // A walk with removal abandoned after a few entries.
                unsigned int nCursor = 0;
                void *pValue = nullptr, *pKey = nullptr;
                for (int k = 0; k < 5 && cl.bParseTable(&nCursor, 1, &pValue, &pKey); k++) {
                    ASSERT_EQ(modele.count(N(pKey)), 1u);
                    ASSERT_EQ(N(pValue), modele[N(pKey)]);
                    modele.erase(N(pKey));
                }
                if (cl.nGetParseDepth() > 0) cl.StopParsing();
                ASSERT_EQ(cl.nGetParseDepth(), 0);
            }
            ASSERT_EQ(cl.dwGetNumElement(), modele.size()) << "operation " << i;
            ASSERT_TRUE(HashTableInvariants(cl)) << "operation " << i;
        }
        EXPECT_GE(nLevelMax, 4u);
        // Draining it brings it back to the first level.
        for (auto [nCle, nVal] : modele) {
            ASSERT_TRUE(cl.bDeleteElement(K(nCle), nullptr, nullptr));
            ASSERT_TRUE(HashTableInvariants(cl));
        }
        EXPECT_EQ(cl.dwGetLevel(), 0u);
    }
}

}  // namespace
