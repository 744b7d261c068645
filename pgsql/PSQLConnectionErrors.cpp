// CPSQLConnection: the client library's connection error as an error of the driver, and the
// kinds of the server's errors.
#include "pgsql/PSQLConnection.h"

#include "native/driver/NAError.h"
#include "native/driver/NAFunctionTable.h"
#include "pgsql/PSQLGuard.h"

namespace {

constexpr unsigned FILE_CONNECTION = 101;
constexpr unsigned SITE_ERRORMESSAGE = 4;
constexpr unsigned SITE_CLIENTENCODING = 16;
constexpr unsigned USER_ERROR_CONNECTION = 22;
// The client library's number for UTF-8.
constexpr int PG_ENCODING_UTF8 = 6;
constexpr unsigned CODEPAGE_UTF8 = 65001;

}  // namespace

int CPSQLConnection::bInitError(CNAError* pclError, unsigned nFile, unsigned nSite) {
    const char* pszMessage = nullptr;
    if (!g_bPSQLCall(pclError, FILE_CONNECTION, SITE_ERRORMESSAGE,
                     [&] { pszMessage = __PQerrorMessage(m_pPGConn); }))
        return 0;
    if (pszMessage == nullptr || *pszMessage == 0) return 1;
    int nEncoding = -1;
    const int bEncodingRead = g_bPSQLCall(pclError, FILE_CONNECTION, SITE_CLIENTENCODING,
                                          [&] { nEncoding = __PQclientEncoding(m_pPGConn); });
    const wchar_t* pszDataSource = pszGetDataBase();
    g_PSQLAddError(pclError, NA_ERRORTYPE_GENERAL, nFile, nSite, this, USER_ERROR_CONNECTION,
                   pszDataSource != nullptr ? pszDataSource : L"");
    if (pclError != nullptr) {
        CTString clMessage;
        clMessage.SetANSI(pszMessage, nEncoding == PG_ENCODING_UTF8 ? CODEPAGE_UTF8 : 0);
        pclError->AddUserMessageNoFormat(clMessage.pszGet());
    }
    return bEncodingRead;
}

namespace {

// How many errors the object holds (the main one and its sub-errors).
int _nErrorCount(const CNAError* pclError) {
    if (pclError->eGetErrorType() == NA_ERRORTYPE_NONE) return 0;
    return 1 + pclError->pclGetXError()->nGetNbSubError();
}

}  // namespace

void CPSQLConnection::_RecordConnectionError(CNAError* pclError, unsigned nFile, unsigned nSite) {
    if (pclError == nullptr) {
        bInitError(nullptr, nFile, nSite);
        return;
    }
    const int nBefore = _nErrorCount(pclError);
    bInitError(pclError, nFile, nSite);
    if (_nErrorCount(pclError) == nBefore) {
        const wchar_t* pszDataSource = pszGetDataBase();
        g_PSQLAddError(pclError, NA_ERRORTYPE_GENERAL, nFile, nSite, this, USER_ERROR_CONNECTION,
                       pszDataSource != nullptr ? pszDataSource : L"");
    }
}

eNA_ERRORTYPE CPSQLConnection::eGetNAErrorType(unsigned nNativeCode) {
    switch (nNativeCode) {
        case 23502:  // not-null violation
            return NA_ERRORTYPE_NULLNOTALLOWED;
        case 23505:  // unique violation
            return NA_ERRORTYPE_DUPLICATE;
        default:  // the foreign-key violations (23503, 23504) included
            return NA_ERRORTYPE_GENERAL;
    }
}
