// The command-line store: quoting of arguments that hold a space (whole, or after "name="), UTF-8
// arguments, and the cut at the store's 1,024 characters.
#include "installer/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::wstring sStocke(std::vector<std::string> asArguments) {
    std::vector<char*> apsz;
    for (auto& s : asArguments) apsz.push_back(s.data());
    apsz.push_back(nullptr);
    SetCommandLine(static_cast<int>(asArguments.size()), apsz.data());
    return GetCommandLine();
}

TEST(CommandLine, Quoting) {
    struct Case {
        std::vector<std::string> asArguments;
        std::wstring sAttendu;
    };
    const Case aCases[] = {
        {{}, L""},
        {{"pginstaller"}, L"pginstaller "},
        {{"pginstaller", "two words"}, L"pginstaller \"two words\" "},
        {{"name=two words"}, L"name=\"two words\" "},
        {{"a b=c"}, L"\"a b=c\" "},  // the '=' after the space: quoted whole
        {{"x=1", "=a b"}, L"x=1 =\"a b\" "},
        {{"", "b"}, L" b "},
        {{"caf\xC3\xA9", "\xE2\x82\xAC 1"}, L"caf\u00E9 \"\u20AC 1\" "},
    };
    for (const Case& c : aCases) {
        EXPECT_EQ(sStocke(c.asArguments), c.sAttendu);
    }
}

TEST(CommandLine, EachCallStartsAgain) {
    sStocke({"one", "two"});
    EXPECT_EQ(sStocke({"three"}), L"three ");
}

TEST(CommandLine, CutAtTheStoreSize) {
    struct Case {
        std::vector<std::string> asArguments;
        std::wstring sAttendu;
    };
    const std::string sLong(2000, 'a');
    const std::string s1020(1020, 'b');
    const Case aCases[] = {
        {{sLong}, std::wstring(1024, L'a')},
        {{sLong, "more"}, std::wstring(1024, L'a')},
        {{s1020, "c d"}, std::wstring(1020, L'b') + L" \"c "},
        {{s1020, "xyz"}, std::wstring(1020, L'b') + L" xyz"},
        {{std::string(600, 'e'), std::string(600, 'f')}, std::wstring(600, L'e') + L" " + std::wstring(423, L'f')},
    };
    for (const Case& c : aCases) {
        const std::wstring s = sStocke(c.asArguments);
        EXPECT_LE(s.size(), 1024u);
        EXPECT_EQ(s, c.sAttendu);
    }
}

}  // namespace
