// The PostgreSQL statement: one PQexec, the result held on the client, its column table, its rows,
// its values and the server's error.
#include "pgsql/PSQLStatementSQL.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <new>
#include <string>

#include "core/TString.h"
#include "native/driver/NAError.h"
#include "native/driver/NAFunctionTable.h"
#include "native/model/NAConvertVariant.h"
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
constexpr unsigned SITE_UNESCAPEBYTEA = 16;
constexpr unsigned SITE_FREEMEM = 17;
constexpr unsigned SITE_CMDTUPLES = 18;
constexpr unsigned SITE_REFUSED = 19;

constexpr unsigned USER_ERROR_CONNECTION = 22;
constexpr unsigned USER_ERROR_SERVER = 80;
// The row check is the SQL layer's own (its unit and site).
constexpr unsigned FILE_STATEMENTSQL = 50;
constexpr unsigned SITE_NO_ROW = 3;
constexpr unsigned USER_ERROR_NO_ROW = 7;

constexpr int OID_BOOL = 16;
constexpr int OID_DATE = 1082;
constexpr int OID_MONEY = 790;
constexpr int OID_NUMERIC = 1700;
constexpr unsigned CODEPAGE_BOOLEAN = 1252;
constexpr unsigned CODEPAGE_UTF8 = 65001;
// The blocks a browse cursor serves to pay for itself: declaring it over 10^6 rows costs about as
// much as six blocks' SELECTs sorting them.
constexpr unsigned CURSOR_BLOCKS_PAID = 8;

constexpr bool _bByteString(int nType) {
    return nType == 17 || nType == 22;
}

// Intervals are not among them: they are read as the server's text.
constexpr bool _bDateTime(int nType) {
    switch (nType) {
        case 702:
        case 703:
        case 704:
        case 1082:
        case 1083:
        case 1114:
        case 1184:
        case 1266:
            return true;
        default:
            return false;
    }
}

// The types whose text takes a road of its own (booleans, byte strings, dates and times, money),
// a bit each: most columns are none of them, which one look at a word tells.
constexpr int OID_SPECIAL_LAST = 1279;
struct stSpecialTypes {
    uint64_t a[(OID_SPECIAL_LAST + 64) / 64] = {};
    constexpr stSpecialTypes() {
        for (int n : {16, 17, 22, 702, 703, 704, 790, 1082, 1083, 1114, 1184, 1266}) a[n / 64] |= uint64_t(1) << (n % 64);
    }
    constexpr bool bContains(int n) const {
        return n >= 0 && n <= OID_SPECIAL_LAST && ((a[n / 64] >> (n % 64)) & 1) != 0;
    }
};
constexpr stSpecialTypes s_stSpecialTypes;

// The roads of bGetValue, each type of them in the table and no other.
constexpr bool _bSpecialTypesComplete() {
    for (int n = -1; n <= OID_SPECIAL_LAST + 100; n++)
        if (s_stSpecialTypes.bContains(n) != (n == OID_BOOL || _bByteString(n) || _bDateTime(n) || n == OID_MONEY))
            return false;
    return true;
}
static_assert(_bSpecialTypesComplete());

// The server's infinite dates and date-times, as the host's last and first ones.
const char* _pszInfinity(const char* pszText, int nType) {
    // Every other text begins with a digit: the words are only compared when they may be there.
    if (pszText[0] != 'i' && !(pszText[0] == '-' && pszText[1] == 'i')) return pszText;
    const bool bDate = nType == OID_DATE;
    if (strcmp(pszText, "infinity") == 0) return bDate ? "9999-12-31" : "9999-12-31 23:59:59.999";
    if (strcmp(pszText, "-infinity") == 0) return bDate ? "0001-01-01" : "0001-01-01 00:00:00";
    return pszText;
}

// A money text as lc_monetary writes it ("-$1,234.56", "-1.234,56 EUR", "($1,234.56)") made the
// plain number it stands for. The decimal separator is the last '.' or ',' followed by one or two
// digits; the other marks (currency, grouping, blanks) are dropped. A table's money columns are
// selected as numbers: this serves the money of a query the host wrote itself.
std::string _sMoneyNumber(const char* pszText) {
    std::string sDigits;
    bool bNegative = false;
    size_t nDecimals = std::string::npos;
    const size_t nLength = strlen(pszText);
    for (size_t i = 0; i < nLength; i++) {
        const char c = pszText[i];
        if (c >= '0' && c <= '9') {
            sDigits += c;
        } else if (c == '-' || c == '(') {
            bNegative = true;
        } else if (c == '.' || c == ',') {
            size_t nFollowing = 0;
            while (i + 1 + nFollowing < nLength && pszText[i + 1 + nFollowing] >= '0' &&
                   pszText[i + 1 + nFollowing] <= '9')
                nFollowing++;
            if (nFollowing >= 1 && nFollowing <= 2) nDecimals = sDigits.size();
        }
    }
    if (sDigits.empty()) return std::string();
    std::string sNumber = bNegative ? "-" : "";
    if (nDecimals == std::string::npos || nDecimals >= sDigits.size()) return sNumber + sDigits;
    return sNumber + (nDecimals == 0 ? std::string("0") : sDigits.substr(0, nDecimals)) + "." + sDigits.substr(nDecimals);
}

// How many errors the object holds (the main one and its sub-errors).
int _nErrorCount(const CNAError* pclError) {
    if (pclError == nullptr || pclError->eGetErrorType() == NA_ERRORTYPE_NONE) return 0;
    return 1 + pclError->pclGetXError()->nGetNbSubError();
}

}  // namespace

CPSQLStatementSQL::CPSQLStatementSQL(CNAConnectionDescription* pclCnx, CNAError* pclError)
    : CNAStatementSQL(pclCnx, pclError) {}

CPSQLStatementSQL::~CPSQLStatementSQL() {
    EndBrowse();
    if (m_bResultOpen != 0 || m_pResult != nullptr) _bCloseParse();
    delete[] m_pKeptColumns;
}

int CPSQLStatementSQL::bReset() {
    _KeepColumnTable();
    return CNAStatementSQL::bReset();
}

PGconn* CPSQLStatementSQL::_pstGetPGConn() const {
    // Statements of this class are made on PostgreSQL connections only.
    return m_pclConnection != nullptr ? static_cast<CPSQLConnection*>(m_pclConnection)->pstGetPGConn() : nullptr;
}

// ---------------------------------------------------------------------------------- execution

int CPSQLStatementSQL::_bExecuteDirect(const char* pszSQL, CTabValParser*, NA_WRITEPARSEFLAGS nFlags) {
    PGconn* pConn = _pstGetPGConn();
    m_bKeepLastRow = false;
    bool bTaken = false;
    auto* pclCnx = static_cast<CPSQLConnection*>(m_pclConnection);
    CPSQLPrefetch* pclPrefetch = pclCnx != nullptr ? pclCnx->pclGetPrefetch() : nullptr;
    const bool bForeseen = !m_sForeseen.empty() && pszSQL != nullptr && m_sForeseen == pszSQL;
    m_sForeseen.clear();
    bool bFromCursor = false;
    if (pclPrefetch != nullptr) {
        if (bForeseen && m_bOrderWithoutIndex) bFromCursor = _bRunFromCursor(pclPrefetch, pszSQL);
        // Anything else on the connection ends the cursor's road: the browse it served goes on
        // with the SELECT of its next block, which sees what ran meanwhile.
        if (!bFromCursor) pclPrefetch->CloseCursor(pConn);
    }
    if (!bFromCursor && pclPrefetch != nullptr && pclPrefetch->bPending()) {
        // Whatever was sent ahead is this statement's answer only when it is this very text.
        const bool bOwn = pclPrefetch->nGetOwner() == m_nStmtNumber;
        m_pResult = pclPrefetch->pTake(pConn, m_nStmtNumber, pszSQL, &bTaken);
        if (bOwn && !bTaken) m_bPrefetchMissed = true;
    }
    if (!bFromCursor && !bTaken &&
        !g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_EXEC,
                     [&] { m_pResult = __PQexec(pConn, pszSQL); }))
        return 0;
    if (pclPrefetch != nullptr) pclPrefetch->CountRun();
    m_bResultOpen = 1;
    // Kept even after a miss: the next fresh start of the browse sends ahead again from it.
    if (pclPrefetch != nullptr && CPSQLPrefetch::s_bAvailable()) m_sLastSQL = pszSQL;
    ExecStatusType eStatus = PGRES_FATAL_ERROR;
    if (!g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_RESULTSTATUS,
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
            clSQL.SetANSI(pszSQL, m_pclConnection != nullptr ? m_pclConnection->nGetClientCodePage() : CODEPAGE_UTF8);
            _InitExecuteError(FILE_STATEMENT, SITE_REFUSED, clSQL.pszGet(), clSQL.nTaille(), nFlags);
            _bCloseParse();
            return 0;
        }
    }
}

int CPSQLStatementSQL::_bInitTabNAColumn() {
    int nColumns = 0;
    if (!g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_NFIELDS,
                     [&] { nColumns = __PQnfields(m_pResult); }))
        return 0;
    if (nColumns <= 0) return 1;
    int nRows = 0;
    if (!g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_NTUPLES,
                     [&] { nRows = __PQntuples(m_pResult); }))
        return 0;
    m_llNbRow = nRows;
    auto* pclCnx = static_cast<CPSQLConnection*>(m_pclConnection);
    const unsigned nCodePage = pclCnx != nullptr ? pclCnx->nGetClientCodePage() : CODEPAGE_UTF8;
    _KeepColumnTable();
    if (_bTakeKeptColumnTable(nColumns, nCodePage)) return 1;
    delete[] m_pKeptColumns;
    m_pKeptColumns = nullptr;
    m_nKeptColumns = 0;
    CNAColumnSQL* pTab = new (std::nothrow) CNAColumnSQL[static_cast<size_t>(nColumns)];
    if (pTab == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
        return 0;
    }
    std::string sNames;
    for (int i = 0; i < nColumns; i++) {
        const char* pszName = nullptr;
        int nFormat = 0, nModifier = -1;
        Oid nType = 0;
        if (!g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_FNAME,
                         [&] { pszName = __PQfname(m_pResult, i); }) ||
            !g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_FFORMAT,
                         [&] { nFormat = __PQfformat(m_pResult, i); }) ||
            !g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_FTYPE,
                         [&] { nType = __PQftype(m_pResult, i); }) ||
            !g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_FMOD,
                         [&] { nModifier = __PQfmod(m_pResult, i); })) {
            delete[] pTab;
            return 0;
        }
        CNAColumnSQL& clColumn = pTab[i];
        if (pszName != nullptr) clColumn.m_csName.SetANSI(pszName, nCodePage);
        sNames.append(pszName != nullptr ? pszName : "");
        sNames.push_back('\0');
        clColumn.m_nFormat = static_cast<uint32_t>(nFormat);
        clColumn.m_nServerType = static_cast<int32_t>(nType);
        clColumn.m_llTypeModifier = nModifier;
        // A numeric without a modifier has no declared precision: its digits stay 0 and 0.
        if (nModifier != -1 && static_cast<int>(nType) == OID_NUMERIC) {
            clColumn.m_nDecimalDigits = (nModifier & 0xFFFF) - 4;
            clColumn.m_nIntegerDigits = (nModifier >> 16) - clColumn.m_nDecimalDigits;
        }
        if (pclCnx != nullptr)
            pclCnx->bConvertItemType(&clColumn.m_eItemType, &clColumn.m_nSize, static_cast<int>(nType), nModifier,
                                     clColumn.m_nIntegerDigits, clColumn.m_nDecimalDigits);
    }
    m_pTabColumn = pTab;
    m_nNbColumn = static_cast<uint32_t>(nColumns);
    m_sColumnNames.swap(sNames);
    m_nColumnNamesCodePage = nCodePage;
    return 1;
}

void CPSQLStatementSQL::_KeepColumnTable() {
    if (m_pTabColumn == nullptr) return;
    delete[] m_pKeptColumns;
    m_pKeptColumns = m_pTabColumn;
    m_nKeptColumns = m_nNbColumn;
    m_pTabColumn = nullptr;
}

bool CPSQLStatementSQL::_bTakeKeptColumnTable(int nColumns, unsigned nCodePage) {
    if (m_pKeptColumns == nullptr || m_nKeptColumns != static_cast<uint32_t>(nColumns) ||
        m_nColumnNamesCodePage != nCodePage)
        return false;
    const char* pszKeptName = m_sColumnNames.c_str();
    const char* pszNamesEnd = pszKeptName + m_sColumnNames.size();
    for (int i = 0; i < nColumns; i++) {
        const char* pszName = nullptr;
        int nFormat = 0, nModifier = -1;
        Oid nType = 0;
        // A failing call says so again when the table is built afresh.
        if (!g_bPSQLCall(nullptr, FILE_STATEMENT, SITE_FNAME, [&] { pszName = __PQfname(m_pResult, i); }) ||
            !g_bPSQLCall(nullptr, FILE_STATEMENT, SITE_FFORMAT, [&] { nFormat = __PQfformat(m_pResult, i); }) ||
            !g_bPSQLCall(nullptr, FILE_STATEMENT, SITE_FTYPE, [&] { nType = __PQftype(m_pResult, i); }) ||
            !g_bPSQLCall(nullptr, FILE_STATEMENT, SITE_FMOD, [&] { nModifier = __PQfmod(m_pResult, i); }))
            return false;
        const CNAColumnSQL& clColumn = m_pKeptColumns[i];
        if (pszName == nullptr || pszKeptName >= pszNamesEnd || strcmp(pszName, pszKeptName) != 0 ||
            clColumn.m_nFormat != static_cast<uint32_t>(nFormat) ||
            clColumn.m_nServerType != static_cast<int32_t>(nType) || clColumn.m_llTypeModifier != nModifier)
            return false;
        pszKeptName += strlen(pszKeptName) + 1;
    }
    m_pTabColumn = m_pKeptColumns;
    m_nNbColumn = m_nKeptColumns;
    m_pKeptColumns = nullptr;
    m_nKeptColumns = 0;
    return true;
}

void CPSQLStatementSQL::_ReadLastRow(CPSQLPrefetch::Fields* paFields) {
    paFields->clear();
    if (m_pResult == nullptr || m_llNbRow < 1) return;
    const int nRow = static_cast<int>(m_llNbRow - 1);
    for (unsigned i = 0; i < m_nNbColumn; i++) {
        const int nField = static_cast<int>(i);
        int bNull = 0;
        const char* psz = nullptr;
        if (!g_bPSQLCall(nullptr, FILE_STATEMENT, SITE_GETISNULL, [&] { bNull = __PQgetisnull(m_pResult, nRow, nField); }) ||
            (!bNull &&
             !g_bPSQLCall(nullptr, FILE_STATEMENT, SITE_GETVALUE, [&] { psz = __PQgetvalue(m_pResult, nRow, nField); }))) {
            paFields->clear();
            return;
        }
        if (bNull || psz == nullptr)
            paFields->emplace_back();
        else
            paFields->emplace_back(psz);
    }
}

bool CPSQLStatementSQL::_bRunFromCursor(CPSQLPrefetch* pclPrefetch, const char* pszSQL) {
    std::string sDeclare, sFetch;
    long nBlock = 0;
    if (!CPSQLPrefetch::s_bCursorTexts(pszSQL, m_nStmtNumber, &sDeclare, &sFetch, &nBlock)) return false;
    PGconn* pConn = _pstGetPGConn();
    const bool bOpen = pclPrefetch->bCursorOpen(m_nStmtNumber);
    if (!bOpen) {
        // The statement's cursor ended while it still had rows.
        if (m_bHadCursor)
            m_nCursorPatience = m_nCursorBlocks >= CURSOR_BLOCKS_PAID ? 1 : std::min(64u, 2 * m_nCursorPatience);
        m_bHadCursor = false;
        // Something else ran since the block before: this block is read as it always was. A host
        // that runs a statement at every block boundary never pays for a sort it does not use.
        if (pclPrefetch->nGetRuns() != m_nRunsAfterBlock) {
            m_nQuietBlocks = 0;
            return false;
        }
        if (++m_nQuietBlocks < m_nCursorPatience) return false;
        pclPrefetch->CloseCursor(pConn);
        pclPrefetch->Discard(pConn);
        // A cursor declared inside the host's transaction block would end with it, or hold its
        // rows past it; the blocks of a transaction are read as they always were.
        if (!CPSQLPrefetch::s_bIdle(pConn)) return false;
    }
    PGresult* pResult = nullptr;
    bool bTaken = false;
    if (bOpen && pclPrefetch->bPending()) {
        pResult = pclPrefetch->pTake(pConn, m_nStmtNumber, sFetch.c_str(), &bTaken);
        // The fetch dropped took the cursor with it.
        if (!bTaken && !pclPrefetch->bCursorOpen(m_nStmtNumber)) return false;
    }
    const std::string& sRun = bOpen ? sFetch : sDeclare;
    if (!bTaken && !g_bPSQLCall(nullptr, FILE_STATEMENT, SITE_EXEC, [&] { pResult = __PQexec(pConn, sRun.c_str()); }))
        pResult = nullptr;
    ExecStatusType eStatus = PGRES_FATAL_ERROR;
    int nRows = 0;
    if (pResult != nullptr &&
        (!g_bPSQLCall(nullptr, FILE_STATEMENT, SITE_RESULTSTATUS, [&] { eStatus = __PQresultStatus(pResult); }) ||
         !g_bPSQLCall(nullptr, FILE_STATEMENT, SITE_NTUPLES, [&] { nRows = __PQntuples(pResult); })))
        eStatus = PGRES_FATAL_ERROR;
    if (eStatus != PGRES_TUPLES_OK) {
        // A declaration that failed took its cursor with it (one implicit transaction); an open
        // cursor whose fetch failed is closed. The block's SELECT then runs as it always did.
        if (pResult != nullptr) g_bPSQLCall(nullptr, FILE_STATEMENT, SITE_CLEAR, [&] { __PQclear(pResult); });
        pclPrefetch->CloseCursor(pConn);
        // A declaration the server refused is not tried at every block.
        if (!bOpen) m_nCursorPatience = 64;
        m_nQuietBlocks = 0;
        m_bHadCursor = false;
        return false;
    }
    if (!bOpen) {
        pclPrefetch->CursorOpened(m_nStmtNumber);
        m_bHadCursor = true;
        m_nQuietBlocks = 0;
        m_nCursorBlocks = 0;
    }
    m_nCursorBlocks++;
    // A block short of the count is the last: nothing is left for the cursor to give.
    if (nRows < nBlock) {
        pclPrefetch->CloseCursor(pConn);
        m_bHadCursor = false;
    }
    m_pResult = pResult;
    return true;
}

void CPSQLStatementSQL::PrefetchNextBlock(int bContinuing, int bOrderIndexed) {
    m_sForeseen.clear();
    auto* pclCnx = static_cast<CPSQLConnection*>(m_pclConnection);
    if (pclCnx == nullptr || m_pResult == nullptr || m_sLastSQL.empty() || !CPSQLPrefetch::s_bAvailable()) return;
    CPSQLPrefetch* pclPrefetch = pclCnx->pclGetPrefetch();
    m_bOrderWithoutIndex = bOrderIndexed == 0;
    m_nRunsAfterBlock = pclPrefetch->nGetRuns();
    // A fresh start of the browse (first, last, a seek; or the first full block after a result
    // that was not one, as when a search found no equal row and goes on past its value) begins a
    // new chain of blocks: a guess that missed in the chain before says nothing about this one.
    const bool bFreshStart = !bContinuing || m_aBlockBefore.empty();
    if (bFreshStart) m_bPrefetchMissed = false;
    // This block's last row foresees the next block's text when the row before it gave this one's.
    // It is kept after a miss too, so that the chain is not taken for a fresh start at the next
    // block: a statement whose guesses miss sends nothing more until its browse starts afresh.
    _ReadLastRow(&m_aBlockLast);
    m_bKeepLastRow = true;
    if (bFreshStart) return;
    // The server's way with backslashes changes a quoted literal only when a field holds one: it is
    // asked of the connection then.
    auto bBackslash = [](const CPSQLPrefetch::Fields& a) {
        return std::any_of(a.begin(), a.end(), [](const std::optional<std::string>& s) {
            return s.has_value() && s->find('\\') != std::string::npos;
        });
    };
    const bool bBackslashEscapes =
        (bBackslash(m_aBlockBefore) || bBackslash(m_aBlockLast)) && pclCnx->bBackslashEscapesInLiterals() != 0;
    if (!CPSQLPrefetch::s_bNextBlockText(m_sLastSQL, m_aBlockBefore, m_aBlockLast, &m_sForeseen, bBackslashEscapes))
        return;
    if (m_bPrefetchMissed) return;
    std::string sDeclare, sFetch;
    long nBlock = 0;
    // The cursor's texts are made only where they decide: a browse along an index sends its next
    // SELECT whatever they are.
    auto bCursorTexts = [&] {
        return CPSQLPrefetch::s_bCursorTexts(m_sForeseen, m_nStmtNumber, &sDeclare, &sFetch, &nBlock);
    };
    if (pclPrefetch->bCursorOpen(m_nStmtNumber)) {
        if (bCursorTexts()) pclPrefetch->bSend(_pstGetPGConn(), m_nStmtNumber, sFetch.c_str(), true);
    } else if (!m_bOrderWithoutIndex || m_nQuietBlocks + 1 < m_nCursorPatience || !bCursorTexts()) {
        // Without an index, when the next block declares a cursor, its SELECT sent ahead would
        // sort the rows once more for nothing.
        pclPrefetch->bSend(_pstGetPGConn(), m_nStmtNumber, m_sForeseen.c_str());
    }
}

void CPSQLStatementSQL::EndBrowse() {
    m_sForeseen.clear();
    m_bHadCursor = false;
    m_nQuietBlocks = 0;
    auto* pclCnx = static_cast<CPSQLConnection*>(m_pclConnection);
    if (pclCnx != nullptr && pclCnx->pclGetPrefetch()->bCursorOpen(m_nStmtNumber))
        pclCnx->pclGetPrefetch()->CloseCursor(_pstGetPGConn());
}

int CPSQLStatementSQL::_bCloseParse() {
    int bOk = 1;
    if (m_bKeepLastRow) {
        m_aBlockBefore.swap(m_aBlockLast);
        m_bKeepLastRow = false;
    } else if (m_pResult != nullptr) {
        m_aBlockBefore.clear();
    }
    if (m_pResult != nullptr) {
        PGresult* pResult = m_pResult;
        bOk = g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_CLEAR, [&] { __PQclear(pResult); });
    }
    m_pResult = nullptr;
    m_bResultOpen = 0;
    return bOk;
}

// ---------------------------------------------------------------------------------- rows

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
    if (!g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_CMDTUPLES,
                     [&] { pszTuples = __PQcmdTuples(m_pResult); }))
        return 0;
    unsigned long n = 0;
    for (const char* p = pszTuples; p != nullptr && *p >= '0' && *p <= '9'; p++)
        n = n * 10 + static_cast<unsigned>(*p - '0');
    *pnRows = n;
    return 1;
}

// ---------------------------------------------------------------------------------- values

int CPSQLStatementSQL::bGetValue(CNAConvertVariant* pclValue, unsigned nColumn, unsigned) {
    // The client library answers NULL for a field outside its result: a read there is refused,
    // not taken for a NULL value.
    // The column table of a result read row after row is there already.
    CNAColumnSQL* pclColumn = nColumn < m_nNbColumn && m_pTabColumn != nullptr
                                  ? &m_pTabColumn[nColumn]
                                  : pclGetNAColumnSQL(static_cast<int>(nColumn));
    if (pclColumn == nullptr) return 0;
    if (m_pResult == nullptr || m_bEnd != 0 || m_llCurrentRow < 0 || m_llCurrentRow >= m_llNbRow) {
        g_PSQLAddError(m_pclError, NA_ERRORTYPE_GENERAL, FILE_STATEMENTSQL, SITE_NO_ROW, m_pclConnection,
                       USER_ERROR_NO_ROW, L"");
        return 0;
    }
    const int nRow = static_cast<int>(m_llCurrentRow);
    const int nField = static_cast<int>(nColumn);
    // The client library gives a NULL field as an empty text: a field with a character is not
    // NULL, and only an empty one needs its NULL flag asked.
    const char* pszText = nullptr;
    if (!g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_GETVALUE,
                     [&] { pszText = __PQgetvalue(m_pResult, nRow, nField); }))
        return 0;
    if (pszText == nullptr || *pszText == 0) {
        int bNull = 0;
        if (!g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_GETISNULL,
                         [&] { bNull = __PQgetisnull(m_pResult, nRow, nField); }))
            return 0;
        if (bNull == 1) {
            pclValue->SetNull();
            return 1;
        }
        pszText = "";
    }
    // A value sent in binary form is not read: the converter must not keep what an earlier column
    // left in it, so it holds NULL.
    if (pclColumn->m_nFormat != 0) {
        pclValue->SetNull();
        return 1;
    }
    const int nType = pclColumn->m_nServerType;
    if (!s_stSpecialTypes.bContains(nType))
        return pclValue->bSetValueDB(pszText, strlen(pszText), m_pclConnection->nGetClientCodePage());
    if (nType == OID_BOOL) {
        const char* pszBool = CNAConvertVariant::s_bTextToBool(pszText) ? "1" : "0";
        return pclValue->bSetValueDB(pszBool, 1, CODEPAGE_BOOLEAN);
    }
    if (_bByteString(nType)) return _bSetByteString(pclValue, pszText, pclColumn);
    if (_bDateTime(nType)) return _bSetDateTime(pclValue, pszText, nType);
    if (nType == OID_MONEY) {
        const std::string sNumber = _sMoneyNumber(pszText);
        return pclValue->bSetValueDB(sNumber.c_str(), sNumber.size(), m_pclConnection->nGetClientCodePage());
    }
    return pclValue->bSetValueDB(pszText, strlen(pszText), m_pclConnection->nGetClientCodePage());
}

int CPSQLStatementSQL::_bSetByteString(CNAConvertVariant* pclValue, const char* pszText,
                                       const CNAColumnSQL* pclColumn) {
    // Client libraries of 8.x do not read the hexadecimal form that servers of 9.0 and later send.
    if (CNAConnectionDescription::m_nClientVersionMajor <= 8 && pszText[0] == '\\' && pszText[1] == 'x') {
        const long n = static_cast<long>(strlen(pszText)) - 2;
        if (n == 0) return pclValue->bSetValueDB(reinterpret_cast<const unsigned char*>(""), 0);
        auto* pclCnx = static_cast<CPSQLConnection*>(m_pclConnection);
        unsigned char* pbyBytes = pclCnx->pUnescapeBytea(m_pclError, pszText + 2, n, pclColumn->m_csTableName.pszGet(),
                                                         pclColumn->m_csName.pszGet());
        if (pbyBytes == nullptr) return 0;
        const int bOk = pclValue->bSetValueDB(pbyBytes, static_cast<unsigned long>(n / 2));
        free(pbyBytes);
        return bOk;
    }
    unsigned char* pbyBytes = nullptr;
    size_t nLength = 0;
    if (!g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_UNESCAPEBYTEA,
                     [&] { pbyBytes = __PQunescapeBytea(reinterpret_cast<const unsigned char*>(pszText), &nLength); }))
        return 0;
    if (pbyBytes == nullptr) {
        // The client library had no memory for the bytes.
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
        return 0;
    }
    const int bOk = pclValue->bSetValueDB(reinterpret_cast<const char*>(pbyBytes), static_cast<unsigned long>(nLength),
                                          m_pclConnection->nGetClientCodePage());
    if (!g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_FREEMEM, [&] { __PQfreemem(pbyBytes); }))
        return 0;
    return bOk;
}

int CPSQLStatementSQL::_bSetDateTime(CNAConvertVariant* pclValue, const char* pszText, int nType) {
    const char* pszRead = _pszInfinity(pszText, nType);
    if (m_pclConnection->bGetConnectionSQL() == 0) {
        const size_t nText = strlen(pszText);
        // What the host holds may name another value than the server's (microseconds, a zone, an
        // infinity): the server's text is kept to name this one in the SQL written after it.
        return pclValue->bSetValueDBKeepText(pszRead, pszRead == pszText ? nText : strlen(pszRead),
                                             m_pclConnection->nGetClientCodePage(), pszText, nText);
    }
    // The SQL-command functions hand dates and times to the host as their digits alone.
    CTString clText;
    clText.SetANSI(pszRead, m_pclConnection->nGetClientCodePage());
    CNAConnectionDescription::s_DateStandardise(&clText);
    const wchar_t* psz = clText.pszGet() != nullptr ? clText.pszGet() : L"";
    return pclValue->bSetValue(psz, wcslen(psz));
}

// ---------------------------------------------------------------------------------- server errors

int CPSQLStatementSQL::_bInitLastError(unsigned nFile, unsigned nSite) {
    PGconn* pConn = _pstGetPGConn();
    ConnStatusType eStatus = CONNECTION_OK;
    if (!g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_STATUS, [&] { eStatus = __PQstatus(pConn); }))
        return 0;
    const bool bBroken = eStatus == CONNECTION_BAD;
    if (m_pResult == nullptr && bBroken) {
        if (m_pclConnection != nullptr) m_pclConnection->bInitError(m_pclError, nFile, nSite);
        g_PSQLSetErrorType(m_pclError, NA_ERRORTYPE_CONNECTIONLOST);
        return 1;
    }

    const char* pszCode = nullptr;
    if (!g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_RESULTERRORFIELD,
                     [&] { pszCode = __PQresultErrorField(m_pResult, PG_DIAG_SQLSTATE); }))
        return 0;
    const unsigned nCodePage = m_pclConnection != nullptr ? m_pclConnection->nGetClientCodePage() : CODEPAGE_UTF8;
    const wchar_t* pszDataBase = m_pclConnection != nullptr ? m_pclConnection->pszGetDataBase() : nullptr;
    if (pszDataBase == nullptr) pszDataBase = L"";

    if (pszCode == nullptr || *pszCode == 0) {
        // No SQLSTATE: the client library itself refused the statement (the server went away, the
        // connection broke, memory ran out). That is still a failure with a reason to give.
        const char* pszMessage = nullptr;
        if (m_pResult != nullptr && !g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_RESULTERRORMESSAGE,
                                                 [&] { pszMessage = __PQresultErrorMessage(m_pResult); }))
            return 0;
        if (pszMessage != nullptr && *pszMessage != 0) {
            g_PSQLAddError(m_pclError, NA_ERRORTYPE_GENERAL, nFile, nSite, m_pclConnection, USER_ERROR_CONNECTION,
                           pszDataBase);
            if (m_pclError != nullptr) {
                CTString clMessage;
                clMessage.SetANSI(pszMessage, nCodePage);
                m_pclError->AddUserMessageNoFormat(clMessage.pszGet());
                m_pclError->SetDataBaseErrorMessage(clMessage.pszGet());
            }
        } else {
            const int nBefore = _nErrorCount(m_pclError);
            if (m_pclConnection != nullptr) m_pclConnection->bInitError(m_pclError, nFile, nSite);
            if (_nErrorCount(m_pclError) == nBefore)
                g_PSQLAddError(m_pclError, NA_ERRORTYPE_GENERAL, nFile, nSite, m_pclConnection, USER_ERROR_CONNECTION,
                               pszDataBase);
        }
        if (bBroken) g_PSQLSetErrorType(m_pclError, NA_ERRORTYPE_CONNECTIONLOST);
        return 1;
    }

    CTString clCode;
    clCode.SetANSI(pszCode, nCodePage);
    const wchar_t* pszWideCode = clCode.pszGet() != nullptr ? clCode.pszGet() : L"";
    const unsigned nCode = static_cast<unsigned>(wcstoul(pszWideCode, nullptr, 10));
    bool bDigitsOnly = true;
    for (const wchar_t* p = pszWideCode; *p != 0; p++)
        if (*p < L'0' || *p > L'9') bDigitsOnly = false;
    if (bDigitsOnly && nCode == 0) return 1;

    const char* pszMessage = nullptr;
    if (!g_bPSQLCall(m_pclError, m_pclConnection, FILE_STATEMENT, SITE_RESULTERRORMESSAGE,
                     [&] { pszMessage = __PQresultErrorMessage(m_pResult); }))
        return 0;
    if (m_pclError == nullptr) return 1;
    g_PSQLAddError(m_pclError, NA_ERRORTYPE_GENERAL, nFile, nSite, m_pclConnection, USER_ERROR_SERVER, pszDataBase,
                   pszWideCode);
    CTString clMessage;
    if (pszMessage != nullptr) clMessage.SetANSI(pszMessage, nCodePage);
    m_pclError->AddUserMessageNoFormat(clMessage.pszGet());
    m_pclError->SetDataBaseErrorMessage(clMessage.pszGet());
    m_pclError->SetDataBaseErrorCode(nCode);
    if (bBroken) g_PSQLSetErrorType(m_pclError, NA_ERRORTYPE_CONNECTIONLOST);
    return 1;
}
