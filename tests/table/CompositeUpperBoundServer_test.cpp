// Range filters on the server along a composite key (an integer, then a text) whose upper bound's
// text ends in the largest character: the host's way of saying "up to every value that begins with
// the text before it". Every row whose text starts with that prefix is read, none past it, as psql
// finds them; the largest character alone after the integer bounds by the integer only.
#include <optional>
#include <string>

#include "tests/table/NADataAccessSeekFixture.h"

using namespace seektest;

namespace {

const char* const TABLE = "kx_i46_upper_bound";
const wchar_t* const KEY = L"kx_i46_upper_bound_ks";

// The largest 16-bit unit: the host ends a wide text with it to reach past every text that begins
// with what comes before.
constexpr char16_t LARGEST = 0xFFFF;

// The bytes of a key value as the host hands them over: the integer on its 4 bytes, then the text
// in 16-bit units, as far as it goes.
CAny clKey(int32_t nK, const std::u16string& s) {
    std::string sBytes(reinterpret_cast<const char*>(&nK), 4);
    sBytes.append(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(char16_t));
    CAny cl;
    cl.SetBIN(reinterpret_cast<const unsigned char*>(sBytes.data()), sBytes.size());
    return cl;
}

class CompositeUpperBoundServerTest : public SeekServerTest {
protected:
    // Rows around the prefix "ab" under k = 5, a row before and rows after, each with a tag that
    // names it. Among the texts that begin with "ab", some sort after "ab" followed by U+FFFF by
    // code point: a character beyond U+FFFF, and U+FFFF followed by more.
    static void SetUpTestSuite() {
        std::string sReason;
        if (!pgsandbox::bServerAvailable(&sReason)) return;
        pgtest::CPgSession clServer;
        clServer.Run("SELECT pg_advisory_lock(4646046)");
        if (clServer.sValue(std::string("SELECT count(*) FROM pg_class WHERE relname = '") + TABLE + "'") == "0") {
            clServer.Run(std::string("CREATE TABLE ") + TABLE + " (k int NOT NULL, s varchar(12) NOT NULL, tag int)");
            clServer.Run(std::string("CREATE UNIQUE INDEX kx_i46_upper_bound_ks ON ") + TABLE + " (k, s)");
            clServer.Run(std::string("INSERT INTO ") + TABLE +
                         " (k, s, tag) VALUES (1, 'zz', 1), (5, 'a', 2), (5, 'aa', 3), (5, 'ab', 4), "
                         "(5, 'ab!', 5), (5, 'abz', 6), (5, E'ab\\u00E9', 7), (5, E'ab\\U0001F600', 8), "
                         "(5, U&'ab\\FFFF' || 'z', 9), (5, 'ac', 10), (5, 'b', 11), (6, 'a', 12), (4, 'ab', 13)");
        }
        clServer.Run("SELECT pg_advisory_unlock(4646046)");
    }

    // The tags of the rows the filter reads along the key, in its order.
    std::string sFiltered(CNADataAccess* pclAccess, const CAny* pclLow, int bLowIn, const CAny* pclHigh, int bHighIn) {
        if (pclAccess->bHFiltre(KEY, pclLow, bLowIn, pclHigh, bHighIn, nullptr) != 1) {
            ADD_FAILURE() << "the filter is refused: " << sError();
            return "<refused>";
        }
        std::string sRead;
        if (bFirst(pclAccess, KEY) != 1) return "<first failed: " + sError() + ">";
        for (int n = 0; !bOut(pclAccess, KEY) && n < 100; n++) {
            sRead += sOf(wsValue(pclAccess, L"tag")) + ",";
            if (bNext(pclAccess, KEY) != 1) return sRead + "<next failed: " + sError() + ">";
        }
        return sRead;
    }
};

// Each bound against psql's answer for the same range, in the key's order (the server sorts by code
// point).
TEST_F(CompositeUpperBoundServerTest, TextEndingInTheLargestCharacterReachesEveryRowOfItsPrefix) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclOpen(wsOf(TABLE).c_str());
    ASSERT_NE(pclAccess, nullptr);
    pgtest::CPgSession clServer;
    // The rows a plain comparison with the bound's text would lose are there.
    ASSERT_EQ(clServer.sValue(std::string("SELECT string_agg(tag || ',', '' ORDER BY tag) FROM ") + TABLE +
                              " WHERE k = 5 AND s LIKE 'ab%' AND s > U&'ab\\FFFF'"),
              "8,9,");
    struct stCase {
        const char* pszName;
        std::optional<CAny> oLow;
        int bLowIn;
        CAny clHigh;
        int bHighIn;
        const char* pszWhere;  // the same range for psql
    };
    const stCase astCases[] = {
        {"up to every (5, ab...)", std::nullopt, 1, clKey(5, u"ab" + std::u16string(1, LARGEST)), 1,
         "(k, s) < (5, 'ab') OR (k = 5 AND s LIKE 'ab%')"},
        {"from (5, a) up to every (5, ab...)", clKey(5, u"a"), 1, clKey(5, u"ab" + std::u16string(1, LARGEST)), 1,
         "(k, s) >= (5, 'a') AND ((k, s) < (5, 'ab') OR (k = 5 AND s LIKE 'ab%'))"},
        {"every (5, ab...): a prefix filter", clKey(5, u"ab"), 1, clKey(5, u"ab" + std::u16string(1, LARGEST)), 1,
         "k = 5 AND s LIKE 'ab%'"},
        {"up to every (5, a...)", std::nullopt, 1, clKey(5, u"a" + std::u16string(1, LARGEST)), 1,
         "(k, s) < (5, 'a') OR (k = 5 AND s LIKE 'a%')"},
        {"from (4, ab) excluded up to every (5, ab...)", clKey(4, u"ab"), 0,
         clKey(5, u"ab" + std::u16string(1, LARGEST)), 1,
         "(k, s) > (4, 'ab') AND ((k, s) < (5, 'ab') OR (k = 5 AND s LIKE 'ab%'))"},
        // The largest character alone stands for the largest text: every row of k 5.
        {"up to (5, the largest text)", std::nullopt, 1, clKey(5, std::u16string(1, LARGEST)), 1, "k <= 5"},
        {"from (5, ab) up to (5, the largest text)", clKey(5, u"ab"), 1, clKey(5, std::u16string(1, LARGEST)), 1,
         "(k, s) >= (5, 'ab') AND k <= 5"},
        // A bound without the largest character stays a plain bound.
        {"up to (5, ab) itself", std::nullopt, 1, clKey(5, u"ab"), 1, "(k, s) <= (5, 'ab')"},
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(st.pszName);
        const std::string sExpected =
            clServer.sValue(std::string("SELECT coalesce(string_agg(tag || ',', '' ORDER BY k, s), '') FROM ") + TABLE +
                            " WHERE " + st.pszWhere);
        EXPECT_EQ(sFiltered(pclAccess, st.oLow ? &*st.oLow : nullptr, st.bLowIn, &st.clHigh, st.bHighIn), sExpected);
    }
    Release(pclAccess);
}

}  // namespace
