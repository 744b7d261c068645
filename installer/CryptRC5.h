// CCryptRC5: the library's password cipher: RC5 with 32-bit words and a 16-byte key, chained
// block by block, with a 4-bit variant for the bytes after the last whole block so that data of
// any length keeps its length. The key of a password comes from a SHA-1-shaped compression of its
// bytes (see BuildCryptKeyBinary).
#pragma once

#include <cstdint>

#include "installer/Crypt.h"

class CCryptRC5 : public CCrypt {
public:
    // Rounds when none are named: the cipher's nominal count for 32-bit words. Data enciphered
    // with another count can only be read back with that count.
    static constexpr int RC5_TOURS_DEFAUT = 12;

    explicit CCryptRC5(int nTours = RC5_TOURS_DEFAUT);
    ~CCryptRC5() override;

    bool bSetCryptKey(const uint8_t* pbyCle, uint32_t nLongueur) override;
    using CCrypt::bSetCryptKey;

    bool bSetPassword(const wchar_t* pszMotDePasse) override;
    bool bSetPasswordAnsi(const char* pszMotDePasse) override;
    // False when no key is installed, or data are missing.
    bool Crypt(uint8_t* pbyDonnees, uint32_t nLongueur, const uint8_t* pbyCle) override;
    bool Uncrypt(uint8_t* pbyDonnees, uint32_t nLongueur, const uint8_t* pbyCle) override;
    void BuildCryptKeyBinary(uint8_t abyCle[TAILLE_CLE], const uint8_t* pbyOctets, uint32_t nLongueur) override;

    int nGetTours() const { return m_nTours; }

private:
    // Installs the key when one is given; true when a key is installed and the data are there.
    bool _bPret(const uint8_t* pbyDonnees, uint32_t nLongueur, const uint8_t* pbyCle);
    void _ChiffreBloc(uint32_t& A, uint32_t& B) const;
    void _DechiffreBloc(uint32_t& A, uint32_t& B) const;
    uint8_t _byChiffreOctet(uint8_t by) const;
    uint8_t _byDechiffreOctet(uint8_t by) const;

    int m_nTours;
    uint32_t* m_pdwTable = nullptr;  // 2(r + 1) words, built from the key
};
