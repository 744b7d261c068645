// The statement's and the saved positions' services as the data access reaches them (see
// DataAccessStatementCalls.h). STUB (statement execution and positions tasks): every body answers
// as a statement that fetches nothing and as if no position could be made, until the member it
// names has a body.
#include "native/table/DataAccessStatementCalls.h"

int NA_bStatementFetch(CNAStatement*, eNA_PARSEDIRECTION, int, long, long* pnFetched) {
    if (pnFetched != nullptr) *pnFetched = 0;
    return 0;
}

void NA_StatementHEndehors(CNAStatement*, int* pbOut) {
    if (pbOut != nullptr) *pbOut = 1;
}

void NA_StatementEvalHTrouve(CNAStatement*, int* pbFound, int* pbInside) {
    if (pbFound != nullptr) *pbFound = 0;
    if (pbInside != nullptr) *pbInside = 0;
}

int NA_bStatementMove(CNAStatement*, long, int) {
    return 0;
}

int NA_bStatementHPositionne(CNAStatement*, int, int, NA_WRITEPARSEFLAGS) {
    return 0;
}

int NA_bStatementHPositionCourante(CNAStatement*, int* pnPerThousand, int) {
    if (pnPerThousand != nullptr) *pnPerThousand = -1;
    return 0;
}

void NA_StatementEnableCache(CNAStatement*, int) {}

int NA_bStatementCacheCompleted(CNAStatement*) {
    return 0;
}

void NA_StatementSetParseStarted(CNAStatement*) {}

int NA_bStatementSetParseNeedUpdate(CNAStatement*, CNAStatement::ePARSENEEDUPDATECAUSE, int) {
    return 1;
}

int NA_bStatementSetParseNeedUpdate(CNAStatement*, CNAStatement::ePARSENEEDUPDATECAUSE) {
    return 1;
}

int NA_bStatementCanUpdateParse(CNAStatement*) {
    return 0;
}

CNARecordValue* NA_pclStatementOriginalRecord(CNAStatement*) {
    return nullptr;
}

int NA_bStatementCopyOriginalRecordToCurrentRecord(CNAStatement*) {
    return 0;
}

void NA_StatementCurrentRecordNotFound(CNAStatement*, const wchar_t*, int, int) {}

void NA_StatementAnnuleRechercheUser(CNAStatement*) {}

void NA_StatementDesactivateRechercheUserAndInternal(CNAStatement*) {}

int NA_bStatementAddSavedPosition(CNAStatement*, int, CNAPosition*) {
    return 0;
}

int NA_bStatementRemoveSavedPosition(CNAStatement*, int) {
    return 1;
}

void NA_StatementReset(CNAStatement*) {}

int NA_bStatementUpdateChangedType(CNAStatement*) {
    return 1;
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
