// Profile files: the reader's rules on a table of files, each read through the wide and the 8-bit
// interface from a code page 1252 file and from the same text in UTF-16; the writer's edits checked on
// the bytes of the file (new file, new section, new, replaced and deleted keys, deleted sections,
// files without a last line end, UTF-16 files) and read back; the name rules; and the exported
// character and line readers. Every file lives in a temporary directory, never in the real home.
#include "platform/WinProfile.h"

#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/host/TempDir.h"
#include "tests/platform/FileOfBytes.h"

namespace {

// ---- Helpers ----

std::string sReadBytes(const std::string& sPath) {
    std::ifstream f(sPath, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void WriteBytes(const std::string& sPath, const std::string& s) {
    std::ofstream f(sPath, std::ios::binary | std::ios::trunc);
    f << s;
}

// Code page 1252 text (bytes below 256 only) as wide text, and back.
std::wstring sWideOf1252(const std::string& s) {
    std::wstring w;
    for (unsigned char c : s) w += static_cast<wchar_t>(c == 0x80 ? 0x20AC : c);
    return w;
}

// A text of characters below 0x100 in UTF-16 little-endian with the byte-order mark.
std::string sUTF16OfLatin1(const std::string& s) {
    std::string sOut = "\xFF\xFE";
    for (unsigned char c : s) {
        sOut += static_cast<char>(c);
        sOut += '\0';
    }
    return sOut;
}

std::wstring sWide(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}

std::string sPasswordHome() {
    struct passwd* p = getpwuid(getuid());
    return p != nullptr ? p->pw_dir : "";
}

class WinProfileTest : public CTempDirTest {
protected:
    void SetUp() override {
        CTempDirTest::SetUp();
        m_sFile = m_sDir + "/test.ini";
        m_wsFile = sWide(m_sFile);
    }

    std::string m_sFile;
    std::wstring m_wsFile;
};

// ---- Reading ----

struct ReadCase {
    const char* pszName;
    const char* pszText;     // file content in code page 1252
    const char* pszSection;  // null: list the sections
    const char* pszKey;      // null: list the keys
    const char* pszDefault;
    unsigned nSize;
    const char* pszExpected;
    unsigned nExpected;
};

const ReadCase g_tabReadCases[] = {
    {"indented section, case", "  [Base]\nPort = 5432\n", "base", "PORT", "0", 10, "5432", 4},
    {"no blanks", "[Base]\nPort=5432\n", "Base", "Port", "0", 10, "5432", 4},
    {"tab before =", "[Base]\nPort\t= 5432\n", "Base", "Port", "0", 10, "5432", 4},
    {"indented key", "[Base]\n   Port = 5432\n", "Base", "Port", "0", 10, "5432", 4},
    {"longer key is another", "[Base]\nPortable=1\n", "Base", "Port", "0", 10, "0", 1},
    {"= in the value", "[Base]\nkey = a=b\n", "Base", "key", "", 10, "a=b", 3},
    {"CRLF line ends", "[Base]\r\nPort = 5432\r\nX = 1\r\n", "Base", "Port", "", 10, "5432", 4},
    {"blanks before the value go, after it stay", "[Base]\nk =\t  v  \n", "Base", "k", "", 10, "v  ", 3},
    {"cut to the size", "[Base]\nPort = 5432\n", "Base", "Port", "0", 3, "54", 2},
    {"empty value, default ignored", "[Base]\nPort =\n", "Base", "Port", "dflt", 10, "", 0},
    {"empty value with CR", "[Base]\r\nPort =\r\n", "Base", "Port", "dflt", 10, "", 0},
    {"first of two", "[Base]\nPort = 1\nPort = 2\n", "Base", "Port", "", 10, "1", 1},
    {"key of the next section", "[A]\nx = 1\n[Base]\nPort = 7\n[C]\nPort = 9\n", "Base", "Port", "", 10, "7", 1},
    {"section ends at the next header", "[Base]\n[Other]\nPort = 1\n", "Base", "Port", "d", 10, "d", 1},
    {"section name exactly as long", "[BaseX]\nPort = 1\n[Base]\nPort = 2\n", "Base", "Port", "", 10, "2", 1},
    {"no separator", "[Base]\nPort 5432\nPort: 1\n", "Base", "Port", "d", 10, "d", 1},
    {"colon comment skipped", "[Base]\n: Port = 1\nPort = 2\n", "Base", "Port", "", 10, "2", 1},
    {"missing section", "[Other]\nPort = 1\n", "Base", "Port", "def", 10, "def", 3},
    {"default cut", "[Other]\n", "Base", "Port", "defaultvalue", 5, "defa", 4},
    {"no default", "[Other]\n", "Base", "Port", nullptr, 10, "", 0},
    {"list keys", "[Base]\nA = 1\nB = 2\n[C]\nD = 3\n", "Base", nullptr, "", 64, "A\r\nB\r\n", 6},
    {"list keys: comments", "[Base]\n: comment = x\n; comment = x\n\nnoequal\nA\t= 1\n", "Base", nullptr, "", 64,
     "; comment\r\nA\r\n", 14},
    {"list keys: empty key", "[Base]\nA = 1\n", "Base", "", "", 64, "A\r\n", 3},
    {"list keys cut", "[Base]\nAlpha = 1\nBeta = 2\n", "Base", nullptr, "", 9, "Alpha\r\nB", 8},
    {"list keys stops when full", "[Base]\nAlpha = 1\nBeta = 2\n", "Base", nullptr, "", 8, "Alpha\r\n", 7},
    {"list keys of an empty section", "[Base]\n[C]\n", "Base", nullptr, "d", 64, "d", 1},
    {"list sections", "[Alpha]\nx = 1\n  [Beta] trailing\n[Gamma\n[]\n", nullptr, "x", "", 64, "Alpha\r\nBeta\r\n\r\n",
     15},
    {"list sections, empty name", "[Alpha]\n", "", nullptr, "", 64, "Alpha\r\n", 7},
    {"list sections cut", "[Alpha]\n[Beta]\n", nullptr, nullptr, "", 6, "Alpha", 5},
    {"configuration file: comments, blank lines, CRLF",
     "# Tolvek\r\n; server settings\r\n\r\n[DEFAULT]\r\n# BINPATH = /old\r\n\r\nLANG = fr\r\n"
     "BINPATH = /opt/tolvek/bin/\r\n[OTHER]\r\nBINPATH = /x\r\n",
     "DEFAULT", "BINPATH", "", 80, "/opt/tolvek/bin/", 16},
    {"configuration file: indented, other case, tab", "  [default]\r\nbinpath\t= /opt/t\r\n", "DEFAULT", "BINPATH", "",
     80, "/opt/t", 6},
    {"configuration file: key missing", "[DEFAULT]\r\nLANG = fr\r\n[OTHER]\r\nBINPATH = /x\r\n", "DEFAULT", "BINPATH",
     "", 80, "", 0},
    {"configuration file: key empty", "[DEFAULT]\r\nBINPATH = \r\n", "DEFAULT", "BINPATH", "", 80, "", 0},
    {"accented names and values",
     "[Donn\xE9"
     "es]\n\xE9t\xE9 = \x80 caf\xE9\n",
     "Donn\xE9"
     "es",
     "\xE9t\xE9", "", 16, "\x80 caf\xE9", 6},
};

// Reads one case through the wide interface; the text in code page 1252 form.
std::string sReadWide(const ReadCase& c, const std::wstring& wsFile, unsigned* pnResult) {
    const std::wstring sSection = c.pszSection ? sWideOf1252(c.pszSection) : L"";
    const std::wstring sKey = c.pszKey ? sWideOf1252(c.pszKey) : L"";
    const std::wstring sDefault = c.pszDefault ? sWideOf1252(c.pszDefault) : L"";
    wchar_t sz[80];
    wmemset(sz, L'#', 80);
    *pnResult = GetPrivateProfileStringW(c.pszSection ? sSection.c_str() : nullptr, c.pszKey ? sKey.c_str() : nullptr,
                                         c.pszDefault ? sDefault.c_str() : nullptr, sz, c.nSize, wsFile.c_str());
    std::string s;
    for (const wchar_t* p = sz; *p != 0; p++) s += static_cast<char>(*p == 0x20AC ? 0x80 : *p);
    return s;
}

std::string sReadNarrow(const ReadCase& c, const std::string& sFile, unsigned* pnResult) {
    char sz[80];
    memset(sz, '#', sizeof(sz));
    *pnResult = GetPrivateProfileStringA(c.pszSection, c.pszKey, c.pszDefault, sz, c.nSize, sFile.c_str());
    return sz;
}

TEST_F(WinProfileTest, ReadRulesOnBothEncodingsAndWidths) {
    for (const ReadCase& c : g_tabReadCases) {
        for (bool bUTF16 : {false, true}) {
            std::string sText = c.pszText;
            if (bUTF16) {
                // The UTF-16 file holds the same characters (0x80 is the euro sign).
                std::string s;
                for (unsigned char ch : sText) {
                    const unsigned n = ch == 0x80 ? 0x20AC : ch;
                    s += static_cast<char>(n & 0xFF);
                    s += static_cast<char>(n >> 8);
                }
                sText = "\xFF\xFE" + s;
            }
            WriteBytes(m_sFile, sText);
            const std::string sWhere = std::string(c.pszName) + (bUTF16 ? " (UTF-16)" : " (1252)");
            unsigned nResult;
            EXPECT_EQ(sReadWide(c, m_wsFile, &nResult), c.pszExpected) << sWhere << " wide";
            EXPECT_EQ(nResult, c.nExpected) << sWhere << " wide";
            EXPECT_EQ(sReadNarrow(c, m_sFile, &nResult), c.pszExpected) << sWhere << " 8-bit";
            EXPECT_EQ(nResult, c.nExpected) << sWhere << " 8-bit";
        }
    }
}

TEST_F(WinProfileTest, MissingFileGivesTheDefault) {
    const std::wstring sMissing = sWide(m_sDir + "/none.ini");
    wchar_t sz[16];
    wmemset(sz, L'#', 16);
    EXPECT_EQ(GetPrivateProfileStringW(L"A", L"B", L"dflt", sz, 16, sMissing.c_str()), 4u);
    EXPECT_EQ(std::wstring(sz), L"dflt");
    EXPECT_EQ(GetPrivateProfileStringW(L"A", L"B", nullptr, sz, 16, sMissing.c_str()), 0u);
    EXPECT_EQ(std::wstring(sz), L"");
    // No room at all: nothing is written.
    sz[0] = L'#';
    EXPECT_EQ(GetPrivateProfileStringW(L"A", L"B", L"dflt", sz, 0, sMissing.c_str()), 0u);
    EXPECT_EQ(sz[0], L'#');
    char szA[16];
    EXPECT_EQ(GetPrivateProfileStringA("A", "B", "dflt", szA, 16, (m_sDir + "/none.ini").c_str()), 4u);
    EXPECT_STREQ(szA, "dflt");
    szA[0] = '#';
    EXPECT_EQ(GetPrivateProfileStringA("A", "B", "dflt", szA, 0, (m_sDir + "/none.ini").c_str()), 0u);
    EXPECT_EQ(szA[0], '#');
    EXPECT_EQ(GetPrivateProfileStringA("A", "B", "dflt", szA, 16, "/no/such/dir/x.ini"), 4u);
}

TEST_F(WinProfileTest, ReadingALargeBufferUsesTheHeap) {
    // A value longer than the stack work area of the 8-bit path.
    const std::string sValue(3000, 'v');
    WriteBytes(m_sFile, "[S]\nk = " + sValue + "\n");
    std::wstring sBuffer(4000, L'#');
    EXPECT_EQ(GetPrivateProfileStringW(L"S", L"k", L"", sBuffer.data(), 4000, m_wsFile.c_str()), 3000u);
    EXPECT_EQ(std::wstring(sBuffer.c_str()), sWide(sValue));
}

TEST_F(WinProfileTest, IntegerValues) {
    WriteBytes(m_sFile, "[Base]\nPort = 5432\nNeg = -12abc\nEmpty =\nText = abc\n");
    struct Case {
        const wchar_t* pszKey;
        int nExpected;
    };
    const Case tabCases[] = {{L"Port", 5432}, {L"Neg", -12}, {L"Empty", 0}, {L"Text", 0}, {L"Missing", 77}};
    for (const Case& c : tabCases)
        EXPECT_EQ(GetPrivateProfileInt(L"Base", c.pszKey, 77, m_wsFile.c_str()), c.nExpected);
    EXPECT_EQ(GetPrivateProfileInt(L"Base", L"Port", 77, sWide(m_sDir + "/none.ini").c_str()), 77);
}

// ---- Writing ----

struct WriteCase {
    const char* pszName;
    const char* pszBefore;  // null: no file
    const char* pszSection;
    const char* pszKey;
    const char* pszValue;
    const char* pszAfter;
};

const WriteCase g_tabWriteCases[] = {
    {"new file", nullptr, "Base", "Port", "1", "[Base]\nPort = 1\n"},
    {"new file, delete", nullptr, "Base", nullptr, nullptr, ""},
    {"new section at the end", "[A]\nx = 1\n", "Base", "Port", "1", "[A]\nx = 1\n[Base]\nPort = 1\n"},
    {"new section after a last line without LF", "[A]\nx = 1", "Base", "Port", "1", "[A]\nx = 1\n[Base]\nPort = 1\n"},
    {"deleting in a missing section", "[A]\nx = 1\n", "Base", "Port", nullptr, "[A]\nx = 1\n"},
    {"deleting a missing section", "[A]\nx = 1\n", "Base", nullptr, nullptr, "[A]\nx = 1\n"},
    {"new key at the end of the section", "[Base]\na = 1\n[C]\nc = 3\n", "Base", "Port", "1",
     "[Base]\na = 1\nPort = 1\n[C]\nc = 3\n"},
    {"new key before the empty line", "[Base]\na = 1\n\n[C]\n", "Base", "Port", "1",
     "[Base]\na = 1\nPort = 1\n\n[C]\n"},
    {"new key in the last section", "[Base]\na = 1\n", "Base", "Port", "1", "[Base]\na = 1\nPort = 1\n"},
    {"new key after a last line without LF", "[Base]\na = 1", "Base", "Port", "1", "[Base]\na = 1\nPort = 1\n"},
    {"new key in an empty last section without LF", "[Base]", "Base", "Port", "1", "[Base]\nPort = 1\n"},
    {"replace, longer", "[Base]\nPort = 1\nx = 2\n[C]\n", "Base", "Port", "54321",
     "[Base]\nPort = 54321\nx = 2\n[C]\n"},
    {"replace, shorter", "[Base]\nPort = 54321\nx = 2\n", "Base", "Port", "1", "[Base]\nPort = 1\nx = 2\n"},
    {"replace, empty value", "[Base]\nPort = 1\n", "Base", "Port", "", "[Base]\nPort = \n"},
    {"replace a CRLF line", "[Base]\r\nPort = 1\r\nx = 2\r\n", "Base", "Port", "2", "[Base]\r\nPort = 2\nx = 2\r\n"},
    {"replace the last line without LF", "[Base]\nPort = 1", "Base", "Port", "22", "[Base]\nPort = 22"},
    {"replace in the right section", "[A]\nPort = 1\n[Base]\nPort = 2\n", "Base", "Port", "3",
     "[A]\nPort = 1\n[Base]\nPort = 3\n"},
    {"replace a key written in another case", "[Base]\nport = 1\n", "Base", "Port", "2", "[Base]\nPort = 2\n"},
    {"replace in an indented section", "  [base]\n  Port=1\n", "Base", "Port", "2", "  [base]\nPort = 2\n"},
    {"replace past an empty line", "[Base]\na = 1\n\nPort = 1\n", "Base", "Port", "2", "[Base]\na = 1\n\nPort = 2\n"},
    {"longer key is another", "[Base]\nPortable = 1\n", "Base", "Port", "2", "[Base]\nPortable = 1\nPort = 2\n"},
    {"colon comment is not the key", "[Base]\n:Port = 1\n", "Base", ":Port", "2", "[Base]\n:Port = 1\n:Port = 2\n"},
    {"delete a key", "[Base]\na = 1\nPort = 1\nb = 2\n", "Base", "Port", nullptr, "[Base]\na = 1\nb = 2\n"},
    {"delete a missing key", "[Base]\na = 1\n", "Base", "Port", nullptr, "[Base]\na = 1\n"},
    {"delete a section", "[A]\nx = 1\n[Base]\na = 1\n\nb = 2\n[C]\nc = 3\n", "Base", nullptr, nullptr,
     "[A]\nx = 1\n[C]\nc = 3\n"},
    {"delete the last section", "[A]\nx = 1\n[Base]\na = 1\n", "Base", nullptr, "ignored", "[A]\nx = 1\n"},
    {"accented text in 1252", "[Base]\n",
     "Donn\xE9"
     "es",
     "\xE9t\xE9", "\x80",
     "[Base]\n[Donn\xE9"
     "es]\n\xE9t\xE9 = \x80\n"},
};

class WinProfileWriteTest : public WinProfileTest {
protected:
    // Makes the case's write through the wide or the 8-bit interface.
    int bWriteCase(const WriteCase& c, bool bWide) const {
        if (!bWide) return WritePrivateProfileStringA(c.pszSection, c.pszKey, c.pszValue, m_sFile.c_str());
        const std::wstring sSection = sWideOf1252(c.pszSection);
        const std::wstring sKey = c.pszKey ? sWideOf1252(c.pszKey) : L"";
        const std::wstring sValue = c.pszValue ? sWideOf1252(c.pszValue) : L"";
        return WritePrivateProfileStringW(sSection.c_str(), c.pszKey ? sKey.c_str() : nullptr,
                                          c.pszValue ? sValue.c_str() : nullptr, m_wsFile.c_str());
    }
};

TEST_F(WinProfileWriteTest, WriteEditsOnCodePage1252Files) {
    for (const WriteCase& c : g_tabWriteCases) {
        for (bool bWide : {true, false}) {
            unlink(m_sFile.c_str());
            if (c.pszBefore != nullptr) WriteBytes(m_sFile, c.pszBefore);
            const int bResult = bWriteCase(c, bWide);
            const char* pszWidth = bWide ? " wide" : " 8-bit";
            EXPECT_EQ(bResult, 1) << c.pszName << pszWidth;
            EXPECT_EQ(sReadBytes(m_sFile), c.pszAfter) << c.pszName << pszWidth;
        }
    }
}

TEST_F(WinProfileWriteTest, WriteEditsOnUTF16Files) {
    // The same edits on UTF-16 files (the cases whose text is below 0x80 or Latin-1): the mark stays
    // and every new character is one 16-bit unit.
    for (const WriteCase& c : g_tabWriteCases) {
        if (c.pszBefore == nullptr || strchr(c.pszValue ? c.pszValue : "", '\x80') != nullptr) continue;
        for (bool bWide : {true, false}) {
            WriteBytes(m_sFile, sUTF16OfLatin1(c.pszBefore));
            const int bResult = bWriteCase(c, bWide);
            const char* pszWidth = bWide ? " wide" : " 8-bit";
            EXPECT_EQ(bResult, 1) << c.pszName << pszWidth;
            EXPECT_EQ(sReadBytes(m_sFile), sUTF16OfLatin1(c.pszAfter)) << c.pszName << pszWidth;
        }
    }
    // Characters beyond code page 1252 keep their value.
    WriteBytes(m_sFile, "\xFF\xFE");
    ASSERT_EQ(WritePrivateProfileStringW(L"\u0391", L"\u20AC", L"\u4E2D", m_wsFile.c_str()), 1);
    EXPECT_EQ(sReadBytes(m_sFile), std::string("\xFF\xFE[\0\x91\x03]\0\n\0\xAC\x20 \0=\0 \0\x2D\x4E\n\0", 22));
    wchar_t sz[8];
    EXPECT_EQ(GetPrivateProfileStringW(L"\u0391", L"\u20AC", L"", sz, 8, m_wsFile.c_str()), 1u);
    EXPECT_EQ(std::wstring(sz), L"\u4E2D");
}

TEST_F(WinProfileTest, WrittenValuesReadBack) {
    // A sequence of edits, read back after each through the reader.
    ASSERT_EQ(WritePrivateProfileStringW(L"Base", L"Port", L"5432", m_wsFile.c_str()), 1);
    ASSERT_EQ(WritePrivateProfileStringW(L"Base", L"Host", L"localhost", m_wsFile.c_str()), 1);
    ASSERT_EQ(WritePrivateProfileStringW(L"Other", L"Port", L"1", m_wsFile.c_str()), 1);
    ASSERT_EQ(WritePrivateProfileStringW(L"BASE", L"PORT", L"6543", m_wsFile.c_str()), 1);
    wchar_t sz[64];
    EXPECT_EQ(GetPrivateProfileStringW(L"Base", L"Port", L"", sz, 64, m_wsFile.c_str()), 4u);
    EXPECT_EQ(std::wstring(sz), L"6543");
    EXPECT_EQ(GetPrivateProfileStringW(L"Base", nullptr, L"", sz, 64, m_wsFile.c_str()), 12u);
    EXPECT_EQ(std::wstring(sz), L"PORT\r\nHost\r\n");
    EXPECT_EQ(GetPrivateProfileStringW(nullptr, nullptr, L"", sz, 64, m_wsFile.c_str()), 13u);
    EXPECT_EQ(std::wstring(sz), L"Base\r\nOther\r\n");
    ASSERT_EQ(WritePrivateProfileStringW(L"Base", nullptr, nullptr, m_wsFile.c_str()), 1);
    EXPECT_EQ(GetPrivateProfileStringW(L"Base", L"Port", L"gone", sz, 64, m_wsFile.c_str()), 4u);
    EXPECT_EQ(std::wstring(sz), L"gone");
    EXPECT_EQ(GetPrivateProfileInt(L"Other", L"Port", 0, m_wsFile.c_str()), 1);
    EXPECT_EQ(sReadBytes(m_sFile), "[Other]\nPort = 1\n");
}

TEST_F(WinProfileTest, WriteFailures) {
    EXPECT_EQ(WritePrivateProfileStringW(L"S", L"k", L"v", L"/no/such/dir/x.ini"), 0);
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "v", "/no/such/dir/x.ini"), 0);
    // A section is needed; the file is not created without one.
    EXPECT_EQ(WritePrivateProfileStringW(nullptr, L"k", L"v", m_wsFile.c_str()), 0);
    EXPECT_EQ(WritePrivateProfileStringA("", "k", "v", m_sFile.c_str()), 0);
    EXPECT_NE(access(m_sFile.c_str(), F_OK), 0);
    // A directory cannot be edited.
    EXPECT_EQ(WritePrivateProfileStringW(L"S", L"k", L"v", sWide(m_sDir).c_str()), 0);
}

// ---- File names ----

TEST(WinProfileName, SettingsFileAndBareNamesLieInThePasswordHome) {
    const std::string sHome = sPasswordHome();
    ASSERT_FALSE(sHome.empty());
    const std::string sPrefix = sHome.back() == '/' ? sHome : sHome + "/";
    wchar_t szPath[KX_PROFILE_NAME_SIZE];
    ASSERT_EQ(bGetORLCONFPath(szPath), 1);
    EXPECT_EQ(std::wstring(szPath), sWide(sPrefix + ".ORL.conf"));

    // Not $HOME: the password entry.
    const char* pszOldHome = getenv("HOME");
    const std::string sOldHome = pszOldHome ? pszOldHome : "";
    setenv("HOME", "/somewhere/else", 1);
    struct Case {
        const wchar_t* pszFile;
        std::wstring sExpected;
    };
    const Case tabCases[] = {
        {L"app.ini", sWide(sPrefix + "app.ini")}, {nullptr, sWide(sPrefix + ".ORL.conf")},
        {L"", sWide(sPrefix + ".ORL.conf")},      {L"C:\\dir\\app.ini", L"C:/dir/app.ini"},
        {L"dir\\app.ini", L"dir/app.ini"},  // a backslash: taken as it is, not in the home
        {L"/etc/app.ini", L"/etc/app.ini"},       {L"./app.ini", L"./app.ini"},
    };
    for (const Case& c : tabCases) {
        wchar_t sz[KX_PROFILE_NAME_SIZE];
        EXPECT_EQ(__PrivateProfilePatchName(c.pszFile, sz, KX_PROFILE_NAME_SIZE), 1);
        EXPECT_EQ(std::wstring(sz), c.sExpected) << (c.pszFile ? c.pszFile : L"(null)");
        char szA[KX_PROFILE_NAME_SIZE];
        const std::string sFileA = c.pszFile ? std::string(c.pszFile, c.pszFile + wcslen(c.pszFile)) : "";
        EXPECT_EQ(__PrivateProfilePatchName(c.pszFile ? sFileA.c_str() : nullptr, szA, KX_PROFILE_NAME_SIZE), 1);
        EXPECT_EQ(sWide(szA), c.sExpected);
    }
    if (pszOldHome != nullptr)
        setenv("HOME", sOldHome.c_str(), 1);
    else
        unsetenv("HOME");

    // Names longer than the buffer are refused (a cut name would be another file's); the longest
    // that fits is kept whole.
    for (size_t nLength : {size_t(259), size_t(260), size_t(261), size_t(400)}) {
        SCOPED_TRACE(nLength);
        const std::wstring sName = L"/" + std::wstring(nLength - 1, L'x');
        const bool bFits = nLength < KX_PROFILE_NAME_SIZE;
        wchar_t sz[KX_PROFILE_NAME_SIZE];
        EXPECT_EQ(__PrivateProfilePatchName(sName.c_str(), sz, KX_PROFILE_NAME_SIZE), bFits ? 1 : 0);
        EXPECT_EQ(std::wstring(sz), bFits ? sName : L"");
        char szA[KX_PROFILE_NAME_SIZE];
        const std::string sNameA(sName.begin(), sName.end());
        EXPECT_EQ(__PrivateProfilePatchName(sNameA.c_str(), szA, KX_PROFILE_NAME_SIZE), bFits ? 1 : 0);
        EXPECT_EQ(std::string(szA), bFits ? sNameA : "");
    }
}

// A file name UTF-8 cannot carry names no file: reading gives the default, writing fails, and the
// file its replacement character would name ("x?") is never read or written.
TEST_F(WinProfileTest, NamesUTF8CannotCarryAreRefused) {
    WriteBytes(m_sDir + "/x?", "[S]\nk = other\n");
    const std::wstring wsName = sWide(m_sDir) + L"/x" + static_cast<wchar_t>(0xD800);
    wchar_t sz[16];
    EXPECT_EQ(GetPrivateProfileStringW(L"S", L"k", L"default", sz, 16, wsName.c_str()), 7u);
    EXPECT_STREQ(sz, L"default");
    EXPECT_EQ(WritePrivateProfileStringW(L"S", L"k", L"new", wsName.c_str()), 0);
    EXPECT_EQ(WritePrivateProfileStringW(L"S", nullptr, nullptr, wsName.c_str()), 0);
    EXPECT_EQ(sReadBytes(m_sDir + "/x?"), "[S]\nk = other\n");
}

// A profile file whose name passes the name buffer is neither read nor written, and the file of the
// name cut to the buffer is never touched in its place.
TEST_F(WinProfileTest, NamesPastTheBufferAreRefused) {
    std::string sDir = m_sDir;
    while (sDir.size() < 180) {
        sDir += "/" + std::string(40, 'd');
        ASSERT_EQ(mkdir(sDir.c_str(), 0700), 0);
    }
    const std::string sLong = sDir + "/" + std::string(300 - sDir.size() - 1, 'n');
    const std::string sCut = sLong.substr(0, KX_PROFILE_NAME_SIZE - 1);
    ASSERT_GT(sLong.size(), 260u);
    WriteBytes(sLong, "[S]\nk = long\n");
    WriteBytes(sCut, "[S]\nk = cut\n");
    const std::wstring wsLong = sWide(sLong);

    wchar_t sz[16];
    EXPECT_EQ(GetPrivateProfileStringW(L"S", L"k", L"default", sz, 16, wsLong.c_str()), 7u);
    EXPECT_STREQ(sz, L"default");
    char szA[16];
    EXPECT_EQ(GetPrivateProfileStringA("S", "k", "default", szA, 16, sLong.c_str()), 7u);
    EXPECT_STREQ(szA, "default");
    EXPECT_EQ(GetPrivateProfileInt(L"S", L"k", 5, wsLong.c_str()), 5);

    EXPECT_EQ(WritePrivateProfileStringW(L"S", L"k", L"new", wsLong.c_str()), 0);
    EXPECT_EQ(WritePrivateProfileStringA("S", "k", "new", sLong.c_str()), 0);
    EXPECT_EQ(WritePrivateProfileStringW(L"S", nullptr, nullptr, wsLong.c_str()), 0);
    EXPECT_EQ(sReadBytes(sLong), "[S]\nk = long\n");
    EXPECT_EQ(sReadBytes(sCut), "[S]\nk = cut\n");
}

// ---- Character and line readers ----

TEST(WinProfileReaders, CharacterReaders) {
    FILE* p = pFileOf(std::string("\xFF\xFE\x41\x00\xE9\x00\x3C\xD8", 8));
    ASSERT_NE(p, nullptr);
    for (int nExpected : {0xFEFF, 0x41, 0xE9, 0xD83C, -1})
        EXPECT_EQ((STRG_nGetChar<wchar_t, unsigned short>(p)), nExpected);
    fclose(p);
    p = pFileOf(std::string("\x41\x00\x42", 3));  // half a unit at the end
    EXPECT_EQ((STRG_nGetChar<wchar_t, unsigned short>(p)), 0x41);
    EXPECT_EQ((STRG_nGetChar<wchar_t, unsigned short>(p)), -1);
    fclose(p);

    p = pFileOf("A\xE9");
    EXPECT_EQ((STRG_nGetChar<char, char>(p)), 0x41);
    EXPECT_EQ((STRG_nGetChar<char, char>(p)), 0xE9);
    EXPECT_EQ((STRG_nGetChar<char, char>(p)), -1);
    fclose(p);

    p = pFileOf("A");
    EXPECT_EQ((STRG_nGetChar<wchar_t, wchar_t>(p)), 0x41);
    EXPECT_EQ((STRG_nGetChar<wchar_t, wchar_t>(p)), -1);
    fclose(p);
}

TEST(WinProfileReaders, ByteLines) {
    FILE* p = pFileOf("ab\ncd");
    ASSERT_NE(p, nullptr);
    char* psz = nullptr;
    unsigned long nSize = 12345;  // not looked at while the buffer is null
    EXPECT_EQ(STRG_nGetLine(&psz, &nSize, p), 3);
    EXPECT_STREQ(psz, "ab\n");
    EXPECT_EQ(nSize, 64u);
    EXPECT_EQ(STRG_nGetLine(&psz, &nSize, p), 2);
    EXPECT_STREQ(psz, "cd");
    EXPECT_EQ(STRG_nGetLine(&psz, &nSize, p), -1);
    EXPECT_STREQ(psz, "");
    fclose(p);

    // A long line comes back whole; the buffer grows by steps of 64 bytes and is reused.
    const std::string sLong(300, 'z');
    p = pFileOf(sLong + "\nshort\n\n");
    EXPECT_EQ(STRG_nGetLine(&psz, &nSize, p), 301);
    EXPECT_EQ(std::string(psz), sLong + "\n");
    EXPECT_EQ(nSize % 64, 0u);
    EXPECT_GE(nSize, 302u);
    const unsigned long nGrown = nSize;
    EXPECT_EQ(STRG_nGetLine(&psz, &nSize, p), 6);
    EXPECT_STREQ(psz, "short\n");
    EXPECT_EQ(STRG_nGetLine(&psz, &nSize, p), 1);
    EXPECT_STREQ(psz, "\n");
    EXPECT_EQ(STRG_nGetLine(&psz, &nSize, p), -1);
    EXPECT_EQ(nSize, nGrown);
    fclose(p);
    free(psz);

    EXPECT_EQ(STRG_nGetLine<char>(nullptr, &nSize, stdin), -1);
}

TEST(WinProfileReaders, WideLines) {
    // Through fgetwc: the count is of bytes in the file, whatever their encoding.
    const char* pszOld = setlocale(LC_CTYPE, nullptr);
    const std::string sOld = pszOld ? pszOld : "C";
    ASSERT_NE(setlocale(LC_CTYPE, "C.UTF-8"), nullptr);
    FILE* p = pFileOf("\xC3\xA9t\xC3\xA9\nx");
    wchar_t* psz = nullptr;
    unsigned long nSize = 0;
    EXPECT_EQ(STRG_nGetLine(&psz, &nSize, p), 6);
    EXPECT_EQ(std::wstring(psz), L"\u00e9t\u00e9\n");
    EXPECT_EQ(nSize, 256u);
    EXPECT_EQ(STRG_nGetLine(&psz, &nSize, p), 1);
    EXPECT_EQ(std::wstring(psz), L"x");
    EXPECT_EQ(STRG_nGetLine(&psz, &nSize, p), -1);
    fclose(p);
    setlocale(LC_CTYPE, sOld.c_str());

    // In a UTF-16 file each unit is one character and takes two bytes.
    p = pFileOf(std::string("A\0\n\0B\0", 6));
    EXPECT_EQ((__STRG_nGetLine<wchar_t, unsigned short>(&psz, &nSize, p)), 4);
    EXPECT_EQ(std::wstring(psz), L"A\n");
    EXPECT_EQ((__STRG_nGetLine<wchar_t, unsigned short>(&psz, &nSize, p)), 2);
    EXPECT_EQ(std::wstring(psz), L"B");
    EXPECT_EQ((__STRG_nGetLine<wchar_t, unsigned short>(&psz, &nSize, p)), -1);
    fclose(p);

    // A long wide line: steps of 256 bytes.
    p = pFileOf(sUTF16OfLatin1(std::string(100, 'w')).substr(2));
    EXPECT_EQ((__STRG_nGetLine<wchar_t, unsigned short>(&psz, &nSize, p)), 200);
    EXPECT_EQ(wcslen(psz), 100u);
    EXPECT_EQ(nSize, 512u);
    fclose(p);
    free(psz);
}

}  // namespace
