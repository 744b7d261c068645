// A small fixture for the B+-tree tests: a tree of 4-byte keys and values (big-endian numbers,
// so that memcmp orders them as numbers) with one-line insert, delete, search and read helpers,
// and the shape of the leaf level.
#pragma once

#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "tests/statement/MemBTreeInvariants.h"

namespace btreetest {

class CSmallTree {
public:
    explicit CSmallTree(int nOrder = 0, unsigned nValueSize = 4) {
        EXPECT_TRUE(m_clTree.bInit(4, nValueSize, memcmp, memcmp, nOrder));
    }

    bool bIns(uint64_t nKey, uint64_t nValue = 0) {
        auto k = Bytes(nKey, 4), v = Bytes(nValue, 4);
        return m_clTree.bInsert(k.data(), v.data());
    }
    bool bDel(uint64_t nKey, std::optional<uint64_t> nValue) {
        auto k = Bytes(nKey, 4), v = Bytes(nValue.value_or(0), 4);
        return m_clTree.bDelete(k.data(), nValue ? v.data() : nullptr);
    }
    bool bFind(uint64_t nKey, uint64_t nValue) {
        auto k = Bytes(nKey, 4), v = Bytes(nValue, 4);
        return m_clTree.bFindRecord(k.data(), v.data());
    }
    void* pSearch(uint64_t nKey, int nFlags) {
        auto k = Bytes(nKey, 4);
        return m_clTree.pSearch(k.data(), nFlags);
    }
    int nBucketClass(uint64_t nKey) const {
        auto k = Bytes(nKey, 4);
        return BucketClass(m_clTree, k.data());
    }
    // The pair under the cursor, nullopt at the end.
    std::optional<std::pair<uint64_t, uint64_t>> Cursor() const {
        const void* pKey = m_clTree.pReadKey();
        if (pKey == nullptr) return std::nullopt;
        uint64_t nValue = m_clTree.nGetValueSize() == 0 ? 0 : Number(m_clTree.pReadValue(), 4);
        return std::make_pair(Number(pKey, 4), nValue);
    }
    // Keys of each leaf, left to right.
    std::vector<std::vector<uint64_t>> Leaves() const {
        std::vector<std::vector<uint64_t>> v;
        if (m_clTree.pclGetRoot() == nullptr) return v;
        const CMemNode* pcl = m_clTree.pclGetRoot();
        while (!pcl->bIsData()) pcl = static_cast<const CMemIndexNode*>(pcl)->pclGetChild(&m_clTree, 0);
        for (auto* pclLeaf = static_cast<const CMemDataNode*>(pcl); pclLeaf != nullptr; pclLeaf = pclLeaf->pclGetNext()) {
            v.emplace_back();
            for (int i = 0; i < pclLeaf->nGetKeyCount(); i++) v.back().push_back(Number(pclLeaf->pKey(&m_clTree, i), 4));
        }
        return v;
    }
    // Separators of the root.
    std::vector<uint64_t> RootSeparators() const {
        std::vector<uint64_t> v;
        const CMemIndexNode* pclRoot = m_clTree.pclGetRoot();
        for (int i = 0; pclRoot != nullptr && i < pclRoot->nGetKeyCount(); i++)
            v.push_back(Number(pclRoot->pSeparator(&m_clTree, i), 4));
        return v;
    }

    CMemBTree m_clTree;
};

}  // namespace btreetest
