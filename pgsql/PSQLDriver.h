// CPSQLDriver: the driver object for PostgreSQL servers, the one piQueryInterface hands to the
// host. Everything generic (registries, lock, entries, errors) is the base's; this class chooses
// the PostgreSQL classes through the factory entries and fetches a hundred rows per block.
//
// STUB (statement, data access, description and SQL-command tasks): the factories of statements,
// data accesses, data-source descriptions and the SQL-command driver answer null until their
// classes exist; the connection factory is built.
#pragma once

#include "native/driver/NADriver.h"

class CPSQLDriver : public CNADriver {
public:
    CPSQLDriver();
    ~CPSQLDriver() override;

    CNAStatement* pclAllocStatement(CNADataAccess* pclAccess, CNAConnectionDescription* pclCnx,
                                    CNAError* pclError) override;
    CNAConnectionDescription* _pclAllocConnectionDescription(const wchar_t* pszIdentification,
                                                             INAConnectionDescription* piCnx) override;
};
