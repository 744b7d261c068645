// CPSQLConnection: one connection of the host to a PostgreSQL server, over the client library
// (libpq) that the driver loads at run time. It opens the connection (loading the library at the
// first open of the process), settles the versions and encodings, sends the set-up statements, and
// closes it. It also answers what the rest of the driver asks of PostgreSQL: server types as item
// types, binary and boolean literals, hexadecimal byte texts, schema and table names, the dialect
// switches, the client library's connection error and the kind of a server error.
//
// Open, close and commit are in PSQLConnection.cpp; types, literals and dialect in
// PSQLConnectionTypes.cpp; the connection error and the error kinds in PSQLConnectionErrors.cpp.
#pragma once

#include <cstdint>

#include "core/TString.h"
#include "native/driver/NAConnectionDescription.h"
#include "pgsql/PSQLPrefetch.h"

struct pg_conn;
typedef struct pg_conn PGconn;

class CPSQLConnection : public CNAConnectionDescription {
public:
    CPSQLConnection(const wchar_t* pszIdentification, INAConnectionDescription* piHostDescription);
    ~CPSQLConnection() override;

    // ------------------------------------------------------------------ overrides, in slot order
    int bOpen(CNAError* pclError) override;
    int bIsOpen() override { return m_bOpen; }
    int bClose(CNAError* pclError) override;
    int bSupportOrderByMemo() override { return 1; }
    int bSupportItemTime() override { return 1; }
    int bNULLBeforeNotNULL() override { return 0; }
    // RETURNING came with the 8.2 servers.
    int bSupportInsertReturning() override { return m_nServerVersion > 80199 ? 1 : 0; }
    // Fails with user error 76 when the server rolled the transaction back instead: a statement it
    // refused inside the transaction left it aborted, and COMMIT then ends it undone.
    int bTransactionCommitDirect(CNAError* pclError) override;
    int bServerTransactionOpen(CNAError* pclError) override;
    int bInitError(CNAError* pclError, unsigned nFile, unsigned nSite) override;
    eNA_ERRORTYPE eGetNAErrorType(unsigned nNativeCode) override;
    int _bEscapeString(CNAError* pclError, CTStringConcatAW* pclOut, unsigned short nType, unsigned char* pbyData,
                       unsigned long nSize) override;
    int _bBoolToString(CNAError* pclError, CTStringConcatAW* pclOut, int bValue) override;
    void _InitYF2NativeType() override;
    // What the client library holds of the server's reported settings.
    int bGetServerParameter(const wchar_t* pszName, CTString* pclValue) override;

    // ------------------------------------------------------------------ connection
    int _bFreeCnx(CNAError* pclError);
    // The "Server Port" of the extended information, cut out of it at the first read and kept for
    // every later open; 0 when none was given.
    int nGetPort();
    // One "key=value" entry of the client library's connection string, after a blank when the
    // builder holds text already. Always 1.
    int _bFormatCnxParam(CTStringConcatAW* pclOut, const wchar_t* pszKey, int nValue);
    int _bFormatCnxParam(CTStringConcatAW* pclOut, const wchar_t* pszKey, const wchar_t* pszValue);
    // The client encoding that matches a Windows code page.
    const wchar_t* _pszGetClientEncodingFromLocale(unsigned nCodePage);

    PGconn* pstGetPGConn() const { return m_pPGConn; }
    // The server's notices (warnings and notices that are no error) come here instead of the
    // client library's default, which prints them on the host's standard error: the last one is
    // kept, with how many came since the connection was made.
    void _ReceiveNotice(const char* pszMessage);
    const wchar_t* pszGetLastNotice() const { return m_csLastNotice.pszGet(); }
    unsigned nGetNoticeCount() const { return m_nNotices; }
    // The statement sent ahead on this connection, if any.
    CPSQLPrefetch* pclGetPrefetch() { return &m_clPrefetch; }
    unsigned nGetServerVersion() const { return m_nServerVersion; }
    const wchar_t* pszGetServerEncoding() const { return m_csServerEncoding.pszGet(); }

    // ------------------------------------------------------------------ types and values
    // A server type (its pg_type OID and type modifier; digits only for numeric) as an item type
    // and size. Always 1.
    int bConvertItemType(eNA_ITEMTYPE* peType, unsigned* pnSize, int nOid, int nModifier, int nIntegerDigits,
                         int nDecimals);
    // nLength hexadecimal digits as bytes (malloc'd, the caller frees them); null with user error
    // 1000 (naming the table and item) or out of memory in the error object.
    unsigned char* pUnescapeBytea(CNAError* pclError, const char* pszHexa, long nLength, const wchar_t* pszTable,
                                  const wchar_t* pszItem);
    static int _nGetHexaCaractValue(char c);
    // The schema and the table of a name ("schema.table"; a leading catalogue is dropped).
    using CNAConnectionDescription::DecomposeTableName;
    void DecomposeTableName(CTString* pclSchema, CTString* pclTable, const wchar_t* pszName);

    // One row of the SQL type names PostgreSQL declares columns with.
    struct stYF2NativeType {
        uint32_t eType;          // eNA_ITEMTYPE
        const wchar_t* pszName;  // holds "%d" for the item size when bSize is 1
        uint32_t bSize;
    };
    static const stYF2NativeType s_tabYF2NativeType[12];

private:
    // bInitError, and user error 22 alone when the client library has no text to give: a failure
    // is never reported with nothing to say why.
    void _RecordConnectionError(CNAError* pclError, unsigned nFile, unsigned nSite);

    // The open's steps after the connection string is sent; on 0 the caller drops the connection.
    int _bOpenEstablished(CNAError* pclError);
    int _bSetClientEncoding(CNAError* pclError, int bEarlierFault);
    void _BuildCnxString(CTStringConcatAW* pclOut);

protected:
    uint32_t m_nServerVersion = 0;
    int32_t m_bOpen = 0;
    PGconn* m_pPGConn = nullptr;
    CTString m_csServerEncoding;
    // The port of the first open, kept because the first read cuts it out of the extended
    // information.
    int32_t m_nPort = 0;
    CTString m_csLastNotice;
    unsigned m_nNotices = 0;
    CPSQLPrefetch m_clPrefetch;
};
