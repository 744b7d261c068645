// Raising errors through this library's error-definition table: the row a user code selects
// (message, detail id, level), codes without a row, the translation of result codes and the
// out-of-memory error.
#include "core/XErrorModule.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

std::wstring sOf(const wchar_t* psz) {
    return psz != nullptr ? std::wstring(psz) : std::wstring(L"<null>");
}

class XErrorModuleTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        gpfnLoadStringKXM = standin::pfnGetLoadString();
        standin::SetMessageDefault(true);  // every message reads "#<id>"
    }
    void TearDown() override { gpfnLoadStringKXM = nullptr; }
};

TEST_F(XErrorModuleTest, ModuleDescription) {
    EXPECT_EQ(gstMyModuleInfo39.pstErrorDef, gstErrorDef39);
    EXPECT_EQ(gstMyModuleInfo39.nNbErrorDef, 84u);
    EXPECT_EQ(gstMyModuleInfo39.nModuleNumber, 39u);
    EXPECT_STREQ(gstMyModuleInfo39.pszModuleName, L"kx200postgresql64.so");
    EXPECT_STREQ(gstMyModuleInfo39.pszModuleVersion, L"20.0.5.0");
}

TEST_F(XErrorModuleTest, TableRowsFollowTheirRules) {
    int nRowsOf29 = 0;
    for (uint64_t i = 0; i < gstMyModuleInfo39.nNbErrorDef; i++) {
        const _stErrorDef& st = gstErrorDef39[i];
        uint32_t nCode = st.nUserErrorCode;
        EXPECT_NE(nCode, 3u);
        EXPECT_NE(nCode, 36u);
        bool bOwnDetail = nCode >= 17 && nCode <= 20;
        EXPECT_EQ(st.nDetailId, bOwnDetail ? st.nMessageId : nCode) << "code " << nCode;
        EXPECT_EQ(st.nErrorLevel, (nCode == 21 || nCode == 73) ? 2u : 3u) << "code " << nCode;
        if (nCode == 29) nRowsOf29++;
    }
    EXPECT_EQ(nRowsOf29, 2);
    // First, last and a few rows in between, in the printed order.
    EXPECT_EQ(gstErrorDef39[0].nUserErrorCode, 1u);
    EXPECT_EQ(gstErrorDef39[11].nUserErrorCode, 7u);
    EXPECT_EQ(gstErrorDef39[43].nUserErrorCode, 29u);
    EXPECT_EQ(gstErrorDef39[83].nUserErrorCode, 1000u);
    EXPECT_EQ(gstErrorDef39[83].nMessageId, 8050u);
}

TEST_F(XErrorModuleTest, UserErrorTakesItsRow) {
    struct Case {
        uint32_t nCode;
        uint32_t nMessageId;  // 0: no row
        uint32_t nDetailId;
        uint32_t nLevel;
    } cases[] = {
        {21, 28576, 21, 2}, {17, 28544, 28544, 3}, {18, 28563, 28563, 3}, {73, 25860, 73, 2}, {14, 28542, 14, 3},
        {29, 28624, 29, 3}, {1000, 8050, 1000, 3}, {3, 0, 0, 3},          {36, 0, 0, 3},
    };
    for (const Case& c : cases) {
        _CXErrorModule39 clError;
        clError.AddUserMessage(L"earlier");  // SetUserError starts from an empty error
        clError.SetUserError(&gstMyModuleInfo39, c.nCode);
        EXPECT_EQ(clError.eGetErrorLevel(), c.nLevel) << c.nCode;
        EXPECT_EQ(clError.nGetDetailId(), c.nDetailId) << c.nCode;
        EXPECT_STREQ(clError.pszGetModName(), L"kx200postgresql64.so");
        if (c.nMessageId != 0) {
            EXPECT_EQ(clError.nGetUserErrorCode(), c.nCode);
            ASSERT_EQ(clError.nNumErrorId(), 1) << c.nCode;
            EXPECT_EQ(clError.nGetErrorId(0), c.nMessageId);
            EXPECT_EQ(sOf(clError.pszGetUserMessage()), L"#" + std::to_wstring(c.nMessageId));
            EXPECT_STREQ(clError.pszGetDebugMessage(), L"");
        } else {
            EXPECT_EQ(clError.nGetUserErrorCode(), 0u) << c.nCode;
            EXPECT_EQ(clError.nNumErrorId(), 0);
            EXPECT_STREQ(clError.pszGetUserMessage(), L"");
            EXPECT_EQ(sOf(clError.pszGetDebugMessage()),
                      L"##(CXError)-Pas de definition d'erreur dans gstErrorDef pour l'identifiant <" +
                          std::to_wstring(c.nCode) + L">##");
        }
        EXPECT_EQ(CXError::nGetRessourceIdFromUserErrorCode(&gstMyModuleInfo39, c.nCode), c.nMessageId);
    }
}

TEST_F(XErrorModuleTest, MessageArgumentsAndChangeKeepsEarlierText) {
    standin::SetMessageText(28542, L"connection %s");
    standin::SetMessageText(28583, L"column %d of %d");
    _CXErrorModule39 clError(14u, L"cnx");
    EXPECT_EQ(sOf(clError.pszGetUserMessage()), L"connection cnx");
    // Without a reset, the new message goes first.
    clError.ChangeUserError(&gstMyModuleInfo39, 50, -1, 4);
    EXPECT_EQ(sOf(clError.pszGetUserMessage()), L"column -1 of 4\r\nconnection cnx");
    EXPECT_EQ(clError.nGetUserErrorCode(), 50u);
    ASSERT_EQ(clError.nNumErrorId(), 2);
    EXPECT_EQ(clError.nGetErrorId(0), 28583u);
    EXPECT_EQ(clError.nGetErrorId(1), 28542u);
}

TEST_F(XErrorModuleTest, UserErrorWithAGivenText) {
    _CXErrorModule39 clError;
    clError.SetUserErrorMessage(&gstMyModuleInfo39, 21, L"T");
    EXPECT_EQ(sOf(clError.pszGetUserMessage()), L"T");
    EXPECT_EQ(clError.nNumErrorId(), 0);
    EXPECT_EQ(clError.nGetUserErrorCode(), 21u);
    EXPECT_EQ(clError.nGetDetailId(), 21u);
    EXPECT_EQ(clError.eGetErrorLevel(), 2u);

    clError.SetUserErrorMessage(&gstMyModuleInfo39, 3, L"T");
    EXPECT_STREQ(clError.pszGetUserMessage(), L"");
    EXPECT_EQ(clError.eGetErrorLevel(), 3u);
    EXPECT_EQ(clError.nGetUserErrorCode(), 0u);
}

TEST_F(XErrorModuleTest, ResultCodesOfTheValueOperations) {
    struct Case {
        int nResult;
        uint32_t nCode;  // user code raised; 0 = none
        bool bUnchanged;
    } cases[] = {
        {1, 65, false},   {101, 61, false}, {104, 66, false}, {105, 60, false}, {106, 64, false},
        {107, 63, false}, {0, 0, false},    {102, 0, true},   {103, 0, true},   {108, 0, true},
    };
    standin::SetMessageText(25293, L"from %d to %d");
    for (const Case& c : cases) {
        _CXErrorModule39 clError;
        clError.SetUserError(&gstMyModuleInfo39, 14);
        clError.SetAnyError(&gstMyModuleInfo39, c.nResult, 16, 26);
        if (c.bUnchanged) {
            EXPECT_EQ(clError.nGetUserErrorCode(), 14u) << c.nResult;
        } else {
            EXPECT_EQ(clError.nGetUserErrorCode(), c.nCode) << c.nResult;
            EXPECT_EQ(clError.nNumErrorId(), c.nCode != 0 ? 1 : 0) << c.nResult;
        }
        if (c.nResult == 0) {
            EXPECT_FALSE(clError.bIsError());
        }
        if (c.nResult == 105) {
            EXPECT_EQ(sOf(clError.pszGetUserMessage()), L"from 16 to 26");
        }
    }
}

TEST_F(XErrorModuleTest, OutOfMemoryIsAnErrorDescribingENOMEM) {
    standin::SetMessageText(25193, L"no memory");
    _CXErrorModule39 clError;
    clError.SetUserError(&gstMyModuleInfo39, 14);
    errno = EACCES;
    clError.SetAnyError(&gstMyModuleInfo39, 100, 0, 0);
    EXPECT_EQ(errno, EACCES);
    EXPECT_EQ(clError.nGetUserErrorCode(), 0u);
    EXPECT_EQ(sOf(clError.pszGetUserMessage()), L"no memory");
    ASSERT_EQ(clError.nNumErrorId(), 1);
    EXPECT_EQ(clError.nGetErrorId(0), 25193u);
    EXPECT_EQ(clError.dwGetSystemErrorCode(), 12u);
    std::string s = strerror(ENOMEM);
    EXPECT_EQ(sOf(clError.pszGetSystemErrorMessage()), std::wstring(s.begin(), s.end()));
    // It must not read as "no error" to callers that test the level.
    EXPECT_EQ(clError.eGetErrorLevel(), 3u);
    EXPECT_TRUE(clError.bIsError());
}

TEST_F(XErrorModuleTest, OutOfMemoryNamesThisLibraryWhateverTheModule) {
    static const _stErrorDef s_astRows[] = {{1, 30010, 1, 3}};
    const _stMyModuleInfo stOther = {s_astRows, 1, 7, L"other.so", L"1.0", gstMyModuleInfo39.pfnGetRes};
    CXError clError(&stOther);
    clError.SetUserError(&stOther, 1);
    EXPECT_STREQ(clError.pszGetModName(), L"other.so");
    EXPECT_EQ(clError.nGetModuleNumber(), 7u);
    clError.SetErrorNoMemory();
    EXPECT_STREQ(clError.pszGetModName(), L"kx200postgresql64.so");
    EXPECT_STREQ(clError.pszGetModVersion(), L"20.0.5.0");
    EXPECT_EQ(clError.nGetModuleNumber(), 7u);
}

TEST_F(XErrorModuleTest, ConstructorsRaiseWithDebugText) {
    CXError clError(&gstMyModuleInfo39, L"IEKXPSQL=5.4", 14u, L"cnx");
    EXPECT_EQ(clError.nGetUserErrorCode(), 14u);
    EXPECT_EQ(sOf(clError.pszGetDebugMessage()), L"IEKXPSQL=5.4");
}

// The packed table of the library itself (no host callback) holds a text for every row, and the
// texts take the arguments the raising code passes.
TEST_F(XErrorModuleTest, PackedTableTextsWithoutHostCallback) {
    gpfnLoadStringKXM = nullptr;
    for (uint64_t i = 0; i < gstMyModuleInfo39.nNbErrorDef; i++) {
        CTString clText;
        EXPECT_TRUE(DLLRES_bLoadString(&gstMyModuleInfo39, gstErrorDef39[i].nMessageId, &clText))
            << gstErrorDef39[i].nMessageId;
        EXPECT_GT(clText.nTaille(), 0);
    }
    _CXErrorModule39 clError(14u, L"cnx");
    EXPECT_EQ(sOf(clError.pszGetUserMessage()), L"The connection cnx is not open.");
    clError.SetUserError(&gstMyModuleInfo39, 53, 16, 4, L"12a");
    EXPECT_EQ(sOf(clError.pszGetUserMessage()), L"The value of type 16 cannot be converted to the item type 4: 12a.");
}

// Each text puts every argument where its callers mean it: the table first where they pass the
// table first, and every argument of the texts also used as prefixes and debug lines.
TEST_F(XErrorModuleTest, PackedTextsPlaceTheirArguments) {
    gpfnLoadStringKXM = nullptr;
    struct Case {
        uint32_t nCode;
        const wchar_t* pszExpected;  // formatted with the texts "A", "B" and "C"
    } cases[] = {
        {2, L"The query of the table A (item B) was run before it was prepared."},
        {5, L"The table A has no browse item B."},
        {20, L"The table A has no item B in the database."},
        {21, L"The next automatic identifier of the table A (item B) could not be computed."},
        {25, L"Query on the server A, database B, user C:"},
        {47, L"The client encoding A could not be set (server encoding B, database C)."},
        {74, L"The A client library B is already loaded; C cannot be used."},
        {82, L"The browse of the table A on the item B cannot go back."},
    };
    for (const Case& c : cases) {
        _CXErrorModule39 clError;
        clError.SetUserError(&gstMyModuleInfo39, c.nCode, L"A", L"B", L"C");
        EXPECT_EQ(sOf(clError.pszGetUserMessage()), c.pszExpected) << c.nCode;
    }
}

}  // namespace
