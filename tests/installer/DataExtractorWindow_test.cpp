// The extractor's files are never open to others while it writes them: this test program puts its
// own chmod, chown and rename families in front of the C library's (calls from the extractor, linked
// into this program, reach them first), records every call on a file under the program directory
// with the file's mode at that moment, and passes the call on. An unprivileged user watching the
// directory could open for writing any file that was, even for an instant, writable by others.
#include <dlfcn.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "installer/DataExtractor.h"
#include "tests/installer/InstallerFixture.h"

namespace {

struct Appel {
    enum Type { MODE, PROPRIETAIRE, RENOMME } eType;
    bool bDescripteur;    // made on an open descriptor, not by name
    ino_t nInode;         // the file concerned
    mode_t nModeAvant;    // its mode just before the call
    mode_t nModeDemande;  // for MODE
};

// Calls are recorded only on regular files under this directory, while it is set.
std::string g_sRepertoire;
std::vector<Appel> g_aAppels;

bool bSous(const std::string& sChemin) {
    return !g_sRepertoire.empty() && sChemin.compare(0, g_sRepertoire.size(), g_sRepertoire) == 0;
}
std::string sCheminDe(int nDescripteur) {
    char sz[4096];
    const std::string sLien = "/proc/self/fd/" + std::to_string(nDescripteur);
    const ssize_t n = readlink(sLien.c_str(), sz, sizeof(sz) - 1);
    return n > 0 ? std::string(sz, size_t(n)) : std::string();
}
std::string sCheminDe(int nRepertoire, const char* psz) {
    if (psz[0] == '/' || nRepertoire == AT_FDCWD) return psz;
    return sCheminDe(nRepertoire) + "/" + psz;
}
void Note(Appel::Type eType, bool bDescripteur, const struct stat& st, mode_t nModeDemande = 0) {
    if (S_ISREG(st.st_mode)) g_aAppels.push_back({eType, bDescripteur, st.st_ino, st.st_mode & 07777, nModeDemande});
}
void NoteChemin(Appel::Type eType, const std::string& sChemin, mode_t nMode = 0) {
    struct stat st;
    if (bSous(sChemin) && lstat(sChemin.c_str(), &st) == 0) Note(eType, false, st, nMode);
}
void NoteDescripteur(Appel::Type eType, int nDescripteur, mode_t nMode = 0) {
    struct stat st;
    if (bSous(sCheminDe(nDescripteur)) && fstat(nDescripteur, &st) == 0) Note(eType, true, st, nMode);
}

template <typename F>
F pfSuivante(const char* pszNom) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, pszNom));
}

}  // namespace

extern "C" {

int chmod(const char* psz, mode_t n) {
    NoteChemin(Appel::MODE, psz, n);
    return pfSuivante<int (*)(const char*, mode_t)>("chmod")(psz, n);
}
int fchmod(int fd, mode_t n) {
    NoteDescripteur(Appel::MODE, fd, n);
    return pfSuivante<int (*)(int, mode_t)>("fchmod")(fd, n);
}
int fchmodat(int dirfd, const char* psz, mode_t n, int flags) {
    NoteChemin(Appel::MODE, sCheminDe(dirfd, psz), n);
    return pfSuivante<int (*)(int, const char*, mode_t, int)>("fchmodat")(dirfd, psz, n, flags);
}
int chown(const char* psz, uid_t u, gid_t g) {
    NoteChemin(Appel::PROPRIETAIRE, psz);
    return pfSuivante<int (*)(const char*, uid_t, gid_t)>("chown")(psz, u, g);
}
int lchown(const char* psz, uid_t u, gid_t g) {
    NoteChemin(Appel::PROPRIETAIRE, psz);
    return pfSuivante<int (*)(const char*, uid_t, gid_t)>("lchown")(psz, u, g);
}
int fchown(int fd, uid_t u, gid_t g) {
    NoteDescripteur(Appel::PROPRIETAIRE, fd);
    return pfSuivante<int (*)(int, uid_t, gid_t)>("fchown")(fd, u, g);
}
int fchownat(int dirfd, const char* psz, uid_t u, gid_t g, int flags) {
    NoteChemin(Appel::PROPRIETAIRE, sCheminDe(dirfd, psz));
    return pfSuivante<int (*)(int, const char*, uid_t, gid_t, int)>("fchownat")(dirfd, psz, u, g, flags);
}
int rename(const char* pszAncien, const char* pszNouveau) {
    NoteChemin(Appel::RENOMME, pszAncien);
    return pfSuivante<int (*)(const char*, const char*)>("rename")(pszAncien, pszNouveau);
}
int renameat(int d1, const char* psz1, int d2, const char* psz2) {
    NoteChemin(Appel::RENOMME, sCheminDe(d1, psz1));
    return pfSuivante<int (*)(int, const char*, int, const char*)>("renameat")(d1, psz1, d2, psz2);
}
int renameat2(int d1, const char* psz1, int d2, const char* psz2, unsigned flags) {
    NoteChemin(Appel::RENOMME, sCheminDe(d1, psz1));
    return pfSuivante<int (*)(int, const char*, int, const char*, unsigned)>("renameat2")(d1, psz1, d2, psz2, flags);
}

}  // extern "C"

namespace {

constexpr mode_t MODE_FICHIER = 0640;

class DataExtractorWindowTest : public CInstallerTest {};

// Every file is made with no bit for others and is never given more than its final mode; its owner,
// then its mode, are set on its descriptor; only then does it take its name. Nothing is done by
// name to a file in the directory, where a link could stand in for it.
TEST_F(DataExtractorWindowTest, FilesAreNeverWritableByOthers) {
    MakeArchive("a.zip", {{"a.so", std::string(70000, 'a')}, {"sub/b.so", "b"}, {"empty.txt", ""}}, "-9");
    const std::string sProg = sPath("prog");
    ASSERT_EQ(0, mkdir(sProg.c_str(), 0755));
    ASSERT_TRUE(WriteFile(sProg + "/empty.txt", "kept"));
    ASSERT_EQ(0, ::chmod((sProg + "/empty.txt").c_str(), 0604));

    // A permissive file-creation mask: only the code can keep the files closed.
    const mode_t nAvant = umask(0);
    g_aAppels.clear();
    g_sRepertoire = sProg + "/";
    bool bOk;
    {
        CDataExtractor clExtracteur(0);
        bOk = clExtracteur.bInitChemin(wsPath(L"a.zip").c_str()) &&
              clExtracteur.bInstall(wsDe(sProg).c_str(), 0755, getuid(), getgid(), MODE_FICHIER, getuid(), getgid());
    }
    g_sRepertoire.clear();
    umask(nAvant);
    ASSERT_TRUE(bOk);

    std::map<ino_t, std::vector<Appel>> mParFichier;
    for (const Appel& a : g_aAppels) mParFichier[a.nInode].push_back(a);
    // The zero-length entry changes the existing file in place; the others come through a rename.
    std::map<ino_t, const char*> mNoms;
    for (const char* psz : {"a.so", "sub/b.so", "empty.txt"}) mNoms[stLstat(sProg + "/" + psz).st_ino] = psz;
    EXPECT_EQ(3u, mParFichier.size());
    for (const auto& [nInode, aAppels] : mParFichier) {
        SCOPED_TRACE(mNoms.count(nInode) != 0 ? mNoms[nInode] : "a file that is not installed");
        const bool bEnPlace = mNoms.count(nInode) != 0 && std::string(mNoms[nInode]) == "empty.txt";
        std::vector<Appel::Type> aTypes;
        for (const Appel& a : aAppels) {
            aTypes.push_back(a.eType);
            EXPECT_TRUE(a.eType == Appel::RENOMME || a.bDescripteur);
            if (!bEnPlace) {
                EXPECT_EQ(0u, a.nModeAvant & ~MODE_FICHIER) << std::oct << a.nModeAvant;
            }
            if (a.eType == Appel::MODE) {
                EXPECT_EQ(0u, a.nModeDemande & 07777 & ~MODE_FICHIER) << std::oct << a.nModeDemande;
            }
        }
        const std::vector<Appel::Type> aAttendus =
            bEnPlace ? std::vector<Appel::Type>{Appel::PROPRIETAIRE, Appel::MODE}
                     : std::vector<Appel::Type>{Appel::PROPRIETAIRE, Appel::MODE, Appel::RENOMME};
        EXPECT_EQ(aAttendus, aTypes);
        if (!bEnPlace) {
            // Made closed to all but its owner.
            EXPECT_EQ(0u, aAppels.front().nModeAvant & 077) << std::oct << aAppels.front().nModeAvant;
            EXPECT_EQ(MODE_FICHIER, aAppels.back().nModeAvant);
        }
    }
    for (const char* psz : {"a.so", "sub/b.so", "empty.txt"}) {
        EXPECT_EQ(MODE_FICHIER, stLstat(sProg + "/" + psz).st_mode & 07777) << psz;
    }
    EXPECT_EQ("kept", sReadFile(sProg + "/empty.txt"));
}

}  // namespace
