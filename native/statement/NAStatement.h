// CNAStatement: the cursor of one data access over one query. It holds the command the SQL
// writers built, the SQL-layer statement that runs it on the server, the record layout each fetch
// fills, and the client-side state of the browse: position, found and out-of-file flags, block
// limit, record cache, saved positions, search and filter. A data access keeps one statement per
// browse item (keyed by the item name), plus statements for counts and internal queries. The
// PostgreSQL driver allocates this class itself for every data access; no class derives from it.
//
// Where the members are written:
//   native/sql/NAStatementSelect.cpp  the SQL of browses: the dispatch over query kinds, SELECT
//                                     over a table or a host query, COUNT, ORDER BY, the WHERE of
//                                     the current and of the latest row read;
//   NAStatementExecute.cpp            preparing and running the command, closing, raw values,
//                                     counts, the identifier after an insert;
//   NAStatementFetch.cpp              fetching in the four directions, the next block, the record
//                                     cache, the per-mille place and the known counts;
//   native/sql/NAStatementWrite.cpp   the SQL of writes: INSERT, UPDATE, DELETE, CREATE TABLE, DROP;
//   NAStatementPosition.cpp           the reference row and re-positioning, rows changed by other
//                                     statements, saved positions, searches, filters and the
//                                     notifications of writes;
//   NATableCacheStatement.cpp         browsing the data access's table cache through an index;
//   NAStatement.cpp                   construction, the fields and the few members the SQL writers
//                                     call.
#pragma once

#include <cstdint>
#include <string>

#include "core/NARefArray.h"
#include "core/RefHashTable.h"
#include "core/TString.h"
#include "core/TTableau.h"
#include "native/driver/INAError.h"
#include "native/model/Interf.h"
#include "native/model/NAColumn.h"
#include "native/sql/NABrowseTypes.h"
#include "native/sql/NACommand.h"
#include "native/sql/NAFilter.h"
#include "native/statement/NAUserSearch.h"

class CAny;
class CColumnList;
class CNAConnectionDescription;
class CNAConvertVariant;
class CNADataAccess;
class CNADataSourceDescription;
class CNAError;
class CNAPosition;
class CNAExpression;
class CNARecherche;
class CNARecord;
class CNARecordCache;
class CNARecordId;
class CNARecordValue;
class CNAStatementAccess;
class CNAStatementSQL;
class CNATableCacheIndex;
class CSQLParserInfo;
class INADataSourceDescription;
class INAItemDescription;
class ISQLParserInformation;
template <class T>
class CXYStringConcat;

// Saved positions are held with one reference each.
template <>
struct CRefTraits<CNAPosition> {
    static void _AddRef(CNAPosition* p);
    static void _Release(CNAPosition* p);
};

class CNAStatement : public CInterf {
public:
    // Why a browse must be rebuilt before its next move; a pending 1 is never replaced by 2.
    enum ePARSENEEDUPDATECAUSE : uint32_t {
        PARSENEEDUPDATE_NONE = 0,
        PARSENEEDUPDATE_REBUILD = 1,     // the query must be run again
        PARSENEEDUPDATE_REPOSITION = 2,  // the browse must find its reference row again
    };
    // Whether an execution prepares the query.
    enum eNA_ST_PREPARE : uint32_t {
        NA_ST_NOPREPARE = 0,
        NA_ST_PREPARE = 1,
    };
    // A block limit of -1: the whole result is on the client.
    static constexpr int32_t NO_LIMIT = -1;
    // Entries of the record-save table besides saved-record slots.
    static constexpr int32_t RECORDSAVE_NONE = -1;
    static constexpr int32_t RECORDSAVE_DELETED = -2;
    // The order-completion options: complete an ascending (bit 0) or a descending (bit 1) ORDER BY
    // with the record's other order-by columns.
    enum : uint32_t {
        ORDERBY_COMPLETE_ASCENDING = 1,
        ORDERBY_COMPLETE_DESCENDING = 2,
    };

    // With an access, its description and current record are taken with references; with an error
    // object, it is referenced.
    explicit CNAStatement(CNADataAccess* pclDataAccess = nullptr, CNAError* pclError = nullptr);
    CNAStatement(const CNAStatement&) = delete;
    CNAStatement& operator=(const CNAStatement&) = delete;
    ~CNAStatement() override;

    // ------------------------------------------------------------------ virtual operations
    // In this order after CInterf's (the destructor pair and _NotToBeCalled).
    virtual void ResetQuery();
    virtual void Close();
    virtual int bExecute(NA_WRITEPARSEFLAGS nFlags, eNA_ST_PREPARE ePrepare);
    virtual int bExecuteDirectNewCommand(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags, eNA_ST_PREPARE ePrepare);
    virtual int bExecuteDirect(NA_WRITEPARSEFLAGS nFlags, eNA_ST_PREPARE ePrepare);
    virtual int bExecuteAndFetch(CAny* ptabValues, int nValues, eNA_ST_PREPARE ePrepare);
    virtual int bGetRequestedValue(CAny* pclValue);
    virtual int bGetResultValue(CAny* pclValue, unsigned n);
    // Column n of the current result row into the converter, or into the variant; on failure the
    // SQL statement's error is copied into the statement's error object.
    virtual int bGetSQLColumnValue(CNAConvertVariant* pclValue, unsigned n);
    virtual int bGetSQLColumnValue(CAny* pclValue, unsigned n);
    // The browse SELECT: command, flags, browse item (null: none), ascending flag (1 ascending, 0
    // descending), where command (null: none).
    virtual int bBuildQuerySELECT(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags, const wchar_t* pszItem,
                                  int bAscending, CNACommand* pclWhere);
    // The condition of the active filter and search into the command; 1 with nothing written when
    // there is neither.
    virtual int bGetClauseWHERE(CNACommand* pclCommand);
    virtual int bBuildQueryCREATE(CNACommand* pclCommand);
    virtual int bHAjoute(NA_WRITEPARSEFLAGS nFlags);
    virtual int bBuildQueryINSERT(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags);
    virtual int bHModifie(NA_WRITEPARSEFLAGS nFlags);
    virtual int bBuildQueryUPDATE(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags);
    virtual int bHSupprime(NA_WRITEPARSEFLAGS nFlags);
    virtual int bBuildQueryDELETE(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags);
    virtual void OnNotifyOperation(eNAQUERYTYPE eType, int64_t llRow, CNAStatement* pclSource,
                                   NA_WRITEPARSEFLAGS nFlags, const CNARecordValue* pclOldValue);
    virtual int bUpdateRecordAfterInsert(eNAQUERYTYPE eType, NA_WRITEPARSEFLAGS nFlags);
    virtual int bUpdateRecordAfterUpdate(eNAQUERYTYPE eType, NA_WRITEPARSEFLAGS nFlags);
    virtual int bSetLockType(eNA_LOCKTYPE eLock);
    virtual int bCanFetchBackward();
    virtual int bGetNbEnr(int64_t* pllCount, NA_WRITEPARSEFLAGS nFlags, int nOption);
    virtual int bGetNbEnrCurrentParse(int64_t* pllCount, NA_WRITEPARSEFLAGS nFlags, int bWithFilter);
    virtual int bGetBLOB(const wchar_t* pszItem, CAny* pclValue);
    virtual int bExtraitMemo(const wchar_t* pszItem, const wchar_t* pszFile);
    virtual int bGetPosition(CNAPosition* pclPosition, unsigned nKind);
    virtual int bSetPosition(CNAPosition* pclPosition, unsigned nKind);
    virtual void DesactivateRecherche();
    // A new search (count 0) on the error and the access's connection, or null.
    virtual CNARecherche* pclAllocRecherche(CNAError* pclError);
    virtual CNAFilter* pclAllocFilter(CNAError* pclError);
    virtual int bDefaultParseNeedRecordCache();
    virtual int _bGetQueryStructure(CNADataSourceDescription* pclDescription, int n);
    virtual int _bPrepare();
    virtual int _bExecutePreparedQuery(NA_WRITEPARSEFLAGS nFlags);
    virtual int _vbGetQueryResult(CAny* ptabValues, int nValues);
    virtual int _bGetNativeDataType(CNAColumn* pclColumn, CTString* pclOut);
    virtual int _bGetNativeConstraint(CNAColumn* pclColumn, CTString* pclOut);
    // One ORDER BY expression: column, parsed query, by-name flag, output text, in/out ascending flag.
    virtual void _FormatItemORDERBY(const CNAColumn* pclColumn, CSQLParserInfo* pclParser, int bByName,
                                    CTString* pclOut, int* pbAscending) const;
    virtual int _bAddClauseReturning(eNAQUERYTYPE eType, int nFlags);
    virtual int _bAddColumnValue(CNACommand* pclCommand, CNAColumn* pclColumn, eNAQUERYTYPE eType, unsigned int nFlags);
    virtual int _bFetch(eNA_PARSEDIRECTION eDirection, int bReadRecord, int* pbOut, long nCount, long* pnFetched);
    // The row count: command, a value that is not used, all-rows flag (1: no condition).
    virtual int _bBuildQueryCOUNT(CNACommand* pclCommand, unsigned int nUnused, int bAllRows);
    virtual int _bUpdateNARecord(eNA_PARSEDIRECTION eDirection);
    virtual int _bUpdateNARecordFromDB();
    virtual int _bSetPositionParametersEx(CNAPosition* pclPosition);
    virtual int _bGoToRowId(int64_t llRow, CNAPosition* pclPosition);
    virtual void _RestaureRecordFromCache(int64_t llRow);
    virtual void _SetBestCacheMethod();
    virtual int _bCreateTableCacheIndex();

    // ------------------------------------------------------------------ SQL of browses
    // (native/sql/NAStatementSelect.cpp)
    // Resets the statement, makes the command current, stores the query type and writes that kind.
    int bBuildQuery(eNAQUERYTYPE eType, CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags);
    int _bBuildQuerySELECT(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags, const wchar_t* pszItem, int bAscending,
                           CNACommand* pclWhere);
    // The result, with out of memory recorded when the command's text lost a piece.
    int _bTextKept(CNACommand* pclCommand, int bResult) const;
    // " FROM " the table (or the access's database table), the no-lock hint, the WHERE and, with
    // bWithOrderBy, the ORDER BY.
    int _bBuildQuerySELECTFromTable(const wchar_t* pszTable, NA_WRITEPARSEFLAGS nFlags, const wchar_t* pszItem,
                                    int bAscending, CNACommand* pclWhere, int bWithOrderBy);
    int _bBuildQuerySELECTFromTable(NA_WRITEPARSEFLAGS nFlags, const wchar_t* pszItem, int bAscending,
                                    CNACommand* pclWhere, int bWithOrderBy);
    int _bBuildQuerySELECTFromQuery(CSQLParserInfo* pclParser, NA_WRITEPARSEFLAGS nFlags, const wchar_t* pszItem,
                                    int bAscending, CNACommand* pclWhere, int bWithOrderBy, int bAsSubQuery);
    // Chooses the ORDER BY and sets the command's inverted-fetch flag. The table name is not used.
    // Whether a browse reads a query that decides its own rows whole, as a derived table the
    // browse's condition and order apply to: along an item, with a condition to add, or backward
    // in its own order when its LIMIT or OFFSET picks the rows by the forward one.
    int _bBrowseAroundQuery(CSQLParserInfo* pclParser, NA_WRITEPARSEFLAGS nFlags, const wchar_t* pszItem,
                            int bAscending, int bCondition);
    int _bBuildQuerySELECTAroundQuery(CSQLParserInfo* pclParser, NA_WRITEPARSEFLAGS nFlags, const wchar_t* pszItem,
                                      int bAscending, CNACommand* pclWhere, uint32_t nQueryFlags);
    int _bFormatOrderBy(const wchar_t* pszTable, CSQLParserInfo* pclParser, NA_WRITEPARSEFLAGS nFlags,
                        const wchar_t* pszItem, int bAscending, int bByName);
    // The " ORDER BY " list from a leading column (or none), completed so that it orders the rows
    // uniquely.
    int _FormatORDERBYList(CNAColumn* pclLeading, int bAscending, CSQLParserInfo* pclParser, int bByName,
                           NA_WRITEPARSEFLAGS nFlags) const;
    // Adds one column to the list under construction unless it is there already; *pbStop becomes
    // 1 once the listed columns identify a row.
    int _AddItemInORDERBYList(int* pbStop, CNARefArray<CNAColumn>* pclColumns, CTTableau<int>* pclAscending,
                              CNAColumn* pclColumn, int bAscending) const;
    int _bComposedKeyUniqueNotNullAdded(CNARefArray<CNAColumn>* pclColumns) const;
    // The condition that designates the current record (by the best browse item, or by the given
    // columns of a composite key), after " WHERE " with bAddWhere.
    int _bAddWHERECurrentRecord(CNACommand* pclCommand, int bAddWhere, const CNARefArray<CNAColumn>* pclColumns);
    // The same for the latest row read.
    int _bAddWHERELatestRead(CNACommand* pclCommand, int bAddWhere, const CNARefArray<CNAColumn>* pclColumns);
    // The memo values of the current record swapped with those of the latest row read, and back.
    int _bSwapMemosWithLatestRead(const CNARecordValue* pclLatest, CRefArray<CNAConvertVariant>* ptabKept);
    void _RestoreMemosWritten(CRefArray<CNAConvertVariant>* ptabKept);
    // The row the RETURNING clause gave back, read into its columns: 1 read, 0 failed.
    int _bReadReturnedRow();

    // Rows of a table without a unique key are told apart by where the server stores them: the
    // row's ctid and xmin are read with it and kept after the record's memos (in the memo table,
    // which the caches and saved records carry with the row). xmin changes whenever the row is
    // written, so a row another user rewrote is never taken for the one read.
    int _bDesignatesByRowLocator();
    // Whether an INSERT writes the value of an identifier the server fills itself.
    int _bWritesIdentityValue(unsigned int nFlags);
    // The position of the locator's two values in a record value's memo table.
    int _nRowLocatorIndex() const;
    // The locator at result column n (ctid, then xmin at n + 1) kept in the current record value.
    int _bReadRowLocator(unsigned n);
    // The WHERE of an UPDATE or DELETE: the locator of the latest row read when it has one, else
    // its values.
    int _bAddWHERERowToWrite(CNACommand* pclCommand);
    // The LIMIT clause (or an OFFSET before it or alone) that ends a host query's text is set aside
    // while the ORDER BY is written before it: the clause's text and the parameters placed in it are taken out of the command...
    static int s_bCutLimitClause(CNACommand* pclCommand, CNAConnectionDescription* pclConnection, CTString* pclClause,
                                 CRefArray<CNAParameter>* pclParameters, unsigned long* pnClauseStart);
    // ... and put back after a blank at the end of the text, each parameter at its place in it.
    static int s_bAppendLimitClause(CNACommand* pclCommand, const CTString& clClause,
                                    CRefArray<CNAParameter>* pclParameters, unsigned long nClauseStart);

    // ------------------------------------------------------------------ SQL of writes
    int bBuildQueryDELETEALL(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags);
    int bBuildQueryDROPTABLE(CNACommand* pclCommand);
    int _bBuildQueryStart(CNACommand* pclCommand, eNAQUERYTYPE eType);
    int _bBuildQueryInsertUpdate(CNACommand* pclCommand, eNAQUERYTYPE eType, int nFlags);
    int _bBuildColumnList(CColumnList* pclList, CNACommand* pclValues, eNAQUERYTYPE eType, unsigned int nFlags);
    int _bNeedToUpdate(CNAColumn* pclColumn, eNAQUERYTYPE eType, unsigned int nFlags);
    int _bBuildSubQueryCREATEColumn(CNAColumn* pclColumn, CXYStringConcat<wchar_t>* pclOut);
    int bQueryCREATE_AutoCorrectVarcharMax(CXYStringConcat<wchar_t>* pclOut, const wchar_t* pszSQL,
                                           const wchar_t* pszType, int nMax, const wchar_t* pszReplacement);
    const wchar_t* pszGetTableName() const;

    // ------------------------------------------------------------------ preparation and execution
    int _bExecute(NA_WRITEPARSEFLAGS nFlags, eNA_ST_PREPARE ePrepare);
    int _bAllocStatementSQL();
    // Keeps the command (a reference taken) after resetting the query; null only resets.
    void _SetQuery(CNACommand* pclCommand);
    int bPrepare(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags);
    int bExecutePreparedQuery(NA_WRITEPARSEFLAGS nFlags, int bRefreshParameters);
    void ResetStatement();
    int _bResetStatementSQL();
    int bGetQueryStructure(CNADataSourceDescription* pclDescription);
    int _bFetchSQL();
    unsigned long nGetRowMaxLen();
    int _bSetColumnValueFromDB(CNAColumn* pclColumn);
    // ")" and, for the server kinds that want one, the alias " KX_SUBQUERY".
    int _bCloseSubQuery();
    void _DumpQuery(CNACommand* pclCommand);
    // Whether a browse with these flags is written SELECT DISTINCT.
    int _bAddDistinct(NA_WRITEPARSEFLAGS nFlags);
    int _bGetNbEnr_NoSubQuery(int64_t* pllCount, NA_WRITEPARSEFLAGS nFlags, int nOption);
    int bUpdateChangedTypeInCurrentRecord();

    // ------------------------------------------------------------------ fetching
    int bFetch(eNA_PARSEDIRECTION eDirection, int bReadRecord, long nCount, long* pnFetched = nullptr);
    void EvalHTrouve(int* pbFound, int* pbInside) const;
    void HEndehors(int* pbOut) const;
    void _SetHEndehors(int bOut) { m_bOutOfFile = bOut ? 1u : 0u; }
    void _SetHTrouve(int bFound) { m_bFound = bFound ? 1u : 0u; }
    int64_t nGetCurrentRecord() const { return m_llCurrentPosition; }
    void _SetCurrentRecord(int64_t ll);
    void SetParseStarted();
    int bFetchData(eNA_PARSEDIRECTION eDirection, int* pbOut, CAny* ptabValues, int nValues);
    int bMove(long n, int bReadRecord);
    int bHPositionne(int nPerThousand, int nPrecision, NA_WRITEPARSEFLAGS nFlags);
    int bHPositionCourante(int* pnPerThousand, int nPrecision);
    void EnableCache(int bOn);
    void EmptyCache();
    int bCacheEnabled() const;
    int bCacheCompleted() const;
    void _SetRecordCache(CNARecordCache* pclCache);
    CNARecordCache* pclGetFullRecordCache();
    int bIndexCache() const;
    void CurrentRecordNotFound(const wchar_t* pszItem, int nFileId, int nSite);
    int bSetStmtOriginalRecord(eNA_PARSEDIRECTION eDirection);
    CNARecordValue* pclGetStmtOriginalRecord();
    int _bAllocStmtOriginalRecord();
    int _bFetchCacheDisabled(eNA_PARSEDIRECTION eDirection, int bReadRecord, long nCount, long* pnFetched, int* pbOut);
    int _bFetchCacheEnabled(eNA_PARSEDIRECTION eDirection, int bReadRecord, long nCount, long* pnFetched, int* pbOut);
    int _bFetchAndCache(eNA_PARSEDIRECTION eDirection, int bInsert, int* pbOut, long nCount, long* pnFetched);
    int _bMove(int64_t llFrom, int64_t llStep, int* pbOut, long* pnFetched);
    int64_t _llUpdateStep(int64_t llFrom, int64_t llStep, int* pbOut, long* pnFetched);
    int _bFetchNextBloc(eNA_PARSEDIRECTION eDirection, int bReadRecord, int* pbOut, long nCount, long* pnFetched);
    int _bCompleteCache();
    // Runs the prepared query again for a completion of the record cache, without the Close a new
    // execution starts with (it would empty the cache), the reads going on after the rows cached.
    int _bExecuteAgainKeepingCache();
    // Whether the server has an index for the order of the statement's browse: its item is a key
    // (no item: the key's order).
    int _bOrderIndexed();

    // ------------------------------------------------------------------ positions and re-positioning
    int bSetParseNeedUpdate(ePARSENEEDUPDATECAUSE eCause, int nSlot);
    int bSetParseNeedUpdate(ePARSENEEDUPDATECAUSE eCause);
    ePARSENEEDUPDATECAUSE eParseNeedUpdate() const { return m_eParseNeedUpdate; }
    int nGetRecordSaveID() const { return m_nReferenceSlot; }
    int bCanUpdateParse();
    int bEqualStmtOriginalRecordId(const CNARecordId* pclId);
    int bCopyOriginalRecordToCurrentRecord();
    int _bRestaureOriginalRecord();
    int bUpdateParsePositionInCacheIndex(int* pbFound);
    int bUpdateParsePositionInRecordCache();
    int bOpenUsingTableCache();
    int DestroyCacheIndex();
    int bKeepModifiedRecordSave(int64_t llRow, int nSlot);
    int _bAllocRecordSaveTab();
    void _FreeRecordSaveTab();
    int bSetPositionInitParcours(CNAPosition* pclPosition, unsigned nKind);
    int _bSetPositionBySearch(CNAPosition* pclPosition);
    CNAPosition* pclGetSavedPosition(int n);
    int bAddSavedPosition(int n, CNAPosition* pclPosition);
    int bRemoveSavedPosition(int n);
    void _InvalidatePositionRowIds();
    void _UpdateSavedPositionAfterDelete(const CNARecordId* pclId);

    // ------------------------------------------------------------------ searches and filters
    // The search, made on first use, with a reference for the caller.
    CNARecherche* pclGetRecherche();
    int bExistRechercheObject() const;
    // The statement's search becomes this one (a reference taken, the old one released).
    void _SetRecherche(CNARecherche* pclSearch);
    int _bSetRecherche(const wchar_t* pszItem, const CAny* pclValue, eNA_PARSEDIRECTION eDirection, int bGeneric);
    // The same on an item already looked up (a user search has it at hand).
    int _bSetRecherche(INAItemDescription* piItem, const CAny* pclValue, eNA_PARSEDIRECTION eDirection, int bGeneric);
    int bSetUserSearch(const wchar_t* pszItem, const CAny* pclValue, eNA_PARSEDIRECTION eDirection, int bGeneric);
    void PrepareInternalSearch() { m_bInternalSearch = 1; }
    void AnnuleRecherche();
    void AnnuleRechercheUser();
    void DesactivateRechercheUserAndInternal();
    void _RestaureUserSearch(const CNAUserSearch* pclUserSearch);
    int bSetContinueParcours(unsigned nDirection);
    int bSetFilter(const wchar_t* pszItem, const CAny* pclMin, int bMinIncluded, const CAny* pclMax, int bMaxIncluded,
                   ISQLParserInformation* piCondition);
    // The filter with a reference added; null when none.
    CNAFilter* pclGetFilter();
    CNAFilter* _pclGetFilter();
    CNAFilter* pclActivateFilter();
    void DesactivateFilter();
    int bExistFilter() const;

    // A seek's SELECT kept for the next seek of the same shape: what the data access built it
    // from (item, direction, flags, rows asked for, block limit).
    struct stSeekAccessShape {
        const wchar_t* pszItem = nullptr;
        int bForward = 1;
        NA_WRITEPARSEFLAGS nFlags = 0;
        long nCountAsked = 0;
        int64_t llBlockLimit = -1;
    };
    // The kept SELECT of that shape, whose text around the value the current search writes the
    // same, made the statement's command with the search's value as its parameter; *pnCount
    // becomes what the build gave. False (nothing changed) when no kept SELECT fits.
    int bReuseSeekSelect(const stSeekAccessShape& stAccess, long* pnCount);
    // Whether the statement's command is a kept seek SELECT: nothing else ran since.
    bool bCommandIsKeptSeek() const;
    // Keeps the command just built and run for the seek (when it is one of one plain value);
    // bChained: the one before was a kept seek SELECT too, which stays beside it.
    void KeepSeekSelect(const stSeekAccessShape& stAccess, long nCountGiven, bool bChained);
    void ForgetSeekSelects();
    // The statement's filter becomes this one (a reference taken, the old one released).
    void _SetFilter(CNAFilter* pclFilter);
    void _SetFilter(const CNAFilterSave* pclSave);

    // ------------------------------------------------------------------ notifications
    void OnNotifyInsertOperation(CNAStatement* pclSource, NA_WRITEPARSEFLAGS nFlags);
    void OnNotifyUpdateOperation(CNAStatement* pclSource, NA_WRITEPARSEFLAGS nFlags);
    int OnNotifyDeleteOperation(CNAStatement* pclSource, NA_WRITEPARSEFLAGS nFlags);

    // ------------------------------------------------------------------ fields
    // The kind of the current query: SELECT while a table-cache index serves the statement or
    // without a command.
    eNAQUERYTYPE eGetQueryType() const;
    // 1 when the SQL order runs against the browse order (0 while a table-cache index serves).
    int bInvertFetch() const;
    unsigned nGetBindDefineFlag() const;
    CNAConnectionDescription* pclGetConnectionNoRef() const;
    INAItemDescription* _pclGetItem(const wchar_t* pszName);
    void SetCurrentRecord(CNARecord* pclRecord);
    // The description replaced (the old one released through the interface, the new referenced).
    void SetDataSource(INADataSourceDescription* piDescription);
    // The key under which the access holds the statement, and the browse item with it.
    void SetKey(const wchar_t* pszKey);
    void SetItemName(const wchar_t* pszItem) { m_clItemName.Set(pszItem); }
    const wchar_t* pszGetItemName() const { return m_clItemName.pszGet(); }
    const wchar_t* pszGetKey() const { return m_clKey.pszGet(); }
    void SetOrderByOptions(uint32_t n) { m_nOrderByOptions = n; }
    uint32_t nGetOrderByOptions() const { return m_nOrderByOptions; }
    CNACommand* pclGetCommandNoRef() const { return m_pclCommand; }
    // The number of rows the last write changed; 0 when it cannot be read.
    int bGetAffectedRows(unsigned long* pnRows);
    CNARecord* pclGetRecordNoRef() const { return m_pclRecord; }
    CNADataAccess* pclGetDataAccessNoRef() const { return m_pclDataAccess; }
    INADataSourceDescription* piGetDataSourceNoRef() const { return m_piDataSource; }
    CNAError* pclGetErrorNoRef() const { return m_pclError; }
    CNARecordCache* pclGetRecordCacheNoRef() const { return m_pclRecordCache; }
    CNATableCacheIndex* pclGetTableCacheIndexNoRef() const { return m_pclTableCacheIndex; }
    const CNAUserSearch* pclGetUserSearchNoRef() const { return &m_clUserSearch; }

protected:
    // The data access reads and sets the browse state it decides on (started, row lost, block
    // limit and start, stored browse flags, filter at the last execution, continuing).
    friend class CNADataAccess;

    // ---- what the SQL writers ask of the data access
    const wchar_t* _pszGetLogicalName() const;
    const wchar_t* _pszGetDBTableName() const;
    bool _bSourceIsQuery() const;
    CSQLParserInfo* _pclGetParsedQueryNoRef() const;
    // The access's query flags; with QUERYFLAG_AS_WRITTEN the query runs as the host wrote it.
    uint32_t _nGetQueryFlags() const;
    bool _bRequeteSansCorrection() const;
    static constexpr uint32_t QUERYFLAG_AS_WRITTEN = 4;
    // A new command on the access's connection with the statement's error object, with one
    // reference for the caller; null (and out of memory recorded) when none can be made.
    CNACommand* _pclAllocCommand() const;
    // A user error of the statement's unit (file 4) at the site, with the table and item names.
    void _AddError(eNA_ERRORTYPE eType, int nSite, const wchar_t* pszTable, const wchar_t* pszItem, unsigned nUserError,
                   ...) const;
    // User error 13 on the table (and the item when given), raised at (file, site), with the current
    // record as text among the debug messages: the row the statement stood on is gone.
    void _AddRecordLostError(eNA_ERRORTYPE eType, int nFileId, int nSite, const wchar_t* pszItem) const;

    CNAError* m_pclError;
    CNAStatementSQL* m_pclStatementSQL = nullptr;
    uint32_t m_nOrderByOptions = ORDERBY_COMPLETE_ASCENDING | ORDERBY_COMPLETE_DESCENDING;
    CNADataAccess* m_pclDataAccess;
    INADataSourceDescription* m_piDataSource = nullptr;
    CTString m_clItemName;
    CTString m_clKey;
    CNACommand* m_pclCommand = nullptr;
    // The latest SELECT of one value run, parted around its value: the next seek or block of the
    // same text formats its value alone.
    CNACommand::stFormatedSkeleton m_stFormatedSkeleton;
    // The latest two seek SELECTs (a seek that finds no equal row goes on with the rows after
    // it) and what they were built from.
    struct stSeekSelect {
        CNACommand* pclCommand = nullptr;
        std::wstring sItem;
        int bForward = 1;
        NA_WRITEPARSEFLAGS nFlags = 0;
        long nCountAsked = 0;
        long nCountGiven = 0;
        int64_t llBlockLimit = -1;
        const void* pclRecord = nullptr;
        const void* piDataSource = nullptr;
        const void* pclConnection = nullptr;
        int nColumns = 0;
        uint32_t nOrderByOptions = 0;
        eNA_LOCKTYPE eLockType = static_cast<eNA_LOCKTYPE>(0);
        NA_WRITEPARSEFLAGS nBrowseFlags = 0;
        std::wstring sStatementItem;
        std::wstring sKey;
        // The search's leaf.
        const void* pclColumn = nullptr;
        int nOperator = 0;
        uint32_t nExpressionFlags = 0;
        uint32_t nSearchFlags = 0;
        int nValueShape = -1;
    };
    stSeekSelect m_aSeekSelect[2];
    unsigned m_nNextSeekSelect = 0;
    // The search's leaf and its shape when the statement's WHERE is that leaf alone; -1 otherwise.
    int _nSeekLeafShape(CNAExpression** ppclLeaf) const;
    bool _bSeekSelectFits(const stSeekSelect& st, const stSeekAccessShape& stAccess, const CNAExpression* pclLeaf,
                          int nShape) const;
    CNARecord* m_pclRecord = nullptr;
    CNARecordValue* m_pclOriginalRecord = nullptr;
    eNA_LOCKTYPE m_eLockType = static_cast<eNA_LOCKTYPE>(1);
    uint32_t m_bOutOfFile = 1;
    uint32_t m_bFoundThisFetch = 0;
    uint32_t m_bFound = 0;
    uint32_t m_bStarted = 0;
    uint32_t m_bRowLost = 0;
    eNA_PARSEDIRECTION m_eLastDirection = NA_PARSE_FIRST;
    int64_t m_llCurrentPosition = -1;
    int32_t m_nReferenceSlot = -1;
    ePARSENEEDUPDATECAUSE m_eParseNeedUpdate = PARSENEEDUPDATE_NONE;
    int32_t m_nBlockLimit = NO_LIMIT;
    uint32_t m_bBlockAtStart = 1;
    uint32_t m_bContinuing = 0;
    uint32_t m_nBlockBase = 0;
    uint32_t m_nDuplicateRank = 0;
    uint32_t m_bCurrentRowDeleted = 0;
    CNAColumn* m_pclBestColumn = nullptr;
    NA_WRITEPARSEFLAGS m_nBrowseFlags = 0;
    uint32_t m_bRestoredFromCache = 0;
    uint32_t m_bRowReady = 0;
    CNAFilter* m_pclFilter = nullptr;
    CNAFilterSave m_clFilterAtStart;
    CNAUserSearch m_clUserSearch;
    CNARecherche* m_pclRecherche = nullptr;
    uint32_t m_bInternalSearch = 0;
    CRefHashTable<int, CNAPosition*> m_tabSavedPositions;
    CNARecordCache* m_pclRecordCache = nullptr;
    CNATableCacheIndex* m_pclTableCacheIndex = nullptr;
    // One entry per row of the SQL result: -1 nothing kept, -2 row deleted, else a saved slot.
    int32_t* m_pnRecordSaveTab = nullptr;
    uint32_t m_nDeletedInBlock = 0;
    // Entries of the record-save table: the rows of the SQL result it was made for.
    uint32_t m_nRecordSaveRows = 0;
    // What the statement asks of its data access, looked up once: every fetch asks it several
    // times.
    CNAStatementAccess* m_pclAccessServices;
    // The columns the RETURNING clause of the last INSERT or UPDATE built lists, in its order:
    // the row the server stored is read back into them.
    CRefArray<CNAColumn> m_tabReturned{4, 30};
    // The result column of the locator of the current SELECT (-1 none) and whether the RETURNING
    // of the last write ends with it.
    int32_t m_nRowLocatorColumn = -1;
    uint32_t m_bReturnedLocator = 0;

    CNAStatementAccess* _pclAccess() const { return m_pclAccessServices; }
    // Whether the value is the row the browse continues from (the original record, reloaded from
    // the reference slot when one is held).
    int _bIsReferenceRow(const CNARecordValue* pclValue);
    // The saved positions standing on that row of the record cache are marked deleted.
    void _MarkSavedPositionsDeleted(int nRow);
    // The value of the row a write notified: the source's current record, else the access's.
    CNARecordValue* _pclNotifiedValue(CNAStatement* pclSource) const;
};

template <>
struct CRefTraits<CNAStatement> {
    static void _AddRef(CNAStatement* p) { p->AddRef(); }
    static void _Release(CNAStatement* p) { p->nRelease(); }
};
