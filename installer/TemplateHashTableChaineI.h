// CTemplateHashTableChaineI: the zip reader's name index, wide-text keys compared ignoring letter
// case and mapped to an int (the entry's place in the reader's table). The comparison folds each
// character with towupper, as the hash does, so a key the comparison takes as equal is always in
// the bucket the lookup searches. Chained buckets over a pool
// of cells numbered from 1 (0 = none); a new element goes to the head of its chain, so of two equal
// keys the later one is found first. Sizes follow the common prime table: the bucket count is a
// prime and the pool holds half of it. Keys are copied: the entries they name live in an array
// that moves when it grows.
#pragma once

#include <cstdint>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "core/HashBase.h"
#include "core/HashTableBounce.h"
#include "core/XMalloc.h"

class CTemplateHashTableChaineI {
public:
    struct _stCELLULE {
        uint32_t nPrecedent;
        uint32_t nSuivant;
        wchar_t* pszCle;
        int nValeur;
    };

    CTemplateHashTableChaineI() = default;
    explicit CTemplateHashTableChaineI(int nTaille) { bCree(nTaille); }
    ~CTemplateHashTableChaineI() { Libere(); }
    CTemplateHashTableChaineI(const CTemplateHashTableChaineI&) = delete;
    CTemplateHashTableChaineI& operator=(const CTemplateHashTableChaineI&) = delete;

    // h = 5381, then h * 33 + towupper(c) for each character, in 32-bit arithmetic.
    static uint32_t s_dwHash(const wchar_t* psz) {
        uint32_t h = 5381;
        for (; *psz != 0; psz++) h = h * 33u + static_cast<uint32_t>(towupper(static_cast<wint_t>(*psz)));
        return h;
    }

    // Empties the table and sizes it for nTaille elements: the first prime whose half reaches it.
    bool bCree(int nTaille) {
        Libere();
        int nNiveau = 0;
        while (nNiveau < 28 && CHashTableBounce::g__ToutPretToutChaud[nNiveau] / 2 < static_cast<uint32_t>(nTaille))
            nNiveau++;
        return _bDimensionne(nNiveau);
    }

    // Empties the table, keeping its size.
    void Vide() {
        if (m_pnSeaux == nullptr) return;
        for (uint32_t i = 0; i < m_nCellules; i++) {
            XMALLOC_Del(m_pstCellules[i].pszCle);
            m_pstCellules[i].pszCle = nullptr;
        }
        memset(m_pnSeaux, 0, sizeof(uint32_t) * m_nSeaux);
        _ChaineLibres(0);
        m_nElements = 0;
    }

    // Adds a copy of the key with its value; false when memory runs out (the table is unchanged).
    bool bAjoute(const wchar_t* pszCle, int nValeur) {
        if (m_pnSeaux == nullptr && !bCree(7)) return false;
        if (m_nLibre == 0 && !_bAgrandit()) return false;
        size_t nOctets = (wcslen(pszCle) + 1) * sizeof(wchar_t);
        auto* pszCopie = static_cast<wchar_t*>(XMALLOC_pNew(nOctets));
        if (pszCopie == nullptr) return false;
        memcpy(pszCopie, pszCle, nOctets);
        uint32_t nCellule = m_nLibre;
        _stCELLULE& st = m_pstCellules[nCellule - 1];
        m_nLibre = st.nSuivant;
        st.pszCle = pszCopie;
        st.nValeur = nValeur;
        _Chaine(nCellule);
        m_nElements++;
        return true;
    }

    // The value of the most recently added key equal to pszCle ignoring case.
    bool bRecherche(const wchar_t* pszCle, int* pnValeur) const {
        if (m_pnSeaux == nullptr) return false;
        for (uint32_t n = m_pnSeaux[s_dwHash(pszCle) % m_nSeaux]; n != 0; n = m_pstCellules[n - 1].nSuivant) {
            if (bEgaliteTi(m_pstCellules[n - 1].pszCle, pszCle)) {
                if (pnValeur != nullptr) *pnValeur = m_pstCellules[n - 1].nValeur;
                return true;
            }
        }
        return false;
    }

    uint32_t nGetNbElement() const { return m_nElements; }
    uint32_t nGetNbSeau() const { return m_nSeaux; }
    uint32_t nGetNbCellule() const { return m_nCellules; }

private:
    void Libere() {
        Vide();
        XMALLOC_Del(m_pnSeaux);
        XMALLOC_Del(m_pstCellules);
        m_pnSeaux = nullptr;
        m_pstCellules = nullptr;
        m_nSeaux = m_nCellules = m_nLibre = m_nElements = 0;
        m_nNiveau = 0;
    }

    bool _bDimensionne(int nNiveau) {
        uint32_t nSeaux = CHashTableBounce::g__ToutPretToutChaud[nNiveau];
        auto* pnSeaux = static_cast<uint32_t*>(XMALLOC_pNew(sizeof(uint32_t) * nSeaux));
        auto* pst = static_cast<_stCELLULE*>(XMALLOC_pNew(sizeof(_stCELLULE) * (nSeaux / 2)));
        if (pnSeaux == nullptr || pst == nullptr) {
            XMALLOC_Del(pnSeaux);
            XMALLOC_Del(pst);
            return false;
        }
        memset(pnSeaux, 0, sizeof(uint32_t) * nSeaux);
        memset(pst, 0, sizeof(_stCELLULE) * (nSeaux / 2));
        m_pnSeaux = pnSeaux;
        m_pstCellules = pst;
        m_nSeaux = nSeaux;
        m_nCellules = nSeaux / 2;
        m_nNiveau = nNiveau;
        _ChaineLibres(0);
        return true;
    }

    // Chains the free cells from nPremier (0-based) to the end of the pool.
    void _ChaineLibres(uint32_t nPremier) {
        m_nLibre = nPremier < m_nCellules ? nPremier + 1 : 0;
        for (uint32_t i = nPremier; i < m_nCellules; i++) {
            m_pstCellules[i].nPrecedent = 0;
            m_pstCellules[i].nSuivant = i + 1 < m_nCellules ? i + 2 : 0;
        }
    }

    // Puts cell n (1-based) at the head of its key's chain.
    void _Chaine(uint32_t n) {
        _stCELLULE& st = m_pstCellules[n - 1];
        uint32_t& nTete = m_pnSeaux[s_dwHash(st.pszCle) % m_nSeaux];
        st.nPrecedent = 0;
        st.nSuivant = nTete;
        if (nTete != 0) m_pstCellules[nTete - 1].nPrecedent = n;
        nTete = n;
    }

    // Moves to the next prime, keeping every element; rehashed oldest cell first so that equal keys
    // keep their order in their chain.
    bool _bAgrandit() {
        if (m_nNiveau >= 28) return false;
        uint32_t nSeaux = CHashTableBounce::g__ToutPretToutChaud[m_nNiveau + 1];
        uint32_t nCellules = nSeaux / 2;
        auto* pnSeaux = static_cast<uint32_t*>(XMALLOC_pNew(sizeof(uint32_t) * nSeaux));
        auto* pst = static_cast<_stCELLULE*>(XMALLOC_pResize(m_pstCellules, sizeof(_stCELLULE) * nCellules));
        if (pnSeaux == nullptr || pst == nullptr) {
            XMALLOC_Del(pnSeaux);
            if (pst != nullptr) m_pstCellules = pst;
            return false;
        }
        memset(pst + m_nCellules, 0, sizeof(_stCELLULE) * (nCellules - m_nCellules));
        memset(pnSeaux, 0, sizeof(uint32_t) * nSeaux);
        XMALLOC_Del(m_pnSeaux);
        uint32_t nAnciennes = m_nCellules;
        m_pnSeaux = pnSeaux;
        m_pstCellules = pst;
        m_nSeaux = nSeaux;
        m_nCellules = nCellules;
        m_nNiveau++;
        // The pool was full: every old cell holds an element, added in cell order.
        for (uint32_t n = 1; n <= nAnciennes; n++) _Chaine(n);
        _ChaineLibres(nAnciennes);
        return true;
    }

    uint32_t* m_pnSeaux = nullptr;
    _stCELLULE* m_pstCellules = nullptr;
    uint32_t m_nSeaux = 0;
    uint32_t m_nCellules = 0;
    uint32_t m_nLibre = 0;
    uint32_t m_nElements = 0;
    int m_nNiveau = 0;
};
