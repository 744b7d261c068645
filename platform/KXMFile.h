// CKXMFile: a typed file of numbered text messages. After the typed header come the format version,
// a block of a given size that this reader skips, the index (a count, then 12-byte entries sorted by
// message number: number and record offset) and the records (one byte, a 32-bit length and the
// text, in code page 1252 before format version 2, in UTF-8 from it). The index is read once per
// opened file and searched by halves; single messages are loaded by number. Counts and lengths read
// from the file are checked against its size, so a damaged file fails instead of being trusted.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/KXFile.h"

class CTString;

// One index entry of a message file, as stored: 12 bytes, no padding.
#pragma pack(push, 4)
struct _stINDEX_MESSAGE {
    uint32_t nNumero;  // message number
    uint64_t oOffset;  // record offset from the start of the records area
};
#pragma pack(pop)
static_assert(sizeof(_stINDEX_MESSAGE) == 12);
static_assert(offsetof(_stINDEX_MESSAGE, oOffset) == 4);

class CKXMFile : public CKXFile {
public:
    CKXMFile();
    ~CKXMFile() override;

    // Reads the typed header, then the format version and the size of the block that follows.
    int bReadHeader(long* plPosition) override;

    // TRUE when the file opens as a message file and its index loads.
    int bVerifieFormat(const wchar_t* pszName);
    // The text of message nNumero; FALSE when the index cannot be loaded, the number is missing or
    // the record cannot be read.
    int bLoadString(uint32_t nNumero, CTString* pclText);
    // The same into pszBuffer (at most nSize - 1 characters, terminated); answers the record's
    // length in bytes, 0 on failure.
    int nLoadString(uint32_t nNumero, wchar_t* pszBuffer, int nSize);
    // Forgets the index and what the header said of it (the code page stays).
    void Purge();

    uint32_t nGetVersionFormat() const { return m_nVersionFormat; }
    uint32_t nGetCodePage() const { return m_nCodePage; }
    uint32_t nGetNbIndex() const { return m_nNbIndex; }

protected:
    int _bChargeIndex();
    // Position of the record of nNumero in the file; 0 when the number is not in the index.
    uint64_t _oChercheMessage(uint32_t nNumero) const;
    // Reads the text of message nNumero into a new zero-terminated block (freed with free) and
    // gives its length in bytes; null on failure.
    char* _pszLitMessage(uint32_t nNumero, uint32_t* pnLongueur);

    uint32_t m_nTailleBloc;        // size of the block after the format version
    uint64_t m_oPosIndex;          // where the index starts; once it is loaded, where the records start
    uint32_t m_nNbIndex;           // entries in the index
    _stINDEX_MESSAGE* m_pstIndex;  // the loaded index, owned
    uint32_t m_nVersionFormat;     // format version of the file
    uint32_t m_nCodePage;          // code page of the texts
    int m_bChargementTente;        // a load of the index was attempted

    friend struct CKXMFileLayout;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CKXMFileLayout {
    static_assert(offsetof(CKXMFile, m_nTailleBloc) == 40);
    static_assert(offsetof(CKXMFile, m_oPosIndex) == 48);
    static_assert(offsetof(CKXMFile, m_nNbIndex) == 56);
    static_assert(offsetof(CKXMFile, m_pstIndex) == 64);
    static_assert(offsetof(CKXMFile, m_nVersionFormat) == 72);
    static_assert(offsetof(CKXMFile, m_nCodePage) == 76);
    static_assert(offsetof(CKXMFile, m_bChargementTente) == 80);
    static_assert(sizeof(CKXMFile) == 88);
};
#pragma GCC diagnostic pop
