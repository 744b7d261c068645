// CNATable: the table object the host holds for one table, or one query result, on one connection.
// One table object serves every host context: each operation comes with the calling context, and
// the table finds that context's own data access (through the driver object and the context's
// CNAContext) and lets it work. The driver object makes the tables, keeps them in its registry
// under their identification text and hands them to the host.
//
// Two counts: the internal one (the driver's registry, lookups in progress) and the external one
// (the host's). The table dies when both are 0.
//
// Every host context's data access is found through a one-entry cache shared by all tables of the
// process (the last access found, with the two ids of its host context), so that a host working
// on one table in one context pays two calls into its context per operation. An access leaves the
// cache when it leaves its context (CNAContext calls s_ForgetDataAccess).
//
// Where the members are written:
//   NATable.cpp            construction, counts, names, lookups and the cache, last errors,
//                          the table-wide operations
//   NATableOperations.cpp  the record operations of INATable: the forwarding rule, the
//                          operations not available, the check of the host's SQL module
//   NATableOpen.cpp        opening, creation, deletion, closing, queries, reindexing, lock mode
#pragma once

#include <cstdint>

#include "core/NARefHashTable.h"
#include "core/TString.h"
#include "native/table/INATable.h"
#include "native/table/NADataAccess.h"

class CNAConnectionDescription;
class CNAContext;
class CNAError;
class CNATransaction;
class INAConnectionDescription;
class INAContext;
class INADataSourceDescription;
class INAError;
class INAQueryExecution;
class INAQueryParametersValue;
class ISQLParserInformation;
enum _eNA_HMODE : uint32_t;

// The one-entry lookup cache of all table objects (under the driver lock): the data access found by
// the last successful lookup (no reference held; null when empty) and the two ids of the host
// context it was found for.
extern CNADataAccess* gpclLastDataAccess;
extern uint64_t gdwCtxID;
extern uint64_t gdwDataID;

class CNATable : public INATable {
public:
    // Sites of the table's own errors (file 6).
    enum : int {
        SITE_SQLMODULE_MISSING = 1,
        SITE_SQLMODULE_TOO_OLD = 2,
        SITE_INTERDITMODIF = 3,
        SITE_FININTERDITMODIF = 4,
        SITE_CALCULATEKEYVALUE = 5,
        SITE_FREEMEMORY = 6,
        SITE_NO_DATAACCESS = 7,
        SITE_NO_DATAACCESS_RECNUM = 8,
    };
    // What the host's SQL module is asked to check against: this driver's module number and
    // version; a module that answers an older version than the one before this is refused.
    static constexpr int SQLMODULE_DRIVER_MODULE = 39;
    static constexpr int SQLMODULE_DRIVER_VERSION = 32;
    static constexpr uint32_t SQLMODULE_LAST_REFUSED_VERSION = 31;

    // Counts 0; takes a reference on the connection and on the error object, and an external one
    // on the description when given (none for a query table).
    CNATable(const wchar_t* pszIdentification, INADataSourceDescription* piDescription,
             CNAConnectionDescription* pclCnx, CNAError* pclError);
    CNATable(const CNATable&) = delete;
    CNATable& operator=(const CNATable&) = delete;

    // ==================================================================== INATable, in its order
    int nGetVersion() override { return 11; }
    int nGetCompatSince() override { return 8; }
    // Under the driver lock.
    void ExternalAddRef() override;
    // Under the driver lock. The last external release of a table that only the driver's registry
    // still holds takes it out of the registry, which destroys it.
    int nExternalRelease() override;
    // The context's error object when the driver knows the context, else the table's own (no
    // reference added).
    INAError* piGetLastError(INAContext* piContext) override;
    int bIsOpened(INAContext* piContext) override;
    // With an external reference for the caller; null for a table without one.
    INADataSourceDescription* piGetDataSourceDescription() override;
    int bNbEnrNeedParse(INAContext* piContext, int* pbNeeded, const wchar_t* pszItem) override;
    void FreeMemory(INAContext* piContext, void** ppMemory) override;
    int bHReindexe(INAContext* piContext, unsigned nFlags, IGaugeControl* piGauge) override;
    int bHCreationSiInexistant(INAContext* piContext, eNA_ACCESS eAccess, const wchar_t* pszPassword) override;
    int bHCreation(INAContext* piContext, const wchar_t* pszPassword) override;
    int bHOuvre(INAContext* piContext, eNA_ACCESS eAccess, const wchar_t* pszPassword) override;
    // The lock mode for a context: the context applies it to its accesses of this table's logical
    // name and keeps it as its default; 1 when no context can be had.
    int bHMode(INAContext* piContext, _eNA_HMODE eMode) override;
    // Closes the context's access and removes it; 1 when the context has none.
    int bHFerme(INAContext* piContext) override;
    int bHAjoute(INAContext* piContext, unsigned nFlags, eNA_LOCKTYPE eLock) override;
    int bHEcrit(INAContext* piContext, long nRecord, unsigned nFlags, eNA_LOCKTYPE eLock) override;
    int bHRaye(INAContext* piContext, long nRecord, eNA_LOCKTYPE eLock) override;
    int bHSupprime(INAContext* piContext, long nRecord, eNA_LOCKTYPE eLock) override;
    int bHModifie(INAContext* piContext, long nRecord, unsigned nFlags, eNA_LOCKTYPE eLock) override;
    int bHRecherche(INAContext* piContext, const wchar_t* pszItem, const CAny* pclValue, int nSearchMode,
                    int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, int bForward,
                    unsigned nFlags) override;
    int bHLibere(INAContext* piContext) override;
    int bHLit(INAContext* piContext, long nRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut) override;
    int bHLitxxx(INAContext* piContext, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, int bReadRecord,
                 eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, unsigned nFlags) override;
    int bSkipRecord(INAContext* piContext, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, long nCount,
                    int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, unsigned nFlags) override;
    int bHBloqueFichier(INAContext* piContext, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut) override;
    int bHDebloqueFichier(INAContext* piContext) override;
    int bHBloqueNumEnr(INAContext* piContext, long nRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut) override;
    int bHDebloqueNumEnr(INAContext* piContext, long nRecord) override;
    int bHEnDehors(INAContext* piContext, const wchar_t* pszItem, int* pbOut) override;
    int bEvalHTrouve(INAContext* piContext, const wchar_t* pszItem, int* pbFound, int* pbInside) override;
    int bSetNextOperation(INAContext* piContext, eNA_OPERATION eOperation) override;
    // Neither error object is reset: the host reads the record number after a failure too.
    int64_t llGetRecNum(INAContext* piContext) override;
    int bGetRecNumState(INAContext* piContext, long nRecord, unsigned* pnState) override;
    int bHFiltre(INAContext* piContext, ISQLParserInformation* piCondition, wchar_t* pszItem) override;
    int bHFiltre(INAContext* piContext, const wchar_t* pszItem, const CAny* pclMin, int bMinIncluded,
                 const CAny* pclMax, int bMaxIncluded, ISQLParserInformation* piCondition) override;
    int bHActiveFiltre(INAContext* piContext, const wchar_t* pszItem, unsigned nFlags) override;
    // 1 without an error when the context has no access: there is no filter to take off.
    int bHDesactiveFiltre(INAContext* piContext, const wchar_t* pszItem, unsigned nFlags) override;
    int bHRetourPosition(INAContext* piContext, int nPosition, wchar_t* pszItem, int bKeep, unsigned nFlags) override;
    // 1 without an error when the context has no access: there is no position to free.
    int bHLiberePosition(INAContext* piContext, int nPosition) override;
    int bHSauvePosition(INAContext* piContext, const wchar_t* pszItem, int* pnPosition, unsigned nFlags) override;
    int bHVersion(INAContext* piContext, int* pnVersion) override;
    int bHNbEnr(INAContext* piContext, long* pnCount, unsigned nOptions, unsigned nFlags) override;
    int bHPositionCourante(INAContext* piContext, const wchar_t* pszItem, int* pnPosition, eNA_PRECISION ePrecision,
                           unsigned nFlags) override;
    int bHPositionne(INAContext* piContext, const wchar_t* pszItem, unsigned nPosition, eNA_PRECISION ePrecision,
                     unsigned nFlags) override;
    int bGetBLOB(INAContext* piContext, unsigned nItem, CAny* pclValue) override;
    int bSetBLOB(INAContext* piContext, unsigned nItem, const CAny* pclValue) override;
    int bGetRecord(INAContext* piContext, CNAYFRecord** ppclRecord) override;
    int bSetRecord(INAContext* piContext, CNAYFRecord* pclRecord) override;
    int bHAttacheMemo(INAContext* piContext, unsigned nItem, const wchar_t* pszFile) override;
    int bExtraitMemo(INAContext* piContext, unsigned nItem, const wchar_t* pszFile) override;
    int bHAnnuleRecherche(INAContext* piContext, const wchar_t* pszItem) override;
    int bHChangeCle(INAContext* piContext, const wchar_t* pszItem, unsigned nFlags) override;
    int bHConstruitValCle(INAContext* piContext, CAny* pclKey, const wchar_t* pszItem, unsigned nFlags,
                          CAny** ppValues) override;
    int bHInterditModif(INAContext* piContext) override;
    int bHFinInterditModif(INAContext* piContext) override;
    int bCalculateKeyValue(INAContext* piContext, const wchar_t* pszItem, void** ppKey, const void* pValue,
                           unsigned* pnSize, unsigned short nOptions, int nFlags) override;
    int bFreeCache(INAContext* piContext) override;
    int bCompareTablePosition(INAContext* piContext, int nFirst, int nSecond, int* pbEqual) override;
    // Virtual moves are not supported: both answer 0.
    int bTableVirtualMoveSupported() override { return 0; }
    int bTableVirtualMove(INAContext*, const wchar_t*, long*, unsigned, int) override { return 0; }
    int bSupprimeTout(INAContext* piContext) override;

    // ==================================================================== the table's own entries
    // 79: drops the table in the database for the context; the access is removed in every case.
    virtual int bSupprimeFichier(INAContext* piContext);
    // 80 and 81.
    virtual ~CNATable();
    // 82: runs the host's query for the context; hasResult is set when it has result columns.
    virtual int bExecuteQuery(int* pbHasResult, INAContext* piContext, const wchar_t* pszName,
                              ISQLParserInformation* piQuery, unsigned nMode, const INAQueryExecution* piExecution);

    // ==================================================================== the object
    // ---- internal count (no lock: callers hold it)
    unsigned AddRef() { return ++m_nRef; }
    // Deletes the table when both counts are 0; answers the internal count left.
    unsigned nRelease();
    unsigned nGetRef() const { return m_nRef; }
    unsigned nGetExternalRef() const { return m_nExternalRef; }

    const wchar_t* pszGetIdentification() const { return _pszOrEmpty(m_clIdentification.pszGet()); }
    // The description's names; "" for a table without one.
    const wchar_t* pszGetLogicalName() const;
    const wchar_t* pszGetDBTableName() const;
    INAError* piGetLastError() const;
    CNAConnectionDescription* pclGetConnectionNoRef() const { return m_pclCnx; }
    INADataSourceDescription* piGetDataSourceDescriptionNoRef() const { return m_piDescription; }
    // The host's parameter values of the query (no reference added).
    INAQueryParametersValue* piGetQueryBindVariableNoRef() const { return m_piQueryBindVariable; }
    // Keeps the values with an external reference (the ones kept before released); null empties.
    void SetQueryBindVariable(INAQueryParametersValue* piValues);
    unsigned nGetNbDataAccess() const { return m_clDataAccess.dwGetNumElement(); }

    // ---- data accesses (under the driver lock)
    // The context's access with a reference; null when it has none.
    CNADataAccess* _pclFindDataAccess(INAContext* piContext);
    // The same for a caller that already holds the lock (every entry of the table does): the lock
    // is taken once a call, not again for the lookup.
    CNADataAccess* __pclFindDataAccess(INAContext* piContext);
    // The context's access with a reference, made when missing (*pbCreated tells); null when none
    // can be had.
    CNADataAccess* _pclGetDataAccess(INAContext* piContext, int* pbCreated);
    void __AddDataAccess(CNADataAccess* pclAccess);
    // Takes the access out of its context and out of this table; the caller holds the lock.
    void _RemoveDataAccess(INAContext* piContext, CNADataAccess* pclAccess);
    // The first access of this table in the context of that id, with a reference; null when none.
    CNADataAccess* pclFindDataAccessByContext(uint64_t dwContextId);
    // The one-entry cache forgets the access (every access when null); nothing when it holds
    // another one.
    static void s_ForgetDataAccess(const CNADataAccess* pclAccess);

    // ---- contexts, through the driver object
    CNAContext* _pclFindContext(INAContext* piContext);
    CNAContext* _pclGetContext(INAContext* piContext, int* pbCreated);
    unsigned _nReleaseContext(INAContext* piContext, CNAContext* pclContext);

    // ---- errors
    // Copies an error into the context's error object, when the context exists.
    void _SetContextLastNAError(INAContext* piContext, const INAError* piError);
    // The same, then into the table's own error object too.
    void _SetLastNAError(INAContext* piContext, const INAError* piError);

    // ---- operations on every data access of the table
    // Closes them all; the AND of their answers, 1 when there is none.
    int bCloseAllDataAccess();
    // Closes and removes the accesses of the context whose logical name is the given one.
    int bCloseAllDataAccess(INAContext* piContext, const wchar_t* pszLogicalName);
    int bFiltreAuto(INAContext* piContext, int nFlags, const wchar_t* pszLogicalName, const wchar_t* pszText,
                    INADataSourceDescription* piDescription);
    int bFiltreAuto(INAContext* piContext, int nFlags, const wchar_t* pszLogicalName);
    // Tells every other access of the table that one wrote through a statement.
    void NotifyDataAccessOperation(CNADataAccess* pclAccess, eNAQUERYTYPE eType, CNAStatement* pclStatement,
                                   NA_WRITEPARSEFLAGS nFlags);
    // Whether a query must be closed before the context runs that one: its access existed and does
    // not run the same query.
    int bNeedCloseQuery(INAContext* piContext, ISQLParserInformation* piQuery);
    void SetTransactionTermined();
    void CancelRecordLock(INAConnectionDescription* piCnx, CNATransaction* pclTransaction);

protected:
    // User error nUserError of this unit (file 6) at the site, added to the table's own error
    // object with the type and connection given; the logical name as the error's table name with
    // bTableName. The message arguments follow.
    void _AddError(eNA_ERRORTYPE eType, int nSite, CNAConnectionDescription* pclCnx, int bTableName,
                   unsigned nUserError, ...);
    // The context has no access (user error 19).
    void _AddNoDataAccessError(int nSite, CNAConnectionDescription* pclCnx);
    // The operation is not available (user error 8): on the table's error object, then copied
    // into the context's. Answers 0.
    int _bNotAvailable(INAContext* piContext, int nSite);
    // Asks the host's parsed query whether its SQL module fits this driver, once per driver object:
    // 1 when it fits (or nothing is to be asked), else 0 with user error 16.
    int _bCheckSQLModule(ISQLParserInformation* piQuery);
    // Opening and creation: the connection opened, the access got (made when missing), then the
    // access's own operation; an access made for an operation that failed is removed.
    enum eOPENKIND { OPEN_OUVRE, OPEN_CREATION, OPEN_CREATIONSIINEXISTANT };
    int _bOpen(INAContext* piContext, eOPENKIND eKind, eNA_ACCESS eAccess, const wchar_t* pszPassword);

private:
    static const wchar_t* _pszOrEmpty(const wchar_t* psz) { return psz != nullptr ? psz : L""; }

    uint32_t m_nRef = 0;
    uint32_t m_nExternalRef = 0;
    CNAError* m_pclError;
    CNAConnectionDescription* m_pclCnx;
    INADataSourceDescription* m_piDescription = nullptr;
    CTString m_clIdentification;
    CNARefHashTable<CNADataAccess*, CNADataAccess*> m_clDataAccess{7};
    INAQueryParametersValue* m_piQueryBindVariable = nullptr;
};
