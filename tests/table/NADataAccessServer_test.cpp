// The data access on the test server, made by the driver object over the description it reads
// from the catalogue: opening (once per access, the catalogue asked once), a table that is not
// there, and the size of the blocks a browse asks the server for.
#include <gtest/gtest.h>

#include <cwchar>
#include <string>
#include <vector>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"
#include "native/statement/NAStatement.h"
#include "native/table/NADataAccess.h"
#include "pgsql/PSQLDriver.h"
#include "tests/host/PgSandbox.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "tests/pgsql/DirectServer.h"
#include "variant/VQConv.h"

namespace {

const char* const TABLE = "kx_dataacc_rows";

std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}
std::wstring wsOf(const wchar_t* psz) {
    return psz != nullptr ? std::wstring(psz) : std::wstring();
}

class NADataAccessServerTest : public testing::Test {
protected:
    // 250 rows: id 1 to 250, name "Name0001" to "Name0250", five cities in turn, a score.
    static void SetUpTestSuite() {
        std::string sReason;
        if (!pgsandbox::bServerAvailable(&sReason)) return;
        pgtest::CDirectServer clServer;
        clServer.Run("SELECT pg_advisory_lock(727275)");
        if (clServer.sValue(std::string("SELECT count(*) FROM pg_class WHERE relname = '") + TABLE + "'") == "0") {
            clServer.Run(std::string("CREATE TABLE ") + TABLE +
                         " (id serial PRIMARY KEY, name varchar(30) NOT NULL, city varchar(20), score float8)");
            clServer.Run(std::string("INSERT INTO ") + TABLE +
                         " (name, city, score) SELECT 'Name' || lpad(i::text, 4, '0'), "
                         "(ARRAY['Lyon','Nice','Metz','Caen','Dijon'])[1 + i % 5], i * 1.5 "
                         "FROM generate_series(1, 250) AS i");
        }
        clServer.Run("SELECT pg_advisory_unlock(727275)");
    }

    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        m_pclDriver = new CPSQLDriver;
        m_pclDriver->_RegisterAsLiveDriver();
        m_pclDriver->ExternalAddRef();
        m_pclDriver->AllocError();
        m_pclError = new CNAError;
        m_pclError->AddRef();
    }
    void TearDown() override {
        for (CNADataAccess* pcl : m_apclAccess) pcl->nRelease();
        for (INADataSourceDescription* pi : m_apiDescription) pi->nExternalRelease();
        for (CNAConnectionDescription* pcl : m_apclCnx) m_pclDriver->nReleaseConnection(pcl);
        m_pclError->nRelease();
        m_pclDriver->nExternalRelease();
        for (standin::CStandInConnectionDescription* pcl : m_apclHost) delete pcl;
        CVQConv::s_Reset();
    }

    // An access over a table of the server, on a connection whose extended information ends with
    // the text given ("KX Cache Size=20;" ...); null with a test failure when it cannot be made.
    CNADataAccess* pclAccess(const wchar_t* pszTable, const std::wstring& wsOptions = L"") {
        auto* pclHost = new standin::CStandInConnectionDescription;
        m_apclHost.push_back(pclHost);
        pclHost->m_sConnectionName = L"DACNX";
        pclHost->m_sDataBase = wsOf(pgsandbox::sEnv("PGHOST"));
        pclHost->m_sUserName = wsOf(pgsandbox::sEnv("PGUSER"));
        pclHost->m_sExtendedInfo = L"Server Port=" + wsOf(pgsandbox::sEnv("PGPORT")) + L";Initial Catalog=" +
                                   wsOf(pgsandbox::sEnv("PGDATABASE")) + L";" + wsOptions;
        CNAConnectionDescription* pclCnx = m_pclDriver->_pclGetConnection(pclHost);
        if (pclCnx == nullptr) {
            ADD_FAILURE() << "no connection";
            return nullptr;
        }
        m_apclCnx.push_back(pclCnx);
        INADataSourceDescription* piDescription = m_pclDriver->piGetTableDesc(L"kx_dataacc_rows", pclHost);
        if (piDescription == nullptr) {
            ADD_FAILURE() << "no description of the fixture table";
            return nullptr;
        }
        m_apiDescription.push_back(piDescription);
        if (wcscmp(pszTable, L"kx_dataacc_rows") != 0) {
            // A description of the host naming a table the server does not have.
            auto* pclOther =
                static_cast<CNADataSourceDescription*>(piDescription)->pclGetCloneDataSourceDescription(CLONEDESC_NONE);
            if (pclOther == nullptr) return nullptr;
            pclOther->ExternalAddRef();
            pclOther->SetLogicalName(pszTable);
            pclOther->SetDBName(pszTable);
            m_apiDescription.push_back(pclOther);
            piDescription = pclOther;
        }
        CNADataAccess* pclAccess = m_pclDriver->pclAllocDataAccess(piDescription, pclCnx, m_pclError);
        if (pclAccess == nullptr) return nullptr;
        pclAccess->AddRef();
        m_apclAccess.push_back(pclAccess);
        return pclAccess;
    }

    std::string sError() const {
        const std::wstring ws = wsOf(m_pclError->pszGetError());
        return std::string(ws.begin(), ws.end());
    }

    long nBackendPid(CNADataAccess* pclAccess) {
        CTString clPid;
        pclAccess->pclGetConnectionNoRef()->bGetRequestedValueString(m_pclError, &clPid, 0, L"SELECT pg_backend_pid()");
        return clPid.pszGet() != nullptr ? std::stol(std::wstring(clPid.pszGet())) : 0;
    }

    CPSQLDriver* m_pclDriver = nullptr;
    CNAError* m_pclError = nullptr;
    std::vector<standin::CStandInConnectionDescription*> m_apclHost;
    std::vector<CNAConnectionDescription*> m_apclCnx;
    std::vector<INADataSourceDescription*> m_apiDescription;
    std::vector<CNADataAccess*> m_apclAccess;
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

}  // namespace
