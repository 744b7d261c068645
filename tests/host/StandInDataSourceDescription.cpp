// The stand-in host's table description: two names, no items and a reference count.
#include "tests/host/StandInDataSourceDescription.h"

namespace standin {

CStandInDataSourceDescription::CStandInDataSourceDescription(const std::wstring& sLogicalName,
                                                             const std::wstring& sDBTableName)
    : m_sLogicalName(sLogicalName), m_sDBTableName(sDBTableName) {}
CStandInDataSourceDescription::~CStandInDataSourceDescription() = default;

int CStandInDataSourceDescription::nGetVersion() {
    return 6;
}
int CStandInDataSourceDescription::nGetCompatSince() {
    return 1;
}
void CStandInDataSourceDescription::ExternalAddRef() {
    m_nExternalRefs++;
}
unsigned CStandInDataSourceDescription::nExternalRelease() {
    if (m_nExternalRefs > 0) m_nExternalRefs--;
    return static_cast<unsigned>(m_nExternalRefs);
}
const wchar_t* CStandInDataSourceDescription::pszGetLogicalName() const {
    return m_sLogicalName.c_str();
}
const wchar_t* CStandInDataSourceDescription::pszGetPhysicalName() const {
    return m_sLogicalName.c_str();
}
const wchar_t* CStandInDataSourceDescription::pszGetDefaultDirectory() const {
    return L"";
}
unsigned CStandInDataSourceDescription::nGetDiskRecordSize() const {
    return 0;
}
unsigned CStandInDataSourceDescription::nGetMemoryRecordSize() const {
    return 0;
}
unsigned CStandInDataSourceDescription::nGetNumItems() const {
    return 0;
}
unsigned CStandInDataSourceDescription::nGetNumKeys() const {
    return 0;
}
unsigned CStandInDataSourceDescription::nGetNumMemos() const {
    return 0;
}
unsigned CStandInDataSourceDescription::nGetNumItemPhysicallyInFic() const {
    return 0;
}
INAItemDescription* CStandInDataSourceDescription::piNAGetItem(const wchar_t*) {
    return nullptr;
}
INAItemDescription* CStandInDataSourceDescription::piNAGetItem(unsigned) {
    return nullptr;
}
INAItemDescription* CStandInDataSourceDescription::piNAGetKey(unsigned) {
    return nullptr;
}
INAItemDescription* CStandInDataSourceDescription::piNAGetMemo(unsigned) {
    return nullptr;
}
int CStandInDataSourceDescription::eGetNASubDataType() const {
    return 1;
}
const wchar_t* CStandInDataSourceDescription::pszGetDBTableName() const {
    return m_sDBTableName.c_str();
}
INAItemDescription* CStandInDataSourceDescription::piGetBestParseItemDesc() {
    return nullptr;
}
const wchar_t* CStandInDataSourceDescription::pszGetExtendedInfo() const {
    return L"";
}
const wchar_t* CStandInDataSourceDescription::pszGetType() const {
    return L"";
}
const wchar_t* CStandInDataSourceDescription::pszGetOwner() const {
    return L"";
}
const wchar_t* CStandInDataSourceDescription::pszGetDefaultDatabase() const {
    return L"";
}
const wchar_t* CStandInDataSourceDescription::pszGetExtension() const {
    return nullptr;
}
const wchar_t* CStandInDataSourceDescription::pszGetCaption() const {
    return nullptr;
}
int CStandInDataSourceDescription::bGetNullSupported() const {
    return 1;
}
void CStandInDataSourceDescription::EmptySlot137() {}
void CStandInDataSourceDescription::EmptySlot138() {}
void CStandInDataSourceDescription::EmptySlot139() {}
void CStandInDataSourceDescription::EmptySlot140() {}
void CStandInDataSourceDescription::EmptySlot141() {}
void CStandInDataSourceDescription::EmptySlot142() {}
void CStandInDataSourceDescription::EmptySlot143() {}
void CStandInDataSourceDescription::EmptySlot144() {}
void CStandInDataSourceDescription::EmptySlot145() {}
void CStandInDataSourceDescription::EmptySlot146() {}

}  // namespace standin
