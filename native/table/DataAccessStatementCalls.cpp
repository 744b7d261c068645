// The statement's and the saved positions' services as the data access reaches them (see
// DataAccessStatementCalls.h). STUB (statement execution and positions tasks): every body answers
// as a statement that fetches nothing and as if no position could be made, until the member it
// names has a body.
#include "native/table/DataAccessStatementCalls.h"

#include "native/table/NADataAccess.h"

int NA_bStatementFetch(CNAStatement* pclStatement, eNA_PARSEDIRECTION eDirection, int bReadRecord, long nCount,
                       long* pnFetched) {
    return pclStatement->bFetch(eDirection, bReadRecord, nCount, pnFetched);
}

void NA_StatementHEndehors(CNAStatement* pclStatement, int* pbOut) {
    pclStatement->HEndehors(pbOut);
}

void NA_StatementEvalHTrouve(CNAStatement* pclStatement, int* pbFound, int* pbInside) {
    pclStatement->EvalHTrouve(pbFound, pbInside);
}

int NA_bStatementMove(CNAStatement* pclStatement, long nRecord, int bReadRecord) {
    return pclStatement->bMove(nRecord, bReadRecord);
}

int NA_bStatementHPositionne(CNAStatement*, int, int, NA_WRITEPARSEFLAGS) {
    return 0;
}

int NA_bStatementHPositionCourante(CNAStatement*, int* pnPerThousand, int) {
    if (pnPerThousand != nullptr) *pnPerThousand = -1;
    return 0;
}

void NA_StatementEnableCache(CNAStatement* pclStatement, int bOn) {
    pclStatement->EnableCache(bOn);
}

int NA_bStatementCacheCompleted(CNAStatement* pclStatement) {
    return pclStatement->bCacheCompleted();
}

void NA_StatementSetParseStarted(CNAStatement* pclStatement) {
    pclStatement->SetParseStarted();
}

int NA_bStatementSetParseNeedUpdate(CNAStatement* pclStatement, CNAStatement::ePARSENEEDUPDATECAUSE eCause,
                                    int nSlot) {
    return pclStatement->bSetParseNeedUpdate(eCause, nSlot);
}

int NA_bStatementSetParseNeedUpdate(CNAStatement* pclStatement, CNAStatement::ePARSENEEDUPDATECAUSE eCause) {
    if (eCause == CNAStatement::PARSENEEDUPDATE_NONE)
        return pclStatement->bSetParseNeedUpdate(CNAStatement::PARSENEEDUPDATE_NONE, -1);
    // The statement's original record becomes the reference row; without one nothing is recorded.
    CNADataAccess* pclAccess = pclStatement->pclGetDataAccessNoRef();
    const int nSlot = pclAccess != nullptr ? pclAccess->nKeepOriginalRecordSave(pclStatement) : -1;
    if (nSlot == -1) return 1;
    const int bResult = pclStatement->bSetParseNeedUpdate(eCause, nSlot);
    pclAccess->nReleaseRecordSave(nSlot);
    return bResult;
}

int NA_bStatementCanUpdateParse(CNAStatement*) {
    return 0;
}

CNARecordValue* NA_pclStatementOriginalRecord(CNAStatement* pclStatement) {
    return pclStatement->pclGetStmtOriginalRecord();
}

int NA_bStatementCopyOriginalRecordToCurrentRecord(CNAStatement*) {
    return 0;
}

void NA_StatementCurrentRecordNotFound(CNAStatement* pclStatement, const wchar_t* pszItem, int nFileId, int nSite) {
    pclStatement->CurrentRecordNotFound(pszItem, nFileId, nSite);
}

void NA_StatementAnnuleRechercheUser(CNAStatement* pclStatement) {
    pclStatement->AnnuleRechercheUser();
}

void NA_StatementDesactivateRechercheUserAndInternal(CNAStatement* pclStatement) {
    pclStatement->DesactivateRechercheUserAndInternal();
}

int NA_bStatementAddSavedPosition(CNAStatement*, int, CNAPosition*) {
    return 0;
}

int NA_bStatementRemoveSavedPosition(CNAStatement*, int) {
    return 1;
}

void NA_StatementReset(CNAStatement* pclStatement) {
    pclStatement->ResetStatement();
}

int NA_bStatementUpdateChangedType(CNAStatement* pclStatement) {
    return pclStatement->bUpdateChangedTypeInCurrentRecord();
}

void NA_StatementDestroyCacheIndex(CNAStatement*) {}

CNAPosition* NA_pclNewPosition(CNADataAccess*) {
    return nullptr;
}

void NA_PositionSetItem(CNAPosition*, const wchar_t*) {}

const wchar_t* NA_pszPositionItem(const CNAPosition*) {
    return L"";
}

CNAStatement* NA_pclPositionStatement(const CNAPosition*) {
    return nullptr;
}

int64_t NA_llPositionRow(const CNAPosition*) {
    return -1;
}

int NA_nPositionRecordSave(const CNAPosition*) {
    return -1;
}

int NA_nPositionSecondRecordSave(const CNAPosition*) {
    return -1;
}

void NA_PositionSetRecordSave(CNAPosition*, CNADataAccess*, int) {}
