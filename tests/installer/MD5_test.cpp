// The MD5 digest: the RFC 1321 test vectors, data fed in pieces across block boundaries, the
// reset after each digest, the interface's fixed answers, and bDigestFile against md5sum.
#include "installer/MD5.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/XError.h"
#include "core/XErrorModule.h"
#include "tests/core/VirtualSlot.h"
#include "tests/host/TempDir.h"

namespace {

std::string sHex(const unsigned char* pby, size_t n) {
    static const char szHex[] = "0123456789abcdef";
    std::string s;
    for (size_t i = 0; i < n; i++) {
        s += szHex[pby[i] >> 4];
        s += szHex[pby[i] & 15];
    }
    return s;
}

std::string sMD5(const std::string& sData, size_t nMorceau = 0) {
    CMD5 cl;
    if (nMorceau == 0) nMorceau = sData.size() + 1;
    for (size_t i = 0; i < sData.size(); i += nMorceau) {
        const size_t n = std::min(nMorceau, sData.size() - i);
        cl.AddData(sData.data() + i, static_cast<uint32_t>(n));
    }
    unsigned char aby[16];
    cl.FinalDigest(aby);
    return sHex(aby, 16);
}

// Bytes that are not a repeat of one pattern at any block length.
std::string sDonnees(size_t n) {
    std::string s(n, '\0');
    uint32_t x = 12345;
    for (auto& c : s) {
        x = x * 1103515245 + 12345;
        c = static_cast<char>(x >> 16);
    }
    return s;
}

TEST(MD5, RFC1321Vectors) {
    struct Case {
        const char* pszData;
        const char* pszDigest;
    };
    const Case aCases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszData);
        EXPECT_EQ(sMD5(c.pszData), c.pszDigest);
        // The same bytes one at a time.
        EXPECT_EQ(sMD5(c.pszData, 1), c.pszDigest);
    }
}

// Lengths around the padding limits (55, 56, 64 ...) fed whole and in pieces that straddle blocks
// give one digest.
TEST(MD5, PiecesAcrossBlockBoundaries) {
    for (size_t n : {55, 56, 57, 63, 64, 65, 119, 120, 128, 1000}) {
        const std::string s = sDonnees(n);
        const std::string sEntier = sMD5(s);
        for (size_t nMorceau : {1, 3, 7, 63, 64, 65, 100})
            EXPECT_EQ(sMD5(s, nMorceau), sEntier) << n << "/" << nMorceau;
    }
}

TEST(MD5, FinalDigestResets) {
    CMD5 cl;
    unsigned char aby1[16], aby2[16], aby3[16];
    cl.AddData("abc", 3);
    cl.FinalDigest(aby1);
    cl.AddData("abc", 3);
    cl.FinalDigest(aby2);
    EXPECT_EQ(sHex(aby1, 16), sHex(aby2, 16));
    EXPECT_EQ(sHex(aby1, 16), "900150983cd24fb0d6963f7d28e17f72");
    // Reset drops what was added so far.
    cl.AddData("zzz", 3);
    cl.Reset();
    cl.AddData("abc", 3);
    cl.FinalDigest(aby3);
    EXPECT_EQ(sHex(aby3, 16), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(MD5, InterfaceAnswers) {
    CMD5* pcl = new CMD5;
    IMessageDigest* pi = pcl;
    pi->AddRef();
    EXPECT_EQ(pi->nGetVersion(), 1);
    EXPECT_EQ(pi->nGetCompatSince(), 1);
    EXPECT_EQ(pi->nGetDllNum(), 39);
    EXPECT_EQ(pi->pQueryProxy(), nullptr);
    EXPECT_EQ(pi->dwGetBlockSize(), 64u);
    EXPECT_EQ(pi->dwGetDigestSize(), 16u);
    EXPECT_EQ(pi->bHasKey(), 0);
    pi->SetKey("key", 3);
    EXPECT_EQ(pi->bHasKey(), 0);
    pi->AddRef();
    EXPECT_EQ(pi->Release(), 1u);
    EXPECT_EQ(pi->Release(), 0u);  // the last release deletes (the leak checker would see it)
}

// Digests are called through the interface's table: its order is fixed (the destructor pair takes
// slots 6 and 7).
TEST(MD5, InterfaceSlotOrder) {
    struct Case {
        const char* pszName;
        ptrdiff_t nSlot;
        ptrdiff_t nExpected;
    };
    const Case aCases[] = {
        {"nGetVersion", SlotOf(&IMessageDigest::nGetVersion), 0},
        {"nGetCompatSince", SlotOf(&IMessageDigest::nGetCompatSince), 1},
        {"nGetDllNum", SlotOf(&IMessageDigest::nGetDllNum), 2},
        {"empty 3", SlotOf(&IMessageDigest::vEmptyMethodStdVersion3), 3},
        {"empty 5", SlotOf(&IMessageDigest::vEmptyMethodStdVersion5), 5},
        {"Release", SlotOf(&IMessageDigest::Release), 8},
        {"AddRef", SlotOf(&IMessageDigest::AddRef), 9},
        {"pQueryProxy", SlotOf(&IMessageDigest::pQueryProxy), 10},
        {"AddData", SlotOf(&IMessageDigest::AddData), 11},
        {"FinalDigest", SlotOf(&IMessageDigest::FinalDigest), 12},
        {"Reset", SlotOf(&IMessageDigest::Reset), 13},
        {"dwGetBlockSize", SlotOf(&IMessageDigest::dwGetBlockSize), 14},
        {"dwGetDigestSize", SlotOf(&IMessageDigest::dwGetDigestSize), 15},
        {"bHasKey", SlotOf(&IMessageDigest::bHasKey), 16},
        {"SetKey", SlotOf(&IMessageDigest::SetKey), 17},
    };
    for (const Case& c : aCases) EXPECT_EQ(c.nSlot, c.nExpected) << c.pszName;
}

class MD5File : public CTempDirTest {
protected:
    // md5sum's answer for a file, the oracle.
    static std::string sMd5sum(const std::string& sPath) {
        std::string sCommand = "md5sum '" + sPath + "'";
        FILE* pf = popen(sCommand.c_str(), "r");
        if (pf == nullptr) return "";
        char sz[64] = {};
        size_t n = fread(sz, 1, 32, pf);
        pclose(pf);
        return std::string(sz, n);
    }
};

TEST_F(MD5File, DigestFileMatchesMd5sum) {
    // Sizes around the 1,024-byte reads and one of many reads.
    for (size_t n : {0, 1, 1023, 1024, 1025, 4096, 100001}) {
        SCOPED_TRACE(n);
        std::string sNom = "f";
        sNom += std::to_string(n);
        const std::string sPath = this->sPath(sNom);
        {
            FILE* pf = fopen(sPath.c_str(), "wb");
            ASSERT_NE(pf, nullptr);
            const std::string s = sDonnees(n);
            fwrite(s.data(), 1, s.size(), pf);
            fclose(pf);
        }
        const std::string sAttendu = sMd5sum(sPath);
        ASSERT_EQ(sAttendu.size(), 32u);
        CMD5 cl;
        cl.AddData("left over", 9);  // the file's digest starts from a reset
        unsigned char aby[16] = {};
        _CXErrorModule39 clErreur;
        ASSERT_TRUE(cl.bDigestFile(std::wstring(sPath.begin(), sPath.end()).c_str(), aby, &clErreur));
        EXPECT_EQ(sHex(aby, 16), sAttendu);
        EXPECT_FALSE(clErreur.bIsError());
    }
}

TEST_F(MD5File, MissingFileFailsWithTheFileError) {
    CMD5 cl;
    unsigned char aby[16] = {};
    _CXErrorModule39 clErreur;
    EXPECT_FALSE(cl.bDigestFile(wsPath(L"absent").c_str(), aby, &clErreur));
    EXPECT_TRUE(clErreur.bIsError());
    EXPECT_EQ(clErreur.eGetErrorLevel(), 2u);
    EXPECT_EQ(clErreur.dwGetSystemErrorCode(), 2u);  // ENOENT
    // Without an error object the answer is the same.
    EXPECT_FALSE(cl.bDigestFile(wsPath(L"absent").c_str(), aby, nullptr));
}

// A read that fails part way must not pass a digest of part of the file as the file's: a
// directory opens for reading but every read fails.
TEST_F(MD5File, ReadErrorFails) {
    CMD5 cl;
    unsigned char aby[16] = {};
    _CXErrorModule39 clErreur;
    EXPECT_FALSE(cl.bDigestFile(m_wsDir.c_str(), aby, &clErreur));
    EXPECT_TRUE(clErreur.bIsError());
    EXPECT_EQ(clErreur.eGetErrorLevel(), 2u);
}

}  // namespace
