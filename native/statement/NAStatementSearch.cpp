// The searches and filters the host sets on a statement: the user search and the search object it
// drives, their cancellation, and the statement's range filter with its activation.
#include "native/driver/NAError.h"
#include "native/model/NAInterfaces.h"
#include "native/sql/NAFilter.h"
#include "native/sql/NARecherche.h"
#include "native/statement/NAStatement.h"

// ---------------------------------------------------------------------------------- searches

int CNAStatement::_bSetRecherche(const wchar_t* pszItem, const CAny* pclValue, eNA_PARSEDIRECTION eDirection,
                                 int bGeneric) {
    INAItemDescription* piItem = _pclGetItem(pszItem);
    if (piItem == nullptr) return 0;
    CNARecherche* pclSearch = pclGetRecherche();
    int bResult = 0;
    if (pclSearch != nullptr) {
        bResult = pclSearch->bSetRecherche(m_pclRecord, piItem, pclValue, eDirection, bGeneric ? 0 : 1, 0) & 1;
        pclSearch->nRelease();
    } else if (m_pclError != nullptr) {
        m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
    }
    piItem->nExternalRelease();
    return bResult;
}

int CNAStatement::bSetUserSearch(const wchar_t* pszItem, const CAny* pclValue, eNA_PARSEDIRECTION eDirection,
                                 int bGeneric) {
    INAItemDescription* piItem = _pclGetItem(pszItem);
    if (piItem == nullptr) return 0;
    m_clUserSearch.SetUserSearch(piItem, pclValue, bGeneric ? static_cast<uint32_t>(CNAUserSearch::OPTION_GENERIC) : 0u);
    piItem->nExternalRelease();
    m_bInternalSearch = 0;
    const int bResult = _bSetRecherche(pszItem, pclValue, eDirection, bGeneric);
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

// ---------------------------------------------------------------------------------- filters

CNAFilter* CNAStatement::_pclGetFilter() {
    if (m_pclFilter == nullptr) {
        CNAFilter* pclFilter = pclAllocFilter(m_pclError);
        if (pclFilter == nullptr) {
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
            return nullptr;
        }
        _SetFilter(pclFilter);
    }
    return m_pclFilter;
}

int CNAStatement::bSetFilter(const wchar_t* pszItem, const CAny* pclMin, int bMinIncluded, const CAny* pclMax,
                             int bMaxIncluded, ISQLParserInformation* piCondition) {
    INAItemDescription* piItem = _pclGetItem(pszItem);
    if (piItem == nullptr) return 0;
    // A filter someone else holds (a saved position, the access's latest filter) stays as it is.
    if (m_pclFilter != nullptr && m_pclFilter->nGetRef() >= 2) _SetFilter(static_cast<CNAFilter*>(nullptr));
    CNAFilter* pclFilter = _pclGetFilter();
    int bResult = 0;
    if (pclFilter != nullptr)
        bResult = pclFilter->bSetFilter(m_pclRecord, piItem, pclMin, bMinIncluded, pclMax, bMaxIncluded, piCondition, 0);
    piItem->nExternalRelease();
    return bResult;
}

CNAFilter* CNAStatement::pclActivateFilter() {
    CNAFilter* pclFilter = _pclGetFilter();
    if (pclFilter != nullptr && !pclFilter->bIsFilterActive()) pclFilter->ActivateFilter(1);
    return pclFilter;
}

void CNAStatement::DesactivateFilter() {
    if (m_pclFilter != nullptr && m_pclFilter->bIsFilterActive()) m_pclFilter->ActivateFilter(0);
}
