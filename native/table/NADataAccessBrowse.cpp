// The data access's reads: along a browse item (first, last, next, previous), skips, reads by record
// number, the fetch they share, the browse SELECT with the size of its blocks, and the
// re-positioning of a statement on the record the host holds.
#include <new>

#include "core/STRCompare.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NAItemType.h"
#include "native/model/NARecord.h"
#include "native/sql/NARecherche.h"
#include "native/statement/NARecordCache.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NATableCache.h"
#include "native/table/NADataAccess.h"

namespace {

// Debug sites of this unit.
constexpr int SITE_RECORD_NUMBER = 14;
constexpr int SITE_QUERY_FILTERED = 15;
constexpr int SITE_OUT_UNKNOWN_ITEM = 17;
constexpr int SITE_FOUND_UNKNOWN_ITEM = 18;
constexpr int SITE_CANNOT_GO_BACK = 27;
constexpr int SITE_CANNOT_REPOSITION = 28;

constexpr unsigned USER_ERROR_UNKNOWN_ITEM = 5;
constexpr unsigned USER_ERROR_RECORD_NUMBER = 18;
constexpr unsigned USER_ERROR_QUERY_FILTERED = 35;
constexpr unsigned USER_ERROR_CANNOT_GO_BACK = 82;
constexpr unsigned USER_ERROR_CANNOT_REPOSITION = 83;

// Automatic block size: about one megabyte of rows, never fewer than this many.
constexpr int64_t AUTOMATIC_BLOCK_BYTES = 0x100000;
constexpr int64_t AUTOMATIC_BLOCK_MIN_ROWS = 20;
constexpr int64_t CACHE_SIZE_AUTOMATIC = -2;

// The lock types that take a position before a fetch, to come back when the lock fails.
constexpr unsigned LOCK_WITH_POSITION_LOW = 2;
constexpr unsigned LOCK_WITH_POSITION_HIGH = 3;

// A statement's record cache that is switched on.
bool _bRecordCacheOn(CNARecordCache* pclCache) {
    return pclCache != nullptr && pclCache->bIsActive();
}

bool _bEmpty(const wchar_t* psz) {
    return psz == nullptr || psz[0] == 0;
}

// The statement is to be rebuilt or re-positioned from a fresh save of the access's original
// record; the statement holds the save with its own reference.
void _MarkOnFreshSave(CNADataAccess* pclAccess, CNAStatement* pclStatement,
                      CNAStatement::ePARSENEEDUPDATECAUSE eCause) {
    const int nSlot = pclAccess->nKeepOriginalRecordSave(nullptr);
    pclStatement->bSetParseNeedUpdate(eCause, nSlot);
    pclAccess->nReleaseRecordSave(nSlot);
}

}  // namespace

// ---------------------------------------------------------------------------------- along an item

int CNADataAccess::bHLitxxx(const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, int bReadRecord, eNA_LOCKTYPE eLock,
                            eNA_LOCKTYPE* peLockOut, NA_WRITEPARSEFLAGS nFlags) {
    if (pszItem == nullptr) pszItem = L"";
    CNAStatement* pclStatement = nullptr;
    CNAStatement* pclCurrent = m_pclCurrentStatement;
    if (m_bResumeBrowse && m_pclLatestFilter == nullptr && pclCurrent != nullptr &&
        !pclCurrent->bExistRechercheObject()) {
        const wchar_t* pszCurrentItem = pclCurrent->pszGetItemName();
        if ((m_nQueryFlags & QUERYFLAG_AS_WRITTEN) != 0 || (nFlags & WPF_QUERY_ORDER) != 0 ||
            (STR_nCompareW(pszCurrentItem != nullptr ? pszCurrentItem : L"", pszItem, 3) == 0 &&
             (pclCurrent->m_nBrowseFlags & WPF_QUERY_ORDER) == 0)) {
            nFlags |= WPF_READ_ONLY_WHAT_IS_THERE;
            if ((nFlags & WPF_NO_CACHE) != 0) {
                pclCurrent->EnableCache(0);
                _FreeTableCache();
            }
        }
    }
    if (m_bResumeBrowse && (nFlags & WPF_RESUME) != 0 && pclCurrent != nullptr &&
        CHashTableBounce::nStringLogiqueCompare(
            pszItem, pclCurrent->pszGetKey() != nullptr ? pclCurrent->pszGetKey() : L"") == 0) {
        pclStatement = pclCurrent;
        pclStatement->AddRef();
        pclStatement->SetParseStarted();
    } else {
        pclStatement = _pclGetNewItemStatement(pszItem, eDirection, nFlags);
    }
    m_bResumeBrowse = 0;
    if (pclStatement == nullptr) return 0;

    const bool bFilterChanged = !pclStatement->m_clFilterAtStart.bFilterEquals(pclStatement->m_pclFilter);
    int bReopen = 0;
    bool bSkipFetch = false;
    int bResult = 0;
    if (eDirection == NA_PARSE_NEXT || eDirection == NA_PARSE_PREVIOUS) {
        if (bFilterChanged) pclStatement->bSetParseNeedUpdate(CNAStatement::PARSENEEDUPDATE_REPOSITION);
    } else {
        // a. A browse asked in another order than the one it runs in starts afresh.
        if ((nFlags & WPF_READ_ONLY_WHAT_IS_THERE) != 0 && pclStatement->m_bStarted &&
            (nFlags & WPF_QUERY_ORDER) != (pclStatement->m_nBrowseFlags & WPF_QUERY_ORDER) &&
            m_pclTableCache == nullptr)
            nFlags &= ~WPF_READ_ONLY_WHAT_IS_THERE;
        // b. The end the statement does not run towards is only there when the whole result is.
        bReopen = bFilterChanged ? 1 : 0;
        if ((nFlags & WPF_READ_ONLY_WHAT_IS_THERE) != 0 && (nFlags & WPF_RESUME) != 0 && m_nQuery == 0) {
            const int bInverted = pclStatement->bInvertFetch();
            const bool bOtherEnd =
                (eDirection == NA_PARSE_LAST && !bInverted) || (eDirection == NA_PARSE_FIRST && bInverted);
            if (bOtherEnd &&
                !(!pclStatement->bExistRechercheObject() && pclStatement->m_nBlockLimit == CNAStatement::NO_LIMIT &&
                  pclStatement->m_bBlockAtStart && pclStatement->bCacheCompleted()))
                bReopen = 1;
        }
        // c. A search left on the statement is over.
        if (pclStatement->bExistRechercheObject()) {
            pclStatement->DesactivateRechercheUserAndInternal();
            if (!(m_pclTableCache != nullptr && !bReopen && (nFlags & WPF_READ_ONLY_WHAT_IS_THERE) != 0)) bReopen = 1;
        }
        pclStatement->AnnuleRechercheUser();
        // d.
        pclStatement->m_nBrowseFlags = nFlags;
        pclStatement->SetItemName((nFlags & WPF_QUERY_ORDER) != 0 ? pszGetBestParseItemName() : pszItem);
        // e.
        if (bReopen || (nFlags & WPF_READ_ONLY_WHAT_IS_THERE) == 0) _FreeTableCache();
        // f. The table cache serves queries browsed as a whole.
        const bool bTableCacheUsed =
            (bRequeteSansCorrection() || (nFlags & WPF_RESUME) != 0 || bQueryResultsetLimited()) &&
            (nFlags & (WPF_NO_CACHE | WPF_SQLCOMMAND_NO_CACHE)) == 0 && m_nQuery != 0;
        if (bTableCacheUsed) {
            if ((nFlags & WPF_READ_ONLY_WHAT_IS_THERE) != 0 && !bReopen) {
                if (m_pclTableCache == nullptr) {
                    // A statement that already holds its whole result in its record cache feeds
                    // the new table cache as it is; any other starts afresh.
                    if (!_bCreateNewTableCache()) {
                        bSkipFetch = true;
                    } else if (_bRecordCacheOn(pclStatement->m_pclRecordCache) && !bFilterChanged &&
                               !pclStatement->bExistRechercheObject() &&
                               pclStatement->eParseNeedUpdate() == CNAStatement::PARSENEEDUPDATE_NONE &&
                               pclStatement->m_nBlockLimit == CNAStatement::NO_LIMIT && pclStatement->m_bBlockAtStart) {
                        m_pclTableCache->bSetStatementParse(pclStatement);
                    } else {
                        bReopen = 1;
                    }
                } else {
                    const bool bQueryOrder = (nFlags & WPF_QUERY_ORDER) != 0;
                    const bool bComplete = m_pclTableCache->bCacheCompleted() != 0;
                    const bool bAtOnce =
                        (bQueryOrder && bRequeteSansCorrection()) ||
                        (!bComplete &&
                         CHashTableBounce::nStringLogiqueCompare(_pszOrEmpty(m_clTableCacheItem), pszItem) == 0) ||
                        (!bComplete && bQueryOrder) || (m_pclCnx != nullptr && m_pclCnx->bGetConnectionSQL());
                    if (!bAtOnce && !pclStatement->bOpenUsingTableCache()) bSkipFetch = true;
                }
            } else {
                if (!_bCreateNewTableCache()) bSkipFetch = true;
                bReopen = 1;
            }
        } else if (m_pclCnx != nullptr && m_pclCnx->bGetConnectionSQL() &&
                   (nFlags & (WPF_SQLCOMMAND_NO_CACHE | WPF_READ_ONLY_WHAT_IS_THERE)) == WPF_SQLCOMMAND_NO_CACHE) {
            // g.
            pclStatement->EnableCache(0);
        }
    }
    if (!bSkipFetch)
        bResult = _bFetch(pclStatement, pszItem, eDirection, 1, bReadRecord, eLock, peLockOut, nFlags, bReopen);
    if (!bResult) {
        bResult = _bRepriseErreurParcours(pclStatement, pszItem, eDirection, eLock, peLockOut, nFlags);
        // A table cache this browse was making or feeding is no good afterwards.
        if (!bResult && m_pclTableCache != nullptr &&
            (m_pclTableCache->bInitDone() || m_pclTableCache->bIsStatementParse(pclStatement)))
            _FreeTableCache();
    }
    pclStatement->nRelease();
    // A query run as written reads its first or last record again through what it already holds.
    if (bResult && (eDirection == NA_PARSE_FIRST || eDirection == NA_PARSE_LAST) && bRequeteSansCorrection() &&
        (nFlags & (WPF_QUERY_ORDER | WPF_READ_ONLY_WHAT_IS_THERE)) == 0)
        return bHLitxxx(pszItem, eDirection, bReadRecord, eLock, peLockOut, nFlags | WPF_READ_ONLY_WHAT_IS_THERE);
    return bResult;
}

int CNADataAccess::bSkipRecord(const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, long nCount, int bReadRecord,
                               eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, NA_WRITEPARSEFLAGS nFlags) {
    CNAStatement* pclStatement = _pclGetNewItemStatement(pszItem, eDirection, nFlags);
    if (pclStatement == nullptr) return 0;
    int bResult = _bFetch(pclStatement, pszItem, eDirection, nCount, bReadRecord, eLock, peLockOut, nFlags, 0);
    if (!bResult) bResult = _bRepriseErreurParcours(pclStatement, pszItem, eDirection, eLock, peLockOut, nFlags);
    pclStatement->nRelease();
    return bResult;
}

// ---------------------------------------------------------------------------------- the shared fetch

int CNADataAccess::_bFetch(CNAStatement* pclStatement, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection,
                           long nCount, int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut,
                           NA_WRITEPARSEFLAGS nFlags, int bReopen) {
    if (pclStatement == nullptr || !pclStatement->bSetLockType(eLock)) return 0;
    if (!bReopen) {
        if (eDirection == NA_PARSE_NEXT || eDirection == NA_PARSE_PREVIOUS) {
            if (pclStatement->m_bRowLost) return 1;
            const int bInverted = pclStatement->bInvertFetch();
            const bool bAgainstOrder =
                (eDirection == NA_PARSE_PREVIOUS && !bInverted) || (eDirection == NA_PARSE_NEXT && bInverted);
            if (pclStatement->m_bStarted && pclStatement->eParseNeedUpdate() == CNAStatement::PARSENEEDUPDATE_NONE &&
                !pclStatement->bCanFetchBackward() && m_pclTableCache == nullptr &&
                !_bRecordCacheOn(pclStatement->m_pclRecordCache) && bAgainstOrder) {
                if (pclStatement->bCanUpdateParse()) {
                    pclStatement->bSetParseNeedUpdate(CNAStatement::PARSENEEDUPDATE_REPOSITION);
                } else {
                    _AddError(NA_ERRORTYPE_GENERAL, SITE_CANNOT_GO_BACK, pszItem, USER_ERROR_CANNOT_GO_BACK,
                              pszGetLogicalName(), pszItem != nullptr ? pszItem : L"");
                    return 0;
                }
            }
            if ((pclStatement->eParseNeedUpdate() != CNAStatement::PARSENEEDUPDATE_NONE || !pclStatement->m_bStarted) &&
                m_pclTableCache == nullptr)
                return _bUpdateParse(0, pclStatement, bReadRecord, eDirection, nCount);
        } else if ((nFlags & WPF_READ_ONLY_WHAT_IS_THERE) != 0) {
            if (m_pclTableCache != nullptr) {
                // The table cache serves the browse when it is this statement's or already whole.
                if (!m_pclTableCache->bIsStatementParse(pclStatement) &&
                    m_pclTableCache->pclGetFullCacheNoRef() == nullptr)
                    return 0;
                bReopen = 0;
            } else {
                const int bInverted = pclStatement->bInvertFetch();
                const bool bNoLimit = pclStatement->m_nBlockLimit == CNAStatement::NO_LIMIT;
                bool bEndServed;
                if (eDirection == NA_PARSE_FIRST)
                    bEndServed = bInverted ? bNoLimit : pclStatement->m_bBlockAtStart != 0;
                else
                    bEndServed = bInverted ? pclStatement->m_bBlockAtStart != 0 : bNoLimit;
                const bool bKeep = pclStatement->m_bStarted &&
                                   pclStatement->eParseNeedUpdate() == CNAStatement::PARSENEEDUPDATE_NONE &&
                                   (bNoLimit || nCount <= pclStatement->m_nBlockLimit) && bEndServed;
                bReopen = bKeep ? 0 : 1;
            }
        } else {
            bReopen = 1;
        }
    }
    if (bReopen) {
        pclStatement->m_bRowLost = 0;
        pclStatement->m_eParseNeedUpdate = CNAStatement::PARSENEEDUPDATE_NONE;
        if (bRequeteSansCorrection() && pclStatement->bExistFilter()) {
            _AddError(NA_ERRORTYPE_GENERAL, SITE_QUERY_FILTERED, pszItem, USER_ERROR_QUERY_FILTERED);
            return 0;
        }
        const int bForward =
            (eDirection == NA_PARSE_LAST || eDirection == NA_PARSE_PREVIOUS) && !bRequeteSansCorrection() ? 0 : 1;
        const auto ePrepare = static_cast<CNAStatement::eNA_ST_PREPARE>(bHPrepareRequeteCalled() ? 3 : 1);
        const int bOpened = _bOpenStatement(pclStatement, pszItem, bForward, nFlags, &nCount, ePrepare);
        if (!bOpened) return 0;
        if (!bReadRecord && nCount == 0) return bOpened;
    }
    CNAPosition* pclPosition = nullptr;
    const unsigned nLock = static_cast<unsigned>(eLock);
    if (nLock == LOCK_WITH_POSITION_LOW || nLock == LOCK_WITH_POSITION_HIGH) {
        pclPosition = pclAllocPosition();
        if (pclPosition != nullptr) {
            CRefTraits<CNAPosition>::_AddRef(pclPosition);
            pclStatement->bGetPosition(pclPosition, 0);
        }
    }
    long nFetched = 0;
    int bResult = pclStatement->bFetch(eDirection, bReadRecord, nCount, &nFetched);
    int bOut = 1;
    if (bResult) {
        pclStatement->HEndehors(&bOut);
        if (!bOut && !bLockUnlockRecord(pclStatement, eLock, 0, peLockOut)) {
            bResult = 0;
            if (pclPosition != nullptr) pclStatement->bSetPosition(pclPosition, 0);
        }
    }
    if (pclPosition != nullptr) CRefTraits<CNAPosition>::_Release(pclPosition);
    // A search that ran out of one end may go on from the other end of the same item.
    if (bResult && bOut && m_pclTableCache == nullptr && pclStatement->bExistRechercheObject() &&
        (nFlags & WPF_REPOSITIONING) == 0 && (pclStatement->m_nBrowseFlags & WPF_REPOSITIONING) == 0 &&
        eDirection != NA_PARSE_CURRENT) {
        // A search that found no equal record goes on forward (first, next) or backward (last,
        // previous) from its value.
        CNARecherche* pclSearch = pclStatement->pclGetRecherche();
        const eNA_PARSEDIRECTION eOther =
            eDirection == NA_PARSE_NEXT || eDirection == NA_PARSE_FIRST ? NA_PARSE_FIRST : NA_PARSE_LAST;
        if (pclSearch != nullptr && pclSearch->bPeutContinuerParcours(eOther)) {
            const unsigned nSaved = pclSearch->eGetDirection();
            pclSearch->bSetContinueParcours(eOther);
            pclStatement->m_bContinuing = 1;
            bResult = _bFetch(pclStatement, pszItem, eOther, nCount - nFetched, bReadRecord,
                              static_cast<eNA_LOCKTYPE>(1), peLockOut, nFlags, 1);
            int bOutAgain = 1;
            pclStatement->HEndehors(&bOutAgain);
            if (bOutAgain) pclSearch->bReviensParcoursPrecedent(nSaved);
        }
        if (pclSearch != nullptr) pclSearch->nRelease();
    }
    return bResult;
}

// ---------------------------------------------------------------------------------- the browse SELECT

int64_t CNADataAccess::_llGetBlockLimit() const {
    const int64_t llCacheSize = m_pclCnx != nullptr ? m_pclCnx->llGetCacheSize() : CACHE_SIZE_AUTOMATIC;
    if (llCacheSize != CACHE_SIZE_AUTOMATIC) return llCacheSize;
    if (m_llRecordSize == 0)
        return CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->llGetDefaultBlockRowCount() : -1;
    const int64_t llRows = AUTOMATIC_BLOCK_BYTES / static_cast<int64_t>(m_llRecordSize);
    return llRows < AUTOMATIC_BLOCK_MIN_ROWS ? AUTOMATIC_BLOCK_MIN_ROWS : llRows;
}

int CNADataAccess::_bEnableRecordLimit(const wchar_t* pszItem) {
    auto bReal = [](INAItemDescription* piItem) {
        const eNA_ITEMTYPE eType = piItem->eNAGetItemType();
        return eType == NA_IT_R4 || eType == NA_IT_R8;
    };
    // Blocks are continued after the last row read, which the order must set apart from every
    // other: a unique column that allows NULL does not (its rows of NULL may be twins).
    auto bRowsApart = [this](INAItemDescription* piItem) {
        CNAColumn* pclColumn = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnNoRef(piItem) : nullptr;
        if (pclColumn != nullptr) return pclColumn->bUniqueNotNull();
        return piItem->bUnique() != 0;
    };
    if (!_bEmpty(pszItem)) {
        INAItemDescription* piItem = piGetItemDescription(pszItem);
        if (piItem != nullptr) {
            const bool bRefuse = bReal(piItem);
            const bool bUnique = bRowsApart(piItem);
            piItem->nExternalRelease();
            if (bRefuse) return 0;
            if (bUnique) return 1;
        }
    }
    INAItemDescription* piBest = piGetBestParseItemDesc();
    if (piBest == nullptr) return 0;
    const bool bBestUnique = bRowsApart(piBest);
    const wchar_t* pszBest = piBest->pszGetName();
    int bResult = 0;
    if (bBestUnique && m_piDescription != nullptr) {
        const unsigned nItems = m_piDescription->nGetNumItems();
        for (unsigned i = 0; i < nItems; i++) {
            INAItemDescription* piItem = m_piDescription->piNAGetItem(i);
            if (piItem == nullptr) continue;
            const bool bReached = piItem == piBest || (pszBest != nullptr && CHashTableBounce::nStringLogiqueCompare(
                                                                                 piItem->pszGetName(), pszBest) == 0);
            const bool bRefuse = bReal(piItem);
            piItem->nExternalRelease();
            if (bReached) {
                bResult = 1;
                break;
            }
            if (bRefuse) break;
        }
    }
    piBest->nExternalRelease();
    return bResult;
}

int CNADataAccess::bBuildSelect(CNACommand* pclCommand, CNAStatement* pclStatement, const wchar_t* pszItem,
                                int bForward, NA_WRITEPARSEFLAGS nFlags, long* pnCount) {
    if (pclCommand == nullptr || pclStatement == nullptr) return 0;
    pclCommand->SetNAQueryType(NAQUERYTYPE_SELECT);
    pclStatement->ResetQuery();
    CNACommand* pclWhere = pclAllocCommand();
    if (pclWhere == nullptr) return 0;
    int bResult = pclStatement->bGetClauseWHERE(pclWhere) &&
                  pclStatement->bBuildQuerySELECT(pclCommand, nFlags, pszItem, bForward, pclWhere);
    pclWhere->nRelease();
    if (!bResult) return 0;
    if (bRequeteSansCorrection() || (m_nQuery != 0 && (m_nQueryFlags & QUERYFLAG_JOIN) != 0) ||
        bQueryResultsetLimited() || !_bEnableRecordLimit(pszItem))
        return 1;
    const int64_t llLimit = _llGetBlockLimit();
    if (llLimit >= 1 && pnCount != nullptr && *pnCount >= 1 && *pnCount >= llLimit) {
        // The server skips what the browse passes over; the first block brings only a margin
        // before the row asked for, so that a step back is still served from it.
        const long nMargin = llLimit < 21 ? static_cast<long>(llLimit / 3 + 1) : 10;
        pclCommand->SetRowOffset(*pnCount - nMargin);
        *pnCount = nMargin;
    }
    pclCommand->SetRowLimit(llLimit);
    return 1;
}

int CNADataAccess::_bOpenStatement(CNAStatement* pclStatement, const wchar_t* pszItem, int bForward,
                                   NA_WRITEPARSEFLAGS nFlags, long* pnCount, CNAStatement::eNA_ST_PREPARE ePrepare) {
    // A seek of the same shape as one before on this statement sends the SELECT that one built,
    // with its own value.
    const bool bSeekOfTable = m_nQuery == 0 && m_pclTableCache == nullptr && !bRequeteSansCorrection() &&
                              pnCount != nullptr && pclStatement->bExistRechercheObject() &&
                              !pclStatement->bExistFilter();
    CNAStatement::stSeekAccessShape stShape;
    if (bSeekOfTable) {
        stShape.pszItem = pszItem;
        stShape.bForward = bForward;
        stShape.nFlags = nFlags;
        stShape.nCountAsked = *pnCount;
        stShape.llBlockLimit = _llGetBlockLimit();
    }
    int bResult = 0;
    if (bSeekOfTable && pclStatement->bReuseSeekSelect(stShape, pnCount)) {
        bResult = pclStatement->bExecute(nFlags, ePrepare);
        if (!bResult) pclStatement->ForgetSeekSelects();
    } else {
        const bool bChained = pclStatement->bCommandIsKeptSeek();
        CNACommand* pclCommand = pclAllocCommand();
        if (pclCommand == nullptr) return 0;
        bResult = bBuildSelect(pclCommand, pclStatement, pszItem, bForward, nFlags, pnCount);
        if (bResult) bResult = pclStatement->bExecute(nFlags, ePrepare);
        pclCommand->nRelease();
        if (bResult && bSeekOfTable)
            pclStatement->KeepSeekSelect(stShape, *pnCount, bChained);
        else
            pclStatement->ForgetSeekSelects();
    }
    if (!bResult) return 0;
    if ((nFlags & (WPF_NO_CACHE | WPF_SQLCOMMAND_NO_CACHE)) != 0) {
        pclStatement->EnableCache(0);
    } else if (m_nQuery != 0 && ((nFlags & WPF_RESUME) != 0 || bRequeteSansCorrection() || bQueryResultsetLimited()) &&
               m_pclTableCache != nullptr) {
        m_pclTableCache->bSetStatementParse(pclStatement);
    } else if (pclStatement->bDefaultParseNeedRecordCache()) {
        pclStatement->EnableCache(1);
    }
    return 1;
}

// ---------------------------------------------------------------------------------- by record number

int CNADataAccess::_bIsValidRecordNumber(long nRecord) {
    if (nRecord == 0) return 1;
    _AddError(NA_ERRORTYPE_GENERAL, SITE_RECORD_NUMBER, nullptr, USER_ERROR_RECORD_NUMBER);
    return 0;
}

int CNADataAccess::bHLit(long nRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut) {
    if (m_nLastReadSave == -1) return bMove(nRecord, 1, eLock, peLockOut);
    const int nSlot = m_nLastReadSave;
    AddRefRecordSave(nSlot);
    bSetCurrentRecordRead(1);
    const int bResult = bMove(nRecord, 1, eLock, peLockOut);
    // The move may have given the save up: the read keeps the one it had.
    if (m_nLastReadSave != nSlot)
        nReleaseRecordSave(m_nLastReadSave);
    else
        nReleaseRecordSave(nSlot);
    m_nLastReadSave = nSlot;
    return bResult;
}

int CNADataAccess::bMove(long nRecord, int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut) {
    if (!_bIsValidRecordNumber(nRecord)) return 0;
    CNAStatement* pclStatement = _pclGetQueryStatement();
    if (pclStatement == nullptr) return 0;
    int bResult = bLockRecord(pclStatement, eLock, nRecord, peLockOut);
    if (bResult) bResult = _bMove(nRecord, bReadRecord);
    pclStatement->nRelease();
    return bResult;
}

int CNADataAccess::_bMove(long nRecord, int bReadRecord) {
    CNAStatement* pclStatement = _pclGetQueryStatement();
    if (pclStatement == nullptr) return 0;
    const int bResult = pclStatement->bMove(nRecord, bReadRecord);
    int bOut = 0;
    pclStatement->HEndehors(&bOut);
    if (bOut && m_pclRecord != nullptr) {
        m_pclRecord->bCopyOriginalRecordToCurrentRecord();
        m_pclRecord->SetDeleted();
    }
    pclStatement->ResetStatement();
    pclStatement->nRelease();
    return bResult;
}

// ---------------------------------------------------------------------------------- out and found

int CNADataAccess::bHEndehors(const wchar_t* pszItem, int* pbOut) {
    // Asked after every read, of the statement the read found last: it answers without a
    // reference of its own, as nothing else runs meanwhile.
    if (m_pclLastStatement != nullptr && _bIsLastStatementKey(pszItem != nullptr ? pszItem : L"")) {
        m_pclLastStatement->HEndehors(pbOut);
        return 1;
    }
    CNAStatement* pclStatement = _pclFindStatement(pszItem);
    if (pclStatement == nullptr) {
        _AddError(NA_ERRORTYPE_GENERAL, SITE_OUT_UNKNOWN_ITEM, pszItem, USER_ERROR_UNKNOWN_ITEM, pszGetLogicalName(),
                  pszItem != nullptr ? pszItem : L"");
        return 0;
    }
    pclStatement->HEndehors(pbOut);
    pclStatement->nRelease();
    return 1;
}

int CNADataAccess::bEvalHTrouve(const wchar_t* pszItem, int* pbFound, int* pbInside) {
    CNAStatement* pclStatement = _pclFindStatement(pszItem);
    if (pclStatement == nullptr) {
        _AddError(NA_ERRORTYPE_GENERAL, SITE_FOUND_UNKNOWN_ITEM, pszItem, USER_ERROR_UNKNOWN_ITEM, pszGetLogicalName(),
                  pszItem != nullptr ? pszItem : L"");
        return 0;
    }
    pclStatement->EvalHTrouve(pbFound, pbInside);
    pclStatement->nRelease();
    return 1;
}

// ---------------------------------------------------------------------------------- re-positioning

int CNADataAccess::_bUpdateParse(int bKeep, CNAStatement* pclStatement, int bReadRecord, eNA_PARSEDIRECTION eDirection,
                                 long nCount) {
    if (!pclStatement->bCanUpdateParse() && (pclStatement->m_nBrowseFlags & WPF_NO_CACHE) != 0) {
        const wchar_t* pszItem = pclStatement->pszGetItemName();
        _AddError(NA_ERRORTYPE_GENERAL, SITE_CANNOT_REPOSITION, pszItem, USER_ERROR_CANNOT_REPOSITION,
                  pszGetLogicalName(), pszItem != nullptr ? pszItem : L"");
        return 0;
    }
    bRestoreOriginalRecordSave(pclStatement);
    return bGoToOriginalRecord(bKeep, pclStatement, bReadRecord, eDirection, nCount);
}

int CNADataAccess::_bUpdateCurrentParsePosition(int bKeep, CNAStatement* pclStatement) {
    if (m_pclTableCache == nullptr) return _bUpdateParse(bKeep, pclStatement, 1, NA_PARSE_CURRENT, 0);
    int bFound = 0;
    if (!pclStatement->bUpdateParsePositionInCacheIndex(&bFound)) return 0;
    if (bFound) return 1;
    pclStatement->CurrentRecordNotFound(pclStatement->pszGetItemName(), CNAError::FILE_DATAACCESS, 22);
    return 0;
}

int CNADataAccess::bGoToOriginalRecord(int bKeep, CNAStatement* pclStatement, int bReadRecord,
                                       eNA_PARSEDIRECTION eDirection, long nCount) {
    INAItemDescription* piItem = piGetItemDescription(pclStatement->pszGetItemName());
    if (piItem == nullptr) return 1;
    piItem->nExternalRelease();
    return _bGoToOriginalRecord(bKeep, pclStatement, bReadRecord, eDirection, nCount);
}

// A value given back is copied over at its next use; it starts as a clone would: without a memo
// table, made only when the source holds memo values.
CNARecordValue* CNADataAccess::_pclKeepRecordValue(const CNARecordValue* pclSource) {
    CNARecordValue* pclKept = nullptr;
    while (pclKept == nullptr && m_nKeptRecordValues > 0) {
        pclKept = m_apclKeptRecordValue[--m_nKeptRecordValues];
        m_apclKeptRecordValue[m_nKeptRecordValues] = nullptr;
        // A clone reports into the source's error object: a copy made for another one is dropped.
        if (pclKept->pclGetErrorNoRef() != pclSource->pclGetErrorNoRef()) {
            pclKept->nRelease();
            pclKept = nullptr;
        }
    }
    if (pclKept == nullptr) {
        pclKept = new (std::nothrow) CNARecordValue(pclSource->pclGetErrorNoRef());
        if (pclKept == nullptr) return nullptr;
        pclKept->AddRef();
    } else {
        // A part the source lacks is left as it was by a copy: the reused value drops its own,
        // so that putting it back leaves that part of the records alone, as a clone would.
        if (pclSource->pclGetNAYFRecord() == nullptr) pclKept->FreeNAYFRecord();
        if (pclSource->pclGetRecordIdNoRef() == nullptr) pclKept->bShareRecordID(nullptr);
        pclKept->bShareTabMemoValue(nullptr);
    }
    if (!pclKept->bCopyRecordValue(pclSource, CNARecordValue::COPY_ALL)) {
        pclKept->nRelease();
        return nullptr;
    }
    return pclKept;
}

void CNADataAccess::_GiveBackKeptRecordValue(CNARecordValue* pclKept) {
    if (pclKept == nullptr) return;
    if (m_nKeptRecordValues < KEPT_RECORD_VALUES)
        m_apclKeptRecordValue[m_nKeptRecordValues++] = pclKept;
    else
        pclKept->nRelease();
}

void CNADataAccess::_FreeKeptRecordValues() {
    while (m_nKeptRecordValues > 0) {
        CNARecordValue* pcl = m_apclKeptRecordValue[--m_nKeptRecordValues];
        m_apclKeptRecordValue[m_nKeptRecordValues] = nullptr;
        pcl->nRelease();
    }
}

int CNADataAccess::_bGoToOriginalRecord(int bKeep, CNAStatement* pclStatement, int bReadRecord,
                                        eNA_PARSEDIRECTION eDirection, long nCount) {
    if (m_pclRecord == nullptr) return 0;
    CNARecordValue* pclCurrent = m_pclRecord->pclGetCurrentRecordValueNoRef();
    CNARecordValue* pclOriginal = m_pclRecord->pclGetOriginalRecordValueNoRef();
    if (pclCurrent == nullptr || pclOriginal == nullptr) return 0;
    CNARecordValue* pclKeptCurrent = _pclKeepRecordValue(pclCurrent);
    CNARecordValue* pclKeptOriginal = _pclKeepRecordValue(pclOriginal);
    if (pclKeptCurrent == nullptr || pclKeptOriginal == nullptr) {
        _GiveBackKeptRecordValue(pclKeptCurrent);
        _GiveBackKeptRecordValue(pclKeptOriginal);
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
        return 0;
    }
    // The search runs on the key of the record the host holds.
    m_pclRecord->bCopyOriginalRecordToCurrentRecord();
    const int bResult =
        _bGoToCurrentRecord(pclStatement, pclStatement->pszGetItemName(), bReadRecord, eDirection, nCount);
    int bOut = 0;
    pclStatement->HEndehors(&bOut);
    if (!bResult || bKeep || bOut) {
        pclCurrent->bCopyRecordValue(pclKeptCurrent, CNARecordValue::COPY_ALL);
        pclOriginal->bCopyRecordValue(pclKeptOriginal, CNARecordValue::COPY_ALL);
    }
    if (!bResult || bOut) _MarkOnFreshSave(this, pclStatement, CNAStatement::PARSENEEDUPDATE_REPOSITION);
    _GiveBackKeptRecordValue(pclKeptCurrent);
    _GiveBackKeptRecordValue(pclKeptOriginal);
    return bResult;
}

int CNADataAccess::bGoToStmtOriginalRecord(int bKeep, CNAStatement* pclStatement, int bReadRecord,
                                           eNA_PARSEDIRECTION eDirection, long nCount) {
    if (m_pclRecord == nullptr) return 0;
    CNARecordValue* pclOriginal = m_pclRecord->pclGetOriginalRecordValueNoRef();
    CNARecordValue* pclStmtOriginal = pclStatement->pclGetStmtOriginalRecord();
    if (pclOriginal == nullptr || pclStmtOriginal == nullptr) return 0;
    CNARecordValue* pclKept = _pclKeepRecordValue(pclOriginal);
    if (pclKept == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
        return 0;
    }
    pclOriginal->bCopyRecordValue(pclStmtOriginal, CNARecordValue::COPY_ALL);
    const int bResult = _bGoToOriginalRecord(bKeep, pclStatement, bReadRecord, eDirection, nCount);
    int bOut = 0;
    pclStatement->HEndehors(&bOut);
    if (!bResult || bKeep || bOut) pclOriginal->bCopyRecordValue(pclKept, CNARecordValue::COPY_ALL);
    _GiveBackKeptRecordValue(pclKept);
    return bResult;
}

int CNADataAccess::_bGoToCurrentRecord(CNAStatement* pclStatement, const wchar_t* pszItem, int bReadRecord,
                                       eNA_PARSEDIRECTION eDirection, long nCount) {
    if (m_pclRecord == nullptr) return 0;
    // Without a unique best item that has a value, the record may have twins in the browse.
    bool bDuplicates = true;
    INAItemDescription* piBest = piGetBestParseItemDesc();
    if (piBest != nullptr) {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(piBest);
        if (piBest->bUnique() && pclColumn != nullptr && pclColumn->bValueDefined()) bDuplicates = false;
        piBest->nExternalRelease();
    }
    INAItemDescription* piItem = piGetItemDescription(pszItem);
    CNARecherche* pclSearch = pclStatement->pclGetRecherche();
    if (piItem == nullptr || pclSearch == nullptr) {
        if (piItem != nullptr) piItem->nExternalRelease();
        if (pclSearch != nullptr) pclSearch->nRelease();
        return 0;
    }
    pclStatement->PrepareInternalSearch();
    int bResult = pclSearch->bRechercheEnreg(m_pclRecord, piItem, NA_PARSE_FIRST, 0, nullptr) & 1;
    piItem->nExternalRelease();
    if (bResult && bDuplicates)
        bResult = _bGotoCurrentRecord_DuplicateProcess(pclStatement->m_nDuplicateRank, &eDirection, &nCount);
    if (bResult) {
        const NA_WRITEPARSEFLAGS nFlags = pclStatement->m_nBrowseFlags | WPF_REPOSITIONING;
        const auto eNoLock = static_cast<eNA_LOCKTYPE>(0);
        switch (eDirection) {
            case NA_PARSE_FIRST:
            case NA_PARSE_NEXT:
                pclSearch->bSetContinueParcours(NA_PARSE_FIRST);
                bResult =
                    _bFetch(pclStatement, pszItem, NA_PARSE_FIRST, nCount, bReadRecord, eNoLock, nullptr, nFlags, 1);
                break;
            case NA_PARSE_LAST:
            case NA_PARSE_PREVIOUS:
                pclSearch->bSetContinueParcours(NA_PARSE_LAST);
                bResult =
                    _bFetch(pclStatement, pszItem, NA_PARSE_LAST, nCount, bReadRecord, eNoLock, nullptr, nFlags, 1);
                break;
            default: {
                bResult = _bFetch(pclStatement, pszItem, NA_PARSE_FIRST, nCount > 0 ? nCount : 1, bReadRecord, eNoLock,
                                  nullptr, nFlags, 1);
                int bFound = 0;
                pclStatement->EvalHTrouve(&bFound, nullptr);
                if (!bFound) {
                    pclStatement->CurrentRecordNotFound(pszItem, CNAError::FILE_DATAACCESS, 23);
                    bResult = 0;
                }
                break;
            }
        }
    }
    pclSearch->Desactivate();
    pclSearch->nRelease();
    return bResult;
}

int CNADataAccess::_bGotoCurrentRecord_DuplicateProcess(unsigned nRank, eNA_PARSEDIRECTION* peDirection,
                                                        long* pnCount) {
    int64_t llNumber = 0;
    if (!bGetNbEnr(&llNumber, 16, 0, nullptr, NA_PARSE_CURRENT)) return 0;
    const int64_t k = static_cast<int64_t>(nRank) + 1;
    const int64_t llCount = *pnCount;
    switch (*peDirection) {
        case NA_PARSE_CURRENT:
            if (k <= llNumber)
                *pnCount = static_cast<long>(k);
            else if (llNumber > 0)
                *pnCount = static_cast<long>(llNumber);
            break;
        case NA_PARSE_NEXT:
            if (llCount + k <= llNumber) {
                *peDirection = NA_PARSE_CURRENT;
                *pnCount = static_cast<long>(llCount + k);
            } else if (k <= llNumber) {
                *pnCount = static_cast<long>(k - llNumber + llCount);
            }
            break;
        case NA_PARSE_PREVIOUS:
            if (k > llCount && llCount < llNumber) {
                *peDirection = NA_PARSE_CURRENT;
                *pnCount = static_cast<long>(k - llCount);
            } else {
                *pnCount = static_cast<long>(llCount - k + 1);
            }
            break;
        default:
            break;
    }
    return 1;
}

int CNADataAccess::_bRelanceParcoursSurErreur(CNAStatement* pclStatement, const wchar_t*, eNA_PARSEDIRECTION eDirection,
                                              eNA_LOCKTYPE, eNA_LOCKTYPE*, NA_WRITEPARSEFLAGS nFlags) {
    _MarkOnFreshSave(this, pclStatement, CNAStatement::PARSENEEDUPDATE_REBUILD);
    if (m_nQuery != 0) {
        pclStatement->m_nBrowseFlags = nFlags;
        if ((nFlags & WPF_RESUME) != 0 && m_pclTableCache == nullptr) _bCreateNewTableCache();
        pclStatement->m_bContinuing = 1;
    }
    int bResult = 1;
    if (eDirection != NA_PARSE_CURRENT) bResult = _bUpdateParse(0, pclStatement, 1, eDirection, 1);
    pclStatement->m_bContinuing = 0;
    pclStatement->m_bRowLost = 0;
    return bResult;
}
