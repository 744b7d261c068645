// CMD5: the MD5 compression function, block buffering and the final padding.
#include "installer/MD5.h"

#include <cstring>

namespace {

constexpr uint32_t MD5_INIT[4] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476};

// Shift amounts of the four rounds, four per round.
constexpr int MD5_DECALAGE[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

// The sine table: floor(abs(sin(i + 1)) * 2^32).
constexpr uint32_t MD5_T[64] = {
    0xD76AA478, 0xE8C7B756, 0x242070DB, 0xC1BDCEEE, 0xF57C0FAF, 0x4787C62A, 0xA8304613, 0xFD469501,
    0x698098D8, 0x8B44F7AF, 0xFFFF5BB1, 0x895CD7BE, 0x6B901122, 0xFD987193, 0xA679438E, 0x49B40821,
    0xF61E2562, 0xC040B340, 0x265E5A51, 0xE9B6C7AA, 0xD62F105D, 0x02441453, 0xD8A1E681, 0xE7D3FBC8,
    0x21E1CDE6, 0xC33707D6, 0xF4D50D87, 0x455A14ED, 0xA9E3E905, 0xFCEFA3F8, 0x676F02D9, 0x8D2A4C8A,
    0xFFFA3942, 0x8771F681, 0x6D9D6122, 0xFDE5380C, 0xA4BEEA44, 0x4BDECFA9, 0xF6BB4B60, 0xBEBFBC70,
    0x289B7EC6, 0xEAA127FA, 0xD4EF3085, 0x04881D05, 0xD9D4D039, 0xE6DB99E5, 0x1FA27CF8, 0xC4AC5665,
    0xF4292244, 0x432AFF97, 0xAB9423A7, 0xFC93A039, 0x655B59C3, 0x8F0CCC92, 0xFFEFF47D, 0x85845DD1,
    0x6FA87E4F, 0xFE2CE6E0, 0xA3014314, 0x4E0811A1, 0xF7537E82, 0xBD3AF235, 0x2AD7D2BB, 0xEB86D391,
};

uint32_t _dwRotation(uint32_t dw, int n) {
    return (dw << n) | (dw >> (32 - n));
}

uint32_t _dwLitLE(const unsigned char* pby) {
    return static_cast<uint32_t>(pby[0]) | (static_cast<uint32_t>(pby[1]) << 8) |
           (static_cast<uint32_t>(pby[2]) << 16) | (static_cast<uint32_t>(pby[3]) << 24);
}

void _EcritLE(unsigned char* pby, uint32_t dw) {
    pby[0] = static_cast<unsigned char>(dw);
    pby[1] = static_cast<unsigned char>(dw >> 8);
    pby[2] = static_cast<unsigned char>(dw >> 16);
    pby[3] = static_cast<unsigned char>(dw >> 24);
}

}  // namespace

CMD5::CMD5() {
    Reset();
}

CMD5::~CMD5() {
    // The state may have held a password's digest: leave nothing of it behind.
    volatile unsigned char* pby = m_abyBloc;
    for (size_t i = 0; i < sizeof(m_abyBloc); i++) pby[i] = 0;
}

void CMD5::Reset() {
    memcpy(m_adwEtat, MD5_INIT, sizeof(m_adwEtat));
    m_adwNbBits[0] = m_adwNbBits[1] = 0;
    memset(m_abyBloc, 0, sizeof(m_abyBloc));
    m_bDonnees = 0;
}

void CMD5::_Transforme(const unsigned char* pbyBloc) {
    uint32_t x[16];
    for (int i = 0; i < 16; i++) x[i] = _dwLitLE(pbyBloc + 4 * i);
    uint32_t a = m_adwEtat[0], b = m_adwEtat[1], c = m_adwEtat[2], d = m_adwEtat[3];
    for (int i = 0; i < 64; i++) {
        const int nTour = i / 16;
        uint32_t f = 0;
        int g = 0;
        switch (nTour) {
            case 0:
                f = (b & c) | (~b & d);
                g = i;
                break;
            case 1:
                f = (d & b) | (~d & c);
                g = (5 * i + 1) % 16;
                break;
            case 2:
                f = b ^ c ^ d;
                g = (3 * i + 5) % 16;
                break;
            default:
                f = c ^ (b | ~d);
                g = (7 * i) % 16;
                break;
        }
        const uint32_t dwTemp = d;
        d = c;
        c = b;
        b = b + _dwRotation(a + f + MD5_T[i] + x[g], MD5_DECALAGE[nTour][i % 4]);
        a = dwTemp;
    }
    m_adwEtat[0] += a;
    m_adwEtat[1] += b;
    m_adwEtat[2] += c;
    m_adwEtat[3] += d;
}

void CMD5::AddData(const void* pData, uint32_t nLength) {
    if (nLength == 0 || pData == nullptr) return;
    m_bDonnees = 1;
    const unsigned char* pby = static_cast<const unsigned char*>(pData);
    uint32_t nRempli = (m_adwNbBits[0] >> 3) & (MD5_TAILLE_BLOC - 1);
    // The 64-bit bit count, kept as two words.
    const uint32_t dwBitsBas = nLength << 3;
    m_adwNbBits[0] += dwBitsBas;
    if (m_adwNbBits[0] < dwBitsBas) m_adwNbBits[1]++;
    m_adwNbBits[1] += nLength >> 29;

    if (nRempli != 0) {
        uint32_t nPris = MD5_TAILLE_BLOC - nRempli;
        if (nPris > nLength) nPris = nLength;
        memcpy(m_abyBloc + nRempli, pby, nPris);
        pby += nPris;
        nLength -= nPris;
        if (nRempli + nPris < MD5_TAILLE_BLOC) return;
        _Transforme(m_abyBloc);
    }
    while (nLength >= MD5_TAILLE_BLOC) {
        _Transforme(pby);
        pby += MD5_TAILLE_BLOC;
        nLength -= MD5_TAILLE_BLOC;
    }
    if (nLength != 0) memcpy(m_abyBloc, pby, nLength);
}

void CMD5::FinalDigest(unsigned char* pbyDigest) {
    unsigned char abyLongueur[8];
    _EcritLE(abyLongueur, m_adwNbBits[0]);
    _EcritLE(abyLongueur + 4, m_adwNbBits[1]);
    // A 0x80 byte, zeros up to 56 bytes modulo 64, then the bit count of the data alone.
    static const unsigned char abyRemplissage[MD5_TAILLE_BLOC] = {0x80};
    const uint32_t nRempli = (m_adwNbBits[0] >> 3) & (MD5_TAILLE_BLOC - 1);
    const uint32_t nPad = nRempli < 56 ? 56 - nRempli : 120 - nRempli;
    AddData(abyRemplissage, nPad);
    AddData(abyLongueur, sizeof(abyLongueur));
    if (pbyDigest != nullptr) {
        for (int i = 0; i < 4; i++) _EcritLE(pbyDigest + 4 * i, m_adwEtat[i]);
    }
    Reset();
}
