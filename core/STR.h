// The string library in one include: language-dependent comparison and mapping, the plain text
// utilities and conversions, and the character-set tables they rely on.
#pragma once

#include "core/CharsetTable.h"
#include "core/STRCompare.h"
#include "core/STRUtil.h"
