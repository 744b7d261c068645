// The host's description of a table (INADataSourceDescription) as the stand-in host plays it when
// only its best browse item matters: the item a test sets (handed out with an external reference),
// the table name "browse", no items listed, and the external references the driver holds on it.
// The test owns the object and the item; the driver's last release deletes neither.
#pragma once

#include "native/model/NAInterfaces.h"
#include "tests/host/StandInHost.h"

namespace standin {

class STANDIN_API CStandInBrowseSource final : public INADataSourceDescription {
public:
    explicit CStandInBrowseSource(INAItemDescription* piBestItem) : m_piBestItem(piBestItem) {}
    ~CStandInBrowseSource();

    int nGetExternalRefs() const { return m_nExternalRefs; }

    int nGetVersion() override;
    int nGetCompatSince() override;
    void ExternalAddRef() override;
    unsigned nExternalRelease() override;
    const wchar_t* pszGetLogicalName() const override;
    const wchar_t* pszGetPhysicalName() const override;
    const wchar_t* pszGetDefaultDirectory() const override;
    unsigned nGetDiskRecordSize() const override;
    unsigned nGetMemoryRecordSize() const override;
    unsigned nGetNumItems() const override;
    unsigned nGetNumKeys() const override;
    unsigned nGetNumMemos() const override;
    unsigned nGetNumItemPhysicallyInFic() const override;
    INAItemDescription* piNAGetItem(const wchar_t* pszName) override;
    INAItemDescription* piNAGetItem(unsigned n) override;
    INAItemDescription* piNAGetKey(unsigned n) override;
    INAItemDescription* piNAGetMemo(unsigned n) override;
    int eGetNASubDataType() const override;
    const wchar_t* pszGetDBTableName() const override;
    INAItemDescription* piGetBestParseItemDesc() override;
    const wchar_t* pszGetExtendedInfo() const override;
    const wchar_t* pszGetType() const override;
    const wchar_t* pszGetOwner() const override;
    const wchar_t* pszGetDefaultDatabase() const override;
    const wchar_t* pszGetExtension() const override;
    const wchar_t* pszGetCaption() const override;
    int bGetNullSupported() const override;
    void EmptySlot137() override;
    void EmptySlot138() override;
    void EmptySlot139() override;
    void EmptySlot140() override;
    void EmptySlot141() override;
    void EmptySlot142() override;
    void EmptySlot143() override;
    void EmptySlot144() override;
    void EmptySlot145() override;
    void EmptySlot146() override;

private:
    INAItemDescription* m_piBestItem;
    int m_nExternalRefs = 0;
};

}  // namespace standin
