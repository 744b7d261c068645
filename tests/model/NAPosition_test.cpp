// Saved positions: what a position holds (its statement, the filter in force, a copy of the user
// search, its saved records at the data access) it holds once and gives back once, however it was
// filled; and a position saved on a row that is then deleted is restored by searching from its
// saved record, while one whose row still stands is restored by its row.
//
// A statement double takes and restores positions as the statement does, over the browse fixture,
// the saved records of its data access and its table on the test server.
#include <algorithm>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/RefHashTable.h"
#include "native/model/NAPosition.h"
#include "native/statement/NARecordCachePosition.h"
#include "native/statement/NARecordValue.h"
#include "tests/sql/BrowseTestSupport.h"

using namespace browsetest;

namespace {

// A statement that takes and restores positions: a position records the row the browse stands
// on, a saved copy of the record read, the user search and the filter; restoring goes back to the
// row while its row id holds and the row was not deleted, and otherwise searches for the saved
// record.
class CPositionStatement : public CNAStatement {
public:
    using CNAStatement::CNAStatement;

    // The browse stands on row n of its result, whose record has been read.
    void StandOn(int64_t n) {
        m_llCurrentPosition = n;
        m_bStarted = 1;
    }
    void SetUserSearch(INAItemDescription* piItem, const CAny& clValue) {
        m_clUserSearch.SetUserSearch(piItem, &clValue, 0);
    }
    const CNAUserSearch* pclGetUserSearch() const { return &m_clUserSearch; }
    int64_t nGetPosition() const { return m_llCurrentPosition; }
    uint32_t nGetDuplicateRank() const { return m_nDuplicateRank; }
    void SetDuplicateRank(uint32_t n) { m_nDuplicateRank = n; }

    int bGetPosition(CNAPosition* pclPosition, unsigned) override {
        pclPosition->SetStatement(this);
        pclPosition->bKeepFilter(m_pclFilter);
        // The record read, kept at the access; the position takes the one reference on it.
        const int nSave =
            m_pclDataAccess->pclGetRecordSaveNoRef()->nKeepRecordSave(m_pclRecord->pclGetOriginalRecordValueNoRef());
        return pclPosition->bSetParameters(static_cast<int>(m_llCurrentPosition), nSave, &m_clUserSearch,
                                           static_cast<int>(m_nDuplicateRank));
    }
    int bSetPosition(CNAPosition* pclPosition, unsigned nKind) override {
        int bResult = 1;
        m_sPath = "none";
        if (pclPosition->nGetRecordSaveID() != -1) {
            if (pclPosition->bRowIdValid() && !pclPosition->bRowDeleted() && pclPosition->nGetRowId() != -1)
                bResult = _bGoToRowId(pclPosition->nGetRowId(), pclPosition);
            else
                bResult = _bBySearch(pclPosition);
        }
        m_clUserSearch.Copy(pclPosition->pclGetUserSearch());
        if (nKind & 1) {
            const CNAFilterSave* pclSave = pclPosition->pclGetFilterSave();
            _SetFilter(pclSave->pclGetFilterNoRef());
            if (m_pclFilter != nullptr) m_pclFilter->ActivateFilter(pclSave->bIsActive());
        }
        return bResult;
    }
    int _bGoToRowId(int64_t llRow, CNAPosition* pclPosition) override {
        m_sPath = "row";
        m_llCurrentPosition = llRow;
        m_nDuplicateRank = pclPosition->nGetExtra();
        return 1;
    }
    // The saved record becomes the record read, and the browse searches for it by its item.
    int _bBySearch(CNAPosition* pclPosition) {
        m_sPath = "search";
        if (!m_pclDataAccess->bCopySaveToRecord(pclPosition->nGetRecordSaveID(),
                                                m_pclRecord->pclGetOriginalRecordValueNoRef()) ||
            !m_pclRecord->bCopyOriginalRecordToCurrentRecord())
            return 0;
        m_llCurrentPosition = -1;
        m_nDuplicateRank = pclPosition->nGetExtra();
        INAItemDescription* piItem = _pclGetItem(pclPosition->pszGetItem());
        CNARecherche* pclSearch = pclGetRecherche();
        const int bResult = piItem != nullptr && pclSearch != nullptr &&
                            (pclSearch->bRechercheEnreg(m_pclRecord, piItem, NA_PARSE_FIRST, 0, nullptr) & 1);
        if (pclSearch != nullptr) pclSearch->nRelease();
        if (piItem != nullptr) piItem->nExternalRelease();
        return bResult;
    }

    std::string m_sPath;
};

}  // namespace

class NAPositionTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        m_pclPositionStatement = new CPositionStatement(m_pclAccess, m_pclError);
        m_pclPositionStatement->AddRef();
        m_pclPositionStatement->SetCurrentRecord(m_pclRecord);
        m_pclFilter = new CNAFilter(m_pclError, m_pclCnx);
        m_pclFilter->AddRef();
    }
    void TearDown() override {
        m_pclFilter->nRelease();
        m_pclPositionStatement->nRelease();
        BrowseTest::TearDown();
    }
    CNAPosition* pclNew() {
        auto* pcl = new CNAPosition;
        pcl->AddRef();
        return pcl;
    }
    // The row of that id is read and the browse stands on it (row n of the result).
    void Read(int nId, int64_t n) {
        SetCurrentRow(nId);
        ASSERT_TRUE(m_pclRecord->bCopyCurrentRecordToOriginalRecord());
        m_pclPositionStatement->StandOn(n);
    }
    // The row of that id kept among the access's saved records, with one reference held by the
    // test: a position that gave back one reference too many would take the test's.
    int nKeep(CNADataAccess* pclAccess, int nId) {
        SetCurrentRow(nId);
        const int n = pclAccess->pclGetRecordSaveNoRef()->nKeepRecordSave(m_pclRecord->pclGetCurrentRecordValueNoRef());
        EXPECT_GE(n, 0);
        pclAccess->AddRefRecordSave(n);
        return n;
    }
    static int nRefs(CNADataAccess* pclAccess, int n) {
        return pclAccess->pclGetRecordSaveNoRef()->nGetRefRecordSave(n);
    }
    CPositionStatement* m_pclPositionStatement = nullptr;
    CNAFilter* m_pclFilter = nullptr;
};

// Everything a position takes it gives back once, when its last reference goes.
TEST_F(NAPositionTest, HoldsAndGivesBackOnce) {
    CNAStatement* pclStatement = m_pclPositionStatement;
    const unsigned nStatementRefs = pclStatement->nGetRef();
    const unsigned nFilterRefs = m_pclFilter->nGetRef();
    INAItemDescription* piSearched = piItem(L"n");
    const unsigned nItemRefs = m_pclHost->pclNAGetItemNoRef(L"n", 3)->nGetExternalRef();
    CNAUserSearch clSearch;
    CAny clFive;
    clFive.SetI4(5);
    clSearch.SetUserSearch(piSearched, &clFive, 0);
    m_pclFilter->ActivateFilter(1);

    const int nFirst = nKeep(m_pclAccess, 3), nSecond = nKeep(m_pclAccess, 5);
    CNAPosition* pcl = pclNew();
    // A new position holds nothing.
    EXPECT_EQ(pcl->nGetRowId(), -1);
    EXPECT_EQ(pcl->nGetRecordSaveID(), -1);
    EXPECT_EQ(pcl->nGetRecordSaveID2(), -1);
    EXPECT_FALSE(pcl->bIsSet());
    EXPECT_EQ(pcl->pclGetStatement(), nullptr);
    pcl->SetItem(L"n");
    pcl->SetStatement(pclStatement);
    EXPECT_EQ(pcl->pclGetDataAccessNoRef(), m_pclAccess);
    ASSERT_TRUE(pcl->bKeepFilter(m_pclFilter));
    ASSERT_TRUE(pcl->bSetParameters(3, nFirst, &clSearch, 2));
    pcl->SetRecordSaveID_VerrueHAjouteHLit(m_pclAccess, nSecond);
    EXPECT_EQ(pclStatement->nGetRef(), nStatementRefs + 1);
    EXPECT_EQ(m_pclFilter->nGetRef(), nFilterRefs + 1);
    EXPECT_EQ(m_pclHost->pclNAGetItemNoRef(L"n", 3)->nGetExternalRef(), nItemRefs + 2);
    EXPECT_EQ(nRefs(m_pclAccess, nFirst), 2);
    EXPECT_EQ(nRefs(m_pclAccess, nSecond), 2);
    EXPECT_EQ(pcl->nGetRecordSaveID(), nFirst);
    EXPECT_EQ(pcl->nGetRecordSaveID2(), nSecond);
    EXPECT_TRUE(pcl->bIsSet());
    EXPECT_EQ(pcl->nGetRowId(), 3);
    EXPECT_EQ(pcl->nGetExtra(), 2u);
    EXPECT_STREQ(pcl->pszGetItem(), L"n");
    EXPECT_TRUE(pcl->pclGetFilterSave()->bIsActive());
    // The copy of the search is the position's own: the search may change afterwards.
    clSearch.CancelUserSearch();
    EXPECT_EQ(pcl->pclGetUserSearch()->piGetItemNoRef(), piSearched);

    // The statement is handed out with a reference for the caller.
    CNAStatement* pclGot = pcl->pclGetStatement();
    EXPECT_EQ(pclGot, pclStatement);
    EXPECT_EQ(pclStatement->nGetRef(), nStatementRefs + 2);
    pclGot->nRelease();

    // Invalidated, the row id is gone; the saved records and the search stay for a search.
    pcl->InvalidateRowID();
    EXPECT_EQ(pcl->nGetRowId(), -1);
    EXPECT_FALSE(pcl->bRowIdValid());
    EXPECT_EQ(nRefs(m_pclAccess, nFirst), 2);
    EXPECT_TRUE(pcl->pclGetUserSearch()->bIsSet());

    pcl->nRelease();
    EXPECT_EQ(pclStatement->nGetRef(), nStatementRefs);
    EXPECT_EQ(m_pclFilter->nGetRef(), nFilterRefs);
    EXPECT_EQ(m_pclHost->pclNAGetItemNoRef(L"n", 3)->nGetExternalRef(), nItemRefs);
    EXPECT_EQ(nRefs(m_pclAccess, nFirst), 1);
    EXPECT_EQ(nRefs(m_pclAccess, nSecond), 1);
}

// However the saved records come and go, each is released once where it is kept.
TEST_F(NAPositionTest, SavedRecordsReleasedOnce) {
    CNADataAccess* pclOther = new CNADataAccess(m_pclHost, m_pclCnx, m_pclError);
    pclOther->AddRef();
    // Saved records 0 to 5 of the fixture's access (rows 1 to 6) and record 0 of the other access.
    std::vector<int> v;
    for (int nId = 1; nId <= 6; nId++) v.push_back(nKeep(m_pclAccess, nId));
    const int nOther = nKeep(pclOther, 7);
    struct Case {
        const char* pszName;
        std::function<void(CNAPosition*)> fnFill;
        std::vector<int> vHeld;  // the fixture's saved records the position holds before it goes
        bool bHoldsOther;        // ... and the other access's
    };
    const Case tab[] = {
        {"never filled: nothing to give back", [](CNAPosition*) {}, {}, false},
        {"a statement without a saved record",
         [&](CNAPosition* p) { p->SetStatement(m_pclPositionStatement); },
         {},
         false},
        {"no saved record to hold",
         [&](CNAPosition* p) {
             p->SetStatement(m_pclPositionStatement);
             p->bSetParameters(4, -1, nullptr, 0);
             p->SetRecordSaveID_VerrueHAjouteHLit(m_pclAccess, -1);
         },
         {},
         false},
        {"filled twice: the first saved record goes at once",
         [&](CNAPosition* p) {
             p->SetStatement(m_pclPositionStatement);
             p->bSetParameters(4, v[0], nullptr, 0);
             p->bSetParameters(5, v[1], nullptr, 0);
         },
         {v[1]},
         false},
        {"filled twice with the same saved record",
         [&](CNAPosition* p) {
             p->SetStatement(m_pclPositionStatement);
             p->bSetParameters(4, v[2], nullptr, 0);
             p->bSetParameters(4, v[2], nullptr, 0);
         },
         {v[2]},
         false},
        {"both saved records, the second replaced",
         [&](CNAPosition* p) {
             p->SetStatement(m_pclPositionStatement);
             p->bSetParameters(4, v[3], nullptr, 0);
             p->SetRecordSaveID_VerrueHAjouteHLit(m_pclAccess, v[4]);
             p->SetRecordSaveID_VerrueHAjouteHLit(m_pclAccess, v[5]);
         },
         {v[3], v[5]},
         false},
        // Each saved record goes back to the access that keeps it.
        {"a second saved record of another access",
         [&](CNAPosition* p) {
             p->SetStatement(m_pclPositionStatement);
             p->bSetParameters(4, v[0], nullptr, 0);
             p->SetRecordSaveID_VerrueHAjouteHLit(pclOther, nOther);
         },
         {},
         true},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        CNAPosition* pcl = pclNew();
        c.fnFill(pcl);
        // The test holds one reference on each saved record, the position one on those it holds.
        for (int n : v) {
            const bool bHeld = std::find(c.vHeld.begin(), c.vHeld.end(), n) != c.vHeld.end();
            EXPECT_EQ(nRefs(m_pclAccess, n), bHeld ? 2 : 1) << "saved record " << n;
        }
        EXPECT_EQ(nRefs(pclOther, nOther), c.bHoldsOther ? 2 : 1);
        pcl->nRelease();
        for (int n : v) EXPECT_EQ(nRefs(m_pclAccess, n), 1) << "saved record " << n;
        EXPECT_EQ(nRefs(pclOther, nOther), 1);
    }
    pclOther->nRelease();
}

// The position tables of statements and data accesses hold one reference on each position.
TEST_F(NAPositionTest, PositionTablesHoldOneReference) {
    CNAPosition* pcl = pclNew();
    {
        CRefHashTable<int, CNAPosition*> tab(7);
        ASSERT_TRUE(tab.bSet(1, pcl));
        EXPECT_EQ(pcl->nGetRef(), 2u);
    }
    EXPECT_EQ(pcl->nGetRef(), 1u);
    pcl->nRelease();
}

// A position saved on a row that is then deleted comes back by searching for its saved record:
// the equal record is gone, the browse goes on with the next one. A position whose row stands
// comes back to its row, and one whose row id went comes back by searching too; each brings its
// user search back, and its filter when asked.
TEST_F(NAPositionTest, SavedDeletedRestored) {
    KX_REQUIRE_PG_SERVER();
    CBrowseTable clPg;
    ASSERT_TRUE(clPg.bOpen()) << clPg.sError();
    CPositionStatement* pclStatement = m_pclPositionStatement;
    pclStatement->SetItemName(L"id");
    // Browsing by id under the filter n >= 5, with a user search on n.
    CAny clFive;
    clFive.SetI4(5);
    ASSERT_TRUE(m_pclFilter->bSetFilter(m_pclRecord, piItem(L"n"), &clFive, 1, nullptr, 0, nullptr, 0));
    m_pclFilter->ActivateFilter(1);
    pclStatement->_SetFilter(m_pclFilter);
    pclStatement->SetUserSearch(piItem(L"n"), clFive);

    // Positions on the rows of ids 3 (row 2 of the result) and 5 (row 4), then on id 7.
    Read(3, 2);
    pclStatement->SetDuplicateRank(1);
    CNAPosition* pclOnThree = pclNew();
    pclOnThree->SetItem(L"id");
    ASSERT_TRUE(pclStatement->bGetPosition(pclOnThree, 0));
    // The row of id 3 is deleted on the server; the positions on its row learn it.
    CNACommand* pclDelete = pclCommand();
    ASSERT_TRUE(pclStatement->bBuildQuery(NAQUERYTYPE_DELETE, pclDelete, 0));
    EXPECT_EQ(sFormat(pclDelete), L"DELETE FROM \"browse_fx\" WHERE \"id\"=3");
    ASSERT_TRUE(clPg.bIds(pgtest::sUTF8(sFormat(pclDelete)), nullptr)) << clPg.sError();
    pclOnThree->SetRowDeleted();

    Read(5, 4);
    pclStatement->SetDuplicateRank(0);
    CNAPosition* pclOnFive = pclNew();
    pclOnFive->SetItem(L"id");
    ASSERT_TRUE(pclStatement->bGetPosition(pclOnFive, 0));
    Read(7, 6);
    CNAPosition* pclOnSeven = pclNew();
    pclOnSeven->SetItem(L"id");
    ASSERT_TRUE(pclStatement->bGetPosition(pclOnSeven, 0));
    // The statement's rows went: the position on 7 can only search.
    pclOnSeven->InvalidateRowID();
    std::vector<int> vSaves;
    for (CNAPosition* pcl : {pclOnThree, pclOnFive, pclOnSeven}) {
        vSaves.push_back(pcl->nGetRecordSaveID());
        EXPECT_EQ(nRefs(m_pclAccess, vSaves.back()), 1);
    }

    // The browse moves on: another row, no user search, no filter.
    Read(9, 8);
    pclStatement->SetUserSearch(nullptr, CAny());
    m_pclFilter->ActivateFilter(0);

    // What the browse reads from where a restore left it: the records equal to the search, then
    // past them.
    auto vRead = [&](bool bPast) {
        CNARecherche* pclSearch = pclStatement->pclGetRecherche();
        if (bPast) pclSearch->bSetContinueParcours(0);
        pclSearch->nRelease();
        CNACommand* pclWhere = pclCommand();
        EXPECT_TRUE(pclStatement->bGetClauseWHERE(pclWhere));
        CNACommand* pclSelect = pclCommand();
        EXPECT_TRUE(pclStatement->bBuildQuerySELECT(pclSelect, 0, L"id", 1, pclWhere));
        std::vector<int> v;
        EXPECT_TRUE(clPg.bIds(pgtest::sUTF8(sFormat(pclSelect)), &v)) << clPg.sError();
        return v;
    };

    struct Case {
        const char* pszName;
        CNAPosition* pclPosition;
        unsigned nKind;
        const char* pszPath;
        int64_t nPosition;
        uint32_t nDuplicateRank;
        bool bFilterActive;
        std::vector<int> vEqual;  // the rows equal to the search, and after them
        std::vector<int> vPast;
    };
    const Case tab[] = {
        // The row is gone: the search finds no equal record and the browse goes on with the next
        // record the filter keeps.
        {"the deleted row, with its filter", pclOnThree, 1, "search", -1, 1, true, {}, {5, 7, 8, 10, 11}},
        {"a row that stands", pclOnFive, 0, "row", 4, 0, false, {}, {}},
        {"a row id gone, without its filter", pclOnSeven, 0, "search", -1, 0, false, {7}, {8, 9, 10, 11, 12}},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        pclStatement->_SetRecherche(nullptr);
        m_pclFilter->ActivateFilter(0);
        ASSERT_TRUE(pclStatement->bSetPosition(c.pclPosition, c.nKind));
        EXPECT_EQ(pclStatement->m_sPath, c.pszPath);
        EXPECT_EQ(pclStatement->nGetPosition(), c.nPosition);
        EXPECT_EQ(pclStatement->nGetDuplicateRank(), c.nDuplicateRank);
        // The user search comes back with the position.
        EXPECT_EQ(pclStatement->pclGetUserSearch()->piGetItemNoRef(), piItem(L"n"));
        EXPECT_EQ(pclStatement->bExistFilter(), c.bFilterActive);
        if (std::string(c.pszPath) != "search") continue;
        EXPECT_EQ(vRead(false), c.vEqual);
        EXPECT_EQ(vRead(true), c.vPast);
    }

    // Freed by the host, the positions give back their saved records and their statement.
    const unsigned nStatementRefs = pclStatement->nGetRef();
    for (CNAPosition* pcl : {pclOnThree, pclOnFive, pclOnSeven}) pcl->nRelease();
    EXPECT_EQ(pclStatement->nGetRef(), nStatementRefs - 3);
    for (int n : vSaves) EXPECT_EQ(nRefs(m_pclAccess, n), 0) << "saved record " << n;
}
