// CNAConnectionDescription: an SQL column declaration ("VARCHAR(20)", "UNSIGNED INT",
// "NUMERIC(10,2)"...) read back into an item type and size. The keywords are those of the dialects
// the driver's code serves; the first keyword the declaration begins with decides.
#include "native/driver/NAConnectionDescription.h"

#include <cwchar>
#include <string>

#include "native/model/NAItemDescription.h"
#include "native/model/NAItemType.h"

namespace {

constexpr unsigned KIND_13 = 13;

const wchar_t* _pszSkipBlanks(const wchar_t* psz) {
    while (*psz != 0 && s_bEspaceSQL(*psz)) psz++;
    return psz;
}

bool _bBeginsWith(const wchar_t* psz, const wchar_t* pszKeyword) {
    return wcsncmp(psz, pszKeyword, wcslen(pszKeyword)) == 0;
}

// "UNSIGNED" standing as a word of its own after the first one.
bool _bUnsignedLater(const wchar_t* psz) {
    static const wchar_t s_szWord[] = L"UNSIGNED";
    constexpr size_t n = sizeof(s_szWord) / sizeof(wchar_t) - 1;
    for (const wchar_t* p = wcsstr(psz, s_szWord); p != nullptr; p = wcsstr(p + 1, s_szWord))
        if (p > psz && s_bEspaceSQL(p[-1]) && (p[n] == 0 || s_bEspaceSQL(p[n]))) return true;
    return false;
}

// The number read ("%d") from psz less its last character; 0 when it holds none.
unsigned _nReadBeforeLast(const wchar_t* psz) {
    size_t n = wcslen(psz);
    if (n < 2) return 0;
    std::wstring s(psz, n - 1);
    int nValue = 0;
    if (swscanf(s.c_str(), L"%d", &nValue) != 1) return 0;
    return static_cast<unsigned>(nValue);
}

enum eKIND {
    K_FIXED,       // the type and size of the row
    K_UNSIGNED,    // the type of the row, or its unsigned twin
    K_TEXT,        // n + 1
    K_UNICODE,     // 2n + 2
    K_REAL,        // R8 for server kind 13
    K_DECIMAL,     // from precision and scale
    K_CHAR,        // CHAR alone, or CHAR(n)
    K_VARBINARY,   // n + 2
};

struct stKeyword {
    const wchar_t* pszKeyword;
    eKIND eKind;
    eNA_ITEMTYPE eType;
    eNA_ITEMTYPE eUnsignedType;
    unsigned nSize;
};

// In the order they are tried: a longer keyword stands before a shorter one it begins with.
const stKeyword s_tabKeywords[] = {
    {L"YEAR", K_FIXED, NA_IT_DATE8, NA_IT_DATE8, 9},
    {L"VARCHAR", K_TEXT, NA_IT_TEXTE, NA_IT_TEXTE, 0},
    {L"VARYING CHARACTER", K_TEXT, NA_IT_TEXTE, NA_IT_TEXTE, 0},
    {L"CHARACTER", K_TEXT, NA_IT_TEXTE, NA_IT_TEXTE, 0},
    {L"NCHAR", K_UNICODE, NA_IT_UNICODE, NA_IT_UNICODE, 0},
    {L"NATIVE CHARACTER", K_UNICODE, NA_IT_UNICODE, NA_IT_UNICODE, 0},
    {L"NVARCHAR", K_UNICODE, NA_IT_UNICODE, NA_IT_UNICODE, 0},
    {L"TINYTEXT", K_FIXED, NA_IT_MEMOTEXTE, NA_IT_MEMOTEXTE, 8},
    {L"TINYINT", K_UNSIGNED, NA_IT_I1, NA_IT_UI1, 1},
    {L"TINYBLOB", K_FIXED, NA_IT_MEMOBINAIRE, NA_IT_MEMOBINAIRE, 8},
    {L"TIMESTAMP", K_FIXED, NA_IT_DATETIME, NA_IT_DATETIME, 8},
    {L"TIME", K_FIXED, NA_IT_HEURE, NA_IT_HEURE, 6},
    {L"TEXT", K_FIXED, NA_IT_MEMOTEXTE, NA_IT_MEMOTEXTE, 8},
    {L"NTEXT", K_FIXED, NA_IT_MEMOUNICODE, NA_IT_MEMOUNICODE, 8},
    {L"CLOB", K_FIXED, NA_IT_MEMOTEXTE, NA_IT_MEMOTEXTE, 8},
    {L"SMALLINT", K_UNSIGNED, NA_IT_I2, NA_IT_UI2, 2},
    {L"INT2", K_UNSIGNED, NA_IT_I2, NA_IT_UI2, 2},
    {L"SET", K_FIXED, NA_IT_MEMOTEXTE, NA_IT_MEMOTEXTE, 8},
    {L"REAL", K_REAL, NA_IT_R4, NA_IT_R4, 4},
    {L"MEDIUMTEXT", K_FIXED, NA_IT_MEMOTEXTE, NA_IT_MEMOTEXTE, 8},
    {L"INT8", K_UNSIGNED, NA_IT_I8, NA_IT_UI8, 8},
    {L"MEDIUMINT", K_UNSIGNED, NA_IT_I4, NA_IT_UI4, 4},
    {L"INTEGER", K_UNSIGNED, NA_IT_I4, NA_IT_UI4, 4},
    {L"INT", K_UNSIGNED, NA_IT_I4, NA_IT_UI4, 4},
    {L"MEDIUMBLOB", K_FIXED, NA_IT_MEMOBINAIRE, NA_IT_MEMOBINAIRE, 8},
    {L"LONGTEXT", K_FIXED, NA_IT_MEMOTEXTE, NA_IT_MEMOTEXTE, 8},
    {L"LONGBLOB", K_FIXED, NA_IT_MEMOBINAIRE, NA_IT_MEMOBINAIRE, 8},
    {L"FLOAT", K_FIXED, NA_IT_R4, NA_IT_R4, 4},
    {L"ENUM", K_FIXED, NA_IT_MEMOTEXTE, NA_IT_MEMOTEXTE, 8},
    {L"DOUBLE", K_FIXED, NA_IT_R8, NA_IT_R8, 8},
    {L"DOUBLE PRECISION", K_FIXED, NA_IT_R8, NA_IT_R8, 8},
    {L"DECIMAL", K_DECIMAL, NA_IT_DECIMAL, NA_IT_DECIMAL, 0},
    {L"DEC", K_DECIMAL, NA_IT_DECIMAL, NA_IT_DECIMAL, 0},
    {L"NUMERIC", K_DECIMAL, NA_IT_DECIMAL, NA_IT_DECIMAL, 0},
    {L"DATETIME", K_FIXED, NA_IT_DATETIME, NA_IT_DATETIME, 8},
    {L"DATE", K_FIXED, NA_IT_DATE8, NA_IT_DATE8, 9},
    {L"CHAR", K_CHAR, NA_IT_TEXTE, NA_IT_TEXTE, 0},
    {L"BOOL", K_FIXED, NA_IT_I1, NA_IT_I1, 1},
    {L"BOOLEAN", K_FIXED, NA_IT_I1, NA_IT_I1, 1},
    {L"BLOB", K_FIXED, NA_IT_MEMOBINAIRE, NA_IT_MEMOBINAIRE, 8},
    {L"BIGINT", K_UNSIGNED, NA_IT_I8, NA_IT_UI8, 8},
    {L"BIG INT", K_UNSIGNED, NA_IT_I8, NA_IT_UI8, 8},
    {L"BIT", K_FIXED, NA_IT_I1, NA_IT_I1, 1},
    {L"VARBINARY", K_VARBINARY, NA_IT_BINAIRE, NA_IT_BINAIRE, 0},
};

}  // namespace

int CNAConnectionDescription::_nGetSizeInTypeDecl(const wchar_t* pszDeclaration, const wchar_t* pszKeyword) {
    if (pszDeclaration == nullptr || pszKeyword == nullptr || !_bBeginsWith(pszDeclaration, pszKeyword)) return 1;
    const wchar_t* p = _pszSkipBlanks(pszDeclaration + wcslen(pszKeyword));
    if (*p != L'(') return 1;
    p = _pszSkipBlanks(p + 1);
    if (*p < L'0' || *p > L'9') return 1;
    int n = 0;
    for (; *p >= L'0' && *p <= L'9'; p++) n = n * 10 + (*p - L'0');
    p = _pszSkipBlanks(p);
    return *p == L')' ? n : 1;
}

int CNAConnectionDescription::bSQLTypeNameToNAType(CNAError*, eNA_ITEMTYPE* peType, unsigned* pnSize,
                                                   unsigned* pnDigits, unsigned* pnScale,
                                                   const wchar_t* pszDeclaration, const wchar_t* pszCharset) {
    CTString clDeclaration(pszDeclaration);
    clDeclaration.Majuscule();
    const wchar_t* psz = clDeclaration.pszGet() != nullptr ? clDeclaration.pszGet() : L"";
    bool bUnsigned = false;
    if (_bBeginsWith(psz, L"UNSIGNED") && s_bEspaceSQL(psz[8])) {
        psz = _pszSkipBlanks(psz + 8);
        bUnsigned = true;
    }
    if (_bUnsignedLater(psz)) bUnsigned = true;

    *peType = NA_IT_MEMOTEXTE;
    *pnSize = 8;
    const stKeyword* pstFound = nullptr;
    for (const stKeyword& st : s_tabKeywords)
        if (_bBeginsWith(psz, st.pszKeyword)) {
            pstFound = &st;
            break;
        }
    if (pstFound != nullptr) {
        const stKeyword& st = *pstFound;
        const wchar_t* pszAfter = psz + wcslen(st.pszKeyword);
        switch (st.eKind) {
            case K_FIXED:
                *peType = st.eType;
                *pnSize = st.nSize;
                break;
            case K_UNSIGNED:
                *peType = bUnsigned ? st.eUnsignedType : st.eType;
                *pnSize = st.nSize;
                break;
            case K_TEXT:
                *peType = st.eType;
                *pnSize = static_cast<unsigned>(_nGetSizeInTypeDecl(psz, st.pszKeyword)) + 1;
                break;
            case K_UNICODE:
                *peType = st.eType;
                *pnSize = 2 * static_cast<unsigned>(_nGetSizeInTypeDecl(psz, st.pszKeyword)) + 2;
                break;
            case K_REAL:
                *peType = m_eDataSource == KIND_13 ? NA_IT_R8 : NA_IT_R4;
                *pnSize = m_eDataSource == KIND_13 ? 8 : 4;
                break;
            case K_DECIMAL: {
                int nPrecision = 0, nScale = 0;
                const wchar_t* pszOpen = wcschr(pszAfter, L'(');
                if (pszOpen != nullptr) {
                    nPrecision = static_cast<int>(wcstol(pszOpen + 1, nullptr, 10));
                    const wchar_t* pszComma = wcschr(pszOpen, L',');
                    const wchar_t* pszClose = wcschr(pszOpen, L')');
                    if (pszComma != nullptr && (pszClose == nullptr || pszComma < pszClose))
                        nScale = static_cast<int>(wcstol(pszComma + 1, nullptr, 10));
                }
                if (pnDigits != nullptr) *pnDigits = static_cast<unsigned>(nPrecision - nScale);
                if (pnScale != nullptr) *pnScale = static_cast<unsigned>(nScale);
                CNAItemDescription::s_GetTypeFromFormat(nPrecision - nScale, nScale, peType, pnSize);
                break;
            }
            case K_CHAR:
                if (*pszAfter == 0) {
                    *peType = NA_IT_CHAR;
                    *pnSize = 1;
                } else {
                    *peType = NA_IT_TEXTE;
                    *pnSize = _nReadBeforeLast(pszAfter + 1) + 1;
                }
                break;
            case K_VARBINARY:
                *peType = NA_IT_BINAIRE;
                *pnSize = (*pszAfter != 0 ? _nReadBeforeLast(pszAfter + 1) : 0) + 2;
                break;
        }
    }

    if (pszCharset != nullptr && (*peType == NA_IT_TEXTE || *peType == NA_IT_MEMOTEXTE)) {
        CTString clCharset(pszCharset);
        if (clCharset.bCommenceParI(L"ucs2") || clCharset.bCommenceParI(L"utf8")) {
            if (*peType == NA_IT_TEXTE) {
                *peType = NA_IT_UNICODE;
                *pnSize *= 2;
            } else {
                *peType = NA_IT_MEMOUNICODE;
            }
        }
    }
    return 1;
}
