// What a statement asks of its data access, as an access answers that has no statement table,
// saved records, positions, identifier object or table cache of its own (least version, see
// NAStatementAccess.h).
#include "native/statement/NAStatementAccess.h"

#include "native/model/NARecord.h"
#include "native/statement/NARecordValue.h"
#include "native/table/NADataAccess.h"

CNAStatementAccess* CNAStatementAccess::s_pclOf(CNADataAccess* pclAccess) {
    static CNAStatementAccess s_clLeast;
    auto* pcl = dynamic_cast<CNAStatementAccess*>(pclAccess);
    return pcl != nullptr ? pcl : &s_clLeast;
}

CNARecord* CNAStatementAccess::pclGetCurrentRecordNoRef() {
    return nullptr;
}
void CNAStatementAccess::ClosingStatement(CNAStatement*) {}
int CNAStatementAccess::bHasImportedDataSourceDesc() {
    return 1;
}
int CNAStatementAccess::bInitImportedDataSourceDesc(CNAStatement*) {
    return 1;
}
int CNAStatementAccess::bBuildSelect(CNACommand*, CNAStatement*, const wchar_t*, int, NA_WRITEPARSEFLAGS, int64_t*) {
    return 0;
}
int CNAStatementAccess::bGetMaxCurrentValue(CNAColumn*, CNAError*, CAny*, int* pbHasObject) {
    if (pbHasObject != nullptr) *pbHasObject = 0;
    return 1;
}
int CNAStatementAccess::bSetNewAutoId() {
    return 0;
}
void CNAStatementAccess::RaiseRecordSize(uint64_t) {}
int CNAStatementAccess::bHasTableCache() {
    return 0;
}

int CNAStatementAccess::bGoToStmtOriginalRecord(int, CNAStatement*, int, eNA_PARSEDIRECTION, long) {
    return 0;
}
int CNAStatementAccess::bSetCurrentRecordRead(CNARecord* pclRecord, int) {
    if (pclRecord == nullptr) return 0;
    if (pclRecord->pclGetCurrentRecordValueNoRef() != nullptr)
        pclRecord->pclGetCurrentRecordValueNoRef()->SetRecordState(NA_RECORDSTATE_PRESENT);
    return pclRecord->bCopyCurrentRecordToOriginalRecord();
}
int CNAStatementAccess::bCopyOriginalRecordToCurrentRecord(CNARecord* pclRecord) {
    if (pclRecord == nullptr) return 0;
    if (pclRecord->pclGetCurrentRecordValueNoRef() != nullptr)
        pclRecord->pclGetCurrentRecordValueNoRef()->SetRecordState(NA_RECORDSTATE_PRESENT);
    return pclRecord->bCopyOriginalRecordToCurrentRecord();
}
int CNAStatementAccess::bGetNbEnr(int64_t* pllCount, unsigned, NA_WRITEPARSEFLAGS, CNAStatement*, int) {
    if (pllCount != nullptr) *pllCount = -1;
    return 0;
}
int CNAStatementAccess::bSkipRecord(const wchar_t*, eNA_PARSEDIRECTION, long, int, eNA_LOCKTYPE, int*,
                                    NA_WRITEPARSEFLAGS) {
    return 0;
}
int CNAStatementAccess::bHLitxxx(const wchar_t*, eNA_PARSEDIRECTION, int, eNA_LOCKTYPE, int*, NA_WRITEPARSEFLAGS) {
    return 0;
}
int CNAStatementAccess::bHEndehors(const wchar_t*, int* pbOut) {
    if (pbOut != nullptr) *pbOut = 1;
    return 0;
}

int CNAStatementAccess::bHSauvePosition(int*, const wchar_t*, unsigned) {
    return 0;
}
int CNAStatementAccess::bHRetourPosition(int, wchar_t*, int, unsigned) {
    return 0;
}
int CNAStatementAccess::bHLiberePosition(int) {
    return 0;
}

int CNAStatementAccess::nKeepCurrentRecordSave() {
    return -1;
}
int CNAStatementAccess::bRestoreOriginalRecordSave(int) {
    return 0;
}
int CNAStatementAccess::bCopySaveToRecord(int, CNARecordValue*) {
    return 0;
}
void CNAStatementAccess::AddRefRecordSave(int) {}
int CNAStatementAccess::nReleaseRecordSave(int) {
    return 0;
}
