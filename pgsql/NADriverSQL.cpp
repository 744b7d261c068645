// The SQL-command driver: references, connections by handle, execution and statements by handle,
// transactions and locks, and what the rest of the driver asks of it.
#include "pgsql/NADriverSQL.h"

#include <cwchar>
#include <new>

#include "core/XYString.h"
#include "core/XYStringConcat.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NADriverLock.h"
#include "native/driver/NAError.h"
#include "native/driver/NATransaction.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAItemDescription.h"
#include "pgsql/NAColumnSQL.h"
#include "pgsql/PSQLGuard.h"

unsigned CNADriverSQL::m_gnCnxNameGenerator = 0;

namespace {

constexpr unsigned FILE_DRIVERSQL = 51;
constexpr unsigned SITE_LOCK_QUERY = 2;
constexpr unsigned SITE_LOCK_TABLE = 3;
constexpr unsigned SITE_NOT_AVAILABLE = 4;
constexpr unsigned USER_ERROR_NOT_AVAILABLE = 8;
constexpr unsigned USER_ERROR_LOCK_OUTSIDE_TRANSACTION = 29;

// The name every transaction of the SQL-command functions carries.
constexpr const wchar_t* TRANSACTION_NAME = L"SQLTransaction";

// A connection found by its handle, with the reference the finding took, given back at the end
// of the entry.
class CEntryConnection {
public:
    CEntryConnection(CNADriver* pclDriver, int nCnx)
        : m_pcl(pclDriver != nullptr ? pclDriver->pclGetConnectionByID(nCnx) : nullptr) {}
    ~CEntryConnection() {
        if (m_pcl != nullptr) m_pcl->nRelease();
    }
    CEntryConnection(const CEntryConnection&) = delete;
    CEntryConnection& operator=(const CEntryConnection&) = delete;
    explicit operator bool() const { return m_pcl != nullptr; }
    CNAConnectionDescription* operator->() const { return m_pcl; }
    CNAConnectionDescription* pcl() const { return m_pcl; }

private:
    CNAConnectionDescription* m_pcl;
};

// A statement found by its handle, with the reference the finding took.
class CEntryStatement {
public:
    explicit CEntryStatement(CNAStatementSQL* pcl) : m_pcl(pcl) {}
    ~CEntryStatement() {
        if (m_pcl != nullptr) m_pcl->nRelease();
    }
    CEntryStatement(const CEntryStatement&) = delete;
    CEntryStatement& operator=(const CEntryStatement&) = delete;
    explicit operator bool() const { return m_pcl != nullptr; }
    CNAStatementSQL* operator->() const { return m_pcl; }
    CNAStatementSQL* pcl() const { return m_pcl; }

private:
    CNAStatementSQL* m_pcl;
};

}  // namespace

CNADriverSQL::CNADriverSQL(CNADriver* pclDriver, CNAError* pclError) : m_pclDriver(pclDriver), m_pclError(pclError) {
    if (m_pclError != nullptr) m_pclError->AddRef();
}

CNADriverSQL::~CNADriverSQL() {
    if (m_pclError != nullptr) m_pclError->nRelease();
    m_pclError = nullptr;
    m_clStatements.RemoveAll();
}

unsigned CNADriverSQL::nRelease() {
    if (m_nRef == 0) return 0;
    unsigned n = --m_nRef;
    if (n == 0) _DeleteIfUnused();
    return n;
}

unsigned CNADriverSQL::nExternalRelease() {
    if (m_nExternalRef == 0) return 0;
    unsigned n = --m_nExternalRef;
    if (n == 0) _DeleteIfUnused();
    return n;
}

void CNADriverSQL::_DeleteIfUnused() {
    if (m_nRef == 0 && m_nExternalRef == 0) delete this;
}

INAError* CNADriverSQL::piGetLastError() {
    return m_pclError;
}

int CNADriverSQL::bSetVMAndLibShop(ILibShop* piLibShop, IVMData* piVMData) {
    return m_pclDriver != nullptr ? m_pclDriver->bSetVMAndLibShop(piLibShop, piVMData) : 1;
}

CNAStatementSQL* CNADriverSQL::_pclFindStatement(int nStmt) {
    if (nStmt == 0) return nullptr;
    CNAStatementSQL* pcl = nullptr;
    m_clStatements.bGet(nStmt, &pcl);
    return pcl;
}

// ---------------------------------------------------------------------------------- connections

int CNADriverSQL::bOpenConnection(int* pnCnx, INAConnectionDescription* piCnx) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    *pnCnx = 0;
    if (m_pclDriver == nullptr) return 0;
    CTString clIdentification;
    m_pclDriver->bBuildCnxIdentification(&clIdentification, piCnx);
    // A connection of its own, never shared with a table's or with another of these.
    CTString clNumber;
    clNumber.printf(L";SQLConnecte%d", static_cast<int>(++m_gnCnxNameGenerator));
    clIdentification.Add(clNumber.pszGet());
    CNAConnectionDescription* pclCnx = m_pclDriver->_pclAddConnection(clIdentification.pszGet(), piCnx);
    if (pclCnx == nullptr) return 0;
    pclCnx->SetConnectionSQL(1);
    const int nNumber = static_cast<int>(pclCnx->nGetCnxNumber());
    // A failed open takes the description out of the registry, which may delete it.
    const int bOpen = m_pclDriver->_bOpenConnection(pclCnx);
    if (bOpen) *pnCnx = nNumber;
    return bOpen;
}

// A transaction still open is rolled back, then the connection closes: left open, the session
// would stay idle in its transaction, holding its locks until the process ends. When the rollback
// fails the close fails with its error, and the connection stays as it was.
int CNADriverSQL::bCloseConnection(int nCnx) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    if (m_pclDriver == nullptr) return 1;
    CNAConnectionDescription* pclCnx = m_pclDriver->pclGetConnectionByID(nCnx);
    if (pclCnx != nullptr) {
        int bRolledBack = 1;
        CNATransaction* pclTransaction = pclCnx->pclGetTransaction();
        if (pclTransaction != nullptr && pclTransaction->bIsActive())
            bRolledBack = pclTransaction->bRollBackAll(m_pclError);
        // A BEGIN the host sent as SQL leaves the server in a transaction the driver never began.
        if (bRolledBack && pclCnx->bIsOpen() && pclCnx->bServerTransactionOpen(m_pclError))
            bRolledBack = pclCnx->bTransactionRollBackDirect(m_pclError);
        m_pclDriver->nReleaseConnection(pclCnx);
        if (!bRolledBack) return 0;
    }
    return m_pclDriver->_bCloseConnectionById(nCnx);
}

int CNADriverSQL::bGetTableList(CAny* pclList, int nCnx, const wchar_t* pszName, unsigned nFlags) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(m_pclDriver, nCnx);
    if (!clCnx) return 0;
    return bGetTableList(pclList, clCnx.pcl(), pszName, nFlags);
}

int CNADriverSQL::bGetColumnList(CAny* pclList, int nCnx, const wchar_t* pszTable, unsigned nFlags) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(m_pclDriver, nCnx);
    if (!clCnx) return 0;
    return bGetColumnList(pclList, clCnx.pcl(), pszTable, nFlags);
}

INADataSourceDescription* CNADriverSQL::piGetTableDesc(int nCnx, const wchar_t* pszTable, unsigned) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(m_pclDriver, nCnx);
    if (!clCnx) return nullptr;
    return m_pclDriver->_piGetTableDesc(pszTable, clCnx.pcl());
}

int CNADriverSQL::bExecute(int* pnStmt, int nCnx, const wchar_t* pszSQL, CTabValParser* pclParameters,
                           unsigned nFlags) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(m_pclDriver, nCnx);
    if (!clCnx) return 0;
    CNAStatementSQL* pclStatement = nullptr;
    const int bOk = bExecute(m_pclError, &pclStatement, clCnx.pcl(), pszSQL, pclParameters, nFlags);
    if (pclStatement == nullptr) {
        *pnStmt = 0;
        return bOk;
    }
    const int nStmt = static_cast<int>(pclStatement->nGetStmtNumber());
    if (!m_clStatements.bSet(nStmt, pclStatement)) {
        // A result the host could never reach again is not handed out.
        pclStatement->nRelease();
        *pnStmt = 0;
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(clCnx.pcl());
        return 0;
    }
    *pnStmt = nStmt;
    pclStatement->nRelease();
    return bOk;
}

// ---------------------------------------------------------------------------------- statements

int CNADriverSQL::bFreeStmt(int, int nStmt, unsigned) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    if (nStmt != 0) m_clStatements.bRemove(nStmt);
    return 1;
}

int CNADriverSQL::bGetStmtLastError(INAError** ppiError, int, int nStmt) {
    if (nStmt == 0) return 0;
    CNADriverLock clLock;
    CEntryStatement clStatement(_pclFindStatement(nStmt));
    if (!clStatement) return 0;
    return clStatement->bGetStmtLastError(ppiError);
}

// The statement entries: under the lock, the error object reset, the statement found by its handle
// (a handle of 0, never issued or already freed answers the failure and writes nothing), its own
// error state reset, the work done with a reference held.
#define KX_STATEMENT_ENTRY(failure)                        \
    CNADriverLock clLock;                                  \
    if (m_pclError != nullptr) m_pclError->Reset();        \
    CEntryStatement clStatement(_pclFindStatement(nStmt)); \
    if (!clStatement) return failure;                      \
    clStatement->ResetLastError()

int CNADriverSQL::bGetColumnList(CAny* pclList, int, int nStmt, unsigned nFlags) {
    KX_STATEMENT_ENTRY(0);
    return clStatement->bGetColumnList(pclList, nFlags);
}

INADataSourceDescription* CNADriverSQL::piGetTableDesc(int, int nStmt, unsigned) {
    KX_STATEMENT_ENTRY(nullptr);
    if (m_pclDriver == nullptr) return nullptr;
    CNADataSourceDescription* pclDesc =
        m_pclDriver->pclAllocDataSourceDescription(clStatement->pclGetConnection(), m_pclError);
    if (pclDesc == nullptr) {
        if (m_pclError != nullptr && m_pclError->eGetErrorType() == NA_ERRORTYPE_NONE)
            m_pclError->SetErrorNoMemory(clStatement->pclGetConnection());
        return nullptr;
    }
    pclDesc->AddRef();
    if (!pclDesc->bInitDataSourceDescriptionFromStatement(clStatement.pcl())) {
        pclDesc->nRelease();
        return nullptr;
    }
    pclDesc->ExternalAddRef();
    pclDesc->nRelease();
    return pclDesc;
}

int CNADriverSQL::bGetColumnNbr(int* pnColumns, int, int nStmt, unsigned nFlags) {
    if (nStmt == 0) {
        *pnColumns = 0;
        return 1;
    }
    KX_STATEMENT_ENTRY(0);
    return clStatement->bGetColumnNbr(pnColumns, nFlags);
}

int CNADriverSQL::bGetColumnName(CAny* pclName, int, int nStmt, unsigned nColumn, unsigned nFlags) {
    KX_STATEMENT_ENTRY(0);
    return clStatement->bGetColumnName(pclName, nColumn - 1, nFlags);
}

int CNADriverSQL::bFetch(int, int nStmt, unsigned nFlags) {
    KX_STATEMENT_ENTRY(0);
    return clStatement->bFetch(nFlags) && !clStatement->bIsEnd() ? 1 : 0;
}

int CNADriverSQL::bGetRow(CAny* pclRow, int, int nStmt, const wchar_t* pszSeparator, int nCount, unsigned nFlags) {
    KX_STATEMENT_ENTRY(0);
    return clStatement->bGetRow(pclRow, pszSeparator, nCount, nFlags);
}

int CNADriverSQL::bGetValue(CAny* pclValue, int, int nStmt, unsigned nColumn, unsigned nFlags) {
    KX_STATEMENT_ENTRY(0);
    return clStatement->bGetValue(pclValue, nColumn - 1, nFlags);
}

int CNADriverSQL::bGetBLOBValue(CAny* pclValue, int, int nStmt, unsigned nColumn, unsigned nFlags) {
    KX_STATEMENT_ENTRY(0);
    return clStatement->bGetBLOBValue(pclValue, nColumn - 1, nFlags);
}

#undef KX_STATEMENT_ENTRY

// ---------------------------------------------------------------------------------- transactions and locks

int CNADriverSQL::bTrsBegin(int*, int nCnx, unsigned) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(m_pclDriver, nCnx);
    if (!clCnx) return 0;
    return clCnx->bTransactionBegin(m_pclError, TRANSACTION_NAME);
}

int CNADriverSQL::bTrsCommit(int nCnx, int, unsigned) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(m_pclDriver, nCnx);
    if (!clCnx) return 0;
    return clCnx->bTransactionCommit(m_pclError, TRANSACTION_NAME);
}

int CNADriverSQL::bTrsRollBack(int nCnx, int, unsigned) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(m_pclDriver, nCnx);
    if (!clCnx) return 0;
    return clCnx->bTransactionRollBack(m_pclError, TRANSACTION_NAME);
}

int CNADriverSQL::bSQLBloqueTable(int nCnx, const wchar_t* pszTable, unsigned nFlags) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(m_pclDriver, nCnx);
    if (!clCnx) return 0;
    if (!clCnx->_bTransactionOpened()) {
        g_PSQLAddError(m_pclError, NA_ERRORTYPE_GENERAL, FILE_DRIVERSQL, SITE_LOCK_TABLE, clCnx.pcl(),
                       USER_ERROR_LOCK_OUTSIDE_TRANSACTION);
        return 0;
    }
    return bSQLBloqueTable(m_pclError, clCnx.pcl(), pszTable, nFlags);
}

int CNADriverSQL::bSQLBloqueRequete(int nCnx, const wchar_t* pszSQL, unsigned nFlags) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(m_pclDriver, nCnx);
    if (!clCnx) return 0;
    if (!clCnx->_bTransactionOpened()) {
        g_PSQLAddError(m_pclError, NA_ERRORTYPE_GENERAL, FILE_DRIVERSQL, SITE_LOCK_QUERY, clCnx.pcl(),
                       USER_ERROR_LOCK_OUTSIDE_TRANSACTION);
        return 0;
    }
    return bSQLBloqueRequete(clCnx.pcl(), pszSQL, nFlags);
}

int CNADriverSQL::bSQLBloqueRequete(CNAConnectionDescription* pclCnx, const wchar_t* pszSQL, unsigned) {
    if (!pclCnx->bOpen(m_pclError)) return 0;
    return pclCnx->bSQLBloqueRequete(m_pclError, pszSQL);
}

int CNADriverSQL::bSQLBloqueTable(CNAError* pclError, CNAConnectionDescription* pclCnx, const wchar_t* pszTable,
                                  unsigned) {
    if (!pclCnx->bOpen(pclError)) return 0;
    return pclCnx->bSQLBloque(pclError, pszTable);
}

// ---------------------------------------------------------------------------------- execution

int CNADriverSQL::bExecute(CNAError* pclError, CNAStatementSQL** ppclStatement, CNAConnectionDescription* pclCnx,
                           const wchar_t* pszSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags) {
    CNAStatementSQL* pclStatement = pclAllocStatementSQL(pclCnx, pclError);
    *ppclStatement = pclStatement;
    if (pclStatement == nullptr) {
        if (pclError != nullptr) pclError->SetErrorNoMemory(pclCnx);
        return 0;
    }
    pclStatement->AddRef();
    const int bOk = pclStatement->bExecuteDirect(pszSQL, pclParameters, nFlags);
    if (bOk) {
        int nColumns = 0;
        pclStatement->bGetColumnNbr(&nColumns, 0);
        if (nColumns != 0) return 1;
    }
    // A failed statement, or one without columns (an UPDATE): run, never kept.
    pclStatement->nRelease();
    *ppclStatement = nullptr;
    return bOk;
}

// ---------------------------------------------------------------------------------- what another server lists

int CNADriverSQL::bGetColumnTypeList(CAny*, int, unsigned) {
    g_PSQLAddError(m_pclError, NA_ERRORTYPE_NOTAVAILABLE, FILE_DRIVERSQL, SITE_NOT_AVAILABLE, nullptr,
                   USER_ERROR_NOT_AVAILABLE);
    return 0;
}

int CNADriverSQL::bGetTableList(CAny*, CNAConnectionDescription* pclCnx, const wchar_t*, unsigned) {
    g_PSQLAddError(m_pclError, NA_ERRORTYPE_NOTAVAILABLE, FILE_DRIVERSQL, SITE_NOT_AVAILABLE, pclCnx,
                   USER_ERROR_NOT_AVAILABLE);
    return 0;
}

int CNADriverSQL::bGetColumnList(CAny*, CNAConnectionDescription* pclCnx, const wchar_t*, unsigned) {
    g_PSQLAddError(m_pclError, NA_ERRORTYPE_NOTAVAILABLE, FILE_DRIVERSQL, SITE_NOT_AVAILABLE, pclCnx,
                   USER_ERROR_NOT_AVAILABLE);
    return 0;
}

int CNADriverSQL::_bGetDatabaseList(CXYStringConcat<wchar_t>*, CNAConnectionDescription* pclCnx, unsigned) {
    g_PSQLAddError(m_pclError, NA_ERRORTYPE_NOTAVAILABLE, FILE_DRIVERSQL, SITE_NOT_AVAILABLE, pclCnx,
                   USER_ERROR_NOT_AVAILABLE);
    return 0;
}
