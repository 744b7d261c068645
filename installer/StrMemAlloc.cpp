// CStrMemAlloc: capacities, the cached allocation road, reallocation with its growth rule, and the
// process's one instance.
#include "installer/StrMemAlloc.h"

#include <cstring>

#include "core/XMalloc.h"
#include "installer/MutexRecursif.h"

namespace {

// The guard of the free lists for the time of one scope.
class CVerrou {
public:
    explicit CVerrou(pthread_mutex_t* pstMutex) : m_pstMutex(pstMutex) { pthread_mutex_lock(m_pstMutex); }
    ~CVerrou() { pthread_mutex_unlock(m_pstMutex); }
    CVerrou(const CVerrou&) = delete;
    CVerrou& operator=(const CVerrou&) = delete;

private:
    pthread_mutex_t* m_pstMutex;
};

void _EcritZero32(unsigned char* pby) {
    const uint32_t dwZero = 0;
    memcpy(pby, &dwZero, sizeof(dwZero));
}

}  // namespace

CStrMemAlloc* CStrMemAlloc::ms_pclAllocateur = nullptr;

CStrMemAlloc::CStrMemAlloc() {
    InitMutexRecursif(&m_stMutex);
}

CStrMemAlloc::~CStrMemAlloc() {
    // The cached blocks are freed by the cache's destructor, which runs after this one; nothing
    // else may use the allocator by then.
    pthread_mutex_destroy(&m_stMutex);
}

CStrMemAlloc* CStrMemAlloc::s_pclInit() {
    if (ms_pclAllocateur == nullptr) ms_pclAllocateur = new CStrMemAlloc;
    return ms_pclAllocateur;
}

void CStrMemAlloc::s_Term() {
    delete ms_pclAllocateur;
    ms_pclAllocateur = nullptr;
}

int CStrMemAlloc::vnGetVersionIStrMemAlloc() {
    return 2;
}

int CStrMemAlloc::vnAllocStrMem(unsigned char** ppbyBlock, size_t nBytes) {
    return vnAllocStrMemEx(ppbyBlock, nBytes, 0);
}

int CStrMemAlloc::vnReallocStrMem(unsigned char** ppbyBlock, size_t nBytes) {
    return vnReallocStrMemEx(ppbyBlock, nBytes, 0);
}

uint64_t CStrMemAlloc::s_nCapaciteAlloc(uint64_t nBytes, unsigned dwFlags) {
    if (dwFlags & STRMEMALLOC_TAILLE_EXACTE) return nBytes;
    if (nBytes <= STRMEMALLOC_CAPACITE_PETITE) return STRMEMALLOC_CAPACITE_PETITE;
    if (nBytes <= STRMEMALLOC_CAPACITE_MOYENNE) return STRMEMALLOC_CAPACITE_MOYENNE;
    // Twice the room, so that appending to a large text does not reallocate every time.
    return 2 * nBytes;
}

uint64_t CStrMemAlloc::s_nCapaciteRealloc(uint64_t nBytes, uint64_t nCurrent, unsigned dwFlags) {
    if (dwFlags & STRMEMALLOC_TAILLE_EXACTE) return nBytes;
    if (nBytes <= STRMEMALLOC_CAPACITE_PETITE) return STRMEMALLOC_CAPACITE_PETITE;
    if (nBytes <= STRMEMALLOC_CAPACITE_MOYENNE) return STRMEMALLOC_CAPACITE_MOYENNE;
    // The smaller the step past the current capacity, the smaller the margin added: a text grown
    // a little at a time gets 20 % more, one that jumps gets twice what it asked.
    const int64_t c = static_cast<int64_t>(nCurrent);
    const int64_t d = static_cast<int64_t>(nBytes) - c;
    if (d < c / 10) return static_cast<uint64_t>(c + c / 5);
    if (d < c / 5) return static_cast<uint64_t>(c + c / 2);
    if (d < c / 2) return static_cast<uint64_t>(2 * c);
    return 2 * nBytes;
}

int CStrMemAlloc::vnAllocStrMemEx(unsigned char** ppbyBlock, size_t nBytes, unsigned dwFlags) {
    if (ppbyBlock == nullptr) return STRMEMALLOC_ERR_MEMOIRE;
    // The capacity field is 32 bits: a capacity that does not fit would give a short block.
    const uint64_t nCapacity = s_nCapaciteAlloc(nBytes, dwFlags);
    if (nCapacity > UINT32_MAX) return STRMEMALLOC_ERR_MEMOIRE;

    STStrMemBlock* pstBlock = nullptr;
    if (!(dwFlags & STRMEMALLOC_TAILLE_EXACTE)) {
        CVerrou clVerrou(&m_stMutex);
        pstBlock = _pstPrend(static_cast<uint32_t>(nCapacity));
    }
    if (pstBlock == nullptr) {
        pstBlock = static_cast<STStrMemBlock*>(XMALLOC_pNew(nCapacity + STRMEMALLOC_SURCOUT));
        if (pstBlock == nullptr) return STRMEMALLOC_ERR_MEMOIRE;
        pstBlock->stHeader.nCapacity = static_cast<uint32_t>(nCapacity);
    }
    pstBlock->pstLien = nullptr;
    pstBlock->stHeader.dwFlags = 0;
    pstBlock->stHeader.nCount = 1;
    pstBlock->stHeader.nLength = 0;
    unsigned char* pbyText = s_pbyGetText(pstBlock);
    _EcritZero32(pbyText);
    _EcritZero32(pbyText + nCapacity);
    *ppbyBlock = pbyText;
    return 0;
}

int CStrMemAlloc::vnReallocStrMemEx(unsigned char** ppbyBlock, size_t nBytes, unsigned dwFlags) {
    if (ppbyBlock == nullptr) return STRMEMALLOC_ERR_MEMOIRE;
    if (*ppbyBlock == nullptr) return vnAllocStrMemEx(ppbyBlock, nBytes, dwFlags);
    STStrMemBlock* pstAncien = s_pstGetBlock(*ppbyBlock);
    const uint64_t nCapacity = s_nCapaciteRealloc(nBytes, pstAncien->stHeader.nCapacity, dwFlags);
    if (nCapacity > UINT32_MAX) return STRMEMALLOC_ERR_MEMOIRE;

    STStrMemBlock* pstBlock = nullptr;
    if (!(dwFlags & STRMEMALLOC_TAILLE_EXACTE)) {
        CVerrou clVerrou(&m_stMutex);
        pstBlock = _pstPrend(static_cast<uint32_t>(nCapacity));
    }
    if (pstBlock != nullptr) {
        // The caller never asks for less than its length; the copy is bounded all the same, so a
        // wrong length cannot run past the new block.
        int32_t nLength = pstAncien->stHeader.nLength;
        if (nLength < 0) nLength = 0;
        if (static_cast<uint64_t>(nLength) > nCapacity) nLength = static_cast<int32_t>(nCapacity);
        pstBlock->pstLien = nullptr;
        pstBlock->stHeader.nCount = 1;
        pstBlock->stHeader.dwFlags = pstAncien->stHeader.dwFlags;
        pstBlock->stHeader.nLength = nLength;
        memcpy(s_pbyGetText(pstBlock), *ppbyBlock, static_cast<size_t>(nLength));
        pstAncien->stHeader.nCount = 0;
        vReleaseStrMem(*ppbyBlock);
    } else {
        // A failed resize leaves the old block as it was, still the caller's.
        pstBlock = static_cast<STStrMemBlock*>(XMALLOC_pResize(pstAncien, nCapacity + STRMEMALLOC_SURCOUT));
        if (pstBlock == nullptr) return STRMEMALLOC_ERR_MEMOIRE;
        pstBlock->stHeader.nCapacity = static_cast<uint32_t>(nCapacity);
    }
    unsigned char* pbyText = s_pbyGetText(pstBlock);
    _EcritZero32(pbyText + nCapacity);
    *ppbyBlock = pbyText;
    return 0;
}

void CStrMemAlloc::vReleaseStrMem(unsigned char* pbyBlock) {
    if (pbyBlock == nullptr) return;
    STStrMemBlock* pstBlock = s_pstGetBlock(pbyBlock);
    {
        CVerrou clVerrou(&m_stMutex);
        if (_bRange(pstBlock)) return;
    }
    XMALLOC_Del(pstBlock);
}
