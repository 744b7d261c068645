// CNAStatementAccess: what a statement asks of the data access that owns it while it executes and
// fetches: the record it fills, the continuation of a browse past the end of a block, the marks of a
// record read, the saved records, the counts, the skips and the position save and return that the
// per-mille operations and the completion of a record cache use.
//
// UNTIL THE DATA ACCESS'S BROWSE LANDS (data-access task): several of these operations of the data
// access are plain members whose bodies still fail, so a test cannot stand in for them. Each member
// here is the data access's operation of the same name, which the bodies in NAStatementAccess.cpp
// call; a data access that also derives from this class (the tests' double) answers them itself.
// Once the browse, positions and counts of the data access are built, a test double overrides the
// access's own virtual operations instead, every call becomes the call on the access, and this
// class goes.
#pragma once

#include <cstdint>

#include "native/sql/NABrowseTypes.h"
#include "native/statement/NAParseDirection.h"

class CAny;
class CNAColumn;
class CNACommand;
class CNADataAccess;
class CNAError;
class CNAFilter;
class CNARecord;
class CNARecordCache;
class CNARecordValue;
class CNAStatement;

class CNAStatementAccess {
public:
    // The services of this access: its own when it answers them, else the access's operations.
    static CNAStatementAccess* s_pclOf(CNADataAccess* pclAccess);

    virtual ~CNAStatementAccess() = default;

    // ---- the statement's life and its query
    // The access's current record (no reference), which a new statement fills.
    virtual CNARecord* pclGetCurrentRecordNoRef(CNADataAccess* pclAccess);
    virtual void ClosingStatement(CNADataAccess* pclAccess, CNAStatement* pclStatement);
    // Whether the access has the description of its table or query as the server gives it.
    virtual int bHasImportedDataSourceDesc(CNADataAccess* pclAccess);
    // The access takes the description of the result the statement has just run as the table's
    // description from the server.
    virtual int bInitImportedDataSourceDesc(CNADataAccess* pclAccess, CNAStatement* pclStatement);
    // The browse SELECT with its block size; *pllCount the rows asked for (in and out).
    virtual int bBuildSelect(CNADataAccess* pclAccess, CNACommand* pclCommand, CNAStatement* pclStatement,
                             const wchar_t* pszItem, int bForward, NA_WRITEPARSEFLAGS nFlags, long* pnCount);
    // The automatic identifier the server gave the last insert (CNAIDAuto::bGetMaxCurrentValue on
    // the access's identifier object); *pbHasObject is 0 when the access has no identifier object.
    virtual int bGetMaxCurrentValue(CNADataAccess* pclAccess, CNAColumn* pclColumn, CNAError* pclError, CAny* pclValue, int* pbHasObject);
    // The automatic-identifier column of the current record takes a new value.
    virtual int bSetNewAutoId(CNADataAccess* pclAccess);
    // The statement's record-size estimate rises to that many bytes (it never falls).
    virtual void RaiseRecordSize(CNADataAccess* pclAccess, uint64_t nSize);
    // Whether the access holds a table cache.
    virtual int bHasTableCache(CNADataAccess* pclAccess);

    // ---- browsing
    // Goes back to the statement's original record and on in the direction: the continuation of a
    // browse whose block ended.
    virtual int bGoToStmtOriginalRecord(CNADataAccess* pclAccess, int bKeep, CNAStatement* pclStatement, int bReadRecord,
                                        eNA_PARSEDIRECTION eDirection, long nCount);
    virtual int bSetCurrentRecordRead(CNADataAccess* pclAccess, int bKeep);
    virtual int bCopyOriginalRecordToCurrentRecord(CNADataAccess* pclAccess);
    virtual int bGetNbEnr(CNADataAccess* pclAccess, int64_t* pllCount, unsigned nOptions, NA_WRITEPARSEFLAGS nFlags, CNAStatement* pclStatement,
                          int nDirection);
    virtual int bSkipRecord(CNADataAccess* pclAccess, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, long nCount, int bReadRecord,
                            eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, NA_WRITEPARSEFLAGS nFlags);
    virtual int bHLitxxx(CNADataAccess* pclAccess, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, int bReadRecord, eNA_LOCKTYPE eLock,
                         eNA_LOCKTYPE* peLockOut, NA_WRITEPARSEFLAGS nFlags);
    virtual int bHEndehors(CNADataAccess* pclAccess, const wchar_t* pszItem, int* pbOut);

    // ---- positions
    virtual int bHSauvePosition(CNADataAccess* pclAccess, int* pnId, const wchar_t* pszItem, unsigned nKind);
    // pszItem receives the position's item (a buffer of 255 characters).
    virtual int bHRetourPosition(CNADataAccess* pclAccess, int nId, wchar_t* pszItem, int bKeep, unsigned nKind);
    virtual int bHLiberePosition(CNADataAccess* pclAccess, int nId);

    // ---- saved records
    virtual int nKeepCurrentRecordSave(CNADataAccess* pclAccess);
    // The statement's original record (the access's own original record without a statement) in a
    // new saved record, with one reference for the caller; -1 when none can be kept.
    virtual int nKeepOriginalRecordSave(CNADataAccess* pclAccess, CNAStatement* pclStatement);
    // Whether the record kept in the slot was deleted since.
    virtual int bRecordDeleted(CNADataAccess* pclAccess, int nSlot);
    // The saved record of the access's last read, -1 when none.
    virtual int nGetLastReadSave(CNADataAccess* pclAccess);
    virtual int bRestoreOriginalRecordSave(CNADataAccess* pclAccess, int nSlot);
    virtual int bCopySaveToRecord(CNADataAccess* pclAccess, int nSlot, CNARecordValue* pclValue);
    virtual void AddRefRecordSave(CNADataAccess* pclAccess, int nSlot);
    virtual int nReleaseRecordSave(CNADataAccess* pclAccess, int nSlot);

    // ---- filters and writes
    // The filter the access last browsed with (no reference), and the one it takes now.
    virtual CNAFilter* pclGetLatestFilterNoRef(CNADataAccess* pclAccess);
    virtual void SetLatestFilter(CNADataAccess* pclAccess, CNAFilter* pclFilter);
    // The row the access's current record was written to refreshed in the record cache; its row, or
    // -1.
    virtual int nUpdateRecordInCache(CNADataAccess* pclAccess, NA_WRITEPARSEFLAGS nFlags, CNARecordCache* pclCache);
};
