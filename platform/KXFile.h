// CKXFile: a file of the system's own formats. Its content begins with a 20-byte header signed
// "ORL\0" that gives the file type, the writer's version and product code and the format word; the
// open checks the header of an existing file (signature, type, size) or writes a new one, and a
// header that does not fit closes the file with a report on the stream's error object. The header
// is a stored file format, pinned below to the byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/XFile.h"

// The header at the start of every typed file (little-endian).
struct _stENTETE_FICHIER_VELMAR {
    char szSignature[4];      // "ORL\0"
    uint32_t dwTailleEntete;  // header size: written 20, a reader accepts 20 or more and skips it
    uint32_t dwTypeFichier;   // file type
    uint16_t wReserve1;       // written 0
    uint8_t byVersion;        // writer's version, written 20
    uint8_t byCodeProduit;    // writer's product code
    uint16_t wFormat;         // the format given when the file was created
    uint16_t wReserve2;       // written 0
};
static_assert(sizeof(_stENTETE_FICHIER_VELMAR) == 20);
static_assert(offsetof(_stENTETE_FICHIER_VELMAR, dwTailleEntete) == 4);
static_assert(offsetof(_stENTETE_FICHIER_VELMAR, dwTypeFichier) == 8);
static_assert(offsetof(_stENTETE_FICHIER_VELMAR, wReserve1) == 12);
static_assert(offsetof(_stENTETE_FICHIER_VELMAR, byVersion) == 14);
static_assert(offsetof(_stENTETE_FICHIER_VELMAR, byCodeProduit) == 15);
static_assert(offsetof(_stENTETE_FICHIER_VELMAR, wFormat) == 16);
static_assert(offsetof(_stENTETE_FICHIER_VELMAR, wReserve2) == 18);

class CKXFile : public CXFile {
public:
    static constexpr uint32_t s_nTailleEntete = 20;     // size of the header this system writes
    static constexpr uint8_t s_byVersionCourante = 20;  // writer's version of the headers it writes
    static constexpr char s_szSignature[4] = {'O', 'R', 'L', '\0'};
    // Requested type that accepts the family of project files (2, 8, 258, 259); written as 2.
    static constexpr uint32_t s_dwTypeProjetGenerique = 0x20001;
    // Product code written into new headers.
    static uint8_t ms_byCodeProduitCourant;

    // dwTypeFichier: the type an open requires (0 = any type, taken from the file).
    explicit CKXFile(uint32_t dwTypeFichier = 0);
    CKXFile(IXStream* piStream, uint32_t dwTypeFichier);
    ~CKXFile() override;

    // ---- opening (the header is written or checked)
    int bOpen(const wchar_t* pszName, IXStream::eFORMAT eFormat, IXStream::eACCESS eAccess, IXStream::eSHARE eShare,
              IXStream::eCREATE eCreate, IXStream::eFLAG eFlag);
    // bNewHeader not 0 writes a new header whatever the creation mode.
    int bOpenEx(const wchar_t* pszName, IXStream::eFORMAT eFormat, IXStream::eACCESS eAccess, IXStream::eSHARE eShare,
                IXStream::eCREATE eCreate, IXStream::eFLAG eFlag, int bNewHeader);
    int bReopen(IXStream::eFORMAT eFormat, IXStream::eACCESS eAccess, IXStream::eSHARE eShare,
                IXStream::eCREATE eCreate, IXStream::eFLAG eFlag);

    // ---- virtual operations added after CXFile's, in slot order; on success *plPosition has moved
    // past the header
    virtual int bReadHeader(long* plPosition);
    virtual int bWriteHeader(long* plPosition);
    // Fills *pstHeader (the caller's record) and writes it.
    virtual int bWriteHeaderEx(long* plPosition, _stENTETE_FICHIER_VELMAR* pstHeader);

    // ---- what the header said (or what the next open requires)
    uint32_t dwGetTypeFichier() const { return m_dwTypeFichier; }
    void SetTypeFichier(uint32_t dwTypeFichier) { m_dwTypeFichier = dwTypeFichier; }
    uint8_t byGetCodeProduit() const { return m_byCodeProduit; }
    uint16_t wGetVersion() const { return m_wVersion; }
    uint32_t dwGetTailleEntete() const { return m_dwTailleEntete; }
    uint16_t wGetFormat() const { return m_wFormat; }

    // ---- file types and products
    static int bIdReconnu(uint32_t dwTypeFichier);
    static int s_bIsProjet(uint32_t dwTypeFichier);
    static const wchar_t* s_pszVerNomProduit(int nCodeProduit);
    // Product code of a file's header (its signature is not checked); 0 when the file is missing or
    // unreadable.
    static uint8_t byGetCodeProduit(const wchar_t* pszName);
    // Type of a typed file: 0 when it has no typed header, 0xFFFFFFFF when the name cannot be opened.
    // With a name, the file is opened on piStream (read, no lock, existing file) first.
    static uint32_t dwIdFichierInconnu(IXStream* piStream, const wchar_t* pszName);
    static uint32_t dwIdFichierInconnu(const wchar_t* pszName);

protected:
    // Builds a header failure on the stream's error object: level 3, system error 0, the debug
    // text, the user message with its arguments and the file name as information.
    void __SetErreurEntete(const wchar_t* pszDebug, uint32_t nMessageId, ...);
    int _bEcritOuLitEntete(int bEcrit);

    uint32_t m_dwTypeFichier;
    uint8_t m_byCodeProduit;
    uint16_t m_wVersion;
    uint16_t m_wReserve1;
    uint32_t m_dwTailleEntete;
    uint16_t m_wFormat;
    uint16_t m_wReserve2;

    friend struct CKXFileLayout;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CKXFileLayout {
    static_assert(offsetof(CKXFile, m_dwTypeFichier) == 20);
    static_assert(offsetof(CKXFile, m_byCodeProduit) == 24);
    static_assert(offsetof(CKXFile, m_wVersion) == 26);
    static_assert(offsetof(CKXFile, m_wReserve1) == 28);
    static_assert(offsetof(CKXFile, m_dwTailleEntete) == 32);
    static_assert(offsetof(CKXFile, m_wFormat) == 36);
    static_assert(offsetof(CKXFile, m_wReserve2) == 38);
    static_assert(sizeof(CKXFile) == 40);
};
#pragma GCC diagnostic pop
