// CDateTime: the date-time as the variant holds it (type 26) and as it lies in the host's records:
// exactly CDateTimeBase, whose layout and operations it takes over unchanged.
#pragma once

#include "variant/DateTimeBase.h"

class CDateTime : public CDateTimeBase {
public:
    using CDateTimeBase::CDateTimeBase;
};
static_assert(sizeof(CDateTime) == 8);
static_assert(std::is_standard_layout_v<CDateTime> && std::is_trivially_copyable_v<CDateTime>);
