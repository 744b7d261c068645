// Conversions through the host: the binding the host makes with bInitVQConvFromVM (refusals, names
// missing, the decimal factory asked once), passing it on to another module, and the calling
// protocol of the CAny conversions against the stand-in virtual machine.
#include "variant/VQConv.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/BaseStrMem.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "variant/Any.h"

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

// A module without "pQueryProxy" takes the conversions over: the factory of the module bound
// before must go with them, or decimals would be made by, and handed back to, a factory whose
// module may be gone. A binding refused before anything is taken over keeps the earlier one whole.
TEST_F(VQConvBindingTest, ARefusedBindingLeavesNoFactoryOfAnotherModule) {
    ASSERT_EQ(bInitVQConvFromVM(hVM(), 2, 2), 1);
    ASSERT_EQ(CVQConv::s_piDecimalFactory, standin::piGetDecimalFactory());

    // Refused at once (version, level, a conversion name missing): the earlier binding stays.
    void* hSansFin = standin::hVMWithout("FinConversion");
    ASSERT_NE(hSansFin, nullptr) << dlerror();
    EXPECT_EQ(bInitVQConvFromVM(hVM(), 1, 0), 0);
    EXPECT_EQ(bInitVQConvFromVM(hSansFin, 2, 2), 0);
    EXPECT_EQ(CVQConv::s_hInstanceVM, hVM());
    EXPECT_EQ(CVQConv::s_piDecimalFactory, standin::piGetDecimalFactory());

    void* hSansProxy = standin::hVMWithout("pQueryProxy");
    ASSERT_NE(hSansProxy, nullptr) << dlerror();
    EXPECT_EQ(bInitVQConvFromVM(hSansProxy, 2, 2), 0);
    EXPECT_EQ(CVQConv::s_hInstanceVM, hSansProxy);
    EXPECT_EQ(CVQConv::s_piDecimalFactory, nullptr);
    // No decimal is made or handed back any more.
    const long nVivants = standin::nGetLiveDecimals();
    EXPECT_EQ(CVQConv::s_piNewDecimal(), nullptr);
    IDecimalVQ* piDecimal = standin::piNewDecimal(3);
    CVQConv::s_ReleaseDecimal(piDecimal);
    EXPECT_EQ(standin::nGetLiveDecimals(), nVivants + 1);
    standin::piGetDecimalFactory()->vReleaseDecimal(piDecimal);
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

// ------------------------------------------------------------------------------------------------
// Conversions of values through the bound stand-in VM
// ------------------------------------------------------------------------------------------------
class VQConvCastTest : public VQConvBindingTest {
protected:
    void SetUp() override {
        VQConvBindingTest::SetUp();
        ASSERT_EQ(bInitVQConvFromVM(hVM(), 2, 2), 1);
        standin::ResetVM();
        m_nResultatsVivants = standin::nGetLiveConversionResults();
    }
    void TearDown() override {
        // Whatever the host made for a conversion went back to it.
        EXPECT_EQ(standin::nGetLiveConversionResults(), m_nResultatsVivants);
        VQConvBindingTest::TearDown();
    }

    static std::wstring sTexte(const CAny& cl) {
        const wchar_t* psz = nullptr;
        if (cl.pclGetValeur()->nGetPCWSTR(&psz) != 0 || psz == nullptr) return L"<none>";
        return psz;
    }
    static int nI4(const CAny& cl) {
        int n = 0;
        memcpy(&n, cl.pbyGetValeur(), sizeof(n));
        return n;
    }

    long m_nResultatsVivants = 0;
};

TEST_F(VQConvCastTest, ToItsOwnTypeChangesNothingAndCallsNoHost) {
    for (unsigned short nFlags : {0, 0x100, 0x400, 0x500}) {
        CAny cl;
        cl.SetI4(12);
        cl.SetFlags(nFlags);
        EXPECT_EQ(cl.__nCastTo(VQTYPE_I4, nullptr, 1), 0);
        EXPECT_EQ(cl.nGetType(), VQTYPE_I4 | nFlags);
        EXPECT_EQ(nI4(cl), 12);
    }
    EXPECT_TRUE(standin::GetVMCalls().empty());
}

TEST_F(VQConvCastTest, HandsTheValueAreaToTheHostAndReleasesWhatItMade) {
    CAny cl;
    cl.SetI4(42);
    cl.SetFlags(VQTYPE_FLAG_NULL);
    STOCAW stCaw{1252};
    EXPECT_EQ(cl.__nCastTo(VQTYPE_PSTRW, &stCaw, 1), 0);
    // A NULL value stays NULL and holds the host's text for the stored number.
    EXPECT_EQ(cl.nGetType(), VQTYPE_PSTRW | VQTYPE_FLAG_NULL);
    EXPECT_EQ(sTexte(cl), L"42");

    auto tabCalls = standin::GetVMCalls();
    ASSERT_EQ(tabCalls.size(), 2u);
    EXPECT_EQ(tabCalls[0].sNom, "nConversionDepassementExt");
    EXPECT_EQ(tabCalls[0].nTypeA, VQTYPE_I4);  // the code only, never the flags
    EXPECT_EQ(tabCalls[0].nTypeB, VQTYPE_PSTRW);
    EXPECT_EQ(tabCalls[0].dwFlags, 1u);
    EXPECT_EQ(tabCalls[0].pstCaw, &stCaw);
    EXPECT_EQ(tabCalls[0].sA, L"42");
    EXPECT_EQ(tabCalls[1].sNom, "FinConversion");
    EXPECT_EQ(tabCalls[1].pB, tabCalls[0].pB);  // the same destination area
    EXPECT_EQ(tabCalls[1].nTypeB, VQTYPE_PSTRW);
}

TEST_F(VQConvCastTest, CarriesBothFlagsAndTakesEveryResultLayout) {
    struct Case {
        unsigned short nType;
        std::wstring sAttendu;  // the converted value read back as text by the host
    } aCases[] = {
        {VQTYPE_I8, L"-7"},    {VQTYPE_R8, L"-7"},    {VQTYPE_DSTRW, L"-7"},   {VQTYPE_DSTRA, L"-7"},
        {VQTYPE_PSTRA, L"-7"}, {VQTYPE_PSTRW, L"-7"}, {VQTYPE_DECIMAL, L"-7"},
    };
    long nDecimaux = standin::nGetLiveDecimals();
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.nType);
        {
            CAny cl;
            cl.SetI4(-7);
            cl.SetFlags(VQTYPE_FLAG_0400);
            ASSERT_EQ(cl.__nCastTo(c.nType, nullptr, 1), 0);
            EXPECT_EQ(cl.nGetType(), c.nType | VQTYPE_FLAG_0400);
            // Converting back to I4 shows what the value holds, through the host's eyes.
            standin::ResetVM();
            ASSERT_EQ(cl.__nCastTo(VQTYPE_I4, nullptr, 1), 0);
            EXPECT_EQ(standin::GetVMCalls()[0].sA, c.sAttendu);
            EXPECT_EQ(nI4(cl), -7);
        }
        EXPECT_EQ(standin::nGetLiveDecimals(), nDecimaux);  // the value's own decimal went with it
    }
}

TEST_F(VQConvCastTest, ASharedTextResultIsSharedOnceTheHostLetsGo) {
    CAny cl;
    cl.SetI4(5);
    ASSERT_EQ(cl.__nCastTo(VQTYPE_DSTRW, nullptr, 1), 0);
    const wchar_t* psz = nullptr;
    ASSERT_EQ(cl.pclGetValeur()->nGetPCWSTR(&psz), 0);
    EXPECT_EQ(CBaseStrMem::s_nGetCount(psz), 1u);
}

TEST_F(VQConvCastTest, AHostErrorLeavesValueTypeAndFlags) {
    for (int nCode : {100, 150, 9999}) {
        standin::SetVMAnswer("nConversionDepassementExt", nCode);
        CAny cl;
        cl.SetI4(3);
        cl.SetFlags(VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
        EXPECT_EQ(cl.__nCastTo(VQTYPE_PSTRW, nullptr, 1), nCode);
        EXPECT_EQ(cl.nGetType(), VQTYPE_I4 | VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
        EXPECT_EQ(nI4(cl), 3);
    }
    EXPECT_EQ(standin::nGetVMCalls("FinConversion"), 0);
}

TEST_F(VQConvCastTest, AHostSuccessCodeIsPassedOn) {
    standin::SetVMAnswer("nConversionDepassementExt", 99);
    CAny cl;
    cl.SetI4(8);
    EXPECT_EQ(cl.__nCastTo(VQTYPE_I8, nullptr, 1), 99);
    EXPECT_EQ(cl.nGetType(), VQTYPE_I8);
}

TEST_F(VQConvCastTest, UnboundConversionLeavesTheValue) {
    CVQConv::s_Reset();
    CAny cl;
    cl.SetI4(3);
    EXPECT_EQ(cl.__nCastTo(VQTYPE_PSTRW, nullptr, 1), 105);
    EXPECT_EQ(cl.nGetType(), VQTYPE_I4);
    EXPECT_EQ(nI4(cl), 3);
}

TEST_F(VQConvCastTest, WideTextIntoAnyLayout) {
    int n = 0;
    EXPECT_EQ(CAny::__s_nCastTo(&n, L"123", VQTYPE_I4, nullptr), 0);
    EXPECT_EQ(n, 123);
    uint32_t adw[2] = {};
    EXPECT_EQ(CAny::__s_nCastTo(adw, L"20240229134500120", VQTYPE_DATETIME, nullptr), 0);
    EXPECT_EQ(adw[0], 0x07E8021Du);
    EXPECT_EQ(adw[1], 49500120u);
    auto tabCalls = standin::GetVMCalls();
    ASSERT_EQ(tabCalls.size(), 2u);  // no release: the caller owns what the host wrote
    EXPECT_EQ(tabCalls[0].nTypeA, VQTYPE_PSTRW);
    EXPECT_EQ(tabCalls[0].sA, L"123");
    EXPECT_EQ(tabCalls[0].dwFlags, 1u);
    EXPECT_EQ(CAny::__s_nCastTo(&n, L"douze", VQTYPE_I4, nullptr), 150);  // the host's own error
}

// A number past 64 bits (a PostgreSQL numeric) reads as the real it is, and no integer holds it.
TEST_F(VQConvCastTest, TextOfANumberPast64BitsIsARealNotACappedInteger) {
    const std::wstring sGrand = L"1" + std::wstring(30, L'0');
    double d = 0;
    EXPECT_EQ(CAny::__s_nCastTo(&d, sGrand.c_str(), VQTYPE_R8, nullptr), 0);
    EXPECT_DOUBLE_EQ(d, 1e30);
    int64_t n = 0;
    EXPECT_EQ(CAny::__s_nCastTo(&n, sGrand.c_str(), VQTYPE_I8, nullptr), 150);
}

TEST_F(VQConvCastTest, CastToStringKeepsATextAndConvertsTheRest) {
    {
        CXYString<wchar_t> s(L"abc");
        CAny cl;
        cl.__SetType(VQTYPE_DSTRW, 0);
        cl.pclGetValeur()->SetValue(&s);
        const wchar_t* psz = nullptr;
        EXPECT_EQ(cl.__nCastToString(&psz, nullptr), 0);
        EXPECT_STREQ(psz, L"abc");
        EXPECT_EQ(cl.nGetType(), VQTYPE_DSTRW);
    }
    {
        CXYString<char> s("abc");
        CAny cl;
        cl.__SetType(VQTYPE_DSTRA, 0);
        cl.pclGetValeur()->SetValue(&s);
        const char* psz = nullptr;
        EXPECT_EQ(cl.__nCastToString(&psz, nullptr), 0);
        EXPECT_STREQ(psz, "abc");
    }
    EXPECT_TRUE(standin::GetVMCalls().empty());

    CAny cl;
    cl.SetI4(5);
    const char* psz = nullptr;
    EXPECT_EQ(cl.__nCastToString(&psz, nullptr), 0);
    EXPECT_EQ(cl.nGetType(), VQTYPE_DSTRA);
    EXPECT_STREQ(psz, "5");

    cl.SetI4(6);
    const wchar_t* pszW = nullptr;
    EXPECT_EQ(cl.__nCastToString(&pszW, nullptr), 0);
    EXPECT_EQ(cl.nGetType(), VQTYPE_DSTRW);
    EXPECT_STREQ(pszW, L"6");

    // Without an output the value is converted all the same; a host error is returned as it is.
    cl.SetI4(7);
    EXPECT_EQ(cl.__nCastToString(static_cast<const wchar_t**>(nullptr), nullptr), 0);
    EXPECT_EQ(cl.nGetType(), VQTYPE_DSTRW);
    standin::SetVMAnswer("nConversionDepassementExt", 120);
    cl.SetI4(8);
    pszW = L"untouched";
    EXPECT_EQ(cl.__nCastToString(&pszW, nullptr), 120);
    EXPECT_STREQ(pszW, L"untouched");
    EXPECT_EQ(cl.nGetType(), VQTYPE_I4);
}

}  // namespace
