// CVQConv: the binding to the host's conversion function. Converting a value from one language type
// to another is the host's business: its virtual machine exports the conversion and its release by
// name, and the host hands the library its module through the exported bInitVQConvFromVM. The same
// binding gives the host's decimal factory, which makes and releases the decimal objects of DECIMAL
// values. The conversions of CAny (__nCastTo and its relatives, VQConvCast.cpp) go through
// nConversion.
#pragma once

#include "variant/VMInterfaces.h"

class CVQConv {
public:
    // The binding, written by the host once before any conversion and read without a lock.
    static PFNCONVERSIONVM s_pfnConversion;        // "nConversionDepassementExt"
    static PFNFINCONVERSIONVM s_pfnFinConversion;  // "FinConversion"
    static HINSTANCE s_hInstanceVM;
    static int s_nVersion;
    static int s_nCompatibilite;
    static IDecimalFactoryVQ* s_piDecimalFactory;  // "pQueryProxy"(DECIMALVQ_PROXY)

    // The names looked up in the host module.
    static constexpr const char* NOM_CONVERSION = "nConversionDepassementExt";
    static constexpr const char* NOM_FIN_CONVERSION = "FinConversion";
    static constexpr const char* NOM_QUERY_PROXY = "pQueryProxy";

    static int bInitFromVM(HINSTANCE hInstanceVM, int nVersion, int nCompatibilite);

    // The host's conversion; a library whose binding was refused or never made answers
    // VQCONV_NON_LIE and leaves the destination alone instead of calling through nothing.
    static int nConversion(void* pSource, unsigned short nTypeSource, void* pDestination,
                           unsigned short nTypeDestination, unsigned int dwFlags, const STOCAW* pstCaw);
    // The host's release of what a conversion left in the destination; nothing when unbound.
    static void FinConversion(void* pDestination, unsigned short nType);

    // The decimal factory's two operations; null and nothing when the host gave no factory.
    static IDecimalVQ* s_piNewDecimal();
    static void s_ReleaseDecimal(IDecimalVQ* piDecimal);

    // Forgets the binding (tests only: the host never unbinds).
    static void s_Reset();
};

// Answer of a conversion or an operator whose host function is not bound: not convertible.
constexpr int VQCONV_NON_LIE = 105;

// Called by the host with its own module: binds the conversion. 0 below version 2, at compatibility
// level 3 or more, or when one of the names is missing.
extern "C" __attribute__((visibility("default"))) int bInitVQConvFromVM(HINSTANCE hInstanceVM, int nVersion,
                                                                        int nCompatibilite);

// Hands the library's binding on to another module that has its own bInitVQConvFromVM; 1 when it
// has none.
int bInitVQConvFromServeur_OBSOLETE(HINSTANCE hInstance);
