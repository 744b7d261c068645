// CAny_VQCARW: the wide character value.
#include "variant/Any_VQCARW.h"

#include "core/UnicodeToolkit.h"
#include "platform/WinCodePage.h"

void CAny_VQCARW::Duplique(CAny* pclCible) const {
    _Duplique(pclCible, VQTYPE_CARW, m_abyValeur);
}
int CAny_VQCARW::nGetSize(unsigned long* pnTaille) const {
    return _nTaille(pnTaille, sizeof(wchar_t));
}
int CAny_VQCARW::nGetAdr(void** ppAdr) const {
    return _nAdresse(ppAdr, m_abyValeur);
}
int CAny_VQCARW::nFillBuffer(void* pBuffer) const {
    memcpy(pBuffer, m_abyValeur, sizeof(wchar_t));
    return VQERR_OK;
}
int CAny_VQCARW::nGetDataSize(unsigned long* pnTaille) const {
    return _nTaille(pnTaille, sizeof(wchar_t));
}
int CAny_VQCARW::nGetDataAdr(void** ppAdr) const {
    return _nAdresse(ppAdr, m_abyValeur);
}
int CAny_VQCARW::nFillDataBuffer(void* pBuffer) const {
    return nFillBuffer(pBuffer);
}

void CAny_VQCARW::SetValue(const void* p) {
    if (p == nullptr) return;
    memcpy(m_abyValeur, p, sizeof(wchar_t));
    _Ecrit(wchar_t(0), sizeof(wchar_t));
}

int CAny_VQCARW::nGetPCWSTR(const wchar_t** ppsz) const {
    if (ppsz != nullptr) *ppsz = reinterpret_cast<const wchar_t*>(m_abyValeur);
    return VQERR_OK;
}
int CAny_VQCARW::nGetSTRLEN(unsigned long* pnLongueur) const {
    return _nTaille(pnLongueur, 1);
}

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
