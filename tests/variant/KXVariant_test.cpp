// The variant layer's query-dump labels: loaded from the message table or the host's texts, freed
// by the common stop through the hook the load installs.
#include "variant/KXVariant.h"

#include <gtest/gtest.h>

#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
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

// Each label with the French text it takes when the message is missing; the library's own table
// holds the same texts.
struct stLabelText {
    wchar_t* const* ppsz;
    const wchar_t* pszText;
} const g_astTexts[] = {
    {&CKXVariant::s_pszDumpVQType, L"Type Quentara"},
    {&CKXVariant::s_pszDumpADOType, L"Type ADO"},
    {&CKXVariant::s_pszDumpValue, L"Valeur"},
    {&CKXVariant::s_pszDumpTime, L"Heure"},
    {&CKXVariant::s_pszDumpDate, L"Date"},
    {&CKXVariant::s_pszDumpConvFailed_Text, L"Echec de la conversion de la valeur en texte."},
    {&CKXVariant::s_pszDumpConvFailed_Date, L"Echec de la conversion de la valeur en date"},
    {&CKXVariant::s_pszDumpConvFailed_Time, L"Echec de la conversion de la valeur en heure"},
};

// A module whose table holds no message at all.
bool bGetResNone(STRessourceModule&) {
    return false;
}
const _stMyModuleInfo g_stModuleWithoutMessages = {nullptr, 0, 97, L"none.so", L"1.0", &bGetResNone};

// A module that finds every message but cannot unpack it (a text form no unpacker knows).
bool bGetResUnreadable(STRessourceModule& stRecord) {
    static const uint8_t s_aby[] = {'x'};
    stRecord.pbyPacked = s_aby;
    stRecord.nPackedLength = 1;
    stRecord.nTextForm = 7;
    stRecord.nUtilisation = 0;
    return true;
}
const _stMyModuleInfo g_stModuleUnreadable = {nullptr, 0, 96, L"bad.so", L"1.0", &bGetResUnreadable};

TEST_F(KXVariantTest, LabelsComeFromTheLibrarysTable) {
    CKXVariant::InitQueryDumpRessources();
    for (const stLabelText& c : g_astTexts) {
        ASSERT_NE(*c.ppsz, nullptr);
        EXPECT_STREQ(*c.ppsz, c.pszText);
    }
}

TEST_F(KXVariantTest, MissingMessagesTakeTheFrenchTexts) {
    CKXVariant::InitQueryDumpRessources(&g_stModuleWithoutMessages);
    for (const stLabelText& c : g_astTexts) {
        ASSERT_NE(*c.ppsz, nullptr) << c.pszText;
        EXPECT_STREQ(*c.ppsz, c.pszText);
    }
    // A message that is found but unpacks to nothing stays empty: no French text in its place.
    CKXVariant::InitQueryDumpRessources(&g_stModuleUnreadable);
    for (const stLabelText& c : g_astTexts) {
        ASSERT_NE(*c.ppsz, nullptr) << c.pszText;
        EXPECT_STREQ(*c.ppsz, L"") << c.pszText;
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
    for (const stLabelText& c : g_astTexts) EXPECT_EQ(*c.ppsz, nullptr);

    CKXVariant::InitQueryDumpRessources();
    EXPECT_EQ(QDUMP_pfnGetFreeRessources(), &CKXVariant::FreeQueryDumpRessources);
    for (const stLabelText& c : g_astTexts) EXPECT_NE(*c.ppsz, nullptr);
    QDUMP_FreeRessources();
    for (const stLabelText& c : g_astTexts) EXPECT_EQ(*c.ppsz, nullptr);
    QDUMP_FreeRessources();  // a second stop changes nothing
    for (const stLabelText& c : g_astTexts) EXPECT_EQ(*c.ppsz, nullptr);
}

}  // namespace
