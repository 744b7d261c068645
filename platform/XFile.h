// CXFile: the object through which the rest of the system uses a file. It holds one byte stream
// (IXStream) and forwards every operation to it; a caller hands in a stream of its own, or the
// facade creates the default one, a disk file, on first open. The facade keeps one reference on its
// stream: releasing it destroys a stream the facade created and leaves a caller's stream to the
// caller. The facade has its own virtual table (typed files derive from it and other modules call
// it through the table), so the slot order below is binary interface, pinned in the facade tests.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "platform/XStream.h"

class CXError;

class CXFile {
public:
    CXFile();
    explicit CXFile(IXStream* piStream);
    CXFile(const CXFile&) = delete;
    CXFile& operator=(const CXFile&) = delete;

    // ---- virtual operations, in slot order
    virtual ~CXFile();
    virtual int bOpen(const wchar_t* pszName, IXStream::eACCESS eAccess, IXStream::eSHARE eShare,
                      IXStream::eCREATE eCreate, IXStream::eFLAG eFlag, int* pbCreated);
    virtual void Close();
    virtual int bReopen(IXStream::eACCESS eAccess, IXStream::eSHARE eShare, IXStream::eCREATE eCreate,
                        IXStream::eFLAG eFlag);
    virtual int bWrite(int64_t oPosition, const void* pData, uint32_t nSize, uint32_t* pnWritten);
    virtual int bRead(int64_t oPosition, void* pBuffer, uint32_t nSize, uint32_t* pnRead);
    virtual int bWrite(const void* pData, uint32_t nSize, uint32_t* pnWritten);
    virtual int bRead(void* pBuffer, uint32_t nSize, uint32_t* pnRead);
    virtual int bSeek(int64_t oOffset, IXStream::eSEEK eSeek);
    virtual int64_t oGetSize();
    virtual int64_t oGetSizeFast();
    virtual int bFlush();
    virtual int bSetSize(int64_t oSize, IXStream::eGROW eGrow);
    virtual int bIncreaseSize(int64_t oSize);
    virtual int bWriteString(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));
    virtual int bWriteStringList(const char* pszFormat, va_list arguments);
    virtual int bWriteString(const wchar_t* pszFormat, ...);
    virtual int bWriteStringList(const wchar_t* pszFormat, va_list arguments);
    virtual int bReadLine(char* pszBuffer, uint32_t nSize, int* pbTruncated, uint32_t dwFlags);
    virtual int bReadLine(wchar_t* pszBuffer, uint32_t nSize, int* pbTruncated, uint32_t dwFlags);
    // Copies oSize bytes (a negative size: the rest of this file) from this file's position to the
    // destination's position; a shorter rest copies what there is and succeeds.
    virtual int bExtract(CXFile* pclDestination, int64_t oSize);
    virtual int bLockFile(uint64_t oOffset, uint64_t oLength) const;
    virtual int bUnlockFile(uint64_t oOffset, uint64_t oLength) const;
    virtual int bLock(uint64_t oOffset, uint64_t oLength) const;
    virtual int bUnlock(uint64_t oOffset, uint64_t oLength) const;
    virtual const wchar_t* pszGetName() const;
    virtual int64_t oGetOffset();
    virtual int bIsOpen() const;
    virtual CXError* pclGetXError() const;
    virtual void _FreeStream();
    // Creates the stream a first open uses when none was given; a derived facade may create
    // another kind of stream here.
    virtual IXStream* __xpclAllocDiskFile();
    virtual CXError* _pclGetXError() const;
    virtual int bReadLineUNICODE(wchar_t* pszBuffer, uint32_t nSize, int* pbTruncated);
    virtual IXStream::eACCESS veGetAccess() const;
    // Reserved slots: derived facades of other modules were built with them.
    virtual void m242EmptyMethodXStream() const;
    virtual void m243EmptyMethodXStream() const;
    virtual void m244EmptyMethodXStream() const;
    virtual void m245EmptyMethodXStream() const;
    virtual void m246EmptyMethodXStream() const;
    virtual void m247EmptyMethodXStream() const;
    virtual void m248EmptyMethodXStream() const;
    virtual void m249EmptyMethodXStream() const;
    virtual void m250EmptyMethodXStream() const;
    virtual void m251EmptyMethodXStream() const;
    virtual void m252EmptyMethodXStream() const;
    virtual void m253EmptyMethodXStream() const;

    // ---- stream management
    // Lets the current stream go and takes piStream (one reference), as a stream of the caller's.
    void SetStream(IXStream* piStream);
    // Creates the default stream and keeps it as the facade's own; FALSE when none resulted.
    int bCreateStream();
    // The caller's stream; null when the facade created its stream or has none.
    IXStream* piGetStream() const { return m_bOwnStream ? nullptr : m_piStream; }

    // Names the file in failure reports; creates the default stream first when there is none.
    int bSetNameForError(const wchar_t* pszName);
    // Writes the characters of pszText (4 bytes each, no terminator), then the wide pair CR LF.
    int bWriteLine(const wchar_t* pszText);

protected:
    IXStream* m_piStream;
    int m_bOwnStream;

    friend struct CXFileLayout;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CXFileLayout {
    static_assert(offsetof(CXFile, m_piStream) == 8);
    static_assert(offsetof(CXFile, m_bOwnStream) == 16);
    static_assert(sizeof(CXFile) == 24);
};
#pragma GCC diagnostic pop
