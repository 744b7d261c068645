// The fixed-size column index: the duplicate index of identical rows, positioning on the row the
// statement read (among identical rows too) and on a rank, following the cache's writes, a NULL
// value's key, and a thousand rows over three values (duplicate buckets held as nested trees).
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>

#include "native/statement/MemBTree.h"
#include "tests/statement/IndexFixture.h"

namespace {

class IndexFixedSizeItemTest : public IndexTest {
protected:
    CIndexFixedSizeItem* pclFixed(const wchar_t* pszColumn = L"v") {
        return static_cast<CIndexFixedSizeItem*>(pclIndex(KIND_FIXED, pszColumn));
    }
    // Rows 0 to 7: identical rows 0, 2, 4 and 5 (v 3, tag x), row 3 (v 3, tag y), row 6 (v 3, tag x
    // and a memo), row 1 (v 1), row 7 (v 0). The order: 7, 1, then the rows of 3 by the bytes of
    // their numbers: 0, 2, 3, 4, 5, 6.
    void AddIdenticalRows() {
        const stIndexRow tabRows[] = {
            {3, "x"}, {1, "x"}, {3, "x"}, {3, "y"}, {3, "x"}, {3, "x"}, {3, "x", nullptr, "z"}, {0, "x"},
        };
        for (const stIndexRow& st : tabRows) nAdd(st);
    }
};

TEST_F(IndexFixedSizeItemTest, TheTreeOfTheColumn) {
    AddValues({3, 1});
    // Keys of the column's type and logical size; row numbers of 4 bytes.
    const CIndexFixedSizeItem* pclInt = pclFixed(L"v");
    EXPECT_EQ(pclInt->nGetKeySize(), 4u);
    EXPECT_EQ(pclInt->pclGetTreeNoRef()->nGetValueSize(), 4u);
    EXPECT_EQ(pclInt->pclGetTreeNoRef()->nGetOrder(), 32);
    EXPECT_EQ(pclInt->pclGetTreeNoRef()->nGetNumRecord(), 2);
    // 30 wide characters: 30 units and the terminating one; 10 8-bit characters and the terminator.
    EXPECT_EQ(pclFixed(L"s")->nGetKeySize(), 62u);
    EXPECT_EQ(pclFixed(L"tag")->nGetKeySize(), 11u);
}

TEST_F(IndexFixedSizeItemTest, DuplicateIndexCountsTheIdenticalRowsJustBefore) {
    AddIdenticalRows();
    CIndexItem* pcl = pclFixed();
    struct Case {
        eNA_PARSEDIRECTION eDirection;
        int nRow;
        unsigned nDuplicate;
    };
    const Case tabCases[] = {
        {NA_PARSE_FIRST, 7, 0}, {NA_PARSE_NEXT, 1, 0},
        {NA_PARSE_NEXT, 0, 0},  {NA_PARSE_NEXT, 2, 1},  // the second of two identical rows
        {NA_PARSE_NEXT, 3, 0},                          // tag y
        {NA_PARSE_NEXT, 4, 0},                          // identical to 0 and 2, but after 3
        {NA_PARSE_NEXT, 5, 1},  {NA_PARSE_NEXT, 6, 0},  // its memo makes it differ
        {NA_PARSE_PREVIOUS, 5, 1}, {NA_PARSE_PREVIOUS, 4, 0}, {NA_PARSE_CURRENT, 4, 0},
    };
    for (const Case& c : tabCases) {
        unsigned nDup = 99;
        EXPECT_EQ(nMove(pcl, c.eDirection, 1, &nDup), c.nRow);
        EXPECT_EQ(nDup, c.nDuplicate) << "row " << c.nRow;
        // Counting leaves the index on the row.
        EXPECT_EQ(pcl->nGetCurrentRecordId(), c.nRow);
    }
}

TEST_F(IndexFixedSizeItemTest, PositionOnTheRowRead) {
    AddIdenticalRows();
    CIndexItem* pcl = pclFixed();
    const std::vector<int> vOrder = {7, 1, 0, 2, 3, 4, 5, 6};
    struct Case {
        const char* pszName;
        stIndexRow stOriginal;
        int nDuplicate;
        int nRow;  // the current row afterwards, -1: none (after the last row)
        int bFound;
    };
    const Case tabCases[] = {
        {"the first of identical rows", {3, "x"}, 0, 0, 1},
        {"the second of identical rows", {3, "x"}, 1, 2, 1},
        {"fewer identical rows in a run than the duplicate index", {3, "x"}, 2, 0, 0},
        {"a row of its own among equal values", {3, "y"}, 0, 3, 1},
        {"no row identical after it", {3, "y"}, 1, 3, 0},
        {"the memo counts", {3, "x", nullptr, "z"}, 0, 6, 1},
        {"equal value, no identical row: the first row of the value", {3, "w"}, 0, 0, 0},
        {"the only row of its value", {1, "q"}, 0, 1, 1},
        {"between two values: the next one", {2, "x"}, 0, 0, 0},
        {"below every value: the first row", {-5, "x"}, 0, 7, 0},
        {"above every value: no row, after the last", {9, "x"}, 0, -1, 0},
    };
    for (const Case& c : tabCases) {
        // Somewhere else first, so that a position left as it was shows.
        ASSERT_EQ(nMove(pcl, NA_PARSE_FIRST, 2), 1);
        SetOriginal(c.stOriginal);
        int bFound = 7;
        EXPECT_TRUE(pcl->bSetCurrentPos(-1, c.nDuplicate, &bFound)) << c.pszName;
        EXPECT_EQ(bFound, c.bFound) << c.pszName;
        EXPECT_EQ(pcl->nGetCurrentRecordId(), c.nRow) << c.pszName;
        const int nRank = c.nRow < 0 ? 8 : int(std::find(vOrder.begin(), vOrder.end(), c.nRow) - vOrder.begin());
        EXPECT_EQ(pcl->nGetPreviousRecordNbr(), nRank) << c.pszName;
    }
    // From after the last row, the previous row is the last one.
    EXPECT_EQ(nMove(pcl, NA_PARSE_PREVIOUS), 6);
}

// A number other than -1 is a rank in the index's order, as in the memo index: the statement sets
// the index on its last row (rank count - 1) when the row it read is gone. Row 7 comes first and row
// 6 last, so a row number would land elsewhere.
TEST_F(IndexFixedSizeItemTest, PositionOnARank) {
    AddIdenticalRows();
    CIndexItem* pcl = pclFixed();
    const std::vector<int> vOrder = {7, 1, 0, 2, 3, 4, 5, 6};
    for (int nRank = 0; nRank < 8; nRank++) {
        EXPECT_TRUE(pcl->bSetCurrentPos(nRank, 0, nullptr));
        EXPECT_EQ(pcl->nGetCurrentRecordId(), vOrder[nRank]) << nRank;
        EXPECT_EQ(pcl->nGetPreviousRecordNbr(), nRank);
    }
    EXPECT_TRUE(pcl->bSetCurrentPos(pcl->nGetRecordNbr() - 1, 0, nullptr));
    EXPECT_EQ(nMove(pcl, NA_PARSE_PREVIOUS), 5);
    for (int n : {8, -2, INT_MIN}) {
        EXPECT_FALSE(pcl->bSetCurrentPos(n, 0, nullptr)) << n;
        EXPECT_EQ(pcl->nGetCurrentRecordId(), 5) << n;
    }
}

TEST_F(IndexFixedSizeItemTest, WritesOnTheCachedRows) {
    AddValues({3, 1, 3, 2, 3});
    CIndexItem* pcl = pclFixed();
    // On row 2 (rank 3 of 1, 3, 0, 2, 4).
    ASSERT_EQ(nMove(pcl, NA_PARSE_FIRST, 4), 2);
    CAny cl;

    // A row added to the cache, its value read there: after the other row of value 2.
    AddValues({2});
    EXPECT_TRUE(pcl->bInsertRecord(5, nullptr));
    EXPECT_EQ(pcl->nGetCurrentRecordId(), 2);
    EXPECT_EQ(pcl->nGetPreviousRecordNbr(), 4);
    // The value given wins over the cached one.
    AddValues({9});
    cl.SetI4(0);
    EXPECT_TRUE(pcl->bInsertRecord(6, &cl));
    EXPECT_EQ(pcl->nGetPreviousRecordNbr(), 5);
    // A row cannot be indexed twice under one value.
    EXPECT_FALSE(pcl->bInsertRecord(6, &cl));
    EXPECT_EQ(pcl->nGetRecordNbr(), 7);

    // An update is the old value's deletion, then the new value's insertion: row 4 goes from 3 to 1.
    cl.SetI4(3);
    EXPECT_TRUE(pcl->bDeleteRecord(4, &cl));
    cl.SetI4(1);
    EXPECT_TRUE(pcl->bInsertRecord(4, &cl));
    EXPECT_EQ(pcl->nGetCurrentRecordId(), 2);
    EXPECT_EQ(Browse(pcl), std::vector<int>({6, 1, 4, 3, 5, 0, 2}));

    // A pair that is not there (row 1 under the value 3) leaves everything as it was.
    cl.SetI4(3);
    EXPECT_TRUE(pcl->bDeleteRecord(1, &cl));
    EXPECT_EQ(pcl->nGetRecordNbr(), 7);
    // Without the old value nothing can be found.
    EXPECT_FALSE(pcl->bDeleteRecord(0, nullptr));

    // Deleting the row under the position leaves no row current; the next row is the one that
    // followed it, the previous one the row before it.
    ASSERT_EQ(nMove(pcl, NA_PARSE_FIRST, 6), 0);
    EXPECT_TRUE(pcl->bDeleteRecord(0, &cl));
    EXPECT_EQ(pcl->nGetCurrentRecordId(), -1);
    EXPECT_EQ(nMove(pcl, NA_PARSE_NEXT, 1), 2);
    EXPECT_EQ(nMove(pcl, NA_PARSE_PREVIOUS, 1), 5);
    // The last row deleted under the position, then indexed again under a greater value: that
    // value comes after the deleted one, so it is the next row.
    ASSERT_EQ(nMove(pcl, NA_PARSE_NEXT, 1), 2);
    cl.SetI4(3);
    EXPECT_TRUE(pcl->bDeleteRecord(2, &cl));
    cl.SetI4(7);
    EXPECT_TRUE(pcl->bInsertRecord(2, &cl));
    EXPECT_EQ(nMove(pcl, NA_PARSE_NEXT, 1), 2);
    EXPECT_EQ(nMove(pcl, NA_PARSE_PREVIOUS, 1), 5);
    EXPECT_EQ(Browse(pcl), std::vector<int>({6, 1, 4, 3, 5, 2}));

    // On row 4 (value 1), deleted, then the row after it (row 3, value 2): a row indexed between
    // the deleted row and the one the position stands on now comes next.
    ASSERT_EQ(nMove(pcl, NA_PARSE_FIRST, 3), 4);
    cl.SetI4(1);
    EXPECT_TRUE(pcl->bDeleteRecord(4, &cl));
    cl.SetI4(2);
    EXPECT_TRUE(pcl->bDeleteRecord(3, &cl));
    cl.SetI4(1);
    EXPECT_TRUE(pcl->bInsertRecord(9, &cl));
    EXPECT_EQ(nMove(pcl, NA_PARSE_NEXT), 9);
    EXPECT_EQ(nMove(pcl, NA_PARSE_NEXT), 5);
}

// A NULL value is keyed as an empty text cast to the column's type. The host does not read an
// empty text as a number: the key is left all zeros, which is also the smallest integer's key. NULL
// rows come first, alongside that integer.
TEST_F(IndexFixedSizeItemTest, NullValuesComeFirst) {
    const stIndexRow tabRows[] = {{std::nullopt}, {7}, {INT_MIN}, {-5}, {std::nullopt}, {INT_MIN + 1}};
    for (const stIndexRow& st : tabRows) nAdd(st);
    EXPECT_EQ(Browse(pclFixed()), std::vector<int>({0, 2, 4, 5, 3, 1}));
}

// A thousand rows, row n holding n % 3: each value's rows go into a bucket held as a nested tree.
TEST_F(IndexFixedSizeItemTest, AThousandRowsOverThreeValues) {
    std::vector<int> vValues;
    for (int n = 0; n < 1000; n++) vValues.push_back(n % 3);
    AddValues(vValues);
    CIndexItem* pcl = pclFixed();
    EXPECT_EQ(pcl->nGetRecordNbr(), 1000);

    // Rows of one value by their 4 bytes as they lie in memory: the lowest byte first.
    auto bBefore = [](int a, int b) { return memcmp(&a, &b, sizeof(int)) < 0; };
    std::vector<int> vExpected;
    for (int v = 0; v < 3; v++) {
        std::vector<int> vRows;
        for (int n = v; n < 1000; n += 3) vRows.push_back(n);
        std::sort(vRows.begin(), vRows.end(), bBefore);
        vExpected.insert(vExpected.end(), vRows.begin(), vRows.end());
    }
    std::vector<int> vOrder;
    // Every row of a value is identical to the others: its duplicate index is its place among them.
    std::map<int, unsigned> mapSeen;
    bool bDuplicatesRight = true;
    unsigned nDup = 0;
    for (int n = nMove(pcl, NA_PARSE_FIRST, 1, &nDup); n >= 0; n = nMove(pcl, NA_PARSE_NEXT, 1, &nDup)) {
        vOrder.push_back(n);
        bDuplicatesRight = bDuplicatesRight && nDup == mapSeen[n % 3]++;
        if (vOrder.size() == 500) {
            EXPECT_EQ(pcl->nGetPreviousRecordNbr(), 499);
        }
    }
    EXPECT_EQ(vOrder, vExpected);
    EXPECT_TRUE(bDuplicatesRight);

    EXPECT_TRUE(pcl->bSetCurrentPos(499, 0, nullptr));
    EXPECT_EQ(pcl->nGetCurrentRecordId(), vExpected[499]);
    Search(KIND_FIXED, 1);
    EXPECT_EQ(nMove(pcl, NA_PARSE_FIRST), vExpected[334]);
    EXPECT_EQ(nMove(pcl, NA_PARSE_LAST), vExpected[666]);
    EXPECT_EQ(pcl->nGetPreviousRecordNbr(), 666);
    // The row read among its identical ones, by its duplicate index.
    ReadAsOriginal(vExpected[400]);
    int bFound = 0;
    EXPECT_TRUE(pcl->bSetCurrentPos(-1, 400 - 334, &bFound));
    EXPECT_EQ(bFound, 1);
    EXPECT_EQ(pcl->nGetCurrentRecordId(), vExpected[400]);
}

}  // namespace
