// The stand-in host's connection description: answers what the test set, counts the calls.
#include "host/StandInConnectionDescription.h"

namespace standin {

CStandInConnectionDescription::CStandInConnectionDescription() = default;
CStandInConnectionDescription::~CStandInConnectionDescription() = default;

void CStandInConnectionDescription::ClearCalls() {
    for (long& n : m_anCalls) n = 0;
}

const wchar_t* CStandInConnectionDescription::_pszAnswer(ePosition ePos, const std::optional<std::wstring>& s) {
    m_anCalls[ePos]++;
    return s ? s->c_str() : nullptr;
}

int CStandInConnectionDescription::nGetVersion() {
    m_anCalls[POS_GETVERSION]++;
    return m_nVersion;
}
int CStandInConnectionDescription::nGetCompatSince() { return 1; }
int CStandInConnectionDescription::nGetNAVersion() { return -1; }
int CStandInConnectionDescription::nGetNACompatSince() { return -1; }
void CStandInConnectionDescription::NAVersion_EmptySlot_3() {}

void CStandInConnectionDescription::ExternalAddRef() {
    m_anCalls[POS_EXTERNALADDREF]++;
    m_nExternalRefs++;
}
int CStandInConnectionDescription::nExternalRelease() {
    m_anCalls[POS_EXTERNALRELEASE]++;
    return --m_nExternalRefs;
}

const wchar_t* CStandInConnectionDescription::pszGetUserName() { return _pszAnswer(POS_GETUSERNAME, m_sUserName); }
const wchar_t* CStandInConnectionDescription::pszGetPassword() { return _pszAnswer(POS_GETPASSWORD, m_sPassword); }
const wchar_t* CStandInConnectionDescription::pszGetDataBase() { return _pszAnswer(POS_GETDATABASE, m_sDataBase); }
const wchar_t* CStandInConnectionDescription::pszGetDescription() {
    return _pszAnswer(POS_GETDESCRIPTION, m_sDescription);
}
eNA_ACCESS CStandInConnectionDescription::eGetAccess() {
    m_anCalls[POS_GETACCESS]++;
    return m_eAccess;
}
int CStandInConnectionDescription::nGetNbParam() {
    m_anCalls[POS_GETNBPARAM]++;
    return 0;
}
void* CStandInConnectionDescription::pclGetParam(int) {
    m_anCalls[POS_GETPARAM]++;
    return nullptr;
}
const wchar_t* CStandInConnectionDescription::pszGetProvider() { return _pszAnswer(POS_GETPROVIDER, m_sProvider); }
int CStandInConnectionDescription::nGetConnectionTimeout() {
    m_anCalls[POS_GETCONNECTIONTIMEOUT]++;
    return m_nConnectionTimeout;
}
int CStandInConnectionDescription::nGetCommandTimeout() {
    m_anCalls[POS_GETCOMMANDTIMEOUT]++;
    return m_nCommandTimeout;
}
const wchar_t* CStandInConnectionDescription::pszGetExtendedInfo() {
    return _pszAnswer(POS_GETEXTENDEDINFO, m_sExtendedInfo);
}
const stNAConnectionInfo* CStandInConnectionDescription::pclGetConnectionInfo() {
    m_anCalls[POS_GETCONNECTIONINFO]++;
    m_stInfo.pszName = m_sConnectionName ? m_sConnectionName->c_str() : nullptr;
    return &m_stInfo;
}
long CStandInConnectionDescription::lGetCursorOptions() {
    m_anCalls[POS_GETCURSOROPTIONS]++;
    return m_lCursorOptions;
}
void CStandInConnectionDescription::vReserved20() { m_anCalls[POS_RESERVED20]++; }
const wchar_t* CStandInConnectionDescription::pszGetDefaultDataBase() {
    return _pszAnswer(POS_GETDEFAULTDATABASE, m_sDefaultDataBase);
}
int64_t CStandInConnectionDescription::llGetCacheSize() {
    m_anCalls[POS_GETCACHESIZE]++;
    return m_llCacheSize;
}
void CStandInConnectionDescription::vReserved23() { m_anCalls[POS_RESERVED23]++; }
void CStandInConnectionDescription::vReserved24() { m_anCalls[POS_RESERVED24]++; }
const wchar_t* CStandInConnectionDescription::pszGetLogicalConnectionName() {
    return _pszAnswer(POS_GETLOGICALCONNECTIONNAME, m_sLogicalConnectionName);
}

}  // namespace standin
