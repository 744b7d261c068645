// The rebuilding of the host's parsed queries and the data access's query as the statement's SQL
// writers and the search conditions reach them (see ParsedQueryServices.h).
#include "native/sql/ParsedQueryServices.h"

#include <new>

#include "core/TString.h"
#include "core/TStringConcatAW.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"
#include "native/sql/NACommand.h"
#include "native/sql/SQLParserInfo.h"
#include "native/sql/SQLParserInterfaces.h"
#include "native/table/NADataAccess.h"

namespace {

// Debug site of a computed column whose query is not known.
constexpr int SITE_PARSED_QUERY_NOT_AVAILABLE = 901;
// The user error of an operation the driver does not offer.
constexpr unsigned USER_ERROR_NOT_AVAILABLE = 8;

int _bNotAvailable(CNACommand* pclCommand) {
    CNAError* pclError = pclCommand != nullptr ? pclCommand->pclGetErrorNoRef() : nullptr;
    if (pclError != nullptr)
        pclError->AddError(NA_ERRORTYPE_NOTAVAILABLE, CNAError::FILE_COMMAND, SITE_PARSED_QUERY_NOT_AVAILABLE,
                           pclCommand->pclGetConnectionNoRef(), USER_ERROR_NOT_AVAILABLE);
    return 0;
}

}  // namespace

int NA_bFormatCondition(CNACommand* pclCommand, CSQLParserInfo* pclParser, CNACommand* pclCondition, int bKeepOrderBy,
                        uint32_t nQueryFlags) {
    return pclCommand->bFormatCondition(pclParser, pclCondition, bKeepOrderBy, static_cast<int>(nQueryFlags));
}

int NA_bFormatEndOfQuery(CNACommand* pclCommand) {
    return pclCommand->bFormatEndOfQuery();
}

int NA_bFormatORDERBY(CNACommand* pclCommand, int bByName, int bAscending) {
    return pclCommand->bFormatORDERBY(bByName, bAscending);
}

int NA_bQueryResultsetLimited(CSQLParserInfo* pclParser, CNAConnectionDescription* pclConnection) {
    return pclParser != nullptr && pclParser->bQueryResultsetLimited(pclConnection);
}

int NA_bQueryShapesResultset(CSQLParserInfo* pclParser, CNAConnectionDescription* pclConnection) {
    return pclParser != nullptr && pclParser->bQueryShapesResultset(pclConnection);
}

int NA_bQueryRowsFollowOrder(CSQLParserInfo* pclParser, CNAConnectionDescription* pclConnection) {
    if (pclParser == nullptr) return 0;
    if (pclParser->bQueryResultsetLimited(pclConnection)) return 1;
    const wchar_t* pszText = pclParser->pszGetRequete();
    return pszText != nullptr && CNACommand::s_nGetClauseStart(pclConnection, pszText, L"OFFSET", -1) > 0 ? 1 : 0;
}

int NA_bQueryOrderByOutputNames(CSQLParserInfo* pclParser, CNARecord* pclRecord, int bAscending, CTString* pclOut) {
    pclOut->Vide();
    const int nItems = pclParser != nullptr ? pclParser->nGetRubriqueClauseOrderNbr() : 0;
    for (int i = 0; i < nItems; i++) {
        IInfoOrderBy* piOrder = pclParser->piGetRubriqueClauseOrder(i);
        CNAColumn* pclFound = nullptr;
        for (int k = 0; pclRecord != nullptr && k < pclRecord->nGetNumColumns() && pclFound == nullptr; k++) {
            CNAColumn* pcl = pclRecord->pclGetColumnNoRef(k);
            if (pcl != nullptr && pclParser->piGetRubriqueClauseOrder(pcl) == piOrder) pclFound = pcl;
        }
        if (piOrder == nullptr || pclFound == nullptr) return 0;
        pclOut->Add(i == 0 ? L" ORDER BY " : L",");
        pclOut->Add(pclFound->pszGetFormatedName());
        // Descending exactly when one of the query's direction and the browse's is backward.
        if ((piOrder->bDescendant() != 0) == (bAscending != 0)) pclOut->Add(L" DESC");
    }
    return 1;
}

int NA_nGetOrderByItemNbr(CSQLParserInfo* pclParser) {
    return pclParser != nullptr ? pclParser->nGetRubriqueClauseOrderNbr() : 0;
}

int NA_nGetOrderByDirection(CSQLParserInfo* pclParser, const CNAColumn* pclColumn) {
    IInfoOrderBy* pi = pclParser != nullptr ? pclParser->piGetRubriqueClauseOrder(pclColumn) : nullptr;
    if (pi == nullptr) return -1;
    return pi->bDescendant() ? 1 : 0;
}

int NA_bRubriqueSourceIsMemo(CSQLParserInfo* pclParser, const CNAColumn* pclColumn) {
    return pclParser != nullptr && pclParser->bRubriqueSourceIsMemo(pclColumn);
}

int NA_bFormatExpressionColonneCalculee(CNACommand* pclCommand, CSQLParserInfo* pclParser, const CNAColumn* pclColumn,
                                        CNASqlElt::eSQLELT eKind, CTString* pclOut) {
    if (pclParser == nullptr) return _bNotAvailable(pclCommand);
    return pclCommand->bFormatExpressionColonneCalculee(pclParser, pclColumn->pszGetName(), eKind, pclOut, 0, 0);
}

int NA_bFormatExpressionItemName(CNACommand* pclCommand, CNASqlElt::eSQLELT eKind, eOPEXPRESSION eCode,
                                 INAItemDescription* piItem, const wchar_t* pszTable, const wchar_t* pszItem,
                                 CTString* pclOut) {
    return pclCommand->FormatExpressionItemName(eKind, eCode, piItem, pszTable, pszItem, pclOut);
}

CSQLParserInfo* NA_pclNewSQLParserInfo(CNAError* pclError, ISQLParserInformation* piCondition) {
    if (piCondition == nullptr) return nullptr;
    CSQLParserInfo* pcl = new (std::nothrow) CSQLParserInfo(pclError, piCondition, nullptr, 0);
    if (pcl == nullptr) {
        if (pclError != nullptr) pclError->SetErrorNoMemory();
        return nullptr;
    }
    pcl->AddRef();
    return pcl;
}

void NA_SetParserRecordIfNone(CSQLParserInfo* pclParser, CNARecord* pclRecord) {
    if (pclParser != nullptr && pclParser->pclGetRecordNoRef() == nullptr) pclParser->SetRecord(pclRecord);
}

int NA_bAddFilterExpression(CNACommand* pclCommand, CSQLParserInfo* pclParser) {
    return pclCommand->bAddFilterExpression(pclParser);
}

uint32_t NA_nGetDataAccessQueryFlags(const CNADataAccess* pclAccess) {
    return pclAccess != nullptr ? pclAccess->nGetQueryFlags() : 0;
}
