// The common library's start and stop, and the execution singleton's services, as the driver's
// library start and stop use them (the host's notices themselves are tested through the built
// driver library, tests/driver). The stand-in host records every call of its Execution entry.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <vector>

#include "core/BaseExecutionDLL.h"
#include "core/DLLRes.h"
#include "core/InformationDLL.h"
#include "core/MainCommun.h"
#include "core/QueryDumpHook.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

int g_nFreeQueryDump = 0;
void FreeQueryDumpProbe() {
    g_nFreeQueryDump++;
}

std::vector<uint32_t> tabCodes() {
    std::vector<uint32_t> tab;
    for (const auto& st : standin::GetExecutionCalls()) tab.push_back(st.nCode);
    return tab;
}

class ExecutionDLLTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        g_nFreeQueryDump = 0;
    }
    void TearDown() override {
        // Whatever a case left: no singleton, no start, no hook.
        CBaseExecutionDLL::s_TermineMoiMeme();
        CBaseExecutionDLL::ms_nNbInitialisation = 0;
        CMainCommun::bTermLibraryCommon();
        QDUMP_SetFreeRessources(nullptr);
        KXInstallStandInHost();
    }

    static intptr_t nStart() {
        _stINITDLL stRecord{sizeof(_stINITDLL), standin::hGetModule(), 0, 0, nullptr};
        return CBaseExecutionDLL::s_nExecution(EXECUTION_START, reinterpret_cast<intptr_t>(&stRecord));
    }
};

TEST_F(ExecutionDLLTest, CommonStopTellsTheHostOnce) {
    QDUMP_SetFreeRessources(&FreeQueryDumpProbe);
    EXPECT_EQ(CMainCommun::bInitLibraryCommon(reinterpret_cast<HINSTANCE>(0x1234)), 1);
    EXPECT_EQ(CMainCommun::ghModule, reinterpret_cast<HINSTANCE>(0x1234));
    EXPECT_TRUE(DLLRES_bIsInit());
    // A second start changes nothing.
    EXPECT_EQ(CMainCommun::bInitLibraryCommon(reinterpret_cast<HINSTANCE>(0x5678)), 1);
    EXPECT_EQ(CMainCommun::ghModule, reinterpret_cast<HINSTANCE>(0x1234));

    ASSERT_EQ(nStart(), 1);
    standin::ClearExecutionCalls();
    EXPECT_EQ(CMainCommun::bTermLibraryCommon(), 1);
    EXPECT_EQ(tabCodes(), std::vector<uint32_t>{EXECUTION_LIBRARY_ENDS});
    EXPECT_EQ(standin::GetExecutionCalls()[0].pArg, 0);
    EXPECT_EQ(CBaseExecutionDLL::s_pclGetExecutionDLL(), nullptr);
    EXPECT_EQ(g_nFreeQueryDump, 1);
    EXPECT_FALSE(DLLRES_bIsInit());
    EXPECT_EQ(CMainCommun::gbInitLibraryDone, 0);

    // Nothing more to stop.
    EXPECT_EQ(CMainCommun::bTermLibraryCommon(), 1);
    EXPECT_EQ(standin::GetExecutionCalls().size(), 1u);
    EXPECT_EQ(g_nFreeQueryDump, 1);
}

TEST_F(ExecutionDLLTest, NoNoticeWhenTheHostEndedTheLibrary) {
    CMainCommun::bInitLibraryCommon(nullptr);
    ASSERT_EQ(nStart(), 1);
    EXPECT_EQ(CBaseExecutionDLL::s_nExecution(EXECUTION_END, 0), 1);
    EXPECT_EQ(CBaseExecutionDLL::s_pclGetExecutionDLL(), nullptr);
    standin::ClearExecutionCalls();
    CMainCommun::bTermLibraryCommon();
    EXPECT_TRUE(standin::GetExecutionCalls().empty());
}

TEST_F(ExecutionDLLTest, StopWithoutAnyStartSendsNothing) {
    CMainCommun::bInitLibraryCommon(nullptr);
    CMainCommun::bTermLibraryCommon();
    EXPECT_TRUE(standin::GetExecutionCalls().empty());
}

TEST_F(ExecutionDLLTest, SingletonStartedByTheLibraryItself) {
    EXPECT_EQ(CBaseExecutionDLL::s_bInitialiseMoiMeme(standin::hGetModule()), 1);
    CBaseExecutionDLL* pcl = CBaseExecutionDLL::s_pclGetExecutionDLL();
    ASSERT_NE(pcl, nullptr);
    EXPECT_EQ(pcl->bTermine, 1u);
    EXPECT_EQ(CBaseExecutionDLL::s_hGetHinstanceVM(), standin::hGetModule());
    std::vector<intptr_t> tabAsked;
    for (const auto& st : standin::GetExecutionCalls())
        if (st.nCode == EXECUTION_INFORMATION) tabAsked.push_back(st.pArg);
    EXPECT_EQ(tabAsked, (std::vector<intptr_t>{9, 10, 12, 13, 15}));
    EXPECT_EQ(CBaseExecutionDLL::ms_nNbInitialisation, 0u);  // not counted

    standin::ClearExecutionCalls();
    EXPECT_EQ(CBaseExecutionDLL::s_bInitialiseMoiMeme(nullptr), 1);
    EXPECT_EQ(CBaseExecutionDLL::s_pclGetExecutionDLL(), pcl);
    EXPECT_TRUE(standin::GetExecutionCalls().empty());

    // The common stop leaves it alone; only s_TermineMoiMeme deletes it.
    CMainCommun::bInitLibraryCommon(nullptr);
    CMainCommun::bTermLibraryCommon();
    EXPECT_TRUE(standin::GetExecutionCalls().empty());
    EXPECT_EQ(CBaseExecutionDLL::s_pclGetExecutionDLL(), pcl);
    CBaseExecutionDLL::s_TermineMoiMeme();
    EXPECT_EQ(CBaseExecutionDLL::s_pclGetExecutionDLL(), nullptr);
}

TEST_F(ExecutionDLLTest, SelfStartFailsWithoutHostEntry) {
    void* hLibc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(hLibc, nullptr);
    EXPECT_EQ(CBaseExecutionDLL::s_bInitialiseMoiMeme(hLibc), 0);
    // The singleton stays installed, not marked as self-started.
    ASSERT_NE(CBaseExecutionDLL::s_pclGetExecutionDLL(), nullptr);
    EXPECT_EQ(CBaseExecutionDLL::s_pclGetExecutionDLL()->bTermine, 0u);
    dlclose(hLibc);
}

TEST_F(ExecutionDLLTest, ServicesWithoutSingleton) {
    wchar_t szBuffer[16] = L"x";
    EXPECT_EQ(CBaseExecutionDLL::s_bRemplitPileC(1, szBuffer, 16, 0), 0);
    EXPECT_EQ(CBaseExecutionDLL::s_eGetModeSmartphone(), 0);
    EXPECT_EQ(CBaseExecutionDLL::s_hGetHinstanceVM(), nullptr);
    CBaseExecutionDLL::s_InitLibShopMoiMeme();
    EXPECT_TRUE(standin::GetExecutionCalls().empty());
    EXPECT_STREQ(szBuffer, L"x");
}

TEST_F(ExecutionDLLTest, ServicesAskTheHost) {
    standin::rInformation(INFO_UTILISE_NET) = 0x100000001;  // only the low 32 bits count
    standin::rInformation(INFO_MODE_SMARTPHONE) = 2;
    ASSERT_EQ(CBaseExecutionDLL::s_bInitialiseMoiMeme(standin::hGetModule()), 1);
    CBaseExecutionDLL* pcl = CBaseExecutionDLL::s_pclGetExecutionDLL();
    EXPECT_EQ(pcl->_bUtiliseNET(), 1);
    EXPECT_EQ(CBaseExecutionDLL::s_eGetModeSmartphone(), 2);

    wchar_t szBuffer[16] = {};
    standin::ClearExecutionCalls();
    EXPECT_EQ(CBaseExecutionDLL::s_bRemplitPileC(4, szBuffer, 16, 5), 1);
    EXPECT_STREQ(szBuffer, L"pile");
    ASSERT_EQ(standin::GetExecutionCalls().size(), 1u);
    EXPECT_EQ(standin::GetExecutionCalls()[0].nCode, EXECUTION_PILE_C);
    standin::SetPileCAnswer(0);
    EXPECT_EQ(CBaseExecutionDLL::s_bRemplitPileC(4, szBuffer, 16, 5), 0);

    // The library shop is asked only when none is known yet.
    CInformationDLL::ms_piLibShop = nullptr;
    CBaseExecutionDLL::s_InitLibShopMoiMeme();
    EXPECT_EQ(CInformationDLL::ms_piLibShop, reinterpret_cast<void*>(standin::rInformation(INFO_LIB_SHOP)));
    standin::ClearExecutionCalls();
    CBaseExecutionDLL::s_InitLibShopMoiMeme();
    EXPECT_TRUE(standin::GetExecutionCalls().empty());
    CInformationDLL::ms_piLibShop = nullptr;
}

}  // namespace
