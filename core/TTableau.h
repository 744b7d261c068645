// CTTableau<T>: the typed array of plain values over CTableauDeBuffer. Elements are copied as raw
// bytes and never constructed or destroyed, so T is an integer, an enumeration, a pointer or a
// plain structure; the destructor frees the storage only.
#pragma once

#include <type_traits>

#include "core/TableauDeBuffer.h"

template <typename T>
class CTTableau : public CTableauDeBuffer {
    static_assert(std::is_trivially_copyable_v<T>, "array elements are copied as raw bytes");

public:
    // Every array of the system names its step and its compaction threshold (30) explicitly.
    CTTableau(int nPasAgrandissement, int nSeuilCompactage)
        : CTableauDeBuffer(static_cast<int>(sizeof(T)), nPasAgrandissement, nSeuilCompactage) {}

    // The untyped operations stay reachable beside the typed ones.
    using CTableauDeBuffer::Ajoute;
    using CTableauDeBuffer::Initialise;
    using CTableauDeBuffer::Insere;
    using CTableauDeBuffer::SetAt;

    void Ajoute(const T& x) { CTableauDeBuffer::Ajoute(&x); }
    void Insere(const T& x, int i) { CTableauDeBuffer::Insere(&x, i); }
    void SetAt(const T& x, int i) { CTableauDeBuffer::SetAt(&x, i); }
    void Etend(int i, const T& x, const T& xRemplissage) { CTableauDeBuffer::Etend(i, &x, &xRemplissage); }

    T& operator[](int i) { return *static_cast<T*>(pGetAt(i)); }
    const T& operator[](int i) const { return *static_cast<const T*>(pGetAt(i)); }
    T GetAt(int i) const { return (*this)[i]; }

    // Slot after Compacter (binary interface, see CTableauDeBuffer).
    virtual void Initialise(const T& x, int n) { CTableauDeBuffer::Initialise(&x, n); }
};
