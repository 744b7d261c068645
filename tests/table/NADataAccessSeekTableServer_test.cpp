// Searches, a filter and writes as the host calls them, through the table object it holds: the
// host's context names the data access, the host's record image carries the values both ways, and
// each effect is read back with a connection of the test's own.
#include "native/model/NAYFRecord.h"
#include "native/table/INATable.h"
#include "tests/host/StandInContext.h"
#include "tests/table/NADataAccessSeekFixture.h"

using namespace seektest;

namespace {

class NADataAccessSeekTableServerTest : public SeekServerTest {
protected:
    void TearDown() override {
        for (INATable* pi : m_apiTable) pi->nExternalRelease();
        SeekServerTest::TearDown();
    }

    INATable* piTable(const wchar_t* pszTable) {
        standin::CStandInConnectionDescription* pclHost = m_clServerDriver.pclHost(L"SEEKTABLECNX", L"KX Cache Size=20");
        INADataSourceDescription* piDescription = m_clServerDriver.piDescription(pszTable, pclHost);
        if (piDescription == nullptr) return nullptr;
        INATable* pi = m_pclDriver->piGetTable(pclHost, piDescription);
        if (pi != nullptr) m_apiTable.push_back(pi);
        return pi;
    }
    static std::string sTableError(INATable* pi, INAContext* piContext) {
        INAError* piError = pi->piGetLastError(piContext);
        return piError != nullptr && piError->pszGetError() != nullptr ? sOf(piError->pszGetError()) : "";
    }
    // The host's record image: an item's text (as the host writes it into the image), read back.
    static void SetHostText(INATable* pi, INAContext* piContext, const wchar_t* pszItem, const wchar_t* pszValue) {
        CNAYFRecord* pclRecord = nullptr;
        ASSERT_EQ(pi->bGetRecord(piContext, &pclRecord), 1);
        INADataSourceDescription* piDescription = pi->piGetDataSourceDescription();
        INAItemDescription* piItem = piDescription->piNAGetItem(pszItem);
        ASSERT_NE(piItem, nullptr);
        CAny clValue = Text(pszValue);
        EXPECT_TRUE(pclRecord->SetItemValue(piItem, &clValue, 0));
        piItem->nExternalRelease();
        piDescription->nExternalRelease();
        ASSERT_EQ(pi->bSetRecord(piContext, pclRecord), 1);
    }
    static int32_t nHostInt(INATable* pi, INAContext* piContext, const wchar_t* pszItem) {
        CNAYFRecord* pclRecord = nullptr;
        if (!pi->bGetRecord(piContext, &pclRecord) || pclRecord == nullptr) return -1;
        INADataSourceDescription* piDescription = pi->piGetDataSourceDescription();
        INAItemDescription* piItem = piDescription->piNAGetItem(pszItem);
        int32_t n = -1;
        if (piItem != nullptr && pclRecord->bItemValueDefined(piItem, 0)) pclRecord->GetItemValue(&n, piItem, 0);
        if (piItem != nullptr) piItem->nExternalRelease();
        piDescription->nExternalRelease();
        pclRecord->nRelease();
        return n;
    }

    std::vector<INATable*> m_apiTable;
};

TEST_F(NADataAccessSeekTableServerTest, SeekFilterAndWritesThroughTheTable) {
    KX_REQUIRE_PG_SERVER();
    pgtest::CPgSession clServer;
    CreateTable(clServer, "kx_seek_table", "id serial PRIMARY KEY, name varchar(30) NOT NULL UNIQUE, city varchar(20)",
                "INSERT INTO kx_seek_table (name, city) SELECT 'Name' || lpad(i::text, 4, '0'), "
                "(ARRAY['Lyon','Nice','Metz'])[1 + i % 3] FROM generate_series(1, 60) AS i");
    INATable* pi = piTable(L"kx_seek_table");
    ASSERT_NE(pi, nullptr);
    standin::CStandInContext clContext(301, 3);
    ASSERT_EQ(pi->bHOuvre(&clContext, static_cast<eNA_ACCESS>(0), L""), 1) << sTableError(pi, &clContext);
    const eNA_LOCKTYPE eNoLock = static_cast<eNA_LOCKTYPE>(0);
    eNA_LOCKTYPE eLockOut = eNoLock;
    int bFound = -1, bInside = -1;

    // Exact, generic, missing.
    CAny clValue = Text(L"Name0042");
    ASSERT_EQ(pi->bHRecherche(&clContext, L"name", &clValue, 0, 1, eNoLock, &eLockOut, 1, 0), 1)
        << sTableError(pi, &clContext);
    ASSERT_EQ(pi->bEvalHTrouve(&clContext, L"name", &bFound, &bInside), 1);
    EXPECT_EQ(bFound, 1);
    EXPECT_EQ(nHostInt(pi, &clContext, L"id"), 42);
    clValue = Text(L"Name005");
    ASSERT_EQ(pi->bHRecherche(&clContext, L"name", &clValue, 1, 1, eNoLock, &eLockOut, 1, 0), 1);
    ASSERT_EQ(pi->bEvalHTrouve(&clContext, L"name", &bFound, &bInside), 1);
    EXPECT_EQ(bFound, 1);
    EXPECT_EQ(nHostInt(pi, &clContext, L"id"), 50);
    clValue = Text(L"Name0042x");
    ASSERT_EQ(pi->bHRecherche(&clContext, L"name", &clValue, 0, 1, eNoLock, &eLockOut, 1, 0), 1);
    ASSERT_EQ(pi->bEvalHTrouve(&clContext, L"name", &bFound, &bInside), 1);
    EXPECT_EQ(bFound, 0);
    EXPECT_EQ(nHostInt(pi, &clContext, L"id"), 43);

    // A range filter, the bounds excluded.
    CAny clLow = Text(L"Name0010"), clHigh = Text(L"Name0013");
    ASSERT_EQ(pi->bHFiltre(&clContext, L"name", &clLow, 0, &clHigh, 0, nullptr), 1) << sTableError(pi, &clContext);
    std::vector<int32_t> vIds;
    ASSERT_EQ(pi->bHLitxxx(&clContext, L"name", NA_PARSE_FIRST, 1, eNoLock, &eLockOut, 0), 1);
    int bOut = 0;
    while (pi->bHEnDehors(&clContext, L"name", &bOut) && !bOut) {
        vIds.push_back(nHostInt(pi, &clContext, L"id"));
        ASSERT_EQ(pi->bHLitxxx(&clContext, L"name", NA_PARSE_NEXT, 1, eNoLock, &eLockOut, 0), 1);
    }
    EXPECT_EQ(vIds, (std::vector<int32_t>{11, 12}));

    // Add with the host's record image, the identifier coming back; modify; delete.
    SetHostText(pi, &clContext, L"name", L"Added'\"");
    SetHostText(pi, &clContext, L"city", L"Caen");
    ASSERT_EQ(pi->bHAjoute(&clContext, 0, eNoLock), 1) << sTableError(pi, &clContext);
    EXPECT_EQ(nHostInt(pi, &clContext, L"id"), 61);
    EXPECT_EQ(clServer.sValue("SELECT name || '|' || city FROM kx_seek_table WHERE id = 61"), "Added'\"|Caen");
    SetHostText(pi, &clContext, L"city", L"Metz");
    ASSERT_EQ(pi->bHModifie(&clContext, 0, 0, eNoLock), 1) << sTableError(pi, &clContext);
    EXPECT_EQ(clServer.sValue("SELECT city FROM kx_seek_table WHERE id = 61"), "Metz");
    ASSERT_EQ(pi->bHSupprime(&clContext, 0, eNoLock), 1) << sTableError(pi, &clContext);
    EXPECT_EQ(clServer.sValue("SELECT count(*) FROM kx_seek_table WHERE id = 61"), "0");
    // A duplicate through the table: its error, type and item as the host reads them.
    SetHostText(pi, &clContext, L"name", L"Name0001");
    EXPECT_EQ(pi->bHAjoute(&clContext, 0, eNoLock), 0);
    INAError* piError = pi->piGetLastError(&clContext);
    ASSERT_NE(piError, nullptr);
    EXPECT_EQ(piError->eGetErrorType(), NA_ERRORTYPE_DUPLICATE);
    EXPECT_STREQ(piError->pszGetItemName(), L"name");
    EXPECT_EQ(pi->bHFerme(&clContext), 1);
}

}  // namespace
