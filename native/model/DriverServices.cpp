// The connection's code pages and server kind as the model reads them, and the SQL layer's
// execution of a catalogue query (see DriverServices.h).
#include "native/model/DriverServices.h"

#include "core/platformwin/WinCodePage.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "pgsql/NADriverSQL.h"

unsigned NA_nGetCodePage(CNAConnectionDescription* pclConnection) {
    if (pclConnection == nullptr || pclConnection->nGetCodePage() == static_cast<unsigned>(-1))
        return static_cast<unsigned>(nGetHostCurrentCodePage());
    return pclConnection->nGetCodePage();
}

unsigned NA_nGetClientCodePage(CNAConnectionDescription* pclConnection) {
    // Before the connection is opened it has no client code page: its own serves.
    if (pclConnection == nullptr || pclConnection->nGetClientCodePage() == static_cast<unsigned>(-1))
        return NA_nGetCodePage(pclConnection);
    return pclConnection->nGetClientCodePage();
}

unsigned NA_nGetServerKind(CNAConnectionDescription* pclConnection) {
    return pclConnection != nullptr ? static_cast<unsigned>(pclConnection->eGetDataSource()) : 0;
}

bool NA_bExecuteSQL(CNAConnectionDescription* pclConnection, CNAStatementSQL** ppclStatement, CNAError* pclError,
                    const wchar_t* pszSQL) {
    *ppclStatement = nullptr;
    CNADriverSQL* pclDriverSQL = CNADriver::s_pclGetDriverSQL();
    if (pclDriverSQL == nullptr) {
        // No driver object, no SQL layer: no text can run.
        constexpr int SITE_EXECUTE = 1;
        constexpr unsigned USER_ERROR_NOT_AVAILABLE = 8;
        if (pclError != nullptr)
            pclError->AddError(NA_ERRORTYPE_NOTAVAILABLE, CNAError::FILE_DRIVERSQL, SITE_EXECUTE, pclConnection,
                               USER_ERROR_NOT_AVAILABLE);
        return false;
    }
    return pclDriverSQL->bExecute(pclError, ppclStatement, pclConnection, pszSQL, nullptr, 0) != 0;
}

void NA_ReleaseStatementSQL(CNAStatementSQL* pclStatement) {
    if (pclStatement != nullptr) pclStatement->nRelease();
}
