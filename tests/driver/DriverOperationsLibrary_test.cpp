// The driver object's operations through the built library as the host meets them: loaded with
// dlopen, started, the driver object from piQueryInterface reached only through its virtual
// table, with the stand-in host's connection descriptions and contexts. Only what needs no server
// connection: closing a connection never opened, lock modes with no table, contexts, the SQL
// lock of an unknown connection, and the interfaces offered.
#include <gtest/gtest.h>

#include <string>

#include "core/BaseExecutionDLL.h"
#include "core/HostInterfaces.h"
#include "tests/driver/DriverLibrary.h"
#include "tests/driver/HostCall.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInContext.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

typedef int (*PFNINITLIBRARY)(void*);
typedef int (*PFNTERMLIBRARY)();
typedef void* (*PFNQUERYINTERFACE)(int);
typedef intptr_t (*PFNEXECUTION)(uint32_t, intptr_t);

// INADriver slots.
enum : int {
    SLOT_RELEASE = 8,
    SLOT_GETINTERFACE = 9,
    SLOT_CLOSECONNECTION = 11,
    SLOT_LASTERROR = 13,
    SLOT_HMODE = 14,
    SLOT_CLOSECONTEXT = 19,
    SLOT_SQLBLOQUETABLE = 23,
    SLOT_GETPROVIDERLIST = 27,
    SLOT_FILTREAUTO = 33,
    SLOT_SETNEXTLOGICALNAME = 34,
};
// INAError slots.
enum : int { ERROR_TEXT = 7, ERROR_ID = 8, ERROR_TYPE = 9, ERROR_TABLE = 10, ERROR_ITEM = 11, ERROR_LEVEL = 13 };

size_t nCount(const std::wstring& s, const std::wstring& sPart) {
    size_t n = 0;
    for (size_t i = s.find(sPart); i != std::wstring::npos; i = s.find(sPart, i + 1)) n++;
    return n;
}

class DriverOperationsLibraryTest : public CDriverLibraryTest {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        auto pfnInit = pfnFind<PFNINITLIBRARY>("bInitLibrary");
        auto pfnQuery = pfnFind<PFNQUERYINTERFACE>("piQueryInterface");
        m_pfnExecution = pfnFind<PFNEXECUTION>("Execution");
        ASSERT_NE(pfnInit, nullptr);
        ASSERT_NE(pfnQuery, nullptr);
        ASSERT_NE(m_pfnExecution, nullptr);
        ASSERT_EQ(pfnInit(reinterpret_cast<void*>(0x1000)), 1);
        _stINITDLL stRecord{sizeof(_stINITDLL), static_cast<HINSTANCE>(standin::hGetModule()), 5, 6, nullptr};
        ASSERT_EQ(m_pfnExecution(EXECUTION_START, reinterpret_cast<intptr_t>(&stRecord)), 1);
        m_pDriver = pfnQuery(0);
        ASSERT_NE(m_pDriver, nullptr);
        m_clHost.m_sConnectionName = L"CNX1";
    }
    void TearDown() override {
        if (m_pDriver != nullptr) {
            EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_RELEASE), 0);
        }
        EXPECT_EQ(m_clHost.nGetExternalRefs(), 0);
        if (m_pfnExecution != nullptr) m_pfnExecution(EXECUTION_END, 0);
        auto pfnTerm = pfnFind<PFNTERMLIBRARY>("TermLibrary");
        if (pfnTerm != nullptr) pfnTerm();
    }

    const void* piError() { return HostCall<const void*>(m_pDriver, SLOT_LASTERROR); }

    PFNEXECUTION m_pfnExecution = nullptr;
    void* m_pDriver = nullptr;
    standin::CStandInConnectionDescription m_clHost;
};

TEST_F(DriverOperationsLibraryTest, OperationsThatNeedNoServer) {
    INAConnectionDescription* piHost = &m_clHost;
    standin::CStandInContext clContext;
    INAContext* piContext = &clContext;

    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_CLOSECONNECTION, piHost), 1);
    // Closing what was never opened holds nothing of the host's.
    EXPECT_EQ(m_clHost.nGetCalls(standin::CStandInConnectionDescription::POS_EXTERNALADDREF), 0);
    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_HMODE, piContext, 1u), 1);
    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_CLOSECONTEXT, piContext), 0);
    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_SETNEXTLOGICALNAME, piContext, L"ORDERS"), 1);
    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_CLOSECONTEXT, piContext), 1);
    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_CLOSECONTEXT, piContext), 0);
    EXPECT_EQ(HostCall<void*>(m_pDriver, SLOT_GETINTERFACE, 2), nullptr);

    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_SQLBLOQUETABLE, piHost, L"ORDERS"), 0);
    EXPECT_EQ(HostCall<uint32_t>(piError(), ERROR_ID), 14u);
    std::wstring sError = HostCall<const wchar_t*>(piError(), ERROR_TEXT);
    EXPECT_NE(sError.find(L"CNX1"), std::wstring::npos) << sError;
    EXPECT_NE(sError.find(L"IEKXPSQL=5.1\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>"), std::wstring::npos) << sError;
}

// The error object the host reads after failures, slot by slot: the first failure is the main
// error (its code, kind and level), later ones follow it in the dump as sub-errors, each with its
// own debug line; an entry that resets the object empties it.
TEST_F(DriverOperationsLibraryTest, ErrorObjectReadThroughItsSlots) {
    INAConnectionDescription* piHost = &m_clHost;
    standin::CStandInContext clContext;
    void* const pNull = nullptr;
    const std::wstring sLine51 = L"IEKXPSQL=5.1\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>";
    const std::wstring sLine56 = L"IEKXPSQL=5.6\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>";

    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_SQLBLOQUETABLE, piHost, L"ORDERS"), 0);
    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_GETPROVIDERLIST, pNull), 0);
    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_GETPROVIDERLIST, pNull), 0);
    EXPECT_EQ(HostCall<uint32_t>(piError(), ERROR_ID), 14u);
    EXPECT_EQ(HostCall<int32_t>(piError(), ERROR_TYPE), 0);
    EXPECT_EQ(HostCall<uint32_t>(piError(), ERROR_LEVEL), 3u);
    std::wstring sDump = HostCall<const wchar_t*>(piError(), ERROR_TEXT);
    EXPECT_EQ(nCount(sDump, sLine51), 1u) << sDump;
    EXPECT_EQ(nCount(sDump, sLine56), 2u) << sDump;
    EXPECT_LT(sDump.find(sLine51), sDump.find(sLine56)) << sDump;

    // A resetting entry first: the refusal is the main error, with its kind and the table named.
    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_CLOSECONNECTION, piHost), 1);
    EXPECT_EQ(HostCall<uint32_t>(piError(), ERROR_ID), 0u);
    EXPECT_EQ(HostCall<int32_t>(piError(), ERROR_TYPE), -1);
    EXPECT_EQ(HostCall<uint32_t>(piError(), ERROR_LEVEL), 1u);
    EXPECT_EQ(HostCall<int>(m_pDriver, SLOT_FILTREAUTO, static_cast<INAContext*>(&clContext), piHost, 0, L"ORDERS",
                            pNull, L"x", pNull),
              0);
    EXPECT_EQ(HostCall<uint32_t>(piError(), ERROR_ID), 8u);
    EXPECT_EQ(HostCall<int32_t>(piError(), ERROR_TYPE), 7);
    EXPECT_EQ(HostCall<uint32_t>(piError(), ERROR_LEVEL), 3u);
    EXPECT_STREQ(HostCall<const wchar_t*>(piError(), ERROR_TABLE), L"ORDERS");
    EXPECT_EQ(HostCall<const wchar_t*>(piError(), ERROR_ITEM), nullptr);
    sDump = HostCall<const wchar_t*>(piError(), ERROR_TEXT);
    EXPECT_EQ(nCount(sDump, L"IEKXPSQL="), 1u) << sDump;
    EXPECT_NE(sDump.find(L"IEKXPSQL=5.7\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>"), std::wstring::npos) << sDump;
}

}  // namespace
