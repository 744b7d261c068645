// The data access on the test server, made by the driver object over the description it reads
// from the catalogue: opening (once per access, the catalogue asked once), a table that is not
// there, and the size of the blocks a browse asks the server for.
#include <gtest/gtest.h>

#include <algorithm>
#include <ctime>
#include <cwchar>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NAPosition.h"
#include "native/model/NARecord.h"
#include "native/model/NAYFRecord.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NAStatement.h"
#include "native/table/NADataAccess.h"
#include "pgsql/PSQLDataAccess.h"
#include "pgsql/PSQLDriver.h"
#include "tests/support/PgSandbox.h"
#include "tests/support/StatementLog.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/support/PgSession.h"
#include "tests/support/ServerDriver.h"
#include "tests/table/BrowseRoadFixture.h"
#include "variant/VQCalc.h"
#include "variant/VQConv.h"

namespace {

const char* const TABLE = "kx_dataacc_rows";

std::wstring wsOf(const wchar_t* psz) {
    return psz != nullptr ? std::wstring(psz) : std::wstring();
}

// A statement whose positions know neither their row nor their record (a server's statement may
// fill its positions so): only the hook could tell two of them apart.
class CBlindPositionStatement : public CNAStatement {
public:
    using CNAStatement::CNAStatement;
    int bGetPosition(CNAPosition* pclPosition, unsigned) override {
        pclPosition->SetStatement(this);
        return pclPosition->bSetParameters(-1, -1, &m_clUserSearch, 0);
    }
};

class CBlindPositionAccess : public CPSQLDataAccess {
public:
    using CPSQLDataAccess::CPSQLDataAccess;
    CNAStatement* _pclAllocStatement() override { return new CBlindPositionStatement(this, pclGetErrorNoRef()); }
    static CNADataAccess* s_pclNew(INADataSourceDescription* piDescription, CNAConnectionDescription* pclCnx,
                                   CNAError* pclError) {
        return new CBlindPositionAccess(piDescription, pclCnx, pclError);
    }
};

class NADataAccessServerTest : public testing::Test {
protected:
    // 250 rows: id 1 to 250, name "Name0001" to "Name0250", five cities in turn, a score.
    static void SetUpTestSuite() {
        std::string sReason;
        if (!pgsandbox::bServerAvailable(&sReason)) return;
        pgtest::CPgSession clServer;
        clServer.Run("SELECT pg_advisory_lock(727275)");
        if (clServer.sValue(std::string("SELECT count(*) FROM pg_class WHERE relname = '") + TABLE + "'") == "0") {
            clServer.Run(std::string("CREATE TABLE ") + TABLE +
                         " (id serial PRIMARY KEY, name varchar(30) NOT NULL, city varchar(20), score float8)");
            clServer.Run(std::string("INSERT INTO ") + TABLE +
                         " (name, city, score) SELECT 'Name' || lpad(i::text, 4, '0'), "
                         "(ARRAY['Lyon','Nice','Metz','Caen','Dijon'])[1 + i % 5], i * 1.5 "
                         "FROM generate_series(1, 250) AS i");
        }
        // Three rows, and none, with the same columns.
        for (const char* pszTable : {"kx_dataacc_three", "kx_dataacc_empty"}) {
            if (clServer.sValue(std::string("SELECT count(*) FROM pg_class WHERE relname = '") + pszTable + "'") != "0")
                continue;
            clServer.Run(std::string("CREATE TABLE ") + pszTable +
                         " (id serial PRIMARY KEY, name varchar(30) NOT NULL, city varchar(20), score float8)");
            if (std::string(pszTable) == "kx_dataacc_three")
                clServer.Run(std::string("INSERT INTO ") + pszTable +
                             " (name, city, score) VALUES ('A', 'Lyon', 1), ('B', 'Nice', 2), ('C', 'Metz', 3)");
        }
        clServer.Run("SELECT pg_advisory_unlock(727275)");
    }

    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        ASSERT_EQ(bInitVQCalcFromVM(standin::hGetModule(), 2, 2), 1);
        m_clServerDriver.Start();
        m_pclError = m_clServerDriver.pclError();
    }
    void TearDown() override {
        m_clServerDriver.Stop();
        CVQConv::s_Reset();
        CVQCalc::s_Reset();
    }

    // An access over a table of the server, on a connection whose extended information ends with
    // the text given ("KX Cache Size=20;" ...); null with a test failure when it cannot be made.
    // With bOwnDescription the description is the table's own from the catalogue; otherwise it is
    // the fixture table's under the name given.
    CNADataAccess* pclAccess(const wchar_t* pszTable, const std::wstring& wsOptions = L"",
                             bool bOwnDescription = false) {
        standin::CStandInConnectionDescription* pclHost = m_clServerDriver.pclHost(L"DACNX", wsOptions);
        CNAConnectionDescription* pclCnx = m_clServerDriver.pclConnection(pclHost);
        if (pclCnx == nullptr) {
            ADD_FAILURE() << "no connection";
            return nullptr;
        }
        INADataSourceDescription* piDescription =
            m_clServerDriver.piDescription(bOwnDescription ? pszTable : L"kx_dataacc_rows", pclHost);
        if (piDescription == nullptr) {
            ADD_FAILURE() << "no description of the fixture table";
            return nullptr;
        }
        // Otherwise a description of the host naming a table the server does not have.
        if (!bOwnDescription && wcscmp(pszTable, L"kx_dataacc_rows") != 0)
            piDescription = m_clServerDriver.piRenamed(piDescription, pszTable);
        return piDescription != nullptr ? m_clServerDriver.pclAccess(piDescription, pclCnx) : nullptr;
    }

    std::string sError() const { return m_clServerDriver.sError(); }

    // The name of the row of that id.
    static std::string sName(int nId) {
        char sz[16];
        snprintf(sz, sizeof(sz), "Name%04d", nId);
        return sz;
    }

    // An opened access over a fixture table.
    CNADataAccess* pclOpened(const std::wstring& wsOptions = L"", const wchar_t* pszTable = L"kx_dataacc_rows") {
        CNADataAccess* pcl = pclAccess(pszTable, wsOptions);
        if (pcl != nullptr && pcl->bHOuvre(static_cast<eNA_ACCESS>(0), L"") != 1) {
            ADD_FAILURE() << "open: " << sError();
            return nullptr;
        }
        return pcl;
    }

    // The value of an item in the access's current record, as text ("<null>" for NULL).
    static std::string sValue(CNADataAccess* pclAccess, const wchar_t* pszItem) {
        CNAColumn* pclColumn = pclAccess->pclGetCurrentRecordNoRef()->pclGetColumnNoRef(pszItem);
        if (pclColumn == nullptr) return "<no column>";
        CAny cl;
        if (!pclColumn->bGetCurrentValue(&cl, 0)) return "<unreadable>";
        if (cl.bIsNull()) return "<null>";
        switch (cl.nGetTypeCode()) {
            case VQTYPE_I4:
                return std::to_string(tBrut<int32_t>(cl));
            case VQTYPE_I8:
                return std::to_string(tBrut<int64_t>(cl));
            default:
                break;
        }
        const std::wstring ws = sTexteW(cl);
        if (ws != L"<none>") return std::string(ws.begin(), ws.end());
        return sTexteA(cl);
    }

    // A text item's value as the host reads it in its record image (UTF-16 on a Unicode
    // connection), the image handed back afterwards.
    static std::string sImageText(CNADataAccess* pclAccess, const wchar_t* pszItem) {
        CNAYFRecord* pclImage = nullptr;
        if (!pclAccess->bGetRecord(&pclImage)) return "<no image>";
        INAItemDescription* piItem = pclAccess->piGetItemDescription(pszItem);
        std::string s = "<no item>";
        if (piItem != nullptr) {
            const unsigned char* pby = pclImage->vpbyGetItemValue(piItem, -1);
            if (!pclImage->vbItemValueDefined(piItem, 0)) {
                s = "<null>";
            } else if (pby != nullptr) {
                s.clear();
                for (unsigned i = 0; i + 1 < piItem->nGetTotalSize(); i += 2) {
                    const unsigned n = pby[i] | (pby[i + 1] << 8);
                    if (n == 0) break;
                    s += n < 0x80 ? static_cast<char>(n) : '?';
                }
            }
            piItem->nExternalRelease();
        }
        pclAccess->bSetRecord(pclImage);
        return s;
    }

    // Reads along the item from one end (first or last) then step by step (next or previous)
    // until the browse goes out of the file: the names read, in order. Every read must succeed.
    std::vector<std::string> vWalk(CNADataAccess* pclAccess, const wchar_t* pszItem, eNA_PARSEDIRECTION eStart,
                                   eNA_PARSEDIRECTION eStep, const wchar_t* pszShown = L"name") {
        std::vector<std::string> v;
        eNA_LOCKTYPE eLockOut{};
        eNA_PARSEDIRECTION eDirection = eStart;
        for (int i = 0; i < 1000; i++) {
            if (pclAccess->bHLitxxx(pszItem, eDirection, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, 0) != 1) {
                ADD_FAILURE() << "read " << i << ": " << sError();
                break;
            }
            int bOut = -1;
            EXPECT_EQ(pclAccess->bHEndehors(pszItem, &bOut), 1);
            if (bOut) break;
            v.push_back(sValue(pclAccess, pszShown));
            eDirection = eStep;
        }
        return v;
    }

    // The SELECTs sent to the server since the log was marked, by the access's connection.
    static std::vector<std::string> vSelects(const pgsandbox::CStatementLog& clLog, long nPid) {
        std::vector<std::string> v;
        for (const std::string& s : clLog.Statements(nPid))
            if (s.rfind("SELECT", 0) == 0) v.push_back(s);
        return v;
    }

    long nBackendPid(CNADataAccess* pclAccess) { return m_clServerDriver.nBackendPid(pclAccess); }

    pgtest::CServerDriver m_clServerDriver;
    CNAError* m_pclError = nullptr;
};

// An access opens once: the table is described from the catalogue, the record takes its columns,
// and a second open asks the server nothing.
TEST_F(NADataAccessServerTest, OpensOnceFromTheCatalogue) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = this->pclAccess(L"kx_dataacc_rows");
    ASSERT_NE(pclAccess, nullptr);
    ASSERT_EQ(pclAccess->bHOuvre(static_cast<eNA_ACCESS>(0), L""), 1) << sError();
    EXPECT_EQ(pclAccess->bIsOpened(), 1);
    ASSERT_NE(pclAccess->pclGetCurrentRecordNoRef(), nullptr);
    EXPECT_EQ(pclAccess->pclGetCurrentRecordNoRef()->nGetNumColumns(), 4);
    CNADataSourceDescription* pclImported = pclAccess->pclGetImportedDataSourceDesc();
    ASSERT_NE(pclImported, nullptr);
    EXPECT_EQ(pclImported->nGetNumItems(), 4u);
    pclImported->nRelease();
    EXPECT_EQ(wsOf(pclAccess->pszGetDBTableName()), L"\"kx_dataacc_rows\"");

    const long nPid = nBackendPid(pclAccess);
    pgsandbox::CStatementLog clLog;
    EXPECT_EQ(pclAccess->bHOuvre(static_cast<eNA_ACCESS>(0), L""), 1);
    EXPECT_TRUE(clLog.Statements(nPid).empty());
    EXPECT_EQ(pclAccess->bHFerme(), 1);
    EXPECT_EQ(pclAccess->bIsOpened(), 0);
}

// A table the server does not have: the open fails, the error names the table first (message
// 28541, before the catalogue's own error), the level says the operation failed.
TEST_F(NADataAccessServerTest, MissingTableNamesItselfFirst) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = this->pclAccess(L"kx_dataacc_nosuch");
    ASSERT_NE(pclAccess, nullptr);
    EXPECT_EQ(pclAccess->bHOuvre(static_cast<eNA_ACCESS>(0), L""), 0);
    EXPECT_EQ(pclAccess->bIsOpened(), 0);
    const std::wstring wsMessage = wsOf(m_pclError->pclGetXError()->pszGetUserMessage());
    EXPECT_EQ(wsMessage.rfind(L"The table or file kx_dataacc_nosuch cannot be found or opened.", 0), 0u)
        << std::string(wsMessage.begin(), wsMessage.end());
    EXPECT_EQ(m_pclError->eGetErrorLevel(), NA_ERRORLEVEL_WARNING);
    int bExists = 7, bCompatible = 7;
    EXPECT_EQ(pclAccess->bFichierExiste(&bExists, &bCompatible), 0);
    EXPECT_EQ(bExists, 0);
    EXPECT_EQ(bCompatible, 0);
}

// The size of a block: "KX Cache Size" as given, or automatic (-2): the driver's hundred rows
// before any block told the record size, else a megabyte of rows, at least 20. A count at least as
// large as the block fetches a margin and lets the server skip the rest; a real number as browse
// item gets no block at all.
TEST_F(NADataAccessServerTest, BlockSizeOfABrowse) {
    KX_REQUIRE_PG_SERVER();
    struct stCase {
        const wchar_t* pszOptions;
        uint64_t llRecordSize;
        const wchar_t* pszItem;
        long nCount;
        int64_t llLimit;
        int64_t llOffset;
        long nCountAfter;
    } astCases[] = {
        {L"KX Cache Size=-2", 0, L"name", 1, 100, -1, 1},      {L"KX Cache Size=-2", 200000, L"name", 1, 20, -1, 1},
        {L"KX Cache Size=-2", 1000, L"name", 1, 1048, -1, 1},  {L"KX Cache Size=20", 0, L"name", 50, 20, 43, 7},
        {L"KX Cache Size=20", 0, L"name", 20, 20, 13, 7},      {L"KX Cache Size=20", 0, L"name", 19, 20, -1, 19},
        {L"KX Cache Size=100", 0, L"name", 150, 100, 140, 10}, {L"KX Cache Size=100", 0, L"id", 1, 100, -1, 1},
        {L"KX Cache Size=0", 0, L"name", 50, 0, -1, 50},       {L"KX Cache Size=20", 0, L"score", 50, -1, -1, 50},
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(std::string(st.pszOptions, st.pszOptions + wcslen(st.pszOptions)) + " " +
                     std::to_string(st.llRecordSize) + " " + std::to_string(st.nCount));
        CNADataAccess* pclAccess = this->pclAccess(L"kx_dataacc_rows", st.pszOptions);
        ASSERT_NE(pclAccess, nullptr);
        ASSERT_EQ(pclAccess->bHOuvre(static_cast<eNA_ACCESS>(0), L""), 1);
        pclAccess->SetRecordSize(st.llRecordSize);
        CNAStatement* pclStatement = pclAccess->_pclGetStatement(st.pszItem);
        ASSERT_NE(pclStatement, nullptr);
        CNACommand* pclCommand = pclAccess->pclAllocCommand();
        ASSERT_NE(pclCommand, nullptr);
        long nCount = st.nCount;
        EXPECT_EQ(pclAccess->bBuildSelect(pclCommand, pclStatement, st.pszItem, 1, 0, &nCount), 1);
        EXPECT_EQ(pclCommand->eGetQueryType(), NAQUERYTYPE_SELECT);
        EXPECT_EQ(pclCommand->llGetRowLimit(), st.llLimit);
        EXPECT_EQ(pclCommand->llGetRowOffset(), st.llOffset);
        EXPECT_EQ(nCount, st.nCountAfter);
        pclCommand->nRelease();
        pclStatement->nRelease();
    }
}

// The automatic block size on a browse: the driver's hundred rows for as long as no block told the
// size of its rows, which the PostgreSQL statement never does: every block is of 100 rows.
TEST_F(NADataAccessServerTest, AutomaticBlockSizeOnPostgreSQL) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclOpened(L"KX Cache Size=-2");
    ASSERT_NE(pclAccess, nullptr);
    const long nPid = nBackendPid(pclAccess);
    const seektest::CBlockSelectRoad clRoad;
    pgsandbox::CStatementLog clLog;
    std::vector<std::string> vExpected;
    for (int i = 1; i <= 250; i++) vExpected.push_back(sName(i));
    EXPECT_EQ(vWalk(pclAccess, L"name", NA_PARSE_FIRST, NA_PARSE_NEXT), vExpected);
    EXPECT_EQ(pclAccess->llGetRecordSize(), 0u);
    const std::vector<std::string> vSent = vSelects(clLog, nPid);
    ASSERT_EQ(vSent.size(), 3u);
    for (const std::string& sText : vSent) EXPECT_EQ(sText.substr(sText.size() - 10), " LIMIT 100") << sText;
}

// 250 rows read first to last and back with blocks of 20 and of 100: every row once, in the order
// of the item, the end seen after the last. The server is asked for one block at a time, each
// block starting after the last row of the one before (or before the first row of the one before,
// going back); a block shorter than the limit is the last one.
TEST_F(NADataAccessServerTest, BrowseFirstToLastAndBackInBlocks) {
    KX_REQUIRE_PG_SERVER();
    std::vector<std::string> vExpected;
    for (int i = 1; i <= 250; i++) vExpected.push_back(sName(i));
    const std::vector<std::string> vReversed(vExpected.rbegin(), vExpected.rend());
    for (int nBlock : {20, 100}) {
        SCOPED_TRACE(nBlock);
        const std::string sLimit = " LIMIT " + std::to_string(nBlock);
        const size_t nBlocks = (250 + nBlock - 1) / nBlock;
        CNADataAccess* pclAccess = pclOpened(L"KX Cache Size=" + std::to_wstring(nBlock));
        ASSERT_NE(pclAccess, nullptr);
        const long nPid = nBackendPid(pclAccess);
        const seektest::CBlockSelectRoad clRoad;
        pgsandbox::CStatementLog clLog;
        EXPECT_EQ(vWalk(pclAccess, L"name", NA_PARSE_FIRST, NA_PARSE_NEXT), vExpected);
        std::vector<std::string> vSent = vSelects(clLog, nPid);
        ASSERT_EQ(vSent.size(), nBlocks);
        for (size_t k = 0; k < nBlocks; k++) {
            EXPECT_TRUE(vSent[k].size() > sLimit.size() &&
                        vSent[k].compare(vSent[k].size() - sLimit.size(), sLimit.size(), sLimit) == 0)
                << vSent[k];
            if (k == 0)
                EXPECT_EQ(vSent[k].find("WHERE"), std::string::npos) << vSent[k];
            else
                EXPECT_NE(vSent[k].find("'" + sName(static_cast<int>(k) * nBlock) + "'"), std::string::npos)
                    << vSent[k];
        }

        clLog.Mark();
        EXPECT_EQ(vWalk(pclAccess, L"name", NA_PARSE_LAST, NA_PARSE_PREVIOUS), vReversed);
        vSent = vSelects(clLog, nPid);
        ASSERT_EQ(vSent.size(), nBlocks);
        for (size_t k = 1; k < nBlocks; k++)
            EXPECT_NE(vSent[k].find("'" + sName(251 - static_cast<int>(k) * nBlock) + "'"), std::string::npos)
                << vSent[k];
    }
}

// A browse item with duplicates (five cities, fifty rows each) read across blocks of 20: the rows
// come in the server's order of the item completed by the key, each once, whichever way.
TEST_F(NADataAccessServerTest, DuplicatesAcrossBlockBoundaries) {
    KX_REQUIRE_PG_SERVER();
    pgtest::CPgSession clServer;
    std::vector<std::string> vExpected;
    for (const auto& vRow : clServer.Query(std::string("SELECT id FROM ") + TABLE + " ORDER BY city, id"))
        vExpected.push_back(vRow[0].value_or("<null>"));
    ASSERT_EQ(vExpected.size(), 250u);
    const std::vector<std::string> vReversed(vExpected.rbegin(), vExpected.rend());
    CNADataAccess* pclAccess = pclOpened(L"KX Cache Size=20");
    ASSERT_NE(pclAccess, nullptr);
    EXPECT_EQ(vWalk(pclAccess, L"city", NA_PARSE_FIRST, NA_PARSE_NEXT, L"id"), vExpected);
    EXPECT_EQ(vWalk(pclAccess, L"city", NA_PARSE_LAST, NA_PARSE_PREVIOUS, L"id"), vReversed);
}

// Skips of 150 rows with blocks of 100: from the first row the browse lands on the 151st; asked
// from the start, the server skips the rows before a margin of 10 and the browse stands on the
// 150th; back 120 from there.
TEST_F(NADataAccessServerTest, SkipBeyondABlock) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclOpened(L"KX Cache Size=100");
    ASSERT_NE(pclAccess, nullptr);
    const long nPid = nBackendPid(pclAccess);
    eNA_LOCKTYPE eLockOut{};
    const auto eNoLock = static_cast<eNA_LOCKTYPE>(0);
    ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_FIRST, 1, eNoLock, &eLockOut, 0), 1) << sError();
    ASSERT_EQ(pclAccess->bSkipRecord(L"name", NA_PARSE_NEXT, 150, 1, eNoLock, &eLockOut, 0), 1) << sError();
    EXPECT_EQ(sValue(pclAccess, L"name"), sName(151));
    EXPECT_EQ(sImageText(pclAccess, L"name"), sName(151));

    pgsandbox::CStatementLog clLog;
    ASSERT_EQ(pclAccess->bSkipRecord(L"name", NA_PARSE_FIRST, 150, 1, eNoLock, &eLockOut, 0), 1) << sError();
    EXPECT_EQ(sValue(pclAccess, L"name"), sName(150));
    EXPECT_EQ(vSelects(clLog, nPid), std::vector<std::string>{"SELECT \"id\",\"name\",\"city\",\"score\" FROM "
                                                              "\"kx_dataacc_rows\" ORDER BY \"name\",\"id\" "
                                                              "LIMIT 100 OFFSET 140"});
    ASSERT_EQ(pclAccess->bSkipRecord(L"name", NA_PARSE_PREVIOUS, 120, 1, eNoLock, &eLockOut, 0), 1) << sError();
    EXPECT_EQ(sValue(pclAccess, L"name"), sName(30));
    ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_NEXT, 1, eNoLock, &eLockOut, 0), 1) << sError();
    EXPECT_EQ(sValue(pclAccess, L"name"), sName(31));
}

// Counts: the quick count of a browse is the server's count(*); without the quick option the
// answer is 0; an access that never browsed counts on the server.
TEST_F(NADataAccessServerTest, Counts) {
    KX_REQUIRE_PG_SERVER();
    pgtest::CPgSession clServer;
    const long nRows = std::stol(clServer.sValue(std::string("SELECT count(*) FROM ") + TABLE));
    CNADataAccess* pclAccess = pclOpened(L"KX Cache Size=20");
    ASSERT_NE(pclAccess, nullptr);
    const long nPid = nBackendPid(pclAccess);
    long nCount = -1;
    {
        pgsandbox::CStatementLog clLog;
        ASSERT_EQ(pclAccess->bHNbEnr(&nCount, 16, 0), 1) << sError();
        EXPECT_EQ(nCount, nRows);
        const std::vector<std::string> vSent = vSelects(clLog, nPid);
        ASSERT_EQ(vSent.size(), 1u);
        EXPECT_NE(vSent[0].find("COUNT"), std::string::npos) << vSent[0];
    }
    eNA_LOCKTYPE eLockOut{};
    ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_FIRST, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, 0), 1);
    nCount = -1;
    ASSERT_EQ(pclAccess->bHNbEnr(&nCount, 16, 0), 1) << sError();
    EXPECT_EQ(nCount, nRows);
    nCount = -1;
    EXPECT_EQ(pclAccess->bHNbEnr(&nCount, 0, 0), 1);
    EXPECT_EQ(nCount, 0);
    // The empty table.
    CNADataAccess* pclEmpty = pclOpened(L"", L"kx_dataacc_empty");
    ASSERT_NE(pclEmpty, nullptr);
    nCount = -1;
    ASSERT_EQ(pclEmpty->bHNbEnr(&nCount, 16, 0), 1) << sError();
    EXPECT_EQ(nCount, 0);
}

// Places in per mille: the second of three rows is at 667, any place of an empty file is 1; a
// move to a place lands on the row at that fraction of the count (0 the first row, 1000 the
// last), whose place reads back the same.
TEST_F(NADataAccessServerTest, PerMillePlaces) {
    KX_REQUIRE_PG_SERVER();
    eNA_LOCKTYPE eLockOut{};
    const auto eNoLock = static_cast<eNA_LOCKTYPE>(0);
    int nPlace = -7;
    CNADataAccess* pclThree = pclOpened(L"", L"kx_dataacc_three");
    ASSERT_NE(pclThree, nullptr);
    ASSERT_EQ(pclThree->bHLitxxx(L"name", NA_PARSE_FIRST, 1, eNoLock, &eLockOut, 0), 1) << sError();
    ASSERT_EQ(pclThree->bHLitxxx(L"name", NA_PARSE_NEXT, 1, eNoLock, &eLockOut, 0), 1) << sError();
    EXPECT_EQ(sValue(pclThree, L"name"), "B");
    ASSERT_EQ(pclThree->bHPositionCourante(&nPlace, L"name", 0), 1) << sError();
    EXPECT_EQ(nPlace, 667);

    CNADataAccess* pclEmpty = pclOpened(L"", L"kx_dataacc_empty");
    ASSERT_NE(pclEmpty, nullptr);
    ASSERT_EQ(pclEmpty->bHLitxxx(L"name", NA_PARSE_FIRST, 1, eNoLock, &eLockOut, 0), 1) << sError();
    int bOut = 0;
    EXPECT_EQ(pclEmpty->bHEndehors(L"name", &bOut), 1);
    EXPECT_EQ(bOut, 1);
    nPlace = -7;
    ASSERT_EQ(pclEmpty->bHPositionCourante(&nPlace, L"name", 0), 1) << sError();
    EXPECT_EQ(nPlace, 1);

    CNADataAccess* pclAccess = pclOpened(L"KX Cache Size=20");
    ASSERT_NE(pclAccess, nullptr);
    ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_FIRST, 1, eNoLock, &eLockOut, 0), 1) << sError();
    struct stCase {
        unsigned nPlace;
        int nId;
        int nReadBack;
    } astCases[] = {{600, 150, 600}, {0, 1, 4}, {1000, 250, 1000}, {2, 1, 4}, {333, 83, 332}};
    for (const stCase& st : astCases) {
        SCOPED_TRACE(st.nPlace);
        ASSERT_EQ(pclAccess->bHPositionne(L"name", st.nPlace, 0, 0), 1) << sError();
        EXPECT_EQ(sValue(pclAccess, L"name"), sName(st.nId));
        nPlace = -7;
        ASSERT_EQ(pclAccess->bHPositionCourante(&nPlace, L"name", 0), 1) << sError();
        EXPECT_EQ(nPlace, st.nReadBack);
    }
    // A browse goes on from the place it was moved to.
    ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_NEXT, 1, eNoLock, &eLockOut, 0), 1) << sError();
    EXPECT_EQ(sValue(pclAccess, L"name"), sName(84));
    // An item never browsed has no place; a move on it does nothing.
    nPlace = 5;
    EXPECT_EQ(pclAccess->bHPositionCourante(&nPlace, L"city", 0), 0);
    EXPECT_EQ(nPlace, -1);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 7u);
    EXPECT_EQ(pclAccess->bHPositionne(L"city", 500, 0, 0), 1);
    EXPECT_EQ(sValue(pclAccess, L"name"), sName(84));
}

// The errors an opened access raises without asking the server: an item never browsed (user error
// 5), a record number other than 0 (18), the engine's explicit locks (8, not available); each with
// its debug line, the table's name, and nothing sent.
TEST_F(NADataAccessServerTest, ErrorsWithoutTheServer) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclOpened();
    ASSERT_NE(pclAccess, nullptr);
    eNA_LOCKTYPE eLockOut{};
    ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_FIRST, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, 0), 1);
    const long nPid = nBackendPid(pclAccess);
    pgsandbox::CStatementLog clLog;
    struct stCase {
        const char* pszName;
        unsigned nUserError;
        const wchar_t* pszIE;
        eNA_ERRORTYPE eType;
        const wchar_t* pszItem;
        std::function<int(CNADataAccess*)> fn;
    } astCases[] = {
        {"out of the file on an item never browsed", 5, L"IEKXPSQL=3.17\r\n", NA_ERRORTYPE_GENERAL, L"city",
         [](CNADataAccess* p) {
             int bOut = 0;
             return p->bHEndehors(L"city", &bOut);
         }},
        {"found on an item never browsed", 5, L"IEKXPSQL=3.18\r\n", NA_ERRORTYPE_GENERAL, L"city",
         [](CNADataAccess* p) {
             int bFound = 0, bInside = 0;
             return p->bEvalHTrouve(L"city", &bFound, &bInside);
         }},
        {"read of record 3", 18, L"IEKXPSQL=3.14\r\n", NA_ERRORTYPE_GENERAL, L"",
         [](CNADataAccess* p) {
             eNA_LOCKTYPE e{};
             return p->bHLit(3, static_cast<eNA_LOCKTYPE>(0), &e);
         }},
        {"lock of record 3", 8, L"IEKXPSQL=3.7\r\n", NA_ERRORTYPE_NOTAVAILABLE, L"",
         [](CNADataAccess* p) {
             eNA_LOCKTYPE e{};
             return p->bHBloqueNumEnr(3, static_cast<eNA_LOCKTYPE>(2), &e);
         }},
        {"lock of the table", 8, L"IEKXPSQL=3.5\r\n", NA_ERRORTYPE_NOTAVAILABLE, L"",
         [](CNADataAccess* p) {
             eNA_LOCKTYPE e{};
             return p->bHBloqueFichier(static_cast<eNA_LOCKTYPE>(2), &e);
         }},
        {"release of the locks", 8, L"IEKXPSQL=3.11\r\n", NA_ERRORTYPE_NOTAVAILABLE, L"",
         [](CNADataAccess* p) { return p->bHLibere(); }},
        {"strike out", 8, L"IEKXPSQL=3.10\r\n", NA_ERRORTYPE_NOTAVAILABLE, L"",
         [](CNADataAccess* p) { return p->bHRaye(0, static_cast<eNA_LOCKTYPE>(2)); }},
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(st.pszName);
        m_pclError->Reset();
        EXPECT_EQ(st.fn(pclAccess), 0);
        EXPECT_EQ(m_pclError->dwGetErrorId(), st.nUserError);
        EXPECT_EQ(m_pclError->eGetErrorType(), st.eType);
        EXPECT_EQ(wsOf(m_pclError->pszGetLogicalTableName()), L"kx_dataacc_rows");
        EXPECT_EQ(wsOf(m_pclError->pszGetItemName()), st.pszItem);
        const std::wstring wsDebug = wsOf(m_pclError->pclGetXError()->pszGetDebugMessage());
        EXPECT_NE(wsDebug.find(st.pszIE), std::wstring::npos) << std::string(wsDebug.begin(), wsDebug.end());
    }
    EXPECT_TRUE(clLog.Statements(nPid).empty());
    // A browse on an item the table does not have fails before asking the server (the statement
    // cannot sort on it) and is out of the file.
    m_pclError->Reset();
    EXPECT_EQ(pclAccess->bHLitxxx(L"zip", NA_PARSE_FIRST, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, 0), 0);
    int bOut = 0;
    EXPECT_EQ(pclAccess->bHEndehors(L"zip", &bOut), 1);
    EXPECT_EQ(bOut, 1);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 6u) << sError();
    EXPECT_TRUE(clLog.Statements(nPid).empty());
    // The browse itself is untouched.
    EXPECT_EQ(sValue(pclAccess, L"name"), sName(1));
}

// Saved positions: ids unique across two accesses; a return names the item (cut to 254 characters),
// brings the saved record back and the browse goes on from it; without keep the position is gone
// afterwards. Two positions
// of one browse item compare by their rows, of two items by the saved records' unique key.
TEST_F(NADataAccessServerTest, PositionsAndComparisons) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclFirst = pclOpened(L"KX Cache Size=20");
    CNADataAccess* pclSecond = pclOpened(L"KX Cache Size=20");
    ASSERT_NE(pclFirst, nullptr);
    ASSERT_NE(pclSecond, nullptr);
    eNA_LOCKTYPE eLockOut{};
    const auto eNoLock = static_cast<eNA_LOCKTYPE>(0);
    auto Read = [&](CNADataAccess* pcl, const wchar_t* pszItem, eNA_PARSEDIRECTION e, long nSkip = 0) {
        ASSERT_EQ(pcl->bHLitxxx(pszItem, e, 1, eNoLock, &eLockOut, 0), 1) << sError();
        if (nSkip > 0) {
            ASSERT_EQ(pcl->bSkipRecord(pszItem, NA_PARSE_NEXT, nSkip, 1, eNoLock, &eLockOut, 0), 1) << sError();
        }
    };

    // Ids across accesses.
    Read(pclFirst, L"name", NA_PARSE_FIRST, 24);
    Read(pclSecond, L"name", NA_PARSE_FIRST, 4);
    int nOn25 = 0, nOther = 0, nAgain = 0;
    ASSERT_EQ(pclFirst->bHSauvePosition(&nOn25, L"name", 0), 1) << sError();
    ASSERT_EQ(pclSecond->bHSauvePosition(&nOther, L"name", 0), 1) << sError();
    ASSERT_EQ(pclFirst->bHSauvePosition(&nAgain, L"name", 0), 1) << sError();
    EXPECT_EQ(nOther, nOn25 + 1);
    EXPECT_EQ(nAgain, nOther + 1);
    EXPECT_GE(nOn25, 1);

    // Comparisons on one item: the same row, another row.
    int bEqual = 7;
    EXPECT_EQ(pclFirst->bCompareTablePosition(nOn25, nAgain, &bEqual), 1);
    EXPECT_EQ(bEqual, 1);
    Read(pclFirst, L"name", NA_PARSE_NEXT);
    int nOn26 = 0;
    ASSERT_EQ(pclFirst->bHSauvePosition(&nOn26, L"name", 0), 1);
    bEqual = 7;
    EXPECT_EQ(pclFirst->bCompareTablePosition(nOn25, nOn26, &bEqual), 1);
    EXPECT_EQ(bEqual, 0);
    // On two items: the unique key of the saved records decides.
    Read(pclFirst, L"city", NA_PARSE_FIRST);
    while (sValue(pclFirst, L"id") != "25") Read(pclFirst, L"city", NA_PARSE_NEXT);
    int nCity25 = 0;
    ASSERT_EQ(pclFirst->bHSauvePosition(&nCity25, L"city", 0), 1);
    for (int n : {nOn25, nOn26}) {
        bEqual = 7;
        EXPECT_EQ(pclFirst->bCompareTablePosition(n, nCity25, &bEqual), 1);
        EXPECT_EQ(bEqual, n == nOn25 ? 1 : 0) << n;
    }
    // A position of the other access is unknown here: "not equal" written all the same.
    m_pclError->Reset();
    bEqual = 7;
    EXPECT_EQ(pclFirst->bCompareTablePosition(nOn25, nOther, &bEqual), 0);
    EXPECT_EQ(bEqual, 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 11u);
    EXPECT_NE(wsOf(m_pclError->pclGetXError()->pszGetDebugMessage()).find(L"IEKXPSQL=3.19\r\n"), std::wstring::npos);

    // Back to a position: the item named, the saved record brought back; kept, then freed.
    Read(pclFirst, L"name", NA_PARSE_LAST);
    wchar_t szItem[CNADataAccess::ITEM_NAME_CAPACITY];
    ASSERT_EQ(pclFirst->bHRetourPosition(nOn25, szItem, 1, 0), 1) << sError();
    EXPECT_EQ(std::wstring(szItem), L"name");
    EXPECT_EQ(sValue(pclFirst, L"name"), sName(25));
    // The record brought back is the one a read by number reads again, and stays the last read.
    const int nSave = pclFirst->nGetLastReadSave();
    EXPECT_NE(nSave, -1);
    ASSERT_EQ(pclFirst->bHLit(0, eNoLock, &eLockOut), 1) << sError();
    EXPECT_EQ(sValue(pclFirst, L"name"), sName(25));
    EXPECT_EQ(pclFirst->nGetLastReadSave(), nSave);
    // The browse goes on from there.
    Read(pclFirst, L"name", NA_PARSE_NEXT);
    EXPECT_EQ(sValue(pclFirst, L"name"), sName(26));
    ASSERT_EQ(pclFirst->bHRetourPosition(nCity25, szItem, 0, 0), 1) << sError();
    EXPECT_EQ(std::wstring(szItem), L"city");
    EXPECT_EQ(sValue(pclFirst, L"id"), "25");
    m_pclError->Reset();
    EXPECT_EQ(pclFirst->bHRetourPosition(nCity25, szItem, 0, 0), 0);
    EXPECT_EQ(m_pclError->dwGetErrorId(), 11u);
    EXPECT_EQ(pclFirst->bHLiberePosition(nOn26), 1);
    bEqual = 7;
    EXPECT_EQ(pclFirst->bCompareTablePosition(nOn25, nOn26, &bEqual), 0);
    EXPECT_EQ(bEqual, 0);

    // An item name longer than the host's buffer comes back cut, always terminated.
    const std::wstring wsLong(300, L'x');
    int nLong = 0;
    ASSERT_EQ(pclFirst->bHSauvePosition(&nLong, wsLong.c_str(), 0), 1) << sError();
    wchar_t szBuffer[CNADataAccess::ITEM_NAME_CAPACITY + 8];
    std::fill(std::begin(szBuffer), std::end(szBuffer), L'#');
    ASSERT_EQ(pclFirst->bHRetourPosition(nLong, szBuffer, 0, 0), 1) << sError();
    EXPECT_EQ(std::wstring(szBuffer), std::wstring(254, L'x'));
    EXPECT_EQ(szBuffer[CNADataAccess::ITEM_NAME_CAPACITY], L'#');
    // Kept: the first position returned to with keep, and the one never returned to.
    EXPECT_EQ(pclFirst->nGetNbPosition(), 2u);
    EXPECT_EQ(pclFirst->bHFerme(), 1);
    EXPECT_EQ(pclFirst->nGetNbPosition(), 0u);
}

// A read by record number 0 reads the record last read again from the server: a change made by
// another session shows; a record another session deleted leaves the browse out of the file with
// the record marked deleted, the values the host held kept.
TEST_F(NADataAccessServerTest, ReadAgainByRecordNumber) {
    KX_REQUIRE_PG_SERVER();
    pgtest::CPgSession clServer;
    clServer.Run("SET client_min_messages = warning");
    clServer.Run("DROP TABLE IF EXISTS kx_dataacc_reread");
    clServer.Run("CREATE TABLE kx_dataacc_reread (LIKE kx_dataacc_rows)");
    clServer.Run("INSERT INTO kx_dataacc_reread SELECT * FROM kx_dataacc_rows WHERE id <= 3");
    CNADataAccess* pclAccess = pclOpened(L"", L"kx_dataacc_reread");
    ASSERT_NE(pclAccess, nullptr);
    eNA_LOCKTYPE eLockOut{};
    const auto eNoLock = static_cast<eNA_LOCKTYPE>(0);
    ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_FIRST, 1, eNoLock, &eLockOut, 0), 1) << sError();
    ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_NEXT, 1, eNoLock, &eLockOut, 0), 1) << sError();
    ASSERT_EQ(sValue(pclAccess, L"id"), "2");
    const std::string sCity = sValue(pclAccess, L"city");

    clServer.Run("UPDATE kx_dataacc_reread SET city = 'Brest' WHERE id = 2");
    EXPECT_EQ(sValue(pclAccess, L"city"), sCity);
    ASSERT_EQ(pclAccess->bHLit(0, eNoLock, &eLockOut), 1) << sError();
    EXPECT_EQ(sValue(pclAccess, L"id"), "2");
    EXPECT_EQ(sValue(pclAccess, L"city"), "Brest");
    EXPECT_EQ(pclAccess->pclGetCurrentRecordNoRef()->pclGetCurrentRecordValueNoRef()->eGetRecordState(),
              NA_RECORDSTATE_PRESENT);

    clServer.Run("DELETE FROM kx_dataacc_reread WHERE id = 2");
    ASSERT_EQ(pclAccess->bHLit(0, eNoLock, &eLockOut), 1) << sError();
    EXPECT_EQ(sValue(pclAccess, L"city"), "Brest");
    EXPECT_EQ(pclAccess->pclGetCurrentRecordNoRef()->pclGetCurrentRecordValueNoRef()->eGetRecordState(),
              NA_RECORDSTATE_DELETED);
    clServer.Run("DROP TABLE kx_dataacc_reread");
}

// Turning back inside a browse, across the start of the block it stands in: the rows come back in
// order from the one before the current one.
TEST_F(NADataAccessServerTest, TurningBackAcrossABlock) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclOpened(L"KX Cache Size=20");
    ASSERT_NE(pclAccess, nullptr);
    eNA_LOCKTYPE eLockOut{};
    const auto eNoLock = static_cast<eNA_LOCKTYPE>(0);
    ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_FIRST, 1, eNoLock, &eLockOut, 0), 1) << sError();
    for (int i = 2; i <= 45; i++) ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_NEXT, 1, eNoLock, &eLockOut, 0), 1);
    ASSERT_EQ(sValue(pclAccess, L"name"), sName(45));
    for (int i = 44; i >= 15; i--) {
        ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_PREVIOUS, 1, eNoLock, &eLockOut, 0), 1) << sError();
        EXPECT_EQ(sValue(pclAccess, L"name"), sName(i));
    }
    for (int i = 16; i <= 30; i++) {
        ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_NEXT, 1, eNoLock, &eLockOut, 0), 1) << sError();
        EXPECT_EQ(sValue(pclAccess, L"name"), sName(i));
    }
}

// The indexes made after a table is created, from the keys of its description: with the default
// mode a key with duplicates gets "CREATE  INDEX KXIDX<time><counter>", a unique key none; with
// the unique keys asked for too, they get "CREATE UNIQUE INDEX". The server has them afterwards.
TEST_F(NADataAccessServerTest, IndexesAfterCreation) {
    KX_REQUIRE_PG_SERVER();
    pgtest::CPgSession clServer;
    clServer.Run("SET client_min_messages = warning");
    clServer.Run("DROP TABLE IF EXISTS kx_dataacc_index");
    clServer.Run("CREATE TABLE kx_dataacc_index (id integer NOT NULL, code varchar(10), city varchar(20))");
    clServer.Run("CREATE UNIQUE INDEX kx_dataacc_index_code ON kx_dataacc_index (code)");
    clServer.Run("CREATE INDEX kx_dataacc_index_city ON kx_dataacc_index (city)");
    CNADataAccess* pclAccess = this->pclAccess(L"kx_dataacc_index", L"", true);
    ASSERT_NE(pclAccess, nullptr);
    ASSERT_EQ(pclAccess->bHOuvre(static_cast<eNA_ACCESS>(0), L""), 1) << sError();
    // The table as it was before its indexes.
    clServer.Run("DROP INDEX kx_dataacc_index_code");
    clServer.Run("DROP INDEX kx_dataacc_index_city");
    const long nPid = nBackendPid(pclAccess);
    CNAStatement* pclStatement = pclAccess->_pclGetQueryStatement();
    ASSERT_NE(pclStatement, nullptr);
    auto vCreated = [&](uint32_t nMode) {
        pgsandbox::CStatementLog clLog;
        const unsigned nBefore = static_cast<unsigned>(time(nullptr));
        const int nCounter = CNADataAccess::ms_nIndexNameCounter;
        EXPECT_EQ(pclAccess->_bCreateIndex(pclStatement, nMode), 1) << sError();
        const unsigned nAfter = static_cast<unsigned>(time(nullptr));
        std::vector<std::string> v = clLog.Statements(nPid);
        // The time in the names is the creation's: within the call.
        for (std::string& sText : v) {
            const size_t nName = sText.find("KXIDX");
            if (nName == std::string::npos) continue;
            const size_t nEnd = sText.find(' ', nName);
            const std::string sName = sText.substr(nName, nEnd - nName);
            bool bKnown = false;
            for (unsigned nTime = nBefore; nTime <= nAfter && !bKnown; nTime++)
                for (int n = nCounter; n < CNADataAccess::ms_nIndexNameCounter && !bKnown; n++)
                    bKnown = sName == "KXIDX" + std::to_string(nTime) + std::to_string(n);
            EXPECT_TRUE(bKnown) << sName;
            sText.replace(nName, nEnd - nName, "<name>");
        }
        return v;
    };
    EXPECT_EQ(vCreated(CNADataAccess::INDEX_CREATION_MODE),
              std::vector<std::string>{"CREATE  INDEX <name> ON \"kx_dataacc_index\" ( \"city\" ) "});
    EXPECT_EQ(clServer.sValue("SELECT string_agg(indexdef, ';') FROM pg_indexes WHERE tablename = 'kx_dataacc_index'")
                      .find("(city)") != std::string::npos,
              true);
    EXPECT_EQ(vCreated(1),
              std::vector<std::string>{"CREATE UNIQUE INDEX <name> ON \"kx_dataacc_index\" ( \"code\" ) "});
    EXPECT_EQ(clServer.sValue("SELECT count(*) FROM pg_indexes WHERE tablename = 'kx_dataacc_index'"), "2");
    pclStatement->nRelease();
    clServer.Run("DROP TABLE kx_dataacc_index");
}

// A position taken in one block of a browse and returned to after the browse moved blocks away, in
// both directions: the browse stands on the saved record again and goes on from it either way.
TEST_F(NADataAccessServerTest, PositionsAcrossBlocks) {
    KX_REQUIRE_PG_SERVER();
    CNADataAccess* pclAccess = pclOpened(L"KX Cache Size=20");
    ASSERT_NE(pclAccess, nullptr);
    eNA_LOCKTYPE eLockOut{};
    const auto eNoLock = static_cast<eNA_LOCKTYPE>(0);
    ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_FIRST, 1, eNoLock, &eLockOut, 0), 1);
    ASSERT_EQ(pclAccess->bSkipRecord(L"name", NA_PARSE_NEXT, 24, 1, eNoLock, &eLockOut, 0), 1) << sError();
    ASSERT_EQ(sValue(pclAccess, L"name"), sName(25));
    int nPosition = 0;
    ASSERT_EQ(pclAccess->bHSauvePosition(&nPosition, L"name", 0), 1) << sError();
    wchar_t szItem[CNADataAccess::ITEM_NAME_CAPACITY];
    struct stCase {
        const char* pszWhere;
        eNA_PARSEDIRECTION eAway;
        eNA_PARSEDIRECTION eOn;
        int nThen;
    } astCases[] = {
        {"blocks further, then next", NA_PARSE_NEXT, NA_PARSE_NEXT, 26},
        {"blocks further, then previous", NA_PARSE_NEXT, NA_PARSE_PREVIOUS, 24},
        {"from the last block, then next", NA_PARSE_LAST, NA_PARSE_NEXT, 26},
        {"from the last block, then previous", NA_PARSE_LAST, NA_PARSE_PREVIOUS, 24},
    };
    for (const stCase& st : astCases) {
        SCOPED_TRACE(st.pszWhere);
        if (st.eAway == NA_PARSE_LAST)
            ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_LAST, 1, eNoLock, &eLockOut, 0), 1) << sError();
        else
            ASSERT_EQ(pclAccess->bSkipRecord(L"name", NA_PARSE_NEXT, 70, 1, eNoLock, &eLockOut, 0), 1) << sError();
        ASSERT_NE(sValue(pclAccess, L"name"), sName(25));
        ASSERT_EQ(pclAccess->bHRetourPosition(nPosition, szItem, 1, 0), 1) << sError();
        EXPECT_EQ(sValue(pclAccess, L"name"), sName(25));
        ASSERT_EQ(pclAccess->bHLitxxx(L"name", st.eOn, 1, eNoLock, &eLockOut, 0), 1) << sError();
        EXPECT_EQ(sValue(pclAccess, L"name"), sName(st.nThen));
        int nAgain = 0;
        ASSERT_EQ(pclAccess->bHSauvePosition(&nAgain, L"name", 0), 1);
        int bEqual = 7;
        EXPECT_EQ(pclAccess->bCompareTablePosition(nPosition, nAgain, &bEqual), 1);
        EXPECT_EQ(bEqual, 0);
        EXPECT_EQ(pclAccess->bHLiberePosition(nAgain), 1);
    }
}

// Positions that neither their rows nor their saved records tell apart: the hook that would decide
// does not answer, and the host reads "not equal", not what its variable held before.
TEST_F(NADataAccessServerTest, UndecidedComparisonAnswersNotEqual) {
    KX_REQUIRE_PG_SERVER();
    m_clServerDriver.SetAccessMaker(&CBlindPositionAccess::s_pclNew);
    CNADataAccess* pclAccess = pclOpened();
    ASSERT_NE(pclAccess, nullptr);
    eNA_LOCKTYPE eLockOut{};
    ASSERT_EQ(pclAccess->bHLitxxx(L"name", NA_PARSE_FIRST, 1, static_cast<eNA_LOCKTYPE>(0), &eLockOut, 0), 1);
    int nByName = 0, nByCity = 0;
    ASSERT_EQ(pclAccess->bHSauvePosition(&nByName, L"name", 0), 1) << sError();
    ASSERT_EQ(pclAccess->bHSauvePosition(&nByCity, L"city", 0), 1) << sError();
    for (int bInitial : {0, 1, 7}) {
        int bEqual = bInitial;
        EXPECT_EQ(pclAccess->bCompareTablePosition(nByName, nByCity, &bEqual), 1);
        EXPECT_EQ(bEqual, 0) << bInitial;
    }
}

}  // namespace
