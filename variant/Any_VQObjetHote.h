// CAny_VQObjetHote<CODE>: the value classes that hold one reference on an object of the host: the
// host object (108, also used for the kinds 141 to 143) and the dynamic object (111). The object is
// the host's; only its first two operations (take and drop a reference) and, for piGetTraitement,
// its 50th are called. A copy shares the object but never its NULL or 0x400 flags, and a copy of
// the kinds 141 to 143 is a plain host object (108).
#pragma once

#include "variant/Any.h"

// The host's object as the library calls it. Positions count from 1 as the host counts them; the
// positions between are kept empty so that the 50th stays in place.
class IObjetVQ {
public:
    virtual void vAddRef() = 0;   // 1
    virtual void vRelease() = 0;  // 2
    virtual void vReserve3() = 0;
    virtual void vReserve4() = 0;
    virtual void vReserve5() = 0;
    virtual void vReserve6() = 0;
    virtual void vReserve7() = 0;
    virtual void vReserve8() = 0;
    virtual void vReserve9() = 0;
    virtual void vReserve10() = 0;
    virtual void vReserve11() = 0;
    virtual void vReserve12() = 0;
    virtual void vReserve13() = 0;
    virtual void vReserve14() = 0;
    virtual void vReserve15() = 0;
    virtual void vReserve16() = 0;
    virtual void vReserve17() = 0;
    virtual void vReserve18() = 0;
    virtual void vReserve19() = 0;
    virtual void vReserve20() = 0;
    virtual void vReserve21() = 0;
    virtual void vReserve22() = 0;
    virtual void vReserve23() = 0;
    virtual void vReserve24() = 0;
    virtual void vReserve25() = 0;
    virtual void vReserve26() = 0;
    virtual void vReserve27() = 0;
    virtual void vReserve28() = 0;
    virtual void vReserve29() = 0;
    virtual void vReserve30() = 0;
    virtual void vReserve31() = 0;
    virtual void vReserve32() = 0;
    virtual void vReserve33() = 0;
    virtual void vReserve34() = 0;
    virtual void vReserve35() = 0;
    virtual void vReserve36() = 0;
    virtual void vReserve37() = 0;
    virtual void vReserve38() = 0;
    virtual void vReserve39() = 0;
    virtual void vReserve40() = 0;
    virtual void vReserve41() = 0;
    virtual void vReserve42() = 0;
    virtual void vReserve43() = 0;
    virtual void vReserve44() = 0;
    virtual void vReserve45() = 0;
    virtual void vReserve46() = 0;
    virtual void vReserve47() = 0;
    virtual void vReserve48() = 0;
    virtual void vReserve49() = 0;
    virtual void* vpiGetTraitement() = 0;  // 50

protected:
    ~IObjetVQ() = default;
};

template <unsigned short CODE>
class CAny_VQObjetHote : public CAny_Intern {
public:
    static constexpr unsigned short TYPE = CODE;

    ~CAny_VQObjetHote() override { _Remplace(nullptr); }
    // The reference, without the flags.
    void Duplique(CAny* pclCible) const override { _Duplique(pclCible, CODE, piGet(), nullptr, 0); }
    int nGetSize(unsigned long* pnTaille) const override { return _nTaille(pnTaille, sizeof(void*)); }
    int nGetAdr(void** ppAdr) const override { return _nAdresse(ppAdr, m_abyValeur); }
    int nFillBuffer(void* pBuffer) const override { return _nCopiePointeur(pBuffer); }
    int nGetDataSize(unsigned long* pnTaille) const override { return _nTaille(pnTaille, sizeof(void*)); }
    int nGetDataAdr(void** ppAdr) const override { return _nAdresse(ppAdr, m_abyValeur); }
    int nFillDataBuffer(void* pBuffer) const override { return _nCopiePointeur(pBuffer); }
    // p is the object: a reference taken on it (none for null), the one held before dropped.
    void SetValue(const void* p) override { _Remplace(static_cast<IObjetVQ*>(const_cast<void*>(p))); }
    using CAny_Intern::SetValue;

    IObjetVQ* piGet() const { return static_cast<IObjetVQ*>(_pGetPointeur()); }

private:
    int _nCopiePointeur(void* pBuffer) const {
        memcpy(pBuffer, m_abyValeur, sizeof(void*));
        return VQERR_OK;
    }
    void _Remplace(IObjetVQ* pi) {
        IObjetVQ* piAncien = piGet();
        // The new reference first: the object held may be the one set again.
        if (pi != nullptr) pi->vAddRef();
        _SetPointeur(pi);
        if (piAncien != nullptr) piAncien->vRelease();
    }
};

using CAny_VQOBJET_BASE = CAny_VQObjetHote<VQTYPE_OBJET_BASE>;
using CAny_VQDINO = CAny_VQObjetHote<VQTYPE_DINO>;
