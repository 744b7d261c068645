// The driver library's own four entries as the host calls them: found by name in the built
// library loaded with dlopen, the driver object and its error object reached only through their
// virtual tables by slot number.
#include <gtest/gtest.h>

#include <cstdint>

#include "tests/driver/DriverLibrary.h"
#include "tests/driver/HostCall.h"

namespace {

typedef int (*PFNDLLCOMPATIBLE)(int, unsigned, unsigned*);
typedef int (*PFNINITLIBRARY)(void*);
typedef int (*PFNTERMLIBRARY)();
typedef void* (*PFNQUERYINTERFACE)(int);

// INADriver slots.
enum {
    DRIVER_VERSION = 2,
    DRIVER_COMPAT = 3,
    DRIVER_NAVERSION = 4,
    DRIVER_NACOMPAT = 5,
    DRIVER_ADDREF = 7,
    DRIVER_RELEASE = 8,
    DRIVER_LASTERROR = 13
};
// INAError slots.
enum {
    ERROR_VERSION = 2,
    ERROR_COMPAT = 3,
    ERROR_TEXT = 7,
    ERROR_ID = 8,
    ERROR_TYPE = 9,
    ERROR_TABLE = 10,
    ERROR_ITEM = 11,
    ERROR_XERROR = 12,
    ERROR_LEVEL = 13
};

class DriverExportsTest : public CDriverLibraryTest {
protected:
    void SetUp() override {
        m_pfnCompatible = pfnFind<PFNDLLCOMPATIBLE>("bDLLCompatible");
        m_pfnInit = pfnFind<PFNINITLIBRARY>("bInitLibrary");
        m_pfnTerm = pfnFind<PFNTERMLIBRARY>("TermLibrary");
        m_pfnQuery = pfnFind<PFNQUERYINTERFACE>("piQueryInterface");
        ASSERT_NE(m_pfnCompatible, nullptr);
        ASSERT_NE(m_pfnInit, nullptr);
        ASSERT_NE(m_pfnTerm, nullptr);
        ASSERT_NE(m_pfnQuery, nullptr);
    }
    void TearDown() override {
        if (m_pfnTerm != nullptr) m_pfnTerm();
    }

    PFNDLLCOMPATIBLE m_pfnCompatible = nullptr;
    PFNINITLIBRARY m_pfnInit = nullptr;
    PFNTERMLIBRARY m_pfnTerm = nullptr;
    PFNQUERYINTERFACE m_pfnQuery = nullptr;
};

TEST_F(DriverExportsTest, Handshake) {
    struct Case {
        int nModule;
        unsigned nHostVersion;
        int nResult;
        unsigned nVersionWritten;  // 12345: untouched
    } cases[] = {
        {7, 32, 1, 32},    {7, 31, 0, 32},     {7, 0x80000000u, 1, 32}, {7, 0, 0, 32},
        {28, 32, 1, 32},   {28, 31, 0, 32},    {28, 1000, 1, 32},       {5, 40, 0, 12345},
        {0, 40, 0, 12345}, {27, 40, 0, 12345}, {29, 40, 0, 12345},      {-1, 40, 0, 12345},
    };
    for (const Case& c : cases) {
        unsigned nVersion = 12345;
        EXPECT_EQ(m_pfnCompatible(c.nModule, c.nHostVersion, &nVersion), c.nResult)
            << c.nModule << " " << c.nHostVersion;
        EXPECT_EQ(nVersion, c.nVersionWritten) << c.nModule << " " << c.nHostVersion;
    }
}

TEST_F(DriverExportsTest, StartAndStopAlwaysAnswerOne) {
    void* hModule = s_hDriver;
    EXPECT_EQ(m_pfnInit(hModule), 1);
    EXPECT_EQ(m_pfnInit(hModule), 1);
    EXPECT_EQ(m_pfnTerm(), 1);
    EXPECT_EQ(m_pfnTerm(), 1);
    // Started again after the stop, the driver works as before.
    EXPECT_EQ(m_pfnInit(hModule), 1);
    void* piDriver = m_pfnQuery(0);
    ASSERT_NE(piDriver, nullptr);
    EXPECT_EQ(HostCall<int>(piDriver, DRIVER_VERSION), 18);
    EXPECT_EQ(HostCall<int>(piDriver, DRIVER_RELEASE), 0);
}

TEST_F(DriverExportsTest, DriverObjectAndItsEmptyErrorObject) {
    ASSERT_EQ(m_pfnInit(s_hDriver), 1);
    void* piFirst = m_pfnQuery(0);
    void* piSecond = m_pfnQuery(0);
    ASSERT_NE(piFirst, nullptr);
    ASSERT_NE(piSecond, nullptr);
    EXPECT_NE(piFirst, piSecond);

    for (void* pi : {piFirst, piSecond}) {
        EXPECT_EQ(HostCall<int>(pi, DRIVER_VERSION), 18);
        EXPECT_EQ(HostCall<int>(pi, DRIVER_COMPAT), 17);
        EXPECT_EQ(HostCall<int>(pi, DRIVER_NAVERSION), -1);
        EXPECT_EQ(HostCall<int>(pi, DRIVER_NACOMPAT), -1);

        void* piError = HostCall<void*>(pi, DRIVER_LASTERROR);
        ASSERT_NE(piError, nullptr);
        EXPECT_EQ(HostCall<int>(piError, ERROR_VERSION), 1);
        EXPECT_EQ(HostCall<int>(piError, ERROR_COMPAT), 1);
        EXPECT_EQ(HostCall<uint32_t>(piError, ERROR_ID), 0u);
        EXPECT_EQ(HostCall<int32_t>(piError, ERROR_TYPE), -1);
        EXPECT_EQ(HostCall<const wchar_t*>(piError, ERROR_TABLE), nullptr);
        EXPECT_EQ(HostCall<const wchar_t*>(piError, ERROR_ITEM), nullptr);
        EXPECT_NE(HostCall<void*>(piError, ERROR_XERROR), nullptr);
        EXPECT_EQ(HostCall<uint32_t>(piError, ERROR_LEVEL), 1u);
        EXPECT_NE(HostCall<const wchar_t*>(piError, ERROR_TEXT), nullptr);
    }
    // Each driver object has its own error object.
    EXPECT_NE(HostCall<void*>(piFirst, DRIVER_LASTERROR), HostCall<void*>(piSecond, DRIVER_LASTERROR));

    // The host holds one reference on each; one more and the object survives one release.
    HostCall<void>(piFirst, DRIVER_ADDREF);
    EXPECT_EQ(HostCall<int>(piFirst, DRIVER_RELEASE), 1);
    EXPECT_EQ(HostCall<int>(piFirst, DRIVER_RELEASE), 0);
    EXPECT_EQ(HostCall<int>(piSecond, DRIVER_RELEASE), 0);
}

TEST_F(DriverExportsTest, StopLeavesHeldDriverObjectsAlive) {
    ASSERT_EQ(m_pfnInit(s_hDriver), 1);
    void* piDriver = m_pfnQuery(0);
    ASSERT_NE(piDriver, nullptr);
    EXPECT_EQ(m_pfnTerm(), 1);
    void* piError = HostCall<void*>(piDriver, DRIVER_LASTERROR);
    ASSERT_NE(piError, nullptr);
    EXPECT_EQ(HostCall<int32_t>(piError, ERROR_TYPE), -1);
    EXPECT_EQ(HostCall<int>(piDriver, DRIVER_RELEASE), 0);
}

}  // namespace
