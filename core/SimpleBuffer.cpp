// CSimpleBuffer: the owned malloc block and its resizing.
#include "core/SimpleBuffer.h"

#include <cstdlib>
#include <cstring>

CSimpleBuffer::CSimpleBuffer(size_t nTaille) {
    SetSize(nTaille);
}

CSimpleBuffer::CSimpleBuffer(const void* pData, size_t nTaille) {
    CopyBuffer(pData, nTaille);
}

CSimpleBuffer::CSimpleBuffer(const CSimpleBuffer* pclSource) {
    CopyBuffer(pclSource->m_pbyData, pclSource->m_nTaille);
}

CSimpleBuffer::~CSimpleBuffer() {
    free(m_pbyData);
}

void CSimpleBuffer::SetSize(size_t nTaille) {
    if (nTaille == m_nTaille) return;
    free(m_pbyData);
    m_pbyData = nullptr;
    m_nTaille = 0;
    if (nTaille == 0) return;
    m_pbyData = static_cast<unsigned char*>(malloc(nTaille));
    // A size without data would invite writes through null.
    if (m_pbyData != nullptr) m_nTaille = nTaille;
}

void CSimpleBuffer::CopyBuffer(const void* pData, size_t nTaille) {
    SetSize(nTaille);
    if (m_pbyData != nullptr && nTaille != 0) memmove(m_pbyData, pData, nTaille);
}
