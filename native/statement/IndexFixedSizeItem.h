// CIndexFixedSizeItem: the column index of a fixed-size column (numbers, dates, texts of a set
// length...). Each present row of the cache is a record of a B+-tree whose key is the byte-sortable
// key of the row's value and whose value is the row number, 4 bytes in the machine's order; the
// tree's cursor is the index's current position, and ranks and counts come from the tree's record
// counts.
//
// Rows with equal values share a key and are ordered by their row numbers compared byte by byte as
// they lie in memory: on a little-endian machine by the lowest byte first (row 256 before row 1),
// not by row number.
#pragma once

#include <cstdint>

#include "native/statement/IndexItem.h"

class CMemBTree;

class CIndexFixedSizeItem : public CIndexItem {
public:
    // Options of the keys: ascending, texts as they are.
    static constexpr unsigned short KEY_OPTIONS = 0x2800;

    CIndexFixedSizeItem(CNAError* pclError, CNAStatement* pclStatement, CNARecordCache* pclCache, CNAColumn* pclColumn,
                        const CNAUserSearch* pclUserSearch);
    ~CIndexFixedSizeItem() override;

    int bInit() override;
    int bInsertRecord(int nRow, CAny* pclValue) override;
    // True once built, with the old value given: a pair that is not in the tree has nothing to
    // remove.
    int bDeleteRecord(int nRow, CAny* pclValue) override;
    int bGetRecordPosition(eNA_PARSEDIRECTION eDirection, int nCount, int* pnRow, unsigned int* pnDuplicate) override;
    int nGetCurrentRecordId() override;
    int nGetRecordNbr() override;
    int nGetPreviousRecordNbr() override;
    int bSetCurrentPos(int nRow, int nDuplicate, int* pbFound) override;

    // Counts, from the row under the cursor (one of a key with nValues rows), the rows just before
    // it that are identical to it (record and memo values), and leaves the cursor where it was.
    int _bCalculateDuplicateIndice(int nValues, int nRow, unsigned int* pnDuplicate);

    const CMemBTree* pclGetTreeNoRef() const { return m_pclTree; }
    unsigned nGetKeySize() const { return m_nKeySize; }
    // The key of a value, as the index builds it (into the index's key buffer).
    const unsigned char* _pbyKey(const CAny* pclValue);

private:
    void _Free();
    // The row number under the cursor, -1 at the end or without a position.
    int _nRowUnderCursor() const;
    // The sign of the pair (key, row) against the pair the current row had when it was removed,
    // in the tree's own order (key bytes, then the row number's bytes).
    int _nCompareWithRemoved(const unsigned char* pbyKey, int32_t nRow) const;

    CMemBTree* m_pclTree = nullptr;
    unsigned m_nKeySize = 0;
    unsigned char* m_pbyKey = nullptr;
    // Set while the row the index stood on has been removed from under it: the cursor is then on
    // the first pair after the removed one (or at the end), which a next move of one row reaches
    // without stepping, and the removed pair (key, row) is kept to place rows added meanwhile.
    uint32_t m_bCurrentRemoved = 0;
    unsigned char* m_pbyRemovedKey = nullptr;
    int32_t m_nRemovedRow = -1;
};
