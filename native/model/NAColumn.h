// CNAColumn: one item of the host's description (the analysis item) bound to one column as the
// server has it (the imported item) inside a record layout. It answers the questions the SQL
// writers and the data access ask about the column (names as written in SQL, keys, automatic
// identifiers, nullability, memos, sizes), owns the column's value converter bound to the item's
// slot in the record's current image, and carries the host's reads and writes of the value:
// current and original value, NULL equivalence, change detection, memo files, composite-key values
// and a trace text. The SQL layer's column derives from it to fetch the server's value.
#pragma once

#include <cstdint>

#include "core/NARefArray.h"
#include "core/TString.h"
#include "native/model/Interf.h"
#include "native/model/NAItemDescription.h"

class CAny;
class CNAConnectionDescription;
class CNAConvertVariant;
class CNAError;
class CNARecord;
class CNAStatement;
class CNAVariant;
class CNAYFRecord;
class CSQLParserInfo;
template <class T>
class CXYStringConcat;

class CNAColumn;
template <>
struct CRefTraits<CNAColumn> {
    static void _AddRef(CNAColumn* p);
    static void _Release(CNAColumn* p);
};

class CNAColumn : public CInterf {
public:
    // Takes a reference on the error object and an external one on the item.
    CNAColumn(CNAError* pclError, INAItemDescription* piItem);
    ~CNAColumn() override;

    // ---- virtual operations after CInterf's, in slot order
    virtual int vbInit(CNARecord* pclRecord, CNAItemDescription* pclImported);
    virtual int bInitVariant(CNARecord* pclRecord);
    virtual int bSetImportedItemDesc(CNAItemDescription* pclImported);
    virtual int bUpdateChangedTypeInCurrentRecord();
    virtual int bIsAutoIncrementOnDataBase() const;
    virtual const wchar_t* pszGetAliasNomTable() const { return m_clAliasNomTable.pszGet(); }
    virtual const wchar_t* pszGetFormatedAliasNomTable() const { return m_clFormatedAliasNomTable.pszGet(); }
    virtual int bGetCurrentValue(CAny* pclOut, unsigned n);
    virtual int bGetOriginalValue(CAny* pclOut, unsigned n);
    virtual int bCurrentValueToString(CXYStringConcat<wchar_t>* pclOut, int bWithName);
    virtual int bSetValue(const CAny* pclValue, unsigned n);
    virtual int bValueModified() const;
    virtual int bValueDefined() const;
    virtual int bOriginalValueDefined() const;
    virtual int bSameValue(const CAny* pclValue, unsigned nFlags);
    virtual int bCheckAndCorrectYFRecordValues();
    // The SQL layer's column fetches the server's value; this one has none.
    virtual int bSetValueFromDB(CNAStatement* pclStatement, unsigned nColumn);
    virtual int bHAttacheMemo(const wchar_t* pszPath);
    virtual int bHExtraitMemo(const wchar_t* pszPath);
    virtual int bGetBLOB(CAny* pclOut) { return bGetCurrentValue(pclOut, 0); }
    virtual int bMustDefine(unsigned nFlag) const;
    virtual int bMustBind(unsigned nFlag) const;
    virtual int bGetCacheValue(CAny* pclOut, unsigned n) { return bGetCurrentValue(pclOut, n); }
    virtual CNAConvertVariant* pclGetNAValue() { return m_pclValue; }
    virtual CNAConvertVariant* pclGetVariantClone();
    virtual int bRestaureOriginalValue(CNAConvertVariant* pclOriginal);

    // ---- life
    int bFormatName();
    // Appends a component column (a reference taken).
    void AddCompositeKey(CNAColumn* pclColumn);
    // Prepares another converter for this column: state 1, the item's type (or nType), its size.
    int bInitVariant_NV_Any(CNAError* pclError, CNAConvertVariant* pclConverter, unsigned short nType) const;
    void SetAliasNomTable(const wchar_t* pszAlias, const wchar_t* pszFormated);

    // ---- names
    const wchar_t* pszGetName() const { return m_piItem->pszGetName(); }
    const wchar_t* pszGetOriginalName() const;
    const wchar_t* pszGetSourceName() const { return m_piItem->pszGetSourceName(); }
    const wchar_t* pszGetFormatedName() const { return m_clFormatedName.pszGet(); }
    const wchar_t* pszGetFormatedOriginalName() const { return m_clFormatedOriginalName.pszGet(); }
    const wchar_t* pszGetTableName() const;
    const wchar_t* pszGetFormatedSelectName(int bNameOnly);

    // ---- properties
    INAItemDescription* piGetItem() const;
    INAItemDescription* piGetItemNoRef() const { return m_piItem; }
    CNAItemDescription* piGetImportedItemDescNoRef() const { return m_pclImported; }
    eNA_ITEMTYPE eNAGetItemType() const { return m_piItem->eNAGetItemType(); }
    eNA_ITEMTYPE eNAGetItemTypeOnDatabase() const;
    eNA_ITEMTYPE eNAGetItemTypeOnDatabaseEx() const;
    unsigned nGetDBType() const;
    unsigned short eGetVQType() const { return ConverteItemToVQType(m_piItem->eNAGetItemType(), 0); }
    unsigned nGetItemSize() const { return m_piItem->nGetItemSize(); }
    unsigned nGetValueSize() const { return m_piItem->nGetItemSize(); }
    unsigned nGetLogicalSize() const { return m_piItem->nGetLogicalSize(0); }
    int nGetLogicalSizeOnDatabase() const;
    unsigned nGetIntegerPart() const { return m_piItem->nGetIntegerPart(); }
    unsigned nGetDecimalPart() const { return m_piItem->nGetDecimalPart(); }
    int nGetPhysicalIndice() const { return m_piItem->nGetPhysicalIndice(); }
    bool bIsComposedKey() const { return m_piItem->bIsComposedKey() != 0; }
    bool bIsComposedKeyComponent(const CNAColumn* pclColumn) const;
    bool bGetDescendantComponent(unsigned n) const;
    bool bGetIgnoreCase(int n) const;
    bool bIsUnique() const;
    bool bUnique() const;
    bool bPrimary() const;
    bool bUniqueNotNull() const;
    bool bIsIdAuto() const { return g_bIsIdAuto(eNAGetItemType()); }
    bool bIsNullable() const;
    bool bIsNullableOnDataBase() const;
    bool bUpdatable() const;
    bool bIsMemo() const { return m_piItem->bMemo() != 0; }
    bool bIsMemoDB() const;
    bool bIsMemoText() const { return m_piItem->bMemoText() != 0; }
    bool bIsMemoBin() const { return m_piItem->bMemoBinary() != 0; }
    bool bLiteral() const { return m_piItem->bLiteral() != 0; }
    bool bBinaryString() const { return eNAGetItemType() == NA_IT_BINAIRE; }
    unsigned eGetTypeColonne() const;
    bool bSourceIsQuery() const;
    CSQLParserInfo* pclGetSourceQueryNoRef() const;
    CNAConnectionDescription* pclGetCnx() const;
    CNARefArray<CNAColumn>* pclGetTabComponent() const { return m_pclComponents; }
    int nGetMemoIndice() const;
    bool bValueIsUnreadYet() const;
    CNARecord* pclGetRecordNoRef() const { return m_pclRecord; }
    CNAError* pclGetErrorNoRef() const { return m_pclError; }

    // ---- values
    int bSetValueNULL();
    // When the item is not defined in the image, an empty NULL value of its type; else its value.
    int _bGetValue(CAny* pclOut, unsigned n, const CNAYFRecord* pclImage) const;
    bool bNull();
    unsigned char* pGetValuePtr(CNAYFRecord* pclImage) const;
    unsigned char* pGetValuePtr(CNARecord* pclRecord) const;
    void SetNotModified();
    void SetValueIsUnreadYet();
    void _SetItemValueDefinedInYFRecord(int bDefined, unsigned n);
    int bConvertDataToDB();
    // Whether a value counts as NULL for this column (dates, empty values the server takes so).
    bool bNullOrEquivalent(CAny* pclValue) const;
    bool bNullOrEquivalent(CNAVariant* pclValue) const;
    bool bNullOrEquivalent();

    // ---- memos
    int _bSetValueMemoToDB(const CAny* pclValue, unsigned nFlags);
    bool _bMemoValueNULL(const CAny* pclValue, int bEmptyIsNull) const;
    const wchar_t* pszGetAttachedMemoFile() const { return m_clMemoFile.pszGet(); }

    // ---- composite keys
    // The components' current values side by side, each in its width, never past nSize bytes.
    int _bGetComposedKeyValue(unsigned char* pbyBuffer, unsigned long nSize);

protected:
    CNAYFRecord* _pclCurrentImage() const;
    CNAYFRecord* _pclOriginalImage() const;
    CNAColumn* _pclComponent(int n) const;

    INAItemDescription* m_piItem;
    CNAItemDescription* m_pclImported = nullptr;
    CNAError* m_pclError;
    CTString m_clFormatedName;
    CNARecord* m_pclRecord = nullptr;
    CNARefArray<CNAColumn>* m_pclComponents = nullptr;
    CTString m_clAliasNomTable;
    CTString m_clFormatedAliasNomTable;
    CTString m_clFormatedOriginalName;
    CTString m_clSelectName;
    CNAConvertVariant* m_pclValue = nullptr;
    uint32_t m_bModified = 0;
    CTString m_clMemoFile;
};

inline void CRefTraits<CNAColumn>::_AddRef(CNAColumn* p) {
    p->AddRef();
}
inline void CRefTraits<CNAColumn>::_Release(CNAColumn* p) {
    p->nRelease();
}
