// The message-table packer: the message-file syntax, the checks it refuses a table for, and the
// packed records, read back through the loaders' own index and unpacker.
#include "tools/MessageTable.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "core/DLLRes.h"
#include "core/DataCompressor.h"

namespace {

TEST(MessageTableTest, ReadsIdsUsagesEscapesAndContinuations) {
    CMessageTable cl;
    ASSERT_TRUE(
        cl.bParse("# comment\n"
                  "\n"
                  "12 \"Plain text.\"\n"
                  "13 usage=2 \"Tab\\there, \\\"quoted\\\", back\\\\slash\"\r\n"
                  "14 \"one \" \"line\"\n"
                  "   \"%u file\\n\\u00A7\\n\"\n"
                  "\t\"%u files\"\n"
                  "65535 \"\xC3\xA9t\xC3\xA9 \\U0001F600\"\n",
                  "m.txt"))
        << (cl.GetErrors().empty() ? "" : cl.GetErrors()[0]);
    const auto& tab = cl.GetMessages();
    ASSERT_EQ(tab.size(), 4u);
    EXPECT_EQ(tab[0].nId, 12u);
    EXPECT_EQ(tab[0].sText, "Plain text.");
    EXPECT_EQ(tab[1].nUtilisation, 2u);
    EXPECT_EQ(tab[1].sText, "Tab\there, \"quoted\", back\\slash");
    EXPECT_EQ(tab[2].sText, "one line%u file\n\xC2\xA7\n%u files");
    EXPECT_EQ(tab[3].nId, 65535u);
    EXPECT_EQ(tab[3].sText, "\xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80");
    EXPECT_EQ(tab[0].sOrigin, "m.txt:3");
}

TEST(MessageTableTest, RefusesMalformedEntries) {
    struct Case {
        const char* pszName;
        const char* pszContent;
    } aCases[] = {
        {"no id", "abc \"x\"\n"},
        {"id 0", "0 \"x\"\n"},
        {"id above 16 bits", "65536 \"x\"\n"},
        {"no quoted text", "12 x\n"},
        {"nothing after the id", "12\n"},
        {"unterminated", "12 \"abc\n"},
        {"unknown escape", "12 \"a\\qb\"\n"},
        {"surrogate escape", "12 \"\\uD800\"\n"},
        {"usage out of range", "12 usage=4 \"x\"\n"},
        {"continuation without a message", "  \"orphan\"\n"},
        {"indented id", "  12 \"x\"\n"},
        {"stray percent", "12 \"100% done\"\n"},
        {"percent at the end", "12 \"100%\"\n"},
        {"write-back directive", "12 \"%n\"\n"},
        {"broken UTF-8", "12 \"\xC3\"\n"},
        {"overlong UTF-8", "12 \"\xC0\xAF\"\n"},
        {"bad directive in a continuation", "12 \"ok\"\n  \"50%!\"\n"},
    };
    for (const Case& c : aCases) {
        CMessageTable cl;
        EXPECT_FALSE(cl.bParse(c.pszContent, "bad.txt")) << c.pszName;
        EXPECT_FALSE(cl.GetErrors().empty()) << c.pszName;
    }
}

TEST(MessageTableTest, FormatCheckKnowsTheDialect) {
    struct Case {
        const char* psz;
        bool bValid;
    } aCases[] = {
        {"%s %S %hs %ls %c %C", true},
        {"%d %i %u %x %X %o", true},
        {"%lld %llu %I64u %I32d %ld %hd", true},
        {"%p %e %f %g %G %a", true},
        {"%% 100%%", true},
        {"%2$s %1$s", true},
        {"%-5.3s %+d %#x %05d", true},
        {"%*d %.*s", true},
        {"", true},
        {"%", false},
        {"%y", false},
        {"%5", false},
        {"%n", false},
        {"%l", false},
        {"% d", false},
    };
    for (const Case& c : aCases) EXPECT_EQ(CMessageTable::s_bCheckFormat(c.psz, nullptr), c.bValid) << c.psz;
}

TEST(MessageTableTest, RefusesDuplicatesAndTooManyRecords) {
    CMessageTable clDuplicate;
    ASSERT_TRUE(clDuplicate.bParse("5 \"a\"\n", "one.txt"));
    ASSERT_TRUE(clDuplicate.bParse("5 \"b\"\n", "two.txt"));
    EXPECT_FALSE(clDuplicate.bValidate());

    auto Table = [](int nRecords) {
        std::string s;
        for (int i = 1; i <= nRecords; i++) s += std::to_string(i) + " \"t\"\n";
        return s;
    };
    CMessageTable clFull;
    ASSERT_TRUE(clFull.bParse(Table(int(DLLRES_MAX_RECORDS)), "full.txt"));
    EXPECT_TRUE(clFull.bValidate());
    CMessageTable clOver;
    ASSERT_TRUE(clOver.bParse(Table(int(DLLRES_MAX_RECORDS) + 1), "over.txt"));
    EXPECT_FALSE(clOver.bValidate());
}

TEST(MessageTableTest, PackedRecordsReadBackThroughTheLoaders) {
    CMessageTable cl;
    ASSERT_TRUE(
        cl.bParse("300 \"z last\"\n"
                  "7 usage=3 \"first\"\n"
                  "42 \"A\\n\\u00A7\\nB \xE2\x82\xAC\"\n"
                  "43 \"\"\n",
                  "m.txt"));
    ASSERT_TRUE(cl.bValidate());
    std::vector<uint8_t> by = cl.Pack();
    // First record: id 7, sorted first; header fields little-endian.
    ASSERT_GE(by.size(), 12u);
    EXPECT_EQ(by[0] | (by[1] << 8), 7 + 5);
    EXPECT_EQ(by[2] | (by[3] << 8), 7);
    EXPECT_EQ(by[4], 3);
    EXPECT_EQ(by[5] | (by[6] << 8), 5);
    EXPECT_EQ(by[by.size() - 2], 0);
    EXPECT_EQ(by[by.size() - 1], 0);

    STRessourceIndex stIndex{};
    stIndex.pbyBuffer = by.data();
    stIndex.pfnCompare = &DLLRES_nCompareRes;
    struct Case {
        uint32_t nId;
        uint32_t nUsage;
        const wchar_t* pszText;
    } aCases[] = {
        {7, 3, L"first"},
        {42, 0, L"A\n\u00A7\nB \u20AC"},
        {43, 0, L""},
        {300, 0, L"z last"},
    };
    for (const Case& c : aCases) {
        STRessourceModule st;
        st.nId = c.nId;
        ASSERT_TRUE(DLLRES_bGetResFromIndex(stIndex, st)) << c.nId;
        EXPECT_EQ(st.nUtilisation, c.nUsage) << c.nId;
        EXPECT_EQ(st.nTextForm, DLLRES_FORM_UTF8) << c.nId;
        wchar_t* psz = CDataCompressor::s_pszDeCompress(st);
        ASSERT_NE(psz, nullptr) << c.nId;
        EXPECT_STREQ(psz, c.pszText) << c.nId;
        free(psz);
    }
    EXPECT_EQ(stIndex.nNbRecord, 4u);

    std::string sSource = cl.sWriteSource("_pbyTest", {"dir/m.txt"});
    EXPECT_NE(sSource.find("const unsigned char _pbyTest[] = {"), std::string::npos);
    EXPECT_NE(sSource.find("from m.txt."), std::string::npos);
}

}  // namespace
