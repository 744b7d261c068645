// The binding to the host's operators (CVQCalc) and the exported entry through which the host
// makes it.
#include "variant/VQCalc.h"

#include <dlfcn.h>

const char* const CVQCalc::s_tabpszNom[CVQCalc::NB_FONCTIONS] = {
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

PFNVM CVQCalc::s_tabpfn[CVQCalc::NB_FONCTIONS] = {};
HINSTANCE CVQCalc::s_hInstanceVM = nullptr;
int CVQCalc::s_nVersion = 0;
int CVQCalc::s_nCompatibilite = 0;

int CVQCalc::bInitFromVM(HINSTANCE hInstanceVM, int nVersion, int nCompatibilite) {
    if (nCompatibilite >= 3 || nVersion < 2) return 0;
    for (int i = 0; i < NB_FONCTIONS; i++) {
        void* pfn = dlsym(hInstanceVM, s_tabpszNom[i]);
        if (pfn == nullptr) return 0;
        s_tabpfn[i] = reinterpret_cast<PFNVM>(pfn);
    }
    s_hInstanceVM = hInstanceVM;
    s_nVersion = nVersion;
    s_nCompatibilite = nCompatibilite;
    return 1;
}

void CVQCalc::s_Reset() {
    for (PFNVM& pfn : s_tabpfn) pfn = nullptr;
    s_hInstanceVM = nullptr;
    s_nVersion = 0;
    s_nCompatibilite = 0;
}

extern "C" int bInitVQCalcFromVM(HINSTANCE hInstanceVM, int nVersion, int nCompatibilite) {
    return CVQCalc::bInitFromVM(hInstanceVM, nVersion, nCompatibilite);
}

int bInitVQCalcFromServeur(HINSTANCE hInstance) {
    typedef int (*PFNINITFROMVM)(HINSTANCE, int, int);
    auto pfnInit = reinterpret_cast<PFNINITFROMVM>(dlsym(hInstance, "bInitVQCalcFromVM"));
    if (pfnInit == nullptr) return 1;
    return pfnInit(CVQCalc::s_hInstanceVM, CVQCalc::s_nVersion, CVQCalc::s_nCompatibilite);
}
