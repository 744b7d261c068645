// The driver object's entries for the lists (databases, tables, links, column types, sources),
// the transactions that tell the connection's tables when they end, the record locks of a
// transaction, the SQL locks, the diagnosis of a connection, and the entries this driver does not
// offer.
//
// Every entry here that reaches the registries or the driver's error object holds the driver's
// lock for its whole run, as the other entries do: they find or create connection descriptions,
// and a host that calls from two threads must not find the registry half changed.
#include "core/MyModuleInfo.h"
#include "core/XErrorModule.h"
#include "core/XYString.h"
#include "native/driver/EntryConnection.h"
#include "native/driver/INAConnectionDescription.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NADriverLock.h"
#include "native/driver/NAError.h"
#include "native/table/NATable.h"
#include "pgsql/NADriverSQL.h"
#include "variant/Any.h"

namespace {

// Debug sites of the driver object's own errors.
constexpr int SITE_BLOQUE_TABLE = 1;
constexpr int SITE_BLOQUE_REQUETE = 2;
constexpr int SITE_DIAGNOSE = 3;
constexpr int SITE_COMMIT = 4;
constexpr int SITE_ROLLBACK = 5;
constexpr int SITE_PROVIDER_LIST = 6;
constexpr int SITE_FILTRE_AUTO = 7;

constexpr unsigned USER_ERROR_NOT_AVAILABLE = 8;
constexpr unsigned USER_ERROR_NOT_CONNECTED = 14;

// The module's own debug record, which an error of the driver object carries after its site.
constexpr uint32_t MODULE_DEBUG_RECORD = 0xFFFFFFFF;

// An error of the driver object itself: the user error with its argument, its code as information
// 16, the logical table name when given, the debug line of the site and the module's record; added
// to the error object as a general error or a sub-error, with no connection's details.
void _AddDriverError(CNAError* pclError, eNA_ERRORTYPE eType, int nSite, unsigned nCode, const wchar_t* pszArgument,
                     const wchar_t* pszTable) {
    if (pclError == nullptr) return;
    _CXErrorModule39 clNew;
    if (pszArgument != nullptr)
        clNew.SetUserError(&gstMyModuleInfo39, nCode, pszArgument);
    else
        clNew.SetUserError(&gstMyModuleInfo39, nCode);
    uint32_t dwCode = nCode;
    clNew.AddInfo(CXError::EIT_NATIVECODE, &dwCode);
    CNAError::g_SetInfoNames(&clNew, pszTable, nullptr);
    CNAError::g_AddDebugInfo(&clNew, CNAError::FILE_DRIVER, nSite);
    clNew.AddDebugMessage(&gstMyModuleInfo39, MODULE_DEBUG_RECORD);
    pclError->AddError(eType, &clNew, nullptr);
}

// An entry needs a connection the host never used: the error names it.
void _SetMissingConnection(CNAError* pclError, INAConnectionDescription* piCnx, int nSite) {
    const stNAConnectionInfo* pstInfo = piCnx != nullptr ? piCnx->pclGetConnectionInfo() : nullptr;
    const wchar_t* pszName = pstInfo != nullptr && pstInfo->pszName != nullptr ? pstInfo->pszName : L"";
    _AddDriverError(pclError, NA_ERRORTYPE_GENERAL, nSite, USER_ERROR_NOT_CONNECTED, pszName, nullptr);
}

// The variant becomes an empty text (not NULL).
void _SetEmptyText(CAny* pclValue) {
    if (pclValue == nullptr) return;
    CXYString<wchar_t> clEmpty;
    pclValue->__SetType(VQTYPE_DSTRW, 0);
    pclValue->pclGetValeur()->SetValue(&clEmpty);
    pclValue->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Lists

int CNADriver::bGetDatabaseList(CXYString<wchar_t>* pclList, INAConnectionDescription* piCnx, unsigned nFlags) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(this, _pclGetConnection(piCnx), CEntryConnection::RELEASE_AUTOCLOSE);
    if (!clCnx) return 0;
    return _bGetDatabaseList(pclList, clCnx.pcl(), nFlags);
}

int CNADriver::bGetTableList(CAny* pclList, INAConnectionDescription* piCnx, unsigned nFlags) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(this, _pclGetConnection(piCnx), CEntryConnection::RELEASE_AUTOCLOSE);
    if (!clCnx) return 0;
    return _bGetTableList(pclList, clCnx.pcl(), nFlags);
}

int CNADriver::bGetLinkList(CAny* pclList, const wchar_t* pszTable, INADataSourceDescription* piDesc,
                            INAConnectionDescription* piCnx, unsigned nFlags) {
    CNADriverLock clLock;
    CEntryConnection clCnx(this, _pclGetConnection(piCnx), CEntryConnection::RELEASE_AUTOCLOSE);
    if (!clCnx) return 0;
    return _bGetLinkList(clCnx.pcl(), pszTable, piDesc, pclList, nFlags);
}

// The SQL-layer driver does the listing; without one there are no databases or tables to list,
// and no links (which is not a failure).
int CNADriver::_bGetDatabaseList(CXYString<wchar_t>* pclList, CNAConnectionDescription* pclCnx, unsigned nFlags) {
    CNADriverSQL* pclDriverSQL = pclGetDriverSQL();
    if (pclDriverSQL == nullptr || !pclCnx->bOpen(m_pclError)) return 0;
    return pclDriverSQL->bGetDatabaseList(pclList, pclCnx, nFlags);
}

int CNADriver::_bGetTableList(CAny* pclList, CNAConnectionDescription* pclCnx, unsigned nFlags) {
    CNADriverSQL* pclDriverSQL = pclGetDriverSQL();
    if (pclDriverSQL == nullptr || !pclCnx->bOpen(m_pclError)) return 0;
    return pclDriverSQL->bGetTableList(pclList, pclCnx, nullptr, nFlags);
}

int CNADriver::_bGetLinkList(CNAConnectionDescription* pclCnx, const wchar_t* pszTable,
                             INADataSourceDescription* piDesc, CAny* pclList, unsigned nFlags) {
    CNADriverSQL* pclDriverSQL = pclGetDriverSQL();
    if (pclDriverSQL == nullptr) return 1;
    if (!pclCnx->bOpen(m_pclError)) return 0;
    return pclDriverSQL->bGetLinkList(pclList, pclCnx, pszTable, piDesc, nFlags);
}

int CNADriver::bSQLFormatColonne(INAConnectionDescription*, CAny* pclList) {
    // The SQL-layer driver may be made here: that changes the driver object.
    CNADriverLock clLock;
    CNADriverSQL* pclDriverSQL = pclGetDriverSQL();
    if (pclDriverSQL != nullptr)
        pclDriverSQL->bGetColumnTypeList(pclList, 0, 0);
    else
        _SetEmptyText(pclList);
    return 1;
}

int CNADriver::bGetListeSource(CAny* pclList, int) {
    _SetEmptyText(pclList);
    return 1;
}

// ---------------------------------------------------------------------------------------------------------------
// Transactions

int CNADriver::bTransactionBegin(INAConnectionDescription* piCnx, const wchar_t* pszName) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(this, _pclGetConnection(piCnx), CEntryConnection::RELEASE_AUTOCLOSE);
    if (!clCnx) return 0;
    return clCnx->bTransactionBegin(m_pclError, pszName);
}

int CNADriver::bTransactionCommit(INAConnectionDescription* piCnx, const wchar_t* pszName) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(this, _pclFindConnection(piCnx), CEntryConnection::RELEASE_AUTOCLOSE);
    if (!clCnx) {
        _SetMissingConnection(m_pclError, piCnx, SITE_COMMIT);
        return 0;
    }
    const int bResult = clCnx->bTransactionCommit(m_pclError, pszName);
    // The tables learn it once the work is committed.
    if (clCnx->bTransactionEndCloseParse()) _SetTransactionTermined(clCnx.pcl());
    return bResult;
}

int CNADriver::bTransactionRollBack(INAConnectionDescription* piCnx, const wchar_t* pszName) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(this, _pclFindConnection(piCnx), CEntryConnection::RELEASE_AUTOCLOSE);
    if (!clCnx) {
        _SetMissingConnection(m_pclError, piCnx, SITE_ROLLBACK);
        return 0;
    }
    // The tables learn it before the work is undone.
    if (clCnx->bTransactionEndCloseParse()) _SetTransactionTermined(clCnx.pcl());
    return clCnx->bTransactionRollBack(m_pclError, pszName);
}

void CNADriver::CancelRecordLock(INAConnectionDescription* piCnx, CNATransaction* pclTransaction) {
    CNADriverLock clLock;
    unsigned nCursor = 0;
    CNATable* pclTable = nullptr;
    while (m_clTables.bParse(&nCursor, &pclTable, nullptr)) {
        pclTable->AddRef();
        pclTable->CancelRecordLock(piCnx, pclTransaction);
        pclTable->nRelease();
    }
}

// ---------------------------------------------------------------------------------------------------------------
// SQL locks and diagnosis: on a connection the host has used already, never made here.

int CNADriver::bSQLBloqueTable(INAConnectionDescription* piCnx, const wchar_t* pszTable) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(this, _pclFindConnection(piCnx), CEntryConnection::RELEASE_PLAIN);
    if (!clCnx) {
        _SetMissingConnection(m_pclError, piCnx, SITE_BLOQUE_TABLE);
        return 0;
    }
    int bResult = clCnx->bOpen(m_pclError);
    if (bResult) bResult &= clCnx->bSQLBloque(m_pclError, pszTable);
    return bResult;
}

int CNADriver::bSQLBloqueRequete(INAConnectionDescription* piCnx, ISQLParserInformation* piQuery) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(this, _pclFindConnection(piCnx), CEntryConnection::RELEASE_PLAIN);
    if (!clCnx) {
        _SetMissingConnection(m_pclError, piCnx, SITE_BLOQUE_REQUETE);
        return 0;
    }
    int bResult = clCnx->bOpen(m_pclError);
    if (!bResult) return 0;
    bResult &= clCnx->bSQLBloque(m_pclError, piQuery);
    // Locking the rows of a parsed query is not offered: a refusal that says nothing would leave
    // the host reporting an empty error.
    if (!bResult && m_pclError != nullptr && m_pclError->eGetErrorType() == NA_ERRORTYPE_NONE)
        _AddDriverError(m_pclError, NA_ERRORTYPE_NOTAVAILABLE, SITE_BLOQUE_REQUETE, USER_ERROR_NOT_AVAILABLE, nullptr,
                        nullptr);
    return bResult;
}

int CNADriver::bHConnexionDiagnose(CAny* pclResult, INAConnectionDescription* piCnx, const wchar_t* pszText,
                                   unsigned nFlags) {
    CNADriverLock clLock;
    if (m_pclError != nullptr) m_pclError->Reset();
    CEntryConnection clCnx(this, _pclFindConnection(piCnx), CEntryConnection::RELEASE_AUTOCLOSE);
    if (!clCnx) {
        _SetMissingConnection(m_pclError, piCnx, SITE_DIAGNOSE);
        return 0;
    }
    return clCnx->bDiagnose(m_pclError, pclResult, pszText, nFlags);
}

// ---------------------------------------------------------------------------------------------------------------
// Not offered. The error object is not reset first: the refusal follows whatever the host has not
// read yet, as a sub-error.

int CNADriver::bGetProviderList(CAny*) {
    CNADriverLock clLock;
    _AddDriverError(m_pclError, NA_ERRORTYPE_NOTAVAILABLE, SITE_PROVIDER_LIST, USER_ERROR_NOT_AVAILABLE, nullptr,
                    nullptr);
    return 0;
}

int CNADriver::bFiltreAuto(INAContext*, INAConnectionDescription*, int, const wchar_t* pszTable,
                           INADataSourceDescription*, const wchar_t*, INADataSourceDescription*) {
    CNADriverLock clLock;
    _AddDriverError(m_pclError, NA_ERRORTYPE_NOTAVAILABLE, SITE_FILTRE_AUTO, USER_ERROR_NOT_AVAILABLE, nullptr,
                    pszTable);
    return 0;
}
