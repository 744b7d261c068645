// The memo column index: the order of memo bytes with empty values in front, its binary search, the
// current position through insertions and deletions (inside the empty block and under the
// position), and positioning on the row read or on a place of the table.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/statement/IndexFixture.h"

namespace {

class IndexMemoTest : public IndexTest {
protected:
    CIndexMemo* pclMemo(const wchar_t* pszColumn = L"m") { return static_cast<CIndexMemo*>(pclIndex(KIND_MEMO, pszColumn)); }
    // Rows 0 to 8; empty values (NULL or "") in rows 1, 3 and 6.
    void AddTexts() {
        const char* tabpsz[] = {"b", nullptr, "ab", "", "a", "b", nullptr, "abc", "B"};
        for (const char* psz : tabpsz) nAdd({std::nullopt, nullptr, nullptr, psz});
    }
    int nAddText(const char* psz) { return nAdd({std::nullopt, nullptr, nullptr, psz}); }
    static std::vector<int> Order(const CIndexMemo* pcl) {
        std::vector<int> v;
        for (int i = 0; i < pcl->clGetOrder().nGetNbElement(); i++) v.push_back(pcl->clGetOrder()[i]);
        return v;
    }
    // Each non-empty row is found by its value, first from its first equal entry.
    void ExpectEveryValueFound(CIndexMemo* pcl) {
        for (int i = pcl->nGetLastEmpty() + 1; i < pcl->nGetRecordNbr(); i++) {
            CAny cl;
            ASSERT_TRUE(pcl->_bGetRecordValue(&cl, pcl->clGetOrder()[i]));
            const void* p;
            unsigned long n;
            CIndexItem::_bGetDataAdr(&p, &n, &cl);
            int bFound = 0, nPosition = -1;
            ASSERT_TRUE(pcl->_bFind(&bFound, &nPosition, p, n, 1, 0));
            EXPECT_EQ(bFound, 1) << i;
            EXPECT_LE(nPosition, i);
            EXPECT_GT(nPosition, pcl->nGetLastEmpty());
        }
    }
};

TEST_F(IndexMemoTest, EmptyValuesFirstThenTheBytes) {
    AddTexts();
    CIndexMemo* pcl = pclMemo();
    // The empty values in the order they were added; "B" (0x42) before "a"; a value before the
    // longer ones it begins; equal values in the order they were added.
    EXPECT_EQ(Order(pcl), std::vector<int>({1, 3, 6, 8, 4, 2, 7, 0, 5}));
    EXPECT_EQ(pcl->nGetLastEmpty(), 2);
    EXPECT_EQ(pcl->nGetCurrentPosition(), -1);
    EXPECT_EQ(pcl->nGetCurrentRecordId(), -1);

    // Later rows: an equal value after the equal ones, an empty one at the end of the empty block.
    EXPECT_TRUE(pcl->bInsertRecord(nAddText("b"), nullptr));
    EXPECT_TRUE(pcl->bInsertRecord(nAddText(""), nullptr));
    EXPECT_EQ(Order(pcl), std::vector<int>({1, 3, 6, 10, 8, 4, 2, 7, 0, 5, 9}));
    EXPECT_EQ(pcl->nGetLastEmpty(), 3);
}

TEST_F(IndexMemoTest, BinarySearch) {
    AddTexts();
    CIndexMemo* pcl = pclMemo();
    // Entries: 0-2 empty, 3 "B", 4 "a", 5 "ab", 6 "abc", 7 and 8 "b".
    struct Case {
        const char* psz;  // null: an empty value
        int bNextWhenAbsent, bLastWhenPresent;
        int bFound, nPosition;
    };
    const Case tabCases[] = {
        {"b", 1, 1, 1, 8},  {"b", 1, 0, 1, 7},  {"b", 0, 0, 1, 8},  {"b", 0, 1, 1, 8},
        {"ab", 1, 0, 1, 5}, {"aa", 1, 1, 0, 5}, {"aa", 0, 0, 0, 4}, {"c", 1, 0, 0, -1},
        {"c", 0, 0, 0, 8},  {"A", 1, 0, 0, 3},  {"A", 0, 0, 0, 2},  {nullptr, 1, 1, 1, 2},
        {nullptr, 1, 0, 1, 0}, {"\x01", 0, 0, 0, 2},
    };
    for (const Case& c : tabCases) {
        int bFound = -1, nPosition = -9;
        ASSERT_TRUE(pcl->_bFind(&bFound, &nPosition, c.psz, c.psz != nullptr ? strlen(c.psz) : 0, c.bNextWhenAbsent,
                                c.bLastWhenPresent));
        const std::string sName = std::string(c.psz != nullptr ? c.psz : "<empty>") + " " +
                                  std::to_string(c.bNextWhenAbsent) + std::to_string(c.bLastWhenPresent);
        EXPECT_EQ(bFound, c.bFound) << sName;
        EXPECT_EQ(nPosition, c.nPosition) << sName;
    }
}

// Deleting rows whose value is empty shortens the empty block, so that empty values added later go
// in before the first non-empty one and the binary search still finds every value.
TEST_F(IndexMemoTest, DeletionsInsideTheEmptyBlock) {
    AddTexts();
    CIndexMemo* pcl = pclMemo();
    EXPECT_TRUE(pcl->bDeleteRecord(3, nullptr));
    EXPECT_EQ(pcl->nGetLastEmpty(), 1);
    EXPECT_TRUE(pcl->bInsertRecord(nAddText(nullptr), nullptr));
    EXPECT_EQ(Order(pcl), std::vector<int>({1, 6, 9, 8, 4, 2, 7, 0, 5}));
    ExpectEveryValueFound(pcl);

    // A non-empty row leaves the block as it is; the block may empty out and start again.
    EXPECT_TRUE(pcl->bDeleteRecord(7, nullptr));
    EXPECT_EQ(pcl->nGetLastEmpty(), 2);
    for (int n : {1, 9, 6}) EXPECT_TRUE(pcl->bDeleteRecord(n, nullptr));
    EXPECT_EQ(pcl->nGetLastEmpty(), -1);
    EXPECT_TRUE(pcl->bInsertRecord(nAddText(""), nullptr));
    EXPECT_EQ(Order(pcl), std::vector<int>({10, 8, 4, 2, 0, 5}));
    ExpectEveryValueFound(pcl);
    Search(KIND_MEMO, -1);
    EXPECT_EQ(Browse(pcl), Order(pcl));

    // A row that is not in the index: nothing to do.
    EXPECT_TRUE(pcl->bDeleteRecord(42, nullptr));
    EXPECT_EQ(pcl->nGetRecordNbr(), 6);
}

TEST_F(IndexMemoTest, CurrentPositionThroughWrites) {
    AddTexts();
    CIndexMemo* pcl = pclMemo();
    // On row 2 ("ab", place 5).
    ASSERT_EQ(nMove(pcl, NA_PARSE_FIRST, 6), 2);
    EXPECT_EQ(pcl->nGetPreviousRecordNbr(), 5);
    // Entries added or removed before it move it; those after it do not.
    EXPECT_TRUE(pcl->bInsertRecord(nAddText(""), nullptr));
    EXPECT_EQ(pcl->nGetPreviousRecordNbr(), 6);
    EXPECT_TRUE(pcl->bInsertRecord(nAddText("ab"), nullptr));
    EXPECT_TRUE(pcl->bInsertRecord(nAddText("z"), nullptr));
    EXPECT_EQ(pcl->nGetPreviousRecordNbr(), 6);
    EXPECT_TRUE(pcl->bDeleteRecord(8, nullptr));
    EXPECT_EQ(pcl->nGetPreviousRecordNbr(), 5);
    EXPECT_EQ(pcl->nGetCurrentRecordId(), 2);

    // The row under it deleted: no current row, until a move lands on one.
    EXPECT_TRUE(pcl->bDeleteRecord(2, nullptr));
    EXPECT_TRUE(pcl->bCurrentDeleted());
    EXPECT_EQ(pcl->nGetCurrentRecordId(), -1);
    EXPECT_EQ(nMove(pcl, NA_PARSE_CURRENT), -1);
    EXPECT_EQ(pcl->nGetPreviousRecordNbr(), 5);
    EXPECT_EQ(nMove(pcl, NA_PARSE_PREVIOUS), 4);
    EXPECT_FALSE(pcl->bCurrentDeleted());
    EXPECT_EQ(pcl->nGetCurrentRecordId(), 4);

    // Row 4 ("a") deleted under it: the next row is the one that followed it, not the one after.
    // An entry added right there before it ("B") leaves that so; one with the deleted value goes
    // after the deleted entry and is the next row.
    EXPECT_TRUE(pcl->bDeleteRecord(4, nullptr));
    EXPECT_TRUE(pcl->bInsertRecord(nAddText("B"), nullptr));
    const int nSame = nAddText("a");
    EXPECT_TRUE(pcl->bInsertRecord(nSame, nullptr));
    EXPECT_EQ(nMove(pcl, NA_PARSE_NEXT), nSame);
    EXPECT_EQ(nMove(pcl, NA_PARSE_NEXT), 10);
    EXPECT_EQ(nMove(pcl, NA_PARSE_PREVIOUS, 2), nSame - 1);
}

// The statement positions the index again on the row it had read once that row is gone: the index
// then stands on the next greater value (found 0), and that row is current.
TEST_F(IndexMemoTest, PositionAfterTheRowReadWasDeleted) {
    AddTexts();
    CIndexMemo* pcl = pclMemo();
    ASSERT_EQ(nMove(pcl, NA_PARSE_FIRST, 6), 2);
    ReadAsOriginal(2);
    EXPECT_TRUE(pcl->bDeleteRecord(2, nullptr));
    int bFound = -1;
    EXPECT_TRUE(pcl->bSetCurrentPos(-1, 0, &bFound));
    EXPECT_EQ(bFound, 0);
    EXPECT_EQ(pcl->nGetCurrentRecordId(), 7);
    EXPECT_EQ(nMove(pcl, NA_PARSE_NEXT), 0);
}

TEST_F(IndexMemoTest, PositionOnTheRowRead) {
    AddTexts();
    CIndexMemo* pcl = pclMemo();
    struct Case {
        const char* psz;  // the row read's memo, null: NULL
        int nRow;         // the current row afterwards, -1: none
        int nPosition;
        int bFound;
    };
    const Case tabCases[] = {
        {"ab", 2, 5, 1}, {"b", 5, 8, 1},  // the last equal entry
        {"aa", 2, 5, 0},                  // the next greater one
        {"c", -1, 9, 0},                  // past the last entry
        {nullptr, 6, 2, 1},               // the last empty entry
        {"", 6, 2, 1},
    };
    for (const Case& c : tabCases) {
        ASSERT_EQ(nMove(pcl, NA_PARSE_FIRST), 1);
        SetOriginal({std::nullopt, nullptr, nullptr, c.psz});
        int bFound = -1;
        EXPECT_TRUE(pcl->bSetCurrentPos(-1, 3, &bFound)) << (c.psz ? c.psz : "NULL");
        EXPECT_EQ(bFound, c.bFound) << (c.psz ? c.psz : "NULL");
        EXPECT_EQ(pcl->nGetCurrentRecordId(), c.nRow) << (c.psz ? c.psz : "NULL");
        EXPECT_EQ(pcl->nGetPreviousRecordNbr(), c.nPosition) << (c.psz ? c.psz : "NULL");
    }
    // Any other number is a place in the table.
    EXPECT_TRUE(pcl->bSetCurrentPos(3, 0, nullptr));
    EXPECT_EQ(pcl->nGetCurrentRecordId(), 8);
    for (int n : {9, -2}) {
        EXPECT_FALSE(pcl->bSetCurrentPos(n, 0, nullptr)) << n;
        EXPECT_EQ(pcl->nGetCurrentRecordId(), 8) << n;
    }
}

// A wide memo is compared as it is stored: 32-bit characters, lowest byte first. U+0100
// (00 01 00 00) comes before "b" (62 00 00 00), which comes before U+00FF (FF 00 00 00).
TEST_F(IndexMemoTest, WideMemosByTheirStoredBytes) {
    for (const wchar_t* psz : {L"\u00FF", L"\u0100", L"b"}) nAdd({std::nullopt, nullptr, nullptr, nullptr, psz});
    EXPECT_EQ(Browse(pclMemo(L"w")), std::vector<int>({1, 2, 0}));
}

}  // namespace
