// CNADriverSQL: the SQL-command functions of the host (INADriverSQL) for any SQL server. The
// connections opened for them live in the driver object's registry, each under an identification
// of its own so that it is never shared; the result sets they run are kept in a table of this
// object under their statement numbers, which are the host's statement handles. Every call works
// under the driver's one lock and reports into the driver's own error object. The server's own
// class supplies the statement class and the catalogue listings.
//
// The interface's operations and the driver-wide ones are in NADriverSQL.cpp; the list runner and
// the link list in NADriverSQLList.cpp.
#pragma once

#include <cstdint>

#include "core/NARefHashTable.h"
#include "pgsql/INADriverSQL.h"
#include "pgsql/NAStatementSQL.h"

class CNAConnectionDescription;
class CNADataSourceDescription;
class CNADriver;
class CNAError;
template <class T>
class CXYString;
template <class T>
class CXYStringConcat;

class CNADriverSQL : public INADriverSQL {
public:
    // Takes one reference on the error object (the driver's own).
    CNADriverSQL(CNADriver* pclDriver, CNAError* pclError);
    CNADriverSQL(const CNADriverSQL&) = delete;
    CNADriverSQL& operator=(const CNADriverSQL&) = delete;

    // ------------------------------------------------------------------ INADriverSQL, slots 2 to 78
    int nGetVersion() override { return 4; }
    int nGetCompatSince() override { return 2; }
    int nGetNAVersion() override { return -1; }
    int nGetNACompatSince() override { return -1; }
    void NAVersion_EmptySlot_3() override {}
    void ExternalAddRef() override { m_nExternalRef++; }
    // At 0 with no internal reference the object destroys itself; answers the count left.
    unsigned nExternalRelease() override;
    INAError* piGetLastError() override;
    void* piGetInterface(int) override { return nullptr; }
    unsigned char* pReservedFct1() override { return nullptr; }
    unsigned char* pReservedFct2() override { return nullptr; }
    unsigned char* pReservedFct3() override { return nullptr; }
    unsigned char* pReservedFct4() override { return nullptr; }
    unsigned char* pReservedFct5() override { return nullptr; }
    int bLoadNativeDll(unsigned char*, unsigned) override { return 1; }
    int bFreeNativeDll(unsigned char*, unsigned) override { return 1; }
    int bOpenConnection(int* pnCnx, INAConnectionDescription* piCnx) override;
    int bCloseConnection(int nCnx) override;
    void EmptySlot20() override {}
    int bGetTableList(CAny* pclList, int nCnx, const wchar_t* pszName, unsigned nFlags) override;
    int bGetColumnList(CAny* pclList, int nCnx, const wchar_t* pszTable, unsigned nFlags) override;
    int bGetColumnList(CAny* pclList, int nCnx, int nStmt, unsigned nFlags) override;
    INADataSourceDescription* piGetTableDesc(int nCnx, const wchar_t* pszTable, unsigned nFlags) override;
    INADataSourceDescription* piGetTableDesc(int nCnx, int nStmt, unsigned nFlags) override;
    int bGetColumnTypeList(CAny* pclList, int nCnx, unsigned nFlags) override;
    int bExecute(int* pnStmt, int nCnx, const wchar_t* pszSQL, CTabValParser* pclParameters, unsigned nFlags) override;
    int bFreeStmt(int nCnx, int nStmt, unsigned nFlags) override;
    int bGetStmtLastError(INAError** ppiError, int nCnx, int nStmt) override;
    int bGetColumnNbr(int* pnColumns, int nCnx, int nStmt, unsigned nFlags) override;
    int bGetColumnName(CAny* pclName, int nCnx, int nStmt, unsigned nColumn, unsigned nFlags) override;
    int bFetch(int nCnx, int nStmt, unsigned nFlags) override;
    int bGetRow(CAny* pclRow, int nCnx, int nStmt, const wchar_t* pszSeparator, int nCount, unsigned nFlags) override;
    int bGetValue(CAny* pclValue, int nCnx, int nStmt, unsigned nColumn, unsigned nFlags) override;
    int bGetBLOBValue(CAny* pclValue, int nCnx, int nStmt, unsigned nColumn, unsigned nFlags) override;
    int bTrsBegin(int* pnTrs, int nCnx, unsigned nFlags) override;
    int bTrsCommit(int nCnx, int nTrs, unsigned nFlags) override;
    int bTrsRollBack(int nCnx, int nTrs, unsigned nFlags) override;
    int bSQLBloqueTable(int nCnx, const wchar_t* pszTable, unsigned nFlags) override;
    int bSQLBloqueRequete(int nCnx, const wchar_t* pszSQL, unsigned nFlags) override;
    int bSetVMAndLibShop(ILibShop* piLibShop, IVMData* piVMData) override;
    void EmptySlot42() override {}
    void EmptySlot43() override {}
    void EmptySlot44() override {}
    void EmptySlot45() override {}
    void EmptySlot46() override {}
    void EmptySlot47() override {}
    void EmptySlot48() override {}
    void EmptySlot49() override {}
    void EmptySlot50() override {}
    void EmptySlot51() override {}
    void EmptySlot52() override {}
    void EmptySlot53() override {}
    void EmptySlot54() override {}
    void EmptySlot55() override {}
    void EmptySlot56() override {}
    void EmptySlot57() override {}
    void EmptySlot58() override {}
    void EmptySlot59() override {}
    void EmptySlot60() override {}
    void EmptySlot61() override {}
    void EmptySlot62() override {}
    void EmptySlot63() override {}
    void EmptySlot64() override {}
    void EmptySlot65() override {}
    void EmptySlot66() override {}
    void EmptySlot67() override {}
    void EmptySlot68() override {}
    void EmptySlot69() override {}
    void EmptySlot70() override {}
    void EmptySlot71() override {}
    void EmptySlot72() override {}
    void EmptySlot73() override {}
    void EmptySlot74() override {}
    void EmptySlot75() override {}
    void EmptySlot76() override {}
    void EmptySlot77() override {}
    void EmptySlot78() override {}

    // ------------------------------------------------------------------ slots 79 and 80, then 81 to 87
    virtual ~CNADriverSQL();
    // The tables and views of a connection's database (the server's own class lists them).
    virtual int bGetTableList(CAny* pclList, CNAConnectionDescription* pclCnx, const wchar_t* pszName, unsigned nFlags);
    // The column names of a table.
    virtual int bGetColumnList(CAny* pclList, CNAConnectionDescription* pclCnx, const wchar_t* pszTable,
                               unsigned nFlags);
    // The relations of a table: not listed; true with the list untouched.
    virtual int bGetLinkList(CAny* pclList, CNAConnectionDescription* pclCnx, const wchar_t* pszTable,
                             INADataSourceDescription* piDesc, unsigned nFlags);
    // Open the connection when needed, then lock the rows of the query or the table.
    virtual int bSQLBloqueRequete(CNAConnectionDescription* pclCnx, const wchar_t* pszSQL, unsigned nFlags);
    virtual int bSQLBloqueTable(CNAError* pclError, CNAConnectionDescription* pclCnx, const wchar_t* pszTable,
                                unsigned nFlags);
    // A new statement of the server's class on that connection and error object (count 0).
    virtual CNAStatementSQL* pclAllocStatementSQL(CNAConnectionDescription* pclCnx, CNAError* pclError) = 0;
    // The names of the databases, one a line.
    virtual int _bGetDatabaseList(CXYStringConcat<wchar_t>* pclList, CNAConnectionDescription* pclCnx, unsigned nFlags);

    // ------------------------------------------------------------------ for the rest of the driver
    // Runs the text on the connection. A result with columns comes back in *ppclStatement with one
    // reference for the caller; a statement without columns (or a failed one) is released and
    // *ppclStatement is null. Answers whether the text ran.
    int bExecute(CNAError* pclError, CNAStatementSQL** ppclStatement, CNAConnectionDescription* pclCnx,
                 const wchar_t* pszSQL, CTabValParser* pclParameters, NA_WRITEPARSEFLAGS nFlags);
    // The database list of the driver object's own operation.
    int bGetDatabaseList(CXYString<wchar_t>* pclList, CNAConnectionDescription* pclCnx, unsigned nFlags);
    // Runs a query and writes its rows (the first nColumns values of each, joined by tabs) into the
    // text, separated by pszLineSeparator; the rows written stay there when it fails.
    int _bGetList(CXYStringConcat<wchar_t>* pclOut, CNAConnectionDescription* pclCnx, const wchar_t* pszSQL,
                  unsigned nColumns, unsigned nFetchFlags, const wchar_t* pszLineSeparator);
    // The same, rows separated by "\r\n", the text (whole or partial) put into the variant.
    int _bGetList(CAny* pclOut, CNAConnectionDescription* pclCnx, const wchar_t* pszSQL, unsigned nColumns,
                  unsigned nFetchFlags);

    // ------------------------------------------------------------------ references
    unsigned AddRef() { return ++m_nRef; }
    // At 0 with no external reference the object destroys itself; answers the count left.
    unsigned nRelease();
    unsigned nGetRef() const { return m_nRef; }
    unsigned nGetExternalRef() const { return m_nExternalRef; }

    CNADriver* pclGetDriver() const { return m_pclDriver; }
    // The driver object is going while the host may still hold this object: from now on the
    // operations that need it answer as for a connection that does not exist.
    void DetachDriver() { m_pclDriver = nullptr; }
    CNAError* pclGetError() const { return m_pclError; }
    unsigned nGetStatementCount() const { return m_clStatements.dwGetNumElement(); }

    // Numbers the connections the SQL-command functions open, from 1, for their identifications.
    static unsigned m_gnCnxNameGenerator;

protected:
    // The statement of a handle with a reference for the caller; null for 0, for a handle never
    // issued and for one already freed.
    CNAStatementSQL* _pclFindStatement(int nStmt);

    uint32_t m_nRef = 0;
    uint32_t m_nExternalRef = 0;
    CNADriver* m_pclDriver;
    CNAError* m_pclError;
    CNARefHashTable<int, CNAStatementSQL*> m_clStatements{7};

private:
    void _DeleteIfUnused();
};

template <>
struct CRefTraits<CNADriverSQL> {
    static void _AddRef(CNADriverSQL* p) { p->AddRef(); }
    static void _Release(CNADriverSQL* p) { p->nRelease(); }
};
