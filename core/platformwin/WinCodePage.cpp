// Code-page conversion over iconv: every call opens its own converter and closes it on every path,
// so nothing is shared between calls. Counting calls (no output buffer) run through a small scratch
// area on the stack and never allocate.
#include "core/platformwin/WinCodePage.h"

#include <iconv.h>

#include <cctype>
#include <cerrno>
#include <climits>
#include <clocale>
#include <cstring>
#include <cwchar>

#include "core/InformationDLL.h"

namespace {

const iconv_t s_cdInvalide = reinterpret_cast<iconv_t>(-1);
const size_t s_nIconvEchec = static_cast<size_t>(-1);

// Names of the wide side, tried in this order: the "//IGNORE" forms first unless invalid input has
// to be an error. Not every C library knows every spelling, hence the list.
const char* const s_tabNomsLarges[8] = {
    "UCS4LE//IGNORE", "UTF32LE//IGNORE", "UCS-4LE//IGNORE", "UTF-32LE//IGNORE",
    "UCS4LE",         "UTF32LE",         "UCS-4LE",         "UTF-32LE",
};
const int s_nPremierNomStrict = 4;

// Closes the converter without letting iconv_close disturb the errno a failure left.
struct _stConvertisseur {
    explicit _stConvertisseur(iconv_t cd) : m_cd(cd) {}
    ~_stConvertisseur() {
        if (m_cd != s_cdInvalide) {
            int nErrno = errno;
            iconv_close(m_cd);
            errno = nErrno;
        }
    }
    _stConvertisseur(const _stConvertisseur&) = delete;
    _stConvertisseur& operator=(const _stConvertisseur&) = delete;

    bool bValide() const { return m_cd != s_cdInvalide; }
    size_t nConvertit(const char** ppIn, size_t* pnIn, char** ppOut, size_t* pnOut) {
        return iconv(m_cd, const_cast<char**>(ppIn), pnIn, ppOut, pnOut);
    }
    // Brings a stateful target (ISO-2022-JP) back to its initial shift state; writes nothing for
    // the stateless ones.
    size_t nReinitialise(char** ppOut, size_t* pnOut) { return iconv(m_cd, nullptr, nullptr, ppOut, pnOut); }

    iconv_t m_cd;
};

// Whether one iconv call ended well. A converter opened with "//IGNORE" skips the invalid input and
// still reports EILSEQ once it has used up the whole input: that is the skipping the caller asked for,
// not a failure (a strict converter always stops in front of the invalid input).
bool _bConversionFinie(size_t nRes, size_t nIn, bool bIgnore) {
    return nRes != s_nIconvEchec || (bIgnore && errno == EILSEQ && nIn == 0);
}

// Counting mode of the 8-bit or wide target: converts through a scratch area of nScratch bytes at
// a time until the input is used up; answers the bytes produced, or SIZE_MAX when the input is
// invalid or truncated.
size_t _nCompteOctets(_stConvertisseur& clConv, const char* pIn, size_t nIn, size_t nScratch, bool bReinitialise,
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
            return "UTF-8";
        default:  // 0, 1252 and every page we have no entry for
            return "CP1252";
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

    iconv_t cd = s_cdInvalide;
    int i = (flags & MB_ERR_INVALID_CHARS) ? s_nPremierNomStrict : 0;
    for (; i < 8 && cd == s_cdInvalide; i++) cd = iconv_open(s_tabNomsLarges[i], pszSource);
    _stConvertisseur clConv(cd);
    if (!clConv.bValide()) return 0;
    const bool bIgnore = i - 1 < s_nPremierNomStrict;

    const char* pIn = src;
    if (dst != nullptr && dstLength != 0) {
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
    iconv_t cd = iconv_open(pszCible, "UCS4LE");
    if (cd == s_cdInvalide) cd = iconv_open(pszCible, "UTF32LE");
    _stConvertisseur clConv(cd);
    if (!clConv.bValide()) return 0;

    if (usedDefaultChar != nullptr) *usedDefaultChar = 0;
    const char* pszRemplacement = defaultChar != nullptr ? defaultChar : "?";
    const size_t nRemplacement = strlen(pszRemplacement);

    const char* pIn = reinterpret_cast<const char*>(src);
    size_t nIn = nCaracteres * sizeof(wchar_t);

    if (dst != nullptr && dstSize != 0) {
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
    _stConvertisseur clConv(
        iconv_open(CodePageToIConv(static_cast<int>(toCodePage)), CodePageToIConv(static_cast<int>(fromCodePage))));
    if (!clConv.bValide()) return 0;

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
