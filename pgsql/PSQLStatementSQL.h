// CPSQLStatementSQL: the SQL-layer statement over the PostgreSQL client library. One PQexec sends
// the text; the whole result stays on the client and the rows are stepped through without asking
// the server again. A refused statement becomes user error 80 with the server's SQLSTATE and
// message.
//
// Built so far: execution, the column count and row count, fetch and seek, affected rows, the
// server's error, and a field read as text. Values through converters, the column table's item
// types and the broken-connection kind are not built yet.
#pragma once

#include "pgsql/NAStatementSQL.h"

class CTString;
struct pg_conn;
struct pg_result;
typedef struct pg_conn PGconn;
typedef struct pg_result PGresult;

class CPSQLStatementSQL : public CNAStatementSQL {
public:
    CPSQLStatementSQL(CNAConnectionDescription* pclCnx, CNAError* pclError);
    ~CPSQLStatementSQL() override;

    int bGetAffected_rows(unsigned long* pnRows) override;
    int bFetch(unsigned nFlags) override;
    int bDataSeek(long nRow) override;
    int _bCloseParse() override;
    int _bInitTabNAColumn() override;
    int _bInitLastError(unsigned nFile, unsigned nSite) override;
    int _bExecuteDirect(const char* pszSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags) override;
    using CNAStatementSQL::_bExecuteDirect;

    PGconn* _pstGetPGConn() const;
    // The next row, with no test for an empty result.
    int _bFetch();

    // STUB (statements task): the field of the current row as text in the client code page (empty
    // for NULL), for the connection's own set-up queries; bGetValue through a converter replaces it.
    int _bGetValueText(CTString* pclOut, unsigned nColumn);

private:
    PGresult* m_pResult = nullptr;
};
