// CHashBase: the chained hash table over CListeDeBuffer buckets, and the dwHashVal* string hashes.
// Resizing relinks the existing elements into the new buckets, so it needs memory only for the
// bucket array; when even that is missing the table keeps its size and stays correct.
#include "core/HashBase.h"

#include <cctype>
#include <cstdlib>
#include <cwctype>
#include <new>

#include "core/XMath.h"

namespace {

// Room in front of the lists for the array's length, kept at the lists' alignment.
constexpr size_t TAILLE_ENTETE = alignof(CListeDeBuffer) > sizeof(int64_t) ? alignof(CListeDeBuffer) : sizeof(int64_t);

}  // namespace

CHashBase::CHashBase(int nNbListe)
    : m_nFacteurAgrandissement(3), m_nFacteurReduction(1), m_nNbListe(0), m_pclListe(nullptr), m_nNbElement(0) {
    if (nNbListe > 0) {
        m_pclListe = _pclNouvellesListes(nNbListe);
        if (m_pclListe != nullptr) m_nNbListe = nNbListe;
    }
}

CHashBase::~CHashBase() {
    _LibereListes(m_pclListe);
}

CListeDeBuffer* CHashBase::_pclNouvellesListes(int nNbListe) {
    void* pBloc = malloc(TAILLE_ENTETE + size_t(nNbListe) * sizeof(CListeDeBuffer));
    if (pBloc == nullptr) return nullptr;
    *static_cast<int64_t*>(pBloc) = nNbListe;
    auto* pclListe = reinterpret_cast<CListeDeBuffer*>(static_cast<unsigned char*>(pBloc) + TAILLE_ENTETE);
    for (int i = 0; i < nNbListe; i++) new (&pclListe[i]) CListeDeBuffer(int(sizeof(STPaire)));
    return pclListe;
}

void CHashBase::_LibereListes(CListeDeBuffer* pclListe) {
    if (pclListe == nullptr) return;
    void* pBloc = reinterpret_cast<unsigned char*>(pclListe) - TAILLE_ENTETE;
    const int64_t nNbListe = *static_cast<int64_t*>(pBloc);
    for (int64_t i = 0; i < nNbListe; i++) pclListe[i].~CListeDeBuffer();
    free(pBloc);
}

int CHashBase::_nPremierDes(int64_t n) {
    if (n < 0) n = 0;
    while (!CXMath::bEstPremier(uint64_t(n))) n++;
    return int(n);
}

void CHashBase::SetNiveau(int nAgrandissement, int nReduction) {
    m_nFacteurAgrandissement = nAgrandissement;
    m_nFacteurReduction = nReduction;
}

int CHashBase::_nListe(void* pKey) {
    if (m_nNbListe <= 0) return -1;
    return int(dwHashVal(pKey) % uint32_t(m_nNbListe));
}

int CHashBase::AjouteDYN(void* pKey, void* pValue) {
    _RedimentionneTablePlus();
    const int nListe = _nListe(pKey);
    if (nListe < 0) return 0;
    const STPaire stPaire{pKey, pValue};
    if (!m_pclListe[nListe].Ajoute(&stPaire, 1)) return 0;
    m_nNbElement++;
    return 1;
}

int CHashBase::_bChercheDans(CListeDeBuffer& clListe, void* pKey, void** ppValue, void** ppStoredKey) {
    for (void* p = clListe.pVaSurNumero(0); p != nullptr; p = clListe.pVaSuivant()) {
        const STPaire* pstPaire = static_cast<const STPaire*>(p);
        if (bEgaliteCle(pstPaire->pKey, pKey)) {
            if (ppValue != nullptr) *ppValue = pstPaire->pValue;
            if (ppStoredKey != nullptr) *ppStoredKey = pstPaire->pKey;
            return 1;
        }
    }
    return 0;
}

int CHashBase::bRecherche(void* pKey, void** ppValue, void** ppStoredKey) {
    const int nListe = _nListe(pKey);
    return nListe >= 0 && _bChercheDans(m_pclListe[nListe], pKey, ppValue, ppStoredKey);
}

int CHashBase::bRechercheConst(void* pKey, void** ppValue, void** ppStoredKey) const {
    // The hash and the comparison are not const for the tables that implement them, yet neither
    // changes the table; the walk itself runs on a cursor copy so the bucket stays as it was.
    auto* pclThis = const_cast<CHashBase*>(this);
    const int nListe = pclThis->_nListe(pKey);
    if (nListe < 0) return 0;
    CListeDeBuffer clCurseur(m_pclListe[nListe]);
    return pclThis->_bChercheDans(clCurseur, pKey, ppValue, ppStoredKey);
}

int CHashBase::bSupprime(void* pKey) {
    // The search leaves the bucket's cursor on the match.
    const int nListe = _nListe(pKey);
    if (nListe < 0 || !_bChercheDans(m_pclListe[nListe], pKey, nullptr, nullptr)) return 0;
    m_pclListe[nListe].SupprimeCourant();
    m_nNbElement--;
    return 1;
}

int CHashBase::bSupprimeDYN(void* pKey) {
    if (!bSupprime(pKey)) return 0;
    _RedimentionneTableMoins();
    return 1;
}

void CHashBase::SupprimeCourant(int* pnListe, void** ppValue, void** ppKey) {
    for (int nListe = *pnListe < 0 ? 0 : *pnListe; nListe < m_nNbListe; nListe++) {
        CListeDeBuffer& clListe = m_pclListe[nListe];
        if (clListe.nGetNbElement() == 0) continue;
        *pnListe = nListe;
        const STPaire* pstPaire = static_cast<const STPaire*>(clListe.pVaSurNumero(0));
        *ppValue = pstPaire->pValue;
        if (ppKey != nullptr) *ppKey = pstPaire->pKey;
        clListe.SupprimeCourant();
        m_nNbElement--;
        return;
    }
    *pnListe = m_nNbListe;
    *ppValue = nullptr;
    if (ppKey != nullptr) *ppKey = nullptr;
}

void CHashBase::SupprimeTout() {
    for (int i = 0; i < m_nNbListe; i++) m_pclListe[i].SupprimeTout();
    m_nNbElement = 0;
}

void CHashBase::RedimensionneTable(int nNbListe) {
    if (nNbListe < 1 || nNbListe == m_nNbListe) return;
    CListeDeBuffer* pclNouvelles = _pclNouvellesListes(nNbListe);
    if (pclNouvelles == nullptr) return;
    for (int nListe = 0; nListe < m_nNbListe; nListe++) {
        CListeDeBuffer& clAncienne = m_pclListe[nListe];
        while (clAncienne.nGetNbElement() > 0) {
            clAncienne.pVaSurNumero(0);
            CListeDeBuffer::CLinkedElement* pclElement = clAncienne._pclDelieCourant();
            void* pKey = reinterpret_cast<STPaire*>(pclElement->pbyDonnees())->pKey;
            pclNouvelles[dwHashVal(pKey) % uint32_t(nNbListe)]._LieElement(pclElement, 1);
        }
    }
    _LibereListes(m_pclListe);
    m_pclListe = pclNouvelles;
    m_nNbListe = nNbListe;
}

void CHashBase::_RedimentionneTablePlus() {
    if (int64_t(m_nFacteurAgrandissement) * m_nNbListe <= m_nNbElement)
        RedimensionneTable(_nPremierDes(2 * int64_t(m_nNbListe)));
}

void CHashBase::_RedimentionneTableMoins() {
    if (int64_t(m_nFacteurReduction) * m_nNbListe > m_nNbElement) {
        int nNbListe = _nPremierDes(m_nNbListe / 2);
        if (nNbListe < 43) nNbListe = 43;
        RedimensionneTable(nNbListe);
    }
}

namespace {

// Each character is mixed into the hash (FNV-1a, one step per character): a plain sum of the
// characters gives texts made of the same letters and digits (file0012 / file0021 / file0003) the
// same few values, and a table of thousands of such names degrades into a handful of long chains
// searched end to end. The value is never stored nor shown outside a table, so its formula is free.
constexpr uint32_t s_dwFNVBase = 2166136261u;
constexpr uint32_t s_dwFNVPremier = 16777619u;

inline uint32_t _dwMelange(uint32_t dwHash, uint32_t dwCaractere) {
    return (dwHash ^ dwCaractere) * s_dwFNVPremier;
}

}  // namespace

uint32_t dwHashValT(const wchar_t* psz) {
    if (psz == nullptr || *psz == 0) return 0;
    uint32_t dwHash = s_dwFNVBase;
    for (; *psz != 0; psz++) dwHash = _dwMelange(dwHash, uint32_t(*psz));
    return dwHash;
}

uint32_t dwHashValTA(const char* psz) {
    if (psz == nullptr || *psz == 0) return 0;
    uint32_t dwHash = s_dwFNVBase;
    for (; *psz != 0; psz++) dwHash = _dwMelange(dwHash, static_cast<unsigned char>(*psz));
    return dwHash;
}

uint32_t dwHashValTi(const wchar_t* psz) {
    if (psz == nullptr || *psz == 0) return 0;
    uint32_t dwHash = s_dwFNVBase;
    for (; *psz != 0; psz++) dwHash = _dwMelange(dwHash, uint32_t(towupper(wint_t(*psz))));
    return dwHash;
}

uint32_t dwHashValTiA(const char* psz) {
    if (psz == nullptr || *psz == 0) return 0;
    uint32_t dwHash = s_dwFNVBase;
    for (; *psz != 0; psz++)
        dwHash = _dwMelange(dwHash, static_cast<unsigned char>(toupper(static_cast<unsigned char>(*psz))));
    return dwHash;
}

int bEgaliteTi(const wchar_t* psz1, const wchar_t* psz2) {
    if (psz1 == nullptr) psz1 = L"";
    if (psz2 == nullptr) psz2 = L"";
    for (;; psz1++, psz2++) {
        if (*psz1 != *psz2 && towupper(wint_t(*psz1)) != towupper(wint_t(*psz2))) return 0;
        if (*psz1 == 0) return 1;
    }
}
