// CMemIndexNode: an inner node of CMemBTree (kind 1, or 3 for the root). One block of
// key size x order + 8 x (order + 1) + 12 bytes: kind (u32), separator count (i32), records of
// the subtree (u32), then order separator slots, then order + 1 child pointers, with no gap
// between the parts. Separator i is the first key of child i + 1's subtree.
//
// Rotations between two brothers are the parent's (RotateLeft, RotateRight), for leaves and inner
// nodes alike; the insertion of a split child's key, and the refill of an under-filled inner
// node after a deletion, are the node's own.
#pragma once

#include "native/statement/MemNode.h"

class CMemIndexNode : public CMemNode {
public:
    static const size_t OFFSET_COUNT = 4;
    static const size_t OFFSET_RECORDS = 8;
    static const size_t OFFSET_SEPARATORS = 12;

    // A fresh node of that kind, without separator and with one child.
    void Init(const CMemBTree* pclTree, uint32_t nKind, CMemNode* pclChild);

    int nGetKeyCount() const { return static_cast<int>(memnode::nLoad32(_pby() + OFFSET_COUNT)); }
    void SetKeyCount(int n) { memnode::Store32(_pby() + OFFSET_COUNT, static_cast<uint32_t>(n)); }
    unsigned nGetRecordCount() const { return memnode::nLoad32(_pby() + OFFSET_RECORDS); }
    void SetRecordCount(unsigned n) { memnode::Store32(_pby() + OFFSET_RECORDS, n); }

    unsigned char* pSeparator(const CMemBTree* pclTree, int i) {
        return _pby() + OFFSET_SEPARATORS + size_t(i) * pclTree->nGetKeySize();
    }
    const unsigned char* pSeparator(const CMemBTree* pclTree, int i) const {
        return _pby() + OFFSET_SEPARATORS + size_t(i) * pclTree->nGetKeySize();
    }
    CMemNode* pclGetChild(const CMemBTree* pclTree, int i) const {
        return memnode::pclLoadPtr<CMemNode>(_pby() + pclTree->_nChildOffset() + size_t(i) * 8);
    }
    void SetChild(const CMemBTree* pclTree, int i, CMemNode* pcl) {
        memnode::StorePtr(_pby() + pclTree->_nChildOffset() + size_t(i) * 8, pcl);
    }
    // Index of the child to descend into for a key (a key equal to a separator goes right).
    int nChildFor(const CMemBTree* pclTree, const void* pKey) const;

    // Separator nSep and child nSep + 1 inserted (the node must have room).
    void InsertAt(const CMemBTree* pclTree, int nSep, const void* pKey, CMemNode* pclChild);
    // Separator nSep removed with child nChild (nSep or nSep + 1).
    void RemoveAt(const CMemBTree* pclTree, int nSep, int nChild);
    unsigned nRecountRecords(const CMemBTree* pclTree) const;

    // Child c + 1 gives its first key (leaves) or first child (inner nodes) to the end of child c.
    void RotateLeft(CMemBTree* pclTree, int c);
    // Child c gives its last key or last child to the front of child c + 1. For inner nodes, a
    // pending key (the new first key of child c + 1's subtree, not yet in the separator that
    // names it) goes down in place of separator c.
    void RotateRight(CMemBTree* pclTree, int c, const void* pPendingKey);

    // Takes the key and new node of child c's split, with this node placed by stAscent: inserted
    // here when there is room, else a child moves to a brother with room (right first), else this
    // node splits into a node from the spares and reports it in *pstOut.
    void InsertSplit(const STAscentInfo& stAscent, int c, const STInsertionResult& stIn, STInsertionResult* pstOut,
                     CMemBTree::STSpareNodes& stSpares);
    // After a removal below left this node (not the root) with fewer than minimum-fill
    // separators: a merge with a brother (its outcome), else a borrowed child, else nothing. A
    // pending key of this subtree is pulled down by a merge into the left brother or by a
    // borrowing from it, and is then cleared.
    int nRefill(const STAscentInfo& stAscent, const void** ppPendingKey);

private:
    // Appends separator and child after the last child.
    void _Append(const CMemBTree* pclTree, const void* pKey, CMemNode* pclChild);
    // Inserts a child in front of child 0 with the separator between it and the old child 0.
    void _Prepend(const CMemBTree* pclTree, CMemNode* pclChild, const void* pKey);
    void _Split(CMemBTree* pclTree, int p, const void* pKey, CMemNode* pclChild, CMemIndexNode* pclNew,
                STInsertionResult* pstOut);
};
