// Helpers of the disk-file tests: a temporary directory made with mkdtemp and removed afterwards,
// plain file access that bypasses the library, reading what a failure report holds, and running a
// piece of code in a second process (record locks only conflict between processes).
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/XError.h"

class CTempDirTest : public testing::Test {
protected:
    void SetUp() override {
        char szTemplate[] = "/tmp/kxdiskfileXXXXXX";
        ASSERT_NE(mkdtemp(szTemplate), nullptr);
        m_sDir = szTemplate;
        m_wsDir = std::wstring(m_sDir.begin(), m_sDir.end());
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(m_sDir, ec);
    }

    // Paths inside the temporary directory, 8-bit (ASCII names) and wide.
    std::string sPath(const std::string& sName) const { return m_sDir + "/" + sName; }
    std::wstring wsPath(const std::wstring& sName) const { return m_wsDir + L"/" + sName; }

    static void WriteFile(const std::string& sPath, const std::string& sData) {
        std::ofstream os(sPath, std::ios::binary | std::ios::trunc);
        os.write(sData.data(), static_cast<std::streamsize>(sData.size()));
    }
    static std::string sReadFile(const std::string& sPath) {
        std::ifstream is(sPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(is), std::istreambuf_iterator<char>());
    }
    static bool bExists(const std::string& sPath) {
        struct stat st;
        return lstat(sPath.c_str(), &st) == 0;
    }

    std::string m_sDir;
    std::wstring m_wsDir;
};

// The failure report's source-file item, or "<none>".
inline std::wstring wsSourceFile(const CXError* pclErr) {
    const void* pValue = nullptr;
    if (!pclErr->bGetInfo(CXError::EIT_SRCFILE, &pValue) || pValue == nullptr) return L"<none>";
    return static_cast<const wchar_t*>(pValue);
}

// The first user message id of a report, 0 for none.
inline uint32_t nFirstMessage(const CXError* pclErr) {
    return pclErr->nNumErrorId() > 0 ? pclErr->nGetErrorId(0) : 0;
}

// Runs fn in a forked child and answers its result (0-255), or -1 when the child did not exit.
template <typename F>
int nInChild(F fn) {
    pid_t nPid = fork();
    if (nPid == 0) _exit(fn() & 0xFF);
    int nStatus = 0;
    if (nPid < 0 || waitpid(nPid, &nStatus, 0) != nPid || !WIFEXITED(nStatus)) return -1;
    return WEXITSTATUS(nStatus);
}
