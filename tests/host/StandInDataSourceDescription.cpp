// The stand-in host's table description: two names and a reference count.
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
const wchar_t* CStandInDataSourceDescription::pszGetLogicalName() {
    return m_sLogicalName.c_str();
}
void CStandInDataSourceDescription::vUnused10() {}
void CStandInDataSourceDescription::vUnused11() {}
void CStandInDataSourceDescription::vUnused12() {}
void CStandInDataSourceDescription::vUnused13() {}
void CStandInDataSourceDescription::vUnused14() {}
void CStandInDataSourceDescription::vUnused15() {}
void CStandInDataSourceDescription::vUnused16() {}
void CStandInDataSourceDescription::vUnused17() {}
void CStandInDataSourceDescription::vUnused18() {}
void CStandInDataSourceDescription::vUnused19() {}
void CStandInDataSourceDescription::vUnused20() {}
void CStandInDataSourceDescription::vUnused21() {}
void CStandInDataSourceDescription::vUnused22() {}
const wchar_t* CStandInDataSourceDescription::pszGetDBTableName() {
    return m_sDBTableName.c_str();
}

}  // namespace standin
