// CKXUnknown: the reference-counted root of the common library (error objects, streams, memo
// images). The host holds such objects too and raises their count inline, so the layout (virtual
// table, then the 32-bit count) and the slot order (destructor pair, then dwRelease) are binary
// interface.
#pragma once

#include <cstddef>
#include <cstdint>

class CKXUnknown {
public:
    explicit CKXUnknown(uint32_t dwRef = 0) : m_dwRef(dwRef) {}
    CKXUnknown(const CKXUnknown&) = delete;
    CKXUnknown& operator=(const CKXUnknown&) = delete;

    virtual ~CKXUnknown() {}

    // Lowers the count atomically; the holder of the last reference destroys the object.
    virtual uint32_t dwRelease() {
        uint32_t dwRef = __atomic_sub_fetch(&m_dwRef, 1u, __ATOMIC_ACQ_REL);
        if (dwRef == 0) delete this;
        return dwRef;
    }

    void AddRef() { __atomic_add_fetch(&m_dwRef, 1u, __ATOMIC_ACQ_REL); }
    uint32_t dwGetRef() const { return __atomic_load_n(&m_dwRef, __ATOMIC_ACQUIRE); }

protected:
    uint32_t m_dwRef;

    friend struct CKXUnknownLayout;
};

// The host reads the count right after the virtual table pointer.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CKXUnknownLayout {
    static_assert(offsetof(CKXUnknown, m_dwRef) == 8);
    static_assert(sizeof(CKXUnknown) == 16);
};
#pragma GCC diagnostic pop
