// CNAStatement: moving through the rows of the executed query in the four directions, filling the
// current record from the server row, the record cache or a saved record; the next block when a
// LIMIT cut the result; the original record and the rank among equal rows; the completion of the
// record cache; the per-mille place and the counts the statement knows without asking the server;
// and the reference row and per-row table of saved records that a fetch consults.
#include <new>

#include "core/STRUtil.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NARecord.h"
#include "native/sql/NARecherche.h"
#include "native/statement/NAStatement.h"
#include "native/statement/NAStatementAccess.h"
#include "native/statement/NARecordCache.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NATableCache.h"
#include "native/statement/NATableCacheIndex.h"
#include "native/table/NADataAccess.h"
#include "pgsql/NAStatementSQL.h"
#include "variant/Any.h"

namespace {

// Flags of the counts and skips the per-mille operations ask of the data access.
constexpr unsigned COUNT_OPTIONS = 16;
constexpr NA_WRITEPARSEFLAGS WPF_COUNT_BROWSE = 0x4000;
constexpr NA_WRITEPARSEFLAGS WPF_THROUGH_CACHE = 0x2000;
// The host's buffer for an item name handed back with a position.
constexpr unsigned long ITEM_BUFFER = 256;

eNA_PARSEDIRECTION _eReversed(eNA_PARSEDIRECTION e) {
    switch (e) {
        case NA_PARSE_FIRST:
            return NA_PARSE_LAST;
        case NA_PARSE_LAST:
            return NA_PARSE_FIRST;
        case NA_PARSE_NEXT:
            return NA_PARSE_PREVIOUS;
        case NA_PARSE_PREVIOUS:
            return NA_PARSE_NEXT;
        default:
            return e;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------- fetch

int CNAStatement::bFetch(eNA_PARSEDIRECTION eDirection, int bReadRecord, long nCount, long* pnFetched) {
    int bOut = 1;
    m_bFoundThisFetch = 0;
    // A command written in the order opposite to the browse reads it from the other end.
    if (m_pclTableCacheIndex == nullptr && bInvertFetch()) {
        eDirection = _eReversed(eDirection);
        if (eDirection == NA_PARSE_FIRST || eDirection == NA_PARSE_LAST) m_nDuplicateRank = 0;
    }
    // The access the statement was made for, remembered at its construction.
    CNAStatementAccess* pclAccess = _pclAccess();
    // The key's length (a count of its characters) is asked only of a browse that starts or must be
    // brought up to date, not at every row of one under way.
    if ((m_eParseNeedUpdate != PARSENEEDUPDATE_NONE || !m_bStarted) && m_clKey.nTaille() != 0) {
        CNATableCache* pclTableCache = m_pclDataAccess != nullptr ? m_pclDataAccess->pclGetTableCacheNoRef() : nullptr;
        if (eDirection == NA_PARSE_FIRST || eDirection == NA_PARSE_LAST) {
            bSetParseNeedUpdate(PARSENEEDUPDATE_NONE, -1);
            // A browse that has not started opens on the table cache another statement fills.
            if (!m_bStarted && pclTableCache != nullptr && !pclTableCache->bIsStatementParse(this) &&
                !bOpenUsingTableCache())
                return 0;
        }
        if ((eDirection == NA_PARSE_NEXT || eDirection == NA_PARSE_PREVIOUS) && pclTableCache != nullptr) {
            // Next and previous go on from the reference row, found again in the table cache.
            int bFound = 1;
            int bOk;
            if (!pclTableCache->bIsStatementParse(this)) {
                bOk = bUpdateParsePositionInCacheIndex(&bFound);
                // The index stands on the first row after the reference value (past the last row
                // when none follows): a next move is already one row further, a previous one
                // counts from there as from the reference row.
                if (bOk && !bFound && eDirection == NA_PARSE_NEXT) nCount--;
            } else {
                bOk = bUpdateParsePositionInRecordCache();
            }
            if (!bOk) {
                m_bOutOfFile = 1;
                m_bFound = 0;
                return 0;
            }
        }
    }
    m_eLastDirection = eDirection;
    m_bRestoredFromCache = 0;
    m_bRowReady = 0;
    m_bOutOfFile = 1;
    m_bFound = m_bFoundThisFetch;

    int bResult = bCacheEnabled() ? _bFetchCacheEnabled(eDirection, bReadRecord, nCount, pnFetched, &bOut)
                                  : _bFetchCacheDisabled(eDirection, bReadRecord, nCount, pnFetched, &bOut);
    if (bResult && !bOut) {
        m_bFoundThisFetch = m_pclRecherche != nullptr && bExistRechercheObject() ? m_pclRecherche->bHTrouve() : 1;
        bResult = bSetStmtOriginalRecord(eDirection);
        if (bResult && bReadRecord) bResult = pclAccess->bSetCurrentRecordRead(m_pclDataAccess, 0);
    } else {
        m_bFoundThisFetch = 0;
    }
    if (!bResult) {
        bOut = 1;
        m_bFoundThisFetch = 0;
    }
    m_bOutOfFile = bOut ? 1u : 0u;
    if (bResult && (m_bInternalSearch || m_pclTableCacheIndex != nullptr))
        m_bFound = m_clUserSearch.bGetHTrouve(m_pclRecord) ? 1u : 0u;
    else
        m_bFound = m_bFoundThisFetch;
    SetParseStarted();
    return bResult;
}

// Whether a fetch that met the end of the SQL result goes on with the next block of the browse.
// A complete record cache already holds every row; reading back past the first row of a block that
// does not start the browse needs the rows before it.
static int _bNextBlockNeeded(int32_t nBlockLimit, int bCacheComplete, eNA_PARSEDIRECTION eDirection,
                             uint32_t bBlockAtStart) {
    return (nBlockLimit != CNAStatement::NO_LIMIT && !bCacheComplete) ||
           (eDirection == NA_PARSE_PREVIOUS && !bBlockAtStart);
}

int CNAStatement::_bFetchCacheDisabled(eNA_PARSEDIRECTION eDirection, int bReadRecord, long nCount, long* pnFetched,
                                       int* pbOut) {
    int bResult = _bFetch(eDirection, bReadRecord, pbOut, nCount, pnFetched);
    if (bResult && *pbOut && _bNextBlockNeeded(m_nBlockLimit, bCacheCompleted(), eDirection, m_bBlockAtStart) &&
        !_bFetchNextBloc(eDirection, bReadRecord, pbOut, nCount, pnFetched)) {
        // The rows past this block were not read: an end reported here would hide them.
        bResult = 0;
        *pbOut = 1;
    }
    m_bRowReady = bResult && !*pbOut ? 1u : 0u;
    return bResult;
}

int CNAStatement::_bFetchCacheEnabled(eNA_PARSEDIRECTION eDirection, int, long nCount, long* pnFetched, int* pbOut) {
    int bLast = 0;
    if (m_bContinuing) {
        if (eDirection == NA_PARSE_FIRST) eDirection = NA_PARSE_NEXT;
        if (eDirection == NA_PARSE_LAST) eDirection = NA_PARSE_PREVIOUS;
        m_nBlockBase = static_cast<uint32_t>(m_pclRecordCache->nGetNbRecord());
    } else {
        bLast = eDirection == NA_PARSE_LAST;
    }
    // Last on a cache that does not hold every row yet reads the rest of the result.
    const bool bReadAll = bLast && !m_pclRecordCache->bIsComplete();
    long nToFetch = 0;
    if (!bReadAll) {
        long nTarget;
        if (m_pclTableCacheIndex != nullptr) {
            // The index gives the row in its item's order; -1 is past either end.
            int nRow = -1;
            unsigned nDuplicate = 0;
            if (!m_pclTableCacheIndex->bGetRecordPosition(eDirection, static_cast<int>(nCount), &nRow, &nDuplicate))
                return 0;
            nTarget = nRow;
        } else {
            nTarget = m_pclRecordCache->nGetPosition(static_cast<long>(m_llCurrentPosition), eDirection, nCount);
        }
        if (!m_pclRecordCache->bMustFetch(nTarget)) {
            *pbOut = m_pclRecordCache->bEndehors(nTarget);
            if (*pbOut) return 1;
            m_llCurrentPosition = nTarget;
            m_bCurrentRowDeleted = 0;
            _RestaureRecordFromCache(nTarget);
            return 1;
        }
        nToFetch = nTarget + 1 - m_pclRecordCache->nGetNbRecord();
    }
    for (long nFetched = 0; bReadAll || nFetched < nToFetch; nFetched++) {
        if (!_bFetchAndCache(NA_PARSE_NEXT, 1, pbOut, 1, pnFetched)) {
            m_bRowReady = 0;
            return 0;
        }
        if (*pbOut) break;
    }
    if (*pbOut) m_pclRecordCache->SetFetchComplete();
    if (bReadAll) {
        // The last row that is still there: rows other statements deleted meanwhile stay in the
        // cache, marked.
        int nRows = m_pclRecordCache->nGetNbRecord();
        while (nRows > 0 &&
               (m_pclRecordCache->_bRecordDeleted(nRows - 1) || !m_pclRecordCache->bRecordInCache(nRows - 1)))
            nRows--;
        if (nRows > 0) {
            _RestaureRecordFromCache(nRows - 1);
            *pbOut = 0;
            m_bRowReady = 1;
        } else {
            *pbOut = 1;
            m_bRowReady = 0;
        }
    } else {
        m_bRowReady = *pbOut ? 0u : 1u;
    }
    return 1;
}

int CNAStatement::_bFetchAndCache(eNA_PARSEDIRECTION eDirection, int bInsert, int* pbOut, long nCount,
                                  long* pnFetched) {
    const int bResult = _bFetch(eDirection, bInsert, pbOut, nCount, pnFetched);
    if (!bResult) return 0;
    if (*pbOut) {
        // The next block inserts its first row itself.
        if (_bNextBlockNeeded(m_nBlockLimit, bCacheCompleted(), eDirection, m_bBlockAtStart) &&
            !_bFetchNextBloc(eDirection, bInsert, pbOut, nCount, pnFetched)) {
            *pbOut = 1;
            return 0;
        }
        return bResult;
    }
    if (bInsert) {
        const int nRow = m_pclRecordCache->Insere(m_pclRecord->pclGetCurrentRecordValueNoRef(),
                                                  m_pclRecordCache->nGetNbRecord() + static_cast<int>(nCount) - 1);
        if (nRow < 0) {
            *pbOut = 1;
            return 0;
        }
        m_llCurrentPosition = nRow;
        m_bCurrentRowDeleted = 0;
    }
    SetParseStarted();
    return bResult;
}

// ---------------------------------------------------------------------------------- the SQL result

int CNAStatement::_bFetch(eNA_PARSEDIRECTION eDirection, int, int* pbOut, long nCount, long* pnFetched) {
    *pbOut = 1;
    if (m_pclStatementSQL == nullptr || m_pclStatementSQL->llGetNbRow() < 1) return 1;
    const int64_t llRows = m_pclStatementSQL->llGetNbRow();
    if (nCount == 0 || eDirection == NA_PARSE_CURRENT) {
        *pbOut = m_pclStatementSQL->llGetCurrentRow() < 0 ? 1 : 0;
        m_llCurrentPosition = m_nBlockBase + m_pclStatementSQL->llGetCurrentRow();
        return *pbOut ? 1 : _bUpdateNARecord(NA_PARSE_CURRENT);
    }
    int64_t llFrom = m_pclStatementSQL->llGetCurrentRow();
    int64_t llStep = nCount;
    switch (eDirection) {
        case NA_PARSE_FIRST:
            llFrom = -1;
            break;
        case NA_PARSE_LAST:
            llFrom = llRows;
            llStep = -nCount;
            break;
        case NA_PARSE_PREVIOUS:
            llStep = -nCount;
            break;
        default:
            break;
    }
    const int bMoved = _bMove(llFrom, llStep, pbOut, pnFetched);
    m_llCurrentPosition = m_nBlockBase + m_pclStatementSQL->llGetCurrentRow();
    m_bCurrentRowDeleted = 0;
    if (!bMoved) return 0;
    if (*pbOut) return 1;
    return _bUpdateNARecord(eDirection);
}

int CNAStatement::_bMove(int64_t llFrom, int64_t llStep, int* pbOut, long* pnFetched) {
    int bOutOfRange = 0;
    const int64_t llEffective = _llUpdateStep(llFrom, llStep, &bOutOfRange, pnFetched);
    if (bOutOfRange) {
        *pbOut = 1;
        return 1;
    }
    const int64_t llTarget = llFrom + llEffective;
    const int64_t llCurrent = m_pclStatementSQL->llGetCurrentRow();
    if (llTarget == llCurrent) {
        *pbOut = 0;
        return 1;
    }
    if (llTarget != llCurrent + 1 && !m_pclStatementSQL->bDataSeek(static_cast<long>(llTarget))) {
        if (m_pclError != nullptr) m_pclError->Copy(m_pclStatementSQL->pclGetError());
        return 0;
    }
    if (!_bFetchSQL()) return 0;
    *pbOut = m_pclStatementSQL->bIsEnd() ? 1 : 0;
    return 1;
}

int64_t CNAStatement::_llUpdateStep(int64_t llFrom, int64_t llStep, int* pbOut, long* pnFetched) {
    const int64_t llRows = m_pclStatementSQL->llGetNbRow();
    if (m_pnRecordSaveTab == nullptr || m_nDeletedInBlock == 0) {
        const int64_t llTarget = llFrom + llStep;
        *pbOut = llTarget < 0 || llTarget >= llRows ? 1 : 0;
        if (*pbOut && pnFetched != nullptr) *pnFetched = static_cast<long>(llStep > 0 ? llRows - llFrom - 1 : llFrom);
        return llStep;
    }
    // Rows deleted by another statement are passed over without counting.
    const int64_t llSign = llStep < 0 ? -1 : 1;
    int64_t llLeft = llStep * llSign;
    int64_t llEffective = 0;
    long nPassed = 0;
    for (int64_t llRow = llFrom; llLeft > 0;) {
        llRow += llSign;
        llEffective += llSign;
        if (llRow < 0 || llRow >= llRows) {
            *pbOut = 1;
            if (pnFetched != nullptr) *pnFetched = nPassed;
            return llEffective;
        }
        if (llRow < m_nRecordSaveRows && m_pnRecordSaveTab[llRow] == RECORDSAVE_DELETED) continue;
        llLeft--;
        nPassed++;
    }
    *pbOut = 0;
    return llEffective;
}

int CNAStatement::_bUpdateNARecord(eNA_PARSEDIRECTION eDirection) {
    const int64_t llRow = m_pclStatementSQL != nullptr ? m_pclStatementSQL->llGetCurrentRow() : -1;
    if (m_pnRecordSaveTab != nullptr && llRow >= 0 && llRow < m_nRecordSaveRows && m_pnRecordSaveTab[llRow] >= 0) {
        // Another statement changed this row: its new values were kept in a saved record.
        CNAStatementAccess* pclAccess = _pclAccess();
        return pclAccess->bRestoreOriginalRecordSave(m_pclDataAccess, m_pnRecordSaveTab[llRow]) &&
               pclAccess->bCopyOriginalRecordToCurrentRecord(m_pclDataAccess) && bSetStmtOriginalRecord(eDirection);
    }
    return _bUpdateNARecordFromDB();
}

void CNAStatement::_RestaureRecordFromCache(int64_t llRow) {
    if (m_pclRecord != nullptr) {
        m_pclRecordCache->bGetAt(m_pclRecord->pclGetOriginalRecordValueNoRef(), static_cast<int>(llRow));
        _pclAccess()->bCopyOriginalRecordToCurrentRecord(m_pclDataAccess);
    }
    m_bRestoredFromCache = 1;
    m_bRowReady = 0;
    m_bCurrentRowDeleted = 0;
    m_llCurrentPosition = llRow;
}

// ---------------------------------------------------------------------------------- next block

int CNAStatement::_bFetchNextBloc(eNA_PARSEDIRECTION eDirection, int bReadRecord, int* pbOut, long nCount,
                                  long* pnFetched) {
    (void)pnFetched;
    m_bContinuing = 1;
    CNAStatementAccess* pclAccess = _pclAccess();
    // The block size of the data access is worked out from the largest row met.
    if (m_pclStatementSQL != nullptr && m_pclStatementSQL->llGetMaxRowLength() > 0)
        pclAccess->RaiseRecordSize(m_pclDataAccess, static_cast<uint64_t>(m_pclStatementSQL->llGetMaxRowLength()));
    if (eDirection == NA_PARSE_FIRST) eDirection = NA_PARSE_NEXT;
    if (eDirection == NA_PARSE_LAST) eDirection = NA_PARSE_PREVIOUS;
    // The data access speaks in the browse's order, not in the SQL order.
    if (m_pclTableCacheIndex == nullptr && bInvertFetch()) eDirection = _eReversed(eDirection);
    int bResult;
    if (bCacheEnabled()) {
        // The continuation starts after the last row cached; the original record is the host's
        // again when nothing follows.
        CNARecordValue* pclKept = m_pclOriginalRecord != nullptr ? m_pclOriginalRecord->pclGetClone(-1) : nullptr;
        if (pclKept != nullptr) pclKept->AddRef();
        if (m_pclOriginalRecord != nullptr || _bAllocStmtOriginalRecord())
            m_pclRecordCache->bGetAt(m_pclOriginalRecord, m_pclRecordCache->nGetNbRecord() - 1);
        bResult = pclAccess->bGoToStmtOriginalRecord(m_pclDataAccess, 0, this, bReadRecord, eDirection, nCount);
        if ((!bResult || m_bOutOfFile) && pclKept != nullptr && m_pclOriginalRecord != nullptr)
            m_pclOriginalRecord->bCopyRecordValue(pclKept, -1);
        if (pclKept != nullptr) pclKept->nRelease();
    } else {
        bResult = pclAccess->bGoToStmtOriginalRecord(m_pclDataAccess, 0, this, bReadRecord, eDirection, nCount);
    }
    *pbOut = m_bOutOfFile ? 1 : 0;
    m_bContinuing = 0;
    m_bBlockAtStart = 0;
    return bResult;
}

int CNAStatement::bMove(long, int bReadRecord) {
    ResetQuery();
    EnableCache(0);
    CNACommand* pclWhere = _pclAllocCommand();
    if (pclWhere == nullptr) return 0;
    CNACommand* pclCommand = _pclAllocCommand();
    int bResult = pclCommand != nullptr && _bAddWHERELatestRead(pclWhere, 0, nullptr);
    if (bResult) bResult = bBuildQuerySELECT(pclCommand, 0, nullptr, 1, pclWhere);
    if (bResult) bResult = bExecute(0, bReadRecord ? NA_ST_PREPARE : NA_ST_NOPREPARE);
    if (bResult) bResult = bFetch(NA_PARSE_FIRST, bReadRecord, 1);
    pclWhere->nRelease();
    if (pclCommand != nullptr) pclCommand->nRelease();
    return bResult;
}

// ---------------------------------------------------------------------------------- the original record

int CNAStatement::_bAllocStmtOriginalRecord() {
    auto* pcl = new (std::nothrow) CNARecordValue(m_pclError);
    if (pcl == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
        return 0;
    }
    pcl->AddRef();
    if (m_pclOriginalRecord != nullptr) m_pclOriginalRecord->nRelease();
    m_pclOriginalRecord = pcl;
    return 1;
}

int CNAStatement::bSetStmtOriginalRecord(eNA_PARSEDIRECTION eDirection) {
    if (m_eParseNeedUpdate == PARSENEEDUPDATE_REPOSITION) bSetParseNeedUpdate(PARSENEEDUPDATE_NONE, -1);
    CNAStatementAccess* pclAccess = _pclAccess();
    if (eDirection == NA_PARSE_CURRENT && m_nReferenceSlot != -1) {
        // The reference row follows the row now current; the statement holds the new slot's
        // reference in place of the old one's.
        const int nSlot = pclAccess->nKeepCurrentRecordSave(m_pclDataAccess);
        if (nSlot < 0) return 0;
        pclAccess->nReleaseRecordSave(m_pclDataAccess, m_nReferenceSlot);
        m_nReferenceSlot = nSlot;
        return 1;
    }
    if (m_pclRecord == nullptr) return 0;
    // The row's value asked of the record once, compared and copied straight.
    const CNARecordValue* pclCurrent = m_pclRecord->pclGetCurrentRecordValueNoRef();
    if (m_pclOriginalRecord == nullptr) {
        if (!_bAllocStmtOriginalRecord()) return 0;
        m_nDuplicateRank = 0;
    } else if (eDirection == NA_PARSE_FIRST || eDirection == NA_PARSE_LAST) {
        m_nDuplicateRank = 0;
    } else if (eDirection == NA_PARSE_NEXT || eDirection == NA_PARSE_PREVIOUS) {
        m_nDuplicateRank =
            pclCurrent != nullptr && pclCurrent->bEquals(m_pclOriginalRecord, 0) ? m_nDuplicateRank + 1 : 0;
    }
    return m_pclOriginalRecord->bCopyRecordValue(pclCurrent, -1);
}

CNARecordValue* CNAStatement::pclGetStmtOriginalRecord() {
    if (m_pclOriginalRecord == nullptr && !_bAllocStmtOriginalRecord()) return nullptr;
    if (m_nReferenceSlot != -1)
        _pclAccess()->bCopySaveToRecord(m_pclDataAccess, m_nReferenceSlot, m_pclOriginalRecord);
    return m_pclOriginalRecord;
}

int CNAStatement::bUpdateChangedTypeInCurrentRecord() {
    if (m_pclOriginalRecord != nullptr) {
        m_pclOriginalRecord->nRelease();
        m_pclOriginalRecord = nullptr;
    }
    m_nDuplicateRank = 0;
    return _bAllocStmtOriginalRecord();
}

// ---------------------------------------------------------------------------------- small members

void CNAStatement::EvalHTrouve(int* pbFound, int* pbInside) const {
    if (pbFound != nullptr) *pbFound = m_bFound ? 1 : 0;
    if (pbInside != nullptr) *pbInside = m_bOutOfFile ? 0 : 1;
}

void CNAStatement::HEndehors(int* pbOut) const {
    if (pbOut != nullptr) *pbOut = m_bOutOfFile ? 1 : 0;
}

void CNAStatement::_SetCurrentRecord(int64_t ll) {
    m_llCurrentPosition = ll;
    m_bCurrentRowDeleted = 0;
}

void CNAStatement::SetParseStarted() {
    m_bStarted = 1;
    m_clFilterAtStart.SetFilter(m_pclFilter);
}

int CNAStatement::bFetchData(eNA_PARSEDIRECTION eDirection, int* pbOut, CAny* ptabValues, int nValues) {
    int bResult = bFetch(eDirection, 1, 1);
    if (bResult && m_bFound && m_pclRecord != nullptr) {
        const int n = nValues < m_pclRecord->nGetNumColumns() ? nValues : m_pclRecord->nGetNumColumns();
        for (int i = 0; i < n && bResult; i++)
            bResult = m_pclRecord->pclGetColumnNoRef(i)->bGetCurrentValue(&ptabValues[i], 0);
    }
    if (pbOut != nullptr) *pbOut = m_bOutOfFile ? 1 : 0;
    return bResult;
}

void CNAStatement::CurrentRecordNotFound(const wchar_t* pszItem, int nFileId, int nSite) {
    m_bRowLost = 1;
    m_bOutOfFile = 1;
    m_bFound = 0;
    _AddRecordLostError(NA_ERRORTYPE_GENERAL, nFileId, nSite, pszItem);
}

// ---------------------------------------------------------------------------------- the record cache

void CNAStatement::EnableCache(int bOn) {
    if (bOn) {
        if (m_pclRecordCache == nullptr) {
            m_pclRecordCache = new (std::nothrow) CNARecordCache;
            if (m_pclRecordCache == nullptr) {
                if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
                return;
            }
            m_pclRecordCache->AddRef();
        }
        m_pclRecordCache->SetActive(1);
        if (m_pclRecordCache->nGetNbRecord() == 0) _SetBestCacheMethod();
        return;
    }
    if (m_pclRecordCache == nullptr) return;
    if (m_pclRecordCache->nGetRef() != 1) {
        // Shared with the table cache or an index: the others keep it as it is.
        CNARecordCache* pcl = m_pclRecordCache;
        m_pclRecordCache = nullptr;
        pcl->nRelease();
    } else {
        m_pclRecordCache->SupprimeTout();
        m_pclRecordCache->SetActive(0);
    }
}

void CNAStatement::EmptyCache() {
    if (m_pclRecordCache != nullptr) m_pclRecordCache->SupprimeTout();
}

int CNAStatement::bCacheEnabled() const {
    return m_pclRecordCache != nullptr && m_pclRecordCache->bIsActive();
}

int CNAStatement::bCacheCompleted() const {
    return bCacheEnabled() && m_pclRecordCache->bIsComplete();
}

void CNAStatement::_SetRecordCache(CNARecordCache* pclCache) {
    if (pclCache != nullptr) pclCache->AddRef();
    if (m_pclRecordCache != nullptr) m_pclRecordCache->nRelease();
    m_pclRecordCache = pclCache;
}

int CNAStatement::bIndexCache() const {
    if (!_bSourceIsQuery()) return 0;
    return (m_nBrowseFlags & WPF_COUNT_BROWSE) != 0 || _bRequeteSansCorrection() ? 1 : 0;
}

CNARecordCache* CNAStatement::pclGetFullRecordCache() {
    if (m_pclRecordCache == nullptr) return nullptr;
    if (m_pclRecordCache->bIsComplete()) return m_pclRecordCache;
    return _bCompleteCache() ? m_pclRecordCache : nullptr;
}

int CNAStatement::_bCompleteCache() {
    const eNA_PARSEDIRECTION eDirection =
        m_pclTableCacheIndex == nullptr && bInvertFetch() ? NA_PARSE_PREVIOUS : NA_PARSE_NEXT;
    // A closed result is run again without emptying the cache: a completion that began with
    // Close would hand out a cache without the rows already read.
    if ((m_pclStatementSQL == nullptr || !m_pclStatementSQL->bIsResultOpen()) && !_bExecuteAgainKeepingCache())
        return 0;
    CNAStatementAccess* pclAccess = _pclAccess();
    const wchar_t* pszKey = m_clKey.pszGet() != nullptr ? m_clKey.pszGet() : L"";
    int nPosition = 0;
    if (!pclAccess->bHSauvePosition(m_pclDataAccess, &nPosition, pszKey, 0)) return 0;
    const int nRows = m_pclRecordCache != nullptr ? m_pclRecordCache->nGetNbRecord() : 0;
    m_llCurrentPosition = m_nBlockLimit != NO_LIMIT && nRows > 0 ? nRows - 2 : nRows - 1;
    const int32_t nReferenceSlot = m_nReferenceSlot;
    const ePARSENEEDUPDATECAUSE eCause = m_eParseNeedUpdate;
    m_nReferenceSlot = -1;
    m_eParseNeedUpdate = PARSENEEDUPDATE_NONE;
    int bResult = 1;
    for (int bOut = 0; bResult && !bOut;) {
        eNA_LOCKTYPE eLockOut = static_cast<eNA_LOCKTYPE>(0);
        bResult = pclAccess->bHLitxxx(m_pclDataAccess, pszKey, eDirection, 0, static_cast<eNA_LOCKTYPE>(1), &eLockOut, m_nBrowseFlags);
        if (bResult) bResult = pclAccess->bHEndehors(m_pclDataAccess, pszKey, &bOut);
    }
    // The host's place comes back even after a failed read, and the saved position never outlives
    // the completion.
    wchar_t szItem[ITEM_BUFFER];
    STR_nCopy(szItem, ITEM_BUFFER, pszKey, -1);
    const int bReturned = pclAccess->bHRetourPosition(m_pclDataAccess, nPosition, szItem, 0, 0);
    if (!bReturned) pclAccess->bHLiberePosition(m_pclDataAccess, nPosition);
    m_nReferenceSlot = nReferenceSlot;
    m_eParseNeedUpdate = eCause;
    return bResult && bReturned;
}

// ---------------------------------------------------------------------------------- per mille and counts

int CNAStatement::bHPositionne(int nPerThousand, int, NA_WRITEPARSEFLAGS nFlags) {
    CNAStatementAccess* pclAccess = _pclAccess();
    int64_t llTarget = 1;
    if (nPerThousand != 0) {
        int64_t llCount = 0;
        if (!pclAccess->bGetNbEnr(m_pclDataAccess, &llCount, COUNT_OPTIONS, WPF_COUNT_BROWSE, this, -1)) return 0;
        llTarget = static_cast<int64_t>(nPerThousand) * llCount / 1000;
        if (llTarget < 1) llTarget = 1;
    }
    eNA_LOCKTYPE eLockOut = static_cast<eNA_LOCKTYPE>(0);
    return pclAccess->bSkipRecord(m_pclDataAccess, m_clItemName.pszGet() != nullptr ? m_clItemName.pszGet() : L"", NA_PARSE_FIRST,
                                  static_cast<long>(llTarget), 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut,
                                  nFlags | WPF_THROUGH_CACHE);
}

int CNAStatement::bHPositionCourante(int* pnPerThousand, int) {
    *pnPerThousand = 1;
    CNAStatementAccess* pclAccess = _pclAccess();
    int64_t llCount = 0;
    int64_t llPosition = 0;
    if (m_pclDataAccess != nullptr && m_pclDataAccess->pclGetTableCacheNoRef() != nullptr) {
        // The whole table is on the client: the count is the complete cache's, the place the index's.
        CNARecordCache* pclCache = pclGetFullRecordCache();
        if (pclCache == nullptr) return 0;
        llCount = pclCache->nGetNbRecord();
        if (llCount > 0) {
            int bFound = 1;
            if (m_eParseNeedUpdate != PARSENEEDUPDATE_NONE && !bUpdateParsePositionInCacheIndex(&bFound)) return 0;
            llPosition = m_pclTableCacheIndex != nullptr ? m_pclTableCacheIndex->nGetPreviousRecordNbr() + 1
                                                         : m_llCurrentPosition + 1;
            // An index left past its last row counts as on it.
            if (llPosition > llCount) llPosition = llCount;
        }
    } else if (!pclAccess->bGetNbEnr(m_pclDataAccess, &llCount, COUNT_OPTIONS, WPF_COUNT_BROWSE, this, -1)) {
        return 0;
    } else if (llCount != 0 && (bExistRechercheObject() || m_eParseNeedUpdate != PARSENEEDUPDATE_NONE || !m_bBlockAtStart)) {
        // The statement's own place is not the browse's: the rows before the current one are
        // counted.
        int64_t llBefore = 0;
        if (!pclAccess->bGetNbEnr(m_pclDataAccess, &llBefore, COUNT_OPTIONS, WPF_COUNT_BROWSE, this, NA_PARSE_PREVIOUS)) return 0;
        llPosition = llBefore + 1;
    } else if (m_pclTableCacheIndex == nullptr && bInvertFetch()) {
        llPosition = llCount - m_llCurrentPosition;
    } else {
        llPosition = m_llCurrentPosition + 1;
    }
    if (llCount < 1) return 1;
    const int64_t llScaled = llPosition * 1000;
    *pnPerThousand = static_cast<int>(llScaled / llCount + (llScaled % llCount != 0 ? 1 : 0));
    return 1;
}

int CNAStatement::bGetNbEnrCurrentParse(int64_t* pllCount, NA_WRITEPARSEFLAGS nFlags, int bWithFilter) {
    const int bSameFilter = m_clFilterAtStart.bFilterEquals(m_pclFilter);
    const int bFilterAllowed = !bWithFilter || !bExistFilter();
    if (bCacheCompleted() && !bExistRechercheObject() && bSameFilter && bFilterAllowed &&
        (m_nBrowseFlags & WPF_COUNT_BROWSE) != 0 && (nFlags & WPF_COUNT_BROWSE) != 0) {
        *pllCount = m_pclRecordCache->nGetNbRecord() - static_cast<int64_t>(m_pclRecordCache->nGetNbDeleted());
        return 1;
    }
    if (m_bStarted && m_nBlockLimit == NO_LIMIT && m_bBlockAtStart && !bExistRechercheObject() && bSameFilter &&
        bFilterAllowed && m_eParseNeedUpdate != PARSENEEDUPDATE_REBUILD) {
        if (m_pclTableCacheIndex != nullptr) {
            *pllCount = m_pclTableCacheIndex->nGetRecordNbr();
            return 1;
        }
        const int64_t llRows = m_pclStatementSQL != nullptr && m_pclStatementSQL->llGetNbRow() > 0
                                   ? m_pclStatementSQL->llGetNbRow()
                                   : 0;
        *pllCount = llRows - m_nDeletedInBlock;
        return 1;
    }
    return 0;
}

// ---------------------------------------------------------------------------------- reference row and saved rows

int CNAStatement::bSetParseNeedUpdate(ePARSENEEDUPDATECAUSE eCause, int nSlot) {
    // A rebuild pending stays one: re-positioning would not be enough.
    if (!(eCause == PARSENEEDUPDATE_REPOSITION && m_eParseNeedUpdate == PARSENEEDUPDATE_REBUILD))
        m_eParseNeedUpdate = eCause;
    if (nSlot == m_nReferenceSlot) return 1;
    CNAStatementAccess* pclAccess = _pclAccess();
    if (m_nReferenceSlot != -1) pclAccess->nReleaseRecordSave(m_pclDataAccess, m_nReferenceSlot);
    m_nReferenceSlot = nSlot;
    if (nSlot != -1) pclAccess->AddRefRecordSave(m_pclDataAccess, nSlot);
    if (m_eParseNeedUpdate == PARSENEEDUPDATE_REBUILD && m_pclStatementSQL != nullptr) _bResetStatementSQL();
    return 1;
}

int CNAStatement::_bAllocRecordSaveTab() {
    if (m_pnRecordSaveTab != nullptr) return 1;
    const int64_t llRows = m_pclStatementSQL != nullptr ? m_pclStatementSQL->llGetNbRow() : 0;
    if (llRows < 1) return 0;
    m_pnRecordSaveTab = new (std::nothrow) int32_t[static_cast<size_t>(llRows)];
    if (m_pnRecordSaveTab == nullptr) return 0;
    for (int64_t i = 0; i < llRows; i++) m_pnRecordSaveTab[i] = RECORDSAVE_NONE;
    m_nRecordSaveRows = static_cast<uint32_t>(llRows);
    m_nDeletedInBlock = 0;
    return 1;
}

void CNAStatement::_FreeRecordSaveTab() {
    if (m_pnRecordSaveTab != nullptr) {
        CNAStatementAccess* pclAccess = _pclAccess();
        for (uint32_t i = 0; i < m_nRecordSaveRows; i++)
            if (m_pnRecordSaveTab[i] >= 0) pclAccess->nReleaseRecordSave(m_pclDataAccess, m_pnRecordSaveTab[i]);
        delete[] m_pnRecordSaveTab;
        m_pnRecordSaveTab = nullptr;
    }
    m_nRecordSaveRows = 0;
    m_nDeletedInBlock = 0;
}
