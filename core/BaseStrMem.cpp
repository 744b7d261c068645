// The road between the shared buffers and the host's allocator: choice of the allocating slots by
// the allocator's version, the atomic reference count, and the last release.
#include "core/BaseStrMem.h"

#include <atomic>
#include <cstring>

#include "core/InformationDLL.h"

namespace {

// The empty byte area stands behind a zeroed header, so that a reader that takes the length from
// the header sees 0.
struct STStaticEmpty {
    STStrMemHeader stHeader;
    unsigned char aby[8];
};
static_assert(offsetof(STStaticEmpty, aby) == sizeof(STStrMemHeader));
const STStaticEmpty g_stEmpty = {{0, 0, 0, 0}, {}};

std::atomic_ref<uint32_t> rCount(const void* pText) {
    return std::atomic_ref<uint32_t>(CBaseStrMem::s_pstGetHeader(pText)->nCount);
}

}  // namespace

// An address constant: set before any code runs, whatever the order of static initialisation.
constinit const unsigned char* const CBaseStrMem::ChaineVide = g_stEmpty.aby;

int IStrMemAlloc::nAllocStrMem(unsigned char** ppbyBlock, unsigned long nBytes, unsigned dwFlags) {
    if (vnGetVersionIStrMemAlloc() >= 2) return vnAllocStrMemEx(ppbyBlock, nBytes, dwFlags);
    return vnAllocStrMem(ppbyBlock, nBytes);
}

int IStrMemAlloc::nReallocStrMem(unsigned char** ppbyBlock, unsigned long nBytes, unsigned dwFlags) {
    if (vnGetVersionIStrMemAlloc() >= 2) return vnReallocStrMemEx(ppbyBlock, nBytes, dwFlags);
    return vnReallocStrMem(ppbyBlock, nBytes);
}

int CBaseStrMem::s_nAllocStrMem(unsigned char** ppbyText, uint64_t nBytes, unsigned dwFlags) {
    if (nBytes > static_cast<uint64_t>(STRMEM_MAX_BYTES)) return STRMEM_ERR_TOO_LONG;
    IStrMemAlloc* piAlloc = CInformationModule::ms_piStrMemAlloc;
    if (piAlloc == nullptr) return STRMEM_ERR_NO_MEMORY;
    unsigned char* pbyNew = nullptr;
    int nResult = piAlloc->nAllocStrMem(&pbyNew, nBytes, dwFlags);
    if (nResult != 0) return nResult;
    if (pbyNew == nullptr) return STRMEM_ERR_NO_MEMORY;  // a host that says yes and gives nothing
    *ppbyText = pbyNew;
    return STRMEM_OK;
}

int CBaseStrMem::s_nReallocStrMem(unsigned char** ppbyText, uint64_t nBytes, unsigned dwFlags) {
    if (nBytes > static_cast<uint64_t>(STRMEM_MAX_BYTES)) return STRMEM_ERR_TOO_LONG;
    IStrMemAlloc* piAlloc = CInformationModule::ms_piStrMemAlloc;
    if (piAlloc == nullptr) return STRMEM_ERR_NO_MEMORY;
    unsigned char* pbyText = *ppbyText;
    int nResult = piAlloc->nReallocStrMem(&pbyText, nBytes, dwFlags);
    if (nResult != 0) return nResult;
    if (pbyText == nullptr) return STRMEM_ERR_NO_MEMORY;
    *ppbyText = pbyText;
    return STRMEM_OK;
}

void CBaseStrMem::s_ReleaseStrMem(unsigned char* pbyText) {
    if (pbyText == nullptr) return;
    if (rCount(pbyText).fetch_sub(1, std::memory_order_acq_rel) != 1) return;
    // Without an allocator (the host has gone) the block cannot be handed back; leaking it is the
    // only safe course.
    if (IStrMemAlloc* piAlloc = CInformationModule::ms_piStrMemAlloc) piAlloc->vReleaseStrMem(pbyText);
}

uint32_t CBaseStrMem::s_nGetCount(const void* pText) {
    return rCount(pText).load(std::memory_order_acquire);
}

void CBaseStrMem::s_AddRef(const void* pText) {
    if (pText != nullptr) rCount(pText).fetch_add(1, std::memory_order_relaxed);
}

