// CNAStatementSQL: one SQL text sent over one connection, and its result set read row by row and
// column by column. This base holds what does not depend on the client library: the choice between
// wide and 8-bit text, the values of a parameter table written in place of their placeholders, the
// column table, a column read into a variant, a row as one text, the dump of a refused query into
// the error object, and reset. The statement of a client library overrides the hooks (sending the
// text, status, fetch, values, the server's error), which fail here.
//
// Statements are numbered from 1 in the order the process makes them; the SQL-command driver hands
// that number to the host as the statement's handle.
#pragma once

#include <cstdint>

#include "core/RefTraits.h"
#include "native/model/Interf.h"
#include "native/model/NAItemType.h"

class CAny;
class CNAColumnSQL;
class CNAConnectionDescription;
class CNAConvertVariant;
class CNAError;
class CTStringConcatAW;
class CTabValParser;
class INAError;
template <class T>
class CXYStringConcat;

// The flag word of a browse or a write.
typedef uint32_t NA_WRITEPARSEFLAGS;

class CNAStatementSQL : public CInterf {
public:
    // Takes one reference on each (either may be null).
    CNAStatementSQL(CNAConnectionDescription* pclCnx, CNAError* pclError);
    ~CNAStatementSQL() override;

    // ------------------------------------------------------------------ virtual, in slot order
    virtual int bPrepareSQL(CTStringConcatAW* pclSQL);
    virtual int bExecutePreparedQuery(NA_WRITEPARSEFLAGS nFlags);
    // Resets, writes the parameters' values in place of their placeholders, executes.
    virtual int bExecuteDirect(const wchar_t* pszSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags);
    virtual int bGetAffected_rows(unsigned long* pnRows);
    virtual int bFetch(unsigned nFlags);
    virtual int bDataSeek(long nRow);
    // Column nColumn (from 0) of the current row into the converter.
    virtual int bGetValue(CNAConvertVariant* pclValue, unsigned nColumn, unsigned nFlags);
    // The same as wide text (language type 16), or as bytes (28), copied into the variant.
    virtual int bGetValue(CAny* pclValue, unsigned nColumn, unsigned nFlags);
    virtual int bGetBLOBValue(CAny* pclValue, unsigned nColumn, unsigned nFlags);
    virtual int bReset();
    virtual int _bCloseParse();
    virtual int _bInitTabNAColumn();
    virtual int _bInitLastError(unsigned nFile, unsigned nSite);
    // The server's error, then the dump of the query (its first 5000 characters).
    virtual void _InitExecuteError(unsigned nFile, unsigned nSite, const wchar_t* pszSQL, long nLength,
                                   unsigned nFlags);
    // The value as an SQL literal of the connection, appended to the text.
    virtual int _bAddParameter(CTStringConcatAW* pclSQL, unsigned nIndex, const CAny* pclValue);
    virtual int _bExecuteDirect(CTStringConcatAW* pclSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags);
    virtual int _bExecuteDirect(const wchar_t* pszSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags);
    virtual int _bExecuteDirect(const char* pszSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags);
    // The result just run is a full block of a browse: a statement that can,
    // sends the next block's SELECT ahead (bContinuing: this block continued the browse after the
    // one before; bOrderIndexed: the server has an index for the browse's order, else the next
    // blocks may be read from a cursor over the rows sorted once). Nothing here.
    virtual void PrefetchNextBlock(int bContinuing, int bOrderIndexed);
    // The browse whose blocks the statement ran is over: what it kept on the server for the next
    // ones goes. Nothing here.
    virtual void EndBrowse();

    // ------------------------------------------------------------------ other operations
    // Text already 8-bit in the connection's client code page.
    int bExecuteDirect(const char* pszSQL, NA_WRITEPARSEFLAGS nFlags);
    // The error object, no reference added; always 1.
    int bGetStmtLastError(INAError** ppiError);
    void ResetLastError();
    int bGetColumnNbr(int* pnColumns, unsigned nFlags);
    // Column n (from 0), the table built on first use; null with user error 50 outside the result.
    CNAColumnSQL* pclGetNAColumnSQL(int n);
    // The column's item type (0 when it does not exist) and name (null then).
    eNA_ITEMTYPE _eGetColumnType(unsigned n);
    const wchar_t* _pszGetColumnName(unsigned n);
    // A copy of the column's name as a wide text value (type 110); 0 when there is no such column.
    int bGetColumnName(CAny* pclName, unsigned nColumn, unsigned nFlags);
    // The column names joined by "\r\n" (a shared wide text); the variant is untouched without
    // columns.
    int bGetColumnList(CAny* pclList, unsigned nFlags);
    // The current row's values (the first n columns when 0 < n < count), joined by the separator;
    // NULL and empty values leave only their separators. User error 7 without a current row.
    int bGetRow(CXYStringConcat<wchar_t>* pclRow, const wchar_t* pszSeparator, int n, unsigned nFlags);
    // The same into a wide text value (type 110), written also when the read fails.
    int bGetRow(CAny* pclRow, const wchar_t* pszSeparator, int n, unsigned nFlags);
    // Runs the text and reads one column of its first row into the variant (untouched without
    // a row); the statement is reset afterwards in every case.
    int bGetRequestedValue(CAny* pclValue, int nColumn, const wchar_t* pszSQL);

    // The value converter, made on first use by the driver object; null when it cannot be made.
    CNAConvertVariant* _pclGetVariant();
    // Entry i of the parameter table: its value (a file's content for a file entry) and its
    // placeholder's position and length.
    int _bGetParameter(CAny* pclValue, int* pnPosition, int* pnLength, CTabValParser* pclParameters, int i);
    void _DumpQueryInError(CTStringConcatAW* pclSQL, unsigned nFlags);
    void _DumpQueryInError(const char* pszSQL, long nLength, unsigned nFlags);
    void _DumpQueryInError(const wchar_t* pszSQL, long nLength, unsigned nFlags);

    int64_t llGetNbRow() const { return m_llNbRow; }
    int64_t llGetCurrentRow() const { return m_llCurrentRow; }
    unsigned nGetNbColumn() const { return m_nNbColumn; }
    // 1 when no row is current.
    unsigned bIsEnd() const { return m_bEnd; }
    unsigned bIsResultOpen() const { return m_bResultOpen; }
    int64_t llGetMaxRowLength() const { return m_llMaxRowLength; }
    unsigned nGetStmtNumber() const { return m_nStmtNumber; }
    CNAConnectionDescription* pclGetConnection() const { return m_pclConnection; }
    CNAError* pclGetError() const { return m_pclError; }

    // Numbers the statements of the process from 1.
    static unsigned m_gnStmtGenerator;

protected:
    // The column table is an array made by new[] (its element count kept in front of it).
    void _DeleteTabColumn();

    CNAError* m_pclError;
    CNAConnectionDescription* m_pclConnection;
    uint32_t m_bResultOpen = 0;
    int64_t m_llNbRow = 0;
    int64_t m_llCurrentRow = -1;
    uint32_t m_nNbColumn = 0;
    CNAColumnSQL* m_pTabColumn = nullptr;
    uint32_t m_bEnd = 1;
    int64_t m_llMaxRowLength = 0;
    uint32_t m_nStmtNumber;
    CNAConvertVariant* m_pclVariant = nullptr;
};

template <>
struct CRefTraits<CNAStatementSQL> {
    static void _AddRef(CNAStatementSQL* p) { p->AddRef(); }
    static void _Release(CNAStatementSQL* p) { p->nRelease(); }
};
