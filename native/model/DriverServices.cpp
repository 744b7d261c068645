// The driver core's services as the model reaches them, until the driver core's classes exist
// (see DriverServices.h: each body is replaced by the call its declaration names).
#include "native/model/DriverServices.h"

#include <new>

#include "core/TString.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAItemDescription.h"
#include "native/model/NAParameter.h"
#include "core/platformwin/WinCodePage.h"

CNAItemDescription* NA_pclAllocItemDescription() {
    return new (std::nothrow) CNAItemDescription();
}

CNADataSourceDescription* NA_pclAllocDataSourceDescription(CNAConnectionDescription* pclConnection,
                                                           CNAError* pclError) {
    return new (std::nothrow) CNADataSourceDescription(pclConnection, pclError);
}

CNAColumn* NA_pclAllocColumn(CNAError* pclError, INAItemDescription* piItem) {
    const eNA_ITEMTYPE eType = piItem != nullptr ? piItem->eNAGetItemType() : NA_IT_EMPTY;
    if (eType < 1 || eType > NA_IT_MAX || eType == 8) return nullptr;
    return new (std::nothrow) CNAColumn(pclError, piItem);
}

CNAParameter* NA_pclAllocParameter(CNAConvertVariant* pclValue, unsigned long nPosition, unsigned nFlags,
                                   const wchar_t* pszName) {
    return new (std::nothrow) CNAParameter(pclValue, nPosition, nFlags, pszName);
}

void NA_GenerateItemName(CTString* pclOut, int n) {
    pclOut->Set(L"Expr");
    pclOut->AddI4(n + 1000);
}

void NA_AddRefConnection(CNAConnectionDescription* pclConnection) {
    if (pclConnection != nullptr) pclConnection->AddRef();
}
void NA_nReleaseConnection(CNAConnectionDescription* pclConnection) {
    // The registry's release rule (auto-close when only its reference is left) belongs to the
    // driver object; until it has one, the reference is dropped plainly.
    if (pclConnection != nullptr) pclConnection->nRelease();
}
const wchar_t* NA_pszGetDefaultDataBase(CNAConnectionDescription* pclConnection) {
    return pclConnection != nullptr ? pclConnection->pszGetDefaultDataBaseEx() : L"";
}

bool NA_bExecuteSQL(CNAConnectionDescription*, CNAStatementSQL** ppclStatement, CNAError*, const wchar_t*) {
    *ppclStatement = nullptr;
    return false;
}
void NA_ReleaseStatementSQL(CNAStatementSQL*) {}

CNAConvertVariant* NA_pclAllocVariant(CNAError* pclError, CNAConnectionDescription* pclConnection) {
    return new (std::nothrow) CNAConvertVariant(pclError, pclConnection);
}

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
