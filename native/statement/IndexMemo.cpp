// Column index of a memo column: the sorted table of row numbers, its binary search over the cached
// memo values, the empty values kept at the front, and the current position that follows the
// table's insertions and removals.
#include "native/statement/IndexMemo.h"

#include <climits>
#include <cstring>

#include "native/statement/NARecordCache.h"
#include "native/statement/NARecordValue.h"
#include "variant/Any.h"

namespace {

// The table grows one entry at a time (by 20 once it holds 100), and compacts past 30 unused.
constexpr int ORDER_GROW_STEP = 1;
constexpr int ORDER_COMPACT_THRESHOLD = 30;

// The order of the entries: bytes compared up to the shorter, an equal prefix making the shorter
// smaller, an empty value smaller than any other.
int nCompareBytes(const void* pA, unsigned long nA, const void* pB, unsigned long nB) {
    if (pA == nullptr || pB == nullptr) return (pA == nullptr ? 0 : 1) - (pB == nullptr ? 0 : 1);
    const int n = memcmp(pA, pB, nA < nB ? nA : nB);
    if (n != 0) return n < 0 ? -1 : 1;
    return nA == nB ? 0 : (nA < nB ? -1 : 1);
}

// A target position; one out of the int range lies outside any table.
int nTarget(long n) {
    return n < INT_MIN ? -1 : (n > INT_MAX ? -1 : static_cast<int>(n));
}

}  // namespace

CIndexMemo::CIndexMemo(CNAError* pclError, CNAStatement* pclStatement, CNARecordCache* pclCache, CNAColumn* pclColumn,
                       const CNAUserSearch* pclUserSearch)
    : CIndexItem(pclError, pclStatement, pclCache, pclColumn, pclUserSearch),
      m_tabOrder(ORDER_GROW_STEP, ORDER_COMPACT_THRESHOLD) {}

CIndexMemo::~CIndexMemo() = default;

int CIndexMemo::_nEqualBound(int nFrom, int nTo, const void* pData, unsigned long nSize, int bLast) {
    // Sorted entries: between a hit and the high bound the equal ones come first, between the low
    // bound and a hit they come last.
    int nLow = nFrom, nHigh = nTo;
    while (nLow < nHigh) {
        const int nMiddle = bLast ? nLow + (nHigh - nLow + 1) / 2 : nLow + (nHigh - nLow) / 2;
        int n;
        if (!_bCompareValues(&n, m_tabOrder[nMiddle], pData, nSize)) return -1;
        if (bLast) {
            if (n == 0)
                nLow = nMiddle;
            else
                nHigh = nMiddle - 1;
        } else {
            if (n == 0)
                nHigh = nMiddle;
            else
                nLow = nMiddle + 1;
        }
    }
    return nLow;
}

int CIndexMemo::_bFind(int* pbFound, int* pnPosition, const void* pData, unsigned long nSize, int bNextWhenAbsent,
                       int bLastWhenPresent) {
    const int nCount = m_tabOrder.nGetNbElement();
    int nLow = 0, nHigh = nCount - 1;
    while (nLow <= nHigh) {
        const int nMiddle = (nLow + nHigh) / 2;
        int n;
        if (!_bCompareValues(&n, m_tabOrder[nMiddle], pData, nSize)) return 0;
        if (n > 0) {
            nHigh = nMiddle - 1;
        } else if (n < 0) {
            nLow = nMiddle + 1;
        } else {
            *pbFound = 1;
            const int nPosition = bNextWhenAbsent && !bLastWhenPresent
                                      ? _nEqualBound(nLow, nMiddle, pData, nSize, 0)
                                      : _nEqualBound(nMiddle, nHigh, pData, nSize, 1);
            if (nPosition < 0) return 0;
            *pnPosition = nPosition;
            return 1;
        }
    }
    *pbFound = 0;
    if (bNextWhenAbsent)
        *pnPosition = nLow < nCount ? nLow : -1;
    else
        *pnPosition = nHigh >= 0 ? nHigh : -1;
    return 1;
}

int CIndexMemo::bInit() {
    m_tabOrder.SupprimeTout();
    m_nCurrent = -1;
    m_nLastEmpty = -1;
    m_bCurrentDeleted = 0;
    const int nRows = m_pclCache->nGetNbRecord();
    for (int nRow = 0; nRow < nRows; nRow++) {
        if (m_pclCache->eGetRecordState(nRow) != NA_RECORDSTATE_PRESENT) continue;
        if (!bInsertRecord(nRow, nullptr)) return 0;
    }
    return 1;
}

int CIndexMemo::bInsertRecord(int nRow, CAny*) {
    CAny clValue;
    if (!_bGetRecordValue(&clValue, nRow)) return 0;
    const void* pData;
    unsigned long nSize;
    _bGetDataAdr(&pData, &nSize, &clValue);
    const int nCount = m_tabOrder.nGetNbElement();
    int nIndex;
    if (pData == nullptr) {
        nIndex = m_nLastEmpty + 1;
    } else if (nCount == 0) {
        nIndex = 0;
    } else {
        // After the equal entries, or before the first greater one.
        int bFound, nPosition;
        if (!_bFind(&bFound, &nPosition, pData, nSize, 1, 1)) return 0;
        nIndex = nPosition < 0 ? nCount : nPosition + (bFound ? 1 : 0);
    }
    // With the current entry removed, the current position is the entry that followed it: an entry
    // added right there that sorts after the removed one becomes the following entry.
    bool bFollows = false;
    if (m_bCurrentDeleted && nIndex == m_nCurrent) {
        const void* pRemoved;
        unsigned long nRemoved;
        _bGetDataAdr(&pRemoved, &nRemoved, &m_clRemoved);
        bFollows = nCompareBytes(pData, nSize, pRemoved, nRemoved) >= 0;
    }
    m_tabOrder.Insere(nRow, nIndex);
    if (m_tabOrder.nGetNbElement() == nCount) {
        _SetErrorNoMemory();
        return 0;
    }
    if (pData == nullptr) m_nLastEmpty++;
    if (m_nCurrent >= nIndex && !bFollows) m_nCurrent++;
    return 1;
}

int CIndexMemo::bDeleteRecord(int nRow, CAny* pclValue) {
    const int nCount = m_tabOrder.nGetNbElement();
    int nIndex = 0;
    while (nIndex < nCount && m_tabOrder[nIndex] != nRow) nIndex++;
    if (nIndex == nCount) return 1;
    m_tabOrder.Supprime(nIndex, 1);
    // An entry of the empty block leaves it one shorter, or the next empty value would go in
    // behind a non-empty one and the table would no longer be sorted.
    if (nIndex <= m_nLastEmpty) m_nLastEmpty--;
    if (m_nCurrent > nIndex)
        m_nCurrent--;
    else if (m_nCurrent == nIndex && !m_bCurrentDeleted) {
        m_bCurrentDeleted = 1;
        // The value the row was indexed with; read from the row when the caller has none.
        if (pclValue != nullptr)
            m_clRemoved = *pclValue;
        else if (!_bGetRecordValue(&m_clRemoved, nRow))
            m_clRemoved = CAny();
    }
    return 1;
}

int CIndexMemo::bGetRecordPosition(eNA_PARSEDIRECTION eDirection, int nCount, int* pnRow, unsigned int* pnDuplicate) {
    *pnRow = -1;
    if (pnDuplicate != nullptr) *pnDuplicate = 0;
    const int nEntries = m_tabOrder.nGetNbElement();
    if (nEntries == 0) return 1;
    const CAny* pclSearch = _pclGetSearchValue();
    const void* pData = nullptr;
    unsigned long nSize = 0;
    if (pclSearch != nullptr) _bGetDataAdr(&pData, &nSize, pclSearch);
    int nPosition;
    switch (eDirection) {
        case NA_PARSE_FIRST:
            if (pclSearch != nullptr) {
                // From the first entry equal to the searched value, else the first greater one.
                int bFound, p;
                if (!_bFind(&bFound, &p, pData, nSize, 1, 0)) return 0;
                if (p < 0) return 1;
                nPosition = nTarget(long(p) + nCount - 1);
            } else {
                nPosition = nTarget(long(nCount) - 1);
            }
            break;
        case NA_PARSE_LAST:
            if (pclSearch != nullptr) {
                // From the last entry equal to the searched value, else the last smaller one.
                int bFound, p;
                if (!_bFind(&bFound, &p, pData, nSize, 0, 0)) return 0;
                if (p < 0) return 1;
                nPosition = nTarget(long(p) + 1 - nCount);
            } else {
                nPosition = nTarget(long(nEntries) - nCount);
            }
            break;
        case NA_PARSE_NEXT:
            // After the current entry was removed the position is already on the one after it.
            nPosition = nTarget(long(m_nCurrent) + nCount - (m_bCurrentDeleted ? 1 : 0));
            break;
        case NA_PARSE_PREVIOUS:
            nPosition = nTarget(long(m_nCurrent) - nCount);
            break;
        default:
            if (m_bCurrentDeleted) return 1;
            nPosition = m_nCurrent;
            break;
    }
    if (nPosition < 0 || nPosition >= nEntries) return 1;
    m_nCurrent = nPosition;
    m_bCurrentDeleted = 0;
    *pnRow = m_tabOrder[nPosition];
    return 1;
}

int CIndexMemo::bSetCurrentPos(int nRow, int, int* pbFound) {
    const int nEntries = m_tabOrder.nGetNbElement();
    if (nRow != -1) {
        // A position in the table, not a row number.
        if (nRow < 0 || nRow >= nEntries) return 0;
        m_nCurrent = nRow;
        m_bCurrentDeleted = 0;
        return 1;
    }
    CAny clOriginal;
    if (!_bGetOriginalValue(&clOriginal)) return 0;
    const void* pData;
    unsigned long nSize;
    _bGetDataAdr(&pData, &nSize, &clOriginal);
    int bFound = 0, nPosition = -1;
    if (!_bFind(&bFound, &nPosition, pData, nSize, 1, 1)) return 0;
    // On the last equal entry, or the first greater one, or past the last entry.
    m_nCurrent = nPosition < 0 ? nEntries : nPosition;
    // The position was just chosen: whatever entry was removed from under the old one is no longer
    // under it.
    m_bCurrentDeleted = 0;
    if (pbFound != nullptr) *pbFound = bFound;
    return 1;
}

int CIndexMemo::nGetCurrentRecordId() {
    if (m_bCurrentDeleted || m_nCurrent < 0 || m_nCurrent >= m_tabOrder.nGetNbElement()) return -1;
    return m_tabOrder[m_nCurrent];
}

int CIndexMemo::nGetRecordNbr() {
    return m_tabOrder.nGetNbElement();
}

int CIndexMemo::nGetPreviousRecordNbr() {
    return m_nCurrent;
}
