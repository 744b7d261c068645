// Tests of the character-set tables: code page and language id of a character set, their
// reverses, and the code page each 8-bit text type carries into a value conversion.
#include "core/CharsetTable.h"

#include <gtest/gtest.h>

#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

class CharsetTableTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

TEST_F(CharsetTableTest, CodePageAndLanguageOfACharset) {
    struct Case {
        int nCharset;
        unsigned nCodePage;
        unsigned short wLangue;
    };
    const Case aCases[] = {
        {0, 1252, 0},        {128, 932, 0x0011},  {129, 949, 0x0012},  {130, 1361, 0x0012}, {134, 936, 0x0804},
        {136, 950, 0x0404},  {161, 1253, 0x0008}, {162, 1254, 0x001F}, {163, 1258, 0x002A}, {177, 1255, 0x000D},
        {178, 1256, 0x0001}, {186, 1257, 0x0025}, {204, 1251, 0x0419}, {222, 874, 0x001E},  {238, 1250, 0x0015},
        {255, 1252, 0},      {65001, 65001, 0},   {1, 0, 0},           {2, 0, 0},           {127, 0, 0},
        {131, 0, 0},         {239, 0, 0},         {-1, 0, 0},
    };
    for (const Case& c : aCases) {
        EXPECT_EQ(dwGetCodePageFromCharset(c.nCharset), c.nCodePage) << c.nCharset;
        EXPECT_EQ(wGetLanguageID(c.nCharset), c.wLangue) << c.nCharset;
    }
    EXPECT_EQ(wGetLanguageID(130), wGetLanguageID(129));
}

TEST_F(CharsetTableTest, CharsetOfACodePage) {
    struct Case {
        int nCodePage;
        int nCharset;
    };
    const Case aCases[] = {
        {1252, 0},   {874, 222},     {932, 128},  {936, 134},  {949, 129},  {950, 136},  {1250, 238},
        {1251, 204}, {1253, 161},    {1254, 162}, {1255, 177}, {1256, 178}, {1257, 186}, {1258, 163},
        {1361, 130}, {65001, 65001}, {0, 127},    {437, -1},   {-1, -1},
    };
    for (const Case& c : aCases) EXPECT_EQ(nGetCharsetFromCodePage(c.nCodePage), c.nCharset) << c.nCodePage;
    // Every character set with a code page of its own comes back from it (255 shares 1252 with 0).
    for (int nCharset : {0, 128, 129, 130, 134, 136, 161, 162, 163, 177, 178, 186, 204, 222, 238, 65001})
        EXPECT_EQ(nGetCharsetFromCodePage(static_cast<int>(dwGetCodePageFromCharset(nCharset))), nCharset);
}

TEST_F(CharsetTableTest, CharsetOfALanguage) {
    struct Case {
        unsigned short wLangue;
        int nCharset;
    };
    const Case aCases[] = {
        {0x0401, 178}, {0x0402, 204}, {0x0419, 204}, {0x0422, 204}, {0x0423, 204}, {0x0404, 136},   {0x0804, 134},
        {0x1004, 134}, {0x0405, 238}, {0x040E, 238}, {0x0415, 238}, {0x0418, 238}, {0x041B, 238},   {0x041C, 238},
        {0x0424, 238}, {0x042F, 238}, {0x0408, 161}, {0x040D, 177}, {0x0411, 128}, {0x0412, 129},   {0x041E, 222},
        {0x041F, 162}, {0x0425, 186}, {0x0426, 186}, {0x0427, 186}, {0x042A, 163}, {0x042B, 65001}, {0x0437, 65001},
        {0x0C1A, 204}, {0x041A, 238}, {0x081A, 238}, {0x0843, 204}, {0x0443, 238}, {0x0409, 0},     {0x040C, 0},
        {0x0407, 0},   {0x0000, 0},
    };
    for (const Case& c : aCases) EXPECT_EQ(nGetCharsetFromLanguage(c.wLangue), c.nCharset) << std::hex << c.wLangue;
    EXPECT_EQ(GetCharSetFromLanguageID(0x10404), 136) << "only the low 16 bits count";
    EXPECT_EQ(GetCharSetFromLanguageID(0x0419), 204);
}

TEST_F(CharsetTableTest, PrepareConversionAnsiUnicode) {
    standin::SetCodePage(1251);
    constexpr uint32_t SENTINELLE = 0xDEADBEEF;
    constexpr uint32_t INCHANGE = SENTINELLE;
    struct Case {
        unsigned nType;
        uint32_t nCodePage;  // stored code page, or INCHANGE
        unsigned nPointeur;  // result with the fourth argument 0
        unsigned nPartage;   // result with the fourth argument 1
        bool bFlag;          // 0x40 added when the fifth argument asks for it
    };
    const Case aCases[] = {
        {18, INCHANGE, 18, 19, false}, {110, INCHANGE, 110, 16, false},  {121, 1252, 16, 16, true},
        {122, 1252, 110, 16, true},    {126, 0, 16, 16, true},           {127, 0, 110, 16, true},
        {130, 1251, 16, 16, true},     {131, 1251, 110, 16, true},       {16, INCHANGE, 16, 16, false},
        {19, INCHANGE, 19, 19, false}, {123, INCHANGE, 123, 123, false},
    };
    for (const Case& c : aCases) {
        for (int bPartage : {0, 1}) {
            for (int bFlag : {0, 1}) {
                STOCAW st{SENTINELLE};
                unsigned dwFlags = 0x1;
                unsigned n = PrepareConversionAnsiUnicode(c.nType, dwFlags, st, bPartage, bFlag);
                EXPECT_EQ(n, bPartage ? c.nPartage : c.nPointeur) << c.nType;
                EXPECT_EQ(st.nCodePage, c.nCodePage) << c.nType;
                EXPECT_EQ(dwFlags, (c.bFlag && bFlag) ? 0x41u : 0x1u) << c.nType;
            }
        }
    }
}

TEST_F(CharsetTableTest, PrepareConversionUnicodeAnsi) {
    standin::SetCodePage(936);
    struct Case {
        unsigned short nType;
        int nResult;
        uint32_t nCodePage;
    };
    const Case aCases[] = {{121, 1, 1252}, {122, 1, 1252}, {126, 1, 0}, {127, 1, 0},
                           {130, 1, 936},  {131, 1, 936},  {18, 0, 77}, {110, 0, 77}};
    for (const Case& c : aCases) {
        STOCAW st{77};
        EXPECT_EQ(PrepareConversionUnicodeAnsi(c.nType, st), c.nResult) << c.nType;
        EXPECT_EQ(st.nCodePage, c.nCodePage) << c.nType;
    }
}

}  // namespace
