// CFluxDescripteur: a write-only byte stream over a file descriptor that its caller opened and keeps
// (the stream never closes it). The installer hands it to the archive facade to extract an entry
// into a file it made itself, so that owner, mode and place of that file are settled on the
// descriptor, not by name. A failed write keeps the system's error code in the stream's error object.
#pragma once

#include <cstdint>

#include "platform/XStream.h"

class CFluxDescripteur : public IXStream {
public:
    explicit CFluxDescripteur(int nDescripteur) : m_nDescripteur(nDescripteur) {}
    CFluxDescripteur(const CFluxDescripteur&) = delete;
    CFluxDescripteur& operator=(const CFluxDescripteur&) = delete;

    // Writes every byte, going on after a short write; FALSE (with the count that did reach the
    // file) when the system refuses one.
    int bWrite(const void* pData, uint32_t nSize, uint32_t* pnWritten) override;
    using IXStream::bWrite;
    // The stream stops using the descriptor; closing it is its owner's business.
    void Close() override { m_nDescripteur = -1; }
    int bIsOpen() const override { return m_nDescripteur >= 0; }
    eACCESS veGetAccess() const override { return eAccessWrite; }

private:
    int m_nDescripteur;
};
