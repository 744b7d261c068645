// The rebuilding of the host's parsed queries and the data access's query as the statement's SQL
// writers and the search conditions reach them, until their classes exist (see
// ParsedQueryServices.h: each body is replaced by the call its declaration names). The item
// names of a table are written here as the command's rebuilding writes them.
#include "native/sql/ParsedQueryServices.h"

#include "core/TStringConcatAW.h"
#include "native/driver/NAError.h"
#include "native/model/NAInterfaces.h"
#include "native/sql/NACommand.h"

namespace {

// Debug site of the parsed-query operations that cannot run yet.
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

int NA_bFormatCondition(CNACommand* pclCommand, CSQLParserInfo*, CNACommand*, int, uint32_t) {
    return _bNotAvailable(pclCommand);
}

int NA_bFormatEndOfQuery(CNACommand* pclCommand) {
    return _bNotAvailable(pclCommand);
}

int NA_bFormatORDERBY(CNACommand* pclCommand, int, int) {
    return _bNotAvailable(pclCommand);
}

int NA_bQueryResultsetLimited(CSQLParserInfo*, CNAConnectionDescription*) {
    return 0;
}

int NA_nGetOrderByItemNbr(CSQLParserInfo*) {
    return 0;
}

int NA_nGetOrderByDirection(CSQLParserInfo*, const CNAColumn*) {
    return -1;
}

int NA_bRubriqueSourceIsMemo(CSQLParserInfo*, const CNAColumn*) {
    return 0;
}

int NA_bFormatExpressionColonneCalculee(CNACommand* pclCommand, CSQLParserInfo*, const CNAColumn*, CNASqlElt::eSQLELT,
                                        CTString*) {
    return _bNotAvailable(pclCommand);
}

int NA_bFormatExpressionItemName(CNACommand* pclCommand, CNASqlElt::eSQLELT eKind, eOPEXPRESSION eCode,
                                 INAItemDescription* piItem, const wchar_t* pszTable, const wchar_t* pszItem,
                                 CTString* pclOut) {
    pclOut->Vide();
    const eNA_ITEMTYPE eType = piItem != nullptr ? piItem->eNAGetItemType() : NA_IT_EMPTY;
    if (pclCommand->eGetFormatExpressionColonne(eKind, eType, eCode, nullptr) != 0) {
        // The dialect compares this item in another form: the command writes the conversion.
        CTStringConcatAW clText(CTStringConcatAW::s_nCodePageWide, CTStringConcatAW::s_nCodePageAppelant, 256);
        if (!pclCommand->_bFormatAndConvertItemInClause(&clText, eKind, pszTable, pszItem, piItem)) return 0;
        const wchar_t* psz = clText.pszGetW();
        if (clText.bIsInError()) return 0;
        pclOut->Set(psz);
        return 1;
    }
    CTString clItem;
    pclCommand->_FormatItemName(pszItem, &clItem);
    if (pszTable != nullptr && pszTable[0] != 0) {
        pclCommand->_FormatTableName(pszTable, pclOut);
        pclOut->Add(L'.');
    }
    pclOut->Add(clItem.pszGet());
    return 1;
}

CSQLParserInfo* NA_pclNewSQLParserInfo(CNAError*, ISQLParserInformation*) {
    return nullptr;
}

void NA_SetParserRecordIfNone(CSQLParserInfo*, CNARecord*) {}

int NA_bAddFilterExpression(CNACommand* pclCommand, CSQLParserInfo*) {
    return _bNotAvailable(pclCommand);
}

uint32_t NA_nGetDataAccessQueryFlags(const CNADataAccess*) {
    return 0;
}
