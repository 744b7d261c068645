// CTableauDeBuffer: the one growable array of fixed-size elements of the common library, under
// every typed array (CTTableau, CTTableauPtr, CRefArray, CNARefArray). Elements are raw bytes
// copied with memory moves, never constructed or destroyed, so they must be plain values.
// The error object embeds arrays of this class and the host reads the error object directly:
// the field order and the virtual order are binary interface and are pinned at the end.
// No operation checks an index against the count: callers pass valid ones.
#pragma once

#include <cstddef>
#include <cstdint>

// One block of a permutation (PermuteMultiple): the index of its first element and its length.
struct _STBlocATrier {
    int nPremier;
    int nNombre;
};

class CTableauDeBuffer {
public:
    CTableauDeBuffer(int nTailleElement, int nPasAgrandissement, int nSeuilCompactage);
    CTableauDeBuffer(const CTableauDeBuffer&) = delete;
    CTableauDeBuffer& operator=(const CTableauDeBuffer&) = delete;

    // Virtual order (binary interface): Agrandir, the destructor pair, Initialise, Compacter.
    // Grows the capacity by one increment (the step; step-1 arrays past 100 elements take 20).
    // When the heap refuses, the array is left as it was, and an addition that needed the room
    // adds nothing (callers that must know compare the count).
    virtual void Agrandir();
    virtual ~CTableauDeBuffer();
    // Replaces the array by n copies of the element at p (meant for an array without storage).
    virtual void Initialise(const void* p, int n);
    // Shrinks the storage to exactly the count (an empty array gives its storage back).
    virtual void Compacter();

    int nGetNbElement() const { return m_nNbElement; }
    int nGetTailleTableau() const { return m_nTailleTableau; }
    int nGetTailleElement() const { return m_nTailleElement; }
    int nGetPasAgrandissement() const { return m_nPasAgrandissement; }
    void SetPasAgrandissement(int nPas) { m_nPasAgrandissement = nPas; }
    // The first element in place (null without storage), for callers that sort or scan in bulk.
    void* pGetBuffer() const { return m_pbyTableau; }

    void AlloueMemoire(int n);
    void AgranditMemoire(int n);

    void Ajoute(const void* p);
    void Insere(const void* p, int i);
    void SetAt(const void* p, int i);
    void Etend(int i, const void* p, const void* pRemplissage);
    void* pGetAt(int i) const { return m_pbyTableau + static_cast<size_t>(i) * m_nTailleElement; }

    void Supprime(int i, int n);
    void SupprimeDernier(int n) { m_nNbElement -= n; }
    void SupprimeCompacte(int i);
    void SupprimeTout() { m_nNbElement = 0; }
    void SupprimeToutEtLibere();

    void Deplace(int nFrom, int nTo);
    void Swap(int i, int j);
    void PermuteMultiple(int nPremier, _STBlocATrier* pBlocs, unsigned long nBlocs);

    void* pRechercheLineaireCriterePointeur(long lParam, int (*pfCritere)(long, const void*)) const;
    int nRechercheLineaireCriterePointeur(long lParam, int (*pfCritere)(long, const void*)) const;

    void _Duplique(const CTableauDeBuffer& clSource);
    void Recupere(CTableauDeBuffer& clSource) { _RecupereDonnees(&clSource); }
    void _RecupereDonnees(CTableauDeBuffer* pclSource);

    friend void EchangeTableau(CTableauDeBuffer* pclTab1, CTableauDeBuffer* pclTab2);

protected:
    // Grows through the virtual Agrandir with a step that holds for this one call.
    void _AgrandirDe(int nIncrement);
    size_t _nOctets(int nElements) const { return static_cast<size_t>(nElements) * m_nTailleElement; }

    int m_nTailleElement;      // bytes of one element
    int m_nNbElement;          // elements in use, from index 0
    int m_nTailleTableau;      // elements the storage holds
    int m_nPasAgrandissement;  // elements added by Agrandir
    int m_nSeuilCompactage;    // unused elements SupprimeCompacte tolerates
    unsigned char* m_pbyTableau;

    friend struct CTableauDeBufferLayout;
};

// Exchanges every member of two arrays of the same class; no element is copied.
void EchangeTableau(CTableauDeBuffer* pclTab1, CTableauDeBuffer* pclTab2);

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CTableauDeBufferLayout {
    static_assert(sizeof(CTableauDeBuffer) == 40);
    static_assert(offsetof(CTableauDeBuffer, m_nTailleElement) == 8);
    static_assert(offsetof(CTableauDeBuffer, m_nNbElement) == 12);
    static_assert(offsetof(CTableauDeBuffer, m_nTailleTableau) == 16);
    static_assert(offsetof(CTableauDeBuffer, m_nPasAgrandissement) == 20);
    static_assert(offsetof(CTableauDeBuffer, m_nSeuilCompactage) == 24);
    static_assert(offsetof(CTableauDeBuffer, m_pbyTableau) == 32);
};
#pragma GCC diagnostic pop
