// A virtual machine module that lacks one of the names the library binds: built once per missing
// name (STANDIN_VM_WITHOUT_<name>), with every other name present. It links nothing, so that a
// lookup in it can find only its own names. The functions are never meant to be called through
// their real forms: a test compares the library's bound pointers with this module's symbols, and
// reads how often pQueryProxy was asked through "StandInVMPartial_nQueryProxyCalls". The module also
// has its own bInitVQConvFromVM and bInitVQCalcFromVM, as a module that takes the library's binding
// on has; they record what they were given ("StandInVMPartial_GetInit").
#define STANDIN_PARTIAL_API extern "C" __attribute__((visibility("default")))

namespace {
int g_nQueryProxyCalls = 0;
// Last arguments of the two binding entries: [0] conversion, [1] calculator.
struct stInit {
    void* hInstanceVM;
    int nVersion;
    int nCompatibilite;
    int nCalls;
} g_astInit[2] = {};

int nInit(int i, void* hInstanceVM, int nVersion, int nCompatibilite) {
    g_astInit[i] = {hInstanceVM, nVersion, nCompatibilite, g_astInit[i].nCalls + 1};
    return 7;  // neither 0 nor 1: the caller's answer must be this one
}
}  // namespace

STANDIN_PARTIAL_API int StandInVMPartial_nQueryProxyCalls() {
    return g_nQueryProxyCalls;
}
// Arguments of the last call of bInitVQConvFromVM (i = 0) or bInitVQCalcFromVM (i = 1); the number of calls.
STANDIN_PARTIAL_API int StandInVMPartial_GetInit(int i, void** phInstanceVM, int* pnVersion, int* pnCompatibilite) {
    *phInstanceVM = g_astInit[i].hInstanceVM;
    *pnVersion = g_astInit[i].nVersion;
    *pnCompatibilite = g_astInit[i].nCompatibilite;
    return g_astInit[i].nCalls;
}
STANDIN_PARTIAL_API int bInitVQConvFromVM(void* hInstanceVM, int nVersion, int nCompatibilite) {
    return nInit(0, hInstanceVM, nVersion, nCompatibilite);
}
STANDIN_PARTIAL_API int bInitVQCalcFromVM(void* hInstanceVM, int nVersion, int nCompatibilite) {
    return nInit(1, hInstanceVM, nVersion, nCompatibilite);
}

#ifndef STANDIN_VM_WITHOUT_pQueryProxy
STANDIN_PARTIAL_API void* pQueryProxy(int) {
    static int s_nDecimalFactory = 0;  // what it answers: an address no one dereferences
    g_nQueryProxyCalls++;
    return &s_nDecimalFactory;
}
#endif

#define STANDIN_PARTIAL_NAME(nom)   \
    STANDIN_PARTIAL_API int nom() { \
        return 0;                   \
    }

#ifndef STANDIN_VM_WITHOUT_nConversionDepassementExt
STANDIN_PARTIAL_NAME(nConversionDepassementExt)
#endif
#ifndef STANDIN_VM_WITHOUT_FinConversion
STANDIN_PARTIAL_NAME(FinConversion)
#endif
STANDIN_PARTIAL_NAME(bCanCompareEx)
STANDIN_PARTIAL_NAME(wAjouteEx)
STANDIN_PARTIAL_NAME(wSoustraitEx)
STANDIN_PARTIAL_NAME(wMultiplieEx)
STANDIN_PARTIAL_NAME(wDiviseEx)
STANDIN_PARTIAL_NAME(wModuloEx)
STANDIN_PARTIAL_NAME(nComparaisonEx)
STANDIN_PARTIAL_NAME(nEgaliteEx)
STANDIN_PARTIAL_NAME(nSuperieurEx)
STANDIN_PARTIAL_NAME(nInferieurEx)
STANDIN_PARTIAL_NAME(nPresqueEgalEx)
STANDIN_PARTIAL_NAME(nSoupleEgalEx)
STANDIN_PARTIAL_NAME(nCommenceParEx)
STANDIN_PARTIAL_NAME(nCommenceParSoupleEx)
STANDIN_PARTIAL_NAME(nCommenceParTresSoupleEx)
STANDIN_PARTIAL_NAME(nContientEx)
STANDIN_PARTIAL_NAME(nContientSoupleEx)
STANDIN_PARTIAL_NAME(nContientTresSoupleEx)
STANDIN_PARTIAL_NAME(nTermineParEx)
STANDIN_PARTIAL_NAME(nTermineParSoupleEx)
STANDIN_PARTIAL_NAME(nTermineParTresSoupleEx)
STANDIN_PARTIAL_NAME(nETLogiqueEx)
STANDIN_PARTIAL_NAME(nOULogiqueEx)
STANDIN_PARTIAL_NAME(nNONLogiqueEx)
STANDIN_PARTIAL_NAME(nNegationEx)
STANDIN_PARTIAL_NAME(nAdditionEx)
STANDIN_PARTIAL_NAME(nSoustractionEx)
STANDIN_PARTIAL_NAME(nMultiplicationEx)
STANDIN_PARTIAL_NAME(nDivisionEx)
#ifndef STANDIN_VM_WITHOUT_nModuloEx
STANDIN_PARTIAL_NAME(nModuloEx)
#endif
