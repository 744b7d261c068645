// The SQL-command driver without a server: the slots of its interface and of the SQL-layer
// statement (binary interface), the object the driver hands out as interface number 1 and the
// references that keep it, the fixed answers, and the driver object's factories of it and of the
// catalogue description.
#include <gtest/gtest.h>

#include <optional>

#include "pgsql/PSQLDataSourceDescription.h"
#include "pgsql/PSQLDriverSQL.h"
#include "pgsql/PSQLStatementSQL.h"
#include "tests/core/VirtualSlot.h"
#include "tests/pgsql/SQLCommandTestSupport.h"

using namespace pgtest;

namespace {

// INADriverSQL as the host numbers it: slot = entry + 1, entry 1 the interface's first operation.
TEST(NADriverSQLSlotsTest, InterfaceSlots) {
    using C = CNADriverSQL;
    const struct {
        ptrdiff_t nSlot;
        int nExpected;
    } tabCases[] = {
        {SlotOf(&C::nGetVersion), 2},
        {SlotOf(&C::nGetCompatSince), 3},
        {SlotOf(&C::nGetNAVersion), 4},
        {SlotOf(&C::nGetNACompatSince), 5},
        {SlotOf(&C::NAVersion_EmptySlot_3), 6},
        {SlotOf(&C::ExternalAddRef), 7},
        {SlotOf(&C::nExternalRelease), 8},
        {SlotOf(&C::piGetLastError), 9},
        {SlotOf(&C::piGetInterface), 10},
        {SlotOf(&C::pReservedFct1), 11},
        {SlotOf(&C::pReservedFct5), 15},
        {SlotOf(&C::bLoadNativeDll), 16},
        {SlotOf(&C::bFreeNativeDll), 17},
        {SlotOf(&C::bOpenConnection), 18},
        {SlotOf(&C::bCloseConnection), 19},
        {SlotOf(&C::EmptySlot20), 20},
        {SlotOf(static_cast<int (C::*)(CAny*, int, const wchar_t*, unsigned)>(&C::bGetTableList)), 21},
        {SlotOf(static_cast<int (C::*)(CAny*, int, const wchar_t*, unsigned)>(&C::bGetColumnList)), 22},
        {SlotOf(static_cast<int (C::*)(CAny*, int, int, unsigned)>(&C::bGetColumnList)), 23},
        {SlotOf(static_cast<INADataSourceDescription* (C::*)(int, const wchar_t*, unsigned)>(&C::piGetTableDesc)), 24},
        {SlotOf(static_cast<INADataSourceDescription* (C::*)(int, int, unsigned)>(&C::piGetTableDesc)), 25},
        {SlotOf(&C::bGetColumnTypeList), 26},
        {SlotOf(static_cast<int (C::*)(int*, int, const wchar_t*, CTabValParser*, unsigned)>(&C::bExecute)), 27},
        {SlotOf(&C::bFreeStmt), 28},
        {SlotOf(&C::bGetStmtLastError), 29},
        {SlotOf(&C::bGetColumnNbr), 30},
        {SlotOf(&C::bGetColumnName), 31},
        {SlotOf(&C::bFetch), 32},
        {SlotOf(&C::bGetRow), 33},
        {SlotOf(&C::bGetValue), 34},
        {SlotOf(&C::bGetBLOBValue), 35},
        {SlotOf(&C::bTrsBegin), 36},
        {SlotOf(&C::bTrsCommit), 37},
        {SlotOf(&C::bTrsRollBack), 38},
        {SlotOf(static_cast<int (C::*)(int, const wchar_t*, unsigned)>(&C::bSQLBloqueTable)), 39},
        {SlotOf(static_cast<int (C::*)(int, const wchar_t*, unsigned)>(&C::bSQLBloqueRequete)), 40},
        {SlotOf(&C::bSetVMAndLibShop), 41},
        {SlotOf(&C::EmptySlot42), 42},
        {SlotOf(&C::EmptySlot78), 78},
        // The class's own, after the destructor pair (79 and 80).
        {SlotOf(static_cast<int (C::*)(CAny*, CNAConnectionDescription*, const wchar_t*, unsigned)>(&C::bGetTableList)),
         81},
        {SlotOf(
             static_cast<int (C::*)(CAny*, CNAConnectionDescription*, const wchar_t*, unsigned)>(&C::bGetColumnList)),
         82},
        {SlotOf(&C::bGetLinkList), 83},
        {SlotOf(static_cast<int (C::*)(CNAConnectionDescription*, const wchar_t*, unsigned)>(&C::bSQLBloqueRequete)),
         84},
        {SlotOf(static_cast<int (C::*)(CNAError*, CNAConnectionDescription*, const wchar_t*, unsigned)>(
             &C::bSQLBloqueTable)),
         85},
        {SlotOf(&C::pclAllocStatementSQL), 86},
        {SlotOf(&C::_bGetDatabaseList), 87},
    };
    for (size_t i = 0; i < std::size(tabCases); i++)
        EXPECT_EQ(tabCases[i].nSlot + 2, tabCases[i].nExpected) << "case " << i;
}

// The SQL-layer statement's operations follow the two destructors and the root's entry (slots 2
// to 4) in their fixed order.
TEST(NADriverSQLSlotsTest, StatementSlots) {
    using C = CNAStatementSQL;
    const ptrdiff_t anSlots[] = {
        SlotOf(&C::bPrepareSQL),
        SlotOf(&C::bExecutePreparedQuery),
        SlotOf(static_cast<int (C::*)(const wchar_t*, CTabValParser*, NA_WRITEPARSEFLAGS)>(&C::bExecuteDirect)),
        SlotOf(&C::bGetAffected_rows),
        SlotOf(&C::bFetch),
        SlotOf(&C::bDataSeek),
        SlotOf(static_cast<int (C::*)(CNAConvertVariant*, unsigned, unsigned)>(&C::bGetValue)),
        SlotOf(static_cast<int (C::*)(CAny*, unsigned, unsigned)>(&C::bGetValue)),
        SlotOf(&C::bGetBLOBValue),
        SlotOf(&C::bReset),
        SlotOf(&C::_bCloseParse),
        SlotOf(&C::_bInitTabNAColumn),
        SlotOf(&C::_bInitLastError),
        SlotOf(&C::_InitExecuteError),
        SlotOf(&C::_bAddParameter),
        SlotOf(static_cast<int (C::*)(CTStringConcatAW*, CTabValParser*, NA_WRITEPARSEFLAGS)>(&C::_bExecuteDirect)),
        SlotOf(static_cast<int (C::*)(const wchar_t*, CTabValParser*, NA_WRITEPARSEFLAGS)>(&C::_bExecuteDirect)),
        SlotOf(static_cast<int (C::*)(const char*, CTabValParser*, NA_WRITEPARSEFLAGS)>(&C::_bExecuteDirect)),
    };
    EXPECT_EQ(SlotOf(&C::_NotToBeCalled) + 2, 4);
    for (size_t i = 0; i < std::size(anSlots); i++) EXPECT_EQ(anSlots[i] + 2, static_cast<ptrdiff_t>(5 + i)) << i;
}

class NADriverSQLTest : public CSQLCommandTest {};

// The driver hands out one object for its life, one external reference each time; the object
// lives on while the host holds it, even after the driver object is gone.
TEST_F(NADriverSQLTest, OneObjectPerDriverWithItsReferences) {
    CNADriverSQL* pcl = pclSQL();
    EXPECT_NE(dynamic_cast<CPSQLDriverSQL*>(pcl), nullptr);
    EXPECT_EQ(pcl, m_clDriver->pclGetDriverSQL());
    EXPECT_EQ(pcl->nGetRef(), 1u);
    EXPECT_EQ(pcl->nGetExternalRef(), 1u);
    EXPECT_EQ(pcl->pclGetDriver(), m_clDriver.pcl());
    EXPECT_EQ(pcl->pclGetError(), m_clDriver->pclGetError());
    EXPECT_EQ(HostCall<void*>(m_clDriver.pcl(), DRIVER_GETINTERFACE, 1), m_pSQL);
    EXPECT_EQ(pcl->nGetExternalRef(), 2u);
    EXPECT_EQ(HostCall<unsigned>(m_pSQL, SQL_EXTERNALRELEASE), 1u);
    EXPECT_EQ(HostCall<void*>(m_clDriver.pcl(), DRIVER_GETINTERFACE, 2), nullptr);
    EXPECT_EQ(HostCall<void*>(m_clDriver.pcl(), DRIVER_GETINTERFACE, 0), nullptr);

    // A second driver object has an object of its own, which outlives it while the host holds it.
    std::optional<CProcessDriver> oOther;
    oOther.emplace();
    void* pOther = HostCall<void*>(oOther->pcl(), DRIVER_GETINTERFACE, 1);
    ASSERT_NE(pOther, nullptr);
    EXPECT_NE(pOther, m_pSQL);
    // The driver's error object is held by the driver and by its SQL-command object.
    EXPECT_EQ((*oOther)->pclGetError()->nGetRef(), 2u);
    HostCall<void>(pOther, SQL_EXTERNALADDREF);
    EXPECT_EQ(HostCall<unsigned>(pOther, SQL_EXTERNALRELEASE), 1u);
    oOther.reset();
    // Without its driver object, what needs one answers as for a connection that does not exist.
    EXPECT_EQ(HostCall<int>(pOther, SQL_GETVERSION), 4);
    int nCnx = 5;
    EXPECT_EQ(HostCall<int>(pOther, SQL_OPEN, &nCnx, static_cast<INAConnectionDescription*>(&m_clHost)), 0);
    EXPECT_EQ(nCnx, 0);
    int nStmt = 5;
    EXPECT_EQ(HostCall<int>(pOther, SQL_EXECUTE, &nStmt, 1, L"SELECT 1", static_cast<CTabValParser*>(nullptr), 0u), 0);
    EXPECT_EQ(HostCall<int>(pOther, SQL_CLOSE, 1), 1);
    EXPECT_EQ(HostCall<int>(pOther, SQL_SETVM, nullptr, nullptr), 1);
    EXPECT_EQ(HostCall<unsigned>(pOther, SQL_EXTERNALRELEASE), 0u);
    EXPECT_EQ(CNADriver::s_pclDriver, m_clDriver.pcl());
}

// What every call answers without a server or a connection.
TEST_F(NADriverSQLTest, FixedAnswers) {
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_GETVERSION), 4);
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_GETCOMPATSINCE), 2);
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_GETNAVERSION), -1);
    EXPECT_EQ(HostCall<const void*>(m_pSQL, SQL_LASTERROR), m_clDriver->pclGetError());
    for (int nId : {0, 1, 2}) EXPECT_EQ(HostCall<void*>(m_pSQL, SQL_GETINTERFACE, nId), nullptr);
    for (int nSlot = SQL_RESERVED1; nSlot <= SQL_RESERVED5; nSlot++) EXPECT_EQ(HostCall<void*>(m_pSQL, nSlot), nullptr);
    unsigned char szName[] = "libpq.so";
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_LOADNATIVEDLL, szName, 0u), 1);
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_FREENATIVEDLL, szName, 0u), 1);
    for (int nSlot : {20, 42, 60, static_cast<int>(SQL_LASTRESERVED)}) HostCall<void>(m_pSQL, nSlot);

    // Handles that name nothing.
    int nColumns = 7;
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_COLUMNNBR, &nColumns, 0, 0, 0u), 1);
    EXPECT_EQ(nColumns, 0);
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_FREESTMT, 0, 0, 0u), 1);
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_FREESTMT, 3, 424242, 0u), 1);
    INAError* piError = nullptr;
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_STMTERROR, &piError, 0, 0), 0);
    int nTrs = 5;
    for (int nSlot : {static_cast<int>(SQL_TRSCOMMIT), static_cast<int>(SQL_TRSROLLBACK)})
        EXPECT_EQ(HostCall<int>(m_pSQL, nSlot, 424242, 0, 0u), 0);
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_TRSBEGIN, &nTrs, 424242, 0u), 0);
    EXPECT_EQ(nTrs, 5);
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_LOCKTABLE, 424242, L"t", 0u), 0);
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_CLOSE, 424242), 1);
    EXPECT_EQ(nLastErrorId(), 0u);

    // The library shop goes to the driver object.
    EXPECT_EQ(HostCall<int>(m_pSQL, SQL_SETVM, nullptr, nullptr), 1);
}

// The driver object makes the PostgreSQL description and SQL-command object.
TEST_F(NADriverSQLTest, DriverFactories) {
    CErrorRef clError;
    CConnection clCnx;
    CNADataSourceDescription* pclDesc = m_clDriver->pclAllocDataSourceDescription(clCnx.pcl(), clError.p());
    ASSERT_NE(pclDesc, nullptr);
    EXPECT_NE(dynamic_cast<CPSQLDataSourceDescription*>(pclDesc), nullptr);
    EXPECT_EQ(pclDesc->nGetRef(), 0u);
    EXPECT_EQ(pclDesc->pclGetConnectionNoRef(), clCnx.pcl());
    pclDesc->AddRef();
    pclDesc->nRelease();
    CNADriverSQL* pclSQL = m_clDriver->_pclAllocDriverSQL(clError.p());
    ASSERT_NE(pclSQL, nullptr);
    EXPECT_NE(dynamic_cast<CPSQLDriverSQL*>(pclSQL), nullptr);
    EXPECT_EQ(pclSQL->nGetRef(), 0u);
    EXPECT_EQ(pclSQL->pclGetError(), clError.p());
    CNAStatementSQL* pclStatement = pclSQL->pclAllocStatementSQL(clCnx.pcl(), clError.p());
    EXPECT_NE(dynamic_cast<CPSQLStatementSQL*>(pclStatement), nullptr);
    pclStatement->AddRef();
    pclStatement->nRelease();
    pclSQL->AddRef();
    pclSQL->nRelease();
}

}  // namespace
