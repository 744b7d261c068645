// Searches and filters of the data access on the test server: exact, generic and missing values,
// hostile values with standard_conforming_strings on and off, range filters with their bounds
// included or excluded, filters by a parsed condition and the item they choose.
#include "tests/table/NADataAccessSeekFixture.h"

#include "native/sql/SQLParserInterfaces.h"
#include "tests/host/StandInParsedQuery.h"

using namespace seektest;

namespace {

const char* const TABLE = "kx_seek_rows";

class NADataAccessSeekServerTest : public SeekServerTest {
protected:
    // 250 rows: id 1 to 250, name "Name0001" to "Name0250", five cities in turn, a code that
    // repeats every ten rows.
    static void SetUpTestSuite() {
        std::string sReason;
        if (!pgsandbox::bServerAvailable(&sReason)) return;
        pgtest::CDirectServer clServer;
        CreateTable(clServer, TABLE,
                    "id serial PRIMARY KEY, name varchar(30) NOT NULL UNIQUE, city varchar(20), code int",
                    std::string("INSERT INTO ") + TABLE +
                        " (name, city, code) SELECT 'Name' || lpad(i::text, 4, '0'), "
                        "(ARRAY['Lyon','Nice','Metz','Caen','Dijon'])[1 + i % 5], i % 10 "
                        "FROM generate_series(1, 250) AS i");
        clServer.Run(std::string("CREATE INDEX ON ") + TABLE + " (city)");
        clServer.Run(std::string("CREATE INDEX ON ") + TABLE + " (code)");
    }

    int bSeek(CNADataAccess* pclAccess, const wchar_t* pszItem, const CAny& clValue, int nMode, int bForward = 1) {
        eNA_LOCKTYPE eLockOut = static_cast<eNA_LOCKTYPE>(0);
        return pclAccess->bHRecherche(pszItem, &clValue, nMode, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, bForward,
                                      0);
    }
    int bRead(CNADataAccess* pclAccess, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection) {
        eNA_LOCKTYPE eLockOut = static_cast<eNA_LOCKTYPE>(0);
        return pclAccess->bHLitxxx(pszItem, eDirection, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, 0);
    }
};

// Exact, generic and missing values: found or not, and the record the browse stands on, as the
// server orders the names.
TEST_F(NADataAccessSeekServerTest, ExactGenericAndMissingValues) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclOpen(L"kx_seek_rows");
    ASSERT_NE(pclAccess, nullptr);
    struct stCase {
        const wchar_t* pszValue;
        int nMode;
        int bFound;
        const wchar_t* pszName;
    } astCases[] = {
        {L"Name0123", 0, 1, L"Name0123"},   // exact
        {L"Name0123x", 0, 0, L"Name0124"},  // missing: the next one stands
        {L"Name012", 1, 1, L"Name0120"},    // generic: the first name it begins
        {L"Name012", 0, 0, L"Name0120"},    // the same text, exact: not found
        {L"Zzz", 0, 0, nullptr},            // past the last: out of the file
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(sOf(st.pszValue));
        ASSERT_EQ(bSeek(pclAccess, L"name", Text(st.pszValue), st.nMode), 1) << sError();
        EXPECT_EQ(bFound(pclAccess, L"name"), st.bFound);
        if (st.pszName != nullptr) {
            EXPECT_EQ(bOut(pclAccess, L"name"), 0);
            EXPECT_EQ(wsValue(pclAccess, L"name"), st.pszName);
        } else {
            EXPECT_EQ(bOut(pclAccess, L"name"), 1);
        }
    }
    // A search on a duplicates item reads its equal records in order, then runs past them.
    ASSERT_EQ(bSeek(pclAccess, L"city", Text(L"Nice"), 0), 1) << sError();
    EXPECT_EQ(bFound(pclAccess, L"city"), 1);
    int nNice = 0;
    while (!bOut(pclAccess, L"city") && bFound(pclAccess, L"city")) {
        EXPECT_EQ(wsValue(pclAccess, L"city"), L"Nice");
        nNice++;
        ASSERT_EQ(bRead(pclAccess, L"city", NA_PARSE_NEXT), 1) << sError();
    }
    EXPECT_EQ(nNice, 50);
    // "Nice" is the last city in the server's order: the browse ends there.
    EXPECT_EQ(bOut(pclAccess, L"city"), 1);
}

}  // namespace
