// Several browses of one data access on the test server keep their place through the writes made
// through another browse: a delete of the row a browse stands on or of its neighbour, an update
// that leaves the browse's item alone or changes it, and a saved position whose row was deleted
// (through the access or by another session) before it is restored. The rows each browse reads
// afterwards are checked against the server's own order of what the table then holds.
#include <unistd.h>

#include <sstream>

#include "tests/table/NADataAccessSeekFixture.h"

using namespace seektest;

namespace {

class BrowseAcrossWritesTest : public SeekServerTest {
protected:
    // 250 rows: id 1 to 250, v = id % 7, s = 'r' || id; both items indexed, so both can be browsed.
    void SetUp() override {
        SeekServerTest::SetUp();
        m_sTable = "kx_bxw_" + std::to_string(getpid());
    }
    void TearDown() override {
        SeekServerTest::TearDown();
        std::string sReason;
        if (pgsandbox::bServerAvailable(&sReason)) m_clServer.Run("DROP TABLE IF EXISTS " + m_sTable);
    }
    // The table afresh and an access over it, with blocks small enough that every browse below
    // crosses several of them.
    CNADataAccess* pclFresh() {
        CreateTable(m_clServer, m_sTable, "id integer PRIMARY KEY, v integer, s varchar(20)",
                    "INSERT INTO " + m_sTable + " SELECT i, i % 7, 'r' || i FROM generate_series(1, 250) AS i");
        m_clServer.Run("CREATE INDEX ON " + m_sTable + " (s)");
        m_clServer.Run("CREATE INDEX ON " + m_sTable + " (v)");
        return pclOpen(wsOf(m_sTable).c_str());
    }

    static CAny Int(long n) {
        CAny cl;
        cl.SetI8(n);
        return cl;
    }
    // Reads in one direction until out of the file: the values of the item, in the order read.
    std::vector<std::string> ReadOn(CNADataAccess* pclAccess, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection) {
        std::vector<std::string> v;
        for (int i = 0; i < 400; i++) {
            if (!bRead(pclAccess, pszItem, eDirection)) {
                ADD_FAILURE() << "read: " << sError();
                break;
            }
            if (bOut(pclAccess, pszItem)) break;
            v.push_back(sOf(wsValue(pclAccess, pszItem)));
        }
        return v;
    }
    // The values of s the server orders after (or before) a value, in its order; all of them
    // without a value.
    std::vector<std::string> After(const std::string& sValue, bool bForward) {
        const std::string sWhere = sValue.empty() ? "" : std::string(" WHERE s ") + (bForward ? ">" : "<") + " '" + sValue + "'";
        std::istringstream in(m_clServer.sValue("SELECT coalesce(string_agg(s, '|' ORDER BY s " +
                                                std::string(bForward ? "ASC" : "DESC") + "), '') FROM " + m_sTable +
                                                sWhere));
        std::vector<std::string> v;
        for (std::string s; std::getline(in, s, '|');) v.push_back(s);
        return v;
    }
    // Stands the "s" browse on a value by reading from its first row.
    void StandOn(CNADataAccess* pclAccess, const std::string& sValue) {
        const std::vector<std::string> vOrder = After("", true);
        ASSERT_EQ(bRead(pclAccess, L"s", NA_PARSE_FIRST), 1) << sError();
        for (const std::string& s : vOrder) {
            ASSERT_EQ(sOf(wsValue(pclAccess, L"s")), s);
            if (s == sValue) return;
            ASSERT_EQ(bRead(pclAccess, L"s", NA_PARSE_NEXT), 1) << sError();
        }
        FAIL() << sValue << " is not in the table";
    }
    void DeleteThroughId(CNADataAccess* pclAccess, long nId) {
        ASSERT_EQ(bSeek(pclAccess, L"id", Int(nId)), 1) << sError();
        ASSERT_EQ(bFound(pclAccess, L"id"), 1);
        ASSERT_EQ(pclAccess->bHSupprime(0, static_cast<eNA_LOCKTYPE>(0)), 1) << sError();
        ASSERT_EQ(m_clServer.sValue("SELECT count(*) FROM " + m_sTable + " WHERE id = " + std::to_string(nId)), "0");
    }

    std::string m_sTable;
    pgtest::CPgSession m_clServer;
};

// A delete through the "id" browse of the row the "s" browse stands on, or of the row just after
// or before it: the "s" browse then reads on, in either direction, every remaining row once and
// never the deleted one.
TEST_F(BrowseAcrossWritesTest, DeleteThroughAnotherBrowse) {
    KX_REQUIRE_PG_SERVER();
    struct stCase {
        const char* pszStand;  // the row the "s" browse stands on
        long nDeleted;         // the id deleted through the "id" browse
        bool bForward;
    } astCases[] = {
        {"r100", 100, true}, {"r100", 100, false},  // the row it stands on
        {"r10", 100, true},  {"r101", 100, false},  // the row it is about to read
        {"r101", 100, true}, {"r10", 100, false},   // the row it has just read
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(std::string(st.pszStand) + (st.bForward ? " next" : " previous"));
        CNADataAccess* pclAccess = pclFresh();
        ASSERT_NE(pclAccess, nullptr);
        StandOn(pclAccess, st.pszStand);
        DeleteThroughId(pclAccess, st.nDeleted);
        const std::vector<std::string> vRead = ReadOn(pclAccess, L"s", st.bForward ? NA_PARSE_NEXT : NA_PARSE_PREVIOUS);
        EXPECT_EQ(vRead, After(st.pszStand, st.bForward));
        Release(pclAccess);
    }
}

// An update through the "s" browse of the row the "id" browse stands on, leaving id alone: the
// "id" browse goes on from its place, and reading that row back gives the new value.
TEST_F(BrowseAcrossWritesTest, UpdateKeepsTheOtherBrowseInPlace) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclFresh();
    ASSERT_NE(pclAccess, nullptr);
    ASSERT_EQ(bRead(pclAccess, L"id", NA_PARSE_FIRST), 1) << sError();
    for (int i = 1; i < 20; i++) ASSERT_EQ(bRead(pclAccess, L"id", NA_PARSE_NEXT), 1) << sError();
    ASSERT_EQ(wsValue(pclAccess, L"id"), L"20");

    ASSERT_EQ(bSeek(pclAccess, L"s", Text(L"r20")), 1) << sError();
    SetInt(pclAccess, L"v", 99);
    ASSERT_EQ(pclAccess->bHModifie(0, 0, static_cast<eNA_LOCKTYPE>(0)), 1) << sError();
    ASSERT_EQ(m_clServer.sValue("SELECT v FROM " + m_sTable + " WHERE id = 20"), "99");

    ASSERT_EQ(bRead(pclAccess, L"id", NA_PARSE_NEXT), 1) << sError();
    EXPECT_EQ(wsValue(pclAccess, L"id"), L"21");
    ASSERT_EQ(bRead(pclAccess, L"id", NA_PARSE_PREVIOUS), 1) << sError();
    EXPECT_EQ(wsValue(pclAccess, L"id"), L"20");
    EXPECT_EQ(wsValue(pclAccess, L"v"), L"99");
    ASSERT_EQ(bRead(pclAccess, L"id", NA_PARSE_PREVIOUS), 1) << sError();
    EXPECT_EQ(wsValue(pclAccess, L"id"), L"19");
}

// An update through the "id" browse that changes the "s" value of the row the "s" browse stands
// on: the "s" browse goes on from where that row stood, and meets the row again at its new place.
TEST_F(BrowseAcrossWritesTest, UpdateOfTheBrowsedItemKeepsThePlace) {
    KX_REQUIRE_PG_SERVER();
    for (bool bForward : {true, false}) {
        SCOPED_TRACE(bForward ? "next" : "previous");
        CNADataAccess* pclAccess = pclFresh();
        ASSERT_NE(pclAccess, nullptr);
        StandOn(pclAccess, "r20");
        ASSERT_EQ(bSeek(pclAccess, L"id", Int(20)), 1) << sError();
        SetText(pclAccess, L"s", L"z20");
        ASSERT_EQ(pclAccess->bHModifie(0, 0, static_cast<eNA_LOCKTYPE>(0)), 1) << sError();
        ASSERT_EQ(m_clServer.sValue("SELECT s FROM " + m_sTable + " WHERE id = 20"), "z20");
        const std::vector<std::string> vRead = ReadOn(pclAccess, L"s", bForward ? NA_PARSE_NEXT : NA_PARSE_PREVIOUS);
        EXPECT_EQ(vRead, After("r20", bForward));
        Release(pclAccess);
    }
}

// A position saved on a row, the row deleted through the access or by another session, the
// position restored: the browse goes on from the neighbouring rows, each once, without the
// deleted one.
TEST_F(BrowseAcrossWritesTest, PositionRestoredAfterItsRowWasDeleted) {
    KX_REQUIRE_PG_SERVER();
    for (bool bThroughAccess : {true, false})
        for (bool bForward : {true, false}) {
            SCOPED_TRACE(std::string(bThroughAccess ? "through the access" : "by another session") +
                         (bForward ? ", next" : ", previous"));
            CNADataAccess* pclAccess = pclFresh();
            ASSERT_NE(pclAccess, nullptr);
            StandOn(pclAccess, "r100");
            int nPosition = -1;
            ASSERT_EQ(pclAccess->bHSauvePosition(&nPosition, L"s", 0), 1) << sError();
            // Elsewhere in the meantime: the browse moves on, the row goes.
            for (int i = 0; i < 30; i++) ASSERT_EQ(bRead(pclAccess, L"s", NA_PARSE_NEXT), 1) << sError();
            if (bThroughAccess)
                DeleteThroughId(pclAccess, 100);
            else
                m_clServer.Run("DELETE FROM " + m_sTable + " WHERE id = 100");
            wchar_t szItem[CNADataAccess::ITEM_NAME_CAPACITY + 1] = {};
            ASSERT_EQ(pclAccess->bHRetourPosition(nPosition, szItem, 0, 0), 1) << sError();
            EXPECT_EQ(std::wstring(szItem), L"s");
            const std::vector<std::string> vRead =
                ReadOn(pclAccess, L"s", bForward ? NA_PARSE_NEXT : NA_PARSE_PREVIOUS);
            EXPECT_EQ(vRead, After("r100", bForward));
            Release(pclAccess);
        }
}

}  // namespace
