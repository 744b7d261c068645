// CAny_VQCARW: the wide character value.
#include "variant/Any_VQCARW.h"

#include "core/UnicodeToolkit.h"
#include "core/platformwin/WinCodePage.h"

void CAny_VQCARW::_Convertit(int nCodePage, const void* p) {
    if (p == nullptr) return;
    wchar_t w = 0;
    MultiByteToWideChar(static_cast<unsigned>(nResolveCodePage(nCodePage)), 0, static_cast<const char*>(p), 1, &w, 1);
    SetValue(&w);
}

void CAny_VQCARW::SetValueFromANSI(const void* p) {
    _Convertit(1252, p);
}
void CAny_VQCARW::SetValueFromANSI(const void* p, unsigned long) {
    _Convertit(1252, p);
}
void CAny_VQCARW::SetValueFromANSI_CP(int nCodePage, const void* p) {
    _Convertit(nCodePage, p);
}
void CAny_VQCARW::SetValueFromANSI_CP(int nCodePage, const void* p, unsigned long) {
    _Convertit(nCodePage, p);
}

void CAny_VQCARW::s_SetFromUTF16(CAny* pclAny, const unsigned short* pwUnites, int n) {
    if (pclAny == nullptr || pclAny->nGetTypeCode() != VQTYPE_CARW) return;
    wchar_t w = 0;
    if (pwUnites != nullptr && n > 0) UTF16ToWideChar(pwUnites, n < 2 ? n : 2, &w, 1);
    pclAny->pclGetValeur()->SetValue(&w);
}
