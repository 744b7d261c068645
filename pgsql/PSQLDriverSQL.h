// CPSQLDriverSQL: the SQL-command functions for PostgreSQL. Everything generic (handles, lock,
// execution, the list runner) is CNADriverSQL's; this class makes PostgreSQL statements and
// supplies the catalogue listings: the databases, the tables and views, the columns of a table,
// and the fixed list of the server's column types.
#pragma once

#include "pgsql/NADriverSQL.h"

class CTString;

class CPSQLDriverSQL : public CNADriverSQL {
public:
    CPSQLDriverSQL(CNADriver* pclDriver, CNAError* pclError);
    ~CPSQLDriverSQL() override;

    using CNADriverSQL::bGetColumnList;
    using CNADriverSQL::bGetTableList;

    // The type names with their codes; takes no lock and needs no connection.
    int bGetColumnTypeList(CAny* pclList, int nCnx, unsigned nFlags) override;
    // Bit 1 user tables, 2 user views, 4 every system table and view, 32 four values a row (the
    // schema-qualified name, an empty value, the owner, the kind) in place of the name alone.
    int bGetTableList(CAny* pclList, CNAConnectionDescription* pclCnx, const wchar_t* pszName,
                      unsigned nFlags) override;
    // The live columns of every table or view of that name, in column order.
    int bGetColumnList(CAny* pclList, CNAConnectionDescription* pclCnx, const wchar_t* pszTable,
                       unsigned nFlags) override;
    CNAStatementSQL* pclAllocStatementSQL(CNAConnectionDescription* pclCnx, CNAError* pclError) override;
    // The databases that are not templates.
    int _bGetDatabaseList(CXYStringConcat<wchar_t>* pclList, CNAConnectionDescription* pclCnx,
                          unsigned nFlags) override;

    // The text the table list runs for a set of flags.
    static void s_BuildTableListQuery(CTString* pclOut, unsigned nFlags);
};
