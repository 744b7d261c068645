// A connection description that never reaches a server: it records every SQL text the driver
// would send and answers as a test tells it (statements that fail, an open that fails, no
// transaction object, parameters the server reports). The tests of transactions, literals and
// connection services check what the driver decides through it.
#pragma once

#include <cwchar>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/driver/NATransaction.h"
#include "native/model/NAMapConvertType.h"
#include "tests/host/StandInConnectionDescription.h"
#include "variant/Any.h"

class CRecordingConnection : public CNAConnectionDescription {
public:
    explicit CRecordingConnection(INAConnectionDescription* piHost, unsigned nKind = DATASOURCE_POSTGRESQL)
        : CNAConnectionDescription(L"Connection=recording", piHost) {
        m_eDataSource = static_cast<eDATASOURCE>(nKind);
        m_csOpenQuote.Set(L"\"");
        m_nOpenQuoteLen = 1;
        m_csCloseQuote.Set(L"\"");
        m_nCloseQuoteLen = 1;
    }

    // ---- what the test decides
    int m_bOpenResult = 1;
    // Statements (whole texts) that the "server" refuses; each refusal records user error 80.
    std::set<std::wstring> m_setRefused;
    // How many of the next pclAllocTransaction calls give nothing.
    int m_nAllocFailures = 0;
    // What a query for one value answers: the value, and the result.
    CAny m_clRequested;
    int m_bRequestedResult = 1;
    // Parameters the server reports (standard_conforming_strings...).
    std::map<std::wstring, std::wstring> m_mapServerParameters;

    // ---- what the driver did
    std::vector<std::wstring> m_asSent;
    int m_nOpens = 0;
    std::vector<CNATransaction*> m_apclRecordLocksCancelled;

    int bOpen(CNAError*) override {
        m_nOpens++;
        return m_bOpenResult;
    }
    int bIsOpen() override { return m_bOpenResult; }
    int bClose(CNAError*) override { return 1; }
    // The rows the server's connection replaces in the SQL type map, and how often it was asked.
    struct stTypeRow {
        eNA_ITEMTYPE eType;
        const wchar_t* pszType;
        int bFormatted;
    };
    std::vector<stTypeRow> m_aTypeRows;
    int m_nInitNativeTypes = 0;
    void _InitYF2NativeType() override {
        m_nInitNativeTypes++;
        for (const stTypeRow& st : m_aTypeRows) m_pclMapConvertType->Add(st.eType, st.pszType, st.bFormatted);
    }
    CNAMapConvertType* pclGetMapConvertType() const { return m_pclMapConvertType; }

    int bExecuteQueryNoResult(CNAError* pclError, const wchar_t* pszQuery) override {
        std::wstring s = pszQuery != nullptr ? pszQuery : L"";
        m_asSent.push_back(s);
        if (m_setRefused.count(s) == 0) return 1;
        if (pclError != nullptr)
            pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_CONNECTION, 99, this, 80u, L"recording", L"25P01");
        return 0;
    }
    int bGetRequestedValue(CNAError*, CAny* pclOut, int nColumn, const wchar_t* pszQuery) override {
        m_asSent.push_back(std::wstring(pszQuery != nullptr ? pszQuery : L"") + L" [" + std::to_wstring(nColumn) +
                           L"]");
        *pclOut = m_clRequested;
        return m_bRequestedResult;
    }
    CNATransaction* pclAllocTransaction() override {
        if (m_nAllocFailures > 0) {
            m_nAllocFailures--;
            return nullptr;
        }
        return CNAConnectionDescription::pclAllocTransaction();
    }
    void _CancelRecordLock(CNATransaction* pclTransaction) override {
        m_apclRecordLocksCancelled.push_back(pclTransaction);
    }
    int bGetServerParameter(const wchar_t* pszName, CTString* pclValue) override {
        auto it = m_mapServerParameters.find(pszName);
        if (it == m_mapServerParameters.end()) return 0;
        pclValue->Set(it->second.c_str());
        return 1;
    }

    void SetServerMajor(int n) { m_nServerMajor = n; }
    void SetServerVersion(const wchar_t* psz) { m_csServerVersion.Set(psz); }
    void SetServerUnicode(unsigned b) { m_bServerUnicode = b; }
    void SetClientCodePage(unsigned n) { m_nClientCodePage = n; }
    void SetCodePage(unsigned n) { m_nCodePage = n; }
    void SetKind(unsigned nKind) { m_eDataSource = static_cast<eDATASOURCE>(nKind); }
    void SetBinaryLiteral(const wchar_t* pszPrefix, const wchar_t* pszSuffix) {
        m_csBinaryPrefix.Set(pszPrefix);
        m_csBinarySuffix.Set(pszSuffix);
    }
    int nGetServerMajor() const { return m_nServerMajor; }
};
