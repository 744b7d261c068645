// pszRecupStr over the installer's message table (its formatting, the cut at the buffer's size,
// a missing message) and the time-slice pair.
#include "installer/RecupStr.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "installer/Yield.h"

namespace {

// Messages of the common runtime that the installer's table carries: 28842 "Module: %s, version %s",
// 25193 "Not enough memory.".
TEST(RecupStr, FormatsAMessageOfTheInstallerIntoTheBuffer) {
    std::vector<wchar_t> aBuffer(RECUPSTR_TAILLE, L'#');
    EXPECT_EQ(pszRecupStr(aBuffer.data(), 28842u, L"postgresql_install", L"20.0.1.0"), aBuffer.data());
    EXPECT_STREQ(aBuffer.data(), L"Module: postgresql_install, version 20.0.1.0");

    EXPECT_EQ(pszRecupStr(nullptr, &gstMyModuleInfo39, aBuffer.data(), 25193u), aBuffer.data());
    EXPECT_STREQ(aBuffer.data(), L"Not enough memory.");
    EXPECT_EQ(pszRecupStr(nullptr, nullptr, aBuffer.data(), 28842u, L"a", L"b"), aBuffer.data());
    EXPECT_STREQ(aBuffer.data(), L"Module: a, version b");

    // No such message: an empty text, not what the buffer held.
    EXPECT_EQ(pszRecupStr(aBuffer.data(), 0xFFFFFFF0u), aBuffer.data());
    EXPECT_STREQ(aBuffer.data(), L"");
    EXPECT_EQ(pszRecupStr(static_cast<wchar_t*>(nullptr), 25193u), nullptr);
}

TEST(RecupStr, ALongTextIsCutAtTheBufferSize) {
    // The buffer is exactly as large as the limit: the sanitizer catches a write past it.
    std::vector<wchar_t> aBuffer(RECUPSTR_TAILLE, L'#');
    const std::wstring sLong(400, L'x');
    pszRecupStr(aBuffer.data(), 28842u, sLong.c_str(), L"1");
    const std::wstring sResultat(aBuffer.data());
    EXPECT_EQ(sResultat.size(), RECUPSTR_TAILLE - 1);
    EXPECT_EQ(sResultat.substr(0, 8), L"Module: ");
}

TEST(Yield, ResetStampsTheMicrosecondsAndYieldAnswersItsValue) {
    for (int i = 0; i < 3; i++) {
        unsigned int nSlot = 0;
        vResetYield(&nSlot);
        EXPECT_GE(nSlot, 500u);
        EXPECT_LT(nSlot, 1000000u + 500u);
    }
    unsigned int nSlot = 7;
    for (short n : {short(-1), short(0), short(1), short(32767)}) EXPECT_EQ(vYield(&nSlot, n, nullptr), n);
    EXPECT_EQ(nSlot, 7u);
}

}  // namespace
