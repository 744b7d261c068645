// The execution singleton: start and end notices of the host, the information the library asks of
// the host at start, and the services that reach the host's own Execution entry. Nothing here is
// locked: the host sends its notices from one thread at a time.
#include "core/BaseExecutionDLL.h"

#include <dlfcn.h>

#include <new>

#include "core/InformationDLL.h"

CBaseExecutionDLL* CBaseExecutionDLL::ms_pclExecutionDLL = nullptr;
uint32_t CBaseExecutionDLL::ms_nNbInitialisation = 0;

intptr_t CBaseExecutionDLL::_nGetInformation(intptr_t nInformation) const {
    if (pfnExecutionVM == nullptr) return 0;
    return pfnExecutionVM(EXECUTION_INFORMATION, nInformation);
}

int CBaseExecutionDLL::_bConnecteHote(HINSTANCE hHost) {
    hInstanceVM = hHost;
    pfnExecutionVM = reinterpret_cast<PFNEXECUTIONVM>(dlsym(hHost, "Execution"));
    if (pfnExecutionVM == nullptr) return 0;
    CInformationDLL::ms_piGlobalFactory = reinterpret_cast<IGlobalFactory*>(_nGetInformation(INFO_GLOBAL_FACTORY));
    CInformationDLL::ms_piCollecteurTopo = reinterpret_cast<void*>(_nGetInformation(INFO_COLLECTEUR_TOPO));
    CInformationDLL::ms_piInfoLocale = reinterpret_cast<IInfoLocale*>(_nGetInformation(INFO_LOCALE));
    CInformationModule::ms_piStrMemAlloc = reinterpret_cast<IStrMemAlloc*>(_nGetInformation(INFO_STR_MEM_ALLOC));
    CInformationDLL::ms_piInformationComposante =
        reinterpret_cast<void*>(_nGetInformation(INFO_INFORMATION_COMPOSANTE));
    return 1;
}

intptr_t CBaseExecutionDLL::s_nDebutExecution(const _stINITDLL* pstRecord) {
    uint64_t nTaille = pstRecord != nullptr ? pstRecord->nTaille : 0;
    if (ms_pclExecutionDLL == nullptr) {
        CBaseExecutionDLL* pcl = new (std::nothrow) CBaseExecutionDLL;
        if (pcl == nullptr) return 0;
        ms_pclExecutionDLL = pcl;
        // Only what the record really holds is read: a shorter record from an older host ends
        // before the library shop.
        void* piLibShop = nTaille >= sizeof(_stINITDLL) ? pstRecord->piLibShop : nullptr;
        if (pstRecord != nullptr && pstRecord->hInstanceVM != nullptr) {
            if (!pcl->_bConnecteHote(pstRecord->hInstanceVM)) return 0;
            CInformationDLL::ms_piLibShop =
                piLibShop != nullptr ? piLibShop : reinterpret_cast<void*>(pcl->_nGetInformation(INFO_LIB_SHOP));
            CInformationDLL::ms_nCodeProduitExecution =
                static_cast<uint32_t>(pcl->_nGetInformation(INFO_CODE_PRODUIT_EXECUTION));
            CInformationDLL::ms_nCodeProduitReel = static_cast<uint32_t>(pcl->_nGetInformation(INFO_CODE_PRODUIT_REEL));
            CInformationDLL::ms_nLangueInterne = static_cast<uint32_t>(pcl->_nGetInformation(INFO_LANGUE_INTERNE));
            CInformationDLL::ms_pszNomProduit = reinterpret_cast<const void*>(pcl->_nGetInformation(INFO_NOM_PRODUIT));
            CInformationDLL::ms_dwOptions = static_cast<uint32_t>(pcl->_nGetInformation(INFO_OPTIONS));
            auto dwVersion = static_cast<uint32_t>(pcl->_nGetInformation(INFO_VERSION_ACTIVE));
            if (dwVersion > CInformationDLL::ms_dwVersionActive) CInformationDLL::ms_dwVersionActive = dwVersion;
            CInformationDLL::ms_pbMultithread = reinterpret_cast<int*>(pcl->_nGetInformation(INFO_MULTITHREAD));
        }
        if (!pcl->vbInitialiseDLL()) return 0;
    }
    if (nTaille >= offsetof(_stINITDLL, piLibShop))
        ms_pclExecutionDLL->vSetUtilisation(pstRecord->nUtilisation1, pstRecord->nUtilisation2);
    else
        ms_pclExecutionDLL->vSetUtilisation(0, 0);
    ms_nNbInitialisation++;
    return 1;
}

intptr_t CBaseExecutionDLL::s_nFinExecution() {
    if (ms_nNbInitialisation > 0) {
        ms_nNbInitialisation--;
        if (ms_nNbInitialisation > 0) return 1;
    }
    if (ms_pclExecutionDLL != nullptr) {
        CBaseExecutionDLL* pcl = ms_pclExecutionDLL;
        pcl->bTermine = 1;
        pcl->vTermineDLL();
        delete pcl;
        ms_pclExecutionDLL = nullptr;
    }
    return 1;
}

intptr_t CBaseExecutionDLL::s_nExecution(uint32_t nCode, intptr_t pArg) {
    CBaseExecutionDLL* pcl = ms_pclExecutionDLL;
    switch (nCode) {
        case EXECUTION_START:
            return s_nDebutExecution(reinterpret_cast<const _stINITDLL*>(pArg));
        case EXECUTION_END:
            return s_nFinExecution();
        case EXECUTION_SET_LOCALE:
            CInformationDLL::ms_piInfoLocale = reinterpret_cast<IInfoLocale*>(pArg);
            return 1;
        case EXECUTION_CHANGE_LANGUE:
            if (pcl != nullptr) pcl->vChangeLangue();
            return 1;
        case EXECUTION_INIT_TYPE_DINO:
            if (CInformationDLL::ms_piGlobalFactory != nullptr &&
                CInformationDLL::ms_piGlobalFactory->vnGetVersion() >= 2) {
                if (pcl == nullptr || !pcl->vbInitialiseTypeDINO(reinterpret_cast<CXError*>(pArg))) return 2;
            }
            return 1;
        case EXECUTION_DUMP_MEMOIRE:
            if (pcl == nullptr) return 0;
            return pcl->vbDumpMemoire(reinterpret_cast<IDumpMemoire*>(pArg)) ? 1 : 0;
        case EXECUTION_DESACTIVE:
            if (pcl != nullptr) pcl->vDesactiveApplication();
            return 1;
        case EXECUTION_REACTIVE:
            if (pcl != nullptr) pcl->vReactiveApplication();
            return 1;
        default:
            return 0;
    }
}

int CBaseExecutionDLL::s_bInitialiseMoiMeme(HINSTANCE hHost) {
    if (ms_pclExecutionDLL != nullptr) return 1;
    CBaseExecutionDLL* pcl = new (std::nothrow) CBaseExecutionDLL;
    if (pcl == nullptr) return 0;
    ms_pclExecutionDLL = pcl;
    if (!pcl->__bInitialiseMoiMeme(hHost)) return 0;
    // Started by the library itself: the host never ends it, so the common stop leaves it alone.
    pcl->bTermine = 1;
    return 1;
}

int CBaseExecutionDLL::__bInitialiseMoiMeme(HINSTANCE hHost) {
    if (hHost != nullptr && !_bConnecteHote(hHost)) return 0;
    return vbInitialiseDLL();
}

void CBaseExecutionDLL::s_TermineMoiMeme() {
    delete ms_pclExecutionDLL;
    ms_pclExecutionDLL = nullptr;
}

void CBaseExecutionDLL::s_InitLibShopMoiMeme() {
    if (CInformationDLL::ms_piLibShop == nullptr && ms_pclExecutionDLL != nullptr)
        ms_pclExecutionDLL->_InitLibShopMoiMeme();
}

void CBaseExecutionDLL::_InitLibShopMoiMeme() const {
    if (pfnExecutionVM != nullptr)
        CInformationDLL::ms_piLibShop = reinterpret_cast<void*>(_nGetInformation(INFO_LIB_SHOP));
}

int CBaseExecutionDLL::_bUtiliseNET() const {
    return static_cast<int>(_nGetInformation(INFO_UTILISE_NET));
}

int CBaseExecutionDLL::_eGetModeSmartphone() const {
    return static_cast<int>(_nGetInformation(INFO_MODE_SMARTPHONE));
}

int CBaseExecutionDLL::s_eGetModeSmartphone() {
    return ms_pclExecutionDLL != nullptr ? ms_pclExecutionDLL->_eGetModeSmartphone() : 0;
}

int CBaseExecutionDLL::_bRemplitPileC(int n0, wchar_t* pszBuffer, int n16, int n20) const {
    if (pfnExecutionVM == nullptr) return 0;
    _stPILEC stPile{n0, pszBuffer, n16, n20};
    return static_cast<int>(pfnExecutionVM(EXECUTION_PILE_C, reinterpret_cast<intptr_t>(&stPile)));
}

int CBaseExecutionDLL::s_bRemplitPileC(int n0, wchar_t* pszBuffer, int n16, int n20) {
    if (ms_pclExecutionDLL == nullptr) return 0;
    return ms_pclExecutionDLL->_bRemplitPileC(n0, pszBuffer, n16, n20) != 0 ? 1 : 0;
}

HINSTANCE CBaseExecutionDLL::s_hGetHinstanceVM() {
    return ms_pclExecutionDLL != nullptr ? ms_pclExecutionDLL->hInstanceVM : nullptr;
}

void CBaseExecutionDLL::s_TermineDLL() {
    CBaseExecutionDLL* pcl = ms_pclExecutionDLL;
    if (pcl == nullptr || pcl->bTermine != 0 || pcl->pfnExecutionVM == nullptr) return;
    pcl->pfnExecutionVM(EXECUTION_LIBRARY_ENDS, 0);
    delete pcl;
    ms_pclExecutionDLL = nullptr;
    // The host's starts end with the library: a later start counts from zero again.
    ms_nNbInitialisation = 0;
}
