// CNACommand: scanners that read SQL text without parsing it (separators, SET statements, leading
// and trailing words, keywords found outside literals and quoted identifiers, result-set limits,
// names after AS), the place where a query loses its own ORDER BY, and the clause positions of a
// parsed query.
#include <cwchar>
#include <cwctype>

#include "native/driver/NAConnectionDescription.h"
#include "native/model/NAItemType.h"
#include "native/sql/NACommand.h"

namespace {

wchar_t _cUpper(wchar_t c) {
    return static_cast<wchar_t>(towupper(static_cast<wint_t>(c)));
}

// n characters of psz equal those of pszWord, case aside.
bool _bEqualsI(const wchar_t* psz, const wchar_t* pszWord, size_t n) {
    for (size_t i = 0; i < n; i++)
        if (psz[i] == 0 || _cUpper(psz[i]) != _cUpper(pszWord[i])) return false;
    return true;
}

bool _bIdentifierChar(wchar_t c) {
    return iswalnum(static_cast<wint_t>(c)) || c == L'_' || c == L'$';
}

// Whether the text at i holds the quote text q (case aside).
bool _bAt(const wchar_t* psz, long i, const CTString& clQuote) {
    const long n = clQuote.nTaille();
    return n > 0 && i >= 0 && _bEqualsI(psz + i, clQuote.pszGet(), static_cast<size_t>(n));
}

}  // namespace

void CNACommand::s_GetIdentifierQuotes(CNAConnectionDescription* pclConnection, CTString* pclOpen,
                                       CTString* pclClose) {
    pclOpen->Set(L"\"");
    pclClose->Set(L"\"");
    if (pclConnection == nullptr) return;
    // A blank makes every dialect quote the name; what surrounds it is the pair of quotes.
    static const wchar_t s_szProbe[] = L"a b";
    CTString clQuoted;
    pclConnection->bFormatItemName(nullptr, s_szProbe, &clQuoted);
    const int nAt = clQuoted.nPos(s_szProbe);
    if (nAt < 0) return;
    pclOpen->Set(clQuoted.pszGet(), static_cast<unsigned long>(nAt));
    pclClose->Set(clQuoted.pszGet() + nAt + 3);
}

int CNACommand::s_bSeparateur(wchar_t c) {
    switch (c) {
        case L'!':
        case L'%':
        case L'(':
        case L')':
        case L'*':
        case L'+':
        case L',':
        case L'-':
        case L'/':
        case L'=':
            return 1;
        default:
            return s_bEspaceSQL(c) ? 1 : 0;
    }
}

int CNACommand::s_bIsQuerySet(const wchar_t* pszText) {
    if (pszText == nullptr || *pszText == 0) return 0;
    const wchar_t* p = pszText;
    while (s_bEspaceSQL(*p)) p++;
    if (!_bEqualsI(p, L"SET", 3)) return 0;
    p += 3;
    while (s_bEspaceSQL(*p)) p++;
    if (*p == 0) return 1;
    while (*p != 0 && !s_bEspaceSQL(*p) && *p != L'=') p++;
    if (*p == 0) return 1;
    while (s_bEspaceSQL(*p)) p++;
    if (*p == 0) return 1;
    while (*p != 0 && !s_bEspaceSQL(*p)) p++;
    while (s_bEspaceSQL(*p) || *p == L';') p++;
    return *p == 0 ? 1 : 0;
}

int CNACommand::s_bSuiteRequeteCommenceParMot(const wchar_t* pszText, const wchar_t* pszWord) {
    if (pszText == nullptr || pszWord == nullptr) return 0;
    while (s_bEspaceSQL(*pszText)) pszText++;
    const size_t n = wcslen(pszWord);
    if (!_bEqualsI(pszText, pszWord, n)) return 0;
    return pszText[n] == 0 || s_bSeparateur(pszText[n]) ? 1 : 0;
}

long CNACommand::s_nGetPosSuiteRequete(const wchar_t* pszText, const wchar_t* pszWord) {
    if (pszText == nullptr || pszWord == nullptr) return -1;
    long nBlanks = 0;
    while (s_bEspaceSQL(pszText[nBlanks])) nBlanks++;
    return _bEqualsI(pszText + nBlanks, pszWord, wcslen(pszWord)) ? nBlanks : -1;
}

int CNACommand::s_bRequeteTerminePar(const wchar_t* pszText, const wchar_t* pszWord) {
    if (pszText == nullptr || pszWord == nullptr) return 0;
    size_t nEnd = wcslen(pszText);
    while (nEnd > 0 && s_bSeparateur(pszText[nEnd - 1])) nEnd--;
    const size_t nWord = wcslen(pszWord);
    if (nEnd < nWord || nEnd - nWord < 2) return 0;
    const size_t nStart = nEnd - nWord;
    return _bEqualsI(pszText + nStart, pszWord, nWord) && s_bSeparateur(pszText[nStart - 1]) ? 1 : 0;
}

long CNACommand::s_nGetClauseStart(CNAConnectionDescription* pclConnection, const wchar_t* pszText,
                                   const wchar_t* pszKeyword, long nFrom) {
    if (pszText == nullptr || *pszText == 0 || pszKeyword == nullptr || *pszKeyword == 0) return -1;
    const long nLength = static_cast<long>(wcslen(pszText));
    const long nKeyword = static_cast<long>(wcslen(pszKeyword));
    CTString clOpen, clClose;
    s_GetIdentifierQuotes(pclConnection, &clOpen, &clClose);
    const long nOpen = clOpen.nTaille(), nClose = clClose.nTaille();
    const bool bSameQuote = clOpen == clClose;
    enum { OUTSIDE, LITERAL, IDENTIFIER } eState = OUTSIDE;
    long i = nFrom < 0 || nFrom >= nLength ? nLength - 1 : nFrom;
    // Backwards: a quote met outside opens (from its end) a literal or an identifier, which ends at
    // the quote that started it; the first character is never a keyword's start.
    while (i >= 1) {
        const wchar_t c = pszText[i];
        switch (eState) {
            case OUTSIDE:
                if (c == L'\'') {
                    eState = LITERAL;
                    i--;
                } else if (nClose > 0 && _bAt(pszText, i - nClose + 1, clClose)) {
                    eState = IDENTIFIER;
                    i -= nClose;
                } else {
                    if (i + nKeyword <= nLength && _bEqualsI(pszText + i, pszKeyword, static_cast<size_t>(nKeyword)) &&
                        s_bSeparateur(pszText[i - 1]) && pszText[i + nKeyword] != 0 &&
                        s_bSeparateur(pszText[i + nKeyword]))
                        return i;
                    i--;
                }
                break;
            case LITERAL:
                if (c != L'\'') {
                    i--;
                } else if (pszText[i - 1] == L'\\' || pszText[i - 1] == L'\'') {
                    i -= 2;
                } else {
                    eState = OUTSIDE;
                    i--;
                }
                break;
            case IDENTIFIER:
                if (nOpen > 0 && _bAt(pszText, i - nOpen + 1, clOpen)) {
                    // A quote doubled inside an identifier stands for itself.
                    if (bSameQuote && _bAt(pszText, i - 2 * nOpen + 1, clOpen)) {
                        i -= 2 * nOpen;
                    } else {
                        eState = OUTSIDE;
                        i -= nOpen;
                    }
                } else {
                    i--;
                }
                break;
        }
    }
    return -1;
}

int CNACommand::s_bQueryResultsetLimited(CNAConnectionDescription* pclConnection, const wchar_t* pszText) {
    if (pszText == nullptr || !_bEqualsI(pszText, L"SELECT", 6)) return 0;
    if (s_nGetClauseStart(pclConnection, pszText, L"LIMIT", -1) > 0) return 1;
    if (wcslen(pszText) < 12) return 0;
    const wchar_t* p = pszText + 6;
    while (s_bEspaceSQL(*p)) p++;
    return _bEqualsI(p, L"TOP", 3) && s_bEspaceSQL(p[3]) ? 1 : 0;
}

int CNACommand::s_bGetItemNameAndPos(CTString* pclName, unsigned long* pnFirst, unsigned long* pnLast,
                                     const wchar_t* pszText, unsigned long nFrom) {
    pclName->Vide();
    *pnFirst = *pnLast = static_cast<unsigned long>(-1);
    if (pszText == nullptr) return 0;
    const unsigned long nLength = wcslen(pszText);
    unsigned long i = nFrom < nLength ? nFrom : nLength;
    while (i < nLength && s_bSeparateur(pszText[i])) i++;
    if (i >= nLength) return 0;
    *pnFirst = i;
    if (pszText[i] == L'[' || pszText[i] == L'"') {
        const wchar_t cClose = pszText[i] == L'[' ? L']' : L'"';
        unsigned long j = i + 1;
        for (; j < nLength; j++) {
            if (pszText[j] != cClose) {
                pclName->Add(pszText[j]);
            } else if (cClose == L'"' && j + 1 < nLength && pszText[j + 1] == L'"') {
                // A doubled quote inside the name is one quote of the name.
                pclName->Add(L'"');
                j++;
            } else {
                break;
            }
        }
        *pnLast = j < nLength ? j : nLength - 1;
    } else {
        unsigned long j = i;
        while (j < nLength && !s_bSeparateur(pszText[j])) j++;
        pclName->Set(pszText + i, j - i);
        *pnLast = j - 1;
    }
    return pclName->nTaille() != 0 ? 1 : 0;
}

long CNACommand::s_nGetOrderByCut(CNAConnectionDescription* pclConnection, const wchar_t* pszText) {
    if (pszText == nullptr) return -1;
    CTString clOpen, clClose;
    s_GetIdentifierQuotes(pclConnection, &clOpen, &clClose);
    // Whether the server reads a backslash in a plain '...' literal as an escape.
    const bool bBackslash = pclConnection != nullptr && pclConnection->bBackslashEscapesInLiterals();
    const long nLength = static_cast<long>(wcslen(pszText));
    long nUpper = -1, nLower = -1;
    int nDepth = 0;
    long i = 0;
    while (i < nLength) {
        const wchar_t c = pszText[i];
        if (c == L'\'') {
            // E'...' reads backslashes as escapes whatever the setting.
            const bool bEscapes = bBackslash || (i > 0 && (pszText[i - 1] == L'E' || pszText[i - 1] == L'e') &&
                                                 (i < 2 || !_bIdentifierChar(pszText[i - 2])));
            for (i++; i < nLength; i++) {
                if (bEscapes && pszText[i] == L'\\') {
                    i++;
                } else if (pszText[i] == L'\'') {
                    if (pszText[i + 1] != L'\'') break;
                    i++;
                }
            }
            i++;
        } else if (clOpen.nTaille() > 0 && _bAt(pszText, i, clOpen)) {
            const long nClose = clClose.nTaille();
            for (i += clOpen.nTaille(); i < nLength; i++) {
                if (!_bAt(pszText, i, clClose)) continue;
                if (clOpen == clClose && _bAt(pszText, i + nClose, clClose)) {
                    i += nClose;
                    continue;
                }
                break;
            }
            i += nClose;
        } else if (c == L'-' && pszText[i + 1] == L'-') {
            while (i < nLength && pszText[i] != L'\n') i++;
        } else if (c == L'/' && pszText[i + 1] == L'*') {
            // Block comments nest.
            int nComments = 1;
            for (i += 2; i < nLength && nComments > 0; i++) {
                if (pszText[i] == L'/' && pszText[i + 1] == L'*') {
                    nComments++;
                    i++;
                } else if (pszText[i] == L'*' && pszText[i + 1] == L'/') {
                    nComments--;
                    i++;
                }
            }
        } else if (c == L'$' && (i == 0 || !_bIdentifierChar(pszText[i - 1])) && !iswdigit(pszText[i + 1])) {
            // $tag$ ... $tag$ quotes its text whole.
            long j = i + 1;
            while (j < nLength && _bIdentifierChar(pszText[j]) && pszText[j] != L'$') j++;
            if (j >= nLength || pszText[j] != L'$') {
                i++;
                continue;
            }
            const long nTag = j - i + 1;
            const wchar_t* pszEnd = nullptr;
            for (long k = j + 1; k + nTag <= nLength; k++)
                if (wcsncmp(pszText + k, pszText + i, static_cast<size_t>(nTag)) == 0) {
                    pszEnd = pszText + k;
                    break;
                }
            i = pszEnd != nullptr ? static_cast<long>(pszEnd - pszText) + nTag : nLength;
        } else {
            if (c == L'(') nDepth++;
            if (c == L')' && nDepth > 0) nDepth--;
            if (nDepth == 0 && i + 8 <= nLength && (i == 0 || !_bIdentifierChar(pszText[i - 1])) &&
                !_bIdentifierChar(pszText[i + 8])) {
                if (nUpper < 0 && wcsncmp(pszText + i, L"ORDER BY", 8) == 0) nUpper = i;
                if (nLower < 0 && wcsncmp(pszText + i, L"order by", 8) == 0) nLower = i;
            }
            i++;
        }
    }
    return nUpper >= 0 ? nUpper : nLower;
}

void CNACommand::s_GetClausePos(const stClausePositions& st, CNASqlElt::eSQLELT eKind, unsigned long* pnStart,
                                unsigned long* pnStop) {
    // The clauses in text order, with their spans (start -1: absent).
    const long tabStart[] = {st.nFromStart, st.nWhereStart, st.nGroupByStart, st.nHavingStart, st.nOrderByStart};
    const long tabStop[] = {st.nFromStop, st.nWhereStop, st.nGroupByStop, st.nHavingStop, st.nLength};
    // The index of the clause of that kind in the tables above; the select list comes before all.
    int nIndex = -1;
    switch (eKind) {
        case CNASqlElt::SQLELT_FROM:
            nIndex = 0;
            break;
        case CNASqlElt::SQLELT_WHERE:
            nIndex = 1;
            break;
        case CNASqlElt::SQLELT_GROUPBY:
            nIndex = 2;
            break;
        case CNASqlElt::SQLELT_HAVING:
            nIndex = 3;
            break;
        case CNASqlElt::SQLELT_ORDERBY:
            nIndex = 4;
            break;
        case CNASqlElt::SQLELT_SELECT:
            break;
        default:
            *pnStart = *pnStop = static_cast<unsigned long>(st.nLength);
            return;
    }
    if (nIndex >= 0 && tabStart[nIndex] >= 0) {
        *pnStart = static_cast<unsigned long>(tabStart[nIndex]);
        *pnStop = static_cast<unsigned long>(tabStop[nIndex]);
        return;
    }
    for (int k = nIndex + 1; k < 5; k++)
        if (tabStart[k] >= 0) {
            *pnStart = *pnStop = static_cast<unsigned long>(tabStart[k] > 0 ? tabStart[k] - 1 : 0);
            return;
        }
    *pnStart = *pnStop = static_cast<unsigned long>(st.nLength);
}
