// CNAStatement: construction and destruction, the current command, the fields the SQL writers read,
// the few members they call (the sub-query end, DISTINCT, the search and filter objects and the
// WHERE they write), and what they ask of the data access.
//
// Execution is in NAStatementExecute.cpp, fetching in NAStatementFetch.cpp, the SQL of writes in
// native/sql/NAStatementWrite.cpp, positions, searches, filters and the notifications of writes in
// NAStatementPosition.cpp, the table cache's side in NATableCacheStatement.cpp.
#include "native/statement/NAStatement.h"

#include <cstdarg>
#include <new>

#include "core/MyModuleInfo.h"
#include "core/XErrorModule.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"
#include "native/model/StatementServices.h"
#include "native/sql/NARecherche.h"
#include "native/sql/ParsedQueryServices.h"
#include "native/statement/NARecordCache.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NAStatementAccess.h"
#include "native/statement/NATableCacheIndex.h"
#include "native/table/NADataAccess.h"
#include "pgsql/NAStatementSQL.h"

namespace {

// Server kinds whose sub-queries take an alias.
bool _bSubQueryAlias(unsigned nKind) {
    // PostgreSQL refuses a sub-query in FROM without an alias.
    return nKind == 2 || nKind == 4 || nKind == 6 || nKind == 7;
}

}  // namespace

// ---------------------------------------------------------------------------------- life

CNAStatement::CNAStatement(CNADataAccess* pclDataAccess, CNAError* pclError)
    : m_pclError(pclError),
      m_pclDataAccess(pclDataAccess),
      m_tabSavedPositions(7),
      m_pclAccessServices(CNAStatementAccess::s_pclOf(pclDataAccess)) {
    if (m_pclError != nullptr) m_pclError->AddRef();
    if (m_pclDataAccess != nullptr) {
        m_piDataSource = m_pclDataAccess->piGetDataSourceDescriptionNoRef();
        if (m_piDataSource != nullptr) m_piDataSource->ExternalAddRef();
        SetCurrentRecord(_pclAccess()->pclGetCurrentRecordNoRef(m_pclDataAccess));
    }
    if (m_pclError != nullptr) _bAllocStatementSQL();
}

CNAStatement::~CNAStatement() {
    if (m_nReferenceSlot != -1) CNAStatementAccess::s_pclOf(m_pclDataAccess)->nReleaseRecordSave(m_pclDataAccess, m_nReferenceSlot);
    if (m_pclTableCacheIndex != nullptr) m_pclTableCacheIndex->dwRelease();
    if (m_pclRecordCache != nullptr) m_pclRecordCache->nRelease();
    if (m_pclFilter != nullptr) m_pclFilter->nRelease();
    if (m_pclRecherche != nullptr) m_pclRecherche->nRelease();
    _FreeRecordSaveTab();
    if (m_pclStatementSQL != nullptr) m_pclStatementSQL->nRelease();
    if (m_pclCommand != nullptr) m_pclCommand->nRelease();
    ForgetSeekSelects();
    if (m_pclOriginalRecord != nullptr) m_pclOriginalRecord->nRelease();
    if (m_pclRecord != nullptr) m_pclRecord->nRelease();
    if (m_pclBestColumn != nullptr) m_pclBestColumn->nRelease();
    if (m_piDataSource != nullptr) m_piDataSource->nExternalRelease();
    if (m_pclError != nullptr) m_pclError->nRelease();
}

// ---------------------------------------------------------------------------------- the query

void CNAStatement::ResetQuery() {
    Close();
    m_bRowReady = 0;
    if (m_pclCommand != nullptr) {
        CNACommand* pcl = m_pclCommand;
        m_pclCommand = nullptr;
        pcl->nRelease();
    }
}

void CNAStatement::_SetQuery(CNACommand* pclCommand) {
    // Held before the reset, which releases the current command: it may be this one.
    if (pclCommand != nullptr) pclCommand->AddRef();
    ResetQuery();
    m_pclCommand = pclCommand;
}

eNAQUERYTYPE CNAStatement::eGetQueryType() const {
    if (m_pclTableCacheIndex != nullptr || m_pclCommand == nullptr) return NAQUERYTYPE_SELECT;
    return m_pclCommand->eGetQueryType();
}

int CNAStatement::bInvertFetch() const {
    if (m_pclTableCacheIndex != nullptr || m_pclCommand == nullptr) return 0;
    return m_pclCommand->bInvertFetch();
}

unsigned CNAStatement::nGetBindDefineFlag() const {
    return m_pclCommand != nullptr ? m_pclCommand->nGetColumnMode() : 0;
}

int CNAStatement::_bCloseSubQuery() {
    if (m_pclCommand == nullptr || !m_pclCommand->bComplete(L")")) return 0;
    CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
    if (pclCnx != nullptr && _bSubQueryAlias(pclCnx->eGetDataSource())) return m_pclCommand->bComplete(L" KX_SUBQUERY");
    return 1;
}

int CNAStatement::_bAddDistinct(NA_WRITEPARSEFLAGS nFlags) {
    if ((nFlags & NA_WPF_DISTINCT) == 0 || m_piDataSource == nullptr) return 0;
    INAItemDescription* piItem = m_piDataSource->piGetBestParseItemDesc();
    if (piItem == nullptr) return 0;
    int bDistinct = 1;
    if (piItem->bPrimary()) {
        bDistinct = 0;
    } else if (piItem->bUnique()) {
        // A unique item that cannot hold NULL identifies the rows already.
        if (piItem->nGetVersion() > 8)
            bDistinct = piItem->vbConstraintNullAllowed() ? 1 : 0;
        else
            bDistinct = g_bIsIdAuto(piItem->eNAGetItemType()) ? 0 : 1;
    }
    piItem->nExternalRelease();
    return bDistinct;
}

// ---------------------------------------------------------------------------------- fields

CNAConnectionDescription* CNAStatement::pclGetConnectionNoRef() const {
    return m_pclDataAccess != nullptr ? m_pclDataAccess->pclGetConnectionNoRef() : nullptr;
}

INAItemDescription* CNAStatement::_pclGetItem(const wchar_t* pszName) {
    return m_piDataSource != nullptr ? m_piDataSource->piNAGetItem(pszName) : nullptr;
}

void CNAStatement::SetCurrentRecord(CNARecord* pclRecord) {
    // The kept seek SELECTs name the columns of the record they were built on.
    if (pclRecord != m_pclRecord) ForgetSeekSelects();
    if (pclRecord != nullptr) pclRecord->AddRef();
    if (m_pclRecord != nullptr) m_pclRecord->nRelease();
    m_pclRecord = pclRecord;
}

void CNAStatement::SetDataSource(INADataSourceDescription* piDescription) {
    if (piDescription != m_piDataSource) ForgetSeekSelects();
    if (piDescription != nullptr) piDescription->ExternalAddRef();
    if (m_piDataSource != nullptr) m_piDataSource->nExternalRelease();
    m_piDataSource = piDescription;
}

void CNAStatement::SetKey(const wchar_t* pszKey) {
    ForgetSeekSelects();
    m_clKey.Set(pszKey);
    m_clItemName.Set(pszKey);
}

// ---------------------------------------------------------------------------------- searches and filters

CNARecherche* CNAStatement::pclAllocRecherche(CNAError* pclError) {
    return new (std::nothrow) CNARecherche(pclError, pclGetConnectionNoRef());
}

CNAFilter* CNAStatement::pclAllocFilter(CNAError* pclError) {
    return new (std::nothrow) CNAFilter(pclError, pclGetConnectionNoRef());
}

CNARecherche* CNAStatement::pclGetRecherche() {
    if (m_pclRecherche == nullptr) {
        m_pclRecherche = pclAllocRecherche(m_pclError);
        if (m_pclRecherche == nullptr) return nullptr;
        m_pclRecherche->AddRef();
    }
    m_pclRecherche->AddRef();
    return m_pclRecherche;
}

int CNAStatement::bExistRechercheObject() const {
    return m_pclRecherche != nullptr && m_pclRecherche->eGetState() != CNARecherche::STATE_INACTIVE;
}

void CNAStatement::_SetRecherche(CNARecherche* pclSearch) {
    if (pclSearch != nullptr) pclSearch->AddRef();
    if (m_pclRecherche != nullptr) m_pclRecherche->nRelease();
    m_pclRecherche = pclSearch;
}

CNAFilter* CNAStatement::pclGetFilter() {
    if (m_pclFilter != nullptr) m_pclFilter->AddRef();
    return m_pclFilter;
}

int CNAStatement::bExistFilter() const {
    return m_pclFilter != nullptr && m_pclFilter->bIsFilterActive();
}

void CNAStatement::_SetFilter(CNAFilter* pclFilter) {
    if (pclFilter != nullptr) pclFilter->AddRef();
    if (m_pclFilter != nullptr) m_pclFilter->nRelease();
    m_pclFilter = pclFilter;
}

int CNAStatement::bGetClauseWHERE(CNACommand* pclCommand) {
    if (!bExistFilter() && !bExistRechercheObject()) return 1;
    CNARecherche* pclSearch = pclGetRecherche();
    if (pclSearch == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
        return 0;
    }
    const int bResult = pclSearch->bGetSQL(pclCommand, m_pclFilter, m_pclRecord) & 1;
    pclSearch->nRelease();
    return bResult;
}

// ---------------------------------------------------------------------------------- the data access

const wchar_t* CNAStatement::_pszGetLogicalName() const {
    return m_pclDataAccess != nullptr ? m_pclDataAccess->pszGetLogicalName() : L"";
}

const wchar_t* CNAStatement::_pszGetDBTableName() const {
    return m_pclDataAccess != nullptr ? m_pclDataAccess->pszGetDBTableName() : L"";
}

bool CNAStatement::_bSourceIsQuery() const {
    return NA_bDataAccessSourceIsQuery(m_pclDataAccess);
}

CSQLParserInfo* CNAStatement::_pclGetParsedQueryNoRef() const {
    return NA_pclDataAccessSourceQuery(m_pclDataAccess);
}

uint32_t CNAStatement::_nGetQueryFlags() const {
    return NA_nGetDataAccessQueryFlags(m_pclDataAccess);
}

bool CNAStatement::_bRequeteSansCorrection() const {
    return _bSourceIsQuery() && (_nGetQueryFlags() & QUERYFLAG_AS_WRITTEN) != 0;
}

CNACommand* CNAStatement::_pclAllocCommand() const {
    // What the data access's own factory of commands does: the driver's, on the access's connection.
    CNACommand* pcl = CNADriver::s_pclDriver != nullptr
                          ? CNADriver::s_pclDriver->pclAllocCommand(m_pclError, pclGetConnectionNoRef())
                          : nullptr;
    if (pcl == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
        return nullptr;
    }
    pcl->AddRef();
    return pcl;
}

void CNAStatement::_AddError(eNA_ERRORTYPE eType, int nSite, const wchar_t* pszTable, const wchar_t* pszItem,
                             unsigned nUserError, ...) const {
    if (m_pclError == nullptr) return;
    va_list arguments;
    va_start(arguments, nUserError);
    _CXErrorModule39 clError;
    clError.SetUserErrorList(&gstMyModuleInfo39, nUserError, arguments);
    va_end(arguments);
    CNAError::g_AddDebugInfo(&clError, CNAError::FILE_STATEMENT, nSite);
    CNAError::g_SetInfoNames(&clError, pszTable, pszItem);
    m_pclError->AddError(eType, &clError, pclGetConnectionNoRef());
}

// ---------------------------------------------------------------------------------- fixed answers

// The generic statement writes nothing itself: the data access writes through the SQL members.
int CNAStatement::bHAjoute(NA_WRITEPARSEFLAGS) {
    return 0;
}
int CNAStatement::bHModifie(NA_WRITEPARSEFLAGS) {
    return 0;
}
int CNAStatement::bHSupprime(NA_WRITEPARSEFLAGS) {
    return 0;
}
int CNAStatement::bSetLockType(eNA_LOCKTYPE eLock) {
    m_eLockType = eLock;
    return 1;
}
int CNAStatement::bCanFetchBackward() {
    return 1;
}
int CNAStatement::bDefaultParseNeedRecordCache() {
    return 0;
}
void CNAStatement::_SetBestCacheMethod() {}
int CNAStatement::_bSetPositionParametersEx(CNAPosition*) {
    return 1;
}
void CNAStatement::DesactivateRecherche() {
    if (m_pclRecherche != nullptr) m_pclRecherche->Desactivate();
}

