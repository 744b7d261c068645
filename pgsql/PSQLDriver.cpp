// The PostgreSQL driver object.
#include "pgsql/PSQLDriver.h"

#include "pgsql/PSQLConnection.h"

CPSQLDriver::CPSQLDriver() {
    // PostgreSQL results are fetched a hundred rows at a time unless the access asks otherwise.
    m_llDefaultBlockRowCount = 100;
}

CPSQLDriver::~CPSQLDriver() = default;

// STUB (statements task): a plain CNAStatement of the data access; the connection is not used.
CNAStatement* CPSQLDriver::pclAllocStatement(CNADataAccess*, CNAConnectionDescription*, CNAError*) {
    return nullptr;
}

CNAConnectionDescription* CPSQLDriver::_pclAllocConnectionDescription(const wchar_t* pszIdentification,
                                                                      INAConnectionDescription* piCnx) {
    return new CPSQLConnection(pszIdentification, piCnx);
}
