// Fixed-size object pool: chunks, their circular free lists, and the lists of full chunks and of
// chunks with free slots.
#include "native/statement/ObjAlloc.h"

#include <cstdint>
#include <cstring>

#include "core/XMalloc.h"

static_assert(sizeof(CTObjAlloc::CChunk) == CTObjAlloc::mg_nSpaceCostPerChunk, "chunk head is 40 bytes");

namespace {

// The link word at the start of a slot (next free slot, or owning chunk).
void* pLink(const unsigned char* pbySlot) {
    void* p;
    memcpy(&p, pbySlot, sizeof p);
    return p;
}
void SetLink(unsigned char* pbySlot, const void* p) {
    memcpy(pbySlot, &p, sizeof p);
}

}  // namespace

CTObjAlloc::CChunk* CTObjAlloc::CChunk::pclCreateChunk(CTObjAlloc* pclPool) {
    size_t nSlot = pclPool->_nSlotSize();
    if (nSlot < pclPool->m_nObjSize || (SIZE_MAX - mg_nSpaceCostPerChunk) / pclPool->m_nObjPerChunk < nSlot)
        return nullptr;
    auto* pcl = static_cast<CChunk*>(XMALLOC_pNew(pclPool->nGetChunkSize()));
    if (pcl == nullptr) return nullptr;
    pcl->m_nFree = static_cast<int>(pclPool->m_nObjPerChunk);
    pcl->m_pFreeEntry = nullptr;
    pcl->m_pclNext = nullptr;
    pcl->m_pclPrevious = nullptr;
    pcl->m_pclPool = pclPool;
    pcl->bInit();
    return pcl;
}

void CTObjAlloc::CChunk::DestroyChunk(CChunk* pclChunk) {
    XMALLOC_Del(pclChunk);
}

bool CTObjAlloc::CChunk::bInit() {
    unsigned n = m_pclPool->m_nObjPerChunk;
    for (unsigned i = 0; i < n; i++) SetLink(pbyGetSlot(i), pbyGetSlot(i + 1 == n ? 0 : i + 1));
    m_nFree = static_cast<int>(n);
    m_pFreeEntry = pbyGetSlot(0);
    return true;
}

void* CTObjAlloc::CChunk::pAllocate() {
    auto* pbyEntry = static_cast<unsigned char*>(m_pFreeEntry);
    auto* pbyNext = static_cast<unsigned char*>(pLink(pbyEntry));
    unsigned char* pbyTaken;
    if (pbyNext == pbyEntry) {
        pbyTaken = pbyEntry;
        m_pFreeEntry = nullptr;
    } else {
        pbyTaken = pbyNext;
        SetLink(pbyEntry, pLink(pbyNext));
    }
    SetLink(pbyTaken, this);
    m_nFree--;
    return pbyTaken;
}

CTObjAlloc::CChunk* CTObjAlloc::CChunk::pclFree(void* pObject) {
    unsigned char* pbySlot = static_cast<unsigned char*>(pObject) - mg_nSpaceCostPerObj;
    auto* pbyEntry = static_cast<unsigned char*>(m_pFreeEntry);
    if (pbyEntry == nullptr) {
        SetLink(pbySlot, pbySlot);
        m_pFreeEntry = pbySlot;
    } else {
        SetLink(pbySlot, pLink(pbyEntry));
        SetLink(pbyEntry, pbySlot);
    }
    m_nFree++;
    return this;
}

CTObjAlloc::CChunk* CTObjAlloc::CChunk::pclInsertBefore(CChunk* pclChunk) {
    m_pclNext = pclChunk;
    m_pclPrevious = nullptr;
    if (pclChunk != nullptr) {
        m_pclPrevious = pclChunk->m_pclPrevious;
        if (m_pclPrevious != nullptr) m_pclPrevious->m_pclNext = this;
        pclChunk->m_pclPrevious = this;
    }
    return this;
}

CTObjAlloc::CChunk* CTObjAlloc::CChunk::pclRemove() {
    CChunk* pclNext = m_pclNext;
    if (m_pclPrevious != nullptr) m_pclPrevious->m_pclNext = m_pclNext;
    if (m_pclNext != nullptr) m_pclNext->m_pclPrevious = m_pclPrevious;
    m_pclNext = nullptr;
    m_pclPrevious = nullptr;
    return pclNext;
}

CTObjAlloc::CTObjAlloc(unsigned nObjPerChunk, size_t nObjSize)
    : m_nObjPerChunk(nObjPerChunk < 2 ? 2 : nObjPerChunk),
      m_pclFirstFull(nullptr),
      m_pclFirstFree(nullptr),
      m_nChunks(0),
      m_nLive(0),
      m_nObjSize(nObjSize) {}

void CTObjAlloc::_ReleaseList(CChunk* pclChunk) {
    while (pclChunk != nullptr) {
        CChunk* pclNext = pclChunk->m_pclNext;
        CChunk::DestroyChunk(pclChunk);
        pclChunk = pclNext;
    }
}

CTObjAlloc::~CTObjAlloc() {
    _ReleaseList(m_pclFirstFree);
    _ReleaseList(m_pclFirstFull);
}

void* CTObjAlloc::pAllocate() {
    if (m_pclFirstFree == nullptr) {
        CChunk* pcl = CChunk::pclCreateChunk(this);
        if (pcl == nullptr) return nullptr;
        m_pclFirstFree = pcl;
        m_nChunks++;
    }
    CChunk* pclChunk = m_pclFirstFree;
    void* pSlot = pclChunk->pAllocate();
    if (pclChunk->m_nFree == 0) {
        m_pclFirstFree = pclChunk->pclRemove();
        m_pclFirstFull = pclChunk->pclInsertBefore(m_pclFirstFull);
    }
    m_nLive++;
    return pSlot;
}

void CTObjAlloc::Free(void* pObject) {
    auto* pclChunk =
        static_cast<CChunk*>(pLink(static_cast<unsigned char*>(pObject) - mg_nSpaceCostPerObj));
    pclChunk->pclFree(pObject);
    if (pclChunk->m_nFree == static_cast<int>(m_nObjPerChunk)) {
        // An empty chunk is kept only when it is alone on its list, so that one object coming and
        // going does not allocate and release a chunk each time.
        if (pclChunk->m_pclNext != nullptr || pclChunk->m_pclPrevious != nullptr) {
            CChunk* pclNext = pclChunk->pclRemove();
            if (m_pclFirstFree == pclChunk) m_pclFirstFree = pclNext;
            CChunk::DestroyChunk(pclChunk);
            m_nChunks--;
        }
    } else if (pclChunk->m_nFree == 1) {
        CChunk* pclNext = pclChunk->pclRemove();
        if (m_pclFirstFull == pclChunk) m_pclFirstFull = pclNext;
        m_pclFirstFree = pclChunk->pclInsertBefore(m_pclFirstFree);
    }
    m_nLive--;
}
