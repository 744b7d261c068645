// The table object without a server: the order of its virtual table as the host calls it, the
// version answers, and what it answers for a context that has no data access (user error 19, or
// success for the operations that have nothing to give back), the operations not available, the
// check of the host's SQL module, a query table without a description, and its references.
#include "native/table/NATable.h"

#include <gtest/gtest.h>

#include <string>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NADataSourceDescription.h"
#include "pgsql/PSQLDriver.h"
#include "tests/core/VirtualSlot.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInContext.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInParsedQuery.h"
#include "tests/host/TestSupport.h"

namespace {

std::string sOf(const wchar_t* psz) {
    const std::wstring ws = psz != nullptr ? std::wstring(psz) : std::wstring();
    return std::string(ws.begin(), ws.end());
}

// The host calls the entries by position; the table's own entries follow the reserved ones.
TEST(NATableOrderTest, VirtualTable) {
#define KX_SLOT(name, n) EXPECT_EQ(SlotOf(&CNATable::name), n) << #name
    KX_SLOT(nGetVersion, 0);
    KX_SLOT(nGetCompatSince, 1);
    KX_SLOT(ExternalAddRef, 5);
    KX_SLOT(nExternalRelease, 6);
    EXPECT_EQ(SlotOf(static_cast<INAError* (CNATable::*)(INAContext*)>(&CNATable::piGetLastError)), 7);
    KX_SLOT(bIsOpened, 8);
    KX_SLOT(piGetDataSourceDescription, 9);
    KX_SLOT(bNbEnrNeedParse, 10);
    KX_SLOT(FreeMemory, 11);
    KX_SLOT(bHReindexe, 12);
    KX_SLOT(bHCreationSiInexistant, 13);
    KX_SLOT(bHCreation, 14);
    KX_SLOT(bHOuvre, 15);
    KX_SLOT(bHMode, 16);
    KX_SLOT(bHFerme, 17);
    KX_SLOT(bHAjoute, 18);
    KX_SLOT(bHEcrit, 19);
    KX_SLOT(bHRaye, 20);
    KX_SLOT(bHSupprime, 21);
    KX_SLOT(bHModifie, 22);
    KX_SLOT(bHRecherche, 23);
    KX_SLOT(bHLibere, 24);
    KX_SLOT(bHLit, 25);
    KX_SLOT(bHLitxxx, 26);
    KX_SLOT(bSkipRecord, 27);
    KX_SLOT(bHBloqueFichier, 28);
    KX_SLOT(bHDebloqueFichier, 29);
    KX_SLOT(bHBloqueNumEnr, 30);
    KX_SLOT(bHDebloqueNumEnr, 31);
    KX_SLOT(bHEnDehors, 32);
    KX_SLOT(bEvalHTrouve, 33);
    KX_SLOT(bSetNextOperation, 34);
    KX_SLOT(llGetRecNum, 35);
    KX_SLOT(bGetRecNumState, 36);
    EXPECT_EQ(
        SlotOf(static_cast<int (CNATable::*)(INAContext*, ISQLParserInformation*, wchar_t*)>(&CNATable::bHFiltre)), 37);
    EXPECT_EQ(SlotOf(static_cast<int (CNATable::*)(INAContext*, const wchar_t*, const CAny*, int, const CAny*, int,
                                                   ISQLParserInformation*)>(&CNATable::bHFiltre)),
              38);
    KX_SLOT(bHActiveFiltre, 39);
    KX_SLOT(bHDesactiveFiltre, 40);
    KX_SLOT(bHRetourPosition, 41);
    KX_SLOT(bHLiberePosition, 42);
    KX_SLOT(bHSauvePosition, 43);
    KX_SLOT(bHVersion, 44);
    KX_SLOT(bHNbEnr, 45);
    KX_SLOT(bHPositionCourante, 46);
    KX_SLOT(bHPositionne, 47);
    KX_SLOT(bGetBLOB, 48);
    KX_SLOT(bSetBLOB, 49);
    KX_SLOT(bGetRecord, 50);
    KX_SLOT(bSetRecord, 51);
    KX_SLOT(bHAttacheMemo, 52);
    KX_SLOT(bExtraitMemo, 53);
    KX_SLOT(bHAnnuleRecherche, 54);
    KX_SLOT(bHChangeCle, 55);
    KX_SLOT(bHConstruitValCle, 56);
    KX_SLOT(bHInterditModif, 57);
    KX_SLOT(bHFinInterditModif, 58);
    KX_SLOT(bCalculateKeyValue, 59);
    KX_SLOT(bFreeCache, 60);
    KX_SLOT(bCompareTablePosition, 61);
    KX_SLOT(bTableVirtualMoveSupported, 62);
    KX_SLOT(bTableVirtualMove, 63);
    KX_SLOT(bSupprimeTout, 64);
    KX_SLOT(EmptySlot579, 65);
    KX_SLOT(EmptySlot580, 66);
    KX_SLOT(EmptySlot582, 67);
    KX_SLOT(EmptySlot587, 72);
    KX_SLOT(EmptySlot589, 73);
    KX_SLOT(EmptySlot594, 78);
    // The destructors take 80 and 81.
    KX_SLOT(bSupprimeFichier, 79);
    KX_SLOT(bExecuteQuery, 82);
#undef KX_SLOT
}

// A table over a description of the host (no server: nothing here opens the connection).
class NATableTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        m_pclDriver = new CPSQLDriver;
        m_pclDriver->_RegisterAsLiveDriver();
        m_pclDriver->ExternalAddRef();
        m_pclDriver->AllocError();
        m_clHost.m_sConnectionName = L"TABLECNX";
        m_clHost.m_sDataBase = L"127.0.0.1";
        m_pclDescription = new CNADataSourceDescription(nullptr, nullptr);
        m_pclDescription->SetLogicalName(L"orders");
        m_pclDescription->SetDBName(L"orders");
        m_pclDescription->ExternalAddRef();
        m_piTable = m_pclDriver->piGetTable(&m_clHost, m_pclDescription);
        ASSERT_NE(m_piTable, nullptr);
        m_pclTable = static_cast<CNATable*>(m_piTable);
        m_piError = m_pclDriver->piGetLastError();
    }
    void TearDown() override {
        if (m_piTable != nullptr) m_piTable->nExternalRelease();
        m_pclDescription->nExternalRelease();
        m_pclDriver->nExternalRelease();
    }

    unsigned nCode() const { return m_piError->dwGetErrorId(); }
    std::string sDebug() const { return sOf(m_piError->pclGetXError()->pszGetDebugMessage()); }

    CPSQLDriver* m_pclDriver = nullptr;
    standin::CStandInConnectionDescription m_clHost;
    CNADataSourceDescription* m_pclDescription = nullptr;
    INATable* m_piTable = nullptr;
    CNATable* m_pclTable = nullptr;
    INAError* m_piError = nullptr;
    standin::CStandInContext m_clContext{11, 1};
};

TEST_F(NATableTest, VersionAnswers) {
    EXPECT_EQ(m_piTable->nGetVersion(), 11);
    EXPECT_EQ(m_piTable->nGetCompatSince(), 8);
    EXPECT_EQ(static_cast<unsigned>(m_piTable->nGetNAVersion()), 0xFFFFFFFFu);
    EXPECT_EQ(static_cast<unsigned>(m_piTable->nGetNACompatSince()), 0xFFFFFFFFu);
    EXPECT_EQ(m_piTable->bTableVirtualMoveSupported(), 0);
    long nCount = 3;
    EXPECT_EQ(m_piTable->bTableVirtualMove(&m_clContext, L"id", &nCount, 0, 0), 0);
}

// A context that never opened the table: the forwarded operations fail with user error 19 and the
// table's logical name, and create no access; the ones with nothing to give back succeed quietly.
TEST_F(NATableTest, ContextWithoutAccess) {
    eNA_LOCKTYPE eLock = static_cast<eNA_LOCKTYPE>(0);
    EXPECT_EQ(m_piTable->bHLitxxx(&m_clContext, L"id", NA_PARSE_FIRST, 1, eLock, &eLock, 0), 0);
    EXPECT_EQ(nCode(), 19u);
    EXPECT_NE(sDebug().find("IEKXPSQL=6.7\r\n"), std::string::npos);
    EXPECT_EQ(sOf(m_piError->pszGetLogicalTableName()), "orders");
    EXPECT_EQ(m_pclTable->nGetNbDataAccess(), 0u);
    EXPECT_EQ(m_piTable->piGetLastError(&m_clContext), m_piError);

    // Each forwarding operation starts from an empty error object.
    int n = 0;
    EXPECT_EQ(m_piTable->bHVersion(&m_clContext, &n), 0);
    EXPECT_EQ(m_piError->pclGetXError()->nGetNbSubError(), 0);

    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(m_piTable->bHLiberePosition(&m_clContext, 4), 1);
        EXPECT_EQ(m_piTable->bHDesactiveFiltre(&m_clContext, L"id", 0), 1);
        EXPECT_EQ(m_piTable->bIsOpened(&m_clContext), 0);
        EXPECT_EQ(m_piTable->bHFerme(&m_clContext), 1);
    }
    EXPECT_EQ(m_piTable->bHMode(&m_clContext, static_cast<_eNA_HMODE>(2)), 1);
    m_pclTable->SetTransactionTermined();
    EXPECT_EQ(m_pclTable->nGetNbDataAccess(), 0u);
    EXPECT_EQ(nCode(), 0u);
}

// The operations not available: user error 8, error type 7, each at its site; a second one is
// added to the first. No reset, no lock, no access made.
TEST_F(NATableTest, NotAvailable) {
    void* p = nullptr;
    m_piTable->FreeMemory(&m_clContext, &p);
    EXPECT_EQ(nCode(), 8u);
    EXPECT_EQ(m_piError->eGetErrorType(), static_cast<eNA_ERRORTYPE>(7));
    EXPECT_NE(sDebug().find("IEKXPSQL=6.6\r\n"), std::string::npos);
    m_piTable->FreeMemory(&m_clContext, &p);
    ASSERT_EQ(m_piError->pclGetXError()->nGetNbSubError(), 1);
    EXPECT_EQ(m_piError->pclGetXError()->pclGetSubError(0)->nGetUserErrorCode(), 8u);

    struct stCase {
        int nSite;
        int (*pfn)(INATable*, INAContext*);
    } astCases[] = {
        {3, [](INATable* pi, INAContext* pc) { return pi->bHInterditModif(pc); }},
        {4, [](INATable* pi, INAContext* pc) { return pi->bHFinInterditModif(pc); }},
        {5,
         [](INATable* pi, INAContext* pc) {
             void* pKey = nullptr;
             unsigned nSize = 0;
             return pi->bCalculateKeyValue(pc, L"id", &pKey, nullptr, &nSize, 0, 0);
         }},
    };
    for (const stCase& st : astCases) {
        const int nBefore = m_piError->pclGetXError()->nGetNbSubError();
        EXPECT_EQ(st.pfn(m_piTable, &m_clContext), 0);
        ASSERT_EQ(m_piError->pclGetXError()->nGetNbSubError(), nBefore + 1);
        const std::string sSub = sOf(m_piError->pclGetXError()->pclGetSubError(nBefore)->pszGetDebugMessage());
        EXPECT_NE(sSub.find("IEKXPSQL=6." + std::to_string(st.nSite) + "\r\n"), std::string::npos) << sSub;
    }
    EXPECT_EQ(m_pclTable->nGetNbDataAccess(), 0u);
}

// The host's SQL module is asked before a filter with a parsed condition, never without one, and
// no more once it answered a version of 32 or more.
TEST_F(NATableTest, SQLModuleAskedUntilAccepted) {
    standin::CStandInParsedQuery clCondition(L"id > 3");
    wchar_t szItem[255] = L"";
    EXPECT_EQ(m_piTable->bHFiltre(&m_clContext, L"id", nullptr, 1, nullptr, 1, nullptr), 0);
    EXPECT_EQ(clCondition.m_tabModuleCalls.size(), 0u);

    clCondition.m_nModuleVersion = 31;
    EXPECT_EQ(m_piTable->bHFiltre(&m_clContext, &clCondition, szItem), 0);
    ASSERT_EQ(clCondition.m_tabModuleCalls.size(), 1u);
    EXPECT_EQ(clCondition.m_tabModuleCalls[0].nModule, 39);
    EXPECT_EQ(clCondition.m_tabModuleCalls[0].nVersion, 32);
    EXPECT_EQ(clCondition.m_tabModuleCalls[0].pnVersionSQL, &CNADriver::s_nID_KXSQL);

    clCondition.m_nModuleVersion = 32;
    // Accepted: the filter goes on, and meets a context without access.
    EXPECT_EQ(m_piTable->bHFiltre(&m_clContext, &clCondition, szItem), 0);
    EXPECT_EQ(nCode(), 19u);
    clCondition.m_bModuleAnswer = 0;
    EXPECT_EQ(m_piTable->bHFiltre(&m_clContext, L"id", nullptr, 1, nullptr, 1, &clCondition), 0);
    EXPECT_EQ(nCode(), 19u);
    EXPECT_EQ(clCondition.m_tabModuleCalls.size(), 2u);
    EXPECT_TRUE(clCondition.bAllReleased());
}

// A query table before its first result has no description; the host's last reference is only
// counted while a lookup holds the table.
TEST_F(NATableTest, QueryTableAndReferences) {
    CNAConnectionDescription* pclCnx = m_pclTable->pclGetConnectionNoRef();
    auto* pclQuery = new CNATable(L"CTX=1;Table=Q;", nullptr, pclCnx, static_cast<CNAError*>(m_piError));
    pclQuery->AddRef();
    EXPECT_EQ(sOf(pclQuery->pszGetLogicalName()), "");
    EXPECT_EQ(pclQuery->piGetDataSourceDescription(), nullptr);
    pclQuery->ExternalAddRef();
    pclQuery->AddRef();
    // A lookup in progress: only the host's count drops.
    EXPECT_EQ(pclQuery->nExternalRelease(), 0);
    EXPECT_EQ(pclQuery->nGetRef(), 2u);
    EXPECT_EQ(pclQuery->nRelease(), 1u);
    EXPECT_EQ(pclQuery->nRelease(), 0u);
}

}  // namespace
