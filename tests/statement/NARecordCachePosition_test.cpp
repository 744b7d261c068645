// Saved-record slots: a record already kept is found again, released slots are reused lowest
// first before the cache grows, a released slot's identity leaves the hash, and the operations a
// position cache does not take.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "native/sql/NACommand.h"
#include "tests/statement/RecordCacheFixture.h"

namespace {

class NARecordCachePositionTest : public RecordCacheTest {
protected:
    void SetUp() override {
        RecordCacheTest::SetUp();
        m_pclCache = new CNARecordCachePosition;
        m_pclCache->AddRef();
    }
    void TearDown() override {
        ExpectInvariants(m_pclCache, false);
        m_pclCache->nRelease();
        RecordCacheTest::TearDown();
    }
    // Keeps a record and takes the caller's reference on its slot.
    int nKeep(int nId, const char* pszNom) {
        const int n = m_pclCache->nKeepRecordSave(pclRowNoRef(nId, pszNom));
        if (n >= 0) m_pclCache->AddRefRecordSave(n);
        return n;
    }
    std::vector<int> Refs() {
        std::vector<int> v;
        for (int n = 0; n < m_pclCache->nGetNbRecord(); n++) v.push_back(m_pclCache->nGetRefRecordSave(n));
        return v;
    }
    CNARecordCachePosition* m_pclCache = nullptr;
};

// A record kept again with a new memo value is another record: its slot reads back the new value.
TEST_F(NARecordCachePositionTest, RecordWithANewMemoGetsItsOwnSlot) {
    const int nOld = m_pclCache->nKeepRecordSave(pclRowNoRef(1, "A", "ancien"));
    ASSERT_EQ(nOld, 0);
    m_pclCache->AddRefRecordSave(nOld);
    const int nNew = m_pclCache->nKeepRecordSave(pclRowNoRef(1, "A", "nouveau"));
    ASSERT_EQ(nNew, 1);
    m_pclCache->AddRefRecordSave(nNew);
    EXPECT_EQ(sRead(m_pclCache, nNew), "1|A|nouveau");
    EXPECT_EQ(sRead(m_pclCache, nOld), "1|A|ancien");
}

TEST_F(NARecordCachePositionTest, ReleasedSlotsAreReusedLowestFirst) {
    EXPECT_EQ(m_pclCache->nGetFlags(), 1u);  // active from the start
    EXPECT_EQ(nKeep(1, "A"), 0);
    EXPECT_EQ(nKeep(2, "B"), 1);
    EXPECT_EQ(nKeep(3, "C"), 2);
    EXPECT_EQ(nKeep(1, "A"), 0);  // kept already: the same slot, no copy
    EXPECT_EQ(m_pclCache->nGetNbRecord(), 3);
    EXPECT_EQ(Refs(), (std::vector<int>{2, 1, 1}));
    EXPECT_EQ(m_pclCache->nGetFirstFree(), -1);

    // The first slot released while no free slot is known becomes the hint.
    EXPECT_EQ(m_pclCache->nReleaseRecordSave(2), 0);
    EXPECT_EQ(m_pclCache->nGetFirstFree(), 2);
    EXPECT_EQ(m_pclCache->nGetRecordIndice(pclRowNoRef(3, "C")), -1);  // its identity left the hash
    EXPECT_EQ(sRead(m_pclCache, 2), "3|C|<null>");                      // its data stays until reused
    EXPECT_EQ(nKeep(4, "D"), 2);
    EXPECT_EQ(m_pclCache->nGetNbRecord(), 3);
    EXPECT_EQ(sRead(m_pclCache, 2), "4|D|<null>");
    EXPECT_EQ(m_pclCache->nGetRecordIndice(pclRowNoRef(4, "D")), 2);

    // Lower slots released later take the hint's place; reuse goes upward, then the cache grows.
    EXPECT_EQ(m_pclCache->nReleaseRecordSave(1), 0);
    EXPECT_EQ(m_pclCache->nReleaseRecordSave(0), 1);
    EXPECT_EQ(m_pclCache->nReleaseRecordSave(0), 0);
    EXPECT_EQ(m_pclCache->nGetFirstFree(), 0);
    EXPECT_EQ(nKeep(5, "E"), 0);
    EXPECT_EQ(nKeep(6, "F"), 1);
    EXPECT_EQ(nKeep(7, "G"), 3);
    EXPECT_EQ(m_pclCache->nGetFirstFree(), -1);
    EXPECT_EQ(Refs(), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(sRead(m_pclCache, 0), "5|E|<null>");
    EXPECT_EQ(sRead(m_pclCache, 1), "6|F|<null>");
    EXPECT_EQ(m_pclCache->clGetIdentityHash().dwGetNumElement(), 4u);

    // A count never falls below 0; slots out of range are ignored.
    EXPECT_EQ(m_pclCache->nReleaseRecordSave(3), 0);
    EXPECT_EQ(m_pclCache->nReleaseRecordSave(3), 0);
    EXPECT_EQ(m_pclCache->nReleaseRecordSave(9), 0);
    m_pclCache->AddRefRecordSave(-1);
    EXPECT_EQ(Refs(), (std::vector<int>{1, 1, 1, 0}));
}

TEST_F(NARecordCachePositionTest, WhatAPositionCacheDoesNotTake) {
    EXPECT_EQ(nKeep(1, "A"), 0);
    CNARecordValue* pcl = pclRowNoRef(2, "B");
    EXPECT_EQ(m_pclCache->nAjoute(pcl), -1);
    EXPECT_EQ(m_pclCache->Insere(pcl, 0), -1);
    EXPECT_EQ(m_pclCache->Insere(pcl, 5), -1);  // no empty rows either
    EXPECT_EQ(m_pclCache->nOnNotifyOperation(NAQUERYTYPE_INSERT, pcl, nullptr, 0, 0), -1);
    m_pclCache->Supprime(0);
    EXPECT_EQ(m_pclCache->nGetNbRecord(), 1);
    EXPECT_EQ(sRead(m_pclCache, 0), "1|A|<null>");

    // Emptying forgets the slots, their counts and the hint.
    m_pclCache->nReleaseRecordSave(0);
    m_pclCache->SupprimeTout();
    EXPECT_EQ(m_pclCache->nGetNbRecord(), 0);
    EXPECT_EQ(m_pclCache->nGetFirstFree(), -1);
    EXPECT_EQ(m_pclCache->nGetFlags(), 1u);
    EXPECT_EQ(nKeep(2, "B"), 0);
    EXPECT_EQ(Refs(), std::vector<int>{1});
}

}  // namespace
