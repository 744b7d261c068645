// CFileVersion: the version block a build step embeds in a program file between two markers, read
// from the mapped file and kept as a copy, and the key/value texts it holds. CFileRessource reads
// resource blocks the same way with other markers.
#pragma once

#include <cstdint>

#include "core/XYString.h"

class CFileVersion {
public:
    CFileVersion() = default;
    ~CFileVersion();
    CFileVersion(const CFileVersion&) = delete;
    CFileVersion& operator=(const CFileVersion&) = delete;

    // Drops the block held, then looks for the first block of at least FILEVERSION_BLOC_MIN bytes
    // between "VersionInfoMarkStart" (with its zero byte) and "VersionInfoMarkEnd"; shorter blocks
    // are passed over. True when a block is held.
    bool bLoad(const wchar_t* pszPath);

    // The value of a key (compared ignoring case, from every byte position of the block, so the
    // end of a longer key also matches): its address in the block (zero-terminated) and its length
    // without terminator. False when no block is held or the key is not there.
    bool bGetBinaryValue(const wchar_t* pszKey, const char** ppValue, uint32_t* pnLength) const;
    // The same value read as code page 1252 text.
    bool bGetStringValue(const wchar_t* pszKey, CXYString<wchar_t>& clValue) const;

    // Blocks shorter than this are not version blocks.
    static constexpr uint32_t FILEVERSION_BLOC_MIN = 35;

protected:
    // The search of bLoad with the given markers (start marker with its terminator).
    bool _bLoad(const wchar_t* pszPath, const char* pszDebut, uint32_t nDebut, const char* pszFin, uint32_t nFin);
    void _Vide();

    unsigned char* m_pbyBloc = nullptr;  // the copied block, followed by one zero byte of our own
    uint32_t m_nTailleBloc = 0;
};
