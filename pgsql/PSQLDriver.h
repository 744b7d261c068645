// CPSQLDriver: the driver object for PostgreSQL servers, the one piQueryInterface hands to the
// host. Everything generic (registries, lock, entries, errors) is the base's; this class chooses
// the PostgreSQL classes through the factory entries and fetches a hundred rows per block.
#pragma once

#include "native/driver/NADriver.h"

class CPSQLDriver : public CNADriver {
public:
    CPSQLDriver();
    ~CPSQLDriver() override;

    CNADataSourceDescription* pclAllocDataSourceDescription(CNAConnectionDescription* pclCnx,
                                                            CNAError* pclError) override;
    CNADataAccess* pclAllocDataAccess(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx,
                                      CNAError* pclError) override;
    CNAStatement* pclAllocStatement(CNADataAccess* pclAccess, CNAConnectionDescription* pclCnx,
                                    CNAError* pclError) override;
    CNAConnectionDescription* _pclAllocConnectionDescription(const wchar_t* pszIdentification,
                                                             INAConnectionDescription* piCnx) override;
    CNADriverSQL* _pclAllocDriverSQL(CNAError* pclError) override;
};
