// The PostgreSQL driver object.
#include "pgsql/PSQLDriver.h"

#include <new>

#include "native/statement/NAStatement.h"
#include "pgsql/PSQLConnection.h"
#include "pgsql/PSQLDataAccess.h"
#include "pgsql/PSQLDataSourceDescription.h"
#include "pgsql/PSQLDriverSQL.h"

CPSQLDriver::CPSQLDriver() {
    // PostgreSQL results are fetched a hundred rows at a time unless the access asks otherwise.
    m_llDefaultBlockRowCount = 100;
}

CPSQLDriver::~CPSQLDriver() = default;

CNADataSourceDescription* CPSQLDriver::pclAllocDataSourceDescription(CNAConnectionDescription* pclCnx,
                                                                     CNAError* pclError) {
    return new (std::nothrow) CPSQLDataSourceDescription(pclCnx, pclError);
}

CNADataAccess* CPSQLDriver::pclAllocDataAccess(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx,
                                               CNAError* pclError) {
    return new (std::nothrow) CPSQLDataAccess(piDesc, pclCnx, pclError);
}

// The generic statement serves PostgreSQL as it is; the access gives the connection.
CNAStatement* CPSQLDriver::pclAllocStatement(CNADataAccess* pclAccess, CNAConnectionDescription*, CNAError* pclError) {
    return new (std::nothrow) CNAStatement(pclAccess, pclError);
}

CNAConnectionDescription* CPSQLDriver::_pclAllocConnectionDescription(const wchar_t* pszIdentification,
                                                                      INAConnectionDescription* piCnx) {
    return new CPSQLConnection(pszIdentification, piCnx);
}

CNADriverSQL* CPSQLDriver::_pclAllocDriverSQL(CNAError* pclError) {
    return new (std::nothrow) CPSQLDriverSQL(this, pclError);
}
