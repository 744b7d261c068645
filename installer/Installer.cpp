// The installation procedure (bDoInstall) and the installer's writes on standard error.
#include "installer/Installer.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cwchar>

#include "core/CodePageCnvW.h"
#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/platformwin/WinCodePage.h"
#include "installer/DataExtractor.h"
#include "platform/DiskFile.h"
#include "platform/WinProfile.h"

void INSTALLER_EcritErreurA(const char* pszTexte) {
    if (pszTexte == nullptr) return;
    fwrite(pszTexte, 1, strlen(pszTexte), stderr);
    fflush(stderr);
}

void INSTALLER_EcritErreur(const wchar_t* pszTexte) {
    if (pszTexte == nullptr || pszTexte[0] == 0) return;
    int nOctets = WideCharToMultiByte(CP_UTF8, 0, pszTexte, -1, nullptr, 0, nullptr, nullptr);
    if (nOctets <= 0) return;
    char* pszUTF8 = new char[static_cast<size_t>(nOctets)];
    if (WideCharToMultiByte(CP_UTF8, 0, pszTexte, -1, pszUTF8, nOctets, nullptr, nullptr) > 0)
        INSTALLER_EcritErreurA(pszUTF8);
    delete[] pszUTF8;
}

void INSTALLER_EcritMessage(uint32_t nId) {
    CTString clTexte;
    DLLRES_bLoadString(&gstMyModuleInfo39, nId, &clTexte);
    clTexte.Add(L"\n\n");
    INSTALLER_EcritErreur(clTexte.pszGet());
}

namespace {

// Writes message 4977 for a name that cannot be used, with the system text of the error (8-bit text
// of code page 1252), and a line end after it.
void _ShowErreurNom(const wchar_t* pszNom, int nErrno) {
    CCodePageCnvW clSysteme(strerror(nErrno), -1, 1252);
    CTString clTexte;
    DLLRES_bFormatMessage(&gstMyModuleInfo39, 4977, &clTexte, pszNom, clSysteme.pszGet());
    clTexte.Add(L"\n");
    INSTALLER_EcritErreur(clTexte.pszGet());
}

}  // namespace

bool bDoInstallFrom(const wchar_t* pszConfiguration, const wchar_t* pszArchive) {
    // One character more than the value may hold: room for the end slash added below.
    wchar_t szRepertoire[INSTALLER_TAILLE_BINPATH + 1];
    GetPrivateProfileString(INSTALLER_SECTION, INSTALLER_CLE_BINPATH, L"", szRepertoire, INSTALLER_TAILLE_BINPATH,
                            pszConfiguration);
    size_t nLongueur = wcslen(szRepertoire);
    if (nLongueur == 0) {
        CTString clTexte;
        DLLRES_bFormatMessage(&gstMyModuleInfo39, 4976, &clTexte);
        clTexte.Add(L"\n");
        INSTALLER_EcritErreur(clTexte.pszGet());
        return false;
    }
    // A value that fills the buffer may have been cut, and would then name another directory; no
    // file path under it would fit the file layer's limit anyway.
    if (nLongueur >= INSTALLER_TAILLE_BINPATH - 1) {
        _ShowErreurNom(szRepertoire, ENAMETOOLONG);
        return false;
    }
    CDiskFile::DirectoryWithEndSlash(szRepertoire);

    CTString clBibliotheque(szRepertoire);
    clBibliotheque.Add(INSTALLER_BIBLIOTHEQUE);
    struct stat stBibliotheque {};
    uint32_t nErrno = 0;
    if (CDiskFile::Unix_stat(clBibliotheque.pszGet(), &stBibliotheque, &nErrno) != 0) {
        _ShowErreurNom(INSTALLER_BIBLIOTHEQUE, static_cast<int>(nErrno));
        return false;
    }
    struct stat stRepertoire {};
    if (CDiskFile::Unix_stat(szRepertoire, &stRepertoire, &nErrno) != 0) {
        _ShowErreurNom(szRepertoire, static_cast<int>(nErrno));
        return false;
    }

    CDataExtractor clExtracteur(0);
    bool bOuverte =
        pszArchive != nullptr ? clExtracteur.bInitChemin(pszArchive) : clExtracteur.bInit(INSTALLER_ARCHIVE);
    if (!bOuverte) return false;
    return clExtracteur.bInstall(szRepertoire, stRepertoire.st_mode, stRepertoire.st_uid, stRepertoire.st_gid,
                                 stBibliotheque.st_mode, stBibliotheque.st_uid, stBibliotheque.st_gid);
}

bool bDoInstall() {
    return bDoInstallFrom(INSTALLER_CONFIGURATION, nullptr);
}
