// CColumnNullValueExcluded: for the columns a search or filter condition names, whether rows with
// a NULL value in that column can still satisfy it. A column not recorded counts as admitting NULL.
// The key search and the record layout use it to tell whether a composite unique key is fully
// determined by a search.
#pragma once

#include "core/TTableau.h"
#include "core/TTableauPtr.h"

class CNAColumn;

class CColumnNullValueExcluded {
public:
    CColumnNullValueExcluded() : m_tabColumns(10, 30), m_tabFlags(10, 30) {}

    // The flag recorded for the column (by identity), or true.
    bool bColumnValuesNullSelected(const CNAColumn* pclColumn) const;
    // The same by the columns' original names, without regard to case; true when none has it.
    bool bColumnValuesNullSelected(const wchar_t* pszName) const;
    void Reset();
    // One column's flag merged under the operator: AND keeps NULL only when both admit it, OR when
    // either does.
    bool bCombineColumnValuesNullSelected(int eOperator, CNAColumn* pclColumn, int bFlag);
    // Every column of another record merged the same way; a missing record under OR resets this one.
    bool bCombineColumnValuesNullSelected(int eOperator, const CColumnNullValueExcluded* pclOther);
    // Every column and flag of another record appended (inverted with bInvert).
    bool bCopyColumnValuesNullSelected(const CColumnNullValueExcluded* pclOther, int bInvert);

    int nGetCount() const { return m_tabColumns.nGetNbElement(); }

private:
    int _nIndex(const CNAColumn* pclColumn) const;
    // A column and its flag appended together; false (nothing appended) without room.
    bool _bAppend(CNAColumn* pclColumn, int bFlag);

    CTTableauPtr<CNAColumn> m_tabColumns;  // not referenced
    CTTableau<int> m_tabFlags;
};
