// CAny_VQDSTRW: 8-bit and UTF-16 text into the shared wide string of a value.
#include "variant/Any_VQDSTRW.h"

#include <cstring>

namespace {
// Code page -1: the host's current one, as its locale services report it.
constexpr int CP_HOTE = -1;
}  // namespace

void CAny_VQDSTRW::_Convertit(int nCodePage, const char* psz, unsigned long n) {
    int nOctets;
    if (static_cast<int32_t>(n) == -1)
        nOctets = -1;
    else if (n > static_cast<unsigned long>(STRMEM_MAX_UNITS))
        return;  // too long: unchanged
    else
        nOctets = static_cast<int>(n);
    _nModifie([&](CXYString<wchar_t>& cl) { return cl.__nConversion(psz, nOctets, 0, nCodePage, 0); });
}

// The text's own characters: its terminator is not part of the string.
void CAny_VQDSTRW::SetValueFromANSI(const void* p) {
    const char* psz = static_cast<const char*>(p);
    _Convertit(CP_HOTE, psz, psz != nullptr ? strlen(psz) : 0);
}

void CAny_VQDSTRW::SetValueFromANSI(const void* p, unsigned long n) {
    _Convertit(CP_HOTE, static_cast<const char*>(p), n);
}

void CAny_VQDSTRW::SetValueFromANSI_CP(int nCodePage, const void* p) {
    const char* psz = static_cast<const char*>(p);
    _Convertit(nCodePage, psz, psz != nullptr ? strlen(psz) : 0);
}

void CAny_VQDSTRW::SetValueFromANSI_CP(int nCodePage, const void* p, unsigned long n) {
    _Convertit(nCodePage, static_cast<const char*>(p), n);
}

void CAny_VQDSTRW::s_SetFromUTF16(CAny* pclAny, const unsigned short* pwUnites, int n) {
    if (pclAny == nullptr || pclAny->nGetTypeCode() != VQTYPE_DSTRW) return;
    static_cast<CAny_VQDSTRW*>(pclAny->pclGetValeur())->_nModifie([&](CXYString<wchar_t>& cl) {
        return cl.nAffecteUTF16(pwUnites, n);
    });
}
