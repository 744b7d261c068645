// The tables of code pages 437 and 1252 and the converters over them. The tables are not written
// out by hand: at the first call each byte of the page is put through the system's iconv mapping
// once, and the two-level reverse table is derived from the result.
#include "installer/CodePageTable.h"

#include <errno.h>
#include <iconv.h>

#include <cstring>
#include <mutex>
#include <vector>

#include "core/XMalloc.h"

namespace {

// What a unit the code page lacks becomes.
constexpr unsigned char s_byInconnu = '?';

struct _stTableConstruite {
    unsigned short awVersUnicode[256];
    uint32_t anIndexHaut[256];
    std::vector<unsigned char> abyPages;
    _stTableCodePage stTable;
};

// A byte the published mapping leaves undefined (0x81, 0x8D, 0x8F, 0x90 and 0x9D of 1252) maps to
// the control unit of the same value, so that every byte survives a round trip through UTF-16.
void _ConstruitTable(_stTableConstruite& stT, unsigned int nCodePage, const char* pszNomIconv) {
    iconv_t hConv = iconv_open("UTF-16LE", pszNomIconv);
    for (unsigned int nOctet = 0; nOctet < 256; nOctet++) {
        unsigned short wUnite = static_cast<unsigned short>(nOctet);
        if (hConv != reinterpret_cast<iconv_t>(-1)) {
            char cEntree = static_cast<char>(nOctet);
            unsigned char abySortie[8];
            char* pEntree = &cEntree;
            char* pSortie = reinterpret_cast<char*>(abySortie);
            size_t nEntree = 1, nSortie = sizeof(abySortie);
            iconv(hConv, nullptr, nullptr, nullptr, nullptr);
            if (iconv(hConv, &pEntree, &nEntree, &pSortie, &nSortie) != static_cast<size_t>(-1) && nEntree == 0 &&
                sizeof(abySortie) - nSortie == 2)
                wUnite = static_cast<unsigned short>(abySortie[0] | (abySortie[1] << 8));
        }
        stT.awVersUnicode[nOctet] = wUnite;
    }
    if (hConv != reinterpret_cast<iconv_t>(-1)) iconv_close(hConv);

    // Page 0 is the shared page of the high bytes no unit of the code page has.
    stT.abyPages.assign(256, s_byInconnu);
    for (uint32_t& nDebut : stT.anIndexHaut) nDebut = 0;
    for (unsigned int nOctet = 0; nOctet < 256; nOctet++) {
        unsigned int nHaut = stT.awVersUnicode[nOctet] >> 8;
        if (stT.anIndexHaut[nHaut] == 0) {
            stT.anIndexHaut[nHaut] = static_cast<uint32_t>(stT.abyPages.size());
            stT.abyPages.resize(stT.abyPages.size() + 256, s_byInconnu);
        }
    }
    // From the last byte down, so that the lowest byte of a unit two bytes share wins.
    for (int nOctet = 255; nOctet >= 0; nOctet--) {
        unsigned short wUnite = stT.awVersUnicode[nOctet];
        stT.abyPages[stT.anIndexHaut[wUnite >> 8] + (wUnite & 0xFF)] = static_cast<unsigned char>(nOctet);
    }
    stT.stTable = {nCodePage, stT.awVersUnicode, stT.anIndexHaut, stT.abyPages.data()};
}

_stTableConstruite s_stTable437;
_stTableConstruite s_stTable1252;
std::once_flag s_unefois;

inline unsigned char _byVersOctet(const _stTableCodePage* pstTable, unsigned short wUnite) {
    return pstTable->pbyPages[pstTable->pnIndexHaut[wUnite >> 8] + (wUnite & 0xFF)];
}

// 8-bit text from one table to the other through UTF-16, in place or not.
void _ConvertitBuffer(unsigned int nDe, unsigned int nVers, const char* pszSource, char* pszDestination,
                      unsigned int nLongueur) {
    if (pszSource == nullptr || pszDestination == nullptr || nLongueur == 0) return;
    auto* pwTampon = static_cast<unsigned short*>(XMALLOC_pNew(size_t(nLongueur) * sizeof(unsigned short)));
    if (pwTampon == nullptr) return;
    const _stTableCodePage* pstDe = get_codepage(nDe);
    const _stTableCodePage* pstVers = get_codepage(nVers);
    for (unsigned int i = 0; i < nLongueur; i++)
        pwTampon[i] = pstDe->pwVersUnicode[static_cast<unsigned char>(pszSource[i])];
    for (unsigned int i = 0; i < nLongueur; i++)
        pszDestination[i] = static_cast<char>(_byVersOctet(pstVers, pwTampon[i]));
    XMALLOC_Del(pwTampon);
}

}  // namespace

const _stTableCodePage* get_codepage(unsigned int nCodePage) {
    std::call_once(s_unefois, [] {
        _ConstruitTable(s_stTable437, 437, "CP437");
        _ConstruitTable(s_stTable1252, 1252, "CP1252");
    });
    return nCodePage == 1 ? &s_stTable437.stTable : &s_stTable1252.stTable;
}

int strlenW(const unsigned short* pwTexte) {
    int n = 0;
    while (pwTexte[n] != 0) n++;
    return n;
}

int cp_mbstowcs(const _stTableCodePage* pstTable, unsigned int /*dwFlags*/, const char* pszSource, int nSource,
                unsigned short* pwDestination, int nDestination) {
    int n = nSource < nDestination ? nSource : nDestination;
    for (int i = 0; i < n; i++) pwDestination[i] = pstTable->pwVersUnicode[static_cast<unsigned char>(pszSource[i])];
    return n;
}

int cp_wcstombs(const _stTableCodePage* pstTable, unsigned int /*dwFlags*/, const unsigned short* pwSource, int nSource,
                char* pszDestination, int nDestination, const char* /*pszDefaut*/, int* pbDefautUtilise) {
    int n = nSource < nDestination ? nSource : nDestination;
    bool bDefaut = false;
    for (int i = 0; i < n; i++) {
        unsigned char byOctet = _byVersOctet(pstTable, pwSource[i]);
        if (pstTable->pwVersUnicode[byOctet] != pwSource[i]) bDefaut = true;
        pszDestination[i] = static_cast<char>(byOctet);
    }
    if (pbDefautUtilise != nullptr) *pbDefautUtilise = bDefaut;
    return n;
}

int MultiByteToWideCharWin(unsigned int nCodePage, unsigned int dwFlags, const char* pszTexte, int nLongueur,
                           unsigned short* pwSortie, int nLongueurSortie) {
    if (pszTexte == nullptr || (pwSortie == nullptr && nLongueurSortie != 0) || nLongueur < -1 || nLongueurSortie < 0) {
        errno = -1;
        return 0;
    }
    if (nLongueur == -1) nLongueur = static_cast<int>(strlen(pszTexte)) + 1;
    if (nLongueurSortie == 0) return nLongueur;
    const _stTableCodePage* pstTable = get_codepage(nCodePage);
    if (nLongueurSortie < nLongueur) {
        cp_mbstowcs(pstTable, dwFlags, pszTexte, nLongueurSortie, pwSortie, nLongueurSortie);
        return 0;
    }
    return cp_mbstowcs(pstTable, dwFlags, pszTexte, nLongueur, pwSortie, nLongueurSortie);
}

int WideCharToMultiByteWin(unsigned int nCodePage, unsigned int dwFlags, const unsigned short* pwTexte, int nLongueur,
                           char* pszSortie, int nLongueurSortie, const char* pszDefaut, int* pbDefautUtilise) {
    if (pwTexte == nullptr || (pszSortie == nullptr && nLongueurSortie != 0) || nLongueur < -2 || nLongueurSortie < 0) {
        errno = -1;
        return 0;
    }
    if (nLongueur < 0) nLongueur = strlenW(pwTexte) + 1;
    if (nLongueurSortie == 0) return nLongueur;
    const _stTableCodePage* pstTable = get_codepage(nCodePage);
    if (nLongueurSortie < nLongueur) {
        cp_wcstombs(pstTable, dwFlags, pwTexte, nLongueurSortie, pszSortie, nLongueurSortie, pszDefaut,
                    pbDefautUtilise);
        return 0;
    }
    return cp_wcstombs(pstTable, dwFlags, pwTexte, nLongueur, pszSortie, nLongueurSortie, pszDefaut, pbDefautUtilise);
}

int OemToCharBuffA(const char* pszSource, char* pszDestination, unsigned int nLongueur) {
    _ConvertitBuffer(1, 1252, pszSource, pszDestination, nLongueur);
    return 1;
}

int CharToOemBuffA(const char* pszSource, char* pszDestination, unsigned int nLongueur) {
    _ConvertitBuffer(1252, 1, pszSource, pszDestination, nLongueur);
    return 1;
}
