// CAny_VQCARA: the 8-bit character value.
#include "variant/Any_VQCARA.h"

#include "platform/WinCodePage.h"

void CAny_VQCARA::Duplique(CAny* pclCible) const {
    _Duplique(pclCible, VQTYPE_CARA, m_abyValeur);
}
int CAny_VQCARA::nGetSize(unsigned long* pnTaille) const {
    return _nTaille(pnTaille, 1);
}
int CAny_VQCARA::nGetAdr(void** ppAdr) const {
    return _nAdresse(ppAdr, m_abyValeur);
}
int CAny_VQCARA::nFillBuffer(void* pBuffer) const {
    memcpy(pBuffer, m_abyValeur, 1);
    return VQERR_OK;
}
int CAny_VQCARA::nGetDataSize(unsigned long* pnTaille) const {
    return _nTaille(pnTaille, 1);
}
int CAny_VQCARA::nGetDataAdr(void** ppAdr) const {
    return _nAdresse(ppAdr, m_abyValeur);
}
int CAny_VQCARA::nFillDataBuffer(void* pBuffer) const {
    return nFillBuffer(pBuffer);
}

void CAny_VQCARA::SetValue(const void* p) {
    if (p == nullptr) return;
    memcpy(m_abyValeur, p, 1);
    m_abyValeur[1] = 0;
}

int CAny_VQCARA::nGetPCASTR(const char** ppsz) const {
    if (ppsz != nullptr) *ppsz = reinterpret_cast<const char*>(m_abyValeur);
    return VQERR_OK;
}
int CAny_VQCARA::nGetSTRLEN(unsigned long* pnLongueur) const {
    return _nTaille(pnLongueur, 1);
}

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
