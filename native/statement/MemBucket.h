// CMemBucket: the values of one key of a CMemBTree that has more than one, in ascending order of
// the tree's value comparison. Classes 0 to 5 are sorted vectors of 2, 4, 8, 16, 32 and 64
// values; class 6 holds a nested CMemBTree whose keys are the values (a key with more than 64
// values). A bucket moves to the neighbouring class as it grows and shrinks, and shrinks only
// well below the capacity of the class below, so that values coming and going at a class border
// copy nothing. The leaf owns its buckets; each class has its own pool in the tree.
//
// Layout (one pool object): count (u16; 65535 in class 6), class (u16), then either the values
// (capacity x value size) or, 8 bytes in so that it stays aligned, the nested tree.
//
// Operations that change a bucket are told whether the tree's cursor is on this bucket's key;
// when it is, they keep it on its value (or, when its value went, move it to the next record).
#pragma once

#include <cstddef>
#include <cstdint>

#include "native/statement/MemBTree.h"

class CMemBucket {
public:
    // Per class: the count at or below which a removal moves the values to the class below, and
    // the capacity (0 for the nested tree).
    struct STSizeThreshold {
        int32_t nShrink;
        int32_t nCapacity;
    };
    static const STSizeThreshold mg_stTabSizeThreshold[CMemBTree::BUCKET_CLASSES];
    static const int NESTED_CLASS = 6;
    static const uint16_t NESTED_COUNT = 65535;
    static const int NESTED_TO_VECTOR = 55;  // a nested tree left with this many values or fewer
    static const size_t NESTED_OFFSET = 8;
    static const size_t VALUES_OFFSET = 4;

    // Object size of a class for a tree, and of this bucket.
    static size_t nGetFullSize(const CMemBTree* pclTree, int nClass);
    size_t nRealObjSize(const CMemBTree* pclTree) const { return nGetFullSize(pclTree, m_nClass); }

    // A bucket holding n sorted, distinct values: the smallest vector class that takes them, or a
    // nested tree above 64. Null when memory runs out.
    static CMemBucket* pclCreate(CMemBTree* pclTree, const unsigned char* pbyValues, size_t nStride, int n);
    // A class-0 bucket of two values, the smaller first.
    static CMemBucket* pclCreatePair(CMemBTree* pclTree, const void* pFirst, const void* pSecond);

    // Adds a value; the bucket now holding the values (the caller frees this one when it is
    // another), null when the value is present or memory runs out.
    CMemBucket* pclInsert(CMemBTree* pclTree, const void* pValue, bool bCursorOnKey);
    // Removes a value; the bucket now holding the values, null when the value is absent.
    CMemBucket* pclDelete(CMemBTree* pclTree, const void* pValue, bool bCursorOnKey);
    // Puts the cursor's bucket part on the value, or where it would be; true when present.
    bool bSearch(CMemBTree::CIterator* pclCursor, const void* pValue);

    int nGetNumKey() const;
    int nGetClass() const { return m_nClass; }
    bool bIsNested() const { return m_nClass == NESTED_CLASS; }
    // The first value (when one remains).
    const void* pGetOnlyKey() const;
    // The value at the cursor's bucket position.
    const void* pGetValue(const CMemBTree::CIterator* pclCursor) const;
    const unsigned char* pbyVectorValue(const CMemBTree* pclTree, int i) const {
        return reinterpret_cast<const unsigned char*>(this) + VALUES_OFFSET + size_t(i) * pclTree->nGetValueSize();
    }
    CMemBTree* pclGetNestedTree() {
        return reinterpret_cast<CMemBTree*>(reinterpret_cast<unsigned char*>(this) + NESTED_OFFSET);
    }
    const CMemBTree* pclGetNestedTree() const {
        return reinterpret_cast<const CMemBTree*>(reinterpret_cast<const unsigned char*>(this) + NESTED_OFFSET);
    }

    // Navigation of the cursor's bucket part.
    void GotoFirstRecord(CMemBTree::CIterator* pclCursor);
    void GotoLastRecord(CMemBTree::CIterator* pclCursor);
    void GotoRecord(CMemBTree::CIterator* pclCursor, int n);
    // Moves up to n values; the values moved. Forward can stop past the last value.
    int nMoveForward(CMemBTree::CIterator* pclCursor, int n);
    int nMoveBackward(CMemBTree::CIterator* pclCursor, int n);
    // Whether the bucket part lies past the last value; values before it.
    bool bPastEnd(const CMemBTree::CIterator* pclCursor) const;
    bool bAtFirst(const CMemBTree::CIterator* pclCursor) const;
    int nRank(const CMemBTree::CIterator* pclCursor) const;

    // A nested bucket destroys its tree and becomes an empty vector; the tree gives the object
    // back to its pool.
    void Destroy();

private:
    unsigned char* _pbyValue(const CMemBTree* pclTree, int i) {
        return reinterpret_cast<unsigned char*>(this) + VALUES_OFFSET + size_t(i) * pclTree->nGetValueSize();
    }
    // The nested tree's cursor set from, or copied back into, the outer cursor's bucket part.
    void _BridgeIn(const CMemBTree::CIterator* pclCursor);
    void _BridgeOut(CMemBTree::CIterator* pclCursor) const;
    static CMemBucket* _pclCreateNested(CMemBTree* pclTree, const unsigned char* pbyValues, size_t nStride, int n);
    CMemBucket* _pclVectorFromNested(CMemBTree* pclTree, bool bCursorOnKey);

    uint16_t m_nCount;
    uint16_t m_nClass;
};
