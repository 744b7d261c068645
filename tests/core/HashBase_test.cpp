// The chained hash table, its growth and shrinking, the string hashes, and the case-blind
// text-keyed table built on it.
#include "core/HashBase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <clocale>
#include <cstdint>
#include <cwchar>
#include <string>
#include <vector>

#include "core/THashTableTi.h"
#include "tests/core/VirtualSlot.h"

namespace {

// Integer keys carried in the key pointer, hashed by value: bucket placement is predictable.
class CHashEntier : public CHashBase {
public:
    explicit CHashEntier(int nNbListe) : CHashBase(nNbListe) {}
    uint32_t dwHashVal(void* pKey) override { return uint32_t(reinterpret_cast<uintptr_t>(pKey)); }
    int bEgaliteCle(void* pStoredKey, void* pKey) override { return pStoredKey == pKey; }
};

void* K(uintptr_t n) {
    return reinterpret_cast<void*>(n);
}

// Every pair sits in the bucket its hash names, and the buckets add up to the count.
void VerifieTable(CHashBase& table) {
    int nTotal = 0;
    for (int nListe = 0; nListe < table.nGetNbListe(); nListe++) {
        CListeDeBuffer clCurseur(*table.pclGetListe(nListe));
        for (void* p = clCurseur.pVaSurNumero(0); p != nullptr; p = clCurseur.pVaSuivant()) {
            void* pKey = static_cast<void**>(p)[0];
            EXPECT_EQ(int(table.dwHashVal(pKey) % uint32_t(table.nGetNbListe())), nListe);
            nTotal++;
        }
    }
    EXPECT_EQ(nTotal, table.nGetNbElement());
}

TEST(HashBase, StartsWithItsBucketsAndDefaultFactors) {
    CHashEntier table(43);
    EXPECT_EQ(table.nGetNbListe(), 43);
    EXPECT_EQ(table.nGetNbElement(), 0);
    EXPECT_EQ(table.nGetFacteurAgrandissement(), 3);
    EXPECT_EQ(table.nGetFacteurReduction(), 1);
    void* pValue = K(99);
    EXPECT_FALSE(table.bRecherche(K(1), &pValue, nullptr));
    EXPECT_EQ(pValue, K(99));
    EXPECT_FALSE(table.bSupprime(K(1)));
}

// Bucket counts stay prime: 43 doubles to 89 once three pairs per bucket are held, then halves to
// 47 (the first prime at or above 44) once a removal leaves fewer pairs than buckets.
TEST(HashBase, GrowsAndShrinksThroughPrimes) {
    CHashEntier table(43);
    for (uintptr_t i = 1; i <= 129; i++) ASSERT_TRUE(table.AjouteDYN(K(i), K(i * 10)));
    EXPECT_EQ(table.nGetNbListe(), 43);
    ASSERT_TRUE(table.AjouteDYN(K(130), K(1300)));
    EXPECT_EQ(table.nGetNbListe(), 89);
    VerifieTable(table);

    for (uintptr_t i = 1; i <= 41; i++) ASSERT_TRUE(table.bSupprimeDYN(K(i)));
    EXPECT_EQ(table.nGetNbElement(), 89);
    EXPECT_EQ(table.nGetNbListe(), 89);
    ASSERT_TRUE(table.bSupprimeDYN(K(42)));
    EXPECT_EQ(table.nGetNbListe(), 47);
    VerifieTable(table);
    for (uintptr_t i = 43; i <= 130; i++) {
        void* pValue = nullptr;
        void* pKey = nullptr;
        ASSERT_TRUE(table.bRecherche(K(i), &pValue, &pKey)) << i;
        EXPECT_EQ(pValue, K(i * 10));
        EXPECT_EQ(pKey, K(i));
    }
    EXPECT_FALSE(table.bSupprimeDYN(K(1)));
    EXPECT_EQ(table.nGetNbListe(), 47);
}

TEST(HashBase, ShrinkingStopsAtFortyThree) {
    CHashEntier table(43);
    for (uintptr_t i = 0; i < 300; i++) table.AjouteDYN(K(i), K(i));
    EXPECT_EQ(table.nGetNbListe(), 179);  // 43 -> 89 -> 179
    for (uintptr_t i = 0; i < 300; i++) ASSERT_TRUE(table.bSupprimeDYN(K(i)));
    EXPECT_EQ(table.nGetNbElement(), 0);
    EXPECT_EQ(table.nGetNbListe(), 43);
}

TEST(HashBase, ATableWithoutBucketsGrowsOnItsFirstPair) {
    CHashEntier table(0);
    EXPECT_EQ(table.nGetNbListe(), 0);
    EXPECT_FALSE(table.bRecherche(K(5), nullptr, nullptr));
    EXPECT_FALSE(table.bRechercheConst(K(5), nullptr, nullptr));
    for (uintptr_t i = 0; i < 50; i++) ASSERT_TRUE(table.AjouteDYN(K(i), K(i + 1)));
    VerifieTable(table);
    for (uintptr_t i = 0; i < 50; i++) {
        void* pValue = nullptr;
        ASSERT_TRUE(table.bRechercheConst(K(i), &pValue, nullptr));
        EXPECT_EQ(pValue, K(i + 1));
    }
}

TEST(HashBase, LevelsChangeWhenGrowthHappens) {
    CHashEntier table(7);
    table.SetNiveau(1, 1);
    for (uintptr_t i = 0; i < 7; i++) table.AjouteDYN(K(i), K(i));
    EXPECT_EQ(table.nGetNbListe(), 7);
    table.AjouteDYN(K(7), K(7));  // 1 x 7 <= 7 held
    EXPECT_EQ(table.nGetNbListe(), 17);
}

// The plain search leaves the bucket's cursor on the match; the const one walks a copy.
TEST(HashBase, ConstSearchLeavesTheBucketCursorAlone) {
    CHashEntier table(7);
    for (uintptr_t i : {3u, 10u, 17u}) table.AjouteDYN(K(i), K(i * 2));  // one bucket: 3 mod 7
    const CListeDeBuffer* pclListe = table.pclGetListe(3);
    ASSERT_EQ(pclListe->nGetNbElement(), 3);
    ASSERT_TRUE(table.bRecherche(K(10), nullptr, nullptr));
    CListeDeBuffer::CLinkedElement* pclSurMatch = pclListe->pclGetCourant();
    EXPECT_EQ(static_cast<void**>(CListeDeBuffer::pGetElem(pclSurMatch))[0], K(10));
    void* pValue = nullptr;
    ASSERT_TRUE(table.bRechercheConst(K(3), &pValue, nullptr));
    EXPECT_EQ(pValue, K(6));
    EXPECT_EQ(pclListe->pclGetCourant(), pclSurMatch);
}

TEST(HashBase, DuplicateKeysAreAllKept) {
    CHashEntier table(7);
    table.AjouteDYN(K(4), K(1));
    table.AjouteDYN(K(4), K(2));
    EXPECT_EQ(table.nGetNbElement(), 2);
    EXPECT_TRUE(table.bSupprime(K(4)));
    EXPECT_TRUE(table.bSupprime(K(4)));
    EXPECT_FALSE(table.bSupprime(K(4)));
    EXPECT_EQ(table.nGetNbElement(), 0);
}

TEST(HashBase, DrainingTakesEveryPairOnce) {
    CHashEntier table(7);
    for (uintptr_t i = 1; i <= 30; i++) table.AjouteDYN(K(i), K(i + 100));
    std::vector<bool> vu(31, false);
    int nListe = 0;
    for (;;) {
        void* pValue = K(1);
        void* pKey = K(1);
        table.SupprimeCourant(&nListe, &pValue, &pKey);
        if (pValue == nullptr) {
            EXPECT_EQ(pKey, nullptr);
            break;
        }
        const uintptr_t n = reinterpret_cast<uintptr_t>(pKey);
        ASSERT_TRUE(n >= 1 && n <= 30);
        EXPECT_FALSE(vu[n]);
        vu[n] = true;
        EXPECT_EQ(pValue, K(n + 100));
        EXPECT_EQ(int(n % uint32_t(table.nGetNbListe())), nListe);
    }
    EXPECT_EQ(table.nGetNbElement(), 0);
    for (uintptr_t i = 1; i <= 30; i++) EXPECT_TRUE(vu[i]) << i;
}

TEST(HashBase, RemoveAllKeepsTheBuckets) {
    CHashEntier table(7);
    for (uintptr_t i = 0; i < 40; i++) table.AjouteDYN(K(i), K(i));
    const int nNbListe = table.nGetNbListe();
    table.SupprimeTout();
    EXPECT_EQ(table.nGetNbElement(), 0);
    EXPECT_EQ(table.nGetNbListe(), nNbListe);
    EXPECT_FALSE(table.bRecherche(K(3), nullptr, nullptr));
    table.AjouteDYN(K(3), K(4));
    EXPECT_TRUE(table.bRecherche(K(3), nullptr, nullptr));
}

TEST(HashBase, ExplicitResizeKeepsEveryPair) {
    CHashEntier table(7);
    for (uintptr_t i = 0; i < 20; i++) table.AjouteDYN(K(i), K(i));
    for (int n : {0, -3, 5, 1, 101}) {
        table.RedimensionneTable(n);
        EXPECT_EQ(table.nGetNbListe(), n < 1 ? 7 : n);
        VerifieTable(table);
        if (n >= 1) {
            for (uintptr_t i = 0; i < 20; i++) EXPECT_TRUE(table.bRecherche(K(i), nullptr, nullptr));
        }
    }
}

// The destructor pair, then the hash and the key comparison that a concrete table supplies.
TEST(HashBase, VirtualOrder) {
    EXPECT_EQ(SlotOf(&CHashBase::dwHashVal), 2);
    EXPECT_EQ(SlotOf(&CHashBase::bEgaliteCle), 3);
}

// The character-mixing hash is FNV-1a over the characters: ASCII texts take the published FNV-1a
// 32-bit answers ("a", "foobar"); the folding forms hash the upper-case text.
TEST(HashBase, StringHashes) {
    struct Case {
        const char* pszNom;
        uint32_t dwObtenu;
        uint32_t dwAttendu;
    };
    const Case CASES[] = {
        {"T null", dwHashValT(nullptr), 0},
        {"T empty", dwHashValT(L""), 0},
        {"T a", dwHashValT(L"a"), 0xE40C292Cu},
        {"T foobar", dwHashValT(L"foobar"), 0xBF9CF968u},
        {"TA foobar", dwHashValTA("foobar"), 0xBF9CF968u},
        {"TA empty", dwHashValTA(""), 0},
        {"Ti folds to upper case", dwHashValTi(L"fooBAR"), dwHashValT(L"FOOBAR")},
        {"Ti null", dwHashValTi(nullptr), 0},
        {"TiA folds to upper case", dwHashValTiA("fooBAR"), dwHashValTA("FOOBAR")},
        // A byte above 0x7F is taken unsigned, as the character of that code.
        {"TA high byte", dwHashValTA("\xE9"), dwHashValT(L"\u00E9")},
    };
    for (const Case& c : CASES) EXPECT_EQ(c.dwObtenu, c.dwAttendu) << c.pszNom;
    EXPECT_NE(dwHashValT(L"foobar"), dwHashValT(L"FOOBAR"));
    EXPECT_EQ(dwHashValTi(L"Data/Setup.INI"), dwHashValTi(L"data/setup.ini"));
    EXPECT_EQ(dwHashValTiA("Data/Setup.INI"), dwHashValTiA("data/setup.ini"));
}

// Names such as an archive of many files holds, made of the same few characters in other orders,
// must spread over the table: a character sum gives 70,000 of them a few dozen values between
// them, and the table's chains then hold thousands of names each.
TEST(HashBase, NamesMadeOfTheSameCharactersHashApart) {
    std::vector<std::wstring> aNoms;
    for (int i = 0; i < 70000; i++) {
        wchar_t sz[64];
        swprintf(sz, 64, L"share/dir%03d/file%05d.txt", i % 100, i);
        aNoms.push_back(sz);
    }
    for (auto pfHash : {&dwHashValT, &dwHashValTi}) {
        std::vector<uint32_t> aHash;
        for (const std::wstring& s : aNoms) aHash.push_back(pfHash(s.c_str()));
        std::sort(aHash.begin(), aHash.end());
        const size_t nDistincts = size_t(std::unique(aHash.begin(), aHash.end()) - aHash.begin());
        EXPECT_GE(nDistincts, aNoms.size() - 10);
    }

    CTHashTableTi<int> table(43);
    for (size_t i = 0; i < aNoms.size(); i++) ASSERT_TRUE(table.Ajoute(aNoms[i].c_str(), int(i)));
    int nPlusLongue = 0;
    for (int nListe = 0; nListe < table.nGetNbListe(); nListe++)
        nPlusLongue = std::max(nPlusLongue, table.pclGetListe(nListe)->nGetNbElement());
    // The table holds three pairs a bucket on average when it grows.
    EXPECT_LE(nPlusLongue, 16);
}

// The table's equality and its hash fold letters the same way, so a held key is found by every
// text the equality takes for it, and by no other. Where towupper and towlower disagree (the
// Kelvin sign is its own upper-case form, "k" its lower-case; the long s has "S" for upper case
// and is its own lower-case form), a lookup agrees with the equality all the same.
TEST(THashTableTi, LookupAgreesWithTheKeyEquality) {
    const char* pszAvant = setlocale(LC_CTYPE, nullptr);
    const std::string sAvant = pszAvant != nullptr ? pszAvant : "C";
    ASSERT_NE(nullptr, setlocale(LC_CTYPE, "C.UTF-8"));
    struct Case {
        const wchar_t* pszStocke;
        const wchar_t* pszCherche;
    };
    const Case CASES[] = {
        {L"\u212Aelvin", L"kelvin"},
        {L"kelvin", L"\u212Aelvin"},
        {L"\u017Fetup.ini", L"SETUP.INI"},
        {L"setup.ini", L"\u017Fetup.ini"},
        {L"\u00E9t\u00E9", L"\u00C9T\u00C9"},
        {L"lib/libpq.so", L"LIB/LIBPQ.SO"},
        {L"a.txt", L"b.txt"},
    };
    for (const Case& c : CASES) {
        CTHashTableTi<int> table(43);
        // Enough neighbours that two different hashes would rarely share a bucket.
        std::vector<std::wstring> aAutres;
        for (int i = 0; i < 200; i++) aAutres.push_back(L"other" + std::to_wstring(i));
        for (const std::wstring& s : aAutres) ASSERT_TRUE(table.Ajoute(s.c_str(), -1));
        ASSERT_TRUE(table.Ajoute(c.pszStocke, 1));
        const bool bEgales = table.bEgaliteCle(const_cast<wchar_t*>(c.pszStocke), const_cast<wchar_t*>(c.pszCherche));
        int nValeur = 0;
        EXPECT_EQ(bEgales, table.bRecherche(c.pszCherche, &nValeur, nullptr) != 0) << int(c.pszStocke[0]);
        if (bEgales) {
            EXPECT_EQ(dwHashValTi(c.pszStocke), dwHashValTi(c.pszCherche));
            EXPECT_EQ(1, nValeur);
        }
    }
    setlocale(LC_CTYPE, sAvant.c_str());
}

TEST(THashTableTi, KeysMatchIgnoringCaseAndAreNotCopied) {
    const wchar_t szCle[] = L"Bin/Setup.EXE";
    CTHashTableTi<int> table(43);
    ASSERT_TRUE(table.Ajoute(szCle, 7));
    int nValeur = 0;
    const wchar_t* pszStocke = nullptr;
    ASSERT_TRUE(table.bRecherche(L"bin/setup.exe", &nValeur, &pszStocke));
    EXPECT_EQ(nValeur, 7);
    EXPECT_EQ(pszStocke, szCle);
    EXPECT_TRUE(table.bRechercheConst(L"BIN/SETUP.EXE", &nValeur, nullptr));
    EXPECT_FALSE(table.bRecherche(L"bin/setup.ex", nullptr, nullptr));
    EXPECT_TRUE(table.bSupprime(L"BIN/setup.exe"));
    EXPECT_FALSE(table.bRecherche(szCle, nullptr, nullptr));
    EXPECT_EQ(table.nGetNbElement(), 0);
}

TEST(THashTableTi, GrowsWithItsEntriesAndKeepsNegativeValues) {
    std::vector<std::wstring> cles;
    for (int i = 0; i < 1000; i++) cles.push_back(L"dir" + std::to_wstring(i % 7) + L"/File" + std::to_wstring(i));
    CTHashTableTi<int> table(43);
    for (int i = 0; i < 1000; i++) ASSERT_TRUE(table.Ajoute(cles[i].c_str(), -i));
    EXPECT_GT(table.nGetNbListe(), 43);
    VerifieTable(table);
    for (int i = 0; i < 1000; i++) {
        std::wstring recherche = L"DIR" + std::to_wstring(i % 7) + L"/file" + std::to_wstring(i);
        int nValeur = 1;
        ASSERT_TRUE(table.bRecherche(recherche.c_str(), &nValeur, nullptr)) << i;
        EXPECT_EQ(nValeur, -i);
    }
    table.SupprimeTout();
    EXPECT_FALSE(table.bRecherche(L"dir0/file0", nullptr, nullptr));
}

}  // namespace
