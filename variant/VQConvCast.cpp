// The conversions of CAny that go through the host (__nCastTo, __s_nCastTo, __nCastToString): the
// value's bytes and type code go to the host's conversion function bound in CVQConv, and the
// converted value comes back into the CAny.
#include "variant/Any.h"
#include "variant/VQConv.h"

namespace {

// Where the host writes a converted value: at least a value area, in the layout of the type asked.
struct stZoneConversion {
    alignas(8) unsigned char aby[40] = {};
};

// Types whose converted value the host hands as a pointer to an object or text it made.
bool bResultatPointeur(unsigned short nType) {
    return nType == VQTYPE_DECIMAL || nType == VQTYPE_PSTRA || nType == VQTYPE_PSTRW;
}

}  // namespace

int CAny::__nCastTo(unsigned short nType, const STOCAW* pstOCAW, unsigned int dwFlags) {
    if (nGetTypeCode() == nType) return VQERR_OK;
    stZoneConversion stZone;
    int nResultat = CVQConv::nConversion(pbyGetValeur(), nGetTypeCode(), stZone.aby, nType, dwFlags, pstOCAW);
    if (nResultat > VQERR_DERNIER_SUCCES_HOTE) return nResultat;

    unsigned short nAncienType = nGetType();
    __SetType(nType, 0);
    const void* p = stZone.aby;
    if (bResultatPointeur(nType)) memcpy(&p, stZone.aby, sizeof(p));
    pclGetValeur()->SetValue(p);
    // A NULL value stays NULL through a conversion, and the second flag travels with it.
    ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    SetFlags(nAncienType & (VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400));
    CVQConv::FinConversion(stZone.aby, nType);
    return nResultat;
}

int CAny::__s_nCastTo(void* pDestination, const wchar_t* psz, unsigned short nType, const STOCAW* pstOCAW) {
    // The host reads a wide text as a PSTRW value: a cell holding the text's pointer.
    const wchar_t* pszCellule = psz;
    return CVQConv::nConversion(&pszCellule, VQTYPE_PSTRW, pDestination, nType, 1, pstOCAW);
}

namespace {

// The value's own text pointer, by width.
int nGetTexte(const CAny& clAny, const wchar_t** ppsz) {
    return clAny.pclGetValeur()->nGetPCWSTR(ppsz);
}
int nGetTexte(const CAny& clAny, const char** ppsz) {
    return clAny.pclGetValeur()->nGetPCASTR(ppsz);
}

// The two text forms of __nCastToString: the value's own text when its class gives one, else the
// value converted in place to the shared string type of that width.
template <typename T>
int nCastToString(CAny& clAny, const T** ppsz, const STOCAW* pstOCAW, unsigned short nTypeTexte) {
    const T* psz = nullptr;
    if (nGetTexte(clAny, &psz) == VQERR_OK) {
        if (ppsz != nullptr) *ppsz = psz;
        return VQERR_OK;
    }
    int nResultat = clAny.__nCastTo(nTypeTexte, pstOCAW, 1);
    if (nResultat != VQERR_OK || ppsz == nullptr) return nResultat;
    nGetTexte(clAny, ppsz);
    return VQERR_OK;
}

}  // namespace

int CAny::__nCastToString(const wchar_t** ppsz, const STOCAW* pstOCAW) {
    return nCastToString<wchar_t>(*this, ppsz, pstOCAW, VQTYPE_DSTRW);
}

int CAny::__nCastToString(const char** ppsz, const STOCAW* pstOCAW) {
    return nCastToString<char>(*this, ppsz, pstOCAW, VQTYPE_DSTRA);
}
