// The statement sent ahead on a connection: sending it, handing its result to its sender, or
// reading and dropping it before anything else runs on the connection.
#include "pgsql/PSQLPrefetch.h"

#include <algorithm>

#include "native/driver/NAFunctionTable.h"
#include "pgsql/PSQLGuard.h"

namespace {

constexpr unsigned FILE_PREFETCH = 101;
constexpr unsigned SITE_TRANSACTIONSTATUS = 1;
constexpr unsigned SITE_SENDQUERY = 2;
constexpr unsigned SITE_GETRESULT = 3;
constexpr unsigned SITE_CLEAR = 4;
constexpr unsigned SITE_CLOSECURSOR = 5;

bool _bNumber(const std::string& s) {
    size_t i = s[0] == '-' ? 1 : 0;
    const size_t nFirstDigit = i;
    while (i < s.size() && s[i] >= '0' && s[i] <= '9') i++;
    if (i == nFirstDigit) return false;
    if (i < s.size() && s[i] == '.') {
        const size_t nDot = ++i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') i++;
        if (i == nDot) return false;
    }
    return i == s.size();
}

bool _bWordCharacter(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == '.' ||
           c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

// A decimal number as a writer that drops its trailing zeros writes it: "290.60" as "290.6",
// "100.00" as "100".
std::string _sTrimmedNumber(const std::string& s) {
    if (s.find('.') == std::string::npos) return s;
    size_t nEnd = s.size();
    while (s[nEnd - 1] == '0') nEnd--;
    if (s[nEnd - 1] == '.') nEnd--;
    return s.substr(0, nEnd);
}

// Every field of the row before is quoted at each block: the runs between the characters to
// double are appended whole.
std::string _sQuoted(const std::string& s, bool bBackslashEscapes) {
    const bool bEscapeForm = bBackslashEscapes && s.find('\\') != std::string::npos;
    std::string sOut;
    sOut.reserve(s.size() + 3);
    sOut += bEscapeForm ? "E'" : "'";
    size_t nFrom = 0;
    for (size_t n = bEscapeForm ? s.find_first_of("'\\") : s.find('\''); n != std::string::npos;
         n = bEscapeForm ? s.find_first_of("'\\", n + 1) : s.find('\'', n + 1)) {
        // The run up to the character included; the character starts the next run: twice.
        sOut.append(s, nFrom, n + 1 - nFrom);
        nFrom = n;
    }
    sOut.append(s, nFrom, std::string::npos);
    sOut += '\'';
    return sOut;
}

// A literal of the WHERE clause found as a field of the row before.
struct stMatch {
    size_t nPosition;
    size_t nLength;
    std::string sReplacement;
};

bool _bAsynchronousCalls() {
    return __PQsendQuery != &DefaultError_PQsendQuery && __PQgetResult != &DefaultError_PQgetResult &&
           __PQtransactionStatus != &DefaultError_PQtransactionStatus;
}

}  // namespace

bool CPSQLPrefetch::s_bAvailable() {
    return _bAsynchronousCalls();
}

bool CPSQLPrefetch::s_bNextBlockText(const std::string& sSQL, const Fields& aBefore, const Fields& aLast,
                                     std::string* psNext, bool bBackslashEscapes) {
    if (aBefore.size() != aLast.size()) return false;
    // The continuation's condition lies between WHERE and the ORDER BY that ends the browse.
    const size_t nWhere = sSQL.find(" WHERE ");
    const size_t nOrder = sSQL.rfind(" ORDER BY ");
    if (nWhere == std::string::npos || nOrder == std::string::npos || nOrder < nWhere) return false;
    std::vector<stMatch> aMatches;
    for (size_t nField = 0; nField < aBefore.size(); nField++) {
        if (!aBefore[nField].has_value() || aBefore[nField]->empty()) continue;
        const std::string& sValue = *aBefore[nField];
        const bool bNumber = _bNumber(sValue);
        // The server writes a decimal with its scale's zeros; the browse may write it without.
        const bool bTrimmed = bNumber && _sTrimmedNumber(sValue) != sValue;
        for (int nForm = 0; nForm < 3; nForm++) {
            if ((nForm == 0 && !bNumber) || (nForm == 2 && !bTrimmed)) continue;
            const std::string sMade = nForm == 0   ? std::string()
                                      : nForm == 1 ? _sQuoted(sValue, bBackslashEscapes)
                                                   : _sTrimmedNumber(sValue);
            const std::string& sLiteral = nForm == 0 ? sValue : sMade;
            for (size_t n = sSQL.find(sLiteral, nWhere); n != std::string::npos && n + sLiteral.size() <= nOrder;
                 n = sSQL.find(sLiteral, n + 1)) {
                const char cBefore = sSQL[n - 1];
                const char cAfter = sSQL[n + sLiteral.size()];
                // A whole number, not the digits of a longer word; a whole quoted text, not the
                // tail of one.
                if (nForm != 1 && (_bWordCharacter(cBefore) || cBefore == '\'' || cBefore == '-' ||
                                   _bWordCharacter(cAfter) || cAfter == '\''))
                    continue;
                if (nForm == 1 &&
                    (cBefore == '\'' || cAfter == '\'' || (sLiteral[0] == 'E' && _bWordCharacter(cBefore))))
                    continue;
                if (!aLast[nField].has_value()) return false;
                const std::string& sNew = *aLast[nField];
                if (nForm != 1 && !_bNumber(sNew)) return false;
                // A number goes in without the zeros of its scale, as the browse writes it, unless
                // the text holds the zeros of the one before.
                const std::string sReplacement = nForm == 1               ? _sQuoted(sNew, bBackslashEscapes)
                                                 : nForm == 0 && bTrimmed ? sNew
                                                                          : _sTrimmedNumber(sNew);
                aMatches.push_back({n, sLiteral.size(), sReplacement});
            }
        }
    }
    if (aMatches.empty()) return false;
    std::sort(aMatches.begin(), aMatches.end(),
              [](const stMatch& a, const stMatch& b) { return a.nPosition < b.nPosition; });
    std::string sNext;
    size_t nFrom = 0;
    for (size_t i = 0; i < aMatches.size(); i++) {
        const stMatch& st = aMatches[i];
        if (i > 0 && st.nPosition == aMatches[i - 1].nPosition && st.nLength == aMatches[i - 1].nLength) {
            // Two fields of the same text: one successor, or no guess.
            if (st.sReplacement != aMatches[i - 1].sReplacement) return false;
            continue;
        }
        if (st.nPosition < nFrom) return false;
        sNext.append(sSQL, nFrom, st.nPosition - nFrom);
        sNext += st.sReplacement;
        nFrom = st.nPosition + st.nLength;
    }
    sNext.append(sSQL, nFrom, std::string::npos);
    if (sNext == sSQL) return false;
    *psNext = std::move(sNext);
    return true;
}

uint64_t CPSQLPrefetch::s_nSent = 0;
uint64_t CPSQLPrefetch::s_nTaken = 0;
uint64_t CPSQLPrefetch::s_nDiscarded = 0;
uint64_t CPSQLPrefetch::s_nCursorsDeclared = 0;
uint64_t CPSQLPrefetch::s_nCursorsClosed = 0;

bool CPSQLPrefetch::s_bIdle(PGconn* pConn) {
    if (pConn == nullptr || __PQtransactionStatus == &DefaultError_PQtransactionStatus) return false;
    PGTransactionStatusType eStatus = PQTRANS_UNKNOWN;
    return g_bPSQLCall(nullptr, FILE_PREFETCH, SITE_TRANSACTIONSTATUS,
                       [&] { eStatus = __PQtransactionStatus(pConn); }) &&
           eStatus == PQTRANS_IDLE;
}

bool CPSQLPrefetch::s_bCursorTexts(const std::string& sSelect, uint32_t nOwner, std::string* psDeclare,
                                   std::string* psFetch, long* pnBlock) {
    static const std::string s_sLimit = " LIMIT ";
    const size_t nLimit = sSelect.rfind(s_sLimit);
    if (nLimit == std::string::npos || sSelect.compare(0, 7, "SELECT ") != 0) return false;
    const size_t nDigits = nLimit + s_sLimit.size();
    if (nDigits == sSelect.size() || sSelect[nDigits] == '0') return false;
    // A count of nine digits at most: more is no block size.
    if (sSelect.size() - nDigits > 9) return false;
    for (size_t i = nDigits; i < sSelect.size(); i++)
        if (sSelect[i] < '0' || sSelect[i] > '9') return false;
    *pnBlock = std::stol(sSelect.substr(nDigits));
    const std::string sName = "kx_browse_" + std::to_string(nOwner);
    *psFetch = "FETCH FORWARD " + sSelect.substr(nDigits) + " FROM " + sName;
    // One text, one implicit transaction: when the fetch fails, the cursor goes with it.
    *psDeclare = "DECLARE " + sName + " NO SCROLL CURSOR WITH HOLD FOR ";
    psDeclare->append(sSelect, 0, nLimit);
    *psDeclare += "; " + *psFetch;
    return true;
}

void CPSQLPrefetch::CursorOpened(uint32_t nOwner) {
    m_bCursor = true;
    m_nCursorOwner = nOwner;
    s_nCursorsDeclared++;
}

void CPSQLPrefetch::CloseCursor(PGconn* pConn) {
    if (!m_bCursor) return;
    // A fetch pending is read first; dropping it closes the cursor itself.
    Discard(pConn);
    if (!m_bCursor) return;
    m_bCursor = false;
    s_nCursorsClosed++;
    if (pConn == nullptr) return;
    const std::string sClose = "CLOSE kx_browse_" + std::to_string(m_nCursorOwner);
    PGresult* pResult = nullptr;
    // A CLOSE that fails leaves nothing to mend: the cursor is gone with the session either way.
    g_bPSQLCall(nullptr, FILE_PREFETCH, SITE_CLOSECURSOR, [&] { pResult = __PQexec(pConn, sClose.c_str()); });
    if (pResult != nullptr) g_bPSQLCall(nullptr, FILE_PREFETCH, SITE_CLEAR, [&] { __PQclear(pResult); });
}

bool CPSQLPrefetch::bSend(PGconn* pConn, uint32_t nOwner, const char* pszSQL, bool bFromCursor) {
    if (m_bPending || pConn == nullptr || pszSQL == nullptr || !_bAsynchronousCalls()) return false;
    // Inside a transaction block a statement that fails would abort the host's transaction, which
    // the host never asked for: only statements that leave nothing behind when they fail go ahead.
    if (!s_bIdle(pConn)) return false;
    int bSent = 0;
    if (!g_bPSQLCall(nullptr, FILE_PREFETCH, SITE_SENDQUERY, [&] { bSent = __PQsendQuery(pConn, pszSQL); }) ||
        bSent != 1) {
        // A refused send leaves nothing on the connection, but a half-sent one may: read it off
        // (a fetch half-sent may have moved the cursor).
        m_bPending = true;
        m_bPendingFromCursor = bFromCursor;
        Discard(pConn);
        s_nDiscarded--;
        return false;
    }
    m_bPending = true;
    m_bPendingFromCursor = bFromCursor;
    m_nOwner = nOwner;
    m_sSQL = pszSQL;
    s_nSent++;
    return true;
}

PGresult* CPSQLPrefetch::pTake(PGconn* pConn, uint32_t nOwner, const char* pszSQL, bool* pbTaken) {
    *pbTaken = false;
    if (!m_bPending) return nullptr;
    if (nOwner != m_nOwner || pszSQL == nullptr || m_sSQL != pszSQL) {
        Discard(pConn);
        return nullptr;
    }
    *pbTaken = true;
    s_nTaken++;
    return _pReadResult(pConn);
}

void CPSQLPrefetch::Discard(PGconn* pConn) {
    if (!m_bPending) return;
    const bool bFromCursor = m_bPendingFromCursor;
    PGresult* pResult = _pReadResult(pConn);
    if (pResult != nullptr) g_bPSQLCall(nullptr, FILE_PREFETCH, SITE_CLEAR, [&] { __PQclear(pResult); });
    s_nDiscarded++;
    // The block dropped is lost to the browse: the cursor can no longer give the next one.
    if (bFromCursor) CloseCursor(pConn);
}

void CPSQLPrefetch::Forget() {
    m_bPending = false;
    m_bPendingFromCursor = false;
    m_sSQL.clear();
    m_bCursor = false;
}

PGresult* CPSQLPrefetch::_pReadResult(PGconn* pConn) {
    m_bPending = false;
    m_bPendingFromCursor = false;
    m_sSQL.clear();
    PGresult* pLast = nullptr;
    if (pConn == nullptr) return nullptr;
    // Every result up to the end of the statement is read, the connection then free for the next
    // one; the last is kept, as PQexec keeps it.
    for (;;) {
        PGresult* pResult = nullptr;
        if (!g_bPSQLCall(nullptr, FILE_PREFETCH, SITE_GETRESULT, [&] { pResult = __PQgetResult(pConn); }) ||
            pResult == nullptr)
            break;
        if (pLast != nullptr) g_bPSQLCall(nullptr, FILE_PREFETCH, SITE_CLEAR, [&] { __PQclear(pLast); });
        pLast = pResult;
    }
    return pLast;
}
