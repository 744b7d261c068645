// What a statement asks of its data access: an access that answers the statement's services itself
// (the tests' double) is asked directly, any other access through its own operations, and each
// access keeps its answer whatever other accesses were asked before or after it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/statement/StatementFixture.h"

using namespace stmttest;

namespace {

TEST_F(StatementTest, EachAccessIsAskedAsWhatItIs) {
    // A plain access answers through its own operations: no table cache, no saved record, its
    // own current record.
    auto bPlainAnswers = [](CNAStatementAccess* pcl, CNADataAccess* pclAccess) {
        return pcl != nullptr && pcl->bHasTableCache(pclAccess) == 0 && pcl->nGetLastReadSave(pclAccess) == -1 &&
               pcl->pclGetCurrentRecordNoRef(pclAccess) == pclAccess->pclGetCurrentRecordNoRef();
    };
    CNAStatementAccess* pclDouble = m_pclAccess;
    // Accesses made and dropped in turn, so that one may take the place another left; each is
    // asked twice, between the others.
    struct Case {
        const char* pszName;
        bool bDouble;
    };
    const Case tabCases[] = {{"double", true},
                             {"plain", false},
                             {"plain again", false},
                             {"double again", true},
                             {"plain after a double", false}};
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.pszName);
        CNADataAccess* pclAccess = c.bDouble
                                       ? static_cast<CNADataAccess*>(new CAccessDouble(m_pclHost, m_pclCnx, m_pclError))
                                       : new CNADataAccess(m_pclHost, m_pclCnx, m_pclError);
        pclAccess->AddRef();
        for (int nTurn = 0; nTurn < 2; nTurn++) {
            CNAStatementAccess* pcl = CNAStatementAccess::s_pclOf(pclAccess);
            if (c.bDouble)
                EXPECT_EQ(pcl, static_cast<CNAStatementAccess*>(static_cast<CAccessDouble*>(pclAccess))) << nTurn;
            else
                EXPECT_TRUE(bPlainAnswers(pcl, pclAccess)) << nTurn;
            // The fixture's double is still itself in between.
            EXPECT_EQ(CNAStatementAccess::s_pclOf(m_pclAccess), pclDouble) << nTurn;
        }
        pclAccess->nRelease();
    }
    // Without an access, the answers of an access that has nothing.
    CNAStatementAccess* pclNone = CNAStatementAccess::s_pclOf(nullptr);
    ASSERT_NE(pclNone, nullptr);
    EXPECT_EQ(pclNone->nGetLastReadSave(nullptr), -1);
    EXPECT_EQ(pclNone->pclGetCurrentRecordNoRef(nullptr), nullptr);
}

}  // namespace
