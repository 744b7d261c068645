// Well-formed UTF-8 into UTF-16 units in one pass.
#include "native/model/ServerUTF8Text.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

#if defined(__SSE2__)
// Sixteen bytes at p widened at once when none has its high bit set: as 16-bit units to pby (any
// address), or as 32-bit characters to psz. False, and nothing written, otherwise.
inline bool _bSeizeASCIIVersUnites(const unsigned char* p, unsigned char* pby) {
    const __m128i nSeize = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (_mm_movemask_epi8(nSeize) != 0) return false;
    const __m128i nZero = _mm_setzero_si128();
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pby), _mm_unpacklo_epi8(nSeize, nZero));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(pby + 16), _mm_unpackhi_epi8(nSeize, nZero));
    return true;
}

inline bool _bSeizeASCIIVersLarges(const unsigned char* p, wchar_t* psz) {
    static_assert(sizeof(wchar_t) == 4);
    const __m128i nSeize = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    if (_mm_movemask_epi8(nSeize) != 0) return false;
    const __m128i nZero = _mm_setzero_si128();
    const __m128i nBas = _mm_unpacklo_epi8(nSeize, nZero), nHaut = _mm_unpackhi_epi8(nSeize, nZero);
    auto* pOut = reinterpret_cast<__m128i*>(psz);
    _mm_storeu_si128(pOut, _mm_unpacklo_epi16(nBas, nZero));
    _mm_storeu_si128(pOut + 1, _mm_unpackhi_epi16(nBas, nZero));
    _mm_storeu_si128(pOut + 2, _mm_unpacklo_epi16(nHaut, nZero));
    _mm_storeu_si128(pOut + 3, _mm_unpackhi_epi16(nHaut, nZero));
    return true;
}
#endif

}  // namespace

int NA_nServerUTF8ToUTF16(const char* psz, unsigned long n, unsigned char* pbyDestination, int nRoom) {
    if (psz == nullptr || pbyDestination == nullptr || nRoom < 0) return -1;
    const auto* p = reinterpret_cast<const unsigned char*>(psz);
    int nUnits = 0;
    bool bFull = false;
    unsigned long i = 0;
    while (i < n) {
        // ASCII runs go sixteen then eight bytes at a time while they fit, then a byte a unit.
        if (!bFull) {
#if defined(__SSE2__)
            bool bSeize = false;
            while (i + 16 <= n && nUnits + 16 <= nRoom &&
                   _bSeizeASCIIVersUnites(p + i, pbyDestination + static_cast<size_t>(nUnits) * 2)) {
                nUnits += 16;
                i += 16;
                bSeize = true;
            }
            // A run of sixteen just widened that the text ends a few ASCII bytes after: the text's
            // last sixteen bytes at once, the first of them again with the same units (a unit a
            // byte there, as the run was ASCII).
            if (bSeize && i < n && n - i < 16 && nUnits + static_cast<int>(n - i) <= nRoom) {
                const int nRetour = 16 - static_cast<int>(n - i);
                if (_bSeizeASCIIVersUnites(p + n - 16,
                                           pbyDestination + static_cast<size_t>(nUnits - nRetour) * 2)) {
                    nUnits += static_cast<int>(n - i);
                    i = n;
                    break;
                }
            }
#endif
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
#if defined(__SSE2__)
    for (; i + 16 <= n; i += 16)
        if (!_bSeizeASCIIVersLarges(p + i, pszOut + i)) return false;
    // The rest of a text of sixteen bytes or more as its last sixteen, which widens again the
    // characters it shares with the run before, to the same values.
    if (i < n && n >= 16) return _bSeizeASCIIVersLarges(p + n - 16, pszOut + n - 16);
#endif
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
