// A scripted stand-in for the PostgreSQL client library (built by
// tests/driver/FakeClientLibraries.cmake as libkxfakeserver*.so): it exports the functions the
// driver binds, answers what the test scripted, and records every call. A test opens the same file
// the driver loads and reaches the script through FakeServer_pState.
//
// Copies of it each leave out what their test needs missing: libkxfakeserver_noserverversion.so
// lacks PQserverVersion, libkxfakeserver_nolibversion.so lacks PQlibVersion,
// libkxfakeserver_notransactionstatus.so lacks PQtransactionStatus.
#pragma once

#include <map>
#include <string>
#include <vector>

// A field of aRows that PQgetisnull reports as NULL.
#define FAKESERVER_NULL "\x01NULL"

struct stFakeServerResult {
    int nStatus = 1;  // PGRES_COMMAND_OK; 2 rows; 7 fatal error
    std::vector<std::string> aColumns{};
    std::vector<std::vector<std::string>> aRows{};
    std::string sSQLState{};
    std::string sMessage{};
    // Per column (missing ones: text, text format, no modifier).
    std::vector<unsigned> aTypes{};
    std::vector<int> aFormats{};
    std::vector<int> aModifiers{};
    std::string sCmdTuples{};
    // PQstatus answers this from the moment the result is made (-1: unchanged).
    int nConnectionStatus = -1;
    // PQexec answers null.
    bool bNoResult = false;
};

struct stFakeServerState {
    // ---- answers
    int nStatus = 0;  // PQstatus: 0 connected, 1 bad
    int nServerVersion = 150004;
    int nLibVersion = 150004;
    // PQparameterStatus("server_encoding"); bNoServerEncoding answers null.
    std::string sServerEncoding = "UTF8";
    bool bNoServerEncoding = false;
    std::string sErrorMessage;   // PQerrorMessage
    int nClientEncoding = 6;     // PQclientEncoding
    int nTransactionStatus = 0;  // PQtransactionStatus: 0 idle, 2 in a transaction, 3 aborted
    // PQsetClientEncoding answers -1 for these encodings (all of them with "*").
    std::vector<std::string> aRefusedEncodings;
    // PQescapeByteaConn answers null.
    bool bRefuseEscape = false;
    // PQunescapeBytea answers null (no memory).
    bool bRefuseUnescape = false;
    // The function named here throws a C++ exception that is not the driver's.
    std::string sThrowIn;
    // PQexec of a text found here gives that result; any other text completes as a command.
    std::map<std::string, stFakeServerResult> mapResults;

    // ---- records
    std::vector<std::string> aConnInfo;  // what each PQconnectdb got
    std::vector<std::string> aExec;      // what each PQexec got
    std::vector<std::string> aEncodings;  // what each PQsetClientEncoding got
    std::vector<std::string> aCalls;     // every function called, in order
    int nLiveConnections = 0;
    int nLiveResults = 0;
    int nLiveEscapes = 0;  // PQescapeByteaConn and PQunescapeBytea buffers not yet freed

    // Back to the answers above, records emptied.
    void Reset() { *this = stFakeServerState(); }
};

extern "C" stFakeServerState* FakeServer_pState();
