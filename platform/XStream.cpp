// IXStream: default answers of the stream interface, and what it builds on the plain read, write
// and seek of the implementation: positioned I/O, formatted text output and the line reader.
#include "platform/XStream.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "core/MyModuleInfo.h"
#include "core/XError.h"
#include "core/platformwin/WinFormat.h"

IXStream::IXStream() : m_pclXError(new CXError(&gstMyModuleInfo39)) {
    m_pclXError->AddRef();
}

IXStream::~IXStream() {
    if (m_pclXError != nullptr) m_pclXError->dwRelease();
    m_pclXError = nullptr;
}

int IXStream::bOpen(const wchar_t*, eACCESS, eSHARE, eCREATE, eFLAG, int*) {
    return 1;
}

int IXStream::bReopen(eACCESS, eSHARE, eCREATE, eFLAG) {
    return 1;
}

int IXStream::bWrite(int64_t oPosition, const void* pData, uint32_t nSize, uint32_t* pnWritten) {
    if (oGetOffset() != oPosition && !bSeek(oPosition, eSeekBegin)) return 0;
    return bWrite(pData, nSize, pnWritten);
}

int IXStream::bRead(int64_t oPosition, void* pBuffer, uint32_t nSize, uint32_t* pnRead) {
    if (oGetOffset() != oPosition && !bSeek(oPosition, eSeekBegin)) return 0;
    return bRead(pBuffer, nSize, pnRead);
}

int IXStream::bWrite(const void*, uint32_t, uint32_t*) {
    return 1;
}

int IXStream::bRead(void*, uint32_t, uint32_t*) {
    return 1;
}

int IXStream::bSeek(int64_t, eSEEK) {
    return 1;
}

int64_t IXStream::oGetSize() {
    return 0;
}

int64_t IXStream::oGetSizeFast() {
    return 0;
}

int IXStream::bFlush() {
    return 1;
}

int IXStream::bSetSize(int64_t, eGROW) {
    return 1;
}

int IXStream::bIncreaseSize(int64_t) {
    return 1;
}

// ---------------------------------------------------------------------------------------------------------------
// Formatted output: one buffer of 1,024 characters and a terminator; longer text is cut.

namespace {
constexpr size_t XSTREAM_FORMAT_BUFFER = 1025;
}

int IXStream::bWriteString(const char* pszFormat, ...) {
    va_list arguments;
    va_start(arguments, pszFormat);
    int bResult = bWriteStringList(pszFormat, arguments);
    va_end(arguments);
    return bResult;
}

int IXStream::bWriteStringList(const char* pszFormat, va_list arguments) {
    char szBuffer[XSTREAM_FORMAT_BUFFER];
    szBuffer[0] = 0;
    if (pszFormat != nullptr) vsnprintf(szBuffer, sizeof(szBuffer), pszFormat, arguments);
    uint32_t nWritten = 0;
    return bWrite(szBuffer, static_cast<uint32_t>(strlen(szBuffer)), &nWritten);
}

int IXStream::bWriteString(const wchar_t* pszFormat, ...) {
    va_list arguments;
    va_start(arguments, pszFormat);
    int bResult = bWriteStringList(pszFormat, arguments);
    va_end(arguments);
    return bResult;
}

int IXStream::bWriteStringList(const wchar_t* pszFormat, va_list arguments) {
    wchar_t szBuffer[XSTREAM_FORMAT_BUFFER];
    szBuffer[0] = 0;
    if (pszFormat != nullptr) vsnwprintfWin(szBuffer, XSTREAM_FORMAT_BUFFER, pszFormat, arguments);
    szBuffer[XSTREAM_FORMAT_BUFFER - 1] = 0;
    // A wide character goes to the stream as it is in memory, 4 bytes.
    uint32_t nWritten = 0;
    return bWrite(szBuffer, static_cast<uint32_t>(wcslen(szBuffer) * sizeof(wchar_t)), &nWritten);
}

// ---------------------------------------------------------------------------------------------------------------
// Line reader. The stream is read in chunks of 80 characters; what was read past the line end (or
// past what fits in the caller's buffer) is given back with a relative seek, so the next read starts
// right after the line.

namespace {

constexpr uint32_t XREADLINE_CHUNK = 80;

template <typename T>
int _bReadLineT(IXStream* pclStream, T* pszBuffer, uint32_t nSize, int* pbTruncated, uint32_t dwFlags) {
    const T cCR = T('\r');
    const T cLF = T('\n');
    if (pbTruncated != nullptr) *pbTruncated = 0;
    // No room even for the terminator: nothing can be returned.
    if (pszBuffer == nullptr || nSize == 0) return 0;
    pszBuffer[0] = 0;
    uint32_t nLength = 0;
    const bool bCRLFMode = (dwFlags & IXStream::XREADLINE_CRLF) != 0;

    for (;;) {
        T aChunk[XREADLINE_CHUNK + 2];
        uint32_t nBytes = 0;
        if (!pclStream->bRead(aChunk, XREADLINE_CHUNK * sizeof(T), &nBytes)) return 0;
        uint32_t nChars = nBytes / sizeof(T);
        // Characters taken from the stream by this chunk; what lies past the part used is given back,
        // with the bytes of a character cut by the end of the data.
        uint32_t nConsumed = nChars;
        int64_t oSpare = nBytes % sizeof(T);
        // A stream whose data ends on a whole chunk still delivers that chunk as the last line.
        if (nChars == 0) return nLength > 0 ? 1 : 0;
        const bool bFull = nChars == XREADLINE_CHUNK;

        int64_t nEnd = -1;  // index of the line end in the chunk, -1 for none
        uint32_t nEndLength = 0;
        if (bCRLFMode) {
            if (bFull && aChunk[nChars - 1] == cCR) {
                // The pair may straddle two chunks: take one more character to decide. Anything but
                // LF is given back, so that the next chunk starts with it: it may itself be the CR
                // of a pair.
                uint32_t nMore = 0;
                if (!pclStream->bRead(aChunk + nChars, sizeof(T), &nMore)) return 0;
                if (nMore == sizeof(T) && aChunk[nChars] == cLF) {
                    nChars++;
                    nConsumed++;
                } else if (nMore != 0 && !pclStream->bSeek(-static_cast<int64_t>(nMore), IXStream::eSeekCurrent)) {
                    return 0;
                }
            }
            for (uint32_t i = 0; i + 1 < nChars; i++) {
                if (aChunk[i] == cCR && aChunk[i + 1] == cLF) {
                    nEnd = i;
                    nEndLength = 2;
                    break;
                }
            }
        } else {
            uint32_t i = 0;
            while (i < nChars && aChunk[i] != cCR) i++;
            if (i < nChars) {
                if (i + 1 < nChars) {
                    nEnd = i;
                    nEndLength = aChunk[i + 1] == cLF ? 2 : 1;
                } else if (bFull) {
                    // A CR that ends a full chunk may be followed by LF: the next chunk starts with it.
                    if (!pclStream->bSeek(-static_cast<int64_t>(sizeof(T)), IXStream::eSeekCurrent)) return 0;
                    nChars--;
                    nConsumed--;
                } else {
                    nEnd = i;
                    nEndLength = 1;
                }
            } else {
                for (i = 0; i < nChars; i++) {
                    if (aChunk[i] == cLF) {
                        nEnd = i;
                        nEndLength = 1;
                        break;
                    }
                }
            }
        }

        uint32_t nText = nEnd >= 0 ? static_cast<uint32_t>(nEnd) : nChars;
        if (nLength + nText > nSize - 1) {
            uint32_t nFit = nSize - 1 - nLength;
            memcpy(pszBuffer + nLength, aChunk, nFit * sizeof(T));
            nLength += nFit;
            pszBuffer[nLength] = 0;
            if (pbTruncated != nullptr) *pbTruncated = 1;
            int64_t oBack = static_cast<int64_t>(nConsumed - nFit) * static_cast<int64_t>(sizeof(T)) + oSpare;
            return oBack == 0 || pclStream->bSeek(-oBack, IXStream::eSeekCurrent) ? 1 : 0;
        }
        memcpy(pszBuffer + nLength, aChunk, nText * sizeof(T));
        nLength += nText;
        pszBuffer[nLength] = 0;

        if (nEnd >= 0) {
            int64_t oBack =
                static_cast<int64_t>(nConsumed - nText - nEndLength) * static_cast<int64_t>(sizeof(T)) + oSpare;
            return oBack == 0 || pclStream->bSeek(-oBack, IXStream::eSeekCurrent) ? 1 : 0;
        }
        if (!bFull) return 1;
    }
}

}  // namespace

int IXStream::bReadLine(char* pszBuffer, uint32_t nSize, int* pbTruncated, uint32_t dwFlags) {
    return _bReadLineT<char>(this, pszBuffer, nSize, pbTruncated, dwFlags);
}

int IXStream::bReadLine(wchar_t* pszBuffer, uint32_t nSize, int* pbTruncated, uint32_t dwFlags) {
    return _bReadLineT<wchar_t>(this, pszBuffer, nSize, pbTruncated, dwFlags);
}

// ---------------------------------------------------------------------------------------------------------------

int IXStream::bExtract(IXStream*, int64_t) {
    return 1;
}

int IXStream::bLockFile(uint64_t, uint64_t) const {
    return 1;
}

int IXStream::bUnlockFile(uint64_t, uint64_t) const {
    return 1;
}

int IXStream::bLock(uint64_t, uint64_t) const {
    return 1;
}

int IXStream::bUnlock(uint64_t, uint64_t) const {
    return 1;
}

const wchar_t* IXStream::pszGetName() const {
    return nullptr;
}

int64_t IXStream::oGetOffset() {
    return -1;
}

int IXStream::bIsOpen() const {
    return 1;
}

CXError* IXStream::pclGetXError() const {
    return m_pclXError;
}

CXError* IXStream::_pclGetXError() const {
    return m_pclXError;
}

int IXStream::vbSetNameForError(const wchar_t*) {
    return 1;
}

int IXStream::bGetVFSFileName(wchar_t*) {
    return 0;
}

int IXStream::bLockFileEx(int, int) const {
    return 1;
}

const wchar_t* IXStream::pszReadLine(wchar_t*, uint32_t, CTString*, const wchar_t*) {
    return nullptr;
}

int IXStream::bExtendFile(int64_t) {
    return 1;
}

void IXStream::m565EmptyMethodXStream() const {}
void IXStream::m566EmptyMethodXStream() const {}
void IXStream::m567EmptyMethodXStream() const {}
void IXStream::m568EmptyMethodXStream() const {}
void IXStream::m569EmptyMethodXStream() const {}
void IXStream::m570EmptyMethodXStream() const {}
void IXStream::m571EmptyMethodXStream() const {}
void IXStream::m572EmptyMethodXStream() const {}
void IXStream::m573EmptyMethodXStream() const {}
void IXStream::m574EmptyMethodXStream() const {}
void IXStream::m575EmptyMethodXStream() const {}
void IXStream::m576EmptyMethodXStream() const {}
void IXStream::m577EmptyMethodXStream() const {}
void IXStream::m578EmptyMethodXStream() const {}
