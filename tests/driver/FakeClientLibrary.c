/* A stand-in for the PostgreSQL client library, for the loader's tests: it exports the functions
   the driver binds, each doing nothing, except that PQstatus answers KX_FAKE_ID (which copy was
   bound) and the version functions answer fixed numbers. Built several times, each copy leaving out
   what its test needs missing: KX_FAKE_WITHOUT_PQfname, KX_FAKE_WITHOUT_OPTIONAL (the version
   functions, the transaction status and the notice receiver). */
#include <stddef.h>

#define FAKE_API __attribute__((visibility("default")))

FAKE_API void* PQconnectdb(const char* c) { (void)c; return NULL; }
FAKE_API void PQfinish(void* c) { (void)c; }
FAKE_API int PQstatus(const void* c) { (void)c; return KX_FAKE_ID; }
#ifndef KX_FAKE_WITHOUT_OPTIONAL
FAKE_API int PQserverVersion(const void* c) { (void)c; return 990002; }
FAKE_API int PQlibVersion(void) { return 990001; }
#endif
FAKE_API char* PQerrorMessage(const void* c) { (void)c; return NULL; }
FAKE_API void* PQexec(void* c, const char* q) { (void)c; (void)q; return NULL; }
FAKE_API int PQresultStatus(const void* r) { (void)r; return 0; }
FAKE_API char* PQresultErrorField(const void* r, int f) { (void)r; (void)f; return NULL; }
FAKE_API char* PQresultErrorMessage(const void* r) { (void)r; return NULL; }
FAKE_API void PQclear(void* r) { (void)r; }
FAKE_API int PQnfields(const void* r) { (void)r; return 0; }
FAKE_API int PQntuples(const void* r) { (void)r; return 0; }
#ifndef KX_FAKE_WITHOUT_PQfname
FAKE_API char* PQfname(const void* r, int f) { (void)r; (void)f; return NULL; }
#endif
FAKE_API int PQfformat(const void* r, int f) { (void)r; (void)f; return 0; }
FAKE_API unsigned PQftype(const void* r, int f) { (void)r; (void)f; return 0; }
FAKE_API int PQfmod(const void* r, int f) { (void)r; (void)f; return 0; }
FAKE_API int PQfsize(const void* r, int f) { (void)r; (void)f; return 0; }
FAKE_API char* PQgetvalue(const void* r, int t, int f) { (void)r; (void)t; (void)f; return NULL; }
FAKE_API int PQgetisnull(const void* r, int t, int f) { (void)r; (void)t; (void)f; return 0; }
FAKE_API unsigned char* PQescapeByteaConn(void* c, const unsigned char* f, size_t n, size_t* t) {
  (void)c; (void)f; (void)n; (void)t; return NULL;
}
FAKE_API unsigned char* PQunescapeBytea(const unsigned char* s, size_t* n) { (void)s; (void)n; return NULL; }
FAKE_API void PQfreemem(void* p) { (void)p; }
FAKE_API char* PQcmdTuples(void* r) { (void)r; return NULL; }
FAKE_API int PQsetClientEncoding(void* c, const char* e) { (void)c; (void)e; return 0; }
FAKE_API int PQclientEncoding(const void* c) { (void)c; return 0; }
FAKE_API const char* PQparameterStatus(const void* c, const char* p) { (void)c; (void)p; return NULL; }
#ifndef KX_FAKE_WITHOUT_OPTIONAL
FAKE_API int PQtransactionStatus(const void* c) { (void)c; return 0; }
FAKE_API void* PQsetNoticeReceiver(void* c, void* f, void* a) { (void)c; (void)f; (void)a; return NULL; }
#endif
