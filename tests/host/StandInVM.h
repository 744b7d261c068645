// Control of the stand-in virtual machine: the functions a host's VM exports by name for the
// library's conversions and operators ("nConversionDepassementExt", "FinConversion", "pQueryProxy"
// and the 30 calculator functions), compiled into the stand-in host module. The real language rules
// are the host's; the stand-in follows simple ones (numbers, texts, dates) that are enough to check
// how the library calls the host, records every call, and can be told what to answer.
#pragma once

#include <dlfcn.h>

#include <string>
#include <vector>

#include "tests/host/StandInHost.h"
#include "variant/VMInterfaces.h"

namespace standin {

// One call of a VM function as the library made it.
struct stVMCall {
    std::string sNom;           // exported name of the function called
    const void* pA = nullptr;   // first operand's area (source of a conversion)
    unsigned short nTypeA = 0;  // its type as passed (a full type word for comparisons)
    const void* pB = nullptr;   // second operand's area (destination of a conversion)
    unsigned short nTypeB = 0;
    const void* pResult = nullptr;  // result area or int result
    unsigned dwFlags = 0;
    const void* pReserved = nullptr;  // the trailing argument of the operators
    const void* pstCaw = nullptr;     // conversion descriptor
    int nProxy = 0;                   // number asked of pQueryProxy
    std::wstring sA;                  // first operand as the stand-in read it ("?" when unreadable)
    std::wstring sB;                  // second operand as read (operators only)
};

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

// The decimal factory that pQueryProxy answers for 102, and how many of its decimals are alive.
STANDIN_API IDecimalFactoryVQ* piGetDecimalFactory();
STANDIN_API long nGetLiveDecimals();
// A decimal of the stand-in holding an integer value, and the value a decimal holds.
STANDIN_API IDecimalVQ* piNewDecimal(long nValeur);
STANDIN_API long nGetDecimalValue(const IDecimalVQ* piDecimal);
// Precision last given to a decimal (digits, decimals), and every precision given since ResetVM.
STANDIN_API std::pair<int, int> GetDecimalPrecision(const IDecimalVQ* piDecimal);
STANDIN_API std::vector<std::pair<int, int>> GetDecimalPrecisionCalls();

// Owned texts and decimals that conversions wrote and FinConversion has not freed yet.
STANDIN_API long nGetLiveConversionResults();

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

// The VM's exports as the library finds them by name.
extern "C" {
STANDIN_API int nConversionDepassementExt(void* pSource, unsigned short nTypeSource, void* pDestination,
                                          unsigned short nTypeDestination, unsigned int dwFlags, const STOCAW* pstCaw);
STANDIN_API void FinConversion(void* pDestination, unsigned short nType);
STANDIN_API void* pQueryProxy(int nProxy);
}
