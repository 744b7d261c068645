// The driver object: construction, destruction, the error object it hands to the host, the
// reference count the host holds and the operations whose answer is fixed.
//
// STUB (driver-object task): the registries of connections, tables and contexts, the dump labels
// and the operations on connections, tables, queries, lists and transactions are not built yet;
// each of those entries below answers failure (0 or null) and is marked.
#include "native/driver/NADriver.h"

#include <new>

#include "native/driver/NAError.h"

CNADriver::CNADriver() = default;

CNADriver::~CNADriver() {
    if (m_pclError != nullptr) m_pclError->Reset();
    _Term();
    _ForgetLiveDriver();
}

void CNADriver::_Term() {
    if (m_pclError != nullptr) m_pclError->nRelease();
    m_pclError = nullptr;
    // STUB (driver-object task): empties the three registries first and releases the SQL-layer
    // driver (m_pclDriverSQL) after the error object.
    _BeforeDeath();
}

int CNADriver::nExternalRelease() {
    // A release with no reference left must not wrap the count round.
    if (m_nExternalRef == 0) return 0;
    uint32_t nRemaining = --m_nExternalRef;
    if (nRemaining == 0) delete this;
    return static_cast<int>(nRemaining);
}

INAError* CNADriver::piGetLastError() {
    return m_pclError;
}

bool CNADriver::AllocError() {
    if (m_pclError != nullptr) m_pclError->nRelease();
    m_pclError = nullptr;
    m_pclError = pclAllocError();
    if (m_pclError == nullptr) return false;
    m_pclError->AddRef();
    return true;
}

int CNADriver::bInitDriver() {
    AllocError();
    return 1;
}

CNAError* CNADriver::pclAllocError() {
    return new (std::nothrow) CNAError;
}

// ---------------------------------------------------------------------------------------------------------------
// Fixed answers

int CNADriver::bCopyContext(INACopyCtx*, INAContext*, INAContext*, unsigned) {
    return 0;
}

int CNADriver::bSetQueryParameters(INAContext*, INAConnectionDescription*, INAQueryParametersValue*) {
    return 1;
}

int CNADriver::bSetVMAndLibShop(ILibShop* piLibShop, IVMData* piVMData) {
    m_piLibShop = piLibShop;
    m_piVMData = piVMData;
    return 1;
}

int CNADriver::bValidConnection(INAConnectionDescription*) {
    return 1;
}

int CNADriver::bSetYF(IYFForNA* piYF) {
    m_piYF = piYF;
    return 1;
}

int CNADriver::bSetCharset(unsigned, void*) {
    return 1;
}

CNAConvertVariant* CNADriver::pclAllocVariantRowID(CNAError*, CNAConnectionDescription*) {
    return nullptr;
}

void CNADriver::OnFatalErrorAddDebugMessage(CNAError*, CNAConnectionDescription*) {}

CNADriverSQL* CNADriver::_pclAllocDriverSQL(CNAError*) {
    return nullptr;
}

void CNADriver::_BeforeDeath() {}

// ---------------------------------------------------------------------------------------------------------------
// STUB (driver-object task): every operation below answers failure until the driver object's
// registries and operations are built.

INADriverSQL* CNADriver::piGetInterface(int) {
    return nullptr;
}

int CNADriver::bOpenConnection(INAConnectionDescription*) {
    return 0;
}

int CNADriver::bCloseConnection(INAConnectionDescription*) {
    return 0;
}

int CNADriver::bHMode(INAContext*, _eNA_HMODE) {
    return 0;
}

INATable* CNADriver::piGetTable(INAConnectionDescription*, INADataSourceDescription*) {
    return nullptr;
}

int CNADriver::bGetTableList(CAny*, INAConnectionDescription*, unsigned) {
    return 0;
}

INADataSourceDescription* CNADriver::piGetTableDesc(const wchar_t*, INAConnectionDescription*) {
    return nullptr;
}

int CNADriver::bHExecuteRequeteSQL(INATable**, INAContext*, const wchar_t*, INAConnectionDescription*,
                                   ISQLParserInformation*, unsigned) {
    return 0;
}

int CNADriver::bCloseContext(INAContext*) {
    return 0;
}

int CNADriver::bTransactionBegin(INAConnectionDescription*, const wchar_t*) {
    return 0;
}

int CNADriver::bTransactionCommit(INAConnectionDescription*, const wchar_t*) {
    return 0;
}

int CNADriver::bTransactionRollBack(INAConnectionDescription*, const wchar_t*) {
    return 0;
}

int CNADriver::bSQLBloqueTable(INAConnectionDescription*, const wchar_t*) {
    return 0;
}

int CNADriver::bSQLBloqueRequete(INAConnectionDescription*, ISQLParserInformation*) {
    return 0;
}

int CNADriver::bSQLFormatColonne(INAConnectionDescription*, CAny*) {
    return 0;
}

int CNADriver::bHConnexionDiagnose(CAny*, INAConnectionDescription*, const wchar_t*, unsigned) {
    return 0;
}

int CNADriver::bGetProviderList(CAny*) {
    return 0;
}

int CNADriver::bTableExists(int*, const wchar_t*, INAConnectionDescription*) {
    return 0;
}

int CNADriver::bGetLinkList(CAny*, const wchar_t*, INADataSourceDescription*, INAConnectionDescription*, unsigned) {
    return 0;
}

int CNADriver::bGetListeSource(CAny*, int) {
    return 0;
}

int CNADriver::bFiltreAuto(INAContext*, INAConnectionDescription*, int, const wchar_t*, INADataSourceDescription*,
                           const wchar_t*, INADataSourceDescription*) {
    return 0;
}

int CNADriver::SetNextLogicalName(INAContext*, const wchar_t*) {
    return 0;
}

int CNADriver::bHExecuteRequeteSQLEx(INATable**, INAContext*, const wchar_t*, INAConnectionDescription*,
                                     ISQLParserInformation*, unsigned, const INAQueryExecution*) {
    return 0;
}

int CNADriver::bFreeDataSource(INAContext*, const wchar_t*, INAConnectionDescription*) {
    return 0;
}

int CNADriver::bSupprimeFichier(INAContext*, INAConnectionDescription*, const wchar_t*, INADataSourceDescription*) {
    return 0;
}

int CNADriver::bGetDatabaseList(CXYString<wchar_t>*, INAConnectionDescription*, unsigned) {
    return 0;
}

int CNADriver::bBuildCnxIdentification(CTString*, INAConnectionDescription*) {
    return 0;
}

CNADriverSQL* CNADriver::pclGetDriverSQL() {
    return nullptr;
}

CNAConvertVariant* CNADriver::pclAllocVariant(CNAError*, CNAConnectionDescription*) {
    return nullptr;
}

CNADataSourceDescription* CNADriver::pclAllocDataSourceDescription(CNAConnectionDescription*, CNAError*) {
    return nullptr;
}

CNAContext* CNADriver::pclAllocContext() {
    return nullptr;
}

CNADataAccess* CNADriver::pclAllocDataAccess(INADataSourceDescription*, CNAConnectionDescription*, CNAError*) {
    return nullptr;
}

CNAColumn* CNADriver::pclAllocColumn(CNAError*, INAItemDescription*) {
    return nullptr;
}

CNACommand* CNADriver::pclAllocCommand(CNAError*, CNAConnectionDescription*) {
    return nullptr;
}

CNAIDAuto* CNADriver::pclAllocIDAuto() {
    return nullptr;
}

CNADataSourceDescription* CNADriver::_pclGetTableDesc(const wchar_t*, CNAConnectionDescription*) {
    return nullptr;
}

CNAParameter* CNADriver::pclAllocParameter(CNAConvertVariant*, unsigned long, unsigned, const wchar_t*) {
    return nullptr;
}

void CNADriver::CancelRecordLock(INAConnectionDescription*, CNATransaction*) {}

CNAItemDescription* CNADriver::pclAllocItemDescription() {
    return nullptr;
}

CNATable* CNADriver::_pclAllocTable(const wchar_t*, INADataSourceDescription*, CNAConnectionDescription*, CNAError*) {
    return nullptr;
}

int CNADriver::_bGetDatabaseList(CXYString<wchar_t>*, CNAConnectionDescription*, unsigned) {
    return 0;
}

int CNADriver::_bGetTableList(CAny*, CNAConnectionDescription*, unsigned) {
    return 0;
}

int CNADriver::_bTableExists(int*, const wchar_t*, CNAConnectionDescription*) {
    return 0;
}

int CNADriver::_bGetLinkList(CNAConnectionDescription*, const wchar_t*, INADataSourceDescription*, CAny*, unsigned) {
    return 0;
}
