// The Unicode toolkit: UTF-8, UTF-16 and UTF-32 measuring, walking and conversion, the run-wise
// code-page <-> UTF-8 converters and the small number routines. See UnicodeToolkit.h.
#include "core/UnicodeToolkit.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>

#include "core/platformwin/WinCodePage.h"
#include "core/platformwin/WinFormat.h"

const unsigned char TabUTF8len[64] = {
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 0x00-0x3F
    1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1,  // 0x40-0x7F
    0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 0x80-0xBF: continuation bytes
    2, 2, 2, 2, 2, 2, 2, 2,                          // 0xC0-0xDF
    3, 3, 3, 3,                                      // 0xE0-0xEF
    4, 4,                                            // 0xF0-0xF7
    5,                                               // 0xF8-0xFB
    6,                                               // 0xFC-0xFF
};

bool bCodePageMultiOctet(unsigned codePage) {
    switch (codePage) {
        case CP_UTF8:
        case 932:
        case 936:
        case 949:
        case 950:
        case 1361:
        case 50220:
            return true;
        default:
            return false;
    }
}

namespace {

constexpr unsigned int UTF8_CARACTERE_INVALIDE = 63;  // '?'
constexpr unsigned CP_UTF8_ORL = 65001;
// Scratch areas of the run-wise converters live on the stack up to this many bytes.
constexpr size_t TAILLE_PILE = 1024;

inline bool _bEstSuite(unsigned char b) {
    return (b & 0xC0) == 0x80;
}
inline unsigned _nClasse(unsigned char b) {
    return TabUTF8len[b >> 2];
}

// Bytes that one character takes in UTF-8; 0 for values that cannot be encoded.
inline int _nTailleUTF8(wchar_t c) {
    if (c < 0) return 0;
    if (c < 0x80) return 1;
    if (c < 0x800) return 2;
    if (c < 0x10000) return 3;
    if (c <= 0x10FFFF) return 4;
    return 0;
}

// Writes one character in UTF-8 ('?' for values outside 0..0x10FFFF); returns the bytes written.
inline int _nEncodeUTF8(wchar_t wc, char* out) {
    const int n = _nTailleUTF8(wc);
    const unsigned c = static_cast<unsigned>(wc);
    switch (n) {
        case 1:
            out[0] = static_cast<char>(c);
            return 1;
        case 2:
            out[0] = static_cast<char>(0xC0 | (c >> 6));
            out[1] = static_cast<char>(0x80 | (c & 0x3F));
            return 2;
        case 3:
            out[0] = static_cast<char>(0xE0 | (c >> 12));
            out[1] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[2] = static_cast<char>(0x80 | (c & 0x3F));
            return 3;
        case 4:
            out[0] = static_cast<char>(0xF0 | (c >> 18));
            out[1] = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            out[2] = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            out[3] = static_cast<char>(0x80 | (c & 0x3F));
            return 4;
        default:
            out[0] = '?';
            return 1;
    }
}
inline int _nTailleEncodee(wchar_t c) {
    const int n = _nTailleUTF8(c);
    return n ? n : 1;
}

inline bool _bSurrogateHaut(unsigned u) {
    return u >= 0xD800 && u <= 0xDBFF;
}
inline bool _bSurrogateBas(unsigned u) {
    return u >= 0xDC00 && u <= 0xDFFF;
}

unsigned _nGetCurrentCodePage() {
    return static_cast<unsigned>(nGetHostCurrentCodePage());
}

// A scratch area of wide characters: on the stack when small, else on the heap.
class CZoneWide {
public:
    explicit CZoneWide(size_t n) {
        if (n * sizeof(wchar_t) <= TAILLE_PILE) {
            m_p = m_aPile;
        } else {
            m_p = static_cast<wchar_t*>(malloc(n * sizeof(wchar_t)));
            m_bTas = true;
        }
    }
    ~CZoneWide() {
        if (m_bTas) free(m_p);
    }
    CZoneWide(const CZoneWide&) = delete;
    CZoneWide& operator=(const CZoneWide&) = delete;
    wchar_t* p() const { return m_p; }

private:
    wchar_t m_aPile[TAILLE_PILE / sizeof(wchar_t)];
    wchar_t* m_p = nullptr;
    bool m_bTas = false;
};

// One run converted through wide characters: from codePageSrc to codePageDst into room bytes.
// Returns the bytes written, 0 when the run converts to nothing.
unsigned long _nConvertitRun(unsigned codePageSrc, unsigned codePageDst, const char* s, unsigned long n, char* dst,
                             unsigned long room, unsigned flags, const char* defaultChar, int* usedDefault) {
    if (n > 0x7FFFFFFF || room == 0) return 0;
    CZoneWide clWide(n);  // n bytes never give more than n characters
    if (!clWide.p()) return 0;
    const int nWide = MultiByteToWideChar(codePageSrc, 0, s, static_cast<int>(n), clWide.p(), static_cast<int>(n));
    if (nWide <= 0) return 0;
    int bUsed = 0;
    const int nRoom = room > 0x7FFFFFFF ? 0x7FFFFFFF : static_cast<int>(room);
    const int nOut = WideCharToMultiByte(codePageDst, flags, clWide.p(), nWide, dst, nRoom, defaultChar, &bUsed);
    if (bUsed && usedDefault) *usedDefault = 1;
    return nOut > 0 ? static_cast<unsigned long>(nOut) : 0;
}

// The common walk of MultiByteToUTF8 and UTF8ToMultiByte between UTF-8 and another page: ASCII
// bytes are copied, every run of bytes of 0x80 and more is converted through wide characters. The
// double-byte pages hold trail bytes below 0x80 (or a shift state): their text is converted whole.
unsigned long _nConvertitParRuns(unsigned codePageSrc, unsigned codePageDst, const char* s, unsigned long n, char* dst,
                                 unsigned long size, unsigned flags, const char* defaultChar, int* usedDefault) {
    if (n == 0) {
        memset(dst, 0, size);
        return 0;
    }
    const bool bParRuns = !bCodePageMultiOctet(codePageSrc == CP_UTF8_ORL ? codePageDst : codePageSrc);
    unsigned long nOut = 0;
    if (!bParRuns) {
        nOut = _nConvertitRun(codePageSrc, codePageDst, s, n, dst, size, flags, defaultChar, usedDefault);
        if (nOut == 0) return 0;
    } else {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
        unsigned long i = 0;
        while (i < n && nOut < size) {
            if (p[i] < 0x80) {
                dst[nOut++] = static_cast<char>(p[i++]);
                continue;
            }
            unsigned long j = i + 1;
            while (j < n && p[j] >= 0x80) ++j;
            const unsigned long nRun = _nConvertitRun(codePageSrc, codePageDst, s + i, j - i, dst + nOut, size - nOut,
                                                      flags, defaultChar, usedDefault);
            if (nRun == 0) return 0;
            nOut += nRun;
            i = j;
        }
    }
    if (nOut < size) memset(dst + nOut, 0, size - nOut);
    return nOut;
}

// Word-at-a-time helpers of the UTF-8 length scan.
typedef uint64_t __attribute__((may_alias)) u64_alias;
constexpr uint64_t UNS = 0x0101010101010101ULL;
constexpr uint64_t HAUTS = 0x8080808080808080ULL;
inline bool _bMotAvecZero(uint64_t w) {
    return ((w - UNS) & ~w & HAUTS) != 0;
}
inline unsigned _nSuitesDuMot(uint64_t w) {
    return static_cast<unsigned>(((((w & HAUTS) >> 7) & (~w >> 6)) * UNS) >> 56);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Measuring and walking UTF-8
// ---------------------------------------------------------------------------------------------

const char* UTF8next(const char* p) {
    const unsigned char* q = reinterpret_cast<const unsigned char*>(p);
    const unsigned nClasse = _nClasse(*q);
    ++q;
    if (nClasse == 1) return reinterpret_cast<const char*>(q);
    // A lead byte takes at most its announced count; a stray continuation byte its whole run of
    // up to 5 more. The terminator is never a continuation byte, so the walk stops on it.
    const unsigned nMax = nClasse == 0 ? 5 : nClasse - 1;
    for (unsigned i = 0; i < nMax && _bEstSuite(*q); ++i) ++q;
    return reinterpret_cast<const char*>(q);
}

char* UTF8next(char* p) {
    return const_cast<char*>(UTF8next(static_cast<const char*>(p)));
}

int UTF8Len(const char* p) {
    return static_cast<int>(UTF8next(p) - p);
}

int UTF8ToWideLen(const char* s) {
    if (!s) return 0;
    int n = 0;
    while (*s) {
        s = UTF8next(s);
        ++n;
    }
    return n;
}

// The aligned word reads may look at bytes after the terminator inside the same aligned word:
// they never cross a page, but the address sanitizer cannot know that.
__attribute__((no_sanitize("address"))) long StrLenUTF8(const char* s) {
    if (!s) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    long nOctets = 0, nSuites = 0;
    while (reinterpret_cast<uintptr_t>(p) & 7) {
        if (!*p) return nOctets - nSuites;
        nSuites += _bEstSuite(*p);
        ++nOctets;
        ++p;
    }
    for (;;) {
        const uint64_t w = *reinterpret_cast<const u64_alias*>(p);
        if (_bMotAvecZero(w)) break;
        nSuites += _nSuitesDuMot(w);
        nOctets += 8;
        p += 8;
    }
    while (*p) {
        nSuites += _bEstSuite(*p);
        ++nOctets;
        ++p;
    }
    return nOctets - nSuites;
}

__attribute__((no_sanitize("address"))) int StrNLenUTF8(const char* s, int n) {
    if (!s || n < 1) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    long nReste = n, nOctets = 0, nSuites = 0;
    while (nReste > 0 && (reinterpret_cast<uintptr_t>(p) & 7)) {
        if (!*p) return static_cast<int>(nOctets - nSuites);
        nSuites += _bEstSuite(*p);
        ++nOctets;
        ++p;
        --nReste;
    }
    while (nReste >= 8) {
        const uint64_t w = *reinterpret_cast<const u64_alias*>(p);
        if (_bMotAvecZero(w)) break;
        nSuites += _nSuitesDuMot(w);
        nOctets += 8;
        p += 8;
        nReste -= 8;
    }
    while (nReste > 0 && *p) {
        nSuites += _bEstSuite(*p);
        ++nOctets;
        ++p;
        --nReste;
    }
    return static_cast<int>(nOctets - nSuites);
}

int UTF8ByteLen(const wchar_t* s) {
    if (!s) return 0;
    int n = 0;
    for (; *s; ++s) n += _nTailleUTF8(*s);
    return n;
}

int UTF8ByteLenTotal(const wchar_t* s, int n) {
    if (!s || n < 1) return 0;
    int nTotal = 0;
    for (int i = 0; i < n; ++i) {
        if (!s[i]) return nTotal + 1;
        nTotal += _nTailleUTF8(s[i]);
    }
    return nTotal;
}

int UTF8FirstChar(const char* s, int& len) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    if (!p || len < 1) {
        len = 0;
        return -1;
    }
    const unsigned b0 = p[0];
    if (b0 < 0x80) {
        len = 1;
        return static_cast<int>(b0);
    }
    int nOctets;
    unsigned c;
    if (b0 < 0xE0) {
        nOctets = 2;
        c = b0 & 0x1F;
    } else if (b0 < 0xF0) {
        nOctets = 3;
        c = b0 & 0x0F;
    } else if (b0 < 0xF8) {
        nOctets = 4;
        c = b0 & 0x07;
    } else {
        len = 0;
        return -1;
    }
    if (len < nOctets) {
        len = 0;
        return -1;
    }
    for (int i = 1; i < nOctets; ++i) {
        if (!_bEstSuite(p[i])) {
            len = 0;
            return -1;
        }
        c = (c << 6) | (p[i] & 0x3F);
    }
    len = nOctets;
    return static_cast<int>(c);
}

bool UTF8Valide(const char* s, long len) {
    if (!s) return len == 0;
    if (len == -1) len = static_cast<long>(strlen(s));
    if (len < 1) return true;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(s);
    long i = 0;
    while (i < len) {
        const unsigned b = p[i];
        if (b == 0) return true;
        if (b < 0x80) {
            ++i;
            continue;
        }
        long nSuites;
        if ((b & 0xE0) == 0xC0)
            nSuites = 1;
        else if ((b & 0xF0) == 0xE0)
            nSuites = 2;
        else if ((b & 0xF8) == 0xF0)
            nSuites = 3;
        else
            return false;
        if (i + nSuites >= len) return false;
        for (long k = 1; k <= nSuites; ++k)
            if (!_bEstSuite(p[i + k])) return false;
        i += nSuites + 1;
    }
    return true;
}

unsigned int UTF8_GetNext(const char** pp) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(*pp);
    const unsigned nClasse = _nClasse(p[0]);
    if (nClasse <= 1) {
        *pp += 1;
        return nClasse == 1 ? p[0] : UTF8_CARACTERE_INVALIDE;
    }
    unsigned c = p[0] & ((1u << (7 - nClasse)) - 1);
    for (unsigned i = 1; i < nClasse; ++i) {
        if (p[i] == 0) {  // cut by the terminator: never step over it
            *pp += i;
            return UTF8_CARACTERE_INVALIDE;
        }
        c = (c << 6) | (p[i] & 0x3F);
    }
    *pp += nClasse;
    return c;
}

unsigned int UTF8_GetNext(const char** pp, unsigned long* left) {
    const unsigned char* p = reinterpret_cast<const unsigned char*>(*pp);
    if (*left == 0) return UTF8_CARACTERE_INVALIDE;
    const unsigned nClasse = _nClasse(p[0]);
    const unsigned nOctets = nClasse == 0 ? 1 : nClasse;
    if (nOctets > *left) {
        *left = 0;
        return UTF8_CARACTERE_INVALIDE;
    }
    *left -= nOctets;
    *pp += nOctets;
    if (nClasse == 0) return UTF8_CARACTERE_INVALIDE;
    if (nClasse == 1) return p[0];
    unsigned c = p[0] & ((1u << (7 - nClasse)) - 1);
    for (unsigned i = 1; i < nClasse; ++i) c = (c << 6) | (p[i] & 0x3F);
    return c;
}

// ---------------------------------------------------------------------------------------------
// Converting
// ---------------------------------------------------------------------------------------------

long WideToUTF8(char* dst, const wchar_t* s) {
    if (!s) return 0;
    long n = 0;
    for (; *s; ++s) n += _nEncodeUTF8(*s, dst + n);
    dst[n] = 0;
    return n;
}

long WideToUTF8(char* dst, unsigned long size, const wchar_t* s) {
    if (!s || size == 0) return 0;
    unsigned long n = 0;
    for (; *s; ++s) {
        const unsigned long k = static_cast<unsigned long>(_nTailleEncodee(*s));
        if (n + k > size - 1) break;  // keep one byte for the terminator
        n += static_cast<unsigned long>(_nEncodeUTF8(*s, dst + n));
    }
    dst[n] = 0;
    return static_cast<long>(n);
}

int nWideToUTF8(char* dst, int size, const wchar_t* s, int n) {
    if (!s || size < 1) return 0;
    if (n == -1) n = static_cast<int>(wcslen(s)) + 1;
    int nOut = 0;
    for (int i = 0; i < n; ++i) {
        if (nOut + _nTailleEncodee(s[i]) > size) break;
        nOut += _nEncodeUTF8(s[i], dst + nOut);
    }
    return nOut;
}

int UTF32ToUTF8(wchar_t c, char* out) {
    const int n = _nEncodeUTF8(c, out);
    out[n] = 0;
    return n;
}

unsigned long UTF8ToWide(wchar_t* dst, unsigned long size, const char* s) {
    if (size == 0) return 0;
    unsigned long i = 0;
    if (s) {
        while (size - i >= 2 && *s) dst[i++] = static_cast<wchar_t>(UTF8_GetNext(&s));
    }
    dst[i] = 0;
    return i;
}

int nUTF8ToWide(wchar_t* dst, int size, const char* s, int len) {
    if (size < 1 || !s) return 0;
    unsigned long nReste = len == -1 ? strlen(s) + 1 : (len < 0 ? 0 : static_cast<unsigned long>(len));
    int i = 0;
    while (i < size && nReste > 0) dst[i++] = static_cast<wchar_t>(UTF8_GetNext(&s, &nReste));
    return i;
}

unsigned long UTF8ToUTF16Len(const char* s, unsigned long len) {
    if (!s) return 0;
    unsigned long n = 0;
    while (len > 0) {
        const unsigned c = UTF8_GetNext(&s, &len);
        n += (c > 0xFFFF && c <= 0x10FFFF) ? 2 : 1;
    }
    return n;
}

unsigned long UTF8ToUTF16(unsigned short* dst, unsigned long size, const char* s, unsigned long len) {
    if (!s || !dst) return 0;
    unsigned long i = 0;
    while (len > 0 && i < size) {
        const unsigned c = UTF8_GetNext(&s, &len);
        if (c <= 0xFFFF) {
            dst[i++] = static_cast<unsigned short>(c);
        } else if (c <= 0x10FFFF) {
            if (size - i < 2) break;  // both units of the pair, or neither
            dst[i++] = static_cast<unsigned short>(0xD800 + ((c - 0x10000) >> 10));
            dst[i++] = static_cast<unsigned short>(0xDC00 + (c & 0x3FF));
        } else {
            dst[i++] = '?';
        }
    }
    return i;
}

int UTF16ToWideChar(const unsigned short* s, int n, wchar_t* dst, int room) {
    if (!s) return 0;
    if (n == -1) n = utf16len(s) + 1;
    if (n < 1 || room < 0) return 0;
    // First the units that fit: a pair joins into one character.
    int j = 0, k = 0;
    while (j < n && (room == 0 || k < room)) {
        j += (_bSurrogateHaut(s[j]) && j + 1 < n && _bSurrogateBas(s[j + 1])) ? 2 : 1;
        ++k;
    }
    if (room == 0) return k;
    // Then written from the last to the first: character k lands on the units 2k and 2k + 1,
    // never below the units still to be read, so dst may share its start with s.
    int nCar = k;
    while (j > 0) {
        wchar_t c;
        const unsigned u = s[j - 1];
        if (_bSurrogateBas(u) && j >= 2 && _bSurrogateHaut(s[j - 2])) {
            c = static_cast<wchar_t>(0x10000 + ((s[j - 2] - 0xD800u) << 10) + (u - 0xDC00u));
            j -= 2;
        } else {
            c = static_cast<wchar_t>(u);
            j -= 1;
        }
        --k;
        memcpy(dst + k, &c, sizeof c);
    }
    return nCar;
}

int WideCharToUTF16(const wchar_t* s, int n, unsigned short* dst, int room) {
    if (!s) return 0;
    if (n == -1) n = static_cast<int>(wcslen(s)) + 1;
    if (n < 1 || room < 0) return 0;
    int nOut = 0;
    for (int i = 0; i < n; ++i) {
        const bool bPaire = s[i] >= 0x10000 && s[i] <= 0x10FFFF;
        const int nUnites = bPaire ? 2 : 1;
        if (room != 0) {
            if (nOut + nUnites > room) break;
            if (bPaire) {
                const unsigned c = static_cast<unsigned>(s[i]) - 0x10000;
                dst[nOut] = static_cast<unsigned short>(0xD800 + (c >> 10));
                dst[nOut + 1] = static_cast<unsigned short>(0xDC00 + (c & 0x3FF));
            } else {
                dst[nOut] = static_cast<unsigned short>(s[i]);  // the end marker keeps its 0xFFFF form
            }
        }
        nOut += nUnites;
    }
    return nOut;
}

int UTF32ToWideChar(const wchar_t* s, int n, wchar_t* dst, int room) {
    if (!s) return 0;
    if (n == -1) n = static_cast<int>(wcslen(s)) + 1;
    if (n < 1 || room < 0) return 0;
    if (room == 0) return n;
    const int nCopie = room < n ? room : n;
    memmove(dst, s, static_cast<size_t>(nCopie) * sizeof(wchar_t));
    return nCopie;
}

int WideCharToUTF32(const wchar_t* s, int n, wchar_t* dst, int room) {
    return UTF32ToWideChar(s, n, dst, room);
}

int UTF16ToMultiByte(unsigned codePage, unsigned flags, const unsigned short* s, int n, char* dst, int size,
                     const char* defaultChar, int* usedDefault) {
    if (!s) return 0;
    const int nWide = UTF16ToWideChar(s, n, nullptr, 0);
    if (nWide < 1) return 0;
    CZoneWide clWide(static_cast<size_t>(nWide));
    if (!clWide.p()) return 0;
    const int nCar = UTF16ToWideChar(s, n, clWide.p(), nWide);
    return WideCharToMultiByte(codePage, flags, clWide.p(), nCar, dst, size, defaultChar, usedDefault);
}

int MultiByteToUTF16(unsigned codePage, unsigned flags, const char* s, int n, unsigned short* dst, int room) {
    if (!s) return 0;
    // ASCII reads as itself in UTF-8 and 1252: a byte a unit, without the two passes and the wide
    // copy (a server's text is mostly ASCII, and comes a value at a time).
    if ((codePage == CP_UTF8_ORL || codePage == 1252) && n > 0 && (room == 0 || n <= room) && bToutASCII(s, n)) {
        if (room != 0)
            for (int i = 0; i < n; ++i) dst[i] = static_cast<unsigned char>(s[i]);
        return n;
    }
    const int nWide = MultiByteToWideChar(codePage, flags, s, n, nullptr, 0);
    if (nWide < 1) return 0;
    CZoneWide clWide(static_cast<size_t>(nWide));
    if (!clWide.p()) return 0;
    const int nCar = MultiByteToWideChar(codePage, flags, s, n, clWide.p(), nWide);
    if (nCar < 1) return 0;
    return WideCharToUTF16(clWide.p(), nCar, dst, room);
}

int MultiByteToUTF16_CurrentCharset(const char* s, int n, unsigned short* dst, int room, unsigned flags) {
    return MultiByteToUTF16(_nGetCurrentCodePage(), flags, s, n, dst, room);
}

unsigned long MultiByteToUTF8(unsigned codePage, const char* s, unsigned long n, char* dst, unsigned long size,
                              unsigned flags) {
    if (size == 0) return 0;
    if (!s) n = 0;
    if (codePage == CP_UTF8_ORL) {
        // Already UTF-8: at most n bytes (never past a zero byte) and room for the terminator.
        unsigned long nCopie = 0;
        while (nCopie < n && nCopie < size - 1 && s[nCopie]) ++nCopie;
        memcpy(dst, s, nCopie);
        memset(dst + nCopie, 0, size - nCopie);
        return nCopie;
    }
    return _nConvertitParRuns(codePage, CP_UTF8_ORL, s, n, dst, size, flags, nullptr, nullptr);
}

unsigned long MultiByteToUTF8_CurrentCharset(const char* s, unsigned long n, char* dst, unsigned long size,
                                             unsigned flags) {
    return MultiByteToUTF8(_nGetCurrentCodePage(), s, n, dst, size, flags);
}

unsigned long UTF8ToMultiByte(unsigned codePage, const char* s, unsigned long n, char* dst, unsigned long size,
                              unsigned flags, const char* defaultChar, int* usedDefault) {
    if (usedDefault) *usedDefault = 0;
    if (size == 0) return 0;
    if (!s) n = 0;
    if (codePage == CP_UTF8_ORL) {
        if (n < size) {
            memcpy(dst, s, n);
            memset(dst + n, 0, size - n);
            return n;
        }
        memcpy(dst, s, size - 1);
        dst[size - 1] = 0;
        return size - 1;
    }
    return _nConvertitParRuns(CP_UTF8_ORL, codePage, s, n, dst, size, flags, defaultChar, usedDefault);
}

unsigned long UTF8ToMultiByte_CurrentCharset(const char* s, unsigned long n, char* dst, unsigned long size,
                                             unsigned flags) {
    return UTF8ToMultiByte(_nGetCurrentCodePage(), s, n, dst, size, flags, nullptr, nullptr);
}

void WideCharToANSI(char* dst, int size, const wchar_t* s) {
    if (!dst || size < 1) return;
    int i = 0;
    if (s)
        for (; i < size - 1 && s[i]; ++i) dst[i] = static_cast<char>(s[i]);
    dst[i] = 0;
}

void ANSIToWideChar(wchar_t* dst, int size, const char* s) {
    if (!dst || size < 1) return;
    int i = 0;
    if (s)
        for (; i < size - 1 && s[i]; ++i) dst[i] = static_cast<wchar_t>(static_cast<signed char>(s[i]));
    dst[i] = 0;
}

// ---------------------------------------------------------------------------------------------
// UTF-16 strings
// ---------------------------------------------------------------------------------------------

int utf16len(const unsigned short* s) {
    if (!s) return 0;
    int n = 0;
    while (s[n]) ++n;
    return n;
}

int utf16nlen(const unsigned short* s, int n) {
    if (!s || n < 1) return 0;
    int i = 0;
    while (i < n && s[i]) ++i;
    return i;
}

unsigned short* utf16ncpy(unsigned short* dst, const unsigned short* s, unsigned long n) {
    if (s)
        for (unsigned long i = 0; i < n && s[i]; ++i) dst[i] = s[i];
    return dst;
}

int utf16nicmp(const unsigned short* a, const unsigned short* b, unsigned long n) {
    for (unsigned long i = 0; i < n; ++i) {
        const int ca = static_cast<int>(towlower(a[i]));
        const int cb = static_cast<int>(towlower(b[i]));
        if (ca != cb) return ca - cb;
        if (a[i] == 0) return 0;
    }
    return 0;
}

const unsigned short* utf16niutf16(const unsigned short* s, const unsigned short* pattern, unsigned long n) {
    if (!s) return nullptr;
    if (!pattern || !pattern[0]) return s;
    const unsigned long nMotif = static_cast<unsigned long>(utf16len(pattern));
    for (unsigned long p = 0; p + nMotif <= n && s[p]; ++p)
        if (utf16nicmp(s + p, pattern, nMotif) == 0) return s + p;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// Unaligned wide text
// ---------------------------------------------------------------------------------------------

int __UNALIGNED__UNICODE__STRLEN__(const char* p) {
    if (!p) return 0;
    if ((reinterpret_cast<uintptr_t>(p) % alignof(wchar_t)) == 0)
        return static_cast<int>(wcslen(reinterpret_cast<const wchar_t*>(p)));
    int n = 0;
    for (;; ++n) {
        wchar_t c;
        memcpy(&c, p + n * sizeof(wchar_t), sizeof c);
        if (!c) return n;
    }
}

char* __UNALIGNED__UNICODE__STRNCPY__(char* dst, const char* src, int n) {
    if (n < 1) return dst;
    if ((reinterpret_cast<uintptr_t>(dst) % alignof(wchar_t)) == 0 &&
        (reinterpret_cast<uintptr_t>(src) % alignof(wchar_t)) == 0) {
        wcsncpy(reinterpret_cast<wchar_t*>(dst), reinterpret_cast<const wchar_t*>(src), static_cast<size_t>(n));
        return dst;
    }
    int i = 0;
    for (; i < n; ++i) {
        wchar_t c;
        memcpy(&c, src + i * sizeof(wchar_t), sizeof c);
        if (!c) break;
        memcpy(dst + i * sizeof(wchar_t), &c, sizeof c);
    }
    if (i < n) memset(dst + i * sizeof(wchar_t), 0, static_cast<size_t>(n - i) * sizeof(wchar_t));
    return dst;
}

// ---------------------------------------------------------------------------------------------
// Allocating copies
// ---------------------------------------------------------------------------------------------

char* pszXSTR2CSTR(const wchar_t* s, int n) {
    if (!s) n = 0;
    if (n == -1) n = static_cast<int>(wcslen(s));
    if (n < 0) n = 0;
    char* psz = static_cast<char*>(calloc(static_cast<size_t>(n) + 1, 1));
    if (psz && n > 0) WideCharToMultiByte(1252, 0, s, n, psz, n, nullptr, nullptr);
    return psz;
}

wchar_t* pszXSTR2WSTR(const wchar_t* s, long n) {
    if (!s) s = L"";
    const size_t nLongueur = wcslen(s);
    const size_t nCopie = (n < 1 || static_cast<size_t>(n) > nLongueur) ? nLongueur : static_cast<size_t>(n);
    const size_t nBloc = n < 1 ? nLongueur : static_cast<size_t>(n);
    wchar_t* psz = static_cast<wchar_t*>(malloc((nBloc + 1) * sizeof(wchar_t)));
    if (!psz) return nullptr;
    wmemcpy(psz, s, nCopie);
    wmemset(psz + nCopie, 0, nBloc + 1 - nCopie);
    return psz;
}

wchar_t* pszWSTR2XSTR(const wchar_t* s, long n, int) {
    return pszXSTR2WSTR(s, n);
}

wchar_t* pszCSTR2XSTR(const char* s, int n, int codePage) {
    if (!s) n = 0;
    if (n == -1) n = static_cast<int>(strlen(s));
    if (n < 0) n = 0;
    wchar_t* psz = static_cast<wchar_t*>(malloc((static_cast<size_t>(n) + 1) * sizeof(wchar_t)));
    if (!psz) return nullptr;
    int nCar = 0;
    if (n > 0) nCar = MultiByteToWideChar(static_cast<unsigned>(codePage), 0, s, n, psz, n);
    psz[nCar > 0 ? nCar : 0] = 0;
    return psz;
}

// ---------------------------------------------------------------------------------------------
// Numbers
// ---------------------------------------------------------------------------------------------

namespace {

// The first 99 characters of a wide text as bytes: what a number parser needs (it reads ASCII).
void _Vers8Bits(const wchar_t* s, char (&aBuffer)[100]) {
    int i = 0;
    if (s)
        for (; i < 99 && s[i]; ++i) aBuffer[i] = (s[i] > 0 && s[i] < 0x80) ? static_cast<char>(s[i]) : '?';
    aBuffer[i] = 0;
}

}  // namespace

// The number writers of the Windows emulation do the work: the same digits, sign and radix rule.
wchar_t* _ui64towOrl(unsigned long v, wchar_t* dst, int radix) {
    return ultow(v, dst, radix);
}
char* _ui64toaOrl(unsigned long v, char* dst, int radix) {
    return ultoa(v, dst, radix);
}
wchar_t* _i64towOrl(long v, wchar_t* dst, int radix) {
    return ltow(v, dst, radix);
}
char* _i64toaOrl(long v, char* dst, int radix) {
    return ltoa(v, dst, radix);
}

long _wtoi64Orl(const wchar_t* s) {
    char aBuffer[100];
    _Vers8Bits(s, aBuffer);
    return strtoll(aBuffer, nullptr, 10);
}

double wtof(const wchar_t* s) {
    char aBuffer[100];
    _Vers8Bits(s, aBuffer);
    return strtod(aBuffer, nullptr);
}

wchar_t* _wgcvt(double v, int digits, wchar_t* out) {
    // 17 significant digits are all a double holds; more would only overflow the area.
    if (digits > 17) digits = 17;
    if (digits < 1) digits = 1;
    char aBuffer[64];
    gcvt(v, digits, aBuffer);
    int i = 0;
    for (; aBuffer[i]; ++i) out[i] = static_cast<unsigned char>(aBuffer[i]);
    out[i] = 0;
    return out;
}
