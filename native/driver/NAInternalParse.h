// CNAInternalParse: a query of the driver's own (the automatic-identifier queries, the dump of a
// query's rows as text), run on a connection through a data access made for it alone, under the
// logical name "$KXInternal" and without the statement's record cache. Its rows are read as values
// or as one text, with a separator between the rows and one between the values of a row.
#pragma once

#include <cstddef>

#include "core/KXUnknown.h"
#include "native/statement/NAParseDirection.h"

class CAny;
class CNAColumn;
class CNAConnectionDescription;
class CNADataAccess;
class CNAError;
class CNAStatement;
template <class T>
class CXYStringConcat;

class CNAInternalParse : public CKXUnknown {
public:
    // The logical name the data access runs these queries under.
    static constexpr const wchar_t* INTERNAL_QUERY_NAME = L"$KXInternal";

    // The query made and run: the object with count 0 (the caller takes the first reference), or
    // null when no data access could be made or the query failed (the error object tells why).
    static CNAInternalParse* s_pclGetNAInternalParse(const wchar_t* pszSQL, CNAError* pclError,
                                                     CNAConnectionDescription* pclCnx);
    // Runs the query and appends all its rows to pclOut as text (see bFetchAll). 0 when the query
    // could not run or a fetch failed; the rows read before the failure stay in pclOut.
    static int s_bDoInternalParse(const wchar_t* pszSQL, CNAError* pclError, CNAConnectionDescription* pclCnx,
                                  CXYStringConcat<wchar_t>* pclOut, const wchar_t* pszRowSeparator,
                                  const wchar_t* pszColumnSeparator);

    // Runs the same query again on the same statement; the next first fetch reads its first row.
    int bReExecute();
    // One row in the direction. Without a result set: out of the file, and success.
    int bFetch(eNA_PARSEDIRECTION eDirection, int* pbOut);
    // One row, with up to nValues of its values copied into ptabValues. 0 without a result set.
    int bFetchData(eNA_PARSEDIRECTION eDirection, int* pbOut, CAny* ptabValues, int nValues);
    // One row appended as text: the row separator first when pclOut holds text already, then each
    // value as wide text with the column separator between two values (a NULL or a value with no
    // text adds nothing but its separator). Out of the file or a failed fetch adds nothing.
    int bFetchData(eNA_PARSEDIRECTION eDirection, int* pbOut, CXYStringConcat<wchar_t>* pclOut,
                   const wchar_t* pszRowSeparator, const wchar_t* pszColumnSeparator);
    // Every row from the first appended as text: 1 once the end of the rows is reached, 0 without a
    // result set or when a fetch failed (the text holds the rows read before it).
    int bFetchAll(CXYStringConcat<wchar_t>* pclOut, const wchar_t* pszRowSeparator, const wchar_t* pszColumnSeparator);

    // The columns of the result (0 without a result set) and one of them, without a reference.
    int nGetColumnNbr();
    CNAColumn* pclGetColumnNoRef(const wchar_t* pszName);
    CNAColumn* pclGetColumnNoRef(int nIndex);

    CNADataAccess* pclGetDataAccessNoRef() const { return m_pclDataAccess; }
    CNAStatement* pclGetStatementNoRef() const { return m_pclStatement; }

protected:
    CNAInternalParse(CNAError* pclError, CNAConnectionDescription* pclCnx);
    // Gives back the statement, then the data access.
    ~CNAInternalParse() override;

    // The data access from the driver object, with a reference.
    int _bAllocate();
    // The query run on the data access; its statement kept (none without a result set), its record
    // cache off.
    int _bExecute(const wchar_t* pszSQL);

    // ---- fields, in their order
    CNAError* m_pclError;                      // not referenced
    CNAConnectionDescription* m_pclCnx;        // not referenced
    CNADataAccess* m_pclDataAccess = nullptr;  // one reference
    CNAStatement* m_pclStatement = nullptr;    // one reference; null without a result set

    friend struct CNAInternalParseLayout;
};

// The fields follow the count in their order.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CNAInternalParseLayout {
    static_assert(offsetof(CNAInternalParse, m_pclError) == 16);
    static_assert(offsetof(CNAInternalParse, m_pclCnx) == 24);
    static_assert(offsetof(CNAInternalParse, m_pclDataAccess) == 32);
    static_assert(offsetof(CNAInternalParse, m_pclStatement) == 40);
    static_assert(sizeof(CNAInternalParse) == 48);
};
#pragma GCC diagnostic pop
