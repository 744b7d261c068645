// CPSQLStatementSQL: the SQL-layer statement over the PostgreSQL client library. One PQexec sends
// the text; the whole result stays on the client and the rows are stepped through without asking
// the server again. Each field's text reaches the value converter after PostgreSQL's own
// adjustments: NULL from the NULL flag, booleans as "1" or "0", byte strings unescaped, money as
// the plain number its lc_monetary text stands for, infinite dates as the host's last and first
// ones, the server's own text of each date and time kept by the converter, and dates and times
// stripped of their separators on the connections of the SQL-command functions. A refused
// statement becomes user error 80 with the server's SQLSTATE and message.
#pragma once

#include <string>

#include "pgsql/NAStatementSQL.h"
#include "pgsql/PSQLPrefetch.h"

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
    int bGetValue(CNAConvertVariant* pclValue, unsigned nColumn, unsigned nFlags) override;
    using CNAStatementSQL::bGetValue;
    int bReset() override;
    int _bCloseParse() override;
    int _bInitTabNAColumn() override;
    int _bInitLastError(unsigned nFile, unsigned nSite) override;
    int _bExecuteDirect(const char* pszSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags) override;
    using CNAStatementSQL::_bExecuteDirect;
    void PrefetchNextBlock(int bContinuing, int bOrderIndexed) override;
    void EndBrowse() override;

    PGconn* _pstGetPGConn() const;
    // The next row, with no test for an empty result.
    int _bFetch();

private:
    int _bSetByteString(CNAConvertVariant* pclValue, const char* pszText, const CNAColumnSQL* pclColumn);
    int _bSetDateTime(CNAConvertVariant* pclValue, const char* pszText, int nType);

    // The column table of the result that goes is kept aside for the next result.
    void _KeepColumnTable();
    // The kept table serves again when the result's columns are the very ones it describes (names,
    // formats, types and modifiers, in the same code page).
    bool _bTakeKeptColumnTable(int nColumns, unsigned nCodePage);

    // The fields of a result's last row, as the server wrote them.
    void _ReadLastRow(CPSQLPrefetch::Fields* paFields);
    // Runs pszSQL, the block foreseen of a browse along an item without an index, from the
    // statement's cursor: the next rows of the one open, or a cursor declared now when nothing else
    // ran on the connection since the block before and no transaction block is open. False, with
    // nothing left behind on the server, when it cannot: the caller runs pszSQL itself.
    bool _bRunFromCursor(CPSQLPrefetch* pclPrefetch, const char* pszSQL);

    PGresult* m_pResult = nullptr;
    // The column table of the latest result described, once that result went: a statement runs
    // the same SELECT shape again and again (the next block, the next seek), whose description
    // needs neither the names converted nor the table allocated again. The server's names of the
    // columns of the table (current or kept), each ended by a zero, and their code page.
    CNAColumnSQL* m_pKeptColumns = nullptr;
    uint32_t m_nKeptColumns = 0;
    std::string m_sColumnNames;
    unsigned m_nColumnNamesCodePage = 0;
    // Sending blocks ahead: the text of the latest run; whether its last row is to be kept when its
    // result closes; the kept row of the block before the current one; set when a block sent
    // ahead was not the one the browse asked for, which stops sending ahead for this statement
    // until its browse starts afresh.
    std::string m_sLastSQL;
    bool m_bKeepLastRow = false;
    CPSQLPrefetch::Fields m_aBlockBefore;
    CPSQLPrefetch::Fields m_aBlockLast;
    bool m_bPrefetchMissed = false;
    // The next block's text foreseen after the latest full block; whether its order has no index,
    // and the connection's count of statements run then.
    std::string m_sForeseen;
    bool m_bOrderWithoutIndex = false;
    uint64_t m_nRunsAfterBlock = 0;
    // A cursor costs one sort and a copy of every row left: it is declared once the browse has
    // read as many foreseen blocks in a row with nothing else between as the patience asks. The
    // patience doubles each time a cursor of the statement ended before it served enough blocks
    // to pay for itself, so that a host that interrupts or turns its browse often does not pay
    // for cursors it hardly reads; a cursor that paid for itself brings it back to one.
    unsigned m_nQuietBlocks = 0;
    unsigned m_nCursorPatience = 1;
    bool m_bHadCursor = false;
    unsigned m_nCursorBlocks = 0;
};
