// CAny_VQDECIMAL: the value class of the DECIMAL type (13). The value is a decimal object made and
// released by the host's decimal factory, which the host hands over when it binds its conversions
// (CAny::ms_piDecimalFactory); the value area holds the object's pointer. The decimal object and
// its factory are the host's: only the operations declared here are called, at these positions.
#pragma once

#include "variant/Any.h"

// The host's decimal object. Positions count from 0 in the object's table; the library calls the
// 6th, 7th, 10th and 24th operations only, the others are placeholders that keep them in place.
class IDecimal {
public:
    virtual void vReserve0() = 0;
    virtual void vReserve1() = 0;
    virtual void vReserve2() = 0;
    virtual void vReserve3() = 0;
    virtual void vReserve4() = 0;
    // 6th: writes the 18-byte form of the value into the buffer.
    virtual int vnFillBuffer(void* pBuffer) = 0;
    // 7th: sets the value from n bytes of its stored form.
    virtual int vnSetFromBytes(const void* p, unsigned long n) = 0;
    virtual void vReserve7() = 0;
    virtual void vReserve8() = 0;
    // 10th: copies the value of another decimal object.
    virtual int vnCopy(const IDecimal* piSource) = 0;
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
    // 24th: 0 when the value is positive.
    virtual int vnSigne() = 0;

protected:
    ~IDecimal() = default;
};

// The host's decimal factory (its "pQueryProxy" answer for 102).
class IDecimalFactory {
public:
    // 1st: a new decimal object (the argument is always null).
    virtual IDecimal* vpiNew(void* pInutilise) = 0;
    // 2nd: releases a decimal object.
    virtual void vRelease(IDecimal* piDecimal) = 0;

protected:
    ~IDecimalFactory() = default;
};

// Size of the decimal's data form.
constexpr unsigned long VQDECIMAL_TAILLE_DONNEES = 18;

class CAny_VQDECIMAL : public CAny_Intern {
public:
    ~CAny_VQDECIMAL() override;
    void Duplique(CAny* pclCible) const override;
    int nGetSize(unsigned long* pnTaille) const override;
    int nGetAdr(void** ppAdr) const override;
    int nFillBuffer(void* pBuffer) const override;
    int nGetDataSize(unsigned long* pnTaille) const override;
    int nGetDataAdr(void** ppAdr) const override;
    int nFillDataBuffer(void* pBuffer) const override;
    // From another decimal object (p is the object's pointer).
    void SetValue(const void* p) override;
    // From n bytes of the stored form.
    void SetValue(const void* p, unsigned long n) override;
    int bIsPositive() const override;

    IDecimal* piGetDecimal() const { return static_cast<IDecimal*>(_pGetPointeur()); }
    // A new decimal object from the host's factory (null when none is bound), and its release.
    static IDecimal* s_piNewDecimal();
    static void s_ReleaseDecimal(IDecimal* piDecimal);
};
