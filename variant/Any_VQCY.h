// CAny_VQCY: the value class of the money type (10), a 10-byte CMoney in the value area. Its sign
// is that of its top 16-bit word; stepping by one goes through double and back.
#pragma once

#include "variant/Any_VQFixe.h"
#include "variant/Money.h"

class CAny_VQCY : public CAny_VQFixe<CMoney, VQTYPE_CY> {
public:
    int bIsPositive() const override;
    // 1 when the stepped value cannot be held as money.
    int nIncremente() override;
    int nDecremente() override;

private:
    int _nPas(double dPas);
};
static_assert(sizeof(CMoney) == 10);
