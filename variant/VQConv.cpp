// The binding to the host's conversion function and its decimal factory (CVQConv), and the
// exported entry through which the host makes it.
#include "variant/VQConv.h"

#include <dlfcn.h>

PFNCONVERSIONVM CVQConv::s_pfnConversion = nullptr;
IDecimalFactoryVQ* CVQConv::s_piDecimalFactory = nullptr;
PFNFINCONVERSIONVM CVQConv::s_pfnFinConversion = nullptr;
HINSTANCE CVQConv::s_hInstanceVM = nullptr;
int CVQConv::s_nVersion = 0;
int CVQConv::s_nCompatibilite = 0;

int CVQConv::bInitFromVM(HINSTANCE hInstanceVM, int nVersion, int nCompatibilite) {
    if (nCompatibilite >= 3 || nVersion < 2) return 0;
    auto pfnConversion = reinterpret_cast<PFNCONVERSIONVM>(dlsym(hInstanceVM, NOM_CONVERSION));
    if (pfnConversion == nullptr) return 0;
    auto pfnFin = reinterpret_cast<PFNFINCONVERSIONVM>(dlsym(hInstanceVM, NOM_FIN_CONVERSION));
    if (pfnFin == nullptr) return 0;
    // From here the host's module is the one conversions go to, even when it lacks the proxy.
    s_pfnConversion = pfnConversion;
    s_pfnFinConversion = pfnFin;
    s_hInstanceVM = hInstanceVM;
    s_nVersion = nVersion;
    s_nCompatibilite = nCompatibilite;
    auto pfnQueryProxy = reinterpret_cast<PFNQUERYPROXYVM>(dlsym(hInstanceVM, NOM_QUERY_PROXY));
    if (pfnQueryProxy == nullptr) {
        // The earlier module's factory must not outlive its conversions: decimals made from now on
        // would go back to a factory that may be gone. Without one, DECIMAL values have no decimal.
        s_piDecimalFactory = nullptr;
        return 0;
    }
    s_piDecimalFactory = static_cast<IDecimalFactoryVQ*>(pfnQueryProxy(DECIMALVQ_PROXY));
    return 1;
}

int CVQConv::nConversion(void* pSource, unsigned short nTypeSource, void* pDestination, unsigned short nTypeDestination,
                         unsigned int dwFlags, const STOCAW* pstCaw) {
    if (s_pfnConversion == nullptr) return VQCONV_NON_LIE;
    return s_pfnConversion(pSource, nTypeSource, pDestination, nTypeDestination, dwFlags, pstCaw);
}

void CVQConv::FinConversion(void* pDestination, unsigned short nType) {
    if (s_pfnFinConversion != nullptr) s_pfnFinConversion(pDestination, nType);
}

IDecimalVQ* CVQConv::s_piNewDecimal() {
    return s_piDecimalFactory != nullptr ? s_piDecimalFactory->vpiNewDecimal(nullptr) : nullptr;
}

void CVQConv::s_ReleaseDecimal(IDecimalVQ* piDecimal) {
    if (piDecimal != nullptr && s_piDecimalFactory != nullptr) s_piDecimalFactory->vReleaseDecimal(piDecimal);
}

void CVQConv::s_Reset() {
    s_pfnConversion = nullptr;
    s_piDecimalFactory = nullptr;
    s_pfnFinConversion = nullptr;
    s_hInstanceVM = nullptr;
    s_nVersion = 0;
    s_nCompatibilite = 0;
}

extern "C" int bInitVQConvFromVM(HINSTANCE hInstanceVM, int nVersion, int nCompatibilite) {
    return CVQConv::bInitFromVM(hInstanceVM, nVersion, nCompatibilite);
}

int bInitVQConvFromServeur_OBSOLETE(HINSTANCE hInstance) {
    typedef int (*PFNINITFROMVM)(HINSTANCE, int, int);
    auto pfnInit = reinterpret_cast<PFNINITFROMVM>(dlsym(hInstance, "bInitVQConvFromVM"));
    if (pfnInit == nullptr) return 1;
    return pfnInit(CVQConv::s_hInstanceVM, CVQConv::s_nVersion, CVQConv::s_nCompatibilite);
}
