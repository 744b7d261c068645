// The driver object as the host sees it: the order of its entries (the host's interface, then the
// driver's own after the destructor pair, which database subclasses override by position), the
// versions it reports and the answers that are fixed.
#include "native/driver/NADriver.h"

#include <gtest/gtest.h>

#include "native/driver/NAError.h"
#include "pgsql/PSQLDriver.h"
#include "tests/core/VirtualSlot.h"
#include "tests/driver/HostCall.h"

namespace {

struct stSlotCase {
    ptrdiff_t nEntry;
    int nSlot;
};

TEST(NADriverTest, InterfaceEntriesInTheHostsOrder) {
    const stSlotCase cases[] = {
        {SlotOf(&INADriver::nGetVersion), 2},
        {SlotOf(&INADriver::nGetCompatSince), 3},
        {SlotOf(&INADriver::nGetNAVersion), 4},
        {SlotOf(&INADriver::nGetNACompatSince), 5},
        {SlotOf(&INADriver::NAVersion_EmptySlot_3), 6},
        {SlotOf(&INADriver::ExternalAddRef), 7},
        {SlotOf(&INADriver::nExternalRelease), 8},
        {SlotOf(&INADriver::piGetInterface), 9},
        {SlotOf(&INADriver::bOpenConnection), 10},
        {SlotOf(&INADriver::bCloseConnection), 11},
        {SlotOf(&INADriver::bCopyContext), 12},
        {SlotOf(&INADriver::piGetLastError), 13},
        {SlotOf(&INADriver::bHMode), 14},
        {SlotOf(&INADriver::piGetTable), 15},
        {SlotOf(&INADriver::bGetTableList), 16},
        {SlotOf(&INADriver::piGetTableDesc), 17},
        {SlotOf(&INADriver::bHExecuteRequeteSQL), 18},
        {SlotOf(&INADriver::bCloseContext), 19},
        {SlotOf(&INADriver::bTransactionBegin), 20},
        {SlotOf(&INADriver::bTransactionCommit), 21},
        {SlotOf(&INADriver::bTransactionRollBack), 22},
        {SlotOf(&INADriver::bSQLBloqueTable), 23},
        {SlotOf(&INADriver::bSQLBloqueRequete), 24},
        {SlotOf(&INADriver::bSQLFormatColonne), 25},
        {SlotOf(&INADriver::bHConnexionDiagnose), 26},
        {SlotOf(&INADriver::bGetProviderList), 27},
        {SlotOf(&INADriver::bTableExists), 28},
        {SlotOf(&INADriver::bGetLinkList), 29},
        {SlotOf(&INADriver::bGetListeSource), 30},
        {SlotOf(&INADriver::bSetQueryParameters), 31},
        {SlotOf(&INADriver::bSetVMAndLibShop), 32},
        {SlotOf(&INADriver::bFiltreAuto), 33},
        {SlotOf(&INADriver::SetNextLogicalName), 34},
        {SlotOf(&INADriver::bHExecuteRequeteSQLEx), 35},
        {SlotOf(&INADriver::bFreeDataSource), 36},
        {SlotOf(&INADriver::bValidConnection), 37},
        {SlotOf(&INADriver::bSetYF), 38},
        {SlotOf(&INADriver::bSupprimeFichier), 39},
        {SlotOf(&INADriver::bGetDatabaseList), 40},
    };
    for (const stSlotCase& c : cases) EXPECT_EQ(c.nEntry, c.nSlot - 2) << "slot " << c.nSlot;
}

TEST(NADriverTest, OwnEntriesFollowTheDestructorPair) {
    const stSlotCase cases[] = {
        {SlotOf(&CNADriver::bSetCharset), 43},
        {SlotOf(&CNADriver::bBuildCnxIdentification), 44},
        {SlotOf(&CNADriver::pclGetDriverSQL), 45},
        {SlotOf(&CNADriver::pclAllocVariant), 46},
        {SlotOf(&CNADriver::pclAllocVariantRowID), 47},
        {SlotOf(&CNADriver::pclAllocDataSourceDescription), 48},
        {SlotOf(&CNADriver::pclAllocContext), 49},
        {SlotOf(&CNADriver::pclAllocDataAccess), 50},
        {SlotOf(&CNADriver::pclAllocStatement), 51},
        {SlotOf(&CNADriver::pclAllocColumn), 52},
        {SlotOf(&CNADriver::pclAllocCommand), 53},
        {SlotOf(&CNADriver::pclAllocError), 54},
        {SlotOf(&CNADriver::pclAllocIDAuto), 55},
        {SlotOf(&CNADriver::_pclGetTableDesc), 56},
        {SlotOf(&CNADriver::pclAllocParameter), 57},
        {SlotOf(&CNADriver::CancelRecordLock), 58},
        {SlotOf(&CNADriver::pclAllocItemDescription), 59},
        {SlotOf(&CNADriver::OnFatalErrorAddDebugMessage), 60},
        {SlotOf(&CNADriver::_pclAllocConnectionDescription), 61},
        {SlotOf(&CNADriver::_pclAllocTable), 62},
        {SlotOf(&CNADriver::_pclAllocDriverSQL), 63},
        {SlotOf(&CNADriver::_bGetDatabaseList), 64},
        {SlotOf(&CNADriver::_bGetTableList), 65},
        {SlotOf(&CNADriver::_bTableExists), 66},
        {SlotOf(&CNADriver::_bGetLinkList), 67},
        {SlotOf(&CNADriver::_BeforeDeath), 68},
    };
    for (const stSlotCase& c : cases) EXPECT_EQ(c.nEntry, c.nSlot - 2) << "slot " << c.nSlot;
    // The PostgreSQL driver overrides in place.
    EXPECT_EQ(SlotOf(&CPSQLDriver::pclAllocStatement), 51 - 2);
    EXPECT_EQ(SlotOf(&CPSQLDriver::_pclAllocConnectionDescription), 61 - 2);
}

TEST(NADriverTest, VersionsAndFixedAnswersThroughTheTable) {
    auto* pclDriver = new CPSQLDriver;
    pclDriver->ExternalAddRef();
    ASSERT_TRUE(pclDriver->AllocError());
    const void* p = static_cast<INADriver*>(pclDriver);
    EXPECT_EQ(HostCall<int>(p, 2), 18);
    EXPECT_EQ(HostCall<int>(p, 3), 17);
    EXPECT_EQ(HostCall<int>(p, 4), -1);
    EXPECT_EQ(HostCall<int>(p, 5), -1);
    HostCall<void>(p, 6);
    EXPECT_EQ(HostCall<INAError*>(p, 13), pclDriver->pclGetError());
    EXPECT_EQ(HostCall<int>(p, 12, nullptr, nullptr, nullptr, 0u), 0);  // copying contexts is not offered
    EXPECT_EQ(HostCall<int>(p, 31, nullptr, nullptr, nullptr), 1);
    EXPECT_EQ(HostCall<int>(p, 32, reinterpret_cast<ILibShop*>(0x10), reinterpret_cast<IVMData*>(0x20)), 1);
    EXPECT_EQ(HostCall<int>(p, 37, nullptr), 1);
    EXPECT_EQ(HostCall<int>(p, 38, reinterpret_cast<IYFForNA*>(0x30)), 1);
    EXPECT_EQ(HostCall<int>(p, 43, 0u, nullptr), 1);
    // None of these touched the error object.
    EXPECT_EQ(pclDriver->pclGetError()->eGetErrorType(), NA_ERRORTYPE_NONE);

    // A new error object replaces the old one, which the driver releases.
    CNAError* pclOld = pclDriver->pclGetError();
    pclOld->AddRef();
    ASSERT_TRUE(pclDriver->AllocError());
    EXPECT_NE(pclDriver->pclGetError(), pclOld);
    EXPECT_EQ(pclOld->nRelease(), 0u);

    EXPECT_EQ(HostCall<int>(p, 8), 0);  // the last external release deletes it
}

TEST(NADriverTest, ReleaseWithoutReferenceDoesNothing) {
    CPSQLDriver clDriver;
    EXPECT_EQ(clDriver.nExternalRelease(), 0);
    EXPECT_EQ(clDriver.nGetExternalRef(), 0u);
}

}  // namespace
