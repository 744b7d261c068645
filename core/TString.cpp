// CTString, the owned wide string (see TString.h), and STR_Ellipsis.
//
// Every change that alters the length builds the new text in a fresh block of exactly the new size
// and frees the old one afterwards, so a text argument that points into the string's own buffer
// stays readable while it is copied. When the heap refuses a block the string is left as it was.
#include "core/TString.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwctype>
#include <functional>
#include <string>
#include <vector>

#include "core/DLLRes.h"
#include "core/STRCompare.h"
#include "core/STRUtil.h"
#include "core/TStringFormat.h"
#include "core/TStringFormatMessage.h"
#include "core/XYString.h"
#include "core/platformwin/WinCodePage.h"
#include "core/platformwin/WinFormat.h"

namespace {

const wchar_t g_szVide[] = L"";

wchar_t* pszAlloc(size_t n) {
    return static_cast<wchar_t*>(malloc((n + 1) * sizeof(wchar_t)));
}

size_t nLen(const wchar_t* psz) {
    return psz != nullptr ? wcslen(psz) : 0;
}

// After an in-place shrink: the buffer is sized to the text again (freed when it is empty).
void Fit(wchar_t*& rpszBuffer) {
    if (rpszBuffer == nullptr) return;
    size_t n = wcslen(rpszBuffer);
    if (n == 0) {
        free(rpszBuffer);
        rpszBuffer = nullptr;
        return;
    }
    wchar_t* pszNew = static_cast<wchar_t*>(realloc(rpszBuffer, (n + 1) * sizeof(wchar_t)));
    if (pszNew != nullptr) rpszBuffer = pszNew;
}

}  // namespace

// ------------------------------------------------------------------------------------ STR_Ellipsis

void STR_Ellipsis(wchar_t* pszDest, const wchar_t* pszSrc, unsigned long nMax, eELLIPSISPOSITION ePosition) {
    if (nMax <= 2 || (ePosition != ELLIPSIS_FIN && ePosition != ELLIPSIS_MILIEU && ePosition != ELLIPSIS_DEBUT)) return;
    size_t nSrc = nLen(pszSrc);
    if (nSrc <= nMax) {
        wmemcpy(pszDest, pszSrc != nullptr ? pszSrc : g_szVide, nSrc);
        pszDest[nSrc] = 0;
        return;
    }
    wchar_t* p = pszDest;
    switch (ePosition) {
        case ELLIPSIS_FIN:
            p = wmemcpy(p, pszSrc, nMax - 3) + (nMax - 3);
            p = wmemcpy(p, L"...", 3) + 3;
            break;
        case ELLIPSIS_MILIEU: {
            size_t nLeft = (nMax - 3) / 2, nRight = (nMax - 2) / 2;
            p = wmemcpy(p, pszSrc, nLeft) + nLeft;
            p = wmemcpy(p, L"...", 3) + 3;
            p = wmemcpy(p, pszSrc + nSrc - nRight, nRight) + nRight;
            break;
        }
        case ELLIPSIS_DEBUT:
            p = wmemcpy(p, L"...", 3) + 3;
            p = wmemcpy(p, pszSrc + nSrc - (nMax - 3), nMax - 3) + (nMax - 3);
            break;
    }
    *p = 0;
}

// ----------------------------------------------------------------------------- internal helpers

void CTString::_SetEmpty() {
    free(m_pszBuffer);
    m_pszBuffer = nullptr;
}

void CTString::_SetPart(const wchar_t* psz, size_t n) {
    if (psz == nullptr || n == 0) {
        _SetEmpty();
        return;
    }
    // Same length: the buffer is reused as it is (the terminator is already in place).
    if (m_pszBuffer != nullptr && wcslen(m_pszBuffer) == n) {
        wmemmove(m_pszBuffer, psz, n);
        return;
    }
    wchar_t* pszNew = pszAlloc(n);
    if (pszNew == nullptr) return;
    wmemcpy(pszNew, psz, n);
    pszNew[n] = 0;
    free(m_pszBuffer);
    m_pszBuffer = pszNew;
}

namespace {

// Builds text[0, nPos) + the parts + text[nPos + nRemove, end) into a fresh exact block; answers it,
// or null when the heap refuses. The parts may point into text.
wchar_t* pszSplice(const wchar_t* pszText, size_t nLength, size_t nPos, size_t nRemove, const wchar_t* const* apszPart,
                   const size_t* anPart, int nParts, size_t* pnNew) {
    size_t nInsert = 0;
    for (int i = 0; i < nParts; i++) nInsert += anPart[i];
    size_t nNew = nLength - nRemove + nInsert;
    *pnNew = nNew;
    wchar_t* pszNew = pszAlloc(nNew);
    if (pszNew == nullptr) return nullptr;
    wchar_t* p = pszNew;
    if (nPos != 0) p = wmemcpy(p, pszText, nPos) + nPos;
    for (int i = 0; i < nParts; i++)
        if (anPart[i] != 0) p = wmemcpy(p, apszPart[i], anPart[i]) + anPart[i];
    size_t nTail = nLength - nPos - nRemove;
    if (nTail != 0) p = wmemcpy(p, pszText + nPos + nRemove, nTail) + nTail;
    *p = 0;
    return pszNew;
}

}  // namespace

// Replaces the characters [nPos, nPos + nRemove) of the text by the concatenation of the parts.
static void Splice(wchar_t*& rpszBuffer, size_t nPos, size_t nRemove, const wchar_t* const* apszPart,
                   const size_t* anPart, int nParts) {
    size_t nLength = nLen(rpszBuffer), nNew = 0;
    wchar_t* pszNew = pszSplice(rpszBuffer != nullptr ? rpszBuffer : g_szVide, nLength, nPos, nRemove, apszPart, anPart,
                                nParts, &nNew);
    if (pszNew == nullptr) return;
    free(rpszBuffer);
    if (nNew == 0) {
        free(pszNew);
        pszNew = nullptr;
    }
    rpszBuffer = pszNew;
}

// --------------------------------------------------------------------------------- construction

CTString::CTString(const wchar_t* psz) : m_pszBuffer(nullptr) {
    Set(psz);
}

CTString::CTString(const CTString& cl) : m_pszBuffer(nullptr) {
    Set(cl.m_pszBuffer);
}

CTString::CTString(const wchar_t* psz, long n) : m_pszBuffer(nullptr) {
    if (n > 0) Set(psz, static_cast<unsigned long>(n));
}

CTString::CTString(const wchar_t* psz1, const wchar_t* psz2, const wchar_t* psz3) : m_pszBuffer(nullptr) {
    Set(psz1, psz2, psz3);
}

CTString::CTString(const char* psz) : m_pszBuffer(nullptr) {
    SetANSIEx(psz, -1, 1252);
}

CTString::~CTString() {
    free(m_pszBuffer);
}

CTString& CTString::operator=(const wchar_t* psz) {
    Set(psz);
    return *this;
}

CTString& CTString::operator=(wchar_t* psz) {
    Set(psz);
    return *this;
}

CTString& CTString::operator=(const CTString& cl) {
    if (&cl != this) Set(cl.m_pszBuffer);
    return *this;
}

CTString& CTString::operator=(CTString&& cl) noexcept {
    if (&cl != this) Transfert(cl);
    return *this;
}

CTString& CTString::operator=(wchar_t c) {
    Set(c);
    return *this;
}

void CTString::Set(const wchar_t* psz) {
    if (psz == m_pszBuffer && psz != nullptr) return;
    _SetPart(psz, nLen(psz));
}

void CTString::SetUNICODE(const wchar_t* psz) {
    Set(psz);
}

void CTString::Set(const wchar_t* psz, unsigned long n) {
    if (psz == nullptr || n == 0) {
        _SetEmpty();
        return;
    }
    _SetPart(psz, wcsnlen(psz, n));
}

void CTString::Set(const wchar_t* psz1, const wchar_t* psz2, const wchar_t* psz3) {
    const wchar_t* apsz[3] = {psz1, psz2, psz3};
    size_t an[3] = {nLen(psz1), nLen(psz2), nLen(psz3)};
    size_t nTotal = an[0] + an[1] + an[2];
    if (nTotal == 0) {
        _SetEmpty();
        return;
    }
    // Same length and no part taken from the string itself: written in place.
    size_t nLength = nLen(m_pszBuffer);
    if (m_pszBuffer != nullptr && nLength == nTotal) {
        bool bOwn = false;
        for (const wchar_t* p : apsz)
            bOwn = bOwn || (p != nullptr && std::less_equal<const wchar_t*>()(m_pszBuffer, p) &&
                            std::less_equal<const wchar_t*>()(p, m_pszBuffer + nLength));
        if (!bOwn) {
            wchar_t* p = m_pszBuffer;
            for (int i = 0; i < 3; i++)
                if (an[i] != 0) p = wmemcpy(p, apsz[i], an[i]) + an[i];
            return;
        }
    }
    Splice(m_pszBuffer, 0, nLength, apsz, an, 3);
}

void CTString::Set(wchar_t c) {
    if (c == 0)
        _SetEmpty();
    else
        _SetPart(&c, 1);
}

void CTString::Set(const CXYString<wchar_t>& cl) {
    Set(cl.pszGetBuffer(), static_cast<unsigned long>(cl.nGetLongueur()));
}

void CTString::Set(const CXYString<wchar_t>* pcl) {
    if (pcl == nullptr)
        _SetEmpty();
    else
        Set(*pcl);
}

void CTString::SetFromBinary(const wchar_t* psz, unsigned long n) {
    if (psz == nullptr || n == 0) {
        _SetEmpty();
        return;
    }
    wchar_t* pszNew = pszAlloc(n);
    if (pszNew == nullptr) return;
    wmemcpy(pszNew, psz, n);
    pszNew[n] = 0;
    free(m_pszBuffer);
    m_pszBuffer = pszNew;
}

void CTString::SetANSIEx(const char* psz, int n, unsigned int nCodePage) {
    if (psz == nullptr) {
        _SetEmpty();
        return;
    }
    if (n < 0) n = int(strlen(psz));
    if (n == 0) {
        _SetEmpty();
        return;
    }
    unsigned nCp = unsigned(nResolveCodePage(int(nCodePage)));
    // Exactly n bytes are converted, and only what the converter wrote becomes the text: a byte
    // never gives more than one character, so n characters of room are enough for the first try.
    wchar_t* pszNew = pszAlloc(size_t(n));
    if (pszNew == nullptr) return;
    int nChars = MultiByteToWideChar(nCp, 0, psz, n, pszNew, n);
    if (nChars <= 0) {
        int nNeeded = MultiByteToWideChar(nCp, 0, psz, n, nullptr, 0);
        if (nNeeded > n) {
            wchar_t* pszBigger = static_cast<wchar_t*>(realloc(pszNew, (size_t(nNeeded) + 1) * sizeof(wchar_t)));
            if (pszBigger != nullptr) {
                pszNew = pszBigger;
                nChars = MultiByteToWideChar(nCp, 0, psz, n, pszNew, nNeeded);
            }
        }
    }
    if (nChars <= 0) {
        // Nothing converted (an unusable code page or text): the empty string, never stale units.
        free(pszNew);
        _SetEmpty();
        return;
    }
    pszNew[nChars] = 0;
    free(m_pszBuffer);
    m_pszBuffer = pszNew;
    Fit(m_pszBuffer);
}

void CTString::SetI4(int n) {
    wchar_t sz[16];
    swprintf(sz, 16, L"%d", n);
    Set(sz);
}

void CTString::SetI8(long n) {
    wchar_t sz[24];
    swprintf(sz, 24, L"%ld", n);
    Set(sz);
}

void CTString::SetBuffer(wchar_t* pszMalloced) {
    if (pszMalloced == m_pszBuffer) return;
    free(m_pszBuffer);
    m_pszBuffer = pszMalloced;
}

void CTString::Transfert(CTString& cl) {
    if (&cl == this) return;
    free(m_pszBuffer);
    m_pszBuffer = cl.m_pszBuffer;
    cl.m_pszBuffer = nullptr;
}

void CTString::Vide() {
    _SetEmpty();
}

void CTString::_SetBufferSize(unsigned long n) {
    wchar_t* pszNew = static_cast<wchar_t*>(realloc(m_pszBuffer, (size_t(n) + 1) * sizeof(wchar_t)));
    if (pszNew != nullptr) m_pszBuffer = pszNew;
}

// --------------------------------------------------------------------------------------- access

const wchar_t* CTString::pszGet() const {
    return m_pszBuffer != nullptr ? m_pszBuffer : g_szVide;
}

int CTString::nTaille() const {
    return int(nLen(m_pszBuffer));
}

// -------------------------------------------------------------------------- appending, inserting

void CTString::Add(wchar_t c) {
    if (c == 0) return;
    if (m_pszBuffer == nullptr) {
        Set(c);
        return;
    }
    const wchar_t* apsz[1] = {&c};
    size_t an[1] = {1};
    Splice(m_pszBuffer, nLen(m_pszBuffer), 0, apsz, an, 1);
}

void CTString::Add(const wchar_t* psz) {
    size_t n = nLen(psz);
    if (n == 0) return;
    const wchar_t* apsz[1] = {psz};
    size_t an[1] = {n};
    Splice(m_pszBuffer, nLen(m_pszBuffer), 0, apsz, an, 1);
}

void CTString::Add(const wchar_t* psz, int n) {
    if (psz == nullptr || n < 1) return;
    if (psz[n - 1] == 0) n--;
    if (n == 0) return;
    if (nTaille() == 0) {
        SetFromBinary(psz, static_cast<unsigned long>(n));
        return;
    }
    const wchar_t* apsz[1] = {psz};
    size_t an[1] = {size_t(n)};
    Splice(m_pszBuffer, nLen(m_pszBuffer), 0, apsz, an, 1);
}

void CTString::Add(const wchar_t* psz1, const wchar_t* psz2, const wchar_t* psz3) {
    if (nTaille() == 0) {
        Set(psz1, psz2, psz3);
        return;
    }
    const wchar_t* apsz[3] = {psz1, psz2, psz3};
    size_t an[3] = {nLen(psz1), nLen(psz2), nLen(psz3)};
    if (an[0] + an[1] + an[2] == 0) return;
    Splice(m_pszBuffer, nLen(m_pszBuffer), 0, apsz, an, 3);
}

void CTString::Add(const CXYString<wchar_t>& cl) {
    const wchar_t* psz = cl.pszGetBuffer();
    if (psz == nullptr) return;
    const wchar_t* apsz[1] = {psz};
    size_t an[1] = {wcsnlen(psz, size_t(cl.nGetLongueur()))};
    if (an[0] == 0) return;
    Splice(m_pszBuffer, nLen(m_pszBuffer), 0, apsz, an, 1);
}

void CTString::Add(const CXYString<wchar_t>* pcl) {
    if (pcl != nullptr) Add(*pcl);
}

void CTString::AddI4(int n) {
    wchar_t sz[16];
    swprintf(sz, 16, L"%d", n);
    Add(sz);
}

void CTString::AddI8(long n) {
    // Digits written from the end: swprintf costs more than the rest of a LIMIT clause.
    wchar_t sz[24];
    wchar_t* psz = sz + 23;
    *psz = 0;
    unsigned long u = n < 0 ? 0ul - static_cast<unsigned long>(n) : static_cast<unsigned long>(n);
    do {
        *--psz = static_cast<wchar_t>(L'0' + u % 10);
        u /= 10;
    } while (u != 0);
    if (n < 0) *--psz = L'-';
    Add(psz);
}

void CTString::AddPrintf(const wchar_t* pszFormat, ...) {
    CTString clText;
    va_list args;
    va_start(args, pszFormat);
    clText.FormatV(pszFormat, args);
    va_end(args);
    Add(clText.m_pszBuffer);
}

CTString CTString::operator+(const wchar_t* psz) const {
    return CTString(m_pszBuffer, psz, nullptr);
}

void CTString::Insert(wchar_t c) {
    if (c == 0) return;
    if (m_pszBuffer == nullptr) {
        Set(c);
        return;
    }
    const wchar_t* apsz[1] = {&c};
    size_t an[1] = {1};
    Splice(m_pszBuffer, 0, 0, apsz, an, 1);
}

void CTString::Insert(const wchar_t* psz, int nPos, int n) {
    if (psz == nullptr || psz[0] == 0 || n < -1) return;
    // -1 stands for the whole text, also where the insertion turns into an append.
    size_t nInsert = n == -1 ? wcslen(psz) : wcsnlen(psz, size_t(n));
    if (nInsert == 0) return;
    size_t nLength = nLen(m_pszBuffer);
    if (nLength == 0) {
        Set(psz, nInsert);
        return;
    }
    if (nPos < 0) nPos = 0;
    if (size_t(nPos) >= nLength) {
        Add(psz, int(nInsert));
        return;
    }
    const wchar_t* apsz[1] = {psz};
    size_t an[1] = {nInsert};
    Splice(m_pszBuffer, size_t(nPos), 0, apsz, an, 1);
}

// ---------------------------------------------------------------- cutting, filling, replacing

void CTString::Tronque(long n) {
    long nLength = nTaille();
    if (n < 0 || n >= nLength) return;
    if (n == 0) {
        _SetEmpty();
        return;
    }
    m_pszBuffer[n] = 0;
    _SetBufferSize(static_cast<unsigned long>(n));
}

void CTString::TronqueDebut(long n) {
    long nLength = nTaille();
    if (m_pszBuffer == nullptr || n <= 0 || n > nLength) return;
    if (n == nLength) {
        _SetEmpty();
        return;
    }
    wmemmove(m_pszBuffer, m_pszBuffer + n, size_t(nLength - n) + 1);
    _SetBufferSize(static_cast<unsigned long>(nLength - n));
}

void CTString::Coupe(long nPos, long n) {
    long nLength = nTaille();
    if (nPos < 0 || nPos > nLength || n <= 0) return;
    if (nPos + n >= nLength) {
        Tronque(nPos);
        return;
    }
    Splice(m_pszBuffer, size_t(nPos), size_t(n), nullptr, nullptr, 0);
}

void CTString::Complete(long n, wchar_t c) {
    long nLength = nTaille();
    if (n < 0 || n == nLength) return;
    if (n < nLength) {
        Tronque(n);
        return;
    }
    if (c == 0) return;
    wchar_t* pszNew = pszAlloc(size_t(n));
    if (pszNew == nullptr) return;
    if (nLength != 0) wmemcpy(pszNew, m_pszBuffer, size_t(nLength));
    std::fill(pszNew + nLength, pszNew + n, c);
    pszNew[n] = 0;
    free(m_pszBuffer);
    m_pszBuffer = pszNew;
}

void CTString::Remplace(long nPos, long n, const wchar_t* psz) {
    long nLength = nTaille();
    if (nLength == 0 || nPos < 0 || n < 0 || nPos > nLength) return;
    if (nPos + n > nLength) n = nLength - nPos;
    const wchar_t* apsz[1] = {psz};
    size_t an[1] = {nLen(psz)};
    Splice(m_pszBuffer, size_t(nPos), size_t(n), apsz, an, 1);
}

void CTString::Remplace(wchar_t cFind, wchar_t cRepl, long nStart) {
    long nLength = nTaille();
    if (cFind == 0 || nStart >= nLength) return;
    if (nStart < 0) nStart = 0;
    for (long i = nStart; i < nLength; i++) {
        if (m_pszBuffer[i] != cFind) continue;
        if (cRepl == 0) {
            // A terminator as replacement ends the text there.
            Tronque(i);
            return;
        }
        m_pszBuffer[i] = cRepl;
    }
}

namespace {

// Replaces every occurrence of pszFind from nStart on (no overlap, the replacement never searched
// again). One search function finds the occurrences once, so the length computed and the text
// written always agree.
void RemplaceAll(wchar_t*& rpszBuffer, const wchar_t* pszFind, const wchar_t* pszRepl, long nStart, bool bIgnoreCase) {
    size_t nLength = nLen(rpszBuffer), nFind = nLen(pszFind), nRepl = nLen(pszRepl);
    if (nFind == 0 || nLength == 0 || nStart < 0 || size_t(nStart) > nLength) return;
    std::vector<size_t> tabAt;
    const wchar_t* p = rpszBuffer + nStart;
    for (;;) {
        const wchar_t* pFound = bIgnoreCase ? STR_pszUpStrstr(p, pszFind) : wcsstr(p, pszFind);
        if (pFound == nullptr) break;
        tabAt.push_back(size_t(pFound - rpszBuffer));
        p = pFound + nFind;
    }
    if (tabAt.empty()) return;
    size_t nNew = nLength - tabAt.size() * nFind + tabAt.size() * nRepl;
    wchar_t* pszNew = pszAlloc(nNew);
    if (pszNew == nullptr) return;
    wchar_t* q = pszNew;
    size_t nFrom = 0;
    for (size_t nAt : tabAt) {
        q = wmemcpy(q, rpszBuffer + nFrom, nAt - nFrom) + (nAt - nFrom);
        if (nRepl != 0) q = wmemcpy(q, pszRepl, nRepl) + nRepl;
        nFrom = nAt + nFind;
    }
    q = wmemcpy(q, rpszBuffer + nFrom, nLength - nFrom) + (nLength - nFrom);
    *q = 0;
    free(rpszBuffer);
    if (nNew == 0) {
        free(pszNew);
        pszNew = nullptr;
    }
    rpszBuffer = pszNew;
}

}  // namespace

void CTString::Remplace(const wchar_t* pszFind, const wchar_t* pszRepl, long nStart) {
    RemplaceAll(m_pszBuffer, pszFind, pszRepl, nStart, false);
}

void CTString::RemplaceI(const wchar_t* pszFind, const wchar_t* pszRepl, long nStart) {
    RemplaceAll(m_pszBuffer, pszFind, pszRepl, nStart, true);
}

void CTString::Insecable() {
    Remplace(L' ', L'\u00A0', 0);
}

void CTString::Renverse() {
    size_t nLength = nLen(m_pszBuffer);
    if (nLength >= 2) std::reverse(m_pszBuffer, m_pszBuffer + nLength);
}

void CTString::Ellipse(const wchar_t* psz, unsigned long nMax, eELLIPSISPOSITION ePosition) {
    size_t nSrc = nLen(psz);
    size_t n = std::min<size_t>(nSrc, nMax);
    if (n == 0) {
        _SetEmpty();
        return;
    }
    wchar_t* pszNew = pszAlloc(n);
    if (pszNew == nullptr) return;
    // A maximum or position outside the contract writes nothing: the result is then empty.
    pszNew[0] = 0;
    STR_Ellipsis(pszNew, psz, nMax, ePosition);
    free(m_pszBuffer);
    m_pszBuffer = pszNew;
    if (m_pszBuffer[0] == 0) _SetEmpty();
}

// ----------------------------------------------------------------- trimming, case and mapping

void CTString::SansEspace() {
    size_t n = nLen(m_pszBuffer);
    if (n == 0) return;
    while (n > 0 && m_pszBuffer[n - 1] == L' ') n--;
    m_pszBuffer[n] = 0;
    Fit(m_pszBuffer);
}

void CTString::Trim() {
    if (nTaille() == 0) return;
    STR_SuppressSideSpaces(m_pszBuffer);
    Fit(m_pszBuffer);
}

void CTString::Trim(wchar_t c) {
    if (nTaille() == 0) return;
    STR_SuppressSideCar(m_pszBuffer, c);
    Fit(m_pszBuffer);
}

void CTString::LTrim(wchar_t c) {
    if (nTaille() == 0) return;
    STR_SuppressLeftCar(m_pszBuffer, c);
    Fit(m_pszBuffer);
}

void CTString::RTrim(wchar_t c) {
    if (nTaille() == 0) return;
    STR_SuppressRightCar(m_pszBuffer, c);
    Fit(m_pszBuffer);
}

void CTString::Majuscule() {
    if (nTaille() != 0) STR_ToUpper(m_pszBuffer);
}

void CTString::Minuscule() {
    if (nTaille() != 0) STR_ToLower(m_pszBuffer);
}

void CTString::SansAccent() {
    size_t n = nLen(m_pszBuffer);
    for (size_t i = 0; i < n; i++) {
        wchar_t c = m_pszBuffer[i];
        if (STR_nMapCharEx(STR_IGNOREACCENT, &c, m_pszBuffer[i]) > 0 && c != 0) m_pszBuffer[i] = c;
    }
}

namespace {

// The text psz (n characters) mapped by the host with the flags, in a fresh block; null when the
// mapping gives nothing or the heap refuses.
wchar_t* pszMapped(unsigned int nFlags, const wchar_t* psz, size_t n) {
    int nRoom = STR_nGetMapStringLenEx(nFlags, psz, long(n));
    if (nRoom < 1) return nullptr;
    wchar_t* pszNew = pszAlloc(size_t(nRoom));
    if (pszNew == nullptr) return nullptr;
    int nWritten = STR_nMapStringEx(nFlags, pszNew, static_cast<unsigned long>(nRoom), psz, long(n));
    if (nWritten <= 0) {
        free(pszNew);
        return nullptr;
    }
    pszNew[std::min(nWritten, nRoom)] = 0;
    return pszNew;
}

}  // namespace

void CTString::MapStringEx(unsigned int nFlags) {
    size_t n = nLen(m_pszBuffer);
    if (n == 0) return;
    wchar_t* pszNew = pszMapped(nFlags, m_pszBuffer, n);
    if (pszNew == nullptr) return;
    free(m_pszBuffer);
    m_pszBuffer = pszNew;
    Fit(m_pszBuffer);
}

void CTString::SetStandard(const wchar_t* psz) {
    if (psz != nullptr && psz == m_pszBuffer) {
        MapStringEx(STR_LOGIQUE);
        return;
    }
    size_t n = nLen(psz);
    if (n == 0) {
        _SetEmpty();
        return;
    }
    wchar_t* pszNew = pszMapped(STR_LOGIQUE, psz, n);
    if (pszNew == nullptr) {
        _SetEmpty();
        return;
    }
    free(m_pszBuffer);
    m_pszBuffer = pszNew;
    Fit(m_pszBuffer);
}

// ------------------------------------------------------------------------------------ comparing

bool CTString::bEstEgal(const wchar_t* psz) const {
    return wcscmp(pszGet(), psz != nullptr ? psz : g_szVide) == 0;
}

bool CTString::bEstEgalI(const wchar_t* psz) const {
    if (psz == nullptr) psz = g_szVide;
    if (nTaille() == 0 || psz[0] == 0) return nTaille() == 0 && psz[0] == 0;
    return STR_nUpCompareW(psz, m_pszBuffer, STR_IGNOREACCENT) == 0;
}

bool CTString::bEstEgalI(const CTString& cl) const {
    return bEstEgalI(cl.pszGet());
}

bool CTString::operator==(const CTString& cl) const {
    return wcscmp(pszGet(), cl.pszGet()) == 0;
}

bool CTString::bCommencePar(const wchar_t* psz) const {
    size_t n = nLen(psz);
    return n == 0 || wcsncmp(pszGet(), psz, n) == 0;
}

bool CTString::bCommenceParI(const wchar_t* psz) const {
    size_t n = nLen(psz);
    if (n == 0) return true;
    if (size_t(nTaille()) < n) return false;
    return clGauche(long(n)).bEstEgalI(psz);
}

bool CTString::bTerminePar(const wchar_t* psz) const {
    size_t n = nLen(psz), nLength = nLen(m_pszBuffer);
    if (n == 0) return true;
    return nLength >= n && wcscmp(m_pszBuffer + nLength - n, psz) == 0;
}

bool CTString::bTermineParI(const wchar_t* psz) const {
    size_t n = nLen(psz), nLength = nLen(m_pszBuffer);
    if (n == 0) return true;
    if (nLength < n) return false;
    return CTString(m_pszBuffer + nLength - n).bEstEgalI(psz);
}

bool CTString::bTerminePar(wchar_t c) const {
    size_t nLength = nLen(m_pszBuffer);
    return nLength != 0 && m_pszBuffer[nLength - 1] == c;
}

// ------------------------------------------------------------------------------------ searching

int CTString::nPos(const wchar_t* psz, long nStart) const {
    long nLength = nTaille();
    if (nLength == 0 || psz == nullptr || nStart < 0 || nStart > nLength) return -1;
    const wchar_t* p = wcsstr(m_pszBuffer + nStart, psz);
    return p != nullptr ? int(p - m_pszBuffer) : -1;
}

int CTString::nPos(wchar_t c, long nStart) const {
    long nLength = nTaille();
    if (nLength == 0 || c == 0 || nStart < 0 || nStart > nLength) return -1;
    const wchar_t* p = wcschr(m_pszBuffer + nStart, c);
    return p != nullptr ? int(p - m_pszBuffer) : -1;
}

int CTString::nRPos(const wchar_t* psz) const {
    long nLength = nTaille(), nFind = long(nLen(psz));
    if (nLength == 0 || nFind == 0 || nFind > nLength) return -1;
    for (long i = nLength - nFind; i >= 0; i--)
        if (wmemcmp(m_pszBuffer + i, psz, size_t(nFind)) == 0) return int(i);
    return -1;
}

int CTString::nRPos(wchar_t c) const {
    if (nTaille() == 0 || c == 0) return -1;
    const wchar_t* p = wcsrchr(m_pszBuffer, c);
    return p != nullptr ? int(p - m_pszBuffer) : -1;
}

int CTString::nUpPos(const wchar_t* psz, long nStart) const {
    long nLength = nTaille(), nFind = long(nLen(psz));
    if (nLength == 0 || nFind == 0 || nStart < 0) return -1;
    for (long i = nStart; i + nFind <= nLength; i++) {
        long k = 0;
        while (k < nFind && towupper(wint_t(m_pszBuffer[i + k])) == towupper(wint_t(psz[k]))) k++;
        if (k == nFind) return int(i);
    }
    return -1;
}

int CTString::nPosParmi(const wchar_t* pszSet) const {
    if (nTaille() == 0 || pszSet == nullptr) return -1;
    const wchar_t* p = wcspbrk(m_pszBuffer, pszSet);
    return p != nullptr ? int(p - m_pszBuffer) : -1;
}

int CTString::nNbOcc(const wchar_t* psz) const {
    size_t nFind = nLen(psz);
    if (nTaille() == 0 || nFind == 0) return 0;
    int nCount = 0;
    for (const wchar_t* p = wcsstr(m_pszBuffer, psz); p != nullptr; p = wcsstr(p + nFind, psz)) nCount++;
    return nCount;
}

// ----------------------------------------------------------------------------------- substrings

CTString CTString::clMilieu(long nPos, long n) const {
    long nLength = nTaille();
    if (nLength == 0 || nPos < 0 || nPos > nLength || n <= 0) return CTString();
    return CTString(m_pszBuffer + nPos, std::min(n, nLength - nPos));
}

CTString CTString::clMilieu(long nPos) const {
    long nLength = nTaille();
    if (nLength == 0 || nPos < 0 || nPos > nLength) return CTString();
    return CTString(m_pszBuffer + nPos);
}

CTString CTString::clGauche(long n) const {
    return clMilieu(0, n);
}

CTString CTString::clDroite(long n) const {
    long nLength = nTaille();
    if (n <= 0 || nLength == 0) return CTString();
    if (n >= nLength) return CTString(*this);
    return CTString(m_pszBuffer + nLength - n);
}

CTString CTString::clExclu(const wchar_t* pszSet) const {
    if (nTaille() == 0) return CTString();
    return CTString(m_pszBuffer, long(wcscspn(m_pszBuffer, pszSet != nullptr ? pszSet : g_szVide)));
}

CTString CTString::clContientUniquement(const wchar_t* pszSet) const {
    if (nTaille() == 0 || pszSet == nullptr) return CTString();
    return CTString(m_pszBuffer, long(wcsspn(m_pszBuffer, pszSet)));
}

long long CTString::nVal(int nBase, int nStart, int nCount) const {
    CTString clPiece = nCount == -1 ? clMilieu(nStart) : clMilieu(nStart, nCount);
    unsigned long long nValue = 0;
    for (const wchar_t* p = clPiece.pszGet(); *p != 0; p++) {
        int nDigit;
        if (*p >= L'0' && *p <= L'9')
            nDigit = *p - L'0';
        else if (*p >= L'a' && *p <= L'z')
            nDigit = *p - L'a' + 10;
        else if (*p >= L'A' && *p <= L'Z')
            nDigit = *p - L'A' + 10;
        else
            break;
        if (nDigit >= nBase) break;
        nValue = nValue * static_cast<unsigned long long>(nBase) + static_cast<unsigned long long>(nDigit);
    }
    return static_cast<long long>(nValue);
}

// ---------------------------------------------------------------------------------------- fields

bool CTString::bExtraitChainePos(unsigned long n, wchar_t cSep, const wchar_t** ppszStart, long* pnLength) const {
    // The separator-text form with a one-character text (NUL: a text without separator); a field
    // number too large for it cannot exist in any string.
    const wchar_t szSep[2] = {cSep, 0};
    return n <= static_cast<unsigned long>(LONG_MAX) && bExtraitChainePos(long(n), szSep, ppszStart, pnLength);
}

bool CTString::bExtraitChainePos(long n, const wchar_t* pszSep, const wchar_t** ppszStart, long* pnLength) const {
    if (m_pszBuffer == nullptr) return false;
    size_t nSep = nLen(pszSep);
    const wchar_t* p = m_pszBuffer;
    for (long i = 0; i < n; i++) {
        const wchar_t* q = nSep != 0 ? wcsstr(p, pszSep) : nullptr;
        if (q == nullptr) return false;
        p = q + nSep;
    }
    const wchar_t* pEnd = nSep != 0 ? wcsstr(p, pszSep) : nullptr;
    if (pEnd == nullptr) pEnd = p + wcslen(p);
    if (ppszStart != nullptr) *ppszStart = p;
    if (pnLength != nullptr) *pnLength = long(pEnd - p);
    return true;
}

bool CTString::bExtraitPosTailleChaine(long n, const wchar_t* pszSep, int* pnIndex, long* pnLength) const {
    const wchar_t* pStart = nullptr;
    if (!bExtraitChainePos(n, pszSep, &pStart, pnLength)) return false;
    if (pnIndex != nullptr) *pnIndex = int(pStart - m_pszBuffer);
    return true;
}

bool CTString::bExtraitChaine(unsigned long n, wchar_t cSep, CTString* pclOut) const {
    const wchar_t* pStart = nullptr;
    long nLength = 0;
    if (nTaille() == 0 || pclOut == nullptr || !bExtraitChainePos(n, cSep, &pStart, &nLength)) return false;
    pclOut->Set(pStart, static_cast<unsigned long>(nLength));
    return true;
}

bool CTString::bExtraitChaine(long n, const wchar_t* pszSep, CTString* pclOut) const {
    const wchar_t* pStart = nullptr;
    long nLength = 0;
    if (pclOut == nullptr || !bExtraitChainePos(n, pszSep, &pStart, &nLength)) return false;
    pclOut->Set(pStart, static_cast<unsigned long>(nLength));
    return true;
}

bool CTString::bExtraitEtRemplaceChaine(long n, const wchar_t* pszSep, const wchar_t* pszRepl) {
    const wchar_t* pStart = nullptr;
    long nLength = 0;
    if (!bExtraitChainePos(n, pszSep, &pStart, &nLength)) return false;
    // A field that starts at the very end of the text is empty: replacing it appends.
    const wchar_t* apsz[1] = {pszRepl};
    size_t an[1] = {nLen(pszRepl)};
    Splice(m_pszBuffer, size_t(pStart - m_pszBuffer), size_t(nLength), apsz, an, 1);
    return true;
}

bool CTString::bExtraitChaineTok(long n, const wchar_t* pszDelimiters, CTString* pclOut) const {
    if (pclOut == nullptr) return false;
    if (n < 0) {
        pclOut->Vide();
        return true;
    }
    if (m_pszBuffer == nullptr) return false;
    CTString clCopy(m_pszBuffer);
    if (clCopy.m_pszBuffer == nullptr) return false;
    const wchar_t* pszSet = pszDelimiters != nullptr ? pszDelimiters : g_szVide;
    wchar_t* pszState = nullptr;
    long i = 0;
    for (wchar_t* pszTok = wcstok(clCopy.m_pszBuffer, pszSet, &pszState); pszTok != nullptr;
         pszTok = wcstok(nullptr, pszSet, &pszState), i++) {
        if (i == n) {
            pclOut->Set(pszTok);
            return true;
        }
    }
    return false;
}

void CTString::PourTouteChaineSepareePar(const wchar_t* pszSep, IVisiteurPourTouteChaine* piVisiteur) const {
    if (m_pszBuffer == nullptr || piVisiteur == nullptr) return;
    size_t nSep = nLen(pszSep);
    const wchar_t* p = m_pszBuffer;
    for (long nIndex = 0;; nIndex++) {
        const wchar_t* q = nSep != 0 ? wcsstr(p, pszSep) : nullptr;
        if (q == nullptr) {
            piVisiteur->vbVisite(nIndex, p, long(wcslen(p)));
            return;
        }
        if (piVisiteur->vbVisite(nIndex, p, long(q - p)) == 0) return;
        p = q + nSep;
    }
}

// ------------------------------------------------------------------------- pszSet... family

namespace {

// The eight pszSet... members are one rule with three switches: the first or the last c of psz;
// the text after it (Fin) or before it (Debut); and what a missing c gives: psz whole with a null
// result, or (the ...Existant forms) the empty string with psz itself as the result. When c is
// found the result points just after it.
const wchar_t* pszSetAround(CTString& cl, const wchar_t* psz, wchar_t c, bool bDernier, bool bDebut, bool bExistant) {
    const wchar_t* p = psz == nullptr || c == 0 ? nullptr : bDernier ? wcsrchr(psz, c) : wcschr(psz, c);
    if (p == nullptr) {
        if (bExistant) {
            cl.Vide();
            return psz;
        }
        cl.Set(psz);
        return nullptr;
    }
    if (bDebut)
        cl.Set(psz, static_cast<unsigned long>(p - psz));
    else
        cl.Set(p + 1);
    return p + 1;
}

}  // namespace

const wchar_t* CTString::pszSetFinPremier(const wchar_t* psz, wchar_t c) {
    return pszSetAround(*this, psz, c, false, false, false);
}

const wchar_t* CTString::pszSetFinPremierExistant(const wchar_t* psz, wchar_t c) {
    return pszSetAround(*this, psz, c, false, false, true);
}

const wchar_t* CTString::pszSetFinDernier(const wchar_t* psz, wchar_t c) {
    return pszSetAround(*this, psz, c, true, false, false);
}

const wchar_t* CTString::pszSetFinDernierExistant(const wchar_t* psz, wchar_t c) {
    return pszSetAround(*this, psz, c, true, false, true);
}

const wchar_t* CTString::pszSetDebutPremier(const wchar_t* psz, wchar_t c) {
    return pszSetAround(*this, psz, c, false, true, false);
}

const wchar_t* CTString::pszSetDebutPremierExistant(const wchar_t* psz, wchar_t c) {
    return pszSetAround(*this, psz, c, false, true, true);
}

const wchar_t* CTString::pszSetDebutDernier(const wchar_t* psz, wchar_t c) {
    return pszSetAround(*this, psz, c, true, true, false);
}

const wchar_t* CTString::pszSetDebutDernierExistant(const wchar_t* psz, wchar_t c) {
    return pszSetAround(*this, psz, c, true, true, true);
}

// ---------------------------------------------------------------------------------- formatting

int CTString::FormatV(const wchar_t* pszFormat, va_list args) {
    if (pszFormat == nullptr) {
        _SetEmpty();
        return 0;
    }
    // The estimate sizes the first try; a text that turns out longer gets a larger block and a new
    // try on a fresh copy of the arguments, so the estimate can never overrun the buffer.
    va_list argsCopy;
    va_copy(argsCopy, args);
    wchar_t* pszText = nullptr;
    long nLength = STRG_nFormatV<wchar_t>(&pszText, pszFormat, argsCopy);
    va_end(argsCopy);
    if (nLength < 0 || pszText == nullptr) {
        free(pszText);
        _SetEmpty();
        return -1;
    }
    free(m_pszBuffer);
    m_pszBuffer = pszText;
    Fit(m_pszBuffer);
    return int(nLength);
}

int CTString::printf(const wchar_t* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    int nResult = FormatV(pszFormat, args);
    va_end(args);
    return nResult;
}

namespace {

typedef unsigned (*PFNFORMATMESSAGE)(unsigned, const void*, unsigned, unsigned, wchar_t*, unsigned, va_list*);

// Formats through one of the emulated message formatters into a block it allocates; the string
// takes a non-empty result and is left as it was otherwise.
void SetFormattedMessage(CTString& cl, PFNFORMATMESSAGE pfnFormat, const wchar_t* pszFormat, va_list* pArgs) {
    wchar_t* pszResult = nullptr;
    unsigned nLength = pfnFormat(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_STRING, pszFormat, 0, 0,
                                 reinterpret_cast<wchar_t*>(&pszResult), 0, pArgs);
    if (nLength > 0 && pszResult != nullptr) cl.Set(pszResult, nLength);
    free(pszResult);
}

}  // namespace

void CTString::FormatMessageWin(const wchar_t* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    SetFormattedMessage(*this, &::FormatMessageWin, pszFormat, &args);
    va_end(args);
}

void CTString::FormatMessageW(const wchar_t* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    SetFormattedMessage(*this, &::FormatMessageW, pszFormat, &args);
    va_end(args);
}

CTStringFormat::CTStringFormat(const wchar_t* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    FormatV(pszFormat, args);
    va_end(args);
}

CTStringFormatMessage::CTStringFormatMessage(const wchar_t* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    DLLRES_dwFormatMessage(pszFormat, this, &args);
    va_end(args);
}

// ----------------------------------------------------------------------------------------- files

void CTString::FichierTemporaire(const wchar_t* pszPrefix) {
    // The name is made as the C library's tempnam makes it (TMPDIR when it is a writable
    // directory, else /tmp; at most five bytes of prefix; a name no file has yet), without the
    // linker's warning on tempnam. Paths pass as UTF-8, both ways.
    std::string sPrefix;
    if (pszPrefix != nullptr && pszPrefix[0] != 0) {
        int nBytes = WideCharToMultiByte(CP_UTF8, 0, pszPrefix, -1, nullptr, 0, nullptr, nullptr);
        if (nBytes > 0) {
            sPrefix.resize(size_t(nBytes));
            WideCharToMultiByte(CP_UTF8, 0, pszPrefix, -1, sPrefix.data(), nBytes, nullptr, nullptr);
            sPrefix.resize(strlen(sPrefix.c_str()));
        }
    }
    if (sPrefix.size() > 5) sPrefix.resize(5);
    std::string sDirectory = "/tmp";
    const char* pszTmpDir = getenv("TMPDIR");
    struct stat st;
    if (pszTmpDir != nullptr && pszTmpDir[0] != 0 && stat(pszTmpDir, &st) == 0 && S_ISDIR(st.st_mode) &&
        access(pszTmpDir, W_OK | X_OK) == 0)
        sDirectory = pszTmpDir;
    while (sDirectory.size() > 1 && sDirectory.back() == '/') sDirectory.pop_back();
    static const char s_szChars[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    static unsigned long long s_nCounter = 0;
    unsigned long long nSeed = (static_cast<unsigned long long>(time(nullptr)) << 20) ^
                               (static_cast<unsigned long long>(getpid()) << 8) ^ reinterpret_cast<uintptr_t>(this);
    for (int nTry = 0; nTry < 1000; nTry++) {
        unsigned long long n = nSeed + 0x9E3779B97F4A7C15ull * ++s_nCounter;
        std::string sName = sDirectory + "/" + sPrefix;
        for (int i = 0; i < 6; i++, n /= 62) sName += s_szChars[n % 62];
        if (lstat(sName.c_str(), &st) == 0) continue;
        SetANSIEx(sName.c_str(), int(sName.size()), CP_UTF8);
        return;
    }
    Vide();
}
