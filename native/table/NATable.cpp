// The table object: counts, data-access bookkeeping and the operations the driver object calls
// (least version, see NATable.h).
#include "native/table/NATable.h"

#include "native/driver/HostQueryParameters.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAContext.h"
#include "native/driver/NADriver.h"
#include "native/driver/NADriverLock.h"
#include "native/driver/NAError.h"
#include "native/model/NAInterfaces.h"

CNATable::CNATable(const wchar_t* pszIdentification, INADataSourceDescription* piDescription,
                   CNAConnectionDescription* pclCnx, CNAError* pclError)
    : m_pclError(pclError), m_pclCnx(pclCnx), m_clIdentification(pszIdentification) {
    if (m_pclCnx != nullptr) m_pclCnx->AddRef();
    if (piDescription != nullptr) {
        m_piDescription = piDescription;
        m_piDescription->ExternalAddRef();
    }
    if (m_pclError != nullptr) m_pclError->AddRef();
}

CNATable::~CNATable() {
    m_clDataAccess.RemoveAll();
    if (m_piDescription != nullptr) m_piDescription->nExternalRelease();
    if (m_pclCnx != nullptr) CNADriver::s_ReleaseConnection(m_pclCnx);
    if (m_pclError != nullptr) m_pclError->nRelease();
    if (m_piQueryBindVariable != nullptr) {
        try {
            NA_QueryParametersRelease(m_piQueryBindVariable);
        } catch (...) {
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Counts

unsigned CNATable::nRelease() {
    if (m_nRef == 0) return 0;
    unsigned nLeft = --m_nRef;
    if (nLeft == 0 && m_nExternalRef == 0) delete this;
    return nLeft;
}

void CNATable::ExternalAddRef() {
    CNADriverLock clLock;
    m_nExternalRef++;
}

int CNATable::nExternalRelease() {
    CNADriverLock clLock;
    if (m_nExternalRef == 0) return 0;
    unsigned nLeft = --m_nExternalRef;
    if (nLeft != 0) return static_cast<int>(nLeft);
    if (m_nRef == 1 && CNADriver::s_pclDriver != nullptr) {
        // Only the registry holds it: the driver drops one reference, sees the registry's left and
        // takes it out, which drops the last.
        m_nRef = 2;
        return static_cast<int>(CNADriver::s_pclDriver->nReleaseTable(this));
    }
    // A table nobody holds any more (taken out of the registry while the host still held it)
    // must not outlive the host's last reference.
    if (m_nRef == 0) delete this;
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Names

const wchar_t* CNATable::pszGetLogicalName() const {
    const wchar_t* psz = m_piDescription != nullptr ? m_piDescription->pszGetLogicalName() : nullptr;
    return psz != nullptr ? psz : L"";
}

const wchar_t* CNATable::pszGetDBTableName() const {
    const wchar_t* psz = m_piDescription != nullptr ? m_piDescription->pszGetDBTableName() : nullptr;
    return psz != nullptr ? psz : L"";
}

INAError* CNATable::piGetLastError() const {
    return m_pclError;
}

// ---------------------------------------------------------------------------------------------------------------
// Data accesses

CNADataAccess* CNATable::_pclFindDataAccess(INAContext* piContext) {
    CNADriverLock clLock;
    CNADriver* pclDriver = CNADriver::s_pclDriver;
    if (pclDriver == nullptr || piContext == nullptr) return nullptr;
    CNAContext* pclContext = pclDriver->pclFindContext(piContext);
    if (pclContext == nullptr) return nullptr;
    CNADataAccess* pclAccess = pclContext->pclFindDataAccess(piContext);
    pclContext->nRelease();
    return pclAccess;
}

CNADataAccess* CNATable::_pclGetDataAccess(INAContext* piContext, int* pbCreated) {
    CNADriverLock clLock;
    if (pbCreated != nullptr) *pbCreated = 0;
    CNADriver* pclDriver = CNADriver::s_pclDriver;
    if (pclDriver == nullptr || piContext == nullptr) return nullptr;
    int bContextCreated = 0;
    CNAContext* pclContext = pclDriver->pclGetContext(piContext, &bContextCreated);
    if (pclContext == nullptr) return nullptr;
    int bCreated = 0;
    CNADataAccess* pclAccess = pclContext->pclGetDataAccess(piContext, m_pclCnx, m_piDescription, &bCreated);
    if (pclAccess != nullptr && bCreated) {
        __AddDataAccess(pclAccess);
        pclAccess->SetTable(this);
    }
    pclContext->nRelease();
    if (pbCreated != nullptr) *pbCreated = bCreated;
    return pclAccess;
}

void CNATable::__AddDataAccess(CNADataAccess* pclAccess) {
    CNADriverLock clLock;
    m_clDataAccess.bSet(pclAccess, pclAccess);
}

void CNATable::_RemoveDataAccess(INAContext* piContext, CNADataAccess* pclAccess) {
    CNADriver* pclDriver = CNADriver::s_pclDriver;
    if (pclDriver == nullptr || piContext == nullptr) return;
    CNAContext* pclContext = pclDriver->pclFindContext(piContext);
    if (pclContext == nullptr) return;
    if (pclAccess != nullptr) {
        pclContext->RemoveDataAccess(piContext, pclAccess);
        m_clDataAccess.bRemove(pclAccess);
    }
    pclDriver->nReleaseContext(piContext, pclContext);
}

void CNATable::_SetContextLastNAError(INAContext* piContext, const INAError* piError) {
    CNADriver* pclDriver = CNADriver::s_pclDriver;
    if (pclDriver == nullptr || piContext == nullptr) return;
    CNAContext* pclContext = pclDriver->pclFindContext(piContext);
    if (pclContext == nullptr) return;
    if (pclContext->pclGetErrorNoRef() != nullptr) pclContext->pclGetErrorNoRef()->Copy(piError);
    pclContext->nRelease();
}

// ---------------------------------------------------------------------------------------------------------------
// Operations of the driver object

int CNATable::bHMode(INAContext* piContext, _eNA_HMODE eMode) {
    CNADriverLock clLock;
    CNADriver* pclDriver = CNADriver::s_pclDriver;
    if (pclDriver == nullptr || piContext == nullptr) return 1;
    int bCreated = 0;
    CNAContext* pclContext = pclDriver->pclGetContext(piContext, &bCreated);
    if (pclContext == nullptr) return 1;
    int bResult = pclContext->bHMode(pszGetLogicalName(), eMode);
    pclContext->nRelease();
    return bResult;
}

int CNATable::bHFerme(INAContext* piContext) {
    CNADriverLock clLock;
    CNADataAccess* pclAccess = _pclFindDataAccess(piContext);
    if (pclAccess == nullptr) return 1;
    CNAError* pclAccessError = pclAccess->pclGetErrorNoRef();
    if (pclAccessError != nullptr) pclAccessError->Reset();
    int bResult = pclAccess->bHFerme();
    if (!bResult && m_pclError != nullptr) m_pclError->Copy(pclAccessError);
    _RemoveDataAccess(piContext, pclAccess);
    pclAccess->nRelease();
    if (m_piQueryBindVariable != nullptr) {
        NA_QueryParametersRelease(m_piQueryBindVariable);
        m_piQueryBindVariable = nullptr;
    }
    return bResult;
}

int CNATable::bSupprimeFichier(INAContext* piContext) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    if (m_pclCnx == nullptr || !m_pclCnx->bOpenCreate(m_pclError)) {
        _SetContextLastNAError(piContext, m_pclError);
        return 0;
    }
    int bCreated = 0;
    CNADataAccess* pclAccess = _pclGetDataAccess(piContext, &bCreated);
    if (pclAccess == nullptr) return 0;
    CNAError* pclAccessError = pclAccess->pclGetErrorNoRef();
    if (pclAccessError != nullptr) pclAccessError->Reset();
    int bResult = pclAccess->bSupprimeFichier();
    if (!bResult && m_pclError != nullptr) m_pclError->Copy(pclAccessError);
    _RemoveDataAccess(piContext, pclAccess);
    pclAccess->nRelease();
    return bResult;
}

int CNATable::bExecuteQuery(int* pbHasResult, INAContext* piContext, const wchar_t* pszName,
                            ISQLParserInformation* piQuery, unsigned nMode, const INAQueryExecution* piExecution) {
    // LEAST VERSION (table-object task): the check of the host's SQL module runs first, and a
    // result set replaces the table's description by the one the access gives.
    CNADriverLock clLock;
    int bCreated = 0;
    CNADataAccess* pclAccess = _pclGetDataAccess(piContext, &bCreated);
    if (pclAccess == nullptr) return 0;
    CNAError* pclAccessError = pclAccess->pclGetErrorNoRef();
    if (pclAccessError != nullptr) pclAccessError->Reset();
    int bResult = pclAccess->bExecuteQuery(pbHasResult, pszName, piQuery, nMode, piExecution);
    if (!bResult) {
        if (m_pclError != nullptr) m_pclError->Copy(pclAccessError);
        // LEAST VERSION: a query the host prepared beforehand keeps its access.
        _RemoveDataAccess(piContext, pclAccess);
    }
    pclAccess->nRelease();
    return bResult;
}

// ---------------------------------------------------------------------------------------------------------------
// Table-wide operations

void CNATable::SetTransactionTermined() {
    CNADriverLock clLock;
    unsigned nCursor = 0;
    CNADataAccess* pclAccess = nullptr;
    while (m_clDataAccess.bParse(&nCursor, &pclAccess, nullptr)) {
        pclAccess->AddRef();
        pclAccess->SetTransactionTermined();
        pclAccess->nRelease();
    }
}

// Only the accesses that work on that host connection hold locks of its transaction: the one the
// driver keeps for it, or one made for that very description.
void CNATable::CancelRecordLock(INAConnectionDescription* piCnx, CNATransaction* pclTransaction) {
    CNADriverLock clLock;
    CNAConnectionDescription* pclRegistered = CNADriver::s_pclDriver != nullptr && piCnx != nullptr
                                                  ? CNADriver::s_pclDriver->_pclFindConnection(piCnx)
                                                  : nullptr;
    unsigned nCursor = 0;
    CNADataAccess* pclAccess = nullptr;
    while (m_clDataAccess.bParse(&nCursor, &pclAccess, nullptr)) {
        CNAConnectionDescription* pclCnx = pclAccess->pclGetConnectionNoRef();
        if (pclCnx == nullptr || (pclCnx != pclRegistered && pclCnx->piGetHostDescription() != piCnx)) continue;
        pclAccess->AddRef();
        pclAccess->CancelRecordLock(piCnx, pclTransaction);
        pclAccess->nRelease();
    }
    if (pclRegistered != nullptr) pclRegistered->nRelease();
}
