// Test doubles of the driver core: a connection description whose open, close, SQL locks and
// diagnosis are scripted and counted, a data access whose close, delete and query are scripted, a
// table that can be refused, a table description read from a scripted catalogue, and a driver
// object that makes them; plus a check that the driver's lock is held. The host's objects are the
// stand-in host's.
#pragma once

#include <gtest/gtest.h>

#include <cerrno>
#include <new>
#include <string>
#include <thread>
#include <vector>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAContext.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NADataSourceDescription.h"
#include "native/table/NADataAccess.h"
#include "native/table/NATable.h"

namespace drivertest {

// Whether the driver's lock is held (by the calling thread: another one cannot take it).
inline bool bDriverLockHeld() {
    if (!CNADriver::s_bDriverCriticalSectionCreated) return false;
    int nResult = -1;
    std::thread clOther([&nResult] {
        nResult = CNADriver::m_gstDriverCriticalSection.bTryLock() ? 0 : EBUSY;
        if (nResult == 0) CNADriver::m_gstDriverCriticalSection.Unlock();
    });
    clOther.join();
    return nResult == EBUSY;
}

// What the doubles answer, and what they saw. One per driver.
struct stScript {
    int bOpenResult = 1;
    int bSQLBloqueResult = 1;
    int bDiagnoseResult = 1;
    int bAccessCloseResult = 1;
    int bAccessDeleteResult = 1;
    int bQueryResult = 1;
    int bQueryHasResult = 1;
    // A user error code the table description fails with (0: the driver's own way).
    unsigned nTableDescError = 0;
    // How the driver's table descriptions read the catalogue: as the base description does (it has
    // no catalogue queries), from the tables listed here without a server, or with catalogue
    // queries that need the SQL layer.
    enum eCATALOGUE { CATALOGUE_BASE, CATALOGUE_SCRIPTED, CATALOGUE_QUERIES } eCatalogue = CATALOGUE_BASE;
    std::vector<std::wstring> tabTables;
    bool bRefuseTable = false;
    bool bRefuseDataAccess = false;
    // What the connections answer to bTransactionEndCloseParse.
    int bTransactionEndCloseParse = 0;
    // In order: the SQL texts the connections sent ("SQL <text>"), the accesses told that the
    // transaction ended ("ENDED <logical name>") and those asked to give up their record locks
    // ("CANCEL <logical name>").
    std::vector<std::wstring> asEvents;
    // Calls of the doubles made while the lock was not held (counted only when checked).
    bool bCheckLock = false;
    long nCheckedCalls = 0;
    long nCallsWithoutLock = 0;
    long nOpens = 0, nCloses = 0, nAccessCloses = 0, nAccessDeletes = 0, nQueries = 0;
    long nConnectionsMade = 0, nLiveConnections = 0, nLiveAccesses = 0, nLiveDescriptions = 0;

    void Check() {
        if (!bCheckLock) return;
        nCheckedCalls++;
        if (!bDriverLockHeld()) nCallsWithoutLock++;
    }
};

class CTestConnection final : public CNAConnectionDescription {
public:
    CTestConnection(const wchar_t* pszIdentification, INAConnectionDescription* piHost, stScript* pstScript)
        : CNAConnectionDescription(pszIdentification, piHost), m_pstScript(pstScript) {
        m_pstScript->nConnectionsMade++;
        m_pstScript->nLiveConnections++;
    }
    // As the server's connection class does, the destructor ends an open connection.
    ~CTestConnection() override {
        if (m_bOpen) m_pstScript->nCloses++;
        m_pstScript->nLiveConnections--;
    }

    int bOpen(CNAError* pclError) override {
        m_pstScript->Check();
        m_pstScript->nOpens++;
        if (m_bOpen) return 1;
        if (!m_pstScript->bOpenResult) {
            if (pclError != nullptr) pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, 1, this, 34u);
            return 0;
        }
        m_bOpen = 1;
        return 1;
    }
    int bIsOpen() override { return m_bOpen; }
    int bClose(CNAError*) override {
        m_pstScript->Check();
        m_pstScript->nCloses++;
        m_bOpen = 0;
        return 1;
    }
    void _InitYF2NativeType() override {}
    int bSQLBloque(CNAError*, const wchar_t*) override {
        m_pstScript->Check();
        return m_pstScript->bSQLBloqueResult;
    }
    int bSQLBloque(CNAError*, ISQLParserInformation*) override {
        m_pstScript->Check();
        return m_pstScript->bSQLBloqueResult;
    }
    int bDiagnose(CNAError*, CAny*, const wchar_t*, unsigned) override {
        m_pstScript->Check();
        return m_pstScript->bDiagnoseResult;
    }
    int bTransactionEndCloseParse() override { return m_pstScript->bTransactionEndCloseParse; }
    int bExecuteQueryNoResult(CNAError*, const wchar_t* pszQuery) override {
        m_pstScript->Check();
        m_pstScript->asEvents.push_back(L"SQL " + std::wstring(pszQuery != nullptr ? pszQuery : L""));
        return 1;
    }

private:
    stScript* m_pstScript;
    int m_bOpen = 0;
};

class CTestDataAccess final : public CNADataAccess {
public:
    CTestDataAccess(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx, CNAError* pclError,
                    stScript* pstScript)
        : CNADataAccess(piDesc, pclCnx, pclError), m_pstScript(pstScript) {
        m_pstScript->nLiveAccesses++;
    }
    ~CTestDataAccess() override { m_pstScript->nLiveAccesses--; }

    void SetOpened(int bOpened) { m_bOpened = bOpened; }
    void SetAliasName(const wchar_t* pszAlias) { m_clAliasName.Set(pszAlias); }

    int bHFerme() override {
        m_pstScript->nAccessCloses++;
        m_bOpened = 0;
        if (!m_pstScript->bAccessCloseResult) {
            m_pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DATAACCESS, 1, m_pclCnx, 34u);
            return 0;
        }
        return 1;
    }
    int bSupprimeFichier() override {
        m_pstScript->nAccessDeletes++;
        if (!m_pstScript->bAccessDeleteResult) {
            m_pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DATAACCESS, 2, m_pclCnx, 34u);
            return 0;
        }
        return 1;
    }
    int bExecuteQuery(int* pbHasResult, const wchar_t*, ISQLParserInformation*, unsigned,
                      const INAQueryExecution*) override {
        m_pstScript->nQueries++;
        if (!m_pstScript->bQueryResult) {
            m_pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DATAACCESS, 3, m_pclCnx, 34u);
            return 0;
        }
        *pbHasResult = m_pstScript->bQueryHasResult;
        m_bOpened = m_pstScript->bQueryHasResult;
        return 1;
    }
    void _SetTransactionTermined() override {
        m_pstScript->Check();
        m_pstScript->asEvents.push_back(L"ENDED " + std::wstring(pszGetLogicalName()));
    }
    void CancelRecordLock(INAConnectionDescription*, CNATransaction*) override {
        m_pstScript->Check();
        m_pstScript->asEvents.push_back(L"CANCEL " + std::wstring(pszGetLogicalName()));
    }

private:
    stScript* m_pstScript;
};

// Each table of the script's catalogue has a primary key "id" and a text "name"; any other table is
// missing, as the catalogue import reports it.
class CTestDataSourceDescription final : public CNADataSourceDescription {
public:
    CTestDataSourceDescription(CNAConnectionDescription* pclCnx, CNAError* pclError, stScript* pstScript)
        : CNADataSourceDescription(pclCnx, pclError), m_pstScript(pstScript) {
        m_pstScript->nLiveDescriptions++;
    }
    ~CTestDataSourceDescription() override { m_pstScript->nLiveDescriptions--; }

    int _bGetDataSourceInfo(int n) override {
        if (m_pstScript->eCatalogue != stScript::CATALOGUE_SCRIPTED)
            return CNADataSourceDescription::_bGetDataSourceInfo(n);
        for (const std::wstring& sTable : m_pstScript->tabTables) {
            if (sTable != pszGetDBTableName()) continue;
            bAddItem(L"id", nullptr, nullptr, 1, 4, NA_IT_I4, -1, 0, NA_KEY_PRIMARY, 0, 0);
            bAddItem(L"name", nullptr, nullptr, 1, 21, NA_IT_TEXTE, -1, -1, 0, 0, 0);
            UpdateRecordSize();
            return 1;
        }
        _AddUserError(30, 3, pszGetLogicalName(), nullptr);
        return 0;
    }
    int _bGetQueryShowColumns(CXYStringConcat<wchar_t>* pclQuery) override {
        pclQuery->Add(L"SELECT attname FROM pg_attribute");
        return 1;
    }
    int _bGetQueryShowIndex(CXYStringConcat<wchar_t>* pclQuery) override {
        pclQuery->Add(L"SELECT indexrelid FROM pg_index");
        return 1;
    }

private:
    stScript* m_pstScript;
};

// The script is the test's: it outlives the driver, so what the driver's destruction did can be
// read.
class CTestDriver final : public CNADriver {
public:
    explicit CTestDriver(stScript* pstScript) : m_stScript(*pstScript) {}

    stScript& m_stScript;

    // A driver as the factory hands it out: one external reference, an error object, and the
    // driver of the process.
    static CTestDriver* pclNew(stScript* pstScript) {
        auto* pcl = new CTestDriver(pstScript);
        pcl->ExternalAddRef();
        EXPECT_TRUE(pcl->AllocError());
        pcl->_RegisterAsLiveDriver();
        return pcl;
    }

    CNAStatement* pclAllocStatement(CNADataAccess*, CNAConnectionDescription*, CNAError*) override { return nullptr; }
    CNAConnectionDescription* _pclAllocConnectionDescription(const wchar_t* pszIdentification,
                                                             INAConnectionDescription* piHost) override {
        m_stScript.Check();
        return new (std::nothrow) CTestConnection(pszIdentification, piHost, &m_stScript);
    }
    CNADataAccess* pclAllocDataAccess(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx,
                                      CNAError* pclError) override {
        if (m_stScript.bRefuseDataAccess) return nullptr;
        return new (std::nothrow) CTestDataAccess(piDesc, pclCnx, pclError, &m_stScript);
    }
    CNADataSourceDescription* pclAllocDataSourceDescription(CNAConnectionDescription* pclCnx,
                                                            CNAError* pclError) override {
        if (m_stScript.eCatalogue == stScript::CATALOGUE_BASE)
            return CNADriver::pclAllocDataSourceDescription(pclCnx, pclError);
        return new (std::nothrow) CTestDataSourceDescription(pclCnx, pclError, &m_stScript);
    }
    CNATable* _pclAllocTable(const wchar_t* pszIdentification, INADataSourceDescription* piDesc,
                             CNAConnectionDescription* pclCnx, CNAError* pclError) override {
        if (m_stScript.bRefuseTable) return nullptr;
        return CNADriver::_pclAllocTable(pszIdentification, piDesc, pclCnx, pclError);
    }
    CNADataSourceDescription* _pclGetTableDesc(const wchar_t* pszTable, CNAConnectionDescription* pclCnx) override {
        if (m_stScript.nTableDescError == 0) return CNADriver::_pclGetTableDesc(pszTable, pclCnx);
        pclGetError()->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DATASOURCE, 1, pclCnx, m_stScript.nTableDescError,
                                pszTable);
        return nullptr;
    }
};

// The registered connection description of a host description, without a reference; null when
// none is registered.
inline CNAConnectionDescription* pclRegisteredConnection(CNADriver* pclDriver, INAConnectionDescription* piHost) {
    CNAConnectionDescription* pclCnx = pclDriver->_pclFindConnection(piHost);
    if (pclCnx != nullptr) pclCnx->nRelease();
    return pclCnx;
}

}  // namespace drivertest
