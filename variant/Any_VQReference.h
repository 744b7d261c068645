// CAny_VQReference<CODE, TObjet, TLien>: what the value classes that hold one reference on an
// object have in common: the library's counted objects (variant/Any_VQCompteur.h) and the host's
// objects (variant/Any_VQObjetHote.h). The value area holds the object's pointer, or null. Setting
// takes a reference on the new object before the one held so far is given back (the object set
// again may be the one held); the destructor gives it back. The cell and the data views are the
// pointer, and a copy shares the object. TLien says how a reference is taken and given back
// (s_AddRef, s_Release, never called with null) and whether a copy carries the NULL and 0x400
// flags (COPIE_DRAPEAUX).
#pragma once

#include "variant/Any_VQPointeur.h"

template <unsigned short CODE, typename TObjet, typename TLien>
class CAny_VQReference : public CAny_VQPointeur {
public:
    static constexpr unsigned short TYPE = CODE;

    ~CAny_VQReference() override { _Remplace(nullptr); }
    void Duplique(CAny* pclCible) const override { _Duplique(pclCible, CODE, pGet(), nullptr, TLien::COPIE_DRAPEAUX); }
    int nGetDataSize(unsigned long* pnTaille) const override { return _nTaille(pnTaille, sizeof(void*)); }
    int nGetDataAdr(void** ppAdr) const override { return _nAdresse(ppAdr, m_abyValeur); }
    int nFillDataBuffer(void* pBuffer) const override { return nFillBuffer(pBuffer); }
    // p is the object (null: none).
    void SetValue(const void* p) override { _Remplace(static_cast<TObjet*>(const_cast<void*>(p))); }
    using CAny_Intern::SetValue;

    TObjet* pGet() const { return static_cast<TObjet*>(_pGetPointeur()); }

private:
    void _Remplace(TObjet* p) {
        TObjet* pAncien = pGet();
        if (p != nullptr) TLien::s_AddRef(p);
        _SetPointeur(p);
        if (pAncien != nullptr) TLien::s_Release(pAncien);
    }
};
