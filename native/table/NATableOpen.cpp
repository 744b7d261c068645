// The table operations that give a host context its data access or take it away: opening,
// creation, deletion, closing, queries, reindexing, and the lock mode.
//
// Two error objects meet here: the table's own (the driver object's) and the context's, which the
// context's accesses share. An access's failure stays in the context's; when the access is removed
// afterwards, it is copied into the table's as well, so that the host finds it whichever it reads.
#include "native/driver/HostQueryParameters.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAContext.h"
#include "native/driver/NADriver.h"
#include "native/driver/NADriverLock.h"
#include "native/driver/NAError.h"
#include "native/model/NAInterfaces.h"
#include "native/table/NATable.h"

namespace {

// The reference a lookup took on an access, given back on every way out.
class CHeldAccess {
public:
    explicit CHeldAccess(CNADataAccess* pcl) : m_pcl(pcl) {}
    ~CHeldAccess() {
        if (m_pcl != nullptr) m_pcl->nRelease();
    }
    CHeldAccess(const CHeldAccess&) = delete;
    CHeldAccess& operator=(const CHeldAccess&) = delete;

    CNADataAccess* operator->() const { return m_pcl; }
    CNADataAccess* pcl() const { return m_pcl; }
    explicit operator bool() const { return m_pcl != nullptr; }
    CNAError* pclError() const { return m_pcl->pclGetErrorNoRef(); }
    void ResetError() const {
        if (pclError() != nullptr) pclError()->Reset();
    }

private:
    CNADataAccess* m_pcl;
};

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Opening and creation

int CNATable::_bOpen(INAContext* piContext, eOPENKIND eKind, eNA_ACCESS eAccess, const wchar_t* pszPassword) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    const int bConnected = m_pclCnx != nullptr &&
                           (eKind == OPEN_OUVRE ? m_pclCnx->bOpen(m_pclError) : m_pclCnx->bOpenCreate(m_pclError));
    if (!bConnected) {
        // The context sees the connection's failure too, when it exists already; otherwise the host
        // reads the table's own error object.
        _SetContextLastNAError(piContext, m_pclError);
        return 0;
    }
    int bCreated = 0;
    CHeldAccess clAccess(_pclGetDataAccess(piContext, &bCreated));
    if (!clAccess) return 0;
    clAccess.ResetError();
    int bResult = 0;
    switch (eKind) {
        case OPEN_OUVRE:
            bResult = clAccess->bHOuvre(eAccess, pszPassword);
            break;
        case OPEN_CREATION:
            // An existing table is dropped and made again.
            bResult = clAccess->bHCreation(pszPassword, 1);
            break;
        case OPEN_CREATIONSIINEXISTANT:
            bResult = clAccess->bHCreationSiInexistant(eAccess, pszPassword);
            break;
    }
    if (!bResult && bCreated) {
        // An access made for this call does not outlive its failure; one that was there before
        // stays, its error in the context's error object.
        if (m_pclError != nullptr) m_pclError->Copy(clAccess.pclError());
        _RemoveDataAccess(piContext, clAccess.pcl());
    }
    return bResult;
}

int CNATable::bHOuvre(INAContext* piContext, eNA_ACCESS eAccess, const wchar_t* pszPassword) {
    return _bOpen(piContext, OPEN_OUVRE, eAccess, pszPassword);
}

int CNATable::bHCreation(INAContext* piContext, const wchar_t* pszPassword) {
    return _bOpen(piContext, OPEN_CREATION, static_cast<eNA_ACCESS>(0), pszPassword);
}

int CNATable::bHCreationSiInexistant(INAContext* piContext, eNA_ACCESS eAccess, const wchar_t* pszPassword) {
    return _bOpen(piContext, OPEN_CREATIONSIINEXISTANT, eAccess, pszPassword);
}

// ---------------------------------------------------------------------------------------------------------------
// Deletion and closing: the access goes whatever the answer

int CNATable::bSupprimeFichier(INAContext* piContext) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    if (m_pclCnx == nullptr || !m_pclCnx->bOpenCreate(m_pclError)) {
        _SetContextLastNAError(piContext, m_pclError);
        return 0;
    }
    int bCreated = 0;
    CHeldAccess clAccess(_pclGetDataAccess(piContext, &bCreated));
    if (!clAccess) return 0;
    clAccess.ResetError();
    const int bResult = clAccess->bSupprimeFichier();
    if (!bResult && m_pclError != nullptr) m_pclError->Copy(clAccess.pclError());
    _RemoveDataAccess(piContext, clAccess.pcl());
    return bResult;
}

int CNATable::bHFerme(INAContext* piContext) {
    CNADriverLock clLock;
    CHeldAccess clAccess(__pclFindDataAccess(piContext));
    if (!clAccess) return 1;
    clAccess.ResetError();
    const int bResult = clAccess->bHFerme();
    if (!bResult && m_pclError != nullptr) m_pclError->Copy(clAccess.pclError());
    _RemoveDataAccess(piContext, clAccess.pcl());
    if (m_piQueryBindVariable != nullptr) {
        INAQueryParametersValue* piValues = m_piQueryBindVariable;
        m_piQueryBindVariable = nullptr;
        NA_QueryParametersRelease(piValues);
    }
    return bResult;
}

// ---------------------------------------------------------------------------------------------------------------
// Queries

int CNATable::bExecuteQuery(int* pbHasResult, INAContext* piContext, const wchar_t* pszName,
                            ISQLParserInformation* piQuery, unsigned nMode, const INAQueryExecution* piExecution) {
    if (!_bCheckSQLModule(piQuery)) return 0;
    CNADriverLock clLock;
    int bHasResult = 0;
    if (pbHasResult == nullptr) pbHasResult = &bHasResult;
    int bCreated = 0;
    CHeldAccess clAccess(_pclGetDataAccess(piContext, &bCreated));
    if (!clAccess) return 0;
    clAccess.ResetError();
    const int bResult = clAccess->bExecuteQuery(pbHasResult, pszName, piQuery, nMode, piExecution);
    const int bPrepared = clAccess->bHPrepareRequeteCalled();
    if (bResult) {
        if (!bPrepared && *pbHasResult) {
            // The result's description, as the access gives it to the host, becomes the table's.
            INADataSourceDescription* piResult = clAccess->piGetDataSourceDescriptionForYF();
            if (m_piDescription != nullptr) m_piDescription->nExternalRelease();
            m_piDescription = piResult;
        }
        return bResult;
    }
    if (m_pclError != nullptr) m_pclError->Copy(clAccess.pclError());
    // A query the host prepared keeps its access for the next execution.
    if (!bPrepared) _RemoveDataAccess(piContext, clAccess.pcl());
    return bResult;
}

// ---------------------------------------------------------------------------------------------------------------
// Reindexing and lock mode

int CNATable::bHReindexe(INAContext* piContext, unsigned nFlags, IGaugeControl* piGauge) {
    CNADriverLock clLock;
    int bCreated = 0;
    CHeldAccess clAccess(_pclGetDataAccess(piContext, &bCreated));
    if (!clAccess) return 0;
    return clAccess->bHReindexe(nFlags, piGauge);
}

int CNATable::bHMode(INAContext* piContext, _eNA_HMODE eMode) {
    CNADriverLock clLock;
    int bCreated = 0;
    CNAContext* pclContext = _pclGetContext(piContext, &bCreated);
    if (pclContext == nullptr) return 1;
    int bResult = 1;
    try {
        bResult = pclContext->bHMode(pszGetLogicalName(), eMode);
    } catch (...) {
        pclContext->nRelease();
        throw;
    }
    pclContext->nRelease();
    return bResult;
}
