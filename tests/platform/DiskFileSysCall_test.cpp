// The disk file's lowest layer: wide names reach the system as UTF-8 (short names on the stack, long
// ones on the heap), the toolbox's error routine, tests of existence, type and status, and deleting
// a file by name with its report.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <utime.h>

#include <cerrno>
#include <filesystem>
#include <functional>
#include <iterator>
#include <string>

#include "core/MyModuleInfo.h"
#include "core/XError.h"
#include "platform/DiskFile.h"
#include "tests/platform/DiskFileTestSupport.h"

namespace {

// A name with two-, three- and four-byte UTF-8 characters.
const wchar_t* const WIDE_NAME = L"\u00e9t\u20ac\U0001F600";
const char* const UTF8_NAME = "\xc3\xa9t\xe2\x82\xac\xf0\x9f\x98\x80";

class DiskFileSysCallTest : public CTempDirTest {};

TEST_F(DiskFileSysCallTest, WrappersPassWideNamesAsUTF8) {
    const std::wstring wsFile = wsPath(WIDE_NAME);
    const std::string sFile = sPath(UTF8_NAME);
    int nHandle = CDiskFile::Unix_open(wsFile.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(nHandle, 0);
    close(nHandle);
    EXPECT_TRUE(bExists(sFile));

    struct stat st;
    uint32_t nErrno = 12345;
    EXPECT_EQ(CDiskFile::Unix_stat(wsFile.c_str(), &st, &nErrno), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(CDiskFile::Unix_lstat(wsFile.c_str(), &st), 0);
    EXPECT_EQ(CDiskFile::Unix_access(wsFile.c_str(), F_OK, nullptr), 0);
    EXPECT_EQ(CDiskFile::Unix_chmod(wsFile.c_str(), 0640), 0);
    ASSERT_EQ(stat(sFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(CDiskFile::__Unix_chown(wsFile.c_str(), getuid(), getgid()), 0);
    struct utimbuf stTimes = {1000000000, 1000000000};
    EXPECT_EQ(CDiskFile::Unix_utime(wsFile.c_str(), &stTimes), 0);
    ASSERT_EQ(stat(sFile.c_str(), &st), 0);
    EXPECT_EQ(st.st_mtime, 1000000000);
    FILE* pFile = CDiskFile::Unix_fopen(wsFile.c_str(), "r");
    ASSERT_NE(pFile, nullptr);
    fclose(pFile);
    nHandle = CDiskFile::Unix_open(wsFile.c_str(), O_RDONLY);
    ASSERT_GE(nHandle, 0);
    close(nHandle);
    nHandle = CDiskFile::Unix_ropen(wsFile.c_str(), O_RDONLY, 0);
    ASSERT_GE(nHandle, 0);
    close(nHandle);

    const std::wstring wsRenamed = wsFile + L"\u00fc";
    EXPECT_EQ(CDiskFile::__Unix_rename(wsFile.c_str(), wsRenamed.c_str()), 0);
    EXPECT_TRUE(bExists(sFile + "\xc3\xbc"));
    EXPECT_EQ(CDiskFile::Unix_unlink(wsRenamed.c_str()), 0);
    EXPECT_FALSE(bExists(sFile + "\xc3\xbc"));

    const std::wstring wsDirectory = wsPath(std::wstring(WIDE_NAME) + L"d");
    EXPECT_EQ(CDiskFile::__Unix_mkdir(wsDirectory.c_str(), 0700), 0);
    EXPECT_TRUE(bExists(sPath(std::string(UTF8_NAME) + "d")));
    DIR* pDir = CDiskFile::__Unix_opendir(wsDirectory.c_str());
    ASSERT_NE(pDir, nullptr);
    closedir(pDir);
    struct statfs stFs;
    EXPECT_EQ(CDiskFile::__Unix_statfs(wsDirectory.c_str(), &stFs), 0);
    EXPECT_EQ(CDiskFile::__Unix_rmdir(wsDirectory.c_str()), 0);
    EXPECT_FALSE(bExists(sPath(std::string(UTF8_NAME) + "d")));

    const std::wstring wsFifo = wsPath(std::wstring(WIDE_NAME) + L"f");
    EXPECT_EQ(CDiskFile::Unix_mkfifo(wsFifo.c_str(), 0600), 0);
    ASSERT_EQ(lstat(sPath(std::string(UTF8_NAME) + "f").c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// A wide name holding what UTF-8 cannot carry (a lone surrogate, a value past U+10FFFF) is refused
// by every call that takes a path, with EILSEQ: converted with a replacement character it would
// name another file ("x?" for "x" and a surrogate), and the shell would take the '?' as a wildcard.
TEST_F(DiskFileSysCallTest, NamesUTF8CannotCarryAreRefused) {
    WriteFile(sPath("x?"), "keep");
    WriteFile(sPath("xa"), "keep");
    ASSERT_EQ(mkdir(sPath("d?").c_str(), 0700), 0);
    struct stat stBefore;
    ASSERT_EQ(stat(sPath("x?").c_str(), &stBefore), 0);
    const std::wstring wsX = wsPath(L"x") + static_cast<wchar_t>(0xD800);
    const std::wstring wsXHigh = wsPath(L"x") + static_cast<wchar_t>(0x110000);
    const std::wstring wsD = wsPath(L"d") + static_cast<wchar_t>(0xDC00);
    const std::wstring wsY = wsPath(L"y") + static_cast<wchar_t>(0xDFFF);
    const std::wstring wsOther = wsPath(L"xa");
    const std::wstring wsNew = wsPath(L"new");
    const wchar_t* pszX = wsX.c_str();
    const wchar_t* pszD = wsD.c_str();
    const wchar_t* pszY = wsY.c_str();
    struct stat st;
    struct statfs stFs;
    struct utimbuf stTimes = {1, 1};
    wchar_t szName[CDiskFile::s_nMaxPath + 1];
    // Each call answers whether it failed as it must: the system call's failure result, or FALSE.
    struct Case {
        const char* pszCall;
        std::function<bool()> fnRefused;
    };
    const Case tabCases[] = {
        {"Unix_open", [&] { return CDiskFile::Unix_open(pszX, O_WRONLY | O_TRUNC, 0600) == -1; }},
        {"Unix_open, past U+10FFFF", [&] { return CDiskFile::Unix_open(wsXHigh.c_str(), O_WRONLY | O_TRUNC) == -1; }},
        {"Unix_ropen", [&] { return CDiskFile::Unix_ropen(pszY, O_WRONLY | O_CREAT, 0600) == -1; }},
        {"Unix_fopen", [&] { return CDiskFile::Unix_fopen(pszX, "w") == nullptr; }},
        {"Unix_stat", [&] { return CDiskFile::Unix_stat(pszX, &st) == -1; }},
        {"Unix_lstat", [&] { return CDiskFile::Unix_lstat(pszX, &st) == -1; }},
        {"Unix_access", [&] { return CDiskFile::Unix_access(pszX, F_OK) == -1; }},
        {"Unix_chmod", [&] { return CDiskFile::Unix_chmod(pszX, 0) == -1; }},
        {"__Unix_chown", [&] { return CDiskFile::__Unix_chown(pszX, getuid(), getgid()) == -1; }},
        {"Unix_utime", [&] { return CDiskFile::Unix_utime(pszX, &stTimes) == -1; }},
        {"Unix_unlink", [&] { return CDiskFile::Unix_unlink(pszX) == -1; }},
        {"__Unix_rename from", [&] { return CDiskFile::__Unix_rename(pszX, wsNew.c_str()) == -1; }},
        {"__Unix_rename to", [&] { return CDiskFile::__Unix_rename(wsOther.c_str(), pszX) == -1; }},
        {"__Unix_mkdir", [&] { return CDiskFile::__Unix_mkdir(pszY, 0700) == -1; }},
        {"Unix_mkfifo", [&] { return CDiskFile::Unix_mkfifo(pszY, 0600) == -1; }},
        {"__Unix_rmdir", [&] { return CDiskFile::__Unix_rmdir(pszD) == -1; }},
        {"__Unix_opendir", [&] { return CDiskFile::__Unix_opendir(pszD) == nullptr; }},
        {"__Unix_statfs", [&] { return CDiskFile::__Unix_statfs(pszX, &stFs) == -1; }},
        {"Unix_chdir", [&] { return CDiskFile::Unix_chdir(pszD) == -1; }},
        {"Unix_system", [&] { return CDiskFile::Unix_system((L"rm -rf " + wsX + L" " + wsD).c_str()) == -1; }},
        {"bDelete", [&] { return !CDiskFile::bDelete(pszX); }},
        {"bForceDelete", [&] { return !CDiskFile::bForceDelete(pszX); }},
        {"bRename", [&] { return !CDiskFile::bRename(pszY, pszX); }},
        {"bMove", [&] { return !CDiskFile::bMove(pszX, wsOther.c_str()); }},
        {"bCopy onto", [&] { return !CDiskFile::bCopy(pszX, wsOther.c_str()); }},
        {"bCopy from", [&] { return !CDiskFile::bCopy(wsNew.c_str(), pszX); }},
        {"bSetFileAttributes", [&] { return !CDiskFile::bSetFileAttributes(pszX, 0xFFFFFFFF); }},
        {"bCreateDirectory", [&] { return !CDiskFile::bCreateDirectory((wsY + L"/z").c_str()); }},
        {"bDeleteDirectory", [&] { return !CDiskFile::bDeleteDirectory(pszD); }},
        {"bGetTempName", [&] { return !CDiskFile::bGetTempName(szName, pszD, L"t", nullptr); }},
        {"bOpen",
         [&] {
             CDiskFile cl;
             return !cl.bOpen(pszX, IXStream::eAccessWrite, IXStream::eShareNone, IXStream::eCreateAlways,
                              IXStream::eFlagNone, nullptr);
         }},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.pszCall);
        errno = 0;
        EXPECT_TRUE(c.fnRefused());
        EXPECT_EQ(errno, EILSEQ);
    }
    // Nothing was touched, made or removed in their place.
    EXPECT_EQ(sReadFile(sPath("x?")), "keep");
    EXPECT_EQ(sReadFile(sPath("xa")), "keep");
    ASSERT_EQ(stat(sPath("x?").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode, stBefore.st_mode);
    EXPECT_EQ(st.st_mtime, stBefore.st_mtime);
    EXPECT_TRUE(bExists(sPath("d?")));
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(sPath("d?")), std::filesystem::directory_iterator()),
              0);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_sDir), std::filesystem::directory_iterator()), 3);

    // The toolbox reports the refusal.
    CXError clErr(&gstMyModuleInfo39);
    EXPECT_EQ(CDiskFile::bDelete(pszX, &clErr), 0);
    EXPECT_EQ(clErr.dwGetSystemErrorCode(), static_cast<uint32_t>(EILSEQ));
    EXPECT_EQ(nFirstMessage(&clErr), 28123u);
}

TEST_F(DiskFileSysCallTest, ResultsAndErrnoAreTheSystemCallsOwn) {
    struct stat st;
    uint32_t nErrno = 0;
    const std::wstring wsMissing = wsPath(L"missing");
    EXPECT_EQ(CDiskFile::Unix_stat(wsMissing.c_str(), &st, &nErrno), -1);
    EXPECT_EQ(nErrno, static_cast<uint32_t>(ENOENT));
    nErrno = 0;
    EXPECT_EQ(CDiskFile::Unix_access(wsMissing.c_str(), F_OK, &nErrno), -1);
    EXPECT_EQ(nErrno, static_cast<uint32_t>(ENOENT));
    errno = 0;
    EXPECT_EQ(CDiskFile::Unix_unlink(wsMissing.c_str()), -1);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(CDiskFile::__Unix_opendir(wsMissing.c_str()), nullptr);
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(CDiskFile::Unix_fopen(wsMissing.c_str(), "r"), nullptr);
    // A null name is the empty one.
    EXPECT_EQ(CDiskFile::Unix_stat(nullptr, &st, &nErrno), -1);
    EXPECT_EQ(nErrno, static_cast<uint32_t>(ENOENT));
}

TEST_F(DiskFileSysCallTest, LongNamesAreConvertedOnTheHeap) {
    // Over 1,023 bytes of UTF-8: "./" components keep the path valid for the system.
    std::wstring wsLong = m_wsDir;
    for (int i = 0; i < 300; i++) wsLong += L"/.";
    wsLong += L"/";
    wsLong += WIDE_NAME;
    ASSERT_GT(wsLong.size() * 2, 1100u);
    int nHandle = CDiskFile::Unix_open(wsLong.c_str(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(nHandle, 0);
    close(nHandle);
    EXPECT_TRUE(bExists(sPath(UTF8_NAME)));
    EXPECT_EQ(CDiskFile::Unix_access(wsLong.c_str(), F_OK, nullptr), 0);
    EXPECT_EQ(CDiskFile::Unix_unlink(wsLong.c_str()), 0);
}

TEST_F(DiskFileSysCallTest, WorkingAndHomeDirectories) {
    char szSaved[4096];
    ASSERT_NE(getcwd(szSaved, sizeof(szSaved)), nullptr);
    const std::wstring wsDirectory = wsPath(WIDE_NAME);
    ASSERT_EQ(CDiskFile::__Unix_mkdir(wsDirectory.c_str(), 0700), 0);
    ASSERT_EQ(CDiskFile::Unix_chdir(wsDirectory.c_str()), 0);
    wchar_t szCwd[261];
    int bCwd = CDiskFile::Unix_getcwd(szCwd, 261);
    // Too small a buffer is refused (getcwd's ERANGE), not cut.
    wchar_t szSmall[4];
    int bSmall = CDiskFile::Unix_getcwd(szSmall, 4);
    int nSmallErrno = errno;
    ASSERT_EQ(chdir(szSaved), 0);
    EXPECT_EQ(bCwd, 1);
    EXPECT_EQ(std::wstring(szCwd), wsDirectory);
    EXPECT_EQ(bSmall, 0);
    EXPECT_EQ(nSmallErrno, ERANGE);

    const char* pszHome = getenv("HOME");
    std::string sSavedHome = pszHome != nullptr ? pszHome : "";
    setenv("HOME", (std::string("/h/") + UTF8_NAME).c_str(), 1);
    wchar_t szHome[261];
    EXPECT_EQ(CDiskFile::Unix_gethomedir(szHome, 261), 1);
    EXPECT_EQ(std::wstring(szHome), std::wstring(L"/h/") + WIDE_NAME);
    // Without HOME: the user database's entry.
    unsetenv("HOME");
    EXPECT_EQ(CDiskFile::Unix_gethomedir(szHome, 261), 1);
    EXPECT_EQ(szHome[0], L'/');
    if (pszHome != nullptr) setenv("HOME", sSavedHome.c_str(), 1);
}

TEST_F(DiskFileSysCallTest, SystemRunsTheConvertedCommand) {
    std::wstring wsCommand = L"touch '" + wsPath(WIDE_NAME) + L"'";
    EXPECT_EQ(CDiskFile::Unix_system(wsCommand.c_str()), 0);
    EXPECT_TRUE(bExists(sPath(UTF8_NAME)));
    EXPECT_NE(CDiskFile::Unix_system(L"exit 3"), 0);
}

// ---------------------------------------------------------------------------------------------------------------

TEST_F(DiskFileSysCallTest, ErrorRoutine) {
    EXPECT_EQ(CDiskFile::_bOnError(0, nullptr), 0);

    CXError clErr(&gstMyModuleInfo39);
    clErr.SetErrorLevel(3);
    clErr.AddUserMessage(L"old");
    errno = EACCES;
    EXPECT_EQ(CDiskFile::_bOnError(1, &clErr), 0);
    EXPECT_FALSE(clErr.bIsError());
    EXPECT_EQ(errno, EACCES);

    errno = EPERM;
    EXPECT_EQ(CDiskFile::_bOnError(0, &clErr), 1);
    EXPECT_EQ(clErr.eGetErrorLevel(), 3u);
    EXPECT_EQ(clErr.dwGetSystemErrorCode(), static_cast<uint32_t>(EPERM));
    EXPECT_EQ(errno, EPERM);

    CXError clMemory(&gstMyModuleInfo39);
    CDiskFile::_OnMemoryError(&clMemory);
    CDiskFile::_OnMemoryError(nullptr);
    EXPECT_EQ(clMemory.eGetErrorLevel(), 3u);
    EXPECT_NE(std::wstring(clMemory.pszGetDebugMessage()).find(L"##MemoryException##"), std::wstring::npos);
    EXPECT_STRNE(clMemory.pszGetModName(), L"");
}

TEST_F(DiskFileSysCallTest, ExistenceAndType) {
    WriteFile(sPath("f"), "12345");
    ASSERT_EQ(mkdir(sPath("d").c_str(), 0700), 0);
    // Backslashes are taken as separators.
    std::wstring wsFileBack = m_wsDir + L"\\f";
    struct Case {
        const wchar_t* pszName;
        std::wstring wsPath;
        int bExist, bFile, bDirectory;
        int64_t oSize;
    };
    const Case aCases[] = {
        {L"file", wsPath(L"f"), 1, 1, 0, 5},
        {L"file, backslash", wsFileBack, 1, 1, 0, 5},
        {L"directory", wsPath(L"d"), 1, 0, 1, -1},
        {L"missing", wsPath(L"none"), 0, 0, 0, -1},
    };
    for (const Case& c : aCases) {
        EXPECT_EQ(CDiskFile::bExist(c.wsPath.c_str()), c.bExist) << c.pszName;
        EXPECT_EQ(CDiskFile::bIsAFile(c.wsPath.c_str()), c.bFile) << c.pszName;
        EXPECT_EQ(CDiskFile::bIsADirectory(c.wsPath.c_str()), c.bDirectory) << c.pszName;
        CXError clErr(&gstMyModuleInfo39);
        EXPECT_EQ(CDiskFile::s_oGetSize(c.wsPath.c_str(), &clErr), c.oSize) << c.pszName;
        // A missing path or a directory is not a failure worth a report.
        EXPECT_FALSE(clErr.bIsError()) << c.pszName;
    }
    uint32_t nErrno = 0;
    EXPECT_EQ(CDiskFile::bExist(wsPath(L"none").c_str(), nErrno), 0);
    EXPECT_EQ(nErrno, static_cast<uint32_t>(ENOENT));
    EXPECT_EQ(CDiskFile::bIsAFile(nullptr), 0);
    EXPECT_EQ(CDiskFile::bIsADirectory(nullptr), 0);

    struct stat st;
    CXError clErr(&gstMyModuleInfo39);
    clErr.SetErrorLevel(3);
    EXPECT_EQ(CDiskFile::bGetFileStatus(wsPath(L"f").c_str(), &st, &clErr), 1);
    EXPECT_EQ(st.st_size, 5);
    EXPECT_FALSE(clErr.bIsError());  // success clears the error object
    EXPECT_EQ(CDiskFile::bSystemSupportHugeFile(), 1);
    EXPECT_EQ(CDiskFile::sbIsBadNetworkFile(wsPath(L"f").c_str()), 0);
}

TEST_F(DiskFileSysCallTest, DeleteByName) {
    WriteFile(sPath("f"), "x");
    CXError clErr(&gstMyModuleInfo39);
    clErr.SetErrorLevel(3);
    EXPECT_EQ(CDiskFile::bDelete((m_wsDir + L"\\f").c_str(), &clErr), 1);
    EXPECT_FALSE(bExists(sPath("f")));
    EXPECT_FALSE(clErr.bIsError());

    const std::wstring wsMissing = wsPath(L"none");
    EXPECT_EQ(CDiskFile::bDelete(wsMissing.c_str(), &clErr), 0);
    EXPECT_EQ(clErr.eGetErrorLevel(), 3u);
    EXPECT_EQ(clErr.dwGetSystemErrorCode(), static_cast<uint32_t>(ENOENT));
    EXPECT_EQ(nFirstMessage(&clErr), 28123u);
    EXPECT_NE(std::wstring(clErr.pszGetUserMessage()).find(wsMissing), std::wstring::npos);
    EXPECT_EQ(wsSourceFile(&clErr), wsMissing);
    EXPECT_EQ(CDiskFile::bDelete(wsMissing.c_str(), nullptr), 0);

    // The forced form reports nothing, whatever the error object held.
    CXError clUntouched(&gstMyModuleInfo39);
    clUntouched.AddUserMessage(L"kept");
    EXPECT_EQ(CDiskFile::bForceDelete(wsMissing.c_str(), &clUntouched), 0);
    EXPECT_STREQ(clUntouched.pszGetUserMessage(), L"kept");
    WriteFile(sPath("g"), "x");
    EXPECT_EQ(CDiskFile::bForceDelete(wsPath(L"g").c_str(), nullptr), 1);
    EXPECT_FALSE(bExists(sPath("g")));
}

}  // namespace
