// CXFile: the file facade. Every operation goes to the stream the facade holds; the default stream (a
// disk file) is created by the first open or naming. An operation that needs a stream and finds none
// fails (FALSE, -1 or null, counts set to 0) rather than claiming to have read or written anything.
#include "platform/XFile.h"

#include <cstdlib>
#include <cwchar>
#include <new>

#include "platform/DiskFile.h"

namespace {
// Size of the copy buffer of bExtract.
constexpr uint32_t s_nTailleCopie = 65536;

int bNoStream(uint32_t* pnCount) {
    if (pnCount != nullptr) *pnCount = 0;
    return 0;
}
}  // namespace

CXFile::CXFile() : m_piStream(nullptr), m_bOwnStream(0) {}

CXFile::CXFile(IXStream* piStream) : m_piStream(piStream), m_bOwnStream(0) {
    if (m_piStream != nullptr) m_piStream->AddRef();
}

CXFile::~CXFile() {
    // Called on CXFile's own _FreeStream: a derived class has already gone when this runs.
    CXFile::_FreeStream();
}

// ---- stream management

void CXFile::_FreeStream() {
    if (m_piStream != nullptr) m_piStream->dwRelease();
    m_piStream = nullptr;
    m_bOwnStream = 0;
}

IXStream* CXFile::__xpclAllocDiskFile() {
    return new (std::nothrow) CDiskFile();
}

void CXFile::SetStream(IXStream* piStream) {
    // The new reference is taken before the old one goes, so handing in the stream already held
    // cannot destroy it on the way.
    if (piStream != nullptr) piStream->AddRef();
    _FreeStream();
    m_piStream = piStream;
    m_bOwnStream = 0;
}

int CXFile::bCreateStream() {
    SetStream(__xpclAllocDiskFile());
    if (m_piStream == nullptr) return 0;
    m_bOwnStream = 1;
    return 1;
}

int CXFile::bSetNameForError(const wchar_t* pszName) {
    if (m_piStream == nullptr && !bCreateStream()) return 0;
    return m_piStream->vbSetNameForError(pszName);
}

// ---- operations that work without a stream

int CXFile::bOpen(const wchar_t* pszName, IXStream::eACCESS eAccess, IXStream::eSHARE eShare, IXStream::eCREATE eCreate,
                  IXStream::eFLAG eFlag, int* pbCreated) {
    if (m_piStream == nullptr && !bCreateStream()) {
        if (pbCreated != nullptr) *pbCreated = 0;
        return 0;
    }
    return m_piStream->bOpen(pszName, eAccess, eShare, eCreate, eFlag, pbCreated);
}

void CXFile::Close() {
    if (m_piStream != nullptr) m_piStream->Close();
}

const wchar_t* CXFile::pszGetName() const {
    return m_piStream != nullptr ? m_piStream->pszGetName() : nullptr;
}

int CXFile::bIsOpen() const {
    return m_piStream != nullptr ? m_piStream->bIsOpen() : 0;
}

CXError* CXFile::pclGetXError() const {
    return m_piStream != nullptr ? m_piStream->pclGetXError() : nullptr;
}

IXStream::eACCESS CXFile::veGetAccess() const {
    return m_piStream != nullptr ? m_piStream->veGetAccess() : IXStream::eAccessDefault;
}

// ---- forwarding

int CXFile::bReopen(IXStream::eACCESS eAccess, IXStream::eSHARE eShare, IXStream::eCREATE eCreate,
                    IXStream::eFLAG eFlag) {
    return m_piStream != nullptr ? m_piStream->bReopen(eAccess, eShare, eCreate, eFlag) : 0;
}

int CXFile::bWrite(int64_t oPosition, const void* pData, uint32_t nSize, uint32_t* pnWritten) {
    if (m_piStream == nullptr) return bNoStream(pnWritten);
    return m_piStream->bWrite(oPosition, pData, nSize, pnWritten);
}

int CXFile::bRead(int64_t oPosition, void* pBuffer, uint32_t nSize, uint32_t* pnRead) {
    if (m_piStream == nullptr) return bNoStream(pnRead);
    return m_piStream->bRead(oPosition, pBuffer, nSize, pnRead);
}

int CXFile::bWrite(const void* pData, uint32_t nSize, uint32_t* pnWritten) {
    if (m_piStream == nullptr) return bNoStream(pnWritten);
    return m_piStream->bWrite(pData, nSize, pnWritten);
}

int CXFile::bRead(void* pBuffer, uint32_t nSize, uint32_t* pnRead) {
    if (m_piStream == nullptr) return bNoStream(pnRead);
    return m_piStream->bRead(pBuffer, nSize, pnRead);
}

int CXFile::bSeek(int64_t oOffset, IXStream::eSEEK eSeek) {
    return m_piStream != nullptr ? m_piStream->bSeek(oOffset, eSeek) : 0;
}

int64_t CXFile::oGetSize() {
    return m_piStream != nullptr ? m_piStream->oGetSize() : -1;
}

int64_t CXFile::oGetSizeFast() {
    return m_piStream != nullptr ? m_piStream->oGetSizeFast() : -1;
}

int CXFile::bFlush() {
    return m_piStream != nullptr ? m_piStream->bFlush() : 0;
}

int CXFile::bSetSize(int64_t oSize, IXStream::eGROW eGrow) {
    return m_piStream != nullptr ? m_piStream->bSetSize(oSize, eGrow) : 0;
}

int CXFile::bIncreaseSize(int64_t oSize) {
    return m_piStream != nullptr ? m_piStream->bIncreaseSize(oSize) : 0;
}

int CXFile::bWriteString(const char* pszFormat, ...) {
    va_list arguments;
    va_start(arguments, pszFormat);
    int bResult = bWriteStringList(pszFormat, arguments);
    va_end(arguments);
    return bResult;
}

int CXFile::bWriteStringList(const char* pszFormat, va_list arguments) {
    return m_piStream != nullptr ? m_piStream->bWriteStringList(pszFormat, arguments) : 0;
}

int CXFile::bWriteString(const wchar_t* pszFormat, ...) {
    va_list arguments;
    va_start(arguments, pszFormat);
    int bResult = bWriteStringList(pszFormat, arguments);
    va_end(arguments);
    return bResult;
}

int CXFile::bWriteStringList(const wchar_t* pszFormat, va_list arguments) {
    return m_piStream != nullptr ? m_piStream->bWriteStringList(pszFormat, arguments) : 0;
}

int CXFile::bReadLine(char* pszBuffer, uint32_t nSize, int* pbTruncated, uint32_t dwFlags) {
    return m_piStream != nullptr ? m_piStream->bReadLine(pszBuffer, nSize, pbTruncated, dwFlags) : 0;
}

int CXFile::bReadLine(wchar_t* pszBuffer, uint32_t nSize, int* pbTruncated, uint32_t dwFlags) {
    return m_piStream != nullptr ? m_piStream->bReadLine(pszBuffer, nSize, pbTruncated, dwFlags) : 0;
}

int CXFile::bReadLineUNICODE(wchar_t* pszBuffer, uint32_t nSize, int* pbTruncated) {
    return m_piStream != nullptr ? m_piStream->bReadLine(pszBuffer, nSize, pbTruncated, 0) : 0;
}

int CXFile::bLockFile(uint64_t oOffset, uint64_t oLength) const {
    return m_piStream != nullptr ? m_piStream->bLockFile(oOffset, oLength) : 0;
}

int CXFile::bUnlockFile(uint64_t oOffset, uint64_t oLength) const {
    return m_piStream != nullptr ? m_piStream->bUnlockFile(oOffset, oLength) : 0;
}

int CXFile::bLock(uint64_t oOffset, uint64_t oLength) const {
    return m_piStream != nullptr ? m_piStream->bLock(oOffset, oLength) : 0;
}

int CXFile::bUnlock(uint64_t oOffset, uint64_t oLength) const {
    return m_piStream != nullptr ? m_piStream->bUnlock(oOffset, oLength) : 0;
}

int64_t CXFile::oGetOffset() {
    return m_piStream != nullptr ? m_piStream->oGetOffset() : -1;
}

CXError* CXFile::_pclGetXError() const {
    return m_piStream != nullptr ? m_piStream->_pclGetXError() : nullptr;
}

// ---- operations of the facade itself

int CXFile::bWriteLine(const wchar_t* pszText) {
    static const wchar_t s_szCRLF[2] = {L'\r', L'\n'};
    size_t nLength = pszText != nullptr ? wcslen(pszText) : 0;
    if (nLength > UINT32_MAX / sizeof(wchar_t)) return 0;
    if (!bWrite(pszText, static_cast<uint32_t>(nLength * sizeof(wchar_t)), nullptr)) return 0;
    return bWrite(s_szCRLF, sizeof(s_szCRLF), nullptr);
}

int CXFile::bExtract(CXFile* pclDestination, int64_t oSize) {
    if (pclDestination == nullptr) return 0;
    if (oSize < 0) {
        // A size or position that cannot be told gives no rest to copy.
        int64_t oFileSize = oGetSize();
        int64_t oOffset = oGetOffset();
        if (oFileSize < 0 || oOffset < 0) return 0;
        oSize = oFileSize - oOffset;
        if (oSize < 0) oSize = 0;
    }
    if (oSize == 0) return 1;

    unsigned char* pbyBuffer = static_cast<unsigned char*>(malloc(s_nTailleCopie));
    if (pbyBuffer == nullptr) return 0;
    int bResult = 1;
    for (;;) {
        uint32_t nRead = 0;
        if (!bRead(pbyBuffer, s_nTailleCopie, &nRead)) {
            bResult = 0;
            break;
        }
        uint32_t nUsed = nRead;
        if (static_cast<int64_t>(nRead) > oSize) {
            // Read past what was asked: the bytes beyond are left for the next reader.
            if (!bSeek(oSize - static_cast<int64_t>(nRead), IXStream::eSeekCurrent)) {
                bResult = 0;
                break;
            }
            nUsed = static_cast<uint32_t>(oSize);
        }
        if (!pclDestination->bWrite(pbyBuffer, nUsed, nullptr)) {
            bResult = 0;
            break;
        }
        oSize -= nUsed;
        if (oSize == 0 || nRead < s_nTailleCopie) break;
    }
    free(pbyBuffer);
    return bResult;
}

// ---- reserved slots

void CXFile::m242EmptyMethodXStream() const {}
void CXFile::m243EmptyMethodXStream() const {}
void CXFile::m244EmptyMethodXStream() const {}
void CXFile::m245EmptyMethodXStream() const {}
void CXFile::m246EmptyMethodXStream() const {}
void CXFile::m247EmptyMethodXStream() const {}
void CXFile::m248EmptyMethodXStream() const {}
void CXFile::m249EmptyMethodXStream() const {}
void CXFile::m250EmptyMethodXStream() const {}
void CXFile::m251EmptyMethodXStream() const {}
void CXFile::m252EmptyMethodXStream() const {}
void CXFile::m253EmptyMethodXStream() const {}
