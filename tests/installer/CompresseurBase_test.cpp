// The compressor base: the block header it writes and reads, the stored method's round trip and
// its refusals, headers that lie about their lengths, and the lock around a call.
#include "installer/CompresseurBase.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "tests/core/VirtualSlot.h"

namespace {

// A compressor of the stored method only, as the derived classes of the library fall back to it.
class CCompresseurCopie : public CCompresseurBase {
public:
    using CCompresseurBase::_EcritEntete;
    const uint8_t* pbyEntreeEnCours() const { return m_pbyEntree; }

    uint32_t _dwCompresse() override { return _dwCompresseCopie(); }
    uint32_t _dwDecompresse() override { return _dwDecompresseCopie(); }
};

std::vector<uint8_t> aOctets(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

TEST(CompresseurBase, VirtualOperationsInTheirSlots) {
    struct Case {
        const char* pszNom;
        ptrdiff_t nSlot;
        ptrdiff_t nAttendu;
    };
    // Slots 0 and 1 are the destructor's pair.
    const Case aCases[] = {
        {"vdwTailleEntree", SlotOf(&CCompresseurBase::vdwTailleEntree), 2},
        {"dwTailleDecompression", SlotOf(&CCompresseurBase::dwTailleDecompression), 3},
        {"dwTailleBufferCompression", SlotOf(&CCompresseurBase::dwTailleBufferCompression), 4},
        {"compress", SlotOf(&CCompresseurCopie::_dwCompresse), 5},
        {"decompress", SlotOf(&CCompresseurCopie::_dwDecompresse), 6},
        {"_EcritEntete", SlotOf(&CCompresseurCopie::_EcritEntete), 7},
    };
    for (const Case& c : aCases) EXPECT_EQ(c.nSlot, c.nAttendu) << c.pszNom;
}

TEST(CompresseurBase, StoredBlockRoundTrip) {
    CCompresseurCopie cl;
    for (const std::string& sDonnees : {std::string(), std::string("hello"), std::string(1000, '\xAB')}) {
        const auto aEntree = aOctets(sDonnees);
        const uint32_t n = static_cast<uint32_t>(aEntree.size());
        std::vector<uint8_t> aBloc(cl.dwTailleBufferCompression(n));
        ASSERT_EQ(aBloc.size(), n + 7u);
        ASSERT_EQ(cl.dwCompression(aEntree.data(), n, aBloc.data(), static_cast<uint32_t>(aBloc.size())), n + 5);
        EXPECT_EQ(aBloc[0], 0);
        EXPECT_EQ(aBloc[1] | (aBloc[2] << 8) | (aBloc[3] << 16) | (aBloc[4] << 24), static_cast<int>(n));
        EXPECT_EQ(cl.pbyEntreeEnCours(), nullptr);

        EXPECT_EQ(cl.vdwTailleEntree(aBloc.data(), n + 5), n + 5);
        EXPECT_EQ(cl.dwTailleDecompression(aBloc.data(), n + 5), n);
        std::vector<uint8_t> aSortie(n + 1, 0xEE);
        ASSERT_EQ(cl.dwDecompression(aBloc.data(), n + 5, aSortie.data(), n), n);
        EXPECT_TRUE(std::equal(aEntree.begin(), aEntree.end(), aSortie.begin()));
        EXPECT_EQ(aSortie[n], 0xEE);
    }
}

TEST(CompresseurBase, OutputsTooSmallAreRefused) {
    CCompresseurCopie cl;
    const auto aEntree = aOctets("0123456789");
    std::vector<uint8_t> aBloc(20, 0xEE);
    EXPECT_EQ(cl.dwCompression(aEntree.data(), 10, aBloc.data(), 14), 0u);
    EXPECT_EQ(cl.dwCompression(aEntree.data(), 10, nullptr, 0), 0u);
    ASSERT_EQ(cl.dwCompression(aEntree.data(), 10, aBloc.data(), 15), 15u);
    std::vector<uint8_t> aSortie(10);
    EXPECT_EQ(cl.dwDecompression(aBloc.data(), 15, aSortie.data(), 9), 0u);
}

TEST(CompresseurBase, HeadersAreReadWithinTheGivenLength) {
    const uint32_t X = CCompresseurBase::TAILLE_INCONNUE;
    struct Case {
        const char* pszNom;
        std::vector<uint8_t> aBloc;
        uint32_t nTailleEntree;   // vdwTailleEntree
        uint32_t nTailleDonnees;  // dwTailleDecompression
        uint32_t nDecompression;  // stored copy into 64 bytes
    };
    const Case aCases[] = {
        {"stored, whole", {0, 3, 0, 0, 0, 'a', 'b', 'c'}, 8, 3, 3},
        {"stored, longer than the input", {0, 100, 0, 0, 0, 'a', 'b', 'c'}, 105, 100, 0},
        {"stored, one byte short", {0, 4, 0, 0, 0, 'a', 'b', 'c'}, 9, 4, 0},
        {"stored, length wraps", {0, 0xFF, 0xFF, 0xFF, 0xFF}, X, X, 0},
        {"header cut", {0, 3, 0}, X, X, 0},
        {"method byte only", {2}, X, X, 0},
        {"method 2", {2, 20, 0, 0, 0, 40, 0, 0, 0, 0, 0}, 31, 40, 0},
        {"method 4", {4, 1, 1, 0, 0, 2, 2, 0, 0, 0, 0}, 257 + 11, 514, 0},
        {"method 2, header cut", {2, 20, 0, 0, 0, 40, 0, 0}, X, X, 0},
        {"unknown method", {7, 3, 0, 0, 0, 'a', 'b', 'c'}, X, X, 0},
    };
    CCompresseurCopie cl;
    for (const Case& c : aCases) {
        const uint32_t n = static_cast<uint32_t>(c.aBloc.size());
        EXPECT_EQ(cl.vdwTailleEntree(c.aBloc.data(), n), c.nTailleEntree) << c.pszNom;
        EXPECT_EQ(cl.dwTailleDecompression(c.aBloc.data(), n), c.nTailleDonnees) << c.pszNom;
        std::vector<uint8_t> aSortie(64);
        EXPECT_EQ(cl.dwDecompression(c.aBloc.data(), n, aSortie.data(), 64), c.nDecompression) << c.pszNom;
    }
    EXPECT_EQ(cl.vdwTailleEntree(nullptr, 5), X);
    EXPECT_EQ(cl.dwTailleDecompression(nullptr, 5), X);
}

TEST(CompresseurBase, HeaderOfACompressedMethodCarriesTheInputLength) {
    // A derived method writes its header once it knows its compressed length.
    class CEntete : public CCompresseurCopie {
    protected:
        uint32_t _dwCompresse() override { return _EcritEntete(eMethode4, 0x01020304); }
    } cl;
    std::vector<uint8_t> aEntree(0x0A0B, 1);
    std::vector<uint8_t> aBloc(11, 0xEE);
    ASSERT_EQ(cl.dwCompression(aEntree.data(), 0x0A0B, aBloc.data(), 11), 11u);
    EXPECT_EQ(aBloc, (std::vector<uint8_t>{4, 4, 3, 2, 1, 0x0B, 0x0A, 0, 0, 0, 0}));
    EXPECT_EQ(cl.dwCompression(aEntree.data(), 0x0A0B, aBloc.data(), 10), 0u);
    EXPECT_EQ(cl._EcritEntete(9, 0), 0u);
}

TEST(CompresseurBase, OneObjectServesSeveralThreadsAndReentersItself) {
    // Each call's buffers are the object's state during the call: without the lock, two threads
    // would copy each other's input.
    // The operations sleep between the recording of the buffers and their use,
    // so that the other thread comes in there.
    class CLent : public CCompresseurCopie {
    protected:
        uint32_t _dwCompresse() override {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            return _dwCompresseCopie();
        }
        uint32_t _dwDecompresse() override {
            std::this_thread::sleep_for(std::chrono::microseconds(50));
            return _dwDecompresseCopie();
        }
    } cl;
    std::atomic<int> nFautes{0};
    std::atomic<int> nPrets{0};
    auto fnTravail = [&](uint8_t byMotif) {
        nPrets++;
        while (nPrets.load() < 2) {
        }
        std::vector<uint8_t> aEntree(4096, byMotif), aBloc(4096 + 7), aSortie(4096);
        for (int i = 0; i < 100; i++) {
            std::fill(aBloc.begin(), aBloc.end(), 0xEE);
            std::fill(aSortie.begin(), aSortie.end(), 0xEE);
            if (cl.dwCompression(aEntree.data(), 4096, aBloc.data(), 4096 + 7) != 4096 + 5 ||
                cl.dwDecompression(aBloc.data(), 4096 + 5, aSortie.data(), 4096) != 4096 || aSortie != aEntree)
                nFautes++;
        }
    };
    std::thread t1(fnTravail, 0x11), t2(fnTravail, 0x22);
    t1.join();
    t2.join();
    EXPECT_EQ(nFautes.load(), 0);

    // A derived operation may call back into the object on the same thread.
    class CImbrique : public CCompresseurCopie {
    protected:
        uint32_t _dwCompresse() override {
            uint8_t abyBloc[] = {0, 1, 0, 0, 0, 'z'};
            uint8_t by = 0;
            return dwDecompression(abyBloc, sizeof(abyBloc), &by, 1) == 1 && by == 'z' ? 42 : 0;
        }
    } clImbrique;
    EXPECT_EQ(clImbrique.dwCompression(nullptr, 0, nullptr, 0), 42u);
}

}  // namespace
