// The statement's side of the table cache (members of CNAStatement): opening a browse on the data
// access's full table cache, taking an index over it on the browse item, and letting it go.
#include <cwchar>

#include "native/model/NARecord.h"
#include "native/statement/NARecordCache.h"
#include "native/statement/NAStatement.h"
#include "native/statement/NAStatementAccess.h"
#include "native/statement/NATableCache.h"
#include "native/statement/NATableCacheIndex.h"
#include "native/table/NADataAccess.h"
#include "pgsql/NAStatementSQL.h"

namespace {

CNATableCache* _pclTableCacheOf(CNADataAccess* pclAccess) {
    return pclAccess != nullptr ? pclAccess->pclGetTableCacheNoRef() : nullptr;
}

}  // namespace

int CNAStatement::bSetParseNeedUpdate(ePARSENEEDUPDATECAUSE eCause) {
    if (eCause == PARSENEEDUPDATE_NONE) return bSetParseNeedUpdate(PARSENEEDUPDATE_NONE, -1);
    if (m_pclDataAccess == nullptr) return 0;
    const int nSlot = m_pclDataAccess->nKeepOriginalRecordSave(this);
    if (nSlot == -1) return 0;
    const int bResult = bSetParseNeedUpdate(eCause, nSlot);
    // The statement holds the slot with a reference of its own; the keeping one goes back.
    m_pclDataAccess->nReleaseRecordSave(nSlot);
    return bResult;
}

int CNAStatement::bOpenUsingTableCache() {
    if (m_pclTableCacheIndex != nullptr) return bSetParseNeedUpdate(PARSENEEDUPDATE_NONE, -1);
    CNATableCache* pclTableCache = _pclTableCacheOf(m_pclDataAccess);
    if (pclTableCache == nullptr || pclTableCache->pclGetFullCache() == nullptr) return 0;
    Close();
    const int bResult = _bCreateTableCacheIndex();
    SetParseStarted();
    return bResult;
}

int CNAStatement::_bCreateTableCacheIndex() {
    CNATableCache* pclTableCache = _pclTableCacheOf(m_pclDataAccess);
    if (pclTableCache == nullptr) return 0;
    // The full cache may still have to be read, which moves the data access; the browse's pending
    // re-positioning is not part of that.
    const ePARSENEEDUPDATECAUSE eCause = m_eParseNeedUpdate;
    const int32_t nSlot = m_nReferenceSlot;
    m_eParseNeedUpdate = PARSENEEDUPDATE_NONE;
    m_nReferenceSlot = -1;
    const wchar_t* pszKey = m_clKey.pszGet() != nullptr ? m_clKey.pszGet() : L"";
    const wchar_t* pszItem = m_clItemName.pszGet() != nullptr ? m_clItemName.pszGet() : L"";
    if (wcscmp(pszKey, pszItem) != 0) m_clItemName.Set(pszKey);
    CNAColumn* pclColumn = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnNoRef(pszGetItemName()) : nullptr;
    CNATableCacheIndex* pclIndex = pclColumn != nullptr ? pclTableCache->pclGetCacheIndex(this, pclColumn) : nullptr;
    if (pclIndex != nullptr) {
        pclIndex->AddRef();
        if (m_pclTableCacheIndex != nullptr) m_pclTableCacheIndex->dwRelease();
        m_pclTableCacheIndex = pclIndex;
        _SetRecordCache(pclIndex->pclGetCacheNoRef());
    }
    m_eParseNeedUpdate = eCause;
    m_nReferenceSlot = nSlot;
    if (pclIndex == nullptr) return 0;
    // A browse of the table cache never reaches the server.
    _FreeRecordSaveTab();
    if (m_pclStatementSQL != nullptr) {
        CNAStatementSQL* pcl = m_pclStatementSQL;
        m_pclStatementSQL = nullptr;
        pcl->nRelease();
    }
    return 1;
}

int CNAStatement::DestroyCacheIndex() {
    if (m_pclTableCacheIndex == nullptr) return 1;
    int bResult = 1;
    if (m_bStarted) {
        if (m_llCurrentPosition == -1) {
            m_bRowLost = 1;
            m_bOutOfFile = 1;
            m_bFound = 0;
        } else {
            bResult = bSetParseNeedUpdate(PARSENEEDUPDATE_REPOSITION);
        }
    }
    CNATableCacheIndex* pclIndex = m_pclTableCacheIndex;
    m_pclTableCacheIndex = nullptr;
    pclIndex->dwRelease();
    _SetRecordCache(nullptr);
    _InvalidatePositionRowIds();
    return bResult;
}
