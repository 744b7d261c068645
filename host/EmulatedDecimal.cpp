// The emulated host's decimal: exact text in and out, rescaling, its byte form and sortable key.
#include "host/EmulatedDecimal.h"

#include <charconv>
#include <cstdlib>
#include <cstring>

namespace standin {

// The VM's observer hears of every precision given (host/EmulatedVM.cpp).
void NotifyDecimalPrecision(int nDigits, int nDecimals);

namespace {

typedef unsigned __int128 u128;

// 10^n for n from 0 to 38.
u128 nPower10(int n) {
    u128 u = 1;
    while (n-- > 0) u *= 10;
    return u;
}

const u128 LIMIT = nPower10(CEmulatedDecimal::MAX_DIGITS);  // first value of 39 digits

}  // namespace

bool CEmulatedDecimal::bSetText(std::wstring_view s) {
    size_t i = 0;
    while (i < s.size() && s[i] == L' ') i++;
    size_t nEnd = s.size();
    while (nEnd > i && s[nEnd - 1] == L' ') nEnd--;
    bool bNegative = false;
    if (i < nEnd && (s[i] == L'-' || s[i] == L'+')) bNegative = s[i++] == L'-';
    u128 n = 0;
    int nDigits = 0, nScale = 0, nSignificant = 0;
    bool bPoint = false;
    for (; i < nEnd; i++) {
        const wchar_t c = s[i];
        if (c == L'.' && !bPoint) {
            bPoint = true;
            continue;
        }
        if (c < L'0' || c > L'9') return false;
        nDigits++;
        if (bPoint) nScale++;
        if (n == 0 && c == L'0' && !bPoint) continue;  // leading zeros of the integer part
        if (nSignificant >= MAX_DIGITS || nScale > MAX_DIGITS) return false;
        n = n * 10 + static_cast<unsigned>(c - L'0');
        nSignificant++;
    }
    if (nDigits == 0 || n >= LIMIT) return false;
    m_nMagnitude = n;
    m_nScale = nScale;
    m_bNegative = bNegative && n != 0;
    return true;
}

std::wstring CEmulatedDecimal::sText() const {
    std::wstring s;
    u128 n = m_nMagnitude;
    do {
        s.insert(s.begin(), static_cast<wchar_t>(L'0' + static_cast<int>(n % 10)));
        n /= 10;
    } while (n != 0);
    if (m_nScale > 0) {
        if (static_cast<int>(s.size()) <= m_nScale) s.insert(0, static_cast<size_t>(m_nScale) + 1 - s.size(), L'0');
        s.insert(s.size() - static_cast<size_t>(m_nScale), 1, L'.');
    }
    if (m_bNegative) s.insert(s.begin(), L'-');
    return s;
}

void CEmulatedDecimal::SetInteger(__int128 n) {
    m_bNegative = n < 0;
    m_nMagnitude = m_bNegative ? static_cast<u128>(0) - static_cast<u128>(n) : static_cast<u128>(n);
    m_nScale = 0;
}

bool CEmulatedDecimal::bSetDouble(double d) {
    char sz[400];
    auto st = std::to_chars(sz, sz + sizeof(sz), d, std::chars_format::fixed);
    if (st.ec != std::errc()) return false;
    std::wstring s(sz, st.ptr);
    return bSetText(s);
}

double CEmulatedDecimal::dGetDouble() const {
    std::wstring s = sText();
    std::string sNarrow(s.begin(), s.end());
    double d = 0;
    std::from_chars(sNarrow.data(), sNarrow.data() + sNarrow.size(), d);
    return d;
}

bool CEmulatedDecimal::bGetInteger(long* pn) const {
    const u128 n = m_nMagnitude / nPower10(m_nScale);
    const u128 nMax = m_bNegative ? static_cast<u128>(1) << 63 : (static_cast<u128>(1) << 63) - 1;
    if (n > nMax) return false;
    *pn = m_bNegative ? static_cast<long>(static_cast<u128>(0) - n) : static_cast<long>(n);
    return true;
}

bool CEmulatedDecimal::bRescale(int nScale) {
    if (nScale < 0 || nScale > MAX_DIGITS) return false;
    if (nScale >= m_nScale) {
        const u128 nFactor = nPower10(nScale - m_nScale);
        if (m_nMagnitude != 0 && m_nMagnitude >= (LIMIT + nFactor - 1) / nFactor) return false;
        m_nMagnitude *= nFactor;
    } else {
        const u128 nDivisor = nPower10(m_nScale - nScale);
        u128 n = m_nMagnitude / nDivisor;
        if (m_nMagnitude % nDivisor >= (nDivisor + 1) / 2) n++;
        if (n >= LIMIT) return false;
        m_nMagnitude = n;
        if (n == 0) m_bNegative = false;
    }
    m_nScale = nScale;
    return true;
}

int CEmulatedDecimal::nCompare(const CEmulatedDecimal& cl) const {
    if (m_bNegative != cl.m_bNegative) return m_bNegative ? -1 : 1;
    // Both at the larger scale, in 256 bits' worth: compare integer parts first, then fractions.
    const int nScale = m_nScale > cl.m_nScale ? m_nScale : cl.m_nScale;
    const u128 nDivA = nPower10(m_nScale), nDivB = nPower10(cl.m_nScale);
    const u128 nIntA = m_nMagnitude / nDivA, nIntB = cl.m_nMagnitude / nDivB;
    int nOrder = 0;
    if (nIntA != nIntB) {
        nOrder = nIntA < nIntB ? -1 : 1;
    } else {
        const u128 nFracA = (m_nMagnitude % nDivA) * nPower10(nScale - m_nScale);
        const u128 nFracB = (cl.m_nMagnitude % nDivB) * nPower10(nScale - cl.m_nScale);
        nOrder = nFracA < nFracB ? -1 : nFracA > nFracB;
    }
    return m_bNegative ? -nOrder : nOrder;
}

void CEmulatedDecimal::_MakeForm() {
    const u128 n = m_bNegative ? ~m_nMagnitude + 1 : m_nMagnitude;
    for (int i = 0; i < 16; i++) m_abyForm[i] = static_cast<unsigned char>(n >> (8 * i));
    m_abyForm[16] = static_cast<unsigned char>(m_nScale);
    m_abyForm[17] = 0;
}

int CEmulatedDecimal::vnFillBuffer(void* pbyBuffer) {
    _MakeForm();
    memcpy(pbyBuffer, m_abyForm, sizeof(m_abyForm));
    return 0;
}

int CEmulatedDecimal::vnSetFromBytes(const void* pbyData, unsigned long nSize) {
    if (pbyData == nullptr || nSize == 0) return 1;
    const unsigned char* pby = static_cast<const unsigned char*>(pbyData);
    const unsigned long nImage = nSize < 16 ? nSize : 16;
    // Sign-extended from the image's last byte.
    u128 n = (pby[nImage - 1] & 0x80) ? ~static_cast<u128>(0) : 0;
    for (unsigned long i = nImage; i-- > 0;) n = (n << 8) | pby[i];
    const bool bNegative = (n >> 127) != 0;
    const u128 nMagnitude = bNegative ? ~n + 1 : n;
    int nScale = m_nDigits > 0 ? m_nDecimals : 0;
    if (nSize >= DECIMALVQ_DATA_SIZE) nScale = pby[16];
    if (nScale > MAX_DIGITS || nMagnitude >= LIMIT) return 1;  // not a form this host wrote
    m_nMagnitude = nMagnitude;
    m_bNegative = bNegative && nMagnitude != 0;
    m_nScale = nScale;
    m_bScalePending = nSize < DECIMALVQ_DATA_SIZE && m_nDigits <= 0;
    return 0;
}

int CEmulatedDecimal::vnSetFromDecimal(const IDecimalVQ* piSource) {
    const auto* pcl = static_cast<const CEmulatedDecimal*>(piSource);
    m_nMagnitude = pcl->m_nMagnitude;
    m_bNegative = pcl->m_bNegative;
    m_nScale = pcl->m_nScale;
    m_bScalePending = pcl->m_bScalePending;
    return 0;
}

// 1 when the value does not fit the precision: it is then kept as it was, or with more digits
// than the precision allows.
int CEmulatedDecimal::vnSetPrecision(int nDigits, int nDecimals) {
    NotifyDecimalPrecision(nDigits, nDecimals);
    m_nDigits = nDigits;
    m_nDecimals = nDecimals;
    // No precision (a numeric declared without one): the value keeps its own scale.
    if (nDigits <= 0 || nDecimals < 0 || nDecimals > MAX_DIGITS) return 0;
    if (m_bScalePending) {
        m_nScale = nDecimals;
        m_bScalePending = false;
    } else if (!bRescale(nDecimals)) {
        return 1;
    }
    return nDigits < MAX_DIGITS && m_nMagnitude >= nPower10(nDigits) ? 1 : 0;
}

int CEmulatedDecimal::vnGetBytes(const unsigned char** ppbyData, unsigned long* pnSize) {
    _MakeForm();
    *ppbyData = m_abyForm;
    *pnSize = sizeof(m_abyForm);
    return 0;
}

// 32 bytes in value order for values of one scale (the caller gives the precision first): 0 for a
// negative value, 1 otherwise, then the magnitude most significant first, inverted when negative.
int CEmulatedDecimal::vnWriteKey(unsigned char* pbyKey) {
    memset(pbyKey, 0, DECIMALVQ_KEY_SIZE);
    pbyKey[0] = m_bNegative ? 0 : 1;
    const u128 n = m_bNegative ? ~m_nMagnitude : m_nMagnitude;
    for (int i = 0; i < 16; i++) pbyKey[1 + i] = static_cast<unsigned char>(n >> (120 - 8 * i));
    return 0;
}

}  // namespace standin
