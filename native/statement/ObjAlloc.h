// CTObjAlloc: a pool of objects of one fixed size, carved from chunks of about 4 KB, for the
// nodes and duplicate buckets of the in-memory B+-tree. One heap allocation per chunk, constant
// time allocation and release. Not thread-safe: a pool belongs to one tree.
//
// A chunk is one block: a 40-byte head, then objects-per-chunk slots of 8 + object size bytes.
// The first 8 bytes of a slot hold, while it is free, the next free slot of the chunk's circular
// free list, and while it is handed out, the chunk that owns it; the object starts right after
// them. Slot sizes are whatever the object size makes them, so the slot words are read and
// written with memcpy and never assumed aligned.
#pragma once

#include <cstddef>
#include <cstdint>

class CTObjAlloc {
public:
    static const unsigned mg_nSpaceCostPerChunk = 40;  // chunk head
    static const unsigned mg_nSpaceCostPerObj = 8;     // link word in front of each object

    class CChunk {
    public:
        // A chunk for the pool's geometry with every slot free; null when the heap refuses.
        static CChunk* pclCreateChunk(CTObjAlloc* pclPool);
        static void DestroyChunk(CChunk* pclChunk);

        // Links every slot into one circular free list whose entry is the first slot.
        bool bInit();
        // Takes one free slot (the chunk must have one) and stamps it with the chunk; the slot.
        void* pAllocate();
        // Gives back the slot of an object handed out by this chunk; the chunk.
        CChunk* pclFree(void* pObject);
        // Links this chunk (unlinked) in front of another one (which may be null); this chunk.
        CChunk* pclInsertBefore(CChunk* pclChunk);
        // Unlinks this chunk from its list; its former next chunk.
        CChunk* pclRemove();

        unsigned char* pbyGetSlot(unsigned n) {
            return reinterpret_cast<unsigned char*>(this) + mg_nSpaceCostPerChunk + n * m_pclPool->_nSlotSize();
        }

        int m_nFree;             // free slots
        void* m_pFreeEntry;      // one slot of the circular free list, null when the chunk is full
        CChunk* m_pclNext;       // neighbours on whichever list the chunk is on
        CChunk* m_pclPrevious;
        CTObjAlloc* m_pclPool;
    };

    // An empty pool (no chunk). A chunk always holds at least 2 objects: with one, a chunk would
    // go from full to empty in one release and the list bookkeeping would not hold.
    CTObjAlloc(unsigned nObjPerChunk, size_t nObjSize);
    CTObjAlloc(const CTObjAlloc&) = delete;
    CTObjAlloc& operator=(const CTObjAlloc&) = delete;
    // Releases every chunk, full ones included, so that objects still alive cannot leak.
    ~CTObjAlloc();

    // A slot of 8 + object size bytes whose first 8 bytes already hold the owning chunk: the
    // caller builds its object 8 bytes in. Null when a chunk was needed and the heap refused it
    // (the pool is then unchanged).
    void* pAllocate();
    // Takes the object's address (8 bytes into its slot).
    void Free(void* pObject);

    unsigned nGetObjPerChunk() const { return m_nObjPerChunk; }
    unsigned nGetChunkCount() const { return m_nChunks; }
    unsigned nGetLiveCount() const { return m_nLive; }
    size_t nGetObjSize() const { return m_nObjSize; }
    // Bytes of one chunk: objects per chunk x (object size + 8) + 40.
    size_t nGetChunkSize() const { return size_t(m_nObjPerChunk) * _nSlotSize() + mg_nSpaceCostPerChunk; }
    const CChunk* pclGetFirstFull() const { return m_pclFirstFull; }
    const CChunk* pclGetFirstFree() const { return m_pclFirstFree; }

private:
    friend class CChunk;
    size_t _nSlotSize() const { return m_nObjSize + mg_nSpaceCostPerObj; }
    static void _ReleaseList(CChunk* pclChunk);

    unsigned m_nObjPerChunk;
    CChunk* m_pclFirstFull;  // chunks without a free slot
    CChunk* m_pclFirstFree;  // chunks with a free slot; allocations are served from the first
    unsigned m_nChunks;
    unsigned m_nLive;
    size_t m_nObjSize;
};
