// The data access's searches and filters: a search along a browse item, its cancellation, range
// and condition filters with their activation, the choice of the browse item of a condition, the
// filter carried to a new item, and the change of browse item that keeps the record the host holds.
#include <cwchar>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"
#include "native/sql/NAFilter.h"
#include "native/sql/NARecherche.h"
#include "native/sql/SQLParserInterfaces.h"
#include "native/table/NADataAccess.h"

namespace {

constexpr int SITE_NO_BEST_ITEM = 9;
constexpr int SITE_BUILD_KEY_VALUE = 13;

constexpr unsigned USER_ERROR_NOT_AVAILABLE = 8;
constexpr unsigned USER_ERROR_NO_BEST_ITEM = 17;

// The host's elements of a parsed condition that name an item (the node of an item reference,
// under either of the host's codes for it); an element the host marked itself (0x100 added to its
// kind) names none.
constexpr int ELEMENT_ITEM_REFERENCE = 110;
constexpr int ELEMENT_ITEM_NODE = 47;

// The lock type of the read a search starts with when the server cannot run a sub-query.
constexpr unsigned LOCK_NONE = 1;

// The item named by an item reference: the part after the first "." when it is qualified.
const wchar_t* _pszItemOfReference(const wchar_t* pszText) {
    if (pszText == nullptr) return nullptr;
    const wchar_t* pszDot = wcschr(pszText, L'.');
    return pszDot != nullptr ? pszDot + 1 : pszText;
}

// What the walk of a condition's item references found so far (external references held).
struct stBestItem {
    INAItemDescription* piFallback = nullptr;
    INAItemDescription* piDuplicates = nullptr;
    INAItemDescription* piUnique = nullptr;

    void Release() {
        for (INAItemDescription* pi : {piFallback, piDuplicates, piUnique})
            if (pi != nullptr) pi->nExternalRelease();
        piFallback = piDuplicates = piUnique = nullptr;
    }
};

}  // namespace

// ---------------------------------------------------------------------------------- search

int CNADataAccess::bHRecherche(const wchar_t* pszItem, const CAny* pclValue, int nSearchMode, int bReadRecord,
                               eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut, int bForward, NA_WRITEPARSEFLAGS nFlags) {
    return bHRecherche(pszItem, pszItem, pclValue, nSearchMode, bReadRecord, eLock, peLockOut, bForward, nFlags);
}

int CNADataAccess::bHRecherche(const wchar_t* pszItem, const wchar_t* pszSearchItem, const CAny* pclValue,
                               int nSearchMode, int bReadRecord, eNA_LOCKTYPE eLock, eNA_LOCKTYPE* peLockOut,
                               int bForward, NA_WRITEPARSEFLAGS nFlags) {
    if (bRequeteSansCorrection() && m_pclCnx != nullptr && !m_pclCnx->bSupportSubQuery()) {
        // The query runs as the host wrote it: its whole result is read first, then searched.
        eNA_LOCKTYPE eLocalLock = static_cast<eNA_LOCKTYPE>(LOCK_NONE);
        if (!bHLitxxx(pszSearchItem, NA_PARSE_FIRST, 1, static_cast<eNA_LOCKTYPE>(LOCK_NONE), &eLocalLock, nFlags))
            return 0;
        nFlags |= WPF_READ_ONLY_WHAT_IS_THERE;
    }
    if (m_pclTableCache == nullptr) nFlags &= ~WPF_READ_ONLY_WHAT_IS_THERE;
    const eNA_PARSEDIRECTION eDirection = bForward ? NA_PARSE_FIRST : NA_PARSE_LAST;
    CNAStatement* pclStatement = _pclGetNewItemStatement(pszItem, eDirection, nFlags);
    if (pclStatement == nullptr) return 0;
    if (m_pclTableCache != nullptr) {
        if ((nFlags & WPF_READ_ONLY_WHAT_IS_THERE) != 0) {
            if (!pclStatement->bOpenUsingTableCache()) {
                pclStatement->nRelease();
                return 0;
            }
        } else {
            _FreeTableCache();
        }
    }
    pclStatement->m_nBrowseFlags = nFlags;
    int bResult = pclStatement->bSetUserSearch(pszSearchItem, pclValue, eDirection, nSearchMode);
    if (bResult) bResult = _bFetch(pclStatement, pszItem, eDirection, 1, bReadRecord, eLock, peLockOut, nFlags, 0);
    pclStatement->nRelease();
    return bResult;
}

int CNADataAccess::bHAnnuleRecherche(const wchar_t* pszItem) {
    CNAStatement* pclStatement = nullptr;
    if (pszItem != nullptr) {
        pclStatement = _pclFindStatement(pszItem);
    } else if (m_pclCurrentStatement != nullptr) {
        pclStatement = m_pclCurrentStatement;
        pclStatement->AddRef();
    }
    if (pclStatement == nullptr) return 1;
    pclStatement->AnnuleRecherche();
    pclStatement->nRelease();
    return 1;
}

// ---------------------------------------------------------------------------------- filters

int CNADataAccess::bHFiltre(const wchar_t* pszItem, const CAny* pclMin, int bMinIncluded, const CAny* pclMax,
                            int bMaxIncluded, ISQLParserInformation* piCondition) {
    CNAStatement* pclStatement = _pclGetNewItemStatement(pszItem, NA_PARSE_FIRST, 0);
    if (pclStatement == nullptr) return 0;
    const int bResult = pclStatement->bSetFilter(pszItem, pclMin, bMinIncluded, pclMax, bMaxIncluded, piCondition);
    if (bResult) {
        _DesactivateAllFilter();
        SetLatestFilter(pclStatement->pclActivateFilter());
    }
    pclStatement->nRelease();
    return bResult;
}

int CNADataAccess::bHFiltre(ISQLParserInformation* piCondition, wchar_t* pszItem) {
    if (!bFindBestItem(piCondition, pszItem)) return 0;
    return bHFiltre(pszItem, nullptr, 1, nullptr, 1, piCondition);
}

// Walks a condition tree in the order of its text, node before operands.
static void _WalkItemReferences(IExpOpExpression* piNode, INADataSourceDescription* piDescription,
                                stBestItem* pstBest) {
    if (piNode == nullptr) return;
    const int nKind = piNode->eGetOperateur();
    if (nKind == ELEMENT_ITEM_REFERENCE || nKind == ELEMENT_ITEM_NODE) {
        const wchar_t* pszName = _pszItemOfReference(piNode->pszGetNomRubrique());
        INAItemDescription* piItem =
            pszName != nullptr && pszName[0] != 0 ? piDescription->piNAGetItem(pszName) : nullptr;
        if (piItem != nullptr) {
            if (!piItem->bMemo() && pstBest->piFallback == nullptr) {
                pstBest->piFallback = piItem;
            } else if (piItem->bUnique() && pstBest->piUnique == nullptr) {
                pstBest->piUnique = piItem;
                return;
            } else if (pstBest->piDuplicates == nullptr && !piItem->bUnique()) {
                pstBest->piDuplicates = piItem;
            } else {
                piItem->nExternalRelease();
            }
        }
    }
    int nCursor = 0;
    for (IExpOpExpression* piOperand = piNode->piGetOperandeSuivant(&nCursor);
         piOperand != nullptr && pstBest->piUnique == nullptr; piOperand = piNode->piGetOperandeSuivant(&nCursor))
        _WalkItemReferences(piOperand, piDescription, pstBest);
}

int CNADataAccess::bFindBestItem(ISQLParserInformation* piCondition, wchar_t* pszItem) {
    stBestItem stBest;
    if (piCondition != nullptr && m_piDescription != nullptr)
        _WalkItemReferences(piCondition->piGetExpressionWhere(), m_piDescription, &stBest);
    INAItemDescription* piChosen = stBest.piUnique != nullptr       ? stBest.piUnique
                                   : stBest.piDuplicates != nullptr ? stBest.piDuplicates
                                                                    : stBest.piFallback;
    const wchar_t* pszName = piChosen != nullptr ? piChosen->pszGetName() : nullptr;
    INAItemDescription* piBest = nullptr;
    if (pszName == nullptr) {
        piBest = piGetBestParseItemDesc();
        pszName = piBest != nullptr ? piBest->pszGetName() : nullptr;
    }
    int bResult = 0;
    if (pszName != nullptr && pszItem != nullptr) {
        wcsncpy(pszItem, pszName, ITEM_NAME_CAPACITY - 1);
        pszItem[ITEM_NAME_CAPACITY - 1] = 0;
        bResult = 1;
    } else {
        _AddError(NA_ERRORTYPE_GENERAL, SITE_NO_BEST_ITEM, nullptr, USER_ERROR_NO_BEST_ITEM, pszGetLogicalName());
    }
    if (piBest != nullptr) piBest->nExternalRelease();
    stBest.Release();
    return bResult;
}

int CNADataAccess::bHActiveFiltre(const wchar_t* pszItem) {
    if (m_pclLatestFilter != nullptr) m_pclLatestFilter->ActivateFilter(1);
    CNAStatement* pclStatement = _pclFindStatement(pszItem);
    if (pclStatement == nullptr) return 1;
    if (pclStatement->m_bStarted && pclStatement->eParseNeedUpdate() == CNAStatement::PARSENEEDUPDATE_NONE)
        pclStatement->bSetParseNeedUpdate(CNAStatement::PARSENEEDUPDATE_REPOSITION);
    pclStatement->nRelease();
    return 1;
}

int CNADataAccess::bHDesactiveFiltre(const wchar_t* pszItem) {
    CNAStatement* pclStatement = _pclFindStatement(pszItem);
    if (pclStatement == nullptr) return 1;
    pclStatement->DesactivateFilter();
    pclStatement->nRelease();
    return 1;
}

void CNADataAccess::_DesactivateAllFilter() {
    unsigned nCursor = 0;
    CNAStatement* pclStatement = nullptr;
    while (m_tabStatement.bParse(&nCursor, &pclStatement, nullptr))
        if (pclStatement != nullptr) pclStatement->DesactivateFilter();
}

void CNADataAccess::SetLatestFilter(CNAFilter* pclFilter) {
    if (pclFilter != nullptr) pclFilter->AddRef();
    if (m_pclLatestFilter != nullptr) m_pclLatestFilter->nRelease();
    m_pclLatestFilter = pclFilter;
}

int CNADataAccess::_bKeepFilter(CNAStatement* pclFrom, CNAStatement* pclTo) {
    if (pclFrom == nullptr || pclTo == nullptr) return 1;
    CNAFilter* pclFilter = pclFrom->pclGetFilter();
    if (pclFilter == nullptr) return 1;
    pclTo->_SetFilter(pclFilter);
    pclFilter->nRelease();
    return 1;
}

// ---------------------------------------------------------------------------------- change of item

int CNADataAccess::bHChangeCle(const wchar_t* pszItem, NA_WRITEPARSEFLAGS nFlags) {
    CNAStatement* pclPrevious = _pclGetLastStatement();
    if (pclPrevious == nullptr) return 0;
    CNAStatement* pclStatement = _pclGetNewItemStatement(pszItem, NA_PARSE_CURRENT, nFlags);
    if (pclStatement == nullptr) {
        pclPrevious->nRelease();
        return 0;
    }
    int bResult = 1;
    if (m_nLastReadSave != -1) {
        bResult = pclStatement->bSetParseNeedUpdate(CNAStatement::PARSENEEDUPDATE_REBUILD, m_nLastReadSave) &&
                  bSetCurrentRecordRead(1);
    } else if (pclStatement != pclPrevious) {
        if (pclPrevious->eParseNeedUpdate() == CNAStatement::PARSENEEDUPDATE_NONE) {
            const int nSlot = nKeepOriginalRecordSave(pclPrevious);
            if (nSlot != -1) {
                bResult = pclStatement->bSetParseNeedUpdate(CNAStatement::PARSENEEDUPDATE_REPOSITION, nSlot);
                nReleaseRecordSave(nSlot);
            }
        } else {
            const int nSlot = pclPrevious->nGetRecordSaveID();
            bResult = pclStatement->bSetParseNeedUpdate(CNAStatement::PARSENEEDUPDATE_REPOSITION, nSlot) &&
                      bRestoreOriginalRecordSave(nSlot) && bCopyOriginalRecordToCurrentRecord();
        }
    }
    pclStatement->nRelease();
    pclPrevious->nRelease();
    return bResult;
}

int CNADataAccess::bHConstruitValCle(CAny*, const wchar_t*, unsigned, CAny**) {
    _AddError(NA_ERRORTYPE_GENERAL, SITE_BUILD_KEY_VALUE, nullptr, USER_ERROR_NOT_AVAILABLE, pszGetLogicalName());
    return 0;
}
