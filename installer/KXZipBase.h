// CKXZipBase: the abstract archive of the archive family. It holds the archive's path, the archive
// file, the archive's directory (CRepertoire), the last result code and a recursive mutex, and
// answers questions about the entries by their index in the directory. An implementation (the zip
// facade CKXWinZip) opens the archive, fills the directory and extracts entries. The order of the
// virtual operations is the family's interface and is pinned by the tests.
#pragma once

#include <pthread.h>

#include <cstdint>

#include "core/TString.h"
#include "installer/Repertoire.h"
#include "platform/DiskFile.h"
#include "platform/WinProcess.h"

class CVQBIN;
template <typename T>
class CXYString;

// The archive family's result codes.
enum _eKXzipResult : int {
    eKXzipOk = 0,
    eKXzipOuvertureArchive = 1,  // the archive cannot be opened, or the name is not in the directory
    eKXzipOuvertureFichier = 2,  // a file (target, stream, directory) cannot be opened or created
    eKXzipArchiveInvalide = 3,   // not a zip archive, damaged header or entry, short or failed write
    eKXzipFichierAbsent = 5,     // the reader finds no entry of that name
    eKXzipMemoire = 9,           // no memory for a buffer
    eKXzipMotDePasse = 21,       // wrong password
    eKXzipNiveauCompression = 28,
    eKXzipLecture = 30,  // the entry's data cannot be read, or their CRC-32 differs
    eKXzipPasOuverte = 1000,
};

class CKXZipBase {
public:
    // Flags of the extraction to a file.
    static constexpr int s_nSupprimeCible = 0x40;  // delete an existing target file first
    static constexpr int s_nNomExact = 0x8000;     // the reader matches the name exactly
    static constexpr uint32_t s_dwAttributRepertoire = 0x4000;

    CKXZipBase();
    virtual ~CKXZipBase();
    CKXZipBase(const CKXZipBase&) = delete;
    CKXZipBase& operator=(const CKXZipBase&) = delete;

    // ---- virtual operations, in the family's slot order
    virtual _eKXzipResult eOuvreArchive(const wchar_t* pszChemin, unsigned int nFlags, long lOffsetDepart) = 0;
    virtual void Lock(int bOn);
    virtual void LockEcritureOuvertEnLecture(int bOn);
    virtual void LockLectureEcritureOuvertEnLectureEcriture(int bOn);
    virtual _eKXzipResult eExtraitFichier(const wchar_t* pszNom, const wchar_t* pszCible, unsigned long ulInutilise,
                                          HWND hJauge, int nInutilise, int nFlags) = 0;
    virtual _eKXzipResult eExtraitFichier(const wchar_t* pszNom, CVQBIN* pclBuffer, unsigned long ulInutilise,
                                          HWND hJauge, int nInutilise) = 0;
    virtual uint32_t dwNombreFichier();
    virtual int nTypeZip();
    virtual void ForceRepVideAlaFin();
    virtual const wchar_t* pszNomFichier(long nIndex);
    virtual uint32_t dwTailleOriginale(long nIndex);
    virtual uint32_t dwTailleCompresse(long nIndex);
    virtual CDiskFile::_stXFILETIME stftLitFtCreation(long nIndex);
    virtual CDiskFile::_stXFILETIME stftLitFtAcces(long nIndex);
    virtual CDiskFile::_stXFILETIME stftLitFtModif(long nIndex);
    virtual uint32_t dwLitAttribut(long nIndex);
    virtual int bCrypte(long nIndex);
    virtual long lRangFichier(const wchar_t* pszNom);
    virtual _eKXzipResult eMotDePasse(const wchar_t* pszMotDePasse) = 0;
    virtual _eKXzipResult eGetMotDePasse(CXYString<wchar_t>& clMotDePasse) = 0;
    virtual _eKXzipResult eNiveauCompression(int nNiveau) = 0;
    virtual _eKXzipResult eGetNiveauCompression(int& nNiveau) = 0;
    virtual int bEntete64Bits(int bOn) = 0;
    virtual void vSetNomFicUnicode(int bOn) = 0;
    virtual void SetPourcentGlobal(unsigned int nPourcent);

    // ---- other operations
    // The entry's line: path, sizes, the three times, hidden mark and encryption mark, tab-separated.
    // 1 for an index at or beyond the number of files.
    _eKXzipResult eGetInfoFichier(long nIndex, CTString& clTexte);
    _eKXzipResult eGetDernierResultat() const { return m_eResultat; }
    // For callers that share one archive between threads; the extractions do not take it.
    int bDebutSectionCritique();
    void FinSectionCritique();
    // Any file is accepted as the family's header.
    _eKXzipResult eVerifieEntete(CDiskFile& clFichier);
    _eKXzipResult eLitEntete(CDiskFile& clFichier);
    // Empties the directory, unlocks and closes the archive file.
    void Term();

    // TRUE when an entry's name may be joined to a target directory: not absolute, no ".."
    // component and no control character (C0, DEL or C1: U+0080 to U+009F), "\" and "/" both
    // taken as separators. A name that fails
    // would write outside the directory it is extracted into.
    static int bNomFichierSur(const wchar_t* pszNom);
    // The index of the first entry whose name is not safe (bNomFichierSur), -1 when all are; lets
    // a caller refuse a hostile archive before anything is written.
    long lPremierNomDangereux();

    CRepertoire& clGetRepertoire() { return m_clRepertoire; }
    int bArchiveOuverte() const { return m_bArchiveOuverte; }
    int nGetModeOuverture() const { return m_nModeOuverture; }
    int bFichierVerrouille() const { return m_bFichierVerrouille; }
    CDiskFile& clGetFichierArchive() { return m_clFichierArchive; }

protected:
    _eKXzipResult _eResultat(_eKXzipResult e) {
        m_eResultat = e;
        return e;
    }
    // The progress gauge of the archive family; nothing is shown here.
    int _bGestionJauge() { return 1; }

    CTString m_sCheminArchive;
    int m_nReserve1 = 0;
    int m_nModeOuverture = 1;  // bit 0 of the open flags
    int m_bArchiveOuverte = 0;
    CRepertoire m_clRepertoire;
    int m_nReserve2 = 0;
    int m_nReserve3 = 0;
    _eKXzipResult m_eResultat = eKXzipOk;
    CTString m_sCheminCible;
    CDiskFile m_clFichierArchive;
    int m_bFichierVerrouille = 0;
    long m_lOffsetDepart = 0;
    int m_nTypeZip = -1;
    unsigned int m_nPourcentGlobal = 0;
    CTString m_sTexte;
    pthread_mutex_t m_stMutex;
};
