// CAny_VQPSTRW: 8-bit and UTF-16 text into the owned wide C string of a value.
#include "variant/Any_VQPSTRW.h"

#include <climits>
#include <cstdlib>

#include "core/STRUtil.h"
#include "core/UnicodeToolkit.h"

void CAny_VQPSTRW::_Convertit(int nCodePage, const char* psz, unsigned long n) {
    __DeleteStr();
    if (psz == nullptr || n == 0) return;
    const int nOctets = n > static_cast<unsigned long>(INT_MAX) ? INT_MAX : static_cast<int>(n);
    _SetPointeur(pszCSTR2XSTR(psz, nOctets, nCodePage));
}

void CAny_VQPSTRW::SetValueFromANSI(const void* p) {
    const char* psz = static_cast<const char*>(p);
    _Convertit(1252, psz, psz != nullptr ? strlen(psz) : 0);
}

void CAny_VQPSTRW::SetValueFromANSI(const void* p, unsigned long n) {
    _Convertit(1252, static_cast<const char*>(p), n);
}

void CAny_VQPSTRW::SetValueFromANSI_CP(int nCodePage, const void* p) {
    const char* psz = static_cast<const char*>(p);
    _Convertit(nCodePage, psz, psz != nullptr ? strlen(psz) : 0);
}

void CAny_VQPSTRW::SetValueFromANSI_CP(int nCodePage, const void* p, unsigned long n) {
    _Convertit(nCodePage, static_cast<const char*>(p), n);
}

void CAny_VQPSTRW::s_SetFromUTF16(CAny* pclAny, const unsigned short* pwUnites, int n) {
    if (pclAny == nullptr || pclAny->nGetTypeCode() != VQTYPE_PSTRW || pwUnites == nullptr || n <= 0) return;
    CAny_VQPSTRW* pcl = static_cast<CAny_VQPSTRW*>(pclAny->pclGetValeur());
    const int m = UTF16ToWideChar(pwUnites, n, nullptr, 0);
    wchar_t* psz = STR_pszCreateW(static_cast<unsigned long>(m > 0 ? m : 0));
    if (psz == nullptr) return;
    const int nEcrits = m > 0 ? UTF16ToWideChar(pwUnites, n, psz, m) : 0;
    psz[nEcrits > 0 ? nEcrits : 0] = 0;
    // A string held so far would be lost: it goes first.
    pcl->__DeleteStr();
    pcl->_SetPointeur(psz);
}
