// The B+-tree's cursor and everything that moves or reads through it: first, end, rank, moves
// by records or by keys, searches, duplicate counts. Ranks and long moves by records go through
// the record counts of the inner nodes: one root-to-leaf walk, whatever the distance.
#include <cstdint>

#include "native/statement/MemBTree.h"
#include "native/statement/MemBucket.h"
#include "native/statement/MemDataNode.h"
#include "native/statement/MemIndexNode.h"

// --- CIterator ------------------------------------------------------------------------------

CMemBucket* CMemBTree::CIterator::_pclBucket() const {
    if (m_pclLeaf == nullptr || m_nKey >= m_pclLeaf->nGetKeyCount() || !m_pclLeaf->bHasBucket(m_pclTree, m_nKey))
        return nullptr;
    return m_pclLeaf->pclGetBucket(m_pclTree, m_nKey);
}

void CMemBTree::CIterator::_SetFirstValue() {
    CMemBucket* pclBucket = _pclBucket();
    if (pclBucket != nullptr)
        pclBucket->GotoFirstRecord(this);
    else
        _ClearBucketPart();
}

void CMemBTree::CIterator::_SetLastValue() {
    CMemBucket* pclBucket = _pclBucket();
    if (pclBucket != nullptr)
        pclBucket->GotoLastRecord(this);
    else
        _ClearBucketPart();
}

void CMemBTree::CIterator::_StepToNextKey() {
    m_nKey++;
    if (m_nKey >= m_pclLeaf->nGetKeyCount() && m_pclLeaf->pclGetNext() != nullptr) {
        m_pclLeaf = m_pclLeaf->pclGetNext();
        m_nKey = 0;
    }
    _SetFirstValue();
}

bool CMemBTree::CIterator::bKeyMoveForward() {
    if (m_pclLeaf == nullptr || m_nKey >= m_pclLeaf->nGetKeyCount()) return false;
    m_nKey++;
    if (m_nKey == m_pclLeaf->nGetKeyCount() && m_pclLeaf->pclGetNext() != nullptr) {
        m_pclLeaf = m_pclLeaf->pclGetNext();
        m_nKey = 0;
    }
    return true;
}

bool CMemBTree::CIterator::bKeyMoveBackward() {
    if (m_pclLeaf == nullptr) return false;
    if (m_nKey > 0) {
        m_nKey--;
        return true;
    }
    CMemDataNode* pclPrevious = m_pclLeaf->pclGetPrevious();
    if (pclPrevious == nullptr) return false;
    m_pclLeaf = pclPrevious;
    m_nKey = pclPrevious->nGetKeyCount() - 1;
    return true;
}

void CMemBTree::CIterator::RecordMoveForward() {
    CMemBucket* pclBucket = _pclBucket();
    if (pclBucket != nullptr) {
        pclBucket->nMoveForward(this, 1);
        if (!pclBucket->bPastEnd(this)) return;
    }
    _StepToNextKey();
}

void CMemBTree::CIterator::RecordMoveBackward() {
    CMemBucket* pclBucket = _pclBucket();
    if (pclBucket != nullptr && !pclBucket->bAtFirst(this)) {
        pclBucket->nMoveBackward(this, 1);
        return;
    }
    if (bKeyMoveBackward()) _SetLastValue();
}

bool CMemBTree::CIterator::bFirstRecord() const {
    if (m_pclLeaf == nullptr || m_pclLeaf->pclGetPrevious() != nullptr || m_nKey != 0 || m_pclLeaf->nGetKeyCount() == 0)
        return false;
    CMemBucket* pclBucket = _pclBucket();
    return pclBucket == nullptr || pclBucket->bAtFirst(this);
}

bool CMemBTree::CIterator::bEnd() const {
    return m_pclLeaf != nullptr && m_pclLeaf->pclGetNext() == nullptr && m_nKey >= m_pclLeaf->nGetKeyCount();
}

void CMemBTree::CIterator::Validate() {
    if (m_pclLeaf == nullptr) return;
    if (m_nKey < m_pclLeaf->nGetKeyCount()) {
        CMemBucket* pclBucket = _pclBucket();
        if (pclBucket == nullptr) return;
        if (pclBucket->bIsNested() && m_pclBucketLeaf->pclGetNext() != nullptr &&
            m_nPosition >= m_pclBucketLeaf->nGetKeyCount()) {
            m_pclBucketLeaf = m_pclBucketLeaf->pclGetNext();
            m_nPosition = 0;
        }
        if (pclBucket->bPastEnd(this)) _StepToNextKey();
        return;
    }
    if (m_pclLeaf->pclGetNext() != nullptr) {
        m_pclLeaf = m_pclLeaf->pclGetNext();
        m_nKey = 0;
        _SetFirstValue();
    } else {
        _ClearBucketPart();
    }
}

// --- Positioning ----------------------------------------------------------------------------

void CMemBTree::_GotoFirst(CIterator& it) const {
    const CMemNode* pcl = m_pclRoot;
    while (!pcl->bIsData()) pcl = static_cast<const CMemIndexNode*>(pcl)->pclGetChild(this, 0);
    it.m_pclLeaf = const_cast<CMemDataNode*>(static_cast<const CMemDataNode*>(pcl));
    it.m_nKey = 0;
    it._SetFirstValue();
}

void CMemBTree::_GotoEnd(CIterator& it) const {
    const CMemNode* pcl = m_pclRoot;
    while (!pcl->bIsData()) {
        auto* pclIndex = static_cast<const CMemIndexNode*>(pcl);
        pcl = pclIndex->pclGetChild(this, pclIndex->nGetKeyCount());
    }
    it.m_pclLeaf = const_cast<CMemDataNode*>(static_cast<const CMemDataNode*>(pcl));
    it.m_nKey = it.m_pclLeaf->nGetKeyCount();
    it._ClearBucketPart();
}

void CMemBTree::GotoFirstRecord() {
    if (m_pclRoot != nullptr) _GotoFirst(m_clCursor);
}

void CMemBTree::GotoEnd() {
    if (m_pclRoot != nullptr) _GotoEnd(m_clCursor);
}

void CMemBTree::MoveTo(int nRank) {
    if (m_pclRoot == nullptr) return;
    _MoveTo(m_clCursor, nRank);
}

void CMemBTree::_MoveTo(CIterator& it, int nRank) const {
    int nTotal = nGetNumRecord();
    if (nRank >= nTotal) {
        _GotoEnd(it);
        return;
    }
    if (nRank <= 0) {
        _GotoFirst(it);
        return;
    }
    // Children, then keys, are passed over by their record counts, from whichever end of the
    // node is nearer to the rank.
    unsigned nLeft = static_cast<unsigned>(nRank);
    const CMemNode* pcl = m_pclRoot;
    while (!pcl->bIsData()) {
        auto* pclIndex = static_cast<const CMemIndexNode*>(pcl);
        unsigned nSubtree = pclIndex->nGetRecordCount();
        int c;
        if (nLeft < nSubtree / 2) {
            c = 0;
            for (;;) {
                unsigned nChild = pclIndex->pclGetChild(this, c)->nGetSubtreeRecords();
                if (nLeft < nChild) break;
                nLeft -= nChild;
                c++;
            }
        } else {
            c = pclIndex->nGetKeyCount();
            unsigned nFromChild = pclIndex->pclGetChild(this, c)->nGetSubtreeRecords();
            while (nSubtree - nFromChild > nLeft) nFromChild += pclIndex->pclGetChild(this, --c)->nGetSubtreeRecords();
            nLeft -= nSubtree - nFromChild;
        }
        pcl = pclIndex->pclGetChild(this, c);
    }
    auto* pclLeaf = const_cast<CMemDataNode*>(static_cast<const CMemDataNode*>(pcl));
    int nKeys = pclLeaf->nGetKeyCount();
    int k;
    if (pclLeaf->nGetRecordCount() == nKeys) {
        k = static_cast<int>(nLeft);
        nLeft = 0;
    } else {
        k = 0;
        for (;;) {
            unsigned nKey = static_cast<unsigned>(pclLeaf->nKeyRecords(this, k));
            if (nLeft < nKey) break;
            nLeft -= nKey;
            k++;
        }
    }
    it.m_pclLeaf = pclLeaf;
    it.m_nKey = k;
    CMemBucket* pclBucket = it._pclBucket();
    if (pclBucket != nullptr)
        pclBucket->GotoRecord(&it, static_cast<int>(nLeft));
    else
        it._ClearBucketPart();
}

int CMemBTree::_nRank(const CIterator& it) const {
    if (it.m_pclLeaf == nullptr) return 0;
    if (it.m_nKey >= it.m_pclLeaf->nGetKeyCount()) {
        if (it.m_pclLeaf->pclGetNext() == nullptr) return nGetNumRecord();
        CIterator clNext = it;
        clNext.Validate();
        return _nRank(clNext);
    }
    // The records of the subtrees left of the path to the cursor's key, summed from whichever
    // end of each node is nearer.
    const void* pKey = it.m_pclLeaf->pKey(this, it.m_nKey);
    unsigned nBefore = 0;
    const CMemNode* pcl = m_pclRoot;
    while (!pcl->bIsData()) {
        auto* pclIndex = static_cast<const CMemIndexNode*>(pcl);
        int c = pclIndex->nChildFor(this, pKey);
        int n = pclIndex->nGetKeyCount();
        if (c <= n / 2) {
            for (int j = 0; j < c; j++) nBefore += pclIndex->pclGetChild(this, j)->nGetSubtreeRecords();
        } else {
            unsigned nFrom = 0;
            for (int j = c; j <= n; j++) nFrom += pclIndex->pclGetChild(this, j)->nGetSubtreeRecords();
            nBefore += pclIndex->nGetRecordCount() - nFrom;
        }
        pcl = pclIndex->pclGetChild(this, c);
    }
    nBefore += static_cast<unsigned>(it.m_pclLeaf->nCountRecords(this, 0, it.m_nKey));
    CMemBucket* pclBucket = it._pclBucket();
    if (pclBucket != nullptr) nBefore += static_cast<unsigned>(pclBucket->nRank(&it));
    return static_cast<int>(nBefore);
}

// --- Moves ----------------------------------------------------------------------------------

int CMemBTree::_nAdvanceByKeys(CIterator& it, int n) const {
    CMemDataNode* pclLeaf = it.m_pclLeaf;
    int k = it.m_nKey;
    int64_t nSteps = 0;
    if (n > 0) {
        int64_t nLeft = n;
        for (;;) {
            int nAvailable = pclLeaf->nGetKeyCount() - k;
            if (nLeft < nAvailable) {
                k += static_cast<int>(nLeft);
                nSteps += nLeft;
                break;
            }
            nSteps += nAvailable;
            if (pclLeaf->pclGetNext() == nullptr) {
                k = pclLeaf->nGetKeyCount();
                break;
            }
            nLeft -= nAvailable;
            pclLeaf = pclLeaf->pclGetNext();
            k = 0;
        }
    } else {
        int64_t nLeft = -int64_t(n);
        for (;;) {
            if (nLeft <= k) {
                k -= static_cast<int>(nLeft);
                nSteps += nLeft;
                break;
            }
            nSteps += k;
            nLeft -= k;
            k = 0;
            CMemDataNode* pclPrevious = pclLeaf->pclGetPrevious();
            if (pclPrevious == nullptr) break;
            pclLeaf = pclPrevious;
            k = pclLeaf->nGetKeyCount() - 1;
            nSteps++;
            nLeft--;
        }
        nSteps = -nSteps;
    }
    it.m_pclLeaf = pclLeaf;
    it.m_nKey = k;
    return static_cast<int>(nSteps);
}

bool CMemBTree::bAdvance(int n, int* pnMoved, int nFlags) {
    int nMoved = 0;
    bool bResult = false;
    CIterator it = m_clCursor;
    // In a tree of keys only, a key is a record.
    bool bByKey = (nFlags & ADVANCE_BY_KEY) != 0 && m_nValueSize != 0;
    bool bEndOk = (nFlags & ADVANCE_END) != 0;
    if (m_pclRoot == nullptr || it.m_pclLeaf == nullptr) {
        if (pnMoved != nullptr) *pnMoved = 0;
        return false;
    }
    if (n == 0) {
        if (pnMoved != nullptr) *pnMoved = 0;
        return bEndOk || !it.bEnd();
    }
    if (n == 1) {
        if (!it.bEnd()) {
            if (bByKey) {
                it.bKeyMoveForward();
                it._SetFirstValue();
            } else {
                it.RecordMoveForward();
            }
            if (bEndOk || !it.bEnd()) nMoved = 1;
        }
    } else if (n == -1) {
        if (bByKey) {
            if (it.bKeyMoveBackward()) {
                it._SetFirstValue();
                nMoved = -1;
            }
        } else if (!it.bFirstRecord()) {
            it.RecordMoveBackward();
            nMoved = -1;
        }
    } else if (bByKey) {
        bool bAtEnd = it.bEnd();
        nMoved = _nAdvanceByKeys(it, n);
        if (n > 0 && bAtEnd) {
            nMoved = 0;
        } else if (n > 0 && it.bEnd() && !bEndOk) {
            // Stopped on the end: the step onto it does not count, and the cursor steps back
            // onto the last key.
            nMoved--;
            if (nMoved > 0) it.bKeyMoveBackward();
        }
        it._SetFirstValue();
    } else {
        // Long moves by records go by rank: the target is found from the root.
        int64_t nRank = _nRank(it);
        int64_t nTotal = nGetNumRecord();
        int64_t nTarget;
        int64_t nSteps;
        if (n > 0) {
            if (nRank >= nTotal) {
                nSteps = 0;
                nTarget = nRank;
            } else if (nRank + n < nTotal) {
                nSteps = n;
                nTarget = nRank + n;
            } else if (bEndOk) {
                nSteps = nTotal - nRank;
                nTarget = nTotal;
            } else {
                // Stopped on the end: the step onto it does not count.
                nSteps = nTotal - nRank - 1;
                nTarget = nTotal - 1;
            }
        } else if (nRank + n >= 0) {
            nSteps = n;
            nTarget = nRank + n;
        } else {
            nSteps = -nRank;
            nTarget = 0;
        }
        nMoved = static_cast<int>(nSteps);
        if (nMoved == n || ((nFlags & ADVANCE_PARTIAL) != 0 && nMoved != 0)) _MoveTo(it, static_cast<int>(nTarget));
    }
    if (pnMoved != nullptr) *pnMoved = nMoved;
    bResult = nMoved == n || ((nFlags & ADVANCE_PARTIAL) != 0 && nMoved != 0);
    if (bResult) m_clCursor = it;
    return bResult;
}

// --- Searches and reads ---------------------------------------------------------------------

void* CMemBTree::pSearch(const void* pKey, int nFlags) {
    if (m_pclRoot == nullptr) return nullptr;
    STPathStep tabstPath[MAX_DEPTH];
    int nDepth;
    CMemDataNode* pclLeaf = _pclDescend(pKey, tabstPath, &nDepth);
    int bFound;
    int p = _nSearchKey(pclLeaf->nGetKeyCount(), pclLeaf->pKey(this, 0), pKey, &bFound);
    bool bFromAbove = (nFlags & SEARCH_FROM_ABOVE) != 0;
    if ((nFlags & SEARCH_EXACT) != 0 && !bFound) return nullptr;
    if (bFromAbove && !bFound) {
        // Separators name their subtree's first key exactly, so only the leftmost leaf can have
        // no key below the one searched.
        if (p == 0) return nullptr;
        p--;
    }
    CIterator it;
    it.m_pclTree = this;
    it.m_pclLeaf = pclLeaf;
    it.m_nKey = p;
    if (p == pclLeaf->nGetKeyCount() && pclLeaf->pclGetNext() != nullptr) {
        it.m_pclLeaf = pclLeaf->pclGetNext();
        it.m_nKey = 0;
    }
    if (it.m_nKey >= it.m_pclLeaf->nGetKeyCount()) return nullptr;
    if (bFromAbove)
        it._SetLastValue();
    else
        it._SetFirstValue();
    m_clCursor = it;
    return m_nValueSize == 0 ? nullptr : const_cast<void*>(pReadValue());
}

bool CMemBTree::bFindRecord(const void* pKey, const void* pValue) {
    if (m_pclRoot == nullptr) return false;
    STPathStep tabstPath[MAX_DEPTH];
    int nDepth;
    CMemDataNode* pclLeaf = _pclDescend(pKey, tabstPath, &nDepth);
    int bFound;
    int p = _nSearchKey(pclLeaf->nGetKeyCount(), pclLeaf->pKey(this, 0), pKey, &bFound);
    CIterator& it = m_clCursor;
    it.m_pclLeaf = pclLeaf;
    it.m_nKey = p;
    it._ClearBucketPart();
    if (!bFound) {
        if (p < pclLeaf->nGetKeyCount())
            it._SetFirstValue();
        else
            it.Validate();
        return false;
    }
    if (m_nValueSize == 0) return true;
    CMemBucket* pclBucket = it._pclBucket();
    if (pclBucket == nullptr) return m_pfnCompareValue(pValue, pclLeaf->pSlot(this, p), m_nValueSize) == 0;
    bool bPresent = pclBucket->bSearch(&it, pValue);
    // A value above every value of the key stands before the next record.
    if (!bPresent) it.Validate();
    return bPresent;
}

int CMemBTree::nNumDuplicates() const {
    const CIterator& it = m_clCursor;
    if (it.m_pclLeaf == nullptr || it.m_nKey >= it.m_pclLeaf->nGetKeyCount()) return 0;
    CMemBucket* pclBucket = it._pclBucket();
    return pclBucket == nullptr ? 1 : pclBucket->nGetNumKey();
}

const void* CMemBTree::pReadKey() const {
    const CIterator& it = m_clCursor;
    if (it.m_pclLeaf == nullptr || it.m_nKey >= it.m_pclLeaf->nGetKeyCount()) return nullptr;
    return it.m_pclLeaf->pKey(this, it.m_nKey);
}

const void* CMemBTree::pReadValue() const {
    const CIterator& it = m_clCursor;
    if (m_nValueSize == 0 || it.m_pclLeaf == nullptr || it.m_nKey >= it.m_pclLeaf->nGetKeyCount()) return nullptr;
    CMemBucket* pclBucket = it._pclBucket();
    if (pclBucket == nullptr) return it.m_pclLeaf->pSlot(this, it.m_nKey);
    return pclBucket->pGetValue(&it);
}
