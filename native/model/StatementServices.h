// What the record layout and its columns need of the statement layer (the record values that
// hold a row, the statement a column list is written for) and of the data access that owns the
// record, gathered in one place.
//
// Each function is the call its comment names.
#pragma once

class CAny;
class CNAConvertVariant;
class CNADataAccess;
class CNAError;
class CNARecord;
class CNARecordValue;
class CNAStatement;
class CNAYFRecord;
class CSQLParserInfo;
template <class T>
class CXYStringConcat;

// new CNARecordValue(error), with one reference; null when it cannot be made.
CNARecordValue* NA_pclNewRecordValue(CNAError* pclError);
// CNARecordValue::nRelease.
void NA_ReleaseRecordValue(CNARecordValue* pclValue);
// CNARecordValue::bCopyNAYFRecord(record): copies the image, cloning it on first use.
bool NA_bRecordValueCopyNAYFRecord(CNARecordValue* pclValue, CNAYFRecord* pclRecord);
// CNARecordValue::bCopyRecordValue(source, -1): everything.
bool NA_bRecordValueCopy(CNARecordValue* pclValue, const CNARecordValue* pclSource);
// CNARecordValue::pclGetClone(-1), with one reference; null when it cannot be made.
CNARecordValue* NA_pclRecordValueClone(const CNARecordValue* pclValue);
// The record value's record image (null before its first copy).
CNAYFRecord* NA_pclRecordValueNAYFRecord(const CNARecordValue* pclValue);
// CNARecordValue::bEquals(other, bMemos).
bool NA_bRecordValueEquals(const CNARecordValue* pclValue, const CNARecordValue* pclOther, int bMemos);
// The state word (128: the row was deleted).
void NA_SetRecordValueState(CNARecordValue* pclValue, unsigned nState);
unsigned NA_nGetRecordValueState(const CNARecordValue* pclValue);
// CNARecordValue::bShareMemoValue(k, converter).
bool NA_bRecordValueShareMemoValue(CNARecordValue* pclValue, unsigned k, CNAConvertVariant* pclConverter);
// The row identity's text for dumps after the prefix; false when the value has no identity.
bool NA_bRecordValueIdToString(const CNARecordValue* pclValue, CXYStringConcat<wchar_t>* pclOut);
// CNADataAccess::pclAllocRecordID(value) then CNARecordValue::bShareRecordID: the row identity
// the data access chooses for its table; true when there is none to give.
bool NA_bRecordValueShareNewRecordID(CNADataAccess* pclAccess, CNARecordValue* pclValue);

// CNADataAccess::pszGetLogicalName (an empty text without an access).
const wchar_t* NA_pszGetDataAccessLogicalName(const CNADataAccess* pclAccess);
// The data access's source-is-a-query flag and its parsed query (false and null without one).
bool NA_bDataAccessSourceIsQuery(const CNADataAccess* pclAccess);
CSQLParserInfo* NA_pclDataAccessSourceQuery(const CNADataAccess* pclAccess);

// The statement's record layout and its bind/define flag (CNAStatement::nGetBindDefineFlag).
CNARecord* NA_pclStatementRecord(CNAStatement* pclStatement);
unsigned NA_nStatementBindDefineFlag(CNAStatement* pclStatement);
