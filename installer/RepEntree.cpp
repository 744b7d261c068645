// CRepEntree: one directory entry, its password digest and its persistent record (see RepEntree.h).
#include "installer/RepEntree.h"

#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

#include "core/UnicodeToolkit.h"
#include "core/platformwin/WinCodePage.h"
#include "installer/MD5.h"
#include "platform/WinMemoryTime.h"

namespace {

void PutU32(uint8_t* pby, uint32_t dw) {
    for (int i = 0; i < 4; i++) pby[i] = static_cast<uint8_t>(dw >> (8 * i));
}

uint32_t GetU32(const uint8_t* pby) {
    return static_cast<uint32_t>(pby[0]) | static_cast<uint32_t>(pby[1]) << 8 | static_cast<uint32_t>(pby[2]) << 16 |
           static_cast<uint32_t>(pby[3]) << 24;
}

void PutFileTime(uint8_t* pby, const _FILETIME& st) {
    PutU32(pby, st.dwLowDateTime);
    PutU32(pby + 4, st.dwHighDateTime);
}

_FILETIME GetFileTime(const uint8_t* pby) {
    return _FILETIME{GetU32(pby), GetU32(pby + 4)};
}

void CopieTemps(CDiskFile::_stXFILETIME* pstDest, const CDiskFile::_stXFILETIME* pstSource) {
    if (pstSource != nullptr)
        *pstDest = *pstSource;
    else
        memset(pstDest, 0, sizeof(*pstDest));
}

// The fixed part of a record after its size word: sizes, three times, attribute.
constexpr uint32_t s_nTailleFixeApresTaille = 36;

}  // namespace

CRepEntree::CRepEntree() {
    bConstruit(L"", 0, 0, nullptr, nullptr, nullptr, 0, 0, 0, 0, nullptr);
}

CRepEntree::CRepEntree(const CRepEntree& cl) : m_st(cl.m_st) {}

CRepEntree& CRepEntree::operator=(const CRepEntree& cl) {
    m_st = cl.m_st;
    return *this;
}

CRepEntree::CRepEntree(const wchar_t* pszChemin, int64_t oTailleOriginale, int64_t oTailleCompresse,
                       const CDiskFile::_stXFILETIME* pstCreation, const CDiskFile::_stXFILETIME* pstModif,
                       const CDiskFile::_stXFILETIME* pstAcces, uint32_t dwAttribut, int bCrypte, uint8_t byFlag,
                       uint8_t byCryptage, const uint8_t* pbyMdp) {
    bConstruit(pszChemin, oTailleOriginale, oTailleCompresse, pstCreation, pstModif, pstAcces, dwAttribut, bCrypte,
               byFlag, byCryptage, pbyMdp);
}

CRepEntree::~CRepEntree() = default;

int CRepEntree::bConstruit(const wchar_t* pszChemin, int64_t oTailleOriginale, int64_t oTailleCompresse,
                           const CDiskFile::_stXFILETIME* pstCreation, const CDiskFile::_stXFILETIME* pstModif,
                           const CDiskFile::_stXFILETIME* pstAcces, uint32_t dwAttribut, int bCrypte, uint8_t byFlag,
                           uint8_t byCryptage, const uint8_t* pbyMdp) {
    ChangeChemin(pszChemin);
    m_st.oTailleOriginale = oTailleOriginale;
    m_st.oTailleCompresse = oTailleCompresse;
    CopieTemps(&m_st.stftCreation, pstCreation);
    CopieTemps(&m_st.stftModif, pstModif);
    CopieTemps(&m_st.stftAcces, pstAcces);
    m_st.dwAttribut = dwAttribut;
    m_st.bCrypte = bCrypte;
    m_st.byFlag = byFlag;
    m_st.byCryptage = byCryptage;
    if (pbyMdp != nullptr)
        memcpy(m_st.abyMdp, pbyMdp, sizeof(m_st.abyMdp));
    else
        memset(m_st.abyMdp, 0, sizeof(m_st.abyMdp));
    return 1;
}

int CRepEntree::bConstruit(const wchar_t* pszCheminDisque, const wchar_t* pszNom, int64_t oTailleCompresse) {
    bConstruit(pszNom, 0, oTailleCompresse, nullptr, nullptr, nullptr, 0, 0, 0, 0, nullptr);
    // The record keeps 32-bit sizes; a placeholder (nothing compressed) has no size of its own.
    if (oTailleCompresse != 0)
        m_st.oTailleOriginale = static_cast<int64_t>(CDiskFile::s_oGetSize(pszCheminDisque) & 0xFFFFFFFF);
    int nAttribut = 0;
    const int bAttribut = CDiskFile::bGetFileAttributes(&nAttribut, pszCheminDisque);
    if (bAttribut) m_st.dwAttribut = static_cast<uint32_t>(nAttribut);
    CDiskFile clFichier;
    if (!clFichier.bOpen(pszCheminDisque, IXStream::eAccessRead, IXStream::eShareNone, IXStream::eCreateOpenExisting,
                         IXStream::eFlagDirectory, nullptr))
        return 2;
    int bTemps = 0;
    if (bAttribut) bTemps = clFichier.bGetTime(&m_st.stftCreation, &m_st.stftAcces, &m_st.stftModif);
    clFichier.Close();
    return bAttribut && bTemps ? 1 : 0;
}

void CRepEntree::s_CalculeMdp(const wchar_t* pszMdp, uint8_t* pbyDigest) {
    CMD5 clMD5;
    if (pszMdp != nullptr && pszMdp[0] != 0) {
        const int nLongueur = static_cast<int>(wcslen(pszMdp));
        // 1252 is single-byte: one byte a character, at most.
        std::vector<char> aAnsi(static_cast<size_t>(nLongueur) + 1);
        std::vector<wchar_t> aRetour(static_cast<size_t>(nLongueur) + 1);
        const int nAnsi =
            WideCharToMultiByte(1252, 0, pszMdp, nLongueur, aAnsi.data(), nLongueur + 1, nullptr, nullptr);
        const int nRetour =
            nAnsi > 0 ? MultiByteToWideChar(1252, 0, aAnsi.data(), nAnsi, aRetour.data(), nLongueur + 1) : 0;
        if (nAnsi > 0 && nRetour == nLongueur && wmemcmp(aRetour.data(), pszMdp, static_cast<size_t>(nLongueur)) == 0) {
            clMD5.AddData(reinterpret_cast<const uint8_t*>(aAnsi.data()), static_cast<uint32_t>(nAnsi));
        } else {
            // UTF-16 code units in little-endian order, whatever the host's order.
            std::vector<unsigned short> aUnites(static_cast<size_t>(nLongueur) * 2 + 1);
            const int nUnites = WideCharToUTF16(pszMdp, nLongueur, aUnites.data(), static_cast<int>(aUnites.size()));
            std::vector<uint8_t> aOctets;
            for (int i = 0; i < nUnites; i++) {
                aOctets.push_back(static_cast<uint8_t>(aUnites[static_cast<size_t>(i)] & 0xFF));
                aOctets.push_back(static_cast<uint8_t>(aUnites[static_cast<size_t>(i)] >> 8));
            }
            clMD5.AddData(aOctets.data(), static_cast<uint32_t>(aOctets.size()));
        }
    }
    clMD5.FinalDigest(pbyDigest);
}

void CRepEntree::SetCrypte(int bCrypte, uint8_t byCryptage, const wchar_t* pszMdp) {
    m_st.bCrypte = bCrypte;
    if (!bCrypte) {
        m_st.byCryptage = 0;
        memset(m_st.abyMdp, 0, sizeof(m_st.abyMdp));
        return;
    }
    m_st.byCryptage = byCryptage;
    s_CalculeMdp(pszMdp, m_st.abyMdp);
}

int CRepEntree::bMdpOK(const wchar_t* pszMdp) const {
    uint8_t abyDigest[s_nTailleMdp];
    s_CalculeMdp(pszMdp, abyDigest);
    return memcmp(abyDigest, m_st.abyMdp, sizeof(abyDigest)) == 0;
}

int CRepEntree::bEstUnFichierFactice() const {
    if (m_st.oTailleCompresse != 0) return 0;
    const size_t n = wcslen(m_st.szChemin);
    return n == 0 || m_st.szChemin[n - 1] == L'/';
}

void CRepEntree::ChangeChemin(const wchar_t* pszChemin) {
    if (pszChemin == nullptr) pszChemin = L"";
    wcsncpy(m_st.szChemin, pszChemin, s_nMaxChemin);
    m_st.szChemin[s_nMaxChemin] = 0;
}

int CRepEntree::_nCheminAnsi(char* pszOut, int nRoom) const {
    const int nLongueur = static_cast<int>(wcslen(m_st.szChemin));
    if (nLongueur == 0) return 0;
    int bDefaut = 0;
    const int n = WideCharToMultiByte(CP_ACP, 0, m_st.szChemin, nLongueur, pszOut, nRoom, nullptr, &bDefaut);
    if (n <= 0 || bDefaut) return -1;
    return n;
}

uint32_t CRepEntree::dwTaille() const {
    char aAnsi[4 * (s_nMaxChemin + 1)];
    const int n = _nCheminAnsi(aAnsi, sizeof(aAnsi));
    return dwTailleFixe() + static_cast<uint32_t>(n > 0 ? n : 0) + s_nTailleQueue;
}

int CRepEntree::eEcrit(CDiskFile& clFichier) const {
    // The path is converted before anything is written: a record cut after its fixed part would leave
    // the rest of the directory file unreadable.
    char aAnsi[4 * (s_nMaxChemin + 1)];
    const int nAnsi = _nCheminAnsi(aAnsi, sizeof(aAnsi));
    if (nAnsi < 0) return s_eCheminNonConvertible;
    _FILETIME stCreation, stModif, stAcces;
    if (!CDiskFile::bSystemTimeToFileTime(&m_st.stftCreation, &stCreation) ||
        !CDiskFile::bSystemTimeToFileTime(&m_st.stftModif, &stModif) ||
        !CDiskFile::bSystemTimeToFileTime(&m_st.stftAcces, &stAcces))
        return s_eErreurEcriture;

    const uint32_t nTaille = dwTailleFixe() + static_cast<uint32_t>(nAnsi) + s_nTailleQueue;
    std::vector<uint8_t> aRecord(nTaille, 0);
    uint8_t* pby = aRecord.data();
    PutU32(pby, nTaille);
    PutU32(pby + 4, static_cast<uint32_t>(m_st.oTailleOriginale));
    PutU32(pby + 8, static_cast<uint32_t>(m_st.oTailleCompresse));
    PutFileTime(pby + 12, stCreation);
    PutFileTime(pby + 20, stModif);
    PutFileTime(pby + 28, stAcces);
    PutU32(pby + 36, m_st.dwAttribut);
    memcpy(pby + 40, aAnsi, static_cast<size_t>(nAnsi));
    pby[40 + nAnsi] = 0;
    pby[41 + nAnsi] = m_st.byFlag;
    pby[42 + nAnsi] = m_st.byCryptage;
    memcpy(pby + 43 + nAnsi, m_st.abyMdp, sizeof(m_st.abyMdp));
    uint32_t nEcrit = 0;
    if (!clFichier.bWrite(pby, nTaille, &nEcrit) || nEcrit != nTaille) return s_eErreurEcriture;
    return s_eOk;
}

int CRepEntree::bLit(CDiskFile& clFichier) {
    uint8_t abyFixe[40];
    uint32_t nLu = 0;
    if (!clFichier.bRead(abyFixe, 4, &nLu) || nLu < 4) return 0;
    const uint32_t nTaille = GetU32(abyFixe);
    // A record shorter than its fixed part is damaged; its size would underflow below.
    if (nTaille < dwTailleFixe()) return 0;
    if (!clFichier.bRead(abyFixe + 4, s_nTailleFixeApresTaille, &nLu) || nLu < s_nTailleFixeApresTaille) return 0;

    const uint32_t nReste = nTaille - dwTailleFixe();
    std::vector<uint8_t> aReste(nReste + 1u, 0);
    if (nReste != 0 && (!clFichier.bRead(aReste.data(), nReste, &nLu) || nLu < nReste)) return 0;

    CDiskFile::_stXFILETIME stCreation, stModif, stAcces;
    const _FILETIME ftCreation = GetFileTime(abyFixe + 12);
    const _FILETIME ftModif = GetFileTime(abyFixe + 20);
    const _FILETIME ftAcces = GetFileTime(abyFixe + 28);
    if (!CDiskFile::bFileTimeToSystemTime(&ftCreation, &stCreation)) memset(&stCreation, 0, sizeof(stCreation));
    if (!CDiskFile::bFileTimeToSystemTime(&ftModif, &stModif)) memset(&stModif, 0, sizeof(stModif));
    if (!CDiskFile::bFileTimeToSystemTime(&ftAcces, &stAcces)) memset(&stAcces, 0, sizeof(stAcces));

    const uint8_t* pbyZero = static_cast<const uint8_t*>(memchr(aReste.data(), 0, nReste));
    uint32_t nChemin = nReste;
    int bCrypte = 0;
    uint8_t byFlag = 0, byCryptage = 0;
    const uint8_t* pbyMdp = nullptr;
    if (pbyZero != nullptr) {
        nChemin = static_cast<uint32_t>(pbyZero - aReste.data());
        if (nReste - nChemin != s_nTailleQueue) return 0;
        byFlag = pbyZero[1];
        byCryptage = pbyZero[2];
        bCrypte = byCryptage != 0;
        pbyMdp = pbyZero + 3;
    }
    if (nChemin > static_cast<uint32_t>(s_nMaxChemin)) nChemin = s_nMaxChemin;
    wchar_t szChemin[s_nMaxChemin + 1] = {};
    if (nChemin != 0) {
        const int n = MultiByteToWideChar(CP_ACP, 0, reinterpret_cast<const char*>(aReste.data()),
                                          static_cast<int>(nChemin), szChemin, s_nMaxChemin);
        szChemin[n > 0 ? n : 0] = 0;
    }
    bConstruit(szChemin, GetU32(abyFixe + 4), GetU32(abyFixe + 8), &stCreation, &stModif, &stAcces,
               GetU32(abyFixe + 36), bCrypte, byFlag, byCryptage, pbyMdp);
    return 1;
}
