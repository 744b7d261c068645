// CHashTableBounce: entry-number chains, the free list, growth and shrinking along the prime
// table, walks, and the logical (case- and accent-blind) string key functions.
#include "core/HashTableBounce.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "core/STRCompare.h"

namespace {

// Marks slots nDebut..nFin - 1 free and chains them in ascending order, the last one leading to
// dwSuite; answers the entry number of the first (the new free head).
uint32_t _dwChaineLibres(CHashTableBounce::_stELEMENT* pstElement, uint32_t nDebut, uint32_t nFin, uint32_t dwSuite) {
    for (uint32_t s = nDebut; s < nFin; s++) {
        pstElement[s].pKey = nullptr;
        pstElement[s].pValue = nullptr;
        pstElement[s].dwPrevious = CHashTableBounce::ELEMENT_LIBRE;
        pstElement[s].dwNext = s + 1 < nFin ? s + 2 : dwSuite;
    }
    return nDebut + 1;
}

}  // namespace

const uint32_t CHashTableBounce::g__ToutPretToutChaud[29] = {
    17,       53,       97,        193,       389,       769,       1543,       3079,        6151,        12289,
    24593,    49157,    98317,     196613,    393241,    786433,    1572869,    3145739,     6291469,     12582917,
    25165843, 50331653, 100663319, 201326611, 402653189, 805306457, 1610612741, 3221225473u, 4294967291u,
};

CHashTableBounce::CHashTableBounce(unsigned int n)
    : m_pstElement(nullptr),
      m_dwTailleTableau(0),
      m_dwFreeHead(0),
      m_pdwHash(nullptr),
      m_dwNbHash(0),
      m_dwNbElement(0),
      m_nParseDepth(0),
      m_pfCompare(nullptr),
      m_pfHashVal(nullptr),
      m_dwLevel(0) {
    __Init(n, 0);
}

CHashTableBounce::~CHashTableBounce() {
    free(m_pstElement);
    free(m_pdwHash);
}

void CHashTableBounce::SetCmp(PFNCOMPARE pfCompare) {
    m_pfCompare = pfCompare;
}
void CHashTableBounce::SetHashVal(PFNHASHVAL pfHashVal) {
    m_pfHashVal = pfHashVal;
}
CHashTableBounce::PFNCOMPARE CHashTableBounce::pfGetCmp() const {
    return m_pfCompare;
}
CHashTableBounce::PFNHASHVAL CHashTableBounce::pfGetHashVal() const {
    return m_pfHashVal;
}
unsigned int CHashTableBounce::dwGetNumElement() const {
    return m_dwNbElement;
}

void CHashTableBounce::__Init(unsigned int n, int bReset) {
    if (bReset) {
        free(m_pstElement);
        free(m_pdwHash);
        m_pstElement = nullptr;
        m_pdwHash = nullptr;
        m_dwNbElement = 0;
        m_dwLevel = 0;
    }
    while (m_dwLevel < NIVEAU_MAX && g__ToutPretToutChaud[m_dwLevel] / 2 < n) m_dwLevel++;
    uint32_t dwPremier = g__ToutPretToutChaud[m_dwLevel];
    uint32_t dwCapacite = dwPremier / 2;

    m_dwTailleTableau = 0;
    m_dwFreeHead = 0;
    m_dwNbHash = 0;
    m_pstElement = static_cast<_stELEMENT*>(malloc(sizeof(_stELEMENT) * dwCapacite));
    m_pdwHash = static_cast<uint32_t*>(calloc(dwPremier, sizeof(uint32_t)));
    if (m_pstElement == nullptr || m_pdwHash == nullptr) {
        // Left without storage: the first add grows it from nothing.
        free(m_pstElement);
        free(m_pdwHash);
        m_pstElement = nullptr;
        m_pdwHash = nullptr;
        return;
    }
    // New entries take slots in ascending order.
    m_dwFreeHead = _dwChaineLibres(m_pstElement, 0, dwCapacite, 0);
    m_dwTailleTableau = dwCapacite;
    m_dwNbHash = dwPremier;
}

CHashTableBounce::_stELEMENT* CHashTableBounce::_pstFind(const void* pKey, unsigned int* pnBucket,
                                                         unsigned int* pnSlot) const {
    if (m_dwNbElement == 0) return nullptr;
    return _pstFindHash(pKey, m_pfHashVal(pKey), pnBucket, pnSlot);
}

CHashTableBounce::_stELEMENT* CHashTableBounce::_pstFindHash(const void* pKey, unsigned int dwHash,
                                                             unsigned int* pnBucket, unsigned int* pnSlot) const {
    if (m_dwNbElement == 0) return nullptr;
    unsigned int nBucket = dwHash % m_dwNbHash;
    for (uint32_t n = m_pdwHash[nBucket]; n != 0; n = m_pstElement[n - 1].dwNext) {
        if (m_pfCompare(pKey, m_pstElement[n - 1].pKey) != 0) continue;
        if (pnBucket != nullptr) *pnBucket = nBucket;
        if (pnSlot != nullptr) *pnSlot = n - 1;
        return &m_pstElement[n - 1];
    }
    return nullptr;
}

int CHashTableBounce::bAddElement(void* pKey, void* pValue) {
    return _bAddElementHash(pKey, pValue, m_pfHashVal(pKey));
}

int CHashTableBounce::_bAddElementHash(void* pKey, void* pValue, unsigned int dwHash) {
    if (m_dwFreeHead == 0 && !__bGrow()) return 0;
    uint32_t dwNumero = m_dwFreeHead;
    _stELEMENT* pst = &m_pstElement[dwNumero - 1];
    m_dwFreeHead = pst->dwNext;

    unsigned int nBucket = dwHash % m_dwNbHash;
    pst->pKey = pKey;
    pst->pValue = pValue;
    pst->dwPrevious = 0;
    pst->dwNext = m_pdwHash[nBucket];
    if (pst->dwNext != 0) m_pstElement[pst->dwNext - 1].dwPrevious = dwNumero;
    m_pdwHash[nBucket] = dwNumero;
    m_dwNbElement++;
    return 1;
}

int CHashTableBounce::bGetElement(const void* pKey, void** ppValue, void** ppKey) const {
    const _stELEMENT* pst = _pstFind(pKey, nullptr, nullptr);
    if (pst == nullptr) return 0;
    if (ppValue != nullptr) *ppValue = pst->pValue;
    if (ppKey != nullptr) *ppKey = pst->pKey;
    return 1;
}

void** CHashTableBounce::pGetElement(const void* pKey) {
    _stELEMENT* pst = _pstFind(pKey, nullptr, nullptr);
    return pst == nullptr ? nullptr : &pst->pValue;
}

void CHashTableBounce::__DeleteFromHash(_stELEMENT* pstElement, unsigned int nBucket, unsigned int nSlot) {
    if (pstElement->dwNext != 0) m_pstElement[pstElement->dwNext - 1].dwPrevious = pstElement->dwPrevious;
    if (pstElement->dwPrevious != 0)
        m_pstElement[pstElement->dwPrevious - 1].dwNext = pstElement->dwNext;
    else
        m_pdwHash[nBucket] = pstElement->dwNext;
    // Freed entries are reused last in, first out.
    pstElement->dwPrevious = ELEMENT_LIBRE;
    pstElement->dwNext = m_dwFreeHead;
    m_dwFreeHead = nSlot + 1;
    m_dwNbElement--;
}

int CHashTableBounce::bDeleteElement(const void* pKey, void** ppValue, void** ppKey) {
    unsigned int nBucket = 0, nSlot = 0;
    _stELEMENT* pst = _pstFind(pKey, &nBucket, &nSlot);
    if (pst == nullptr) return 0;
    if (ppValue != nullptr) *ppValue = pst->pValue;
    if (ppKey != nullptr) *ppKey = pst->pKey;
    __DeleteFromHash(pst, nBucket, nSlot);
    // The wide band between the growth and the shrink thresholds keeps a table that hovers around
    // one size from reallocating back and forth. A refused shrink leaves the table at its size;
    // the entry is removed all the same, and the caller must still release what it held.
    if (m_nParseDepth == 0 && m_dwLevel >= 1 && m_dwNbElement < g__ToutPretToutChaud[m_dwLevel - 1] / 4) __bReduce();
    return 1;
}

int CHashTableBounce::__bGrow() {
    if (m_dwLevel >= NIVEAU_MAX) return 0;
    uint32_t dwNiveau = m_dwLevel + 1;
    uint32_t dwPremier = g__ToutPretToutChaud[dwNiveau];
    uint32_t dwCapacite = dwPremier / 2;
    // Both blocks are obtained before anything changes, so a refusal leaves the table as it was.
    uint32_t* pdwHash = static_cast<uint32_t*>(calloc(dwPremier, sizeof(uint32_t)));
    if (pdwHash == nullptr) return 0;
    _stELEMENT* pstElement = static_cast<_stELEMENT*>(realloc(m_pstElement, sizeof(_stELEMENT) * dwCapacite));
    if (pstElement == nullptr) {
        free(pdwHash);
        return 0;
    }
    m_pstElement = pstElement;
    // The new slots join the free list in ascending order, in front of any entry already free.
    m_dwFreeHead = _dwChaineLibres(m_pstElement, m_dwTailleTableau, dwCapacite, m_dwFreeHead);
    m_dwTailleTableau = dwCapacite;
    free(m_pdwHash);
    m_pdwHash = pdwHash;
    m_dwNbHash = dwPremier;
    m_dwLevel = dwNiveau;
    __RehashElement();
    return 1;
}

void CHashTableBounce::__RehashElement() {
    memset(m_pdwHash, 0, sizeof(uint32_t) * m_dwNbHash);
    uint32_t dwVus = 0;
    for (uint32_t s = 0; s < m_dwTailleTableau && dwVus < m_dwNbElement; s++) {
        _stELEMENT* pst = &m_pstElement[s];
        if (pst->dwPrevious == ELEMENT_LIBRE) continue;
        unsigned int nBucket = m_pfHashVal(pst->pKey) % m_dwNbHash;
        pst->dwPrevious = 0;
        pst->dwNext = m_pdwHash[nBucket];
        if (pst->dwNext != 0) m_pstElement[pst->dwNext - 1].dwPrevious = s + 1;
        m_pdwHash[nBucket] = s + 1;
        dwVus++;
    }
}

int CHashTableBounce::__bReduce() {
    if (m_dwLevel == 0) return 1;
    uint32_t dwNiveau = m_dwLevel - 1;
    while (dwNiveau > 0 && m_dwNbElement < g__ToutPretToutChaud[dwNiveau - 1] / 2) dwNiveau--;
    uint32_t dwPremier = g__ToutPretToutChaud[dwNiveau];
    uint32_t dwCapacite = dwPremier / 2;
    // The only block the shrink needs is asked for first: refused, the table keeps its level.
    uint32_t* pdwHash = static_cast<uint32_t*>(calloc(dwPremier, sizeof(uint32_t)));
    if (pdwHash == nullptr) return 0;
    __Compact(dwCapacite);
    // Shrinking a block in place can be refused too; the larger block stays valid then.
    _stELEMENT* pstElement = static_cast<_stELEMENT*>(realloc(m_pstElement, sizeof(_stELEMENT) * dwCapacite));
    if (pstElement != nullptr) m_pstElement = pstElement;
    m_dwTailleTableau = dwCapacite;
    free(m_pdwHash);
    m_pdwHash = pdwHash;
    m_dwNbHash = dwPremier;
    m_dwLevel = dwNiveau;
    __RehashElement();
    return 1;
}

// Moves the entries in use above the new capacity into the lowest free slots and rebuilds the
// free list below it, highest slot first. The chains are rebuilt by __RehashElement, which always
// follows, so the moved entries' links are left as they are.
void CHashTableBounce::__Compact(unsigned int nNewCapacity) {
    uint32_t dwLibre = 0;
    for (uint32_t s = m_dwTailleTableau; s-- > nNewCapacity;) {
        if (m_pstElement[s].dwPrevious == ELEMENT_LIBRE) continue;
        while (m_pstElement[dwLibre].dwPrevious != ELEMENT_LIBRE) dwLibre++;
        m_pstElement[dwLibre] = m_pstElement[s];
        m_pstElement[s].dwPrevious = ELEMENT_LIBRE;
        dwLibre++;
    }
    uint32_t* pdwLien = &m_dwFreeHead;
    for (uint32_t s = nNewCapacity; s-- > 0;) {
        if (m_pstElement[s].dwPrevious != ELEMENT_LIBRE) continue;
        *pdwLien = s + 1;
        pdwLien = &m_pstElement[s].dwNext;
    }
    *pdwLien = 0;
}

int CHashTableBounce::bParseTable(unsigned int* pnCursor, int bRemove, void** ppValue, void** ppKey) {
    if (*pnCursor == 0) m_nParseDepth++;
    uint32_t s = *pnCursor;
    while (s < m_dwTailleTableau && m_pstElement[s].dwPrevious == ELEMENT_LIBRE) s++;
    if (s >= m_dwTailleTableau) {
        if (m_nParseDepth > 0) m_nParseDepth--;
        return 0;
    }
    _stELEMENT* pst = &m_pstElement[s];
    if (ppValue != nullptr) *ppValue = pst->pValue;
    if (ppKey != nullptr) *ppKey = pst->pKey;
    if (bRemove) __DeleteFromHash(pst, m_pfHashVal(pst->pKey) % m_dwNbHash, s);
    *pnCursor = s + 1;
    return 1;
}

void CHashTableBounce::StopParsing() {
    // A stray call must not unbalance the walks still under way.
    if (m_nParseDepth > 0) m_nParseDepth--;
}

void CHashTableBounce::DeleteAll(unsigned int n) {
    if (m_dwNbElement == 0) return;
    __Init(n == 0 ? 7 : n, 1);
}

int CHashTableBounce::bParseSetElement(unsigned int nEntry, void* pValue, void** ppOldValue) {
    if (nEntry == 0 || nEntry > m_dwTailleTableau) return 0;
    _stELEMENT* pst = &m_pstElement[nEntry - 1];
    if (pst->dwPrevious == ELEMENT_LIBRE) return 0;
    if (ppOldValue != nullptr) *ppOldValue = pst->pValue;
    pst->pValue = pValue;
    return 1;
}

int CHashTableBounce::bParseSetKey(unsigned int nEntry, void* pKey, void** ppOldKey) {
    if (nEntry == 0 || nEntry > m_dwTailleTableau) return 0;
    _stELEMENT* pst = &m_pstElement[nEntry - 1];
    if (pst->dwPrevious == ELEMENT_LIBRE) return 0;
    if (ppOldKey != nullptr) *ppOldKey = pst->pKey;
    pst->pKey = pKey;
    return 1;
}

int CHashTableBounce::nStringLogiqueCompare(const void* pSearched, const void* pStored) {
    const wchar_t* psz1 = static_cast<const wchar_t*>(pSearched);
    const wchar_t* psz2 = static_cast<const wchar_t*>(pStored);
    // Identical texts are equal under any folding: the registries mostly look keys up in the
    // spelling they were stored with, and this spares the host a call per match.
    if (psz1 != nullptr && psz2 != nullptr && wcscmp(psz1, psz2) == 0) return 0;
    return STR_nCompareW(psz1, psz2, STR_LOGIQUE);
}

unsigned int CHashTableBounce::dwStringLogiqueHashVal(const void* pKey) {
    const wchar_t* psz = static_cast<const wchar_t*>(pKey);
    if (psz == nullptr) psz = L"";  // a null text counts as empty, as in the compare
    // The text and its terminating zero, folded as the compare folds it.
    size_t nLongueur = wcslen(psz) + 1;
    wchar_t aszLocal[1024 / sizeof(wchar_t)];
    wchar_t* pszPlie = aszLocal;
    if (nLongueur * sizeof(wchar_t) >= sizeof(aszLocal)) {
        pszPlie = static_cast<wchar_t*>(malloc(nLongueur * sizeof(wchar_t)));
        if (pszPlie == nullptr) return 0;
    }
    int nEcrits = STR_nMapStringEx(STR_LOGIQUE, pszPlie, nLongueur, psz, static_cast<long>(nLongueur));
    // Only what the host reports written is read: the rest of the buffer was never filled.
    if (nEcrits > static_cast<int>(nLongueur)) nEcrits = static_cast<int>(nLongueur);
    // Each folded character is mixed in (FNV-1a): a plain sum of the characters gives texts that
    // differ by a few letters or digits (Client0012 / Client0021 / Client0003) the same few hash
    // values, and a registry of such keys would degrade into a handful of long chains.
    unsigned int dwHash = 2166136261u;
    for (int i = 0; i < nEcrits && pszPlie[i] != 0; i++) {
        dwHash ^= static_cast<unsigned int>(pszPlie[i]);
        dwHash *= 16777619u;
    }
    if (pszPlie != aszLocal) free(pszPlie);
    return dwHash;
}
