// The two description interfaces the driver hands to the host: INAItemDescription (one item of a
// table or query result: a column or a key) and INADataSourceDescription (a table or a query
// result). The host also hands the driver descriptions of its own through them, so the slot order
// is binary interface: every slot is declared in its place, reserved ones included, and neither
// interface has a virtual destructor. Slot numbers count from 2 (the first INAVersion slot).
#pragma once

#include "native/driver/INAVersion.h"
#include "native/model/NAItemType.h"

class CAny;
class INAContext;
class INADataSourceDescription;

class INAItemDescription : public INAVersion {
public:
    virtual void ExternalAddRef() = 0;                                     // 7
    virtual unsigned nExternalRelease() = 0;                               // 8
    virtual const wchar_t* pszGetName() const = 0;                         // 9
    virtual unsigned nGetDimension() const = 0;                            // 10
    virtual unsigned nGetItemSize() const = 0;                             // 11
    virtual unsigned nGetLogicalSize(int n) const = 0;                     // 12
    virtual unsigned nGetTotalSize() const = 0;                            // 13
    virtual eNA_ITEMTYPE eNAGetItemType() const = 0;                       // 14
    virtual int nGetPhysicalIndice() const = 0;                            // 15
    virtual int bIsKey() const = 0;                                        // 16
    virtual int bMemo() const = 0;                                         // 17
    virtual int bMemoText() const = 0;                                     // 18
    virtual int bMemoBinary() const = 0;                                   // 19
    virtual int bNumerical() const = 0;                                    // 20
    virtual int bLiteral() const = 0;                                      // 21
    virtual int nGetKeyIndice() const = 0;                                 // 22
    virtual int nGetNumComponents() const = 0;                             // 23
    virtual int bPrimary() const = 0;                                      // 24
    virtual int bUnique() const = 0;                                       // 25
    virtual int bDuplicates() const = 0;                                   // 26
    virtual int bIsComposedKey() const = 0;                                // 27
    virtual int bGetAscendant(int nComponent) const = 0;                   // 28
    virtual int bGetDescendant(int nComponent) const = 0;                  // 29
    virtual int bGetIgnoreCase(int nComponent) const = 0;                  // 30
    virtual int bGetIgnorePunctuation(int nComponent) const = 0;           // 31
    virtual int bGetIgnoreAccent(int nComponent) const = 0;                // 32
    virtual INAItemDescription* piGetItemComponent(int n) const = 0;       // 33: counted from 1
    virtual int nGetOffset(int n) const = 0;                               // 34
    virtual int nGetSubItemRecordIndice(int n) const = 0;                  // 35
    virtual CAny* pclGetDefaultValue(int n) const = 0;                     // 36
    virtual const wchar_t* pszGetExtendedInfo() const = 0;                 // 37
    virtual const wchar_t* pszGetCaption() const = 0;                      // 38
    virtual const wchar_t* pszGetDBType() const = 0;                       // 39
    virtual const wchar_t* pszGetXBaseIndexPath() const = 0;               // 40
    virtual const wchar_t* pszGetXBaseKeyExpression() const = 0;           // 41
    virtual unsigned nGetIntegerPart() const = 0;                          // 42
    virtual unsigned nGetDecimalPart() const = 0;                          // 43
    virtual const wchar_t* pszGetNameInSource() const = 0;                 // 44
    virtual const wchar_t* pszGetSourceName() const = 0;                   // 45
    virtual unsigned nGetKeySize() const = 0;                              // 46
    virtual void SetKeySize(unsigned nSize) = 0;                           // 47
    virtual unsigned nGetComponentKeySize(int nComponent) const = 0;       // 48
    virtual void SetComponentKeySize(unsigned nSize, int nComponent) = 0;  // 49
    virtual int bUpdatable() const = 0;                                    // 50
    virtual void SetUpdatable(int bUpdatable) = 0;                         // 51
    virtual INAItemDescription* piGetPrimaryLink(INAContext* piContext,
                                                 INADataSourceDescription** ppiSource) = 0;  // 52
    virtual INAItemDescription* piGetForeignLink(unsigned n, INAContext* piContext,
                                                 INADataSourceDescription** ppiSource) = 0;  // 53
    virtual unsigned nGetNumForeignLink() const = 0;                                         // 54
    virtual const wchar_t* pszGetUnicodeLocale() const = 0;                                  // 55
    // Only in descriptions of version 9 and later: ask nGetVersion before calling it.
    virtual int vbConstraintNullAllowed() const = 0;  // 56

protected:
    ~INAItemDescription() = default;
};

class INADataSourceDescription : public INAVersion {
public:
    virtual void ExternalAddRef() = 0;                                    // 7
    virtual unsigned nExternalRelease() = 0;                              // 8
    virtual const wchar_t* pszGetLogicalName() const = 0;                 // 9
    virtual const wchar_t* pszGetPhysicalName() const = 0;                // 10
    virtual const wchar_t* pszGetDefaultDirectory() const = 0;            // 11
    virtual unsigned nGetDiskRecordSize() const = 0;                      // 12
    virtual unsigned nGetMemoryRecordSize() const = 0;                    // 13
    virtual unsigned nGetNumItems() const = 0;                            // 14
    virtual unsigned nGetNumKeys() const = 0;                             // 15
    virtual unsigned nGetNumMemos() const = 0;                            // 16
    virtual unsigned nGetNumItemPhysicallyInFic() const = 0;              // 17
    virtual INAItemDescription* piNAGetItem(const wchar_t* pszName) = 0;  // 18
    virtual INAItemDescription* piNAGetItem(unsigned n) = 0;              // 19
    virtual INAItemDescription* piNAGetKey(unsigned n) = 0;               // 20
    virtual INAItemDescription* piNAGetMemo(unsigned n) = 0;              // 21
    virtual int eGetNASubDataType() const = 0;                            // 22
    virtual const wchar_t* pszGetDBTableName() const = 0;                 // 23
    virtual INAItemDescription* piGetBestParseItemDesc() = 0;             // 24
    virtual const wchar_t* pszGetExtendedInfo() const = 0;                // 25
    virtual const wchar_t* pszGetType() const = 0;                        // 26
    virtual const wchar_t* pszGetOwner() const = 0;                       // 27
    virtual const wchar_t* pszGetDefaultDatabase() const = 0;             // 28
    virtual const wchar_t* pszGetExtension() const = 0;                   // 29
    virtual const wchar_t* pszGetCaption() const = 0;                     // 30
    virtual int bGetNullSupported() const = 0;                            // 31
    virtual void EmptySlot137() = 0;                                      // 32
    virtual void EmptySlot138() = 0;                                      // 33
    virtual void EmptySlot139() = 0;                                      // 34
    virtual void EmptySlot140() = 0;                                      // 35
    virtual void EmptySlot141() = 0;                                      // 36
    virtual void EmptySlot142() = 0;                                      // 37
    virtual void EmptySlot143() = 0;                                      // 38
    virtual void EmptySlot144() = 0;                                      // 39
    virtual void EmptySlot145() = 0;                                      // 40
    virtual void EmptySlot146() = 0;                                      // 41

protected:
    ~INADataSourceDescription() = default;
};
