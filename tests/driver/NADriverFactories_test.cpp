// The driver object's factories of the item and record model's objects, called through their
// entries as a database's driver inherits or overrides them: what each makes, on which error
// object, with which references; the variants and parameters made for a column; the names of
// unnamed expression items.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAItemDescription.h"
#include "native/model/NAParameter.h"
#include "tests/driver/DriverTestSupport.h"
#include "tests/driver/HostCall.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "variant/VQConv.h"

namespace {

// Entries of CNADriver.
enum : int {
    SLOT_ALLOCVARIANT = 46,
    SLOT_ALLOCDATASOURCEDESCRIPTION = 48,
    SLOT_ALLOCCOLUMN = 52,
    SLOT_ALLOCPARAMETER = 57,
    SLOT_ALLOCITEMDESCRIPTION = 59,
};

class NADriverFactoriesTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        m_pclDriver = drivertest::CTestDriver::pclNew(&m_stScript);
        m_pclCnx = new drivertest::CTestConnection(L"Connection=factories", &m_clHost, &m_stScript);
        m_pclCnx->AddRef();
        m_pclError = new CNAError;
        m_pclError->AddRef();
    }
    void TearDown() override {
        m_pclError->nRelease();
        m_pclCnx->nRelease();
        EXPECT_EQ(m_pclDriver->nExternalRelease(), 0);
        CVQConv::s_Reset();
    }

    // An item of the model, with one reference held by the test.
    CNAItemDescription* pclItem(eNA_ITEMTYPE eType, unsigned nSize) {
        auto* pcl = new CNAItemDescription;
        pcl->AddRef();
        pcl->bInit(L"it", nullptr, nullptr, 1, nSize, eType, 0, -1, 0, 10, 2);
        return pcl;
    }

    drivertest::stScript m_stScript;
    standin::CStandInConnectionDescription m_clHost;
    drivertest::CTestDriver* m_pclDriver = nullptr;
    CNAConnectionDescription* m_pclCnx = nullptr;
    CNAError* m_pclError = nullptr;
};

// A new object, counted 0, taken once and let go: the release that reaches 0 deletes it.
template <class T>
void Drop(T* pcl) {
    pcl->AddRef();
    pcl->nRelease();
}

int32_t nI4(const CAny* pcl) {
    int32_t n = 0;
    memcpy(&n, pcl->pbyGetValeur(), sizeof(n));
    return n;
}

TEST_F(NADriverFactoriesTest, DescriptionsAndItemsCountedZeroOnTheirConnectionAndErrorObject) {
    const unsigned nCnxRefs = m_pclCnx->nGetRef();
    auto* pclDesc =
        HostCall<CNADataSourceDescription*>(m_pclDriver, SLOT_ALLOCDATASOURCEDESCRIPTION, m_pclCnx, m_pclError);
    ASSERT_NE(pclDesc, nullptr);
    EXPECT_EQ(pclDesc->nGetRef(), 0u);
    EXPECT_EQ(pclDesc->nGetExternalRef(), 0u);
    EXPECT_EQ(pclDesc->pclGetConnectionNoRef(), m_pclCnx);
    EXPECT_EQ(pclDesc->pclGetErrorNoRef(), m_pclError);
    EXPECT_EQ(m_pclCnx->nGetRef(), nCnxRefs + 1);
    EXPECT_EQ(m_pclError->nGetRef(), 2u);
    Drop(pclDesc);
    // Both given back; the connection through the driver's registry rule.
    EXPECT_EQ(m_pclCnx->nGetRef(), nCnxRefs);
    EXPECT_EQ(m_pclError->nGetRef(), 1u);

    auto* pclItem = HostCall<CNAItemDescription*>(m_pclDriver, SLOT_ALLOCITEMDESCRIPTION);
    ASSERT_NE(pclItem, nullptr);
    EXPECT_EQ(pclItem->nGetRef(), 0u);
    EXPECT_EQ(pclItem->nGetExternalRef(), 0u);
    Drop(pclItem);
}

TEST_F(NADriverFactoriesTest, VariantsOnTheGivenErrorObjectElseTheDrivers) {
    struct Case {
        const char* pszWhat;
        CNAError* pclGiven;
        CNAError* pclExpected;
    } tab[] = {
        {"given", m_pclError, m_pclError},
        {"none given", nullptr, m_pclDriver->pclGetError()},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszWhat);
        const unsigned nRefs = c.pclExpected->nGetRef();
        auto* pcl = HostCall<CNAConvertVariant*>(m_pclDriver, SLOT_ALLOCVARIANT, c.pclGiven, m_pclCnx);
        ASSERT_NE(pcl, nullptr);
        EXPECT_EQ(pcl->nGetRef(), 0u);
        EXPECT_EQ(pcl->pclGetErrorNoRef(), c.pclExpected);
        EXPECT_EQ(c.pclExpected->nGetRef(), nRefs + 1);
        EXPECT_EQ(pcl->pclGetCnx(), m_pclCnx);
        EXPECT_EQ(pcl->eGetVarType(), NAVARTYPE_NONE);
        Drop(pcl);
        EXPECT_EQ(c.pclExpected->nGetRef(), nRefs);
    }
}

TEST_F(NADriverFactoriesTest, ColumnsForItemTypesOneToThirtyOneButEight) {
    EXPECT_EQ(
        HostCall<CNAColumn*>(m_pclDriver, SLOT_ALLOCCOLUMN, m_pclError, static_cast<INAItemDescription*>(nullptr)),
        nullptr);
    for (uint32_t n = 1; n <= 32; n++) {
        SCOPED_TRACE(n);
        CNAItemDescription* pclIt = pclItem(static_cast<eNA_ITEMTYPE>(n), 4);
        ASSERT_EQ(static_cast<uint32_t>(pclIt->eNAGetItemType()), n);
        auto* pcl =
            HostCall<CNAColumn*>(m_pclDriver, SLOT_ALLOCCOLUMN, m_pclError, static_cast<INAItemDescription*>(pclIt));
        if (n == 8 || n == 32) {
            EXPECT_EQ(pcl, nullptr);
        } else {
            ASSERT_NE(pcl, nullptr);
            EXPECT_EQ(pcl->nGetRef(), 0u);
            EXPECT_EQ(pcl->piGetItemNoRef(), pclIt);
            EXPECT_EQ(pclIt->nGetExternalRef(), 1u);
            Drop(pcl);
        }
        EXPECT_EQ(pclIt->nGetExternalRef(), 0u);
        pclIt->nRelease();
    }
}

TEST_F(NADriverFactoriesTest, ParametersKeepTheirValuePositionFlagsAndName) {
    auto* pclValue = new CNAConvertVariant(nullptr, nullptr);
    pclValue->AddRef();
    auto* pcl = HostCall<CNAParameter*>(m_pclDriver, SLOT_ALLOCPARAMETER, pclValue, 42UL, 0x10001u, L"nom");
    ASSERT_NE(pcl, nullptr);
    EXPECT_EQ(pcl->nGetRef(), 0u);
    EXPECT_EQ(pcl->pclGetValueNoRef(), pclValue);
    EXPECT_EQ(pclValue->nGetRef(), 2u);
    EXPECT_EQ(pcl->nGetPosition(), 42UL);
    EXPECT_EQ(pcl->nGetFlags(), 0x10001u);
    EXPECT_STREQ(pcl->pszGetName(), L"nom");
    EXPECT_EQ(pcl->pclGetColumnNoRef(), nullptr);
    Drop(pcl);
    EXPECT_EQ(pclValue->nGetRef(), 1u);

    // Made for a column: bound to it and to its item.
    CNAItemDescription* pclIt = pclItem(NA_IT_I4, 4);
    auto* pclColumn = new CNAColumn(m_pclError, pclIt);
    pclColumn->AddRef();
    pcl = m_pclDriver->pclAllocParameter_col(pclColumn, pclValue, 3, 0, L"p");
    ASSERT_NE(pcl, nullptr);
    EXPECT_EQ(pcl->pclGetColumnNoRef(), pclColumn);
    EXPECT_EQ(pcl->piGetItemNoRef(), pclIt);
    EXPECT_EQ(pcl->nGetPosition(), 3UL);
    Drop(pcl);
    pclColumn->nRelease();
    pclIt->nRelease();
    pclValue->nRelease();
}

TEST_F(NADriverFactoriesTest, VariantsMadeForAValueOrAColumn) {
    // A language value of the type asked.
    CNAConvertVariant* pcl = m_pclDriver->pclGetNewVariant_NV_Any(m_pclError, m_pclCnx, nullptr, VQTYPE_I4);
    ASSERT_NE(pcl, nullptr);
    EXPECT_EQ(pcl->eGetVarType(), NAVARTYPE_ANY);
    EXPECT_EQ(pcl->pclGetValue()->nGetTypeCode(), VQTYPE_I4);
    Drop(pcl);

    // The type of a value, and the value.
    CAny clValue;
    clValue.SetI4(1234);
    pcl = m_pclDriver->pclGetNewVariant_NV_Any(m_pclError, m_pclCnx, nullptr, &clValue);
    ASSERT_NE(pcl, nullptr);
    EXPECT_EQ(pcl->pclGetValue()->nGetTypeCode(), VQTYPE_I4);
    EXPECT_FALSE(pcl->bIsNull());
    EXPECT_EQ(nI4(pcl->pclGetValue()), 1234);
    Drop(pcl);
    EXPECT_EQ(m_pclDriver->pclGetNewVariant_NV_Any(m_pclError, m_pclCnx, nullptr, static_cast<const CAny*>(nullptr)),
              nullptr);

    // For a column: its item, and the type of its item when none is asked.
    CNAItemDescription* pclIt = pclItem(NA_IT_I4, 4);
    auto* pclColumn = new CNAColumn(m_pclError, pclIt);
    pclColumn->AddRef();
    pcl = m_pclDriver->pclGetNewVariant_NV_Any(m_pclError, m_pclCnx, pclColumn, static_cast<unsigned short>(0));
    ASSERT_NE(pcl, nullptr);
    EXPECT_EQ(pcl->eGetVarType(), NAVARTYPE_ANY);
    EXPECT_EQ(pcl->piGetItemAnalyseNoRef(), pclIt);
    EXPECT_EQ(pcl->pclGetValue()->nGetTypeCode(), VQTYPE_I4);
    Drop(pcl);
    pclColumn->nRelease();
    EXPECT_EQ(pclIt->nGetExternalRef(), 0u);
    pclIt->nRelease();
    EXPECT_EQ(m_pclError->nGetRef(), 1u);
}

TEST(NADriverItemNamesTest, UnnamedExpressionItems) {
    KXInstallStandInHost();
    const struct {
        int n;
        const wchar_t* pszName;
    } tab[] = {{0, L"Expr1000"}, {5, L"Expr1005"}, {-1000, L"Expr0"}, {-1001, L"Expr-1"}};
    CTString cl;
    for (const auto& c : tab) {
        cl.Set(L"stale");
        CNADriver::g_GenerateItemName(&cl, c.n);
        EXPECT_STREQ(cl.pszGet(), c.pszName);
    }
}

}  // namespace
