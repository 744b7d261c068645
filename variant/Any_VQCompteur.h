// CAny_VQCompteur<CODE>: the value classes that hold one reference on a reference-counted object of
// the library's kind (CKXUnknown: the count right after the class pointer, dwRelease as the third
// operation): the image memo (30), the carrier (50) and the font (65). Setting takes a reference,
// the destructor gives it back; the cell and the data views are the pointer, and a copy of the
// value shares the object.
#pragma once

#include "core/KXUnknown.h"
#include "variant/Any.h"

template <unsigned short CODE>
class CAny_VQCompteur : public CAny_Intern {
public:
    static constexpr unsigned short TYPE = CODE;

    ~CAny_VQCompteur() override { _Remplace(nullptr); }
    void Duplique(CAny* pclCible) const override { _Duplique(pclCible, CODE, pclGet()); }
    int nGetSize(unsigned long* pnTaille) const override { return _nTaille(pnTaille, sizeof(void*)); }
    int nGetAdr(void** ppAdr) const override { return _nAdresse(ppAdr, m_abyValeur); }
    int nFillBuffer(void* pBuffer) const override { return _nCopiePointeur(pBuffer); }
    int nGetDataSize(unsigned long* pnTaille) const override { return _nTaille(pnTaille, sizeof(void*)); }
    int nGetDataAdr(void** ppAdr) const override { return _nAdresse(ppAdr, m_abyValeur); }
    int nFillDataBuffer(void* pBuffer) const override { return _nCopiePointeur(pBuffer); }
    // p is the object: one more reference on it (none for null), one less on the one held before.
    void SetValue(const void* p) override { _Remplace(static_cast<CKXUnknown*>(const_cast<void*>(p))); }
    using CAny_Intern::SetValue;

    CKXUnknown* pclGet() const { return static_cast<CKXUnknown*>(_pGetPointeur()); }

private:
    int _nCopiePointeur(void* pBuffer) const {
        memcpy(pBuffer, m_abyValeur, sizeof(void*));
        return VQERR_OK;
    }
    void _Remplace(CKXUnknown* pcl) {
        CKXUnknown* pclAncien = pclGet();
        // The new reference first: the object held may be the one set again.
        if (pcl != nullptr) pcl->AddRef();
        _SetPointeur(pcl);
        if (pclAncien != nullptr) pclAncien->dwRelease();
    }
};

using CAny_VQMEMOIMG = CAny_VQCompteur<VQTYPE_MEMOIMG>;
using CAny_VQCONVOYEUR = CAny_VQCompteur<VQTYPE_CONVOYEUR>;
using CAny_VQPOLICE = CAny_VQCompteur<VQTYPE_POLICE>;
