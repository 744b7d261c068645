// The guard around client-library calls: a missing function and any other fault, as the errors
// the host reads, with each call site's debug line; and where a fault goes when its caller has no
// error object.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

#include "native/driver/NADriver.h"
#include "pgsql/PSQLDriver.h"
#include "pgsql/PSQLGuard.h"
#include "tests/pgsql/PSQLTestSupport.h"

using namespace pgtest;

namespace {

TEST(PSQLGuardTest, CallThatReturnsKeepsItsResult) {
    CErrorRef clError;
    int nResult = 0;
    EXPECT_EQ(g_bPSQLCall(clError.p(), 101, 3, [&] { nResult = 150004; }), 1);
    EXPECT_EQ(nResult, 150004);
    EXPECT_EQ(nErrorCount(clError.p()), 0);
}

TEST(PSQLGuardTest, FaultsBecomeErrors) {
    const struct {
        const char* pszName;
        void (*pfnThrow)();
        uint32_t nCode;
        const wchar_t* pszUser;
    } tabCases[] = {
        {"missing function", [] { throw CTString(L"PQserverVersion"); }, 37,
         L"The function PQserverVersion of the client library is not available."},
        {"exception of the library", [] { throw std::runtime_error("boom"); }, 23,
         L"An unexpected fault occurred in the PostgreSQL client library."},
        {"anything thrown", [] { throw 42; }, 23, L"An unexpected fault occurred in the PostgreSQL client library."},
    };
    for (const auto& stCase : tabCases) {
        SCOPED_TRACE(stCase.pszName);
        CErrorRef clError;
        EXPECT_EQ(g_bPSQLCall(clError.p(), 100, 16, stCase.pfnThrow), 0);
        EXPECT_EQ(nErrorCount(clError.p()), 1);
        EXPECT_EQ(clError->eGetErrorType(), NA_ERRORTYPE_GENERAL);
        EXPECT_EQ(clError->dwGetErrorId(), stCase.nCode);
        stError st = stGetError(clError.p());
        EXPECT_EQ(st.nInfoCode, stCase.nCode);
        EXPECT_TRUE(bContains(st.sUser, stCase.pszUser)) << sOf(st.sUser.c_str());
        EXPECT_EQ(st.sDebug, wsDebugLine(100, 16));

        // A second fault follows as a sub-error with its own site.
        EXPECT_EQ(g_bPSQLCall(clError.p(), 101, 4, stCase.pfnThrow), 0);
        EXPECT_EQ(nErrorCount(clError.p()), 2);
        EXPECT_EQ(stGetError(clError.p(), 0).sDebug, wsDebugLine(101, 4));
    }
}

// Without the caller's error object a missing function is dropped, while a fault of the library
// goes to the driver object's own error object and raises the driver's fault flag.
TEST(PSQLGuardTest, FaultWithoutErrorObjectGoesToTheDriver) {
    CPSQLDriver clDriver;
    ASSERT_TRUE(clDriver.AllocError());
    CNADriver* pclPrevious = CNADriver::s_pclDriver;
    CNADriver::s_pclDriver = &clDriver;
    CNADriver::s_bGPFCatched = 0;

    EXPECT_EQ(g_bPSQLCall(nullptr, 101, 2, [] { throw CTString(L"PQfinish"); }), 0);
    EXPECT_EQ(nErrorCount(clDriver.pclGetError()), 0);
    EXPECT_EQ(CNADriver::s_bGPFCatched, 0);

    EXPECT_EQ(g_bPSQLCall(nullptr, 101, 2, [] { throw std::runtime_error("boom"); }), 0);
    EXPECT_EQ(clDriver.pclGetError()->dwGetErrorId(), 23u);
    EXPECT_EQ(stGetError(clDriver.pclGetError()).sDebug, wsDebugLine(101, 2));
    EXPECT_EQ(CNADriver::s_bGPFCatched, 1);

    // With no driver either, the fault is dropped.
    CNADriver::s_pclDriver = nullptr;
    EXPECT_EQ(g_bPSQLCall(nullptr, 101, 2, [] { throw std::runtime_error("boom"); }), 0);

    CNADriver::s_pclDriver = pclPrevious;
    CNADriver::s_bGPFCatched = 0;
}

}  // namespace
