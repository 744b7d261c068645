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

// ---------------------------------------------------------------------------------- transactions
// STUB (queries task): after the end of a transaction every started browse is to be rebuilt.
void CNADataAccess::_SetTransactionTermined() {}

// ---------------------------------------------------------------------------------- requested values
// STUB (queries task).
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
