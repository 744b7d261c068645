// The byte-sortable keys of the engine's item types (CYFConvertKey): the variant type to item type
// tables, the key sizes and the per-kind writers. tabUCS2FastSort is built in
// YFConvertKeyFastSort.cpp.
#include "variant/YFConvertKey.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <vector>

#include "core/STRCompare.h"
#include "variant/HostAssumptions.h"
#include "variant/Money.h"
#include "variant/NADriverYF.h"
#include "variant/VQConv.h"

namespace {

// Item type of each internal class of variant types.
constexpr int NB_CLASSES = 42;
constexpr int CLASSE_DEFAUT = 5;  // integers of 32 bits, and every type without a class of its own
constexpr std::array<int, NB_CLASSES> s_tabItemType = [] {
    std::array<int, NB_CLASSES> tab{};
    tab.fill(ITEMTYPE_AUCUN);
    const int aItem[] = {
        ITEMTYPE_AUCUN,     ITEMTYPE_BOOLEEN,
        ITEMTYPE_UI1,       ITEMTYPE_UI2,
        ITEMTYPE_UI4,       ITEMTYPE_I4,
        ITEMTYPE_UI8,       ITEMTYPE_I1,
        ITEMTYPE_I2,        ITEMTYPE_I8,
        ITEMTYPE_MONETAIRE, ITEMTYPE_R4,
        ITEMTYPE_R8,        ITEMTYPE_DECIMAL,
        ITEMTYPE_UNICODE,   ITEMTYPE_CARACTERE,
        ITEMTYPE_CHAINE,    ITEMTYPE_DATEHEURE,
        ITEMTYPE_DUREE,     ITEMTYPE_BINAIRE,
        ITEMTYPE_BUFFER,    ITEMTYPE_UNICODE_PSTRW,
    };
    for (size_t i = 0; i < std::size(aItem); i++) tab[i] = aItem[i];
    return tab;
}();

// Internal class of each variant type code from 1 to 129 (index: code - 1).
constexpr int NB_TYPES = 129;
constexpr std::array<unsigned char, NB_TYPES> s_tabClasse = [] {
    std::array<unsigned char, NB_TYPES> tab{};
    tab.fill(CLASSE_DEFAUT);
    struct stType {
        int nCode;
        int nClasse;
    };
    const stType aTypes[] = {
        {1, 1},   {2, 2},   {3, 3},   {4, 4},   {5, 6},   {6, 7},   {7, 8},    {9, 9},    {10, 10},  {11, 11},
        {12, 12}, {13, 13}, {14, 6},  {16, 14}, {17, 15}, {18, 16}, {19, 16},  {21, 16},  {22, 16},  {23, 16},
        {24, 16}, {25, 16}, {26, 17}, {27, 18}, {28, 19}, {29, 20}, {110, 21}, {128, 16}, {129, 16},
    };
    // The unsigned 64-bit type UIX (14) keys like UI8: all 8 bytes, most significant first (as a
    // 32-bit integer it would lose its upper half and sort by the lower one with the sign turned).
    for (const stType& st : aTypes) tab[st.nCode - 1] = static_cast<unsigned char>(st.nClasse);
    return tab;
}();

// Up to 8 bytes of data read as a little-endian number; bytes past the data read as 0.
uint64_t nLitLE(const void* pData, unsigned long nDataSize, unsigned long nTaille) {
    unsigned char aby[8] = {};
    if (pData != nullptr) memcpy(aby, pData, std::min(nDataSize, nTaille));
    uint64_t n = 0;
    for (unsigned long i = 0; i < nTaille; i++) n |= uint64_t(aby[i]) << (8 * i);
    return n;
}

// The low nTaille bytes of n, most significant first, as far as the key holds them.
int nEcritBE(void* pKey, unsigned long nKeySize, uint64_t n, unsigned long nTaille) {
    unsigned long nEcrits = std::min(nKeySize, nTaille);
    auto* pby = static_cast<unsigned char*>(pKey);
    for (unsigned long i = 0; i < nEcrits; i++) pby[i] = static_cast<unsigned char>(n >> (8 * (nTaille - 1 - i)));
    return static_cast<int>(nEcrits);
}

int nCopieCle(void* pKey, unsigned long nKeySize, const unsigned char* pbyCle, unsigned long nTaille) {
    unsigned long nEcrits = std::min(nKeySize, nTaille);
    memcpy(pKey, pbyCle, nEcrits);
    return static_cast<int>(nEcrits);
}

}  // namespace

eITEMTYPE CYFConvertKey::eGetItemType(unsigned short nVariantType) {
    int nClasse = nVariantType >= 1 && nVariantType <= NB_TYPES ? s_tabClasse[nVariantType - 1] : CLASSE_DEFAUT;
    return static_cast<eITEMTYPE>(s_tabItemType[nClasse]);
}

unsigned long CYFConvertKey::nCalculateKeySize(unsigned short nVariantType, unsigned long nDataSize) {
    return nCalculateKeySize(eGetItemType(nVariantType), nDataSize);
}

unsigned long CYFConvertKey::nCalculateKeySize(eITEMTYPE eKind, unsigned long nDataSize) {
    switch (eKind) {
        case ITEMTYPE_CHAINE:
        case ITEMTYPE_CHAINE_BIS:
            return nDataSize + 1;
        case ITEMTYPE_BINAIRE:
            return nDataSize * 2;
        case ITEMTYPE_UNICODE_PSTRW:
        case ITEMTYPE_UNICODE:
            return nDataSize * 2 + 2;
        case ITEMTYPE_DECIMAL:
            return 32;
        default:
            return nDataSize;
    }
}

int CYFConvertKey::__nConvertKey(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize,
                                 eITEMTYPE eKind, unsigned short nOptions, int nDigits, int nDecimals,
                                 unsigned int nCharset, int nFlags) {
    switch (eKind) {
        case ITEMTYPE_BOOLEEN:
        case ITEMTYPE_I1:
            return _I1_to_Key(pKey, nKeySize, pData, nDataSize);
        case ITEMTYPE_UI1:
        case ITEMTYPE_CARACTERE:
            return _UI1_to_Key(pKey, nKeySize, pData, nDataSize);
        case ITEMTYPE_I2:
            return _I2_to_Key(pKey, nKeySize, pData, nDataSize);
        case ITEMTYPE_UI2:
            return _UI2_to_Key(pKey, nKeySize, pData, nDataSize);
        case ITEMTYPE_I4:
            return _I4_to_Key(pKey, nKeySize, pData, nDataSize);
        case ITEMTYPE_UI4:
            return _UI4_to_Key(pKey, nKeySize, pData, nDataSize);
        case ITEMTYPE_I8:
        case ITEMTYPE_DUREE:
            return _I8_to_Key(pKey, nKeySize, pData, nDataSize);
        case ITEMTYPE_UI8:
            return _UI8_to_Key(pKey, nKeySize, pData, nDataSize);
        case ITEMTYPE_R4:
            return _R4_to_Key(pKey, nKeySize, pData, nDataSize);
        case ITEMTYPE_R8:
            return _R8_to_Key(pKey, nKeySize, pData, nDataSize);
        case ITEMTYPE_MONETAIRE:
            return _CY_to_Key(pKey, nKeySize, pData, nDataSize);
        case ITEMTYPE_DATEHEURE:
            return _DateTime_to_Key(pKey, nKeySize, pData, nDataSize);
        case ITEMTYPE_DECIMAL:
            return _Decimal_to_Key(pKey, nKeySize, pData, nDataSize, nDigits, nDecimals);
        case ITEMTYPE_BINAIRE:
            return _nBin_to_Key(pKey, nKeySize, pData, nDataSize);
        case ITEMTYPE_CHAINE:
        case ITEMTYPE_CHAINE_BIS:
            return _nSTR_to_Key(pKey, nKeySize, pData, nDataSize, nOptions, nCharset);
        case ITEMTYPE_UNICODE_PSTRW:
        case ITEMTYPE_UNICODE:
            return _nUNICODE_to_Key(pKey, nKeySize, pData, nDataSize, nOptions, nFlags);
        default:
            return 0;
    }
}

// ------------------------------------------------------------------------------------------------
// Numbers: most significant byte first; signed values with their sign bit inverted so that
// negatives come first.
// ------------------------------------------------------------------------------------------------
int CYFConvertKey::_I1_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize) {
    return nEcritBE(pKey, nKeySize, nLitLE(pData, nDataSize, 1) ^ 0x80, 1);
}
int CYFConvertKey::_UI1_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize) {
    return nEcritBE(pKey, nKeySize, nLitLE(pData, nDataSize, 1), 1);
}
int CYFConvertKey::_I2_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize) {
    return nEcritBE(pKey, nKeySize, nLitLE(pData, nDataSize, 2) ^ 0x8000, 2);  // value + 32768
}
int CYFConvertKey::_UI2_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize) {
    return nEcritBE(pKey, nKeySize, nLitLE(pData, nDataSize, 2), 2);
}
int CYFConvertKey::_I4_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize) {
    return nEcritBE(pKey, nKeySize, nLitLE(pData, nDataSize, 4) ^ 0x80000000u, 4);
}
int CYFConvertKey::_UI4_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize) {
    return nEcritBE(pKey, nKeySize, nLitLE(pData, nDataSize, 4), 4);
}
int CYFConvertKey::_I8_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize) {
    return nEcritBE(pKey, nKeySize, nLitLE(pData, nDataSize, 8) ^ 0x8000000000000000u, 8);
}
int CYFConvertKey::_UI8_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize) {
    return nEcritBE(pKey, nKeySize, nLitLE(pData, nDataSize, 8), 8);
}

// Reals: a negative value has every byte inverted (larger magnitudes come first), a positive one
// only its sign bit set (so it follows every negative).
int CYFConvertKey::__Rx_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize,
                               unsigned long nTaille) {
    uint64_t n = nLitLE(pData, nDataSize, nTaille);
    uint64_t nSigne = uint64_t(1) << (8 * nTaille - 1);
    uint64_t nMasque = nTaille == 8 ? ~uint64_t(0) : (uint64_t(1) << (8 * nTaille)) - 1;
    n = (n & nSigne) != 0 ? ~n & nMasque : n | nSigne;
    return nEcritBE(pKey, nKeySize, n, nTaille);
}
int CYFConvertKey::_R4_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize) {
    return __Rx_to_Key(pKey, nKeySize, pData, nDataSize, 4);
}
int CYFConvertKey::_R8_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize) {
    return __Rx_to_Key(pKey, nKeySize, pData, nDataSize, 8);
}

// Date then milliseconds, each most significant first.
int CYFConvertKey::_DateTime_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize) {
    uint64_t n = nLitLE(pData, nDataSize, 8);
    return nEcritBE(pKey, nKeySize, (n << 32) | (n >> 32), 8);
}

int CYFConvertKey::_CY_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize) {
    CMoney stValeur{};
    if (pData != nullptr) memcpy(&stValeur, pData, std::min<unsigned long>(nDataSize, sizeof(stValeur)));
    unsigned char abyCle[sizeof(CMoney)];
    MonetaireVersCleYF(abyCle, &stValeur);
    return nCopieCle(pKey, nKeySize, abyCle, sizeof(abyCle));
}

int CYFConvertKey::_Decimal_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize,
                                   int nDigits, int nDecimals) {
    IDecimalVQ* piDecimal = CVQConv::s_piNewDecimal();
    if (piDecimal == nullptr) return 0;
    unsigned char abyCle[DECIMALVQ_KEY_SIZE] = {};
    piDecimal->vnSetPrecision(nDigits, nDecimals);
    if (pData != nullptr) piDecimal->vnSetFromBytes(pData, nDataSize);
    piDecimal->vnWriteKey(abyCle);
    CVQConv::s_ReleaseDecimal(piDecimal);
    return nCopieCle(pKey, nKeySize, abyCle, sizeof(abyCle));
}

// ------------------------------------------------------------------------------------------------
// Binary data and texts
// ------------------------------------------------------------------------------------------------
int CYFConvertKey::_nBin_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize) {
    static const char s_szHexa[] = "0123456789abcdef";
    auto* psz = static_cast<char*>(pKey);
    unsigned long nOctets = pData != nullptr ? std::min(nDataSize, nKeySize / 2) : 0;
    const auto* pby = static_cast<const unsigned char*>(pData);
    for (unsigned long i = 0; i < nOctets; i++) {
        psz[2 * i] = s_szHexa[pby[i] >> 4];
        psz[2 * i + 1] = s_szHexa[pby[i] & 15];
    }
    memset(psz + 2 * nOctets, '0', nKeySize - 2 * nOctets);
    return static_cast<int>(2 * nOctets);
}

int CYFConvertKey::_nSTR_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize,
                                unsigned short nOptions, unsigned int nCharset) {
    if (pData == nullptr || nDataSize == 0) return 0;
    auto* pbyKey = static_cast<unsigned char*>(pKey);
    const auto* pbyData = static_cast<const unsigned char*>(pData);
    unsigned int nMode = ((nOptions & YFKEY_OPTION_80) ? 1 : 0) | ((nOptions & YFKEY_OPTION_20) ? 2 : 0) |
                         ((nOptions & YFKEY_OPTION_40) ? 4 : 0);
    int nResultat;
    if (nMode == 0) {
        unsigned long nCopie = std::min(nKeySize, nDataSize);
        memcpy(pbyKey, pbyData, nCopie);
        memset(pbyKey + nCopie, 0, nKeySize - nCopie);
        if (nKeySize > 0) pbyKey[nKeySize - 1] = 0;
        nResultat = static_cast<int>(nCopie);
    } else {
        nResultat = STR_nMapStringEx_Charset(nCharset, nMode, reinterpret_cast<char*>(pbyKey), nKeySize,
                                             reinterpret_cast<const char*>(pbyData), static_cast<long>(nDataSize));
    }
    if (nCharset != 0) {
        // The sort mapping reads the key it rewrites: it is given a copy.
        std::vector<char> tabCopie(pbyKey, pbyKey + nKeySize);
        STR_MapStringSortEx_Charset(nCharset, reinterpret_cast<char*>(pbyKey), nKeySize, tabCopie.data(),
                                    static_cast<long>(nKeySize));
    }
    // A text ending in the end marker 0xFF keeps it at its place in the key, whatever the mapping
    // made of it. A key of fewer than 2 bytes has no such place.
    if (nKeySize >= 2) {
        long i = static_cast<long>(std::min(nDataSize - 1, nKeySize - 2));
        while (i >= 0 && (pbyData[i] == ' ' || pbyData[i] == 0)) i--;
        if (i >= 0 && pbyData[i] == 0xFF) pbyKey[i] = 0xFF;
    }
    return nResultat;
}

int CYFConvertKey::_nUNICODE_to_Key(void* pKey, unsigned long nKeySize, const void* pData, unsigned long nDataSize,
                                    unsigned short nOptions, int nFlags) {
    if (pData == nullptr || nDataSize == 0) return 0;
    auto* pbyKey = static_cast<unsigned char*>(pKey);
    unsigned long nUnites = nKeySize / 2;
    int bWide = (nFlags & YFKEY_FLAG_WCHAR32) != 0;
    bool bCollation =
        (nOptions & (YFKEY_OPTION_20 | YFKEY_OPTION_40)) != 0 ||
        ((nOptions & YFKEY_OPTION_80) != 0 && (nOptions & (YFKEY_OPTION_FASTSORT | YFKEY_OPTION_BIG_ENDIAN)) != 0);
    IYFUnicodeConverter* piConverter = nullptr;
    IYFForNA* piYF = CNADriverYF::s_piGetYF();
    if (bCollation && piYF != nullptr) {
        int b80 =
            (nOptions & YFKEY_OPTION_80) != 0 && (nOptions & (YFKEY_OPTION_FASTSORT | YFKEY_OPTION_BIG_ENDIAN)) != 0;
        piConverter = piYF->vpiGetUnicodeConverter(b80, (nOptions & YFKEY_OPTION_20) != 0, nDataSize, nOptions, bWide);
    }
    int nResultat;
    if (piConverter != nullptr) {
        int nEcrits =
            piConverter->vnConvertKey(pKey, nKeySize, pData, nDataSize, (nOptions & YFKEY_OPTION_40) != 0, bWide);
        nResultat = 2 * nEcrits;
    } else {
        if (!bWide) {
            unsigned long nCopie = std::min(nKeySize, nDataSize);
            memcpy(pbyKey, pData, nCopie);
            memset(pbyKey + nCopie, 0, nKeySize - nCopie);
            nResultat = static_cast<int>(nCopie);
        } else {
            // 32-bit characters to UTF-16 units (pairs above U+FFFF), as many as the key holds.
            const auto* pc = static_cast<const unsigned char*>(pData);
            unsigned long nCaracteres = nDataSize / 4, nEcrits = 0;
            for (unsigned long i = 0; i < nCaracteres; i++) {
                uint32_t c;
                memcpy(&c, pc + 4 * i, 4);
                uint16_t aw[2] = {static_cast<uint16_t>(c), 0};
                unsigned long n = 1;
                if (c > 0xFFFF && c <= 0x10FFFF) {
                    aw[0] = static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10));
                    aw[1] = static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF));
                    n = 2;
                }
                if (nEcrits + n > nUnites) break;
                memcpy(pbyKey + 2 * nEcrits, aw, 2 * n);
                nEcrits += n;
            }
            memset(pbyKey + 2 * nEcrits, 0, nKeySize - 2 * nEcrits);
            nResultat = static_cast<int>(2 * nEcrits);
        }
        if (nUnites > 0) memset(pbyKey + 2 * (nUnites - 1), 0, 2);
        if ((nOptions & (YFKEY_OPTION_FASTSORT | YFKEY_OPTION_BIG_ENDIAN)) == 0) {
            // The units lie in memory least significant byte first, which orders every character
            // above U+00FF wrongly. Each is rewritten most significant byte first, surrogates moved
            // above the rest of the basic plane: comparing the bytes then compares the characters'
            // code points, those above U+FFFF included.
            for (unsigned long i = 0; i < nUnites; i++) {
                uint16_t w;
                memcpy(&w, pbyKey + 2 * i, 2);
                if (w >= 0xD800 && w <= 0xDFFF)
                    w = static_cast<uint16_t>(w + 0x2000);
                else if (w >= 0xE000)
                    w = static_cast<uint16_t>(w - 0x800);
                pbyKey[2 * i] = static_cast<unsigned char>(w >> 8);
                pbyKey[2 * i + 1] = static_cast<unsigned char>(w);
            }
            return nResultat;
        }
    }
    _ReorderUnits(pbyKey, nUnites, nOptions);
    return nResultat;
}

void CYFConvertKey::_ReorderUnits(unsigned char* pbyKey, unsigned long nUnites, unsigned short nOptions) {
    if (nUnites <= 1 || (nOptions & (YFKEY_OPTION_FASTSORT | YFKEY_OPTION_BIG_ENDIAN)) == 0) return;
    const unsigned short* ptab = (nOptions & YFKEY_OPTION_FASTSORT) ? s_ptabUCS2FastSort() : nullptr;
    for (unsigned long i = 0; i + 1 < nUnites; i++) {
        uint16_t w;
        memcpy(&w, pbyKey + 2 * i, 2);
        w = ptab != nullptr ? ptab[w] : static_cast<uint16_t>((w >> 8) | (w << 8));
        memcpy(pbyKey + 2 * i, &w, 2);
    }
}
