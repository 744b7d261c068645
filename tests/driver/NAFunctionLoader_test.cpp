// The client-library loader: where it looks for the library, what it binds, what it leaves on the
// stubs, and that the bound functions talk to a real server. The fake libraries and the probe (a
// shared object carrying the loader as the driver library does) are built by
// tests/driver/FakeClientLibraries.cmake.
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include "native/driver/NAError.h"
#include "native/driver/NAExports.h"
#include "native/driver/NAFunctionLoader.h"
#include "native/driver/NAFunctionTable.h"
#include "tests/support/PgSandbox.h"
#include "tests/support/StatementLog.h"

namespace {

std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}
std::string sOf(const wchar_t* psz) {
    std::string s;
    for (; psz != nullptr && *psz != 0; psz++) s += static_cast<char>(*psz);
    return s;
}

const std::string s_sFakeDir = KX_FAKEPQ_DIR;
const std::string s_sNoVersion = s_sFakeDir + "/libkxfakepq_noversion.so";
const std::string s_sNoFname = s_sFakeDir + "/libkxfakepq_nofname.so";

// How many entries hold their stub, and the name a call through an entry throws.
int nEntriesOnStub() {
    int n = 0;
#define KX_COUNT_STUB(name, optional) n += __##name == &DefaultError_##name ? 1 : 0;
    KX_PQ_ENTRIES(KX_COUNT_STUB)
#undef KX_COUNT_STUB
    return n;
}
template <class F>
std::string sThrownName(F fnCall) {
    try {
        fnCall();
    } catch (const CTString& cl) {
        return sOf(cl.pszGet());
    }
    return "(nothing thrown)";
}

std::wstring wsDebugLine(int nSite) {
    return L"IEKXPSQL=9." + std::to_wstring(nSite) + L"\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>";
}

// A 32-bit information item travels in the pointer itself.
uint32_t dwInfo(const CXError* pclError, CXError::eERRORINFOTYPE eType) {
    const void* p = nullptr;
    if (!pclError->bGetInfo(eType, &p)) return 0xFFFFFFFF;
    uint32_t dw;
    memcpy(&dw, &p, sizeof(dw));
    return dw;
}

class CNAFunctionLoaderTest : public testing::Test {
protected:
    void SetUp() override { CNAFunctionLoader::g_Term(); }
    void TearDown() override { CNAFunctionLoader::g_Term(); }

    // Every load reports into a fresh error object.
    int bLoad(const std::string& sName) {
        m_clLoaded.Vide();
        m_clError.Reset();
        std::wstring ws = wsOf(sName);
        return CNAFunctionLoader::g_bInitNative(&m_clError, &m_clLoaded, sName.empty() ? nullptr : ws.c_str(), 0);
    }
    // The one error a failed load reports.
    void ExpectError(uint32_t nCode, int nSite, const std::wstring& sInMessage) {
        EXPECT_EQ(m_clError.dwGetErrorId(), nCode);
        EXPECT_EQ(m_clError.eGetErrorType(), NA_ERRORTYPE_GENERAL);
        const CXError* pclError = m_clError.pclGetXError();
        EXPECT_EQ(pclError->nGetNbSubError(), 0);
        EXPECT_NE(std::wstring(pclError->pszGetUserMessage()).find(sInMessage), std::wstring::npos)
            << sOf(pclError->pszGetUserMessage());
        EXPECT_NE(std::wstring(pclError->pszGetDebugMessage()).find(wsDebugLine(nSite)), std::wstring::npos);
        EXPECT_EQ(dwInfo(pclError, CXError::EIT_NATIVECODE), nCode);
        EXPECT_FALSE(pclError->bHasInfo(CXError::EIT_LOGICALTABLENAME));
    }
    // The loaded path names the same file as sExpected (a link to it counts as the same).
    void ExpectLoaded(const std::string& sExpected) {
        std::string sLoaded = sOf(m_clLoaded.pszGet());
        ASSERT_FALSE(sLoaded.empty());
        EXPECT_EQ(sLoaded[0], '/') << sLoaded;
        EXPECT_TRUE(std::filesystem::equivalent(sLoaded, sExpected)) << sLoaded << " is not " << sExpected;
    }

    CTString m_clLoaded;
    CNAError m_clError;
};

TEST_F(CNAFunctionLoaderTest, BeforeAnyLoadEveryEntryThrowsItsName) {
    EXPECT_EQ(CNAFunctionLoader::g_bLoaded(), 0);
    EXPECT_EQ(nEntriesOnStub(), 31);
    EXPECT_EQ(sThrownName([] { __PQconnectdb("host=x"); }), "PQconnectdb");
    EXPECT_EQ(sThrownName([] { __PQexec(nullptr, "SELECT 1"); }), "PQexec");
    EXPECT_EQ(sThrownName([] { __PQlibVersion(); }), "PQlibVersion");
    EXPECT_EQ(sThrownName([] { __PQparameterStatus(nullptr, "server_version"); }), "PQparameterStatus");
}

// The system's client library, by the default name and by the names a connection may give.
TEST_F(CNAFunctionLoaderTest, LoadsAndBindsTheSystemClientLibrary) {
    for (const std::string& sName : {std::string(), std::string("libpq.so.5"), std::string(KX_SYSTEM_LIBPQ),
                                     std::string(KX_SYSTEM_LIBPQ) + ".5"}) {
        SCOPED_TRACE(sName.empty() ? "(default name)" : sName);
        ASSERT_EQ(bLoad(sName), 1);
        EXPECT_EQ(CNAFunctionLoader::g_bLoaded(), 1);
        ExpectLoaded(KX_SYSTEM_LIBPQ);
        EXPECT_EQ(nEntriesOnStub(), 0);
        // The same library the dynamic linker gives for its own name.
        void* h = dlopen("libpq.so.5", RTLD_NOW | RTLD_NOLOAD);
        ASSERT_NE(h, nullptr);
        EXPECT_EQ(reinterpret_cast<void*>(__PQexec), dlsym(h, "PQexec"));
        EXPECT_EQ(CNAFunctionLoader::g_hGetNativeLibHandle(), h);
        dlclose(h);
        EXPECT_EQ(__PQlibVersion() / 10000, 15);
        CNAFunctionLoader::g_Term();
        EXPECT_EQ(CNAFunctionLoader::g_bLoaded(), 0);
        EXPECT_EQ(CNAFunctionLoader::g_hGetNativeLibHandle(), nullptr);
        EXPECT_EQ(nEntriesOnStub(), 31);
    }
}

// A library named with a directory is loaded from there, whatever the working directory, which the
// loader leaves as it was; backslashes count as separators.
TEST_F(CNAFunctionLoaderTest, LoadsTheFileNamedByItsPath) {
    std::string sBackslashed = s_sNoVersion;
    for (char& c : sBackslashed)
        if (c == '/') c = '\\';
    char szBefore[PATH_MAX];
    ASSERT_NE(getcwd(szBefore, sizeof(szBefore)), nullptr);
    for (const std::string& sName : {s_sNoVersion, sBackslashed}) {
        SCOPED_TRACE(sName);
        ASSERT_EQ(bLoad(sName), 1);
        ExpectLoaded(s_sNoVersion);
        EXPECT_EQ(__PQstatus(nullptr), 2);  // the fake's own answer
        char szAfter[PATH_MAX];
        ASSERT_NE(getcwd(szAfter, sizeof(szAfter)), nullptr);
        EXPECT_STREQ(szAfter, szBefore);
        CNAFunctionLoader::g_Term();
    }
}

// Names that give no library: nothing is loaded and the next attempt starts afresh.
TEST_F(CNAFunctionLoaderTest, AMissingLibraryLoadsNothing) {
    char szBefore[PATH_MAX];
    ASSERT_NE(getcwd(szBefore, sizeof(szBefore)), nullptr);
    const std::string tabNames[] = {
        "/nonexistent/dir/libkxmissing.so",
        "libkxmissing.so",
        // A directory that holds no such file: no other place is tried.
        s_sFakeDir + "/libpq.so.5",
        // The library lies in the working directory, but a bare name is never looked for there.
        "libkxfakepq_noversion.so",
    };
    ASSERT_EQ(chdir(s_sFakeDir.c_str()), 0);
    for (const std::string& sName : tabNames) {
        SCOPED_TRACE(sName);
        for (int nAttempt = 0; nAttempt < 2; nAttempt++) {
            EXPECT_EQ(bLoad(sName), 0);
            EXPECT_EQ(CNAFunctionLoader::g_bLoaded(), 0);
            EXPECT_EQ(nEntriesOnStub(), 31);
            // The name as it was asked for; what the dynamic linker said is the system message.
            ExpectError(52, 1, L"PostgreSQL");
            const CXError* pclError = m_clError.pclGetXError();
            EXPECT_NE(std::wstring(pclError->pszGetUserMessage()).find(wsOf(sName)), std::wstring::npos);
            EXPECT_NE(std::wstring(pclError->pszGetUserMessage()).find(L"64"), std::wstring::npos);
            std::string sSystem = sOf(pclError->pszGetSystemErrorMessage());
            EXPECT_NE(sSystem.find(sName.substr(sName.rfind('/') + 1)), std::string::npos) << sSystem;
            EXPECT_NE(sSystem.find("No such file"), std::string::npos) << sSystem;
        }
    }
    ASSERT_EQ(chdir(szBefore), 0);
}

// The version entries, the transaction status, the notice receiver and the asynchronous query
// are optional: the fake lacks all six, they stay on their stubs, which tells their users they
// are absent, and everything else is bound.
TEST_F(CNAFunctionLoaderTest, ALibraryWithoutOptionalFunctionsBinds) {
    ASSERT_EQ(bLoad(s_sNoVersion), 1);
    EXPECT_EQ(m_clError.eGetErrorType(), NA_ERRORTYPE_NONE);
    EXPECT_EQ(__PQlibVersion, &DefaultError_PQlibVersion);
    EXPECT_EQ(__PQserverVersion, &DefaultError_PQserverVersion);
    EXPECT_EQ(__PQtransactionStatus, &DefaultError_PQtransactionStatus);
    EXPECT_EQ(__PQsetNoticeReceiver, &DefaultError_PQsetNoticeReceiver);
    EXPECT_EQ(__PQsendQuery, &DefaultError_PQsendQuery);
    EXPECT_EQ(__PQgetResult, &DefaultError_PQgetResult);
    EXPECT_EQ(nEntriesOnStub(), 6);
    EXPECT_EQ(__PQstatus(nullptr), 2);
    EXPECT_EQ(sThrownName([] { __PQlibVersion(); }), "PQlibVersion");
}

// Binding stops at a missing required entry: the ones before it are bound, it and the ones after
// it are on their stubs; the library stays loaded, so no later open tries again.
TEST_F(CNAFunctionLoaderTest, BindingStopsAtAMissingFunction) {
    ASSERT_EQ(bLoad(s_sNoFname), 0);
    ExpectError(37, 2, L"PQfname");
    EXPECT_EQ(sOf(m_clError.pclGetXError()->pszGetSystemErrorMessage()), "");
    EXPECT_EQ(CNAFunctionLoader::g_bLoaded(), 1);
    ExpectLoaded(s_sNoFname);
    EXPECT_EQ(__PQstatus(nullptr), 3);
    EXPECT_NE(__PQntuples, &DefaultError_PQntuples);
    EXPECT_EQ(__PQfname, &DefaultError_PQfname);
    EXPECT_EQ(nEntriesOnStub(), 18);  // PQfname and the 17 after it
    EXPECT_EQ(sThrownName([] { __PQfformat(nullptr, 0); }), "PQfformat");
    EXPECT_EQ(sThrownName([] { __PQparameterStatus(nullptr, "x"); }), "PQparameterStatus");
}

// After the system library was bound and unloaded, a library lacking PQfname must not leave the
// entries after it pointing into the unloaded one.
TEST_F(CNAFunctionLoaderTest, NoEntryKeepsAnAddressOfAnUnloadedLibrary) {
    ASSERT_EQ(bLoad("libpq.so.5"), 1);
    CNAFunctionLoader::g_Term();
    EXPECT_EQ(sThrownName([] { __PQgetvalue(nullptr, 0, 0); }), "PQgetvalue");
    ASSERT_EQ(bLoad(s_sNoFname), 0);
    EXPECT_EQ(sThrownName([] { __PQgetvalue(nullptr, 0, 0); }), "PQgetvalue");
}

// The module's stop unloads the library; the next start loads it again on the next open.
TEST_F(CNAFunctionLoaderTest, TheModuleStopUnloadsTheLibrary) {
    ASSERT_EQ(bInitLibrary(reinterpret_cast<void*>(0x1000)), 1);
    ASSERT_EQ(bLoad("libpq.so.5"), 1);
    EXPECT_EQ(TermLibrary(), 1);
    EXPECT_EQ(CNAFunctionLoader::g_bLoaded(), 0);
    EXPECT_EQ(g_pclNAFunctionLoader, nullptr);
    EXPECT_EQ(nEntriesOnStub(), 31);
    ASSERT_EQ(bInitLibrary(reinterpret_cast<void*>(0x1000)), 1);
    EXPECT_EQ(bLoad("libpq.so.5"), 1);
    EXPECT_EQ(TermLibrary(), 1);
}

// A library named without a directory is looked for beside the driver's own file first: the probe
// carries the loader in a directory of its own, beside a fake library that is on no search path.
TEST_F(CNAFunctionLoaderTest, LooksBesideTheDriverFirst) {
    const std::string sProbe = KX_LOADER_PROBE;
    const std::string sProbeDir = sProbe.substr(0, sProbe.rfind('/') + 1);
    void* h = dlopen(sProbe.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(h, nullptr) << dlerror();
    auto pfnLoad = reinterpret_cast<int (*)(const wchar_t*, wchar_t*, size_t, int*)>(dlsym(h, "KxProbeLoad"));
    auto pfnDirectory = reinterpret_cast<int (*)(wchar_t*, size_t)>(dlsym(h, "KxProbeDriverDirectory"));
    ASSERT_NE(pfnLoad, nullptr);
    ASSERT_NE(pfnDirectory, nullptr);

    wchar_t szOut[PATH_MAX];
    ASSERT_EQ(pfnDirectory(szOut, PATH_MAX), 1);
    EXPECT_EQ(sOf(szOut), sProbeDir);
    int nStatus = 0;
    ASSERT_EQ(pfnLoad(L"libkxfakepq_beside.so", szOut, PATH_MAX, &nStatus), 1);
    EXPECT_EQ(sOf(szOut), sProbeDir + "libkxfakepq_beside.so");
    EXPECT_EQ(nStatus, 4);
    dlclose(h);

    // The program's own loader lives in the program, whose directory does not hold that library.
    CTString clDirectory;
    ASSERT_EQ(CNAFunctionLoader::g_bGetDriverDirectory(&clDirectory), 1);
    char szExe[PATH_MAX] = {};
    ASSERT_GT(readlink("/proc/self/exe", szExe, sizeof(szExe) - 1), 0);
    std::string sExe = szExe;
    EXPECT_EQ(sOf(clDirectory.pszGet()), sExe.substr(0, sExe.rfind('/') + 1));
    EXPECT_EQ(bLoad("libkxfakepq_beside.so"), 0);
}

// The bound functions reach the test server.
TEST_F(CNAFunctionLoaderTest, TalksToTheServerThroughTheBoundFunctions) {
    KX_REQUIRE_PG_SERVER();
    ASSERT_EQ(bLoad(""), 1);

    PGconn* pConn = __PQconnectdb(pgsandbox::sConnInfo().c_str());
    ASSERT_NE(pConn, nullptr);
    ASSERT_EQ(__PQstatus(pConn), CONNECTION_OK) << __PQerrorMessage(pConn);
    PGresult* pResult = __PQexec(pConn, "SELECT pg_backend_pid()");
    ASSERT_EQ(__PQresultStatus(pResult), PGRES_TUPLES_OK);
    long nBackendPid = atol(__PQgetvalue(pResult, 0, 0));
    __PQclear(pResult);
    pgsandbox::CStatementLog clLog;
    EXPECT_EQ(__PQserverVersion(pConn) / 10000, 15);
    EXPECT_STREQ(__PQparameterStatus(pConn, "server_encoding"), "UTF8");
    EXPECT_EQ(__PQsetClientEncoding(pConn, "UTF8"), 0);

    pResult = __PQexec(pConn, "SELECT 'kx' || 42 AS answer,\n       NULL::int AS nothing");
    ASSERT_EQ(__PQresultStatus(pResult), PGRES_TUPLES_OK) << __PQresultErrorMessage(pResult);
    EXPECT_EQ(__PQntuples(pResult), 1);
    EXPECT_EQ(__PQnfields(pResult), 2);
    EXPECT_STREQ(__PQfname(pResult, 0), "answer");
    EXPECT_EQ(__PQftype(pResult, 0), 25u);  // text
    EXPECT_EQ(__PQftype(pResult, 1), 23u);  // int4
    EXPECT_EQ(__PQfsize(pResult, 1), 4);
    EXPECT_EQ(__PQfmod(pResult, 0), -1);
    EXPECT_EQ(__PQfformat(pResult, 0), 0);
    EXPECT_STREQ(__PQgetvalue(pResult, 0, 0), "kx42");
    EXPECT_EQ(__PQgetisnull(pResult, 0, 0), 0);
    EXPECT_EQ(__PQgetisnull(pResult, 0, 1), 1);
    EXPECT_STREQ(__PQcmdTuples(pResult), "1");
    __PQclear(pResult);

    pResult = __PQexec(pConn, "SELEKT 1");
    EXPECT_EQ(__PQresultStatus(pResult), PGRES_FATAL_ERROR);
    EXPECT_STREQ(__PQresultErrorField(pResult, PG_DIAG_SQLSTATE), "42601");
    __PQclear(pResult);

    const unsigned char abyData[] = {0x00, 0xAB, '\''};
    size_t nEscaped = 0, nBack = 0;
    unsigned char* pbyEscaped = __PQescapeByteaConn(pConn, abyData, sizeof(abyData), &nEscaped);
    ASSERT_NE(pbyEscaped, nullptr);
    EXPECT_STREQ(reinterpret_cast<char*>(pbyEscaped), "\\x00ab27");
    unsigned char* pbyBack = __PQunescapeBytea(pbyEscaped, &nBack);
    ASSERT_EQ(nBack, sizeof(abyData));
    EXPECT_EQ(memcmp(pbyBack, abyData, nBack), 0);
    __PQfreemem(pbyBack);
    __PQfreemem(pbyEscaped);
    EXPECT_EQ(__PQclientEncoding(pConn), 6);  // PG_UTF8
    __PQfinish(pConn);

    // What the server received from this connection, setting the encoding included.
    std::vector<std::string> aStatements = clLog.Statements(nBackendPid);
    ASSERT_EQ(aStatements.size(), 3u);
    EXPECT_EQ(aStatements[0], "set client_encoding to 'UTF8'");
    EXPECT_EQ(aStatements[1], "SELECT 'kx' || 42 AS answer,\n       NULL::int AS nothing");
    EXPECT_EQ(aStatements[2], "SELEKT 1");
}

}  // namespace
