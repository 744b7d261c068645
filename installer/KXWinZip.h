// CKXWinZip: the zip archive of the archive family. It opens a zip archive with the reader
// CWinZip, copies the reader's central directory into its own CRepertoire (paths with "\"
// separators, directories left out), and extracts an entry by name to a file or into a byte
// buffer, giving an extracted file the entry's times and attribute, or into a stream its caller
// opened. Extraction to a file refuses entry names that would leave the target's directory, never
// writes through a symbolic link found at the target, and reports a write that did not reach the
// file. After a failure it tells what lay behind it: the system's error, or the reader's result.
#pragma once

#include "installer/KXZipBase.h"
#include "installer/WinZip.h"

class IXStream;

class CKXWinZip : public CKXZipBase {
public:
    // Size of the copy buffer between the reader and the target.
    static constexpr uint32_t s_nTailleBufferCopie = 32768;

    CKXWinZip();
    ~CKXWinZip() override;

    _eKXzipResult eOuvreArchive(const wchar_t* pszChemin, unsigned int nFlags, long lOffsetDepart) override;
    _eKXzipResult eExtraitFichier(const wchar_t* pszNom, const wchar_t* pszCible, unsigned long ulInutilise,
                                  HWND hJauge, int nInutilise, int nFlags) override;
    _eKXzipResult eExtraitFichier(const wchar_t* pszNom, CVQBIN* pclBuffer, unsigned long ulInutilise, HWND hJauge,
                                  int nInutilise) override;
    uint32_t dwNombreFichier() override;
    void ForceRepVideAlaFin() override;
    const wchar_t* pszNomFichier(long nIndex) override;
    uint32_t dwTailleOriginale(long nIndex) override;
    uint32_t dwTailleCompresse(long nIndex) override;
    uint32_t dwLitAttribut(long nIndex) override;
    long lRangFichier(const wchar_t* pszNom) override;
    _eKXzipResult eMotDePasse(const wchar_t* pszMotDePasse) override;
    _eKXzipResult eGetMotDePasse(CXYString<wchar_t>& clMotDePasse) override;
    _eKXzipResult eNiveauCompression(int nNiveau) override;
    _eKXzipResult eGetNiveauCompression(int& nNiveau) override;
    int bEntete64Bits(int bOn) override;
    void vSetNomFicUnicode(int bOn) override;

    // Fills the directory from the reader's central directory.
    _eKXzipResult eLitRepertoireMono();

    // Extracts the entry into a stream the caller has opened, and nothing more: no time, no
    // attribute, no close. For a caller that makes the file itself and puts it in place once it is
    // whole (the installer). A zero-length entry writes nothing. Results as eExtraitFichier.
    _eKXzipResult eExtraitVersFlux(const wchar_t* pszNom, IXStream* pclCible, int nFlags);

    // What lies behind the last failure, for a report: the system's error code (errno) of the call
    // that failed, 0 when the archive's contents failed rather than the system; and the reader's own
    // result behind the facade's (CWinZip::ZIP_CRCERROR for a CRC mismatch, which the facade gives
    // as 30 like a read failure), 0 when the reader did not fail.
    uint32_t dwGetErreurSysteme() const { return m_dwErreurSysteme; }
    int nGetResultatLecteur() const { return m_nResultatLecteur; }

    CWinZip& clGetWinZip() { return m_clWinZip; }

private:
    // Finds the name in the directory: its uncompressed size, or the failure (1000, 1).
    _eKXzipResult _ePrepare(const wchar_t* pszNom, int64_t* poTaille, const CRepEntree** ppclEntree);
    // Makes the reader's entry of that name current and opens it (5, 21, 3).
    _eKXzipResult _eOuvreEntree(const wchar_t* pszNom, int bExact);
    // Copies the open entry into the stream, at most oTaille bytes; *poEcrit counts what was written.
    _eKXzipResult _eExtraireFichier(IXStream* pclCible, int64_t oTaille, int64_t* poEcrit);
    // A zero-length entry: an empty file (an existing one keeps its content) or a directory.
    _eKXzipResult _eExtraireFichierVide(const wchar_t* pszCible, CDiskFile& clCible, const CRepEntree& clEntree,
                                        int64_t* poEcrit);
    // Removes a symbolic link found at the target, so that the file is made in its place rather than
    // at the link's destination; FALSE when the link cannot be removed.
    static int _bRetireLien(const wchar_t* pszCible);

    // Clears what lies behind the last failure, at the start of an operation.
    void _EffaceCause() {
        m_dwErreurSysteme = 0;
        m_nResultatLecteur = 0;
    }
    // Notes errno as the system's error behind the failure now being returned.
    void _NoteErreurSysteme();

    CWinZip m_clWinZip;
    int m_b64Bits = 0;
    uint32_t m_dwErreurSysteme = 0;
    int m_nResultatLecteur = 0;
    uint8_t* m_pbyCopie = nullptr;  // the copy buffer, made at the first extraction
};
