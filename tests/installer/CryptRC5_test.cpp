// The password cipher: round trips over every length class (whole blocks, the 4-bit tail, both),
// chaining, keys and rounds that change the result, the key rules (16 bytes at most, padded),
// passwords turned into bytes as the archive family does, and refusals without a key.
#include "installer/CryptRC5.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "tests/core/VirtualSlot.h"

namespace {

const uint8_t s_abyCle[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

std::vector<uint8_t> aDonnees(size_t n) {
    std::vector<uint8_t> a(n);
    for (size_t i = 0; i < n; i++) a[i] = static_cast<uint8_t>(i * 37 + 11);
    return a;
}

std::vector<uint8_t> aChiffre(CCryptRC5& cl, std::vector<uint8_t> a, const uint8_t* pbyCle = s_abyCle) {
    EXPECT_TRUE(cl.Crypt(a.data(), static_cast<uint32_t>(a.size()), pbyCle));
    return a;
}

std::vector<uint8_t> aCle(CCrypt& cl, const wchar_t* psz) {
    std::vector<uint8_t> a(16);
    EXPECT_TRUE(cl.BuildCryptKey(a.data(), psz));
    return a;
}

std::vector<uint8_t> aCleBinaire(CCrypt& cl, const std::string& s) {
    std::vector<uint8_t> a(16);
    cl.BuildCryptKeyBinary(a.data(), reinterpret_cast<const uint8_t*>(s.data()), static_cast<uint32_t>(s.size()));
    return a;
}

TEST(CryptRC5, VirtualOperationsInTheirSlots) {
    using PFNCLELONGUEUR = bool (CCrypt::*)(const uint8_t*, uint32_t);
    using PFNCLE16 = bool (CCrypt::*)(const uint8_t*);
    struct Case {
        const char* pszNom;
        ptrdiff_t nSlot;
        ptrdiff_t nAttendu;
    };
    // Slots 0 and 1 are the destructor's pair.
    const Case aCases[] = {
        {"dwRelease", SlotOf(&CCrypt::dwRelease), 2},
        {"bSetCryptKey(data, length)", SlotOf(static_cast<PFNCLELONGUEUR>(&CCrypt::bSetCryptKey)), 3},
        {"bSetCryptKey(key)", SlotOf(static_cast<PFNCLE16>(&CCrypt::bSetCryptKey)), 4},
        {"BuildCryptKey", SlotOf(&CCrypt::BuildCryptKey), 5},
        {"BuildCryptKeyAnsi", SlotOf(&CCrypt::BuildCryptKeyAnsi), 6},
        {"bSetPassword", SlotOf(&CCrypt::bSetPassword), 7},
        {"bSetPasswordAnsi", SlotOf(&CCrypt::bSetPasswordAnsi), 8},
        {"Crypt", SlotOf(&CCrypt::Crypt), 9},
        {"Uncrypt", SlotOf(&CCrypt::Uncrypt), 10},
        {"BuildCryptKeyBinary", SlotOf(&CCrypt::BuildCryptKeyBinary), 11},
    };
    for (const Case& c : aCases) EXPECT_EQ(c.nSlot, c.nAttendu) << c.pszNom;
}

TEST(CryptRC5, UncryptRestoresDataOfAnyLength) {
    for (int nTours : {1, 12, 20, 255}) {
        CCryptRC5 cl(nTours);
        for (size_t n : {0, 1, 2, 7, 8, 9, 15, 16, 17, 63, 64, 65, 1001}) {
            const auto aClair = aDonnees(n);
            auto a = aChiffre(cl, aClair);
            if (n >= 8) {
                EXPECT_NE(a, aClair) << n;
            }
            ASSERT_TRUE(cl.Uncrypt(a.data(), static_cast<uint32_t>(n), nullptr));
            EXPECT_EQ(a, aClair) << nTours << " rounds, " << n << " bytes";
        }
    }
}

// The block core against the published RC5-32/12/16 answers, each written as bytes whose first
// word is A. A block of this cipher holds A in its last four bytes, so the halves are exchanged;
// a lone block has nothing to chain with.
TEST(CryptRC5, WholeBlocksGiveThePublishedAnswers) {
    struct Case {
        const char* pszCle;
        const char* pszClair;
        const char* pszChiffre;
    };
    const Case aCases[] = {
        {"00000000000000000000000000000000", "0000000000000000", "21A5DBEE154B8F6D"},
        {"915F4619BE41B2516355A50110A9CE91", "21A5DBEE154B8F6D", "F7C013AC5B2B8952"},
        {"783348E75AEB0F2FD7B169BB8DC16787", "F7C013AC5B2B8952", "2F42B3B70369FC92"},
        {"DC49DB1375A5584F6485B413B5F12BAF", "2F42B3B70369FC92", "65C178B284D197CC"},
        {"5269F149D41BA0152497574D7F153125", "65C178B284D197CC", "EB44E415DA319824"},
    };
    auto aHex = [](const char* psz) {
        std::vector<uint8_t> a;
        for (; psz[0] != 0 && psz[1] != 0; psz += 2)
            a.push_back(static_cast<uint8_t>(std::stoi(std::string(psz, 2), nullptr, 16)));
        return a;
    };
    auto aEchangeMoities = [](std::vector<uint8_t> a) {
        std::rotate(a.begin(), a.begin() + 4, a.end());
        return a;
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszCle);
        CCryptRC5 cl;
        const auto aCleOctets = aHex(c.pszCle);
        auto a = aEchangeMoities(aHex(c.pszClair));
        ASSERT_TRUE(cl.Crypt(a.data(), 8, aCleOctets.data()));
        EXPECT_EQ(a, aEchangeMoities(aHex(c.pszChiffre)));
        ASSERT_TRUE(cl.Uncrypt(a.data(), 8, nullptr));
        EXPECT_EQ(a, aEchangeMoities(aHex(c.pszClair)));
    }
}

// Chaining, against the same published answers: with the key of a published pair (P, C), the
// blocks P and P xor C encipher to C twice (the second block is chained with the first's C), and
// so on for any number of blocks. Then the tail: each byte after the last whole block is chained
// with the low byte of the block before it, so two texts whose blocks and tails differ in step
// encipher to the same tail.
TEST(CryptRC5, ChainingGivesThePublishedAnswers) {
    struct Case {
        const char* pszCle;
        const char* pszClair;
        const char* pszChiffre;
    };
    const Case aCases[] = {
        {"00000000000000000000000000000000", "0000000000000000", "21A5DBEE154B8F6D"},
        {"915F4619BE41B2516355A50110A9CE91", "21A5DBEE154B8F6D", "F7C013AC5B2B8952"},
        {"5269F149D41BA0152497574D7F153125", "65C178B284D197CC", "EB44E415DA319824"},
    };
    auto aHex = [](const char* psz) {
        std::vector<uint8_t> a;
        for (; psz[0] != 0 && psz[1] != 0; psz += 2)
            a.push_back(static_cast<uint8_t>(std::stoi(std::string(psz, 2), nullptr, 16)));
        return a;
    };
    // A block of this cipher holds the first word in its last four bytes.
    auto aEchangeMoities = [](std::vector<uint8_t> a) {
        std::rotate(a.begin(), a.begin() + 4, a.end());
        return a;
    };
    for (const Case& c : aCases) {
        SCOPED_TRACE(c.pszCle);
        const auto aCleOctets = aHex(c.pszCle);
        const auto aP = aEchangeMoities(aHex(c.pszClair));
        const auto aC = aEchangeMoities(aHex(c.pszChiffre));
        std::vector<uint8_t> aClair(aP), aAttendu(aC);
        for (int nBloc = 1; nBloc < 4; nBloc++) {
            for (size_t i = 0; i < 8; i++) aClair.push_back(aP[i] ^ aC[i]);
            aAttendu.insert(aAttendu.end(), aC.begin(), aC.end());
        }
        CCryptRC5 cl;
        auto a = aClair;
        ASSERT_TRUE(cl.Crypt(a.data(), static_cast<uint32_t>(a.size()), aCleOctets.data()));
        EXPECT_EQ(a, aAttendu);
        ASSERT_TRUE(cl.Uncrypt(a.data(), static_cast<uint32_t>(a.size()), nullptr));
        EXPECT_EQ(a, aClair);
    }

    // The tail: a byte after the published block is chained with the low byte of its cipher text;
    // the same byte alone, with nothing before it, with zero. So a lone byte that already carries
    // that low byte enciphers as the tail does.
    const auto aCleOctets = aHex(aCases[1].pszCle);
    const auto aP = aEchangeMoities(aHex(aCases[1].pszClair));
    const auto aC = aEchangeMoities(aHex(aCases[1].pszChiffre));
    CCryptRC5 cl;
    for (int nOctet : {0x00, 0x41, 0xFF}) {
        SCOPED_TRACE(nOctet);
        auto aAvecBloc = aP;
        aAvecBloc.push_back(static_cast<uint8_t>(nOctet));
        ASSERT_TRUE(cl.Crypt(aAvecBloc.data(), 9, aCleOctets.data()));
        EXPECT_TRUE(std::equal(aC.begin(), aC.end(), aAvecBloc.begin()));
        uint8_t bySeul = static_cast<uint8_t>(nOctet ^ aC[0]);
        ASSERT_TRUE(cl.Crypt(&bySeul, 1, nullptr));
        EXPECT_EQ(aAvecBloc[8], bySeul);
    }
}

TEST(CryptRC5, TheTailCipherIsAPermutationOfBytes) {
    // A one-byte text goes through the 4-bit variant alone: every byte must have its own image.
    CCryptRC5 cl;
    std::set<uint8_t> setImages;
    for (int n = 0; n < 256; n++) setImages.insert(aChiffre(cl, {static_cast<uint8_t>(n)})[0]);
    EXPECT_EQ(setImages.size(), 256u);
}

TEST(CryptRC5, BlocksAndTailBytesAreChained) {
    CCryptRC5 cl;
    // Two equal blocks, then equal tail bytes: each is enciphered differently after the first.
    std::vector<uint8_t> aClair(16 + 4, 'A');
    const auto a = aChiffre(cl, aClair);
    EXPECT_FALSE(std::equal(a.begin(), a.begin() + 8, a.begin() + 8));
    EXPECT_EQ(aChiffre(cl, aClair), a);  // the chain starts afresh at each call

    // A change in the first block reaches every later byte; one in the last byte stays there.
    auto aAutre = aClair;
    aAutre[0] ^= 1;
    const auto b = aChiffre(cl, aAutre);
    for (size_t i = 8; i < a.size(); i++) EXPECT_NE(a[i], b[i]) << i;
    aAutre = aClair;
    aAutre.back() ^= 1;
    const auto c = aChiffre(cl, aAutre);
    EXPECT_TRUE(std::equal(a.begin(), a.end() - 1, c.begin()));
}

TEST(CryptRC5, KeyAndRoundsDecideTheResult) {
    CCryptRC5 cl12, cl13(13);
    const auto aClair = aDonnees(21);
    const auto aRef = aChiffre(cl12, aClair);
    EXPECT_NE(aChiffre(cl13, aClair), aRef);
    uint8_t abyAutre[16];
    std::copy(std::begin(s_abyCle), std::end(s_abyCle), abyAutre);
    abyAutre[15] ^= 0x80;
    EXPECT_NE(aChiffre(cl12, aClair, abyAutre), aRef);

    // The wrong key does not give the text back.
    auto a = aRef;
    ASSERT_TRUE(cl12.Uncrypt(a.data(), 21, abyAutre));
    EXPECT_NE(a, aClair);

    // Rounds out of range fall back to the nominal count.
    for (int n : {0, -3, 256}) EXPECT_EQ(CCryptRC5(n).nGetTours(), CCryptRC5::RC5_TOURS_DEFAUT) << n;
    CCryptRC5 clDefaut(0);
    EXPECT_EQ(aChiffre(clDefaut, aClair), aRef);
}

TEST(CryptRC5, KeysTakeAtMostSixteenBytesPaddedWithZeros) {
    const auto aClair = aDonnees(19);
    CCryptRC5 clRef;
    const auto aRef = aChiffre(clRef, aClair);

    CCryptRC5 cl;
    uint8_t abyLong[20];
    std::copy(std::begin(s_abyCle), std::end(s_abyCle), abyLong);
    abyLong[16] = abyLong[17] = abyLong[18] = abyLong[19] = 0xFF;
    ASSERT_TRUE(cl.bSetCryptKey(abyLong, 20));
    auto a = aClair;
    ASSERT_TRUE(cl.Crypt(a.data(), 19, nullptr));
    EXPECT_EQ(a, aRef);

    const uint8_t abyCourt[16] = {1, 2, 3, 4, 5};
    ASSERT_TRUE(cl.bSetCryptKey(abyCourt, 5));
    a = aClair;
    ASSERT_TRUE(cl.Crypt(a.data(), 19, nullptr));
    EXPECT_EQ(a, aChiffre(clRef, aClair, abyCourt));
}

TEST(CryptRC5, NoKeyNoWork) {
    CCryptRC5 cl;
    auto a = aDonnees(12);
    EXPECT_FALSE(cl.Crypt(a.data(), 12, nullptr));
    EXPECT_FALSE(cl.Uncrypt(a.data(), 12, nullptr));
    EXPECT_EQ(a, aDonnees(12));
    EXPECT_FALSE(cl.Crypt(nullptr, 4, s_abyCle));
    EXPECT_TRUE(cl.Crypt(nullptr, 0, nullptr));
}

// The key derivation is a compression of SHA-0's kind (SHA-1's steps, a message schedule without
// rotation). The compression is written here a second time, from its definition, and checked on
// the published SHA-0 digests; it then gives the keys the derivation must make from its own block
// layout: the bytes, 0x01, zeros and the length in bytes (little-endian) in the last four bytes,
// words read little-endian, the working words carried from one block to the next, the key being
// the first four chaining words little-endian.
namespace sha0 {

uint32_t Rot(uint32_t x, int n) {
    return (x << n) | (x >> (32 - n));
}

// The 80 steps on the working words, then their sum into the chaining words.
void Compresse(uint32_t h[5], uint32_t t[5], const uint32_t m[16]) {
    uint32_t w[80];
    for (int i = 0; i < 16; i++) w[i] = m[i];
    for (int i = 16; i < 80; i++) w[i] = w[i - 3] ^ w[i - 8] ^ w[i - 14] ^ w[i - 16];
    uint32_t a = t[0], b = t[1], c = t[2], d = t[3], e = t[4];
    for (int i = 0; i < 80; i++) {
        const uint32_t f = i < 20   ? (b & c) | (~b & d)
                           : i < 40 ? b ^ c ^ d
                           : i < 60 ? (b & c) | (b & d) | (c & d)
                                    : b ^ c ^ d;
        const uint32_t k = i < 20 ? 0x5A827999u : i < 40 ? 0x6ED9EBA1u : i < 60 ? 0x8F1BBCDCu : 0xCA62C1D6u;
        const uint32_t x = Rot(a, 5) + f + e + w[i] + k;
        e = d;
        d = c;
        c = Rot(b, 30);
        b = a;
        a = x;
    }
    t[0] = a, t[1] = b, t[2] = c, t[3] = d, t[4] = e;
    for (int i = 0; i < 5; i++) h[i] += t[i];
}

const uint32_t H0[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};

// SHA-0 itself: padding 0x80 and the bit count big-endian, words big-endian, working words
// restarted from the chaining words at each block. Hexadecimal digest.
std::string Digest(const std::string& sMessage) {
    std::string s = sMessage + '\x80';
    while (s.size() % 64 != 56) s += '\0';
    const uint64_t nBits = uint64_t(sMessage.size()) * 8;
    for (int i = 7; i >= 0; i--) s += static_cast<char>(nBits >> (8 * i));
    uint32_t h[5];
    std::copy(H0, H0 + 5, h);
    for (size_t n = 0; n < s.size(); n += 64) {
        uint32_t m[16], t[5];
        for (int i = 0; i < 16; i++)
            m[i] = uint32_t(uint8_t(s[n + 4 * i])) << 24 | uint32_t(uint8_t(s[n + 4 * i + 1])) << 16 |
                   uint32_t(uint8_t(s[n + 4 * i + 2])) << 8 | uint32_t(uint8_t(s[n + 4 * i + 3]));
        std::copy(h, h + 5, t);
        Compresse(h, t, m);
    }
    char sz[41];
    snprintf(sz, sizeof(sz), "%08x%08x%08x%08x%08x", h[0], h[1], h[2], h[3], h[4]);
    return sz;
}

// The key of the derivation's own layout.
std::vector<uint8_t> Cle(const std::string& sOctets) {
    const size_t n = (sOctets.size() + 4 + 63) / 64 * 64;
    std::string s = sOctets;
    s.resize(n, '\0');
    s[sOctets.size()] = 1;
    for (int i = 0; i < 4; i++) s[n - 4 + i] = static_cast<char>(uint32_t(sOctets.size()) >> (8 * i));
    uint32_t h[5], t[5];
    std::copy(H0, H0 + 5, h);
    std::copy(H0, H0 + 5, t);
    for (size_t b = 0; b < n; b += 64) {
        uint32_t m[16];
        for (int i = 0; i < 16; i++)
            m[i] = uint32_t(uint8_t(s[b + 4 * i])) | uint32_t(uint8_t(s[b + 4 * i + 1])) << 8 |
                   uint32_t(uint8_t(s[b + 4 * i + 2])) << 16 | uint32_t(uint8_t(s[b + 4 * i + 3])) << 24;
        Compresse(h, t, m);
    }
    std::vector<uint8_t> a;
    for (int i = 0; i < 4; i++)
        for (int j = 0; j < 4; j++) a.push_back(static_cast<uint8_t>(h[i] >> (8 * j)));
    return a;
}

}  // namespace sha0

TEST(CryptRC5, KeyDerivationGivesTheKeysOfItsCompression) {
    // The reference compression, on the published SHA-0 digests (one block, then two).
    ASSERT_EQ("0164b8a914cd2a5e74c4f7ff082c4d97f1edf880", sha0::Digest("abc"));
    ASSERT_EQ("d2516ee1acfa5baf33dfc1c471e438449ef134c8",
              sha0::Digest("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"));

    // Lengths around the blocks: the 0x01 byte and the length apart, touching, the length written
    // over the 0x01 byte (60), a second block (61 and more), several blocks.
    CCryptRC5 cl;
    for (size_t n : {0, 1, 6, 55, 59, 60, 61, 63, 64, 124, 200}) {
        std::string s;
        for (size_t i = 0; i < n; i++) s += static_cast<char>(i * 31 + 7);
        EXPECT_EQ(sha0::Cle(s), aCleBinaire(cl, s)) << n << " bytes";
    }
}

TEST(CryptRC5, KeyDerivationDependsOnEveryByteAndTheLength) {
    CCryptRC5 cl;
    // Keys held as text: a set of byte vectors trips a false warning of the compiler's library.
    std::set<std::string> setCles;
    auto sCle = [&](const std::string& s) {
        const auto a = aCleBinaire(cl, s);
        return std::string(a.begin(), a.end());
    };
    // Lengths around the 64-byte blocks, where the 0x01 byte and the length field meet or move to
    // a second block; and texts that differ only by trailing zero bytes.
    size_t nEssais = 0;
    for (size_t n : {0, 1, 55, 56, 59, 60, 61, 63, 64, 124, 125, 200}) {
        setCles.insert(sCle(std::string(n, 'k')));
        setCles.insert(sCle(std::string(n, 'k') + std::string(1, '\0')));
        nEssais += 2;
    }
    for (size_t i : {0, 30, 63, 64, 100}) {
        std::string s(128, 'k');
        s[i] = 'K';
        setCles.insert(sCle(s));
        nEssais++;
    }
    EXPECT_EQ(setCles.size(), nEssais);
    EXPECT_EQ(aCleBinaire(cl, "secret"), aCleBinaire(cl, "secret"));
}

TEST(CryptRC5, PasswordsBecomeBytesAsTheArchiveFamilyDigestsThem) {
    CCryptRC5 cl;
    struct Case {
        const wchar_t* pszMotDePasse;
        std::string sOctets;
    };
    const Case aCases[] = {
        {L"secret", "secret"},
        {L"caf\u00e9\u20ac", "caf\xe9\x80"},                    // 1252 holds both
        {L"\u65e5\u672c", std::string("\xe5\x65\x2c\x67", 4)},  // UTF-16 units, low byte first
        {L"\U0001F600", std::string("\x3d\xd8\x00\xde", 4)},    // a surrogate pair
        {L"", ""},
        {nullptr, ""},
    };
    for (const Case& c : aCases) EXPECT_EQ(aCle(cl, c.pszMotDePasse), aCleBinaire(cl, c.sOctets)) << c.sOctets;

    std::vector<uint8_t> aAnsi(16);
    ASSERT_TRUE(cl.BuildCryptKeyAnsi(aAnsi.data(), "caf\xe9"));
    EXPECT_EQ(aAnsi, aCleBinaire(cl, "caf\xe9"));
    ASSERT_TRUE(cl.BuildCryptKeyAnsi(aAnsi.data(), nullptr));
    EXPECT_EQ(aAnsi, aCleBinaire(cl, ""));

    // A password installs the key it derives.
    const auto aClair = aDonnees(30);
    const auto aCleSecret = aCle(cl, L"secret");
    const auto aRef = aChiffre(cl, aClair, aCleSecret.data());
    for (bool bAnsi : {false, true}) {
        CCryptRC5 clMotDePasse;
        ASSERT_TRUE(bAnsi ? clMotDePasse.bSetPasswordAnsi("secret") : clMotDePasse.bSetPassword(L"secret"));
        auto a = aClair;
        ASSERT_TRUE(clMotDePasse.Crypt(a.data(), 30, nullptr));
        EXPECT_EQ(a, aRef) << bAnsi;
    }
}

TEST(CryptRC5, ReleasingTheLastReferenceDestroysTheCipher) {
    CCryptRC5* pcl = new CCryptRC5;
    EXPECT_EQ(pcl->dwGetRef(), 1u);
    ASSERT_TRUE(pcl->bSetPassword(L"x"));  // the key table is freed with the object
    pcl->AddRef();
    EXPECT_EQ(pcl->dwRelease(), 1u);
    EXPECT_EQ(static_cast<CKXUnknown*>(pcl)->dwRelease(), 0u);
}

}  // namespace
