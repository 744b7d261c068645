// The buffer every shared string and byte string stands on: the 16-byte header the host's allocator
// keeps in front of the first unit, the atomic reference count, and the road to and from the host's
// IStrMemAlloc. The host reads and writes the same header, so its layout is binary interface.
// CXYString<T> and CVQBIN derive from CBaseStrMem for these helpers; it holds no data of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

// Header in front of the first unit of a shared buffer (at text - 16).
struct STStrMemHeader {
    uint32_t dwFlags;    // bit 0: the last unit is the end marker; other bits carried, never set here
    uint32_t nCount;     // values sharing the buffer; changed only atomically
    uint32_t nCapacity;  // bytes usable for units, set by the allocator
    int32_t nLength;     // bytes in use (4 per character for wide text)
};
static_assert(sizeof(STStrMemHeader) == 16);
static_assert(offsetof(STStrMemHeader, dwFlags) == 0);
static_assert(offsetof(STStrMemHeader, nCount) == 4);
static_assert(offsetof(STStrMemHeader, nCapacity) == 8);
static_assert(offsetof(STStrMemHeader, nLength) == 12);

// Flag bit 0 of the header: the value's last unit is the end marker (0xFF or 0xFFFFFFFF).
constexpr uint32_t STRMEM_FLAG_MARQUEUR_FIN = 1;

// Result codes of the shared strings.
constexpr int STRMEM_OK = 0;
constexpr int STRMEM_ERR_NO_MEMORY = 100;  // no allocator installed (library used before its start)
constexpr int STRMEM_ERR_TOO_LONG = 108;
constexpr int STRMEM_ERR_BAD_ELEMENT = 115;

// Most units one value may hold (characters for strings, bytes for CVQBIN).
constexpr int64_t STRMEM_MAX_UNITS = 0x7FFFFEFF;
// Most bytes one buffer may hold: the length field is a signed 32-bit byte count, so a wide string
// stops at 0x1FFFFFFF characters.
constexpr int64_t STRMEM_MAX_BYTES = 0x7FFFFFFF;

class CBaseStrMem {
public:
    // An empty byte area (a zeroed header stands in front of it, so a reader of its length sees 0).
    static const unsigned char* const ChaineVide;

    // Drops one reference: nothing for null; when the count was 1 the buffer goes back to the host.
    static void s_ReleaseStrMem(unsigned char* pbyText);

    // Allocation through the host's allocator installed in CInformationModule::ms_piStrMemAlloc.
    // Without one (the library used before its start) they answer STRMEM_ERR_NO_MEMORY. On failure
    // *ppbyText is left as it was. nBytes above STRMEM_MAX_BYTES answers STRMEM_ERR_TOO_LONG.
    static int s_nAllocStrMem(unsigned char** ppbyText, uint64_t nBytes, unsigned dwFlags);
    static int s_nReallocStrMem(unsigned char** ppbyText, uint64_t nBytes, unsigned dwFlags);

    static STStrMemHeader* s_pstGetHeader(const void* pText) {
        return reinterpret_cast<STStrMemHeader*>(static_cast<unsigned char*>(const_cast<void*>(pText)) -
                                                 sizeof(STStrMemHeader));
    }
    // Atomic read of the count; 2 or more means shared, and then nothing in the buffer may be written.
    static uint32_t s_nGetCount(const void* pText);
    static bool s_bEstPartage(const void* pText) { return pText != nullptr && s_nGetCount(pText) >= 2; }
    // One more value shares the buffer.
    static void s_AddRef(const void* pText);
    // Stores the 32-bit zero that follows the last unit of every string (at text + nBytes). 8-bit
    // strings put it at any byte offset: no aligned store. Inline: every string made sets it.
    static void s_SetTerminator(void* pText, int64_t nBytes) {
        const uint32_t dwZero = 0;
        memcpy(static_cast<unsigned char*>(pText) + nBytes, &dwZero, sizeof(dwZero));
    }
};
