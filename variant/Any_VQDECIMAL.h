// CAny_VQDECIMAL: the value class of the DECIMAL type (13). The value is a decimal object of the
// host, made and released by the host's decimal factory (bound with the conversions, CVQConv);
// the value area holds the object's pointer. Only the operations of IDecimalVQ named there are
// called.
#pragma once

#include "variant/Any_VQPointeur.h"
#include "variant/VMInterfaces.h"

class CAny_VQDECIMAL : public CAny_VQPointeur {
public:
    // Hands the object back to the factory and clears the pointer.
    ~CAny_VQDECIMAL() override;
    void Duplique(CAny* pclCible) const override;
    // The 18-byte form; there is no byte image in place, so no data address (105).
    int nGetDataSize(unsigned long* pnTaille) const override;
    int nGetDataAdr(void** ppAdr) const override;
    int nFillDataBuffer(void* pBuffer) const override;
    // From another decimal object (p is its pointer).
    void SetValue(const void* p) override;
    // From n bytes of the stored form.
    void SetValue(const void* p, unsigned long n) override;
    int bIsPositive() const override;

    IDecimalVQ* piGetDecimal() const { return static_cast<IDecimalVQ*>(_pGetPointeur()); }
};
