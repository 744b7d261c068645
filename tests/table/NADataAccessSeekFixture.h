// A data access on the test server over a table of the test's own, made by the PostgreSQL driver
// object over the description it reads from the catalogue; the values of the current record as
// text; the statements one connection sent, from the server's log.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
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
#include "tests/support/PgSandbox.h"
#include "tests/support/StatementLog.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/host/StandInHost.h"
#include "tests/host/StandInVM.h"
#include "tests/host/TestSupport.h"
#include "tests/support/PgSession.h"
#include "tests/support/ServerDriver.h"
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

constexpr eNA_LOCKTYPE NO_LOCK = static_cast<eNA_LOCKTYPE>(0);

class SeekServerTest : public testing::Test {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        CVQConv::s_Reset();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        m_clServerDriver.Start();
        m_pclDriver = m_clServerDriver.pclDriver();
        m_pclError = m_clServerDriver.pclError();
    }
    void TearDown() override {
        m_clServerDriver.Stop();
        CVQConv::s_Reset();
    }

    // An opened access over the server's table (its name as the catalogue knows it); null with a
    // test failure when it cannot be made.
    CNADataAccess* pclOpen(const wchar_t* pszTable, const std::wstring& wsOptions = L"KX Cache Size=20;") {
        CNADataAccess* pcl = m_clServerDriver.pclOpen(pszTable, wsOptions);
        if (pcl == nullptr) ADD_FAILURE() << m_clServerDriver.sFailure();
        return pcl;
    }

    // Gives the access up before the test ends (a parsed filter it holds is the test's).
    void Release(CNADataAccess* pclAccess) { m_clServerDriver.Release(pclAccess); }

    std::string sError() const { return m_clServerDriver.sError(); }

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

    long nBackendPid(CNADataAccess* pclAccess) { return m_clServerDriver.nBackendPid(pclAccess); }

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

    // The host's calls, without locks: add, modify and delete of the current record (record
    // number 0), a seek (exact by default) and a read along an item.
    static int bAdd(CNADataAccess* pclAccess) { return pclAccess->bHAjoute(0, NO_LOCK); }
    static int bModify(CNADataAccess* pclAccess) { return pclAccess->bHModifie(0, 0, NO_LOCK); }
    static int bDelete(CNADataAccess* pclAccess) { return pclAccess->bHSupprime(0, NO_LOCK); }
    static int bSeek(CNADataAccess* pclAccess, const wchar_t* pszItem, const CAny& clValue, int nMode = 0,
                     int bForward = 1) {
        eNA_LOCKTYPE eLockOut = NO_LOCK;
        return pclAccess->bHRecherche(pszItem, &clValue, nMode, 1, NO_LOCK, &eLockOut, bForward, 0);
    }
    static int bRead(CNADataAccess* pclAccess, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection) {
        eNA_LOCKTYPE eLockOut = NO_LOCK;
        return pclAccess->bHLitxxx(pszItem, eDirection, 1, NO_LOCK, &eLockOut, 0);
    }
    static int bFirst(CNADataAccess* pclAccess, const wchar_t* pszItem) {
        return bRead(pclAccess, pszItem, NA_PARSE_FIRST);
    }
    static int bNext(CNADataAccess* pclAccess, const wchar_t* pszItem) {
        return bRead(pclAccess, pszItem, NA_PARSE_NEXT);
    }

    // The statements of a connection since the log was marked that hold the text given.
    static std::vector<std::string> Sent(const pgsandbox::CStatementLog& clLog, long nPid, const std::string& sPart) {
        std::vector<std::string> v;
        for (const std::string& s : clLog.Statements(nPid))
            if (s.find(sPart) != std::string::npos) v.push_back(s);
        return v;
    }
    static bool bHas(const std::vector<std::string>& v, const std::string& s) {
        return std::find(v.begin(), v.end(), s) != v.end();
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

    pgtest::CServerDriver m_clServerDriver;
    CPSQLDriver* m_pclDriver = nullptr;  // the server driver's
    CNAError* m_pclError = nullptr;
};

// Makes the table afresh (dropped first) under an advisory lock of the test's own number.
inline void CreateTable(pgtest::CPgSession& clServer, const std::string& sName, const std::string& sColumns,
                        const std::string& sFill = "") {
    clServer.Run("DROP TABLE IF EXISTS " + sName + " CASCADE");
    clServer.Run("CREATE TABLE " + sName + " (" + sColumns + ")");
    if (!sFill.empty()) clServer.Run(sFill);
}

}  // namespace seektest
