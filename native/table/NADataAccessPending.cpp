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

// ---------------------------------------------------------------------------------- requested values
// STUB (queries task).
int CNADataAccess::_bGetRequestedValue(CNAStatement*, CAny*, CNACommand*) {
    return _bNotAvailable(SITE_NOT_BUILT);
}
int CNADataAccess::_bGetRequestedValue(CAny*, CNACommand*) {
    return _bNotAvailable(SITE_NOT_BUILT);
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
