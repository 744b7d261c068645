// CIndexItem: the index a statement browses a table held whole in the record cache by, one per
// browse item, over the rows of the cache. The order is the item's column value; an entry is a row
// number of the cache (0-based), and rows whose state is not present are left out. The table-cache
// index that owns it keeps it in step with the writes made on the cache's rows.
//
// CIndexFixedSizeItem orders fixed-size values by their sortable keys in a B+-tree; CIndexMemo
// orders memo values by their bytes in a table of row numbers. This base holds what both read: the
// cache, the column, the statement's user search (the bound of a first or last move) and the error
// object failures are reported on.
#pragma once

#include "native/statement/NAParseDirection.h"

class CAny;
class CNAColumn;
class CNAError;
class CNARecordCache;
class CNARecordValue;
class CNAStatement;
class CNAUserSearch;

class CIndexItem {
public:
    // Nothing given is owned or counted: the statement owns the index (through its table-cache
    // index) and outlives it, and so do its error object, the cache, the column and the statement's
    // user search.
    CIndexItem(CNAError* pclError, CNAStatement* pclStatement, CNARecordCache* pclCache, CNAColumn* pclColumn,
               const CNAUserSearch* pclUserSearch);
    CIndexItem(const CIndexItem&) = delete;
    CIndexItem& operator=(const CIndexItem&) = delete;

    // ---- virtual operations, in slot order after the destructor pair
    virtual ~CIndexItem();
    // Builds the index over every present row of the cache; false on failure, with the
    // out-of-memory error when an allocation failed.
    virtual int bInit() = 0;
    // A row added to the cache, or one whose value changed (then after bDeleteRecord of its old
    // value). The value is the row's new value, or null to read it from the cache.
    virtual int bInsertRecord(int nRow, CAny* pclValue) = 0;
    // A row leaving the index; the value is the row's value as it was indexed.
    virtual int bDeleteRecord(int nRow, CAny* pclValue) = 0;
    // Moves the current position (first, last: count - 1 rows from that end, or from the user
    // search's value when there is one; next, previous: count rows; any other direction stays) and
    // answers the row there, -1 when there is none (the position then stays where it was). The
    // duplicate index, when asked for, is the number of identical rows just before that one.
    virtual int bGetRecordPosition(eNA_PARSEDIRECTION eDirection, int nCount, int* pnRow,
                                   unsigned int* pnDuplicate) = 0;
    // The row at the current position, -1 when none.
    virtual int nGetCurrentRecordId() = 0;
    // Rows in the index.
    virtual int nGetRecordNbr() = 0;
    // Rows before the current position: the 0-based rank of the current row.
    virtual int nGetPreviousRecordNbr() = 0;
    // With -1, positions the index on the row holding the column's original value (the row the
    // statement last read) and tells whether it was found; with another number, on that rank of
    // the index's order.
    virtual int bSetCurrentPos(int nRow, int nDuplicate, int* pbFound) = 0;

    // ---- shared reads
    // The language value type of the column.
    unsigned short _eGetTypeVQ() const;
    // The column's memo value in the cached row of that number; false when the row cannot be read.
    int _bGetRecordValue(CAny* pclValue, int nRow);
    // The column's item value in the cached row of that number; false when it cannot be read.
    int _bGetRecordItemValue(CAny* pclValue, int nRow);
    // The column's value in its record's original row (the row as the statement read it): its memo
    // value for a memo column, else its item value.
    int _bGetOriginalValue(CAny* pclValue);
    // The bytes of a value: its address and size; a NULL or empty value gives a null address and 0.
    static int _bGetDataAdr(const void** ppData, unsigned long* pnSize, const CAny* pclValue);
    // The sign of (the row's memo value - the bytes given): bytes compared up to the shorter, an
    // equal prefix making the shorter smaller, and an empty value smaller than any other (two
    // empty values equal). False when the row cannot be read.
    int _bCompareValues(int* pnResult, int nRow, const void* pData, unsigned long nSize);

    CNAError* pclGetErrorNoRef() const { return m_pclError; }
    CNARecordCache* pclGetCacheNoRef() const { return m_pclCache; }
    CNAColumn* pclGetColumnNoRef() const { return m_pclColumn; }
    CNAStatement* pclGetStatementNoRef() const { return m_pclStatement; }

protected:
    // The user search's value when it bounds first and last moves (a value of a type), else null.
    const CAny* _pclGetSearchValue() const;
    // The row of that number loaded into the index's own record value; null when it cannot be (out
    // of memory reported for the value itself).
    CNARecordValue* _pclLoadRow(int nRow);
    void _SetErrorNoMemory() const;

    CNAError* m_pclError;
    CNARecordCache* m_pclCache;
    CNAColumn* m_pclColumn;
    CNAStatement* m_pclStatement;
    const CNAUserSearch* m_pclUserSearch;
    // The rows read from the cache land here (made on first use, held with a reference), never in
    // the cache's own template, which the cache's row comparisons use.
    CNARecordValue* m_pclRow = nullptr;
};
