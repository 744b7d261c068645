// CAny_VQCY: the value class of the money type (10), a 10-byte CMoney in the value area. Its sign
// is that of its top 16-bit word; stepping by one adds or takes one exact unit of 1.000000.
#pragma once

#include "variant/Any_VQFixe.h"
#include "variant/Money.h"

class CAny_VQCY : public CAny_VQFixe<CMoney, VQTYPE_CY> {
public:
    int bIsPositive() const override;
    // 1 when the stepped value leaves the range of money (the wrapped value is stored).
    int nIncremente() override;
    int nDecremente() override;
};
static_assert(sizeof(CMoney) == 10);
