// The client library's functions that the tests and benchmarks call, found by name in libpq
// loaded with dlopen apart from the driver's loader (nothing here links it). Loaded once and kept
// for the whole process: what it sets up for its threads and security libraries is never given
// back.
#pragma once

#include <libpq-fe.h>

#include <string>

namespace pgtest {

struct CLibpq {
    decltype(&PQconnectdb) pfnConnectdb = nullptr;
    decltype(&PQstatus) pfnStatus = nullptr;
    decltype(&PQerrorMessage) pfnErrorMessage = nullptr;
    decltype(&PQfinish) pfnFinish = nullptr;
    decltype(&PQexec) pfnExec = nullptr;
    decltype(&PQresultStatus) pfnResultStatus = nullptr;
    decltype(&PQresultErrorMessage) pfnResultErrorMessage = nullptr;
    decltype(&PQresultErrorField) pfnResultErrorField = nullptr;
    decltype(&PQclear) pfnClear = nullptr;
    decltype(&PQntuples) pfnNtuples = nullptr;
    decltype(&PQnfields) pfnNfields = nullptr;
    decltype(&PQgetvalue) pfnGetvalue = nullptr;
    decltype(&PQgetlength) pfnGetlength = nullptr;
    decltype(&PQgetisnull) pfnGetisnull = nullptr;
    decltype(&PQbackendPID) pfnBackendPID = nullptr;

    // The process's table; null with the reason when libpq cannot be loaded or lacks a function.
    static const CLibpq* pclGet(std::string* psError);
};

}  // namespace pgtest
