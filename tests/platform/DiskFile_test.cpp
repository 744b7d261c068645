// The disk file: open modes and their reports, whole-file and record locks seen from a second
// process, exact and counted reads, writes, seeks and size changes, copies to streams and files,
// the static load, concatenation and extraction, and the wide-character line reader.
#include "platform/DiskFile.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/VQBIN.h"
#include "core/XError.h"
#include "tests/host/TestSupport.h"
#include "tests/platform/DiskFileTestSupport.h"

namespace {

using S = IXStream;
constexpr uint32_t LOCK_CONFLICT = 0x80000000u;

class DiskFileTest : public CTempDirTest {
protected:
    void SetUp() override {
        CTempDirTest::SetUp();
        KXInstallStandInHost();
    }
    // Opens an existing file, read and write, without lock.
    static void OpenRW(CDiskFile& cl, const std::wstring& ws) {
        ASSERT_EQ(
            cl.bOpen(ws.c_str(), S::eAccessReadWrite, S::eShareNone, S::eCreateOpenExisting, S::eFlagNone, nullptr), 1);
    }
};

// A disk file that counts its opens (bOpenExclusifReessais calls the slot).
class CCountingDiskFile : public CDiskFile {
public:
    int bOpen(const wchar_t* pszName, eACCESS eAccess, eSHARE eShare, eCREATE eCreate, eFLAG eFlag,
              int* pbCreated) override {
        m_nOpens++;
        return CDiskFile::bOpen(pszName, eAccess, eShare, eCreate, eFlag, pbCreated);
    }
    int m_nOpens = 0;
};

std::wstring wsText(const wchar_t* psz) {
    return psz != nullptr ? std::wstring(psz) : std::wstring(L"<null>");
}

std::string sWide(const std::wstring& s) {
    return std::string(reinterpret_cast<const char*>(s.data()), s.size() * sizeof(wchar_t));
}

// ---------------------------------------------------------------------------------------------------------------
// Opening

TEST_F(DiskFileTest, FreshObjectIsClosed) {
    CDiskFile cl;
    EXPECT_EQ(cl.dwGetRef(), 0u);
    EXPECT_EQ(cl.bIsOpen(), 0);
    EXPECT_STREQ(cl.pszGetName(), L"");
    EXPECT_EQ(cl.oGetOffset(), 0);
    EXPECT_EQ(static_cast<int32_t>(cl.veGetAccess()), -1);
    EXPECT_EQ(cl.pclGetXError()->dwGetRef(), 1u);
    EXPECT_EQ(cl.vbIsUNICODEFileName(), 1);
    EXPECT_EQ(cl.bGetVFSFileName(nullptr), 0);
    EXPECT_EQ(cl.bOpenW(L"x", S::eAccessRead, S::eShareNone, S::eCreateOpenExisting, S::eFlagNone, nullptr), 0);
    EXPECT_EQ(cl.bExtractW(L"x", 0, 1), 0);
    EXPECT_EQ(cl.bExtractFromFileW(L"x", 0, 1), 0);
    EXPECT_EQ(cl.vbSetNameForErrorW(L"x"), 0);
}

TEST_F(DiskFileTest, CreateModes) {
    struct Case {
        const char* pszName;
        uint32_t eCreate;
        bool bFileThere;
        int bResult;
        int bCreated;
        uint32_t nMessage;     // on failure
        std::string sContent;  // afterwards, on success
    };
    const Case aCases[] = {
        {"existing, missing", S::eCreateOpenExisting, false, 0, 0, 28139, ""},
        {"existing, there", S::eCreateOpenExisting, true, 1, 0, 0, "old"},
        {"open or create, missing", S::eCreateOpenAlways, false, 1, 1, 0, ""},
        {"open or create, there", S::eCreateOpenAlways, true, 1, 0, 0, "old"},
        {"create, missing", S::eCreateAlways, false, 1, 1, 0, ""},
        {"create, there: truncated", S::eCreateAlways, true, 1, 1, 0, ""},
        // Other values go to open() as they are: O_CREAT | O_EXCL fails on an existing file, and
        // the report has no user message of its own.
        {"O_CREAT|O_EXCL, there", O_CREAT | O_EXCL, true, 0, 0, 0, "old"},
    };
    int i = 0;
    for (const Case& c : aCases) {
        std::string sFile = sPath(std::string("f").append(std::to_string(i++)));
        if (c.bFileThere) WriteFile(sFile, "old");
        std::wstring wsFile(sFile.begin(), sFile.end());
        CDiskFile cl;
        int bCreated = -1;
        errno = 0;
        int bResult = cl.bOpen(wsFile.c_str(), S::eAccessReadWrite, S::eShareExclusive,
                               static_cast<S::eCREATE>(c.eCreate), S::eFlagNone, &bCreated);
        int nErrno = errno;
        EXPECT_EQ(bResult, c.bResult) << c.pszName;
        EXPECT_EQ(bCreated, c.bCreated) << c.pszName;
        EXPECT_EQ(cl.bIsOpen(), c.bResult) << c.pszName;
        const CXError* pclErr = cl.pclGetXError();
        if (c.bResult) {
            EXPECT_FALSE(pclErr->bIsError()) << c.pszName;
            EXPECT_EQ(sReadFile(sFile), c.sContent) << c.pszName;
            EXPECT_STREQ(cl.pszGetName(), wsFile.c_str()) << c.pszName;
            // The file was there: errno says so, for callers that choose what to write first.
            if (c.eCreate == S::eCreateOpenAlways && c.bFileThere) {
                EXPECT_EQ(nErrno, EEXIST) << c.pszName;
            }
        } else {
            uint32_t nExpectedErrno = c.bFileThere ? EEXIST : ENOENT;
            EXPECT_EQ(nErrno, static_cast<int>(nExpectedErrno)) << c.pszName;
            EXPECT_EQ(pclErr->eGetErrorLevel(), 3u) << c.pszName;
            EXPECT_EQ(pclErr->dwGetSystemErrorCode(), nExpectedErrno) << c.pszName;
            EXPECT_EQ(nFirstMessage(pclErr), c.nMessage) << c.pszName;
            EXPECT_EQ(wsSourceFile(pclErr), wsFile) << c.pszName;
            EXPECT_NE(std::wstring(pclErr->pszGetDebugMessage()).find(L"##(IXStream)-Handle=<"), std::wstring::npos);
            EXPECT_STRNE(pclErr->pszGetModName(), L"") << c.pszName;
        }
    }
}

TEST_F(DiskFileTest, RelativeNameWithBackslashBecomesAFullPath) {
    ASSERT_EQ(mkdir(sPath("sub").c_str(), 0700), 0);
    WriteFile(sPath("sub/f.txt"), "data");
    char szSaved[PATH_MAX];
    ASSERT_NE(getcwd(szSaved, sizeof(szSaved)), nullptr);
    ASSERT_EQ(chdir(m_sDir.c_str()), 0);
    CDiskFile cl;
    int bResult = cl.bOpen(L"sub\\f.txt", S::eAccessRead, S::eShareRead, S::eCreateOpenExisting, S::eFlagNone, nullptr);
    ASSERT_EQ(chdir(szSaved), 0);
    EXPECT_EQ(bResult, 1);
    EXPECT_EQ(std::wstring(cl.pszGetName()), wsPath(L"sub/f.txt"));
    EXPECT_EQ(std::wstring(cl.pwszGetName()), wsPath(L"sub/f.txt"));
    char sz[4];
    EXPECT_EQ(cl.bRead(sz, 4, nullptr), 1);
    EXPECT_EQ(std::string(sz, 4), "data");
}

TEST_F(DiskFileTest, NameTooLongForTheNameBufferIsRefused) {
    // A relative name whose full path passes 260 characters would leave only the working
    // directory in the name buffer; opening that read-only must not succeed.
    char szSaved[PATH_MAX];
    ASSERT_NE(getcwd(szSaved, sizeof(szSaved)), nullptr);
    ASSERT_EQ(chdir(m_sDir.c_str()), 0);
    std::wstring wsRelative(255, L'r');
    CDiskFile clRelative;
    int bRelative = clRelative.bOpen(wsRelative.c_str(), S::eAccessRead, S::eShareNone, S::eCreateOpenAlways,
                                     S::eFlagNone, nullptr);
    ASSERT_EQ(chdir(szSaved), 0);
    EXPECT_EQ(bRelative, 0);
    EXPECT_EQ(clRelative.pclGetXError()->dwGetSystemErrorCode(), static_cast<uint32_t>(ENAMETOOLONG));
    EXPECT_EQ(nFirstMessage(clRelative.pclGetXError()), 28002u);

    // A full name longer than the buffer is refused too, without writing past it; the report names
    // it whole, and the name buffer holds no name of it.
    std::wstring wsAbsolute = m_wsDir + L"/" + std::wstring(300, L'a');
    CDiskFile clAbsolute;
    EXPECT_EQ(clAbsolute.bOpen(wsAbsolute.c_str(), S::eAccessRead, S::eShareNone, S::eCreateOpenExisting, S::eFlagNone,
                               nullptr),
              0);
    EXPECT_EQ(clAbsolute.pclGetXError()->dwGetSystemErrorCode(), static_cast<uint32_t>(ENAMETOOLONG));
    EXPECT_EQ(wsSourceFile(clAbsolute.pclGetXError()), wsAbsolute);
    EXPECT_STREQ(clAbsolute.pszGetName(), L"");
}

TEST_F(DiskFileTest, ReopenAfterARefusedNameOpensNothing) {
    // The name cut to the buffer's 260 characters is a name this directory can hold: reopening must
    // neither create it nor open it when it is there.
    std::string sDir = m_sDir;
    while (sDir.size() < 180) {
        sDir += "/" + std::string(40, 'd');
        ASSERT_EQ(mkdir(sDir.c_str(), 0700), 0);
    }
    const std::string sLong = sDir + "/" + std::string(300 - sDir.size() - 1, 'n');
    const std::string sCut = sLong.substr(0, CDiskFile::s_nMaxPath);
    const std::wstring wsLong(sLong.begin(), sLong.end());
    struct Case {
        const char* pszName;
        S::eCREATE eCreate;
        bool bCutThere;
    };
    const Case tabCases[] = {
        {"create", S::eCreateAlways, false},
        {"open or create", S::eCreateOpenAlways, false},
        {"open an existing cut name", S::eCreateOpenExisting, true},
    };
    for (const Case& c : tabCases) {
        SCOPED_TRACE(c.pszName);
        unlink(sCut.c_str());
        if (c.bCutThere) WriteFile(sCut, "other file");
        CDiskFile cl;
        ASSERT_EQ(cl.bOpen(wsLong.c_str(), S::eAccessReadWrite, S::eShareNone, c.eCreate, S::eFlagNone, nullptr), 0);
        EXPECT_EQ(cl.pclGetXError()->dwGetSystemErrorCode(), static_cast<uint32_t>(ENAMETOOLONG));
        errno = 0;
        EXPECT_EQ(cl.bReopen(S::eAccessReadWrite, S::eShareNone, c.eCreate, S::eFlagNone), 0);
        EXPECT_EQ(cl.bIsOpen(), 0);
        EXPECT_NE(errno, 0);
        EXPECT_EQ(cl.pclGetXError()->eGetErrorLevel(), CXError::XEL_ERROR);
        EXPECT_EQ(bExists(sCut), c.bCutThere);
        if (c.bCutThere) {
            EXPECT_EQ(sReadFile(sCut), "other file");
        }
    }
}

TEST_F(DiskFileTest, DirectoryFlag) {
    ASSERT_EQ(mkdir(sPath("d").c_str(), 0700), 0);
    WriteFile(sPath("f"), "x");
    CDiskFile clDirectory;
    EXPECT_EQ(clDirectory.bOpen(wsPath(L"d").c_str(), S::eAccessRead, S::eShareExclusive, S::eCreateOpenExisting,
                                S::eFlagDirectory, nullptr),
              1);
    EXPECT_EQ(static_cast<uint32_t>(clDirectory.veGetAccess()), static_cast<uint32_t>(O_DIRECTORY));

    // On a regular file the flag changes nothing: opened with its access and locked.
    CDiskFile clFile;
    ASSERT_EQ(clFile.bOpen(wsPath(L"f").c_str(), S::eAccessReadWrite, S::eShareExclusive, S::eCreateOpenExisting,
                           S::eFlagDirectory, nullptr),
              1);
    EXPECT_EQ(static_cast<uint32_t>(clFile.veGetAccess()), static_cast<uint32_t>(O_RDWR | O_NONBLOCK));
    std::wstring wsFile = wsPath(L"f");
    EXPECT_EQ(nInChild([&] {
                  CDiskFile clOther;
                  int bOpened = clOther.bOpen(wsFile.c_str(), S::eAccessRead, S::eShareRead, S::eCreateOpenExisting,
                                              S::eFlagNone, nullptr);
                  return bOpened ? 1 : clOther.pclGetXError()->dwGetSystemErrorCode() == LOCK_CONFLICT ? 2 : 3;
              }),
              2);
}

TEST_F(DiskFileTest, LockKindMustMatchTheAccess) {
    WriteFile(sPath("f"), "x");
    struct Case {
        const char* pszName;
        S::eACCESS eAccess;
        S::eSHARE eShare;
        uint32_t eCreate;
        uint32_t nMessage;
    };
    const Case aCases[] = {
        {"exclusive lock, read only", S::eAccessRead, S::eShareExclusive, S::eCreateOpenExisting, 28139},
        {"shared lock, write only", S::eAccessWrite, S::eShareRead, S::eCreateOpenAlways, 28002},
        {"exclusive lock, default access", S::eAccessDefault, S::eShareExclusive, S::eCreateOpenExisting, 28139},
    };
    for (const Case& c : aCases) {
        CDiskFile cl;
        errno = 0;
        EXPECT_EQ(cl.bOpen(wsPath(L"f").c_str(), c.eAccess, c.eShare, static_cast<S::eCREATE>(c.eCreate), S::eFlagNone,
                           nullptr),
                  0)
            << c.pszName;
        EXPECT_EQ(static_cast<uint32_t>(errno), LOCK_CONFLICT) << c.pszName;
        EXPECT_EQ(cl.pclGetXError()->dwGetSystemErrorCode(), LOCK_CONFLICT) << c.pszName;
        EXPECT_EQ(nFirstMessage(cl.pclGetXError()), c.nMessage) << c.pszName;
        EXPECT_EQ(cl.bIsOpen(), 0) << c.pszName;
    }
}

TEST_F(DiskFileTest, ExclusiveOpenConflictsAcrossProcessesAndRetries) {
    WriteFile(sPath("f"), "x");
    std::wstring wsFile = wsPath(L"f");
    CDiskFile clHolder;
    ASSERT_EQ(clHolder.bOpen(wsFile.c_str(), S::eAccessReadWrite, S::eShareExclusive, S::eCreateOpenExisting,
                             S::eFlagNone, nullptr),
              1);
    // Child's answer: the number of attempts when it failed with a lock conflict, 100 + attempts
    // when it failed otherwise, 200 when it opened.
    auto nTry = [&](int bCountAttempts, uint32_t nLimit, const std::wstring& ws) {
        return nInChild([&] {
            CCountingDiskFile cl;
            if (cl.bOpenExclusifReessais(ws.c_str(), bCountAttempts, nLimit, S::eAccessRead, S::eCreateOpenExisting,
                                         S::eFlagNone, nullptr))
                return 200;
            return (cl.pclGetXError()->dwGetSystemErrorCode() == LOCK_CONFLICT ? 0 : 100) + cl.m_nOpens;
        });
    };
    EXPECT_EQ(nTry(1, 3, wsFile), 3);
    EXPECT_EQ(nTry(1, 1, wsFile), 1);
    EXPECT_EQ(nTry(1, 0, wsFile), 1);
    // Time mode gives up too (after some 100 ms sleeps).
    int nTimed = nTry(0, 150, wsFile);
    EXPECT_GE(nTimed, 1);
    EXPECT_LT(nTimed, 100);
    // Any failure other than a conflict ends the attempts at once.
    EXPECT_EQ(nTry(1, 3, wsPath(L"missing")), 101);

    clHolder.Close();
    EXPECT_EQ(nTry(1, 3, wsFile), 200);
    // Read access 0 is asked as read and write: an exclusive lock needs write access.
    CDiskFile cl;
    ASSERT_EQ(
        cl.bOpenExclusifReessais(wsFile.c_str(), 1, 1, S::eAccessRead, S::eCreateOpenExisting, S::eFlagNone, nullptr),
        1);
    EXPECT_EQ(static_cast<uint32_t>(cl.veGetAccess()) & 3u, 2u);
}

TEST_F(DiskFileTest, CloseReopenAndTheNameForErrors) {
    WriteFile(sPath("f"), "abc");
    std::wstring wsFile = wsPath(L"f");
    CDiskFile cl;
    OpenRW(cl, wsFile);
    ASSERT_EQ(cl.bSeek(2, S::eSeekBegin), 1);
    EXPECT_EQ(cl.vbSetNameForError(L"shown name"), 1);
    EXPECT_EQ(std::wstring(cl.pszGetName()), wsFile);
    EXPECT_EQ(cl.bSeek(-10, S::eSeekBegin), 0);
    EXPECT_EQ(wsSourceFile(cl.pclGetXError()), L"shown name");
    EXPECT_NE(std::wstring(cl.pclGetXError()->pszGetUserMessage()).find(L"shown name"), std::wstring::npos);

    cl.Close();
    EXPECT_EQ(cl.bIsOpen(), 0);
    EXPECT_EQ(cl.oGetOffset(), 0);
    EXPECT_EQ(static_cast<int32_t>(cl.veGetAccess()), -1);
    EXPECT_EQ(std::wstring(cl.pszGetName()), wsFile);  // the name stays
    cl.Close();                                        // closing a closed file does nothing

    // Closing gave the name buffer back to the reports.
    ASSERT_EQ(cl.bReopen(S::eAccessRead, S::eShareNone, S::eCreateOpenExisting, S::eFlagNone), 1);
    EXPECT_EQ(cl.bSeek(-10, S::eSeekBegin), 0);
    EXPECT_EQ(wsSourceFile(cl.pclGetXError()), wsFile);
    EXPECT_EQ(cl.vbSetNameForError(nullptr), 1);
    // Opening an open object again does not leave the first descriptor behind.
    OpenRW(cl, wsFile);
    OpenRW(cl, wsFile);
    EXPECT_EQ(cl.bIsOpen(), 1);
}

// A disk file whose descriptor a test can reach.
class CHandleDiskFile : public CDiskFile {
public:
    int nHandle() const { return m_nHandle; }
};

TEST_F(DiskFileTest, FailedCloseForgetsTheDescriptor) {
    // The system has released the descriptor whatever close() answered (here it was closed behind
    // the object's back, so close() fails), and the next open gets the same number. The object must
    // not write to that other file, nor close it later.
    WriteFile(sPath("f"), "abc");
    WriteFile(sPath("other"), "xyz");
    int nOther = -1;
    {
        CHandleDiskFile cl;
        OpenRW(cl, wsPath(L"f"));
        int nHandle = cl.nHandle();
        ASSERT_EQ(close(nHandle), 0);
        cl.Close();
        EXPECT_EQ(cl.bIsOpen(), 0);
        nOther = open(sPath("other").c_str(), O_RDWR);
        ASSERT_EQ(nOther, nHandle);
        EXPECT_EQ(cl.bWrite("!", 1, nullptr), 0);
        cl.Close();
    }
    EXPECT_NE(fcntl(nOther, F_GETFD), -1) << "the destructor closed a descriptor it no longer owned";
    close(nOther);
    EXPECT_EQ(sReadFile(sPath("other")), "xyz");
}

// ---------------------------------------------------------------------------------------------------------------
// Reading, writing, seeking

TEST_F(DiskFileTest, ExactAndCountedReads) {
    WriteFile(sPath("f"), "abcd");
    CDiskFile cl;
    OpenRW(cl, wsPath(L"f"));
    char sz[16];
    uint32_t nRead = 99;
    EXPECT_EQ(cl.bRead(sz, 10, &nRead), 1);  // a short read with a count is a success
    EXPECT_EQ(nRead, 4u);
    EXPECT_EQ(cl.oGetOffset(), 4);
    EXPECT_EQ(cl.bRead(sz, 10, &nRead), 1);  // also at the end
    EXPECT_EQ(nRead, 0u);

    ASSERT_EQ(cl.bSeek(1, S::eSeekBegin), 1);
    EXPECT_EQ(cl.bRead(sz, 10, nullptr), 0);
    const CXError* pclErr = cl.pclGetXError();
    EXPECT_EQ(pclErr->dwGetSystemErrorCode(), 0u);
    EXPECT_EQ(nFirstMessage(pclErr), 28003u);
    std::wstring wsDebug = pclErr->pszGetDebugMessage();
    EXPECT_NE(wsDebug.find(L"##(IXStream)-bExact=<1>##"), std::wstring::npos) << wsDebug;
    EXPECT_NE(wsDebug.find(L"##(IXStream)-A lire=<10>, lu=<3>##"), std::wstring::npos) << wsDebug;

    // The next operation starts with a clear error.
    ASSERT_EQ(cl.bSeek(0, S::eSeekBegin), 1);
    EXPECT_FALSE(cl.pclGetXError()->bIsError());
    EXPECT_EQ(cl.bRead(sz, 4, nullptr), 1);
    EXPECT_EQ(std::string(sz, 4), "abcd");
    // Positioned forms.
    EXPECT_EQ(cl.bRead(int64_t(2), sz, 2, nullptr), 1);
    EXPECT_EQ(std::string(sz, 2), "cd");
    EXPECT_EQ(cl.bWrite(int64_t(0), "XY", 2, nullptr), 1);
    EXPECT_EQ(cl.oGetOffset(), 2);
    EXPECT_EQ(sReadFile(sPath("f")), "XYcd");
}

TEST_F(DiskFileTest, FailedReadsAndWritesReport) {
    WriteFile(sPath("f"), "abcd");
    CDiskFile clReadOnly;
    ASSERT_EQ(clReadOnly.bOpen(wsPath(L"f").c_str(), S::eAccessRead, S::eShareNone, S::eCreateOpenExisting,
                               S::eFlagNone, nullptr),
              1);
    uint32_t nWritten = 7;
    EXPECT_EQ(clReadOnly.bWrite("z", 1, &nWritten), 0);
    EXPECT_EQ(nWritten, 0u);
    EXPECT_EQ(clReadOnly.oGetOffset(), 0);
    EXPECT_EQ(clReadOnly.pclGetXError()->dwGetSystemErrorCode(), static_cast<uint32_t>(EBADF));
    EXPECT_EQ(nFirstMessage(clReadOnly.pclGetXError()), 28008u);
    EXPECT_NE(std::wstring(clReadOnly.pclGetXError()->pszGetDebugMessage()).find(L"##(IXStream)-Access=<800>##"),
              std::wstring::npos);

    CDiskFile clWriteOnly;
    ASSERT_EQ(clWriteOnly.bOpen(wsPath(L"f").c_str(), S::eAccessWrite, S::eShareNone, S::eCreateOpenExisting,
                                S::eFlagNone, nullptr),
              1);
    char sz[4];
    uint32_t nRead = 0;
    EXPECT_EQ(clWriteOnly.bRead(sz, 4, &nRead), 0);
    EXPECT_EQ(clWriteOnly.pclGetXError()->dwGetSystemErrorCode(), static_cast<uint32_t>(EBADF));
    EXPECT_EQ(nFirstMessage(clWriteOnly.pclGetXError()), 28003u);

    // Nothing to write: no system call, so even a closed file answers TRUE.
    CDiskFile clClosed;
    nWritten = 7;
    EXPECT_EQ(clClosed.bWrite("z", 0, &nWritten), 1);
    EXPECT_EQ(nWritten, 0u);

    // A full disk is a failure with its own code, not a silent short write.
    if (access("/dev/full", W_OK) == 0) {
        CDiskFile clFull;
        ASSERT_EQ(
            clFull.bOpen(L"/dev/full", S::eAccessWrite, S::eShareNone, S::eCreateOpenExisting, S::eFlagNone, nullptr),
            1);
        EXPECT_EQ(clFull.bWrite("abc", 3, nullptr), 0);
        EXPECT_EQ(clFull.pclGetXError()->dwGetSystemErrorCode(), static_cast<uint32_t>(ENOSPC));
    }
}

TEST_F(DiskFileTest, SeekAndSizes) {
    WriteFile(sPath("f"), std::string(100, 'x'));
    CDiskFile cl;
    OpenRW(cl, wsPath(L"f"));
    ASSERT_EQ(cl.bSeek(10, S::eSeekBegin), 1);
    EXPECT_EQ(cl.oGetSize(), 100);
    EXPECT_EQ(cl.oGetOffset(), 10);  // put back
    EXPECT_EQ(cl.oGetSizeFast(), 100);
    EXPECT_EQ(cl.oGetOffset(), 100);  // left at the end
    ASSERT_EQ(cl.bSeek(-5, S::eSeekCurrent), 1);
    EXPECT_EQ(cl.oGetOffset(), 95);

    EXPECT_EQ(cl.bSeek(-200, S::eSeekCurrent), 0);
    EXPECT_EQ(cl.oGetOffset(), 95);
    EXPECT_EQ(cl.pclGetXError()->dwGetSystemErrorCode(), static_cast<uint32_t>(EINVAL));
    EXPECT_EQ(nFirstMessage(cl.pclGetXError()), 28005u);
    EXPECT_EQ(cl.bFlush(), 1);

    CDiskFile clClosed;
    EXPECT_EQ(clClosed.oGetSize(), -1);
    EXPECT_EQ(clClosed.oGetSizeFast(), -1);
    EXPECT_EQ(clClosed.bFlush(), 0);
    EXPECT_EQ(nFirstMessage(clClosed.pclGetXError()), 28001u);
}

TEST_F(DiskFileTest, SizeChanges) {
    struct Case {
        const char* pszName;
        int (*pfn)(CDiskFile&);
        int bResult;
        int64_t oSize;      // afterwards
        int64_t oPosition;  // afterwards, -1: not checked
    };
    const Case aCases[] = {
        {"set 10 from start", [](CDiskFile& cl) { return cl.bSetSize(10, S::eGrowFromStart); }, 1, 10, 10},
        {"set -10 from end", [](CDiskFile& cl) { return cl.bSetSize(-10, S::eGrowFromEnd); }, 1, 90, 90},
        {"set 150 from start", [](CDiskFile& cl) { return cl.bSetSize(150, S::eGrowFromStart); }, 1, 150, 150},
        {"bad grow mode", [](CDiskFile& cl) { return cl.bSetSize(5, static_cast<S::eGROW>(2)); }, 0, 100, -1},
        {"extend to 0", [](CDiskFile& cl) { return cl.bExtendFile(0); }, 0, 0, -1},
        {"extend to 200", [](CDiskFile& cl) { return cl.bExtendFile(200); }, 1, 200, 200},
        {"increase by 5", [](CDiskFile& cl) { return cl.bIncreaseSize(5); }, 1, 105, 105},
        // Extending to the size the file has, or growing by nothing, changes no byte.
        {"extend to its own size", [](CDiskFile& cl) { return cl.bExtendFile(100); }, 1, 100, -1},
        {"extend to less than its size", [](CDiskFile& cl) { return cl.bExtendFile(50); }, 1, 50, -1},
        {"increase by 0", [](CDiskFile& cl) { return cl.bIncreaseSize(0); }, 1, 100, -1},
        {"increase by -1", [](CDiskFile& cl) { return cl.bIncreaseSize(-1); }, 0, 100, -1},
    };
    std::string sData;
    for (int i = 0; i < 100; i++) sData += char('A' + i % 26);
    for (const Case& c : aCases) {
        WriteFile(sPath("f"), sData);
        CDiskFile cl;
        OpenRW(cl, wsPath(L"f"));
        EXPECT_EQ(c.pfn(cl), c.bResult) << c.pszName;
        if (c.oPosition >= 0) {
            EXPECT_EQ(cl.oGetOffset(), c.oPosition) << c.pszName;
        }
        cl.Close();
        std::string sAfter = sReadFile(sPath("f"));
        ASSERT_EQ(static_cast<int64_t>(sAfter.size()), c.oSize) << c.pszName;
        size_t nKept = sAfter.size() < sData.size() ? sAfter.size() : sData.size();
        EXPECT_EQ(sAfter.substr(0, nKept), sData.substr(0, nKept)) << c.pszName;
        for (size_t i = nKept; i < sAfter.size(); i++) ASSERT_EQ(sAfter[i], 0) << c.pszName << " at " << i;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Record locks

TEST_F(DiskFileTest, RecordLocksAcrossProcesses) {
    WriteFile(sPath("f"), std::string(100, 'x'));
    std::wstring wsFile = wsPath(L"f");
    CDiskFile cl;
    OpenRW(cl, wsFile);
    ASSERT_EQ(cl.bLockFile(10, 5), 1);

    // The child's answer: 1 locked, 2 refused as a conflict with the right report, 3 otherwise.
    auto nChildLock = [&](uint64_t oOffset, uint64_t oLength) {
        return nInChild([&] {
            CDiskFile clOther;
            if (!clOther.bOpen(wsFile.c_str(), S::eAccessReadWrite, S::eShareNone, S::eCreateOpenExisting, S::eFlagNone,
                               nullptr))
                return 3;
            if (clOther.bLockFile(oOffset, oLength)) return 1;
            const CXError* pclErr = clOther.pclGetXError();
            bool bReport = pclErr->dwGetSystemErrorCode() == LOCK_CONFLICT && pclErr->nNumErrorId() > 0 &&
                           pclErr->nGetErrorId(0) == 28145;
            return bReport ? 2 : 3;
        });
    };
    EXPECT_EQ(nChildLock(12, 1), 2);
    EXPECT_EQ(nChildLock(15, 10), 1);  // beside the locked range
    EXPECT_EQ(nChildLock(0, 0), 2);    // length 0: to the end of the file

    ASSERT_EQ(cl.bUnlockFile(10, 5), 1);
    EXPECT_EQ(nChildLock(12, 1), 1);

    // A read-only file takes read locks: another reader may share them, a writer may not.
    CDiskFile clReader;
    ASSERT_EQ(
        clReader.bOpen(wsFile.c_str(), S::eAccessRead, S::eShareNone, S::eCreateOpenExisting, S::eFlagNone, nullptr),
        1);
    ASSERT_EQ(clReader.bLock(0, 1), 1);
    EXPECT_EQ(nChildLock(0, 1), 2);
    EXPECT_EQ(nInChild([&] {
                  CDiskFile clOther;
                  clOther.bOpen(wsFile.c_str(), S::eAccessReadWrite, S::eShareNone, S::eCreateOpenExisting,
                                S::eFlagNone, nullptr);
                  return clOther.bLockShare(0, 1) ? 1 : 0;
              }),
              1);
    EXPECT_EQ(clReader.bUnlock(0, 1), 1);

    // The two-byte lock: waits rather than failing; releasing never fails.
    ASSERT_EQ(cl.bLockFileEx(1, 1), 1);
    EXPECT_EQ(nChildLock(1, 1), 2);
    EXPECT_EQ(nChildLock(2, 1), 1);
    EXPECT_EQ(cl.bLockFileEx(0, 1), 1);
    EXPECT_EQ(nChildLock(1, 1), 1);

    // A lock on a closed file fails with its own errno, reported.
    CDiskFile clClosed;
    errno = 0;
    EXPECT_EQ(clClosed.bLock(0, 1), 0);
    EXPECT_EQ(errno, EBADF);
    EXPECT_EQ(clClosed.bUnlock(0, 1), 0);
    EXPECT_EQ(static_cast<uint32_t>(errno), LOCK_CONFLICT);
    EXPECT_EQ(clClosed.bUnlockFile(3, 4), 0);
    EXPECT_EQ(nFirstMessage(clClosed.pclGetXError()), 28146u);
    EXPECT_EQ(clClosed.bLockFileEx(1, 0), 0);
    EXPECT_EQ(nFirstMessage(clClosed.pclGetXError()), 28145u);
}

// ---------------------------------------------------------------------------------------------------------------
// Copies

class CVectorStream : public IXStream {
public:
    void Close() override {}
    eACCESS veGetAccess() const override { return eAccessWrite; }
    int bWrite(const void* pData, uint32_t nSize, uint32_t* pnWritten) override {
        m_s.append(static_cast<const char*>(pData), nSize);
        if (pnWritten != nullptr) *pnWritten = nSize;
        return !m_bFail;
    }
    std::string m_s;
    bool m_bFail = false;
};

TEST_F(DiskFileTest, ExtractToAStream) {
    std::string sData;
    for (int i = 0; i < 150000; i++) sData += char('a' + i % 23);
    WriteFile(sPath("f"), sData);
    struct Case {
        const char* pszName;
        int64_t oStart;
        int64_t oLength;
        size_t nExpected;
    };
    const Case aCases[] = {
        {"to the end", 10, -1, sData.size() - 10},
        {"across chunks, cut inside one", 10, 70000, 70000},
        {"more than the rest", 149990, 1000, 10},
        {"nothing", 5, 0, 0},
    };
    for (const Case& c : aCases) {
        CDiskFile cl;
        OpenRW(cl, wsPath(L"f"));
        ASSERT_EQ(cl.bSeek(c.oStart, S::eSeekBegin), 1);
        CVectorStream clOut;
        EXPECT_EQ(cl.bExtract(&clOut, c.oLength), 1) << c.pszName;
        EXPECT_EQ(clOut.m_s, sData.substr(static_cast<size_t>(c.oStart), c.nExpected)) << c.pszName;
        // What was read past the length was given back.
        if (c.oLength > 0 && c.nExpected == static_cast<size_t>(c.oLength)) {
            EXPECT_EQ(cl.oGetOffset(), c.oStart + c.oLength) << c.pszName;
        }
    }
    CDiskFile cl;
    OpenRW(cl, wsPath(L"f"));
    CVectorStream clFailing;
    clFailing.m_bFail = true;
    EXPECT_EQ(cl.bExtract(&clFailing, 100), 0);
}

TEST_F(DiskFileTest, ExtractToAndFromNamedFiles) {
    WriteFile(sPath("src"), "0123456789");
    CDiskFile cl;
    OpenRW(cl, wsPath(L"src"));
    EXPECT_EQ(cl.bExtract(wsPath(L"out").c_str(), 2, 5), 1);
    EXPECT_EQ(sReadFile(sPath("out")), "23456");

    // Appending from a named file.
    WriteFile(sPath("more"), "abcdef");
    EXPECT_EQ(cl.bExtractFromFile(wsPath(L"more").c_str(), 1, 3), 1);
    EXPECT_EQ(sReadFile(sPath("src")), "0123456789bcd");
    EXPECT_EQ(cl.bExtractFromFile(wsPath(L"missing").c_str(), 0, 3), 0);

    // A copy that fails leaves no destination behind.
    CDiskFile clWriteOnly;
    ASSERT_EQ(clWriteOnly.bOpen(wsPath(L"src").c_str(), S::eAccessWrite, S::eShareNone, S::eCreateOpenExisting,
                                S::eFlagNone, nullptr),
              1);
    EXPECT_EQ(clWriteOnly.bExtract(wsPath(L"failed").c_str(), 0, 5), 0);
    EXPECT_FALSE(bExists(sPath("failed")));

    // The static form: destination first; a missing source is created empty.
    EXPECT_EQ(CDiskFile::bExtract(wsPath(L"out2").c_str(), wsPath(L"more").c_str(), 4, -1), 1);
    EXPECT_EQ(sReadFile(sPath("out2")), "ef");
    EXPECT_EQ(CDiskFile::bExtract(wsPath(L"out3").c_str(), wsPath(L"newsrc").c_str(), 0, -1), 1);
    EXPECT_TRUE(bExists(sPath("newsrc")));
    EXPECT_EQ(sReadFile(sPath("out3")), "");
}

TEST_F(DiskFileTest, Concat) {
    std::string sBig(140000, 'q');
    WriteFile(sPath("dst"), "head-");
    WriteFile(sPath("src"), sBig);
    EXPECT_EQ(CDiskFile::bConcat(wsPath(L"dst").c_str(), wsPath(L"src").c_str()), 1);
    EXPECT_EQ(sReadFile(sPath("dst")), "head-" + sBig);
    EXPECT_EQ(sReadFile(sPath("src")), sBig);
    // Both are created when missing.
    EXPECT_EQ(CDiskFile::bConcat(wsPath(L"d2").c_str(), wsPath(L"s2").c_str()), 1);
    EXPECT_TRUE(bExists(sPath("d2")));
    EXPECT_TRUE(bExists(sPath("s2")));
    // A destination that takes no data fails the call.
    if (access("/dev/full", W_OK) == 0) {
        EXPECT_EQ(CDiskFile::bConcat(L"/dev/full", wsPath(L"src").c_str()), 0);
    }
}

TEST_F(DiskFileTest, LoadWholeFile) {
    WriteFile(sPath("f"), std::string("a\0b\xff", 4));
    WriteFile(sPath("empty"), "");
    {
        CVQBIN clBuffer;
        EXPECT_EQ(CDiskFile::bChargeFichier(clBuffer, wsPath(L"f").c_str()), 1);
        ASSERT_EQ(clBuffer.nGetTaille(), 4);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(clBuffer.pbyGet()), 4), std::string("a\0b\xff", 4));
        EXPECT_EQ(CDiskFile::bChargeFichier(clBuffer, wsPath(L"empty").c_str()), 1);
        EXPECT_EQ(clBuffer.nGetTaille(), 0);

        CXError clErr(&gstMyModuleInfo39);
        EXPECT_EQ(CDiskFile::bChargeFichier(clBuffer, wsPath(L"missing").c_str(), &clErr), 0);
        EXPECT_EQ(clErr.eGetErrorLevel(), 3u);
        EXPECT_EQ(clErr.dwGetSystemErrorCode(), static_cast<uint32_t>(ENOENT));
        EXPECT_EQ(nFirstMessage(&clErr), 28139u);
        EXPECT_EQ(wsSourceFile(&clErr), wsPath(L"missing"));
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Line reader of wide text

TEST_F(DiskFileTest, ReadLineOfWideText) {
    struct Case {
        const char* pszName;
        std::wstring wsData;
        const wchar_t* pszSeparator;
        std::vector<std::wstring> asLines;
    };
    std::wstring ws16383(16383, L'x');
    const Case aCases[] = {
        {"CR, CR LF and LF", L"ab\r\ncd\ref\ngh", nullptr, {L"ab", L"cd", L"ef", L"gh"}},
        {"CR wins over an earlier LF", L"a\nb\rc", nullptr, {L"a\nb", L"c"}},
        {"separator string", L"a||b||c", L"||", {L"a", L"b", L"c"}},
        {"final separator", L"a||", L"||", {L"a"}},
        {"final CR", L"xy\r", nullptr, {L"xy"}},
        // Lines across the reader's blocks of 16,384 characters.
        {"CR LF across blocks", ws16383 + L"\r\ntail", nullptr, {ws16383, L"tail"}},
        {"separator across blocks", ws16383 + L"||z", L"||", {ws16383, L"z"}},
        {"long line", std::wstring(40000, L'l') + L"\n2", nullptr, {std::wstring(40000, L'l'), L"2"}},
        {"empty file", L"", nullptr, {}},
    };
    int i = 0;
    for (const Case& c : aCases) {
        std::string sFile = sPath(std::string("t").append(std::to_string(i++)));
        WriteFile(sFile, sWide(c.wsData));
        CDiskFile cl;
        OpenRW(cl, std::wstring(sFile.begin(), sFile.end()));
        std::vector<wchar_t> aBuffer(50000);
        for (size_t n = 0; n < c.asLines.size(); n++) {
            CTString clOverflow;
            const wchar_t* pszLine = cl.pszReadLine(aBuffer.data(), 50000, &clOverflow, c.pszSeparator);
            EXPECT_EQ(wsText(pszLine), c.asLines[n]) << c.pszName << " line " << n;
        }
        EXPECT_EQ(cl.pszReadLine(aBuffer.data(), 50000, nullptr, c.pszSeparator), nullptr) << c.pszName;
    }
}

TEST_F(DiskFileTest, ReadLineOverflow) {
    WriteFile(sPath("f"), sWide(L"abcdefgh\nij\nklmnopqrs\n"));
    CDiskFile cl;
    OpenRW(cl, wsPath(L"f"));
    wchar_t szBuffer[4];
    CTString clOverflow;
    const wchar_t* pszLine = cl.pszReadLine(szBuffer, 4, &clOverflow, nullptr);
    EXPECT_EQ(wsText(pszLine), L"abcdefgh");
    EXPECT_EQ(pszLine, clOverflow.pszGet());
    pszLine = cl.pszReadLine(szBuffer, 4, &clOverflow, nullptr);
    EXPECT_EQ(pszLine, szBuffer);
    EXPECT_EQ(wsText(pszLine), L"ij");
    // Without an overflow string the buffer keeps what fits; the line is still consumed.
    pszLine = cl.pszReadLine(szBuffer, 4, nullptr, nullptr);
    EXPECT_EQ(wsText(pszLine), L"klm");
    EXPECT_EQ(cl.pszReadLine(szBuffer, 4, nullptr, nullptr), nullptr);
}

}  // namespace
