// CDiskFile: the system's concrete byte stream over a POSIX file descriptor, addressed by wide path
// names in Windows or POSIX style, and the static file toolbox of the same class: path names, file
// and directory operations, directory search and tree walks, the wide-name system-call wrappers and
// the toolbox's error reporting. Every name is turned to slashes and passed to the system as UTF-8.
// The instance part lives in DiskFile.cpp; the static families in DiskFileSysCall.cpp (system calls,
// status, delete by name), DiskFilePath.cpp, DiskFileOperation.cpp and DiskFileSearch.cpp. Field
// order and slot order are binary interface, pinned below and in the stream tests.
#pragma once

#include <dirent.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/vfs.h>
#include <utime.h>

#include <cstdint>
#include <cstdio>

#include "platform/XStream.h"

class CXError;
class CTString;
class CVQBIN;
template <typename T>
class CXYString;
struct _FILETIME;

class CDiskFile : public IXStream {
public:
    // Path names hold at most this many characters (buffers of one more).
    static constexpr uint32_t s_nMaxPath = 260;
    // errno and system error code of a lock conflict, whatever fcntl said.
    static constexpr uint32_t s_dwLockConflict = 0x80000000u;

    // Local broken-down time (no weekday field).
    struct _stXFILETIME {
        uint16_t wYear;
        uint16_t wMonth;
        uint16_t wDay;
        uint16_t wHour;
        uint16_t wMinute;
        uint16_t wSecond;
        uint16_t wMilliseconds;
    };

    // Kind of text found by the text loader.
    enum etxType : int {
        etxANSI = 0,
        etxUTF8 = 1,
        etxUTF16 = 2,
    };

    // State of one directory search; all zero = no search open.
    struct _stXFINDDATA {
        DIR* pDir;
        wchar_t szPattern[s_nMaxPath + 1];
        wchar_t szDirectory[s_nMaxPath + 1];
        uint32_t dwRequiredAttributes;
        uint32_t dwExcludedAttributes;
        wchar_t szName[s_nMaxPath + 1];
        uint32_t dwAttributes;
        int64_t oSize;
        _stXFILETIME stTime;
    };

    CDiskFile();
    ~CDiskFile() override;

    // ---- IXStream slots
    int bOpen(const wchar_t* pszName, eACCESS eAccess, eSHARE eShare, eCREATE eCreate, eFLAG eFlag,
              int* pbCreated) override;
    void Close() override;
    int bReopen(eACCESS eAccess, eSHARE eShare, eCREATE eCreate, eFLAG eFlag) override;
    int bWrite(int64_t oPosition, const void* pData, uint32_t nSize, uint32_t* pnWritten) override;
    int bRead(int64_t oPosition, void* pBuffer, uint32_t nSize, uint32_t* pnRead) override;
    int bWrite(const void* pData, uint32_t nSize, uint32_t* pnWritten) override;
    int bRead(void* pBuffer, uint32_t nSize, uint32_t* pnRead) override;
    int bSeek(int64_t oOffset, eSEEK eSeek) override;
    int64_t oGetSize() override;
    int64_t oGetSizeFast() override;
    int bFlush() override;
    int bSetSize(int64_t oSize, eGROW eGrow) override;
    int bIncreaseSize(int64_t oSize) override;
    int bExtract(IXStream* pclDestination, int64_t oSize) override;
    int bLockFile(uint64_t oOffset, uint64_t oLength) const override;
    int bUnlockFile(uint64_t oOffset, uint64_t oLength) const override;
    int bLock(uint64_t oOffset, uint64_t oLength) const override;
    int bUnlock(uint64_t oOffset, uint64_t oLength) const override;
    const wchar_t* pszGetName() const override;
    int64_t oGetOffset() override;
    int bIsOpen() const override;
    int vbSetNameForError(const wchar_t* pszName) override;
    eACCESS veGetAccess() const override;
    int bGetVFSFileName(wchar_t* pszBuffer) override;
    int bLockFileEx(int bLock, int bExclusive) const override;
    const wchar_t* pszReadLine(wchar_t* pszBuffer, uint32_t nSize, CTString* pclOverflow,
                               const wchar_t* pszSeparator) override;
    int bExtendFile(int64_t oSize) override;

    // ---- slots added by the disk file, after IXStream's
    virtual int bExtract(const wchar_t* pszDestination, int64_t oOffset, int64_t oLength);
    virtual int bExtractFromFile(const wchar_t* pszSource, int64_t oOffset, int64_t oLength);
    virtual int bOpenW(const wchar_t* pszName, eACCESS eAccess, eSHARE eShare, eCREATE eCreate, eFLAG eFlag,
                       int* pbCreated);
    virtual int bExtractW(const wchar_t* pszDestination, int64_t oOffset, int64_t oLength);
    virtual int bExtractFromFileW(const wchar_t* pszSource, int64_t oOffset, int64_t oLength);
    virtual int vbSetNameForErrorW(const wchar_t* pszName);
    virtual const wchar_t* pwszGetName() const;
    virtual int vbIsUNICODEFileName() const;
    virtual void m866EmptyMethodXStream() const;
    virtual void m867EmptyMethodXStream() const;
    virtual void m868EmptyMethodXStream() const;
    virtual void m869EmptyMethodXStream() const;
    virtual void m870EmptyMethodXStream() const;
    virtual void m871EmptyMethodXStream() const;
    virtual void m872EmptyMethodXStream() const;
    virtual void m873EmptyMethodXStream() const;

    // ---- other members of an open file (the file times are with the file operations,
    // DiskFileOperation.cpp)
    // Opens with an exclusive lock, retrying while the failure is a lock conflict: nLimit attempts
    // (bCountAttempts not 0) or nLimit milliseconds.
    int bOpenExclusifReessais(const wchar_t* pszName, int bCountAttempts, uint32_t nLimit, eACCESS eAccess,
                              eCREATE eCreate, eFLAG eFlag, int* pbCreated);
    int bLockShare(uint64_t oOffset, uint64_t oLength) const;
    int bGetTime(_stXFILETIME* pstCreation, _stXFILETIME* pstLastAccess, _stXFILETIME* pstLastWrite) const;
    int bSetTime(const _FILETIME* pCreation, const _FILETIME* pLastAccess, const _FILETIME* pLastWrite) const;
    int bSetTime(const _stXFILETIME* pstCreation, const _stXFILETIME* pstLastAccess,
                 const _stXFILETIME* pstLastWrite) const;

    // ---- whole-file operations through a local disk file (DiskFile.cpp)
    static int bChargeFichier(CVQBIN& clBuffer, const wchar_t* pszName, CXError* pclErr = nullptr);
    static int bConcat(const wchar_t* pszDestination, const wchar_t* pszSource);
    static int bExtract(const wchar_t* pszDestination, const wchar_t* pszSource, int64_t oOffset, int64_t oLength);

    // ---- wide-name system calls (DiskFileSysCall.cpp): results and errno as the call left them
    static int Unix_ropen(const wchar_t* pszPath, int nFlags, mode_t nMode);
    static int Unix_open(const wchar_t* pszPath, int nFlags, mode_t nMode);
    static int Unix_open(const wchar_t* pszPath, int nFlags);
    static FILE* Unix_fopen(const wchar_t* pszPath, const char* pszMode);
    static int Unix_stat(const wchar_t* pszPath, struct stat* pstStat, uint32_t* pnErrno = nullptr);
    static int Unix_lstat(const wchar_t* pszPath, struct stat* pstStat);
    static int Unix_access(const wchar_t* pszPath, int nMode, uint32_t* pnErrno = nullptr);
    static int Unix_chmod(const wchar_t* pszPath, mode_t nMode);
    static int __Unix_chown(const wchar_t* pszPath, uid_t nUid, gid_t nGid);
    static int Unix_utime(const wchar_t* pszPath, const struct utimbuf* pstTimes);
    static int Unix_unlink(const wchar_t* pszPath);
    static int __Unix_rmdir(const wchar_t* pszPath);
    static int __Unix_mkdir(const wchar_t* pszPath, mode_t nMode);
    static int Unix_mkfifo(const wchar_t* pszPath, mode_t nMode);
    static int __Unix_rename(const wchar_t* pszOld, const wchar_t* pszNew);
    static DIR* __Unix_opendir(const wchar_t* pszPath);
    static int __Unix_statfs(const wchar_t* pszPath, struct statfs* pstStatfs);
    static int Unix_chdir(const wchar_t* pszPath);
    static int Unix_system(const wchar_t* pszCommand);
    static int Unix_getcwd(wchar_t* pszBuffer, uint32_t nSize);
    static int Unix_gethomedir(wchar_t* pszBuffer, uint32_t nSize);

    // ---- error reporting of the toolbox (DiskFileSysCall.cpp)
    // Clears pclErr; TRUE when the failure (bOk 0) is to be described further by the caller.
    static int _bOnError(int bOk, CXError* pclErr);
    static void _OnMemoryError(CXError* pclErr);

    // ---- existence, type, status, delete by name (DiskFileSysCall.cpp)
    static int bExist(const wchar_t* pszPath, uint32_t& nErrno, CXError* pclErr = nullptr);
    static int bExist(const wchar_t* pszPath, CXError* pclErr = nullptr);
    static int bIsAFile(const wchar_t* pszPath, CXError* pclErr = nullptr);
    static int bIsADirectory(const wchar_t* pszPath, CXError* pclErr = nullptr);
    static int bGetFileStatus(const wchar_t* pszPath, struct stat* pstStat, CXError* pclErr = nullptr);
    static int64_t s_oGetSize(const wchar_t* pszPath, CXError* pclErr = nullptr);
    static int bSystemSupportHugeFile(CXError* pclErr = nullptr);
    static int sbIsBadNetworkFile(const wchar_t* pszPath);
    static int bDelete(const wchar_t* pszPath, CXError* pclErr = nullptr);
    static int bForceDelete(const wchar_t* pszPath, CXError* pclErr = nullptr);

    // ---- path names (DiskFilePath.cpp)
    static char* pszBackSlash2Slash(char* psz);
    static wchar_t* pszBackSlash2Slash(wchar_t* psz);
    static CXYString<wchar_t>& pszBackSlash2Slash(CXYString<wchar_t>& cl);
    static CTString& pszBackSlash2Slash(CTString& cl);
    static char* pszSlash2BackSlash(char* psz);
    static wchar_t* pszSlash2BackSlash(wchar_t* psz);
    static CXYString<wchar_t>& pszSlash2BackSlash(CXYString<wchar_t>& cl);
    static CTString& pszSlash2BackSlash(CTString& cl);
    static void DirectoryWithEndSlash(wchar_t* psz);
    static void DirectoryWithEndSlash(char* psz);
    static void DirectoryWithEndSlash(CXYString<wchar_t>& cl);
    static void DirectoryWithEndSlash(CTString& cl);
    static void DirectoryWithoutEndSlash(wchar_t* psz);
    static void DirectoryWithoutEndSlash(CXYString<wchar_t>& cl);
    static void DirectoryWithoutEndSlash(CTString& cl);
    static wchar_t* pszGetPtrToFileName(const wchar_t* pszPath);
    static wchar_t* pszGetPtrToExtension(const wchar_t* pszPath);
    static void DelExtension(wchar_t* pszPath);
    static void DelExtension(CXYString<wchar_t>& clPath);
    static void ChangeExtension(wchar_t* pszPath, uint32_t nSize, const wchar_t* pszNewExtension);
    static void ChangeExtension(CXYString<wchar_t>& clPath, const wchar_t* pszNewExtension);
    static int bIsRelativePath(const wchar_t* pszPath);
    static int bIsRelativeFileName(const wchar_t* pszPath);
    static int bIsRelativeFileName_WIN32(const wchar_t* pszPath);
    static int bUNCName(const wchar_t* pszPath);
    static int bUNCNameA(const char* pszPath);
    static int bIsAVirtualDirectory(const wchar_t* pszName);
    static int bValidName(const wchar_t* pszName);
    static void PrefixeCurrentDirectory(wchar_t* pszPath);
    static void MakePath(wchar_t* pszResult, const wchar_t* pszDirectory, const wchar_t* pszName,
                         const wchar_t* pszExtension);
    template <typename T>
    static void __SplitPath(const T* pszPath, T* pszDirectory, T* pszName, T* pszExtension);
    template <typename T>
    static void __SplitPath(const T* pszPath, T* pszDirectory, T* pszFileName);
    static void SplitPath(const wchar_t* pszPath, wchar_t* pszDirectory, wchar_t* pszFileName);
    static uint32_t GetFullPathName(const wchar_t* pszName, uint32_t nSize, wchar_t* pszResult,
                                    wchar_t** ppszFilePart = nullptr);
    static int bGetFullPath(wchar_t* pszResult, uint32_t nSize, const wchar_t* pszName, uint32_t* pnLength,
                            CXError* pclErr = nullptr);
    static int bGetUNCName(wchar_t* pszResult, uint32_t nSize, const wchar_t* pszName, CXError* pclErr = nullptr);
    static int bStandardizeExistingFileName(wchar_t* pszResult, uint32_t nSize, const wchar_t* pszName);
    static int bGetLongPathName(wchar_t* pszResult, uint32_t nSize, const wchar_t* pszName);
    static void StandardizeFileName(wchar_t* pszResult, const wchar_t* pszName);
    static void SimplifyPath(wchar_t* pszPath);
    static int bSameFileName(const wchar_t* pszA, const wchar_t* pszB);
    static int bSameDirectoryName(const wchar_t* pszA, const wchar_t* pszB);
    static int bSameDirectoryNameEx(const wchar_t* pszA, int bFullA, const wchar_t* pszB, int bFullB);
    static int bPathRelativePathTo(wchar_t* pszResult, const wchar_t* pszPath, const wchar_t* pszBase, int bStrict);
    static int bRelativeToFullPath(wchar_t* pszResult, const wchar_t* pszRelative, const wchar_t* pszBase, int nMode);

    // ---- file and directory operations (DiskFileOperation.cpp)
    static int bRename(const wchar_t* pszNewName, const wchar_t* pszOldName, CXError* pclErr = nullptr);
    static int bMove(const wchar_t* pszDestination, const wchar_t* pszSource, CXError* pclErr = nullptr);
    static int bCopy(const wchar_t* pszDestination, const wchar_t* pszSource, CXError* pclErr = nullptr);
    static int bGetFileAttributes(const wchar_t* pszPath, int& nAttributes, uint32_t& nErrno,
                                  CXError* pclErr = nullptr);
    static int bGetFileAttributes(int* pnAttributes, const wchar_t* pszPath, CXError* pclErr = nullptr);
    // The attribute reader behind bGetFileAttributes and the directory search: the status of the path
    // (lstat when bNoFollow, so that a link is seen as a link), its attribute word, errno into
    // *pnErrno; a failure reports 28130 with the path. Outputs may be null.
    static int _bReadAttributes(const wchar_t* pszPath, int bNoFollow, struct stat* pstStat, uint32_t* pdwAttributes,
                                uint32_t* pnErrno, CXError* pclErr);
    static int bSetFileAttributesUnix(const wchar_t* pszPath, mode_t nMode, CXError* pclErr = nullptr);
    static int bSetFileAttributes(const wchar_t* pszPath, uint32_t nAttributes, CXError* pclErr = nullptr);
    static int bSetFileOwnerUnix(const wchar_t* pszPath, uid_t nUid, gid_t nGid, CXError* pclErr = nullptr);
    static int bSetFileOwnerAttributes(const wchar_t* pszPath, mode_t nMode, uid_t nUid, gid_t nGid,
                                       CXError* pclErr = nullptr);
    static int bGetLastModificationTime(const wchar_t* pszPath, _stXFILETIME* pstTime, CXError* pclErr = nullptr);
    static int bFileTimeToSystemTime(const _FILETIME* pFileTime, _stXFILETIME* pstTime);
    static int bSystemTimeToFileTime(const _stXFILETIME* pstTime, _FILETIME* pFileTime);
    static int nCompareSystemTime(const _stXFILETIME* pstA, const _stXFILETIME* pstB);
    static int bSystemTimeToDosFileTime(const _stXFILETIME* pstTime, uint32_t* pdwDosTime);
    static int bDosFileTimeToSystemTime(uint32_t dwDosTime, _stXFILETIME* pstTime);
    static int bCreateDirectory(const wchar_t* pszPath, CXError* pclErr = nullptr);
    static int bDeleteDirectory(const wchar_t* pszPath, CXError* pclErr = nullptr);
    static int bGetCurrentDirectory(wchar_t* pszBuffer, CXError* pclErr = nullptr);
    static int bGetTempDirectory(wchar_t* pszBuffer, CXError* pclErr = nullptr);
    static void GetHomeDir(CTString* pclHome);
    static int bGetTempName(wchar_t* pszResult, const wchar_t* pszDirectory, const wchar_t* pszPrefix, CXError* pclErr);
    static int bGetTempName(wchar_t* pszResult, const wchar_t* pszPrefix, CXError* pclErr);
    static int bGetDiskSpace(const wchar_t* pszPath, uint64_t* pnTotal, uint64_t* pnFree, CXError* pclErr = nullptr);
    static int bGetDiskFreeSpace(const wchar_t* pszPath, uint64_t* pnFree, CXError* pclErr = nullptr);
    static int bChargeTexteBOM(CXYString<wchar_t>& clText, const wchar_t* pszPath, uint32_t nDefaultCodePage,
                               etxType* peType);
    static int bChargeTexteBOMFromBuffer(CXYString<wchar_t>& clText, unsigned char* pbyBytes, uint32_t nSize,
                                         uint32_t nDefaultCodePage, etxType* peType);

    // ---- directory search and tree walks (DiskFileSearch.cpp)
    static int bFindFirst(const wchar_t* pszPattern, _stXFINDDATA* pstFind, int nRequired, int nExcluded,
                          CXError* pclErr = nullptr);
    static int bFindNext(_stXFINDDATA* pstFind, CXError* pclErr = nullptr);
    static int bFindClose(_stXFINDDATA* pstFind, CXError* pclErr = nullptr);
    static int _bFiltreFileName(const wchar_t* pszName, const wchar_t* pszPattern);
    static int _bFindGoodFile(const wchar_t* pszName, uint32_t dwAttributes, const _stXFINDDATA* pstFind);
    static int bDoOnFileTree(const wchar_t* pszDirectory, const wchar_t* pszMask,
                             int (*pfn)(const wchar_t* pszPath, long nParam), long nParam, int bIncludeDirectories,
                             int bRecursive);
    static int bDoOnDirectoryTree(const wchar_t* pszDirectory, const wchar_t* pszMask,
                                  int (*pfn)(const wchar_t* pszPath, long nParam), long nParam, int bIncludeDirectories,
                                  int bRecursive);
    static int bForceDeleteOnFileTree(const wchar_t* pszDirectory, const wchar_t* pszMask, int bRecursive,
                                      CXError* pclErr = nullptr);
    static int __bForceDeleteOnTree(const wchar_t* pszPath, long nParam);
    static int bPurgeTree(const wchar_t* pszDirectory, CXError* pclErr = nullptr);
    static int bForcePurgeTree(const wchar_t* pszDirectory, CXError* pclErr = nullptr);
    static int bDeleteTree(const wchar_t* pszDirectory, CXError* pclErr = nullptr);
    static int bForceDeleteTree(const wchar_t* pszDirectory, CXError* pclErr = nullptr);
    static int bDeleteTreeEvenReadOnly(const wchar_t* pszDirectory, CXError* pclErr = nullptr);
    static int _bDeltree(const wchar_t* pszDirectory, CXError* pclErr = nullptr);

protected:
    // The report of a failing operation of an open stream: level 3, module, system code, handle,
    // the operation's debug texts, its user message first (the error name and nArgs numbers), and
    // the error name as source file. nMessage 0 writes the rest without a user message.
    void _ReportFailure(uint32_t dwSystemError, uint32_t nMessage, const wchar_t* pszDebug1 = nullptr,
                        const wchar_t* pszDebug2 = nullptr, int nArgs = 0, uint64_t oArg1 = 0,
                        uint64_t oArg2 = 0) const;
    int _bSetLock(short nType, int nCommand, uint64_t oOffset, uint64_t oLength) const;

    wchar_t m_szName[s_nMaxPath + 1];
    int32_t m_nHandle;
    int64_t m_oPosition;
    wchar_t* m_pszLineBuffer;
    wchar_t* m_pszLineCursor;
    int32_t m_nOpenFlags;
    wchar_t* m_pszNameForError;

    friend struct CDiskFileLayout;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CDiskFileLayout {
    static_assert(sizeof(CDiskFile::_stXFILETIME) == 14);
    static_assert(offsetof(CDiskFile, m_szName) == 24);
    static_assert(offsetof(CDiskFile, m_nHandle) == 1068);
    static_assert(offsetof(CDiskFile, m_oPosition) == 1072);
    static_assert(offsetof(CDiskFile, m_pszLineBuffer) == 1080);
    static_assert(offsetof(CDiskFile, m_pszLineCursor) == 1088);
    static_assert(offsetof(CDiskFile, m_nOpenFlags) == 1096);
    static_assert(offsetof(CDiskFile, m_pszNameForError) == 1104);
    static_assert(sizeof(CDiskFile) == 1112);
};
#pragma GCC diagnostic pop
