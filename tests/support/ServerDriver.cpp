#include "tests/support/ServerDriver.h"

#include "core/XYString.h"
#include "tests/support/PgSandbox.h"

namespace pgtest {

namespace {
std::string sAscii(const wchar_t* psz) {
    std::string s;
    for (; psz != nullptr && *psz != 0; psz++) s += *psz < 0x80 ? static_cast<char>(*psz) : '?';
    return s;
}
}  // namespace

void CServerDriver::Start() {
    m_pclDriver = new CPSQLDriver;
    m_pclDriver->_RegisterAsLiveDriver();
    m_pclDriver->ExternalAddRef();
    m_pclDriver->AllocError();
    m_pclError = new CNAError;
    m_pclError->AddRef();
}

void CServerDriver::Stop() {
    for (CNADataAccess* pcl : m_apclAccess) pcl->nRelease();
    m_apclAccess.clear();
    for (INADataSourceDescription* pi : m_apiDescription) pi->nExternalRelease();
    m_apiDescription.clear();
    for (CNAConnectionDescription* pcl : m_apclCnx) m_pclDriver->nReleaseConnection(pcl);
    m_apclCnx.clear();
    if (m_pclError != nullptr) m_pclError->nRelease();
    m_pclError = nullptr;
    if (m_pclDriver != nullptr) m_pclDriver->nExternalRelease();
    m_pclDriver = nullptr;
    m_pfnMakeAccess = nullptr;
    for (standin::CStandInConnectionDescription* pcl : m_apclHost) delete pcl;
    m_apclHost.clear();
}

standin::CStandInConnectionDescription* CServerDriver::pclHost(const wchar_t* pszConnectionName,
                                                               const std::wstring& wsOptions,
                                                               const std::wstring& wsPort) {
    auto* pcl = new standin::CStandInConnectionDescription;
    m_apclHost.push_back(pcl);
    pcl->m_sConnectionName = pszConnectionName;
    pcl->m_sDataBase = pgsandbox::wsEnv("PGHOST");
    pcl->m_sUserName = pgsandbox::wsEnv("PGUSER");
    pcl->m_sExtendedInfo = pgsandbox::wsExtendedInfo(wsOptions, "", wsPort);
    return pcl;
}

CNAConnectionDescription* CServerDriver::pclConnection(standin::CStandInConnectionDescription* pclHost) {
    CNAConnectionDescription* pcl = m_pclDriver->_pclGetConnection(pclHost);
    if (pcl != nullptr) m_apclCnx.push_back(pcl);
    return pcl;
}

INADataSourceDescription* CServerDriver::piDescription(const wchar_t* pszTable,
                                                       standin::CStandInConnectionDescription* pclHost) {
    INADataSourceDescription* pi = m_pclDriver->piGetTableDesc(pszTable, pclHost);
    if (pi != nullptr) m_apiDescription.push_back(pi);
    return pi;
}

INADataSourceDescription* CServerDriver::piRenamed(INADataSourceDescription* piFrom, const wchar_t* pszTo) {
    auto* pclTo = static_cast<CNADataSourceDescription*>(piFrom)->pclGetCloneDataSourceDescription(CLONEDESC_NONE);
    if (pclTo == nullptr) return nullptr;
    pclTo->ExternalAddRef();
    pclTo->SetLogicalName(pszTo);
    pclTo->SetDBName(pszTo);
    Keep(pclTo);
    return pclTo;
}

CNADataAccess* CServerDriver::pclAccess(INADataSourceDescription* piDescription, CNAConnectionDescription* pclCnx) {
    CNADataAccess* pcl = m_pfnMakeAccess != nullptr
                             ? m_pfnMakeAccess(piDescription, pclCnx, m_pclError)
                             : m_pclDriver->pclAllocDataAccess(piDescription, pclCnx, m_pclError);
    if (pcl == nullptr) return nullptr;
    pcl->AddRef();
    m_apclAccess.push_back(pcl);
    return pcl;
}

CNADataAccess* CServerDriver::pclOpen(const wchar_t* pszTable, const std::wstring& wsOptions,
                                      const wchar_t* pszConnectionName) {
    standin::CStandInConnectionDescription* pclHostCnx = pclHost(pszConnectionName, wsOptions);
    CNAConnectionDescription* pclCnx = pclConnection(pclHostCnx);
    if (pclCnx == nullptr) return _pclFailed("no connection");
    INADataSourceDescription* piTable = piDescription(pszTable, pclHostCnx);
    if (piTable == nullptr) return _pclFailed("no description of " + sAscii(pszTable));
    CNADataAccess* pcl = pclAccess(piTable, pclCnx);
    if (pcl == nullptr) return _pclFailed("no data access");
    if (!pcl->bHOuvre(static_cast<eNA_ACCESS>(0), L"")) return _pclFailed("open");
    return pcl;
}

CNADataAccess* CServerDriver::_pclFailed(const std::string& sWhat) {
    m_sFailure = sWhat + ": " + sError();
    return nullptr;
}

void CServerDriver::Release(CNADataAccess* pclAccess) {
    for (auto it = m_apclAccess.begin(); it != m_apclAccess.end(); ++it)
        if (*it == pclAccess) {
            m_apclAccess.erase(it);
            pclAccess->nRelease();
            return;
        }
}

std::string CServerDriver::sError() const {
    return m_pclError != nullptr ? sAscii(m_pclError->pszGetError()) : std::string();
}

long CServerDriver::nBackendPid(CNADataAccess* pclAccess) {
    CTString clPid;
    pclAccess->pclGetConnectionNoRef()->bGetRequestedValueString(m_pclError, &clPid, 0, L"SELECT pg_backend_pid()");
    return clPid.pszGet() != nullptr ? std::stol(std::wstring(clPid.pszGet())) : 0;
}

}  // namespace pgtest
