// CAny_VQCARA: the value class of the 8-bit character (17): one byte followed by a zero byte, so
// the value area reads as a one-character text. A wide character converts to it in 1252 or in a
// given code page.
#pragma once

#include "variant/Any.h"

class CAny_VQCARA : public CAny_Intern {
public:
    void Duplique(CAny* pclCible) const override;
    int nGetSize(unsigned long* pnTaille) const override;
    int nGetAdr(void** ppAdr) const override;
    int nFillBuffer(void* pBuffer) const override;
    int nGetDataSize(unsigned long* pnTaille) const override;
    int nGetDataAdr(void** ppAdr) const override;
    int nFillDataBuffer(void* pBuffer) const override;
    // One byte.
    void SetValue(const void* p) override;
    using CAny_Intern::SetValue;
    int nGetPCASTR(const char** ppsz) const override;
    int nGetSTRLEN(unsigned long* pnLongueur) const override;
    // One wide character converted in 1252, or in the given code page.
    void SetValueFromUNICODE(const void* p) override;
    void SetValueFromUNICODE_CP(int nCodePage, const void* p) override;
    void SetValueFromUNICODE_CP(int nCodePage, const void* p, unsigned long n) override;
    using CAny_Intern::SetValueFromUNICODE;

    char cGet() const { return _tLit<char>(); }

private:
    void _Convertit(int nCodePage, const void* p);
};
