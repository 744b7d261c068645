// CAny_VQChainePartagee<T, CODE>: what the two shared-string value classes have in common
// (CAny_VQDSTRW, wide, 16; CAny_VQDSTRA, 8-bit, 19). The value area holds one CXYString<T>: the
// pointer to the first character of a buffer of the host's allocator, or null for no string.
// Setting from another string shares its buffer; setting from characters copies them, reusing a
// private buffer. The data views give the characters with their terminator (the shared empty
// string when there is none), the useful data the same without it.
#pragma once

#include <cstring>
#include <cwchar>

#include "core/XYString.h"
#include "variant/Any_VQPointeur.h"

template <typename T, unsigned short CODE>
class CAny_VQChainePartagee : public CAny_VQPointeur {
public:
    static constexpr unsigned short TYPE = CODE;

    // Drops the value's reference (the last one returns the buffer to the host).
    ~CAny_VQChainePartagee() override { _Remplace(nullptr); }

    // A target already of this class (a memo copied into the same variant row after row, a value
    // read back into a variant of its type) shares the string in place: what the type change and
    // the setting of the general copy leave, without rebuilding the value object.
    void Duplique(CAny* pclCible) const override {
        if (pclCible != nullptr && bMemeClasse(pclCible->pclGetValeur())) {
            auto* pclValeur = static_cast<CAny_VQChainePartagee*>(pclCible->pclGetValeur());
            if (pclValeur == this) return;
            s_Partage(pclValeur->m_abyValeur, pszGetBuffer());
            // A target with a flag would have been made anew by the type change: the rest of its
            // area starts from zero as a new value's does.
            if (pclValeur->m_nType != CODE)
                memset(pclValeur->m_abyValeur + sizeof(T*), 0, sizeof(pclValeur->m_abyValeur) - sizeof(T*));
            // The type word without flags, then the source's NULL and 0x400 flags.
            pclValeur->m_nType = static_cast<uint16_t>(CODE | (m_nType & (VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400)));
            return;
        }
        _Duplique(pclCible, CODE, m_abyValeur);
    }
    // The CXYString<T> at pBuffer shares the value's buffer.
    int nFillBuffer(void* pBuffer) const override {
        s_Partage(pBuffer, pszGetBuffer());
        return VQERR_OK;
    }
    int nGetDataSize(unsigned long* pnTaille) const override {
        return _nTaille(pnTaille, static_cast<unsigned long>(nGetTailleOctet()) + sizeof(T));
    }
    int nGetDataAdr(void** ppAdr) const override { return _nAdresse(ppAdr, pszGet()); }
    int nFillDataBuffer(void* pBuffer) const override {
        memcpy(pBuffer, pszGet(), static_cast<size_t>(nGetTailleOctet()) + sizeof(T));
        return VQERR_OK;
    }
    // p is a CXYString<T>: the value shares its buffer.
    void SetValue(const void* p) override {
        if (p == nullptr) return;
        T* psz;
        memcpy(&psz, p, sizeof(psz));
        s_Partage(m_abyValeur, psz);
    }
    // n characters of p (8-bit) or n bytes (wide, n / 4 characters); n = -1 as a 32-bit value
    // means up to the terminator. A null p or a count of 0 or less leaves no string; a count above
    // the longest string leaves the value unchanged.
    void SetValue(const void* p, unsigned long n) override {
        const T* psz = static_cast<const T*>(p);
        long nCompte;
        if (static_cast<int32_t>(n) == -1)
            nCompte = psz != nullptr ? static_cast<long>(STRG_nLenT(psz)) : 0;
        else
            nCompte = static_cast<long>(n) / static_cast<long>(sizeof(T));
        if (psz == nullptr || nCompte <= 0) {
            _Remplace(nullptr);
            return;
        }
        if (nCompte > STRMEM_MAX_UNITS) return;
        // A value without a string yet (a fresh one, as most read into are) has nothing to reuse
        // or lend: its string is made here, as the assignment would make it.
        if (pszGetBuffer() == nullptr) {
            _Nouvelle(psz, nCompte);
            return;
        }
        _nModifie([&](CXYString<T>& cl) { return _nAffecte(cl, psz, static_cast<int>(nCompte)); });
    }
    using CAny_Intern::SetValue;
    int nGetPCASTR(const char** ppsz) const override { return _nPointeurTexte(pszGet(), ppsz); }
    int nGetPCWSTR(const wchar_t** ppsz) const override { return _nPointeurTexte(pszGet(), ppsz); }
    int nGetSTRLEN(unsigned long* pnLongueur) const override {
        return _nTaille(pnLongueur, static_cast<unsigned long>(nGetTailleOctet()) / sizeof(T));
    }
    int nGetUtilDataSize(unsigned long* pnTaille) const override {
        return _nTaille(pnTaille, static_cast<unsigned long>(nGetTailleOctet()));
    }
    int nFillUtilDataBuffer(void* pBuffer) const override {
        memcpy(pBuffer, pszGet(), static_cast<size_t>(nGetTailleOctet()));
        return VQERR_OK;
    }

    // The buffer (null for no string) and the characters (the shared empty string for none).
    T* pszGetBuffer() const { return static_cast<T*>(_pGetPointeur()); }
    const T* pszGet() const {
        T* psz = pszGetBuffer();
        return psz != nullptr ? psz : CXYStringBase<T>::ChaineVide;
    }
    int nGetTailleOctet() const {
        T* psz = pszGetBuffer();
        return psz != nullptr ? CBaseStrMem::s_pstGetHeader(psz)->nLength : 0;
    }

    // The string cell at pCell (a CXYString<T>, perhaps unaligned) shares psz: one more reference
    // on psz, one less on what the cell held; nothing when it already holds psz.
    static void s_Partage(void* pCell, T* psz) {
        T* pszAncien;
        memcpy(&pszAncien, pCell, sizeof(pszAncien));
        if (pszAncien == psz) return;
        CBaseStrMem::s_AddRef(psz);
        memcpy(pCell, &psz, sizeof(psz));
        CBaseStrMem::s_ReleaseStrMem(reinterpret_cast<unsigned char*>(pszAncien));
    }

    // Runs a string operation on the value's string: the buffer is lent to a CXYString<T> for the
    // time of the call and taken back after it, whatever the operation did with it.
    template <typename F>
    int _nModifie(F f) {
        CXYString<T> cl;
        // A value without a string (a fresh one, as most set are) has nothing to lend.
        if (T* psz = pszGetBuffer(); psz != nullptr) {
            cl.AttacheBuffer(psz);
            _SetPointeur(nullptr);
        }
        const int nResultat = f(cl);
        _SetPointeur(cl.pszDetacheBuffer());
        return nResultat;
    }

protected:
    // Whether the value object at pcl has this object's very class (its class pointer, read as
    // bytes: the object may lie at any 4-aligned address).
    bool bMemeClasse(const CAny_Intern* pcl) const {
        return memcmp(static_cast<const void*>(pcl), static_cast<const void*>(this), sizeof(void*)) == 0;
    }

    // The value takes psz over (no count change) and drops its own reference.
    void _Remplace(T* psz) {
        T* pszAncien = pszGetBuffer();
        _SetPointeur(psz);
        if (pszAncien != psz) CBaseStrMem::s_ReleaseStrMem(reinterpret_cast<unsigned char*>(pszAncien));
    }

private:
    // A new buffer of exactly n characters (n at least 1) holding psz, taken by a value that has
    // none; a size the header cannot say, or a refusal of the host's allocator, leaves it without.
    void _Nouvelle(const T* psz, long n) {
        const int64_t nOctets = static_cast<int64_t>(n) * static_cast<int64_t>(sizeof(T));
        if (nOctets > STRMEM_MAX_BYTES) return;
        unsigned char* pby = nullptr;
        if (CBaseStrMem::s_nAllocStrMem(&pby, static_cast<uint64_t>(nOctets), 0) != STRMEM_OK) return;
        memcpy(pby, psz, static_cast<size_t>(nOctets));
        CBaseStrMem::s_pstGetHeader(pby)->nLength = static_cast<int32_t>(nOctets);
        CBaseStrMem::s_SetTerminator(pby, nOctets);
        _SetPointeur(pby);
    }
    static size_t STRG_nLenT(const T* psz) {
        if constexpr (sizeof(T) == 1)
            return strlen(psz);
        else
            return wcslen(psz);
    }
    static int _nAffecte(CXYString<T>& cl, const T* psz, int n) {
        if constexpr (sizeof(T) == 1)
            return cl.nAffecte(psz, n);
        else
            return cl.nAffecteConversion(psz, n);
    }
};

// The 8-bit shared string has no conversions of its own: every form falls back on the root's.
class CAny_VQDSTRA : public CAny_VQChainePartagee<char, VQTYPE_DSTRA> {};
