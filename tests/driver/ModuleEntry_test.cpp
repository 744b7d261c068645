// The driver library as the host sees it: loaded with dlopen beside the stand-in host module, driven
// through its exported entries only. Checks the export set, the host's notices (start, information
// asked in order, nested starts, end), the component commands and the message table behind them.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "core/BaseExecutionDLL.h"
#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

typedef intptr_t (*PFNEXECUTION)(uint32_t, intptr_t);
typedef int64_t (*PFNCOMMANDE)(uint64_t, intptr_t);
typedef void* (*PFNLOADRESOURCEMODULE)(const void*, uint32_t, const wchar_t*, uint32_t*);

// The names the host may find in the library, and nothing else.
const std::set<std::string> g_setAllowedExports = {
    "bDLLCompatible",
    "bInitLibrary",
    "TermLibrary",
    "piQueryInterface",
    "Execution",
    "CommandeComposante",
    "DLLRES_pLoadResourceModule",
    "bInitVQCalcFromVM",
    "bInitVQConvFromVM",
    "_Z14STRG_pszCreateIwEPT_m",
    "_Z14STRG_pszCreateIcEPT_m",
    "_Z13STRG_nGetCharIccEiP8_IO_FILE",
    "_Z13STRG_nGetCharIwwEiP8_IO_FILE",
    "_Z13STRG_nGetCharIwtEiP8_IO_FILE",
    "_Z13STRG_nGetLineIcEiPPT_PmP8_IO_FILE",
    "_Z13STRG_nGetLineIwEiPPT_PmP8_IO_FILE",
};

class ModuleEntryTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        s_hDriver = dlopen(KX_DRIVER_LIBRARY, RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(s_hDriver, nullptr) << dlerror();
        s_pfnExecution = reinterpret_cast<PFNEXECUTION>(dlsym(s_hDriver, "Execution"));
        s_pfnCommande = reinterpret_cast<PFNCOMMANDE>(dlsym(s_hDriver, "CommandeComposante"));
    }
    static void TearDownTestSuite() {
        if (s_hDriver != nullptr) dlclose(s_hDriver);
        s_hDriver = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(s_pfnExecution, nullptr);
        ASSERT_NE(s_pfnCommande, nullptr);
        KXInstallStandInHost();
    }
    void TearDown() override {
        // End every start the case left, then forget the host's callback.
        for (int i = 0; i < 8; i++) s_pfnExecution(EXECUTION_END, 0);
        s_pfnCommande(2, 0);
    }

    static intptr_t nStart(HINSTANCE hHost, void* piLibShop = nullptr) {
        _stINITDLL stRecord{sizeof(_stINITDLL), hHost, 5, 6, piLibShop};
        return s_pfnExecution(EXECUTION_START, reinterpret_cast<intptr_t>(&stRecord));
    }
    static std::vector<intptr_t> tabInformationAsked() {
        std::vector<intptr_t> tab;
        for (const auto& st : standin::GetExecutionCalls())
            if (st.nCode == EXECUTION_INFORMATION) tab.push_back(st.pArg);
        return tab;
    }

    static void* s_hDriver;
    static PFNEXECUTION s_pfnExecution;
    static PFNCOMMANDE s_pfnCommande;
};

void* ModuleEntryTest::s_hDriver = nullptr;
PFNEXECUTION ModuleEntryTest::s_pfnExecution = nullptr;
PFNCOMMANDE ModuleEntryTest::s_pfnCommande = nullptr;

TEST_F(ModuleEntryTest, ExportsOnlyTheHostsNames) {
    std::string sCommand = std::string("nm -D --defined-only ") + KX_DRIVER_LIBRARY;
    FILE* pPipe = popen(sCommand.c_str(), "r");
    ASSERT_NE(pPipe, nullptr);
    std::set<std::string> setFound;
    char szLine[1024];
    while (fgets(szLine, sizeof(szLine), pPipe) != nullptr) {
        char szAddress[64], szType[8], szName[900];
        if (sscanf(szLine, "%63s %7s %899s", szAddress, szType, szName) != 3) continue;
        std::string sName = szName;
        size_t nAt = sName.find('@');  // version tags
        if (nAt != std::string::npos) sName.resize(nAt);
        if (sName.empty()) continue;
        setFound.insert(sName);
    }
    ASSERT_EQ(pclose(pPipe), 0);
    for (const std::string& sName : setFound) EXPECT_TRUE(g_setAllowedExports.count(sName) != 0) << sName;
    for (const char* pszName : {"Execution", "CommandeComposante", "DLLRES_pLoadResourceModule"})
        EXPECT_TRUE(setFound.count(pszName) != 0) << pszName;
    // No class of the common library leaks out, whatever its name.
    EXPECT_EQ(dlsym(s_hDriver, "gstMyModuleInfo39"), nullptr);
}

TEST_F(ModuleEntryTest, InertCallsBeforeAnyStart) {
    EXPECT_EQ(s_pfnExecution(1234, 0), 0);
    EXPECT_EQ(s_pfnExecution(EXECUTION_END, 0), 1);
    EXPECT_EQ(s_pfnExecution(EXECUTION_DUMP_MEMOIRE, 0), 0);
    EXPECT_EQ(s_pfnExecution(EXECUTION_DESACTIVE, 0), 1);
    EXPECT_EQ(s_pfnExecution(EXECUTION_REACTIVE, 0), 1);
    EXPECT_EQ(s_pfnExecution(EXECUTION_CHANGE_LANGUE, 0), 1);
    EXPECT_EQ(s_pfnCommande(99, 0), 0);
    auto pfnLoad = reinterpret_cast<PFNLOADRESOURCEMODULE>(dlsym(s_hDriver, "DLLRES_pLoadResourceModule"));
    ASSERT_NE(pfnLoad, nullptr);
    EXPECT_EQ(pfnLoad(nullptr, 0, nullptr, nullptr), nullptr);
    EXPECT_TRUE(standin::GetExecutionCalls().empty());
}

TEST_F(ModuleEntryTest, StartAsksTheHostInOrder) {
    struct Case {
        void* piLibShop;
        std::vector<intptr_t> tabExpected;
    } cases[] = {
        {nullptr, {9, 10, 12, 13, 15, 7, 1, 5, 2, 3, 4, 8, 14}},
        {reinterpret_cast<void*>(0x1000), {9, 10, 12, 13, 15, 1, 5, 2, 3, 4, 8, 14}},
    };
    for (const Case& c : cases) {
        standin::ClearExecutionCalls();
        EXPECT_EQ(nStart(standin::hGetModule(), c.piLibShop), 1);
        EXPECT_EQ(tabInformationAsked(), c.tabExpected);
        EXPECT_EQ(standin::GetExecutionCalls().size(), c.tabExpected.size());  // nothing but information
        EXPECT_EQ(s_pfnExecution(EXECUTION_END, 0), 1);
    }
}

TEST_F(ModuleEntryTest, ShortStartRecordIsReadOnlyAsFarAsItGoes) {
    // A 16-byte record from the heap: reading the usage values or the library shop past it would
    // be caught by the address sanitizer; the library shop is then asked of the host.
    auto* pstRecord = static_cast<unsigned char*>(malloc(16));
    uint64_t nTaille = 16;
    HINSTANCE hHost = standin::hGetModule();
    memcpy(pstRecord, &nTaille, 8);
    memcpy(pstRecord + 8, &hHost, 8);
    EXPECT_EQ(s_pfnExecution(EXECUTION_START, reinterpret_cast<intptr_t>(pstRecord)), 1);
    std::vector<intptr_t> tabAsked = tabInformationAsked();
    EXPECT_EQ(tabAsked, (std::vector<intptr_t>{9, 10, 12, 13, 15, 7, 1, 5, 2, 3, 4, 8, 14}));
    free(pstRecord);
}

TEST_F(ModuleEntryTest, StartFailsWithoutHostEntryThenOnlyCounts) {
    void* hLibc = dlopen("libc.so.6", RTLD_NOW | RTLD_NOLOAD);
    ASSERT_NE(hLibc, nullptr);
    EXPECT_EQ(nStart(hLibc), 0);
    dlclose(hLibc);
    standin::ClearExecutionCalls();
    EXPECT_EQ(nStart(standin::hGetModule()), 1);
    EXPECT_TRUE(standin::GetExecutionCalls().empty());
}

TEST_F(ModuleEntryTest, NestedStartsEndWithTheLast) {
    ASSERT_EQ(nStart(standin::hGetModule()), 1);
    ASSERT_EQ(nStart(standin::hGetModule()), 1);
    EXPECT_EQ(s_pfnExecution(EXECUTION_END, 0), 1);
    EXPECT_EQ(s_pfnExecution(EXECUTION_INIT_TYPE_DINO, 0), 1);  // the singleton is still there
    EXPECT_EQ(s_pfnExecution(EXECUTION_DUMP_MEMOIRE, 0), 0);    // it dumps nothing
    EXPECT_EQ(s_pfnExecution(EXECUTION_END, 0), 1);
    EXPECT_EQ(s_pfnExecution(EXECUTION_INIT_TYPE_DINO, 0), 2);  // gone
    // Ends past the last one change nothing.
    standin::ClearExecutionCalls();
    EXPECT_EQ(s_pfnExecution(EXECUTION_END, 0), 1);
    EXPECT_TRUE(standin::GetExecutionCalls().empty());
}

TEST_F(ModuleEntryTest, InitTypeDinoNeedsAFactoryOfVersionTwo) {
    standin::SetGlobalFactoryVersion(1);
    ASSERT_EQ(nStart(standin::hGetModule()), 1);
    EXPECT_EQ(s_pfnExecution(EXECUTION_END, 0), 1);
    int nCalls = standin::nGetGlobalFactoryCalls();
    EXPECT_EQ(s_pfnExecution(EXECUTION_INIT_TYPE_DINO, 0), 1);
    EXPECT_EQ(standin::nGetGlobalFactoryCalls(), nCalls + 1);
}

TEST_F(ModuleEntryTest, EndIsNeverToldBackToTheHost) {
    ASSERT_EQ(nStart(standin::hGetModule()), 1);
    standin::ClearExecutionCalls();
    EXPECT_EQ(s_pfnExecution(EXECUTION_END, 0), 1);
    EXPECT_TRUE(standin::GetExecutionCalls().empty());
}

TEST_F(ModuleEntryTest, EveryMessageOfTheErrorTableAndTheDumpIsInTheLibrary) {
    std::vector<uint32_t> tabIds;
    for (uint64_t i = 0; i < gstMyModuleInfo39.nNbErrorDef; i++) tabIds.push_back(gstErrorDef39[i].nMessageId);
    for (uint32_t nId = 28842; nId <= 28865; nId++) tabIds.push_back(nId);
    for (uint32_t nId : {25770u, 25311u, 25193u}) tabIds.push_back(nId);
    for (uint32_t nId : tabIds) EXPECT_EQ(s_pfnCommande(4, nId), 0) << nId;
    EXPECT_EQ(s_pfnCommande(4, 1), -1);
}

TEST_F(ModuleEntryTest, ReadingAMessage) {
    wchar_t szBuffer[100];
    STCommandeComposante stRecord{24, 28576, szBuffer, 100, -7};
    int64_t nLength = s_pfnCommande(3, reinterpret_cast<intptr_t>(&stRecord));
    EXPECT_GT(nLength, 0);
    EXPECT_EQ(stRecord.nResult, nLength);
    EXPECT_EQ(static_cast<int64_t>(wcslen(szBuffer)), nLength);

    stRecord.nCapacity = 1;
    stRecord.nResult = -7;
    EXPECT_EQ(s_pfnCommande(3, reinterpret_cast<intptr_t>(&stRecord)), 0);
    EXPECT_EQ(stRecord.nResult, 0);
    EXPECT_EQ(szBuffer[0], L'\0');

    // With the host's callback installed, its text wins.
    standin::SetMessageText(28576, L"X");
    EXPECT_EQ(s_pfnCommande(2, reinterpret_cast<intptr_t>(standin::pfnGetLoadString())), 1);
    stRecord.nCapacity = 100;
    EXPECT_EQ(s_pfnCommande(3, reinterpret_cast<intptr_t>(&stRecord)), 1);
    EXPECT_STREQ(szBuffer, L"X");
}

}  // namespace
