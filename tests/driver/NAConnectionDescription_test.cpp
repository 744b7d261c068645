// The connection description: the options it reads from the host's description (and cuts out of
// the extended information), the texts it builds, its dialect by server kind, and its slot order.
#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <memory>
#include <string>

#include "native/driver/INAContext.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "tests/core/VirtualSlot.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInContext.h"

using standin::CStandInConnectionDescription;

namespace {

// A text of the driver or the host; an absent one reads as empty.
std::wstring wsOf(const wchar_t* psz) {
    return psz != nullptr ? std::wstring(psz) : std::wstring();
}

// A connection of a given server kind and quotes; it never opens.
class CTestConnection : public CNAConnectionDescription {
public:
    CTestConnection(INAConnectionDescription* pi, unsigned nKind = DATASOURCE_POSTGRESQL,
                    const wchar_t* pszIdentification = L"Connection=test")
        : CNAConnectionDescription(pszIdentification, pi) {
        m_eDataSource = static_cast<eDATASOURCE>(nKind);
        SetQuotes(L"\"", L"\"");
    }
    int bOpen(CNAError*) override { return 0; }
    int bIsOpen() override { return 0; }
    int bClose(CNAError*) override { return 1; }
    void _InitYF2NativeType() override {}

    void SetQuotes(const wchar_t* pszOpen, const wchar_t* pszClose) {
        m_csOpenQuote.Set(pszOpen);
        m_nOpenQuoteLen = static_cast<unsigned>(wcslen(pszOpen));
        m_csCloseQuote.Set(pszClose);
        m_nCloseQuoteLen = static_cast<unsigned>(wcslen(pszClose));
    }
    void SetServerMajor(int n) { m_nServerMajor = n; }
};

// ------------------------------------------------------------------------------------ options

struct stOptionCase {
    const wchar_t* pszExtendedInfo;
    int nHostVersion = 4;
    long lHostCursorOptions = 0;
    // Expected.
    int nConnectionTimeout = 11;  // the host's
    int nCommandTimeout = 12;     // the host's
    int nLockTimeout = -1;
    int64_t llCacheSize = 777;  // the host's
    unsigned eCursorLocation = 0;
    unsigned bUnicodeSupport = 1;
    const wchar_t* pszLeft = L"";  // what is left of the extended information
    bool bHostAskedForCursor = true;
    bool bHostAskedForCacheSize = true;
};

TEST(CNAConnectionDescriptionOptions, ReadsAndCutsTheOptions) {
    const stOptionCase tabCases[] = {
        // Blanks around "=" and before ";": the pair goes, the next pair stays.
        {.pszExtendedInfo = L"KX Command Timeout = 30 ;Other=1", .nCommandTimeout = 30, .pszLeft = L"Other=1"},
        {.pszExtendedInfo = L"A=1; KX Connection Timeout=45; B=2", .nConnectionTimeout = 45, .pszLeft = L"A=1;B=2"},
        // Digits are read from the start of the value; none give 0.
        {.pszExtendedInfo = L"KX Connection Timeout=30s;KX Command Timeout=abc",
         .nConnectionTimeout = 30,
         .nCommandTimeout = 0},
        // An empty value does not count: the default stays, the key still goes.
        {.pszExtendedInfo = L"KX Lock Timeout=;KX Command Timeout=", .pszLeft = L""},
        {.pszExtendedInfo = L"KX Lock Timeout=5", .nLockTimeout = 5},
        // 64-bit cache size.
        {.pszExtendedInfo = L"KX Cache Size=10000000000",
         .llCacheSize = 10000000000LL,
         .bHostAskedForCacheSize = false},
        // A host description of version 3 or less is never asked for a cache size.
        {.pszExtendedInfo = L"", .nHostVersion = 3, .llCacheSize = -2, .bHostAskedForCacheSize = false},
        // The cursor location option decides alone, without regard to case.
        {.pszExtendedInfo = L"kx cursor location=server",
         .lHostCursorOptions = 2,
         .eCursorLocation = 2,
         .bHostAskedForCursor = false},
        {.pszExtendedInfo = L"KX Cursor Location=Client", .eCursorLocation = 1, .bHostAskedForCursor = false},
        {.pszExtendedInfo = L"KX Cursor Location=Somewhere",
         .lHostCursorOptions = 1,
         .eCursorLocation = 0,
         .bHostAskedForCursor = false},
        // Without it, the host's cursor bits: bit 0 server, else bit 1 client.
        {.pszExtendedInfo = nullptr, .lHostCursorOptions = 1, .eCursorLocation = 2},
        {.pszExtendedInfo = nullptr, .lHostCursorOptions = 2, .eCursorLocation = 1},
        {.pszExtendedInfo = nullptr, .lHostCursorOptions = 3, .eCursorLocation = 2},
        {.pszExtendedInfo = L"KX Unicode Support=0", .bUnicodeSupport = 0},
        // Every option goes, whatever its case; the rest is left for the server.
        {.pszExtendedInfo = L"Server Port=5433;kx record lock=NOWAIT;KX CLIENT VERSION=15;"
                            L"KX CLIENT LIBRARY=/opt/pq/libpq.so;Application Name=My App;SSL Mode=require;"
                            L"SSL Key=k.pem;SSL Cert=c.pem;SSL CA=ca.pem;SSL CAPath=/ca;SSL Cipher=HIGH;"
                            L"Initial Catalog=base",
         .pszLeft = L"Server Port=5433;Initial Catalog=base"},
    };
    for (const stOptionCase& st : tabCases) {
        SCOPED_TRACE(wsOf(st.pszExtendedInfo).c_str());
        CStandInConnectionDescription clHost;
        if (st.pszExtendedInfo != nullptr) clHost.m_sExtendedInfo = st.pszExtendedInfo;
        clHost.m_nVersion = st.nHostVersion;
        clHost.m_lCursorOptions = st.lHostCursorOptions;
        clHost.m_nConnectionTimeout = 11;
        clHost.m_nCommandTimeout = 12;
        clHost.m_llCacheSize = 777;
        CTestConnection cl(&clHost);
        EXPECT_EQ(cl.nGetConnectionTimeout(), st.nConnectionTimeout);
        EXPECT_EQ(cl.nGetCommandTimeout(), st.nCommandTimeout);
        EXPECT_EQ(cl.nGetLockTimeout(), st.nLockTimeout);
        EXPECT_EQ(cl.llGetCacheSize(), st.llCacheSize);
        EXPECT_EQ(cl.eGetCursorLocation(), st.eCursorLocation);
        EXPECT_EQ(cl.bGetUnicodeSupport(), st.bUnicodeSupport);
        EXPECT_EQ(wsOf(cl.pszGetExtendedInfo()), st.pszLeft);
        EXPECT_EQ(clHost.nGetCalls(clHost.POS_GETCURSOROPTIONS), st.bHostAskedForCursor ? 1 : 0);
        EXPECT_EQ(clHost.nGetCalls(clHost.POS_GETCACHESIZE), st.bHostAskedForCacheSize ? 1 : 0);
    }
}

TEST(CNAConnectionDescriptionOptions, KeepsTheTextOptions) {
    CStandInConnectionDescription clHost;
    clHost.m_sExtendedInfo = L"kx record lock=NOWAIT;KX CLIENT VERSION=15;KX CLIENT LIBRARY=/opt/pq/libpq.so;"
                             L"Application Name= My App ;ssl mode=require;SSL Key=k.pem;SSL Cert=c.pem;"
                             L"SSL CA=ca.pem;SSL CAPath=/ca;SSL Cipher=HIGH";
    CTestConnection cl(&clHost);
    const struct {
        const wchar_t* pszGot;
        const wchar_t* pszExpected;
    } tabTexts[] = {
        {cl.pszGetNoLockHint(), L"NOWAIT"},
        {cl.pszGetWantedClientVersion(), L"15"},
        {cl.pszGetWantedClientLibrary(), L"/opt/pq/libpq.so"},
        {cl.pszGetApplicationName(), L"My App"},
        {cl.pszGetSSLMode(), L"require"},
        {cl.pszGetSSLKey(), L"k.pem"},
        {cl.pszGetSSLCert(), L"c.pem"},
        {cl.pszGetSSLCA(), L"ca.pem"},
        {cl.pszGetSSLCAPath(), L"/ca"},
        {cl.pszGetSSLCipher(), L"HIGH"},
    };
    for (const auto& st : tabTexts) EXPECT_EQ(wsOf(st.pszGot), st.pszExpected);
    EXPECT_EQ(wsOf(cl.pszGetSSLCRL()), L"");
    EXPECT_EQ(wsOf(cl.pszGetExtendedInfo()), L"");
}

// "SSL CA" must not be taken for the start of "SSL CAPath" (nor the other way round).
TEST(CNAConnectionDescriptionOptions, KeysThatBeginAlike) {
    CStandInConnectionDescription clHost;
    clHost.m_sExtendedInfo = L"SSL CAPath=/ca;SSL CA=ca.pem";
    CTestConnection cl(&clHost);
    EXPECT_EQ(wsOf(cl.pszGetSSLCA()), L"ca.pem");
    EXPECT_EQ(wsOf(cl.pszGetSSLCAPath()), L"/ca");
}

// ------------------------------------------------------------------------------------ texts

TEST(CNAConnectionDescriptionTexts, ConnectionStringAndIdentification) {
    CStandInConnectionDescription clHost;
    clHost.m_sProvider = L"PostgreSQL";
    clHost.m_sExtendedInfo = L"KX Command Timeout=30;Other=1";
    clHost.m_sUserName = L"kx";
    CTestConnection cl(&clHost, DATASOURCE_POSTGRESQL, L"Connection=C1;Provider=PostgreSQL");
    // The extended information as the host gave it, options included; absent texts as "NULL".
    EXPECT_EQ(wsOf(cl.pszGetConnectionString()),
              L"Provider=PostgreSQL;ExtendedInformation=KX Command Timeout=30;Other=1;Data source=NULL;"
              L"user id=kx;password=NULL");
    EXPECT_EQ(wsOf(cl.pszGetIdentification()), L"Connection=C1;Provider=PostgreSQL");
}

TEST(CNAConnectionDescriptionTexts, NumbersAndTheHostsReference) {
    CStandInConnectionDescription clHost;
    {
        CTestConnection cl1(&clHost);
        CTestConnection cl2(&clHost);
        EXPECT_EQ(cl2.nGetCnxNumber(), cl1.nGetCnxNumber() + 1);
        EXPECT_EQ(cl1.nGetCnxNumber(), CNAConnectionDescription::m_gnCnxGenerator - 1);
        EXPECT_EQ(clHost.nGetExternalRefs(), 2);
    }
    EXPECT_EQ(clHost.nGetExternalRefs(), 0);
    EXPECT_EQ(clHost.nGetCalls(clHost.POS_EXTERNALRELEASE), 2);
}

TEST(CNAConnectionDescriptionTexts, DefaultDatabase) {
    const struct {
        const wchar_t* pszExtendedInfo;
        const wchar_t* pszProvider;
        const wchar_t* pszHostDefault;
        const wchar_t* pszExpected;
    } tabCases[] = {
        {L"Initial Catalog=fromext", L"Initial Catalog=fromprovider", L"host", L"fromext"},
        {L"Other=1", L"Provider=x;Initial Catalog = fromprovider ;y=2", L"host", L"fromprovider"},
        {L"Initial Catalog=", L"", L"host", L"host"},
        {nullptr, nullptr, nullptr, L""},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(wsOf(st.pszExtendedInfo).c_str());
        CStandInConnectionDescription clHost;
        if (st.pszExtendedInfo != nullptr) clHost.m_sExtendedInfo = st.pszExtendedInfo;
        if (st.pszProvider != nullptr) clHost.m_sProvider = st.pszProvider;
        if (st.pszHostDefault != nullptr) clHost.m_sDefaultDataBase = st.pszHostDefault;
        CTestConnection cl(&clHost);
        EXPECT_EQ(wsOf(cl.pszGetDefaultDataBaseEx()), st.pszExpected);
        // Read, not cut: the key stays for the server.
        EXPECT_EQ(wsOf(cl.pszGetExtendedInfo()), wsOf(st.pszExtendedInfo));
        // Kept once found.
        clHost.m_sDefaultDataBase = L"changed";
        clHost.m_sExtendedInfo = L"Initial Catalog=changed";
        if (*st.pszExpected != 0) {
            EXPECT_EQ(wsOf(cl.pszGetDefaultDataBaseEx()), st.pszExpected);
        }
    }
}

TEST(CNAConnectionDescriptionTexts, ApplicationName) {
    char szExe[PATH_MAX] = {};
    ASSERT_GT(readlink("/proc/self/exe", szExe, sizeof(szExe) - 1), 0);
    std::string sExe = szExe;
    std::string sName = sExe.substr(sExe.rfind('/') + 1);
    sName = sName.substr(0, sName.find('.'));

    CStandInConnectionDescription clHost;
    CTestConnection cl(&clHost);
    EXPECT_EQ(wsOf(cl.pszGetApplicationName()), std::wstring(sName.begin(), sName.end()));

    CTString clPath;
    ASSERT_EQ(CNAConnectionDescription::g_bGetModuleFileName(nullptr, &clPath), 1);
    EXPECT_EQ(wsOf(clPath.pszGet()), std::wstring(sExe.begin(), sExe.end()));
}

TEST(CNAConnectionDescriptionTexts, CursorLocationTexts) {
    const struct {
        unsigned n;
        const wchar_t* psz;
    } tabCases[] = {{0, L"Default"}, {1, L"Client"}, {2, L"Server"}, {3, L"Unknown"}, {0xFFFFFFFF, L"Unknown"}};
    for (const auto& st : tabCases) EXPECT_EQ(wsOf(CNAConnectionDescription::s_pszGetCursorLocation(st.n)), st.psz);
}

// The connection's own option against the library the process has loaded.
TEST(CNAConnectionDescriptionTexts, ClientLibraryWanted) {
    const struct {
        const wchar_t* pszWanted;
        int bExpected;
    } tabCases[] = {
        {L"", 1},
        {L"/usr/lib/x86_64-linux-gnu/libpq.so", 1},
        {L"/USR/LIB/X86_64-LINUX-GNU/LIBPQ.SO", 1},
        {L"libpq.so", 1},
        {L"LIBPQ.SO", 1},
        {L"libpq.so.5", 0},
        {L"/opt/pq/libpq.so", 0},
        {L"pq/libpq.so", 0},
    };
    CTString clSaved(CNAConnectionDescription::m_csClientLibrary);
    CNAConnectionDescription::m_csClientLibrary.Set(L"/usr/lib/x86_64-linux-gnu/libpq.so");
    for (const auto& st : tabCases) {
        SCOPED_TRACE(st.pszWanted);
        CStandInConnectionDescription clHost;
        clHost.m_sExtendedInfo = std::wstring(L"KX CLIENT LIBRARY=") + st.pszWanted;
        CTestConnection cl(&clHost);
        EXPECT_EQ(cl._bCheckClientLibraryWanted(nullptr), st.bExpected);
        CNAError clError;
        EXPECT_EQ(cl._bCheckClientLibraryWanted(&clError), st.bExpected);
        if (st.bExpected) {
            EXPECT_EQ(clError.eGetErrorType(), NA_ERRORTYPE_NONE);
            continue;
        }
        EXPECT_EQ(clError.dwGetErrorId(), 74u);
        EXPECT_EQ(clError.eGetErrorType(), NA_ERRORTYPE_GENERAL);
        const CXError* pclError = clError.pclGetXError();
        std::wstring sMessage = pclError->pszGetUserMessage();
        for (const wchar_t* psz : {L"PostgreSQL", L"/usr/lib/x86_64-linux-gnu/libpq.so", st.pszWanted})
            EXPECT_NE(sMessage.find(psz), std::wstring::npos) << testing::PrintToString(sMessage);
        EXPECT_NE(std::wstring(pclError->pszGetDebugMessage())
                      .find(L"IEKXPSQL=1.17\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>"),
                  std::wstring::npos);
    }
    CNAConnectionDescription::m_csClientLibrary = clSaved;
}

// ------------------------------------------------------------------------------------ dialect

TEST(CNAConnectionDescriptionDialect, AnswersByServerKind) {
    const struct {
        unsigned nKind;
        int nMajor;
        int bSubQuery, bLimitOrTop, bTreat0000, nVarCharMax, nNVarCharMax, nOrderByMax;
        const wchar_t *pszVarChar, *pszNVarChar, *pszCLOB, *pszNCLOB;
    } tabCases[] = {
        {0, -1, 0, 0, 0, -1, -1, 0x7FFFFFFF, L"VARCHAR", L"NVARCHAR", L"CLOB", L"NCLOB"},
        {1, -1, 1, 1, 0, 4000, 2000, 0x7FFFFFFF, L"VARCHAR2", L"NVARCHAR2", L"CLOB", L"NCLOB"},
        {2, -1, 1, 1, 1, 8000, 4000, 0x7FFFFFFF, L"VARCHAR", L"NVARCHAR", L"CLOB", L"NCLOB"},
        {3, -1, 0, 1, 0, -1, -1, 0x7FFFFFFF, L"VARCHAR", L"NVARCHAR", L"CLOB", L"NCLOB"},
        {4, -1, 1, 0, 0, -1, -1, 31, L"VARCHAR", L"NVARCHAR", L"CLOB", L"NCLOB"},
        {5, -1, 0, 1, 0, 255, 255, 0x7FFFFFFF, L"VARCHAR", L"NVARCHAR", L"LONGBLOB", L"LONGBLOB"},
        {5, 3, 0, 1, 0, 255, 255, 0x7FFFFFFF, L"VARCHAR", L"NVARCHAR", L"LONGBLOB", L"LONGBLOB"},
        {5, 4, 0, 1, 0, 255, 255, 0x7FFFFFFF, L"VARCHAR", L"NVARCHAR", L"LONGTEXT", L"LONGTEXT CHARACTER SET ucs2"},
        {6, 15, 0, 1, 0, -1, -1, 0x7FFFFFFF, L"VARCHAR", L"NVARCHAR", L"CLOB", L"NCLOB"},
        {7, -1, 1, 0, 0, -1, -1, 0x7FFFFFFF, L"VARCHAR", L"NVARCHAR", L"CLOB", L"NCLOB"},
        {12, -1, 1, 0, 0, -1, -1, 0x7FFFFFFF, L"VARCHAR", L"NVARCHAR", L"CLOB", L"NCLOB"},
        {13, -1, 1, 0, 0, -1, -1, 0x7FFFFFFF, L"VARCHAR", L"NVARCHAR", L"CLOB", L"NCLOB"},
        {14, -1, 0, 0, 0, -1, -1, 0x7FFFFFFF, L"VARCHAR", L"NVARCHAR", L"CLOB", L"NCLOB"},
    };
    CStandInConnectionDescription clHost;
    for (const auto& st : tabCases) {
        SCOPED_TRACE(testing::Message() << "kind " << st.nKind << ", major " << st.nMajor);
        CTestConnection cl(&clHost, st.nKind);
        cl.SetServerMajor(st.nMajor);
        EXPECT_EQ(cl.bSupportSubQuery(), st.bSubQuery);
        EXPECT_EQ(cl.bSupportLimitOrTop(), st.bLimitOrTop);
        EXPECT_EQ(cl.bTreat0000DateAsNULL(), st.bTreat0000);
        EXPECT_EQ(cl.nGetVarCharMaxLen(), st.nVarCharMax);
        EXPECT_EQ(cl.nGetNVarCharMaxLen(), st.nNVarCharMax);
        EXPECT_EQ(cl.nGetOrderByMaxExpressionNbr(), st.nOrderByMax);
        EXPECT_EQ(wsOf(cl.pszGetVarCharType()), st.pszVarChar);
        EXPECT_EQ(wsOf(cl.pszGetNVarCharType()), st.pszNVarChar);
        EXPECT_EQ(wsOf(cl.pszGetCLOBType()), st.pszCLOB);
        EXPECT_EQ(wsOf(cl.pszGetNCLOBType()), st.pszNCLOB);
    }
}

// ------------------------------------------------------------------------------------ slots

// Slot n of the class is entry n - 2 of its virtual table.
TEST(CNAConnectionDescriptionSlots, VirtualOperationsInTheirOrder) {
    using C = CNAConnectionDescription;
    EXPECT_EQ(SlotOf(&C::_NotToBeCalled) + 2, 4);
    EXPECT_EQ(SlotOf(&C::bOpen) + 2, 5);
    EXPECT_EQ(SlotOf(&C::bIsOpen) + 2, 6);
    EXPECT_EQ(SlotOf(&C::bClose) + 2, 7);
    EXPECT_EQ(SlotOf(&C::bSupportOrderByMemo) + 2, 8);
    EXPECT_EQ(SlotOf(&C::bTransactionEndCloseParse) + 2, 10);
    EXPECT_EQ(SlotOf(&C::bTreat0000DateAsNULL) + 2, 12);
    EXPECT_EQ(SlotOf(&C::bIndexNamesCommonOnDatabase) + 2, 18);
    EXPECT_EQ(SlotOf(&C::bOpenCreate) + 2, 19);
    EXPECT_EQ(SlotOf(&C::pszGetNoLockHint) + 2, 20);
    EXPECT_EQ(SlotOf(&C::bTransactionBeginDirect) + 2, 21);
    EXPECT_EQ(SlotOf(&C::pclAllocTransaction) + 2, 24);
    EXPECT_EQ(SlotOf(static_cast<int (C::*)(CNAError*, const wchar_t*)>(&C::bSQLBloque)) + 2, 25);
    EXPECT_EQ(SlotOf(static_cast<int (C::*)(CNAError*, ISQLParserInformation*)>(&C::bSQLBloque)) + 2, 26);
    EXPECT_EQ(SlotOf(&C::bSQLBloqueRequete) + 2, 27);
    EXPECT_EQ(SlotOf(&C::bDiagnose) + 2, 28);
    EXPECT_EQ(SlotOf(&C::bInitError) + 2, 29);
    EXPECT_EQ(SlotOf(&C::eGetNAErrorType) + 2, 30);
    EXPECT_EQ(SlotOf(&C::bConvertValueToString) + 2, 31);
    EXPECT_EQ(SlotOf(&C::bCastCAnyIntoDBType) + 2, 32);
    EXPECT_EQ(SlotOf(&C::nGetOrderByMaxExpressionNbr) + 2, 33);
    EXPECT_EQ(SlotOf(&C::AddInfoNativeXError) + 2, 34);
    EXPECT_EQ(SlotOf(&C::bDBTypeToString) + 2, 35);
    EXPECT_EQ(SlotOf(&C::bDBTypeUnkwnownByDB) + 2, 36);
    EXPECT_EQ(SlotOf(&C::bExecuteQueryNoResult) + 2, 37);
    EXPECT_EQ(SlotOf(&C::bExecuteQueryIgnoreResult) + 2, 38);
    EXPECT_EQ(SlotOf(&C::bGetRequestedValue) + 2, 39);
    EXPECT_EQ(SlotOf(&C::_bEscapeString) + 2, 40);
    EXPECT_EQ(SlotOf(&C::_bBoolToString) + 2, 41);
    EXPECT_EQ(
        SlotOf(static_cast<int (C::*)(CNAError*, CTStringConcatAW*, const CAny*, eNA_ITEMTYPE)>(&C::_bDateToString)) +
            2,
        42);
    EXPECT_EQ(SlotOf(&C::_CancelRecordLock) + 2, 43);
    EXPECT_EQ(SlotOf(&C::_InitYF2NativeType) + 2, 44);
    EXPECT_EQ(SlotOf(&C::_bDecomposeServerVersion) + 2, 45);
    // Added after the slots the class always had, so that none of them moves.
    EXPECT_EQ(SlotOf(&C::bGetServerParameter) + 2, 46);
}

// The host's objects are numbered from 0 at the virtual-table pointer.
TEST(CNAConnectionDescriptionSlots, HostInterfacePositions) {
    using I = INAConnectionDescription;
    const struct {
        ptrdiff_t nGot, nExpected;
    } tabCases[] = {
        {SlotOf(&I::nGetVersion), 0},
        {SlotOf(&I::NAVersion_EmptySlot_3), 4},
        {SlotOf(&I::ExternalAddRef), 5},
        {SlotOf(&I::nExternalRelease), 6},
        {SlotOf(&I::pszGetUserName), 7},
        {SlotOf(&I::pszGetPassword), 8},
        {SlotOf(&I::pszGetDataBase), 9},
        {SlotOf(&I::pszGetDescription), 10},
        {SlotOf(&I::eGetAccess), 11},
        {SlotOf(&I::nGetNbParam), 12},
        {SlotOf(&I::pclGetParam), 13},
        {SlotOf(&I::pszGetProvider), 14},
        {SlotOf(&I::nGetConnectionTimeout), 15},
        {SlotOf(&I::nGetCommandTimeout), 16},
        {SlotOf(&I::pszGetExtendedInfo), 17},
        {SlotOf(&I::pclGetConnectionInfo), 18},
        {SlotOf(&I::lGetCursorOptions), 19},
        {SlotOf(&I::pszGetDefaultDataBase), 21},
        {SlotOf(&I::llGetCacheSize), 22},
        {SlotOf(&I::pszGetLogicalConnectionName), 25},
        {SlotOf(&INAContext::nGetDataId), 7},
        {SlotOf(&INAContext::nGetContextId), 8},
    };
    for (size_t i = 0; i < std::size(tabCases); i++) EXPECT_EQ(tabCases[i].nGot, tabCases[i].nExpected) << "row " << i;
}

// What the driver reads of the host's description goes to the host operation at that position.
TEST(CNAConnectionDescriptionSlots, ReadsTheHostThroughItsOperations) {
    CStandInConnectionDescription clHost;
    clHost.m_sConnectionName = L"CNX1";
    clHost.m_sUserName = L"user";
    clHost.m_sPassword = L"secret";
    clHost.m_sDataBase = L"localhost";
    clHost.m_sDescription = L"desc";
    clHost.m_sDefaultDataBase = L"db";
    clHost.m_sLogicalConnectionName = L"logical";
    clHost.m_eAccess = NA_ACCESS_READONLY;
    clHost.m_lCursorOptions = 2;
    CTestConnection cl(&clHost);
    EXPECT_EQ(wsOf(cl.pszGetConnectionName()), L"CNX1");
    EXPECT_EQ(wsOf(cl.pszGetUserName()), L"user");
    EXPECT_EQ(wsOf(cl.pszGetPassword()), L"secret");
    EXPECT_EQ(wsOf(cl.pszGetDataBase()), L"localhost");
    EXPECT_EQ(wsOf(cl.pszGetDescription()), L"desc");
    EXPECT_EQ(wsOf(cl.pszGetDefaultDataBase()), L"db");
    EXPECT_EQ(wsOf(cl.pszGetLogicalConnectionName()), L"logical");
    EXPECT_EQ(cl.eGetAccess(), NA_ACCESS_READONLY);
    EXPECT_EQ(cl.lGetCursorOptions(), 2);
    EXPECT_EQ(cl.piGetHostDescription(), &clHost);
}

// The stand-in's contexts, which the registry tests key their contexts and accesses by: each has
// ids of its own, and keeps them.
TEST(CNAConnectionDescriptionSlots, StandInContextsHaveDistinctIds) {
    standin::CStandInContext cl1, cl2;
    INAContext* pi1 = &cl1;
    INAContext* pi2 = &cl2;
    EXPECT_NE(pi1->nGetContextId(), pi2->nGetContextId());
    EXPECT_NE(pi1->nGetDataId(), pi2->nGetDataId());
    // A context keeps its ids: asked again, each answers as it did.
    const auto nContext1 = pi1->nGetContextId(), nData1 = pi1->nGetDataId();
    standin::CStandInContext cl3;
    EXPECT_EQ(pi1->nGetContextId(), nContext1);
    EXPECT_EQ(pi1->nGetDataId(), nData1);
}

}  // namespace
