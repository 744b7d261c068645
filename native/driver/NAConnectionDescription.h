// CNAConnectionDescription: the driver's object for one server connection. The driver object makes
// one for each distinct connection the host describes and hands it to every table, statement,
// command builder and converter working on that connection. It keeps the host's description, the
// options read from it once at construction (cut out of the extended information, so that what is
// left can go to the client library as further connection parameters), the SQL dialect of its
// server kind, the identifier quotes, the server version and the code pages.
//
// The class is abstract: the PostgreSQL connection opens, tests and closes the real connection,
// fills the SQL type map, and sets the server kind and the quotes in its constructor.
//
// Construction, options and the dialect live in NAConnectionDescription.cpp; names, quoting,
// hexadecimal and compact date texts in NAConnectionNames.cpp; SQL type names read back into item
// types in NAConnectionTypeNames.cpp; values as SQL literals, casts and default values in
// NAConnectionLiterals.cpp; transactions, locks, column declarations, the server version and the
// details added to errors in NAConnectionServices.cpp.
#pragma once

#include <cstdint>

#include "core/TString.h"
#include "core/XYString.h"
#include "core/XYStringConcat.h"
#include "native/driver/INAConnectionDescription.h"
#include "native/driver/INAError.h"
#include "native/model/Interf.h"

class CAny;
class CNAError;
class CNAItemDescription;
class CNAMapConvertType;
class CNATransaction;
class CTStringConcatAW;
class CXTime;
class INAItemDescription;
class ISQLParserInformation;
class _CXErrorModule39;
// Declared with the item model (a fixed 32-bit enumeration).
enum eNA_ITEMTYPE : uint32_t;

typedef void* HINSTANCE;

// The server kind, which selects the SQL dialect. Kinds 1 to 13 are the dialects the same code
// serves; every connection of this driver is PostgreSQL.
enum eDATASOURCE : uint32_t {
    DATASOURCE_POSTGRESQL = 6,
};

enum eCURSORLOCATION : uint32_t {
    CURSORLOCATION_DEFAULT = 0,
    CURSORLOCATION_CLIENT = 1,
    CURSORLOCATION_SERVER = 2,
};

class CNAConnectionDescription : public CInterf {
public:
    // ------------------------------------------------------------------ virtual operations
    // Their order is the class's slot order.
    ~CNAConnectionDescription() override;

    virtual int bOpen(CNAError* pclError) = 0;
    virtual int bIsOpen() = 0;
    virtual int bClose(CNAError* pclError) = 0;

    // Dialect constants of the base; the PostgreSQL connection overrides some.
    virtual int bSupportOrderByMemo() { return 0; }
    virtual int bOrderByIndiceAllowed() { return 1; }
    virtual int bTransactionEndCloseParse() { return 0; }
    virtual int bTreatEmptyDateAsNULL() { return 1; }
    virtual int bTreat0000DateAsNULL();
    virtual int bSupportItemTime() { return 0; }
    virtual int bSupportItemDate() { return 0; }
    virtual int bNULLBeforeNotNULL() { return 1; }
    virtual int bSupportInsertReturning() { return 0; }
    virtual int bCanPrepareQuery() { return 1; }
    virtual int bIndexNamesCommonOnDatabase() { return 0; }

    virtual int bOpenCreate(CNAError* pclError) { return bOpen(pclError); }
    // The "KX RECORD LOCK" option, as given.
    virtual const wchar_t* pszGetNoLockHint();

    // Transactions and locks sent to the server.
    virtual int bTransactionBeginDirect(CNAError* pclError);
    virtual int bTransactionCommitDirect(CNAError* pclError);
    virtual int bTransactionRollBackDirect(CNAError* pclError);
    virtual CNATransaction* pclAllocTransaction();
    virtual int bSQLBloque(CNAError* pclError, const wchar_t* pszTable);
    virtual int bSQLBloque(CNAError* pclError, ISQLParserInformation* piParser);
    virtual int bSQLBloqueRequete(CNAError* pclError, const wchar_t* pszQuery);
    virtual int bDiagnose(CNAError* pclError, CAny* pclResult, const wchar_t* pszOption, unsigned nFlags);

    // Errors of the server.
    virtual int bInitError(CNAError* pclError, unsigned nFile, unsigned nSite);
    virtual eNA_ERRORTYPE eGetNAErrorType(unsigned nNativeCode);

    // Values as SQL.
    virtual int bConvertValueToString(CNAError* pclError, CTStringConcatAW* pclOut, const CAny* pclValue,
                                      eNA_ITEMTYPE eItemType, eNA_ITEMTYPE eSourceType);
    virtual int bCastCAnyIntoDBType(CNAError* pclError, CAny* pclValue, eNA_ITEMTYPE eItemType,
                                    eNA_ITEMTYPE eSourceType, int bConvertAll);
    virtual int nGetOrderByMaxExpressionNbr();
    virtual void AddInfoNativeXError(_CXErrorModule39* pclError);
    virtual int bDBTypeToString(CTString* pclOut, int nNativeType);
    virtual int bDBTypeUnkwnownByDB(int nNativeType);
    virtual int bExecuteQueryNoResult(CNAError* pclError, const wchar_t* pszQuery);
    virtual int bExecuteQueryIgnoreResult(CNAError* pclError, const wchar_t* pszQuery);
    virtual int bGetRequestedValue(CNAError* pclError, CAny* pclValue, int nColumn, const wchar_t* pszQuery);
    virtual int _bEscapeString(CNAError* pclError, CTStringConcatAW* pclOut, unsigned short nType,
                               unsigned char* pbyData, unsigned long nSize);
    virtual int _bBoolToString(CNAError* pclError, CTStringConcatAW* pclOut, int bValue);
    virtual int _bDateToString(CNAError* pclError, CTStringConcatAW* pclOut, const CAny* pclValue,
                               eNA_ITEMTYPE eItemType);
    virtual void _CancelRecordLock(CNATransaction* pclTransaction);
    virtual void _InitYF2NativeType() = 0;
    virtual int _bDecomposeServerVersion(CNAError* pclError);
    // A run-time parameter the server reports (standard_conforming_strings, server_encoding...):
    // 1 with its value, 0 when the server has not reported it (or the connection is not open).
    // The base knows none; the PostgreSQL connection answers what the client library holds.
    virtual int bGetServerParameter(const wchar_t* pszName, CTString* pclValue);
    // Whether the session stands inside a transaction on the server, whoever began it (the
    // driver's transactions, or a BEGIN the host sent as SQL): 1 inside, 0 outside. The base
    // knows only the driver's own transactions.
    virtual int bServerTransactionOpen(CNAError* pclError);

    // ------------------------------------------------------------------ the host's description
    const wchar_t* pszGetUserName() const { return m_piHostDescription->pszGetUserName(); }
    const wchar_t* pszGetPassword() const { return m_piHostDescription->pszGetPassword(); }
    const wchar_t* pszGetDataBase() const { return m_piHostDescription->pszGetDataBase(); }
    const wchar_t* pszGetDescription() const { return m_piHostDescription->pszGetDescription(); }
    eNA_ACCESS eGetAccess() const { return m_piHostDescription->eGetAccess(); }
    int nGetNbParam() const { return m_piHostDescription->nGetNbParam(); }
    void* pclGetParam(int nIndex) const { return m_piHostDescription->pclGetParam(nIndex); }
    long lGetCursorOptions() const { return m_piHostDescription->lGetCursorOptions(); }
    const wchar_t* pszGetDefaultDataBase() const { return m_piHostDescription->pszGetDefaultDataBase(); }
    const wchar_t* pszGetLogicalConnectionName() const { return m_piHostDescription->pszGetLogicalConnectionName(); }
    // The name text of the host's connection record (null when the host gives none).
    const wchar_t* pszGetConnectionName() const;
    INAConnectionDescription* piGetHostDescription() const { return m_piHostDescription; }

    // ------------------------------------------------------------------ identity and options
    unsigned nGetCnxNumber() const { return m_nCnxNumber; }
    const wchar_t* pszGetIdentification() const { return m_csIdentification.pszGet(); }
    // What is left of the host's extended information once the options were cut out.
    const wchar_t* pszGetExtendedInfo() const { return m_csExtendedInfo.pszGet(); }
    // "Provider=...;ExtendedInformation=...;Data source=...;user id=...;password=..." as the host
    // described the connection (extended information before any option was cut).
    const wchar_t* pszGetConnectionString() const { return m_clConnectionString.pszGet(); }
    // The database to open: see pszGetDefaultDataBaseEx in the .cpp. Never null.
    const wchar_t* pszGetDefaultDataBaseEx();
    // "Application Name", else the running program's name, else the maker's product name.
    const wchar_t* pszGetApplicationName();

    int nGetConnectionTimeout() const { return m_nConnectionTimeout; }
    int nGetCommandTimeout() const { return m_nCommandTimeout; }
    int nGetLockTimeout() const { return m_nLockTimeout; }
    int64_t llGetCacheSize() const { return m_llCacheSize; }
    eCURSORLOCATION eGetCursorLocation() const { return m_eCursorLocation; }
    unsigned bGetUnicodeSupport() const { return m_bUnicodeSupport; }
    unsigned bGetServerUnicode() const { return m_bServerUnicode; }
    unsigned nGetCodePage() const { return m_nCodePage; }
    unsigned nGetClientCodePage() const { return m_nClientCodePage; }
    const wchar_t* pszGetSSLMode() const { return m_csSSLMode.pszGet(); }
    const wchar_t* pszGetSSLKey() const { return m_csSSLKey.pszGet(); }
    const wchar_t* pszGetSSLCert() const { return m_csSSLCert.pszGet(); }
    const wchar_t* pszGetSSLCA() const { return m_csSSLCA.pszGet(); }
    const wchar_t* pszGetSSLCRL() const { return m_csSSLCRL.pszGet(); }
    const wchar_t* pszGetSSLCAPath() const { return m_csSSLCAPath.pszGet(); }
    const wchar_t* pszGetSSLCipher() const { return m_csSSLCipher.pszGet(); }
    // The "KX CLIENT VERSION" and "KX CLIENT LIBRARY" options (empty when not given).
    const wchar_t* pszGetWantedClientVersion() const { return m_csWantedClientVersion.pszGet(); }
    const wchar_t* pszGetWantedClientLibrary() const { return m_csWantedClientLibrary.pszGet(); }

    eDATASOURCE eGetDataSource() const { return m_eDataSource; }
    const wchar_t* pszGetServerVersion() const { return m_csServerVersion.pszGet(); }
    int nGetServerMajorVersion() const { return m_nServerMajor; }
    int nGetServerMinorVersion() const { return m_nServerMinor; }
    int nGetServerRevision() const { return m_nServerRevision; }

    unsigned bGetConnectionSQL() const { return m_bConnectionSQL; }
    void SetConnectionSQL(unsigned bConnectionSQL) { m_bConnectionSQL = bConnectionSQL; }
    void SetAutoClose(unsigned bAutoClose) { m_bAutoClose = bAutoClose; }
    unsigned bGetNestedTransaction() const { return m_bNestedTransaction; }

    // ------------------------------------------------------------------ transactions (NAConnectionServices.cpp)
    // Opens the connection if needed, then begins the named transaction, nested inside the open
    // one when there is one.
    int bTransactionBegin(CNAError* pclError, const wchar_t* pszName);
    // End the named transaction (null or empty: the innermost open one); user error 9 when the
    // connection never began one.
    int bTransactionCommit(CNAError* pclError, const wchar_t* pszName);
    int bTransactionRollBack(CNAError* pclError, const wchar_t* pszName);
    // The outermost transaction object (null before the first begin).
    CNATransaction* pclGetTransaction() const { return m_pclTransaction; }

    // 0 when auto-close is off; else 1 unless a transaction is active.
    int bAutoCloseEnabled();
    int _bTransactionOpened();
    int bResumeCurrentTransaction(CNAError* pclError);
    int bActiveCurrentTransaction(CNAError* pclError, int bActive);
    // The connection's native details added to an error (nothing for a null error).
    void AddInfoNative(CNAError* pclError);

    // One option of the extended information into pclOut (empty when absent); with bCut the key,
    // its value and the ";" after them go from the stored text. 1 when the key was found.
    int _bGetExtendedParameter(CTString* pclOut, const wchar_t* pszKey, int bCut);
    void _InitCodePageFromVQ();
    // 0 with user error 74 when the connection names another client library than the one
    // the process has loaded.
    int _bCheckClientLibraryWanted(CNAError* pclError);

    static const wchar_t* s_pszGetCursorLocation(unsigned eLocation);

    // ------------------------------------------------------------------ services (NAConnectionServices.cpp)
    // The first row's column of a query as text (empty for NULL or a value without a text form).
    int bGetRequestedValueString(CNAError* pclError, CTString* pclOut, int nColumn, const wchar_t* pszQuery);
    // The SQL type that declares a column for the item; 0 (pclOut unchanged) when there is none.
    int bGetMatchingSQLType(CNAError* pclError, INAItemDescription* piItem, CTString* pclOut);

    // ------------------------------------------------------------------ literals (NAConnectionLiterals.cpp)
    // Every writer empties the builder and leaves its result as the builder's whole content; 1 on
    // success, 0 (the error recorded) when a piece of the text was lost.
    // A ready literal, with bEscape wrapped as "{d " literal "}" / "{ts " literal "}".
    int _bDateToString(CNAError* pclError, CTStringConcatAW* pclOut, const wchar_t* pszLiteral, int bEscape);
    int _bDateTimeToString(CNAError* pclError, CTStringConcatAW* pclOut, const wchar_t* pszLiteral, int bEscape);
    // 'YYYY-MM-DD', 'YYYY-MM-DD HH:MM:SS.mmm' and 'HH:MM:SS.mmm' ("{t " literal "}" with bEscape).
    int _bDateToString(CNAError* pclError, CTStringConcatAW* pclOut, const CXTime& clTime, int bEscape);
    int _bDateTimeToString(CNAError* pclError, CTStringConcatAW* pclOut, const CXTime& clTime, int bEscape);
    int _bTimeToString(CNAError* pclError, CTStringConcatAW* pclOut, const CXTime& clTime, int bEscape);
    // The expression wrapped so that the server hands a date, time or date-time column back in the
    // host's compact text: 1 when wrapped, 0 when copied unchanged.
    int bConvertExpressionToString(CNAError* pclError, CTStringConcatAW* pclOut, const wchar_t* pszExpression,
                                   INAItemDescription* piItem, INAItemDescription* piDataBaseItem);
    // A column's default-value text read into a value of the item's type.
    int bConvertStringToDefaultValue(CAny* pclOut, const wchar_t* pszText, CNAItemDescription* pclItem,
                                     CNAError* pclError);
    // The value as wide text; pclOut is left as it was when the value gives none. Always 1.
    int bCopyString(CNAError* pclError, CXYString<wchar_t>* pclOut, const CAny* pclValue);
    // 1 when the server reads a backslash in a '...' literal as an escape, so that literals and
    // LIKE escape clauses must double it: the server's standard_conforming_strings when it reports
    // it ("off": 1, "on": 0), else servers before 9 (or of an unknown version) do.
    int bBackslashEscapesInLiterals();

    // ------------------------------------------------------------------ dialect by server kind
    int bSupportSubQuery() const;
    int bSupportLimitOrTop() const;
    int nGetVarCharMaxLen() const;   // -1: no limit
    int nGetNVarCharMaxLen() const;  // -1: no limit
    const wchar_t* pszGetVarCharType() const;
    const wchar_t* pszGetNVarCharType() const;
    const wchar_t* pszGetCLOBType() const;
    const wchar_t* pszGetNCLOBType() const;

    // ------------------------------------------------------------------ names (NAConnectionNames.cpp)
    int bFormatItemName(CNAError* pclError, const wchar_t* pszName, CTString* pclOut);
    int bFormatTableName(CNAError* pclError, const wchar_t* pszName, CTString* pclOut);
    int _bNeedFormatName(CNAError* pclError, const wchar_t* pszName);
    void UnFormatItemName(const wchar_t* pszName, CTString* pclOut);
    void DecomposeTableName(CTString* pclDataBase, CTString* pclOwner, CTString* pclTable, const wchar_t* pszName);
    int bExtractOwner(const wchar_t* pszOwner, const wchar_t* pszName, CTString* pclOwnerOut, CTString* pclTableOut);
    const wchar_t* _pszNameDot(const wchar_t* pszName);

    static int s_bReservedSQLWord(const wchar_t* pszName);
    static int s_bNeedFormat_Oracle(const wchar_t* pszName);
    static void s_BinaryToStringHexa(const unsigned char* pbyData, unsigned long nSize, wchar_t* pszOut);
    static void s_BinaryToStringHexa(const unsigned char* pbyData, unsigned long nSize, char* pszOut);
    static int s_bBinaryToStringHexa(CNAError* pclError, const unsigned char* pbyData, unsigned long nSize,
                                     CTStringConcatAW* pclOut);
    static void s_StringHexaToBinary(const wchar_t* pszText, unsigned char* pbyOut, unsigned long nSize);
    static void s_StringHexaToBinary(const char* pszText, unsigned char* pbyOut, unsigned long nSize);
    static int s_bTimeToStringIncomplete(CNAError* pclError, CTStringConcatAW* pclOut, const wchar_t* pszDigits,
                                         wchar_t cSeparator);
    static void s_DateStandardise(CTString* pclText);
    static int g_bGetModuleFileName(HINSTANCE hModule, CTString* pclOut);
    // The running program's file name without directory and extension; 0 when it cannot be had.
    static int g_bGetExeName(CTString* pclOut);

    // ------------------------------------------------------------------ SQL type names (NAConnectionTypeNames.cpp)
    // An SQL column declaration read back into an item type and size (decimals also give their
    // integer digits and scale); a Unicode character set turns texts into Unicode texts. Always 1.
    int bSQLTypeNameToNAType(CNAError* pclError, eNA_ITEMTYPE* peType, unsigned* pnSize, unsigned* pnDigits,
                             unsigned* pnScale, const wchar_t* pszDeclaration, const wchar_t* pszCharset);
    // n when the declaration goes on after the keyword with "(", n and ")", blanks allowed; else 1.
    static int _nGetSizeInTypeDecl(const wchar_t* pszDeclaration, const wchar_t* pszKeyword);

    // ------------------------------------------------------------------ process-wide
    static unsigned m_gnCnxGenerator;
    // Path of the client library once loaded, and its version (text and numbers).
    static CTString m_csClientLibrary;
    static CTString m_csClientVersion;
    static int m_nClientVersionMajor;
    static int m_nClientVersionMinor;
    static int m_nClientVersionRevision;

protected:
    // Only the server's own connection class makes one.
    CNAConnectionDescription(const wchar_t* pszIdentification, INAConnectionDescription* piHostDescription);
    CNAConnectionDescription(const CNAConnectionDescription&) = delete;
    CNAConnectionDescription& operator=(const CNAConnectionDescription&) = delete;

    unsigned m_nCnxNumber;
    INAConnectionDescription* m_piHostDescription;
    CTString m_csIdentification;
    CXYStringConcat<wchar_t> m_clConnectionString{1024};
    unsigned m_bAutoClose = 1;
    CNATransaction* m_pclTransaction = nullptr;
    // Set by the SQL layer on the connections it opens: date and time fields then reach the
    // converters as compact digit texts.
    unsigned m_bConnectionSQL = 0;
    CTString m_csDefaultDataBase;
    int64_t m_llCacheSize = -2;
    eCURSORLOCATION m_eCursorLocation = CURSORLOCATION_DEFAULT;
    unsigned m_bNestedTransaction = 1;
    CTString m_csExtendedInfo;
    int m_nConnectionTimeout = -1;
    int m_nCommandTimeout = -1;
    int m_nLockTimeout = -1;
    CTString m_csRecordLockHint;
    CNAMapConvertType* m_pclMapConvertType = nullptr;
    unsigned m_bServerUnicode = 1;
    unsigned m_bUnicodeSupport = 1;
    unsigned m_nCodePage = static_cast<unsigned>(-1);
    unsigned m_nClientCodePage = static_cast<unsigned>(-1);
    CTString m_csSSLMode, m_csSSLKey, m_csSSLCert, m_csSSLCA;
    CTString m_csSSLCRL;  // no option fills it
    CTString m_csSSLCAPath, m_csSSLCipher;
    CTString m_csWantedClientVersion;
    CTString m_csWantedClientLibrary;
    CTString m_csApplicationName;
    eDATASOURCE m_eDataSource = static_cast<eDATASOURCE>(0);
    CTString m_csServerVersion;
    int m_nServerMajor = -1;
    int m_nServerMinor = 0;
    int m_nServerRevision = 0;
    CTString m_csOpenQuote;
    unsigned m_nOpenQuoteLen = 0;
    CTString m_csCloseQuote;
    unsigned m_nCloseQuoteLen = 0;
    CTString m_csBinaryPrefix, m_csBinarySuffix;

private:
    // The date, time or date-time literal of a value, with or without the escape clause.
    int _bDateToStringWorker(CNAError* pclError, CTStringConcatAW* pclOut, const CAny* pclValue, eNA_ITEMTYPE eItemType,
                             int bEscape);
    // The quoted and escaped literal of n wide characters, after the given opening.
    int _bQuoteText(CNAError* pclError, CTStringConcatAW* pclOut, const wchar_t* pszText, unsigned long n,
                    const wchar_t* pszOpening);
    void _ReadOptions();
    void _BuildConnectionString();
    // Drops the reference on the transaction object; nothing is sent to the server.
    void _CloseTransactions();
    void _ReleaseMapConvertType();
};
