// The host's operators: the binding the host makes with bInitVQCalcFromVM (the 30 names in their
// order, refusals, a name missing), passing it on to another module, and the operators on CAny
// values against the stand-in virtual machine (NULL rules, derived comparisons, results as values,
// arithmetic taking over the host's result) with the text dump of a value.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>

#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "variant/VQCalc.h"

namespace {

// The host's names in the order the library binds them.
const char* const g_tabpszNoms[] = {
    "bCanCompareEx", "wAjouteEx", "wSoustraitEx", "wMultiplieEx", "wDiviseEx", "wModuloEx",
    "nComparaisonEx", "nEgaliteEx", "nSuperieurEx", "nInferieurEx", "nPresqueEgalEx", "nSoupleEgalEx",
    "nCommenceParEx", "nCommenceParSoupleEx", "nCommenceParTresSoupleEx", "nContientEx", "nContientSoupleEx",
    "nContientTresSoupleEx", "nTermineParEx", "nTermineParSoupleEx", "nTermineParTresSoupleEx", "nETLogiqueEx",
    "nOULogiqueEx", "nNONLogiqueEx", "nNegationEx", "nAdditionEx", "nSoustractionEx", "nMultiplicationEx",
    "nDivisionEx", "nModuloEx",
};
static_assert(std::size(g_tabpszNoms) == CVQCalc::NB_FONCTIONS);

class VQCalcBindingTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQCalc::s_Reset();
    }
    void TearDown() override { CVQCalc::s_Reset(); }

    static void* hVM() { return standin::hGetModule(); }
    static void* pfnLie(int i) { return reinterpret_cast<void*>(CVQCalc::s_tabpfn[i]); }
};

TEST_F(VQCalcBindingTest, BindsTheThirtyNamesInOrder) {
    ASSERT_EQ(bInitVQCalcFromVM(hVM(), 2, 2), 1);
    for (int i = 0; i < CVQCalc::NB_FONCTIONS; i++) {
        SCOPED_TRACE(g_tabpszNoms[i]);
        EXPECT_STREQ(CVQCalc::s_tabpszNom[i], g_tabpszNoms[i]);
        void* pfn = dlsym(hVM(), g_tabpszNoms[i]);
        ASSERT_NE(pfn, nullptr);
        EXPECT_EQ(pfnLie(i), pfn);
    }
    EXPECT_EQ(CVQCalc::s_hInstanceVM, hVM());
    EXPECT_EQ(CVQCalc::s_nVersion, 2);
    EXPECT_EQ(CVQCalc::s_nCompatibilite, 2);
    EXPECT_TRUE(standin::GetVMCalls().empty());  // binding calls nothing
}

TEST_F(VQCalcBindingTest, RefusesOldVersionsAndLevelsBindingNothing) {
    struct Case {
        int nVersion, nCompatibilite;
    } aCases[] = {{1, 0}, {2, 3}, {1, 3}, {0, 0}};
    for (const Case& c : aCases) {
        SCOPED_TRACE(testing::Message() << c.nVersion << "/" << c.nCompatibilite);
        EXPECT_EQ(bInitVQCalcFromVM(hVM(), c.nVersion, c.nCompatibilite), 0);
        for (int i = 0; i < CVQCalc::NB_FONCTIONS; i++) EXPECT_EQ(pfnLie(i), nullptr);
        EXPECT_EQ(CVQCalc::s_hInstanceVM, nullptr);
    }
}

TEST_F(VQCalcBindingTest, ALastNameMissingLeavesTheOthersBound) {
    void* h = standin::hVMWithout("nModuloEx");
    ASSERT_NE(h, nullptr) << dlerror();
    EXPECT_EQ(bInitVQCalcFromVM(h, 2, 2), 0);
    for (int i = 0; i + 1 < CVQCalc::NB_FONCTIONS; i++) EXPECT_EQ(pfnLie(i), dlsym(h, g_tabpszNoms[i])) << i;
    EXPECT_EQ(pfnLie(CVQCalc::MODULO_EX), nullptr);
    EXPECT_EQ(CVQCalc::s_hInstanceVM, nullptr);  // the module is kept only when every name is found

    // Over an earlier full binding, the missing one keeps the earlier module's function.
    ASSERT_EQ(bInitVQCalcFromVM(hVM(), 2, 2), 1);
    EXPECT_EQ(bInitVQCalcFromVM(h, 2, 2), 0);
    EXPECT_EQ(pfnLie(CVQCalc::EGALITE), dlsym(h, "nEgaliteEx"));
    EXPECT_EQ(pfnLie(CVQCalc::MODULO_EX), dlsym(hVM(), "nModuloEx"));
    EXPECT_EQ(CVQCalc::s_hInstanceVM, hVM());
}

TEST_F(VQCalcBindingTest, PassesTheKeptBindingOnToAnotherModule) {
    void* hAutre = standin::hVMWithout("nModuloEx");
    ASSERT_NE(hAutre, nullptr) << dlerror();
    ASSERT_EQ(bInitVQCalcFromVM(hVM(), 4, 0), 1);
    int nAvant = standin::GetPartialInit(hAutre, 1).nCalls;
    EXPECT_EQ(bInitVQCalcFromServeur(hAutre), 7);
    standin::stPartialInit st = standin::GetPartialInit(hAutre, 1);
    EXPECT_EQ(st.nCalls, nAvant + 1);
    EXPECT_EQ(st.hInstanceVM, hVM());
    EXPECT_EQ(st.nVersion, 4);
    EXPECT_EQ(st.nCompatibilite, 0);
    EXPECT_EQ(bInitVQCalcFromServeur(hVM()), 1);
}

}  // namespace
