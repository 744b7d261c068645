// CAny_VQCARW: the value class of the wide character (81): one 32-bit character followed by a zero
// character, so the value area reads as a one-character wide text. A byte of 8-bit text converts
// to it in 1252 or in a given code page; UTF-16 units give at most one character.
#pragma once

#include "variant/Any_VQCaractere.h"

class CAny_VQCARW : public CAny_VQCaractere<wchar_t, VQTYPE_CARW> {
public:
    // One byte of p converted in 1252, or in the given code page.
    void SetValueFromANSI(const void* p) override;
    void SetValueFromANSI(const void* p, unsigned long n) override;
    void SetValueFromANSI_CP(int nCodePage, const void* p) override;
    void SetValueFromANSI_CP(int nCodePage, const void* p, unsigned long n) override;

    // At most one character from n UTF-16 units (a surrogate pair gives one) into a CARW value.
    static void s_SetFromUTF16(CAny* pclAny, const unsigned short* pwUnites, int n);

private:
    void _Convertit(int nCodePage, const void* p);
};
