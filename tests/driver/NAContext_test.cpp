// The driver's record of a host context: one data access per data id, made through the driver's
// factory on the context's own error object, removed by id, closed all at once; lock modes and
// searches by name that ignore letter case and accents.
#include "native/driver/NAContext.h"

#include <gtest/gtest.h>

#include "tests/driver/DriverTestSupport.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInContext.h"
#include "tests/host/StandInDataSourceDescription.h"
#include "tests/host/TestSupport.h"

namespace {

using drivertest::CTestDataAccess;
using drivertest::CTestDriver;
using standin::CStandInConnectionDescription;
using standin::CStandInContext;
using standin::CStandInDataSourceDescription;

class NAContextTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        m_pclDriver = CTestDriver::pclNew(&m_stScript);
        m_clHost.m_sConnectionName = L"CNX1";
        m_clOtherHost.m_sConnectionName = L"CNX2";
        m_pclCnx = m_pclDriver->_pclGetConnection(&m_clHost);
        m_pclOtherCnx = m_pclDriver->_pclGetConnection(&m_clOtherHost);
        m_pclContext = m_pclDriver->pclAllocContext();
        m_pclContext->AddRef();
    }
    void TearDown() override {
        m_pclContext->nRelease();
        m_pclDriver->nReleaseConnection(m_pclCnx);
        m_pclDriver->nReleaseConnection(m_pclOtherCnx);
        m_pclDriver->nExternalRelease();
        EXPECT_EQ(m_stScript.nLiveAccesses, 0);
        EXPECT_EQ(m_stScript.nLiveConnections, 0);
    }

    CTestDataAccess* pclAccess(CStandInContext& clHost, CNAConnectionDescription* pclCnx,
                               CStandInDataSourceDescription* pclDesc, int* pbCreated = nullptr) {
        int bCreated = -1;
        auto* pcl = static_cast<CTestDataAccess*>(m_pclContext->pclGetDataAccess(
            &clHost, pclCnx, pclDesc != nullptr ? pclDesc->piGet() : nullptr, &bCreated));
        if (pbCreated != nullptr) *pbCreated = bCreated;
        return pcl;
    }

    drivertest::stScript m_stScript;
    CTestDriver* m_pclDriver = nullptr;
    CStandInConnectionDescription m_clHost, m_clOtherHost;
    CNAConnectionDescription* m_pclCnx = nullptr;
    CNAConnectionDescription* m_pclOtherCnx = nullptr;
    CNAContext* m_pclContext = nullptr;
};

TEST_F(NAContextTest, OneDataAccessPerDataId) {
    EXPECT_EQ(m_pclContext->nGetVersion(), 2);
    EXPECT_EQ(m_pclContext->nGetCompatSince(), 2);
    EXPECT_EQ(m_pclContext->nGetContextId(), static_cast<unsigned long>(-1));
    EXPECT_EQ(m_pclContext->eGetDefaultMode(), static_cast<_eNA_HMODE>(1));

    CStandInContext clFirst(10, 1), clSameData(10, 2), clOther(11, 1);
    int bCreated = -1;
    CTestDataAccess* pcl1 = pclAccess(clFirst, m_pclCnx, nullptr, &bCreated);
    ASSERT_NE(pcl1, nullptr);
    EXPECT_EQ(bCreated, 1);
    EXPECT_EQ(pcl1->nGetRef(), 2u);  // the context's and the caller's
    EXPECT_EQ(pcl1->pclGetContextNoRef(), m_pclContext);
    // It works on the context's error object.
    EXPECT_EQ(pcl1->pclGetErrorNoRef(), m_pclContext->pclGetErrorNoRef());
    EXPECT_EQ(pclAccess(clSameData, m_pclCnx, nullptr, &bCreated), pcl1);
    EXPECT_EQ(bCreated, 0);
    EXPECT_EQ(m_pclContext->pclFindDataAccess(&clFirst), pcl1);
    CTestDataAccess* pcl2 = pclAccess(clOther, m_pclCnx, nullptr, &bCreated);
    EXPECT_NE(pcl2, pcl1);
    EXPECT_EQ(bCreated, 1);
    EXPECT_EQ(m_pclContext->nGetNbDataAccess(), 2u);

    // Removal goes by the id alone.
    CStandInContext clStranger(99, 1);
    m_pclContext->RemoveDataAccess(&clStranger, pcl1);
    EXPECT_EQ(m_pclContext->nGetNbDataAccess(), 2u);
    m_pclContext->RemoveDataAccess(&clSameData, pcl2);
    EXPECT_EQ(m_pclContext->pclFindDataAccess(&clFirst), nullptr);
    EXPECT_EQ(pcl1->nGetRef(), 3u);
    for (int i = 0; i < 3; i++) pcl1->nRelease();
    pcl2->nRelease();
}

TEST_F(NAContextTest, NoDataAccessCanBeMade) {
    m_stScript.bRefuseDataAccess = true;
    CStandInContext clHost;
    int bCreated = -1;
    EXPECT_EQ(pclAccess(clHost, m_pclCnx, nullptr, &bCreated), nullptr);
    EXPECT_EQ(bCreated, 0);
    // Reported on the context's own error object, not the driver's.
    EXPECT_EQ(m_pclContext->pclGetErrorNoRef()->dwGetErrorId(), 12u);
    EXPECT_EQ(m_pclDriver->pclGetError()->eGetErrorType(), NA_ERRORTYPE_NONE);
}

TEST_F(NAContextTest, LockModesByLogicalName) {
    CStandInDataSourceDescription clOrders(L"Commandes", L"COMMANDES"), clLines(L"Lignes", L"LIGNES");
    CStandInContext clOrdersHost(1, 7), clLinesHost(2, 7);
    CTestDataAccess* pclOrders = pclAccess(clOrdersHost, m_pclCnx, &clOrders);
    CTestDataAccess* pclLines = pclAccess(clLinesHost, m_pclCnx, &clLines);
    ASSERT_NE(pclOrders, nullptr);
    const auto eMode0 = pclLines->eGetHMode();
    struct Case {
        const wchar_t* pszName;
        unsigned nMode;
        bool bOrders;  // the orders' access takes the mode
    } cases[] = {
        {L"COMMANDES", 3, true},
        {L"commandés", 4, true},
        {L"Commande", 5, false},
        {L"", 6, false},
    };
    unsigned nOrdersMode = static_cast<unsigned>(pclOrders->eGetHMode());
    for (const Case& c : cases) {
        auto eMode = static_cast<_eNA_HMODE>(c.nMode);
        EXPECT_EQ(m_pclContext->bHMode(c.pszName, eMode), 1);
        if (c.bOrders) nOrdersMode = c.nMode;
        EXPECT_EQ(static_cast<unsigned>(pclOrders->eGetHMode()), nOrdersMode);
        // The context's default follows every call, whether or not an access matched.
        EXPECT_EQ(m_pclContext->eGetDefaultMode(), eMode);
    }
    EXPECT_EQ(pclLines->eGetHMode(), eMode0);
    pclOrders->nRelease();
    pclLines->nRelease();
    m_pclContext->CloseAllDataAccess();
}

TEST_F(NAContextTest, SearchesByTableAndAliasName) {
    CStandInDataSourceDescription clOrders(L"Commandes", L"COMMANDES");
    CStandInContext clHost1(1, 7), clHost2(2, 7);
    CTestDataAccess* pclOnFirst = pclAccess(clHost1, m_pclCnx, &clOrders);
    CTestDataAccess* pclOnSecond = pclAccess(clHost2, m_pclOtherCnx, &clOrders);
    pclOnFirst->SetAliasName(L"Cmd");
    pclOnSecond->SetAliasName(L"Cmd");
    struct Case {
        bool bAlias;
        CNAConnectionDescription* pclCnx;
        const wchar_t* pszName;
        CTestDataAccess* pclExpected;
    } cases[] = {
        {false, m_pclCnx, L"commandes", pclOnFirst}, {false, m_pclOtherCnx, L"COMMANDÉS", pclOnSecond},
        {false, m_pclCnx, L"Cmd", nullptr},          {true, m_pclCnx, L"CMD", pclOnFirst},
        {true, m_pclOtherCnx, L"cmd", pclOnSecond},  {true, m_pclCnx, L"Commandes", nullptr},
    };
    for (const Case& c : cases) {
        CNADataAccess* pcl = c.bAlias ? m_pclContext->pclFindDataAccessByAliasName(c.pclCnx, c.pszName)
                                      : m_pclContext->pclFindDataAccessByDBTableName(c.pclCnx, c.pszName);
        EXPECT_EQ(pcl, c.pclExpected) << c.bAlias;
        if (pcl != nullptr) pcl->nRelease();
    }
    // Neither search left a reference behind.
    EXPECT_EQ(pclOnFirst->nGetRef(), 2u);
    pclOnFirst->nRelease();
    pclOnSecond->nRelease();
    m_pclContext->CloseAllDataAccess();
}

TEST_F(NAContextTest, ClosingAllClosesOnlyWhatIsOpen) {
    CStandInContext clOpen(1, 7), clClosed(2, 7);
    CTestDataAccess* pclOpen = pclAccess(clOpen, m_pclCnx, nullptr);
    CTestDataAccess* pclClosed = pclAccess(clClosed, m_pclCnx, nullptr);
    pclOpen->SetOpened(1);
    // The context's references are the last.
    pclOpen->nRelease();
    pclClosed->nRelease();
    EXPECT_EQ(m_stScript.nLiveAccesses, 2);
    m_pclContext->CloseAllDataAccess();
    EXPECT_EQ(m_stScript.nAccessCloses, 1);
    EXPECT_EQ(m_pclContext->nGetNbDataAccess(), 0u);
    EXPECT_EQ(m_stScript.nLiveAccesses, 0);
    m_pclContext->CloseAllDataAccess();
}

}  // namespace
