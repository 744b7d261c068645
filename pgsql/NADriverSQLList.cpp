// The SQL-command driver's lists: the runner that turns the rows of a query into one text (rows
// separated by a line separator, values by tabs), the database list of the driver object's own
// operation, and the link list.
#include <cwchar>

#include "core/XYString.h"
#include "core/XYStringConcat.h"
#include "native/driver/NAError.h"
#include "pgsql/NADriverSQL.h"
#include "variant/Any.h"

namespace {

constexpr unsigned long GROWTH = 1024;

// The variant becomes a non-NULL shared wide text holding the builder's text.
void _SetList(CAny* pclOut, const CXYStringConcat<wchar_t>& clText) {
    CXYString<wchar_t> clList;
    if (!clText.bEstVide()) clList.nConcat(clText.pszGet(), static_cast<int>(clText.nGetLongueur()));
    pclOut->__SetType(VQTYPE_DSTRW, 0);
    pclOut->pclGetValeur()->SetValue(&clList);
    pclOut->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
}

}  // namespace

int CNADriverSQL::_bGetList(CXYStringConcat<wchar_t>* pclOut, CNAConnectionDescription* pclCnx, const wchar_t* pszSQL,
                            unsigned nColumns, unsigned nFetchFlags, const wchar_t* pszLineSeparator) {
    pclOut->Vide();
    CNAStatementSQL* pclStatement = nullptr;
    if (!bExecute(m_pclError, &pclStatement, pclCnx, pszSQL, nullptr, 0)) return 0;
    // A text without result columns lists nothing.
    if (pclStatement == nullptr) return 1;
    const bool bSeparator = pszLineSeparator != nullptr && *pszLineSeparator != 0;
    CXYStringConcat<wchar_t> clRow(GROWTH);
    int bOk = 1;
    for (bool bFirst = true;; bFirst = false) {
        if (!pclStatement->bFetch(nFetchFlags)) {
            bOk = 0;
            break;
        }
        if (pclStatement->bIsEnd()) break;
        if (!pclStatement->bGetRow(&clRow, L"\t", static_cast<int>(nColumns), 0)) {
            bOk = 0;
            break;
        }
        if (!bFirst && bSeparator) pclOut->Add(pszLineSeparator);
        pclOut->Add(clRow.pszGet(), static_cast<long>(clRow.nGetLongueur()));
    }
    pclStatement->nRelease();
    // A list that lost a piece is no list.
    if (bOk && pclOut->bIsInError()) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclCnx);
        bOk = 0;
    }
    return bOk;
}

int CNADriverSQL::_bGetList(CAny* pclOut, CNAConnectionDescription* pclCnx, const wchar_t* pszSQL, unsigned nColumns,
                            unsigned nFetchFlags) {
    CXYStringConcat<wchar_t> clList(GROWTH);
    const int bOk = _bGetList(&clList, pclCnx, pszSQL, nColumns, nFetchFlags, L"\r\n");
    _SetList(pclOut, clList);
    return bOk;
}

int CNADriverSQL::bGetDatabaseList(CXYString<wchar_t>* pclList, CNAConnectionDescription* pclCnx, unsigned nFlags) {
    CXYStringConcat<wchar_t> clList(GROWTH);
    const int bOk = _bGetDatabaseList(&clList, pclCnx, nFlags);
    pclList->ReleaseDynStr();
    if (!clList.bEstVide()) pclList->nConcat(clList.pszGet(), static_cast<int>(clList.nGetLongueur()));
    return bOk;
}

int CNADriverSQL::bGetLinkList(CAny*, CNAConnectionDescription*, const wchar_t*, INADataSourceDescription*, unsigned) {
    return 1;
}
