// CRefStringHashTable<V>: the reference-holding hash table keyed by wide texts, compared and
// hashed ignoring case and accents (CHashTableBounce::nStringLogiqueCompare and
// dwStringLogiqueHashVal), which keeps the driver's registries of connections, tables and
// statements by identification text.
//
// Keys are owned by the table: bSet stores a heap copy of the given text; a raw bAddElement hands
// the table a C-heap (malloc) block. An entry taken out through the raw bDeleteElement or
// bParseTable with removal gives its key to the caller (who frees it) when the caller asks for
// it, and the table frees it otherwise; DeleteAll and destruction free the keys still stored.
//
// A one-entry look-up cache (stored key and value of the last successful bGet, holding no
// reference) spares the hash of long identification texts, and any call to the host, on repeated
// requests. It is cleared whenever its entry is removed or replaced, by whatever path, and by
// every add.
#pragma once

#include <cstdlib>
#include <cwchar>

#include "core/RefHashTable.h"

template <typename V>
class CRefStringHashTable : protected CRefHashTable<wchar_t*, V> {
    using tBase = CRefHashTable<wchar_t*, V>;
    using _stELEMENT = CHashTableBounce::_stELEMENT;

public:
    explicit CRefStringHashTable(unsigned int n = 7) : tBase(n) {
        CHashTableBounce::SetCmp(CHashTableBounce::nStringLogiqueCompare);
        CHashTableBounce::SetHashVal(CHashTableBounce::dwStringLogiqueHashVal);
    }

    ~CRefStringHashTable() override {
        ViderCache();
        unsigned int nCursor = 0;
        void *pValue = nullptr, *pCle = nullptr;
        while (CHashTableBounce::bParseTable(&nCursor, 1, &pValue, &pCle)) {
            free(pCle);
            try {
                this->_Release(static_cast<V>(pValue));
            } catch (...) {
            }
        }
    }

    // Stores the value under a copy of the key (a null key counts as empty), taking one reference
    // on it; an entry under an equal key gets the new spelling and value, and its old value is
    // released. 0 when the copy or the growth was refused (nothing taken).
    int bSet(const wchar_t* pszKey, V pValue) {
        wchar_t* pszCopie = _pszCopie(pszKey);
        if (pszCopie == nullptr) return 0;
        this->_AddRef(pValue);
        unsigned int dwHash = this->m_pfHashVal(pszCopie);
        _stELEMENT* pst = this->_pstFindHash(pszCopie, dwHash, nullptr, nullptr);
        if (pst != nullptr) {
            if (pst->pKey == m_pszCacheKey) ViderCache();
            void* pAncienneCle = pst->pKey;
            V pAncien = static_cast<V>(pst->pValue);
            pst->pKey = pszCopie;
            pst->pValue = pValue;
            free(pAncienneCle);
            this->_Release(pAncien);
            return 1;
        }
        ViderCache();  // as every add does
        if (this->_bAddElementHash(pszCopie, pValue, dwHash)) return 1;
        this->_Release(pValue);
        free(pszCopie);
        return 0;
    }

    // The value stored under a key equal to the given one, with one reference for the caller;
    // 0 (and null) when absent. A key spelled exactly as the last key found answers from the
    // cache without a call to the host. Any other spelling goes through the table, whose answer is
    // the same entry when it is equal: asking the host to compare it with the cached key first
    // would cost a call on every look-up of another key for nothing.
    int bGet(const wchar_t* pszKey, V* ppValue) {
        if (m_pszCacheKey != nullptr && pszKey != nullptr && wcscmp(pszKey, m_pszCacheKey) == 0) {
            this->_AddRef(m_pCacheValue);
            *ppValue = m_pCacheValue;
            return 1;
        }
        void *pValue = nullptr, *pCle = nullptr;
        if (!CHashTableBounce::bGetElement(pszKey, &pValue, &pCle)) {
            *ppValue = nullptr;
            return 0;
        }
        m_pszCacheKey = static_cast<wchar_t*>(pCle);
        m_pCacheValue = static_cast<V>(pValue);
        this->_AddRef(m_pCacheValue);
        *ppValue = m_pCacheValue;
        return 1;
    }

    // Removes the entry, frees its key and releases its value; 1 when an entry was removed.
    int bRemove(const wchar_t* pszKey) {
        void *pValue = nullptr, *pCle = nullptr;
        if (!bDeleteElement(pszKey, &pValue, &pCle)) return 0;
        free(pCle);
        this->_Release(static_cast<V>(pValue));
        return 1;
    }

    // Walks the entries (cursor 0 to start; 0 at the end); the value comes without a reference.
    int bParse(unsigned int* pnCursor, V* ppValue, const wchar_t** ppszKey) {
        void *pValue = nullptr, *pCle = nullptr;
        if (!bParseTable(pnCursor, 0, &pValue, &pCle)) return 0;
        if (ppValue != nullptr) *ppValue = static_cast<V>(pValue);
        if (ppszKey != nullptr) *ppszKey = static_cast<const wchar_t*>(pCle);
        return 1;
    }

    // Removes every entry (keys freed, values released) and returns the table to its first size.
    void RemoveAll() {
        ViderCache();
        unsigned int nCursor = 0;
        void *pValue = nullptr, *pCle = nullptr;
        while (CHashTableBounce::bParseTable(&nCursor, 1, &pValue, &pCle)) {
            free(pCle);
            this->_Release(static_cast<V>(pValue));
        }
        if (CHashTableBounce::dwGetNumElement() == 0) this->__Init(7, 1);
    }

    const wchar_t* pszGetCacheKey() const { return m_pszCacheKey; }
    V GetCacheValue() const { return m_pCacheValue; }
    void ViderCache() {
        m_pszCacheKey = nullptr;
        m_pCacheValue = nullptr;
    }

    // Raw operations: the cache never outlives or misstates its entry.
    int bAddElement(void* pKey, void* pValue) override {
        ViderCache();  // an equal key added in front would shadow the cached entry
        return CHashTableBounce::bAddElement(pKey, pValue);
    }
    int bDeleteElement(const void* pKey, void** ppValue, void** ppKey) override {
        void* pCle = nullptr;
        if (!CHashTableBounce::bDeleteElement(pKey, ppValue, &pCle)) return 0;
        _Sortie(pCle, ppKey);
        return 1;
    }
    int bParseTable(unsigned int* pnCursor, int bRemove, void** ppValue, void** ppKey) override {
        void* pCle = nullptr;
        if (!CHashTableBounce::bParseTable(pnCursor, bRemove, ppValue, &pCle)) return 0;
        if (bRemove)
            _Sortie(pCle, ppKey);
        else if (ppKey != nullptr)
            *ppKey = pCle;
        return 1;
    }
    // The caller may write through the address it gets.
    void** pGetElement(const void* pKey) override {
        _stELEMENT* pst = this->_pstFind(pKey, nullptr, nullptr);
        if (pst == nullptr) return nullptr;
        if (pst->pKey == m_pszCacheKey) ViderCache();
        return &pst->pValue;
    }
    int bParseSetElement(unsigned int nEntry, void* pValue, void** ppOldValue) override {
        _ViderCacheSiEntree(nEntry);
        return CHashTableBounce::bParseSetElement(nEntry, pValue, ppOldValue);
    }
    int bParseSetKey(unsigned int nEntry, void* pKey, void** ppOldKey) override {
        _ViderCacheSiEntree(nEntry);
        return CHashTableBounce::bParseSetKey(nEntry, pKey, ppOldKey);
    }
    // Frees the keys still stored; the values are the caller's to release first.
    void DeleteAll(unsigned int n) override {
        if (CHashTableBounce::dwGetNumElement() == 0) return;
        ViderCache();
        unsigned int nCursor = 0;
        void* pCle = nullptr;
        while (CHashTableBounce::bParseTable(&nCursor, 0, nullptr, &pCle)) free(pCle);
        CHashTableBounce::DeleteAll(n);
    }

    using tBase::_AddRef;
    using tBase::_Release;
    using tBase::bGetElement;
    using tBase::dwGetCapacity;
    using tBase::dwGetLevel;
    using tBase::dwGetNbHash;
    using tBase::dwGetNumElement;
    using tBase::pfGetCmp;
    using tBase::pfGetHashVal;
    using tBase::StopParsing;

private:
    static wchar_t* _pszCopie(const wchar_t* psz) {
        if (psz == nullptr) psz = L"";
        size_t n = wcslen(psz) + 1;
        wchar_t* pszCopie = static_cast<wchar_t*>(malloc(n * sizeof(wchar_t)));
        if (pszCopie != nullptr) wmemcpy(pszCopie, psz, n);
        return pszCopie;
    }
    // A removed entry's key goes to the caller who asked for it, else back to the heap.
    void _Sortie(void* pCle, void** ppKey) {
        if (pCle == m_pszCacheKey) ViderCache();
        if (ppKey != nullptr)
            *ppKey = pCle;
        else
            free(pCle);
    }
    void _ViderCacheSiEntree(unsigned int nEntry) {
        if (nEntry != 0 && nEntry <= this->m_dwTailleTableau && this->m_pstElement[nEntry - 1].pKey == m_pszCacheKey)
            ViderCache();
    }

    wchar_t* m_pszCacheKey = nullptr;  // stored key of the last entry found, null when empty
    V m_pCacheValue = nullptr;         // its value (no reference of the cache's own)
};
