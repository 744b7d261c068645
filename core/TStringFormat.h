// CTStringFormat: a CTString built from a printf-style format and its arguments, for call sites
// that want the formatted text as a temporary ("%s" takes a wide text, "%S" an 8-bit one). It adds
// no field and is destroyed as a CTString.
#pragma once

#include "core/TString.h"

class CTStringFormat : public CTString {
public:
    CTStringFormat(const wchar_t* pszFormat, ...);
};
static_assert(sizeof(CTStringFormat) == sizeof(CTString));
