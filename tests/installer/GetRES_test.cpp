// sGetRES: a message of the installer's table formatted with its arguments, and an empty text for
// an id the table does not hold.
#include "installer/GetRES.h"

#include <gtest/gtest.h>

#include "core/DLLRes.h"

namespace {

TEST(GetRES, FormatsTheMessageWithItsArguments) {
    DLLRES_bInit(nullptr, 0);
    CTString clTexte = sGetRES(28842, L"postgresql_install", L"20.0.1.0");
    EXPECT_STREQ(clTexte.pszGet(), L"Module: postgresql_install, version 20.0.1.0");
    CTString clSansArgument = sGetRES(25193);
    EXPECT_STREQ(clSansArgument.pszGet(), L"Not enough memory.");
}

TEST(GetRES, UnknownIdGivesAnEmptyText) {
    CTString clTexte = sGetRES(0xFFFFFF0u, 1, 2);
    EXPECT_TRUE(clTexte.pszGet() == nullptr || clTexte.pszGet()[0] == 0);
}

}  // namespace
