// CNAStatementAccess: what a statement asks of the data access that owns it while it executes and
// fetches: the record it fills, the continuation of a browse past the end of a block, the marks of a
// record read, the saved records, the counts, the skips and the position save and return that the
// per-mille operations and the completion of a record cache use.
//
// LEAST VERSION (data-access task): the data access does not have these operations yet. Each member
// stands for the data access's operation of the same name (the statement's own record passed where
// the access would use its current record). A data access that also derives from this class answers
// them itself; any other answers as the bodies in NAStatementAccess.cpp say, which is what an access
// without statements, saved records or positions can say. When the data access lands, every call
// becomes the call on the access and this class goes.
#pragma once

#include <cstdint>

#include "native/sql/NABrowseTypes.h"
#include "native/statement/NAParseDirection.h"

class CAny;
class CNAColumn;
class CNACommand;
class CNADataAccess;
class CNAError;
class CNARecord;
class CNARecordValue;
class CNAStatement;

class CNAStatementAccess {
public:
    // The services of this access: its own when it answers them, else the least ones.
    static CNAStatementAccess* s_pclOf(CNADataAccess* pclAccess);

    virtual ~CNAStatementAccess() = default;

    // ---- the statement's life and its query
    // The access's current record (no reference), which a new statement fills.
    virtual CNARecord* pclGetCurrentRecordNoRef();
    virtual void ClosingStatement(CNAStatement* pclStatement);
    // Whether the access has the description of its table or query as the server gives it.
    virtual int bHasImportedDataSourceDesc();
    // The access takes the description of the result the statement has just run.
    virtual int bInitImportedDataSourceDesc(CNAStatement* pclStatement);
    // The browse SELECT with its block size; *pllCount the rows asked for (in and out).
    virtual int bBuildSelect(CNACommand* pclCommand, CNAStatement* pclStatement, const wchar_t* pszItem, int bForward,
                             NA_WRITEPARSEFLAGS nFlags, int64_t* pllCount);
    // The automatic identifier the server gave the last insert (CNAIDAuto::bGetMaxCurrentValue on
    // the access's identifier object); *pbHasObject is 0 when the access has no identifier object.
    virtual int bGetMaxCurrentValue(CNAColumn* pclColumn, CNAError* pclError, CAny* pclValue, int* pbHasObject);
    // The automatic-identifier column of the current record takes a new value.
    virtual int bSetNewAutoId();
    // The statement's record-size estimate rises to that many bytes (it never falls).
    virtual void RaiseRecordSize(uint64_t nSize);
    // Whether the access holds a table cache.
    virtual int bHasTableCache();

    // ---- browsing
    // Goes back to the statement's original record and on in the direction: the continuation of a
    // browse whose block ended.
    virtual int bGoToStmtOriginalRecord(int bKeep, CNAStatement* pclStatement, int bReadRecord,
                                        eNA_PARSEDIRECTION eDirection, long nCount);
    virtual int bSetCurrentRecordRead(CNARecord* pclRecord, int bKeep);
    virtual int bCopyOriginalRecordToCurrentRecord(CNARecord* pclRecord);
    virtual int bGetNbEnr(int64_t* pllCount, unsigned nOptions, NA_WRITEPARSEFLAGS nFlags, CNAStatement* pclStatement,
                          int nDirection);
    virtual int bSkipRecord(const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, long nCount, int bReadRecord,
                            eNA_LOCKTYPE eLock, int* pnLockOut, NA_WRITEPARSEFLAGS nFlags);
    virtual int bHLitxxx(const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, int bReadRecord, eNA_LOCKTYPE eLock,
                         int* pnLockOut, NA_WRITEPARSEFLAGS nFlags);
    virtual int bHEndehors(const wchar_t* pszItem, int* pbOut);

    // ---- positions
    virtual int bHSauvePosition(int* pnId, const wchar_t* pszItem, unsigned nKind);
    // pszItem receives the position's item (a buffer of 255 characters).
    virtual int bHRetourPosition(int nId, wchar_t* pszItem, int bKeep, unsigned nKind);
    virtual int bHLiberePosition(int nId);

    // ---- saved records
    virtual int nKeepCurrentRecordSave();
    virtual int bRestoreOriginalRecordSave(int nSlot);
    virtual int bCopySaveToRecord(int nSlot, CNARecordValue* pclValue);
    virtual void AddRefRecordSave(int nSlot);
    virtual int nReleaseRecordSave(int nSlot);
};
