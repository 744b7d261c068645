// Searches and writes of the data access without a server: the key value it cannot build (user
// error 8), a condition that names no browse item on a description without one (user error 17),
// the writes a query run as written refuses (user error 35), and the cancellation of a search no
// statement holds.
#include <gtest/gtest.h>

#include <string>

#include "native/driver/NAError.h"
#include "native/model/NADataSourceDescription.h"
#include "native/statement/NAStatement.h"
#include "pgsql/PSQLDataAccess.h"
#include "pgsql/PSQLDriver.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"
#include "tests/table/OrdersAccessFixture.h"

namespace {

std::wstring wsOf(const wchar_t* psz) {
    return psz != nullptr ? std::wstring(psz) : std::wstring();
}

// An access that can be told it reads a query of the host run as written.
class CQueryAccess : public CPSQLDataAccess {
public:
    using CPSQLDataAccess::CPSQLDataAccess;
    void SetQueryAsWritten() {
        m_nQuery = 1;
        m_nQueryFlags |= QUERYFLAG_AS_WRITTEN;
    }
};

class NADataAccessWriteTest : public OrdersAccessTest<CQueryAccess> {
protected:
    void ExpectError(unsigned nCode, int nSite) {
        EXPECT_EQ(m_pclError->nGetUserErrorCode(), nCode);
        EXPECT_NE(wsDebug().find(wsIE(nSite)), std::wstring::npos) << nSite;
        EXPECT_EQ(wsOf(m_pclError->pszGetLogicalTableName()), L"orders");
        m_pclError->Reset();
    }
};

TEST_F(NADataAccessWriteTest, KeyValueAndBestItemRefused) {
    CAny clKey;
    EXPECT_EQ(m_pclAccess->bHConstruitValCle(&clKey, L"id", 0, nullptr), 0);
    ExpectError(8, 13);
    wchar_t szItem[CNADataAccess::ITEM_NAME_CAPACITY] = L"unchanged";
    EXPECT_EQ(m_pclAccess->bFindBestItem(nullptr, szItem), 0);
    ExpectError(17, 9);
    EXPECT_STREQ(szItem, L"unchanged");
    // Nothing to cancel: success.
    EXPECT_EQ(m_pclAccess->bHAnnuleRecherche(nullptr), 1);
    EXPECT_EQ(m_pclAccess->bHAnnuleRecherche(L"id"), 1);
}

// A query run as written refuses UPDATE, INSERT and DELETE before any SQL is built; it builds
// the others.
TEST_F(NADataAccessWriteTest, QueryRunAsWrittenRefusesWrites) {
    m_pclAccess->SetQueryAsWritten();
    CNAStatement* pclStatement = m_pclAccess->_pclGetQueryStatement();
    ASSERT_NE(pclStatement, nullptr);
    for (eNAQUERYTYPE eType : {NAQUERYTYPE_UPDATE, NAQUERYTYPE_INSERT, NAQUERYTYPE_DELETE}) {
        SCOPED_TRACE(static_cast<int>(eType));
        EXPECT_EQ(m_pclAccess->_bOperation(pclStatement, eType, 0, nullptr), 0);
        ExpectError(35, 16);
        EXPECT_EQ(pclStatement->pclGetCommandNoRef(), nullptr);
    }
    pclStatement->nRelease();
}

}  // namespace
