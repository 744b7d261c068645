// CNAIDAuto: the automatic-identifier queries of a data access, their texts and their errors.
#include "native/driver/NAIDAuto.h"

#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/XErrorModule.h"
#include "core/XYStringConcat.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/driver/NAInternalParse.h"
#include "native/model/NAColumn.h"
#include "native/model/NAInterfaces.h"
#include "native/table/NADataAccess.h"
#include "variant/Any.h"

namespace {

const wchar_t* _pszOrEmpty(const wchar_t* psz) {
    return psz != nullptr ? psz : L"";
}

}  // namespace

CNAIDAuto::~CNAIDAuto() {
    _CloseInternalParseNextValue();
    _CloseInternalParseMaxCurrentValue();
}

void CNAIDAuto::_CloseInternalParseNextValue() {
    if (m_pclNextValue != nullptr) m_pclNextValue->dwRelease();
    m_pclNextValue = nullptr;
}

void CNAIDAuto::_CloseInternalParseMaxCurrentValue() {
    if (m_pclMaxCurrentValue != nullptr) m_pclMaxCurrentValue->dwRelease();
    m_pclMaxCurrentValue = nullptr;
}

int CNAIDAuto::_bBuildQueryGetNextValue(CXYStringConcat<wchar_t>* pclSQL, CNADataAccess* pclAccess,
                                        CNAColumn* pclColumn) {
    return _bBuildQueryGetMax(pclSQL, pclAccess, pclColumn, 1);
}

int CNAIDAuto::_bBuildQueryGetMaxCurrentValue(CXYStringConcat<wchar_t>* pclSQL, CNADataAccess* pclAccess,
                                              CNAColumn* pclColumn) {
    return _bBuildQueryGetMax(pclSQL, pclAccess, pclColumn, 0);
}

int CNAIDAuto::_bBuildQueryGetMax(CXYStringConcat<wchar_t>* pclSQL, CNADataAccess* pclAccess, CNAColumn* pclColumn,
                                  int bPlusOne) {
    CTString clColumn;
    CTString clTable;
    const wchar_t* pszColumn;
    const wchar_t* pszTable;
    if (pclAccess->bSourceIsQuery()) {
        // The query's column may be renamed or computed: MAX reads the table the item comes from.
        INAItemDescription* piItem = pclColumn->piGetItemNoRef();
        CNAConnectionDescription* pclCnx = pclAccess->pclGetConnectionNoRef();
        CNAError* pclError = pclAccess->pclGetErrorNoRef();
        pclCnx->bFormatItemName(pclError, _pszOrEmpty(piItem->pszGetNameInSource()), &clColumn);
        pclCnx->bFormatTableName(pclError, _pszOrEmpty(piItem->pszGetSourceName()), &clTable);
        pszColumn = clColumn.pszGet();
        pszTable = clTable.pszGet();
    } else {
        pszColumn = pclColumn->pszGetFormatedOriginalName();
        pszTable = pclAccess->pszGetDBTableName();
    }
    pclSQL->Add(L"SELECT MAX(");
    pclSQL->Add(pszColumn);
    pclSQL->Add(L")");
    if (bPlusOne) pclSQL->Add(L"+1");
    pclSQL->Add(L" FROM ");
    pclSQL->Add(pszTable);
    return pclSQL->bIsInError() ? 0 : 1;
}

void CNAIDAuto::_PrefixMessageErreur(CNAError* pclError, CNADataAccess* pclAccess, CNAColumn* pclColumn) {
    if (pclError == nullptr) return;
    pclError->AddUserMessageFirst(MESSAGE_NEXT_VALUE_FAILED, _pszOrEmpty(pclAccess->pszGetLogicalName()),
                                  _pszOrEmpty(pclColumn->pszGetName()));
}

CNAInternalParse* CNAIDAuto::_pclOpenQuery(CNAInternalParse** ppclHeld, int bNextValue, CNADataAccess* pclAccess,
                                           CNAColumn* pclColumn, CNAError* pclError) {
    if (*ppclHeld != nullptr) return (*ppclHeld)->bReExecute() ? *ppclHeld : nullptr;
    CXYStringConcat<wchar_t> clSQL;
    const int bBuilt = bNextValue ? _bBuildQueryGetNextValue(&clSQL, pclAccess, pclColumn)
                                  : _bBuildQueryGetMaxCurrentValue(&clSQL, pclAccess, pclColumn);
    // Whatever the highest-value text answers, a text cut short is never sent.
    if ((bNextValue && !bBuilt) || clSQL.bIsInError()) {
        if (pclError != nullptr && clSQL.bIsInError()) pclError->SetErrorNoMemory(pclAccess->pclGetConnectionNoRef());
        return nullptr;
    }
    CNAInternalParse* pcl =
        CNAInternalParse::s_pclGetNAInternalParse(clSQL.pszGet(), pclError, pclAccess->pclGetConnectionNoRef());
    if (pcl == nullptr) return nullptr;
    pcl->AddRef();
    *ppclHeld = pcl;
    return pcl;
}

int CNAIDAuto::bGetNextValue(CNADataAccess* pclAccess, CNAColumn* pclColumn, CNAError* pclError, CAny* pclValue) {
    if (pclAccess == nullptr || pclColumn == nullptr || pclValue == nullptr) return 0;
    CNAInternalParse* pclQuery = _pclOpenQuery(&m_pclNextValue, 1, pclAccess, pclColumn, pclError);
    int bOut = 1;
    if (pclQuery == nullptr || !pclQuery->bFetchData(NA_PARSE_FIRST, &bOut, pclValue, 1)) {
        _CloseInternalParseNextValue();
        _PrefixMessageErreur(pclError, pclAccess, pclColumn);
        return 0;
    }
    // MAX over no row: the first identifier.
    if (pclValue->bIsNull()) pclValue->SetI8(1);
    _CloseInternalParseNextValue();
    return 1;
}

int CNAIDAuto::bGetMaxCurrentValue(CNADataAccess* pclAccess, CNAColumn* pclColumn, CNAError* pclError, CAny* pclValue) {
    if (pclAccess == nullptr || pclColumn == nullptr || pclValue == nullptr) return 0;
    CNAInternalParse* pclQuery = _pclOpenQuery(&m_pclMaxCurrentValue, 0, pclAccess, pclColumn, pclError);
    if (pclQuery == nullptr) {
        _CloseInternalParseMaxCurrentValue();
        return 0;
    }
    int bOut = 1;
    const int bFetched = pclQuery->bFetchData(NA_PARSE_FIRST, &bOut, pclValue, 1);
    _CloseInternalParseMaxCurrentValue();
    if (!bFetched) return 0;
    if (!bOut) return 1;

    if (pclError == nullptr) return 0;
    const wchar_t* pszTable = _pszOrEmpty(pclAccess->pszGetLogicalName());
    const wchar_t* pszColumn = _pszOrEmpty(pclColumn->pszGetName());
    _CXErrorModule39 clError;
    clError.SetUserError(&gstMyModuleInfo39, USER_ERROR_NO_ROW, pszTable, pszColumn);
    CNAError::g_SetInfoNames(&clError, pszTable, pszColumn);
    uint32_t dwCode = USER_ERROR_NO_ROW;
    clError.AddInfo(CXError::EIT_NATIVECODE, &dwCode);
    CNAError::g_AddDebugInfo(&clError, CNAError::FILE_EXPRESSION, SITE_NO_ROW);
    pclError->AddError(NA_ERRORTYPE_GENERAL, &clError, pclAccess->pclGetConnectionNoRef());
    return 0;
}
