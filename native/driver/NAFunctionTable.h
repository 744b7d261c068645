// The client library's functions as the driver reaches them: one process-wide pointer per function
// (two underscores before the client library's own name), typed as that function. The driver never
// links the client library; the loader (CNAFunctionLoader) binds these pointers by name when it
// loads it. Until then, and for an entry the library lacks, the pointer holds the entry's stub
// DefaultError_<name>, which throws a CTString holding the bare function name; every call site
// catches it and reports that the function is not available. An optional entry the library lacks
// is recognised by comparing the pointer with its stub.
#pragma once

#include <libpq-fe.h>

// Every entry, in the order the loader binds them: X(name, optional).
#define KX_PQ_ENTRIES(X)            \
    X(PQconnectdb, 0)               \
    X(PQfinish, 0)                  \
    X(PQstatus, 0)                  \
    X(PQserverVersion, 1)           \
    X(PQlibVersion, 1)              \
    X(PQerrorMessage, 0)            \
    X(PQexec, 0)                    \
    X(PQresultStatus, 0)            \
    X(PQresultErrorField, 0)        \
    X(PQresultErrorMessage, 0)      \
    X(PQclear, 0)                   \
    X(PQnfields, 0)                 \
    X(PQntuples, 0)                 \
    X(PQfname, 0)                   \
    X(PQfformat, 0)                 \
    X(PQftype, 0)                   \
    X(PQfmod, 0)                    \
    X(PQfsize, 0)                   \
    X(PQgetvalue, 0)                \
    X(PQgetisnull, 0)               \
    X(PQescapeByteaConn, 0)         \
    X(PQunescapeBytea, 0)           \
    X(PQfreemem, 0)                 \
    X(PQcmdTuples, 0)               \
    X(PQsetClientEncoding, 0)       \
    X(PQclientEncoding, 0)          \
    X(PQparameterStatus, 0)         \
    X(PQtransactionStatus, 1)       \
    X(PQsetNoticeReceiver, 1)       \
    X(PQsendQuery, 1)               \
    X(PQgetResult, 1)

#define KX_PQ_DECLARE(name, optional)    \
    decltype(::name) DefaultError_##name; \
    extern decltype(&::name) __##name;
KX_PQ_ENTRIES(KX_PQ_DECLARE)
#undef KX_PQ_DECLARE
