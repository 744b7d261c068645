// Temporary directories for the tests that touch the disk: CTempDir makes a fresh directory under
// /tmp with mkdtemp and removes it with everything in it when it goes; CTempDirTest gives each test
// of a fixture its own, with helpers that name a file in it and write, read or test the file
// directly, bypassing the library under test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <system_error>
#include <vector>

class CTempDir {
public:
    // pszPrefix names the directory (/tmp/<prefix>XXXXXX) so that one left behind tells whose it is.
    explicit CTempDir(const char* pszPrefix = "kxtest") {
        std::string sTemplate = std::string("/tmp/") + pszPrefix + "XXXXXX";
        std::vector<char> aTemplate(sTemplate.begin(), sTemplate.end());
        aTemplate.push_back('\0');
        if (mkdtemp(aTemplate.data()) != nullptr) m_sPath = aTemplate.data();
    }
    ~CTempDir() { Remove(); }
    CTempDir(const CTempDir&) = delete;
    CTempDir& operator=(const CTempDir&) = delete;

    // FALSE when mkdtemp failed: the path is then empty.
    bool bMade() const { return !m_sPath.empty(); }
    const std::string& sPath() const { return m_sPath; }
    std::wstring wsPath() const { return std::wstring(m_sPath.begin(), m_sPath.end()); }

    // Removes the directory and all it holds now rather than at the end of the object.
    void Remove() {
        if (m_sPath.empty()) return;
        std::error_code ec;
        std::filesystem::remove_all(m_sPath, ec);
        m_sPath.clear();
    }

private:
    std::string m_sPath;
};

class CTempDirTest : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_clTempDir.bMade());
        m_sDir = m_clTempDir.sPath();
        m_wsDir = m_clTempDir.wsPath();
    }
    void TearDown() override { m_clTempDir.Remove(); }

    // Paths inside the temporary directory, 8-bit (ASCII names) and wide.
    std::string sPath(const std::string& sName) const { return m_sDir + "/" + sName; }
    std::wstring wsPath(const std::wstring& sName) const { return m_wsDir + L"/" + sName; }

    // Writes (creates or truncates) a file; FALSE when it could not be written whole.
    static bool WriteFile(const std::string& sPath, const std::string& sData) {
        std::ofstream os(sPath, std::ios::binary | std::ios::trunc);
        os.write(sData.data(), static_cast<std::streamsize>(sData.size()));
        return os.good();
    }
    // The file's bytes; empty when it cannot be opened.
    static std::string sReadFile(const std::string& sPath) {
        std::ifstream is(sPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(is), std::istreambuf_iterator<char>());
    }
    static bool bExists(const std::string& sPath) {
        struct stat st;
        return lstat(sPath.c_str(), &st) == 0;
    }

    // The same for the typed-file tests, which name files wide (ASCII names) and hold byte vectors.
    std::wstring Path(const char* pszName) const { return wsPath(std::wstring(pszName, pszName + strlen(pszName))); }
    static void Write(const std::wstring& sName, const std::vector<unsigned char>& aby) {
        ASSERT_TRUE(WriteFile(std::string(sName.begin(), sName.end()), std::string(aby.begin(), aby.end())));
    }
    static std::vector<unsigned char> Read(const std::wstring& sName) {
        std::string s = sReadFile(std::string(sName.begin(), sName.end()));
        return std::vector<unsigned char>(s.begin(), s.end());
    }

    CTempDir m_clTempDir;
    std::string m_sDir;
    std::wstring m_wsDir;
};
