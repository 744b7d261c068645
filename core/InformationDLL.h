// What the library learnt from the host at start: the statics filled by the start notice. They
// keep their last values after the library stops; null pointers mean "not started yet", and
// every user of them has to cope with that.
#pragma once

#include "core/HostInterfaces.h"

class CInformationDLL {
public:
    static IGlobalFactory* ms_piGlobalFactory;
    static void* ms_piCollecteurTopo;
    static IInfoLocale* ms_piInfoLocale;
    static void* ms_piInformationComposante;
    static void* ms_piLibShop;
    static uint32_t ms_nCodeProduitExecution;
    static uint32_t ms_nCodeProduitReel;
    static uint32_t ms_nLangueInterne;
    static const void* ms_pszNomProduit;
    static uint32_t ms_dwOptions;
    static uint32_t ms_dwVersionActive;
    static int* ms_pbMultithread;
};

class CInformationModule {
public:
    static IStrMemAlloc* ms_piStrMemAlloc;
};
