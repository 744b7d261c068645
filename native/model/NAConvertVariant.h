// CNAConvertVariant: one value of one column carried between the text or bytes the server
// returns, the host's variant value and the item's slot in the host record image. Every fetched
// field passes here: the statement hands the field's text to bSetValueDB, and a converter bound to
// a record slot writes the item's value straight into it. Values from the host (record writes,
// search values, query parameters) are set with the bSetValue family, in the form the column's
// item type expects.
//
// Where the value lives is its state (eNAVARTYPE); how the server's value reaches it is the
// database storage kind, settled once per binding by bInitBufferDB.
#pragma once

#include <cstdint>

#include "core/RefTraits.h"
#include "native/model/NAVariant.h"

class CDateTime;
class CNAKeptServerText;
class CNAYFRecord;
class CVQBIN;
class INAItemDescription;
struct _SYSTEMTIME;

// Where the value lives.
enum eNAVARTYPE : uint32_t {
    NAVARTYPE_NONE = 0,       // no value and no storage
    NAVARTYPE_ANY = 1,        // in the CAny
    NAVARTYPE_UNREAD = 2,     // not read from the server yet
    NAVARTYPE_BUFFER = 3,     // in a caller's buffer (the item's slot in a host record image)
    NAVARTYPE_POINTER = 4,    // the caller's data, pointed at
    NAVARTYPE_OWNBUFFER = 5,  // in a buffer the converter allocated
};

// How the server's value reaches the value.
enum eNASTORAGEDB : uint32_t {
    NASTORAGEDB_NONE = 0,    // not set up yet
    NASTORAGEDB_VALUE = 1,   // into the value's own storage
    NASTORAGEDB_BUFFER = 2,  // into the separate database-side buffer
};

class CNAConvertVariant : public CNAVariant {
public:
    // State 0; takes a reference on the error object.
    CNAConvertVariant(CNAError* pclError, CNAConnectionDescription* pclConnection);
    ~CNAConvertVariant() override;

    // ---- CNAVariant's virtual operations, redefined
    int vbChangeVQType(unsigned short nType, int bNoPadding) override;
    int vbGetValue(CAny* pclOut) const override { return bGetValue(pclOut); }
    int vbIsEmpty() const override { return m_eVarType == NAVARTYPE_NONE; }
    const void* vpGetData() const override { return pGetData(); }
    unsigned long vnGetSize() const override { return nGetSize(); }
    CNAConnectionDescription* pclGetCnx() override { return m_pclConnection; }

    // ---- virtual operations added, in slot order
    virtual int _bConvertDataToYF() { return 1; }
    virtual int _bConvertDataToDB() { return 1; }
    virtual int _bInitBufferDB_Ptr();
    virtual int _bInitBufferDB_Any();
    virtual int _bInitTypeBind() { return 1; }

    // ---- binding
    void _SetVarType(eNAVARTYPE eState);
    void ResetVariant() { _SetVarType(NAVARTYPE_NONE); }
    // States 3 and 4 point at the caller's buffer, 5 allocates one of nSize zeroed bytes.
    int bInitTypeVariant(eNAVARTYPE eState, unsigned char* pbyBuffer, unsigned long nSize, unsigned short nType);
    int bInitTypeVariantBuffer(unsigned short nType, unsigned long nSize);
    void InitTypeVariantAny(unsigned short nType, unsigned long nMaxSize);
    // Whether the converter is as InitTypeVariantAny(nType, 0) leaves it but for its value: state
    // 1, a value of type nType with no flag, no size, no buffer of its own nor of the server's. A
    // server's value read into such a converter replaces its value whole or makes it NULL, as it
    // would after InitTypeVariantAny(nType, 0).
    bool bIsVariantAnyOf(unsigned short nType) const {
        return m_eVarType == NAVARTYPE_ANY && m_clValue.nGetType() == nType && m_pbyBuffer == nullptr &&
               m_pbyBufferDB == nullptr && m_nCapacity == 0 && m_nDataSize == 0 && m_nDataLengthDB == 0 &&
               m_eStorageDB != NASTORAGEDB_BUFFER;
    }
    // The host's item (whose type drives every conversion) and the server's, each with an external
    // reference; a new analysis item gives the value its language type.
    void SetItemDesc(INAItemDescription* piAnalyse, INAItemDescription* piDatabase);

    // ---- state
    eNAVARTYPE eGetVarType() const { return m_eVarType; }
    eNASTORAGEDB eGetStorageDB() const { return m_eStorageDB; }
    unsigned char* pbyGetBuffer() const { return m_pbyBuffer; }
    unsigned long nGetCapacity() const { return m_nCapacity; }
    unsigned long nGetDataSize() const { return m_nDataSize; }
    int bIsParameter() const { return m_bParameter != 0; }
    void SetParameter(int b) { m_bParameter = b ? 1u : 0u; }
    bool bIsNull() const { return m_clValue.bIsNull(); }
    CNAError* pclGetErrorNoRef() const { return m_pclError; }
    INAItemDescription* piGetItemAnalyseNoRef() const { return m_piItemAnalyse; }
    INAItemDescription* piGetItemDatabaseNoRef() const { return m_piItemDatabase; }
    // The layout in which date-times are written to text items; null: none.
    void SetDateFormatName(const wchar_t* psz) { m_pszDateFormat = psz; }

    // ---- item types
    eNA_ITEMTYPE eNAGetItemTypeAnalyse() const;
    eNA_ITEMTYPE eNAGetItemTypeDatabase() const;
    eNA_ITEMTYPE eNAGetItemType() const;
    eNA_ITEMTYPE eNAGetItemTypeDatabaseEx() const;
    unsigned short eGetVQTypeDB() const;
    bool bIsMemo() const;
    bool bIsMemoBinaire() const;
    bool bUnicodeDB() const;
    const wchar_t* pszGetTableName() const;
    const wchar_t* pszGetItemName() const;

    // ---- database side
    int bInitBufferDB();
    unsigned nGetTypeBind();
    int _bAllocBufferDB(unsigned long n);
    int bGetBufferDB(unsigned char** ppbyData, unsigned long* pnSize, unsigned long** ppnLength);
    // Raw bytes of a binary field.
    int bSetValueDB(const unsigned char* pby, unsigned long n);
    // The server's text of a field, in the code page given.
    int bSetValueDB(const char* psz, unsigned long n, unsigned nCodePage);
    int bSetValueDB(const wchar_t* psz, unsigned long n);
    int bSetValueFromDB(const wchar_t* psz, unsigned long n);
    int bSetValueDB(const CAny* pclValue);
    int bConvertDataToDB();
    unsigned long nGetDataLengthDB() const { return m_nDataLengthDB; }
    // False for 'F', 'f', '0' and the empty text; true otherwise. Inline: a boolean column asks it
    // at every row.
    static bool s_bTextToBool(const char* psz) {
        return psz != nullptr && !(psz[0] == 'F' || psz[0] == 'f' || psz[0] == '0' || psz[0] == 0);
    }
    static bool s_bTextToBool(const wchar_t* psz) {
        return psz != nullptr && !(psz[0] == L'F' || psz[0] == L'f' || psz[0] == L'0' || psz[0] == 0);
    }

    // ---- host record side
    // Finishes a fetched value and sets the item's defined bit in the record.
    int bConvertDataToYF(CNAYFRecord* pclRecord);
    void SetNull();
    void _OnSetValue(int bNotNull);
    // The value is to be read from the server again: state 2 (not read yet) and NULL, the storage
    // it is bound to kept.
    void SetUnreadYet();

    // ---- reading
    const void* pGetData() const;
    unsigned long nGetSize() const;
    unsigned long nGetUtilDataSize() const;
    int bGetValue(CAny* pclOut) const;
    int bGetValue(const CAny** ppclValue) const { return CNAVariant::bGetValue(ppclValue); }
    void CompleteSpaces(long n);
    int bLoadFile(const wchar_t* pszPath, CNAError* pclError, int bBinary);

    // ---- values from the host
    int bSetValue(const CAny* pclIn);
    int bSetValue(const unsigned char* pby, unsigned long n);
    int bSetValue(CVQBIN* pclBin);
    int bSetValue(const char* psz, unsigned long n);
    int bSetValue(const wchar_t* psz, unsigned long n);
    int bSetValue(CDateTime* pclDate);
    int bSetValue(_SYSTEMTIME* pst);
    int bSetValue(bool b);
    int bSetValue(unsigned char n);
    int bSetValue(unsigned short n);
    int bSetValue(unsigned int n);
    int bSetValue(unsigned long n);
    int bSetValue(char n);
    int bSetValue(short n);
    int bSetValue(int n);
    int bSetValue(long n);
    int bSetValue(CMoney cy);
    int bSetValue(float r);
    int bSetValue(double r);

    // ---- comparison, copy
    int bGetDecimalInfo(int* pnDigits, int* pnDecimals) const;
    int nCmp(const CNAConvertVariant* pclOther) const;
    bool bEqualsNAVariant(const CNAConvertVariant* pclOther) const;
    bool bEqualsNAVariant(const CAny* pclOther) const { return CNAVariant::bEqualsNAVariant(pclOther); }
    int bCopyVariant(const CNAConvertVariant* pclOther);
    // bCopyVariant's usual case done inline (a row's memo copied into the original records): a
    // value held in the variant copied over one of its type held the same way. False, with nothing
    // done, for any other case.
    bool bCopyHeldValue(const CNAConvertVariant* pclOther) {
        if (pclOther == nullptr || pclOther == this || m_eStorageDB != NASTORAGEDB_NONE ||
            m_eVarType != NAVARTYPE_ANY || pclOther->m_eVarType != NAVARTYPE_ANY || m_pbyBuffer != nullptr ||
            m_pbyBufferDB != nullptr)
            return false;
        const unsigned short nCode = pclOther->m_clValue.nGetTypeCode();
        if (m_clValue.nGetTypeCode() != nCode) return false;
        m_pclConnection = pclOther->m_pclConnection;
        m_nCapacity = pclOther->m_nCapacity;
        m_nDataSize = pclOther->m_nCapacity;
        m_nTypeBind = 0;
        m_nBufferDBSize = 0;
        // A flag of its own makes the value anew, as the general copy does.
        if (m_clValue.nGetType() != nCode) m_clValue.__SetType(nCode, 0);
        pclOther->m_clValue.pclGetValeur()->Duplique(&m_clValue);
        if (m_piItemAnalyse != pclOther->m_piItemAnalyse || m_piItemDatabase != pclOther->m_piItemDatabase)
            SetItemDesc(pclOther->m_piItemAnalyse, pclOther->m_piItemDatabase);
        m_nDataLengthDB = pclOther->m_nDataLengthDB;
        return true;
    }
    CNAConvertVariant* pclGetCloneVariant() const;

    // User error 53 for a value of language type nSource that the item's type does not take.
    void _SetErrorConversionFailed(int nSource, const wchar_t* pszValue, int nFileId, int nSite);

    // ---- the server's own text of date and time values read (CNAKeptServerText)
    // Keeps the text the value just read came from, with the host value it gave.
    void KeepServerText(const char* pszText, unsigned long n);
    // The server's text of the newest value read that gave exactly this host value; null if none.
    const char* pszGetKeptServerText(const CAny& clValue, size_t* pnText) const;
    // bSetValueDB(psz, n, nCodePage), then, when it succeeds, KeepServerText(pszServer, nServer): a
    // date-time read into a record's slot, as a timestamp column gives one at every row, is read
    // and kept in one pass, without the general road's questions asked twice.
    int bSetValueDBKeepText(const char* psz, unsigned long n, unsigned nCodePage, const char* pszServer,
                            unsigned long nServer);

protected:
    // The two roads of bSetValueDB(text) through the host's rules, apart so that the read of every
    // row, which takes neither, sets up no room for them: a number cast from its wide text, and a
    // value of any other type converted from an 8-bit text value.
    int _bSetNumberByHost(const char* psz, unsigned long n, unsigned nCodePage, unsigned short nType);
    int _bSetValueByText(const char* psz, unsigned long n);
    int _bInitBufferYF(unsigned char* pbyBuffer, unsigned long nSize);
    void _ReleaseValDB();
    // Text into a text value, by state: the CAny's setters, or the buffer in the value's width.
    int _bSetValue(const char* psz, unsigned long n, unsigned nCodePage);
    int _bSetValueDB_AndConvertToDate(const char* psz, unsigned long n, unsigned nCodePage);
    int _bSetValueDateToString(const CAny* pclIn);
    // The common start of every setter: a value not read yet counts as read, the parameter flag
    // and the NULL flag are cleared.
    void _DebutSetter() {
        if (m_eVarType == NAVARTYPE_UNREAD) m_eVarType = NAVARTYPE_ANY;
        m_bParameter = 0;
        m_clValue.ClearFlags(VQTYPE_FLAG_NULL);
    }
    // Writes a value's natural bytes into the buffer (states 3 and 5) or the CAny (state 1).
    template <typename T>
    int _bSetTyped(unsigned short nType, T t, void (CAny::*pfSet)(T));
    // The buffer's room for n bytes of the value's type; the rest zero-filled.
    void _CopieDansBuffer(const void* p, unsigned long n, unsigned long nRoom);
    // A buffer that holds a record slot of a binary item keeps its 16-bit count first.
    bool _bBufferBinaire() const;
    // A buffer bound to the slot of a Unicode item holds UTF-16 units.
    bool _bBufferUTF16() const;
    // A non-null date-time held whole, as its bytes, in a record's buffer.
    bool _bBufferDateTime() const;
    // Keeps the server's text under the key bytes of the host value it gave.
    void _KeepServerText(unsigned short nType, const void* p, size_t nBytes, const char* pszText, unsigned long n);

    CNAConnectionDescription* m_pclConnection;
    INAItemDescription* m_piItemDatabase = nullptr;
    INAItemDescription* m_piItemAnalyse = nullptr;
    eNAVARTYPE m_eVarType = NAVARTYPE_NONE;
    unsigned char* m_pbyBuffer = nullptr;
    unsigned long m_nDataSize = 0;
    unsigned long m_nCapacity = 0;
    unsigned char* m_pbyBufferDB = nullptr;
    unsigned long m_nBufferDBSize = 0;
    uint32_t m_bParameter = 0;
    unsigned long m_nDataLengthDB = 0;
    uint32_t m_nTypeBind = 0;
    eNASTORAGEDB m_eStorageDB = NASTORAGEDB_NONE;
    const wchar_t* m_pszDateFormat = nullptr;
    CNAError* m_pclError;
    // Made on the first date or time value read.
    CNAKeptServerText* m_pclKeptText = nullptr;
};

template <>
struct CRefTraits<CNAConvertVariant> {
    static void _AddRef(CNAConvertVariant* p) { p->AddRef(); }
    static void _Release(CNAConvertVariant* p) { p->nRelease(); }
};
