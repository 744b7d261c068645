// The PostgreSQL statement: one PQexec, the result held on the client, its rows and the server's
// error.
#include "pgsql/PSQLStatementSQL.h"

#include <cwchar>

#include "core/TString.h"
#include "native/driver/NAError.h"
#include "native/driver/NAFunctionTable.h"
#include "pgsql/NAColumnSQL.h"
#include "pgsql/PSQLConnection.h"
#include "pgsql/PSQLGuard.h"

namespace {

constexpr unsigned FILE_STATEMENT = 100;
// Sites of this unit's calls and errors.
constexpr unsigned SITE_RESULTERRORFIELD = 1;
constexpr unsigned SITE_RESULTERRORMESSAGE = 2;
constexpr unsigned SITE_STATUS = 3;
constexpr unsigned SITE_CLEAR = 4;
constexpr unsigned SITE_EXEC = 5;
constexpr unsigned SITE_RESULTSTATUS = 6;
constexpr unsigned SITE_NFIELDS = 7;
constexpr unsigned SITE_NTUPLES = 8;
constexpr unsigned SITE_FNAME = 9;
constexpr unsigned SITE_FFORMAT = 10;
constexpr unsigned SITE_FTYPE = 11;
constexpr unsigned SITE_FMOD = 12;
constexpr unsigned SITE_GETISNULL = 14;
constexpr unsigned SITE_GETVALUE = 15;
constexpr unsigned SITE_CMDTUPLES = 18;
constexpr unsigned SITE_REFUSED = 19;

constexpr unsigned USER_ERROR_SERVER = 80;
// The column and row checks are the SQL layer's own (its unit and sites).
constexpr unsigned FILE_STATEMENTSQL = 50;
constexpr unsigned SITE_NO_COLUMN = 1;
constexpr unsigned SITE_NO_ROW = 3;
constexpr unsigned USER_ERROR_NO_ROW = 7;
constexpr unsigned USER_ERROR_NO_COLUMN = 50;
constexpr int OID_NUMERIC = 1700;

}  // namespace

CPSQLStatementSQL::CPSQLStatementSQL(CNAConnectionDescription* pclCnx, CNAError* pclError)
    : CNAStatementSQL(pclCnx, pclError) {}

CPSQLStatementSQL::~CPSQLStatementSQL() {
    if (m_bResultOpen != 0 || m_pResult != nullptr) _bCloseParse();
}

PGconn* CPSQLStatementSQL::_pstGetPGConn() const {
    // Statements of this class are made on PostgreSQL connections only.
    return m_pclConnection != nullptr ? static_cast<CPSQLConnection*>(m_pclConnection)->pstGetPGConn() : nullptr;
}

int CPSQLStatementSQL::_bExecuteDirect(const char* pszSQL, CTabValParser*, NA_WRITEPARSEFLAGS nFlags) {
    PGconn* pConn = _pstGetPGConn();
    if (!g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_EXEC, [&] { m_pResult = __PQexec(pConn, pszSQL); }))
        return 0;
    m_bResultOpen = 1;
    ExecStatusType eStatus = PGRES_FATAL_ERROR;
    if (!g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_RESULTSTATUS,
                     [&] { eStatus = __PQresultStatus(m_pResult); })) {
        _bCloseParse();
        return 0;
    }
    switch (eStatus) {
        case PGRES_EMPTY_QUERY:
        case PGRES_COMMAND_OK:
            return 1;
        case PGRES_TUPLES_OK:
        case PGRES_COPY_OUT:
        case PGRES_COPY_IN:
        case PGRES_NONFATAL_ERROR:
            return _bInitTabNAColumn();
        default: {
            CTString clSQL;
            clSQL.SetANSI(pszSQL, m_pclConnection != nullptr ? m_pclConnection->nGetClientCodePage() : 65001);
            _InitExecuteError(FILE_STATEMENT, SITE_REFUSED, clSQL.pszGet(), clSQL.nTaille(), nFlags);
            _bCloseParse();
            return 0;
        }
    }
}

int CPSQLStatementSQL::_bInitTabNAColumn() {
    int nColumns = 0;
    if (!g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_NFIELDS, [&] { nColumns = __PQnfields(m_pResult); })) return 0;
    if (nColumns <= 0) return 1;
    int nRows = 0;
    if (!g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_NTUPLES, [&] { nRows = __PQntuples(m_pResult); })) return 0;
    m_llNbRow = nRows;
    CNAColumnSQL* pTab = new CNAColumnSQL[static_cast<size_t>(nColumns)];
    for (int i = 0; i < nColumns; i++) {
        const char* pszName = nullptr;
        int nFormat = 0, nModifier = -1;
        Oid nType = 0;
        if (!g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_FNAME, [&] { pszName = __PQfname(m_pResult, i); }) ||
            !g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_FFORMAT, [&] { nFormat = __PQfformat(m_pResult, i); }) ||
            !g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_FTYPE, [&] { nType = __PQftype(m_pResult, i); }) ||
            !g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_FMOD, [&] { nModifier = __PQfmod(m_pResult, i); })) {
            delete[] pTab;
            return 0;
        }
        CNAColumnSQL& clColumn = pTab[i];
        if (pszName != nullptr) clColumn.m_csName.SetANSI(pszName, m_pclConnection->nGetClientCodePage());
        clColumn.m_nFormat = static_cast<uint32_t>(nFormat);
        clColumn.m_nServerType = static_cast<int32_t>(nType);
        clColumn.m_llTypeModifier = nModifier;
        if (nModifier != -1 && static_cast<int>(nType) == OID_NUMERIC) {
            clColumn.m_nDecimalDigits = (nModifier & 0xFFFF) - 4;
            clColumn.m_nIntegerDigits = (nModifier >> 16) - clColumn.m_nDecimalDigits;
        }
        // STUB (statements task): the item type and size from the connection's bConvertItemType.
    }
    m_pTabColumn = pTab;
    m_nNbColumn = static_cast<uint32_t>(nColumns);
    return 1;
}

int CPSQLStatementSQL::_bCloseParse() {
    int bOk = 1;
    if (m_pResult != nullptr) {
        PGresult* pResult = m_pResult;
        bOk = g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_CLEAR, [&] { __PQclear(pResult); });
    }
    m_pResult = nullptr;
    m_bResultOpen = 0;
    return bOk;
}

int CPSQLStatementSQL::bFetch(unsigned) {
    if (m_llNbRow < 1) return 1;
    return _bFetch();
}

int CPSQLStatementSQL::_bFetch() {
    if (m_llCurrentRow + 1 < m_llNbRow) {
        m_llCurrentRow++;
        m_bEnd = 0;
    } else {
        m_bEnd = 1;
    }
    return 1;
}

int CPSQLStatementSQL::bDataSeek(long nRow) {
    m_llCurrentRow = static_cast<int32_t>(nRow - 1);
    return 1;
}

int CPSQLStatementSQL::bGetAffected_rows(unsigned long* pnRows) {
    const char* pszTuples = nullptr;
    if (!g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_CMDTUPLES, [&] { pszTuples = __PQcmdTuples(m_pResult); }))
        return 0;
    unsigned long n = 0;
    for (const char* p = pszTuples; p != nullptr && *p >= '0' && *p <= '9'; p++) n = n * 10 + static_cast<unsigned>(*p - '0');
    *pnRows = n;
    return 1;
}

int CPSQLStatementSQL::_bInitLastError(unsigned nFile, unsigned nSite) {
    if (m_pResult == nullptr) {
        ConnStatusType eStatus = CONNECTION_OK;
        PGconn* pConn = _pstGetPGConn();
        if (!g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_STATUS, [&] { eStatus = __PQstatus(pConn); })) return 0;
        // STUB (statements task): the error kind of a broken connection (10) is set here too.
        if (eStatus == CONNECTION_BAD && m_pclConnection != nullptr) {
            m_pclConnection->bInitError(m_pclError, nFile, nSite);
            return 1;
        }
    }
    const char* pszCode = nullptr;
    if (!g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_RESULTERRORFIELD,
                     [&] { pszCode = __PQresultErrorField(m_pResult, PG_DIAG_SQLSTATE); }))
        return 0;
    if (pszCode == nullptr || *pszCode == 0) return 1;
    const unsigned nCodePage = m_pclConnection != nullptr ? m_pclConnection->nGetClientCodePage() : 65001;
    CTString clCode;
    clCode.SetANSI(pszCode, nCodePage);
    const wchar_t* pszWideCode = clCode.pszGet();
    const unsigned nCode = static_cast<unsigned>(wcstoul(pszWideCode, nullptr, 10));
    bool bDigitsOnly = true;
    for (const wchar_t* p = pszWideCode; *p != 0; p++)
        if (*p < L'0' || *p > L'9') bDigitsOnly = false;
    if (bDigitsOnly && nCode == 0) return 1;

    const char* pszMessage = nullptr;
    if (!g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_RESULTERRORMESSAGE,
                     [&] { pszMessage = __PQresultErrorMessage(m_pResult); }))
        return 0;
    if (m_pclError == nullptr) return 1;
    const wchar_t* pszDataBase = m_pclConnection != nullptr ? m_pclConnection->pszGetDataBase() : nullptr;
    g_PSQLAddError(m_pclError, NA_ERRORTYPE_GENERAL, nFile, nSite, m_pclConnection, USER_ERROR_SERVER,
                   pszDataBase != nullptr ? pszDataBase : L"", pszWideCode);
    CTString clMessage;
    if (pszMessage != nullptr) clMessage.SetANSI(pszMessage, nCodePage);
    m_pclError->AddUserMessageNoFormat(clMessage.pszGet());
    m_pclError->SetDataBaseErrorMessage(clMessage.pszGet());
    m_pclError->SetDataBaseErrorCode(nCode);
    return 1;
}

int CPSQLStatementSQL::_bGetValueText(CTString* pclOut, unsigned nColumn) {
    pclOut->Vide();
    if (m_pResult == nullptr || m_bEnd != 0) {
        g_PSQLAddError(m_pclError, NA_ERRORTYPE_GENERAL, FILE_STATEMENTSQL, SITE_NO_ROW, m_pclConnection,
                       USER_ERROR_NO_ROW, L"");
        return 0;
    }
    if (nColumn >= m_nNbColumn) {
        g_PSQLAddError(m_pclError, NA_ERRORTYPE_GENERAL, FILE_STATEMENTSQL, SITE_NO_COLUMN, m_pclConnection,
                       USER_ERROR_NO_COLUMN, static_cast<int>(nColumn), static_cast<int>(m_nNbColumn));
        return 0;
    }
    const int nRow = static_cast<int>(m_llCurrentRow);
    const int nField = static_cast<int>(nColumn);
    int bNull = 0;
    if (!g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_GETISNULL,
                     [&] { bNull = __PQgetisnull(m_pResult, nRow, nField); }))
        return 0;
    if (bNull == 1) return 1;
    const char* pszValue = nullptr;
    if (!g_bPSQLCall(m_pclError, FILE_STATEMENT, SITE_GETVALUE,
                     [&] { pszValue = __PQgetvalue(m_pResult, nRow, nField); }))
        return 0;
    if (pszValue != nullptr) pclOut->SetANSI(pszValue, m_pclConnection->nGetClientCodePage());
    return 1;
}
