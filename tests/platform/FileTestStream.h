// CFileTestStream: an in-memory byte stream for the file facade and typed-file tests. It keeps its
// bytes in a vector, records the size of every plain write, counts plain reads, can refuse reads or
// writes, can write fewer bytes than asked while reporting success (a stream that accepts part of a
// write), and reports its destruction so tests can see who released it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/XStream.h"

class CFileTestStream : public IXStream {
public:
    std::vector<unsigned char> m_abyData;
    int64_t m_oPosition = 0;
    bool m_bOpen = false;
    std::wstring m_sName;
    std::vector<uint32_t> m_anWrites;   // size of every plain write that succeeded
    uint32_t m_nMaxWrite = UINT32_MAX;  // bytes a write takes at most (the rest is dropped)
    bool m_bFailRead = false;
    bool m_bFailWrite = false;
    int m_nReads = 0;              // plain reads, failed ones included
    int* m_pnDestroyed = nullptr;  // incremented by the destructor

    CFileTestStream() = default;
    explicit CFileTestStream(const std::vector<unsigned char>& abyData) : m_abyData(abyData), m_bOpen(true) {}
    ~CFileTestStream() override {
        if (m_pnDestroyed != nullptr) ++*m_pnDestroyed;
    }

    int bOpen(const wchar_t* pszName, eACCESS, eSHARE, eCREATE eCreate, eFLAG, int* pbCreated) override {
        m_sName = pszName != nullptr ? pszName : L"";
        m_bOpen = true;
        m_oPosition = 0;
        if (eCreate == eCreateAlways) m_abyData.clear();
        if (pbCreated != nullptr) *pbCreated = eCreate == eCreateAlways;
        return 1;
    }
    void Close() override {
        m_bOpen = false;
        m_oPosition = 0;
    }
    using IXStream::bRead;
    using IXStream::bWrite;
    int bWrite(const void* pData, uint32_t nSize, uint32_t* pnWritten) override {
        if (pnWritten != nullptr) *pnWritten = 0;
        if (m_bFailWrite) return 0;
        uint32_t nTaken = std::min(nSize, m_nMaxWrite);
        size_t nEnd = static_cast<size_t>(m_oPosition) + nTaken;
        if (nEnd > m_abyData.size()) m_abyData.resize(nEnd);
        if (nTaken != 0) memcpy(m_abyData.data() + m_oPosition, pData, nTaken);
        m_oPosition += nTaken;
        m_anWrites.push_back(nTaken);
        if (pnWritten != nullptr) *pnWritten = nTaken;
        return 1;
    }
    int bRead(void* pBuffer, uint32_t nSize, uint32_t* pnRead) override {
        ++m_nReads;
        if (pnRead != nullptr) *pnRead = 0;
        if (m_bFailRead) return 0;
        int64_t oLeft = static_cast<int64_t>(m_abyData.size()) - m_oPosition;
        uint32_t nGot = oLeft <= 0 ? 0 : static_cast<uint32_t>(std::min<int64_t>(nSize, oLeft));
        if (nGot != 0) memcpy(pBuffer, m_abyData.data() + m_oPosition, nGot);
        m_oPosition += nGot;
        if (pnRead != nullptr) *pnRead = nGot;
        return pnRead != nullptr || nGot == nSize;
    }
    int bSeek(int64_t oOffset, eSEEK eSeek) override {
        int64_t oBase = eSeek == eSeekBegin ? 0 : eSeek == eSeekCurrent ? m_oPosition : oGetSize();
        if (oBase + oOffset < 0) return 0;
        m_oPosition = oBase + oOffset;
        return 1;
    }
    int64_t oGetSize() override { return static_cast<int64_t>(m_abyData.size()); }
    int64_t oGetOffset() override { return m_oPosition; }
    int bIsOpen() const override { return m_bOpen; }
    const wchar_t* pszGetName() const override { return m_sName.c_str(); }
    eACCESS veGetAccess() const override { return eAccessReadWrite; }
};
