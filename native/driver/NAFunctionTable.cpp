// The client library's function table and the stubs it holds while an entry is not bound.
#include "native/driver/NAFunctionTable.h"

#include "core/TString.h"

// Each stub ignores its arguments and throws the bare function name.
PGconn* DefaultError_PQconnectdb(const char*) {
    throw CTString(L"PQconnectdb");
}
void DefaultError_PQfinish(PGconn*) {
    throw CTString(L"PQfinish");
}
ConnStatusType DefaultError_PQstatus(const PGconn*) {
    throw CTString(L"PQstatus");
}
int DefaultError_PQserverVersion(const PGconn*) {
    throw CTString(L"PQserverVersion");
}
int DefaultError_PQlibVersion() {
    throw CTString(L"PQlibVersion");
}
char* DefaultError_PQerrorMessage(const PGconn*) {
    throw CTString(L"PQerrorMessage");
}
PGresult* DefaultError_PQexec(PGconn*, const char*) {
    throw CTString(L"PQexec");
}
ExecStatusType DefaultError_PQresultStatus(const PGresult*) {
    throw CTString(L"PQresultStatus");
}
char* DefaultError_PQresultErrorField(const PGresult*, int) {
    throw CTString(L"PQresultErrorField");
}
char* DefaultError_PQresultErrorMessage(const PGresult*) {
    throw CTString(L"PQresultErrorMessage");
}
void DefaultError_PQclear(PGresult*) {
    throw CTString(L"PQclear");
}
int DefaultError_PQnfields(const PGresult*) {
    throw CTString(L"PQnfields");
}
int DefaultError_PQntuples(const PGresult*) {
    throw CTString(L"PQntuples");
}
char* DefaultError_PQfname(const PGresult*, int) {
    throw CTString(L"PQfname");
}
int DefaultError_PQfformat(const PGresult*, int) {
    throw CTString(L"PQfformat");
}
Oid DefaultError_PQftype(const PGresult*, int) {
    throw CTString(L"PQftype");
}
int DefaultError_PQfmod(const PGresult*, int) {
    throw CTString(L"PQfmod");
}
int DefaultError_PQfsize(const PGresult*, int) {
    throw CTString(L"PQfsize");
}
char* DefaultError_PQgetvalue(const PGresult*, int, int) {
    throw CTString(L"PQgetvalue");
}
int DefaultError_PQgetisnull(const PGresult*, int, int) {
    throw CTString(L"PQgetisnull");
}
unsigned char* DefaultError_PQescapeByteaConn(PGconn*, const unsigned char*, size_t, size_t*) {
    throw CTString(L"PQescapeByteaConn");
}
unsigned char* DefaultError_PQunescapeBytea(const unsigned char*, size_t*) {
    throw CTString(L"PQunescapeBytea");
}
void DefaultError_PQfreemem(void*) {
    throw CTString(L"PQfreemem");
}
char* DefaultError_PQcmdTuples(PGresult*) {
    throw CTString(L"PQcmdTuples");
}
int DefaultError_PQsetClientEncoding(PGconn*, const char*) {
    throw CTString(L"PQsetClientEncoding");
}
int DefaultError_PQclientEncoding(const PGconn*) {
    throw CTString(L"PQclientEncoding");
}
const char* DefaultError_PQparameterStatus(const PGconn*, const char*) {
    throw CTString(L"PQparameterStatus");
}
PGTransactionStatusType DefaultError_PQtransactionStatus(const PGconn*) {
    throw CTString(L"PQtransactionStatus");
}
PQnoticeReceiver DefaultError_PQsetNoticeReceiver(PGconn*, PQnoticeReceiver, void*) {
    throw CTString(L"PQsetNoticeReceiver");
}
int DefaultError_PQsendQuery(PGconn*, const char*) {
    throw CTString(L"PQsendQuery");
}
PGresult* DefaultError_PQgetResult(PGconn*) {
    throw CTString(L"PQgetResult");
}

#define KX_PQ_DEFINE(name, optional) decltype(&::name) __##name = DefaultError_##name;
KX_PQ_ENTRIES(KX_PQ_DEFINE)
#undef KX_PQ_DEFINE
