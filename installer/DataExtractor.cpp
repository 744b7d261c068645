// CDataExtractor: the installer's extraction of its archive into the program directory.
#include "installer/DataExtractor.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cwchar>
#include <string>

#include "core/CodePageCnvW.h"
#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/XErrorModule.h"
#include "installer/FluxDescripteur.h"
#include "installer/Installer.h"
#include "platform/DiskFile.h"
#include "platform/WinMemoryTime.h"
#include "platform/WinProcess.h"

namespace {

// Path buffers of the file layer: 260 characters and a terminator.
constexpr uint32_t DATAEXTRACTOR_CHEMIN = CDiskFile::s_nMaxPath + 1;
// Random characters after the prefix of a temporary file's name.
constexpr size_t DATAEXTRACTOR_ALEA = 6;
// Characters of a temporary file's name.
const size_t DATAEXTRACTOR_NOM_TEMP = wcslen(CDataExtractor::s_pszPrefixeTemp) + DATAEXTRACTOR_ALEA;

// The result codes the installer names itself: two of the facade's, and the reader's own code for
// a CRC mismatch, which the facade folds into its read failure (30) and the installer reports apart.
constexpr int DATAEXTRACTOR_ERR_CREATION = 2;  // a file cannot be opened or created
constexpr int DATAEXTRACTOR_ERR_ARCHIVE = 3;   // damaged archive, unsafe entry, short write
constexpr int DATAEXTRACTOR_ERR_CRC = CWinZip::ZIP_CRCERROR;

// Messages of the file layer and of the installer used in reports.
constexpr uint32_t MSG_OUVRE_REPERTOIRE = 28135;  // the directory cannot be opened
constexpr uint32_t MSG_CREE_REPERTOIRE = 28126;   // "Cannot create the directory %s."
constexpr uint32_t MSG_RENOMME = 28124;           // new name, old name
constexpr uint32_t MSG_ATTRIBUTS = 28130;         // mode, file
constexpr uint32_t MSG_PROPRIETAIRE = 25852;      // user, group, file
constexpr uint32_t MSG_LIEN = 4979;               // a sub-directory that is a symbolic link

// Fills the error object with the system error nErrno and message nMessage, as the file layer
// reports its own failures; always false.
template <typename... Args>
bool _bEchec(CXError& clErr, int nErrno, uint32_t nMessage, Args... args) {
    errno = nErrno;
    CDiskFile::_bOnError(0, &clErr);
    clErr.AddUserMessage(&gstMyModuleInfo39, nMessage, args...);
    errno = nErrno;
    return false;
}

// The UTF-8 bytes of a wide text, as the file layer hands names to the system. Encoded here: the
// system's converter costs a conversion set-up at each call, and every entry needs its name.
std::string _sUTF8(const wchar_t* psz) {
    std::string s;
    for (; psz != nullptr && *psz != 0; psz++) {
        const uint32_t c = static_cast<uint32_t>(*psz);
        if (c < 0x80) {
            s += static_cast<char>(c);
        } else if (c < 0x800) {
            s += static_cast<char>(0xC0 | (c >> 6));
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            s += static_cast<char>(0xE0 | (c >> 12));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            s += static_cast<char>(0xF0 | ((c >> 18) & 0x07));
            s += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
            s += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            s += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return s;
}

// An entry's time as the system keeps it; FALSE when it cannot be converted.
bool _bTempsUnix(const CDiskFile::_stXFILETIME& st, struct timespec* pts) {
    _FILETIME ft;
    if (!CDiskFile::bSystemTimeToFileTime(&st, &ft)) return false;
    // File times count 100 ns from 1601-01-01; the system counts seconds from 1970-01-01.
    const uint64_t q = (uint64_t(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
    const int64_t nDepuis1970 = int64_t(q) - 116444736000000000LL;
    pts->tv_sec = nDepuis1970 / 10000000;
    pts->tv_nsec = (nDepuis1970 % 10000000) * 100;
    if (pts->tv_nsec < 0) {
        pts->tv_sec--;
        pts->tv_nsec += 1000000000;
    }
    return true;
}

// Closes a descriptor keeping errno.
void _Ferme(int nDescripteur) {
    if (nDescripteur < 0) return;
    const int nSaved = errno;
    close(nDescripteur);
    errno = nSaved;
}

// Creates a temporary file of mode 0600 in the directory, under a name nobody else can have taken
// (the open fails on any file or link already there, and another name is drawn); its descriptor,
// or -1 with errno. The names come from a generator seeded once by the system's random source.
int _nCreeTemporaire(int nRepertoire, uint64_t* pqGraine, std::string* psNom, wchar_t* pszNom) {
    static const char s_szAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    if (*pqGraine == 0 && getrandom(pqGraine, sizeof(*pqGraine), 0) != static_cast<ssize_t>(sizeof(*pqGraine)))
        *pqGraine = uint64_t(time(nullptr)) * 6364136223846793005ULL + uint64_t(getpid());
    const std::string sPrefixe = _sUTF8(CDataExtractor::s_pszPrefixeTemp);
    for (int nEssai = 0; nEssai < 100; nEssai++) {
        *psNom = sPrefixe;
        for (size_t i = 0; i < DATAEXTRACTOR_ALEA; i++) {
            // xorshift64*: cheap, and never stuck at 0 once seeded.
            uint64_t& q = *pqGraine;
            q ^= q >> 12, q ^= q << 25, q ^= q >> 27;
            if (q == 0) q = 0x9E3779B97F4A7C15ull;
            psNom->push_back(s_szAlphabet[((q * 2685821657736338717ull) >> 32) % (sizeof(s_szAlphabet) - 1)]);
        }
        const int nFd = openat(nRepertoire, psNom->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (nFd >= 0) {
            // The name is ASCII: its wide form, character for character.
            for (size_t i = 0; i < psNom->size(); i++) pszNom[i] = static_cast<wchar_t>((*psNom)[i]);
            pszNom[psNom->size()] = 0;
            return nFd;
        }
        if (errno != EEXIST) return -1;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

// An entry's time for futimens, through a memory of the last time converted: each conversion looks
// at the time zone (a call to the system), and the entries of an archive mostly share a few
// times, made as they were in one build.
bool CDataExtractor::_bTempsMemorise(const CDiskFile::_stXFILETIME& st, struct timespec* pts) {
    if (m_bTempsMemorise && CDiskFile::nCompareSystemTime(&st, &m_stTempsMemorise) == 0) {
        *pts = m_tsTempsMemorise;
        return true;
    }
    if (!_bTempsUnix(st, pts)) return false;
    m_stTempsMemorise = st;
    m_tsTempsMemorise = *pts;
    m_bTempsMemorise = true;
    return true;
}

bool CDataExtractor::_bTempsEntree(const CRepEntree& clEntree, struct timespec ats[2]) {
    return _bTempsMemorise(clEntree.stftLitFtModif(), &ats[1]) && _bTempsMemorise(clEntree.stftLitFtAcces(), &ats[0]);
}

CDataExtractor::CDataExtractor(int bDebug) : m_bDebug(bDebug) {}

CDataExtractor::~CDataExtractor() {
    _FermeRepertoires();
}

void CDataExtractor::_FermeRepertoires() {
    if (m_nSousRepertoire >= 0 && m_nSousRepertoire != m_nRepertoire) _Ferme(m_nSousRepertoire);
    _Ferme(m_nRepertoire);
    m_nSousRepertoire = m_nRepertoire = -1;
    m_sSousRepertoire.Vide();
}

bool CDataExtractor::bInit(const wchar_t* pszNom) {
    // Room for any path the system gives, so that a path too long is seen, not cut.
    wchar_t szExecutable[PATH_MAX + 1] = {};
    wchar_t szRepertoire[DATAEXTRACTOR_CHEMIN] = {};
    wchar_t szArchive[DATAEXTRACTOR_CHEMIN] = {};
    errno = 0;
    if (GetModuleFileNameW(nullptr, szExecutable, PATH_MAX + 1) == 0) {
        // No path, no directory: an empty one would take the archive from the working directory.
        const int nErrno = errno != 0 && errno != ERROR_INSUFFICIENT_BUFFER ? errno : ENAMETOOLONG;
        _ShowErrorZIPSiBesoin(pszNom, static_cast<uint32_t>(nErrno), eKXzipOuvertureArchive);
        return false;
    }
    if (wcslen(szExecutable) > CDiskFile::s_nMaxPath) {
        _ShowErrorZIPSiBesoin(szExecutable, ENAMETOOLONG, eKXzipOuvertureArchive);
        return false;
    }
    CDiskFile::SplitPath(szExecutable, szRepertoire, nullptr);
    CDiskFile::MakePath(szArchive, szRepertoire, pszNom, L"zip");
    if (szArchive[0] == 0) {
        _ShowErrorZIPSiBesoin(szRepertoire, ENAMETOOLONG, eKXzipOuvertureArchive);
        return false;
    }
    return bInitChemin(szArchive);
}

bool CDataExtractor::bInitChemin(const wchar_t* pszArchive) {
    int eResultat = m_clZip.eOuvreArchive(pszArchive, 0, 0);
    _ShowErrorZIPSiBesoin(pszArchive, m_clZip.dwGetErreurSysteme(), eResultat);
    return eResultat == 0;
}

bool CDataExtractor::bInstall(const wchar_t* pszRepertoire, uint32_t nModeRep, uint32_t nUidRep, uint32_t nGidRep,
                              uint32_t nModeFic, uint32_t nUidFic, uint32_t nGidFic) {
    // An archive with an unsafe or over-long name is refused before anything is written.
    if (!_bVerifieEntrees(pszRepertoire)) return false;

    _CXErrorModule39 clErr;
    if (!CDiskFile::bCreateDirectory(pszRepertoire, &clErr) ||
        !CDiskFile::bSetFileOwnerAttributes(pszRepertoire, nModeRep, nUidRep, nGidRep, &clErr)) {
        _ShowError(pszRepertoire, clErr.dwGetSystemErrorCode(), &clErr);
        return false;
    }
    _FermeRepertoires();
    m_nRepertoire = CDiskFile::Unix_open(pszRepertoire, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_nRepertoire < 0) {
        _bEchec(clErr, errno, MSG_OUVRE_REPERTOIRE);
        _ShowError(pszRepertoire, clErr.dwGetSystemErrorCode(), &clErr);
        return false;
    }
    bool bResultat = true;
    for (long nIndice = 0; bResultat && nIndice < static_cast<long>(m_clZip.dwNombreFichier()); nIndice++)
        bResultat = _bInstalFile(pszRepertoire, nIndice, nModeFic, nUidFic, nGidFic) && bResultat;
    _FermeRepertoires();
    return bResultat;
}

bool CDataExtractor::_bVerifieEntrees(const wchar_t* pszRepertoire) {
    // A name that would leave the directory (absolute, "..", control character).
    long nDangereux = m_clZip.lPremierNomDangereux();
    if (nDangereux >= 0) {
        _ShowErrorZIPSiBesoin(m_clZip.pszNomFichier(nDangereux), 0, DATAEXTRACTOR_ERR_ARCHIVE);
        return false;
    }
    for (long nIndice = 0; nIndice < static_cast<long>(m_clZip.dwNombreFichier()); nIndice++) {
        const wchar_t* pszEntree = m_clZip.pszNomFichier(nIndice);
        // MakePath gives an empty path when the whole does not fit the file layer's buffer; the
        // temporary file beside the target needs room for its own name as well.
        wchar_t szCible[DATAEXTRACTOR_CHEMIN];
        CDiskFile::MakePath(szCible, pszRepertoire, pszEntree, nullptr);
        bool bTientDansLaLimite = szCible[0] != 0;
        if (bTientDansLaLimite) {
            // The directory part runs to the last separator, which it keeps.
            size_t nSousRepertoire = 0;
            for (size_t i = 0; szCible[i] != 0; i++)
                if (szCible[i] == L'/' || szCible[i] == L'\\') nSousRepertoire = i + 1;
            bTientDansLaLimite = nSousRepertoire + DATAEXTRACTOR_NOM_TEMP <= CDiskFile::s_nMaxPath;
        }
        if (!bTientDansLaLimite) {
            _ShowErrorZIPSiBesoin(pszEntree, ENAMETOOLONG, DATAEXTRACTOR_ERR_CREATION);
            return false;
        }
    }
    return true;
}

int CDataExtractor::_nOuvreSousRepertoire(const wchar_t* pszRepertoire, const wchar_t* pszSousRepertoire) {
    if (pszSousRepertoire[0] == 0) return m_nRepertoire;
    if (m_nSousRepertoire >= 0 && wcscmp(m_sSousRepertoire.pszGet(), pszSousRepertoire) == 0) return m_nSousRepertoire;
    if (m_nSousRepertoire >= 0 && m_nSousRepertoire != m_nRepertoire) _Ferme(m_nSousRepertoire);
    m_nSousRepertoire = -1;
    m_sSousRepertoire.Vide();

    // Component by component from the target directory: a link is never followed, so nothing can be
    // written outside the target through one that a user of the directory put there.
    CTString sChemin(pszRepertoire);
    CDiskFile::DirectoryWithoutEndSlash(sChemin);
    int nCourant = m_nRepertoire;
    const wchar_t* pszDebut = pszSousRepertoire;
    for (;;) {
        const wchar_t* pszFin = pszDebut;
        while (*pszFin != 0 && *pszFin != L'\\' && *pszFin != L'/') pszFin++;
        const std::wstring wsComposant(pszDebut, static_cast<size_t>(pszFin - pszDebut));
        if (!wsComposant.empty() && wsComposant != L".") {
            sChemin.Add(L"/");
            sChemin.Add(wsComposant.c_str());
            const std::string sComposant = _sUTF8(wsComposant.c_str());
            const int nDrapeaux = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
            int nSuivant = openat(nCourant, sComposant.c_str(), nDrapeaux);
            if (nSuivant < 0 && errno == ENOENT) {
                if (mkdirat(nCourant, sComposant.c_str(), s_nModeSousRepertoire) == 0) {
                    nSuivant = openat(nCourant, sComposant.c_str(), nDrapeaux);
                    // The file-creation mask may have taken bits off the mode asked for.
                    if (nSuivant >= 0 && fchmod(nSuivant, s_nModeSousRepertoire) != 0) {
                        _Ferme(nSuivant);
                        nSuivant = -1;
                    }
                } else if (errno == EEXIST) {
                    nSuivant = openat(nCourant, sComposant.c_str(), nDrapeaux);
                }
            }
            if (nSuivant < 0) {
                int nErrno = errno;
                // A link is refused whatever it points at (the system says "not a directory" for
                // a link opened as a directory without being followed).
                struct stat st;
                if ((nErrno == ENOTDIR || nErrno == ELOOP) &&
                    fstatat(nCourant, sComposant.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(st.st_mode))
                    nErrno = ELOOP;
                if (nCourant != m_nRepertoire) _Ferme(nCourant);
                _CXErrorModule39 clErr;
                if (nErrno == ELOOP)
                    _bEchec(clErr, nErrno, MSG_LIEN, sChemin.pszGet());
                else
                    _bEchec(clErr, nErrno, MSG_CREE_REPERTOIRE, sChemin.pszGet());
                _ShowError(sChemin.pszGet(), static_cast<uint32_t>(nErrno), &clErr);
                return -1;
            }
            if (nCourant != m_nRepertoire) _Ferme(nCourant);
            nCourant = nSuivant;
        }
        if (*pszFin == 0) break;
        pszDebut = pszFin + 1;
    }
    m_nSousRepertoire = nCourant;
    m_sSousRepertoire.Set(pszSousRepertoire);
    return nCourant;
}

bool CDataExtractor::_bInstalFile(const wchar_t* pszRepertoire, long nIndice, uint32_t nMode, uint32_t nUid,
                                  uint32_t nGid) {
    const CRepEntree* pclEntree = m_clZip.clGetRepertoire()[nIndice];
    if (pclEntree == nullptr) return false;
    const wchar_t* pszEntree = pclEntree->pszLitChemin();
    wchar_t szCible[DATAEXTRACTOR_CHEMIN];
    CDiskFile::MakePath(szCible, pszRepertoire, pszEntree, nullptr);
    if (szCible[0] == 0) {
        _ShowErrorZIPSiBesoin(pszEntree, ENAMETOOLONG, DATAEXTRACTOR_ERR_CREATION);
        return false;
    }

    // The entry's sub-directory below the target and its file name.
    const wchar_t* pszFeuille = pszEntree;
    for (const wchar_t* p = pszEntree; *p != 0; p++)
        if (*p == L'\\' || *p == L'/') pszFeuille = p + 1;
    const std::wstring wsSousRepertoire(pszEntree, static_cast<size_t>(pszFeuille - pszEntree));

    // A zero-length entry marked as a directory stands for one.
    if (pclEntree->oLitTailleOriginale() == 0 && (pclEntree->dwLitAttribut() & CKXZipBase::s_dwAttributRepertoire))
        return _nOuvreSousRepertoire(pszRepertoire, pszEntree) >= 0;

    const int nRepertoire = _nOuvreSousRepertoire(pszRepertoire, wsSousRepertoire.c_str());
    if (nRepertoire < 0) return false;
    const std::string sFeuille = _sUTF8(pszFeuille);

    // A zero-length entry over an existing regular file leaves its content in place.
    if (pclEntree->oLitTailleOriginale() == 0) {
        const int n = _nInstalVideSurPlace(nRepertoire, sFeuille.c_str(), szCible, *pclEntree, nMode, nUid, nGid);
        if (n >= 0) return n == 1;
    }
    return _bInstalParFichierTemporaire(nRepertoire, sFeuille.c_str(), pszEntree, szCible, *pclEntree, nMode, nUid,
                                        nGid);
}

int CDataExtractor::_nInstalVideSurPlace(int nRepertoire, const char* pszFeuille, const wchar_t* pszCible,
                                         const CRepEntree& clEntree, uint32_t nMode, uint32_t nUid, uint32_t nGid) {
    // Opened without following a link and without blocking on a pipe; then only a regular file
    // with a single name qualifies: the owner and mode of a file also known under another name,
    // perhaps outside the directory, are not the installation's to change.
    const int nFd = openat(nRepertoire, pszFeuille, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (nFd < 0) return -1;
    struct stat st {};
    if (fstat(nFd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_nlink != 1) {
        _Ferme(nFd);
        return -1;
    }
    struct timespec ats[2];
    if (_bTempsEntree(clEntree, ats)) futimens(nFd, ats);
    _CXErrorModule39 clErr;
    bool bOk = true;
    if (fchown(nFd, nUid, nGid) != 0)
        bOk = _bEchec(clErr, errno, MSG_PROPRIETAIRE, nUid, nGid, pszCible);
    else if (fchmod(nFd, nMode) != 0)
        bOk = _bEchec(clErr, errno, MSG_ATTRIBUTS, nMode, pszCible);
    if (!bOk) {
        // The file is left as it was found: a change of owner may have dropped its set-id bits.
        fchmod(nFd, st.st_mode & 07777);
        _Ferme(nFd);
        _ShowError(pszCible, clErr.dwGetSystemErrorCode(), &clErr);
        return 0;
    }
    _Ferme(nFd);
    return 1;
}

bool CDataExtractor::_bInstalParFichierTemporaire(int nRepertoire, const char* pszFeuille, const wchar_t* pszEntree,
                                                  const wchar_t* pszCible, const CRepEntree& clEntree, uint32_t nMode,
                                                  uint32_t nUid, uint32_t nGid) {
    std::string sTemp;
    wchar_t szNomTemp[DATAEXTRACTOR_CHEMIN];
    // The directory of the target, for a report only.
    wchar_t szSousRepertoire[DATAEXTRACTOR_CHEMIN];
    _CXErrorModule39 clErr;
    const int nFd = _nCreeTemporaire(nRepertoire, &m_qGraine, &sTemp, szNomTemp);
    if (nFd < 0) {
        const int nErrno = errno;
        CDiskFile::SplitPath(pszCible, szSousRepertoire, nullptr);
        _bEchec(clErr, nErrno, 28134, szSousRepertoire, s_pszPrefixeTemp);
        _ShowError(pszCible, clErr.dwGetSystemErrorCode(), &clErr);
        return false;
    }

    CFluxDescripteur clFlux(nFd);
    const int eResultat = m_clZip.eExtraitVersFlux(pszEntree, &clFlux, 0);
    if (eResultat != 0) {
        _Ferme(nFd);
        unlinkat(nRepertoire, sTemp.c_str(), 0);
        _ShowErrorExtraction(pszEntree, eResultat);
        return false;
    }
    struct timespec ats[2];
    if (_bTempsEntree(clEntree, ats)) futimens(nFd, ats);
    // Owner first: a change of owner takes the set-id bits off, the mode then sets the final bits.
    // Both on the descriptor of a file nobody else can write, before it takes the target's name.
    bool bOk = true;
    if (fchown(nFd, nUid, nGid) != 0)
        bOk = _bEchec(clErr, errno, MSG_PROPRIETAIRE, nUid, nGid, pszCible);
    else if (fchmod(nFd, nMode) != 0)
        bOk = _bEchec(clErr, errno, MSG_ATTRIBUTS, nMode, pszCible);
    if (close(nFd) != 0 && bOk) {
        // The last of the data may fail to reach the disk only now.
        const int nErrno = errno;
        unlinkat(nRepertoire, sTemp.c_str(), 0);
        _ShowErrorZIPSiBesoin(pszEntree, static_cast<uint32_t>(nErrno), DATAEXTRACTOR_ERR_ARCHIVE);
        return false;
    }
    // rename replaces whatever name stands at the target, a link included, without following it.
    if (bOk && renameat(nRepertoire, sTemp.c_str(), nRepertoire, pszFeuille) != 0) {
        const int nErrno = errno;
        wchar_t szTemp[DATAEXTRACTOR_CHEMIN];
        CDiskFile::SplitPath(pszCible, szSousRepertoire, nullptr);
        CDiskFile::MakePath(szTemp, szSousRepertoire, szNomTemp, nullptr);
        bOk = _bEchec(clErr, nErrno, MSG_RENOMME, pszCible, szTemp);
    }
    if (!bOk) {
        const int nErrno = errno;
        unlinkat(nRepertoire, sTemp.c_str(), 0);
        errno = nErrno;
        // A failure is reported under the target's name, which is what the administrator knows.
        _ShowError(pszCible, clErr.dwGetSystemErrorCode(), &clErr);
        return false;
    }
    return true;
}

void CDataExtractor::_TraceDebug(int eResultat) const {
    if (!m_bDebug) return;
    time_t nMaintenant = time(nullptr);
    char szDate[64];
    if (ctime_r(&nMaintenant, szDate) != nullptr) INSTALLER_EcritErreurA(szDate);
    char szLigne[80];
    snprintf(szLigne, sizeof(szLigne), "Unzipping files failed whith error %d\r\n", eResultat);
    INSTALLER_EcritErreurA(szLigne);
}

void CDataExtractor::_ShowErrorExtraction(const wchar_t* pszEntree, int eResultat) const {
    _TraceDebug(eResultat);
    const int eRapport = eResultat == eKXzipLecture && m_clZip.nGetResultatLecteur() == CWinZip::ZIP_CRCERROR
                             ? DATAEXTRACTOR_ERR_CRC
                             : eResultat;
    _ShowErrorZIPSiBesoin(pszEntree, m_clZip.dwGetErreurSysteme(), eRapport);
}

void CDataExtractor::_ShowErrorZIPSiBesoin(const wchar_t* pszNom, uint32_t dwSystemError, int eResultat) const {
    if (eResultat == 0) return;
    _CXErrorModule39 clErr(static_cast<uint32_t>(eResultat));
    if (clErr.nGetUserErrorCode() == 0) return;
    // The system's text of the failure that lies behind the code, when it was the system's.
    if (dwSystemError != 0) {
        const int nSaved = errno;
        errno = static_cast<int>(dwSystemError);
        clErr.__SetSystemError(dwSystemError);
        errno = nSaved;
    }
    _ShowError(pszNom, dwSystemError, &clErr);
}

void CDataExtractor::_ShowError(const wchar_t* pszNom, uint32_t dwSystemError, const CXError* pclErr) const {
    // Names come from the archive and the configuration: their control characters are shown
    // escaped, never sent to the terminal, wherever they stand in the report.
    CTString clTexte, clPiece;
    if (pszNom != nullptr) {
        INSTALLER_EchappeControles(pszNom, clPiece);
        DLLRES_bFormatMessage(&gstMyModuleInfo39, 4903, &clTexte, clPiece.pszGet());
    }
    if (pclErr != nullptr && pclErr->bIsError()) {
        clTexte.Add(L"\r\n");
        INSTALLER_EchappeControles(pclErr->pszGetSystemErrorMessage(), clPiece);
        clTexte.Add(clPiece.pszGet());
        clTexte.Add(L"\r\n\r\n");
        INSTALLER_EchappeControles(pclErr->pszGetUserMessage(), clPiece);
        clTexte.Add(clPiece.pszGet());
    } else {
        CCodePageCnvW clSysteme(strerror(static_cast<int>(dwSystemError)), -1, 65001);
        clTexte.Add(clSysteme.pszGet());
    }
    // Each report ends its line, so that the next one starts on its own.
    clTexte.Add(L"\n");
    INSTALLER_EcritErreur(clTexte.pszGet());
}
