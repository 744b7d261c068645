// CFileTestDir: a test fixture that gives every test of the file facade and the typed files a fresh
// temporary directory, removed afterwards, with helpers that name a file in it and write or read its
// bytes directly, beside the classes under test.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

class CFileTestDir : public ::testing::Test {
protected:
    void SetUp() override {
        char szTemplate[] = "/tmp/kxfileXXXXXX";
        ASSERT_NE(mkdtemp(szTemplate), nullptr);
        m_sDir = szTemplate;
    }
    void TearDown() override {
        if (!m_sDir.empty()) std::filesystem::remove_all(m_sDir);
    }

    std::wstring Path(const char* pszName) const {
        std::string s = m_sDir + "/" + pszName;
        return std::wstring(s.begin(), s.end());
    }
    void Write(const std::wstring& sName, const std::vector<unsigned char>& aby) const {
        FILE* pFile = fopen(std::string(sName.begin(), sName.end()).c_str(), "wb");
        ASSERT_NE(pFile, nullptr);
        if (!aby.empty()) {
            EXPECT_EQ(fwrite(aby.data(), 1, aby.size(), pFile), aby.size());
        }
        fclose(pFile);
    }
    // The file's bytes; empty when it cannot be opened.
    std::vector<unsigned char> Read(const std::wstring& sName) const {
        std::vector<unsigned char> aby;
        FILE* pFile = fopen(std::string(sName.begin(), sName.end()).c_str(), "rb");
        if (pFile == nullptr) return aby;
        int c;
        while ((c = fgetc(pFile)) != EOF) aby.push_back(static_cast<unsigned char>(c));
        fclose(pFile);
        return aby;
    }

    std::string m_sDir;
};
