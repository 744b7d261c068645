// The data access's operations whose work is not built yet. Each body below is marked STUB with
// the work that replaces it; an operation that must answer fails cleanly: 0 (or null) with user
// error 8 (not available) in the access's error object, nothing sent to the server, no state
// changed.
#include <new>

#include "native/driver/NAError.h"
#include "native/statement/NATableCache.h"
#include "native/table/NADataAccess.h"

namespace {

// Debug site of the operations not built yet.
constexpr int SITE_NOT_BUILT = 900;

}  // namespace

// ---------------------------------------------------------------------------------- opening
// STUB (data-access task): opening, creation, existence, the current record, closing.
int CNADataAccess::bHCreation(const wchar_t*, int) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bSupprimeFichier() {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHCreationSiInexistant(eNA_ACCESS, const wchar_t*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHOuvre(eNA_ACCESS, const wchar_t*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHFerme() {
    _Close();
    return 1;
}
int CNADataAccess::bFichierExiste(int* pbExists, int* pbCompatible) {
    if (pbExists != nullptr) *pbExists = 0;
    if (pbCompatible != nullptr) *pbCompatible = 0;
    return _bNotAvailable(SITE_NOT_BUILT);
}
CNADataSourceDescription* CNADataAccess::pclGetDataSourceDescriptionFromDB(const wchar_t*, int) {
    return nullptr;
}
int CNADataAccess::bCheckCompatibilityWithDatabase() {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bInitCurrentRecord() {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bInitCurrentRecord_SetImportedItemDesc() {
    return _bNotAvailable(SITE_NOT_BUILT);
}
void CNADataAccess::_InitAliasFichierColonne() {}
void CNADataAccess::_SetImportedDataSourceDesc(CNADataSourceDescription*) {}
int CNADataAccess::_bUpdateChangedTypeInCurrentRecord() {
    return _bNotAvailable(SITE_NOT_BUILT);
}
void CNADataAccess::_SetCurrentRecord(CNARecord*) {}
void CNADataAccess::_FreeCurrentRecord() {}
void CNADataAccess::_Close() {
    m_bOpened = 0;
}
void CNADataAccess::_ResetDataAccess() {
    if (m_piDescription != nullptr) {
        m_piDescription->nExternalRelease();
        m_piDescription = nullptr;
    }
}
void CNADataAccess::_InitAliasName() {}
int CNADataAccess::_bHCreation(int, int) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
INADataSourceDescription* CNADataAccess::piGetDataSourceDescriptionForYF() {
    return piGetDataSourceDescription();
}
void CNADataAccess::_GetDBSourceName(INAItemDescription*, CTString* pclOut, int) {
    if (pclOut != nullptr) pclOut->Vide();
}
eNA_ERRORTYPE CNADataAccess::eGetNAErrorType() {
    return m_pclError != nullptr ? m_pclError->eGetErrorType() : NA_ERRORTYPE_NONE;
}

// ---------------------------------------------------------------------------------- locks and hooks
// STUB (data-access task): the operations not available and the hooks' defaults.
int CNADataAccess::bHRaye(long, eNA_LOCKTYPE) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHLibere() {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHBloqueFichier(eNA_LOCKTYPE, eNA_LOCKTYPE*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHDebloqueFichier() {
    return 1;
}
int CNADataAccess::bHBloqueNumEnr(long, eNA_LOCKTYPE, eNA_LOCKTYPE*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHDebloqueNumEnr(long) {
    return 1;
}
int CNADataAccess::bHVersion(int* pnVersion) {
    if (pnVersion != nullptr) *pnVersion = 0;
    return 1;
}
int CNADataAccess::bHReindexe(unsigned, IGaugeControl*) {
    return 1;
}
int64_t CNADataAccess::llGetRecNum() {
    return 0;
}
int CNADataAccess::bNbEnrNeedParse(int* pbNeeded, const wchar_t*) {
    if (pbNeeded != nullptr) *pbNeeded = 1;
    return 1;
}
int CNADataAccess::bGetRecNumState(long, unsigned*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bLockRecord(CNAStatement*, eNA_LOCKTYPE, long, eNA_LOCKTYPE*) {
    return 1;
}
int CNADataAccess::bUnlockRecord(CNAStatement*, eNA_LOCKTYPE, long, eNA_LOCKTYPE*) {
    return 1;
}
int CNADataAccess::bLockUnlockRecord(CNAStatement*, eNA_LOCKTYPE, long, eNA_LOCKTYPE*) {
    return 1;
}
eNA_RECORDIDTYPE CNADataAccess::eEvaluateRecordIdType() {
    return NA_RECORDID_RECORDVALUES;
}
void CNADataAccess::CancelRecordLock(INAConnectionDescription*, CNATransaction*) {}
int CNADataAccess::bSetFiltreAuto(int, const wchar_t*, const wchar_t*, INADataSourceDescription*) {
    return 1;
}
void CNADataAccess::SetFiltreAuto(int) {}
void CNADataAccess::_SetTransactionTermined() {}
void CNADataAccess::SetTransactionTermined() {
    _SetTransactionTermined();
}
int CNADataAccess::_bGetQueryRestartSequenceIdAuto(CTString*, CNAColumn*, long) {
    return 0;
}
int64_t CNADataAccess::_nGetSequenceCurrentVal(CNAColumn*) {
    return -1;
}
void CNADataAccess::_vUpdateRecordInCacheLock(NA_WRITEPARSEFLAGS) {}
int CNADataAccess::_bUpdateIdAutoAfterInsertFailure(CNAColumn*) {
    return 0;
}
int CNADataAccess::_bRepriseErreurParcours(CNAStatement*, const wchar_t*, eNA_PARSEDIRECTION, eNA_LOCKTYPE,
                                           eNA_LOCKTYPE*, NA_WRITEPARSEFLAGS) {
    return 0;
}
int CNADataAccess::_bCheckReccordId(CNAPosition*, CNAPosition*, int*) {
    return 0;
}
CNAPosition* CNADataAccess::pclAllocPosition() {
    return nullptr;
}

// ---------------------------------------------------------------------------------- reads
// STUB (data-access task): browse and read.
int CNADataAccess::bHLit(long, eNA_LOCKTYPE, eNA_LOCKTYPE*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHLitxxx(const wchar_t*, eNA_PARSEDIRECTION, int, eNA_LOCKTYPE, eNA_LOCKTYPE*, NA_WRITEPARSEFLAGS) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bSkipRecord(const wchar_t*, eNA_PARSEDIRECTION, long, int, eNA_LOCKTYPE, eNA_LOCKTYPE*,
                               NA_WRITEPARSEFLAGS) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bBuildSelect(CNACommand*, CNAStatement*, const wchar_t*, int, NA_WRITEPARSEFLAGS, long*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bMove(long, int) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bIsValidRecordNumber(long) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bFetch(CNAStatement*, const wchar_t*, eNA_PARSEDIRECTION, long, int, eNA_LOCKTYPE, eNA_LOCKTYPE*,
                           NA_WRITEPARSEFLAGS, int) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bMove(long, int, eNA_LOCKTYPE, eNA_LOCKTYPE*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bOpenStatement(CNAStatement*, const wchar_t*, int, NA_WRITEPARSEFLAGS, long*,
                                   CNAStatement::eNA_ST_PREPARE) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bEnableRecordLimit(const wchar_t*) {
    return 0;
}
int64_t CNADataAccess::_llGetBlockLimit() const {
    return -1;
}
int CNADataAccess::bHEndehors(const wchar_t*, int* pbOut) {
    if (pbOut != nullptr) *pbOut = 1;
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bEvalHTrouve(const wchar_t*, int* pbFound, int*) {
    if (pbFound != nullptr) *pbFound = 0;
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bUpdateParse(int, CNAStatement*, int, eNA_PARSEDIRECTION, long) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bUpdateCurrentParsePosition(int, CNAStatement*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bGoToOriginalRecord(int, CNAStatement*, int, eNA_PARSEDIRECTION, long) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bGoToOriginalRecord(int, CNAStatement*, int, eNA_PARSEDIRECTION, long) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bGoToStmtOriginalRecord(int, CNAStatement*, int, eNA_PARSEDIRECTION, long) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bGoToCurrentRecord(CNAStatement*, const wchar_t*, int, eNA_PARSEDIRECTION, long) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bGotoCurrentRecord_DuplicateProcess(unsigned, eNA_PARSEDIRECTION*, long*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bRelanceParcoursSurErreur(CNAStatement*, const wchar_t*, eNA_PARSEDIRECTION, eNA_LOCKTYPE,
                                              eNA_LOCKTYPE*, NA_WRITEPARSEFLAGS) {
    return _bNotAvailable(SITE_NOT_BUILT);
}

// ---------------------------------------------------------------------------------- positions and counts
// STUB (data-access task): positions, per-mille places, counts, indexes.
int CNADataAccess::bHSauvePosition(int*, const wchar_t*, unsigned) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHRetourPosition(int, wchar_t*, int, unsigned) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHLiberePosition(int) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHNbEnr(long* pnCount, unsigned, NA_WRITEPARSEFLAGS) {
    if (pnCount != nullptr) *pnCount = 0;
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bGetNbEnr(int64_t* pllCount, unsigned, NA_WRITEPARSEFLAGS, CNAStatement*, int) {
    if (pllCount != nullptr) *pllCount = 0;
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bCompareTablePosition(int, int, int* pbEqual) {
    if (pbEqual != nullptr) *pbEqual = 0;
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHPositionCourante(int* pnPosition, const wchar_t*, int) {
    if (pnPosition != nullptr) *pnPosition = -1;
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHPositionne(const wchar_t*, unsigned, int, NA_WRITEPARSEFLAGS) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bGetPosition(int*, const wchar_t*, unsigned) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bSetPosition(wchar_t*, int, int, unsigned) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bFreePosition(int) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
void CNADataAccess::_bDeleteAllSavedPosition() {
    m_tabPosition.RemoveAll();
}
CNAPosition* CNADataAccess::_pclFindPosition(int) {
    return nullptr;
}
int CNADataAccess::_bGetNbEnrOptimized(int64_t*, unsigned, NA_WRITEPARSEFLAGS, CNAStatement*, int, int* pbAnswered) {
    if (pbAnswered != nullptr) *pbAnswered = 0;
    return 0;
}
int CNADataAccess::_bCompareTablePosition(CNAPosition*, CNAPosition*, int*) {
    return 0;
}
int CNADataAccess::_bCheckRecordSaveID(CNAPosition*, CNAPosition*, int*) {
    return 0;
}
int CNADataAccess::_bCreateIndex(CNAStatement*, uint32_t) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bGetUniqueIndexName(CNAColumn*, CTString*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bGetGeneratedIndexName(CNAColumn*, CTString*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}

// ---------------------------------------------------------------------------------- seeks and filters
// STUB (seek-and-filter task).
int CNADataAccess::bHRecherche(const wchar_t*, const CAny*, int, int, eNA_LOCKTYPE, eNA_LOCKTYPE*, int,
                               NA_WRITEPARSEFLAGS) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHRecherche(const wchar_t*, const wchar_t*, const CAny*, int, int, eNA_LOCKTYPE, eNA_LOCKTYPE*, int,
                               NA_WRITEPARSEFLAGS) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHAnnuleRecherche(const wchar_t*) {
    return 1;
}
int CNADataAccess::bHFiltre(const wchar_t*, const CAny*, int, const CAny*, int, ISQLParserInformation*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHFiltre(ISQLParserInformation*, wchar_t*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bFindBestItem(ISQLParserInformation*, wchar_t*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHActiveFiltre(const wchar_t*) {
    return 1;
}
int CNADataAccess::bHDesactiveFiltre(const wchar_t*) {
    return 1;
}
void CNADataAccess::_DesactivateAllFilter() {}
void CNADataAccess::SetLatestFilter(CNAFilter*) {}
int CNADataAccess::_bKeepFilter(CNAStatement*, CNAStatement*) {
    return 1;
}
int CNADataAccess::bHChangeCle(const wchar_t*, NA_WRITEPARSEFLAGS) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHConstruitValCle(CAny*, const wchar_t*, unsigned, CAny**) {
    return _bNotAvailable(SITE_NOT_BUILT);
}

// ---------------------------------------------------------------------------------- writes and memos
// STUB (writes task).
int CNADataAccess::bSupprimeTout() {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHAjoute(NA_WRITEPARSEFLAGS, eNA_LOCKTYPE) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHEcrit(long nRecord, NA_WRITEPARSEFLAGS nFlags, eNA_LOCKTYPE eLock) {
    return bHModifie(nRecord, nFlags, eLock);
}
int CNADataAccess::bHSupprime(long, eNA_LOCKTYPE) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHModifie(long, NA_WRITEPARSEFLAGS, eNA_LOCKTYPE) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bOperation(CNAStatement*, eNAQUERYTYPE, NA_WRITEPARSEFLAGS, const CNARecordValue*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bSupprimeTout() {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bHModifie(long, NA_WRITEPARSEFLAGS, eNA_LOCKTYPE, const CNARecordValue*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bHAjoute(NA_WRITEPARSEFLAGS, eNA_LOCKTYPE) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bBuildAndExecuteQuery(CNAStatement*, eNAQUERYTYPE, NA_WRITEPARSEFLAGS) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bProcessError(CNACommand*, CNAStatement*, eNAQUERYTYPE, NA_WRITEPARSEFLAGS) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bProcessErrorDuplicateIdAutoSequence(CNAColumn*, CNACommand*, CNAStatement*, eNAQUERYTYPE,
                                                         NA_WRITEPARSEFLAGS) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bUpdateSequenceIdAutoAfterInsert() {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bRestartSequenceIdAuto(CNAColumn*, int64_t) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bSetNewAutoId() {
    return _bNotAvailable(SITE_NOT_BUILT);
}
void CNADataAccess::NotifyOperation(eNAQUERYTYPE, CNAStatement*, NA_WRITEPARSEFLAGS) {}
void CNADataAccess::_NotifyOperation(eNAQUERYTYPE, CNAStatement*, NA_WRITEPARSEFLAGS, const CNARecordValue*) {}
INAItemDescription* CNADataAccess::piGetDuplicateItem(int) {
    return nullptr;
}
int CNADataAccess::bIsDuplicateItem(int, CNAColumn*) {
    return 0;
}
int CNADataAccess::__bDuplicateItem(INAItemDescription*, CNAStatement*) {
    return 0;
}
INAItemDescription* CNADataAccess::piGetNullItemDesc(int) {
    return nullptr;
}
int CNADataAccess::bGetBLOB(unsigned, CAny*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bSetBLOB(unsigned, const CAny*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bExtraitMemo(unsigned, const wchar_t*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bHAttacheMemo(unsigned, const wchar_t*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bSetBLOB(INAItemDescription*, const CAny*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bHAttacheMemo(INAItemDescription*, const wchar_t*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bGetRequestedValue(CNAStatement*, CAny*, CNACommand*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bGetRequestedValue(CAny*, CNACommand*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}

// ---------------------------------------------------------------------------------- queries
// STUB (queries task).
int CNADataAccess::bExecuteQuery(int* pbHasResult, const wchar_t*, ISQLParserInformation*, unsigned,
                                 const INAQueryExecution*) {
    if (pbHasResult != nullptr) *pbHasResult = 0;
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bExecuteQueryInternal(CNAStatement** ppclStatement, const wchar_t*, const wchar_t*) {
    if (ppclStatement != nullptr) *ppclStatement = nullptr;
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bExecuteQuery(int* pbHasResult, const wchar_t*, unsigned, const wchar_t*, ISQLParserInformation*,
                                  const INAQueryExecution*) {
    if (pbHasResult != nullptr) *pbHasResult = 0;
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bExecuteQuery(CNAStatement** ppclStatement, CNACommand*, const wchar_t*, int, unsigned) {
    if (ppclStatement != nullptr) *ppclStatement = nullptr;
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bSetQuery(int, const wchar_t*, ISQLParserInformation*, unsigned) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bInitQuery(CNACommand**, CTString*, const wchar_t*, unsigned, const wchar_t*,
                               ISQLParserInformation*, const INAQueryExecution*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bInitQueryParse(int* pbHasResult, CNAStatement*, const wchar_t*, unsigned) {
    if (pbHasResult != nullptr) *pbHasResult = 0;
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bInitParcoursRequete(CNAStatement*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::bSameQuery(ISQLParserInformation*) {
    return 0;
}
eNAQUERYTYPE CNADataAccess::eSourceQueryType() {
    return NAQUERYTYPE_NONE;
}
int CNADataAccess::bQueryResultsetLimited() {
    return 0;
}
int CNADataAccess::bSourceIsQueryOnMultipleTables() {
    return 0;
}
int CNADataAccess::bSetNextOperation(int nOperation) {
    m_nNextOperation = nOperation;
    return 1;
}

// ---------------------------------------------------------------------------------- table cache
CNATableCache* CNADataAccess::_AllocTableCache() {
    return new (std::nothrow) CNATableCache(m_pclError, this);
}
int CNADataAccess::_bCreateNewTableCache() {
    CNATableCache* pcl = _AllocTableCache();
    if (pcl == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
        return 0;
    }
    pcl->AddRef();
    _FreeTableCache();
    m_pclTableCache = pcl;
    return 1;
}
// The statements browsing the cache let their indexes go first: an index holds the full cache.
void CNADataAccess::_FreeTableCache() {
    if (m_pclTableCache == nullptr) return;
    unsigned nCursor = 0;
    CNAStatement* pclStatement = nullptr;
    while (m_tabStatement.bParse(&nCursor, &pclStatement, nullptr))
        if (pclStatement != nullptr) pclStatement->DestroyCacheIndex();
    CNATableCache* pcl = m_pclTableCache;
    m_pclTableCache = nullptr;
    pcl->dwRelease();
}
int CNADataAccess::bFreeCache() {
    _FreeTableCache();
    return 1;
}
void CNADataAccess::ClosingStatement(CNAStatement* pclStatement) {
    if (m_pclTableCache != nullptr && m_pclTableCache->bIsStatementParse(pclStatement)) _FreeTableCache();
}
