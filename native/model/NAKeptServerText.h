// CNAKeptServerText: the server's own text of the last date and time values a column read, each
// with the host value it gave. The host holds a date-time to the millisecond and a time of day to
// the hundredth of a second, without its zone: a value the server holds to the microsecond, or as
// an instant of a zone, is not named again by the host's copy. When the driver writes a value into
// SQL (the continuation of a browse after the last row of a block, the designation of a row) and
// the value is one a row just read gave, the server's own text names that row's value exactly.
//
// A short ring: the most recent texts are kept, the newest found first, so that of two rows whose
// values the host cannot tell apart the one read last is named.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

class CNAKeptServerText {
public:
    static constexpr int RING_SIZE = 16;
    static constexpr size_t MAX_VALUE_BYTES = 16;
    static constexpr size_t MAX_TEXT_BYTES = 63;

    // Keeps the text of the host value (its language type and its bytes). A value or a text too
    // long to be kept forgets what an older read of the same host value left.
    void Keep(unsigned short nType, const void* pValue, size_t nValue, const char* pszText, size_t nText);
    // Keep for a value of eight bytes (a date-time's), inline for the read of every row.
    void KeepEight(unsigned short nType, const void* pValue, const char* pszText, size_t nText) {
        if (pszText == nullptr || nText == 0 || nText > MAX_TEXT_BYTES || pValue == nullptr) {
            Keep(nType, pValue, 8, pszText, nText);
            return;
        }
        _Store(nType, pValue, 8, pszText, nText);
    }
    // The text the newest read of exactly this host value gave; null when none is kept.
    const char* pszFind(unsigned short nType, const void* pValue, size_t nValue, size_t* pnText) const;

private:
    struct stEntry {
        uint16_t nType = 0;
        uint8_t nValue = 0;
        uint8_t nText = 0;
        unsigned char abyValue[MAX_VALUE_BYTES] = {};
        char szText[MAX_TEXT_BYTES + 1] = {};
    };
    int _nFind(unsigned short nType, const void* pValue, size_t nValue) const;
    // The value and its text (both within their bounds) as the newest entry of the ring.
    void _Store(unsigned short nType, const void* pValue, size_t nValue, const char* pszText, size_t nText) {
        stEntry& st = m_tabEntry[m_nNext];
        st.nType = nType;
        st.nValue = static_cast<uint8_t>(nValue);
        memcpy(st.abyValue, pValue, nValue);
        st.nText = static_cast<uint8_t>(nText);
        memcpy(st.szText, pszText, nText);
        st.szText[nText] = 0;
        m_nNext = m_nNext == RING_SIZE - 1 ? 0 : m_nNext + 1;
        if (m_nCount < RING_SIZE) m_nCount++;
    }

    stEntry m_tabEntry[RING_SIZE];
    int m_nNext = 0;
    int m_nCount = 0;
};
