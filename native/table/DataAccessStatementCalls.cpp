// The statement's re-positioning, searches and saved positions as the data access reaches them
// until their members land (see DataAccessStatementCalls.h).
#include "native/table/DataAccessStatementCalls.h"

#include "native/model/NAPosition.h"
#include "native/sql/NARecherche.h"
#include "native/sql/SQLParserInfo.h"

int CNADataAccess::_StatementCalls::bCanUpdateParse(CNAStatement* pclStatement) {
    CNADataAccess* pclAccess = pclStatement->pclGetDataAccessNoRef();
    if (pclAccess == nullptr) return 1;
    if (pclAccess->bRequeteSansCorrection()) return 0;
    if (pclAccess->bSourceIsQuery() && (pclStatement->m_nBrowseFlags & CNADataAccess::WPF_QUERY_ORDER) != 0) {
        CSQLParserInfo* pclParser = pclAccess->pclGetParsedQueryNoRef();
        return pclParser != nullptr && pclParser->piGetOrderByItemNoRef() != nullptr ? 1 : 0;
    }
    return 1;
}

void CNADataAccess::_StatementCalls::AnnuleRechercheUser(CNAStatement* pclStatement) {
    pclStatement->m_clUserSearch.CancelUserSearch();
    if (!pclStatement->m_bInternalSearch && pclStatement->m_pclRecherche != nullptr)
        pclStatement->m_pclRecherche->Cancel();
}

void CNADataAccess::_StatementCalls::DesactivateRechercheUserAndInternal(CNAStatement* pclStatement) {
    pclStatement->m_clUserSearch.CancelUserSearch();
    pclStatement->DesactivateRecherche();
    pclStatement->m_bInternalSearch = 0;
}

int CNADataAccess::_StatementCalls::bAddSavedPosition(CNAStatement* pclStatement, int nId, CNAPosition* pclPosition) {
    return pclStatement->m_tabSavedPositions.bSet(nId, pclPosition);
}

int CNADataAccess::_StatementCalls::bRemoveSavedPosition(CNAStatement* pclStatement, int nId) {
    CNAPosition* pclPosition = nullptr;
    if (!pclStatement->m_tabSavedPositions.bGet(nId, &pclPosition)) return 0;
    CRefTraits<CNAPosition>::_Release(pclPosition);
    return pclStatement->m_tabSavedPositions.bRemove(nId);
}
