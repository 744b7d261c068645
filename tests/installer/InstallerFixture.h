// What the installer's tests share: a temporary directory with a source tree zipped by Info-ZIP zip
// into archives whose entries have a known order and modification time, byte patches of those
// archives (hostile names, damaged data), listings of the directories an installation writes, and
// the installer's own message texts, formatted as the program writes them.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/platformwin/WinCodePage.h"
#include "tests/host/TempDir.h"

// Modification time given to every source file (an even second, as DOS times hold them), in UTC.
constexpr time_t INSTALLERTEST_MTIME = 1600000000;  // 2020-09-13 12:26:40

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

    // Replaces every occurrence of sAvant by sApres (same length) in the file; FALSE when none.
    static bool bPatch(const std::string& sFichier, const std::string& sAvant, const std::string& sApres) {
        std::string s = sReadFile(sFichier);
        size_t nTrouves = 0;
        for (size_t n = s.find(sAvant); n != std::string::npos; n = s.find(sAvant, n + 1), nTrouves++)
            s.replace(n, sApres.size(), sApres);
        return nTrouves != 0 && WriteFile(sFichier, s);
    }

    // Every path under the directory, relative to it ('/' separators, directories with a final '/'), sorted.
    static std::vector<std::string> aListe(const std::string& sRepertoire) {
        std::vector<std::string> a;
        std::error_code ec;
        for (auto it = std::filesystem::recursive_directory_iterator(sRepertoire, ec);
             it != std::filesystem::recursive_directory_iterator(); it.increment(ec)) {
            std::string s = std::filesystem::relative(it->path(), sRepertoire).string();
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

    static std::string sUTF8(const wchar_t* psz) {
        int n = WideCharToMultiByte(CP_UTF8, 0, psz, -1, nullptr, 0, nullptr, nullptr);
        if (n <= 1) return std::string();
        std::string s(static_cast<size_t>(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, psz, -1, s.data(), n, nullptr, nullptr);
        s.resize(static_cast<size_t>(n - 1));
        return s;
    }
    static std::wstring wsDe(const std::string& s) { return std::wstring(s.begin(), s.end()); }

    // Message nId of the installer's table formatted with the (wide text) arguments, in UTF-8.
    template <typename... Args>
    static std::string sMessage(uint32_t nId, Args... args) {
        CTString clTexte;
        EXPECT_TRUE(DLLRES_bFormatMessage(&gstMyModuleInfo39, nId, &clTexte, args...)) << nId;
        return sUTF8(clTexte.pszGet());
    }
    // The report the installer writes for an entry, file or archive refused with a result code that
    // has a row in its table: the name, then the (empty) system message and the code's message.
    static std::string sRapportCode(const std::string& sNom, uint32_t nMessage) {
        return sMessage(4903, wsDe(sNom).c_str()) + "\r\n\r\n\r\n" + sMessage(nMessage) + "\n";
    }
};
