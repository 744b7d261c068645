// Column index of a fixed-size column: building the tree of keys and row numbers, following the
// cache's writes, moving by direction, ranks and the duplicate index of identical rows.
#include "native/statement/IndexFixedSizeItem.h"

#include <climits>
#include <cstdint>
#include <cstring>

#include "core/XMalloc.h"
#include "native/model/NAColumn.h"
#include "native/model/NARecord.h"
#include "native/statement/MemBTree.h"
#include "native/statement/NARecordCache.h"
#include "native/statement/NARecordValue.h"
#include "variant/ConvertKey.h"
#include "variant/YFConvertKey.h"

namespace {

constexpr unsigned ROW_SIZE = sizeof(int32_t);

// A move of n records, held in the range a move can ask.
int nSteps(long n) {
    return n < -INT_MAX ? -INT_MAX : (n > INT_MAX ? INT_MAX : static_cast<int>(n));
}

}  // namespace

CIndexFixedSizeItem::CIndexFixedSizeItem(CNAError* pclError, CNAStatement* pclStatement, CNARecordCache* pclCache,
                                         CNAColumn* pclColumn, const CNAUserSearch* pclUserSearch)
    : CIndexItem(pclError, pclStatement, pclCache, pclColumn, pclUserSearch) {}

CIndexFixedSizeItem::~CIndexFixedSizeItem() {
    _Free();
}

void CIndexFixedSizeItem::_Free() {
    delete m_pclTree;
    m_pclTree = nullptr;
    XMALLOC_Del(m_pbyKey);
    m_pbyKey = nullptr;
    XMALLOC_Del(m_pbyRemovedKey);
    m_pbyRemovedKey = nullptr;
    m_bCurrentRemoved = 0;
}

const unsigned char* CIndexFixedSizeItem::_pbyKey(const CAny* pclValue) {
    // The conversion turns a NULL value into an empty text in place: the caller's value stays.
    CAny clValue(*pclValue);
    CConvertKey::nConvertKeyAndGetSize(&clValue, m_pbyKey, m_nKeySize, _eGetTypeVQ(), KEY_OPTIONS,
                                       static_cast<int>(m_pclColumn->nGetIntegerPart()),
                                       static_cast<int>(m_pclColumn->nGetDecimalPart()));
    return m_pbyKey;
}

int CIndexFixedSizeItem::_nRowUnderCursor() const {
    const void* pv = m_pclTree != nullptr ? m_pclTree->pReadValue() : nullptr;
    if (pv == nullptr) return -1;
    int32_t n;
    memcpy(&n, pv, ROW_SIZE);
    return n;
}

int CIndexFixedSizeItem::_nCompareWithRemoved(const unsigned char* pbyKey, int32_t nRow) const {
    const int n = memcmp(pbyKey, m_pbyRemovedKey, m_nKeySize);
    if (n != 0) return n < 0 ? -1 : 1;
    const int nRows = memcmp(&nRow, &m_nRemovedRow, ROW_SIZE);
    return nRows < 0 ? -1 : (nRows > 0 ? 1 : 0);
}

int CIndexFixedSizeItem::bInit() {
    _Free();
    m_nKeySize = static_cast<unsigned>(CYFConvertKey::nCalculateKeySize(_eGetTypeVQ(), m_pclColumn->nGetLogicalSize()));
    m_pclTree = CMemBTree::pclCreate(m_nKeySize, ROW_SIZE, memcmp, memcmp, 0);
    if (m_pclTree != nullptr) {
        m_pbyKey = static_cast<unsigned char*>(XMALLOC_pNew(m_nKeySize));
        m_pbyRemovedKey = static_cast<unsigned char*>(XMALLOC_pNew(m_nKeySize));
    }
    if (m_pclTree == nullptr || m_pbyKey == nullptr || m_pbyRemovedKey == nullptr) {
        _Free();
        _SetErrorNoMemory();
        return 0;
    }
    const int nRows = m_pclCache->nGetNbRecord();
    for (int32_t nRow = 0; nRow < nRows; nRow++) {
        if (m_pclCache->eGetRecordState(nRow) != NA_RECORDSTATE_PRESENT) continue;
        CAny clValue;
        if (!_bGetRecordItemValue(&clValue, nRow)) return 0;
        // Row numbers are distinct, so the only refusal left is the heap's.
        if (!m_pclTree->bInsert(_pbyKey(&clValue), &nRow)) {
            _SetErrorNoMemory();
            return 0;
        }
    }
    return 1;
}

int CIndexFixedSizeItem::bInsertRecord(int nRow, CAny* pclValue) {
    if (m_pclTree == nullptr) return 0;
    CAny clRead;
    if (pclValue == nullptr) {
        if (!_bGetRecordItemValue(&clRead, nRow)) return 0;
        pclValue = &clRead;
    }
    const int32_t n = nRow;
    const unsigned char* pbyKey = _pbyKey(pclValue);
    // With the current row removed, the cursor stands on the first pair after it: a pair added
    // between the two takes that place, or a next move would pass it over.
    bool bTakesThePlace = false;
    if (m_bCurrentRemoved && _nCompareWithRemoved(pbyKey, n) > 0) {
        const void* pCursorKey = m_pclTree->pReadKey();
        if (pCursorKey == nullptr) {
            bTakesThePlace = true;
        } else {
            const int nKey = memcmp(pbyKey, pCursorKey, m_nKeySize);
            const int32_t nCursorRow = _nRowUnderCursor();
            bTakesThePlace = nKey < 0 || (nKey == 0 && memcmp(&n, &nCursorRow, ROW_SIZE) < 0);
        }
    }
    if (!m_pclTree->bInsert(pbyKey, &n)) return 0;
    if (bTakesThePlace) m_pclTree->bFindRecord(pbyKey, &n);
    return 1;
}

int CIndexFixedSizeItem::bDeleteRecord(int nRow, CAny* pclValue) {
    if (m_pclTree == nullptr || pclValue == nullptr) return 0;
    const int32_t n = nRow;
    const unsigned char* pbyKey = _pbyKey(pclValue);
    const bool bUnderCursor = _nRowUnderCursor() == nRow;
    // The tree moves the cursor onto the following pair; the index remembers that the row it stood
    // on went, so that a next move does not step past that following row. Once it stands after a
    // removed row, the pair it follows stays that row's, whatever goes after it.
    if (m_pclTree->bDelete(pbyKey, &n) && bUnderCursor && !m_bCurrentRemoved) {
        m_bCurrentRemoved = 1;
        memcpy(m_pbyRemovedKey, pbyKey, m_nKeySize);
        m_nRemovedRow = n;
    }
    return 1;
}

int CIndexFixedSizeItem::bGetRecordPosition(eNA_PARSEDIRECTION eDirection, int nCount, int* pnRow,
                                            unsigned int* pnDuplicate) {
    *pnRow = -1;
    if (pnDuplicate != nullptr) *pnDuplicate = 0;
    if (m_pclTree == nullptr || m_pclTree->nGetNumRecord() == 0) return 1;
    const CAny* pclSearch = _pclGetSearchValue();
    bool bMoved = true;
    switch (eDirection) {
        case NA_PARSE_FIRST:
            // A searched value above every key has no first row: the cursor is not left on some
            // unrelated row to be answered instead.
            if (pclSearch != nullptr) {
                if (m_pclTree->pSearch(_pbyKey(pclSearch), 0) == nullptr) return 1;
            } else {
                m_pclTree->GotoFirstRecord();
            }
            m_bCurrentRemoved = 0;
            bMoved = m_pclTree->bAdvance(nSteps(long(nCount) - 1), nullptr, 0);
            break;
        case NA_PARSE_LAST:
            if (pclSearch != nullptr) {
                if (m_pclTree->pSearch(_pbyKey(pclSearch), CMemBTree::SEARCH_FROM_ABOVE) == nullptr) return 1;
            } else {
                m_pclTree->MoveTo(m_pclTree->nGetNumRecord() - 1);
            }
            m_bCurrentRemoved = 0;
            bMoved = m_pclTree->bAdvance(nSteps(1 - long(nCount)), nullptr, 0);
            break;
        case NA_PARSE_NEXT:
            // After the current row was removed the cursor is already one row further.
            bMoved = m_pclTree->bAdvance(nSteps(m_bCurrentRemoved ? long(nCount) - 1 : long(nCount)), nullptr, 0);
            break;
        case NA_PARSE_PREVIOUS:
            bMoved = m_pclTree->bAdvance(nSteps(-long(nCount)), nullptr, 0);
            break;
        default:
            // No row is current once it was removed.
            if (m_bCurrentRemoved) return 1;
            break;
    }
    if (!bMoved) return 1;
    const int nRow = _nRowUnderCursor();
    if (nRow < 0) return 1;
    m_bCurrentRemoved = 0;
    *pnRow = nRow;
    const int nValues = m_pclTree->nNumDuplicates();
    if (pnDuplicate != nullptr && nValues >= 1) return _bCalculateDuplicateIndice(nValues, nRow, pnDuplicate);
    return 1;
}

int CIndexFixedSizeItem::_bCalculateDuplicateIndice(int nValues, int nRow, unsigned int* pnDuplicate) {
    *pnDuplicate = 0;
    // The current row in the index's own value: the cache compares each earlier row in its template.
    const CNARecordValue* pclCurrent = _pclLoadRow(nRow);
    if (pclCurrent == nullptr) return 0;
    int nBack = 0;
    while (nBack < nValues && m_pclTree->bAdvance(-1, nullptr, 0)) {
        nBack++;
        if (!m_pclCache->bEquals(_nRowUnderCursor(), pclCurrent, 1)) break;
        (*pnDuplicate)++;
    }
    if (nBack > 0) m_pclTree->bAdvance(nBack, nullptr, 0);
    return 1;
}

int CIndexFixedSizeItem::nGetCurrentRecordId() {
    return m_bCurrentRemoved ? -1 : _nRowUnderCursor();
}

int CIndexFixedSizeItem::nGetRecordNbr() {
    return m_pclTree != nullptr ? m_pclTree->nGetNumRecord() : 0;
}

int CIndexFixedSizeItem::nGetPreviousRecordNbr() {
    if (m_pclTree == nullptr) return 0;
    // A move that far back cannot be made: it leaves the cursor and counts the records before it.
    int nMoved = 0;
    m_pclTree->bAdvance(-2147483647, &nMoved, 0);
    return -nMoved;
}

int CIndexFixedSizeItem::bSetCurrentPos(int nRow, int nDuplicate, int* pbFound) {
    if (m_pclTree == nullptr) return 0;
    // The position is chosen afresh: a row removed from under the old one no longer counts.
    m_bCurrentRemoved = 0;
    if (nRow != -1) {
        // A number is a rank in the index's order (the statement goes to the last row this way), as
        // in the memo index: a row number would name a row of the cache, not of the order.
        if (nRow < 0 || nRow >= m_pclTree->nGetNumRecord()) return 0;
        m_pclTree->MoveTo(nRow);
        return 1;
    }
    CAny clOriginal;
    if (!_bGetOriginalValue(&clOriginal)) return 0;
    const unsigned char* pbyKey = _pbyKey(&clOriginal);
    int bFound = 0;
    if (pbFound == nullptr) pbFound = &bFound;
    *pbFound = 0;
    if (m_pclTree->pSearch(pbyKey, CMemBTree::SEARCH_EXACT) == nullptr) {
        // On the next greater value; past the last one, at the end, where no row is current.
        if (m_pclTree->pSearch(pbyKey, 0) == nullptr) m_pclTree->GotoEnd();
        return 1;
    }
    *pbFound = 1;
    const int nValues = m_pclTree->nNumDuplicates();
    if (nValues < 2) return 1;

    // Among the rows of the key, the one identical to the row read.
    const CNARecord* pclRecord = m_pclColumn->pclGetRecordNoRef();
    const CNARecordValue* pclOriginal = pclRecord != nullptr ? pclRecord->pclGetOriginalRecordValueNoRef() : nullptr;
    auto bIdentical = [&]() { return pclOriginal != nullptr && m_pclCache->bEquals(_nRowUnderCursor(), pclOriginal, 1); };
    int nPos = 0;
    bool bHit = bIdentical();
    while (!bHit && nPos + 1 < nValues && m_pclTree->bAdvance(1, nullptr, 0)) {
        nPos++;
        bHit = bIdentical();
    }
    if (!bHit) {
        *pbFound = 0;
        if (nPos > 0) m_pclTree->bAdvance(-nPos, nullptr, 0);
        return 1;
    }
    // Among identical rows, the one the statement stood on.
    if (nDuplicate > 0) {
        int nMoved = 0, nIdentical = 0;
        while (nIdentical < nDuplicate && nPos + nMoved + 1 < nValues && m_pclTree->bAdvance(1, nullptr, 0)) {
            nMoved++;
            if (!bIdentical()) break;
            nIdentical++;
        }
        if (nIdentical < nDuplicate) {
            if (nMoved > 0) m_pclTree->bAdvance(-nMoved, nullptr, 0);
            *pbFound = 0;
        }
    }
    return 1;
}
