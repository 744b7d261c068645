// The scripted client library (see FakeServerLibrary.h).
#include "tests/pgsql/FakeServerLibrary.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <stdexcept>
#include <string>

#define FAKE_API extern "C" __attribute__((visibility("default")))

struct pg_conn {
    int nMagic;
};
struct pg_result {
    stFakeServerResult stResult;
};

namespace {

stFakeServerState s_stState;

void Enter(const char* pszName) {
    s_stState.aCalls.push_back(pszName);
    if (s_stState.sThrowIn == pszName) throw std::runtime_error(std::string("fault in ") + pszName);
}

// Texts handed out live until the library is unloaded; one per distinct text is enough.
std::deque<std::string> s_aTexts;

char* pszKeep(const std::string& s) {
    for (std::string& sKept : s_aTexts)
        if (sKept == s) return sKept.data();
    s_aTexts.push_back(s);
    return s_aTexts.back().data();
}

}  // namespace

FAKE_API stFakeServerState* FakeServer_pState() {
    return &s_stState;
}

FAKE_API pg_conn* PQconnectdb(const char* pszConnInfo) {
    Enter("PQconnectdb");
    s_stState.aConnInfo.push_back(pszConnInfo != nullptr ? pszConnInfo : "(null)");
    s_stState.nLiveConnections++;
    return new pg_conn{42};
}
// The handle is freed even when the call then faults, so a fault here leaks nothing.
FAKE_API void PQfinish(pg_conn* p) {
    if (p != nullptr) {
        s_stState.nLiveConnections--;
        delete p;
    }
    Enter("PQfinish");
}
FAKE_API int PQstatus(const pg_conn*) {
    Enter("PQstatus");
    return s_stState.nStatus;
}
#ifndef KX_FAKE_WITHOUT_PQserverVersion
FAKE_API int PQserverVersion(const pg_conn*) {
    Enter("PQserverVersion");
    return s_stState.nServerVersion;
}
#endif
#ifndef KX_FAKE_WITHOUT_PQlibVersion
FAKE_API int PQlibVersion(void) {
    Enter("PQlibVersion");
    return s_stState.nLibVersion;
}
#endif
FAKE_API char* PQerrorMessage(const pg_conn*) {
    Enter("PQerrorMessage");
    return pszKeep(s_stState.sErrorMessage);
}
FAKE_API pg_result* PQexec(pg_conn*, const char* pszQuery) {
    Enter("PQexec");
    std::string sQuery = pszQuery != nullptr ? pszQuery : "";
    s_stState.aExec.push_back(sQuery);
    auto it = s_stState.mapResults.find(sQuery);
    stFakeServerResult stResult = it != s_stState.mapResults.end() ? it->second : stFakeServerResult();
    if (stResult.nConnectionStatus >= 0) s_stState.nStatus = stResult.nConnectionStatus;
    if (stResult.bNoResult) return nullptr;
    auto* p = new pg_result;
    p->stResult = stResult;
    s_stState.nLiveResults++;
    return p;
}
FAKE_API int PQresultStatus(const pg_result* p) {
    Enter("PQresultStatus");
    return p != nullptr ? p->stResult.nStatus : 7;
}
FAKE_API char* PQresultErrorField(const pg_result* p, int nField) {
    Enter("PQresultErrorField");
    if (p == nullptr || nField != 'C' || p->stResult.sSQLState.empty()) return nullptr;
    return pszKeep(p->stResult.sSQLState);
}
FAKE_API char* PQresultErrorMessage(const pg_result* p) {
    Enter("PQresultErrorMessage");
    return pszKeep(p != nullptr ? p->stResult.sMessage : "");
}

FAKE_API void PQclear(pg_result* p) {
    Enter("PQclear");
    if (p == nullptr) return;
    s_stState.nLiveResults--;
    delete p;
}
FAKE_API int PQnfields(const pg_result* p) {
    Enter("PQnfields");
    return static_cast<int>(p->stResult.aColumns.size());
}
FAKE_API int PQntuples(const pg_result* p) {
    Enter("PQntuples");
    return static_cast<int>(p->stResult.aRows.size());
}
FAKE_API char* PQfname(const pg_result* p, int n) {
    Enter("PQfname");
    return pszKeep(p->stResult.aColumns.at(static_cast<size_t>(n)));
}
template <class T>
T tOfColumn(const std::vector<T>& a, int n, T tDefault) {
    return n >= 0 && static_cast<size_t>(n) < a.size() ? a[static_cast<size_t>(n)] : tDefault;
}
FAKE_API int PQfformat(const pg_result* p, int n) {
    Enter("PQfformat");
    return tOfColumn(p->stResult.aFormats, n, 0);
}
FAKE_API unsigned PQftype(const pg_result* p, int n) {
    Enter("PQftype");
    return tOfColumn(p->stResult.aTypes, n, 25u);  // text
}
FAKE_API int PQfmod(const pg_result* p, int n) {
    Enter("PQfmod");
    return tOfColumn(p->stResult.aModifiers, n, -1);
}
FAKE_API int PQfsize(const pg_result*, int) {
    Enter("PQfsize");
    return -1;
}
// As the client library does, a field outside the result reads as NULL and empty.
const std::string* psField(const pg_result* p, int nRow, int nField) {
    if (nRow < 0 || nField < 0 || static_cast<size_t>(nRow) >= p->stResult.aRows.size()) return nullptr;
    const auto& aRow = p->stResult.aRows[static_cast<size_t>(nRow)];
    return static_cast<size_t>(nField) < aRow.size() ? &aRow[static_cast<size_t>(nField)] : nullptr;
}
FAKE_API char* PQgetvalue(const pg_result* p, int nRow, int nField) {
    Enter("PQgetvalue");
    const std::string* ps = psField(p, nRow, nField);
    return pszKeep(ps == nullptr || *ps == FAKESERVER_NULL ? "" : *ps);
}
FAKE_API int PQgetisnull(const pg_result* p, int nRow, int nField) {
    Enter("PQgetisnull");
    const std::string* ps = psField(p, nRow, nField);
    return ps == nullptr || *ps == FAKESERVER_NULL ? 1 : 0;
}
// Every byte as two hexadecimal digits after "\x", as a server with standard strings writes it.
FAKE_API unsigned char* PQescapeByteaConn(pg_conn*, const unsigned char* pbyFrom, size_t n, size_t* pnTo) {
    Enter("PQescapeByteaConn");
    if (s_stState.bRefuseEscape) return nullptr;
    static const char s_szDigits[] = "0123456789abcdef";
    auto* psz = static_cast<unsigned char*>(malloc(2 * n + 3));
    psz[0] = '\\';
    psz[1] = 'x';
    for (size_t i = 0; i < n; i++) {
        psz[2 + 2 * i] = static_cast<unsigned char>(s_szDigits[pbyFrom[i] >> 4]);
        psz[3 + 2 * i] = static_cast<unsigned char>(s_szDigits[pbyFrom[i] & 15]);
    }
    psz[2 * n + 2] = 0;
    *pnTo = 2 * n + 3;
    s_stState.nLiveEscapes++;
    return psz;
}
// The hexadecimal form ("\x" and digit pairs) decoded; any other text passed on as its bytes.
FAKE_API unsigned char* PQunescapeBytea(const unsigned char* psz, size_t* pn) {
    Enter("PQunescapeBytea");
    *pn = 0;
    if (s_stState.bRefuseUnescape) return nullptr;
    const char* pszText = reinterpret_cast<const char*>(psz);
    std::string sBytes;
    if (pszText[0] == '\\' && pszText[1] == 'x') {
        for (size_t i = 2; pszText[i] != 0 && pszText[i + 1] != 0; i += 2)
            sBytes += static_cast<char>(std::stoi(std::string(pszText + i, 2), nullptr, 16));
    } else {
        sBytes = pszText;
    }
    auto* pby = static_cast<unsigned char*>(malloc(sBytes.size() + 1));
    memcpy(pby, sBytes.data(), sBytes.size());
    *pn = sBytes.size();
    s_stState.nLiveEscapes++;
    return pby;
}
FAKE_API void PQfreemem(void* p) {
    Enter("PQfreemem");
    if (p != nullptr) s_stState.nLiveEscapes--;
    free(p);
}
FAKE_API char* PQcmdTuples(pg_result* p) {
    Enter("PQcmdTuples");
    return pszKeep(p != nullptr ? p->stResult.sCmdTuples : "");
}
FAKE_API int PQsetClientEncoding(pg_conn*, const char* pszEncoding) {
    Enter("PQsetClientEncoding");
    std::string sEncoding = pszEncoding != nullptr ? pszEncoding : "";
    s_stState.aEncodings.push_back(sEncoding);
    const auto& a = s_stState.aRefusedEncodings;
    bool bRefused = std::find(a.begin(), a.end(), sEncoding) != a.end() || std::find(a.begin(), a.end(), "*") != a.end();
    return bRefused ? -1 : 0;
}
FAKE_API int PQclientEncoding(const pg_conn*) {
    Enter("PQclientEncoding");
    return s_stState.nClientEncoding;
}
FAKE_API const char* PQparameterStatus(const pg_conn*, const char* pszName) {
    Enter("PQparameterStatus");
    if (pszName == nullptr || strcmp(pszName, "server_encoding") != 0 || s_stState.bNoServerEncoding) return nullptr;
    return pszKeep(s_stState.sServerEncoding);
}
#ifndef KX_FAKE_WITHOUT_PQtransactionStatus
FAKE_API int PQtransactionStatus(const pg_conn*) {
    Enter("PQtransactionStatus");
    return s_stState.nTransactionStatus;
}
#endif
