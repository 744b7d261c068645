// Code-page conversion of short texts (10 to 40 characters, what a fetched column value or a name
// usually is): 8-bit text to wide and wide text back, each the way the library's callers do it, a
// counting call and then a writing call into a buffer of the size counted. UTF-8 (what the server
// sends) and 1252 (the default code page), then 437 (the OEM code page, page 1, the names in zip
// archives) and 1251. One text per iteration, cycling through 64 different texts. Last, the
// installer's road for a name in a zip archive: every byte above 127 of a 437 name turned into 1252
// one character at a time, through wide text, which alternates two code pages.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/platformwin/WinCodePage.h"

namespace {

constexpr size_t NB_TEXTES = 64;

// Letters a text in the code page may hold (all of them convertible), spaces between words.
const wchar_t* pszAlphabet(unsigned nCodePage) {
    switch (nCodePage) {
        case 1:  // 437
            return L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJ0123456789_-.\u00e9\u00e8\u00e0\u00e7\u00fc\u00f6\u00e4"
                   L"\u00f1\u00c9\u00c7\u00e2\u00ea";
        case 1251:
            return L"\u0430\u0431\u0432\u0433\u0434\u0435\u0436\u0437\u0438\u0439\u043a\u043b\u043c\u043d\u043e"
                   L"\u043f\u0440\u0441\u0442\u0443\u0444\u0445\u0446\u0447\u0448\u0410\u0411\u0412abcdef0123";
        default:  // 1252 and UTF-8: French text, the euro sign and the oe ligature among it
            return L"abcdefghijklmnopqrstuvwxyzABCDEFGHIJ0123456789_-.\u00e9\u00e8\u00e0\u00e7\u00fc\u00f4"
                   L"\u00c9\u20ac\u0153\u00ee";
    }
}

struct stTextes {
    std::vector<std::wstring> aLarges;
    std::vector<std::string> aOctets;
};

// The same texts for every run: lengths 10 to 40, a word break every 3 to 10 letters.
stTextes Textes(unsigned nCodePage) {
    stTextes st;
    const std::wstring sAlphabet = pszAlphabet(nCodePage);
    uint32_t nGraine = 12345 + nCodePage;
    auto nHasard = [&nGraine](uint32_t n) {
        nGraine = nGraine * 1103515245u + 12345u;
        return (nGraine >> 16) % n;
    };
    for (size_t i = 0; i < NB_TEXTES; i++) {
        const size_t nLongueur = 10 + nHasard(31);
        std::wstring s;
        size_t nMot = 3 + nHasard(8);
        while (s.size() < nLongueur) {
            if (nMot-- == 0) {
                s += L' ';
                nMot = 3 + nHasard(8);
            } else {
                s += sAlphabet[nHasard(static_cast<uint32_t>(sAlphabet.size()))];
            }
        }
        const int n = static_cast<int>(s.size());
        std::string sOctets(static_cast<size_t>(n) * 4, '\0');
        int nOctets = WideCharToMultiByte(nCodePage, 0, s.data(), n, sOctets.data(), n * 4, nullptr, nullptr);
        sOctets.resize(static_cast<size_t>(nOctets));
        st.aLarges.push_back(std::move(s));
        st.aOctets.push_back(std::move(sOctets));
    }
    return st;
}

void BM_VersLarge(benchmark::State& state, unsigned nCodePage) {
    const stTextes st = Textes(nCodePage);
    std::vector<wchar_t> aSortie(64);
    size_t i = 0;
    for (auto _ : state) {
        const std::string& s = st.aOctets[i++ % NB_TEXTES];
        const int n = static_cast<int>(s.size());
        int nCompte = MultiByteToWideChar(nCodePage, 0, s.data(), n, nullptr, 0);
        benchmark::DoNotOptimize(MultiByteToWideChar(nCodePage, 0, s.data(), n, aSortie.data(), nCompte));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_DepuisLarge(benchmark::State& state, unsigned nCodePage) {
    const stTextes st = Textes(nCodePage);
    std::vector<char> aSortie(256);
    size_t i = 0;
    for (auto _ : state) {
        const std::wstring& s = st.aLarges[i++ % NB_TEXTES];
        const int n = static_cast<int>(s.size());
        int nCompte = WideCharToMultiByte(nCodePage, 0, s.data(), n, nullptr, 0, nullptr, nullptr);
        benchmark::DoNotOptimize(
            WideCharToMultiByte(nCodePage, 0, s.data(), n, aSortie.data(), nCompte, nullptr, nullptr));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}

// A 437 name to 1252, byte by byte as the installer does it.
void BM_OemVersAnsi(benchmark::State& state) {
    const stTextes st = Textes(1);
    size_t i = 0;
    for (auto _ : state) {
        std::string s = st.aOctets[i++ % NB_TEXTES];
        for (char& c : s) {
            if (static_cast<unsigned char>(c) < 0x80) continue;
            wchar_t w[2] = {0, 0};
            char aSortie[8];
            int bDefaut = 0;
            if (MultiByteToWideChar(1, 0, &c, 1, w, 2) == 1 &&
                WideCharToMultiByte(1252, 0, w, 1, aSortie, sizeof(aSortie), nullptr, &bDefaut) == 1)
                c = aSortie[0];
        }
        benchmark::DoNotOptimize(s.data());
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK_CAPTURE(BM_VersLarge, UTF8, 65001u);
BENCHMARK_CAPTURE(BM_VersLarge, CP1252, 1252u);
BENCHMARK_CAPTURE(BM_VersLarge, CP437, 1u);
BENCHMARK_CAPTURE(BM_VersLarge, CP1251, 1251u);
BENCHMARK_CAPTURE(BM_DepuisLarge, UTF8, 65001u);
BENCHMARK_CAPTURE(BM_DepuisLarge, CP1252, 1252u);
BENCHMARK_CAPTURE(BM_DepuisLarge, CP437, 1u);
BENCHMARK_CAPTURE(BM_DepuisLarge, CP1251, 1251u);
BENCHMARK(BM_OemVersAnsi);

}  // namespace

BENCHMARK_MAIN();
