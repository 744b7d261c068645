// CNAStatement: the SQL of browses. Every read of the host (first, last, next, previous by an
// item, seek, filter, count, the next block of rows) ends in one SELECT written here into the
// statement's current command: over a table, or over a query the host parsed; the COUNT; the
// ORDER BY of the browse item completed until it orders the rows uniquely (a block that ends
// between two equal rows could not be continued), reversed for a backward browse; and the
// conditions that designate the current record or the latest row read.
//
// Every piece of text appended is checked: a SELECT that lost its WHERE, or part of it, would
// return rows outside the search or filter as if all went well.
#include <cwchar>
#include <new>

#include "core/TTableauPtr.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"
#include "native/model/NAYFRecord.h"
#include "native/sql/NARecherche.h"
#include "native/sql/ParsedQueryServices.h"
#include "native/statement/NARecordID.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NAStatement.h"

namespace {

// Debug sites of this unit's failures (file 4, the statement).
constexpr int SITE_NO_LATEST_ROW = 4;
constexpr int SITE_SUBQUERY_REFUSED = 6;
constexpr int SITE_ORDERBY_ITEM_UNKNOWN = 9;
constexpr int SITE_NO_ROW_DESIGNATION = 14;

// User errors raised here.
constexpr unsigned USER_ERROR_ORDERBY_ITEM_UNKNOWN = 6;
constexpr unsigned USER_ERROR_NO_CURRENT_RECORD = 7;
constexpr unsigned USER_ERROR_NO_BROWSE_ITEM = 17;
constexpr unsigned USER_ERROR_SUBQUERY_REFUSED = 41;

constexpr const wchar_t* COUNT_COLUMN = L"COUNT(*) AS KXACCESNATIF_NBENR";

bool _bEmpty(const wchar_t* psz) {
    return psz == nullptr || psz[0] == 0;
}

// Two names are the same when they are the same text, or both present and equal.
bool _bSameName(const wchar_t* pszA, const wchar_t* pszB) {
    if (pszA == pszB) return true;
    return pszA != nullptr && pszB != nullptr && wcscmp(pszA, pszB) == 0;
}

}  // namespace

// ---------------------------------------------------------------------------------- dispatch

int CNAStatement::bBuildQuery(eNAQUERYTYPE eType, CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags) {
    ResetQuery();
    _SetQuery(pclCommand);
    if (pclCommand != nullptr) pclCommand->SetNAQueryType(eType);
    switch (eType) {
        case NAQUERYTYPE_SELECT:
            return bBuildQuerySELECT(pclCommand, nFlags, nullptr, 1, nullptr);
        case NAQUERYTYPE_UPDATE:
            return bBuildQueryUPDATE(pclCommand, nFlags);
        case NAQUERYTYPE_INSERT:
            return bBuildQueryINSERT(pclCommand, nFlags);
        case NAQUERYTYPE_DELETE:
            return bBuildQueryDELETE(pclCommand, nFlags);
        case NAQUERYTYPE_DELETEALL:
            return bBuildQueryDELETEALL(pclCommand, nFlags);
        case NAQUERYTYPE_CREATE:
            return bBuildQueryCREATE(pclCommand);
        case NAQUERYTYPE_DROP:
            return bBuildQueryDROPTABLE(pclCommand);
        default:
            return 0;
    }
}

// ---------------------------------------------------------------------------------- SELECT

int CNAStatement::bBuildQuerySELECT(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags, const wchar_t* pszItem,
                                    int bAscending, CNACommand* pclWhere) {
    return _bTextKept(pclCommand, _bBuildQuerySELECT(pclCommand, nFlags, pszItem, bAscending, pclWhere));
}

int CNAStatement::_bBuildQuerySELECT(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags, const wchar_t* pszItem,
                                     int bAscending, CNACommand* pclWhere) {
    if (pclCommand == nullptr) return 0;
    _SetQuery(pclCommand);
    pclCommand->SetColumnMode(2);
    if (_bSourceIsQuery()) {
        for (int i = 0; m_pclRecord != nullptr && i < m_pclRecord->nGetNumColumns(); i++)
            if (!pclCommand->AddDefine(m_pclRecord->pclGetColumnNoRef(i))) return 0;
        return _bBuildQuerySELECTFromQuery(_pclGetParsedQueryNoRef(), nFlags, pszItem, bAscending, pclWhere, 1, 0);
    }
    m_nRowLocatorColumn = -1;
    if (!pclCommand->bComplete(L"SELECT ")) return 0;
    const int bDistinct = _bAddDistinct(nFlags);
    if (bDistinct && !pclCommand->bComplete(L"DISTINCT ")) return 0;
    if (!pclCommand->bAddSelectColumns(m_pclRecord, 0)) return 0;
    if (!bDistinct && _bDesignatesByRowLocator()) {
        const int nColumns = pclCommand->nGetDefineNbr();
        if (!pclCommand->bComplete(nColumns > 0 ? L",ctid,xmin" : L"ctid,xmin")) return 0;
        m_nRowLocatorColumn = nColumns;
    }
    return _bBuildQuerySELECTFromTable(nFlags, pszItem, bAscending, pclWhere, 1);
}

int CNAStatement::_bBuildQuerySELECTFromTable(NA_WRITEPARSEFLAGS nFlags, const wchar_t* pszItem, int bAscending,
                                              CNACommand* pclWhere, int bWithOrderBy) {
    return _bBuildQuerySELECTFromTable(_pszGetDBTableName(), nFlags, pszItem, bAscending, pclWhere, bWithOrderBy);
}

int CNAStatement::_bBuildQuerySELECTFromTable(const wchar_t* pszTable, NA_WRITEPARSEFLAGS nFlags,
                                              const wchar_t* pszItem, int bAscending, CNACommand* pclWhere,
                                              int bWithOrderBy) {
    CNACommand* pclCommand = m_pclCommand;
    if (pclCommand == nullptr) return 0;
    pclCommand->SetNAQueryType(NAQUERYTYPE_SELECT);
    if (!pclCommand->bComplete(L" FROM ") || !pclCommand->bComplete(pszTable)) return 0;
    CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
    const bool bHintAfterTable =
        pclCnx == nullptr || !(pclCnx->eGetDataSource() == 8 && pclCnx->nGetServerMajorVersion() > 9);
    if (bHintAfterTable && !pclCommand->bAddRecordLock()) return 0;
    if (pclWhere != nullptr && !pclWhere->bIsEmpty()) {
        if (!pclCommand->bComplete(L" WHERE ") || !pclCommand->bAdd(pclWhere, CNACommand::ADDMODE_SHARE)) return 0;
        if (!pclCommand->bCopyColumnValuesNullSelected(pclWhere->pclGetColumnNullValueExcludedNoRef())) return 0;
    }
    if (!bWithOrderBy) return 1;
    return _bFormatOrderBy(nullptr, nullptr, nFlags, pszItem, bAscending, 0);
}

int CNAStatement::_bBuildQuerySELECTFromQuery(CSQLParserInfo* pclParser, NA_WRITEPARSEFLAGS nFlags,
                                              const wchar_t* pszItem, int bAscending, CNACommand* pclWhere,
                                              int bWithOrderBy, int bAsSubQuery) {
    CNACommand* pclCommand = m_pclCommand;
    if (pclCommand == nullptr) return 0;
    if (pclCommand->eGetQueryType() == NAQUERYTYPE_NONE) pclCommand->SetNAQueryType(NAQUERYTYPE_SELECT);
    const uint32_t nQueryFlags = _nGetQueryFlags();
    const bool bCondition = pclWhere != nullptr && !pclWhere->bIsEmpty();
    if (!bAsSubQuery) {
        if (!_bRequeteSansCorrection()) {
            if (bWithOrderBy && _bBrowseAroundQuery(pclParser, nFlags, pszItem, bAscending, bCondition))
                return _bBuildQuerySELECTAroundQuery(pclParser, nFlags, pszItem, bAscending, pclWhere, nQueryFlags);
            // Read in no order of the browse's, a query whose LIMIT or OFFSET picks its rows keeps the
            // ORDER BY that picks them; kept, it is written with all that follows it.
            const bool bNoBrowseOrder = !bWithOrderBy || ((nFlags & NA_WPF_QUERY_ORDER) == 0 && _bEmpty(pszItem) &&
                                                          _bEmpty(m_clItemName.pszGet()));
            const int bKeepOrder = bNoBrowseOrder && NA_bQueryRowsFollowOrder(pclParser, pclGetConnectionNoRef()) ? 1 : 0;
            if (!NA_bFormatCondition(pclCommand, pclParser, pclWhere, bKeepOrder, nQueryFlags)) return 0;
            if (bWithOrderBy && !_bFormatOrderBy(nullptr, pclParser, nFlags, pszItem, bAscending, 0)) return 0;
            return bKeepOrder ? 1 : NA_bFormatEndOfQuery(pclCommand);
        }
        if (!bCondition)
            return NA_bFormatCondition(pclCommand, pclParser, nullptr, bWithOrderBy, nQueryFlags) &&
                   NA_bFormatEndOfQuery(pclCommand);
        // A condition added to a query that runs as the host wrote it needs a sub-query.
        CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
        if (pclCnx == nullptr || !pclCnx->bSupportSubQuery() || pclCommand->eGetQueryType() != NAQUERYTYPE_SELECT) {
            _AddError(NA_ERRORTYPE_GENERAL, SITE_SUBQUERY_REFUSED, _pszGetLogicalName(), nullptr,
                      USER_ERROR_SUBQUERY_REFUSED, _pszGetLogicalName());
            return 0;
        }
        if (!pclCommand->bComplete(_bAddDistinct(nFlags) ? L"SELECT DISTINCT * FROM " : L"SELECT * FROM ")) return 0;
    }
    if (!pclCommand->bComplete(L" (")) return 0;
    // A query whose LIMIT or OFFSET picks its rows keeps the ORDER BY that picks them (the
    // condition applies outside, to those rows); kept, the ORDER BY is written with all that
    // follows it, which is therefore not appended a second time.
    const int bKeepOrder = NA_bQueryRowsFollowOrder(pclParser, pclGetConnectionNoRef()) ? 1 : 0;
    if (!NA_bFormatCondition(pclCommand, pclParser, nullptr, bKeepOrder, nQueryFlags)) return 0;
    if ((!bKeepOrder && !NA_bFormatEndOfQuery(pclCommand)) || !_bCloseSubQuery()) return 0;
    if (bCondition && (!pclCommand->bComplete(L" WHERE ") || !pclCommand->bAdd(pclWhere, CNACommand::ADDMODE_SHARE)))
        return 0;
    return 1;
}

int CNAStatement::_bBrowseAroundQuery(CSQLParserInfo* pclParser, NA_WRITEPARSEFLAGS nFlags, const wchar_t* pszItem,
                                      int bAscending, int bCondition) {
    CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
    if (!NA_bQueryShapesResultset(pclParser, pclCnx)) return 0;
    const bool bQueryOrder = (nFlags & NA_WPF_QUERY_ORDER) != 0;
    if (!bQueryOrder && !(_bEmpty(pszItem) && _bEmpty(m_clItemName.pszGet()))) return 1;
    // In its own order, or in none: a condition merged into its WHERE would apply before its
    // LIMIT, OFFSET, GROUP BY or DISTINCT, and a backward ORDER BY before a LIMIT or OFFSET that
    // picks the rows by the forward one. Without either its text stays as it stands.
    if (!bCondition && (bAscending || !bQueryOrder || !NA_bQueryRowsFollowOrder(pclParser, pclCnx))) return 0;
    // Its own order must then be named outside it, by its output columns.
    CTString clOrder;
    return !bQueryOrder || NA_bQueryOrderByOutputNames(pclParser, m_pclRecord, bAscending, &clOrder);
}

int CNAStatement::_bBuildQuerySELECTAroundQuery(CSQLParserInfo* pclParser, NA_WRITEPARSEFLAGS nFlags,
                                                const wchar_t* pszItem, int bAscending, CNACommand* pclWhere,
                                                uint32_t nQueryFlags) {
    // A query that decides its own rows (LIMIT, DISTINCT, GROUP BY...) runs whole, its ORDER BY and
    // LIMIT kept; the browse's condition and order apply to its rows from outside, by their output names.
    CNACommand* pclCommand = m_pclCommand;
    if (!pclCommand->bComplete(L"SELECT * FROM (")) return 0;
    // Its ORDER BY kept, the query's text is written to its end.
    if (!NA_bFormatCondition(pclCommand, pclParser, nullptr, 1, nQueryFlags)) return 0;
    if (!pclCommand->bComplete(L") KX_SUBQUERY")) return 0;
    if (pclWhere != nullptr && !pclWhere->bIsEmpty()) {
        if (!pclCommand->bComplete(L" WHERE ") || !pclCommand->bAdd(pclWhere, CNACommand::ADDMODE_SHARE)) return 0;
        if (!pclCommand->bCopyColumnValuesNullSelected(pclWhere->pclGetColumnNullValueExcludedNoRef())) return 0;
    }
    return _bFormatOrderBy(nullptr, pclParser, nFlags, pszItem, bAscending, 1);
}

// ---------------------------------------------------------------------------------- COUNT

int CNAStatement::_bBuildQueryCOUNT(CNACommand* pclCommand, unsigned int, int bAllRows) {
    if (pclCommand == nullptr) return 0;
    CNACommand* pclCondition = nullptr;
    if (!bAllRows) {
        pclCondition = _pclAllocCommand();
        if (pclCondition == nullptr) return 0;
        // A count that lost its condition would count every row.
        if (!bGetClauseWHERE(pclCondition)) {
            pclCondition->nRelease();
            return 0;
        }
    }
    pclCommand->ResetCommand(0);
    _SetQuery(pclCommand);
    int bResult = pclCommand->bComplete(L"SELECT ") && pclCommand->bAddSelectAdditionnalColumn(COUNT_COLUMN, VQTYPE_I4);
    if (bResult) {
        if (!_bSourceIsQuery())
            bResult = _bBuildQuerySELECTFromTable(0, nullptr, 1, pclCondition, 0);
        else
            bResult = pclCommand->bComplete(L" FROM ") &&
                      _bBuildQuerySELECTFromQuery(_pclGetParsedQueryNoRef(), 0, nullptr, 0, pclCondition, 0, 1);
    }
    if (pclCondition != nullptr) pclCondition->nRelease();
    return _bTextKept(pclCommand, bResult);
}

int CNAStatement::_bTextKept(CNACommand* pclCommand, int bResult) const {
    // A text that lost a piece to memory says so, as the other failures do.
    if (!bResult && pclCommand != nullptr && !pclCommand->bComplete(L"") && m_pclError != nullptr &&
        m_pclError->eGetErrorType() == NA_ERRORTYPE_NONE)
        m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
    return bResult;
}

// ---------------------------------------------------------------------------------- ORDER BY

int CNAStatement::_bFormatOrderBy(const wchar_t*, CSQLParserInfo* pclParser, NA_WRITEPARSEFLAGS nFlags,
                                  const wchar_t* pszItem, int bAscending, int bByName) {
    CNACommand* pclCommand = m_pclCommand;
    if (pclCommand == nullptr) return 0;
    const bool bQueryOrder = (nFlags & NA_WPF_QUERY_ORDER) != 0;
    if (pclParser != nullptr && _bEmpty(pszItem) && !bQueryOrder) pszItem = m_clItemName.pszGet();
    // Ordered around the whole query (by name), its LIMIT no longer follows the browse's ORDER BY.
    if (pclParser != nullptr && !bByName && NA_bQueryResultsetLimited(pclParser, pclGetConnectionNoRef()))
        bAscending = 1;
    if (!_bEmpty(pszItem) && !bQueryOrder) {
        INAItemDescription* piItem = _pclGetItem(pszItem);
        if (piItem == nullptr) {
            _AddError(NA_ERRORTYPE_GENERAL, SITE_ORDERBY_ITEM_UNKNOWN, _pszGetLogicalName(), pszItem,
                      USER_ERROR_ORDERBY_ITEM_UNKNOWN, pszItem);
            pclCommand->SetInvertFetch(!bAscending);
            return 0;
        }
        // An item sorted descending by definition is browsed forward from its largest value.
        if (pclParser == nullptr && piItem->bGetDescendant(-1)) bAscending = !bAscending;
        CNAColumn* pclLeading = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnNoRef(piItem) : nullptr;
        CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
        if (pclLeading != nullptr && piItem->bMemo() && (pclCnx == nullptr || !pclCnx->bSupportOrderByMemo()))
            pclLeading = nullptr;
        const int bResult = _FormatORDERBYList(pclLeading, bAscending, pclParser, bByName, nFlags);
        piItem->nExternalRelease();
        pclCommand->SetInvertFetch(bAscending ? 0 : 1);
        return bResult;
    }
    if (pclParser != nullptr && bQueryOrder && !_bRequeteSansCorrection()) {
        int bResult = 1;
        if (bByName) {
            // Around the query read whole, its own order is that of its output columns.
            CTString clOrder;
            bResult = NA_bQueryOrderByOutputNames(pclParser, m_pclRecord, bAscending, &clOrder);
            if (bResult && clOrder.nTaille() > 0) bResult = pclCommand->bComplete(clOrder.pszGet());
        } else {
            bResult = NA_bFormatORDERBY(pclCommand, bByName, bAscending);
        }
        if (bResult) bResult = _FormatORDERBYList(nullptr, bAscending, pclParser, bByName, nFlags);
        pclCommand->SetInvertFetch(!bAscending);
        return bResult;
    }
    pclCommand->SetInvertFetch(0);
    return 1;
}

int CNAStatement::_FormatORDERBYList(CNAColumn* pclLeading, int bAscending, CSQLParserInfo* pclParser, int bByName,
                                     NA_WRITEPARSEFLAGS nFlags) const {
    CNACommand* pclCommand = m_pclCommand;
    if (pclCommand == nullptr) return 0;
    CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
    CNARefArray<CNAColumn>* pclColumns = new (std::nothrow) CNARefArray<CNAColumn>(30, 30);
    CTTableau<int> tabAscending(30, 30);
    if (pclColumns == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclCnx);
        return 0;
    }
    pclColumns->AddRef();
    int bStop = 0;
    int bResult = 1;

    // The leading column, or each component of a composite key in order.
    if (pclLeading != nullptr) {
        INAItemDescription* piKey = pclLeading->piGetItemNoRef();
        if (pclLeading->bIsComposedKey()) {
            const int n = piKey->nGetNumComponents();
            for (int i = 1; i <= n && bResult; i++) {
                INAItemDescription* piComponent = piKey->piGetItemComponent(i);
                CNAColumn* pclComponent = piComponent != nullptr && m_pclRecord != nullptr
                                              ? m_pclRecord->pclGetColumnNoRef(piComponent)
                                              : nullptr;
                int bDirection = bAscending;
                if (pclParser == nullptr && piKey->bGetDescendant(i)) bDirection = !bAscending;
                if (pclComponent != nullptr)
                    bResult = _AddItemInORDERBYList(&bStop, pclColumns, &tabAscending, pclComponent, bDirection);
                if (piComponent != nullptr) piComponent->nExternalRelease();
            }
        } else {
            bResult = _AddItemInORDERBYList(&bStop, pclColumns, &tabAscending, pclLeading, bAscending);
        }
    }

    const int nQueryItems = pclParser != nullptr ? NA_nGetOrderByItemNbr(pclParser) : 0;
    const bool bKeyword = pclLeading != nullptr || pclParser == nullptr || nQueryItems == 0;
    const bool bSupportMemo = pclCnx != nullptr && pclCnx->bSupportOrderByMemo();
    const uint32_t nCompletion = bAscending ? ORDERBY_COMPLETE_ASCENDING : ORDERBY_COMPLETE_DESCENDING;

    // Completed with the record's order-by columns until the rows are ordered uniquely.
    if (bResult && !(nFlags & NA_WPF_NO_ORDER_COMPLETION) && (m_nOrderByOptions & nCompletion) && !bStop &&
        m_pclRecord != nullptr) {
        for (int i = 0; i < m_pclRecord->nGetNumColumnsOrder() && !bStop && bResult; i++) {
            CNAColumn* pcl = m_pclRecord->pclGetColumnOrderNoRef(i);
            if (pcl == pclLeading || pcl->bIsComposedKey()) continue;
            if (!bSupportMemo &&
                (pcl->bIsMemo() ||
                 (pclParser != nullptr && (_bRequeteSansCorrection() || NA_bRubriqueSourceIsMemo(pclParser, pcl)))))
                continue;
            if (pclLeading == nullptr && nQueryItems > 0 && NA_nGetOrderByDirection(pclParser, pcl) >= 0) continue;
            bResult = _AddItemInORDERBYList(&bStop, pclColumns, &tabAscending, pcl, bAscending);
        }
    }

    const int nListed = pclColumns->nGetNbElement();
    if (bResult && nListed > 0) {
        // A LIMIT clause ending the host's query stays at the end, after the ORDER BY.
        CTString clLimit;
        CRefArray<CNAParameter> tabLimitParameters(4, 30);
        unsigned long nLimitStart = 0;
        const bool bLimit = _bSourceIsQuery() && !bByName && pclCommand->nGetLength() > 0 &&
                            s_bCutLimitClause(pclCommand, pclCnx, &clLimit, &tabLimitParameters, &nLimitStart);
        if (bKeyword) bResult = pclCommand->bComplete(L" ORDER BY ");
        const int nMax = (pclCnx != nullptr ? pclCnx->nGetOrderByMaxExpressionNbr() : 0x7FFFFFFF) - nQueryItems;
        const int nWritten = nListed < nMax ? nListed : nMax;
        for (int i = 0; i < nWritten && bResult; i++) {
            if ((i > 0 || !bKeyword) && !pclCommand->bComplete(L",")) bResult = 0;
            CTString clExpression;
            int bEntryAscending = tabAscending[i];
            if (bResult) _FormatItemORDERBY(pclColumns->GetAt(i), pclParser, bByName, &clExpression, &bEntryAscending);
            if (bResult) bResult = pclCommand->bComplete(clExpression.pszGet());
            if (bResult && !bEntryAscending) bResult = pclCommand->bComplete(L" DESC");
        }
        if (bResult && bLimit) bResult = s_bAppendLimitClause(pclCommand, clLimit, &tabLimitParameters, nLimitStart);
        if (!bResult && tabAscending.nGetNbElement() != nListed && m_pclError != nullptr)
            m_pclError->SetErrorNoMemory(pclCnx);
    }
    pclColumns->dwRelease();
    return bResult;
}

int CNAStatement::_AddItemInORDERBYList(int* pbStop, CNARefArray<CNAColumn>* pclColumns, CTTableau<int>* pclAscending,
                                        CNAColumn* pclColumn, int bAscending) const {
    if (pclColumn == nullptr) return 1;
    for (int i = 0; i < pclColumns->nGetNbElement(); i++) {
        const CNAColumn* pcl = pclColumns->GetAt(i);
        if (_bSameName(pcl->pszGetSourceName(), pclColumn->pszGetSourceName()) &&
            _bSameName(pcl->pszGetOriginalName(), pclColumn->pszGetOriginalName()))
            return 1;
    }
    if (pclColumn->bIsMemoDB()) {
        CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
        const bool bAllowed = (pclCnx != nullptr && pclCnx->bSupportOrderByMemo()) ||
                              (_bSourceIsQuery() && pclColumn->eGetTypeColonne() != 0);
        if (!bAllowed) return 1;
    }
    const int n = pclColumns->nGetNbElement();
    pclColumns->Ajoute(pclColumn);
    if (pclColumns->nGetNbElement() == n) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
        return 0;
    }
    pclAscending->Ajoute(bAscending);
    if (pclAscending->nGetNbElement() != pclColumns->nGetNbElement()) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
        return 0;
    }
    if (pclColumn->bUniqueNotNull() ||
        (pclColumn->bUnique() && m_pclCommand != nullptr && !m_pclCommand->bColumnValuesNullSelected(pclColumn)))
        *pbStop = 1;
    else
        *pbStop = _bComposedKeyUniqueNotNullAdded(pclColumns);
    return 1;
}

int CNAStatement::_bComposedKeyUniqueNotNullAdded(CNARefArray<CNAColumn>* pclColumns) const {
    if (m_pclRecord == nullptr) return 0;
    CColumnNullValueExcluded* pclExcluded = nullptr;
    if (m_pclCommand != nullptr) {
        pclExcluded = m_pclCommand->pclGetColumnNullValueExcludedNoRef();
        if (pclExcluded == nullptr) return 0;
    }
    CTTableauPtr<CNAColumn> tabColumns(30, 30);
    for (int i = 0; i < pclColumns->nGetNbElement(); i++) tabColumns.Ajoute(pclColumns->GetAt(i));
    if (tabColumns.nGetNbElement() != pclColumns->nGetNbElement()) return 0;
    return m_pclRecord->bComposedKeyUniqueNotNullAdded(static_cast<CNAColumn**>(tabColumns.pGetBuffer()),
                                                       tabColumns.nGetNbElement(), pclExcluded)
               ? 1
               : 0;
}

void CNAStatement::_FormatItemORDERBY(const CNAColumn* pclColumn, CSQLParserInfo* pclParser, int bByName,
                                      CTString* pclOut, int* pbAscending) const {
    CNAColumn* pcl = const_cast<CNAColumn*>(pclColumn);
    CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
    if (bByName) {
        pclOut->Set(pcl->pszGetFormatedName());
    } else {
        const unsigned eKind = pcl->eGetTypeColonne();
        if ((eKind == 1 || eKind == 2) && pclCnx != nullptr && pclCnx->bOrderByIndiceAllowed()) {
            pclOut->Vide();
            pclOut->AddI4(pcl->nGetPhysicalIndice() + 1);
        } else {
            pclOut->Set(pcl->pszGetFormatedSelectName(0));
        }
    }
    if (pclParser != nullptr && !_bRequeteSansCorrection()) {
        // The query orders by this column itself: its own direction composes with the browse's.
        const int nDirection = NA_nGetOrderByDirection(pclParser, pclColumn);
        if (nDirection == 1) *pbAscending = !*pbAscending;
    }
}

// ---------------------------------------------------------------------------------- the LIMIT of a host query

int CNAStatement::s_bCutLimitClause(CNACommand* pclCommand, CNAConnectionDescription* pclConnection,
                                    CTString* pclClause, CRefArray<CNAParameter>* pclParameters,
                                    unsigned long* pnClauseStart) {
    const wchar_t* pszText = pclCommand->pszGetOriginalSQL();
    // The clause starts at LIMIT or at an OFFSET written before it (or alone): an ORDER BY may
    // follow neither.
    long nLimit = CNACommand::s_nGetClauseStart(pclConnection, pszText, L"LIMIT", -1);
    const long nOffset = CNACommand::s_nGetClauseStart(pclConnection, pszText, L"OFFSET", -1);
    if (nOffset >= 0 && (nLimit < 0 || nOffset < nLimit)) nLimit = nOffset;
    if (nLimit < 0) return 0;
    pclClause->Set(pszText + nLimit);
    *pnClauseStart = static_cast<unsigned long>(nLimit);
    long nCut = nLimit - 1;
    while (nCut > 0 && CNACommand::s_bSeparateur(pszText[nCut - 1])) nCut--;
    if (nCut < 0) nCut = 0;
    // The cut never reaches back before a parameter: the text in front of it (b= in b=:x LIMIT 3)
    // is the parameter's.
    for (int i = 0; i < pclCommand->nGetParameterNbr(); i++) {
        const unsigned long nPosition = pclCommand->pclGetParameterNoRef(static_cast<unsigned>(i))->nGetPosition();
        if (nPosition > static_cast<unsigned long>(nCut) && nPosition < static_cast<unsigned long>(nLimit))
            nCut = static_cast<long>(nPosition);
    }
    // The parameters placed in the clause (a bind variable as the row count) go with it; one placed
    // where the cut falls (a bind variable just before the clause) stays with the text before it,
    // which the cut would drop with the rest.
    CRefArray<CNAParameter> tabKept(4, 30);
    for (int i = 0; i < pclCommand->nGetParameterNbr(); i++) {
        CNAParameter* pcl = pclCommand->pclGetParameterNoRef(static_cast<unsigned>(i));
        if (pcl->nGetPosition() < static_cast<unsigned long>(nCut)) continue;
        CRefArray<CNAParameter>* pclTarget =
            pcl->nGetPosition() >= static_cast<unsigned long>(nLimit) ? pclParameters : &tabKept;
        const int n = pclTarget->nGetNbElement();
        pclTarget->Ajoute(pcl);
        if (pclTarget->nGetNbElement() == n) return 0;
    }
    pclCommand->Tronque(static_cast<unsigned long>(nCut));
    for (int i = 0; i < tabKept.nGetNbElement(); i++) {
        CNAParameter* pcl = tabKept[i];
        pcl->SetPosition(static_cast<unsigned long>(nCut));
        if (!pclCommand->bAddParameter(pcl)) return 0;
    }
    return 1;
}

int CNAStatement::s_bAppendLimitClause(CNACommand* pclCommand, const CTString& clClause,
                                       CRefArray<CNAParameter>* pclParameters, unsigned long nClauseStart) {
    if (!pclCommand->bComplete(L" ")) return 0;
    const unsigned long nNewStart = pclCommand->nGetLength();
    if (!pclCommand->bComplete(clClause.pszGet())) return 0;
    for (int i = 0; i < pclParameters->nGetNbElement(); i++) {
        CNAParameter* pcl = pclParameters->GetAt(i);
        const unsigned long nOld = pcl->nGetPosition();
        pcl->SetPosition(nNewStart + (nOld > nClauseStart ? nOld - nClauseStart : 0));
        if (!pclCommand->bAddParameter(pcl)) return 0;
    }
    return 1;
}

// ---------------------------------------------------------------------------------- WHERE of a row

int CNAStatement::_bAddWHERECurrentRecord(CNACommand* pclCommand, int bAddWhere,
                                          const CNARefArray<CNAColumn>* pclColumns) {
    if (pclCommand == nullptr) return 0;
    INAItemDescription* piItem = m_piDataSource != nullptr ? m_piDataSource->piGetBestParseItemDesc() : nullptr;
    CNARecherche* pclSearch = pclAllocRecherche(m_pclError);
    if (pclSearch == nullptr) {
        if (piItem != nullptr) piItem->nExternalRelease();
        return 0;
    }
    pclSearch->AddRef();
    int bResult = pclSearch->bRechercheEnreg(m_pclRecord, piItem, NA_PARSE_FIRST, 1, pclColumns) & 1;
    CNACommand* pclCondition = _pclAllocCommand();
    if (pclCondition == nullptr) bResult = 0;
    if (bResult) bResult = pclSearch->bGetSQL(pclCondition, nullptr, nullptr) & 1;
    if (bResult && pclCondition->bIsEmpty()) {
        // Nothing designates the row: written so, the statement would reach every row.
        _AddError(NA_ERRORTYPE_GENERAL, SITE_NO_ROW_DESIGNATION, _pszGetLogicalName(), m_clItemName.pszGet(),
                  USER_ERROR_NO_BROWSE_ITEM, _pszGetLogicalName());
        bResult = 0;
    }
    if (bResult && bAddWhere) bResult = pclCommand->bComplete(L" WHERE ");
    if (bResult) bResult = pclCommand->bAdd(pclCondition, CNACommand::ADDMODE_SHARE);
    if (pclCondition != nullptr) pclCondition->nRelease();
    pclSearch->nRelease();
    if (piItem != nullptr) piItem->nExternalRelease();
    return _bTextKept(pclCommand, bResult);
}

int CNAStatement::_bAddWHERELatestRead(CNACommand* pclCommand, int bAddWhere,
                                       const CNARefArray<CNAColumn>* pclColumns) {
    if (pclCommand == nullptr) return 0;
    if (m_pclRecord == nullptr || !m_pclRecord->bOriginalExists()) {
        _AddError(NA_ERRORTYPE_GENERAL, SITE_NO_LATEST_ROW, _pszGetLogicalName(), m_clItemName.pszGet(),
                  USER_ERROR_NO_CURRENT_RECORD, _pszGetLogicalName());
        return 0;
    }
    const CNARecordValue* pclLatest = m_pclRecord->pclGetOriginalRecordValueNoRef();
    const CNARecordId* pclId = pclLatest != nullptr ? pclLatest->pclGetRecordIdNoRef() : nullptr;
    if (pclId != nullptr && pclId->eGetRecordIdType() == NA_RECORDID_ROWID) {
        if ((bAddWhere && !pclCommand->bComplete(L" WHERE ")) || !pclCommand->bComplete(L" ROWID="))
            return _bTextKept(pclCommand, 0);
        return pclCommand->bAddParameter(static_cast<const CNARecordId_RowId*>(pclId)->pclGetVariantNoRef(),
                                         OPEXPRESSION_NONE, 0, nullptr, nullptr, 0, CNAParameter::NAPARAM_IN);
    }
    // The row is designated by its key values: those of the latest row read, in the current image
    // for the time of the writing.
    CNAYFRecord* pclCurrent = m_pclRecord->pclGetNAYFRecord();
    CNAYFRecord* pclSaved = pclCurrent != nullptr ? pclCurrent->pclGetClone() : nullptr;
    if (pclSaved == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
        return 0;
    }
    pclSaved->AddRef();
    int bResult = pclCurrent->Copy(m_pclRecord->pclGetOriginalNAYFRecord()) ? 1 : 0;
    m_pclRecord->OnNAYFRecordChanged();
    // The memos too are those of the row as read: a text the host changed since would designate
    // another row, or none.
    CRefArray<CNAConvertVariant> tabMemosWritten(4, 0);
    if (bResult) bResult = _bSwapMemosWithLatestRead(pclLatest, &tabMemosWritten);
    if (bResult) bResult = _bAddWHERECurrentRecord(pclCommand, bAddWhere, pclColumns);
    _RestoreMemosWritten(&tabMemosWritten);
    pclCurrent->Copy(pclSaved);
    m_pclRecord->OnNAYFRecordChanged();
    pclSaved->nRelease();
    return bResult;
}

int CNAStatement::_bSwapMemosWithLatestRead(const CNARecordValue* pclLatest, CRefArray<CNAConvertVariant>* ptabKept) {
    const CRefArray<CNAColumn>* ptabMemos = m_pclRecord->pclGetTabColumnMemo();
    for (int i = 0; ptabMemos != nullptr && pclLatest != nullptr && i < ptabMemos->nGetNbElement(); i++) {
        CNAColumn* pclColumn = ptabMemos->GetAt(i);
        CNAConvertVariant* pclValue = pclColumn != nullptr ? pclColumn->pclGetNAValue() : nullptr;
        CNAConvertVariant* pclRead =
            pclValue != nullptr ? pclLatest->pclGetMemoValueNoRef(pclColumn->nGetMemoIndice()) : nullptr;
        // Each entry keeps its place, so that the restore pairs every memo with its own value.
        CNAConvertVariant* pclKept = pclRead != nullptr && pclRead != pclValue ? pclValue->pclGetCloneVariant() : nullptr;
        const int n = ptabKept->nGetNbElement();
        ptabKept->Ajoute(pclKept);
        if (ptabKept->nGetNbElement() == n || (pclRead != nullptr && pclRead != pclValue && pclKept == nullptr)) {
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
            return 0;
        }
        if (pclKept != nullptr && !pclValue->bCopyVariant(pclRead)) return 0;
    }
    return 1;
}

void CNAStatement::_RestoreMemosWritten(CRefArray<CNAConvertVariant>* ptabKept) {
    const CRefArray<CNAColumn>* ptabMemos = m_pclRecord->pclGetTabColumnMemo();
    for (int i = 0; ptabMemos != nullptr && i < ptabKept->nGetNbElement() && i < ptabMemos->nGetNbElement(); i++) {
        CNAConvertVariant* pclKept = ptabKept->GetAt(i);
        CNAColumn* pclColumn = ptabMemos->GetAt(i);
        if (pclKept != nullptr && pclColumn != nullptr && pclColumn->pclGetNAValue() != nullptr)
            pclColumn->pclGetNAValue()->bCopyVariant(pclKept);
    }
}
