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
    // Bytes taken from the buffer's own data (a loader dropping a header it has read, say) would
    // be freed by the resize before they are copied: they are set aside first.
    const unsigned char* pbySource = static_cast<const unsigned char*>(pData);
    unsigned char* pbyMisDeCote = nullptr;
    uintptr_t nSource = reinterpret_cast<uintptr_t>(pData), nDebut = reinterpret_cast<uintptr_t>(m_pbyData);
    if (nTaille != m_nTaille && nTaille != 0 && m_pbyData != nullptr && nSource >= nDebut &&
        nSource - nDebut < m_nTaille) {
        pbyMisDeCote = static_cast<unsigned char*>(malloc(nTaille));
        if (pbyMisDeCote != nullptr) memcpy(pbyMisDeCote, pbySource, nTaille);
        pbySource = pbyMisDeCote;
    }
    SetSize(nTaille);
    if (m_pbyData != nullptr && nTaille != 0 && pbySource != nullptr) memmove(m_pbyData, pbySource, nTaille);
    free(pbyMisDeCote);
}
