// What the installer's tests share: a temporary directory with a source tree zipped by Info-ZIP zip
// into archives whose entries have a known order and modification time, byte patches of those
// archives (hostile names, damaged data), listings of the directories an installation writes, and
// the reports the installer writes, spelled out as literal texts.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "tests/host/TempDir.h"

// Modification time given to every source file (an even second, as DOS times hold them), in UTC.
constexpr time_t INSTALLERTEST_MTIME = 1600000000;  // 2020-09-13 12:26:40

// Owner given to the library when the tests run as root: ids no file of the test has otherwise,
// so that a file that was never given the library's owner cannot pass for one that was.
constexpr uid_t INSTALLERTEST_UID = 12345;
constexpr gid_t INSTALLERTEST_GID = 23456;

// A test that needs something this machine may refuse (root, user or mount namespaces): skipped
// with the reason on a developer's machine, failed under CI, where it must run.
#define INSTALLERTEST_EXIGE(bCondition, pszRaison)                         \
    do {                                                                   \
        if (!(bCondition)) {                                               \
            if (getenv("CI") != nullptr) FAIL() << (pszRaison) << " (CI)"; \
            GTEST_SKIP() << (pszRaison);                                   \
        }                                                                  \
    } while (0)

// The installer's texts, as an administrator reads them.
namespace texte {
constexpr const char* NON_ROOT = "This program must be run as root.\n\n";
constexpr const char* SUCCES = "The PostgreSQL access was installed.\n\n";
constexpr const char* ECHEC = "The PostgreSQL access could not be installed.\n\n";
constexpr const char* SANS_BINPATH =
    "The key BINPATH of the section DEFAULT is missing or empty in /etc/Orlanto/Tolvek/20.0/Tolvek.conf.\n";
constexpr const char* ARCHIVE_ABSENTE = "The archive cannot be opened, or it does not hold this file.";
constexpr const char* FICHIER_IMPOSSIBLE = "A file cannot be opened or created.";
constexpr const char* ARCHIVE_INVALIDE =
    "The archive is not a zip archive, or an entry of it is damaged, unsafe or cannot be written whole.";
constexpr const char* CRC = "The data of the entry do not match their CRC-32: the archive is damaged.";
constexpr const char* CHIFFREE = "The entry is encrypted, and its password is missing or wrong.";

// "Cannot use" report of the program directory's checks.
inline std::string sInutilisable(const std::string& sNom, const std::string& sSysteme) {
    return "Cannot use \"" + sNom + "\": " + sSysteme + "\n";
}
// The report of one failure: the name, the system's text, the message.
inline std::string sRapport(const std::string& sNom, const std::string& sSysteme, const std::string& sMessage) {
    return "Error with " + sNom + ":\r\n" + sSysteme + "\r\n\r\n" + sMessage + "\n";
}
inline std::string sProprietaire(unsigned nUid, unsigned nGid, const std::string& sFichier) {
    return "Cannot set the owner (user " + std::to_string(nUid) + ", group " + std::to_string(nGid) + ") of the file " +
           sFichier + ".";
}
inline std::string sLien(const std::string& sRepertoire) {
    return "The directory " + sRepertoire + " is a symbolic link: nothing is installed through a link.";
}
}  // namespace texte

class CInstallerTest : public CTempDirTest {
protected:
    using Fichiers = std::vector<std::pair<std::string, std::string>>;

    // Writes the files (name with '/', content) under a fresh src/ and zips them, in this order, into
    // sArchive (a name in the temporary directory) with the given zip options.
    void MakeArchive(const std::string& sArchive, const Fichiers& aFichiers, const std::string& sOptions = "") {
        std::filesystem::remove_all(sPath("src"));
        std::string sNoms;
        for (const auto& [sNom, sContenu] : aFichiers) {
            std::filesystem::path clFichier(sPath("src/" + sNom));
            std::filesystem::create_directories(clFichier.parent_path());
            ASSERT_TRUE(WriteFile(clFichier.string(), sContenu));
            ASSERT_EQ(
                0,
                system(("touch -d @" + std::to_string(INSTALLERTEST_MTIME) + " '" + clFichier.string() + "'").c_str()));
            sNoms += " '" + sNom + "'";
        }
        std::filesystem::remove(sPath(sArchive));
        const std::string sCommande =
            "cd '" + sPath("src") + "' && TZ=UTC zip -q " + sOptions + " '" + sPath(sArchive) + "'" + sNoms;
        ASSERT_EQ(0, system(sCommande.c_str())) << sCommande;
    }

    // An archive with no entry: the end record alone.
    void MakeEmptyArchive(const std::string& sArchive) {
        MakeArchive(sArchive, {{"f", "x"}});
        ASSERT_EQ(0, system(("zip -q -d '" + sPath(sArchive) + "' f").c_str()));
    }

    // An archive of the files encrypted with the password "secret", made again until no password
    // at all fails its check byte (a wrong password passes that one-byte check once in 256 times;
    // the header's random bytes change with each run of zip).
    void MakeEncryptedArchive(const std::string& sArchive, const Fichiers& aFichiers) {
        for (int nEssai = 0; nEssai < 20; nEssai++) {
            MakeArchive(sArchive, aFichiers, "-P secret");
            if (bMotDePasseVideRefuse(sReadFile(sPath(sArchive)))) return;
            sleep(1);
        }
        FAIL() << "zip kept making headers that an empty password passes";
    }

    // Replaces every occurrence of sAvant by sApres (same length) in the file; FALSE when none.
    static bool bPatch(const std::string& sFichier, const std::string& sAvant, const std::string& sApres) {
        std::string s = sReadFile(sFichier);
        size_t nTrouves = 0;
        for (size_t n = s.find(sAvant); n != std::string::npos; n = s.find(sAvant, n + 1), nTrouves++)
            s.replace(n, sApres.size(), sApres);
        return nTrouves != 0 && WriteFile(sFichier, s);
    }
    // The same for an entry's name (same length), marking the name as UTF-8 in both headers.
    static bool bPatchNomUTF8(const std::string& sFichier, const std::string& sAvant, const std::string& sApres) {
        std::string s = sReadFile(sFichier);
        size_t nTrouves = 0;
        for (size_t n = s.find(sAvant); n != std::string::npos; n = s.find(sAvant, n + 1)) {
            // The name follows the 46 bytes of a central header or the 30 of a local one.
            size_t nDrapeaux = std::string::npos;
            if (n >= 46 && s.compare(n - 46, 4, "PK\x01\x02") == 0) nDrapeaux = n - 46 + 8;
            if (n >= 30 && s.compare(n - 30, 4, "PK\x03\x04") == 0) nDrapeaux = n - 30 + 6;
            if (nDrapeaux == std::string::npos) continue;
            s[nDrapeaux + 1] = static_cast<char>(s[nDrapeaux + 1] | 0x08);
            s.replace(n, sApres.size(), sApres);
            nTrouves++;
        }
        return nTrouves != 0 && WriteFile(sFichier, s);
    }

    // Every path under the directory, relative to it ('/' separators, directories with a final '/'), sorted.
    static std::vector<std::string> aListe(const std::string& sRepertoire) {
        std::vector<std::string> a;
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(sRepertoire, ec);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            // Lexically: a link is listed under its own name, not where it points.
            std::string s = it->path().lexically_relative(sRepertoire).string();
            if (it->is_directory() && !it->is_symlink()) s += "/";
            a.push_back(s);
        }
        std::sort(a.begin(), a.end());
        return a;
    }

    static struct stat stLstat(const std::string& sFichier) {
        struct stat st {};
        EXPECT_EQ(0, lstat(sFichier.c_str(), &st)) << sFichier;
        return st;
    }

    static std::wstring wsDe(const std::string& s) { return std::wstring(s.begin(), s.end()); }

    // The file-creation mask of the process (read without changing it for good).
    static mode_t nMasque() {
        const mode_t n = umask(0);
        umask(n);
        return n;
    }

private:
    // Whether the first encrypted entry of the archive refuses the empty password: its 12-byte
    // header decrypted with the keys of no password (the traditional cipher over zlib's CRC table)
    // must not end with the check byte (the high byte of the DOS time when data descriptors are
    // used, of the CRC-32 otherwise).
    static bool bMotDePasseVideRefuse(const std::string& s) {
        const size_t n = s.find("PK\x03\x04");
        if (n == std::string::npos || s.size() < n + 30) return false;
        auto u16 = [&](size_t i) { return unsigned(uint8_t(s[i])) | (unsigned(uint8_t(s[i + 1])) << 8); };
        const size_t nEntete = n + 30 + u16(n + 26) + u16(n + 28);
        if (s.size() < nEntete + 12) return false;
        const z_crc_t* pTable = get_crc_table();
        uint32_t k0 = 0x12345678, k1 = 0x23456789, k2 = 0x34567890;
        uint8_t byDernier = 0;
        for (size_t i = 0; i < 12; i++) {
            const uint32_t t = (k2 | 2) & 0xFFFF;
            byDernier = static_cast<uint8_t>(uint8_t(s[nEntete + i]) ^ static_cast<uint8_t>((t * (t ^ 1)) >> 8));
            k0 = static_cast<uint32_t>(pTable[(k0 ^ byDernier) & 0xFF] ^ (k0 >> 8));
            k1 = (k1 + (k0 & 0xFF)) * 134775813u + 1;
            k2 = static_cast<uint32_t>(pTable[(k2 ^ (k1 >> 24)) & 0xFF] ^ (k2 >> 8));
        }
        const bool bDescripteur = (u16(n + 6) & 8) != 0;
        return byDernier != static_cast<uint8_t>(bDescripteur ? u16(n + 10) >> 8 : u16(n + 16) >> 8);
    }
};
