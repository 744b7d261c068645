// CNAStatement: keeping the place of a browse while the host moves between the browses of a data
// access: the reference row and the rebuild cause, finding the reference row again in the record
// cache or the table cache's index, the saved records of rows other statements changed or deleted,
// saved positions taken and restored, the search and filter objects, and the reactions to the
// writes made through other statements.
#include <cwchar>

#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NAPosition.h"
#include "native/model/NARecord.h"
#include "native/sql/NAFilter.h"
#include "native/sql/NARecherche.h"
#include "native/sql/ParsedQueryServices.h"
#include "native/statement/NARecordCache.h"
#include "native/statement/NARecordID.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NAStatement.h"
#include "native/statement/NAStatementAccess.h"
#include "native/statement/NATableCache.h"
#include "native/statement/NATableCacheIndex.h"
#include "native/table/NADataAccess.h"
#include "pgsql/NAStatementSQL.h"
#include "variant/Any.h"

namespace {

// Debug sites of this unit (file 4).
constexpr int SITE_REFERENCE_LOST = 8;
constexpr int SITE_POSITION_LOST = 11;
constexpr unsigned USER_ERROR_POSITION_LOST = 11;

// Browse flags: the host query's own order; counts and inserted rows follow the cache.
constexpr NA_WRITEPARSEFLAGS WPF_QUERY_ORDER = 0x20000;
constexpr NA_WRITEPARSEFLAGS WPF_COUNT_BROWSE = 0x4000;
// Write flag: the row written becomes the browse's current row.
constexpr NA_WRITEPARSEFLAGS WPF_MOVE_TO_WRITTEN = 0x40;
// Restoring a position restores its filter too.
constexpr unsigned POSITION_WITH_FILTER = 1;

}  // namespace

// ---------------------------------------------------------------------------------- reference row

int CNAStatement::bCanUpdateParse() {
    if (_bRequeteSansCorrection()) return 0;
    // In the query's own order a rebuilt query can only find its place again by an ORDER BY.
    if (_bSourceIsQuery() && (m_nBrowseFlags & WPF_QUERY_ORDER) != 0)
        return NA_nGetOrderByItemNbr(_pclGetParsedQueryNoRef()) > 0 ? 1 : 0;
    return 1;
}

int CNAStatement::bEqualStmtOriginalRecordId(const CNARecordId* pclId) {
    if (pclId == nullptr) return 0;
    CNARecordValue* pclOriginal = pclGetStmtOriginalRecord();
    const CNARecordId* pclOwn = pclOriginal != nullptr ? pclOriginal->pclGetRecordIdNoRef() : nullptr;
    return pclOwn != nullptr && pclOwn->bEqualRecordId(pclId) ? 1 : 0;
}

int CNAStatement::bCopyOriginalRecordToCurrentRecord() {
    return _pclAccess()->bCopyOriginalRecordToCurrentRecord(m_pclDataAccess);
}

int CNAStatement::_bRestaureOriginalRecord() {
    if (m_nReferenceSlot == -1) return 1;
    if (m_pclOriginalRecord == nullptr && !_bAllocStmtOriginalRecord()) return 0;
    return _pclAccess()->bCopySaveToRecord(m_pclDataAccess, m_nReferenceSlot, m_pclOriginalRecord);
}

int CNAStatement::_bIsReferenceRow(const CNARecordValue* pclValue) {
    if (pclValue == nullptr) return 0;
    CNARecordValue* pclOriginal = pclGetStmtOriginalRecord();
    if (pclOriginal == nullptr) return 0;
    const CNARecordId* pclOwn = pclOriginal->pclGetRecordIdNoRef();
    const CNARecordId* pclOther = pclValue->pclGetRecordIdNoRef();
    if (pclOwn != nullptr && pclOther != nullptr) return pclOwn->bEqualRecordId(pclOther) ? 1 : 0;
    return pclOriginal->bEquals(pclValue, 0) ? 1 : 0;
}

// ---------------------------------------------------------------------------------- re-positioning

int CNAStatement::bUpdateParsePositionInCacheIndex(int* pbFound) {
    int bFound = 1;
    if (pbFound == nullptr) pbFound = &bFound;
    if (m_nReferenceSlot == -1) {
        *pbFound = 1;
        return 1;
    }
    if (m_pclTableCacheIndex == nullptr && !_bCreateTableCacheIndex()) return 0;
    if (!_pclAccess()->bRestoreOriginalRecordSave(m_pclDataAccess, m_nReferenceSlot)) return 0;
    if (!m_pclTableCacheIndex->bSetCurrentPos(-1, static_cast<int>(m_nDuplicateRank), pbFound)) return 0;
    m_llCurrentPosition = m_pclTableCacheIndex->nGetCurrentRecordId();
    m_bCurrentRowDeleted = 0;
    // Past every key the index stays past its last row: a next move from there is the end of the
    // file and a previous one the last row, which putting it on the last row would get wrong by one.
    if (*pbFound) {
        if (m_pclOriginalRecord == nullptr && !_bAllocStmtOriginalRecord()) return 0;
        CNARecordCache* pclCache = m_pclTableCacheIndex->pclGetCacheNoRef();
        if (pclCache == nullptr || !pclCache->bGetAt(m_pclOriginalRecord, static_cast<int>(m_llCurrentPosition)))
            return 0;
        bSetParseNeedUpdate(PARSENEEDUPDATE_NONE, -1);
    }
    return 1;
}

int CNAStatement::bUpdateParsePositionInRecordCache() {
    while (m_nReferenceSlot != -1) {
        if (!_pclAccess()->bRestoreOriginalRecordSave(m_pclDataAccess, m_nReferenceSlot) || m_pclRecord == nullptr)
            return 0;
        const int nRow = m_pclRecordCache != nullptr
                             ? m_pclRecordCache->nGetRecordIndice(m_pclRecord->pclGetOriginalRecordValueNoRef())
                             : -1;
        if (nRow >= 0) {
            m_llCurrentPosition = nRow;
            m_bCurrentRowDeleted = 0;
            break;
        }
        if (m_pclRecordCache == nullptr) return 0;
        // A cache that has every row and not this one: the row is gone.
        if (!m_pclRecordCache->bIsComplete()) {
            if (!_bCompleteCache()) return 0;
            // A completion that left the cache incomplete would only be repeated.
            if (m_pclRecordCache->bIsComplete()) continue;
        }
        CurrentRecordNotFound(m_clItemName.pszGet(), CNAError::FILE_STATEMENT, SITE_REFERENCE_LOST);
        return 0;
    }
    return bSetParseNeedUpdate(PARSENEEDUPDATE_NONE, -1);
}

// ---------------------------------------------------------------------------------- rows changed by others

int CNAStatement::bKeepModifiedRecordSave(int64_t llRow, int nSlot) {
    if (llRow == -1) llRow = (m_pclStatementSQL != nullptr ? m_pclStatementSQL->llGetCurrentRow() : -1) + 1;
    if (!_bAllocRecordSaveTab()) return 0;
    if (llRow < 0 || llRow >= static_cast<int64_t>(m_nRecordSaveRows)) return 0;
    int32_t* pnEntry = &m_pnRecordSaveTab[llRow];
    // The new slot is held before the old one goes: they may be the same.
    if (nSlot >= 0) _pclAccess()->AddRefRecordSave(m_pclDataAccess, nSlot);
    if (*pnEntry >= 0) _pclAccess()->nReleaseRecordSave(m_pclDataAccess, *pnEntry);
    // A row with new values is no longer one of the deleted ones.
    if (*pnEntry == RECORDSAVE_DELETED && m_nDeletedInBlock > 0) m_nDeletedInBlock--;
    *pnEntry = nSlot;
    return 1;
}

// ---------------------------------------------------------------------------------- saved positions

CNAPosition* CNAStatement::pclGetSavedPosition(int n) {
    CNAPosition* pcl = nullptr;
    m_tabSavedPositions.bGet(n, &pcl);
    return pcl;
}

int CNAStatement::bAddSavedPosition(int n, CNAPosition* pclPosition) {
    return m_tabSavedPositions.bSet(n, pclPosition);
}

int CNAStatement::bRemoveSavedPosition(int n) {
    return m_tabSavedPositions.bRemove(n);
}

void CNAStatement::_InvalidatePositionRowIds() {
    unsigned nCursor = 0;
    CNAPosition* pcl = nullptr;
    while (m_tabSavedPositions.bParse(&nCursor, &pcl, nullptr))
        if (pcl != nullptr) pcl->InvalidateRowID();
}

void CNAStatement::_MarkSavedPositionsDeleted(int nRow) {
    if (nRow < 0) return;
    if (nRow == m_llCurrentPosition) m_bCurrentRowDeleted = 1;
    unsigned nCursor = 0;
    CNAPosition* pcl = nullptr;
    while (m_tabSavedPositions.bParse(&nCursor, &pcl, nullptr))
        if (pcl != nullptr && pcl->nGetRowId() == nRow) pcl->SetRowDeleted();
}

void CNAStatement::_UpdateSavedPositionAfterDelete(const CNARecordId* pclId) {
    if (m_pclRecordCache == nullptr || pclId == nullptr) return;
    _MarkSavedPositionsDeleted(m_pclRecordCache->nGetRecordIndice(pclId));
}

int CNAStatement::bGetPosition(CNAPosition* pclPosition, unsigned) {
    if (pclPosition == nullptr) return 0;
    CNAStatementAccess* pclAccess = _pclAccess();
    pclPosition->SetStatement(this);
    // The filter of the browse when it is the one it started with, else the one the access last
    // browsed with.
    pclPosition->bKeepFilter(m_clFilterAtStart.bFilterEquals(m_pclFilter)
                                 ? m_pclFilter
                                 : pclAccess->pclGetLatestFilterNoRef(m_pclDataAccess));
    const auto nRank = static_cast<int>(m_nDuplicateRank);
    if (m_bStarted && m_eParseNeedUpdate == PARSENEEDUPDATE_NONE && m_llCurrentPosition >= 0 &&
        !m_bCurrentRowDeleted) {
        const int nSlot = pclAccess->nKeepOriginalRecordSave(m_pclDataAccess, this);
        if (nSlot < 0) return 0;
        // The position holds the slot with its own reference; the keeping one goes back.
        pclPosition->bSetParameters(static_cast<int>(m_llCurrentPosition), nSlot, &m_clUserSearch, nRank);
        pclAccess->nReleaseRecordSave(m_pclDataAccess, nSlot);
        return _bSetPositionParametersEx(pclPosition);
    }
    if (m_nReferenceSlot != -1)
        return pclPosition->bSetParameters(-1, m_nReferenceSlot, &m_clUserSearch, nRank);
    if (m_pclOriginalRecord != nullptr) {
        const int nSlot = pclAccess->nKeepOriginalRecordSave(m_pclDataAccess, this);
        if (nSlot < 0) return 0;
        pclPosition->bSetParameters(-1, nSlot, &m_clUserSearch, nRank);
        pclAccess->nReleaseRecordSave(m_pclDataAccess, nSlot);
        return 1;
    }
    const int nLastRead = pclAccess->nGetLastReadSave(m_pclDataAccess);
    if (nLastRead != -1) return pclPosition->bSetParameters(-1, nLastRead, &m_clUserSearch, nRank);
    // Nothing read yet: the access's record, which no row of this browse identifies.
    const int nSlot = pclAccess->nKeepOriginalRecordSave(m_pclDataAccess, nullptr);
    if (nSlot < 0) return 0;
    pclPosition->bSetParameters(-1, nSlot, &m_clUserSearch, nRank);
    pclAccess->nReleaseRecordSave(m_pclDataAccess, nSlot);
    pclPosition->InvalidateRowID();
    return 1;
}

int CNAStatement::bSetPositionInitParcours(CNAPosition* pclPosition, unsigned nKind) {
    return bSetPosition(pclPosition, nKind);
}

int CNAStatement::bSetPosition(CNAPosition* pclPosition, unsigned nKind) {
    if (pclPosition == nullptr) return 0;
    CNAStatementAccess* pclAccess = _pclAccess();
    const int nSlot = pclPosition->nGetRecordSaveID();
    if (nSlot != -1) {
        const int bToRow = pclPosition->bRowIdValid() && !pclAccess->bRecordDeleted(m_pclDataAccess, nSlot) &&
                           !pclPosition->bRowDeleted() && pclPosition->nGetRowId() != -1 &&
                           m_eParseNeedUpdate != PARSENEEDUPDATE_REBUILD;
        const int bResult =
            bToRow ? _bGoToRowId(pclPosition->nGetRowId(), pclPosition) : _bSetPositionBySearch(pclPosition);
        // A position that could not be restored leaves the browse's search and filter as they are.
        if (!bResult) return 0;
    }
    _RestaureUserSearch(pclPosition->pclGetUserSearch());
    if (nKind & POSITION_WITH_FILTER) {
        _SetFilter(pclPosition->pclGetFilterSave());
        pclAccess->SetLatestFilter(m_pclDataAccess, m_pclFilter);
    }
    return 1;
}

int CNAStatement::_bGoToRowId(int64_t llRow, CNAPosition* pclPosition) {
    const uint32_t nRank = pclPosition != nullptr ? pclPosition->nGetExtra() : 0;
    if (m_pclRecord == nullptr) return 0;
    if (bCacheEnabled()) {
        if (llRow < 0 || !m_pclRecordCache->bGetAt(m_pclRecord->pclGetOriginalRecordValueNoRef(), static_cast<int>(llRow))) {
            _AddError(NA_ERRORTYPE_GENERAL, SITE_POSITION_LOST, _pszGetLogicalName(), m_clItemName.pszGet(),
                      USER_ERROR_POSITION_LOST, _pszGetLogicalName());
            return 0;
        }
        if (!_pclAccess()->bCopyOriginalRecordToCurrentRecord(m_pclDataAccess)) return 0;
        m_nDuplicateRank = nRank;
        int bResult = 1;
        if (m_pclTableCacheIndex == nullptr) {
            bSetParseNeedUpdate(PARSENEEDUPDATE_NONE, -1);
            bResult = bSetStmtOriginalRecord(NA_PARSE_CURRENT);
        } else if (pclPosition != nullptr) {
            // The index finds its place again from the position's saved record at the next move.
            bSetParseNeedUpdate(PARSENEEDUPDATE_REPOSITION, pclPosition->nGetRecordSaveID());
        }
        m_bRestoredFromCache = 1;
        m_bRowReady = 0;
        m_bCurrentRowDeleted = 0;
        m_llCurrentPosition = llRow;
        return bResult;
    }
    bSetParseNeedUpdate(PARSENEEDUPDATE_NONE, -1);
    m_nDuplicateRank = nRank;
    // The row is one of the SQL result's: a row outside it cannot be gone to, and the current row
    // is read again in place.
    const int64_t llSQLRow = llRow - m_nBlockBase;
    const int64_t llRows = m_pclStatementSQL != nullptr ? m_pclStatementSQL->llGetNbRow() : 0;
    if (llSQLRow < 0 || llSQLRow >= llRows) {
        _AddError(NA_ERRORTYPE_GENERAL, SITE_POSITION_LOST, _pszGetLogicalName(), m_clItemName.pszGet(),
                  USER_ERROR_POSITION_LOST, _pszGetLogicalName());
        return 0;
    }
    int bOut = 1;
    int bResult;
    if (llSQLRow == m_pclStatementSQL->llGetCurrentRow()) {
        bOut = 0;
        m_llCurrentPosition = llRow;
        m_bCurrentRowDeleted = 0;
        bResult = _bUpdateNARecord(NA_PARSE_CURRENT);
    } else {
        if (!m_pclStatementSQL->bDataSeek(static_cast<long>(llSQLRow))) {
            if (m_pclError != nullptr) m_pclError->Copy(m_pclStatementSQL->pclGetError());
            return 0;
        }
        bResult = _bFetch(NA_PARSE_NEXT, 1, &bOut, 1, nullptr);
    }
    m_bOutOfFile = bOut ? 1u : 0u;
    if (bResult && !bOut) {
        bResult = m_pclRecord->bCopyCurrentRecordToOriginalRecord();
        m_nDuplicateRank = nRank;
        if (bResult) bResult = bSetStmtOriginalRecord(NA_PARSE_CURRENT);
    }
    m_nDuplicateRank = nRank;
    return bResult && !bOut;
}

int CNAStatement::_bSetPositionBySearch(CNAPosition* pclPosition) {
    const ePARSENEEDUPDATECAUSE eBefore = m_eParseNeedUpdate;
    CNAStatementAccess* pclAccess = _pclAccess();
    bSetParseNeedUpdate(PARSENEEDUPDATE_REPOSITION, pclPosition->nGetRecordSaveID());
    // The host's record shows the saved row until the browse finds it again.
    int bResult = pclAccess->bRestoreOriginalRecordSave(m_pclDataAccess, m_nReferenceSlot) &&
                  pclAccess->bCopyOriginalRecordToCurrentRecord(m_pclDataAccess);
    m_bRestoredFromCache = 1;
    m_bRowReady = 0;
    m_nDuplicateRank = pclPosition->nGetExtra();
    if (bResult && eBefore != PARSENEEDUPDATE_REBUILD && !pclPosition->bRowDeleted() && bCacheEnabled() &&
        m_pclTableCacheIndex == nullptr && pclPosition->pclGetFilterSave()->bFilterEquals(m_pclFilter) &&
        m_pclRecord != nullptr) {
        const int nRow = m_pclRecordCache->nGetRecordIndice(m_pclRecord->pclGetCurrentRecordValueNoRef());
        if (nRow >= 0) return _bGoToRowId(nRow, pclPosition);
    }
    return bResult;
}

// ---------------------------------------------------------------------------------- searches

int CNAStatement::_bSetRecherche(const wchar_t* pszItem, const CAny* pclValue, eNA_PARSEDIRECTION eDirection,
                                 int bGeneric) {
    INAItemDescription* piItem = _pclGetItem(pszItem);
    if (piItem == nullptr) return 0;
    const int bResult = _bSetRecherche(piItem, pclValue, eDirection, bGeneric);
    piItem->nExternalRelease();
    return bResult;
}

int CNAStatement::_bSetRecherche(INAItemDescription* piItem, const CAny* pclValue, eNA_PARSEDIRECTION eDirection,
                                 int bGeneric) {
    CNARecherche* pclSearch = pclGetRecherche();
    int bResult = 0;
    if (pclSearch != nullptr) {
        bResult = pclSearch->bSetRecherche(m_pclRecord, piItem, pclValue, eDirection, bGeneric ? 0 : 1, 0) & 1;
        pclSearch->nRelease();
    } else if (m_pclError != nullptr) {
        m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
    }
    return bResult;
}

int CNAStatement::bSetUserSearch(const wchar_t* pszItem, const CAny* pclValue, eNA_PARSEDIRECTION eDirection,
                                 int bGeneric) {
    INAItemDescription* piItem = _pclGetItem(pszItem);
    if (piItem == nullptr) return 0;
    m_clUserSearch.SetUserSearch(piItem, pclValue, bGeneric ? uint32_t{CNAUserSearch::OPTION_GENERIC} : 0u);
    m_bInternalSearch = 0;
    // The item found once serves the search as well.
    const int bResult = _bSetRecherche(piItem, pclValue, eDirection, bGeneric);
    piItem->nExternalRelease();
    if (bResult) bSetParseNeedUpdate(PARSENEEDUPDATE_NONE, -1);
    return bResult;
}

void CNAStatement::AnnuleRecherche() {
    if (m_pclRecherche != nullptr) m_pclRecherche->Cancel();
}

void CNAStatement::AnnuleRechercheUser() {
    m_clUserSearch.CancelUserSearch();
    if (!m_bInternalSearch) AnnuleRecherche();
}

void CNAStatement::DesactivateRechercheUserAndInternal() {
    m_clUserSearch.CancelUserSearch();
    DesactivateRecherche();
    m_bInternalSearch = 0;
}

void CNAStatement::_RestaureUserSearch(const CNAUserSearch* pclUserSearch) {
    m_clUserSearch.Copy(pclUserSearch);
    m_bInternalSearch = 1;
    m_bOutOfFile = 0;
    m_bFound = m_clUserSearch.bGetHTrouve(m_pclRecord) ? 1u : 0u;
}

int CNAStatement::bSetContinueParcours(unsigned nDirection) {
    CNARecherche* pclSearch = pclGetRecherche();
    if (pclSearch == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
        return 0;
    }
    const int bResult = pclSearch->bSetContinueParcours(nDirection);
    pclSearch->nRelease();
    return bResult;
}

// ---------------------------------------------------------------------------------- filters

int CNAStatement::bSetFilter(const wchar_t* pszItem, const CAny* pclMin, int bMinIncluded, const CAny* pclMax,
                             int bMaxIncluded, ISQLParserInformation* piCondition) {
    INAItemDescription* piItem = _pclGetItem(pszItem);
    if (piItem == nullptr) return 0;
    // A filter another holder keeps (a saved position, the access's latest) stays as it is.
    if (m_pclFilter != nullptr && m_pclFilter->nGetRef() >= 2) _SetFilter(static_cast<CNAFilter*>(nullptr));
    if (m_pclFilter == nullptr) {
        CNAFilter* pcl = pclAllocFilter(m_pclError);
        if (pcl == nullptr) {
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
            piItem->nExternalRelease();
            return 0;
        }
        _SetFilter(pcl);
    }
    const int bResult = m_pclFilter->bSetFilter(m_pclRecord, piItem, pclMin, bMinIncluded, pclMax, bMaxIncluded,
                                                piCondition, 0);
    piItem->nExternalRelease();
    return bResult;
}

CNAFilter* CNAStatement::_pclGetFilter() {
    if (m_pclFilter == nullptr) {
        CNAFilter* pcl = pclAllocFilter(m_pclError);
        if (pcl == nullptr) {
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
            return nullptr;
        }
        _SetFilter(pcl);
    }
    return m_pclFilter;
}

CNAFilter* CNAStatement::pclActivateFilter() {
    CNAFilter* pcl = _pclGetFilter();
    if (pcl != nullptr && !pcl->bIsFilterActive()) pcl->ActivateFilter(1);
    return pcl;
}

void CNAStatement::DesactivateFilter() {
    if (m_pclFilter != nullptr && m_pclFilter->bIsFilterActive()) m_pclFilter->ActivateFilter(0);
}

void CNAStatement::_SetFilter(const CNAFilterSave* pclSave) {
    if (pclSave == nullptr) return;
    _SetFilter(pclSave->pclGetFilterNoRef());
    if (m_pclFilter != nullptr) m_pclFilter->ActivateFilter(pclSave->bIsActive() ? 1 : 0);
}

// ---------------------------------------------------------------------------------- notifications

CNARecordValue* CNAStatement::_pclNotifiedValue(CNAStatement* pclSource) const {
    CNARecord* pclRecord = pclSource != nullptr ? pclSource->pclGetRecordNoRef()
                                                : _pclAccess()->pclGetCurrentRecordNoRef(m_pclDataAccess);
    return pclRecord != nullptr ? pclRecord->pclGetCurrentRecordValueNoRef() : nullptr;
}

void CNAStatement::OnNotifyOperation(eNAQUERYTYPE eType, int64_t llRow, CNAStatement* pclSource,
                                     NA_WRITEPARSEFLAGS nFlags, const CNARecordValue* pclOldValue) {
    // A seek after a write builds its SELECT afresh.
    ForgetSeekSelects();
    if (pclSource != this) {
        if (m_pclTableCacheIndex != nullptr) {
            m_pclTableCacheIndex->OnNotifyOperation(eType, llRow, nFlags);
        } else {
            // The data access's table cache follows the writes itself.
            CNATableCache* pclTableCache = m_pclDataAccess != nullptr ? m_pclDataAccess->pclGetTableCacheNoRef() : nullptr;
            const bool bTableCacheRows = pclTableCache != nullptr && m_pclRecordCache != nullptr &&
                                         pclTableCache->bIsRecordCache(m_pclRecordCache) &&
                                         m_pclRecordCache->bIsComplete();
            if (!bTableCacheRows) {
                if (eType == NAQUERYTYPE_INSERT)
                    OnNotifyInsertOperation(pclSource, nFlags);
                else if (eType == NAQUERYTYPE_DELETE)
                    OnNotifyDeleteOperation(pclSource, nFlags);
                else if (eType == NAQUERYTYPE_UPDATE)
                    OnNotifyUpdateOperation(pclSource, nFlags);
            }
        }
    }
    if (!m_bStarted) return;
    if (eType != NAQUERYTYPE_INSERT && m_llCurrentPosition == -1) return;
    bool bMove = true;
    if (eType == NAQUERYTYPE_UPDATE) {
        if (pclOldValue != nullptr && m_pclOriginalRecord != nullptr && pclOldValue->bEquals(m_pclOriginalRecord, 1) &&
            m_pclRecord != nullptr) {
            // The row this browse stands on: it keeps its place when its value of the browse item
            // did not change, and its new values are read from a saved record from now on.
            CNAColumn* pclColumn = m_clItemName.nTaille() != 0 ? m_pclRecord->pclGetColumnNoRef(m_clItemName.pszGet())
                                                               : nullptr;
            CAny clOld;
            if (pclColumn != nullptr && !pclColumn->bIsComposedKey() && pclColumn->bGetOriginalValue(&clOld, 0) &&
                pclColumn->bSameValue(&clOld, 0)) {
                bMove = false;
                const int nSlot = _pclAccess()->nKeepCurrentRecordSave(m_pclDataAccess);
                if (nSlot >= 0) {
                    const int64_t llSQLRow = m_pclStatementSQL != nullptr ? m_pclStatementSQL->llGetCurrentRow() : -1;
                    if (llSQLRow >= 0) bKeepModifiedRecordSave(llSQLRow, nSlot);
                    _pclAccess()->nReleaseRecordSave(m_pclDataAccess, nSlot);
                }
            }
        }
    } else if (eType == NAQUERYTYPE_DELETE) {
        if (m_eParseNeedUpdate != PARSENEEDUPDATE_REBUILD) {
            const CNARecordValue* pclDeleted = _pclNotifiedValue(pclSource);
            if (pclDeleted == nullptr)
                bMove = true;
            else if (m_pclRecordCache != nullptr)
                bMove = m_pclRecordCache->nGetRecordIndice(pclDeleted) < 0;
            else
                bMove = !_bIsReferenceRow(pclDeleted);
        }
    }
    if (nFlags & WPF_MOVE_TO_WRITTEN) bSetStmtOriginalRecord(NA_PARSE_CURRENT);
    if (!bMove) return;
    if (m_pclTableCacheIndex == nullptr && !bCacheEnabled())
        bSetParseNeedUpdate(PARSENEEDUPDATE_REBUILD);
    else
        bSetParseNeedUpdate(PARSENEEDUPDATE_REPOSITION);
}

void CNAStatement::OnNotifyInsertOperation(CNAStatement* pclSource, NA_WRITEPARSEFLAGS nFlags) {
    const bool bCountBrowse = (m_nBrowseFlags & WPF_COUNT_BROWSE) != 0;
    const bool bMoveToWritten = (nFlags & WPF_MOVE_TO_WRITTEN) != 0;
    if ((!bCountBrowse && !bMoveToWritten) || m_pclRecordCache == nullptr) return;
    const CNARecordValue* pclValue = _pclNotifiedValue(pclSource);
    if (pclValue == nullptr) return;
    // In a reversed browse the rows that come last in SQL order are read first.
    const int bAtFront = m_pclTableCacheIndex == nullptr && bInvertFetch() ? 1 : 0;
    const int nRow = m_pclRecordCache->nOnNotifyOperation(NAQUERYTYPE_INSERT, pclValue, nullptr, nFlags, bAtFront);
    if (nRow < 0) return;
    if (m_pclRecordCache->bIsComplete() || (bCountBrowse && bMoveToWritten)) {
        m_llCurrentPosition = bAtFront ? 0 : m_pclRecordCache->nGetNbRecord() - 1;
        m_bCurrentRowDeleted = 0;
    }
}

void CNAStatement::OnNotifyUpdateOperation(CNAStatement*, NA_WRITEPARSEFLAGS nFlags) {
    if (bCacheEnabled()) _pclAccess()->nUpdateRecordInCache(m_pclDataAccess, nFlags, m_pclRecordCache);
}

int CNAStatement::OnNotifyDeleteOperation(CNAStatement* pclSource, NA_WRITEPARSEFLAGS nFlags) {
    const CNARecordValue* pclDeleted = _pclNotifiedValue(pclSource);
    if (pclDeleted == nullptr) return 1;
    if (m_pclRecordCache != nullptr) {
        _MarkSavedPositionsDeleted(m_pclRecordCache->nGetRecordIndice(pclDeleted));
        m_pclRecordCache->nOnNotifyOperation(NAQUERYTYPE_DELETE, nullptr, pclDeleted, nFlags, 0);
    }
    if (!_bIsReferenceRow(pclDeleted)) return 1;
    if (m_eParseNeedUpdate == PARSENEEDUPDATE_REPOSITION) return bSetParseNeedUpdate(PARSENEEDUPDATE_REBUILD);
    if (m_eParseNeedUpdate != PARSENEEDUPDATE_NONE) return 1;
    const int64_t llSQLRow = m_llCurrentPosition - m_nBlockBase;
    const int64_t llRows = m_pclStatementSQL != nullptr ? m_pclStatementSQL->llGetNbRow() : 0;
    if (m_llCurrentPosition < 0 || llSQLRow < 0 || llSQLRow >= llRows) return 1;
    if (!_bAllocRecordSaveTab()) {
        m_bCurrentRowDeleted = 1;
        return 0;
    }
    int32_t* pnEntry = &m_pnRecordSaveTab[llSQLRow];
    if (*pnEntry >= 0) _pclAccess()->nReleaseRecordSave(m_pclDataAccess, *pnEntry);
    if (*pnEntry != RECORDSAVE_DELETED) m_nDeletedInBlock++;
    *pnEntry = RECORDSAVE_DELETED;
    m_bCurrentRowDeleted = 1;
    return 1;
}
