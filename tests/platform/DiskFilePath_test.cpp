// Path names of the disk-file toolbox: separators and end slashes in every string form, file name
// and extension parts, splitting and making paths, full paths against a known working directory,
// simplification, comparisons, and the conversions between relative and full paths, with the
// buffer limits that keep a name from being cut or written past its buffer.
#include <gtest/gtest.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/XError.h"
#include "core/XYString.h"
#include "platform/DiskFile.h"
#include "tests/host/TestSupport.h"
#include "tests/platform/DiskFileTestSupport.h"

namespace {

constexpr uint32_t PATH_BUFFER = CDiskFile::s_nMaxPath + 1;

std::wstring wsOf(const wchar_t* psz) {
    return psz != nullptr ? std::wstring(psz) : std::wstring(L"<null>");
}

class DiskFilePathTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

// Runs in a temporary working directory and goes back to the previous one afterwards.
class DiskFilePathCwdTest : public CTempDirTest {
protected:
    void SetUp() override {
        CTempDirTest::SetUp();
        KXInstallStandInHost();
        char szOld[4096];
        ASSERT_NE(getcwd(szOld, sizeof(szOld)), nullptr);
        m_sOldCwd = szOld;
        ASSERT_EQ(chdir(m_sDir.c_str()), 0);
    }
    void TearDown() override {
        EXPECT_EQ(chdir(m_sOldCwd.c_str()), 0);
        CTempDirTest::TearDown();
    }
    std::string m_sOldCwd;
};

// ---------------------------------------------------------------------------------------------------------------
// Separators and end slashes

TEST_F(DiskFilePathTest, SeparatorConversionInEveryForm) {
    wchar_t szWide[] = L"a\\b/c\\";
    EXPECT_EQ(CDiskFile::pszBackSlash2Slash(szWide), szWide);
    EXPECT_STREQ(szWide, L"a/b/c/");
    EXPECT_STREQ(CDiskFile::pszSlash2BackSlash(szWide), L"a\\b\\c\\");

    char szNarrow[] = "x\\y";
    EXPECT_STREQ(CDiskFile::pszBackSlash2Slash(szNarrow), "x/y");
    EXPECT_STREQ(CDiskFile::pszSlash2BackSlash(szNarrow), "x\\y");

    EXPECT_EQ(CDiskFile::pszBackSlash2Slash(static_cast<wchar_t*>(nullptr)), nullptr);
    EXPECT_EQ(CDiskFile::pszSlash2BackSlash(static_cast<char*>(nullptr)), nullptr);

    CTString clT(L"d\\e\\f");
    EXPECT_STREQ(CDiskFile::pszBackSlash2Slash(clT).pszGet(), L"d/e/f");
    EXPECT_STREQ(CDiskFile::pszSlash2BackSlash(clT).pszGet(), L"d\\e\\f");

    // The shared string is made private first: a copy sharing its buffer keeps the old text.
    CXYString<wchar_t> clY(L"g\\h");
    CXYString<wchar_t> clShared(clY);
    ASSERT_TRUE(clY.bEstPartage());
    EXPECT_STREQ(CDiskFile::pszBackSlash2Slash(clY).pszGet(), L"g/h");
    EXPECT_STREQ(clShared.pszGet(), L"g\\h");
    EXPECT_STREQ(CDiskFile::pszSlash2BackSlash(clY).pszGet(), L"g\\h");
    CXYString<wchar_t> clEmpty;
    EXPECT_TRUE(CDiskFile::pszBackSlash2Slash(clEmpty).bEstVide());
}

TEST_F(DiskFilePathTest, EndSlashes) {
    struct Case {
        const wchar_t* pszIn;
        const wchar_t* pszWith;           // DirectoryWithEndSlash, every form
        const wchar_t* pszWithoutBuffer;  // DirectoryWithoutEndSlash on a wchar_t buffer: all of them go
        const wchar_t* pszWithoutObject;  // on CTString and CXYString: one goes
    };
    const Case tabCases[] = {
        {L"", L"", L"", L""},
        {L"a", L"a/", L"a", L"a"},
        {L"a/", L"a/", L"a", L"a"},
        {L"a\\b\\", L"a/b/", L"a/b", L"a/b"},
        {L"a///", L"a///", L"a", L"a//"},
        {L"/", L"/", L"", L""},
        {L"a\\\\", L"a//", L"a", L"a/"},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        wchar_t szBuffer[32];
        wcscpy(szBuffer, c.pszIn);
        CDiskFile::DirectoryWithEndSlash(szBuffer);
        EXPECT_EQ(wsOf(szBuffer), c.pszWith);
        wcscpy(szBuffer, c.pszIn);
        CDiskFile::DirectoryWithoutEndSlash(szBuffer);
        EXPECT_EQ(wsOf(szBuffer), c.pszWithoutBuffer);

        CTString clT(c.pszIn);
        CDiskFile::DirectoryWithEndSlash(clT);
        EXPECT_EQ(wsOf(clT.pszGet()), c.pszWith);
        clT = c.pszIn;
        CDiskFile::DirectoryWithoutEndSlash(clT);
        EXPECT_EQ(wsOf(clT.pszGet()), c.pszWithoutObject);

        CXYString<wchar_t> clY(c.pszIn);
        CDiskFile::DirectoryWithEndSlash(clY);
        EXPECT_EQ(wsOf(clY.pszGet()), c.pszWith);
        clY = CXYString<wchar_t>(c.pszIn);
        CDiskFile::DirectoryWithoutEndSlash(clY);
        EXPECT_EQ(wsOf(clY.pszGet()), c.pszWithoutObject);
        EXPECT_EQ(clY.nGetLongueur(), static_cast<int>(wcslen(c.pszWithoutObject)));
    }
    char szNarrow[8] = "a\\b";
    CDiskFile::DirectoryWithEndSlash(szNarrow);
    EXPECT_STREQ(szNarrow, "a/b/");
}

// ---------------------------------------------------------------------------------------------------------------
// File name and extension

TEST_F(DiskFilePathTest, FileNameAndExtensionPointers) {
    struct Case {
        const wchar_t* pszPath;
        long nFileName;   // offset of pszGetPtrToFileName
        long nExtension;  // offset of pszGetPtrToExtension
    };
    const Case tabCases[] = {
        {L"dir.d/file", 6, 10}, {L"a.tar.gz", 0, 5}, {L"name.", 0, 4},    {L"/x/y.txt", 3, 4},
        {L"a\\b.c", 2, 3},      {L"C:file.x", 2, 6}, {L"dir/", 4, 4},     {L"dir.d\\", 6, 6},
        {L"noext", 0, 5},       {L".profile", 0, 0}, {L"C:\\w\\f", 5, 6},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "path index " << (&c - tabCases));
        EXPECT_EQ(CDiskFile::pszGetPtrToFileName(c.pszPath) - c.pszPath, c.nFileName);
        EXPECT_EQ(CDiskFile::pszGetPtrToExtension(c.pszPath) - c.pszPath, c.nExtension);
    }
    const wchar_t* pszEmpty = L"";
    EXPECT_EQ(CDiskFile::pszGetPtrToExtension(pszEmpty), pszEmpty);
    EXPECT_EQ(CDiskFile::pszGetPtrToExtension(nullptr), nullptr);
    EXPECT_EQ(CDiskFile::pszGetPtrToFileName(nullptr), nullptr);
}

TEST_F(DiskFilePathTest, DelExtension) {
    struct Case {
        const wchar_t* pszIn;
        const wchar_t* pszBuffer;  // wchar_t form (backslashes converted)
        const wchar_t* pszShared;  // CXYString form (backslashes kept)
    };
    const Case tabCases[] = {
        {L"a.tar.gz", L"a.tar", L"a.tar"},
        {L"name.", L"name", L"name"},
        {L"dir.d/file", L"dir.d/file", L"dir.d/file"},
        {L"dir.d/", L"dir.d/", L"dir.d/"},
        {L".profile", L"", L""},
        {L"x\\y.z", L"x/y", L"x\\y"},
        {L"d.e\\f", L"d.e/f", L"d.e\\f"},
        {L"", L"", L""},
    };
    for (const Case& c : tabCases) {
        wchar_t szBuffer[32];
        wcscpy(szBuffer, c.pszIn);
        CDiskFile::DelExtension(szBuffer);
        EXPECT_EQ(wsOf(szBuffer), c.pszBuffer);
        CXYString<wchar_t> clY(c.pszIn);
        CDiskFile::DelExtension(clY);
        EXPECT_EQ(wsOf(clY.pszGet()), c.pszShared);
    }
}

TEST_F(DiskFilePathTest, ChangeExtension) {
    struct Case {
        const wchar_t* pszIn;
        uint32_t nSize;
        const wchar_t* pszExtension;
        const wchar_t* pszOut;
    };
    const Case tabCases[] = {
        {L"a.txt", 260, L"doc", L"a.doc"},
        {L"a.txt", 260, L".doc", L"a.doc"},
        {L"a", 260, L"doc", L"a.doc"},
        {L"a", 260, L".doc", L"a.doc"},
        {L"dir.d/a", 260, L"x", L"dir.d/a.x"},
        {L"dir.d\\a", 260, L"x", L"dir.d/a.x"},
        {L"a.txt", 260, L"", L"a."},
        {L"a", 260, L"", L"a."},
        {L"a.txt", 260, nullptr, L"a."},
        {L"dir/", 260, L"x", L"dir/.x"},
        // A result that does not fit in the buffer is refused: the name stays as it was (backslashes
        // too), never cut to another name.
        {L"a.txt", 6, L"longer", L"a.txt"},
        {L"ab", 6, L"xyz", L"ab"},
        {L"d\\ab", 8, L"xyz", L"d\\ab"},
        {L"abcd", 5, L"x", L"abcd"},
        {L"abcd", 6, L"x", L"abcd"},
        {L"a.txt", 6, L".long", L"a.txt"},
        // Exactly the room it needs.
        {L"a.txt", 6, L"doc", L"a.doc"},
        {L"ab", 6, L"xy", L"ab.xy"},
        {L"abcd", 7, L"x", L"abcd.x"},
        {L"abcd", 6, L"", L"abcd."},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        wchar_t szBuffer[32];
        wcscpy(szBuffer, c.pszIn);
        CDiskFile::ChangeExtension(szBuffer, c.nSize, c.pszExtension);
        EXPECT_EQ(wsOf(szBuffer), c.pszOut);
    }
    // The shared-string form has no size limit.
    CXYString<wchar_t> clY(L"a.b.c");
    CDiskFile::ChangeExtension(clY, L"much_longer_extension");
    EXPECT_STREQ(clY.pszGet(), L"a.b.much_longer_extension");
    clY = CXYString<wchar_t>(L"noext");
    CDiskFile::ChangeExtension(clY, L".e");
    EXPECT_STREQ(clY.pszGet(), L"noext.e");
    clY = CXYString<wchar_t>(L"d.x/f");
    CDiskFile::ChangeExtension(clY, L"y");
    EXPECT_STREQ(clY.pszGet(), L"d.x/f.y");
}

// ---------------------------------------------------------------------------------------------------------------
// Tests on names

TEST_F(DiskFilePathTest, NamePredicates) {
    struct Case {
        const wchar_t* pszName;
        int bRelativePath, bRelativeFileName, bRelativeWin32, bUNC, bVirtual, bValid;
    };
    const Case tabCases[] = {
        {L"", 0, 1, 1, 0, 0, 1},
        {L".", 1, 1, 1, 0, 1, 1},
        {L"..", 1, 1, 1, 0, 1, 1},
        {L"./x", 1, 1, 1, 0, 0, 0},
        {L"/abs", 0, 0, 1, 0, 0, 0},
        {L"rel", 0, 1, 1, 0, 0, 1},
        {L"\\root", 0, 1, 0, 0, 0, 0},
        {L"C:\\x", 0, 1, 0, 0, 0, 0},
        {L"c:", 0, 1, 0, 0, 0, 0},
        {L"LPT1:", 0, 1, 0, 0, 0, 0},
        {L"\\\\server\\share", 0, 1, 0, 1, 0, 0},
        {L"\\\\server", 0, 1, 0, 0, 0, 0},
        {L"a*b", 0, 1, 1, 0, 0, 0},
        {L"a?b", 0, 1, 1, 0, 0, 0},
        {L"a\"b", 0, 1, 1, 0, 0, 0},
        {L"a<b", 0, 1, 1, 0, 0, 0},
        {L"a>b", 0, 1, 1, 0, 0, 0},
        {L"a|b", 0, 1, 1, 0, 0, 0},
        {L"a.b c", 0, 1, 1, 0, 0, 1},
        {L"...", 1, 1, 1, 0, 0, 1},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        EXPECT_EQ(CDiskFile::bIsRelativePath(c.pszName), c.bRelativePath);
        EXPECT_EQ(CDiskFile::bIsRelativeFileName(c.pszName), c.bRelativeFileName);
        EXPECT_EQ(CDiskFile::bIsRelativeFileName_WIN32(c.pszName), c.bRelativeWin32);
        EXPECT_EQ(CDiskFile::bUNCName(c.pszName), c.bUNC);
        EXPECT_EQ(CDiskFile::bIsAVirtualDirectory(c.pszName), c.bVirtual);
        EXPECT_EQ(CDiskFile::bValidName(c.pszName), c.bValid);
    }
    EXPECT_EQ(CDiskFile::bUNCNameA("\\\\srv\\share"), 1);
    EXPECT_EQ(CDiskFile::bUNCNameA("\\srv\\share"), 0);
}

// ---------------------------------------------------------------------------------------------------------------
// Making and splitting

TEST_F(DiskFilePathTest, MakePath) {
    struct Case {
        const wchar_t* pszDirectory;
        const wchar_t* pszName;
        const wchar_t* pszExtension;
        const wchar_t* pszOut;
    };
    const Case tabCases[] = {
        {L"d", L"f", L"txt", L"d/f.txt"},
        {L"d", L"f", L".txt", L"d/f.txt"},
        {L"d", L"", L"txt", L"d/"},
        {L"d/", L"f", L"", L"d/f"},
        {L"", L"f", L"e", L"f.e"},
        {nullptr, L"f", nullptr, L"f"},
        {L"a\\b", L"c\\d", L"e", L"a/b/c/d.e"},
        {L"/", L"f", L"e", L"/f.e"},
        {L"d", nullptr, L"e", L"d/"},
        {nullptr, nullptr, nullptr, L""},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        wchar_t szOut[PATH_BUFFER] = L"garbage";
        CDiskFile::MakePath(szOut, c.pszDirectory, c.pszName, c.pszExtension);
        EXPECT_EQ(wsOf(szOut), c.pszOut);
    }
    // A path longer than the library's buffer is not handed out cut.
    std::wstring wsLong(300, L'n');
    wchar_t szOut[PATH_BUFFER];
    CDiskFile::MakePath(szOut, L"/d", wsLong.c_str(), L"e");
    EXPECT_STREQ(szOut, L"");
}

TEST_F(DiskFilePathTest, SplitPath) {
    struct Case {
        const wchar_t* pszPath;
        const wchar_t* pszDirectory;
        const wchar_t* pszName;
        const wchar_t* pszExtension;
    };
    const Case tabCases[] = {
        {L"/usr/lib/libpq.so.5", L"/usr/lib/", L"libpq.so", L".5"},
        {L"x", L"", L"x", L""},
        {L"/x", L"/", L"x", L""},
        {L"C:\\dir\\f.txt", L"C:/dir/", L"f", L".txt"},
        // The forms a client library or a program path comes in: a backslash before the file name
        // only, relative to the working directory, or above it.
        {L"/usr/lib\\libpq.so.5", L"/usr/lib/", L"libpq.so", L".5"},
        {L"./libpq.so", L"./", L"libpq", L".so"},
        {L"..\\lib\\libpq.so", L"../lib/", L"libpq", L".so"},
        {L"/opt/app/bin/prog", L"/opt/app/bin/", L"prog", L""},
        {L"dir.d/", L"dir.d/", L"", L""},
        {L"dir.d/f", L"dir.d/", L"f", L""},
        {L".profile", L"", L"", L".profile"},
        {L"", L"", L"", L""},
        {nullptr, L"", L"", L""},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        wchar_t szDirectory[PATH_BUFFER] = L"?", szName[PATH_BUFFER] = L"?", szExtension[PATH_BUFFER] = L"?";
        CDiskFile::__SplitPath<wchar_t>(c.pszPath, szDirectory, szName, szExtension);
        EXPECT_EQ(wsOf(szDirectory), c.pszDirectory);
        EXPECT_EQ(wsOf(szName), c.pszName);
        EXPECT_EQ(wsOf(szExtension), c.pszExtension);

        wchar_t szFileName[PATH_BUFFER] = L"?";
        wcscpy(szDirectory, L"?");
        CDiskFile::SplitPath(c.pszPath, szDirectory, szFileName);
        EXPECT_EQ(wsOf(szDirectory), c.pszDirectory);
        EXPECT_EQ(std::wstring(szFileName), std::wstring(c.pszName) + c.pszExtension);
        // Outputs may be left out.
        wcscpy(szName, L"?");
        CDiskFile::__SplitPath<wchar_t>(c.pszPath, nullptr, szName, nullptr);
        EXPECT_EQ(wsOf(szName), c.pszName);
    }
}

TEST_F(DiskFilePathTest, SplitPathNeverWritesPastThePathBuffer) {
    // A directory part of 300 characters does not fit a 261-character output: every output stays
    // empty instead of overflowing or holding a cut directory. Without a directory output, the
    // name alone is still given.
    std::wstring wsPath = L"/" + std::wstring(299, L'd') + L"/file.txt";
    struct Guarded {
        wchar_t szBuffer[PATH_BUFFER];
        wchar_t szGuard[8];
    } stDirectory, stName, stExtension;
    wcscpy(stDirectory.szGuard, L"guard");
    CDiskFile::__SplitPath<wchar_t>(wsPath.c_str(), stDirectory.szBuffer, stName.szBuffer, stExtension.szBuffer);
    EXPECT_STREQ(stDirectory.szBuffer, L"");
    EXPECT_STREQ(stName.szBuffer, L"");
    EXPECT_STREQ(stExtension.szBuffer, L"");
    EXPECT_STREQ(stDirectory.szGuard, L"guard");

    CDiskFile::__SplitPath<wchar_t>(wsPath.c_str(), nullptr, stName.szBuffer, stExtension.szBuffer);
    EXPECT_STREQ(stName.szBuffer, L"file");
    EXPECT_STREQ(stExtension.szBuffer, L".txt");

    std::wstring wsLongName = L"/d/" + std::wstring(300, L'f');
    wchar_t szFileName[PATH_BUFFER] = L"?";
    wchar_t szDirectory[PATH_BUFFER] = L"?";
    CDiskFile::SplitPath(wsLongName.c_str(), szDirectory, szFileName);
    EXPECT_STREQ(szDirectory, L"");
    EXPECT_STREQ(szFileName, L"");
}

TEST_F(DiskFilePathTest, PrefixeCurrentDirectory) {
    wchar_t szPath[16] = L"a/b";
    CDiskFile::PrefixeCurrentDirectory(szPath);
    EXPECT_STREQ(szPath, L"./a/b");
    wchar_t szEmpty[4] = L"";
    CDiskFile::PrefixeCurrentDirectory(szEmpty);
    EXPECT_STREQ(szEmpty, L"./");
}

// ---------------------------------------------------------------------------------------------------------------
// Full paths

TEST_F(DiskFilePathCwdTest, FullPathOfNames) {
    const std::wstring wsCwd = m_wsDir;
    const std::wstring wsParent = wsCwd.substr(0, wsCwd.rfind(L'/'));
    struct Case {
        const wchar_t* pszName;
        std::wstring wsFull;
    };
    const Case tabCases[] = {
        {L"a\\b", wsCwd + L"/a/b"},
        {L"a/b", wsCwd + L"/a/b"},
        {L"/x/y/../z", L"/x/z"},
        {L"/x/./y", L"/x/y"},
        {L"/x/y/..", L"/x/y/.."},
        {L"/x/y/.", L"/x/y/."},
        {L"/a/b/../../c", L"/c"},
        {L"/a/./b/./c", L"/a/b/c"},
        {L"\\x\\y\\..\\z", L"/x/z"},
        {L"sub/../f", wsCwd + L"/f"},
        {L"./f", wsCwd + L"/f"},
        // A "." is no component to climb out of: ".." after it leaves the directory before it.
        {L"./../f", wsParent + L"/f"},
        {L"/a/./../b", L"/b"},
        {L"/a/b/./../../c", L"/c"},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        wchar_t szResult[PATH_BUFFER];
        EXPECT_EQ(CDiskFile::GetFullPathName(c.pszName, PATH_BUFFER - 1, szResult), c.wsFull.size());
        EXPECT_EQ(std::wstring(szResult), c.wsFull);
    }
    wchar_t szResult[PATH_BUFFER];
    EXPECT_EQ(CDiskFile::GetFullPathName(L"", PATH_BUFFER, szResult), 0u);
    EXPECT_EQ(CDiskFile::GetFullPathName(nullptr, PATH_BUFFER, szResult), 0u);
}

TEST_F(DiskFilePathCwdTest, FullPathSizeLimits) {
    const uint32_t nCwd = static_cast<uint32_t>(m_wsDir.size());
    wchar_t szResult[PATH_BUFFER];

    // The working directory itself does not fit: twice the buffer size is asked for.
    EXPECT_EQ(CDiskFile::GetFullPathName(L"f", 4, szResult), 8u);

    // The directory fits but not the name: the size needed, the buffer holds the directory only.
    uint32_t nSize = nCwd + 3;
    EXPECT_EQ(CDiskFile::GetFullPathName(L"abc", nSize, szResult), nCwd + 3 + 2);
    EXPECT_EQ(std::wstring(szResult), m_wsDir);
    EXPECT_EQ(CDiskFile::GetFullPathName(L"ab", nCwd + 3, szResult), nCwd + 4);
    EXPECT_EQ(CDiskFile::GetFullPathName(L"ab", nCwd + 4, szResult), nCwd + 3);
    EXPECT_EQ(std::wstring(szResult), m_wsDir + L"/ab");

    // A full name that does not fit is not copied: the size needed comes back and the buffer is
    // untouched.
    struct {
        wchar_t szBuffer[8];
        wchar_t szGuard[8];
    } stOut;
    wcscpy(stOut.szBuffer, L"keep");
    wcscpy(stOut.szGuard, L"guard");
    EXPECT_EQ(CDiskFile::GetFullPathName(L"/a/much/longer/name", 8, stOut.szBuffer), 20u);
    EXPECT_STREQ(stOut.szBuffer, L"keep");
    EXPECT_STREQ(stOut.szGuard, L"guard");
    EXPECT_EQ(CDiskFile::GetFullPathName(L"/1234567", 8, stOut.szBuffer), 9u);
    EXPECT_EQ(CDiskFile::GetFullPathName(L"/123456", 8, stOut.szBuffer), 7u);
    EXPECT_STREQ(stOut.szBuffer, L"/123456");
}

TEST_F(DiskFilePathTest, FullPathOfTheHomeDirectory) {
    struct passwd* pstUser = getpwuid(getuid());
    ASSERT_NE(pstUser, nullptr);
    std::string sHome = pstUser->pw_dir;
    std::wstring wsHome(sHome.begin(), sHome.end());
    // The user database decides, not the environment.
    const char* pszOldHome = getenv("HOME");
    std::string sOldHome = pszOldHome != nullptr ? pszOldHome : "";
    setenv("HOME", "/somewhere/else", 1);
    wchar_t szResult[PATH_BUFFER];
    EXPECT_EQ(CDiskFile::GetFullPathName(L"~/docs\\x", PATH_BUFFER, szResult), wsHome.size() + 7);
    EXPECT_EQ(std::wstring(szResult), wsHome + L"/docs/x");
    // len(home) + len(name) + 3 must fit.
    uint32_t nNeeded = static_cast<uint32_t>(wsHome.size() + 2 + 3);
    EXPECT_EQ(CDiskFile::GetFullPathName(L"~/", nNeeded - 1, szResult), nNeeded);
    if (pszOldHome != nullptr)
        setenv("HOME", sOldHome.c_str(), 1);
    else
        unsetenv("HOME");
}

TEST_F(DiskFilePathCwdTest, FullPathOfAnotherUsersHome) {
    // "~name" is the home of the user of that name in the user database; a name that is no user's
    // stays as written, a name in the working directory. Never the caller's home followed by "name".
    struct passwd* pstRoot = getpwnam("root");
    ASSERT_NE(pstRoot, nullptr);
    const std::string sRootHome = pstRoot->pw_dir;
    const std::wstring wsRootHome(sRootHome.begin(), sRootHome.end());
    struct Case {
        const wchar_t* pszName;
        std::wstring wsExpected;
    };
    const Case tabCases[] = {
        {L"~root/x", wsRootHome + L"/x"},
        {L"~root\\a\\b", wsRootHome + L"/a/b"},
        {L"~root", wsRootHome},
        {L"~root/../y", wsRootHome.substr(0, wsRootHome.rfind(L'/')) + L"/y"},
        {L"~no_such_user_kx/x", m_wsDir + L"/~no_such_user_kx/x"},
        {L"~no_such_user_kx", m_wsDir + L"/~no_such_user_kx"},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        wchar_t szResult[PATH_BUFFER];
        uint32_t nLength = CDiskFile::GetFullPathName(c.pszName, PATH_BUFFER, szResult);
        EXPECT_EQ(std::wstring(szResult), c.wsExpected);
        EXPECT_EQ(nLength, c.wsExpected.size());
    }
}

TEST_F(DiskFilePathCwdTest, GetFullPathReportsOnlyAFailure) {
    CXError clErr(&gstMyModuleInfo39);
    wchar_t szResult[PATH_BUFFER];
    uint32_t nLength = 0;

    EXPECT_EQ(CDiskFile::bGetFullPath(szResult, PATH_BUFFER, L"f", &nLength, &clErr), 1);
    EXPECT_EQ(nLength, m_wsDir.size() + 2 + 1);
    EXPECT_FALSE(clErr.bIsError());

    // Too small a buffer: FALSE, the size needed, and no report.
    clErr.SetErrorLevel(CXError::XEL_ERROR);
    EXPECT_EQ(CDiskFile::bGetFullPath(szResult, 4, L"f", &nLength, &clErr), 0);
    EXPECT_EQ(nLength, 8u);
    EXPECT_FALSE(clErr.bIsError());

    EXPECT_EQ(CDiskFile::bGetFullPath(szResult, PATH_BUFFER, L"x", &nLength, nullptr), 1);
    EXPECT_EQ(CDiskFile::bGetFullPath(szResult, PATH_BUFFER, L"", &nLength, nullptr), 0);
    EXPECT_EQ(nLength, 0u);

    EXPECT_EQ(CDiskFile::bStandardizeExistingFileName(szResult, PATH_BUFFER, L"g\\h"),
              static_cast<int>(m_wsDir.size() + 4));
    EXPECT_EQ(std::wstring(szResult), m_wsDir + L"/g/h");
    EXPECT_EQ(CDiskFile::bGetUNCName(szResult, PATH_BUFFER, L"/u/../v", nullptr), 2);
    EXPECT_STREQ(szResult, L"/v");
}

TEST_F(DiskFilePathCwdTest, NoFullPathWhenTheWorkingDirectoryIsGone) {
    ASSERT_EQ(mkdir(sPath("gone").c_str(), 0700), 0);
    ASSERT_EQ(chdir(sPath("gone").c_str()), 0);
    ASSERT_EQ(rmdir(sPath("gone").c_str()), 0);
    CXError clErr(&gstMyModuleInfo39);
    wchar_t szResult[PATH_BUFFER];
    uint32_t nLength = 99;
    EXPECT_EQ(CDiskFile::bGetFullPath(szResult, PATH_BUFFER, L"rel\\name", &nLength, &clErr), 0);
    EXPECT_EQ(nLength, 0u);
    EXPECT_EQ(clErr.eGetErrorLevel(), CXError::XEL_ERROR);
    EXPECT_EQ(clErr.dwGetSystemErrorCode(), static_cast<uint32_t>(ENOENT));
    EXPECT_EQ(nFirstMessage(&clErr), 28131u);
    EXPECT_EQ(wsSourceFile(&clErr), L"rel/name");
    // Full names need no working directory.
    EXPECT_EQ(CDiskFile::bGetFullPath(szResult, PATH_BUFFER, L"/abs", &nLength, &clErr), 1);
    EXPECT_FALSE(clErr.bIsError());
}

TEST_F(DiskFilePathTest, LongPathNameAndStandardize) {
    // The name as it stands when it fits; refused, the buffer untouched, when it would be cut.
    struct Case {
        uint32_t nSize;
        const wchar_t* pszName;
        int bResult;
        const wchar_t* pszOut;
    };
    const Case tabCases[] = {
        {5, L"abcd", 1, L"abcd"},     {8, L"a\\b", 1, L"a\\b"}, {5, L"abcdefgh", 0, L"previous"},
        {4, L"abcd", 0, L"previous"}, {1, L"", 1, L""},         {8, nullptr, 1, L""},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        wchar_t szResult[16];
        wcscpy(szResult, L"previous");
        EXPECT_EQ(CDiskFile::bGetLongPathName(szResult, c.nSize, c.pszName), c.bResult);
        EXPECT_STREQ(szResult, c.pszOut);
    }

    wchar_t szName[32];
    CDiskFile::StandardizeFileName(szName, L"a\\b c \t ");
    EXPECT_STREQ(szName, L"a/b c");
    wcscpy(szName, L"x\\y  ");
    CDiskFile::StandardizeFileName(szName, nullptr);
    EXPECT_STREQ(szName, L"x/y");
}

TEST_F(DiskFilePathTest, SimplifyPath) {
    struct Case {
        const wchar_t* pszIn;
        const wchar_t* pszOut;
    };
    const Case tabCases[] = {
        {L"../../x", L"../../x"},     {L"/a/b/../../c", L"/c"}, {L"x/a/b/../c", L"x/a/c"},
        {L"a/../b", L"a/../b"},       {L"/a/./b", L"/a/b"},     {L"/a/././b", L"/a/b"},
        {L"x/../../y", L"x/../../y"}, {L"/a/b/..", L"/a/b/.."}, {L"/a/b/../c/../d", L"/a/d"},
        {L"p/q/../../r", L"p/../r"},  {L"/p/q/../../r", L"/r"}, {L"", L""},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        wchar_t szPath[64];
        wcscpy(szPath, c.pszIn);
        CDiskFile::SimplifyPath(szPath);
        EXPECT_EQ(wsOf(szPath), c.pszOut);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Comparisons

TEST_F(DiskFilePathCwdTest, NameComparisons) {
    struct Case {
        const wchar_t* pszA;
        const wchar_t* pszB;
        int bSameFile, bSameDirectory;
    };
    const Case tabCases[] = {
        {L"a/b ", L"a/b", 1, 1},  {L"a\\b", L"a/b", 1, 1}, {L"A", L"a", 0, 0},   {L"a/b/", L"a/b", 0, 1},
        {L"a/b//", L"a/b", 0, 0}, {L"/", L"", 0, 1},       {L"", nullptr, 1, 1}, {L"a/./b", L"a/b", 0, 0},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        EXPECT_EQ(CDiskFile::bSameFileName(c.pszA, c.pszB), c.bSameFile);
        EXPECT_EQ(CDiskFile::bSameDirectoryName(c.pszA, c.pszB), c.bSameDirectory);
        EXPECT_EQ(CDiskFile::bSameDirectoryNameEx(c.pszA, 0, c.pszB, 0), c.bSameDirectory);
    }
    // Names longer than the library's path limit are still compared whole.
    std::wstring wsLong(400, L'z');
    EXPECT_EQ(CDiskFile::bSameFileName(wsLong.c_str(), (wsLong + L"  ").c_str()), 1);
    EXPECT_EQ(CDiskFile::bSameFileName(wsLong.c_str(), (wsLong + L"y").c_str()), 0);

    // Full paths on either side: a relative name meets its full form.
    std::wstring wsFull = m_wsDir + L"/sub/";
    EXPECT_EQ(CDiskFile::bSameDirectoryNameEx(L"sub", 1, wsFull.c_str(), 0), 1);
    EXPECT_EQ(CDiskFile::bSameDirectoryNameEx(L"sub", 0, wsFull.c_str(), 0), 0);
    EXPECT_EQ(CDiskFile::bSameDirectoryNameEx(L"x/../sub\\", 1, L"sub", 1), 1);
    // A name without a full path inside the limit equals nothing.
    std::wstring wsLongFull = L"/" + wsLong;
    EXPECT_EQ(CDiskFile::bSameDirectoryNameEx(wsLongFull.c_str(), 1, wsLongFull.c_str(), 1), 0);
}

// ---------------------------------------------------------------------------------------------------------------
// Relative and full paths

TEST_F(DiskFilePathTest, PathRelativeToABase) {
    struct Case {
        const wchar_t* pszPath;
        const wchar_t* pszBase;
        int bStrict;
        int bResult;
        const wchar_t* pszOut;
    };
    const Case tabCases[] = {
        {L"/a/b/c", L"/a/x", 0, 1, L"../b/c"}, {L"/a/b/c", L"/a", 0, 1, L"./b/c"},
        {L"/a/b/c", L"/a/", 0, 1, L"./b/c"},   {L"\\a\\b\\c", L"\\a\\x\\y", 0, 1, L"../../b/c"},
        {L"/a/b", L"", 0, 1, L"/a/b"},         {L"/a/b", L"/a/b", 0, 1, L"../b"},
        {L"/a/b/", L"/a/b", 0, 1, L"./"},      {L"/q/r", L"/a/b", 0, 1, L"../../q/r"},
        {L"q/r", L"a", 0, 1, L"../q/r"},       {L"q/r", L"a", 1, 0, nullptr},
        {L"/a/b ", L"/a ", 0, 1, L"./b"},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        wchar_t szResult[PATH_BUFFER] = L"untouched";
        EXPECT_EQ(CDiskFile::bPathRelativePathTo(szResult, c.pszPath, c.pszBase, c.bStrict), c.bResult);
        if (c.pszOut != nullptr) {
            EXPECT_EQ(wsOf(szResult), c.pszOut);
        }
    }
    // Results over the 260-character limit are refused.
    std::wstring wsDeep = L"/a/" + std::wstring(256, L'p');
    wchar_t szResult[PATH_BUFFER];
    EXPECT_EQ(CDiskFile::bPathRelativePathTo(szResult, wsDeep.c_str(), L"/a", 0), 1);
    EXPECT_EQ(szResult, L"./" + std::wstring(256, L'p'));
    EXPECT_EQ(CDiskFile::bPathRelativePathTo(szResult, (wsDeep + L"pp").c_str(), L"/a", 0), 1);
    EXPECT_EQ(CDiskFile::bPathRelativePathTo(szResult, (wsDeep + L"ppp").c_str(), L"/a", 0), 0);
    EXPECT_EQ(CDiskFile::bPathRelativePathTo(szResult, wsDeep.c_str(), L"/a/x", 0), 1);
    EXPECT_EQ(szResult, L"../" + std::wstring(256, L'p'));
    EXPECT_EQ(CDiskFile::bPathRelativePathTo(szResult, wsDeep.c_str(), L"/a/x/y", 0), 0);
}

TEST_F(DiskFilePathTest, RelativeToFullPath) {
    struct Case {
        const wchar_t* pszRelative;
        const wchar_t* pszBase;
        int nMode;
        const wchar_t* pszOut;
    };
    const Case tabCases[] = {
        {L"../c", L"/a/b/", 2, L"/a/c"}, {L"./c", L"/a/b/", 2, L"/a/b/c"}, {L".\\c", L"\\a\\b", 2, L"/a/b/c"},
        {L".", L"/a/b/", 2, L"/a/b/"},   {L"../../c", L"/a/b", 2, L"/c"},  {L"c", L"/a/b", 2, L"/a/b/c"},
        {L"c", L"/a/b", 0, L"c"},        {L"../c", L"/a/b", 0, L"/a/c"},   {L"/x", L"/a/b", 1, L"/x"},
        {L"x", L"/a/b", 1, L"/a/b/x"},   {L"/x", L"/a/b", 0, L"/x"},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(testing::Message() << "case " << (&c - tabCases));
        wchar_t szResult[PATH_BUFFER] = L"untouched";
        EXPECT_EQ(CDiskFile::bRelativeToFullPath(szResult, c.pszRelative, c.pszBase, c.nMode), 1);
        EXPECT_EQ(wsOf(szResult), c.pszOut);
    }
    // Every form writes into a 261-character result: longer results are refused, also for "./"
    // names, which a larger limit would let overflow the buffer.
    struct {
        wchar_t szBuffer[PATH_BUFFER];
        wchar_t szGuard[8];
    } stOut;
    wcscpy(stOut.szGuard, L"guard");
    std::wstring wsBase = L"/" + std::wstring(250, L'b');
    EXPECT_EQ(CDiskFile::bRelativeToFullPath(stOut.szBuffer, L"./123456789", wsBase.c_str(), 2), 0);
    EXPECT_EQ(CDiskFile::bRelativeToFullPath(stOut.szBuffer, L"./12345678", wsBase.c_str(), 2), 1);
    EXPECT_EQ(std::wstring(stOut.szBuffer), wsBase + L"/12345678");
    EXPECT_EQ(CDiskFile::bRelativeToFullPath(stOut.szBuffer, L"123456789", wsBase.c_str(), 2), 0);
    EXPECT_EQ(CDiskFile::bRelativeToFullPath(stOut.szBuffer, L".", (wsBase + std::wstring(20, L'c')).c_str(), 2), 0);
    EXPECT_STREQ(stOut.szGuard, L"guard");
}

}  // namespace
