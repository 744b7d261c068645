// The PostgreSQL table description without a server: the catalogue queries it writes for names
// with and without a schema on old and new servers, the number test of defaults, and its readers
// over scripted catalogue rows (sequences, domains, defaults of every kind, one-column and
// composite keys, indexes on expressions and on columns that are gone).
#include "pgsql/PSQLDataSourceDescription.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/XYStringConcat.h"
#include "tests/pgsql/CatalogueTexts.h"
#include "tests/pgsql/FakeStatementSupport.h"

using namespace pgtest;

namespace {

TEST(PSQLCatalogueTextsTest, Lengths) {
    EXPECT_EQ(s_sColumnsStart.size(), 833u);
    EXPECT_EQ(s_sColumnsEnd.size(), 166u);
    EXPECT_EQ(s_sIndexStart.size(), 394u);
}

// A description held by one reference, over a connection that is not open.
class CDescription {
public:
    CDescription(CNAConnectionDescription* pclCnx, CNAError* pclError, const wchar_t* pszName)
        : m_p(new CPSQLDataSourceDescription(pclCnx, pclError)) {
        m_p->AddRef();
        m_p->SetDBName(pszName);
        m_p->SetLogicalName(pszName);
    }
    ~CDescription() { m_p->nRelease(); }
    CDescription(const CDescription&) = delete;
    CDescription& operator=(const CDescription&) = delete;
    CPSQLDataSourceDescription* operator->() const { return m_p; }

private:
    CPSQLDataSourceDescription* m_p;
};

class PSQLDataSourceDescriptionTest : public CFakeStatementTest {};

// The condition names the schema when there is one; without one, servers from 7.3 on look along
// the search path, older ones by the name alone. Names are unquoted and written as literals.
TEST_F(PSQLDataSourceDescriptionTest, CatalogueQueries) {
    const struct {
        const wchar_t* pszName;
        int nMajor, nMinor;
        std::wstring sColumns, sIndex;
    } tabCases[] = {
        {L"customer", 15, 2, L"pg_class.relname='customer' AND pg_table_is_visible(pg_class.oid)",
         L"pg_class1.relname='customer' AND pg_table_is_visible(pg_class1.oid)"},
        {L"customer", 8, 4, L"pg_class.relname='customer' AND pg_table_is_visible(pg_class.oid)",
         L"pg_class1.relname='customer' AND pg_table_is_visible(pg_class1.oid)"},
        {L"customer", 7, 3, L"pg_class.relname='customer' AND pg_table_is_visible(pg_class.oid)",
         L"pg_class1.relname='customer' AND pg_table_is_visible(pg_class1.oid)"},
        {L"customer", 7, 2, L"pg_class.relname='customer'", L"pg_class1.relname='customer'"},
        {L"sales.customer", 15, 0, L"pg_class.relname='customer' AND pg_namespace.nspname='sales'",
         L"pg_class1.relname='customer' AND pg_namespace.nspname='sales'"},
        {L"\"Sales\".\"Order\"", 15, 0, L"pg_class.relname='Order' AND pg_namespace.nspname='Sales'",
         L"pg_class1.relname='Order' AND pg_namespace.nspname='Sales'"},
        {L"db.sales.customer", 7, 2, L"pg_class.relname='customer' AND pg_namespace.nspname='sales'",
         L"pg_class1.relname='customer' AND pg_namespace.nspname='sales'"},
        {L"o'hara", 15, 0, L"pg_class.relname='o''hara' AND pg_table_is_visible(pg_class.oid)",
         L"pg_class1.relname='o''hara' AND pg_table_is_visible(pg_class1.oid)"},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(sOf(stCase.pszName) + " " + std::to_string(stCase.nMajor) + "." + std::to_string(stCase.nMinor));
        m_clCnx->SetServerMajorMinor(stCase.nMajor, stCase.nMinor);
        CDescription clDesc(m_clCnx.pcl(), m_clError.p(), stCase.pszName);
        CXYStringConcat<wchar_t> clQuery(1024);
        ASSERT_EQ(clDesc->_bGetQueryShowColumns(&clQuery), 1);
        EXPECT_EQ(std::wstring(clQuery.pszGet()), s_sColumnsStart + stCase.sColumns + s_sColumnsEnd);
        ASSERT_EQ(clDesc->_bGetQueryShowIndex(&clQuery), 1);
        EXPECT_EQ(std::wstring(clQuery.pszGet()), s_sIndexStart + stCase.sIndex);
    }
}

// Defaults are kept as numbers only when they read as one.
TEST(PSQLCatalogueNumberTest, NumberTest) {
    const struct {
        const wchar_t* psz;
        bool bNumber;
    } tabCases[] = {
        {L"0", true},    {L"-12.5", true},  {L"+3,25", true},  {L" \t7", true}, {L"", true},
        {L"-", true},    {L"1.2.3", false}, {L"1,2.3", false}, {L"1e5", false}, {L"7 ", false},
        {L"--1", false}, {L"'1'", false},   {L"0x10", false},
    };
    for (const auto& stCase : tabCases) EXPECT_EQ(__bEstUnNombre(stCase.psz), stCase.bNumber) << sOf(stCase.psz);
}

// ------------------------------------------------------------------------------------ readers

struct stColumnRow {
    const char* pszName;
    const char* pszType;
    const char* pszDims;
    const char* pszTypMod;
    const char* pszNotNull;
    const char* pszHasDef;
    const char* pszNum;
    const char* pszTypType;
    const char* pszDomainNotNull;
    const char* pszBaseType;
    const char* pszDefault;
};

stFakeServerResult stColumns(const std::vector<stColumnRow>& aRows) {
    stFakeServerResult st;
    st.nStatus = 2;
    st.aColumns = {"attname",   "atttypid", "attlen",       "attndims",          "atttypmod",  "attnotnull",
                   "atthasdef", "attnum",   "real_typtype", "domain_typnotnull", "base_typid", "default"};
    for (const stColumnRow& r : aRows)
        st.aRows.push_back({r.pszName, r.pszType, "-1", r.pszDims, r.pszTypMod, r.pszNotNull, r.pszHasDef, r.pszNum,
                            r.pszTypType, r.pszDomainNotNull, r.pszBaseType, r.pszDefault});
    return st;
}

stFakeServerResult stIndexes(const std::vector<std::vector<std::string>>& aRows) {
    stFakeServerResult st;
    st.nStatus = 2;
    st.aColumns = {"indexname", "indisunique", "indisprimary", "indnatts", "indkey", "partial"};
    // Rows written without the predicate column are of whole indexes.
    for (std::vector<std::string> aRow : aRows) {
        if (aRow.size() == 5) aRow.push_back("f");
        st.aRows.push_back(aRow);
    }
    return st;
}

// Columns into items: sequences make automatic identifiers of their integer's width, domains give
// their base type and their NOT NULL, numerics their digits (none without a modifier), and defaults
// are kept as numbers, as quoted texts (doubled quotes read as one) or not at all.
TEST_F(PSQLDataSourceDescriptionTest, ItemsFromTheColumnsQuery) {
    const char* N = FAKESERVER_NULL;
    Script("COLUMNS", stColumns({
                          {"id", "23", "0", "-1", "t", "t", "1", "b", "f", "0", "nextval('t_id_seq'::regclass)"},
                          {"big", "20", "0", "-1", "t", "t", "2", "b", "f", "0", "nextval('t_big_seq'::regclass)"},
                          {"small", "21", "0", "-1", "f", "t", "4", "b", "f", "0", "nextval('t_small_seq'::regclass)"},
                          {"money", "1700", "0", "655366", "f", "t", "5", "b", "f", "0", "0"},
                          {"plain", "1700", "0", "-1", "f", "t", "6", "b", "f", "0", "1.5"},
                          {"flag", "1042", "0", "5", "f", "t", "7", "b", "f", "0", "'N'::bpchar"},
                          {"created", "1114", "0", "-1", "f", "t", "8", "b", "f", "0", "now()"},
                          {"owner", "25", "0", "-1", "f", "t", "9", "b", "f", "0", "'O''Brien''s'::text"},
                          {"code", "16390", "0", "-1", "f", "f", "10", "d", "t", "23", N},
                          {"nullable", "23", "0", "-1", "f", "t", "11", "b", "f", "0", "<NULL>"},
                          {"required", "23", "0", "-1", "t", "t", "12", "b", "f", "0", "<NULL>"},
                          {"grid", "1007", "2", "-1", "f", "f", "13", "b", "f", "0", N},
                          {"negative", "23", "0", "-1", "f", "t", "14", N, N, N, "-1"},
                          {"quoted number", "23", "0", "-1", "f", "t", "15", "b", "f", "0", "'-7'::integer"},
                          {"no default read", "23", "0", "-1", "f", "f", "16", "b", "f", "0", "5"},
                          {"amount", "1700", "0", "1310728", "f", "t", "17", "b", "f", "0", "0"},
                      }));
    CDescription clDesc(m_clCnx.pcl(), m_clError.p(), L"t");
    CStatementRef clStatement(pclNew());
    ASSERT_EQ(clStatement->bExecuteDirect(L"COLUMNS", nullptr, 0), 1);
    ASSERT_EQ(clDesc->_bInitItemFromQueryShowColumns(clStatement.p()), 1) << sOf(m_clError->pszGetError());

    eNA_ITEMTYPE eMoney, eAmount;
    unsigned nMoney, nAmount;
    CNAItemDescription::s_GetTypeFromFormat(8, 2, &eMoney, &nMoney);
    CNAItemDescription::s_GetTypeFromFormat(16, 4, &eAmount, &nAmount);
    const struct {
        const wchar_t* pszName;
        eNA_ITEMTYPE eType;
        unsigned nSize;
        int nDatabaseIndex;
        bool bNullable;
        std::optional<std::wstring> osDefault;  // nullopt: no default (a NULL one)
        unsigned nDimension;
        int nInteger, nDecimal;
    } tabExpected[] = {
        {L"id", NA_IT_IDAUTO4, 4, 1, false, std::nullopt, 1, 0, 0},
        {L"big", NA_IT_IDAUTO, 8, 2, false, std::nullopt, 1, 0, 0},
        {L"small", NA_IT_I2, 2, 4, true, std::nullopt, 1, 0, 0},
        {L"money", eMoney, nMoney, 5, true, std::nullopt, 1, 0, 0},
        {L"plain", NA_IT_R8, 8, 6, true, L"1.5", 1, 0, 0},
        {L"flag", NA_IT_CHAR, 1, 7, true, L"N", 1, 0, 0},
        {L"created", NA_IT_DATETIME, 8, 8, true, std::nullopt, 1, 0, 0},
        {L"owner", NA_IT_MEMOUNICODE, 8, 9, true, L"O'Brien's", 1, 0, 0},
        {L"code", NA_IT_I4, 4, 10, false, std::nullopt, 1, 0, 0},
        {L"nullable", NA_IT_I4, 4, 11, true, std::nullopt, 1, 0, 0},
        {L"required", NA_IT_I4, 4, 12, false, std::nullopt, 1, 0, 0},
        {L"grid", NA_IT_MEMOTEXTE, 8, 13, true, std::nullopt, 2, 0, 0},
        {L"negative", NA_IT_I4, 4, 14, true, L"-1", 1, 0, 0},
        {L"quoted number", NA_IT_I4, 4, 15, true, L"-7", 1, 0, 0},
        {L"no default read", NA_IT_I4, 4, 16, true, std::nullopt, 1, 0, 0},
        {L"amount", eAmount, nAmount, 17, true, L"0", 1, 16, 4},
    };
    ASSERT_EQ(eAmount, NA_IT_DECIMAL);
    ASSERT_EQ(clDesc->nGetNumItems(), std::size(tabExpected));
    for (size_t i = 0; i < std::size(tabExpected); i++) {
        const auto& st = tabExpected[i];
        SCOPED_TRACE(sOf(st.pszName));
        CNAItemDescription* pcl = clDesc->pclGetItemNoRef(static_cast<int>(i));
        EXPECT_EQ(std::wstring(pcl->pszGetName()), st.pszName);
        EXPECT_EQ(std::wstring(pcl->pszGetSourceName()), L"t");
        EXPECT_EQ(std::wstring(pcl->pszGetNameInSource()), st.pszName);
        EXPECT_EQ(pcl->nGetPhysicalIndice(), static_cast<int>(i));
        EXPECT_EQ(pcl->nGetPhysicalIndiceDB(), st.nDatabaseIndex);
        EXPECT_EQ(pcl->nGetDimension(), st.nDimension);
        EXPECT_EQ(pcl->bNullable(), st.bNullable);
        EXPECT_EQ(pcl->nGetKeyIndice(), -1);
        if (st.eType != NA_IT_MEMOTEXTE) {
            EXPECT_EQ(pcl->eNAGetItemType(), st.eType);
            EXPECT_EQ(pcl->nGetItemSize(), st.nSize);
        }
        if (st.eType == NA_IT_DECIMAL) {
            EXPECT_EQ(pcl->nGetIntegerPart(), static_cast<unsigned>(st.nInteger));
            EXPECT_EQ(pcl->nGetDecimalPart(), static_cast<unsigned>(st.nDecimal));
        }
        const CAny* pclDefault = pcl->pclGetDefaultValue(0);
        EXPECT_EQ(osText(*pclDefault), st.osDefault);
    }
    // A NULL default the column allows is recorded as such, as is the absence of one.
    EXPECT_TRUE(clDesc->pclGetItemNoRef(9)->pclGetDefaultValue(0)->bIsNull());
}

// Indexes into keys: one-column indexes mark their item (found by column number, dropped columns
// between), several columns make a composite key of type 23 after the columns; indexes on
// expressions or on columns no item has add nothing; a unique index with a predicate is a key
// with duplicates.
TEST_F(PSQLDataSourceDescriptionTest, KeysFromTheIndexQuery) {
    const char* N = FAKESERVER_NULL;
    Script("COLUMNS", stColumns({
                          {"id", "23", "0", "-1", "t", "f", "1", "b", "f", "0", N},
                          {"name", "25", "0", "-1", "f", "f", "3", "b", "f", "0", N},
                          {"code", "23", "0", "-1", "f", "f", "4", "b", "f", "0", N},
                          {"city", "25", "0", "-1", "f", "f", "6", "b", "f", "0", N},
                          {"badge", "23", "0", "-1", "f", "f", "7", "b", "f", "0", N},
                      }));
    Script("INDEXES", stIndexes({
                          {"t_pkey", "t", "t", "1", "1"},
                          {"t_city", "f", "f", "1", "6"},
                          {"t_code", "t", "f", "1", "4"},
                          {"t_badge_live", "t", "f", "1", "7", "t"},
                          {"t_lower", "f", "f", "1", "0"},
                          {"t_gone", "f", "f", "1", "5"},
                          {"t_name_code", "t", "f", "2", "3 4"},
                          {"t_city_expr", "f", "f", "2", "6 0"},
                          {"t_city_name", "f", "f", "2", "6 3"},
                      }));
    CDescription clDesc(m_clCnx.pcl(), m_clError.p(), L"t");
    CStatementRef clStatement(pclNew());
    ASSERT_EQ(clStatement->bExecuteDirect(L"COLUMNS", nullptr, 0), 1);
    ASSERT_EQ(clDesc->_bInitItemFromQueryShowColumns(clStatement.p()), 1);
    ASSERT_EQ(clStatement->bExecuteDirect(L"INDEXES", nullptr, 0), 1);
    ASSERT_EQ(clDesc->_bInitKeysFromQueryShowIndex(clStatement.p()), 1) << sOf(m_clError->pszGetError());

    ASSERT_EQ(clDesc->nGetNumItems(), 7u);
    const struct {
        const wchar_t* pszName;
        unsigned short wFlags;
        int nKeyIndex;
        std::vector<std::wstring> aComponents;
    } tabExpected[] = {
        {L"id", 0xC800, 0, {}},
        {L"name", 0, -1, {}},
        {L"code", 0x4800, 2, {}},
        {L"city", 0x2800, 1, {}},
        {L"badge", 0x2800, 3, {}},
        {L"t_name_code", 0x5800, 4, {L"name", L"code"}},
        {L"t_city_name", 0x3800, 5, {L"city", L"name"}},
    };
    for (size_t i = 0; i < std::size(tabExpected); i++) {
        const auto& st = tabExpected[i];
        SCOPED_TRACE(sOf(st.pszName));
        CNAItemDescription* pcl = clDesc->pclGetItemNoRef(static_cast<int>(i));
        EXPECT_EQ(std::wstring(pcl->pszGetName()), st.pszName);
        EXPECT_EQ(pcl->wGetKeyFlags(), st.wFlags);
        EXPECT_EQ(pcl->nGetKeyIndice(), st.nKeyIndex);
        ASSERT_EQ(pcl->nGetNumComponents(), static_cast<int>(st.aComponents.size()));
        for (size_t c = 0; c < st.aComponents.size(); c++)
            EXPECT_EQ(std::wstring(pcl->pclGetComponentNoRef(static_cast<int>(c))->pszGetName()), st.aComponents[c]);
        if (!st.aComponents.empty()) {
            EXPECT_EQ(pcl->eNAGetItemType(), NA_IT_BINAIRE);
            EXPECT_EQ(pcl->nGetPhysicalIndice(), static_cast<int>(i));
            EXPECT_EQ(std::wstring(pcl->pszGetSourceName()), L"t");
        }
    }
    EXPECT_EQ(clDesc->nGetNumKeys(), 6u);
    EXPECT_EQ(nErrorCount(m_clError.p()), 0);

    // A composite key naming a column no item has ends the reading with a failure.
    Script("BAD", stIndexes({{"t_code_gone", "f", "f", "2", "4 5"}}));
    ASSERT_EQ(clStatement->bExecuteDirect(L"BAD", nullptr, 0), 1);
    EXPECT_EQ(clDesc->_bInitKeysFromQueryShowIndex(clStatement.p()), 0);
    EXPECT_EQ(clDesc->nGetNumItems(), 7u);
}

// A read that fails ends the reader with a failure; what it added before stays.
TEST_F(PSQLDataSourceDescriptionTest, ReaderStopsAtAFailedRead) {
    stFakeServerResult st =
        stColumns({{"a", "23", "0", "-1", "f", "f", "1", "b", "f", "0", FAKESERVER_NULL},
                   {"b", "not a number", "0", "-1", "f", "f", "2", "b", "f", "0", FAKESERVER_NULL}});
    Script("COLUMNS", st);
    CDescription clDesc(m_clCnx.pcl(), m_clError.p(), L"t");
    CStatementRef clStatement(pclNew());
    ASSERT_EQ(clStatement->bExecuteDirect(L"COLUMNS", nullptr, 0), 1);
    EXPECT_EQ(clDesc->_bInitItemFromQueryShowColumns(clStatement.p()), 0);
    EXPECT_EQ(clDesc->nGetNumItems(), 1u);
    EXPECT_GT(nErrorCount(m_clError.p()), 0);
}

}  // namespace
