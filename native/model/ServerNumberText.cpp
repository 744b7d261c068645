// Server integers and reals into a value's storage without the host's conversion.
#include "native/model/ServerNumberText.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <type_traits>

namespace {

template <class T>
bool _bStore(void* pDestination, unsigned long nCapacity, bool bNegative, uint64_t nMagnitude) {
    if (nCapacity < sizeof(T)) return false;
    if constexpr (static_cast<T>(-1) > 0) {
        // Unsigned: no minus sign (a minus zero is left to the host).
        if (bNegative || nMagnitude > static_cast<uint64_t>(std::numeric_limits<T>::max())) return false;
        const T v = static_cast<T>(nMagnitude);
        memcpy(pDestination, &v, sizeof(v));
    } else {
        constexpr uint64_t nMax = static_cast<uint64_t>(std::numeric_limits<T>::max());
        if (nMagnitude > nMax + (bNegative ? 1 : 0)) return false;
        const T v = bNegative ? static_cast<T>(-static_cast<int64_t>(nMagnitude - 1) - 1) : static_cast<T>(nMagnitude);
        memcpy(pDestination, &v, sizeof(v));
    }
    return true;
}

// Digits from i on; the index after them.
unsigned long _nDigits(const char* psz, unsigned long n, unsigned long i) {
    while (i < n && static_cast<unsigned>(static_cast<unsigned char>(psz[i]) - '0') <= 9) i++;
    return i;
}

// The layout of a real the fast road reads: [-]d+[.d+][(e|E)[+|-]d+], nothing else.
bool _bRealLayout(const char* psz, unsigned long n) {
    unsigned long i = psz[0] == '-' ? 1 : 0;
    unsigned long j = _nDigits(psz, n, i);
    if (j == i) return false;
    if (j < n && psz[j] == '.') {
        i = j + 1;
        j = _nDigits(psz, n, i);
        if (j == i) return false;
    }
    if (j < n && (psz[j] == 'e' || psz[j] == 'E')) {
        i = j + 1;
        if (i < n && (psz[i] == '+' || psz[i] == '-')) i++;
        j = _nDigits(psz, n, i);
        if (j == i) return false;
    }
    return j == n;
}

// Whether the digits before the exponent are all zeros.
bool _bZeroDigits(const char* psz, unsigned long n) {
    for (unsigned long i = 0; i < n && psz[i] != 'e' && psz[i] != 'E'; i++)
        if (psz[i] >= '1' && psz[i] <= '9') return false;
    return true;
}

}  // namespace

bool NA_bServerIntegerToStorage(const char* psz, unsigned long n, unsigned short nType, void* pDestination,
                                unsigned long nCapacity) {
    if (psz == nullptr || pDestination == nullptr || n == 0) return false;
    unsigned long i = 0;
    const bool bNegative = psz[0] == '-';
    if (bNegative) i++;
    const unsigned long nDigits = n - i;
    // 19 digits always fit 64 bits unsigned; longer texts go to the host.
    if (nDigits < 1 || nDigits > 19) return false;
    uint64_t nMagnitude = 0;
    for (; i < n; i++) {
        const unsigned d = static_cast<unsigned char>(psz[i]) - '0';
        if (d > 9) return false;
        nMagnitude = nMagnitude * 10 + d;
    }
    if (bNegative && nMagnitude == 0) return false;
    switch (nType) {
        case 3:
            return _bStore<uint16_t>(pDestination, nCapacity, bNegative, nMagnitude);
        case 4:
            return _bStore<uint32_t>(pDestination, nCapacity, bNegative, nMagnitude);
        case 5:
            return _bStore<uint64_t>(pDestination, nCapacity, bNegative, nMagnitude);
        case 6:
            return _bStore<int8_t>(pDestination, nCapacity, bNegative, nMagnitude);
        case 7:
            return _bStore<int16_t>(pDestination, nCapacity, bNegative, nMagnitude);
        case 8:
            return _bStore<int32_t>(pDestination, nCapacity, bNegative, nMagnitude);
        case 9:
            return _bStore<int64_t>(pDestination, nCapacity, bNegative, nMagnitude);
        default:
            return false;
    }
}

bool NA_bServerRealToStorage(const char* psz, unsigned long n, unsigned short nType, void* pDestination,
                             unsigned long nCapacity) {
    if (psz == nullptr || pDestination == nullptr || n == 0) return false;
    if (nType != 11 && nType != 12) return false;
    if (nCapacity < (nType == 12 ? sizeof(double) : sizeof(float))) return false;
    if (!_bRealLayout(psz, n)) return false;
    double d = 0;
    const std::from_chars_result st = std::from_chars(psz, psz + n, d);
    if (st.ec != std::errc() || st.ptr != psz + n) return false;
    // Rounded to nearest like the host's reading; a value that underflows (the host reads it
    // with another error rule) or overflows is the host's to judge.
    if (!std::isfinite(d)) return false;
    if (!std::isnormal(d) && !(d == 0 && _bZeroDigits(psz, n))) return false;
    if (nType == 12) {
        memcpy(pDestination, &d, sizeof(d));
        return true;
    }
    // The float nearest the double, when the double lies within the floats.
    if (std::fabs(d) > static_cast<double>(std::numeric_limits<float>::max())) return false;
    const float f = static_cast<float>(d);
    memcpy(pDestination, &f, sizeof(f));
    return true;
}

bool NA_bServerMoneyToStorage(const char* psz, unsigned long n, void* pDestination, unsigned long nCapacity) {
    if (psz == nullptr || pDestination == nullptr || n == 0 || nCapacity < 10) return false;
    const bool bNegative = psz[0] == '-';
    unsigned long i = bNegative ? 1 : 0;
    const unsigned long nStart = i;
    // One pass: the digits before the point, then those after it.
    uint64_t nMillionths = 0;
    for (; i < n; i++) {
        const unsigned d = static_cast<unsigned char>(psz[i]) - '0';
        if (d > 9) break;
        nMillionths = nMillionths * 10 + d;
    }
    // Twelve integer digits and six decimals stay below 10^18: 64 bits hold the millionths.
    if (i == nStart || i - nStart > 12) return false;
    unsigned long nDecimals = 0;
    if (i < n) {
        if (psz[i] != '.' || i + 1 == n || n - i - 1 > 6) return false;
        for (i++; i < n; i++, nDecimals++) {
            const unsigned d = static_cast<unsigned char>(psz[i]) - '0';
            if (d > 9) return false;
            nMillionths = nMillionths * 10 + d;
        }
    }
    static constexpr uint64_t s_anScale[7] = {1000000, 100000, 10000, 1000, 100, 10, 1};
    nMillionths *= s_anScale[nDecimals];
    const int64_t llValue = bNegative ? -static_cast<int64_t>(nMillionths) : static_cast<int64_t>(nMillionths);
    // Five 16-bit words, least significant first: the 64 bits, then the sign spread over the last.
    static_assert(std::endian::native == std::endian::little);
    unsigned char aby[10];
    memcpy(aby, &llValue, 8);
    const uint16_t wSign = llValue < 0 ? 0xFFFF : 0;
    memcpy(aby + 8, &wSign, 2);
    memcpy(pDestination, aby, 10);
    return true;
}
