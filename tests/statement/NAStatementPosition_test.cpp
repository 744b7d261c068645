// A browse keeping its place over a scripted SQL-layer statement while other statements of its data
// access write: the row it stands on deleted (passed over both ways, counted out), updated with its
// browse value kept (read back from the saved record) or changed (re-positioned, or rebuilt without
// a cache); positions taken and restored to their row, by searching when the row was deleted or
// never known, and a row outside the result refused; the reference row found again in the record
// cache or reported lost; inserts joining the cache; user searches and filters.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/XYString.h"
#include "native/model/NAPosition.h"
#include "tests/statement/StatementFixture.h"

using namespace stmttest;

namespace {

constexpr auto FIRST = NA_PARSE_FIRST;
constexpr auto NEXT = NA_PARSE_NEXT;
constexpr auto PREVIOUS = NA_PARSE_PREVIOUS;
constexpr NA_WRITEPARSEFLAGS WPF_COUNT_BROWSE = 0x4000;
constexpr NA_WRITEPARSEFLAGS WPF_MOVE_TO_WRITTEN = 0x40;

class PositionTest : public StatementTest {
protected:
    // A browse of ids 1 to 5, with or without the record cache, standing on id n.
    CTestStatement* pclBrowseOn(int n, bool bCache) {
        m_stScript.aResults = {Ids(1, 5)};
        CTestStatement* pcl = pclStatement();
        EXPECT_TRUE(Open(pcl, -1, bCache));
        EXPECT_TRUE(pcl->bFetch(FIRST, 1, 1)) << sError();
        for (int i = 1; i < n; i++) EXPECT_TRUE(pcl->bFetch(NEXT, 1, 1)) << sError();
        EXPECT_EQ(sCurrentId(), std::to_string(n));
        return pcl;
    }
    // A statement of another browse of the access, the source of the writes.
    CTestStatement* pclSource() {
        CTestStatement* pclKept = static_cast<CTestStatement*>(m_pclAccess->pclBrowse);
        CTestStatement* pcl = pclStatement(L"nom");
        m_pclAccess->pclBrowse = pclKept;
        return pcl;
    }
    std::string sName() {
        CAny cl;
        if (!m_pclRecord->pclGetColumnNoRef(L"nom")->bGetCurrentValue(&cl, 0)) return "?";
        CXYString<wchar_t> clText;
        cl.__nFillString(clText, nullptr);
        return clText.pszGet() != nullptr ? std::string(clText.pszGet(), clText.pszGet() + wcslen(clText.pszGet())) : "";
    }
    void SetName(const char* psz) {
        CAny cl;
        SetDSTRA(&cl, psz);
        ASSERT_TRUE(m_pclRecord->pclGetColumnNoRef(L"nom")->bSetValue(&cl, 0));
    }
    void SetId(int32_t n) {
        CAny cl;
        cl.SetI4(n);
        ASSERT_TRUE(m_pclRecord->pclGetColumnNoRef(L"id")->bSetValue(&cl, 0));
    }
    // A position of the statement (a reference held by the test).
    CNAPosition* pclPosition() {
        auto* pcl = new CNAPosition;
        pcl->AddRef();
        m_aPositions.push_back(pcl);
        return pcl;
    }
    void TearDown() override {
        for (CNAPosition* pcl : m_aPositions) pcl->nRelease();
        m_aPositions.clear();
        StatementTest::TearDown();
    }
    std::vector<CNAPosition*> m_aPositions;
};

// ---------------------------------------------------------------------------------- writes of others

TEST_F(PositionTest, RowDeletedUnderTheBrowseIsPassedOverBothWays) {
    for (int nCase = 0; nCase < 4; nCase++) {
        const bool bForward = nCase % 2 == 0, bCache = nCase >= 2;
        SCOPED_TRACE(testing::Message() << (bForward ? "next" : "previous") << (bCache ? ", record cache" : ""));
        m_stScript = stScript();
        CTestStatement* pcl = pclBrowseOn(3, bCache);
        CTestStatement* pclOther = pclSource();
        pcl->OnNotifyOperation(NAQUERYTYPE_DELETE, -1, pclOther, 0, nullptr);
        EXPECT_EQ(pcl->nSaveEntry(2), CNAStatement::RECORDSAVE_DELETED);
        EXPECT_TRUE(pcl->bCurrentRowDeleted());
        EXPECT_EQ(pcl->eParseNeedUpdate(), CNAStatement::PARSENEEDUPDATE_NONE);
        int64_t ll = 0;
        ASSERT_TRUE(pcl->bGetNbEnrCurrentParse(&ll, 0, 0));
        EXPECT_EQ(ll, 4);
        if (bForward) {
            ASSERT_TRUE(pcl->bFetch(NEXT, 1, 1));
            EXPECT_EQ(sCurrentId(), "4");
            ASSERT_TRUE(pcl->bFetch(PREVIOUS, 1, 1));
            EXPECT_EQ(sCurrentId(), "2") << "3 is gone";
        } else {
            ASSERT_TRUE(pcl->bFetch(PREVIOUS, 1, 1));
            EXPECT_EQ(sCurrentId(), "2");
            ASSERT_TRUE(pcl->bFetch(NEXT, 1, 1));
            EXPECT_EQ(sCurrentId(), "4") << "3 is gone";
        }
    }
}

// Every row of the result is cached but the end was not met yet; the last of them is deleted
// through another statement. Last reads to the end and lands on the last row still there.
TEST_F(PositionTest, LastOnAnIncompleteCacheSkipsARowDeletedMeanwhile) {
    for (int nDeleted : {3, 2}) {
        SCOPED_TRACE(testing::Message() << "id " << nDeleted << " deleted");
        m_stScript = stScript();
        m_stScript.aResults = {Ids(1, 3)};
        CTestStatement* pcl = pclStatement();
        ASSERT_TRUE(Open(pcl, -1, true));
        for (const eNA_PARSEDIRECTION e : {FIRST, NEXT, NEXT}) ASSERT_TRUE(pcl->bFetch(e, 1, 1)) << sError();
        ASSERT_FALSE(pcl->pclCache()->bIsComplete());
        CTestStatement* pclOther = pclSource();
        SetId(nDeleted);
        SetName(("r" + std::to_string(nDeleted)).c_str());
        pcl->OnNotifyOperation(NAQUERYTYPE_DELETE, -1, pclOther, 0, nullptr);
        ASSERT_TRUE(pcl->pclCache()->_bRecordDeleted(nDeleted - 1));
        ASSERT_TRUE(pcl->bFetch(NA_PARSE_LAST, 1, 1)) << sError();
        int bOut = 1;
        pcl->HEndehors(&bOut);
        EXPECT_FALSE(bOut);
        EXPECT_TRUE(pcl->pclCache()->bIsComplete());
        EXPECT_EQ(sCurrentId(), nDeleted == 3 ? "2" : "3");
        if (nDeleted == 3) {
            ASSERT_TRUE(pcl->bFetch(PREVIOUS, 1, 1));
            EXPECT_EQ(sCurrentId(), "1");
        }
    }
}

TEST_F(PositionTest, DeleteOfAnotherRowLeavesTheBrowse) {
    CTestStatement* pcl = pclBrowseOn(2, false);
    CTestStatement* pclOther = pclSource();
    // The access's record shows another row when the other statement deletes it.
    SetId(4);
    pcl->OnNotifyOperation(NAQUERYTYPE_DELETE, -1, pclOther, 0, nullptr);
    EXPECT_EQ(pcl->nSaveEntry(1), CNAStatement::RECORDSAVE_NONE);
    EXPECT_FALSE(pcl->bCurrentRowDeleted());
    // Not the reference row and no cache to find it in: the query is run again at the next move.
    EXPECT_EQ(pcl->eParseNeedUpdate(), CNAStatement::PARSENEEDUPDATE_REBUILD);
}

TEST_F(PositionTest, UpdateThatKeepsTheBrowseValueIsReadBackFromItsSavedRecord) {
    CTestStatement* pcl = pclBrowseOn(2, false);
    CTestStatement* pclOther = pclSource();
    CNARecordValue* pclOld = pcl->pclGetStmtOriginalRecord()->pclGetClone(-1);
    pclOld->AddRef();
    SetName("changed");
    pcl->OnNotifyOperation(NAQUERYTYPE_UPDATE, -1, pclOther, 0, pclOld);
    pclOld->nRelease();
    EXPECT_EQ(pcl->eParseNeedUpdate(), CNAStatement::PARSENEEDUPDATE_NONE);
    EXPECT_GE(pcl->nSaveEntry(1), 0) << "the row's new values are kept";
    ASSERT_TRUE(pcl->bFetch(NEXT, 1, 1));
    EXPECT_EQ(sCurrentId(), "3");
    EXPECT_EQ(sName(), "r3");
    ASSERT_TRUE(pcl->bFetch(PREVIOUS, 1, 1));
    EXPECT_EQ(sCurrentId(), "2");
    EXPECT_EQ(sName(), "changed") << "not the server's stale row";
}

TEST_F(PositionTest, UpdateOfTheBrowseValueMovesTheBrowse) {
    for (bool bCache : {false, true}) {
        SCOPED_TRACE(bCache ? "record cache" : "no cache");
        m_stScript = stScript();
        CTestStatement* pcl = pclBrowseOn(2, bCache);
        CTestStatement* pclOther = pclSource();
        CNARecordValue* pclOld = pcl->pclGetStmtOriginalRecord()->pclGetClone(-1);
        pclOld->AddRef();
        SetId(20);
        pcl->OnNotifyOperation(NAQUERYTYPE_UPDATE, -1, pclOther, 0, pclOld);
        pclOld->nRelease();
        // Without a cache the block no longer fits: rebuilt; a cache finds its row again.
        EXPECT_EQ(pcl->eParseNeedUpdate(), bCache ? CNAStatement::PARSENEEDUPDATE_REPOSITION
                                                  : CNAStatement::PARSENEEDUPDATE_REBUILD);
        EXPECT_NE(pcl->nGetRecordSaveID(), -1) << "the reference row is kept";
        EXPECT_EQ(m_pclAccess->nCacheUpdates, bCache ? 1 : 0) << "the cache is told of the new values";
        m_pclAccess->nCacheUpdates = 0;
    }
}

TEST_F(PositionTest, InsertJoinsTheCache) {
    struct Case {
        const char* pszName;
        NA_WRITEPARSEFLAGS nBrowseFlags, nFlags;
        int nRows;
        int64_t llPosition;
    };
    const std::vector<Case> aCases = {
        {"neither counted nor followed", 0, 0, 5, 4},
        {"a counted browse", WPF_COUNT_BROWSE, 0, 6, 4},
        {"counted and followed", WPF_COUNT_BROWSE, WPF_MOVE_TO_WRITTEN, 6, 5},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszName);
        m_stScript = stScript();
        CTestStatement* pcl = pclBrowseOn(5, true);
        pcl->SetBrowseFlags(c.nBrowseFlags);
        CTestStatement* pclOther = pclSource();
        SetId(6);
        pcl->OnNotifyOperation(NAQUERYTYPE_INSERT, -1, pclOther, c.nFlags, nullptr);
        EXPECT_EQ(pcl->pclCache()->nGetNbRecord(), c.nRows);
        EXPECT_EQ(pcl->nGetCurrentRecord(), c.llPosition);
    }
}

// ---------------------------------------------------------------------------------- positions

TEST_F(PositionTest, PositionRestoredToItsRow) {
    for (bool bCache : {false, true}) {
        SCOPED_TRACE(bCache ? "record cache" : "no cache");
        m_stScript = stScript();
        CTestStatement* pcl = pclBrowseOn(3, bCache);
        CNAPosition* pclPos = pclPosition();
        ASSERT_TRUE(pcl->bGetPosition(pclPos, 0));
        EXPECT_EQ(pclPos->nGetRowId(), 2);
        EXPECT_TRUE(pclPos->bRowIdValid());
        ASSERT_NE(pclPos->nGetRecordSaveID(), -1);
        ASSERT_TRUE(pcl->bFetch(NEXT, 1, 2));
        EXPECT_EQ(sCurrentId(), "5");
        const size_t nSent = m_stScript.aSent.size();
        ASSERT_TRUE(pcl->bSetPosition(pclPos, 0)) << sError();
        EXPECT_EQ(sCurrentId(), "3");
        EXPECT_EQ(pcl->nGetCurrentRecord(), 2);
        EXPECT_EQ(pcl->eParseNeedUpdate(), CNAStatement::PARSENEEDUPDATE_NONE);
        EXPECT_EQ(m_stScript.aSent.size(), nSent) << "the row is in the result already";
        ASSERT_TRUE(pcl->bFetch(NEXT, 1, 1));
        EXPECT_EQ(sCurrentId(), "4");
    }
    // The slots the positions held are given back with them, once.
    std::vector<int> aSlots;
    for (CNAPosition* pcl : m_aPositions) aSlots.push_back(pcl->nGetRecordSaveID());
    for (CNAPosition* pcl : m_aPositions) pcl->nRelease();
    m_aPositions.clear();
    for (int nSlot : aSlots) EXPECT_EQ(m_pclAccess->pclSaves()->nGetRefRecordSave(nSlot), 0) << nSlot;
}

TEST_F(PositionTest, RowOutsideTheResultIsNotGoneTo) {
    CTestStatement* pcl = pclBrowseOn(2, false);
    CNAPosition* pclPos = pclPosition();
    ASSERT_TRUE(pcl->bGetPosition(pclPos, 0));
    for (int nRow : {5, 7, -5}) {
        SCOPED_TRACE(nRow);
        m_pclError->Reset();
        // The same saved record, a row past the five of the result (5 is the row count).
        ASSERT_TRUE(pclPos->bSetParameters(nRow, pclPos->nGetRecordSaveID(), nullptr, 0));
        const int nSeeks = nCalls("seek");
        EXPECT_FALSE(pcl->bSetPosition(pclPos, 0));
        EXPECT_EQ(m_pclError->nGetUserErrorCode(), 11u);
        EXPECT_NE(wsDebug().find(L"IEKXPSQL=4.11\r\nModule=<KXPSQL>"), std::wstring::npos);
        EXPECT_EQ(nCalls("seek"), nSeeks);
    }
    // The row the result stands on is read again in place.
    m_pclError->Reset();
    ASSERT_TRUE(pclPos->bSetParameters(1, pclPos->nGetRecordSaveID(), nullptr, 0));
    ASSERT_TRUE(pcl->bSetPosition(pclPos, 0)) << sError();
    EXPECT_EQ(sCurrentId(), "2");
}

TEST_F(PositionTest, PositionWhoseRowWasDeletedSearches) {
    CTestStatement* pcl = pclBrowseOn(3, true);
    CNAPosition* pclPos = pclPosition();
    ASSERT_TRUE(pcl->bGetPosition(pclPos, 0));
    ASSERT_TRUE(pcl->bAddSavedPosition(1, pclPos));
    ASSERT_TRUE(pcl->bFetch(NEXT, 1, 1));
    // Row 3 (id 3) deleted through another browse while this one stands on 4.
    ASSERT_TRUE(pcl->pclCache()->bGetAt(m_pclRecord->pclGetCurrentRecordValueNoRef(), 2));
    pcl->OnNotifyOperation(NAQUERYTYPE_DELETE, -1, pclSource(), 0, nullptr);
    EXPECT_TRUE(pclPos->bRowDeleted());
    ASSERT_TRUE(pcl->bSetPosition(pclPos, 0)) << sError();
    // No row to go to: the browse is to find its place from the saved record.
    EXPECT_EQ(pcl->eParseNeedUpdate(), CNAStatement::PARSENEEDUPDATE_REPOSITION);
    EXPECT_EQ(pcl->nGetRecordSaveID(), pclPos->nGetRecordSaveID());
    EXPECT_EQ(sCurrentId(), "3") << "the host sees the saved record";
    EXPECT_TRUE(pcl->bRemoveSavedPosition(1));
    EXPECT_FALSE(pcl->bRemoveSavedPosition(1));
}

TEST_F(PositionTest, PositionTakenBeforeAnyReadSearches) {
    m_stScript.aResults = {Ids(1, 5)};
    CTestStatement* pcl = pclStatement();
    SetId(4);
    ASSERT_TRUE(m_pclRecord->bCopyCurrentRecordToOriginalRecord());
    CNAPosition* pclPos = pclPosition();
    ASSERT_TRUE(pcl->bGetPosition(pclPos, 0));
    EXPECT_FALSE(pclPos->bRowIdValid());
    EXPECT_EQ(pclPos->nGetRowId(), -1);
    ASSERT_NE(pclPos->nGetRecordSaveID(), -1);
    ASSERT_TRUE(Open(pcl, -1, false));
    ASSERT_TRUE(pcl->bFetch(FIRST, 1, 1));
    ASSERT_TRUE(pcl->bSetPosition(pclPos, 0)) << sError();
    EXPECT_EQ(pcl->eParseNeedUpdate(), CNAStatement::PARSENEEDUPDATE_REPOSITION);
    EXPECT_EQ(sCurrentId(), "4");
}

TEST_F(PositionTest, ReferenceRowFoundAgainInTheRecordCache) {
    CTestStatement* pcl = pclBrowseOn(3, true);
    ASSERT_TRUE(pcl->bFetch(NEXT, 1, 1));
    // Row 2 (id 2) becomes the reference row.
    CNARecordValue* pclRow = m_pclRecord->pclGetCurrentRecordValueNoRef()->pclGetClone(-1);
    pclRow->AddRef();
    ASSERT_TRUE(pcl->pclCache()->bGetAt(pclRow, 1));
    const int nSlot = m_pclAccess->nKeep(pclRow);
    pclRow->nRelease();
    ASSERT_GE(nSlot, 0);
    ASSERT_TRUE(pcl->bSetParseNeedUpdate(CNAStatement::PARSENEEDUPDATE_REPOSITION, nSlot));
    m_pclAccess->nReleaseRecordSave(m_pclAccess, nSlot);
    ASSERT_TRUE(pcl->bUpdateParsePositionInRecordCache()) << sError();
    EXPECT_EQ(pcl->nGetCurrentRecord(), 1);
    EXPECT_EQ(pcl->eParseNeedUpdate(), CNAStatement::PARSENEEDUPDATE_NONE);
    EXPECT_EQ(pcl->nGetRecordSaveID(), -1);
    // A row that no complete cache holds is lost.
    ASSERT_TRUE(pcl->bFetch(NA_PARSE_LAST, 1, 1));
    ASSERT_TRUE(pcl->bCacheCompleted());
    SetId(99);
    const int nGone = m_pclAccess->nKeep(m_pclRecord->pclGetCurrentRecordValueNoRef());
    ASSERT_TRUE(pcl->bSetParseNeedUpdate(CNAStatement::PARSENEEDUPDATE_REPOSITION, nGone));
    m_pclAccess->nReleaseRecordSave(m_pclAccess, nGone);
    EXPECT_FALSE(pcl->bUpdateParsePositionInRecordCache());
    EXPECT_EQ(m_pclError->nGetUserErrorCode(), 13u);
    EXPECT_NE(wsDebug().find(L"IEKXPSQL=4.8\r\nModule=<KXPSQL>"), std::wstring::npos);
    int bOut = 0;
    pcl->HEndehors(&bOut);
    EXPECT_EQ(bOut, 1);
}

// ---------------------------------------------------------------------------------- searches and filters

TEST_F(PositionTest, UserSearchAndItsCancellation) {
    CTestStatement* pcl = pclBrowseOn(2, false);
    CAny clValue;
    clValue.SetI4(2);
    EXPECT_FALSE(pcl->bSetUserSearch(L"nowhere", &clValue, FIRST, 0));
    pcl->SetCause(CNAStatement::PARSENEEDUPDATE_REPOSITION);
    ASSERT_TRUE(pcl->bSetUserSearch(L"id", &clValue, FIRST, 0)) << sError();
    EXPECT_EQ(pcl->eParseNeedUpdate(), CNAStatement::PARSENEEDUPDATE_NONE);
    EXPECT_TRUE(pcl->bExistRechercheObject());
    // The driver's own search outlives the user's cancellation; the user's alone does not.
    pcl->PrepareInternalSearch();
    pcl->AnnuleRechercheUser();
    EXPECT_TRUE(pcl->bExistRechercheObject());
    pcl->DesactivateRechercheUserAndInternal();
    EXPECT_FALSE(pcl->bExistRechercheObject());
    EXPECT_FALSE(pcl->bInternalSearch());
}

TEST_F(PositionTest, FilterSharedWithAnotherHolderIsNotChanged) {
    CTestStatement* pcl = pclStatement();
    CAny clMin, clMax;
    clMin.SetI4(2);
    clMax.SetI4(4);
    ASSERT_TRUE(pcl->bSetFilter(L"id", &clMin, 1, &clMax, 1, nullptr)) << sError();
    CNAFilter* pclFirst = pcl->pclFilterNoRef();
    ASSERT_NE(pclFirst, nullptr);
    ASSERT_TRUE(pcl->bSetFilter(L"id", &clMin, 0, &clMax, 0, nullptr));
    EXPECT_EQ(pcl->pclFilterNoRef(), pclFirst) << "nobody else holds it: reused";
    CNAFilter* pclHeld = pcl->pclGetFilter();
    ASSERT_TRUE(pcl->bSetFilter(L"id", &clMin, 1, &clMax, 1, nullptr));
    EXPECT_NE(pcl->pclFilterNoRef(), pclHeld) << "a held filter is left to its holder";
    pclHeld->nRelease();
    EXPECT_FALSE(pcl->bSetFilter(L"nowhere", &clMin, 1, &clMax, 1, nullptr));
    EXPECT_FALSE(pcl->bExistFilter());
    EXPECT_EQ(pcl->pclActivateFilter(), pcl->pclFilterNoRef());
    EXPECT_TRUE(pcl->bExistFilter());
    pcl->DesactivateFilter();
    EXPECT_FALSE(pcl->bExistFilter());
}

}  // namespace
