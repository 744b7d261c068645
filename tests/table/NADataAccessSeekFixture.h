// A data access on the test server over a table of the test's own, made by the PostgreSQL driver
// object over the description it reads from the catalogue; the values of the current record as
// text; the statements one connection sent, from the server's log.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cwchar>
#include <string>
#include <vector>

#include "core/XYString.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"
#include "native/statement/NAStatement.h"
#include "native/table/NADataAccess.h"
#include "pgsql/PSQLDriver.h"
#include "tests/host/PgSandbox.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "tests/pgsql/DirectServer.h"
#include "variant/VQConv.h"

namespace seektest {

inline std::wstring wsOf(const std::string& s) {
    return std::wstring(s.begin(), s.end());
}
inline std::string sOf(const std::wstring& ws) {
    std::string s;
    for (wchar_t c : ws) s += c < 0x80 ? static_cast<char>(c) : '?';
    return s;
}

class SeekServerTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        m_pclDriver = new CPSQLDriver;
        m_pclDriver->_RegisterAsLiveDriver();
        m_pclDriver->ExternalAddRef();
        m_pclDriver->AllocError();
        m_pclError = new CNAError;
        m_pclError->AddRef();
    }
    void TearDown() override {
        for (CNADataAccess* pcl : m_apclAccess) pcl->nRelease();
        for (INADataSourceDescription* pi : m_apiDescription) pi->nExternalRelease();
        for (CNAConnectionDescription* pcl : m_apclCnx) m_pclDriver->nReleaseConnection(pcl);
        m_pclError->nRelease();
        m_pclDriver->nExternalRelease();
        for (standin::CStandInConnectionDescription* pcl : m_apclHost) delete pcl;
        CVQConv::s_Reset();
    }

    // An opened access over the server's table (its name as the catalogue knows it); null with a
    // test failure when it cannot be made.
    CNADataAccess* pclOpen(const wchar_t* pszTable, const std::wstring& wsOptions = L"KX Cache Size=20;") {
        auto* pclHost = new standin::CStandInConnectionDescription;
        m_apclHost.push_back(pclHost);
        pclHost->m_sConnectionName = L"SEEKCNX";
        pclHost->m_sDataBase = wsOf(pgsandbox::sEnv("PGHOST"));
        pclHost->m_sUserName = wsOf(pgsandbox::sEnv("PGUSER"));
        pclHost->m_sExtendedInfo = L"Server Port=" + wsOf(pgsandbox::sEnv("PGPORT")) + L";Initial Catalog=" +
                                   wsOf(pgsandbox::sEnv("PGDATABASE")) + L";" + wsOptions;
        CNAConnectionDescription* pclCnx = m_pclDriver->_pclGetConnection(pclHost);
        if (pclCnx == nullptr) {
            ADD_FAILURE() << "no connection";
            return nullptr;
        }
        m_apclCnx.push_back(pclCnx);
        INADataSourceDescription* piDescription = m_pclDriver->piGetTableDesc(pszTable, pclHost);
        if (piDescription == nullptr) {
            ADD_FAILURE() << "no description of " << sOf(pszTable) << ": " << sError();
            return nullptr;
        }
        m_apiDescription.push_back(piDescription);
        CNADataAccess* pclAccess = m_pclDriver->pclAllocDataAccess(piDescription, pclCnx, m_pclError);
        if (pclAccess == nullptr) return nullptr;
        pclAccess->AddRef();
        m_apclAccess.push_back(pclAccess);
        if (!pclAccess->bHOuvre(static_cast<eNA_ACCESS>(0), L"")) {
            ADD_FAILURE() << "open: " << sError();
            return nullptr;
        }
        return pclAccess;
    }

    // Gives the access up before the test ends (a parsed filter it holds is the test's).
    void Release(CNADataAccess* pclAccess) {
        for (auto it = m_apclAccess.begin(); it != m_apclAccess.end(); ++it)
            if (*it == pclAccess) {
                m_apclAccess.erase(it);
                pclAccess->nRelease();
                return;
            }
    }

    std::string sError() const {
        const wchar_t* psz = m_pclError->pszGetError();
        return psz != nullptr ? sOf(psz) : std::string();
    }

    // The current value of the item in the access's record: its text, "<NULL>" for NULL.
    static std::wstring wsValue(CNADataAccess* pclAccess, const wchar_t* pszItem) {
        CNAColumn* pclColumn = pclAccess->pclGetCurrentRecordNoRef()->pclGetColumnNoRef(pszItem);
        if (pclColumn == nullptr) return L"<no column>";
        CAny cl;
        if (!pclColumn->bGetCurrentValue(&cl, 0)) return L"<unread>";
        if (cl.bIsNull()) return L"<NULL>";
        CXYString<wchar_t> clText;
        if (cl.__nFillString(clText, nullptr) != 0) return L"<no text>";
        return clText.pszGet() != nullptr ? std::wstring(clText.pszGet()) : std::wstring();
    }
    static void SetText(CNADataAccess* pclAccess, const wchar_t* pszItem, const wchar_t* pszValue) {
        CAny cl;
        cl.__SetType(VQTYPE_DSTRW, 0);
        cl.pclGetValeur()->SetValue(pszValue, wcslen(pszValue) * sizeof(wchar_t));
        ASSERT_TRUE(pclAccess->pclGetCurrentRecordNoRef()->pclGetColumnNoRef(pszItem)->bSetValue(&cl, 0));
    }
    static void SetInt(CNADataAccess* pclAccess, const wchar_t* pszItem, long n) {
        CAny cl;
        cl.SetI8(n);
        ASSERT_TRUE(pclAccess->pclGetCurrentRecordNoRef()->pclGetColumnNoRef(pszItem)->bSetValue(&cl, 0));
    }
    static void SetNull(CNADataAccess* pclAccess, const wchar_t* pszItem) {
        CAny cl;
        cl.__SetType(VQTYPE_DSTRW, 0);
        cl.SetNull(1);
        ASSERT_TRUE(pclAccess->pclGetCurrentRecordNoRef()->pclGetColumnNoRef(pszItem)->bSetValue(&cl, 0));
    }
    static CAny Text(const wchar_t* psz) {
        CAny cl;
        cl.__SetType(VQTYPE_DSTRW, 0);
        cl.pclGetValeur()->SetValue(psz, wcslen(psz) * sizeof(wchar_t));
        return cl;
    }

    long nBackendPid(CNADataAccess* pclAccess) {
        CTString clPid;
        pclAccess->pclGetConnectionNoRef()->bGetRequestedValueString(m_pclError, &clPid, 0, L"SELECT pg_backend_pid()");
        return clPid.pszGet() != nullptr ? std::stol(std::wstring(clPid.pszGet())) : 0;
    }

    // Waits until the server's log holds what the access's connection sent so far: a marker sent
    // last is logged after it (the log may lag behind a busy server).
    void WaitLogged(CNADataAccess* pclAccess, const pgsandbox::CStatementLog& clLog, long nPid) {
        static int s_nMarker = 0;
        const std::string sMarker = "SELECT 'kx-logged-" + std::to_string(++s_nMarker) + "'";
        CTString clOut;
        pclAccess->pclGetConnectionNoRef()->bGetRequestedValueString(m_pclError, &clOut, 0, wsOf(sMarker).c_str());
        for (int i = 0; i < 100; i++) {
            for (const std::string& s : clLog.Statements(nPid))
                if (s == sMarker) return;
            usleep(50000);
        }
        ADD_FAILURE() << "the server's log lacks " << sMarker;
    }

    int bFound(CNADataAccess* pclAccess, const wchar_t* pszItem) {
        int bFound = -1, bInside = -1;
        EXPECT_EQ(pclAccess->bEvalHTrouve(pszItem, &bFound, &bInside), 1);
        return bFound;
    }
    int bOut(CNADataAccess* pclAccess, const wchar_t* pszItem) {
        int b = -1;
        EXPECT_EQ(pclAccess->bHEndehors(pszItem, &b), 1);
        return b;
    }

    CPSQLDriver* m_pclDriver = nullptr;
    CNAError* m_pclError = nullptr;
    std::vector<standin::CStandInConnectionDescription*> m_apclHost;
    std::vector<CNAConnectionDescription*> m_apclCnx;
    std::vector<INADataSourceDescription*> m_apiDescription;
    std::vector<CNADataAccess*> m_apclAccess;
};

// Makes the table afresh (dropped first) under an advisory lock of the test's own number.
inline void CreateTable(pgtest::CDirectServer& clServer, const std::string& sName, const std::string& sColumns,
                        const std::string& sFill = "") {
    clServer.Run("DROP TABLE IF EXISTS " + sName + " CASCADE");
    clServer.Run("CREATE TABLE " + sName + " (" + sColumns + ")");
    if (!sFill.empty()) clServer.Run(sFill);
}

}  // namespace seektest
