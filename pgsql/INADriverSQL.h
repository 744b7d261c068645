// INADriverSQL: the SQL-command functions of the host's language (numbered connections and
// numbered result sets, lists of the server's databases, tables, columns and types, transactions)
// as the host reaches them, through the driver object's interface number 1. The host calls these
// operations through the virtual table, so their order, the reserved entries included, is binary
// interface: slots 2 to 6 are the INAVersion head, 7 to 78 follow here. The implementing class adds
// its destructors after slot 78.
#pragma once

#include "native/driver/INAVersion.h"

class CAny;
class CTabValParser;
class ILibShop;
class INAConnectionDescription;
class INADataSourceDescription;
class INAError;
class IVMData;

class INADriverSQL : public INAVersion {
public:
    // Slots 7 to 17: references, the error, other interfaces, reserved entries, the client library.
    virtual void ExternalAddRef() = 0;
    virtual unsigned nExternalRelease() = 0;
    virtual INAError* piGetLastError() = 0;
    virtual void* piGetInterface(int nId) = 0;
    virtual unsigned char* pReservedFct1() = 0;
    virtual unsigned char* pReservedFct2() = 0;
    virtual unsigned char* pReservedFct3() = 0;
    virtual unsigned char* pReservedFct4() = 0;
    virtual unsigned char* pReservedFct5() = 0;
    virtual int bLoadNativeDll(unsigned char* pszLibrary, unsigned nFlags) = 0;
    virtual int bFreeNativeDll(unsigned char* pszLibrary, unsigned nFlags) = 0;
    // 18 to 29: connections, lists, descriptions, execution, statements.
    virtual int bOpenConnection(int* pnCnx, INAConnectionDescription* piCnx) = 0;
    virtual int bCloseConnection(int nCnx) = 0;
    virtual void EmptySlot20() = 0;
    virtual int bGetTableList(CAny* pclList, int nCnx, const wchar_t* pszName, unsigned nFlags) = 0;
    virtual int bGetColumnList(CAny* pclList, int nCnx, const wchar_t* pszTable, unsigned nFlags) = 0;
    virtual int bGetColumnList(CAny* pclList, int nCnx, int nStmt, unsigned nFlags) = 0;
    virtual INADataSourceDescription* piGetTableDesc(int nCnx, const wchar_t* pszTable, unsigned nFlags) = 0;
    virtual INADataSourceDescription* piGetTableDesc(int nCnx, int nStmt, unsigned nFlags) = 0;
    virtual int bGetColumnTypeList(CAny* pclList, int nCnx, unsigned nFlags) = 0;
    virtual int bExecute(int* pnStmt, int nCnx, const wchar_t* pszSQL, CTabValParser* pclParameters,
                         unsigned nFlags) = 0;
    virtual int bFreeStmt(int nCnx, int nStmt, unsigned nFlags) = 0;
    virtual int bGetStmtLastError(INAError** ppiError, int nCnx, int nStmt) = 0;
    // 30 to 35: the rows and values of a result set (columns counted from 1).
    virtual int bGetColumnNbr(int* pnColumns, int nCnx, int nStmt, unsigned nFlags) = 0;
    virtual int bGetColumnName(CAny* pclName, int nCnx, int nStmt, unsigned nColumn, unsigned nFlags) = 0;
    virtual int bFetch(int nCnx, int nStmt, unsigned nFlags) = 0;
    virtual int bGetRow(CAny* pclRow, int nCnx, int nStmt, const wchar_t* pszSeparator, int nCount,
                        unsigned nFlags) = 0;
    virtual int bGetValue(CAny* pclValue, int nCnx, int nStmt, unsigned nColumn, unsigned nFlags) = 0;
    virtual int bGetBLOBValue(CAny* pclValue, int nCnx, int nStmt, unsigned nColumn, unsigned nFlags) = 0;
    // 36 to 41: transactions, locks, the host's library shop.
    virtual int bTrsBegin(int* pnTrs, int nCnx, unsigned nFlags) = 0;
    virtual int bTrsCommit(int nCnx, int nTrs, unsigned nFlags) = 0;
    virtual int bTrsRollBack(int nCnx, int nTrs, unsigned nFlags) = 0;
    virtual int bSQLBloqueTable(int nCnx, const wchar_t* pszTable, unsigned nFlags) = 0;
    virtual int bSQLBloqueRequete(int nCnx, const wchar_t* pszSQL, unsigned nFlags) = 0;
    virtual int bSetVMAndLibShop(ILibShop* piLibShop, IVMData* piVMData) = 0;
    // 42 to 78: reserved.
    virtual void EmptySlot42() = 0;
    virtual void EmptySlot43() = 0;
    virtual void EmptySlot44() = 0;
    virtual void EmptySlot45() = 0;
    virtual void EmptySlot46() = 0;
    virtual void EmptySlot47() = 0;
    virtual void EmptySlot48() = 0;
    virtual void EmptySlot49() = 0;
    virtual void EmptySlot50() = 0;
    virtual void EmptySlot51() = 0;
    virtual void EmptySlot52() = 0;
    virtual void EmptySlot53() = 0;
    virtual void EmptySlot54() = 0;
    virtual void EmptySlot55() = 0;
    virtual void EmptySlot56() = 0;
    virtual void EmptySlot57() = 0;
    virtual void EmptySlot58() = 0;
    virtual void EmptySlot59() = 0;
    virtual void EmptySlot60() = 0;
    virtual void EmptySlot61() = 0;
    virtual void EmptySlot62() = 0;
    virtual void EmptySlot63() = 0;
    virtual void EmptySlot64() = 0;
    virtual void EmptySlot65() = 0;
    virtual void EmptySlot66() = 0;
    virtual void EmptySlot67() = 0;
    virtual void EmptySlot68() = 0;
    virtual void EmptySlot69() = 0;
    virtual void EmptySlot70() = 0;
    virtual void EmptySlot71() = 0;
    virtual void EmptySlot72() = 0;
    virtual void EmptySlot73() = 0;
    virtual void EmptySlot74() = 0;
    virtual void EmptySlot75() = 0;
    virtual void EmptySlot76() = 0;
    virtual void EmptySlot77() = 0;
    virtual void EmptySlot78() = 0;

protected:
    INADriverSQL() = default;
    INADriverSQL(const INADriverSQL&) = default;
    INADriverSQL& operator=(const INADriverSQL&) = default;
    // Never deleted through the interface.
    ~INADriverSQL() = default;
};
