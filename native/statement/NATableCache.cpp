// The table cache of a data access: its filling statement, the full cache built from it on first
// need, and the indexes the browsing statements get over it.
#include "native/statement/NATableCache.h"

#include <new>

#include "core/STRUtil.h"
#include "native/driver/NAError.h"
#include "native/statement/NARecordCache.h"
#include "native/statement/NAStatement.h"
#include "native/statement/NAStatementAccess.h"
#include "native/statement/NATableCacheIndex.h"
#include "native/table/NADataAccess.h"

CNATableCache::CNATableCache(CNAError* pclError, CNADataAccess* pclDataAccess)
    : m_pclError(pclError), m_pclDataAccess(pclDataAccess) {
    if (m_pclError != nullptr) m_pclError->AddRef();
}

CNATableCache::~CNATableCache() {
    if (m_pclFullCache != nullptr) m_pclFullCache->nRelease();
    if (m_pclStatementParse != nullptr) m_pclStatementParse->nRelease();
    if (m_pclError != nullptr) m_pclError->nRelease();
}

int CNATableCache::_bSetStatementParse(CNAStatement* pclStatement) {
    if (pclStatement != nullptr) pclStatement->AddRef();
    if (m_pclStatementParse != nullptr) m_pclStatementParse->nRelease();
    m_pclStatementParse = pclStatement;
    CNAFilter* pclFilter = pclStatement != nullptr ? pclStatement->pclGetFilter() : nullptr;
    m_clFilter.SetFilter(pclFilter);
    if (pclFilter != nullptr) pclFilter->nRelease();
    return 1;
}

int CNATableCache::bSetStatementParse(CNAStatement* pclStatement) {
    if (m_pclStatementParse == nullptr) _bSetStatementParse(pclStatement);
    if (pclStatement != nullptr) pclStatement->EnableCache(1);
    return 1;
}

int CNATableCache::bIsStatementParse(const CNAStatement* pclStatement) const {
    return m_pclStatementParse != nullptr && m_pclStatementParse == pclStatement ? 1 : 0;
}

int CNATableCache::bIsRecordCache(const CNARecordCache* pclCache) const {
    if (m_pclFullCache != nullptr) return m_pclFullCache == pclCache ? 1 : 0;
    if (m_pclStatementParse != nullptr)
        return pclCache != nullptr && m_pclStatementParse->pclGetRecordCacheNoRef() == pclCache ? 1 : 0;
    return 0;
}

int CNATableCache::bIsEmpty() const {
    return m_pclFullCache == nullptr || m_pclFullCache->nGetNbRecord() == 0 ? 1 : 0;
}

int CNATableCache::bInitDone() const {
    return m_pclFullCache == nullptr && m_pclStatementParse == nullptr ? 1 : 0;
}

int CNATableCache::bFilterEquals(CNAFilter* pclFilter) const {
    return m_clFilter.bFilterEquals(pclFilter);
}

int CNATableCache::bCacheCompleted() const {
    return m_pclStatementParse == nullptr || m_pclStatementParse->bCacheCompleted() ? 1 : 0;
}

CNARecordCache* CNATableCache::pclGetFullCache() {
    if (m_pclFullCache != nullptr) return m_pclFullCache;
    if (m_pclStatementParse == nullptr) return nullptr;

    // The fetch that completes the cache moves the access's current record: the place of the
    // statement the host is browsing with is kept around it.
    CNAStatementAccess* pclAccess = CNAStatementAccess::s_pclOf(m_pclDataAccess);
    const CNAStatement* pclCurrent =
        m_pclDataAccess != nullptr ? m_pclDataAccess->pclGetCurrentStatementNoRef() : nullptr;
    wchar_t szItem[CNADataAccess::ITEM_NAME_CAPACITY + 1];
    szItem[0] = 0;
    if (pclCurrent != nullptr && pclCurrent->pszGetItemName() != nullptr)
        STR_nCopy(szItem, CNADataAccess::ITEM_NAME_CAPACITY, pclCurrent->pszGetItemName(), -1);
    int nPosition = 0;
    const bool bSaved = m_pclDataAccess != nullptr && m_pclStatementParse != pclCurrent &&
                        pclAccess->bHSauvePosition(m_pclDataAccess, &nPosition, szItem, 0);

    // The statement's fetch reaches the data access, which may let the table cache go meanwhile.
    AddRef();
    CNARecordCache* pclCache = m_pclStatementParse->pclGetFullRecordCache();
    if (bSaved) {
        // Back to the host's place even when the fetch failed part way: the access is otherwise
        // left wherever the partial fetch stopped. A position that cannot be returned to is freed.
        if (!pclAccess->bHRetourPosition(m_pclDataAccess, nPosition, szItem, 0, 0))
            pclAccess->bHLiberePosition(m_pclDataAccess, nPosition);
    }
    if (pclCache != nullptr) {
        pclCache->AddRef();
        m_pclFullCache = pclCache;
        CNAStatement* pclStatement = m_pclStatementParse;
        m_pclStatementParse = nullptr;
        pclStatement->nRelease();
    }
    // The cache survives this table cache's last release through the reference the caller's
    // statement or data access holds on it, or not at all: nothing here is read after.
    dwRelease();
    return pclCache;
}

int64_t CNATableCache::llGetRecordNbr() {
    const CNARecordCache* pclCache = pclGetFullCache();
    return pclCache != nullptr ? pclCache->nGetNbRecord() : 0;
}

int64_t CNATableCache::llGetRecordNbrActive() {
    const CNARecordCache* pclCache = pclGetFullCache();
    return pclCache != nullptr ? static_cast<int64_t>(pclCache->nGetNbRecord()) - pclCache->nGetNbDeleted() : 0;
}

CNATableCacheIndex* CNATableCache::pclGetCacheIndex(CNAStatement* pclStatement, CNAColumn* pclColumn) {
    CNARecordCache* pclCache = pclGetFullCache();
    if (pclCache == nullptr) return nullptr;
    auto* pclIndex = new (std::nothrow) CNATableCacheIndex(m_pclError, pclStatement, pclCache, pclColumn);
    if (pclIndex == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory();
        return nullptr;
    }
    if (!pclIndex->bInit()) {
        delete pclIndex;
        return nullptr;
    }
    return pclIndex;
}
