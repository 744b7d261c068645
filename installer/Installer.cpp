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

void INSTALLER_EchappeControles(const wchar_t* pszTexte, CTString& clResultat) {
    clResultat.Vide();
    clResultat.Set(L"");
    if (pszTexte == nullptr) return;
    for (const wchar_t* p = pszTexte; *p != 0; p++) {
        const uint32_t c = static_cast<uint32_t>(*p);
        if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
            wchar_t sz[8];
            swprintf(sz, 8, L"\\x%02X", c);
            clResultat.Add(sz);
        } else {
            const wchar_t sz[2] = {*p, 0};
            clResultat.Add(sz);
        }
    }
}

void INSTALLER_EcritMessage(uint32_t nId) {
    CTString clTexte;
    DLLRES_bLoadString(&gstMyModuleInfo39, nId, &clTexte);
    clTexte.Add(L"\n\n");
    INSTALLER_EcritErreur(clTexte.pszGet());
}

namespace {

// Writes message nMessage with a name (its control characters escaped), and the system text of
// the error (8-bit text of code page 1252) when nErrno is not 0, and a line end after it.
void _ShowErreurNom(uint32_t nMessage, const wchar_t* pszNom, int nErrno) {
    CTString clNom;
    INSTALLER_EchappeControles(pszNom, clNom);
    CTString clTexte;
    if (nErrno != 0) {
        CCodePageCnvW clSysteme(strerror(nErrno), -1, 1252);
        DLLRES_bFormatMessage(&gstMyModuleInfo39, nMessage, &clTexte, clNom.pszGet(), clSysteme.pszGet());
    } else {
        DLLRES_bFormatMessage(&gstMyModuleInfo39, nMessage, &clTexte, clNom.pszGet());
    }
    clTexte.Add(L"\n");
    INSTALLER_EcritErreur(clTexte.pszGet());
}

// Message 4977: a file or directory that cannot be used, with the system's text.
constexpr uint32_t MSG_INUTILISABLE = 4977;
// Message 4978: a program directory that is not an absolute path.
constexpr uint32_t MSG_RELATIF = 4978;

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
        _ShowErreurNom(MSG_INUTILISABLE, szRepertoire, ENAMETOOLONG);
        return false;
    }
    // A relative value would be taken from whatever directory the program was started in.
    const bool bBlancsFinaux = szRepertoire[nLongueur - 1] == L' ' || szRepertoire[nLongueur - 1] == L'\t';
    const CTString clValeur(szRepertoire);
    CDiskFile::DirectoryWithEndSlash(szRepertoire);
    if (szRepertoire[0] != L'/') {
        _ShowErreurNom(MSG_RELATIF, clValeur.pszGet(), 0);
        return false;
    }

    CTString clBibliotheque(szRepertoire);
    clBibliotheque.Add(INSTALLER_BIBLIOTHEQUE);
    // The library itself, not what a link there would point at: its owner and mode are given to
    // every installed file.
    struct stat stBibliotheque {};
    int nErrno = 0;
    if (CDiskFile::Unix_lstat(clBibliotheque.pszGet(), &stBibliotheque) != 0)
        nErrno = errno;
    else if (S_ISLNK(stBibliotheque.st_mode))
        nErrno = ELOOP;
    if (nErrno != 0) {
        // The library goes by its bare name, unless the value ends in blanks: the report then shows
        // the whole path, so that the blanks the value carries are seen.
        _ShowErreurNom(MSG_INUTILISABLE, bBlancsFinaux ? clBibliotheque.pszGet() : INSTALLER_BIBLIOTHEQUE, nErrno);
        return false;
    }
    struct stat stRepertoire {};
    uint32_t nErrnoRepertoire = 0;
    if (CDiskFile::Unix_stat(szRepertoire, &stRepertoire, &nErrnoRepertoire) != 0) {
        _ShowErreurNom(MSG_INUTILISABLE, szRepertoire, static_cast<int>(nErrnoRepertoire));
        return false;
    }
    // A set-user-id or set-group-id bit on the library is not for the files installed beside it.
    const uint32_t nModeFichiers = stBibliotheque.st_mode & ~static_cast<uint32_t>(S_ISUID | S_ISGID);

    CDataExtractor clExtracteur(0);
    bool bOuverte =
        pszArchive != nullptr ? clExtracteur.bInitChemin(pszArchive) : clExtracteur.bInit(INSTALLER_ARCHIVE);
    if (!bOuverte) return false;
    return clExtracteur.bInstall(szRepertoire, stRepertoire.st_mode, stRepertoire.st_uid, stRepertoire.st_gid,
                                 nModeFichiers, stBibliotheque.st_uid, stBibliotheque.st_gid);
}

bool bDoInstall() {
    return bDoInstallFrom(INSTALLER_CONFIGURATION, nullptr);
}
