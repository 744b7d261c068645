// CNARecordValue: one row held on the client: its record image in the host's layout, its memo
// values, its row identity and its state word. The current and original rows of a record layout,
// the rows of the record cache and saved records are all record values; the cache takes them
// apart into its tables and puts them back together on a read.
#pragma once

#include <cstdint>

#include "core/RefTraits.h"
#include "native/model/Interf.h"

class CAny;
class CNAConvertVariant;
class CNAError;
class CNARecordId;
class CNARecordMemo;
class CNAYFRecord;
class INAItemDescription;

// The state word of a row.
enum eNA_RECORDSTATE : uint32_t {
    NA_RECORDSTATE_PRESENT = 0,
    NA_RECORDSTATE_DELETED = 128,
};

class CNARecordValue : public CInterf {
public:
    // What bCopyRecordValue and pclGetClone copy besides the state word, which is always copied.
    enum eCOPYFLAGS : int {
        COPY_NAYFRECORD = 1,
        COPY_MEMO = 2,
        COPY_RECORDID = 4,
        COPY_ALL = -1,
    };

    // Takes a reference on the error object; without one, a new error object from the driver.
    explicit CNARecordValue(CNAError* pclError);
    ~CNARecordValue() override;

    // ---- copies
    // The state word, then by flag the record image, the memo values and the identity; stops at
    // the first failure.
    int bCopyRecordValue(const CNARecordValue* pclSource, int nFlags);
    // A new value on the same error object (count 0) filled by bCopyRecordValue; null on failure.
    CNARecordValue* pclGetClone(int nFlags) const;
    // Copied into the image already held when the layouts match, else the image is cloned. A null
    // image leaves the value's own as it is.
    int bCopyNAYFRecord(const CNAYFRecord* pclRecord);
    // When neither side holds a memo value, the own table is freed; otherwise the source is copied
    // into the own table (made when missing).
    int bCopyTabMemoValue(const CNARecordMemo* pclMemo);
    // The own identity copies the other; without one (or of another kind) the value takes a clone
    // of the other built over itself. A null identity leaves the own as it is.
    int bCopyRecordID(const CNARecordId* pclId);

    // ---- sharing
    int bShareRecordID(CNARecordId* pclId);
    // The own table is dropped; a table holding values is held in its place.
    int bShareTabMemoValue(CNARecordMemo* pclMemo);
    // The variant itself becomes memo n (the table made and padded with null entries as needed).
    int bShareMemoValue(int n, CNAConvertVariant* pclVariant);
    // A clone of the variant becomes memo n.
    int bCopyMemoValue(int n, const CNAConvertVariant* pclVariant);

    // ---- reading
    CNAConvertVariant* pclGetMemoValueNoRef(int n) const;
    // With a reference added.
    CNAConvertVariant* pclGetMemoValue(int n) const;
    // Memo n's value, or NULL without one; true.
    int bGetMemoValue(CAny* pclValue, int n) const;
    // The item's value in the image when it is defined there, else NULL; true.
    int bGetItemValue(CAny* pclValue, const INAItemDescription* piItem) const;
    // The images are equal (both absent counts as equal); with bWithMemos the memo values too (the
    // same table, or equal variant by variant, a missing one counting as NULL).
    int bEquals(const CNARecordValue* pclOther, int bWithMemos) const;

    // ---- parts
    CNAYFRecord* pclGetNAYFRecord() const { return m_pclRecord; }
    // Frees the image, and first the identity, which may designate it.
    void FreeNAYFRecord();
    CNARecordMemo* pclGetRecordMemoNoRef() const { return m_pclMemo; }
    CNARecordId* pclGetRecordIdNoRef() const { return m_pclRecordId; }
    CNAError* pclGetErrorNoRef() const { return m_pclError; }
    eNA_RECORDSTATE eGetRecordState() const { return m_eState; }
    void SetRecordState(eNA_RECORDSTATE eState) { m_eState = eState; }

private:
    void _SetErrorNoMemory() const;
    // An identity over the record bytes follows the image and memo table the value holds.
    void _OnPartsChanged();
    // The identity (over the record bytes) designates the image and memo table the value holds.
    bool _bRecordIdOverOwnParts() const;
    void _FreeRecordMemo();
    // The memo table, made when missing; null when it cannot be made.
    CNARecordMemo* _pclMemo();

    CNAError* m_pclError;
    CNAYFRecord* m_pclRecord = nullptr;
    CNARecordMemo* m_pclMemo = nullptr;
    CNARecordId* m_pclRecordId = nullptr;
    eNA_RECORDSTATE m_eState = NA_RECORDSTATE_PRESENT;
};

template <>
struct CRefTraits<CNARecordValue> {
    static void _AddRef(CNARecordValue* p) { p->AddRef(); }
    static void _Release(CNARecordValue* p) { p->nRelease(); }
};
