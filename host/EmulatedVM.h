// The emulated host's virtual machine: the functions a host's VM exports by name for the library's
// conversions and operators ("nConversionDepassementExt", "FinConversion", "pQueryProxy" and the 30
// calculator functions), with its decimal factory. The real language rules are the host's; these
// keep every value: integers and reals refused when out of the target's range, reals as the
// shortest text that reads back to the same number, decimals exact to 38 digits with their scale,
// dates and times with their milliseconds (texts "YYYY-MM-DD", "HH:MM:SS.mmm",
// "YYYY-MM-DD HH:MM:SS.mmm" or the host's compact "YYYYMMDD", "HHMMSSmmm", "YYYYMMDDHHMMSSmmm").
#pragma once

#include <string>

#include "host/EmulatedHost.h"
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
    std::wstring sA;                  // first operand as the VM read it ("?" when unreadable)
    std::wstring sB;                  // second operand as read (operators only)
};

// What a test layer watches and steers of the VM; called only while one is set.
class IVMObserver {
public:
    // Whether calls are to be described in full (vnOnCall) or only asked for a forced answer.
    virtual bool vbRecording() = 0;
    // A call; the code to answer in place of the function's own (-1: none).
    virtual int vnOnCall(stVMCall&& stCall) = 0;
    virtual int vnForcedAnswer(const char* pszNom) = 0;
    // The int result a comparison writes in place of its own rule; false: none.
    virtual bool vbForcedCompareResult(const char* pszNom, int* pnResult) = 0;
    virtual void vOnNewDecimal(IDecimalVQ* piDecimal) = 0;
    // false: not a live decimal of the factory, left alone.
    virtual bool vbOnReleaseDecimal(IDecimalVQ* piDecimal) = 0;
    virtual void vOnDecimalPrecision(int nDigits, int nDecimals) = 0;

protected:
    ~IVMObserver() = default;
};

STANDIN_API void SetVMObserver(IVMObserver* piObserver);
STANDIN_API IVMObserver* piGetVMObserver();

// The decimal factory that pQueryProxy answers for 102.
STANDIN_API IDecimalFactoryVQ* piGetDecimalFactory();
// A decimal of the factory holding an integer, and the integer part of the value a decimal holds.
STANDIN_API IDecimalVQ* piNewDecimal(long nValeur);
STANDIN_API long nGetDecimalValue(const IDecimalVQ* piDecimal);
// Precision last given to a decimal (digits, decimals).
STANDIN_API std::pair<int, int> GetDecimalPrecision(const IDecimalVQ* piDecimal);

// Owned texts and decimals that conversions wrote and FinConversion has not freed yet.
STANDIN_API long nGetLiveConversionResults();

}  // namespace standin

// The VM's exports as the library finds them by name.
extern "C" {
STANDIN_API int nConversionDepassementExt(void* pSource, unsigned short nTypeSource, void* pDestination,
                                          unsigned short nTypeDestination, unsigned int dwFlags, const STOCAW* pstCaw);
STANDIN_API void FinConversion(void* pDestination, unsigned short nType);
STANDIN_API void* pQueryProxy(int nProxy);
}
