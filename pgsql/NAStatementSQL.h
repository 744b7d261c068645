// CNAStatementSQL: one SQL text sent over one connection, and its result set read row by row and
// column by column. This base holds what does not depend on the client library (wide or 8-bit
// text, the column table, reset, the dump of a refused query into the error object); the
// statement of a client library overrides the hooks, which fail here.
//
// Built so far: running a text without parameters, fetching, the refused query's error and dump,
// reset. Parameters, values into variants and converters, rows as text and the column readers are
// not built yet (STUB bodies below answer failure).
#pragma once

#include <cstdint>

#include "native/model/Interf.h"

class CAny;
class CNAColumnSQL;
class CNAConnectionDescription;
class CNAConvertVariant;
class CNAError;
class CTStringConcatAW;
class CTabValParser;
class INAError;

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
    virtual int bExecuteDirect(const wchar_t* pszSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags);
    virtual int bGetAffected_rows(unsigned long* pnRows);
    virtual int bFetch(unsigned nFlags);
    virtual int bDataSeek(long nRow);
    virtual int bGetValue(CNAConvertVariant* pclValue, unsigned nColumn, unsigned nFlags);
    virtual int bGetValue(CAny* pclValue, unsigned nColumn, unsigned nFlags);
    virtual int bGetBLOBValue(CAny* pclValue, unsigned nColumn, unsigned nFlags);
    virtual int bReset();
    virtual int _bCloseParse();
    virtual int _bInitTabNAColumn();
    virtual int _bInitLastError(unsigned nFile, unsigned nSite);
    virtual void _InitExecuteError(unsigned nFile, unsigned nSite, const wchar_t* pszSQL, long nLength,
                                   unsigned nFlags);
    virtual int _bAddParameter(CTStringConcatAW* pclSQL, unsigned nIndex, const CAny* pclValue);
    virtual int _bExecuteDirect(CTStringConcatAW* pclSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags);
    virtual int _bExecuteDirect(const wchar_t* pszSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags);
    virtual int _bExecuteDirect(const char* pszSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags);

    // ------------------------------------------------------------------ other operations
    // Text already 8-bit in the connection's client code page.
    int bExecuteDirect(const char* pszSQL, NA_WRITEPARSEFLAGS nFlags);
    // The error object, no reference added; always 1.
    int bGetStmtLastError(INAError** ppiError);
    void ResetLastError();
    int bGetColumnNbr(int* pnColumns, unsigned nFlags);

    int64_t llGetNbRow() const { return m_llNbRow; }
    int64_t llGetCurrentRow() const { return m_llCurrentRow; }
    unsigned nGetNbColumn() const { return m_nNbColumn; }
    // 1 when no row is current.
    unsigned bIsEnd() const { return m_bEnd; }
    unsigned bIsResultOpen() const { return m_bResultOpen; }
    unsigned nGetStmtNumber() const { return m_nStmtNumber; }
    CNAConnectionDescription* pclGetConnection() const { return m_pclConnection; }
    CNAError* pclGetError() const { return m_pclError; }

    // Numbers the statements of the process from 1.
    static unsigned m_gnStmtGenerator;

protected:
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
    // STUB (statements task): made on first use through the driver object's pclAllocVariant and
    // released by the destructor; nothing makes it yet.
    CNAConvertVariant* m_pclVariant = nullptr;
};
