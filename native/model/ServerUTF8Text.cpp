// Well-formed UTF-8 into UTF-16 units in one pass.
#include "native/model/ServerUTF8Text.h"

#include <cstdint>
#include <cstring>

namespace {

inline bool _bContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

// The character starting at p[i] (i < n) and its byte count; 0 when the bytes there are no
// well-formed UTF-8 character.
inline int _nCharacter(const unsigned char* p, unsigned long n, unsigned long i, uint32_t* pnChar) {
    const unsigned c = p[i];
    if (c < 0x80) {
        *pnChar = c;
        return 1;
    }
    if (c < 0xC2) return 0;
    if (c < 0xE0) {
        if (i + 1 >= n || !_bContinuation(p[i + 1])) return 0;
        *pnChar = (c & 0x1F) << 6 | (p[i + 1] & 0x3F);
        return 2;
    }
    if (c < 0xF0) {
        if (i + 2 >= n || !_bContinuation(p[i + 1]) || !_bContinuation(p[i + 2])) return 0;
        const uint32_t u = (c & 0x0F) << 12 | (p[i + 1] & 0x3F) << 6 | (p[i + 2] & 0x3F);
        if (u < 0x800 || (u >= 0xD800 && u <= 0xDFFF)) return 0;
        *pnChar = u;
        return 3;
    }
    if (c < 0xF5) {
        if (i + 3 >= n || !_bContinuation(p[i + 1]) || !_bContinuation(p[i + 2]) || !_bContinuation(p[i + 3]))
            return 0;
        const uint32_t u = (c & 0x07) << 18 | (p[i + 1] & 0x3F) << 12 | (p[i + 2] & 0x3F) << 6 | (p[i + 3] & 0x3F);
        if (u < 0x10000 || u > 0x10FFFF) return 0;
        *pnChar = u;
        return 4;
    }
    return 0;
}

constexpr uint64_t HUIT_HAUTS = 0x8080808080808080ULL;

inline void _PutUnit(unsigned char* pby, int nAt, uint16_t w) {
    memcpy(pby + static_cast<size_t>(nAt) * 2, &w, 2);
}

}  // namespace

int NA_nServerUTF8ToUTF16(const char* psz, unsigned long n, unsigned char* pbyDestination, int nRoom) {
    if (psz == nullptr || pbyDestination == nullptr || nRoom < 0) return -1;
    const auto* p = reinterpret_cast<const unsigned char*>(psz);
    int nUnits = 0;
    bool bFull = false;
    unsigned long i = 0;
    while (i < n) {
        // ASCII runs go eight bytes at a time while they fit, then a byte a unit.
        if (!bFull) {
            while (i + 8 <= n && nUnits + 8 <= nRoom) {
                uint64_t nHuit;
                memcpy(&nHuit, p + i, 8);
                if ((nHuit & HUIT_HAUTS) != 0) break;
                for (int k = 0; k < 8; k++) _PutUnit(pbyDestination, nUnits + k, p[i + static_cast<unsigned long>(k)]);
                nUnits += 8;
                i += 8;
            }
            if (i >= n) break;
        }
        if (!bFull && p[i] < 0x80) {
            if (nUnits >= nRoom) {
                bFull = true;
                continue;
            }
            _PutUnit(pbyDestination, nUnits++, p[i++]);
            continue;
        }
        uint32_t u = 0;
        const int nBytes = _nCharacter(p, n, i, &u);
        if (nBytes == 0) return -1;
        i += static_cast<unsigned long>(nBytes);
        // Past the first character that did not fit, the rest is only checked: a damaged text
        // goes to the platform's conversion whole, as it would have.
        if (bFull) continue;
        const int nNeeded = u > 0xFFFF ? 2 : 1;
        if (nUnits + nNeeded > nRoom) {
            bFull = true;
            continue;
        }
        if (nNeeded == 1) {
            _PutUnit(pbyDestination, nUnits++, static_cast<uint16_t>(u));
        } else {
            u -= 0x10000;
            _PutUnit(pbyDestination, nUnits++, static_cast<uint16_t>(0xD800 + (u >> 10)));
            _PutUnit(pbyDestination, nUnits++, static_cast<uint16_t>(0xDC00 + (u & 0x3FF)));
        }
    }
    return nUnits;
}

bool NA_bServerASCIIToWide(const char* psz, unsigned long n, wchar_t* pszOut) {
    const auto* p = reinterpret_cast<const unsigned char*>(psz);
    unsigned long i = 0;
    for (; i + 8 <= n; i += 8) {
        uint64_t nHuit;
        memcpy(&nHuit, p + i, 8);
        if ((nHuit & HUIT_HAUTS) != 0) return false;
        for (unsigned long k = 0; k < 8; k++) pszOut[i + k] = static_cast<wchar_t>(p[i + k]);
    }
    for (; i < n; i++) {
        if (p[i] >= 0x80) return false;
        pszOut[i] = static_cast<wchar_t>(p[i]);
    }
    return true;
}
