// Automatic identifiers without a server: the MAX texts over a table and over a host query, the
// virtual order, and the object the driver makes.
#include <gtest/gtest.h>

#include <string>

#include "core/XYStringConcat.h"
#include "native/driver/NAIDAuto.h"
#include "tests/core/VirtualSlot.h"
#include "tests/statement/StatementFixture.h"

namespace {

using namespace stmttest;

// An access over a host query whose item "ident" is the column "order id" of "public.orders".
class CQueryAccess : public CNADataAccess {
public:
    CQueryAccess(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx, CNAError* pclError)
        : CNADataAccess(piDesc, pclCnx, pclError) {
        m_nQuery = 1;
    }
};

class IDAutoTextTest : public StatementTest {
protected:
    std::wstring wsText(CNADataAccess* pclAccess, CNAColumn* pclColumn, bool bNext) {
        CNAIDAuto cl;
        CXYStringConcat<wchar_t> clSQL;
        const int bBuilt = bNext ? cl._bBuildQueryGetNextValue(&clSQL, pclAccess, pclColumn)
                                 : cl._bBuildQueryGetMaxCurrentValue(&clSQL, pclAccess, pclColumn);
        EXPECT_EQ(bBuilt, 1);
        return clSQL.pszGet();
    }
};

TEST_F(IDAutoTextTest, OverATableTheColumnAndTheTableAreTheAccesss) {
    CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(L"id");
    EXPECT_EQ(wsText(m_pclAccess, pclColumn, true), L"SELECT MAX(\"id\")+1 FROM \"stmt_fx\"");
    EXPECT_EQ(wsText(m_pclAccess, pclColumn, false), L"SELECT MAX(\"id\") FROM \"stmt_fx\"");
}

// A query's column may be renamed: MAX reads the source table's own column, both names written as
// the connection writes names.
TEST_F(IDAutoTextTest, OverAQueryTheNamesAreTheItemsSource) {
    auto* pclDesc = new CNADataSourceDescription(nullptr, nullptr);
    pclDesc->AddRef();
    pclDesc->SetLogicalName(L"q_orders");
    pclDesc->bAddItem(L"ident", L"public.orders", L"order id", 1, 4, NA_IT_IDAUTO4, -1, 0, NA_KEY_UNIQUE, 0, 0);
    pclDesc->UpdateRecordSize();
    auto* pclAccess = new CQueryAccess(pclDesc, m_pclCnx, m_pclError);
    pclAccess->AddRef();
    auto* pclRecord = new CNARecord(m_pclError, pclAccess);
    pclRecord->AddRef();
    ASSERT_TRUE(pclRecord->bInitRecord(pclDesc, pclDesc, m_pclCnx));
    CNAColumn* pclColumn = pclRecord->pclGetColumnNoRef(L"ident");
    ASSERT_NE(pclColumn, nullptr);
    EXPECT_EQ(wsText(pclAccess, pclColumn, true), L"SELECT MAX(\"order id\")+1 FROM \"public\".\"orders\"");
    EXPECT_EQ(wsText(pclAccess, pclColumn, false), L"SELECT MAX(\"order id\") FROM \"public\".\"orders\"");
    pclRecord->nRelease();
    pclAccess->nRelease();
    pclDesc->nRelease();
}

TEST(NAIDAutoTest, OperationsInOrderAfterCInterfs) {
    using I = CNAIDAuto;
    // Entries 0 to 2 are CInterf's destructor pair and _NotToBeCalled.
    EXPECT_EQ(SlotOf(&I::bGetNextValue), 3);
    EXPECT_EQ(SlotOf(&I::bGetMaxCurrentValue), 4);
    EXPECT_EQ(SlotOf(&I::_bBuildQueryGetNextValue), 5);
    EXPECT_EQ(SlotOf(&I::_bBuildQueryGetMaxCurrentValue), 6);
    EXPECT_EQ(SlotOf(&I::_PrefixMessageErreur), 7);
}

TEST_F(IDAutoTextTest, TheDriverMakesOneWithNoReferenceAndNoQuery) {
    CNAIDAuto* pcl = m_pclDriver->pclAllocIDAuto();
    ASSERT_NE(pcl, nullptr);
    EXPECT_EQ(pcl->nGetRef(), 0u);
    pcl->AddRef();
    EXPECT_EQ(pcl->nRelease(), 0u);
}

// Without a column or a value there is nothing to ask and nothing to write.
TEST_F(IDAutoTextTest, NothingToAskAnswersFailure) {
    CNAIDAuto cl;
    CAny clValue;
    CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(L"id");
    EXPECT_EQ(cl.bGetNextValue(m_pclAccess, nullptr, m_pclError, &clValue), 0);
    EXPECT_EQ(cl.bGetMaxCurrentValue(m_pclAccess, pclColumn, m_pclError, nullptr), 0);
}

}  // namespace
