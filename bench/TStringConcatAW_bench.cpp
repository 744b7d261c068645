// Writing one SELECT statement the way the command builder does (keywords, quoted column and
// table names, numbers, a quoted literal), then reading it once in the width that goes to the
// client library, with CTStringConcatAW in its two modes against std::wstring and std::string.
// In 8-bit (UTF-8) mode the wide fragments are converted on every append; the "8-bit input" case
// shows the same statement when the fragments are already UTF-8.
#include <benchmark/benchmark.h>

#include <charconv>
#include <string>
#include <vector>

#include "core/InformationDLL.h"
#include "core/TStringConcatAW.h"
#include "tests/host/StandInHost.h"

namespace {

constexpr int NB_COLONNES = 20;

struct stRequete {
    std::vector<std::wstring> aColonnesW;
    std::vector<std::string> aColonnesA;
    std::wstring sTableW = L"commandes_client";
    std::string sTableA = "commandes_client";
    std::wstring sLitteralW = L"'Bonne f\u00eate \u00e0 l''\u00e9quipe'";
    std::string sLitteralA = "'Bonne f\xC3\xAAte \xC3\xA0 l''\xC3\xA9quipe'";

    stRequete() {
        for (int i = 0; i < NB_COLONNES; ++i) {
            aColonnesW.push_back(L"colonne_" + std::to_wstring(i));
            aColonnesA.push_back("colonne_" + std::to_string(i));
        }
    }
};

const stRequete& Requete() {
    static const stRequete s_st;
    return s_st;
}

void InstalleHote() {
    CInformationModule::ms_piStrMemAlloc = standin::piGetAllocator();
    CInformationDLL::ms_piInfoLocale = standin::piGetInfoLocale();
}

// The statement through the builder's wide appends (what the SQL writers do).
void EcritW(CTStringConcatAW& cl, const stRequete& r, long nId) {
    cl.AddStrCte(L"SELECT ", 7);
    for (int i = 0; i < NB_COLONNES; ++i) {
        if (i) cl.AddStrCte(L", ", 2);
        cl.AddStrCte(L"\"", 1);
        cl.AddStrCte(r.aColonnesW[i].data(), static_cast<long>(r.aColonnesW[i].size()));
        cl.AddStrCte(L"\"", 1);
    }
    cl.AddStrCte(L" FROM \"", 7);
    cl.AddStrCte(r.sTableW.data(), static_cast<long>(r.sTableW.size()));
    cl.AddStrCte(L"\" WHERE \"colonne_0\" > ", 22);
    cl.AddNumber(nId, -1);
    cl.AddStrCte(L" AND \"colonne_1\" = ", 19);
    cl.AddStrCte(r.sLitteralW.data(), static_cast<long>(r.sLitteralW.size()));
    cl.AddStrCte(L" ORDER BY \"colonne_0\" LIMIT ", 28);
    cl.AddNumber(100, -1);
}

// The same statement from UTF-8 fragments.
void EcritA(CTStringConcatAW& cl, const stRequete& r, long nId) {
    constexpr unsigned UTF8 = 65001;
    cl.Add("SELECT ", 7, UTF8);
    for (int i = 0; i < NB_COLONNES; ++i) {
        if (i) cl.Add(", ", 2, UTF8);
        cl.Add("\"", 1, UTF8);
        cl.Add(r.aColonnesA[i].data(), static_cast<long>(r.aColonnesA[i].size()), UTF8);
        cl.Add("\"", 1, UTF8);
    }
    cl.Add(" FROM \"", 7, UTF8);
    cl.Add(r.sTableA.data(), static_cast<long>(r.sTableA.size()), UTF8);
    cl.Add("\" WHERE \"colonne_0\" > ", 22, UTF8);
    cl.AddNumber(nId, -1);
    cl.Add(" AND \"colonne_1\" = ", 19, UTF8);
    cl.Add(r.sLitteralA.data(), static_cast<long>(r.sLitteralA.size()), UTF8);
    cl.Add(" ORDER BY \"colonne_0\" LIMIT ", 28, UTF8);
    cl.AddNumber(100, -1);
}

template <class S>
void EcritStd(S& s, const std::vector<S>& aColonnes, const S& sTable, const S& sLitteral, long nId) {
    auto Lit = [](const char* psz) { return S(psz, psz + std::char_traits<char>::length(psz)); };
    auto Nombre = [&s](long n) {
        char a[24];
        auto [p, ec] = std::to_chars(a, a + sizeof a, n);
        (void)ec;
        s.append(a, p);
    };
    static const S sSelect = Lit("SELECT "), sVirgule = Lit(", "), sGuillemet = Lit("\""), sFrom = Lit(" FROM \""),
                   sWhere = Lit("\" WHERE \"colonne_0\" > "), sAnd = Lit(" AND \"colonne_1\" = "),
                   sOrder = Lit(" ORDER BY \"colonne_0\" LIMIT ");
    s += sSelect;
    for (int i = 0; i < NB_COLONNES; ++i) {
        if (i) s += sVirgule;
        s += sGuillemet;
        s += aColonnes[i];
        s += sGuillemet;
    }
    s += sFrom;
    s += sTable;
    s += sWhere;
    Nombre(nId);
    s += sAnd;
    s += sLitteral;
    s += sOrder;
    Nombre(100);
}

using PFEcrit = void (*)(CTStringConcatAW&, const stRequete&, long);

// A new builder per statement: written with pfEcrit, then read once in one width.
void BM_ConcatAW(benchmark::State& state, unsigned nCodePage, unsigned nCodePageAppelant, PFEcrit pfEcrit, bool bLitA) {
    InstalleHote();
    const stRequete& r = Requete();
    long nId = 0;
    for (auto _ : state) {
        CTStringConcatAW cl(nCodePage, nCodePageAppelant);
        pfEcrit(cl, r, ++nId);
        if (bLitA)
            benchmark::DoNotOptimize(cl.pszGetA());
        else
            benchmark::DoNotOptimize(cl.pszGetW());
    }
}
// Wide mode: wide appends, then the 8-bit text read once (converted to the caller code page).
BENCHMARK_CAPTURE(BM_ConcatAW, Wide, CTStringConcatAW::s_nCodePageWide, 65001, EcritW, true);
// Wide mode, the wide text only (no conversion at all).
BENCHMARK_CAPTURE(BM_ConcatAW, WideNoRead, CTStringConcatAW::s_nCodePageWide, 65001, EcritW, false);
// UTF-8 mode fed with wide fragments: every append converts.
BENCHMARK_CAPTURE(BM_ConcatAW, UTF8_WideInput, 65001, 1252, EcritW, true);
// UTF-8 mode fed with UTF-8 fragments: plain copies.
BENCHMARK_CAPTURE(BM_ConcatAW, UTF8_8bitInput, 65001, 1252, EcritA, true);

// One builder reused for many statements (emptied, memory kept).
void BM_ConcatAW_UTF8_8bitInput_Reused(benchmark::State& state) {
    InstalleHote();
    const stRequete& r = Requete();
    CTStringConcatAW cl(65001, 1252);
    long nId = 0;
    for (auto _ : state) {
        cl.Vide();
        EcritA(cl, r, ++nId);
        benchmark::DoNotOptimize(cl.pszGetA());
    }
}
BENCHMARK(BM_ConcatAW_UTF8_8bitInput_Reused);

void BM_StdWString(benchmark::State& state) {
    const stRequete& r = Requete();
    long nId = 0;
    for (auto _ : state) {
        std::wstring s;
        EcritStd(s, r.aColonnesW, r.sTableW, r.sLitteralW, ++nId);
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(BM_StdWString);

void BM_StdString(benchmark::State& state) {
    const stRequete& r = Requete();
    long nId = 0;
    for (auto _ : state) {
        std::string s;
        EcritStd(s, r.aColonnesA, r.sTableA, r.sLitteralA, ++nId);
        benchmark::DoNotOptimize(s.data());
    }
}
BENCHMARK(BM_StdString);

}  // namespace

BENCHMARK_MAIN();
