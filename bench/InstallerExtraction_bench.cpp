// Extraction of an archive by the installer's extractor (CDataExtractor: the archive's directory
// read, every entry checked, written to a temporary file, given owner and mode, renamed into
// place) against Info-ZIP unzip ("unzip -o -q") extracting the same archive into a directory of
// its own, in the same run. Two archives made with zip -r (level 6): 2,000 files making 100 MB
// (one in four random bytes, the others text), and 70,000 small text files in 100 directories.
// Both extract over the files of the previous round, as an upgrade does.
//
// The archives and the extracted trees live under $KX_BENCH_DIR, else /dev/shm/kxbench-installer
// (a memory file system, so that the figures are not the disk's); the archives are made on the
// first run and kept for the next ones.
#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "core/DLLRes.h"
#include "core/InformationDLL.h"
#include "core/platformwin/WinCodePage.h"
#include "installer/DataExtractor.h"
#include "installer/StrMemAlloc.h"

namespace {

struct Archive {
    const char* pszNom;
    int nFichiers;
    int nRepertoires;
    size_t nTaille;  // bytes per file (small files vary around it)
};
const Archive g_aArchives[] = {
    {"large", 2000, 20, 52429},  // 2,000 x 52,429 bytes = 100 MiB
    {"small", 70000, 100, 400},
};

std::string sRacine() {
    const char* psz = getenv("KX_BENCH_DIR");
    if (psz != nullptr && *psz != 0) return psz;
    return "/dev/shm/kxbench-installer";
}

std::string sArchive(const Archive& a) {
    return sRacine() + "/" + a.pszNom + ".zip";
}

// Makes the source tree and zips it, unless the archive is there from an earlier run.
bool bPrepare(const Archive& a) {
    if (std::filesystem::exists(sArchive(a))) return true;
    const std::string sSource = sRacine() + "/src-" + a.pszNom;
    std::filesystem::remove_all(sSource);
    uint64_t q = 0x9E3779B97F4A7C15ull;
    for (int i = 0; i < a.nFichiers; i++) {
        const std::string sRepertoire = sSource + "/dir" + std::to_string(i % a.nRepertoires);
        std::filesystem::create_directories(sRepertoire);
        std::string s;
        const size_t nTaille =
            a.nFichiers > 10000 ? a.nTaille / 4 + size_t(i * 7919 % int(a.nTaille * 3 / 2)) : a.nTaille;
        if (a.nFichiers <= 10000 && i % 4 == 0) {
            s.resize(nTaille);
            for (char& c : s) {
                q ^= q << 13, q ^= q >> 7, q ^= q << 17;
                c = static_cast<char>(q);
            }
        } else {
            for (int n = 0; s.size() < nTaille; n++)
                s += "line " + std::to_string(n) + " of file " + std::to_string(i) + ", some text that compresses\n";
            s.resize(nTaille);
        }
        std::ofstream(sRepertoire + "/file" + std::to_string(i) + ".dat", std::ios::binary) << s;
    }
    const std::string sCommande = "cd '" + sSource + "' && zip -q -r '" + sArchive(a) + ".tmp' . && mv '" +
                                  sArchive(a) + ".tmp' '" + sArchive(a) + "'";
    const bool bOk = system(sCommande.c_str()) == 0;
    std::filesystem::remove_all(sSource);
    return bOk;
}

bool bInstalle(const Archive& a, const std::string& sCible) {
    const std::string sChemin = sArchive(a);
    const std::wstring wsArchive(sChemin.begin(), sChemin.end());
    const std::wstring wsCible(sCible.begin(), sCible.end());
    CDataExtractor clExtracteur(0);
    return clExtracteur.bInitChemin(wsArchive.c_str()) &&
           clExtracteur.bInstall(wsCible.c_str(), 0755, getuid(), getgid(), 0644, getuid(), getgid());
}

bool bUnzip(const Archive& a, const std::string& sCible) {
    const std::string sCommande = "unzip -o -q '" + sArchive(a) + "' -d '" + sCible + "'";
    return system(sCommande.c_str()) == 0;
}

void BM_Installer(benchmark::State& state, const Archive* pa) {
    const std::string sCible = sRacine() + "/out-installer-" + pa->pszNom;
    if (!bPrepare(*pa) || !bInstalle(*pa, sCible)) {
        state.SkipWithError("the archive could not be made or installed");
        return;
    }
    for (auto _ : state) {
        if (!bInstalle(*pa, sCible)) state.SkipWithError("installation failed");
    }
    state.counters["files"] = pa->nFichiers;
}

void BM_Unzip(benchmark::State& state, const Archive* pa) {
    const std::string sCible = sRacine() + "/out-unzip-" + pa->pszNom;
    if (!bPrepare(*pa) || !bUnzip(*pa, sCible)) {
        state.SkipWithError("the archive could not be made or extracted by unzip");
        return;
    }
    for (auto _ : state) {
        if (!bUnzip(*pa, sCible)) state.SkipWithError("unzip failed");
    }
    state.counters["files"] = pa->nFichiers;
}

}  // namespace

int main(int argc, char** argv) {
    // The installer's own start: messages, its string allocator, the UTF-8 locale.
    DLLRES_bInit(nullptr, 0);
    CStrMemAlloc* pclAllocateur = CStrMemAlloc::s_pclInit();
    CInformationModule::ms_piStrMemAlloc = pclAllocateur;
    SetLocaleUTF8();
    std::filesystem::create_directories(sRacine());

    for (const Archive& a : g_aArchives) {
        for (const auto& [pszOutil, pfBench] : {std::pair{"installer", &BM_Installer}, std::pair{"unzip", &BM_Unzip}}) {
            const std::string sNom = std::string(pszOutil) + "/" + a.pszNom;
            benchmark::RegisterBenchmark(sNom.c_str(), pfBench, &a)
                ->Unit(benchmark::kMillisecond)
                ->UseRealTime()
                ->Iterations(a.nFichiers > 10000 ? 3 : 5)
                ->Repetitions(3)
                ->ReportAggregatesOnly(true);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    CInformationModule::ms_piStrMemAlloc = nullptr;
    CStrMemAlloc::s_Term();
    DLLRES_Term();
    return 0;
}
