// CIndexMemo: the column index of a memo column (long text or binary data), which has no key of a
// fixed size. The index is a table of the present rows' numbers sorted by the bytes of their memo
// values, read from the cache during each binary search. Rows whose value is empty come first, in
// the order they were added; equal values keep the order they were added in too.
#pragma once

#include <cstdint>

#include "core/TTableau.h"
#include "native/statement/IndexItem.h"
#include "variant/Any.h"

class CIndexMemo : public CIndexItem {
public:
    CIndexMemo(CNAError* pclError, CNAStatement* pclStatement, CNARecordCache* pclCache, CNAColumn* pclColumn,
               const CNAUserSearch* pclUserSearch);
    ~CIndexMemo() override;

    int bInit() override;
    // The value given is not used: the row's memo value is read from the cache.
    int bInsertRecord(int nRow, CAny* pclValue) override;
    // The row's entry is found by its number; a row that is not in the index succeeds.
    int bDeleteRecord(int nRow, CAny* pclValue) override;
    // The duplicate index is never computed (0).
    int bGetRecordPosition(eNA_PARSEDIRECTION eDirection, int nCount, int* pnRow, unsigned int* pnDuplicate) override;
    int nGetCurrentRecordId() override;
    int nGetRecordNbr() override;
    int nGetPreviousRecordNbr() override;
    // The duplicate index is not used.
    int bSetCurrentPos(int nRow, int nDuplicate, int* pbFound) override;

    // Binary search of the bytes among the sorted entries. Present: *pbFound 1 and the position of
    // the last equal entry, or of the first one when bNextWhenAbsent is set and bLastWhenPresent is
    // not. Absent: *pbFound 0 and, with bNextWhenAbsent, the first greater entry (-1 when none),
    // else the last smaller one (-1 when none). False when a row cannot be read.
    int _bFind(int* pbFound, int* pnPosition, const void* pData, unsigned long nSize, int bNextWhenAbsent,
               int bLastWhenPresent);

    // ---- state, for the table-cache index and the tests
    const CTTableau<int>& clGetOrder() const { return m_tabOrder; }
    int nGetCurrentPosition() const { return m_nCurrent; }
    int nGetLastEmpty() const { return m_nLastEmpty; }
    int bCurrentDeleted() const { return m_bCurrentDeleted != 0; }

private:
    // The first (bLast 0) or last (bLast 1) entry equal to the bytes between nFrom and nTo, of which
    // nFrom (bLast) or nTo (else) is one; -1 when a row cannot be read.
    int _nEqualBound(int nFrom, int nTo, const void* pData, unsigned long nSize, int bLast);

    // Set when the entry under the current position was removed: no row is current, the current
    // position is the entry that followed it (a next move of one row reaches it without stepping),
    // and the removed value is kept to place the entries added meanwhile.
    uint32_t m_bCurrentDeleted = 0;
    CAny m_clRemoved;
    CTTableau<int> m_tabOrder;
    int m_nCurrent = -1;
    // Index of the last entry with an empty value, -1 when there is none: they fill the front.
    int m_nLastEmpty = -1;
};
