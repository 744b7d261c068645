// CMemNode: what the inner nodes and the leaves of CMemBTree share: the kind word that opens
// every node block, the binary search within a node, and the records handed between levels
// while the tree changes.
//
// A node is a block of a pool, laid out by the tree's key size, value size and order; nothing in
// it is a C++ member. Pool slots have no alignment beyond what their size gives them, so every
// field is read and written through memcpy (the compiler turns these into plain loads).
#pragma once

#include <cstdint>
#include <cstring>

#include "native/statement/MemBTree.h"

namespace memnode {

inline uint32_t nLoad32(const unsigned char* pby) {
    uint32_t n;
    memcpy(&n, pby, sizeof n);
    return n;
}
inline void Store32(unsigned char* pby, uint32_t n) {
    memcpy(pby, &n, sizeof n);
}
template <class T>
inline T* pclLoadPtr(const unsigned char* pby) {
    T* pcl;
    memcpy(&pcl, pby, sizeof pcl);
    return pcl;
}
inline void StorePtr(unsigned char* pby, const void* p) {
    memcpy(pby, &p, sizeof p);
}

}  // namespace memnode

class CMemNode {
public:
    static const uint32_t NODE_INDEX = 1;
    static const uint32_t NODE_DATA = 2;
    static const uint32_t NODE_ROOT = 3;

    // Where a node sits: the tree, the parent inner node, and the node's index among its
    // children (null parent for the root).
    struct STAscentInfo {
        CMemBTree* pclTree;
        CMemIndexNode* pclParent;
        int nIndex;
    };
    // A node that split: the key to insert into the parent and the new right node; both null
    // when nothing split.
    struct STInsertionResult {
        const void* pKey;
        CMemNode* pclNewNode;
    };
    // What a removal below hands up: a new smallest key of the subtree for the separator that
    // names it (pending, or null); the merge outcome; the inner node that is to become the root;
    // the records removed.
    struct STDeletionResult {
        const void* pPendingKey;
        int nMerge;
        CMemIndexNode* pclNewRoot;
        unsigned nRemoved;
    };
    static const int MERGE_NONE = 0;
    static const int MERGE_INTO_LEFT = 1;     // the node went into its left brother
    static const int MERGE_ABSORB_RIGHT = 2;  // the right brother came into the node

    // Binary search over nCount keys of nKeySize bytes, the comparison called as (searched key,
    // node key): the index of the key with *pbFound set, or the number of smaller keys.
    static int nSearch(unsigned nKeySize, int nCount, const void* pKeys, const void* pKey,
                       CMemBTree::PFNCOMPARE pfnCompare, int* pbFound);

    uint32_t nGetKind() const { return memnode::nLoad32(_pby()); }
    void SetKind(uint32_t n) { memnode::Store32(_pby(), n); }
    bool bIsData() const { return nGetKind() == NODE_DATA; }
    // Records of the node's subtree, whichever its kind.
    unsigned nGetSubtreeRecords() const;

protected:
    unsigned char* _pby() { return reinterpret_cast<unsigned char*>(this); }
    const unsigned char* _pby() const { return reinterpret_cast<const unsigned char*>(this); }
};
