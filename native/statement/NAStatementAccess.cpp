// What a statement asks of its data access: the data access's own operations (see
// NAStatementAccess.h). A statement without a data access gets the answers of an access that has
// nothing: no record, no saved record, no position, no count.
#include "native/statement/NAStatementAccess.h"

#include "native/driver/NAError.h"
#include "native/driver/NAIDAuto.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NARecord.h"
#include "native/statement/NARecordCache.h"
#include "native/table/NADataAccess.h"

// Asked at every fetch: the access remembers what it is rather than being cast again each time.
CNAStatementAccess* CNAStatementAccess::s_pclOf(CNADataAccess* pclAccess) {
    static CNAStatementAccess s_clAccess;
    CNAStatementAccess* pcl = pclAccess != nullptr ? pclAccess->pclGetOwnStatementAccess() : nullptr;
    return pcl != nullptr ? pcl : &s_clAccess;
}

CNARecord* CNAStatementAccess::pclGetCurrentRecordNoRef(CNADataAccess* pclAccess) {
    return pclAccess != nullptr ? pclAccess->pclGetCurrentRecordNoRef() : nullptr;
}

void CNAStatementAccess::ClosingStatement(CNADataAccess* pclAccess, CNAStatement* pclStatement) {
    if (pclAccess != nullptr) pclAccess->ClosingStatement(pclStatement);
}

int CNAStatementAccess::bHasImportedDataSourceDesc(CNADataAccess* pclAccess) {
    if (pclAccess == nullptr) return 1;
    CNADataSourceDescription* pcl = pclAccess->pclGetImportedDataSourceDesc();
    if (pcl == nullptr) return 0;
    pcl->nRelease();
    return 1;
}

// What the access does with the result of a query it runs: the result's columns, read into a new
// description, describe the source as the server gives it. A result without columns leaves the
// access as it was.
int CNAStatementAccess::bInitImportedDataSourceDesc(CNADataAccess* pclAccess, CNAStatement* pclStatement) {
    if (pclAccess == nullptr) return 1;
    CNADataSourceDescription* pclDescription = pclAccess->_pclAllocDataSource(pclAccess->pclGetConnectionNoRef());
    if (pclDescription == nullptr) {
        if (pclAccess->pclGetErrorNoRef() != nullptr)
            pclAccess->pclGetErrorNoRef()->SetErrorNoMemory(pclAccess->pclGetConnectionNoRef());
        return 0;
    }
    pclDescription->AddRef();
    pclDescription->SetLogicalName(pclAccess->pszGetLogicalName());
    pclDescription->SetDBName(pclAccess->pszGetPhysicalName());
    const int bResult = pclStatement->bGetQueryStructure(pclDescription);
    if (bResult && pclDescription->nGetNumItems() > 0) pclAccess->_SetImportedDataSourceDesc(pclDescription);
    pclDescription->nRelease();
    return bResult;
}

int CNAStatementAccess::bBuildSelect(CNADataAccess* pclAccess, CNACommand* pclCommand, CNAStatement* pclStatement,
                                     const wchar_t* pszItem, int bForward, NA_WRITEPARSEFLAGS nFlags, long* pnCount) {
    return pclAccess != nullptr ? pclAccess->bBuildSelect(pclCommand, pclStatement, pszItem, bForward, nFlags, pnCount)
                                : 0;
}

int CNAStatementAccess::bGetMaxCurrentValue(CNADataAccess* pclAccess, CNAColumn* pclColumn, CNAError* pclError,
                                            CAny* pclValue, int* pbHasObject) {
    CNAIDAuto* pclIDAuto = pclAccess != nullptr ? pclAccess->pclGetIDAuto() : nullptr;
    if (pbHasObject != nullptr) *pbHasObject = pclIDAuto != nullptr ? 1 : 0;
    // Without an identifier object the value stays empty.
    if (pclIDAuto == nullptr) return 1;
    const int bResult = pclIDAuto->bGetMaxCurrentValue(pclAccess, pclColumn, pclError, pclValue);
    pclIDAuto->nRelease();
    return bResult;
}

int CNAStatementAccess::bSetNewAutoId(CNADataAccess* pclAccess) {
    return pclAccess != nullptr ? pclAccess->bSetNewAutoId() : 0;
}

void CNAStatementAccess::RaiseRecordSize(CNADataAccess* pclAccess, uint64_t nSize) {
    if (pclAccess != nullptr) pclAccess->SetRecordSize(nSize);
}

int CNAStatementAccess::bHasTableCache(CNADataAccess* pclAccess) {
    return pclAccess != nullptr && pclAccess->pclGetTableCacheNoRef() != nullptr ? 1 : 0;
}

int CNAStatementAccess::bGoToStmtOriginalRecord(CNADataAccess* pclAccess, int bKeep, CNAStatement* pclStatement,
                                                int bReadRecord, eNA_PARSEDIRECTION eDirection, long nCount) {
    return pclAccess != nullptr
               ? pclAccess->bGoToStmtOriginalRecord(bKeep, pclStatement, bReadRecord, eDirection, nCount)
               : 0;
}

int CNAStatementAccess::bSetCurrentRecordRead(CNADataAccess* pclAccess, int bKeep) {
    return pclAccess != nullptr ? pclAccess->bSetCurrentRecordRead(bKeep) : 1;
}

int CNAStatementAccess::bCopyOriginalRecordToCurrentRecord(CNADataAccess* pclAccess) {
    return pclAccess != nullptr ? pclAccess->bCopyOriginalRecordToCurrentRecord() : 0;
}

int CNAStatementAccess::bGetNbEnr(CNADataAccess* pclAccess, int64_t* pllCount, unsigned nOptions,
                                  NA_WRITEPARSEFLAGS nFlags, CNAStatement* pclStatement, int nDirection) {
    if (pclAccess != nullptr) return pclAccess->bGetNbEnr(pllCount, nOptions, nFlags, pclStatement, nDirection);
    *pllCount = -1;
    return 0;
}

int CNAStatementAccess::bSkipRecord(CNADataAccess* pclAccess, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection,
                                    long nCount, int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut,
                                    NA_WRITEPARSEFLAGS nFlags) {
    return pclAccess != nullptr
               ? pclAccess->bSkipRecord(pszItem, eDirection, nCount, bReadRecord, eLock, peLockOut, nFlags)
               : 0;
}

int CNAStatementAccess::bHLitxxx(CNADataAccess* pclAccess, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection,
                                 int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut,
                                 NA_WRITEPARSEFLAGS nFlags) {
    return pclAccess != nullptr ? pclAccess->bHLitxxx(pszItem, eDirection, bReadRecord, eLock, peLockOut, nFlags)
                                : 0;
}

int CNAStatementAccess::bHEndehors(CNADataAccess* pclAccess, const wchar_t* pszItem, int* pbOut) {
    if (pclAccess != nullptr) return pclAccess->bHEndehors(pszItem, pbOut);
    *pbOut = 1;
    return 0;
}

int CNAStatementAccess::bHSauvePosition(CNADataAccess* pclAccess, int* pnId, const wchar_t* pszItem, unsigned nKind) {
    return pclAccess != nullptr ? pclAccess->bHSauvePosition(pnId, pszItem, nKind) : 0;
}

int CNAStatementAccess::bHRetourPosition(CNADataAccess* pclAccess, int nId, wchar_t* pszItem, int bKeep,
                                         unsigned nKind) {
    return pclAccess != nullptr ? pclAccess->bHRetourPosition(nId, pszItem, bKeep, nKind) : 0;
}

int CNAStatementAccess::bHLiberePosition(CNADataAccess* pclAccess, int nId) {
    return pclAccess != nullptr ? pclAccess->bHLiberePosition(nId) : 0;
}

int CNAStatementAccess::nKeepCurrentRecordSave(CNADataAccess* pclAccess) {
    return pclAccess != nullptr ? pclAccess->nKeepCurrentRecordSave() : -1;
}

int CNAStatementAccess::bRestoreOriginalRecordSave(CNADataAccess* pclAccess, int nSlot) {
    return pclAccess != nullptr ? pclAccess->bRestoreOriginalRecordSave(nSlot) : 0;
}

int CNAStatementAccess::bCopySaveToRecord(CNADataAccess* pclAccess, int nSlot, CNARecordValue* pclValue) {
    return pclAccess != nullptr ? pclAccess->bCopySaveToRecord(nSlot, pclValue) : 0;
}

void CNAStatementAccess::AddRefRecordSave(CNADataAccess* pclAccess, int nSlot) {
    if (pclAccess != nullptr) pclAccess->AddRefRecordSave(nSlot);
}

int CNAStatementAccess::nReleaseRecordSave(CNADataAccess* pclAccess, int nSlot) {
    return pclAccess != nullptr ? pclAccess->nReleaseRecordSave(nSlot) : 0;
}

int CNAStatementAccess::nKeepOriginalRecordSave(CNADataAccess* pclAccess, CNAStatement* pclStatement) {
    return pclAccess != nullptr ? pclAccess->nKeepOriginalRecordSave(pclStatement) : -1;
}

int CNAStatementAccess::bRecordDeleted(CNADataAccess* pclAccess, int nSlot) {
    return pclAccess != nullptr ? pclAccess->bRecordDeleted(nSlot) : 0;
}

int CNAStatementAccess::nGetLastReadSave(CNADataAccess* pclAccess) {
    return pclAccess != nullptr ? pclAccess->nGetLastReadSave() : -1;
}

CNAFilter* CNAStatementAccess::pclGetLatestFilterNoRef(CNADataAccess* pclAccess) {
    return pclAccess != nullptr ? pclAccess->pclGetLatestFilterNoRef() : nullptr;
}

void CNAStatementAccess::SetLatestFilter(CNADataAccess* pclAccess, CNAFilter* pclFilter) {
    if (pclAccess != nullptr) pclAccess->SetLatestFilter(pclFilter);
}

// The row the access's record was read from (its original value's identity) takes the values
// written (its current value).
int CNAStatementAccess::nUpdateRecordInCache(CNADataAccess* pclAccess, NA_WRITEPARSEFLAGS nFlags,
                                             CNARecordCache* pclCache) {
    CNARecord* pclRecord = pclAccess != nullptr ? pclAccess->pclGetCurrentRecordNoRef() : nullptr;
    if (pclRecord == nullptr || pclCache == nullptr || pclRecord->pclGetCurrentRecordValueNoRef() == nullptr ||
        pclRecord->pclGetOriginalRecordValueNoRef() == nullptr)
        return -1;
    return pclCache->nOnNotifyOperation(NAQUERYTYPE_UPDATE, pclRecord->pclGetCurrentRecordValueNoRef(),
                                        pclRecord->pclGetOriginalRecordValueNoRef(), nFlags, 0);
}
