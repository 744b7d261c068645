// Tests of the installation procedure: in process, the program directory read from a configuration
// file and the checks made on it; end to end, the built pginstaller run as root in a sandbox (a user
// namespace that maps the caller to root and a mount namespace in which a test directory stands for
// /etc), its exit status, its reports and what it installs.
#include "installer/Installer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "tests/installer/InstallerFixture.h"

namespace {

constexpr uint32_t MODE_BIBLIOTHEQUE = 0750;

// A program directory holding the library, and a configuration file naming it.
class InstallerTest : public CInstallerTest {
protected:
    void SetUp() override {
        CInstallerTest::SetUp();
        m_sProg = sPath("prog");
        ASSERT_EQ(0, mkdir(m_sProg.c_str(), 0755));
        ASSERT_TRUE(WriteFile(m_sProg + "/kx200vm64.so", "library"));
        ASSERT_EQ(0, chmod((m_sProg + "/kx200vm64.so").c_str(), MODE_BIBLIOTHEQUE));
    }

    void EcritConfiguration(const std::string& sFichier, const std::string& sContenu) {
        std::filesystem::create_directories(std::filesystem::path(sFichier).parent_path());
        ASSERT_TRUE(WriteFile(sFichier, sContenu));
    }
    static std::string sConfiguration(const std::string& sBinPath) { return "[DEFAULT]\nBINPATH=" + sBinPath + "\n"; }

    // bDoInstallFrom with conf.ini and a.zip of the temporary directory; stderr in m_sErreur.
    bool bInstalle() {
        testing::internal::CaptureStderr();
        bool bOk = bDoInstallFrom(wsPath(L"conf.ini").c_str(), wsPath(L"a.zip").c_str());
        m_sErreur = testing::internal::GetCapturedStderr();
        return bOk;
    }

    static std::string sErreurSysteme(int nErrno) { return strerror(nErrno); }

    std::string m_sProg;
    std::string m_sErreur;
};

TEST_F(InstallerTest, ConfigurationWithoutProgramDirectory) {
    struct Case {
        const char* pszTitre;
        const char* pszContenu;  // null: no configuration file
    };
    const Case aCases[] = {
        {"no file", nullptr},
        {"no key", "[DEFAULT]\nOTHER=1\n"},
        {"empty value", "[DEFAULT]\nBINPATH=\n"},
        {"key in another section", "[OTHER]\nBINPATH=/tmp\n"},
    };
    MakeArchive("a.zip", {{"f.txt", "f"}});
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszTitre);
        std::filesystem::remove(sPath("conf.ini"));
        if (c.pszContenu != nullptr) EcritConfiguration(sPath("conf.ini"), c.pszContenu);
        EXPECT_FALSE(bInstalle());
        EXPECT_EQ(sMessage(4976) + "\n", m_sErreur);
        EXPECT_EQ(std::vector<std::string>{"kx200vm64.so"}, aListe(m_sProg));
    }
}

// The library is named bare in the report, whether the directory lacks it or does not exist.
TEST_F(InstallerTest, ProgramDirectoryWithoutTheLibrary) {
    MakeArchive("a.zip", {{"f.txt", "f"}});
    for (const std::string& sBinPath : {sPath("src"), sPath("nowhere")}) {
        SCOPED_TRACE(sBinPath);
        EcritConfiguration(sPath("conf.ini"), sConfiguration(sBinPath));
        EXPECT_FALSE(bInstalle());
        EXPECT_EQ(sMessage(4977, L"kx200vm64.so", wsDe(sErreurSysteme(ENOENT)).c_str()) + "\n", m_sErreur);
        EXPECT_FALSE(bExists(sPath("nowhere")));
    }
}

// A value that fills the 260 characters may have been cut, and would then name another directory.
TEST_F(InstallerTest, ProgramDirectoryTooLongIsRefused) {
    MakeArchive("a.zip", {{"f.txt", "f"}});
    const std::string sBinPath = m_sProg + "/" + std::string(300, 'x');
    EcritConfiguration(sPath("conf.ini"), sConfiguration(sBinPath));
    EXPECT_FALSE(bInstalle());
    EXPECT_EQ(sMessage(4977, wsDe(sBinPath.substr(0, 260)).c_str(), wsDe(sErreurSysteme(ENAMETOOLONG)).c_str()) + "\n",
              m_sErreur);
    EXPECT_EQ(std::vector<std::string>{"kx200vm64.so"}, aListe(m_sProg));
}

// The value gets its end slash before the library's and the entries' names are joined to it;
// Windows separators are taken as '/'. The files take the library's owner and mode.
TEST_F(InstallerTest, InstallsUnderTheConfiguredDirectoryWithTheLibrarysOwnerAndMode) {
    std::string sBackslashes = m_sProg;
    std::replace(sBackslashes.begin(), sBackslashes.end(), '/', '\\');
    MakeArchive("a.zip", {{"f.txt", "f"}, {"sub/g.txt", "g"}});
    for (const std::string& sBinPath : {m_sProg, m_sProg + "/", sBackslashes}) {
        SCOPED_TRACE(sBinPath);
        std::filesystem::remove(m_sProg + "/f.txt");
        std::filesystem::remove_all(m_sProg + "/sub");
        EcritConfiguration(sPath("conf.ini"), sConfiguration(sBinPath));
        ASSERT_TRUE(bInstalle()) << m_sErreur;
        EXPECT_EQ("", m_sErreur);
        EXPECT_EQ((std::vector<std::string>{"f.txt", "kx200vm64.so", "sub/", "sub/g.txt"}), aListe(m_sProg));
        EXPECT_EQ("g", sReadFile(m_sProg + "/sub/g.txt"));
        struct stat st = stLstat(m_sProg + "/f.txt");
        EXPECT_EQ(MODE_BIBLIOTHEQUE, st.st_mode & 07777);
        EXPECT_EQ(stLstat(m_sProg + "/kx200vm64.so").st_uid, st.st_uid);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// The program itself, in a sandbox.

// True when this process may make a user namespace mapping it to root, with a mount namespace.
bool bSandboxPossible() {
    static const bool s_bPossible = system("unshare -r -m true >/dev/null 2>&1") == 0;
    return s_bPossible;
}

// The layout the program finds: bin/pginstaller (a copy: the program finds its archive beside the
// path /proc/self/exe gives, which resolves links) with bin/postgresql_install.zip, the server's
// configuration under etc/ (mounted over /etc) and the program directory prog/ with the library.
class PgInstallerTest : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        ASSERT_EQ(0, mkdir(sPath("bin").c_str(), 0755));
        std::filesystem::copy_file(KX_PGINSTALLER, sPath("bin/pginstaller"));
        EcritConfiguration(sPath("etc/Orlanto/Tolvek/20.0/Tolvek.conf"), sConfiguration(m_sProg));
    }

    std::string sArchive() const { return sPath("bin/postgresql_install.zip"); }

    // Runs the program, as root in the sandbox or as a user other than root (this process's own
    // user, or an unmapped one when this process runs as root); its stderr goes to m_sErreur.
    int nLance(bool bRoot = true) {
        const std::string sProgramme = "'" + sPath("bin/pginstaller") + "'";
        std::string sCommande;
        if (bRoot)
            sCommande =
                "unshare -r -m sh -c \"mount --bind '" + sPath("etc") + "' /etc && TZ=UTC exec " + sProgramme + "\"";
        else
            sCommande = getuid() == 0 ? "unshare -U " + sProgramme : sProgramme;
        sCommande += " 2>'" + sPath("stderr.txt") + "'";
        int nStatut = system(sCommande.c_str());
        m_sErreur = sReadFile(sPath("stderr.txt"));
        EXPECT_TRUE(WIFEXITED(nStatut)) << sCommande;
        return WEXITSTATUS(nStatut);
    }

    static std::string sEchec() { return sMessage(8183) + "\n\n"; }
};

// The runs as root, which need the sandbox.
class PgInstallerRootTest : public PgInstallerTest {
protected:
    void SetUp() override {
        if (!bSandboxPossible())
            GTEST_SKIP() << "user and mount namespaces are not available here (unshare -r -m failed)";
        PgInstallerTest::SetUp();
    }
};

TEST_F(PgInstallerRootTest, InstallsTheArchiveBesideIt) {
    const Fichiers aFichiers = {{"empty.txt", ""},
                                {"libpq.so.5", std::string(100000, 'q')},
                                {"share/locale/fr.txt", "bonjour"},
                                {"share/z.txt", "z"}};
    MakeArchive("bin/postgresql_install.zip", aFichiers, "-9");
    const struct stat stBibliotheque = stLstat(m_sProg + "/kx200vm64.so");

    EXPECT_EQ(0, nLance());
    EXPECT_EQ(sMessage(8182) + "\n\n", m_sErreur);
    EXPECT_EQ((std::vector<std::string>{"empty.txt", "kx200vm64.so", "libpq.so.5", "share/", "share/locale/",
                                        "share/locale/fr.txt", "share/z.txt"}),
              aListe(m_sProg));
    for (const auto& [sNom, sContenu] : aFichiers) {
        SCOPED_TRACE(sNom);
        const std::string sFichier = m_sProg + "/" + sNom;
        EXPECT_EQ(sContenu, sReadFile(sFichier));
        struct stat st = stLstat(sFichier);
        EXPECT_EQ(MODE_BIBLIOTHEQUE, st.st_mode & 07777);
        EXPECT_EQ(stBibliotheque.st_uid, st.st_uid);
        EXPECT_EQ(stBibliotheque.st_gid, st.st_gid);
        EXPECT_EQ(INSTALLERTEST_MTIME, st.st_mtime);
    }
    // Only files take the library's mode: the sub-directories are made as any directory is.
    const mode_t nMasque = umask(0);
    umask(nMasque);
    for (const char* pszSousRepertoire : {"share", "share/locale"}) {
        struct stat st = stLstat(m_sProg + "/" + pszSousRepertoire);
        EXPECT_TRUE(S_ISDIR(st.st_mode)) << pszSousRepertoire;
        EXPECT_EQ(0777u & ~nMasque, st.st_mode & 07777) << pszSousRepertoire;
    }
}

// Archives that end without a report of their own: one without entries installs nothing and
// succeeds; a damaged entry (a CRC mismatch, which has no row in the table) gives the final failure
// message alone, leaves the entries before it installed and the file it would replace as it was.
TEST_F(PgInstallerRootTest, ArchivesEndingWithTheFinalMessageAlone) {
    struct Case {
        const char* pszTitre;
        bool bEndommagee;
        int nStatut;
        uint32_t nMessage;
        std::vector<std::string> aApres;
    };
    const Case aCases[] = {
        {"no entry", false, 0, 8182, {"kx200vm64.so", "text.txt"}},
        {"CRC mismatch", true, 255, 8183, {"a.txt", "kx200vm64.so", "text.txt"}},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszTitre);
        std::filesystem::remove(m_sProg + "/a.txt");
        ASSERT_TRUE(WriteFile(m_sProg + "/text.txt", "old content"));
        if (c.bEndommagee) {
            MakeArchive("bin/postgresql_install.zip",
                        {{"a.txt", "first"}, {"text.txt", "AAAAAAAAAAAAAAAAAAAAAAAAAAAA"}, {"z.txt", "last"}}, "-0");
            ASSERT_TRUE(bPatch(sArchive(), "AAAAAAAAAAAAAAAAAAAAAAAAAAAA", "AAAAAAAAAAAAAABAAAAAAAAAAAAA"));
        } else {
            MakeEmptyArchive("bin/postgresql_install.zip");
        }
        EXPECT_EQ(c.nStatut, nLance());
        EXPECT_EQ(sMessage(c.nMessage) + "\n\n", m_sErreur);
        EXPECT_EQ(c.aApres, aListe(m_sProg));
        EXPECT_EQ("old content", sReadFile(m_sProg + "/text.txt"));
    }
}

TEST_F(PgInstallerTest, RefusesToRunAsAnotherUserThanRoot) {
    if (getuid() == 0 && !bSandboxPossible())
        GTEST_SKIP() << "running as root, and a user namespace (unshare) is not available to leave root";
    MakeArchive("bin/postgresql_install.zip", {{"f.txt", "f"}});
    EXPECT_EQ(255, nLance(false));
    EXPECT_EQ(sMessage(4219) + "\n\n", m_sErreur);
    EXPECT_EQ(std::vector<std::string>{"kx200vm64.so"}, aListe(m_sProg));
}

// Each failure is reported, then the final failure message; the status is -1 and the program
// directory is left as it was.
TEST_F(PgInstallerRootTest, FailuresEndWithStatusMinusOne) {
    struct Case {
        const char* pszTitre;
        std::function<void()> fnPrepare;
        std::function<std::string()> fnRapport;  // what comes before the final failure message
    };
    const Case aCases[] = {
        {"no configuration", [&] { std::filesystem::remove(sPath("etc/Orlanto/Tolvek/20.0/Tolvek.conf")); },
         [] { return sMessage(4976) + "\n"; }},
        {"no library", [&] { std::filesystem::remove(m_sProg + "/kx200vm64.so"); },
         [] { return sMessage(4977, L"kx200vm64.so", wsDe(sErreurSysteme(ENOENT)).c_str()) + "\n"; }},
        {"not a zip archive", [&] { ASSERT_TRUE(WriteFile(sArchive(), "PK but no end record")); },
         [&] { return sRapportCode(sArchive(), 28595); }},
        {"no archive", [&] { std::filesystem::remove(sArchive()); }, [&] { return sRapportCode(sArchive(), 28598); }},
        {"entry leaving the directory", [&] { ASSERT_TRUE(bPatch(sArchive(), "zz/evil.txt", "../evil.txt")); },
         [] { return sRapportCode("..\\evil.txt", 28595); }},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszTitre);
        MakeArchive("bin/postgresql_install.zip", {{"a.txt", "a"}, {"zz/evil.txt", "evil"}});
        EcritConfiguration(sPath("etc/Orlanto/Tolvek/20.0/Tolvek.conf"), sConfiguration(m_sProg));
        if (!bExists(m_sProg + "/kx200vm64.so")) {
            ASSERT_TRUE(WriteFile(m_sProg + "/kx200vm64.so", "library"));
        }
        const std::vector<std::string> aAvant = aListe(m_sProg);
        c.fnPrepare();

        EXPECT_EQ(255, nLance());
        EXPECT_EQ(c.fnRapport() + sEchec(), m_sErreur);
        if (bExists(m_sProg + "/kx200vm64.so")) {
            EXPECT_EQ(aAvant, aListe(m_sProg));
        }
        EXPECT_FALSE(bExists(sPath("evil.txt")));
    }
}

// The library owned by an id the namespace does not map: the files cannot be given its owner. The
// first file is reported under its own name (not the temporary one it was written to) and nothing of
// it is left; the later ones are not attempted.
TEST_F(PgInstallerRootTest, OwnerThatCannotBeSetStopsTheInstallation) {
    if (geteuid() != 0) GTEST_SKIP() << "giving the library a foreign owner needs root";
    MakeArchive("bin/postgresql_install.zip", {{"a.txt", "a"}, {"b.txt", "b"}});
    ASSERT_EQ(0, chown((m_sProg + "/kx200vm64.so").c_str(), 12345, 12345));
    // How the namespace shows an id it does not map.
    const unsigned nSansCorrespondance = static_cast<unsigned>(std::stoul(sReadFile("/proc/sys/kernel/overflowuid")));

    EXPECT_EQ(255, nLance());
    const std::wstring wsFichier = wsDe(m_sProg + "/a.txt");
    EXPECT_EQ(sMessage(4903, wsFichier.c_str()) + "\r\n" + sErreurSysteme(EINVAL) + "\r\n\r\n" +
                  sMessage(25852, nSansCorrespondance, nSansCorrespondance, wsFichier.c_str()) + "\n" + sEchec(),
              m_sErreur);
    EXPECT_EQ(std::vector<std::string>{"kx200vm64.so"}, aListe(m_sProg));
}

}  // namespace
