// CKXZipBase: the abstract archive's own operations: questions about entries by index, the info
// line, locking of the archive file, the critical section, closing, and the check of entry names.
#include "installer/KXZipBase.h"

#include <cwchar>

#include "installer/MutexRecursif.h"

CKXZipBase::CKXZipBase() {
    InitMutexRecursif(&m_stMutex);
}

CKXZipBase::~CKXZipBase() {
    Term();
    pthread_mutex_destroy(&m_stMutex);
}

void CKXZipBase::Term() {
    m_clRepertoire.Vide();
    Lock(0);
    m_clFichierArchive.Close();
    m_bArchiveOuverte = 0;
}

// ---- locking

void CKXZipBase::Lock(int bOn) {
    if (m_nModeOuverture == 1)
        LockLectureEcritureOuvertEnLectureEcriture(bOn);
    else
        LockEcritureOuvertEnLecture(bOn);
}

void CKXZipBase::LockEcritureOuvertEnLecture(int bOn) {
    if (bOn) {
        m_clFichierArchive.bOpen(m_sCheminArchive.pszGet(), IXStream::eAccessRead, IXStream::eShareRead,
                                 IXStream::eCreateOpenExisting, IXStream::eFlagNone, nullptr);
        m_nModeOuverture = 0;
    } else {
        m_clFichierArchive.Close();
    }
}

void CKXZipBase::LockLectureEcritureOuvertEnLectureEcriture(int bOn) {
    if (bOn) {
        if (!m_clFichierArchive.bOpen(m_sCheminArchive.pszGet(), IXStream::eAccessReadWrite, IXStream::eShareNone,
                                      IXStream::eCreateOpenExisting, IXStream::eFlagNone, nullptr))
            m_clFichierArchive.bOpen(m_sCheminArchive.pszGet(), IXStream::eAccessRead, IXStream::eShareNone,
                                     IXStream::eCreateOpenExisting, IXStream::eFlagNone, nullptr);
        m_clFichierArchive.bLock(1, 1);
        m_bFichierVerrouille = 1;
    } else if (m_bFichierVerrouille) {
        m_clFichierArchive.bUnlock(1, 1);
        m_clFichierArchive.Close();
        m_bFichierVerrouille = 0;
    }
}

int CKXZipBase::bDebutSectionCritique() {
    pthread_mutex_lock(&m_stMutex);
    return 1;
}

void CKXZipBase::FinSectionCritique() {
    pthread_mutex_unlock(&m_stMutex);
}

_eKXzipResult CKXZipBase::eVerifieEntete(CDiskFile&) {
    return _eResultat(eKXzipOk);
}

_eKXzipResult CKXZipBase::eLitEntete(CDiskFile&) {
    return _eResultat(eKXzipOk);
}

// ---- entries by index

uint32_t CKXZipBase::dwNombreFichier() {
    return m_clRepertoire.dwNbEntreeReelle();
}

int CKXZipBase::nTypeZip() {
    return m_nTypeZip;
}

void CKXZipBase::ForceRepVideAlaFin() {
    m_clRepertoire.ForceRepVideAlaFin();
}

void CKXZipBase::SetPourcentGlobal(unsigned int nPourcent) {
    m_nPourcentGlobal = nPourcent;
}

const wchar_t* CKXZipBase::pszNomFichier(long nIndex) {
    const CRepEntree* pcl = m_clRepertoire[nIndex];
    return pcl != nullptr ? pcl->pszLitChemin() : nullptr;
}

uint32_t CKXZipBase::dwTailleOriginale(long nIndex) {
    const CRepEntree* pcl = m_clRepertoire[nIndex];
    return pcl != nullptr ? static_cast<uint32_t>(pcl->oLitTailleOriginale()) : 0;
}

uint32_t CKXZipBase::dwTailleCompresse(long nIndex) {
    const CRepEntree* pcl = m_clRepertoire[nIndex];
    return pcl != nullptr ? static_cast<uint32_t>(pcl->oLitTailleCompresse()) : 0;
}

CDiskFile::_stXFILETIME CKXZipBase::stftLitFtCreation(long nIndex) {
    const CRepEntree* pcl = m_clRepertoire[nIndex];
    return pcl != nullptr ? pcl->stftLitFtCreation() : CDiskFile::_stXFILETIME{};
}

CDiskFile::_stXFILETIME CKXZipBase::stftLitFtAcces(long nIndex) {
    const CRepEntree* pcl = m_clRepertoire[nIndex];
    return pcl != nullptr ? pcl->stftLitFtAcces() : CDiskFile::_stXFILETIME{};
}

CDiskFile::_stXFILETIME CKXZipBase::stftLitFtModif(long nIndex) {
    const CRepEntree* pcl = m_clRepertoire[nIndex];
    return pcl != nullptr ? pcl->stftLitFtModif() : CDiskFile::_stXFILETIME{};
}

uint32_t CKXZipBase::dwLitAttribut(long nIndex) {
    const CRepEntree* pcl = m_clRepertoire[nIndex];
    return pcl != nullptr ? pcl->dwLitAttribut() : 0;
}

int CKXZipBase::bCrypte(long nIndex) {
    const CRepEntree* pcl = m_clRepertoire[nIndex];
    return pcl != nullptr ? pcl->bLitCrypte() : 0;
}

long CKXZipBase::lRangFichier(const wchar_t* pszNom) {
    return m_clRepertoire.lRang(pszNom);
}

// ---- info line

namespace {

void AjouteTemps(CTString& clTexte, const CDiskFile::_stXFILETIME& st) {
    clTexte.AddPrintf(L"%04i%02i%02i%02i%02i%02i", static_cast<int>(st.wYear), static_cast<int>(st.wMonth),
                      static_cast<int>(st.wDay), static_cast<int>(st.wHour), static_cast<int>(st.wMinute),
                      static_cast<int>(st.wSecond));
}

// Decimal digits of a size; no digit at all for 0.
void AjouteTaille(CTString& clTexte, int64_t o) {
    if (o != 0) clTexte.AddPrintf(L"%lld", static_cast<long long>(o));
}

}  // namespace

_eKXzipResult CKXZipBase::eGetInfoFichier(long nIndex, CTString& clTexte) {
    if (nIndex < 0 || static_cast<uint64_t>(nIndex) >= dwNombreFichier()) return _eResultat(eKXzipOuvertureArchive);
    const CRepEntree* pcl = m_clRepertoire[nIndex];
    if (pcl == nullptr) return _eResultat(eKXzipOuvertureArchive);
    clTexte.Set(pcl->pszLitChemin());
    clTexte.Add(L'\t');
    AjouteTaille(clTexte, pcl->oLitTailleOriginale());
    clTexte.Add(L'\t');
    AjouteTaille(clTexte, pcl->oLitTailleCompresse());
    clTexte.Add(L'\t');
    AjouteTemps(clTexte, pcl->stftLitFtCreation());
    clTexte.Add(L'\t');
    AjouteTemps(clTexte, pcl->stftLitFtModif());
    clTexte.Add(L'\t');
    AjouteTemps(clTexte, pcl->stftLitFtAcces());
    clTexte.Add(L'\t');
    if (pcl->dwLitAttribut() & 0x80000000u) clTexte.Add(L'H');
    clTexte.Add(L'\t');
    clTexte.Add(pcl->bLitCrypte() ? L'+' : L'N');
    return _eResultat(eKXzipOk);
}

// ---- entry names

int CKXZipBase::bNomFichierSur(const wchar_t* pszNom) {
    if (pszNom == nullptr || pszNom[0] == 0) return 0;
    if (pszNom[0] == L'/' || pszNom[0] == L'\\') return 0;
    const wchar_t* pszComposant = pszNom;
    for (const wchar_t* p = pszNom;; p++) {
        const wchar_t c = *p;
        if (c == 0 || c == L'/' || c == L'\\') {
            if (p - pszComposant == 2 && pszComposant[0] == L'.' && pszComposant[1] == L'.') return 0;
            if (c == 0) break;
            pszComposant = p + 1;
        } else if (static_cast<uint32_t>(c) < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            return 0;
        }
    }
    return 1;
}

long CKXZipBase::lPremierNomDangereux() {
    const long n = static_cast<long>(m_clRepertoire.dwNbEntree());
    for (long i = 0; i < n; i++) {
        if (!bNomFichierSur(m_clRepertoire[i]->pszLitChemin())) return i;
    }
    return -1;
}
