// The variant layer's query-dump labels: loaded from the message table or the host's texts, freed
// by the common stop through the hook the load installs.
#include "variant/KXVariant.h"

#include <gtest/gtest.h>

#include "core/DLLRes.h"
#include "core/QueryDumpHook.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

class KXVariantTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        gpfnLoadStringKXM = nullptr;
        CKXVariant::FreeQueryDumpRessources();
        QDUMP_SetFreeRessources(nullptr);
    }
    void TearDown() override {
        gpfnLoadStringKXM = nullptr;
        CKXVariant::FreeQueryDumpRessources();
        QDUMP_SetFreeRessources(nullptr);
    }
};

wchar_t** const g_appszLabels[] = {
    &CKXVariant::s_pszDumpVQType,
    &CKXVariant::s_pszDumpADOType,
    &CKXVariant::s_pszDumpValue,
    &CKXVariant::s_pszDumpTime,
    &CKXVariant::s_pszDumpDate,
    &CKXVariant::s_pszDumpConvFailed_Text,
    &CKXVariant::s_pszDumpConvFailed_Date,
    &CKXVariant::s_pszDumpConvFailed_Time,
};

TEST_F(KXVariantTest, LabelsComeFromTheLibrarysTable) {
    CKXVariant::InitQueryDumpRessources();
    struct Case {
        wchar_t* const* ppsz;
        const wchar_t* pszExpected;
    } aCases[] = {
        {&CKXVariant::s_pszDumpVQType, L"Type Quentara"},
        {&CKXVariant::s_pszDumpADOType, L"Type ADO"},
        {&CKXVariant::s_pszDumpValue, L"Valeur"},
        {&CKXVariant::s_pszDumpTime, L"Heure"},
        {&CKXVariant::s_pszDumpDate, L"Date"},
        {&CKXVariant::s_pszDumpConvFailed_Text, L"Echec de la conversion de la valeur en texte."},
        {&CKXVariant::s_pszDumpConvFailed_Date, L"Echec de la conversion de la valeur en date"},
        {&CKXVariant::s_pszDumpConvFailed_Time, L"Echec de la conversion de la valeur en heure"},
    };
    for (const Case& c : aCases) {
        ASSERT_NE(*c.ppsz, nullptr);
        EXPECT_STREQ(*c.ppsz, c.pszExpected);
    }
}

TEST_F(KXVariantTest, HostTextsWinAndEmptyTextsStayEmpty) {
    gpfnLoadStringKXM = standin::pfnGetLoadString();
    standin::SetMessageText(25675, L"Host type");
    standin::SetMessageText(25669, L"Time");
    CKXVariant::InitQueryDumpRessources();
    EXPECT_STREQ(CKXVariant::s_pszDumpVQType, L"Host type");
    EXPECT_STREQ(CKXVariant::s_pszDumpTime, L"Time");
    EXPECT_STREQ(CKXVariant::s_pszDumpDate, L"Date");  // the host has none: the table's
    // Loading again without a free replaces the labels (nothing is lost or leaked).
    standin::SetMessageText(25675, L"Second");
    CKXVariant::InitQueryDumpRessources();
    EXPECT_STREQ(CKXVariant::s_pszDumpVQType, L"Second");
}

TEST_F(KXVariantTest, CommonStopFreesThroughTheHook) {
    EXPECT_EQ(QDUMP_pfnGetFreeRessources(), nullptr);
    QDUMP_FreeRessources();                 // nothing installed: nothing happens
    CKXVariant::FreeQueryDumpRessources();  // before any load: nothing changes
    for (wchar_t** pp : g_appszLabels) EXPECT_EQ(*pp, nullptr);

    CKXVariant::InitQueryDumpRessources();
    EXPECT_EQ(QDUMP_pfnGetFreeRessources(), &CKXVariant::FreeQueryDumpRessources);
    for (wchar_t** pp : g_appszLabels) EXPECT_NE(*pp, nullptr);
    QDUMP_FreeRessources();
    for (wchar_t** pp : g_appszLabels) EXPECT_EQ(*pp, nullptr);
    QDUMP_FreeRessources();  // a second stop changes nothing
    for (wchar_t** pp : g_appszLabels) EXPECT_EQ(*pp, nullptr);
}

}  // namespace
