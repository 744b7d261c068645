// The driver core's services as the model reaches them, until the driver core's classes exist
// (see DriverServices.h: each body is replaced by the call its declaration names).
#include "native/model/DriverServices.h"

#include <new>

#include "core/TString.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAItemDescription.h"
#include "platform/WinCodePage.h"

CNAItemDescription* NA_pclAllocItemDescription() {
    return new (std::nothrow) CNAItemDescription();
}

CNADataSourceDescription* NA_pclAllocDataSourceDescription(CNAConnectionDescription* pclConnection,
                                                           CNAError* pclError) {
    return new (std::nothrow) CNADataSourceDescription(pclConnection, pclError);
}

void NA_GenerateItemName(CTString* pclOut, int n) {
    pclOut->Set(L"Expr");
    pclOut->AddI4(n + 1000);
}

void NA_AddRefConnection(CNAConnectionDescription*) {}
void NA_nReleaseConnection(CNAConnectionDescription*) {}
const wchar_t* NA_pszGetDefaultDataBase(CNAConnectionDescription*) {
    return L"";
}

bool NA_bExecuteSQL(CNAConnectionDescription*, CNAStatementSQL** ppclStatement, CNAError*, const wchar_t*) {
    *ppclStatement = nullptr;
    return false;
}
void NA_ReleaseStatementSQL(CNAStatementSQL*) {}

CNAConvertVariant* NA_pclAllocVariant(CNAError* pclError, CNAConnectionDescription* pclConnection) {
    return new (std::nothrow) CNAConvertVariant(pclError, pclConnection);
}

unsigned NA_nGetCodePage(CNAConnectionDescription*) {
    return static_cast<unsigned>(nGetHostCurrentCodePage());
}
unsigned NA_nGetClientCodePage(CNAConnectionDescription*) {
    return static_cast<unsigned>(nGetHostCurrentCodePage());
}
unsigned NA_nGetServerKind(CNAConnectionDescription*) {
    return 0;
}
