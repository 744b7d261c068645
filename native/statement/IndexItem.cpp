// Column index base: the reads of cached and original values both kinds of index share, and the
// comparison of memo values by their bytes.
#include "native/statement/IndexItem.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NARecord.h"
#include "native/statement/NARecordCache.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NAUserSearch.h"
#include "variant/Any.h"

CIndexItem::CIndexItem(CNAError* pclError, CNAStatement* pclStatement, CNARecordCache* pclCache,
                       CNAColumn* pclColumn, const CNAUserSearch* pclUserSearch)
    : m_pclError(pclError),
      m_pclCache(pclCache),
      m_pclColumn(pclColumn),
      m_pclStatement(pclStatement),
      m_pclUserSearch(pclUserSearch) {}

CIndexItem::~CIndexItem() {
    if (m_pclRow != nullptr) m_pclRow->nRelease();
}

unsigned short CIndexItem::_eGetTypeVQ() const {
    return m_pclColumn->eGetVQType();
}

void CIndexItem::_SetErrorNoMemory() const {
    if (m_pclError != nullptr) m_pclError->SetErrorNoMemory();
}

const CAny* CIndexItem::_pclGetSearchValue() const {
    if (m_pclUserSearch == nullptr) return nullptr;
    const CAny* pclValue = m_pclUserSearch->pclGetValue();
    return pclValue->nGetTypeCode() != VQTYPE_VIDE ? pclValue : nullptr;
}

CNARecordValue* CIndexItem::_pclLoadRow(int nRow) {
    if (m_pclRow == nullptr) {
        m_pclRow = new (std::nothrow) CNARecordValue(m_pclError);
        if (m_pclRow == nullptr) {
            _SetErrorNoMemory();
            return nullptr;
        }
        m_pclRow->AddRef();
    }
    return m_pclCache->bGetAt(m_pclRow, nRow) ? m_pclRow : nullptr;
}

int CIndexItem::_bGetRecordValue(CAny* pclValue, int nRow) {
    const CNARecordValue* pclRow = _pclLoadRow(nRow);
    return pclRow != nullptr && pclRow->bGetMemoValue(pclValue, m_pclColumn->nGetMemoIndice());
}

int CIndexItem::_bGetRecordItemValue(CAny* pclValue, int nRow) {
    const CNARecordValue* pclRow = _pclLoadRow(nRow);
    return pclRow != nullptr && pclRow->bGetItemValue(pclValue, m_pclColumn->piGetItemNoRef());
}

int CIndexItem::_bGetOriginalValue(CAny* pclValue) {
    if (!m_pclColumn->bIsMemo()) return m_pclColumn->bGetOriginalValue(pclValue, 0);
    // A memo's value is not in the record image but among the row's memo values.
    const CNARecord* pclRecord = m_pclColumn->pclGetRecordNoRef();
    const CNARecordValue* pclOriginal = pclRecord != nullptr ? pclRecord->pclGetOriginalRecordValueNoRef() : nullptr;
    return pclOriginal != nullptr && pclOriginal->bGetMemoValue(pclValue, m_pclColumn->nGetMemoIndice());
}

int CIndexItem::_bGetDataAdr(const void** ppData, unsigned long* pnSize, const CAny* pclValue) {
    *ppData = nullptr;
    *pnSize = 0;
    if (pclValue == nullptr || pclValue->bIsNull() || pclValue->nGetTypeCode() == VQTYPE_VIDE) return 1;
    void* p = nullptr;
    unsigned long n = 0;
    if (pclValue->pclGetValeur()->nGetDataAdr(&p) != VQERR_OK || p == nullptr) return 1;
    pclValue->pclGetValeur()->nGetUtilDataSize(&n);
    if (n == 0) return 1;
    *ppData = p;
    *pnSize = n;
    return 1;
}

int CIndexItem::_bCompareValues(int* pnResult, int nRow, const void* pData, unsigned long nSize) {
    CAny clRow;
    if (!_bGetRecordValue(&clRow, nRow)) return 0;
    const void* pRow;
    unsigned long nRowSize;
    _bGetDataAdr(&pRow, &nRowSize, &clRow);
    const bool bRowEmpty = pRow == nullptr, bSearchedEmpty = pData == nullptr || nSize == 0;
    if (bRowEmpty || bSearchedEmpty) {
        *pnResult = bRowEmpty == bSearchedEmpty ? 0 : (bRowEmpty ? -1 : 1);
        return 1;
    }
    const int n = memcmp(pRow, pData, std::min(nRowSize, nSize));
    if (n != 0)
        *pnResult = n < 0 ? -1 : 1;
    else
        *pnResult = nRowSize == nSize ? 0 : (nRowSize < nSize ? -1 : 1);
    return 1;
}
