// CRefArray<T>: an array of pointers to reference-counted objects that holds one reference on
// each element: storing takes one (_AddRef), removing gives it back (_Release), and emptying or
// destroying the array releases the elements from the last to the first. A null pointer may be
// stored; it is never released. The array operations of CTTableauPtr are reached only through
// the members below, so that no element can be dropped without its reference.
#pragma once

#include "core/RefTraits.h"
#include "core/TTableauPtr.h"

template <typename T>
class CRefArray : protected CTTableauPtr<T> {
    using tBase = CTTableauPtr<T>;

public:
    CRefArray(int nPasAgrandissement, int nSeuilCompactage) : tBase(nPasAgrandissement, nSeuilCompactage) {}

    // Releases every element, last first; a release that throws does not stop the others, and the
    // storage is freed whatever happens.
    ~CRefArray() override {
        for (int i = this->m_nNbElement - 1; i >= 0; i--) {
            try {
                _Release(tBase::GetAt(i));
            } catch (...) {
            }
            this->m_nNbElement = i;
        }
    }

    // One reference taken or dropped on an element; null is ignored. Element classes give their
    // scheme through CRefTraits; an instance may specialise these members instead.
    void _AddRef(T* p) const {
        if (p != nullptr) CRefTraits<T>::_AddRef(p);
    }
    void _Release(T* p) const {
        if (p != nullptr) CRefTraits<T>::_Release(p);
    }

    using tBase::AgranditMemoire;
    using tBase::AlloueMemoire;
    using tBase::Deplace;
    using tBase::nGetNbElement;
    using tBase::nGetTailleTableau;
    using tBase::nRechercheLineaireCriterePointeur;
    using tBase::PermuteMultiple;
    using tBase::pRechercheLineaireCriterePointeur;
    using tBase::SetPasAgrandissement;
    using tBase::Swap;

    T* operator[](int i) const { return tBase::GetAt(i); }
    T* GetAt(int i) const { return tBase::GetAt(i); }

    // Adding takes the element's reference; when the heap refuses the room, nothing is stored and
    // the reference is given back at once.
    void Ajoute(T* p) {
        int n = nGetNbElement();
        _AddRef(p);
        tBase::Ajoute(p);
        if (nGetNbElement() == n) _Release(p);
    }
    void Insere(T* p, int i) {
        int n = nGetNbElement();
        _AddRef(p);
        tBase::Insere(p, i);
        if (nGetNbElement() == n) _Release(p);
    }
    // The new element is referenced before the old one is released, so storing an element over
    // itself keeps it alive.
    void SetAt(T* p, int i) {
        T* pAncien = tBase::GetAt(i);
        _AddRef(p);
        tBase::SetAt(p, i);
        _Release(pAncien);
    }

    // Removes n elements from index i, releasing them last first.
    void Supprime(int i, int n = 1) {
        for (int k = i + n - 1; k >= i; k--) {
            _Release(tBase::GetAt(k));
            tBase::Supprime(k, 1);
        }
    }
    void SupprimeCompacte(int i) {
        _Release(tBase::GetAt(i));
        tBase::SupprimeCompacte(i);
    }
    void SupprimeDernier(int n) { Supprime(nGetNbElement() - n, n); }
    void SupprimeTout() {
        for (int i = nGetNbElement() - 1; i >= 0; i--) {
            _Release(tBase::GetAt(i));
            tBase::Supprime(i, 1);
        }
    }
    void SupprimeToutEtLibere() {
        SupprimeTout();
        tBase::SupprimeToutEtLibere();
    }
    // Takes element i out of the array without releasing it: its reference passes to the caller.
    T* pDetache(int i) {
        T* p = tBase::GetAt(i);
        tBase::Supprime(i, 1);
        return p;
    }

    void Compacter() override { tBase::Compacter(); }
};
