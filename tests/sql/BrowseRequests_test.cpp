// Browse, seek and filter requests on the fixture table: for each, the statement writes its SELECT
// (the search's and the filter's condition as the data access hands them over, the ORDER BY of the
// browse item completed to a unique order), the text is compared with the one the request must
// give, and then run on the test server, whose rows, in the order the host reads them, must be
// those the request means: the records equal to a key, those after or before it in the host's
// order (where NULL comes after every value), those inside a range.
#include <functional>
#include <string>
#include <vector>

#include "tests/sql/BrowseTestSupport.h"

using namespace browsetest;

namespace {

// The host's orders of the browse items (each ends with the unique id).
bool bById(const stRow& a, const stRow& b) {
    return a.nId < b.nId;
}
bool bByN(const stRow& a, const stRow& b) {
    const int n = nCompareNullLast(a.n, b.n);
    return n != 0 ? n < 0 : a.nId < b.nId;
}
bool bByT(const stRow& a, const stRow& b) {
    const int n = nCompareNullLast(a.t, b.t);
    return n != 0 ? n < 0 : a.nId < b.nId;
}
bool bByDt(const stRow& a, const stRow& b) {
    const int n = nCompareNullLast(a.dt, b.dt);
    return n != 0 ? n < 0 : a.nId < b.nId;
}
bool bByKK(const stRow& a, const stRow& b) {
    return a.sK1 != b.sK1 ? a.sK1 < b.sK1 : a.nK2 < b.nK2;
}
bool bStartsWith(const std::optional<std::string>& s, const std::string& sPrefix) {
    return s && s->compare(0, sPrefix.size(), sPrefix) == 0;
}
// The rows after (or before) a row in an order.
std::function<bool(const stRow&)> fnAfter(int nId, bool (*fnLess)(const stRow&, const stRow&)) {
    const stRow* pst = nullptr;
    for (const stRow& st : Rows())
        if (st.nId == nId) pst = &st;
    return [=](const stRow& st) { return fnLess(*pst, st); };
}
std::function<bool(const stRow&)> fnBefore(int nId, bool (*fnLess)(const stRow&, const stRow&)) {
    const stRow* pst = nullptr;
    for (const stRow& st : Rows())
        if (st.nId == nId) pst = &st;
    return [=](const stRow& st) { return fnLess(st, *pst); };
}

// A composite value of (k1, k2) as the host gives it: k1 on its 10 bytes, then k2's 4 bytes.
CAny clKey(const std::string& sK1, int nK2) {
    std::string s = sK1;
    s.resize(10, '\0');
    s.append(reinterpret_cast<const char*>(&nK2), 4);
    CAny cl;
    cl.SetBIN(reinterpret_cast<const unsigned char*>(s.data()), s.size());
    return cl;
}
CAny clBytes(const std::string& s) {
    CAny cl;
    cl.SetBIN(reinterpret_cast<const unsigned char*>(s.data()), s.size());
    return cl;
}
CAny clInt(std::optional<int> n) {
    CAny cl;
    cl.SetI4(n.value_or(0));
    if (!n) cl.SetNull(1);
    return cl;
}
// A fixed 8-bit text (its last character 255 marks the largest value of the type).
CAny clFixedText(unsigned short nType, const std::string& s) {
    CAny cl;
    cl.__SetType(nType, 0);
    cl.pclGetValeur()->SetValue(s.c_str(), s.size());
    return cl;
}
CAny clText(const char* psz) {
    CAny cl;
    SetDSTRA(&cl, psz);
    return cl;
}

}  // namespace

class BrowseRequestsTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        m_pclSearch = new CNARecherche(m_pclError, m_pclCnx);
        m_pclSearch->AddRef();
        m_pclFilter = new CNAFilter(m_pclError, m_pclCnx);
        m_pclFilter->AddRef();
    }
    void TearDown() override {
        m_pclSearch->nRelease();
        m_pclFilter->nRelease();
        BrowseTest::TearDown();
    }

    // What the data access hands the statement for a request: a search and a filter, either unset.
    void Reset() {
        m_pclSearch->__Init();
        m_pclFilter->__Init();
        m_pclStatement->_SetRecherche(nullptr);
        m_pclStatement->_SetFilter(static_cast<CNAFilter*>(nullptr));
    }
    void Seek(const wchar_t* pszItem, const CAny& clValue, bool bExact) {
        ASSERT_TRUE(m_pclSearch->bSetRecherche(m_pclRecord, piItem(pszItem), &clValue, NA_PARSE_FIRST, bExact, 0));
        m_pclStatement->_SetRecherche(m_pclSearch);
    }
    void SeekCurrentRow(const wchar_t* pszItem, int nId) {
        SetCurrentRow(nId);
        ASSERT_TRUE(m_pclSearch->bRechercheEnreg(m_pclRecord, piItem(pszItem), NA_PARSE_NEXT, 0, nullptr));
        m_pclStatement->_SetRecherche(m_pclSearch);
    }
    // Past the equal records: forward (0) or backward (1).
    void Continue(unsigned nDirection) { ASSERT_TRUE(m_pclSearch->bSetContinueParcours(nDirection)); }
    void Filter(const wchar_t* pszItem, const CAny* pclLow, int bLowIn, const CAny* pclHigh, int bHighIn) {
        ASSERT_TRUE(
            m_pclFilter->bSetFilter(m_pclRecord, piItem(pszItem), pclLow, bLowIn, pclHigh, bHighIn, nullptr, 0));
        m_pclFilter->ActivateFilter(1);
        m_pclStatement->_SetFilter(m_pclFilter);
    }

    CNARecherche* m_pclSearch = nullptr;
    CNAFilter* m_pclFilter = nullptr;
};

TEST_F(BrowseRequestsTest, RequestsReadWhatTheyMean) {
    KX_REQUIRE_PG_SERVER();
    CBrowseTable clPg;
    ASSERT_TRUE(clPg.bOpen()) << clPg.sError();

    const CAny clFive = clInt(5), clTen = clInt(10), clNull = clInt(std::nullopt);
    struct Request {
        const char* pszName;
        std::function<void()> fnSet;
        const wchar_t* pszItem;
        int bAscending;
        std::wstring sWhereAndOrder;  // what follows the select list
        std::function<bool(const stRow&)> fnKeep;
        bool (*fnLess)(const stRow&, const stRow&);
    };
    auto All = [](const stRow&) { return true; };
    const std::vector<Request> tab = {
        {"whole table by id", [] {}, L"id", 1, L" ORDER BY \"id\"", All, bById},
        {"whole table by id, backward", [] {}, L"id", 0, L" ORDER BY \"id\" DESC", All, bById},
        {"whole table by n, NULL last", [] {}, L"n", 1, L" ORDER BY \"n\",\"id\"", All, bByN},
        {"whole table by n, backward: NULL first", [] {}, L"n", 0, L" ORDER BY \"n\" DESC,\"id\" DESC", All, bByN},
        {"n equal to 5", [&] { Seek(L"n", clFive, true); }, L"n", 1, L" WHERE \"n\"=5 ORDER BY \"n\",\"id\"",
         [](const stRow& st) { return st.n == 5; }, bByN},
        {"past n equal to 5, forward: greater values then NULL",
         [&] {
             Seek(L"n", clFive, true);
             Continue(0);
         },
         L"n", 1, L" WHERE (\"n\">5 OR \"n\" IS NULL) ORDER BY \"n\",\"id\"",
         [](const stRow& st) { return nCompareNullLast(st.n, std::optional<int>(5)) > 0; }, bByN},
        {"before n equal to 5, backward",
         [&] {
             Seek(L"n", clFive, true);
             Continue(1);
         },
         L"n", 0, L" WHERE \"n\"<5 ORDER BY \"n\" DESC,\"id\" DESC",
         [](const stRow& st) { return nCompareNullLast(st.n, std::optional<int>(5)) < 0; }, bByN},
        {"next after the row (5, id 3)",
         [&] {
             SeekCurrentRow(L"n", 3);
             Continue(0);
         },
         L"n", 1, L" WHERE (\"n\">5 OR \"n\" IS NULL) OR \"n\"=5 AND \"id\">3 ORDER BY \"n\",\"id\"", fnAfter(3, bByN),
         bByN},
        {"previous before the row (5, id 3)",
         [&] {
             SeekCurrentRow(L"n", 3);
             Continue(1);
         },
         L"n", 0, L" WHERE \"n\"<5 OR \"n\"=5 AND \"id\"<3 ORDER BY \"n\" DESC,\"id\" DESC", fnBefore(3, bByN), bByN},
        {"next after a row whose n is NULL (id 2)",
         [&] {
             SeekCurrentRow(L"n", 2);
             Continue(0);
         },
         L"n", 1, L" WHERE \"n\" IS NULL AND \"id\">2 ORDER BY \"n\",\"id\"", fnAfter(2, bByN), bByN},
        {"previous before a row whose n is NULL (id 6)",
         [&] {
             SeekCurrentRow(L"n", 6);
             Continue(1);
         },
         L"n", 0, L" WHERE \"n\" IS NOT NULL OR \"n\" IS NULL AND \"id\"<6 ORDER BY \"n\" DESC,\"id\" DESC",
         fnBefore(6, bByN), bByN},
        {"n equal to NULL", [&] { Seek(L"n", clNull, true); }, L"n", 1, L" WHERE \"n\" IS NULL ORDER BY \"n\",\"id\"",
         [](const stRow& st) { return !st.n; }, bByN},
        {"past n equal to NULL: nothing comes after NULL",
         [&] {
             Seek(L"n", clNull, true);
             Continue(0);
         },
         L"n", 1, L" WHERE 0=1 ORDER BY \"n\",\"id\"", [](const stRow&) { return false; }, bByN},
        {"two-part key equal to (b, 2)", [&] { Seek(L"kk", clKey("b", 2), true); }, L"kk", 1,
         L" WHERE \"k1\"='b' AND \"k2\"=2 ORDER BY \"k1\",\"k2\"",
         [](const stRow& st) { return st.sK1 == "b" && st.nK2 == 2; }, bByKK},
        {"two-part key past (b, 2), forward",
         [&] {
             Seek(L"kk", clKey("b", 2), true);
             Continue(0);
         },
         L"kk", 1,
         L" WHERE (\"k1\">'b' OR \"k1\" IS NULL) OR \"k1\"='b' AND (\"k2\">2 OR \"k2\" IS NULL) ORDER BY "
         L"\"k1\",\"k2\",\"id\"",
         [](const stRow& st) { return st.sK1 > "b" || (st.sK1 == "b" && st.nK2 > 2); }, bByKK},
        {"two-part key before (b, 2), backward",
         [&] {
             Seek(L"kk", clKey("b", 2), true);
             Continue(1);
         },
         L"kk", 0, L" WHERE \"k1\"<'b' OR \"k1\"='b' AND \"k2\"<2 ORDER BY \"k1\" DESC,\"k2\" DESC",
         [](const stRow& st) { return st.sK1 < "b" || (st.sK1 == "b" && st.nK2 < 2); }, bByKK},
        {"two-part key given the prefix ab of its first part", [&] { Seek(L"kk", clBytes("ab"), false); }, L"kk", 1,
         L" WHERE \"k1\" LIKE 'ab%' ORDER BY \"k1\",\"k2\"", [](const stRow& st) { return bStartsWith(st.sK1, "ab"); },
         bByKK},
        {"two-part key past the prefix ab, forward",
         [&] {
             Seek(L"kk", clBytes("ab"), false);
             Continue(0);
         },
         L"kk", 1,
         L" WHERE (\"k1\">'ab' OR \"k1\" IS NULL) AND (\"k1\" NOT LIKE 'ab%' OR \"k1\" IS NULL) ORDER BY "
         L"\"k1\",\"k2\",\"id\"",
         [](const stRow& st) { return st.sK1 > "ab" && !bStartsWith(st.sK1, "ab"); }, bByKK},
        {"two-part key before the prefix ab, backward",
         [&] {
             Seek(L"kk", clBytes("ab"), false);
             Continue(1);
         },
         L"kk", 0, L" WHERE \"k1\"<'ab' ORDER BY \"k1\" DESC,\"k2\" DESC",
         [](const stRow& st) { return st.sK1 < "ab"; }, bByKK},
        {"t beginning with ab", [&] { Seek(L"t", clText("ab"), false); }, L"t", 1,
         L" WHERE \"t\" LIKE 'ab%' ORDER BY \"t\",\"id\"", [](const stRow& st) { return bStartsWith(st.t, "ab"); },
         bByT},
        {"t past the values beginning with ab, forward: NULL last",
         [&] {
             Seek(L"t", clText("ab"), false);
             Continue(0);
         },
         L"t", 1,
         L" WHERE (\"t\" NOT LIKE 'ab%' OR \"t\" IS NULL) AND (\"t\">'ab' OR \"t\" IS NULL) ORDER BY \"t\",\"id\"",
         [](const stRow& st) { return !st.t || (*st.t > "ab" && !bStartsWith(st.t, "ab")); }, bByT},
        {"t beginning with a_ (the underscore is not a wildcard)", [&] { Seek(L"t", clText("a_"), false); }, L"t", 1,
         L" WHERE \"t\" LIKE 'a\\_%' ESCAPE '\\' ORDER BY \"t\",\"id\"",
         [](const stRow& st) { return bStartsWith(st.t, "a_"); }, bByT},
        {"dt in the year 2023",
         [&] {
             CAny cl;
             cl.SetDATEA("2023");
             Seek(L"dt", cl, false);
         },
         L"dt", 1, L" WHERE \"dt\">='2023-01-01' AND \"dt\"<'2024-01-01' ORDER BY \"dt\",\"id\"",
         [](const stRow& st) { return bStartsWith(st.dt, "2023"); }, bByDt},
        {"dt past the year 2023, forward",
         [&] {
             CAny cl;
             cl.SetDATEA("2023");
             Seek(L"dt", cl, false);
             Continue(0);
         },
         L"dt", 1, L" WHERE (\"dt\">='2024-01-01' OR \"dt\" IS NULL) ORDER BY \"dt\",\"id\"",
         [](const stRow& st) { return !st.dt || *st.dt >= "20240101"; }, bByDt},
        {"dt before the year 2023, backward",
         [&] {
             CAny cl;
             cl.SetDATEA("2023");
             Seek(L"dt", cl, false);
             Continue(1);
         },
         L"dt", 0, L" WHERE \"dt\"<'2023-01-01' ORDER BY \"dt\" DESC,\"id\" DESC",
         [](const stRow& st) { return st.dt && *st.dt < "20230101"; }, bByDt},
        {"filter n from 5 to 10", [&] { Filter(L"n", &clFive, 1, &clTen, 1); }, L"n", 1,
         L" WHERE \"n\">=5 AND \"n\"<=10 ORDER BY \"n\",\"id\"",
         [](const stRow& st) { return st.n && *st.n >= 5 && *st.n <= 10; }, bByN},
        {"filter n between 5 and 10 excluded", [&] { Filter(L"n", &clFive, 0, &clTen, 0); }, L"n", 1,
         L" WHERE \"n\">5 AND \"n\"<10 ORDER BY \"n\",\"id\"",
         [](const stRow& st) { return st.n && *st.n > 5 && *st.n < 10; }, bByN},
        {"filter n from 5 to 5: one equality", [&] { Filter(L"n", &clFive, 1, &clFive, 1); }, L"n", 1,
         L" WHERE \"n\"=5 ORDER BY \"n\",\"id\"", [](const stRow& st) { return st.n == 5; }, bByN},
        {"filter n from 0: the host holds NULL as 0",
         [&] {
             const CAny clZero = clInt(0);
             Filter(L"n", &clZero, 1, nullptr, 0);
         },
         L"n", 1, L" WHERE (\"n\">=0 OR \"n\" IS NULL) ORDER BY \"n\",\"id\"",
         [](const stRow& st) { return !st.n || *st.n >= 0; }, bByN},
        {"filter on the descending d from 20 (included) down to 10 (excluded)",
         [&] {
             const CAny clHigh = clInt(20), clLow = clInt(10);
             Filter(L"d", &clHigh, 1, &clLow, 0);
         },
         L"id", 1, L" WHERE \"d\">10 AND \"d\"<=20 ORDER BY \"id\"",
         [](const stRow& st) { return st.d && *st.d > 10 && *st.d <= 20; }, bById},
        {"filter t up to ab and the values that begin with it",
         [&] {
             const CAny cl = clFixedText(VQTYPE_PSTRA, "ab\xFF");
             Filter(L"t", nullptr, 0, &cl, 0);
         },
         L"t", 1, L" WHERE \"t\"<'ab' OR \"t\" LIKE 'ab%' ORDER BY \"t\",\"id\"",
         [](const stRow& st) { return st.t && (*st.t < "ab" || bStartsWith(st.t, "ab")); }, bByT},
        {"filter dt up to the end of 2023",
         [&] {
             const CAny cl = clFixedText(VQTYPE_DATEA, "2023\xFF");
             Filter(L"dt", nullptr, 0, &cl, 1);
         },
         L"dt", 1, L" WHERE \"dt\"<'2024-01-01' ORDER BY \"dt\",\"id\"",
         [](const stRow& st) { return st.dt && *st.dt < "20240101"; }, bByDt},
        {"k2 equal to 2 inside the filter n from 5 to 10",
         [&] {
             Filter(L"n", &clFive, 1, &clTen, 1);
             const CAny clTwo = clInt(2);
             Seek(L"k2", clTwo, true);
         },
         L"id", 1, L" WHERE \"k2\"=2 AND (\"n\">=5 AND \"n\"<=10 ) ORDER BY \"id\"",
         [](const stRow& st) { return st.nK2 == 2 && st.n && *st.n >= 5 && *st.n <= 10; }, bById},
        // A search joined to filters of each kind: equal bounds, excluded bounds under a search
        // continuing backward, bounds in key order on a descending item.
        {"t beginning with a inside the filter n from 5 to 5",
         [&] {
             Filter(L"n", &clFive, 1, &clFive, 1);
             Seek(L"t", clText("a"), false);
         },
         L"t", 1, L" WHERE \"t\" LIKE 'a%' AND \"n\"=5 ORDER BY \"t\",\"id\"",
         [](const stRow& st) { return bStartsWith(st.t, "a") && st.n == 5; }, bByT},
        {"before n equal to 8, backward, inside the filter n between 3 and 10 excluded",
         [&] {
             const CAny clThree = clInt(3), clEight = clInt(8);
             Filter(L"n", &clThree, 0, &clTen, 0);
             Seek(L"n", clEight, true);
             Continue(1);
         },
         L"n", 0, L" WHERE \"n\"<8 AND (\"n\">3 AND \"n\"<10 ) ORDER BY \"n\" DESC,\"id\" DESC",
         [](const stRow& st) { return st.n && *st.n > 3 && *st.n < 8; }, bByN},
        {"k2 equal to 1 inside the filter on the descending d from 40 (included) down to 10 (excluded)",
         [&] {
             const CAny clHigh = clInt(40), clLow = clInt(10), clOne = clInt(1);
             Filter(L"d", &clHigh, 1, &clLow, 0);
             Seek(L"k2", clOne, true);
         },
         L"id", 1, L" WHERE \"k2\"=1 AND (\"d\">10 AND \"d\"<=40 ) ORDER BY \"id\"",
         [](const stRow& st) { return st.nK2 == 1 && st.d && *st.d > 10 && *st.d <= 40; }, bById},
    };
    for (const Request& r : tab) {
        SCOPED_TRACE(r.pszName);
        Reset();
        r.fnSet();
        CNACommand* pclWhere = pclCommand();
        ASSERT_TRUE(m_pclStatement->bGetClauseWHERE(pclWhere));
        CNACommand* pclSelect = pclCommand();
        ASSERT_TRUE(m_pclStatement->bBuildQuerySELECT(pclSelect, 0, r.pszItem, r.bAscending, pclWhere));
        const std::wstring sSQL = sFormat(pclSelect);
        EXPECT_EQ(sSQL, std::wstring(SELECT_LIST) + r.sWhereAndOrder);
        // A backward browse runs the reversed ORDER BY: the statement reads it as it comes.
        EXPECT_EQ(pclSelect->bInvertFetch(), r.bAscending ? 0 : 1);
        std::vector<int> vRows;
        ASSERT_TRUE(clPg.bIds(pgtest::sUTF8(sSQL), &vRows)) << clPg.sError();
        EXPECT_EQ(vRows, vExpected(r.fnKeep, r.fnLess, r.bAscending != 0)) << pgtest::sUTF8(sSQL);
    }
    EXPECT_EQ(m_pclError->eGetErrorType(), NA_ERRORTYPE_NONE) << pgtest::sUTF8(m_pclError->StringDump().pszGet());
}

// A count under the filter and the search counts what a browse under them reads.
TEST_F(BrowseRequestsTest, CountsWhatTheBrowseReads) {
    KX_REQUIRE_PG_SERVER();
    CBrowseTable clPg;
    ASSERT_TRUE(clPg.bOpen()) << clPg.sError();
    const CAny clFive = clInt(5), clTen = clInt(10), clTwo = clInt(2);
    struct Case {
        const char* pszName;
        std::function<void()> fnSet;
        int bAllRows;
        const wchar_t* pszExpected;
        std::function<bool(const stRow&)> fnKeep;
    };
    const Case tab[] = {
        {"every row", [] {}, 1, L"SELECT COUNT(*) AS KXACCESNATIF_NBENR FROM \"browse_fx\"",
         [](const stRow&) { return true; }},
        {"every row, the filter set aside", [&] { Filter(L"n", &clFive, 1, &clTen, 1); }, 1,
         L"SELECT COUNT(*) AS KXACCESNATIF_NBENR FROM \"browse_fx\"", [](const stRow&) { return true; }},
        {"under the filter", [&] { Filter(L"n", &clFive, 1, &clTen, 1); }, 0,
         L"SELECT COUNT(*) AS KXACCESNATIF_NBENR FROM \"browse_fx\" WHERE \"n\">=5 AND \"n\"<=10",
         [](const stRow& st) { return st.n && *st.n >= 5 && *st.n <= 10; }},
        {"under the filter and a search",
         [&] {
             Filter(L"n", &clFive, 1, &clTen, 1);
             Seek(L"k2", clTwo, true);
         },
         0, L"SELECT COUNT(*) AS KXACCESNATIF_NBENR FROM \"browse_fx\" WHERE \"k2\"=2 AND (\"n\">=5 AND \"n\"<=10 )",
         [](const stRow& st) { return st.nK2 == 2 && st.n && *st.n >= 5 && *st.n <= 10; }},
        {"no filter nor search", [] {}, 0, L"SELECT COUNT(*) AS KXACCESNATIF_NBENR FROM \"browse_fx\"",
         [](const stRow&) { return true; }},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        Reset();
        c.fnSet();
        CNACommand* pcl = pclCommand();
        ASSERT_TRUE(m_pclStatement->_bBuildQueryCOUNT(pcl, 0, c.bAllRows));
        EXPECT_EQ(sFormat(pcl), c.pszExpected);
        EXPECT_EQ(pcl->eGetQueryType(), NAQUERYTYPE_SELECT);
        // The count column comes back into a 32-bit integer value.
        ASSERT_EQ(pcl->nGetDefineNbr(), 1);
        std::vector<int> v;
        ASSERT_TRUE(clPg.bIds(pgtest::sUTF8(sFormat(pcl)), &v)) << clPg.sError();
        ASSERT_EQ(v.size(), 1u);
        EXPECT_EQ(static_cast<size_t>(v[0]), vExpected(c.fnKeep, bById).size());
    }
}
