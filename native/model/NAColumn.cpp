// Column: binding to the record, names, properties, values, NULL equivalence, change detection,
// memo writes and files, composite-key values and the trace text.
#include "native/model/NAColumn.h"

#include <cstring>

#include "core/VQBIN.h"
#include "core/XYString.h"
#include "core/XYStringConcat.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/DriverServices.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAConvertVariantTypes.h"
#include "native/model/NARecord.h"
#include "native/model/NAServerTypes.h"
#include "native/model/NAYFRecord.h"
#include "native/model/StatementServices.h"
#include "variant/VQCalc.h"

namespace {

// The value converter's unit, whose conversion failure a column write reports.
constexpr int FILE_ID_CONVERTER = 12;

bool bTexteLike(eNA_ITEMTYPE e) {
    return e == NA_IT_TEXTE || e == NA_IT_MEMOTEXTE || e == NA_IT_UNICODE || e == NA_IT_MEMOUNICODE ||
           e == NA_IT_TIMELENGHT;
}

// Known not to hold NULL: asked of the item from version 9 on, else only identifiers are.
bool bSansNull(INAItemDescription* pi) {
    if (pi->nGetVersion() >= 9) return !pi->vbConstraintNullAllowed();
    return g_bIsIdAuto(pi->eNAGetItemType());
}

}  // namespace

CNAColumn::CNAColumn(CNAError* pclError, INAItemDescription* piItem) : m_piItem(piItem), m_pclError(pclError) {
    if (m_pclError != nullptr) m_pclError->AddRef();
    if (m_piItem != nullptr) m_piItem->ExternalAddRef();
}

CNAColumn::~CNAColumn() {
    if (m_piItem != nullptr) m_piItem->nExternalRelease();
    if (m_pclValue != nullptr) m_pclValue->nRelease();
    if (m_pclImported != nullptr) m_pclImported->nExternalRelease();
    if (m_pclError != nullptr) m_pclError->nRelease();
    delete m_pclComponents;
}

// ------------------------------------------------------------------------------------------------
// Life and binding
// ------------------------------------------------------------------------------------------------

int CNAColumn::vbInit(CNARecord* pclRecord, CNAItemDescription* pclImported) {
    m_pclRecord = pclRecord;
    if (!bFormatName()) return 0;
    if (pclImported != nullptr && !bSetImportedItemDesc(pclImported)) return 0;
    if (bIsComposedKey()) return 1;
    return bInitVariant(pclRecord);
}

int CNAColumn::bFormatName() {
    CNAConnectionDescription* pclCnx = pclGetCnx();
    if (pclCnx == nullptr) {
        m_clFormatedName.Set(pszGetName());
        m_clFormatedOriginalName.Set(pszGetOriginalName());
        return 1;
    }
    return pclCnx->bFormatItemName(m_pclError, pszGetName(), &m_clFormatedName) &&
           pclCnx->bFormatItemName(m_pclError, pszGetOriginalName(), &m_clFormatedOriginalName);
}

int CNAColumn::bSetImportedItemDesc(CNAItemDescription* pclImported) {
    if (pclImported == m_pclImported) return 1;
    if (pclImported != nullptr) pclImported->ExternalAddRef();
    if (m_pclImported != nullptr) m_pclImported->nExternalRelease();
    m_pclImported = pclImported;
    return 1;
}

void CNAColumn::AddCompositeKey(CNAColumn* pclColumn) {
    if (m_pclComponents == nullptr) m_pclComponents = new CNARefArray<CNAColumn>(5, 30);
    m_pclComponents->Ajoute(pclColumn);
}

int CNAColumn::bUpdateChangedTypeInCurrentRecord() {
    return bInitVariant(m_pclRecord);
}

int CNAColumn::bInitVariant(CNARecord* pclRecord) {
    if (m_pclValue == nullptr) {
        if (CNADriver::s_pclDriver == nullptr) {
            // No driver object, no factory: nothing can be made.
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetCnx());
            return 0;
        }
        m_pclValue = CNADriver::s_pclDriver->pclAllocVariant(m_pclError, pclGetCnx());
        if (m_pclValue == nullptr) return 0;
        m_pclValue->AddRef();
    }
    if (bIsMemo()) {
        m_pclValue->InitTypeVariantAny(eGetVQType(), 0);
    } else {
        CNAYFRecord* pclImage = pclRecord != nullptr ? pclRecord->pclGetNAYFRecord() : nullptr;
        unsigned char* pbySlot = pclImage != nullptr ? pclImage->pbyGetItemValue(m_piItem, 0) : nullptr;
        if (pbySlot == nullptr) return 0;
        if (!m_pclValue->bInitTypeVariant(NAVARTYPE_BUFFER, pbySlot, nGetItemSize(), 0)) return 0;
    }
    m_pclValue->SetItemDesc(m_piItem, m_pclImported);
    if (!bIsMemo()) return 1;
    // A memo holds no value until one is read or set, as its slot's marker says.
    m_pclValue->SetNull();
    if (pclRecord == nullptr) return 1;
    const CRefArray<CNAColumn>* pTab = pclRecord->pclGetTabColumnMemo();
    for (int k = 0; k < pTab->nGetNbElement(); k++)
        if (pTab->GetAt(k) == this) return pclRecord->bShareMemoValue(static_cast<unsigned>(k), m_pclValue);
    return 1;
}

int CNAColumn::bInitVariant_NV_Any(CNAError*, CNAConvertVariant* pclConverter, unsigned short nType) const {
    pclConverter->SetItemDesc(m_piItem, m_pclImported);
    pclConverter->InitTypeVariantAny(nType != 0 ? nType : eGetVQType(), bIsMemo() ? 0 : nGetItemSize());
    return 1;
}

void CNAColumn::SetAliasNomTable(const wchar_t* pszAlias, const wchar_t* pszFormated) {
    m_clAliasNomTable.Set(pszAlias);
    m_clFormatedAliasNomTable.Set(pszFormated);
}

// ------------------------------------------------------------------------------------------------
// Names
// ------------------------------------------------------------------------------------------------

const wchar_t* CNAColumn::pszGetOriginalName() const {
    const wchar_t* psz = m_piItem->pszGetNameInSource();
    return psz != nullptr && psz[0] != 0 ? psz : pszGetName();
}

const wchar_t* CNAColumn::pszGetTableName() const {
    return m_pclRecord != nullptr ? m_pclRecord->pszGetTableName() : L"";
}

const wchar_t* CNAColumn::pszGetFormatedSelectName(int bNameOnly) {
    if (m_clSelectName.nTaille() > 0) return m_clSelectName.pszGet();
    // A column whose own text does not read back as its value is selected as another type.
    const wchar_t* pszReadAs = eGetTypeColonne() == 0 ? NA_pszServerTypeReadAs(nGetDBType()) : nullptr;
    if (bNameOnly) {
        m_clSelectName.Set(m_clFormatedName.pszGet());
        if (pszReadAs != nullptr) {
            m_clSelectName.Add(L"::");
            m_clSelectName.Add(pszReadAs);
        }
        return m_clSelectName.pszGet();
    }
    if (bSourceIsQuery()) {
        CTString clTable(pszGetFormatedAliasNomTable());
        if (clTable.nTaille() == 0 && pszGetSourceName() != nullptr && pszGetSourceName()[0] != 0) {
            CNAConnectionDescription* pclCnx = pclGetCnx();
            if (pclCnx != nullptr)
                pclCnx->bFormatTableName(m_pclError, pszGetSourceName(), &clTable);
            else
                clTable.Set(pszGetSourceName());
        }
        if (clTable.nTaille() > 0) {
            m_clSelectName.Set(clTable.pszGet());
            m_clSelectName.Add(L'.');
        }
    }
    m_clSelectName.Add(m_clFormatedOriginalName.pszGet());
    if (pszReadAs != nullptr) {
        m_clSelectName.Add(L"::");
        m_clSelectName.Add(pszReadAs);
    }
    return m_clSelectName.pszGet();
}

// ------------------------------------------------------------------------------------------------
// Properties
// ------------------------------------------------------------------------------------------------

INAItemDescription* CNAColumn::piGetItem() const {
    m_piItem->ExternalAddRef();
    return m_piItem;
}

eNA_ITEMTYPE CNAColumn::eNAGetItemTypeOnDatabase() const {
    return m_pclImported != nullptr ? m_pclImported->eNAGetDBType(pclGetCnx()) : NA_IT_EMPTY;
}

eNA_ITEMTYPE CNAColumn::eNAGetItemTypeOnDatabaseEx() const {
    return m_pclImported != nullptr ? m_pclImported->eNAGetItemType() : eNAGetItemType();
}

unsigned CNAColumn::nGetDBType() const {
    return m_pclImported != nullptr ? m_pclImported->nGetDBTypeCode() : 0;
}

int CNAColumn::nGetLogicalSizeOnDatabase() const {
    return m_pclImported != nullptr ? static_cast<int>(m_pclImported->nGetLogicalSize(0)) : -1;
}

int CNAColumn::bIsAutoIncrementOnDataBase() const {
    return m_pclImported != nullptr && g_bIsIdAuto(m_pclImported->eNAGetItemType());
}

CNAColumn* CNAColumn::_pclComponent(int n) const {
    if (m_pclComponents == nullptr || n < 0 || n >= m_pclComponents->nGetNbElement()) return nullptr;
    return m_pclComponents->GetAt(n);
}

bool CNAColumn::bIsComposedKeyComponent(const CNAColumn* pclColumn) const {
    if (m_pclComponents == nullptr) return false;
    for (int i = 0; i < m_pclComponents->nGetNbElement(); i++)
        if (m_pclComponents->GetAt(i) == pclColumn) return true;
    return false;
}

bool CNAColumn::bGetDescendantComponent(unsigned n) const {
    return m_piItem->bGetDescendant(static_cast<int>(n)) != 0;
}

bool CNAColumn::bGetIgnoreCase(int n) const {
    if (m_pclImported != nullptr) return m_pclImported->bGetIgnoreCase(n) != 0;
    return m_piItem->bGetIgnoreCase(n) != 0;
}

bool CNAColumn::bIsUnique() const {
    if (m_piItem->bUnique()) return true;
    return m_pclImported != nullptr && m_pclImported->bUnique();
}

bool CNAColumn::bUnique() const {
    return bIsUnique();
}

bool CNAColumn::bPrimary() const {
    if (g_bIsIdAuto(eNAGetItemType())) return true;
    return m_piItem->bPrimary() || (m_pclImported != nullptr && m_pclImported->bPrimary());
}

bool CNAColumn::bUniqueNotNull() const {
    for (INAItemDescription* pi : {m_piItem, static_cast<INAItemDescription*>(m_pclImported)}) {
        if (pi == nullptr) continue;
        if (pi->bPrimary()) return true;
        if (pi->bUnique() && bSansNull(pi)) return true;
    }
    return false;
}

bool CNAColumn::bIsNullable() const {
    if (m_piItem->nGetVersion() >= 9) return m_piItem->vbConstraintNullAllowed() != 0;
    return !(m_piItem->bPrimary() || g_bIsIdAuto(eNAGetItemType()));
}

bool CNAColumn::bIsNullableOnDataBase() const {
    if (m_pclImported != nullptr) return (m_pclImported->dwGetItemFlags() & NA_ITEM_NOTNULL) == 0;
    return bIsNullable();
}

bool CNAColumn::bUpdatable() const {
    return m_pclImported == nullptr || m_pclImported->bUpdatable() != 0;
}

bool CNAColumn::bIsMemoDB() const {
    if (m_pclImported != nullptr) return m_pclImported->bMemo() != 0;
    return bIsMemo();
}

unsigned CNAColumn::eGetTypeColonne() const {
    // A table's columns are all plain. A query's items are the driver's own descriptions, which
    // keep the kind the host's parsed query gave each selected item; an item the driver did not
    // describe carries none.
    if (!bSourceIsQuery()) return 0;
    const auto* pclItem = dynamic_cast<const CNAItemDescription*>(m_piItem);
    return pclItem != nullptr ? pclItem->nGetCalculatedItemCode() : 0;
}

bool CNAColumn::bSourceIsQuery() const {
    return m_pclRecord != nullptr && m_pclRecord->bSourceIsQuery();
}

CSQLParserInfo* CNAColumn::pclGetSourceQueryNoRef() const {
    return m_pclRecord != nullptr ? m_pclRecord->pclGetSourceQueryNoRef() : nullptr;
}

CNAConnectionDescription* CNAColumn::pclGetCnx() const {
    return m_pclRecord != nullptr ? m_pclRecord->pclGetConnectionNoRef() : nullptr;
}

int CNAColumn::nGetMemoIndice() const {
    if (m_pclRecord == nullptr) return -1;
    const CRefArray<CNAColumn>* pTab = m_pclRecord->pclGetTabColumnMemo();
    for (int k = 0; k < pTab->nGetNbElement(); k++)
        if (pTab->GetAt(k) == this) return k;
    return -1;
}

bool CNAColumn::bValueIsUnreadYet() const {
    return m_pclValue != nullptr && m_pclValue->eGetVarType() == NAVARTYPE_UNREAD;
}

int CNAColumn::bMustDefine(unsigned nFlag) const {
    if (bIsComposedKey()) return 0;
    if (bIsMemo()) return (nFlag & 2) != 0;
    return 1;
}

int CNAColumn::bMustBind(unsigned nFlag) const {
    if (bSourceIsQuery() && eGetTypeColonne() != 0) return 0;
    if (bIsComposedKey()) return 0;
    if (bIsMemo()) return (nFlag & 1) != 0;
    return 1;
}

// ------------------------------------------------------------------------------------------------
// Values
// ------------------------------------------------------------------------------------------------

CNAYFRecord* CNAColumn::_pclCurrentImage() const {
    return m_pclRecord != nullptr ? m_pclRecord->pclGetNAYFRecord() : nullptr;
}

CNAYFRecord* CNAColumn::_pclOriginalImage() const {
    return m_pclRecord != nullptr ? m_pclRecord->pclGetOriginalNAYFRecord() : nullptr;
}

int CNAColumn::bSetValue(const CAny* pclValue, unsigned n) {
    CNAYFRecord* pclImage = _pclCurrentImage();
    if (bIsMemo()) {
        m_clMemoFile.Vide();
        m_bModified = 0;
        if (m_pclValue == nullptr || !m_pclValue->bSetValue(pclValue)) return 0;
        if (pclImage != nullptr) pclImage->SetItemValueDefined(m_piItem, !m_pclValue->bIsNull(), 0);
        return 1;
    }
    if (pclImage == nullptr) return 0;
    if (!pclImage->SetItemValue(m_piItem, pclValue, static_cast<int>(n))) {
        // The value cannot be held by the item: the slot and its bit were left as they were.
        if (m_pclValue != nullptr) {
            CXYString<wchar_t> clTexte;
            nGetString(&clTexte, *pclValue, nullptr, 0);
            m_pclValue->_SetErrorConversionFailed(pclValue->nGetTypeCode(), clTexte.pszGet(), FILE_ID_CONVERTER, 6);
        }
        return 0;
    }
    if (m_pclValue != nullptr) {
        if (pclImage->bItemValueDefined(m_piItem, static_cast<int>(n)))
            m_pclValue->pclGetValue()->ClearFlags(VQTYPE_FLAG_NULL);
        else
            m_pclValue->SetNull();
    }
    return 1;
}

int CNAColumn::bSetValueNULL() {
    CAny clNull;
    clNull.__SetType(eGetVQType(), 0);
    clNull.SetNull(1);
    return bSetValue(&clNull, 0);
}

int CNAColumn::_bGetValue(CAny* pclOut, unsigned n, const CNAYFRecord* pclImage) const {
    if (pclImage == nullptr || !pclImage->bItemValueDefined(m_piItem, static_cast<int>(n))) {
        pclOut->__SetType(VQTYPE_VIDE, 0);
        pclOut->__SetType(eGetVQType(), 0);
        pclOut->SetNull(1);
        return 1;
    }
    pclImage->GetItemValue(pclOut, m_piItem, static_cast<int>(n));
    return 1;
}

int CNAColumn::bGetCurrentValue(CAny* pclOut, unsigned n) {
    if (bIsMemo()) {
        if (m_pclValue == nullptr) return 0;
        if (m_clMemoFile.nTaille() > 0 && m_pclValue->bIsNull() &&
            !m_pclValue->bLoadFile(m_clMemoFile.pszGet(), m_pclError, 1))
            return 0;
        return m_pclValue->bGetValue(pclOut);
    }
    if (bIsComposedKey()) {
        const unsigned long nTaille = nGetItemSize();
        CVQBIN clBin;
        if (clBin.nSetSize(static_cast<int>(nTaille), 0) != 0) {
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetCnx());
            return 0;
        }
        if (nTaille > 0) memset(clBin.pbyGetBuffer(), 0, nTaille);
        if (!_bGetComposedKeyValue(clBin.pbyGetBuffer(), nTaille)) return 0;
        pclOut->__SetType(VQTYPE_BIN, 0);
        pclOut->pclGetValeur()->SetValue(&clBin);
        pclOut->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
        return 1;
    }
    return _bGetValue(pclOut, n, _pclCurrentImage());
}

int CNAColumn::bGetOriginalValue(CAny* pclOut, unsigned n) {
    return _bGetValue(pclOut, n, _pclOriginalImage());
}

bool CNAColumn::bNull() {
    CAny cl;
    bGetCurrentValue(&cl, 0);
    return cl.bIsNull();
}

unsigned char* CNAColumn::pGetValuePtr(CNAYFRecord* pclImage) const {
    return pclImage != nullptr ? pclImage->pbyGetItemValue(m_piItem, 0) : nullptr;
}

unsigned char* CNAColumn::pGetValuePtr(CNARecord* pclRecord) const {
    CNARecord* pcl = pclRecord != nullptr ? pclRecord : m_pclRecord;
    return pcl != nullptr ? pGetValuePtr(pcl->pclGetNAYFRecord()) : nullptr;
}

int CNAColumn::bRestaureOriginalValue(CNAConvertVariant* pclOriginal) {
    SetNotModified();
    if (m_pclValue == nullptr) return 0;
    if (pclOriginal != nullptr)
        m_pclValue->bCopyVariant(pclOriginal);
    else
        m_pclValue->SetNull();
    return 1;
}

CNAConvertVariant* CNAColumn::pclGetVariantClone() {
    CNAConvertVariant* pcl = pclGetNAValue();
    return pcl != nullptr ? pcl->pclGetCloneVariant() : nullptr;
}

void CNAColumn::SetNotModified() {
    m_clMemoFile.Vide();
    m_bModified = 0;
}

void CNAColumn::SetValueIsUnreadYet() {
    // A value bound to its record slot is read with the row; only a value held by the converter (a
    // memo) waits to be read.
    if (m_pclValue != nullptr && m_pclValue->eGetVarType() != NAVARTYPE_BUFFER) m_pclValue->SetUnreadYet();
    if (bIsMemo()) SetNotModified();
    _SetItemValueDefinedInYFRecord(1, 0);
}

void CNAColumn::_SetItemValueDefinedInYFRecord(int bDefined, unsigned n) {
    CNAYFRecord* pclImage = _pclCurrentImage();
    if (pclImage != nullptr) pclImage->SetItemValueDefined(m_piItem, bDefined, static_cast<int>(n));
}

int CNAColumn::bOriginalValueDefined() const {
    const CNAYFRecord* pclImage = _pclOriginalImage();
    return pclImage != nullptr && pclImage->bItemValueDefined(m_piItem, 0);
}

int CNAColumn::bConvertDataToDB() {
    if (m_pclValue == nullptr) return 0;
    if (m_pclValue->eGetVarType() == NAVARTYPE_BUFFER) {
        if (!bValueDefined())
            m_pclValue->SetNull();
        else
            m_pclValue->pclGetValue()->ClearFlags(VQTYPE_FLAG_NULL);
    }
    return m_pclValue->bConvertDataToDB();
}

int CNAColumn::bSetValueFromDB(CNAStatement*, unsigned) {
    return 0;
}

// ------------------------------------------------------------------------------------------------
// Definition, change, NULL equivalence, comparison
// ------------------------------------------------------------------------------------------------

int CNAColumn::bValueModified() const {
    if (bIsComposedKey()) {
        for (int i = 0; m_pclComponents != nullptr && i < m_pclComponents->nGetNbElement(); i++)
            if (m_pclComponents->GetAt(i)->bValueModified()) return 1;
        return 0;
    }
    if (bIsMemo()) return m_bModified != 0;
    if (bValueDefined() != bOriginalValueDefined()) return 1;
    const CNAYFRecord* pclCurrent = _pclCurrentImage();
    const CNAYFRecord* pclOriginal = _pclOriginalImage();
    if (pclCurrent == nullptr || pclOriginal == nullptr) return 0;
    const unsigned char* pA = pclCurrent->pbyGetItemValue(m_piItem, -1);
    const unsigned char* pB = pclOriginal->pbyGetItemValue(m_piItem, -1);
    if (pA == nullptr || pB == nullptr) return 0;
    return memcmp(pA, pB, m_piItem->nGetTotalSize()) != 0;
}

int CNAColumn::bValueDefined() const {
    if (bIsComposedKey()) {
        for (int i = 0; m_pclComponents != nullptr && i < m_pclComponents->nGetNbElement(); i++)
            if (m_pclComponents->GetAt(i)->bValueDefined()) return 1;
        return 0;
    }
    if (bIsMemo()) return m_clMemoFile.nTaille() > 0 || (m_pclValue != nullptr && !m_pclValue->bIsNull());
    return !const_cast<CNAColumn*>(this)->bNullOrEquivalent();
}

bool CNAColumn::bNullOrEquivalent(CAny* pclValue) const {
    if (pclValue == nullptr || pclValue->bIsNull()) return true;
    const eNA_ITEMTYPE t = eNAGetItemType();
    const eNA_ITEMTYPE d = eNAGetItemTypeOnDatabase();
    const unsigned nKind = NA_nGetServerKind(pclGetCnx());
    auto bDate = [](eNA_ITEMTYPE e) { return e == NA_IT_DATE6 || e == NA_IT_DATE8; };
    const bool bDateLike = bDate(t) || bDate(d) || t == NA_IT_DATETIME || (d == NA_IT_DATETIME && t != NA_IT_HEURE) ||
                           (nKind == 1 && (bTexteLike(t) || bTexteLike(d)));
    if (bDateLike) {
        if (pclValue->nGetTypeCode() == VQTYPE_DATETIME) {
            uint64_t n = 0;
            memcpy(&n, pclValue->pbyGetValeur(), sizeof(n));
            return n == 0;
        }
        CAny clTexte(*pclValue);
        if (clTexte.__nCastTo(VQTYPE_PSTRW, nullptr, 1) <= VQERR_DERNIER_SUCCES_HOTE) {
            const wchar_t* psz = nullptr;
            clTexte.pclGetValeur()->nGetPCWSTR(&psz);
            if (psz != nullptr && psz[0] != 0) return false;
            auto bTexteOuHeure = [](eNA_ITEMTYPE e) { return bTexteLike(e) || e == NA_IT_HEURE; };
            return bIsNullableOnDataBase() || (!bTexteOuHeure(t) && !bTexteOuHeure(d));
        }
        return false;
    }
    if (nKind == 1 && (t == NA_IT_BINAIRE || t == NA_IT_MEMOBINAIRE || d == NA_IT_BINAIRE || d == NA_IT_MEMOBINAIRE)) {
        unsigned long n = 0;
        pclValue->pclGetValeur()->nGetUtilDataSize(&n);
        return n == 0;
    }
    return false;
}

bool CNAColumn::bNullOrEquivalent(CNAVariant* pclValue) const {
    if (pclValue == nullptr) return true;
    CAny cl;
    pclValue->vbGetValue(&cl);
    if (cl.bIsNull()) return true;
    return bNullOrEquivalent(&cl);
}

bool CNAColumn::bNullOrEquivalent() {
    const CNAYFRecord* pclImage = _pclCurrentImage();
    if (pclImage == nullptr || !pclImage->bItemValueDefined(m_piItem, 0)) return true;
    if (m_clMemoFile.nTaille() > 0) return false;
    CAny cl;
    if (!bGetCurrentValue(&cl, 0)) return true;
    return bNullOrEquivalent(&cl);
}

int CNAColumn::bSameValue(const CAny* pclValue, unsigned nFlags) {
    if (!bIsComposedKey() && !bValueDefined()) return pclValue == nullptr || pclValue->bIsNull();
    CAny clCurrent;
    if (!bGetCurrentValue(&clCurrent, 0)) return 0;
    if (pclValue == nullptr) return 0;
    const unsigned short a = clCurrent.nGetTypeCode(), b = pclValue->nGetTypeCode();
    const bool bMemeFamille = a == b || (NA_bVQNarrow(a) && NA_bVQNarrow(b)) || (NA_bVQWide(a) && NA_bVQWide(b));
    if (bMemeFamille && a != VQTYPE_DECIMAL) {
        void *pA = nullptr, *pB = nullptr;
        unsigned long nA = 0, nB = 0;
        clCurrent.pclGetValeur()->nGetDataAdr(&pA);
        clCurrent.pclGetValeur()->nGetUtilDataSize(&nA);
        pclValue->pclGetValeur()->nGetDataAdr(&pB);
        pclValue->pclGetValeur()->nGetUtilDataSize(&nB);
        if (nB > nA) return 0;
        if (nB > 0 && (pA == nullptr || pB == nullptr || memcmp(pA, pB, nB) != 0)) return 0;
        if (nA == nB || (nFlags & 0x1000) != 0) return 1;
        const unsigned char* pReste = static_cast<const unsigned char*>(pA) + nB;
        for (unsigned long i = 0; i < nA - nB; i++)
            if (pReste[i] != 0) return 0;
        return 1;
    }
    int nEgal = 0;
    if (nEgalite(clCurrent, *pclValue, &nEgal, 0) != VQERR_OK) return 0;
    return nEgal != 0;
}

// ------------------------------------------------------------------------------------------------
// Memos
// ------------------------------------------------------------------------------------------------

bool CNAColumn::_bMemoValueNULL(const CAny* pclValue, int bEmptyIsNull) const {
    if (pclValue == nullptr || pclValue->bIsNull() || pclValue->nGetTypeCode() == VQTYPE_VIDE) return true;
    if (!bEmptyIsNull) return false;
    unsigned long n = 0;
    pclValue->pclGetValeur()->nGetUtilDataSize(&n);
    return n == 0;
}

int CNAColumn::_bSetValueMemoToDB(const CAny* pclValue, unsigned) {
    if (m_pclValue == nullptr) return 0;
    const bool bNull = _bMemoValueNULL(pclValue, bIsNullableOnDataBase());
    CNAYFRecord* pclImage = _pclCurrentImage();
    if (!bNull && pclImage != nullptr && !pclImage->bItemValueDefined(m_piItem, 0))
        pclImage->SetItemValueDefined(m_piItem, 1, 0);
    m_clMemoFile.Vide();
    if (m_pclValue->eGetVarType() == NAVARTYPE_UNREAD) {
        m_bModified = 1;
        return m_pclValue->bSetValue(pclValue);
    }
    const CNAYFRecord* pclOriginal = _pclOriginalImage();
    if ((pclOriginal == nullptr || !pclOriginal->bItemValueDefined(m_piItem, 0)) && bNull) {
        m_pclValue->SetNull();
        m_bModified = 0;
        return 1;
    }
    if (!m_bModified) {
        if (m_pclValue->bIsNull()) {
            m_bModified = !bNull;
        } else {
            CAny clAncien;
            m_pclValue->bGetValue(&clAncien);
            // A comparison that fails counts as a difference.
            int nDiff = 1;
            if (pclValue == nullptr || nDifferent(clAncien, *pclValue, &nDiff, 0) != VQERR_OK) nDiff = 1;
            m_bModified = nDiff != 0;
        }
    }
    if (!m_bModified) return 1;
    return m_pclValue->bSetValue(pclValue);
}

int CNAColumn::bHAttacheMemo(const wchar_t* pszPath) {
    m_clMemoFile.Set(pszPath);
    if (m_pclValue != nullptr) m_pclValue->SetNull();
    m_bModified = 1;
    return 1;
}

int CNAColumn::bHExtraitMemo(const wchar_t* pszPath) {
    CAny cl;
    if (!bGetCurrentValue(&cl, 0)) return 0;
    if (cl.bIsNull()) {
        CAny clVide;
        return CNAVariant::gbStoreFile(&clVide, pszPath, m_pclError);
    }
    return CNAVariant::gbStoreFile(&cl, pszPath, m_pclError);
}

int CNAColumn::bCheckAndCorrectYFRecordValues() {
    if (bIsComposedKey()) return 1;
    CNAYFRecord* pclImage = _pclCurrentImage();
    if (bIsMemo()) {
        if (pclImage != nullptr && !pclImage->bItemValueDefined(m_piItem, 0)) {
            CAny clNull;
            clNull.__SetType(eGetVQType(), 0);
            clNull.SetNull(1);
            return _bSetValueMemoToDB(&clNull, 0);
        }
        if (pclImage != nullptr) pclImage->SetItemValueDefined(m_piItem, 1, 0);
        return 1;
    }
    if (!bValueDefined()) return bSetValueNULL();
    if (m_pclValue != nullptr && m_pclValue->eGetVarType() == NAVARTYPE_BUFFER)
        m_pclValue->pclGetValue()->ClearFlags(VQTYPE_FLAG_NULL);
    return 1;
}

// ------------------------------------------------------------------------------------------------
// Composite keys and the trace text
// ------------------------------------------------------------------------------------------------

int CNAColumn::_bGetComposedKeyValue(unsigned char* pbyBuffer, unsigned long nSize) {
    const int n = m_piItem->nGetNumComponents();
    unsigned long nOffset = 0;
    for (int k = 1; k <= n; k++) {
        CNAColumn* pclComponent = _pclComponent(k - 1);
        if (pclComponent == nullptr) return 0;
        CAny cl;
        if (!pclComponent->bGetCurrentValue(&cl, 0)) return 0;
        const INAItemDescription* piItem = pclComponent->piGetItemNoRef();
        unsigned long w = piItem->nGetTotalSize();
        if (piItem->eNAGetItemType() == NA_IT_TEXTE && w >= 1) w -= 1;
        if (piItem->eNAGetItemType() == NA_IT_UNICODE && w >= 2) w -= 2;
        // Each width as given, but never past the key's own buffer.
        if (nOffset >= nSize) break;
        const unsigned long nRoom = nSize - nOffset < w ? nSize - nOffset : w;
        void* p = nullptr;
        unsigned long nUtile = 0;
        if (!cl.bIsNull()) {
            cl.pclGetValeur()->nGetDataAdr(&p);
            cl.pclGetValeur()->nGetUtilDataSize(&nUtile);
        }
        const unsigned long nCopie = p != nullptr ? (nUtile < nRoom ? nUtile : nRoom) : 0;
        if (nCopie > 0) memcpy(pbyBuffer + nOffset, p, nCopie);
        memset(pbyBuffer + nOffset + nCopie, 0, nRoom - nCopie);
        nOffset += w;
    }
    return 1;
}

int CNAColumn::bCurrentValueToString(CXYStringConcat<wchar_t>* pclOut, int bWithName) {
    pclOut->Vide();
    if (bWithName) {
        pclOut->Add(L"<");
        pclOut->Add(pszGetName());
        pclOut->Add(L"> = <");
    }
    int bOk = 1;
    if (bValueIsUnreadYet()) {
        pclOut->Add(L"UNREAD YET");
    } else {
        CAny cl;
        if (!bGetCurrentValue(&cl, 0)) {
            if (bWithName) pclOut->Add(L"ERROR RETRIEVING VALUE>");
            return 0;
        }
        if (cl.bIsNull()) {
            if (bWithName) pclOut->Add(L"NULL");
        } else if (cl.nGetTypeCode() == VQTYPE_BIN && bWithName) {
            CXYString<wchar_t> clTexte;
            nGetString(&clTexte, cl, nullptr, 0);
            pclOut->Add(clTexte.pszGet());
        } else {
            CAny clTexte(cl);
            if (clTexte.__nCastTo(VQTYPE_PSTRW, nullptr, 1) <= VQERR_DERNIER_SUCCES_HOTE) {
                const wchar_t* psz = nullptr;
                clTexte.pclGetValeur()->nGetPCWSTR(&psz);
                if (psz != nullptr) pclOut->Add(psz);
            } else if (bWithName) {
                unsigned long nTaille = 0;
                cl.pclGetValeur()->nGetDataSize(&nTaille);
                pclOut->Add(L"IMPOSSIBLE TEXT CONVERSION (VQ Type=");
                pclOut->AddNumber(static_cast<long>(cl.nGetTypeCode()), -1);
                pclOut->Add(L", Data Size=");
                pclOut->AddNumber(static_cast<long>(nTaille), -1);
                pclOut->Add(L")");
            }
        }
    }
    if (bWithName) pclOut->Add(L">");
    return bOk;
}
