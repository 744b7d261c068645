// The orders of the column indexes against the server's ORDER BY over the same values, on the test
// run's PostgreSQL (its database is made with the C.UTF-8 locale, which orders texts by their code
// points): a nullable integer column, a wide text column with characters of many scripts (the
// varchar of a Unicode connection, keyed as UTF-16 units rewritten to sort by code point), and a
// text memo of UTF-8 bytes (compared byte by byte, the code points' order too).
//
// Where they cannot agree: NULL. The server puts NULLs after every value unless told otherwise;
// the index keys NULL as an empty value (the smallest integer's key, or the empty text's), so it
// agrees with ORDER BY ... NULLS FIRST, and cannot tell NULL from an empty text. A wide text memo
// is compared as stored, 32-bit characters lowest byte first, which is no order the server has
// (see the memo index's tests).
#include <gtest/gtest.h>

#include <optional>

#include "tests/statement/IndexFixture.h"
#include "tests/support/PgSession.h"

namespace {

using Values = std::vector<std::optional<std::string>>;

class IndexServerOrderTest : public IndexTest {
protected:
    // The values in the order the index browses their rows.
    static Values InIndexOrder(CIndexItem* pclIndex, const Values& vByRow) {
        Values v;
        for (int n : Browse(pclIndex)) v.push_back(vByRow[n]);
        return v;
    }
    // The server's order of the values, NULLs where the clause puts them.
    static Values ServerOrder(pgtest::CPgSession& clPg, const std::string& sType, const Values& vByRow,
                              const std::string& sNulls) {
        std::string sSQL = "DROP TABLE IF EXISTS kx_order; CREATE TEMP TABLE kx_order (n int, x " + sType +
                           "); INSERT INTO kx_order VALUES ";
        for (size_t n = 0; n < vByRow.size(); n++)
            sSQL += (n > 0 ? ", (" : "(") + std::to_string(n) + ", " +
                    (vByRow[n] ? pgtest::sLiteral(*vByRow[n]) : std::string("NULL")) + ")";
        Values v;
        EXPECT_TRUE(clPg.bExec(sSQL)) << clPg.sError();
        EXPECT_TRUE(clPg.bColumn("SELECT x FROM kx_order ORDER BY x" + sNulls, &v)) << clPg.sError();
        return v;
    }
    // NULL and the empty text as one.
    static Values NullAsEmpty(Values v) {
        for (auto& o : v)
            if (!o) o = std::string();
        return v;
    }
    static std::string sCollation(pgtest::CPgSession& clPg) {
        Values v;
        clPg.bColumn("SELECT datcollate FROM pg_database WHERE datname = current_database()", &v);
        return v.size() == 1 && v[0] ? *v[0] : "?";
    }
};

TEST_F(IndexServerOrderTest, NullableInteger) {
    KX_PG_SESSION(clPg);
    const std::vector<std::optional<int>> vInts = {3, std::nullopt, -2, 0, std::nullopt, 7, 1, -2, 2147483647, -2147483647};
    Values vByRow;
    for (const auto& o : vInts) {
        nAdd({o});
        vByRow.push_back(o ? std::optional<std::string>(std::to_string(*o)) : std::nullopt);
    }
    const Values vIndex = InIndexOrder(pclIndex(KIND_FIXED, L"v"), vByRow);
    EXPECT_EQ(vIndex, ServerOrder(clPg, "int", vByRow, " NULLS FIRST"));
    // The server's own default puts them last.
    const Values vDefault = ServerOrder(clPg, "int", vByRow, "");
    ASSERT_EQ(vDefault.size(), vByRow.size());
    EXPECT_FALSE(vDefault[vDefault.size() - 1] || vDefault[vDefault.size() - 2]);
}

TEST_F(IndexServerOrderTest, WideTextOfManyScripts) {
    KX_PG_SESSION(clPg);
    const std::optional<std::wstring> tabTexts[] = {
        L"apple",     L"Zebra",   L"\u00C1baco", L"\u00E1baco",       L"\u043E\u0448\u0438\u0431\u043A\u0430",
        L"\u041E\u0448\u0438\u0431\u043A\u0430", L"\u65E5\u672C\u8A9E", L"\u4E2D\u6587",
        L"\U0001F600 smile",  // above U+FFFF: a surrogate pair, which must sort above U+FFxx
        L"\uFF21BC",          // fullwidth A
        L"e\u0301",  L"\u00DF", L"a",  L"",  std::nullopt,  L"\u03A9mega",  L"\u0639\u0631\u0628\u064A",
        L"\u05E2\u05D1\u05E8\u05D9\u05EA",  L"a b",  L"a\u00A0b",  L"\uE000 private",  L"\uD7FF",
    };
    Values vByRow;
    for (const auto& o : tabTexts) {
        nAdd({0, nullptr, o ? o->c_str() : nullptr});
        vByRow.push_back(o ? std::optional<std::string>(pgtest::sUTF8(*o)) : std::nullopt);
    }
    const Values vIndex = InIndexOrder(pclIndex(KIND_FIXED, L"s"), vByRow);
    EXPECT_EQ(NullAsEmpty(vIndex), NullAsEmpty(ServerOrder(clPg, "varchar(30)", vByRow, " NULLS FIRST")))
        << "database collation " << sCollation(clPg);
}

TEST_F(IndexServerOrderTest, TextMemoOfUTF8Bytes) {
    KX_PG_SESSION(clPg);
    const char* tabpsz[] = {"apple", "Zebra", "\xC3\x81" "baco", "\xC3\xA1" "baco", "\xD0\xBE\xD1\x88\xD0\xB8\xD0\xB1\xD0\xBA\xD0\xB0",
                            "\xE6\x97\xA5\xE6\x9C\xAC", "\xF0\x9F\x98\x80 smile", "\xEF\xBC\xA1" "BC", "", nullptr,
                            "a", "ab", "a b", "\xC3\x9F", "apple"};
    Values vByRow;
    for (const char* psz : tabpsz) {
        nAdd({0, nullptr, nullptr, psz});
        vByRow.push_back(psz != nullptr ? std::optional<std::string>(psz) : std::nullopt);
    }
    const Values vIndex = InIndexOrder(pclIndex(KIND_MEMO, L"m"), vByRow);
    EXPECT_EQ(NullAsEmpty(vIndex), NullAsEmpty(ServerOrder(clPg, "text", vByRow, " NULLS FIRST")))
        << "database collation " << sCollation(clPg);
}

}  // namespace
