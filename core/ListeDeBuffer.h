// CListeDeBuffer: a doubly linked list of fixed-size elements copied in, with a built-in cursor
// (current element and its 0-based index). The chained hash table keeps its buckets in these lists.
//
// A copy of a list is a cursor over the same elements, not a second list: it marks a place (for
// ExtraitListe, or to walk a list that must not change) and never frees the elements it sees. Only
// the list that created its elements owns and frees them.
#pragma once

#include <cstddef>

class CListeDeBuffer {
public:
    // One malloc block: the two links, then the element's bytes.
    struct CLinkedElement {
        CLinkedElement* m_pclSuivant;
        CLinkedElement* m_pclPrecedent;

        unsigned char* pbyDonnees() { return reinterpret_cast<unsigned char*>(this + 1); }
    };

    explicit CListeDeBuffer(int nTailleElement);
    // Copies make cursors: same elements, same current element and index, owning nothing.
    CListeDeBuffer(const CListeDeBuffer& clSource);
    CListeDeBuffer& operator=(const CListeDeBuffer& clSource);
    ~CListeDeBuffer();

    // Copies one element's bytes into a new element linked before (bAvant non-zero) or after the
    // current one; the new element becomes current. 0 (and the list unchanged) when memory runs out.
    int Ajoute(const void* pData, int bAvant);
    // Unlinks and frees the current element; nothing when there is none.
    void SupprimeCourant();
    // Frees every element. A cursor only forgets them: they belong to the list it walks.
    void SupprimeTout();

    void* pCourant() const { return pGetElem(m_pclCourant); }
    void VaSuivant();
    void VaPrecedent();
    void* pVaSuivant();
    void* pVaPrecedent();
    // Makes element n current by the shortest walk; null (and no move) when n is not below the count.
    void* pVaSurNumero(int n);
    static void* pGetElem(CLinkedElement* pclElement) {
        return pclElement == nullptr ? nullptr : pclElement->pbyDonnees();
    }

    // Moves the run [clDe, clA) of clSource (to its end when clA has no current element) into this
    // list, which is emptied first; clDe and clA are cursors over clSource and describe it anew
    // afterwards.
    void ExtraitListe(CListeDeBuffer& clSource, CListeDeBuffer& clDe, CListeDeBuffer& clA);

    int nGetNbElement() const { return m_nNbElement; }
    int nGetIndiceCourant() const { return m_nIndiceCourant; }
    int nGetTailleElement() const { return m_nTailleElement; }
    CLinkedElement* pclGetPremier() const { return m_pclPremier; }
    CLinkedElement* pclGetDernier() const { return m_pclDernier; }
    CLinkedElement* pclGetCourant() const { return m_pclCourant; }
    int bEstCurseur() const { return m_bCurseur; }

private:
    // The hash table moves elements between its buckets by relinking them, so that growing or
    // shrinking it never needs memory for the elements themselves.
    friend class CHashBase;

    void _DevientCurseur(const CListeDeBuffer& clSource);
    // Links an unlinked element as Ajoute would link a new one.
    void _LieElement(CLinkedElement* pclElement, int bAvant);
    // Unlinks the current element (there must be one) and moves the cursor as SupprimeCourant does.
    CLinkedElement* _pclDelieCourant();

    CLinkedElement* m_pclPremier;
    CLinkedElement* m_pclDernier;
    CLinkedElement* m_pclCourant;
    int m_nTailleElement;
    int m_nNbElement;
    int m_nIndiceCourant;
    // Lives in what would otherwise be padding: the list's size and field places stay those of
    // the six fields above.
    int m_bCurseur;

    friend struct CListeDeBufferLayout;
};

struct CListeDeBufferLayout {
    static_assert(sizeof(CListeDeBuffer::CLinkedElement) == 16);
    static_assert(sizeof(CListeDeBuffer) == 40);
    static_assert(offsetof(CListeDeBuffer, m_pclPremier) == 0);
    static_assert(offsetof(CListeDeBuffer, m_pclDernier) == 8);
    static_assert(offsetof(CListeDeBuffer, m_pclCourant) == 16);
    static_assert(offsetof(CListeDeBuffer, m_nTailleElement) == 24);
    static_assert(offsetof(CListeDeBuffer, m_nNbElement) == 28);
    static_assert(offsetof(CListeDeBuffer, m_nIndiceCourant) == 32);
};
