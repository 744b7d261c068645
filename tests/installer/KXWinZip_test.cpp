// Tests of the zip archive facade CKXWinZip over archives made here with Info-ZIP zip: the slot order
// of the archive family, the directory copied from the archive, extraction to a file (content,
// times, the zero-length road, hostile names, a link at the target, a failing write) and to a byte
// buffer, the result codes of damaged and encrypted entries, and the info line.
#include "installer/KXWinZip.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

#include "../core/VirtualSlot.h"
#include "../host/TempDir.h"
#include "core/VQBIN.h"
#include "core/XYString.h"
#include "installer/MemoryStream.h"

namespace {

TEST(KXZipBaseSlots, FamilyOrder) {
    using Fichier = _eKXzipResult (CKXZipBase::*)(const wchar_t*, const wchar_t*, unsigned long, HWND, int, int);
    using Memoire = _eKXzipResult (CKXZipBase::*)(const wchar_t*, CVQBIN*, unsigned long, HWND, int);
    // Slots 0 and 1 are the destructor pair.
    EXPECT_EQ(SlotOf(&CKXZipBase::eOuvreArchive), 2);
    EXPECT_EQ(SlotOf(&CKXZipBase::Lock), 3);
    EXPECT_EQ(SlotOf(&CKXZipBase::LockEcritureOuvertEnLecture), 4);
    EXPECT_EQ(SlotOf(&CKXZipBase::LockLectureEcritureOuvertEnLectureEcriture), 5);
    EXPECT_EQ(SlotOf(static_cast<Fichier>(&CKXZipBase::eExtraitFichier)), 6);
    EXPECT_EQ(SlotOf(static_cast<Memoire>(&CKXZipBase::eExtraitFichier)), 7);
    EXPECT_EQ(SlotOf(&CKXZipBase::dwNombreFichier), 8);
    EXPECT_EQ(SlotOf(&CKXZipBase::nTypeZip), 9);
    EXPECT_EQ(SlotOf(&CKXZipBase::ForceRepVideAlaFin), 10);
    EXPECT_EQ(SlotOf(&CKXZipBase::pszNomFichier), 11);
    EXPECT_EQ(SlotOf(&CKXZipBase::dwTailleOriginale), 12);
    EXPECT_EQ(SlotOf(&CKXZipBase::dwTailleCompresse), 13);
    EXPECT_EQ(SlotOf(&CKXZipBase::stftLitFtCreation), 14);
    EXPECT_EQ(SlotOf(&CKXZipBase::stftLitFtAcces), 15);
    EXPECT_EQ(SlotOf(&CKXZipBase::stftLitFtModif), 16);
    EXPECT_EQ(SlotOf(&CKXZipBase::dwLitAttribut), 17);
    EXPECT_EQ(SlotOf(&CKXZipBase::bCrypte), 18);
    EXPECT_EQ(SlotOf(&CKXZipBase::lRangFichier), 19);
    EXPECT_EQ(SlotOf(&CKXZipBase::eMotDePasse), 20);
    EXPECT_EQ(SlotOf(&CKXZipBase::eGetMotDePasse), 21);
    EXPECT_EQ(SlotOf(&CKXZipBase::eNiveauCompression), 22);
    EXPECT_EQ(SlotOf(&CKXZipBase::eGetNiveauCompression), 23);
    EXPECT_EQ(SlotOf(&CKXZipBase::bEntete64Bits), 24);
    EXPECT_EQ(SlotOf(&CKXZipBase::vSetNomFicUnicode), 25);
    EXPECT_EQ(SlotOf(&CKXZipBase::SetPourcentGlobal), 26);
}

TEST(KXZipBaseNames, SafeNames) {
    struct Case {
        const wchar_t* pszNom;
        int bSur;
    };
    const Case aCases[] = {
        {L"a.txt", 1},
        {L"sub\\deeper\\c.txt", 1},
        {L"sub/c.txt", 1},
        {L"..a\\b..", 1},
        {L"./a", 1},
        {L"", 0},
        {L"../evil.txt", 0},
        {L"..\\evil.txt", 0},
        {L"a\\..\\..\\b", 0},
        {L"a/..", 0},
        {L"..", 0},
        {L"/x/evil.txt", 0},
        {L"\\x\\evil.txt", 0},
        {L"a\nb", 0},
        {L"a\x7f", 0},
        // The C1 controls, which a terminal may act on as it does on C0 ones, and their neighbours.
        {L"a\u0080", 0},
        {L"lib\u0085.so", 0},
        {L"a\u009B2J", 0},
        {L"a\u009F", 0},
        {L"a\u00A0", 1},
        {L"\u00E9t\u00E9", 1},
    };
    for (const Case& c : aCases)
        EXPECT_EQ(CKXZipBase::bNomFichierSur(c.pszNom), c.bSur) << std::wstring(c.pszNom).size();
}

class KXWinZipTest : public CTempDirTest {
protected:
    void SetUp() override {
        CTempDirTest::SetUp();
        ASSERT_EQ(system(("mkdir -p " + sPath("src/sub/deeper")).c_str()), 0);
        std::string sTexte;
        for (int i = 0; i < 4000; i++) sTexte += "line " + std::to_string(i) + " of the text\n";
        m_sTexte = sTexte;
        ASSERT_TRUE(WriteFile(sPath("src/text.txt"), m_sTexte));
        ASSERT_TRUE(WriteFile(sPath("src/empty.txt"), ""));
        ASSERT_TRUE(WriteFile(sPath("src/sub/a.txt"), "abc"));
        ASSERT_TRUE(WriteFile(sPath("src/sub/deeper/c.txt"), "deep file"));
    }

    // Runs zip in the source directory: "zip <options> ../<archive> <files>".
    void Zip(const std::string& sOptions, const std::string& sArchive, const std::string& sFichiers = ".") {
        const std::string s = "cd " + sPath("src") + " && zip -q " + sOptions + " ../" + sArchive + " " + sFichiers;
        ASSERT_EQ(system(s.c_str()), 0) << s;
    }
    // Replaces every occurrence of a byte string in a file by another of the same length.
    void Patch(const std::string& sFichier, const std::string& sDe, const std::string& sVers) {
        std::string s = sReadFile(sPath(sFichier));
        size_t n = 0;
        int nFois = 0;
        while ((n = s.find(sDe, n)) != std::string::npos) {
            s.replace(n, sDe.size(), sVers);
            n += sVers.size();
            nFois++;
        }
        ASSERT_GT(nFois, 0);
        ASSERT_TRUE(WriteFile(sPath(sFichier), s));
    }
    _eKXzipResult eOuvre(CKXWinZip& clZip, const std::string& sArchive) {
        return clZip.eOuvreArchive(wsPath(std::wstring(sArchive.begin(), sArchive.end())).c_str(), 0, 0);
    }
    _eKXzipResult eExtrait(CKXWinZip& clZip, const wchar_t* pszNom, const std::string& sCible, int nFlags = 0) {
        return clZip.eExtraitFichier(pszNom, wsPath(std::wstring(sCible.begin(), sCible.end())).c_str(), 0, nullptr, 0,
                                     nFlags);
    }

    std::string m_sTexte;
};

TEST_F(KXWinZipTest, DirectoryOfTheArchive) {
    Zip("-r -9", "best.zip");
    CKXWinZip clZip;
    EXPECT_EQ(clZip.nTypeZip(), 1);
    ASSERT_EQ(eOuvre(clZip, "best.zip"), eKXzipOk);
    // The directory entries "sub/" and "sub/deeper/" are left out.
    ASSERT_EQ(clZip.dwNombreFichier(), 4u);
    std::vector<std::wstring> aNoms;
    for (uint32_t i = 0; i < clZip.dwNombreFichier(); i++) aNoms.push_back(clZip.pszNomFichier(i));
    for (const wchar_t* psz : {L"text.txt", L"empty.txt", L"sub\\a.txt", L"sub\\deeper\\c.txt"}) {
        EXPECT_NE(std::find(aNoms.begin(), aNoms.end(), psz), aNoms.end()) << aNoms.size();
    }
    const long l = clZip.lRangFichier(L"SUB\\DEEPER\\C.TXT");
    ASSERT_GE(l, 0);
    EXPECT_STREQ(clZip.pszNomFichier(l), L"sub\\deeper\\c.txt");
    EXPECT_EQ(clZip.dwTailleOriginale(l), 9u);
    EXPECT_FALSE(clZip.bCrypte(l));
    EXPECT_EQ(clZip.lRangFichier(L"sub\\deeper"), -1);
    EXPECT_EQ(clZip.lRangFichier(L"text.txt") >= 0 ? clZip.dwTailleOriginale(clZip.lRangFichier(L"text.txt")) : 0u,
              m_sTexte.size());

    // Info line: path, sizes (no digit for 0), three times, hidden mark, encryption mark.
    CTString clInfo;
    const long lVide = clZip.lRangFichier(L"empty.txt");
    ASSERT_EQ(clZip.eGetInfoFichier(lVide, clInfo), eKXzipOk);
    std::wstring s = clInfo.pszGet();
    const CDiskFile::_stXFILETIME st = clZip.stftLitFtModif(lVide);
    wchar_t szTemps[32];
    swprintf(szTemps, 32, L"%04i%02i%02i%02i%02i%02i", st.wYear, st.wMonth, st.wDay, st.wHour, st.wMinute, st.wSecond);
    // An entry made on Unix holds the file's mode in the high half: a regular file's sets the top bit,
    // which the line shows as "H".
    EXPECT_EQ(clZip.dwLitAttribut(lVide) >> 28, 0x8u);
    EXPECT_EQ(s, std::wstring(L"empty.txt\t\t\t") + szTemps + L"\t" + szTemps + L"\t" + szTemps + L"\tH\tN");
    EXPECT_EQ(clZip.eGetInfoFichier(4, clInfo), eKXzipOuvertureArchive);
}

TEST_F(KXWinZipTest, DirectoryOnlyArchiveIsEmpty) {
    ASSERT_EQ(system(("mkdir -p " + sPath("src/emptydir/inner")).c_str()), 0);
    Zip("-r", "donly.zip", "emptydir");
    CKXWinZip clZip;
    ASSERT_EQ(eOuvre(clZip, "donly.zip"), eKXzipOk);
    EXPECT_EQ(clZip.dwNombreFichier(), 0u);
}

TEST_F(KXWinZipTest, ResultCodesWithoutExtraction) {
    Zip("-r", "plain.zip");
    ASSERT_TRUE(WriteFile(sPath("text.zip"), "this is not an archive at all, only some text"));
    {
        CKXWinZip clZip;
        CVQBIN clBuffer;
        EXPECT_EQ(eExtrait(clZip, L"text.txt", "out"), eKXzipPasOuverte);
        EXPECT_EQ(clZip.eExtraitFichier(L"text.txt", &clBuffer, 0, nullptr, 0), eKXzipPasOuverte);
        EXPECT_EQ(clZip.eGetDernierResultat(), eKXzipPasOuverte);
        EXPECT_EQ(eOuvre(clZip, "absent.zip"), eKXzipOuvertureArchive);
        EXPECT_EQ(eOuvre(clZip, "text.zip"), eKXzipArchiveInvalide);
        EXPECT_EQ(eExtrait(clZip, L"text.txt", "out"), eKXzipPasOuverte);
        ASSERT_EQ(eOuvre(clZip, "plain.zip"), eKXzipOk);
        EXPECT_EQ(eExtrait(clZip, L"nothere.txt", "out"), eKXzipOuvertureArchive);
        EXPECT_EQ(clZip.eExtraitFichier(L"nothere.txt", &clBuffer, 0, nullptr, 0), eKXzipOuvertureArchive);
        EXPECT_EQ(clZip.eNiveauCompression(10), eKXzipNiveauCompression);
        EXPECT_EQ(clZip.eNiveauCompression(9), eKXzipOk);
        int nNiveau = 0;
        EXPECT_EQ(clZip.eGetNiveauCompression(nNiveau), eKXzipOk);
        EXPECT_EQ(nNiveau, 9);
        EXPECT_EQ(clZip.bEntete64Bits(1), 0);
        EXPECT_EQ(clZip.bEntete64Bits(0), 1);
    }
    EXPECT_FALSE(bExists(sPath("out")));
}

TEST_F(KXWinZipTest, ExtractionToFileAndMemory) {
    struct Case {
        const char* pszOptions;
        const char* pszArchive;
    };
    const Case aCases[] = {{"-r -9", "best.zip"}, {"-r -0", "stored.zip"}};
    const struct {
        const wchar_t* pszNom;
        const char* pszSource;
    } aEntrees[] = {{L"text.txt", "src/text.txt"},
                    {L"sub\\a.txt", "src/sub/a.txt"},
                    {L"SUB\\Deeper\\c.txt", "src/sub/deeper/c.txt"}};
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszArchive);
        Zip(c.pszOptions, c.pszArchive);
        CKXWinZip clZip;
        ASSERT_EQ(eOuvre(clZip, c.pszArchive), eKXzipOk);
        for (const auto& e : aEntrees) {
            const std::string sAttendu = sReadFile(sPath(e.pszSource));
            ASSERT_EQ(eExtrait(clZip, e.pszNom, "out.bin"), eKXzipOk);
            EXPECT_EQ(sReadFile(sPath("out.bin")), sAttendu);
            // The modification time comes from the entry (two-second steps of the archive's dates).
            struct stat stSource, stCible;
            ASSERT_EQ(stat(sPath(e.pszSource).c_str(), &stSource), 0);
            ASSERT_EQ(stat(sPath("out.bin").c_str(), &stCible), 0);
            EXPECT_LE(std::llabs(static_cast<long long>(stSource.st_mtime - stCible.st_mtime)), 2);

            CVQBIN clBuffer;
            ASSERT_EQ(clZip.eExtraitFichier(e.pszNom, &clBuffer, 0, nullptr, 0), eKXzipOk);
            ASSERT_EQ(clBuffer.nGetTaille(), static_cast<int>(sAttendu.size()));
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(clBuffer.pbyGet()), sAttendu.size()), sAttendu);
        }
        CVQBIN clVide;
        EXPECT_EQ(clZip.eExtraitFichier(L"empty.txt", &clVide, 0, nullptr, 0), eKXzipOk);
        EXPECT_EQ(clVide.nGetTaille(), 0);
    }
}

// A zero-length entry makes an empty file, or leaves an existing file's content as it is.
TEST_F(KXWinZipTest, ZeroLengthEntry) {
    Zip("-r", "plain.zip");
    CKXWinZip clZip;
    ASSERT_EQ(eOuvre(clZip, "plain.zip"), eKXzipOk);
    ASSERT_EQ(eExtrait(clZip, L"empty.txt", "new.txt"), eKXzipOk);
    EXPECT_TRUE(bExists(sPath("new.txt")));
    EXPECT_EQ(sReadFile(sPath("new.txt")), "");
    ASSERT_TRUE(WriteFile(sPath("old.txt"), "previous content"));
    ASSERT_EQ(eExtrait(clZip, L"empty.txt", "old.txt"), eKXzipOk);
    EXPECT_EQ(sReadFile(sPath("old.txt")), "previous content");
    // The delete flag removes the existing file first.
    ASSERT_EQ(eExtrait(clZip, L"empty.txt", "old.txt", CKXZipBase::s_nSupprimeCible), eKXzipOk);
    EXPECT_EQ(sReadFile(sPath("old.txt")), "");
}

// Damaged entries: a flipped data byte is a CRC mismatch found after the whole file was written; data
// that inflate to fewer bytes than recorded are a short entry.
TEST_F(KXWinZipTest, DamagedEntries) {
    Zip("-0 -D", "crc.zip", "text.txt");
    Patch("crc.zip", "line 2000 of", "line 2000 oF");
    {
        CKXWinZip clZip;
        ASSERT_EQ(eOuvre(clZip, "crc.zip"), eKXzipOk);
        EXPECT_EQ(eExtrait(clZip, L"text.txt", "crc.txt"), eKXzipLecture);
        // The facade's 30 covers read failures too: the reader's own result tells a CRC mismatch.
        EXPECT_EQ(clZip.nGetResultatLecteur(), CWinZip::ZIP_CRCERROR);
        EXPECT_EQ(clZip.dwGetErreurSysteme(), 0u);
        EXPECT_EQ(sReadFile(sPath("crc.txt")).size(), m_sTexte.size());
        CVQBIN clBuffer;
        EXPECT_EQ(clZip.eExtraitFichier(L"text.txt", &clBuffer, 0, nullptr, 0), eKXzipLecture);
    }

    // The recorded uncompressed size raised by one in both headers.
    Zip("-9 -D", "short.zip", "sub/a.txt");
    std::string s = sReadFile(sPath("short.zip"));
    const size_t nCentral = s.find(std::string("PK\x01\x02", 4));
    ASSERT_NE(nCentral, std::string::npos);
    ASSERT_EQ(s[22], 3);
    ASSERT_EQ(s[nCentral + 24], 3);
    s[22] = 4;
    s[nCentral + 24] = 4;
    ASSERT_TRUE(WriteFile(sPath("short.zip"), s));
    CKXWinZip clZip;
    ASSERT_EQ(eOuvre(clZip, "short.zip"), eKXzipOk);
    EXPECT_EQ(eExtrait(clZip, L"sub\\a.txt", "short.txt"), eKXzipArchiveInvalide);
    CVQBIN clBuffer;
    EXPECT_EQ(clZip.eExtraitFichier(L"sub\\a.txt", &clBuffer, 0, nullptr, 0), eKXzipArchiveInvalide);
}

TEST_F(KXWinZipTest, EncryptedEntries) {
    Zip("-D -P secret", "enc.zip", "text.txt");
    CKXWinZip clZip;
    ASSERT_EQ(eOuvre(clZip, "enc.zip"), eKXzipOk);
    const long l = clZip.lRangFichier(L"text.txt");
    ASSERT_GE(l, 0);
    EXPECT_TRUE(clZip.bCrypte(l));
    // A wrong password passes the one-byte check once in 256 times; then the data fail instead. When
    // it is refused, it is refused before the target exists.
    int nRefus = 0;
    for (const wchar_t* pszMdp : {L"", L"wrong", L"Secret", L"secreT"}) {
        EXPECT_EQ(clZip.eMotDePasse(pszMdp), eKXzipOk);
        const _eKXzipResult e = eExtrait(clZip, L"text.txt", "enc.txt");
        EXPECT_TRUE(e == eKXzipMotDePasse || e == eKXzipLecture) << e;
        if (e == eKXzipMotDePasse) {
            nRefus++;
            EXPECT_FALSE(bExists(sPath("enc.txt")));
        }
        unlink(sPath("enc.txt").c_str());
    }
    EXPECT_GT(nRefus, 0);
    EXPECT_EQ(clZip.eMotDePasse(L"secret"), eKXzipOk);
    CXYString<wchar_t> clMdp;
    EXPECT_EQ(clZip.eGetMotDePasse(clMdp), eKXzipOk);
    EXPECT_STREQ(clMdp.pszGet(), L"secret");
    ASSERT_EQ(eExtrait(clZip, L"text.txt", "enc.txt"), eKXzipOk);
    EXPECT_EQ(sReadFile(sPath("enc.txt")), m_sTexte);
}

// An entry whose name climbs out of the target's directory is refused before anything is written.
TEST_F(KXWinZipTest, HostileNameIsRefused) {
    ASSERT_EQ(system(("mkdir -p " + sPath("src/zz")).c_str()), 0);
    ASSERT_TRUE(WriteFile(sPath("src/zz/evil.txt"), "evil"));
    Zip("-D", "evil.zip", "sub/a.txt zz/evil.txt");
    Patch("evil.zip", "zz/evil.txt", "../evil.txt");
    ASSERT_EQ(system(("mkdir -p " + sPath("prog")).c_str()), 0);
    CKXWinZip clZip;
    ASSERT_EQ(eOuvre(clZip, "evil.zip"), eKXzipOk);
    const long l = clZip.lRangFichier(L"..\\evil.txt");
    ASSERT_GE(l, 0);
    EXPECT_EQ(clZip.lPremierNomDangereux(), l);
    // The target a caller builds from its directory and the entry name.
    EXPECT_EQ(eExtrait(clZip, L"..\\evil.txt", "prog/../evil.txt"), eKXzipArchiveInvalide);
    EXPECT_FALSE(bExists(sPath("evil.txt")));
    EXPECT_EQ(eExtrait(clZip, L"sub\\a.txt", "prog/a.txt"), eKXzipOk);
}

// A symbolic link at the target is replaced by the extracted file; its destination is not touched.
TEST_F(KXWinZipTest, LinkAtTargetIsReplaced) {
    Zip("-r", "plain.zip");
    ASSERT_TRUE(WriteFile(sPath("victim"), "victim content"));
    ASSERT_EQ(chmod(sPath("victim").c_str(), 0600), 0);
    ASSERT_EQ(symlink(sPath("victim").c_str(), sPath("link.txt").c_str()), 0);
    ASSERT_EQ(symlink(sPath("victim").c_str(), sPath("emptylink.txt").c_str()), 0);
    CKXWinZip clZip;
    ASSERT_EQ(eOuvre(clZip, "plain.zip"), eKXzipOk);
    ASSERT_EQ(eExtrait(clZip, L"sub\\a.txt", "link.txt"), eKXzipOk);
    ASSERT_EQ(eExtrait(clZip, L"empty.txt", "emptylink.txt"), eKXzipOk);
    struct stat st;
    for (const char* psz : {"link.txt", "emptylink.txt"}) {
        ASSERT_EQ(lstat(sPath(psz).c_str(), &st), 0);
        EXPECT_TRUE(S_ISREG(st.st_mode)) << psz;
    }
    EXPECT_EQ(sReadFile(sPath("link.txt")), "abc");
    EXPECT_EQ(sReadFile(sPath("victim")), "victim content");
    ASSERT_EQ(stat(sPath("victim").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
}

// Locking follows the open mode: read and write with a byte lock for mode 1, a plain read open (and
// mode 0 from then on) otherwise.
TEST_F(KXWinZipTest, LockFollowsOpenMode) {
    Zip("-r", "plain.zip");
    CKXWinZip clZip;
    ASSERT_EQ(clZip.eOuvreArchive(wsPath(L"plain.zip").c_str(), 1, 0), eKXzipOk);
    EXPECT_EQ(clZip.nGetModeOuverture(), 1);
    clZip.Lock(1);
    EXPECT_TRUE(clZip.bFichierVerrouille());
    EXPECT_EQ(clZip.clGetFichierArchive().veGetAccess() & 3u, IXStream::eAccessReadWrite);
    clZip.Lock(0);
    EXPECT_FALSE(clZip.bFichierVerrouille());
    EXPECT_FALSE(clZip.clGetFichierArchive().bIsOpen());

    ASSERT_EQ(clZip.eOuvreArchive(wsPath(L"plain.zip").c_str(), 0, 0), eKXzipOk);
    EXPECT_EQ(clZip.nGetModeOuverture(), 0);
    clZip.Lock(0);
    EXPECT_FALSE(clZip.clGetFichierArchive().bIsOpen());
    clZip.Lock(1);
    EXPECT_TRUE(clZip.clGetFichierArchive().bIsOpen());
    EXPECT_FALSE(clZip.bFichierVerrouille());
    // The directory was read when the archive was opened; extraction reads through the reopened file.
    EXPECT_EQ(eExtrait(clZip, L"sub\\a.txt", "a.txt"), eKXzipOk);
    EXPECT_EQ(sReadFile(sPath("a.txt")), "abc");
}

// A write that does not reach the target fails the entry instead of reporting it extracted.
TEST_F(KXWinZipTest, FailedWriteIsReported) {
    struct stat st;
    if (stat("/dev/full", &st) != 0 || !S_ISCHR(st.st_mode)) GTEST_SKIP() << "no /dev/full here";
    Zip("-r", "plain.zip");
    CKXWinZip clZip;
    ASSERT_EQ(eOuvre(clZip, "plain.zip"), eKXzipOk);
    EXPECT_EQ(clZip.eExtraitFichier(L"text.txt", L"/dev/full", 0, nullptr, 0, 0), eKXzipArchiveInvalide);
    EXPECT_EQ(clZip.dwGetErreurSysteme(), uint32_t(ENOSPC));
    // A target that cannot be opened at all.
    EXPECT_EQ(eExtrait(clZip, L"text.txt", "no/such/dir/x.txt"), eKXzipOuvertureFichier);
    EXPECT_EQ(clZip.dwGetErreurSysteme(), uint32_t(ENOENT));
    // A success leaves no cause behind.
    EXPECT_EQ(eExtrait(clZip, L"text.txt", "x.txt"), eKXzipOk);
    EXPECT_EQ(clZip.dwGetErreurSysteme(), 0u);
    // An archive that cannot be opened, and one that is not a zip archive.
    EXPECT_EQ(eOuvre(clZip, "absent.zip"), eKXzipOuvertureArchive);
    EXPECT_EQ(clZip.dwGetErreurSysteme(), uint32_t(ENOENT));
    EXPECT_EQ(eOuvre(clZip, "src/text.txt"), eKXzipArchiveInvalide);
    EXPECT_EQ(clZip.dwGetErreurSysteme(), 0u);
    EXPECT_EQ(clZip.nGetResultatLecteur(), CWinZip::ZIP_BADZIPFILE);
}

// Extraction into a stream the caller opened: the entry's bytes and nothing else, the same results
// as the extraction to a file, and a zero-length entry that writes nothing.
TEST_F(KXWinZipTest, ExtractionIntoAStream) {
    Zip("-9 -D", "plain.zip", "text.txt empty.txt sub/a.txt");
    Zip("-0 -D", "crc.zip", "text.txt");
    Patch("crc.zip", "line 2000 of", "line 2000 oF");
    struct Case {
        const char* pszArchive;
        const wchar_t* pszNom;
        _eKXzipResult eAttendu;
        std::string sAttendu;  // the stream's bytes after a success
        int nLecteur;
    };
    const Case aCases[] = {
        {"plain.zip", L"text.txt", eKXzipOk, m_sTexte, 0},
        {"plain.zip", L"SUB\\A.TXT", eKXzipOk, "abc", 0},
        {"plain.zip", L"empty.txt", eKXzipOk, "", 0},
        {"plain.zip", L"absent.txt", eKXzipOuvertureArchive, "", 0},
        {"plain.zip", L"..\\text.txt", eKXzipArchiveInvalide, "", 0},
        {"crc.zip", L"text.txt", eKXzipLecture, "", CWinZip::ZIP_CRCERROR},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszArchive);
        CKXWinZip clZip;
        ASSERT_EQ(eOuvre(clZip, c.pszArchive), eKXzipOk);
        CMemoryStream clFlux;
        ASSERT_TRUE(clFlux.bOpen(L"", IXStream::eAccessWrite, IXStream::eShareNone, IXStream::eCreateAlways,
                                 IXStream::eFlagNone, nullptr));
        EXPECT_EQ(clZip.eExtraitVersFlux(c.pszNom, &clFlux, 0), c.eAttendu);
        EXPECT_EQ(clZip.nGetResultatLecteur(), c.nLecteur);
        if (c.eAttendu == eKXzipOk) {
            EXPECT_EQ(std::string(static_cast<const char*>(clFlux.pGetAddress()), size_t(clFlux.oGetSize())),
                      c.sAttendu);
        }
    }
}

}  // namespace
