// CStrMemCache: the two free lists of released shared-string blocks behind the installer's string
// allocator, and the layout of the block the allocator hands out. The installer has no host to
// lend it buffers, so it keeps its own: every block carries a 24-byte header whose last 16 bytes
// are the header the shared strings read (flags, count, capacity, length), with a link in front of
// it for the time the block waits in a free list. The lists take no lock: the allocator that owns
// them holds its mutex around every call.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/BaseStrMem.h"

// One block as laid out in memory: the header, the character area of nCapacity bytes, then 4 zero
// bytes that end any text even when it fills the whole area.
struct STStrMemBlock {
    STStrMemBlock* pstLien;   // next block of the same free list (only while cached)
    STStrMemHeader stHeader;  // what the shared strings see at text - 16
};
static_assert(sizeof(STStrMemBlock) == 24);
static_assert(offsetof(STStrMemBlock, pstLien) == 0);
static_assert(offsetof(STStrMemBlock, stHeader) == 8);

// Capacities that are cached, and the most blocks each list keeps.
constexpr uint32_t STRMEMALLOC_CAPACITE_PETITE = 100;
constexpr uint32_t STRMEMALLOC_CAPACITE_MOYENNE = 996;
constexpr int STRMEMALLOC_CACHE_MAX = 20;
// Bytes a block takes beyond its capacity: the header and the 4 trailing zero bytes.
constexpr size_t STRMEMALLOC_SURCOUT = sizeof(STStrMemBlock) + 4;

class CStrMemCache {
public:
    CStrMemCache() = default;
    CStrMemCache(const CStrMemCache&) = delete;
    CStrMemCache& operator=(const CStrMemCache&) = delete;
    // Frees every cached block.
    virtual ~CStrMemCache();

    // Block of a text address, and the reverse.
    static STStrMemBlock* s_pstGetBlock(const void* pText) {
        return reinterpret_cast<STStrMemBlock*>(static_cast<unsigned char*>(const_cast<void*>(pText)) -
                                                sizeof(STStrMemBlock));
    }
    static unsigned char* s_pbyGetText(STStrMemBlock* pstBlock) {
        return reinterpret_cast<unsigned char*>(pstBlock) + sizeof(STStrMemBlock);
    }

    // Blocks now waiting in the list of that capacity (0 for a capacity that is not cached).
    int nGetNbCache(uint32_t nCapacity) const;

protected:
    // A cached block of exactly that capacity taken off its list, or null.
    STStrMemBlock* _pstPrend(uint32_t nCapacity);
    // Puts the block in its list; false when the capacity is not cached or its list is full.
    bool _bRange(STStrMemBlock* pstBlock);

private:
    // The list and count of a cached capacity; false for any other capacity.
    bool _bListe(uint32_t nCapacity, STStrMemBlock*** pppstListe, int** ppnCompte);

    STStrMemBlock* m_pstLibre100 = nullptr;
    int m_nLibre100 = 0;
    STStrMemBlock* m_pstLibre996 = nullptr;
    int m_nLibre996 = 0;
};
