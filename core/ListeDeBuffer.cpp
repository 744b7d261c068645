// CListeDeBuffer: the linked list with a cursor. Elements are single malloc blocks (links, then
// the copied bytes); the cursor is the current element plus its index, kept in step by every move.
#include "core/ListeDeBuffer.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

CListeDeBuffer::CListeDeBuffer(int nTailleElement)
    : m_pclPremier(nullptr),
      m_pclDernier(nullptr),
      m_pclCourant(nullptr),
      m_nTailleElement(nTailleElement < 0 ? 0 : nTailleElement),
      m_nNbElement(0),
      m_nIndiceCourant(-1),
      m_bCurseur(0) {}

CListeDeBuffer::CListeDeBuffer(const CListeDeBuffer& clSource) {
    _DevientCurseur(clSource);
}

CListeDeBuffer& CListeDeBuffer::operator=(const CListeDeBuffer& clSource) {
    if (this != &clSource) {
        SupprimeTout();
        _DevientCurseur(clSource);
    }
    return *this;
}

CListeDeBuffer::~CListeDeBuffer() {
    SupprimeTout();
}

void CListeDeBuffer::_DevientCurseur(const CListeDeBuffer& clSource) {
    m_pclPremier = clSource.m_pclPremier;
    m_pclDernier = clSource.m_pclDernier;
    m_pclCourant = clSource.m_pclCourant;
    m_nTailleElement = clSource.m_nTailleElement;
    m_nNbElement = clSource.m_nNbElement;
    m_nIndiceCourant = clSource.m_nIndiceCourant;
    m_bCurseur = 1;
}

void CListeDeBuffer::_LieElement(CLinkedElement* pclNouveau, int bAvant) {
    // The new element goes between two neighbours (null at an end of the list).
    CLinkedElement* pclAvant;
    CLinkedElement* pclApres;
    if (m_pclCourant != nullptr) {
        pclAvant = bAvant ? m_pclCourant->m_pclPrecedent : m_pclCourant;
        pclApres = bAvant ? m_pclCourant : m_pclCourant->m_pclSuivant;
        if (!bAvant) m_nIndiceCourant++;
    } else if (m_nNbElement == 0 || m_nIndiceCourant < 0) {
        // An empty list, or a cursor that ran off the front: the new element is the first.
        pclAvant = nullptr;
        pclApres = m_pclPremier;
        m_nIndiceCourant = 0;
    } else {
        // The cursor ran off the end: the new element is the last.
        pclAvant = m_pclDernier;
        pclApres = nullptr;
        m_nIndiceCourant = m_nNbElement;
    }
    pclNouveau->m_pclPrecedent = pclAvant;
    pclNouveau->m_pclSuivant = pclApres;
    (pclAvant != nullptr ? pclAvant->m_pclSuivant : m_pclPremier) = pclNouveau;
    (pclApres != nullptr ? pclApres->m_pclPrecedent : m_pclDernier) = pclNouveau;
    m_pclCourant = pclNouveau;
    m_nNbElement++;
}

int CListeDeBuffer::Ajoute(const void* pData, int bAvant) {
    auto* pclNouveau = static_cast<CLinkedElement*>(malloc(sizeof(CLinkedElement) + size_t(m_nTailleElement)));
    if (pclNouveau == nullptr) return 0;
    if (m_nTailleElement > 0) {
        if (pData != nullptr)
            memcpy(pclNouveau->pbyDonnees(), pData, size_t(m_nTailleElement));
        else
            memset(pclNouveau->pbyDonnees(), 0, size_t(m_nTailleElement));
    }
    _LieElement(pclNouveau, bAvant);
    return 1;
}

CListeDeBuffer::CLinkedElement* CListeDeBuffer::_pclDelieCourant() {
    CLinkedElement* pclElement = m_pclCourant;
    CLinkedElement* pclPrecedent = pclElement->m_pclPrecedent;
    CLinkedElement* pclSuivant = pclElement->m_pclSuivant;
    if (pclPrecedent != nullptr)
        pclPrecedent->m_pclSuivant = pclSuivant;
    else
        m_pclPremier = pclSuivant;
    if (pclSuivant != nullptr)
        pclSuivant->m_pclPrecedent = pclPrecedent;
    else
        m_pclDernier = pclPrecedent;
    m_nNbElement--;
    if (pclPrecedent != nullptr) {
        m_pclCourant = pclPrecedent;
        m_nIndiceCourant--;
    } else {
        // The element after the removed one is now the first and takes its index.
        m_pclCourant = m_pclPremier;
        if (m_pclCourant == nullptr) m_nIndiceCourant = -1;
    }
    pclElement->m_pclSuivant = nullptr;
    pclElement->m_pclPrecedent = nullptr;
    return pclElement;
}

void CListeDeBuffer::SupprimeCourant() {
    if (m_pclCourant == nullptr) return;
    free(_pclDelieCourant());
}

void CListeDeBuffer::SupprimeTout() {
    if (!m_bCurseur) {
        CLinkedElement* pclElement = m_pclPremier;
        while (pclElement != nullptr) {
            CLinkedElement* pclSuivant = pclElement->m_pclSuivant;
            free(pclElement);
            pclElement = pclSuivant;
        }
    }
    m_pclPremier = m_pclDernier = m_pclCourant = nullptr;
    m_nNbElement = 0;
    m_nIndiceCourant = -1;
}

void CListeDeBuffer::VaSuivant() {
    if (m_pclCourant == nullptr) return;
    m_pclCourant = m_pclCourant->m_pclSuivant;
    m_nIndiceCourant++;
}

void CListeDeBuffer::VaPrecedent() {
    if (m_pclCourant == nullptr) return;
    m_pclCourant = m_pclCourant->m_pclPrecedent;
    m_nIndiceCourant--;
}

void* CListeDeBuffer::pVaSuivant() {
    if (m_pclCourant == nullptr || m_pclCourant->m_pclSuivant == nullptr) return nullptr;
    m_pclCourant = m_pclCourant->m_pclSuivant;
    m_nIndiceCourant++;
    return m_pclCourant->pbyDonnees();
}

void* CListeDeBuffer::pVaPrecedent() {
    if (m_pclCourant == nullptr || m_pclCourant->m_pclPrecedent == nullptr) return nullptr;
    m_pclCourant = m_pclCourant->m_pclPrecedent;
    m_nIndiceCourant--;
    return m_pclCourant->pbyDonnees();
}

void* CListeDeBuffer::pVaSurNumero(int n) {
    if (n < 0 || n >= m_nNbElement) return nullptr;
    const int nDepuisCourant = n >= m_nIndiceCourant ? n - m_nIndiceCourant : m_nIndiceCourant - n;
    const int nDepuisFin = m_nNbElement - 1 - n;
    CLinkedElement* pclElement;
    if (n <= nDepuisCourant && n <= nDepuisFin) {
        pclElement = m_pclPremier;
        for (int i = 0; i < n; i++) pclElement = pclElement->m_pclSuivant;
    } else if (nDepuisFin <= nDepuisCourant || m_pclCourant == nullptr) {
        pclElement = m_pclDernier;
        for (int i = 0; i < nDepuisFin; i++) pclElement = pclElement->m_pclPrecedent;
    } else {
        pclElement = m_pclCourant;
        if (n <= m_nIndiceCourant)
            for (int i = 0; i < nDepuisCourant; i++) pclElement = pclElement->m_pclPrecedent;
        else
            for (int i = 0; i < nDepuisCourant; i++) pclElement = pclElement->m_pclSuivant;
    }
    m_pclCourant = pclElement;
    m_nIndiceCourant = n;
    return pclElement->pbyDonnees();
}

void CListeDeBuffer::ExtraitListe(CListeDeBuffer& clSource, CListeDeBuffer& clDe, CListeDeBuffer& clA) {
    CLinkedElement* pclDebut = clDe.m_pclCourant;
    CLinkedElement* pclFin = clA.m_pclCourant;  // first element after the run, null = to the end
    if (pclDebut == nullptr || pclDebut == pclFin) return;

    // The run's length by walking it: the cursors' indexes are trusted only for the places. An end
    // that the walk never meets lies before the start: there is no run, and relinking around it
    // would close the list into a loop.
    int nLongueur = 0;
    CLinkedElement* pclDernierRun = nullptr;
    CLinkedElement* pcl = pclDebut;
    for (; pcl != nullptr && pcl != pclFin; pcl = pcl->m_pclSuivant) {
        pclDernierRun = pcl;
        nLongueur++;
    }
    if (pcl != pclFin) return;
    const int nIndiceDebut = clDe.m_nIndiceCourant;
    const int nIndiceA = pclFin != nullptr ? clA.m_nIndiceCourant - nLongueur : -1;

    CLinkedElement* pclAvant = pclDebut->m_pclPrecedent;
    if (pclAvant != nullptr)
        pclAvant->m_pclSuivant = pclFin;
    else
        clSource.m_pclPremier = pclFin;
    if (pclFin != nullptr)
        pclFin->m_pclPrecedent = pclAvant;
    else
        clSource.m_pclDernier = pclAvant;
    pclDebut->m_pclPrecedent = nullptr;
    pclDernierRun->m_pclSuivant = nullptr;

    const int nIndiceSource = clSource.m_nIndiceCourant;
    if (nIndiceSource >= nIndiceDebut + nLongueur) {
        clSource.m_nIndiceCourant -= nLongueur;
    } else if (nIndiceSource >= nIndiceDebut && clSource.m_pclCourant != nullptr) {
        clSource.m_pclCourant = pclFin;
        clSource.m_nIndiceCourant = nIndiceA;
    }
    clSource.m_nNbElement -= nLongueur;

    SupprimeTout();
    m_bCurseur = 0;
    m_nTailleElement = clSource.m_nTailleElement;
    m_pclPremier = pclDebut;
    m_pclDernier = pclDernierRun;
    m_pclCourant = pclDebut;
    m_nNbElement = nLongueur;
    m_nIndiceCourant = 0;

    for (CListeDeBuffer* pclCurseur : {&clDe, &clA}) {
        pclCurseur->m_pclPremier = clSource.m_pclPremier;
        pclCurseur->m_pclDernier = clSource.m_pclDernier;
        pclCurseur->m_nNbElement = clSource.m_nNbElement;
        pclCurseur->m_pclCourant = pclFin;
        pclCurseur->m_nIndiceCourant = nIndiceA;
    }
}
