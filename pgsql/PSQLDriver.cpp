// The PostgreSQL driver object.
#include "pgsql/PSQLDriver.h"

CPSQLDriver::CPSQLDriver() {
    // PostgreSQL results are fetched a hundred rows at a time unless the access asks otherwise.
    m_llDefaultBlockRowCount = 100;
}

CPSQLDriver::~CPSQLDriver() = default;

// STUB (PostgreSQL task): the statement of a data access on a PostgreSQL connection.
CNAStatement* CPSQLDriver::pclAllocStatement(CNADataAccess*, CNAConnectionDescription*, CNAError*) {
    return nullptr;
}

// STUB (PostgreSQL task): a CPSQLConnection for the identification and the host's description.
CNAConnectionDescription* CPSQLDriver::_pclAllocConnectionDescription(const wchar_t*, INAConnectionDescription*) {
    return nullptr;
}
