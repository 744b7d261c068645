// CNADriver: the driver object behind the host's INADriver, and the module-wide state of the
// library (module handle, host versions, the driver object last handed out, the one recursive
// lock). It owns three registries for its life: the connection descriptions and the table objects,
// keyed by identification texts compared without regard to case or accents, and its records of the
// host contexts, keyed by the host's context id. Every object the driver hands out or registers is
// reference counted; a registry holds one reference on each entry. Subclasses for a database
// supply the connection, statement and SQL-layer classes through the factory entries that follow
// the interface's.
//
// Construction, destruction, the factories and the fixed answers are in NADriver.cpp; the
// registries in NADriverRegistries.cpp; the operations on connections, tables, queries and
// contexts in NADriverOperations.cpp; the lists, transactions, SQL locks, diagnosis and the
// operations not offered in NADriverLists.cpp; the dump labels, the query dump and the names of
// expression items in NADriverDumps.cpp; the module start and stop, the library's four entries
// and the live-driver bookkeeping in NADriverModule.cpp.
#pragma once

#include <cstdint>

#include "core/HashTableBounce.h"
#include "core/NARefHashTable.h"
#include "core/RefStringHashTable.h"
#include "core/TString.h"
#include "native/driver/INADriver.h"
#include "native/driver/NADriverCriticalSection.h"

class CNAColumn;
class CNACommand;
class CNAConnectionDescription;
class CNAContext;
class CNADataAccess;
class CNADataSourceDescription;
class CNADriverSQL;
class CNAError;
class CNAIDAuto;
class CNAItemDescription;
class CNAParameter;
class CNAStatement;
class CNATable;
class CNATransaction;
class CNAConvertVariant;
class CTabValParser;
class INAItemDescription;
struct _stMyModuleInfo;

// How the registries take and drop their reference on what they hold.
template <>
struct CRefTraits<CNAConnectionDescription> {
    static void _AddRef(CNAConnectionDescription* p);
    static void _Release(CNAConnectionDescription* p);
};
template <>
struct CRefTraits<CNATable> {
    static void _AddRef(CNATable* p);
    static void _Release(CNATable* p);
};
template <>
struct CRefTraits<CNAContext> {
    static void _AddRef(CNAContext* p);
    static void _Release(CNAContext* p);
};

class CNADriver : public INADriver {
public:
    CNADriver();
    CNADriver(const CNADriver&) = delete;
    CNADriver& operator=(const CNADriver&) = delete;

    // ---- INADriver
    int nGetVersion() override { return 18; }
    int nGetCompatSince() override { return 17; }
    void ExternalAddRef() override { m_nExternalRef++; }
    int nExternalRelease() override;
    INADriverSQL* piGetInterface(int nId) override;
    int bOpenConnection(INAConnectionDescription* piCnx) override;
    int bCloseConnection(INAConnectionDescription* piCnx) override;
    int bCopyContext(INACopyCtx* piCopy, INAContext* piFrom, INAContext* piTo, unsigned nFlags) override;
    INAError* piGetLastError() override;
    int bHMode(INAContext* piContext, _eNA_HMODE eMode) override;
    INATable* piGetTable(INAConnectionDescription* piCnx, INADataSourceDescription* piDesc) override;
    int bGetTableList(CAny* pclList, INAConnectionDescription* piCnx, unsigned nFlags) override;
    INADataSourceDescription* piGetTableDesc(const wchar_t* pszTable, INAConnectionDescription* piCnx) override;
    int bHExecuteRequeteSQL(INATable** ppiTable, INAContext* piContext, const wchar_t* pszName,
                            INAConnectionDescription* piCnx, ISQLParserInformation* piQuery, unsigned nFlags) override;
    int bCloseContext(INAContext* piContext) override;
    int bTransactionBegin(INAConnectionDescription* piCnx, const wchar_t* pszName) override;
    int bTransactionCommit(INAConnectionDescription* piCnx, const wchar_t* pszName) override;
    int bTransactionRollBack(INAConnectionDescription* piCnx, const wchar_t* pszName) override;
    int bSQLBloqueTable(INAConnectionDescription* piCnx, const wchar_t* pszTable) override;
    int bSQLBloqueRequete(INAConnectionDescription* piCnx, ISQLParserInformation* piQuery) override;
    int bSQLFormatColonne(INAConnectionDescription* piCnx, CAny* pclValue) override;
    int bHConnexionDiagnose(CAny* pclResult, INAConnectionDescription* piCnx, const wchar_t* pszText,
                            unsigned nFlags) override;
    int bGetProviderList(CAny* pclList) override;
    int bTableExists(int* pbExists, const wchar_t* pszTable, INAConnectionDescription* piCnx) override;
    int bGetLinkList(CAny* pclList, const wchar_t* pszTable, INADataSourceDescription* piDesc,
                     INAConnectionDescription* piCnx, unsigned nFlags) override;
    int bGetListeSource(CAny* pclList, int nFlags) override;
    int bSetQueryParameters(INAContext* piContext, INAConnectionDescription* piCnx,
                            INAQueryParametersValue* piParameters) override;
    int bSetVMAndLibShop(ILibShop* piLibShop, IVMData* piVMData) override;
    int bFiltreAuto(INAContext* piContext, INAConnectionDescription* piCnx, int nFlags, const wchar_t* pszTable,
                    INADataSourceDescription* piDesc, const wchar_t* pszLinked,
                    INADataSourceDescription* piLinkedDesc) override;
    int SetNextLogicalName(INAContext* piContext, const wchar_t* pszName) override;
    int bHExecuteRequeteSQLEx(INATable** ppiTable, INAContext* piContext, const wchar_t* pszName,
                              INAConnectionDescription* piCnx, ISQLParserInformation* piQuery, unsigned nFlags,
                              const INAQueryExecution* piExecution) override;
    int bFreeDataSource(INAContext* piContext, const wchar_t* pszName, INAConnectionDescription* piCnx) override;
    int bValidConnection(INAConnectionDescription* piCnx) override;
    int bSetYF(IYFForNA* piYF) override;
    int bSupprimeFichier(INAContext* piContext, INAConnectionDescription* piCnx, const wchar_t* pszTable,
                         INADataSourceDescription* piDesc) override;
    int bGetDatabaseList(CXYString<wchar_t>* pclList, INAConnectionDescription* piCnx, unsigned nFlags) override;

    // ---- the driver's own entries, after the interface's: 41 and 42 the destructor pair, then
    // 43 to 68; the subclass for a database overrides the factories of its own classes.
    virtual ~CNADriver();
    virtual int bSetCharset(unsigned nCharset, void* pData);
    virtual int bBuildCnxIdentification(CTString* pclOut, INAConnectionDescription* piCnx);
    virtual CNADriverSQL* pclGetDriverSQL();
    virtual CNAConvertVariant* pclAllocVariant(CNAError* pclError, CNAConnectionDescription* pclCnx);
    virtual CNAConvertVariant* pclAllocVariantRowID(CNAError* pclError, CNAConnectionDescription* pclCnx);
    virtual CNADataSourceDescription* pclAllocDataSourceDescription(CNAConnectionDescription* pclCnx,
                                                                    CNAError* pclError);
    virtual CNAContext* pclAllocContext();
    virtual CNADataAccess* pclAllocDataAccess(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx,
                                              CNAError* pclError);
    virtual CNAStatement* pclAllocStatement(CNADataAccess* pclAccess, CNAConnectionDescription* pclCnx,
                                            CNAError* pclError) = 0;
    virtual CNAColumn* pclAllocColumn(CNAError* pclError, INAItemDescription* piItem);
    virtual CNACommand* pclAllocCommand(CNAError* pclError, CNAConnectionDescription* pclCnx);
    virtual CNAError* pclAllocError();
    virtual CNAIDAuto* pclAllocIDAuto();
    virtual CNADataSourceDescription* _pclGetTableDesc(const wchar_t* pszTable, CNAConnectionDescription* pclCnx);
    virtual CNAParameter* pclAllocParameter(CNAConvertVariant* pclValue, unsigned long nPosition, unsigned nFlags,
                                            const wchar_t* pszName);
    virtual void CancelRecordLock(INAConnectionDescription* piCnx, CNATransaction* pclTransaction);
    virtual CNAItemDescription* pclAllocItemDescription();
    virtual void OnFatalErrorAddDebugMessage(CNAError* pclError, CNAConnectionDescription* pclCnx);
    virtual CNAConnectionDescription* _pclAllocConnectionDescription(const wchar_t* pszIdentification,
                                                                     INAConnectionDescription* piCnx) = 0;
    virtual CNATable* _pclAllocTable(const wchar_t* pszIdentification, INADataSourceDescription* piDesc,
                                     CNAConnectionDescription* pclCnx, CNAError* pclError);
    virtual CNADriverSQL* _pclAllocDriverSQL(CNAError* pclError);
    virtual int _bGetDatabaseList(CXYString<wchar_t>* pclList, CNAConnectionDescription* pclCnx, unsigned nFlags);
    virtual int _bGetTableList(CAny* pclList, CNAConnectionDescription* pclCnx, unsigned nFlags);
    virtual int _bTableExists(int* pbExists, const wchar_t* pszTable, CNAConnectionDescription* pclCnx);
    virtual int _bGetLinkList(CNAConnectionDescription* pclCnx, const wchar_t* pszTable,
                              INADataSourceDescription* piDesc, CAny* pclList, unsigned nFlags);
    virtual void _BeforeDeath();

    // ---- error object
    // Releases the current error object and installs a new one with one reference; false when none
    // could be made.
    bool AllocError();
    int bInitDriver();
    CNAError* pclGetError() const { return m_pclError; }

    uint32_t nGetExternalRef() const { return m_nExternalRef; }
    int64_t llGetDefaultBlockRowCount() const { return m_llDefaultBlockRowCount; }
    int bGetSQLModuleConfirmed() const { return m_bSQLModuleConfirmed; }
    void SetSQLModuleConfirmed() { m_bSQLModuleConfirmed = 1; }

    // ---- identification texts, the keys of the registries
    // "Table=<database table name>;<connection key>".
    static void bBuildTableIdentification(CTString* pclOut, const wchar_t* pszTable, const wchar_t* pszCnxKey);
    // "CTX=<context id>;Table=<query name>;<connection key>", the context id in all its 64 bits.
    static void bBuildQueryIdentification(CTString* pclOut, const wchar_t* pszName, const wchar_t* pszCnxKey,
                                          INAContext* piContext);

    // ---- connections (the ones that say so take the lock; the others run inside an entry)
    // Each find and get answers the description with one reference for the caller.
    CNAConnectionDescription* _pclFindConnection(const wchar_t* pszKey);
    CNAConnectionDescription* _pclFindConnection(INAConnectionDescription* piCnx);
    // Makes and registers a description; it comes back without a reference of the caller's.
    CNAConnectionDescription* _pclAddConnection(const wchar_t* pszKey, INAConnectionDescription* piCnx);
    // Find or create: a new description leaves with a count of 2 (registry and caller).
    CNAConnectionDescription* _pclGetConnection(INAConnectionDescription* piCnx);
    // Releases one reference; at the registry's last one, with auto-close enabled, closes the
    // connection and takes it out of the registry. Answers the count left.
    unsigned nReleaseConnection(CNAConnectionDescription* pclCnx);
    // Under the lock; with one reference for the caller, or null.
    CNAConnectionDescription* pclGetConnectionByID(int nNumber);
    CNAConnectionDescription* pclGetConnectionByName(const wchar_t* pszName);
    int _bOpenConnection(CNAConnectionDescription* pclCnx);
    int _bCloseConnection(CNAConnectionDescription* pclCnx);
    int _bCloseConnectionById(int nNumber);
    // The references that bOpenConnection took on a connection and bCloseConnection has not yet
    // given back.
    unsigned nGetOpenReferences(CNAConnectionDescription* pclCnx) const;
    unsigned nGetConnectionCount() const { return m_clConnections.dwGetNumElement(); }
    // A reference that a table or an access held on a connection goes back here: through the
    // driver of the process when there is one, so that the auto-close rule applies.
    static void s_ReleaseConnection(CNAConnectionDescription* pclCnx);

    // ---- tables
    CNATable* _pclFindTable(const wchar_t* pszKey);
    CNATable* _pclFindTable(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx, CTString* pclKey);
    void _AddTable(CNATable* pclTable);
    CNATable* _pclAddTable(const wchar_t* pszKey, INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx);
    CNATable* _pclGetTable(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx);
    int _bReleaseTable(CNATable* pclTable);
    int _bReleaseTable(INAContext* piContext, CNATable* pclTable);
    unsigned nReleaseTable(CNATable* pclTable);
    CNATable* pclEnumTableByConnection(unsigned* pnCursor, CNAConnectionDescription* pclCnx);
    void _SetTransactionTermined(CNAConnectionDescription* pclCnx);
    unsigned nGetTableCount() const { return m_clTables.dwGetNumElement(); }

    // ---- contexts (under the lock)
    CNAContext* pclFindContext(INAContext* piContext);
    CNAContext* pclGetContext(INAContext* piContext, int* pbCreated);
    CNAContext* _pclAddContext(INAContext* piContext);
    // Registers the context under the host's id; 0 when the registry could not grow.
    int __AddContext(INAContext* piContext, CNAContext* pclContext);
    unsigned nReleaseContext(INAContext* piContext, CNAContext* pclContext);
    unsigned nGetContextCount() const { return m_clContexts.dwGetNumElement(); }

    // ---- operations behind the entries
    INADataSourceDescription* _piGetTableDesc(const wchar_t* pszTable, CNAConnectionDescription* pclCnx);
    CNATable* _pclGetQuery(INAContext* piContext, const wchar_t* pszName, CNAConnectionDescription* pclCnx,
                           int bCloseFound, int bCreate);

    // ---- values and parameters made for a column
    // A new variant (slot 46) set up as a language value of that type when no column is given,
    // else for the column; null when it cannot be made or set up.
    CNAConvertVariant* pclGetNewVariant_NV_Any(CNAError* pclError, CNAConnectionDescription* pclCnx,
                                               CNAColumn* pclColumn, unsigned short nType);
    // The same with the type of the value (the low byte of its type word), then the value stored.
    CNAConvertVariant* pclGetNewVariant_NV_Any(CNAError* pclError, CNAConnectionDescription* pclCnx,
                                               CNAColumn* pclColumn, const CAny* pclValue);
    // A new parameter (slot 57) bound to the column; null when it cannot be made.
    CNAParameter* pclAllocParameter_col(CNAColumn* pclColumn, CNAConvertVariant* pclValue, unsigned long nPosition,
                                        unsigned nFlags, const wchar_t* pszName);
    // The name of an unnamed expression item: "Expr" followed by n + 1000.
    static void g_GenerateItemName(CTString* pclOut, int n);

    // ---- dumps (NADriverDumps.cpp)
    // Fills the 28 label texts of the query, command and connection dumps, once: from the module's
    // messages (this library's own when none is given), a fixed text for a message that cannot be
    // had, each followed by one blank. Nothing when they are filled already.
    void InitQueryDumpRessources(const _stMyModuleInfo* pstModule = nullptr);
    // Label n (from 1), filled on first use; "" for a number out of range and for labels 8 to 10.
    const wchar_t* pszGetDumpLabel(int nLabel);
    // The label of the process's driver object; "" when there is none.
    static const wchar_t* s_pszGetDumpLabel(int nLabel);
    // The text of a query and the values of its parameters, cut to nMaxLength characters
    // ((unsigned long)-1: all of it; 0: nothing).
    int bGetQueryDump(CTString* pclOut, const wchar_t* pszQuery, CTabValParser* pclParameters,
                      unsigned long nMaxLength);

    // ---- SQL-layer driver
    void _InitDriverSQL();
    void _FreeDriverSQL();
    static CNADriverSQL* s_pclGetDriverSQL();

    // ---- module start and stop, the library's state (NADriverModule.cpp)
    static int g_NAInitModule(void* hModule);
    static int g_NATermModule();

    // The driver object last handed out by piQueryInterface that is still alive. The sortable keys
    // of the variant layer use the host engine interface that this one was given (bSetYF): it is
    // published to them (CNADriverYF) whenever it or the driver object changes.
    static CNADriver* s_pclDriver;
    static void* s_hDllHandle;
    static uint32_t s_nID_KXYF;
    static uint32_t s_nID_KXSQL;
    static int s_bGPFCatched;
    // The one lock of the driver: recursive, made ready by the module start, out of use after its
    // stop.
    static CNADriverCriticalSection m_gstDriverCriticalSection;
    static bool s_bDriverCriticalSectionCreated;
    // Takes the lock; false (and nothing taken) while the module is stopped and no lock exists.
    // Inline: every call of the host takes and gives it back.
    static bool s_bLock() {
        if (!s_bDriverCriticalSectionCreated) return false;
        m_gstDriverCriticalSection.Lock();
        return true;
    }
    static void s_Unlock() {
        if (s_bDriverCriticalSectionCreated) m_gstDriverCriticalSection.Unlock();
    }

    // A driver handed to the host joins the live drivers and becomes s_pclDriver.
    void _RegisterAsLiveDriver();

protected:
    void _Term();

    // Label texts of the query, command and connection dumps, filled on first use.
    CTString m_tabDumpLabel[28];
    uint32_t m_nExternalRef = 0;
    int m_bSQLModuleConfirmed = 0;
    // Connections and tables by identification text, contexts by the host's context id.
    CRefStringHashTable<CNAConnectionDescription*> m_clConnections{7};
    CRefStringHashTable<CNATable*> m_clTables{7};
    CNARefHashTable<unsigned long, CNAContext*> m_clContexts{7};
    CNAError* m_pclError = nullptr;
    CNADriverSQL* m_pclDriverSQL = nullptr;
    int64_t m_llDefaultBlockRowCount = -1;
    ILibShop* m_piLibShop = nullptr;
    IVMData* m_piVMData = nullptr;
    IYFForNA* m_piYF = nullptr;

private:
    // Leaves the live drivers; s_pclDriver falls back to the most recent one still alive.
    void _ForgetLiveDriver();
    // Takes a description out of the registry (only when it is the one registered under its text)
    // and gives back the references that opens took on it; true when it was registered.
    bool _bRemoveConnection(CNAConnectionDescription* pclCnx);
    bool _bAddOpenReference(CNAConnectionDescription* pclCnx);
    bool _bDropOpenReference(CNAConnectionDescription* pclCnx);
    unsigned _nForgetOpenReferences(CNAConnectionDescription* pclCnx);

    // Open references by description (a count in the value word).
    CHashTableBounce m_clOpenReferences{7};

    // Live drivers in the order piQueryInterface made them (the newest last).
    CNADriver* m_pclOlderDriver = nullptr;
    CNADriver* m_pclNewerDriver = nullptr;
    bool m_bLiveDriver = false;
    static CNADriver* s_pclNewestLiveDriver;
};

// A new command on the connection with the error object, made as the driver object's factory makes
// it (count 0: the caller takes the first reference).
CNACommand* pclAllocCommand(CNAError* pclError, CNAConnectionDescription* pclCnx);
