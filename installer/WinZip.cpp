// CWinZip: reading a zip archive through a bound CDiskFile: end records, central directory, local
// header check, stored and raw-deflate data, the traditional cipher and the CRC-32 check. Offsets
// and lengths come from an archive that may be damaged or made to harm, so each one is checked
// against the file (and every sum against wrapping) before anything is read or allocated from it.
#include "installer/WinZip.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>

#include "core/XMalloc.h"
#include "core/platformwin/WinCodePage.h"
#include "installer/CodePageTable.h"
#include "platform/DiskFile.h"
#include "platform/WinMemoryTime.h"

namespace {

constexpr uint32_t SIG_END = 0x06054b50;
constexpr uint32_t SIG_LOCATOR64 = 0x07064b50;
constexpr uint32_t SIG_END64 = 0x06064b50;
constexpr uint32_t SIG_CENTRAL = 0x02014b50;
constexpr uint32_t SIG_LOCAL = 0x04034b50;
constexpr uint32_t TAILLE_END = 22;
constexpr uint32_t TAILLE_LOCATOR64 = 20;
constexpr uint32_t TAILLE_END64 = 56;
constexpr uint32_t TAILLE_CENTRAL = 46;
constexpr uint32_t TAILLE_LOCAL = 30;
constexpr uint32_t TAILLE_ENTETE_CRYPT = 12;
constexpr uint64_t MAX32 = 0xFFFFFFFFull;
constexpr uint16_t ID_ZIP64 = 0x0001;

uint16_t u16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
uint32_t u32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) | (static_cast<uint32_t>(p[2]) << 16) |
           (static_cast<uint32_t>(p[3]) << 24);
}
uint64_t u64(const uint8_t* p) {
    return static_cast<uint64_t>(u32(p)) | (static_cast<uint64_t>(u32(p + 4)) << 32);
}

// a + b, false when it wraps.
bool bSomme(uint64_t a, uint64_t b, uint64_t* pR) {
    return !__builtin_add_overflow(a, b, pR);
}

// The Zip64 block of an extra field, wherever it lies among the field's blocks; the data and
// their size, or null. Blocks are read only within the field.
const uint8_t* pbyBlocZip64(const uint8_t* pbyExtra, uint32_t nTaille, uint32_t* pnTailleBloc) {
    uint32_t i = 0;
    while (i + 4 <= nTaille) {
        uint16_t nId = u16(pbyExtra + i);
        uint32_t nData = u16(pbyExtra + i + 2);
        if (nData > nTaille - i - 4) return nullptr;
        if (nId == ID_ZIP64) {
            *pnTailleBloc = nData;
            return pbyExtra + i + 4;
        }
        i += 4 + nData;
    }
    return nullptr;
}

// TRUE when the bytes are well-formed UTF-8: no stray or missing continuation byte, no overlong
// form, no surrogate, nothing above U+10FFFF.
bool bUTF8Valide(const uint8_t* pby, uint32_t n) {
    uint32_t i = 0;
    while (i < n) {
        const uint8_t c = pby[i];
        uint32_t nSuite;
        uint32_t dwMin;
        uint32_t dw;
        if (c < 0x80) {
            i++;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            nSuite = 1, dwMin = 0x80, dw = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            nSuite = 2, dwMin = 0x800, dw = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            nSuite = 3, dwMin = 0x10000, dw = c & 0x07u;
        } else {
            return false;
        }
        if (n - i - 1 < nSuite) return false;
        for (uint32_t k = 1; k <= nSuite; k++) {
            if ((pby[i + k] & 0xC0) != 0x80) return false;
            dw = (dw << 6) | (pby[i + k] & 0x3Fu);
        }
        if (dw < dwMin || dw > 0x10FFFF || (dw >= 0xD800 && dw <= 0xDFFF)) return false;
        i += nSuite + 1;
    }
    return true;
}

// TRUE when an entry's raw name can be taken as a name: no zero byte inside it (it would end the
// name early, hiding what follows), and well-formed UTF-8 when the entry says it is UTF-8 (text
// that does not decode would be cut or dropped, not refused).
bool bNomBrutValide(const uint8_t* pby, uint32_t n, bool bUTF8) {
    if (memchr(pby, 0, n) != nullptr) return false;
    return !bUTF8 || bUTF8Valide(pby, n);
}

// 8-bit name or comment to wide text of at most nMax characters (more is cut): UTF-8 (the bytes are
// taken as far as they decode), else the OEM code page 437, byte by byte through its table. Both
// are decoded here rather than by the system's converter, which loads and unloads a conversion
// module at each call: an archive of many entries would spend most of its opening there.
void ConvertitTexte(const uint8_t* pby, uint32_t n, bool bUTF8, wchar_t* pszDest, uint32_t nMax) {
    uint32_t nEcrits = 0;
    if (!bUTF8) {
        const _stTableCodePage* pstTable = get_codepage(1);
        for (uint32_t i = 0; i < n && nEcrits < nMax && pby[i] != 0; i++)
            pszDest[nEcrits++] = static_cast<wchar_t>(pstTable->pwVersUnicode[pby[i]]);
    } else {
        uint32_t i = 0;
        while (i < n && nEcrits < nMax && pby[i] != 0) {
            const uint8_t c = pby[i];
            const uint32_t nSuite = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
            if (n - i - 1 < nSuite || !bUTF8Valide(pby + i, nSuite + 1)) break;
            uint32_t dw = nSuite == 0 ? c : nSuite == 1 ? (c & 0x1Fu) : nSuite == 2 ? (c & 0x0Fu) : (c & 0x07u);
            for (uint32_t k = 1; k <= nSuite; k++) dw = (dw << 6) | (pby[i + k] & 0x3Fu);
            pszDest[nEcrits++] = static_cast<wchar_t>(dw);
            i += nSuite + 1;
        }
    }
    pszDest[nEcrits] = 0;
}

// A buffer from the common allocator, freed when it goes.
class CTampon {
public:
    explicit CTampon(size_t n) : m_pby(static_cast<uint8_t*>(XMALLOC_pNew(n == 0 ? 1 : n))) {}
    ~CTampon() { XMALLOC_Del(m_pby); }
    CTampon(const CTampon&) = delete;
    CTampon& operator=(const CTampon&) = delete;
    uint8_t* p() const { return m_pby; }

private:
    uint8_t* m_pby;
};

}  // namespace

CWinZip::CWinZip() : m_tabFichiers(1024, 30) {
    _Reset();
}

CWinZip::~CWinZip() {
    _FermeFlux();
    if (m_bInflateAlloue) inflateEnd(&m_stZ);
    _VideTable();
    XMALLOC_Del(m_pbyBufferLecture);
    XMALLOC_Del(m_pbyCache);
    XMALLOC_Del(m_pszAnsiOem);
}

void CWinZip::SetDiskFile(CDiskFile* pclFichier) {
    m_pclFichier = pclFichier;
    m_nCache = 0;
}

void CWinZip::SetOffsetDepart(long nOffset) {
    m_ulOffsetDepart = static_cast<uint64_t>(nOffset);
}

void CWinZip::_VideTable() {
    for (int i = 0; i < m_tabFichiers.nGetNbElement(); i++) XMALLOC_Del(m_tabFichiers[i].pszCommentaire);
    m_tabFichiers.SupprimeTout();
    m_clIndex.bCree(7);
    m_pstCourant = nullptr;
    m_nPosition = 0;
}

void CWinZip::_Reset() {
    _FermeFlux();
    m_ulNumeroDisque = m_ulDisqueRepertoire = m_ulNbEntreesDisque = m_ulNbEntreesTotal = 0;
    m_ulTailleRepertoire = m_ulOffsetRepertoire = m_ulTailleCommentaire = 0;
    m_ulPosEndRecord = ~0ull;
    m_ulOffsetDepart = 0;
    m_ulTailleFichier = 0;
    m_dwErreurSysteme = 0;
    m_nCache = 0;
    _VideTable();
    m_sCommentaire.Vide();
    m_sChemin.Vide();
    m_sExtZip.Vide();
    m_bNomsOEM = 1;
    m_nNiveauCompression = 6;
}

// Reads n bytes at a position of the file; false when they are not all in the file. A failure of
// the system leaves its error code for the owner's report; bytes missing from the archive leave 0.
// Reads smaller than half the read-ahead window go through it: the headers of the central
// directory, a local header with its name and extra field, and the data of a small entry then
// come from one call to the system instead of two (a seek and a read) for each.
bool CWinZip::_bLit(uint64_t ulPosition, void* pBuffer, uint32_t nTaille) {
    m_dwErreurSysteme = 0;
    uint64_t ulFin;
    if (m_pclFichier == nullptr || !bSomme(ulPosition, nTaille, &ulFin) || ulFin > m_ulTailleFichier) return false;
    if (nTaille == 0) return true;
    if (m_pbyCache != nullptr && ulPosition >= m_ulPosCache && ulFin <= m_ulPosCache + m_nCache) {
        memcpy(pBuffer, m_pbyCache + (ulPosition - m_ulPosCache), nTaille);
        return true;
    }
    errno = 0;
    uint32_t nLu = 0;
    if (nTaille < s_nTailleCache / 2) {
        if (m_pbyCache == nullptr) m_pbyCache = static_cast<uint8_t*>(XMALLOC_pNew(s_nTailleCache));
        if (m_pbyCache != nullptr) {
            const uint64_t ulReste = m_ulTailleFichier - ulPosition;
            const uint32_t nFenetre = static_cast<uint32_t>(ulReste < s_nTailleCache ? ulReste : s_nTailleCache);
            m_nCache = 0;
            if (m_pclFichier->bRead(static_cast<int64_t>(ulPosition), m_pbyCache, nFenetre, &nLu) && nLu >= nTaille) {
                m_ulPosCache = ulPosition;
                m_nCache = nLu;
                memcpy(pBuffer, m_pbyCache, nTaille);
                return true;
            }
            m_dwErreurSysteme = static_cast<uint32_t>(errno);
            return false;
        }
    }
    if (m_pclFichier->bRead(static_cast<int64_t>(ulPosition), pBuffer, nTaille, &nLu) && nLu == nTaille) return true;
    m_dwErreurSysteme = static_cast<uint32_t>(errno);
    return false;
}

int CWinZip::OuvreZip(const wchar_t* pszChemin, int) {
    _Reset();
    m_sChemin = pszChemin;
    if (m_pclFichier == nullptr) return ZIP_BADZIPFILE;
    int64_t oTaille = m_pclFichier->oGetSize();
    if (oTaille < 0) return ZIP_BADZIPFILE;
    m_ulTailleFichier = static_cast<uint64_t>(oTaille);
    m_ulPosEndRecord = _ulChercheEndRecord();
    if (m_ulPosEndRecord == ~0ull) return ZIP_BADZIPFILE;
    if (!m_pclFichier->bSeek(static_cast<int64_t>(m_ulPosEndRecord), IXStream::eSeekBegin)) return ZIP_BADZIPFILE;
    return _nLitEndRecords();
}

uint64_t CWinZip::_ulChercheEndRecord() {
    if (m_pclFichier == nullptr) return ~0ull;
    int64_t oTaille = m_pclFichier->oGetSize();
    if (oTaille < 0) return ~0ull;
    uint64_t ulTaille = static_cast<uint64_t>(oTaille);
    uint64_t ulLimite = ulTaille < s_nRechercheMax ? ulTaille : s_nRechercheMax;
    CTampon clBuffer(1028);
    if (clBuffer.p() == nullptr) return ~0ull;
    uint64_t ulRecul = 4;
    while (ulRecul < ulLimite) {
        ulRecul += 1024;
        if (ulRecul > ulLimite) ulRecul = ulLimite;
        uint64_t ulDebut = ulTaille - ulRecul;
        uint32_t nALire = static_cast<uint32_t>(ulRecul < 1028 ? ulRecul : 1028);
        errno = 0;
        uint32_t nLu = 0;
        if (!m_pclFichier->bSeek(static_cast<int64_t>(ulDebut), IXStream::eSeekBegin) ||
            !m_pclFichier->bRead(clBuffer.p(), nALire, &nLu) || nLu != nALire) {
            m_dwErreurSysteme = static_cast<uint32_t>(errno);
            break;
        }
        for (int i = static_cast<int>(nALire) - 4; i >= 0; i--) {
            if (u32(clBuffer.p() + i) == SIG_END) return ulDebut + static_cast<uint64_t>(i);
        }
    }
    return ~0ull;
}

int CWinZip::_nLitEndRecords() {
    uint8_t aby[TAILLE_END64];
    if (!_bLit(m_ulPosEndRecord, aby, TAILLE_END)) return ZIP_ERRNO;
    m_ulNumeroDisque = u16(aby + 4);
    m_ulDisqueRepertoire = u16(aby + 6);
    m_ulNbEntreesDisque = u16(aby + 8);
    m_ulNbEntreesTotal = u16(aby + 10);
    m_ulTailleRepertoire = u32(aby + 12);
    m_ulOffsetRepertoire = u32(aby + 16);
    m_ulTailleCommentaire = u16(aby + 20);
    m_sCommentaire.Vide();
    if (m_ulTailleCommentaire != 0) {
        // A comment cut by the end of the file keeps what the file holds.
        uint64_t ulDispo = m_ulTailleFichier - m_ulPosEndRecord - TAILLE_END;
        uint32_t n = static_cast<uint32_t>(m_ulTailleCommentaire < ulDispo ? m_ulTailleCommentaire : ulDispo);
        CTampon clCommentaire(n + 1);
        if (clCommentaire.p() != nullptr && _bLit(m_ulPosEndRecord + TAILLE_END, clCommentaire.p(), n)) {
            clCommentaire.p()[n] = 0;
            m_sCommentaire.SetANSIEx(reinterpret_cast<const char*>(clCommentaire.p()), static_cast<int>(n), 1252);
        }
    }

    // Zip64: followed when the locator lies right before the end record (a writer may add the
    // Zip64 records although the 32-bit fields hold), and required when a field holds its all-ones
    // value: the central-directory offset or size, or an entry count of 0xFFFF, which says that
    // the true count is in the Zip64 record (read as a count, it would drop every later entry).
    const bool bRequis = m_ulOffsetRepertoire == MAX32 || m_ulTailleRepertoire == MAX32 ||
                         m_ulNbEntreesTotal == 0xFFFF || m_ulNbEntreesDisque == 0xFFFF;
    bool bLocator = false;
    uint8_t abyLoc[TAILLE_LOCATOR64];
    if (m_ulPosEndRecord >= TAILLE_LOCATOR64 && _bLit(m_ulPosEndRecord - TAILLE_LOCATOR64, abyLoc, TAILLE_LOCATOR64))
        bLocator = u32(abyLoc) == SIG_LOCATOR64;
    else if (bRequis)
        return m_ulPosEndRecord >= TAILLE_LOCATOR64 ? ZIP_ERRNO : ZIP_BADZIPFILE;
    if (bRequis && !bLocator) return ZIP_BADZIPFILE;
    if (bLocator) {
        const uint64_t ulPosLocator = m_ulPosEndRecord - TAILLE_LOCATOR64;
        // The record at the offset the locator gives, else right before the locator (the offset is
        // not shifted by data that precede the archive).
        uint64_t aulEssais[2] = {u64(abyLoc + 8), ulPosLocator >= TAILLE_END64 ? ulPosLocator - TAILLE_END64 : ~0ull};
        bool bTrouve = false;
        uint64_t ulTotal = 0;
        for (uint64_t ulPos : aulEssais) {
            if (ulPos == ~0ull || ulPos >= ulPosLocator) continue;
            if (!_bLit(ulPos, aby, TAILLE_END64) || u32(aby) != SIG_END64) continue;
            uint64_t ulReste = u64(aby + 4);
            if (ulReste < TAILLE_END64 - 12 || ulReste > ulPosLocator) continue;
            ulTotal = ulReste + 12;
            if (ulTotal > ulPosLocator) continue;
            bTrouve = true;
            break;
        }
        if (!bTrouve) {
            if (bRequis) return ZIP_BADZIPFILE;
        } else {
            m_ulNumeroDisque = u32(aby + 16);
            m_ulDisqueRepertoire = u32(aby + 20);
            m_ulNbEntreesDisque = u64(aby + 24);
            m_ulNbEntreesTotal = u64(aby + 32);
            m_ulTailleRepertoire = u64(aby + 40);
            m_ulOffsetRepertoire = u64(aby + 48);
            m_ulPosEndRecord = ulPosLocator - ulTotal;
        }
    }

    uint64_t ulFinRepertoire;
    if (!bSomme(m_ulOffsetRepertoire, m_ulTailleRepertoire, &ulFinRepertoire) || m_ulPosEndRecord < ulFinRepertoire)
        return ZIP_BADZIPFILE;
    m_ulOffsetDepart = m_ulPosEndRecord - ulFinRepertoire;
    return _nChargeRepertoire();
}

int CWinZip::_nChargeRepertoire() {
    uint64_t ulPosition = m_ulOffsetRepertoire;
    if (ulPosition == m_ulPosEndRecord - m_ulOffsetDepart) return ZIP_OK;
    // Every header takes at least 46 bytes of the directory: a count that cannot fit is a lie, and
    // so is a count of 0 over a directory that holds bytes (its entries would be silently dropped).
    if (m_ulNbEntreesTotal == 0 || m_ulNbEntreesTotal > m_ulTailleRepertoire / TAILLE_CENTRAL) return ZIP_BADZIPFILE;
    const uint64_t ulFinRepertoire = m_ulOffsetRepertoire + m_ulTailleRepertoire;
    auto* pst = static_cast<_stFICZIP*>(XMALLOC_pNew(sizeof(_stFICZIP)));
    if (pst == nullptr) return ZIP_BADZIPFILE;
    int nResultat = ZIP_BADZIPFILE;
    for (;;) {
        uint64_t ulTaille = 0;
        if (_nLitEnteteCentral(ulPosition, pst, &ulTaille) != ZIP_OK) break;
        // Every header lies inside the directory the end record describes.
        if (ulTaille > ulFinRepertoire - ulPosition) {
            XMALLOC_Del(pst->pszCommentaire);
            break;
        }
        int nIndex = m_tabFichiers.nGetNbElement();
        m_tabFichiers.Ajoute(*pst);
        if (m_tabFichiers.nGetNbElement() != nIndex + 1) {
            XMALLOC_Del(pst->pszCommentaire);
            break;
        }
        if (!m_clIndex.bAjoute(pst->szNom, nIndex)) break;
        ulPosition += ulTaille;
        if (static_cast<uint64_t>(m_tabFichiers.nGetNbElement()) == m_ulNbEntreesTotal) {
            // The count must use up the directory: entries left after it would be missing from the
            // archive as read, and the installation would succeed without them.
            if (ulPosition == ulFinRepertoire) nResultat = ZIP_OK;
            break;
        }
    }
    XMALLOC_Del(pst);
    return nResultat;
}

int CWinZip::_nLitEnteteCentral(uint64_t ulPosition, _stFICZIP* pst, uint64_t* pulTaille) {
    memset(pst, 0, sizeof(*pst));
    uint8_t aby[TAILLE_CENTRAL];
    uint64_t ulPhys;
    // A header lies wholly before the end record.
    if (!bSomme(ulPosition, m_ulOffsetDepart, &ulPhys) || ulPhys >= m_ulPosEndRecord) return ZIP_BADZIPFILE;
    if (!_bLit(ulPhys, aby, TAILLE_CENTRAL) || u32(aby) != SIG_CENTRAL) return ZIP_BADZIPFILE;
    pst->ulVersion = u16(aby + 4);
    if (pst->ulVersion != 0x0314) m_bNomsOEM = 1;
    pst->ulVersionNeeded = u16(aby + 6);
    pst->ulFlag = u16(aby + 8);
    pst->bCrypte = (pst->ulFlag & 1) != 0;
    pst->bUTF8 = (pst->ulFlag & 0x800) != 0;
    pst->ulCompressionMethod = u16(aby + 10);
    pst->ulDosDate = u32(aby + 12);
    s_DosDateToTmDate(static_cast<uint32_t>(pst->ulDosDate), &pst->tmDate);
    pst->ulCRC = u32(aby + 16);
    pst->ulCompressedSize = u32(aby + 20);
    pst->ulUncompressedSize = u32(aby + 24);
    pst->nSizeFilename = u16(aby + 28);
    pst->nSizeFileExtra = u16(aby + 30);
    pst->nSizeFileComment = u16(aby + 32);
    pst->dwDiskNumStart = u16(aby + 34);
    pst->dwInternalFA = u16(aby + 36);
    pst->dwExternalFA = u32(aby + 38);
    if ((pst->ulVersion >> 8) != 3) pst->dwExternalFA += 438;
    pst->ulOffset = u32(aby + 42);

    const uint32_t nVariable = pst->nSizeFilename + pst->nSizeFileExtra + pst->nSizeFileComment;
    if (ulPhys + TAILLE_CENTRAL + nVariable > m_ulPosEndRecord) return ZIP_BADZIPFILE;
    *pulTaille = TAILLE_CENTRAL + nVariable;
    CTampon clVariable(nVariable);
    if (clVariable.p() == nullptr || !_bLit(ulPhys + TAILLE_CENTRAL, clVariable.p(), nVariable)) return ZIP_BADZIPFILE;
    const uint8_t* pbyNom = clVariable.p();
    const uint8_t* pbyExtra = pbyNom + pst->nSizeFilename;
    const uint8_t* pbyCommentaire = pbyExtra + pst->nSizeFileExtra;

    if (!bNomBrutValide(pbyNom, pst->nSizeFilename, pst->bUTF8 != 0)) return ZIP_BADZIPFILE;
    ConvertitTexte(pbyNom, pst->nSizeFilename, pst->bUTF8 != 0, pst->szNom, _stFICZIP::s_nMaxNom);

    if (pst->nSizeFileExtra != 0) {
        memcpy(pst->abyExtra, pbyExtra,
               pst->nSizeFileExtra < _stFICZIP::s_nMaxExtra ? pst->nSizeFileExtra : _stFICZIP::s_nMaxExtra);
        uint32_t nBloc = 0;
        const uint8_t* pbyBloc = pbyBlocZip64(pbyExtra, pst->nSizeFileExtra, &nBloc);
        if (pbyBloc != nullptr && (pst->ulVersionNeeded == 45 || pst->ulUncompressedSize == MAX32 ||
                                   pst->ulOffset == MAX32 || pst->ulCompressedSize == MAX32)) {
            uint64_t A = nBloc >= 8 ? u64(pbyBloc) : MAX32;
            uint64_t B = nBloc >= 16 ? u64(pbyBloc + 8) : MAX32;
            uint64_t C = nBloc >= 24 ? u64(pbyBloc + 16) : MAX32;
            if (pst->ulUncompressedSize == MAX32) {
                pst->ulUncompressedSize = A;
                if (pst->ulCompressedSize == MAX32 && B != MAX32) {
                    pst->ulCompressedSize = B;
                    if (pst->ulOffset == MAX32 && C != MAX32) pst->ulOffset = C;
                } else if (pst->ulOffset == MAX32 && B != MAX32) {
                    pst->ulOffset = B;
                }
            } else if (pst->ulCompressedSize == MAX32 && A != MAX32) {
                pst->ulCompressedSize = A;
                if (pst->ulOffset == MAX32 && B != MAX32) pst->ulOffset = B;
            } else if (pst->ulOffset == MAX32 && A != MAX32) {
                pst->ulOffset = A;
            }
            if (nBloc >= 28) pst->dwDiskNumStart = u32(pbyBloc + 24);
        }
    }

    if (pst->nSizeFileComment != 0) {
        pst->pszCommentaire = static_cast<wchar_t*>(XMALLOC_pNew((_stFICZIP::s_nMaxNom + 1) * sizeof(wchar_t)));
        if (pst->pszCommentaire == nullptr) return ZIP_BADZIPFILE;
        ConvertitTexte(pbyCommentaire, pst->nSizeFileComment, false, pst->pszCommentaire, _stFICZIP::s_nMaxNom);
    }
    pst->ulOffsetPhys = pst->ulOffset;
    return ZIP_OK;
}

int CWinZip::FirstFile() {
    return NextFile(1);
}

int CWinZip::NextFile(int bPremier) {
    m_nPosition = bPremier != 0 ? 1 : m_nPosition + 1;
    if (m_nPosition <= m_tabFichiers.nGetNbElement()) {
        m_pstCourant = &m_tabFichiers[m_nPosition - 1];
        return ZIP_OK;
    }
    m_nPosition = 0;
    return ZIP_END_OF_LIST;
}

int CWinZip::LocateFile(const wchar_t* pszNom, int bExact) {
    if (pszNom == nullptr) return ZIP_ERRNO;
    CTString sNom(pszNom);
    sNom.Remplace(L'\\', L'/');
    const wchar_t* psz = sNom.pszGet() != nullptr ? sNom.pszGet() : L"";
    int nIndex = -1;
    if (m_clIndex.bRecherche(psz, &nIndex) && nIndex >= 0 && nIndex < m_tabFichiers.nGetNbElement()) {
        // Names that differ only in letter case are distinct entries: an exact match wins.
        if (wcscmp(m_tabFichiers[nIndex].szNom, psz) != 0) {
            for (int i = 0; i < m_tabFichiers.nGetNbElement(); i++) {
                if (wcscmp(m_tabFichiers[i].szNom, psz) == 0) {
                    nIndex = i;
                    break;
                }
            }
        }
        m_pstCourant = &m_tabFichiers[nIndex];
        return ZIP_OK;
    }
    for (int nPasse = 0; nPasse < 2; nPasse++) {
        if (nPasse == 1) {
            sNom = pszNom;
            sNom.Remplace(L'/', L'\\');
            psz = sNom.pszGet() != nullptr ? sNom.pszGet() : L"";
        }
        for (int i = 0; i < m_tabFichiers.nGetNbElement(); i++) {
            const wchar_t* pszEntree = m_tabFichiers[i].szNom;
            bool bEgal = bExact != 0 ? wcscmp(pszEntree, psz) == 0 : CDiskFile::bSameFileName(pszEntree, psz) != 0;
            if (bEgal) {
                m_pstCourant = &m_tabFichiers[i];
                return ZIP_OK;
            }
        }
    }
    return ZIP_ERRNO;
}

void CWinZip::_FermeFlux() {
    // The inflate state stays allocated for the next entry (reset, not made again).
    m_bInflateDemarre = 0;
    m_bOuvert = 0;
}

int CWinZip::_nVerifieEnteteLocal() {
    _stFICZIP* pst = m_pstCourant;
    uint8_t aby[TAILLE_LOCAL];
    uint64_t ulPhys;
    if (!bSomme(pst->ulOffset, m_ulOffsetDepart, &ulPhys) || !_bLit(ulPhys, aby, TAILLE_LOCAL)) return ZIP_ERRNO;
    uint64_t ulMethode = u16(aby + 8);
    if (u32(aby) != SIG_LOCAL || ulMethode != pst->ulCompressionMethod || (ulMethode != 0 && ulMethode != 8))
        return ZIP_BADZIPFILE;
    uint32_t nVersion = u16(aby + 4);
    uint32_t dwFlag = u16(aby + 6);
    if ((dwFlag & 8) == 0 && u32(aby + 14) != pst->ulCRC) return ZIP_BADZIPFILE;
    uint64_t ulCompresse = u32(aby + 18);
    uint64_t ulNonCompresse = u32(aby + 22);
    uint32_t nNom = u16(aby + 26);
    uint32_t nExtra = u16(aby + 28);
    if (nNom != pst->nSizeFilename) return ZIP_BADZIPFILE;

    // The name and extra field must lie in the file before a buffer is sized from their lengths.
    if (ulPhys + TAILLE_LOCAL + nNom + nExtra > m_ulTailleFichier) return ZIP_BADZIPFILE;
    CTampon clVariable(static_cast<size_t>(nNom) + nExtra);
    if (clVariable.p() == nullptr || !_bLit(ulPhys + TAILLE_LOCAL, clVariable.p(), nNom)) return ZIP_BADZIPFILE;
    if (!bNomBrutValide(clVariable.p(), nNom, (dwFlag & 0x800) != 0)) return ZIP_BADZIPFILE;
    wchar_t szNom[_stFICZIP::s_nMaxNom + 1];
    ConvertitTexte(clVariable.p(), nNom, (dwFlag & 0x800) != 0, szNom, _stFICZIP::s_nMaxNom);
    if (wcscasecmp(szNom, pst->szNom) != 0) return ZIP_BADZIPFILE;

    if (nExtra != 0) {
        const uint8_t* pbyExtra = clVariable.p() + nNom;
        if (!_bLit(ulPhys + TAILLE_LOCAL + nNom, clVariable.p() + nNom, nExtra)) return ZIP_BADZIPFILE;
        uint32_t nBloc = 0;
        const uint8_t* pbyBloc = pbyBlocZip64(pbyExtra, nExtra, &nBloc);
        if (pbyBloc != nullptr && ulNonCompresse == MAX32) {
            if (nBloc >= 8) ulNonCompresse = u64(pbyBloc);
            if (nBloc >= 16) ulCompresse = u64(pbyBloc + 8);
        }
    }
    m_ulOffsetExtraLocal = ulPhys + TAILLE_LOCAL + nNom;
    m_nTailleExtraLocal = nExtra;
    uint64_t ulDonnees = ulPhys + TAILLE_LOCAL + nNom + nExtra;
    if (pst->bCrypte) {
        uint8_t abyCrypt[TAILLE_ENTETE_CRYPT];
        if (!_bLit(ulDonnees, abyCrypt, TAILLE_ENTETE_CRYPT)) return ZIP_BADZIPFILE;
        for (uint32_t i = 0; i < TAILLE_ENTETE_CRYPT; i++) pst->adwCryptHeader[i] = abyCrypt[i];
        ulDonnees += TAILLE_ENTETE_CRYPT;
    }
    // The entry's data must lie in the file; an encrypted entry holds at least its 12-byte header.
    uint64_t ulFin;
    if (pst->bCrypte && pst->ulCompressedSize < TAILLE_ENTETE_CRYPT) return ZIP_BADZIPFILE;
    uint64_t ulDonneesCompressees = pst->ulCompressedSize - (pst->bCrypte ? TAILLE_ENTETE_CRYPT : 0);
    if (!bSomme(ulDonnees, ulDonneesCompressees, &ulFin) || ulFin > m_ulTailleFichier) return ZIP_BADZIPFILE;

    if (ulCompresse != pst->ulCompressedSize && (dwFlag & 8) == 0 && nVersion != 45) return ZIP_BADZIPFILE;
    if (ulNonCompresse == pst->ulUncompressedSize || (dwFlag & 8) != 0) return ZIP_OK;
    return ZIP_BADZIPFILE;
}

int CWinZip::OpenCurrentFileInZip() {
    if (m_pstCourant == nullptr) return ZIP_NOCURRENTFILE;
    if (m_bOuvert) CloseCurrentFileInZip(1);
    int nResultat = _nVerifieEnteteLocal();
    if (nResultat != ZIP_OK) return nResultat;
    _FermeFlux();
    _stFICZIP* pst = m_pstCourant;
    m_bRaw = 0;
    m_bCrypte = pst->bCrypte != 0;
    if (m_bCrypte) {
        InitKeys(m_sPassword.pszGet());
        uint8_t aby[TAILLE_ENTETE_CRYPT];
        for (uint32_t i = 0; i < TAILLE_ENTETE_CRYPT; i++) aby[i] = static_cast<uint8_t>(pst->adwCryptHeader[i]);
        DecryptBuffer(aby, TAILLE_ENTETE_CRYPT);
        uint8_t byAttendu =
            (pst->ulFlag & 8) != 0 ? static_cast<uint8_t>(pst->ulDosDate >> 8) : static_cast<uint8_t>(pst->ulCRC >> 24);
        if (aby[TAILLE_ENTETE_CRYPT - 1] != byAttendu) return ZIP_BADPASSWORD;
    }
    m_dwCRCAttendu = static_cast<uint32_t>(pst->ulCRC);
    m_dwCRC = 0;
    m_ulMethode = pst->ulCompressionMethod;
    if (m_pbyBufferLecture == nullptr) {
        m_pbyBufferLecture = static_cast<uint8_t*>(XMALLOC_pNew(s_nTailleBufferLecture));
        if (m_pbyBufferLecture == nullptr) return ZIP_ERRNO;
    }
    if (m_ulMethode == 8) {
        if (m_bInflateAlloue) {
            if (inflateReset(&m_stZ) != Z_OK) return ZIP_BADZIPFILE;
        } else {
            m_stZ = z_stream{};
            if (inflateInit2(&m_stZ, -MAX_WBITS) != Z_OK) return ZIP_BADZIPFILE;
            m_bInflateAlloue = 1;
        }
        m_bInflateDemarre = 1;
    }
    m_ulResteCompresse = pst->ulCompressedSize - (m_bCrypte ? TAILLE_ENTETE_CRYPT : 0);
    m_ulResteNonCompresse = pst->ulUncompressedSize;
    m_ulPosDonnees =
        m_ulOffsetExtraLocal + m_nTailleExtraLocal + (m_bCrypte ? TAILLE_ENTETE_CRYPT : 0) - m_ulOffsetDepart;
    m_stZ.next_in = m_pbyBufferLecture;
    m_stZ.avail_in = 0;
    m_bOuvert = 1;
    return ZIP_OK;
}

bool CWinZip::bReadCurrentFileInZip(void* pBuffer, unsigned int nTaille, unsigned long* pnLu) {
    if (pnLu != nullptr) *pnLu = 0;
    m_dwErreurSysteme = 0;
    if (!m_bOuvert) return false;
    if (nTaille == 0) return true;
    uint32_t nPlace = static_cast<uint32_t>(nTaille < m_ulResteNonCompresse ? nTaille : m_ulResteNonCompresse);
    auto* pbySortie = static_cast<uint8_t*>(pBuffer);
    unsigned long nLivre = 0;
    while (nPlace > 0) {
        if (m_stZ.avail_in == 0 && m_ulResteCompresse > 0) {
            uint32_t nBloc = static_cast<uint32_t>(
                m_ulResteCompresse < s_nTailleBufferLecture ? m_ulResteCompresse : s_nTailleBufferLecture);
            if (!_bLit(m_ulPosDonnees + m_ulOffsetDepart, m_pbyBufferLecture, nBloc)) return false;
            if (m_bCrypte) DecryptBuffer(m_pbyBufferLecture, nBloc);
            m_ulPosDonnees += nBloc;
            m_ulResteCompresse -= nBloc;
            m_stZ.next_in = m_pbyBufferLecture;
            m_stZ.avail_in = nBloc;
        }
        if (m_ulMethode != 0) {
            m_stZ.next_out = pbySortie + nLivre;
            m_stZ.avail_out = nPlace;
            int nZ = inflate(&m_stZ, Z_SYNC_FLUSH);
            uint32_t nProduit = nPlace - m_stZ.avail_out;
            m_dwCRC = static_cast<uint32_t>(crc32(m_dwCRC, pbySortie + nLivre, nProduit));
            nLivre += nProduit;
            nPlace -= nProduit;
            m_ulResteNonCompresse -= nProduit;
            if (nZ == Z_STREAM_END) break;
            if (nZ != Z_OK) return false;
        } else {
            if (m_stZ.avail_in == 0 && m_ulResteCompresse == 0) break;
            uint32_t n = m_stZ.avail_in < nPlace ? m_stZ.avail_in : nPlace;
            memcpy(pbySortie + nLivre, m_stZ.next_in, n);
            m_stZ.next_in += n;
            m_stZ.avail_in -= n;
            m_dwCRC = static_cast<uint32_t>(crc32(m_dwCRC, pbySortie + nLivre, n));
            nLivre += n;
            nPlace -= n;
            m_ulResteNonCompresse -= n;
        }
    }
    if (pnLu != nullptr) *pnLu = nLivre;
    return true;
}

int CWinZip::CloseCurrentFileInZip(int bVerifie, int) {
    if (bVerifie == 0 || !m_bOuvert) return ZIP_OK;
    int nResultat = ZIP_OK;
    if (m_ulResteNonCompresse == 0 && !m_bRaw && m_dwCRC != m_dwCRCAttendu) nResultat = ZIP_CRCERROR;
    _FermeFlux();
    return nResultat;
}

// ---- the current entry

const wchar_t* CWinZip::CurrentFile_szName() {
    m_szNomCourant[0] = 0;
    if (m_pstCourant == nullptr) return m_szNomCourant;
    wcscpy(m_szNomCourant, m_pstCourant->szNom);
    for (wchar_t* p = m_szNomCourant; *p != 0; p++)
        if (*p == L'/') *p = L'\\';
    return m_szNomCourant;
}

uint64_t CWinZip::CurrentFile_dwTailleNonCompress() const {
    return m_pstCourant != nullptr ? m_pstCourant->ulUncompressedSize : 0;
}

uint64_t CWinZip::CurrentFile_dwTailleCompress() const {
    if (m_pstCourant == nullptr) return 0;
    uint64_t ul = m_pstCourant->ulCompressedSize;
    if (m_pstCourant->bCrypte) ul = ul >= TAILLE_ENTETE_CRYPT ? ul - TAILLE_ENTETE_CRYPT : 0;
    return ul;
}

_sTMDATE CWinZip::CurrentFile_tmDate() const {
    return m_pstCourant != nullptr ? m_pstCourant->tmDate : _sTMDATE{};
}

uint64_t CWinZip::CurrentFile_ulOffsetPhys() const {
    return m_pstCourant != nullptr ? m_pstCourant->ulOffsetPhys : 0;
}

uint32_t CWinZip::CurrentFile_dwDisque() const {
    return m_pstCourant != nullptr ? m_pstCourant->dwDiskNumStart : 0;
}

uint32_t CWinZip::CurrentFile_ulFlag() const {
    return m_pstCourant != nullptr ? m_pstCourant->dwExternalFA : 0;
}

bool CWinZip::CurrentFile_bCrypte() const {
    return m_pstCourant != nullptr && m_pstCourant->bCrypte != 0;
}

const wchar_t* CWinZip::CurrentFile_szExtZip(unsigned int nVolume) {
    bool bAutreDisque;
    uint64_t ulVolume = nVolume;
    if (nVolume == 0xFFFFFFFFu) {
        ulVolume = CurrentFile_dwDisque();
        bAutreDisque = ulVolume != m_ulDisqueRepertoire;
    } else {
        bAutreDisque = ulVolume < m_ulDisqueRepertoire;
    }
    if (bAutreDisque) {
        wchar_t sz[32];
        swprintf(sz, 32, L".z%02u", static_cast<unsigned>(ulVolume + 1));
        m_sExtZip = sz;
    } else {
        m_sExtZip = L".zip";
    }
    return m_sExtZip.pszGet();
}

// ---- settings

bool CWinZip::bSetPassword(const wchar_t* pszPassword) {
    if (pszPassword == nullptr) {
        m_sPassword = L"";
        return true;
    }
    m_sPassword = pszPassword;
    for (const wchar_t* p = pszPassword; *p != 0; p++) {
        if (static_cast<int32_t>(*p) < 1) {
            m_sPassword.Vide();
            return false;
        }
    }
    return true;
}

const wchar_t* CWinZip::pszGetPassword() const {
    return m_sPassword.pszGet() != nullptr ? m_sPassword.pszGet() : L"";
}

bool CWinZip::bSetNiveauCompression(int nNiveau) {
    if (nNiveau < 0 || nNiveau > 9) return false;
    m_nNiveauCompression = nNiveau;
    return true;
}

int CWinZip::bEntete64Bits(int b64Bits) {
    int bAncien = m_b64Bits;
    m_b64Bits = b64Bits;
    return bAncien;
}

bool CWinZip::bFichierZip(const wchar_t* pszChemin) {
    CDiskFile clFichier;
    if (!clFichier.bOpen(pszChemin, IXStream::eAccessRead, IXStream::eShareNone, IXStream::eCreateOpenExisting,
                         IXStream::eFlagNone, nullptr))
        return false;
    _Reset();
    m_pclFichier = &clFichier;
    bool bTrouve = _ulChercheEndRecord() != ~0ull;
    m_pclFichier = nullptr;
    clFichier.Close();
    return bTrouve;
}

// ---- traditional cipher

void CWinZip::UpdateKeys(uint8_t c) {
    const z_crc_t* pTable = get_crc_table();
    m_adwKeys[0] = static_cast<uint32_t>(pTable[(m_adwKeys[0] ^ c) & 0xFF] ^ (m_adwKeys[0] >> 8));
    m_adwKeys[1] += m_adwKeys[0] & 0xFF;
    m_adwKeys[1] = m_adwKeys[1] * 134775813u + 1;
    m_adwKeys[2] = static_cast<uint32_t>(pTable[(m_adwKeys[2] ^ (m_adwKeys[1] >> 24)) & 0xFF] ^ (m_adwKeys[2] >> 8));
}

uint8_t CWinZip::DecryptByte() const {
    uint32_t t = (m_adwKeys[2] | 2) & 0xFFFF;
    return static_cast<uint8_t>((t * (t ^ 1)) >> 8);
}

void CWinZip::InitKeys(const wchar_t* pszPassword) {
    m_adwKeys[0] = 0x12345678;
    m_adwKeys[1] = 0x23456789;
    m_adwKeys[2] = 0x34567890;
    if (pszPassword == nullptr) return;
    for (; *pszPassword != 0; pszPassword++) UpdateKeys(static_cast<uint8_t>(*pszPassword & 0xFF));
}

void CWinZip::DecryptBuffer(uint8_t* pby, uint32_t n) {
    for (uint32_t i = 0; i < n; i++) {
        pby[i] ^= DecryptByte();
        UpdateKeys(pby[i]);
    }
}

void CWinZip::CryptEncodeBuffer(uint8_t* pby, uint32_t n) {
    for (uint32_t i = 0; i < n; i++) {
        uint8_t t = DecryptByte();
        UpdateKeys(pby[i]);
        pby[i] ^= t;
    }
}

void CWinZip::CryptCryptHeader(uint32_t dwCRC, uint8_t* pbyHeader) {
    InitKeys(m_sPassword.pszGet());
    srand(static_cast<unsigned>(GetTickCount()));
    for (int i = 0; i < 10; i++) {
        int n = rand();
        pbyHeader[i] = static_cast<uint8_t>((n >> 6) != 0 ? (n >> 6) : n);
    }
    pbyHeader[10] = static_cast<uint8_t>(dwCRC >> 16);
    pbyHeader[11] = static_cast<uint8_t>(dwCRC >> 24);
    CryptEncodeBuffer(pbyHeader, TAILLE_ENTETE_CRYPT);
}

// ---- writer-side helpers

uint32_t CWinZip::_bEcritEnteteZip() const {
    return TAILLE_END + static_cast<uint32_t>(m_ulTailleCommentaire);
}

uint32_t CWinZip::_bEcritEnteteDir(_stFICZIP* pst) const {
    if (pst->ulUncompressedSize > MAX32 || pst->ulCompressedSize > MAX32 || pst->ulOffset > MAX32 || m_b64Bits) {
        uint8_t* p = pst->abyExtra;
        memset(p, 0, 28);
        p[0] = 1;
        p[2] = 24;
        const uint64_t aul[3] = {pst->ulUncompressedSize, pst->ulCompressedSize, pst->ulOffset};
        for (int i = 0; i < 3; i++)
            for (int j = 0; j < 8; j++) p[4 + 8 * i + j] = static_cast<uint8_t>(aul[i] >> (8 * j));
        pst->nSizeFileExtra = 28;
    }
    return TAILLE_CENTRAL + pst->nSizeFilename + pst->nSizeFileExtra + pst->nSizeFileComment;
}

uint32_t CWinZip::_bEcritEnteteLocaleDir(const _stFICZIP* pst) const {
    bool bZip64 =
        pst->ulUncompressedSize > MAX32 || pst->ulCompressedSize > MAX32 || pst->ulOffset > MAX32 || m_b64Bits;
    return TAILLE_LOCAL + pst->nSizeFilename + (bZip64 ? 20 : 0) + (pst->bCrypte ? TAILLE_ENTETE_CRYPT : 0);
}

uint32_t CWinZip::_TmDateToDosDate(const _sTMDATE* pst) {
    // Years up to 1980 are the DOS epoch itself.
    uint32_t nAnnee = pst->tm_year > 1980 ? static_cast<uint32_t>(pst->tm_year - 1980) : 0;
    uint32_t dwDate =
        static_cast<uint32_t>(pst->tm_mday) | (static_cast<uint32_t>(pst->tm_mon + 1) << 5) | (nAnnee << 9);
    uint32_t dwHeure = static_cast<uint32_t>(pst->tm_sec / 2) | (static_cast<uint32_t>(pst->tm_min) << 5) |
                       (static_cast<uint32_t>(pst->tm_hour) << 11);
    return (dwDate << 16) | (dwHeure & 0xFFFF);
}

void CWinZip::s_DosDateToTmDate(uint32_t dwDosDate, _sTMDATE* pst) {
    uint32_t dwDate = dwDosDate >> 16;
    pst->tm_mday = static_cast<int32_t>(dwDate & 0x1F);
    pst->tm_mon = static_cast<int32_t>((dwDate >> 5) & 0xF);
    pst->tm_year = static_cast<int32_t>(((dwDate >> 9) & 0x7F) + 1980);
    pst->tm_hour = static_cast<int32_t>((dwDosDate >> 11) & 0x1F);
    pst->tm_min = static_cast<int32_t>((dwDosDate >> 5) & 0x3F);
    pst->tm_sec = static_cast<int32_t>(2 * (dwDosDate & 0x1F));
}

uint32_t CWinZip::_GetTimeCreation(const wchar_t* pszChemin) {
    struct stat st;
    if (pszChemin == nullptr || CDiskFile::Unix_stat(pszChemin, &st) != 0) return 0;
    struct tm stTm;
    if (localtime_r(&st.st_mtime, &stTm) == nullptr) return 0;
    _sTMDATE stDate = {stTm.tm_sec, stTm.tm_min, stTm.tm_hour, stTm.tm_mday, stTm.tm_mon, stTm.tm_year + 1900};
    return _TmDateToDosDate(&stDate);
}

const char* CWinZip::_AnsiOem(const char* pszTexte, int bVersOem) {
    XMALLOC_Del(m_pszAnsiOem);
    m_pszAnsiOem = nullptr;
    if (pszTexte == nullptr) return nullptr;
    size_t n = strlen(pszTexte);
    m_pszAnsiOem = static_cast<char*>(XMALLOC_pNew(n + 1));
    if (m_pszAnsiOem == nullptr) return nullptr;
    memcpy(m_pszAnsiOem, pszTexte, n + 1);
    if (!m_bNomsOEM) return m_pszAnsiOem;
    const unsigned nDe = bVersOem ? 1252 : CP_OEMCP;
    const unsigned nVers = bVersOem ? CP_OEMCP : 1252;
    for (size_t i = 0; i < n; i++) {
        auto c = static_cast<unsigned char>(m_pszAnsiOem[i]);
        if (c < 0x80 || c == 0x80) continue;
        wchar_t w[2] = {0, 0};
        char out[8];
        int bDefaut = 0;
        if (MultiByteToWideChar(nDe, 0, &m_pszAnsiOem[i], 1, w, 2) == 1 &&
            WideCharToMultiByte(nVers, 0, w, 1, out, sizeof(out), nullptr, &bDefaut) == 1)
            m_pszAnsiOem[i] = out[0];
        else
            m_pszAnsiOem[i] = '?';
    }
    return m_pszAnsiOem;
}
