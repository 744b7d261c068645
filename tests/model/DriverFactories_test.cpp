// The model's objects come from the driver object of the process (so that a driver for one
// database makes its own classes): items, descriptions, values, columns and parameters, each
// through its factory entry; and without a driver object nothing is made, the failure said.
#include <gtest/gtest.h>

#include <functional>

#include "native/model/NAParameter.h"
#include "tests/model/RecordFixture.h"

namespace {

// The base driver's factories, counted.
class CCountingDriver final : public CModelTestDriver {
public:
    int nItems = 0, nDescriptions = 0, nVariants = 0, nColumns = 0, nParameters = 0;
    void ResetCounts() { nItems = nDescriptions = nVariants = nColumns = nParameters = 0; }

    CNAItemDescription* pclAllocItemDescription() override {
        nItems++;
        return CNADriver::pclAllocItemDescription();
    }
    CNADataSourceDescription* pclAllocDataSourceDescription(CNAConnectionDescription* pclCnx,
                                                            CNAError* pclError) override {
        nDescriptions++;
        return CNADriver::pclAllocDataSourceDescription(pclCnx, pclError);
    }
    CNAConvertVariant* pclAllocVariant(CNAError* pclError, CNAConnectionDescription* pclCnx) override {
        nVariants++;
        return CNADriver::pclAllocVariant(pclError, pclCnx);
    }
    CNAColumn* pclAllocColumn(CNAError* pclError, INAItemDescription* piItem) override {
        nColumns++;
        return CNADriver::pclAllocColumn(pclError, piItem);
    }
    CNAParameter* pclAllocParameter(CNAConvertVariant* pclValue, unsigned long nPosition, unsigned nFlags,
                                    const wchar_t* pszName) override {
        nParameters++;
        return CNADriver::pclAllocParameter(pclValue, nPosition, nFlags, pszName);
    }
};

class DriverFactoriesTest : public RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        m_pclDriver->nExternalRelease();
        m_pclCounting = CModelTestDriver::pclNew<CCountingDriver>();
        m_pclDriver = m_pclCounting;
    }
    // Without any driver object in the process.
    void DropDriver() {
        m_pclDriver->nExternalRelease();
        m_pclDriver = m_pclCounting = nullptr;
        ASSERT_EQ(CNADriver::s_pclDriver, nullptr);
    }
    // A description that reports on the fixture's error object.
    CNADataSourceDescription* pclReportingDescription() {
        auto* pcl = new CNADataSourceDescription(&m_clCnx, m_pclErr);
        pcl->AddRef();
        return pcl;
    }

    CCountingDriver* m_pclCounting = nullptr;
};

// An object the test made and lets go: the first reference taken and dropped.
template <class T>
void Drop(T* pcl) {
    if (pcl == nullptr) return;
    pcl->AddRef();
    pcl->nRelease();
}

TEST_F(DriverFactoriesTest, EveryObjectComesFromTheDriversFactory) {
    struct Case {
        const char* pszWhat;
        std::function<void()> fnDo;
        int nItems, nDescriptions, nVariants, nColumns, nParameters;
    };
    CNAConvertVariant* pclValue = new CNAConvertVariant(nullptr, nullptr);
    pclValue->AddRef();
    pclValue->InitTypeVariantAny(VQTYPE_I4, 0);
    CNADataSourceDescription* pclOther = pclReportingDescription();
    const Case tab[] = {
        {"an item added to a description",
         [&] { ASSERT_TRUE(pclOther->bAddItem(L"x", nullptr, nullptr, 1, 4, NA_IT_I4, -1, -1, 0, 0, 0)); }, 1, 0, 0, 0,
         0},
        {"an item cloned", [&] { Drop(m_pclHost->pclGetItemNoRef(0)->pclGetCloneItemDescription(m_pclHost, {})); }, 1,
         0, 0, 0, 0},
        // The fixture's table has six items.
        {"a description cloned, with its items", [&] { Drop(m_pclServer->pclGetCloneDataSourceDescription({})); }, 6, 1,
         0, 0, 0},
        {"a value cloned", [&] { Drop(pclValue->pclGetCloneVariant()); }, 0, 0, 1, 0, 0},
        {"a plain value cloned", [&] { Drop(pclValue->CNAVariant::pclGetCloneVariant()); }, 0, 0, 1, 0, 0},
        {"a parameter cloned",
         [&] {
             auto* pcl = new CNAParameter(pclValue, 7, 0, L"p");
             pcl->AddRef();
             Drop(pcl->pclGetClone());
             pcl->nRelease();
         },
         0, 0, 0, 0, 1},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszWhat);
        m_pclCounting->ResetCounts();
        c.fnDo();
        EXPECT_EQ(m_pclCounting->nItems, c.nItems);
        EXPECT_EQ(m_pclCounting->nDescriptions, c.nDescriptions);
        EXPECT_EQ(m_pclCounting->nVariants, c.nVariants);
        EXPECT_EQ(m_pclCounting->nColumns, c.nColumns);
        EXPECT_EQ(m_pclCounting->nParameters, c.nParameters);
    }
    pclValue->nRelease();
    pclOther->nRelease();

    // A record layout asks for one column per item of the host's table.
    m_pclCounting->ResetCounts();
    Build();
    EXPECT_EQ(m_pclCounting->nColumns, static_cast<int>(m_pclHost->nGetNumItems()));
    EXPECT_EQ(m_pclRecord->nGetNumColumns(), static_cast<int>(m_pclHost->nGetNumItems()));
}

TEST_F(DriverFactoriesTest, WithoutADriverNothingIsMadeAndTheFailureIsSaid) {
    DropDriver();
    const uint32_t CODE_NO_MEMORY = 12;

    CNADataSourceDescription* pcl = pclReportingDescription();
    EXPECT_FALSE(pcl->bAddItem(L"x", nullptr, nullptr, 1, 4, NA_IT_I4, -1, -1, 0, 0, 0));
    EXPECT_EQ(pcl->nGetNumItems(), 0u);
    EXPECT_EQ(m_pclErr->dwGetErrorId(), CODE_NO_MEMORY);
    m_pclErr->Reset();
    EXPECT_EQ(pcl->pclGetCloneDataSourceDescription({}), nullptr);
    EXPECT_EQ(m_pclErr->dwGetErrorId(), CODE_NO_MEMORY);
    pcl->nRelease();

    EXPECT_EQ(m_pclHost->pclGetItemNoRef(0)->pclGetCloneItemDescription(m_pclHost, {}), nullptr);
    CNAConvertVariant clValue(m_pclErr, nullptr);
    EXPECT_EQ(clValue.CNAVariant::pclGetCloneVariant(), nullptr);
    m_pclErr->Reset();
    EXPECT_EQ(clValue.pclGetCloneVariant(), nullptr);
    EXPECT_EQ(m_pclErr->dwGetErrorId(), CODE_NO_MEMORY);
    CNAParameter clParameter(nullptr, 1, 0, L"p");
    EXPECT_EQ(clParameter.pclGetClone(), nullptr);

    // A record layout cannot have its columns.
    m_pclErr->Reset();
    m_pclRecord = new CNARecord(m_pclErr, nullptr);
    m_pclRecord->AddRef();
    EXPECT_FALSE(m_pclRecord->bInitRecord(m_pclHost, m_pclServer, &m_clCnx));
    EXPECT_EQ(m_pclErr->dwGetErrorId(), CODE_NO_MEMORY);
}

}  // namespace
