// CDiskFile, the disk file object: opening with access, share and create modes and a whole-file
// record lock, plain and exact reads and writes that keep their own position, size changes, record
// locks, copies to other streams and files, the wide-character line reader, and the failure report
// every operation writes into the stream's error object. Also the static operations that work
// through a local disk file (load, concatenate, extract).
#include "platform/DiskFile.h"

#include <fcntl.h>
#include <sched.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwchar>

#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/VQBIN.h"
#include "core/XError.h"
#include "platform/WinMemoryTime.h"

namespace {

// Copies work in chunks of this size from one heap buffer.
constexpr uint32_t DISKFILE_COPY_CHUNK = 65536;
// The line reader's block: one read of this many bytes, in a buffer of 65,537 wide characters.
constexpr uint32_t DISKFILE_LINE_READ = 65536;
constexpr uint32_t DISKFILE_LINE_BUFFER = 65537;

// User messages of the stream's failure reports.
constexpr uint32_t MSG_OPEN_EXISTING = 28139;
constexpr uint32_t MSG_OPEN_OR_CREATE = 28002;
constexpr uint32_t MSG_CREATE = 28140;
constexpr uint32_t MSG_READ = 28003;
constexpr uint32_t MSG_WRITE = 28008;
constexpr uint32_t MSG_SET_SIZE = 28004;
constexpr uint32_t MSG_SEEK = 28005;
constexpr uint32_t MSG_FLUSH = 28001;
constexpr uint32_t MSG_LOCK = 28145;
constexpr uint32_t MSG_UNLOCK = 28146;

uint32_t _nOpenMessage(uint32_t eCreate) {
    switch (eCreate) {
        case IXStream::eCreateOpenExisting:
            return MSG_OPEN_EXISTING;
        case IXStream::eCreateOpenAlways:
            return MSG_OPEN_OR_CREATE;
        case IXStream::eCreateAlways:
            return MSG_CREATE;
        default:
            return 0;
    }
}

wchar_t* _pszDuplicate(const wchar_t* psz) {
    size_t nBytes = (wcslen(psz) + 1) * sizeof(wchar_t);
    wchar_t* pszCopy = static_cast<wchar_t*>(malloc(nBytes));
    if (pszCopy != nullptr) memcpy(pszCopy, psz, nBytes);
    return pszCopy;
}

}  // namespace

CDiskFile::CDiskFile()
    : m_nHandle(-1),
      m_oPosition(0),
      m_pszLineBuffer(nullptr),
      m_pszLineCursor(nullptr),
      m_nOpenFlags(-1),
      m_pszNameForError(m_szName) {
    m_szName[0] = 0;
}

CDiskFile::~CDiskFile() {
    if (m_nHandle != -1) close(m_nHandle);
    free(m_pszLineBuffer);
    if (m_pszNameForError != m_szName) free(m_pszNameForError);
}

// ---------------------------------------------------------------------------------------------------------------
// Failure report

void CDiskFile::_ReportFailure(uint32_t dwSystemError, uint32_t nMessage, const wchar_t* pszDebug1,
                               const wchar_t* pszDebug2, int nArgs, uint64_t oArg1, uint64_t oArg2) const {
    int nSaved = errno;
    CXError* pclErr = m_pclXError;
    pclErr->SetErrorLevel(CXError::XEL_ERROR);
    pclErr->InitModInfo(&gstMyModuleInfo39, 1);
    pclErr->__SetSystemError(dwSystemError);
    pclErr->AddDebugMessagePrintf(L"##(IXStream)-Handle=<%p>##",
                                  reinterpret_cast<void*>(static_cast<intptr_t>(m_nHandle)));
    if (pszDebug1 != nullptr) pclErr->AddDebugMessageNoFormat(pszDebug1);
    if (pszDebug2 != nullptr) pclErr->AddDebugMessageNoFormat(pszDebug2);
    if (nMessage != 0) {
        if (nArgs == 2)
            pclErr->AddUserMessageFirst(&gstMyModuleInfo39, nMessage, m_pszNameForError,
                                        static_cast<unsigned long long>(oArg1), static_cast<unsigned long long>(oArg2));
        else
            pclErr->AddUserMessageFirst(&gstMyModuleInfo39, nMessage, m_pszNameForError);
    }
    pclErr->AddInfo(CXError::EIT_SRCFILE, m_pszNameForError);
    errno = nSaved;
}

// ---------------------------------------------------------------------------------------------------------------
// Open and close

int CDiskFile::bOpen(const wchar_t* pszName, eACCESS eAccess, eSHARE eShare, eCREATE eCreate, eFLAG eFlag,
                     int* pbCreated) {
    const bool bReopening = pszName == m_szName;
    CTString clSlashed;
    if (!bReopening) {
        clSlashed.Set(pszName);
        clSlashed.Remplace(L'\\', L'/');
        pszName = clSlashed.pszGet();
    }
    m_pclXError->SetErrorLevel(CXError::XEL_NOERROR);
    if (pbCreated != nullptr) *pbCreated = 0;
    // A second open of the same object would lose the descriptor (and its locks) of the first.
    if (m_nHandle != -1) {
        close(m_nHandle);
        m_nHandle = -1;
        m_nOpenFlags = -1;
        m_oPosition = 0;
    }

    int nFailure = 0;
    // A name refused by the last open leaves no name to reopen (see below).
    if (bReopening && m_szName[0] == 0) nFailure = ENOENT;
    if (!bReopening) {
        // The full path is made in a buffer large enough for any result, so that a name too long
        // for the name buffer is refused instead of being cut (or of leaving the working directory
        // alone in the buffer, which a read-only open would then accept).
        size_t nWork = wcslen(pszName) + PATH_MAX + 2;
        wchar_t* pszFull = static_cast<wchar_t*>(malloc(nWork * sizeof(wchar_t)));
        uint32_t nFull = 0;
        if (pszFull != nullptr) {
            pszFull[0] = 0;
            nFull = GetFullPathName(pszName, static_cast<uint32_t>(nWork), pszFull);
        }
        if (pszFull == nullptr) {
            nFailure = ENOMEM;
        } else if (nFull == 0) {
            nFailure = ENOENT;
        } else if (nFull > s_nMaxPath || nFull >= nWork) {
            nFailure = ENAMETOOLONG;
        } else {
            wcscpy(m_szName, pszFull);
        }
        free(pszFull);
        if (nFailure != 0) {
            // The name buffer holds the names of files opened: a refused name leaves it empty, so
            // that a later bReopen cannot open the name cut to the buffer (another file). The report
            // names what the caller asked for, whole.
            m_szName[0] = 0;
            m_oPosition = 0;
            m_nHandle = -1;
            if (m_pszNameForError == m_szName) {
                m_pszNameForError = const_cast<wchar_t*>(pszName);
                _ReportFailure(static_cast<uint32_t>(nFailure), _nOpenMessage(eCreate));
                m_pszNameForError = m_szName;
            } else {
                _ReportFailure(static_cast<uint32_t>(nFailure), _nOpenMessage(eCreate));
            }
            errno = nFailure;
            return 0;
        }
    }

    int nHandle = -1;
    bool bDirectory = false;
    if (nFailure == 0) {
        int nFlags;
        if (eFlag == eFlagDirectory && bIsADirectory(m_szName)) {
            nFlags = O_DIRECTORY;
            bDirectory = true;
        } else {
            nFlags = (eAccess == eAccessDefault ? 0 : static_cast<int>(eAccess)) | O_NONBLOCK;
        }
        if (eCreate == eCreateOpenAlways) {
            m_nOpenFlags = nFlags;
            nHandle = Unix_open(m_szName, nFlags, 0666);
            if (nHandle != -1) {
                // Callers learn from errno that the file was there already.
                errno = EEXIST;
            } else {
                nFlags |= O_CREAT;
                m_nOpenFlags = nFlags;
                nHandle = Unix_open(m_szName, nFlags, 0666);
                if (nHandle != -1 && pbCreated != nullptr) *pbCreated = 1;
            }
        } else {
            nFlags |= static_cast<int>(eCreate);
            m_nOpenFlags = nFlags;
            nHandle = Unix_open(m_szName, nFlags, 0666);
        }
        if (nHandle == -1) {
            nFailure = errno;
        } else if (!bDirectory) {
            struct flock stLock;
            memset(&stLock, 0, sizeof(stLock));
            stLock.l_type = static_cast<short>(eShare & 0xFFFF);
            stLock.l_whence = SEEK_SET;
            if (fcntl(nHandle, F_SETLK, &stLock) == -1) {
                close(nHandle);
                nHandle = -1;
                nFailure = static_cast<int>(s_dwLockConflict);
            }
        }
    }

    if (nHandle != -1) {
        m_nHandle = nHandle;
        m_oPosition = 0;
        if (eCreate == eCreateAlways && pbCreated != nullptr) *pbCreated = 1;
        return 1;
    }
    m_nHandle = -1;
    _ReportFailure(static_cast<uint32_t>(nFailure), _nOpenMessage(eCreate));
    errno = nFailure;
    return 0;
}

void CDiskFile::Close() {
    if (m_nHandle == -1) return;
    // close() gives the descriptor back to the system even when it reports a failure (an error of
    // the last write-back, an interruption): its number may be handed to the next open at once, so
    // the object forgets it whatever close() answered. Keeping it would make a later close, read or
    // write of this object reach some other file.
    close(m_nHandle);
    m_nHandle = -1;
    m_oPosition = 0;
    m_nOpenFlags = -1;
    if (m_pszNameForError != m_szName) free(m_pszNameForError);
    m_pszNameForError = m_szName;
}

int CDiskFile::bReopen(eACCESS eAccess, eSHARE eShare, eCREATE eCreate, eFLAG eFlag) {
    Close();
    return bOpen(m_szName, eAccess, eShare, eCreate, eFlag, nullptr);
}

int CDiskFile::bOpenExclusifReessais(const wchar_t* pszName, int bCountAttempts, uint32_t nLimit, eACCESS eAccess,
                                     eCREATE eCreate, eFLAG eFlag, int* pbCreated) {
    if (eAccess == eAccessRead) eAccess = eAccessReadWrite;
    uint32_t nStart = bCountAttempts ? 0 : static_cast<uint32_t>(GetTickCount());
    // At least one attempt, whatever the count.
    int64_t nAttemptsLeft = nLimit;
    for (;;) {
        if (bOpen(pszName, eAccess, eShareExclusive, eCreate, eFlag, pbCreated)) return 1;
        if (m_pclXError->dwGetSystemErrorCode() != s_dwLockConflict) return 0;
        if (bCountAttempts) {
            if (--nAttemptsLeft <= 0) return 0;
            sched_yield();
        } else {
            uint32_t nNow = static_cast<uint32_t>(GetTickCount());
            if (nNow < nStart || nNow - nStart > nLimit) return 0;
            usleep(100000);
        }
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Reads, writes, position, size

int CDiskFile::bWrite(int64_t oPosition, const void* pData, uint32_t nSize, uint32_t* pnWritten) {
    if (m_oPosition != oPosition && !bSeek(oPosition, eSeekBegin)) return 0;
    return bWrite(pData, nSize, pnWritten);
}

int CDiskFile::bRead(int64_t oPosition, void* pBuffer, uint32_t nSize, uint32_t* pnRead) {
    if (m_oPosition != oPosition && !bSeek(oPosition, eSeekBegin)) return 0;
    return bRead(pBuffer, nSize, pnRead);
}

int CDiskFile::bRead(void* pBuffer, uint32_t nSize, uint32_t* pnRead) {
    m_pclXError->SetErrorLevel(CXError::XEL_NOERROR);
    const bool bExact = pnRead == nullptr;
    uint32_t nLocal = 0;
    uint32_t& nRead = bExact ? nLocal : *pnRead;
    nRead = 0;
    ssize_t nResult = read(m_nHandle, pBuffer, nSize);
    if (nResult >= 0) {
        nRead = static_cast<uint32_t>(nResult);
        m_oPosition += nResult;
    }
    if (nResult < 0 || (bExact && nRead < nSize)) {
        uint32_t dwSystem = nResult < 0 ? static_cast<uint32_t>(errno) : 0;
        CTString clExact, clCounts;
        clExact.printf(L"##(IXStream)-bExact=<%d>##", bExact ? 1 : 0);
        clCounts.printf(L"##(IXStream)-A lire=<%u>, lu=<%u>##", nSize, nRead);
        _ReportFailure(dwSystem, MSG_READ, clExact.pszGet(), clCounts.pszGet());
        return 0;
    }
    return 1;
}

int CDiskFile::bWrite(const void* pData, uint32_t nSize, uint32_t* pnWritten) {
    m_pclXError->SetErrorLevel(CXError::XEL_NOERROR);
    if (pnWritten != nullptr) *pnWritten = 0;
    if (nSize == 0) return 1;
    // A short write sets no errno of its own: it must not report the code of an older call.
    errno = 0;
    ssize_t nResult = write(m_nHandle, pData, nSize);
    // Bytes of a short write did move the descriptor's offset: the position follows them, so that a
    // positioned call never skips a seek it needs.
    if (nResult > 0) {
        m_oPosition += nResult;
        if (pnWritten != nullptr) *pnWritten = static_cast<uint32_t>(nResult);
    }
    if (nResult != static_cast<ssize_t>(nSize)) {
        uint32_t dwSystem = static_cast<uint32_t>(errno);
        CTString clAccess;
        clAccess.printf(L"##(IXStream)-Access=<%x>##", static_cast<unsigned>(m_nOpenFlags));
        _ReportFailure(dwSystem, MSG_WRITE, clAccess.pszGet());
        return 0;
    }
    return 1;
}

int CDiskFile::bSeek(int64_t oOffset, eSEEK eSeek) {
    m_pclXError->SetErrorLevel(CXError::XEL_NOERROR);
    off_t oResult = lseek(m_nHandle, static_cast<off_t>(oOffset), static_cast<int>(eSeek));
    if (oResult == static_cast<off_t>(-1)) {
        _ReportFailure(static_cast<uint32_t>(errno), MSG_SEEK);
        return 0;
    }
    m_oPosition = oResult;
    return 1;
}

int64_t CDiskFile::oGetSize() {
    int64_t oSaved = m_oPosition;
    if (!bSeek(0, eSeekEnd)) return -1;
    int64_t oSize = m_oPosition;
    if (!bSeek(oSaved, eSeekBegin)) return -1;
    return oSize;
}

int64_t CDiskFile::oGetSizeFast() {
    return bSeek(0, eSeekEnd) ? m_oPosition : -1;
}

int CDiskFile::bFlush() {
    m_pclXError->SetErrorLevel(CXError::XEL_NOERROR);
    if (fsync(m_nHandle) != 0) {
        _ReportFailure(static_cast<uint32_t>(errno), MSG_FLUSH);
        return 0;
    }
    return 1;
}

int CDiskFile::bSetSize(int64_t oSize, eGROW eGrow) {
    m_pclXError->SetErrorLevel(CXError::XEL_NOERROR);
    if (eGrow != eGrowFromStart && eGrow != eGrowFromEnd) return 0;
    if (!bSeek(oSize, eGrow == eGrowFromStart ? eSeekBegin : eSeekEnd)) return 0;
    if (ftruncate(m_nHandle, static_cast<off_t>(m_oPosition)) != 0) {
        _ReportFailure(static_cast<uint32_t>(errno), MSG_SET_SIZE);
        return 0;
    }
    return 1;
}

int CDiskFile::bExtendFile(int64_t oSize) {
    // The zero byte at the new end makes the system reserve the space; it is written only where the
    // file grew, so that extending a file to its own size (or less) overwrites none of its data.
    int64_t oOldSize = oGetSize();
    if (!bSetSize(oSize, eGrowFromStart) || oSize == 0) return 0;
    if (oOldSize >= oSize) return 1;
    const unsigned char byZero = 0;
    return bWrite(oSize - 1, &byZero, 1, nullptr);
}

int CDiskFile::bIncreaseSize(int64_t oSize) {
    // Growing by nothing is done; a negative growth would overwrite the byte before the end.
    if (oSize <= 0) return oSize == 0 ? 1 : 0;
    if (!bSeek(oSize - 1, eSeekEnd)) return 0;
    const unsigned char byZero = 0;
    return bWrite(&byZero, 1, nullptr);
}

// ---------------------------------------------------------------------------------------------------------------
// Locks: non-blocking POSIX record locks from the start of the file (length 0 = to the end)

int CDiskFile::_bSetLock(short nType, int nCommand, uint64_t oOffset, uint64_t oLength) const {
    struct flock stLock;
    memset(&stLock, 0, sizeof(stLock));
    stLock.l_type = nType;
    stLock.l_whence = SEEK_SET;
    stLock.l_start = static_cast<off_t>(oOffset);
    stLock.l_len = static_cast<off_t>(oLength);
    return fcntl(m_nHandle, nCommand, &stLock) != -1;
}

// A lock refused because another holds the range is told apart from other failures by its own code.
static int _bLockResult(int bLocked) {
    if (!bLocked && (errno == EAGAIN || errno == EACCES || errno == EDEADLK))
        errno = static_cast<int>(CDiskFile::s_dwLockConflict);
    return bLocked;
}

int CDiskFile::bLock(uint64_t oOffset, uint64_t oLength) const {
    short nType = (m_nOpenFlags & (O_WRONLY | O_RDWR)) != 0 ? F_WRLCK : F_RDLCK;
    return _bLockResult(_bSetLock(nType, F_SETLK, oOffset, oLength));
}

int CDiskFile::bLockShare(uint64_t oOffset, uint64_t oLength) const {
    return _bLockResult(_bSetLock(F_RDLCK, F_SETLK, oOffset, oLength));
}

int CDiskFile::bUnlock(uint64_t oOffset, uint64_t oLength) const {
    if (_bSetLock(F_UNLCK, F_SETLK, oOffset, oLength)) return 1;
    errno = static_cast<int>(s_dwLockConflict);
    return 0;
}

int CDiskFile::bLockFile(uint64_t oOffset, uint64_t oLength) const {
    m_pclXError->SetErrorLevel(CXError::XEL_NOERROR);
    if (bLock(oOffset, oLength)) return 1;
    _ReportFailure(static_cast<uint32_t>(errno), MSG_LOCK, nullptr, nullptr, 2, oOffset, oLength);
    return 0;
}

int CDiskFile::bUnlockFile(uint64_t oOffset, uint64_t oLength) const {
    m_pclXError->SetErrorLevel(CXError::XEL_NOERROR);
    if (bUnlock(oOffset, oLength)) return 1;
    _ReportFailure(static_cast<uint32_t>(errno), MSG_UNLOCK, nullptr, nullptr, 2, oOffset, oLength);
    return 0;
}

int CDiskFile::bLockFileEx(int bLockIt, int bExclusive) const {
    if (!bLockIt) {
        _bSetLock(F_UNLCK, F_SETLK, 0, 2);
        return 1;
    }
    if (_bSetLock(bExclusive ? F_WRLCK : F_RDLCK, F_SETLKW, 0, 2)) return 1;
    _ReportFailure(static_cast<uint32_t>(errno), MSG_LOCK, nullptr, nullptr, 2, 0, 1);
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Names and state

const wchar_t* CDiskFile::pszGetName() const {
    return m_szName;
}

int64_t CDiskFile::oGetOffset() {
    return m_oPosition;
}

int CDiskFile::bIsOpen() const {
    return m_nHandle != -1;
}

int CDiskFile::vbSetNameForError(const wchar_t* pszName) {
    if (m_pszNameForError != m_szName) free(m_pszNameForError);
    m_pszNameForError = m_szName;
    if (pszName == nullptr) return 1;
    wchar_t* pszCopy = _pszDuplicate(pszName);
    if (pszCopy == nullptr) return 0;
    m_pszNameForError = pszCopy;
    return 1;
}

IXStream::eACCESS CDiskFile::veGetAccess() const {
    return static_cast<eACCESS>(m_nOpenFlags);
}

int CDiskFile::bGetVFSFileName(wchar_t*) {
    return 0;
}

// ---------------------------------------------------------------------------------------------------------------
// Copies

int CDiskFile::bExtract(IXStream* pclDestination, int64_t oSize) {
    if (pclDestination == nullptr) return 0;
    if (oSize < 0) {
        int64_t oFileSize = oGetSize();
        if (oFileSize < 0) return 0;
        oSize = oFileSize - m_oPosition;
    }
    if (oSize <= 0) return 1;
    unsigned char* pbyBuffer = static_cast<unsigned char*>(malloc(DISKFILE_COPY_CHUNK));
    if (pbyBuffer == nullptr) return 0;
    int bResult = 1;
    int64_t oLeft = oSize;
    while (oLeft > 0) {
        uint32_t nRead = 0;
        if (!bRead(pbyBuffer, DISKFILE_COPY_CHUNK, &nRead)) {
            bResult = 0;
            break;
        }
        uint32_t nUsed = nRead;
        if (static_cast<int64_t>(nRead) > oLeft) {
            nUsed = static_cast<uint32_t>(oLeft);
            if (!bSeek(-static_cast<int64_t>(nRead - nUsed), eSeekCurrent)) {
                bResult = 0;
                break;
            }
        }
        if (!pclDestination->bWrite(pbyBuffer, nUsed, nullptr)) {
            bResult = 0;
            break;
        }
        oLeft -= nUsed;
        // The end of this file: the copy is shorter than asked and still complete.
        if (nRead < DISKFILE_COPY_CHUNK) break;
    }
    free(pbyBuffer);
    return bResult;
}

int CDiskFile::bExtract(const wchar_t* pszDestination, int64_t oOffset, int64_t oLength) {
    if (!bSeek(oOffset, eSeekBegin)) return 0;
    CDiskFile clDestination;
    if (!clDestination.bOpen(pszDestination, eAccessWrite, eShareNone, eCreateAlways, eFlagNone, nullptr)) return 0;
    int bResult = bExtract(&clDestination, oLength);
    if (!bResult) {
        clDestination.Close();
        bDelete(clDestination.pszGetName(), nullptr);
    }
    return bResult;
}

int CDiskFile::bExtractFromFile(const wchar_t* pszSource, int64_t oOffset, int64_t oLength) {
    if (!bSeek(0, eSeekEnd)) return 0;
    CDiskFile clSource;
    if (!clSource.bOpen(pszSource, eAccessRead, eShareNone, eCreateOpenExisting, eFlagNone, nullptr)) return 0;
    if (!clSource.bSeek(oOffset, eSeekBegin)) return 0;
    return clSource.bExtract(this, oLength);
}

int CDiskFile::bChargeFichier(CVQBIN& clBuffer, const wchar_t* pszName, CXError* pclErr) {
    CDiskFile clFile;
    int bResult = 0;
    if (clFile.bOpen(pszName, eAccessRead, eShareNone, eCreateOpenExisting, eFlagNone, nullptr)) {
        int64_t oSize = clFile.oGetSize();
        if (oSize == 0) {
            clBuffer.nSetSize(0, 0);
            return 1;
        }
        if (oSize > 0x7FFFFEFF) {
            // More than a byte string can hold: refused like a read that can't be done whole.
            clFile._ReportFailure(EFBIG, MSG_READ);
        } else if (oSize > 0) {
            if (clBuffer.nSetSize(static_cast<int>(oSize), 0) != 0) {
                clFile._ReportFailure(ENOMEM, MSG_READ);
            } else {
                bResult = clFile.bRead(clBuffer.pbyGetBuffer(), static_cast<uint32_t>(oSize), nullptr);
            }
        }
    }
    if (!bResult && pclErr != nullptr) pclErr->LightCopy(clFile.pclGetXError());
    return bResult;
}

int CDiskFile::bConcat(const wchar_t* pszDestination, const wchar_t* pszSource) {
    CDiskFile clSource, clDestination;
    if (!clSource.bOpen(pszSource, eAccessRead, eShareNone, eCreateOpenAlways, eFlagNone, nullptr)) return 0;
    if (!clDestination.bOpen(pszDestination, eAccessWrite, eShareNone, eCreateOpenAlways, eFlagNone, nullptr)) return 0;
    if (!clDestination.bSeek(0, eSeekEnd)) return 0;
    int64_t oOldSize = clDestination.m_oPosition;
    unsigned char* pbyBuffer = static_cast<unsigned char*>(malloc(DISKFILE_COPY_CHUNK));
    if (pbyBuffer == nullptr) return 0;
    int bResult = 1;
    for (;;) {
        uint32_t nRead = 0;
        if (!clSource.bRead(pbyBuffer, DISKFILE_COPY_CHUNK, &nRead) ||
            !clDestination.bWrite(pbyBuffer, nRead, nullptr)) {
            bResult = 0;
            break;
        }
        if (nRead < DISKFILE_COPY_CHUNK) break;
    }
    free(pbyBuffer);
    // A failed append leaves the destination as it was.
    if (!bResult) clDestination.bSetSize(oOldSize, eGrowFromStart);
    return bResult;
}

int CDiskFile::bExtract(const wchar_t* pszDestination, const wchar_t* pszSource, int64_t oOffset, int64_t oLength) {
    CDiskFile clSource;
    if (!clSource.bOpen(pszSource, eAccessRead, eShareNone, eCreateOpenAlways, eFlagNone, nullptr)) return 0;
    return clSource.bExtract(pszDestination, oOffset, oLength);
}

// ---------------------------------------------------------------------------------------------------------------
// Line reader of wide text (4-byte characters as they are in memory). The file is read in blocks into
// the line buffer; the cursor marks where the next line starts, the terminator where the block ends.
// A possible start of the separator at the end of a block (a CR before an LF, the first characters
// of a separator string) is moved to the front of the buffer and the next block is read after it.

namespace {

// Finds the line end in [pszText, pszText + nLength): its index and length, or -1. With bMore, a
// separator that may continue past the text is not taken: *pnKeep receives the characters to keep.
int64_t _nFindLineEnd(const wchar_t* pszText, size_t nLength, const wchar_t* pszSeparator, bool bMore,
                      size_t* pnEndLength, size_t* pnKeep) {
    *pnKeep = 0;
    if (pszSeparator != nullptr) {
        size_t nSeparator = wcslen(pszSeparator);
        for (size_t i = 0; i + nSeparator <= nLength; i++) {
            if (wmemcmp(pszText + i, pszSeparator, nSeparator) == 0) {
                *pnEndLength = nSeparator;
                return static_cast<int64_t>(i);
            }
        }
        if (bMore) *pnKeep = nSeparator - 1 < nLength ? nSeparator - 1 : nLength;
        return -1;
    }
    const wchar_t* pszCR = wmemchr(pszText, L'\r', nLength);
    if (pszCR != nullptr) {
        size_t i = static_cast<size_t>(pszCR - pszText);
        if (i + 1 < nLength) {
            *pnEndLength = pszText[i + 1] == L'\n' ? 2 : 1;
            return static_cast<int64_t>(i);
        }
        if (!bMore) {
            *pnEndLength = 1;
            return static_cast<int64_t>(i);
        }
        *pnKeep = 1;
        return -1;
    }
    const wchar_t* pszLF = wmemchr(pszText, L'\n', nLength);
    if (pszLF != nullptr) {
        *pnEndLength = 1;
        return pszLF - pszText;
    }
    return -1;
}

}  // namespace

const wchar_t* CDiskFile::pszReadLine(wchar_t* pszBuffer, uint32_t nSize, CTString* pclOverflow,
                                      const wchar_t* pszSeparator) {
    if (pszBuffer == nullptr || nSize == 0) return nullptr;
    pszBuffer[0] = 0;
    if (pszSeparator != nullptr && *pszSeparator == 0) pszSeparator = nullptr;

    // One block read after nKeep characters kept at the front; the text is terminated after the
    // last whole character. Answers the characters read, -1 on failure.
    auto nReadBlock = [this](size_t nKeep) -> int64_t {
        size_t nRoom = DISKFILE_LINE_BUFFER - 1 - nKeep;
        uint32_t nAsk = static_cast<uint32_t>(nRoom * sizeof(wchar_t) < DISKFILE_LINE_READ ? nRoom * sizeof(wchar_t)
                                                                                           : DISKFILE_LINE_READ);
        uint32_t nRead = 0;
        if (!bRead(m_pszLineBuffer + nKeep, nAsk, &nRead)) return -1;
        size_t nChars = nRead / sizeof(wchar_t);
        m_pszLineBuffer[nKeep + nChars] = 0;
        m_pszLineCursor = m_pszLineBuffer;
        return static_cast<int64_t>(nChars);
    };

    if (m_pszLineBuffer == nullptr) {
        m_pszLineBuffer = static_cast<wchar_t*>(malloc(DISKFILE_LINE_BUFFER * sizeof(wchar_t)));
        if (m_pszLineBuffer == nullptr) return nullptr;
        m_pszLineBuffer[0] = 0;
        m_pszLineCursor = m_pszLineBuffer;
        if (nReadBlock(0) <= 0) return nullptr;
    }
    if (*m_pszLineCursor == 0) {
        int64_t oSize = oGetSize();
        if (oSize < 0 || m_oPosition >= oSize) return nullptr;
        if (nReadBlock(0) <= 0) return nullptr;
    }

    // Where the line goes: the caller's buffer while it fits, then the overflow string.
    size_t nInBuffer = 0;
    bool bOverflow = false;
    auto Append = [&](const wchar_t* pszText, size_t nLength) {
        if (!bOverflow && nInBuffer + nLength <= nSize - 1) {
            wmemcpy(pszBuffer + nInBuffer, pszText, nLength);
            nInBuffer += nLength;
            pszBuffer[nInBuffer] = 0;
        } else if (!bOverflow && pclOverflow != nullptr) {
            bOverflow = true;
            pclOverflow->Set(pszBuffer);
            pclOverflow->Add(pszText, static_cast<int>(nLength));
        } else if (bOverflow) {
            pclOverflow->Add(pszText, static_cast<int>(nLength));
        } else {
            // No overflow string: the buffer keeps what fits and the rest of the line is dropped.
            size_t nFit = nSize - 1 - nInBuffer;
            wmemcpy(pszBuffer + nInBuffer, pszText, nFit);
            nInBuffer += nFit;
            pszBuffer[nInBuffer] = 0;
        }
    };
    auto pszResult = [&]() -> const wchar_t* { return bOverflow ? pclOverflow->pszGet() : pszBuffer; };

    bool bMore = true;
    for (;;) {
        size_t nLength = wcslen(m_pszLineCursor);
        size_t nEndLength = 0, nKeep = 0;
        int64_t nEnd = _nFindLineEnd(m_pszLineCursor, nLength, pszSeparator, bMore, &nEndLength, &nKeep);
        if (nEnd >= 0) {
            Append(m_pszLineCursor, static_cast<size_t>(nEnd));
            m_pszLineCursor += nEnd + static_cast<int64_t>(nEndLength);
            return pszResult();
        }
        if (!bMore) {
            // End of the data: the last line has no separator.
            Append(m_pszLineCursor, nLength);
            m_pszLineCursor += nLength;
            return pszResult();
        }
        Append(m_pszLineCursor, nLength - nKeep);
        wmemmove(m_pszLineBuffer, m_pszLineCursor + (nLength - nKeep), nKeep);
        int64_t nRead = nReadBlock(nKeep);
        if (nRead < 0) return nullptr;
        if (nRead == 0) bMore = false;
    }
}

// ---------------------------------------------------------------------------------------------------------------
// Slots of wide-name forms (the ordinary forms already take wide names) and reserved slots

int CDiskFile::bOpenW(const wchar_t*, eACCESS, eSHARE, eCREATE, eFLAG, int*) {
    return 0;
}

int CDiskFile::bExtractW(const wchar_t*, int64_t, int64_t) {
    return 0;
}

int CDiskFile::bExtractFromFileW(const wchar_t*, int64_t, int64_t) {
    return 0;
}

int CDiskFile::vbSetNameForErrorW(const wchar_t*) {
    return 0;
}

const wchar_t* CDiskFile::pwszGetName() const {
    return m_szName;
}

int CDiskFile::vbIsUNICODEFileName() const {
    return 1;
}

void CDiskFile::m866EmptyMethodXStream() const {}
void CDiskFile::m867EmptyMethodXStream() const {}
void CDiskFile::m868EmptyMethodXStream() const {}
void CDiskFile::m869EmptyMethodXStream() const {}
void CDiskFile::m870EmptyMethodXStream() const {}
void CDiskFile::m871EmptyMethodXStream() const {}
void CDiskFile::m872EmptyMethodXStream() const {}
void CDiskFile::m873EmptyMethodXStream() const {}
