// CTHashTableTi<T>: a chained hash table from wide text keys to small values, keys compared and
// hashed ignoring letter case, both folding each character with towupper (bEgaliteTi, dwHashValTi)
// so that keys the comparison takes as equal always land in the same bucket. The keys are not copied: the table keeps
// the caller's pointers, which must stay valid (and unchanged) while they are in the table. The value is kept inside
// the pair's value pointer, so T must be a plain value no larger than a pointer (an int index, typically).
#pragma once

#include <cstring>
#include <cwchar>
#include <type_traits>

#include "core/HashBase.h"

template <class T>
class CTHashTableTi : public CHashBase {
    static_assert(sizeof(T) <= sizeof(void*) && std::is_trivially_copyable_v<T>,
                  "CTHashTableTi keeps the value inside a pointer");

public:
    explicit CTHashTableTi(int nNbListe) : CHashBase(nNbListe) {}

    uint32_t dwHashVal(void* pKey) override { return dwHashValTi(static_cast<const wchar_t*>(pKey)); }
    int bEgaliteCle(void* pStoredKey, void* pKey) override {
        return bEgaliteTi(static_cast<const wchar_t*>(pStoredKey), static_cast<const wchar_t*>(pKey));
    }

    // Adds the pair, growing the table as it fills. An equal key already held is neither looked
    // for nor replaced: callers that need one pair per key search first. 0 when memory runs out.
    int Ajoute(const wchar_t* pszKey, T value) { return AjouteDYN(const_cast<wchar_t*>(pszKey), _pValue(value)); }

    int bRecherche(const wchar_t* pszKey, T* pValue, const wchar_t** ppszStoredKey) {
        void* pValueStocke = nullptr;
        void* pKeyStocke = nullptr;
        const int bTrouve = CHashBase::bRecherche(const_cast<wchar_t*>(pszKey), &pValueStocke, &pKeyStocke);
        return _bRend(bTrouve, pValueStocke, pKeyStocke, pValue, ppszStoredKey);
    }

    int bRechercheConst(const wchar_t* pszKey, T* pValue, const wchar_t** ppszStoredKey) const {
        void* pValueStocke = nullptr;
        void* pKeyStocke = nullptr;
        const int bTrouve = CHashBase::bRechercheConst(const_cast<wchar_t*>(pszKey), &pValueStocke, &pKeyStocke);
        return _bRend(bTrouve, pValueStocke, pKeyStocke, pValue, ppszStoredKey);
    }

    int bSupprime(const wchar_t* pszKey) { return CHashBase::bSupprime(const_cast<wchar_t*>(pszKey)); }

private:
    // Hands a found pair out through the pointers that are not null; nothing is written when the
    // key was not found.
    static int _bRend(int bTrouve, void* pValueStocke, void* pKeyStocke, T* pValue, const wchar_t** ppszStoredKey) {
        if (!bTrouve) return 0;
        if (pValue != nullptr) *pValue = _Value(pValueStocke);
        if (ppszStoredKey != nullptr) *ppszStoredKey = static_cast<const wchar_t*>(pKeyStocke);
        return 1;
    }
    static void* _pValue(T value) {
        void* p = nullptr;
        memcpy(&p, &value, sizeof(T));
        return p;
    }
    static T _Value(void* p) {
        T value;
        memcpy(&value, &p, sizeof(T));
        return value;
    }
};
