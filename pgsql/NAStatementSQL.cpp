// The SQL-layer statement: construction and references, running a text with or without a table of
// parameter values, the column table, values into variants, rows as text, the single-value query,
// reset, and the error and dump of a refused query.
#include "pgsql/NAStatementSQL.h"

#include <cwchar>
#include <new>

#include "core/TStringConcatAW.h"
#include "core/XYString.h"
#include "core/XYStringConcat.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NAConvertVariant.h"
#include "pgsql/NAColumnSQL.h"
#include "pgsql/PSQLGuard.h"
#include "pgsql/TabValParser.h"
#include "variant/Any.h"

unsigned CNAStatementSQL::m_gnStmtGenerator = 0;

namespace {

constexpr unsigned FILE_STATEMENTSQL = 50;
constexpr unsigned SITE_NO_COLUMN = 1;
constexpr unsigned SITE_NO_ROW = 3;
constexpr unsigned USER_ERROR_NO_ROW = 7;
constexpr unsigned USER_ERROR_NO_COLUMN = 50;

// The query text kept in the dump of a refused query.
constexpr long DUMP_MAX_CHARACTERS = 5000;
constexpr unsigned MESSAGE_QUERY_DUMP = 28588;

const wchar_t* _pszOrEmpty(const wchar_t* psz) {
    return psz != nullptr ? psz : L"";
}

// The text of a wide text value (16 or 110); null for NULL or any other value.
const wchar_t* _pszText(const CAny* pclValue) {
    if (pclValue->bIsNull()) return nullptr;
    const wchar_t* psz = nullptr;
    if (pclValue->pclGetValeur()->nGetPCWSTR(&psz) != VQERR_OK) return nullptr;
    return psz;
}

// The variant becomes a non-NULL shared wide text holding the given one.
void _SetDSTRW(CAny* pclOut, const CXYString<wchar_t>& clText) {
    pclOut->__SetType(VQTYPE_DSTRW, 0);
    pclOut->pclGetValeur()->SetValue(&clText);
    pclOut->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
}

// The variant becomes a non-NULL wide text value with its own copy of the text.
void _SetPSTRW(CAny* pclOut, const wchar_t* psz) {
    pclOut->__SetType(VQTYPE_PSTRW, 0);
    pclOut->pclGetValeur()->SetValue(psz);
    pclOut->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
}

}  // namespace

CNAStatementSQL::CNAStatementSQL(CNAConnectionDescription* pclCnx, CNAError* pclError)
    : m_pclError(pclError), m_pclConnection(pclCnx), m_nStmtNumber(++m_gnStmtGenerator) {
    if (m_pclError != nullptr) m_pclError->AddRef();
    if (m_pclConnection != nullptr) m_pclConnection->AddRef();
}

CNAStatementSQL::~CNAStatementSQL() {
    if (m_pclVariant != nullptr) m_pclVariant->nRelease();
    _DeleteTabColumn();
    if (m_pclConnection != nullptr) m_pclConnection->nRelease();
    if (m_pclError != nullptr) m_pclError->nRelease();
}

void CNAStatementSQL::_DeleteTabColumn() {
    delete[] m_pTabColumn;
    m_pTabColumn = nullptr;
}

// ---------------------------------------------------------------------------------- hooks
// The client library's statement overrides these; here they fail.

int CNAStatementSQL::bPrepareSQL(CTStringConcatAW*) {
    return 0;
}
int CNAStatementSQL::bExecutePreparedQuery(NA_WRITEPARSEFLAGS) {
    return 0;
}
int CNAStatementSQL::bGetAffected_rows(unsigned long*) {
    return 0;
}
int CNAStatementSQL::bFetch(unsigned) {
    return 0;
}
int CNAStatementSQL::bDataSeek(long) {
    return 0;
}
int CNAStatementSQL::bGetValue(CNAConvertVariant*, unsigned, unsigned) {
    return 0;
}
int CNAStatementSQL::_bInitTabNAColumn() {
    return 0;
}
int CNAStatementSQL::_bExecuteDirect(const char*, CTabValParser*, NA_WRITEPARSEFLAGS) {
    return 0;
}

void CNAStatementSQL::PrefetchNextBlock(int, int) {}

void CNAStatementSQL::EndBrowse() {}

// ---------------------------------------------------------------------------------- running a text

int CNAStatementSQL::bExecuteDirect(const wchar_t* pszSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags) {
    if (!bReset()) return 0;
    if (pclParameters == nullptr) return _bExecuteDirect(pszSQL, nullptr, nFlags);

    const unsigned nClientCodePage = m_pclConnection != nullptr ? m_pclConnection->nGetClientCodePage() : 65001;
    const unsigned nCodePage = m_pclConnection != nullptr ? m_pclConnection->nGetCodePage() : 65001;
    CTStringConcatAW clSQL(nClientCodePage, nCodePage);
    const wchar_t* psz = pszSQL != nullptr ? pszSQL : L"";
    const long nTextLength = static_cast<long>(wcslen(psz));
    long nRead = 0;
    const int nCount = pclParameters->nGetNbValue();
    for (int i = 0; i < nCount; i++) {
        CAny clValue;
        int nPosition = 0, nLength = 0;
        if (!_bGetParameter(&clValue, &nPosition, &nLength, pclParameters, i)) return 0;
        // The host's positions are held to the text: a placeholder said to lie outside it never
        // makes the text be read beyond its end, and no part of the text is sent twice.
        long nStart = nPosition < 0 ? 0 : (nPosition > nTextLength ? nTextLength : nPosition);
        long nEnd = nLength < 0 ? nStart : nStart + nLength;
        if (nEnd > nTextLength) nEnd = nTextLength;
        if (nStart > nRead) clSQL.Add(psz + nRead, nStart - nRead);
        if (nEnd > nRead) nRead = nEnd;
        if (!_bAddParameter(&clSQL, static_cast<unsigned>(i), &clValue)) return 0;
    }
    if (nRead < nTextLength) clSQL.Add(psz + nRead, nTextLength - nRead);
    return _bExecuteDirect(&clSQL, pclParameters, nFlags);
}

int CNAStatementSQL::bExecuteDirect(const char* pszSQL, NA_WRITEPARSEFLAGS nFlags) {
    if (!bReset()) return 0;
    return _bExecuteDirect(pszSQL, nullptr, nFlags);
}

int CNAStatementSQL::_bExecuteDirect(CTStringConcatAW* pclSQL, CTabValParser* pclParameters,
                                     NA_WRITEPARSEFLAGS nFlags) {
    // A text that lost a piece on the way is never sent.
    if (pclSQL->bModeWide()) {
        const wchar_t* psz = pclSQL->pszGetW();
        if (pclSQL->bIsInError()) {
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
            return 0;
        }
        return _bExecuteDirect(psz, pclParameters, nFlags);
    }
    const char* psz = pclSQL->pszGetA();
    if (pclSQL->bIsInError()) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
        return 0;
    }
    return _bExecuteDirect(psz, pclParameters, nFlags);
}

int CNAStatementSQL::_bExecuteDirect(const wchar_t* pszSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags) {
    // A connection that speaks wide text only cannot run text through this layer.
    if (m_pclConnection == nullptr || m_pclConnection->nGetClientCodePage() == CTStringConcatAW::s_nCodePageWide)
        return 0;
    CXYString<char> clSQL;
    const long nLength = pszSQL != nullptr ? static_cast<long>(wcslen(pszSQL)) : 0;
    if (nLength != 0 && clSQL.__nConversion(pszSQL, static_cast<int>(nLength), 0,
                                            static_cast<int>(m_pclConnection->nGetClientCodePage()), 0, nullptr) != 0) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
        return 0;
    }
    return _bExecuteDirect(clSQL.pszGet(), pclParameters, nFlags);
}

// ---------------------------------------------------------------------------------- parameters

int CNAStatementSQL::_bGetParameter(CAny* pclValue, int* pnPosition, int* pnLength, CTabValParser* pclParameters,
                                    int i) {
    *pnPosition = pclParameters->nGetPosition(i);
    *pnLength = pclParameters->nGetLength(i);
    const CAny* pclEntry = pclParameters->pclGetValue(i);
    if (pclEntry != nullptr) *pclValue = *pclEntry;
    const unsigned dwFlags = pclParameters->dwGetFlags(i);
    if ((dwFlags & CTabValParser::FLAG_FILE) == 0) return 1;
    // The value names a file whose content is the parameter.
    CXYString<wchar_t> clFileName;
    if (pclEntry != nullptr) pclEntry->__nFillString(clFileName, nullptr);
    const int bBinary = (dwFlags & CTabValParser::FLAG_FILE_TEXT) != 0 ? 0 : 1;
    return CNAVariant::gbLoadFile(pclValue, clFileName.pszGet(), m_pclError, bBinary);
}

int CNAStatementSQL::_bAddParameter(CTStringConcatAW* pclSQL, unsigned, const CAny* pclValue) {
    if (m_pclConnection == nullptr) return 0;
    CTStringConcatAW clLiteral(m_pclConnection->nGetClientCodePage(), m_pclConnection->nGetCodePage());
    if (!m_pclConnection->bConvertValueToString(m_pclError, &clLiteral, pclValue, static_cast<eNA_ITEMTYPE>(0),
                                                static_cast<eNA_ITEMTYPE>(0)))
        return 0;
    if (pclSQL->bModeWide() || pclSQL->nGetCodePage() != clLiteral.nGetCodePage()) {
        const wchar_t* psz = clLiteral.pszGetW();
        pclSQL->Add(psz, static_cast<long>(clLiteral.nGetLongueurW()));
    } else {
        const char* psz = clLiteral.pszGetA();
        pclSQL->Add(psz, static_cast<long>(clLiteral.nGetLongueurA()), clLiteral.nGetCodePage());
    }
    // A literal that could not be written whole must not be sent in part.
    if (clLiteral.bIsInError()) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
        return 0;
    }
    return 1;
}

// ---------------------------------------------------------------------------------- columns

CNAColumnSQL* CNAStatementSQL::pclGetNAColumnSQL(int n) {
    if (static_cast<unsigned>(n) >= m_nNbColumn) {
        g_PSQLAddError(m_pclError, NA_ERRORTYPE_GENERAL, FILE_STATEMENTSQL, SITE_NO_COLUMN, m_pclConnection,
                       USER_ERROR_NO_COLUMN, n, static_cast<int>(m_nNbColumn));
        return nullptr;
    }
    if (m_pTabColumn == nullptr && !_bInitTabNAColumn()) return nullptr;
    if (m_pTabColumn == nullptr) return nullptr;
    return &m_pTabColumn[n];
}

eNA_ITEMTYPE CNAStatementSQL::_eGetColumnType(unsigned n) {
    CNAColumnSQL* pcl = pclGetNAColumnSQL(static_cast<int>(n));
    return pcl != nullptr ? pcl->m_eItemType : static_cast<eNA_ITEMTYPE>(0);
}

const wchar_t* CNAStatementSQL::_pszGetColumnName(unsigned n) {
    CNAColumnSQL* pcl = pclGetNAColumnSQL(static_cast<int>(n));
    return pcl != nullptr ? _pszOrEmpty(pcl->m_csName.pszGet()) : nullptr;
}

int CNAStatementSQL::bGetColumnNbr(int* pnColumns, unsigned) {
    *pnColumns = static_cast<int>(m_nNbColumn);
    return 1;
}

int CNAStatementSQL::bGetColumnName(CAny* pclName, unsigned nColumn, unsigned) {
    const wchar_t* pszName = _pszGetColumnName(nColumn);
    if (pszName == nullptr) return 0;
    _SetPSTRW(pclName, pszName);
    return 1;
}

int CNAStatementSQL::bGetColumnList(CAny* pclList, unsigned) {
    CXYString<wchar_t> clList;
    for (unsigned i = 0; i < m_nNbColumn; i++) {
        const wchar_t* pszName = _pszGetColumnName(i);
        if (pszName == nullptr) return 0;
        if (i > 0) clList.nConcat(L"\r\n", 2);
        clList.nConcat(pszName);
        _SetDSTRW(pclList, clList);
    }
    return 1;
}

// ---------------------------------------------------------------------------------- values

CNAConvertVariant* CNAStatementSQL::_pclGetVariant() {
    if (m_pclVariant == nullptr) {
        // The driver object makes the converters of the process (its factory records a failure).
        if (CNADriver::s_pclDriver != nullptr)
            m_pclVariant = CNADriver::s_pclDriver->pclAllocVariant(m_pclError, m_pclConnection);
        if (m_pclVariant == nullptr) {
            if (CNADriver::s_pclDriver == nullptr && m_pclError != nullptr)
                m_pclError->SetErrorNoMemory(m_pclConnection);
            return nullptr;
        }
        m_pclVariant->AddRef();
    }
    return m_pclVariant;
}

int CNAStatementSQL::bGetValue(CAny* pclValue, unsigned nColumn, unsigned nFlags) {
    CNAConvertVariant* pclVariant = _pclGetVariant();
    if (pclVariant == nullptr) return 0;
    pclVariant->InitTypeVariantAny(VQTYPE_DSTRW, 0);
    if (!bGetValue(pclVariant, nColumn, nFlags)) return 0;
    return pclVariant->bGetValue(pclValue);
}

int CNAStatementSQL::bGetBLOBValue(CAny* pclValue, unsigned nColumn, unsigned nFlags) {
    CNAConvertVariant* pclVariant = _pclGetVariant();
    if (pclVariant == nullptr) return 0;
    pclVariant->InitTypeVariantAny(VQTYPE_BIN, 0);
    if (!bGetValue(pclVariant, nColumn, nFlags)) return 0;
    return pclVariant->bGetValue(pclValue);
}

int CNAStatementSQL::bGetRow(CXYStringConcat<wchar_t>* pclRow, const wchar_t* pszSeparator, int n, unsigned nFlags) {
    if (m_bEnd != 0) {
        g_PSQLAddError(m_pclError, NA_ERRORTYPE_GENERAL, FILE_STATEMENTSQL, SITE_NO_ROW, m_pclConnection,
                       USER_ERROR_NO_ROW, L"");
        return 0;
    }
    pclRow->Vide();
    unsigned nColumns = m_nNbColumn;
    if (n > 0 && static_cast<unsigned>(n) < nColumns) nColumns = static_cast<unsigned>(n);
    CNAConvertVariant* pclVariant = _pclGetVariant();
    if (pclVariant == nullptr) return 0;
    pclVariant->InitTypeVariantAny(VQTYPE_DSTRW, 0);
    const bool bSeparator = pszSeparator != nullptr && *pszSeparator != 0;
    for (unsigned i = 0; i < nColumns; i++) {
        if (!bGetValue(pclVariant, i, nFlags)) return 0;
        if (i > 0 && bSeparator) pclRow->Add(pszSeparator);
        const wchar_t* pszValue = _pszText(pclVariant->pclGetValue());
        if (pszValue != nullptr && *pszValue != 0) pclRow->Add(pszValue);
    }
    return 1;
}

int CNAStatementSQL::bGetRow(CAny* pclRow, const wchar_t* pszSeparator, int n, unsigned nFlags) {
    CXYStringConcat<wchar_t> clRow(1024);
    const int bOk = bGetRow(&clRow, pszSeparator, n, nFlags);
    _SetPSTRW(pclRow, clRow.pszGet());
    return bOk;
}

int CNAStatementSQL::bGetRequestedValue(CAny* pclValue, int nColumn, const wchar_t* pszSQL) {
    int bOk = bExecuteDirect(pszSQL, nullptr, 0);
    if (bOk) {
        bOk = bFetch(0);
        if (bOk && m_bEnd == 0) bOk = bGetValue(pclValue, static_cast<unsigned>(nColumn), 0);
    }
    bReset();
    return bOk;
}

// ---------------------------------------------------------------------------------- state

int CNAStatementSQL::bReset() {
    _bCloseParse();
    m_llNbRow = -1;
    m_llCurrentRow = -1;
    m_nNbColumn = 0;
    _DeleteTabColumn();
    m_bEnd = 1;
    m_llMaxRowLength = 0;
    return 1;
}

int CNAStatementSQL::_bCloseParse() {
    m_bResultOpen = 0;
    return 1;
}

int CNAStatementSQL::bGetStmtLastError(INAError** ppiError) {
    *ppiError = m_pclError;
    return 1;
}

void CNAStatementSQL::ResetLastError() {
    if (m_pclError != nullptr) m_pclError->Reset();
}

// ---------------------------------------------------------------------------------- errors

int CNAStatementSQL::_bInitLastError(unsigned nFile, unsigned nSite) {
    if (m_pclConnection == nullptr) return 1;
    return m_pclConnection->bInitError(m_pclError, nFile, nSite);
}

void CNAStatementSQL::_InitExecuteError(unsigned nFile, unsigned nSite, const wchar_t* pszSQL, long nLength,
                                        unsigned nFlags) {
    _bInitLastError(nFile, nSite);
    _DumpQueryInError(pszSQL, nLength, nFlags);
}

void CNAStatementSQL::_DumpQueryInError(const wchar_t* pszSQL, long nLength, unsigned nFlags) {
    const unsigned nClientCodePage = m_pclConnection != nullptr ? m_pclConnection->nGetClientCodePage() : 65001;
    const unsigned nCodePage = m_pclConnection != nullptr ? m_pclConnection->nGetCodePage() : 65001;
    CTStringConcatAW clSQL(nClientCodePage, nCodePage);
    if (pszSQL != nullptr) {
        if (nLength < 0) nLength = static_cast<long>(wcslen(pszSQL));
        clSQL.Add(pszSQL, nLength < DUMP_MAX_CHARACTERS ? nLength : DUMP_MAX_CHARACTERS);
    }
    _DumpQueryInError(&clSQL, nFlags);
}

void CNAStatementSQL::_DumpQueryInError(const char* pszSQL, long nLength, unsigned nFlags) {
    const unsigned nClientCodePage = m_pclConnection != nullptr ? m_pclConnection->nGetClientCodePage() : 65001;
    const unsigned nCodePage = m_pclConnection != nullptr ? m_pclConnection->nGetCodePage() : 65001;
    CTStringConcatAW clSQL(nClientCodePage, nCodePage);
    if (pszSQL != nullptr) {
        // At most 5000 characters of the text read in the client code page.
        CTString clText;
        clText.SetANSIEx(pszSQL, nLength < 0 ? -1 : static_cast<int>(nLength), nClientCodePage);
        const long n = clText.nTaille();
        clSQL.Add(clText.pszGet(), n < DUMP_MAX_CHARACTERS ? n : DUMP_MAX_CHARACTERS);
    }
    _DumpQueryInError(&clSQL, nFlags);
}

void CNAStatementSQL::_DumpQueryInError(CTStringConcatAW* pclSQL, unsigned) {
    if (m_pclError == nullptr) return;
    const wchar_t* pszDataBase = nullptr;
    const wchar_t* pszDefaultDataBase = nullptr;
    const wchar_t* pszUser = nullptr;
    if (m_pclConnection != nullptr) {
        pszDataBase = m_pclConnection->pszGetDataBase();
        pszDefaultDataBase = m_pclConnection->pszGetDefaultDataBaseEx();
        pszUser = m_pclConnection->pszGetUserName();
    }
    m_pclError->AddDebugMessage(MESSAGE_QUERY_DUMP, _pszOrEmpty(pszDataBase), _pszOrEmpty(pszDefaultDataBase),
                                _pszOrEmpty(pszUser));
    m_pclError->AddDebugMessageNoFormat(pclSQL->pszGetW());
}
