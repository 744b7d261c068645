// The stand-in host's table description reduced to its best browse item.
#include "tests/host/StandInBrowseSource.h"

namespace standin {

CStandInBrowseSource::~CStandInBrowseSource() = default;

int CStandInBrowseSource::nGetVersion() {
    return 6;
}
int CStandInBrowseSource::nGetCompatSince() {
    return 1;
}
void CStandInBrowseSource::ExternalAddRef() {
    m_nExternalRefs++;
}
unsigned CStandInBrowseSource::nExternalRelease() {
    if (m_nExternalRefs > 0) m_nExternalRefs--;
    return static_cast<unsigned>(m_nExternalRefs);
}
const wchar_t* CStandInBrowseSource::pszGetLogicalName() const {
    return L"browse";
}
const wchar_t* CStandInBrowseSource::pszGetPhysicalName() const {
    return L"browse";
}
const wchar_t* CStandInBrowseSource::pszGetDefaultDirectory() const {
    return L"";
}
unsigned CStandInBrowseSource::nGetDiskRecordSize() const {
    return 0;
}
unsigned CStandInBrowseSource::nGetMemoryRecordSize() const {
    return 0;
}
unsigned CStandInBrowseSource::nGetNumItems() const {
    return 0;
}
unsigned CStandInBrowseSource::nGetNumKeys() const {
    return 0;
}
unsigned CStandInBrowseSource::nGetNumMemos() const {
    return 0;
}
unsigned CStandInBrowseSource::nGetNumItemPhysicallyInFic() const {
    return 0;
}
INAItemDescription* CStandInBrowseSource::piNAGetItem(const wchar_t*) {
    return nullptr;
}
INAItemDescription* CStandInBrowseSource::piNAGetItem(unsigned) {
    return nullptr;
}
INAItemDescription* CStandInBrowseSource::piNAGetKey(unsigned) {
    return nullptr;
}
INAItemDescription* CStandInBrowseSource::piNAGetMemo(unsigned) {
    return nullptr;
}
int CStandInBrowseSource::eGetNASubDataType() const {
    return 1;
}
const wchar_t* CStandInBrowseSource::pszGetDBTableName() const {
    return L"browse";
}
INAItemDescription* CStandInBrowseSource::piGetBestParseItemDesc() {
    if (m_piBestItem != nullptr) m_piBestItem->ExternalAddRef();
    return m_piBestItem;
}
const wchar_t* CStandInBrowseSource::pszGetExtendedInfo() const {
    return L"";
}
const wchar_t* CStandInBrowseSource::pszGetType() const {
    return L"";
}
const wchar_t* CStandInBrowseSource::pszGetOwner() const {
    return L"";
}
const wchar_t* CStandInBrowseSource::pszGetDefaultDatabase() const {
    return L"";
}
const wchar_t* CStandInBrowseSource::pszGetExtension() const {
    return L"";
}
const wchar_t* CStandInBrowseSource::pszGetCaption() const {
    return L"";
}
int CStandInBrowseSource::bGetNullSupported() const {
    return 1;
}
void CStandInBrowseSource::EmptySlot137() {}
void CStandInBrowseSource::EmptySlot138() {}
void CStandInBrowseSource::EmptySlot139() {}
void CStandInBrowseSource::EmptySlot140() {}
void CStandInBrowseSource::EmptySlot141() {}
void CStandInBrowseSource::EmptySlot142() {}
void CStandInBrowseSource::EmptySlot143() {}
void CStandInBrowseSource::EmptySlot144() {}
void CStandInBrowseSource::EmptySlot145() {}
void CStandInBrowseSource::EmptySlot146() {}

}  // namespace standin
