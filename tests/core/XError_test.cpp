// The error object: its reference count, texts, messages, system error, information items,
// sub-errors, copies and reset. Message texts come from the stand-in host's callback so that each
// case states exactly what the library received.
#include "core/XError.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "core/XErrorModule.h"
#include "tests/core/VirtualSlot.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

std::wstring sOf(const wchar_t* psz) {
    return psz != nullptr ? std::wstring(psz) : std::wstring(L"<null>");
}

// A reference-counted object whose destruction the test can see (information items of type 21).
class CProbe : public CKXUnknown {
public:
    explicit CProbe(int* pnDestroyed) : m_pnDestroyed(pnDestroyed) {}
    ~CProbe() override { ++*m_pnDestroyed; }

private:
    int* m_pnDestroyed;
};

// An interface object of an information item of type 38: slot 1 on store, slot 2 on drop.
class CExceptionProbe : public IXErrorExceptionInfo {
public:
    int m_nSlot0 = 0, m_nAddRef = 0, m_nRelease = 0;
    void vSlot0() override { m_nSlot0++; }
    void vAddRef() override { m_nAddRef++; }
    void vRelease() override { m_nRelease++; }
};

class XErrorTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        gpfnLoadStringKXM = standin::pfnGetLoadString();
    }
    void TearDown() override { gpfnLoadStringKXM = nullptr; }
};

TEST_F(XErrorTest, FreshErrorIsEmptyAtLevelOne) {
    _CXErrorModule39 clError;
    EXPECT_EQ(clError.eGetErrorLevel(), 1u);
    EXPECT_EQ(clError.nGetModuleNumber(), 39u);
    EXPECT_EQ(clError.dwGetRef(), 0u);
    EXPECT_FALSE(clError.bIsError());
    // Text getters never answer null.
    EXPECT_STREQ(clError.pszGetUserMessage(), L"");
    EXPECT_STREQ(clError.pszGetModName(), L"");
    EXPECT_STREQ(clError.pszGetObjectName(), L"");
    EXPECT_EQ(clError.nNumErrorId(), 0);
    EXPECT_EQ(clError.nNumInfo(), 0);
    EXPECT_EQ(clError.nGetNbSubError(), 0);
}

TEST_F(XErrorTest, LastReleaseDestroys) {
    static int s_nDestroyed;
    struct CCounted : public CXError {
        CCounted() : CXError(&gstMyModuleInfo39) {}
        ~CCounted() override { s_nDestroyed++; }
    };
    s_nDestroyed = 0;
    auto* pcl = new CCounted;
    pcl->AddRef();
    pcl->AddRef();
    EXPECT_EQ(pcl->dwRelease(), 1u);
    EXPECT_EQ(s_nDestroyed, 0);
    EXPECT_EQ(pcl->dwRelease(), 0u);
    EXPECT_EQ(s_nDestroyed, 1);
}

TEST_F(XErrorTest, UserMessagesAppendAndPutFirstWithLineBreaks) {
    _CXErrorModule39 clError;
    clError.AddUserMessage(L"A");
    clError.AddUserMessage(L"B");
    EXPECT_EQ(sOf(clError.pszGetUserMessage()), L"A\r\nB");

    _CXErrorModule39 clOther;
    clOther.AddUserMessage(L"A");
    clOther.AddUserMessageFirst(L"B");
    EXPECT_EQ(sOf(clOther.pszGetUserMessage()), L"B\r\nA");
    EXPECT_EQ(clOther.nNumErrorId(), 0);  // a text put first records no message id

    clOther.RAZUserMessage();
    EXPECT_STREQ(clOther.pszGetUserMessage(), L"");
}

TEST_F(XErrorTest, TextAddedFromTheFieldItself) {
    _CXErrorModule39 clError;
    clError.AddUserMessage(L"A");
    clError.AddUserMessage(clError.pszGetUserMessage());
    EXPECT_EQ(sOf(clError.pszGetUserMessage()), L"A\r\nA");
    clError.AddDebugMessageNoFormat(L"xyz");
    clError.AddDebugMessageNoFormat(clError.pszGetDebugMessage() + 1);
    clError.AddDebugMessageNoFormatFirst(clError.pszGetDebugMessage() + 5);
    EXPECT_EQ(sOf(clError.pszGetDebugMessage()), L"yz\r\nxyz\r\nyz");
    clError.InitModName(L"kx.so");
    EXPECT_EQ(sOf(clError.InitModName(clError.pszGetModName() + 2)), L".so");
}

TEST_F(XErrorTest, MessagesByIdAreFormattedAndTheirIdsKept) {
    standin::SetMessageText(30001, L"first %s");
    standin::SetMessageText(30002, L"second %d");
    _CXErrorModule39 clError;
    clError.AddUserMessage(&gstMyModuleInfo39, 30002, 7);
    clError.AddUserMessageFirst(&gstMyModuleInfo39, 30001, L"x");
    EXPECT_EQ(sOf(clError.pszGetUserMessage()), L"first x\r\nsecond 7");
    ASSERT_EQ(clError.nNumErrorId(), 2);
    EXPECT_EQ(clError.nGetErrorId(0), 30001u);
    EXPECT_EQ(clError.nGetErrorId(1), 30002u);
    // The first message names the module.
    EXPECT_STREQ(clError.pszGetModName(), L"kx200postgresql64.so");
    EXPECT_STREQ(clError.pszGetModVersion(), L"20.0.5.0");
}

TEST_F(XErrorTest, MissingOrEmptyMessageBecomesDebugLine) {
    standin::SetMessageText(30003, L"%s");
    _CXErrorModule39 clError;
    clError.AddUserMessage(&gstMyModuleInfo39, 1);  // in no table
    errno = 5;
    clError.AddUserMessage(&gstMyModuleInfo39, 30003, L"");
    EXPECT_STREQ(clError.pszGetUserMessage(), L"");
    EXPECT_EQ(sOf(clError.pszGetDebugMessage()),
              L"##(CXError)-Ressource <1> non chargée##\r\n##(CXError)-Ressource <30003> vide. LastError = <5>##");
    EXPECT_EQ(clError.nNumErrorId(), 2);  // the ids are kept all the same
}

TEST_F(XErrorTest, DebugMessages) {
    standin::SetMessageText(30004, L"dbg %s");
    _CXErrorModule39 clError;
    clError.AddDebugMessageNoFormat(L"");
    clError.AddDebugMessageNoFormat(nullptr);
    EXPECT_STREQ(clError.pszGetDebugMessage(), L"");
    clError.AddDebugMessageNoFormat(L"one");
    clError.AddDebugMessage(&gstMyModuleInfo39, 30004, L"two");
    clError.AddDebugMessage(&gstMyModuleInfo39, 0xFFFFFFFFu);
    clError.AddDebugMessagePrintf(L"%d-%s", 3, L"three");
    EXPECT_EQ(sOf(clError.pszGetDebugMessage()), L"one\r\ndbg two\r\n3-three");
    // Debug messages neither name the module nor record ids.
    EXPECT_STREQ(clError.pszGetModName(), L"");
    EXPECT_EQ(clError.nNumErrorId(), 0);

    clError.AddDebugMessageNoFormatFirst(L"zero");
    EXPECT_EQ(sOf(clError.pszGetDebugMessage()), L"zero\r\none\r\ndbg two\r\n3-three");
}

TEST_F(XErrorTest, SetErrorLevelOneEmptiesOtherLevelsKeep) {
    _CXErrorModule39 clError;
    clError.AddUserMessage(L"msg");
    clError.SetUserErrorCode(14);
    clError.SetDetailId(9);
    clError.SetSystemError(2, L"sys");
    uint32_t n = 4;
    clError.AddInfo(CXError::EIT_BASECODE, &n);
    _CXErrorModule39 clSub;
    clError.AddSubErrorNoUserMessage(&clSub);

    clError.SetErrorLevel(3);
    EXPECT_EQ(clError.eGetErrorLevel(), 3u);
    EXPECT_EQ(sOf(clError.pszGetUserMessage()), L"msg");
    EXPECT_EQ(clError.nGetUserErrorCode(), 14u);
    EXPECT_TRUE(clError.bIsError());

    clError.SetErrorLevel(1);
    EXPECT_EQ(clError.eGetErrorLevel(), 1u);
    EXPECT_STREQ(clError.pszGetUserMessage(), L"");
    EXPECT_STREQ(clError.pszGetSystemErrorMessage(), L"");
    EXPECT_EQ(clError.nGetUserErrorCode(), 0u);
    EXPECT_EQ(clError.nGetDetailId(), 0u);
    EXPECT_EQ(clError.dwGetSystemErrorCode(), 0u);
    EXPECT_EQ(clError.nNumInfo(), 0);
    EXPECT_EQ(clError.nGetNbSubError(), 0);
    EXPECT_EQ(clError.nGetModuleNumber(), 39u);  // the module stays
    EXPECT_FALSE(clError.bIsError());
}

TEST_F(XErrorTest, IsErrorWhenAnythingSaysSo) {
    struct Case {
        const char* pszName;
        void (*pfnSet)(CXError&);
        bool bExpected;
    } cases[] = {
        {"empty", [](CXError&) {}, false},
        {"level 2", [](CXError& e) { e.SetErrorLevel(2); }, true},
        {"user code", [](CXError& e) { e.SetUserErrorCode(5); }, true},
        {"system code", [](CXError& e) { e.SetSystemError(13, L""); }, true},
        {"user message", [](CXError& e) { e.AddUserMessage(L"x"); }, true},
        {"debug text only", [](CXError& e) { e.AddDebugMessageNoFormat(L"x"); }, false},
    };
    for (const Case& c : cases) {
        _CXErrorModule39 clError;
        c.pfnSet(clError);
        EXPECT_EQ(clError.bIsError(), c.bExpected) << c.pszName;
    }
}

TEST_F(XErrorTest, SystemError) {
    _CXErrorModule39 clError;
    clError.SetSystemError(5, L"before");
    clError.__SetSystemError(0);
    EXPECT_EQ(clError.dwGetSystemErrorCode(), 0u);
    EXPECT_STREQ(clError.pszGetSystemErrorMessage(), L"");

    // The text describes the current errno; the lock-conflict codes read as "try again".
    struct Case {
        int nErrno;
        int nDescribed;
    } cases[] = {{EACCES, EACCES},
                 {ENOENT, ENOENT},
                 {static_cast<int>(0x80000000u), EAGAIN},
                 {static_cast<int>(0x80000002u), EAGAIN}};
    for (const Case& c : cases) {
        errno = c.nErrno;
        clError.__SetSystemError(77);
        EXPECT_EQ(errno, c.nErrno);
        EXPECT_EQ(clError.dwGetSystemErrorCode(), 77u);
        std::string s = strerror(c.nDescribed);
        EXPECT_EQ(sOf(clError.pszGetSystemErrorMessage()), std::wstring(s.begin(), s.end())) << c.nErrno;
    }

    clError.SetSystemErrorMessagePrintf(9, L"code %d", 9);
    EXPECT_EQ(clError.dwGetSystemErrorCode(), 9u);
    EXPECT_EQ(sOf(clError.pszGetSystemErrorMessage()), L"code 9");
    clError.SetSystemErrorMessage(L"plain");
    EXPECT_EQ(clError.dwGetSystemErrorCode(), 0u);
    EXPECT_EQ(sOf(clError.pszGetSystemErrorMessage()), L"plain");
}

TEST_F(XErrorTest, SystemErrorMessageFromUTF8) {
    struct Case {
        const char* pszText;
        const wchar_t* pszExpected;
    } cases[] = {{nullptr, L""}, {"", L""}, {"abc", L"abc"}, {"caf\xc3\xa9 \xe2\x82\xac", L"caf\u00e9 \u20ac"}};
    for (const Case& c : cases) {
        _CXErrorModule39 clError;
        clError.SetSystemError(4, L"old");
        clError.SetSystemErrorMessageA(c.pszText);
        EXPECT_EQ(clError.dwGetSystemErrorCode(), 0u);
        EXPECT_EQ(sOf(clError.pszGetSystemErrorMessage()), c.pszExpected);
    }
}

TEST_F(XErrorTest, SystemErrorMessageById) {
    standin::SetMessageText(30005, L"sys %s");
    _CXErrorModule39 clError;
    clError.SetSystemError(8, L"old");
    clError.SetSystemErrorMessage(&gstMyModuleInfo39, 30005, L"x");
    EXPECT_EQ(clError.dwGetSystemErrorCode(), 0u);
    EXPECT_EQ(sOf(clError.pszGetSystemErrorMessage()), L"sys x");
    clError.SetSystemErrorMessage(&gstMyModuleInfo39, 1);
    EXPECT_EQ(sOf(clError.pszGetSystemErrorMessage()), L"##(CXError)-Ressource <1> non chargée##");
}

TEST_F(XErrorTest, InformationItemsByKind) {
    _CXErrorModule39 clError;
    uint32_t n32 = 5;
    int64_t n64 = 0x123456789LL;
    int nDummy = 0;
    clError.AddInfo(CXError::EIT_LOGICALTABLENAME, L"T");
    clError.AddInfo(CXError::EIT_NATIVECODE, &n32);
    clError.AddInfo(CXError::EIT_RECNUM, &n64);
    clError.AddInfo(CXError::EIT_POINTER, &nDummy);
    n32 = 7;
    clError.AddInfo(CXError::EIT_NATIVECODE, &n32);  // replaced in place
    clError.AddInfo(CXError::EIT_LOGICALTABLENAME, L"U");
    ASSERT_EQ(clError.nNumInfo(), 4);

    const void* pv = nullptr;
    ASSERT_TRUE(clError.bGetInfo(CXError::EIT_LOGICALTABLENAME, &pv));
    EXPECT_STREQ(static_cast<const wchar_t*>(pv), L"U");
    // A 32-bit number comes back in the variable itself.
    uint64_t nOut = 0;
    ASSERT_TRUE(clError.bGetInfo(CXError::EIT_NATIVECODE, reinterpret_cast<const void**>(&nOut)));
    EXPECT_EQ(static_cast<uint32_t>(nOut), 7u);
    // A 64-bit number comes back in the variable the value points to.
    int64_t nOut64 = 0;
    pv = &nOut64;
    ASSERT_TRUE(clError.bGetInfo(CXError::EIT_RECNUM, &pv));
    EXPECT_EQ(nOut64, 0x123456789LL);
    ASSERT_TRUE(clError.bGetInfo(CXError::EIT_POINTER, &pv));
    EXPECT_EQ(pv, &nDummy);

    CXError::eERRORINFOTYPE eType;
    pv = nullptr;
    clError.GetInfo(0, &eType, &pv);
    EXPECT_EQ(eType, CXError::EIT_LOGICALTABLENAME);
    // An index without an item yields type 0 and leaves the value alone.
    for (int nBad : {-1, 4, 1000}) {
        eType = CXError::EIT_SRCFILE;
        pv = nullptr;
        clError.GetInfo(nBad, &eType, &pv);
        EXPECT_EQ(eType, CXError::EIT_NONE) << nBad;
        EXPECT_EQ(pv, nullptr);
    }
    EXPECT_FALSE(clError.bGetInfo(CXError::EIT_ITEMNAME, &pv));
    EXPECT_FALSE(clError.bHasInfo(CXError::EIT_ITEMNAME));
    int nIndex = -1;
    EXPECT_TRUE(clError.__bGetInfoIndice(CXError::EIT_RECNUM, &nIndex));
    EXPECT_EQ(nIndex, 2);
}

TEST_F(XErrorTest, RefusedInformationTypes) {
    _CXErrorModule39 clError;
    uint32_t n = 1;
    for (uint32_t eType : {0u, 34u, 35u, 40u, 1000u}) clError.AddInfo(static_cast<CXError::eERRORINFOTYPE>(eType), &n);
    clError.AddInfo(CXError::EIT_SRCFILE, nullptr);
    EXPECT_EQ(clError.nNumInfo(), 0);
}

TEST_F(XErrorTest, DeleteInfoKeepsTheOrderOfTheOthers) {
    _CXErrorModule39 clError;
    clError.AddInfo(CXError::EIT_SRCFILE, L"a");
    clError.AddInfo(CXError::EIT_DSTFILE, L"b");
    clError.AddInfo(CXError::EIT_USERNAME, L"c");
    clError.DeleteInfo(CXError::EIT_DSTFILE);
    clError.DeleteInfo(CXError::EIT_ITEMNAME);  // absent: nothing
    ASSERT_EQ(clError.nNumInfo(), 2);
    CXError::eERRORINFOTYPE eType;
    const void* pv;
    clError.GetInfo(0, &eType, &pv);
    EXPECT_EQ(eType, CXError::EIT_SRCFILE);
    clError.GetInfo(1, &eType, &pv);
    EXPECT_EQ(eType, CXError::EIT_USERNAME);
    EXPECT_STREQ(static_cast<const wchar_t*>(pv), L"c");
}

TEST_F(XErrorTest, XInfoFlags) {
    _CXErrorModule39 clError;
    clError.__SetXInfo(4, 0);
    EXPECT_TRUE(clError.bHasInfo(CXError::EIT_XINFO));
    EXPECT_FALSE(clError.__bGetXInfo(4));
    clError.__SetXInfo(4, 1);
    EXPECT_TRUE(clError.__bGetXInfo(4));
    EXPECT_FALSE(clError.__bGetXInfo(8));
    clError.__SetXInfo(8, 1);
    clError.__SetXInfo(4, 0);
    EXPECT_FALSE(clError.__bGetXInfo(4));
    EXPECT_TRUE(clError.__bGetXInfo(8));
    EXPECT_EQ(clError.nNumInfo(), 1);
}

TEST_F(XErrorTest, ObjectItemsAreReferencedAndReleased) {
    int nDestroyed = 0;
    auto* pclA = new CProbe(&nDestroyed);
    auto* pclB = new CProbe(&nDestroyed);
    pclA->AddRef();  // the test's own reference
    {
        _CXErrorModule39 clError;
        clError.AddInfo(CXError::EIT_DATAACCESS, pclA);
        EXPECT_EQ(pclA->dwGetRef(), 2u);
        clError.AddInfo(CXError::EIT_DATAACCESS, pclA);  // the same object: nothing changes
        EXPECT_EQ(pclA->dwGetRef(), 2u);
        clError.AddInfo(CXError::EIT_DATAACCESS, pclB);  // swapped
        EXPECT_EQ(pclA->dwGetRef(), 1u);
        EXPECT_EQ(pclB->dwGetRef(), 1u);
    }
    EXPECT_EQ(nDestroyed, 1);  // B went with the error
    EXPECT_EQ(pclA->dwRelease(), 0u);
    EXPECT_EQ(nDestroyed, 2);

    CExceptionProbe clException;
    {
        _CXErrorModule39 clError;
        clError.AddInfo(CXError::EIT_EXCEPTIONDOTNET, &clException);
        EXPECT_EQ(clException.m_nAddRef, 1);
        clError.DeleteInfo(CXError::EIT_EXCEPTIONDOTNET);
        EXPECT_EQ(clException.m_nRelease, 1);
        clError.AddInfo(CXError::EIT_EXCEPTIONDOTNET, &clException);
    }
    EXPECT_EQ(clException.m_nAddRef, 2);
    EXPECT_EQ(clException.m_nRelease, 2);
    EXPECT_EQ(clException.m_nSlot0, 0);
}

TEST_F(XErrorTest, SubErrors) {
    _CXErrorModule39 clError;
    clError.AddUserMessage(L"main");
    _CXErrorModule39 clFirst;
    clFirst.AddUserMessage(L"first");
    clFirst.SetUserErrorCode(11);
    _CXErrorModule39 clSecond;
    clSecond.AddUserMessage(L"second");

    clError.AddSubError(&clFirst);
    clError.AddSubError(&clSecond);
    ASSERT_EQ(clError.nGetNbSubError(), 2);
    // Only the first sub-error's message joins the main one; the source is copied, not moved.
    EXPECT_EQ(sOf(clError.pszGetUserMessage()), L"main\r\nfirst");
    EXPECT_EQ(clFirst.nGetUserErrorCode(), 11u);
    EXPECT_EQ(clError.pclGetSubError(0)->nGetUserErrorCode(), 11u);
    EXPECT_EQ(sOf(clError.pclGetSubError(1)->pszGetUserMessage()), L"second");
    EXPECT_EQ(clError.pclGetSubError(2), nullptr);

    clError.DeleteAllSubError();
    EXPECT_EQ(clError.nGetNbSubError(), 0);
}

TEST_F(XErrorTest, LightSubErrorTakesTheContents) {
    _CXErrorModule39 clError;
    _CXErrorModule39 clSource;
    clSource.SetUserErrorCode(14);
    clSource.SetErrorLevel(3);
    clSource.AddUserMessage(L"moved");
    clSource.AddInfo(CXError::EIT_SRCFILE, L"f");
    clError.AddSubErrorLightNoUserMessage(&clSource);

    EXPECT_EQ(clSource.eGetErrorLevel(), 1u);
    EXPECT_EQ(clSource.nGetUserErrorCode(), 0u);
    EXPECT_STREQ(clSource.pszGetUserMessage(), L"");
    EXPECT_EQ(clSource.nNumInfo(), 0);
    EXPECT_FALSE(clSource.bIsError());

    ASSERT_EQ(clError.nGetNbSubError(), 1);
    const CXError* pclSub = clError.pclGetSubError(0);
    EXPECT_EQ(pclSub->nGetUserErrorCode(), 14u);
    EXPECT_EQ(pclSub->eGetErrorLevel(), 3u);
    EXPECT_EQ(sOf(pclSub->pszGetUserMessage()), L"moved");
    EXPECT_TRUE(pclSub->bHasInfo(CXError::EIT_SRCFILE));
    EXPECT_STREQ(clError.pszGetUserMessage(), L"");  // no user message joined
}

TEST_F(XErrorTest, CopyTakesEverythingButForeignObjects) {
    int nDestroyed = 0;
    auto* pclObject = new CProbe(&nDestroyed);
    standin::SetMessageText(30006, L"copied");
    {
        _CXErrorModule39 clSource;
        clSource.AddUserMessage(&gstMyModuleInfo39, 30006);
        clSource.SetUserErrorCode(20);
        clSource.SetUserErrorCode55(21);
        clSource.SetErrorLevel(2);
        clSource.SetDetailId(22);
        clSource.AddDebugMessageNoFormat(L"dbg");
        clSource.SetSystemError(23, L"sys");
        clSource.SetVMContext(L"cap", L"obj", 24, 25);
        clSource.SetFunctionName(L"fn", 26);
        clSource.AddInfo(CXError::EIT_ITEMNAME, L"item");
        clSource.AddInfo(CXError::EIT_DATAACCESS, pclObject);
        _CXErrorModule39 clSub;
        clSub.AddUserMessage(L"sub");
        clSource.AddSubErrorNoUserMessage(&clSub);

        _CXErrorModule39 clSame;
        clSame.Copy(&clSource);
        CXError clForeign(clSource);  // module number 0
        _CXErrorModule39 clTarget;
        clTarget.AddUserMessage(L"overwritten");
        clTarget.Copy(clSource);

        const CXError* apcl[] = {&clSame, &clForeign, &clTarget};
        for (const CXError* pcl : apcl) {
            EXPECT_EQ(sOf(pcl->pszGetUserMessage()), L"copied");
            EXPECT_EQ(pcl->nGetUserErrorCode(), 20u);
            EXPECT_EQ(pcl->nGetUserErrorCode55(), 21u);
            EXPECT_EQ(pcl->eGetErrorLevel(), 2u);
            EXPECT_EQ(pcl->nGetDetailId(), 22u);
            EXPECT_EQ(sOf(pcl->pszGetDebugMessage()), L"dbg");
            EXPECT_EQ(pcl->dwGetSystemErrorCode(), 23u);
            EXPECT_EQ(sOf(pcl->pszGetSystemErrorMessage()), L"sys");
            EXPECT_EQ(sOf(pcl->pszGetTraitmentCaption()), L"cap");
            EXPECT_EQ(sOf(pcl->pszGetObjectName()), L"obj");
            EXPECT_EQ(pcl->wGetTraitmentLine(), 24);
            EXPECT_EQ(pcl->wGetTraitmentThread(), 25);
            EXPECT_EQ(sOf(pcl->pszGetFunctionName()), L"fn");
            EXPECT_EQ(pcl->nGetFunctionSyntax(), 26);
            EXPECT_STREQ(pcl->pszGetModName(), L"kx200postgresql64.so");
            ASSERT_EQ(pcl->nNumErrorId(), 1);
            EXPECT_EQ(pcl->nGetErrorId(0), 30006u);
            EXPECT_TRUE(pcl->bHasInfo(CXError::EIT_ITEMNAME));
            ASSERT_EQ(pcl->nGetNbSubError(), 1);
            EXPECT_EQ(sOf(pcl->pclGetSubError(0)->pszGetUserMessage()), L"sub");
        }
        EXPECT_EQ(clForeign.nGetModuleNumber(), 0u);
        EXPECT_FALSE(clForeign.bHasInfo(CXError::EIT_DATAACCESS));
        EXPECT_TRUE(clSame.bHasInfo(CXError::EIT_DATAACCESS));
        EXPECT_EQ(pclObject->dwGetRef(), 3u);  // source, clSame, clTarget

        clTarget.Copy(&clTarget);  // onto itself: nothing
        EXPECT_EQ(sOf(clTarget.pszGetUserMessage()), L"copied");
        EXPECT_EQ(clTarget.nGetNbSubError(), 1);
    }
    EXPECT_EQ(nDestroyed, 1);
}

TEST_F(XErrorTest, CopyAppendsToExistingSubErrors) {
    _CXErrorModule39 clSource;
    _CXErrorModule39 clSub;
    clSub.AddUserMessage(L"from source");
    clSource.AddSubError(&clSub);
    _CXErrorModule39 clTarget;
    _CXErrorModule39 clOwn;
    clOwn.AddUserMessage(L"own");
    clTarget.AddSubError(&clOwn);
    clTarget.Copy(&clSource);
    ASSERT_EQ(clTarget.nGetNbSubError(), 2);
    EXPECT_EQ(sOf(clTarget.pclGetSubError(0)->pszGetUserMessage()), L"own");
    EXPECT_EQ(sOf(clTarget.pclGetSubError(1)->pszGetUserMessage()), L"from source");
}

TEST_F(XErrorTest, ProcessingContextAndFunctionName) {
    _CXErrorModule39 clError;
    clError.SetVMContext(L"Obj");
    clError.SetVMContext(L"Proc", 0xFFFF, 3);
    EXPECT_EQ(sOf(clError.pszGetObjectName()), L"Obj");
    EXPECT_EQ(sOf(clError.pszGetTraitmentCaption()), L"Proc");
    EXPECT_EQ(clError.wGetTraitmentLine(), 0xFFFF);
    EXPECT_EQ(clError.wGetTraitmentThread(), 3);
    clError.SetVMContext(L"P2", L"O2", 12, 1);
    EXPECT_EQ(sOf(clError.pszGetObjectName()), L"O2");
    EXPECT_EQ(clError.wGetTraitmentLine(), 12);
    clError.SetFunctionName(L"HLitPremier", 2);
    EXPECT_EQ(sOf(clError.pszGetFunctionName()), L"HLitPremier");
    EXPECT_EQ(clError.nGetFunctionSyntax(), 2);
}

TEST_F(XErrorTest, StringOperations) {
    _CXErrorModule39 clError;
    wchar_t* psz = nullptr;
    EXPECT_STREQ(clError.__vpszConcatString(&psz, L"ab"), L"ab");
    EXPECT_STREQ(clError.__vpszConcatString(&psz, L"cd"), L"abcd");
    // Realloc with a text inside the current buffer still copies it correctly.
    EXPECT_STREQ(clError.__vpszReallocString(&psz, psz + 2), L"cd");
    wchar_t* pszSame = psz;
    EXPECT_EQ(clError.__vpszReallocString(&psz, psz), pszSame);
    ASSERT_NE(clError.__vpszReallocString(&psz, static_cast<size_t>(5)), nullptr);
    EXPECT_STREQ(psz, L"cd");
    clError.__vDeleteString(&psz);
    EXPECT_EQ(psz, nullptr);
    EXPECT_STREQ(clError.__vpszAllocString(&psz, L"new"), L"new");
    clError.__vDeleteString(&psz);
}

// The host calls the error object through its virtual table: the slot of every virtual operation
// is fixed.

TEST(XErrorLayoutTest, VirtualSlots) {
    typedef wchar_t* (CXError::*PFNREALLOCTEXT)(wchar_t**, const wchar_t*);
    typedef wchar_t* (CXError::*PFNREALLOCSIZE)(wchar_t**, size_t);
    EXPECT_EQ(SlotOf(&CKXUnknown::dwRelease), 2);
    EXPECT_EQ(SlotOf(&CXError::dwRelease), 2);
    EXPECT_EQ(SlotOf(&CXError::__vpszAllocString), 3);
    EXPECT_EQ(SlotOf(static_cast<PFNREALLOCTEXT>(&CXError::__vpszReallocString)), 4);
    EXPECT_EQ(SlotOf(static_cast<PFNREALLOCSIZE>(&CXError::__vpszReallocString)), 5);
    EXPECT_EQ(SlotOf(&CXError::__vpszConcatString), 6);
    EXPECT_EQ(SlotOf(&CXError::__vDeleteString), 7);
    EXPECT_EQ(SlotOf(&CXError::__AddSubError), 8);
    EXPECT_EQ(SlotOf(&CXError::__DeleteAllSubError), 9);
    EXPECT_EQ(SlotOf(&CXError::vCopy), 10);
}

}  // namespace
