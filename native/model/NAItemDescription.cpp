// Item description: counts, initialisation, sizes, keys, components, type changes, completion from
// the host's item, type fitness, clone, and the static type functions.
#include "native/model/NAItemDescription.h"

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/model/NADataSourceDescription.h"
#include "native/sql/SQLParserInterfaces.h"

namespace {

// Bytes of a decimal value by precision 0..38 (the host's decimal layout).
constexpr unsigned char s_abyDecimalSize[39] = {0,  1,  1,  2,  2,  3,  3,  4,  4,  4,  5,  5,  6,
                                                6,  6,  7,  7,  8,  8,  9,  9,  9,  10, 10, 11, 11,
                                                11, 12, 12, 13, 13, 13, 14, 14, 15, 15, 16, 16, 16};

// Integer-like item types, which fit values whose language type has no more digits.
bool bEntierLike(eNA_ITEMTYPE e) {
    switch (e) {
        case NA_IT_IDAUTO:
        case NA_IT_I2:
        case NA_IT_I1:
        case NA_IT_I4:
        case NA_IT_UI2:
        case NA_IT_UI1:
        case NA_IT_MONETAIRE:
        case NA_IT_I8:
        case NA_IT_UI8:
        case NA_IT_UI4:
        case NA_IT_TIMELENGHT:
        case NA_IT_IDAUTO4:
            return true;
        default:
            return false;
    }
}

}  // namespace

CNAItemDescription::CNAItemDescription() : m_tabComponents(30, 30) {}

CNAItemDescription::~CNAItemDescription() {
    for (int i = m_tabComponents.nGetNbElement() - 1; i >= 0; i--) m_tabComponents[i]->nRelease();
}

// ------------------------------------------------------------------------------------------------
// Counts
// ------------------------------------------------------------------------------------------------

void CNAItemDescription::ExternalAddRef() {
    m_nExternalRef++;
}

unsigned CNAItemDescription::nExternalRelease() {
    if (m_nExternalRef == 0) return 0;
    unsigned n = --m_nExternalRef;
    if (n == 0) _DeleteIfUnused();
    return n;
}

unsigned CNAItemDescription::nRelease() {
    if (m_nRef == 0) return 0;
    unsigned n = --m_nRef;
    if (n == 0) _DeleteIfUnused();
    return n;
}

void CNAItemDescription::_DeleteIfUnused() {
    if (m_nRef == 0 && m_nExternalRef == 0) delete this;
}

// ------------------------------------------------------------------------------------------------
// Interface answers
// ------------------------------------------------------------------------------------------------

unsigned CNAItemDescription::nGetLogicalSize(int n) const {
    const unsigned nDimension = n == -1 ? m_nDimension : 1;
    switch (m_eItemType) {
        case NA_IT_TEXTE:
            return m_nItemSize >= 1 ? (m_nItemSize - 1) * nDimension : 0;
        case NA_IT_UNICODE:
            return m_nItemSize >= 2 ? (m_nItemSize - 2) * nDimension / 2 : 0;
        case NA_IT_BINAIRE:
            if (!bIsComposedKey()) return m_nItemSize >= 2 ? (m_nItemSize - 2) * nDimension : 0;
            return m_nItemSize * nDimension;
        default:
            return m_nItemSize * nDimension;
    }
}

int CNAItemDescription::bGetAscendant(int nComponent) const {
    if (!bIsKey()) return 0;
    return !bGetDescendant(nComponent);
}

INAItemDescription* CNAItemDescription::piGetItemComponent(int n) const {
    CNAItemDescription* pcl = pclGetComponentNoRef(n - 1);
    if (pcl != nullptr) pcl->ExternalAddRef();
    return pcl;
}

CNAItemDescription* CNAItemDescription::pclGetComponentNoRef(int n) const {
    if (n < 0 || n >= m_tabComponents.nGetNbElement()) return nullptr;
    return m_tabComponents.GetAt(n);
}

void CNAItemDescription::SetUpdatable(int bUpdatable) {
    if (bUpdatable)
        m_dwItemFlags &= ~NA_ITEM_NOTUPDATABLE;
    else
        m_dwItemFlags |= NA_ITEM_NOTUPDATABLE;
}

// ------------------------------------------------------------------------------------------------
// Initialisation and setters
// ------------------------------------------------------------------------------------------------

bool CNAItemDescription::bInit(const wchar_t* pszName, const wchar_t* pszSourceName, const wchar_t* pszNameInSource,
                               unsigned nDimension, unsigned nSize, eNA_ITEMTYPE eType, unsigned nPhysicalIndice,
                               int nKeyIndice, unsigned short wKeyFlags, int nIntegerDigits, int nDecimalDigits) {
    if (eType == NA_IT_EMPTY) {
        eType = NA_IT_TEXTE;
        nSize = 1;
    }
    m_clName.Set(pszName);
    m_clSourceName.Set(pszSourceName);
    m_clNameInSource.Set(pszNameInSource);
    m_nDimension = nDimension;
    m_nItemSize = nSize;
    m_eItemType = eType;
    m_nKeyIndice = nKeyIndice;
    m_wKeyFlags = wKeyFlags;
    m_nPhysicalIndice = static_cast<int32_t>(nPhysicalIndice);
    if (eType == NA_IT_DECIMAL) {
        eNA_ITEMTYPE eFormat;
        unsigned nFormatSize;
        s_GetTypeFromFormat(nIntegerDigits, nDecimalDigits, &eFormat, &nFormatSize);
        if (eFormat == NA_IT_R8) {
            m_eItemType = NA_IT_R8;
            m_nItemSize = nFormatSize;
        } else {
            m_nIntegerPart = static_cast<uint32_t>(nIntegerDigits);
            m_nDecimalPart = static_cast<uint32_t>(nDecimalDigits);
        }
    }
    if (m_eItemType == NA_IT_DATETIME || m_eItemType == NA_IT_HEURE)
        m_nDecimalPart = static_cast<uint32_t>(nDecimalDigits);
    if (g_bIsMemo(m_eItemType)) m_nItemSize = 8;
    if (g_bIsIdAuto(m_eItemType)) m_dwItemFlags = NA_ITEM_AUTOINCREMENT | NA_ITEM_NOTNULL;
    m_clDefaultValue.__SetType(eGetItemVQType(), 0);
    m_clDefaultValue.SetNull(1);
    return true;
}

bool CNAItemDescription::bSetName(const wchar_t* pszName) {
    m_clName.Set(pszName);
    return true;
}

bool CNAItemDescription::bSetKey(int nKeyIndice, unsigned short wKeyFlags) {
    m_nKeyIndice = nKeyIndice;
    m_wKeyFlags = wKeyFlags;
    return true;
}

bool CNAItemDescription::bSetKeyIndice(int nKeyIndice) {
    m_nKeyIndice = nKeyIndice;
    return true;
}

void CNAItemDescription::SetSensTri(eSENSTRI eSens) {
    if (eSens == SENSTRI_ASCENDANT) {
        m_wKeyFlags = static_cast<uint16_t>((m_wKeyFlags | NA_KEY_ASCENDANT) & ~NA_KEY_DESCENDANT);
    } else {
        m_wKeyFlags = static_cast<uint16_t>((m_wKeyFlags | NA_KEY_DESCENDANT) & ~NA_KEY_ASCENDANT);
    }
}

void CNAItemDescription::SetIgnoreCase(int bIgnore) {
    if (bIgnore)
        m_wKeyFlags |= NA_KEY_IGNORECASE;
    else
        m_wKeyFlags = static_cast<uint16_t>(m_wKeyFlags & ~NA_KEY_IGNORECASE);
}

void CNAItemDescription::SetNullable(int bNullable) {
    if (bNullable)
        m_dwItemFlags &= ~NA_ITEM_NOTNULL;
    else
        m_dwItemFlags |= NA_ITEM_NOTNULL;
}

void CNAItemDescription::SetAutoIncrement() {
    m_dwItemFlags |= NA_ITEM_AUTOINCREMENT;
    if (m_eItemType == NA_IT_I8 || m_eItemType == NA_IT_UI8)
        m_eItemType = NA_IT_IDAUTO;
    else if (m_eItemType == NA_IT_I4 || m_eItemType == NA_IT_UI4)
        m_eItemType = NA_IT_IDAUTO4;
}

void CNAItemDescription::SetDBType(const wchar_t* pszText, unsigned nCode) {
    m_clDBType.Set(pszText);
    m_nDBTypeCode = nCode;
}

void CNAItemDescription::SetRecordPosition(int nOffset, int nSubItemRecordIndice) {
    m_nOffset = nOffset;
    m_nSubItemRecordIndice = nSubItemRecordIndice;
}

void CNAItemDescription::SetDefaultValue(const CAny* pclValue, int) {
    if (pclValue != &m_clDefaultValue) {
        if (pclValue == nullptr) {
            m_clDefaultValue.__SetType(eGetItemVQType(), 0);
            m_clDefaultValue.SetNull(1);
            return;
        }
        m_clDefaultValue = *pclValue;
    }
    const unsigned short nType = eGetItemVQType();
    if (m_clDefaultValue.nGetTypeCode() != nType) m_clDefaultValue.__nCastTo(nType, nullptr, 1);
}

void CNAItemDescription::_RetypeDefaultValue() {
    const unsigned short nType = eGetItemVQType();
    if (m_clDefaultValue.nGetTypeCode() == nType) return;
    if (m_clDefaultValue.__nCastTo(nType, nullptr, 1) > VQERR_DERNIER_SUCCES_HOTE) {
        const int bNull = m_clDefaultValue.bIsNull();
        m_clDefaultValue.__SetType(nType, 0);
        m_clDefaultValue.SetNull(bNull);
    }
}

// ------------------------------------------------------------------------------------------------
// Components, type changes, completion
// ------------------------------------------------------------------------------------------------

bool CNAItemDescription::bAddComponent(CNAItemDescription* pclItem) {
    if (pclItem == nullptr) return false;
    const int n = m_tabComponents.nGetNbElement();
    m_tabComponents.Ajoute(pclItem);
    if (m_tabComponents.nGetNbElement() == n) return false;
    pclItem->AddRef();
    if (bIsComposedKey()) {
        unsigned nTaille = pclItem->nGetLogicalSize(-1);
        if (pclItem->eNAGetItemType() == NA_IT_UNICODE) nTaille *= 2;
        m_nItemSize += nTaille;
    }
    return true;
}

bool CNAItemDescription::bChangeType(INAItemDescription* piOther, int bKeepAutoId) {
    m_nDimension = piOther->nGetDimension();
    m_nItemSize = piOther->nGetItemSize();
    m_eItemType = piOther->eNAGetItemType();
    m_clDBType.Set(piOther->pszGetDBType());
    m_nDBTypeCode = 0;
    if (!bKeepAutoId) {
        if (m_eItemType == NA_IT_IDAUTO)
            m_eItemType = NA_IT_I8;
        else if (m_eItemType == NA_IT_IDAUTO4)
            m_eItemType = NA_IT_I4;
    }
    if (m_eItemType == NA_IT_DECIMAL) {
        m_nIntegerPart = piOther->nGetIntegerPart();
        m_nDecimalPart = piOther->nGetDecimalPart();
    } else if (m_eItemType == NA_IT_HEURE || m_eItemType == NA_IT_DATETIME) {
        m_nIntegerPart = 0;
        m_nDecimalPart = piOther->nGetDecimalPart();
    } else {
        m_nIntegerPart = 0;
        m_nDecimalPart = 0;
    }
    _RetypeDefaultValue();
    return true;
}

bool CNAItemDescription::bChangeType(CNAItemDescription* pclOther, int bKeepAutoId) {
    bChangeType(static_cast<INAItemDescription*>(pclOther), bKeepAutoId);
    m_nDBTypeCode = pclOther->m_nDBTypeCode;
    return true;
}

bool CNAItemDescription::bChangeTypeMemo(eNA_ITEMTYPE eType) {
    m_eItemType = eType;
    _RetypeDefaultValue();
    return true;
}

bool CNAItemDescription::bCompleteDescription(INAItemDescription* piOther, int bUnique, unsigned nKeyIndice) {
    bChangeType(piOther, bUnique);
    m_clExtendedInfo.Set(piOther->pszGetExtendedInfo());
    m_clCaption.Set(piOther->pszGetCaption());
    if (piOther->bIsKey()) {
        uint16_t w = 0;
        if (piOther->bGetAscendant(-1)) w |= NA_KEY_ASCENDANT;
        if (piOther->bGetDescendant(-1)) w |= NA_KEY_DESCENDANT;
        if (piOther->bGetIgnoreCase(-1)) w |= NA_KEY_IGNORECASE;
        if (piOther->bGetIgnorePunctuation(-1)) w |= NA_KEY_IGNOREPUNCTUATION;
        if (piOther->bGetIgnoreAccent(-1)) w |= NA_KEY_IGNOREACCENT;
        if (!bUnique) {
            w |= NA_KEY_DUPLICATES;
        } else {
            w |= piOther->bUnique() ? NA_KEY_UNIQUE : NA_KEY_DUPLICATES;
            if (piOther->bPrimary()) w |= NA_KEY_PRIMARY;
        }
        m_wKeyFlags = w;
        m_nKeyIndice = static_cast<int32_t>(nKeyIndice);
    } else {
        // The host's item is no key: neither is this one any more, so that it can leave the key list.
        m_wKeyFlags = static_cast<uint16_t>(m_wKeyFlags & ~NA_KEY_KINDS);
        m_nKeyIndice = -1;
    }
    m_clNameInSource.Set(piOther->pszGetNameInSource());
    m_clSourceName.Set(piOther->pszGetSourceName());
    return true;
}

bool CNAItemDescription::bCompleteDescriptionCalcul(IInfoRubrique* piItem) {
    // Host engine codes of a value and operator kinds of an expression that matter here.
    constexpr int YF_NONE = 0, YF_MEMOTEXT = 29, YF_MEMOBINARY = 30, YF_MEMOUNICODE = 40, YF_UNDEFINED = 41;
    constexpr int OP_TEXTFUNCTION_FIRST = 95, OP_TEXTFUNCTION_LAST = 96;
    if (piItem == nullptr) return true;
    m_clNameInSource.Set(m_clName.pszGet());
    m_clSourceName.Vide();
    m_nCalculatedItemCode = static_cast<uint32_t>(piItem->bCalcule());
    IExpOpExpression* piExpression = piItem->piGetExpression();
    if (piExpression == nullptr) return true;
    const int nCode = piExpression->nGetTypeMoteur();
    if (nCode == YF_NONE || nCode == YF_UNDEFINED) return true;
    const int eOperator = piExpression->eGetOperateur();
    if (eOperator >= OP_TEXTFUNCTION_FIRST && eOperator <= OP_TEXTFUNCTION_LAST) {
        if (m_eItemType == NA_IT_UNICODE) {
            m_eItemType = NA_IT_TEXTE;
            m_nItemSize /= 2;
        } else if (m_eItemType == NA_IT_MEMOUNICODE) {
            m_eItemType = NA_IT_MEMOTEXTE;
        }
        if (m_clDefaultValue.__nCastTo(VQTYPE_PSTRW, nullptr, 1) > VQERR_DERNIER_SUCCES_HOTE) {
            const int bNull = m_clDefaultValue.bIsNull();
            m_clDefaultValue.__SetType(VQTYPE_PSTRW, 0);
            m_clDefaultValue.SetNull(bNull);
        }
        return true;
    }
    // A memo expression keeps an item that already holds its values inline.
    if ((nCode == YF_MEMOTEXT && m_eItemType == NA_IT_TEXTE) || (nCode == YF_MEMOUNICODE && m_eItemType == NA_IT_UNICODE) ||
        (nCode == YF_MEMOBINARY && m_eItemType == NA_IT_BINAIRE))
        return true;
    if (nCode == YF_MEMOTEXT || nCode == YF_MEMOUNICODE || nCode == YF_MEMOBINARY)
        m_nItemSize = 8;
    else
        m_nItemSize = static_cast<uint32_t>(piExpression->nGetTaille());
    const eNA_ITEMTYPE eType = CNADataSourceDescription::g_eGetNAItemType(static_cast<unsigned>(nCode));
    if (m_eItemType == NA_IT_DECIMAL && eType != NA_IT_DECIMAL) {
        m_nIntegerPart = 0;
        m_nDecimalPart = 0;
    }
    m_eItemType = eType;
    _RetypeDefaultValue();
    return true;
}

bool CNAItemDescription::bTypeMatch(const INAItemDescription* piOther, int bFoldUnicode, int bLooseDates) const {
    eNA_ITEMTYPE eThis = m_eItemType;
    unsigned nThisSize = m_nItemSize;
    eNA_ITEMTYPE eOther = piOther->eNAGetItemType();
    unsigned nOtherSize = piOther->nGetItemSize();
    if (bFoldUnicode) {
        s_Type2Ansi(&eThis, &nThisSize);
        s_Type2Ansi(&eOther, &nOtherSize);
    }
    if (eThis == eOther) {
        switch (eThis) {
            case NA_IT_TEXTE:
            case NA_IT_HEURE:
            case NA_IT_BINAIRE:
            case NA_IT_UNICODE:
                return nOtherSize <= nThisSize;
            case NA_IT_DECIMAL:
                return piOther->nGetDecimalPart() <= m_nDecimalPart && piOther->nGetIntegerPart() <= m_nIntegerPart;
            case NA_IT_DATETIME:
                return bLooseDates || piOther->nGetDecimalPart() <= m_nDecimalPart;
            default:
                return true;
        }
    }
    const unsigned short nOtherVQ = ConverteItemToVQType(eOther, 0);
    int nOtherDigits, nOtherDecimals;
    if (bEntierLike(eThis)) {
        int nDigits, nDecimals;
        if (!s_bGetDecimalInfo(ConverteItemToVQType(eThis, 0), &nDigits, &nDecimals)) return false;
        if (!s_bGetDecimalInfo(nOtherVQ, &nOtherDigits, &nOtherDecimals)) return false;
        return nOtherDigits <= nDigits && nOtherDecimals <= nDecimals;
    }
    switch (eThis) {
        case NA_IT_R8:
            return eOther == NA_IT_R4;
        case NA_IT_DATE6:
        case NA_IT_HEURE:
            return eOther == NA_IT_DATETIME && bLooseDates;
        case NA_IT_DATE8:
            return eOther == NA_IT_DATE6 || (eOther == NA_IT_DATETIME && bLooseDates);
        case NA_IT_MEMOTEXTE:
            return eOther == NA_IT_IMAGE || eOther == NA_IT_TEXTE;
        case NA_IT_MEMOBINAIRE4:
        case NA_IT_MEMOBINAIRE:
            return eOther == NA_IT_BINAIRE;
        case NA_IT_DATETIME:
            return eOther == NA_IT_DATE6 || eOther == NA_IT_HEURE || eOther == NA_IT_DATE8;
        case NA_IT_UNICODE:
            return eOther == NA_IT_TEXTE && nOtherSize <= 2 * nThisSize;
        case NA_IT_MEMOUNICODE:
            return eOther == NA_IT_TEXTE || eOther == NA_IT_MEMOTEXTE || eOther == NA_IT_IMAGE ||
                   eOther == NA_IT_UNICODE;
        case NA_IT_DECIMAL:
            if (!s_bGetDecimalInfo(nOtherVQ, &nOtherDigits, &nOtherDecimals)) return false;
            return static_cast<unsigned>(nOtherDigits) <= m_nIntegerPart + m_nDecimalPart &&
                   static_cast<unsigned>(nOtherDecimals) <= m_nDecimalPart;
        default:
            return false;
    }
}

eNA_ITEMTYPE CNAItemDescription::eNAGetDBType(CNAConnectionDescription* pclConnection) const {
    if (m_nDBTypeCode == 0) return NA_IT_EMPTY;
    if (pclConnection != nullptr && pclConnection->bDBTypeUnkwnownByDB(static_cast<int>(m_nDBTypeCode)))
        return NA_IT_EMPTY;
    return m_eItemType;
}

// ------------------------------------------------------------------------------------------------
// Clone
// ------------------------------------------------------------------------------------------------

CNAItemDescription* CNAItemDescription::pclGetCloneItemDescription(CNADataSourceDescription* pclTarget,
                                                                   eCLONEDESC eFlags) {
    CNAItemDescription* pcl =
        CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocItemDescription() : nullptr;
    if (pcl == nullptr) return nullptr;
    pcl->m_clName.Set(m_clName.pszGet());
    pcl->m_clExtendedInfo.Set(m_clExtendedInfo.pszGet());
    pcl->m_clCaption.Set(m_clCaption.pszGet());
    pcl->m_clDBType.Set(m_clDBType.pszGet());
    pcl->m_nDBTypeCode = m_nDBTypeCode;
    pcl->m_nDimension = m_nDimension;
    pcl->m_nItemSize = m_nItemSize;
    pcl->m_nKeyIndice = pclTarget != nullptr ? static_cast<int32_t>(pclTarget->nGetNumKeys()) : -1;
    pcl->m_eItemType = m_eItemType;
    pcl->m_nPhysicalIndice = m_nPhysicalIndice;
    pcl->m_nPhysicalIndiceDB = m_nPhysicalIndiceDB;
    pcl->m_wKeyFlags = m_wKeyFlags;
    pcl->m_nOffset = m_nOffset;
    pcl->m_nSubItemRecordIndice = m_nSubItemRecordIndice;
    pcl->m_clDefaultValue = m_clDefaultValue;
    pcl->m_nIntegerPart = m_nIntegerPart;
    pcl->m_nDecimalPart = m_nDecimalPart;
    pcl->m_clSourceName.Set(m_clSourceName.pszGet());
    pcl->m_clNameInSource.Set(m_clNameInSource.pszGet());
    pcl->m_clSourceTable.Set(m_clSourceTable.pszGet());
    pcl->m_nCalculatedItemCode = m_nCalculatedItemCode;
    pcl->m_dwItemFlags = m_dwItemFlags;
    if ((eFlags & CLONEDESC_KEYALL) && m_wKeyFlags == 0 && !g_bIsMemoText(m_eItemType))
        pcl->m_wKeyFlags = NA_KEY_DUPLICATES | NA_KEY_ASCENDANT;
    if ((eFlags & CLONEDESC_DATEASTEXT) && (m_eItemType == NA_IT_DATE8 || m_eItemType == NA_IT_DATETIME)) {
        pcl->m_eItemType = NA_IT_TEXTE;
        pcl->m_clDefaultValue.__SetType(VQTYPE_PSTRA, 0);
    }
    if (pclTarget != nullptr) {
        for (int i = 0; i < m_tabComponents.nGetNbElement(); i++) {
            CNAItemDescription* pclComponent = pclTarget->pclNAGetCorrespondingItem(m_tabComponents[i]->pszGetName());
            if (pclComponent == nullptr) continue;
            pcl->m_tabComponents.Ajoute(pclComponent);
            pclComponent->AddRef();
            pclComponent->nExternalRelease();
        }
    }
    return pcl;
}

// ------------------------------------------------------------------------------------------------
// Static type functions
// ------------------------------------------------------------------------------------------------

unsigned CNAItemDescription::s_nGetDecimalSize(int nPrecision) {
    if (nPrecision < 0 || nPrecision > 38) return 0;
    return s_abyDecimalSize[nPrecision];
}

unsigned CNAItemDescription::s_nGetYFSize(eNA_ITEMTYPE eType, unsigned long nSize, int f) {
    switch (eType) {
        case NA_IT_IDAUTO:
        case NA_IT_R8:
        case NA_IT_MEMOTEXTE:
        case NA_IT_MEMOBINAIRE:
        case NA_IT_I8:
        case NA_IT_UI8:
        case NA_IT_DATETIME:
        case NA_IT_TIMELENGHT:
        case NA_IT_MEMOUNICODE:
            return 8;
        case NA_IT_TEXTE:
            return static_cast<unsigned>(nSize + 1);
        case NA_IT_I2:
        case NA_IT_UI2:
            return 2;
        case NA_IT_I1:
        case NA_IT_UI1:
        case NA_IT_CHAR:
        case NA_IT_BOOLEEN:
            return 1;
        case NA_IT_I4:
        case NA_IT_R4:
        case NA_IT_UI4:
        case NA_IT_IDAUTO4:
            return 4;
        case NA_IT_HEURE:
            return f > 0 ? 5 + static_cast<unsigned>(f < 5 ? f : 5) : 5;
        case NA_IT_DATE8:
            return 9;
        case NA_IT_MONETAIRE:
            return 10;
        case NA_IT_IMAGE:
        case NA_IT_UNICODE:
            return static_cast<unsigned>(4 * nSize + 4);
        case NA_IT_BINAIRE:
            return static_cast<unsigned>(nSize + 2);
        case NA_IT_DECIMAL:
            return f == 0 ? 18 : s_nGetDecimalSize(f);
        default:
            return 0;
    }
}

void CNAItemDescription::s_GetTypeFromFormat(int i, int d, eNA_ITEMTYPE* peType, unsigned* pnSize) {
    auto set = [&](eNA_ITEMTYPE e, unsigned n) {
        *peType = e;
        *pnSize = n;
    };
    if (i < 0 || d < 0) return set(NA_IT_R8, 8);
    if (d == 0) {
        if (i == 0) return set(NA_IT_R8, 8);
        if (i <= 2) return set(NA_IT_I1, 1);
        if (i <= 4) return set(NA_IT_I2, 2);
        if (i <= 9) return set(NA_IT_I4, 4);
        if (i <= 19) return set(NA_IT_I8, 8);
    } else if (d < 7 && i < 11) {
        return set(NA_IT_MONETAIRE, 10);
    }
    if (d < 39 && i < 39 && i + d < 39) return set(NA_IT_DECIMAL, i + d == 0 ? 18 : s_nGetDecimalSize(i + d));
    set(NA_IT_R8, 8);
}

bool CNAItemDescription::s_bGetDecimalInfo(unsigned short nVQType, int* pnDigits, int* pnDecimals) {
    *pnDecimals = 0;
    switch (nVQType) {
        case VQTYPE_BOOL:
            *pnDigits = 1;
            return true;
        case VQTYPE_UI1:
        case VQTYPE_I1:
            *pnDigits = 3;
            return true;
        case VQTYPE_UI2:
        case VQTYPE_I2:
            *pnDigits = 5;
            return true;
        case VQTYPE_UI4:
        case VQTYPE_I4:
        case VQTYPE_UIX:
            *pnDigits = 10;
            return true;
        case VQTYPE_UI8:
        case VQTYPE_I8:
        case VQTYPE_DUREE:
            *pnDigits = 19;
            return true;
        case VQTYPE_CY:
            *pnDigits = 33;
            *pnDecimals = 5;
            return true;
        default:
            return false;
    }
}

void CNAItemDescription::s_Type2Ansi(eNA_ITEMTYPE* peType, unsigned* pnSize) {
    if (*peType == NA_IT_UNICODE) {
        *peType = NA_IT_TEXTE;
        *pnSize >>= 1;
    } else if (*peType == NA_IT_MEMOUNICODE) {
        *peType = NA_IT_MEMOTEXTE;
    }
}

bool CNAItemDescription::bIsComponentOf(INAItemDescription* piKey, INAItemDescription* piItem) {
    if (piKey == nullptr) return false;
    const int n = piKey->nGetNumComponents();
    bool bTrouve = false;
    for (int i = 1; i <= n && !bTrouve; i++) {
        INAItemDescription* piComponent = piKey->piGetItemComponent(i);
        if (piComponent == nullptr) continue;
        bTrouve = piComponent == piItem;
        piComponent->nExternalRelease();
    }
    return bTrouve;
}
