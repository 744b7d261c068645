// The driver's error object: its entry order as the host calls it, what the host reads after one
// or several failures (main error, sub-errors, kinds, levels, names, the debug line that locates
// each failure, the dump), the amendments that go to the last failure, the connection's part in
// them (its database, its details), and the reset.
#include "native/driver/NAError.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <functional>
#include <string>

#include "native/driver/NAConnectionDescription.h"
#include "tests/core/VirtualSlot.h"
#include "tests/driver/HostCall.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/TestSupport.h"

namespace {

// User error codes of the driver's table with their message ids.
constexpr unsigned CODE_NOT_AVAILABLE = 8;   // 28437, no argument
constexpr unsigned CODE_NO_TRANSACTION = 9;  // 28536, transaction name
constexpr unsigned CODE_NOT_OPEN = 14;       // 28542, connection name
constexpr unsigned CODE_NO_MEMORY = 12;      // 28546

const wchar_t g_szLine54[] = L"IEKXPSQL=5.4\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>";
const wchar_t g_szLine56[] = L"IEKXPSQL=5.6\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>";

// What the host reads, slot by slot.
struct stHostView {
    int nVersion, nCompatSince, nNAVersion, nNACompatSince;
    uint32_t dwErrorId;
    int32_t eType;
    const wchar_t* pszTable;
    const wchar_t* pszItem;
    const void* pclXError;
    uint32_t eLevel;
};

stHostView HostRead(const CNAError& clError) {
    const void* p = &clError;
    return {HostCall<int>(p, 2),
            HostCall<int>(p, 3),
            HostCall<int>(p, 4),
            HostCall<int>(p, 5),
            HostCall<uint32_t>(p, 8),
            HostCall<int32_t>(p, 9),
            HostCall<const wchar_t*>(p, 10),
            HostCall<const wchar_t*>(p, 11),
            HostCall<const void*>(p, 12),
            HostCall<uint32_t>(p, 13)};
}

std::wstring sDump(const CNAError& clError) {
    return HostCall<const wchar_t*>(&clError, 7);
}

size_t nCount(const std::wstring& s, const std::wstring& sPart) {
    size_t n = 0;
    for (size_t i = s.find(sPart); i != std::wstring::npos; i = s.find(sPart, i + 1)) n++;
    return n;
}

const CXError* pclSub(const CNAError& clError, int i) {
    return clError.pclGetXError()->pclGetSubError(i);
}

TEST(NAErrorTest, EntriesInTheHostsOrder) {
    struct Case {
        ptrdiff_t nEntry;
        int nSlot;
    } cases[] = {
        {SlotOf(&INAError::nGetVersion), 2},
        {SlotOf(&INAError::nGetCompatSince), 3},
        {SlotOf(&INAError::nGetNAVersion), 4},
        {SlotOf(&INAError::nGetNACompatSince), 5},
        {SlotOf(&INAError::NAVersion_EmptySlot_3), 6},
        {SlotOf(&INAError::pszGetError), 7},
        {SlotOf(&INAError::dwGetErrorId), 8},
        {SlotOf(&INAError::eGetErrorType), 9},
        {SlotOf(&INAError::pszGetLogicalTableName), 10},
        {SlotOf(&INAError::pszGetItemName), 11},
        {SlotOf(&INAError::pclGetXError), 12},
        {SlotOf(&INAError::eGetErrorLevel), 13},
        {SlotOf(&INAError::EmptySlot52), 14},
        {SlotOf(&INAError::EmptySlot56), 18},
        // After the interface: the destructor pair (19, 20), then Reset.
        {SlotOf(&CNAError::Reset), 21},
    };
    for (const Case& c : cases) EXPECT_EQ(c.nEntry, c.nSlot - 2) << "slot " << c.nSlot;
}

TEST(NAErrorTest, ResetAndDeletionThroughTheTable) {
    auto* pclError = new CNAError;
    pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 4, nullptr, CODE_NOT_OPEN, L"CNX1");
    HostCall<void>(pclError, 21);
    EXPECT_EQ(pclError->eGetErrorType(), NA_ERRORTYPE_NONE);
    EXPECT_EQ(pclError->dwGetErrorId(), 0u);
    // The deleting destructor (slot 20): the address sanitizer checks that it frees the whole object.
    HostCall<void>(pclError, 20);
}

TEST(NAErrorTest, NewObjectReadsAsNoError) {
    CNAError clError;
    stHostView st = HostRead(clError);
    EXPECT_EQ(st.nVersion, 1);
    EXPECT_EQ(st.nCompatSince, 1);
    EXPECT_EQ(st.nNAVersion, -1);
    EXPECT_EQ(st.nNACompatSince, -1);
    EXPECT_EQ(st.eType, -1);
    EXPECT_EQ(st.dwErrorId, 0u);
    EXPECT_EQ(st.pszTable, nullptr);
    EXPECT_EQ(st.pszItem, nullptr);
    EXPECT_EQ(st.eLevel, 1u);
    EXPECT_EQ(st.pclXError, clError.pclGetXError());
    EXPECT_NE(HostCall<const wchar_t*>(&clError, 7), nullptr);
}

TEST(NAErrorTest, DebugLineLocatesTheFailure) {
    struct Case {
        int nFile, nSite;
        const wchar_t* pszLine;
    } cases[] = {
        {5, 4, g_szLine54},
        {101, 12, L"IEKXPSQL=101.12\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>"},
        {9, 1, L"IEKXPSQL=9.1\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>"},
    };
    for (const Case& c : cases) {
        CXError clBare(&gstMyModuleInfo39);
        CNAError::g_AddDebugInfo(&clBare, c.nFile, c.nSite);
        EXPECT_STREQ(clBare.pszGetDebugMessage(), c.pszLine);
        CNAError clError;
        clError.AddError(NA_ERRORTYPE_GENERAL, c.nFile, c.nSite, nullptr, CODE_NOT_AVAILABLE);
        EXPECT_STREQ(clError.pclGetXError()->pszGetDebugMessage(), c.pszLine);
    }
}

TEST(NAErrorTest, FirstFailureIsTheMainErrorLaterOnesItsSubErrors) {
    CNAError clError;
    clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 4, nullptr, CODE_NOT_OPEN, L"CNX1");
    clError.AddError(NA_ERRORTYPE_NOTAVAILABLE, CODE_NOT_AVAILABLE, CNAError::FILE_DRIVER, 6, nullptr);

    stHostView st = HostRead(clError);
    EXPECT_EQ(st.eType, NA_ERRORTYPE_GENERAL);
    EXPECT_EQ(st.dwErrorId, CODE_NOT_OPEN);
    EXPECT_EQ(st.eLevel, 3u);
    // The readers of the last failure see the second.
    EXPECT_EQ(clError.nGetUserErrorCode(), CODE_NOT_AVAILABLE);

    const CXError* pclMain = clError.pclGetXError();
    EXPECT_EQ(pclMain->nGetErrorId(0), 28542u);
    EXPECT_NE(std::wstring(pclMain->pszGetUserMessage()).find(L"CNX1"), std::wstring::npos);
    EXPECT_STREQ(pclMain->pszGetDebugMessage(), g_szLine54);
    ASSERT_EQ(pclMain->nGetNbSubError(), 1);
    EXPECT_EQ(pclSub(clError, 0)->nGetUserErrorCode(), CODE_NOT_AVAILABLE);
    EXPECT_STREQ(pclSub(clError, 0)->pszGetDebugMessage(), g_szLine56);

    // The dump holds both failures, each with its own debug line.
    std::wstring sText = sDump(clError);
    EXPECT_EQ(nCount(sText, g_szLine54), 1u) << sText;
    EXPECT_EQ(nCount(sText, g_szLine56), 1u) << sText;
    EXPECT_NE(sText.find(L"CNX1"), std::wstring::npos);
    EXPECT_EQ(sText, clError.StringDump().pszGet());
}

TEST(NAErrorTest, DumpTextLivesUntilTheNextRenderingOrReset) {
    CNAError clError;
    clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 4, nullptr, CODE_NOT_OPEN, L"CNX1");
    const wchar_t* pszFirst = HostCall<const wchar_t*>(&clError, 7);
    std::wstring sFirst = pszFirst;
    clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 6, nullptr, CODE_NOT_AVAILABLE);
    EXPECT_EQ(std::wstring(pszFirst), sFirst);  // not re-rendered behind the host's back
    std::wstring sSecond = HostCall<const wchar_t*>(&clError, 7);
    EXPECT_NE(sSecond, sFirst);
    // Rendering again gives the same text, not the text twice.
    EXPECT_EQ(sDump(clError), sSecond);
    clError.Reset();
    EXPECT_EQ(sDump(clError).find(L"CNX1"), std::wstring::npos);
}

TEST(NAErrorTest, AddErrorFirstPushesTheMainErrorDown) {
    CNAError clError;
    clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 4, nullptr, CODE_NOT_OPEN, L"CNX1");
    clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 6, nullptr, CODE_NOT_AVAILABLE);
    clError.AddErrorFirst(NA_ERRORTYPE_DUPLICATE, CNAError::FILE_TRANSACTION, 3, nullptr, CODE_NO_TRANSACTION, L"T1");

    EXPECT_EQ(clError.eGetErrorType(), NA_ERRORTYPE_DUPLICATE);
    EXPECT_EQ(clError.dwGetErrorId(), CODE_NO_TRANSACTION);
    const CXError* pclMain = clError.pclGetXError();
    EXPECT_STREQ(pclMain->pszGetDebugMessage(), L"IEKXPSQL=2.3\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>");
    ASSERT_EQ(pclMain->nGetNbSubError(), 1);
    // The previous main error follows, its own sub-error with it.
    const CXError* pclPrevious = pclSub(clError, 0);
    EXPECT_EQ(pclPrevious->nGetUserErrorCode(), CODE_NOT_OPEN);
    ASSERT_EQ(pclPrevious->nGetNbSubError(), 1);
    EXPECT_EQ(pclPrevious->pclGetSubError(0)->nGetUserErrorCode(), CODE_NOT_AVAILABLE);

    // With nothing recorded it is a plain first failure.
    CNAError clFresh;
    clFresh.AddErrorFirst(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 4, nullptr, CODE_NOT_OPEN, L"CNX1");
    EXPECT_EQ(clFresh.dwGetErrorId(), CODE_NOT_OPEN);
    EXPECT_EQ(clFresh.pclGetXError()->nGetNbSubError(), 0);
}

TEST(NAErrorTest, ReadyErrorsAreCopiedInto) {
    _CXErrorModule39 clReady(CODE_NOT_OPEN, L"CNX9");
    CNAError::g_AddDebugInfo(&clReady, 1, 7);
    CNAError clError;
    clError.AddError(NA_ERRORTYPE_CONNECTIONLOST, &clReady, nullptr);
    EXPECT_EQ(clError.eGetErrorType(), NA_ERRORTYPE_CONNECTIONLOST);
    EXPECT_EQ(clError.dwGetErrorId(), CODE_NOT_OPEN);
    EXPECT_NE(clError.pclGetXError(), static_cast<CXError*>(&clReady));
    clError.AddError(NA_ERRORTYPE_GENERAL, &clReady, nullptr);
    EXPECT_EQ(clError.eGetErrorType(), NA_ERRORTYPE_CONNECTIONLOST);
    EXPECT_EQ(clError.pclGetXError()->nGetNbSubError(), 1);

    // A caller that filled the main error in place and records it: it stays, once.
    CNAError clInPlace;
    clInPlace.pclGetXError()->SetUserError(&gstMyModuleInfo39, CODE_NOT_AVAILABLE);
    clInPlace.AddError(NA_ERRORTYPE_NOTAVAILABLE, clInPlace.pclGetXError(), nullptr);
    EXPECT_EQ(clInPlace.eGetErrorType(), NA_ERRORTYPE_NOTAVAILABLE);
    EXPECT_EQ(clInPlace.dwGetErrorId(), CODE_NOT_AVAILABLE);
    EXPECT_EQ(clInPlace.pclGetXError()->nGetNbSubError(), 0);
}

TEST(NAErrorTest, InfoNamesNeedATableName) {
    struct Case {
        const wchar_t* pszTable;
        const wchar_t* pszItem;
        const wchar_t* pszTableRead;
        const wchar_t* pszItemRead;
    } cases[] = {
        {L"", L"ITEM", nullptr, nullptr},         {nullptr, L"ITEM", nullptr, nullptr},
        {L"ORDERS", L"", L"ORDERS", nullptr},     {L"ORDERS", nullptr, L"ORDERS", nullptr},
        {L"ORDERS", L"ITEM", L"ORDERS", L"ITEM"},
    };
    for (const Case& c : cases) {
        CNAError clError;
        clError.SetInfoNames(c.pszTable, c.pszItem);
        stHostView st = HostRead(clError);
        if (c.pszTableRead == nullptr)
            EXPECT_EQ(st.pszTable, nullptr);
        else
            EXPECT_STREQ(st.pszTable, c.pszTableRead);
        if (c.pszItemRead == nullptr)
            EXPECT_EQ(st.pszItem, nullptr);
        else
            EXPECT_STREQ(st.pszItem, c.pszItemRead);
    }
}

TEST(NAErrorTest, ServerErrorsCarryTheServersCodeAndText) {
    CNAError clError;
    clError._SetDataBaseError(NA_ERRORTYPE_DUPLICATE, nullptr, CODE_NOT_OPEN, 23505, L"duplicate key", L"ORDERS",
                              L"ID");
    EXPECT_EQ(clError.eGetErrorType(), NA_ERRORTYPE_DUPLICATE);
    EXPECT_EQ(clError.dwGetErrorId(), CODE_NOT_OPEN);
    EXPECT_EQ(clError.dwGetDataBaseErrorCode(), 23505u);
    EXPECT_STREQ(clError.pszGetSystemErrorMessage(), L"duplicate key");
    EXPECT_NE(std::wstring(clError.pclGetXError()->pszGetUserMessage()).find(L"duplicate key"), std::wstring::npos);
    EXPECT_STREQ(clError.pszGetLogicalTableName(), L"ORDERS");
    EXPECT_STREQ(clError.pszGetItemName(), L"ID");

    // A second one is a sub-error: the readers of the last failure see it, the names stay the main's.
    clError._SetDataBaseError(NA_ERRORTYPE_GENERAL, nullptr, CODE_NOT_OPEN, 0, L"", L"LINES", nullptr);
    EXPECT_EQ(clError.eGetErrorType(), NA_ERRORTYPE_DUPLICATE);
    EXPECT_EQ(clError.dwGetDataBaseErrorCode(), 0u);  // no code given, none stored
    EXPECT_STREQ(clError.pszGetSystemErrorMessage(), L"");
    EXPECT_STREQ(clError.pszGetLogicalTableName(), L"ORDERS");
    ASSERT_EQ(clError.pclGetXError()->nGetNbSubError(), 1);
    const void* pValue = nullptr;
    ASSERT_TRUE(pclSub(clError, 0)->bGetInfo(CXError::EIT_LOGICALTABLENAME, &pValue));
    EXPECT_STREQ(static_cast<const wchar_t*>(pValue), L"LINES");
}

TEST(NAErrorTest, AmendmentsGoToTheLastFailure) {
    CNAError clError;
    clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 4, nullptr, CODE_NOT_OPEN, L"CNX1");
    clError.SetDataBaseErrorCode(11);
    clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 6, nullptr, CODE_NOT_AVAILABLE);

    clError.SetDataBaseErrorCode(42);
    clError.SetDataBaseErrorMessage(L"server said no");
    clError.SetSystemErrorCode(5);
    clError.AddUserMessageNoFormat(L"first");
    clError.AddUserMessageNoFormat(L"");
    clError.AddUserMessageNoFormat(nullptr);
    clError.AddUserMessageNoFormat(L"second");
    clError.AddDebugMessageNoFormatFirst(L"before");
    clError.AddDebugMessageNoFormatFirst(L"");
    clError.AddDebugInfo(3, 9);

    EXPECT_EQ(clError.dwGetDataBaseErrorCode(), 42u);
    EXPECT_EQ(clError.dwGetSystemErrorCode(), 5u);
    const CXError* pclLast = pclSub(clError, 0);
    const void* pValue = nullptr;
    ASSERT_TRUE(pclLast->bGetInfo(CXError::EIT_BASEMESSAGE, &pValue));
    EXPECT_STREQ(static_cast<const wchar_t*>(pValue), L"server said no");
    std::wstring sUser = pclLast->pszGetUserMessage();
    EXPECT_NE(sUser.find(L"\r\nfirst\r\nsecond"), std::wstring::npos) << sUser;
    EXPECT_EQ(std::wstring(pclLast->pszGetDebugMessage()),
              std::wstring(L"before\r\n") + g_szLine56 + L"\r\nIEKXPSQL=3.9\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>");

    // The main error kept its own.
    const CXError* pclMain = clError.pclGetXError();
    EXPECT_EQ(pclMain->dwGetSystemErrorCode(), 0u);
    EXPECT_STREQ(pclMain->pszGetDebugMessage(), g_szLine54);
    pValue = nullptr;
    ASSERT_TRUE(pclMain->bGetInfo(CXError::EIT_BASECODE, &pValue));
    EXPECT_EQ(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(pValue)), 11u);

    // A system code alone keeps the message already there.
    CNAError clCode;
    clCode._SetDataBaseError(NA_ERRORTYPE_GENERAL, nullptr, CODE_NOT_OPEN, 0, L"refused", nullptr, nullptr);
    clCode.SetSystemErrorCode(111);
    EXPECT_EQ(clCode.dwGetSystemErrorCode(), 111u);
    EXPECT_STREQ(clCode.pszGetSystemErrorMessage(), L"refused");
}

TEST(NAErrorTest, LevelsOutsideOneToThreeAreIgnored) {
    struct Case {
        uint32_t nLevel;
        uint32_t nLevelRead;
        uint32_t dwErrorIdRead;
        int32_t eTypeRead;
    } cases[] = {
        {4, 3, CODE_NOT_OPEN, 0},
        {0, 3, CODE_NOT_OPEN, 0},
        {0xFFFFFFFF, 3, CODE_NOT_OPEN, 0},
        {3, 3, CODE_NOT_OPEN, 0},
        {2, 2, CODE_NOT_OPEN, 0},
        // Level 1 clears the error: the object is empty again, so the next failure is a main error.
        {1, 1, 0, -1},
    };
    for (const Case& c : cases) {
        CNAError clError;
        clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 4, nullptr, CODE_NOT_OPEN, L"CNX1");
        clError.SetErrorLevel(static_cast<eNAERRORLEVEL>(c.nLevel));
        stHostView st = HostRead(clError);
        EXPECT_EQ(st.eLevel, c.nLevelRead) << c.nLevel;
        EXPECT_EQ(st.dwErrorId, c.dwErrorIdRead) << c.nLevel;
        EXPECT_EQ(st.eType, c.eTypeRead) << c.nLevel;
    }
    CNAError clCleared;
    clCleared.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 4, nullptr, CODE_NOT_OPEN, L"CNX1");
    clCleared.SetErrorLevel(NA_ERRORLEVEL_NOERROR);
    clCleared.AddError(NA_ERRORTYPE_NOTAVAILABLE, CNAError::FILE_DRIVER, 6, nullptr, CODE_NOT_AVAILABLE);
    EXPECT_EQ(clCleared.dwGetErrorId(), CODE_NOT_AVAILABLE);
    EXPECT_EQ(clCleared.eGetErrorType(), NA_ERRORTYPE_NOTAVAILABLE);
    EXPECT_EQ(clCleared.pclGetXError()->nGetNbSubError(), 0);
}

TEST(NAErrorTest, OutOfMemoryIsAFailureLikeAnyOther) {
    // Alone: the main error, with a user code and level 3, never "no error".
    CNAError clAlone;
    clAlone.SetErrorNoMemory();
    stHostView st = HostRead(clAlone);
    EXPECT_EQ(st.dwErrorId, CODE_NO_MEMORY);
    EXPECT_EQ(st.eLevel, 3u);
    EXPECT_EQ(st.eType, NA_ERRORTYPE_GENERAL);
    EXPECT_EQ(clAlone.dwGetSystemErrorCode(), 12u);  // ENOMEM

    // After another failure: a sub-error, the earlier failure kept as the main one.
    CNAError clAfter;
    clAfter.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 4, nullptr, CODE_NOT_OPEN, L"CNX1");
    clAfter.SetErrorNoMemory();
    EXPECT_EQ(clAfter.dwGetErrorId(), CODE_NOT_OPEN);
    ASSERT_EQ(clAfter.pclGetXError()->nGetNbSubError(), 1);
    EXPECT_EQ(clAfter.nGetUserErrorCode(), CODE_NO_MEMORY);
    EXPECT_EQ(clAfter.pclGetXError()->pclGetSubError(0)->eGetErrorLevel(), 3u);
}

TEST(NAErrorTest, SubErrors) {
    _CXErrorModule39 clEmpty;
    _CXErrorModule39 clFailure(CODE_NOT_AVAILABLE);

    CNAError clError;
    clError.AddSubError(&clEmpty);
    clError.AddSubError(nullptr);
    EXPECT_EQ(clError.eGetErrorType(), NA_ERRORTYPE_NONE);
    EXPECT_EQ(clError.pclGetXError()->nGetNbSubError(), 0);

    // A failure handed in while nothing is recorded becomes the main error.
    clError.AddSubError(&clFailure);
    EXPECT_EQ(clError.dwGetErrorId(), CODE_NOT_AVAILABLE);
    EXPECT_EQ(clError.eGetErrorLevel(), NA_ERRORLEVEL_ERROR);
    EXPECT_EQ(clError.pclGetXError()->nGetNbSubError(), 0);

    clError.AddSubError(&clFailure);
    clError.AddSubError(&clEmpty);
    EXPECT_EQ(clError.pclGetXError()->nGetNbSubError(), 1);
}

TEST(NAErrorTest, CopyReplacesTypeAndError) {
    CNAError clSource;
    clSource.AddError(NA_ERRORTYPE_DUPLICATE, CNAError::FILE_DRIVER, 4, nullptr, CODE_NOT_OPEN, L"CNX1");
    clSource.SetInfoNames(L"ORDERS", nullptr);

    CNAError clTarget;
    clTarget.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 6, nullptr, CODE_NOT_AVAILABLE);
    clTarget.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 6, nullptr, CODE_NOT_AVAILABLE);
    clTarget.Copy(&clSource);
    EXPECT_EQ(clTarget.eGetErrorType(), NA_ERRORTYPE_DUPLICATE);
    EXPECT_EQ(clTarget.dwGetErrorId(), CODE_NOT_OPEN);
    EXPECT_STREQ(clTarget.pszGetLogicalTableName(), L"ORDERS");
    // Nothing of what the target held before is left, its sub-errors included.
    EXPECT_EQ(clTarget.pclGetXError()->nGetNbSubError(), 0);
    EXPECT_EQ(sDump(clTarget).find(L"=5.6"), std::wstring::npos);

    std::wstring sBefore = sDump(clTarget);
    clTarget.Copy(&clTarget);
    clTarget.Copy(nullptr);
    EXPECT_EQ(sDump(clTarget), sBefore);
    EXPECT_EQ(clTarget.eGetErrorType(), NA_ERRORTYPE_DUPLICATE);
}

TEST(NAErrorTest, NumericResultsOfValueOperations) {
    CNAError clError;
    clError.SetAnyError(105, 0, 0, CNAError::FILE_VARIANT, 2, nullptr, L"ORDERS", L"AMOUNT");
    EXPECT_EQ(clError.eGetErrorType(), NA_ERRORTYPE_GENERAL);
    EXPECT_EQ(clError.dwGetErrorId(), 60u);  // not convertible
    EXPECT_STREQ(clError.pszGetItemName(), L"AMOUNT");
    EXPECT_STREQ(clError.pclGetXError()->pszGetDebugMessage(),
                 L"IEKXPSQL=7.2\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>");
    clError.SetAnyError(101, 0, 0, CNAError::FILE_VARIANT, 3, nullptr, nullptr, nullptr);
    EXPECT_EQ(clError.dwGetErrorId(), 60u);
    ASSERT_EQ(clError.pclGetXError()->nGetNbSubError(), 1);
    EXPECT_EQ(clError.nGetUserErrorCode(), 61u);

    // Results that are not failures record nothing, so the next failure is still the main one.
    CNAError clNoFailure;
    for (int nResult : {0, 102, 103}) {
        clNoFailure.SetAnyError(nResult, 0, 0, CNAError::FILE_VARIANT, 4, nullptr, L"ORDERS", nullptr);
        EXPECT_EQ(clNoFailure.eGetErrorType(), NA_ERRORTYPE_NONE) << nResult;
        EXPECT_EQ(clNoFailure.pszGetLogicalTableName(), nullptr) << nResult;
    }
    clNoFailure.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 6, nullptr, CODE_NOT_AVAILABLE);
    EXPECT_EQ(clNoFailure.dwGetErrorId(), CODE_NOT_AVAILABLE);
}

TEST(NAErrorTest, ResetEmptiesEverything) {
    CNAError clError;
    clError.AddError(NA_ERRORTYPE_DUPLICATE, CNAError::FILE_DRIVER, 4, nullptr, CODE_NOT_OPEN, L"CNX1");
    clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 6, nullptr, CODE_NOT_AVAILABLE);
    clError.SetInfoNames(L"ORDERS", L"ID");
    clError.Reset();
    stHostView st = HostRead(clError);
    EXPECT_EQ(st.eType, -1);
    EXPECT_EQ(st.dwErrorId, 0u);
    EXPECT_EQ(st.eLevel, 1u);
    EXPECT_EQ(st.pszTable, nullptr);
    EXPECT_EQ(clError.pclGetXError()->nGetNbSubError(), 0);
    EXPECT_STREQ(clError.pclGetXError()->pszGetDebugMessage(), L"");
    // The next failure is a main error again.
    clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 6, nullptr, CODE_NOT_AVAILABLE);
    EXPECT_EQ(clError.dwGetErrorId(), CODE_NOT_AVAILABLE);
}

// Code that fills the main error in place, through the error's CXError, leaves the error type at
// -1: the reset at the next call of the host must still clear what it wrote, whatever it was.
TEST(NAErrorTest, ResetClearsWhatWasWrittenInPlaceWithoutAnErrorType) {
    struct Case {
        const char* pszName;
        std::function<void(CXError*)> fnFill;
    } cases[] = {
        {"error level", [](CXError* p) { p->SetErrorLevel(CXError::XEL_WARNING); }},
        {"debug message", [](CXError* p) { p->AddDebugMessageNoFormat(L"in place"); }},
        {"table name", [](CXError* p) { CNAError::g_SetInfoNames(p, L"ORDERS", nullptr); }},
        {"debug line", [](CXError* p) { CNAError::g_AddDebugInfo(p, CNAError::FILE_TABLE, 9); }},
        {"sub-error",
         [](CXError* p) {
             _CXErrorModule39 clSub;
             clSub.AddDebugMessageNoFormat(L"below");
             p->AddSubError(&clSub);
         }},
        // One field alone each, for every field the host may write.
        {"user code", [](CXError* p) { p->SetUserErrorCode(7); }},
        {"user code 55", [](CXError* p) { p->SetUserErrorCode55(55); }},
        {"detail id", [](CXError* p) { p->SetDetailId(3); }},
        {"system code", [](CXError* p) { p->SetSystemError(10054, nullptr); }},
        {"system message", [](CXError* p) { p->SetSystemErrorMessage(L"server gone"); }},
        {"user message", [](CXError* p) { p->AddUserMessage(L"refused"); }},
        {"function syntax", [](CXError* p) { p->SetFunctionName(nullptr, 2); }},
        {"function name", [](CXError* p) { p->SetFunctionName(L"HReadNext", 0); }},
        {"line", [](CXError* p) { p->SetVMContext(nullptr, nullptr, 12, 0); }},
        {"thread", [](CXError* p) { p->SetVMContext(nullptr, nullptr, 0, 4); }},
        {"caption", [](CXError* p) { p->SetVMContext(L"Window", nullptr, 0, 0); }},
        {"object name", [](CXError* p) { p->SetVMContext(L"BTN_OK"); }},
        {"module name", [](CXError* p) { p->InitModName(L"host"); }},
        {"module version", [](CXError* p) { p->InitModVersion(L"28.0"); }},
        {"information", [](CXError* p) {
             const uint32_t dwCode = 5;
             p->AddInfo(CXError::EIT_NATIVECODE, &dwCode);
         }},
        {"error id", [](CXError* p) { p->AddUserMessage(&gstMyModuleInfo39, 8); }},
    };
    // Every field the error shows, by its getters, then its dump.
    auto sState = [](const CNAError& clError) {
        const CXError* p = clError.pclGetXError();
        return std::to_wstring(p->eGetErrorLevel()) + L"|" + std::to_wstring(p->nGetUserErrorCode()) + L"|" +
               std::to_wstring(p->nGetUserErrorCode55()) + L"|" + std::to_wstring(p->nGetDetailId()) + L"|" +
               std::to_wstring(p->nGetFunctionSyntax()) + L"|" + std::to_wstring(p->wGetTraitmentLine()) + L"|" +
               std::to_wstring(p->wGetTraitmentThread()) + L"|" + std::to_wstring(p->dwGetSystemErrorCode()) + L"|" +
               p->pszGetUserMessage() + L"|" + p->pszGetDebugMessage() + L"|" + p->pszGetSystemErrorMessage() + L"|" +
               p->pszGetModName() + L"|" + p->pszGetModVersion() + L"|" + p->pszGetFunctionName() + L"|" +
               p->pszGetTraitmentCaption() + L"|" + p->pszGetObjectName() + L"|" + std::to_wstring(p->nGetErrorId(0)) +
               L"|" + std::to_wstring(p->nGetNbSubError()) + L"|" + sDump(clError);
    };
    const std::wstring sEmpty = sDump(CNAError());
    const std::wstring sNew = sState(CNAError());
    for (const Case& c : cases) {
        CNAError clError;
        c.fnFill(clError.pclGetXError());
        ASSERT_EQ(clError.eGetErrorType(), NA_ERRORTYPE_NONE) << c.pszName;
        ASSERT_NE(sState(clError), sNew) << c.pszName;
        HostCall<void>(&clError, 21);
        stHostView st = HostRead(clError);
        EXPECT_EQ(st.eLevel, 1u) << c.pszName;
        EXPECT_EQ(st.pszTable, nullptr) << c.pszName;
        EXPECT_EQ(clError.pclGetXError()->nGetNbSubError(), 0) << c.pszName;
        EXPECT_EQ(sDump(clError), sEmpty) << c.pszName;
        EXPECT_EQ(sState(clError), sNew) << c.pszName;
        // Reset again, on an error with nothing in it, changes nothing.
        clError.Reset();
        EXPECT_EQ(sDump(clError), sEmpty) << c.pszName;
    }
}

// A connection that counts how often an error asks it for its details, and adds a line of its own.
class CDetailsConnection final : public CNAConnectionDescription {
public:
    explicit CDetailsConnection(INAConnectionDescription* piHost) : CNAConnectionDescription(L"Connection=e", piHost) {}
    int bOpen(CNAError*) override { return 1; }
    int bIsOpen() override { return 1; }
    int bClose(CNAError*) override { return 1; }
    void _InitYF2NativeType() override {}
    void AddInfoNativeXError(_CXErrorModule39* pclError) override {
        m_nDetails++;
        pclError->AddDebugMessageNoFormat(L"details of e");
    }
    int m_nDetails = 0;
};

TEST(NAErrorTest, TheConnectionNamesItsDatabaseAndAddsItsDetailsToTheMainError) {
    KXInstallStandInHost();
    standin::CStandInConnectionDescription clHost;
    clHost.m_sDataBase = L"kxtest";
    auto* pclCnx = new CDetailsConnection(&clHost);
    pclCnx->AddRef();

    // A server error names the connection's database (the first argument of the message).
    CNAError clError;
    clError._SetDataBaseError(NA_ERRORTYPE_GENERAL, pclCnx, CODE_NOT_OPEN, 0, L"", L"ORDERS", nullptr);
    EXPECT_NE(std::wstring(clError.pclGetXError()->pszGetUserMessage()).find(L"kxtest"), std::wstring::npos);
    EXPECT_EQ(pclCnx->m_nDetails, 1);
    EXPECT_NE(std::wstring(clError.pclGetXError()->pszGetDebugMessage()).find(L"details of e"), std::wstring::npos);

    // Sub-errors carry no details of their own.
    clError._SetDataBaseError(NA_ERRORTYPE_GENERAL, pclCnx, CODE_NOT_OPEN, 0, L"", L"LINES", nullptr);
    clError.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 1, pclCnx, CODE_NOT_AVAILABLE);
    EXPECT_EQ(pclCnx->m_nDetails, 1);

    // Every way of recording a first failure asks for them; without a connection nothing is asked.
    struct Case {
        const char* pszWhat;
        std::function<void(CNAError&, CNAConnectionDescription*)> fnRecord;
    } tab[] = {
        {"user error",
         [](CNAError& cl, CNAConnectionDescription* p) {
             cl.AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 1, p, CODE_NOT_AVAILABLE);
         }},
        {"user error first",
         [](CNAError& cl, CNAConnectionDescription* p) {
             cl.AddErrorFirst(NA_ERRORTYPE_GENERAL, CNAError::FILE_DRIVER, 1, p, CODE_NOT_AVAILABLE);
         }},
        {"ready error",
         [](CNAError& cl, CNAConnectionDescription* p) {
             _CXErrorModule39 clReady(CODE_NO_TRANSACTION, L"T1");
             cl.AddError(NA_ERRORTYPE_GENERAL, &clReady, p);
         }},
        {"out of memory", [](CNAError& cl, CNAConnectionDescription* p) { cl.SetErrorNoMemory(p); }},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszWhat);
        CNAError clFirst;
        pclCnx->m_nDetails = 0;
        c.fnRecord(clFirst, pclCnx);
        EXPECT_EQ(pclCnx->m_nDetails, 1);
        CNAError clWithout;
        c.fnRecord(clWithout, nullptr);
        EXPECT_EQ(pclCnx->m_nDetails, 1);
    }
    CNAError clNoDatabase;
    clNoDatabase._SetDataBaseError(NA_ERRORTYPE_GENERAL, nullptr, CODE_NOT_OPEN, 0, L"", L"ORDERS", nullptr);
    EXPECT_EQ(clNoDatabase.dwGetErrorId(), CODE_NOT_OPEN);

    pclCnx->nRelease();
}

TEST(NAErrorTest, LastReleaseDeletes) {
    auto* pclError = new CNAError;
    EXPECT_EQ(pclError->nRelease(), 0u);  // no reference: nothing happens
    EXPECT_EQ(pclError->AddRef(), 1u);
    EXPECT_EQ(pclError->AddRef(), 2u);
    EXPECT_EQ(pclError->nRelease(), 1u);
    EXPECT_EQ(pclError->nRelease(), 0u);  // deleted; the address sanitizer checks nothing is left
}

}  // namespace
