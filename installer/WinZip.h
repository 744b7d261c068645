// CWinZip: the installer's zip archive reader. It finds the end-of-central-directory record (and
// the Zip64 records behind it), loads the central directory into a table with a case-insensitive
// name index, checks an entry's local header against its central record and delivers the entry's
// data, stored or raw-deflated through zlib, decrypted with the traditional zip cipher when the
// entry is encrypted, checking the CRC-32 at close. It reads through a CDiskFile bound by its owner
// (the archive facade). Every length and offset read from the archive is checked against the file
// before it is used, so a damaged or hostile archive fails with a result code instead of reading or
// allocating past what the file holds; the entry count must use up the central directory exactly,
// and a name that holds a zero byte or, flagged UTF-8, does not decode, makes the archive invalid. The writer-side
// helpers (header sizes, Zip64 blocks, encryption header, DOS dates) are kept for the archive family, though nothing
// here calls them.
#pragma once

#include <zlib.h>

#include <cstdint>

#include "core/TString.h"
#include "core/TTableau.h"
#include "installer/TemplateHashTableChaineI.h"

class CDiskFile;

// Broken-down date of an entry: month 1 to 12 as decoded from a DOS date, full year.
struct _sTMDATE {
    int32_t tm_sec;
    int32_t tm_min;
    int32_t tm_hour;
    int32_t tm_mday;
    int32_t tm_mon;
    int32_t tm_year;
};
static_assert(sizeof(_sTMDATE) == 24);

// One central-directory entry. Plain data (the table copies it as bytes); the comment is a
// separate allocation owned by the reader's table and freed when the table is emptied.
struct _stFICZIP {
    static constexpr int s_nMaxNom = 260;
    // The raw extra field kept with the entry: its first bytes (the Zip64 block is read from the
    // whole field at load time).
    static constexpr int s_nMaxExtra = 32;

    wchar_t szNom[s_nMaxNom + 1];
    uint8_t abyExtra[s_nMaxExtra];
    wchar_t* pszCommentaire;  // null when the entry has no comment
    uint64_t ulOffset;
    uint64_t ulOffsetPhys;
    _sTMDATE tmDate;
    uint64_t ulVersion;
    uint64_t ulVersionNeeded;
    uint64_t ulFlag;
    uint64_t ulCompressionMethod;
    uint64_t ulDosDate;
    uint64_t ulCRC;
    uint64_t ulCompressedSize;
    uint64_t ulUncompressedSize;
    uint32_t nSizeFilename;
    uint32_t nSizeFileExtra;
    uint32_t nSizeFileComment;
    uint32_t dwDiskNumStart;
    uint32_t dwInternalFA;
    uint32_t dwExternalFA;
    uint32_t bCrypte;
    uint32_t adwCryptHeader[12];
    uint32_t bUTF8;
};

class CWinZip {
public:
    // Result codes.
    static constexpr int ZIP_OK = 0;
    static constexpr int ZIP_BADZIPFILE = 3;
    static constexpr int ZIP_NOCURRENTFILE = 4;
    static constexpr int ZIP_ERRNO = 5;
    static constexpr int ZIP_CRCERROR = 13;
    static constexpr int ZIP_BADPASSWORD = 14;
    static constexpr int ZIP_END_OF_LIST = 1002;

    // Size of the input block of an entry's data stream.
    static constexpr uint32_t s_nTailleBufferLecture = 16384;
    // Size of the read-ahead window over the archive file.
    static constexpr uint32_t s_nTailleCache = 65536;
    // The end record is searched for in at most this many bytes at the end of the file.
    static constexpr uint32_t s_nRechercheMax = 65535;

    CWinZip();
    ~CWinZip();
    CWinZip(const CWinZip&) = delete;
    CWinZip& operator=(const CWinZip&) = delete;

    // The file read through (not owned); null unbinds.
    void SetDiskFile(CDiskFile* pclFichier);
    // Count of bytes before the archive in the file; OuvreZip computes it again.
    void SetOffsetDepart(long nOffset);

    // Resets the reader, remembers the path, reads the end records and the central directory.
    int OuvreZip(const wchar_t* pszChemin, int nInutilise = 0);

    int FirstFile();
    int NextFile(int bPremier);
    int LocateFile(const wchar_t* pszNom, int bExact);

    int OpenCurrentFileInZip();
    bool bReadCurrentFileInZip(void* pBuffer, unsigned int nTaille, unsigned long* pnLu);
    int CloseCurrentFileInZip(int bVerifie, int nInutilise = 0);

    // The current entry (no current entry: empty name, zeros).
    const wchar_t* CurrentFile_szName();
    uint64_t CurrentFile_dwTailleNonCompress() const;
    uint64_t CurrentFile_dwTailleCompress() const;
    _sTMDATE CurrentFile_tmDate() const;
    uint64_t CurrentFile_ulOffsetPhys() const;
    uint32_t CurrentFile_dwDisque() const;
    uint32_t CurrentFile_ulFlag() const;
    bool CurrentFile_bCrypte() const;
    const wchar_t* CurrentFile_szExtZip(unsigned int nVolume);

    bool bSetPassword(const wchar_t* pszPassword);
    const wchar_t* pszGetPassword() const;
    bool bSetNiveauCompression(int nNiveau);
    int nGetNiveauCompression() const { return m_nNiveauCompression; }
    int bEntete64Bits(int b64Bits);
    void SetUnicode(int bUnicode) { m_bUnicode = bUnicode; }

    // Whether the file is a zip archive (has an end record); opens and closes a file of its own.
    bool bFichierZip(const wchar_t* pszChemin);

    // Reading state, for the archive facade and the tests.
    uint32_t nGetNbFichier() const { return static_cast<uint32_t>(m_tabFichiers.nGetNbElement()); }
    uint64_t ulGetOffsetDepart() const { return m_ulOffsetDepart; }
    uint64_t ulGetPosEndRecord() const { return m_ulPosEndRecord; }
    uint64_t ulGetNbEntreesTotal() const { return m_ulNbEntreesTotal; }
    const wchar_t* pszGetCommentaire() const { return m_sCommentaire.pszGet(); }
    const _stFICZIP* pstGetCurrentFile() const { return m_pstCourant; }
    bool bNomsOEM() const { return m_bNomsOEM != 0; }
    // The system's error code (errno) of the read that made the last open or read fail; 0 when it
    // failed on the archive's contents (bytes missing, damaged data) rather than on the system.
    uint32_t dwGetErreurSysteme() const { return m_dwErreurSysteme; }

    // ---- traditional zip cipher
    void InitKeys(const wchar_t* pszPassword);
    void UpdateKeys(uint8_t c);
    uint8_t DecryptByte() const;
    void DecryptBuffer(uint8_t* pby, uint32_t n);
    void CryptEncodeBuffer(uint8_t* pby, uint32_t n);
    // Makes the 12-byte encryption header of an entry of that CRC (keys started from the password).
    void CryptCryptHeader(uint32_t dwCRC, uint8_t* pbyHeader);

    // ---- writer-side helpers
    uint32_t _bEcritEnteteZip() const;
    uint32_t _bEcritEnteteDir(_stFICZIP* pstEntree) const;
    uint32_t _bEcritEnteteLocaleDir(const _stFICZIP* pstEntree) const;
    // DOS date-time from a date whose month counts from 0 and whose year is full.
    static uint32_t _TmDateToDosDate(const _sTMDATE* pstDate);
    static void s_DosDateToTmDate(uint32_t dwDosDate, _sTMDATE* pstDate);
    static uint32_t _GetTimeCreation(const wchar_t* pszChemin);
    // 8-bit text between the ANSI and the OEM code pages, when names are OEM; the result is held
    // by the reader until the next call.
    const char* _AnsiOem(const char* pszTexte, int bVersOem);

private:
    void _Reset();
    void _VideTable();
    uint64_t _ulChercheEndRecord();
    int _nLitEndRecords();
    int _nChargeRepertoire();
    int _nLitEnteteCentral(uint64_t ulPosition, _stFICZIP* pst, uint64_t* pulTaille);
    int _nVerifieEnteteLocal();
    bool _bLit(uint64_t ulPosition, void* pBuffer, uint32_t nTaille);
    void _FermeFlux();

    CDiskFile* m_pclFichier = nullptr;
    uint64_t m_ulTailleFichier = 0;
    int m_b64Bits = 0;
    int m_nNiveauCompression = 6;

    uint64_t m_ulNumeroDisque = 0;
    uint64_t m_ulDisqueRepertoire = 0;
    uint64_t m_ulNbEntreesDisque = 0;
    uint64_t m_ulNbEntreesTotal = 0;
    uint64_t m_ulTailleRepertoire = 0;
    uint64_t m_ulOffsetRepertoire = 0;
    uint64_t m_ulTailleCommentaire = 0;
    CTString m_sCommentaire;
    CTString m_sPassword;
    uint32_t m_adwKeys[3] = {0, 0, 0};
    uint64_t m_ulPosEndRecord = ~0ull;
    uint64_t m_ulOffsetDepart = 0;
    uint32_t m_dwErreurSysteme = 0;
    // The read-ahead window: m_nCache bytes of the file from m_ulPosCache (none when 0).
    uint8_t* m_pbyCache = nullptr;
    uint64_t m_ulPosCache = 0;
    uint32_t m_nCache = 0;

    // The current entry's data stream.
    uint8_t* m_pbyBufferLecture = nullptr;
    z_stream m_stZ{};
    uint64_t m_ulPosDonnees = 0;
    uint64_t m_ulResteCompresse = 0;
    uint64_t m_ulResteNonCompresse = 0;
    uint32_t m_dwCRCAttendu = 0;
    uint32_t m_dwCRC = 0;
    uint64_t m_ulMethode = 0;
    int m_bCrypte = 0;
    uint64_t m_ulOffsetExtraLocal = 0;
    uint32_t m_nTailleExtraLocal = 0;
    int m_bRaw = 0;
    int m_bInflateDemarre = 0;
    int m_bInflateAlloue = 0;  // the inflate state, made once and reset for each entry
    int m_bOuvert = 0;

    CTTableau<_stFICZIP> m_tabFichiers;
    CTemplateHashTableChaineI m_clIndex;
    _stFICZIP* m_pstCourant = nullptr;
    int m_nPosition = 0;
    CTString m_sChemin;
    int m_bNomsOEM = 1;
    int m_bUnicode = 0;
    CTString m_sExtZip;
    char* m_pszAnsiOem = nullptr;
    wchar_t m_szNomCourant[_stFICZIP::s_nMaxNom + 1] = {};
};
