// The text dump of an error, checked against exact texts. The stand-in host answers every heading
// as "#<id>" (with "=" and the arguments for the headings that take some), so the expected texts
// show which heading came where and with which values.
#include <gtest/gtest.h>

#include <string>

#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/XErrorModule.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"

namespace {

class XErrorDumpTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        gpfnLoadStringKXM = standin::pfnGetLoadString();
        standin::SetMessageDefault(true);
        standin::SetMessageText(28842, L"#28842=%s/%s");
        standin::SetMessageText(28845, L"#28845=%s%s,%u,%u");
        standin::SetMessageText(25770, L"#25770=%s%s,%u");
        standin::SetMessageText(28846, L"#28846=%s,%u");
        standin::SetMessageText(28850, L"#28850=%u");
        standin::SetMessageText(28851, L"#28851=%u");
        standin::SetMessageText(28852, L"#28852=%u");
        standin::SetMessageText(28853, L"#28853=%u");
        standin::SetMessageText(28863, L"#28863=%u");
        standin::SetMessageText(28865, L"#28865=%u");
    }
    void TearDown() override { gpfnLoadStringKXM = nullptr; }

    static std::wstring sDump(const CXError& clError, uint32_t dwFlags) {
        CTString clOut = clError.StringDump(dwFlags);
        return clOut.pszGet();
    }
};

TEST_F(XErrorDumpTest, FreshErrorShowsCodeAndLevelOnly) {
    _CXErrorModule39 clError;
    EXPECT_EQ(sDump(clError, CXError::XEI_DRIVER), L"#28851=0\r\n#28847\r\n");
    clError.SetUserErrorCode55(5);
    EXPECT_EQ(sDump(clError, CXError::XEI_DRIVER), L"#28851=0\r\n#28847\r\n#28852=5\r\n");
}

TEST_F(XErrorDumpTest, EveryEmptySectionWithoutTheSkipBit) {
    _CXErrorModule39 clError;
    EXPECT_EQ(sDump(clError, CXError::XEI_ALL),
              L"#28858\r\n"
              L"\r\n"
              L"#28851=0\r\n#28847\r\n#28852=0\r\n"
              L"\r\n"
              L"#28854\r\n#28856\r\n"
              L"\r\n"
              L"#28843\r\n#28864\r\n#28860\r\n#28862\r\n");
}

TEST_F(XErrorDumpTest, ProcessingContext) {
    struct Case {
        const wchar_t* pszObject;
        uint16_t wLine;
        const wchar_t* pszFunction;
        const wchar_t* pszExpected;
    } cases[] = {
        {L"Obj", 12, nullptr, L"#28844\r\n#28845=Proc (Obj),12,1\r\n\r\n#28851=0\r\n"},
        {L"Obj", 0xFFFF, nullptr, L"#28844\r\n#25770=Proc (Obj),1\r\n\r\n#28851=0\r\n"},
        {nullptr, 12, L"HLit", L"#28844\r\n#28845=Proc,12,1\r\n#28846=HLit,2\r\n\r\n#28851=0\r\n"},
    };
    for (const Case& c : cases) {
        _CXErrorModule39 clError;
        if (c.pszObject != nullptr)
            clError.SetVMContext(L"Proc", c.pszObject, c.wLine, 1);
        else
            clError.SetVMContext(L"Proc", c.wLine, 1);
        if (c.pszFunction != nullptr) clError.SetFunctionName(c.pszFunction, 2);
        EXPECT_EQ(sDump(clError, CXError::XEI_CONTEXT | CXError::XEI_USERCODE), c.pszExpected);
    }
    // A function name alone opens the section too.
    _CXErrorModule39 clError;
    clError.SetFunctionName(L"F", 0);
    EXPECT_EQ(sDump(clError, CXError::XEI_CONTEXT), L"#28844\r\n#28846=F,0\r\n");
}

TEST_F(XErrorDumpTest, LevelLines) {
    struct Case {
        uint32_t eLevel;
        const wchar_t* pszExpected;
    } cases[] = {
        {1, L"#28847\r\n"},          {2, L"#28848\r\n"},          {3, L"#28849\r\n"},
        {0x40000004, L"#28849\r\n"}, {0x40000008, L"#28849\r\n"}, {0x10001, L"#25311\r\n"},
        {0x10006, L"#25311\r\n"},    {0x20001, L"#25311\r\n"},    {0x10007, L"#28850=65543\r\n"},
        {7, L"#28850=7\r\n"},
    };
    for (const Case& c : cases) {
        _CXErrorModule39 clError;
        clError.SetErrorLevel(c.eLevel);
        EXPECT_EQ(sDump(clError, CXError::XEI_LEVEL), c.pszExpected) << c.eLevel;
    }
}

TEST_F(XErrorDumpTest, UserMessageWithAndWithoutHeading) {
    _CXErrorModule39 clError;
    clError.AddUserMessage(L"one");
    clError.AddUserMessage(L"two");
    EXPECT_EQ(sDump(clError, CXError::XEI_USERMESSAGE), L"#28857\r\none\r\ntwo\r\n");
    EXPECT_EQ(sDump(clError, CXError::XEI_USERMESSAGE | CXError::XEI_NOUSERHEADING), L"one\r\ntwo\r\n");
}

TEST_F(XErrorDumpTest, SystemMessageRunsIntoTheModuleLine) {
    _CXErrorModule39 clError;
    clError.InitModInfo(&gstMyModuleInfo39, 1);
    clError.SetSystemError(2, L"No such file");
    EXPECT_EQ(sDump(clError, CXError::XEI_DRIVER),
              L"#28851=0\r\n#28847\r\n"
              L"\r\n"
              L"#28853=2\r\n#28855\r\nNo such file\r\n"
              L"#28842=kx200postgresql64.so/20.0.5.0\r\n");

    _CXErrorModule39 clNoMessage;
    clNoMessage.InitModInfo(&gstMyModuleInfo39, 1);
    const uint32_t dwFlags = CXError::XEI_SYSTEMCODE | CXError::XEI_SYSTEMMESSAGE | CXError::XEI_MODULE;
    EXPECT_EQ(sDump(clNoMessage, dwFlags), L"#28854\r\n#28856\r\n\r\n#28842=kx200postgresql64.so/20.0.5.0\r\n");
}

TEST_F(XErrorDumpTest, EmptyTextItemsAreLeftOutButWhereTheErrorLies) {
    _CXErrorModule39 clError;
    clError.AddInfo(CXError::EIT_SRCFILE, L"");
    clError.AddInfo(CXError::EIT_POSITION_ERREUR, L"");
    clError.AddInfo(CXError::EIT_LOGICALTABLENAME, L"T");
    clError.AddInfo(CXError::EIT_POINTER, &clError);  // has no line
    EXPECT_EQ(sDump(clError, CXError::XEI_INFO), L"#28861\r\nEIT_POSITION_ERREUR : <>\r\nEIT_LOGICALTABLENAME : <T>");

    CTString clLine;
    clError.DumpInfo(CXError::EIT_SRCFILE, L"", &clLine);
    EXPECT_STREQ(clLine.pszGet(), L"EIT_SRCFILE : <>");
}

TEST_F(XErrorDumpTest, InformationLabels) {
    _CXErrorModule39 clError;
    int64_t n64 = -42;
    struct Case {
        uint32_t eType;
        const void* pValue;
        const wchar_t* pszExpected;
    } cases[] = {
        {1, L"a", L"EIT_SRCFILE : <a>"},
        {2, L"a", L"EIT_DSTFILE : <a>"},
        {3, L"a", L"EIT_USERNAME : <a>"},
        {4, L"a", L"EIT_HELPFILE : <a>"},
        {5, L"a", L"EIT_PATHKXD : <a>"},
        {6, L"a", L"EIT_LOGICALTABLENAME : <a>"},
        {7, L"a", L"EIT_ITEMNAME : <a>"},
        {8, L"a", L"EIT_PATHFIC : <a>"},
        {9, L"a", L"EIT_PATHNDX : <a>"},
        {10, L"a", L"EIT_PATHMMO : <a>"},
        {11, L"a", L"EIT_LINKNAME : <a>"},
        {12, &n64, L"EIT_RECNUM : <-42>"},
        {13, L"a", L"EIT_ODBCCODE : <a>"},
        {14, L"a", L"EIT_ODBCDESCRIPTION : <a>"},
        {15, reinterpret_cast<const void*>(uintptr_t{7}), L"EIT_BASECODE : <7>"},
        {16, reinterpret_cast<const void*>(uintptr_t{0xFFFFFFFF}), L"EIT_NATIVECODE : <-1>"},
        {17, reinterpret_cast<const void*>(uintptr_t{9}), L"EIT_ADOCODE : <9>"},
        {18, L"a", L"EIT_BASEMESSAGE : <a>"},
        {19, L"a", L"EIT_NATIVEMESSAGE : <a>"},
        {20, L"a", L"EIT_ADOMESSAGE : <a>"},
        {22, L"a", L"EIT_INFOCLIENT : <a>"},
        {23, L"a", L"EIT_INFOSERVEUR : <a>"},
        {24, L"a", L"EIT_PILEVQ :\r\na"},
        {25, L"a", L"EIT_DATEHEURE : a"},
        {26, L"a", L"EIT_LOCKINFO : a"},
        {27, L"a", L"EIT_CORRIGE_ETAT : a"},
        {28, L"a", L"EIT_INFOCS : <a>"},
        {29, L"a", L""},
        {30, reinterpret_cast<const void*>(uintptr_t{3}), L"EIT_XINFO : <3>"},
        {31, L"a", L"EIT_COMPOSANT :\r\na"},
        {32, L"a", L"EIT_SERVEURCS : <a>"},
        {33, L"a", L"EIT_PILEC :\r\na"},
        {34, L"a", L""},
        {35, L"a", L""},
        {36, &n64, L"EIT_HLOCKTIME : <-42>"},
        {37, reinterpret_cast<const void*>(uintptr_t{5}), L"EIT_HCNXID : <5>"},
        {38, nullptr, L"EIT_EXCEPTIONDOTNET"},
        {39, L"a", L"EIT_POSITION_ERREUR : <a>"},
    };
    for (const Case& c : cases) {
        CTString clLine;
        clError.DumpInfo(static_cast<CXError::eERRORINFOTYPE>(c.eType), c.pValue, &clLine);
        EXPECT_STREQ(clLine.pszGet(), c.pszExpected) << c.eType;
    }
    CTString clLine;
    clError.DumpInfo(CXError::EIT_DATAACCESS, &clError, &clLine);
    std::wstring s = clLine.pszGet();
    EXPECT_EQ(s.rfind(L"EIT_DATAACCESS : <", 0), 0u) << s;
    EXPECT_GT(s.size(), 20u);
    EXPECT_EQ(s.back(), L'>');
}

TEST_F(XErrorDumpTest, DebugTextBeforeASubError) {
    _CXErrorModule39 clError;
    clError.AddDebugMessageNoFormat(L"dbg");
    _CXErrorModule39 clSub;
    clSub.SetUserErrorCode(9);
    clError.AddSubError(&clSub);
    const uint32_t dwFlags =
        CXError::XEI_DEBUGMESSAGE | CXError::XEI_SUBERROR | CXError::XEI_USERCODE | CXError::XEI_SKIPEMPTY;
    EXPECT_EQ(sDump(clError, dwFlags),
              L"#28851=0\r\n"
              L"\r\n"
              L"#28859\r\ndbg\r\n"
              L"\r\n"
              L"\r\n----- #28865=1 -----\r\n\r\n"
              L"#28851=9\r\n"
              L"\r\n");
}

// A driver failure as the host reads it: a main error with its debug line and information item,
// and a later failure recorded as its sub-error, which itself carries a sub-error.
TEST_F(XErrorDumpTest, NestedErrorAsTheDriverDumpsIt) {
    standin::SetMessageText(28542, L"connection %s unknown");
    standin::SetMessageText(28536, L"no transaction %s");
    _CXErrorModule39 clError;
    clError.SetUserError(&gstMyModuleInfo39, 14, L"cnx");
    clError.AddDebugMessageNoFormat(L"IEKXPSQL=5.4\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>");
    uint32_t nCode = 14;
    clError.AddInfo(CXError::EIT_NATIVECODE, &nCode);

    _CXErrorModule39 clSub;
    clSub.SetUserError(&gstMyModuleInfo39, 9, L"T1");
    clSub.AddDebugMessageNoFormat(L"IEKXPSQL=1.1");
    clSub.SetSystemError(11, L"busy");
    _CXErrorModule39 clInner;
    clInner.SetUserError(&gstMyModuleInfo39, 21);
    clSub.AddSubError(&clInner);
    clError.AddSubError(&clSub);

    EXPECT_EQ(sDump(clError, CXError::XEI_DRIVER),
              L"#28857\r\n"
              L"connection cnx unknown\r\n"
              L"no transaction T1\r\n"
              L"#28576\r\n"
              L"\r\n"
              L"#28851=14\r\n"
              L"#28849\r\n"
              L"\r\n"
              L"#28842=kx200postgresql64.so/20.0.5.0\r\n"
              L"#28863=14\r\n"
              L"#28859\r\n"
              L"IEKXPSQL=5.4\r\nModule=<KXPSQL>\r\nVersion=<20.0.5.0>\r\n"
              L"#28861\r\n"
              L"EIT_NATIVECODE : <14>\r\n"
              L"\r\n----- #28865=1 -----\r\n\r\n"
              // the sub-error's own dump
              L"#28857\r\n"
              L"no transaction T1\r\n"
              L"#28576\r\n"
              L"\r\n"
              L"#28851=9\r\n"
              L"#28849\r\n"
              L"\r\n"
              L"#28853=11\r\n"
              L"#28855\r\n"
              L"busy\r\n"
              L"#28842=kx200postgresql64.so/20.0.5.0\r\n"
              L"#28863=9\r\n"
              L"#28859\r\n"
              L"IEKXPSQL=1.1\r\n"
              L"\r\n"
              L"\r\n----- #28865=1 -----\r\n\r\n"
              // the sub-error's sub-error (level 2, detail 21)
              L"#28857\r\n"
              L"#28576\r\n"
              L"\r\n"
              L"#28851=21\r\n"
              L"#28848\r\n"
              L"\r\n"
              L"#28842=kx200postgresql64.so/20.0.5.0\r\n"
              L"#28863=21\r\n"
              L"\r\n"
              L"\r\n");
}

}  // namespace
