// CStrMemAlloc: the installer's allocator of shared strings. The installer runs without a host, so
// main creates this allocator and installs it in CInformationModule::ms_piStrMemAlloc; every
// CXYString and CVQBIN of the process then gets its buffer here. Small texts get rounded
// capacities (100 or 996 bytes) so that released blocks can be handed out again from the cache;
// larger ones get room to grow.
#pragma once

#include <pthread.h>

#include <cstddef>
#include <cstdint>

#include "core/HostInterfaces.h"
#include "installer/StrMemCache.h"

// Flags bit 0 of the Ex forms: the capacity is the size asked, and the cache is bypassed.
constexpr unsigned STRMEMALLOC_TAILLE_EXACTE = 1;
// Answer when memory cannot be obtained.
constexpr int STRMEMALLOC_ERR_MEMOIRE = 100;

class CStrMemAlloc : public CStrMemCache, public IStrMemAlloc {
public:
    CStrMemAlloc();
    ~CStrMemAlloc() override;

    // The one instance of the process: created by s_pclInit (which hands back the existing one when
    // called twice), destroyed by s_Term.
    static CStrMemAlloc* ms_pclAllocateur;
    static CStrMemAlloc* s_pclInit();
    static void s_Term();

    int vnGetVersionIStrMemAlloc() override;
    int vnAllocStrMem(unsigned char** ppbyBlock, size_t nBytes) override;
    int vnReallocStrMem(unsigned char** ppbyBlock, size_t nBytes) override;
    void vReleaseStrMem(unsigned char* pbyBlock) override;
    int vnAllocStrMemEx(unsigned char** ppbyBlock, size_t nBytes, unsigned dwFlags) override;
    int vnReallocStrMemEx(unsigned char** ppbyBlock, size_t nBytes, unsigned dwFlags) override;

    // Capacity given to a new block of nBytes, and to a block of capacity nCurrent resized to nBytes.
    // Computed wide: a result above the 32-bit capacity field makes the allocation fail.
    static uint64_t s_nCapaciteAlloc(uint64_t nBytes, unsigned dwFlags);
    static uint64_t s_nCapaciteRealloc(uint64_t nBytes, uint64_t nCurrent, unsigned dwFlags);

private:
    pthread_mutex_t m_stMutex;
};
