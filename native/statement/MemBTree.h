// CMemBTree: the in-memory B+-tree under the client-side column indexes of a cached table.
// Fixed-size binary keys, each with optional fixed-size values (for a column index: the byte
// sortable key of a column value, and the 4-byte numbers of the cached rows holding it). A key
// with several values keeps them in a duplicate bucket (CMemBucket); a (key, value) pair is held
// once. Every inner node carries the number of records of its subtree, so that ranks and the
// number of records before the cursor come from one root-to-leaf walk.
//
// Nodes and buckets come from fixed-size pools (CTObjAlloc); a node is one block, a fixed head
// followed by its key slots, value slots and bucket bits (see CMemIndexNode, CMemDataNode). The
// tree carries one cursor (CIterator), which every change keeps on its record.
//
// Insertion tries to move a key or a child to a brother with room before splitting; deletion
// merges with or borrows from a brother, and passes a changed smallest key up to the separator
// that names it, so that every separator is exactly the first key of its right subtree.
//
// Not thread-safe: a tree belongs to one index, used under the driver's process-wide lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <new>

#include "native/statement/ObjAlloc.h"

class CMemNode;
class CMemIndexNode;
class CMemDataNode;
class CMemBucket;

class CMemBTree {
public:
    // Sign convention of memcmp; the byte count is the key size (or the value size).
    typedef int (*PFNCOMPARE)(const void* p1, const void* p2, size_t nSize);
    typedef int (CMemBTree::*PFNRECCOMPARE)(const void* p1, const void* p2) const;

    static const int ORDER_DEFAULT = 32;
    static const int BUCKET_CLASSES = 7;

    // bAdvance flags.
    static const int ADVANCE_BY_KEY = 1;   // step over distinct keys instead of records
    static const int ADVANCE_PARTIAL = 2;  // fewer steps than asked (but at least one) succeed
    static const int ADVANCE_END = 4;      // the end position is a place to stop on
    // pSearch flags.
    static const int SEARCH_EXACT = 1;       // an absent key gives null and leaves the cursor
    static const int SEARCH_FROM_ABOVE = 2;  // last value of the key, or the greatest smaller key

    // The tree's position. A record position is a key index below the leaf's key count (with,
    // for a key whose values are in a bucket, a position inside the bucket); the end position is
    // the last leaf at index key count; no position is a null leaf.
    class CIterator {
    public:
        CIterator() = default;

        // One key forward or back within the leaf list; the bucket part is not touched. Forward
        // fails at the end position, backward on the first key of the tree.
        bool bKeyMoveForward();
        bool bKeyMoveBackward();
        // One record: inside the bucket first, then to the neighbouring key (arriving from the
        // right on its last value). The caller checks that a record lies that way.
        void RecordMoveForward();
        void RecordMoveBackward();
        // On the first record of the tree; on the end position.
        bool bFirstRecord() const;
        bool bEnd() const;
        // Moves a position past the end of a bucket, or at the key count of a leaf that has a
        // next leaf, to the next record.
        void Validate();

        CMemBTree* m_pclTree = nullptr;
        CMemDataNode* m_pclLeaf = nullptr;  // null: no position
        int m_nKey = 0;                     // key index within the leaf
        // Bucket part: in a vector bucket, the index of the value (m_pclBucketLeaf null); in a
        // bucket held as a nested tree, the nested leaf and the key index within it.
        CMemDataNode* m_pclBucketLeaf = nullptr;
        int m_nPosition = 0;

    private:
        friend class CMemBTree;
        friend class CMemBucket;
        friend class CMemDataNode;
        // Bucket part on the first or last value of the key under the cursor (cleared at the
        // end position and for a key without bucket).
        void _SetFirstValue();
        void _SetLastValue();
        void _ClearBucketPart() {
            m_pclBucketLeaf = nullptr;
            m_nPosition = 0;
        }
        // On to the first record of the next key (or the end position).
        void _StepToNextKey();
        bool _bOnKey(const CMemDataNode* pclLeaf, int nKey) const { return m_pclLeaf == pclLeaf && m_nKey == nKey; }
        // The bucket of the key under the cursor, null at the end or for a key without bucket.
        CMemBucket* _pclBucket() const;
    };

    // A tree from the heap, initialised; null when allocation or initialisation fails. Freed with
    // delete.
    static CMemBTree* pclCreate(unsigned nKeySize, unsigned nValueSize, PFNCOMPARE pfnCompareKey,
                                PFNCOMPARE pfnCompareValue, int nOrder);
    static void* operator new(size_t n, const std::nothrow_t&) noexcept;
    static void* operator new(size_t n, void* p) noexcept { return ::operator new(n, p); }
    static void operator delete(void* p) noexcept;
    static void operator delete(void* p, const std::nothrow_t&) noexcept;

    CMemBTree();
    CMemBTree(const CMemBTree&) = delete;
    CMemBTree& operator=(const CMemBTree&) = delete;
    // Frees every node and bucket, then the pools.
    ~CMemBTree();

    // Order 0 means 32; the minimum fill is order / 2. A value size of 0 makes a tree of keys
    // only. False when a pool cannot be created, or for a geometry no node can hold (key size 0,
    // order below 2, sizes past what a pool can carve); the pools made so far are left to the
    // destructor.
    bool bInit(unsigned nKeySize, unsigned nValueSize, PFNCOMPARE pfnCompareKey, PFNCOMPARE pfnCompareValue,
               int nOrder);

    // Adds a record; the value is read only when the tree has values. False when the pair (in a
    // tree of keys only: the key) is present, or when memory runs out; the tree is then unchanged.
    bool bInsert(const void* pKey, const void* pValue);
    // With a value, removes that pair; with a null value, the key with all its values. False when
    // absent.
    bool bDelete(const void* pKey, const void* pValue);
    // bDelete of the record under the cursor; false on an empty tree or at the end.
    bool bDeleteCurrentRecord();
    // Builds an empty tree from n keys and n values (each contiguous, any order). False, with the
    // tree left empty, on a repeated pair (a repeated key without values), on a tree that is not
    // empty, or when memory runs out. The cursor ends at the end position.
    bool bLoadBulk(const void* pKeys, const void* pValues, int n);

    // Records in the tree (duplicates counted one by one).
    int nGetNumRecord() const;
    int nCompareKey(const void* p1, const void* p2) const { return m_pfnCompareKey(p1, p2, m_nKeySize); }
    // Two records laid out as key then value: keys first, then values.
    int _nCompareRec(const void* p1, const void* p2) const;

    // Navigation through the tree's cursor.
    void GotoFirstRecord();
    void GotoEnd();
    // Rank 0 (or below) is the first record, a rank not below the record count the end.
    void MoveTo(int nRank);
    // Moves n records (n < 0: backward) or, with ADVANCE_BY_KEY, n distinct keys, on a copy of the
    // cursor written back only on success; *pnMoved (when given) receives the signed steps made.
    // A move of -2147483647 records cannot succeed and answers the number of records before the
    // cursor, negated, in one root-to-leaf walk.
    bool bAdvance(int n, int* pnMoved, int nFlags);
    // Positions on a key; the value there (null for SEARCH_EXACT and an absent key, in a tree of
    // keys only, or past the last key, in which case the cursor is left where it was).
    void* pSearch(const void* pKey, int nFlags);
    // Positions the cursor on the pair, or where it would be; true when present.
    bool bFindRecord(const void* pKey, const void* pValue);
    // Values of the key under the cursor: 0 with no position or at the end.
    int nNumDuplicates() const;
    // Key and value under the cursor; null with no position or at the end. They point into the
    // tree and stay valid until the next change.
    const void* pReadKey() const;
    const void* pReadValue() const;

    // Geometry and state, for the nodes, the buckets and the tests.
    unsigned nGetKeySize() const { return m_nKeySize; }
    unsigned nGetValueSize() const { return m_nValueSize; }
    unsigned nGetSlotSize() const { return m_nSlotSize; }
    int nGetOrder() const { return m_nOrder; }
    int nGetMinFill() const { return m_nMinFill; }
    int nGetNumKeys() const { return m_nNumKeys; }
    PFNCOMPARE pfnGetCompareKey() const { return m_pfnCompareKey; }
    PFNCOMPARE pfnGetCompareValue() const { return m_pfnCompareValue; }
    CMemIndexNode* pclGetRoot() const { return m_pclRoot; }
    const CIterator& GetCursor() const { return m_clCursor; }
    const CTObjAlloc* pclGetIndexAlloc() const { return m_pclIndexAlloc; }
    const CTObjAlloc* pclGetDataAlloc() const { return m_pclDataAlloc; }
    const CTObjAlloc* pclGetBucketAlloc(int nClass) const {
        return m_pclBucketAlloc == nullptr ? nullptr : &m_pclBucketAlloc[nClass];
    }
    // Block sizes of an inner node and of a leaf.
    size_t nIndexNodeSize() const;
    size_t nDataNodeSize() const;
    // Objects per chunk for a pool of objects of that size: 4096 / (size + 8), at least 2.
    static unsigned nObjPerChunk(size_t nObjSize);

    // Offsets inside the node blocks, set by bInit.
    size_t _nChildOffset() const { return m_nChildOffset; }
    size_t _nSlotOffset() const { return m_nSlotOffset; }
    size_t _nBitOffset() const { return m_nBitOffset; }
    // Binary search of a key among n keys of this tree (CMemNode::nSearch with its comparison).
    int _nSearchKey(int nCount, const void* pKeys, const void* pKey, int* pbFound) const;

    // In-place quicksort of n records of nWidth bytes, without recursion.
    void _QSort(void* pBase, size_t n, size_t nWidth, PFNRECCOMPARE pfnCompare) const;
    void _ShortSort(unsigned char* pbyLow, unsigned char* pbyHigh, size_t nWidth, PFNRECCOMPARE pfnCompare) const;

private:
    friend class CMemNode;
    friend class CMemIndexNode;
    friend class CMemDataNode;
    friend class CMemBucket;
    friend class CIterator;

    static const int MAX_DEPTH = 64;
    struct STPathStep {
        CMemIndexNode* pclNode;
        int nChild;
    };
    // Nodes taken before an insertion that will split, so that a refused allocation fails the
    // insertion before anything has changed.
    struct STSpareNodes {
        CMemDataNode* pclLeaf = nullptr;
        CMemIndexNode* tabpclIndex[MAX_DEPTH + 1] = {};
        int nIndex = 0;
    };

    CMemIndexNode* _pclNewIndexNode();
    CMemDataNode* _pclNewDataNode();
    void _FreeIndexNode(CMemIndexNode* pcl);
    void _FreeDataNode(CMemDataNode* pcl);
    CMemBucket* _pclNewBucket(int nClass);
    void _FreeBucket(CMemBucket* pcl);
    void _FreeSubtree(CMemNode* pcl);
    void _FreeLeafBuckets(CMemDataNode* pcl);
    void _ReleaseSpares(STSpareNodes& st);
    CTObjAlloc* _pclNewPool(size_t nObjSize);

    // Descends to the leaf of a key, recording the inner nodes and the children taken.
    CMemDataNode* _pclDescend(const void* pKey, STPathStep* pstPath, int* pnDepth) const;
    bool _bInsertNewKey(STPathStep* pstPath, int nDepth, CMemDataNode* pclLeaf, int nPos, const void* pKey,
                        const void* pValue);
    int _nSplitsNeeded(const STPathStep* pstPath, int nDepth) const;
    void _AfterRemoval(STPathStep* pstPath, int nDepth, CMemDataNode* pclLeaf, bool bFirstKeyRemoved,
                       unsigned nRemoved);
    bool _bBuildRoot(const void* pKey, const void* pValue);
    // Leaves and upper levels over n sorted, distinct records nStride bytes apart (key, then the
    // value in a tree with values); the records of one key go into its bucket.
    bool _bBuildFromSorted(const unsigned char* pbyRecords, size_t nStride, int n);
    int _nRank(const CIterator& it) const;
    void _GotoFirst(CIterator& it) const;
    void _GotoEnd(CIterator& it) const;
    void _MoveTo(CIterator& it, int nRank) const;
    int _nAdvanceByKeys(CIterator& it, int n) const;

    CTObjAlloc* m_pclIndexAlloc;
    CTObjAlloc* m_pclDataAlloc;
    int m_nOrder;
    int m_nMinFill;
    PFNCOMPARE m_pfnCompareKey;
    PFNCOMPARE m_pfnCompareValue;
    unsigned m_nKeySize;
    unsigned m_nValueSize;
    unsigned m_nSlotSize;
    CTObjAlloc* m_pclBucketAlloc;  // BUCKET_CLASSES pools in one block, only with values
    CMemIndexNode* m_pclRoot;
    int m_nNumKeys;
    CIterator m_clCursor;

    // 4 or 8 when keys are compared with memcmp over that many bytes, which the searches then
    // do inline as big-endian integers; 0 otherwise.
    unsigned m_nInlineCompare;
    size_t m_nChildOffset;
    size_t m_nSlotOffset;
    size_t m_nBitOffset;
    // Two key buffers for the middle key of an inner split, which leaves the node before its
    // parent copies it, and one record for bDeleteCurrentRecord.
    unsigned char* m_pbyScratch;
};

static_assert(sizeof(CMemBTree) % 8 == 0, "a tree nested in a bucket starts 8 bytes in and stays aligned");
