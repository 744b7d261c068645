// Tests of the archive directory (CRepertoire) and its entries (CRepEntree): the persistent record
// bytes and their reading back, malformed records, the password digest, the path index across a
// move of the entry array, letter-case lookups, placeholders, removal and renaming.
#include "installer/Repertoire.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "../host/TempDir.h"

namespace {

std::string Hex(const uint8_t* pby, size_t n) {
    std::string s;
    char sz[3];
    for (size_t i = 0; i < n; i++) {
        snprintf(sz, sizeof(sz), "%02x", pby[i]);
        s += sz;
    }
    return s;
}

uint32_t U32(const std::string& s, size_t n) {
    return static_cast<uint8_t>(s[n]) | static_cast<uint8_t>(s[n + 1]) << 8 | static_cast<uint8_t>(s[n + 2]) << 16 |
           static_cast<uint32_t>(static_cast<uint8_t>(s[n + 3])) << 24;
}

std::string Le32(uint32_t dw) {
    std::string s;
    for (int i = 0; i < 4; i++) s += static_cast<char>(dw >> (8 * i));
    return s;
}

const CDiskFile::_stXFILETIME s_stTemps = {2014, 6, 15, 10, 20, 30, 0};

class RepertoireTest : public CTempDirTest {
protected:
    // Writes the directory to a file and gives the file's bytes.
    std::string sEcrit(const CRepertoire& clRep, int* pe) {
        CDiskFile clFichier;
        EXPECT_TRUE(clFichier.bOpen(wsPath(L"rep.bin").c_str(), IXStream::eAccessWrite, IXStream::eShareNone,
                                    IXStream::eCreateAlways, IXStream::eFlagNone, nullptr));
        *pe = clRep.eEcrit(clFichier);
        clFichier.Close();
        return sReadFile(sPath("rep.bin"));
    }
    // Reads a directory from the given bytes.
    int bLit(CRepertoire& clRep, const std::string& sOctets) {
        EXPECT_TRUE(WriteFile(sPath("in.bin"), sOctets));
        CDiskFile clFichier;
        EXPECT_TRUE(clFichier.bOpen(wsPath(L"in.bin").c_str(), IXStream::eAccessRead, IXStream::eShareNone,
                                    IXStream::eCreateOpenExisting, IXStream::eFlagNone, nullptr));
        return clRep.bLit(clFichier);
    }
};

TEST_F(RepertoireTest, RecordBytesAndRoundTrip) {
    CRepertoire clRep;
    ASSERT_TRUE(clRep.bAjouteEntree(L"sub\\", L"sub\\a.txt", 7, 12, 0x81A40000u, &s_stTemps, &s_stTemps, &s_stTemps, 1,
                                    L"secret"));
    ASSERT_TRUE(
        clRep.bAjouteEntree(L"", L"caf\u00e9", 0x100000005ll, 3, 0, &s_stTemps, &s_stTemps, &s_stTemps, 0, nullptr));
    EXPECT_EQ(clRep.dwTaille(), 4u + (40 + 9 + 19) + (40 + 4 + 19));

    int e = -1;
    const std::string s = sEcrit(clRep, &e);
    ASSERT_EQ(e, 0);
    ASSERT_EQ(s.size(), clRep.dwTaille());
    EXPECT_EQ(U32(s, 0), 2u);
    // First record.
    EXPECT_EQ(U32(s, 4), 68u);
    EXPECT_EQ(U32(s, 8), 12u);  // uncompressed
    EXPECT_EQ(U32(s, 12), 7u);  // compressed
    EXPECT_EQ(U32(s, 40), 0x81A40000u);
    EXPECT_EQ(s.substr(44, 9), "sub\\a.txt");
    EXPECT_EQ(s[53], 0);
    EXPECT_EQ(s[54], 0);  // flag byte
    EXPECT_EQ(s[55], 2);  // zip cipher
    EXPECT_EQ(Hex(reinterpret_cast<const uint8_t*>(s.data()) + 56, 16), "5ebe2294ecd0e0f08eab7690d2a6ee69");
    // Second record: low 32 bits of the sizes, the path in code page 1252, no cipher, zero digest.
    const size_t n2 = 4 + 68;
    EXPECT_EQ(U32(s, n2), 63u);
    EXPECT_EQ(U32(s, n2 + 4), 3u);
    EXPECT_EQ(U32(s, n2 + 8), 5u);
    EXPECT_EQ(s.substr(n2 + 40, 4), "caf\xe9");
    EXPECT_EQ(s.substr(n2 + 44), std::string(19, '\0'));

    CRepertoire clLu;
    ASSERT_TRUE(bLit(clLu, s));
    ASSERT_EQ(clLu.dwNbEntree(), 2u);
    const CRepEntree* pcl = clLu[0];
    EXPECT_STREQ(pcl->pszLitChemin(), L"sub\\a.txt");
    EXPECT_EQ(pcl->oLitTailleOriginale(), 12);
    EXPECT_EQ(pcl->oLitTailleCompresse(), 7);
    EXPECT_EQ(pcl->dwLitAttribut(), 0x81A40000u);
    EXPECT_TRUE(pcl->bLitCrypte());
    EXPECT_TRUE(pcl->bMdpOK(L"secret"));
    EXPECT_FALSE(pcl->bMdpOK(L"Secret"));
    const CDiskFile::_stXFILETIME& st = pcl->stftLitFtModif();
    EXPECT_EQ(CDiskFile::nCompareSystemTime(&st, &s_stTemps), 0);
    EXPECT_STREQ(clLu[1]->pszLitChemin(), L"caf\u00e9");
    EXPECT_FALSE(clLu[1]->bLitCrypte());
    EXPECT_EQ(clLu.lRang(L"SUB\\A.TXT"), 0);
}

TEST_F(RepertoireTest, PasswordDigest) {
    struct Case {
        const wchar_t* pszMdp;
        const char* pszMD5;
    };
    const Case aCases[] = {
        {nullptr, "d41d8cd98f00b204e9800998ecf8427e"},       // no bytes
        {L"secret", "5ebe2294ecd0e0f08eab7690d2a6ee69"},     // 1252 bytes
        {L"caf\u00e9", "961f50f6282239d09e48f812c1ca7276"},  // 1252 byte 0xE9
        {L"\u4e2d", "7da635444a82c0ab1bfd9717da62101e"},     // not in 1252: UTF-16LE 2D 4E
    };
    for (const Case& c : aCases) {
        CRepEntree clEntree;
        clEntree.SetCrypte(1, CRepEntree::s_byCryptageZip, c.pszMdp);
        EXPECT_EQ(Hex(clEntree.pbyLitMdp(), 16), c.pszMD5);
        EXPECT_TRUE(clEntree.bMdpOK(c.pszMdp));
        EXPECT_EQ(clEntree.byLitCryptage(), 2);
    }
    // Not encrypted: no cipher and a zero digest, whatever the password.
    CRepEntree clEntree;
    clEntree.SetCrypte(0, CRepEntree::s_byCryptageZip, L"secret");
    EXPECT_EQ(clEntree.byLitCryptage(), 0);
    EXPECT_EQ(Hex(clEntree.pbyLitMdp(), 16), std::string(32, '0'));
}

TEST_F(RepertoireTest, MalformedRecords) {
    const std::string sFixe = Le32(5) + Le32(3) + std::string(24, '\0') + Le32(0x20);
    struct Case {
        const char* pszNom;
        std::string sOctets;
        int bAttendu;
        const wchar_t* pszChemin;  // when read
        int bCrypte;
    };
    const std::string sTail =
        std::string(1, '\0') + std::string(1, '\x07') + std::string(1, '\x02') + std::string(16, '\x11');
    const Case aCases[] = {
        {"well formed", Le32(1) + Le32(40 + 3 + 19) + sFixe + "abc" + sTail, 1, L"abc", 1},
        {"no zero byte: a plain path", Le32(1) + Le32(40 + 3) + sFixe + "abc", 1, L"abc", 0},
        {"tail one byte short", Le32(1) + Le32(40 + 3 + 18) + sFixe + "abc" + sTail.substr(0, 18), 0, nullptr, 0},
        {"tail one byte long", Le32(1) + Le32(40 + 3 + 20) + sFixe + "abc" + sTail + "x", 0, nullptr, 0},
        {"record size below the fixed part", Le32(1) + Le32(39) + sFixe, 0, nullptr, 0},
        {"record cut", Le32(1) + Le32(40 + 3 + 19) + sFixe + "abc", 0, nullptr, 0},
        {"count cut", std::string("\x01\x00", 2), 0, nullptr, 0},
        {"more records counted than present", Le32(2) + Le32(40 + 3) + sFixe + "abc", 0, nullptr, 0},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszNom);
        CRepertoire clRep;
        EXPECT_EQ(bLit(clRep, c.sOctets), c.bAttendu);
        if (c.pszChemin != nullptr) {
            ASSERT_EQ(clRep.dwNbEntree(), 1u);
            EXPECT_STREQ(clRep[0]->pszLitChemin(), c.pszChemin);
            EXPECT_EQ(clRep[0]->bLitCrypte(), c.bCrypte);
            EXPECT_EQ(clRep[0]->oLitTailleOriginale(), 5);
            EXPECT_EQ(clRep[0]->dwLitAttribut(), 0x20u);
        }
    }
}

// A path the 8-bit code page cannot hold fails the record before any of its bytes is written, so the
// directory file stays readable up to the failure.
TEST_F(RepertoireTest, UnconvertiblePathWritesNothing) {
    CRepertoire clRep;
    ASSERT_TRUE(clRep.bAjouteEntree(L"", L"ok.txt", 1, 1, 0, &s_stTemps, &s_stTemps, &s_stTemps, 0, nullptr));
    ASSERT_TRUE(clRep.bAjouteEntree(L"", L"\u4e2d.txt", 1, 1, 0, &s_stTemps, &s_stTemps, &s_stTemps, 0, nullptr));
    int e = -1;
    const std::string s = sEcrit(clRep, &e);
    EXPECT_EQ(e, 1);
    EXPECT_EQ(s.size(), 4u + 40 + 6 + 19);
}

// More entries than the array's first storage holds: the index keys point into the array, so every
// path must still be found at its own place after the storage moved.
TEST_F(RepertoireTest, IndexSurvivesArrayGrowth) {
    CRepertoire clRep;
    const int n = CRepertoire::s_nPasTableau * 2 + 5;
    for (int i = 0; i < n; i++) {
        ASSERT_TRUE(clRep.bCreeEntree((L"f" + std::to_wstring(i)).c_str(), 1, 1, 0, 0, nullptr));
    }
    EXPECT_EQ(clRep.dwNbEntree(), static_cast<uint32_t>(n));
    EXPECT_EQ(clRep.dwNbEntreeReelle(), static_cast<uint32_t>(n));
    for (int i = 0; i < n; i += 97) EXPECT_EQ(clRep.lRang((L"F" + std::to_wstring(i)).c_str()), i);
    EXPECT_EQ(clRep.lRang(L"f1024"), 1024);
    EXPECT_EQ(clRep.lRang(L"absent"), -1);
    EXPECT_EQ(clRep[n], nullptr);
    EXPECT_EQ(clRep[-1], nullptr);
}

TEST_F(RepertoireTest, LetterCasePrefersExactName) {
    CRepertoire clRep;
    ASSERT_TRUE(clRep.bCreeEntree(L"README", 1, 1, 0, 0, nullptr));
    ASSERT_TRUE(clRep.bCreeEntree(L"readme", 2, 2, 0, 0, nullptr));
    EXPECT_EQ(clRep.lRang(L"README"), 0);
    EXPECT_EQ(clRep.lRang(L"readme"), 1);
    const long l = clRep.lRang(L"ReadMe");
    EXPECT_TRUE(l == 0 || l == 1);
    EXPECT_TRUE(clRep.bTrouve(L"rEADME"));
}

TEST_F(RepertoireTest, PlaceholdersRemovalAndRenaming) {
    CRepertoire clRep;
    // Placeholders: "a/" and "b/"; "c/" has compressed bytes, so it is a real entry.
    ASSERT_TRUE(clRep.bCreeEntree(L"a/", 0, 0, 0, 0, nullptr));
    ASSERT_TRUE(clRep.bCreeEntree(L"one", 1, 1, 0, 0, nullptr));
    ASSERT_TRUE(clRep.bCreeEntree(L"b/", 0, 0, 0, 0, nullptr));
    ASSERT_TRUE(clRep.bCreeEntree(L"two", 2, 2, 0, 0, nullptr));
    ASSERT_TRUE(clRep.bCreeEntree(L"c/", 5, 0, 0, 0, nullptr));  // something compressed: not a placeholder
    EXPECT_EQ(clRep.dwNbEntree(), 5u);
    EXPECT_EQ(clRep.dwNbEntreeReelle(), 3u);

    clRep.ForceRepVideAlaFin();
    std::vector<std::wstring> aOrdre;
    for (uint32_t i = 0; i < clRep.dwNbEntree(); i++) aOrdre.push_back(clRep[i]->pszLitChemin());
    const std::vector<std::wstring> aAttendu = {L"a/", L"one", L"two", L"c/", L"b/"};
    EXPECT_EQ(aOrdre, aAttendu);
    for (uint32_t i = 0; i < clRep.dwNbEntree(); i++) EXPECT_EQ(clRep.lRang(aAttendu[i].c_str()), static_cast<long>(i));

    clRep.SupprimeElement(1);
    EXPECT_EQ(clRep.dwNbEntree(), 4u);
    EXPECT_EQ(clRep.dwNbEntreeReelle(), 2u);
    EXPECT_EQ(clRep.lRang(L"one"), -1);
    EXPECT_EQ(clRep.lRang(L"b/"), 3);

    EXPECT_TRUE(clRep.bChangeChemin(1, L"deux"));
    EXPECT_EQ(clRep.lRang(L"two"), -1);
    EXPECT_EQ(clRep.lRang(L"DEUX"), 1);
    EXPECT_FALSE(clRep.bChangeChemin(4, L"x"));

    clRep.Vide();
    EXPECT_EQ(clRep.dwNbEntree(), 0u);
    EXPECT_EQ(clRep.dwTaille(), 4u);
    EXPECT_EQ(clRep.lRang(L"deux"), -1);
}

// An entry made from a file on disk takes the file's size and times under its name in the archive.
TEST_F(RepertoireTest, EntryFromDisk) {
    ASSERT_TRUE(WriteFile(sPath("disk.txt"), "12345"));
    CRepertoire clRep;
    ASSERT_TRUE(clRep.bAjouteEntree(wsPath(L"disk.txt").c_str(), L"in\\archive.txt", 4, 0, nullptr));
    const CRepEntree* pcl = clRep[0];
    EXPECT_STREQ(pcl->pszLitChemin(), L"in\\archive.txt");
    EXPECT_EQ(pcl->oLitTailleOriginale(), 5);
    EXPECT_EQ(pcl->oLitTailleCompresse(), 4);
    EXPECT_GE(pcl->stftLitFtModif().wYear, 2020);
}

}  // namespace
