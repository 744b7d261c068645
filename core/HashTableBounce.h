// CHashTableBounce: the common library's hash table of untyped key and value words, under the
// driver's registries and maps. Chains are linked by 32-bit entry numbers inside one entry array
// (entry number n is slot n - 1, so that 0 means none), free entries form a list threaded through
// the same array, and the bucket count climbs and descends a fixed table of primes as the table
// fills and empties (load never above one half). Two heap blocks whatever the size: moving the
// array never needs a pointer fix-up.
//
// The table neither owns nor interprets keys and values; its owner sets the compare and hash
// functions before the first use. Typed, reference-holding forms: CRefHashTable,
// CNARefHashTable, CRefStringHashTable. Not thread-safe: the owner serialises access.
#pragma once

#include <cstddef>
#include <cstdint>

class CHashTableBounce {
public:
    // One entry: key and value words as stored, and its chain links (entry numbers).
    struct _stELEMENT {
        void* pKey;
        void* pValue;
        uint32_t dwPrevious;  // previous entry of the chain, 0 for the first; ELEMENT_LIBRE for a free entry
        uint32_t dwNext;      // next entry of the chain (or of the free list), 0 at the end
    };
    static constexpr uint32_t ELEMENT_LIBRE = 0xFFFFFFFF;

    typedef int (*PFNCOMPARE)(const void* pSearched, const void* pStored);  // 0 = equal
    typedef unsigned int (*PFNHASHVAL)(const void* pKey);

    // Bucket counts by level; the capacity at a level is half its prime.
    static const uint32_t g__ToutPretToutChaud[29];
    static constexpr uint32_t NIVEAU_MAX = 28;

    // An empty table sized for n elements. The compare and hash functions are null: the owner
    // sets both before the first use.
    explicit CHashTableBounce(unsigned int n);
    CHashTableBounce(const CHashTableBounce&) = delete;
    CHashTableBounce& operator=(const CHashTableBounce&) = delete;

    // Virtual order kept as the system has always had it.
    virtual ~CHashTableBounce();
    virtual void SetCmp(PFNCOMPARE pfCompare);
    virtual void SetHashVal(PFNHASHVAL pfHashVal);
    virtual unsigned int dwGetNumElement() const;
    // Adds an entry in front of its chain, even when an equal key is present. 0 when the table had
    // to grow and could not (the table is then left as it was).
    virtual int bAddElement(void* pKey, void* pValue);
    // Removes the first entry whose key compares equal, handing out its value and stored key
    // through the non-null out-pointers. 1 whenever an entry was removed, 0 when absent.
    virtual int bDeleteElement(const void* pKey, void** ppValue, void** ppKey);
    virtual int bGetElement(const void* pKey, void** ppValue, void** ppKey) const;
    // Walk: start with a cursor of 0; each call gives the next entry in use at or after the
    // cursor (removing it when bRemove is set) and leaves the cursor on its entry number; 0 at the
    // end. While a walk is under way the table never shrinks, and growth keeps every entry in its
    // slot, so a walk stays valid while entries are added or removed.
    virtual int bParseTable(unsigned int* pnCursor, int bRemove, void** ppValue, void** ppKey);
    // Ends a walk left before its end.
    virtual void StopParsing();
    // Address of the found entry's value word (to replace the value in place), null when absent.
    virtual void** pGetElement(const void* pKey);
    virtual int __bGrow();
    virtual int __bReduce();
    virtual void __RehashElement();
    virtual void __Compact(unsigned int nNewCapacity);
    virtual PFNCOMPARE pfGetCmp() const;
    virtual PFNHASHVAL pfGetHashVal() const;
    // A table holding elements is emptied and re-initialised for n elements (7 for 0) from the
    // lowest level; an empty table is left as it is. Keys and values are the owner's.
    virtual void DeleteAll(unsigned int n);
    // Replace the value (or the key) of an entry in use, by entry number (the cursor of a walk);
    // 0 for 0, a number above the capacity or a free entry. A new key must hash and compare like
    // the old one: the entry is not re-hashed.
    virtual int bParseSetElement(unsigned int nEntry, void* pValue, void** ppOldValue);
    virtual int bParseSetKey(unsigned int nEntry, void* pKey, void** ppOldKey);

    void __Init(unsigned int n, int bReset);
    void __DeleteFromHash(_stELEMENT* pstElement, unsigned int nBucket, unsigned int nSlot);

    // Keys that are wide texts, compared and hashed ignoring case and accents through the host's
    // locale services (compare: STR_nCompareW with flags 3; hash: the folded text).
    static int nStringLogiqueCompare(const void* pSearched, const void* pStored);
    static unsigned int dwStringLogiqueHashVal(const void* pKey);

    // Shape of the table, for diagnostics and the containers' tests.
    unsigned int dwGetLevel() const { return m_dwLevel; }
    unsigned int dwGetCapacity() const { return m_dwTailleTableau; }
    unsigned int dwGetNbHash() const { return m_dwNbHash; }
    unsigned int dwGetFreeHead() const { return m_dwFreeHead; }
    int nGetParseDepth() const { return m_nParseDepth; }
    const _stELEMENT* pstGetElements() const { return m_pstElement; }
    const uint32_t* pdwGetBuckets() const { return m_pdwHash; }

protected:
    // The first entry whose key compares equal, with its bucket and slot; null when absent.
    _stELEMENT* _pstFind(const void* pKey, unsigned int* pnBucket, unsigned int* pnSlot) const;
    // The same, and the add, with the key's hash already known: a caller that looks a key up and
    // then adds it hashes it once (for text keys, one call to the host instead of two).
    _stELEMENT* _pstFindHash(const void* pKey, unsigned int dwHash, unsigned int* pnBucket, unsigned int* pnSlot) const;
    int _bAddElementHash(void* pKey, void* pValue, unsigned int dwHash);

    _stELEMENT* m_pstElement;    // capacity entries
    uint32_t m_dwTailleTableau;  // capacity: half the current prime
    uint32_t m_dwFreeHead;       // first free entry number, 0 when none
    uint32_t* m_pdwHash;         // chain heads (entry numbers), one per bucket
    uint32_t m_dwNbHash;         // bucket count: the current prime
    uint32_t m_dwNbElement;      // entries in use
    int32_t m_nParseDepth;       // walks under way
    PFNCOMPARE m_pfCompare;
    PFNHASHVAL m_pfHashVal;
    uint32_t m_dwLevel;  // index of the current prime

    friend struct CHashTableBounceLayout;
};

// The field order and the entry record are the table's as the whole system has always had them.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CHashTableBounceLayout {
    static_assert(sizeof(CHashTableBounce::_stELEMENT) == 24);
    static_assert(offsetof(CHashTableBounce::_stELEMENT, pKey) == 0);
    static_assert(offsetof(CHashTableBounce::_stELEMENT, pValue) == 8);
    static_assert(offsetof(CHashTableBounce::_stELEMENT, dwPrevious) == 16);
    static_assert(offsetof(CHashTableBounce::_stELEMENT, dwNext) == 20);

    static_assert(sizeof(CHashTableBounce) == 72);
    static_assert(offsetof(CHashTableBounce, m_pstElement) == 8);
    static_assert(offsetof(CHashTableBounce, m_dwTailleTableau) == 16);
    static_assert(offsetof(CHashTableBounce, m_dwFreeHead) == 20);
    static_assert(offsetof(CHashTableBounce, m_pdwHash) == 24);
    static_assert(offsetof(CHashTableBounce, m_dwNbHash) == 32);
    static_assert(offsetof(CHashTableBounce, m_dwNbElement) == 36);
    static_assert(offsetof(CHashTableBounce, m_nParseDepth) == 40);
    static_assert(offsetof(CHashTableBounce, m_pfCompare) == 48);
    static_assert(offsetof(CHashTableBounce, m_pfHashVal) == 56);
    static_assert(offsetof(CHashTableBounce, m_dwLevel) == 64);
};
#pragma GCC diagnostic pop
