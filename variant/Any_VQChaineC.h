// CAny_VQChaineC<T, CODE>: what the two owned C-string value classes have in common
// (CAny_VQPSTRA, 8-bit, 18; CAny_VQPSTRW, wide, 110). The value area holds a pointer to a heap text
// of the string library (STR_*), owned by the value, or null for no string, which reads as an
// empty text. The class adds three operations after the root's: creating the text from a copy,
// from a copy of at most n characters, and deleting it.
#pragma once

#include <cstring>
#include <cwchar>

#include "variant/Any_VQPointeur.h"

template <typename T, unsigned short CODE>
class CAny_VQChaineC : public CAny_VQPointeur {
public:
    static constexpr unsigned short TYPE = CODE;

    ~CAny_VQChaineC() override { _Libere(); }

    void Duplique(CAny* pclCible) const override { _Duplique(pclCible, CODE, pszGetBuffer()); }
    // The text's pointer (the empty text's when there is none).
    int nFillBuffer(void* pBuffer) const override {
        const T* psz = pszGet();
        memcpy(pBuffer, &psz, sizeof(psz));
        return VQERR_OK;
    }
    int nGetDataSize(unsigned long* pnTaille) const override {
        return _nTaille(pnTaille, (nGetLongueur() + 1) * sizeof(T));
    }
    int nGetDataAdr(void** ppAdr) const override { return _nAdresse(ppAdr, pszGet()); }
    int nFillDataBuffer(void* pBuffer) const override {
        memcpy(pBuffer, pszGet(), (nGetLongueur() + 1) * sizeof(T));
        return VQERR_OK;
    }
    void SetValue(const void* p) override {
        __DeleteStr();
        __CreateStr(p);
    }
    // For the wide text n counts bytes (n / 4 characters).
    void SetValue(const void* p, unsigned long n) override {
        __DeleteStr();
        __CreateStr(p, n / sizeof(T));
    }
    int nGetPCASTR(const char** ppsz) const override { return _nPointeurTexte(pszGet(), ppsz); }
    int nGetPCWSTR(const wchar_t** ppsz) const override { return _nPointeurTexte(pszGet(), ppsz); }
    int nGetSTRLEN(unsigned long* pnLongueur) const override { return _nTaille(pnLongueur, nGetLongueur()); }
    int nGetUtilDataSize(unsigned long* pnTaille) const override {
        return _nTaille(pnTaille, nGetLongueur() * sizeof(T));
    }
    int nFillUtilDataBuffer(void* pBuffer) const override {
        memcpy(pBuffer, pszGet(), nGetLongueur() * sizeof(T));
        return VQERR_OK;
    }
    // Without bit 0 of the option, a copy of at most n characters; with it, a writable text of n
    // characters, all zero, into which at most n characters of p are copied.
    void SetValueOption(const void* p, unsigned long n, unsigned int dwOption) override;

    // A copy of p (null for a null or empty text).
    virtual void __CreateStr(const void* p);
    // A copy of at most n characters of p (null when that is nothing).
    virtual void __CreateStr(const void* p, unsigned long n);
    // Frees the text and clears the pointer.
    virtual void __DeleteStr() { _Libere(); }

    T* pszGetBuffer() const { return static_cast<T*>(_pGetPointeur()); }
    const T* pszGet() const {
        const T* psz = pszGetBuffer();
        return psz != nullptr ? psz : s_pszVide();
    }
    unsigned long nGetLongueur() const {
        const T* psz = pszGetBuffer();
        if (psz == nullptr) return 0;
        if constexpr (sizeof(T) == 1)
            return strlen(psz);
        else
            return wcslen(psz);
    }

protected:
    static const T* s_pszVide() {
        static const T szVide[1] = {0};
        return szVide;
    }
    void _Libere();
};

// Both widths are compiled once, in Any_VQChaineC.cpp.
extern template class CAny_VQChaineC<char, VQTYPE_PSTRA>;
extern template class CAny_VQChaineC<wchar_t, VQTYPE_PSTRW>;

// The 8-bit C string has no conversions of its own.
class CAny_VQPSTRA : public CAny_VQChaineC<char, VQTYPE_PSTRA> {};
