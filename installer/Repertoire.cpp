// CRepertoire: an archive's directory with its case-insensitive path index (see Repertoire.h).
// Entries own nothing outside themselves and all share one table pointer, so the byte array copies
// and moves them as bytes (see RepEntree.h).
#include "installer/Repertoire.h"

#include <cwchar>
#include <new>

#include "core/XMath.h"
#include "platform/WinMemoryTime.h"

namespace {

void CopieU32(uint8_t* pby, uint32_t dw) {
    for (int i = 0; i < 4; i++) pby[i] = static_cast<uint8_t>(dw >> (8 * i));
}

}  // namespace

CRepertoire::CRepertoire()
    : m_tabEntree(static_cast<int>(sizeof(CRepEntree)), s_nPasTableau, 30), m_htIndex(s_nTailleIndex) {
    m_tabEntree.AlloueMemoire(s_nPasTableau);
    // About one path per bucket: every extraction looks its entry up, and the paths of one archive
    // share long beginnings that each comparison in a chain walks through.
    m_htIndex.SetNiveau(1, 1);
}

CRepertoire::~CRepertoire() {
    Vide();
}

int CRepertoire::bAjouteEntree(const wchar_t* pszRepertoire, const wchar_t* pszNom, int64_t oTailleCompresse,
                               int64_t oTailleOriginale, uint32_t dwAttribut,
                               const CDiskFile::_stXFILETIME* pstCreation, const CDiskFile::_stXFILETIME* pstModif,
                               const CDiskFile::_stXFILETIME* pstAcces, int bCrypte, const wchar_t* pszMdp) {
    CRepEntree clEntree;
    if (oTailleCompresse == 0 && oTailleOriginale == 0 && pszRepertoire != nullptr && pszNom != nullptr &&
        wcscasecmp(pszRepertoire, pszNom) == 0) {
        // The name is a file on disk; the directory text is its name in the archive.
        if (clEntree.bConstruit(pszNom, pszRepertoire, 0) == 0) return 0;
    } else {
        clEntree.bConstruit(pszNom, oTailleOriginale, oTailleCompresse, pstCreation, pstModif, pstAcces, dwAttribut, 0,
                            0, 0, nullptr);
    }
    clEntree.SetCrypte(bCrypte, CRepEntree::s_byCryptageZip, pszMdp);
    return _bAjouteEntree(clEntree);
}

int CRepertoire::bAjouteEntree(const wchar_t* pszCheminDisque, const wchar_t* pszNom, int64_t oTailleCompresse,
                               int bCrypte, const wchar_t* pszMdp) {
    CRepEntree clEntree;
    if (clEntree.bConstruit(pszCheminDisque, pszNom, oTailleCompresse) == 0) return 0;
    clEntree.SetCrypte(bCrypte, CRepEntree::s_byCryptageZip, pszMdp);
    return _bAjouteEntree(clEntree);
}

int CRepertoire::bCreeEntree(const wchar_t* pszNom, int64_t oTailleCompresse, int64_t oTailleOriginale,
                             uint32_t dwAttribut, int bCrypte, const wchar_t* pszMdp) {
    SYSTEMTIME stMaintenant;
    GetLocalTime(&stMaintenant);
    const CDiskFile::_stXFILETIME stTemps = {stMaintenant.wYear,
                                             stMaintenant.wMonth,
                                             stMaintenant.wDay,
                                             stMaintenant.wHour,
                                             stMaintenant.wMinute,
                                             stMaintenant.wSecond,
                                             0};
    CRepEntree clEntree(pszNom, oTailleOriginale, oTailleCompresse, &stTemps, &stTemps, &stTemps, dwAttribut, 0, 0, 0,
                        nullptr);
    clEntree.SetCrypte(bCrypte, CRepEntree::s_byCryptageZip, pszMdp);
    return _bAjouteEntree(clEntree);
}

int CRepertoire::_bAjouteEntree(const CRepEntree& clEntree) {
    const void* pAvant = m_tabEntree.pGetBuffer();
    const int nAvant = m_tabEntree.nGetNbElement();
    if (!_bAjouteCopie(clEntree)) return 0;
    m_nNbEntree++;
    if (!clEntree.bEstUnFichierFactice()) m_nNbEntreeReelle++;
    if (m_tabEntree.pGetBuffer() != pAvant) {
        // Every key pointed into the old storage.
        _ReconstruitIndex();
    } else {
        m_htIndex.Ajoute(_pclEntree(nAvant)->pszLitChemin(), nAvant);
    }
    return 1;
}

int CRepertoire::_bAjouteCopie(const CRepEntree& clEntree) {
    const int nAvant = m_tabEntree.nGetNbElement();
    m_tabEntree.Ajoute(&clEntree);
    // The array could not grow: nothing was added.
    if (m_tabEntree.nGetNbElement() == nAvant) return 0;
    // The slot holds the bytes of the entry; an entry made there by its copy constructor is the same
    // bytes, and a real object for the compiler.
    new (m_tabEntree.pGetAt(nAvant)) CRepEntree(clEntree);
    return 1;
}

void CRepertoire::_ReconstruitIndex() {
    m_htIndex.SupprimeTout();
    m_nNbEntree = m_tabEntree.nGetNbElement();
    m_nNbEntreeReelle = 0;
    for (int i = 0; i < m_nNbEntree; i++) {
        const CRepEntree* pcl = _pclEntree(i);
        if (!pcl->bEstUnFichierFactice()) m_nNbEntreeReelle++;
        m_htIndex.Ajoute(pcl->pszLitChemin(), i);
    }
}

long CRepertoire::lRang(const wchar_t* pszChemin) {
    if (pszChemin == nullptr) return -1;
    int nIndex = -1;
    const wchar_t* pszCle = nullptr;
    if (!m_htIndex.bRecherche(pszChemin, &nIndex, &pszCle)) return -1;
    // Names that differ only in letter case are distinct files in an archive made on Linux: the
    // entry written exactly as asked wins over another that only matches ignoring case.
    if (wcscmp(pszCle, pszChemin) != 0) {
        for (int i = 0; i < m_nNbEntree; i++) {
            if (wcscmp(_pclEntree(i)->pszLitChemin(), pszChemin) == 0) return i;
        }
    }
    return nIndex;
}

CRepEntree* CRepertoire::operator[](long nIndex) {
    if (nIndex < 0 || nIndex >= m_nNbEntree) return nullptr;
    return _pclEntree(static_cast<int>(nIndex));
}

const CRepEntree* CRepertoire::operator[](long nIndex) const {
    if (nIndex < 0 || nIndex >= m_nNbEntree) return nullptr;
    return _pclEntree(static_cast<int>(nIndex));
}

uint32_t CRepertoire::dwTaille() const {
    uint32_t dw = 4;
    for (int i = 0; i < m_nNbEntree; i++) dw += _pclEntree(i)->dwTaille();
    return dw;
}

void CRepertoire::Vide() {
    m_htIndex.SupprimeTout();
    m_tabEntree.SupprimeTout();
    m_nNbEntree = 0;
    m_nNbEntreeReelle = 0;
}

void CRepertoire::PrevoitEntrees(int n) {
    const void* pAvant = m_tabEntree.pGetBuffer();
    m_tabEntree.AgranditMemoire(n);
    // The keys of the entries already there point into the old storage.
    if (m_tabEntree.pGetBuffer() != pAvant && m_nNbEntree > 0) _ReconstruitIndex();
    // The index sized at once as well, rather than doubled again and again while it fills.
    const int nListes = m_nNbEntree + n;
    if (nListes > m_htIndex.nGetNbListe()) {
        int nPremier = nListes | 1;
        while (!CXMath::bEstPremier(static_cast<uint64_t>(nPremier))) nPremier += 2;
        m_htIndex.RedimensionneTable(nPremier);
    }
}

void CRepertoire::SupprimeElement(long nIndex) {
    if (nIndex < 0 || nIndex >= m_nNbEntree) return;
    m_tabEntree.Supprime(static_cast<int>(nIndex), 1);
    // Every key after the removed entry moved down one place.
    _ReconstruitIndex();
}

int CRepertoire::bChangeChemin(long nIndex, const wchar_t* pszChemin) {
    CRepEntree* pcl = (*this)[nIndex];
    if (pcl == nullptr) return 0;
    // The stored key is the entry's own text, changed here in place, and a removal by key could take
    // another path equal to it but for letter case: the index is rebuilt rather than edited.
    pcl->ChangeChemin(pszChemin);
    _ReconstruitIndex();
    return 1;
}

void CRepertoire::ForceRepVideAlaFin() {
    if (m_nNbEntree == 0) return;
    m_tabEntree.AgranditMemoire(m_nNbEntree + 1);
    for (int i = m_nNbEntree - 1; i >= 1; i--) {
        if (_pclEntree(i)->bEstUnFichierFactice()) m_tabEntree.Deplace(i, m_nNbEntree - 1);
    }
    _ReconstruitIndex();
}

int CRepertoire::eEcrit(CDiskFile& clFichier) const {
    uint8_t abyCompte[4];
    CopieU32(abyCompte, static_cast<uint32_t>(m_nNbEntree));
    uint32_t nEcrit = 0;
    if (!clFichier.bWrite(abyCompte, 4, &nEcrit) || nEcrit != 4) return CRepEntree::s_eErreurEcriture;
    for (int i = 0; i < m_nNbEntree; i++) {
        const int e = _pclEntree(i)->eEcrit(clFichier);
        if (e != CRepEntree::s_eOk) return e;
    }
    return CRepEntree::s_eOk;
}

int CRepertoire::bLit(CDiskFile& clFichier) {
    Vide();
    uint8_t abyCompte[4];
    uint32_t nLu = 0;
    if (!clFichier.bRead(abyCompte, 4, &nLu) || nLu < 4) return 0;
    const uint32_t nCompte = static_cast<uint32_t>(abyCompte[0]) | static_cast<uint32_t>(abyCompte[1]) << 8 |
                             static_cast<uint32_t>(abyCompte[2]) << 16 | static_cast<uint32_t>(abyCompte[3]) << 24;
    int bOk = 1;
    for (uint32_t n = 0; n < nCompte; n++) {
        CRepEntree clEntree;
        if (!clEntree.bLit(clFichier)) {
            bOk = 0;
            break;
        }
        if (!_bAjouteCopie(clEntree)) {
            bOk = 0;
            break;
        }
    }
    _ReconstruitIndex();
    return bOk;
}
