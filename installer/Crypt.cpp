// CCrypt: the key bytes and the password-to-bytes rule shared by the ciphers.
#include "installer/Crypt.h"

#include <cstring>
#include <cwchar>
#include <vector>

#include "core/STRUtil.h"
#include "core/UnicodeToolkit.h"
#include "core/platformwin/WinCodePage.h"

CCrypt::~CCrypt() {
    // The key does not outlive the cipher in freed memory.
    volatile uint8_t* pby = m_abyCle;
    for (uint32_t i = 0; i < TAILLE_CLE; i++) pby[i] = 0;
}

bool CCrypt::bSetCryptKey(const uint8_t* pbyCle, uint32_t nLongueur) {
    if (pbyCle == nullptr) nLongueur = 0;
    if (nLongueur > TAILLE_CLE) nLongueur = TAILLE_CLE;
    memset(m_abyCle, 0, TAILLE_CLE);
    if (nLongueur != 0) memcpy(m_abyCle, pbyCle, nLongueur);
    return true;
}

bool CCrypt::bSetCryptKey(const uint8_t abyCle[TAILLE_CLE]) {
    return bSetCryptKey(abyCle, TAILLE_CLE);
}

bool CCrypt::BuildCryptKey(uint8_t abyCle[TAILLE_CLE], const wchar_t* pszMotDePasse) {
    if (pszMotDePasse == nullptr || *pszMotDePasse == L'\0') {
        BuildCryptKeyBinary(abyCle, nullptr, 0);
        return true;
    }
    const int nCaracteres = static_cast<int>(wcslen(pszMotDePasse));
    if (bAnsiCompatible(pszMotDePasse, 1252)) {
        int nOctets = WideCharToMultiByte(1252, 0, pszMotDePasse, nCaracteres, nullptr, 0, nullptr, nullptr);
        std::vector<char> aOctets(static_cast<size_t>(nOctets > 0 ? nOctets : 1));
        if (nOctets <= 0 || WideCharToMultiByte(1252, 0, pszMotDePasse, nCaracteres, aOctets.data(), nOctets, nullptr,
                                                nullptr) != nOctets)
            return false;
        BuildCryptKeyBinary(abyCle, reinterpret_cast<const uint8_t*>(aOctets.data()), static_cast<uint32_t>(nOctets));
        return true;
    }
    int nUnites = WideCharToUTF16(pszMotDePasse, nCaracteres, nullptr, 0);
    if (nUnites <= 0) return false;
    std::vector<unsigned short> aUnites(static_cast<size_t>(nUnites));
    if (WideCharToUTF16(pszMotDePasse, nCaracteres, aUnites.data(), nUnites) != nUnites) return false;
    BuildCryptKeyBinary(abyCle, reinterpret_cast<const uint8_t*>(aUnites.data()),
                        static_cast<uint32_t>(aUnites.size() * sizeof(unsigned short)));
    return true;
}

bool CCrypt::BuildCryptKeyAnsi(uint8_t abyCle[TAILLE_CLE], const char* pszMotDePasse) {
    const size_t nOctets = pszMotDePasse != nullptr ? strlen(pszMotDePasse) : 0;
    if (nOctets > 0xFFFFFFFFu - 64) return false;
    BuildCryptKeyBinary(abyCle, reinterpret_cast<const uint8_t*>(pszMotDePasse), static_cast<uint32_t>(nOctets));
    return true;
}
