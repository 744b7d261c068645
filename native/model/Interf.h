// CInterf: the reference-counted root of every native-access object (variants, columns, records,
// statements, connections...). The count starts at 0: whoever hands an object out takes the first
// reference. An object marked do-not-delete (a static or an embedded member) survives its last
// release.
#pragma once

#include <cstddef>
#include <cstdint>

class CInterf {
public:
    CInterf() = default;
    CInterf(const CInterf&) : m_nRef(0), m_bDoNotDelete(0) {}  // a copy starts with no reference
    CInterf& operator=(const CInterf&) { return *this; }      // the count belongs to the object
    virtual ~CInterf() = default;
    virtual int _NotToBeCalled() const { return 0; }

    unsigned AddRef() { return ++m_nRef; }
    // At count 0 nothing happens; the release that reaches 0 deletes the object unless it is marked.
    unsigned nRelease();
    unsigned nGetRef() const { return m_nRef; }

    void SetDoNotDelete(int bDoNotDelete) { m_bDoNotDelete = bDoNotDelete ? 1u : 0u; }
    int bIsDoNotDelete() const { return m_bDoNotDelete != 0; }

protected:
    uint32_t m_nRef = 0;
    uint32_t m_bDoNotDelete = 0;
};

static_assert(sizeof(CInterf) == 16, "vtable pointer, count and flag");
