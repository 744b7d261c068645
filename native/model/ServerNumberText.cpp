// Server integers into a value's storage without the host's conversion.
#include "native/model/ServerNumberText.h"

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
