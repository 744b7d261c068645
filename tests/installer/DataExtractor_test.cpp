// Tests of the installer's extractor: an archive installed under a directory with the owner and mode
// given for files, hostile and damaged archives refused without harm to what is already there, and
// the reports it writes on standard error.
#include "installer/DataExtractor.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "tests/installer/InstallerFixture.h"

namespace {

// Modes the tests give, recognisable among the defaults.
constexpr uint32_t MODE_REPERTOIRE = 0750;
constexpr uint32_t MODE_FICHIER = 0640;

class DataExtractorTest : public CInstallerTest {
protected:
    void SetUp() override {
        CInstallerTest::SetUp();
        m_sProg = sPath("prog");
    }

    // Opens the archive and installs it under prog/; stderr holds what the extractor wrote.
    bool bInstalle(const std::string& sArchive, int bDebug = 0) {
        testing::internal::CaptureStderr();
        bool bOk;
        {
            CDataExtractor clExtracteur(bDebug);
            bOk = clExtracteur.bInitChemin(wsPath(wsDe(sArchive)).c_str()) &&
                  clExtracteur.bInstall(wsDe(m_sProg).c_str(), MODE_REPERTOIRE, getuid(), getgid(), MODE_FICHIER,
                                        getuid(), getgid());
        }
        m_sErreur = testing::internal::GetCapturedStderr();
        return bOk;
    }

    std::string m_sProg;
    std::string m_sErreur;
};

TEST_F(DataExtractorTest, InstallsEveryEntryWithTheGivenOwnerAndMode) {
    const Fichiers aFichiers = {{"empty.txt", ""},
                                {"text.txt", std::string(300000, 'x') + "end"},
                                {"sub/a.txt", "abc"},
                                {"sub/deeper/c.txt", "deep"}};
    MakeArchive("a.zip", aFichiers, "-9");
    ASSERT_TRUE(bInstalle("a.zip")) << m_sErreur;
    EXPECT_EQ("", m_sErreur);

    // No temporary file is left beside the files.
    EXPECT_EQ(
        (std::vector<std::string>{"empty.txt", "sub/", "sub/a.txt", "sub/deeper/", "sub/deeper/c.txt", "text.txt"}),
        aListe(m_sProg));
    EXPECT_EQ(MODE_REPERTOIRE, stLstat(m_sProg).st_mode & 07777);
    for (const auto& [sNom, sContenu] : aFichiers) {
        const std::string sFichier = m_sProg + "/" + sNom;
        EXPECT_EQ(sContenu, sReadFile(sFichier)) << sNom;
        struct stat st = stLstat(sFichier);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << sNom;
        EXPECT_EQ(MODE_FICHIER, st.st_mode & 07777) << sNom;
        EXPECT_EQ(getuid(), st.st_uid) << sNom;
        EXPECT_EQ(INSTALLERTEST_MTIME, st.st_mtime) << sNom;
    }
    EXPECT_TRUE(S_ISDIR(stLstat(m_sProg + "/sub/deeper").st_mode));
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
    MakeArchive("a.zip", {{"libx.so", "new library"}});

    ASSERT_TRUE(bInstalle("a.zip")) << m_sErreur;
    struct stat st = stLstat(m_sProg + "/libx.so");
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(MODE_FICHIER, st.st_mode & 07777);
    EXPECT_EQ("new library", sReadFile(m_sProg + "/libx.so"));
    EXPECT_EQ("victim", sReadFile(sPath("outside/victim")));
    EXPECT_EQ(0600u, stLstat(sPath("outside/victim")).st_mode & 07777);
}

// A name that leaves the directory refuses the whole archive before its first entry is written,
// even a harmless entry that comes first.
TEST_F(DataExtractorTest, HostileNameRefusesTheArchiveBeforeAnythingIsWritten) {
    struct Case {
        const char* pszNom;      // same length as "zz/evil.txt", patched into both headers
        const char* pszRapport;  // the name as the report gives it ("\" separators)
    };
    const Case aCases[] = {
        {"../evil.txt", "..\\evil.txt"},
        {"..\\evil.txt", "..\\evil.txt"},
        {"/x/evil.txt", "\\x\\evil.txt"},
        {"a/../../e.t", "a\\..\\..\\e.t"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszNom);
        std::filesystem::remove_all(m_sProg);
        MakeArchive("h.zip", {{"a.txt", "harmless"}, {"zz/evil.txt", "evil"}});
        ASSERT_TRUE(bPatch(sPath("h.zip"), "zz/evil.txt", c.pszNom));
        EXPECT_FALSE(bInstalle("h.zip"));
        EXPECT_EQ(sRapportCode(c.pszRapport, 28595), m_sErreur);
        EXPECT_FALSE(bExists(m_sProg));
        EXPECT_FALSE(bExists(sPath("evil.txt")));
        EXPECT_FALSE(bExists(sPath("e.t")));
    }
}

// A damaged entry leaves the file it would have replaced as it was and nothing of itself; the
// entries before it stay installed and those after it are not attempted. A CRC mismatch (30) has
// no row in the installer's table: nothing is reported for it, unless the debug flag is set.
TEST_F(DataExtractorTest, DamagedEntryKeepsThePreviousFileAndStops) {
    for (int bDebug : {0, 1}) {
        SCOPED_TRACE(bDebug);
        std::filesystem::remove_all(m_sProg);
        MakeArchive("d.zip", {{"a.txt", "first"}, {"text.txt", "AAAAAAAAAAAAAAAAAAAAAAAAAAAA"}, {"z.txt", "last"}},
                    "-0");
        ASSERT_TRUE(bPatch(sPath("d.zip"), "AAAAAAAAAAAAAAAAAAAAAAAAAAAA", "AAAAAAAAAAAAAABAAAAAAAAAAAAA"));
        ASSERT_EQ(0, mkdir(m_sProg.c_str(), 0755));
        ASSERT_TRUE(WriteFile(m_sProg + "/text.txt", "old content"));

        EXPECT_FALSE(bInstalle("d.zip", bDebug));
        EXPECT_EQ((std::vector<std::string>{"a.txt", "text.txt"}), aListe(m_sProg));
        EXPECT_EQ("first", sReadFile(m_sProg + "/a.txt"));
        EXPECT_EQ("old content", sReadFile(m_sProg + "/text.txt"));
        if (bDebug) {
            // ctime's line, then the debug line.
            EXPECT_NE(std::string::npos, m_sErreur.find("\nUnzipping files failed whith error 30\r\n")) << m_sErreur;
        } else {
            EXPECT_EQ("", m_sErreur);
        }
    }
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
    // The file layer's rename message follows, naming both files.
    const std::string sDebut = sMessage(4903, wsDe(sCible).c_str()) + "\r\n" + strerror(EISDIR) + "\r\n\r\n";
    EXPECT_EQ(sDebut, m_sErreur.substr(0, sDebut.size()));
    EXPECT_NE(std::string::npos, m_sErreur.find(sCible, sDebut.size())) << m_sErreur;
    EXPECT_EQ((std::vector<std::string>{"lib/", "lib/inside"}), aListe(m_sProg));
}

// A zero-length entry over an existing file leaves its content (the archive family's rule) but
// gives it the owner and mode of the installed files.
TEST_F(DataExtractorTest, ZeroLengthEntryKeepsAnExistingFilesContent) {
    ASSERT_EQ(0, mkdir(m_sProg.c_str(), 0755));
    ASSERT_TRUE(WriteFile(m_sProg + "/empty.txt", "kept"));
    ASSERT_EQ(0, chmod((m_sProg + "/empty.txt").c_str(), 0600));
    MakeArchive("z.zip", {{"empty.txt", ""}});

    ASSERT_TRUE(bInstalle("z.zip")) << m_sErreur;
    EXPECT_EQ("kept", sReadFile(m_sProg + "/empty.txt"));
    EXPECT_EQ(MODE_FICHIER, stLstat(m_sProg + "/empty.txt").st_mode & 07777);
}

TEST_F(DataExtractorTest, ArchiveThatCannotBeOpenedIsReportedWithItsPath) {
    struct Case {
        const char* pszTitre;
        const char* pszContenu;  // null: no file
        uint32_t nMessage;
    };
    const Case aCases[] = {
        {"absent", nullptr, 28598},
        {"not a zip archive", "just some text, no end record", 28595},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszTitre);
        std::filesystem::remove(sPath("x.zip"));
        if (c.pszContenu != nullptr) {
            ASSERT_TRUE(WriteFile(sPath("x.zip"), c.pszContenu));
        }
        EXPECT_FALSE(bInstalle("x.zip"));
        EXPECT_EQ(sRapportCode(sPath("x.zip"), c.nMessage), m_sErreur);
        EXPECT_FALSE(bExists(m_sProg));
    }
}

// A target path beyond the file layer's 260 characters would be cut or refused half-way: the
// archive is refused before anything is written.
TEST_F(DataExtractorTest, TargetPathTooLongRefusesTheArchive) {
    m_sProg = sPath(std::string(150, 'd'));
    const std::string sLong(120, 'f');
    MakeArchive("l.zip", {{"short.txt", "s"}, {sLong, "l"}});
    EXPECT_FALSE(bInstalle("l.zip"));
    EXPECT_EQ(sRapportCode(sLong, 28594), m_sErreur);
    EXPECT_FALSE(bExists(m_sProg));
}

}  // namespace
