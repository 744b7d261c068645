// SQL column declarations read back into item types and sizes.
#include <gtest/gtest.h>

#include "native/driver/NAConnectionDescription.h"
#include "tests/host/StandInConnectionDescription.h"

#include "native/model/NAItemType.h"

namespace {

class CTestConnection : public CNAConnectionDescription {
public:
    CTestConnection(INAConnectionDescription* pi, unsigned nKind) : CNAConnectionDescription(L"Connection=types", pi) {
        m_eDataSource = static_cast<eDATASOURCE>(nKind);
    }
    int bOpen(CNAError*) override { return 0; }
    int bIsOpen() override { return 0; }
    int bClose(CNAError*) override { return 1; }
    void _InitYF2NativeType() override {}
};

TEST(CNAConnectionTypeNames, DeclarationToItemType) {
    const struct {
        const wchar_t* pszDeclaration;
        const wchar_t* pszCharset;
        eNA_ITEMTYPE eType;
        unsigned nSize;
    } tabCases[] = {
        {L"UNSIGNED INTEGER", nullptr, NA_IT_UI4, 4},
        {L"INTEGER UNSIGNED", nullptr, NA_IT_UI4, 4},
        {L"integer", nullptr, NA_IT_I4, 4},
        {L"INT8", nullptr, NA_IT_I8, 8},
        {L"bigint unsigned", nullptr, NA_IT_UI8, 8},
        {L"TINYINT", nullptr, NA_IT_I1, 1},
        {L"unsigned\ttinyint", nullptr, NA_IT_UI1, 1},
        {L"SMALLINT", nullptr, NA_IT_I2, 2},
        // "UNSIGNED" only as a word of its own.
        {L"INT UNSIGNEDX", nullptr, NA_IT_I4, 4},
        {L"VARCHAR ( 20 )", nullptr, NA_IT_TEXTE, 21},
        {L"VARCHAR", nullptr, NA_IT_TEXTE, 2},
        {L"character(5)", nullptr, NA_IT_TEXTE, 6},
        {L"NVARCHAR(10)", nullptr, NA_IT_UNICODE, 22},
        {L"varchar(10)", L"UTF8", NA_IT_UNICODE, 22},
        {L"varchar(10)", L"ucs2_general", NA_IT_UNICODE, 22},
        {L"varchar(10)", L"latin1", NA_IT_TEXTE, 11},
        {L"TEXT", L"utf8mb4", NA_IT_MEMOUNICODE, 8},
        {L"TEXT", nullptr, NA_IT_MEMOTEXTE, 8},
        {L"NTEXT", nullptr, NA_IT_MEMOUNICODE, 8},
        {L"CHAR", nullptr, NA_IT_CHAR, 1},
        {L"CHAR(10)", nullptr, NA_IT_TEXTE, 11},
        {L"VARBINARY(16)", nullptr, NA_IT_BINAIRE, 18},
        {L"TIMESTAMP", nullptr, NA_IT_DATETIME, 8},
        {L"TIME", nullptr, NA_IT_HEURE, 6},
        {L"DATETIME", nullptr, NA_IT_DATETIME, 8},
        {L"DATE", nullptr, NA_IT_DATE8, 9},
        {L"YEAR", nullptr, NA_IT_DATE8, 9},
        {L"REAL", nullptr, NA_IT_R4, 4},
        {L"DOUBLE PRECISION", nullptr, NA_IT_R8, 8},
        {L"FLOAT", nullptr, NA_IT_R4, 4},
        {L"BOOLEAN", nullptr, NA_IT_I1, 1},
        {L"BIT", nullptr, NA_IT_I1, 1},
        {L"LONGBLOB", nullptr, NA_IT_MEMOBINAIRE, 8},
        {L"ENUM('a','b')", nullptr, NA_IT_MEMOTEXTE, 8},
        {L"GEOMETRY", nullptr, NA_IT_MEMOTEXTE, 8},
        {L"", nullptr, NA_IT_MEMOTEXTE, 8},
    };
    standin::CStandInConnectionDescription clHost;
    CTestConnection cl(&clHost, DATASOURCE_POSTGRESQL);
    for (const auto& st : tabCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(st.pszDeclaration)));
        eNA_ITEMTYPE eType = NA_IT_EMPTY;
        unsigned nSize = 0, nDigits = 0, nScale = 0;
        EXPECT_EQ(cl.bSQLTypeNameToNAType(nullptr, &eType, &nSize, &nDigits, &nScale, st.pszDeclaration, st.pszCharset),
                  1);
        EXPECT_EQ(eType, st.eType);
        EXPECT_EQ(nSize, st.nSize);
    }
}

// Decimals: integer digits and scale from the declaration, the type from the number format
// (up to 10 integer and 6 decimal digits: money; more: a decimal sized by its precision).
TEST(CNAConnectionTypeNames, Decimals) {
    const struct {
        const wchar_t* pszDeclaration;
        unsigned nDigits, nScale;
        eNA_ITEMTYPE eType;
        unsigned nSize;
    } tabCases[] = {
        {L"NUMERIC(10,2)", 8, 2, NA_IT_MONETAIRE, 10},
        {L"decimal(13, 2)", 11, 2, NA_IT_DECIMAL, 6},
        {L"DEC(5)", 5, 0, NA_IT_I4, 4},
    };
    standin::CStandInConnectionDescription clHost;
    CTestConnection cl(&clHost, DATASOURCE_POSTGRESQL);
    for (const auto& st : tabCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(st.pszDeclaration)));
        eNA_ITEMTYPE eType = NA_IT_EMPTY;
        unsigned nSize = 0, nDigits = 99, nScale = 99;
        cl.bSQLTypeNameToNAType(nullptr, &eType, &nSize, &nDigits, &nScale, st.pszDeclaration, nullptr);
        EXPECT_EQ(nDigits, st.nDigits);
        EXPECT_EQ(nScale, st.nScale);
        EXPECT_EQ(eType, st.eType);
        EXPECT_EQ(nSize, st.nSize);
    }
}

TEST(CNAConnectionTypeNames, RealByServerKind) {
    standin::CStandInConnectionDescription clHost;
    CTestConnection cl13(&clHost, 13);
    eNA_ITEMTYPE eType = NA_IT_EMPTY;
    unsigned nSize = 0;
    cl13.bSQLTypeNameToNAType(nullptr, &eType, &nSize, nullptr, nullptr, L"REAL", nullptr);
    EXPECT_EQ(eType, NA_IT_R8);
    EXPECT_EQ(nSize, 8u);
}

TEST(CNAConnectionTypeNames, SizeInDeclaration) {
    const struct {
        const wchar_t* pszDeclaration;
        const wchar_t* pszKeyword;
        int n;
    } tabCases[] = {
        {L"VARCHAR(20)", L"VARCHAR", 20},
        {L"VARCHAR ( 20 ) NOT NULL", L"VARCHAR", 20},
        {L"VARCHAR", L"VARCHAR", 1},
        {L"VARCHAR(20", L"VARCHAR", 1},
        {L"VARCHAR()", L"VARCHAR", 1},
        {L"CHAR(3)", L"VARCHAR", 1},
    };
    for (const auto& st : tabCases)
        EXPECT_EQ(CNAConnectionDescription::_nGetSizeInTypeDecl(st.pszDeclaration, st.pszKeyword), st.n)
            << testing::PrintToString(std::wstring(st.pszDeclaration));
}

}  // namespace
