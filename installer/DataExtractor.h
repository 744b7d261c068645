// CDataExtractor: extracts the installer's archive into the application server's program
// directory. It opens the archive (by default the one beside the program's executable) through the
// archive facade, checks every entry name before anything is written, then extracts the entries in
// order. The installer runs as root in a directory whose files belong to another user, so nothing
// it writes is ever reachable by name before it is finished: sub-directories are walked from an
// open descriptor of the program directory, one component at a time and never through a symbolic
// link (made 0755 when missing); each file is written into a fresh temporary file of mode 0600
// beside its target, given the library's owner and then its mode on the open descriptor, and only
// then renamed over the target. Failures are reported on standard error with the installer's
// messages and the system's text; the first failing entry ends the installation, entries already
// in place stay there.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <ctime>

#include "core/TString.h"
#include "installer/KXWinZip.h"

class CXError;

class CDataExtractor {
public:
    explicit CDataExtractor(int bDebug);
    ~CDataExtractor();
    CDataExtractor(const CDataExtractor&) = delete;
    CDataExtractor& operator=(const CDataExtractor&) = delete;

    // Opens pszNom + ".zip" in the directory of the running executable and reads its directory.
    // Refused when the executable's path does not fit the file layer's 260 characters: a cut path
    // would name a parent directory, and the archive of that one.
    bool bInit(const wchar_t* pszNom);
    // Opens the archive at the given path and reads its directory; reports a failure.
    bool bInitChemin(const wchar_t* pszArchive);

    // Creates the target directory (with its parents) and gives it its owner and mode, then installs
    // every entry of the archive under it: files get the given file owner and mode. Refuses the whole
    // archive, writing nothing, when one of its names is unsafe or too long.
    bool bInstall(const wchar_t* pszRepertoire, uint32_t nModeRep, uint32_t nUidRep, uint32_t nGidRep,
                  uint32_t nModeFic, uint32_t nUidFic, uint32_t nGidFic);

    // Prefix of the temporary files made beside the targets (a dot keeps them out of listings).
    static constexpr const wchar_t* s_pszPrefixeTemp = L".pginst";
    // Mode of the sub-directories the installation makes, whatever the file-creation mask.
    static constexpr mode_t s_nModeSousRepertoire = 0755;

private:
    // Checks every entry before the first is written: its name (code 3) and the length of its target
    // path and of the temporary path beside it (code 2). Reports the first refused entry.
    bool _bVerifieEntrees(const wchar_t* pszRepertoire);
    // Installs the entry at that index of the archive's directory.
    bool _bInstalFile(const wchar_t* pszRepertoire, long nIndice, uint32_t nMode, uint32_t nUid, uint32_t nGid);
    // The descriptor of the sub-directory (a relative path, "\" or "/" separators; empty for the
    // target directory itself), made when missing; -1 after a report when a component is a link or
    // cannot be made or opened. The last one is kept open for the entries that follow it.
    int _nOuvreSousRepertoire(const wchar_t* pszRepertoire, const wchar_t* pszSousRepertoire);
    // A zero-length entry over an existing regular file with a single link: the file keeps its
    // content and takes the owner and mode (its earlier mode is put back when they cannot be set).
    // 1 done, 0 failed (reported), -1 when the target is not such a file (the caller replaces it).
    int _nInstalVideSurPlace(int nRepertoire, const char* pszFeuille, const wchar_t* pszCible,
                             const CRepEntree& clEntree, uint32_t nMode, uint32_t nUid, uint32_t nGid);
    // Writes the entry into a fresh temporary file beside the target, gives it its times, owner and
    // mode, and renames it over the target; the temporary file is removed on any failure.
    bool _bInstalParFichierTemporaire(int nRepertoire, const char* pszFeuille, const wchar_t* pszEntree,
                                      const wchar_t* pszCible, const CRepEntree& clEntree, uint32_t nMode,
                                      uint32_t nUid, uint32_t nGid);
    void _FermeRepertoires();
    // The access and modification times of an entry for futimens; FALSE when they cannot be
    // converted.
    bool _bTempsEntree(const CRepEntree& clEntree, struct timespec ats[2]);
    bool _bTempsMemorise(const CDiskFile::_stXFILETIME& st, struct timespec* pts);
    void _ShowError(const wchar_t* pszNom, uint32_t dwSystemError, const CXError* pclErr) const;
    void _ShowErrorZIPSiBesoin(const wchar_t* pszNom, uint32_t dwSystemError, int eResult) const;
    // The report of a failed extraction, with what the facade tells of its cause.
    void _ShowErrorExtraction(const wchar_t* pszEntree, int eResult) const;
    void _TraceDebug(int eResult) const;

    CKXWinZip m_clZip;
    int m_bDebug;
    // The target directory, and the sub-directory last walked to with its path below the target.
    int m_nRepertoire = -1;
    int m_nSousRepertoire = -1;
    CTString m_sSousRepertoire;
    // The generator of temporary names (0 until seeded).
    uint64_t m_qGraine = 0;
    // The last entry time converted.
    bool m_bTempsMemorise = false;
    CDiskFile::_stXFILETIME m_stTempsMemorise{};
    struct timespec m_tsTempsMemorise {};
};
