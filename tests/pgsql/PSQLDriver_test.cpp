// The PostgreSQL driver object: the connections it makes and its block size.
#include <gtest/gtest.h>

#include "pgsql/PSQLDriver.h"
#include "tests/pgsql/PSQLTestSupport.h"

using namespace pgtest;

namespace {

// The driver object makes PostgreSQL connections and fetches a hundred rows per block.
TEST(PSQLDriverTest, MakesPostgreSQLConnections) {
    CPSQLDriver clDriver;
    EXPECT_EQ(clDriver.llGetDefaultBlockRowCount(), 100);
    standin::CStandInConnectionDescription clHost;
    CNAConnectionDescription* pcl = clDriver._pclAllocConnectionDescription(L"Connection=a", &clHost);
    ASSERT_NE(pcl, nullptr);
    auto* pclPSQL = dynamic_cast<CPSQLConnection*>(pcl);
    ASSERT_NE(pclPSQL, nullptr);
    EXPECT_EQ(pcl->nGetRef(), 0u);
    EXPECT_EQ(clHost.nGetExternalRefs(), 1);
    EXPECT_EQ(pcl->eGetDataSource(), DATASOURCE_POSTGRESQL);
    EXPECT_EQ(wsOrEmpty(pcl->pszGetIdentification()), L"Connection=a");
    EXPECT_EQ(pcl->bIsOpen(), 0);
    EXPECT_EQ(pclPSQL->pstGetPGConn(), nullptr);
    EXPECT_EQ(pclPSQL->nGetServerVersion(), 0u);
    EXPECT_EQ(pcl->bGetServerUnicode(), 1u);
    // Names go between double quotes.
    CErrorRef clError;
    CTString clName;
    ASSERT_EQ(pcl->bFormatItemName(clError.p(), L"name", &clName), 1);
    EXPECT_EQ(wsOrEmpty(clName.pszGet()), L"\"name\"");
    pcl->AddRef();
    pcl->nRelease();
    EXPECT_EQ(clHost.nGetExternalRefs(), 0);
}

}  // namespace
