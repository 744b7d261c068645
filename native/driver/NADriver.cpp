// The driver object: construction and destruction, the error object it hands to the host, the
// reference count the host holds, the factories of the objects it makes, the SQL-layer driver and
// the operations whose answer is fixed.
#include "native/driver/NADriver.h"

#include <new>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAContext.h"
#include "native/driver/NAError.h"
#include "native/driver/NAIDAuto.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAItemDescription.h"
#include "native/model/NAParameter.h"
#include "native/sql/NACommand.h"
#include "native/statement/NASQLColumn.h"
#include "native/table/NADataAccess.h"
#include "native/table/NATable.h"
#include "pgsql/NADriverSQL.h"
#include "variant/NADriverYF.h"

void CRefTraits<CNAConnectionDescription>::_AddRef(CNAConnectionDescription* p) {
    p->AddRef();
}
void CRefTraits<CNAConnectionDescription>::_Release(CNAConnectionDescription* p) {
    p->nRelease();
}
void CRefTraits<CNATable>::_AddRef(CNATable* p) {
    p->AddRef();
}
void CRefTraits<CNATable>::_Release(CNATable* p) {
    p->nRelease();
}
void CRefTraits<CNAContext>::_AddRef(CNAContext* p) {
    p->AddRef();
}
void CRefTraits<CNAContext>::_Release(CNAContext* p) {
    p->nRelease();
}

CNADriver::CNADriver() {
    m_clOpenReferences.SetCmp(CRefHashTable<void*, CNAContext*>::_nHTBDefaultCompare);
    m_clOpenReferences.SetHashVal(CRefHashTable<void*, CNAContext*>::_dwHTBDefaultHashVal);
}

CNADriver::~CNADriver() {
    if (m_pclError != nullptr) m_pclError->Reset();
    _Term();
    _ForgetLiveDriver();
}

void CNADriver::_Term() {
    m_clContexts.RemoveAll();
    m_clTables.RemoveAll();
    // The references that opens took go with the registry's own: a driver that dies with open
    // connections must not leave them (and their server sessions) behind.
    unsigned nCursor = 0;
    CNAConnectionDescription* pclCnx = nullptr;
    while (m_clConnections.bParse(&nCursor, &pclCnx, nullptr)) {
        for (unsigned n = _nForgetOpenReferences(pclCnx); n > 0; n--) pclCnx->nRelease();
    }
    m_clConnections.RemoveAll();
    if (m_pclError != nullptr) m_pclError->nRelease();
    m_pclError = nullptr;
    _FreeDriverSQL();
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

// ---------------------------------------------------------------------------------------------------------------
// Factories: each object comes with a count of 0, the caller takes the first reference.

CNAError* CNADriver::pclAllocError() {
    return new (std::nothrow) CNAError;
}

CNAContext* CNADriver::pclAllocContext() {
    return new (std::nothrow) CNAContext(this);
}

CNADataAccess* CNADriver::pclAllocDataAccess(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx,
                                             CNAError* pclError) {
    return new (std::nothrow) CNADataAccess(piDesc, pclCnx, pclError);
}

CNATable* CNADriver::_pclAllocTable(const wchar_t* pszIdentification, INADataSourceDescription* piDesc,
                                    CNAConnectionDescription* pclCnx, CNAError* pclError) {
    return new (std::nothrow) CNATable(pszIdentification, piDesc, pclCnx, pclError);
}

CNADataSourceDescription* CNADriver::pclAllocDataSourceDescription(CNAConnectionDescription* pclCnx,
                                                                   CNAError* pclError) {
    return new (std::nothrow) CNADataSourceDescription(pclCnx, pclError);
}

CNAItemDescription* CNADriver::pclAllocItemDescription() {
    return new (std::nothrow) CNAItemDescription();
}

CNAConvertVariant* CNADriver::pclAllocVariant(CNAError* pclError, CNAConnectionDescription* pclCnx) {
    CNAError* pclOn = pclError != nullptr ? pclError : m_pclError;
    CNAConvertVariant* pcl = new (std::nothrow) CNAConvertVariant(pclOn, pclCnx);
    if (pcl == nullptr && pclOn != nullptr) pclOn->SetErrorNoMemory(pclCnx);
    return pcl;
}

CNAColumn* CNADriver::pclAllocColumn(CNAError* pclError, INAItemDescription* piItem) {
    // Type 8 has no values to carry, and types past the last one are unknown.
    const uint32_t nType = piItem != nullptr ? piItem->eNAGetItemType() : NA_IT_EMPTY;
    if (nType < NA_IT_IDAUTO || nType > NA_IT_MAX || nType == 8) return nullptr;
    // The SQL layer's column: its fetch hook reads the statement's value.
    return new (std::nothrow) CNASQLColumn(pclError, piItem);
}

CNACommand* CNADriver::pclAllocCommand(CNAError* pclError, CNAConnectionDescription* pclCnx) {
    return new (std::nothrow) CNACommand(pclError, pclCnx);
}

CNACommand* pclAllocCommand(CNAError* pclError, CNAConnectionDescription* pclCnx) {
    return new (std::nothrow) CNACommand(pclError, pclCnx);
}

CNAParameter* CNADriver::pclAllocParameter(CNAConvertVariant* pclValue, unsigned long nPosition, unsigned nFlags,
                                           const wchar_t* pszName) {
    return new (std::nothrow) CNAParameter(pclValue, nPosition, nFlags, pszName);
}

CNAConvertVariant* CNADriver::pclGetNewVariant_NV_Any(CNAError* pclError, CNAConnectionDescription* pclCnx,
                                                      CNAColumn* pclColumn, unsigned short nType) {
    CNAConvertVariant* pcl = pclAllocVariant(pclError, pclCnx);
    if (pcl == nullptr) return nullptr;
    if (pclColumn == nullptr) {
        pcl->InitTypeVariantAny(nType, 0);
    } else if (!pclColumn->bInitVariant_NV_Any(pclError, pcl, nType)) {
        // Made with no reference: one taken and given back deletes it.
        pcl->AddRef();
        pcl->nRelease();
        return nullptr;
    }
    return pcl;
}

CNAConvertVariant* CNADriver::pclGetNewVariant_NV_Any(CNAError* pclError, CNAConnectionDescription* pclCnx,
                                                      CNAColumn* pclColumn, const CAny* pclValue) {
    if (pclValue == nullptr) return nullptr;
    const unsigned short nType = pclValue->nGetType() & 0xFF;
    CNAConvertVariant* pcl = pclGetNewVariant_NV_Any(pclError, pclCnx, pclColumn, nType);
    if (pcl == nullptr) return nullptr;
    if (!pcl->bSetValue(pclValue)) {
        pcl->AddRef();
        pcl->nRelease();
        return nullptr;
    }
    return pcl;
}

CNAParameter* CNADriver::pclAllocParameter_col(CNAColumn* pclColumn, CNAConvertVariant* pclValue,
                                               unsigned long nPosition, unsigned nFlags, const wchar_t* pszName) {
    CNAParameter* pcl = pclAllocParameter(pclValue, nPosition, nFlags, pszName);
    if (pcl != nullptr) pcl->SetColum(pclColumn);
    return pcl;
}

// ---------------------------------------------------------------------------------------------------------------
// SQL-layer driver

CNADriverSQL* CNADriver::pclGetDriverSQL() {
    if (m_pclDriverSQL == nullptr) _InitDriverSQL();
    return m_pclDriverSQL;
}

CNADriverSQL* CNADriver::s_pclGetDriverSQL() {
    return s_pclDriver != nullptr ? s_pclDriver->pclGetDriverSQL() : nullptr;
}

void CNADriver::_InitDriverSQL() {
    m_pclDriverSQL = _pclAllocDriverSQL(m_pclError);
    // The driver keeps one reference on it for its own life.
    if (m_pclDriverSQL != nullptr) m_pclDriverSQL->AddRef();
}

void CNADriver::_FreeDriverSQL() {
    CNADriverSQL* pcl = m_pclDriverSQL;
    m_pclDriverSQL = nullptr;
    // The host may still hold it: it then lives on until the host lets it go, without its driver.
    if (pcl != nullptr) {
        pcl->DetachDriver();
        pcl->nRelease();
    }
}

INADriverSQL* CNADriver::piGetInterface(int nId) {
    if (m_pclError != nullptr) m_pclError->Reset();
    constexpr int INTERFACE_DRIVERSQL = 1;
    if (nId != INTERFACE_DRIVERSQL) return nullptr;
    CNADriverSQL* pcl = pclGetDriverSQL();
    if (pcl == nullptr) return nullptr;
    pcl->ExternalAddRef();
    return pcl;
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
    // The keys use the engine of the process's driver object.
    if (s_pclDriver == this) CNADriverYF::s_SetYF(piYF);
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

CNAIDAuto* CNADriver::pclAllocIDAuto() {
    return new (std::nothrow) CNAIDAuto;
}
