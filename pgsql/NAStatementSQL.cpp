// The SQL-layer statement: construction and references, running a text, reset, and the error and
// dump of a refused query.
#include "pgsql/NAStatementSQL.h"

#include <cwchar>

#include "core/TStringConcatAW.h"
#include "core/XYString.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "pgsql/NAColumnSQL.h"

unsigned CNAStatementSQL::m_gnStmtGenerator = 0;

namespace {

// The query text kept in the dump of a refused query.
constexpr long DUMP_MAX_CHARACTERS = 5000;
constexpr unsigned MESSAGE_QUERY_DUMP = 28588;

const wchar_t* _pszOrEmpty(const wchar_t* psz) {
    return psz != nullptr ? psz : L"";
}

}  // namespace

CNAStatementSQL::CNAStatementSQL(CNAConnectionDescription* pclCnx, CNAError* pclError)
    : m_pclError(pclError), m_pclConnection(pclCnx), m_nStmtNumber(++m_gnStmtGenerator) {
    if (m_pclError != nullptr) m_pclError->AddRef();
    if (m_pclConnection != nullptr) m_pclConnection->AddRef();
}

CNAStatementSQL::~CNAStatementSQL() {
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

// ---------------------------------------------------------------------------------- not built yet

// STUB (statements task): a column's value as wide text into the variant, through the converter.
int CNAStatementSQL::bGetValue(CAny*, unsigned, unsigned) {
    return 0;
}
// STUB (statements task): a column's value as binary into the variant, through the converter.
int CNAStatementSQL::bGetBLOBValue(CAny*, unsigned, unsigned) {
    return 0;
}
// STUB (statements task): one parameter written as an SQL literal by the connection.
int CNAStatementSQL::_bAddParameter(CTStringConcatAW*, unsigned, const CAny*) {
    return 0;
}

// ---------------------------------------------------------------------------------- running a text

int CNAStatementSQL::bExecuteDirect(const wchar_t* pszSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags) {
    if (!bReset()) return 0;
    // STUB (statements task): the values of a parameter table are put in place of their
    // placeholders; until then a text with parameters is not sent.
    if (pclParameters != nullptr) return 0;
    return _bExecuteDirect(pszSQL, nullptr, nFlags);
}

int CNAStatementSQL::bExecuteDirect(const char* pszSQL, NA_WRITEPARSEFLAGS nFlags) {
    if (!bReset()) return 0;
    return _bExecuteDirect(pszSQL, nullptr, nFlags);
}

int CNAStatementSQL::_bExecuteDirect(CTStringConcatAW* pclSQL, CTabValParser* pclParameters,
                                     NA_WRITEPARSEFLAGS nFlags) {
    if (pclSQL->bModeWide()) return _bExecuteDirect(pclSQL->pszGetW(), pclParameters, nFlags);
    return _bExecuteDirect(pclSQL->pszGetA(), pclParameters, nFlags);
}

int CNAStatementSQL::_bExecuteDirect(const wchar_t* pszSQL, CTabValParser* pclParameters,
                                     NA_WRITEPARSEFLAGS nFlags) {
    // A connection that speaks wide text only cannot run text through this layer.
    if (m_pclConnection == nullptr || m_pclConnection->nGetClientCodePage() == CTStringConcatAW::s_nCodePageWide)
        return 0;
    CXYString<char> clSQL;
    const long nLength = pszSQL != nullptr ? static_cast<long>(wcslen(pszSQL)) : 0;
    if (nLength != 0 &&
        clSQL.__nConversion(pszSQL, static_cast<int>(nLength), 0,
                            static_cast<int>(m_pclConnection->nGetClientCodePage()), 0, nullptr) != 0) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
        return 0;
    }
    return _bExecuteDirect(clSQL.pszGet(), pclParameters, nFlags);
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

int CNAStatementSQL::bGetColumnNbr(int* pnColumns, unsigned) {
    *pnColumns = static_cast<int>(m_nNbColumn);
    return 1;
}

// ---------------------------------------------------------------------------------- errors

int CNAStatementSQL::_bInitLastError(unsigned nFile, unsigned nSite) {
    if (m_pclConnection == nullptr) return 1;
    return m_pclConnection->bInitError(m_pclError, nFile, nSite);
}

void CNAStatementSQL::_InitExecuteError(unsigned nFile, unsigned nSite, const wchar_t* pszSQL, long nLength,
                                        unsigned) {
    _bInitLastError(nFile, nSite);
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
    if (pszSQL == nullptr) return;
    if (nLength < 0) nLength = static_cast<long>(wcslen(pszSQL));
    CTString clQuery(pszSQL, nLength < DUMP_MAX_CHARACTERS ? nLength : DUMP_MAX_CHARACTERS);
    m_pclError->AddDebugMessageNoFormat(clQuery.pszGet());
}
