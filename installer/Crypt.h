// CCrypt: the base of the library's password-keyed block ciphers. It holds the 16-byte key and
// turns passwords into key bytes the way the archive family digests them; the derived cipher
// gives the key derivation, the key schedule and the cipher itself. Reference counted, as the
// objects handed between the library's pieces are.
#pragma once

#include <cstdint>

#include "core/KXUnknown.h"

class CCrypt : public CKXUnknown {
public:
    static constexpr uint32_t TAILLE_CLE = 16;

    CCrypt() : CKXUnknown(1) {}
    ~CCrypt() override;

    // Takes at most 16 bytes of pbyCle (the rest zeros) as the key; the cipher then rebuilds what
    // it derives from it. False when that fails.
    virtual bool bSetCryptKey(const uint8_t* pbyCle, uint32_t nLongueur);
    virtual bool bSetCryptKey(const uint8_t abyCle[TAILLE_CLE]);
    // The key of a password: its code page 1252 bytes when it converts to 1252 and back unchanged,
    // else its UTF-16 units in host order, never a terminator (none for a null password), through
    // BuildCryptKeyBinary. False when the bytes cannot be had.
    virtual bool BuildCryptKey(uint8_t abyCle[TAILLE_CLE], const wchar_t* pszMotDePasse);
    // The same from the bytes of an 8-bit password.
    virtual bool BuildCryptKeyAnsi(uint8_t abyCle[TAILLE_CLE], const char* pszMotDePasse);

    // Key from the password, installed.
    virtual bool bSetPassword(const wchar_t* pszMotDePasse) = 0;
    virtual bool bSetPasswordAnsi(const char* pszMotDePasse) = 0;
    // Enciphers or deciphers nLongueur bytes in place, with pbyCle installed first when given.
    virtual bool Crypt(uint8_t* pbyDonnees, uint32_t nLongueur, const uint8_t* pbyCle) = 0;
    virtual bool Uncrypt(uint8_t* pbyDonnees, uint32_t nLongueur, const uint8_t* pbyCle) = 0;
    // The 16-byte key derived from any bytes.
    virtual void BuildCryptKeyBinary(uint8_t abyCle[TAILLE_CLE], const uint8_t* pbyOctets, uint32_t nLongueur) = 0;

protected:
    uint8_t m_abyCle[TAILLE_CLE] = {};
};
