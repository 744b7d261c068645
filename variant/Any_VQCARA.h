// CAny_VQCARA: the value class of the 8-bit character (17): one byte followed by a zero byte, so
// the value area reads as a one-character text. A wide character converts to it in 1252 or in a
// given code page.
#pragma once

#include "variant/Any_VQCaractere.h"

class CAny_VQCARA : public CAny_VQCaractere<char, VQTYPE_CARA> {
public:
    // One wide character converted in 1252, or in the given code page.
    void SetValueFromUNICODE(const void* p) override;
    void SetValueFromUNICODE_CP(int nCodePage, const void* p) override;
    void SetValueFromUNICODE_CP(int nCodePage, const void* p, unsigned long n) override;
    using CAny_Intern::SetValueFromUNICODE;

private:
    void _Convertit(int nCodePage, const void* p);
};
