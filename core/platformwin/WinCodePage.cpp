// Code-page conversion. UTF-8 and 1252, the code pages nearly every text of the library is in (what
// the server sends, the default code page), are converted here directly; the other code pages go
// through iconv, with the converters kept open for the thread that opened them. Both roads give the
// answers iconv gives, to the byte and to the errno of a failure: the direct one follows the C
// library's own decisions on invalid, truncated and unconvertible input and on a full buffer. One
// departure: when invalid UTF-8 is skipped, a sequence for a value beyond U+10FFFF is skipped in a
// text of any length, where iconv fails a text longer than it converts in one step (after having
// counted it fine). Counting calls (no output buffer) never allocate.
#include "core/platformwin/WinCodePage.h"

#include <iconv.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstdint>
#include <cstring>
#include <cwchar>

#include "core/InformationDLL.h"

namespace {

const iconv_t s_cdInvalide = reinterpret_cast<iconv_t>(-1);
const size_t s_nIconvEchec = static_cast<size_t>(-1);

// The names the direct conversions stand for; CodePageToIConv gives these very pointers.
const char s_szUTF8[] = "UTF-8";
const char s_szCP1252[] = "CP1252";

// Names of the wide side, tried in this order: the "//IGNORE" forms first unless invalid input has
// to be an error. Not every C library knows every spelling, hence the list.
const char* const s_tabNomsLarges[8] = {
    "UCS4LE//IGNORE", "UTF32LE//IGNORE", "UCS-4LE//IGNORE", "UTF-32LE//IGNORE",
    "UCS4LE",         "UTF32LE",         "UCS-4LE",         "UTF-32LE",
};
const int s_nPremierNomStrict = 4;

// The candidates of the wide side for each use: 8-bit to wide skipping invalid input, 8-bit to wide
// refusing it, wide to 8-bit (plain "UCS4LE" then "UTF32LE").
enum _eRoleLarge { eVersLargeTolerant, eVersLargeStrict, eDepuisLarge, NB_ROLES_LARGES };
const int s_tabPremierNom[NB_ROLES_LARGES] = {0, s_nPremierNomStrict, s_nPremierNomStrict};
const int s_tabFinNoms[NB_ROLES_LARGES] = {8, 8, s_nPremierNomStrict + 2};

// Which candidate the C library accepted, per use, -1 until known. Whether it knows a spelling
// does not depend on the code page on the other side, so the names it refused are not tried again
// (if the one it accepted were refused with some code page, the whole list would be tried again).
std::atomic<int> s_tabNomAccepte[NB_ROLES_LARGES] = {-1, -1, -1};

// ---------------------------------------------------------------------------------------------
// Converters kept open per thread.

// The converters a thread opened, the most recently used first. Opening one costs far more than
// converting a short text, and a code page that lives in a module of its own is unloaded by the C
// library soon after its last converter is closed, then loaded again on the next open: so the
// converters stay open as long as the thread lives. Kept trivial so that it may still be read while
// the thread ends, after _stFermeCache has closed its converters.
struct _stCacheConvertisseurs {
    struct _stEntree {
        const char* pszVers;
        const char* pszDe;
        iconv_t cd;
    };
    static constexpr int NB_ENTREES = 8;
    _stEntree tabEntrees[NB_ENTREES];
    int nEntrees;
    bool bFerme;  // the thread is ending: a converter now lives for one call only
};
thread_local _stCacheConvertisseurs s_stCache;

// Closes the thread's converters when the thread ends (for the main thread, at exit). Made, and
// its closing registered, the first time a converter joins the cache (bArme is set then).
struct _stFermeCache {
    bool bArme = false;
    ~_stFermeCache() {
        _stCacheConvertisseurs& st = s_stCache;
        for (int i = 0; i < st.nEntrees; i++) iconv_close(st.tabEntrees[i].cd);
        st.nEntrees = 0;
        st.bFerme = true;
    }
};
thread_local _stFermeCache s_stFermeCache;

// The converter of one call, taken from the thread's cache with its state reset (it may have been
// left halfway through a shift sequence or an invalid character by the previous call), or, while
// the thread ends, opened for this call alone. Closing one never disturbs the errno a failure left.
class _CConvertisseur {
public:
    _CConvertisseur() = default;
    ~_CConvertisseur() {
        if (m_bAFermer) {
            int nErrno = errno;
            iconv_close(m_cd);
            errno = nErrno;
        }
    }
    _CConvertisseur(const _CConvertisseur&) = delete;
    _CConvertisseur& operator=(const _CConvertisseur&) = delete;

    // False, with errno as iconv_open left it, when iconv does not know the pair.
    bool bOuvre(const char* pszVers, const char* pszDe);
    size_t nConvertit(const char** ppIn, size_t* pnIn, char** ppOut, size_t* pnOut) {
        return iconv(m_cd, const_cast<char**>(ppIn), pnIn, ppOut, pnOut);
    }
    // Brings a stateful target (ISO-2022-JP) back to its initial shift state; writes nothing for
    // the stateless ones.
    size_t nReinitialise(char** ppOut, size_t* pnOut) { return iconv(m_cd, nullptr, nullptr, ppOut, pnOut); }

private:
    iconv_t m_cd = s_cdInvalide;
    bool m_bAFermer = false;
};

bool _CConvertisseur::bOuvre(const char* pszVers, const char* pszDe) {
    _stCacheConvertisseurs& st = s_stCache;
    for (int i = 0; i < st.nEntrees; i++) {
        _stCacheConvertisseurs::_stEntree stEntree = st.tabEntrees[i];
        if (stEntree.pszVers != pszVers || stEntree.pszDe != pszDe) continue;
        memmove(&st.tabEntrees[1], &st.tabEntrees[0], static_cast<size_t>(i) * sizeof(stEntree));
        st.tabEntrees[0] = stEntree;
        iconv(stEntree.cd, nullptr, nullptr, nullptr, nullptr);
        m_cd = stEntree.cd;
        return true;
    }
    iconv_t cd = iconv_open(pszVers, pszDe);
    if (cd == s_cdInvalide) return false;
    m_cd = cd;
    if (st.bFerme) {
        m_bAFermer = true;
        return true;
    }
    s_stFermeCache.bArme = true;
    if (st.nEntrees == _stCacheConvertisseurs::NB_ENTREES) iconv_close(st.tabEntrees[--st.nEntrees].cd);
    memmove(&st.tabEntrees[1], &st.tabEntrees[0], static_cast<size_t>(st.nEntrees) * sizeof(st.tabEntrees[0]));
    st.tabEntrees[0] = {pszVers, pszDe, cd};
    st.nEntrees++;
    return true;
}

// Opens the converter between pszAutre and the first name of the wide side the C library accepts
// for this use; answers the index of that name, or -1 (errno as iconv_open left it).
int _nOuvreLarge(_CConvertisseur& clConv, _eRoleLarge eRole, const char* pszAutre) {
    const bool bVersLarge = eRole != eDepuisLarge;
    auto bOuvre = [&](int i) {
        return bVersLarge ? clConv.bOuvre(s_tabNomsLarges[i], pszAutre) : clConv.bOuvre(pszAutre, s_tabNomsLarges[i]);
    };
    int nConnu = s_tabNomAccepte[eRole].load(std::memory_order_relaxed);
    if (nConnu >= 0 && bOuvre(nConnu)) return nConnu;
    for (int i = s_tabPremierNom[eRole]; i < s_tabFinNoms[eRole]; i++) {
        if (bOuvre(i)) {
            s_tabNomAccepte[eRole].store(i, std::memory_order_relaxed);
            return i;
        }
    }
    return -1;
}

// Whether one iconv call ended well. A converter opened with "//IGNORE" skips the invalid input and
// still reports EILSEQ once it has used up the whole input: that is the skipping the caller asked for,
// not a failure (a strict converter always stops in front of the invalid input).
bool _bConversionFinie(size_t nRes, size_t nIn, bool bIgnore) {
    return nRes != s_nIconvEchec || (bIgnore && errno == EILSEQ && nIn == 0);
}

// Counting mode of the 8-bit or wide target: converts through a scratch area of nScratch bytes at
// a time until the input is used up; answers the bytes produced, or SIZE_MAX when the input is
// invalid or truncated.
size_t _nCompteOctets(_CConvertisseur& clConv, const char* pIn, size_t nIn, size_t nScratch, bool bReinitialise,
                      bool bIgnore) {
    alignas(wchar_t) char tabScratch[8 * sizeof(wchar_t)];
    size_t nTotal = 0;
    for (;;) {
        char* pOut = tabScratch;
        size_t nOut = nScratch;
        size_t nAvant = nIn;
        size_t nRes = clConv.nConvertit(&pIn, &nIn, &pOut, &nOut);
        nTotal += nScratch - nOut;
        if (_bConversionFinie(nRes, nIn, bIgnore)) break;
        // One character never needs more than the scratch area: no progress means a converter
        // that cannot go on.
        if (errno != E2BIG || (nIn == nAvant && nOut == nScratch)) return SIZE_MAX;
    }
    if (bReinitialise) {
        char* pOut = tabScratch;
        size_t nOut = nScratch;
        if (clConv.nReinitialise(&pOut, &nOut) == s_nIconvEchec) return SIZE_MAX;
        nTotal += nScratch - nOut;
    }
    return nTotal;
}

// ---------------------------------------------------------------------------------------------
// Direct conversions of UTF-8 and 1252. iconv works in two steps here (code page to UCS-4, UCS-4 to
// the target): what the first step refuses is refused wherever the output stands, what the second
// refuses only once there is room for it (a full buffer is reported first). Both are mirrored.

// Characters of bytes 0x80 to 0x9F in 1252; 0 for the five bytes it leaves undefined. The other
// bytes are the character of the same number.
const uint16_t s_tab1252[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178,
};

// The 1252 byte of a character, or -1 when 1252 lacks it.
int _n1252(uint32_t nCar) {
    if (nCar < 0x80 || (nCar >= 0xA0 && nCar <= 0xFF)) return static_cast<int>(nCar);
    if (nCar < 0x152 || nCar > 0x2122) return -1;
    for (int i = 0; i < 32; i++)
        if (s_tab1252[i] == nCar) return 0x80 + i;
    return -1;
}

// What one read of UTF-8 found, judged as the C library's decoder judges it.
enum _eLectureUTF8 {
    eCaractere,    // a character
    eRefuse,       // bytes the decoder refuses: a stray continuation byte, C0, C1, FE, FF, a lead
                   // byte without all its continuation bytes, an overlong form, a surrogate
    eHorsUnicode,  // a well-formed sequence (up to six bytes) beyond U+10FFFF: refused by the
                   // wide side, hence only once there is room for it, and skipped like the
                   // others when invalid input is skipped
    eTronque,      // a lead byte whose continuation bytes run to the end of the text
};

// Reads what starts at p (p < pFin) and moves p past it. A refused sequence is skipped with the
// continuation bytes that follow it: each of them alone would be refused as well.
_eLectureUTF8 _eLitUTF8(const unsigned char*& p, const unsigned char* pFin, uint32_t& nCar) {
    const uint32_t c = *p;
    size_t nOctets;
    uint32_t n;
    if (c < 0x80) {
        nCar = c;
        ++p;
        return eCaractere;
    } else if (c >= 0xC2 && c < 0xE0) {
        nOctets = 2;
        n = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        nOctets = 3;
        n = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        nOctets = 4;
        n = c & 0x07;
    } else if ((c & 0xFC) == 0xF8) {
        nOctets = 5;
        n = c & 0x03;
    } else if ((c & 0xFE) == 0xFC) {
        nOctets = 6;
        n = c & 0x01;
    } else {
        nOctets = 0;
        n = 0;
    }
    size_t i = 1;
    if (nOctets != 0) {
        for (; i < nOctets && p + i < pFin && (p[i] & 0xC0) == 0x80; i++) n = (n << 6) | (p[i] & 0x3F);
        if (i == nOctets) {
            const bool bCourt = nOctets > 2 && (n >> (5 * nOctets - 4)) == 0;
            if (!bCourt && (n < 0xD800 || n > 0xDFFF)) {
                p += nOctets;
                nCar = n;
                return n > 0x10FFFF ? eHorsUnicode : eCaractere;
            }
        } else if (p + i == pFin) {
            return eTronque;
        }
    }
    ++p;
    while (p < pFin && (*p & 0xC0) == 0x80) ++p;
    return eRefuse;
}

// UTF-8 or 1252 to wide text: the answer of MultiByteToWideChar. bTolerant skips what cannot be
// converted; nPlace is SIZE_MAX in counting mode.
size_t _nVersLarge(bool bUTF8, const unsigned char* p, size_t n, bool bTolerant, wchar_t* dst, size_t nPlace) {
    const unsigned char* const pFin = p + n;
    size_t nEcrits = 0;
    while (p < pFin) {
        uint32_t nCar = *p;
        if (nCar < 0x80) {
            ++p;
        } else if (!bUTF8) {
            ++p;
            if (nCar < 0xA0) {
                nCar = s_tab1252[nCar - 0x80];
                if (nCar == 0) {
                    if (bTolerant) continue;
                    errno = EILSEQ;
                    return SIZE_MAX;
                }
            }
        } else {
            switch (_eLitUTF8(p, pFin, nCar)) {
                case eCaractere:
                    break;
                case eRefuse:
                    if (bTolerant) continue;
                    errno = EILSEQ;
                    return SIZE_MAX;
                case eHorsUnicode:
                    if (nEcrits == nPlace) {
                        errno = E2BIG;
                        return SIZE_MAX;
                    }
                    if (bTolerant) continue;
                    errno = EILSEQ;
                    return SIZE_MAX;
                case eTronque:
                    errno = EINVAL;
                    return SIZE_MAX;
            }
        }
        if (nEcrits == nPlace) {
            errno = E2BIG;
            return SIZE_MAX;
        }
        if (dst != nullptr) dst[nEcrits] = static_cast<wchar_t>(nCar);
        nEcrits++;
    }
    return nEcrits;
}

// Wide text to UTF-8 or 1252: the answer of WideCharToMultiByte (SIZE_MAX on failure). nPlace is
// SIZE_MAX in counting mode.
size_t _nDepuisLarge(bool bUTF8, const wchar_t* src, size_t nCaracteres, char* dst, size_t nPlace,
                     const char* pszRemplacement, size_t nRemplacement, int* usedDefaultChar) {
    size_t nEcrits = 0;
    for (size_t i = 0; i < nCaracteres; i++) {
        const uint32_t nCar = static_cast<uint32_t>(src[i]);
        if (nCar < 0x80) {  // the same byte in both code pages
            if (nEcrits == nPlace) {
                errno = E2BIG;
                return SIZE_MAX;
            }
            if (dst != nullptr) dst[nEcrits] = static_cast<char>(nCar);
            nEcrits++;
            continue;
        }
        char tabOctets[4];
        size_t nOctets;
        // Not a character at all: refused by the reader of the wide side, whatever room is left.
        const bool bIllisible = nCar > 0x10FFFF || (nCar >= 0xD800 && nCar <= 0xDFFF);
        if (!bIllisible && nEcrits == nPlace) {
            errno = E2BIG;
            return SIZE_MAX;
        }
        if (bIllisible) {
            nOctets = 0;
        } else if (!bUTF8) {
            // Language tags (U+E0000 to U+E007F) are dropped, neither written nor replaced.
            if ((nCar >> 7) == (0xE0000 >> 7)) continue;
            int nOctet = _n1252(nCar);
            nOctets = nOctet < 0 ? 0 : 1;
            tabOctets[0] = static_cast<char>(nOctet);
        } else if (nCar < 0x800) {
            tabOctets[0] = static_cast<char>(0xC0 | (nCar >> 6));
            tabOctets[1] = static_cast<char>(0x80 | (nCar & 0x3F));
            nOctets = 2;
        } else if (nCar < 0x10000) {
            tabOctets[0] = static_cast<char>(0xE0 | (nCar >> 12));
            tabOctets[1] = static_cast<char>(0x80 | ((nCar >> 6) & 0x3F));
            tabOctets[2] = static_cast<char>(0x80 | (nCar & 0x3F));
            nOctets = 3;
        } else {
            tabOctets[0] = static_cast<char>(0xF0 | (nCar >> 18));
            tabOctets[1] = static_cast<char>(0x80 | ((nCar >> 12) & 0x3F));
            tabOctets[2] = static_cast<char>(0x80 | ((nCar >> 6) & 0x3F));
            tabOctets[3] = static_cast<char>(0x80 | (nCar & 0x3F));
            nOctets = 4;
        }
        const char* pOctets = tabOctets;
        if (nOctets == 0) {
            if (usedDefaultChar != nullptr) *usedDefaultChar = 1;
            pOctets = pszRemplacement;
            nOctets = nRemplacement;
        }
        if (nOctets > nPlace - nEcrits) {
            errno = E2BIG;
            return SIZE_MAX;
        }
        if (dst != nullptr)
            for (size_t k = 0; k < nOctets; k++) dst[nEcrits + k] = pOctets[k];
        nEcrits += nOctets;
    }
    return nEcrits;
}

}  // namespace

const char* CodePageToIConv(int codePage) {
    switch (codePage) {
        case 1:
            return "CP437";
        case 874:
            return "CP874";
        case 932:
            return "CP932";
        case 936:
            return "CP936";
        case 949:
            return "CP949";
        case 950:
            return "CP950";
        case 1250:
            return "CP1250";
        case 1251:
            return "CP1251";
        case 1253:
            return "CP1253";
        case 1254:
            return "CP1254";
        case 1255:
            return "CP1255";
        case 1256:
            return "CP1256";
        case 1257:
            return "CP1257";
        case 1258:
            return "CP1258";
        case 1361:
            return "CP1361";
        case 50220:
            return "ISO-2022-JP";
        case 65001:
            return s_szUTF8;
        default:  // 0, 1252 and every page we have no entry for
            return s_szCP1252;
    }
}

int MultiByteToWideChar(unsigned codePage, unsigned flags, const char* src, int srcLength, wchar_t* dst,
                        int dstLength) {
    if (srcLength < -1 || dstLength < 0) {
        errno = EINVAL;
        return 0;
    }
    // A null text is the empty one, whatever length comes with it.
    if (src == nullptr) {
        src = "";
        if (srcLength > 0) srcLength = 0;
    }
    size_t nIn = srcLength == -1 ? strlen(src) + 1 : static_cast<size_t>(srcLength);
    const char* pszSource = CodePageToIConv(static_cast<int>(codePage));
    const bool bStrict = (flags & MB_ERR_INVALID_CHARS) != 0;
    const bool bEcrit = dst != nullptr && dstLength != 0;

    if (pszSource == s_szUTF8 || pszSource == s_szCP1252) {
        size_t n = _nVersLarge(pszSource == s_szUTF8, reinterpret_cast<const unsigned char*>(src), nIn, !bStrict,
                               bEcrit ? dst : nullptr, bEcrit ? static_cast<size_t>(dstLength) : SIZE_MAX);
        return n == SIZE_MAX || n > INT_MAX ? 0 : static_cast<int>(n);
    }

    _CConvertisseur clConv;
    int nNom = _nOuvreLarge(clConv, bStrict ? eVersLargeStrict : eVersLargeTolerant, pszSource);
    if (nNom < 0) return 0;
    const bool bIgnore = nNom < s_nPremierNomStrict;

    const char* pIn = src;
    if (bEcrit) {
        char* pOut = reinterpret_cast<char*>(dst);
        size_t nRoom = static_cast<size_t>(dstLength) * sizeof(wchar_t);
        size_t nOut = nRoom;
        size_t nRes = clConv.nConvertit(&pIn, &nIn, &pOut, &nOut);
        if (!_bConversionFinie(nRes, nIn, bIgnore)) return 0;
        return static_cast<int>((nRoom - nOut) / sizeof(wchar_t));
    }
    size_t nOctets = _nCompteOctets(clConv, pIn, nIn, 8 * sizeof(wchar_t), false, bIgnore);
    if (nOctets == SIZE_MAX || nOctets / sizeof(wchar_t) > INT_MAX) return 0;
    return static_cast<int>(nOctets / sizeof(wchar_t));
}

int WideCharToMultiByte(unsigned codePage, unsigned /*flags*/, const wchar_t* src, int srcLength, char* dst,
                        int dstSize, const char* defaultChar, int* usedDefaultChar) {
    if (srcLength < -1 || dstSize < 0) {
        errno = EINVAL;
        return 0;
    }
    if (src == nullptr) {
        src = L"";
        if (srcLength > 0) srcLength = 0;
    }
    size_t nCaracteres = srcLength == -1 ? wcslen(src) + 1 : static_cast<size_t>(srcLength);
    const char* pszCible = CodePageToIConv(static_cast<int>(codePage));
    const bool bDirect = pszCible == s_szUTF8 || pszCible == s_szCP1252;
    _CConvertisseur clConv;
    if (!bDirect && _nOuvreLarge(clConv, eDepuisLarge, pszCible) < 0) return 0;

    if (usedDefaultChar != nullptr) *usedDefaultChar = 0;
    const char* pszRemplacement = defaultChar != nullptr ? defaultChar : "?";
    const size_t nRemplacement = strlen(pszRemplacement);
    const bool bEcrit = dst != nullptr && dstSize != 0;

    if (bDirect) {
        size_t n = _nDepuisLarge(pszCible == s_szUTF8, src, nCaracteres, bEcrit ? dst : nullptr,
                                 bEcrit ? static_cast<size_t>(dstSize) : SIZE_MAX, pszRemplacement, nRemplacement,
                                 usedDefaultChar);
        if (n == SIZE_MAX) return 0;
        if (n > INT_MAX) {
            errno = EOVERFLOW;
            return 0;
        }
        return static_cast<int>(n);
    }

    const char* pIn = reinterpret_cast<const char*>(src);
    size_t nIn = nCaracteres * sizeof(wchar_t);

    if (bEcrit) {
        char* pOut = dst;
        size_t nOut = static_cast<size_t>(dstSize);
        for (;;) {
            if (clConv.nConvertit(&pIn, &nIn, &pOut, &nOut) != s_nIconvEchec) {
                // A stateful target must end in its initial state, or the text would run on in the
                // wrong character set for whoever appends to it.
                if (clConv.nReinitialise(&pOut, &nOut) == s_nIconvEchec) return 0;
                return static_cast<int>(pOut - dst);
            }
            if (errno != EILSEQ) return 0;
            if (usedDefaultChar != nullptr) *usedDefaultChar = 1;
            // The replacement is plain bytes: leave any shift state first, and never write it
            // past the room the caller gave.
            if (clConv.nReinitialise(&pOut, &nOut) == s_nIconvEchec) return 0;
            if (nRemplacement > nOut) {
                errno = E2BIG;
                return 0;
            }
            memcpy(pOut, pszRemplacement, nRemplacement);
            pOut += nRemplacement;
            nOut -= nRemplacement;
            pIn += sizeof(wchar_t);
            nIn -= sizeof(wchar_t);
        }
    }

    // Counting mode: 8 bytes of scratch per pass; an unconvertible character costs the
    // replacement's length.
    char tabScratch[8];
    size_t nTotal = 0;
    for (;;) {
        char* pOut = tabScratch;
        size_t nOut = sizeof(tabScratch);
        size_t nAvant = nIn;
        size_t nRes = clConv.nConvertit(&pIn, &nIn, &pOut, &nOut);
        nTotal += sizeof(tabScratch) - nOut;
        if (nRes != s_nIconvEchec) {
            pOut = tabScratch;
            nOut = sizeof(tabScratch);
            if (clConv.nReinitialise(&pOut, &nOut) == s_nIconvEchec) return 0;
            nTotal += sizeof(tabScratch) - nOut;
            break;
        }
        if (errno == EILSEQ) {
            if (usedDefaultChar != nullptr) *usedDefaultChar = 1;
            pOut = tabScratch;
            nOut = sizeof(tabScratch);
            if (clConv.nReinitialise(&pOut, &nOut) == s_nIconvEchec) return 0;
            nTotal += sizeof(tabScratch) - nOut + nRemplacement;
            pIn += sizeof(wchar_t);
            nIn -= sizeof(wchar_t);
            continue;
        }
        if (errno != E2BIG || (nIn == nAvant && nOut == sizeof(tabScratch))) return 0;
    }
    if (nTotal > INT_MAX) {
        errno = EOVERFLOW;
        return 0;
    }
    return static_cast<int>(nTotal);
}

size_t MultiByteToMultiByte(unsigned fromCodePage, const char* src, size_t srcLength, unsigned toCodePage, char* dst,
                            size_t dstSize, unsigned /*flags*/) {
    if (src == nullptr) {
        src = "";
        if (srcLength != static_cast<size_t>(-1)) srcLength = 0;
    }
    size_t nIn = srcLength == static_cast<size_t>(-1) ? strlen(src) + 1 : srcLength;
    _CConvertisseur clConv;
    if (!clConv.bOuvre(CodePageToIConv(static_cast<int>(toCodePage)), CodePageToIConv(static_cast<int>(fromCodePage))))
        return 0;

    const char* pIn = src;
    if (dst != nullptr && dstSize != 0) {
        char* pOut = dst;
        size_t nOut = dstSize;
        if (clConv.nConvertit(&pIn, &nIn, &pOut, &nOut) == s_nIconvEchec) return 0;
        if (clConv.nReinitialise(&pOut, &nOut) == s_nIconvEchec) return 0;
        return static_cast<size_t>(pOut - dst);
    }
    size_t nOctets = _nCompteOctets(clConv, pIn, nIn, 8, true, false);
    return nOctets == SIZE_MAX ? 0 : nOctets;
}

int nGetUTF8Len(const wchar_t* text) {
    return WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
}

int nGetHostCurrentCodePage() {
    IInfoLocale* piLocale = CInformationDLL::ms_piInfoLocale;
    return piLocale != nullptr ? piLocale->vnGetCurrentCodePage() : 1252;
}

int nResolveCodePage(int codePage) {
    if (codePage == -1) return nGetHostCurrentCodePage();
    if (codePage == 0) return 1252;
    return codePage;
}

char* SetLocaleUTF8() {
    // The environment's own choice first, then the UTF-8 locales commonly installed.
    static const char* const s_tabNoms[] = {"",           "fr_FR.UTF-8", "fr_FR.utf8", "en_US.UTF-8",
                                            "en_US.utf8", "C.UTF-8",     "C.utf8"};
    const size_t nNoms = sizeof(s_tabNoms) / sizeof(s_tabNoms[0]);
    for (size_t i = 0; i < nNoms; i++) {
        char* pszLocale = setlocale(LC_CTYPE, s_tabNoms[i]);
        if (pszLocale == nullptr) continue;
        if (i == nNoms - 1) return pszLocale;
        char szNom[100];
        size_t n = 0;
        for (; n < sizeof(szNom) - 1 && pszLocale[n] != '\0'; n++)
            szNom[n] = static_cast<char>(tolower(static_cast<unsigned char>(pszLocale[n])));
        szNom[n] = '\0';
        if (strstr(szNom, "utf8") != nullptr || strstr(szNom, "utf-8") != nullptr) return pszLocale;
    }
    return nullptr;
}

char* UnsetLocale(int category) {
    return setlocale(category, "C");
}

unsigned short GetSystemDefaultLangID() {
    return 0x0800;
}

unsigned short GetUserDefaultLangID() {
    return 0x0800;
}

_ELangueProduit LANG_To_ELangueProduit(unsigned primaryLanguage) {
    if (primaryLanguage == 4) return eLangueChinois;
    if (primaryLanguage == 12) return eLangueFrancais;
    return eLangueAnglais;
}

unsigned ELangueProduit_To_LANG(_ELangueProduit language) {
    switch (language) {
        case eLangueFrancais:
            return 12;
        case eLangueChinois:
            return 4;
        default:
            return 9;
    }
}
