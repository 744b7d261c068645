// CNACommand: names as the server reads them, the dialect's names and types of the host's
// functions, the date and time columns compared as compact text, and the row limit of the
// formatted SQL written as the dialect wants it (TOP after SELECT, or LIMIT at the end).
#include <cwchar>
#include <cwctype>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/DriverServices.h"
#include "native/sql/NACommand.h"

namespace {

// Server kinds with forms of their own.
constexpr unsigned KIND_5 = 5;

// ------------------------------------------------------------------ quoted names

// Length of the quoted identifier that starts psz (the quote, the name with each quote doubled,
// the quote); 0 when psz does not start one.
size_t _nQuotedPart(const wchar_t* psz, wchar_t cQuote) {
    if (psz[0] != cQuote) return 0;
    for (size_t i = 1;; i++) {
        if (psz[i] == 0) return 0;
        if (psz[i] != cQuote) continue;
        if (psz[i + 1] != cQuote) return i + 1;
        i++;
    }
}

// The name is quoted identifiers only, joined by dots.
bool _bWellQuoted(const wchar_t* psz, wchar_t cQuote) {
    for (;;) {
        const size_t n = _nQuotedPart(psz, cQuote);
        if (n == 0) return false;
        psz += n;
        if (*psz == 0) return true;
        if (*psz != L'.') return false;
        psz++;
    }
}

// A name that starts with an ASCII letter, a digit or an underscore cannot start with an
// identifier quote of any dialect: the connection quotes it as a plain name, and asking it for its
// quotes first (a whole name formatted as a probe) is work for nothing on every SELECT.
bool _bPlainStart(wchar_t c) {
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z') || (c >= L'0' && c <= L'9') || c == L'_';
}

// One name between the quotes, each quote inside it doubled.
void _Quote(const wchar_t* pszName, size_t n, wchar_t cQuote, CTString* pclOut) {
    pclOut->Add(cQuote);
    for (size_t i = 0; i < n; i++) {
        pclOut->Add(pszName[i]);
        if (pszName[i] == cQuote) pclOut->Add(cQuote);
    }
    pclOut->Add(cQuote);
}

// The text starts with the keyword (given in capitals), whatever the case of its letters: the
// keywords looked for here are ASCII letters, which only ASCII letters fold to.
bool _bStartsWithKeyword(const wchar_t* psz, const wchar_t* pszKeyword) {
    for (; *pszKeyword != 0; psz++, pszKeyword++) {
        const wchar_t c = *psz >= L'a' && *psz <= L'z' ? static_cast<wchar_t>(*psz - (L'a' - L'A')) : *psz;
        if (c != *pszKeyword) return false;
    }
    return true;
}

// The decimal digits of a count (not negative) appended at pszOut; the end written.
wchar_t* _pszAppendCount(wchar_t* pszOut, int64_t ll) {
    wchar_t szDigits[24];
    int n = 0;
    uint64_t u = static_cast<uint64_t>(ll);
    do {
        szDigits[n++] = static_cast<wchar_t>(L'0' + u % 10);
        u /= 10;
    } while (u != 0);
    while (n > 0) *pszOut++ = szDigits[--n];
    return pszOut;
}

wchar_t* _pszAppendText(wchar_t* pszOut, const wchar_t* psz) {
    while (*psz != 0) *pszOut++ = *psz++;
    return pszOut;
}

// ------------------------------------------------------------------ the dialects' function names

struct stFunctionName {
    int nOperator;
    unsigned nKind;
    const wchar_t* pszName;
};

const stFunctionName s_tabFunctionNames[] = {
    {7, 11, L"NVL"},
    {8, 11, L"NVL"},
    {42, 6, L"SUBSTRING"},
    {42, 1, L"SUBSTR"},
    {42, 11, L"SUBSTR"},
    {42, 13, L"SUBSTR"},
    {43, 6, L"SUBSTRING"},
    {43, 1, L"SUBSTR"},
    {43, 11, L"SUBSTR"},
    {43, 13, L"SUBSTR"},
    {44, 6, L"SUBSTRING"},
    {44, 1, L"SUBSTR"},
    {44, 2, L"SUBSTRING"},
    {44, 4, L"SUBSTRING"},
    {44, 7, L"SYSIBM.SUBSTR"},
    {44, 8, L"SUBSTR"},
    {44, 11, L"SUBSTR"},
    {45, 7, L"UCASE"},
    {46, 7, L"LCASE"},
    {50, 6, L"SUBSTRING"},
    {50, 2, L"SUBSTRING"},
    {50, 4, L"SUBSTRING"},
    {50, 7, L"SYSIBM.SUBSTR"},
    {51, 1, L"SUBSTR"},
    {51, 7, L"SYSIBM.SUBSTR"},
    {51, 11, L"SUBSTR"},
    {51, 13, L"SUBSTR"},
    {52, 11, L"TRIM"},
    {53, 11, L"TRIM"},
    {54, 2, L"LEN"},
    {54, 4, L"CHAR_LENGTH"},
    {55, 1, L"LENGTH"},
    {55, 7, L"LENGTH"},
    {55, 8, L"LENGTH"},
    {55, 11, L"LENGTH"},
    {55, 13, L"LENGTH"},
    {72, 1, L"CEIL"},
    {75, 1, L"SUBSTR"},
    {76, 1, L"SUBSTR"},
    {77, 1, L"LENGTH"},
    {78, 1, L"LENGTH"},
    {79, 1, L"LENGTHB"},
    {89, 1, L"INSTR"},
    {92, 1, L"TO_CHAR"},
    {92, 11, L"SUBSTR(HEX"},
};

bool _bIn(int n, std::initializer_list<int> tab) {
    for (int k : tab)
        if (k == n) return true;
    return false;
}

bool _bDateType(eNA_ITEMTYPE e) {
    return e == NA_IT_DATE6 || e == NA_IT_DATE8 || e == NA_IT_DATETIME;
}

// ------------------------------------------------------------------ numbers in the text

bool _bDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}

// Reads the decimal number at i (moved past it); false when no digit stands there or the number
// passes 18 digits.
bool _bReadNumber(const wchar_t* psz, unsigned long* pi, int64_t* pll) {
    unsigned long i = *pi;
    int64_t ll = 0;
    int nDigits = 0;
    for (; _bDigit(psz[i]); i++) {
        if (++nDigits > 18) return false;
        ll = ll * 10 + (psz[i] - L'0');
    }
    if (nDigits == 0) return false;
    *pi = i;
    *pll = ll;
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------- names

void CNACommand::_FormatItemName(const wchar_t* pszName, CTString* pclOut) {
    if (pszName == nullptr) pszName = L"";
    if (m_pclConnection != nullptr && _bPlainStart(pszName[0])) {
        m_pclConnection->bFormatItemName(m_pclError, pszName, pclOut);
        return;
    }
    CTString clOpen, clClose;
    s_GetIdentifierQuotes(m_pclConnection, &clOpen, &clClose);
    // The connection passes a name that starts with its quote as it stands, taking it for one it
    // quoted itself; a name that only starts like one would end its identifier early and run on as
    // SQL, so it is quoted as any other name.
    if (clOpen.nTaille() == 1 && clOpen == clClose && pszName[0] == clOpen.cGetChar(0)) {
        pclOut->Vide();
        if (_bWellQuoted(pszName, clOpen.cGetChar(0)))
            pclOut->Set(pszName);
        else
            _Quote(pszName, wcslen(pszName), clOpen.cGetChar(0), pclOut);
        return;
    }
    if (m_pclConnection == nullptr)
        pclOut->Set(pszName);
    else
        m_pclConnection->bFormatItemName(m_pclError, pszName, pclOut);
}

void CNACommand::_FormatTableName(const wchar_t* pszName, CTString* pclOut) {
    if (pszName == nullptr) pszName = L"";
    if (m_pclConnection != nullptr && _bPlainStart(pszName[0])) {
        m_pclConnection->bFormatTableName(m_pclError, pszName, pclOut);
        return;
    }
    CTString clOpen, clClose;
    s_GetIdentifierQuotes(m_pclConnection, &clOpen, &clClose);
    if (clOpen.nTaille() == 1 && clOpen == clClose && pszName[0] == clOpen.cGetChar(0)) {
        const wchar_t cQuote = clOpen.cGetChar(0);
        if (_bWellQuoted(pszName, cQuote)) {
            pclOut->Set(pszName);
            return;
        }
        // Each part of the qualified name on its own, as the connection splits a plain name.
        CTString clOut, clPart;
        for (const wchar_t* pszPart = pszName;;) {
            const wchar_t* pszDot = wcschr(pszPart, L'.');
            const size_t n = pszDot != nullptr ? static_cast<size_t>(pszDot - pszPart) : wcslen(pszPart);
            CTString clRaw;
            clRaw.Set(pszPart, static_cast<unsigned long>(n));
            _FormatItemName(clRaw.pszGet(), &clPart);
            clOut.Add(clPart.pszGet());
            if (pszDot == nullptr) break;
            clOut.Add(L'.');
            pszPart = pszDot + 1;
        }
        pclOut->Transfert(clOut);
        return;
    }
    if (m_pclConnection == nullptr) {
        pclOut->Set(pszName);
        return;
    }
    m_pclConnection->bFormatTableName(m_pclError, pszName, pclOut);
}

// ---------------------------------------------------------------------------------- functions

const wchar_t* CNACommand::s_pszGetFunctionName(unsigned eDataSource, int nOperator) {
    for (const stFunctionName& st : s_tabFunctionNames)
        if (st.nOperator == nOperator && st.nKind == eDataSource) return st.pszName;
    return nullptr;
}

int CNACommand::eGetFormatExpressionColonne(CNASqlElt::eSQLELT eKind, eNA_ITEMTYPE eType, eOPEXPRESSION eOperator,
                                            IExpOpExpression*) {
    if (eOperator == OPEXPRESSION_ISNULL) return 0;
    if (eType != NA_IT_HEURE && eType != NA_IT_DATE8 && eType != NA_IT_DATETIME) return 0;
    const bool bTimeAsText =
        eType == NA_IT_HEURE && (m_pclConnection == nullptr || !m_pclConnection->bSupportItemTime());
    if (bTimeAsText && eKind >= CNASqlElt::SQLELT_WHERE && eKind <= CNASqlElt::SQLELT_ORDERBY) return 2;
    const int n = static_cast<int>(eOperator);
    if (n > 57) return 0;
    if ((n >= 15 && n <= 21) || n == 32 || (n >= 42 && n <= 46) || (n >= 50 && n <= 57)) return 2;
    if ((n >= 9 && n <= 14) || n == 22 || n == 23) return bTimeAsText ? 2 : 0;
    return 0;
}

eNA_ITEMTYPE CNACommand::_eTypeParameterByCode(CNASqlElt::eSQLELT eKind, int nOperator, unsigned nArgument,
                                               bool bLastOperand, eNA_ITEMTYPE eType, eNA_ITEMTYPE eItemType,
                                               bool bHasItem, bool* pbRelease) {
    *pbRelease = false;
    auto Release = [&](eNA_ITEMTYPE e) {
        *pbRelease = true;
        return e;
    };
    switch (nOperator) {
        case 1:
        case 3:
            return nArgument == 0 ? eType : NA_IT_EMPTY;
        case 59:
        case 70:
            return nArgument == 1 ? Release(NA_IT_EMPTY) : NA_IT_EMPTY;
        case 74:
        case 107:
            return Release(NA_IT_EMPTY);
        case 88: {
            const unsigned nCodePage = m_pclConnection != nullptr ? m_pclConnection->nGetCodePage() : 0;
            const bool bUnicode = nCodePage == CTStringConcatAW::s_nCodePageWide || nCodePage == 65001;
            return Release(bUnicode ? NA_IT_UNICODE : NA_IT_TEXTE);
        }
        case 94:
        case 106:
            if (nArgument == 0) return NA_IT_EMPTY;
            if (nArgument % 2 == 1) return bLastOperand ? Release(NA_IT_EMPTY) : NA_IT_EMPTY;
            return Release(NA_IT_EMPTY);
        case 98:
            if (nArgument == 0) return !bHasItem ? NA_IT_DATETIME : (_bDateType(eItemType) ? NA_IT_EMPTY : NA_IT_DATETIME);
            return nArgument == 1 ? Release(NA_IT_I4) : NA_IT_EMPTY;
        case 99:
            return nArgument == 0 ? NA_IT_DATE8 : NA_IT_EMPTY;
        case 100:
            return NA_IT_DATE8;
        case 101:
            if (nArgument == 0) return NA_IT_DATE8;
            return nArgument == 1 ? Release(NA_IT_EMPTY) : NA_IT_EMPTY;
        case 102:
            if (nArgument == 0) return NA_IT_DATETIME;
            return nArgument <= 2 ? Release(NA_IT_TEXTE) : NA_IT_EMPTY;
        default:
            if (!bHasItem) return NA_IT_EMPTY;
            return static_cast<eNA_ITEMTYPE>(
                eGetFormatExpressionColonne(eKind, eItemType, static_cast<eOPEXPRESSION>(nOperator), nullptr));
    }
}

bool CNACommand::s_bTypeRetourKeepsItem(int nOperator, eNA_ITEMTYPE eItemType) {
    const int n = nOperator;
    if (n == 7 || (n >= 9 && n <= 26) || (n >= 31 && n <= 33) || n == 48 || n == 49 || (n >= 54 && n <= 58) ||
        n == 73 || n == 74 || (n >= 77 && n <= 79) || (n >= 89 && n <= 96) || n == 100 || (n >= 106 && n <= 108) ||
        (n >= 115 && n <= 117) || n == 135 || (n >= 150 && n <= 155))
        return false;
    if ((n >= 42 && n <= 46) || (n >= 50 && n <= 53) || n == 75 || n == 76 || (n >= 80 && n <= 88) || n == 105 ||
        (n >= 118 && n <= 130))
        return _bIn(static_cast<int>(eItemType), {NA_IT_MEMOTEXTE, NA_IT_TEXTE, NA_IT_MEMOUNICODE, NA_IT_UNICODE});
    if ((n >= 97 && n <= 99) || n == 101 || n == 102 || n == 104 || n == 109) return _bDateType(eItemType);
    return true;
}

// ---------------------------------------------------------------------------------- row limits

void CNACommand::_RemplaceLimitParTop() {
    if (m_bParsedQuery) return;
    const wchar_t* psz = m_clFormatedSQL.pszGetW();
    if (wcsncasecmp(psz, L"SELECT", 6) != 0) return;
    const long nLimit = s_nGetClauseStart(m_pclConnection, psz, L"LIMIT", -1);
    if (nLimit <= 0) return;
    unsigned long i = static_cast<unsigned long>(nLimit) + 5;
    while (psz[i] != 0 && s_bSeparateur(psz[i])) i++;
    int64_t llCount = -1;
    // A LIMIT without its number is left for the server to refuse as written.
    if (!_bReadNumber(psz, &i, &llCount)) return;
    while (psz[i] != 0 && (psz[i] == L',' || s_bSeparateur(psz[i]))) i++;
    int64_t llSecond = 0;
    if (_bReadNumber(psz, &i, &llSecond) && llSecond > 0) return;
    // Blanks only: a closing parenthesis in front of LIMIT belongs to the text that is kept.
    unsigned long nEnd = static_cast<unsigned long>(nLimit);
    while (nEnd > 6 && s_bEspaceSQL(psz[nEnd - 1])) nEnd--;
    CTString clKept(psz + 6, static_cast<long>(nEnd - 6));
    CTString clOut(L"SELECT TOP ");
    clOut.AddI8(llCount);
    clOut.Add(L' ');
    clOut.Add(clKept.pszGet());
    m_clFormatedSQL.SetStrCte(clOut.pszGet(), clOut.nTaille());
}

void CNACommand::_RemplaceTopParLimit() {
    if (m_bParsedQuery) return;
    const wchar_t* psz = m_clFormatedSQL.pszGetW();
    const unsigned long nLength = m_clFormatedSQL.nGetLongueurW();
    if (!_bStartsWithKeyword(psz, L"SELECT")) return;
    int64_t llLimit = m_llRowLimit;
    if (nLength > 11) {
        unsigned long i = 6;
        while (s_bEspaceSQL(psz[i])) i++;
        const unsigned long nTop = i;
        if (i > 6 && _bStartsWithKeyword(psz + i, L"TOP") && s_bEspaceSQL(psz[i + 3])) {
            i += 3;
            while (s_bEspaceSQL(psz[i])) i++;
            int64_t llTop = 0;
            if (_bReadNumber(psz, &i, &llTop)) {
                m_clFormatedSQL.Coupe(static_cast<long>(nTop), static_cast<long>(i - nTop));
                m_llRowLimit = -1;
                llLimit = llTop;
            }
        }
    }
    if (llLimit < 1) return;
    if (s_bRequeteTerminePar(m_clFormatedSQL.pszGetW(), L"LIMIT 0")) return;
    // Written in place: the clause is short, and every SELECT of a browse or a seek ends with it.
    wchar_t szClause[64];
    wchar_t* pszEnd = _pszAppendText(szClause, L" LIMIT ");
    if (m_llRowOffset < 1) {
        pszEnd = _pszAppendCount(pszEnd, llLimit);
    } else if (NA_nGetServerKind(m_pclConnection) == KIND_5) {
        pszEnd = _pszAppendCount(pszEnd, m_llRowOffset);
        pszEnd = _pszAppendText(pszEnd, L", ");
        pszEnd = _pszAppendCount(pszEnd, llLimit);
    } else {
        // The server refuses "LIMIT offset, count"; the standard form says the same.
        pszEnd = _pszAppendCount(pszEnd, llLimit);
        pszEnd = _pszAppendText(pszEnd, L" OFFSET ");
        pszEnd = _pszAppendCount(pszEnd, m_llRowOffset);
    }
    m_clFormatedSQL.Add(szClause, static_cast<long>(pszEnd - szClause));
}
