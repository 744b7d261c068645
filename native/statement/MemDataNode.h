// CMemDataNode: a leaf of CMemBTree (kind 2). One block: kind (u32, then 4 bytes unused),
// previous and next leaf, key count (i32), record count (i32), then order key slots; with values,
// order value slots of the tree's slot size and (order - 1) / 32 + 1 words of bucket bits. Slot i
// holds the single value of key i, or, when bit i % 32 of word i / 32 is set, a pointer to the
// bucket holding all its values. Leaves form a doubly linked list in key order.
//
// The leaf keeps the tree's cursor on its record through every change it makes: entries put in
// or taken out, moves to and from brothers, splits and merges, and bucket changes.
#pragma once

#include "native/statement/MemNode.h"

class CMemDataNode : public CMemNode {
public:
    static const size_t OFFSET_PREVIOUS = 8;
    static const size_t OFFSET_NEXT = 16;
    static const size_t OFFSET_COUNT = 24;
    static const size_t OFFSET_RECORDS = 28;
    static const size_t OFFSET_KEYS = 32;

    // An empty, unlinked leaf.
    void Init();

    CMemDataNode* pclGetPrevious() const { return memnode::pclLoadPtr<CMemDataNode>(_pby() + OFFSET_PREVIOUS); }
    void SetPrevious(CMemDataNode* pcl) { memnode::StorePtr(_pby() + OFFSET_PREVIOUS, pcl); }
    CMemDataNode* pclGetNext() const { return memnode::pclLoadPtr<CMemDataNode>(_pby() + OFFSET_NEXT); }
    void SetNext(CMemDataNode* pcl) { memnode::StorePtr(_pby() + OFFSET_NEXT, pcl); }
    int nGetKeyCount() const { return static_cast<int>(memnode::nLoad32(_pby() + OFFSET_COUNT)); }
    void SetKeyCount(int n) { memnode::Store32(_pby() + OFFSET_COUNT, static_cast<uint32_t>(n)); }
    int nGetRecordCount() const { return static_cast<int>(memnode::nLoad32(_pby() + OFFSET_RECORDS)); }
    void SetRecordCount(int n) { memnode::Store32(_pby() + OFFSET_RECORDS, static_cast<uint32_t>(n)); }

    unsigned char* pKey(const CMemBTree* pclTree, int i) {
        return _pby() + OFFSET_KEYS + size_t(i) * pclTree->nGetKeySize();
    }
    const unsigned char* pKey(const CMemBTree* pclTree, int i) const {
        return _pby() + OFFSET_KEYS + size_t(i) * pclTree->nGetKeySize();
    }
    unsigned char* pSlot(const CMemBTree* pclTree, int i) {
        return _pby() + pclTree->_nSlotOffset() + size_t(i) * pclTree->nGetSlotSize();
    }
    const unsigned char* pSlot(const CMemBTree* pclTree, int i) const {
        return _pby() + pclTree->_nSlotOffset() + size_t(i) * pclTree->nGetSlotSize();
    }
    bool bHasBucket(const CMemBTree* pclTree, int i) const {
        if (pclTree->nGetValueSize() == 0) return false;
        return (memnode::nLoad32(_pby() + pclTree->_nBitOffset() + size_t(i / 32) * 4) >> (i % 32)) & 1;
    }
    void SetBucketBit(const CMemBTree* pclTree, int i, bool b);
    CMemBucket* pclGetBucket(const CMemBTree* pclTree, int i) const {
        return memnode::pclLoadPtr<CMemBucket>(pSlot(pclTree, i));
    }
    // Slot i holds the bucket from now on.
    void SetBucket(const CMemBTree* pclTree, int i, CMemBucket* pcl) {
        memnode::StorePtr(pSlot(pclTree, i), pcl);
        SetBucketBit(pclTree, i, true);
    }
    // Records of key i (1, or its bucket's count), and of keys [nFrom, nTo).
    int nKeyRecords(const CMemBTree* pclTree, int i) const;
    int nCountRecords(const CMemBTree* pclTree, int nFrom, int nTo) const;

    // Key found at p: the value joins the key's values (a second value makes a bucket). False
    // for a value the key has (in a tree of keys only, always) or when memory runs out.
    bool bAddValue(CMemBTree* pclTree, int p, const void* pValue);
    // Key absent, to go at p: into this leaf when it has room, else a key moves to a brother with
    // room (right first, the one placed by stAscent), else the leaf splits into the spare leaf and
    // reports it in *pstOut.
    void InsertNewKey(const STAscentInfo& stAscent, int p, const void* pKey, const void* pValue,
                      STInsertionResult* pstOut, CMemDataNode* pclSpare);
    // Removes value pValue of key p (null: the key with all its values). The records removed, 0
    // when the value is absent; *pbKeyRemoved tells whether the key went.
    unsigned nRemove(CMemBTree* pclTree, int p, const void* pValue, bool* pbKeyRemoved);
    // After a key went: a merge with a brother (its outcome), else a borrowed key, when this leaf
    // (not the only one) holds fewer than minimum-fill keys.
    int nRefill(const STAscentInfo& stAscent);

    // Entry moves, keeping the cursor on its record.
    void InsertEntry(CMemBTree* pclTree, int p, const void* pKey, const void* pValue);
    void RemoveEntry(CMemBTree* pclTree, int p);
    // The last entry of this leaf to the front of pclRight, or pclRight's first to the end of this.
    void MoveLastToRight(CMemBTree* pclTree, CMemDataNode* pclRight);
    void MoveFirstToLeft(CMemBTree* pclTree, CMemDataNode* pclLeft);
    // Every entry of pclRight (this leaf's next) appended here, pclRight unlinked (not freed).
    void Absorb(CMemBTree* pclTree, CMemDataNode* pclRight);
    // Frees the buckets of every key.
    void FreeBuckets(CMemBTree* pclTree);

private:
    // Entries [p, count) one place up or (p + 1, count) one down; the count is the caller's.
    void _OpenGap(const CMemBTree* pclTree, int p);
    void _CloseGap(const CMemBTree* pclTree, int p);
    static void _CopyEntries(const CMemBTree* pclTree, CMemDataNode* pclDst, int nDst, const CMemDataNode* pclSrc,
                             int nSrc, int n);
    void _Split(CMemBTree* pclTree, CMemDataNode* pclNew);
};
