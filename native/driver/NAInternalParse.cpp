// CNAInternalParse: making and running the driver's own queries, and reading their rows as values
// or as text.
#include "native/driver/NAInternalParse.h"

#include <new>

#include "core/XYStringConcat.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NARecord.h"
#include "native/statement/NAStatement.h"
#include "native/table/NADataAccess.h"
#include "variant/Any.h"

namespace {

// A query run again goes without the record cache and without the SQL command's cache.
constexpr NA_WRITEPARSEFLAGS REEXECUTE_FLAGS = CNADataAccess::WPF_NO_CACHE | CNADataAccess::WPF_SQLCOMMAND_NO_CACHE;
static_assert(REEXECUTE_FLAGS == 0x110000);

// The value as wide text, or null when it is NULL or has no text.
const wchar_t* _pszValueText(CAny* pclValue) {
    if (pclValue->bIsNull()) return nullptr;
    if (pclValue->__nCastTo(VQTYPE_PSTRW, nullptr, 1) > VQERR_DERNIER_SUCCES_HOTE) return nullptr;
    if (pclValue->bIsNull() || pclValue->nGetTypeCode() != VQTYPE_PSTRW) return nullptr;
    const wchar_t* psz = nullptr;
    if (pclValue->pclGetValeur()->nGetPCWSTR(&psz) != VQERR_OK) return nullptr;
    return psz;
}

bool _bHasText(const wchar_t* psz) {
    return psz != nullptr && psz[0] != L'\0';
}

}  // namespace

CNAInternalParse::CNAInternalParse(CNAError* pclError, CNAConnectionDescription* pclCnx)
    : CKXUnknown(0), m_pclError(pclError), m_pclCnx(pclCnx) {}

CNAInternalParse::~CNAInternalParse() {
    if (m_pclStatement != nullptr) m_pclStatement->nRelease();
    m_pclStatement = nullptr;
    if (m_pclDataAccess != nullptr) m_pclDataAccess->nRelease();
    m_pclDataAccess = nullptr;
}

CNAInternalParse* CNAInternalParse::s_pclGetNAInternalParse(const wchar_t* pszSQL, CNAError* pclError,
                                                            CNAConnectionDescription* pclCnx) {
    CNAInternalParse* pcl = new (std::nothrow) CNAInternalParse(pclError, pclCnx);
    if (pcl == nullptr) {
        if (pclError != nullptr) pclError->SetErrorNoMemory(pclCnx);
        return nullptr;
    }
    if (pcl->_bAllocate() && pcl->_bExecute(pszSQL)) return pcl;
    pcl->AddRef();
    pcl->dwRelease();
    return nullptr;
}

int CNAInternalParse::s_bDoInternalParse(const wchar_t* pszSQL, CNAError* pclError, CNAConnectionDescription* pclCnx,
                                         CXYStringConcat<wchar_t>* pclOut, const wchar_t* pszRowSeparator,
                                         const wchar_t* pszColumnSeparator) {
    CNAInternalParse* pcl = s_pclGetNAInternalParse(pszSQL, pclError, pclCnx);
    if (pcl == nullptr) return 0;
    pcl->AddRef();
    // A text cut short by a failed fetch is not handed out as the whole result.
    const int bResult = pcl->bFetchAll(pclOut, pszRowSeparator, pszColumnSeparator);
    pcl->dwRelease();
    return bResult;
}

int CNAInternalParse::_bAllocate() {
    CNADriver* pclDriver = CNADriver::s_pclDriver;
    CNADataAccess* pcl = pclDriver != nullptr ? pclDriver->pclAllocDataAccess(nullptr, m_pclCnx, m_pclError) : nullptr;
    if (pcl == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
        return 0;
    }
    pcl->AddRef();
    m_pclDataAccess = pcl;
    return 1;
}

int CNAInternalParse::_bExecute(const wchar_t* pszSQL) {
    const int bResult = m_pclDataAccess->bExecuteQueryInternal(&m_pclStatement, INTERNAL_QUERY_NAME, pszSQL);
    // The rows are read once, in order: a record cache would only hold them twice.
    if (bResult && m_pclStatement != nullptr) m_pclStatement->EnableCache(0);
    return bResult;
}

int CNAInternalParse::bReExecute() {
    if (m_pclStatement == nullptr) return 0;
    return m_pclStatement->bExecutePreparedQuery(REEXECUTE_FLAGS, 0);
}

int CNAInternalParse::bFetch(eNA_PARSEDIRECTION eDirection, int* pbOut) {
    if (m_pclStatement == nullptr) {
        if (pbOut != nullptr) *pbOut = 1;
        return 1;
    }
    const int bResult = m_pclStatement->bFetch(eDirection, 1, 1);
    // A failed fetch leaves the statement out of the file.
    m_pclStatement->HEndehors(pbOut);
    return bResult;
}

int CNAInternalParse::bFetchData(eNA_PARSEDIRECTION eDirection, int* pbOut, CAny* ptabValues, int nValues) {
    if (m_pclStatement == nullptr) {
        if (pbOut != nullptr) *pbOut = 1;
        return 0;
    }
    return m_pclStatement->bFetchData(eDirection, pbOut, ptabValues, nValues);
}

int CNAInternalParse::bFetchData(eNA_PARSEDIRECTION eDirection, int* pbOut, CXYStringConcat<wchar_t>* pclOut,
                                 const wchar_t* pszRowSeparator, const wchar_t* pszColumnSeparator) {
    if (m_pclStatement == nullptr || pclOut == nullptr) {
        if (pbOut != nullptr) *pbOut = 1;
        return 0;
    }
    int bOut = 1;
    const int bResult = bFetch(eDirection, &bOut);
    if (pbOut != nullptr) *pbOut = bOut;
    if (!bResult || bOut) return bResult;

    if (!pclOut->bEstVide() && _bHasText(pszRowSeparator)) pclOut->Add(pszRowSeparator);
    const int nColumns = nGetColumnNbr();
    for (int i = 0; i < nColumns; i++) {
        CNAColumn* pclColumn = pclGetColumnNoRef(i);
        CAny clValue;
        if (pclColumn == nullptr || !pclColumn->bGetCurrentValue(&clValue, 0)) return 0;
        if (i > 0 && _bHasText(pszColumnSeparator)) pclOut->Add(pszColumnSeparator);
        const wchar_t* pszText = _pszValueText(&clValue);
        if (_bHasText(pszText)) pclOut->Add(pszText);
    }
    return 1;
}

int CNAInternalParse::bFetchAll(CXYStringConcat<wchar_t>* pclOut, const wchar_t* pszRowSeparator,
                                const wchar_t* pszColumnSeparator) {
    if (m_pclStatement == nullptr || pclOut == nullptr) return 0;
    int bOut = 1;
    if (!bFetchData(NA_PARSE_FIRST, &bOut, pclOut, pszRowSeparator, pszColumnSeparator)) return 0;
    while (!bOut) {
        if (!bFetchData(NA_PARSE_NEXT, &bOut, pclOut, pszRowSeparator, pszColumnSeparator)) return 0;
    }
    // A text that lost a piece to memory is not the whole result either.
    if (pclOut->bIsInError()) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
        return 0;
    }
    return 1;
}

int CNAInternalParse::nGetColumnNbr() {
    if (m_pclStatement == nullptr) return 0;
    CNARecord* pclRecord = m_pclDataAccess->pclGetCurrentRecordNoRef();
    return pclRecord != nullptr ? pclRecord->nGetNumColumns() : 0;
}

CNAColumn* CNAInternalParse::pclGetColumnNoRef(const wchar_t* pszName) {
    CNARecord* pclRecord = m_pclDataAccess != nullptr ? m_pclDataAccess->pclGetCurrentRecordNoRef() : nullptr;
    return pclRecord != nullptr ? pclRecord->pclGetColumnNoRef(pszName) : nullptr;
}

CNAColumn* CNAInternalParse::pclGetColumnNoRef(int nIndex) {
    CNARecord* pclRecord = m_pclDataAccess != nullptr ? m_pclDataAccess->pclGetCurrentRecordNoRef() : nullptr;
    if (pclRecord == nullptr || nIndex < 0 || nIndex >= pclRecord->nGetNumColumns()) return nullptr;
    return pclRecord->pclGetColumnNoRef(nIndex);
}
