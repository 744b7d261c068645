// The data access: construction, destruction and the operations the contexts and the table object
// use (least version, see NADataAccess.h).
#include "native/table/NADataAccess.h"

#include "native/driver/INADriver.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NAInterfaces.h"

namespace {

// Debug sites of this unit.
constexpr int SITE_DELETE_NOT_AVAILABLE = 901;
constexpr int SITE_QUERY_NOT_AVAILABLE = 902;

// The user error of an operation the driver does not offer.
constexpr unsigned USER_ERROR_NOT_AVAILABLE = 8;

}  // namespace

CNADataAccess::CNADataAccess(INADataSourceDescription* piDescription, CNAConnectionDescription* pclCnx,
                             CNAError* pclError)
    : m_pclError(pclError), m_pclCnx(pclCnx), m_piDescription(piDescription), m_eHMode(static_cast<_eNA_HMODE>(1)) {
    if (m_pclError != nullptr) m_pclError->AddRef();
    if (m_pclCnx != nullptr) m_pclCnx->AddRef();
    if (m_piDescription != nullptr) {
        m_piDescription->ExternalAddRef();
        m_clLogicalName.Set(m_piDescription->pszGetLogicalName());
        const wchar_t* pszTable = m_piDescription->pszGetDBTableName();
        if (pszTable == nullptr) pszTable = L"";
        if (m_pclCnx == nullptr || !m_pclCnx->bFormatTableName(m_pclError, pszTable, &m_clDBTableName))
            m_clDBTableName.Set(pszTable);
    }
}

CNADataAccess::~CNADataAccess() {
    if (m_piDescription != nullptr) m_piDescription->nExternalRelease();
    if (m_pclCnx != nullptr) CNADriver::s_ReleaseConnection(m_pclCnx);
    if (m_pclError != nullptr) m_pclError->nRelease();
}

int CNADataAccess::bHFerme() {
    m_bOpened = 0;
    return 1;
}

void CNADataAccess::SetContext(CNAContext* pclContext) {
    m_pclContext = pclContext;
}

int CNADataAccess::bHMode(_eNA_HMODE eMode) {
    m_eHMode = eMode;
    return 1;
}

// LEAST VERSION (data-access task): the statements that drop a table and run a query are not
// built yet.
int CNADataAccess::bSupprimeFichier() {
    if (m_pclError != nullptr)
        m_pclError->AddError(NA_ERRORTYPE_NOTAVAILABLE, CNAError::FILE_DATAACCESS, SITE_DELETE_NOT_AVAILABLE, m_pclCnx,
                             USER_ERROR_NOT_AVAILABLE);
    return 0;
}

int CNADataAccess::bExecuteQuery(int* pbHasResult, const wchar_t*, ISQLParserInformation*, unsigned,
                                 const INAQueryExecution*) {
    if (pbHasResult != nullptr) *pbHasResult = 0;
    if (m_pclError != nullptr)
        m_pclError->AddError(NA_ERRORTYPE_NOTAVAILABLE, CNAError::FILE_DATAACCESS, SITE_QUERY_NOT_AVAILABLE, m_pclCnx,
                             USER_ERROR_NOT_AVAILABLE);
    return 0;
}
