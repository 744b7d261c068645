// CMemoryStream: a byte stream over a memory block, either a caller's block (attached, not owned,
// never grown) or memory of its own that grows as it is written. The archive facade extracts an
// entry into one of these, so that the entry's bytes end up in memory through the same stream
// road as an extraction to disk.
#pragma once

#include <cstdint>

#include "core/TString.h"
#include "platform/XStream.h"

class CMemoryStream : public IXStream {
public:
    // State of the stream.
    enum : uint8_t {
        eEtatInactif = 0,        // nothing open
        eEtatAssocie = 1,        // a caller's block is attached, not yet opened
        eEtatOuvertPropre = 2,   // open on memory of its own
        eEtatOuvertAssocie = 3,  // open on the attached block
    };
    // Bits of the mode byte.
    enum : uint8_t {
        eModeLecture = 0x01,
        eModeEcriture = 0x02,
        eModeAssocie = 0x04,    // the block is the caller's
        eModePropre = 0x08,     // the block is ours (freed by __DeleteMemory and the destructor)
        eModeExpansion = 0x10,  // a seek past the end grows the memory
    };

    CMemoryStream();
    ~CMemoryStream() override;

    using IXStream::bRead;
    using IXStream::bWrite;

    // Creation eCreateAlways (576) opens on memory of its own (emptied first); creation
    // eCreateOpenExisting (0) opens on the attached block. Access 0 read, 1 write, 2 both.
    int bOpen(const wchar_t* pszName, eACCESS eAccess, eSHARE eShare, eCREATE eCreate, eFLAG eFlag,
              int* pbCreated) override;
    // Back to the idle state; the memory and its size stay (pGetAddress, oGetSize).
    void Close() override;
    // Past the end: cut when a count pointer is given, refused otherwise (memory of its own grows
    // on a write instead).
    int bRead(void* pBuffer, uint32_t nSize, uint32_t* pnRead) override;
    int bWrite(const void* pData, uint32_t nSize, uint32_t* pnWritten) override;
    // From the end, a positive and a negative offset both count back. A position before the start
    // fails; one past the end fails unless the stream grows on seek.
    int bSeek(int64_t oOffset, eSEEK eSeek) override;
    int64_t oGetSize() override;
    int64_t oGetSizeFast() override;
    int64_t oGetOffset() override;
    int bIsOpen() const override;
    const wchar_t* pszGetName() const override;
    eACCESS veGetAccess() const override;

    // Only on a stream open on memory of its own: a seek past the end grows the memory (or not).
    int bSetAutoExpandMode(int bOn);

    // Attaches a caller's block of nSize bytes (only while idle); memory of its own is freed first.
    virtual int bAssociate(void* pBlock, uint32_t nSize);
    // The block's address (null while memory of its own is still empty).
    virtual void* pGetAddress();
    // Frees memory of its own; an attached block is only forgotten.
    virtual void __DeleteMemory();

private:
    // Memory of its own resized to nSize bytes (new bytes zeroed); false, with nothing changed,
    // when it cannot be obtained.
    bool _bRedimensionne(uint64_t nSize);

    uint8_t m_byEtat = eEtatInactif;
    uint8_t m_byMode = 0;
    unsigned char* m_pbyBloc = nullptr;
    unsigned char* m_pbyCourant = nullptr;
    uint32_t m_nTaille = 0;
    CTString m_clNom;
};
