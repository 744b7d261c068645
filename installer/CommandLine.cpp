// The command-line store: one static wide buffer filled from main's arguments.
#include "installer/CommandLine.h"

#include <cwchar>
#include <vector>

#include "core/platformwin/WinCodePage.h"

namespace {

wchar_t g_szCommandLine[COMMANDLINE_TAILLE];

// Appends n characters, cut at what the store holds; the store stays terminated.
void _Ajoute(const wchar_t* psz, size_t n) {
    size_t nLongueur = wcslen(g_szCommandLine);
    const size_t nPlace = COMMANDLINE_TAILLE - 1 - nLongueur;
    if (n > nPlace) n = nPlace;
    wmemcpy(g_szCommandLine + nLongueur, psz, n);
    g_szCommandLine[nLongueur + n] = 0;
}

void _Ajoute(const wchar_t* psz) {
    _Ajoute(psz, wcslen(psz));
}

// The argument as wide text, at most the store's capacity less its terminator.
std::vector<wchar_t> _aConvertit(const char* pszArgument) {
    std::vector<wchar_t> aTexte(1, L'\0');
    if (pszArgument == nullptr) return aTexte;
    int nLongueur = MultiByteToWideChar(65001, 0, pszArgument, -1, nullptr, 0);
    if (nLongueur <= 0) return aTexte;
    aTexte.assign(static_cast<size_t>(nLongueur), L'\0');
    if (MultiByteToWideChar(65001, 0, pszArgument, -1, aTexte.data(), nLongueur) <= 0) aTexte.assign(1, L'\0');
    if (aTexte.size() > COMMANDLINE_TAILLE) aTexte.resize(COMMANDLINE_TAILLE);
    aTexte.back() = 0;
    return aTexte;
}

}  // namespace

void SetCommandLine(int argc, char** argv) {
    g_szCommandLine[0] = 0;
    for (int i = 0; i < argc && argv != nullptr; i++) {
        std::vector<wchar_t> aTexte = _aConvertit(argv[i]);
        const wchar_t* pszTexte = aTexte.data();
        const wchar_t* pszEspace = wcschr(pszTexte, L' ');
        if (pszEspace == nullptr) {
            _Ajoute(pszTexte);
        } else {
            // name=value with a space in the value: the quotes go around the value only, as a
            // program parsing "name=" options expects.
            const wchar_t* pszEgal = wcschr(pszTexte, L'=');
            if (pszEgal != nullptr && pszEgal < pszEspace) {
                _Ajoute(pszTexte, static_cast<size_t>(pszEgal - pszTexte) + 1);
                _Ajoute(L"\"");
                _Ajoute(pszEgal + 1);
            } else {
                _Ajoute(L"\"");
                _Ajoute(pszTexte);
            }
            _Ajoute(L"\"");
        }
        _Ajoute(L" ");
    }
}

wchar_t* GetCommandLine() {
    return g_szCommandLine;
}
