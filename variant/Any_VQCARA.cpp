// CAny_VQCARA: the 8-bit character value.
#include "variant/Any_VQCARA.h"

#include "core/platformwin/WinCodePage.h"

void CAny_VQCARA::_Convertit(int nCodePage, const void* p) {
    if (p == nullptr) return;
    wchar_t w;
    memcpy(&w, p, sizeof(w));
    // Room for a character that takes several bytes in the code page: only its first is kept.
    char asz[8] = {};
    WideCharToMultiByte(static_cast<unsigned>(nResolveCodePage(nCodePage)), 0, &w, 1, asz, sizeof(asz), nullptr,
                        nullptr);
    SetValue(asz);
}

void CAny_VQCARA::SetValueFromUNICODE(const void* p) {
    _Convertit(1252, p);
}
void CAny_VQCARA::SetValueFromUNICODE_CP(int nCodePage, const void* p) {
    _Convertit(nCodePage, p);
}
void CAny_VQCARA::SetValueFromUNICODE_CP(int nCodePage, const void* p, unsigned long) {
    _Convertit(nCodePage, p);
}
