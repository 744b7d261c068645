// The statement's and the saved positions' services as the data access reaches them (see
// DataAccessStatementCalls.h). The statement's fetching and browse state are its own members;
// STUB (positions task): the rest answers as if no position could be made, until the member it
// names has a body.
#include "native/table/DataAccessStatementCalls.h"

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

int NA_bStatementHPositionne(CNAStatement* pclStatement, int nPerThousand, int nPrecision, NA_WRITEPARSEFLAGS nFlags) {
    return pclStatement->bHPositionne(nPerThousand, nPrecision, nFlags);
}

int NA_bStatementHPositionCourante(CNAStatement* pclStatement, int* pnPerThousand, int nPrecision) {
    return pclStatement->bHPositionCourante(pnPerThousand, nPrecision);
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

int NA_bStatementSetParseNeedUpdate(CNAStatement* pclStatement, CNAStatement::ePARSENEEDUPDATECAUSE eCause, int nSlot) {
    return pclStatement->bSetParseNeedUpdate(eCause, nSlot);
}

int NA_bStatementSetParseNeedUpdate(CNAStatement*, CNAStatement::ePARSENEEDUPDATECAUSE) {
    return 1;
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

void NA_StatementAnnuleRechercheUser(CNAStatement*) {}

void NA_StatementDesactivateRechercheUserAndInternal(CNAStatement*) {}

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
