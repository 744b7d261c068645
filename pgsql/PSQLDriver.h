// CPSQLDriver: the driver object for PostgreSQL servers, the one piQueryInterface hands to the
// host. It supplies the PostgreSQL classes through the driver's factory entries.
//
// STUB (PostgreSQL task): only the construction is built; the factories of connections,
// statements, data accesses, data-source descriptions and the SQL-layer driver answer null.
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
