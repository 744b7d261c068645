// Conversions through the host: the binding the host makes with bInitVQConvFromVM (refusals, names
// missing, the decimal factory asked once), passing it on to another module, and the calling
// protocol of the CAny conversions against the stand-in virtual machine.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "variant/VQConv.h"

namespace {

class VQConvBindingTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
    }
    void TearDown() override { CVQConv::s_Reset(); }

    static void* hVM() { return standin::hGetModule(); }
    static void* pfnIn(void* hModule, const char* pszNom) { return dlsym(hModule, pszNom); }
    static bool bNonLie() {
        return CVQConv::s_pfnConversion == nullptr && CVQConv::s_pfnFinConversion == nullptr &&
               CVQConv::s_hInstanceVM == nullptr && CVQConv::s_nVersion == 0 && CVQConv::s_nCompatibilite == 0 &&
               CVQConv::s_piDecimalFactory == nullptr;
    }
};

TEST_F(VQConvBindingTest, RefusesOldVersionsAndLevelsWithoutLookingAnythingUp) {
    struct Case {
        int nVersion, nCompatibilite;
    } aCases[] = {{1, 0}, {2, 3}, {0, 2}, {5, 7}, {-1, -1}};
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.nVersion << "/" << c.nCompatibilite);
        EXPECT_EQ(bInitVQConvFromVM(hVM(), c.nVersion, c.nCompatibilite), 0);
        EXPECT_TRUE(bNonLie());
    }
    EXPECT_TRUE(standin::GetVMCalls().empty());
}

TEST_F(VQConvBindingTest, BindsTheThreeNamesAndAsksTheDecimalFactoryOnce) {
    ASSERT_EQ(bInitVQConvFromVM(hVM(), 2, 2), 1);
    EXPECT_EQ(reinterpret_cast<void*>(CVQConv::s_pfnConversion), pfnIn(hVM(), "nConversionDepassementExt"));
    EXPECT_EQ(reinterpret_cast<void*>(CVQConv::s_pfnFinConversion), pfnIn(hVM(), "FinConversion"));
    EXPECT_EQ(CVQConv::s_hInstanceVM, hVM());
    EXPECT_EQ(CVQConv::s_nVersion, 2);
    EXPECT_EQ(CVQConv::s_nCompatibilite, 2);
    EXPECT_EQ(CVQConv::s_piDecimalFactory, standin::piGetDecimalFactory());
    auto tabCalls = standin::GetVMCalls();
    ASSERT_EQ(tabCalls.size(), 1u);
    EXPECT_EQ(tabCalls[0].sNom, "pQueryProxy");
    EXPECT_EQ(tabCalls[0].nProxy, 102);

    // Level 0 and later versions are accepted as well; a new binding replaces the old one.
    EXPECT_EQ(bInitVQConvFromVM(hVM(), 7, 0), 1);
    EXPECT_EQ(CVQConv::s_nVersion, 7);
    EXPECT_EQ(CVQConv::s_nCompatibilite, 0);
}

TEST_F(VQConvBindingTest, AModuleMissingANameIsRefused) {
    struct Case {
        const char* pszManque;
        bool bConversionGardee;  // the conversion, its release, module, version and level are kept
        int nQueryProxyCalls;
    } aCases[] = {
        {"nConversionDepassementExt", false, 0},
        {"FinConversion", false, 0},
        {"pQueryProxy", true, 0},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszManque);
        CVQConv::s_Reset();
        void* h = standin::hVMWithout(c.pszManque);
        ASSERT_NE(h, nullptr) << dlerror();
        EXPECT_EQ(bInitVQConvFromVM(h, 2, 1), 0);
        EXPECT_EQ(standin::nPartialQueryProxyCalls(h), c.nQueryProxyCalls);
        EXPECT_EQ(CVQConv::s_piDecimalFactory, nullptr);
        if (c.bConversionGardee) {
            EXPECT_EQ(reinterpret_cast<void*>(CVQConv::s_pfnConversion), pfnIn(h, "nConversionDepassementExt"));
            EXPECT_EQ(reinterpret_cast<void*>(CVQConv::s_pfnFinConversion), pfnIn(h, "FinConversion"));
            EXPECT_EQ(CVQConv::s_hInstanceVM, h);
            EXPECT_EQ(CVQConv::s_nVersion, 2);
            EXPECT_EQ(CVQConv::s_nCompatibilite, 1);
        } else {
            EXPECT_TRUE(bNonLie());
        }
    }
}

TEST_F(VQConvBindingTest, PassesTheKeptBindingOnToAnotherModule) {
    void* hAutre = standin::hVMWithout("FinConversion");
    ASSERT_NE(hAutre, nullptr) << dlerror();
    ASSERT_EQ(bInitVQConvFromVM(hVM(), 3, 1), 1);
    int nAvant = standin::GetPartialInit(hAutre, 0).nCalls;
    EXPECT_EQ(bInitVQConvFromServeur_OBSOLETE(hAutre), 7);  // that module's own answer
    standin::stPartialInit st = standin::GetPartialInit(hAutre, 0);
    EXPECT_EQ(st.nCalls, nAvant + 1);
    EXPECT_EQ(st.hInstanceVM, hVM());
    EXPECT_EQ(st.nVersion, 3);
    EXPECT_EQ(st.nCompatibilite, 1);
    // The stand-in host module has no bInitVQConvFromVM of its own: nothing to pass on.
    EXPECT_EQ(bInitVQConvFromServeur_OBSOLETE(hVM()), 1);
}

TEST_F(VQConvBindingTest, UnboundConversionAnswersNotConvertibleAndWritesNothing) {
    int nSource = 42;
    unsigned char abyDestination[40];
    memset(abyDestination, 0xA5, sizeof(abyDestination));
    EXPECT_EQ(CVQConv::nConversion(&nSource, 8, abyDestination, 110, 1, nullptr), 105);
    for (unsigned char by : abyDestination) ASSERT_EQ(by, 0xA5);
    CVQConv::FinConversion(abyDestination, 110);  // nothing to call, nothing done
    EXPECT_EQ(CVQConv::s_piNewDecimal(), nullptr);
    CVQConv::s_ReleaseDecimal(nullptr);
    EXPECT_TRUE(standin::GetVMCalls().empty());
}

TEST_F(VQConvBindingTest, DecimalsComeFromAndGoBackToTheHostsFactory) {
    ASSERT_EQ(bInitVQConvFromVM(hVM(), 2, 2), 1);
    long nVivants = standin::nGetLiveDecimals();
    IDecimalVQ* pi = CVQConv::s_piNewDecimal();
    ASSERT_NE(pi, nullptr);
    EXPECT_EQ(standin::nGetLiveDecimals(), nVivants + 1);
    CVQConv::s_ReleaseDecimal(pi);
    EXPECT_EQ(standin::nGetLiveDecimals(), nVivants);
}

}  // namespace
