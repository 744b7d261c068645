// Inner nodes: separators and children, rotations between brothers, insertion of a split child
// (rotation before split, three split cases) and refill after a removal below.
#include "native/statement/MemIndexNode.h"

#include "native/statement/MemDataNode.h"

void CMemIndexNode::Init(const CMemBTree* pclTree, uint32_t nKind, CMemNode* pclChild) {
    SetKind(nKind);
    SetKeyCount(0);
    SetRecordCount(0);
    SetChild(pclTree, 0, pclChild);
}

int CMemIndexNode::nChildFor(const CMemBTree* pclTree, const void* pKey) const {
    int bFound;
    int p = pclTree->_nSearchKey(nGetKeyCount(), pSeparator(pclTree, 0), pKey, &bFound);
    return bFound ? p + 1 : p;
}

void CMemIndexNode::InsertAt(const CMemBTree* pclTree, int nSep, const void* pKey, CMemNode* pclChild) {
    int n = nGetKeyCount();
    unsigned nKeySize = pclTree->nGetKeySize();
    memmove(pSeparator(pclTree, nSep + 1), pSeparator(pclTree, nSep), size_t(n - nSep) * nKeySize);
    memcpy(pSeparator(pclTree, nSep), pKey, nKeySize);
    unsigned char* pbyChildren = _pby() + pclTree->_nChildOffset();
    memmove(pbyChildren + size_t(nSep + 2) * 8, pbyChildren + size_t(nSep + 1) * 8, size_t(n - nSep) * 8);
    SetChild(pclTree, nSep + 1, pclChild);
    SetKeyCount(n + 1);
}

void CMemIndexNode::RemoveAt(const CMemBTree* pclTree, int nSep, int nChild) {
    int n = nGetKeyCount();
    unsigned nKeySize = pclTree->nGetKeySize();
    memmove(pSeparator(pclTree, nSep), pSeparator(pclTree, nSep + 1), size_t(n - nSep - 1) * nKeySize);
    unsigned char* pbyChildren = _pby() + pclTree->_nChildOffset();
    memmove(pbyChildren + size_t(nChild) * 8, pbyChildren + size_t(nChild + 1) * 8, size_t(n - nChild) * 8);
    SetKeyCount(n - 1);
}

void CMemIndexNode::_Append(const CMemBTree* pclTree, const void* pKey, CMemNode* pclChild) {
    int n = nGetKeyCount();
    memcpy(pSeparator(pclTree, n), pKey, pclTree->nGetKeySize());
    SetChild(pclTree, n + 1, pclChild);
    SetKeyCount(n + 1);
}

void CMemIndexNode::_Prepend(const CMemBTree* pclTree, CMemNode* pclChild, const void* pKey) {
    int n = nGetKeyCount();
    unsigned nKeySize = pclTree->nGetKeySize();
    memmove(pSeparator(pclTree, 1), pSeparator(pclTree, 0), size_t(n) * nKeySize);
    memcpy(pSeparator(pclTree, 0), pKey, nKeySize);
    unsigned char* pbyChildren = _pby() + pclTree->_nChildOffset();
    memmove(pbyChildren + 8, pbyChildren, size_t(n + 1) * 8);
    SetChild(pclTree, 0, pclChild);
    SetKeyCount(n + 1);
}

unsigned CMemIndexNode::nRecountRecords(const CMemBTree* pclTree) const {
    unsigned nTotal = 0;
    for (int i = 0; i <= nGetKeyCount(); i++) nTotal += pclGetChild(pclTree, i)->nGetSubtreeRecords();
    return nTotal;
}

void CMemIndexNode::RotateLeft(CMemBTree* pclTree, int c) {
    CMemNode* pclLeft = pclGetChild(pclTree, c);
    CMemNode* pclRight = pclGetChild(pclTree, c + 1);
    if (pclLeft->bIsData()) {
        auto* pclRightLeaf = static_cast<CMemDataNode*>(pclRight);
        pclRightLeaf->MoveFirstToLeft(pclTree, static_cast<CMemDataNode*>(pclLeft));
        memcpy(pSeparator(pclTree, c), pclRightLeaf->pKey(pclTree, 0), pclTree->nGetKeySize());
        return;
    }
    auto* pclL = static_cast<CMemIndexNode*>(pclLeft);
    auto* pclR = static_cast<CMemIndexNode*>(pclRight);
    CMemNode* pclMoved = pclR->pclGetChild(pclTree, 0);
    unsigned nMoved = pclMoved->nGetSubtreeRecords();
    pclL->_Append(pclTree, pSeparator(pclTree, c), pclMoved);
    memcpy(pSeparator(pclTree, c), pclR->pSeparator(pclTree, 0), pclTree->nGetKeySize());
    pclR->RemoveAt(pclTree, 0, 0);
    pclL->SetRecordCount(pclL->nGetRecordCount() + nMoved);
    pclR->SetRecordCount(pclR->nGetRecordCount() - nMoved);
}

void CMemIndexNode::RotateRight(CMemBTree* pclTree, int c, const void* pPendingKey) {
    CMemNode* pclLeft = pclGetChild(pclTree, c);
    CMemNode* pclRight = pclGetChild(pclTree, c + 1);
    if (pclLeft->bIsData()) {
        auto* pclRightLeaf = static_cast<CMemDataNode*>(pclRight);
        static_cast<CMemDataNode*>(pclLeft)->MoveLastToRight(pclTree, pclRightLeaf);
        memcpy(pSeparator(pclTree, c), pclRightLeaf->pKey(pclTree, 0), pclTree->nGetKeySize());
        return;
    }
    auto* pclL = static_cast<CMemIndexNode*>(pclLeft);
    auto* pclR = static_cast<CMemIndexNode*>(pclRight);
    int nLeft = pclL->nGetKeyCount();
    CMemNode* pclMoved = pclL->pclGetChild(pclTree, nLeft);
    unsigned nMoved = pclMoved->nGetSubtreeRecords();
    // Separator c names the right node's old first child; when that subtree's first key changed
    // below and has not been adopted yet, the new key is the one to go down.
    pclR->_Prepend(pclTree, pclMoved, pPendingKey != nullptr ? pPendingKey : pSeparator(pclTree, c));
    memcpy(pSeparator(pclTree, c), pclL->pSeparator(pclTree, nLeft - 1), pclTree->nGetKeySize());
    pclL->SetKeyCount(nLeft - 1);
    pclL->SetRecordCount(pclL->nGetRecordCount() - nMoved);
    pclR->SetRecordCount(pclR->nGetRecordCount() + nMoved);
}

void CMemIndexNode::InsertSplit(const STAscentInfo& stAscent, int c, const STInsertionResult& stIn,
                                STInsertionResult* pstOut, CMemBTree::STSpareNodes& stSpares) {
    CMemBTree* pclTree = stAscent.pclTree;
    pstOut->pKey = nullptr;
    pstOut->pclNewNode = nullptr;
    int n = nGetKeyCount();
    if (n < pclTree->nGetOrder()) {
        InsertAt(pclTree, c, stIn.pKey, stIn.pclNewNode);
        return;
    }
    CMemIndexNode* pclParent = stAscent.pclParent;
    int i = stAscent.nIndex;
    if (pclParent != nullptr && i < pclParent->nGetKeyCount()) {
        auto* pclRight = static_cast<CMemIndexNode*>(pclParent->pclGetChild(pclTree, i + 1));
        if (pclRight->nGetKeyCount() < pclTree->nGetOrder()) {
            if (c != n) {
                pclParent->RotateRight(pclTree, i, nullptr);
                InsertAt(pclTree, c, stIn.pKey, stIn.pclNewNode);
            } else {
                // The new child is the last one: it becomes the right brother's first child.
                unsigned nMoved = stIn.pclNewNode->nGetSubtreeRecords();
                pclRight->_Prepend(pclTree, stIn.pclNewNode, pclParent->pSeparator(pclTree, i));
                memcpy(pclParent->pSeparator(pclTree, i), stIn.pKey, pclTree->nGetKeySize());
                pclRight->SetRecordCount(pclRight->nGetRecordCount() + nMoved);
                SetRecordCount(nGetRecordCount() - nMoved);
            }
            return;
        }
    }
    if (pclParent != nullptr && i > 0) {
        auto* pclLeft = static_cast<CMemIndexNode*>(pclParent->pclGetChild(pclTree, i - 1));
        if (pclLeft->nGetKeyCount() < pclTree->nGetOrder()) {
            if (c != 0) {
                pclParent->RotateLeft(pclTree, i - 1);
                InsertAt(pclTree, c - 1, stIn.pKey, stIn.pclNewNode);
            } else {
                // The split child was the first: it goes to the left brother, the new child
                // takes its place.
                CMemNode* pclMoved = pclGetChild(pclTree, 0);
                unsigned nMoved = pclMoved->nGetSubtreeRecords();
                pclLeft->_Append(pclTree, pclParent->pSeparator(pclTree, i - 1), pclMoved);
                SetChild(pclTree, 0, stIn.pclNewNode);
                memcpy(pclParent->pSeparator(pclTree, i - 1), stIn.pKey, pclTree->nGetKeySize());
                pclLeft->SetRecordCount(pclLeft->nGetRecordCount() + nMoved);
                SetRecordCount(nGetRecordCount() - nMoved);
            }
            return;
        }
    }
    _Split(pclTree, c, stIn.pKey, stIn.pclNewNode, stSpares.tabpclIndex[--stSpares.nIndex], pstOut);
}

void CMemIndexNode::_Split(CMemBTree* pclTree, int p, const void* pKey, CMemNode* pclChild, CMemIndexNode* pclNew,
                           STInsertionResult* pstOut) {
    int n = nGetKeyCount();
    int m = (n + 1) / 2;
    unsigned nKeySize = pclTree->nGetKeySize();
    unsigned nTotal = nGetRecordCount();
    // The key that moves up leaves this node before the parent copies it: it waits in whichever
    // of the tree's two key buffers does not hold the key coming from below.
    unsigned char* pbyUp = pclTree->m_pbyScratch;
    if (pKey == pbyUp) pbyUp += nKeySize;
    const void* pUp;
    if (p == m) {
        pclNew->Init(pclTree, NODE_INDEX, pclChild);
        for (int j = m; j < n; j++) pclNew->_Append(pclTree, pSeparator(pclTree, j), pclGetChild(pclTree, j + 1));
        SetKeyCount(m);
        pUp = pKey;
    } else if (p > m) {
        pclNew->Init(pclTree, NODE_INDEX, pclGetChild(pclTree, m + 1));
        for (int j = m + 1; j < p; j++) pclNew->_Append(pclTree, pSeparator(pclTree, j), pclGetChild(pclTree, j + 1));
        pclNew->_Append(pclTree, pKey, pclChild);
        for (int j = p; j < n; j++) pclNew->_Append(pclTree, pSeparator(pclTree, j), pclGetChild(pclTree, j + 1));
        memcpy(pbyUp, pSeparator(pclTree, m), nKeySize);
        SetKeyCount(m);
        pUp = pbyUp;
    } else {
        pclNew->Init(pclTree, NODE_INDEX, pclGetChild(pclTree, m));
        for (int j = m; j < n; j++) pclNew->_Append(pclTree, pSeparator(pclTree, j), pclGetChild(pclTree, j + 1));
        memcpy(pbyUp, pSeparator(pclTree, m - 1), nKeySize);
        SetKeyCount(m - 1);
        InsertAt(pclTree, p, pKey, pclChild);
        pUp = pbyUp;
    }
    unsigned nKept = nRecountRecords(pclTree);
    SetRecordCount(nKept);
    pclNew->SetRecordCount(nTotal - nKept);
    pstOut->pKey = pUp;
    pstOut->pclNewNode = pclNew;
}

int CMemIndexNode::nRefill(const STAscentInfo& stAscent, const void** ppPendingKey) {
    CMemBTree* pclTree = stAscent.pclTree;
    CMemIndexNode* pclParent = stAscent.pclParent;
    int c = stAscent.nIndex;
    int nOrder = pclTree->nGetOrder();
    int nMinFill = pclTree->nGetMinFill();
    int n = nGetKeyCount();
    if (pclParent == nullptr || n >= nMinFill) return MERGE_NONE;
    auto* pclLeft = c > 0 ? static_cast<CMemIndexNode*>(pclParent->pclGetChild(pclTree, c - 1)) : nullptr;
    auto* pclRight =
        c < pclParent->nGetKeyCount() ? static_cast<CMemIndexNode*>(pclParent->pclGetChild(pclTree, c + 1)) : nullptr;
    if (pclLeft == nullptr && pclRight == nullptr) return MERGE_NONE;

    bool bIntoLeft = pclLeft != nullptr && (pclRight == nullptr || pclLeft->nGetKeyCount() < pclRight->nGetKeyCount());
    if (bIntoLeft) {
        if (pclLeft->nGetKeyCount() + n < nOrder) {
            const void* pDown = *ppPendingKey != nullptr ? *ppPendingKey : pclParent->pSeparator(pclTree, c - 1);
            pclLeft->_Append(pclTree, pDown, pclGetChild(pclTree, 0));
            for (int j = 0; j < n; j++) pclLeft->_Append(pclTree, pSeparator(pclTree, j), pclGetChild(pclTree, j + 1));
            pclLeft->SetRecordCount(pclLeft->nGetRecordCount() + nGetRecordCount());
            *ppPendingKey = nullptr;
            return MERGE_INTO_LEFT;
        }
    } else if (n + pclRight->nGetKeyCount() < nOrder) {
        int nRight = pclRight->nGetKeyCount();
        _Append(pclTree, pclParent->pSeparator(pclTree, c), pclRight->pclGetChild(pclTree, 0));
        for (int j = 0; j < nRight; j++)
            _Append(pclTree, pclRight->pSeparator(pclTree, j), pclRight->pclGetChild(pclTree, j + 1));
        SetRecordCount(nGetRecordCount() + pclRight->nGetRecordCount());
        return MERGE_ABSORB_RIGHT;
    }
    if (pclRight != nullptr && pclRight->nGetKeyCount() > nMinFill) {
        pclParent->RotateLeft(pclTree, c);
    } else if (pclLeft != nullptr && pclLeft->nGetKeyCount() > nMinFill) {
        pclParent->RotateRight(pclTree, c - 1, *ppPendingKey);
        *ppPendingKey = nullptr;
    }
    return MERGE_NONE;
}
