// CPSQLConnection: PostgreSQL described to the rest of the driver: server types as item types,
// the SQL type names of columns, binary and boolean literals, hexadecimal byte texts, schema and
// table names.
#include "pgsql/PSQLConnection.h"

#include <cstdlib>
#include <cstring>

#include "core/TStringConcatAW.h"
#include "core/XErrorModule.h"
#include "native/driver/NAError.h"
#include "native/driver/NAFunctionTable.h"
#include "native/model/NAItemDescription.h"
#include "native/model/NAItemType.h"
#include "native/model/NAMapConvertType.h"
#include "pgsql/PSQLGuard.h"

namespace {

constexpr unsigned FILE_CONNECTION = 101;
constexpr unsigned SITE_BYTEA_REFUSED = 6;
constexpr unsigned SITE_ESCAPEBYTEA = 8;
constexpr unsigned SITE_FREEMEM = 9;
constexpr unsigned SITE_HEXA_LENGTH = 18;
constexpr unsigned SITE_HEXA_DIGIT = 19;
constexpr unsigned SITE_PARAMETERSTATUS = 10;
constexpr unsigned USER_ERROR_HEXA = 1000;

// The value types written as bytea: binary, buffer, image memo.
constexpr unsigned short VQ_BINARY = 28;
constexpr unsigned short VQ_BUFFER = 29;
constexpr unsigned short VQ_IMAGE_MEMO = 30;

}  // namespace

// ---------------------------------------------------------------------------------- server types

const CPSQLConnection::stYF2NativeType CPSQLConnection::s_tabYF2NativeType[12] = {
    {NA_IT_IDAUTO, L"SERIAL8", 0},      {NA_IT_IDAUTO4, L"SERIAL4", 0},   {NA_IT_I8, L"BIGINT", 0},
    {NA_IT_BOOLEEN, L"BOOLEAN", 0},     {NA_IT_R8, L"FLOAT8", 0},         {NA_IT_REELTURBO, L"FLOAT8", 0},
    {NA_IT_TIMELENGHT, L"BIGINT", 0},   {NA_IT_MEMOBINAIRE, L"BYTEA", 0}, {NA_IT_MEMOBINAIRE4, L"BYTEA", 0},
    {NA_IT_BINAIRE, L"BYTEA", 0},       {NA_IT_UNICODE, L"VARCHAR(%d)", 1}, {NA_IT_MEMOUNICODE, L"TEXT", 0},
};

int CPSQLConnection::bConvertItemType(eNA_ITEMTYPE* peType, unsigned* pnSize, int nOid, int nModifier,
                                      int nIntegerDigits, int nDecimals) {
    eNA_ITEMTYPE eType = NA_IT_MEMOTEXTE;
    unsigned nSize = 8;
    auto Set = [&](eNA_ITEMTYPE e, unsigned n) {
        eType = e;
        nSize = n;
    };
    switch (nOid) {
        case 16:  // boolean
            Set(NA_IT_BOOLEEN, 1);
            break;
        case 17:  // bytea
        case 22:  // int2vector
            if (nModifier < 0)
                Set(NA_IT_MEMOBINAIRE, 8);
            else
                // A length prefix of 16 bits before the bytes.
                Set(NA_IT_BINAIRE, static_cast<unsigned>(nModifier) + 2);
            break;
        case 18:  // char
            Set(NA_IT_I1, 1);
            break;
        case 19:  // name
            Set(NA_IT_TEXTE, 64);
            break;
        case 20:  // int8
        case 27:  // tid
            Set(NA_IT_I8, 8);
            break;
        case 21:  // int2
            Set(NA_IT_I2, 2);
            break;
        case 23:  // int4
        case 24:  // regproc
        case 28:  // xid
        case 29:  // cid
        case 2202:
        case 2203:
        case 2204:
        case 2205:
        case 2206:  // regprocedure, regoper, regoperator, regclass, regtype
            Set(NA_IT_I4, 4);
            break;
        case 25:  // text
            Set(NA_IT_MEMOTEXTE, 8);
            break;
        case 26:  // oid
            Set(NA_IT_UI4, 4);
            break;
        case 600:  // point
            Set(NA_IT_BINAIRE, 18);
            break;
        case 601:  // lseg
        case 603:  // box
            Set(NA_IT_BINAIRE, 34);
            break;
        case 700:  // float4
            Set(NA_IT_R4, 4);
            break;
        case 701:  // float8
            Set(NA_IT_R8, 8);
            break;
        case 702:   // abstime
        case 703:   // reltime
        case 704:   // tinterval
        case 1114:  // timestamp
        case 1184:  // timestamptz
            Set(NA_IT_DATETIME, 8);
            break;
        case 1186:  // interval
            // A duration of months, days and microseconds is no date-time: the server's text.
            Set(NA_IT_MEMOTEXTE, 8);
            break;
        case 1560:  // bit
        case 1562:  // varbit
            // Bit strings read and write as their digits: a text of the declared length, a memo
            // without one. Written as bytes they would no longer be bit strings.
            if (nModifier < 0)
                Set(NA_IT_MEMOTEXTE, 8);
            else
                Set(NA_IT_TEXTE, static_cast<unsigned>(nModifier) + 1);
            break;
        case 790:  // money
            Set(NA_IT_MONETAIRE, 10);
            break;
        case 1042:  // bpchar
        case 1043:  // varchar
            // The modifier is the declared length plus 4; none means no limit, held as a memo.
            if (nModifier == 5)
                Set(NA_IT_CHAR, 1);
            else if (nModifier < 0)
                Set(NA_IT_MEMOTEXTE, 8);
            else
                Set(NA_IT_TEXTE, static_cast<unsigned>(nModifier) - 3);
            break;
        case 1082:  // date
            Set(NA_IT_DATE8, 9);
            break;
        case 1083:  // time
        case 1266:  // timetz
            Set(NA_IT_HEURE, 9);
            break;
        case 1700:  // numeric
            CNAItemDescription::s_GetTypeFromFormat(nIntegerDigits, nDecimals, &eType, &nSize);
            break;
        case 2950:  // uuid
            Set(NA_IT_TEXTE, 37);
            break;
        default:
            break;
    }
    if (m_bServerUnicode != 0) {
        if (eType == NA_IT_TEXTE) {
            eType = NA_IT_UNICODE;
            nSize *= 2;
        } else if (eType == NA_IT_MEMOTEXTE) {
            eType = NA_IT_MEMOUNICODE;
        }
    }
    *peType = eType;
    *pnSize = nSize;
    return 1;
}

// The server's own names replace the driver core's default rows for these item types; the map's
// other rows stay as the core built them.
void CPSQLConnection::_InitYF2NativeType() {
    CNAMapConvertType* pclMap = m_pclMapConvertType;
    if (pclMap == nullptr) return;
    for (const stYF2NativeType& st : s_tabYF2NativeType)
        pclMap->Add(static_cast<eNA_ITEMTYPE>(st.eType), st.pszName, st.bSize != 0);
}

int CPSQLConnection::bGetServerParameter(const wchar_t* pszName, CTString* pclValue) {
    pclValue->Vide();
    if (m_pPGConn == nullptr || pszName == nullptr) return 0;
    // Server parameter names are ASCII; anything else is no parameter the server reports.
    char szName[64];
    size_t n = 0;
    for (; pszName[n] != 0; n++) {
        if (n + 1 >= sizeof(szName) || pszName[n] < 0x20 || pszName[n] > 0x7E) return 0;
        szName[n] = static_cast<char>(pszName[n]);
    }
    szName[n] = 0;
    const char* pszNameUTF8 = szName;
    const char* pszValue = nullptr;
    PGconn* pConn = m_pPGConn;
    // A fault here only means the setting is unknown: the caller falls back to the version rule.
    if (!g_bPSQLCall(nullptr, FILE_CONNECTION, SITE_PARAMETERSTATUS,
                     [&] { pszValue = __PQparameterStatus(pConn, pszNameUTF8); }) ||
        pszValue == nullptr)
        return 0;
    pclValue->SetANSI(pszValue, 65001);
    return 1;
}

// ---------------------------------------------------------------------------------- literals

int CPSQLConnection::_bEscapeString(CNAError* pclError, CTStringConcatAW* pclOut, unsigned short nType,
                                    unsigned char* pbyData, unsigned long nSize) {
    if (nType != VQ_BINARY && nType != VQ_BUFFER && nType != VQ_IMAGE_MEMO)
        return CNAConnectionDescription::_bEscapeString(pclError, pclOut, nType, pbyData, nSize);
    unsigned char* pszEscaped = nullptr;
    size_t nLength = 0;
    PGconn* pConn = m_pPGConn;
    if (!g_bPSQLCall(pclError, FILE_CONNECTION, SITE_ESCAPEBYTEA,
                     [&] { pszEscaped = __PQescapeByteaConn(pConn, pbyData, nSize, &nLength); }) ||
        pszEscaped == nullptr) {
        _RecordConnectionError(pclError, FILE_CONNECTION, SITE_BYTEA_REFUSED);
        return 0;
    }
    pclOut->Vide();
    // The client library doubles the backslash of its escape when the server reads backslashes as
    // escapes: the literal then takes the escape form, of which the server does not warn.
    const long nEscaped = nLength > 0 ? static_cast<long>(nLength - 1) : 0;
    if (bBackslashEscapesInLiterals() && memchr(pszEscaped, '\\', static_cast<size_t>(nEscaped)) != nullptr)
        pclOut->Add(L"E", 1);
    pclOut->Add(L"'", 1);
    // The length counts the terminating zero.
    pclOut->Add(reinterpret_cast<const char*>(pszEscaped), nEscaped, m_nClientCodePage);
    pclOut->Add(L"'", 1);
    return g_bPSQLCall(pclError, FILE_CONNECTION, SITE_FREEMEM, [&] { __PQfreemem(pszEscaped); });
}

int CPSQLConnection::_bBoolToString(CNAError*, CTStringConcatAW* pclOut, int bValue) {
    pclOut->Vide();
    if (bValue != 0)
        pclOut->Add(L"'t'", 3);
    else
        pclOut->Add(L"'f'", 3);
    return 1;
}

// ---------------------------------------------------------------------------------- byte texts

int CPSQLConnection::_nGetHexaCaractValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

unsigned char* CPSQLConnection::pUnescapeBytea(CNAError* pclError, const char* pszHexa, long nLength,
                                               const wchar_t* pszTable, const wchar_t* pszItem) {
    auto Refuse = [&](unsigned nSite) {
        if (pclError == nullptr) return;
        _CXErrorModule39 clError(USER_ERROR_HEXA);
        uint32_t dwCode = USER_ERROR_HEXA;
        clError.AddInfo(CXError::EIT_NATIVECODE, &dwCode);
        CNAError::g_SetInfoNames(&clError, pszTable, pszItem);
        CNAError::g_AddDebugInfo(&clError, static_cast<int>(FILE_CONNECTION), static_cast<int>(nSite));
        pclError->AddError(NA_ERRORTYPE_GENERAL, &clError, this);
    };
    // A negative length is no more a text of digit pairs than an odd one.
    if (nLength <= 0 || nLength % 2 != 0 || pszHexa == nullptr) {
        Refuse(SITE_HEXA_LENGTH);
        return nullptr;
    }
    unsigned char* pbyBytes = static_cast<unsigned char*>(malloc(static_cast<size_t>(nLength / 2)));
    if (pbyBytes == nullptr) {
        if (pclError != nullptr) pclError->SetErrorNoMemory(this);
        return nullptr;
    }
    for (long i = 0; i < nLength; i += 2) {
        int nHigh = _nGetHexaCaractValue(pszHexa[i]);
        int nLow = _nGetHexaCaractValue(pszHexa[i + 1]);
        if (nHigh < 0 || nLow < 0) {
            free(pbyBytes);
            Refuse(SITE_HEXA_DIGIT);
            return nullptr;
        }
        pbyBytes[i / 2] = static_cast<unsigned char>(nHigh * 16 + nLow);
    }
    return pbyBytes;
}

// ---------------------------------------------------------------------------------- names

void CPSQLConnection::DecomposeTableName(CTString* pclSchema, CTString* pclTable, const wchar_t* pszName) {
    CTString clCatalogue;
    CNAConnectionDescription::DecomposeTableName(&clCatalogue, pclSchema, pclTable, pszName);
}
