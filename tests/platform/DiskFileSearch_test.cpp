// Directory search and tree walks of the disk-file toolbox, on trees built in a temporary directory:
// wildcard matching, the record a search fills, attribute filters, the reports of a search that
// fails, the search object and its hand-over, the walkers (order-free, compared as sorted lists),
// and the tree deletions, which never follow a link out of the tree.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "core/MyModuleInfo.h"
#include "core/XError.h"
#include "platform/DiskFile.h"
#include "platform/FindFile.h"
#include "tests/host/TestSupport.h"
#include "tests/platform/DiskFileTestSupport.h"

namespace {

using Names = std::vector<std::wstring>;

std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

Names Sorted(Names tab) {
    std::sort(tab.begin(), tab.end());
    return tab;
}

// Walker functions: the parameter is the list the visited paths go to.
int nCollect(const wchar_t* pszPath, long nParam) {
    reinterpret_cast<Names*>(nParam)->push_back(pszPath);
    return 1;
}
int nStopAtSecond(const wchar_t* pszPath, long nParam) {
    Names* ptab = reinterpret_cast<Names*>(nParam);
    ptab->push_back(pszPath);
    return ptab->size() < 2;
}

int nOpenDescriptors() {
    return static_cast<int>(
        std::distance(std::filesystem::directory_iterator("/proc/self/fd"), std::filesystem::directory_iterator()));
}

class DiskFileSearchTest : public CTempDirTest {
protected:
    void SetUp() override {
        CTempDirTest::SetUp();
        KXInstallStandInHost();
    }
    void MakeDir(const std::string& sName) { ASSERT_EQ(mkdir(sPath(sName).c_str(), 0700), 0); }
    // Names found by a whole search, in order of discovery.
    static Names Search(const std::wstring& wsPattern, int nRequired, int nExcluded) {
        Names tab;
        CDiskFile::_stXFINDDATA stFind = {};
        for (int b = CDiskFile::bFindFirst(wsPattern.c_str(), &stFind, nRequired, nExcluded, nullptr); b;
             b = CDiskFile::bFindNext(&stFind, nullptr))
            tab.push_back(stFind.szName);
        EXPECT_EQ(stFind.pDir, nullptr);
        return tab;
    }
    // A tree: top/{f1.txt, f2.dat, .hid.txt, sub/{f3.txt, deep/{f4.txt}}, empty/}
    void MakeTree() {
        MakeDir("top");
        MakeDir("top/sub");
        MakeDir("top/sub/deep");
        MakeDir("top/empty");
        for (const char* psz : {"top/f1.txt", "top/f2.dat", "top/.hid.txt", "top/sub/f3.txt", "top/sub/deep/f4.txt"})
            WriteFile(sPath(psz), psz);
    }
};

// ---------------------------------------------------------------------------------------------------------------
// Wildcards

TEST(DiskFileWildcard, WholeNameCaseSensitiveMatch) {
    struct Case {
        const wchar_t* pszName;
        const wchar_t* pszPattern;
        int bMatch;
    };
    const Case tabCases[] = {
        {L"abc", L"a*c", 1},
        {L"abc", L"a?c", 1},
        {L"ac", L"a?c", 0},
        {L"abc", L"*", 1},
        {L"abc", L"*.*", 0},
        {L"", L"*", 1},
        {L"a.b", L"*.*", 1},
        {L"abc", L"ABC", 0},
        {L"abc", L"ab", 0},
        {L"ab", L"abc", 0},
        {L"abc", L"**c", 1},
        {L"abc", L"a**", 1},
        {L"", L"", 1},
        {L"a", L"", 0},
        {L"", L"?", 0},
        {L"x.txt.bak", L"*.txt", 0},
        {L"a.txt", L"*.txt", 1},
        {L"aXbXc", L"a*b*c", 1},
        {L"abab", L"*ab", 1},
        {L"aab", L"*ab", 1},
        {L"mississippi", L"m*iss*ppi", 1},
        {L"mississippi", L"m*iss*x", 0},
        {L"abc", L"*?", 1},
        {L"a", L"?*?", 0},
        {nullptr, L"*", 1},
        {L"abc", nullptr, 0},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        EXPECT_EQ(CDiskFile::_bFiltreFileName(c.pszName, c.pszPattern), c.bMatch);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Search

TEST_F(DiskFileSearchTest, PatternSelectsWholeNamesAndFillsTheRecord) {
    MakeDir("d");
    WriteFile(sPath("d/a.txt"), "12345");
    WriteFile(sPath("d/b.TXT"), "x");
    WriteFile(sPath("d/c.txt.bak"), "x");
    ASSERT_EQ(chmod(sPath("d/a.txt").c_str(), 0640), 0);
    struct utimbuf stTimes = {1276605930, 1276605930};
    ASSERT_EQ(utime(sPath("d/a.txt").c_str(), &stTimes), 0);
    // Local time one hour east of UTC, without daylight saving, for this test only.
    const char* pszOldTZ = getenv("TZ");
    std::string sOldTZ = pszOldTZ != nullptr ? pszOldTZ : "";
    setenv("TZ", "XXX-1", 1);
    tzset();
    struct TZRestore {
        const char* psz;
        std::string s;
        ~TZRestore() {
            if (psz != nullptr)
                setenv("TZ", s.c_str(), 1);
            else
                unsetenv("TZ");
            tzset();
        }
    } stRestore{pszOldTZ, sOldTZ};

    CXError clErr(&gstMyModuleInfo39);
    CDiskFile::_stXFINDDATA stFind = {};
    std::wstring wsPattern = m_wsDir + L"\\d\\*.txt";
    ASSERT_EQ(CDiskFile::bFindFirst(wsPattern.c_str(), &stFind, 0, 0, &clErr), 1);
    EXPECT_STREQ(stFind.szName, L"a.txt");
    EXPECT_EQ(std::wstring(stFind.szDirectory), m_wsDir + L"/d/");
    EXPECT_STREQ(stFind.szPattern, L"*.txt");
    EXPECT_EQ(stFind.dwAttributes, 0x8000u | 0640);
    EXPECT_EQ(stFind.oSize, 5);
    const CDiskFile::_stXFILETIME stExpected = {2010, 6, 15, 13, 45, 30, 0};
    EXPECT_EQ(memcmp(&stFind.stTime, &stExpected, sizeof(stExpected)), 0);
    EXPECT_NE(stFind.pDir, nullptr);
    EXPECT_FALSE(clErr.bIsError());

    // The end closes the search; after it the record answers FALSE at once.
    clErr.SetErrorLevel(CXError::XEL_ERROR);
    EXPECT_EQ(CDiskFile::bFindNext(&stFind, &clErr), 0);
    EXPECT_EQ(stFind.pDir, nullptr);
    EXPECT_FALSE(clErr.bIsError());
    EXPECT_EQ(CDiskFile::bFindNext(&stFind, &clErr), 0);
    EXPECT_EQ(CDiskFile::bFindClose(&stFind, &clErr), 1);
}

TEST_F(DiskFileSearchTest, AttributeFilters) {
    MakeDir("d");
    MakeDir("d/sub");
    MakeDir("d/.hsub");
    WriteFile(sPath("d/file"), "x");
    WriteFile(sPath("d/.hidden"), "x");
    ASSERT_EQ(symlink(sPath("d/sub").c_str(), sPath("d/linkdir").c_str()), 0);
    struct Case {
        int nRequired;
        int nExcluded;
        Names tabNames;
    };
    const Case tabCases[] = {
        {0, 0, {L".hidden", L".hsub", L"file", L"linkdir", L"sub"}},
        // The search follows links: a link to a directory is a directory.
        {0, 0x4000, {L".hidden", L"file"}},
        {0x4000, 0, {L".hsub", L"linkdir", L"sub"}},
        {0, static_cast<int>(0x80000000u), {L"file", L"linkdir", L"sub"}},
        {0x4000, static_cast<int>(0x80000000u), {L"linkdir", L"sub"}},
        {static_cast<int>(0x80008000u), 0, {L".hidden"}},
        {0x4000, 0x4000, {}},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        EXPECT_EQ(Sorted(Search(wsPath(L"d/*"), c.nRequired, c.nExcluded)), c.tabNames);
    }
    // "." and ".." are never returned, whatever the pattern.
    EXPECT_EQ(Sorted(Search(wsPath(L"d/.*"), 0, 0)), (Names{L".hidden", L".hsub"}));
    EXPECT_EQ(Search(wsPath(L"d/?"), 0, 0), Names{});
}

TEST_F(DiskFileSearchTest, PatternWithoutDirectorySearchesTheWorkingDirectory) {
    WriteFile(sPath("here.txt"), "x");
    char szOld[4096];
    ASSERT_NE(getcwd(szOld, sizeof(szOld)), nullptr);
    ASSERT_EQ(chdir(m_sDir.c_str()), 0);
    CDiskFile::_stXFINDDATA stFind = {};
    EXPECT_EQ(CDiskFile::bFindFirst(L"*.txt", &stFind, 0, 0, nullptr), 1);
    EXPECT_STREQ(stFind.szName, L"here.txt");
    EXPECT_EQ(std::wstring(stFind.szDirectory), m_wsDir);
    EXPECT_STREQ(stFind.szPattern, L"*.txt");
    EXPECT_EQ(CDiskFile::bFindClose(&stFind, nullptr), 1);
    ASSERT_EQ(chdir(szOld), 0);
}

TEST_F(DiskFileSearchTest, FailedSearches) {
    CXError clErr(&gstMyModuleInfo39);
    CDiskFile::_stXFINDDATA stFind = {};

    // A missing directory looks like one without a match.
    clErr.SetErrorLevel(CXError::XEL_ERROR);
    EXPECT_EQ(CDiskFile::bFindFirst(wsPath(L"missing/*").c_str(), &stFind, 0, 0, &clErr), 0);
    EXPECT_FALSE(clErr.bIsError());
    EXPECT_EQ(stFind.pDir, nullptr);

    // A directory that exists but can't be opened is reported.
    WriteFile(sPath("file"), "x");
    EXPECT_EQ(CDiskFile::bFindFirst(wsPath(L"file/*").c_str(), &stFind, 0, 0, &clErr), 0);
    EXPECT_EQ(clErr.eGetErrorLevel(), CXError::XEL_ERROR);
    EXPECT_EQ(clErr.dwGetSystemErrorCode(), static_cast<uint32_t>(ENOTDIR));
    EXPECT_EQ(nFirstMessage(&clErr), 28135u);

    // A directory past the record's 260 characters is not searched cut.
    std::wstring wsLong = m_wsDir + L"/" + std::wstring(300, L'x') + L"/*";
    EXPECT_EQ(CDiskFile::bFindFirst(wsLong.c_str(), &stFind, 0, 0, &clErr), 0);
    EXPECT_EQ(clErr.dwGetSystemErrorCode(), static_cast<uint32_t>(ENAMETOOLONG));
    EXPECT_EQ(nFirstMessage(&clErr), 28135u);
    std::wstring wsLongPattern = m_wsDir + L"/" + std::wstring(300, L'*');
    EXPECT_EQ(CDiskFile::bFindFirst(wsLongPattern.c_str(), &stFind, 0, 0, &clErr), 0);
    EXPECT_EQ(stFind.pDir, nullptr);
}

TEST_F(DiskFileSearchTest, AStreamLostWhileReadingAndAFailedClose) {
    MakeDir("d");
    WriteFile(sPath("d/f"), "x");
    CXError clErr(&gstMyModuleInfo39);

    // The stream's descriptor disappears before the first read: the listing is reported invalid.
    CDiskFile::_stXFINDDATA stFind = {};
    stFind.pDir = opendir(sPath("d").c_str());
    ASSERT_NE(stFind.pDir, nullptr);
    wcscpy(stFind.szDirectory, (m_wsDir + L"/d/").c_str());
    wcscpy(stFind.szPattern, L"*");
    ASSERT_EQ(close(dirfd(stFind.pDir)), 0);
    EXPECT_EQ(CDiskFile::bFindNext(&stFind, &clErr), 0);
    EXPECT_EQ(stFind.pDir, nullptr);
    EXPECT_EQ(clErr.dwGetSystemErrorCode(), static_cast<uint32_t>(EBADF));
    EXPECT_EQ(nFirstMessage(&clErr), 28136u);

    stFind.pDir = opendir(sPath("d").c_str());
    ASSERT_NE(stFind.pDir, nullptr);
    ASSERT_EQ(close(dirfd(stFind.pDir)), 0);
    EXPECT_EQ(CDiskFile::bFindClose(&stFind, &clErr), 0);
    EXPECT_EQ(stFind.pDir, nullptr);
    EXPECT_EQ(nFirstMessage(&clErr), 28137u);
    EXPECT_EQ(CDiskFile::bFindClose(&stFind, &clErr), 1);
}

// ---------------------------------------------------------------------------------------------------------------
// The search object

TEST_F(DiskFileSearchTest, FindFileObjectAndHandOver) {
    MakeDir("d");
    Names tabAll;
    for (int i = 0; i < 6; i++) {
        std::string sName = "f" + std::to_string(i);
        WriteFile(sPath("d/" + sName), sName);
        tabAll.push_back(wsOf(sName));
    }
    int nDescriptors = nOpenDescriptors();
    Names tabFound;
    {
        CFindFile clSource;
        EXPECT_FALSE(clSource.bIsOpen());
        ASSERT_EQ(clSource.bFindFirst(wsPath(L"d/*").c_str(), 0, 0), 1);
        tabFound.push_back(clSource.pszGetName());
        ASSERT_EQ(clSource.bFindNext(), 1);
        tabFound.push_back(clSource.pszGetName());
        EXPECT_EQ(clSource.oGetSize(), 2);
        EXPECT_EQ(clSource.dwGetAttributes() & 0xF000, 0x8000u);

        CFindFile clTarget;
        ASSERT_EQ(clTarget.bFindFirst(wsPath(L"d/f0").c_str(), 0, 0), 1);
        clSource.TransfertTo(clTarget);
        EXPECT_FALSE(clSource.bIsOpen());
        EXPECT_EQ(clSource.bFindNext(), 0);
        EXPECT_STREQ(clSource.pszGetName(), L"");
        // The target goes on where the source was.
        EXPECT_STREQ(clTarget.pszGetName(), tabFound.back().c_str());
        EXPECT_EQ(std::wstring(clTarget.pszGetDirectory()), m_wsDir + L"/d/");
        while (clTarget.bFindNext()) tabFound.push_back(clTarget.pszGetName());
        EXPECT_FALSE(clTarget.bIsOpen());

        // A new search on an object that is searching closes the old one first; the destructor
        // closes the last.
        ASSERT_EQ(clTarget.bFindFirst(wsPath(L"d/*").c_str(), 0, 0), 1);
        ASSERT_EQ(clTarget.bFindFirst(wsPath(L"d/*").c_str(), 0, 0), 1);
        EXPECT_EQ(nOpenDescriptors(), nDescriptors + 1);
    }
    EXPECT_EQ(nOpenDescriptors(), nDescriptors);
    EXPECT_EQ(Sorted(tabFound), tabAll);
}

// ---------------------------------------------------------------------------------------------------------------
// Tree walks

TEST_F(DiskFileSearchTest, FileTreeWalker) {
    MakeTree();
    const std::wstring wsTop = wsPath(L"top/");
    struct Case {
        const wchar_t* pszMask;
        int bIncludeDirectories;
        int bRecursive;
        Names tabPaths;  // below top/
    };
    const Case tabCases[] = {
        {L"*", 0, 0, {L".hid.txt", L"f1.txt", L"f2.dat"}},
        {L"*.txt", 0, 1, {L".hid.txt", L"f1.txt", L"sub/deep/f4.txt", L"sub/f3.txt"}},
        {L"*", 1, 0, {L".hid.txt", L"empty", L"f1.txt", L"f2.dat", L"sub"}},
        {L"*",
         1,
         1,
         {L".hid.txt", L"empty", L"f1.txt", L"f2.dat", L"sub", L"sub/deep", L"sub/deep/f4.txt", L"sub/f3.txt"}},
        {L"*.none", 0, 1, {}},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        Names tabVisited;
        EXPECT_EQ(CDiskFile::bDoOnFileTree(wsTop.c_str(), c.pszMask, nCollect, reinterpret_cast<long>(&tabVisited),
                                           c.bIncludeDirectories, c.bRecursive),
                  1);
        Names tabExpected;
        for (const std::wstring& ws : c.tabPaths) tabExpected.push_back(wsTop + ws);
        EXPECT_EQ(Sorted(tabVisited), Sorted(tabExpected));
    }
    // A function that says stop at the second file: exactly two visits, FALSE.
    Names tabVisited;
    EXPECT_EQ(CDiskFile::bDoOnFileTree(wsTop.c_str(), L"*", nStopAtSecond, reinterpret_cast<long>(&tabVisited), 0, 1),
              0);
    EXPECT_EQ(tabVisited.size(), 2u);
    // A directory that can't be listed counts as empty.
    tabVisited.clear();
    EXPECT_EQ(CDiskFile::bDoOnFileTree(wsPath(L"missing/").c_str(), L"*", nCollect, reinterpret_cast<long>(&tabVisited),
                                       0, 1),
              1);
    EXPECT_TRUE(tabVisited.empty());
}

TEST_F(DiskFileSearchTest, FileTreeWalkerNeverHandsOutACutPath) {
    // A directory whose files' paths pass 260 characters: the walk stops instead of calling the
    // function with a cut (and possibly other) file's name.
    std::string sDeep = "deep";
    MakeDir(sDeep);
    while (m_sDir.size() + 1 + sDeep.size() < 240) {
        sDeep += "/" + std::string(20, 'd');
        MakeDir(sDeep);
    }
    std::string sLongName(30, 'n');
    WriteFile(sPath(sDeep + "/" + sLongName), "x");
    ASSERT_GT(m_sDir.size() + 1 + sDeep.size() + 1 + sLongName.size(), 260u);
    Names tabVisited;
    EXPECT_EQ(
        CDiskFile::bDoOnFileTree(wsPath(L"deep/").c_str(), L"*", nCollect, reinterpret_cast<long>(&tabVisited), 0, 1),
        0);
    for (const std::wstring& ws : tabVisited) EXPECT_LE(ws.size(), 260u);
    EXPECT_TRUE(tabVisited.empty());
}

TEST_F(DiskFileSearchTest, DirectoryTreeWalker) {
    MakeTree();
    const std::wstring wsTop = wsPath(L"top/");
    Names tabVisited;
    EXPECT_EQ(CDiskFile::bDoOnDirectoryTree(wsTop.c_str(), L"*", nCollect, reinterpret_cast<long>(&tabVisited), 1, 1),
              1);
    EXPECT_EQ(Sorted(tabVisited), Sorted({wsTop + L"empty", wsTop + L"sub", wsTop + L"sub/deep"}));
    tabVisited.clear();
    EXPECT_EQ(CDiskFile::bDoOnDirectoryTree(wsTop.c_str(), L"s*", nCollect, reinterpret_cast<long>(&tabVisited), 1, 0),
              1);
    EXPECT_EQ(tabVisited, Names{wsTop + L"sub"});
    // Without bIncludeDirectories nothing is selected, though the walk goes down the tree.
    tabVisited.clear();
    EXPECT_EQ(CDiskFile::bDoOnDirectoryTree(wsTop.c_str(), L"*", nCollect, reinterpret_cast<long>(&tabVisited), 0, 1),
              1);
    EXPECT_TRUE(tabVisited.empty());
    tabVisited.clear();
    EXPECT_EQ(
        CDiskFile::bDoOnDirectoryTree(wsTop.c_str(), L"*", nStopAtSecond, reinterpret_cast<long>(&tabVisited), 1, 1),
        0);
    EXPECT_EQ(tabVisited.size(), 2u);
}

TEST_F(DiskFileSearchTest, WalkersDoNotFollowLinksOutOfTheTree) {
    MakeTree();
    MakeDir("outside");
    WriteFile(sPath("outside/keep.txt"), "x");
    ASSERT_EQ(symlink(sPath("outside").c_str(), sPath("top/sub/link").c_str()), 0);
    Names tabVisited;
    EXPECT_EQ(
        CDiskFile::bDoOnFileTree(wsPath(L"top/").c_str(), L"*", nCollect, reinterpret_cast<long>(&tabVisited), 0, 1),
        1);
    EXPECT_EQ(std::count(tabVisited.begin(), tabVisited.end(), wsPath(L"top/sub/link")), 1);
    for (const std::wstring& ws : tabVisited) EXPECT_EQ(ws.find(L"keep"), std::wstring::npos);
    tabVisited.clear();
    EXPECT_EQ(CDiskFile::bDoOnDirectoryTree(wsPath(L"top/").c_str(), L"*", nCollect,
                                            reinterpret_cast<long>(&tabVisited), 1, 1),
              1);
    EXPECT_EQ(Sorted(tabVisited), Sorted({wsPath(L"top/empty"), wsPath(L"top/sub"), wsPath(L"top/sub/deep")}));
}

// ---------------------------------------------------------------------------------------------------------------
// Tree deletion

TEST_F(DiskFileSearchTest, DeleteAndPurgeTrees) {
    CXError clErr(&gstMyModuleInfo39);
    MakeTree();
    EXPECT_EQ(CDiskFile::bPurgeTree(wsPath(L"top").c_str(), &clErr), 1);
    EXPECT_FALSE(clErr.bIsError());
    EXPECT_TRUE(bExists(sPath("top")));
    EXPECT_TRUE(std::filesystem::is_empty(sPath("top")));

    MakeDir("top/sub");
    WriteFile(sPath("top/sub/f"), "x");
    std::wstring wsBack = m_wsDir + L"\\top\\";
    EXPECT_EQ(CDiskFile::bDeleteTree(wsBack.c_str(), &clErr), 1);
    EXPECT_FALSE(bExists(sPath("top")));

    MakeTree();
    EXPECT_EQ(CDiskFile::bForceDeleteTree(wsPath(L"top").c_str(), nullptr), 1);
    EXPECT_FALSE(bExists(sPath("top")));
    MakeTree();
    EXPECT_EQ(CDiskFile::bForcePurgeTree(wsPath(L"top/").c_str(), nullptr), 1);
    EXPECT_TRUE(std::filesystem::is_empty(sPath("top")));

    // A missing directory: nothing to purge, but nothing to delete either.
    EXPECT_EQ(CDiskFile::bPurgeTree(wsPath(L"missing").c_str(), &clErr), 1);
    EXPECT_FALSE(clErr.bIsError());
    EXPECT_EQ(CDiskFile::bDeleteTree(wsPath(L"missing").c_str(), &clErr), 0);
    EXPECT_EQ(nFirstMessage(&clErr), 28127u);
    EXPECT_EQ(CDiskFile::bPurgeTree(L"", &clErr), 0);
    EXPECT_EQ(CDiskFile::bPurgeTree(nullptr, nullptr), 0);
}

TEST_F(DiskFileSearchTest, DeletionRemovesEveryKindOfEntryAndNoLinkTarget) {
    MakeTree();
    MakeDir("outside");
    WriteFile(sPath("outside/keep.txt"), "x");
    ASSERT_EQ(symlink(sPath("outside").c_str(), sPath("top/sub/dirlink").c_str()), 0);
    ASSERT_EQ(symlink(sPath("outside/keep.txt").c_str(), sPath("top/filelink").c_str()), 0);
    ASSERT_EQ(symlink(sPath("nowhere").c_str(), sPath("top/dangling").c_str()), 0);
    ASSERT_EQ(mkfifo(sPath("top/fifo").c_str(), 0600), 0);
    // A socket carries the directory bit among its type bits.
    int nSocket = socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(nSocket, 0);
    struct sockaddr_un stAddress = {};
    stAddress.sun_family = AF_UNIX;
    std::string sSocket = sPath("top/sock");
    ASSERT_LT(sSocket.size(), sizeof(stAddress.sun_path));
    strcpy(stAddress.sun_path, sSocket.c_str());
    ASSERT_EQ(bind(nSocket, reinterpret_cast<sockaddr*>(&stAddress), sizeof(stAddress)), 0);
    close(nSocket);
    ASSERT_EQ(chmod(sPath("top/f1.txt").c_str(), 0444), 0);

    CXError clErr(&gstMyModuleInfo39);
    EXPECT_EQ(CDiskFile::bDeleteTree(wsPath(L"top").c_str(), &clErr), 1);
    EXPECT_FALSE(clErr.bIsError());
    EXPECT_FALSE(bExists(sPath("top")));
    EXPECT_EQ(sReadFile(sPath("outside/keep.txt")), "x");
}

TEST_F(DiskFileSearchTest, PurgeOfADirectoryThatCannotBeListedFails) {
    // Not an empty directory: nothing was purged, and the caller hears of it.
    WriteFile(sPath("file"), "x");
    CXError clErr(&gstMyModuleInfo39);
    EXPECT_EQ(CDiskFile::bPurgeTree(wsPath(L"file").c_str(), &clErr), 0);
    EXPECT_EQ(nFirstMessage(&clErr), 28135u);
    EXPECT_EQ(clErr.dwGetSystemErrorCode(), static_cast<uint32_t>(ENOTDIR));
    EXPECT_EQ(CDiskFile::bPurgeTree(wsPath(L"file").c_str(), nullptr), 0);
    EXPECT_TRUE(bExists(sPath("file")));
}

TEST_F(DiskFileSearchTest, ForcedDeletionsOnFileTrees) {
    MakeTree();
    EXPECT_EQ(CDiskFile::bForceDeleteOnFileTree(wsPath(L"top/").c_str(), L"*.txt", 1, nullptr), 1);
    EXPECT_FALSE(bExists(sPath("top/f1.txt")));
    EXPECT_FALSE(bExists(sPath("top/sub/deep/f4.txt")));
    EXPECT_TRUE(bExists(sPath("top/f2.dat")));
    EXPECT_TRUE(bExists(sPath("top/sub/deep")));

    std::filesystem::remove_all(sPath("top"));
    MakeTree();
    ASSERT_EQ(chmod(sPath("top/sub/f3.txt").c_str(), 0444), 0);
    EXPECT_EQ(CDiskFile::bDeleteTreeEvenReadOnly(wsPath(L"top").c_str(), nullptr), 1);
    EXPECT_FALSE(bExists(sPath("top")));
}

}  // namespace
