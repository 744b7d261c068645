// CEntryConnection: the connection description an entry of the driver object works on, given back
// when the entry ends, on every path out (an exception's included): under the auto-close rule, or
// as a plain release for the entries that must not close it.
#pragma once

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"

class CEntryConnection {
public:
    enum eRELEASE { RELEASE_AUTOCLOSE, RELEASE_PLAIN };

    CEntryConnection(CNADriver* pclDriver, CNAConnectionDescription* pclCnx, eRELEASE eRelease)
        : m_pclDriver(pclDriver), m_pclCnx(pclCnx), m_eRelease(eRelease) {}
    ~CEntryConnection() {
        if (m_pclCnx == nullptr) return;
        if (m_eRelease == RELEASE_PLAIN)
            m_pclCnx->nRelease();
        else
            m_pclDriver->nReleaseConnection(m_pclCnx);
    }
    CEntryConnection(const CEntryConnection&) = delete;
    CEntryConnection& operator=(const CEntryConnection&) = delete;

    CNAConnectionDescription* operator->() const { return m_pclCnx; }
    CNAConnectionDescription* pcl() const { return m_pclCnx; }
    explicit operator bool() const { return m_pclCnx != nullptr; }

private:
    CNADriver* m_pclDriver;
    CNAConnectionDescription* m_pclCnx;
    eRELEASE m_eRelease;
};
