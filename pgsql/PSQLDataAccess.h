// CPSQLDataAccess: the data access of a PostgreSQL table or query. Everything is the generic
// access's; this class answers whether counting needs a browse and ties automatic identifiers to
// their sequences.
//
// LEAST VERSION (sequences task): the three sequence hooks keep the generic defaults (no sequence
// known) until the sequences of automatic identifiers are built.
#pragma once

#include "native/table/NADataAccess.h"

class CPSQLDataAccess : public CNADataAccess {
public:
    CPSQLDataAccess(INADataSourceDescription* piDescription, CNAConnectionDescription* pclCnx, CNAError* pclError)
        : CNADataAccess(piDescription, pclCnx, pclError) {}
    ~CPSQLDataAccess() override = default;

    // A table is counted by the server; a query of the host needs a browse.
    int bNbEnrNeedParse(int* pbNeeded, const wchar_t* pszItem) override;
};
