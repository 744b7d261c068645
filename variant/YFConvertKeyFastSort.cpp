// tabUCS2FastSort, the sort weight of every UTF-16 unit, built once on first use: every unit gets a
// sort key from its character class and, for letters, its base letter, case and accent; the units
// are sorted on those keys and each one's weight is its rank, so the map is one-to-one. Classes
// come from the C.UTF-8 locale of the C library (without it only ASCII and the Latin letters of
// the table below are told apart); the process's own locale is never touched.
#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cstdint>
#include <mutex>
#include <tuple>
#include <vector>

#include "variant/YFConvertKey.h"

namespace {

// Base letter of U+00C0 to U+017F ('.' for the two signs among them, × and ÷); ligatures and
// letters without a decomposition take the letter they are filed under.
constexpr char32_t LATIN_PREMIER = 0xC0;
constexpr const char s_szBaseLatin[] =
    "aaaaaaaceeeeiiiidnooooo.ouuuuytsaaaaaaaceeeeiiiidnooooo.ouuuuyty"
    "aaaaaaccccccccddddeeeeeeeeeegggggggghhhhiiiiiiiiiiiijjkkklllllll"
    "lllnnnnnnnnnoooooooorrrrrrssssssssttttttuuuuuuuuuuuuwwyyyzzzzzzs";
static_assert(sizeof(s_szBaseLatin) - 1 == 0x180 - LATIN_PREMIER);

// Classes in the order they sort.
enum eCLASSE : uint32_t { CONTROLE, ESPACE, PONCTUATION, CHIFFRE, LETTRE, AUTRE };

char32_t cBaseLatine(char32_t c) {
    if (c >= LATIN_PREMIER && c < 0x180 && s_szBaseLatin[c - LATIN_PREMIER] != '.')
        return static_cast<char32_t>(s_szBaseLatin[c - LATIN_PREMIER]);
    return 0;
}

struct stCleTri {
    uint32_t nClasse;
    uint32_t nBase;       // letters: the base letter
    uint32_t bAccent;     // letters: not the base letter itself
    uint32_t nIdentite;   // letters: the lower-case form
    uint32_t bMajuscule;  // letters: the upper-case form of its lower-case one
    uint32_t nUnite;
    bool operator<(const stCleTri& st) const {
        return std::tie(nClasse, nBase, bAccent, nIdentite, bMajuscule, nUnite) <
               std::tie(st.nClasse, st.nBase, st.bAccent, st.nIdentite, st.bMajuscule, st.nUnite);
    }
};

stCleTri stGetCle(uint32_t nUnite, locale_t hLocale) {
    stCleTri st{AUTRE, 0, 0, 0, 0, nUnite};
    auto c = static_cast<wint_t>(nUnite);
    if (nUnite < 0x20 || (nUnite >= 0x7F && nUnite < 0xA0)) {
        st.nClasse = CONTROLE;
    } else if (nUnite >= 0xD800 && nUnite < 0xE000) {
        st.nClasse = AUTRE;  // halves of surrogate pairs are no characters
    } else if (nUnite == 0x20 || nUnite == 0xA0 || iswspace_l(c, hLocale)) {
        st.nClasse = ESPACE;
    } else if (nUnite >= '0' && nUnite <= '9') {
        st.nClasse = CHIFFRE;
    } else if (cBaseLatine(nUnite) != 0 || cBaseLatine(static_cast<char32_t>(towlower_l(c, hLocale))) != 0 ||
               (nUnite < 0x80 && ((nUnite | 0x20) >= 'a' && (nUnite | 0x20) <= 'z')) || iswalpha_l(c, hLocale)) {
        st.nClasse = LETTRE;
        char32_t cMinuscule =
            nUnite < 0x80 ? static_cast<char32_t>(nUnite | 0x20) : static_cast<char32_t>(towlower_l(c, hLocale));
        if (cMinuscule == 0 || cMinuscule > 0xFFFF) cMinuscule = nUnite;
        // Upper-case letters of the Latin table that the locale does not lower.
        if (cMinuscule == nUnite && nUnite >= LATIN_PREMIER && nUnite < 0xDF) cMinuscule = nUnite + 0x20;
        char32_t cBase = cBaseLatine(cMinuscule);
        if (cBase == 0) cBase = cMinuscule;
        st.nBase = cBase;
        st.bAccent = cMinuscule != cBase;
        st.nIdentite = cMinuscule;
        st.bMajuscule = cMinuscule != nUnite;
    } else if (nUnite < 0x80 || nUnite == 0xD7 || nUnite == 0xF7 || iswpunct_l(c, hLocale) ||
               (nUnite >= 0xA0 && nUnite < 0xC0)) {
        st.nClasse = PONCTUATION;
    }
    return st;
}

unsigned short s_tabUCS2FastSort[0x10000];

void ConstruitTable() {
    locale_t hLocale = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
    if (hLocale == static_cast<locale_t>(0)) hLocale = newlocale(LC_CTYPE_MASK, "C", static_cast<locale_t>(0));
    std::vector<stCleTri> tabCles(0x10000);
    for (uint32_t i = 0; i < 0x10000; i++) tabCles[i] = stGetCle(i, hLocale);
    freelocale(hLocale);
    std::sort(tabCles.begin(), tabCles.end());
    for (uint32_t nRang = 0; nRang < 0x10000; nRang++) {
        auto nPoids = static_cast<uint16_t>(nRang);
        // Stored with its bytes swapped: written to memory, the entry reads as the big-endian weight.
        s_tabUCS2FastSort[tabCles[nRang].nUnite] = static_cast<unsigned short>((nPoids >> 8) | (nPoids << 8));
    }
}

}  // namespace

const unsigned short* CYFConvertKey::s_ptabUCS2FastSort() {
    static std::once_flag s_bConstruite;
    std::call_once(s_bConstruite, ConstruitTable);
    return s_tabUCS2FastSort;
}
