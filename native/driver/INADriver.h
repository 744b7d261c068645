// INADriver: the driver object as the host holds it after piQueryInterface. The host calls these
// operations through the virtual table, so their order is binary interface: slots 2 to 6 are the
// INAVersion head, 7 to 40 follow here; CNADriver adds its own entries after the last one.
#pragma once

#include <cstdint>

#include "native/driver/INAVersion.h"

class CAny;
class INAConnectionDescription;
class INAContext;
class INACopyCtx;
class INADataSourceDescription;
class INAError;
class INAQueryExecution;
class INAQueryParametersValue;
class INATable;
class ILibShop;
class ISQLParserInformation;
class IVMData;
class IYFForNA;
class INADriverSQL;
template <typename T>
class CXYString;

// The host's lock mode of a table (32-bit).
enum _eNA_HMODE : uint32_t;

class INADriver : public INAVersion {
public:
    // Slots 7 to 12: references, the SQL-layer interface, connections, context copy.
    virtual void ExternalAddRef() = 0;
    virtual int nExternalRelease() = 0;
    virtual INADriverSQL* piGetInterface(int nId) = 0;
    virtual int bOpenConnection(INAConnectionDescription* piCnx) = 0;
    virtual int bCloseConnection(INAConnectionDescription* piCnx) = 0;
    virtual int bCopyContext(INACopyCtx* piCopy, INAContext* piFrom, INAContext* piTo, unsigned nFlags) = 0;
    // 13 to 19: the last error, lock mode, tables and their descriptions, queries, contexts.
    virtual INAError* piGetLastError() = 0;
    virtual int bHMode(INAContext* piContext, _eNA_HMODE eMode) = 0;
    virtual INATable* piGetTable(INAConnectionDescription* piCnx, INADataSourceDescription* piDesc) = 0;
    virtual int bGetTableList(CAny* pclList, INAConnectionDescription* piCnx, unsigned nFlags) = 0;
    virtual INADataSourceDescription* piGetTableDesc(const wchar_t* pszTable, INAConnectionDescription* piCnx) = 0;
    virtual int bHExecuteRequeteSQL(INATable** ppiTable, INAContext* piContext, const wchar_t* pszName,
                                    INAConnectionDescription* piCnx, ISQLParserInformation* piQuery,
                                    unsigned nFlags) = 0;
    virtual int bCloseContext(INAContext* piContext) = 0;
    // 20 to 30: transactions, SQL locking, diagnosis, lists.
    virtual int bTransactionBegin(INAConnectionDescription* piCnx, const wchar_t* pszName) = 0;
    virtual int bTransactionCommit(INAConnectionDescription* piCnx, const wchar_t* pszName) = 0;
    virtual int bTransactionRollBack(INAConnectionDescription* piCnx, const wchar_t* pszName) = 0;
    virtual int bSQLBloqueTable(INAConnectionDescription* piCnx, const wchar_t* pszTable) = 0;
    virtual int bSQLBloqueRequete(INAConnectionDescription* piCnx, ISQLParserInformation* piQuery) = 0;
    virtual int bSQLFormatColonne(INAConnectionDescription* piCnx, CAny* pclValue) = 0;
    virtual int bHConnexionDiagnose(CAny* pclResult, INAConnectionDescription* piCnx, const wchar_t* pszText,
                                    unsigned nFlags) = 0;
    virtual int bGetProviderList(CAny* pclList) = 0;
    virtual int bTableExists(int* pbExists, const wchar_t* pszTable, INAConnectionDescription* piCnx) = 0;
    virtual int bGetLinkList(CAny* pclList, const wchar_t* pszTable, INADataSourceDescription* piDesc,
                             INAConnectionDescription* piCnx, unsigned nFlags) = 0;
    virtual int bGetListeSource(CAny* pclList, int nFlags) = 0;
    // 31 to 40: what the host hands over, filters, queries, data sources, deletion, databases.
    virtual int bSetQueryParameters(INAContext* piContext, INAConnectionDescription* piCnx,
                                    INAQueryParametersValue* piParameters) = 0;
    virtual int bSetVMAndLibShop(ILibShop* piLibShop, IVMData* piVMData) = 0;
    virtual int bFiltreAuto(INAContext* piContext, INAConnectionDescription* piCnx, int nFlags, const wchar_t* pszTable,
                            INADataSourceDescription* piDesc, const wchar_t* pszLinked,
                            INADataSourceDescription* piLinkedDesc) = 0;
    virtual int SetNextLogicalName(INAContext* piContext, const wchar_t* pszName) = 0;
    virtual int bHExecuteRequeteSQLEx(INATable** ppiTable, INAContext* piContext, const wchar_t* pszName,
                                      INAConnectionDescription* piCnx, ISQLParserInformation* piQuery, unsigned nFlags,
                                      const INAQueryExecution* piExecution) = 0;
    virtual int bFreeDataSource(INAContext* piContext, const wchar_t* pszName, INAConnectionDescription* piCnx) = 0;
    virtual int bValidConnection(INAConnectionDescription* piCnx) = 0;
    virtual int bSetYF(IYFForNA* piYF) = 0;
    virtual int bSupprimeFichier(INAContext* piContext, INAConnectionDescription* piCnx, const wchar_t* pszTable,
                                 INADataSourceDescription* piDesc) = 0;
    virtual int bGetDatabaseList(CXYString<wchar_t>* pclList, INAConnectionDescription* piCnx, unsigned nFlags) = 0;

protected:
    INADriver() = default;
    INADriver(const INADriver&) = default;
    INADriver& operator=(const INADriver&) = default;
    ~INADriver() = default;
};
