// CCompresseurBase: the base of the library's block compressors. It owns the block header format
// (method byte, lengths, data), the stored method every compressor can fall back to, and the lock
// that makes one compressor object safe to share between threads. Derived classes give the
// compress and decompress operations of their own method.
//
// Header, little-endian: byte 0 the method; method 0 (stored): u32 data length, data from byte 5;
// methods 2 and 4: u32 compressed length, u32 uncompressed length, u16 0, data from byte 11.
#pragma once

#include <pthread.h>

#include <cstdint>

class CCompresseurBase {
public:
    enum : uint8_t { eMethodeCopie = 0, eMethode2 = 2, eMethode4 = 4 };
    static constexpr uint32_t ENTETE_COPIE = 5;       // header of a stored block
    static constexpr uint32_t ENTETE_COMPRESSE = 11;  // header of a compressed block
    static constexpr uint32_t TAILLE_INCONNUE = 0xFFFFFFFFu;

    CCompresseurBase();
    CCompresseurBase(const CCompresseurBase&) = delete;
    CCompresseurBase& operator=(const CCompresseurBase&) = delete;
    virtual ~CCompresseurBase();

    // Size of the whole block that starts at pbyBloc: data length + 5 for a stored block,
    // compressed length + 11 for methods 2 and 4. TAILLE_INCONNUE for another method, or when the
    // nLongueur bytes given do not hold the header.
    virtual uint32_t vdwTailleEntree(const uint8_t* pbyBloc, uint32_t nLongueur);
    // Length of the data once decompressed; TAILLE_INCONNUE as above.
    virtual uint32_t dwTailleDecompression(const uint8_t* pbyBloc, uint32_t nLongueur);
    // Output capacity that always holds the compressed form of nLongueur bytes.
    virtual uint32_t dwTailleBufferCompression(uint32_t nLongueur);

    // One call under the lock: records the buffers, runs the derived operation, answers its result
    // (the bytes written, 0 on failure).
    uint32_t dwCompression(const uint8_t* pbyEntree, uint32_t nEntree, uint8_t* pbySortie, uint32_t nCapacite);
    uint32_t dwDecompression(const uint8_t* pbyEntree, uint32_t nEntree, uint8_t* pbySortie, uint32_t nCapacite);

protected:
    // The derived method's work on the recorded buffers.
    virtual uint32_t _dwCompresse() = 0;
    virtual uint32_t _dwDecompresse() = 0;
    // Writes the header of the method at the start of the output (the uncompressed length of
    // methods 2 and 4 is the input length); answers the header's size, 0 when the output cannot
    // hold it or the method is unknown.
    virtual uint32_t _EcritEntete(uint8_t byMethode, uint32_t nTailleCompressee);

    // The stored method: header and a copy of the input (input length + 5, or 0 when the output
    // is too small); and the copy back out of a stored block (its length, or 0 when the block is
    // not a whole stored block or the output cannot hold it).
    uint32_t _dwCompresseCopie();
    uint32_t _dwDecompresseCopie();

    const uint8_t* m_pbyEntree = nullptr;
    uint32_t m_nTailleEntree = 0;
    uint8_t* m_pbySortie = nullptr;
    uint32_t m_nCapaciteSortie = 0;

private:
    // Runs one derived operation under the lock, over the call's buffers.
    uint32_t _dwAppel(uint32_t (CCompresseurBase::*pfnOperation)(), const uint8_t* pbyEntree, uint32_t nEntree,
                      uint8_t* pbySortie, uint32_t nCapacite);

    pthread_mutex_t m_stVerrou;
};
