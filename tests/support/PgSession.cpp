#include "tests/support/PgSession.h"

#include <gtest/gtest.h>

namespace pgtest {

CPgSession::CPgSession(const std::string& sDataBase) {
    m_pclLibpq = CLibpq::pclGet(&m_sError);
    if (m_pclLibpq == nullptr) return;
    PGconn* pConn = m_pclLibpq->pfnConnectdb(pgsandbox::sConnInfo(sDataBase).c_str());
    if (pConn == nullptr || m_pclLibpq->pfnStatus(pConn) != CONNECTION_OK) {
        m_sError = "no connection: " + std::string(pConn != nullptr ? m_pclLibpq->pfnErrorMessage(pConn) : "");
        if (pConn != nullptr) m_pclLibpq->pfnFinish(pConn);
        return;
    }
    m_pConn = pConn;
    if (!bExec("SET client_min_messages = error; SET client_encoding = 'UTF8'")) {
        m_pclLibpq->pfnFinish(m_pConn);
        m_pConn = nullptr;
    }
}

CPgSession::~CPgSession() {
    if (m_pConn != nullptr) m_pclLibpq->pfnFinish(m_pConn);
}

bool CPgSession::bQuery(const std::string& sSQL, Rows* paRows) {
    if (paRows != nullptr) paRows->clear();
    if (m_pConn == nullptr) {
        if (m_sError.empty()) m_sError = "no connection";
        return false;
    }
    const CLibpq& pq = *m_pclLibpq;
    PGresult* pResult = pq.pfnExec(m_pConn, sSQL.c_str());
    const ExecStatusType e = pResult != nullptr ? pq.pfnResultStatus(pResult) : PGRES_FATAL_ERROR;
    const bool bOk = e == PGRES_COMMAND_OK || e == PGRES_TUPLES_OK;
    if (!bOk) {
        m_sError = pResult != nullptr ? pq.pfnResultErrorMessage(pResult) : pq.pfnErrorMessage(m_pConn);
        const char* pszState = pResult != nullptr ? pq.pfnResultErrorField(pResult, PG_DIAG_SQLSTATE) : nullptr;
        m_sState = pszState != nullptr ? pszState : "";
    } else if (e == PGRES_TUPLES_OK && paRows != nullptr) {
        for (int r = 0; r < pq.pfnNtuples(pResult); r++) {
            paRows->emplace_back();
            for (int c = 0; c < pq.pfnNfields(pResult); c++) {
                if (pq.pfnGetisnull(pResult, r, c))
                    paRows->back().push_back(std::nullopt);
                else
                    paRows->back().push_back(std::string(pq.pfnGetvalue(pResult, r, c),
                                                         static_cast<size_t>(pq.pfnGetlength(pResult, r, c))));
            }
        }
    }
    if (pResult != nullptr) pq.pfnClear(pResult);
    return bOk;
}

bool CPgSession::bColumn(const std::string& sSQL, std::vector<std::optional<std::string>>* pvValues) {
    Rows aRows;
    pvValues->clear();
    if (!bQuery(sSQL, &aRows)) return false;
    for (const Row& a : aRows) pvValues->push_back(a.empty() ? std::nullopt : a[0]);
    return true;
}

std::string CPgSession::sExplain(const std::wstring& sSQL) {
    if (bExec("EXPLAIN " + sUTF8(sSQL))) return "";
    return m_sState + ": " + m_sError;
}

Rows CPgSession::Query(const std::string& sSQL, bool bMayFail) {
    Rows aRows;
    if (!bQuery(sSQL, &aRows) && !bMayFail) ADD_FAILURE() << sSQL << ": " << m_sError;
    return aRows;
}

std::string CPgSession::sValue(const std::string& sSQL) {
    Rows a = Query(sSQL);
    return !a.empty() && !a[0].empty() && a[0][0].has_value() ? *a[0][0] : std::string();
}

long CPgSession::nBackendPid() const { return m_pConn != nullptr ? m_pclLibpq->pfnBackendPID(m_pConn) : 0; }

std::unique_ptr<CPgSession> pclOptionalSession(const std::string& sSetup) {
    if (!pgsandbox::bServerOrSkip()) return nullptr;
    auto pcl = std::make_unique<CPgSession>();
    if (!pcl->bOpen() || (!sSetup.empty() && !pcl->bExec(sSetup))) {
        ADD_FAILURE() << pcl->sError();
        return nullptr;
    }
    return pcl;
}

}  // namespace pgtest
