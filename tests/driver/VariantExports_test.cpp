// The two entries through which the host binds its conversions and operators, as the host calls
// them: found by plain name in the driver library loaded with dlopen, given the module of the
// stand-in virtual machine (or one that lacks a name).
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "tests/driver/DriverLibrary.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"

namespace {

typedef int (*PFNINITFROMVM)(void*, int, int);

class VariantExportsTest : public CDriverLibraryTest {
protected:
    void SetUp() override {
        ASSERT_NE(s_hDriver, nullptr);
        KXInstallStandInHost();
        standin::ResetVM();
        m_pfnConv = pfnFind<PFNINITFROMVM>("bInitVQConvFromVM");
        m_pfnCalc = pfnFind<PFNINITFROMVM>("bInitVQCalcFromVM");
        ASSERT_NE(m_pfnConv, nullptr);
        ASSERT_NE(m_pfnCalc, nullptr);
    }

    PFNINITFROMVM m_pfnConv = nullptr;
    PFNINITFROMVM m_pfnCalc = nullptr;
};

TEST_F(VariantExportsTest, ConversionBinding) {
    void* hVM = standin::hGetModule();
    EXPECT_EQ(m_pfnConv(hVM, 1, 0), 0);
    EXPECT_EQ(m_pfnConv(hVM, 2, 3), 0);
    EXPECT_EQ(standin::nGetVMCalls("pQueryProxy"), 0);

    EXPECT_EQ(m_pfnConv(hVM, 2, 2), 1);
    auto tabCalls = standin::GetVMCalls();
    ASSERT_EQ(tabCalls.size(), 1u);
    EXPECT_EQ(tabCalls[0].sNom, "pQueryProxy");
    EXPECT_EQ(tabCalls[0].nProxy, 102);

    void* hSansFin = standin::hVMWithout("FinConversion");
    ASSERT_NE(hSansFin, nullptr) << dlerror();
    EXPECT_EQ(m_pfnConv(hSansFin, 2, 2), 0);
    EXPECT_EQ(standin::nPartialQueryProxyCalls(hSansFin), 0);
}

TEST_F(VariantExportsTest, CalculatorBinding) {
    void* hVM = standin::hGetModule();
    EXPECT_EQ(m_pfnCalc(hVM, 2, 2), 1);
    EXPECT_EQ(m_pfnCalc(hVM, 2, 3), 0);
    EXPECT_EQ(m_pfnCalc(hVM, 1, 0), 0);
    void* hSansModulo = standin::hVMWithout("nModuloEx");
    ASSERT_NE(hSansModulo, nullptr) << dlerror();
    EXPECT_EQ(m_pfnCalc(hSansModulo, 2, 2), 0);
    EXPECT_TRUE(standin::GetVMCalls().empty());
}

}  // namespace
