// CStrMemCache: the two free lists of released string blocks (capacities 100 and 996).
#include "installer/StrMemCache.h"

#include "core/XMalloc.h"

namespace {

void _LibereListe(STStrMemBlock* pstBlock) {
    while (pstBlock != nullptr) {
        STStrMemBlock* pstSuivant = pstBlock->pstLien;
        XMALLOC_Del(pstBlock);
        pstBlock = pstSuivant;
    }
}

}  // namespace

CStrMemCache::~CStrMemCache() {
    _LibereListe(m_pstLibre100);
    _LibereListe(m_pstLibre996);
    m_pstLibre100 = m_pstLibre996 = nullptr;
    m_nLibre100 = m_nLibre996 = 0;
}

int CStrMemCache::nGetNbCache(uint32_t nCapacity) const {
    if (nCapacity == STRMEMALLOC_CAPACITE_PETITE) return m_nLibre100;
    if (nCapacity == STRMEMALLOC_CAPACITE_MOYENNE) return m_nLibre996;
    return 0;
}

bool CStrMemCache::_bListe(uint32_t nCapacity, STStrMemBlock*** pppstListe, int** ppnCompte) {
    if (nCapacity == STRMEMALLOC_CAPACITE_PETITE) {
        *pppstListe = &m_pstLibre100;
        *ppnCompte = &m_nLibre100;
        return true;
    }
    if (nCapacity == STRMEMALLOC_CAPACITE_MOYENNE) {
        *pppstListe = &m_pstLibre996;
        *ppnCompte = &m_nLibre996;
        return true;
    }
    return false;
}

STStrMemBlock* CStrMemCache::_pstPrend(uint32_t nCapacity) {
    STStrMemBlock** ppstListe = nullptr;
    int* pnCompte = nullptr;
    if (!_bListe(nCapacity, &ppstListe, &pnCompte)) return nullptr;
    STStrMemBlock* pstBlock = *ppstListe;
    if (pstBlock == nullptr) return nullptr;
    *ppstListe = pstBlock->pstLien;
    (*pnCompte)--;
    pstBlock->pstLien = nullptr;
    return pstBlock;
}

bool CStrMemCache::_bRange(STStrMemBlock* pstBlock) {
    STStrMemBlock** ppstListe = nullptr;
    int* pnCompte = nullptr;
    if (!_bListe(pstBlock->stHeader.nCapacity, &ppstListe, &pnCompte)) return false;
    if (*pnCompte >= STRMEMALLOC_CACHE_MAX) return false;
    pstBlock->pstLien = *ppstListe;
    *ppstListe = pstBlock;
    (*pnCompte)++;
    return true;
}
