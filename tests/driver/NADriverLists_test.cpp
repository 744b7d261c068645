// The driver object's lists, transactions, record locks, SQL locks and diagnosis as far as they go
// without a server, called through the driver's virtual table as the host calls them: the error
// of a connection the host never used at each entry that needs one, the operations not offered,
// the order in which a connection's tables learn that its transaction ended, the record locks of a
// transaction given up table by table, the fixed lists; and the dump services: the labels (where
// they come from, in which order, what they fall back to), the query dump and its cuts, the names
// of expression items.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAExports.h"
#include "tests/driver/DriverTestSupport.h"
#include "tests/driver/HostCall.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInContext.h"
#include "tests/host/StandInDataSourceDescription.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInTabValParser.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "variant/Any.h"
#include "variant/VQConv.h"

namespace {

using drivertest::CTestDriver;
using standin::CStandInConnectionDescription;
using standin::CStandInContext;
using standin::CStandInDataSourceDescription;

// Slots of INADriver.
enum : int {
    SLOT_GETTABLE = 15,
    SLOT_GETTABLELIST = 16,
    SLOT_TRANSACTIONBEGIN = 20,
    SLOT_TRANSACTIONCOMMIT = 21,
    SLOT_TRANSACTIONROLLBACK = 22,
    SLOT_SQLBLOQUETABLE = 23,
    SLOT_SQLBLOQUEREQUETE = 24,
    SLOT_SQLFORMATCOLONNE = 25,
    SLOT_CONNEXIONDIAGNOSE = 26,
    SLOT_GETPROVIDERLIST = 27,
    SLOT_GETLINKLIST = 29,
    SLOT_GETLISTESOURCE = 30,
    SLOT_FILTREAUTO = 33,
    SLOT_GETDATABASELIST = 40,
};

void* const g_hModule = reinterpret_cast<void*>(0x1000);

std::wstring wsDebugLine(unsigned nSite) {
    return L"IEKXPSQL=5." + std::to_wstring(nSite) + L"\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>";
}

// A 32-bit information item travels in the pointer itself; ~0 when absent.
uint32_t dwInfo(const CXError* pclError, CXError::eERRORINFOTYPE eType) {
    const void* p = nullptr;
    if (!pclError->bGetInfo(eType, &p)) return 0xFFFFFFFF;
    uint32_t dw;
    memcpy(&dw, &p, sizeof(dw));
    return dw;
}

void SetWideText(CAny* pclValue, const wchar_t* pszText) {
    CXYString<wchar_t> clText;
    if (*pszText != 0) clText.nConcat(pszText);
    pclValue->__SetType(VQTYPE_DSTRW, 0);
    pclValue->pclGetValeur()->SetValue(&clText);
    pclValue->ClearFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
}

std::wstring wsText(const CAny& clValue) {
    const wchar_t* psz = nullptr;
    if (clValue.nGetTypeCode() == VQTYPE_DSTRW) clValue.pclGetValeur()->nGetPCWSTR(&psz);
    return psz != nullptr ? psz : L"";
}

class NADriverListsTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        // Started, so that the driver's lock exists and the entries really take it.
        ASSERT_EQ(bInitLibrary(g_hModule), 1);
        m_pclDriver = CTestDriver::pclNew(&m_stScript);
        m_p = static_cast<INADriver*>(m_pclDriver);
        m_clHost.m_sConnectionName = L"CNX1";
        m_clHost.m_sDataBase = L"localhost";
    }
    void TearDown() override {
        gpfnLoadStringKXM = nullptr;
        if (m_pclDriver != nullptr) {
            EXPECT_EQ(m_pclDriver->nExternalRelease(), 0);
        }
        EXPECT_EQ(m_stScript.nLiveConnections, 0);
        EXPECT_EQ(m_stScript.nLiveAccesses, 0);
        EXPECT_EQ(m_clHost.nGetExternalRefs(), 0);
        TermLibrary();
    }

    CNAError* pclError() const { return m_pclDriver->pclGetError(); }
    INAConnectionDescription* piHost(CStandInConnectionDescription* pcl = nullptr) {
        return pcl != nullptr ? pcl : &m_clHost;
    }

    // A table of the connection handed to the host, with one data access made for the context.
    INATable* piTableWithAccess(CStandInConnectionDescription* pclHost, CStandInDataSourceDescription* pclDesc,
                                CStandInContext* pclContext) {
        INATable* piTable = HostCall<INATable*>(m_p, SLOT_GETTABLE, piHost(pclHost), pclDesc->piGet());
        EXPECT_NE(piTable, nullptr);
        int bCreated = 0;
        CNADataAccess* pclAccess = static_cast<CNATable*>(piTable)->_pclGetDataAccess(pclContext, &bCreated);
        EXPECT_NE(pclAccess, nullptr);
        EXPECT_EQ(bCreated, 1);
        if (pclAccess != nullptr) pclAccess->nRelease();
        return piTable;
    }

    drivertest::stScript m_stScript;
    CTestDriver* m_pclDriver = nullptr;
    const void* m_p = nullptr;
    CStandInConnectionDescription m_clHost;
};

// ------------------------------------------------------------------------------------ missing connection

// Each entry that needs a connection the host already used fails on one it never used, naming it:
// user error 14 with the connection's name, its code as information 16, no table name, the debug
// line of the entry's site, no connection details; nothing is made for it, and an error left by an
// earlier call is gone.
TEST_F(NADriverListsTest, MissingConnectionAtEachSite) {
    CAny clResult;
    CAny* pclResult = &clResult;
    const struct {
        const char* pszWhat;
        int nSite;
        std::function<int(INAConnectionDescription*)> fnCall;
    } cases[] = {
        {"lock a table", 1,
         [&](INAConnectionDescription* pi) { return HostCall<int>(m_p, SLOT_SQLBLOQUETABLE, pi, L"T"); }},
        {"lock a query", 2,
         [&](INAConnectionDescription* pi) {
             return HostCall<int>(m_p, SLOT_SQLBLOQUEREQUETE, pi, static_cast<ISQLParserInformation*>(nullptr));
         }},
        {"diagnose", 3,
         [&](INAConnectionDescription* pi) {
             return HostCall<int>(m_p, SLOT_CONNEXIONDIAGNOSE, pclResult, pi, L"", 0u);
         }},
        {"commit", 4,
         [&](INAConnectionDescription* pi) { return HostCall<int>(m_p, SLOT_TRANSACTIONCOMMIT, pi, L"T1"); }},
        {"rollback", 5,
         [&](INAConnectionDescription* pi) { return HostCall<int>(m_p, SLOT_TRANSACTIONROLLBACK, pi, L"T1"); }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.pszWhat);
        // Something unread from before, which the entry clears.
        HostCall<int>(m_p, SLOT_GETPROVIDERLIST, pclResult);
        EXPECT_EQ(c.fnCall(piHost()), 0);
        EXPECT_EQ(pclError()->dwGetErrorId(), 14u);
        EXPECT_EQ(pclError()->eGetErrorType(), NA_ERRORTYPE_GENERAL);
        EXPECT_EQ(pclError()->pclGetXError()->nGetNbSubError(), 0);
        EXPECT_EQ(pclError()->pszGetLogicalTableName(), nullptr);
        EXPECT_EQ(dwInfo(pclError()->pclGetXError(), CXError::EIT_NATIVECODE), 14u);
        const std::wstring sError = pclError()->pszGetError();
        EXPECT_NE(sError.find(L"CNX1"), std::wstring::npos) << sError;
        EXPECT_NE(sError.find(wsDebugLine(static_cast<unsigned>(c.nSite))), std::wstring::npos) << sError;
        // A connection's details would name its server.
        EXPECT_EQ(sError.find(L"localhost"), std::wstring::npos) << sError;
        EXPECT_EQ(m_stScript.nConnectionsMade, 0);
    }
    // A connection the host used (here by a begin, which makes it) is found by all of them.
    ASSERT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONBEGIN, piHost(), L"T1"), 1);
    EXPECT_EQ(m_stScript.nConnectionsMade, 1);
    EXPECT_EQ(HostCall<int>(m_p, SLOT_SQLBLOQUETABLE, piHost(), L"T"), 1);
    EXPECT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONCOMMIT, piHost(), L"t1"), 1);
    EXPECT_EQ(pclError()->eGetErrorType(), NA_ERRORTYPE_NONE);
    // The transaction over, the connection went with it.
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
}

// The SQL locks and the diagnosis find the host's connection in the registry that other threads
// change: they hold the driver's lock while they reach the connection.
TEST_F(NADriverListsTest, LocksAndDiagnosisHoldTheDriverLock) {
    ASSERT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONBEGIN, piHost(), L"T1"), 1);
    CAny clResult;
    m_stScript.bCheckLock = true;
    EXPECT_EQ(HostCall<int>(m_p, SLOT_SQLBLOQUETABLE, piHost(), L"T"), 1);
    EXPECT_EQ(HostCall<int>(m_p, SLOT_SQLBLOQUEREQUETE, piHost(), static_cast<ISQLParserInformation*>(nullptr)), 1);
    EXPECT_EQ(HostCall<int>(m_p, SLOT_CONNEXIONDIAGNOSE, &clResult, piHost(), L"", 0u), 1);
    m_stScript.bCheckLock = false;
    // Each lock opens the connection and locks; the diagnosis asks the connection.
    EXPECT_EQ(m_stScript.nCheckedCalls, 5);
    EXPECT_EQ(m_stScript.nCallsWithoutLock, 0);
    EXPECT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONCOMMIT, piHost(), L"T1"), 1);
}

// ------------------------------------------------------------------------------------ not offered

// The providers and the automatic filter are not offered: user error 8 of kind 7, its code as
// information 16, the entry's site. Nothing resets the error first: a second refusal follows the
// first as its sub-error, and the first keeps its table name.
TEST_F(NADriverListsTest, OperationsNotOffered) {
    CAny clList;
    EXPECT_EQ(HostCall<int>(m_p, SLOT_GETPROVIDERLIST, &clList), 0);
    EXPECT_EQ(pclError()->dwGetErrorId(), 8u);
    EXPECT_EQ(pclError()->eGetErrorType(), NA_ERRORTYPE_NOTAVAILABLE);
    EXPECT_EQ(dwInfo(pclError()->pclGetXError(), CXError::EIT_NATIVECODE), 8u);
    EXPECT_NE(std::wstring(pclError()->pszGetError()).find(wsDebugLine(6)), std::wstring::npos);

    EXPECT_EQ(HostCall<int>(m_p, SLOT_GETPROVIDERLIST, &clList), 0);
    ASSERT_EQ(pclError()->pclGetXError()->nGetNbSubError(), 1);
    const CXError* pclSub = pclError()->pclGetXError()->pclGetSubError(0);
    EXPECT_EQ(pclSub->nGetUserErrorCode(), 8u);
    EXPECT_NE(std::wstring(pclSub->pszGetDebugMessage()).find(wsDebugLine(6)), std::wstring::npos);

    // After an entry that resets and fails: the filter, with the table it names, follows its error.
    EXPECT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONCOMMIT, piHost(), L"T"), 0);
    CStandInContext clContext;
    const struct {
        const wchar_t* pszTable;
        int nSubErrors;
    } filters[] = {{L"ORDERS", 1}, {L"LINES", 2}, {L"", 3}};
    for (const auto& c : filters) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.pszTable)));
        EXPECT_EQ(HostCall<int>(m_p, SLOT_FILTREAUTO, static_cast<INAContext*>(&clContext), piHost(), 0, c.pszTable,
                                static_cast<INADataSourceDescription*>(nullptr), L"x",
                                static_cast<INADataSourceDescription*>(nullptr)),
                  0);
        EXPECT_EQ(pclError()->pclGetXError()->nGetNbSubError(), c.nSubErrors);
        const CXError* pclLast = pclError()->pclGetXError()->pclGetSubError(c.nSubErrors - 1);
        EXPECT_EQ(pclLast->nGetUserErrorCode(), 8u);
        EXPECT_NE(std::wstring(pclLast->pszGetDebugMessage()).find(wsDebugLine(7)), std::wstring::npos);
        const void* pTable = nullptr;
        EXPECT_EQ(static_cast<bool>(pclLast->bGetInfo(CXError::EIT_LOGICALTABLENAME, &pTable)), *c.pszTable != 0);
        if (pTable != nullptr) {
            EXPECT_STREQ(static_cast<const wchar_t*>(pTable), c.pszTable);
        }
    }
    // The main error stays the commit's.
    EXPECT_EQ(pclError()->dwGetErrorId(), 14u);

    // Alone (after an entry that resets and succeeds), the filter's table is the main error's.
    EXPECT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONBEGIN, piHost(), L"T"), 1);
    EXPECT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONROLLBACK, piHost(), L"T"), 1);
    EXPECT_EQ(pclError()->eGetErrorType(), NA_ERRORTYPE_NONE);
    EXPECT_EQ(HostCall<int>(m_p, SLOT_FILTREAUTO, static_cast<INAContext*>(&clContext), piHost(), 0, L"ORDERS",
                            static_cast<INADataSourceDescription*>(nullptr), L"x",
                            static_cast<INADataSourceDescription*>(nullptr)),
              0);
    EXPECT_EQ(pclError()->eGetErrorType(), NA_ERRORTYPE_NOTAVAILABLE);
    ASSERT_NE(pclError()->pszGetLogicalTableName(), nullptr);
    EXPECT_STREQ(pclError()->pszGetLogicalTableName(), L"ORDERS");
}

// Locking a parsed query's rows is not offered either: the connection's refusal says nothing, so
// the entry records user error 8 at its own site; a refusal that says why keeps its own error.
TEST_F(NADriverListsTest, QueryLockRefusedWithUserError8) {
    ASSERT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONBEGIN, piHost(), L"T1"), 1);
    m_stScript.bSQLBloqueResult = 0;
    EXPECT_EQ(HostCall<int>(m_p, SLOT_SQLBLOQUEREQUETE, piHost(), static_cast<ISQLParserInformation*>(nullptr)), 0);
    EXPECT_EQ(pclError()->eGetErrorType(), NA_ERRORTYPE_NOTAVAILABLE);
    EXPECT_EQ(pclError()->dwGetErrorId(), 8u);
    EXPECT_EQ(dwInfo(pclError()->pclGetXError(), CXError::EIT_NATIVECODE), 8u);
    EXPECT_NE(std::wstring(pclError()->pszGetError()).find(wsDebugLine(2)), std::wstring::npos);
    EXPECT_EQ(pclError()->pclGetXError()->nGetNbSubError(), 0);
    // The table lock is offered: its refusal is left to the connection that sent the statement.
    EXPECT_EQ(HostCall<int>(m_p, SLOT_SQLBLOQUETABLE, piHost(), L"T"), 0);
    EXPECT_EQ(pclError()->eGetErrorType(), NA_ERRORTYPE_NONE);
    m_stScript.bSQLBloqueResult = 1;
    EXPECT_EQ(HostCall<int>(m_p, SLOT_TRANSACTIONCOMMIT, piHost(), L"T1"), 1);
}

// ------------------------------------------------------------------------------------ fixed lists

// Without an SQL-layer driver there is nothing to list: no databases, no tables (failures), no
// links (success), an empty text for the column types; the sources are always an empty text.
TEST_F(NADriverListsTest, ListsWithoutAnSQLLayer) {
    CXYString<wchar_t> clDatabases;
    CAny clList;
    EXPECT_EQ(HostCall<int>(m_p, SLOT_GETDATABASELIST, &clDatabases, piHost(), 0u), 0);
    EXPECT_EQ(HostCall<int>(m_p, SLOT_GETTABLELIST, &clList, piHost(), 0u), 0);
    EXPECT_EQ(HostCall<int>(m_p, SLOT_GETLINKLIST, &clList, L"T", static_cast<INADataSourceDescription*>(nullptr),
                            piHost(), 0u),
              1);
    // The connections they made leave with them.
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 0u);
    for (int nSlot : {SLOT_SQLFORMATCOLONNE, SLOT_GETLISTESOURCE}) {
        SCOPED_TRACE(nSlot);
        CAny clText;
        clText.SetI4(5);
        clText.SetNull(1);
        EXPECT_EQ(nSlot == SLOT_SQLFORMATCOLONNE ? HostCall<int>(m_p, nSlot, piHost(), &clText)
                                                 : HostCall<int>(m_p, nSlot, &clText, 7),
                  1);
        EXPECT_EQ(clText.nGetTypeCode(), VQTYPE_DSTRW);
        EXPECT_FALSE(clText.bIsNull());
        EXPECT_EQ(wsText(clText), L"");
    }
}

// ------------------------------------------------------------------------------------ transactions

// A connection whose server ends its result sets with the transaction tells its tables: a rollback
// before it is sent (the tables still see the work that goes), a commit after. Tables of other
// connections hear nothing; a connection that keeps its result sets tells no table.
TEST_F(NADriverListsTest, TablesLearnTheEndOfTheTransaction) {
    CStandInConnectionDescription clOther;
    clOther.m_sConnectionName = L"CNX2";
    CStandInDataSourceDescription clOrders(L"Orders", L"ORDERS"), clLines(L"Lines", L"LINES"),
        clElsewhere(L"Elsewhere", L"ELSEWHERE");
    CStandInContext clContext1, clContext2, clContext3;
    INATable* apiTables[] = {
        piTableWithAccess(&m_clHost, &clOrders, &clContext1),
        piTableWithAccess(&m_clHost, &clLines, &clContext2),
        piTableWithAccess(&clOther, &clElsewhere, &clContext3),
    };
    // The events of one entry; the tables told show as "ENDED" (the registry's order is its own),
    // and which they were goes to *pasTold.
    auto events = [&](int nSlot, const wchar_t* pszName, int nExpected = 1,
                      std::vector<std::wstring>* pasTold = nullptr) {
        m_stScript.asEvents.clear();
        EXPECT_EQ(HostCall<int>(m_p, nSlot, piHost(), pszName), nExpected);
        std::vector<std::wstring> as = m_stScript.asEvents;
        std::vector<std::wstring> asTold;
        for (std::wstring& s : as)
            if (s.rfind(L"ENDED ", 0) == 0) {
                asTold.push_back(s.substr(6));
                s = L"ENDED";
            }
        std::sort(asTold.begin(), asTold.end());
        if (pasTold != nullptr) *pasTold = asTold;
        return as;
    };
    const std::vector<std::wstring> asBothTables{L"Lines", L"Orders"};
    std::vector<std::wstring> asTold;

    m_stScript.bTransactionEndCloseParse = 1;
    m_stScript.bCheckLock = true;
    EXPECT_EQ(events(SLOT_TRANSACTIONBEGIN, L"A"), (std::vector<std::wstring>{L"SQL BEGIN"}));
    EXPECT_EQ(events(SLOT_TRANSACTIONCOMMIT, L"A", 1, &asTold),
              (std::vector<std::wstring>{L"SQL COMMIT", L"ENDED", L"ENDED"}));
    EXPECT_EQ(asTold, asBothTables);
    events(SLOT_TRANSACTIONBEGIN, L"B");
    EXPECT_EQ(events(SLOT_TRANSACTIONROLLBACK, L"B", 1, &asTold),
              (std::vector<std::wstring>{L"ENDED", L"ENDED", L"SQL ROLLBACK"}));
    EXPECT_EQ(asTold, asBothTables);
    EXPECT_EQ(m_stScript.nCallsWithoutLock, 0);
    m_stScript.bCheckLock = false;

    // A commit that fails (no transaction open) still tells them.
    EXPECT_EQ(events(SLOT_TRANSACTIONCOMMIT, L"C", 0, &asTold), (std::vector<std::wstring>{L"ENDED", L"ENDED"}));
    EXPECT_EQ(asTold, asBothTables);
    EXPECT_EQ(pclError()->dwGetErrorId(), 9u);

    m_stScript.bTransactionEndCloseParse = 0;
    events(SLOT_TRANSACTIONBEGIN, L"D");
    EXPECT_EQ(events(SLOT_TRANSACTIONCOMMIT, L"D"), (std::vector<std::wstring>{L"SQL COMMIT"}));
    events(SLOT_TRANSACTIONBEGIN, L"E");
    EXPECT_EQ(events(SLOT_TRANSACTIONROLLBACK, L"E"), (std::vector<std::wstring>{L"SQL ROLLBACK"}));

    for (INATable* pi : apiTables) pi->nExternalRelease();
    // The host's descriptions of this test go with it: the driver object goes first.
    EXPECT_EQ(m_pclDriver->nExternalRelease(), 0);
    m_pclDriver = nullptr;
}

// The record locks of a transaction are given up by every registered table, each for its accesses
// on that connection only, under the lock.
TEST_F(NADriverListsTest, RecordLocksOfATransactionGivenUp) {
    CStandInConnectionDescription clOther;
    clOther.m_sConnectionName = L"CNX2";
    // Another host description of the same connection finds the same description.
    CStandInConnectionDescription clSame;
    clSame.m_sConnectionName = L"CNX1";
    clSame.m_sDataBase = L"localhost";
    CStandInDataSourceDescription clOrders(L"Orders", L"ORDERS"), clElsewhere(L"Elsewhere", L"ELSEWHERE");
    CStandInContext clContext1, clContext2, clContext3;
    INATable* piOrders = piTableWithAccess(&m_clHost, &clOrders, &clContext1);
    INATable* piElsewhere = piTableWithAccess(&clOther, &clElsewhere, &clContext2);
    // The same table object for a second context: a second access of it.
    int bCreated = 0;
    CNADataAccess* pclAccess = static_cast<CNATable*>(piOrders)->_pclGetDataAccess(&clContext3, &bCreated);
    ASSERT_NE(pclAccess, nullptr);
    pclAccess->nRelease();

    const struct {
        CStandInConnectionDescription* pclHost;
        std::vector<std::wstring> asExpected;
    } cases[] = {
        {&m_clHost, {L"CANCEL Orders", L"CANCEL Orders"}},
        {&clSame, {L"CANCEL Orders", L"CANCEL Orders"}},
        {&clOther, {L"CANCEL Elsewhere"}},
    };
    m_stScript.bCheckLock = true;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.pclHost->m_sConnectionName));
        m_stScript.asEvents.clear();
        m_pclDriver->CancelRecordLock(c.pclHost, nullptr);
        EXPECT_EQ(m_stScript.asEvents, c.asExpected);
    }
    EXPECT_EQ(m_stScript.nCallsWithoutLock, 0);
    m_stScript.bCheckLock = false;
    // Never made a connection of its own.
    CStandInConnectionDescription clUnknown;
    clUnknown.m_sConnectionName = L"CNX9";
    m_stScript.asEvents.clear();
    m_pclDriver->CancelRecordLock(&clUnknown, nullptr);
    EXPECT_TRUE(m_stScript.asEvents.empty());
    EXPECT_EQ(m_pclDriver->nGetConnectionCount(), 2u);

    piOrders->nExternalRelease();
    piElsewhere->nExternalRelease();
    EXPECT_EQ(m_pclDriver->nExternalRelease(), 0);
    m_pclDriver = nullptr;
}

// ------------------------------------------------------------------------------------ dump labels

// The labels in load order, with the text each takes when its message cannot be had.
struct stLabel {
    int nLabel;
    uint32_t nMessageId;
    const wchar_t* pszStored;
};
const stLabel g_astLabels[] = {
    {1, 25676, L"Texte de la requête :"},
    {2, 25679, L"Nombre de paramètres :"},
    {3, 25678, L"Paramètre :"},
    {4, 25675, L"Type Quentara"},
    {5, 25680, L"Type ADO"},
    {6, 25670, L"Valeur"},
    {7, 25674, L"Echec de la conversion de la valeur en texte."},
    {11, 25810, L"Informations de bind des paramètres :"},
    {12, 25843, L"Connexion parameters : "},
    {13, 25846, L"DataSource : "},
    {28, 25869, L"Native Library : "},
    {14, 25849, L"Provider : "},
    {15, 25847, L"Utilisateur : "},
    {16, 25848, L"Database : "},
    {17, 25834, L"Connexion Timeout : "},
    {18, 25835, L"Command Timeout : "},
    {19, 25836, L"Lock Timeout : "},
    {20, 25837, L"Cursor Position : "},
    {21, 25838, L"Unicode actived : "},
    {22, 25839, L"Lock Tag : "},
    {23, 25840, L"Lock mode : "},
    {24, 25841, L"YF5 compatible Date Format : "},
    {25, 25842, L"Charset : "},
    {26, 25844, L"VQ Page Code : "},
    {27, 25845, L"Connexion Page Code: "},
};

// A module whose table holds no message at all.
bool bGetResNone(STRessourceModule&) {
    return false;
}
const _stMyModuleInfo g_stModuleWithoutMessages = {nullptr, 0, 97, L"none.so", L"1.0", &bGetResNone};

// Each label is asked once, in the order of the table; a message the host has wins; every label
// then gets one blank more (two after a text that ends in one); 8 to 10 stay empty. Filled once.
TEST_F(NADriverListsTest, LabelsLoadedInOrderFromTheMessages) {
    gpfnLoadStringKXM = standin::pfnGetLoadString();
    standin::SetMessageDefault(false);
    standin::SetMessageText(25676, L"Query text:");
    standin::SetMessageText(25845, L"Client code page:");
    const size_t nCallsBefore = standin::GetMessageCalls().size();
    m_pclDriver->InitQueryDumpRessources();
    std::vector<uint32_t> anAsked;
    const auto aCalls = standin::GetMessageCalls();
    for (size_t i = nCallsBefore; i < aCalls.size(); i++) anAsked.push_back(aCalls[i].first);
    std::vector<uint32_t> anExpected;
    for (const stLabel& st : g_astLabels) anExpected.push_back(st.nMessageId);
    EXPECT_EQ(anAsked, anExpected);

    for (const stLabel& st : g_astLabels) {
        SCOPED_TRACE(st.nLabel);
        std::wstring sExpected = st.nMessageId == 25676   ? L"Query text:"
                                 : st.nMessageId == 25845 ? L"Client code page:"
                                                          : st.pszStored;
        EXPECT_EQ(std::wstring(m_pclDriver->pszGetDumpLabel(st.nLabel)), sExpected + L" ");
    }
    EXPECT_EQ(std::wstring(m_pclDriver->pszGetDumpLabel(13)), L"DataSource :  ");
    for (int n : {8, 9, 10, 0, 29, -1}) EXPECT_STREQ(m_pclDriver->pszGetDumpLabel(n), L"") << n;

    // Once filled, neither a new fill nor a first use asks again.
    standin::SetMessageText(25676, L"Changed:");
    m_pclDriver->InitQueryDumpRessources();
    EXPECT_STREQ(m_pclDriver->pszGetDumpLabel(1), L"Query text: ");
    EXPECT_EQ(standin::GetMessageCalls().size(), aCalls.size());
}

// Without any message the fixed texts stand in, each with its blank; a message the host answers
// with an empty text counts as none.
TEST_F(NADriverListsTest, LabelsFallBackToTheirTexts) {
    gpfnLoadStringKXM = standin::pfnGetLoadString();
    standin::SetMessageDefault(false);
    standin::SetMessageText(25674, L"");
    m_pclDriver->InitQueryDumpRessources(&g_stModuleWithoutMessages);
    for (const stLabel& st : g_astLabels)
        EXPECT_EQ(std::wstring(m_pclDriver->pszGetDumpLabel(st.nLabel)), std::wstring(st.pszStored) + L" ")
            << st.nLabel;
}

// The library's own table holds a text for every label: first use loads them from it, and the
// connection details read them through the driver object of the process.
TEST_F(NADriverListsTest, LabelsOfTheLibrarysTable) {
    gpfnLoadStringKXM = nullptr;
    for (const stLabel& st : g_astLabels) {
        SCOPED_TRACE(st.nLabel);
        CTString clMessage;
        EXPECT_TRUE(DLLRES_bLoadString(&gstMyModuleInfo39, st.nMessageId, &clMessage));
        EXPECT_EQ(std::wstring(m_pclDriver->pszGetDumpLabel(st.nLabel)), std::wstring(clMessage.pszGet()) + L" ");
        EXPECT_EQ(std::wstring(CNADriver::s_pszGetDumpLabel(st.nLabel)), m_pclDriver->pszGetDumpLabel(st.nLabel));
    }
}

// ------------------------------------------------------------------------------------ query dump

class NADriverQueryDumpTest : public NADriverListsTest {
protected:
    void SetUp() override {
        NADriverListsTest::SetUp();
        standin::ResetVM();
        CVQConv::s_Reset();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
    }
    void TearDown() override {
        CVQConv::s_Reset();
        NADriverListsTest::TearDown();
    }
};

// The query line, the parameter count, then one line per parameter: its number, its type code, its
// value as text, or the conversion label for a NULL or a value with no text.
TEST_F(NADriverQueryDumpTest, QueryAndParameters) {
    CAny clText, clNumber, clNull, clEmpty;
    SetWideText(&clText, L"O'Brien");
    clNumber.SetI4(42);
    clNull.SetI4(7);
    clNull.SetNull(1);
    SetWideText(&clEmpty, L"");
    standin::CStandInTabValParser clParameters(
        {{&clText, 30, 2}, {&clNumber, 40, 2}, {&clNull, 50, 2}, {&clEmpty, 60, 2}});
    CTString clOut(L"before");
    ASSERT_EQ(m_pclDriver->bGetQueryDump(&clOut, L"SELECT * FROM T WHERE A=:1", &clParameters,
                                         static_cast<unsigned long>(-1)),
              1);
    const std::wstring sTextType = std::to_wstring(clText.nGetTypeCode());
    const std::wstring sNumberType = std::to_wstring(clNumber.nGetTypeCode());
    EXPECT_EQ(std::wstring(clOut.pszGet()),
              L"Texte de la requête : SELECT * FROM T WHERE A=:1\r\n"
              L"Nombre de paramètres : =4\r\n"
              L"Paramètre :  0 :\tType Quentara  = <" +
                  sTextType +
                  L">\tValeur  = <O'Brien>\r\n"
                  L"Paramètre :  1 :\tType Quentara  = <" +
                  sNumberType +
                  L">\tValeur  = <42>\r\n"
                  L"Paramètre :  2 :\tType Quentara  = <" +
                  sNumberType +
                  L">\tValeur  = <Echec de la conversion de la valeur en texte. >\r\n"
                  L"Paramètre :  3 :\tType Quentara  = <" +
                  sTextType + L">\tValeur  = <>\r\n");

    // No query text, no parameter table.
    ASSERT_EQ(m_pclDriver->bGetQueryDump(&clOut, nullptr, nullptr, static_cast<unsigned long>(-1)), 1);
    EXPECT_EQ(std::wstring(clOut.pszGet()), L"Texte de la requête : \r\n");
    standin::CStandInTabValParser clNone;
    ASSERT_EQ(m_pclDriver->bGetQueryDump(&clOut, L"", &clNone, static_cast<unsigned long>(-1)), 1);
    EXPECT_EQ(std::wstring(clOut.pszGet()), L"Texte de la requête : \r\nNombre de paramètres : =0\r\n");
}

// The cut: all of it, nothing, the first characters; and the parameters stop once the text is as
// long as the cut.
TEST_F(NADriverQueryDumpTest, DumpsCut) {
    CAny clNumber;
    clNumber.SetI4(42);
    std::vector<standin::CStandInTabValParser::stEntry> aEntries(50, {&clNumber, 0, 0});
    standin::CStandInTabValParser clParameters(aEntries);
    CTString clWhole;
    ASSERT_EQ(m_pclDriver->bGetQueryDump(&clWhole, L"SELECT 1", &clParameters, static_cast<unsigned long>(-1)), 1);
    const std::wstring sWhole = clWhole.pszGet();
    const std::wstring sHead = L"Texte de la requête : SELECT 1\r\nNombre de paramètres : =50\r\n";
    ASSERT_EQ(sWhole.compare(0, sHead.size(), sHead), 0);
    size_t nLines = 0;
    for (size_t n = sWhole.find(L"\r\n"); n != std::wstring::npos; n = sWhole.find(L"\r\n", n + 2)) nLines++;
    EXPECT_EQ(nLines, 52u);

    const struct {
        unsigned long nMax;
        std::wstring sExpected;
    } cases[] = {
        {0, L""},
        {10, L"Texte de l"},
        {1, L"T"},
        {sHead.size(), sHead},
        {sHead.size() + 5, sWhole.substr(0, sHead.size() + 5)},
        {sWhole.size(), sWhole},
        {sWhole.size() + 100, sWhole},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nMax);
        CTString clOut(L"before");
        clParameters.m_nValueCalls = 0;
        EXPECT_EQ(m_pclDriver->bGetQueryDump(&clOut, L"SELECT 1", &clParameters, c.nMax), 1);
        EXPECT_EQ(std::wstring(clOut.pszGet() != nullptr ? clOut.pszGet() : L""), c.sExpected);
        // Only the parameters that begin before the cut are read.
        if (c.nMax <= sHead.size()) {
            EXPECT_EQ(clParameters.m_nValueCalls, 0);
        } else if (c.nMax == sHead.size() + 5) {
            EXPECT_EQ(clParameters.m_nValueCalls, 1);
        }
    }
}

// ------------------------------------------------------------------------------------ item names

TEST(CNADriverItemNames, ExprFollowedByTheNumberPlus1000) {
    const struct {
        int n;
        const wchar_t* pszExpected;
    } cases[] = {
        {0, L"Expr1000"},   {5, L"Expr1005"},        {-1000, L"Expr0"},
        {-1001, L"Expr-1"}, {123456, L"Expr124456"}, {INT_MAX, L"Expr-2147482649"},
    };
    for (const auto& c : cases) {
        CTString clOut(L"before");
        CNADriver::g_GenerateItemName(&clOut, c.n);
        EXPECT_STREQ(clOut.pszGet(), c.pszExpected) << c.n;
    }
}

}  // namespace
