// What the PostgreSQL connection says of PostgreSQL: server types as item types and sizes,
// hexadecimal byte texts, binary and boolean literals, schema and table names, the dialect
// answers and the kinds of server errors.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "core/TStringConcatAW.h"
#include "tests/host/TestSupport.h"
#include "tests/pgsql/PSQLTestSupport.h"

#include "native/model/NAItemDescription.h"
#include "native/model/NAItemType.h"

using namespace pgtest;

namespace {

class PSQLConnectionTypesTest : public testing::Test {
protected:
    // Declared first, so that it outlives the connections of the test.
    CProcessDriver m_clDriver;
    void SetUp() override { KXInstallStandInHost(); }

    CConnection m_clCnx;
    CErrorRef m_clError;
};

// ------------------------------------------------------------------------------------ server types

TEST_F(PSQLConnectionTypesTest, ServerTypesAsItemTypes) {
    const struct {
        int nOid;
        int nModifier;
        eNA_ITEMTYPE eType;
        unsigned nSize;
        eNA_ITEMTYPE eUnicodeType;  // on a Unicode connection
        unsigned nUnicodeSize;
    } tabCases[] = {
        {16, -1, NA_IT_BOOLEEN, 1, NA_IT_BOOLEEN, 1},
        {17, -1, NA_IT_MEMOBINAIRE, 8, NA_IT_MEMOBINAIRE, 8},  // bytea
        {17, 10, NA_IT_BINAIRE, 12, NA_IT_BINAIRE, 12},
        {18, -1, NA_IT_I1, 1, NA_IT_I1, 1},
        {19, -1, NA_IT_TEXTE, 64, NA_IT_UNICODE, 128},  // name
        {20, -1, NA_IT_I8, 8, NA_IT_I8, 8},
        {21, -1, NA_IT_I2, 2, NA_IT_I2, 2},
        {22, -1, NA_IT_MEMOBINAIRE, 8, NA_IT_MEMOBINAIRE, 8},
        {23, -1, NA_IT_I4, 4, NA_IT_I4, 4},
        {24, -1, NA_IT_I4, 4, NA_IT_I4, 4},
        {25, -1, NA_IT_MEMOTEXTE, 8, NA_IT_MEMOUNICODE, 8},  // text
        {26, -1, NA_IT_UI4, 4, NA_IT_UI4, 4},
        {27, -1, NA_IT_I8, 8, NA_IT_I8, 8},
        {28, -1, NA_IT_I4, 4, NA_IT_I4, 4},
        {29, -1, NA_IT_I4, 4, NA_IT_I4, 4},
        {600, -1, NA_IT_BINAIRE, 18, NA_IT_BINAIRE, 18},
        {601, -1, NA_IT_BINAIRE, 34, NA_IT_BINAIRE, 34},
        {603, -1, NA_IT_BINAIRE, 34, NA_IT_BINAIRE, 34},
        {700, -1, NA_IT_R4, 4, NA_IT_R4, 4},
        {701, -1, NA_IT_R8, 8, NA_IT_R8, 8},
        {702, -1, NA_IT_DATETIME, 8, NA_IT_DATETIME, 8},
        {703, -1, NA_IT_DATETIME, 8, NA_IT_DATETIME, 8},
        {704, -1, NA_IT_DATETIME, 8, NA_IT_DATETIME, 8},
        {790, -1, NA_IT_MONETAIRE, 10, NA_IT_MONETAIRE, 10},
        {1042, 5, NA_IT_CHAR, 1, NA_IT_CHAR, 1},           // char(1)
        {1043, 5, NA_IT_CHAR, 1, NA_IT_CHAR, 1},           // varchar(1)
        {1043, 34, NA_IT_TEXTE, 31, NA_IT_UNICODE, 62},    // varchar(30)
        {1042, 14, NA_IT_TEXTE, 11, NA_IT_UNICODE, 22},    // char(10)
        {1043, -1, NA_IT_MEMOTEXTE, 8, NA_IT_MEMOUNICODE, 8},  // varchar
        {1082, -1, NA_IT_DATE8, 9, NA_IT_DATE8, 9},
        {1083, -1, NA_IT_HEURE, 9, NA_IT_HEURE, 9},
        {1266, -1, NA_IT_HEURE, 9, NA_IT_HEURE, 9},
        {1114, -1, NA_IT_DATETIME, 8, NA_IT_DATETIME, 8},
        {1184, -1, NA_IT_DATETIME, 8, NA_IT_DATETIME, 8},
        {1186, -1, NA_IT_MEMOTEXTE, 8, NA_IT_MEMOUNICODE, 8},  // interval: the server's text
        {1560, 16, NA_IT_TEXTE, 17, NA_IT_UNICODE, 34},        // bit(16): its digits
        {1562, -1, NA_IT_MEMOTEXTE, 8, NA_IT_MEMOUNICODE, 8},
        {2202, -1, NA_IT_I4, 4, NA_IT_I4, 4},
        {2206, -1, NA_IT_I4, 4, NA_IT_I4, 4},
        {2950, -1, NA_IT_TEXTE, 37, NA_IT_UNICODE, 74},        // uuid
        {16385, -1, NA_IT_MEMOTEXTE, 8, NA_IT_MEMOUNICODE, 8},  // a type of the database's own
        {2207, -1, NA_IT_MEMOTEXTE, 8, NA_IT_MEMOUNICODE, 8},
    };
    for (unsigned bUnicode : {0u, 1u}) {
        m_clCnx->SetServerUnicode(bUnicode);
        for (const auto& stCase : tabCases) {
            SCOPED_TRACE(std::to_string(stCase.nOid) + " (" + std::to_string(stCase.nModifier) + ")" +
                         (bUnicode ? " Unicode" : ""));
            eNA_ITEMTYPE eType = NA_IT_EMPTY;
            unsigned nSize = 12345;
            EXPECT_EQ(m_clCnx->bConvertItemType(&eType, &nSize, stCase.nOid, stCase.nModifier, 0, 0), 1);
            EXPECT_EQ(eType, bUnicode ? stCase.eUnicodeType : stCase.eType);
            EXPECT_EQ(nSize, bUnicode ? stCase.nUnicodeSize : stCase.nSize);
        }
    }
}

// numeric takes the item model's rule for its digits, on any connection.
TEST_F(PSQLConnectionTypesTest, NumericFollowsTheDecimalRule) {
    const struct {
        int nIntegerDigits, nDecimals;
    } tabCases[] = {{8, 2}, {4, 0}, {18, 0}, {30, 8}, {0, 0}};
    for (unsigned bUnicode : {0u, 1u}) {
        m_clCnx->SetServerUnicode(bUnicode);
        for (const auto& stCase : tabCases) {
            eNA_ITEMTYPE eExpected = NA_IT_EMPTY, eType = NA_IT_EMPTY;
            unsigned nExpected = 0, nSize = 0;
            CNAItemDescription::s_GetTypeFromFormat(stCase.nIntegerDigits, stCase.nDecimals, &eExpected, &nExpected);
            EXPECT_EQ(m_clCnx->bConvertItemType(&eType, &nSize, 1700, -1, stCase.nIntegerDigits, stCase.nDecimals), 1);
            EXPECT_EQ(eType, eExpected);
            EXPECT_EQ(nSize, nExpected);
        }
    }
}

// ------------------------------------------------------------------------------------ byte texts

TEST_F(PSQLConnectionTypesTest, HexadecimalTexts) {
    const struct {
        const char* pszText;
        long nLength;  // -1: the whole text
        std::optional<std::vector<unsigned char>> aBytes;
        unsigned nSite;  // of the error when refused
    } tabCases[] = {
        {"DEADbeef", -1, std::vector<unsigned char>{0xDE, 0xAD, 0xBE, 0xEF}, 0},
        {"00ff7F80", -1, std::vector<unsigned char>{0x00, 0xFF, 0x7F, 0x80}, 0},
        {"0a1B2c3D4e5F6789", -1, std::vector<unsigned char>{0x0A, 0x1B, 0x2C, 0x3D, 0x4E, 0x5F, 0x67, 0x89}, 0},
        // Only the given length is read.
        {"ABCDEF", 4, std::vector<unsigned char>{0xAB, 0xCD}, 0},
        {"ABC", -1, std::nullopt, 18},
        {"", -1, std::nullopt, 18},
        {"AB", -2, std::nullopt, 18},
        {"GG", -1, std::nullopt, 19},
        {"0g", -1, std::nullopt, 19},
        {"AB G", -1, std::nullopt, 19},
        {"AB\0F", 4, std::nullopt, 19},
        {"ab:;", -1, std::nullopt, 19},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszText);
        m_clError->Reset();
        long nLength = stCase.nLength == -1 ? static_cast<long>(strlen(stCase.pszText)) : stCase.nLength;
        unsigned char* pby = m_clCnx->pUnescapeBytea(m_clError.p(), stCase.pszText, nLength, L"customers", L"photo");
        if (stCase.aBytes) {
            ASSERT_NE(pby, nullptr);
            EXPECT_EQ(std::vector<unsigned char>(pby, pby + nLength / 2), *stCase.aBytes);
            EXPECT_EQ(nErrorCount(m_clError.p()), 0);
            free(pby);
            continue;
        }
        EXPECT_EQ(pby, nullptr);
        EXPECT_EQ(nErrorCount(m_clError.p()), 1);
        stError st = stGetError(m_clError.p());
        EXPECT_EQ(st.nCode, 1000u);
        EXPECT_EQ(st.nInfoCode, 1000u);
        EXPECT_TRUE(bContains(st.sUser, L"A binary value sent by the server is not valid hexadecimal text."));
        // The debug line first; the connection's details follow it.
        EXPECT_EQ(st.sDebug.rfind(wsDebugLine(101, stCase.nSite), 0), 0u);
        EXPECT_EQ(wsOrEmpty(m_clError->pszGetLogicalTableName()), L"customers");
        EXPECT_EQ(wsOrEmpty(m_clError->pszGetItemName()), L"photo");
    }
    // Without an error object the failure is only the null answer.
    EXPECT_EQ(m_clCnx->pUnescapeBytea(nullptr, "GG", 2, L"t", L"i"), nullptr);
}

// ------------------------------------------------------------------------------------ literals

TEST_F(PSQLConnectionTypesTest, BooleanLiterals) {
    for (int bValue : {1, 0, -1, 2}) {
        CTStringConcatAW clOut(65001, 65001);
        clOut.Add(L"old", 3);
        EXPECT_EQ(m_clCnx->_bBoolToString(m_clError.p(), &clOut, bValue), 1);
        EXPECT_STREQ(clOut.pszGetA(), bValue != 0 ? "'t'" : "'f'");
    }
}

// Binary values go through the client library's escaping, between quotes, its text freed.
TEST_F(PSQLConnectionTypesTest, BinaryLiteralsThroughTheClientLibrary) {
    CFakeServer clFake;
    m_clCnx.clHost.m_sExtendedInfo = clFake.wsLibraryOption();
    ASSERT_EQ(m_clCnx->bOpen(m_clError.p()), 1);
    unsigned char abyData[] = {0x00, 0xFF, 0x27, 0x5C};
    for (unsigned short nType : {28, 29, 30}) {
        for (unsigned nCodePage : {65001u, CTStringConcatAW::s_nCodePageWide}) {
            CTStringConcatAW clOut(nCodePage, 65001);
            clOut.Add(L"old", 3);
            EXPECT_EQ(m_clCnx->_bEscapeString(m_clError.p(), &clOut, nType, abyData, sizeof(abyData)), 1);
            EXPECT_EQ(std::wstring(clOut.pszGetW()), L"'\\x00ff275c'");
            EXPECT_EQ(clFake.st().nLiveEscapes, 0);
        }
    }
    EXPECT_EQ(nErrorCount(m_clError.p()), 0);

    // Refused: the connection's error, with the library's text when it has one.
    for (const char* pszMessage : {"out of memory\n", ""}) {
        m_clError->Reset();
        clFake.st().bRefuseEscape = true;
        clFake.st().sErrorMessage = pszMessage;
        CTStringConcatAW clOut(65001, 65001);
        EXPECT_EQ(m_clCnx->_bEscapeString(m_clError.p(), &clOut, 28, abyData, sizeof(abyData)), 0);
        stError st = stGetError(m_clError.p());
        EXPECT_EQ(st.nCode, 22u);
        EXPECT_TRUE(bContains(st.sUser, wsOf(pszMessage)));
        EXPECT_EQ(st.sDebug.rfind(wsDebugLine(101, 6), 0), 0u);
    }

    // A fault: its own error first, then the connection's.
    m_clError->Reset();
    clFake.st().bRefuseEscape = false;
    clFake.st().sErrorMessage = "no connection\n";
    clFake.st().sThrowIn = "PQescapeByteaConn";
    CTStringConcatAW clOut(65001, 65001);
    EXPECT_EQ(m_clCnx->_bEscapeString(m_clError.p(), &clOut, 30, abyData, sizeof(abyData)), 0);
    EXPECT_EQ(stGetError(m_clError.p()).nCode, 23u);
    EXPECT_EQ(stGetError(m_clError.p()).sDebug.rfind(wsDebugLine(101, 8), 0), 0u);
    EXPECT_EQ(stGetError(m_clError.p(), 0).nCode, 22u);
    EXPECT_EQ(stGetError(m_clError.p(), 0).sDebug.rfind(wsDebugLine(101, 6), 0), 0u);
    clFake.st().sThrowIn.clear();
    m_clCnx.Drop();
}

// ------------------------------------------------------------------------------------ names, dialect

TEST_F(PSQLConnectionTypesTest, SchemaAndTable) {
    const struct {
        const wchar_t* pszName;
        const wchar_t* pszSchema;
        const wchar_t* pszTable;
    } tabCases[] = {
        {L"db.public.customers", L"public", L"customers"},
        {L"public.customers", L"public", L"customers"},
        {L"customers", L"", L"customers"},
        {L" sales . orders ", L"sales", L"orders"},
        {L"a.b.c.d", L"b", L"c.d"},
        {L".t", L"", L"t"},
    };
    for (const auto& stCase : tabCases) {
        CTString clSchema(L"old"), clTable(L"old");
        m_clCnx->DecomposeTableName(&clSchema, &clTable, stCase.pszName);
        EXPECT_EQ(wsOrEmpty(clSchema.pszGet()), stCase.pszSchema) << sOf(stCase.pszName);
        EXPECT_EQ(wsOrEmpty(clTable.pszGet()), stCase.pszTable) << sOf(stCase.pszName);
    }
}

TEST_F(PSQLConnectionTypesTest, DialectAnswers) {
    EXPECT_EQ(m_clCnx->bSupportOrderByMemo(), 1);
    EXPECT_EQ(m_clCnx->bSupportItemTime(), 1);
    EXPECT_EQ(m_clCnx->bNULLBeforeNotNULL(), 0);
    const struct {
        unsigned nVersion;
        int bReturning;
    } tabCases[] = {{0, 0}, {80100, 0}, {80199, 0}, {80200, 1}, {150004, 1}};
    for (const auto& stCase : tabCases) {
        m_clCnx->SetServerVersion(stCase.nVersion);
        EXPECT_EQ(m_clCnx->bSupportInsertReturning(), stCase.bReturning) << stCase.nVersion;
    }
}

TEST_F(PSQLConnectionTypesTest, ServerErrorKinds) {
    const struct {
        unsigned nCode;
        eNA_ERRORTYPE eType;
    } tabCases[] = {
        {23502, NA_ERRORTYPE_NULLNOTALLOWED}, {23503, NA_ERRORTYPE_GENERAL}, {23504, NA_ERRORTYPE_GENERAL},
        {23505, NA_ERRORTYPE_DUPLICATE},      {23514, NA_ERRORTYPE_GENERAL}, {23, NA_ERRORTYPE_GENERAL},
        {42, NA_ERRORTYPE_GENERAL},           {0, NA_ERRORTYPE_GENERAL},
    };
    for (const auto& stCase : tabCases) EXPECT_EQ(m_clCnx->eGetNAErrorType(stCase.nCode), stCase.eType) << stCase.nCode;
}

}  // namespace
