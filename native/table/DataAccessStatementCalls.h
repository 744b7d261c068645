// What the data access calls of the statement's browse (fetching, positions, searches, saved
// positions) and of saved positions, gathered in one place.
//
// Each function is the call its comment names. STATEMENT EXECUTION AND POSITIONS TASKS: those
// members of CNAStatement and the class CNAPosition have no body yet. Until they land each function
// answers as a statement that fetches nothing (failure, out of the file, nothing found) and as if
// no position could be made; when they land, each body becomes the call it names.
#pragma once

#include <cstdint>

#include "native/sql/NABrowseTypes.h"
#include "native/statement/NAStatement.h"

class CNADataAccess;
class CNAPosition;
class CNARecordValue;

// ---- the statement
// CNAStatement::bFetch(direction, bReadRecord, count, fetched).
int NA_bStatementFetch(CNAStatement* pclStatement, eNA_PARSEDIRECTION eDirection, int bReadRecord, long nCount,
                       long* pnFetched);
// CNAStatement::HEndehors(out) and EvalHTrouve(found, inside).
void NA_StatementHEndehors(CNAStatement* pclStatement, int* pbOut);
void NA_StatementEvalHTrouve(CNAStatement* pclStatement, int* pbFound, int* pbInside);
// CNAStatement::bMove(record, bReadRecord).
int NA_bStatementMove(CNAStatement* pclStatement, long nRecord, int bReadRecord);
// CNAStatement::bHPositionne(per mille, precision, flags) and bHPositionCourante(out, precision).
int NA_bStatementHPositionne(CNAStatement* pclStatement, int nPerThousand, int nPrecision, NA_WRITEPARSEFLAGS nFlags);
int NA_bStatementHPositionCourante(CNAStatement* pclStatement, int* pnPerThousand, int nPrecision);
// CNAStatement::EnableCache(bOn) and bCacheCompleted().
void NA_StatementEnableCache(CNAStatement* pclStatement, int bOn);
int NA_bStatementCacheCompleted(CNAStatement* pclStatement);
// CNAStatement::SetParseStarted().
void NA_StatementSetParseStarted(CNAStatement* pclStatement);
// CNAStatement::bSetParseNeedUpdate(cause, slot) and bSetParseNeedUpdate(cause).
int NA_bStatementSetParseNeedUpdate(CNAStatement* pclStatement, CNAStatement::ePARSENEEDUPDATECAUSE eCause, int nSlot);
int NA_bStatementSetParseNeedUpdate(CNAStatement* pclStatement, CNAStatement::ePARSENEEDUPDATECAUSE eCause);
// CNAStatement::bCanUpdateParse().
int NA_bStatementCanUpdateParse(CNAStatement* pclStatement);
// CNAStatement::pclGetStmtOriginalRecord() (no reference for the caller; null when none).
CNARecordValue* NA_pclStatementOriginalRecord(CNAStatement* pclStatement);
// CNAStatement::bCopyOriginalRecordToCurrentRecord().
int NA_bStatementCopyOriginalRecordToCurrentRecord(CNAStatement* pclStatement);
// CNAStatement::CurrentRecordNotFound(item, file, site).
void NA_StatementCurrentRecordNotFound(CNAStatement* pclStatement, const wchar_t* pszItem, int nFileId, int nSite);
// CNAStatement::AnnuleRechercheUser() and DesactivateRechercheUserAndInternal().
void NA_StatementAnnuleRechercheUser(CNAStatement* pclStatement);
void NA_StatementDesactivateRechercheUserAndInternal(CNAStatement* pclStatement);
// CNAStatement::bAddSavedPosition(id, position) and bRemoveSavedPosition(id).
int NA_bStatementAddSavedPosition(CNAStatement* pclStatement, int nId, CNAPosition* pclPosition);
int NA_bStatementRemoveSavedPosition(CNAStatement* pclStatement, int nId);
// CNAStatement::ResetStatement().
void NA_StatementReset(CNAStatement* pclStatement);
// CNAStatement::bUpdateChangedTypeInCurrentRecord().
int NA_bStatementUpdateChangedType(CNAStatement* pclStatement);
// CNAStatement::DestroyCacheIndex().
void NA_StatementDestroyCacheIndex(CNAStatement* pclStatement);

// ---- saved positions
// new CNAPosition (count 0); null when none can be made.
CNAPosition* NA_pclNewPosition(CNADataAccess* pclAccess);
// CNAPosition::SetItem(item) and its item name ("" without one).
void NA_PositionSetItem(CNAPosition* pclPosition, const wchar_t* pszItem);
const wchar_t* NA_pszPositionItem(const CNAPosition* pclPosition);
// CNAPosition::pclGetStatement() (no reference).
CNAStatement* NA_pclPositionStatement(const CNAPosition* pclPosition);
// The row index (-1 unknown), the saved-record slot and the second saved-record slot (-1 none).
int64_t NA_llPositionRow(const CNAPosition* pclPosition);
int NA_nPositionRecordSave(const CNAPosition* pclPosition);
int NA_nPositionSecondRecordSave(const CNAPosition* pclPosition);
// CNAPosition::SetRecordSaveID_VerrueHAjouteHLit(access, slot).
void NA_PositionSetRecordSave(CNAPosition* pclPosition, CNADataAccess* pclAccess, int nSlot);
