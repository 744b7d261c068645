// The query-dump labels of the variant layer (see KXVariant.h).
#include "variant/KXVariant.h"

#include <cstdint>
#include <cstdlib>
#include <cwchar>

#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "core/QueryDumpHook.h"
#include "core/TString.h"

wchar_t* CKXVariant::s_pszDumpVQType = nullptr;
wchar_t* CKXVariant::s_pszDumpADOType = nullptr;
wchar_t* CKXVariant::s_pszDumpValue = nullptr;
wchar_t* CKXVariant::s_pszDumpTime = nullptr;
wchar_t* CKXVariant::s_pszDumpDate = nullptr;
wchar_t* CKXVariant::s_pszDumpConvFailed_Text = nullptr;
wchar_t* CKXVariant::s_pszDumpConvFailed_Date = nullptr;
wchar_t* CKXVariant::s_pszDumpConvFailed_Time = nullptr;

namespace {

struct stLabel {
    wchar_t** ppszLabel;
    uint32_t nMessageId;
    const wchar_t* pszDefault;  // when the message is missing
};

// In load order.
const stLabel g_astLabels[] = {
    {&CKXVariant::s_pszDumpVQType, 25675, L"Type Quentara"},
    {&CKXVariant::s_pszDumpADOType, 25680, L"Type ADO"},
    {&CKXVariant::s_pszDumpValue, 25670, L"Valeur"},
    {&CKXVariant::s_pszDumpTime, 25669, L"Heure"},
    {&CKXVariant::s_pszDumpDate, 25671, L"Date"},
    {&CKXVariant::s_pszDumpConvFailed_Text, 25674, L"Echec de la conversion de la valeur en texte."},
    {&CKXVariant::s_pszDumpConvFailed_Date, 25672, L"Echec de la conversion de la valeur en date"},
    {&CKXVariant::s_pszDumpConvFailed_Time, 25673, L"Echec de la conversion de la valeur en heure"},
};
constexpr size_t NB_LABELS = sizeof(g_astLabels) / sizeof(g_astLabels[0]);

}  // namespace

void CKXVariant::InitQueryDumpRessources() {
    InitQueryDumpRessources(&gstMyModuleInfo39);
}

void CKXVariant::InitQueryDumpRessources(const _stMyModuleInfo* pstModule) {
    CTString aclTexts[NB_LABELS];
    for (size_t i = 0; i < NB_LABELS; i++) {
        if (!DLLRES_bLoadString(pstModule, g_astLabels[i].nMessageId, &aclTexts[i]))
            aclTexts[i].Set(g_astLabels[i].pszDefault);
    }
    for (size_t i = 0; i < NB_LABELS; i++) {
        wchar_t*& pszLabel = *g_astLabels[i].ppszLabel;
        // A second load without a free in between replaces the labels instead of losing them.
        free(pszLabel);
        size_t nLength = size_t(aclTexts[i].nTaille());
        pszLabel = static_cast<wchar_t*>(malloc((nLength + 1) * sizeof(wchar_t)));
        if (pszLabel != nullptr) wmemcpy(pszLabel, aclTexts[i].pszGet(), nLength + 1);
    }
    QDUMP_SetFreeRessources(&CKXVariant::FreeQueryDumpRessources);
}

void CKXVariant::FreeQueryDumpRessources() {
    for (const stLabel& st : g_astLabels) {
        free(*st.ppszLabel);
        *st.ppszLabel = nullptr;
    }
}
