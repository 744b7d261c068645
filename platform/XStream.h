// IXStream: the byte-stream interface of the system. Every stream (the disk file, and any stream a
// caller plugs into the file facade) answers this fixed set of virtual operations; the base class
// gives each a default answer and builds the positioned read and write, formatted text output and
// line reading on the primitive operations, so an implementation needs only the plain forms. The
// stream keeps one reference on the error object that describes its last failure. The slot order is
// binary interface (other modules call streams through the table), pinned in the stream tests.
#pragma once

#include <cstdarg>
#include <cstdint>

#include "core/KXUnknown.h"

class CXError;
class CTString;

class IXStream : public CKXUnknown {
public:
    // Access bits given to open(); eAccessDefault means read only as well.
    enum eACCESS : uint32_t {
        eAccessRead = 0,
        eAccessWrite = 1,
        eAccessReadWrite = 2,
        eAccessDefault = 0xFFFFFFFF,
    };
    // Whole-file record lock taken after opening: shared, exclusive, or none (an unlock request).
    enum eSHARE : uint32_t {
        eShareRead = 0,
        eShareExclusive = 1,
        eShareNone = 2,
    };
    // Creation mode; values other than these are OR-ed into the open() flags as they are.
    enum eCREATE : uint32_t {
        eCreateOpenExisting = 0,
        eCreateOpenAlways = 64,  // O_CREAT
        eCreateAlways = 576,     // O_CREAT | O_TRUNC
    };
    enum eFLAG : uint32_t {
        eFlagNone = 0,
        eFlagDirectory = 0x10000,  // a directory is opened as such (O_DIRECTORY)
    };
    enum eSEEK : uint32_t {
        eSeekBegin = 0,
        eSeekCurrent = 1,
        eSeekEnd = 2,
    };
    // bSetSize: the new size counted from the start, or from the end (negative shrinks).
    enum eGROW : uint32_t {
        eGrowFromStart = 0,
        eGrowFromEnd = 1,
    };
    // Format word a typed file records in its header when it is created (16 bits are kept); the
    // stream itself does not look at it.
    enum eFORMAT : uint32_t {
        eFormatDefault = 0,
    };

    // Flags of bReadLine: only the pair CR LF ends a line.
    static constexpr uint32_t XREADLINE_CRLF = 0x1;

    IXStream();
    ~IXStream() override;

    // ---- virtual operations, in slot order after CKXUnknown's destructor pair and dwRelease
    virtual int bOpen(const wchar_t* pszName, eACCESS eAccess, eSHARE eShare, eCREATE eCreate, eFLAG eFlag,
                      int* pbCreated);
    virtual void Close() = 0;
    virtual int bReopen(eACCESS eAccess, eSHARE eShare, eCREATE eCreate, eFLAG eFlag);
    virtual int bWrite(int64_t oPosition, const void* pData, uint32_t nSize, uint32_t* pnWritten);
    virtual int bRead(int64_t oPosition, void* pBuffer, uint32_t nSize, uint32_t* pnRead);
    virtual int bWrite(const void* pData, uint32_t nSize, uint32_t* pnWritten);
    virtual int bRead(void* pBuffer, uint32_t nSize, uint32_t* pnRead);
    virtual int bSeek(int64_t oOffset, eSEEK eSeek);
    virtual int64_t oGetSize();
    virtual int64_t oGetSizeFast();
    virtual int bFlush();
    virtual int bSetSize(int64_t oSize, eGROW eGrow);
    virtual int bIncreaseSize(int64_t oSize);
    virtual int bWriteString(const char* pszFormat, ...) __attribute__((format(printf, 2, 3)));
    virtual int bWriteStringList(const char* pszFormat, va_list arguments);
    virtual int bWriteString(const wchar_t* pszFormat, ...);
    virtual int bWriteStringList(const wchar_t* pszFormat, va_list arguments);
    virtual int bReadLine(char* pszBuffer, uint32_t nSize, int* pbTruncated, uint32_t dwFlags);
    virtual int bReadLine(wchar_t* pszBuffer, uint32_t nSize, int* pbTruncated, uint32_t dwFlags);
    virtual int bExtract(IXStream* pclDestination, int64_t oSize);
    virtual int bLockFile(uint64_t oOffset, uint64_t oLength) const;
    virtual int bUnlockFile(uint64_t oOffset, uint64_t oLength) const;
    virtual int bLock(uint64_t oOffset, uint64_t oLength) const;
    virtual int bUnlock(uint64_t oOffset, uint64_t oLength) const;
    virtual const wchar_t* pszGetName() const;
    virtual int64_t oGetOffset();
    virtual int bIsOpen() const;
    virtual CXError* pclGetXError() const;
    virtual CXError* _pclGetXError() const;
    virtual int vbSetNameForError(const wchar_t* pszName);
    virtual eACCESS veGetAccess() const = 0;
    virtual int bGetVFSFileName(wchar_t* pszBuffer);
    virtual int bLockFileEx(int bLock, int bExclusive) const;
    virtual const wchar_t* pszReadLine(wchar_t* pszBuffer, uint32_t nSize, CTString* pclOverflow,
                                       const wchar_t* pszSeparator);
    virtual int bExtendFile(int64_t oSize);
    // Reserved slots: other modules' streams were built with them, so they keep their place.
    virtual void m565EmptyMethodXStream() const;
    virtual void m566EmptyMethodXStream() const;
    virtual void m567EmptyMethodXStream() const;
    virtual void m568EmptyMethodXStream() const;
    virtual void m569EmptyMethodXStream() const;
    virtual void m570EmptyMethodXStream() const;
    virtual void m571EmptyMethodXStream() const;
    virtual void m572EmptyMethodXStream() const;
    virtual void m573EmptyMethodXStream() const;
    virtual void m574EmptyMethodXStream() const;
    virtual void m575EmptyMethodXStream() const;
    virtual void m576EmptyMethodXStream() const;
    virtual void m577EmptyMethodXStream() const;
    virtual void m578EmptyMethodXStream() const;

protected:
    CXError* m_pclXError;

    friend struct IXStreamLayout;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct IXStreamLayout {
    static_assert(offsetof(IXStream, m_pclXError) == 16);
    static_assert(sizeof(IXStream) == 24);
};
#pragma GCC diagnostic pop
