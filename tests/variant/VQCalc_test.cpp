// The host's operators: the binding the host makes with bInitVQCalcFromVM (the 30 names in their
// order, refusals, a name missing), passing it on to another module, and the operators on CAny
// values against the stand-in virtual machine (NULL rules, derived comparisons, results as values,
// arithmetic taking over the host's result) with the text dump of a value.
#include "variant/VQCalc.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>

#include "core/TString.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "variant/Any.h"
#include "variant/VQConv.h"

namespace {

// The host's names in the order the library binds them, written out here rather than read from the
// library's own table, so that a name changed or moved there is caught.
const char* const g_tabpszNoms[] = {
    "bCanCompareEx",
    "wAjouteEx",
    "wSoustraitEx",
    "wMultiplieEx",
    "wDiviseEx",
    "wModuloEx",
    "nComparaisonEx",
    "nEgaliteEx",
    "nSuperieurEx",
    "nInferieurEx",
    "nPresqueEgalEx",
    "nSoupleEgalEx",
    "nCommenceParEx",
    "nCommenceParSoupleEx",
    "nCommenceParTresSoupleEx",
    "nContientEx",
    "nContientSoupleEx",
    "nContientTresSoupleEx",
    "nTermineParEx",
    "nTermineParSoupleEx",
    "nTermineParTresSoupleEx",
    "nETLogiqueEx",
    "nOULogiqueEx",
    "nNONLogiqueEx",
    "nNegationEx",
    "nAdditionEx",
    "nSoustractionEx",
    "nMultiplicationEx",
    "nDivisionEx",
    "nModuloEx",
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

// ------------------------------------------------------------------------------------------------
// Operators on values through the bound stand-in VM
// ------------------------------------------------------------------------------------------------
class VQCalcOperatorTest : public VQCalcBindingTest {
protected:
    void SetUp() override {
        VQCalcBindingTest::SetUp();
        CVQConv::s_Reset();
        ASSERT_EQ(bInitVQCalcFromVM(hVM(), 2, 2), 1);
        ASSERT_EQ(bInitVQConvFromVM(hVM(), 2, 2), 1);
        standin::ResetVM();
    }
    void TearDown() override {
        CVQConv::s_Reset();
        VQCalcBindingTest::TearDown();
    }

    static CAny clI4(int n, unsigned short nFlags = 0) {
        CAny cl;
        cl.SetI4(n);
        cl.SetFlags(nFlags);
        return cl;
    }
    static CAny clTexte(const wchar_t* psz, unsigned short nFlags = 0) {
        CXYString<wchar_t> s(psz);
        CAny cl;
        cl.__SetType(VQTYPE_DSTRW, 0);
        cl.pclGetValeur()->SetValue(&s);
        cl.SetFlags(nFlags);
        return cl;
    }
    template <typename T>
    static T tLit(const CAny& cl) {
        T t;
        memcpy(&t, cl.pbyGetValeur(), sizeof(T));
        return t;
    }
    static std::wstring sTexte(const CAny& cl) {
        const wchar_t* psz = nullptr;
        return cl.pclGetValeur()->nGetPCWSTR(&psz) == 0 && psz != nullptr ? psz : L"<none>";
    }
};

typedef int (*PFNOPERATEUR)(const CAny&, const CAny&, int*, unsigned int);
typedef int (*PFNOPERATEURVALEUR)(const CAny&, const CAny&, CAny*, unsigned int);

struct stOperateur {
    const char* pszNom;
    PFNOPERATEUR pfn;
    PFNOPERATEURVALEUR pfnValeur;
    const char* pszHote;  // the host function it calls
};

const stOperateur g_astOperateurs[] = {
    {"nEgalite", nEgalite, nEgalite, "nEgaliteEx"},
    {"nSuperieur", nSuperieur, nSuperieur, "nSuperieurEx"},
    {"nInferieur", nInferieur, nInferieur, "nInferieurEx"},
    {"nPresqueEgal", nPresqueEgal, nPresqueEgal, "nPresqueEgalEx"},
    {"nSoupleEgal", nSoupleEgal, nSoupleEgal, "nSoupleEgalEx"},
    {"nCommencePar", nCommencePar, nCommencePar, "nCommenceParEx"},
    {"nCommenceParSouple", nCommenceParSouple, nCommenceParSouple, "nCommenceParSoupleEx"},
    {"nCommenceParTresSouple", nCommenceParTresSouple, nCommenceParTresSouple, "nCommenceParTresSoupleEx"},
    {"nContient", nContient, nContient, "nContientEx"},
    {"nContientSouple", nContientSouple, nContientSouple, "nContientSoupleEx"},
    {"nContientTresSouple", nContientTresSouple, nContientTresSouple, "nContientTresSoupleEx"},
    {"nTerminePar", nTerminePar, nTerminePar, "nTermineParEx"},
    {"nTermineParSouple", nTermineParSouple, nTermineParSouple, "nTermineParSoupleEx"},
    {"nTermineParTresSouple", nTermineParTresSouple, nTermineParTresSouple, "nTermineParTresSoupleEx"},
    {"nAnd", nAnd, nAnd, "nETLogiqueEx"},
    {"nOr", nOr, nOr, "nOULogiqueEx"},
    {"nDifferent", nDifferent, nDifferent, "nEgaliteEx"},
    {"nSupEgal", nSupEgal, nSupEgal, "nInferieurEx"},
    {"nInfEgal", nInfEgal, nInfEgal, "nSuperieurEx"},
    {"nCompare", nCompare, nullptr, "nComparaisonEx"},
};

TEST_F(VQCalcOperatorTest, EachOperatorCallsItsHostFunctionWithTheFullTypeWords) {
    CAny a = clTexte(L"Abc", VQTYPE_FLAG_0400), b = clTexte(L"ab");
    for (const stOperateur& st : g_astOperateurs) {
        SCOPED_TRACE(st.pszNom);
        standin::ResetVM();
        int n = -5;
        EXPECT_EQ(st.pfn(a, b, &n, 0x33), 0);
        EXPECT_NE(n, -5);
        auto tabCalls = standin::GetVMCalls();
        ASSERT_EQ(tabCalls.size(), 1u);
        EXPECT_EQ(tabCalls[0].sNom, st.pszHote);
        EXPECT_EQ(tabCalls[0].pA, a.pbyGetValeur());
        EXPECT_EQ(tabCalls[0].nTypeA, VQTYPE_DSTRW | VQTYPE_FLAG_0400);
        EXPECT_EQ(tabCalls[0].pB, b.pbyGetValeur());
        EXPECT_EQ(tabCalls[0].nTypeB, VQTYPE_DSTRW);
        EXPECT_EQ(tabCalls[0].dwFlags, 0x33u);
        EXPECT_EQ(tabCalls[0].pReserved, nullptr);
    }
}

TEST_F(VQCalcOperatorTest, ANullOperandIsRefusedBeforeTheHost) {
    for (const stOperateur& st : g_astOperateurs) {
        SCOPED_TRACE(st.pszNom);
        for (int bPremier : {1, 0}) {
            CAny a = clI4(1, bPremier ? VQTYPE_FLAG_NULL : 0), b = clI4(1, bPremier ? 0 : VQTYPE_FLAG_NULL);
            int n = 77;
            EXPECT_EQ(st.pfn(a, b, &n, 0), 103);
            EXPECT_EQ(n, 77);
            if (st.pfnValeur != nullptr) {
                CAny clResultat = clI4(9);
                EXPECT_EQ(st.pfnValeur(a, b, &clResultat, 0), 103);
                EXPECT_EQ(clResultat.nGetType(), VQTYPE_I4);
                EXPECT_EQ(tLit<int>(clResultat), 9);
            }
        }
    }
    CAny clNull = clI4(0, VQTYPE_FLAG_NULL), clResultat = clI4(9);
    int n = 77;
    EXPECT_EQ(nNot(clNull, &n, 0), 103);
    EXPECT_EQ(nNot(clNull, &clResultat, 0), 103);
    EXPECT_EQ(nCompare(clNull, clI4(1), &clResultat), 103);
    EXPECT_EQ(n, 77);
    EXPECT_EQ(tLit<int>(clResultat), 9);
    EXPECT_TRUE(standin::GetVMCalls().empty());
}

TEST_F(VQCalcOperatorTest, NegatedComparisonsStoreTheOpposite) {
    struct Case {
        PFNOPERATEUR pfn;
        int a, b;
        int nAttendu;
    } aCases[] = {
        {nSupEgal, 1, 2, 0}, {nSupEgal, 2, 2, 1}, {nSupEgal, 3, 2, 1},   {nInfEgal, 1, 2, 1},
        {nInfEgal, 2, 2, 1}, {nInfEgal, 3, 2, 0}, {nDifferent, 2, 2, 0}, {nDifferent, 2, 3, 1},
    };
    for (const Case& c : aCases) {
        int n = -1;
        EXPECT_EQ(c.pfn(clI4(c.a), clI4(c.b), &n, 0), 0);
        EXPECT_EQ(n, c.nAttendu) << c.a << " " << c.b;
    }
    // A failing host writes nothing into the local: the negation of 0 is stored with its code.
    standin::SetVMAnswer("nEgaliteEx", 200);
    int n = -1;
    EXPECT_EQ(nDifferent(clI4(2), clI4(2), &n, 0), 200);
    EXPECT_EQ(n, 1);
}

TEST_F(VQCalcOperatorTest, ValueResultsAreBooleansAndTheOrderingAnI4) {
    CAny clResultat = clI4(5, VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    EXPECT_EQ(nEgalite(clI4(3), clI4(3), &clResultat, 0), 0);
    EXPECT_EQ(clResultat.nGetType(), VQTYPE_BOOL);
    EXPECT_EQ(tLit<int>(clResultat), 1);

    EXPECT_EQ(nCompare(clI4(3), clI4(8), &clResultat), 0);
    EXPECT_EQ(clResultat.nGetType(), VQTYPE_I4);
    EXPECT_EQ(tLit<int>(clResultat), -1);
    EXPECT_EQ(standin::GetVMCalls().back().dwFlags, 0u);

    // Stored whatever the host answered.
    standin::SetVMAnswer("nSuperieurEx", 150);
    EXPECT_EQ(nSuperieur(clI4(9), clI4(1), &clResultat, 0), 150);
    EXPECT_EQ(clResultat.nGetType(), VQTYPE_BOOL);
    EXPECT_EQ(tLit<int>(clResultat), 0);
    standin::SetVMAnswer("nInferieurEx", 150);
    EXPECT_EQ(nSupEgal(clI4(9), clI4(1), &clResultat, 0), 150);
    EXPECT_EQ(tLit<int>(clResultat), 1);

    // The result may be an operand.
    CAny a = clI4(4);
    EXPECT_EQ(nEgalite(a, clI4(4), &a, 0), 0);
    EXPECT_EQ(a.nGetType(), VQTYPE_BOOL);
    EXPECT_EQ(tLit<int>(a), 1);
}

TEST_F(VQCalcOperatorTest, LogicalNot) {
    int n = -1;
    EXPECT_EQ(nNot(clI4(0, VQTYPE_FLAG_0400), &n, 7), 0);
    EXPECT_EQ(n, 1);
    auto tabCalls = standin::GetVMCalls();
    ASSERT_EQ(tabCalls.size(), 1u);
    EXPECT_EQ(tabCalls[0].sNom, "nNONLogiqueEx");
    EXPECT_EQ(tabCalls[0].nTypeA, VQTYPE_I4 | VQTYPE_FLAG_0400);
    EXPECT_EQ(tabCalls[0].dwFlags, 7u);
    CAny clResultat;
    EXPECT_EQ(nNot(clI4(3), &clResultat, 0), 0);
    EXPECT_EQ(clResultat.nGetType(), VQTYPE_BOOL);
    EXPECT_EQ(tLit<int>(clResultat), 0);
}

TEST_F(VQCalcOperatorTest, ArithmeticTakesOverTheHostsResult) {
    struct Case {
        PFNOPERATEURVALEUR pfn;
        const char* pszHote;
        int a, b, nAttendu;
    } aCases[] = {
        {nAjoute, "nAdditionEx", 2, 3, 5},         {nAjouteEx, "nAdditionEx", 2, 3, 5},
        {nSoustrait, "nSoustractionEx", 2, 3, -1}, {nMultiplie, "nMultiplicationEx", 4, 3, 12},
        {nDivise, "nDivisionEx", 9, 2, 4},         {nModulo, "nModuloEx", 9, 4, 1},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszHote);
        standin::ResetVM();
        CAny clResultat;
        EXPECT_EQ(c.pfn(clI4(c.a, VQTYPE_FLAG_0400), clI4(c.b), &clResultat, 0x21), 0);
        EXPECT_EQ(clResultat.nGetType(), VQTYPE_I4);
        EXPECT_EQ(tLit<int>(clResultat), c.nAttendu);
        auto tabCalls = standin::GetVMCalls();
        ASSERT_EQ(tabCalls.size(), 1u);
        EXPECT_EQ(tabCalls[0].sNom, c.pszHote);
        EXPECT_EQ(tabCalls[0].nTypeA, VQTYPE_I4);  // the codes only
        EXPECT_EQ(tabCalls[0].dwFlags, 0x21u);
    }
}

TEST_F(VQCalcOperatorTest, ArithmeticOnNullOperandsGivesANullResult) {
    CAny clResultat;
    EXPECT_EQ(nAjoute(clI4(2, VQTYPE_FLAG_NULL), clI4(3), &clResultat, 0), 0);
    EXPECT_EQ(clResultat.nGetType(), VQTYPE_I4 | VQTYPE_FLAG_NULL);
    EXPECT_EQ(tLit<int>(clResultat), 5);
    EXPECT_EQ(standin::GetVMCalls()[0].sA, L"2");  // the host did see the NULL operand

    // Into an operand: the flag is read before the result replaces it.
    CAny a = clI4(2, VQTYPE_FLAG_NULL);
    EXPECT_EQ(nMultiplie(a, clI4(3), &a, 0), 0);
    EXPECT_EQ(a.nGetType(), VQTYPE_I4 | VQTYPE_FLAG_NULL);
    EXPECT_EQ(tLit<int>(a), 6);
}

TEST_F(VQCalcOperatorTest, AHostArithmeticErrorLeavesTheResult) {
    CAny clResultat = clTexte(L"kept");
    EXPECT_EQ(nDivise(clI4(1), clI4(0), &clResultat, 0), 152);  // the stand-in's division by zero
    EXPECT_EQ(sTexte(clResultat), L"kept");
    CAny a = clI4(4);
    EXPECT_EQ(nIncrementeNumerique(&a, clTexte(L"x")), 150);
    EXPECT_EQ(tLit<int>(a), 4);
}

TEST_F(VQCalcOperatorTest, TextResultsBelongToTheResultAlone) {
    // The host makes a shared text; the result takes it over without another reference (the test
    // main fails a test that leaves a shared buffer alive).
    CAny clResultat;
    EXPECT_EQ(nAjoute(clTexte(L"ab"), clTexte(L"cd"), &clResultat, 0), 0);
    EXPECT_EQ(clResultat.nGetType(), VQTYPE_DSTRW);
    EXPECT_EQ(sTexte(clResultat), L"abcd");

    CAny a = clTexte(L"ab");
    EXPECT_EQ(nIncrementeNumerique(&a, clTexte(L"cd")), 0);
    EXPECT_EQ(sTexte(a), L"abcd");
}

TEST_F(VQCalcOperatorTest, Negation) {
    CAny clResultat = clTexte(L"old");
    EXPECT_EQ(nNegatif(clI4(5, VQTYPE_FLAG_NULL), &clResultat, 3), 0);
    EXPECT_EQ(clResultat.nGetType(), VQTYPE_I4 | VQTYPE_FLAG_NULL);
    EXPECT_EQ(tLit<int>(clResultat), -5);
    auto tabCalls = standin::GetVMCalls();
    ASSERT_EQ(tabCalls.size(), 1u);
    EXPECT_EQ(tabCalls[0].sNom, "nNegationEx");
    EXPECT_EQ(tabCalls[0].pResult, clResultat.pbyGetValeur());  // written straight into the result
    EXPECT_EQ(tabCalls[0].dwFlags, 3u);

    // Onto itself, a NULL value is negated, not rebuilt as a new 0 first.
    CAny a = clI4(7, VQTYPE_FLAG_NULL);
    EXPECT_EQ(nNegatif(a, &a, 0), 0);
    EXPECT_EQ(a.nGetType(), VQTYPE_I4 | VQTYPE_FLAG_NULL);
    EXPECT_EQ(tLit<int>(a), -7);

    // On an error the result keeps a's type.
    standin::SetVMAnswer("nNegationEx", 300);
    EXPECT_EQ(nNegatif(clI4(5), &clResultat, 0), 300);
    EXPECT_EQ(clResultat.nGetType(), VQTYPE_I4);
}

TEST_F(VQCalcOperatorTest, NegationReleasesWhatTheHostWritesOver) {
    // The host makes the negated decimal and writes it where the result's own decimal was: that
    // one goes back to the factory, whether the result was just made a decimal or already was one.
    long nAvant = standin::nGetLiveDecimals();
    {
        CAny a = clI4(2);
        ASSERT_EQ(a.__nCastTo(VQTYPE_DECIMAL, nullptr, 1), 0);
        CAny clResultat = clI4(9);
        for (int i = 0; i < 2; i++) {
            EXPECT_EQ(nNegatif(a, &clResultat, 0), 0);
            ASSERT_EQ(clResultat.nGetType(), VQTYPE_DECIMAL);
            EXPECT_EQ(standin::nGetDecimalValue(tLit<IDecimalVQ*>(clResultat)), -2);
            EXPECT_EQ(standin::nGetLiveDecimals(), nAvant + 2);  // a's and the result's
        }
        EXPECT_EQ(nNegatif(a, &a, 0), 0);
        EXPECT_EQ(standin::nGetDecimalValue(tLit<IDecimalVQ*>(a)), -2);
        EXPECT_EQ(standin::nGetLiveDecimals(), nAvant + 2);
    }
    EXPECT_EQ(standin::nGetLiveDecimals(), nAvant);
}

TEST_F(VQCalcOperatorTest, PositiveIsACopy) {
    CAny clResultat;
    EXPECT_EQ(nPositif(clTexte(L"t", VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400), &clResultat, 0), 0);
    EXPECT_EQ(clResultat.nGetType(), VQTYPE_DSTRW | VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    EXPECT_EQ(sTexte(clResultat), L"t");
    EXPECT_EQ(nPositif(clResultat, &clResultat, 0), 0);
    EXPECT_EQ(sTexte(clResultat), L"t");
    EXPECT_TRUE(standin::GetVMCalls().empty());
}

TEST_F(VQCalcOperatorTest, IncrementAndDecrementInPlace) {
    CAny a = clI4(2, VQTYPE_FLAG_NULL | VQTYPE_FLAG_0400);
    EXPECT_EQ(nIncrementeNumerique(&a, clI4(3)), 0);
    EXPECT_EQ(a.nGetType(), VQTYPE_I4 | VQTYPE_FLAG_NULL);
    EXPECT_EQ(tLit<int>(a), 5);
    EXPECT_EQ(standin::GetVMCalls()[0].dwFlags, 0u);

    CAny b = clI4(3, VQTYPE_FLAG_0400);
    EXPECT_EQ(nDecrementeNumerique(&b, clI4(10)), 0);
    EXPECT_EQ(b.nGetType(), VQTYPE_I4);
    EXPECT_EQ(tLit<int>(b), -7);
}

TEST_F(VQCalcOperatorTest, ADecimalSumGetsItsOwnCopyOfTheHostsDecimal) {
    long nAvant = standin::nGetLiveDecimals();
    {
        CAny a = clI4(2);
        ASSERT_EQ(a.__nCastTo(VQTYPE_DECIMAL, nullptr, 1), 0);
        EXPECT_EQ(nIncrementeNumerique(&a, clI4(3)), 0);
        ASSERT_EQ(a.nGetType(), VQTYPE_DECIMAL);
        IDecimalVQ* pi = tLit<IDecimalVQ*>(a);
        EXPECT_EQ(standin::nGetDecimalValue(pi), 5);
        EXPECT_EQ(standin::nGetLiveDecimals(), nAvant + 1);  // the host's went back to the factory
    }
    EXPECT_EQ(standin::nGetLiveDecimals(), nAvant);
}

TEST_F(VQCalcOperatorTest, UnboundOperatorsWriteNothing) {
    CVQCalc::s_Reset();
    CAny a = clI4(1), b = clI4(2), clResultat = clI4(9);
    int n = 77;
    for (const stOperateur& st : g_astOperateurs) {
        EXPECT_EQ(st.pfn(a, b, &n, 0), 105) << st.pszNom;
        if (st.pfnValeur != nullptr) {
            EXPECT_EQ(st.pfnValeur(a, b, &clResultat, 0), 105) << st.pszNom;
        }
    }
    EXPECT_EQ(nCompare(a, b, &clResultat), 105);
    EXPECT_EQ(nNot(a, &n, 0), 105);
    EXPECT_EQ(nNot(a, &clResultat, 0), 105);
    EXPECT_EQ(nAjoute(a, b, &clResultat, 0), 105);
    EXPECT_EQ(nNegatif(a, &clResultat, 0), 105);
    EXPECT_EQ(nIncrementeNumerique(&a, b), 105);
    EXPECT_EQ(n, 77);
    EXPECT_EQ(clResultat.nGetType(), VQTYPE_I4);
    EXPECT_EQ(tLit<int>(clResultat), 9);
    EXPECT_EQ(tLit<int>(a), 1);
}

// ------------------------------------------------------------------------------------------------
// Text dump
// ------------------------------------------------------------------------------------------------
TEST_F(VQCalcOperatorTest, DumpOfAValue) {
    struct Case {
        const char* pszNom;
        CAny cl;
        const wchar_t* pszPrefixe;
        int bDetail;
        std::wstring sAttendu;
    } aCases[] = {
        {"empty", CAny(), L"p:", 1, L"p:<Empty>"},
        {"NULL I4", clI4(3, VQTYPE_FLAG_NULL), L"p:", 1, L"p:Type=8, Len=4, Value=<NULL>"},
        {"NULL I4 plain", clI4(3, VQTYPE_FLAG_NULL), nullptr, 0, L"<NULL>"},
        {"I4", clI4(42), L"v=", 0, L"v=42"},
        {"I4 detail", clI4(42), L"", 1, L"Type=8, Len=4, Value=42, Value(binary)=2A000000"},
        {"text detail", clTexte(L"hé"), L"", 1, L"Type=16, Len=12, Value=hé, Value(binary)=68000000E900000000000000"},
    };
    for (Case& c : aCases) {
        SCOPED_TRACE(c.pszNom);
        CXYString<wchar_t> s(L"previous");
        EXPECT_EQ(nGetString(&s, c.cl, c.pszPrefixe, c.bDetail), 0);
        EXPECT_EQ(std::wstring(s.pszGet()), c.sAttendu);
        CTString clTexte;
        EXPECT_EQ(nGetString(&clTexte, c.cl, c.pszPrefixe, c.bDetail), 0);
        EXPECT_EQ(std::wstring(clTexte.pszGet() != nullptr ? clTexte.pszGet() : L""), c.sAttendu);
    }
    CXYString<wchar_t> s;
    EXPECT_EQ(nGetString(&s, static_cast<const CAny*>(nullptr), L"x:", 1), 0);
    EXPECT_EQ(std::wstring(s.pszGet()), L"x:<NULL>");
}

TEST_F(VQCalcOperatorTest, DumpOfLongBinaryShowsItsFirst500Bytes) {
    std::vector<unsigned char> tab(600);
    for (size_t i = 0; i < tab.size(); i++) tab[i] = static_cast<unsigned char>(i);
    CAny cl;
    cl.SetBIN(tab.data(), tab.size());
    CXYString<wchar_t> s;
    EXPECT_EQ(nGetString(&s, cl, L"", 1), 0);
    std::wstring sTexte = s.pszGet();
    const std::wstring sDebut = L"Type=28, Len=600, Value=bin:600, Value(binary)=(first 500 bytes only) ";
    ASSERT_EQ(sTexte.substr(0, sDebut.size()), sDebut);
    std::wstring sHexa = sTexte.substr(sDebut.size());
    EXPECT_EQ(sHexa.size(), 1000u);
    EXPECT_EQ(sHexa.substr(0, 8), L"00010203");
    EXPECT_EQ(sHexa.substr(992), L"F0F1F2F3");
}

TEST_F(VQCalcOperatorTest, DumpReportsAFailedConversion) {
    standin::SetVMAnswer("nConversionDepassementExt", 140);
    CXYString<wchar_t> s;
    EXPECT_EQ(nGetString(&s, clI4(1), L"p:", 0), 140);
    EXPECT_EQ(std::wstring(s.pszGet()), L"p:<ERROR>");
    CVQConv::s_Reset();
    EXPECT_EQ(nGetString(&s, clI4(1), L"p:", 1), 105);
    EXPECT_EQ(std::wstring(s.pszGet()), L"p:Type=8, Len=4, Value=<ERROR>");
}

TEST_F(VQCalcOperatorTest, DumpWantsAPlainWideTextFromTheConversion) {
    // The second flag travels through the conversion, so the copy's type word is not exactly a
    // wide text: nothing is read from it.
    CXYString<wchar_t> s;
    EXPECT_EQ(nGetString(&s, clI4(1, VQTYPE_FLAG_0400), L"p:", 0), 105);
    EXPECT_EQ(std::wstring(s.pszGet()), L"p:<ERROR>");
}

}  // namespace
