// CCompresseurBase: the header readers and writer, the stored method and the locked entry points.
// The lengths a header holds come from outside: every read is bounded by the length the caller
// gives, and a block is copied out only when it lies whole inside the input.
#include "installer/CompresseurBase.h"

#include <cstring>

#include "installer/MutexRecursif.h"

namespace {

uint32_t _dwLitU32(const uint8_t* pby) {
    return uint32_t(pby[0]) | (uint32_t(pby[1]) << 8) | (uint32_t(pby[2]) << 16) | (uint32_t(pby[3]) << 24);
}

void _EcritU32(uint8_t* pby, uint32_t dw) {
    for (int i = 0; i < 4; i++) pby[i] = static_cast<uint8_t>(dw >> (8 * i));
}

// Size of the header of a method, 0 for an unknown one.
uint32_t _nTailleEntete(uint8_t byMethode) {
    switch (byMethode) {
        case CCompresseurBase::eMethodeCopie:
            return CCompresseurBase::ENTETE_COPIE;
        case CCompresseurBase::eMethode2:
        case CCompresseurBase::eMethode4:
            return CCompresseurBase::ENTETE_COMPRESSE;
        default:
            return 0;
    }
}

class CVerrouille {
public:
    explicit CVerrouille(pthread_mutex_t* pstVerrou) : m_pstVerrou(pstVerrou) { pthread_mutex_lock(m_pstVerrou); }
    ~CVerrouille() { pthread_mutex_unlock(m_pstVerrou); }
    CVerrouille(const CVerrouille&) = delete;
    CVerrouille& operator=(const CVerrouille&) = delete;

private:
    pthread_mutex_t* m_pstVerrou;
};

}  // namespace

CCompresseurBase::CCompresseurBase() {
    InitMutexRecursif(&m_stVerrou);
}

CCompresseurBase::~CCompresseurBase() {
    pthread_mutex_destroy(&m_stVerrou);
}

uint32_t CCompresseurBase::vdwTailleEntree(const uint8_t* pbyBloc, uint32_t nLongueur) {
    if (pbyBloc == nullptr || nLongueur == 0) return TAILLE_INCONNUE;
    const uint32_t nEntete = _nTailleEntete(pbyBloc[0]);
    if (nEntete == 0 || nLongueur < nEntete) return TAILLE_INCONNUE;
    const uint32_t nDonnees = _dwLitU32(pbyBloc + 1);
    if (nDonnees > TAILLE_INCONNUE - nEntete) return TAILLE_INCONNUE;  // cannot be the size of anything
    return nDonnees + nEntete;
}

uint32_t CCompresseurBase::dwTailleDecompression(const uint8_t* pbyBloc, uint32_t nLongueur) {
    if (pbyBloc == nullptr || nLongueur == 0) return TAILLE_INCONNUE;
    const uint32_t nEntete = _nTailleEntete(pbyBloc[0]);
    if (nEntete == 0 || nLongueur < nEntete) return TAILLE_INCONNUE;
    return _dwLitU32(pbyBloc + (pbyBloc[0] == eMethodeCopie ? 1 : 5));
}

uint32_t CCompresseurBase::dwTailleBufferCompression(uint32_t nLongueur) {
    return nLongueur + 7;
}

uint32_t CCompresseurBase::dwCompression(const uint8_t* pbyEntree, uint32_t nEntree, uint8_t* pbySortie,
                                         uint32_t nCapacite) {
    return _dwAppel(&CCompresseurBase::_dwCompresse, pbyEntree, nEntree, pbySortie, nCapacite);
}

uint32_t CCompresseurBase::dwDecompression(const uint8_t* pbyEntree, uint32_t nEntree, uint8_t* pbySortie,
                                           uint32_t nCapacite) {
    return _dwAppel(&CCompresseurBase::_dwDecompresse, pbyEntree, nEntree, pbySortie, nCapacite);
}

uint32_t CCompresseurBase::_dwAppel(uint32_t (CCompresseurBase::*pfnOperation)(), const uint8_t* pbyEntree,
                                    uint32_t nEntree, uint8_t* pbySortie, uint32_t nCapacite) {
    CVerrouille clVerrou(&m_stVerrou);
    m_pbyEntree = pbyEntree;
    m_nTailleEntree = nEntree;
    m_pbySortie = pbySortie;
    m_nCapaciteSortie = nCapacite;
    uint32_t dwResultat = (this->*pfnOperation)();
    m_pbyEntree = nullptr;
    return dwResultat;
}

uint32_t CCompresseurBase::_EcritEntete(uint8_t byMethode, uint32_t nTailleCompressee) {
    const uint32_t nEntete = _nTailleEntete(byMethode);
    if (nEntete == 0 || m_pbySortie == nullptr || m_nCapaciteSortie < nEntete) return 0;
    m_pbySortie[0] = byMethode;
    _EcritU32(m_pbySortie + 1, nTailleCompressee);
    if (byMethode != eMethodeCopie) {
        _EcritU32(m_pbySortie + 5, m_nTailleEntree);
        m_pbySortie[9] = 0;
        m_pbySortie[10] = 0;
    }
    return nEntete;
}

uint32_t CCompresseurBase::_dwCompresseCopie() {
    if ((m_pbyEntree == nullptr && m_nTailleEntree != 0) || m_nTailleEntree > TAILLE_INCONNUE - ENTETE_COPIE ||
        m_nCapaciteSortie < m_nTailleEntree + ENTETE_COPIE)
        return 0;
    if (_EcritEntete(eMethodeCopie, m_nTailleEntree) == 0) return 0;
    if (m_nTailleEntree != 0) memcpy(m_pbySortie + ENTETE_COPIE, m_pbyEntree, m_nTailleEntree);
    return m_nTailleEntree + ENTETE_COPIE;
}

uint32_t CCompresseurBase::_dwDecompresseCopie() {
    if (m_pbyEntree == nullptr || m_nTailleEntree < ENTETE_COPIE || m_pbyEntree[0] != eMethodeCopie) return 0;
    const uint32_t nDonnees = _dwLitU32(m_pbyEntree + 1);
    if (nDonnees > m_nTailleEntree - ENTETE_COPIE || nDonnees > m_nCapaciteSortie) return 0;
    if (nDonnees != 0) {
        if (m_pbySortie == nullptr) return 0;
        memcpy(m_pbySortie, m_pbyEntree + ENTETE_COPIE, nDonnees);
    }
    return nDonnees;
}
