// CDataExtractor: extracts the installer's archive into the application server's program
// directory. It opens the archive (by default the one beside the program's executable) through the
// archive facade, checks every entry name before anything is written, then extracts the entries in
// order, each into a fresh temporary file beside its target that takes the target's place only once
// it is whole and has been given its owner and mode. Failures are reported on standard error with
// the installer's messages; the first failing entry ends the installation, entries already in
// place stay there.
#pragma once

#include <cstdint>

#include "installer/KXWinZip.h"

class CXError;

class CDataExtractor {
public:
    explicit CDataExtractor(int bDebug);
    ~CDataExtractor();
    CDataExtractor(const CDataExtractor&) = delete;
    CDataExtractor& operator=(const CDataExtractor&) = delete;

    // Opens pszNom + ".zip" in the directory of the running executable and reads its directory.
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

private:
    // Checks every entry before the first is written: its name (code 3) and the length of its target
    // path and of the temporary path beside it (code 2). Reports the first refused entry.
    bool _bVerifieEntrees(const wchar_t* pszRepertoire);
    bool _bInstalFile(const wchar_t* pszRepertoire, const wchar_t* pszEntree, uint32_t nMode, uint32_t nUid,
                      uint32_t nGid);
    // Extracts straight onto an existing regular file: a zero-length entry does not empty it.
    bool _bInstalVideSurPlace(const wchar_t* pszEntree, const wchar_t* pszCible, uint32_t nMode, uint32_t nUid,
                              uint32_t nGid);
    void _ShowError(const wchar_t* pszNom, uint32_t dwSystemError, const CXError* pclErr) const;
    void _ShowErrorZIPSiBesoin(const wchar_t* pszNom, uint32_t dwSystemError, int eResult) const;
    void _TraceDebug(int eResult) const;

    CKXWinZip m_clZip;
    int m_bDebug;
};
