// Test helpers for the in-memory B+-tree: a check of every structural invariant (kinds, key
// order, separators equal to the first key of their right subtree, record counts, leaf links,
// fill, equal depth, buckets and their classes, nested trees, the cursor, and the pools' live
// objects against the nodes and buckets reachable), run after every operation; the records in
// order; keys and values as big-endian integers, so that memcmp orders them as numbers.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <utility>
#include <vector>

#include "native/statement/MemBTree.h"
#include "native/statement/MemBucket.h"
#include "native/statement/MemDataNode.h"
#include "native/statement/MemIndexNode.h"

namespace btreetest {

// A number as nSize big-endian bytes (the low bytes of the number when nSize < 8).
inline std::vector<unsigned char> Bytes(uint64_t n, unsigned nSize) {
    std::vector<unsigned char> v(nSize, 0);
    for (unsigned i = 0; i < nSize && i < 8; i++) v[nSize - 1 - i] = static_cast<unsigned char>(n >> (8 * i));
    return v;
}
inline uint64_t Number(const void* p, unsigned nSize) {
    const auto* pby = static_cast<const unsigned char*>(p);
    uint64_t n = 0;
    for (unsigned i = nSize > 8 ? nSize - 8 : 0; i < nSize; i++) n = (n << 8) | pby[i];
    return n;
}

struct CTreeCensus {
    unsigned nIndexNodes = 0;
    unsigned nLeaves = 0;
    unsigned tabnBuckets[CMemBTree::BUCKET_CLASSES] = {};
};

class CInvariantChecker {
public:
    // bStrictFill: inner nodes other than the root hold at least the minimum fill (a bulk load
    // can leave them below it), and buckets hold at least the shrink threshold of their class
    // in values (a refused allocation can leave one in the class above).
    CInvariantChecker(const CMemBTree& clTree, bool bStrictFill) : m_clTree(clTree), m_bStrictFill(bStrictFill) {}

    testing::AssertionResult Check() {
        const CMemBTree& t = m_clTree;
        const CMemBTree::CIterator& it = t.GetCursor();
        if (it.m_pclTree != &t) return Fail() << "cursor of another tree";
        CMemIndexNode* pclRoot = t.pclGetRoot();
        if (pclRoot == nullptr) {
            if (t.nGetNumKeys() != 0) return Fail() << "empty tree with " << t.nGetNumKeys() << " keys";
            if (it.m_pclLeaf != nullptr) return Fail() << "cursor positioned in an empty tree";
            if (t.nGetNumRecord() != 0) return Fail() << "records in an empty tree";
            return Pools();
        }
        if (pclRoot->nGetKind() != CMemNode::NODE_ROOT) return Fail() << "root kind " << pclRoot->nGetKind();
        if (pclRoot->nGetKeyCount() == 0 && !pclRoot->pclGetChild(&t, 0)->bIsData())
            return Fail() << "root without separator over an inner node";
        int nLeafDepth = -1;
        unsigned nRecords = 0;
        if (auto r = Node(pclRoot, 0, &nLeafDepth, &nRecords); !r) return r;
        if (nRecords != static_cast<unsigned>(t.nGetNumRecord())) return Fail() << "record count of the root";
        if (m_nKeys != t.nGetNumKeys()) return Fail() << m_nKeys << " keys in the leaves, " << t.nGetNumKeys() << " counted";
        // Leaf links follow the order of the tree.
        for (size_t i = 0; i < m_tabpclLeaves.size(); i++) {
            const CMemDataNode* pcl = m_tabpclLeaves[i];
            if (pcl->pclGetPrevious() != (i == 0 ? nullptr : m_tabpclLeaves[i - 1])) return Fail() << "previous link of leaf " << i;
            if (pcl->pclGetNext() != (i + 1 == m_tabpclLeaves.size() ? nullptr : m_tabpclLeaves[i + 1]))
                return Fail() << "next link of leaf " << i;
        }
        if (auto r = Cursor(); !r) return r;
        return Pools();
    }

    CTreeCensus m_stCensus;

private:
    testing::AssertionResult Fail() { return testing::AssertionFailure() << (m_nNesting ? "nested tree: " : ""); }

    const unsigned char* FirstKey(const CMemNode* pcl) {
        while (!pcl->bIsData()) pcl = static_cast<const CMemIndexNode*>(pcl)->pclGetChild(&m_clTree, 0);
        return static_cast<const CMemDataNode*>(pcl)->pKey(&m_clTree, 0);
    }

    testing::AssertionResult Node(const CMemNode* pcl, int nDepth, int* pnLeafDepth, unsigned* pnRecords) {
        const CMemBTree& t = m_clTree;
        if (pcl->bIsData()) return Leaf(static_cast<const CMemDataNode*>(pcl), nDepth, pnLeafDepth, pnRecords);
        auto* pclIndex = static_cast<const CMemIndexNode*>(pcl);
        m_stCensus.nIndexNodes++;
        bool bRoot = nDepth == 0;
        if (!bRoot && pclIndex->nGetKind() != CMemNode::NODE_INDEX) return Fail() << "inner kind " << pclIndex->nGetKind();
        int n = pclIndex->nGetKeyCount();
        if (n < 0 || n > t.nGetOrder()) return Fail() << "inner node with " << n << " separators";
        if (!bRoot && n < 1) return Fail() << "inner node without separator";
        if (!bRoot && m_bStrictFill && n < t.nGetMinFill()) return Fail() << "inner node under-filled: " << n;
        unsigned nSum = 0;
        for (int i = 0; i <= n; i++) {
            const CMemNode* pclChild = pclIndex->pclGetChild(&t, i);
            if (i > 0 && memcmp(pclIndex->pSeparator(&t, i - 1), FirstKey(pclChild), t.nGetKeySize()) != 0)
                return Fail() << "separator " << i - 1 << " at depth " << nDepth << " is not the first key of its subtree ("
                              << Number(pclIndex->pSeparator(&t, i - 1), t.nGetKeySize()) << " vs "
                              << Number(FirstKey(pclChild), t.nGetKeySize()) << ")";
            unsigned nChild = 0;
            if (auto r = Node(pclChild, nDepth + 1, pnLeafDepth, &nChild); !r) return r;
            if (nChild != pclChild->nGetSubtreeRecords()) return Fail() << "record count of a child";
            nSum += nChild;
        }
        if (nSum != pclIndex->nGetRecordCount())
            return Fail() << "inner record count " << pclIndex->nGetRecordCount() << ", children hold " << nSum;
        *pnRecords = nSum;
        return testing::AssertionSuccess();
    }

    testing::AssertionResult Leaf(const CMemDataNode* pcl, int nDepth, int* pnLeafDepth, unsigned* pnRecords) {
        const CMemBTree& t = m_clTree;
        m_stCensus.nLeaves++;
        if (pcl->nGetKind() != CMemNode::NODE_DATA) return Fail() << "leaf kind";
        if (*pnLeafDepth < 0) *pnLeafDepth = nDepth;
        if (*pnLeafDepth != nDepth) return Fail() << "leaves at depths " << *pnLeafDepth << " and " << nDepth;
        int n = pcl->nGetKeyCount();
        bool bOnly = t.pclGetRoot()->nGetKeyCount() == 0;
        if (n < 1 || n > t.nGetOrder()) return Fail() << "leaf with " << n << " keys";
        if (!bOnly && n < t.nGetMinFill()) return Fail() << "leaf under-filled: " << n;
        unsigned nSum = 0;
        for (int i = 0; i < n; i++) {
            if (m_pbyLastKey != nullptr && t.nCompareKey(m_pbyLastKey, pcl->pKey(&t, i)) >= 0)
                return Fail() << "keys out of order at " << Number(pcl->pKey(&t, i), t.nGetKeySize());
            m_pbyLastKey = pcl->pKey(&t, i);
            m_nKeys++;
            if (!pcl->bHasBucket(&t, i)) {
                nSum++;
                continue;
            }
            const CMemBucket* pclBucket = pcl->pclGetBucket(&t, i);
            int nValues = 0;
            if (auto r = Bucket(pclBucket, &nValues); !r) return r;
            nSum += static_cast<unsigned>(nValues);
        }
        if (nSum != static_cast<unsigned>(pcl->nGetRecordCount()))
            return Fail() << "leaf record count " << pcl->nGetRecordCount() << ", keys hold " << nSum;
        *pnRecords = nSum;
        m_tabpclLeaves.push_back(pcl);
        return testing::AssertionSuccess();
    }

    testing::AssertionResult Bucket(const CMemBucket* pclBucket, int* pnValues) {
        const CMemBTree& t = m_clTree;
        int nClass = pclBucket->nGetClass();
        if (nClass < 0 || nClass >= CMemBTree::BUCKET_CLASSES) return Fail() << "bucket class " << nClass;
        m_stCensus.tabnBuckets[nClass]++;
        int n = pclBucket->nGetNumKey();
        *pnValues = n;
        if (pclBucket->bIsNested()) {
            const CMemBTree* pclNested = pclBucket->pclGetNestedTree();
            if (m_bStrictFill && n <= CMemBucket::NESTED_TO_VECTOR) return Fail() << "nested bucket of " << n << " values";
            if (n < 2) return Fail() << "nested bucket of " << n << " values";
            if (pclNested->nGetKeySize() != t.nGetValueSize() || pclNested->nGetValueSize() != 0 ||
                pclNested->nGetOrder() != t.nGetOrder() || pclNested->pfnGetCompareKey() != t.pfnGetCompareValue())
                return Fail() << "nested tree geometry";
            if (pclNested->nGetNumRecord() != n) return Fail() << "nested record count";
            CInvariantChecker clNested(*pclNested, m_bStrictFill);
            clNested.m_nNesting = m_nNesting + 1;
            if (auto r = clNested.Check(); !r) return r;
            return testing::AssertionSuccess();
        }
        const CMemBucket::STSizeThreshold& st = CMemBucket::mg_stTabSizeThreshold[nClass];
        int nLow = st.nShrink < 2 || !m_bStrictFill ? 2 : st.nShrink;
        if (n < nLow || n > st.nCapacity) return Fail() << n << " values in a class-" << nClass << " bucket";
        for (int i = 1; i < n; i++)
            if (t.pfnGetCompareValue()(pclBucket->pbyVectorValue(&t, i - 1), pclBucket->pbyVectorValue(&t, i),
                                       t.nGetValueSize()) >= 0)
                return Fail() << "bucket values out of order";
        return testing::AssertionSuccess();
    }

    testing::AssertionResult Cursor() {
        const CMemBTree& t = m_clTree;
        const CMemBTree::CIterator& it = t.GetCursor();
        const CMemDataNode* pclLeaf = it.m_pclLeaf;
        if (pclLeaf == nullptr) return Fail() << "no cursor position in a tree that has records";
        size_t iLeaf = 0;
        while (iLeaf < m_tabpclLeaves.size() && m_tabpclLeaves[iLeaf] != pclLeaf) iLeaf++;
        if (iLeaf == m_tabpclLeaves.size()) return Fail() << "cursor on a leaf outside the tree";
        int n = pclLeaf->nGetKeyCount();
        if (it.m_nKey < 0 || it.m_nKey > n) return Fail() << "cursor key index " << it.m_nKey;
        if (it.m_nKey == n) {
            if (pclLeaf->pclGetNext() != nullptr) return Fail() << "cursor past the keys of a leaf that is not the last";
            return testing::AssertionSuccess();
        }
        if (!pclLeaf->bHasBucket(&t, it.m_nKey)) return testing::AssertionSuccess();
        const CMemBucket* pclBucket = pclLeaf->pclGetBucket(&t, it.m_nKey);
        if (!pclBucket->bIsNested()) {
            if (it.m_pclBucketLeaf != nullptr) return Fail() << "nested leaf in the cursor of a vector bucket";
            if (it.m_nPosition < 0 || it.m_nPosition >= pclBucket->nGetNumKey())
                return Fail() << "cursor bucket position " << it.m_nPosition;
            return testing::AssertionSuccess();
        }
        const CMemBTree* pclNested = pclBucket->pclGetNestedTree();
        const CMemNode* pcl = pclNested->pclGetRoot();
        while (!pcl->bIsData()) pcl = static_cast<const CMemIndexNode*>(pcl)->pclGetChild(pclNested, 0);
        for (auto* pclB = static_cast<const CMemDataNode*>(pcl); pclB != nullptr; pclB = pclB->pclGetNext())
            if (pclB == it.m_pclBucketLeaf) {
                if (it.m_nPosition < 0 || it.m_nPosition >= pclB->nGetKeyCount())
                    return Fail() << "cursor position " << it.m_nPosition << " in a nested leaf of " << pclB->nGetKeyCount();
                return testing::AssertionSuccess();
            }
        return Fail() << "cursor bucket leaf outside the nested tree";
    }

    testing::AssertionResult Pools() {
        const CMemBTree& t = m_clTree;
        if (t.pclGetIndexAlloc()->nGetLiveCount() != m_stCensus.nIndexNodes)
            return Fail() << t.pclGetIndexAlloc()->nGetLiveCount() << " inner nodes allocated, " << m_stCensus.nIndexNodes
                          << " in the tree";
        if (t.pclGetDataAlloc()->nGetLiveCount() != m_stCensus.nLeaves)
            return Fail() << t.pclGetDataAlloc()->nGetLiveCount() << " leaves allocated, " << m_stCensus.nLeaves << " in the tree";
        for (int c = 0; c < CMemBTree::BUCKET_CLASSES && t.nGetValueSize() != 0; c++)
            if (t.pclGetBucketAlloc(c)->nGetLiveCount() != m_stCensus.tabnBuckets[c])
                return Fail() << t.pclGetBucketAlloc(c)->nGetLiveCount() << " class-" << c << " buckets allocated, "
                              << m_stCensus.tabnBuckets[c] << " in the tree";
        return testing::AssertionSuccess();
    }

    const CMemBTree& m_clTree;
    bool m_bStrictFill;
    int m_nNesting = 0;
    const unsigned char* m_pbyLastKey = nullptr;
    int m_nKeys = 0;
    std::vector<const CMemDataNode*> m_tabpclLeaves;
};

inline testing::AssertionResult TreeInvariants(const CMemBTree& clTree, bool bStrictFill = true) {
    return CInvariantChecker(clTree, bStrictFill).Check();
}

// Every record as (key, value) numbers, in the tree's order, read through the leaves.
inline std::vector<std::pair<uint64_t, uint64_t>> Records(const CMemBTree& t) {
    std::vector<std::pair<uint64_t, uint64_t>> v;
    if (t.pclGetRoot() == nullptr) return v;
    const CMemNode* pcl = t.pclGetRoot();
    while (!pcl->bIsData()) pcl = static_cast<const CMemIndexNode*>(pcl)->pclGetChild(&t, 0);
    for (auto* pclLeaf = static_cast<const CMemDataNode*>(pcl); pclLeaf != nullptr; pclLeaf = pclLeaf->pclGetNext())
        for (int i = 0; i < pclLeaf->nGetKeyCount(); i++) {
            uint64_t nKey = Number(pclLeaf->pKey(&t, i), t.nGetKeySize());
            if (t.nGetValueSize() == 0) {
                v.emplace_back(nKey, 0);
            } else if (!pclLeaf->bHasBucket(&t, i)) {
                v.emplace_back(nKey, Number(pclLeaf->pSlot(&t, i), t.nGetValueSize()));
            } else {
                const CMemBucket* pclBucket = pclLeaf->pclGetBucket(&t, i);
                if (!pclBucket->bIsNested()) {
                    for (int j = 0; j < pclBucket->nGetNumKey(); j++)
                        v.emplace_back(nKey, Number(pclBucket->pbyVectorValue(&t, j), t.nGetValueSize()));
                } else {
                    for (auto& r : Records(*pclBucket->pclGetNestedTree())) v.emplace_back(nKey, r.first);
                }
            }
        }
    return v;
}

// The class of the bucket holding a key's values: -1 when the key has a single value.
inline int BucketClass(const CMemBTree& t, const void* pKey) {
    CMemNode* pcl = t.pclGetRoot();
    while (!pcl->bIsData()) pcl = static_cast<CMemIndexNode*>(pcl)->pclGetChild(&t, static_cast<CMemIndexNode*>(pcl)->nChildFor(&t, pKey));
    auto* pclLeaf = static_cast<CMemDataNode*>(pcl);
    int bFound;
    int p = t._nSearchKey(pclLeaf->nGetKeyCount(), pclLeaf->pKey(&t, 0), pKey, &bFound);
    if (!bFound) return -2;
    return pclLeaf->bHasBucket(&t, p) ? pclLeaf->pclGetBucket(&t, p)->nGetClass() : -1;
}

}  // namespace btreetest
