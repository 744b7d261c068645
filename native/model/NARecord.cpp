// Record layout: building the columns for a description, the special columns (automatic
// identifier, unique key, order-by columns, composite unique keys, memos), the current and original
// rows, the composite-key test of searches and the dump of the current row.
#include "native/model/NARecord.h"

#include <cwchar>

#include "core/STRCompare.h"
#include "core/XYStringConcat.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/ColumnNullValueExcluded.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAYFRecord.h"
#include "native/model/StatementServices.h"
#include "native/sql/SQLParserInfo.h"

CNARecord::CNARecord(CNAError* pclError, CNADataAccess* pclAccess)
    : m_pclError(pclError),
      m_pclAccess(pclAccess),
      m_tabColumns(20, 30),
      m_tabOrderBy(10, 30),
      m_tabMemos(1, 30),
      m_tabComposedUnique(1, 30) {
    if (m_pclError != nullptr) m_pclError->AddRef();
}

CNARecord::~CNARecord() {
    m_tabComposedUnique.SupprimeTout();
    m_tabMemos.SupprimeTout();
    m_tabOrderBy.SupprimeTout();
    DeleteAllColumn();
    _FreeRecordBuffers();
    if (m_pclError != nullptr) m_pclError->nRelease();
    CNADriver::s_ReleaseConnection(m_pclConnection);
}

// ------------------------------------------------------------------------------------------------
// Building
// ------------------------------------------------------------------------------------------------

CNAColumn* CNARecord::_pclAllocColumn(CNAError* pclError, INAItemDescription* piItem) {
    if (CNADriver::s_pclDriver == nullptr) {
        // No driver object, no factory: nothing can be made.
        if (pclError != nullptr) pclError->SetErrorNoMemory(m_pclConnection);
        return nullptr;
    }
    return CNADriver::s_pclDriver->pclAllocColumn(pclError, piItem);
}

void CNARecord::_FreeRecordBuffers() {
    NA_ReleaseRecordValue(m_pclCurrent);
    NA_ReleaseRecordValue(m_pclOriginal);
    m_pclCurrent = m_pclOriginal = nullptr;
    if (m_pclRecordImage != nullptr) m_pclRecordImage->nRelease();
    m_pclRecordImage = nullptr;
}

bool CNARecord::_bAllocRecordBuffers(INADataSourceDescription* piHost) {
    _FreeRecordBuffers();
    m_pclRecordImage = new (std::nothrow) CNAYFRecord;
    if (m_pclRecordImage != nullptr) m_pclRecordImage->AddRef();
    if (m_pclRecordImage == nullptr || !m_pclRecordImage->bInit(piHost, NA_INITTYPE_DEFAULT)) {
        _FreeRecordBuffers();
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
        return false;
    }
    m_pclOriginal = NA_pclNewRecordValue(m_pclError);
    if (m_pclOriginal == nullptr) {
        _FreeRecordBuffers();
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
        return false;
    }
    if (!NA_bRecordValueCopyNAYFRecord(m_pclOriginal, m_pclRecordImage) ||
        !NA_bRecordValueShareNewRecordID(m_pclAccess, m_pclOriginal)) {
        _FreeRecordBuffers();
        return false;
    }
    m_pclCurrent = NA_pclRecordValueClone(m_pclOriginal);
    if (m_pclCurrent == nullptr) {
        _FreeRecordBuffers();
        return false;
    }
    return true;
}

int CNARecord::bInitRecord(INADataSourceDescription* piHost, CNADataSourceDescription* pclDriver,
                           CNAConnectionDescription* pclConnection) {
    if (pclConnection != m_pclConnection) {
        if (pclConnection != nullptr) pclConnection->AddRef();
        CNADriver::s_ReleaseConnection(m_pclConnection);
        m_pclConnection = pclConnection;
    }
    const unsigned nItems = piHost->nGetNumItems();
    if (nItems == 0) {
        if (m_pclError != nullptr)
            m_pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_RECORD, 2, m_pclConnection, 1,
                                 piHost->pszGetLogicalName());
        return 0;
    }
    if (!_bAllocRecordBuffers(piHost)) return 0;
    for (unsigned i = 0; i < nItems; i++) {
        INAItemDescription* piItem = piHost->piNAGetItem(i);
        if (piItem == nullptr) continue;
        CNAItemDescription* pclDriverItem = nullptr;
        if (!piItem->bIsComposedKey() && pclDriver != nullptr)
            pclDriverItem = pclDriver->pclNAGetItem(piItem->pszGetName(), 3);
        const int bOk = bAddColumn(piItem, pclDriverItem);
        if (pclDriverItem != nullptr) pclDriverItem->nExternalRelease();
        if (bOk) {
            CNAColumn* pclColumn = m_tabColumns[m_tabColumns.nGetNbElement() - 1];
            if (g_bIsIdAuto(piItem->eNAGetItemType()) && m_pclIDAuto == nullptr) m_pclIDAuto = pclColumn;
            if (m_pclUniqueKey == nullptr && piItem->bUnique()) m_pclUniqueKey = pclColumn;
        }
        piItem->nExternalRelease();
        if (!bOk) return 0;
    }
    for (int i = 0; i < m_tabColumns.nGetNbElement(); i++)
        if (m_tabColumns[i]->bIsComposedKey()) _InitCompositeKey(m_tabColumns[i]);
    _InitOrderBy();
    return 1;
}

int CNARecord::bAddColumn(INAItemDescription* piItem, CNAItemDescription* pclDriverItem) {
    CNAColumn* pclColumn = _pclAllocColumn(m_pclError, piItem);
    if (pclColumn == nullptr) return 0;
    m_tabColumns.Ajoute(pclColumn);
    m_nLastNamedColumn = -1;
    if (pclColumn->bIsMemo()) m_tabMemos.Ajoute(pclColumn);
    if (pclColumn->bIsComposedKey() && piItem->bUnique()) m_tabComposedUnique.Ajoute(pclColumn);
    return pclColumn->vbInit(this, pclDriverItem);
}

void CNARecord::DeleteAllColumn() {
    m_pclIDAuto = nullptr;
    m_pclUniqueKey = nullptr;
    m_nLastNamedColumn = -1;
    m_tabColumns.SupprimeTout();
}

void CNARecord::_InitCompositeKey(CNAColumn* pclColumn) {
    if (pclColumn->pclGetTabComponent() != nullptr && pclColumn->pclGetTabComponent()->nGetNbElement() > 0) return;
    INAItemDescription* piKey = pclColumn->piGetItemNoRef();
    const int n = piKey->nGetNumComponents();
    for (int k = 1; k <= n; k++) {
        INAItemDescription* piComponent = piKey->piGetItemComponent(k);
        if (piComponent == nullptr) continue;
        CNAColumn* pclComponent = pclGetColumnNoRef(piComponent);
        if (pclComponent != nullptr) pclColumn->AddCompositeKey(pclComponent);
        piComponent->nExternalRelease();
    }
}

// ------------------------------------------------------------------------------------------------
// Order-by columns
// ------------------------------------------------------------------------------------------------

bool CNARecord::_bInOrderBy(const CNAColumn* pclColumn) const {
    for (int i = 0; i < m_tabOrderBy.nGetNbElement(); i++)
        if (m_tabOrderBy[i] == pclColumn) return true;
    return false;
}

void CNARecord::_AddColumnOrder(CNAColumn* pclColumn) {
    if (pclColumn == nullptr) return;
    if (m_pclConnection != nullptr && m_tabOrderBy.nGetNbElement() >= m_pclConnection->nGetOrderByMaxExpressionNbr())
        return;
    if (pclColumn->bIsComposedKey()) {
        for (int i = 0; i < m_tabOrderBy.nGetNbElement(); i++)
            if (pclColumn->bIsComposedKeyComponent(m_tabOrderBy[i])) return;
        const CNARefArray<CNAColumn>* pTab = pclColumn->pclGetTabComponent();
        for (int i = 0; pTab != nullptr && i < pTab->nGetNbElement(); i++) _AddColumnOrder(pTab->GetAt(i));
        return;
    }
    if (!_bInOrderBy(pclColumn)) m_tabOrderBy.Ajoute(pclColumn);
}

void CNARecord::_AddOrderByOfQuery(CSQLParserInfo* pclQuery) {
    if (pclQuery == nullptr) return;
    for (int i = 0; i < pclQuery->nGetRubriqueClauseOrderNbr(); i++) {
        // The column of the output item the query orders by.
        CNAColumn* pclColumn = pclGetColumnNoRef(pclQuery->piGetRubriqueClauseOrder(i)->nGetIndiceRubrique());
        if (pclColumn == nullptr) continue;
        _AddColumnOrder(pclColumn);
        if (pclColumn == m_pclIDAuto) return;
    }
}

void CNARecord::_InitOrderBy() {
    m_tabOrderBy.SupprimeTout();
    // A query the host parsed orders by its own ORDER BY first.
    if (bSourceIsQuery()) _AddOrderByOfQuery(pclGetSourceQueryNoRef());
    if (m_pclIDAuto != nullptr) {
        m_tabOrderBy.SupprimeTout();
        m_tabOrderBy.Ajoute(m_pclIDAuto);
        return;
    }
    const int n = m_tabColumns.nGetNbElement();
    for (int i = 0; i < n; i++) {
        CNAColumn* pcl = m_tabColumns[i];
        if (pcl->bIsComposedKey() || !pcl->bUnique()) continue;
        if (!pcl->bIsNullableOnDataBase()) {
            // A unique column that never holds NULL orders the rows alone.
            m_tabOrderBy.SupprimeTout();
            m_tabOrderBy.Ajoute(pcl);
            return;
        }
        _AddColumnOrder(pcl);
    }
    for (int i = 0; i < n; i++) {
        CNAColumn* pcl = m_tabColumns[i];
        if (pcl->bIsComposedKey() && pcl->bUnique()) _AddColumnOrder(pcl);
    }
    for (int i = 0; i < n; i++) {
        CNAColumn* pcl = m_tabColumns[i];
        if (!pcl->bIsComposedKey() && pcl->piGetItemNoRef()->bDuplicates()) _AddColumnOrder(pcl);
    }
    for (int i = 0; i < n; i++) {
        CNAColumn* pcl = m_tabColumns[i];
        if (pcl->bIsComposedKey() && pcl->piGetItemNoRef()->bDuplicates()) _AddColumnOrder(pcl);
    }
    for (int i = 0; i < n; i++) {
        CNAColumn* pcl = m_tabColumns[i];
        if (!pcl->bUnique() && !pcl->piGetItemNoRef()->bDuplicates() && !pcl->bIsMemo() && !pcl->bIsComposedKey())
            _AddColumnOrder(pcl);
    }
}

// ------------------------------------------------------------------------------------------------
// Columns
// ------------------------------------------------------------------------------------------------

CNAColumn* CNARecord::pclGetColumnNoRef(int n) const {
    if (n < 0 || n >= m_tabColumns.nGetNbElement()) return nullptr;
    return m_tabColumns[n];
}

CNAColumn* CNARecord::pclGetColumnNoRef(const wchar_t* pszName) {
    // A host reads the same item again and again (a memo of every record): the column found last is
    // tried first. It was the first of its name, so no column before it has this one's name either.
    const int nColumns = m_tabColumns.nGetNbElement();
    // The same name written the same way needs none of the host's comparison rules.
    if (m_nLastNamedColumn >= 0 && m_nLastNamedColumn < nColumns) {
        const wchar_t* pszLast = m_tabColumns[m_nLastNamedColumn]->pszGetName();
        // The very text of the column's item (the host's memo read passes the item's own name)
        // needs no comparison at all.
        if ((pszLast != nullptr && pszLast == pszName) ||
            (pszLast != nullptr && pszName != nullptr && wcscmp(pszLast, pszName) == 0) ||
            STR_nCompareW(pszLast, pszName, STR_LOGIQUE) == 0)
            return m_tabColumns[m_nLastNamedColumn];
    }
    for (int i = 0; i < nColumns; i++)
        if (STR_nCompareW(m_tabColumns[i]->pszGetName(), pszName, STR_LOGIQUE) == 0) {
            m_nLastNamedColumn = i;
            return m_tabColumns[i];
        }
    return nullptr;
}

CNAColumn* CNARecord::pclGetColumnNoRef(INAItemDescription* piItem) {
    if (piItem == nullptr) return nullptr;
    if (!bSourceIsQuery()) return pclGetColumnNoRef(piItem->nGetPhysicalIndice());
    auto bVide = [](const wchar_t* psz) { return psz == nullptr || psz[0] == 0; };
    auto bEgal = [](const wchar_t* a, const wchar_t* b) { return STR_nCompareW(a, b, STR_LOGIQUE) == 0; };
    CNAColumn* pclRepli = nullptr;
    for (int i = 0; i < m_tabColumns.nGetNbElement(); i++) {
        CNAColumn* pcl = m_tabColumns[i];
        const INAItemDescription* piCol = pcl->piGetItemNoRef();
        const bool bSources = !bVide(piItem->pszGetSourceName()) && !bVide(piItem->pszGetNameInSource()) &&
                              !bVide(piCol->pszGetSourceName()) && !bVide(piCol->pszGetNameInSource());
        if (bSources) {
            if (bEgal(piCol->pszGetSourceName(), piItem->pszGetSourceName()) &&
                bEgal(piCol->pszGetNameInSource(), piItem->pszGetNameInSource())) {
                if (bEgal(piCol->pszGetName(), piItem->pszGetName())) return pcl;
                pclRepli = pcl;
            }
        } else if (bEgal(piCol->pszGetName(), piItem->pszGetName())) {
            return pcl;
        }
    }
    return pclRepli;
}

CNAColumn* CNARecord::pclGetColumnOrderNoRef(int n) const {
    if (n < 0 || n >= m_tabOrderBy.nGetNbElement()) return nullptr;
    return m_tabOrderBy[n];
}

CNAColumn* CNARecord::pclGetNAColumnIdentityNoRef() const {
    for (int i = 0; i < m_tabColumns.nGetNbElement(); i++)
        if (m_tabColumns[i]->bIsAutoIncrementOnDataBase()) return m_tabColumns[i];
    return nullptr;
}

CNAColumn* CNARecord::pclGetUniqueKeyNotNullNoRef() const {
    if (m_pclUniqueKey != nullptr && m_pclUniqueKey->bValueDefined()) return m_pclUniqueKey;
    CNAColumn* pclFirst = pclGetColumnOrderNoRef(0);
    if (pclFirst != nullptr && pclFirst->bUnique() && pclFirst->bValueDefined()) return pclFirst;
    for (int i = 0; i < m_tabColumns.nGetNbElement(); i++)
        if (m_tabColumns[i]->bUnique() && m_tabColumns[i]->bValueDefined()) return m_tabColumns[i];
    return nullptr;
}

bool CNARecord::bComposedKeyUniqueNotNullAdded(CNAColumn* const* ppclLeading, int n,
                                               CColumnNullValueExcluded* pclExcluded) {
    if (n < 2 || m_tabComposedUnique.nGetNbElement() == 0) return false;
    CNAColumn* pclDernier = ppclLeading[n - 1];
    auto bParmi = [&](const CNAColumn* pcl) {
        for (int i = 0; i < n; i++)
            if (ppclLeading[i] == pcl) return true;
        return false;
    };
    for (int k = 0; k < m_tabComposedUnique.nGetNbElement(); k++) {
        CNAColumn* pclKey = m_tabComposedUnique[k];
        const CNARefArray<CNAColumn>* pTab = pclKey->pclGetTabComponent();
        if (pTab == nullptr || pTab->nGetNbElement() > n || !pclKey->bIsComposedKeyComponent(pclDernier)) continue;
        bool bTous = true;
        bool bUnExclu = false;
        for (int i = 0; i < pTab->nGetNbElement(); i++) {
            CNAColumn* pclComponent = pTab->GetAt(i);
            if (!bParmi(pclComponent)) bTous = false;
            const bool bExclu = pclExcluded != nullptr ? !pclExcluded->bColumnValuesNullSelected(pclComponent)
                                                       : pclComponent->bValueDefined() != 0;
            if (bExclu) bUnExclu = true;
        }
        if (!bTous) continue;
        if (pclKey->bIsNullableOnDataBase() && !bUnExclu) continue;
        return true;
    }
    return false;
}

// ------------------------------------------------------------------------------------------------
// Rows
// ------------------------------------------------------------------------------------------------

CNAYFRecord* CNARecord::pclGetNAYFRecord() const {
    return m_pclCurrent != nullptr ? NA_pclRecordValueNAYFRecord(m_pclCurrent) : nullptr;
}

CNAYFRecord* CNARecord::pclGetOriginalNAYFRecord() const {
    return m_pclOriginal != nullptr ? NA_pclRecordValueNAYFRecord(m_pclOriginal) : nullptr;
}

int CNARecord::bSetNAYFRecord(CNAYFRecord* pclRecord) {
    if (m_pclCurrent == nullptr || !NA_bRecordValueCopyNAYFRecord(m_pclCurrent, pclRecord)) return 0;
    OnNAYFRecordChanged();
    return 1;
}

int CNARecord::bCopyToCurrentRecord(const CNARecordValue* pclValue) {
    return m_pclCurrent != nullptr && NA_bRecordValueCopy(m_pclCurrent, pclValue);
}

int CNARecord::bCopyOriginalRecordToCurrentRecord() {
    return bCopyToCurrentRecord(m_pclOriginal);
}

int CNARecord::bCopyCurrentRecordToOriginalRecord() {
    m_bOriginalExists = 1;
    return m_pclOriginal != nullptr && NA_bRecordValueCopy(m_pclOriginal, m_pclCurrent);
}

int CNARecord::bEquals(const CNARecordValue* pclValue, int bMemos) const {
    return m_pclCurrent != nullptr && NA_bRecordValueEquals(m_pclCurrent, pclValue, bMemos);
}

void CNARecord::SetDeleted() {
    if (m_pclCurrent != nullptr) NA_SetRecordValueState(m_pclCurrent, 128);
}

int CNARecord::bShareMemoValue(unsigned k, CNAConvertVariant* pclConverter) {
    return m_pclCurrent != nullptr && NA_bRecordValueShareMemoValue(m_pclCurrent, k, pclConverter);
}

int CNARecord::bUpdateChangedTypeInCurrentRecord(INADataSourceDescription* piHost) {
    if (!_bAllocRecordBuffers(piHost)) return 0;
    for (int i = 0; i < m_tabColumns.nGetNbElement(); i++) {
        CNAColumn* pcl = m_tabColumns[i];
        if (pcl->bIsComposedKey()) continue;
        if (!pcl->bUpdateChangedTypeInCurrentRecord()) return 0;
    }
    return 1;
}

void CNARecord::OnNAYFRecordChanged() {
    CNAYFRecord* pclImage = pclGetNAYFRecord();
    for (int i = 0; i < m_tabColumns.nGetNbElement(); i++) {
        CNAColumn* pcl = m_tabColumns[i];
        CNAConvertVariant* pclValue = pcl->pclGetNAValue();
        if (pcl->bIsMemo() || pcl->bIsComposedKey() || pclValue == nullptr) continue;
        if (pclImage != nullptr && pclImage->bItemValueDefined(pcl->piGetItemNoRef(), 0))
            pclValue->pclGetValue()->ClearFlags(VQTYPE_FLAG_NULL);
        else
            pclValue->SetNull();
    }
}

// ------------------------------------------------------------------------------------------------
// Context and dump
// ------------------------------------------------------------------------------------------------

const wchar_t* CNARecord::pszGetTableName() const {
    return NA_pszGetDataAccessLogicalName(m_pclAccess);
}

bool CNARecord::bSourceIsQuery() const {
    return NA_bDataAccessSourceIsQuery(m_pclAccess);
}

CSQLParserInfo* CNARecord::pclGetSourceQueryNoRef() const {
    return NA_pclDataAccessSourceQuery(m_pclAccess);
}

void CNARecord::CurrentRecordToString(CXYStringConcat<wchar_t>* pclOut) {
    pclOut->Vide();
    pclOut->Add(L"<Record ID> : ");
    CXYStringConcat<wchar_t> clId;
    if (m_pclCurrent != nullptr && NA_bRecordValueIdToString(m_pclCurrent, &clId))
        pclOut->Add(clId.pszGet());
    else
        pclOut->Add(L"NULL");
    pclOut->Add(L"\n<NullValuesFlags (0=NULL)> :");
    const CNAYFRecord* pclImage = pclGetNAYFRecord();
    for (unsigned i = 0; pclImage != nullptr && i < pclImage->nGetFlagFieldSize(); i++) {
        pclOut->Add(L" ");
        pclOut->AddNumberBinary(pclImage->pbyGetNullValuesFlags()[i], 1);
    }
    CXYStringConcat<wchar_t> clColonne;
    for (int i = 0; i < m_tabColumns.nGetNbElement(); i++) {
        CNAColumn* pcl = m_tabColumns[i];
        if (pcl->bIsComposedKey()) break;
        pcl->bCurrentValueToString(&clColonne, 1);
        pclOut->Add(L"\n");
        pclOut->Add(clColonne.pszGet());
    }
}
