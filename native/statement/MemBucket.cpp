// Duplicate buckets: sorted vectors of six classes and the nested tree, their growth and shrink
// between classes, and the bridge between the tree's cursor and a nested tree's own cursor.
#include "native/statement/MemBucket.h"

#include <cstring>

#include "native/statement/MemDataNode.h"
#include "native/statement/MemIndexNode.h"

const CMemBucket::STSizeThreshold CMemBucket::mg_stTabSizeThreshold[CMemBTree::BUCKET_CLASSES] = {
    {0, 2}, {1, 4}, {2, 8}, {6, 16}, {9, 32}, {18, 64}, {56, 0}};

static_assert(CMemBucket::NESTED_OFFSET % alignof(CMemBTree) == 0, "nested tree aligned in its bucket");

size_t CMemBucket::nGetFullSize(const CMemBTree* pclTree, int nClass) {
    if (nClass == NESTED_CLASS) return NESTED_OFFSET + sizeof(CMemBTree);
    return size_t(mg_stTabSizeThreshold[nClass].nCapacity) * pclTree->nGetValueSize() + VALUES_OFFSET;
}

CMemBucket* CMemBucket::pclCreate(CMemBTree* pclTree, const unsigned char* pbyValues, size_t nStride, int n) {
    if (n > mg_stTabSizeThreshold[NESTED_CLASS - 1].nCapacity) return _pclCreateNested(pclTree, pbyValues, nStride, n);
    int nClass = 0;
    while (mg_stTabSizeThreshold[nClass].nCapacity < n) nClass++;
    CMemBucket* pcl = pclTree->_pclNewBucket(nClass);
    if (pcl == nullptr) return nullptr;
    pcl->m_nCount = static_cast<uint16_t>(n);
    pcl->m_nClass = static_cast<uint16_t>(nClass);
    for (int i = 0; i < n; i++) memcpy(pcl->_pbyValue(pclTree, i), pbyValues + size_t(i) * nStride, pclTree->nGetValueSize());
    return pcl;
}

CMemBucket* CMemBucket::pclCreatePair(CMemBTree* pclTree, const void* pFirst, const void* pSecond) {
    CMemBucket* pcl = pclTree->_pclNewBucket(0);
    if (pcl == nullptr) return nullptr;
    pcl->m_nCount = 2;
    pcl->m_nClass = 0;
    memcpy(pcl->_pbyValue(pclTree, 0), pFirst, pclTree->nGetValueSize());
    memcpy(pcl->_pbyValue(pclTree, 1), pSecond, pclTree->nGetValueSize());
    return pcl;
}

CMemBucket* CMemBucket::_pclCreateNested(CMemBTree* pclTree, const unsigned char* pbyValues, size_t nStride, int n) {
    CMemBucket* pcl = pclTree->_pclNewBucket(NESTED_CLASS);
    if (pcl == nullptr) return nullptr;
    pcl->m_nCount = NESTED_COUNT;
    pcl->m_nClass = NESTED_CLASS;
    CMemBTree* pclNested = new (pcl->pclGetNestedTree()) CMemBTree;
    if (!pclNested->bInit(pclTree->nGetValueSize(), 0, pclTree->pfnGetCompareValue(), memcmp, pclTree->nGetOrder()) ||
        !pclNested->_bBuildFromSorted(pbyValues, nStride, n)) {
        pclTree->_FreeBucket(pcl);
        return nullptr;
    }
    return pcl;
}

void CMemBucket::Destroy() {
    if (bIsNested() && m_nCount == NESTED_COUNT) {
        pclGetNestedTree()->~CMemBTree();
        m_nCount = 0;
    }
}

int CMemBucket::nGetNumKey() const {
    return bIsNested() ? pclGetNestedTree()->nGetNumKeys() : m_nCount;
}

const void* CMemBucket::pGetOnlyKey() const {
    if (!bIsNested()) return reinterpret_cast<const unsigned char*>(this) + VALUES_OFFSET;
    const CMemBTree* pclNested = pclGetNestedTree();
    const CMemNode* pcl = pclNested->pclGetRoot();
    while (!pcl->bIsData()) pcl = static_cast<const CMemIndexNode*>(pcl)->pclGetChild(pclNested, 0);
    return static_cast<const CMemDataNode*>(pcl)->pKey(pclNested, 0);
}

const void* CMemBucket::pGetValue(const CMemBTree::CIterator* pclCursor) const {
    if (bIsNested()) return pclCursor->m_pclBucketLeaf->pKey(pclGetNestedTree(), pclCursor->m_nPosition);
    return pbyVectorValue(pclCursor->m_pclTree, pclCursor->m_nPosition);
}

void CMemBucket::_BridgeIn(const CMemBTree::CIterator* pclCursor) {
    CMemBTree::CIterator& clNested = pclGetNestedTree()->m_clCursor;
    clNested.m_pclLeaf = pclCursor->m_pclBucketLeaf;
    clNested.m_nKey = pclCursor->m_nPosition;
    clNested._ClearBucketPart();
}

void CMemBucket::_BridgeOut(CMemBTree::CIterator* pclCursor) const {
    const CMemBTree::CIterator& clNested = pclGetNestedTree()->m_clCursor;
    pclCursor->m_pclBucketLeaf = clNested.m_pclLeaf;
    pclCursor->m_nPosition = clNested.m_nKey;
}

CMemBucket* CMemBucket::pclInsert(CMemBTree* pclTree, const void* pValue, bool bCursorOnKey) {
    CMemBTree::CIterator& clCursor = pclTree->m_clCursor;
    if (bIsNested()) {
        CMemBTree* pclNested = pclGetNestedTree();
        if (bCursorOnKey) _BridgeIn(&clCursor);
        if (!pclNested->bInsert(pValue, nullptr)) return nullptr;
        if (bCursorOnKey) _BridgeOut(&clCursor);
        return this;
    }
    unsigned nValueSize = pclTree->nGetValueSize();
    int n = m_nCount;
    int bFound;
    int p = CMemNode::nSearch(nValueSize, n, _pbyValue(pclTree, 0), pValue, pclTree->pfnGetCompareValue(), &bFound);
    if (bFound) return nullptr;
    if (n < mg_stTabSizeThreshold[m_nClass].nCapacity) {
        memmove(_pbyValue(pclTree, p + 1), _pbyValue(pclTree, p), size_t(n - p) * nValueSize);
        memcpy(_pbyValue(pclTree, p), pValue, nValueSize);
        m_nCount = static_cast<uint16_t>(n + 1);
        if (bCursorOnKey) {
            if (n == 0)
                clCursor.m_nPosition = 0;
            else if (clCursor.m_nPosition >= p)
                clCursor.m_nPosition++;
        }
        return this;
    }
    if (m_nClass + 1 < NESTED_CLASS) {
        CMemBucket* pclNew = pclTree->_pclNewBucket(m_nClass + 1);
        if (pclNew == nullptr) return nullptr;
        pclNew->m_nCount = static_cast<uint16_t>(n + 1);
        pclNew->m_nClass = static_cast<uint16_t>(m_nClass + 1);
        memcpy(pclNew->_pbyValue(pclTree, 0), _pbyValue(pclTree, 0), size_t(p) * nValueSize);
        memcpy(pclNew->_pbyValue(pclTree, p), pValue, nValueSize);
        memcpy(pclNew->_pbyValue(pclTree, p + 1), _pbyValue(pclTree, p), size_t(n - p) * nValueSize);
        if (bCursorOnKey && clCursor.m_nPosition >= p) clCursor.m_nPosition++;
        return pclNew;
    }
    // A full class 5: the values move into a nested tree, which then takes the new one.
    CMemBucket* pclNew = _pclCreateNested(pclTree, _pbyValue(pclTree, 0), nValueSize, n);
    if (pclNew == nullptr) return nullptr;
    CMemDataNode* pclSavedLeaf = clCursor.m_pclBucketLeaf;
    int nSavedPosition = clCursor.m_nPosition;
    if (bCursorOnKey) {
        CMemBTree* pclNested = pclNew->pclGetNestedTree();
        pclNested->GotoFirstRecord();
        pclNested->bAdvance(nSavedPosition, nullptr,
                            CMemBTree::ADVANCE_BY_KEY | CMemBTree::ADVANCE_PARTIAL | CMemBTree::ADVANCE_END);
        pclNew->_BridgeOut(&clCursor);
    }
    if (pclNew->pclInsert(pclTree, pValue, bCursorOnKey) == nullptr) {
        clCursor.m_pclBucketLeaf = pclSavedLeaf;
        clCursor.m_nPosition = nSavedPosition;
        pclTree->_FreeBucket(pclNew);
        return nullptr;
    }
    return pclNew;
}

CMemBucket* CMemBucket::pclDelete(CMemBTree* pclTree, const void* pValue, bool bCursorOnKey) {
    CMemBTree::CIterator& clCursor = pclTree->m_clCursor;
    if (bIsNested()) {
        CMemBTree* pclNested = pclGetNestedTree();
        if (bCursorOnKey) _BridgeIn(&clCursor);
        if (!pclNested->bDelete(pValue, nullptr)) return nullptr;
        bool bStillOnKey = bCursorOnKey;
        if (bCursorOnKey) {
            pclNested->m_clCursor.Validate();
            if (pclNested->m_clCursor.bEnd()) {
                // The cursor's value was the last one: on to the next key.
                clCursor._StepToNextKey();
                bStillOnKey = false;
            } else {
                _BridgeOut(&clCursor);
            }
        }
        if (pclNested->nGetNumKeys() <= NESTED_TO_VECTOR) {
            CMemBucket* pclNew = _pclVectorFromNested(pclTree, bStillOnKey);
            if (pclNew != nullptr) return pclNew;
        }
        return this;
    }
    unsigned nValueSize = pclTree->nGetValueSize();
    int n = m_nCount;
    int bFound;
    int p = CMemNode::nSearch(nValueSize, n, _pbyValue(pclTree, 0), pValue, pclTree->pfnGetCompareValue(), &bFound);
    if (!bFound) return nullptr;
    CMemBucket* pclResult = this;
    if (m_nClass > 0 && n <= mg_stTabSizeThreshold[m_nClass].nShrink) {
        // Moving down is only a saving: when the smaller bucket cannot be had, the value is
        // removed in place.
        CMemBucket* pclNew = pclTree->_pclNewBucket(m_nClass - 1);
        if (pclNew != nullptr) {
            pclNew->m_nCount = static_cast<uint16_t>(n - 1);
            pclNew->m_nClass = static_cast<uint16_t>(m_nClass - 1);
            memcpy(pclNew->_pbyValue(pclTree, 0), _pbyValue(pclTree, 0), size_t(p) * nValueSize);
            memcpy(pclNew->_pbyValue(pclTree, p), _pbyValue(pclTree, p + 1), size_t(n - p - 1) * nValueSize);
            pclResult = pclNew;
        }
    }
    if (pclResult == this) {
        memmove(_pbyValue(pclTree, p), _pbyValue(pclTree, p + 1), size_t(n - p - 1) * nValueSize);
        m_nCount = static_cast<uint16_t>(n - 1);
    }
    if (bCursorOnKey) {
        if (clCursor.m_nPosition > p) clCursor.m_nPosition--;
        if (clCursor.m_nPosition >= n - 1) clCursor._StepToNextKey();
    }
    return pclResult;
}

CMemBucket* CMemBucket::_pclVectorFromNested(CMemBTree* pclTree, bool bCursorOnKey) {
    CMemBTree* pclNested = pclGetNestedTree();
    int n = pclNested->nGetNumKeys();
    int nClass = NESTED_CLASS - 1;
    while (nClass > 0 && !(mg_stTabSizeThreshold[nClass].nCapacity >= n && mg_stTabSizeThreshold[nClass].nShrink < n))
        nClass--;
    while (mg_stTabSizeThreshold[nClass].nCapacity < n) nClass++;
    CMemBucket* pclNew = pclTree->_pclNewBucket(nClass);
    if (pclNew == nullptr) return nullptr;
    pclNew->m_nCount = static_cast<uint16_t>(n);
    pclNew->m_nClass = static_cast<uint16_t>(nClass);
    const CMemNode* pcl = pclNested->pclGetRoot();
    while (!pcl->bIsData()) pcl = static_cast<const CMemIndexNode*>(pcl)->pclGetChild(pclNested, 0);
    int i = 0;
    for (auto* pclLeaf = static_cast<const CMemDataNode*>(pcl); pclLeaf != nullptr; pclLeaf = pclLeaf->pclGetNext()) {
        int nKeys = pclLeaf->nGetKeyCount();
        memcpy(pclNew->_pbyValue(pclTree, i), pclLeaf->pKey(pclNested, 0), size_t(nKeys) * pclTree->nGetValueSize());
        i += nKeys;
    }
    if (bCursorOnKey) {
        CMemBTree::CIterator& clCursor = pclTree->m_clCursor;
        clCursor.m_nPosition = pclNested->_nRank(pclNested->m_clCursor);
        clCursor.m_pclBucketLeaf = nullptr;
    }
    return pclNew;
}

bool CMemBucket::bSearch(CMemBTree::CIterator* pclCursor, const void* pValue) {
    CMemBTree* pclTree = pclCursor->m_pclTree;
    int bFound;
    if (!bIsNested()) {
        pclCursor->m_pclBucketLeaf = nullptr;
        pclCursor->m_nPosition = CMemNode::nSearch(pclTree->nGetValueSize(), m_nCount, _pbyValue(pclTree, 0), pValue,
                                                   pclTree->pfnGetCompareValue(), &bFound);
        return bFound != 0;
    }
    // First value not smaller than the one searched; past the last value, the end of the bucket.
    CMemBTree* pclNested = pclGetNestedTree();
    CMemBTree::STPathStep tabstPath[CMemBTree::MAX_DEPTH];
    int nDepth;
    CMemDataNode* pclLeaf = pclNested->_pclDescend(pValue, tabstPath, &nDepth);
    int p = pclNested->_nSearchKey(pclLeaf->nGetKeyCount(), pclLeaf->pKey(pclNested, 0), pValue, &bFound);
    if (p == pclLeaf->nGetKeyCount() && pclLeaf->pclGetNext() != nullptr) {
        pclLeaf = pclLeaf->pclGetNext();
        p = 0;
    }
    pclCursor->m_pclBucketLeaf = pclLeaf;
    pclCursor->m_nPosition = p;
    return bFound != 0;
}

void CMemBucket::GotoFirstRecord(CMemBTree::CIterator* pclCursor) {
    if (!bIsNested()) {
        pclCursor->m_pclBucketLeaf = nullptr;
        pclCursor->m_nPosition = 0;
        return;
    }
    pclGetNestedTree()->GotoFirstRecord();
    _BridgeOut(pclCursor);
}

void CMemBucket::GotoLastRecord(CMemBTree::CIterator* pclCursor) {
    if (!bIsNested()) {
        pclCursor->m_pclBucketLeaf = nullptr;
        pclCursor->m_nPosition = m_nCount - 1;
        return;
    }
    CMemBTree* pclNested = pclGetNestedTree();
    pclNested->GotoEnd();
    pclNested->m_clCursor.bKeyMoveBackward();
    _BridgeOut(pclCursor);
}

void CMemBucket::GotoRecord(CMemBTree::CIterator* pclCursor, int n) {
    if (!bIsNested()) {
        pclCursor->m_pclBucketLeaf = nullptr;
        pclCursor->m_nPosition = n;
        return;
    }
    CMemBTree* pclNested = pclGetNestedTree();
    pclNested->MoveTo(n);
    pclNested->m_clCursor.Validate();
    _BridgeOut(pclCursor);
}

int CMemBucket::nMoveForward(CMemBTree::CIterator* pclCursor, int n) {
    if (!bIsNested()) {
        int nOld = pclCursor->m_nPosition;
        if (nOld + n > m_nCount) {
            pclCursor->m_nPosition = m_nCount;
            return m_nCount - nOld;
        }
        pclCursor->m_nPosition = nOld + n;
        return n;
    }
    _BridgeIn(pclCursor);
    int nMoved = 0;
    pclGetNestedTree()->bAdvance(n, &nMoved,
                                 CMemBTree::ADVANCE_BY_KEY | CMemBTree::ADVANCE_PARTIAL | CMemBTree::ADVANCE_END);
    _BridgeOut(pclCursor);
    return nMoved;
}

int CMemBucket::nMoveBackward(CMemBTree::CIterator* pclCursor, int n) {
    if (!bIsNested()) {
        int nOld = pclCursor->m_nPosition;
        if (n > nOld) {
            pclCursor->m_nPosition = 0;
            return nOld;
        }
        pclCursor->m_nPosition = nOld - n;
        return n;
    }
    _BridgeIn(pclCursor);
    int nMoved = 0;
    pclGetNestedTree()->bAdvance(-n, &nMoved,
                                 CMemBTree::ADVANCE_BY_KEY | CMemBTree::ADVANCE_PARTIAL | CMemBTree::ADVANCE_END);
    _BridgeOut(pclCursor);
    return -nMoved;
}

bool CMemBucket::bPastEnd(const CMemBTree::CIterator* pclCursor) const {
    if (!bIsNested()) return pclCursor->m_nPosition >= m_nCount;
    const CMemDataNode* pclLeaf = pclCursor->m_pclBucketLeaf;
    return pclLeaf->pclGetNext() == nullptr && pclCursor->m_nPosition >= pclLeaf->nGetKeyCount();
}

bool CMemBucket::bAtFirst(const CMemBTree::CIterator* pclCursor) const {
    if (!bIsNested()) return pclCursor->m_nPosition == 0;
    return pclCursor->m_pclBucketLeaf->pclGetPrevious() == nullptr && pclCursor->m_nPosition == 0;
}

int CMemBucket::nRank(const CMemBTree::CIterator* pclCursor) const {
    if (!bIsNested()) return pclCursor->m_nPosition;
    const CMemBTree* pclNested = pclGetNestedTree();
    CMemBTree::CIterator clNested;
    clNested.m_pclTree = const_cast<CMemBTree*>(pclNested);
    clNested.m_pclLeaf = pclCursor->m_pclBucketLeaf;
    clNested.m_nKey = pclCursor->m_nPosition;
    return pclNested->_nRank(clNested);
}
