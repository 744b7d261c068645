// The driver's record of one host context: its data accesses by data id, its error object and its
// default lock mode.
#include "native/driver/NAContext.h"

#include "core/STRCompare.h"
#include "native/driver/INAContext.h"
#include "native/driver/NADriver.h"
#include "native/driver/NADriverLock.h"
#include "native/driver/NAError.h"
#include "native/table/NATable.h"

CNAContext::CNAContext(CNADriver* pclDriver)
    : m_pclError(nullptr), m_eDefaultMode(static_cast<_eNA_HMODE>(1)), m_pclDriver(pclDriver) {
    if (m_pclDriver != nullptr) m_pclError = m_pclDriver->pclAllocError();
    if (m_pclError != nullptr) m_pclError->AddRef();
}

// The accesses are not closed here: closing the context (CloseAllDataAccess) does that first.
// Every access that leaves the context leaves the tables' lookup cache too: the host may use the
// same ids again, and must then never reach an access its context no longer has.
CNAContext::~CNAContext() {
    if (m_pclError != nullptr) m_pclError->nRelease();
    unsigned nCursor = 0;
    CNADataAccess* pclAccess = nullptr;
    while (m_clDataAccess.bParse(&nCursor, &pclAccess, nullptr)) CNATable::s_ForgetDataAccess(pclAccess);
    m_clDataAccess.RemoveAll();
}

CNADataAccess* CNAContext::_pclAllocDataAccess(INADataSourceDescription* piDescription,
                                               CNAConnectionDescription* pclCnx, CNAError* pclError) {
    return m_pclDriver != nullptr ? m_pclDriver->pclAllocDataAccess(piDescription, pclCnx, pclError) : nullptr;
}

CNADataAccess* CNAContext::pclFindDataAccess(INAContext* piContext) {
    CNADriverLock clLock;
    CNADataAccess* pclAccess = nullptr;
    m_clDataAccess.bGet(piContext->nGetDataId(), &pclAccess);
    return pclAccess;
}

CNADataAccess* CNAContext::pclGetDataAccess(INAContext* piContext, CNAConnectionDescription* pclCnx,
                                            INADataSourceDescription* piDescription, int* pbCreated) {
    CNADriverLock clLock;
    if (pbCreated != nullptr) *pbCreated = 0;
    CNADataAccess* pclAccess = pclFindDataAccess(piContext);
    if (pclAccess != nullptr) return pclAccess;
    pclAccess = _pclAllocDataAccess(piDescription, pclCnx, m_pclError);
    if (pclAccess == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclCnx);
        return nullptr;
    }
    pclAccess->AddRef();
    _AddDataAccess(piContext, pclAccess);
    if (pbCreated != nullptr) *pbCreated = 1;
    return pclAccess;
}

void CNAContext::_AddDataAccess(INAContext* piContext, CNADataAccess* pclAccess) {
    __AddDataAccess(piContext->nGetDataId(), pclAccess);
}

void CNAContext::__AddDataAccess(unsigned long nDataId, CNADataAccess* pclAccess) {
    m_clDataAccess.bSet(nDataId, pclAccess);
    pclAccess->SetContext(this);
}

void CNAContext::RemoveDataAccess(INAContext* piContext, CNADataAccess*) {
    CNADriverLock clLock;
    CNADataAccess* pclAccess = nullptr;
    if (!m_clDataAccess.bGet(piContext->nGetDataId(), &pclAccess)) return;
    CNATable::s_ForgetDataAccess(pclAccess);
    m_clDataAccess.bRemove(piContext->nGetDataId());
    pclAccess->nRelease();
}

void CNAContext::CloseAllDataAccess() {
    CNADriverLock clLock;
    unsigned nCursor = 0;
    void* pValue = nullptr;
    while (m_clDataAccess.bParseTable(&nCursor, 1, &pValue, nullptr)) {
        auto* pclAccess = static_cast<CNADataAccess*>(pValue);
        CNATable::s_ForgetDataAccess(pclAccess);
        // Out of the table first: a close that looks at the context no longer finds it there.
        if (pclAccess->bIsOpened()) pclAccess->bHFerme();
        pclAccess->nRelease();
    }
}

int CNAContext::bHMode(const wchar_t* pszLogicalName, _eNA_HMODE eMode) {
    CNADriverLock clLock;
    int bResult = 1;
    unsigned nCursor = 0;
    CNADataAccess* pclAccess = nullptr;
    while (m_clDataAccess.bParse(&nCursor, &pclAccess, nullptr)) {
        if (STR_nCompareW(pclAccess->pszGetLogicalName(), pszLogicalName != nullptr ? pszLogicalName : L"", 3) == 0)
            bResult &= pclAccess->bHMode(eMode) ? 1 : 0;
    }
    m_eDefaultMode = eMode;
    return bResult;
}

CNADataAccess* CNAContext::_pclFindByName(CNAConnectionDescription* pclCnx, const wchar_t* pszName, bool bAlias) {
    CNADriverLock clLock;
    unsigned nCursor = 0;
    CNADataAccess* pclAccess = nullptr;
    while (m_clDataAccess.bParse(&nCursor, &pclAccess, nullptr)) {
        if (pclAccess->pclGetConnectionNoRef() != pclCnx) continue;
        const wchar_t* pszOwn = bAlias ? pclAccess->pszGetAliasName() : pclAccess->pszGetDBTableName();
        if (STR_nCompareW(pszOwn, pszName != nullptr ? pszName : L"", 3) == 0) {
            m_clDataAccess.StopParsing();
            pclAccess->AddRef();
            return pclAccess;
        }
    }
    return nullptr;
}

CNADataAccess* CNAContext::pclFindDataAccessByDBTableName(CNAConnectionDescription* pclCnx, const wchar_t* pszName) {
    return _pclFindByName(pclCnx, pszName, false);
}

CNADataAccess* CNAContext::pclFindDataAccessByAliasName(CNAConnectionDescription* pclCnx, const wchar_t* pszName) {
    return _pclFindByName(pclCnx, pszName, true);
}
