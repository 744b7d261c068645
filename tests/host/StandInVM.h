// Control of the stand-in virtual machine: the emulated host's VM (host/EmulatedVM.h) with the
// records and forced answers only tests need on top. Every call is recorded while recording is on,
// and a test can tell a function what to answer.
#pragma once

#include <dlfcn.h>

#include <string>
#include <vector>

#include "host/EmulatedVM.h"
#include "tests/host/StandInHost.h"

namespace standin {

// Forgets every call and every forced answer (not the live objects).
STANDIN_API void ResetVM();
// Whether calls are recorded (they are after loading); a benchmark turns it off. Forced answers
// hold either way.
STANDIN_API void SetVMRecording(bool bOn);
STANDIN_API std::vector<stVMCall> GetVMCalls();
STANDIN_API int nGetVMCalls(const std::string& sNom);

// Next answers of one function: the code it returns from now on (-1: its own rule). A code above
// 99 returns before anything is written; 1 to 99 are returned after the normal work.
STANDIN_API void SetVMAnswer(const std::string& sNom, int nCode);
// The int result a comparison or logic function writes from now on, in place of its own rule.
STANDIN_API void SetVMCompareResult(const std::string& sNom, int nResult);

// How many decimals of the factory are alive, and every precision given since ResetVM.
STANDIN_API long nGetLiveDecimals();
STANDIN_API std::vector<std::pair<int, int>> GetDecimalPrecisionCalls();

#ifdef KX_STANDIN_VM_DIR
// A stand-in VM module that lacks the one name given (nConversionDepassementExt, FinConversion,
// pQueryProxy or nModuloEx); it stays loaded for the run. Its reading functions:
// "StandInVMPartial_nQueryProxyCalls" and "StandInVMPartial_GetInit".
inline void* hVMWithout(const std::string& sNom) {
    std::string sPath = std::string(KX_STANDIN_VM_DIR) + "/libkxstandinvm_without_" + sNom + ".so";
    return dlopen(sPath.c_str(), RTLD_NOW | RTLD_LOCAL);
}
inline int nPartialQueryProxyCalls(void* hModule) {
    auto pfn = reinterpret_cast<int (*)()>(dlsym(hModule, "StandInVMPartial_nQueryProxyCalls"));
    return pfn != nullptr ? pfn() : -1;
}
struct stPartialInit {
    void* hInstanceVM = nullptr;
    int nVersion = 0;
    int nCompatibilite = 0;
    int nCalls = 0;
};
// What the module's bInitVQConvFromVM (bCalc 0) or bInitVQCalcFromVM (bCalc 1) was last given.
inline stPartialInit GetPartialInit(void* hModule, int bCalc) {
    stPartialInit st;
    auto pfn = reinterpret_cast<int (*)(int, void**, int*, int*)>(dlsym(hModule, "StandInVMPartial_GetInit"));
    if (pfn != nullptr) st.nCalls = pfn(bCalc, &st.hInstanceVM, &st.nVersion, &st.nCompatibilite);
    return st;
}
#endif

}  // namespace standin
