// CKXMFile: message files. The header read takes the format version (which gives the code page of
// the texts) and the size of the skipped block; the index is read on the first look-up of an opened
// file, once, and searched by halves; a record is read from its offset past the index. Every count,
// length and offset taken from the file is checked against the file's size before it sizes an
// allocation or a read, so a damaged file gives "not found" instead of a wild read.
#include "platform/KXMFile.h"

#include <cstdlib>
#include <cstring>

#include "core/TString.h"
#include "core/platformwin/WinCodePage.h"

namespace {
// Code pages of the texts: format versions below 2 wrote code page 1252, later ones UTF-8.
constexpr uint32_t s_nCodePageAncien = 1252;
constexpr uint32_t s_nCodePageUTF8 = CP_UTF8;
constexpr uint32_t s_nVersionUTF8 = 2;

// A record: one byte, the 32-bit length, then the text.
constexpr uint64_t s_nDebutTexte = 1 + sizeof(uint32_t);

// Reads exactly nSize bytes at the current position.
int bLitExact(CXFile& clFile, void* pBuffer, uint32_t nSize) {
    uint32_t nRead = 0;
    return clFile.bRead(pBuffer, nSize, &nRead) && nRead == nSize;
}

// TRUE when nBytes bytes from oPosition lie inside a file of oTailleFichier bytes.
bool bDansLeFichier(int64_t oTailleFichier, uint64_t oPosition, uint64_t nBytes) {
    if (oTailleFichier < 0) return false;
    uint64_t oTaille = static_cast<uint64_t>(oTailleFichier);
    return oPosition <= oTaille && nBytes <= oTaille - oPosition;
}
}  // namespace

CKXMFile::CKXMFile()
    : CKXFile(0),
      m_nTailleBloc(0),
      m_oPosIndex(0),
      m_nNbIndex(0),
      m_pstIndex(nullptr),
      m_nVersionFormat(0),
      m_nCodePage(s_nCodePageUTF8),
      m_bChargementTente(0) {}

CKXMFile::~CKXMFile() {
    free(m_pstIndex);
}

void CKXMFile::Purge() {
    free(m_pstIndex);
    m_pstIndex = nullptr;
    m_nNbIndex = 0;
    m_nVersionFormat = 0;
    m_nTailleBloc = 0;
    m_oPosIndex = 0;
    m_bChargementTente = 0;
}

int CKXMFile::bReadHeader(long* plPosition) {
    // An index loaded from the file this object opened before says nothing of this one.
    Purge();
    long lLocal = 0;
    if (plPosition == nullptr) plPosition = &lLocal;
    if (!CKXFile::bReadHeader(plPosition)) return 0;

    uint32_t nVersion = 0;
    uint32_t nRead = 0;
    if (!bRead(*plPosition, &nVersion, sizeof(nVersion), &nRead) || nRead < sizeof(nVersion)) return 0;
    m_nVersionFormat = nVersion;
    // Set both ways: the object may have read a file of the other kind before.
    m_nCodePage = nVersion < s_nVersionUTF8 ? s_nCodePageAncien : s_nCodePageUTF8;
    *plPosition += sizeof(nVersion);

    uint32_t nTailleBloc = 0;
    if (!bRead(*plPosition, &nTailleBloc, sizeof(nTailleBloc), &nRead) || nRead < sizeof(nTailleBloc)) return 0;
    m_nTailleBloc = nTailleBloc;
    *plPosition += sizeof(nTailleBloc);
    m_oPosIndex = static_cast<uint64_t>(*plPosition) + nTailleBloc;
    return 1;
}

int CKXMFile::bVerifieFormat(const wchar_t* pszName) {
    if (!bOpen(pszName, IXStream::eFormatDefault, IXStream::eAccessRead, IXStream::eShareNone,
               IXStream::eCreateOpenExisting, IXStream::eFlagNone))
        return 0;
    int bResult = _bChargeIndex();
    Close();
    return bResult;
}

int CKXMFile::_bChargeIndex() {
    if (m_pstIndex != nullptr) return 1;
    if (m_bChargementTente) return 0;
    m_bChargementTente = 1;

    if (m_oPosIndex > INT64_MAX || !bSeek(static_cast<int64_t>(m_oPosIndex), IXStream::eSeekBegin)) return 0;
    uint32_t nNbIndex = 0;
    if (!bLitExact(*this, &nNbIndex, sizeof(nNbIndex))) return 0;
    uint64_t oDebutEntrees = m_oPosIndex + sizeof(nNbIndex);
    uint64_t nTailleEntrees = static_cast<uint64_t>(nNbIndex) * sizeof(_stINDEX_MESSAGE);
    // The count comes from the file: entries that cannot all be in it mean a damaged file.
    if (nTailleEntrees > UINT32_MAX || !bDansLeFichier(oGetSize(), oDebutEntrees, nTailleEntrees)) return 0;

    // One entry at least, so that an empty index still counts as loaded.
    size_t nAlloc = nNbIndex != 0 ? static_cast<size_t>(nTailleEntrees) : sizeof(_stINDEX_MESSAGE);
    _stINDEX_MESSAGE* pstIndex = static_cast<_stINDEX_MESSAGE*>(malloc(nAlloc));
    if (pstIndex == nullptr) return 0;
    if (!bLitExact(*this, pstIndex, static_cast<uint32_t>(nTailleEntrees))) {
        free(pstIndex);
        return 0;
    }
    m_pstIndex = pstIndex;
    m_nNbIndex = nNbIndex;
    m_oPosIndex = oDebutEntrees + nTailleEntrees;
    return 1;
}

uint64_t CKXMFile::_oChercheMessage(uint32_t nNumero) const {
    uint32_t nBas = 0;
    uint32_t nHaut = m_nNbIndex;
    while (nBas < nHaut) {
        uint32_t nMilieu = nBas + (nHaut - nBas) / 2;
        uint32_t nLu = m_pstIndex[nMilieu].nNumero;
        if (nLu == nNumero) {
            uint64_t oOffset = m_pstIndex[nMilieu].oOffset;
            if (oOffset > UINT64_MAX - m_oPosIndex) return 0;
            return m_oPosIndex + oOffset;
        }
        if (nLu < nNumero)
            nBas = nMilieu + 1;
        else
            nHaut = nMilieu;
    }
    return 0;
}

char* CKXMFile::_pszLitMessage(uint32_t nNumero, uint32_t* pnLongueur) {
    if (!_bChargeIndex()) return nullptr;
    uint64_t oRecord = _oChercheMessage(nNumero);
    if (oRecord == 0) return nullptr;
    // The record's length and text must both lie in the file.
    int64_t oTailleFichier = oGetSize();
    if (!bDansLeFichier(oTailleFichier, oRecord, s_nDebutTexte)) return nullptr;
    if (!bSeek(static_cast<int64_t>(oRecord + 1), IXStream::eSeekBegin)) return nullptr;
    uint32_t nLongueur = 0;
    if (!bLitExact(*this, &nLongueur, sizeof(nLongueur))) return nullptr;
    if (!bDansLeFichier(oTailleFichier, oRecord + s_nDebutTexte, nLongueur)) return nullptr;

    char* pszTexte = static_cast<char*>(malloc(static_cast<size_t>(nLongueur) + 1));
    if (pszTexte == nullptr) return nullptr;
    if (!bLitExact(*this, pszTexte, nLongueur)) {
        free(pszTexte);
        return nullptr;
    }
    pszTexte[nLongueur] = 0;
    *pnLongueur = nLongueur;
    return pszTexte;
}

int CKXMFile::bLoadString(uint32_t nNumero, CTString* pclText) {
    if (pclText == nullptr) return 0;
    uint32_t nLongueur = 0;
    char* pszTexte = _pszLitMessage(nNumero, &nLongueur);
    if (pszTexte == nullptr) return 0;
    pclText->SetANSIEx(pszTexte, -1, m_nCodePage);
    free(pszTexte);
    return 1;
}

int CKXMFile::nLoadString(uint32_t nNumero, wchar_t* pszBuffer, int nSize) {
    if (pszBuffer == nullptr || nSize <= 0) return 0;
    pszBuffer[0] = 0;
    uint32_t nLongueur = 0;
    char* pszTexte = _pszLitMessage(nNumero, &nLongueur);
    if (pszTexte == nullptr) return 0;
    if (nLongueur == 0 || nLongueur > INT32_MAX) {
        free(pszTexte);
        return 0;
    }
    // The text is converted whole, then cut to the caller's room.
    int nResult = 0;
    int nNeeded = MultiByteToWideChar(m_nCodePage, 0, pszTexte, static_cast<int>(nLongueur), nullptr, 0);
    wchar_t* pszWide = nNeeded > 0 ? static_cast<wchar_t*>(malloc(sizeof(wchar_t) * nNeeded)) : nullptr;
    if (pszWide != nullptr) {
        int nWritten = MultiByteToWideChar(m_nCodePage, 0, pszTexte, static_cast<int>(nLongueur), pszWide, nNeeded);
        if (nWritten > 0) {
            int nCopy = nWritten < nSize - 1 ? nWritten : nSize - 1;
            memcpy(pszBuffer, pszWide, sizeof(wchar_t) * nCopy);
            pszBuffer[nCopy] = 0;
            nResult = static_cast<int>(nLongueur);
        }
        free(pszWide);
    }
    free(pszTexte);
    return nResult;
}
