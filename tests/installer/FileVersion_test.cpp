// The version and resource blocks of a program file: the marker search (short blocks passed
// over, missing or cut markers, a reload dropping the old block), the key lookup (case, suffix
// keys, bounds at the block's end) and the resources under their "\Resource\<id>" keys.
#include "installer/FileVersion.h"

#include <gtest/gtest.h>

#include <string>

#include "installer/FileRessource.h"
#include "tests/host/TempDir.h"

namespace {

const std::string s_sDebut("VersionInfoMarkStart\0", 21);
const std::string s_sFin("VersionInfoMarkEnd");
const std::string s_sDebutRes("ResourceInfoMarkStart\0", 22);
const std::string s_sFinRes("ResourceInfoMarkEnd");

// Keys and values, each zero-terminated, in code page 1252.
std::string sPaires(std::initializer_list<std::pair<std::string, std::string>> l) {
    std::string s;
    for (const auto& p : l) s += p.first + '\0' + p.second + '\0';
    return s;
}

const std::string s_sBloc = sPaires({{"CompanyName", "Acme Software"},
                                     {"FileVersion", "20.0.1.0"},
                                     {"ProductName", "Caf\xe9 Installer"},
                                     {"Cl\xe9", "accent"},
                                     {"Empty", ""}});

class FileVersionTest : public CTempDirTest {
protected:
    std::wstring wsFichier(const std::string& sContenu) {
        std::string sNom = "f" + std::to_string(m_nFichiers++);
        EXPECT_TRUE(WriteFile(sPath(sNom), sContenu));
        return wsPath(std::wstring(sNom.begin(), sNom.end()));
    }
    int m_nFichiers = 0;
};

TEST_F(FileVersionTest, FindsTheFirstBlockLongEnough) {
    const std::string sCourt = sPaires({{"A", "b"}});  // 4 bytes
    const std::string s34(34, 'x'), s35(35, 'x');
    struct Case {
        const char* pszNom;
        std::string sContenu;
        bool bTrouve;
        std::string sBloc;  // expected FileVersion value, when found
    };
    const Case aCases[] = {
        {"single block among other bytes",
         "\x7f"
         "ELF....." +
             s_sDebut + s_sBloc + s_sFin + "tail",
         true, "20.0.1.0"},
        {"short block passed over", s_sDebut + sCourt + s_sFin + "xx" + s_sDebut + s_sBloc + s_sFin, true, "20.0.1.0"},
        {"start marker without its zero byte", "VersionInfoMarkStart" + s_sBloc + s_sFin, false, ""},
        {"no end marker", s_sDebut + s_sBloc, false, ""},
        {"short block and no second", s_sDebut + sCourt + s_sFin + s_sBloc, false, ""},
        {"34 bytes", s_sDebut + s34 + s_sFin, false, ""},
        {"35 bytes", s_sDebut + s35 + s_sFin, true, ""},
        {"empty file", "", false, ""},
        {"markers only", s_sDebut + s_sFin, false, ""},
    };
    for (const Case& c : aCases) {
        CFileVersion cl;
        EXPECT_EQ(cl.bLoad(wsFichier(c.sContenu).c_str()), c.bTrouve) << c.pszNom;
        if (!c.bTrouve || c.sBloc.empty()) continue;
        const char* psz = nullptr;
        uint32_t n = 0;
        ASSERT_TRUE(cl.bGetBinaryValue(L"FileVersion", &psz, &n)) << c.pszNom;
        EXPECT_EQ(std::string(psz, n), c.sBloc);
    }
}

TEST_F(FileVersionTest, AReloadDropsTheBlockHeld) {
    CFileVersion cl;
    ASSERT_TRUE(cl.bLoad(wsFichier(s_sDebut + s_sBloc + s_sFin).c_str()));
    EXPECT_FALSE(cl.bLoad(wsFichier("nothing here").c_str()));
    EXPECT_FALSE(cl.bGetBinaryValue(L"FileVersion", nullptr, nullptr));
    EXPECT_FALSE(cl.bLoad(wsPath(L"missing").c_str()));
    EXPECT_FALSE(cl.bLoad(m_wsDir.c_str()));  // a directory
    EXPECT_FALSE(cl.bLoad(nullptr));
}

TEST_F(FileVersionTest, LooksUpKeysIgnoringCaseFromEveryPosition) {
    CFileVersion cl;
    ASSERT_TRUE(cl.bLoad(wsFichier(s_sDebut + s_sBloc + s_sFin).c_str()));
    struct Case {
        const wchar_t* pszCle;
        bool bTrouve;
        std::string sValeur;
    };
    const Case aCases[] = {
        {L"CompanyName", true, "Acme Software"},
        {L"COMPANYNAME", true, "Acme Software"},
        {L"cL\u00c9", true, "accent"},     // accented letters fold too
        {L"Name", true, "Acme Software"},  // the end of the first longer key
        {L"Version", true, "20.0.1.0"},
        {L"Empty", true, ""},
        {L"Software", true, "FileVersion"},  // the end of a value counts as a key as well
        {L"Company", false, ""},             // a prefix is not followed by the zero byte
        {L"Missing", false, ""},
        {L"", false, ""},
        {L"Cl\u4e00", false, ""},  // cannot be in a 1252 block
    };
    for (const Case& c : aCases) {
        const char* psz = nullptr;
        uint32_t n = 99;
        EXPECT_EQ(cl.bGetBinaryValue(c.pszCle, &psz, &n), c.bTrouve) << &c - aCases;
        if (!c.bTrouve) continue;
        EXPECT_EQ(std::string(psz, n), c.sValeur);
        EXPECT_EQ(psz[n], '\0');
    }

    CXYString<wchar_t> clValeur;
    ASSERT_TRUE(cl.bGetStringValue(L"productname", clValeur));
    EXPECT_STREQ(clValeur.pszGet(), L"Caf\u00e9 Installer");
    EXPECT_FALSE(cl.bGetStringValue(L"Missing", clValeur));
}

TEST_F(FileVersionTest, ReadsStopAtTheEndOfTheBlock) {
    // The last value runs into the end marker without a terminator, and a key stands last with
    // neither terminator nor value.
    const std::string sBloc = sPaires({{"Padding", std::string(30, 'p')}}) + "Last" + '\0' + "tail";
    CFileVersion cl;
    ASSERT_TRUE(cl.bLoad(wsFichier(s_sDebut + sBloc + s_sFin + std::string("\0more", 5)).c_str()));
    const char* psz = nullptr;
    uint32_t n = 0;
    ASSERT_TRUE(cl.bGetBinaryValue(L"Last", &psz, &n));
    EXPECT_EQ(std::string(psz, n), "tail");
    EXPECT_FALSE(cl.bGetBinaryValue(L"tail", &psz, &n));

    // A key question of a block's exact size: its zero byte is the block's last byte.
    const std::string sFinCle = sPaires({{"Padding", std::string(30, 'p')}}) + "End" + '\0';
    ASSERT_TRUE(cl.bLoad(wsFichier(s_sDebut + sFinCle + s_sFin).c_str()));
    ASSERT_TRUE(cl.bGetBinaryValue(L"End", &psz, &n));
    EXPECT_EQ(n, 0u);
}

TEST_F(FileVersionTest, ResourcesUseTheirOwnMarkersAndKeys) {
    const std::string sRes = sPaires(
        {{"\\Resource\\7", "seven's data"}, {"\\Resource\\12", "twelve"}, {"\\Resource\\4294967295", "last id"}});
    const std::wstring wsRes = wsFichier(s_sDebut + s_sBloc + s_sFin + s_sDebutRes + sRes + s_sFinRes);

    CFileRessource clRes;
    ASSERT_TRUE(clRes.bLoad(wsRes.c_str()));
    struct Case {
        unsigned int nId;
        bool bTrouve;
        std::string sDonnees;
    };
    const Case aCases[] = {{7, true, "seven's data"},
                           {12, true, "twelve"},
                           {4294967295u, true, "last id"},
                           {1, false, ""},
                           {2, false, ""},
                           {8, false, ""}};
    for (const Case& c : aCases) {
        const char* psz = nullptr;
        uint32_t n = 0;
        EXPECT_EQ(clRes.bLoadResource(c.nId, &psz, &n), c.bTrouve) << c.nId;
        if (c.bTrouve) {
            EXPECT_EQ(std::string(psz, n), c.sDonnees) << c.nId;
        }
    }
    // The resource reader ignores the version block, and the reverse.
    EXPECT_FALSE(clRes.bGetBinaryValue(L"CompanyName", nullptr, nullptr));
    CFileVersion clVersion;
    ASSERT_TRUE(clVersion.bLoad(wsRes.c_str()));
    EXPECT_FALSE(clVersion.bGetBinaryValue(L"\\Resource\\7", nullptr, nullptr));

    EXPECT_FALSE(clRes.bLoad(wsFichier(s_sDebut + s_sBloc + s_sFin).c_str()));
}

}  // namespace
