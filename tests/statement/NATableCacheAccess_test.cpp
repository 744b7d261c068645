// The table cache end to end, as the host uses it through the table object on the test run's
// PostgreSQL 15 server: a query run as written (without correction) is read in its own order,
// which fills the table cache; the host then browses the result by another item, which the data
// access serves from the full cache through a client-side index, without asking the server.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "native/model/NAInterfaces.h"
#include "native/model/NAYFRecord.h"
#include "native/table/INATable.h"
#include "pgsql/PSQLDriver.h"
#include "tests/support/PgSandbox.h"
#include "tests/support/StatementLog.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInContext.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "tests/support/PgSession.h"
#include "tests/support/ServerDriver.h"
#include "variant/VQConv.h"

namespace {

// Positions of the host's entries in the table's virtual table.
enum : int {
    E_NEXTERNALRELEASE = 6,
    E_PIGETDATASOURCEDESCRIPTION = 9,
    E_BHLITXXX = 26,
    E_BHENDEHORS = 32,
    E_BHNBENR = 45,
    E_BHPOSITIONCOURANTE = 46,
    E_BGETRECORD = 50,
};

template <typename R, typename... A>
R Call(INATable* pi, int nEntry, A... a) {
    using F = R (*)(INATable*, A...);
    void** ppVtbl = *reinterpret_cast<void***>(pi);
    return reinterpret_cast<F>(ppVtbl[nEntry])(pi, a...);
}

std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

class TableCacheAccessTest : public testing::Test {
protected:
    static constexpr unsigned WHAT_IS_THERE = 0x2000;
    // The count's option that lets the access answer from what it holds.
    static constexpr unsigned QUICK_COUNT = 16;
    TableCacheAccessTest() : m_sTable("kx_tcache_t5_" + std::to_string(getpid())) {}
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        m_clServerDriver.Start();
        m_pclDriver = m_clServerDriver.pclDriver();
        m_pclHost = m_clServerDriver.pclHost(L"TABLECACHECNX", L"");
    }
    void TearDown() override {
        if (m_pi != nullptr) Call<int>(m_pi, E_NEXTERNALRELEASE);
        m_clServerDriver.Stop();
        CVQConv::s_Reset();
    }

    // With flags 0x2000 the host browses through what is already there: a query, through its table
    // cache.
    int bRead(const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, unsigned nFlags) {
        eNA_LOCKTYPE eLock = static_cast<eNA_LOCKTYPE>(0);
        return Call<int>(m_pi, E_BHLITXXX, &m_clContext, pszItem, eDirection, 1, static_cast<eNA_LOCKTYPE>(0), &eLock,
                         nFlags);
    }
    int bOut(const wchar_t* pszItem) {
        int b = -1;
        Call<int>(m_pi, E_BHENDEHORS, &m_clContext, pszItem, &b);
        return b;
    }
    int32_t nValue(const wchar_t* pszItem) {
        CNAYFRecord* pclRecord = nullptr;
        if (!Call<int>(m_pi, E_BGETRECORD, &m_clContext, &pclRecord) || pclRecord == nullptr) return -1;
        auto* piDescription = Call<INADataSourceDescription*>(m_pi, E_PIGETDATASOURCEDESCRIPTION);
        int32_t n = -1;
        INAItemDescription* piItem = piDescription != nullptr ? piDescription->piNAGetItem(pszItem) : nullptr;
        if (piItem != nullptr && pclRecord->bItemValueDefined(piItem, 0)) pclRecord->GetItemValue(&n, piItem, 0);
        if (piItem != nullptr) piItem->nExternalRelease();
        if (piDescription != nullptr) piDescription->nExternalRelease();
        pclRecord->nRelease();
        return n;
    }
    // The ids read by the item from first to the end of the file.
    std::vector<int> Browse(const wchar_t* pszItem, const std::function<void(int)>& fnEach = nullptr) {
        std::vector<int> v;
        for (int bFirst = 1;; bFirst = 0) {
            if (!bRead(pszItem, bFirst ? NA_PARSE_FIRST : NA_PARSE_NEXT, WHAT_IS_THERE)) {
                ADD_FAILURE() << "read failed";
                break;
            }
            if (bOut(pszItem)) break;
            v.push_back(nValue(L"id"));
            if (fnEach) fnEach(static_cast<int>(v.size()));
        }
        return v;
    }
    // The query run as written, read in its own order to the end: the statement holds every row.
    ::testing::AssertionResult RunQuery(const std::string& sSQL, size_t nRows) {
        const std::wstring wsText = wsOf(sSQL);
        if (m_pclDriver->bHExecuteRequeteSQLEx(&m_pi, &m_clContext, wsText.c_str(), m_pclHost, nullptr, 0, nullptr) != 1 ||
            m_pi == nullptr)
            return ::testing::AssertionFailure() << "the query did not run";
        const size_t n = Browse(L"id").size();
        if (n != nRows) return ::testing::AssertionFailure() << n << " rows read";
        return ::testing::AssertionSuccess();
    }
    std::vector<std::string> Selects(const pgsandbox::CStatementLog& clLog) const {
        std::vector<std::string> v;
        for (const std::string& s : clLog.Statements())
            if (s.find(m_sTable) != std::string::npos && s.find("SELECT") != std::string::npos) v.push_back(s);
        return v;
    }

    std::string m_sTable;
    pgtest::CServerDriver m_clServerDriver;
    CPSQLDriver* m_pclDriver = nullptr;  // the server driver's
    standin::CStandInConnectionDescription* m_pclHost = nullptr;
    standin::CStandInContext m_clContext{731, 7};
    INATable* m_pi = nullptr;
};

// The rows 0 to 4 hold 3, 1, 3, 2, 3: by "v" they come as 1, 3, 0, 2, 4.
TEST_F(TableCacheAccessTest, QueryBrowsedByAnotherItemThroughTheClientIndex) {
    KX_PG_SESSION(clPg);
    ASSERT_TRUE(clPg.bExec("DROP TABLE IF EXISTS " + m_sTable + "; CREATE TABLE " + m_sTable +
                           " (id int PRIMARY KEY, v int); INSERT INTO " + m_sTable +
                           " VALUES (0, 3), (1, 1), (2, 3), (3, 2), (4, 3)"))
        << clPg.sError();
    struct stDrop {
        pgtest::CPgSession& clPg;
        std::string sTable;
        ~stDrop() { clPg.bExec("DROP TABLE IF EXISTS " + sTable); }
    } stDropTable{clPg, m_sTable};

    ASSERT_TRUE(RunQuery("SELECT id, v FROM " + m_sTable + " ORDER BY id", 5));

    pgsandbox::CStatementLog clLog;
    EXPECT_EQ(Browse(L"v"), std::vector<int>({1, 3, 0, 2, 4}));
    long nCount = -1;
    EXPECT_EQ(Call<int>(m_pi, E_BHNBENR, &m_clContext, &nCount, QUICK_COUNT, 0u), 1);
    EXPECT_EQ(nCount, 5);
    EXPECT_EQ(Selects(clLog), std::vector<std::string>());
}

// 1000 rows over 3 group values (nested buckets): every id once, the group's rows in the order of
// their cache rows' bytes lowest first (row id - 1, the query's order), the place at the 500th read
// 500 per thousand, the count 1000, and nothing asked of the server.
TEST_F(TableCacheAccessTest, ThousandRowsOverThreeValues) {
    KX_PG_SESSION(clPg);
    ASSERT_TRUE(clPg.bExec("DROP TABLE IF EXISTS " + m_sTable + "; CREATE TABLE " + m_sTable +
                           " (id int PRIMARY KEY, g int); INSERT INTO " + m_sTable +
                           " SELECT i, i % 3 FROM generate_series(1, 1000) AS i"))
        << clPg.sError();
    struct stDrop {
        pgtest::CPgSession& clPg;
        std::string sTable;
        ~stDrop() { clPg.bExec("DROP TABLE IF EXISTS " + sTable); }
    } stDropTable{clPg, m_sTable};
    ASSERT_TRUE(RunQuery("SELECT id, g FROM " + m_sTable + " ORDER BY id", 1000));

    pgsandbox::CStatementLog clLog;
    int nAt500 = -1;
    const std::vector<int> vIds = Browse(L"g", [&](int nRead) {
        if (nRead == 500)
            Call<int>(m_pi, E_BHPOSITIONCOURANTE, &m_clContext, L"g", &nAt500, static_cast<eNA_PRECISION>(0), 0u);
    });
    ASSERT_EQ(vIds.size(), 1000u);
    EXPECT_EQ(std::set<int>(vIds.begin(), vIds.end()).size(), 1000u);
    std::vector<int> vExpected;
    for (int n = 1; n <= 1000; n++) vExpected.push_back(n);
    auto Bytes = [](int nId) {
        const auto u = static_cast<uint32_t>(nId - 1);
        return std::array<uint32_t, 4>{u & 0xFF, (u >> 8) & 0xFF, (u >> 16) & 0xFF, u >> 24};
    };
    std::stable_sort(vExpected.begin(), vExpected.end(), [&](int a, int b) {
        if (a % 3 != b % 3) return a % 3 < b % 3;
        return Bytes(a) < Bytes(b);
    });
    EXPECT_EQ(vIds, vExpected);
    EXPECT_EQ(nAt500, 500);
    long nCount = -1;
    EXPECT_EQ(Call<int>(m_pi, E_BHNBENR, &m_clContext, &nCount, QUICK_COUNT, 0u), 1);
    EXPECT_EQ(nCount, 1000);
    EXPECT_EQ(Selects(clLog), std::vector<std::string>());
}

}  // namespace
