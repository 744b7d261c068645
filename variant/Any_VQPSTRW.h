// CAny_VQPSTRW: the value class of the owned wide C string (110). Over what it shares with the
// 8-bit C string (variant/Any_VQChaineC.h) it converts 8-bit text (code page 1252 unless one is
// given) and takes UTF-16 text.
#pragma once

#include "variant/Any_VQChaineC.h"

class CAny_VQPSTRW : public CAny_VQChaineC<wchar_t, VQTYPE_PSTRW> {
public:
    // The zero-terminated 8-bit text in 1252 (a null text: no string).
    void SetValueFromANSI(const void* p) override;
    // n bytes in 1252; no string for a null p or n of 0.
    void SetValueFromANSI(const void* p, unsigned long n) override;
    void SetValueFromANSI_CP(int nCodePage, const void* p) override;
    void SetValueFromANSI_CP(int nCodePage, const void* p, unsigned long n) override;

    // n UTF-16 units into a PSTRW value that holds no string; n of 0 or less changes nothing.
    static void s_SetFromUTF16(CAny* pclAny, const unsigned short* pwUnites, int n);

private:
    void _Convertit(int nCodePage, const char* psz, unsigned long n);
};
