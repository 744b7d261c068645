// CRefHashTable<K,V>: a CHashTableBounce whose keys are integers, enumerations or pointers
// compared by value (hashed on their low 32 bits) and whose values are pointers to
// reference-counted objects: the table holds one reference on each value it stores and gives it
// back when the entry goes or when the table is destroyed.
//
// Typed operations: bSet (one entry per key; a replaced value is released), bGet (the value
// with a reference for the caller), bRemove, bParse (walk), RemoveAll. The raw operations of
// CHashTableBounce stay reachable for callers that manage the references themselves (an entry
// added with bAddElement must carry a reference the caller already took).
//
// _AddRef/_Release follow the value class's CRefTraits; an instance may specialise them instead
// (e.g. CRefHashTable<eNA_ITEMTYPE, CNATypeInfo*>::_Release).
#pragma once

#include <cstdint>
#include <type_traits>

#include "core/HashTableBounce.h"
#include "core/RefTraits.h"

template <typename K, typename V>
class CRefHashTable : protected CHashTableBounce {
    static_assert(std::is_pointer_v<V>, "values are pointers to reference-counted objects");
    static_assert((std::is_integral_v<K> || std::is_enum_v<K> || std::is_pointer_v<K>)&&sizeof(K) <= sizeof(void*),
                  "keys are stored in the key word");

public:
    // Every table of the driver starts sized for 7 (17 buckets, 8 entries).
    explicit CRefHashTable(unsigned int n = 7) : CHashTableBounce(n) {
        CHashTableBounce::SetCmp(_nHTBDefaultCompare);
        CHashTableBounce::SetHashVal(_dwHTBDefaultHashVal);
    }

    // Every value is released once. Each entry leaves the table before its value is released, so
    // a value whose destruction looks at the table never finds itself there.
    ~CRefHashTable() override {
        unsigned int nCursor = 0;
        void* pValue = nullptr;
        while (CHashTableBounce::bParseTable(&nCursor, 1, &pValue, nullptr)) {
            try {
                _Release(static_cast<V>(pValue));
            } catch (...) {
            }
        }
        CHashTableBounce::DeleteAll(7);
    }

    static int _nHTBDefaultCompare(const void* pSearched, const void* pStored) { return pSearched != pStored; }
    static unsigned int _dwHTBDefaultHashVal(const void* pKey) {
        return static_cast<unsigned int>(reinterpret_cast<uintptr_t>(pKey));
    }

    void _AddRef(V pValue) const {
        if (pValue != nullptr) CRefTraits<std::remove_pointer_t<V>>::_AddRef(pValue);
    }
    void _Release(V pValue) const {
        if (pValue != nullptr) CRefTraits<std::remove_pointer_t<V>>::_Release(pValue);
    }

    unsigned int dwGetNumElement() const override { return CHashTableBounce::dwGetNumElement(); }

    // Stores the value under the key, taking one reference on it; a value already stored under
    // the key is replaced in place and released. 0 when the table could not grow (nothing taken).
    int bSet(K key, V pValue) {
        _AddRef(pValue);
        _stELEMENT* pst = _pstTrouve(_pvCle(key));
        if (pst != nullptr) {
            V pAncien = static_cast<V>(pst->pValue);
            pst->pValue = pValue;
            _Release(pAncien);
            return 1;
        }
        if (bAddElement(_pvCle(key), pValue)) return 1;
        _Release(pValue);
        return 0;
    }

    // The value stored under the key, with one reference that the caller releases; 0 (and null)
    // when absent.
    int bGet(K key, V* ppValue) {
        const _stELEMENT* pst = _pstTrouve(_pvCle(key));
        if (pst == nullptr) {
            *ppValue = nullptr;
            return 0;
        }
        *ppValue = static_cast<V>(pst->pValue);
        _AddRef(*ppValue);
        return 1;
    }

    // Removes the key's entry and releases its value; 1 when an entry was removed.
    int bRemove(K key) {
        void* pValue = nullptr;
        if (!bDeleteElement(_pvCle(key), &pValue, nullptr)) return 0;
        _Release(static_cast<V>(pValue));
        return 1;
    }

    // Walks the entries (cursor 0 to start; 0 at the end). The value is handed out without a
    // reference: a walker that lets go of the table while using it takes its own.
    int bParse(unsigned int* pnCursor, V* ppValue, K* pKey) {
        void *pValue = nullptr, *pCle = nullptr;
        if (!bParseTable(pnCursor, 0, &pValue, &pCle)) return 0;
        if (ppValue != nullptr) *ppValue = static_cast<V>(pValue);
        if (pKey != nullptr) *pKey = _Cle(pCle);
        return 1;
    }

    // Removes every entry, releasing the values, and returns the table to its first size.
    void RemoveAll() {
        unsigned int nCursor = 0;
        void* pValue = nullptr;
        while (bParseTable(&nCursor, 1, &pValue, nullptr)) _Release(static_cast<V>(pValue));
        if (CHashTableBounce::dwGetNumElement() == 0) __Init(7, 1);
    }

    using CHashTableBounce::bAddElement;
    using CHashTableBounce::bDeleteElement;
    using CHashTableBounce::bGetElement;
    using CHashTableBounce::bParseSetElement;
    using CHashTableBounce::bParseSetKey;
    using CHashTableBounce::bParseTable;
    using CHashTableBounce::DeleteAll;
    using CHashTableBounce::dwGetCapacity;
    using CHashTableBounce::dwGetLevel;
    using CHashTableBounce::dwGetNbHash;
    using CHashTableBounce::pfGetCmp;
    using CHashTableBounce::pfGetHashVal;
    using CHashTableBounce::pGetElement;
    using CHashTableBounce::StopParsing;

protected:
    using _stELEMENT = CHashTableBounce::_stELEMENT;

    // The entry of a key. With the default compare and hash (the usual case) the chain is walked
    // inline: integer look-ups are a few instructions, and indirect calls would double them.
    _stELEMENT* _pstTrouve(void* pvCle) const {
        if (m_pfCompare != _nHTBDefaultCompare || m_pfHashVal != _dwHTBDefaultHashVal)
            return _pstFind(pvCle, nullptr, nullptr);
        if (m_dwNbElement == 0) return nullptr;
        uint32_t n = m_pdwHash[_dwHTBDefaultHashVal(pvCle) % m_dwNbHash];
        while (n != 0 && m_pstElement[n - 1].pKey != pvCle) n = m_pstElement[n - 1].dwNext;
        return n == 0 ? nullptr : &m_pstElement[n - 1];
    }

public:
    // The key word a key is stored as, and back.
    static void* _pvCle(K key) {
        if constexpr (std::is_pointer_v<K>)
            return const_cast<void*>(static_cast<const void*>(key));
        else if constexpr (std::is_enum_v<K>)
            return reinterpret_cast<void*>(static_cast<intptr_t>(static_cast<std::underlying_type_t<K>>(key)));
        else
            return reinterpret_cast<void*>(static_cast<intptr_t>(key));
    }
    static K _Cle(void* pCle) {
        if constexpr (std::is_pointer_v<K>)
            return static_cast<K>(pCle);
        else
            return static_cast<K>(reinterpret_cast<intptr_t>(pCle));
    }
};
