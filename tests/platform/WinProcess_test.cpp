// Processes, threads and the process environment of the Windows emulation: the program path and
// makepath, child processes (command-line splitting seen by a real child, waiting, exit codes,
// termination), threads and their exit codes, environment variables in UTF-8 and in the current
// character set, the current directory, standard handles, atoms, debug output and the console
// message box with scripted input.
#include "platform/WinProcess.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pthread.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/host/StandInHost.h"
#include "tests/host/TempDir.h"
#include "tests/host/TestSupport.h"

// While set, the link /proc/self/exe cannot be read, as where it is refused: the program's path then
// comes from the process's map. This program's readlink comes before the C library's for the
// platform layer linked into it.
static bool g_bSansLienProgramme = false;

extern "C" ssize_t readlink(const char* pszChemin, char* pszTampon, size_t nTaille) {
    if (g_bSansLienProgramme && strcmp(pszChemin, "/proc/self/exe") == 0) {
        errno = EACCES;
        return -1;
    }
    using PFN = ssize_t (*)(const char*, char*, size_t);
    return reinterpret_cast<PFN>(dlsym(RTLD_NEXT, "readlink"))(pszChemin, pszTampon, nTaille);
}

namespace {

std::wstring sWide(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

std::string sReadFile(const std::string& sPath) {
    std::ifstream f(sPath, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

// ---- The running program ----

TEST(WinProcess, ProgramPath) {
    char szLink[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", szLink, sizeof(szLink) - 1);
    ASSERT_GT(n, 0);
    szLink[n] = '\0';

    char szA[1044];
    EXPECT_EQ(GetModuleFileNameA(nullptr, szA, sizeof(szA)), 1u);
    EXPECT_STREQ(szA, szLink);
    wchar_t szW[1044];
    EXPECT_EQ(GetModuleFileNameW(nullptr, szW, 1044), 1u);
    EXPECT_EQ(std::wstring(szW), sWide(szLink));  // the build path is ASCII

    // A path that does not fit with its terminator is no answer: cut, its directory would be
    // another one. The buffer is left empty and errno tells why.
    const unsigned nLink = static_cast<unsigned>(n);
    struct Case {
        unsigned nSize;
        unsigned nResult;
    };
    const Case tabCases[] = {{nLink + 1, 1}, {nLink, 0}, {nLink - 1, 0}, {5, 0}, {1, 0}};
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.nSize);
        std::vector<wchar_t> tabW(c.nSize + 1, L'#');
        errno = 0;
        EXPECT_EQ(GetModuleFileNameW(nullptr, tabW.data(), c.nSize), c.nResult);
        EXPECT_EQ(std::wstring(tabW.data()), c.nResult ? sWide(szLink) : L"");
        if (c.nResult == 0) {
            EXPECT_EQ(errno, ERROR_INSUFFICIENT_BUFFER);
        }
        std::vector<char> tabA(c.nSize + 1, '#');
        errno = 0;
        EXPECT_EQ(GetModuleFileNameA(nullptr, tabA.data(), c.nSize), c.nResult);
        EXPECT_EQ(std::string(tabA.data()), c.nResult ? std::string(szLink) : "");
        if (c.nResult == 0) {
            EXPECT_EQ(errno, ERROR_INSUFFICIENT_BUFFER);
        }
    }
    EXPECT_EQ(GetModuleFileNameW(nullptr, szW, 0), 0u);
}

// Without the link the path is read from the process's map, whole: a copy of this program in a
// directory whose path is longer than a short line buffer finds its own path, not a cut one that
// names another file.
TEST(WinProcess, ProgramPathFromTheMapOfTheProcessIsWhole) {
    if (const char* pszAttendu = getenv("KX_TEST_PROGRAM_COPY")) {
        g_bSansLienProgramme = true;
        char sz[2048];
        const unsigned n = GetModuleFileNameA(nullptr, sz, sizeof(sz));
        g_bSansLienProgramme = false;
        EXPECT_EQ(n, 1u);
        EXPECT_STREQ(sz, pszAttendu);
        return;
    }
    CTempDir clDir("kxexe");
    ASSERT_TRUE(clDir.bMade());
    std::string sDir = clDir.sPath();
    for (int i = 0; i < 4; i++) sDir += "/" + std::string(100, static_cast<char>('a' + i));
    std::filesystem::create_directories(sDir);
    const std::string sCopy = sDir + "/programme";
    ASSERT_GT(sCopy.size(), 400u);
    std::filesystem::copy_file("/proc/self/exe", sCopy);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        setenv("KX_TEST_PROGRAM_COPY", sCopy.c_str(), 1);
        execl(sCopy.c_str(), sCopy.c_str(), "--gtest_filter=WinProcess.ProgramPathFromTheMapOfTheProcessIsWhole",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    int nStatus = 0;
    ASSERT_EQ(waitpid(pid, &nStatus, 0), pid);
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), 0);
}

TEST(WinProcess, MakePath) {
    struct Case {
        const wchar_t* pszDirectory;
        const wchar_t* pszName;
        const wchar_t* pszExtension;
        const wchar_t* pszExpected;
    };
    const Case tabCases[] = {
        {L"/usr/lib", L"libpq", L"so", L"/usr/lib/libpq.so"},
        {L"/usr/lib/", L"libpq", L".so", L"/usr/lib/libpq.so"},
        {L"dir", L"name", nullptr, L"dir/name"},
        {L"dir", L"name", L"", L"dir/name"},
        {L"", L"name", L"ext", L"name.ext"},
        {nullptr, L"name", L"ext", L"name.ext"},
        {L"dir", nullptr, L"ext", L"dir"},  // no name: nothing after the directory
        {L"dir", L"", L"ext", L"dir"},
        {nullptr, nullptr, nullptr, L""},
        {L"/", L"a", L"b", L"/a.b"},
    };
    for (const Case& c : tabCases) {
        wchar_t sz[64];
        wmemset(sz, L'#', 64);
        const size_t n = makepath(sz, 64, c.pszDirectory, c.pszName, c.pszExtension);
        EXPECT_EQ(std::wstring(sz), c.pszExpected);
        EXPECT_EQ(n, wcslen(c.pszExpected));
    }
    // A result longer than the buffer is cut and terminated; the answer tells the full length.
    wchar_t szSmall[6];
    EXPECT_EQ(makepath(szSmall, 6, L"/usr/lib", L"libpq", L"so"), 17u);
    EXPECT_EQ(std::wstring(szSmall), L"/usr/");
}

// ---- Child processes ----

class WinChildProcessTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(m_clDir.sPath().empty());
        // A program with a blank in its name that lists its arguments beside itself.
        m_sProgram = m_clDir.sPath() + "/my prog";
        std::ofstream f(m_sProgram);
        f << "#!/bin/sh\nout=\"$(dirname \"$0\")/args.out\"\n: > \"$out\"\n"
             "for a in \"$@\"; do printf '[%s]' \"$a\" >> \"$out\"; done\n";
        f.close();
        ASSERT_EQ(chmod(m_sProgram.c_str(), 0755), 0);
    }

    // Starts without waiting and reaps the child; its listed arguments.
    std::string sRun(const wchar_t* pszApplication, const std::wstring& sCommandLine) {
        unlink((m_clDir.sPath() + "/args.out").c_str());
        int nPid = 0;
        if (CreateProcess(pszApplication, sCommandLine.c_str(), &nPid, 0, nullptr, nullptr) != 1)
            return "<not started>";
        int nStatus = 0;
        if (waitpid(nPid, &nStatus, 0) != nPid) return "<no child>";
        if (!WIFEXITED(nStatus) || WEXITSTATUS(nStatus) != 0) return "<exit " + std::to_string(nStatus) + ">";
        return sReadFile(m_clDir.sPath() + "/args.out");
    }

    CTempDir m_clDir;
    std::string m_sProgram;
};

TEST_F(WinChildProcessTest, ProgramFromTheCommandLine) {
    // The quoted program name is the program and the first argument; surrounding blanks go.
    EXPECT_EQ(sRun(nullptr, L"  \"" + sWide(m_sProgram) + L"\" -x  "), "[-x]");
    EXPECT_EQ(sRun(nullptr, L"\"" + sWide(m_sProgram) + L"\""), "");
}

TEST_F(WinChildProcessTest, CommandLineSplitting) {
    struct Case {
        const wchar_t* pszCommandLine;
        const char* pszExpected;
    };
    const Case tabCases[] = {
        {L"a b\tc", "[a][b][c]"},
        {L"\"a b\" c", "[a b][c]"},
        {L"x\"y z\"w", "[xy zw]"},                             // quotes inside an argument
        {L"\"a\\\"b\" c", "[a\\\"b][c]"},                      // an escaped quote neither opens nor closes
        {L"\"trail  \" x", "[trail][x]"},                      // right-trimmed
        {L"\"\" x \"\"", "[x]"},                               // empty arguments dropped
        {L"\"a\"b\"c\"", "[ab\"c\"]"},                         // one pair of quotes taken out
        {L"\"unclosed arg", "[unclosed arg]"},                 // runs to the end
        {L"caf\u00e9 \u20ac", "[caf\xC3\xA9][\xE2\x82\xAC]"},  // passed as UTF-8
        {L"", ""},
    };
    const std::wstring sApplication = sWide(m_sProgram);
    for (const Case& c : tabCases)
        EXPECT_EQ(sRun(sApplication.c_str(), c.pszCommandLine), c.pszExpected) << c.pszExpected;
}

TEST_F(WinChildProcessTest, ApplicationMustBeExecutable) {
    ASSERT_EQ(chmod(m_sProgram.c_str(), 0644), 0);
    int nPid = -5;
    EXPECT_EQ(CreateProcess(sWide(m_sProgram).c_str(), L"x", &nPid, 0, nullptr, nullptr), 0);
    EXPECT_EQ(nPid, -5);
    EXPECT_EQ(CreateProcess(L"/no/such/program", L"x", &nPid, 0, nullptr, nullptr), 0);
    // Nothing named at all.
    EXPECT_EQ(CreateProcess(nullptr, L"   ", &nPid, 0, nullptr, nullptr), 0);
    EXPECT_EQ(CreateProcess(nullptr, nullptr, &nPid, 0, nullptr, nullptr), 0);
}

// A program or an argument UTF-8 cannot carry is refused before anything starts: with a
// replacement character it would run another program or reach another file.
TEST_F(WinChildProcessTest, NamesUTF8CannotCarryStartNothing) {
    const std::wstring wsProgram = sWide(m_sProgram);
    const std::wstring wsTarget = sWide(m_clDir.sPath()) + L"/x" + static_cast<wchar_t>(0xD800);
    struct Case {
        const char* pszName;
        std::wstring wsApplication;  // empty: none
        std::wstring wsCommandLine;
    };
    const Case tabCases[] = {
        {"an argument", wsProgram, L"a " + wsTarget},
        {"the program on the command line", L"", L"\"" + wsProgram + static_cast<wchar_t>(0xDFFF) + L"\" a"},
        {"the application", wsProgram + static_cast<wchar_t>(0x110000), L"a"},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.pszName);
        unlink((m_clDir.sPath() + "/args.out").c_str());
        int nPid = -5;
        errno = 0;
        EXPECT_EQ(CreateProcess(c.wsApplication.empty() ? nullptr : c.wsApplication.c_str(), c.wsCommandLine.c_str(),
                                &nPid, 1, nullptr, nullptr),
                  0);
        EXPECT_EQ(errno, EILSEQ);
        EXPECT_EQ(nPid, -5);
        struct stat st;
        EXPECT_NE(stat((m_clDir.sPath() + "/args.out").c_str(), &st), 0);
    }
}

// The waits run with SIGALRM at its default action, which would end the process if the one-second
// sleeps relied on a handler the caller had not installed.
TEST(WinChildWait, ExitCodesSeenByAWaitingCaller) {
    signal(SIGALRM, SIG_DFL);

    struct Case {
        const wchar_t* pszApplication;
        const wchar_t* pszCommandLine;
        int nExpected;
        unsigned nExitCode;
    };
    const Case tabCases[] = {
        {L"/bin/sh", L"-c \"exit 3\"", 1, 3},
        {L"/bin/sh", L"-c \"exit 0\"", 1, 0},
        {L"/bin/sh", L"-c \"exit 255\"", 0, 255},  // taken for a program that could not start
        {nullptr, L"/no/such/program arg", 0, 255},
    };
    for (const Case& c : tabCases) {
        int nPid = 0, bRunning = -1;
        unsigned nExitCode = 1234;
        EXPECT_EQ(CreateProcess(c.pszApplication, c.pszCommandLine, &nPid, 1, &bRunning, &nExitCode), c.nExpected)
            << c.pszCommandLine;
        EXPECT_GT(nPid, 0);
        EXPECT_EQ(bRunning, 0) << c.pszCommandLine;
        EXPECT_EQ(nExitCode, c.nExitCode) << c.pszCommandLine;
    }
    // Without places for the results.
    EXPECT_EQ(CreateProcess(L"/bin/sh", L"-c \"exit 255\"", nullptr, 1, nullptr, nullptr), 0);
}

TEST(WinChildWait, LongChildStillRunsThenIsTerminated) {
    InitAlarmHandler(nullptr);
    int nPid = 0, bRunning = 0;
    unsigned nExitCode = 99;
    ASSERT_EQ(CreateProcess(L"/bin/sh", L"-c \"exec sleep 30\"", &nPid, 1, &bRunning, &nExitCode), 1);
    EXPECT_EQ(bRunning, 1);
    EXPECT_EQ(nExitCode, 0u);  // cleared, nothing ended
    ASSERT_GT(nPid, 0);
    EXPECT_EQ(WaitPid(nPid, 0, &nExitCode), 0);  // one poll
    EXPECT_EQ(TerminateProcess(nPid, 0), 1);
    int nStatus = 0;
    ASSERT_EQ(waitpid(nPid, &nStatus, 0), nPid);
    EXPECT_TRUE(WIFSIGNALED(nStatus));
    EXPECT_EQ(WTERMSIG(nStatus), SIGTERM);
    EXPECT_EQ(WaitPid(nPid, 0, &nExitCode), -1);  // no such child any more
    EXPECT_EQ(TerminateProcess(nPid, 0), 0);      // no such process
}

TEST(WinChildWait, TerminateRefusesProcessGroups) {
    // Checked in a child of its own group, so that a signal sent to a group could only reach it.
    const pid_t nChild = fork();
    ASSERT_GE(nChild, 0);
    if (nChild == 0) {
        setpgid(0, 0);
        const int n = TerminateProcess(0, 0) + TerminateProcess(-getpid(), 0) + TerminateProcess(INT_MIN, 0);
        _exit(n == 0 ? 0 : 1);
    }
    int nStatus = 0;
    ASSERT_EQ(waitpid(nChild, &nStatus, 0), nChild);
    ASSERT_TRUE(WIFEXITED(nStatus)) << "the child was signalled";
    EXPECT_EQ(WEXITSTATUS(nStatus), 0);
}

TEST(WinChildWait, CustomAlarmHandlerIsCalled) {
    static std::atomic<int> s_nCalls{0};
    InitAlarmHandler([](int) { s_nCalls++; });
    int nPid = 0;
    ASSERT_EQ(CreateProcess(L"/bin/sh", L"-c \"exec sleep 30\"", &nPid, 0, nullptr, nullptr), 1);
    EXPECT_EQ(WaitPid(nPid, 1000, nullptr), 0);  // one sleep of a second, still running
    EXPECT_EQ(s_nCalls.load(), 1);
    kill(nPid, SIGKILL);
    waitpid(nPid, nullptr, 0);
    // A system call is interrupted rather than restarted.
    struct sigaction st;
    ASSERT_EQ(sigaction(SIGALRM, nullptr, &st), 0);
    EXPECT_EQ(st.sa_flags & SA_RESTART, 0);
}

// ---- Threads ----

std::atomic<int> g_nThreadRuns{0};

TEST(WinThread, ThreadsRunAndHandBackTheirExitCode) {
    g_nThreadRuns = 0;
    int nArg = 5;
    const uintptr_t hDetached = _beginthread([](void* p) { g_nThreadRuns += *static_cast<int*>(p); }, 0, &nArg);
    ASSERT_NE(hDetached, static_cast<uintptr_t>(-1));
    for (int i = 0; i < 2000 && g_nThreadRuns.load() == 0; i++) usleep(1000);
    EXPECT_EQ(g_nThreadRuns.load(), 5);

    unsigned long nId = 0;
    const uintptr_t hEx = _beginthreadex(
        nullptr, 256 * 1024, [](void* p) -> unsigned { return *static_cast<int*>(p) + 37; }, &nArg, 0, &nId);
    ASSERT_NE(hEx, 0u);
    EXPECT_EQ(nId, hEx);
    void* pResult = nullptr;
    ASSERT_EQ(pthread_join(static_cast<pthread_t>(hEx), &pResult), 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pResult), 42u);

    const uintptr_t hCreate = CreateThread(
        nullptr, 0, [](void*) -> unsigned long { return 7; }, nullptr, 0, nullptr);
    ASSERT_NE(hCreate, 0u);
    ASSERT_EQ(pthread_join(static_cast<pthread_t>(hCreate), &pResult), 0);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(pResult), 7u);

    // A stack below the system's minimum is raised to it rather than refused.
    const uintptr_t hSmall = _beginthreadex(
        nullptr, 1, [](void*) -> unsigned { return 1; }, nullptr, 0, nullptr);
    ASSERT_NE(hSmall, 0u);
    pthread_join(static_cast<pthread_t>(hSmall), nullptr);

    errno = 0;
    EXPECT_EQ(_beginthreadex(nullptr, 0, nullptr, nullptr, 0, &nId), 0u);
    EXPECT_EQ(errno, EINVAL);
    EXPECT_EQ(_beginthread(nullptr, 0, nullptr), static_cast<uintptr_t>(-1));
}

TEST(WinThread, PriorityUnderNormalScheduling) {
    const uintptr_t hSelf = static_cast<uintptr_t>(pthread_self());
    EXPECT_EQ(SetThreadPriority(hSelf, 0), 1);
    errno = 0;
    EXPECT_EQ(SetThreadPriority(hSelf, 50), 0);  // normal scheduling has only priority 0
    EXPECT_EQ(errno, EINVAL);
}

// ---- Environment and current directory ----

class WinEnvironmentTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
    void TearDown() override {
        unsetenv("KX_TEST_VALUE");
        unsetenv("KX_TEST_\xC3\x89T\xC3\x89");
        KXInstallStandInHost();
    }
};

TEST_F(WinEnvironmentTest, WideValues) {
    setenv("KX_TEST_VALUE", "0123456789", 1);
    struct Case {
        unsigned nSize;
        const wchar_t* pszExpected;
        unsigned nExpected;
    };
    const Case tabCases[] = {
        {2, L"0", 11}, {10, L"012345678", 11}, {11, L"0123456789", 10}, {64, L"0123456789", 10}, {1, L"", 11},
    };
    for (const Case& c : tabCases) {
        wchar_t sz[64];
        wmemset(sz, L'#', 64);
        EXPECT_EQ(GetEnvironmentVariableW(L"KX_TEST_VALUE", sz, c.nSize), c.nExpected) << c.nSize;
        EXPECT_EQ(std::wstring(sz), c.pszExpected) << c.nSize;
    }
    wchar_t sz[16];
    EXPECT_EQ(GetEnvironmentVariableW(L"KX_TEST_VALUE", nullptr, 0), 11u);  // size needed
    EXPECT_EQ(GetEnvironmentVariableW(L"KX_TEST_NOT_SET", sz, 16), 0u);

    // Names and values pass as UTF-8.
    EXPECT_EQ(SetEnvironmentVariable(L"KX_TEST_\u00c9T\u00c9", L"caf\u00e9 \u20ac"), 1);
    EXPECT_STREQ(getenv("KX_TEST_\xC3\x89T\xC3\x89"), "caf\xC3\xA9 \xE2\x82\xAC");
    EXPECT_EQ(GetEnvironmentVariableW(L"KX_TEST_\u00c9T\u00c9", sz, 16), 6u);
    EXPECT_EQ(std::wstring(sz), L"caf\u00e9 \u20ac");

    EXPECT_EQ(SetEnvironmentVariableW(L"KX_TEST_VALUE", L"x"), 1);
    EXPECT_STREQ(getenv("KX_TEST_VALUE"), "x");
    EXPECT_EQ(SetEnvironmentVariable(L"KX_TEST_VALUE", nullptr), 1);
    EXPECT_EQ(getenv("KX_TEST_VALUE"), nullptr);
    EXPECT_EQ(SetEnvironmentVariable(L"KX_TEST_VALUE", nullptr), 1);  // already unset
    EXPECT_EQ(SetEnvironmentVariable(L"BAD=NAME", L"x"), 0);
}

TEST_F(WinEnvironmentTest, EightBitValuesInTheCurrentCharset) {
    setenv("KX_TEST_\xC3\x89T\xC3\x89", "caf\xC3\xA9", 1);
    struct Case {
        int nCharset;
        const char* pszName;
        const char* pszExpected;
    };
    const Case tabCases[] = {
        {0, "KX_TEST_\xC9T\xC9", "caf\xE9"},    // 1252
        {238, "KX_TEST_\xC9T\xC9", "caf\xE9"},  // 1250 has the same letters there
    };
    for (const Case& c : tabCases) {
        standin::SetCharset(c.nCharset);
        char sz[16];
        EXPECT_EQ(GetEnvironmentVariableA(c.pszName, sz, 16), 4u) << c.nCharset;
        EXPECT_STREQ(sz, c.pszExpected) << c.nCharset;
        EXPECT_EQ(GetEnvironmentVariableA(c.pszName, sz, 3), 5u) << c.nCharset;
        EXPECT_STREQ(sz, "ca");
    }
    // 1251 has no 'é': the name is another one.
    standin::SetCharset(204);
    char sz[16];
    EXPECT_EQ(GetEnvironmentVariableA("KX_TEST_\xC9T\xC9", sz, 16), 0u);
    EXPECT_EQ(GetEnvironmentVariableA(nullptr, sz, 16), 0u);
}

TEST_F(WinEnvironmentTest, CurrentDirectory) {
    CTempDir clDir;
    ASSERT_FALSE(clDir.sPath().empty());
    const std::string sSub = clDir.sPath() + "/r\xC3\xA9pertoire";
    ASSERT_EQ(mkdir(sSub.c_str(), 0755), 0);
    char szSaved[PATH_MAX];
    ASSERT_NE(getcwd(szSaved, sizeof(szSaved)), nullptr);

    char szNow[PATH_MAX];
    EXPECT_EQ(SetCurrentDirectoryW((sWide(clDir.sPath()) + L"/r\u00e9pertoire").c_str()), 1);
    ASSERT_NE(getcwd(szNow, sizeof(szNow)), nullptr);
    EXPECT_EQ(std::string(szNow), sSub);

    EXPECT_EQ(SetCurrentDirectoryA("/"), 1);
    EXPECT_EQ(SetCurrentDirectoryA((clDir.sPath() + "/r\xE9pertoire").c_str()), 1);  // 1252
    ASSERT_NE(getcwd(szNow, sizeof(szNow)), nullptr);
    EXPECT_EQ(std::string(szNow), sSub);

    EXPECT_EQ(SetCurrentDirectoryW(L"/no/such/directory"), 0);
    EXPECT_EQ(SetCurrentDirectoryA("/no/such/directory"), 0);
    EXPECT_EQ(SetCurrentDirectoryW(nullptr), 0);
    ASSERT_EQ(chdir(szSaved), 0);
}

TEST(WinProcess, StandardHandles) {
    struct Case {
        int nHandle, nExpected;
    };
    const Case tabCases[] = {{-10, 0}, {-11, 1}, {-12, 2}, {-13, -1}, {0, -1}, {1, -1}};
    for (const Case& c : tabCases) EXPECT_EQ(GetStdHandle(c.nHandle), c.nExpected) << c.nHandle;
}

// ---- Atoms ----

TEST(WinAtom, CountedNamesIgnoringCase) {
    const unsigned short nAbc = AddAtom(L"Abc");
    ASSERT_NE(nAbc, 0);
    EXPECT_EQ(AddAtom(L"Abc"), nAbc);
    EXPECT_EQ(FindAtom(L"ABC"), nAbc);
    const unsigned short nOther = AddAtom(L"other");
    EXPECT_GT(nOther, nAbc);

    wchar_t sz[8];
    EXPECT_EQ(GetAtomName(nAbc, sz, 8), 3u);
    EXPECT_EQ(std::wstring(sz), L"Abc");        // the first spelling
    EXPECT_EQ(GetAtomName(nOther, sz, 3), 2u);  // cut and terminated
    EXPECT_EQ(std::wstring(sz), L"ot");
    EXPECT_EQ(GetAtomName(nOther, sz, 0), 0u);
    EXPECT_EQ(GetAtomName(0xFFFE, sz, 8), 0u);

    EXPECT_EQ(DeleteAtom(nAbc), 0);
    EXPECT_EQ(FindAtom(L"abc"), nAbc);  // one reference left
    EXPECT_EQ(DeleteAtom(nAbc), 0);
    EXPECT_EQ(FindAtom(L"abc"), 0);
    EXPECT_EQ(DeleteAtom(nAbc), nAbc);  // no such atom any more
    EXPECT_EQ(GetAtomName(nAbc, sz, 8), 0u);

    // Numbers are never handed out again.
    const unsigned short nAgain = AddAtom(L"abc");
    EXPECT_GT(nAgain, nOther);
    EXPECT_EQ(FindAtom(L"OTHER"), nOther);
    EXPECT_EQ(AddAtom(nullptr), 0);
    EXPECT_EQ(FindAtom(nullptr), 0);
    DeleteAtom(nAgain);
    DeleteAtom(nOther);
}

// ---- Debug output and message box ----

// Runs f with standard error sent to a file; what was written.
template <typename F>
std::string sCaptureStderr(F f) {
    char szPath[] = "/tmp/kxstderrXXXXXX";
    const int fd = mkstemp(szPath);
    if (fd < 0) return "<no file>";
    fflush(stderr);
    const int fdSaved = dup(2);
    dup2(fd, 2);
    f();
    fflush(stderr);
    dup2(fdSaved, 2);
    close(fdSaved);
    close(fd);
    const std::string s = sReadFile(szPath);
    unlink(szPath);
    return s;
}

TEST(WinProcess, DebugOutputWithoutLineBreak) {
    EXPECT_EQ(sCaptureStderr([] {
                  OutputDebugString(L"d\u00e9but ");
                  OutputDebugString(L"fin");
                  OutputDebugString(nullptr);
              }),
              "d\xC3\xA9"
              "but fin");
}

TEST(WinMessageBox, ConsoleAnswers) {
    struct Case {
        unsigned nType;
        const char* pszInput;
        int nExpected;
    };
    const Case tabCases[] = {
        {MB_YESNO, "yes\n", IDYES},
        {MB_YESNO, "no\n", IDNO},
        {MB_YESNO, "oui\n", IDOK},  // only the listed letters count
        {MB_YESNO, "Yes\n", IDOK},  // lower case only
        {MB_YESNOCANCEL, "  cancel please\n", IDCANCEL},
        {MB_ABORTRETRYIGNORE, "a\n", IDABORT},
        {MB_ABORTRETRYIGNORE, "i\n", IDIGNORE},
        {MB_RETRYCANCEL, "r\n", IDRETRY},
        {MB_OK, "\n", IDOK},  // ENTER alone
        {MB_OK, "", IDOK},    // end of the input
        {MB_OKCANCEL, "o\n", IDOK},
    };
    for (const Case& c : tabCases) {
        FILE* pIn = fmemopen(const_cast<char*>(c.pszInput), strlen(c.pszInput) + 1, "r");
        char* pOut = nullptr;
        size_t nOut = 0;
        FILE* pOutFile = open_memstream(&pOut, &nOut);
        EXPECT_EQ(__nMessageBoxConsole(pIn, pOutFile, L"T", L"C", c.nType), c.nExpected) << c.pszInput;
        fclose(pIn);
        fclose(pOutFile);
        free(pOut);
    }
}

TEST(WinMessageBox, ConsolePromptsByType) {
    struct Case {
        unsigned nType;
        const char* pszPrompt;
    };
    const Case tabCases[] = {
        {0, "Appuyez sur ENTREE pour continuer : "},
        {1, "Entrez votre choix (o = OK, c = CANCEL) pour continuer (exemple : o + ENTREE) : "},
        {2, "Entrez votre choix (r = RETRY, a = ABORT, i = IGNORE) pour continuer (exemple : r + ENTREE) : "},
        {3, "Entrez votre choix (y = YES, n = NO, c = CANCEL) pour continuer (exemple : y + ENTREE) : "},
        {4, "Entrez votre choix (y = YES, n = NO) pour continuer (exemple : y + ENTREE) : "},
        {5, "Entrez votre choix (r = RETRY, c = CANCEL) pour continuer (exemple : r + ENTREE) : "},
        // Icon and default-button bits make the type another number.
        {0x24, "Entrez votre choix (r = RETRY, a = ABORT, i = IGNORE) pour continuer (exemple : r + ENTREE) : "},
    };
    for (const Case& c : tabCases) {
        char szIn[] = "x\n";
        FILE* pIn = fmemopen(szIn, sizeof(szIn), "r");
        char* pOut = nullptr;
        size_t nOut = 0;
        FILE* pOutFile = open_memstream(&pOut, &nOut);
        __nMessageBoxConsole(pIn, pOutFile, L"Le texte \u00e9", L"Titre", c.nType);
        fclose(pIn);
        fclose(pOutFile);
        EXPECT_EQ(std::string(pOut, nOut), std::string("Titre\nLe texte \xC3\xA9\n") + c.pszPrompt + "\n") << c.nType;
        free(pOut);
    }

    // A long answer line is taken whole: the next box reads the next line.
    char szIn[200];
    snprintf(szIn, sizeof(szIn), "n%s\ny\n", std::string(120, 'x').c_str());
    FILE* pIn = fmemopen(szIn, strlen(szIn), "r");
    FILE* pNull = fopen("/dev/null", "w");
    EXPECT_EQ(__nMessageBoxConsole(pIn, pNull, L"", L"", MB_YESNO), IDNO);
    EXPECT_EQ(__nMessageBoxConsole(pIn, pNull, L"", L"", MB_YESNO), IDYES);
    fclose(pIn);
    fclose(pNull);
}

TEST(WinMessageBox, RetryWritesAHintForDevelopers) {
    char szIn[] = "r\n";
    FILE* pIn = fmemopen(szIn, sizeof(szIn), "r");
    char* pOut = nullptr;
    size_t nOut = 0;
    FILE* pOutFile = open_memstream(&pOut, &nOut);
    EXPECT_EQ(__nMessageBoxConsole(pIn, pOutFile, L"t", L"c", MB_RETRYCANCEL), IDRETRY);
    fclose(pIn);
    fclose(pOutFile);
    const std::string s(pOut, nOut);
    free(pOut);
    const std::string sBefore =
        std::string("c\nt\n") + "Entrez votre choix (r = RETRY, c = CANCEL) pour continuer (exemple : r + ENTREE) : \n";
    ASSERT_GT(s.size(), sBefore.size());
    EXPECT_EQ(s.substr(0, sBefore.size()), sBefore);
    EXPECT_NE(s.find(std::to_string(getpid())), std::string::npos);
}

// Without the GUI library in the process the standard streams carry the dialogue.
TEST(WinMessageBox, WithoutTheGuiLibraryAsksOnTheConsole) {
    int tabIn[2], tabErr[2];
    ASSERT_EQ(pipe(tabIn), 0);
    ASSERT_EQ(pipe(tabErr), 0);
    const pid_t nChild = fork();
    ASSERT_GE(nChild, 0);
    if (nChild == 0) {
        dup2(tabIn[0], 0);
        dup2(tabErr[1], 2);
        close(tabIn[1]);
        close(tabErr[0]);
        _exit(MessageBox(nullptr, L"Continuer ?", L"Question", MB_YESNO));
    }
    close(tabIn[0]);
    close(tabErr[1]);
    ASSERT_EQ(write(tabIn[1], "n\n", 2), 2);
    close(tabIn[1]);
    std::string sErr;
    char sz[256];
    ssize_t n;
    while ((n = read(tabErr[0], sz, sizeof(sz))) > 0) sErr.append(sz, static_cast<size_t>(n));
    close(tabErr[0]);
    int nStatus = 0;
    ASSERT_EQ(waitpid(nChild, &nStatus, 0), nChild);
    ASSERT_TRUE(WIFEXITED(nStatus));
    EXPECT_EQ(WEXITSTATUS(nStatus), IDNO);
    EXPECT_EQ(sErr.rfind("Question\nContinuer ?\nEntrez votre choix (y = YES, n = NO)", 0), 0u) << sErr;
}

}  // namespace
