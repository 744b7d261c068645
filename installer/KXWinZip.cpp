// CKXWinZip: opening a zip archive, copying its directory, extracting an entry to a file or into a
// byte buffer, and the reader's settings passed through (see KXWinZip.h).
#include "installer/KXWinZip.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cwchar>

#include "core/VQBIN.h"
#include "core/XError.h"
#include "core/XYString.h"
#include "installer/MemoryStream.h"

namespace {

// The target is made afresh in place of whatever sits there, never through a link: a link placed
// at the target path between the check and the open makes the open fail instead.
constexpr IXStream::eCREATE s_eCreeTronque = static_cast<IXStream::eCREATE>(IXStream::eCreateAlways | O_NOFOLLOW);
constexpr IXStream::eCREATE s_eCreeSansTronquer =
    static_cast<IXStream::eCREATE>(IXStream::eCreateOpenAlways | O_NOFOLLOW);

}  // namespace

CKXWinZip::CKXWinZip() {
    m_nReserve2 = 1433600;
    m_nTypeZip = 1;
    m_clWinZip.SetDiskFile(&m_clFichierArchive);
}

CKXWinZip::~CKXWinZip() {
    Term();
    m_clWinZip.SetDiskFile(nullptr);
    free(m_pbyCopie);
}

// ---- opening and the directory

void CKXWinZip::_NoteErreurSysteme() {
    m_dwErreurSysteme = static_cast<uint32_t>(errno);
}

_eKXzipResult CKXWinZip::eOuvreArchive(const wchar_t* pszChemin, unsigned int nFlags, long lOffsetDepart) {
    _EffaceCause();
    // A failed reopening must not leave the previous archive's directory answering for the new file.
    m_bArchiveOuverte = 0;
    m_clRepertoire.Vide();
    m_sCheminArchive.Set(pszChemin);
    m_nModeOuverture = static_cast<int>(nFlags & 1);
    if (pszChemin == nullptr ||
        !m_clFichierArchive.bOpen(pszChemin, IXStream::eAccessRead, IXStream::eShareRead, IXStream::eCreateOpenExisting,
                                  IXStream::eFlagNone, nullptr)) {
        if (pszChemin != nullptr) _NoteErreurSysteme();
        return _eResultat(eKXzipOuvertureArchive);
    }
    m_lOffsetDepart = lOffsetDepart;
    m_clWinZip.SetOffsetDepart(lOffsetDepart);
    const int nLecteur = m_clWinZip.OuvreZip(pszChemin, 0);
    if (nLecteur != CWinZip::ZIP_OK) {
        m_nResultatLecteur = nLecteur;
        m_dwErreurSysteme = m_clWinZip.dwGetErreurSysteme();
        return _eResultat(eKXzipArchiveInvalide);
    }
    m_bArchiveOuverte = 1;
    return eLitRepertoireMono();
}

_eKXzipResult CKXWinZip::eLitRepertoireMono() {
    if (!m_bArchiveOuverte) return _eResultat(eKXzipPasOuverte);
    const int bEtaitOuvert = m_clFichierArchive.bIsOpen();
    m_clRepertoire.Vide();
    if (!bEtaitOuvert &&
        !m_clFichierArchive.bOpen(m_sCheminArchive.pszGet(), IXStream::eAccessRead, IXStream::eShareRead,
                                  IXStream::eCreateOpenExisting, IXStream::eFlagNone, nullptr))
        return _eResultat(eKXzipOuvertureFichier);

    m_clRepertoire.PrevoitEntrees(static_cast<int>(m_clWinZip.nGetNbFichier()));
    wchar_t szRepertoire[CDiskFile::s_nMaxPath + 2];
    wchar_t szFichier[CDiskFile::s_nMaxPath + 2];
    for (int nRes = m_clWinZip.FirstFile(); nRes == CWinZip::ZIP_OK; nRes = m_clWinZip.NextFile(0)) {
        const wchar_t* pszNom = m_clWinZip.CurrentFile_szName();
        if (wcschr(pszNom, L'\\') != nullptr || wcschr(pszNom, L'/') != nullptr) {
            CDiskFile::SplitPath(pszNom, szRepertoire, szFichier);
        } else {
            szRepertoire[0] = 0;
            wcsncpy(szFichier, pszNom, CDiskFile::s_nMaxPath);
            szFichier[CDiskFile::s_nMaxPath] = 0;
        }
        const _sTMDATE stDate = m_clWinZip.CurrentFile_tmDate();
        const CDiskFile::_stXFILETIME stTemps = {static_cast<uint16_t>(stDate.tm_year),
                                                 static_cast<uint16_t>(stDate.tm_mon),
                                                 static_cast<uint16_t>(stDate.tm_mday),
                                                 static_cast<uint16_t>(stDate.tm_hour),
                                                 static_cast<uint16_t>(stDate.tm_min),
                                                 static_cast<uint16_t>(stDate.tm_sec),
                                                 0};
        // An entry for a directory: the files below it make their directories when extracted.
        if (szFichier[0] == 0) continue;
        m_clRepertoire.bAjouteEntree(
            szRepertoire, pszNom, static_cast<int64_t>(m_clWinZip.CurrentFile_dwTailleCompress()),
            static_cast<int64_t>(m_clWinZip.CurrentFile_dwTailleNonCompress()), m_clWinZip.CurrentFile_ulFlag(),
            &stTemps, &stTemps, &stTemps, m_clWinZip.CurrentFile_bCrypte() ? 1 : 0, m_clWinZip.pszGetPassword());
    }
    if (!bEtaitOuvert) m_clFichierArchive.Close();
    return _eResultat(eKXzipOk);
}

// ---- extraction

_eKXzipResult CKXWinZip::_ePrepare(const wchar_t* pszNom, int64_t* poTaille, const CRepEntree** ppclEntree) {
    if (!m_bArchiveOuverte) return eKXzipPasOuverte;
    const CRepEntree* pcl = m_clRepertoire[m_clRepertoire.lRang(pszNom)];
    if (pcl == nullptr) return eKXzipOuvertureArchive;
    *poTaille = pcl->oLitTailleOriginale();
    *ppclEntree = pcl;
    return eKXzipOk;
}

_eKXzipResult CKXWinZip::_eOuvreEntree(const wchar_t* pszNom, int bExact) {
    if (m_clWinZip.LocateFile(pszNom, bExact) != CWinZip::ZIP_OK) return eKXzipFichierAbsent;
    const int nRes = m_clWinZip.OpenCurrentFileInZip();
    if (nRes == CWinZip::ZIP_OK) return eKXzipOk;
    m_nResultatLecteur = nRes;
    m_dwErreurSysteme = m_clWinZip.dwGetErreurSysteme();
    return nRes == CWinZip::ZIP_BADPASSWORD ? eKXzipMotDePasse : eKXzipArchiveInvalide;
}

_eKXzipResult CKXWinZip::_eExtraireFichier(IXStream* pclCible, int64_t oTaille, int64_t* poEcrit) {
    // One buffer for all the extractions of the archive.
    if (m_pbyCopie == nullptr) m_pbyCopie = static_cast<uint8_t*>(malloc(s_nTailleBufferCopie));
    uint8_t* pbyBuffer = m_pbyCopie;
    if (pbyBuffer == nullptr) {
        m_clWinZip.CloseCurrentFileInZip(0);
        return eKXzipMemoire;
    }
    for (;;) {
        unsigned long nLu = 0;
        if (!m_clWinZip.bReadCurrentFileInZip(pbyBuffer, s_nTailleBufferCopie, &nLu)) {
            m_dwErreurSysteme = m_clWinZip.dwGetErreurSysteme();
            m_clWinZip.CloseCurrentFileInZip(0);
            return eKXzipLecture;
        }
        // Bytes beyond the recorded size are dropped: the CRC check at close judges them.
        int64_t nBloc = static_cast<int64_t>(nLu);
        if (nBloc > oTaille - *poEcrit) nBloc = oTaille - *poEcrit;
        if (nBloc <= 0) break;
        // A write that does not reach the target (disk full, I/O error) fails the entry: a file cut
        // short must not be reported as extracted.
        uint32_t nEcrit = 0;
        errno = 0;
        if (!pclCible->bWrite(pbyBuffer, static_cast<uint32_t>(nBloc), &nEcrit) ||
            nEcrit != static_cast<uint32_t>(nBloc)) {
            // The stream keeps the code of its failed call; errno may have moved on since.
            _NoteErreurSysteme();
            const CXError* pclErr = pclCible->pclGetXError();
            if (pclErr != nullptr && pclErr->dwGetSystemErrorCode() != 0)
                m_dwErreurSysteme = pclErr->dwGetSystemErrorCode();
            m_clWinZip.CloseCurrentFileInZip(0);
            return eKXzipArchiveInvalide;
        }
        *poEcrit += nBloc;
    }
    if (m_clWinZip.CloseCurrentFileInZip(1) == CWinZip::ZIP_CRCERROR) {
        m_nResultatLecteur = CWinZip::ZIP_CRCERROR;
        return eKXzipLecture;
    }
    return eKXzipOk;
}

int CKXWinZip::_bRetireLien(const wchar_t* pszCible) {
    struct stat st;
    if (CDiskFile::Unix_lstat(pszCible, &st) != 0 || !S_ISLNK(st.st_mode)) return 1;
    return CDiskFile::Unix_unlink(pszCible) == 0;
}

_eKXzipResult CKXWinZip::_eExtraireFichierVide(const wchar_t* pszCible, CDiskFile& clCible, const CRepEntree& clEntree,
                                               int64_t* poEcrit) {
    *poEcrit = 0;
    if (!(clEntree.dwLitAttribut() & s_dwAttributRepertoire)) {
        if (!_bRetireLien(pszCible) || !clCible.bOpen(pszCible, IXStream::eAccessReadWrite, IXStream::eShareNone,
                                                      s_eCreeSansTronquer, IXStream::eFlagNone, nullptr)) {
            _NoteErreurSysteme();
            return eKXzipOuvertureFichier;
        }
        return eKXzipOk;
    }
    if (pszCible[0] == 0) return eKXzipOk;
    if (!CDiskFile::bCreateDirectory(pszCible)) {
        _NoteErreurSysteme();
        return eKXzipOuvertureFichier;
    }
    CDiskFile clRepertoire;
    if (clRepertoire.bOpen(pszCible, IXStream::eAccessReadWrite, IXStream::eShareNone, IXStream::eCreateOpenExisting,
                           IXStream::eFlagDirectory, nullptr)) {
        clRepertoire.bSetTime(nullptr, &clEntree.stftLitFtAcces(), &clEntree.stftLitFtModif());
        clRepertoire.Close();
    }
    if (!CDiskFile::bSetFileAttributes(pszCible, clEntree.dwLitAttribut())) return eKXzipOuvertureFichier;
    return eKXzipOk;
}

_eKXzipResult CKXWinZip::eExtraitFichier(const wchar_t* pszNom, const wchar_t* pszCible, unsigned long, HWND, int,
                                         int nFlags) {
    _EffaceCause();
    if (pszCible == nullptr) pszCible = L"";
    // A name that climbs out of the target's directory, or names an absolute path, is refused before
    // anything is touched.
    if (!bNomFichierSur(pszNom)) return _eResultat(eKXzipArchiveInvalide);
    if ((nFlags & s_nSupprimeCible) && CDiskFile::bIsAFile(pszCible)) CDiskFile::bForceDelete(pszCible);

    m_sCheminCible.Set(pszCible);
    int64_t oTaille = 0;
    const CRepEntree* pclEntree = nullptr;
    _eKXzipResult e = _ePrepare(pszNom, &oTaille, &pclEntree);
    if (e != eKXzipOk) return _eResultat(e);

    CDiskFile clCible;
    int64_t oEcrit = 0;
    if (oTaille != 0) {
        e = _eOuvreEntree(pszNom, (nFlags & s_nNomExact) ? 1 : 0);
        if (e != eKXzipOk) return _eResultat(e);
        if (!_bRetireLien(pszCible) || !clCible.bOpen(pszCible, IXStream::eAccessWrite, IXStream::eShareNone,
                                                      s_eCreeTronque, IXStream::eFlagNone, nullptr)) {
            _NoteErreurSysteme();
            m_clWinZip.CloseCurrentFileInZip(0);
            return _eResultat(eKXzipOuvertureFichier);
        }
        e = _eExtraireFichier(&clCible, oTaille, &oEcrit);
        if (e != eKXzipOk) return _eResultat(e);
    } else {
        e = _eExtraireFichierVide(pszCible, clCible, *pclEntree, &oEcrit);
        if (e != eKXzipOk) return _eResultat(e);
    }

    if (clCible.bIsOpen()) {
        clCible.bSetTime(nullptr, &pclEntree->stftLitFtAcces(), &pclEntree->stftLitFtModif());
        clCible.Close();
    }
    CDiskFile::bSetFileAttributes(pszCible, pclEntree->dwLitAttribut());
    return _eResultat(oEcrit != oTaille ? eKXzipArchiveInvalide : eKXzipOk);
}

_eKXzipResult CKXWinZip::eExtraitVersFlux(const wchar_t* pszNom, IXStream* pclCible, int nFlags) {
    _EffaceCause();
    if (!bNomFichierSur(pszNom)) return _eResultat(eKXzipArchiveInvalide);
    m_sCheminCible.Vide();
    int64_t oTaille = 0;
    const CRepEntree* pclEntree = nullptr;
    _eKXzipResult e = _ePrepare(pszNom, &oTaille, &pclEntree);
    if (e != eKXzipOk || oTaille == 0) return _eResultat(e);
    if (pclCible == nullptr) return _eResultat(eKXzipOuvertureFichier);
    e = _eOuvreEntree(pszNom, (nFlags & s_nNomExact) ? 1 : 0);
    if (e != eKXzipOk) return _eResultat(e);
    int64_t oEcrit = 0;
    e = _eExtraireFichier(pclCible, oTaille, &oEcrit);
    if (e != eKXzipOk) return _eResultat(e);
    return _eResultat(oEcrit != oTaille ? eKXzipArchiveInvalide : eKXzipOk);
}

_eKXzipResult CKXWinZip::eExtraitFichier(const wchar_t* pszNom, CVQBIN* pclBuffer, unsigned long, HWND, int) {
    _EffaceCause();
    m_sCheminCible.Vide();
    int64_t oTaille = 0;
    const CRepEntree* pclEntree = nullptr;
    _eKXzipResult e = _ePrepare(pszNom, &oTaille, &pclEntree);
    if (e != eKXzipOk) return _eResultat(e);
    if (pclBuffer == nullptr || oTaille < 0 || oTaille > INT_MAX ||
        pclBuffer->nSetSize(static_cast<int>(oTaille), 0) != 0)
        return _eResultat(eKXzipMemoire);
    if (oTaille == 0) return _eResultat(eKXzipOk);

    e = _eOuvreEntree(pszNom, 0);
    if (e != eKXzipOk) return _eResultat(e);
    CMemoryStream clFlux;
    if (!clFlux.bAssociate(pclBuffer->pbyGetBuffer(), static_cast<uint32_t>(oTaille))) {
        m_clWinZip.CloseCurrentFileInZip(0);
        return _eResultat(eKXzipMemoire);
    }
    if (!clFlux.bOpen(L"", IXStream::eAccessWrite, IXStream::eShareNone, IXStream::eCreateOpenExisting,
                      IXStream::eFlagNone, nullptr)) {
        m_clWinZip.CloseCurrentFileInZip(0);
        return _eResultat(eKXzipOuvertureFichier);
    }
    int64_t oEcrit = 0;
    e = _eExtraireFichier(&clFlux, oTaille, &oEcrit);
    clFlux.Close();
    if (e != eKXzipOk) return _eResultat(e);
    return _eResultat(oEcrit != oTaille ? eKXzipArchiveInvalide : eKXzipOk);
}

// ---- entries by index: the same answers as the base

uint32_t CKXWinZip::dwNombreFichier() {
    return CKXZipBase::dwNombreFichier();
}
void CKXWinZip::ForceRepVideAlaFin() {
    CKXZipBase::ForceRepVideAlaFin();
}
const wchar_t* CKXWinZip::pszNomFichier(long nIndex) {
    return CKXZipBase::pszNomFichier(nIndex);
}
uint32_t CKXWinZip::dwTailleOriginale(long nIndex) {
    return CKXZipBase::dwTailleOriginale(nIndex);
}
uint32_t CKXWinZip::dwTailleCompresse(long nIndex) {
    return CKXZipBase::dwTailleCompresse(nIndex);
}
uint32_t CKXWinZip::dwLitAttribut(long nIndex) {
    return CKXZipBase::dwLitAttribut(nIndex);
}
long CKXWinZip::lRangFichier(const wchar_t* pszNom) {
    return CKXZipBase::lRangFichier(pszNom);
}

// ---- reader settings

_eKXzipResult CKXWinZip::eMotDePasse(const wchar_t* pszMotDePasse) {
    m_clWinZip.bSetPassword(pszMotDePasse);
    return _eResultat(eKXzipOk);
}

_eKXzipResult CKXWinZip::eGetMotDePasse(CXYString<wchar_t>& clMotDePasse) {
    const wchar_t* psz = m_clWinZip.pszGetPassword();
    clMotDePasse.nAffecteConversion(psz != nullptr ? psz : L"", -1);
    return _eResultat(eKXzipOk);
}

_eKXzipResult CKXWinZip::eNiveauCompression(int nNiveau) {
    return _eResultat(m_clWinZip.bSetNiveauCompression(nNiveau) ? eKXzipOk : eKXzipNiveauCompression);
}

_eKXzipResult CKXWinZip::eGetNiveauCompression(int& nNiveau) {
    nNiveau = m_clWinZip.nGetNiveauCompression();
    return _eResultat(eKXzipOk);
}

int CKXWinZip::bEntete64Bits(int bOn) {
    const int bAvant = m_b64Bits;
    m_b64Bits = bOn;
    m_clWinZip.bEntete64Bits(bOn);
    return bAvant;
}

void CKXWinZip::vSetNomFicUnicode(int bOn) {
    m_clWinZip.SetUnicode(bOn);
}
