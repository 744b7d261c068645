// The ring of the server's texts of date and time values, by the host value each gave.
#include "native/model/NAKeptServerText.h"

#include <cstring>

int CNAKeptServerText::_nFind(unsigned short nType, const void* pValue, size_t nValue) const {
    for (int k = 0; k < m_nCount; k++) {
        const int i = (m_nNext - 1 - k + RING_SIZE) % RING_SIZE;
        const stEntry& st = m_tabEntry[i];
        if (st.nType == nType && st.nValue == nValue && memcmp(st.abyValue, pValue, nValue) == 0) return i;
    }
    return -1;
}

void CNAKeptServerText::Keep(unsigned short nType, const void* pValue, size_t nValue, const char* pszText,
                             size_t nText) {
    if (pValue == nullptr || nValue == 0 || nValue > MAX_VALUE_BYTES) return;
    // A text that cannot be kept whole must not leave an older row's text to stand for this value.
    if (pszText == nullptr || nText == 0 || nText > MAX_TEXT_BYTES) {
        for (int i = _nFind(nType, pValue, nValue); i >= 0; i = _nFind(nType, pValue, nValue))
            m_tabEntry[i].nType = 0;
        return;
    }
    _Store(nType, pValue, nValue, pszText, nText);
}

const char* CNAKeptServerText::pszFind(unsigned short nType, const void* pValue, size_t nValue,
                                       size_t* pnText) const {
    if (pValue == nullptr || nValue == 0 || nValue > MAX_VALUE_BYTES || nType == 0) return nullptr;
    const int i = _nFind(nType, pValue, nValue);
    if (i < 0) return nullptr;
    if (pnText != nullptr) *pnText = m_tabEntry[i].nText;
    return m_tabEntry[i].szText;
}
