// What the library reaches in the host's virtual machine once the host has bound it: the signatures
// of the conversion and calculator functions found by name in the host module, and the decimal
// objects with the factory that makes them. The host is built elsewhere, so these declarations are
// binary interface: no interface here has a virtual destructor and every slot keeps its place.
#pragma once

#include <cstdint>

// The host module as the host hands it over (its dlopen handle); the same type as the module entry's.
typedef void* HINSTANCE;

// Conversion descriptor that callers may hand to the conversions. The library passes it to the host
// unchanged and reads only its first field, the code page; the rest is the host's.
struct STOCAW;

// ----------------------------------------------------------------------------- decimal objects
// A decimal value of the host. The DECIMAL value class holds one and calls it at the positions
// below (counted from 1 as the host counts them); the other positions are kept empty so that the
// named ones stay in place. Positions 11 to 13 serve the sortable keys and are this library's own
// assumption (variant/HostAssumptions.h).
class IDecimalVQ {
public:
    virtual void vReserved1() = 0;                                                      // 1
    virtual void vReserved2() = 0;                                                      // 2
    virtual void vReserved3() = 0;                                                      // 3
    virtual void vReserved4() = 0;                                                      // 4
    virtual void vReserved5() = 0;                                                      // 5
    virtual int vnFillBuffer(void* pbyBuffer) = 0;                                      // 6: the 18-byte form
    virtual int vnSetFromBytes(const void* pbyData, unsigned long nSize) = 0;           // 7: from bytes and count
    virtual void vReserved8() = 0;                                                      // 8
    virtual void vReserved9() = 0;                                                      // 9
    virtual int vnSetFromDecimal(const IDecimalVQ* piSource) = 0;                       // 10: copy of another decimal
    virtual int vnSetPrecision(int nDigits, int nDecimals) = 0;                         // 11: total digits, decimals
    virtual int vnGetBytes(const unsigned char** ppbyData, unsigned long* pnSize) = 0;  // 12: its byte image
    virtual int vnWriteKey(unsigned char* pbyKey) = 0;                                  // 13: 32-byte sortable key
    virtual void vReserved14() = 0;                                                     // 14
    virtual void vReserved15() = 0;                                                     // 15
    virtual void vReserved16() = 0;                                                     // 16
    virtual void vReserved17() = 0;                                                     // 17
    virtual void vReserved18() = 0;                                                     // 18
    virtual void vReserved19() = 0;                                                     // 19
    virtual void vReserved20() = 0;                                                     // 20
    virtual void vReserved21() = 0;                                                     // 21
    virtual void vReserved22() = 0;                                                     // 22
    virtual void vReserved23() = 0;                                                     // 23
    virtual int vnGetSigne() = 0;                                                       // 24: 0 when positive

protected:
    ~IDecimalVQ() = default;
};

// Size of the byte form of a decimal (position 6 fills it, position 7 reads it back).
constexpr unsigned long DECIMALVQ_DATA_SIZE = 18;
// Size of the sortable key a decimal writes (position 13).
constexpr unsigned long DECIMALVQ_KEY_SIZE = 32;

// The host's decimal factory: the answer of "pQueryProxy" for DECIMALVQ_PROXY.
class IDecimalFactoryVQ {
public:
    virtual IDecimalVQ* vpiNewDecimal(void* pReserved) = 0;   // 0: called with null
    virtual void vReleaseDecimal(IDecimalVQ* piDecimal) = 0;  // 1

protected:
    ~IDecimalFactoryVQ() = default;
};

// The number asked of "pQueryProxy" for the decimal factory.
constexpr int DECIMALVQ_PROXY = 102;

// ----------------------------------------------------------------------------- host functions
// Host results: 99 or less is success (1 to 99 are passed on as they are), above 99 an error code.
constexpr int VM_RESULT_MAX_SUCCESS = 99;
inline bool bVMSucces(int nResult) {
    return nResult <= VM_RESULT_MAX_SUCCESS;
}

// "nConversionDepassementExt": (source, source type code, destination, destination type code,
// flags, descriptor). The destination receives the value in the layout of its type.
typedef int (*PFNCONVERSIONVM)(void* pSource, unsigned short nTypeSource, void* pDestination,
                               unsigned short nTypeDestination, unsigned int dwFlags, const STOCAW* pstCaw);
// "FinConversion": frees what a conversion left in the destination area.
typedef void (*PFNFINCONVERSIONVM)(void* pDestination, unsigned short nType);
// "pQueryProxy": the host object for a number.
typedef void* (*PFNQUERYPROXYVM)(int nProxy);

// Comparisons and logic: (a's value area, a's type word, b's value area, b's type word, result,
// flags, 0).
typedef int (*PFNCOMPAREVM)(const void* pA, unsigned short nTypeA, const void* pB, unsigned short nTypeB, int* pnResult,
                            unsigned int dwFlags, void* pReserved);
// Logical not: (a's value area, a's type word, result, flags, 0).
typedef int (*PFNNOTVM)(const void* pA, unsigned short nTypeA, int* pnResult, unsigned int dwFlags, void* pReserved);
// Arithmetic: (a's value area, a's type code, b's value area, b's type code, 40-byte result area,
// result type code, flags, 0).
typedef int (*PFNARITHMETICVM)(const void* pA, unsigned short nTypeA, const void* pB, unsigned short nTypeB,
                               void* pResult, unsigned short* pnTypeResult, unsigned int dwFlags, void* pReserved);
// Negation: (a's value area, a's type code, result area, result type code, flags, 0).
typedef int (*PFNNEGATIONVM)(const void* pA, unsigned short nTypeA, void* pResult, unsigned short* pnTypeResult,
                             unsigned int dwFlags, void* pReserved);
// A host function kept under its name without being called here.
typedef void (*PFNVM)();
