// The host's description of one item (INAItemDescription) as the stand-in host plays it: a name,
// an item type, the interface version the host gives (9 and later answer whether the item takes
// NULL), primary and unique flags a test sets, and the external references the driver holds on it.
// The test owns the object; the driver's last release does not delete it.
#pragma once

#include <string>

#include "native/model/NAInterfaces.h"
#include "tests/host/StandInHost.h"

namespace standin {

class STANDIN_API CStandInItemDescription final : public INAItemDescription {
public:
    CStandInItemDescription(const std::wstring& sName, eNA_ITEMTYPE eType);
    ~CStandInItemDescription();

    std::wstring m_sName;
    eNA_ITEMTYPE m_eType;
    int m_nVersion = 9;
    int m_bPrimary = 0;
    int m_bUnique = 0;
    int m_bNullAllowed = 1;
    // How often the driver asked whether the item takes NULL.
    mutable int m_nNullAllowedAsked = 0;

    int nGetExternalRefs() const { return m_nExternalRefs; }

    int nGetVersion() override;
    int nGetCompatSince() override;
    void ExternalAddRef() override;
    unsigned nExternalRelease() override;
    const wchar_t* pszGetName() const override;
    unsigned nGetDimension() const override;
    unsigned nGetItemSize() const override;
    unsigned nGetLogicalSize(int n) const override;
    unsigned nGetTotalSize() const override;
    eNA_ITEMTYPE eNAGetItemType() const override;
    int nGetPhysicalIndice() const override;
    int bIsKey() const override;
    int bMemo() const override;
    int bMemoText() const override;
    int bMemoBinary() const override;
    int bNumerical() const override;
    int bLiteral() const override;
    int nGetKeyIndice() const override;
    int nGetNumComponents() const override;
    int bPrimary() const override;
    int bUnique() const override;
    int bDuplicates() const override;
    int bIsComposedKey() const override;
    int bGetAscendant(int nComponent) const override;
    int bGetDescendant(int nComponent) const override;
    int bGetIgnoreCase(int nComponent) const override;
    int bGetIgnorePunctuation(int nComponent) const override;
    int bGetIgnoreAccent(int nComponent) const override;
    INAItemDescription* piGetItemComponent(int n) const override;
    int nGetOffset(int n) const override;
    int nGetSubItemRecordIndice(int n) const override;
    CAny* pclGetDefaultValue(int n) const override;
    const wchar_t* pszGetExtendedInfo() const override;
    const wchar_t* pszGetCaption() const override;
    const wchar_t* pszGetDBType() const override;
    const wchar_t* pszGetXBaseIndexPath() const override;
    const wchar_t* pszGetXBaseKeyExpression() const override;
    unsigned nGetIntegerPart() const override;
    unsigned nGetDecimalPart() const override;
    const wchar_t* pszGetNameInSource() const override;
    const wchar_t* pszGetSourceName() const override;
    unsigned nGetKeySize() const override;
    void SetKeySize(unsigned nSize) override;
    unsigned nGetComponentKeySize(int nComponent) const override;
    void SetComponentKeySize(unsigned nSize, int nComponent) override;
    int bUpdatable() const override;
    void SetUpdatable(int bUpdatable) override;
    INAItemDescription* piGetPrimaryLink(INAContext* piContext, INADataSourceDescription** ppiSource) override;
    INAItemDescription* piGetForeignLink(unsigned n, INAContext* piContext,
                                         INADataSourceDescription** ppiSource) override;
    unsigned nGetNumForeignLink() const override;
    const wchar_t* pszGetUnicodeLocale() const override;
    int vbConstraintNullAllowed() const override;

private:
    int m_nExternalRefs = 0;
};

}  // namespace standin
