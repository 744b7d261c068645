// CTSimpleTable<T>: elements of varying length packed one after the other into large blocks, and
// one 16-byte entry per row that finds a row's element (its offset inside its block, and the
// block). The record cache keeps its record images and its serialized row identities in two such
// tables so that tens of thousands of rows cost a few allocations. T only tells the two tables
// apart; CNABufferTable<T> gives each its typed reads and writes.
//
// Blocks are never compacted and their bytes never move: an element replaced or dropped keeps its
// room until the table is emptied, and identities may hold the address of a stored record.
// Every allocation is checked: an operation that cannot get its memory leaves the table as it was.
#pragma once

#include <cstdint>
#include <cstring>

#include "core/TTableau.h"
#include "core/XMalloc.h"

template <class T>
class CTSimpleTable {
public:
    // A block: the address of its bytes, the bytes used, the capacity.
    struct stBUFFERINFO {
        uint64_t nAddress;
        uint64_t nUsed;
        uint64_t nCapacity;
    };
    // A row: the offset of its element in its block (NO_ELEMENT: the row has none), and the block.
    struct stENTRY {
        uint64_t nOffset;
        stBUFFERINFO* pstBuffer;
    };
    static_assert(sizeof(stENTRY) == 16);
    static_assert(sizeof(stBUFFERINFO) == 24);
    static constexpr uint64_t NO_ELEMENT = ~uint64_t(0);
    // An element is its u64 length followed by its bytes.
    static constexpr uint64_t ELEMENT_HEAD = 8;

    static constexpr int DEFAULT_ROWS_PER_BUFFER = 500;
    static constexpr int DEFAULT_BYTES_PER_BUFFER = 0x200000;

    CTSimpleTable() : m_tabEntry(DEFAULT_ROWS_PER_BUFFER, 30), m_tabBuffer(10, 30) {}
    CTSimpleTable(const CTSimpleTable&) = delete;
    CTSimpleTable& operator=(const CTSimpleTable&) = delete;
    ~CTSimpleTable() { _FreeBuffers(); }

    // ---- rows
    int nGetNbElement() const { return m_tabEntry.nGetNbElement(); }
    const stENTRY& GetEntry(int n) const { return m_tabEntry[n]; }
    static stENTRY EmptyEntry() { return stENTRY{NO_ELEMENT, nullptr}; }
    // Row n's bytes and their length; null when the row has no element.
    unsigned char* pbyGetElement(int n, uint64_t* pnLength) const { return pbyGetElement(m_tabEntry[n], pnLength); }
    static unsigned char* pbyGetElement(const stENTRY& st, uint64_t* pnLength) {
        if (st.nOffset == NO_ELEMENT || st.pstBuffer == nullptr) return nullptr;
        unsigned char* pby = reinterpret_cast<unsigned char*>(static_cast<uintptr_t>(st.pstBuffer->nAddress)) + st.nOffset;
        if (pnLength != nullptr) memcpy(pnLength, pby, sizeof(uint64_t));
        return pby + ELEMENT_HEAD;
    }
    // Room for n more entries, so that the entry operations below cannot fail.
    bool bReserveEntries(int n) { return s_bReserve(&m_tabEntry, n); }
    // Entry operations; the room must have been reserved.
    void AjouteEntry(const stENTRY& st) { m_tabEntry.Ajoute(st); }
    void InsereEntry(const stENTRY& st, int n) { m_tabEntry.Insere(st, n); }
    void SetEntry(const stENTRY& st, int n) { m_tabEntry.SetAt(st, n); }
    void SupprimeEntry(int n) { m_tabEntry.Supprime(n, 1); }

    // ---- elements
    // Claims room for an element of nLength bytes in the current block, or at the start of a new
    // one, writes its length and describes it in *pst; answers its bytes (to be filled by the
    // caller), or null when no block could be made (nothing changed then).
    unsigned char* pbyPlace(uint64_t nLength, stENTRY* pst) {
        const uint64_t nElement = ELEMENT_HEAD + nLength;
        if (m_pstCurrent == nullptr || m_pstCurrent->nUsed + nElement > m_pstCurrent->nCapacity) {
            if (!_bNewBuffer(nElement)) return nullptr;
        }
        pst->nOffset = m_pstCurrent->nUsed;
        pst->pstBuffer = m_pstCurrent;
        m_pstCurrent->nUsed += nElement;
        unsigned char* pby = reinterpret_cast<unsigned char*>(static_cast<uintptr_t>(m_pstCurrent->nAddress)) + pst->nOffset;
        memcpy(pby, &nLength, sizeof(nLength));
        return pby + ELEMENT_HEAD;
    }
    // Gives back the room of the element placed last (undoes pbyPlace).
    void Unplace(const stENTRY& st) {
        uint64_t nLength = 0;
        if (pbyGetElement(st, &nLength) == nullptr) return;
        if (st.nOffset + ELEMENT_HEAD + nLength == st.pstBuffer->nUsed) st.pstBuffer->nUsed = st.nOffset;
    }
    // The element's bytes take a shorter (or equal) length in place.
    static void SetLength(const stENTRY& st, uint64_t nLength) {
        unsigned char* pby = reinterpret_cast<unsigned char*>(static_cast<uintptr_t>(st.pstBuffer->nAddress)) + st.nOffset;
        memcpy(pby, &nLength, sizeof(nLength));
    }

    // ---- whole table
    // Frees every block and forgets every row; the block sizes reached are kept.
    void SupprimeTout() {
        _FreeBuffers();
        m_tabEntry.SupprimeTout();
    }
    void SetGrowStep(int nRows, int nBytes) {
        if (nRows != 0) {
            m_nRowsPerBuffer = nRows;
            m_tabEntry.SetPasAgrandissement(nRows);
        }
        if (nBytes != 0) m_nBytesPerBuffer = nBytes;
    }
    int nGetRowsPerBuffer() const { return m_nRowsPerBuffer; }
    int nGetBytesPerBuffer() const { return m_nBytesPerBuffer; }
    int nGetNbBuffer() const { return m_tabBuffer.nGetNbElement(); }
    const stBUFFERINFO* pstGetBuffer(int n) const { return m_tabBuffer[n]; }
    int nGetEntryGrowStep() const { return m_tabEntry.nGetPasAgrandissement(); }

    // Room for n more elements in an array: false when the heap refuses it. A large array grows by
    // half its size at least, so that filling it row by row does not copy it over and over.
    template <class A>
    static bool s_bReserve(A* pclTab, int n) {
        if (n <= 0 || pclTab->nGetNbElement() + n <= pclTab->nGetTailleTableau()) return true;
        const int nHalf = pclTab->nGetTailleTableau() / 2;
        pclTab->AgranditMemoire(n > nHalf ? n : nHalf);
        return pclTab->nGetNbElement() + n <= pclTab->nGetTailleTableau();
    }

private:
    bool _bNewBuffer(uint64_t nElement) {
        int nRows = m_nRowsPerBuffer;
        int nBytes = m_nBytesPerBuffer;
        // A large result needs fewer, larger blocks: the sixth block and the later ones are
        // sized twice as large.
        if (m_tabBuffer.nGetNbElement() == 5) {
            if (nRows <= INT32_MAX / 2) nRows *= 2;
            if (nBytes <= INT32_MAX / 2) nBytes *= 2;
        }
        uint64_t nCapacity = static_cast<uint64_t>(nRows) * nElement;
        if (nCapacity > static_cast<uint64_t>(nBytes)) nCapacity = static_cast<uint64_t>(nBytes);
        if (nCapacity < nElement) nCapacity = nElement;
        if (!s_bReserve(&m_tabBuffer, 1)) return false;
        // The block's description and its bytes in one allocation.
        auto* pst = static_cast<stBUFFERINFO*>(XMALLOC_pNew(sizeof(stBUFFERINFO) + nCapacity));
        if (pst == nullptr) return false;
        pst->nAddress = reinterpret_cast<uintptr_t>(pst + 1);
        pst->nUsed = 0;
        pst->nCapacity = nCapacity;
        m_tabBuffer.Ajoute(pst);
        m_pstCurrent = pst;
        if (nRows != m_nRowsPerBuffer || nBytes != m_nBytesPerBuffer) {
            m_nRowsPerBuffer = nRows;
            m_nBytesPerBuffer = nBytes;
            m_tabEntry.SetPasAgrandissement(nRows);
        }
        return true;
    }
    void _FreeBuffers() {
        for (int i = 0; i < m_tabBuffer.nGetNbElement(); i++) XMALLOC_Del(m_tabBuffer[i]);
        m_tabBuffer.SupprimeTout();
        m_pstCurrent = nullptr;
    }

    CTTableau<stENTRY> m_tabEntry;
    CTTableau<stBUFFERINFO*> m_tabBuffer;
    stBUFFERINFO* m_pstCurrent = nullptr;
    int m_nRowsPerBuffer = DEFAULT_ROWS_PER_BUFFER;
    int m_nBytesPerBuffer = DEFAULT_BYTES_PER_BUFFER;
};
