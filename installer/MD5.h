// CMD5: the MD5 message digest (RFC 1321), written here so that the installer depends on no
// cryptographic library. The archive directory keeps the MD5 of each entry's password with it.
#pragma once

#include <cstdint>

#include "installer/MessageDigestBase.h"

constexpr uint32_t MD5_TAILLE_BLOC = 64;
constexpr uint32_t MD5_TAILLE_EMPREINTE = 16;

class CMD5 : public CMessageDigestBase {
public:
    CMD5();
    ~CMD5() override;

    void AddData(const void* pData, uint32_t nLength) override;
    // Pads, writes the 16-byte digest and resets, so the next data start a new digest.
    void FinalDigest(unsigned char* pbyDigest) override;
    void Reset() override;
    uint32_t dwGetBlockSize() override { return MD5_TAILLE_BLOC; }
    uint32_t dwGetDigestSize() override { return MD5_TAILLE_EMPREINTE; }

private:
    // One 64-byte block into the chaining words.
    void _Transforme(const unsigned char* pbyBloc);

    uint32_t m_adwEtat[4];
    uint32_t m_adwNbBits[2];  // count of bits added: low word, high word
    unsigned char m_abyBloc[MD5_TAILLE_BLOC];
    int m_bDonnees;  // data were added since the last reset
};
