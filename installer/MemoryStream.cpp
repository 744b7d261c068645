// CMemoryStream: opening on an attached block or on memory of its own, reads and writes bounded
// by the size, seeks, and growth of memory of its own.
#include "installer/MemoryStream.h"

#include <cstring>

#include "core/XMalloc.h"

CMemoryStream::CMemoryStream() = default;

CMemoryStream::~CMemoryStream() {
    __DeleteMemory();
}

int CMemoryStream::bAssociate(void* pBlock, uint32_t nSize) {
    if (m_byEtat != eEtatInactif) return 0;
    if (pBlock == nullptr && nSize != 0) return 0;
    __DeleteMemory();
    m_pbyBloc = static_cast<unsigned char*>(pBlock);
    m_pbyCourant = m_pbyBloc;
    m_nTaille = nSize;
    m_byMode = eModeAssocie;
    m_byEtat = eEtatAssocie;
    return 1;
}

void* CMemoryStream::pGetAddress() {
    return m_pbyBloc;
}

void CMemoryStream::__DeleteMemory() {
    if (m_byMode & eModePropre) XMALLOC_Del(m_pbyBloc);
    m_pbyBloc = nullptr;
    m_pbyCourant = nullptr;
    m_nTaille = 0;
    m_byMode &= static_cast<uint8_t>(~(eModePropre | eModeAssocie | eModeExpansion));
}

int CMemoryStream::bOpen(const wchar_t* pszName, eACCESS eAccess, eSHARE, eCREATE eCreate, eFLAG, int* pbCreated) {
    m_clNom = pszName != nullptr ? pszName : L"";
    if (eCreate == eCreateAlways) __DeleteMemory();

    uint8_t byAcces = 0;
    switch (eAccess) {
        case eAccessRead:
            byAcces = eModeLecture;
            break;
        case eAccessWrite:
            byAcces = eModeEcriture;
            break;
        case eAccessReadWrite:
            byAcces = eModeLecture | eModeEcriture;
            break;
        default:
            return 0;
    }

    if (eCreate == eCreateAlways) {
        m_byMode = static_cast<uint8_t>(byAcces | eModePropre);
        m_pbyCourant = m_pbyBloc;
        m_byEtat = eEtatOuvertPropre;
        if (pbCreated != nullptr) *pbCreated = 1;
        return 1;
    }
    if (eCreate == eCreateOpenExisting) {
        if (m_byEtat != eEtatAssocie) return 0;
        m_byMode = static_cast<uint8_t>(byAcces | eModeAssocie);
        m_byEtat = eEtatOuvertAssocie;
        if (pbCreated != nullptr) *pbCreated = 0;
        return 1;
    }
    return 0;
}

void CMemoryStream::Close() {
    m_byEtat = eEtatInactif;
}

bool CMemoryStream::_bRedimensionne(uint64_t nSize) {
    if (nSize > UINT32_MAX) return false;
    const int64_t oOffset = m_pbyCourant - m_pbyBloc;
    unsigned char* pbyNouveau = m_pbyBloc;
    if (nSize > m_nTaille) {
        pbyNouveau = static_cast<unsigned char*>(XMALLOC_pResize(m_pbyBloc, static_cast<size_t>(nSize)));
        if (pbyNouveau == nullptr) return false;
        // Bytes a seek jumps over read back as zeros, as in a file.
        memset(pbyNouveau + m_nTaille, 0, static_cast<size_t>(nSize - m_nTaille));
    }
    m_pbyBloc = pbyNouveau;
    m_pbyCourant = m_pbyBloc + oOffset;
    m_nTaille = static_cast<uint32_t>(nSize);
    return true;
}

int CMemoryStream::bWrite(const void* pData, uint32_t nSize, uint32_t* pnWritten) {
    if (pnWritten != nullptr) *pnWritten = 0;
    if (!bIsOpen() || !(m_byMode & eModeEcriture)) return 0;
    const uint64_t oOffset = static_cast<uint64_t>(m_pbyCourant - m_pbyBloc);
    uint64_t nCount = nSize;
    if (oOffset + nCount > m_nTaille) {
        if (m_byMode & eModePropre) {
            if (!_bRedimensionne(oOffset + nCount)) return 0;
        } else {
            if (pnWritten == nullptr) return 0;
            nCount = m_nTaille - oOffset;
        }
    }
    if (nCount != 0) memcpy(m_pbyCourant, pData, static_cast<size_t>(nCount));
    m_pbyCourant += nCount;
    if (pnWritten != nullptr) *pnWritten = static_cast<uint32_t>(nCount);
    return 1;
}

int CMemoryStream::bRead(void* pBuffer, uint32_t nSize, uint32_t* pnRead) {
    if (pnRead != nullptr) *pnRead = 0;
    if (!bIsOpen() || !(m_byMode & eModeLecture)) return 0;
    const uint64_t oOffset = static_cast<uint64_t>(m_pbyCourant - m_pbyBloc);
    uint64_t nCount = nSize;
    if (oOffset + nCount > m_nTaille) {
        if (pnRead == nullptr) return 0;
        nCount = m_nTaille - oOffset;
    }
    if (nCount != 0) memcpy(pBuffer, m_pbyCourant, static_cast<size_t>(nCount));
    m_pbyCourant += nCount;
    if (pnRead != nullptr) *pnRead = static_cast<uint32_t>(nCount);
    return 1;
}

int CMemoryStream::bSeek(int64_t oOffset, eSEEK eSeek) {
    const int64_t oTaille = m_nTaille;
    int64_t oPosition = 0;
    switch (eSeek) {
        case eSeekBegin:
            oPosition = oOffset;
            break;
        case eSeekCurrent:
            oPosition = (m_pbyCourant - m_pbyBloc) + oOffset;
            break;
        // Callers count back from the end with either sign.
        case eSeekEnd:
            oPosition = oOffset > 0 ? oTaille - oOffset : oTaille + oOffset;
            break;
        default:
            oPosition = 0;
            break;
    }
    // Before the start there is nothing to read or write.
    if (oPosition < 0) return 0;
    if (oPosition > oTaille) {
        if (!(m_byMode & eModeExpansion)) return 0;
        if (!_bRedimensionne(static_cast<uint64_t>(oPosition))) return 0;
    }
    m_pbyCourant = m_pbyBloc + oPosition;
    return 1;
}

int CMemoryStream::bSetAutoExpandMode(int bOn) {
    if (m_byEtat != eEtatOuvertPropre) return 0;
    if (bOn)
        m_byMode |= eModeExpansion;
    else
        m_byMode &= static_cast<uint8_t>(~eModeExpansion);
    return 1;
}

int64_t CMemoryStream::oGetSize() {
    return m_nTaille;
}

int64_t CMemoryStream::oGetSizeFast() {
    return m_nTaille;
}

int64_t CMemoryStream::oGetOffset() {
    return m_pbyCourant - m_pbyBloc;
}

int CMemoryStream::bIsOpen() const {
    return m_byEtat == eEtatOuvertPropre || m_byEtat == eEtatOuvertAssocie;
}

const wchar_t* CMemoryStream::pszGetName() const {
    const wchar_t* pszNom = m_clNom.pszGet();
    return pszNom != nullptr ? pszNom : L"";
}

IXStream::eACCESS CMemoryStream::veGetAccess() const {
    const uint8_t byAcces = m_byMode & (eModeLecture | eModeEcriture);
    if (byAcces == (eModeLecture | eModeEcriture)) return eAccessReadWrite;
    if (byAcces == eModeLecture) return eAccessRead;
    if (byAcces == eModeEcriture) return eAccessWrite;
    return static_cast<eACCESS>(-1);
}
