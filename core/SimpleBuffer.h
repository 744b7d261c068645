// CSimpleBuffer: an owned scratch block of bytes (file loading, the in-memory index's bulk load).
// Resizing never keeps the contents; callers fill the data directly after sizing it.
#pragma once

#include <cstddef>
#include <cstdint>

class CSimpleBuffer {
public:
    CSimpleBuffer() = default;
    explicit CSimpleBuffer(size_t nTaille);
    CSimpleBuffer(const void* pData, size_t nTaille);
    // A copy of the source's bytes, never a share of its block.
    explicit CSimpleBuffer(const CSimpleBuffer* pclSource);
    CSimpleBuffer(const CSimpleBuffer&) = delete;
    CSimpleBuffer& operator=(const CSimpleBuffer&) = delete;

    virtual ~CSimpleBuffer();
    // Nothing when the size is unchanged; otherwise new, uninitialised data (null for 0). When the
    // heap refuses, the buffer is left empty (null data, size 0).
    virtual void SetSize(size_t nTaille);

    // Sizes the buffer through SetSize, then copies the bytes (nothing is copied when the heap
    // refused the block). The bytes may be a part of the buffer's own data.
    void CopyBuffer(const void* pData, size_t nTaille);

    unsigned char* pbyGetData() const { return m_pbyData; }
    size_t nGetSize() const { return m_nTaille; }

protected:
    unsigned char* m_pbyData = nullptr;
    uint64_t m_nTaille = 0;

    friend struct CSimpleBufferLayout;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CSimpleBufferLayout {
    static_assert(sizeof(CSimpleBuffer) == 24);
    static_assert(offsetof(CSimpleBuffer, m_pbyData) == 8);
    static_assert(offsetof(CSimpleBuffer, m_nTaille) == 16);
};
#pragma GCC diagnostic pop
