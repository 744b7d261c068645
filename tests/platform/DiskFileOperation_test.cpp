// File and directory operations of the disk-file toolbox, on real files in a temporary directory:
// rename, move and copy (never onto the file itself, never losing the destination for nothing),
// the attribute word, mode and owner, file times and the DOS date-time, directories with their
// parents, the temporary directory and names, disk space, and text loading by byte-order mark.
// Every failure is checked for its report: level, errno, message id and file items.
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <unistd.h>
#include <utime.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/XError.h"
#include "core/XYString.h"
#include "platform/DiskFile.h"
#include "platform/WinMemoryTime.h"
#include "tests/host/TestSupport.h"
#include "tests/platform/DiskFileTestSupport.h"

namespace {

using XT = CDiskFile::_stXFILETIME;
constexpr uint32_t PATH_BUFFER = CDiskFile::s_nMaxPath + 1;

std::wstring wsDestinationFile(const CXError* pclErr) {
    const void* pValue = nullptr;
    if (!pclErr->bGetInfo(CXError::EIT_DSTFILE, &pValue) || pValue == nullptr) return L"<none>";
    return static_cast<const wchar_t*>(pValue);
}

std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

// Sets an environment variable for the life of the object (a null value unsets it).
class CScopedEnv {
public:
    CScopedEnv(const char* pszName, const char* pszValue) : m_sName(pszName) {
        const char* pszOld = getenv(pszName);
        m_bHadValue = pszOld != nullptr;
        if (m_bHadValue) m_sOld = pszOld;
        if (pszValue != nullptr)
            setenv(pszName, pszValue, 1);
        else
            unsetenv(pszName);
        tzset();
    }
    ~CScopedEnv() {
        if (m_bHadValue)
            setenv(m_sName.c_str(), m_sOld.c_str(), 1);
        else
            unsetenv(m_sName.c_str());
        tzset();
    }

private:
    std::string m_sName, m_sOld;
    bool m_bHadValue = false;
};

class DiskFileOperationTest : public CTempDirTest {
protected:
    void SetUp() override {
        CTempDirTest::SetUp();
        KXInstallStandInHost();
    }
    // Expects a filled report: level 3, the errno, the message and the source file.
    static void ExpectReport(const CXError& clErr, int nErrno, uint32_t nMessage, const std::wstring& wsSource) {
        EXPECT_EQ(clErr.eGetErrorLevel(), CXError::XEL_ERROR);
        EXPECT_EQ(clErr.dwGetSystemErrorCode(), static_cast<uint32_t>(nErrno));
        EXPECT_EQ(nFirstMessage(&clErr), nMessage);
        EXPECT_EQ(wsSourceFile(&clErr), wsSource);
    }
    static mode_t nModeOf(const std::string& sPath) {
        struct stat st;
        return stat(sPath.c_str(), &st) == 0 ? st.st_mode : 0;
    }
};

// ---------------------------------------------------------------------------------------------------------------
// Rename, move, copy

TEST_F(DiskFileOperationTest, RenameNeverReplaces) {
    CXError clErr(&gstMyModuleInfo39);
    WriteFile(sPath("old"), "data");
    std::wstring wsOld = wsPath(L"old"), wsNew = wsPath(L"new");

    // Windows-style names are accepted.
    std::wstring wsNewBack = m_wsDir + L"\\new";
    EXPECT_EQ(CDiskFile::bRename(wsNewBack.c_str(), wsOld.c_str(), &clErr), 1);
    EXPECT_FALSE(clErr.bIsError());
    EXPECT_FALSE(bExists(sPath("old")));
    EXPECT_EQ(sReadFile(sPath("new")), "data");

    // An existing new name fails, even when it is the file being renamed.
    WriteFile(sPath("other"), "x");
    std::wstring wsOther = wsPath(L"other");
    EXPECT_EQ(CDiskFile::bRename(wsNew.c_str(), wsOther.c_str(), &clErr), 0);
    ExpectReport(clErr, EEXIST, 28124, wsOther);
    EXPECT_EQ(wsDestinationFile(&clErr), wsNew);
    EXPECT_EQ(CDiskFile::bRename(wsNew.c_str(), wsNew.c_str(), &clErr), 0);
    EXPECT_EQ(clErr.dwGetSystemErrorCode(), static_cast<uint32_t>(EEXIST));
    EXPECT_EQ(sReadFile(sPath("new")), "data");

    std::wstring wsMissing = wsPath(L"missing");
    EXPECT_EQ(CDiskFile::bRename(wsPath(L"target").c_str(), wsMissing.c_str(), &clErr), 0);
    ExpectReport(clErr, ENOENT, 28124, wsMissing);
    EXPECT_EQ(CDiskFile::bRename(wsPath(L"target").c_str(), wsMissing.c_str(), nullptr), 0);
}

TEST_F(DiskFileOperationTest, MoveReplacesOnlyWithAnExistingSource) {
    CXError clErr(&gstMyModuleInfo39);
    WriteFile(sPath("src"), "new");
    WriteFile(sPath("dst"), "old");
    std::wstring wsSrc = wsPath(L"src"), wsDst = wsPath(L"dst");

    // Moving a file onto its own name (as written, or with the other separator) changes nothing.
    EXPECT_EQ(CDiskFile::bMove(wsSrc.c_str(), wsSrc.c_str(), &clErr), 1);
    std::wstring wsSrcBack = m_wsDir + L"\\src";
    EXPECT_EQ(CDiskFile::bMove(wsSrcBack.c_str(), wsSrc.c_str(), &clErr), 1);
    EXPECT_EQ(sReadFile(sPath("src")), "new");

    EXPECT_EQ(CDiskFile::bMove(wsDst.c_str(), wsSrc.c_str(), &clErr), 1);
    EXPECT_FALSE(clErr.bIsError());
    EXPECT_FALSE(bExists(sPath("src")));
    EXPECT_EQ(sReadFile(sPath("dst")), "new");

    // A missing source leaves the destination in place and says why.
    std::wstring wsMissing = wsPath(L"missing");
    EXPECT_EQ(CDiskFile::bMove(wsDst.c_str(), wsMissing.c_str(), &clErr), 0);
    ExpectReport(clErr, ENOENT, 28124, wsMissing);
    EXPECT_EQ(wsDestinationFile(&clErr), wsDst);
    EXPECT_EQ(sReadFile(sPath("dst")), "new");
}

TEST_F(DiskFileOperationTest, CopyWholeFilesOfEverySize) {
    CXError clErr(&gstMyModuleInfo39);
    // Sizes around the 4,096-byte block.
    for (size_t nSize : {size_t(0), size_t(1), size_t(4095), size_t(4096), size_t(4097), size_t(10000)}) {
        SCOPED_TRACE(nSize);
        std::string sData(nSize, '\0');
        for (size_t i = 0; i < nSize; i++) sData[i] = static_cast<char>(i * 7 + 3);
        WriteFile(sPath("src"), sData);
        // A longer destination is truncated first.
        WriteFile(sPath("dst"), std::string(12000, 'z'));
        EXPECT_EQ(CDiskFile::bCopy(wsPath(L"dst").c_str(), wsPath(L"src").c_str(), &clErr), 1);
        EXPECT_FALSE(clErr.bIsError());
        EXPECT_EQ(sReadFile(sPath("dst")), sData);
        EXPECT_EQ(sReadFile(sPath("src")), sData);
    }
    std::wstring wsNewBack = m_wsDir + L"\\created";
    EXPECT_EQ(CDiskFile::bCopy(wsNewBack.c_str(), wsPath(L"src").c_str(), nullptr), 1);
    EXPECT_EQ(sReadFile(sPath("created")).size(), 10000u);
}

TEST_F(DiskFileOperationTest, CopyRefusesTheFileItself) {
    CXError clErr(&gstMyModuleInfo39);
    WriteFile(sPath("f"), "precious");
    ASSERT_EQ(link(sPath("f").c_str(), sPath("hard").c_str()), 0);
    std::wstring wsF = wsPath(L"f");
    struct Case {
        std::wstring wsDestination;
    };
    const Case tabCases[] = {{wsF}, {m_wsDir + L"\\f"}, {wsPath(L"hard")}, {m_wsDir + L"/./f"}};
    for (const Case& c : tabCases) {
        SCOPED_TRACE(std::string(c.wsDestination.begin(), c.wsDestination.end()));
        EXPECT_EQ(CDiskFile::bCopy(c.wsDestination.c_str(), wsF.c_str(), &clErr), 0);
        EXPECT_EQ(clErr.eGetErrorLevel(), CXError::XEL_ERROR);
        EXPECT_EQ(nFirstMessage(&clErr), 28125u);
        EXPECT_EQ(wsSourceFile(&clErr), wsF);
        EXPECT_EQ(sReadFile(sPath("f")), "precious");
    }

    std::wstring wsMissing = wsPath(L"missing");
    EXPECT_EQ(CDiskFile::bCopy(wsPath(L"out").c_str(), wsMissing.c_str(), &clErr), 0);
    ExpectReport(clErr, ENOENT, 28125, wsMissing);
    EXPECT_EQ(wsDestinationFile(&clErr), wsPath(L"out"));
    EXPECT_FALSE(bExists(sPath("out")));

    // A destination that can't be opened.
    ASSERT_EQ(mkdir(sPath("dir").c_str(), 0700), 0);
    EXPECT_EQ(CDiskFile::bCopy(wsPath(L"dir").c_str(), wsF.c_str(), &clErr), 0);
    ExpectReport(clErr, EISDIR, 28125, wsF);
}

// A copy that fails leaves the destination as it was: a source that can't be read is found out
// before the destination is touched, and one that fails half-way fails before the destination is
// replaced. Nothing of the attempt is left beside it.
TEST_F(DiskFileOperationTest, FailedCopyLeavesTheDestinationAsItWas) {
    const std::string sOld(5000, 'o');
    WriteFile(sPath("dst"), sOld);
    ASSERT_EQ(chmod(sPath("dst").c_str(), 0640), 0);
    ASSERT_EQ(mkdir(sPath("srcdir").c_str(), 0700), 0);
    const std::wstring wsDst = wsPath(L"dst");
    auto nEntries = [&] {
        return std::distance(std::filesystem::directory_iterator(m_sDir), std::filesystem::directory_iterator());
    };
    const auto nBefore = nEntries();

    // A directory as the source.
    CXError clErr(&gstMyModuleInfo39);
    EXPECT_EQ(CDiskFile::bCopy(wsDst.c_str(), wsPath(L"srcdir").c_str(), &clErr), 0);
    ExpectReport(clErr, EISDIR, 28125, wsPath(L"srcdir"));
    EXPECT_EQ(sReadFile(sPath("dst")), sOld);
    EXPECT_EQ(nEntries(), nBefore);

    // A write that fails half-way: the process may not write files past 6,000 bytes, the source
    // holds 10,000. The copy fails with the system's EFBIG and the destination keeps its bytes.
    WriteFile(sPath("big"), std::string(10000, 'n'));
    const std::wstring wsBig = wsPath(L"big");
    EXPECT_EQ(nInChild([&] {
                  signal(SIGXFSZ, SIG_IGN);
                  struct rlimit stLimit = {6000, 6000};
                  if (setrlimit(RLIMIT_FSIZE, &stLimit) != 0) return 2;
                  CXError clChildErr(&gstMyModuleInfo39);
                  if (CDiskFile::bCopy(wsDst.c_str(), wsBig.c_str(), &clChildErr)) return 3;
                  return clChildErr.dwGetSystemErrorCode() == static_cast<uint32_t>(EFBIG) ? 1 : 4;
              }),
              1);
    EXPECT_EQ(sReadFile(sPath("dst")), sOld);
    EXPECT_EQ(nEntries(), nBefore + 1);  // "big"

    // A copy that succeeds replaces the destination, which keeps its mode; a new one gets the mode
    // of a new file.
    EXPECT_EQ(CDiskFile::bCopy(wsDst.c_str(), wsBig.c_str(), &clErr), 1);
    EXPECT_EQ(sReadFile(sPath("dst")), std::string(10000, 'n'));
    EXPECT_EQ(nModeOf(sPath("dst")) & 07777, 0640u);
    const mode_t nMask = umask(022);
    umask(nMask);
    EXPECT_EQ(CDiskFile::bCopy(wsPath(L"fresh").c_str(), wsBig.c_str(), &clErr), 1);
    EXPECT_EQ(nModeOf(sPath("fresh")) & 07777, 0666u & ~nMask);
    EXPECT_EQ(nEntries(), nBefore + 2);  // "big", "fresh"
}

// The replacement of another user's file keeps that user as its owner (giving a file away takes root).
TEST_F(DiskFileOperationTest, CopyKeepsTheOwnerOfTheFileItReplaces) {
    if (geteuid() != 0) {
        if (getenv("CI") != nullptr) FAIL() << "giving a file to another owner needs root";
        GTEST_SKIP() << "giving a file to another owner needs root";
    }
    WriteFile(sPath("dst"), "old");
    ASSERT_EQ(chown(sPath("dst").c_str(), 12345, 12346), 0);
    ASSERT_EQ(chmod(sPath("dst").c_str(), 0604), 0);
    WriteFile(sPath("src"), "new");
    EXPECT_EQ(CDiskFile::bCopy(wsPath(L"dst").c_str(), wsPath(L"src").c_str(), nullptr), 1);
    struct stat st;
    ASSERT_EQ(stat(sPath("dst").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 12345u);
    EXPECT_EQ(st.st_gid, 12346u);
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(sReadFile(sPath("dst")), "new");
}

// A destination reached through a link: the file it names is the one replaced, the link stays.
TEST_F(DiskFileOperationTest, CopyThroughALinkReplacesTheFileItNames) {
    ASSERT_EQ(mkdir(sPath("real").c_str(), 0700), 0);
    WriteFile(sPath("real/target"), "old");
    ASSERT_EQ(symlink((m_sDir + "/real/target").c_str(), sPath("link").c_str()), 0);
    WriteFile(sPath("src"), "new");
    EXPECT_EQ(CDiskFile::bCopy(wsPath(L"link").c_str(), wsPath(L"src").c_str(), nullptr), 1);
    EXPECT_EQ(sReadFile(sPath("real/target")), "new");
    struct stat st;
    ASSERT_EQ(lstat(sPath("link").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));

    // A destination named in the working directory is replaced there.
    char szSaved[PATH_MAX];
    ASSERT_NE(getcwd(szSaved, sizeof(szSaved)), nullptr);
    ASSERT_EQ(chdir(m_sDir.c_str()), 0);
    WriteFile(sPath("here"), "old");
    const int bHere = CDiskFile::bCopy(L"here", L"src", nullptr);
    ASSERT_EQ(chdir(szSaved), 0);
    EXPECT_EQ(bHere, 1);
    EXPECT_EQ(sReadFile(sPath("here")), "new");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_sDir), std::filesystem::directory_iterator()), 4);
}

// Each name of a report stands in its place in the message text (the destination first where there
// are two), and numbers stand before the name they concern.
TEST_F(DiskFileOperationTest, ReportsPutTheirArgumentsInTheMessageInOrder) {
    const std::wstring wsMissing = wsPath(L"missing"), wsTarget = wsPath(L"target");
    const wchar_t* pszMissing = wsMissing.c_str();
    const wchar_t* pszTarget = wsTarget.c_str();
    struct Case {
        const char* pszOperation;
        std::function<int(CXError*)> fn;
        uint32_t nMessage;
        std::wstring wsText;
        std::wstring wsDestination;
    };
    const Case tabCases[] = {
        {"rename", [&](CXError* p) { return CDiskFile::bRename(pszTarget, pszMissing, p); }, 28124,
         L"new name " + wsTarget + L", old name " + wsMissing, wsTarget},
        {"move", [&](CXError* p) { return CDiskFile::bMove(pszTarget, pszMissing, p); }, 28124,
         L"new name " + wsTarget + L", old name " + wsMissing, wsTarget},
        {"copy", [&](CXError* p) { return CDiskFile::bCopy(pszTarget, pszMissing, p); }, 28125,
         L"destination " + wsTarget + L", source " + wsMissing, wsTarget},
        {"mode", [&](CXError* p) { return CDiskFile::bSetFileAttributesUnix(pszMissing, 0640, p); }, 28130,
         L"0x1a0 of the file " + wsMissing, L"<none>"},
        {"owner", [&](CXError* p) { return CDiskFile::bSetFileOwnerUnix(pszMissing, 12, 34, p); }, 25852,
         L"user 12, group 34) of the file " + wsMissing, L"<none>"},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.pszOperation);
        CXError clErr(&gstMyModuleInfo39);
        EXPECT_EQ(c.fn(&clErr), 0);
        ExpectReport(clErr, ENOENT, c.nMessage, wsMissing);
        EXPECT_EQ(wsDestinationFile(&clErr), c.wsDestination);
        std::wstring wsMessage = clErr.pszGetUserMessage();
        EXPECT_NE(wsMessage.find(c.wsText), std::wstring::npos) << std::string(wsMessage.begin(), wsMessage.end());
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Attributes and owner

TEST_F(DiskFileOperationTest, AttributeWord) {
    WriteFile(sPath("plain"), "x");
    WriteFile(sPath(".hidden"), "x");
    ASSERT_EQ(chmod(sPath("plain").c_str(), 0640), 0);
    ASSERT_EQ(chmod(sPath(".hidden").c_str(), 04755), 0);
    ASSERT_EQ(mkdir(sPath("dir").c_str(), 0750), 0);
    ASSERT_EQ(mkfifo(sPath("fifo").c_str(), 0600), 0);
    ASSERT_EQ(symlink(sPath("dir").c_str(), sPath("link").c_str()), 0);
    struct Case {
        std::wstring wsName;
        uint32_t dwFollowed;  // through stat
        uint32_t dwLink;      // through lstat
    };
    const Case tabCases[] = {
        {L"plain", 0x8000 | 0640, 0x8000 | 0640},
        // The set-user-id bit is not part of the word.
        {L".hidden", 0x80000000u | 0x8000 | 0755, 0x80000000u | 0x8000 | 0755},
        {L"dir", 0x4000 | 0750, 0x4000 | 0750},
        {L"dir/", 0x4000 | 0750, 0x4000 | 0750},
        // A FIFO has no type bit of its own.
        {L"fifo", 0600, 0600},
        {L"link", 0x4000 | 0750, 0xA000 | 0777},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(std::string(c.wsName.begin(), c.wsName.end()));
        std::wstring wsName = wsPath(c.wsName);
        int nAttributes = 0;
        uint32_t nErrno = 99;
        EXPECT_EQ(CDiskFile::bGetFileAttributes(wsName.c_str(), nAttributes, nErrno, nullptr), 1);
        EXPECT_EQ(static_cast<uint32_t>(nAttributes), c.dwFollowed);
        int nOther = 0;
        EXPECT_EQ(CDiskFile::bGetFileAttributes(&nOther, wsName.c_str(), nullptr), 1);
        EXPECT_EQ(nOther, nAttributes);
        uint32_t dwLink = 0;
        struct stat st;
        EXPECT_EQ(CDiskFile::_bReadAttributes(wsName.c_str(), 1, &st, &dwLink, nullptr, nullptr), 1);
        EXPECT_EQ(dwLink, c.dwLink);
    }
    CXError clErr(&gstMyModuleInfo39);
    std::wstring wsMissing = wsPath(L"missing");
    int nAttributes = 0;
    uint32_t nErrno = 0;
    EXPECT_EQ(CDiskFile::bGetFileAttributes(wsMissing.c_str(), nAttributes, nErrno, &clErr), 0);
    EXPECT_EQ(nErrno, static_cast<uint32_t>(ENOENT));
    ExpectReport(clErr, ENOENT, 28130, wsMissing);
}

TEST_F(DiskFileOperationTest, SetAttributes) {
    WriteFile(sPath("f"), "x");
    std::wstring wsF = wsPath(L"f");
    struct Case {
        uint32_t nAttributes;
        mode_t nMode;
    };
    // Only the Windows read-only words give a read-only file.
    const Case tabCases[] = {
        {0xFFFFFFFEu, 0444}, {0, 0666}, {0xFFFFFFFFu, 0444}, {1, 0666}, {0x80, 0666}, {0xFFFFFFFDu, 0666},
    };
    CXError clErr(&gstMyModuleInfo39);
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.nAttributes);
        EXPECT_EQ(CDiskFile::bSetFileAttributes(wsF.c_str(), c.nAttributes, &clErr), 1);
        EXPECT_EQ(nModeOf(sPath("f")) & 07777, c.nMode);
    }
    EXPECT_EQ(CDiskFile::bSetFileAttributesUnix(wsF.c_str(), 0604, &clErr), 1);
    EXPECT_EQ(nModeOf(sPath("f")) & 07777, 0604u);

    std::wstring wsMissing = wsPath(L"missing");
    EXPECT_EQ(CDiskFile::bSetFileAttributes(wsMissing.c_str(), 0, &clErr), 0);
    ExpectReport(clErr, ENOENT, 28130, wsMissing);
}

TEST_F(DiskFileOperationTest, OwnerOfAMissingFileIsReported) {
    CXError clErr(&gstMyModuleInfo39);
    std::wstring wsMissing = wsPath(L"missing");
    EXPECT_EQ(CDiskFile::bSetFileOwnerUnix(wsMissing.c_str(), getuid(), getgid(), &clErr), 0);
    ExpectReport(clErr, ENOENT, 25852, wsMissing);
    // The mode is not set when the owner could not be.
    EXPECT_EQ(CDiskFile::bSetFileOwnerAttributes(wsMissing.c_str(), 0600, getuid(), getgid(), &clErr), 0);
    EXPECT_EQ(nFirstMessage(&clErr), 25852u);
}

TEST_F(DiskFileOperationTest, OwnerAndModeAsRoot) {
    if (geteuid() != 0) GTEST_SKIP() << "changing a file's owner needs root";
    CXError clErr(&gstMyModuleInfo39);
    WriteFile(sPath("f"), "x");
    std::wstring wsF = wsPath(L"f");
    EXPECT_EQ(CDiskFile::bSetFileOwnerUnix(wsF.c_str(), 1, 2, &clErr), 1);
    struct stat st;
    ASSERT_EQ(stat(sPath("f").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 1u);
    EXPECT_EQ(st.st_gid, 2u);
    EXPECT_EQ(CDiskFile::bSetFileOwnerAttributes(wsF.c_str(), 0640, 3, 4, &clErr), 1);
    ASSERT_EQ(stat(sPath("f").c_str(), &st), 0);
    EXPECT_EQ(st.st_uid, 3u);
    EXPECT_EQ(st.st_gid, 4u);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_FALSE(clErr.bIsError());
}

// ---------------------------------------------------------------------------------------------------------------
// Times

TEST_F(DiskFileOperationTest, DosDateTime) {
    struct Case {
        XT stTime;
        uint32_t dwDos;
        XT stBack;  // seconds rounded down to even, milliseconds dropped
    };
    const Case tabCases[] = {
        {{2010, 6, 15, 13, 45, 31, 500}, 0x3CCF6DAFu, {2010, 6, 15, 13, 45, 30, 0}},
        {{1980, 1, 1, 0, 0, 0, 0}, 0x00210000u, {1980, 1, 1, 0, 0, 0, 0}},
        {{2107, 12, 31, 23, 59, 59, 999}, 0xFF9FBF7Du, {2107, 12, 31, 23, 59, 58, 0}},
    };
    for (const Case& c : tabCases) {
        uint32_t dwDos = 0;
        EXPECT_EQ(CDiskFile::bSystemTimeToDosFileTime(&c.stTime, &dwDos), 1);
        EXPECT_EQ(dwDos, c.dwDos);
        XT stBack{};
        EXPECT_EQ(CDiskFile::bDosFileTimeToSystemTime(dwDos, &stBack), 1);
        EXPECT_EQ(memcmp(&stBack, &c.stBack, sizeof(XT)), 0);
    }
}

TEST_F(DiskFileOperationTest, CompareSystemTime) {
    const XT stA = {2020, 5, 6, 7, 8, 9, 10};
    struct Case {
        XT stB;
        int nSign;
    };
    const Case tabCases[] = {
        {{2020, 5, 6, 7, 8, 9, 11}, 1},       {{2020, 5, 6, 7, 8, 9, 9}, -1}, {{2021, 1, 1, 0, 0, 0, 0}, 1},
        {{2020, 4, 30, 23, 59, 59, 999}, -1}, {{2020, 5, 6, 7, 8, 9, 10}, 0}, {{2020, 5, 6, 7, 9, 0, 0}, 1},
    };
    for (const Case& c : tabCases) {
        int n = CDiskFile::nCompareSystemTime(&stA, &c.stB);
        EXPECT_EQ((n > 0) - (n < 0), c.nSign);
    }
    const XT stLater = {2020, 5, 6, 7, 8, 9, 11};
    EXPECT_EQ(CDiskFile::nCompareSystemTime(&stA, &stLater), 1);
}

TEST_F(DiskFileOperationTest, FileTimesInLocalTime) {
    // A fixed zone one hour east of UTC, without daylight saving.
    CScopedEnv clTZ("TZ", "XXX-1");
    WriteFile(sPath("f"), "x");
    std::wstring wsF = wsPath(L"f");
    // 2010-06-15 12:45:30 UTC
    time_t tWrite = 1276605930;
    struct utimbuf stTimes = {tWrite - 3600, tWrite};
    ASSERT_EQ(utime(sPath("f").c_str(), &stTimes), 0);

    XT stTime{};
    CXError clErr(&gstMyModuleInfo39);
    EXPECT_EQ(CDiskFile::bGetLastModificationTime(wsF.c_str(), &stTime, &clErr), 1);
    const XT stExpected = {2010, 6, 15, 13, 45, 30, 0};
    EXPECT_EQ(memcmp(&stTime, &stExpected, sizeof(XT)), 0);
    EXPECT_FALSE(clErr.bIsError());

    FILETIME stFile;
    EXPECT_EQ(CDiskFile::bSystemTimeToFileTime(&stExpected, &stFile), 1);
    EXPECT_EQ(nFileTimeToU64(stFile),
              (static_cast<uint64_t>(tWrite) * KX_FILETIME_PER_SECOND) + KX_FILETIME_UNIX_EPOCH);
    XT stBack{};
    EXPECT_EQ(CDiskFile::bFileTimeToSystemTime(&stFile, &stBack), 1);
    EXPECT_EQ(memcmp(&stBack, &stExpected, sizeof(XT)), 0);

    // The three times of an open file, and setting them back through its name.
    CDiskFile clFile;
    ASSERT_EQ(clFile.bOpen(wsF.c_str(), IXStream::eAccessRead, IXStream::eShareNone, IXStream::eCreateOpenExisting,
                           IXStream::eFlagNone, nullptr),
              1);
    XT stAccess{}, stWrite{};
    EXPECT_EQ(clFile.bGetTime(nullptr, &stAccess, &stWrite), 1);
    EXPECT_EQ(memcmp(&stWrite, &stExpected, sizeof(XT)), 0);
    const XT stAccessExpected = {2010, 6, 15, 12, 45, 30, 0};
    EXPECT_EQ(memcmp(&stAccess, &stAccessExpected, sizeof(XT)), 0);

    const XT stNewWrite = {2001, 2, 3, 4, 5, 6, 0};
    EXPECT_EQ(clFile.bSetTime(&stExpected, nullptr, &stNewWrite), 1);
    struct stat st;
    ASSERT_EQ(stat(sPath("f").c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 981173106 - 3600);  // 2001-02-03 04:05:06 local
    EXPECT_EQ(st.st_atime, tWrite - 3600);     // kept

    FILETIME stAccessFile;
    U64ToFileTime(KX_FILETIME_UNIX_EPOCH + 5 * KX_FILETIME_PER_SECOND, &stAccessFile);
    EXPECT_EQ(clFile.bSetTime(nullptr, &stAccessFile, nullptr), 1);
    ASSERT_EQ(stat(sPath("f").c_str(), &st), 0);
    EXPECT_EQ(st.st_atime, 5);
    EXPECT_EQ(st.st_mtime, 981173106 - 3600);

    CDiskFile clClosed;
    EXPECT_EQ(clClosed.bGetTime(nullptr, nullptr, &stWrite), 0);

    std::wstring wsMissing = wsPath(L"missing");
    EXPECT_EQ(CDiskFile::bGetLastModificationTime(wsMissing.c_str(), &stTime, nullptr), 0);
}

// ---------------------------------------------------------------------------------------------------------------
// Directories

TEST_F(DiskFileOperationTest, CreateDirectoryWithParents) {
    CXError clErr(&gstMyModuleInfo39);
    std::wstring wsDeep = wsPath(L"a/b/c");
    EXPECT_EQ(CDiskFile::bCreateDirectory(wsDeep.c_str(), &clErr), 1);
    EXPECT_TRUE(S_ISDIR(nModeOf(sPath("a/b/c"))));
    EXPECT_FALSE(clErr.bIsError());
    // Again: already there.
    EXPECT_EQ(CDiskFile::bCreateDirectory(wsDeep.c_str(), &clErr), 1);
    EXPECT_FALSE(clErr.bIsError());
    // Windows separators and end slashes.
    std::wstring wsBack = m_wsDir + L"\\x\\y\\\\";
    EXPECT_EQ(CDiskFile::bCreateDirectory(wsBack.c_str(), &clErr), 1);
    EXPECT_TRUE(S_ISDIR(nModeOf(sPath("x/y"))));

    // The final name is a file.
    WriteFile(sPath("a/b/file"), "x");
    std::wstring wsFile = wsPath(L"a/b/file");
    EXPECT_EQ(CDiskFile::bCreateDirectory(wsFile.c_str(), &clErr), 0);
    ExpectReport(clErr, EEXIST, 28126, wsFile);
    // A parent is a file.
    std::wstring wsUnder = wsPath(L"a/b/file/sub");
    EXPECT_EQ(CDiskFile::bCreateDirectory(wsUnder.c_str(), &clErr), 0);
    ExpectReport(clErr, ENOTDIR, 28126, wsUnder);

    EXPECT_EQ(CDiskFile::bCreateDirectory(L"", &clErr), 0);
    EXPECT_EQ(CDiskFile::bCreateDirectory(nullptr, nullptr), 0);
}

TEST_F(DiskFileOperationTest, CreateDirectoryNamesParentThatFails) {
    // A regular file as the grandparent: the parent under it can't be made (for root as for anyone),
    // and the report names that parent, not the directory asked for.
    WriteFile(sPath("file"), "x");
    CXError clErr(&gstMyModuleInfo39);
    EXPECT_EQ(CDiskFile::bCreateDirectory(wsPath(L"file/p/q").c_str(), &clErr), 0);
    ExpectReport(clErr, ENOTDIR, 28126, wsPath(L"file/p"));
    EXPECT_EQ(sReadFile(sPath("file")), "x");
}

TEST_F(DiskFileOperationTest, CreateDirectoryBeyondThePathLimit) {
    // Parents are made from the whole name: none is made from a name cut at 260 characters.
    std::wstring wsLong = m_wsDir;
    std::string sLong = m_sDir;
    for (int i = 0; i < 6; i++) {
        std::string sPart = "/" + std::string(50, static_cast<char>('a' + i));
        sLong += sPart;
        wsLong += wsOf(sPart);
    }
    ASSERT_GT(wsLong.size(), 300u);
    CXError clErr(&gstMyModuleInfo39);
    EXPECT_EQ(CDiskFile::bCreateDirectory(wsLong.c_str(), &clErr), 1);
    EXPECT_TRUE(S_ISDIR(nModeOf(sLong)));
    std::vector<std::string> tabEntries;
    for (const auto& entry :
         std::filesystem::directory_iterator(m_sDir + "/" + std::string(50, 'a') + "/" + std::string(50, 'b') + "/" +
                                             std::string(50, 'c') + "/" + std::string(50, 'd')))
        tabEntries.push_back(entry.path().filename().string());
    ASSERT_EQ(tabEntries.size(), 1u);
    EXPECT_EQ(tabEntries[0], std::string(50, 'e'));
}

TEST_F(DiskFileOperationTest, DeleteAndCurrentDirectory) {
    CXError clErr(&gstMyModuleInfo39);
    ASSERT_EQ(mkdir(sPath("full").c_str(), 0700), 0);
    WriteFile(sPath("full/f"), "x");
    std::wstring wsFull = wsPath(L"full");
    EXPECT_EQ(CDiskFile::bDeleteDirectory(wsFull.c_str(), &clErr), 0);
    ExpectReport(clErr, ENOTEMPTY, 28127, wsFull);
    ASSERT_EQ(unlink(sPath("full/f").c_str()), 0);
    std::wstring wsBack = m_wsDir + L"\\full\\";
    EXPECT_EQ(CDiskFile::bDeleteDirectory(wsBack.c_str(), &clErr), 1);
    EXPECT_FALSE(bExists(sPath("full")));

    char szCwd[PATH_MAX];
    ASSERT_NE(getcwd(szCwd, sizeof(szCwd)), nullptr);
    wchar_t szBuffer[PATH_BUFFER];
    EXPECT_EQ(CDiskFile::bGetCurrentDirectory(szBuffer, &clErr), 1);
    EXPECT_EQ(std::wstring(szBuffer), wsOf(szCwd));
}

TEST_F(DiskFileOperationTest, TemporaryDirectory) {
    CXError clErr(&gstMyModuleInfo39);
    wchar_t szBuffer[PATH_BUFFER];
    {
        std::string sSlashes = m_sDir + "//";
        CScopedEnv clTmp("TMPDIR", sSlashes.c_str());
        EXPECT_EQ(CDiskFile::bGetTempDirectory(szBuffer, &clErr), 1);
        EXPECT_EQ(std::wstring(szBuffer), m_wsDir + L"/");
        EXPECT_FALSE(clErr.bIsError());
    }
    {
        // Not a directory: the system's own.
        CScopedEnv clTmp("TMPDIR", (m_sDir + "/none").c_str());
        EXPECT_EQ(CDiskFile::bGetTempDirectory(szBuffer, &clErr), 1);
        EXPECT_STREQ(szBuffer, L"/tmp/");
    }
    {
        // A name that passes the path buffer is refused, not cut.
        std::string sLong = m_sDir;
        while (sLong.size() < 300) sLong += "/" + std::string(40, 'l');
        ASSERT_TRUE(std::filesystem::create_directories(sLong));
        CScopedEnv clTmp("TMPDIR", sLong.c_str());
        wcscpy(szBuffer, L"unchanged");
        EXPECT_EQ(CDiskFile::bGetTempDirectory(szBuffer, &clErr), 0);
        EXPECT_STREQ(szBuffer, L"unchanged");
        EXPECT_EQ(nFirstMessage(&clErr), 28133u);
        EXPECT_EQ(clErr.dwGetSystemErrorCode(), static_cast<uint32_t>(ENAMETOOLONG));
    }
    {
        // Names on disk are UTF-8.
        std::string sAccent = sPath("d\xc3\xa9j\xc3\xa0");
        ASSERT_EQ(mkdir(sAccent.c_str(), 0700), 0);
        CScopedEnv clTmp("TMPDIR", sAccent.c_str());
        EXPECT_EQ(CDiskFile::bGetTempDirectory(szBuffer, &clErr), 1);
        EXPECT_EQ(std::wstring(szBuffer), m_wsDir + L"/d\u00e9j\u00e0/");
    }
}

TEST_F(DiskFileOperationTest, HomeDirectory) {
    CTString clHome;
    {
        CScopedEnv clHomeEnv("HOME", "/home/j\xc3\xa9r\xc3\xb4me");
        CDiskFile::GetHomeDir(&clHome);
        EXPECT_STREQ(clHome.pszGet(), L"/home/j\u00e9r\u00f4me");
    }
    {
        CScopedEnv clHomeEnv("HOME", nullptr);
        CDiskFile::GetHomeDir(&clHome);
        struct passwd* pstUser = getpwuid(getuid());
        std::wstring wsExpected = pstUser != nullptr ? wsOf(pstUser->pw_dir) : L".";
        EXPECT_EQ(std::wstring(clHome.pszGet()), wsExpected);
    }
    CDiskFile::GetHomeDir(nullptr);
}

// ---------------------------------------------------------------------------------------------------------------
// Temporary files

TEST_F(DiskFileOperationTest, TemporaryNames) {
    CXError clErr(&gstMyModuleInfo39);
    wchar_t szName[PATH_BUFFER];
    std::wstring wsBack = m_wsDir + L"\\";
    EXPECT_EQ(CDiskFile::bGetTempName(szName, wsBack.c_str(), L"tmp", &clErr), 1);
    std::wstring wsName = szName;
    std::wstring wsStart = m_wsDir + L"/tmp";
    ASSERT_EQ(wsName.size(), wsStart.size() + 6);
    EXPECT_EQ(wsName.substr(0, wsStart.size()), wsStart);
    std::string sName(wsName.begin(), wsName.end());
    EXPECT_TRUE(bExists(sName));
    EXPECT_EQ(sReadFile(sName), "");
    EXPECT_FALSE(clErr.bIsError());

    wchar_t szOther[PATH_BUFFER];
    EXPECT_EQ(CDiskFile::bGetTempName(szOther, m_wsDir.c_str(), L"tmp", &clErr), 1);
    EXPECT_NE(std::wstring(szOther), wsName);

    std::wstring wsMissing = wsPath(L"missing");
    EXPECT_EQ(CDiskFile::bGetTempName(szName, wsMissing.c_str(), L"pre", &clErr), 0);
    EXPECT_EQ(clErr.eGetErrorLevel(), CXError::XEL_ERROR);
    EXPECT_EQ(clErr.dwGetSystemErrorCode(), static_cast<uint32_t>(ENOENT));
    EXPECT_EQ(nFirstMessage(&clErr), 28134u);
    EXPECT_EQ(wsSourceFile(&clErr), L"<none>");
    EXPECT_NE(std::wstring(clErr.pszGetUserMessage()).find(L"pre"), std::wstring::npos);

    // A name that would not fit the result is not made.
    std::wstring wsLongPrefix(260, L'p');
    wcscpy(szName, L"unchanged");
    EXPECT_EQ(CDiskFile::bGetTempName(szName, m_wsDir.c_str(), wsLongPrefix.c_str(), &clErr), 0);
    EXPECT_STREQ(szName, L"unchanged");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_sDir), std::filesystem::directory_iterator()), 2);

    // In the temporary directory.
    CScopedEnv clTmp("TMPDIR", m_sDir.c_str());
    EXPECT_EQ(CDiskFile::bGetTempName(szName, L"kx", &clErr), 1);
    EXPECT_EQ(std::wstring(szName).substr(0, m_wsDir.size() + 3), m_wsDir + L"/kx");
}

// ---------------------------------------------------------------------------------------------------------------
// Disk space

TEST_F(DiskFileOperationTest, DiskSpace) {
    CXError clErr(&gstMyModuleInfo39);
    uint64_t nTotal = 0, nFree = 0;
    EXPECT_EQ(CDiskFile::bGetDiskSpace(m_wsDir.c_str(), &nTotal, &nFree, &clErr), 1);
    struct statfs st;
    ASSERT_EQ(statfs(m_sDir.c_str(), &st), 0);
    EXPECT_EQ(nTotal, static_cast<uint64_t>(st.f_bsize) * st.f_blocks);
    EXPECT_GT(nTotal, 0u);
    EXPECT_LE(nFree, nTotal);
    uint64_t nFreeOnly = 0;
    EXPECT_EQ(CDiskFile::bGetDiskFreeSpace(nullptr, &nFreeOnly, &clErr), 1);
    EXPECT_EQ(CDiskFile::bGetDiskSpace(nullptr, nullptr, nullptr, &clErr), 1);

    std::wstring wsMissing = wsPath(L"missing");
    EXPECT_EQ(CDiskFile::bGetDiskSpace(wsMissing.c_str(), &nTotal, &nFree, &clErr), 0);
    ExpectReport(clErr, ENOENT, 28138, wsMissing);
}

// ---------------------------------------------------------------------------------------------------------------
// Text by byte-order mark

TEST_F(DiskFileOperationTest, TextFromBufferByMark) {
    struct Case {
        const char* pszName;
        std::vector<unsigned char> tabBytes;
        uint32_t nCodePage;
        const wchar_t* pszText;
        CDiskFile::etxType eType;
    };
    const Case tabCases[] = {
        {"UTF-8 mark", {0xEF, 0xBB, 0xBF, 0x41}, 1252, L"A", CDiskFile::etxUTF8},
        {"ASCII", {0x41, 0x42}, 1252, L"AB", CDiskFile::etxUTF8},
        {"1252 byte", {0xE9}, 1252, L"\u00e9", CDiskFile::etxANSI},
        {"code page 0", {0x80, 0x41}, 0, L"\u20acA", CDiskFile::etxANSI},
        {"UTF-8 text", {0x63, 0xC3, 0xA9}, 1252, L"c\u00e9", CDiskFile::etxUTF8},
        {"empty", {}, 1252, L"", CDiskFile::etxUTF8},
        {"one byte", {0x7A}, 1252, L"z", CDiskFile::etxUTF8},
        {"UTF-16LE", {0xFF, 0xFE, 0x41, 0x00, 0xE9, 0x00}, 1252, L"A\u00e9", CDiskFile::etxUTF16},
        {"UTF-16BE", {0xFE, 0xFF, 0x00, 0x41, 0x20, 0xAC}, 1252, L"A\u20ac", CDiskFile::etxUTF16},
        {"surrogate pair", {0xFF, 0xFE, 0x3D, 0xD8, 0x00, 0xDE}, 1252, L"\U0001F600", CDiskFile::etxUTF16},
        {"mark only", {0xFF, 0xFE}, 1252, L"", CDiskFile::etxUTF16},
        {"odd last byte", {0xFF, 0xFE, 0x41, 0x00, 0x42}, 1252, L"A", CDiskFile::etxUTF16},
        // Two bytes of a UTF-8 mark are no mark.
        {"cut mark", {0xEF, 0xBB}, 1252, L"\u00ef\u00bb", CDiskFile::etxANSI},
        {"mark and nothing", {0xEF, 0xBB, 0xBF}, 1252, L"", CDiskFile::etxUTF8},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.pszName);
        std::vector<unsigned char> tabBytes = c.tabBytes;
        tabBytes.push_back(0xCC);  // never read: past the size given
        CXYString<wchar_t> clText(L"previous");
        CDiskFile::etxType eType = static_cast<CDiskFile::etxType>(7);
        EXPECT_EQ(CDiskFile::bChargeTexteBOMFromBuffer(clText, tabBytes.data(),
                                                       static_cast<uint32_t>(c.tabBytes.size()), c.nCodePage, &eType),
                  1);
        EXPECT_EQ(std::wstring(clText.pszGet()), c.pszText);
        EXPECT_EQ(clText.nGetLongueur(), static_cast<int>(wcslen(c.pszText)));
        EXPECT_EQ(eType, c.eType);
    }
    // Bytes that do not decode fail the load, whatever was decoded before them: a text with a
    // character skipped or cut off would pass for the file's.
    const struct {
        const char* pszName;
        std::vector<unsigned char> tabBytes;
        uint32_t nCodePage;
    } tabUndecodable[] = {
        {"UTF-8 mark, then a cut character", {0xEF, 0xBB, 0xBF, 0x41, 0xC3}, 1252},
        {"UTF-8 mark, then a byte that is no UTF-8", {0xEF, 0xBB, 0xBF, 0x41, 0xFF, 0x42}, 1252},
        {"UTF-8 mark, then nothing but invalid bytes", {0xEF, 0xBB, 0xBF, 0xFF}, 1252},
        {"a byte code page 1252 lacks", {0x41, 0x81}, 1252},
        {"text cut inside a character of its code page", {0x41, 0x82}, 932},
    };
    for (const auto& c : tabUndecodable) {
        SCOPED_TRACE(c.pszName);
        std::vector<unsigned char> tabBytes = c.tabBytes;
        CXYString<wchar_t> clText(L"previous");
        EXPECT_EQ(CDiskFile::bChargeTexteBOMFromBuffer(clText, tabBytes.data(), static_cast<uint32_t>(tabBytes.size()),
                                                       c.nCodePage, nullptr),
                  0);
        EXPECT_EQ(std::wstring(clText.pszGet()), L"");
    }

    // A big-endian buffer is turned little-endian in place.
    unsigned char tabBig[] = {0xFE, 0xFF, 0x00, 0x61};
    CXYString<wchar_t> clText;
    EXPECT_EQ(CDiskFile::bChargeTexteBOMFromBuffer(clText, tabBig, 4, 1252, nullptr), 1);
    const unsigned char tabLittle[] = {0xFF, 0xFE, 0x61, 0x00};
    EXPECT_EQ(memcmp(tabBig, tabLittle, 4), 0);
}

TEST_F(DiskFileOperationTest, TextFromFile) {
    WriteFile(sPath("utf16.txt"), std::string("\xFF\xFE"
                                              "h\0i\0",
                                              6));
    WriteFile(sPath("empty.txt"), "");
    WriteFile(sPath("ansi.txt"), "caf\xE9");
    WriteFile(sPath("cut.txt"),
              "\xEF\xBB\xBF"
              "caf\xC3");
    struct Case {
        const wchar_t* pszName;
        int bResult;
        const wchar_t* pszText;
        CDiskFile::etxType eType;
    };
    const Case tabCases[] = {
        {L"utf16.txt", 1, L"hi", CDiskFile::etxUTF16},      {L"empty.txt", 1, L"", CDiskFile::etxANSI},
        {L"ansi.txt", 1, L"caf\u00e9", CDiskFile::etxANSI}, {L"missing.txt", 0, L"", CDiskFile::etxANSI},
        {L"cut.txt", 0, L"", CDiskFile::etxUTF8},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(std::wstring(c.pszName).size());
        CXYString<wchar_t> clText(L"previous");
        CDiskFile::etxType eType = CDiskFile::etxUTF8;
        std::wstring wsName = m_wsDir + L"\\" + c.pszName;
        EXPECT_EQ(CDiskFile::bChargeTexteBOM(clText, wsName.c_str(), 1252, &eType), c.bResult);
        EXPECT_EQ(std::wstring(clText.pszGet()), c.pszText);
        EXPECT_EQ(eType, c.eType);
    }
}

}  // namespace
