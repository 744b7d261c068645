// CNADataSourceDescription: one table of the database or one query result behind the host's
// INADataSourceDescription: its names, its items in physical order, its keys and memos, the byte
// layout of a record in the host record image, and the item to browse it by. A table is read from
// the server catalogue through four hooks that the database's own subclass fills (slots 49 to 52);
// a query result is described from an executed statement or completed from the host's parsed
// query. Like the items, it has an internal count for the driver and an external one for the host.
#pragma once

#include <cstdint>

#include "core/RefArray.h"
#include "core/TString.h"
#include "core/XYStringConcat.h"
#include "native/model/NAItemDescription.h"

class CNAConnectionDescription;
class CNAError;
class CNAStatementSQL;
class CSQLParserInfo;
class IInfoRubrique;

// Where a description comes from.
enum eNA_DESCORIGIN : uint32_t {
    NA_DESCORIGIN_NEW = 0,
    NA_DESCORIGIN_DATABASE = 1,
    NA_DESCORIGIN_QUERY = 2,
};

// Flags of the name searches: bit 0 compares the names without their blanks.
constexpr int NA_SEARCH_NOSPACE = 1;

class CNADataSourceDescription : public INADataSourceDescription {
public:
    // Takes a reference on the connection and on the error object.
    CNADataSourceDescription(CNAConnectionDescription* pclConnection, CNAError* pclError);

    // ---- INAVersion, slots 2 to 6
    int nGetVersion() override { return 6; }
    int nGetCompatSince() override { return 1; }

    // ---- INADataSourceDescription, slots 7 to 41
    void ExternalAddRef() override { m_nExternalRef++; }
    // A release at 0 does nothing and answers 0.
    unsigned nExternalRelease() override;
    const wchar_t* pszGetLogicalName() const override { return m_clLogicalName.pszGet(); }
    const wchar_t* pszGetPhysicalName() const override { return m_clLogicalName.pszGet(); }
    const wchar_t* pszGetDefaultDirectory() const override { return L""; }
    unsigned nGetDiskRecordSize() const override { return m_nDiskRecordSize; }
    unsigned nGetMemoryRecordSize() const override { return m_nMemoryRecordSize; }
    unsigned nGetNumItems() const override { return static_cast<unsigned>(m_tabItems.nGetNbElement()); }
    unsigned nGetNumKeys() const override { return static_cast<unsigned>(m_tabKeys.nGetNbElement()); }
    unsigned nGetNumMemos() const override { return static_cast<unsigned>(m_tabMemos.nGetNbElement()); }
    unsigned nGetNumItemPhysicallyInFic() const override { return nGetNumItems(); }
    INAItemDescription* piNAGetItem(const wchar_t* pszName) override { return pclNAGetItem(pszName, 2); }
    // Entry n with an external reference; null outside the count.
    INAItemDescription* piNAGetItem(unsigned n) override { return _pclGetAt(m_tabItems, n); }
    INAItemDescription* piNAGetKey(unsigned n) override { return _pclGetAt(m_tabKeys, n); }
    INAItemDescription* piNAGetMemo(unsigned n) override { return _pclGetAt(m_tabMemos, n); }
    int eGetNASubDataType() const override { return 1; }
    const wchar_t* pszGetDBTableName() const override { return m_clDBName.pszGet(); }
    // The item to browse by, with an external reference for the caller; chosen once.
    INAItemDescription* piGetBestParseItemDesc() override;
    const wchar_t* pszGetExtendedInfo() const override { return m_clExtendedInfo.pszGet(); }
    const wchar_t* pszGetType() const override { return m_clType.pszGet(); }
    const wchar_t* pszGetOwner() const override { return m_clOwner.pszGet(); }
    // The connection's default database.
    const wchar_t* pszGetDefaultDatabase() const override;
    const wchar_t* pszGetExtension() const override { return nullptr; }
    const wchar_t* pszGetCaption() const override { return nullptr; }
    int bGetNullSupported() const override { return 1; }
    void EmptySlot137() override {}
    void EmptySlot138() override {}
    void EmptySlot139() override {}
    void EmptySlot140() override {}
    void EmptySlot141() override {}
    void EmptySlot142() override {}
    void EmptySlot143() override {}
    void EmptySlot144() override {}
    void EmptySlot145() override {}
    void EmptySlot146() override {}

    // ---- slots 42 to 52
    virtual ~CNADataSourceDescription();
    // The first item of that name (flags: NA_SEARCH_NOSPACE) with an external reference, or null.
    virtual CNAItemDescription* pclNAGetItem(const wchar_t* pszName, int nFlags);
    // Every host item that is not a composite key must be here; else user error 20.
    virtual int bAreDescriptionCompatible(INADataSourceDescription* piHost);
    // pszBase followed by n in decimal.
    virtual void MakeNewName(CTString* pclOut, const wchar_t* pszBase, int n);
    // A copy made by the driver's factory with every item cloned; null when it cannot be made.
    virtual CNADataSourceDescription* pclGetCloneDataSourceDescription(eCLONEDESC eFlags);
    // The items, then, when they were read, the keys.
    virtual int _bGetDataSourceInfo(int n);
    // The catalogue hooks of the database's subclass: the queries listing the table's columns and
    // its indexes, and the readers of their results. The base class has none.
    virtual int _bGetQueryShowColumns(CXYStringConcat<wchar_t>* pclQuery);
    virtual int _bInitItemFromQueryShowColumns(CNAStatementSQL* pclStatement);
    virtual int _bGetQueryShowIndex(CXYStringConcat<wchar_t>* pclQuery);
    virtual int _bInitKeysFromQueryShowIndex(CNAStatementSQL* pclStatement);

    // ---- internal count
    unsigned AddRef() { return ++m_nRef; }
    unsigned nRelease();
    unsigned nGetRef() const { return m_nRef; }
    unsigned nGetExternalRef() const { return m_nExternalRef; }

    // ---- names and fields
    void SetDBName(const wchar_t* psz) { m_clDBName.Set(psz); }
    void SetLogicalName(const wchar_t* psz) { m_clLogicalName.Set(psz); }
    void SetExtendedInfo(const wchar_t* psz) { m_clExtendedInfo.Set(psz); }
    void SetType(const wchar_t* psz) { m_clType.Set(psz); }
    void SetOwner(const wchar_t* psz) { m_clOwner.Set(psz); }
    eNA_DESCORIGIN eGetOrigin() const { return m_eOrigin; }
    unsigned nGetValueSlotCount() const { return m_nValueSlotCount; }
    CNAConnectionDescription* pclGetConnectionNoRef() const { return m_pclConnection; }
    CNAError* pclGetErrorNoRef() const { return m_pclError; }

    // ---- initialisations
    // A table read from the catalogue through the hooks.
    bool bInitDataSourceDescriptionFromDB(const wchar_t* pszTableName, int n);
    // A query's result: one item per result column of the executed statement, in order. A
    // description without a logical name is named by the statement's address.
    bool bInitDataSourceDescriptionFromStatement(CNAStatementSQL* pclStatement);
    // A query's result completed from the host's parsed query: each selected item from the host's
    // description of it (or as a computed item), then the ORDER BY directions and the best item.
    bool bCompleteDescription(CSQLParserInfo* pclParser);

    // ---- items
    // Makes an item through the driver's factory and adds it; out of memory when it cannot.
    bool bAddItem(const wchar_t* pszName, const wchar_t* pszSourceName, const wchar_t* pszNameInSource,
                  unsigned nDimension, unsigned nSize, eNA_ITEMTYPE eType, int nPhysicalIndice, int nKeyIndice,
                  unsigned short wKeyFlags, int nIntegerDigits, int nDecimalDigits);
    // Adds an item (a reference taken): named when it has no name, renamed when the name is taken,
    // placed by its physical index, and joined to the key and memo lists.
    void _AddItem(CNAItemDescription* pclItem);
    // The same at position n (appended past the end): the items from n on move one place on.
    void _AddItemAt(CNAItemDescription* pclItem, int n);
    CNAItemDescription* pclNAGetItemNoRef(const wchar_t* pszName, int nFlags) const;
    // Item n counted from 0, no reference; null outside the count.
    CNAItemDescription* pclGetItemNoRef(int n) const;
    CNAItemDescription* pclGetKeyNoRef(int n) const;
    // The item whose position on the server is n, with an external reference, or null.
    CNAItemDescription* pclNAGetItemByPhysicalIndiceDB(unsigned n) const;
    // The key of that name (blanks removed from both names), with an external reference, or null.
    CNAItemDescription* piNAGetKey(const wchar_t* pszName);
    // The item of that name with an external reference; else user error 26 and null.
    CNAItemDescription* pclNAGetCorrespondingItem(const wchar_t* pszName);
    // Offsets, value-slot indexes and the three sizes, from the items in physical order.
    void UpdateRecordSize();

    // ---- keys and the best parse item
    bool _bSetKeyType(CNAItemDescription* pclItem, unsigned short wKeyFlags);
    bool _bSetKeyType(int nIndex, unsigned short wKeyFlags);
    bool _bSetKeyType(const wchar_t* pszName, unsigned short wKeyFlags);
    bool _bAddItemComponent(CNAItemDescription* pclKey, int nIndex);
    bool _bAddItemComponent(CNAItemDescription* pclKey, const wchar_t* pszName);
    void _SetBestParseItem(CNAItemDescription* pclItem);
    void _SetBestParseItem(const wchar_t* pszName);

    // The item type of a host engine type code 0..41; 15 (a text memo) above.
    static eNA_ITEMTYPE g_eGetNAItemType(unsigned nYFType);

protected:
    // One selected item of the parsed query, at position n.
    bool _bCompleteItem(CSQLParserInfo* pclParser, int n, int bUniqueAllowed);
    // A new item from the host's description of a selected item, with its key flags.
    bool _bAjouteItemDescription(INAItemDescription* piHost, CSQLParserInfo* pclParser, IInfoRubrique* piSelected,
                                 int bUniqueAllowed);
    // The table an item of a query's result is read from, as the parsed query names it.
    static void _SetSourceTable(CNAItemDescription* pclItem, CSQLParserInfo* pclParser, IInfoRubrique* piSelected);
    // An item that became a key or a memo joins that list; one that stopped being one leaves it.
    void _UpdateKeyAndMemoLists(CNAItemDescription* pclItem, bool bWasKey, bool bWasMemo);
    bool _bImportItems();
    bool _bImportIndex();
    // Runs a catalogue query on the connection and hands the statement to a reader hook.
    bool _bExecuteCatalogueQuery(const CXYStringConcat<wchar_t>& clQuery, bool bItems);
    void _AddKey(CNAItemDescription* pclItem);
    // A generated name for an item without one, a numbered one when the name is taken.
    void _NameNewItem(CNAItemDescription* pclItem);
    void _JoinKeyAndMemoLists(CNAItemDescription* pclItem);
    // User error nCode with up to two texts, this unit's debug line at nSite.
    void _AddUserError(unsigned nCode, int nSite, const wchar_t* psz1, const wchar_t* psz2);
    void _SetErrorNoMemory();

private:
    static CNAItemDescription* _pclGetAt(const CRefArray<CNAItemDescription>& tab, unsigned n);
    void _DeleteIfUnused();
    CNAItemDescription* _pclChooseBestParseItem() const;

    CNAError* m_pclError;
    uint32_t m_nRef = 0;
    uint32_t m_nExternalRef = 0;
    CNAConnectionDescription* m_pclConnection;
    CTString m_clLogicalName;
    CTString m_clDBName;
    CTString m_clExtendedInfo;
    CTString m_clType;
    CTString m_clOwner;
    uint32_t m_nDiskRecordSize = 0;
    uint32_t m_nMemoryRecordSize = 0;
    uint32_t m_nValueSlotCount = 0;
    CRefArray<CNAItemDescription> m_tabItems;
    CRefArray<CNAItemDescription> m_tabKeys;
    CRefArray<CNAItemDescription> m_tabMemos;
    CNAItemDescription* m_pclBestParseItem = nullptr;  // one external reference
    eNA_DESCORIGIN m_eOrigin = NA_DESCORIGIN_NEW;
};
