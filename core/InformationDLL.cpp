// Storage of the host information statics.
#include "core/InformationDLL.h"

IGlobalFactory* CInformationDLL::ms_piGlobalFactory = nullptr;
void* CInformationDLL::ms_piCollecteurTopo = nullptr;
IInfoLocale* CInformationDLL::ms_piInfoLocale = nullptr;
void* CInformationDLL::ms_piInformationComposante = nullptr;
void* CInformationDLL::ms_piLibShop = nullptr;
uint32_t CInformationDLL::ms_nCodeProduitExecution = 0;
uint32_t CInformationDLL::ms_nCodeProduitReel = 0;
uint32_t CInformationDLL::ms_nLangueInterne = 12;
const void* CInformationDLL::ms_pszNomProduit = nullptr;
uint32_t CInformationDLL::ms_dwOptions = 0;
uint32_t CInformationDLL::ms_dwVersionActive = 20;
int* CInformationDLL::ms_pbMultithread = nullptr;

IStrMemAlloc* CInformationModule::ms_piStrMemAlloc = nullptr;
