// The table object: construction, counts, names, the lookups of the contexts' data accesses with
// the process-wide one-entry cache, the last error a context reads, and the operations that run on
// every data access of the table.
#include "native/table/NATable.h"

#include <vector>

#include "core/STRCompare.h"
#include "native/driver/HostQueryParameters.h"
#include "native/driver/INAContext.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAContext.h"
#include "native/driver/NADriver.h"
#include "native/driver/NADriverLock.h"
#include "native/driver/NAError.h"
#include "native/model/NAInterfaces.h"
#include "native/sql/SQLParserInterfaces.h"

CNADataAccess* gpclLastDataAccess = nullptr;
uint64_t gdwCtxID = 0;
uint64_t gdwDataID = 0;

namespace {

// A reference the table took on an access, given back on every way out.
class CAccessRef {
public:
    explicit CAccessRef(CNADataAccess* pcl) : m_pcl(pcl) {}
    ~CAccessRef() {
        if (m_pcl != nullptr) m_pcl->nRelease();
    }
    CAccessRef(const CAccessRef&) = delete;
    CAccessRef& operator=(const CAccessRef&) = delete;

private:
    CNADataAccess* m_pcl;
};

// The accesses of a table taken out of its set for a walk that may change the set, each with a
// reference, given back on every way out.
class CAccessList {
public:
    CAccessList() = default;
    ~CAccessList() {
        for (CNADataAccess* pcl : m_tab) pcl->nRelease();
    }
    CAccessList(const CAccessList&) = delete;
    CAccessList& operator=(const CAccessList&) = delete;

    void Add(CNADataAccess* pcl) {
        pcl->AddRef();
        m_tab.push_back(pcl);
    }
    const std::vector<CNADataAccess*>& tab() const { return m_tab; }

private:
    std::vector<CNADataAccess*> m_tab;
};

}  // namespace

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
// Names, description, bind variables

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

INADataSourceDescription* CNATable::piGetDataSourceDescription() {
    CNADriverLock clLock;
    if (m_piDescription != nullptr) m_piDescription->ExternalAddRef();
    return m_piDescription;
}

void CNATable::SetQueryBindVariable(INAQueryParametersValue* piValues) {
    if (piValues == m_piQueryBindVariable) return;
    if (m_piQueryBindVariable != nullptr) {
        INAQueryParametersValue* piOld = m_piQueryBindVariable;
        m_piQueryBindVariable = nullptr;
        piOld->nRelease();
    }
    if (piValues != nullptr) {
        piValues->AddRef();
        m_piQueryBindVariable = piValues;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Contexts

CNAContext* CNATable::_pclFindContext(INAContext* piContext) {
    CNADriver* pclDriver = CNADriver::s_pclDriver;
    return pclDriver != nullptr && piContext != nullptr ? pclDriver->pclFindContext(piContext) : nullptr;
}

CNAContext* CNATable::_pclGetContext(INAContext* piContext, int* pbCreated) {
    if (pbCreated != nullptr) *pbCreated = 0;
    CNADriver* pclDriver = CNADriver::s_pclDriver;
    return pclDriver != nullptr && piContext != nullptr ? pclDriver->pclGetContext(piContext, pbCreated) : nullptr;
}

unsigned CNATable::_nReleaseContext(INAContext* piContext, CNAContext* pclContext) {
    CNADriver* pclDriver = CNADriver::s_pclDriver;
    if (pclDriver != nullptr) return pclDriver->nReleaseContext(piContext, pclContext);
    return pclContext != nullptr ? pclContext->nRelease() : 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Data accesses

void CNATable::s_ForgetDataAccess(const CNADataAccess* pclAccess) {
    CNADriverLock clLock;
    if (pclAccess == nullptr || gpclLastDataAccess == pclAccess) gpclLastDataAccess = nullptr;
}

CNADataAccess* CNATable::_pclFindDataAccess(INAContext* piContext) {
    CNADriverLock clLock;
    return __pclFindDataAccess(piContext);
}

CNADataAccess* CNATable::__pclFindDataAccess(INAContext* piContext) {
    if (piContext == nullptr) return nullptr;
    // The context id first, the data id only when it matched.
    if (gpclLastDataAccess != nullptr && piContext->nGetContextId() == gdwCtxID &&
        piContext->nGetDataId() == gdwDataID) {
        gpclLastDataAccess->AddRef();
        return gpclLastDataAccess;
    }
    CNAContext* pclContext = _pclFindContext(piContext);
    if (pclContext == nullptr) return nullptr;
    CNADataAccess* pclAccess = nullptr;
    try {
        pclAccess = pclContext->pclFindDataAccess(piContext);
    } catch (...) {
        pclContext->nRelease();
        throw;
    }
    pclContext->nRelease();
    if (pclAccess != nullptr) {
        gdwCtxID = piContext->nGetContextId();
        gdwDataID = piContext->nGetDataId();
        gpclLastDataAccess = pclAccess;
    }
    return pclAccess;
}

CNADataAccess* CNATable::_pclGetDataAccess(INAContext* piContext, int* pbCreated) {
    CNADriverLock clLock;
    if (pbCreated != nullptr) *pbCreated = 0;
    int bContextCreated = 0;
    CNAContext* pclContext = _pclGetContext(piContext, &bContextCreated);
    if (pclContext == nullptr) return nullptr;
    int bCreated = 0;
    CNADataAccess* pclAccess = nullptr;
    try {
        pclAccess = pclContext->pclGetDataAccess(piContext, m_pclCnx, m_piDescription, &bCreated);
    } catch (...) {
        pclContext->nRelease();
        throw;
    }
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
    CNAContext* pclContext = _pclFindContext(piContext);
    if (pclContext == nullptr) return;
    if (pclAccess != nullptr) {
        pclContext->RemoveDataAccess(piContext, pclAccess);
        // The context forgets the access it held under the data id; the one given leaves the
        // cache all the same, whichever it was.
        if (gpclLastDataAccess == pclAccess) gpclLastDataAccess = nullptr;
        m_clDataAccess.bRemove(pclAccess);
    }
    _nReleaseContext(piContext, pclContext);
}

CNADataAccess* CNATable::pclFindDataAccessByContext(uint64_t dwContextId) {
    CNADriverLock clLock;
    unsigned nCursor = 0;
    CNADataAccess* pclAccess = nullptr;
    while (m_clDataAccess.bParse(&nCursor, &pclAccess, nullptr)) {
        if (pclAccess->dwGetContextID() != dwContextId) continue;
        m_clDataAccess.StopParsing();
        pclAccess->AddRef();
        return pclAccess;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------------------------------------------
// Errors

INAError* CNATable::piGetLastError(INAContext* piContext) {
    CNADriverLock clLock;
    CNAContext* pclContext = _pclFindContext(piContext);
    if (pclContext == nullptr) return m_pclError;
    INAError* piError = pclContext->pclGetErrorNoRef();
    pclContext->nRelease();
    return piError != nullptr ? piError : m_pclError;
}

void CNATable::_SetContextLastNAError(INAContext* piContext, const INAError* piError) {
    CNADriverLock clLock;
    CNAContext* pclContext = _pclFindContext(piContext);
    if (pclContext == nullptr) return;
    if (pclContext->pclGetErrorNoRef() != nullptr) pclContext->pclGetErrorNoRef()->Copy(piError);
    pclContext->nRelease();
}

void CNATable::_SetLastNAError(INAContext* piContext, const INAError* piError) {
    CNADriverLock clLock;
    _SetContextLastNAError(piContext, piError);
    if (m_pclError != nullptr) m_pclError->Copy(piError);
}

// ---------------------------------------------------------------------------------------------------------------
// Operations on every data access of the table

int CNATable::bCloseAllDataAccess() {
    CNADriverLock clLock;
    CAccessList clList;
    unsigned nCursor = 0;
    CNADataAccess* pclAccess = nullptr;
    while (m_clDataAccess.bParse(&nCursor, &pclAccess, nullptr)) clList.Add(pclAccess);
    int bResult = 1;
    for (CNADataAccess* pcl : clList.tab())
        if (!pcl->bHFerme()) bResult = 0;
    return bResult;
}

int CNATable::bCloseAllDataAccess(INAContext* piContext, const wchar_t* pszLogicalName) {
    CNADriverLock clLock;
    if (piContext == nullptr) return 1;
    const uint64_t dwContextId = piContext->nGetContextId();
    CAccessList clList;
    unsigned nCursor = 0;
    CNADataAccess* pclAccess = nullptr;
    while (m_clDataAccess.bParse(&nCursor, &pclAccess, nullptr)) {
        if (pclAccess->dwGetContextID() != dwContextId) continue;
        if (STR_nCompareW(pclAccess->pszGetLogicalName(), _pszOrEmpty(pszLogicalName), 3) != 0) continue;
        clList.Add(pclAccess);
    }
    int bResult = 1;
    for (CNADataAccess* pcl : clList.tab()) {
        if (!pcl->bHFerme()) bResult = 0;
        _RemoveDataAccess(piContext, pcl);
    }
    return bResult;
}

int CNATable::bFiltreAuto(INAContext* piContext, int nFlags, const wchar_t* pszLogicalName, const wchar_t* pszText,
                          INADataSourceDescription* piDescription) {
    CNADriverLock clLock;
    if (piContext == nullptr) return 1;
    const uint64_t dwContextId = piContext->nGetContextId();
    const bool bAll = pszLogicalName != nullptr && pszLogicalName[0] == L'*';
    CAccessList clList;
    unsigned nCursor = 0;
    CNADataAccess* pclAccess = nullptr;
    while (m_clDataAccess.bParse(&nCursor, &pclAccess, nullptr)) {
        if (pclAccess->dwGetContextID() != dwContextId) continue;
        if (!bAll && STR_nCompareW(pclAccess->pszGetLogicalName(), _pszOrEmpty(pszLogicalName), 3) != 0) continue;
        clList.Add(pclAccess);
    }
    int bResult = 1;
    for (CNADataAccess* pcl : clList.tab())
        if (!pcl->bSetFiltreAuto(nFlags, pszLogicalName, pszText, piDescription)) bResult = 0;
    return bResult;
}

int CNATable::bFiltreAuto(INAContext* piContext, int nFlags, const wchar_t* pszLogicalName) {
    CNADriverLock clLock;
    if (piContext == nullptr) return 1;
    const uint64_t dwContextId = piContext->nGetContextId();
    unsigned nCursor = 0;
    CNADataAccess* pclAccess = nullptr;
    while (m_clDataAccess.bParse(&nCursor, &pclAccess, nullptr)) {
        if (pclAccess->dwGetContextID() != dwContextId) continue;
        if (STR_nCompareW(pclAccess->pszGetLogicalName(), _pszOrEmpty(pszLogicalName), 3) != 0) continue;
        m_clDataAccess.StopParsing();
        CAccessList clList;
        clList.Add(pclAccess);
        pclAccess->SetFiltreAuto(nFlags);
        break;
    }
    return 1;
}

void CNATable::NotifyDataAccessOperation(CNADataAccess* pclAccess, eNAQUERYTYPE eType, CNAStatement* pclStatement,
                                         NA_WRITEPARSEFLAGS nFlags) {
    CNADriverLock clLock;
    CAccessList clList;
    unsigned nCursor = 0;
    CNADataAccess* pclOther = nullptr;
    while (m_clDataAccess.bParse(&nCursor, &pclOther, nullptr))
        if (pclOther != pclAccess) clList.Add(pclOther);
    for (CNADataAccess* pcl : clList.tab()) pcl->NotifyOperation(eType, pclStatement, nFlags);
}

int CNATable::bNeedCloseQuery(INAContext* piContext, ISQLParserInformation* piQuery) {
    CNADriverLock clLock;
    int bCreated = 0;
    CNADataAccess* pclAccess = _pclGetDataAccess(piContext, &bCreated);
    if (pclAccess == nullptr) return 0;
    CAccessRef clRef(pclAccess);
    if (bCreated) return 0;
    return pclAccess->bSameQuery(piQuery) ? 0 : 1;
}

void CNATable::SetTransactionTermined() {
    CNADriverLock clLock;
    CAccessList clList;
    unsigned nCursor = 0;
    CNADataAccess* pclAccess = nullptr;
    while (m_clDataAccess.bParse(&nCursor, &pclAccess, nullptr)) clList.Add(pclAccess);
    for (CNADataAccess* pcl : clList.tab()) pcl->SetTransactionTermined();
}

// Only the accesses that work on that host connection hold locks of its transaction: the one the
// driver keeps for it, or one made for that very description.
void CNATable::CancelRecordLock(INAConnectionDescription* piCnx, CNATransaction* pclTransaction) {
    CNADriverLock clLock;
    CNAConnectionDescription* pclRegistered = CNADriver::s_pclDriver != nullptr && piCnx != nullptr
                                                  ? CNADriver::s_pclDriver->_pclFindConnection(piCnx)
                                                  : nullptr;
    CAccessList clList;
    unsigned nCursor = 0;
    CNADataAccess* pclAccess = nullptr;
    while (m_clDataAccess.bParse(&nCursor, &pclAccess, nullptr)) {
        CNAConnectionDescription* pclCnx = pclAccess->pclGetConnectionNoRef();
        if (pclCnx == nullptr || (pclCnx != pclRegistered && pclCnx->piGetHostDescription() != piCnx)) continue;
        clList.Add(pclAccess);
    }
    if (pclRegistered != nullptr) pclRegistered->nRelease();
    for (CNADataAccess* pcl : clList.tab()) pcl->CancelRecordLock(piCnx, pclTransaction);
}
