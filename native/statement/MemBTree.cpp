// The B+-tree's structure: creation and pools, insertion (with the spare nodes a split will
// need), deletion and the rebalancing on the way up, bulk load and its sort, destruction.
#include "native/statement/MemBTree.h"

#include <cstring>
#include <type_traits>

#include "core/XMalloc.h"
#include "native/statement/MemBucket.h"
#include "native/statement/MemDataNode.h"
#include "native/statement/MemIndexNode.h"

namespace {

// Largest block a node or bucket may take: far above any real index, and small enough that no
// size computation below can wrap.
const uint64_t MAX_OBJECT_SIZE = uint64_t(1) << 30;

// memcmp over 4 or 8 bytes is the order of the bytes read as one big-endian integer.
inline uint64_t nBigEndian(const unsigned char* pby, std::integral_constant<unsigned, 8>) {
    uint64_t n;
    memcpy(&n, pby, 8);
    return __builtin_bswap64(n);
}
inline uint64_t nBigEndian(const unsigned char* pby, std::integral_constant<unsigned, 4>) {
    uint32_t n;
    memcpy(&n, pby, 4);
    return __builtin_bswap32(n);
}

template <unsigned N>
int nSearchInline(int nCount, const unsigned char* pbyKeys, const unsigned char* pbyKey, int* pbFound) {
    uint64_t nKey = nBigEndian(pbyKey, std::integral_constant<unsigned, N>());
    int nLow = 0;
    int nHigh = nCount - 1;
    while (nLow <= nHigh) {
        int nMiddle = (nLow + nHigh) / 2;
        uint64_t n = nBigEndian(pbyKeys + size_t(nMiddle) * N, std::integral_constant<unsigned, N>());
        if (nKey > n) {
            nLow = nMiddle + 1;
        } else if (nKey < n) {
            nHigh = nMiddle - 1;
        } else {
            *pbFound = 1;
            return nMiddle;
        }
    }
    *pbFound = 0;
    return nLow;
}

}  // namespace

void* CMemBTree::operator new(size_t n, const std::nothrow_t&) noexcept {
    return XMALLOC_pNew(n);
}
void CMemBTree::operator delete(void* p) noexcept {
    XMALLOC_Del(p);
}
void CMemBTree::operator delete(void* p, const std::nothrow_t&) noexcept {
    XMALLOC_Del(p);
}

CMemBTree* CMemBTree::pclCreate(unsigned nKeySize, unsigned nValueSize, PFNCOMPARE pfnCompareKey,
                                PFNCOMPARE pfnCompareValue, int nOrder) {
    CMemBTree* pcl = new (std::nothrow) CMemBTree;
    if (pcl == nullptr) return nullptr;
    if (!pcl->bInit(nKeySize, nValueSize, pfnCompareKey, pfnCompareValue, nOrder)) {
        delete pcl;
        return nullptr;
    }
    return pcl;
}

CMemBTree::CMemBTree()
    : m_pclIndexAlloc(nullptr),
      m_pclDataAlloc(nullptr),
      m_nOrder(0),
      m_nMinFill(0),
      m_pfnCompareKey(nullptr),
      m_pfnCompareValue(nullptr),
      m_nKeySize(0),
      m_nValueSize(0),
      m_nSlotSize(0),
      m_pclBucketAlloc(nullptr),
      m_pclRoot(nullptr),
      m_nNumKeys(0),
      m_nInlineCompare(0),
      m_nChildOffset(0),
      m_nSlotOffset(0),
      m_nBitOffset(0),
      m_pbyScratch(nullptr) {
    m_clCursor.m_pclTree = this;
}

CMemBTree::~CMemBTree() {
    if (m_pclRoot != nullptr) _FreeSubtree(m_pclRoot);
    m_pclRoot = nullptr;
    if (m_pclBucketAlloc != nullptr) {
        for (int i = 0; i < BUCKET_CLASSES; i++) m_pclBucketAlloc[i].~CTObjAlloc();
        XMALLOC_Del(m_pclBucketAlloc);
    }
    if (m_pclIndexAlloc != nullptr) {
        m_pclIndexAlloc->~CTObjAlloc();
        XMALLOC_Del(m_pclIndexAlloc);
    }
    if (m_pclDataAlloc != nullptr) {
        m_pclDataAlloc->~CTObjAlloc();
        XMALLOC_Del(m_pclDataAlloc);
    }
    XMALLOC_Del(m_pbyScratch);
}

unsigned CMemBTree::nObjPerChunk(size_t nObjSize) {
    size_t n = 4096 / (nObjSize + CTObjAlloc::mg_nSpaceCostPerObj);
    return n < 2 ? 2 : static_cast<unsigned>(n);
}

size_t CMemBTree::nIndexNodeSize() const {
    return size_t(m_nKeySize) * m_nOrder + 8 * (size_t(m_nOrder) + 1) + 12;
}

size_t CMemBTree::nDataNodeSize() const {
    if (m_nValueSize == 0) return size_t(m_nKeySize) * m_nOrder + 32;
    return (size_t(m_nKeySize) + m_nSlotSize) * m_nOrder + 4 * ((size_t(m_nOrder) - 1) / 32 + 1) + 32;
}

CTObjAlloc* CMemBTree::_pclNewPool(size_t nObjSize) {
    void* p = XMALLOC_pNew(sizeof(CTObjAlloc));
    if (p == nullptr) return nullptr;
    return new (p) CTObjAlloc(nObjPerChunk(nObjSize), nObjSize);
}

bool CMemBTree::bInit(unsigned nKeySize, unsigned nValueSize, PFNCOMPARE pfnCompareKey, PFNCOMPARE pfnCompareValue,
                      int nOrder) {
    if (m_pclIndexAlloc != nullptr || m_pclDataAlloc != nullptr) return false;
    if (nOrder == 0) nOrder = ORDER_DEFAULT;
    if (nOrder < 2 || nKeySize == 0 || pfnCompareKey == nullptr || (nValueSize != 0 && pfnCompareValue == nullptr))
        return false;
    uint64_t nSlot = nValueSize == 0 ? 0 : (nValueSize < 8 ? 8 : nValueSize);
    uint64_t nLeaf = (uint64_t(nKeySize) + nSlot) * uint64_t(nOrder) + 4 * ((uint64_t(nOrder) - 1) / 32 + 1) + 32;
    uint64_t nInner = uint64_t(nKeySize) * uint64_t(nOrder) + 8 * (uint64_t(nOrder) + 1) + 12;
    uint64_t nBucket = 64 * uint64_t(nValueSize) + CMemBucket::VALUES_OFFSET;
    if (nLeaf > MAX_OBJECT_SIZE || nInner > MAX_OBJECT_SIZE || nBucket > MAX_OBJECT_SIZE) return false;

    m_nOrder = nOrder;
    m_nMinFill = nOrder / 2;
    m_pfnCompareKey = pfnCompareKey;
    m_pfnCompareValue = pfnCompareValue;
    m_nKeySize = nKeySize;
    m_nValueSize = nValueSize;
    m_nSlotSize = static_cast<unsigned>(nSlot);
    PFNCOMPARE pfnMemcmp = memcmp;
    m_nInlineCompare = pfnCompareKey == pfnMemcmp && (nKeySize == 4 || nKeySize == 8) ? nKeySize : 0;
    m_nChildOffset = CMemIndexNode::OFFSET_SEPARATORS + size_t(nKeySize) * nOrder;
    m_nSlotOffset = CMemDataNode::OFFSET_KEYS + size_t(nKeySize) * nOrder;
    m_nBitOffset = m_nSlotOffset + size_t(m_nSlotSize) * nOrder;

    m_pclIndexAlloc = _pclNewPool(nIndexNodeSize());
    if (m_pclIndexAlloc == nullptr) return false;
    m_pclDataAlloc = _pclNewPool(nDataNodeSize());
    if (m_pclDataAlloc == nullptr) return false;
    if (nValueSize != 0) {
        void* p = XMALLOC_pNew(sizeof(CTObjAlloc) * BUCKET_CLASSES);
        if (p == nullptr) return false;
        m_pclBucketAlloc = static_cast<CTObjAlloc*>(p);
        for (int i = 0; i < BUCKET_CLASSES; i++) {
            size_t nSize = CMemBucket::nGetFullSize(this, i);
            new (&m_pclBucketAlloc[i]) CTObjAlloc(nObjPerChunk(nSize), nSize);
        }
    }
    m_pbyScratch = static_cast<unsigned char*>(XMALLOC_pNew(3 * size_t(nKeySize) + nValueSize));
    return m_pbyScratch != nullptr;
}

CMemIndexNode* CMemBTree::_pclNewIndexNode() {
    auto* pbySlot = static_cast<unsigned char*>(m_pclIndexAlloc->pAllocate());
    return pbySlot == nullptr ? nullptr : reinterpret_cast<CMemIndexNode*>(pbySlot + CTObjAlloc::mg_nSpaceCostPerObj);
}

CMemDataNode* CMemBTree::_pclNewDataNode() {
    auto* pbySlot = static_cast<unsigned char*>(m_pclDataAlloc->pAllocate());
    if (pbySlot == nullptr) return nullptr;
    auto* pcl = reinterpret_cast<CMemDataNode*>(pbySlot + CTObjAlloc::mg_nSpaceCostPerObj);
    pcl->Init();
    if (m_nValueSize != 0) memset(reinterpret_cast<unsigned char*>(pcl) + m_nBitOffset, 0, 4 * ((size_t(m_nOrder) - 1) / 32 + 1));
    return pcl;
}

void CMemBTree::_FreeIndexNode(CMemIndexNode* pcl) {
    m_pclIndexAlloc->Free(pcl);
}

void CMemBTree::_FreeDataNode(CMemDataNode* pcl) {
    m_pclDataAlloc->Free(pcl);
}

CMemBucket* CMemBTree::_pclNewBucket(int nClass) {
    auto* pbySlot = static_cast<unsigned char*>(m_pclBucketAlloc[nClass].pAllocate());
    return pbySlot == nullptr ? nullptr : reinterpret_cast<CMemBucket*>(pbySlot + CTObjAlloc::mg_nSpaceCostPerObj);
}

void CMemBTree::_FreeBucket(CMemBucket* pcl) {
    int nClass = pcl->nGetClass();
    pcl->Destroy();
    m_pclBucketAlloc[nClass].Free(pcl);
}

void CMemBTree::_FreeSubtree(CMemNode* pcl) {
    if (pcl->bIsData()) {
        auto* pclLeaf = static_cast<CMemDataNode*>(pcl);
        pclLeaf->FreeBuckets(this);
        _FreeDataNode(pclLeaf);
        return;
    }
    auto* pclIndex = static_cast<CMemIndexNode*>(pcl);
    for (int i = 0; i <= pclIndex->nGetKeyCount(); i++) _FreeSubtree(pclIndex->pclGetChild(this, i));
    _FreeIndexNode(pclIndex);
}

int CMemBTree::nGetNumRecord() const {
    return m_pclRoot == nullptr ? 0 : static_cast<int>(m_pclRoot->nGetRecordCount());
}

int CMemBTree::_nCompareRec(const void* p1, const void* p2) const {
    int n = m_pfnCompareKey(p1, p2, m_nKeySize);
    if (n != 0 || m_nValueSize == 0) return n;
    return m_pfnCompareValue(static_cast<const unsigned char*>(p1) + m_nKeySize,
                             static_cast<const unsigned char*>(p2) + m_nKeySize, m_nValueSize);
}

int CMemBTree::_nSearchKey(int nCount, const void* pKeys, const void* pKey, int* pbFound) const {
    auto* pbyKeys = static_cast<const unsigned char*>(pKeys);
    auto* pbyKey = static_cast<const unsigned char*>(pKey);
    if (m_nInlineCompare == 8) return nSearchInline<8>(nCount, pbyKeys, pbyKey, pbFound);
    if (m_nInlineCompare == 4) return nSearchInline<4>(nCount, pbyKeys, pbyKey, pbFound);
    return CMemNode::nSearch(m_nKeySize, nCount, pKeys, pKey, m_pfnCompareKey, pbFound);
}

CMemDataNode* CMemBTree::_pclDescend(const void* pKey, STPathStep* pstPath, int* pnDepth) const {
    CMemIndexNode* pclNode = m_pclRoot;
    int nDepth = 0;
    for (;;) {
        int c = pclNode->nChildFor(this, pKey);
        pstPath[nDepth].pclNode = pclNode;
        pstPath[nDepth].nChild = c;
        nDepth++;
        CMemNode* pclChild = pclNode->pclGetChild(this, c);
        if (pclChild->bIsData()) {
            *pnDepth = nDepth;
            return static_cast<CMemDataNode*>(pclChild);
        }
        pclNode = static_cast<CMemIndexNode*>(pclChild);
    }
}

bool CMemBTree::_bBuildRoot(const void* pKey, const void* pValue) {
    CMemIndexNode* pclRoot = _pclNewIndexNode();
    if (pclRoot == nullptr) return false;
    CMemDataNode* pclLeaf = _pclNewDataNode();
    if (pclLeaf == nullptr) {
        _FreeIndexNode(pclRoot);
        return false;
    }
    pclRoot->Init(this, CMemNode::NODE_ROOT, pclLeaf);
    m_pclRoot = pclRoot;
    m_clCursor.m_pclLeaf = nullptr;
    pclLeaf->InsertEntry(this, 0, pKey, pValue);
    pclRoot->SetRecordCount(1);
    m_nNumKeys = 1;
    GotoEnd();
    return true;
}

bool CMemBTree::bInsert(const void* pKey, const void* pValue) {
    if (m_pclRoot == nullptr) return _bBuildRoot(pKey, pValue);
    STPathStep tabstPath[MAX_DEPTH];
    int nDepth;
    CMemDataNode* pclLeaf = _pclDescend(pKey, tabstPath, &nDepth);
    int bFound;
    int p = _nSearchKey(pclLeaf->nGetKeyCount(), pclLeaf->pKey(this, 0), pKey, &bFound);
    if (!bFound) return _bInsertNewKey(tabstPath, nDepth, pclLeaf, p, pKey, pValue);
    if (!pclLeaf->bAddValue(this, p, pValue)) return false;
    for (int l = 0; l < nDepth; l++) tabstPath[l].pclNode->SetRecordCount(tabstPath[l].pclNode->nGetRecordCount() + 1);
    return true;
}

int CMemBTree::_nSplitsNeeded(const STPathStep* pstPath, int nDepth) const {
    int nSplits = 0;
    for (int l = nDepth - 1; l >= 0; l--) {
        const CMemIndexNode* pclNode = pstPath[l].pclNode;
        if (pclNode->nGetKeyCount() < m_nOrder) return nSplits;
        if (l > 0) {
            const CMemIndexNode* pclParent = pstPath[l - 1].pclNode;
            int i = pstPath[l - 1].nChild;
            if (i < pclParent->nGetKeyCount() &&
                static_cast<const CMemIndexNode*>(pclParent->pclGetChild(this, i + 1))->nGetKeyCount() < m_nOrder)
                return nSplits;
            if (i > 0 && static_cast<const CMemIndexNode*>(pclParent->pclGetChild(this, i - 1))->nGetKeyCount() < m_nOrder)
                return nSplits;
        }
        nSplits++;
    }
    return nSplits + 1;  // the root split too: a new root above it
}

void CMemBTree::_ReleaseSpares(STSpareNodes& st) {
    if (st.pclLeaf != nullptr) _FreeDataNode(st.pclLeaf);
    st.pclLeaf = nullptr;
    while (st.nIndex > 0) _FreeIndexNode(st.tabpclIndex[--st.nIndex]);
}

bool CMemBTree::_bInsertNewKey(STPathStep* pstPath, int nDepth, CMemDataNode* pclLeaf, int nPos, const void* pKey,
                               const void* pValue) {
    CMemIndexNode* pclParent = pstPath[nDepth - 1].pclNode;
    int c = pstPath[nDepth - 1].nChild;
    STSpareNodes stSpares;
    // A full leaf with no brother to take a key splits, and so may its ancestors: every node that
    // can be needed is taken first, so that a refusal leaves the tree as it was.
    bool bSplit = pclLeaf->nGetKeyCount() >= m_nOrder &&
                  !(c < pclParent->nGetKeyCount() &&
                    static_cast<CMemDataNode*>(pclParent->pclGetChild(this, c + 1))->nGetKeyCount() < m_nOrder) &&
                  !(c > 0 && nPos > 0 &&
                    static_cast<CMemDataNode*>(pclParent->pclGetChild(this, c - 1))->nGetKeyCount() < m_nOrder);
    if (bSplit) {
        stSpares.pclLeaf = _pclNewDataNode();
        if (stSpares.pclLeaf == nullptr) return false;
        int nInner = _nSplitsNeeded(pstPath, nDepth);
        while (stSpares.nIndex < nInner) {
            CMemIndexNode* pcl = _pclNewIndexNode();
            if (pcl == nullptr) {
                _ReleaseSpares(stSpares);
                return false;
            }
            stSpares.tabpclIndex[stSpares.nIndex++] = pcl;
        }
    }

    CMemNode::STInsertionResult stResult;
    pclLeaf->InsertNewKey(CMemNode::STAscentInfo{this, pclParent, c}, nPos, pKey, pValue, &stResult, stSpares.pclLeaf);
    if (stResult.pclNewNode != nullptr) stSpares.pclLeaf = nullptr;
    for (int l = nDepth - 1; l >= 0; l--) {
        CMemIndexNode* pclNode = pstPath[l].pclNode;
        pclNode->SetRecordCount(pclNode->nGetRecordCount() + 1);
        if (stResult.pclNewNode == nullptr) continue;
        CMemNode::STAscentInfo stAscent{this, l > 0 ? pstPath[l - 1].pclNode : nullptr, l > 0 ? pstPath[l - 1].nChild : 0};
        CMemNode::STInsertionResult stUp;
        pclNode->InsertSplit(stAscent, pstPath[l].nChild, stResult, &stUp, stSpares);
        stResult = stUp;
    }
    if (stResult.pclNewNode != nullptr) {
        // The root split: a new root over the two halves.
        CMemIndexNode* pclOld = m_pclRoot;
        CMemIndexNode* pclRoot = stSpares.tabpclIndex[--stSpares.nIndex];
        pclOld->SetKind(CMemNode::NODE_INDEX);
        stResult.pclNewNode->SetKind(CMemNode::NODE_INDEX);
        pclRoot->Init(this, CMemNode::NODE_ROOT, pclOld);
        memcpy(pclRoot->pSeparator(this, 0), stResult.pKey, m_nKeySize);
        pclRoot->SetChild(this, 1, stResult.pclNewNode);
        pclRoot->SetKeyCount(1);
        pclRoot->SetRecordCount(pclOld->nGetRecordCount() + stResult.pclNewNode->nGetSubtreeRecords());
        m_pclRoot = pclRoot;
    }
    _ReleaseSpares(stSpares);
    m_nNumKeys++;
    return true;
}

bool CMemBTree::bDelete(const void* pKey, const void* pValue) {
    if (m_pclRoot == nullptr) return false;
    STPathStep tabstPath[MAX_DEPTH];
    int nDepth;
    CMemDataNode* pclLeaf = _pclDescend(pKey, tabstPath, &nDepth);
    int bFound;
    int p = _nSearchKey(pclLeaf->nGetKeyCount(), pclLeaf->pKey(this, 0), pKey, &bFound);
    if (!bFound) return false;
    bool bKeyRemoved;
    unsigned nRemoved = pclLeaf->nRemove(this, p, pValue, &bKeyRemoved);
    if (nRemoved == 0) return false;
    if (!bKeyRemoved) {
        for (int l = 0; l < nDepth; l++)
            tabstPath[l].pclNode->SetRecordCount(tabstPath[l].pclNode->nGetRecordCount() - nRemoved);
        return true;
    }
    m_nNumKeys--;
    _AfterRemoval(tabstPath, nDepth, pclLeaf, p == 0, nRemoved);
    return true;
}

void CMemBTree::_AfterRemoval(STPathStep* pstPath, int nDepth, CMemDataNode* pclLeaf, bool bFirstKeyRemoved,
                              unsigned nRemoved) {
    CMemNode::STDeletionResult stResult{nullptr, CMemNode::MERGE_NONE, nullptr, nRemoved};
    stResult.nMerge = pclLeaf->nRefill(CMemNode::STAscentInfo{this, pstPath[nDepth - 1].pclNode, pstPath[nDepth - 1].nChild});
    // A leaf whose first key went names itself by a new smallest key, for the separator above it.
    if (bFirstKeyRemoved && pclLeaf->nGetKeyCount() > 0 && stResult.nMerge != CMemNode::MERGE_INTO_LEFT)
        stResult.pPendingKey = pclLeaf->pKey(this, 0);

    for (int l = nDepth - 1; l >= 0; l--) {
        CMemIndexNode* pclNode = pstPath[l].pclNode;
        int c = pstPath[l].nChild;
        pclNode->SetRecordCount(pclNode->nGetRecordCount() - nRemoved);
        if (stResult.pPendingKey != nullptr && c > 0) {
            memcpy(pclNode->pSeparator(this, c - 1), stResult.pPendingKey, m_nKeySize);
            stResult.pPendingKey = nullptr;
        }
        bool bChildRemoved = stResult.nMerge != CMemNode::MERGE_NONE;
        if (bChildRemoved) {
            int nAbsorbed = stResult.nMerge == CMemNode::MERGE_INTO_LEFT ? c : c + 1;
            CMemNode* pclAbsorbed = pclNode->pclGetChild(this, nAbsorbed);
            pclNode->RemoveAt(this, nAbsorbed - 1, nAbsorbed);
            if (pclAbsorbed->bIsData())
                _FreeDataNode(static_cast<CMemDataNode*>(pclAbsorbed));
            else
                _FreeIndexNode(static_cast<CMemIndexNode*>(pclAbsorbed));
            stResult.nMerge = CMemNode::MERGE_NONE;
        }
        if (l > 0 && bChildRemoved)
            stResult.nMerge = pclNode->nRefill(CMemNode::STAscentInfo{this, pstPath[l - 1].pclNode, pstPath[l - 1].nChild},
                                               &stResult.pPendingKey);
    }

    if (m_pclRoot->nGetRecordCount() == 0) {
        _FreeSubtree(m_pclRoot);
        m_pclRoot = nullptr;
        m_clCursor.m_pclLeaf = nullptr;
        m_clCursor.m_nKey = 0;
        m_clCursor._ClearBucketPart();
        return;
    }
    while (m_pclRoot->nGetKeyCount() == 0 && !m_pclRoot->pclGetChild(this, 0)->bIsData()) {
        stResult.pclNewRoot = static_cast<CMemIndexNode*>(m_pclRoot->pclGetChild(this, 0));
        stResult.pclNewRoot->SetKind(CMemNode::NODE_ROOT);
        _FreeIndexNode(m_pclRoot);
        m_pclRoot = stResult.pclNewRoot;
    }
}

bool CMemBTree::bDeleteCurrentRecord() {
    const void* pKey = pReadKey();
    if (pKey == nullptr) return false;
    unsigned char* pbyKey = m_pbyScratch + 2 * size_t(m_nKeySize);
    memcpy(pbyKey, pKey, m_nKeySize);
    if (m_nValueSize == 0) return bDelete(pbyKey, nullptr);
    memcpy(pbyKey + m_nKeySize, pReadValue(), m_nValueSize);
    return bDelete(pbyKey, pbyKey + m_nKeySize);
}

bool CMemBTree::bLoadBulk(const void* pKeys, const void* pValues, int n) {
    if (m_pclRoot != nullptr || n < 0 || m_pclIndexAlloc == nullptr) return false;
    if (n == 0) return true;
    size_t nRecord = size_t(m_nKeySize) + m_nValueSize;
    auto* pbyRecords = static_cast<unsigned char*>(XMALLOC_pNew(nRecord * size_t(n)));
    if (pbyRecords == nullptr) return false;
    for (int i = 0; i < n; i++) {
        memcpy(pbyRecords + i * nRecord, static_cast<const unsigned char*>(pKeys) + size_t(i) * m_nKeySize, m_nKeySize);
        if (m_nValueSize != 0)
            memcpy(pbyRecords + i * nRecord + m_nKeySize, static_cast<const unsigned char*>(pValues) + size_t(i) * m_nValueSize,
                   m_nValueSize);
    }
    _QSort(pbyRecords, size_t(n), nRecord, m_nValueSize != 0 ? &CMemBTree::_nCompareRec : &CMemBTree::nCompareKey);
    bool bOk = true;
    for (int i = 1; i < n && bOk; i++) bOk = _nCompareRec(pbyRecords + (i - 1) * nRecord, pbyRecords + i * nRecord) != 0;
    if (bOk) bOk = _bBuildFromSorted(pbyRecords, nRecord, n);
    XMALLOC_Del(pbyRecords);
    return bOk;
}

bool CMemBTree::_bBuildFromSorted(const unsigned char* pbyRecords, size_t nStride, int n) {
    if (n <= 0) return true;
    int nDistinct = 1;
    if (m_nValueSize == 0)
        nDistinct = n;
    else
        for (int i = 1; i < n; i++)
            if (nCompareKey(pbyRecords + (i - 1) * nStride, pbyRecords + i * nStride) != 0) nDistinct++;
    int nLeaves = (nDistinct - 1) / m_nOrder + 1;
    // Every node of the level being built, with the first key of its subtree; the built inner
    // nodes are kept apart so that a refusal can free them.
    auto** tabpclLevel = static_cast<CMemNode**>(XMALLOC_pNew(sizeof(CMemNode*) * size_t(nLeaves)));
    auto** tabpFirst = static_cast<const void**>(XMALLOC_pNew(sizeof(void*) * size_t(nLeaves)));
    auto** tabpclInner = static_cast<CMemIndexNode**>(XMALLOC_pNew(sizeof(CMemIndexNode*) * (size_t(nLeaves) + 1)));
    int nBuiltLeaves = 0;
    int nInner = 0;
    bool bOk = tabpclLevel != nullptr && tabpFirst != nullptr && tabpclInner != nullptr;

    int iRecord = 0;
    CMemDataNode* pclPrevious = nullptr;
    for (int l = 0; bOk && l < nLeaves; l++) {
        int nShare = nDistinct / nLeaves + (l < nDistinct % nLeaves ? 1 : 0);
        CMemDataNode* pclLeaf = _pclNewDataNode();
        if (pclLeaf == nullptr) {
            bOk = false;
            break;
        }
        tabpclLevel[nBuiltLeaves++] = pclLeaf;
        pclLeaf->SetPrevious(pclPrevious);
        if (pclPrevious != nullptr) pclPrevious->SetNext(pclLeaf);
        pclPrevious = pclLeaf;
        int nRecords = 0;
        for (int k = 0; k < nShare; k++) {
            const unsigned char* pbyKey = pbyRecords + size_t(iRecord) * nStride;
            int iEnd = iRecord + 1;
            if (m_nValueSize != 0)
                while (iEnd < n && nCompareKey(pbyKey, pbyRecords + size_t(iEnd) * nStride) == 0) iEnd++;
            memcpy(pclLeaf->pKey(this, k), pbyKey, m_nKeySize);
            if (m_nValueSize != 0) {
                if (iEnd - iRecord == 1) {
                    memcpy(pclLeaf->pSlot(this, k), pbyKey + m_nKeySize, m_nValueSize);
                } else {
                    CMemBucket* pclBucket = CMemBucket::pclCreate(this, pbyKey + m_nKeySize, nStride, iEnd - iRecord);
                    if (pclBucket == nullptr) {
                        bOk = false;
                        pclLeaf->SetKeyCount(k);
                        break;
                    }
                    pclLeaf->SetBucket(this, k, pclBucket);
                }
            }
            nRecords += iEnd - iRecord;
            iRecord = iEnd;
            pclLeaf->SetKeyCount(k + 1);
        }
        pclLeaf->SetRecordCount(nRecords);
        tabpFirst[l] = pclLeaf->pKey(this, 0);
    }

    int nLevel = nLeaves;
    int nFanout = m_nOrder <= 2 ? m_nOrder + 1 : m_nOrder;
    bool bFirstLevel = true;
    while (bOk && (nLevel > 1 || bFirstLevel)) {
        bFirstLevel = false;
        int nParents = (nLevel - 1) / nFanout + 1;
        int iChild = 0;
        for (int q = 0; q < nParents; q++) {
            int nShare = nLevel / nParents + (q < nLevel % nParents ? 1 : 0);
            CMemIndexNode* pclNode = _pclNewIndexNode();
            if (pclNode == nullptr) {
                bOk = false;
                break;
            }
            tabpclInner[nInner++] = pclNode;
            pclNode->Init(this, CMemNode::NODE_INDEX, tabpclLevel[iChild]);
            unsigned nRecords = tabpclLevel[iChild]->nGetSubtreeRecords();
            const void* pFirst = tabpFirst[iChild];
            for (int k = 1; k < nShare; k++) {
                pclNode->InsertAt(this, k - 1, tabpFirst[iChild + k], tabpclLevel[iChild + k]);
                nRecords += tabpclLevel[iChild + k]->nGetSubtreeRecords();
            }
            pclNode->SetRecordCount(nRecords);
            iChild += nShare;
            // Parents are written over the level they are built from, never ahead of it.
            tabpclLevel[q] = pclNode;
            tabpFirst[q] = pFirst;
        }
        nLevel = nParents;
    }

    if (bOk) {
        m_pclRoot = static_cast<CMemIndexNode*>(tabpclLevel[0]);
        m_pclRoot->SetKind(CMemNode::NODE_ROOT);
        m_nNumKeys = nDistinct;
        GotoEnd();
    } else {
        // Undo: the leaves are all reachable from the first through the links, the inner nodes
        // from their own list.
        for (int i = 0; i < nInner; i++) _FreeIndexNode(tabpclInner[i]);
        CMemDataNode* pclLeaf = pclPrevious;
        while (pclLeaf != nullptr) {
            CMemDataNode* pclBefore = pclLeaf->pclGetPrevious();
            pclLeaf->FreeBuckets(this);
            _FreeDataNode(pclLeaf);
            pclLeaf = pclBefore;
        }
    }
    XMALLOC_Del(tabpclLevel);
    XMALLOC_Del(tabpFirst);
    XMALLOC_Del(tabpclInner);
    return bOk;
}

namespace {

void SwapRecords(unsigned char* pby1, unsigned char* pby2, size_t nWidth) {
    if (pby1 == pby2) return;
    for (size_t i = 0; i < nWidth; i++) {
        unsigned char by = pby1[i];
        pby1[i] = pby2[i];
        pby2[i] = by;
    }
}

}  // namespace

void CMemBTree::_ShortSort(unsigned char* pbyLow, unsigned char* pbyHigh, size_t nWidth, PFNRECCOMPARE pfnCompare) const {
    while (pbyHigh > pbyLow) {
        unsigned char* pbyMax = pbyLow;
        for (unsigned char* pby = pbyLow + nWidth; pby <= pbyHigh; pby += nWidth)
            if ((this->*pfnCompare)(pby, pbyMax) > 0) pbyMax = pby;
        SwapRecords(pbyMax, pbyHigh, nWidth);
        pbyHigh -= nWidth;
    }
}

void CMemBTree::_QSort(void* pBase, size_t n, size_t nWidth, PFNRECCOMPARE pfnCompare) const {
    if (n < 2 || nWidth == 0) return;
    const size_t SHORT_RANGE = 8;
    const int STACK_SIZE = 62;
    unsigned char* tabpbyLow[STACK_SIZE];
    unsigned char* tabpbyHigh[STACK_SIZE];
    int nStack = 0;
    auto nCompare = [&](const unsigned char* p1, const unsigned char* p2) { return (this->*pfnCompare)(p1, p2); };

    unsigned char* pbyLow = static_cast<unsigned char*>(pBase);
    unsigned char* pbyHigh = pbyLow + (n - 1) * nWidth;
    for (;;) {
        size_t nSize = size_t(pbyHigh - pbyLow) / nWidth + 1;
        if (nSize <= SHORT_RANGE) {
            _ShortSort(pbyLow, pbyHigh, nWidth, pfnCompare);
        } else {
            unsigned char* pbyMiddle = pbyLow + (nSize / 2) * nWidth;
            if (nCompare(pbyLow, pbyMiddle) > 0) SwapRecords(pbyLow, pbyMiddle, nWidth);
            if (nCompare(pbyLow, pbyHigh) > 0) SwapRecords(pbyLow, pbyHigh, nWidth);
            if (nCompare(pbyMiddle, pbyHigh) > 0) SwapRecords(pbyMiddle, pbyHigh, nWidth);
            unsigned char* pbyUp = pbyLow;     // moves up over records not greater than the pivot
            unsigned char* pbyDown = pbyHigh;  // moves down over records greater than the pivot
            for (;;) {
                if (pbyMiddle > pbyUp) {
                    do {
                        pbyUp += nWidth;
                    } while (pbyUp < pbyMiddle && nCompare(pbyUp, pbyMiddle) <= 0);
                }
                if (pbyMiddle <= pbyUp) {
                    do {
                        pbyUp += nWidth;
                    } while (pbyUp <= pbyHigh && nCompare(pbyUp, pbyMiddle) <= 0);
                }
                do {
                    pbyDown -= nWidth;
                } while (pbyDown > pbyMiddle && nCompare(pbyDown, pbyMiddle) > 0);
                if (pbyDown < pbyUp) break;
                SwapRecords(pbyUp, pbyDown, nWidth);
                if (pbyMiddle == pbyDown) pbyMiddle = pbyUp;
            }
            // Records equal to the pivot at the top of the lower part are left out of it.
            pbyDown += nWidth;
            if (pbyMiddle < pbyDown) {
                do {
                    pbyDown -= nWidth;
                } while (pbyDown > pbyMiddle && nCompare(pbyDown, pbyMiddle) == 0);
            }
            if (pbyMiddle >= pbyDown) {
                do {
                    pbyDown -= nWidth;
                } while (pbyDown > pbyLow && nCompare(pbyDown, pbyMiddle) == 0);
            }
            // The larger part waits on the stack, the smaller one is sorted now, which bounds the
            // stack by the logarithm of the count.
            if (pbyDown - pbyLow >= pbyHigh - pbyUp) {
                if (pbyLow < pbyDown) {
                    tabpbyLow[nStack] = pbyLow;
                    tabpbyHigh[nStack] = pbyDown;
                    nStack++;
                }
                if (pbyUp < pbyHigh) {
                    pbyLow = pbyUp;
                    continue;
                }
            } else {
                if (pbyUp < pbyHigh) {
                    tabpbyLow[nStack] = pbyUp;
                    tabpbyHigh[nStack] = pbyHigh;
                    nStack++;
                }
                if (pbyLow < pbyDown) {
                    pbyHigh = pbyDown;
                    continue;
                }
            }
        }
        if (nStack == 0) return;
        nStack--;
        pbyLow = tabpbyLow[nStack];
        pbyHigh = tabpbyHigh[nStack];
    }
}
