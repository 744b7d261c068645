// CAny_VQBOOL: the value class of the BOOL type (1), a 32-bit integer. It is set from up to four
// bytes of a caller's value, the rest zero, so a one-byte boolean of the host reads the same.
#pragma once

#include <cstdint>

#include "variant/Any_VQFixe.h"

class CAny_VQBOOL : public CAny_VQFixe<int32_t, VQTYPE_BOOL> {
public:
    using CAny_VQFixe::SetValue;
    // The value zeroed, then min(n, 4) bytes of p.
    void SetValue(const void* p, unsigned long n) override;
};
