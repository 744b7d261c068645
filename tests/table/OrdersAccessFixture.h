// The driver object of the process (its factories make the statements), a description named
// "orders" without items, and an access of the kind given over it on an error object; no
// connection, no server.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "native/driver/NAError.h"
#include "native/model/NADataSourceDescription.h"
#include "pgsql/PSQLDataAccess.h"
#include "pgsql/PSQLDriver.h"
#include "tests/host/StandInHost.h"
#include "tests/host/TestSupport.h"
#include "tests/support/ServerDriver.h"

template <class TAccess = CPSQLDataAccess>
class OrdersAccessTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        m_clDriver.Start();
        m_pclDriver = m_clDriver.pclDriver();
        m_pclError = m_clDriver.pclError();
        m_pclDescription = new CNADataSourceDescription(nullptr, m_pclError);
        m_pclDescription->AddRef();
        m_pclDescription->SetLogicalName(L"orders");
        m_pclAccess = new TAccess(m_pclDescription, nullptr, m_pclError);
        m_pclAccess->AddRef();
    }
    void TearDown() override {
        m_pclAccess->nRelease();
        m_pclDescription->nRelease();
        m_clDriver.Stop();
    }

    // The debug line of the error recorded at a site of the data access's unit.
    static std::wstring wsIE(int nSite) { return L"IEKXPSQL=3." + std::to_wstring(nSite) + L"\r\n"; }
    // The debug text of the error recorded last.
    std::wstring wsDebug() const {
        const wchar_t* psz = m_pclError->pclGetXError()->pszGetDebugMessage();
        return psz != nullptr ? std::wstring(psz) : std::wstring();
    }

    pgtest::CServerDriver m_clDriver;  // its driver object alone: no connection is made
    CPSQLDriver* m_pclDriver = nullptr;
    CNAError* m_pclError = nullptr;
    CNADataSourceDescription* m_pclDescription = nullptr;
    TAccess* m_pclAccess = nullptr;
};
