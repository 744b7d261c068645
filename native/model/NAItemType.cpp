// Item types: names, classes, the mappings to and from the language value types, SQL blanks and
// the extreme-value test.
#include "native/model/NAItemType.h"

#include <cfloat>
#include <cstring>

#include "core/BaseStrMem.h"
#include "native/model/NAInterfaces.h"
#include "variant/Any.h"

namespace {

// Indexed by the item type.
const wchar_t* const s_tabpszNom[NA_IT_MAX + 1] = {
    L"NA_IT_EMPTY",       L"NA_IT_IDAUTO",       L"NA_IT_TEXTE",
    L"NA_IT_I2",          L"NA_IT_I1",           L"NA_IT_I4",
    L"NA_IT_R4",          L"NA_IT_R8",           nullptr,
    L"NA_IT_UI2",         L"NA_IT_DATE6",        L"NA_IT_HEURE",
    L"NA_IT_UI1",         L"NA_IT_REELTURBO",    L"NA_IT_DATE8",
    L"NA_IT_MEMOTEXTE",   L"NA_IT_MEMOBINAIRE4", L"NA_IT_MONETAIRE",
    L"NA_IT_MEMOBINAIRE", L"NA_IT_I8",           L"NA_IT_UI8",
    L"NA_IT_IMAGE",       L"NA_IT_UI4",          L"NA_IT_BINAIRE",
    L"NA_IT_DATETIME",    L"NA_IT_TIMELENGHT",   L"NA_IT_CHAR",
    L"NA_IT_BOOLEEN",     L"NA_IT_IDAUTO4",      L"NA_IT_UNICODE",
    L"NA_IT_MEMOUNICODE", L"NA_IT_DECIMAL",
};

// Language type of item types 1..31, indexed by the type minus 1.
const unsigned short s_tabnVQType[NA_IT_MAX] = {
    VQTYPE_I8,        // 1 IDAUTO
    VQTYPE_DSTRA,     // 2 TEXTE
    VQTYPE_I2,        // 3 I2
    VQTYPE_I1,        // 4 I1
    VQTYPE_I4,        // 5 I4
    VQTYPE_R4,        // 6 R4
    VQTYPE_R8,        // 7 R8
    VQTYPE_VIDE,      // 8
    VQTYPE_UI2,       // 9 UI2
    VQTYPE_DATEA,     // 10 DATE6
    VQTYPE_TIMEA,     // 11 HEURE
    VQTYPE_UI1,       // 12 UI1
    VQTYPE_R8,        // 13 REELTURBO
    VQTYPE_DATEA,     // 14 DATE8
    VQTYPE_DSTRA,     // 15 MEMOTEXTE
    VQTYPE_BIN,       // 16 MEMOBINAIRE4
    VQTYPE_CY,        // 17 MONETAIRE
    VQTYPE_BIN,       // 18 MEMOBINAIRE
    VQTYPE_I8,        // 19 I8
    VQTYPE_UI8,       // 20 UI8
    VQTYPE_DSTRA,     // 21 IMAGE
    VQTYPE_UI4,       // 22 UI4
    VQTYPE_BIN,       // 23 BINAIRE
    VQTYPE_DATETIME,  // 24 DATETIME
    VQTYPE_DUREE,     // 25 TIMELENGHT
    VQTYPE_CARA,      // 26 CHAR
    VQTYPE_BOOL,      // 27 BOOLEEN
    VQTYPE_I4,        // 28 IDAUTO4
    VQTYPE_DSTRW,     // 29 UNICODE
    VQTYPE_DSTRW,     // 30 MEMOUNICODE
    VQTYPE_DECIMAL,   // 31 DECIMAL
};

// Item type of language types 1..129, indexed by the language type minus 1 (0 where none).
struct CVQVersItem {
    eNA_ITEMTYPE tab[129] = {};
    constexpr CVQVersItem() {
        auto set = [this](unsigned short nVQ, eNA_ITEMTYPE e) { tab[nVQ - 1] = e; };
        set(1, NA_IT_BOOLEEN);
        set(2, NA_IT_UI1);
        set(3, NA_IT_UI2);
        set(4, NA_IT_UI4);
        set(5, NA_IT_UI8);
        set(6, NA_IT_I1);
        set(7, NA_IT_I2);
        set(8, NA_IT_I4);
        set(9, NA_IT_I8);
        set(10, NA_IT_MONETAIRE);
        set(11, NA_IT_R4);
        set(12, NA_IT_R8);
        set(13, NA_IT_DECIMAL);
        set(14, NA_IT_UI4);
        set(16, NA_IT_MEMOUNICODE);
        set(17, NA_IT_CHAR);
        set(18, NA_IT_TEXTE);
        set(19, NA_IT_MEMOTEXTE);
        set(24, NA_IT_DATE8);
        set(25, NA_IT_HEURE);
        set(26, NA_IT_DATETIME);
        set(27, NA_IT_TIMELENGHT);
        set(28, NA_IT_MEMOBINAIRE);
        set(81, NA_IT_UNICODE);
        set(110, NA_IT_UNICODE);
        set(128, NA_IT_DATE8);
        set(129, NA_IT_HEURE);
    }
};
constexpr CVQVersItem s_clVQVersItem;

// Numeric class, indexed by the item type.
constexpr uint32_t s_dwNumerique = (1u << NA_IT_IDAUTO) | (1u << NA_IT_I2) | (1u << NA_IT_I1) | (1u << NA_IT_I4) |
                                   (1u << NA_IT_R4) | (1u << NA_IT_R8) | (1u << NA_IT_UI2) | (1u << NA_IT_UI1) |
                                   (1u << NA_IT_REELTURBO) | (1u << NA_IT_MONETAIRE) | (1u << NA_IT_I8) |
                                   (1u << NA_IT_UI8) | (1u << NA_IT_UI4) | (1u << NA_IT_TIMELENGHT) |
                                   (1u << NA_IT_BOOLEEN) | (1u << NA_IT_IDAUTO4) | (1u << NA_IT_DECIMAL);

// The largest date-time or duration: 9999-12-29 and later at the last millisecond of the day.
constexpr uint64_t DATETIME_MAX = 0x5265BFF270F0C1DULL;

template <typename T>
T tLit(const CAny* pcl) {
    T t;
    memcpy(&t, pcl->pbyGetValeur(), sizeof(T));
    return t;
}

template <typename T>
eNA_CHECKVALUE eBornes(T t, T tMin, T tMax) {
    if (t == tMin) return NA_CHECKVALUE_MIN;
    if (t == tMax) return NA_CHECKVALUE_MAX;
    return NA_CHECKVALUE_NONE;
}

// A text whose last character is the largest of its width stands for the last value.
template <typename T>
eNA_CHECKVALUE eDernierCaractere(const T* psz, T cMax) {
    if (psz == nullptr || psz[0] == 0) return NA_CHECKVALUE_NONE;
    size_t n = 0;
    while (psz[n] != 0) n++;
    return psz[n - 1] == cMax ? NA_CHECKVALUE_MAX : NA_CHECKVALUE_NONE;
}

}  // namespace

const wchar_t* g_pszGetNAItemTypeName(eNA_ITEMTYPE eType) {
    if (eType > NA_IT_MAX || s_tabpszNom[eType] == nullptr) return L"Type inconnu";
    return s_tabpszNom[eType];
}

unsigned short ConverteItemToVQType(eNA_ITEMTYPE eType, int) {
    if (eType < 1 || eType > NA_IT_MAX) return VQTYPE_VIDE;
    return s_tabnVQType[eType - 1];
}

unsigned short ConverteItemToVQType(const INAItemDescription* piItem) {
    eNA_ITEMTYPE eType = piItem->eNAGetItemType();
    return ConverteItemToVQType(eType, static_cast<int>(piItem->nGetItemSize()));
}

eNA_ITEMTYPE ConvertVQTypeToeItem(unsigned short nVQType) {
    if (nVQType < 1 || nVQType > 129) return NA_IT_EMPTY;
    return s_clVQVersItem.tab[nVQType - 1];
}

bool bIsTextAnsi(eNA_ITEMTYPE eType) {
    return eType == NA_IT_TEXTE || eType == NA_IT_MEMOTEXTE;
}

bool bIsTextUnicode(eNA_ITEMTYPE eType) {
    return eType == NA_IT_UNICODE || eType == NA_IT_MEMOUNICODE;
}

bool bIsTextAW(eNA_ITEMTYPE eType) {
    return bIsTextAnsi(eType) || bIsTextUnicode(eType);
}

bool g_bIsNumerical(eNA_ITEMTYPE eType) {
    return eType <= NA_IT_MAX && (s_dwNumerique >> eType & 1) != 0;
}

bool g_bIsIdAuto(eNA_ITEMTYPE eType) {
    return eType == NA_IT_IDAUTO || eType == NA_IT_IDAUTO4;
}

bool s_bEspaceSQL(wchar_t c) {
    return c == L'\t' || c == L'\n' || c == L'\r' || c == L' ';
}

eNA_CHECKVALUE eCheckValue(CAny* pclValue) {
    if (pclValue == nullptr || pclValue->bIsNull()) return NA_CHECKVALUE_NONE;
    const CAny_Intern* pclObjet = pclValue->pclGetValeur();
    switch (pclValue->nGetTypeCode()) {
        case VQTYPE_UI1:
            return eBornes<uint8_t>(tLit<uint8_t>(pclValue), 0, UINT8_MAX);
        case VQTYPE_UI2:
            return eBornes<uint16_t>(tLit<uint16_t>(pclValue), 0, UINT16_MAX);
        case VQTYPE_UI4:
            return eBornes<uint32_t>(tLit<uint32_t>(pclValue), 0, UINT32_MAX);
        case VQTYPE_UIX:  // held on 8 bytes, bounded as a 4-byte value
            return eBornes<uint64_t>(tLit<uint64_t>(pclValue), 0, UINT32_MAX);
        case VQTYPE_UI8:
            return eBornes<uint64_t>(tLit<uint64_t>(pclValue), 0, UINT64_MAX);
        case VQTYPE_I1:
            return eBornes<int8_t>(tLit<int8_t>(pclValue), INT8_MIN, INT8_MAX);
        case VQTYPE_I2:
            return eBornes<int16_t>(tLit<int16_t>(pclValue), INT16_MIN, INT16_MAX);
        case VQTYPE_I4:
            return eBornes<int32_t>(tLit<int32_t>(pclValue), INT32_MIN, INT32_MAX);
        case VQTYPE_I8:
            return eBornes<int64_t>(tLit<int64_t>(pclValue), INT64_MIN, INT64_MAX);
        case VQTYPE_R4:
            return eBornes<float>(tLit<float>(pclValue), -FLT_MAX, FLT_MAX);  // NaN equals neither
        case VQTYPE_R8:
            return eBornes<double>(tLit<double>(pclValue), -DBL_MAX, DBL_MAX);
        case VQTYPE_DECIMAL:
            // The decimal's own bounds are operations of the host's decimal object whose places in
            // its interface are not fixed yet: a decimal bound is read as an ordinary value.
            return NA_CHECKVALUE_NONE;
        case VQTYPE_DSTRW:
        case VQTYPE_DSTRA: {
            void* pBuffer = tLit<void*>(pclValue);
            if (pBuffer == nullptr || CBaseStrMem::s_pstGetHeader(pBuffer)->nLength == 0) return NA_CHECKVALUE_NONE;
            return (CBaseStrMem::s_pstGetHeader(pBuffer)->dwFlags & STRMEM_FLAG_MARQUEUR_FIN) != 0 ? NA_CHECKVALUE_MAX
                                                                                                   : NA_CHECKVALUE_NONE;
        }
        case VQTYPE_CARA:
            return tLit<uint8_t>(pclValue) == 255 ? NA_CHECKVALUE_MAX : NA_CHECKVALUE_NONE;
        case VQTYPE_CARW:
            return tLit<uint32_t>(pclValue) == 0xFFFFFFFFu ? NA_CHECKVALUE_MAX : NA_CHECKVALUE_NONE;
        case VQTYPE_PSTRA:
        case VQTYPE_DATEA:
        case VQTYPE_TIMEA: {
            const char* psz = nullptr;
            if (pclObjet->nGetPCASTR(&psz) != VQERR_OK) return NA_CHECKVALUE_NONE;
            return eDernierCaractere<char>(psz, static_cast<char>(255));
        }
        case VQTYPE_DATEW:
        case VQTYPE_TIMEW:
        case VQTYPE_PSTRW: {
            const wchar_t* psz = nullptr;
            if (pclObjet->nGetPCWSTR(&psz) != VQERR_OK) return NA_CHECKVALUE_NONE;
            return eDernierCaractere<wchar_t>(psz, static_cast<wchar_t>(0xFFFFFFFFu));
        }
        case VQTYPE_DATETIME:
        case VQTYPE_DUREE: {
            uint64_t n = tLit<uint64_t>(pclValue);
            if (n == 0) return NA_CHECKVALUE_MIN;
            return n > DATETIME_MAX ? NA_CHECKVALUE_MAX : NA_CHECKVALUE_NONE;
        }
        default:
            return NA_CHECKVALUE_NONE;
    }
}
