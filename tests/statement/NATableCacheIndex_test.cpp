// The table-cache index a statement browses the full cache by: the column index it makes for its
// column's kind, the moves it answers with the statement's user search as the bound of first and
// last, and the writes it follows (inserts, deletes, updates that change the value or leave it
// equal, rows with empty memo values), each checked by the order a browse then gives.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "native/sql/NACommand.h"
#include "native/statement/NAStatement.h"
#include "native/statement/NATableCacheIndex.h"
#include "tests/statement/IndexFixture.h"

namespace {

// A statement whose user search the test sets (the index's first and last start from it).
class CSearchStatement : public CNAStatement {
public:
    using CNAStatement::CNAStatement;
    CNAUserSearch& clSearch() { return m_clUserSearch; }
};

class TableCacheIndexBase : public IndexTest {
protected:
    explicit TableCacheIndexBase(eKIND eKind = KIND_FIXED) : m_eKind(eKind) {}
    void SetUp() override {
        IndexTest::SetUp();
        m_pclStatement = new CSearchStatement(nullptr, m_pclErr);
        m_pclStatement->AddRef();
    }
    void TearDown() override {
        if (m_pclCacheIndex != nullptr) m_pclCacheIndex->dwRelease();
        m_pclStatement->nRelease();
        IndexTest::TearDown();
    }

    const wchar_t* pszColumn() const { return m_eKind == KIND_FIXED ? L"v" : L"m"; }
    // The table-cache index of the kind's column, built (a reference held by the test).
    CNATableCacheIndex* pclCacheIndex() {
        m_pclCacheIndex = new CNATableCacheIndex(m_pclErr, m_pclStatement, m_pclCache, pclCol(pszColumn()));
        m_pclCacheIndex->AddRef();
        EXPECT_TRUE(m_pclCacheIndex->bInit());
        return m_pclCacheIndex;
    }
    void SearchFor(int nValue) {
        if (nValue < 0) {
            m_pclStatement->clSearch().CancelUserSearch();
            return;
        }
        CAny cl;
        if (m_eKind == KIND_FIXED)
            cl.SetI4(nValue);
        else
            SetDSTRA(&cl, std::to_string(nValue).c_str());
        m_pclStatement->clSearch().SetUserSearch(pclCol(pszColumn())->piGetItemNoRef(), &cl, 0);
    }
    // The row a move answers (-1: none), -2 when it fails.
    int nMove(eNA_PARSEDIRECTION e, int nCount = 1) {
        int nRow = -3;
        unsigned nDup = 0;
        if (!m_pclCacheIndex->bGetRecordPosition(e, nCount, &nRow, &nDup)) return -2;
        return nRow;
    }
    std::vector<int> Order() {
        std::vector<int> v;
        for (int n = nMove(NA_PARSE_FIRST); n >= 0; n = nMove(NA_PARSE_NEXT)) v.push_back(n);
        return v;
    }
    // The row's value as both columns hold it ("m" its digits), as a row of the fixture.
    stIndexRow Row(std::optional<int> o) {
        m_vTexts.push_back(o ? std::to_string(*o) : std::string());
        return {o, nullptr, nullptr, o ? m_vTexts.back().c_str() : nullptr, nullptr};
    }

    // The writes as the data access makes them: the row read first (the original record), the
    // cache changed, then the index told.
    void Update(int nRow, std::optional<int> oNew) {
        ReadAsOriginal(nRow);
        SetCurrent(Row(oNew));
        ASSERT_GE(m_pclCache->Update(nRow, m_pclRecord->pclGetCurrentRecordValueNoRef()), 0);
        m_pclCacheIndex->OnNotifyOperation(NAQUERYTYPE_UPDATE, nRow, 0);
    }
    int Insert(std::optional<int> oNew) {
        const int nRow = nAdd(Row(oNew));
        m_pclCacheIndex->OnNotifyOperation(NAQUERYTYPE_INSERT, nRow, 0);
        return nRow;
    }
    void Delete(int nRow) {
        ReadAsOriginal(nRow);
        m_pclCache->SetRecordState(nRow, NA_RECORDSTATE_DELETED);
        m_pclCacheIndex->OnNotifyOperation(NAQUERYTYPE_DELETE, nRow, 0);
    }

    eKIND m_eKind;
    CSearchStatement* m_pclStatement = nullptr;
    CNATableCacheIndex* m_pclCacheIndex = nullptr;
};

class TableCacheIndexTest : public TableCacheIndexBase, public testing::WithParamInterface<eKIND> {
protected:
    void SetUp() override {
        m_eKind = GetParam();
        TableCacheIndexBase::SetUp();
    }
};

class MemoTableCacheIndexTest : public TableCacheIndexBase {
protected:
    MemoTableCacheIndexTest() : TableCacheIndexBase(KIND_MEMO) {}
};

TEST_P(TableCacheIndexTest, TheColumnIndexOfTheColumnsKind) {
    AddValues({3, 1});
    const unsigned nColumnRefs = pclCol(pszColumn())->nGetRef();
    pclCacheIndex();
    ASSERT_NE(m_pclCacheIndex->pclGetIndexNoRef(), nullptr);
    if (m_eKind == KIND_FIXED)
        EXPECT_NE(dynamic_cast<CIndexFixedSizeItem*>(m_pclCacheIndex->pclGetIndexNoRef()), nullptr);
    else
        EXPECT_NE(dynamic_cast<CIndexMemo*>(m_pclCacheIndex->pclGetIndexNoRef()), nullptr);
    // The cache and the column are held as long as the index lives.
    EXPECT_EQ(m_pclCache->nGetRef(), 2u);
    EXPECT_EQ(pclCol(pszColumn())->nGetRef(), nColumnRefs + 1);
    m_pclCacheIndex->dwRelease();
    m_pclCacheIndex = nullptr;
    EXPECT_EQ(m_pclCache->nGetRef(), 1u);
    EXPECT_EQ(pclCol(pszColumn())->nGetRef(), nColumnRefs);
}

TEST_P(TableCacheIndexTest, WithoutItsColumnIndexThereIsNoRow) {
    AddValues({3, 1});
    m_pclCacheIndex = new CNATableCacheIndex(m_pclErr, m_pclStatement, m_pclCache, pclCol(pszColumn()));
    m_pclCacheIndex->AddRef();
    int nRow = 7, bFound = 7;
    unsigned nDup = 7;
    EXPECT_FALSE(m_pclCacheIndex->bGetRecordPosition(NA_PARSE_FIRST, 1, &nRow, &nDup));
    EXPECT_EQ(nRow, -1);
    EXPECT_EQ(m_pclCacheIndex->nGetCurrentRecordId(), -1);
    EXPECT_EQ(m_pclCacheIndex->nGetRecordNbr(), 0);
    EXPECT_EQ(m_pclCacheIndex->nGetPreviousRecordNbr(), 0);
    EXPECT_FALSE(m_pclCacheIndex->bSetCurrentPos(0, 0, &bFound));
    m_pclCacheIndex->OnNotifyOperation(NAQUERYTYPE_INSERT, 0, 0);
}

// Values 3, 1, 3, 2, 3 in rows 0 to 4, browsed by the statement's index.
TEST_P(TableCacheIndexTest, TheFiveRowsAndTheSearchBounds) {
    AddValues({3, 1, 3, 2, 3});
    pclCacheIndex();
    EXPECT_EQ(m_pclCacheIndex->nGetRecordNbr(), 5);
    EXPECT_EQ(Order(), std::vector<int>({1, 3, 0, 2, 4}));
    struct Case {
        int nSearch;  // -1: none
        eNA_PARSEDIRECTION eDirection;
        int nCount;
        int nRow;   // -1: none
        int nRank;  // of the current position afterwards
    };
    const Case tabCases[] = {
        {-1, NA_PARSE_LAST, 1, 4, 4},     {-1, NA_PARSE_PREVIOUS, 2, 0, 2},
        {3, NA_PARSE_FIRST, 1, 0, 2},     {3, NA_PARSE_NEXT, 2, 4, 4},
        {2, NA_PARSE_LAST, 1, 3, 1},      {2, NA_PARSE_FIRST, 1, 3, 1},
        {0, NA_PARSE_FIRST, 1, 1, 0},     // below every key: from the first key
        {9, NA_PARSE_LAST, 1, 4, 4},      // above every key: from the last key
        {9, NA_PARSE_FIRST, 1, -1, 4},    // beyond every key: no row, the position kept
        {0, NA_PARSE_LAST, 1, -1, 4},     // before every key: no row
        {-1, NA_PARSE_NEXT, 10, -1, 4},   // past the end
    };
    for (const Case& c : tabCases) {
        SearchFor(c.nSearch);
        EXPECT_EQ(nMove(c.eDirection, c.nCount), c.nRow) << c.nSearch << " " << c.eDirection << " " << c.nCount;
        EXPECT_EQ(m_pclCacheIndex->nGetPreviousRecordNbr(), c.nRank) << c.nSearch << " " << c.eDirection;
    }
}

// Rows 1 and 256 hold one value, the others greater ones: the fixed-size index puts row 256 first
// (its number's lowest byte is 0), the memo index keeps the order they came in.
TEST_P(TableCacheIndexTest, RowsOneAndTwoHundredFiftySixOfEqualValues) {
    std::vector<int> vValues;
    for (int n = 0; n <= 256; n++) vValues.push_back(n == 1 || n == 256 ? 1000 : 2000 + n);
    AddValues(vValues);
    pclCacheIndex();
    const bool bFixed = m_eKind == KIND_FIXED;
    const std::vector<int> vOrder = Order();
    ASSERT_EQ(vOrder.size(), 257u);
    EXPECT_EQ(std::vector<int>(vOrder.begin(), vOrder.begin() + 3),
              bFixed ? std::vector<int>({256, 1, 0}) : std::vector<int>({1, 256, 0}));
    SearchFor(1000);
    EXPECT_EQ(nMove(NA_PARSE_LAST), bFixed ? 1 : 256);
}

// Writes move the row to its place; an update that leaves the value as it was does not touch the
// index (the memo index shows it: a row taken out and put back goes after the equal ones).
TEST_P(TableCacheIndexTest, WritesKeepTheIndexInStep) {
    AddValues({3, 1, 3, 2, 3});
    pclCacheIndex();
    struct Step {
        const char* pszWhat;
        std::function<void()> fn;
        std::vector<int> vOrder;
    };
    const bool bFixed = m_eKind == KIND_FIXED;
    const Step tabSteps[] = {
        {"unchanged update", [&] { Update(0, 3); }, {1, 3, 0, 2, 4}},
        {"update to a greater value", [&] { Update(1, 4); }, {3, 0, 2, 4, 1}},
        {"update to a smaller value", [&] { Update(4, 0); }, {4, 3, 0, 2, 1}},
        {"insert", [&] { Insert(2); }, {4, 3, 5, 0, 2, 1}},
        {"delete", [&] { Delete(3); }, {4, 5, 0, 2, 1}},
        {"update to a value equal to others", [&] { Update(1, 3); },
         bFixed ? std::vector<int>({4, 5, 0, 1, 2}) : std::vector<int>({4, 5, 0, 2, 1})},
        {"NULL written", [&] { Update(2, std::nullopt); }, {2, 4, 5, 0, 1}},
        {"NULL kept", [&] { Update(2, std::nullopt); }, {2, 4, 5, 0, 1}},
        {"NULL replaced", [&] { Update(2, 9); }, {4, 5, 0, 1, 2}},
    };
    for (const Step& st : tabSteps) {
        st.fn();
        EXPECT_EQ(Order(), st.vOrder) << st.pszWhat;
        EXPECT_EQ(m_pclCacheIndex->nGetRecordNbr(), static_cast<int>(st.vOrder.size())) << st.pszWhat;
    }
    // Operations that write no row change nothing.
    for (eNAQUERYTYPE e : {NAQUERYTYPE_SELECT, NAQUERYTYPE_DELETEALL, NAQUERYTYPE_CREATE}) {
        ReadAsOriginal(0);
        m_pclCacheIndex->OnNotifyOperation(e, 0, 0);
        EXPECT_EQ(Order(), std::vector<int>({4, 5, 0, 1, 2})) << e;
    }
}

// A memo index keeps rows of empty values at its front; deleting some of them leaves the table
// sorted, so that later rows, empty or not, still go to their place.
TEST_F(MemoTableCacheIndexTest, DeletesInsideTheEmptyBlock) {
    nAdd(Row(std::nullopt));  // 0
    AddValues({5});           // 1
    nAdd(Row(std::nullopt));  // 2
    nAdd(Row(std::nullopt));  // 3
    AddValues({2});           // 4
    pclCacheIndex();
    EXPECT_EQ(Order(), std::vector<int>({0, 2, 3, 4, 1}));
    Delete(2);
    Delete(0);
    EXPECT_EQ(Order(), std::vector<int>({3, 4, 1}));
    Insert(std::nullopt);  // 5
    Insert(3);             // 6
    Insert(1);             // 7
    EXPECT_EQ(Order(), std::vector<int>({3, 5, 7, 4, 6, 1}));
    auto* pclMemo = dynamic_cast<CIndexMemo*>(m_pclCacheIndex->pclGetIndexNoRef());
    ASSERT_NE(pclMemo, nullptr);
    EXPECT_EQ(pclMemo->nGetLastEmpty(), 1);
    SearchFor(3);
    EXPECT_EQ(nMove(NA_PARSE_FIRST), 6);
    SearchFor(1);
    EXPECT_EQ(nMove(NA_PARSE_LAST), 7);
}

INSTANTIATE_TEST_SUITE_P(Kinds, TableCacheIndexTest, testing::Values(KIND_FIXED, KIND_MEMO),
                         [](const testing::TestParamInfo<eKIND>& st) {
                             return std::string(st.param == KIND_FIXED ? "FixedSize" : "Memo");
                         });

}  // namespace
