// Names as the connection writes them into SQL (quoted, split, unquoted), hexadecimal texts of
// bytes, and the compact time and date texts.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/TStringConcatAW.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "tests/core/ReallocRefusal.h"
#include "tests/host/StandInConnectionDescription.h"

namespace {

std::wstring wsOf(const wchar_t* psz) {
    return psz != nullptr ? std::wstring(psz) : std::wstring();
}

class CTestConnection : public CNAConnectionDescription {
public:
    CTestConnection(INAConnectionDescription* pi, unsigned nKind, const wchar_t* pszOpen, const wchar_t* pszClose)
        : CNAConnectionDescription(L"Connection=names", pi) {
        m_eDataSource = static_cast<eDATASOURCE>(nKind);
        m_csOpenQuote.Set(pszOpen);
        m_nOpenQuoteLen = static_cast<unsigned>(wcslen(pszOpen));
        m_csCloseQuote.Set(pszClose);
        m_nCloseQuoteLen = static_cast<unsigned>(wcslen(pszClose));
    }
    int bOpen(CNAError*) override { return 0; }
    int bIsOpen() override { return 0; }
    int bClose(CNAError*) override { return 1; }
    void _InitYF2NativeType() override {}
};

class CNAConnectionNamesTest : public testing::Test {
protected:
    standin::CStandInConnectionDescription m_clHost;
    CTestConnection m_clPostgres{&m_clHost, DATASOURCE_POSTGRESQL, L"\"", L"\""};
};

// ------------------------------------------------------------------------------------ quoting

TEST_F(CNAConnectionNamesTest, QuotesItemAndTableNamesForPostgreSQL) {
    const struct {
        const wchar_t* pszName;
        const wchar_t* pszItem;
        const wchar_t* pszTable;
    } tabCases[] = {
        {L"orders", L"\"orders\"", L"\"orders\""},
        {L"Order Lines", L"\"Order Lines\"", L"\"Order Lines\""},
        {L"GROUP", L"\"GROUP\"", L"\"GROUP\""},
        // Already quoted, nothing but quoted identifiers joined by dots: left as it is.
        {L"\"Orders\"", L"\"Orders\"", L"\"Orders\""},
        {L"\"public\".\"Orders\"", L"\"public\".\"Orders\"", L"\"public\".\"Orders\""},
        {L"\"a\"\"b\"", L"\"a\"\"b\"", L"\"a\"\"b\""},
        {L"\"kx.dot\"", L"\"kx.dot\"", L"\"kx.dot\""},
        // Starts with a quote but is more than quoted identifiers: the whole name is one identifier
        // (its quotes doubled); a table name is split only at dots outside quotes.
        {L"\"public\".orders", L"\"\"\"public\"\".orders\"", L"\"public\".\"orders\""},
        {L"\"id\" FROM victim; DROP TABLE victim; SELECT \"id\"",
         L"\"\"\"id\"\" FROM victim; DROP TABLE victim; SELECT \"\"id\"\"\"",
         L"\"\"\"id\"\" FROM victim; DROP TABLE victim; SELECT \"\"id\"\"\""},
        {L"\"t\"; DROP TABLE v; --", L"\"\"\"t\"\"; DROP TABLE v; --\"", L"\"\"\"t\"\"; DROP TABLE v; --\""},
        {L"\"a\" OR 1=1 OR \"b", L"\"\"\"a\"\" OR 1=1 OR \"\"b\"", L"\"\"\"a\"\" OR 1=1 OR \"\"b\""},
        {L"\"a\"x.y", L"\"\"\"a\"\"x.y\"", L"\"\"\"a\"\"x\".\"y\""},
        {L"\"open", L"\"\"\"open\"", L"\"\"\"open\""},
        {L"\"open.x", L"\"\"\"open.x\"", L"\"\"\"open.x\""},
        {L"\"a\".\"b\" --", L"\"\"\"a\"\".\"\"b\"\" --\"", L"\"a\".\"\"\"b\"\" --\""},
        {L"public.\"kx.dot\"", L"\"public.\"\"kx.dot\"\"\"", L"\"public\".\"kx.dot\""},
        // Each part of a qualified name by itself.
        {L"public.orders", L"\"public.orders\"", L"\"public\".\"orders\""},
        {L"base.public.orders", L"\"base.public.orders\"", L"\"base\".\"public\".\"orders\""},
        {L"public.\"Orders\"", L"\"public.\"\"Orders\"\"\"", L"\"public\".\"Orders\""},
        // A quote inside a name the driver quotes is doubled, so the name stays one identifier.
        {L"a\"b", L"\"a\"\"b\"", L"\"a\"\"b\""},
        {L"x\" OR 1=1 --", L"\"x\"\" OR 1=1 --\"", L"\"x\"\" OR 1=1 --\""},
        {L"s.t\"; DROP TABLE t; --", L"\"s.t\"\"; DROP TABLE t; --\"", L"\"s\".\"t\"\"; DROP TABLE t; --\""},
        {L"", L"\"\"", L"\"\""},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(st.pszName);
        CTString clOut;
        EXPECT_EQ(m_clPostgres.bFormatItemName(nullptr, st.pszName, &clOut), 1);
        EXPECT_EQ(wsOf(clOut.pszGet()), st.pszItem);
        EXPECT_EQ(m_clPostgres.bFormatTableName(nullptr, st.pszName, &clOut), 1);
        EXPECT_EQ(wsOf(clOut.pszGet()), st.pszTable);
    }
}

// The rule by quotes and server kind.
TEST_F(CNAConnectionNamesTest, WhenANameNeedsQuotes) {
    const struct {
        unsigned nKind;
        const wchar_t* pszOpen;
        const wchar_t* pszClose;
        const wchar_t* pszName;
        const wchar_t* pszExpected;
    } tabCases[] = {
        // No quotes: never.
        {6, L"", L"", L"a b", L"a b"},
        // Kind 1 quotes only the names its rule picks.
        {1, L"\"", L"\"", L"orders", L"orders"},
        {1, L"\"", L"\"", L"order lines", L"\"order lines\""},
        {1, L"\"", L"\"", L"order-lines", L"\"order-lines\""},
        {1, L"\"", L"\"", L"deg\u00B0", L"\"deg\u00B0\""},
        {1, L"\"", L"\"", L"_hidden", L"\"_hidden\""},
        {1, L"\"", L"\"", L"group", L"\"group\""},
        {1, L"\"", L"\"", L"[a b]", L"[a b]"},
        {1, L"\"", L"\"", L"\"a b\"", L"\"a b\""},
        // Quotes longer than one character: unless the name begins with the whole opening quote.
        {3, L"[[", L"]]", L"a", L"[[a]]"},
        {3, L"[[", L"]]", L"[a", L"[[[a]]"},
        {3, L"[[", L"]]", L"[[a]]", L"[[a]]"},
        {3, L"[[", L"]]", L"a]]b", L"[[a]]]]b]]"},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(testing::Message() << "kind " << st.nKind << ": " << testing::PrintToString(st.pszName));
        CTestConnection cl(&m_clHost, st.nKind, st.pszOpen, st.pszClose);
        CTString clOut;
        EXPECT_EQ(cl.bFormatItemName(nullptr, st.pszName, &clOut), 1);
        EXPECT_EQ(wsOf(clOut.pszGet()), st.pszExpected);
    }
}

TEST_F(CNAConnectionNamesTest, UnquotesNames) {
    const struct {
        const wchar_t* pszName;
        const wchar_t* pszExpected;
    } tabCases[] = {
        {L"\"a\"", L"a"},
        {L"\"Order Lines\"", L"Order Lines"},
        {L"\"", L"\""},
        {L"\"\"", L"\"\""},
        {L"orders", L"orders"},
        {L"\"open", L"\"open"},
        // Doubled quotes read as one; a name that only starts and ends with quotes is left whole.
        {L"\"a\"\"b\"", L"a\"b"},
        {L"\"kx.dot\"", L"kx.dot"},
        {L"\"a\" OR \"b\"", L"\"a\" OR \"b\""},
        {L"\"a\".\"b\"", L"\"a\".\"b\""},
        {L"\"t\"; DROP TABLE v; --", L"\"t\"; DROP TABLE v; --"},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(st.pszName);
        CTString clOut;
        m_clPostgres.UnFormatItemName(st.pszName, &clOut);
        EXPECT_EQ(wsOf(clOut.pszGet()), st.pszExpected);
        // Into the text that holds the name.
        CTString clInPlace(st.pszName);
        m_clPostgres.UnFormatItemName(clInPlace.pszGet(), &clInPlace);
        EXPECT_EQ(wsOf(clInPlace.pszGet()), st.pszExpected);
    }
}

TEST_F(CNAConnectionNamesTest, SplitsQualifiedNames) {
    const struct {
        const wchar_t* pszName;
        const wchar_t *pszDataBase, *pszOwner, *pszTable;
    } tabCases[] = {
        {L"orders", L"", L"", L"orders"},
        {L"public.orders", L"", L"public", L"orders"},
        {L"base.public.orders", L"base", L"public", L"orders"},
        {L"a.b.c.d", L"a", L"b", L"c.d"},
        {L" base . public . orders ", L"base", L"public", L"orders"},
        {L"", L"", L"", L""},
        // Dots inside quotes belong to the name.
        {L"\"kx.dot\"", L"", L"", L"\"kx.dot\""},
        {L"public.\"kx.dot\"", L"", L"public", L"\"kx.dot\""},
        {L"\"a.b\" . \"c.d\" . \"e.f\"", L"\"a.b\"", L"\"c.d\"", L"\"e.f\""},
        {L"s.\"open.x", L"", L"s", L"\"open.x"},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(st.pszName);
        CTString clDataBase(L"x"), clOwner(L"x"), clTable(L"x");
        m_clPostgres.DecomposeTableName(&clDataBase, &clOwner, &clTable, st.pszName);
        EXPECT_EQ(wsOf(clDataBase.pszGet()), st.pszDataBase);
        EXPECT_EQ(wsOf(clOwner.pszGet()), st.pszOwner);
        EXPECT_EQ(wsOf(clTable.pszGet()), st.pszTable);
    }
}

TEST_F(CNAConnectionNamesTest, ExtractsTheOwner) {
    const struct {
        const wchar_t* pszOwner;
        const wchar_t* pszName;
        const wchar_t *pszOwnerOut, *pszTableOut;
    } tabCases[] = {
        {L"", L"public.orders", L"public", L"orders"},
        {L"", L"orders", L"", L"orders"},
        {L"sales", L"public.orders", L"sales", L"public.orders"},
        {L"sales", L"", L"sales", L"untouched"},
        {nullptr, L"a.b.c", L"a", L"b.c"},
        {L"", L"\"s.x\".t", L"\"s.x\"", L"t"},
        {L"", L"\"kx.dot\"", L"", L"\"kx.dot\""},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(st.pszName);
        CTString clOwner, clTable(L"untouched");
        EXPECT_EQ(m_clPostgres.bExtractOwner(st.pszOwner, st.pszName, &clOwner, &clTable), 1);
        EXPECT_EQ(wsOf(clOwner.pszGet()), st.pszOwnerOut);
        EXPECT_EQ(wsOf(clTable.pszGet()), st.pszTableOut);
    }
}

// ------------------------------------------------------------------------------------ hexadecimal

TEST(CNAConnectionHexa, BytesToDigitsAndBack) {
    const unsigned char aby[] = {0x00, 0xAB, 0x7F, 0xFF};
    wchar_t szWide[9];
    char szNarrow[9];
    CNAConnectionDescription::s_BinaryToStringHexa(aby, 4, szWide);
    CNAConnectionDescription::s_BinaryToStringHexa(aby, 4, szNarrow);
    EXPECT_EQ(std::wstring(szWide), L"00AB7FFF");
    EXPECT_STREQ(szNarrow, "00AB7FFF");
    CNAConnectionDescription::s_BinaryToStringHexa(aby, 0, szNarrow);
    EXPECT_STREQ(szNarrow, "");

    const struct {
        const char* pszText;
        unsigned long nSize;
        std::vector<unsigned char> abyExpected;
    } tabCases[] = {
        {"00ab7fFF", 4, {0x00, 0xAB, 0x7F, 0xFF}},
        // Room for fewer bytes than the text holds.
        {"00ab7fFF", 2, {0x00, 0xAB}},
        // A shorter text leaves zeros; a lone last digit is not read.
        {"AB", 3, {0xAB, 0x00, 0x00}},
        {"ABC", 3, {0xAB, 0x00, 0x00}},
        {"", 2, {0x00, 0x00}},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(st.pszText);
        std::vector<unsigned char> aby8(st.nSize, 0x55), abyW(st.nSize, 0x55);
        CNAConnectionDescription::s_StringHexaToBinary(st.pszText, aby8.data(), st.nSize);
        std::wstring ws(st.pszText, st.pszText + strlen(st.pszText));
        CNAConnectionDescription::s_StringHexaToBinary(ws.c_str(), abyW.data(), st.nSize);
        EXPECT_EQ(aby8, st.abyExpected);
        EXPECT_EQ(abyW, st.abyExpected);
    }
}

TEST(CNAConnectionHexa, AppendsDigitsToABuilder) {
    const unsigned char aby[] = {0x00, 0xAB};
    for (unsigned nCodePage : {CTStringConcatAW::s_nCodePageWide, 65001u}) {
        CTStringConcatAW clOut(nCodePage, 65001);
        clOut.Add(L"X'", -1);
        EXPECT_EQ(CNAConnectionDescription::s_bBinaryToStringHexa(nullptr, aby, 2, &clOut), 1);
        EXPECT_EQ(CNAConnectionDescription::s_bBinaryToStringHexa(nullptr, aby, 0, &clOut), 1);
        EXPECT_EQ(std::wstring(clOut.pszGetW()), L"X'00AB");
    }
}

// A builder that cannot grow takes none of the digits, and the failure is reported.
TEST(CNAConnectionHexa, ABuilderThatCannotGrowFails) {
    std::vector<unsigned char> aby(600, 0x5A);
    CTStringConcatAW clOut(CTStringConcatAW::s_nCodePageWide, 65001);
    clOut.Add(L"X'", -1);
    CNAError clError;
    reallocrefusal::Arm(1);
    EXPECT_EQ(CNAConnectionDescription::s_bBinaryToStringHexa(&clError, aby.data(), aby.size(), &clOut), 0);
    EXPECT_TRUE(reallocrefusal::bRefused());
    reallocrefusal::Arm(0);
    EXPECT_EQ(clError.dwGetErrorId(), 12u);
    EXPECT_EQ(clError.eGetErrorLevel(), NA_ERRORLEVEL_ERROR);
    EXPECT_EQ(std::wstring(clOut.pszGetW()), L"X'");
}

// ------------------------------------------------------------------------------------ dates and times

TEST(CNAConnectionCompactTexts, TimeWithSeparators) {
    const struct {
        const wchar_t* pszDigits;
        wchar_t cSeparator;
        const wchar_t* pszExpected;
    } tabCases[] = {
        {L"1234", L'.', L"12:34"},
        {L"123456", L'.', L"12:34:56"},
        {L"1234567", L'.', L"12:34:56.7"},
        {L"123456789", L',', L"12:34:56,789"},
        {L"12345678901", L'.', L"12:34:56.789"},
        {L"1", L'.', L"1"},
        {L"123", L'.', L"12:3"},
        {L"", L'.', L""},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(st.pszDigits);
        CTStringConcatAW clOut(CTStringConcatAW::s_nCodePageWide, 65001);
        clOut.Add(L"old text", -1);
        EXPECT_EQ(CNAConnectionDescription::s_bTimeToStringIncomplete(nullptr, &clOut, st.pszDigits, st.cSeparator), 1);
        EXPECT_EQ(std::wstring(clOut.pszGetW()), st.pszExpected);
    }
}

TEST(CNAConnectionCompactTexts, DateStandardise) {
    const struct {
        const wchar_t* pszText;
        const wchar_t* pszExpected;
    } tabCases[] = {
        {L"2024-01-02 03:04:05.678", L"20240102030405678"},
        {L"12/31/2024", L"12312024"},
        {L"20240102", L"20240102"},
        {L"", L""},
    };
    for (const auto& st : tabCases) {
        CTString cl(st.pszText);
        CNAConnectionDescription::s_DateStandardise(&cl);
        EXPECT_EQ(wsOf(cl.pszGet()), st.pszExpected);
    }
}

}  // namespace
