// CDataExtractor: the installer's extraction of its archive into the program directory.
#include "installer/DataExtractor.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <cwchar>

#include "core/CodePageCnvW.h"
#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/XErrorModule.h"
#include "installer/Installer.h"
#include "platform/DiskFile.h"
#include "platform/WinProcess.h"

namespace {

// Path buffers of the file layer: 260 characters and a terminator.
constexpr uint32_t DATAEXTRACTOR_CHEMIN = CDiskFile::s_nMaxPath + 1;
// Characters of a temporary file's name: the prefix and the six characters mkstemp fills in.
const size_t DATAEXTRACTOR_NOM_TEMP = wcslen(CDataExtractor::s_pszPrefixeTemp) + 6;

// The facade's result codes the installer names itself.
constexpr int DATAEXTRACTOR_ERR_CREATION = 2;  // a file cannot be opened or created
constexpr int DATAEXTRACTOR_ERR_ARCHIVE = 3;   // damaged archive, unsafe entry, short write

// Fills the error object with the system error of errno and message nMessage, as the file layer
// reports its own failures; always false.
template <typename... Args>
bool _bEchecFichier(CXError& clErr, uint32_t nMessage, Args... args) {
    CDiskFile::_bOnError(0, &clErr);
    clErr.AddUserMessage(&gstMyModuleInfo39, nMessage, args...);
    return false;
}

// Gives the temporary file the owner, then the mode, of the installed files and puts it in the
// target's place. A failure is reported under the target's name, which is what the administrator
// knows; the temporary file is then removed.
bool _bMetEnPlace(const wchar_t* pszTemp, const wchar_t* pszCible, uint32_t nMode, uint32_t nUid, uint32_t nGid,
                  CXError& clErr) {
    bool bOk = true;
    if (CDiskFile::__Unix_chown(pszTemp, nUid, nGid) != 0)
        bOk = _bEchecFichier(clErr, 25852, nUid, nGid, pszCible);
    else if (CDiskFile::Unix_chmod(pszTemp, nMode) != 0)
        bOk = _bEchecFichier(clErr, 28130, nMode, pszCible);
    // rename replaces whatever name stands at the target, a link included, without following it.
    else if (CDiskFile::__Unix_rename(pszTemp, pszCible) != 0)
        bOk = _bEchecFichier(clErr, 28124, pszCible, pszTemp);
    if (!bOk) {
        int nSaved = errno;
        CDiskFile::Unix_unlink(pszTemp);
        errno = nSaved;
    }
    return bOk;
}

}  // namespace

CDataExtractor::CDataExtractor(int bDebug) : m_bDebug(bDebug) {}

CDataExtractor::~CDataExtractor() = default;

bool CDataExtractor::bInit(const wchar_t* pszNom) {
    wchar_t szExecutable[DATAEXTRACTOR_CHEMIN] = {};
    wchar_t szRepertoire[DATAEXTRACTOR_CHEMIN] = {};
    wchar_t szArchive[DATAEXTRACTOR_CHEMIN] = {};
    GetModuleFileNameW(nullptr, szExecutable, CDiskFile::s_nMaxPath);
    CDiskFile::SplitPath(szExecutable, szRepertoire, nullptr);
    CDiskFile::MakePath(szArchive, szRepertoire, pszNom, L"zip");
    return bInitChemin(szArchive);
}

bool CDataExtractor::bInitChemin(const wchar_t* pszArchive) {
    int eResultat = m_clZip.eOuvreArchive(pszArchive, 0, 0);
    _ShowErrorZIPSiBesoin(pszArchive, static_cast<uint32_t>(errno), eResultat);
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
    bool bResultat = true;
    for (long nIndice = 0; bResultat && nIndice < static_cast<long>(m_clZip.dwNombreFichier()); nIndice++)
        bResultat =
            _bInstalFile(pszRepertoire, m_clZip.pszNomFichier(nIndice), nModeFic, nUidFic, nGidFic) && bResultat;
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
        wchar_t szSousRepertoire[DATAEXTRACTOR_CHEMIN];
        CDiskFile::MakePath(szCible, pszRepertoire, pszEntree, nullptr);
        bool bTientDansLaLimite = szCible[0] != 0;
        if (bTientDansLaLimite) {
            CDiskFile::SplitPath(szCible, szSousRepertoire, nullptr);
            bTientDansLaLimite = wcslen(szSousRepertoire) + DATAEXTRACTOR_NOM_TEMP <= CDiskFile::s_nMaxPath;
        }
        if (!bTientDansLaLimite) {
            _ShowErrorZIPSiBesoin(pszEntree, ENAMETOOLONG, DATAEXTRACTOR_ERR_CREATION);
            return false;
        }
    }
    return true;
}

bool CDataExtractor::_bInstalFile(const wchar_t* pszRepertoire, const wchar_t* pszEntree, uint32_t nMode, uint32_t nUid,
                                  uint32_t nGid) {
    wchar_t szCible[DATAEXTRACTOR_CHEMIN];
    wchar_t szSousRepertoire[DATAEXTRACTOR_CHEMIN];
    CDiskFile::MakePath(szCible, pszRepertoire, pszEntree, nullptr);
    if (szCible[0] == 0) {
        _ShowErrorZIPSiBesoin(pszEntree, ENAMETOOLONG, DATAEXTRACTOR_ERR_CREATION);
        return false;
    }
    CDiskFile::SplitPath(szCible, szSousRepertoire, nullptr);

    _CXErrorModule39 clErr;
    if (szSousRepertoire[0] != 0 && !CDiskFile::bExist(szSousRepertoire) &&
        !CDiskFile::bCreateDirectory(szSousRepertoire, &clErr)) {
        _ShowError(szSousRepertoire, clErr.dwGetSystemErrorCode(), &clErr);
        return false;
    }

    // A zero-length entry over an existing regular file leaves its content in place.
    struct stat stCible {};
    long nRang = m_clZip.lRangFichier(pszEntree);
    const CRepEntree* pclEntree = nRang >= 0 ? m_clZip.clGetRepertoire()[nRang] : nullptr;
    int64_t oTaille = pclEntree != nullptr ? pclEntree->oLitTailleOriginale() : -1;
    if (oTaille == 0 && CDiskFile::Unix_lstat(szCible, &stCible) == 0 && S_ISREG(stCible.st_mode))
        return _bInstalVideSurPlace(pszEntree, szCible, nMode, nUid, nGid);

    // Anything else is written into a fresh file of its own beside the target, so that a failure
    // leaves the previous file whole, and a link at the target is replaced, never followed.
    wchar_t szTemp[DATAEXTRACTOR_CHEMIN];
    if (!CDiskFile::bGetTempName(szTemp, szSousRepertoire, s_pszPrefixeTemp, &clErr)) {
        _ShowError(szCible, clErr.dwGetSystemErrorCode(), &clErr);
        return false;
    }
    int eResultat = m_clZip.eExtraitFichier(pszEntree, szTemp, 0, nullptr, 0, 0);
    uint32_t dwErrno = static_cast<uint32_t>(errno);
    // The facade counts the bytes it hands over; what reached the disk is checked here.
    if (eResultat == 0 && oTaille >= 0 && CDiskFile::s_oGetSize(szTemp) != oTaille) {
        dwErrno = static_cast<uint32_t>(errno);
        eResultat = DATAEXTRACTOR_ERR_ARCHIVE;
    }
    if (eResultat != 0) {
        CDiskFile::Unix_unlink(szTemp);
        _TraceDebug(eResultat);
        _ShowErrorZIPSiBesoin(pszEntree, dwErrno, eResultat);
        return false;
    }
    if (!_bMetEnPlace(szTemp, szCible, nMode, nUid, nGid, clErr)) {
        _ShowError(szCible, clErr.dwGetSystemErrorCode(), &clErr);
        return false;
    }
    return true;
}

bool CDataExtractor::_bInstalVideSurPlace(const wchar_t* pszEntree, const wchar_t* pszCible, uint32_t nMode,
                                          uint32_t nUid, uint32_t nGid) {
    int eResultat = m_clZip.eExtraitFichier(pszEntree, pszCible, 0, nullptr, 0, 0);
    if (eResultat != 0) {
        uint32_t dwErrno = static_cast<uint32_t>(errno);
        _TraceDebug(eResultat);
        _ShowErrorZIPSiBesoin(pszEntree, dwErrno, eResultat);
        return false;
    }
    _CXErrorModule39 clErr;
    if (!CDiskFile::bSetFileOwnerAttributes(pszCible, nMode, nUid, nGid, &clErr)) {
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

void CDataExtractor::_ShowErrorZIPSiBesoin(const wchar_t* pszNom, uint32_t dwSystemError, int eResultat) const {
    if (eResultat == 0) return;
    _CXErrorModule39 clErr(static_cast<uint32_t>(eResultat));
    if (clErr.nGetUserErrorCode() != 0) _ShowError(pszNom, dwSystemError, &clErr);
}

void CDataExtractor::_ShowError(const wchar_t* pszNom, uint32_t dwSystemError, const CXError* pclErr) const {
    CTString clTexte;
    if (pszNom != nullptr) DLLRES_bFormatMessage(&gstMyModuleInfo39, 4903, &clTexte, pszNom);
    if (pclErr != nullptr && pclErr->bIsError()) {
        clTexte.Add(L"\r\n");
        clTexte.Add(pclErr->pszGetSystemErrorMessage());
        clTexte.Add(L"\r\n\r\n");
        clTexte.Add(pclErr->pszGetUserMessage());
    } else {
        CCodePageCnvW clSysteme(strerror(static_cast<int>(dwSystemError)), -1, 65001);
        clTexte.Add(clSysteme.pszGet());
    }
    // Each report ends its line, so that the next one starts on its own.
    clTexte.Add(L"\n");
    INSTALLER_EcritErreur(clTexte.pszGet());
}
