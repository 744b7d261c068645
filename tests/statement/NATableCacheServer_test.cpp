// The table cache on the test run's PostgreSQL 15 server: a statement reads a table of 1000 rows
// (a group over 3 values, a nullable integer, a text of many scripts) into its record cache, which
// becomes the full table cache; statements of the other items browse it through their indexes,
// and the server's statement log shows that none of them sent a SELECT.
//
// The orders against the server's ORDER BY: the group's rows come in the group's order, and within
// one group value in the order of their cache row numbers compared as 4 bytes lowest first (the
// rows are cached in id order, row id - 1), not by id. NULL sorts before every value on the client
// (its key is the smallest), so the nullable integer agrees with ORDER BY ... NULLS FIRST and not
// with the server's default, which puts NULLs last: the driver's own SQL browse, whose ORDER BY
// does not place NULLs, gives them last, so the two orders differ by where the NULL rows stand. The text's key cannot tell NULL from an empty
// text, so those two are compared as one; the database's collation (C.UTF-8) orders by code point,
// as the wide text's keys do.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "native/statement/NATableCache.h"
#include "native/statement/NATableCacheIndex.h"
#include "tests/support/PgSandbox.h"
#include "tests/support/StatementLog.h"
#include "tests/support/PgSession.h"
#include "tests/statement/StatementFixture.h"

namespace {

using namespace stmttest;
using Values = std::vector<std::optional<std::string>>;

std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

// The texts of the rows, one of them NULL (absent) and one empty.
const std::vector<std::optional<std::wstring>>& Texts() {
    static const std::vector<std::optional<std::wstring>> s_v = {
        L"\u043E\u0448\u0438\u0431\u043A\u0430",  // Cyrillic
        L"\u041E\u0448\u0438\u0431\u043A\u0430",
        L"\u65E5\u672C\u8A9E",                    // CJK
        L"\u4E2D\u6587",
        L"\u03A9mega",                            // Greek
        L"\u0639\u0631\u0628\u064A",              // Arabic
        L"\u05E2\u05D1\u05E8\u05D9\u05EA",        // Hebrew
        L"\u00C1baco",
        L"\u00E1baco",
        L"apple",
        L"Zebra",
        L"\U0001F600 smile",                      // beyond the 16-bit plane
        L"\uFF21BC",
        L"",
        std::nullopt,
    };
    return s_v;
}

struct stRow {
    int nId;
    int nG;
    std::optional<int> oN;
    std::optional<std::wstring> oS;
};

class TableCacheServerTest : public StatementTest {
protected:
    TableCacheServerTest() : m_sTable("kx_tcache_" + std::to_string(getpid())) {
        for (int n = 1; n <= 1000; n++)
            m_vRows.push_back({n, n % 3, n % 7 == 0 ? std::nullopt : std::optional<int>((n * 37) % 11 - 5),
                               Texts()[static_cast<size_t>(n) % Texts().size()]});
    }
    void SetUp() override {
        std::string sReason;
        m_bServer = pgsandbox::bServerAvailable(&sReason);
        StatementTest::SetUp();
    }
    void TearDown() override {
        for (CNAStatement* pcl : m_aPlain) pcl->nRelease();
        m_aPlain.clear();
        if (m_pclAccess != nullptr) m_pclAccess->bFreeCache();
        StatementTest::TearDown();
    }
    bool bScripted() const override { return false; }
    CNAConnectionDescription* pclNewConnection() override {
        m_clHostCnx.m_sDataBase = wsOf(pgsandbox::sEnv("PGHOST"));
        m_clHostCnx.m_sUserName = wsOf(pgsandbox::sEnv("PGUSER"));
        m_clHostCnx.m_sExtendedInfo =
            L"Server Port=" + wsOf(pgsandbox::sEnv("PGPORT")) + L";Initial Catalog=" + wsOf(pgsandbox::sEnv("PGDATABASE"));
        auto* pcl = new CPSQLConnection(L"Connection=tablecache", &m_clHostCnx);
        pcl->AddRef();
        m_bOpened = m_bServer && pcl->bOpen(m_pclError);
        return pcl;
    }
    void _DropConnection() override { m_pclCnx->nRelease(); }
    CNADataSourceDescription* pclDescription(bool bServer) override {
        auto* pcl = new CNADataSourceDescription(nullptr, nullptr);
        pcl->AddRef();
        pcl->SetLogicalName(wsOf(m_sTable).c_str());
        pcl->SetDBName(wsOf(m_sTable).c_str());
        pcl->bAddItem(L"id", nullptr, nullptr, 1, 4, NA_IT_I4, -1, 0, NA_KEY_UNIQUE, 0, 0);
        pcl->pclGetItemNoRef(0)->SetNullable(0);
        pcl->bAddItem(L"g", nullptr, nullptr, 1, 4, NA_IT_I4, -1, 0, 0, 0, 0);
        pcl->bAddItem(L"n", nullptr, nullptr, 1, 4, NA_IT_I4, -1, 0, 0, 0, 0);
        pcl->bAddItem(L"s", nullptr, nullptr, 1, 62, NA_IT_UNICODE, -1, -1, 0, 0, 0);
        if (bServer) {
            const unsigned tabCodes[] = {23, 23, 23, 1043};
            for (int i = 0; i < 4; i++) pcl->pclGetItemNoRef(i)->SetDBType(L"", tabCodes[i]);
        }
        pcl->UpdateRecordSize();
        return pcl;
    }

    // The table made and filled on the server through a session of the test's own, with the values
    // the rows are given here written as SQL (a short text: the statement log is read back by the
    // tests running beside this one).
    ::testing::AssertionResult CreateTable(pgtest::CPgSession* pclPg) {
        std::string sTexts;
        for (const auto& o : Texts())
            sTexts += (sTexts.empty() ? "" : ", ") + (o ? pgtest::sLiteral(pgtest::sUTF8(*o)) : std::string("NULL"));
        const std::string sSQL =
            "DROP TABLE IF EXISTS " + m_sTable + "; CREATE TABLE " + m_sTable +
            " (id int PRIMARY KEY, g int, n int, s varchar(30)); INSERT INTO " + m_sTable +
            " SELECT i, i % 3, CASE WHEN i % 7 = 0 THEN NULL ELSE (i * 37) % 11 - 5 END, (ARRAY[" + sTexts +
            "]::varchar[])[i % " + std::to_string(Texts().size()) + " + 1] FROM generate_series(1, 1000) AS i";
        if (!pclPg->bExec(sSQL)) return ::testing::AssertionFailure() << pclPg->sError();
        return ::testing::AssertionSuccess();
    }
    // The statement of "id" that reads the table into its record cache and fills the table cache;
    // the access then browses another item.
    ::testing::AssertionResult FillTableCache() {
        if (!m_pclAccess->_bCreateNewTableCache()) return ::testing::AssertionFailure() << sError();
        CTestStatement* pcl = pclStatement(L"id");
        if (!Open(pcl, CNAStatement::NO_LIMIT, false)) return ::testing::AssertionFailure() << sError();
        m_pclAccess->pclGetTableCacheNoRef()->bSetStatementParse(pcl);
        if (!pcl->bFetch(NA_PARSE_FIRST, 1, 1)) return ::testing::AssertionFailure() << sError();
        return ::testing::AssertionSuccess();
    }
    CNAStatement* pclHeld(const wchar_t* pszKey) {
        CNAStatement* pcl = m_pclAccess->_pclGetStatement(pszKey);
        EXPECT_NE(pcl, nullptr);
        // The double's record, which the access's own does not hold.
        pcl->SetCurrentRecord(m_pclRecord);
        m_aPlain.push_back(pcl);
        m_pclAccess->_SetCurrentStatement(pcl);
        return pcl;
    }
    // The ids a statement reads from first to the end of the file.
    std::vector<int> Browse(CNAStatement* pcl, const std::function<void(int)>& fnEach = nullptr) {
        std::vector<int> v;
        for (int bFirst = 1;; bFirst = 0) {
            if (!pcl->bFetch(bFirst ? NA_PARSE_FIRST : NA_PARSE_NEXT, 1, 1)) {
                ADD_FAILURE() << "fetch failed: " << sError();
                break;
            }
            int bOut = 1;
            pcl->HEndehors(&bOut);
            if (bOut) break;
            v.push_back(std::stoi(sCurrentId()));
            if (fnEach) fnEach(static_cast<int>(v.size()));
        }
        return v;
    }
    // The SELECTs the log shows on the table since the mark.
    std::vector<std::string> Selects(const pgsandbox::CStatementLog& clLog) const {
        std::vector<std::string> v;
        for (const std::string& s : clLog.Statements())
            if (s.find(m_sTable) != std::string::npos && s.find("SELECT") != std::string::npos) v.push_back(s);
        return v;
    }
    // The table goes with the test's session.
    struct stDropTable {
        pgtest::CPgSession& clPg;
        std::string sTable;
        ~stDropTable() { clPg.bExec("DROP TABLE IF EXISTS " + sTable); }
    };
    const stRow& Row(int nId) const { return m_vRows[static_cast<size_t>(nId - 1)]; }

    std::string m_sTable;
    std::vector<stRow> m_vRows;
    bool m_bServer = false;
    bool m_bOpened = false;
    std::vector<CNAStatement*> m_aPlain;
};

// 1000 rows over 3 group values: keys of about 333 rows each (nested buckets), browsed by the group
// through the client index with no further SELECT.
TEST_F(TableCacheServerTest, ThousandRowsOverThreeValuesWithoutAnotherSelect) {
    KX_PG_SESSION(clPg);
    ASSERT_TRUE(m_bOpened) << sError();
    ASSERT_TRUE(CreateTable(&clPg));
    stDropTable stDrop{clPg, m_sTable};
    pgsandbox::CStatementLog clLog;
    ASSERT_TRUE(FillTableCache());
    ASSERT_EQ(Selects(clLog).size(), 1u);
    clLog.Mark();

    CNAStatement* pclByG = pclHeld(L"g");
    int nRankAt500 = -1;
    const std::vector<int> vIds = Browse(pclByG, [&](int nRead) {
        if (nRead == 500 && pclByG->pclGetTableCacheIndexNoRef() != nullptr)
            nRankAt500 = pclByG->pclGetTableCacheIndexNoRef()->nGetPreviousRecordNbr();
    });
    ASSERT_EQ(vIds.size(), 1000u);
    EXPECT_EQ(std::set<int>(vIds.begin(), vIds.end()).size(), 1000u);
    EXPECT_EQ(nRankAt500, 499);
    EXPECT_EQ(m_pclAccess->pclGetTableCacheNoRef()->llGetRecordNbr(), 1000);

    // Group order, then the bytes of the cache row (id - 1) lowest first.
    std::vector<int> vExpected;
    for (int n = 1; n <= 1000; n++) vExpected.push_back(n);
    auto Bytes = [](int nId) {
        const auto u = static_cast<uint32_t>(nId - 1);
        return std::array<uint32_t, 4>{u & 0xFF, (u >> 8) & 0xFF, (u >> 16) & 0xFF, u >> 24};
    };
    std::sort(vExpected.begin(), vExpected.end(), [&](int a, int b) {
        if (Row(a).nG != Row(b).nG) return Row(a).nG < Row(b).nG;
        return Bytes(a) < Bytes(b);
    });
    EXPECT_EQ(vIds, vExpected);
    // Within a group the ids are not ascending.
    EXPECT_FALSE(std::is_sorted(vIds.begin(), vIds.begin() + 333));

    EXPECT_TRUE(Selects(clLog).empty());
}

// The nullable integer and the text of many scripts through the client index and through SQL.
TEST_F(TableCacheServerTest, NullableAndNonLatinColumnsInTheServersOrder) {
    KX_PG_SESSION(clPg);
    ASSERT_TRUE(m_bOpened) << sError();
    ASSERT_TRUE(CreateTable(&clPg));
    stDropTable stDrop{clPg, m_sTable};
    // Through SQL first: the statements of the items browse the server's ORDER BY.
    std::map<std::wstring, std::vector<int>> mapSQL;
    for (const wchar_t* psz : {L"n", L"s"}) {
        CTestStatement* pcl = pclStatement(psz);
        ASSERT_TRUE(Open(pcl, CNAStatement::NO_LIMIT, false));
        mapSQL[psz] = Browse(pcl);
    }
    ASSERT_TRUE(FillTableCache());
    pgsandbox::CStatementLog clLog;

    const std::vector<int> vByN = Browse(pclHeld(L"n"));
    const std::vector<int> vByS = Browse(pclHeld(L"s"));
    EXPECT_EQ(vByN.size(), 1000u);
    EXPECT_EQ(vByS.size(), 1000u);
    // Read before the test's own session asks the server.
    EXPECT_TRUE(Selects(clLog).empty());

    Values vN;
    for (int nId : vByN) vN.push_back(Row(nId).oN ? std::optional<std::string>(std::to_string(*Row(nId).oN)) : std::nullopt);
    Values vServerN;
    ASSERT_TRUE(clPg.bColumn("SELECT n FROM " + m_sTable + " ORDER BY n NULLS FIRST", &vServerN)) << clPg.sError();
    EXPECT_EQ(vN, vServerN);
    ASSERT_TRUE(clPg.bColumn("SELECT n FROM " + m_sTable + " ORDER BY n", &vServerN)) << clPg.sError();
    EXPECT_NE(vN, vServerN) << "the server's default puts NULL last";

    Values vS;
    for (int nId : vByS) vS.push_back(pgtest::sUTF8(Row(nId).oS.value_or(L"")));
    Values vServerS;
    ASSERT_TRUE(clPg.bColumn("SELECT coalesce(s, '') FROM " + m_sTable + " ORDER BY s NULLS FIRST", &vServerS))
        << clPg.sError();
    // NULL and the empty text are one key: the server puts NULL before the empty text, the index
    // keeps them in row order; compared as values they are one.
    EXPECT_EQ(vS, vServerS);

    // The driver's own SQL browse of the same items.
    auto ValuesN = [&](const std::vector<int>& v) {
        Values vOut;
        for (int nId : v) vOut.push_back(Row(nId).oN ? std::optional<std::string>(std::to_string(*Row(nId).oN)) : std::nullopt);
        return vOut;
    };
    auto ValuesS = [&](const std::vector<int>& v) {
        Values vOut;
        for (int nId : v) vOut.push_back(pgtest::sUTF8(Row(nId).oS.value_or(L"")));
        return vOut;
    };
    // PostgreSQL puts NULLs after every value and the driver's ORDER BY says nothing of them: the
    // orders agree once the SQL browse's NULL rows are taken to the front.
    auto NullsFirst = [&](std::vector<int> v, bool bText) {
        std::stable_partition(v.begin(), v.end(), [&](int nId) { return bText ? !Row(nId).oS : !Row(nId).oN; });
        return v;
    };
    EXPECT_NE(ValuesN(mapSQL[L"n"]), ValuesN(vByN));
    EXPECT_EQ(ValuesN(NullsFirst(mapSQL[L"n"], false)), ValuesN(vByN));
    EXPECT_EQ(ValuesS(NullsFirst(mapSQL[L"s"], true)), ValuesS(vByS));
}

// ---------------------------------------------------------------------------------- writes under a browse

// A small table browsed by "n" through the client index, while a second browse of the same table
// (the statement of "g") writes: each write is made on the server, then reported as the data access
// reports it (its record loaded with the row written, the full cache's row marked or replaced, every
// statement notified).
class TableCacheWriteTest : public TableCacheServerTest {
protected:
    void TearDown() override {
        if (m_pclRow != nullptr) m_pclRow->nRelease();
        TableCacheServerTest::TearDown();
    }
    // The rows (id, n), with g = id % 3 and s = "r" followed by the id.
    ::testing::AssertionResult CreateRows(pgtest::CPgSession* pclPg, const std::vector<std::pair<int, int>>& vRows) {
        std::string sValues;
        for (const auto& [nId, nN] : vRows) {
            sValues += sValues.empty() ? "" : ", ";
            sValues += "(" + std::to_string(nId) + ", " + std::to_string(nId % 3) + ", " + std::to_string(nN) +
                       ", 'r" + std::to_string(nId) + "')";
        }
        const std::string sSQL = "DROP TABLE IF EXISTS " + m_sTable + "; CREATE TABLE " + m_sTable +
                                 " (id int PRIMARY KEY, g int, n int, s varchar(30)); INSERT INTO " + m_sTable +
                                 " VALUES " + sValues;
        if (!pclPg->bExec(sSQL)) return ::testing::AssertionFailure() << pclPg->sError();
        return ::testing::AssertionSuccess();
    }
    // The table cache filled, the browse by "n" and the writing statement of "g".
    ::testing::AssertionResult Start() {
        if (!FillTableCache()) return ::testing::AssertionFailure() << "table cache: " << sError();
        m_pclSource = pclHeld(L"g");
        m_pclBrowse = pclHeld(L"n");
        m_pclRow = new CNARecordValue(m_pclError);
        m_pclRow->AddRef();
        return ::testing::AssertionSuccess();
    }
    CNARecordCache* pclFull() const { return m_pclAccess->pclGetTableCacheNoRef()->pclGetFullCacheNoRef(); }
    // The full cache's row of the id (rows marked deleted left out), -1 when none.
    int nCacheRow(int nId) {
        CNARecordCache* pcl = pclFull();
        for (int n = 0; n < pcl->nGetNbRecord(); n++)
            if (!pcl->_bRecordDeleted(n) && pcl->bGetAt(m_pclRow, n) && sIdOf(m_pclRow) == std::to_string(nId))
                return n;
        return -1;
    }
    // The access's record shows the row of the id as it was read.
    void Load(int nId) {
        const int nRow = nCacheRow(nId);
        ASSERT_GE(nRow, 0) << "id " << nId;
        ASSERT_TRUE(pclFull()->bGetAt(m_pclRecord->pclGetOriginalRecordValueNoRef(), nRow));
        ASSERT_TRUE(m_pclRecord->bCopyOriginalRecordToCurrentRecord());
    }
    void SetColumn(const wchar_t* pszItem, int n) {
        CAny cl;
        cl.SetI4(n);
        ASSERT_TRUE(m_pclRecord->pclGetColumnNoRef(pszItem)->bSetValue(&cl, 0));
    }
    void Delete(pgtest::CPgSession* pclPg, int nId) {
        ASSERT_TRUE(pclPg->bExec("DELETE FROM " + m_sTable + " WHERE id = " + std::to_string(nId))) << pclPg->sError();
        Load(nId);
        m_pclAccess->NotifyOperation(NAQUERYTYPE_DELETE, m_pclSource, 0);
    }
    void Update(pgtest::CPgSession* pclPg, int nId, int nN) {
        ASSERT_TRUE(pclPg->bExec("UPDATE " + m_sTable + " SET n = " + std::to_string(nN) +
                                 " WHERE id = " + std::to_string(nId)))
            << pclPg->sError();
        Load(nId);
        SetColumn(L"n", nN);
        m_pclAccess->NotifyOperation(NAQUERYTYPE_UPDATE, m_pclSource, 0);
    }
    void Insert(pgtest::CPgSession* pclPg, int nId, int nN) {
        ASSERT_TRUE(pclPg->bExec("INSERT INTO " + m_sTable + " VALUES (" + std::to_string(nId) + ", " +
                                 std::to_string(nId % 3) + ", " + std::to_string(nN) + ", 'r" + std::to_string(nId) +
                                 "')"))
            << pclPg->sError();
        SetColumn(L"id", nId);
        SetColumn(L"g", nId % 3);
        SetColumn(L"n", nN);
        CAny cl;
        SetDSTRA(&cl, ("r" + std::to_string(nId)).c_str());
        ASSERT_TRUE(m_pclRecord->pclGetColumnNoRef(L"s")->bSetValue(&cl, 0));
        m_pclRecord->pclGetCurrentRecordValueNoRef()->SetRecordState(NA_RECORDSTATE_PRESENT);
        m_pclAccess->NotifyOperation(NAQUERYTYPE_INSERT, m_pclSource, 0);
    }
    // One read of the browse: the id read, 0 out of the file.
    int nRead(eNA_PARSEDIRECTION e) {
        if (!m_pclBrowse->bFetch(e, 1, 1)) {
            ADD_FAILURE() << "fetch failed: " << sError();
            return -1;
        }
        int bOut = 1;
        m_pclBrowse->HEndehors(&bOut);
        return bOut ? 0 : std::stoi(sCurrentId());
    }
    // The rows (id, n) the server holds, in its ORDER BY n.
    std::vector<std::pair<int, int>> ServerOrder(pgtest::CPgSession* pclPg) {
        Values v;
        EXPECT_TRUE(pclPg->bColumn("SELECT id || ':' || n FROM " + m_sTable + " ORDER BY n", &v)) << pclPg->sError();
        std::vector<std::pair<int, int>> vRows;
        for (const auto& o : v) {
            const size_t n = o->find(':');
            vRows.push_back({std::stoi(o->substr(0, n)), std::stoi(o->substr(n + 1))});
        }
        return vRows;
    }

    CNAStatement* m_pclSource = nullptr;
    CNAStatement* m_pclBrowse = nullptr;
    CNARecordValue* m_pclRow = nullptr;
};

std::vector<std::pair<int, int>> TwelveRows() {
    std::vector<std::pair<int, int>> v;
    for (int nId = 1; nId <= 12; nId++) v.push_back({nId, nId * 10});
    return v;
}

// The row the browse stands on deleted through the other browse: the next read gives the row that
// followed it, the previous one the row before it.
TEST_F(TableCacheWriteTest, DeleteUnderTheBrowseSkipsNoRow) {
    KX_PG_SESSION(clPg);
    ASSERT_TRUE(m_bOpened) << sError();
    ASSERT_TRUE(CreateRows(&clPg, TwelveRows()));
    stDropTable stDrop{clPg, m_sTable};
    ASSERT_TRUE(Start());
    ASSERT_EQ(nRead(NA_PARSE_FIRST), 1);
    ASSERT_EQ(nRead(NA_PARSE_NEXT), 2);
    ASSERT_EQ(nRead(NA_PARSE_NEXT), 3);
    Delete(&clPg, 3);
    EXPECT_EQ(nRead(NA_PARSE_NEXT), 4);
    Delete(&clPg, 4);
    EXPECT_EQ(nRead(NA_PARSE_PREVIOUS), 2);
    EXPECT_EQ(nRead(NA_PARSE_NEXT), 5);
    // The last row deleted under the browse: the end of the file, and the row before it going back.
    ASSERT_EQ(nRead(NA_PARSE_LAST), 12);
    Delete(&clPg, 12);
    EXPECT_EQ(nRead(NA_PARSE_NEXT), 0);
    EXPECT_EQ(nRead(NA_PARSE_PREVIOUS), 11);
    ASSERT_EQ(nRead(NA_PARSE_LAST), 11);
    Delete(&clPg, 11);
    EXPECT_EQ(nRead(NA_PARSE_PREVIOUS), 10);
}

// The row the browse stands on gets another value of the browse item through the other browse: the
// browse goes on from the value it read. Past every key the next read is the end of the file and the
// previous one the last row; before every key the previous read is the end and the next one the
// first row; in between the rows on either side of the old value.
TEST_F(TableCacheWriteTest, ValueOfTheRowReadMovedPastTheOthers) {
    KX_PG_SESSION(clPg);
    ASSERT_TRUE(m_bOpened) << sError();
    ASSERT_TRUE(CreateRows(&clPg, TwelveRows()));
    stDropTable stDrop{clPg, m_sTable};
    ASSERT_TRUE(Start());
    struct stCase {
        const char* pszName;
        eNA_PARSEDIRECTION eStart;  // first or last, then count - 1 next or previous moves
        int nMoves;
        int nStandingOn;  // the id read
        int nNewN;        // its new value
        eNA_PARSEDIRECTION eRead;
        int nExpected;  // 0: out of the file
    };
    const stCase tabCases[] = {
        {"last row put first, next", NA_PARSE_LAST, 0, 12, 5, NA_PARSE_NEXT, 0},
        {"last row put first, previous", NA_PARSE_LAST, 0, 11, 3, NA_PARSE_PREVIOUS, 10},
        {"first row put last, previous", NA_PARSE_FIRST, 0, 11, 500, NA_PARSE_PREVIOUS, 0},
        {"first row put last, next", NA_PARSE_FIRST, 0, 12, 600, NA_PARSE_NEXT, 1},
        {"a little further, next", NA_PARSE_FIRST, 3, 4, 45, NA_PARSE_NEXT, 4},
        {"a little further again, previous", NA_PARSE_FIRST, 3, 4, 55, NA_PARSE_PREVIOUS, 3},
        {"far back, next", NA_PARSE_FIRST, 6, 7, 1, NA_PARSE_NEXT, 8},
    };
    for (const stCase& c : tabCases) {
        SCOPED_TRACE(c.pszName);
        int nId = nRead(c.eStart);
        for (int i = 0; i < c.nMoves; i++) nId = nRead(c.eStart == NA_PARSE_FIRST ? NA_PARSE_NEXT : NA_PARSE_PREVIOUS);
        ASSERT_EQ(nId, c.nStandingOn);
        Update(&clPg, c.nStandingOn, c.nNewN);
        EXPECT_EQ(nRead(c.eRead), c.nExpected);
    }
}

// Reads both ways interleaved with deletes, updates and inserts through the other browse, with a
// fixed seed: every read gives the row the server's ORDER BY of the remaining rows puts next to the
// value last read, and at the end both full browses give the server's order.
TEST_F(TableCacheWriteTest, RandomReadsAndWrites) {
    KX_PG_SESSION(clPg);
    ASSERT_TRUE(m_bOpened) << sError();
    std::mt19937 clRandom(44);
    std::set<int> setUsed;
    auto nFresh = [&]() {
        for (;;) {
            const int n = static_cast<int>(clRandom() % 100000) + 1;
            if (setUsed.insert(n).second) return n;
        }
    };
    std::vector<std::pair<int, int>> vRows;
    for (int nId = 1; nId <= 40; nId++) vRows.push_back({nId, nFresh()});
    ASSERT_TRUE(CreateRows(&clPg, vRows));
    stDropTable stDrop{clPg, m_sTable};
    ASSERT_TRUE(Start());

    int nNextId = 41;
    std::optional<int> oValue;  // the browse item's value of the browse's reference row
    std::optional<int> oCurrent;  // the id last read
    // A write that makes the browse find its place again keeps the row the browse read as a saved
    // record of the data access, which the data access updates along with the row: from then until
    // the next read, an update of that row as it was read moves the browse's reference with it.
    bool bKept = false;
    auto ReadAndCheck = [&](eNA_PARSEDIRECTION e, int nStep) {
        const std::vector<std::pair<int, int>> vOrder = ServerOrder(&clPg);
        int nExpected = 0, nExpectedN = 0;
        if (e == NA_PARSE_FIRST || e == NA_PARSE_LAST) {
            if (!vOrder.empty()) std::tie(nExpected, nExpectedN) = e == NA_PARSE_FIRST ? vOrder.front() : vOrder.back();
        } else if (e == NA_PARSE_NEXT) {
            for (const auto& [nId, nN] : vOrder)
                if (nN > *oValue) {
                    std::tie(nExpected, nExpectedN) = std::pair<int, int>(nId, nN);
                    break;
                }
        } else {
            for (auto it = vOrder.rbegin(); it != vOrder.rend(); ++it)
                if (it->second < *oValue) {
                    std::tie(nExpected, nExpectedN) = *it;
                    break;
                }
        }
        const int nGot = nRead(e);
        EXPECT_EQ(nGot, nExpected) << "step " << nStep << ", direction " << int(e) << " from n = "
                                   << (oValue ? std::to_string(*oValue) : std::string("none"));
        if (nExpected != 0) {
            oValue = nExpectedN;
            oCurrent = nExpected;
        }
        bKept = false;
        return nGot == nExpected;
    };
    ASSERT_TRUE(ReadAndCheck(NA_PARSE_FIRST, 0));
    int nWrites[3] = {0, 0, 0};
    for (int nStep = 1; nStep <= 300 && !HasFailure(); nStep++) {
        const unsigned nWhat = clRandom() % 10;
        const std::vector<std::pair<int, int>> vOrder = ServerOrder(&clPg);
        if (nWhat < 5 || vOrder.size() < 3) {
            // A read; after the end of the file the browse starts again from one end.
            const bool bForward = clRandom() % 2 == 0;
            int bOut = 0;
            m_pclBrowse->HEndehors(&bOut);
            if (bOut || !oValue)
                ReadAndCheck(bForward ? NA_PARSE_FIRST : NA_PARSE_LAST, nStep);
            else
                ReadAndCheck(bForward ? NA_PARSE_NEXT : NA_PARSE_PREVIOUS, nStep);
            continue;
        }
        // The row written: half the time the one the browse stands on, if it is still there.
        int nId = vOrder[clRandom() % vOrder.size()].first;
        if (clRandom() % 2 == 0 && oCurrent &&
            std::any_of(vOrder.begin(), vOrder.end(), [&](const auto& st) { return st.first == *oCurrent; }))
            nId = *oCurrent;
        if (nWhat < 7) {
            Delete(&clPg, nId);
            nWrites[0]++;
        } else if (nWhat < 9) {
            const int nN = nFresh();
            const int nOldN =
                std::find_if(vOrder.begin(), vOrder.end(), [&](const auto& st) { return st.first == nId; })->second;
            Update(&clPg, nId, nN);
            if (bKept && oCurrent && nId == *oCurrent && oValue && *oValue == nOldN) oValue = nN;
            bKept = true;
            nWrites[1]++;
        } else {
            Insert(&clPg, nNextId++, nFresh());
            bKept = true;
            nWrites[2]++;
        }
        EXPECT_EQ(m_pclBrowse->pclGetTableCacheIndexNoRef()->nGetRecordNbr(),
                  static_cast<int>(ServerOrder(&clPg).size()))
            << "step " << nStep;
    }
    EXPECT_GT(nWrites[0], 10);
    EXPECT_GT(nWrites[1], 10);
    EXPECT_GT(nWrites[2], 5);

    // Both ways through, against the server's order.
    std::vector<int> vExpected, vForward, vBackward;
    for (const auto& st : ServerOrder(&clPg)) vExpected.push_back(st.first);
    for (int n = nRead(NA_PARSE_FIRST); n > 0 && vForward.size() <= vExpected.size(); n = nRead(NA_PARSE_NEXT))
        vForward.push_back(n);
    for (int n = nRead(NA_PARSE_LAST); n > 0 && vBackward.size() <= vExpected.size(); n = nRead(NA_PARSE_PREVIOUS))
        vBackward.push_back(n);
    std::reverse(vBackward.begin(), vBackward.end());
    EXPECT_EQ(vForward, vExpected);
    EXPECT_EQ(vBackward, vExpected);
}

}  // namespace
