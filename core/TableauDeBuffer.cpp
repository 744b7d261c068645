// CTableauDeBuffer: growth, removal, moves and permutations of the raw-element array.
// The storage is one C-heap block; elements move with memmove only.
#include "core/TableauDeBuffer.h"

#include <cstdlib>
#include <cstring>
#include <utility>

namespace {

// One element held aside while the storage moves or shifts: on the stack for the usual small
// elements, on the heap for large ones (null when the heap refuses).
class CElementTemporaire {
public:
    CElementTemporaire(const void* p, int nTaille) {
        if (nTaille > static_cast<int>(sizeof(m_abyLocal))) m_pby = static_cast<unsigned char*>(malloc(nTaille));
        if (m_pby != nullptr) memcpy(m_pby, p, nTaille);
    }
    ~CElementTemporaire() {
        if (m_pby != m_abyLocal) free(m_pby);
    }
    CElementTemporaire(const CElementTemporaire&) = delete;
    CElementTemporaire& operator=(const CElementTemporaire&) = delete;
    const void* pGet() const { return m_pby; }

private:
    alignas(16) unsigned char m_abyLocal[256];
    unsigned char* m_pby = m_abyLocal;
};

}  // namespace

CTableauDeBuffer::CTableauDeBuffer(int nTailleElement, int nPasAgrandissement, int nSeuilCompactage)
    : m_nTailleElement(nTailleElement),
      m_nNbElement(0),
      m_nTailleTableau(0),
      m_nPasAgrandissement(nPasAgrandissement),
      m_nSeuilCompactage(nSeuilCompactage),
      m_pbyTableau(nullptr) {}

CTableauDeBuffer::~CTableauDeBuffer() {
    free(m_pbyTableau);
}

void CTableauDeBuffer::Agrandir() {
    int nIncrement = m_nPasAgrandissement;
    // Long lists built one element at a time would otherwise reallocate on every addition.
    if (nIncrement == 1 && m_nTailleTableau > 100) nIncrement = m_nTailleElement <= 256 ? 20 : 1;
    // A zero or negative step would leave a full array full and the next write out of bounds.
    if (nIncrement < 1) nIncrement = 1;
    // Refused, the array keeps its storage and capacity; the operation that needed the room
    // then adds nothing rather than write past the block.
    void* pNouveau = realloc(m_pbyTableau, _nOctets(m_nTailleTableau + nIncrement));
    if (pNouveau == nullptr) return;
    m_pbyTableau = static_cast<unsigned char*>(pNouveau);
    m_nTailleTableau += nIncrement;
}

void CTableauDeBuffer::_AgrandirDe(int nIncrement) {
    int nPas = m_nPasAgrandissement;
    m_nPasAgrandissement = nIncrement;
    Agrandir();
    m_nPasAgrandissement = nPas;
}

void CTableauDeBuffer::AlloueMemoire(int n) {
    if (m_nTailleTableau < n) _AgrandirDe(n - m_nTailleTableau);
}

void CTableauDeBuffer::AgranditMemoire(int n) {
    if (n <= 0) return;
    int nManque = m_nNbElement + n - m_nTailleTableau;
    if (nManque <= 0) return;
    int nPas = m_nPasAgrandissement < 1 ? 1 : m_nPasAgrandissement;
    _AgrandirDe(((nManque - 1) / nPas + 1) * nPas);
}

void CTableauDeBuffer::Initialise(const void* p, int n) {
    // The model element may lie in the storage being replaced.
    CElementTemporaire clModele(p, m_nTailleElement);
    SupprimeToutEtLibere();
    if (n <= 0 || clModele.pGet() == nullptr) return;
    void* pNouveau = malloc(_nOctets(n));
    if (pNouveau == nullptr) return;  // left empty
    m_pbyTableau = static_cast<unsigned char*>(pNouveau);
    for (int i = 0; i < n; i++) memcpy(pGetAt(i), clModele.pGet(), m_nTailleElement);
    m_nNbElement = n;
    m_nTailleTableau = n;
}

void CTableauDeBuffer::Compacter() {
    if (m_nNbElement == 0) {
        free(m_pbyTableau);
        m_pbyTableau = nullptr;
        m_nTailleTableau = 0;
        return;
    }
    if (m_nTailleTableau == m_nNbElement) return;
    // A refused shrink keeps the larger block, which is still valid.
    void* pNouveau = realloc(m_pbyTableau, _nOctets(m_nNbElement));
    if (pNouveau != nullptr) m_pbyTableau = static_cast<unsigned char*>(pNouveau);
    m_nTailleTableau = m_nNbElement;
}

void CTableauDeBuffer::Ajoute(const void* p) {
    if (m_nNbElement == m_nTailleTableau) {
        // The element may lie in the storage that the growth moves.
        CElementTemporaire clElement(p, m_nTailleElement);
        Agrandir();
        if (m_nNbElement == m_nTailleTableau || clElement.pGet() == nullptr) return;
        memcpy(pGetAt(m_nNbElement), clElement.pGet(), m_nTailleElement);
    } else {
        memmove(pGetAt(m_nNbElement), p, m_nTailleElement);
    }
    m_nNbElement++;
}

void CTableauDeBuffer::Insere(const void* p, int i) {
    CElementTemporaire clElement(p, m_nTailleElement);
    if (m_nNbElement == m_nTailleTableau) Agrandir();
    if (m_nNbElement == m_nTailleTableau || clElement.pGet() == nullptr) return;
    if (i < m_nNbElement) memmove(pGetAt(i + 1), pGetAt(i), _nOctets(m_nNbElement - i));
    memcpy(pGetAt(i), clElement.pGet(), m_nTailleElement);
    m_nNbElement++;
}

void CTableauDeBuffer::SetAt(const void* p, int i) {
    memmove(pGetAt(i), p, m_nTailleElement);
}

void CTableauDeBuffer::Etend(int i, const void* p, const void* pRemplissage) {
    if (i < m_nNbElement) {
        SetAt(p, i);
        return;
    }
    if (i == m_nNbElement) {
        Ajoute(p);
        return;
    }
    CElementTemporaire clElement(p, m_nTailleElement);
    CElementTemporaire clRemplissage(pRemplissage, m_nTailleElement);
    // Room up to i plus one whole step beyond it.
    int nPas = m_nPasAgrandissement < 1 ? 1 : m_nPasAgrandissement;
    if (i >= m_nTailleTableau) _AgrandirDe(nPas - m_nTailleTableau + i);
    if (i >= m_nTailleTableau || clElement.pGet() == nullptr || clRemplissage.pGet() == nullptr) return;
    for (int j = m_nNbElement; j < i; j++) memcpy(pGetAt(j), clRemplissage.pGet(), m_nTailleElement);
    memcpy(pGetAt(i), clElement.pGet(), m_nTailleElement);
    m_nNbElement = i + 1;
}

void CTableauDeBuffer::Supprime(int i, int n) {
    if (n == 0) return;
    if (i + n < m_nNbElement) memmove(pGetAt(i), pGetAt(i + n), _nOctets(m_nNbElement - i - n));
    m_nNbElement -= n;
}

void CTableauDeBuffer::SupprimeCompacte(int i) {
    Supprime(i, 1);
    if (m_nTailleTableau - m_nNbElement > m_nSeuilCompactage) Compacter();
}

void CTableauDeBuffer::SupprimeToutEtLibere() {
    if (m_pbyTableau == nullptr) return;
    free(m_pbyTableau);
    m_pbyTableau = nullptr;
    m_nNbElement = 0;
    m_nTailleTableau = 0;
}

void CTableauDeBuffer::Deplace(int nFrom, int nTo) {
    if (nFrom == nTo) return;
    CElementTemporaire clElement(pGetAt(nFrom), m_nTailleElement);
    if (clElement.pGet() == nullptr) return;
    if (nFrom < nTo)
        memmove(pGetAt(nFrom), pGetAt(nFrom + 1), _nOctets(nTo - nFrom));
    else
        memmove(pGetAt(nTo + 1), pGetAt(nTo), _nOctets(nFrom - nTo));
    memcpy(pGetAt(nTo), clElement.pGet(), m_nTailleElement);
}

void CTableauDeBuffer::Swap(int i, int j) {
    if (i == j) return;
    CElementTemporaire clElement(pGetAt(i), m_nTailleElement);
    if (clElement.pGet() == nullptr) return;
    memcpy(pGetAt(i), pGetAt(j), m_nTailleElement);
    memcpy(pGetAt(j), clElement.pGet(), m_nTailleElement);
}

void CTableauDeBuffer::PermuteMultiple(int nPremier, _STBlocATrier* pBlocs, unsigned long nBlocs) {
    if (m_nTailleTableau == 0) return;
    unsigned char* pbyNouveau = static_cast<unsigned char*>(malloc(_nOctets(m_nTailleTableau)));
    if (pbyNouveau == nullptr) return;  // the order is left as it was
    int nDebutSuite = 0, nLongueurSuite = nPremier, nEcriture = 0;
    auto CopieSuite = [&]() {
        if (nLongueurSuite <= 0) return;
        memcpy(pbyNouveau + _nOctets(nEcriture), pGetAt(nDebutSuite), _nOctets(nLongueurSuite));
        nEcriture += nLongueurSuite;
    };
    for (unsigned long b = 0; b < nBlocs; b++) {
        // Blocks that follow each other in the old order move as one run.
        if (pBlocs[b].nPremier == nDebutSuite + nLongueurSuite) {
            nLongueurSuite += pBlocs[b].nNombre;
            continue;
        }
        CopieSuite();
        nDebutSuite = pBlocs[b].nPremier;
        nLongueurSuite = pBlocs[b].nNombre;
    }
    int nTotal = nEcriture + nLongueurSuite;
    CopieSuite();
    if (nTotal < m_nNbElement) memcpy(pbyNouveau + _nOctets(nTotal), pGetAt(nTotal), _nOctets(m_nNbElement - nTotal));
    free(m_pbyTableau);
    m_pbyTableau = pbyNouveau;
}

void* CTableauDeBuffer::pRechercheLineaireCriterePointeur(long lParam, int (*pfCritere)(long, const void*)) const {
    int i = nRechercheLineaireCriterePointeur(lParam, pfCritere);
    return i < 0 ? nullptr : *static_cast<void**>(pGetAt(i));
}

int CTableauDeBuffer::nRechercheLineaireCriterePointeur(long lParam, int (*pfCritere)(long, const void*)) const {
    for (int i = 0; i < m_nNbElement; i++)
        if (pfCritere(lParam, *static_cast<void**>(pGetAt(i))) == 0) return i;
    return -1;
}

void CTableauDeBuffer::_Duplique(const CTableauDeBuffer& clSource) {
    if (&clSource == this) return;
    SupprimeToutEtLibere();
    AlloueMemoire(clSource.m_nNbElement);
    if (m_nTailleTableau < clSource.m_nNbElement) return;  // refused: left empty
    if (clSource.m_nNbElement > 0) memcpy(m_pbyTableau, clSource.m_pbyTableau, _nOctets(clSource.m_nNbElement));
    m_nNbElement = clSource.m_nNbElement;
}

void CTableauDeBuffer::_RecupereDonnees(CTableauDeBuffer* pclSource) {
    if (pclSource == this) return;
    SupprimeToutEtLibere();
    m_pbyTableau = pclSource->m_pbyTableau;
    m_nNbElement = pclSource->m_nNbElement;
    m_nTailleTableau = pclSource->m_nTailleTableau;
    pclSource->m_pbyTableau = nullptr;
    pclSource->m_nNbElement = 0;
    pclSource->m_nTailleTableau = 0;
}

void EchangeTableau(CTableauDeBuffer* pclTab1, CTableauDeBuffer* pclTab2) {
    std::swap(pclTab1->m_nTailleElement, pclTab2->m_nTailleElement);
    std::swap(pclTab1->m_nNbElement, pclTab2->m_nNbElement);
    std::swap(pclTab1->m_nTailleTableau, pclTab2->m_nTailleTableau);
    std::swap(pclTab1->m_nPasAgrandissement, pclTab2->m_nPasAgrandissement);
    std::swap(pclTab1->m_nSeuilCompactage, pclTab2->m_nSeuilCompactage);
    std::swap(pclTab1->m_pbyTableau, pclTab2->m_pbyTableau);
}
