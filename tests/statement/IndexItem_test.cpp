// What both column indexes answer alike over the same values (an integer column for the fixed-size
// index, a text memo holding the same digits for the memo index): the browse order, moves by
// count, the user search's bounds (values inside, below and above every key), ranks, the rows the
// index leaves out; and the order of equal values, where the two kinds differ.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/core/VirtualSlot.h"
#include "tests/statement/IndexFixture.h"

namespace {

class IndexItemTest : public IndexTest, public testing::WithParamInterface<eKIND> {};

TEST(IndexItemSlots, VirtualOperationsInTheirOrder) {
    // The destructor pair holds slots 0 and 1.
    EXPECT_EQ(SlotOf(&CIndexItem::bInit), 2);
    EXPECT_EQ(SlotOf(&CIndexItem::bInsertRecord), 3);
    EXPECT_EQ(SlotOf(&CIndexItem::bDeleteRecord), 4);
    EXPECT_EQ(SlotOf(&CIndexItem::bGetRecordPosition), 5);
    EXPECT_EQ(SlotOf(&CIndexItem::nGetCurrentRecordId), 6);
    EXPECT_EQ(SlotOf(&CIndexItem::nGetRecordNbr), 7);
    EXPECT_EQ(SlotOf(&CIndexItem::nGetPreviousRecordNbr), 8);
    EXPECT_EQ(SlotOf(&CIndexItem::bSetCurrentPos), 9);
}

// Values 3, 1, 3, 2, 3 in rows 0 to 4: the order is rows 1, 3, 0, 2, 4.
TEST_P(IndexItemTest, MovesOverTheFiveRows) {
    AddValues({3, 1, 3, 2, 3});
    CIndexItem* pcl = pclValueIndex(GetParam());
    const std::vector<int> vOrder = {1, 3, 0, 2, 4};
    EXPECT_EQ(pcl->nGetRecordNbr(), 5);
    EXPECT_EQ(Browse(pcl), vOrder);
    EXPECT_EQ(Browse(pcl, true), std::vector<int>({4, 2, 0, 3, 1}));

    constexpr int NONE = -1;
    struct stMove {
        int nSearch;  // the user search's value, NONE: no search
        eNA_PARSEDIRECTION eDirection;
        int nCount;
        int nExpected;  // the row answered, -1: none
    };
    struct Case {
        const char* pszName;
        std::vector<stMove> vMoves;
    };
    const Case tabCases[] = {
        {"counts from either end",
         {{NONE, NA_PARSE_FIRST, 2, 3}, {NONE, NA_PARSE_NEXT, 2, 2}, {NONE, NA_PARSE_PREVIOUS, 3, 1},
          {NONE, NA_PARSE_LAST, 2, 2}, {NONE, NA_PARSE_LAST, 5, 1}, {NONE, NA_PARSE_FIRST, 5, 4}}},
        {"a move past either end answers no row and keeps the position",
         {{NONE, NA_PARSE_FIRST, 1, 1}, {NONE, NA_PARSE_NEXT, 10, -1}, {NONE, NA_PARSE_CURRENT, 1, 1},
          {NONE, NA_PARSE_NEXT, 1, 3}, {NONE, NA_PARSE_PREVIOUS, 2, -1}, {NONE, NA_PARSE_NEXT, 1, 0},
          {NONE, NA_PARSE_FIRST, 6, -1}, {NONE, NA_PARSE_LAST, 6, -1}}},
        {"the search value starts first from its first row and last from its last one",
         {{3, NA_PARSE_FIRST, 1, 0}, {3, NA_PARSE_NEXT, 1, 2}, {3, NA_PARSE_NEXT, 1, 4}, {3, NA_PARSE_NEXT, 1, -1},
          {2, NA_PARSE_LAST, 1, 3}, {2, NA_PARSE_PREVIOUS, 1, 1}, {3, NA_PARSE_LAST, 1, 4},
          {2, NA_PARSE_FIRST, 2, 0}, {3, NA_PARSE_LAST, 3, 0}, {2, NA_PARSE_FIRST, 1, 3}}},
        {"a search value between the keys starts from the next key (first) or the previous one (last)",
         {{0, NA_PARSE_FIRST, 1, 1}, {9, NA_PARSE_LAST, 1, 4}, {9, NA_PARSE_LAST, 2, 2}}},
        {"a search value beyond every key answers no row and keeps the position",
         {{NONE, NA_PARSE_FIRST, 2, 3}, {9, NA_PARSE_FIRST, 1, -1}, {NONE, NA_PARSE_CURRENT, 1, 3},
          {0, NA_PARSE_LAST, 1, -1}, {NONE, NA_PARSE_CURRENT, 1, 3}, {NONE, NA_PARSE_NEXT, 1, 0}}},
    };
    for (const Case& c : tabCases) {
        for (size_t i = 0; i < c.vMoves.size(); i++) {
            const stMove& st = c.vMoves[i];
            Search(GetParam(), st.nSearch);
            const int nRow = nMove(pcl, st.eDirection, st.nCount);
            EXPECT_EQ(nRow, st.nExpected) << c.pszName << ", move " << i;
            if (nRow < 0) continue;
            const int nRank = static_cast<int>(std::find(vOrder.begin(), vOrder.end(), nRow) - vOrder.begin());
            EXPECT_EQ(pcl->nGetCurrentRecordId(), nRow) << c.pszName << ", move " << i;
            EXPECT_EQ(pcl->nGetPreviousRecordNbr(), nRank) << c.pszName << ", move " << i;
        }
    }
    // A search is never left over for the next browse.
    Search(GetParam(), NONE);
    EXPECT_EQ(Browse(pcl), vOrder);
}

TEST_P(IndexItemTest, RowsThatAreNotPresentAreLeftOut) {
    AddValues({3, 1, 3, 2, 3});
    m_pclCache->SetRecordState(2, NA_RECORDSTATE_DELETED);
    m_pclCache->SetRecordState(3, NA_RECORDSTATE_DELETED);
    CIndexItem* pcl = pclValueIndex(GetParam());
    EXPECT_EQ(pcl->nGetRecordNbr(), 3);
    EXPECT_EQ(Browse(pcl), std::vector<int>({1, 0, 4}));
}

TEST_P(IndexItemTest, AnEmptyCacheHasNoRow) {
    CIndexItem* pcl = pclValueIndex(GetParam());
    EXPECT_EQ(pcl->nGetRecordNbr(), 0);
    for (eNA_PARSEDIRECTION e : {NA_PARSE_FIRST, NA_PARSE_LAST, NA_PARSE_NEXT, NA_PARSE_PREVIOUS, NA_PARSE_CURRENT}) {
        unsigned nDup = 7;
        EXPECT_EQ(nMove(pcl, e, 1, &nDup), -1) << e;
        EXPECT_EQ(nDup, 0u) << e;
    }
    EXPECT_EQ(pcl->nGetCurrentRecordId(), -1);
}

// Rows 1 and 256 hold the same value, every other row its own greater one (of as many digits, so
// that the memo's text orders them alike). The fixed-size index
// orders the rows of one key by the bytes of their 4-byte numbers as they lie in memory, lowest byte
// first: 256 (00 01 00 00) before 1 (01 00 00 00). The memo index keeps them in the order they
// were added.
TEST_P(IndexItemTest, RowsOfEqualValues) {
    std::vector<int> vValues;
    for (int n = 0; n <= 256; n++) vValues.push_back(n == 1 || n == 256 ? 1000 : 2000 + n);
    AddValues(vValues);
    CIndexItem* pcl = pclValueIndex(GetParam());
    const bool bFixed = GetParam() == KIND_FIXED;
    Search(GetParam(), 1000);
    EXPECT_EQ(nMove(pcl, NA_PARSE_FIRST), bFixed ? 256 : 1);
    EXPECT_EQ(nMove(pcl, NA_PARSE_NEXT), bFixed ? 1 : 256);
    EXPECT_EQ(nMove(pcl, NA_PARSE_NEXT), 0);
    EXPECT_EQ(nMove(pcl, NA_PARSE_LAST), bFixed ? 1 : 256);
    Search(GetParam(), -1);
    const std::vector<int> vOrder = Browse(pcl);
    ASSERT_EQ(vOrder.size(), 257u);
    EXPECT_EQ(std::vector<int>(vOrder.begin(), vOrder.begin() + 3),
              bFixed ? std::vector<int>({256, 1, 0}) : std::vector<int>({1, 256, 0}));
}

INSTANTIATE_TEST_SUITE_P(Kinds, IndexItemTest, testing::Values(KIND_FIXED, KIND_MEMO),
                         [](const testing::TestParamInfo<eKIND>& st) {
                             return std::string(st.param == KIND_FIXED ? "FixedSize" : "Memo");
                         });

}  // namespace
