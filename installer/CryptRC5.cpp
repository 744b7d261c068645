// CCryptRC5: the key derivation from bytes, the RC5 key schedule, the block and 4-bit ciphers and
// the chaining over data of any length.
#include "installer/CryptRC5.h"

#include <cstring>
#include <vector>

#include "core/XMalloc.h"

namespace {

constexpr uint32_t s_dwP32 = 0xB7E15163u;  // the magic constants of the key table
constexpr uint32_t s_dwQ32 = 0x9E3779B9u;

inline uint32_t _dwRotG(uint32_t dw, uint32_t n) {
    n &= 31;
    return n == 0 ? dw : (dw << n) | (dw >> (32 - n));
}
inline uint32_t _dwRotD(uint32_t dw, uint32_t n) {
    n &= 31;
    return n == 0 ? dw : (dw >> n) | (dw << (32 - n));
}
// Rotations of a 4-bit half by the low 2 bits of n.
inline uint32_t _nRotG4(uint32_t n4, uint32_t n) {
    n &= 3;
    return ((n4 << n) | (n4 >> (4 - n))) & 15;
}
inline uint32_t _nRotD4(uint32_t n4, uint32_t n) {
    n &= 3;
    return ((n4 >> n) | (n4 << (4 - n))) & 15;
}

inline uint32_t _dwLitLE32(const uint8_t* pby) {
    return uint32_t(pby[0]) | (uint32_t(pby[1]) << 8) | (uint32_t(pby[2]) << 16) | (uint32_t(pby[3]) << 24);
}
inline void _EcritLE32(uint8_t* pby, uint32_t dw) {
    for (int i = 0; i < 4; i++) pby[i] = static_cast<uint8_t>(dw >> (8 * i));
}
inline uint64_t _qwLitLE64(const uint8_t* pby) {
    return uint64_t(_dwLitLE32(pby)) | (uint64_t(_dwLitLE32(pby + 4)) << 32);
}
inline void _EcritLE64(uint8_t* pby, uint64_t qw) {
    _EcritLE32(pby, static_cast<uint32_t>(qw));
    _EcritLE32(pby + 4, static_cast<uint32_t>(qw >> 32));
}

}  // namespace

CCryptRC5::CCryptRC5(int nTours) : m_nTours(nTours >= 1 && nTours <= 255 ? nTours : RC5_TOURS_DEFAUT) {}

CCryptRC5::~CCryptRC5() {
    if (m_pdwTable != nullptr) {
        volatile uint32_t* pdw = m_pdwTable;
        for (int i = 0; i < 2 * (m_nTours + 1); i++) pdw[i] = 0;
        XMALLOC_Del(m_pdwTable);
    }
}

bool CCryptRC5::bSetCryptKey(const uint8_t* pbyCle, uint32_t nLongueur) {
    CCrypt::bSetCryptKey(pbyCle, nLongueur);
    const int nTable = 2 * (m_nTours + 1);
    if (m_pdwTable == nullptr) {
        m_pdwTable = static_cast<uint32_t*>(XMALLOC_pNew(sizeof(uint32_t) * size_t(nTable)));
        if (m_pdwTable == nullptr) return false;
    }
    uint32_t adwL[TAILLE_CLE / 4];
    for (uint32_t j = 0; j < TAILLE_CLE / 4; j++) adwL[j] = _dwLitLE32(m_abyCle + 4 * j);
    m_pdwTable[0] = s_dwP32;
    for (int i = 1; i < nTable; i++) m_pdwTable[i] = m_pdwTable[i - 1] + s_dwQ32;
    uint32_t A = 0, B = 0;
    int i = 0, j = 0;
    for (int k = 0; k < 3 * nTable; k++) {
        A = m_pdwTable[i] = _dwRotG(m_pdwTable[i] + A + B, 3);
        B = adwL[j] = _dwRotG(adwL[j] + A + B, A + B);
        i = (i + 1) % nTable;
        j = (j + 1) % int(TAILLE_CLE / 4);
    }
    return true;
}

bool CCryptRC5::bSetPassword(const wchar_t* pszMotDePasse) {
    uint8_t abyCle[TAILLE_CLE];
    return BuildCryptKey(abyCle, pszMotDePasse) && bSetCryptKey(abyCle, TAILLE_CLE);
}

bool CCryptRC5::bSetPasswordAnsi(const char* pszMotDePasse) {
    uint8_t abyCle[TAILLE_CLE];
    return BuildCryptKeyAnsi(abyCle, pszMotDePasse) && bSetCryptKey(abyCle, TAILLE_CLE);
}

// The compression has the shape of SHA-1's, with two differences that the keys already made
// depend on: the message schedule does not rotate, and the working words carry on from one
// 64-byte block to the next instead of restarting from the chaining words.
void CCryptRC5::BuildCryptKeyBinary(uint8_t abyCle[TAILLE_CLE], const uint8_t* pbyOctets, uint32_t nLongueur) {
    if (pbyOctets == nullptr) nLongueur = 0;
    const size_t nTampon = ((size_t(nLongueur) + 4 + 63) / 64) * 64;
    std::vector<uint8_t> abyTampon(nTampon, 0);
    if (nLongueur != 0) memcpy(abyTampon.data(), pbyOctets, nLongueur);
    abyTampon[nLongueur] = 0x01;  // the length below may cover it
    _EcritLE32(abyTampon.data() + nTampon - 4, nLongueur);

    uint32_t h[5] = {0x67452301u, 0xEFCDAB89u, 0x98BADCFEu, 0x10325476u, 0xC3D2E1F0u};
    uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4];
    uint32_t w[80];
    for (size_t nBloc = 0; nBloc < nTampon; nBloc += 64) {
        for (int t = 0; t < 16; t++) w[t] = _dwLitLE32(abyTampon.data() + nBloc + 4 * t);
        for (int t = 16; t < 80; t++) w[t] = w[t - 3] ^ w[t - 8] ^ w[t - 14] ^ w[t - 16];
        for (int t = 0; t < 80; t++) {
            uint32_t f, k;
            if (t < 20) {
                f = (b & c) | (~b & d);
                k = 0x5A827999u;
            } else if (t < 40) {
                f = b ^ c ^ d;
                k = 0x6ED9EBA1u;
            } else if (t < 60) {
                f = (b & c) | (b & d) | (c & d);
                k = 0x8F1BBCDCu;
            } else {
                f = b ^ c ^ d;
                k = 0xCA62C1D6u;
            }
            uint32_t dwTemp = _dwRotG(a, 5) + f + e + w[t] + k;
            e = d;
            d = c;
            c = _dwRotG(b, 30);
            b = a;
            a = dwTemp;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
    }
    for (uint32_t j = 0; j < TAILLE_CLE / 4; j++) _EcritLE32(abyCle + 4 * j, h[j]);
}

void CCryptRC5::_ChiffreBloc(uint32_t& A, uint32_t& B) const {
    const uint32_t* S = m_pdwTable;
    A += S[0];
    B += S[1];
    for (int i = 1; i <= m_nTours; i++) {
        A = _dwRotG(A ^ B, B) + S[2 * i];
        B = _dwRotG(B ^ A, A) + S[2 * i + 1];
    }
}

void CCryptRC5::_DechiffreBloc(uint32_t& A, uint32_t& B) const {
    const uint32_t* S = m_pdwTable;
    for (int i = m_nTours; i >= 1; i--) {
        B = _dwRotD(B - S[2 * i + 1], A) ^ A;
        A = _dwRotD(A - S[2 * i], B) ^ B;
    }
    B -= S[1];
    A -= S[0];
}

// The same rounds on the two 4-bit halves of a byte (high half first, as the high word of a
// block comes first), sums taken modulo 16.
uint8_t CCryptRC5::_byChiffreOctet(uint8_t by) const {
    const uint32_t* S = m_pdwTable;
    uint32_t A = (by >> 4) & 15, B = by & 15;
    A = (A + S[0]) & 15;
    B = (B + S[1]) & 15;
    for (int i = 1; i <= m_nTours; i++) {
        A = (_nRotG4(A ^ B, B) + S[2 * i]) & 15;
        B = (_nRotG4(B ^ A, A) + S[2 * i + 1]) & 15;
    }
    return static_cast<uint8_t>((A << 4) | B);
}

uint8_t CCryptRC5::_byDechiffreOctet(uint8_t by) const {
    const uint32_t* S = m_pdwTable;
    uint32_t A = (by >> 4) & 15, B = by & 15;
    for (int i = m_nTours; i >= 1; i--) {
        B = _nRotD4((B - S[2 * i + 1]) & 15, A) ^ A;
        A = _nRotD4((A - S[2 * i]) & 15, B) ^ B;
    }
    B = (B - S[1]) & 15;
    A = (A - S[0]) & 15;
    return static_cast<uint8_t>((A << 4) | B);
}

bool CCryptRC5::_bPret(const uint8_t* pbyDonnees, uint32_t nLongueur, const uint8_t* pbyCle) {
    if (pbyCle != nullptr && !bSetCryptKey(pbyCle, TAILLE_CLE)) return false;
    return m_pdwTable != nullptr && (pbyDonnees != nullptr || nLongueur == 0);
}

bool CCryptRC5::Crypt(uint8_t* pbyDonnees, uint32_t nLongueur, const uint8_t* pbyCle) {
    if (!_bPret(pbyDonnees, nLongueur, pbyCle)) return false;
    uint64_t qwChaine = 0;
    uint32_t nPos = 0;
    for (; nLongueur - nPos >= 8; nPos += 8) {
        uint64_t qw = _qwLitLE64(pbyDonnees + nPos) ^ qwChaine;
        uint32_t A = static_cast<uint32_t>(qw >> 32), B = static_cast<uint32_t>(qw);
        _ChiffreBloc(A, B);
        qwChaine = (uint64_t(A) << 32) | B;
        _EcritLE64(pbyDonnees + nPos, qwChaine);
    }
    uint8_t byChaine = static_cast<uint8_t>(qwChaine);
    for (; nPos < nLongueur; nPos++) {
        byChaine = _byChiffreOctet(static_cast<uint8_t>(pbyDonnees[nPos] ^ byChaine));
        pbyDonnees[nPos] = byChaine;
    }
    return true;
}

bool CCryptRC5::Uncrypt(uint8_t* pbyDonnees, uint32_t nLongueur, const uint8_t* pbyCle) {
    if (!_bPret(pbyDonnees, nLongueur, pbyCle)) return false;
    uint64_t qwChaine = 0;
    uint32_t nPos = 0;
    for (; nLongueur - nPos >= 8; nPos += 8) {
        const uint64_t qwChiffre = _qwLitLE64(pbyDonnees + nPos);
        uint32_t A = static_cast<uint32_t>(qwChiffre >> 32), B = static_cast<uint32_t>(qwChiffre);
        _DechiffreBloc(A, B);
        _EcritLE64(pbyDonnees + nPos, ((uint64_t(A) << 32) | B) ^ qwChaine);
        qwChaine = qwChiffre;
    }
    uint8_t byChaine = static_cast<uint8_t>(qwChaine);
    for (; nPos < nLongueur; nPos++) {
        const uint8_t byChiffre = pbyDonnees[nPos];
        pbyDonnees[nPos] = static_cast<uint8_t>(_byDechiffreOctet(byChiffre) ^ byChaine);
        byChaine = byChiffre;
    }
    return true;
}
