// Module version comparison: numbers by value, separators through the host's lexical comparison,
// a text that ends first is the lower version.
#include "variant/VersionModule.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

class VersionModuleTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

int nSigne(int n) {
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

TEST_F(VersionModuleTest, ComparesNumbersByValue) {
    struct Case {
        const char* pszA;
        const char* pszB;
        int nSigne;
    } const aCases[] = {
        {"20.0.5.0", "20.0.12.0", -1},
        {"20.0.5.0", "20.0.5.0", 0},
        {"20.1", "20.1.0", -1},  // the shorter text ends first
        {"9", "10", -1},
        {"20.0.100.0", "20.0.99.9", 1},
        {"21.0", "20.999", 1},
        {"4294967296.1", "4294967295.9", 1},  // numbers beyond 32 bits
        {"", "0", -1},
        {"", "", 0},
    };
    for (const Case& c : aCases) {
        std::wstring sA(c.pszA, c.pszA + strlen(c.pszA)), sB(c.pszB, c.pszB + strlen(c.pszB));
        EXPECT_EQ(nSigne(nCompareVersionModule(sA.c_str(), sB.c_str())), c.nSigne) << c.pszA << " / " << c.pszB;
        EXPECT_EQ(nSigne(nCompareVersionModule(sB.c_str(), sA.c_str())), -c.nSigne) << c.pszB << " / " << c.pszA;
        EXPECT_EQ(nSigne(nCompareVersionModuleA(c.pszA, c.pszB)), c.nSigne) << c.pszA << " / " << c.pszB;
        EXPECT_EQ(nSigne(nCompareVersionModuleA(c.pszB, c.pszA)), -c.nSigne) << c.pszB << " / " << c.pszA;
    }
}

TEST_F(VersionModuleTest, SeparatorsGoThroughTheHostsLexicalComparison) {
    standin::ClearLocaleCalls();
    EXPECT_LT(nCompareVersionModule(L"1.2", L"1.3"), 0);
    EXPECT_FALSE(standin::GetLocaleCalls().empty());
    standin::ClearLocaleCalls();
    EXPECT_LT(nCompareVersionModuleA("1.2", "1.3"), 0);
    EXPECT_FALSE(standin::GetLocaleCalls().empty());
}

TEST_F(VersionModuleTest, NullTextCountsAsEmpty) {
    EXPECT_EQ(nCompareVersionModule(nullptr, L""), 0);
    EXPECT_LT(nCompareVersionModule(nullptr, L"1"), 0);
    EXPECT_GT(nCompareVersionModule(L"1", nullptr), 0);
    EXPECT_EQ(nCompareVersionModuleA(nullptr, ""), 0);
    EXPECT_LT(nCompareVersionModuleA(nullptr, "1"), 0);
    EXPECT_GT(nCompareVersionModuleA("1", nullptr), 0);
}

}  // namespace
