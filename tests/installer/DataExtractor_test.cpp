// Tests of the installer's extractor: an archive installed under a directory with the owner and mode
// given for files, hostile and damaged archives refused without harm to what is already there or
// outside the directory (links in it, files with several names), and the reports it writes on
// standard error.
#include "installer/DataExtractor.h"

#include <dlfcn.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tests/installer/InstallerFixture.h"

// While set, the program's own path cannot be read: the link /proc/self/exe and the map of the
// process both fail, as where /proc is not mounted. This program's readlink and fopen come before
// the C library's for the extractor, linked into it.
static bool g_bSansCheminProgramme = false;

extern "C" ssize_t readlink(const char* pszChemin, char* pszTampon, size_t nTaille) {
    if (g_bSansCheminProgramme && strcmp(pszChemin, "/proc/self/exe") == 0) {
        errno = ENOENT;
        return -1;
    }
    using PFN = ssize_t (*)(const char*, char*, size_t);
    return reinterpret_cast<PFN>(dlsym(RTLD_NEXT, "readlink"))(pszChemin, pszTampon, nTaille);
}

extern "C" FILE* fopen(const char* pszChemin, const char* pszMode) {
    if (g_bSansCheminProgramme && strcmp(pszChemin, "/proc/self/maps") == 0) {
        errno = ENOENT;
        return nullptr;
    }
    using PFN = FILE* (*)(const char*, const char*);
    return reinterpret_cast<PFN>(dlsym(RTLD_NEXT, "fopen"))(pszChemin, pszMode);
}

namespace {

// Modes the tests give, recognisable among the defaults.
constexpr uint32_t MODE_REPERTOIRE = 0750;
constexpr uint32_t MODE_FICHIER = 0640;

class DataExtractorTest : public CInstallerTest {
protected:
    void SetUp() override {
        CInstallerTest::SetUp();
        m_sProg = sPath("prog");
        // As root the files are given an owner they could not have had otherwise.
        m_nUid = geteuid() == 0 ? INSTALLERTEST_UID : getuid();
        m_nGid = geteuid() == 0 ? INSTALLERTEST_GID : getgid();
    }

    // Opens the archive and installs it under prog/; stderr holds what the extractor wrote.
    bool bInstalle(const std::string& sArchive, int bDebug = 0) {
        testing::internal::CaptureStderr();
        bool bOk;
        {
            CDataExtractor clExtracteur(bDebug);
            bOk = clExtracteur.bInitChemin(wsPath(wsDe(sArchive)).c_str()) &&
                  clExtracteur.bInstall(wsDe(m_sProg).c_str(), MODE_REPERTOIRE, getuid(), getgid(), MODE_FICHIER,
                                        m_nUid, m_nGid);
        }
        m_sErreur = testing::internal::GetCapturedStderr();
        return bOk;
    }

    std::string m_sProg;
    std::string m_sErreur;
    uid_t m_nUid = 0;
    gid_t m_nGid = 0;
};

// Contents, times, owner and mode of every file; sub-directories 0755 whatever the file-creation
// mask; no temporary file left.
TEST_F(DataExtractorTest, InstallsEveryEntryWithTheGivenOwnerAndMode) {
    INSTALLERTEST_EXIGE(geteuid() == 0, "giving the files an owner other than the tests' own needs root");
    const Fichiers aFichiers = {{"empty.txt", ""},
                                {"text.txt", std::string(300000, 'x') + "end"},
                                {"sub/a.txt", "abc"},
                                {"sub/deeper/c.txt", "deep"}};
    MakeArchive("a.zip", aFichiers, "-9");
    const mode_t nAvant = umask(077);
    const bool bOk = bInstalle("a.zip");
    umask(nAvant);
    ASSERT_TRUE(bOk) << m_sErreur;
    EXPECT_EQ("", m_sErreur);

    EXPECT_EQ(
        (std::vector<std::string>{"empty.txt", "sub/", "sub/a.txt", "sub/deeper/", "sub/deeper/c.txt", "text.txt"}),
        aListe(m_sProg));
    EXPECT_EQ(MODE_REPERTOIRE, stLstat(m_sProg).st_mode & 07777);
    for (const auto& [sNom, sContenu] : aFichiers) {
        SCOPED_TRACE(sNom);
        const std::string sFichier = m_sProg + "/" + sNom;
        EXPECT_EQ(sContenu, sReadFile(sFichier));
        struct stat st = stLstat(sFichier);
        EXPECT_TRUE(S_ISREG(st.st_mode));
        EXPECT_EQ(MODE_FICHIER, st.st_mode & 07777);
        EXPECT_EQ(INSTALLERTEST_UID, st.st_uid);
        EXPECT_EQ(INSTALLERTEST_GID, st.st_gid);
        EXPECT_EQ(INSTALLERTEST_MTIME, st.st_mtime);
    }
    for (const char* pszSousRepertoire : {"sub", "sub/deeper"}) {
        struct stat st = stLstat(m_sProg + "/" + pszSousRepertoire);
        EXPECT_TRUE(S_ISDIR(st.st_mode)) << pszSousRepertoire;
        EXPECT_EQ(0755u, st.st_mode & 07777) << pszSousRepertoire;
        EXPECT_EQ(0u, st.st_uid) << pszSousRepertoire;
    }
}

TEST_F(DataExtractorTest, ArchiveWithoutEntriesSucceedsAndWritesNothing) {
    MakeEmptyArchive("e.zip");
    ASSERT_TRUE(bInstalle("e.zip")) << m_sErreur;
    EXPECT_EQ("", m_sErreur);
    EXPECT_TRUE(aListe(m_sProg).empty());
}

// A link at a target is replaced by the file; neither its destination nor the destination's owner
// and mode change.
TEST_F(DataExtractorTest, LinkAtTheTargetIsReplacedNotFollowed) {
    ASSERT_EQ(0, mkdir(m_sProg.c_str(), 0755));
    ASSERT_EQ(0, mkdir(sPath("outside").c_str(), 0755));
    ASSERT_TRUE(WriteFile(sPath("outside/victim"), "victim"));
    ASSERT_EQ(0, chmod(sPath("outside/victim").c_str(), 0600));
    ASSERT_EQ(0, symlink(sPath("outside/victim").c_str(), (m_sProg + "/libx.so").c_str()));
    ASSERT_EQ(0, symlink(sPath("outside/victim").c_str(), (m_sProg + "/empty.so").c_str()));
    MakeArchive("a.zip", {{"libx.so", "new library"}, {"empty.so", ""}});

    ASSERT_TRUE(bInstalle("a.zip")) << m_sErreur;
    for (const char* psz : {"libx.so", "empty.so"}) {
        struct stat st = stLstat(m_sProg + "/" + psz);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << psz;
        EXPECT_EQ(MODE_FICHIER, st.st_mode & 07777) << psz;
    }
    EXPECT_EQ("new library", sReadFile(m_sProg + "/libx.so"));
    EXPECT_EQ("", sReadFile(m_sProg + "/empty.so"));
    EXPECT_EQ("victim", sReadFile(sPath("outside/victim")));
    EXPECT_EQ(0600u, stLstat(sPath("outside/victim")).st_mode & 07777);
}

// A sub-directory of the program directory that is a symbolic link, wherever it lies on the
// entry's path and wherever it points, is not written through: the entry is refused with a report
// naming it, the entries before it stay installed, nothing appears where it points.
TEST_F(DataExtractorTest, SubDirectoryThatIsALinkIsRefused) {
    struct Case {
        const char* pszTitre;
        const char* pszLien;   // under prog/
        const char* pszCible;  // where it points (under the temporary directory)
        const char* pszEntree;
    };
    const Case aCases[] = {
        {"to a directory outside", "sub", "outside", "sub/x.txt"},
        {"deeper on the path", "real/sub", "outside", "real/sub/deeper/x.txt"},
        {"dangling", "sub", "nowhere", "sub/x.txt"},
        {"to a directory inside", "sub", "prog/real", "sub/x.txt"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszTitre);
        std::filesystem::remove_all(m_sProg);
        std::filesystem::remove_all(sPath("outside"));
        ASSERT_EQ(0, mkdir(sPath("outside").c_str(), 0755));
        ASSERT_EQ(0, mkdir(m_sProg.c_str(), 0755));
        ASSERT_EQ(0, mkdir((m_sProg + "/real").c_str(), 0755));
        ASSERT_EQ(0, symlink(sPath(c.pszCible).c_str(), (m_sProg + "/" + c.pszLien).c_str()));
        MakeArchive("l.zip", {{"first.txt", "1"}, {c.pszEntree, "x"}});

        EXPECT_FALSE(bInstalle("l.zip"));
        const std::string sLien = m_sProg + "/" + c.pszLien;
        EXPECT_EQ(texte::sRapport(sLien, "Too many levels of symbolic links", texte::sLien(sLien)), m_sErreur);
        EXPECT_EQ("1", sReadFile(m_sProg + "/first.txt"));
        EXPECT_TRUE(aListe(sPath("outside")).empty());
        EXPECT_TRUE(aListe(m_sProg + "/real").empty() || std::string(c.pszLien) == "real/sub");
        EXPECT_FALSE(bExists(sPath("nowhere")));
    }
}

// A name that leaves the directory or holds a control character refuses the whole archive before
// its first entry is written, even a harmless entry that comes first. The report shows the name
// with its controls escaped.
TEST_F(DataExtractorTest, HostileNameRefusesTheArchiveBeforeAnythingIsWritten) {
    struct Case {
        const char* pszNom;      // same length as "zz/evil.txt", patched into both headers
        bool bUTF8;              // the name is marked as UTF-8
        const char* pszRapport;  // the name as the report gives it ("\" separators)
    };
    const Case aCases[] = {
        {"../evil.txt", false, "..\\evil.txt"},
        {"..\\evil.txt", false, "..\\evil.txt"},
        {"/x/evil.txt", false, "\\x\\evil.txt"},
        {"a/../../e.t", false, "a\\..\\..\\e.t"},
        {"zz/e\x1b[2Jl.t", false, "zz\\e\\x1B[2Jl.t"},
        {"zz/ev\xc2\x9b"
         "2J.t",
         true, "zz\\ev\\x9B2J.t"},
        {"zz/ev\xc2\x85l.tx", true, "zz\\ev\\x85l.tx"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszRapport);
        std::filesystem::remove_all(m_sProg);
        MakeArchive("h.zip", {{"a.txt", "harmless"}, {"zz/evil.txt", "evil"}});
        ASSERT_EQ(11u, strlen(c.pszNom));
        ASSERT_TRUE(c.bUTF8 ? bPatchNomUTF8(sPath("h.zip"), "zz/evil.txt", c.pszNom)
                            : bPatch(sPath("h.zip"), "zz/evil.txt", c.pszNom));
        EXPECT_FALSE(bInstalle("h.zip"));
        EXPECT_EQ(texte::sRapport(c.pszRapport, "", texte::ARCHIVE_INVALIDE), m_sErreur);
        EXPECT_FALSE(bExists(m_sProg));
        EXPECT_FALSE(bExists(sPath("evil.txt")));
        EXPECT_FALSE(bExists(sPath("e.t")));
    }
}

// A damaged entry leaves the file it would have replaced as it was and nothing of itself; the
// entries before it stay installed and those after it are not attempted. The report says what
// was wrong: a CRC mismatch, or deflated data that cannot be inflated.
TEST_F(DataExtractorTest, DamagedEntryKeepsThePreviousFileAndStops) {
    struct Case {
        const char* pszTitre;
        const char* pszOptions;
        bool bEnTete;  // the first byte of the data, else one in their middle
        const char* pszMessage;
        int bDebug;
    };
    const Case aCases[] = {
        {"CRC mismatch", "-0", false, texte::CRC, 0},
        {"CRC mismatch, debug line", "-0", false, texte::CRC, 1},
        // 0xFF opens a deflate block of the reserved type: inflate stops on it.
        {"data that do not inflate", "-9", true,
         "The data of the entry cannot be read: the archive is damaged or cannot be read.", 0},
    };
    std::string sTexte;
    for (int i = 0; sTexte.size() < 200000; i++) sTexte += std::to_string(i * 7919 % 10007) + " ";
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszTitre);
        std::filesystem::remove_all(m_sProg);
        MakeArchive("d.zip", {{"a.txt", "first"}, {"text.txt", sTexte}, {"z.txt", "last"}}, c.pszOptions);
        // text.txt's data follow its local header, name and extra field.
        std::string s = sReadFile(sPath("d.zip"));
        const size_t nLocal = s.find("text.txt") - 30;
        ASSERT_EQ(0, s.compare(nLocal, 4, "PK\x03\x04"));
        auto u16 = [&](size_t i) { return size_t(uint8_t(s[i])) | (size_t(uint8_t(s[i + 1])) << 8); };
        const size_t nDonnees = nLocal + 30 + u16(nLocal + 26) + u16(nLocal + 28);
        if (c.bEnTete)
            s[nDonnees] = static_cast<char>(0xFF);
        else
            s[nDonnees + 50000] = static_cast<char>(s[nDonnees + 50000] ^ 0x55);
        ASSERT_TRUE(WriteFile(sPath("d.zip"), s));
        ASSERT_EQ(0, mkdir(m_sProg.c_str(), 0755));
        ASSERT_TRUE(WriteFile(m_sProg + "/text.txt", "old content"));

        EXPECT_FALSE(bInstalle("d.zip", c.bDebug));
        EXPECT_EQ((std::vector<std::string>{"a.txt", "text.txt"}), aListe(m_sProg));
        EXPECT_EQ("first", sReadFile(m_sProg + "/a.txt"));
        EXPECT_EQ("old content", sReadFile(m_sProg + "/text.txt"));
        const std::string sRapport = texte::sRapport("text.txt", "", c.pszMessage);
        if (c.bDebug) {
            // ctime's line, then the debug line with the facade's result, then the report.
            const std::string sDebug = "\nUnzipping files failed whith error 30\r\n" + sRapport;
            ASSERT_GE(m_sErreur.size(), sDebug.size()) << m_sErreur;
            EXPECT_EQ(sDebug, m_sErreur.substr(m_sErreur.size() - sDebug.size()));
        } else {
            EXPECT_EQ(sRapport, m_sErreur);
        }
    }
}

// An encrypted entry: the installer has no password to give, and says why the entry failed.
TEST_F(DataExtractorTest, EncryptedEntryIsReported) {
    MakeEncryptedArchive("c.zip", {{"secret.txt", std::string(1000, 's')}});
    EXPECT_FALSE(bInstalle("c.zip"));
    EXPECT_EQ(texte::sRapport("secret.txt", "", texte::CHIFFREE), m_sErreur);
    EXPECT_TRUE(aListe(m_sProg).empty());
}

// A target that cannot be replaced (a directory stands there): reported under the target's name,
// the temporary file removed, the later entries not attempted.
TEST_F(DataExtractorTest, TargetThatCannotBeReplacedIsReportedAndLeftAsItWas) {
    ASSERT_EQ(0, mkdir(m_sProg.c_str(), 0755));
    ASSERT_EQ(0, mkdir((m_sProg + "/lib").c_str(), 0755));
    ASSERT_TRUE(WriteFile(m_sProg + "/lib/inside", "i"));
    MakeArchive("r.zip", {{"lib", "a file named like the directory"}, {"z.txt", "z"}});

    EXPECT_FALSE(bInstalle("r.zip"));
    const std::string sCible = m_sProg + "/lib";
    // The rename message names the temporary file too, whose name is random.
    const std::string sDebut = "Error with " + sCible + ":\r\nIs a directory\r\n\r\nCannot rename the file: new name " +
                               sCible + ", old name " + m_sProg + "/.pginst";
    EXPECT_EQ(sDebut, m_sErreur.substr(0, sDebut.size()));
    EXPECT_EQ(".\n", m_sErreur.substr(m_sErreur.size() - 2));
    EXPECT_EQ(sDebut.size() + 6 + 2, m_sErreur.size()) << m_sErreur;
    EXPECT_EQ((std::vector<std::string>{"lib/", "lib/inside"}), aListe(m_sProg));
}

// A zero-length entry over an existing file leaves its content (the archive family's rule) but
// gives it the owner and mode of the installed files; unless the file has another name as well
// (a hard link, perhaps to a file outside the directory): that file keeps its content, owner and
// mode, and the entry's name gets an empty file of its own.
TEST_F(DataExtractorTest, ZeroLengthEntryOverAnExistingFile) {
    ASSERT_EQ(0, mkdir(m_sProg.c_str(), 0755));
    ASSERT_TRUE(WriteFile(m_sProg + "/kept.txt", "kept"));
    ASSERT_EQ(0, chmod((m_sProg + "/kept.txt").c_str(), 0600));
    ASSERT_TRUE(WriteFile(sPath("victim"), "victim"));
    ASSERT_EQ(0, chmod(sPath("victim").c_str(), 0604));
    ASSERT_EQ(0, link(sPath("victim").c_str(), (m_sProg + "/linked.txt").c_str()));
    const struct stat stVictime = stLstat(sPath("victim"));
    MakeArchive("z.zip", {{"kept.txt", ""}, {"linked.txt", ""}});

    ASSERT_TRUE(bInstalle("z.zip")) << m_sErreur;
    EXPECT_EQ("kept", sReadFile(m_sProg + "/kept.txt"));
    EXPECT_EQ(MODE_FICHIER, stLstat(m_sProg + "/kept.txt").st_mode & 07777);
    EXPECT_EQ(m_nUid, stLstat(m_sProg + "/kept.txt").st_uid);

    EXPECT_EQ("victim", sReadFile(sPath("victim")));
    const struct stat st = stLstat(sPath("victim"));
    EXPECT_EQ(0604u, st.st_mode & 07777);
    EXPECT_EQ(stVictime.st_uid, st.st_uid);
    EXPECT_EQ(stVictime.st_gid, st.st_gid);
    EXPECT_EQ(1u, st.st_nlink);
    EXPECT_EQ("", sReadFile(m_sProg + "/linked.txt"));
    EXPECT_EQ(MODE_FICHIER, stLstat(m_sProg + "/linked.txt").st_mode & 07777);
}

TEST_F(DataExtractorTest, ArchiveThatCannotBeOpenedIsReportedWithItsPath) {
    struct Case {
        const char* pszTitre;
        const char* pszContenu;  // null: no file
        const char* pszSysteme;
        const char* pszMessage;
    };
    const Case aCases[] = {
        {"absent", nullptr, "No such file or directory", texte::ARCHIVE_ABSENTE},
        {"not a zip archive", "just some text, no end record", "", texte::ARCHIVE_INVALIDE},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszTitre);
        std::filesystem::remove(sPath("x.zip"));
        if (c.pszContenu != nullptr) {
            ASSERT_TRUE(WriteFile(sPath("x.zip"), c.pszContenu));
        }
        EXPECT_FALSE(bInstalle("x.zip"));
        EXPECT_EQ(texte::sRapport(sPath("x.zip"), c.pszSysteme, c.pszMessage), m_sErreur);
        EXPECT_FALSE(bExists(m_sProg));
    }
}

// Without the program's own path there is no directory to find the archive in: the archive of that
// name in the working directory is not taken instead.
TEST_F(DataExtractorTest, ProgramPathThatCannotBeReadOpensNoArchive) {
    MakeArchive("postgresql_install.zip", {{"decoy.txt", "decoy"}});
    char szAvant[4096];
    ASSERT_NE(getcwd(szAvant, sizeof(szAvant)), nullptr);
    ASSERT_EQ(0, chdir(sPath("").c_str()));
    testing::internal::CaptureStderr();
    g_bSansCheminProgramme = true;
    bool bOk;
    {
        CDataExtractor clExtracteur(0);
        bOk = clExtracteur.bInit(L"postgresql_install") &&
              clExtracteur.bInstall(wsDe(m_sProg).c_str(), MODE_REPERTOIRE, getuid(), getgid(), MODE_FICHIER, m_nUid,
                                    m_nGid);
    }
    g_bSansCheminProgramme = false;
    m_sErreur = testing::internal::GetCapturedStderr();
    ASSERT_EQ(0, chdir(szAvant));
    EXPECT_FALSE(bOk);
    EXPECT_EQ(texte::sRapport("postgresql_install", "No such file or directory", texte::ARCHIVE_ABSENTE), m_sErreur);
    EXPECT_FALSE(bExists(m_sProg));
}

// A target path beyond the file layer's 260 characters would be cut or refused half-way: the
// archive is refused before anything is written.
TEST_F(DataExtractorTest, TargetPathTooLongRefusesTheArchive) {
    m_sProg = sPath(std::string(150, 'd'));
    const std::string sLong(120, 'f');
    MakeArchive("l.zip", {{"short.txt", "s"}, {sLong, "l"}});
    EXPECT_FALSE(bInstalle("l.zip"));
    EXPECT_EQ(texte::sRapport(sLong, "File name too long", texte::FICHIER_IMPOSSIBLE), m_sErreur);
    EXPECT_FALSE(bExists(m_sProg));
}

}  // namespace
