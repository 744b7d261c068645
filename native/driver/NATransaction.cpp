// Named transactions: begin, commit and roll back by name along the chain of open transactions,
// and the server statements of each level.
#include "native/driver/NATransaction.h"

#include "core/XErrorModule.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"

namespace {

// Sites of this unit's debug lines.
constexpr int SITE_COMMIT_OVER_NESTED = 1;
constexpr int SITE_ROLLBACK_UNKNOWN_NAME = 2;
constexpr int SITE_COMMIT_UNKNOWN_NAME = 3;

// User errors raised here.
constexpr unsigned USER_ERROR_NO_TRANSACTION = 9;
constexpr unsigned USER_ERROR_NESTED_OPEN = 10;

bool _bEmpty(const wchar_t* psz) {
    return psz == nullptr || *psz == 0;
}

}  // namespace

CNATransaction::CNATransaction(CNAConnectionDescription* pclConnection) : m_pclConnection(pclConnection) {}

CNATransaction::~CNATransaction() {
    if (m_pclNested != nullptr) m_pclNested->nRelease();
    m_pclNested = nullptr;
}

int CNATransaction::bDetach(CNAError*) {
    return 1;
}

int CNATransaction::bSetActive(CNAError*, int) {
    return 1;
}

int CNATransaction::bResume(CNAError*) {
    return 1;
}

CTString CNATransaction::s_clSavepointName(unsigned nDepth) {
    CTString cl;
    cl.printf(L"KX_SP%u", nDepth);
    return cl;
}

int CNATransaction::_bNABegin(CNAError* pclError) {
    if (!m_bInternal) return m_pclConnection->bTransactionBeginDirect(pclError);
    CTString clQuery(L"SAVEPOINT ");
    clQuery.Add(s_clSavepointName(m_nDepth).pszGet());
    return m_pclConnection->bExecuteQueryNoResult(pclError, clQuery.pszGet());
}

int CNATransaction::_bNACommit(CNAError* pclError) {
    if (!m_bInternal) return m_pclConnection->bTransactionCommitDirect(pclError);
    CTString clQuery(L"RELEASE SAVEPOINT ");
    clQuery.Add(s_clSavepointName(m_nDepth).pszGet());
    return m_pclConnection->bExecuteQueryNoResult(pclError, clQuery.pszGet());
}

int CNATransaction::_bNARollBack(CNAError* pclError) {
    if (!m_bInternal) return m_pclConnection->bTransactionRollBackDirect(pclError);
    CTString clName = s_clSavepointName(m_nDepth);
    CTString clQuery(L"ROLLBACK TO SAVEPOINT ");
    clQuery.Add(clName.pszGet());
    if (!m_pclConnection->bExecuteQueryNoResult(pclError, clQuery.pszGet())) return 0;
    // The rollback keeps the savepoint; releasing it leaves the server's stack as the driver's
    // chain is, so the next nested begin at this depth starts a fresh one.
    CTString clRelease(L"RELEASE SAVEPOINT ");
    clRelease.Add(clName.pszGet());
    return m_pclConnection->bExecuteQueryNoResult(pclError, clRelease.pszGet());
}

// ---------------------------------------------------------------------------------- begin

int CNATransaction::bBegin(CNAError* pclError, const wchar_t* pszName, int bInternal) {
    m_csName.Set(pszName);
    m_bInternal = bInternal ? 1 : 0;
    return _bBegin(pclError);
}

int CNATransaction::_bBegin(CNAError* pclError) {
    m_bActive = _bNABegin(pclError) ? 1 : 0;
    return m_bActive;
}

int CNATransaction::bInternalTransactionBegin(CNAError* pclError, const wchar_t* pszName) {
    CNATransaction* pcl = this;
    while (pcl->m_pclNested != nullptr && pcl->m_pclNested->m_bActive) pcl = pcl->m_pclNested;
    return pcl->_bInternalTransactionBegin(pclError, pszName);
}

int CNATransaction::_bInternalTransactionBegin(CNAError* pclError, const wchar_t* pszName) {
    if (m_pclNested == nullptr) {
        m_pclNested = m_pclConnection->pclAllocTransaction();
        if (m_pclNested == nullptr) {
            if (pclError != nullptr) pclError->SetErrorNoMemory(m_pclConnection);
            return 0;
        }
        m_pclNested->AddRef();
    }
    m_pclNested->m_nDepth = m_nDepth + 1;
    return m_pclNested->bBegin(pclError, pszName, 1);
}

int CNATransaction::_bInternalTransactionOpened() const {
    return m_pclNested != nullptr && m_pclNested->m_bActive ? 1 : 0;
}

// ---------------------------------------------------------------------------------- end

bool CNATransaction::_bSameName(const wchar_t* pszName) const {
    return m_csName.bEstEgalI(pszName);
}

int CNATransaction::_bCommit(CNAError* pclError) {
    m_bActive = 0;
    return _bNACommit(pclError);
}

int CNATransaction::_bRollBack(CNAError* pclError) {
    if (!m_bActive) return 1;
    m_bActive = 0;
    return _bNARollBack(pclError);
}

int CNATransaction::bCommit(CNAError* pclError, const wchar_t* pszName) {
    if (_bEmpty(pszName)) {
        if (_bInternalTransactionOpened()) return m_pclNested->bCommit(pclError, nullptr);
        return _bCommit(pclError);
    }
    if (_bSameName(pszName)) {
        if (_bInternalTransactionOpened()) {
            _AddError(pclError, SITE_COMMIT_OVER_NESTED, USER_ERROR_NESTED_OPEN, pszName, m_pclNested->pszGetName());
            return 0;
        }
        return _bCommit(pclError);
    }
    if (_bInternalTransactionOpened()) return m_pclNested->bCommit(pclError, pszName);
    // No open transaction has this name: a failure the host can read, as for a rollback.
    _AddError(pclError, SITE_COMMIT_UNKNOWN_NAME, USER_ERROR_NO_TRANSACTION, pszName, nullptr);
    return 0;
}

int CNATransaction::bRollBack(CNAError* pclError, const wchar_t* pszName) {
    if (_bEmpty(pszName)) {
        if (_bInternalTransactionOpened()) return m_pclNested->bRollBack(pclError, nullptr);
        return _bRollBack(pclError);
    }
    if (_bSameName(pszName)) {
        // The nested transactions go; this one stays open.
        if (_bInternalTransactionOpened()) return m_pclNested->bRollBackAll(pclError);
        return _bRollBack(pclError);
    }
    if (_bInternalTransactionOpened()) return m_pclNested->bRollBack(pclError, pszName);
    _AddError(pclError, SITE_ROLLBACK_UNKNOWN_NAME, USER_ERROR_NO_TRANSACTION, pszName, nullptr);
    return 0;
}

int CNATransaction::bRollBackAll(CNAError* pclError) {
    int bNested = _bInternalTransactionOpened() ? m_pclNested->bRollBackAll(pclError) : 1;
    int bThis = _bRollBack(pclError);
    return bNested && bThis ? 1 : 0;
}

// ---------------------------------------------------------------------------------- errors

void CNATransaction::_AddError(CNAError* pclError, int nSite, unsigned nCode, const wchar_t* pszName,
                               const wchar_t* pszNested) const {
    if (pclError == nullptr) return;
    _CXErrorModule39 clNew;
    clNew.SetUserError(&gstMyModuleInfo39, nCode, pszName != nullptr ? pszName : L"",
                       pszNested != nullptr ? pszNested : L"");
    uint32_t dwCode = nCode;
    clNew.AddInfo(CXError::EIT_NATIVECODE, &dwCode);
    CNAError::g_AddDebugInfo(&clNew, CNAError::FILE_TRANSACTION, nSite);
    pclError->AddError(NA_ERRORTYPE_GENERAL, &clNew, m_pclConnection);
}
