// CTStringFormatMessage: a CTString built from a format through the emulated FormatMessageW, the
// formatter of the message texts. It adds no field and is destroyed as a CTString; the text stays
// empty when formatting fails.
#pragma once

#include "core/TString.h"

class CTStringFormatMessage : public CTString {
public:
    CTStringFormatMessage(const wchar_t* pszFormat, ...);
};
static_assert(sizeof(CTStringFormatMessage) == sizeof(CTString));
