// Seeded random runs of the B+-tree against an ordered set of (key, value) pairs: insertions,
// pair and whole-key deletions, deletions under the cursor, ranks, moves by records and by keys
// with every flag combination, searches from above and below, pair searches, and the count of
// records before the cursor. After every operation the invariants are checked and the cursor
// must still be on its pair (or, when its pair went, on the next one). Heavy duplicates drive
// keys through every bucket class and into nested trees, at orders 2, 3 and 32.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <iterator>
#include <optional>
#include <random>
#include <set>

#include "tests/statement/MemBTreeInvariants.h"

namespace {

using btreetest::Bytes;
using btreetest::Number;
using Pair = std::pair<uint64_t, uint64_t>;

struct Geometry {
    int nOrder;
    unsigned nKeySize;
    unsigned nValueSize;
    uint32_t nSeed;
    int nSteps;  // per phase
};
void PrintTo(const Geometry& g, std::ostream* pos) {
    *pos << "order " << g.nOrder << ", key " << g.nKeySize << ", value " << g.nValueSize << ", seed " << g.nSeed;
}

class CHarness {
public:
    explicit CHarness(const Geometry& g)
        : m_g(g),
          m_rng(g.nSeed),
          m_nSpread((g.nKeySize >= 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * g.nKeySize)) - 1) / 3002) {
        EXPECT_TRUE(m_clTree.bInit(g.nKeySize, g.nValueSize, memcmp, memcmp, g.nOrder));
    }

    // The pair under the tree's cursor; nullopt at the end position.
    std::optional<Pair> CursorPair() const {
        const void* pKey = m_clTree.pReadKey();
        if (pKey == nullptr) return std::nullopt;
        uint64_t nValue = m_g.nValueSize == 0 ? 0 : Number(m_clTree.pReadValue(), m_g.nValueSize);
        return Pair{Number(pKey, m_g.nKeySize), nValue};
    }
    size_t Index(const std::optional<Pair>& p) const {
        return p ? static_cast<size_t>(std::distance(m_set.begin(), m_set.find(*p))) : m_set.size();
    }
    std::optional<Pair> At(size_t i) const {
        if (i >= m_set.size()) return std::nullopt;
        return *std::next(m_set.begin(), static_cast<long>(i));
    }
    std::vector<uint64_t> Keys() const {
        std::vector<uint64_t> v;
        for (const Pair& p : m_set)
            if (v.empty() || v.back() != p.first) v.push_back(p.first);
        return v;
    }
    std::optional<Pair> FirstOfKey(uint64_t nKey) const {
        auto it = m_set.lower_bound({nKey, 0});
        return it == m_set.end() ? std::nullopt : std::optional<Pair>(*it);
    }
    std::optional<Pair> From(std::set<Pair>::const_iterator it) const {
        return it == m_set.end() ? std::nullopt : std::optional<Pair>(*it);
    }

    // Half the pairs on four hot keys with hundreds of values each, half spread over many keys.
    Pair RandomPair() {
        if (m_rng() % 2 == 0) return {m_rng() % 4 * 700 * m_nSpread, m_rng() % 400};
        return {m_rng() % 3000 * m_nSpread, m_g.nValueSize == 0 ? 0 : m_rng() % 4};
    }
    Pair ExistingOrRandomPair() {
        if (!m_set.empty() && m_rng() % 4 != 0) return *std::next(m_set.begin(), static_cast<long>(m_rng() % m_set.size()));
        Pair p = RandomPair();
        if (m_g.nValueSize == 0) p.second = 0;
        return p;
    }

    void Step(bool bGrowing) {
        unsigned nOp = m_rng() % 100;
        std::optional<Pair> stBefore = CursorPair();
        std::optional<Pair> stExpected = stBefore;
        if (m_clTree.nGetNumRecord() == 0) stExpected.reset();

        if (nOp < (bGrowing ? 50u : 15u)) {
            Pair p = RandomPair();
            if (m_g.nValueSize == 0) p.second = 0;
            auto k = Bytes(p.first, m_g.nKeySize), v = Bytes(p.second, m_g.nValueSize);
            bool bExpected = m_set.count(p) == 0;
            ASSERT_EQ(m_clTree.bInsert(k.data(), v.data()), bExpected) << "insert " << p.first << "," << p.second;
            bool bWasEmpty = m_set.empty();
            if (bExpected) m_set.insert(p);
            if (bWasEmpty && bExpected) stExpected.reset();
        } else if (nOp < 58) {
            Pair p = ExistingOrRandomPair();
            auto k = Bytes(p.first, m_g.nKeySize), v = Bytes(p.second, m_g.nValueSize);
            bool bExpected = m_set.count(p) != 0;
            ASSERT_EQ(m_clTree.bDelete(k.data(), m_g.nValueSize == 0 ? nullptr : v.data()), bExpected)
                << "delete " << p.first << "," << p.second;
            if (bExpected) {
                auto it = m_set.erase(m_set.find(p));
                if (stBefore == p) stExpected = From(it);
            }
        } else if (nOp < (bGrowing ? 60u : 66u)) {
            Pair p = ExistingOrRandomPair();
            auto k = Bytes(p.first, m_g.nKeySize);
            bool bExpected = FirstOfKey(p.first) && FirstOfKey(p.first)->first == p.first;
            ASSERT_EQ(m_clTree.bDelete(k.data(), nullptr), bExpected) << "delete key " << p.first;
            if (bExpected) {
                auto it = m_set.erase(m_set.lower_bound({p.first, 0}), m_set.lower_bound({p.first + 1, 0}));
                if (stBefore && stBefore->first == p.first) stExpected = From(it);
            }
        } else if (nOp < 62 || (!bGrowing && nOp < 68)) {
            bool bExpected = stBefore.has_value();
            ASSERT_EQ(m_clTree.bDeleteCurrentRecord(), bExpected);
            if (bExpected) stExpected = From(m_set.erase(m_set.find(*stBefore)));
        } else if (nOp < 74) {
            int nRank = static_cast<int>(m_rng() % (m_set.size() + 3)) - 1;
            m_clTree.MoveTo(nRank);
            if (!m_set.empty()) stExpected = At(nRank < 0 ? 0 : static_cast<size_t>(nRank));
        } else if (nOp < 86) {
            ASSERT_NO_FATAL_FAILURE(Advance(&stExpected));
        } else if (nOp < 92) {
            ASSERT_NO_FATAL_FAILURE(Search(&stExpected));
        } else {
            Pair p = ExistingOrRandomPair();
            if (m_rng() % 3 == 0) p.second = m_rng() % 400;
            if (m_g.nValueSize == 0) p.second = 0;
            auto k = Bytes(p.first, m_g.nKeySize), v = Bytes(p.second, m_g.nValueSize);
            bool bExpected = m_set.count(p) != 0;
            ASSERT_EQ(m_clTree.bFindRecord(k.data(), v.data()), bExpected) << "find " << p.first << "," << p.second;
            if (!m_set.empty()) {
                // A key with one value puts the cursor on that value, whatever the value searched;
                // otherwise the cursor stands where the pair is or would be.
                auto itKey = m_set.lower_bound({p.first, 0});
                auto itNextKey = m_set.lower_bound({p.first + 1, 0});
                stExpected = From(itKey != itNextKey && std::next(itKey) == itNextKey ? itKey : m_set.lower_bound(p));
            }
        }
        ASSERT_TRUE(btreetest::TreeInvariants(m_clTree)) << "after operation " << nOp;
        ASSERT_EQ(m_clTree.nGetNumRecord(), static_cast<int>(m_set.size()));
        ASSERT_EQ(static_cast<int>(Keys().size()), m_clTree.nGetNumKeys());
        if (!m_set.empty()) {
            ASSERT_EQ(CursorPair(), stExpected) << "cursor after operation " << nOp;
            // Records before the cursor, by the walk that cannot succeed.
            int nMoved = 1;
            ASSERT_FALSE(m_clTree.bAdvance(-2147483647, &nMoved, 0));
            ASSERT_EQ(nMoved, -static_cast<int>(Index(stExpected)));
            ASSERT_EQ(CursorPair(), stExpected);
            long nDup = 0;
            if (stExpected)
                nDup = std::distance(m_set.lower_bound({stExpected->first, 0}), m_set.lower_bound({stExpected->first + 1, 0}));
            ASSERT_EQ(m_clTree.nNumDuplicates(), nDup);
        }
        if (m_rng() % 200 == 0) {
            ASSERT_EQ(btreetest::Records(m_clTree), std::vector<Pair>(m_set.begin(), m_set.end()));
        }
    }

    void Advance(std::optional<Pair>* pstExpected) {
        static const int tabnSteps[] = {0, 1, -1, 2, -2, 3, 7, -7, 40, -40, 300, -300, 5000, -5000, INT_MAX, -2147483647};
        int n = tabnSteps[m_rng() % (sizeof tabnSteps / sizeof tabnSteps[0])];
        int nFlags = static_cast<int>(m_rng() % 8);
        std::optional<Pair> stBefore = CursorPair();
        bool bEndOk = (nFlags & CMemBTree::ADVANCE_END) != 0;
        int64_t nExpectedMoved;
        std::optional<Pair> stTarget;
        if (nFlags & CMemBTree::ADVANCE_BY_KEY) {
            std::vector<uint64_t> keys = Keys();
            int64_t nK = static_cast<int64_t>(keys.size());
            int64_t ki = stBefore ? std::lower_bound(keys.begin(), keys.end(), stBefore->first) - keys.begin() : nK;
            int64_t nTargetKey;
            if (n == 0) {
                nExpectedMoved = 0;
                nTargetKey = ki;
            } else if (n > 0) {
                if (ki == nK) {
                    nExpectedMoved = 0;
                    nTargetKey = ki;
                } else if (ki + n < nK) {
                    nExpectedMoved = n;
                    nTargetKey = ki + n;
                } else if (bEndOk) {
                    nExpectedMoved = nK - ki;
                    nTargetKey = nK;
                } else {
                    nExpectedMoved = nK - ki - 1;
                    nTargetKey = nK - 1;
                }
            } else if (ki + n >= 0) {
                nExpectedMoved = n;
                nTargetKey = ki + n;
            } else {
                nExpectedMoved = -ki;
                nTargetKey = 0;
            }
            stTarget = nTargetKey < nK ? FirstOfKey(keys[static_cast<size_t>(nTargetKey)]) : std::nullopt;
        } else {
            int64_t nN = static_cast<int64_t>(m_set.size());
            int64_t i = static_cast<int64_t>(Index(stBefore));
            int64_t nTargetIndex;
            if (n == 0) {
                nExpectedMoved = 0;
                nTargetIndex = i;
            } else if (n > 0) {
                if (i == nN) {
                    nExpectedMoved = 0;
                    nTargetIndex = i;
                } else if (i + n < nN) {
                    nExpectedMoved = n;
                    nTargetIndex = i + n;
                } else if (bEndOk) {
                    nExpectedMoved = nN - i;
                    nTargetIndex = nN;
                } else {
                    nExpectedMoved = nN - i - 1;
                    nTargetIndex = nN - 1;
                }
            } else if (i + n >= 0) {
                nExpectedMoved = n;
                nTargetIndex = i + n;
            } else {
                nExpectedMoved = -i;
                nTargetIndex = 0;
            }
            stTarget = At(static_cast<size_t>(nTargetIndex));
        }
        bool bExpected;
        if (n == 0)
            bExpected = bEndOk || stBefore.has_value();
        else
            bExpected = nExpectedMoved == n || ((nFlags & CMemBTree::ADVANCE_PARTIAL) != 0 && nExpectedMoved != 0);
        if (m_set.empty()) {
            bExpected = false;
            nExpectedMoved = 0;
        }
        int nMoved = 12345;
        ASSERT_EQ(m_clTree.bAdvance(n, &nMoved, nFlags), bExpected) << "advance " << n << " flags " << nFlags;
        ASSERT_EQ(nMoved, nExpectedMoved) << "advance " << n << " flags " << nFlags;
        if (bExpected && n != 0) *pstExpected = stTarget;
    }

    void Search(std::optional<Pair>* pstExpected) {
        // A key of the tree, or one that may lie between two keys.
        uint64_t nKey = m_rng() % 3 == 0 ? ExistingOrRandomPair().first : m_rng() % 3001 * m_nSpread + m_rng() % 2;
        int nFlags = static_cast<int>(m_rng() % 4);
        auto k = Bytes(nKey, m_g.nKeySize);
        void* pValue = m_clTree.pSearch(k.data(), nFlags);
        std::optional<Pair> stTarget;
        bool bExactKey = FirstOfKey(nKey) && FirstOfKey(nKey)->first == nKey;
        if ((nFlags & CMemBTree::SEARCH_EXACT) && !bExactKey) {
            stTarget.reset();
        } else if (nFlags & CMemBTree::SEARCH_FROM_ABOVE) {
            auto it = m_set.lower_bound({nKey + 1, 0});
            if (it != m_set.begin()) stTarget = *std::prev(it);
        } else {
            stTarget = FirstOfKey(nKey);
        }
        if (stTarget) *pstExpected = stTarget;
        if (m_g.nValueSize == 0 || !stTarget) {
            ASSERT_EQ(pValue, nullptr);
        } else {
            ASSERT_NE(pValue, nullptr);
            ASSERT_EQ(Number(pValue, m_g.nValueSize), stTarget->second);
        }
    }

    const Geometry m_g;
    std::mt19937 m_rng;
    uint64_t m_nSpread;  // keys are multiples of it, spread over all their bytes
    CMemBTree m_clTree;
    std::set<Pair> m_set;
};

class MemBTreeRandomTest : public testing::TestWithParam<Geometry> {};

TEST_P(MemBTreeRandomTest, AgreesWithAnOrderedSet) {
    CHarness h(GetParam());
    // Grow, shrink to nothing, grow again: roots come and go, buckets climb and fall.
    for (int nPhase = 0; nPhase < 4; nPhase++) {
        bool bGrowing = nPhase % 2 == 0;
        for (int i = 0; i < GetParam().nSteps; i++) {
            ASSERT_NO_FATAL_FAILURE(h.Step(bGrowing)) << "phase " << nPhase << " step " << i;
            if (!bGrowing && h.m_set.empty()) break;
        }
        if (!bGrowing) {
            while (!h.m_set.empty()) {
                Pair p = *h.m_set.begin();
                auto k = Bytes(p.first, h.m_g.nKeySize);
                ASSERT_TRUE(h.m_clTree.bDelete(k.data(), nullptr));
                h.m_set.erase(h.m_set.lower_bound({p.first, 0}), h.m_set.lower_bound({p.first + 1, 0}));
                ASSERT_TRUE(btreetest::TreeInvariants(h.m_clTree));
            }
            ASSERT_EQ(h.m_clTree.pclGetRoot(), nullptr);
        }
    }
    EXPECT_EQ(btreetest::Records(h.m_clTree), std::vector<Pair>(h.m_set.begin(), h.m_set.end()));
}

INSTANTIATE_TEST_SUITE_P(Orders, MemBTreeRandomTest,
                         testing::Values(Geometry{2, 4, 4, 11, 4000}, Geometry{3, 4, 4, 12, 4000}, Geometry{32, 4, 4, 13, 12000},
                                         // odd key size, values narrower than a pointer
                                         Geometry{3, 3, 2, 14, 4000},
                                         // odd key size, values wider than a pointer
                                         Geometry{32, 11, 12, 15, 12000},
                                         // keys only
                                         Geometry{5, 8, 0, 16, 4000}),
                         [](const testing::TestParamInfo<Geometry>& info) {
                             return "Order" + std::to_string(info.param.nOrder) + "Key" +
                                    std::to_string(info.param.nKeySize) + "Value" + std::to_string(info.param.nValueSize);
                         });

}  // namespace
