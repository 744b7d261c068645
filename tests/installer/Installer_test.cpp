// Tests of the installation procedure: in process, the program directory read from a configuration
// file and the checks made on it and on the library; end to end, the built pginstaller run as root
// in a sandbox (a mount namespace in which a test directory stands for /etc, with a user namespace
// that maps the caller to root when the tests do not run as root), its exit status, its reports
// and what it installs.
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
        EXPECT_EQ(texte::SANS_BINPATH, m_sErreur);
        EXPECT_EQ(std::vector<std::string>{"kx200vm64.so"}, aListe(m_sProg));
    }
}

// The program directory and the library as the configuration names them: each refusal names what
// it refuses exactly (quoted, so that blanks at the ends of a value are seen), and nothing is
// written anywhere.
TEST_F(InstallerTest, ProgramDirectoryAndLibraryRefused) {
    struct Case {
        const char* pszTitre;
        std::string sBinPath;
        std::function<void()> fnPrepare;
        std::string sRapport;
    };
    const std::string sLong = m_sProg + "/" + std::string(300, 'x');
    const Case aCases[] = {
        {"directory without the library", sPath("src"), [] {},
         texte::sInutilisable("kx200vm64.so", "No such file or directory")},
        {"directory that does not exist", sPath("nowhere"), [] {},
         texte::sInutilisable("kx200vm64.so", "No such file or directory")},
        // A value that fills the 260 characters may have been cut, and would then name another one.
        {"value too long", sLong, [] {}, texte::sInutilisable(sLong.substr(0, 260), "File name too long")},
        // A relative value would be taken from the directory the program happens to start in.
        {"relative", "prog", [] {},
         "The program directory \"prog\" that BINPATH names in /etc/Orlanto/Tolvek/20.0/Tolvek.conf is not an "
         "absolute path.\n"},
        {"relative with a dot", "./prog", [] {},
         "The program directory \"./prog\" that BINPATH names in /etc/Orlanto/Tolvek/20.0/Tolvek.conf is not an "
         "absolute path.\n"},
        // The profile reader keeps blanks at the end of a value: the report shows them.
        {"trailing blanks", m_sProg + "  ", [] {},
         texte::sInutilisable(m_sProg + "  /kx200vm64.so", "No such file or directory")},
        // The library's owner and mode are given to every file: a link there could lend another's.
        {"library that is a link", m_sProg,
         [&] {
             std::filesystem::rename(m_sProg + "/kx200vm64.so", sPath("real.so"));
             ASSERT_EQ(0, symlink(sPath("real.so").c_str(), (m_sProg + "/kx200vm64.so").c_str()));
         },
         texte::sInutilisable("kx200vm64.so", "Too many levels of symbolic links")},
    };
    MakeArchive("a.zip", {{"f.txt", "f"}});
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszTitre);
        c.fnPrepare();
        EcritConfiguration(sPath("conf.ini"), sConfiguration(c.sBinPath));
        EXPECT_FALSE(bInstalle());
        EXPECT_EQ(c.sRapport, m_sErreur);
        EXPECT_EQ(std::vector<std::string>{"kx200vm64.so"}, aListe(m_sProg));
        EXPECT_FALSE(bExists(sPath("nowhere")));
        EXPECT_FALSE(bExists(sPath("f.txt")));
    }
}

// The value gets its end slash before the library's and the entries' names are joined to it;
// Windows separators are taken as '/'. The files take the library's mode.
TEST_F(InstallerTest, InstallsUnderTheConfiguredDirectory) {
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
        EXPECT_EQ(MODE_BIBLIOTHEQUE, stLstat(m_sProg + "/f.txt").st_mode & 07777);
    }
}

// The library's owner goes to every file.
TEST_F(InstallerTest, FilesTakeTheLibrarysOwner) {
    INSTALLERTEST_EXIGE(geteuid() == 0, "giving the library an owner other than the tests' own needs root");
    ASSERT_EQ(0, chown((m_sProg + "/kx200vm64.so").c_str(), INSTALLERTEST_UID, INSTALLERTEST_GID));
    MakeArchive("a.zip", {{"f.txt", "f"}, {"sub/g.txt", "g"}});
    EcritConfiguration(sPath("conf.ini"), sConfiguration(m_sProg));
    ASSERT_TRUE(bInstalle()) << m_sErreur;
    for (const char* psz : {"f.txt", "sub/g.txt"}) {
        const struct stat st = stLstat(m_sProg + "/" + psz);
        EXPECT_EQ(INSTALLERTEST_UID, st.st_uid) << psz;
        EXPECT_EQ(INSTALLERTEST_GID, st.st_gid) << psz;
    }
}

// A set-user-id or set-group-id bit of the library is not given to the files installed beside it.
TEST_F(InstallerTest, SetIdBitsOfTheLibraryAreNotGiven) {
    struct Case {
        mode_t nBibliotheque;
        mode_t nFichiers;
    };
    const Case aCases[] = {{04750, 0750}, {02750, 0750}, {06755, 0755}, {01755, 01755}};
    MakeArchive("a.zip", {{"f.txt", "f"}});
    EcritConfiguration(sPath("conf.ini"), sConfiguration(m_sProg));
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.nBibliotheque);
        ASSERT_EQ(0, chmod((m_sProg + "/kx200vm64.so").c_str(), c.nBibliotheque));
        ASSERT_EQ(c.nBibliotheque, stLstat(m_sProg + "/kx200vm64.so").st_mode & 07777);
        ASSERT_TRUE(bInstalle()) << m_sErreur;
        EXPECT_EQ(c.nFichiers, stLstat(m_sProg + "/f.txt").st_mode & 07777);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// The program itself, in a sandbox.

// As root a mount namespace is enough; otherwise a user namespace maps the caller to root.
bool bRootReel() {
    return geteuid() == 0;
}
bool bSandboxPossible() {
    static const bool s_bPossible =
        system(bRootReel() ? "unshare -m true >/dev/null 2>&1" : "unshare -r -m true >/dev/null 2>&1") == 0;
    return s_bPossible;
}

// The layout the program finds: bin/pginstaller (a copy: the program finds its archive beside the
// path /proc/self/exe gives, which resolves links) with bin/postgresql_install.zip, the server's
// configuration under etc/ (mounted over /etc) and the program directory prog/ with the library.
class PgInstallerTest : public InstallerTest {
protected:
    void SetUp() override {
        InstallerTest::SetUp();
        m_sProgramme = sPath("bin/pginstaller");
        ASSERT_EQ(0, mkdir(sPath("bin").c_str(), 0755));
        std::filesystem::copy_file(KX_PGINSTALLER, m_sProgramme);
        EcritConfiguration(sPath("etc/Orlanto/Tolvek/20.0/Tolvek.conf"), sConfiguration(m_sProg));
    }

    std::string sArchive() const { return sPath("bin/postgresql_install.zip"); }

    struct Lancement {
        bool bRoot = true;
        // As root, a user namespace all the same: ids other than root's own are then unmapped.
        bool bEspaceUtilisateur = false;
        std::string sAvant;  // shell commands run in the sandbox before the program
        std::string sApres;  // and after it
    };
    // Runs the program, as root in the sandbox or as a user other than root (this process's own
    // user, or an unmapped one when this process runs as root); its stderr goes to m_sErreur.
    int nLance() { return nLance(Lancement()); }
    int nLance(const Lancement& l) {
        const std::string sProgramme = "'" + m_sProgramme + "'";
        const std::string sStderr = " 2>'" + sPath("stderr.txt") + "'";
        std::string sCommande;
        if (l.bRoot) {
            const std::string sUnshare = bRootReel() && !l.bEspaceUtilisateur ? "unshare -m" : "unshare -r -m";
            sCommande = sUnshare + " sh -c \"mount --bind '" + sPath("etc") + "' /etc && " +
                        (l.sAvant.empty() ? "" : l.sAvant + " && ") + "TZ=UTC " + sProgramme + sStderr + "; s=\\$?; " +
                        (l.sApres.empty() ? "" : l.sApres + "; ") + "exit \\$s\"";
        } else {
            sCommande = (getuid() == 0 ? "unshare -U " + sProgramme : sProgramme) + sStderr;
        }
        int nStatut = system(sCommande.c_str());
        m_sErreur = sReadFile(sPath("stderr.txt"));
        EXPECT_TRUE(WIFEXITED(nStatut)) << sCommande;
        return WEXITSTATUS(nStatut);
    }

    std::string m_sProgramme;
};

// The runs as root, which need the sandbox.
class PgInstallerRootTest : public PgInstallerTest {
protected:
    void SetUp() override {
        INSTALLERTEST_EXIGE(bSandboxPossible(), bRootReel() ? "mount namespaces are refused here (unshare -m failed)"
                                                            : "user and mount namespaces are refused here "
                                                              "(unshare -r -m failed)");
        PgInstallerTest::SetUp();
    }
};

// Files with their contents, times, the library's owner and mode; sub-directories 0755 whatever
// the file-creation mask, owned by root.
TEST_F(PgInstallerRootTest, InstallsTheArchiveBesideIt) {
    INSTALLERTEST_EXIGE(bRootReel(), "giving the library an owner other than the tests' own needs root");
    const Fichiers aFichiers = {{"empty.txt", ""},
                                {"libpq.so.5", std::string(100000, 'q')},
                                {"share/locale/fr.txt", "bonjour"},
                                {"share/z.txt", "z"}};
    MakeArchive("bin/postgresql_install.zip", aFichiers, "-9");
    ASSERT_EQ(0, chown((m_sProg + "/kx200vm64.so").c_str(), INSTALLERTEST_UID, INSTALLERTEST_GID));

    Lancement l;
    l.sAvant = "umask 077";
    EXPECT_EQ(0, nLance(l));
    EXPECT_EQ(texte::SUCCES, m_sErreur);
    EXPECT_EQ((std::vector<std::string>{"empty.txt", "kx200vm64.so", "libpq.so.5", "share/", "share/locale/",
                                        "share/locale/fr.txt", "share/z.txt"}),
              aListe(m_sProg));
    for (const auto& [sNom, sContenu] : aFichiers) {
        SCOPED_TRACE(sNom);
        const std::string sFichier = m_sProg + "/" + sNom;
        EXPECT_EQ(sContenu, sReadFile(sFichier));
        struct stat st = stLstat(sFichier);
        EXPECT_EQ(MODE_BIBLIOTHEQUE, st.st_mode & 07777);
        EXPECT_EQ(INSTALLERTEST_UID, st.st_uid);
        EXPECT_EQ(INSTALLERTEST_GID, st.st_gid);
        EXPECT_EQ(INSTALLERTEST_MTIME, st.st_mtime);
    }
    for (const char* pszSousRepertoire : {"share", "share/locale"}) {
        struct stat st = stLstat(m_sProg + "/" + pszSousRepertoire);
        EXPECT_TRUE(S_ISDIR(st.st_mode)) << pszSousRepertoire;
        EXPECT_EQ(0755u, st.st_mode & 07777) << pszSousRepertoire;
        EXPECT_EQ(0u, st.st_uid) << pszSousRepertoire;
    }
}

// An archive without entries installs nothing and succeeds; a damaged entry is reported for what
// it is, leaves the entries before it installed and the file it would replace as it was.
TEST_F(PgInstallerRootTest, EndsOfTheInstallation) {
    struct Case {
        const char* pszTitre;
        bool bEndommagee;
        int nStatut;
        std::string sErreur;
        std::vector<std::string> aApres;
    };
    const Case aCases[] = {
        {"no entry", false, 0, texte::SUCCES, {"kx200vm64.so", "text.txt"}},
        {"CRC mismatch",
         true,
         255,
         texte::sRapport("text.txt", "", texte::CRC) + texte::ECHEC,
         {"a.txt", "kx200vm64.so", "text.txt"}},
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
        EXPECT_EQ(c.sErreur, m_sErreur);
        EXPECT_EQ(c.aApres, aListe(m_sProg));
        EXPECT_EQ("old content", sReadFile(m_sProg + "/text.txt"));
    }
}

TEST_F(PgInstallerTest, RefusesToRunAsAnotherUserThanRoot) {
    INSTALLERTEST_EXIGE(!bRootReel() || bSandboxPossible(),
                        "running as root, and a user namespace (unshare) is not available to leave root");
    MakeArchive("bin/postgresql_install.zip", {{"f.txt", "f"}});
    Lancement l;
    l.bRoot = false;
    EXPECT_EQ(255, nLance(l));
    EXPECT_EQ(texte::NON_ROOT, m_sErreur);
    EXPECT_EQ(std::vector<std::string>{"kx200vm64.so"}, aListe(m_sProg));
}

// Each failure is reported, with the system's text where the system refused, then the final
// failure message; the status is -1 and the program directory is left as it was.
TEST_F(PgInstallerRootTest, FailuresEndWithStatusMinusOne) {
    struct Case {
        const char* pszTitre;
        std::function<void()> fnPrepare;
        std::function<std::string()> fnRapport;  // what comes before the final failure message
    };
    const std::string sConf = sPath("etc/Orlanto/Tolvek/20.0/Tolvek.conf");
    const Case aCases[] = {
        {"no configuration", [&] { std::filesystem::remove(sConf); }, [] { return texte::SANS_BINPATH; }},
        {"relative program directory", [&] { EcritConfiguration(sConf, sConfiguration("prog")); },
         [] {
             return "The program directory \"prog\" that BINPATH names in /etc/Orlanto/Tolvek/20.0/Tolvek.conf is not "
                    "an absolute path.\n";
         }},
        {"no library", [&] { std::filesystem::remove(m_sProg + "/kx200vm64.so"); },
         [] { return texte::sInutilisable("kx200vm64.so", "No such file or directory"); }},
        {"not a zip archive", [&] { ASSERT_TRUE(WriteFile(sArchive(), "PK but no end record")); },
         [&] { return texte::sRapport(sArchive(), "", texte::ARCHIVE_INVALIDE); }},
        {"no archive", [&] { std::filesystem::remove(sArchive()); },
         [&] { return texte::sRapport(sArchive(), "No such file or directory", texte::ARCHIVE_ABSENTE); }},
        {"entry leaving the directory", [&] { ASSERT_TRUE(bPatch(sArchive(), "zz/evil.txt", "../evil.txt")); },
         [] { return texte::sRapport("..\\evil.txt", "", texte::ARCHIVE_INVALIDE); }},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszTitre);
        MakeArchive("bin/postgresql_install.zip", {{"a.txt", "a"}, {"zz/evil.txt", "evil"}});
        EcritConfiguration(sConf, sConfiguration(m_sProg));
        if (!bExists(m_sProg + "/kx200vm64.so")) {
            ASSERT_TRUE(WriteFile(m_sProg + "/kx200vm64.so", "library"));
        }
        const std::vector<std::string> aAvant = aListe(m_sProg);
        c.fnPrepare();

        EXPECT_EQ(255, nLance());
        EXPECT_EQ(c.fnRapport() + texte::ECHEC, m_sErreur);
        if (bExists(m_sProg + "/kx200vm64.so")) {
            EXPECT_EQ(aAvant, aListe(m_sProg));
        }
        EXPECT_FALSE(bExists(sPath("evil.txt")));
    }
}

// The library owned by an id the namespace does not map: the files cannot be given its owner. The
// first file is reported under its own name; an existing file that a zero-length entry names
// keeps its content and the mode it had; the later entries are not attempted.
TEST_F(PgInstallerRootTest, OwnerThatCannotBeSetStopsTheInstallation) {
    INSTALLERTEST_EXIGE(bRootReel(), "giving the library a foreign owner needs root");
    struct Case {
        const char* pszTitre;
        Fichiers aFichiers;
        const char* pszPremier;
    };
    const Case aCases[] = {
        {"new file", {{"a.txt", "a"}, {"b.txt", "b"}}, "a.txt"},
        {"zero-length entry over an existing file", {{"kept.txt", ""}, {"b.txt", "b"}}, "kept.txt"},
    };
    // How the namespace shows an id it does not map.
    const unsigned nSansCorrespondance = static_cast<unsigned>(std::stoul(sReadFile("/proc/sys/kernel/overflowuid")));
    ASSERT_EQ(0, chown((m_sProg + "/kx200vm64.so").c_str(), INSTALLERTEST_UID, INSTALLERTEST_GID));
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszTitre);
        ASSERT_TRUE(WriteFile(m_sProg + "/kept.txt", "kept"));
        ASSERT_EQ(0, chmod((m_sProg + "/kept.txt").c_str(), 0600));
        MakeArchive("bin/postgresql_install.zip", c.aFichiers);
        Lancement l;
        l.bEspaceUtilisateur = true;
        EXPECT_EQ(255, nLance(l));
        const std::string sFichier = m_sProg + "/" + c.pszPremier;
        EXPECT_EQ(texte::sRapport(sFichier, "Invalid argument",
                                  texte::sProprietaire(nSansCorrespondance, nSansCorrespondance, sFichier)) +
                      texte::ECHEC,
                  m_sErreur);
        EXPECT_EQ((std::vector<std::string>{"kept.txt", "kx200vm64.so"}), aListe(m_sProg));
        EXPECT_EQ("kept", sReadFile(m_sProg + "/kept.txt"));
        EXPECT_EQ(0600u, stLstat(m_sProg + "/kept.txt").st_mode & 07777);
    }
}

// The program's own path longer than the file layer holds: cut, it would name a parent directory,
// and the archive found there would be installed. Refused, nothing installed.
TEST_F(PgInstallerRootTest, ProgramPathTooLongIsRefused) {
    const std::string sProfond = sPath("bin/" + std::string(200, 'p'));
    const std::string sRepertoire = sProfond + "/" + std::string(100, 'q');
    std::filesystem::create_directories(sRepertoire);
    m_sProgramme = sRepertoire + "/pginstaller";
    std::filesystem::copy_file(KX_PGINSTALLER, m_sProgramme);
    ASSERT_GT(m_sProgramme.size(), 260u);
    // The archive the cut path would lead to, and the one beside the program.
    MakeArchive("decoy.zip", {{"decoy.txt", "decoy"}});
    std::filesystem::copy_file(sPath("decoy.zip"), sProfond + "/postgresql_install.zip");
    MakeArchive("bin/postgresql_install.zip", {{"decoy2.txt", "decoy"}});
    MakeArchive("real.zip", {{"real.txt", "real"}});
    std::filesystem::copy_file(sPath("real.zip"), sRepertoire + "/postgresql_install.zip");

    EXPECT_EQ(255, nLance());
    EXPECT_EQ(texte::sRapport(m_sProgramme, "File name too long", texte::ARCHIVE_ABSENTE) + texte::ECHEC, m_sErreur);
    EXPECT_EQ(std::vector<std::string>{"kx200vm64.so"}, aListe(m_sProg));
}

// A full disk: the entry is reported with the system's text, no temporary file is left, and the
// entries before it stay installed.
TEST_F(PgInstallerRootTest, FullDiskIsReportedWithTheSystemsText) {
    std::string sAleatoire(1 << 20, '\0');
    uint32_t n = 12345;
    for (char& ch : sAleatoire) {
        n = n * 1103515245u + 12345u;
        ch = static_cast<char>(n >> 24);
    }
    MakeArchive("bin/postgresql_install.zip", {{"small.txt", "small"}, {"big.bin", sAleatoire}, {"z.txt", "z"}});
    Lancement l;
    l.sAvant = "mount -t tmpfs -o size=64k tmpfs '" + m_sProg + "' && printf library > '" + m_sProg +
               "/kx200vm64.so' && chmod 0750 '" + m_sProg + "/kx200vm64.so'";
    l.sApres = "ls -A '" + m_sProg + "' > '" + sPath("listing.txt") + "'";
    EXPECT_EQ(255, nLance(l));
    EXPECT_EQ(texte::sRapport("big.bin", "No space left on device", texte::ARCHIVE_INVALIDE) + texte::ECHEC, m_sErreur);
    EXPECT_EQ("kx200vm64.so\nsmall.txt\n", sReadFile(sPath("listing.txt")));
}

}  // namespace
