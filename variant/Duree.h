// CDuree: the duration as the variant holds it (type 27) and as it lies in the host's records:
// exactly CDureeBase, whose layout and operations it takes over unchanged.
#pragma once

#include "variant/DureeBase.h"

class CDuree : public CDureeBase {
public:
    using CDureeBase::CDureeBase;
};
static_assert(sizeof(CDuree) == 8);
static_assert(std::is_standard_layout_v<CDuree> && std::is_trivially_copyable_v<CDuree>);
