// CNAYFRecord: one row in the host database engine's record layout. One heap buffer holds first
// a NULL bit field (one bit per item, the most significant bit first; 1 means defined) and then
// the item values at the offsets the data-source description computed. Fetched values are written
// straight into it, record layouts keep the current and original rows in it, and the record
// cache stores it in its serial form (u32 buffer size, u32 item count, u32 flag field size, then
// the buffer). The host receives these objects too, so the field order and the order of the
// virtual operations are pinned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "native/model/NAInterfaces.h"

class CAny;

// How a new record is filled.
enum eINITTYPE : int {
    NA_INITTYPE_EMPTY = 0,    // every item NULL, every value 0
    NA_INITTYPE_DEFAULT = 1,  // the items' default values
};

class CNAYFRecord {
public:
    CNAYFRecord() = default;
    CNAYFRecord(const CNAYFRecord&) = delete;
    CNAYFRecord& operator=(const CNAYFRecord&) = delete;

    // ---- virtual operations, in slot order
    virtual ~CNAYFRecord();
    virtual CNAYFRecord* vpclGetClone() const { return pclGetClone(); }
    virtual void vSetValues(const unsigned char* pby, unsigned nSize) { SetValues(pby, nSize); }
    virtual unsigned char* vpbyGetItemValue(const INAItemDescription* piItem, int n) {
        return pbyGetItemValue(piItem, n);
    }
    virtual const unsigned char* vpbyGetItemValue(const INAItemDescription* piItem, int n) const {
        return pbyGetItemValue(piItem, n);
    }
    virtual void vSetItemValue(const INAItemDescription* piItem, const void* p, unsigned long nLength, int n) {
        SetItemValue(piItem, p, nLength, n);
    }
    virtual int vSetItemValue(const INAItemDescription* piItem, const CAny* pclValue, int n) {
        return SetItemValue(piItem, pclValue, n);
    }
    virtual void vGetItemValue(CAny* pclValue, const INAItemDescription* piItem, int n) const {
        GetItemValue(pclValue, piItem, n);
    }
    virtual void vGetItemValue(void* pDestination, const INAItemDescription* piItem, int n) const {
        GetItemValue(pDestination, piItem, n);
    }
    virtual void vSetItemValueDefined(const INAItemDescription* piItem, int bDefined, int n) {
        SetItemValueDefined(piItem, bDefined, n);
    }
    virtual int vbItemValueDefined(const INAItemDescription* piItem, int n) const {
        return bItemValueDefined(piItem, n);
    }

    // ---- count: the holder that drops the last reference deletes the record unless it is static
    unsigned AddRef() { return ++m_nRef; }
    unsigned nRelease();
    unsigned nGetRef() const { return m_nRef; }

    // ---- building
    // Sizes the buffer for the description, zero-filled; with NA_INITTYPE_DEFAULT every plain item
    // takes its default values. False when the buffer cannot be allocated.
    bool bInit(INADataSourceDescription* piDescription, eINITTYPE eType);
    // A new record with its own copy of the buffer; null when it cannot be made.
    CNAYFRecord* pclGetClone() const;

    // ---- layout
    unsigned char* pbyGetValues() const { return m_pbyValues; }
    unsigned char* pbyGetNullValuesFlags() const { return m_pbyNullFlags; }
    unsigned nGetFlagFieldSize() const { return m_nFlagFieldSize; }
    unsigned nGetBufferSize() const { return m_nBufferSize; }
    unsigned nGetItemCount() const { return m_nItemCount; }
    unsigned char* pbyGetBuffer() const { return m_pbyBuffer; }
    // The slot of element n (n < 0: the whole item); null when it does not lie in the value area.
    unsigned char* pbyGetItemValue(const INAItemDescription* piItem, int n);
    const unsigned char* pbyGetItemValue(const INAItemDescription* piItem, int n) const;
    // Bytes of that slot.
    static unsigned s_nGetSlotSize(const INAItemDescription* piItem, int n);

    // ---- NULL bits
    int bItemValueDefined(const INAItemDescription* piItem, int n) const;
    // The defined bit of an item's physical place p (-1, an item without one, is the first bit);
    // false for a place outside the flag field. Inline for a host that keeps its items' places.
    bool bPlaceDefined(int p) const {
        if (p == -1) p = 0;
        return p >= 0 && static_cast<unsigned>(p >> 3) < m_nFlagFieldSize &&
               (m_pbyNullFlags[p >> 3] & (0x80u >> (p & 7))) != 0;
    }
    // Clearing zero-fills the element's slot (a memo gets its NULL marker, eight 0xFF bytes);
    // setting writes a memo's defined marker (eight zero bytes) and leaves other slots alone.
    void SetItemValueDefined(const INAItemDescription* piItem, int bDefined, int n);
    // The same for a caller that already asked the item its physical index (nBit, at least 0) and
    // whether it is a memo.
    void SetItemValueDefined(const INAItemDescription* piItem, int nBit, bool bMemo, int bDefined, int n) {
        if (nBit < 0 || static_cast<unsigned>(nBit >> 3) >= m_nFlagFieldSize) return;
        const unsigned char byMask = static_cast<unsigned char>(0x80u >> (nBit & 7));
        // Marking a plain value defined touches its bit only.
        if (bDefined && !bMemo)
            m_pbyNullFlags[nBit >> 3] |= byMask;
        else
            _SetItemValueDefinedInSlot(piItem, static_cast<unsigned>(nBit) >> 3, byMask, bMemo, bDefined, n);
    }
    void SetTabItemValueDefined(const INAItemDescription* const* ppiItems, unsigned nCount, const int* pnBits,
                                const int* pbDefined);

    // ---- values
    // The bytes in the slot's encoding for the item's type, then the element marked defined.
    void SetItemValue(const INAItemDescription* piItem, const void* p, unsigned long nLength, int n);
    // A variant, cast to the item's type when it is not of it. False when the cast fails: the
    // slot and its bit are then left as they were.
    int SetItemValue(const INAItemDescription* piItem, const CAny* pclValue, int n);
    // The slot as a variant of the item's type; the NULL bit is not consulted.
    void GetItemValue(CAny* pclValue, const INAItemDescription* piItem, int n) const;
    // The slot's bytes.
    void GetItemValue(void* pDestination, const INAItemDescription* piItem, int n) const;
    // The variant's own cast, except that an 8-bit text becomes a time of a date-time for a time
    // item.
    static int nCastTo(CAny* pclValue, unsigned short nType, const INAItemDescription* piItem);

    // ---- whole buffer
    // At most the value area's size copied over it; every item defined.
    void SetValues(const unsigned char* pby, unsigned nSize);
    // The other's buffer over this one; false (nothing copied) when their buffer sizes differ.
    bool Copy(const CNAYFRecord* pclOther);
    // Inline: a browse compares each row's image with the one before.
    bool bEquals(const CNAYFRecord* pclOther) const {
        if (pclOther == nullptr) return false;
        if (pclOther->m_nBufferSize != m_nBufferSize || pclOther->m_nFlagFieldSize != m_nFlagFieldSize) return false;
        return m_nBufferSize == 0 || memcmp(m_pbyBuffer, pclOther->m_pbyBuffer, m_nBufferSize) == 0;
    }

    // ---- serial form
    unsigned nGetSerializeSize() const { return m_nBufferSize + 12; }
    unsigned nGetSerializeValuesOffset() const { return m_nFlagFieldSize + 12; }
    // False when nSize cannot hold the serial form.
    bool Serialize(unsigned char* pbyDestination, unsigned nSize) const;
    // The value area of the new buffer; null when the form is damaged or the buffer cannot be
    // allocated (the record is then left as it was).
    unsigned char* Deserialize(const unsigned char* pbySource, unsigned nSize);

    void SetStatic(int bStatic) { m_bStatic = bStatic ? 1u : 0u; }

private:
    // The slot of element n and its size in *pnSlot (given whether the slot lies in the value area
    // or not); null when it does not.
    const unsigned char* _pbySlot(const INAItemDescription* piItem, int n, unsigned long* pnSlot) const;
    // Byte and mask of an item's NULL bit; false outside the flag field.
    bool _bBitOf(const INAItemDescription* piItem, unsigned* pnByte, unsigned char* pbyMask) const;
    // The bit of byte nByte and mask byMask set or cleared, with the slot's marker or zeros.
    void _SetItemValueDefinedInSlot(const INAItemDescription* piItem, unsigned nByte, unsigned char byMask, bool bMemo,
                                    int bDefined, int n);
    void _SetBuffer(unsigned char* pbyBuffer, unsigned nBufferSize, unsigned nItemCount, unsigned nFlagFieldSize);

    uint32_t m_nRef = 0;
    uint32_t m_bStatic = 0;
    uint32_t m_nBufferSize = 0;
    unsigned char* m_pbyBuffer = nullptr;
    uint32_t m_nItemCount = 0;
    unsigned char* m_pbyValues = nullptr;
    uint32_t m_nFlagFieldSize = 0;
    unsigned char* m_pbyNullFlags = nullptr;

    friend struct CNAYFRecordLayout;
};

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CNAYFRecordLayout {
    static_assert(offsetof(CNAYFRecord, m_nRef) == 8);
    static_assert(offsetof(CNAYFRecord, m_bStatic) == 12);
    static_assert(offsetof(CNAYFRecord, m_nBufferSize) == 16);
    static_assert(offsetof(CNAYFRecord, m_pbyBuffer) == 24);
    static_assert(offsetof(CNAYFRecord, m_nItemCount) == 32);
    static_assert(offsetof(CNAYFRecord, m_pbyValues) == 40);
    static_assert(offsetof(CNAYFRecord, m_nFlagFieldSize) == 48);
    static_assert(offsetof(CNAYFRecord, m_pbyNullFlags) == 56);
    static_assert(sizeof(CNAYFRecord) == 64);
};
#pragma GCC diagnostic pop
