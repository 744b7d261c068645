// Saved positions: what a position holds (its statement, the filter in force, a copy of the user
// search, its saved records at the data access) it holds once and gives back once, however it was
// filled; and a position saved on a row that is then deleted is restored by searching from its
// saved record, while one whose row still stands is restored by its row.
//
// The data access keeps no saved record yet: this program stands in for its saved records (a
// reference count per record, and the record values a statement keeps), and a statement double
// takes and restores positions as the statement does, over the browse fixture and its table on
// the test server.
#include "native/model/NAPosition.h"

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/RefHashTable.h"
#include "native/model/StatementServices.h"
#include "native/statement/NARecordValue.h"
#include "tests/sql/BrowseTestSupport.h"

using namespace browsetest;

namespace {

// The data access's saved records: a reference count each, and the record value kept.
struct stSaves {
    std::map<std::pair<const CNADataAccess*, int>, int> mapRefs;
    std::map<int, CNARecordValue*> mapValues;
    int nOverReleases = 0;  // releases of a record nobody held
    int nNext = 10;

    // A new saved record holding a copy of the value, with no reference yet: the caller takes it.
    int nKeep(const CNADataAccess* pclAccess, const CNARecordValue* pclValue) {
        const int n = nNext++;
        mapRefs[{pclAccess, n}] = 0;
        mapValues[n] = NA_pclRecordValueClone(pclValue);
        return n;
    }
    int nRefs(const CNADataAccess* pclAccess, int n) const {
        auto it = mapRefs.find({pclAccess, n});
        return it != mapRefs.end() ? it->second : 0;
    }
    int nHeld() const {
        int n = 0;
        for (const auto& st : mapRefs) n += st.second;
        return n;
    }
    void Clear() {
        for (auto& st : mapValues) NA_ReleaseRecordValue(st.second);
        mapValues.clear();
        mapRefs.clear();
        nOverReleases = 0;
    }
};
stSaves g_stSaves;

}  // namespace

// The data access's saved-record references, as this program keeps them.
void NA_DataAccessAddRefRecordSave(CNADataAccess* pclDataAccess, int nId) {
    g_stSaves.mapRefs[{pclDataAccess, nId}]++;
}
int NA_nDataAccessReleaseRecordSave(CNADataAccess* pclDataAccess, int nId) {
    int& n = g_stSaves.mapRefs[{pclDataAccess, nId}];
    if (n == 0) {
        g_stSaves.nOverReleases++;
        return 0;
    }
    return --n;
}

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
        const int nSave = g_stSaves.nKeep(m_pclDataAccess, m_pclRecord->pclGetOriginalRecordValueNoRef());
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
        auto it = g_stSaves.mapValues.find(pclPosition->nGetRecordSaveID());
        if (it == g_stSaves.mapValues.end()) return 0;
        if (!m_pclRecord->bCopyToCurrentRecord(it->second) || !m_pclRecord->bCopyCurrentRecordToOriginalRecord())
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
        g_stSaves.Clear();
        m_pclPositionStatement = new CPositionStatement(m_pclAccess, m_pclError);
        m_pclPositionStatement->AddRef();
        m_pclPositionStatement->SetCurrentRecord(m_pclRecord);
        m_pclFilter = new CNAFilter(m_pclError, m_pclCnx);
        m_pclFilter->AddRef();
    }
    void TearDown() override {
        m_pclFilter->nRelease();
        m_pclPositionStatement->nRelease();
        g_stSaves.Clear();
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
    ASSERT_TRUE(pcl->bSetParameters(3, 7, &clSearch, 2));
    pcl->SetRecordSaveID_VerrueHAjouteHLit(m_pclAccess, 9);
    EXPECT_EQ(pclStatement->nGetRef(), nStatementRefs + 1);
    EXPECT_EQ(m_pclFilter->nGetRef(), nFilterRefs + 1);
    EXPECT_EQ(m_pclHost->pclNAGetItemNoRef(L"n", 3)->nGetExternalRef(), nItemRefs + 2);
    EXPECT_EQ(g_stSaves.nRefs(m_pclAccess, 7), 1);
    EXPECT_EQ(g_stSaves.nRefs(m_pclAccess, 9), 1);
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
    EXPECT_EQ(g_stSaves.nRefs(m_pclAccess, 7), 1);
    EXPECT_TRUE(pcl->pclGetUserSearch()->bIsSet());

    pcl->nRelease();
    EXPECT_EQ(pclStatement->nGetRef(), nStatementRefs);
    EXPECT_EQ(m_pclFilter->nGetRef(), nFilterRefs);
    EXPECT_EQ(m_pclHost->pclNAGetItemNoRef(L"n", 3)->nGetExternalRef(), nItemRefs);
    EXPECT_EQ(g_stSaves.nHeld(), 0);
    EXPECT_EQ(g_stSaves.nOverReleases, 0);
}

// However the saved records come and go, each is released once where it is kept.
TEST_F(NAPositionTest, SavedRecordsReleasedOnce) {
    CNADataAccess* pclOther = new CNADataAccess(m_pclHost, m_pclCnx, m_pclError);
    pclOther->AddRef();
    struct Case {
        const char* pszName;
        std::function<void(CNAPosition*)> fnFill;
        std::vector<std::pair<const CNADataAccess*, int>> vHeld;  // saved records held before the release
    };
    const Case tab[] = {
        {"never filled: nothing to give back", [](CNAPosition*) {}, {}},
        {"a statement without a saved record", [&](CNAPosition* p) { p->SetStatement(m_pclPositionStatement); }, {}},
        {"no saved record to hold",
         [&](CNAPosition* p) {
             p->SetStatement(m_pclPositionStatement);
             p->bSetParameters(4, -1, nullptr, 0);
             p->SetRecordSaveID_VerrueHAjouteHLit(m_pclAccess, -1);
         },
         {}},
        {"filled twice: the first saved record goes at once",
         [&](CNAPosition* p) {
             p->SetStatement(m_pclPositionStatement);
             p->bSetParameters(4, 11, nullptr, 0);
             p->bSetParameters(5, 12, nullptr, 0);
         },
         {{m_pclAccess, 12}}},
        {"filled twice with the same saved record",
         [&](CNAPosition* p) {
             p->SetStatement(m_pclPositionStatement);
             p->bSetParameters(4, 11, nullptr, 0);
             p->bSetParameters(4, 11, nullptr, 0);
         },
         {{m_pclAccess, 11}}},
        {"the second saved record replaced",
         [&](CNAPosition* p) {
             p->SetStatement(m_pclPositionStatement);
             p->SetRecordSaveID_VerrueHAjouteHLit(m_pclAccess, 13);
             p->SetRecordSaveID_VerrueHAjouteHLit(m_pclAccess, 14);
         },
         {{m_pclAccess, 14}}},
        // Each saved record goes back to the access that keeps it.
        {"a second saved record of another access",
         [&](CNAPosition* p) {
             p->SetStatement(m_pclPositionStatement);
             p->bSetParameters(4, 15, nullptr, 0);
             p->SetRecordSaveID_VerrueHAjouteHLit(pclOther, 16);
         },
         {{pclOther, 16}}},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        g_stSaves.Clear();
        CNAPosition* pcl = pclNew();
        c.fnFill(pcl);
        std::vector<std::pair<const CNADataAccess*, int>> vHeld;
        for (const auto& st : g_stSaves.mapRefs) {
            EXPECT_LE(st.second, 1) << st.first.second;
            if (st.second > 0) vHeld.push_back(st.first);
        }
        EXPECT_EQ(vHeld, c.vHeld);
        pcl->nRelease();
        EXPECT_EQ(g_stSaves.nHeld(), 0);
        EXPECT_EQ(g_stSaves.nOverReleases, 0);
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
    CPgRows clPg;
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
    ASSERT_TRUE(clPg.bQuery(sqltest::sUTF8(sFormat(pclDelete)), nullptr)) << clPg.sError();
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
    EXPECT_EQ(g_stSaves.nHeld(), 3);

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
        EXPECT_TRUE(clPg.bQuery(sqltest::sUTF8(sFormat(pclSelect)), &v)) << clPg.sError();
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
    EXPECT_EQ(g_stSaves.nHeld(), 0);
    EXPECT_EQ(g_stSaves.nOverReleases, 0);
}
