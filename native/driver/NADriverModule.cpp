// The library's entries and the module-wide state of the driver: the version handshake, the module
// start and stop with the one recursive lock, the factory of driver objects, and the list of live
// driver objects behind CNADriver::s_pclDriver.
#include <new>

#include "core/MainCommun.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAExports.h"
#include "native/driver/NAFunctionLoader.h"
#include "pgsql/PSQLDriver.h"
#include "variant/NADriverYF.h"

namespace {

// The driver's own version, and the oldest host version it works with.
constexpr unsigned DRIVER_VERSION = 32;
// The host modules that shake hands: its database engine and its SQL module.
constexpr int MODULE_KXYF = 7;
constexpr int MODULE_KXSQL = 28;

// Between a start and the next stop.
bool g_bModuleStarted = false;

}  // namespace

int gnNbInitialisation = 0;

CNADriver* CNADriver::s_pclDriver = nullptr;
void* CNADriver::s_hDllHandle = nullptr;
uint32_t CNADriver::s_nID_KXYF = 0;
uint32_t CNADriver::s_nID_KXSQL = 0;
int CNADriver::s_bGPFCatched = 0;
CNADriverCriticalSection CNADriver::m_gstDriverCriticalSection;
bool CNADriver::s_bDriverCriticalSectionCreated = false;
CNADriver* CNADriver::s_pclNewestLiveDriver = nullptr;

// ---------------------------------------------------------------------------------------------------------------
// Module start and stop

int CNADriver::g_NAInitModule(void* hModule) {
    s_hDllHandle = hModule;
    CMainCommun::bInitLibraryCommon(static_cast<HINSTANCE>(hModule));
    s_nID_KXYF = 0;
    s_nID_KXSQL = 0;
    // A hold left over from before a stop is forgotten: the lock starts free.
    m_gstDriverCriticalSection.Init();
    s_bDriverCriticalSectionCreated = true;
    g_bModuleStarted = true;
    return 1;
}

int CNADriver::g_NATermModule() {
    // Out of use until the next start; a second stop changes nothing.
    s_bDriverCriticalSectionCreated = false;
    // The client library goes before the common library stops.
    CNAFunctionLoader::g_Term();
    CMainCommun::bTermLibraryCommon();
    g_bModuleStarted = false;
    return 1;
}

// ---------------------------------------------------------------------------------------------------------------
// Live driver objects: tables and contexts of an older driver still reach "the" driver through
// s_pclDriver after the newest one is gone, so it falls back to the newest one still alive.

void CNADriver::_RegisterAsLiveDriver() {
    if (!m_bLiveDriver) {
        m_pclOlderDriver = s_pclNewestLiveDriver;
        m_pclNewerDriver = nullptr;
        if (s_pclNewestLiveDriver != nullptr) s_pclNewestLiveDriver->m_pclNewerDriver = this;
        s_pclNewestLiveDriver = this;
        m_bLiveDriver = true;
    }
    s_pclDriver = this;
    CNADriverYF::s_SetYF(m_piYF);
}

void CNADriver::_ForgetLiveDriver() {
    if (m_bLiveDriver) {
        if (m_pclOlderDriver != nullptr) m_pclOlderDriver->m_pclNewerDriver = m_pclNewerDriver;
        if (m_pclNewerDriver != nullptr)
            m_pclNewerDriver->m_pclOlderDriver = m_pclOlderDriver;
        else
            s_pclNewestLiveDriver = m_pclOlderDriver;
        m_pclOlderDriver = m_pclNewerDriver = nullptr;
        m_bLiveDriver = false;
    }
    if (s_pclDriver == this) {
        s_pclDriver = s_pclNewestLiveDriver;
        // The keys must not keep the engine of a driver that is gone.
        CNADriverYF::s_SetYF(s_pclDriver != nullptr ? s_pclDriver->m_piYF : nullptr);
    }
}

// ---------------------------------------------------------------------------------------------------------------
// The library's entries

int bDLLCompatible(int nModuleId, unsigned nHostVersion, unsigned* pnDriverVersion) {
    uint32_t* pnStored;
    if (nModuleId == MODULE_KXYF)
        pnStored = &CNADriver::s_nID_KXYF;
    else if (nModuleId == MODULE_KXSQL)
        pnStored = &CNADriver::s_nID_KXSQL;
    else
        return 0;
    // Kept even when refused.
    *pnStored = nHostVersion;
    if (pnDriverVersion != nullptr) *pnDriverVersion = DRIVER_VERSION;
    return nHostVersion >= DRIVER_VERSION ? 1 : 0;
}

int bInitLibrary(void* hModule) {
    gnNbInitialisation++;
    // The first start, or a start after a stop: the lock and the common library are needed again.
    if (!g_bModuleStarted) CNADriver::g_NAInitModule(hModule);
    return 1;
}

int TermLibrary() {
    return CNADriver::g_NATermModule();
}

INADriver* piQueryInterface(int) {
    CPSQLDriver* pclDriver = nullptr;
    // No exception may reach the host: a driver that cannot be made is answered with null.
    try {
        pclDriver = new CPSQLDriver;
        pclDriver->_RegisterAsLiveDriver();
        pclDriver->ExternalAddRef();
        // Every operation reports into the error object: a driver without one is of no use.
        if (pclDriver->AllocError()) return pclDriver;
    } catch (...) {
    }
    if (pclDriver != nullptr) pclDriver->nExternalRelease();
    return nullptr;
}
