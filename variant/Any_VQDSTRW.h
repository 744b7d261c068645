// CAny_VQDSTRW: the value class of the shared wide string (16). Over what it shares with the 8-bit
// string (variant/Any_VQChainePartagee.h) it converts 8-bit text, in the host's current code page
// or a given one, and takes UTF-16 text.
#pragma once

#include "variant/Any_VQChainePartagee.h"

class CAny_VQDSTRW : public CAny_VQChainePartagee<wchar_t, VQTYPE_DSTRW> {
public:
    // The zero-terminated 8-bit text (without its terminator) in the host's current code page.
    void SetValueFromANSI(const void* p) override;
    // n bytes of 8-bit text (-1 as a 32-bit value: up to the terminator) in the host's current code page.
    void SetValueFromANSI(const void* p, unsigned long n) override;
    // The same in nCodePage.
    void SetValueFromANSI_CP(int nCodePage, const void* p) override;
    void SetValueFromANSI_CP(int nCodePage, const void* p, unsigned long n) override;

    // n UTF-16 units into a DSTRW value: below 1, or when they give no character, no string.
    static void s_SetFromUTF16(CAny* pclAny, const unsigned short* pwUnites, int n);

private:
    void _Convertit(int nCodePage, const char* psz, unsigned long n);
};
