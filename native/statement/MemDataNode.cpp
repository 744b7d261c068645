// Leaves: entries (key, value slot, bucket bit), moves to and from brothers, split and merge,
// values of a found key, removal; each keeps the tree's cursor on its record.
#include "native/statement/MemDataNode.h"

#include "native/statement/MemBucket.h"
#include "native/statement/MemIndexNode.h"

namespace {

int nBitWords(const CMemBTree* pclTree) {
    return (pclTree->nGetOrder() - 1) / 32 + 1;
}

}  // namespace

void CMemDataNode::Init() {
    SetKind(NODE_DATA);
    memnode::Store32(_pby() + 4, 0);
    SetPrevious(nullptr);
    SetNext(nullptr);
    SetKeyCount(0);
    SetRecordCount(0);
}

void CMemDataNode::SetBucketBit(const CMemBTree* pclTree, int i, bool b) {
    unsigned char* pbyWord = _pby() + pclTree->_nBitOffset() + size_t(i / 32) * 4;
    uint32_t nWord = memnode::nLoad32(pbyWord);
    uint32_t nBit = uint32_t(1) << (i % 32);
    memnode::Store32(pbyWord, b ? (nWord | nBit) : (nWord & ~nBit));
}

int CMemDataNode::nKeyRecords(const CMemBTree* pclTree, int i) const {
    return bHasBucket(pclTree, i) ? pclGetBucket(pclTree, i)->nGetNumKey() : 1;
}

int CMemDataNode::nCountRecords(const CMemBTree* pclTree, int nFrom, int nTo) const {
    int nTotal = nTo - nFrom;
    if (pclTree->nGetValueSize() == 0 || nTo <= nFrom) return nTotal;
    const unsigned char* pbyBits = _pby() + pclTree->_nBitOffset();
    for (int w = nFrom / 32; w <= (nTo - 1) / 32; w++) {
        uint32_t nWord = memnode::nLoad32(pbyBits + size_t(w) * 4);
        if (w == nFrom / 32) nWord &= ~uint32_t(0) << (nFrom % 32);
        if (w == (nTo - 1) / 32 && (nTo % 32) != 0) nWord &= (uint32_t(1) << (nTo % 32)) - 1;
        while (nWord != 0) {
            int i = w * 32 + __builtin_ctz(nWord);
            nTotal += pclGetBucket(pclTree, i)->nGetNumKey() - 1;
            nWord &= nWord - 1;
        }
    }
    return nTotal;
}

void CMemDataNode::_OpenGap(const CMemBTree* pclTree, int p) {
    int n = nGetKeyCount();
    unsigned nKeySize = pclTree->nGetKeySize();
    memmove(pKey(pclTree, p + 1), pKey(pclTree, p), size_t(n - p) * nKeySize);
    if (pclTree->nGetValueSize() == 0) return;
    unsigned nSlotSize = pclTree->nGetSlotSize();
    memmove(pSlot(pclTree, p + 1), pSlot(pclTree, p), size_t(n - p) * nSlotSize);
    // Bits p.. move up by one, word by word, each word taking the top bit of the one below.
    unsigned char* pbyBits = _pby() + pclTree->_nBitOffset();
    int wp = p / 32;
    for (int w = n / 32; w > wp; w--) {
        uint32_t nWord = memnode::nLoad32(pbyBits + size_t(w) * 4);
        uint32_t nBelow = memnode::nLoad32(pbyBits + size_t(w - 1) * 4);
        memnode::Store32(pbyBits + size_t(w) * 4, (nWord << 1) | (nBelow >> 31));
    }
    uint32_t nWord = memnode::nLoad32(pbyBits + size_t(wp) * 4);
    uint32_t nLow = (uint32_t(1) << (p % 32)) - 1;
    memnode::Store32(pbyBits + size_t(wp) * 4, (nWord & nLow) | ((nWord & ~nLow) << 1));
}

void CMemDataNode::_CloseGap(const CMemBTree* pclTree, int p) {
    int n = nGetKeyCount();
    unsigned nKeySize = pclTree->nGetKeySize();
    memmove(pKey(pclTree, p), pKey(pclTree, p + 1), size_t(n - p - 1) * nKeySize);
    if (pclTree->nGetValueSize() == 0) return;
    unsigned nSlotSize = pclTree->nGetSlotSize();
    memmove(pSlot(pclTree, p), pSlot(pclTree, p + 1), size_t(n - p - 1) * nSlotSize);
    unsigned char* pbyBits = _pby() + pclTree->_nBitOffset();
    int nWords = nBitWords(pclTree);
    int wp = p / 32;
    int nLast = (n - 1) / 32;
    for (int w = wp; w <= nLast; w++) {
        uint32_t nWord = memnode::nLoad32(pbyBits + size_t(w) * 4);
        uint32_t nAbove = w + 1 < nWords ? memnode::nLoad32(pbyBits + size_t(w + 1) * 4) : 0;
        uint32_t nShifted = (nWord >> 1) | ((nAbove & 1) << 31);
        if (w == wp) {
            uint32_t nLow = (uint32_t(1) << (p % 32)) - 1;
            nShifted = (nWord & nLow) | (nShifted & ~nLow);
        }
        memnode::Store32(pbyBits + size_t(w) * 4, nShifted);
    }
}

void CMemDataNode::_CopyEntries(const CMemBTree* pclTree, CMemDataNode* pclDst, int nDst, const CMemDataNode* pclSrc,
                                int nSrc, int n) {
    memcpy(pclDst->pKey(pclTree, nDst), pclSrc->pKey(pclTree, nSrc), size_t(n) * pclTree->nGetKeySize());
    if (pclTree->nGetValueSize() == 0) return;
    memcpy(pclDst->pSlot(pclTree, nDst), pclSrc->pSlot(pclTree, nSrc), size_t(n) * pclTree->nGetSlotSize());
    for (int j = 0; j < n; j++) pclDst->SetBucketBit(pclTree, nDst + j, pclSrc->bHasBucket(pclTree, nSrc + j));
}

void CMemDataNode::InsertEntry(CMemBTree* pclTree, int p, const void* pKeyNew, const void* pValue) {
    _OpenGap(pclTree, p);
    memcpy(pKey(pclTree, p), pKeyNew, pclTree->nGetKeySize());
    if (pclTree->nGetValueSize() != 0) {
        memcpy(pSlot(pclTree, p), pValue, pclTree->nGetValueSize());
        SetBucketBit(pclTree, p, false);
    }
    SetKeyCount(nGetKeyCount() + 1);
    SetRecordCount(nGetRecordCount() + 1);
    CMemBTree::CIterator& clCursor = pclTree->m_clCursor;
    if (clCursor.m_pclLeaf == this && clCursor.m_nKey >= p) clCursor.m_nKey++;
}

void CMemDataNode::RemoveEntry(CMemBTree* pclTree, int p) {
    _CloseGap(pclTree, p);
    int n = nGetKeyCount() - 1;
    SetKeyCount(n);
    CMemBTree::CIterator& clCursor = pclTree->m_clCursor;
    if (clCursor.m_pclLeaf != this) return;
    if (clCursor.m_nKey > p) {
        clCursor.m_nKey--;
    } else if (clCursor.m_nKey == p) {
        // The cursor's key went: it goes on to the following record.
        if (p == n && pclGetNext() != nullptr) {
            clCursor.m_pclLeaf = pclGetNext();
            clCursor.m_nKey = 0;
        }
        clCursor._SetFirstValue();
    }
}

void CMemDataNode::MoveLastToRight(CMemBTree* pclTree, CMemDataNode* pclRight) {
    int n = nGetKeyCount();
    int nRecords = nKeyRecords(pclTree, n - 1);
    CMemBTree::CIterator& clCursor = pclTree->m_clCursor;
    pclRight->_OpenGap(pclTree, 0);
    _CopyEntries(pclTree, pclRight, 0, this, n - 1, 1);
    pclRight->SetKeyCount(pclRight->nGetKeyCount() + 1);
    pclRight->SetRecordCount(pclRight->nGetRecordCount() + nRecords);
    SetKeyCount(n - 1);
    SetRecordCount(nGetRecordCount() - nRecords);
    if (clCursor.m_pclLeaf == pclRight) {
        clCursor.m_nKey++;
    } else if (clCursor._bOnKey(this, n - 1)) {
        clCursor.m_pclLeaf = pclRight;
        clCursor.m_nKey = 0;
    }
}

void CMemDataNode::MoveFirstToLeft(CMemBTree* pclTree, CMemDataNode* pclLeft) {
    int nLeft = pclLeft->nGetKeyCount();
    int nRecords = nKeyRecords(pclTree, 0);
    CMemBTree::CIterator& clCursor = pclTree->m_clCursor;
    _CopyEntries(pclTree, pclLeft, nLeft, this, 0, 1);
    pclLeft->SetKeyCount(nLeft + 1);
    pclLeft->SetRecordCount(pclLeft->nGetRecordCount() + nRecords);
    _CloseGap(pclTree, 0);
    SetKeyCount(nGetKeyCount() - 1);
    SetRecordCount(nGetRecordCount() - nRecords);
    if (clCursor.m_pclLeaf == this) {
        if (clCursor.m_nKey == 0) {
            clCursor.m_pclLeaf = pclLeft;
            clCursor.m_nKey = nLeft;
        } else {
            clCursor.m_nKey--;
        }
    }
}

void CMemDataNode::Absorb(CMemBTree* pclTree, CMemDataNode* pclRight) {
    int n = nGetKeyCount();
    int nRight = pclRight->nGetKeyCount();
    _CopyEntries(pclTree, this, n, pclRight, 0, nRight);
    SetKeyCount(n + nRight);
    SetRecordCount(nGetRecordCount() + pclRight->nGetRecordCount());
    CMemDataNode* pclNext = pclRight->pclGetNext();
    SetNext(pclNext);
    if (pclNext != nullptr) pclNext->SetPrevious(this);
    pclRight->SetKeyCount(0);
    pclRight->SetRecordCount(0);
    CMemBTree::CIterator& clCursor = pclTree->m_clCursor;
    if (clCursor.m_pclLeaf == pclRight) {
        clCursor.m_pclLeaf = this;
        clCursor.m_nKey += n;
    }
}

void CMemDataNode::_Split(CMemBTree* pclTree, CMemDataNode* pclNew) {
    int n = nGetKeyCount();
    int nKept = (n + 1) / 2;
    pclNew->Init();
    _CopyEntries(pclTree, pclNew, 0, this, nKept, n - nKept);
    pclNew->SetKeyCount(n - nKept);
    SetKeyCount(nKept);
    int nMoved = pclNew->nCountRecords(pclTree, 0, n - nKept);
    pclNew->SetRecordCount(nMoved);
    SetRecordCount(nGetRecordCount() - nMoved);
    CMemDataNode* pclNext = pclGetNext();
    pclNew->SetPrevious(this);
    pclNew->SetNext(pclNext);
    if (pclNext != nullptr) pclNext->SetPrevious(pclNew);
    SetNext(pclNew);
    CMemBTree::CIterator& clCursor = pclTree->m_clCursor;
    if (clCursor.m_pclLeaf == this && clCursor.m_nKey >= nKept) {
        clCursor.m_pclLeaf = pclNew;
        clCursor.m_nKey -= nKept;
    }
}

void CMemDataNode::InsertNewKey(const STAscentInfo& stAscent, int p, const void* pKeyNew, const void* pValue,
                                STInsertionResult* pstOut, CMemDataNode* pclSpare) {
    CMemBTree* pclTree = stAscent.pclTree;
    pstOut->pKey = nullptr;
    pstOut->pclNewNode = nullptr;
    int n = nGetKeyCount();
    int nOrder = pclTree->nGetOrder();
    unsigned nKeySize = pclTree->nGetKeySize();
    if (n < nOrder) {
        InsertEntry(pclTree, p, pKeyNew, pValue);
        return;
    }
    CMemIndexNode* pclParent = stAscent.pclParent;
    int c = stAscent.nIndex;
    if (pclParent != nullptr && c < pclParent->nGetKeyCount()) {
        auto* pclRight = static_cast<CMemDataNode*>(pclParent->pclGetChild(pclTree, c + 1));
        if (pclRight->nGetKeyCount() < nOrder) {
            if (p == n) {
                pclRight->InsertEntry(pclTree, 0, pKeyNew, pValue);
            } else {
                MoveLastToRight(pclTree, pclRight);
                InsertEntry(pclTree, p, pKeyNew, pValue);
            }
            memcpy(pclParent->pSeparator(pclTree, c), pclRight->pKey(pclTree, 0), nKeySize);
            return;
        }
    }
    // A key smaller than this leaf's first only reaches the leftmost leaf, which has no left
    // brother; the test on p keeps the separator rule whatever happens.
    if (pclParent != nullptr && c > 0 && p > 0) {
        auto* pclLeft = static_cast<CMemDataNode*>(pclParent->pclGetChild(pclTree, c - 1));
        if (pclLeft->nGetKeyCount() < nOrder) {
            MoveFirstToLeft(pclTree, pclLeft);
            InsertEntry(pclTree, p - 1, pKeyNew, pValue);
            memcpy(pclParent->pSeparator(pclTree, c - 1), pKey(pclTree, 0), nKeySize);
            return;
        }
    }
    _Split(pclTree, pclSpare);
    int nKept = nGetKeyCount();
    if (p <= nKept)
        InsertEntry(pclTree, p, pKeyNew, pValue);
    else
        pclSpare->InsertEntry(pclTree, p - nKept, pKeyNew, pValue);
    pstOut->pKey = pclSpare->pKey(pclTree, 0);
    pstOut->pclNewNode = pclSpare;
}

bool CMemDataNode::bAddValue(CMemBTree* pclTree, int p, const void* pValue) {
    if (pclTree->nGetValueSize() == 0) return false;
    bool bCursorOnKey = pclTree->m_clCursor._bOnKey(this, p);
    if (bHasBucket(pclTree, p)) {
        CMemBucket* pclBucket = pclGetBucket(pclTree, p);
        CMemBucket* pclNew = pclBucket->pclInsert(pclTree, pValue, bCursorOnKey);
        if (pclNew == nullptr) return false;
        if (pclNew != pclBucket) {
            SetBucket(pclTree, p, pclNew);
            pclTree->_FreeBucket(pclBucket);
        }
    } else {
        const unsigned char* pbyOld = pSlot(pclTree, p);
        int n = pclTree->pfnGetCompareValue()(pValue, pbyOld, pclTree->nGetValueSize());
        if (n == 0) return false;
        CMemBucket* pclNew = n < 0 ? CMemBucket::pclCreatePair(pclTree, pValue, pbyOld)
                                   : CMemBucket::pclCreatePair(pclTree, pbyOld, pValue);
        if (pclNew == nullptr) return false;
        SetBucket(pclTree, p, pclNew);
        if (bCursorOnKey) {
            pclTree->m_clCursor.m_pclBucketLeaf = nullptr;
            pclTree->m_clCursor.m_nPosition = n < 0 ? 1 : 0;
        }
    }
    SetRecordCount(nGetRecordCount() + 1);
    return true;
}

unsigned CMemDataNode::nRemove(CMemBTree* pclTree, int p, const void* pValue, bool* pbKeyRemoved) {
    *pbKeyRemoved = false;
    unsigned nRemoved = 1;
    if (bHasBucket(pclTree, p)) {
        CMemBucket* pclBucket = pclGetBucket(pclTree, p);
        if (pValue == nullptr) {
            nRemoved = static_cast<unsigned>(pclBucket->nGetNumKey());
            SetBucketBit(pclTree, p, false);
            pclTree->_FreeBucket(pclBucket);
        } else {
            CMemBucket* pclNew = pclBucket->pclDelete(pclTree, pValue, pclTree->m_clCursor._bOnKey(this, p));
            if (pclNew == nullptr) return 0;
            if (pclNew != pclBucket) pclTree->_FreeBucket(pclBucket);
            if (pclNew->nGetNumKey() == 1) {
                // The last value goes back into the slot.
                memcpy(pSlot(pclTree, p), pclNew->pGetOnlyKey(), pclTree->nGetValueSize());
                SetBucketBit(pclTree, p, false);
                pclTree->_FreeBucket(pclNew);
                if (pclTree->m_clCursor._bOnKey(this, p)) pclTree->m_clCursor._ClearBucketPart();
            } else {
                SetBucket(pclTree, p, pclNew);
            }
            SetRecordCount(nGetRecordCount() - 1);
            return 1;
        }
    } else if (pValue != nullptr && pclTree->nGetValueSize() != 0 &&
               pclTree->pfnGetCompareValue()(pValue, pSlot(pclTree, p), pclTree->nGetValueSize()) != 0) {
        return 0;
    }
    RemoveEntry(pclTree, p);
    SetRecordCount(nGetRecordCount() - static_cast<int>(nRemoved));
    *pbKeyRemoved = true;
    return nRemoved;
}

int CMemDataNode::nRefill(const STAscentInfo& stAscent) {
    CMemBTree* pclTree = stAscent.pclTree;
    CMemIndexNode* pclParent = stAscent.pclParent;
    int c = stAscent.nIndex;
    int nOrder = pclTree->nGetOrder();
    int nMinFill = pclTree->nGetMinFill();
    int n = nGetKeyCount();
    if (pclParent == nullptr || n >= nMinFill) return MERGE_NONE;
    auto* pclLeft = c > 0 ? static_cast<CMemDataNode*>(pclParent->pclGetChild(pclTree, c - 1)) : nullptr;
    auto* pclRight =
        c < pclParent->nGetKeyCount() ? static_cast<CMemDataNode*>(pclParent->pclGetChild(pclTree, c + 1)) : nullptr;
    if (pclLeft == nullptr && pclRight == nullptr) return MERGE_NONE;

    bool bIntoLeft = pclLeft != nullptr && (pclRight == nullptr || pclLeft->nGetKeyCount() < pclRight->nGetKeyCount());
    if (bIntoLeft) {
        if (pclLeft->nGetKeyCount() + n <= nOrder) {
            pclLeft->Absorb(pclTree, this);
            return MERGE_INTO_LEFT;
        }
    } else if (n + pclRight->nGetKeyCount() <= nOrder) {
        Absorb(pclTree, pclRight);
        return MERGE_ABSORB_RIGHT;
    }
    if (pclRight != nullptr && pclRight->nGetKeyCount() > nMinFill)
        pclParent->RotateLeft(pclTree, c);
    else if (pclLeft != nullptr && pclLeft->nGetKeyCount() > nMinFill)
        pclParent->RotateRight(pclTree, c - 1, nullptr);
    return MERGE_NONE;
}

void CMemDataNode::FreeBuckets(CMemBTree* pclTree) {
    if (pclTree->nGetValueSize() == 0) return;
    for (int i = 0; i < nGetKeyCount(); i++)
        if (bHasBucket(pclTree, i)) pclTree->_FreeBucket(pclGetBucket(pclTree, i));
}
