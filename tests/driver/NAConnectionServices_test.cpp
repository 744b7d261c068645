// Connection services: locks and queries sent to the server, the server version split into
// numbers, the connection's details added to every error raised with it, and the operations that
// are not available.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "native/driver/NAFunctionLoader.h"
#include "native/model/NAItemDescription.h"
#include "tests/driver/DriverTestSupport.h"
#include "tests/driver/RecordingConnection.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "variant/Any.h"
#include "variant/VQConv.h"

using standin::CStandInConnectionDescription;

namespace {

std::vector<std::wstring> Lines(const wchar_t* psz) {
    std::vector<std::wstring> as;
    std::wstring s = psz != nullptr ? psz : L"";
    size_t nStart = 0;
    while (nStart <= s.size()) {
        size_t nEnd = s.find(L"\r\n", nStart);
        if (nEnd == std::wstring::npos) nEnd = s.size();
        as.push_back(s.substr(nStart, nEnd - nStart));
        nStart = nEnd + 2;
    }
    return as;
}

// The debug line of a detail: its label (a word of it) and the value that ends it.
bool bHasDetail(const std::vector<std::wstring>& asLines, const std::wstring& sLabelWord, const std::wstring& sValue) {
    for (const std::wstring& s : asLines)
        if (s.find(sLabelWord) != std::wstring::npos && s.size() >= sValue.size() &&
            s.compare(s.size() - sValue.size(), sValue.size(), sValue) == 0)
            return true;
    return false;
}

// The process's driver object for the length of a test: its dump labels head the detail lines.
class CProcessDriver {
public:
    CProcessDriver() : m_pcl(drivertest::CTestDriver::pclNew(&m_stScript)) {}
    ~CProcessDriver() { m_pcl->nExternalRelease(); }
    CProcessDriver(const CProcessDriver&) = delete;
    CProcessDriver& operator=(const CProcessDriver&) = delete;

private:
    drivertest::stScript m_stScript;
    drivertest::CTestDriver* m_pcl;
};

}  // namespace

TEST(CNAConnectionServices, LocksAndQueriesSent) {
    CStandInConnectionDescription clHost;
    CRecordingConnection cl(&clHost);
    EXPECT_EQ(cl.bSQLBloque(nullptr, L"\"public\".\"t\""), 1);
    EXPECT_EQ(cl.bSQLBloqueRequete(nullptr, L"SELECT * FROM t"), 1);
    EXPECT_EQ(cl.bSQLBloqueRequete(nullptr, L""), 1);
    EXPECT_EQ(cl.bExecuteQueryIgnoreResult(nullptr, L"VACUUM"), 1);
    EXPECT_EQ(cl.bSQLBloque(nullptr, static_cast<ISQLParserInformation*>(nullptr)), 0);
    EXPECT_EQ(cl.m_asSent, (std::vector<std::wstring>{L"LOCK TABLE \"public\".\"t\"", L"SELECT * FROM t FOR UPDATE",
                                                      L" FOR UPDATE", L"VACUUM"}));
    cl.m_setRefused = {L"LOCK TABLE t"};
    CNAError clError;
    EXPECT_EQ(cl.bSQLBloque(&clError, L"t"), 0);
    EXPECT_EQ(clError.dwGetErrorId(), 80u);
}

TEST(CNAConnectionServices, RequestedValueAsText) {
    KXInstallStandInHost();
    CVQConv::s_Reset();
    ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
    CStandInConnectionDescription clHost;
    CRecordingConnection cl(&clHost);
    CTString clOut(L"before");
    cl.m_clRequested.SetI4(150004);
    EXPECT_EQ(cl.bGetRequestedValueString(nullptr, &clOut, 0, L"SHOW SERVER_VERSION_NUM"), 1);
    EXPECT_EQ(std::wstring(clOut.pszGet()), L"150004");
    EXPECT_EQ(cl.m_asSent.back(), L"SHOW SERVER_VERSION_NUM [0]");
    cl.m_clRequested.SetNull(1);
    EXPECT_EQ(cl.bGetRequestedValueString(nullptr, &clOut, 1, L"q"), 1);
    EXPECT_EQ(clOut.nTaille(), 0);
    cl.m_clRequested = CAny();
    cl.m_bRequestedResult = 0;
    clOut.Set(L"before");
    EXPECT_EQ(cl.bGetRequestedValueString(nullptr, &clOut, 0, L"q"), 0);
    EXPECT_EQ(clOut.nTaille(), 0);
    CVQConv::s_Reset();
}

TEST(CNAConnectionServices, ServerVersionSplit) {
    const struct {
        const wchar_t* pszVersion;
        int nMajor, nMinor, nRevision;
    } tabCases[] = {
        {L"15.4", 15, 4, 0}, {L"9.6.24", 9, 6, 24}, {L"16", 16, 0, 0},      {L"8.4.22.1", 8, 4, 22},
        {L"", -1, 0, 0},     {L"abc", -1, 0, 0},    {L"14beta1", 14, 0, 0}, {L"x.5", -1, 5, 0},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(st.pszVersion)));
        CStandInConnectionDescription clHost;
        CRecordingConnection cl(&clHost);
        cl.SetServerVersion(st.pszVersion);
        EXPECT_EQ(cl._bDecomposeServerVersion(nullptr), 1);
        EXPECT_EQ(cl.nGetServerMajorVersion(), st.nMajor);
        EXPECT_EQ(cl.nGetServerMinorVersion(), st.nMinor);
        EXPECT_EQ(cl.nGetServerRevision(), st.nRevision);
    }
}

// An error raised with a connection carries the connection's details, each only when it says
// something; the password never.
TEST(CNAConnectionServices, DetailsAddedToErrors) {
    KXInstallStandInHost();
    CProcessDriver clDriver;
    CTString clSavedVersion(CNAConnectionDescription::m_csClientVersion);
    CNAConnectionDescription::m_csClientVersion.Set(L"15.4.0");
    {
        CStandInConnectionDescription clHost;
        clHost.m_sProvider = L"PostgreSQL";
        clHost.m_sUserName = L"kxuser";
        clHost.m_sPassword = L"s3cret";
        clHost.m_sDataBase = L"dbhost";
        clHost.m_sExtendedInfo =
            L"Initial Catalog=kxbase;KX Command Timeout=31;KX Lock Timeout=7;"
            L"KX Cursor Location=Client;KX RECORD LOCK=NOWAIT";
        CRecordingConnection cl(&clHost);
        cl.SetServerVersion(L"15.4");
        cl.SetCodePage(65001);
        cl.SetClientCodePage(1252);
        CNAError clError;
        clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, 1, &cl, 9u, L"T");
        const CXError* pclError = clError.pclGetXError();
        const void* pValue = nullptr;
        ASSERT_TRUE(pclError->bGetInfo(CXError::EIT_INFOCLIENT, &pValue));
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(pValue)), L"15.4.0");
        ASSERT_TRUE(pclError->bGetInfo(CXError::EIT_INFOSERVEUR, &pValue));
        EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(pValue)), L"15.4");
        std::vector<std::wstring> asLines = Lines(pclError->pszGetDebugMessage());
        const struct {
            const wchar_t *pszLabel, *pszValue;
        } tabPresent[] = {
            {L"Provider", L" PostgreSQL"}, {L"Utilisateur", L" kxuser"}, {L"DataSource", L" dbhost"},
            {L"Database", L" kxbase"},     {L"Command Timeout", L" 31"}, {L"Lock Timeout", L" 7"},
            {L"Cursor", L" Client"},       {L"Unicode", L" 1"},          {L"VQ Page", L" UTF-8"},
            {L"Connexion Page", L" 1252"}, {L"Lock Tag", L" NOWAIT"},
        };
        for (const auto& st : tabPresent)
            EXPECT_TRUE(bHasDetail(asLines, st.pszLabel, st.pszValue)) << testing::PrintToString(st.pszLabel);
        EXPECT_FALSE(bHasDetail(asLines, L"Connexion Timeout", L""));
        EXPECT_FALSE(bHasDetail(asLines, L"Native Library", L""));
        EXPECT_EQ(std::wstring(clError.pszGetError()).find(L"s3cret"), std::wstring::npos);
        // Sub-errors do not repeat them.
        clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, 2, &cl, 9u, L"U");
        EXPECT_EQ(Lines(pclError->pclGetSubError(0)->pszGetDebugMessage()).size(), 3u);
    }
    {
        // A bare connection: only what is always there, and code pages that are not set stay out.
        CStandInConnectionDescription clHost;
        CRecordingConnection cl(&clHost);
        cl.SetCodePage(0xFFFFFFFE);
        CNAError clError;
        clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, 1, &cl, 9u, L"T");
        std::vector<std::wstring> asLines = Lines(clError.pclGetXError()->pszGetDebugMessage());
        EXPECT_TRUE(bHasDetail(asLines, L"Unicode", L" 1"));
        EXPECT_TRUE(bHasDetail(asLines, L"VQ Page", L" UTF-16"));
        EXPECT_FALSE(bHasDetail(asLines, L"Connexion Page", L""));
        EXPECT_FALSE(bHasDetail(asLines, L"Provider", L""));
        EXPECT_FALSE(bHasDetail(asLines, L"Cursor", L""));
        EXPECT_FALSE(bHasDetail(asLines, L"Lock Tag", L""));
        const void* pValue = nullptr;
        EXPECT_FALSE(clError.pclGetXError()->bGetInfo(CXError::EIT_INFOSERVEUR, &pValue));
    }
    CNAConnectionDescription::m_csClientVersion = clSavedVersion;
}

// The client library's path once it is loaded.
TEST(CNAConnectionServices, DetailsNameTheLoadedLibrary) {
    KXInstallStandInHost();
    CProcessDriver clDriver;
    CNAFunctionLoader::g_Term();
    CTString clPath;
    CNAError clLoad;
    if (!CNAFunctionLoader::g_bInitNative(&clLoad, &clPath, L"libpq.so.5", 0)) GTEST_SKIP() << "no libpq.so.5";
    CTString clSaved(CNAConnectionDescription::m_csClientLibrary);
    CNAConnectionDescription::m_csClientLibrary = clPath;
    CStandInConnectionDescription clHost;
    CRecordingConnection cl(&clHost);
    CNAError clError;
    clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, 1, &cl, 9u, L"T");
    EXPECT_TRUE(bHasDetail(Lines(clError.pclGetXError()->pszGetDebugMessage()), L"Native Library",
                           std::wstring(L" ") + clPath.pszGet()));
    CNAConnectionDescription::m_csClientLibrary = clSaved;
    CNAFunctionLoader::g_Term();
}

// Each detail line is the driver object's label of that detail, with its blank, then the value;
// with no driver object there are no labels and the value stands alone.
TEST(CNAConnectionServices, DetailLinesAreTheDriversLabelsThenTheValue) {
    KXInstallStandInHost();
    CStandInConnectionDescription clHost;
    clHost.m_sUserName = L"kxuser";
    clHost.m_sExtendedInfo = L"KX Lock Timeout=7";
    CRecordingConnection cl(&clHost);
    cl.SetCodePage(0xFFFFFFFF);
    auto asDetails = [&cl]() {
        CNAError clError;
        clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, 1, &cl, 9u, L"T");
        std::vector<std::wstring> as = Lines(clError.pclGetXError()->pszGetDebugMessage());
        // The debug line of the error itself takes the first three lines.
        return std::vector<std::wstring>(as.begin() + 3, as.end());
    };
    {
        CProcessDriver clDriver;
        EXPECT_EQ(asDetails(),
                  (std::vector<std::wstring>{L"Utilisateur :  kxuser", L"Lock Timeout :  7", L"Unicode actived :  1"}));
    }
    EXPECT_EQ(asDetails(), (std::vector<std::wstring>{L"kxuser", L"7", L"1"}));
}

TEST(CNAConnectionServices, DiagnoseIsNotAvailable) {
    CStandInConnectionDescription clHost;
    CRecordingConnection cl(&clHost);
    CNAError clError;
    CAny clResult;
    EXPECT_EQ(cl.bDiagnose(&clError, &clResult, L"CNX1", 0), 0);
    EXPECT_EQ(clError.dwGetErrorId(), 8u);
    EXPECT_EQ(clError.eGetErrorType(), NA_ERRORTYPE_NOTAVAILABLE);
    EXPECT_EQ(std::wstring(clError.pszGetLogicalTableName()), L"CNX1");
    EXPECT_NE(std::wstring(clError.pszGetError()).find(L"IEKXPSQL=1.3\r\n"), std::wstring::npos);
    EXPECT_EQ(cl.bDiagnose(nullptr, &clResult, L"CNX1", 0), 0);
    EXPECT_TRUE(cl.m_asSent.empty());
}

// ---------------------------------------------------------------------------------- column types

namespace {

struct CItem {
    CNAItemDescription* p = new CNAItemDescription;
    CItem(eNA_ITEMTYPE eType, unsigned nSize, int nIntegerDigits = 0, int nDecimalDigits = 0) {
        p->AddRef();
        p->bInit(L"col", L"orders", L"col", 1, nSize, eType, 0, 0, 0, nIntegerDigits, nDecimalDigits);
    }
    ~CItem() { p->nRelease(); }
    CItem(const CItem&) = delete;
    CItem& operator=(const CItem&) = delete;
};

}  // namespace

TEST(CNAConnectionServices, MatchingSQLType) {
    KXInstallStandInHost();
    CStandInConnectionDescription clHost;
    CRecordingConnection cl(&clHost);
    cl.m_aTypeRows = {{NA_IT_UNICODE, L"VARCHAR(%d)", 1}, {NA_IT_MEMOBINAIRE, L"BYTEA", 0}};
    const struct {
        eNA_ITEMTYPE eType;
        unsigned nSize;
        int nInteger, nDecimal;
        int bExpected;
        const wchar_t* pszExpected;
    } tabCases[] = {
        {NA_IT_TEXTE, 51, 0, 0, 1, L"VARCHAR(50)"},     {NA_IT_DECIMAL, 9, 10, 2, 1, L"NUMERIC(12,2)"},
        {NA_IT_UNICODE, 42, 0, 0, 1, L"VARCHAR(20)"},    // the server's own row
        {NA_IT_MEMOBINAIRE, 8, 0, 0, 1, L"BYTEA"},       // a row the server adds
        {NA_IT_MEMOBINAIRE4, 8, 0, 0, 0, L"unchanged"},  // no row
        {NA_IT_EMPTY, 1, 0, 0, 1, L"VARCHAR(0)"},        // an item of no type is a text of size 1
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(st.eType);
        CItem clItem(st.eType, st.nSize, st.nInteger, st.nDecimal);
        CTString clOut(L"unchanged");
        EXPECT_EQ(cl.bGetMatchingSQLType(nullptr, clItem.p, &clOut), st.bExpected);
        EXPECT_EQ(std::wstring(clOut.pszGet()), st.pszExpected);
    }
    // Built once, the server's rows applied once.
    EXPECT_EQ(cl.m_nInitNativeTypes, 1);
    EXPECT_EQ(cl.pclGetMapConvertType()->nGetRef(), 1u);
}

// Declarations of other dialects that do not come from the map.
TEST(CNAConnectionServices, MatchingSQLTypeOfOtherDialects) {
    KXInstallStandInHost();
    CStandInConnectionDescription clHost;
    const struct {
        unsigned nKind;
        eNA_ITEMTYPE eType;
        unsigned nSize;
        int nInteger, nDecimal;
        const wchar_t* pszExpected;
    } tabCases[] = {
        {5, NA_IT_DECIMAL, 9, 10, 2, L"NUMERIC(12,2)"},   {5, NA_IT_DECIMAL, 9, 20, 35, L"NUMERIC(50,30)"},
        {5, NA_IT_DECIMAL, 9, 38, 30, L"NUMERIC(64,30)"}, {3, NA_IT_TEXTE, 257, 0, 0, L"TEXT"},
        {3, NA_IT_TEXTE, 256, 0, 0, L"VARCHAR(255)"},     {6, NA_IT_TEXTE, 257, 0, 0, L"VARCHAR(256)"},
    };
    for (const auto& st : tabCases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(st.pszExpected)));
        CRecordingConnection cl(&clHost, st.nKind);
        CItem clItem(st.eType, st.nSize, st.nInteger, st.nDecimal);
        if (st.eType == NA_IT_DECIMAL) {
            // Past 38 digits an item is made a real; these stand for a server's own wider numbers.
            clItem.p->bChangeTypeMemo(NA_IT_DECIMAL);
            clItem.p->SetIntegerPart(st.nInteger);
            clItem.p->SetDecimalPart(st.nDecimal);
        }
        CTString clOut;
        EXPECT_EQ(cl.bGetMatchingSQLType(nullptr, clItem.p, &clOut), 1);
        EXPECT_EQ(std::wstring(clOut.pszGet()), st.pszExpected);
    }
}

// A Unicode column on a server that does not hold Unicode: user error 46, before any map is made.
TEST(CNAConnectionServices, UnicodeColumnOnAServerWithoutUnicode) {
    KXInstallStandInHost();
    CStandInConnectionDescription clHost;
    clHost.m_sDataBase = L"dbhost";
    clHost.m_sExtendedInfo = L"Initial Catalog=kxbase";
    CRecordingConnection cl(&clHost);
    cl.SetServerUnicode(0);
    for (eNA_ITEMTYPE eType : {NA_IT_UNICODE, NA_IT_MEMOUNICODE}) {
        CItem clItem(eType, 42);
        CNAError clError;
        CTString clOut(L"unchanged");
        EXPECT_EQ(cl.bGetMatchingSQLType(&clError, clItem.p, &clOut), 0);
        EXPECT_EQ(std::wstring(clOut.pszGet()), L"unchanged");
        EXPECT_EQ(clError.dwGetErrorId(), 46u);
        EXPECT_EQ(std::wstring(clError.pszGetLogicalTableName()), L"orders");
        EXPECT_EQ(std::wstring(clError.pszGetItemName()), L"col");
        std::wstring sError = clError.pszGetError();
        EXPECT_NE(sError.find(L"IEKXPSQL=1.11\r\n"), std::wstring::npos);
        EXPECT_EQ(cl.pclGetMapConvertType(), nullptr);
    }
    CItem clText(NA_IT_TEXTE, 11);
    CTString clOut;
    EXPECT_EQ(cl.bGetMatchingSQLType(nullptr, clText.p, &clOut), 1);
    EXPECT_EQ(std::wstring(clOut.pszGet()), L"VARCHAR(10)");
}
