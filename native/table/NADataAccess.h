// CNADataAccess: the worker of one table (or one query of the host) for one host context. The table
// object finds the calling context's data access (through the driver object and the context's
// CNAContext) and lets it do every record operation: open, create, browse, read, seek, filter,
// positions, counts, add, modify, delete, memos and queries.
//
// The access owns the statements that do the work: one CNAStatement per browse item, kept under the
// item's name (compared without regard to case), plus the statement with the empty key that serves
// moves by record number, writes and creation. It also owns the current record the host reads and
// writes, the saved-record cache, the saved positions, the automatic-identifier object, the table
// cache and, for a query, the adapter over the host's parsed query. The PostgreSQL driver derives
// CPSQLDataAccess from it.
//
// Where the members are written:
//   NADataAccess.cpp          construction, destruction, accessors, statements per browse item,
//                             the table cache, saved records, errors
//   NADataAccessOpen.cpp      opening, existence, creation and removal, the current record, the
//                             catalogue's description, closing
//   NADataAccessBrowse.cpp    reads along an item, skips, reads by record number, the shared
//                             fetch, the browse SELECT and its blocks, re-positioning
//   NADataAccessPositions.cpp saved positions, per-mille places, counts, indexes after creation
//   NADataAccessSeek.cpp      seeks and filters
//   NADataAccessWrite.cpp     writes, their recovery and notifications, memos
//   NADataAccessQuery.cpp     queries of the host and internal queries, single values
//   NADataAccessLocks.cpp     the engine's explicit locks (not available) and the hooks' defaults
#pragma once

#include <cstdint>

#include "core/RefHashTable.h"
#include "core/RefStringHashTable.h"
#include "core/RefTraits.h"
#include "core/TString.h"
#include "native/driver/INAConnectionDescription.h"
#include "native/driver/INAError.h"
#include "native/model/Interf.h"
#include "native/sql/NABrowseTypes.h"
#include "native/sql/NACommand.h"
#include "native/statement/NARecordID.h"
#include "native/statement/NAStatement.h"

class CAny;
class CNAColumn;
class CNAConnectionDescription;
class CNAContext;
class CNADataSourceDescription;
class CNAError;
class CNAFilter;
class CNAIDAuto;
class CNAPosition;
class CNARecord;
class CNARecordCache;
class CNARecordCachePosition;
class CNARecordValue;
class CNAStatementAccess;
class CNATable;
class CNATableCache;
class CNATransaction;
class CNAYFRecord;
class CSQLParserInfo;
class CXError;
class IGaugeControl;
class INAConnectionDescription;
class INADataSourceDescription;
class INAItemDescription;
class INAQueryExecution;
class ISQLParserInformation;
enum _eNA_HMODE : uint32_t;

class CNADataAccess : public CInterf {
public:
    // Bits of the query flags word.
    enum : uint32_t {
        QUERYFLAG_AS_WRITTEN = 0x4,    // the text runs without correction
        QUERYFLAG_MAY_MODIFY = 0x8,    // the query may modify the file
        QUERYFLAG_PREPARE = 0x10,      // the query is to be prepared
        QUERYFLAG_NO_CACHE = 0x80,     // run without record cache and table cache
        QUERYFLAG_JOIN = 0x80000000u,  // the text holds a join: no block limit
    };
    // Bits of the browse flag word tested by the reads.
    enum : uint32_t {
        WPF_READ_ONLY_WHAT_IS_THERE = 0x2000,
        WPF_RESUME = 0x4000,
        WPF_KEEP_FILTER = 0x8000,
        WPF_SQLCOMMAND_NO_CACHE = 0x10000,
        WPF_QUERY_ORDER = 0x20000,
        WPF_REPOSITIONING = 0x40000,
        WPF_NO_CACHE = 0x100000,
    };
    // The mode of index creation after CREATE TABLE: bit 0 unique keys, bit 1 keys with duplicates
    // and composed keys.
    static constexpr uint32_t INDEX_CREATION_MODE = 2;
    // Grow step of the saved-record cache.
    static constexpr int RECORD_SAVE_GROW_STEP = 50;
    // Capacity of the host's buffer for a browse item's name, terminator included.
    static constexpr int ITEM_NAME_CAPACITY = 255;

    // Takes a reference on the connection and the error object and an external one on the
    // description (when given); the database table name is formatted from its physical name.
    CNADataAccess(INADataSourceDescription* piDescription, CNAConnectionDescription* pclCnx, CNAError* pclError);
    CNADataAccess(const CNADataAccess&) = delete;
    CNADataAccess& operator=(const CNADataAccess&) = delete;
    ~CNADataAccess() override;

    // ==================================================================== virtual operations
    // In this order after CInterf's (the destructor pair and _NotToBeCalled).
    // ---- memos
    virtual int bGetBLOB(unsigned nItem, CAny* pclValue);
    virtual int bSetBLOB(unsigned nItem, const CAny* pclValue);
    virtual int bExtraitMemo(unsigned nItem, const wchar_t* pszFile);
    // ---- the table itself
    // Creates the table (dropped first with bDropFirst); the host's text is not used.
    virtual int bHCreation(const wchar_t* pszPassword, int bDropFirst);
    virtual int bSupprimeFichier();
    virtual int bSupprimeTout();
    virtual int bHCreationSiInexistant(eNA_ACCESS eAccess, const wchar_t* pszPassword);
    virtual int bHOuvre(eNA_ACCESS eAccess, const wchar_t* pszPassword);
    virtual int bHFerme();
    // ---- writes
    virtual int bHAjoute(NA_WRITEPARSEFLAGS nFlags, eNA_LOCKTYPE eLock);
    virtual int bHEcrit(long nRecord, NA_WRITEPARSEFLAGS nFlags, eNA_LOCKTYPE eLock);
    virtual int bHSupprime(long nRecord, eNA_LOCKTYPE eLock);
    virtual int bHModifie(long nRecord, NA_WRITEPARSEFLAGS nFlags, eNA_LOCKTYPE eLock);
    virtual int bHRaye(long nRecord, eNA_LOCKTYPE eLock);
    virtual int bHLibere();
    // ---- reads
    virtual int bHLit(long nRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut);
    virtual int bHLitxxx(const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, int bReadRecord, eNA_LOCKTYPE eLock,
                         eNA_LOCKTYPE* peLockOut, NA_WRITEPARSEFLAGS nFlags);
    virtual int bSkipRecord(const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, long nCount, int bReadRecord,
                            eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, NA_WRITEPARSEFLAGS nFlags);
    // ---- seeks
    virtual int bHRecherche(const wchar_t* pszItem, const CAny* pclValue, int nSearchMode, int bReadRecord,
                            eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, int bForward, NA_WRITEPARSEFLAGS nFlags);
    virtual int bHRecherche(const wchar_t* pszItem, const wchar_t* pszSearchItem, const CAny* pclValue, int nSearchMode,
                            int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, int bForward,
                            NA_WRITEPARSEFLAGS nFlags);
    virtual int bHAnnuleRecherche(const wchar_t* pszItem);
    // ---- locks
    virtual int bHBloqueFichier(eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut);
    virtual int bHDebloqueFichier();
    virtual int bHBloqueNumEnr(long nRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut);
    virtual int bHDebloqueNumEnr(long nRecord);
    // ---- filter and positions
    virtual int bHFiltre(const wchar_t* pszItem, const CAny* pclMin, int bMinIncluded, const CAny* pclMax,
                         int bMaxIncluded, ISQLParserInformation* piCondition);
    // Saves the browse's position on the item; the id is written out. The kind is not used.
    virtual int bHSauvePosition(int* pnPosition, const wchar_t* pszItem, unsigned nKind);
    // Back to a saved position; the item's name goes into the host's buffer of 255 characters.
    virtual int bHRetourPosition(int nPosition, wchar_t* pszItem, int bKeep, unsigned nKind);
    virtual int bHLiberePosition(int nPosition);
    virtual int bHVersion(int* pnVersion);
    // ---- counts
    virtual int bHNbEnr(long* pnCount, unsigned nOptions, NA_WRITEPARSEFLAGS nFlags);
    // The count itself; a direction other than -1 counts the records with the current record's key.
    virtual int bGetNbEnr(int64_t* pllCount, unsigned nOptions, NA_WRITEPARSEFLAGS nFlags, CNAStatement* pclStatement,
                          int nDirection);
    virtual int bNbEnrNeedParse(int* pbNeeded, const wchar_t* pszItem);
    virtual int64_t llGetRecNum();
    virtual int bGetRecNumState(long nRecord, unsigned* pnState);
    virtual int bHConstruitValCle(CAny* pclKey, const wchar_t* pszItem, unsigned nFlags, CAny** ppValues);
    // ---- queries and the browse SELECT
    // Runs a query of the host; hasResult is set when the query has result columns.
    virtual int bExecuteQuery(int* pbHasResult, const wchar_t* pszName, ISQLParserInformation* piQuery, unsigned nMode,
                              const INAQueryExecution* piExecution);
    // The browse SELECT into the command, with the block size; *pnCount (when given) is the count
    // the fetch asks for, replaced by the first block's share.
    virtual int bBuildSelect(CNACommand* pclCommand, CNAStatement* pclStatement, const wchar_t* pszItem, int bForward,
                             NA_WRITEPARSEFLAGS nFlags, long* pnCount);
    // ---- hooks around writes and reads
    virtual int bLockRecord(CNAStatement* pclStatement, eNA_LOCKTYPE eLock, long nRecord, eNA_LOCKTYPE* peLockOut);
    virtual int bUnlockRecord(CNAStatement* pclStatement, eNA_LOCKTYPE eLock, long nRecord, eNA_LOCKTYPE* peLockOut);
    virtual int bLockUnlockRecord(CNAStatement* pclStatement, eNA_LOCKTYPE eLock, long nRecord,
                                  eNA_LOCKTYPE* peLockOut);
    virtual int bHReindexe(unsigned nFlags, IGaugeControl* piGauge);
    // The table as the catalogue describes it; null on any failure.
    virtual CNADataSourceDescription* pclGetDataSourceDescriptionFromDB(const wchar_t* pszName, int nKind);
    virtual eNA_RECORDIDTYPE eEvaluateRecordIdType();
    virtual int bHChangeCle(const wchar_t* pszItem, NA_WRITEPARSEFLAGS nFlags);
    virtual int bSetCurrentRecordRead(int bKeep);
    virtual int bFichierExiste(int* pbExists, int* pbCompatible);
    virtual CNAPosition* pclAllocPosition();
    virtual eNA_ERRORTYPE eGetNAErrorType();
    // Keeps the context the access belongs to (no reference).
    virtual void SetContext(CNAContext* pclContext);
    // Gives up the record locks the transaction holds through the access: it holds none.
    virtual void CancelRecordLock(INAConnectionDescription* piCnx, CNATransaction* pclTransaction);
    virtual int bSetFiltreAuto(int nFlags, const wchar_t* pszName, const wchar_t* pszText,
                               INADataSourceDescription* piDescription);
    virtual void SetFiltreAuto(int nFlags);
    // ---- factories (the driver object's)
    virtual CNAStatement* _pclAllocStatement();
    virtual CNADataSourceDescription* _pclAllocDataSource(CNAConnectionDescription* pclCnx);
    virtual CNARecord* _pclAllocRecord();
    virtual CNAIDAuto* _pclAllocIDAuto();
    // ---- inner steps
    virtual int _bMove(long nRecord, int bReadRecord);
    virtual int _bSetBLOB(INAItemDescription* piItem, const CAny* pclValue);
    virtual int _bHAttacheMemo(INAItemDescription* piItem, const wchar_t* pszFile);
    virtual void _SetTransactionTermined();
    virtual int _bInitCurrentRecord();
    virtual void _Close();
    virtual int _bOperation(CNAStatement* pclStatement, eNAQUERYTYPE eType, NA_WRITEPARSEFLAGS nFlags,
                            const CNARecordValue* pclValue);
    virtual int _bGetQueryRestartSequenceIdAuto(CTString* pclText, CNAColumn* pclColumn, long nValue);
    virtual int64_t _nGetSequenceCurrentVal(CNAColumn* pclColumn);
    virtual int _bGetRequestedValue(CNAStatement* pclStatement, CAny* pclValue, CNACommand* pclCommand);
    virtual int _bIsValidRecordNumber(long nRecord);
    virtual int _bFetch(CNAStatement* pclStatement, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, long nCount,
                        int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, NA_WRITEPARSEFLAGS nFlags,
                        int bReopen);
    virtual int _bHCreation(int bDrop, int bCreate);
    virtual int _bSupprimeTout();
    virtual void _SetImportedDataSourceDesc(CNADataSourceDescription* pclDescription);
    virtual void _vUpdateRecordInCacheLock(NA_WRITEPARSEFLAGS nFlags);
    virtual int _bGetUniqueIndexName(CNAColumn* pclColumn, CTString* pclName);
    virtual int _bUpdateIdAutoAfterInsertFailure(CNAColumn* pclColumn);
    virtual int _bHModifie(long nRecord, NA_WRITEPARSEFLAGS nFlags, eNA_LOCKTYPE eLock, const CNARecordValue* pclCopy);
    virtual int _bHAjoute(NA_WRITEPARSEFLAGS nFlags, eNA_LOCKTYPE eLock);
    virtual int _bRepriseErreurParcours(CNAStatement* pclStatement, const wchar_t* pszItem,
                                        eNA_PARSEDIRECTION eDirection, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut,
                                        NA_WRITEPARSEFLAGS nFlags);
    virtual int _bCompareTablePosition(CNAPosition* pclFirst, CNAPosition* pclSecond, int* pbEqual);
    virtual int _bCheckRecordSaveID(CNAPosition* pclFirst, CNAPosition* pclSecond, int* pbEqual);
    virtual int _bCheckReccordId(CNAPosition* pclFirst, CNAPosition* pclSecond, int* pbEqual);
    virtual CNATableCache* _AllocTableCache();
    // Whether the rows of the table can be told apart by where the server stores them (a plain
    // table of the server's; not a view, nor a partitioned table whose partitions share places).
    virtual int bRowLocatorAvailable();

    // ==================================================================== the object
    // ---- small accessors
    // The database table name as written for SQL (what the statements put after FROM).
    const wchar_t* pszGetDBTableName() const;
    // The description's names; "" without a description.
    const wchar_t* pszGetLogicalName() const;
    const wchar_t* pszGetPhysicalName() const;
    const wchar_t* pszGetAliasName() const { return _pszOrEmpty(m_clAliasName); }
    // With a reference (external for the descriptions); null without one.
    INADataSourceDescription* piGetDataSourceDescription();
    INADataSourceDescription* piGetDataSourceDescriptionForYF();
    CNADataSourceDescription* pclGetImportedDataSourceDesc();
    CNARecord* pclGetCurrentRecord();
    int bSupportROWID();
    int bIsOpened() const { return m_bOpened; }
    // Stores the host's lock mode; always 1.
    int bHMode(_eNA_HMODE eMode);
    _eNA_HMODE eGetHMode() const { return m_eHMode; }
    // The description's best browse item (an external reference) and its name ("" without one).
    INAItemDescription* piGetBestParseItemDesc();
    const wchar_t* pszGetBestParseItemName();
    // The description's item of that name, with an external reference; null when none.
    INAItemDescription* piGetItemDescription(const wchar_t* pszName);
    // The first item of the description that is an automatic identifier, with an external
    // reference; null when none.
    INAItemDescription* pclGetIdAutoItem();
    // The automatic-identifier object, made on first use, with a reference; null when none.
    CNAIDAuto* pclGetIDAuto();
    void SetTable(CNATable* pclTable) { m_pclTable = pclTable; }
    uint64_t dwGetContextID() const;
    int bRequeteSansCorrection() const;
    int bRequeteAutoriseModifierFichier() const;
    int bRequeteAPreparer() const;
    void _RAZPrepare() { m_nQueryFlags &= ~QUERYFLAG_PREPARE; }
    int bHPrepareRequeteCalled() const;
    uint32_t nGetQueryFlags() const { return m_nQueryFlags; }
    int bSourceIsQuery() const { return m_nQuery != 0; }
    CSQLParserInfo* pclGetParsedQueryNoRef() const { return m_pclParsedQuery; }
    CNADataAccess* pclFindDataAccessByDBTableName(const wchar_t* pszName);
    // The item's source name or, for a query, the physical name of the FROM table it refers to;
    // written for SQL with bFormat.
    void _GetDBSourceName(INAItemDescription* piItem, CTString* pclOut, int bFormat);
    CNAConnectionDescription* pclGetConnectionNoRef() const { return m_pclCnx; }
    CNAError* pclGetErrorNoRef() const { return m_pclError; }
    CNAContext* pclGetContextNoRef() const { return m_pclContext; }
    CNATable* pclGetTableNoRef() const { return m_pclTable; }
    INADataSourceDescription* piGetDataSourceDescriptionNoRef() const { return m_piDescription; }
    CNARecord* pclGetCurrentRecordNoRef() const { return m_pclRecord; }
    CNAStatement* pclGetCurrentStatementNoRef() const { return m_pclCurrentStatement; }
    CNATableCache* pclGetTableCacheNoRef() const { return m_pclTableCache; }
    CNARecordCachePosition* pclGetRecordSaveNoRef() const { return m_pclRecordSave; }
    int nGetLastReadSave() const { return m_nLastReadSave; }
    uint64_t llGetRecordSize() const { return m_llRecordSize; }
    // A statement raises it to the size of the rows of a next block; it never lowers it.
    void SetRecordSize(uint64_t ll) {
        if (ll > m_llRecordSize) m_llRecordSize = ll;
    }
    int bGetResumeBrowse() const { return m_bResumeBrowse != 0; }
    void SetResumeBrowse(int b) { m_bResumeBrowse = b ? 1u : 0u; }
    CNACommand* pclAllocCommand();

    // ---- saved records
    void AddRefRecordSave(int nSlot);
    int nReleaseRecordSave(int nSlot);
    // Keeps the current record's current value in a slot (the caller's reference taken); -1 when
    // it cannot.
    int nKeepCurrentRecordSave();
    int bCopySaveToRecord(int nSlot, CNARecordValue* pclValue);
    int bRestoreOriginalRecordSave(int nSlot);
    int bRestoreOriginalRecordSave(CNAStatement* pclStatement);
    int bRecordDeleted(int nSlot);
    int nKeepOriginalRecordSave(CNAStatement* pclStatement);
    int _bGetItemValueInRecordSave(CAny* pclValue, int nSlot, const wchar_t* pszItem);
    int nSetRecordDeletedInCache(CNARecordCache* pclCache);
    int bCopyOriginalRecordToCurrentRecord();
    // The host's record image with an external reference; the host's image taken back.
    int bGetRecord(CNAYFRecord** ppclRecord);
    int bSetRecord(CNAYFRecord* pclRecord);
    CNARecordId* pclAllocRecordID(const CNARecordValue* pclValue);

    // ---- statements per browse item
    // The statement under the key (case ignored), with a reference; null when none.
    CNAStatement* _pclFindStatement(const wchar_t* pszKey);
    // A new statement under the key, with a reference; null when none can be made.
    CNAStatement* _pclInitStatement(const wchar_t* pszKey);
    // Found or created, with a reference.
    CNAStatement* _pclGetStatement(const wchar_t* pszKey);
    // Found or created and made current, with a reference.
    CNAStatement* _pclGetNewItemStatement(const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection,
                                          NA_WRITEPARSEFLAGS nFlags);
    CNAStatement* _pclGetLastStatement();
    CNAStatement* _pclGetQueryStatement();
    void _CloseAllStatement();
    int _bChangeStatementKey(const wchar_t* pszNewKey, const wchar_t* pszOldKey, CNAStatement* pclStatement);
    void _SetCurrentStatement(CNAStatement* pclStatement) { m_pclCurrentStatement = pclStatement; }
    unsigned nGetNbStatement() const { return m_tabStatement.dwGetNumElement(); }

    // ---- opening, existence, the current record, closing
    int bCheckCompatibilityWithDatabase();
    int _bInitCurrentRecord_SetImportedItemDesc();
    void _InitAliasFichierColonne();
    // An item of a query's result that the description lacks, added to it at position n after the
    // imported item, with an external reference; null when it cannot be.
    INAItemDescription* _piAddImportedItem(CNAItemDescription* pclImported, int n);
    int _bUpdateChangedTypeInCurrentRecord();
    void _SetCurrentRecord(CNARecord* pclRecord);
    void _FreeCurrentRecord();
    void _ResetDataAccess();
    // The alias of the context for this source, else the logical name.
    void _InitAliasName();
    int _bGetRequestedValue(CAny* pclValue, CNACommand* pclCommand);

    // The statement services this access answers itself (a test's double derives from both), null
    // when it answers none. Found once: what an object is does not change while it lives.
    CNAStatementAccess* pclGetOwnStatementAccess();

    // ---- table cache
    int _bCreateNewTableCache();
    void _FreeTableCache();
    int bFreeCache();
    void ClosingStatement(CNAStatement* pclStatement);

    // ---- reads (see NADataAccessBrowse.cpp)
    int bMove(long nRecord, int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut);
    int _bOpenStatement(CNAStatement* pclStatement, const wchar_t* pszItem, int bForward, NA_WRITEPARSEFLAGS nFlags,
                        long* pnCount, CNAStatement::eNA_ST_PREPARE ePrepare);
    int _bEnableRecordLimit(const wchar_t* pszItem);
    // The block limit: the "KX Cache Size" option, automatic with -2.
    int64_t _llGetBlockLimit() const;
    int bHEndehors(const wchar_t* pszItem, int* pbOut);
    int bEvalHTrouve(const wchar_t* pszItem, int* pbFound, int* pbInside);
    int _bUpdateParse(int bKeep, CNAStatement* pclStatement, int bReadRecord, eNA_PARSEDIRECTION eDirection,
                      long nCount);
    int _bUpdateCurrentParsePosition(int bKeep, CNAStatement* pclStatement);
    int bGoToOriginalRecord(int bKeep, CNAStatement* pclStatement, int bReadRecord, eNA_PARSEDIRECTION eDirection,
                            long nCount);
    int _bGoToOriginalRecord(int bKeep, CNAStatement* pclStatement, int bReadRecord, eNA_PARSEDIRECTION eDirection,
                             long nCount);
    int bGoToStmtOriginalRecord(int bKeep, CNAStatement* pclStatement, int bReadRecord, eNA_PARSEDIRECTION eDirection,
                                long nCount);
    int _bGoToCurrentRecord(CNAStatement* pclStatement, const wchar_t* pszItem, int bReadRecord,
                            eNA_PARSEDIRECTION eDirection, long nCount);
    int _bGotoCurrentRecord_DuplicateProcess(unsigned nRank, eNA_PARSEDIRECTION* peDirection, long* pnCount);
    // A copy of the record value, held by the caller (one reference), that a re-positioning keeps
    // to put the records back; null when none can be made. The copies given back are reused block
    // after block instead of a clone made and freed each time.
    CNARecordValue* _pclKeepRecordValue(const CNARecordValue* pclSource);
    void _GiveBackKeptRecordValue(CNARecordValue* pclKept);
    void _FreeKeptRecordValues();
    int _bRelanceParcoursSurErreur(CNAStatement* pclStatement, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection,
                                   eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, NA_WRITEPARSEFLAGS nFlags);

    // ---- seeks and filters
    int bHFiltre(ISQLParserInformation* piCondition, wchar_t* pszItem);
    int bFindBestItem(ISQLParserInformation* piCondition, wchar_t* pszItem);
    int bHActiveFiltre(const wchar_t* pszItem);
    int bHDesactiveFiltre(const wchar_t* pszItem);
    void _DesactivateAllFilter();
    void SetLatestFilter(CNAFilter* pclFilter);
    CNAFilter* pclGetLatestFilterNoRef() const { return m_pclLatestFilter; }
    // Carries the previous statement's filter over to the new one.
    int _bKeepFilter(CNAStatement* pclFrom, CNAStatement* pclTo);

    // ---- writes
    int _bBuildAndExecuteQuery(CNAStatement* pclStatement, eNAQUERYTYPE eType, NA_WRITEPARSEFLAGS nFlags);
    void _SetMemosNotModified();
    int _bExecuteOneRecordWrite(CNAStatement* pclStatement, eNAQUERYTYPE eType, NA_WRITEPARSEFLAGS nFlags,
                                int* pbRefused);
    int _bProcessError(CNACommand* pclCommand, CNAStatement* pclStatement, eNAQUERYTYPE eType,
                       NA_WRITEPARSEFLAGS nFlags);
    int _bProcessErrorDuplicateIdAutoSequence(CNAColumn* pclColumn, CNACommand* pclCommand, CNAStatement* pclStatement,
                                              eNAQUERYTYPE eType, NA_WRITEPARSEFLAGS nFlags);
    int _bUpdateSequenceIdAutoAfterInsert();
    int _bRestartSequenceIdAuto(CNAColumn* pclColumn, int64_t llValue);
    int bSetNewAutoId();
    void NotifyOperation(eNAQUERYTYPE eType, CNAStatement* pclStatement, NA_WRITEPARSEFLAGS nFlags);
    void _NotifyOperation(eNAQUERYTYPE eType, CNAStatement* pclStatement, NA_WRITEPARSEFLAGS nFlags,
                          const CNARecordValue* pclValue);
    INAItemDescription* piGetDuplicateItem(int bAllItems);
    int bIsDuplicateItem(int bAllItems, CNAColumn* pclColumn);
    int __bDuplicateItem(INAItemDescription* piItem, CNAStatement* pclStatement);
    INAItemDescription* piGetNullItemDesc(int bForInsert);
    int bHAttacheMemo(unsigned nItem, const wchar_t* pszFile);

    // ---- positions, per mille, counts, indexes (see NADataAccessPositions.cpp)
    // Whether two saved positions stand on the same record; *pbEqual is always written.
    int bCompareTablePosition(int nFirst, int nSecond, int* pbEqual);
    int bHPositionCourante(int* pnPosition, const wchar_t* pszItem, int nPrecision);
    int bHPositionne(const wchar_t* pszItem, unsigned nPosition, int nPrecision, NA_WRITEPARSEFLAGS nFlags);
    int _bGetPosition(int* pnPosition, const wchar_t* pszItem, unsigned nKind);
    int _bSetPosition(wchar_t* pszItem, int nPosition, int bKeep, unsigned nKind);
    int _bFreePosition(int nPosition);
    void _bDeleteAllSavedPosition();
    CNAPosition* _pclFindPosition(int nPosition);
    unsigned nGetNbPosition() const { return m_tabPosition.dwGetNumElement(); }
    int _bGetNbEnrOptimized(int64_t* pllCount, unsigned nOptions, NA_WRITEPARSEFLAGS nFlags, CNAStatement* pclStatement,
                            int nDirection, int* pbAnswered);
    int _bCreateIndex(CNAStatement* pclStatement, uint32_t nMode);
    int _bGetGeneratedIndexName(CNAColumn* pclColumn, CTString* pclName);

    // ---- queries
    int bExecuteQueryInternal(CNAStatement** ppclStatement, const wchar_t* pszName, const wchar_t* pszText);
    int _bExecuteQuery(int* pbHasResult, const wchar_t* pszName, unsigned nMode, const wchar_t* pszText,
                       ISQLParserInformation* piQuery, const INAQueryExecution* piExecution);
    int _bExecuteQuery(CNAStatement** ppclStatement, CNACommand* pclCommand, const wchar_t* pszItem, int bPrepared,
                       unsigned nMode);
    int _bSetQuery(int bIsQuery, const wchar_t* pszName, ISQLParserInformation* piQuery, unsigned nMode);
    int _bInitQuery(CNACommand** ppclCommand, CTString* pclItem, const wchar_t* pszName, unsigned nMode,
                    const wchar_t* pszText, ISQLParserInformation* piQuery, const INAQueryExecution* piExecution);
    int _bInitQueryParse(int* pbHasResult, CNAStatement* pclStatement, const wchar_t* pszItem, unsigned nMode);
    int _bInitParcoursRequete(CNAStatement* pclStatement);
    int bSameQuery(ISQLParserInformation* piQuery);
    eNAQUERYTYPE eSourceQueryType();
    int bQueryResultsetLimited();
    int bSourceIsQueryOnMultipleTables();
    int bSetNextOperation(int nOperation);
    // After the end of a transaction: every started browse is to be rebuilt.
    void SetTransactionTermined();

    // ---- errors
    // A user error of this unit (file 3) at the site, with the logical table name and the item
    // name (when given) as information, added to the error object with the type given.
    void _AddError(eNA_ERRORTYPE eType, int nSite, const wchar_t* pszItem, unsigned nUserError, ...);
    // User error 8 (not available, error type 7) at the site; answers 0.
    int _bNotAvailable(int nSite);

    // Ids of saved positions, unique in the process; the first is 1.
    static int ms_nPositionID;
    // The counter of generated index names; the first is 0.
    static int ms_nIndexNameCounter;

protected:
    static const wchar_t* _pszOrEmpty(const CTString& cl) {
        const wchar_t* psz = cl.pszGet();
        return psz != nullptr ? psz : L"";
    }
    // An error with nobody to receive it is written into a dump of at most 1000 characters and
    // dropped: the text of that dump.
    static void _DumpIgnoredError(const CXError* pclError, const wchar_t* pszTable, const wchar_t* pszItem,
                                  CTString* pclOut);

    // ---- fields, in their declaration order
    CNAError* m_pclError;
    CNARecord* m_pclRecord = nullptr;
    CNAConnectionDescription* m_pclCnx;
    INADataSourceDescription* m_piDescription;
    INADataSourceDescription* m_piDescriptionForYF = nullptr;
    CNADataSourceDescription* m_pclImportedDescription = nullptr;
    int m_bOpened = 0;
    CRefStringHashTable<CNAStatement*> m_tabStatement{7};
    // The last key found and its statement (no reference of their own).
    CTString m_clLastStatementKey;
    // The text of m_clLastStatementKey (never null), kept beside it for the compare of every read.
    const wchar_t* m_pszLastStatementKey = L"";
    // The key (not null) names the last statement found: the same characters, else equal as the
    // statement table compares its keys.
    bool _bIsLastStatementKey(const wchar_t* pszKey) const;
    CNAStatement* m_pclLastStatement = nullptr;
    CNAIDAuto* m_pclIDAuto = nullptr;
    CNAStatement* m_pclCurrentStatement = nullptr;
    CSQLParserInfo* m_pclParsedQuery = nullptr;
    uint32_t m_nQueryFlags = 0;
    CTString m_clTableCacheItem;
    uint32_t m_nQuery = 0;
    uint32_t m_bCompatible = 0;
    uint32_t m_nIndexCreationMode = INDEX_CREATION_MODE;
    CTString m_clDBTableName;
    _eNA_HMODE m_eHMode;
    CNATable* m_pclTable = nullptr;
    CNAContext* m_pclContext = nullptr;
    CNAFilter* m_pclLatestFilter = nullptr;
    CRefHashTable<int, CNAPosition*> m_tabPosition{7};
    CNARecordCachePosition* m_pclRecordSave = nullptr;
    int m_nLastReadSave = -1;
    CNATableCache* m_pclTableCache = nullptr;
    uint32_t m_bResumeBrowse = 0;
    CTString m_clAliasName;
    uint64_t m_llRecordSize = 0;
    // The statement of a prepared query (referenced) and the host's next operation.
    CNAStatement* m_pclExecutionStatement = nullptr;
    int m_nNextOperation = 0;
    // Copies given back by the re-positionings, for the next ones (a reference on each).
    static constexpr int KEPT_RECORD_VALUES = 4;
    CNARecordValue* m_apclKeptRecordValue[KEPT_RECORD_VALUES] = {};
    int m_nKeptRecordValues = 0;
    // What pclGetOwnStatementAccess found, once it looked.
    CNAStatementAccess* m_pclOwnStatementAccess = nullptr;
    bool m_bOwnStatementAccessKnown = false;
};

template <>
struct CRefTraits<CNADataAccess> {
    static void _AddRef(CNADataAccess* p) { p->AddRef(); }
    static void _Release(CNADataAccess* p) { p->nRelease(); }
};
