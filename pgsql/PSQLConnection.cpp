// CPSQLConnection: construction, the open (client library, connection string, versions,
// encodings, set-up statements), the close, and the commit that tells a rolled-back transaction.
#include "pgsql/PSQLConnection.h"

#include <climits>
#include <cstdint>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "core/StringParameter.h"
#include "core/TStringConcatAW.h"
#include "native/driver/NAError.h"
#include "native/driver/NAFunctionLoader.h"
#include "native/driver/NAFunctionTable.h"
#include "pgsql/NACodePageCnv.h"
#include "pgsql/PSQLGuard.h"

namespace {

constexpr unsigned FILE_CONNECTION = 101;
// Sites of this unit's calls and errors.
constexpr unsigned SITE_CONNECTDB = 1;
constexpr unsigned SITE_FINISH = 2;
constexpr unsigned SITE_SERVERVERSION = 3;
constexpr unsigned SITE_STATUS = 5;
constexpr unsigned SITE_SETCLIENTENCODING = 7;
constexpr unsigned SITE_PARAMETERSTATUS = 10;
constexpr unsigned SITE_SETCLIENTENCODING_UTF8 = 11;
constexpr unsigned SITE_ENCODING_REFUSED = 12;
constexpr unsigned SITE_CONNECTION_REFUSED = 13;
constexpr unsigned SITE_LIBVERSION = 15;
constexpr unsigned SITE_TRANSACTIONSTATUS = 20;
constexpr unsigned SITE_TRANSACTION_CANCELLED = 21;
constexpr unsigned SITE_NOTICERECEIVER = 22;

constexpr unsigned USER_ERROR_TRANSACTION_CANCELLED = 76;

constexpr unsigned CODEPAGE_UTF8 = 65001;
constexpr unsigned MESSAGE_ENCODING_REFUSED = 25609;

bool _bEmpty(const wchar_t* psz) {
    return psz == nullptr || *psz == 0;
}

// The whitespace at which the client library ends a value that is not quoted.
bool _bHasConnInfoSpace(const wchar_t* psz) {
    return wcspbrk(psz, L" \t\n\r\f\v") != nullptr;
}

// Called by the client library inside the call that brought the notice; nothing may leave it.
void _NoticeReceiver(void* pArg, const PGresult* pResult) {
    try {
        const char* pszMessage = pResult != nullptr ? __PQresultErrorMessage(pResult) : nullptr;
        static_cast<CPSQLConnection*>(pArg)->_ReceiveNotice(pszMessage);
    } catch (...) {
    }
}

bool _bConnInfoSpace(wchar_t c) {
    return c != 0 && wcschr(L" \t\n\r\f\v", c) != nullptr;
}

// Reads the text as the client library reads its connection string: key=value pairs separated by
// blanks, blanks allowed around "=", a value bare up to the next blank or between single quotes, a
// backslash taking the next character as it stands. False when the library would not read it.
bool _bReadConnInfoPairs(const wchar_t* psz, std::vector<std::pair<std::wstring, std::wstring>>* paPairs) {
    paPairs->clear();
    for (;;) {
        while (_bConnInfoSpace(*psz)) psz++;
        if (*psz == 0) return !paPairs->empty();
        std::wstring sKey;
        while (*psz != 0 && *psz != L'=' && !_bConnInfoSpace(*psz)) sKey += *psz++;
        while (_bConnInfoSpace(*psz)) psz++;
        if (*psz != L'=') return false;
        psz++;
        while (_bConnInfoSpace(*psz)) psz++;
        std::wstring sValue;
        if (*psz == L'\'') {
            for (psz++;; psz++) {
                if (*psz == 0) return false;
                if (*psz == L'\'') break;
                if (*psz == L'\\' && psz[1] != 0) psz++;
                sValue += *psz;
            }
            psz++;
        } else {
            for (; *psz != 0 && !_bConnInfoSpace(*psz); psz++) {
                if (*psz == L'\\') {
                    if (psz[1] == 0) break;
                    psz++;
                }
                sValue += *psz;
            }
        }
        paPairs->emplace_back(std::move(sKey), std::move(sValue));
    }
}

}  // namespace

CPSQLConnection::CPSQLConnection(const wchar_t* pszIdentification, INAConnectionDescription* piHostDescription)
    : CNAConnectionDescription(pszIdentification, piHostDescription) {
    m_eDataSource = DATASOURCE_POSTGRESQL;
    // Names go between double quotes.
    m_csOpenQuote.Set(L"\"");
    m_nOpenQuoteLen = 1;
    m_csCloseQuote.Set(L"\"");
    m_nCloseQuoteLen = 1;
}

CPSQLConnection::~CPSQLConnection() {
    bClose(nullptr);
}

// ---------------------------------------------------------------------------------- open

int CPSQLConnection::bOpen(CNAError* pclError) {
    if (m_bOpen != 0) return 1;
    _InitCodePageFromVQ();
    m_nClientCodePage = CODEPAGE_UTF8;

    if (!CNAFunctionLoader::g_bLoaded()) {
        // The version is the loaded library's, not that of one loaded before a module restart.
        m_csClientVersion.Vide();
        m_nClientVersionMajor = m_nClientVersionMinor = m_nClientVersionRevision = 0;
        if (!CNAFunctionLoader::g_bInitNative(pclError, &m_csClientLibrary, pszGetWantedClientLibrary(), 0)) return 0;
        if (__PQlibVersion != &DefaultError_PQlibVersion) {
            int nVersion = 0;
            if (!g_bPSQLCall(pclError, FILE_CONNECTION, SITE_LIBVERSION, [&] { nVersion = __PQlibVersion(); })) {
                // A library that cannot say its version is not trusted with a connection.
                m_csClientVersion.Set(L"Older than 9.1");
                return 0;
            }
            if (nVersion != 0) {
                m_nClientVersionMajor = nVersion / 10000;
                m_nClientVersionMinor = (nVersion % 10000) / 100;
                m_nClientVersionRevision = nVersion % 100;
                m_csClientVersion.printf(L"%d.%d.%d", m_nClientVersionMajor, m_nClientVersionMinor,
                                         m_nClientVersionRevision);
            } else if (pclError != nullptr) {
                pclError->Reset();
            }
        }
        if (m_csClientVersion.nTaille() == 0) m_csClientVersion.Set(L"Older than 9.1");
    }

    // The client library reads its connection string as UTF-8.
    CTStringConcatAW clCnx(CODEPAGE_UTF8, CODEPAGE_UTF8);
    _BuildCnxString(&clCnx);
    const char* pszCnx = clCnx.pszGetA();
    if (clCnx.bIsInError()) {
        if (pclError != nullptr) pclError->SetErrorNoMemory(this);
        return 0;
    }
    if (!g_bPSQLCall(pclError, FILE_CONNECTION, SITE_CONNECTDB, [&] { m_pPGConn = __PQconnectdb(pszCnx); })) return 0;
    m_csLastNotice.Vide();
    m_nNotices = 0;
    // A library without the entry keeps printing the notices itself: nothing else to do about it.
    if (m_pPGConn != nullptr && __PQsetNoticeReceiver != &DefaultError_PQsetNoticeReceiver)
        g_bPSQLCall(nullptr, FILE_CONNECTION, SITE_NOTICERECEIVER,
                    [&] { __PQsetNoticeReceiver(m_pPGConn, &_NoticeReceiver, this); });

    if (!_bOpenEstablished(pclError)) {
        // A connection whose set-up failed is dropped: the next open connects afresh instead of
        // taking a connection with the wrong encoding or date style for an open one.
        _bFreeCnx(pclError);
        m_bOpen = 0;
        return 0;
    }
    return 1;
}

void CPSQLConnection::_BuildCnxString(CTStringConcatAW* pclOut) {
    const wchar_t* pszHost = pszGetDataBase();
    const wchar_t* pszUser = pszGetUserName();
    const wchar_t* pszPassword = pszGetPassword();
    const wchar_t* pszDataBase = pszGetDefaultDataBaseEx();
    const int nPort = nGetPort();

    // The keys written here are the driver's: the extended information does not change them.
    std::vector<const wchar_t*> aDriverKeys;
    auto Add = [&](const wchar_t* pszKey, auto value) {
        _bFormatCnxParam(pclOut, pszKey, value);
        aDriverKeys.push_back(pszKey);
    };
    if (!_bEmpty(pszHost)) Add(L"host", pszHost);
    if (nPort != 0) Add(L"port", nPort);
    if (!_bEmpty(pszDataBase)) Add(L"dbname", pszDataBase);
    if (!_bEmpty(pszUser)) Add(L"user", pszUser);
    if (!_bEmpty(pszPassword)) Add(L"password", pszPassword);
    if (m_nConnectionTimeout != -1) Add(L"connect_timeout", m_nConnectionTimeout);
    const struct {
        const wchar_t* pszKey;
        const CTString& clValue;
    } tabSSL[] = {
        {L"sslmode", m_csSSLMode},
        {L"sslkey", m_csSSLKey},
        {L"sslcert", m_csSSLCert},
        {L"sslrootcert", m_csSSLCA},
    };
    for (const auto& st : tabSSL)
        if (st.clValue.nTaille() != 0) Add(st.pszKey, st.clValue.pszGet());
    auto bDriverKey = [&](const wchar_t* pszKey) {
        for (const wchar_t* psz : aDriverKeys)
            if (wcscmp(psz, pszKey) == 0) return true;
        return false;
    };

    if (m_csExtendedInfo.nTaille() == 0) return;
    CTString clRest(m_csExtendedInfo);
    CTString clValue;
    for (int bFound = 1; bFound;)
        CStringParameter::s_bGetParameterValue(&clValue, &bFound, &clRest, L"Initial Catalog", 1);

    // Items are separated by ";" here and by blanks in the client library's string. An item the
    // library reads as it stands (one or more key=value pairs, quoted its way) keeps its meaning;
    // any other "key=value" item is one parameter whose value is quoted by the library's rules, so
    // that a blank or a quote in it cannot start a parameter of its own. Every pair is written anew.
    std::vector<std::pair<std::wstring, std::wstring>> aPairs;
    const wchar_t* psz = clRest.pszGet();
    while (psz != nullptr && *psz != 0) {
        const wchar_t* pszEnd = wcschr(psz, L';');
        CTString clItem(psz, pszEnd != nullptr ? static_cast<long>(pszEnd - psz) : static_cast<long>(wcslen(psz)));
        psz = pszEnd != nullptr ? pszEnd + 1 : nullptr;
        clItem.Trim();
        if (clItem.nTaille() == 0) continue;
        if (_bReadConnInfoPairs(clItem.pszGet(), &aPairs)) {
            for (const auto& pair : aPairs)
                if (!bDriverKey(pair.first.c_str())) _bFormatCnxParam(pclOut, pair.first.c_str(), pair.second.c_str());
            continue;
        }
        int nEqual = clItem.nPos(L'=');
        if (nEqual < 0) {
            // Not a parameter: passed as it stands, the client library refuses it by name.
            if (!pclOut->bEstVide()) pclOut->Add(L" ", 1);
            pclOut->Add(clItem);
            continue;
        }
        CTString clKey = clItem.clGauche(nEqual);
        CTString clItemValue = clItem.clMilieu(nEqual + 1);
        clKey.Trim();
        clItemValue.Trim();
        const wchar_t* pszKey = clKey.pszGet() != nullptr ? clKey.pszGet() : L"";
        if (!bDriverKey(pszKey)) _bFormatCnxParam(pclOut, pszKey, clItemValue.pszGet());
    }
}

int CPSQLConnection::_bOpenEstablished(CNAError* pclError) {
    ConnStatusType eStatus = CONNECTION_BAD;
    if (!g_bPSQLCall(pclError, FILE_CONNECTION, SITE_STATUS, [&] { eStatus = __PQstatus(m_pPGConn); })) return 0;
    if (eStatus == CONNECTION_BAD) {
        _RecordConnectionError(pclError, FILE_CONNECTION, SITE_CONNECTION_REFUSED);
        return 0;
    }
    m_bOpen = 1;

    // A fault of the client library on the way fails the encoding step below.
    int bFault = 0;
    int nVersion = 0;
    const int bVersionCalled = g_bPSQLCall(pclError, FILE_CONNECTION, SITE_SERVERVERSION,
                                           [&] { nVersion = __PQserverVersion(m_pPGConn); });
    m_nServerVersion = bVersionCalled ? static_cast<uint32_t>(nVersion) : 0;
    if (bVersionCalled && nVersion != 0) {
        m_nServerMajor = nVersion / 10000;
        m_nServerMinor = (nVersion % 10000) / 100;
        m_nServerRevision = nVersion % 100;
        m_csServerVersion.printf(L"%d.%d.%d", m_nServerMajor, m_nServerMinor, m_nServerRevision);
    } else if (bGetRequestedValueString(pclError, &m_csServerVersion, 0, L"SHOW SERVER_VERSION")) {
        if (pclError != nullptr) pclError->Reset();
        _bDecomposeServerVersion(pclError);
        m_nServerVersion =
            static_cast<uint32_t>(m_nServerMajor * 10000 + m_nServerMinor * 100 + m_nServerRevision);
    } else if (!bVersionCalled) {
        bFault = 1;
    }

    if (m_nServerVersion >= 80000) {
        const char* pszEncoding = nullptr;
        if (g_bPSQLCall(pclError, FILE_CONNECTION, SITE_PARAMETERSTATUS,
                        [&] { pszEncoding = __PQparameterStatus(m_pPGConn, "server_encoding"); })) {
            m_csServerEncoding.Vide();
            if (pszEncoding != nullptr) m_csServerEncoding.SetANSI(pszEncoding, CODEPAGE_UTF8);
        } else {
            bFault = 1;
        }
    }
    if (m_csServerEncoding.nTaille() == 0 &&
        !bGetRequestedValueString(pclError, &m_csServerEncoding, 0, L"SHOW SERVER_ENCODING")) {
        // Only the query's own failure is forgotten: a fault recorded before fails the open below
        // and must stay to say why.
        if (!bFault && pclError != nullptr) pclError->Reset();
    }
    if (m_csServerEncoding.nTaille() != 0 && !m_csServerEncoding.bEstEgal(L"UTF8")) m_bServerUnicode = 0;

    if (!_bSetClientEncoding(pclError, bFault)) return 0;

    if (!bExecuteQueryNoResult(pclError, L"SET DateStyle=iso, ymd")) return 0;

    if (m_nCommandTimeout != -1) {
        // In milliseconds, computed wide and held to the server's largest value.
        int64_t llTimeout = static_cast<int64_t>(m_nCommandTimeout) * 1000;
        if (llTimeout > INT32_MAX) llTimeout = INT32_MAX;
        CTString clQuery;
        clQuery.printf(L"SET statement_timeout=%lld", static_cast<long long>(llTimeout));
        if (!bExecuteQueryNoResult(pclError, clQuery.pszGet())) return 0;
    }
    return 1;
}

int CPSQLConnection::_bSetClientEncoding(CNAError* pclError, int bEarlierFault) {
    const bool bUTF8 = m_bUnicodeSupport != 0 && m_bServerUnicode != 0;
    const wchar_t* pszEncoding = bUTF8 ? L"UTF8" : _pszGetClientEncodingFromLocale(m_nCodePage);
    m_nClientCodePage = bUTF8 ? CODEPAGE_UTF8 : m_nCodePage;
    const bool bNameUTF8 = wcscmp(pszEncoding, L"UTF8") == 0;

    CNACodePageCnvIN clName(pszEncoding, -1, m_nClientCodePage);
    int nAnswer = -1;
    const int bCalled = g_bPSQLCall(pclError, FILE_CONNECTION, SITE_SETCLIENTENCODING,
                                    [&] { nAnswer = __PQsetClientEncoding(m_pPGConn, clName.pszGetA()); });
    const bool bFault = bEarlierFault != 0 || bCalled == 0;
    if (!bFault && nAnswer == 0) {
        if (bNameUTF8) {
            m_nClientCodePage = CODEPAGE_UTF8;
        } else {
            m_bUnicodeSupport = 0;
            m_nClientCodePage = m_nCodePage;
        }
        return 1;
    }
    if (!bFault) {
        _RecordConnectionError(pclError, FILE_CONNECTION, SITE_ENCODING_REFUSED);
        if (pclError != nullptr)
            pclError->AddUserMessage(MESSAGE_ENCODING_REFUSED, pszEncoding,
                                     m_csServerEncoding.pszGet() != nullptr ? m_csServerEncoding.pszGet() : L"",
                                     pszGetDefaultDataBaseEx());
    }
    if (m_bUnicodeSupport != 0 && !bNameUTF8) {
        int nUTF8 = -1;
        if (g_bPSQLCall(pclError, FILE_CONNECTION, SITE_SETCLIENTENCODING_UTF8,
                        [&] { nUTF8 = __PQsetClientEncoding(m_pPGConn, "UTF8"); }) &&
            nUTF8 == 0) {
            if (pclError != nullptr) pclError->Reset();
            m_nClientCodePage = CODEPAGE_UTF8;
            return 1;
        }
    }
    return 0;
}

// ---------------------------------------------------------------------------------- close

int CPSQLConnection::bClose(CNAError* pclError) {
    if (m_bOpen == 0) return 1;
    int bOk = _bFreeCnx(pclError);
    m_bOpen = 0;
    return bOk;
}

void CPSQLConnection::_ReceiveNotice(const char* pszMessage) {
    m_nNotices++;
    m_csLastNotice.Vide();
    if (pszMessage == nullptr) return;
    // The text ends with a line feed, as the library prints it.
    m_csLastNotice.SetANSI(pszMessage, m_nClientCodePage);
    m_csLastNotice.Trim();
}

int CPSQLConnection::_bFreeCnx(CNAError* pclError) {
    if (m_pPGConn == nullptr) return 1;
    PGconn* pConn = m_pPGConn;
    m_pPGConn = nullptr;
    m_clPrefetch.Forget();
    return g_bPSQLCall(pclError, FILE_CONNECTION, SITE_FINISH, [&] { __PQfinish(pConn); });
}

// ---------------------------------------------------------------------------------- commit

// The server answers COMMIT of an aborted transaction as a success (its command tag reads
// ROLLBACK) and keeps none of its work; the transaction's status, read before, tells it. COMMIT is
// sent all the same, so that the server ends the aborted transaction as the driver already has.
int CPSQLConnection::bTransactionCommitDirect(CNAError* pclError) {
    PGTransactionStatusType eStatus = PQTRANS_UNKNOWN;
    int bStatusRead = 1;
    // A statement sent ahead would show the connection busy rather than the transaction's state.
    m_clPrefetch.Discard(m_pPGConn);
    // A client library without the function commits as before: its answer cannot be checked.
    if (m_pPGConn != nullptr && __PQtransactionStatus != &DefaultError_PQtransactionStatus) {
        PGconn* pConn = m_pPGConn;
        bStatusRead = g_bPSQLCall(pclError, FILE_CONNECTION, SITE_TRANSACTIONSTATUS,
                                  [&] { eStatus = __PQtransactionStatus(pConn); });
    }
    if (!CNAConnectionDescription::bTransactionCommitDirect(pclError)) return 0;
    if (eStatus == PQTRANS_INERROR) {
        g_PSQLAddError(pclError, NA_ERRORTYPE_GENERAL, FILE_CONNECTION, SITE_TRANSACTION_CANCELLED, this,
                       USER_ERROR_TRANSACTION_CANCELLED);
        return 0;
    }
    // A fault while reading the status leaves the outcome unknown: never reported as a success.
    return bStatusRead;
}

int CPSQLConnection::bServerTransactionOpen(CNAError* pclError) {
    if (m_pPGConn == nullptr || __PQtransactionStatus == &DefaultError_PQtransactionStatus)
        return CNAConnectionDescription::bServerTransactionOpen(pclError);
    PGTransactionStatusType eStatus = PQTRANS_UNKNOWN;
    PGconn* pConn = m_pPGConn;
    if (!g_bPSQLCall(pclError, FILE_CONNECTION, SITE_TRANSACTIONSTATUS, [&] { eStatus = __PQtransactionStatus(pConn); }))
        return CNAConnectionDescription::bServerTransactionOpen(pclError);
    if (eStatus == PQTRANS_IDLE) return 0;
    if (eStatus == PQTRANS_INTRANS || eStatus == PQTRANS_INERROR || eStatus == PQTRANS_ACTIVE) return 1;
    return CNAConnectionDescription::bServerTransactionOpen(pclError);
}

// ---------------------------------------------------------------------------------- connection string

int CPSQLConnection::nGetPort() {
    CTString clValue;
    if (_bGetExtendedParameter(&clValue, L"Server Port", 1))
        m_nPort = clValue.nTaille() != 0 ? static_cast<int32_t>(wcstol(clValue.pszGet(), nullptr, 10)) : 0;
    return m_nPort;
}

int CPSQLConnection::_bFormatCnxParam(CTStringConcatAW* pclOut, const wchar_t* pszKey, int nValue) {
    if (!pclOut->bEstVide()) pclOut->Add(L" ", 1);
    pclOut->Add(pszKey, -1);
    wchar_t szNumber[16];
    swprintf(szNumber, sizeof(szNumber) / sizeof(szNumber[0]), L"=%d", nValue);
    pclOut->Add(szNumber, -1);
    return 1;
}

int CPSQLConnection::_bFormatCnxParam(CTStringConcatAW* pclOut, const wchar_t* pszKey, const wchar_t* pszValue) {
    if (!pclOut->bEstVide()) pclOut->Add(L" ", 1);
    pclOut->Add(pszKey, -1);
    pclOut->Add(L"=", 1);
    if (_bEmpty(pszValue)) {
        pclOut->Add(L"''", 2);
        return 1;
    }
    CTString clValue(pszValue);
    clValue.Remplace(L"\\", L"\\\\");
    clValue.Remplace(L"'", L"\\'");
    // Any blank the client library ends a bare value at (not only the space) puts the value between
    // quotes: a tab in a password must not start a parameter of its own.
    if (_bHasConnInfoSpace(pszValue)) {
        pclOut->Add(L"'", 1);
        pclOut->Add(clValue);
        pclOut->Add(L"'", 1);
    } else {
        pclOut->Add(clValue);
    }
    return 1;
}

const wchar_t* CPSQLConnection::_pszGetClientEncodingFromLocale(unsigned nCodePage) {
    switch (nCodePage) {
        case 874:
            return L"WIN874";
        case 932:
            return L"SJIS";
        case 936:
            return L"GBK";
        case 949:
            return L"UHC";
        case 950:
            return L"BIG5";
        case 1250:
            return L"WIN1250";
        case 1251:
            return L"WIN1251";
        case 1253:
            return L"WIN1253";
        case 1254:
            return L"WIN1254";
        case 1255:
            return L"WIN1255";
        case 1256:
            return L"WIN1256";
        case 1257:
            return L"WIN1257";
        case 1258:
            return L"WIN1258";
        case 1361:
            return L"JOHAB";
        case CODEPAGE_UTF8:
            return L"UTF8";
        default:
            return L"WIN1252";
    }
}
