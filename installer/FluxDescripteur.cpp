// CFluxDescripteur: writing through a file descriptor (see FluxDescripteur.h).
#include "installer/FluxDescripteur.h"

#include <unistd.h>

#include <cerrno>

#include "core/XError.h"

int CFluxDescripteur::bWrite(const void* pData, uint32_t nSize, uint32_t* pnWritten) {
    if (pnWritten != nullptr) *pnWritten = 0;
    m_pclXError->RAZ();
    if (m_nDescripteur < 0) {
        errno = EBADF;
        m_pclXError->__SetSystemError(EBADF);
        return 0;
    }
    const auto* pby = static_cast<const uint8_t*>(pData);
    uint32_t nEcrit = 0;
    while (nEcrit < nSize) {
        const ssize_t n = write(m_nDescripteur, pby + nEcrit, nSize - nEcrit);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            // A write that moves nothing without an error would loop for ever: take it as a full disk.
            if (n == 0) errno = ENOSPC;
            const int nErrno = errno;
            m_pclXError->SetErrorLevel(CXError::XEL_ERROR);
            m_pclXError->__SetSystemError(static_cast<uint32_t>(nErrno));
            if (pnWritten != nullptr) *pnWritten = nEcrit;
            errno = nErrno;
            return 0;
        }
        nEcrit += static_cast<uint32_t>(n);
    }
    if (pnWritten != nullptr) *pnWritten = nEcrit;
    return 1;
}
