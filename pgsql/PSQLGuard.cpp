// Recording the faults caught around client-library calls, and raising errors of the driver's
// table from the PostgreSQL classes.
#include "pgsql/PSQLGuard.h"

#include <cstdarg>

#include "core/MyModuleInfo.h"
#include "core/XErrorModule.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"

namespace {

constexpr unsigned USER_ERROR_MISSING_ENTRY = 37;
constexpr unsigned USER_ERROR_FAULT = 23;

void _AddErrorList(CNAError* pclError, eNA_ERRORTYPE eType, unsigned nFile, unsigned nSite,
                   CNAConnectionDescription* pclCnx, unsigned nCode, va_list* pArguments) {
    _CXErrorModule39 clError;
    clError.SetUserErrorList(&gstMyModuleInfo39, nCode, *pArguments);
    uint32_t dwCode = nCode;
    clError.AddInfo(CXError::EIT_NATIVECODE, &dwCode);
    CNAError::g_AddDebugInfo(&clError, static_cast<int>(nFile), static_cast<int>(nSite));
    pclError->AddError(eType, &clError, pclCnx);
}

}  // namespace

void g_PSQLAddError(CNAError* pclError, eNA_ERRORTYPE eType, unsigned nFile, unsigned nSite,
                    CNAConnectionDescription* pclCnx, unsigned nCode, ...) {
    if (pclError == nullptr) return;
    va_list arguments;
    va_start(arguments, nCode);
    _AddErrorList(pclError, eType, nFile, nSite, pclCnx, nCode, &arguments);
    va_end(arguments);
}

void g_PSQLRecordFault(CNAError* pclError, unsigned nFile, unsigned nSite, const CTString* pclMissingEntry,
                       CNAConnectionDescription* pclStatementCnx) {
    if (pclMissingEntry != nullptr) {
        const wchar_t* pszName = pclMissingEntry->pszGet();
        g_PSQLAddError(pclError, NA_ERRORTYPE_GENERAL, nFile, nSite, nullptr, USER_ERROR_MISSING_ENTRY,
                       pszName != nullptr ? pszName : L"");
        return;
    }
    // A fault inside the library is never dropped: without a caller's error object the driver
    // object's own keeps it for the host.
    if (pclError == nullptr && CNADriver::s_pclDriver != nullptr) pclError = CNADriver::s_pclDriver->pclGetError();
    g_PSQLAddError(pclError, NA_ERRORTYPE_GENERAL, nFile, nSite, nullptr, USER_ERROR_FAULT, L"PostgreSQL");
    if (pclStatementCnx != nullptr && CNADriver::s_pclDriver != nullptr)
        CNADriver::s_pclDriver->OnFatalErrorAddDebugMessage(pclError, pclStatementCnx);
    CNADriver::s_bGPFCatched = 1;
}

void g_PSQLSetErrorType(CNAError* pclError, eNA_ERRORTYPE eType) {
    if (pclError == nullptr || pclError->eGetErrorType() == NA_ERRORTYPE_NONE) return;
    // The kind belongs to the main error: it is recorded afresh, with what it holds, under the new
    // kind.
    CNAError clRetyped;
    clRetyped.AddError(eType, pclError->pclGetXError(), nullptr);
    pclError->Copy(&clRetyped);
}
