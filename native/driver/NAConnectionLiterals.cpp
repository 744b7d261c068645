// CNAConnectionDescription: host values as SQL literals of the connection's dialect (texts,
// numbers, booleans, dates, times and date-times), the cast of a value to the type an item wants
// before it is written, and the value of a text as wide text.
//
// A literal is the only place where a host value enters SQL text, so every value that is not a
// number is written between quotes with its quotes doubled, and its backslashes doubled exactly
// when the server reads them as escapes.
#include <cstring>
#include <cwchar>

#include "core/Escapement.h"
#include "core/TStringConcatAW.h"
#include "core/XErrorModule.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NAItemDescription.h"
#include "platform/XTime.h"
#include "variant/Any.h"
#include "variant/DateTime.h"

namespace {

// Server kinds with forms of their own.
constexpr unsigned KIND_1 = 1;
constexpr unsigned KIND_2 = 2;
constexpr unsigned KIND_4 = 4;
constexpr unsigned KIND_5 = 5;
constexpr unsigned KIND_7 = 7;
constexpr unsigned KIND_8 = 8;
constexpr unsigned KIND_11 = 11;

// Sites of this unit's debug lines.
constexpr int SITE_DATE_UNREADABLE = 8;
constexpr int SITE_TIME_UNREADABLE = 9;
constexpr int SITE_VALUE_WITHOUT_TEXT = 18;

constexpr unsigned USER_ERROR_VALUE_NOT_VALID = 42;
constexpr unsigned USER_ERROR_DATE_UNREADABLE = 43;

// The value classes whose data is wide text.
bool _bWideTextType(unsigned short nType) {
    return nType == VQTYPE_DSTRW || nType == 20 || nType == VQTYPE_CARW || nType == VQTYPE_PSTRW;
}

// Text codes of the host language that this library holds no class for: their value is had
// through the host's conversion.
bool _bTextTypeWithoutClass(unsigned short nType) {
    return (nType >= 20 && nType <= 23) || nType == 134;
}

bool _bDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// An optional sign, digits with at most one decimal point (at least one digit), an optional
// exponent: what may stand bare in SQL as a number.
bool _bNumberText(const wchar_t* psz) {
    if (psz == nullptr) return false;
    if (*psz == L'-' || *psz == L'+') psz++;
    int nDigits = 0;
    for (; _bDigit(*psz); psz++) nDigits++;
    if (*psz == L'.')
        for (psz++; _bDigit(*psz); psz++) nDigits++;
    if (nDigits == 0) return false;
    if (*psz == L'e' || *psz == L'E') {
        psz++;
        if (*psz == L'-' || *psz == L'+') psz++;
        if (!_bDigit(*psz)) return false;
        while (_bDigit(*psz)) psz++;
    }
    return *psz == 0;
}

// A compact date, time or date-time text (digits, a blank after the date of a date-time) as the
// readers take it: anything else is not a date.
bool _bCompactDigits(const wchar_t* psz, bool bBlankAfterDate) {
    for (int i = 0; psz[i] != 0; i++)
        if (!_bDigit(psz[i]) && !(bBlankAfterDate && i == 8 && psz[i] == L' ')) return false;
    return true;
}

// The value's text through the host's conversion: 0 and the text, or the conversion's failure
// (a value converted to a NULL or to another type has no text: VQERR_TYPE).
int _nTextOf(const CAny* pclValue, CXYString<wchar_t>* pclOut) {
    CAny clCopy(*pclValue);
    int nResult = clCopy.__nCastTo(VQTYPE_DSTRW, nullptr, 1);
    if (nResult > VQERR_DERNIER_SUCCES_HOTE) return nResult;
    if (clCopy.nGetTypeCode() != VQTYPE_DSTRW || clCopy.bIsNull()) return VQERR_TYPE;
    clCopy.pclGetValeur()->nFillBuffer(pclOut);
    return VQERR_OK;
}

// A time cast from a text shorter than this is padded with '0' on the right: hours and minutes.
constexpr size_t TIME_TEXT_MIN = 4;

// Sites of the cast's failures.
constexpr int SITE_CAST_TIME = 14;
constexpr int SITE_CAST_DATE = 15;
constexpr int SITE_CAST_OTHER = 16;

}  // namespace

// ---------------------------------------------------------------------------------- helpers

int CNAConnectionDescription::bBackslashEscapesInLiterals() {
    CTString clValue;
    if (bGetServerParameter(L"standard_conforming_strings", &clValue)) {
        if (clValue.bEstEgalI(L"off")) return 1;
        if (clValue.bEstEgalI(L"on")) return 0;
    }
    return m_nServerMajor < 9 ? 1 : 0;
}

int CNAConnectionDescription::bCopyString(CNAError*, CXYString<wchar_t>* pclOut, const CAny* pclValue) {
    CXYString<wchar_t> clText;
    if (pclValue != nullptr && _nTextOf(pclValue, &clText) == VQERR_OK) *pclOut = clText;
    return 1;
}

// Every writer ends here: a builder that lost a piece of the text (memory) must not be sent.
static int _bLiteralWritten(CNAError* pclError, CNAConnectionDescription* pclCnx, CTStringConcatAW* pclOut) {
    if (!pclOut->bIsInError()) return 1;
    if (pclError != nullptr) pclError->SetErrorNoMemory(pclCnx);
    return 0;
}

int CNAConnectionDescription::_bQuoteText(CNAError* pclError, CTStringConcatAW* pclOut, const wchar_t* pszText,
                                          unsigned long n, const wchar_t* pszOpening) {
    const int bBackslash = bBackslashEscapesInLiterals();
    pclOut->Vide();
    // A server that reads backslashes as escapes warns of every plain literal that holds one (on
    // the host's standard error, through the client library); the escape form says it is meant.
    if (bBackslash && n != 0 && wcscmp(pszOpening, L"'") == 0 && wmemchr(pszText, L'\\', n) != nullptr)
        pszOpening = L"E'";
    pclOut->AddStrCte(pszOpening, -1);
    // Runs of plain characters go in one piece; each quote is doubled, each backslash too when the
    // server reads it as an escape.
    unsigned long nRun = 0;
    for (unsigned long i = 0; i < n; i++) {
        const wchar_t c = pszText[i];
        if (c != L'\'' && !(bBackslash && c == L'\\')) continue;
        pclOut->Add(pszText + nRun, static_cast<long>(i + 1 - nRun));
        pclOut->Add(&c, 1);
        nRun = i + 1;
    }
    pclOut->Add(pszText + nRun, static_cast<long>(n - nRun));
    pclOut->AddStrCte(L"'", 1);
    return _bLiteralWritten(pclError, this, pclOut);
}

// ---------------------------------------------------------------------------------- texts and booleans

int CNAConnectionDescription::_bEscapeString(CNAError* pclError, CTStringConcatAW* pclOut, unsigned short nType,
                                             unsigned char* pbyData, unsigned long nSize) {
    if (nSize == 0 || pbyData == nullptr) {
        pclOut->SetStrCte(L"''", 2);
        return _bLiteralWritten(pclError, this, pclOut);
    }
    if (_bWideTextType(nType)) {
        const wchar_t* psz = reinterpret_cast<const wchar_t*>(pbyData);
        unsigned long n = nSize / sizeof(wchar_t);
        while (n > 0 && psz[n - 1] == 0) n--;
        const unsigned nKind = m_eDataSource;
        return _bQuoteText(pclError, pclOut, psz, n, nKind == KIND_1 || nKind == KIND_2 ? L"N'" : L"'");
    }
    // 8-bit text up to its terminator, in the host language's code page; escaped as characters,
    // so that no byte of a multi-byte character is taken for a quote or a backslash.
    const char* psz = reinterpret_cast<const char*>(pbyData);
    unsigned long n = 0;
    while (n < nSize && psz[n] != 0) n++;
    CXYStringConcat<wchar_t> clWide(n + 1);
    clWide.AddAnsi(psz, static_cast<long>(n), m_nCodePage);
    if (clWide.bIsInError()) {
        if (pclError != nullptr) pclError->SetErrorNoMemory(this);
        return 0;
    }
    return _bQuoteText(pclError, pclOut, clWide.pszGet(), clWide.nGetLongueur(), L"'");
}

int CNAConnectionDescription::_bBoolToString(CNAError* pclError, CTStringConcatAW* pclOut, int bValue) {
    pclOut->SetStrCte(bValue ? L"1" : L"0", 1);
    return _bLiteralWritten(pclError, this, pclOut);
}

// ---------------------------------------------------------------------------------- dates and times

int CNAConnectionDescription::_bDateToString(CNAError* pclError, CTStringConcatAW* pclOut, const wchar_t* pszLiteral,
                                             int bEscape) {
    pclOut->Vide();
    if (bEscape) pclOut->AddStrCte(L"{d ", 3);
    pclOut->AddStrCte(pszLiteral, -1);
    if (bEscape) pclOut->AddStrCte(L"}", 1);
    return _bLiteralWritten(pclError, this, pclOut);
}

int CNAConnectionDescription::_bDateTimeToString(CNAError* pclError, CTStringConcatAW* pclOut,
                                                 const wchar_t* pszLiteral, int bEscape) {
    pclOut->Vide();
    if (bEscape) pclOut->AddStrCte(L"{ts ", 4);
    pclOut->AddStrCte(pszLiteral, -1);
    if (bEscape) pclOut->AddStrCte(L"}", 1);
    return _bLiteralWritten(pclError, this, pclOut);
}

int CNAConnectionDescription::_bDateToString(CNAError* pclError, CTStringConcatAW* pclOut, const CXTime& clTime,
                                             int bEscape) {
    CTString clLiteral;
    clLiteral.printf(L"'%04d-%02d-%02d'", clTime.nGetYear(), clTime.nGetMonth(), clTime.nGetDay());
    return _bDateToString(pclError, pclOut, clLiteral.pszGet(), bEscape);
}

int CNAConnectionDescription::_bDateTimeToString(CNAError* pclError, CTStringConcatAW* pclOut, const CXTime& clTime,
                                                 int bEscape) {
    CTString clLiteral;
    clLiteral.printf(L"'%04d-%02d-%02d %02d:%02d:%02d.%03d'", clTime.nGetYear(), clTime.nGetMonth(), clTime.nGetDay(),
                     clTime.nGetHour(), clTime.nGetMinute(), clTime.nGetSecond(),
                     static_cast<int>(clTime.nGetMilliseconds()));
    return _bDateTimeToString(pclError, pclOut, clLiteral.pszGet(), bEscape);
}

int CNAConnectionDescription::_bTimeToString(CNAError* pclError, CTStringConcatAW* pclOut, const CXTime& clTime,
                                             int bEscape) {
    CTString clLiteral;
    const unsigned nKind = m_eDataSource;
    if (nKind == KIND_7 || nKind == KIND_8 || nKind == KIND_11)
        clLiteral.printf(L"'%02d:%02d:%02d'", clTime.nGetHour(), clTime.nGetMinute(), clTime.nGetSecond());
    else
        clLiteral.printf(L"'%02d:%02d:%02d.%03d'", clTime.nGetHour(), clTime.nGetMinute(), clTime.nGetSecond(),
                         static_cast<int>(clTime.nGetMilliseconds()));
    pclOut->Vide();
    if (bEscape) pclOut->AddStrCte(L"{t ", 3);
    pclOut->Add(clLiteral);
    if (bEscape) pclOut->AddStrCte(L"}", 1);
    return _bLiteralWritten(pclError, this, pclOut);
}

int CNAConnectionDescription::_bDateToString(CNAError* pclError, CTStringConcatAW* pclOut, const CAny* pclValue,
                                             eNA_ITEMTYPE eItemType) {
    const unsigned nKind = m_eDataSource;
    if (nKind == KIND_7 || nKind == KIND_8) {
        _bDateToStringWorker(pclError, pclOut, pclValue, eItemType, 1);
        return 1;
    }
    return _bDateToStringWorker(pclError, pclOut, pclValue, eItemType, 0);
}

int CNAConnectionDescription::_bDateToStringWorker(CNAError* pclError, CTStringConcatAW* pclOut, const CAny* pclValue,
                                                   eNA_ITEMTYPE eItemType, int bEscape) {
    const unsigned nKind = m_eDataSource;
    const unsigned short nType = pclValue->nGetTypeCode();
    // The compact text: AAAAMMJJ, HHMMSSmmm or both.
    CTString clText;
    switch (nType) {
        case VQTYPE_DATEW:
        case VQTYPE_TIMEW: {
            const wchar_t* psz = nullptr;
            pclValue->pclGetValeur()->nGetPCWSTR(&psz);
            clText.Set(psz);
            break;
        }
        case VQTYPE_DATEA:
        case VQTYPE_TIMEA: {
            const char* psz = nullptr;
            pclValue->pclGetValeur()->nGetPCASTR(&psz);
            clText.SetANSI(psz, 1252);
            break;
        }
        case VQTYPE_DATETIME: {
            CDateTime clDateTime;
            memcpy(&clDateTime, pclValue->pbyGetValeur(), sizeof(clDateTime));
            clDateTime.VersChaine(&clText);
            break;
        }
        default:
            pclOut->Vide();
            return _bLiteralWritten(pclError, this, pclOut);
    }
    if (clText.nTaille() == 0) {
        pclOut->SetStrCte(L"NULL", 4);
        return _bLiteralWritten(pclError, this, pclOut);
    }
    const wchar_t* pszText = clText.pszGet();
    const bool bZeroDate = wcsncmp(pszText, L"00000000", 8) == 0;

    if (nType == VQTYPE_DATEW || nType == VQTYPE_DATEA) {
        if (nKind == KIND_5 && bZeroDate) return _bDateToString(pclError, pclOut, L"'0000-00-00'", bEscape);
        CXTime clTime;
        // Only digits make a date: a text the reader would take apart field by field whatever it
        // holds is refused rather than written as another day.
        if (!_bCompactDigits(pszText, false) || !clTime.bSetVQDateTimeMin(pszText, -1)) {
            if (pclError != nullptr)
                pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, SITE_DATE_UNREADABLE, this,
                                   USER_ERROR_DATE_UNREADABLE);
            return 0;
        }
        if (nKind == KIND_11) {
            CTString clLiteral;
            clLiteral.printf(L"MDY(%02d,%02d,%04d)", clTime.nGetMonth(), clTime.nGetDay(), clTime.nGetYear());
            pclOut->SetStrCte(clLiteral.pszGet(), clLiteral.nTaille());
            return _bLiteralWritten(pclError, this, pclOut);
        }
        return _bDateToString(pclError, pclOut, clTime, bEscape);
    }

    if (nType == VQTYPE_TIMEW || nType == VQTYPE_TIMEA) {
        CXTime clTime;
        if (!_bCompactDigits(pszText, false) || !clTime.bSetVQTimeMin(pszText, -1)) {
            if (pclError != nullptr)
                pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, SITE_TIME_UNREADABLE, this,
                                   USER_ERROR_DATE_UNREADABLE);
            return 0;
        }
        if (nKind == KIND_11) {
            CTString clLiteral;
            clLiteral.printf(L"DATETIME(%02d:%02d) HOUR TO MINUTE", clTime.nGetHour(), clTime.nGetMinute());
            pclOut->SetStrCte(clLiteral.pszGet(), clLiteral.nTaille());
            return _bLiteralWritten(pclError, this, pclOut);
        }
        return _bTimeToString(pclError, pclOut, clTime, bEscape);
    }

    // A date-time.
    CXTime clTime;
    clTime.bSetVQDateTimeMin(pszText, -1);
    if (eItemType == NA_IT_HEURE) return _bTimeToString(pclError, pclOut, clTime, bEscape);
    if (nKind == KIND_5 && bZeroDate) {
        CTString clLiteral;
        clLiteral.printf(L"'00000-00-00 %02d:%02d:%02d.%03d'", clTime.nGetHour(), clTime.nGetMinute(),
                         clTime.nGetSecond(), static_cast<int>(clTime.nGetMilliseconds()));
        return _bDateTimeToString(pclError, pclOut, clLiteral.pszGet(), bEscape);
    }
    if (nKind == KIND_11) {
        CTString clLiteral;
        clLiteral.printf(L"DATETIME(%04d-%02d-%02d %02d:%02d:%02d.%03d) YEAR TO FRACTION", clTime.nGetYear(),
                         clTime.nGetMonth(), clTime.nGetDay(), clTime.nGetHour(), clTime.nGetMinute(),
                         clTime.nGetSecond(), static_cast<int>(clTime.nGetMilliseconds()));
        pclOut->SetStrCte(clLiteral.pszGet(), clLiteral.nTaille());
        return _bLiteralWritten(pclError, this, pclOut);
    }
    if (nKind == KIND_2 && clTime.nGetYear() == 0) {
        CTString clLiteral;
        clLiteral.printf(L"'1900-%02d-%02d %02d:%02d:%02d.%03d'", clTime.nGetMonth(), clTime.nGetDay(),
                         clTime.nGetHour(), clTime.nGetMinute(), clTime.nGetSecond(),
                         static_cast<int>(clTime.nGetMilliseconds()));
        return _bDateTimeToString(pclError, pclOut, clLiteral.pszGet(), bEscape);
    }
    return _bDateTimeToString(pclError, pclOut, clTime, bEscape);
}

// ---------------------------------------------------------------------------------- values

int CNAConnectionDescription::bConvertValueToString(CNAError* pclError, CTStringConcatAW* pclOut, const CAny* pclValue,
                                                    eNA_ITEMTYPE eItemType, eNA_ITEMTYPE eSourceType) {
    if (pclValue == nullptr || pclValue->bIsNull()) {
        pclOut->SetStrCte(L"NULL", 4);
        return _bLiteralWritten(pclError, this, pclOut);
    }

    // Binary values of a dialect that writes them as digits between a prefix and a suffix.
    if (pclValue->nGetTypeCode() == VQTYPE_BIN &&
        (eItemType == NA_IT_EMPTY || ConverteItemToVQType(eItemType, -1) == VQTYPE_BIN) &&
        m_csBinaryPrefix.nTaille() != 0) {
        void* pData = nullptr;
        unsigned long nSize = 0;
        pclValue->pclGetValeur()->nGetDataAdr(&pData);
        pclValue->pclGetValeur()->nGetUtilDataSize(&nSize);
        if (pData == nullptr) nSize = 0;
        if (nSize == 0 && static_cast<unsigned>(m_eDataSource) == KIND_4) {
            pclOut->SetStrCte(L"''", 2);
            return _bLiteralWritten(pclError, this, pclOut);
        }
        pclOut->Vide();
        pclOut->Add(m_csBinaryPrefix);
        if (!s_bBinaryToStringHexa(pclError, static_cast<const unsigned char*>(pData), nSize, pclOut)) return 0;
        pclOut->Add(m_csBinarySuffix);
        return _bLiteralWritten(pclError, this, pclOut);
    }

    // The value in the item's own type when it can be had; else as it is (the cast reported why).
    CAny clCast;
    const CAny* pclUsed = pclValue;
    if (eItemType != NA_IT_EMPTY) {
        clCast = *pclValue;
        if (bCastCAnyIntoDBType(pclError, &clCast, eItemType, eSourceType, 1)) pclUsed = &clCast;
    }
    const unsigned short nType = pclUsed->nGetTypeCode();

    switch (nType) {
        case VQTYPE_VIDE:
            pclOut->SetStrCte(L"NULL", 4);
            return _bLiteralWritten(pclError, this, pclOut);

        case VQTYPE_BOOL: {
            // The stored word, whatever flags the type word carries.
            int32_t nValue;
            memcpy(&nValue, pclUsed->pbyGetValeur(), sizeof(nValue));
            return _bBoolToString(pclError, pclOut, nValue);
        }

        case VQTYPE_DATEW:
        case VQTYPE_TIMEW:
        case VQTYPE_DATETIME:
        case VQTYPE_DATEA:
        case VQTYPE_TIMEA:
            return _bDateToString(pclError, pclOut, pclUsed, eItemType);

        case VQTYPE_DSTRW:
        case VQTYPE_CARA:
        case VQTYPE_PSTRA:
        case VQTYPE_DSTRA:
        case 20:
        case 21:
        case 22:
        case 23:
        case VQTYPE_BIN:
        case VQTYPE_BUFFER:
        case VQTYPE_MEMOIMG:
        case VQTYPE_CARW:
        case VQTYPE_PSTRW:
        case 134: {
            void* pData = nullptr;
            unsigned long nSize = 0;
            pclUsed->pclGetValeur()->nGetDataAdr(&pData);
            pclUsed->pclGetValeur()->nGetUtilDataSize(&nSize);
            if (pData == nullptr) {
                if (_bTextTypeWithoutClass(nType)) break;  // its text through the host, below
                if (nType != VQTYPE_BIN && nType != VQTYPE_BUFFER && nType != VQTYPE_MEMOIMG) {
                    pclOut->SetStrCte(L"NULL", 4);
                    return _bLiteralWritten(pclError, this, pclOut);
                }
                // A byte string that holds no bytes is empty, not NULL.
                static unsigned char s_byNone = 0;
                pData = &s_byNone;
                nSize = 0;
            }
            if (nType == VQTYPE_CARA && *static_cast<const unsigned char*>(pData) == 0) nSize = 0;
            if (nType == VQTYPE_CARW && *static_cast<const wchar_t*>(pData) == 0) nSize = 0;
            return _bEscapeString(pclError, pclOut, nType, static_cast<unsigned char*>(pData), nSize);
        }

        default:
            break;
    }

    // Numbers and every other value: their text through the host.
    CXYString<wchar_t> clText;
    int nResult = _nTextOf(pclUsed, &clText);
    if (nResult != VQERR_OK) {
        if (pclError != nullptr)
            pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, SITE_VALUE_WITHOUT_TEXT, this,
                               USER_ERROR_VALUE_NOT_VALID);
        return 0;
    }
    CTString clNumber(clText.pszGet());
    switch (nType) {
        case VQTYPE_CY:
        case VQTYPE_R4:
        case VQTYPE_R8:
        case VQTYPE_DECIMAL:
            // The host writes the decimal separator of its language; SQL wants a point.
            clNumber.Remplace(L',', L'.');
            if (!_bNumberText(clNumber.pszGet())) break;
            pclOut->Vide();
            if (nType == VQTYPE_R4) pclOut->AddStrCte(L"CAST(", 5);
            pclOut->Add(clNumber);
            if (nType == VQTYPE_R4) pclOut->AddStrCte(L" AS REAL)", 9);
            return _bLiteralWritten(pclError, this, pclOut);
        case VQTYPE_UI1:
        case VQTYPE_UI2:
        case VQTYPE_UI4:
        case VQTYPE_UI8:
        case VQTYPE_I1:
        case VQTYPE_I2:
        case VQTYPE_I4:
        case VQTYPE_I8:
        case VQTYPE_UIX:
        case VQTYPE_I8_BIS:
        case VQTYPE_DUREE:
            if (!_bNumberText(clNumber.pszGet())) break;
            pclOut->SetStrCte(clNumber.pszGet(), clNumber.nTaille());
            return _bLiteralWritten(pclError, this, pclOut);
        default:
            break;
    }
    // Anything that is not a plain number goes in quotes, as text.
    return _bQuoteText(pclError, pclOut, clText.pszGet(), static_cast<unsigned long>(clText.nGetLongueur()), L"'");
}

// ---------------------------------------------------------------------------------- casts

int CNAConnectionDescription::bCastCAnyIntoDBType(CNAError* pclError, CAny* pclValue, eNA_ITEMTYPE eItemType,
                                                  eNA_ITEMTYPE eSourceType, int bConvertAll) {
    const unsigned short nTarget = ConverteItemToVQType(eItemType != NA_IT_EMPTY ? eItemType : eSourceType, -1);
    const unsigned short nCurrent = pclValue->nGetTypeCode();
    // An item type without a language type asks for nothing.
    if (nCurrent == nTarget || nTarget == VQTYPE_VIDE) return 1;
    if ((nTarget == VQTYPE_DSTRA && nCurrent == VQTYPE_PSTRA) || (nTarget == VQTYPE_DSTRW && nCurrent == VQTYPE_PSTRW))
        return 1;

    auto bFailed = [&](int nResult, unsigned short nTo, int nSite) {
        if (nResult <= VQERR_DERNIER_SUCCES_HOTE) return false;
        if (pclError != nullptr)
            pclError->SetAnyError(nResult, nCurrent, nTo, CNAError::FILE_CONNECTION, nSite, this, nullptr, nullptr);
        return true;
    };

    if (nTarget == VQTYPE_DATEA || nTarget == VQTYPE_TIMEA || nTarget == VQTYPE_DATETIME) {
        if (nCurrent == VQTYPE_DATETIME) return 1;
        if (nCurrent == VQTYPE_TIMEA || nCurrent == VQTYPE_TIMEW) {
            if (nTarget != VQTYPE_DATEA) return 1;
            // A time has no date: the item gets the empty date.
            pclValue->__SetType(VQTYPE_DATEA, 0);
            return 1;
        }
        const bool bTime = eSourceType == NA_IT_HEURE;
        const unsigned short nTo = bTime ? static_cast<unsigned short>(VQTYPE_TIMEA) : nTarget;
        const int nSite = bTime ? SITE_CAST_TIME : SITE_CAST_DATE;
        if (bFailed(pclValue->__nCastTo(VQTYPE_PSTRA, nullptr, 1), nTo, nSite)) return 0;
        if (bTime) {
            const char* psz = nullptr;
            pclValue->pclGetValeur()->nGetPCASTR(&psz);
            size_t n = psz != nullptr ? strlen(psz) : 0;
            if (n < TIME_TEXT_MIN) {
                char sz[TIME_TEXT_MIN + 1] = "0000";
                if (n > 0) memcpy(sz, psz, n);
                pclValue->pclGetValeur()->SetValue(sz);
                pclValue->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
            }
        }
        return bFailed(pclValue->__nCastTo(nTo, nullptr, 1), nTo, nSite) ? 0 : 1;
    }

    if (nCurrent == VQTYPE_BIN || nCurrent == VQTYPE_BUFFER || nCurrent == VQTYPE_MEMOIMG) return 1;
    if (!bConvertAll) {
        // Numbers stay as they are where the item's type could lose range or precision.
        switch (nCurrent) {
            case VQTYPE_I2:
                if (nTarget == VQTYPE_I1) return 1;
                break;
            case VQTYPE_I4:
                if (nTarget == VQTYPE_I1 || nTarget == VQTYPE_I2 || nTarget == VQTYPE_R4) return 1;
                break;
            case VQTYPE_I8: {
                if (nTarget == VQTYPE_I1 || nTarget == VQTYPE_I2 || nTarget == VQTYPE_R4 || nTarget == VQTYPE_R8)
                    return 1;
                if (nTarget == VQTYPE_I4) {
                    int64_t nValue;
                    memcpy(&nValue, pclValue->pbyGetValeur(), sizeof(nValue));
                    if (nValue < -2147483647LL || nValue > 2147483646LL) return 1;
                }
                break;
            }
            case VQTYPE_R4:
                if (nTarget == VQTYPE_I1 || nTarget == VQTYPE_I2 || nTarget == VQTYPE_I4 || nTarget == VQTYPE_I8)
                    return 1;
                break;
            case VQTYPE_R8:
                if (nTarget == VQTYPE_I1 || nTarget == VQTYPE_I2 || nTarget == VQTYPE_I4 || nTarget == VQTYPE_I8 ||
                    nTarget == VQTYPE_R4)
                    return 1;
                break;
            default:
                break;
        }
    }
    return bFailed(pclValue->__nCastTo(nTarget, nullptr, 1), nTarget, SITE_CAST_OTHER) ? 0 : 1;
}

// ---------------------------------------------------------------------------------- expressions and defaults

int CNAConnectionDescription::bConvertExpressionToString(CNAError* pclError, CTStringConcatAW* pclOut,
                                                         const wchar_t* pszExpression, INAItemDescription* piItem,
                                                         INAItemDescription*) {
    // The mask of TO_CHAR and, for a time that keeps only part of its digits, how many it keeps.
    const wchar_t* pszMask = nullptr;
    long nKeep = 0;
    if (static_cast<unsigned>(m_eDataSource) == DATASOURCE_POSTGRESQL && piItem != nullptr) {
        switch (piItem->eNAGetItemType()) {
            case NA_IT_DATE8:
                pszMask = L"'YYYYMMDD'";
                break;
            case NA_IT_DATETIME:
                pszMask = L"'YYYYMMDDHH24MISSMS'";
                break;
            case NA_IT_HEURE:
                // The host's time text has nine digits; an item of subtype n keeps n - 1 of them.
                switch (piItem->nGetIntegerPart() + piItem->nGetDecimalPart()) {
                    case 5:
                        pszMask = L"'HH24MI'";
                        break;
                    case 6:
                        pszMask = L"'HH24MISS'";
                        nKeep = 5;
                        break;
                    case 7:
                        pszMask = L"'HH24MISS'";
                        break;
                    case 8:
                        pszMask = L"'HH24MISSMS'";
                        nKeep = 7;
                        break;
                    case 9:
                        pszMask = L"'HH24MISSMS'";
                        nKeep = 8;
                        break;
                    case 10:
                        pszMask = L"'HH24MISSMS'";
                        break;
                    default:
                        break;
                }
                break;
            default:
                break;
        }
    }
    pclOut->Vide();
    if (pszMask == nullptr) {
        pclOut->AddStrCte(pszExpression != nullptr ? pszExpression : L"", -1);
        _bLiteralWritten(pclError, this, pclOut);
        return 0;
    }
    if (nKeep != 0) pclOut->AddStrCte(L"SUBSTR(", 7);
    pclOut->AddStrCte(L"TO_CHAR(", 8);
    pclOut->AddStrCte(pszExpression != nullptr ? pszExpression : L"", -1);
    pclOut->AddStrCte(L",", 1);
    pclOut->AddStrCte(pszMask, -1);
    pclOut->AddStrCte(L")", 1);
    if (nKeep != 0) {
        pclOut->AddStrCte(L", 1, ", 5);
        pclOut->AddNumber(nKeep, -1);
        pclOut->AddStrCte(L")", 1);
    }
    return _bLiteralWritten(pclError, this, pclOut);
}

int CNAConnectionDescription::bConvertStringToDefaultValue(CAny* pclOut, const wchar_t* pszText,
                                                           CNAItemDescription* pclItem, CNAError* pclError) {
    const unsigned short nType = pclItem->eGetItemVQType();
    pclOut->__SetType(nType, 0);
    if (pszText == nullptr || (*pszText == 0 && static_cast<unsigned>(m_eDataSource) == KIND_1) ||
        CTString(L"NULL").bEstEgalI(pszText)) {
        pclOut->SetNull(1);
        return 1;
    }
    if (*pszText == 0) return 1;

    // No driver object, no factory: nothing can be made (the factory reports its own failures).
    if (CNADriver::s_pclDriver == nullptr) {
        if (pclError != nullptr) pclError->SetErrorNoMemory(this);
        return 0;
    }
    CNAConvertVariant* pclConverter = CNADriver::s_pclDriver->pclAllocVariant(pclError, this);
    if (pclConverter == nullptr) return 0;
    pclConverter->AddRef();
    pclConverter->InitTypeVariantAny(nType, 0);
    pclConverter->SetItemDesc(pclItem, pclItem);

    // A quoted text is read as the server wrote it in its literal: quotes doubled, backslashes
    // doubled only where the server reads them as escapes.
    CTString clText(pszText);
    const long nLength = clText.nTaille();
    // The escape form E'...' reads its backslashes as escapes whatever the server's setting.
    const bool bEscapeForm = nLength >= 3 && (pszText[0] == L'E' || pszText[0] == L'e') && pszText[1] == L'\'' &&
                             pszText[nLength - 1] == L'\'';
    if (bEscapeForm || (nLength >= 2 && pszText[0] == L'\'' && pszText[nLength - 1] == L'\'')) {
        const long nOpening = bEscapeForm ? 2 : 1;
        clText = clText.clMilieu(nOpening, nLength - nOpening - 1);
        if (clText.nTaille() != 0) {
            wchar_t* psz = const_cast<wchar_t*>(clText.pszGet());
            if (bEscapeForm || bBackslashEscapesInLiterals())
                PurgeEscapeBackSlash(psz);
            else
                PurgeQuote(psz, 0);
        }
    }
    const wchar_t* psz = clText.pszGet() != nullptr ? clText.pszGet() : L"";
    int bResult = pclConverter->bSetValueFromDB(psz, static_cast<unsigned long>(wcslen(psz)));
    if (bResult) bResult = pclConverter->bGetValue(pclOut);
    pclConverter->nRelease();
    return bResult;
}
