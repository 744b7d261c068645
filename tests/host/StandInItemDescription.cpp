// The stand-in host's item description: what a test sets, defaults elsewhere, counted references.
#include "tests/host/StandInItemDescription.h"

namespace standin {

CStandInItemDescription::CStandInItemDescription(const std::wstring& sName, eNA_ITEMTYPE eType)
    : m_sName(sName), m_eType(eType) {}
CStandInItemDescription::~CStandInItemDescription() = default;

int CStandInItemDescription::nGetVersion() {
    return m_nVersion;
}
int CStandInItemDescription::nGetCompatSince() {
    return 1;
}
void CStandInItemDescription::ExternalAddRef() {
    m_nExternalRefs++;
}
unsigned CStandInItemDescription::nExternalRelease() {
    if (m_nExternalRefs > 0) m_nExternalRefs--;
    return static_cast<unsigned>(m_nExternalRefs);
}
const wchar_t* CStandInItemDescription::pszGetName() const {
    return m_sName.c_str();
}
unsigned CStandInItemDescription::nGetDimension() const {
    return 1;
}
unsigned CStandInItemDescription::nGetItemSize() const {
    return 4;
}
unsigned CStandInItemDescription::nGetLogicalSize(int) const {
    return 4;
}
unsigned CStandInItemDescription::nGetTotalSize() const {
    return 4;
}
eNA_ITEMTYPE CStandInItemDescription::eNAGetItemType() const {
    return m_eType;
}
int CStandInItemDescription::nGetPhysicalIndice() const {
    return 0;
}
int CStandInItemDescription::bIsKey() const {
    return m_bPrimary || m_bUnique ? 1 : 0;
}
int CStandInItemDescription::bMemo() const {
    return 0;
}
int CStandInItemDescription::bMemoText() const {
    return 0;
}
int CStandInItemDescription::bMemoBinary() const {
    return 0;
}
int CStandInItemDescription::bNumerical() const {
    return 0;
}
int CStandInItemDescription::bLiteral() const {
    return 0;
}
int CStandInItemDescription::nGetKeyIndice() const {
    return m_bPrimary || m_bUnique ? 0 : -1;
}
int CStandInItemDescription::nGetNumComponents() const {
    return 0;
}
int CStandInItemDescription::bPrimary() const {
    return m_bPrimary;
}
int CStandInItemDescription::bUnique() const {
    return m_bUnique;
}
int CStandInItemDescription::bDuplicates() const {
    return m_bPrimary || m_bUnique ? 0 : 1;
}
int CStandInItemDescription::bIsComposedKey() const {
    return 0;
}
int CStandInItemDescription::bGetAscendant(int) const {
    return 1;
}
int CStandInItemDescription::bGetDescendant(int) const {
    return 0;
}
int CStandInItemDescription::bGetIgnoreCase(int) const {
    return 0;
}
int CStandInItemDescription::bGetIgnorePunctuation(int) const {
    return 0;
}
int CStandInItemDescription::bGetIgnoreAccent(int) const {
    return 0;
}
INAItemDescription* CStandInItemDescription::piGetItemComponent(int) const {
    return nullptr;
}
int CStandInItemDescription::nGetOffset(int) const {
    return 0;
}
int CStandInItemDescription::nGetSubItemRecordIndice(int) const {
    return 0;
}
CAny* CStandInItemDescription::pclGetDefaultValue(int) const {
    return nullptr;
}
const wchar_t* CStandInItemDescription::pszGetExtendedInfo() const {
    return nullptr;
}
const wchar_t* CStandInItemDescription::pszGetCaption() const {
    return nullptr;
}
const wchar_t* CStandInItemDescription::pszGetDBType() const {
    return nullptr;
}
const wchar_t* CStandInItemDescription::pszGetXBaseIndexPath() const {
    return nullptr;
}
const wchar_t* CStandInItemDescription::pszGetXBaseKeyExpression() const {
    return nullptr;
}
unsigned CStandInItemDescription::nGetIntegerPart() const {
    return 0;
}
unsigned CStandInItemDescription::nGetDecimalPart() const {
    return 0;
}
const wchar_t* CStandInItemDescription::pszGetNameInSource() const {
    return nullptr;
}
const wchar_t* CStandInItemDescription::pszGetSourceName() const {
    return nullptr;
}
unsigned CStandInItemDescription::nGetKeySize() const {
    return 0;
}
void CStandInItemDescription::SetKeySize(unsigned) {}
unsigned CStandInItemDescription::nGetComponentKeySize(int) const {
    return 0;
}
void CStandInItemDescription::SetComponentKeySize(unsigned, int) {}
int CStandInItemDescription::bUpdatable() const {
    return 1;
}
void CStandInItemDescription::SetUpdatable(int) {}
INAItemDescription* CStandInItemDescription::piGetPrimaryLink(INAContext*, INADataSourceDescription**) {
    return nullptr;
}
INAItemDescription* CStandInItemDescription::piGetForeignLink(unsigned, INAContext*, INADataSourceDescription**) {
    return nullptr;
}
unsigned CStandInItemDescription::nGetNumForeignLink() const {
    return 0;
}
const wchar_t* CStandInItemDescription::pszGetUnicodeLocale() const {
    return nullptr;
}
int CStandInItemDescription::vbConstraintNullAllowed() const {
    m_nNullAllowedAsked++;
    return m_bNullAllowed;
}

}  // namespace standin
