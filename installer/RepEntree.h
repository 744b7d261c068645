// CRepEntree: one entry of an archive's directory (CRepertoire): the entry's path inside the
// archive, its sizes, its three times, its attribute word and its encryption (cipher number and the
// MD5 digest of the password). An entry owns nothing outside itself and no class derives from it,
// so the directory keeps entries in a plain byte array and moves them as bytes (pinned below). The entry also reads and
// writes its record of the directory's persistent format (little-endian):
//   u32 record size (40 + path bytes + 19), u32 uncompressed size, u32 compressed size,
//   three 8-byte file times (creation, modification, access), u32 attribute,
//   path in the system's 8-bit code page, 0, flag byte, cipher byte, 16-byte password digest.
#pragma once

#include <cstdint>
#include <type_traits>

#include "platform/DiskFile.h"

class CRepEntree final {
public:
    static constexpr int s_nMaxChemin = 260;
    static constexpr int s_nTailleMdp = 16;
    // Cipher number of an entry encrypted with the zip cipher.
    static constexpr uint8_t s_byCryptageZip = 2;
    // Bytes of a record after the path's terminating zero: flag, cipher, digest.
    static constexpr uint32_t s_nTailleQueue = 19;

    // Results of eEcrit.
    static constexpr int s_eOk = 0;
    static constexpr int s_eCheminNonConvertible = 1;
    static constexpr int s_eErreurEcriture = 5;

    // Everything an entry holds, apart from its table pointer: plain values only, so that a copy of
    // the bytes is a copy of the entry.
    struct _stChamps {
        wchar_t szChemin[s_nMaxChemin + 1];
        int64_t oTailleOriginale;
        int64_t oTailleCompresse;
        CDiskFile::_stXFILETIME stftCreation;
        CDiskFile::_stXFILETIME stftModif;
        CDiskFile::_stXFILETIME stftAcces;
        uint32_t dwAttribut;
        int bCrypte;
        uint8_t byFlag;
        uint8_t byCryptage;
        uint8_t abyMdp[s_nTailleMdp];
    };
    static_assert(std::is_trivially_copyable_v<_stChamps>);

    CRepEntree();
    CRepEntree(const CRepEntree& cl);
    CRepEntree& operator=(const CRepEntree& cl);
    CRepEntree(const wchar_t* pszChemin, int64_t oTailleOriginale, int64_t oTailleCompresse,
               const CDiskFile::_stXFILETIME* pstCreation, const CDiskFile::_stXFILETIME* pstModif,
               const CDiskFile::_stXFILETIME* pstAcces, uint32_t dwAttribut, int bCrypte, uint8_t byFlag,
               uint8_t byCryptage, const uint8_t* pbyMdp);
    virtual ~CRepEntree();

    // Every field at once (a null time or digest is cleared); always TRUE.
    int bConstruit(const wchar_t* pszChemin, int64_t oTailleOriginale, int64_t oTailleCompresse,
                   const CDiskFile::_stXFILETIME* pstCreation, const CDiskFile::_stXFILETIME* pstModif,
                   const CDiskFile::_stXFILETIME* pstAcces, uint32_t dwAttribut, int bCrypte, uint8_t byFlag,
                   uint8_t byCryptage, const uint8_t* pbyMdp);
    // From a file on disk, stored in the archive as pszNom: 2 when the file cannot be opened, 0 when
    // its attribute or times cannot be read, else 1. Callers keep the entry unless the result is 0.
    int bConstruit(const wchar_t* pszCheminDisque, const wchar_t* pszNom, int64_t oTailleCompresse);

    // Encrypted flag, cipher number and the digest of the password (null: the digest of no bytes).
    void SetCrypte(int bCrypte, uint8_t byCryptage, const wchar_t* pszMdp);
    // TRUE when the password's digest is the one stored.
    int bMdpOK(const wchar_t* pszMdp) const;
    // The digest the entry stores for a password: its code page 1252 bytes when the password goes
    // through 1252 and back unchanged, else its UTF-16 code units (little-endian); no terminator.
    static void s_CalculeMdp(const wchar_t* pszMdp, uint8_t* pbyDigest);

    // A directory placeholder: nothing compressed and a path that is empty or ends in "/".
    int bEstUnFichierFactice() const;

    static uint32_t dwTailleFixe() { return 40; }
    // The size of this entry's record (40 + path bytes + 19).
    uint32_t dwTaille() const;
    // Writes the record: 0, 1 when the path holds a character the 8-bit code page cannot hold
    // (nothing is written then), 5 when a time cannot be converted or a write fails.
    int eEcrit(CDiskFile& clFichier) const;
    // Reads one record; FALSE on a short read or a malformed record.
    int bLit(CDiskFile& clFichier);

    const wchar_t* pszLitChemin() const { return m_st.szChemin; }
    void ChangeChemin(const wchar_t* pszChemin);

    int64_t oLitTailleOriginale() const { return m_st.oTailleOriginale; }
    int64_t oLitTailleCompresse() const { return m_st.oTailleCompresse; }
    const CDiskFile::_stXFILETIME& stftLitFtCreation() const { return m_st.stftCreation; }
    const CDiskFile::_stXFILETIME& stftLitFtModif() const { return m_st.stftModif; }
    const CDiskFile::_stXFILETIME& stftLitFtAcces() const { return m_st.stftAcces; }
    uint32_t dwLitAttribut() const { return m_st.dwAttribut; }
    int bLitCrypte() const { return m_st.bCrypte; }
    uint8_t byLitFlag() const { return m_st.byFlag; }
    uint8_t byLitCryptage() const { return m_st.byCryptage; }
    const uint8_t* pbyLitMdp() const { return m_st.abyMdp; }

private:
    // The path in the system's 8-bit code page into pszOut (room for nRoom bytes); its length, or -1
    // when a character has no place in the code page or the text does not fit.
    int _nCheminAnsi(char* pszOut, int nRoom) const;

    _stChamps m_st;
};

// The directory stores entries in a byte array and moves them with memmove: sound only because an
// entry is its table pointer (the same for every entry, the class being final) followed by plain
// values that own nothing.
static_assert(sizeof(CRepEntree) == sizeof(void*) + sizeof(CRepEntree::_stChamps));
static_assert(alignof(CRepEntree::_stChamps) <= alignof(void*));
