// The record cache over rows of one record layout: appending, inserting, replacing and reading
// rows with their memos and identities; finding rows by identity; empty rows; block sizes; moves
// over deleted rows; states and fetch answers; memo access; the writes of other statements.
#include <gtest/gtest.h>

#include <optional>
#include <random>
#include <string>
#include <vector>

#include "native/sql/NACommand.h"
#include "tests/statement/RecordCacheFixture.h"

namespace {

class NARecordCacheTest : public RecordCacheTest {
protected:
    void SetUp() override {
        RecordCacheTest::SetUp();
        m_pclCache = new CNARecordCache;
        m_pclCache->AddRef();
        m_pclCache->SetActive(1);
    }
    void TearDown() override {
        ExpectInvariants(m_pclCache, true);
        m_pclCache->nRelease();
        RecordCacheTest::TearDown();
    }
    // Appends a row and drops the test's reference.
    int nAdd(int nId, const char* pszNom, const char* pszNotes = nullptr, const char* pszRowId = nullptr) {
        CHeld<CNARecordValue> cl(pclRow(nId, pszNom, pszNotes, pszRowId));
        cl->nRelease();
        return m_pclCache->nAjoute(cl.get());
    }
    int nFind(int nId, const char* pszNom, const char* pszNotes = nullptr, const char* pszRowId = nullptr) {
        CHeld<CNARecordValue> cl(pclRow(nId, pszNom, pszNotes, pszRowId));
        cl->nRelease();
        return m_pclCache->nGetRecordIndice(cl.get());
    }
    std::vector<std::string> Rows() {
        std::vector<std::string> v;
        for (int n = 0; n < m_pclCache->nGetNbRecord(); n++) v.push_back(sRead(m_pclCache, n));
        return v;
    }
    CNARecordCache* m_pclCache = nullptr;
};

TEST_F(NARecordCacheTest, AppendedRowsReadBackAndAreFoundByTheirValues) {
    EXPECT_EQ(nAdd(1, "Dupont", "premier"), 0);
    EXPECT_EQ(nAdd(2, "Durand"), 1);
    EXPECT_EQ(nAdd(3, "Martin", "troisieme"), 2);
    EXPECT_EQ(m_pclCache->eGetRecordIdType(), NA_RECORDID_RECORDVALUES);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|Dupont|premier", "2|Durand|<null>", "3|Martin|troisieme"}));
    EXPECT_EQ(m_pclCache->clGetIdentityHash().dwGetNumElement(), 3u);

    // Found by equal bytes held anywhere else; a row of other values is not found.
    EXPECT_EQ(nFind(2, "Durand"), 1);
    EXPECT_EQ(nFind(3, "Martin", "troisieme"), 2);
    // Rows with the same record bytes and other memo values are other rows; a row whose memos are
    // all NULL is found by a value without any.
    EXPECT_EQ(nFind(3, "Martin", "autre memo"), -1);
    EXPECT_EQ(nFind(3, "Martin"), -1);
    EXPECT_EQ(nFind(2, "Durand", "memo"), -1);
    EXPECT_EQ(nFind(4, "Durand"), -1);
    // An identity of another kind is never found.
    EXPECT_EQ(nFind(2, "Durand", nullptr, "rowid"), -1);

    // The cache keeps its own copy: the value appended may change or go.
    CHeld<CNARecordValue> clValue(pclRow(9, "Bernard"));
    clValue->nRelease();
    ASSERT_EQ(m_pclCache->nAjoute(clValue.get()), 3);
    clValue->pclGetNAYFRecord()->pbyGetBuffer()[clValue->pclGetNAYFRecord()->nGetBufferSize() - 1] ^= 0xFF;
    EXPECT_EQ(sRead(m_pclCache, 3), "9|Bernard|<null>");
    EXPECT_EQ(m_pclCache->nGetRecordIndice(clValue.get()), -1);
    EXPECT_EQ(nFind(9, "Bernard"), 3);

    // Read into the record layout's own current row, the columns show the row, the memo column too.
    ASSERT_TRUE(m_pclCache->bGetAt(m_pclRecord->pclGetCurrentRecordValueNoRef(), 0));
    CAny cl;
    ASSERT_TRUE(pclCol(L"nom")->bGetCurrentValue(&cl, 0));
    EXPECT_EQ(sTexteA(cl), "Dupont");
    ASSERT_TRUE(pclCol(L"notes")->bGetCurrentValue(&cl, 0));
    EXPECT_EQ(sTexteA(cl), "premier");
    ASSERT_TRUE(m_pclCache->bGetAt(m_pclRecord->pclGetCurrentRecordValueNoRef(), 1));
    EXPECT_TRUE(pclCol(L"notes")->pclGetNAValue()->bIsNull());  // a row without memos clears them

    // Out of range.
    for (int n : {-1, 4, 100}) EXPECT_EQ(sRead(m_pclCache, n), "<absent>") << n;
}

TEST_F(NARecordCacheTest, InsertedRowsMoveTheLaterOnes) {
    nAdd(1, "A");
    nAdd(3, "C", "memo C");
    EXPECT_EQ(m_pclCache->Insere(pclRowNoRef(2, "B", "memo B"), 1), 1);
    EXPECT_EQ(m_pclCache->Insere(pclRowNoRef(0, "Z"), 0), 0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"0|Z|<null>", "1|A|<null>", "2|B|memo B", "3|C|memo C"}));
    EXPECT_EQ(nFind(0, "Z"), 0);
    EXPECT_EQ(nFind(1, "A"), 1);
    EXPECT_EQ(nFind(2, "B", "memo B"), 2);
    EXPECT_EQ(nFind(3, "C", "memo C"), 3);
    // At the end is an append; past the end, empty rows come first.
    EXPECT_EQ(m_pclCache->Insere(pclRowNoRef(4, "D"), 4), 4);
    EXPECT_EQ(m_pclCache->Insere(pclRowNoRef(6, "F"), 6), 6);
    EXPECT_EQ(sRead(m_pclCache, 5), "<absent>");
    EXPECT_EQ(nFind(6, "F"), 6);
}

TEST_F(NARecordCacheTest, InsertAtFiveIntoAnEmptyCache) {
    ASSERT_EQ(m_pclCache->Insere(pclRowNoRef(5, "E"), 5), 5);
    ASSERT_EQ(m_pclCache->nGetNbRecord(), 6);
    EXPECT_EQ(m_pclCache->nGetNbDeleted(), 5u);
    for (int n = 0; n < 5; n++) {
        EXPECT_EQ(m_pclCache->eGetRecordState(n), NA_RECORDSTATE_DELETED) << n;
        EXPECT_FALSE(m_pclCache->bRecordInCache(n)) << n;
        EXPECT_EQ(m_pclCache->bMustFetch(n), 1) << n;
        EXPECT_EQ(sRead(m_pclCache, n), "<absent>") << n;
    }
    EXPECT_EQ(m_pclCache->eGetRecordState(5), NA_RECORDSTATE_PRESENT);
    EXPECT_TRUE(m_pclCache->bRecordInCache(5));
    EXPECT_EQ(m_pclCache->bMustFetch(5), 0);
    EXPECT_EQ(sRead(m_pclCache, 5), "5|E|<null>");
    EXPECT_EQ(nFind(5, "E"), 5);
    EXPECT_EQ(m_pclCache->clGetIdentityHash().dwGetNumElement(), 1u);  // empty rows are not hashed
}

TEST_F(NARecordCacheTest, RowsReplacedWithRowIdsOfAnyLength) {
    ASSERT_EQ(nAdd(1, "Un", "m1", "r1"), 0);
    ASSERT_EQ(nAdd(2, "Deux", "m2", "r2"), 1);
    ASSERT_EQ(nAdd(3, "Trois", nullptr, "r3"), 2);
    EXPECT_EQ(m_pclCache->eGetRecordIdType(), NA_RECORDID_ROWID);

    struct Step {
        const char* pszRowId;
        const char* pszNotes;
        bool bNoMemoTable;
        std::string sExpected;  // row 0 afterwards
    };
    // Longer than the stored identity: placed anew; shorter: written in place.
    const Step tabSteps[] = {
        {"a row id much longer than the first", "new memo", false, "10|Dix|new memo"},
        {"s", nullptr, true, "10|Dix|new memo"},  // a value without memos leaves the stored ones
        {"a row id much longer than the first, longer still", "third", false, "10|Dix|third"},
        {"t", nullptr, false, "10|Dix|<null>"},  // a memo set to NULL is a value
    };
    const char* pszOld = "r1";
    for (const Step& s : tabSteps) {
        CHeld<CNARecordValue> cl(pclRow(10, "Dix", s.pszNotes, s.pszRowId));
        cl->nRelease();
        if (s.bNoMemoTable) cl->bShareTabMemoValue(nullptr);
        ASSERT_TRUE(m_pclCache->Update(0, cl.get())) << s.pszRowId;
        EXPECT_EQ(nFind(10, "Dix", nullptr, s.pszRowId), 0) << s.pszRowId;
        EXPECT_EQ(nFind(10, "Dix", nullptr, pszOld), -1) << s.pszRowId;
        EXPECT_EQ(sRead(m_pclCache, 0), s.sExpected) << s.pszRowId;
        // The row's neighbours and their identities are untouched.
        EXPECT_EQ(nFind(2, "Deux", nullptr, "r2"), 1) << s.pszRowId;
        EXPECT_EQ(nFind(3, "Trois", nullptr, "r3"), 2) << s.pszRowId;
        EXPECT_EQ(sRead(m_pclCache, 1), "2|Deux|m2") << s.pszRowId;
        // A value read back carries the stored row id.
        CHeld<CNARecordValue> clRead(new CNARecordValue(m_pclErr));
        ASSERT_TRUE(m_pclCache->bGetAt(clRead.get(), 0));
        EXPECT_EQ(sRowId(clRead.get()), s.pszRowId);
        ASSERT_TRUE(m_pclCache->bGetAt(clRead.get(), 2));
        EXPECT_EQ(sRowId(clRead.get()), "r3");
        pszOld = s.pszRowId;
    }
    EXPECT_EQ(m_pclCache->clGetIdentityHash().dwGetNumElement(), 3u);

    // Replaced without a value: the row is empty, deleted and no longer found.
    ASSERT_TRUE(m_pclCache->Update(1, nullptr));
    EXPECT_EQ(sRead(m_pclCache, 1), "<absent>");
    EXPECT_EQ(m_pclCache->eGetRecordState(1), NA_RECORDSTATE_DELETED);
    EXPECT_EQ(m_pclCache->nGetNbDeleted(), 1u);
    EXPECT_EQ(nFind(2, "Deux", nullptr, "r2"), -1);
    EXPECT_FALSE(m_pclCache->Update(3, pclRowNoRef(4, "x", nullptr, "r4")));
}

TEST_F(NARecordCacheTest, AReadFillsAValueWithTheTemplateLayout) {
    nAdd(1, "Un", nullptr, "r1");
    // A value without an image takes the template's image and identity, then the row.
    CHeld<CNARecordValue> clRead(new CNARecordValue(m_pclErr));
    ASSERT_TRUE(m_pclCache->bGetAt(clRead.get(), 0));
    ASSERT_NE(clRead->pclGetNAYFRecord(), nullptr);
    EXPECT_NE(clRead->pclGetNAYFRecord(), m_pclCache->pclGetTemplateNoRef()->pclGetNAYFRecord());
    EXPECT_EQ(sRowId(clRead.get()), "r1");
    // A value of another layout is refused, never copied past its buffer.
    CHeld<CNARecordValue> clOther(new CNARecordValue(m_pclErr));
    CHeld<CNAYFRecord> clSmall(pclImage("abc"));
    clOther->bCopyNAYFRecord(clSmall.get());
    clOther->bShareRecordID(new CNARecordId_RowId(pclBytesVariant(m_pclErr, "x")));
    EXPECT_FALSE(m_pclCache->bGetAt(clOther.get(), 0));
    EXPECT_EQ(sImage(clOther->pclGetNAYFRecord()), "abc");
    // A value without a row id cannot take the row's.
    CHeld<CNARecordValue> clNoId(new CNARecordValue(m_pclErr));
    clNoId->bCopyNAYFRecord(m_pclRecord->pclGetNAYFRecord());
    EXPECT_FALSE(m_pclCache->bGetAt(clNoId.get(), 0));
    // By identity.
    CHeld<CNARecordId> clId(new CNARecordId_RowId(pclBytesVariant(m_pclErr, "r1")));
    CHeld<CNARecordValue> clById(new CNARecordValue(m_pclErr));
    EXPECT_TRUE(m_pclCache->bGetAt(clById.get(), clId.get()));
    EXPECT_EQ(sItems(clById.get()), "1|Un|<null>");
    CHeld<CNARecordId> clAbsent(new CNARecordId_RowId(pclBytesVariant(m_pclErr, "r9")));
    EXPECT_FALSE(m_pclCache->bGetAt(clById.get(), clAbsent.get()));
}

TEST_F(NARecordCacheTest, RowsOfOtherLengthsReplaceTheirElements) {
    // Images of different layouts in one cache: a longer one goes to a new element.
    auto pclValueOf = [&](const std::string& s) {
        auto* pcl = new CNARecordValue(m_pclErr);
        CHeld<CNAYFRecord> clImage(pclImage(s));
        pcl->bCopyNAYFRecord(clImage.get());
        pcl->bShareRecordID(new CNARecordId_RecordValues(pcl));
        return pcl;
    };
    CHeld<CNARecordValue> clA(pclValueOf("abc")), clB(pclValueOf("xyz")), clLong(pclValueOf("abcdefghij")),
        clShort(pclValueOf("q"));
    ASSERT_EQ(m_pclCache->nAjoute(clA.get()), 0);
    ASSERT_EQ(m_pclCache->nAjoute(clB.get()), 1);
    ASSERT_TRUE(m_pclCache->Update(0, clLong.get()));
    EXPECT_EQ(m_pclCache->nGetRecordIndice(clLong.get()), 0);
    EXPECT_EQ(m_pclCache->nGetRecordIndice(clA.get()), -1);
    EXPECT_EQ(m_pclCache->nGetRecordIndice(clB.get()), 1);
    uint64_t n = 0;
    EXPECT_EQ(std::string(reinterpret_cast<char*>(m_pclCache->clGetRecordTable().pbyGetElement(0, &n)), 10),
              "abcdefghij");
    EXPECT_EQ(n, 10u);
    ASSERT_TRUE(m_pclCache->Update(0, clShort.get()));
    EXPECT_EQ(m_pclCache->nGetRecordIndice(clShort.get()), 0);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(m_pclCache->clGetRecordTable().pbyGetElement(0, &n)), 1), "q");
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(m_pclCache->clGetRecordTable().pbyGetElement(1, &n)), 3), "xyz");
}

TEST_F(NARecordCacheTest, BlockSizesDoubleAtTheSixthBlock) {
    const uint64_t nRecord = 8 + m_pclRecord->pclGetNAYFRecord()->nGetBufferSize();
    const uint64_t nId = 8 + 28;
    auto Check = [&](int nRows, uint64_t nRowsPerBlock) {
        SCOPED_TRACE(nRows);
        m_pclCache->SupprimeTout();
        EXPECT_EQ(m_pclCache->clGetRecordTable().nGetNbBuffer(), 0);
        CHeld<CNARecordValue> cl(pclRow(0, "row"));
        cl->nRelease();
        for (int i = 0; i < nRows; i++) ASSERT_EQ(m_pclCache->nAjoute(cl.get()), i);
        const auto& clRecords = m_pclCache->clGetRecordTable();
        const auto& clIds = m_pclCache->clGetRecordIdTable();
        ASSERT_EQ(clRecords.nGetNbBuffer(), 6);
        ASSERT_EQ(clIds.nGetNbBuffer(), 6);
        for (int b = 0; b < 5; b++) {
            EXPECT_EQ(clRecords.pstGetBuffer(b)->nCapacity, nRowsPerBlock * nRecord) << b;
            EXPECT_EQ(clRecords.pstGetBuffer(b)->nUsed, nRowsPerBlock * nRecord) << b;
            EXPECT_EQ(clIds.pstGetBuffer(b)->nCapacity, nRowsPerBlock * nId) << b;
        }
        EXPECT_EQ(clRecords.pstGetBuffer(5)->nCapacity, 2 * nRowsPerBlock * nRecord);
        EXPECT_EQ(clIds.pstGetBuffer(5)->nCapacity, 2 * nRowsPerBlock * nId);
        EXPECT_EQ(clRecords.pstGetBuffer(5)->nUsed, nRecord);
        EXPECT_EQ(clRecords.nGetRowsPerBuffer(), int(2 * nRowsPerBlock));
        EXPECT_EQ(clRecords.nGetEntryGrowStep(), int(2 * nRowsPerBlock));
    };
    ASSERT_LT(500 * nRecord, 0x200000u);  // the layout's rows make blocks sized by their row count
    Check(5 * 500 + 1, 500);
    EXPECT_EQ(m_pclCache->clGetRecordTable().nGetBytesPerBuffer(), 0x400000);
    // Emptying keeps the sizes reached: a refilled table doubles again at its sixth block.
    Check(5 * 1000 + 1, 1000);
    EXPECT_EQ(m_pclCache->clGetRecordTable().nGetBytesPerBuffer(), 0x800000);
}

TEST_F(NARecordCacheTest, BlockCapacityFromTheFirstElement) {
    struct Case {
        int nRows, nBytes;
        size_t nLength;
        uint64_t nExpected;
    };
    const Case tabCases[] = {
        {4, 0x200000, 40, 4 * 48},  // by rows
        {500, 100, 40, 100},        // by bytes
        {500, 10, 40, 48},          // never below one element
        {1, 0x200000, 3, 11},
    };
    for (const Case& c : tabCases) {
        CHeld<CNARecordCache> clCache(new CNARecordCache);
        clCache->SetGrowStep(c.nRows, c.nBytes);
        CHeld<CNARecordValue> cl(new CNARecordValue(m_pclErr));
        CHeld<CNAYFRecord> clImage(pclImage(std::string(c.nLength, 'x')));
        cl->bCopyNAYFRecord(clImage.get());
        ASSERT_EQ(clCache->nAjoute(cl.get()), 0);
        ASSERT_EQ(clCache->clGetRecordTable().nGetNbBuffer(), 1);
        EXPECT_EQ(clCache->clGetRecordTable().pstGetBuffer(0)->nCapacity, c.nExpected) << c.nRows << "/" << c.nBytes;
    }
}

TEST_F(NARecordCacheTest, TargetsOfMoves) {
    CHeld<CNARecordValue> cl(pclRow(0, "row"));
    cl->nRelease();
    for (int i = 0; i < 6; i++) m_pclCache->nAjoute(cl.get());
    struct Case {
        long nPosition;
        eNA_PARSEDIRECTION e;
        long nCount;
        long nPlain;        // no row deleted
        long nWithDeleted;  // rows 1, 2 and 4 deleted
    };
    const Case tabCases[] = {
        {0, NA_PARSE_NEXT, 1, 1, 3},       {0, NA_PARSE_NEXT, 2, 2, 5},     {0, NA_PARSE_NEXT, 3, 3, 6},
        {3, NA_PARSE_NEXT, 4, 7, 8},       {99, NA_PARSE_FIRST, 1, 0, 0},   {0, NA_PARSE_FIRST, 2, 1, 3},
        {5, NA_PARSE_PREVIOUS, 1, 4, 3},   {3, NA_PARSE_PREVIOUS, 1, 2, 0}, {0, NA_PARSE_PREVIOUS, 1, -1, -1},
        {5, NA_PARSE_PREVIOUS, 3, 2, -1},  {0, NA_PARSE_LAST, 1, 5, 5},     {0, NA_PARSE_LAST, 3, 3, 0},
        {0, NA_PARSE_LAST, 6, 0, -1},      {3, NA_PARSE_PREVIOUS, 0, 3, 3}, {-1, NA_PARSE_PREVIOUS, 1, -1, -1},
    };
    for (const Case& c : tabCases)
        EXPECT_EQ(m_pclCache->nGetPosition(c.nPosition, c.e, c.nCount), c.nPlain)
            << c.nPosition << " " << c.e << " " << c.nCount;
    for (int n : {1, 2, 4}) m_pclCache->SetRecordState(n, NA_RECORDSTATE_DELETED);
    for (const Case& c : tabCases)
        EXPECT_EQ(m_pclCache->nGetPosition(c.nPosition, c.e, c.nCount), c.nWithDeleted)
            << c.nPosition << " " << c.e << " " << c.nCount;
}

TEST_F(NARecordCacheTest, StatesAndWhatMustBeFetched) {
    CHeld<CNARecordCache> clCache(new CNARecordCache);
    CHeld<CNARecordValue> cl(pclRow(0, "row"));
    cl->nRelease();
    clCache->nAjoute(cl.get());
    clCache->nAjoute(nullptr);
    EXPECT_EQ(clCache->nGetFlags(), 0u);
    EXPECT_EQ(clCache->bMustFetch(0), 1);  // a cache not switched on fetches everything
    clCache->SetFetchComplete();
    EXPECT_FALSE(clCache->bIsComplete());  // only an active cache becomes complete
    clCache->SetActive(1);
    struct Case {
        long n;
        int bIncomplete, bComplete;
    };
    const Case tabCases[] = {{-1, 0, 0}, {0, 0, 0}, {1, 1, 1}, {2, 1, 0}, {50, 1, 0}};
    for (const Case& c : tabCases) EXPECT_EQ(clCache->bMustFetch(c.n), c.bIncomplete) << c.n;
    clCache->SetFetchComplete();
    EXPECT_EQ(clCache->nGetFlags(), 9u);
    for (const Case& c : tabCases) EXPECT_EQ(clCache->bMustFetch(c.n), c.bComplete) << c.n;
    for (long n : {-1L, 2L}) EXPECT_TRUE(clCache->bEndehors(n)) << n;
    EXPECT_FALSE(clCache->bEndehors(1));

    // The deleted count follows the states.
    EXPECT_EQ(clCache->nGetNbDeleted(), 1u);
    clCache->SetRecordState(0, NA_RECORDSTATE_DELETED);
    clCache->SetRecordState(0, NA_RECORDSTATE_DELETED);
    EXPECT_EQ(clCache->nGetNbDeleted(), 2u);
    EXPECT_TRUE(clCache->_bRecordDeleted(0));
    clCache->SetRecordState(1, NA_RECORDSTATE_PRESENT);
    EXPECT_EQ(clCache->nGetNbDeleted(), 1u);

    // Emptying: no row, no deleted one, not complete, still active; the kind and template stay.
    clCache->SupprimeTout();
    EXPECT_EQ(clCache->nGetNbRecord(), 0);
    EXPECT_EQ(clCache->nGetNbDeleted(), 0u);
    EXPECT_EQ(clCache->nGetFlags(), 1u);
    EXPECT_EQ(clCache->clGetIdentityHash().dwGetNumElement(), 0u);
    EXPECT_EQ(clCache->eGetRecordIdType(), NA_RECORDID_RECORDVALUES);
    EXPECT_EQ(clCache->nAjoute(cl.get()), 0);
    EXPECT_EQ(clCache->nGetRecordIndice(cl.get()), 0);
}

TEST_F(NARecordCacheTest, WritesOfOtherStatements) {
    nAdd(1, "A");
    nAdd(2, "B");
    CHeld<CNARecordValue> clOld(pclRow(2, "B"));
    clOld->nRelease();
    CHeld<CNARecordValue> clNew(pclRow(2, "B modifie"));
    clNew->nRelease();
    CHeld<CNARecordValue> clFront(pclRow(0, "Avant"));
    clFront->nRelease();
    CHeld<CNARecordValue> clEnd(pclRow(3, "Apres"));
    clEnd->nRelease();
    EXPECT_EQ(m_pclCache->nOnNotifyOperation(NAQUERYTYPE_INSERT, clEnd.get(), nullptr, 0, 0), 2);
    EXPECT_EQ(m_pclCache->nOnNotifyOperation(NAQUERYTYPE_INSERT, clFront.get(), nullptr, 0, 1), 0);
    EXPECT_EQ(m_pclCache->nOnNotifyOperation(NAQUERYTYPE_UPDATE, clNew.get(), clOld.get(), 0, 0), 2);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"0|Avant|<null>", "1|A|<null>", "2|B modifie|<null>", "3|Apres|<null>"}));
    EXPECT_EQ(m_pclCache->nOnNotifyOperation(NAQUERYTYPE_UPDATE, clNew.get(), clOld.get(), 0, 0), -1);
    EXPECT_EQ(m_pclCache->nOnNotifyOperation(NAQUERYTYPE_DELETE, nullptr, clNew.get(), 0, 0), 2);
    EXPECT_EQ(m_pclCache->nOnNotifyOperation(NAQUERYTYPE_DELETE, nullptr, clNew.get(), 0, 0), 2);
    EXPECT_EQ(m_pclCache->nGetNbDeleted(), 1u);
    EXPECT_EQ(m_pclCache->eGetRecordState(2), NA_RECORDSTATE_DELETED);
    EXPECT_EQ(m_pclCache->nOnNotifyOperation(NAQUERYTYPE_DELETE, nullptr, clOld.get(), 0, 0), -1);
    // A deleted row is stepped over.
    EXPECT_EQ(m_pclCache->nGetPosition(1, NA_PARSE_NEXT, 1), 3);
}

// Two rows that differ only in their memo values are two rows: a delete or an update of one leaves
// the other as it was.
TEST_F(NARecordCacheTest, RowsDifferingOnlyInTheirMemosAreWrittenApart) {
    nAdd(1, "A", "premier");
    nAdd(1, "A", "second");
    EXPECT_EQ(nFind(1, "A", "premier"), 0);
    EXPECT_EQ(nFind(1, "A", "second"), 1);
    CHeld<CNARecordValue> clSecond(pclRow(1, "A", "second"));
    clSecond->nRelease();
    CHeld<CNARecordValue> clNew(pclRow(1, "A", "second modifie"));
    clNew->nRelease();
    EXPECT_EQ(m_pclCache->nOnNotifyOperation(NAQUERYTYPE_UPDATE, clNew.get(), clSecond.get(), 0, 0), 1);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"1|A|premier", "1|A|second modifie"}));
    EXPECT_EQ(m_pclCache->nOnNotifyOperation(NAQUERYTYPE_DELETE, nullptr, clNew.get(), 0, 0), 1);
    EXPECT_EQ(m_pclCache->eGetRecordState(0), NA_RECORDSTATE_PRESENT);
    EXPECT_EQ(m_pclCache->eGetRecordState(1), NA_RECORDSTATE_DELETED);
}

TEST_F(NARecordCacheTest, RemovingARowKeepsTheIdentitiesNumbered) {
    nAdd(1, "A");
    nAdd(2, "B", "mB");
    nAdd(3, "C", "mC");
    m_pclCache->SetRecordState(0, NA_RECORDSTATE_DELETED);
    m_pclCache->Supprime(0);
    EXPECT_EQ(Rows(), (std::vector<std::string>{"2|B|mB", "3|C|mC"}));
    EXPECT_EQ(m_pclCache->nGetNbDeleted(), 0u);
    EXPECT_EQ(nFind(1, "A"), -1);
    EXPECT_EQ(nFind(2, "B", "mB"), 0);
    EXPECT_EQ(nFind(3, "C", "mC"), 1);
}

TEST_F(NARecordCacheTest, EqualityOfRows) {
    nAdd(1, "A", "m");
    nAdd(1, "A", "other");
    nAdd(2, "B", "m");
    CHeld<CNARecordValue> cl(pclRow(1, "A", "m"));
    cl->nRelease();
    EXPECT_TRUE(m_pclCache->bEquals(0, cl.get(), 1));
    EXPECT_FALSE(m_pclCache->bEquals(1, cl.get(), 1));
    EXPECT_TRUE(m_pclCache->bEquals(1, cl.get(), 0));
    EXPECT_FALSE(m_pclCache->bEquals(2, cl.get(), 0));
    EXPECT_TRUE(m_pclCache->bEquals(0, 1, 0));
    EXPECT_FALSE(m_pclCache->bEquals(0, 1, 1));
    EXPECT_FALSE(m_pclCache->bEquals(0, 2, 0));
    EXPECT_FALSE(m_pclCache->bEquals(0, 9, 0));
}

TEST_F(NARecordCacheTest, MemoTablesOfRows) {
    CNARecordValue* pclNoMemo = pclRowNoRef(1, "A");
    pclNoMemo->bShareTabMemoValue(nullptr);
    m_pclCache->nAjoute(pclNoMemo);
    nAdd(2, "B", "mB");
    EXPECT_FALSE(m_pclCache->bMemoInCache(0));
    EXPECT_TRUE(m_pclCache->bMemoInCache(1));
    // A row read without memos does not give itself a memo table.
    sRead(m_pclCache, 0);
    EXPECT_FALSE(m_pclCache->bMemoInCache(0));

    // Restoring copies a row's memos into a table that holds values.
    CHeld<CNARecordMemo> clTarget(new CNARecordMemo);
    clTarget->bShareMemoValue(0, pclTextVariant(m_pclErr, "before"));
    m_pclCache->RestaureMemo(0, clTarget.get());
    EXPECT_EQ(sBytes(clTarget->pclGetMemoValueNoRef(0)), "before");
    m_pclCache->RestaureMemo(1, clTarget.get());
    EXPECT_EQ(sBytes(clTarget->pclGetMemoValueNoRef(0)), "mB");

    // Rows 2 to 4 without memo tables.
    for (int n = 2; n < 5; n++) m_pclCache->nAjoute(nullptr);
    CNARecordMemo* pclMemo = m_pclCache->_pclGetRecordMemo(3);
    ASSERT_NE(pclMemo, nullptr);
    EXPECT_EQ(pclMemo->nGetNbMemo(), 0);
    EXPECT_EQ(m_pclCache->nGetNbMemoEntry(), 4);
    EXPECT_FALSE(m_pclCache->bMemoInCache(2));
    EXPECT_TRUE(m_pclCache->bMemoInCache(3));
    EXPECT_EQ(m_pclCache->_pclGetRecordMemo(3), pclMemo);
    EXPECT_EQ(pclMemo->dwGetRef(), 3u);
    pclMemo->dwRelease();
    pclMemo->dwRelease();
    CNARecordMemo* pclInserted = m_pclCache->pclInsertRecordMemo(1);
    ASSERT_NE(pclInserted, nullptr);
    pclInserted->dwRelease();
    EXPECT_EQ(m_pclCache->nGetNbMemoEntry(), 5);
    EXPECT_TRUE(m_pclCache->bMemoInCache(2));  // row 1's memos moved to 2
}

TEST_F(NARecordCacheTest, RandomOperationsAgainstAPlainModel) {
    // Rows of 6 bytes over a small alphabet, so that equal rows (tables without a unique key)
    // occur; nullopt is an empty row.
    std::vector<std::optional<std::string>> vModel;
    std::vector<bool> vDeleted;
    std::mt19937 clRandom(2024);
    auto sRandomRow = [&] {
        std::string s(6, 'a');
        for (char& c : s) c = static_cast<char>('a' + clRandom() % 3);
        return s;
    };
    auto pclValueOf = [&](const std::string& s) {
        auto* pcl = new CNARecordValue(m_pclErr);
        CHeld<CNAYFRecord> clImage(pclImage(s));
        pcl->bCopyNAYFRecord(clImage.get());
        pcl->bShareRecordID(new CNARecordId_RecordValues(pcl));
        return pcl;
    };
    for (int nStep = 0; nStep < 3000; nStep++) {
        SCOPED_TRACE(nStep);
        const int nRows = static_cast<int>(vModel.size());
        const std::string sRow = sRandomRow();
        CHeld<CNARecordValue> clValue(pclValueOf(sRow));
        switch (clRandom() % 6) {
            case 0:
                ASSERT_EQ(m_pclCache->nAjoute(clValue.get()), nRows);
                vModel.push_back(sRow);
                vDeleted.push_back(false);
                break;
            case 1: {
                const int n = static_cast<int>(clRandom() % (nRows + 3));
                ASSERT_EQ(m_pclCache->Insere(clValue.get(), n), n);
                while (static_cast<int>(vModel.size()) < n) {
                    vModel.push_back(std::nullopt);
                    vDeleted.push_back(true);
                }
                vModel.insert(vModel.begin() + n, sRow);
                vDeleted.insert(vDeleted.begin() + n, false);
                break;
            }
            case 2:
                if (nRows == 0) break;
                if (clRandom() % 4 == 0) {
                    const int n = static_cast<int>(clRandom() % nRows);
                    ASSERT_TRUE(m_pclCache->Update(n, nullptr));
                    vModel[n] = std::nullopt;
                    vDeleted[n] = true;
                } else {
                    const int n = static_cast<int>(clRandom() % nRows);
                    ASSERT_TRUE(m_pclCache->Update(n, clValue.get()));
                    vModel[n] = sRow;
                    vDeleted[n] = false;
                }
                break;
            case 3:
                if (nRows == 0) break;
                {
                    const int n = static_cast<int>(clRandom() % nRows);
                    m_pclCache->Supprime(n);
                    vModel.erase(vModel.begin() + n);
                    vDeleted.erase(vDeleted.begin() + n);
                }
                break;
            case 4:
                if (nRows == 0) break;
                {
                    const int n = static_cast<int>(clRandom() % nRows);
                    const bool bDelete = clRandom() % 2 == 0;
                    m_pclCache->SetRecordState(n, bDelete ? NA_RECORDSTATE_DELETED : NA_RECORDSTATE_PRESENT);
                    vDeleted[n] = bDelete;
                }
                break;
            default: {
                // A look-up finds a row of equal bytes, or none when there is none.
                const int n = m_pclCache->nGetRecordIndice(clValue.get());
                bool bPresent = false;
                for (const auto& o : vModel) bPresent = bPresent || (o && *o == sRow);
                if (!bPresent) {
                    EXPECT_EQ(n, -1);
                } else {
                    ASSERT_GE(n, 0);
                    EXPECT_EQ(vModel[n], sRow);
                }
            }
        }
        ASSERT_EQ(m_pclCache->nGetNbRecord(), static_cast<int>(vModel.size()));
        ExpectInvariants(m_pclCache, true);
        if (HasFailure()) return;
    }
    // Every row reads back as the model has it.
    CHeld<CNARecordValue> clReader(pclValueOf("......"));
    for (size_t n = 0; n < vModel.size(); n++) {
        EXPECT_EQ(m_pclCache->bGetAt(clReader.get(), int(n)) != 0, vModel[n].has_value()) << n;
        if (vModel[n]) {
            EXPECT_EQ(sImage(clReader->pclGetNAYFRecord()), *vModel[n]) << n;
        }
        EXPECT_EQ(m_pclCache->_bRecordDeleted(int(n)) != 0, bool(vDeleted[n])) << n;
    }
}

}  // namespace
