// The sortable key of a variant value (CConvertKey): casting to the column's type, the data of the
// value as the key writers want it, the key's allocation and its inversion.
#include "variant/ConvertKey.h"

#include <cstdlib>
#include <cstring>

#include "variant/VMInterfaces.h"
#include "variant/YFConvertKey.h"

int CConvertKey::nConvertKeyAndGetSize(CAny* pclValeur, unsigned char* pbyKey, unsigned long nKeySize,
                                       unsigned short nType, unsigned short nOptions, int nDigits, int nDecimals) {
    if (pbyKey == nullptr) return 0;
    return _nConvertKeyAndGetSize(pclValeur, &pbyKey, nKeySize, nType, nOptions, nDigits, nDecimals);
}

int CConvertKey::nConvertKeyAndGetSize(CAny* pclValeur, unsigned char** ppbyKey, unsigned short nType,
                                       unsigned short nOptions, int nDigits, int nDecimals) {
    *ppbyKey = nullptr;
    return _nConvertKeyAndGetSize(pclValeur, ppbyKey, 0, nType, nOptions, nDigits, nDecimals);
}

int CConvertKey::_nConvertKeyAndGetSize(CAny* pclValeur, unsigned char** ppbyKey, unsigned long nKeySize,
                                        unsigned short nType, unsigned short nOptions, int nDigits, int nDecimals) {
    // NULL and empty values key as an empty wide string, and become one.
    if (pclValeur->bIsNull() || pclValeur->nGetTypeCode() == VQTYPE_VIDE) {
        pclValeur->__SetType(VQTYPE_PSTRW, 0);
        pclValeur->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    }
    if (nType == 0) nType = pclValeur->nGetTypeCode();

    CAny clCopie(*pclValeur);
    bool bConverti = clCopie.__nCastTo(nType, nullptr, 0) <= VQERR_DERNIER_SUCCES_HOTE;

    const void* pData = nullptr;
    unsigned long nDataSize = 0;
    const CAny_Intern* pclObjet = clCopie.pclGetValeur();
    if (!bConverti) {
        // Bytes of another type would be read as this one's: no data, the key stays zeros.
    } else if (nType == VQTYPE_DECIMAL) {
        IDecimalVQ* piDecimal = nullptr;
        memcpy(&piDecimal, clCopie.pbyGetValeur(), sizeof(piDecimal));
        const unsigned char* pby = nullptr;
        if (piDecimal != nullptr) {
            piDecimal->vnSetPrecision(nDigits + nDecimals, nDecimals);
            piDecimal->vnGetBytes(&pby, &nDataSize);
        }
        pData = pby;
    } else {
        void* p = nullptr;
        if (pclObjet->nGetDataAdr(&p) == VQERR_OK) {
            pData = p;
            pclObjet->nGetUtilDataSize(&nDataSize);
            switch (nType) {
                case VQTYPE_PSTRA:
                case VQTYPE_DSTRA:
                    nDataSize += 1;
                    break;  // with the terminator
                case VQTYPE_DSTRW:
                case VQTYPE_PSTRW:
                    nDataSize += sizeof(wchar_t);
                    break;
                case VQTYPE_BOOL:
                    nDataSize = 1;
                    break;
                default:
                    break;
            }
        }
    }

    if (*ppbyKey == nullptr) {
        nKeySize = CYFConvertKey::nCalculateKeySize(nType, nDataSize);
        *ppbyKey = static_cast<unsigned char*>(malloc(nKeySize > 0 ? nKeySize : 1));
        if (*ppbyKey == nullptr) return 0;
    }
    // A key with nothing written in it (no data, no key for the type) is zeros.
    memset(*ppbyKey, 0, nKeySize);
    int nResultat = 0;
    // The wide texts' data are 32-bit characters, and say so: read as 16-bit units, each character
    // would key as two, its low half first.
    if (bConverti) {
        const int nFlags = nType == VQTYPE_DSTRW || nType == VQTYPE_PSTRW ? YFKEY_FLAG_WCHAR32 : 0;
        nResultat =
            CYFConvertKey::__nConvertKey(*ppbyKey, nKeySize, pData, nDataSize, CYFConvertKey::eGetItemType(nType),
                                         nOptions, nDigits + nDecimals, nDecimals, 0, nFlags);
    }
    if (nOptions & YFKEY_OPTION_DESCENDANT) __InvertKey(*ppbyKey, nKeySize);
    return nResultat;
}

void CConvertKey::__InvertKey(unsigned char* pbyKey, unsigned long nSize) {
    unsigned long i = 0;
    for (; i + sizeof(uint64_t) <= nSize; i += sizeof(uint64_t)) {
        uint64_t n;
        memcpy(&n, pbyKey + i, sizeof(n));
        n = ~n;
        memcpy(pbyKey + i, &n, sizeof(n));
    }
    for (; i < nSize; i++) pbyKey[i] = static_cast<unsigned char>(~pbyKey[i]);
}
