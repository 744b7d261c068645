// CNADriver: the driver object behind the host's INADriver, and the module-wide state of the
// library (module handle, host versions, the driver object last handed out, the one recursive
// lock). Subclasses for a database supply the connection, statement and SQL-layer classes through
// the factory entries that follow the interface's.
//
// The module start and stop, the library's four entries and the live-driver bookkeeping are in
// NADriverModule.cpp.
#pragma once

#include <pthread.h>

#include <cstdint>

#include "native/driver/INADriver.h"

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
class CTString;
class INAItemDescription;

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
    virtual CNAParameter* pclAllocParameter(CNAConvertVariant* pclValue, unsigned long nIndex, unsigned nDirection,
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

    // ---- module start and stop, the library's state (NADriverModule.cpp)
    static int g_NAInitModule(void* hModule);
    static int g_NATermModule();

    // The driver object last handed out by piQueryInterface that is still alive.
    static CNADriver* s_pclDriver;
    static void* s_hDllHandle;
    static uint32_t s_nID_KXYF;
    static uint32_t s_nID_KXSQL;
    static int s_bGPFCatched;
    // The one lock of the driver: recursive, created by the module start, destroyed by its stop.
    static pthread_mutex_t m_gstDriverCriticalSection;
    static bool s_bDriverCriticalSectionCreated;
    // Takes the lock; false (and nothing taken) while the module is stopped and no lock exists.
    static bool s_bLock();
    static void s_Unlock();

    // A driver handed to the host joins the live drivers and becomes s_pclDriver.
    void _RegisterAsLiveDriver();

protected:
    void _Term();

    uint32_t m_nExternalRef = 0;
    int m_bSQLModuleConfirmed = 0;
    CNAError* m_pclError = nullptr;
    CNADriverSQL* m_pclDriverSQL = nullptr;
    int64_t m_llDefaultBlockRowCount = -1;
    ILibShop* m_piLibShop = nullptr;
    IVMData* m_piVMData = nullptr;
    IYFForNA* m_piYF = nullptr;

private:
    // Leaves the live drivers; s_pclDriver falls back to the most recent one still alive.
    void _ForgetLiveDriver();

    // Live drivers in the order piQueryInterface made them (the newest last).
    CNADriver* m_pclOlderDriver = nullptr;
    CNADriver* m_pclNewerDriver = nullptr;
    bool m_bLiveDriver = false;
    static CNADriver* s_pclNewestLiveDriver;
};
