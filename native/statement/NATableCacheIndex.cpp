// The index a statement browses the full table cache by: the column index of its item, made and
// built on demand, and kept in step with the writes on the cache's rows.
#include "native/statement/NATableCacheIndex.h"

#include <new>

#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"
#include "native/sql/NACommand.h"
#include "native/statement/IndexFixedSizeItem.h"
#include "native/statement/IndexMemo.h"
#include "native/statement/NARecordCache.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NAStatement.h"
#include "variant/Any.h"
#include "variant/VQCalc.h"

CNATableCacheIndex::CNATableCacheIndex(CNAError* pclError, CNAStatement* pclStatement, CNARecordCache* pclCache,
                                       CNAColumn* pclColumn)
    : m_pclError(pclError), m_pclCache(pclCache), m_pclColumn(pclColumn), m_pclStatement(pclStatement) {
    if (m_pclError != nullptr) m_pclError->AddRef();
    if (m_pclCache != nullptr) m_pclCache->AddRef();
    if (m_pclColumn != nullptr) m_pclColumn->AddRef();
}

CNATableCacheIndex::~CNATableCacheIndex() {
    delete m_pclIndex;
    if (m_pclCache != nullptr) m_pclCache->nRelease();
    if (m_pclColumn != nullptr) m_pclColumn->nRelease();
    if (m_pclError != nullptr) m_pclError->nRelease();
}

int CNATableCacheIndex::bInit() {
    delete m_pclIndex;
    m_pclIndex = nullptr;
    if (m_pclCache == nullptr || m_pclColumn == nullptr) return 0;
    const CNAUserSearch* pclSearch = m_pclStatement != nullptr ? m_pclStatement->pclGetUserSearchNoRef() : nullptr;
    CIndexItem* pclIndex;
    if (m_pclColumn->bIsMemo())
        pclIndex = new (std::nothrow) CIndexMemo(m_pclError, m_pclStatement, m_pclCache, m_pclColumn, pclSearch);
    else
        pclIndex = new (std::nothrow) CIndexFixedSizeItem(m_pclError, m_pclStatement, m_pclCache, m_pclColumn, pclSearch);
    if (pclIndex == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory();
        return 0;
    }
    if (!pclIndex->bInit()) {
        delete pclIndex;
        return 0;
    }
    m_pclIndex = pclIndex;
    return 1;
}

int CNATableCacheIndex::bGetRecordPosition(eNA_PARSEDIRECTION eDirection, int nCount, int* pnRow,
                                           unsigned int* pnDuplicate) {
    if (m_pclIndex == nullptr) {
        if (pnRow != nullptr) *pnRow = -1;
        if (pnDuplicate != nullptr) *pnDuplicate = 0;
        return 0;
    }
    return m_pclIndex->bGetRecordPosition(eDirection, nCount, pnRow, pnDuplicate);
}

int CNATableCacheIndex::nGetCurrentRecordId() {
    return m_pclIndex != nullptr ? m_pclIndex->nGetCurrentRecordId() : -1;
}

int CNATableCacheIndex::nGetRecordNbr() {
    return m_pclIndex != nullptr ? m_pclIndex->nGetRecordNbr() : 0;
}

int CNATableCacheIndex::nGetPreviousRecordNbr() {
    return m_pclIndex != nullptr ? m_pclIndex->nGetPreviousRecordNbr() : 0;
}

int CNATableCacheIndex::bSetCurrentPos(int nRow, int nDuplicate, int* pbFound) {
    return m_pclIndex != nullptr ? m_pclIndex->bSetCurrentPos(nRow, nDuplicate, pbFound) : 0;
}

// Whether two values of the column are equal; a comparison the host cannot answer (a NULL on
// either side) counts as a change unless both are NULL, which re-indexes the row: never wrong, at
// worst work spared lost.
static bool _bSameValue(const CAny& clOld, const CAny& clNew) {
    if (clOld.bIsNull() || clNew.bIsNull()) return clOld.bIsNull() && clNew.bIsNull();
    int bEqual = 0;
    return nEgalite(clOld, clNew, &bEqual, 0) <= 99 && bEqual != 0;
}

void CNATableCacheIndex::OnNotifyOperation(eNAQUERYTYPE eOperation, int64_t llRow, NA_WRITEPARSEFLAGS) {
    if (m_pclIndex == nullptr || m_pclColumn == nullptr) return;
    const bool bUpdate = eOperation == NAQUERYTYPE_UPDATE;
    const bool bOld = bUpdate || eOperation == NAQUERYTYPE_DELETE;
    const bool bNew = bUpdate || eOperation == NAQUERYTYPE_INSERT;
    if (!bOld && !bNew) return;
    const int nRow = static_cast<int>(llRow);

    CAny clOld;
    if (bOld) {
        // The value the row was indexed with: the row as it was read.
        const CNARecord* pclRecord = m_pclColumn->pclGetRecordNoRef();
        const CNARecordValue* pclOriginal =
            pclRecord != nullptr ? pclRecord->pclGetOriginalRecordValueNoRef() : nullptr;
        if (pclOriginal == nullptr) return;
        const INAItemDescription* piItem = m_pclColumn->piGetItemNoRef();
        const int bRead = piItem->bMemo() ? pclOriginal->bGetMemoValue(&clOld, m_pclColumn->nGetMemoIndice())
                                          : pclOriginal->bGetItemValue(&clOld, piItem);
        if (!bRead) return;
    }
    CAny clNew;
    if (bNew) {
        if (!m_pclColumn->bGetCurrentValue(&clNew, 0)) return;
        if (bUpdate && _bSameValue(clOld, clNew)) return;
    }
    if (bOld) m_pclIndex->bDeleteRecord(nRow, &clOld);
    if (bNew) m_pclIndex->bInsertRecord(nRow, &clNew);
}
