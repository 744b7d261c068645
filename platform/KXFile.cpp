// CKXFile: typed files. The open writes the 20-byte header of a new file or checks the header of an
// existing one; the checks (signature, type, header size) and a short header write are reported on
// the stream's error object with the message of the fault and the file name, and close the file.
#include "platform/KXFile.h"

#include <bit>
#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <cwchar>

#include "core/MyModuleInfo.h"
#include "core/XError.h"
#include "platform/DiskFile.h"

// The header is written and read as it lies in memory.
static_assert(std::endian::native == std::endian::little);

uint8_t CKXFile::ms_byCodeProduitCourant = 0;

namespace {
// Message ids of the header faults.
constexpr uint32_t s_nMsgEcritureEntete = 28009;  // short write
constexpr uint32_t s_nMsgEnteteCourte = 28011;    // header size below 20
constexpr uint32_t s_nMsgTypeFichier = 28259;     // not the type asked for
constexpr uint32_t s_nMsgSignature = 28555;       // not a typed file of this version

// Version shown in the signature message.
constexpr const wchar_t* s_pszVersionGeree = L"20.0";

// Room for the debug texts of the header faults (two 32-bit numbers).
constexpr size_t s_nTailleDebug = 128;

uint32_t dwSignature(const char* pszSignature) {
    uint32_t dw;
    memcpy(&dw, pszSignature, sizeof(dw));
    return dw;
}

bool bSignatureOk(const _stENTETE_FICHIER_VELMAR& stEntete) {
    return memcmp(stEntete.szSignature, CKXFile::s_szSignature, sizeof(stEntete.szSignature)) == 0;
}

// Types a requested project type accepts.
bool bTypeProjetAccepte(uint32_t dwType) {
    return dwType == 2 || dwType == 8 || dwType == 258 || dwType == 259;
}
}  // namespace

// A facade given no stream is one that creates its own on the first open.
CKXFile::CKXFile(uint32_t dwTypeFichier) : CKXFile(nullptr, dwTypeFichier) {}

CKXFile::CKXFile(IXStream* piStream, uint32_t dwTypeFichier)
    : CXFile(piStream),
      m_dwTypeFichier(dwTypeFichier),
      m_byCodeProduit(0),
      m_wVersion(0),
      m_wReserve1(0),
      m_dwTailleEntete(0),
      m_wFormat(0),
      m_wReserve2(0) {}

CKXFile::~CKXFile() {}

// ---- opening

int CKXFile::bOpen(const wchar_t* pszName, IXStream::eFORMAT eFormat, IXStream::eACCESS eAccess,
                   IXStream::eSHARE eShare, IXStream::eCREATE eCreate, IXStream::eFLAG eFlag) {
    return bOpenEx(pszName, eFormat, eAccess, eShare, eCreate, eFlag, 0);
}

int CKXFile::bOpenEx(const wchar_t* pszName, IXStream::eFORMAT eFormat, IXStream::eACCESS eAccess,
                     IXStream::eSHARE eShare, IXStream::eCREATE eCreate, IXStream::eFLAG eFlag, int bNewHeader) {
    int bCreated = 0;
    if (!CXFile::bOpen(pszName, eAccess, eShare, eCreate, eFlag, &bCreated)) return 0;
    // An open-or-create of an existing file leaves EEXIST: that file has a header to check.
    int nErrno = errno;
    int bEcrit = eCreate == IXStream::eCreateAlways ||
                 (eCreate == IXStream::eCreateOpenAlways && (bCreated || nErrno != EEXIST)) || bNewHeader;
    if (bEcrit) m_wFormat = static_cast<uint16_t>(eFormat);
    return _bEcritOuLitEntete(bEcrit);
}

int CKXFile::bReopen(IXStream::eFORMAT eFormat, IXStream::eACCESS eAccess, IXStream::eSHARE eShare,
                     IXStream::eCREATE eCreate, IXStream::eFLAG eFlag) {
    if (!CXFile::bReopen(eAccess, eShare, eCreate, eFlag)) return 0;
    int nErrno = errno;
    int bEcrit = eCreate == IXStream::eCreateAlways || (eCreate == IXStream::eCreateOpenAlways && nErrno != EEXIST);
    if (bEcrit) m_wFormat = static_cast<uint16_t>(eFormat);
    return _bEcritOuLitEntete(bEcrit);
}

int CKXFile::_bEcritOuLitEntete(int bEcrit) {
    long lPosition = 0;
    int bOk = bEcrit ? bWriteHeader(&lPosition) : bReadHeader(&lPosition);
    if (bOk) return 1;
    Close();
    return 0;
}

// ---- the header

int CKXFile::bWriteHeader(long* plPosition) {
    _stENTETE_FICHIER_VELMAR stEntete;
    return bWriteHeaderEx(plPosition, &stEntete);
}

int CKXFile::bWriteHeaderEx(long* plPosition, _stENTETE_FICHIER_VELMAR* pstHeader) {
    _stENTETE_FICHIER_VELMAR stLocal;
    if (pstHeader == nullptr) pstHeader = &stLocal;
    long lLocal = 0;
    if (plPosition == nullptr) plPosition = &lLocal;

    if (m_dwTypeFichier == s_dwTypeProjetGenerique) m_dwTypeFichier = 2;
    m_dwTailleEntete = s_nTailleEntete;
    m_byCodeProduit = ms_byCodeProduitCourant;
    memcpy(pstHeader->szSignature, s_szSignature, sizeof(pstHeader->szSignature));
    pstHeader->dwTailleEntete = s_nTailleEntete;
    pstHeader->dwTypeFichier = m_dwTypeFichier;
    pstHeader->wReserve1 = 0;
    pstHeader->byVersion = s_byVersionCourante;
    pstHeader->byCodeProduit = m_byCodeProduit;
    pstHeader->wFormat = m_wFormat;
    pstHeader->wReserve2 = 0;

    if (!bSeek(*plPosition, IXStream::eSeekBegin)) return 0;
    uint32_t nWritten = 0;
    if (!bWrite(pstHeader, sizeof(*pstHeader), &nWritten)) return 0;
    if (nWritten < sizeof(*pstHeader)) {
        wchar_t szDebug[s_nTailleDebug];
        swprintf(szDebug, s_nTailleDebug, L"##(IXStream)-A ecrire=<%u>, ecrit=<%u>##",
                 static_cast<unsigned>(sizeof(*pstHeader)), nWritten);
        __SetErreurEntete(szDebug, s_nMsgEcritureEntete, pszGetName());
        return 0;
    }
    *plPosition += sizeof(*pstHeader);
    return 1;
}

int CKXFile::bReadHeader(long* plPosition) {
    long lLocal = 0;
    if (plPosition == nullptr) plPosition = &lLocal;
    _stENTETE_FICHIER_VELMAR stEntete;
    memset(&stEntete, 0xCD, sizeof(stEntete));
    if (!bSeek(*plPosition, IXStream::eSeekBegin)) return 0;
    uint32_t nRead = 0;
    if (!bRead(&stEntete, sizeof(stEntete), &nRead)) return 0;

    wchar_t szDebug[s_nTailleDebug];
    // A file too short to hold a header is no typed file either.
    if (nRead < sizeof(stEntete) || !bSignatureOk(stEntete)) {
        swprintf(szDebug, s_nTailleDebug, L"##(CKXFile)-Signature geree=<%u>, signature lue=<%u>##",
                 dwSignature(s_szSignature), dwSignature(stEntete.szSignature));
        __SetErreurEntete(szDebug, s_nMsgSignature, s_pszVersionGeree, pszGetName());
        return 0;
    }

    m_byCodeProduit = stEntete.byCodeProduit;
    m_wVersion = stEntete.byVersion;
    m_wReserve1 = stEntete.wReserve1;
    m_dwTailleEntete = stEntete.dwTailleEntete;
    m_wFormat = stEntete.wFormat;
    m_wReserve2 = stEntete.wReserve2;

    uint32_t dwLu = stEntete.dwTypeFichier;
    bool bTypeOk = m_dwTypeFichier == s_dwTypeProjetGenerique ? bTypeProjetAccepte(dwLu)
                                                              : m_dwTypeFichier == 0 || m_dwTypeFichier == dwLu;
    if (!bTypeOk) {
        swprintf(szDebug, s_nTailleDebug, L"##(CKXFile)-Type demande=<%u>, type lu=<%u>##", m_dwTypeFichier, dwLu);
        __SetErreurEntete(szDebug, s_nMsgTypeFichier, pszGetName());
        return 0;
    }
    m_dwTypeFichier = dwLu;

    if (m_dwTailleEntete < s_nTailleEntete) {
        swprintf(szDebug, s_nTailleDebug, L"##(CKXFile)-Taille entete attendue=<%u>, Taille entete lue=<%u>##",
                 s_nTailleEntete, m_dwTailleEntete);
        __SetErreurEntete(szDebug, s_nMsgEnteteCourte, pszGetName());
        return 0;
    }
    *plPosition += m_dwTailleEntete;
    // A longer header (a later writer's) is skipped: the data that follows is read from its end.
    if (m_dwTailleEntete > s_nTailleEntete && !bSeek(*plPosition, IXStream::eSeekBegin)) return 0;
    return 1;
}

void CKXFile::__SetErreurEntete(const wchar_t* pszDebug, uint32_t nMessageId, ...) {
    CXError* pclErr = pclGetXError();
    if (pclErr == nullptr) return;
    pclErr->RAZ();
    pclErr->InitModInfo(&gstMyModuleInfo39, 1);
    pclErr->SetErrorLevel(CXError::XEL_ERROR);
    pclErr->__SetSystemError(0);
    pclErr->AddDebugMessageNoFormat(pszDebug);
    va_list arguments;
    va_start(arguments, nMessageId);
    pclErr->AddUserMessageListFirst(&gstMyModuleInfo39, nMessageId, arguments);
    va_end(arguments);
    const wchar_t* pszName = pszGetName();
    if (pszName != nullptr) pclErr->AddInfo(CXError::EIT_SRCFILE, pszName);
}

// ---- file types and products

int CKXFile::bIdReconnu(uint32_t dwType) {
    struct Plage {
        uint32_t dwFirst;
        uint32_t dwLast;
    };
    static const Plage s_aPlages[] = {
        {1, 0x10007},         {0x60001, 0x60001},   {0x70001, 0x70006},   {0x80001, 0x80002},   {0xa0001, 0xa0001},
        {0xb0001, 0xb0005},   {0xc0001, 0xc0005},   {0xd0001, 0xd0004},   {0xe0001, 0xe0003},   {0xf0001, 0xf0002},
        {0x100001, 0x100002}, {0x110001, 0x110005}, {0x120001, 0x120001}, {0x130001, 0x130001}, {0x160001, 0x160001},
    };
    for (const Plage& stPlage : s_aPlages)
        if (dwType >= stPlage.dwFirst && dwType <= stPlage.dwLast) return 1;
    return 0;
}

int CKXFile::s_bIsProjet(uint32_t dwType) {
    return dwType == 1 || dwType == 257 || dwType == 4097 || dwType == 0x10001;
}

const wchar_t* CKXFile::s_pszVerNomProduit(int nCodeProduit) {
    switch (nCodeProduit) {
        case 15:
            return L"Tolvek";
        case 6:
            return L"Tolvek Mobile";
        case 20:
            return L"Tolvek Web";
        case 30:
            return L"Tolvek Express";
        default:
            return L"Orlanto Velmar";
    }
}

uint8_t CKXFile::byGetCodeProduit(const wchar_t* pszName) {
    if (pszName == nullptr || !CDiskFile::bExist(pszName)) return 0;
    CDiskFile clFile;
    if (!clFile.bOpen(pszName, IXStream::eAccessRead, IXStream::eShareNone, IXStream::eCreateOpenExisting,
                      IXStream::eFlagNone, nullptr))
        return 0;
    _stENTETE_FICHIER_VELMAR stEntete;
    uint32_t nRead = 0;
    if (!clFile.bRead(&stEntete, sizeof(stEntete), &nRead) || nRead < sizeof(stEntete)) return 0;
    return stEntete.byCodeProduit;
}

uint32_t CKXFile::dwIdFichierInconnu(IXStream* piStream, const wchar_t* pszName) {
    if (piStream == nullptr) return 0xFFFFFFFF;
    if (pszName != nullptr && !piStream->bOpen(pszName, IXStream::eAccessRead, IXStream::eShareNone,
                                               IXStream::eCreateOpenExisting, IXStream::eFlagNone, nullptr))
        return 0xFFFFFFFF;
    _stENTETE_FICHIER_VELMAR stEntete;
    uint32_t nRead = 0;
    if (!piStream->bRead(0, &stEntete, sizeof(stEntete), &nRead) || nRead < sizeof(stEntete)) return 0;
    if (!bSignatureOk(stEntete)) return 0;
    return stEntete.dwTypeFichier;
}

uint32_t CKXFile::dwIdFichierInconnu(const wchar_t* pszName) {
    CDiskFile clFile;
    return dwIdFichierInconnu(&clFile, pszName);
}
