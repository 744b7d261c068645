// CNAConnectionDescription: what every SQL writer asks of a connection about names and raw texts:
// identifiers put into the connection's quotes and taken out again, qualified table names split
// into their parts, bytes written as hexadecimal digits and read back, compact time and date texts,
// and the path of a module.
#include <cwchar>
#include <vector>

#include "core/STRCompare.h"
#include "core/TStringConcatAW.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "platform/DiskFile.h"
#include "platform/WinProcess.h"

namespace {

constexpr unsigned KIND_1 = 1;

bool _bEmpty(const wchar_t* psz) {
    return psz == nullptr || *psz == 0;
}

// Value of one hexadecimal digit; any other character gives the low four bits of its distance
// from 'a', as it always has.
unsigned _nHexaDigit(unsigned c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return (c - 'a') & 0xF;
}

template <class T>
void _BinaryToStringHexa(const unsigned char* pbyData, unsigned long nSize, T* pszOut) {
    static const char s_szDigits[] = "0123456789ABCDEF";
    for (unsigned long i = 0; i < nSize; i++) {
        pszOut[2 * i] = static_cast<T>(s_szDigits[pbyData[i] >> 4]);
        pszOut[2 * i + 1] = static_cast<T>(s_szDigits[pbyData[i] & 0xF]);
    }
    pszOut[2 * nSize] = 0;
}

template <class T>
void _StringHexaToBinary(const T* pszText, unsigned char* pbyOut, unsigned long nSize) {
    if (pbyOut == nullptr) return;
    for (unsigned long i = 0; i < nSize; i++) pbyOut[i] = 0;
    if (pszText == nullptr) return;
    for (unsigned long i = 0; i < nSize && pszText[0] != 0 && pszText[1] != 0; i++, pszText += 2) {
        unsigned nHigh = _nHexaDigit(static_cast<unsigned>(pszText[0]));
        unsigned nLow = _nHexaDigit(static_cast<unsigned>(pszText[1]));
        pbyOut[i] = static_cast<unsigned char>((nHigh << 4) | nLow);
    }
}

// Length of the quoted identifier psz starts with (both quotes included, a doubled closing quote
// read as one character of the name); 0 when psz does not start one or the closing quote is missing.
size_t _nQuotedPart(const wchar_t* psz, wchar_t cOpen, wchar_t cClose) {
    if (psz[0] != cOpen) return 0;
    for (size_t i = 1;; i++) {
        if (psz[i] == 0) return 0;
        if (psz[i] != cClose) continue;
        if (psz[i + 1] != cClose) return i + 1;
        i++;
    }
}

// The name is quoted identifiers only, joined by dots, with nothing before, between or after them.
bool _bWellQuoted(const wchar_t* psz, wchar_t cOpen, wchar_t cClose) {
    for (;;) {
        const size_t n = _nQuotedPart(psz, cOpen, cClose);
        if (n == 0) return false;
        psz += n;
        if (*psz == 0) return true;
        if (*psz != L'.') return false;
        psz++;
    }
}

// The first dot of the name that stands outside quotes: a part that starts with the quote runs to
// its closing quote before a dot can end it. nullptr when there is none.
const wchar_t* _pszDotOutsideQuotes(const wchar_t* psz, wchar_t cOpen, wchar_t cClose) {
    if (psz == nullptr) return nullptr;
    // Blanks around the parts are trimmed by the readers of the parts.
    while (*psz == L' ') psz++;
    if (psz[0] == cOpen) {
        const size_t n = _nQuotedPart(psz, cOpen, cClose);
        // An identifier that never closes swallows the rest of the name.
        if (n == 0) return nullptr;
        psz += n;
    }
    while (*psz != 0 && *psz != L'.') psz++;
    return *psz == L'.' ? psz : nullptr;
}

}  // namespace

// A dot inside a quoted part belongs to the name, not to the qualification.
const wchar_t* CNAConnectionDescription::_pszNameDot(const wchar_t* pszName) {
    if (m_nOpenQuoteLen == 1 && m_nCloseQuoteLen == 1)
        return _pszDotOutsideQuotes(pszName, m_csOpenQuote.pszGet()[0], m_csCloseQuote.pszGet()[0]);
    return pszName != nullptr ? wcschr(pszName, L'.') : nullptr;
}

// ---------------------------------------------------------------------------------- quoting

int CNAConnectionDescription::_bNeedFormatName(CNAError*, const wchar_t* pszName) {
    if (m_nOpenQuoteLen == 0 && m_nCloseQuoteLen == 0) return 0;
    if (m_eDataSource == KIND_1) return s_bNeedFormat_Oracle(pszName);
    const wchar_t* pszOpen = m_csOpenQuote.pszGet();
    if (pszName == nullptr) pszName = L"";
    // A name that starts with the quote is taken as quoted already only when it is nothing but
    // quoted identifiers joined by dots: any other text after a closing quote would run as SQL.
    if (m_nOpenQuoteLen == 1 && pszName[0] == pszOpen[0])
        return m_nCloseQuoteLen == 1 && _bWellQuoted(pszName, pszOpen[0], m_csCloseQuote.pszGet()[0]) ? 0 : 1;
    if (m_nOpenQuoteLen < 2) return 1;
    return wcsncmp(pszName, pszOpen, m_nOpenQuoteLen) == 0 ? 0 : 1;
}

// A closing quote inside a name the driver quotes is doubled, as SQL reads a quote inside quotes;
// left single it would end the identifier early and let the rest of the name run as SQL.
int CNAConnectionDescription::bFormatItemName(CNAError* pclError, const wchar_t* pszName, CTString* pclOut) {
    if (!_bNeedFormatName(pclError, pszName)) {
        pclOut->Set(pszName);
        return 1;
    }
    CTString clName(pszName);
    if (m_nCloseQuoteLen != 0 && clName.nTaille() != 0) {
        CTString clDoubled(m_csCloseQuote.pszGet(), m_csCloseQuote.pszGet(), nullptr);
        clName.Remplace(m_csCloseQuote.pszGet(), clDoubled.pszGet(), 0);
    }
    CTString clOut(m_csOpenQuote.pszGet(), clName.pszGet(), m_csCloseQuote.pszGet());
    pclOut->Transfert(clOut);
    return 1;
}

int CNAConnectionDescription::bFormatTableName(CNAError* pclError, const wchar_t* pszName, CTString* pclOut) {
    if (!_bNeedFormatName(pclError, pszName)) {
        pclOut->Set(pszName);
        return 1;
    }
    if (_pszNameDot(pszName) == nullptr) return bFormatItemName(pclError, pszName, pclOut);
    CTString clOut, clPart;
    int bResult = 1;
    const wchar_t* pszStart = pszName;
    for (;;) {
        const wchar_t* pszDot = _pszNameDot(pszStart);
        CTString clRaw;
        if (pszDot != nullptr)
            clRaw.Set(pszStart, static_cast<unsigned long>(pszDot - pszStart));
        else
            clRaw.Set(pszStart);
        bResult = bFormatItemName(pclError, clRaw.pszGet(), &clPart);
        clOut.Add(clPart.pszGet());
        if (pszDot == nullptr) break;
        clOut.Add(L'.');
        pszStart = pszDot + 1;
    }
    pclOut->Transfert(clOut);
    return bResult;
}

void CNAConnectionDescription::UnFormatItemName(const wchar_t* pszName, CTString* pclOut) {
    size_t nLength = pszName != nullptr ? wcslen(pszName) : 0;
    const wchar_t* pszOpen = m_csOpenQuote.pszGet();
    const wchar_t* pszClose = m_csCloseQuote.pszGet();
    if (m_nOpenQuoteLen == 1 && m_nCloseQuoteLen == 1) {
        // Only one whole quoted identifier is read back, its doubled quotes as one: a name that
        // merely starts and ends with a quote is the name as it stands.
        if (nLength > 2 && _nQuotedPart(pszName, pszOpen[0], pszClose[0]) == nLength) {
            CTString clInner;
            for (size_t i = 1; i + 1 < nLength; i++) {
                clInner.Add(pszName[i]);
                if (pszName[i] == pszClose[0]) i++;
            }
            pclOut->Transfert(clInner);
        } else if (pclOut->pszGet() != pszName) {
            pclOut->Set(pszName);
        }
        return;
    }
    if (nLength > m_nOpenQuoteLen + m_nCloseQuoteLen &&
        (m_nOpenQuoteLen == 0 || wcsncmp(pszName, pszOpen, m_nOpenQuoteLen) == 0) &&
        (m_nCloseQuoteLen == 0 || wcsstr(pszName + m_nOpenQuoteLen, pszClose) != nullptr)) {
        // Copied before writing: the caller may pass the text out already holds.
        CTString clInner(pszName + m_nOpenQuoteLen, static_cast<long>(nLength - m_nOpenQuoteLen - m_nCloseQuoteLen));
        pclOut->Transfert(clInner);
        return;
    }
    if (pclOut->pszGet() != pszName) pclOut->Set(pszName);
}

void CNAConnectionDescription::DecomposeTableName(CTString* pclDataBase, CTString* pclOwner, CTString* pclTable,
                                                  const wchar_t* pszName) {
    pclDataBase->Vide();
    pclOwner->Vide();
    pclTable->Vide();
    if (pszName == nullptr) return;
    const wchar_t* pszFirst = _pszNameDot(pszName);
    if (pszFirst == nullptr) {
        pclTable->Set(pszName);
    } else {
        const wchar_t* pszSecond = _pszNameDot(pszFirst + 1);
        if (pszSecond == nullptr) {
            pclOwner->Set(pszName, static_cast<unsigned long>(pszFirst - pszName));
            pclTable->Set(pszFirst + 1);
        } else {
            pclDataBase->Set(pszName, static_cast<unsigned long>(pszFirst - pszName));
            pclOwner->Set(pszFirst + 1, static_cast<unsigned long>(pszSecond - pszFirst - 1));
            pclTable->Set(pszSecond + 1);
        }
    }
    for (CTString* pcl : {pclDataBase, pclOwner, pclTable})
        if (pcl->nTaille() != 0) pcl->Trim();
}

int CNAConnectionDescription::bExtractOwner(const wchar_t* pszOwner, const wchar_t* pszName, CTString* pclOwnerOut,
                                            CTString* pclTableOut) {
    if (!_bEmpty(pszOwner)) pclOwnerOut->Set(pszOwner);
    if (_bEmpty(pszName)) return 1;
    const wchar_t* pszDot = _pszNameDot(pszName);
    if (pclOwnerOut->nTaille() == 0 && pszDot != nullptr) {
        pclOwnerOut->Set(pszName, static_cast<unsigned long>(pszDot - pszName));
        pclTableOut->Set(pszDot + 1);
    } else {
        pclTableOut->Set(pszName);
    }
    return 1;
}

int CNAConnectionDescription::s_bReservedSQLWord(const wchar_t* pszName) {
    CTString clName(pszName);
    return clName.bEstEgalI(L"GROUP") ? 1 : 0;
}

int CNAConnectionDescription::s_bNeedFormat_Oracle(const wchar_t* pszName) {
    if (_bEmpty(pszName)) return s_bReservedSQLWord(pszName);
    if (pszName[0] == L'[' || pszName[0] == 34) return 0;
    if (wcschr(pszName, L' ') != nullptr || wcschr(pszName, 176) != nullptr || wcschr(pszName, L'-') != nullptr ||
        pszName[0] == L'_')
        return 1;
    return s_bReservedSQLWord(pszName);
}

// ---------------------------------------------------------------------------------- hexadecimal

void CNAConnectionDescription::s_BinaryToStringHexa(const unsigned char* pbyData, unsigned long nSize,
                                                    wchar_t* pszOut) {
    _BinaryToStringHexa(pbyData, nSize, pszOut);
}

void CNAConnectionDescription::s_BinaryToStringHexa(const unsigned char* pbyData, unsigned long nSize,
                                                    char* pszOut) {
    _BinaryToStringHexa(pbyData, nSize, pszOut);
}

int CNAConnectionDescription::s_bBinaryToStringHexa(CNAError* pclError, const unsigned char* pbyData,
                                                    unsigned long nSize, CTStringConcatAW* pclOut) {
    if (nSize == 0) return 1;
    std::vector<wchar_t> aDigits;
    try {
        aDigits.resize(2 * nSize + 1);
    } catch (const std::bad_alloc&) {
        aDigits.clear();
    }
    if (!aDigits.empty()) {
        _BinaryToStringHexa(pbyData, nSize, aDigits.data());
        pclOut->Add(aDigits.data(), static_cast<long>(2 * nSize));
        // A builder that could not grow keeps its text and says so: a value with digits missing
        // must not go to the server.
        if (!pclOut->bIsInError()) return 1;
    }
    if (pclError != nullptr) pclError->SetErrorNoMemory();
    return 0;
}

void CNAConnectionDescription::s_StringHexaToBinary(const wchar_t* pszText, unsigned char* pbyOut,
                                                    unsigned long nSize) {
    _StringHexaToBinary(pszText, pbyOut, nSize);
}

void CNAConnectionDescription::s_StringHexaToBinary(const char* pszText, unsigned char* pbyOut, unsigned long nSize) {
    _StringHexaToBinary(pszText, pbyOut, nSize);
}

// ---------------------------------------------------------------------------------- dates, times, modules

int CNAConnectionDescription::s_bTimeToStringIncomplete(CNAError*, CTStringConcatAW* pclOut, const wchar_t* pszDigits,
                                                        wchar_t cSeparator) {
    pclOut->Vide();
    if (pszDigits == nullptr) return 1;
    for (int i = 0; i < 9 && pszDigits[i] != 0; i++) {
        if (i == 2 || i == 4) pclOut->Add(L":", 1);
        if (i == 6) pclOut->Add(&cSeparator, 1);
        pclOut->Add(&pszDigits[i], 1);
    }
    return 1;
}

void CNAConnectionDescription::s_DateStandardise(CTString* pclText) {
    CTString clOut;
    const wchar_t* psz = pclText->pszGet();
    if (psz == nullptr) return;
    for (; *psz != 0; psz++)
        if (wcschr(L":- /.", *psz) == nullptr) clOut.Add(*psz);
    pclText->Transfert(clOut);
}

int CNAConnectionDescription::g_bGetModuleFileName(HINSTANCE hModule, CTString* pclOut) {
    constexpr unsigned ROOM = 1044;
    wchar_t szPath[ROOM];
    szPath[0] = 0;
    GetModuleFileNameW(hModule, szPath, ROOM);
    size_t nLength = wcsnlen(szPath, ROOM);
    pclOut->Set(szPath);
    // A path that fills the room may have been cut.
    return nLength != 0 && nLength < ROOM - 1 ? 1 : 0;
}

int CNAConnectionDescription::g_bGetExeName(CTString* pclOut) {
    CTString clPath;
    if (!g_bGetModuleFileName(nullptr, &clPath)) return 0;
    size_t n = static_cast<size_t>(clPath.nTaille());
    std::vector<wchar_t> aDirectory(n + 1), aName(n + 1), aExtension(n + 1);
    CDiskFile::__SplitPath(clPath.pszGet(), aDirectory.data(), aName.data(), aExtension.data());
    pclOut->Set(aName.data());
    return 1;
}
