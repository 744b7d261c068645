// The table cache of a data access over statements of the scripted server: the filling statement
// and the record caches it switches on, the full cache completed on first need with the host's
// place kept around it (returned to and freed whether the completion succeeds, fails part way or
// cannot go back), the counts, the statements that browse the full cache through an index of their
// item without another SELECT, and the table cache let go when its filling statement closes or
// the access frees it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "native/statement/NATableCache.h"
#include "native/statement/NATableCacheIndex.h"
#include "tests/core/VirtualSlot.h"
#include "tests/statement/StatementFixture.h"

namespace {

using namespace stmttest;

class TableCacheTest : public StatementTest {
protected:
    void TearDown() override {
        for (CNAStatement* pcl : m_aPlain) pcl->nRelease();
        if (m_pclAccess != nullptr) m_pclAccess->bFreeCache();
        StatementTest::TearDown();
    }

    // The access's table cache, made new.
    CNATableCache* pclTableCache() {
        EXPECT_TRUE(m_pclAccess->_bCreateNewTableCache()) << sError();
        return m_pclAccess->pclGetTableCacheNoRef();
    }
    // The statement browsing "id" over rows 1 to 12 (names r1 to r12) that fills the table cache,
    // after it read the first nRead rows.
    CTestStatement* pclFilling(CNATableCache* pclTableCache, int nRead = 3) {
        CTestStatement* pcl = pclStatement(L"id");
        m_stScript.aResults.push_back(Ids(1, 12));
        EXPECT_TRUE(Open(pcl, CNAStatement::NO_LIMIT, false));
        EXPECT_TRUE(pclTableCache->bSetStatementParse(pcl));
        for (int n = 0; n < nRead; n++) EXPECT_TRUE(pcl->bFetch(n == 0 ? NA_PARSE_FIRST : NA_PARSE_NEXT, 1, 1));
        return pcl;
    }
    // A statement the access holds under the key, as its browses make them.
    CNAStatement* pclHeld(const wchar_t* pszKey) {
        CNAStatement* pcl = m_pclAccess->_pclGetStatement(pszKey);
        EXPECT_NE(pcl, nullptr);
        // The double's record, which the access's own does not hold.
        pcl->SetCurrentRecord(m_pclRecord);
        m_aPlain.push_back(pcl);
        return pcl;
    }
    // The ids a statement reads from first (or last) to the end of the file.
    std::vector<std::string> Browse(CNAStatement* pcl, bool bBackward = false) {
        std::vector<std::string> v;
        for (int bFirst = 1;; bFirst = 0) {
            const eNA_PARSEDIRECTION e = bFirst ? (bBackward ? NA_PARSE_LAST : NA_PARSE_FIRST)
                                                : (bBackward ? NA_PARSE_PREVIOUS : NA_PARSE_NEXT);
            if (!pcl->bFetch(e, 1, 1)) {
                ADD_FAILURE() << "fetch failed: " << sError();
                break;
            }
            int bOut = 1;
            pcl->HEndehors(&bOut);
            if (bOut) break;
            v.push_back(sCurrentId());
        }
        return v;
    }

    std::vector<CNAStatement*> m_aPlain;
};

TEST(TableCacheSlots, VirtualOperationsInTheirOrder) {
    // The destructor pair holds slots 0 and 1.
    EXPECT_EQ(SlotOf(&CNATableCache::dwRelease), 2);
    EXPECT_EQ(SlotOf(&CNATableCache::_bSetStatementParse), 3);
    EXPECT_EQ(SlotOf(&CNATableCacheIndex::dwRelease), 2);
}

TEST_F(TableCacheTest, FillingStatementAndRecordCaches) {
    auto* pclTC = new CNATableCache(m_pclError, m_pclAccess);
    pclTC->AddRef();
    EXPECT_TRUE(pclTC->bInitDone());
    EXPECT_TRUE(pclTC->bIsEmpty());
    EXPECT_TRUE(pclTC->bCacheCompleted());
    EXPECT_FALSE(pclTC->bIsRecordCache(nullptr));
    EXPECT_TRUE(pclTC->bFilterEquals(nullptr));
    // Nothing to build a full cache from: no count, no index.
    EXPECT_EQ(pclTC->pclGetFullCache(), nullptr);
    EXPECT_EQ(pclTC->llGetRecordNbr(), 0);
    EXPECT_EQ(pclTC->llGetRecordNbrActive(), 0);
    EXPECT_EQ(pclTC->pclGetCacheIndex(nullptr, m_pclRecord->pclGetColumnNoRef(L"nom")), nullptr);

    CTestStatement* pclFirst = pclStatement(L"id");
    CTestStatement* pclSecond = pclStatement(L"nom");
    EXPECT_TRUE(pclTC->bSetStatementParse(pclFirst));
    EXPECT_TRUE(pclTC->bSetStatementParse(pclSecond));
    // The first stays the filling statement; both have their record cache on.
    EXPECT_TRUE(pclTC->bIsStatementParse(pclFirst));
    EXPECT_FALSE(pclTC->bIsStatementParse(pclSecond));
    EXPECT_TRUE(pclFirst->bCacheEnabled());
    EXPECT_TRUE(pclSecond->bCacheEnabled());
    EXPECT_FALSE(pclTC->bInitDone());
    EXPECT_TRUE(pclTC->bIsRecordCache(pclFirst->pclCache()));
    EXPECT_FALSE(pclTC->bIsRecordCache(pclSecond->pclCache()));
    EXPECT_FALSE(pclTC->bCacheCompleted());
    // The filling statement is held by the table cache.
    const unsigned nRefs = pclFirst->nGetRef();
    pclTC->dwRelease();
    EXPECT_EQ(pclFirst->nGetRef(), nRefs - 1);
}

// The host browses another item while the full cache is read: its place is saved, returned to and
// freed; the filling statement is let go and the cache holds every row.
TEST_F(TableCacheTest, FullCacheBuiltOnFirstNeed) {
    CNATableCache* pclTC = pclTableCache();
    CTestStatement* pclFill = pclFilling(pclTC);
    CNAStatement* pclOther = pclHeld(L"nom");
    m_pclAccess->_SetCurrentStatement(pclOther);
    EXPECT_EQ(pclTC->llGetRecordNbr(), 12);
    CNARecordCache* pclFull = pclTC->pclGetFullCacheNoRef();
    ASSERT_NE(pclFull, nullptr);
    EXPECT_EQ(pclFull, pclFill->pclCache());
    EXPECT_TRUE(pclFull->bIsComplete());
    EXPECT_EQ(pclTC->pclGetStatementParseNoRef(), nullptr);
    EXPECT_TRUE(pclTC->bIsRecordCache(pclFull));
    EXPECT_FALSE(pclTC->bIsEmpty());
    EXPECT_FALSE(pclTC->bInitDone());
    EXPECT_TRUE(pclTC->bCacheCompleted());
    // The statement's own place and the host's, each returned to.
    EXPECT_EQ(m_pclAccess->aReturnBuffers, std::vector<std::wstring>({L"id", L"nom"}));
    EXPECT_TRUE(m_pclAccess->mapPositions.empty());
    // Built once.
    const int nExecs = nCalls("exec");
    EXPECT_EQ(pclTC->pclGetFullCache(), pclFull);
    EXPECT_EQ(nCalls("exec"), nExecs);
    EXPECT_EQ(m_pclAccess->aReturnBuffers.size(), 2u);

    pclFull->SetRecordState(4, NA_RECORDSTATE_DELETED);
    pclFull->SetRecordState(7, NA_RECORDSTATE_DELETED);
    EXPECT_EQ(pclTC->llGetRecordNbr(), 12);
    EXPECT_EQ(pclTC->llGetRecordNbrActive(), 10);
}

TEST_F(TableCacheTest, NoPlaceSavedWhenTheFillingStatementIsCurrent) {
    CNATableCache* pclTC = pclTableCache();
    CTestStatement* pclFill = pclFilling(pclTC);
    m_pclAccess->_SetCurrentStatement(pclFill);
    ASSERT_NE(pclTC->pclGetFullCache(), nullptr);
    EXPECT_EQ(m_pclAccess->aReturnBuffers, std::vector<std::wstring>({L"id"}));
    EXPECT_TRUE(m_pclAccess->mapPositions.empty());
}

// A completion that fails part way (at each read in turn) or cannot go back: no full cache, the
// host's place returned to when it can and its saved position freed in every case, the filling
// statement kept for a later try.
TEST_F(TableCacheTest, FailedBuildStillReturnsAndFreesThePlace) {
    struct Case {
        const char* pszWhat;
        int nReadFailsAt;
        int bReturnFails;
    };
    const Case tabCases[] = {
        {"first read fails", 1, 0},
        {"a later read fails", 4, 0},
        {"the return fails", 0, 1},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.pszWhat);
        CNATableCache* pclTC = pclTableCache();
        CTestStatement* pclFill = pclFilling(pclTC);
        CNAStatement* pclOther = pclHeld(L"nom");
        m_pclAccess->_SetCurrentStatement(pclOther);
        m_pclAccess->aReturnBuffers.clear();
        m_pclAccess->nReads = 0;
        m_pclAccess->nReadFailsAt = c.nReadFailsAt;
        m_pclAccess->bReturnFails = c.bReturnFails;
        EXPECT_EQ(pclTC->pclGetFullCache(), nullptr);
        EXPECT_TRUE(m_pclAccess->mapPositions.empty());
        ASSERT_FALSE(m_pclAccess->aReturnBuffers.empty());
        EXPECT_EQ(m_pclAccess->aReturnBuffers.back(), L"nom");
        EXPECT_TRUE(pclTC->bIsStatementParse(pclFill));
        // Once the server answers again the cache is built.
        m_pclAccess->nReadFailsAt = 0;
        m_pclAccess->bReturnFails = 0;
        EXPECT_EQ(pclTC->llGetRecordNbr(), 12) << sError();
        EXPECT_TRUE(m_pclAccess->mapPositions.empty());
        m_pclAccess->bFreeCache();
    }
}

// Another statement of the access browses the full cache by its own item: the order of its names
// (texts: r1, r10, r11, r12, r2, ...), every move served by its index, no statement sent again.
TEST_F(TableCacheTest, BrowseThroughTheIndexWithoutTheServer) {
    CNATableCache* pclTC = pclTableCache();
    pclFilling(pclTC);
    const size_t nSent = m_stScript.aSent.size();
    CNAStatement* pclByName = pclHeld(L"nom");
    m_pclAccess->_SetCurrentStatement(pclByName);
    const std::vector<std::string> vByName = {"1", "10", "11", "12", "2", "3", "4", "5", "6", "7", "8", "9"};
    EXPECT_EQ(Browse(pclByName), vByName);
    ASSERT_NE(pclByName->pclGetTableCacheIndexNoRef(), nullptr);
    EXPECT_EQ(pclByName->pclGetRecordCacheNoRef(), pclTC->pclGetFullCacheNoRef());
    EXPECT_EQ(pclByName->pclGetTableCacheIndexNoRef()->nGetRecordNbr(), 12);
    // The browse knows its count without the server: the rows of its index.
    int64_t llCount = -1;
    EXPECT_EQ(pclByName->bGetNbEnrCurrentParse(&llCount, 0, 1), 1);
    EXPECT_EQ(llCount, 12);
    EXPECT_EQ(Browse(pclByName, true), std::vector<std::string>(vByName.rbegin(), vByName.rend()));
    ASSERT_TRUE(pclByName->bFetch(NA_PARSE_FIRST, 1, 3));
    EXPECT_EQ(sCurrentId(), "11");
    ASSERT_TRUE(pclByName->bFetch(NA_PARSE_NEXT, 1, 20));
    int bOut = 0;
    pclByName->HEndehors(&bOut);
    EXPECT_TRUE(bOut);
    // Only the filling statement's completion reached the server: nothing was executed again.
    EXPECT_EQ(m_stScript.aSent.size(), nSent);

    // A second item browses the same full cache with an index of its own.
    CNAStatement* pclById = pclHeld(L"id");
    EXPECT_EQ(Browse(pclById).size(), 12u);
    EXPECT_EQ(pclById->pclGetRecordCacheNoRef(), pclTC->pclGetFullCacheNoRef());
    EXPECT_NE(pclById->pclGetTableCacheIndexNoRef(), pclByName->pclGetTableCacheIndexNoRef());
    EXPECT_EQ(m_stScript.aSent.size(), nSent);

    // Freeing the table cache takes the indexes and the full cache from every statement.
    CNARecordCache* pclFull = pclTC->pclGetFullCacheNoRef();
    pclFull->AddRef();
    m_pclAccess->bFreeCache();
    EXPECT_EQ(m_pclAccess->pclGetTableCacheNoRef(), nullptr);
    for (CNAStatement* pcl : {pclByName, pclById}) {
        EXPECT_EQ(pcl->pclGetTableCacheIndexNoRef(), nullptr);
        EXPECT_EQ(pcl->pclGetRecordCacheNoRef(), nullptr);
    }
    // Only the filling statement (a test's, not the access's) and the test still hold it.
    EXPECT_EQ(pclFull->nGetRef(), 2u);
    pclFull->nRelease();
}

// A write through another statement reaches the index of a statement browsing the full cache: the
// renamed row moves to its new place; a statement's own notice changes nothing.
TEST_F(TableCacheTest, WritesOfOtherStatementsReachTheIndex) {
    CNATableCache* pclTC = pclTableCache();
    CTestStatement* pclFill = pclFilling(pclTC);
    CNAStatement* pclByName = pclHeld(L"nom");
    ASSERT_EQ(Browse(pclByName).size(), 12u);
    CNARecordCache* pclFull = pclTC->pclGetFullCacheNoRef();
    // Row 1 (id 2, "r2") becomes "r0": read as it was, written with its new name.
    auto Rename = [&](int nRow, const char* pszName, CNAStatement* pclSource) {
        ASSERT_TRUE(pclFull->bGetAt(m_pclRecord->pclGetOriginalRecordValueNoRef(), nRow));
        ASSERT_TRUE(m_pclRecord->bCopyOriginalRecordToCurrentRecord());
        CAny cl;
        SetDSTRA(&cl, pszName);
        ASSERT_TRUE(m_pclRecord->pclGetColumnNoRef(L"nom")->bSetValue(&cl, 0));
        ASSERT_GE(pclFull->Update(nRow, m_pclRecord->pclGetCurrentRecordValueNoRef()), 0);
        pclByName->OnNotifyOperation(NAQUERYTYPE_UPDATE, nRow, pclSource, 0, nullptr);
    };
    Rename(1, "r0", pclFill);
    EXPECT_EQ(Browse(pclByName), std::vector<std::string>({"2", "1", "10", "11", "12", "3", "4", "5", "6", "7", "8", "9"}));
    Rename(2, "r00", pclByName);
    EXPECT_EQ(Browse(pclByName), std::vector<std::string>({"2", "1", "10", "11", "12", "3", "4", "5", "6", "7", "8", "9"}));
}

TEST_F(TableCacheTest, ClosingTheFillingStatementFreesTheTableCache) {
    CNATableCache* pclTC = pclTableCache();
    CTestStatement* pclFill = pclFilling(pclTC, 1);
    CNAStatement* pclOther = pclHeld(L"nom");
    pclOther->Close();
    EXPECT_EQ(m_pclAccess->pclGetTableCacheNoRef(), pclTC);
    pclFill->Close();
    EXPECT_EQ(m_pclAccess->pclGetTableCacheNoRef(), nullptr);
}

// A new table cache replaces the old one, whose filling statement it lets go.
TEST_F(TableCacheTest, NewTableCacheReplacesTheOld) {
    CNATableCache* pclOld = pclTableCache();
    CTestStatement* pclFill = pclFilling(pclOld, 1);
    const unsigned nRefs = pclFill->nGetRef();
    CNATableCache* pclNew = pclTableCache();
    EXPECT_NE(pclNew, nullptr);
    EXPECT_EQ(m_pclAccess->pclGetTableCacheNoRef(), pclNew);
    EXPECT_TRUE(pclNew->bInitDone());
    EXPECT_EQ(pclFill->nGetRef(), nRefs - 1);
}

}  // namespace
