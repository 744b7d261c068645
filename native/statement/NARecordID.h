// Row identities: what lets the driver find a cached row again after the browse moved on (the
// record cache's hash, saved positions, the WHERE clause that designates the latest row read).
// CNARecordId is the abstract identity; CNARecordId_RecordValues identifies a row by its own record
// bytes, CNARecordId_RowId by the server's row identifier held in a value converter. Each kind has
// a serialized form, and a hash and a compare function over that form which the record cache
// installs on its identity hash.
#pragma once

#include <cstdint>

#include "core/KXUnknown.h"

class CHashTableBounce;
class CNAConvertVariant;
class CNARecordMemo;
class CNARecordValue;
class CTString;

// The kinds answered by eGetRecordIdType.
enum eNA_RECORDIDTYPE : uint32_t {
    NA_RECORDID_NONE = 0,
    NA_RECORDID_RECORDVALUES = 1,
    NA_RECORDID_ROWID = 3,
};

class CNARecordId : public CKXUnknown {
public:
    ~CNARecordId() override = default;

    // eGetRecordIdType's answer without the virtual call: a row's copy into its original records
    // asks it twice at every read.
    eNA_RECORDIDTYPE eGetKind() const { return m_eKind; }

    // ---- virtual operations after the destructors and dwRelease, in slot order
    virtual eNA_RECORDIDTYPE eGetRecordIdType() const = 0;
    // A new identity of the same kind for the value (count 0); null when it cannot be made.
    virtual CNARecordId* pclGetClone(const CNARecordValue* pclValue) const = 0;
    virtual int bEqualRecordId(const CNARecordId* pclOther) const = 0;
    // This identity becomes the value's (record values) or a copy of the other (row id).
    virtual int bCopy(const CNARecordValue* pclValue, const CNARecordId* pclOther) = 0;
    virtual unsigned long nGetSerializedSize() const = 0;
    // False when nSize cannot hold the serialized form.
    virtual int Serialize(unsigned char* pbyDestination, unsigned long nSize) const = 0;
    virtual int DeSerialize(const unsigned char* pbySource, unsigned long nSize) = 0;
    virtual uint32_t dwGetHashVal() const = 0;
    virtual void RecordIdToString(CTString* pclText, const wchar_t* pszPrefix, int nOption) const = 0;
    // Installs the kind's compare function and g_dwPtrHashVal on a hash keyed by serialized forms.
    virtual void SetHashTableFct_SerializedObject(CHashTableBounce* pclHash) const = 0;

    // The hash stored at the head of a serialized identity.
    static unsigned int g_dwPtrHashVal(const void* pSerialized);

protected:
    explicit CNARecordId(eNA_RECORDIDTYPE eKind) : m_eKind(eKind) {}

private:
    const eNA_RECORDIDTYPE m_eKind;
};

// A row identified by its record bytes. It designates bytes it does not own (a record value's
// buffer, or the copy of it inside a record-cache block) and stays valid only as long as they do;
// its serialized form holds raw addresses and means nothing outside this process and cache.
class CNARecordId_RecordValues : public CNARecordId {
public:
    // Serialized form: u32 hash, u64 byte count, u64 address of the bytes, u64 address of the
    // row's memo table (0 when none), little-endian, no padding.
    static constexpr unsigned long SERIALIZED_SIZE = 28;

    // Over the value's record buffer and memo table (nothing when it has no buffer).
    explicit CNARecordId_RecordValues(const CNARecordValue* pclValue);
    CNARecordId_RecordValues(const unsigned char* pbyRecord, uint64_t nSize, CNARecordMemo* pclMemo);

    eNA_RECORDIDTYPE eGetRecordIdType() const override { return NA_RECORDID_RECORDVALUES; }
    CNARecordId* pclGetClone(const CNARecordValue* pclValue) const override;
    int bEqualRecordId(const CNARecordId* pclOther) const override;
    int bCopy(const CNARecordValue* pclValue, const CNARecordId* pclOther) override;
    unsigned long nGetSerializedSize() const override { return SERIALIZED_SIZE; }
    int Serialize(unsigned char* pbyDestination, unsigned long nSize) const override;
    int DeSerialize(const unsigned char* pbySource, unsigned long nSize) override;
    uint32_t dwGetHashVal() const override { return s_dwHashBytes(m_pbyRecord, m_nSize); }
    void RecordIdToString(CTString* pclText, const wchar_t* pszPrefix, int nOption) const override;
    void SetHashTableFct_SerializedObject(CHashTableBounce* pclHash) const override;

    const unsigned char* pbyGetRecord() const { return m_pbyRecord; }
    uint64_t nGetSize() const { return m_nSize; }
    CNARecordMemo* pclGetMemoNoRef() const { return m_pclMemo; }

    // Sum modulo 2^32 of the little-endian 32-bit words, then of the 0 to 3 tail bytes.
    static uint32_t s_dwHashBytes(const unsigned char* pby, uint64_t n);
    // Writes the serialized form of an identity over those bytes (SERIALIZED_SIZE bytes).
    static void s_Serialize(unsigned char* pbyDestination, const unsigned char* pbyRecord, uint64_t nSize,
                            const CNARecordMemo* pclMemo);
    // Serialized identities ordered by byte count, then by their bytes as unsigned values; -1, 0, 1.
    static int g_nCompare_CNARecordId_RecordValues(const void* pA, const void* pB);

private:
    const unsigned char* m_pbyRecord;
    uint64_t m_nSize;
    CNARecordMemo* m_pclMemo;
};

// A row identified by the server's row identifier. Serialized form: u32 checksum of the value,
// u32 byte count n, then the n bytes of the value's data.
class CNARecordId_RowId : public CNARecordId {
public:
    // The converter is held with a reference.
    explicit CNARecordId_RowId(CNAConvertVariant* pclVariant);
    ~CNARecordId_RowId() override;

    eNA_RECORDIDTYPE eGetRecordIdType() const override { return NA_RECORDID_ROWID; }
    CNARecordId* pclGetClone(const CNARecordValue* pclValue) const override;
    int bEqualRecordId(const CNARecordId* pclOther) const override;
    int bCopy(const CNARecordValue* pclValue, const CNARecordId* pclOther) override;
    unsigned long nGetSerializedSize() const override;
    int Serialize(unsigned char* pbyDestination, unsigned long nSize) const override;
    int DeSerialize(const unsigned char* pbySource, unsigned long nSize) override;
    uint32_t dwGetHashVal() const override;
    void RecordIdToString(CTString* pclText, const wchar_t* pszPrefix, int nOption) const override;
    void SetHashTableFct_SerializedObject(CHashTableBounce* pclHash) const override;

    CNAConvertVariant* pclGetVariantNoRef() const { return m_pclVariant; }

    // Data bytes compared as unsigned values over the shorter length; then the shorter is smaller.
    static int g_nCompare_CNARecordId_RowId(const void* pA, const void* pB);

private:
    CNAConvertVariant* m_pclVariant;
};
