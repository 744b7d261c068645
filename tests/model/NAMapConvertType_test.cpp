// The SQL type map: its generic rows, rows completed with the item's size or precision, the
// replacement of a row, and item types without a row.
#include "native/model/NAMapConvertType.h"

#include <gtest/gtest.h>

#include <string>

#include "native/model/NAItemDescription.h"
#include "tests/host/TestSupport.h"

namespace {

// An item of a type, size and digits, held for the test.
struct CItem {
    CNAItemDescription* p = new CNAItemDescription;
    CItem(eNA_ITEMTYPE eType, unsigned nSize, int nIntegerDigits = 0, int nDecimalDigits = 0) {
        p->AddRef();
        p->bInit(L"item", L"", L"item", 1, nSize, eType, 0, 0, 0, nIntegerDigits, nDecimalDigits);
        // bInit makes an item of no type a text: the type is put back as the test wants it.
        if (p->eNAGetItemType() != eType) p->bChangeTypeMemo(eType);
    }
    ~CItem() { p->nRelease(); }
    CItem(const CItem&) = delete;
    CItem& operator=(const CItem&) = delete;
};

std::wstring sFormat(CNAMapConvertType& clMap, eNA_ITEMTYPE eType, unsigned nSize, int nInteger = 0, int nDecimal = 0,
                     int* pbFound = nullptr) {
    CItem clItem(eType, nSize, nInteger, nDecimal);
    CTString clOut(L"unchanged");
    int bFound = clMap.bFormat(clItem.p, &clOut);
    if (pbFound != nullptr) *pbFound = bFound;
    return clOut.pszGet() != nullptr ? clOut.pszGet() : L"";
}

class MapConvertTypeTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        m_pclMap->AddRef();
        m_pclMap->_Init();
    }
    void TearDown() override { m_pclMap->nRelease(); }

    CNAMapConvertType* m_pclMap = new CNAMapConvertType(7);
};

}  // namespace

TEST_F(MapConvertTypeTest, GenericRows) {
    const struct {
        eNA_ITEMTYPE eType;
        unsigned nSize;
        int nInteger, nDecimal;
        const wchar_t* pszExpected;
    } tabCases[] = {
        {NA_IT_IDAUTO, 8, 0, 0, L"NUMERIC(19,0)"},
        {NA_IT_IDAUTO4, 4, 0, 0, L"INTEGER"},
        {NA_IT_I1, 1, 0, 0, L"SMALLINT"},
        {NA_IT_I2, 2, 0, 0, L"SMALLINT"},
        {NA_IT_I4, 4, 0, 0, L"INTEGER"},
        {NA_IT_I8, 8, 0, 0, L"NUMERIC(19,0)"},
        {NA_IT_UI1, 1, 0, 0, L"SMALLINT"},
        {NA_IT_UI2, 2, 0, 0, L"SMALLINT"},
        {NA_IT_UI4, 4, 0, 0, L"INTEGER"},
        {NA_IT_UI8, 8, 0, 0, L"NUMERIC(20,0)"},
        {NA_IT_BOOLEEN, 1, 0, 0, L"SMALLINT"},
        {NA_IT_MONETAIRE, 10, 0, 0, L"NUMERIC(24,6)"},
        {NA_IT_DECIMAL, 9, 10, 2, L"NUMERIC(12,2)"},
        {NA_IT_DECIMAL, 9, 20, 0, L"NUMERIC(20,0)"},
        {NA_IT_R4, 4, 0, 0, L"REAL"},
        {NA_IT_R8, 8, 0, 0, L"FLOAT"},
        {NA_IT_REELTURBO, 8, 0, 0, L"FLOAT"},
        {NA_IT_CHAR, 1, 0, 0, L"CHARACTER"},
        {NA_IT_IMAGE, 12, 0, 0, L"CHARACTER(12)"},
        {NA_IT_TEXTE, 51, 0, 0, L"VARCHAR(50)"},
        {NA_IT_MEMOTEXTE, 8, 0, 0, L"TEXT"},
        {NA_IT_UNICODE, 42, 0, 0, L"NVARCHAR(20)"},
        {NA_IT_MEMOUNICODE, 8, 0, 0, L"NTEXT"},
        {NA_IT_BINAIRE, 12, 0, 0, L"VARBINARY(10)"},
        {NA_IT_DATE6, 7, 0, 0, L"DATE"},
        {NA_IT_DATE8, 9, 0, 0, L"DATE"},
        {NA_IT_HEURE, 10, 0, 3, L"TIME"},
        {NA_IT_DATETIME, 8, 0, 0, L"TIMESTAMP"},
        {NA_IT_TIMELENGHT, 8, 0, 0, L"NUMERIC(19,0)"},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(st.eType);
        int bFound = 0;
        EXPECT_EQ(sFormat(*m_pclMap, st.eType, st.nSize, st.nInteger, st.nDecimal, &bFound), st.pszExpected);
        EXPECT_EQ(bFound, 1);
    }
    EXPECT_EQ(m_pclMap->dwGetNumElement(), 28u);
}

TEST_F(MapConvertTypeTest, TypesWithoutARow) {
    for (eNA_ITEMTYPE eType : {NA_IT_EMPTY, NA_IT_MEMOBINAIRE4, NA_IT_MEMOBINAIRE, static_cast<eNA_ITEMTYPE>(8)}) {
        int bFound = 1;
        EXPECT_EQ(sFormat(*m_pclMap, eType, 8, 0, 0, &bFound), L"unchanged");
        EXPECT_EQ(bFound, 0);
    }
}

// A row added for a type replaces the one there: the map never holds two rows for one type.
TEST_F(MapConvertTypeTest, ReplacingRows) {
    EXPECT_EQ(m_pclMap->Add(NA_IT_UNICODE, L"VARCHAR(%d)", 1), 1);
    EXPECT_EQ(m_pclMap->Add(NA_IT_MEMOBINAIRE, L"BYTEA", 0), 1);
    EXPECT_EQ(m_pclMap->Add(NA_IT_I8, L"BIGINT", 0), 1);
    EXPECT_EQ(m_pclMap->dwGetNumElement(), 29u);
    EXPECT_EQ(sFormat(*m_pclMap, NA_IT_UNICODE, 42), L"VARCHAR(20)");
    EXPECT_EQ(sFormat(*m_pclMap, NA_IT_MEMOBINAIRE, 8), L"BYTEA");
    EXPECT_EQ(sFormat(*m_pclMap, NA_IT_I8, 8), L"BIGINT");
    // A formatted time row takes the fraction digits of the item's size (never below 0).
    EXPECT_EQ(m_pclMap->Add(NA_IT_HEURE, L"TIME(%d)", 1), 1);
    EXPECT_EQ(sFormat(*m_pclMap, NA_IT_HEURE, 10), L"TIME(3)");
    EXPECT_EQ(sFormat(*m_pclMap, NA_IT_HEURE, 7), L"TIME(0)");
    EXPECT_EQ(sFormat(*m_pclMap, NA_IT_HEURE, 5), L"TIME(0)");
    // An unformatted row takes nothing from the item.
    EXPECT_EQ(m_pclMap->Add(NA_IT_TEXTE, L"TEXT", 0), 1);
    EXPECT_EQ(sFormat(*m_pclMap, NA_IT_TEXTE, 51), L"TEXT");
    EXPECT_EQ(m_pclMap->dwGetNumElement(), 29u);
}

// The map holds one reference on each row, for the time it holds it.
TEST_F(MapConvertTypeTest, RowReferences) {
    CNATypeInfo* pclRow = nullptr;
    ASSERT_EQ(m_pclMap->bGet(NA_IT_TEXTE, &pclRow), 1);
    EXPECT_EQ(pclRow->nGetRef(), 2u);  // the map's and ours
    pclRow->AddRef();
    m_pclMap->Add(NA_IT_TEXTE, L"TEXT", 0);
    EXPECT_EQ(pclRow->nGetRef(), 2u);  // ours alone now
    EXPECT_EQ(std::wstring(pclRow->pszGetType()), L"VARCHAR(%d)");
    EXPECT_TRUE(pclRow->bIsFormatted());
    pclRow->nRelease();
    pclRow->nRelease();
}
