// The driver object's entries on connections, tables, queries and contexts (the lists, the
// transactions, the SQL locks and the diagnosis are in NADriverLists.cpp).
//
// An entry that takes the lock does, in this order: take the driver's lock, reset the error
// object, find or create the connection description of the host's description, do its work,
// release the description under the auto-close rule, give the lock back; the lock and the
// description are given back on every path, an exception's included.
#include "native/driver/EntryConnection.h"
#include "native/driver/HostQueryParameters.h"
#include "native/driver/INAConnectionDescription.h"
#include "native/driver/INAContext.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAContext.h"
#include "native/driver/NADriver.h"
#include "native/driver/NADriverLock.h"
#include "native/driver/NAError.h"
#include "native/model/NADataSourceDescription.h"
#include "native/table/NATable.h"

namespace {

// Debug sites of the driver object's own errors (1 to 7 are those of NADriverLists.cpp).
constexpr int SITE_DELETE_WITHOUT_DESCRIPTION = 8;
constexpr int SITE_NO_CATALOGUE = 9;

constexpr unsigned USER_ERROR_NOT_AVAILABLE = 8;
constexpr unsigned USER_ERROR_TABLE_NOT_FOUND = 30;

// A query run with this flag keeps its table registered when it has no result set or fails.
constexpr unsigned QUERY_KEEP_TABLE = 0x10;

// The reference a lookup gave on a table, dropped when the entry ends (the internal count only).
class CEntryTable {
public:
    explicit CEntryTable(CNATable* pclTable) : m_pclTable(pclTable) {}
    ~CEntryTable() {
        if (m_pclTable != nullptr) m_pclTable->nRelease();
    }
    CEntryTable(const CEntryTable&) = delete;
    CEntryTable& operator=(const CEntryTable&) = delete;

    CNATable* operator->() const { return m_pclTable; }
    CNATable* pcl() const { return m_pclTable; }
    explicit operator bool() const { return m_pclTable != nullptr; }
    // The caller takes over the reference.
    CNATable* pclDetach() {
        CNATable* p = m_pclTable;
        m_pclTable = nullptr;
        return p;
    }

private:
    CNATable* m_pclTable;
};

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Connections

int CNADriver::bOpenConnection(INAConnectionDescription* piCnx) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    // The caller's reference goes as a plain release: the open's own reference keeps the
    // connection, and a failed open has already taken it out of the registry.
    CEntryConnection clCnx(this, _pclGetConnection(piCnx), CEntryConnection::RELEASE_PLAIN);
    if (!clCnx) return 0;
    return _bOpenConnection(clCnx.pcl());
}

int CNADriver::_bOpenConnection(CNAConnectionDescription* pclCnx) {
    int bResult = pclCnx->bOpen(m_pclError);
    if (bResult) {
        if (_bAddOpenReference(pclCnx)) {
            pclCnx->AddRef();
            pclCnx->SetAutoClose(0);
            return bResult;
        }
        // Open, but nothing could keep it so: refused like a failed open.
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclCnx);
        bResult = 0;
    }
    _bRemoveConnection(pclCnx);
    if (m_pclError != nullptr) m_pclError->SetErrorLevel(NA_ERRORLEVEL_WARNING);
    return bResult;
}

int CNADriver::bCloseConnection(INAConnectionDescription* piCnx) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CNAConnectionDescription* pclCnx = _pclFindConnection(piCnx);
    if (pclCnx == nullptr) return 1;
    if (nReleaseConnection(pclCnx) > 0) _bCloseConnection(pclCnx);
    return 1;
}

int CNADriver::_bCloseConnection(CNAConnectionDescription* pclCnx) {
    pclCnx->SetAutoClose(1);
    // Only a reference that an open took is given back: a connection registered without one (a
    // transaction begun on it) holds nothing more than the registry's, which must stay.
    if (_bDropOpenReference(pclCnx)) nReleaseConnection(pclCnx);
    return 1;
}

int CNADriver::_bCloseConnectionById(int nNumber) {
    CNADriverLock clLock;
    CNAConnectionDescription* pclCnx = pclGetConnectionByID(nNumber);
    if (pclCnx == nullptr) return 1;
    if (nReleaseConnection(pclCnx) > 0) _bCloseConnection(pclCnx);
    return 1;
}

// ---------------------------------------------------------------------------------------------------------------
// Tables and their descriptions

INATable* CNADriver::piGetTable(INAConnectionDescription* piCnx, INADataSourceDescription* piDesc) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CNATable* pclTable = nullptr;
    {
        CEntryConnection clCnx(this, _pclGetConnection(piCnx), CEntryConnection::RELEASE_AUTOCLOSE);
        if (!clCnx) return nullptr;
        pclTable = _pclGetTable(piDesc, clCnx.pcl());
    }
    // None could be made: the reason is recorded, and there is nothing to hand out.
    if (pclTable == nullptr) return nullptr;
    pclTable->ExternalAddRef();
    pclTable->nRelease();
    return pclTable;
}

INADataSourceDescription* CNADriver::piGetTableDesc(const wchar_t* pszTable, INAConnectionDescription* piCnx) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(this, _pclGetConnection(piCnx), CEntryConnection::RELEASE_AUTOCLOSE);
    if (!clCnx || !clCnx->bOpen(m_pclError)) return nullptr;
    return _piGetTableDesc(pszTable, clCnx.pcl());
}

INADataSourceDescription* CNADriver::_piGetTableDesc(const wchar_t* pszTable, CNAConnectionDescription* pclCnx) {
    CNADataSourceDescription* pclDesc = _pclGetTableDesc(pszTable, pclCnx);
    if (pclDesc == nullptr) return nullptr;
    // The host's reference keeps it once the driver's goes.
    pclDesc->ExternalAddRef();
    pclDesc->nRelease();
    return pclDesc;
}

CNADataSourceDescription* CNADriver::_pclGetTableDesc(const wchar_t* pszTable, CNAConnectionDescription* pclCnx) {
    CNADataSourceDescription* pclDesc = pclAllocDataSourceDescription(pclCnx, m_pclError);
    if (pclDesc == nullptr) {
        // A factory that said why keeps its word; otherwise it ran out of memory.
        if (m_pclError != nullptr && m_pclError->eGetErrorType() == NA_ERRORTYPE_NONE)
            m_pclError->SetErrorNoMemory(pclCnx);
        return nullptr;
    }
    pclDesc->AddRef();
    if (!pclDesc->bInitDataSourceDescriptionFromDB(pszTable, 0)) {
        // A description that cannot read the catalogue at all (the base one has no catalogue
        // queries) fails without a word: the host must not read a failure with no reason.
        if (m_pclError != nullptr && m_pclError->eGetErrorType() == NA_ERRORTYPE_NONE) {
            m_pclError->AddError(NA_ERRORTYPE_NOTAVAILABLE, CNAError::FILE_DRIVER, SITE_NO_CATALOGUE, pclCnx,
                                 USER_ERROR_NOT_AVAILABLE);
            m_pclError->SetInfoNames(pszTable, nullptr);
        }
        pclDesc->nRelease();
        return nullptr;
    }
    return pclDesc;
}

int CNADriver::bTableExists(int* pbExists, const wchar_t* pszTable, INAConnectionDescription* piCnx) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(this, _pclGetConnection(piCnx), CEntryConnection::RELEASE_AUTOCLOSE);
    if (!clCnx || !clCnx->bOpen(m_pclError)) return 0;
    return _bTableExists(pbExists, pszTable, clCnx.pcl());
}

int CNADriver::_bTableExists(int* pbExists, const wchar_t* pszTable, CNAConnectionDescription* pclCnx) {
    int bDummy = 0;
    if (pbExists == nullptr) pbExists = &bDummy;
    CNADataSourceDescription* pclDesc = _pclGetTableDesc(pszTable, pclCnx);
    if (pclDesc != nullptr) {
        *pbExists = 1;
        pclDesc->nRelease();
        return 1;
    }
    *pbExists = 0;
    // A missing table is an answer, any other failure is not; the error stays recorded either way.
    return m_pclError != nullptr && m_pclError->dwGetErrorId() == USER_ERROR_TABLE_NOT_FOUND ? 1 : 0;
}

int CNADriver::bSupprimeFichier(INAContext* piContext, INAConnectionDescription* piCnx, const wchar_t* pszTable,
                                INADataSourceDescription* piDesc) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(this, _pclGetConnection(piCnx), CEntryConnection::RELEASE_AUTOCLOSE);
    if (!clCnx || !clCnx->bOpen(m_pclError)) return 0;
    if (piDesc == nullptr) {
        // Nothing would be deleted: said so rather than answered as done.
        if (m_pclError != nullptr) {
            m_pclError->AddError(NA_ERRORTYPE_NOTAVAILABLE, CNAError::FILE_DRIVER, SITE_DELETE_WITHOUT_DESCRIPTION,
                                 nullptr, USER_ERROR_NOT_AVAILABLE);
            m_pclError->SetInfoNames(pszTable, nullptr);
        }
        return 0;
    }
    CEntryTable clTable(_pclGetTable(piDesc, clCnx.pcl()));
    if (!clTable) return 0;
    return clTable->bSupprimeFichier(piContext);
}

// ---------------------------------------------------------------------------------------------------------------
// Queries

CNATable* CNADriver::_pclGetQuery(INAContext* piContext, const wchar_t* pszName, CNAConnectionDescription* pclCnx,
                                  int bCloseFound, int bCreate) {
    CTString clKey;
    bBuildQueryIdentification(&clKey, pszName, pclCnx->pszGetIdentification(), piContext);
    CNATable* pclTable = _pclFindTable(clKey.pszGet());
    if (pclTable != nullptr) {
        if (!bCloseFound || !pclTable->bHFerme(piContext)) return pclTable;
        nReleaseTable(pclTable);
    }
    if (!bCreate) return nullptr;
    // Registered only once it has given a result set.
    pclTable = _pclAllocTable(clKey.pszGet(), nullptr, pclCnx, m_pclError);
    if (pclTable == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclCnx);
        return nullptr;
    }
    pclTable->AddRef();
    return pclTable;
}

int CNADriver::bHExecuteRequeteSQL(INATable** ppiTable, INAContext* piContext, const wchar_t* pszName,
                                   INAConnectionDescription* piCnx, ISQLParserInformation* piQuery, unsigned nFlags) {
    return bHExecuteRequeteSQLEx(ppiTable, piContext, pszName, piCnx, piQuery, nFlags, nullptr);
}

int CNADriver::bHExecuteRequeteSQLEx(INATable** ppiTable, INAContext* piContext, const wchar_t* pszName,
                                     INAConnectionDescription* piCnx, ISQLParserInformation* piQuery, unsigned nFlags,
                                     const INAQueryExecution* piExecution) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    // Whatever happens below, the host never reads a table it was not given.
    if (ppiTable != nullptr) *ppiTable = nullptr;
    CEntryConnection clCnx(this, _pclGetConnection(piCnx), CEntryConnection::RELEASE_AUTOCLOSE);
    if (!clCnx) return 0;
    CEntryTable clTable(_pclGetQuery(piContext, pszName, clCnx.pcl(), 0, 1));
    if (!clTable) return 0;

    int bHasResult = 0;
    int bResult = clTable->bExecuteQuery(&bHasResult, piContext, pszName, piQuery, nFlags, piExecution);
    if (bResult && bHasResult) {
        _AddTable(clTable.pcl());
        if (ppiTable != nullptr) {
            clTable->ExternalAddRef();
            *ppiTable = clTable.pcl();
        }
        return bResult;
    }
    if (!bResult && m_pclError != nullptr) m_pclError->Copy(clTable->piGetLastError());
    if ((nFlags & QUERY_KEEP_TABLE) == 0 && !NA_bQueryPreparedBeforehand(clTable->piGetQueryBindVariableNoRef()))
        _bReleaseTable(piContext, clTable.pcl());
    return bResult;
}

int CNADriver::bFreeDataSource(INAContext* piContext, const wchar_t* pszName, INAConnectionDescription* piCnx) {
    CNADriverLock clLock;
    CEntryConnection clCnx(this, _pclGetConnection(piCnx), CEntryConnection::RELEASE_PLAIN);
    if (!clCnx) return 0;
    CEntryTable clTable(_pclGetQuery(piContext, pszName, clCnx.pcl(), 0, 0));
    if (!clTable) return 1;
    // Closed for the context; the table stays registered.
    return clTable->bHFerme(piContext);
}

// ---------------------------------------------------------------------------------------------------------------
// Contexts and lock modes

int CNADriver::SetNextLogicalName(INAContext* piContext, const wchar_t* pszName) {
    CNADriverLock clLock;
    int bCreated = 0;
    CNAContext* pclContext = pclGetContext(piContext, &bCreated);
    if (pclContext == nullptr) return 0;
    pclContext->SetNextLogicalName(pszName);
    pclContext->nRelease();
    return 1;
}

int CNADriver::bCloseContext(INAContext* piContext) {
    if (m_pclError != nullptr) m_pclError->Reset();
    CNADriverLock clLock;
    CNAContext* pclContext = pclFindContext(piContext);
    if (pclContext == nullptr) return 0;
    pclContext->CloseAllDataAccess();
    nReleaseContext(piContext, pclContext);
    return 1;
}

int CNADriver::bHMode(INAContext* piContext, _eNA_HMODE eMode) {
    CNADriverLock clLock;
    int bResult = 1;
    unsigned nCursor = 0;
    CNATable* pclTable = nullptr;
    while (m_clTables.bParse(&nCursor, &pclTable, nullptr)) {
        CEntryTable clTable(pclTable);
        pclTable->AddRef();
        bResult &= clTable->bHMode(piContext, eMode) ? 1 : 0;
    }
    return bResult;
}
