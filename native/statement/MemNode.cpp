// Search within a node, and the subtree record count of either kind of node.
#include "native/statement/MemNode.h"

#include "native/statement/MemDataNode.h"
#include "native/statement/MemIndexNode.h"

int CMemNode::nSearch(unsigned nKeySize, int nCount, const void* pKeys, const void* pKey,
                      CMemBTree::PFNCOMPARE pfnCompare, int* pbFound) {
    const auto* pby = static_cast<const unsigned char*>(pKeys);
    int nLow = 0;
    int nHigh = nCount - 1;
    while (nLow <= nHigh) {
        int nMiddle = (nLow + nHigh) / 2;
        int n = pfnCompare(pKey, pby + size_t(nMiddle) * nKeySize, nKeySize);
        if (n > 0) {
            nLow = nMiddle + 1;
        } else if (n < 0) {
            nHigh = nMiddle - 1;
        } else {
            *pbFound = 1;
            return nMiddle;
        }
    }
    *pbFound = 0;
    return nLow;
}

unsigned CMemNode::nGetSubtreeRecords() const {
    if (bIsData()) return static_cast<unsigned>(static_cast<const CMemDataNode*>(this)->nGetRecordCount());
    return static_cast<const CMemIndexNode*>(this)->nGetRecordCount();
}
