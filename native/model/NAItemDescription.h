// CNAItemDescription: one item of a table or query result (a column, or a key made of one or more
// columns) behind the host's INAItemDescription. The same object is handed to the host and used
// inside the driver: it holds the names, the item type and sizes, the key properties, the item's
// offset in the host record image, a default value and, for a composite key, its components.
// Two counts keep it alive: the internal one for the driver, the external one for the host; it
// deletes itself when both are 0. Also here: the static type functions that depend on an item's
// declared size (engine sizes, number formats, decimal digits).
#pragma once

#include <cstdint>

#include "core/RefTraits.h"
#include "core/TString.h"
#include "core/TTableauPtr.h"
#include "native/model/NAInterfaces.h"
#include "variant/Any.h"

class CNAConnectionDescription;
class CNADataSourceDescription;
class IInfoRubrique;

// Clone flags.
enum eCLONEDESC : int {
    CLONEDESC_NONE = 0,
    CLONEDESC_KEYALL = 1,      // a plain item that is not a text memo becomes a key with duplicates
    CLONEDESC_DATEASTEXT = 2,  // dates and date-times become texts with an empty default
};

// Sort direction: 0 ascending, any other value descending.
enum eSENSTRI : int {
    SENSTRI_ASCENDANT = 0,
    SENSTRI_DESCENDANT = 1,
};

// Key flags (16-bit word). A key is an item with any of the four top bits.
constexpr uint16_t NA_KEY_PRIMARY = 0x8000;
constexpr uint16_t NA_KEY_UNIQUE = 0x4000;
constexpr uint16_t NA_KEY_DUPLICATES = 0x2000;
constexpr uint16_t NA_KEY_COMPOSED = 0x1000;
constexpr uint16_t NA_KEY_ASCENDANT = 0x0800;
constexpr uint16_t NA_KEY_DESCENDANT = 0x0400;
constexpr uint16_t NA_KEY_IGNORECASE = 0x0080;
constexpr uint16_t NA_KEY_IGNOREPUNCTUATION = 0x0040;
constexpr uint16_t NA_KEY_IGNOREACCENT = 0x0020;
constexpr uint16_t NA_KEY_KINDS = 0xF000;

// Item flags (32-bit word).
constexpr uint32_t NA_ITEM_AUTOINCREMENT = 1;
constexpr uint32_t NA_ITEM_NOTNULL = 2;
constexpr uint32_t NA_ITEM_NOTUPDATABLE = 4;
constexpr uint32_t NA_ITEM_SPACEPADDING = 8;
constexpr uint32_t NA_ITEM_VARIABLESCALE = 16;

class CNAItemDescription : public INAItemDescription {
public:
    CNAItemDescription();

    // ---- INAVersion, slots 2 to 6
    int nGetVersion() override { return 9; }
    int nGetCompatSince() override { return 1; }

    // ---- INAItemDescription, slots 7 to 56
    void ExternalAddRef() override;
    // A release at 0 does nothing and answers 0.
    unsigned nExternalRelease() override;
    const wchar_t* pszGetName() const override { return m_clName.pszGet(); }
    unsigned nGetDimension() const override { return m_nDimension; }
    unsigned nGetItemSize() const override { return m_nItemSize; }
    unsigned nGetLogicalSize(int n) const override;
    unsigned nGetTotalSize() const override { return m_nDimension * m_nItemSize; }
    eNA_ITEMTYPE eNAGetItemType() const override { return m_eItemType; }
    int nGetPhysicalIndice() const override { return m_nPhysicalIndice; }
    int bIsKey() const override { return (m_wKeyFlags & NA_KEY_KINDS) != 0; }
    int bMemo() const override { return g_bIsMemo(m_eItemType); }
    int bMemoText() const override { return g_bIsMemoText(m_eItemType); }
    int bMemoBinary() const override { return g_bIsMemoBinary(m_eItemType); }
    int bNumerical() const override { return g_bIsNumerical(m_eItemType); }
    int bLiteral() const override { return m_eItemType == NA_IT_TEXTE; }
    int nGetKeyIndice() const override { return m_nKeyIndice; }
    int nGetNumComponents() const override { return m_tabComponents.nGetNbElement(); }
    int bPrimary() const override { return (m_wKeyFlags & NA_KEY_PRIMARY) != 0; }
    int bUnique() const override { return (m_wKeyFlags & (NA_KEY_UNIQUE | NA_KEY_PRIMARY)) != 0; }
    int bDuplicates() const override { return (m_wKeyFlags & NA_KEY_DUPLICATES) != 0; }
    int bIsComposedKey() const override { return (m_wKeyFlags & NA_KEY_COMPOSED) != 0; }
    int bGetAscendant(int nComponent) const override;
    int bGetDescendant(int) const override { return (m_wKeyFlags & NA_KEY_DESCENDANT) != 0; }
    int bGetIgnoreCase(int) const override { return (m_wKeyFlags & NA_KEY_IGNORECASE) != 0; }
    int bGetIgnorePunctuation(int) const override { return (m_wKeyFlags & NA_KEY_IGNOREPUNCTUATION) != 0; }
    int bGetIgnoreAccent(int) const override { return (m_wKeyFlags & NA_KEY_IGNOREACCENT) != 0; }
    // Component n counted from 1, with an external reference; null outside 1..count.
    INAItemDescription* piGetItemComponent(int n) const override;
    int nGetOffset(int n) const override { return m_nOffset + n * static_cast<int>(m_nItemSize); }
    int nGetSubItemRecordIndice(int n) const override { return m_nSubItemRecordIndice + n; }
    CAny* pclGetDefaultValue(int) const override { return const_cast<CAny*>(&m_clDefaultValue); }
    const wchar_t* pszGetExtendedInfo() const override { return m_clExtendedInfo.pszGet(); }
    const wchar_t* pszGetCaption() const override { return m_clCaption.pszGet(); }
    const wchar_t* pszGetDBType() const override { return m_clDBType.pszGet(); }
    const wchar_t* pszGetXBaseIndexPath() const override { return nullptr; }
    const wchar_t* pszGetXBaseKeyExpression() const override { return nullptr; }
    unsigned nGetIntegerPart() const override { return m_nIntegerPart; }
    unsigned nGetDecimalPart() const override { return m_nDecimalPart; }
    const wchar_t* pszGetNameInSource() const override { return m_clNameInSource.pszGet(); }
    const wchar_t* pszGetSourceName() const override { return m_clSourceName.pszGet(); }
    unsigned nGetKeySize() const override { return 0; }
    void SetKeySize(unsigned) override {}
    unsigned nGetComponentKeySize(int) const override { return 0; }
    void SetComponentKeySize(unsigned, int) override {}
    int bUpdatable() const override { return (m_dwItemFlags & NA_ITEM_NOTUPDATABLE) == 0; }
    void SetUpdatable(int bUpdatable) override;
    INAItemDescription* piGetPrimaryLink(INAContext*, INADataSourceDescription**) override { return nullptr; }
    INAItemDescription* piGetForeignLink(unsigned, INAContext*, INADataSourceDescription**) override { return nullptr; }
    unsigned nGetNumForeignLink() const override { return 0; }
    const wchar_t* pszGetUnicodeLocale() const override { return nullptr; }
    int vbConstraintNullAllowed() const override { return (m_dwItemFlags & NA_ITEM_NOTNULL) == 0; }

    // ---- slots 57 to 61
    virtual ~CNAItemDescription();
    virtual void SetIntegerPart(int n) { m_nIntegerPart = static_cast<uint32_t>(n); }
    virtual void SetDecimalPart(int n) { m_nDecimalPart = static_cast<uint32_t>(n); }
    // A copy made by the driver's factory for a target description (null when it cannot make one).
    virtual CNAItemDescription* pclGetCloneItemDescription(CNADataSourceDescription* pclTarget, eCLONEDESC eFlags);

    // ---- internal count
    unsigned AddRef() { return ++m_nRef; }
    // A release at 0 does nothing and answers 0.
    unsigned nRelease();
    unsigned nGetRef() const { return m_nRef; }
    unsigned nGetExternalRef() const { return m_nExternalRef; }

    // ---- initialisation and setters
    bool bInit(const wchar_t* pszName, const wchar_t* pszSourceName, const wchar_t* pszNameInSource,
               unsigned nDimension, unsigned nSize, eNA_ITEMTYPE eType, unsigned nPhysicalIndice, int nKeyIndice,
               unsigned short wKeyFlags, int nIntegerDigits, int nDecimalDigits);
    bool bSetName(const wchar_t* pszName);
    bool bSetKey(int nKeyIndice, unsigned short wKeyFlags);
    bool bSetKeyIndice(int nKeyIndice);
    void SetSensTri(eSENSTRI eSens);
    void SetIgnoreCase(int bIgnore);
    void SetNullable(int bNullable);
    void SetNotUpdatable() { SetUpdatable(0); }
    void SetSpacePadding() { m_dwItemFlags |= NA_ITEM_SPACEPADDING; }
    void SetVariableScale() { m_dwItemFlags |= NA_ITEM_VARIABLESCALE; }
    // Flag 1, and an integer of 8 or 4 bytes becomes the automatic identifier of its width.
    void SetAutoIncrement();
    void SetExtendedInfo(const wchar_t* psz) { m_clExtendedInfo.Set(psz); }
    void SetCaption(const wchar_t* psz) { m_clCaption.Set(psz); }
    // The server's type name and code (0: none given).
    void SetDBType(const wchar_t* pszText, unsigned nCode);
    void SetPhysicalIndice(int n) { m_nPhysicalIndice = n; }
    // The column's position on the server (-1 by default).
    void SetPhysicalIndiceDB(int n) { m_nPhysicalIndiceDB = n; }
    void SetSourceTable(const wchar_t* psz) { m_clSourceTable.Set(psz); }
    void SetCalculatedItemCode(unsigned n) { m_nCalculatedItemCode = n; }
    // Offset of element 0 in the record image's value area and index of its first value slot.
    void SetRecordPosition(int nOffset, int nSubItemRecordIndice);
    // Copies the value (unless it is the default value itself) and casts it to the item's type.
    void SetDefaultValue(const CAny* pclValue, int);

    // ---- fields without an interface slot
    bool bAutoIncrement() const { return (m_dwItemFlags & NA_ITEM_AUTOINCREMENT) != 0; }
    bool bNullable() const { return (m_dwItemFlags & NA_ITEM_NOTNULL) == 0; }
    bool bSpacePadding() const { return (m_dwItemFlags & NA_ITEM_SPACEPADDING) != 0; }
    bool bGetVariableScale() const { return (m_dwItemFlags & NA_ITEM_VARIABLESCALE) != 0; }
    uint16_t wGetKeyFlags() const { return m_wKeyFlags; }
    uint32_t dwGetItemFlags() const { return m_dwItemFlags; }
    unsigned nGetDBTypeCode() const { return m_nDBTypeCode; }
    int nGetPhysicalIndiceDB() const { return m_nPhysicalIndiceDB; }
    const wchar_t* pszGetSourceTable() const { return m_clSourceTable.pszGet(); }
    unsigned nGetCalculatedItemCode() const { return m_nCalculatedItemCode; }
    unsigned nGetPrecision() const { return m_nIntegerPart + m_nDecimalPart; }
    unsigned nGetScale() const { return m_nDecimalPart; }
    unsigned short eGetItemVQType() const { return ConverteItemToVQType(m_eItemType, 0); }
    // Component n counted from 0, no reference; null outside the count.
    CNAItemDescription* pclGetComponentNoRef(int n) const;

    // ---- composite keys, type changes, completion, fitness
    // Appends a component (internal reference); a composite key grows by its logical size.
    bool bAddComponent(CNAItemDescription* pclItem);
    // Takes dimension, size, type and server type text of another item; bKeepAutoId 0 turns the
    // automatic identifiers into plain integers. The default value follows the new type.
    bool bChangeType(INAItemDescription* piOther, int bKeepAutoId);
    bool bChangeType(CNAItemDescription* pclOther, int bKeepAutoId);
    bool bChangeTypeMemo(eNA_ITEMTYPE eType);
    // Completes this item from the host's description of it.
    bool bCompleteDescription(INAItemDescription* piOther, int bUnique, unsigned nKeyIndice);
    // Completes a computed item of a query from the selected item of the host's parsed query: its
    // names, its calculated-item code, and its type and size from the expression's value.
    bool bCompleteDescriptionCalcul(IInfoRubrique* piItem);
    // Whether values of the other item fit into this one.
    bool bTypeMatch(const INAItemDescription* piOther, int bFoldUnicode, int bLooseDates) const;
    // The item's type as the server knows it: 0 when it gave no code or the connection does not
    // know that code, else the item type.
    eNA_ITEMTYPE eNAGetDBType(CNAConnectionDescription* pclConnection) const;

    // ---- static type functions
    static bool g_bIsMemo(eNA_ITEMTYPE eType) {
        return eType == NA_IT_MEMOTEXTE || eType == NA_IT_MEMOBINAIRE || eType == NA_IT_MEMOUNICODE;
    }
    static bool g_bIsMemoText(eNA_ITEMTYPE eType) { return eType == NA_IT_MEMOTEXTE || eType == NA_IT_MEMOUNICODE; }
    static bool g_bIsMemoBinary(eNA_ITEMTYPE eType) { return eType == NA_IT_MEMOBINAIRE; }
    // Size the host engine gives a value (n the declared size, f the fraction digits or precision).
    static unsigned s_nGetYFSize(eNA_ITEMTYPE eType, unsigned long nSize, int f);
    // Item type and size for a number of i integer and d decimal digits.
    static void s_GetTypeFromFormat(int nIntegerDigits, int nDecimalDigits, eNA_ITEMTYPE* peType, unsigned* pnSize);
    // Decimal digits and decimals that an integral language type holds; false for the others.
    static bool s_bGetDecimalInfo(unsigned short nVQType, int* pnDigits, int* pnDecimals);
    // Folds a Unicode type to its 8-bit twin (a Unicode text's size is halved).
    static void s_Type2Ansi(eNA_ITEMTYPE* peType, unsigned* pnSize);
    // Byte size of a decimal of precision 0..38 (0 outside).
    static unsigned s_nGetDecimalSize(int nPrecision);
    // Whether the item is one of the key's components (by identity).
    static bool bIsComponentOf(INAItemDescription* piKey, INAItemDescription* piItem);

private:
    void _DeleteIfUnused();
    // Casts the default value to the item's language type; a failed cast leaves an empty value of
    // that type.
    void _RetypeDefaultValue();

    CTString m_clName;
    CTString m_clExtendedInfo;
    CTString m_clCaption;
    CTString m_clDBType;
    uint32_t m_nDBTypeCode = 0;
    uint32_t m_nDimension = 1;
    uint32_t m_nItemSize = 0;
    int32_t m_nKeyIndice = -1;
    eNA_ITEMTYPE m_eItemType = NA_IT_EMPTY;
    int32_t m_nPhysicalIndice = -1;
    int32_t m_nPhysicalIndiceDB = -1;
    uint16_t m_wKeyFlags = 0;
    uint32_t m_nRef = 0;
    uint32_t m_nExternalRef = 0;
    int32_t m_nOffset = -1;
    int32_t m_nSubItemRecordIndice = -1;
    CAny m_clDefaultValue;
    uint32_t m_nIntegerPart = 0;
    uint32_t m_nDecimalPart = 0;
    CTString m_clSourceName;
    CTString m_clNameInSource;
    CTString m_clSourceTable;
    uint32_t m_nCalculatedItemCode = 0;
    uint32_t m_dwItemFlags = 0;
    // Components of a composite key, each with an internal reference.
    CTTableauPtr<CNAItemDescription> m_tabComponents;
};

// Arrays of item descriptions hold the host-side (external) count, so an item handed out stays
// alive as long as any holder keeps it.
template <>
struct CRefTraits<CNAItemDescription> {
    static void _AddRef(CNAItemDescription* p) { p->ExternalAddRef(); }
    static void _Release(CNAItemDescription* p) { p->nExternalRelease(); }
};
