// Server tests that compare a browse with the road on which every block is a SELECT of its own and
// waits for the server: the road a client library without the asynchronous calls takes, which
// neither sends blocks ahead nor reads a browse from a cursor.
#pragma once

#include <unistd.h>

#include <optional>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "native/driver/NAFunctionTable.h"
#include "pgsql/PSQLPrefetch.h"
#include "tests/table/NADataAccessSeekFixture.h"

namespace seektest {

// The client library's asynchronous calls taken away while the object lives. Taken after an open,
// which binds the library's functions.
class CBlockSelectRoad {
public:
    CBlockSelectRoad() : m_pfnSend(__PQsendQuery) { __PQsendQuery = &DefaultError_PQsendQuery; }
    ~CBlockSelectRoad() { __PQsendQuery = m_pfnSend; }
    CBlockSelectRoad(const CBlockSelectRoad&) = delete;
    CBlockSelectRoad& operator=(const CBlockSelectRoad&) = delete;

private:
    decltype(__PQsendQuery) m_pfnSend;
};

// A test over a table of its own (the prefix and the process's id), dropped at the end.
class BrowseRoadTest : public SeekServerTest {
protected:
    explicit BrowseRoadTest(const char* pszTablePrefix) : m_sTablePrefix(pszTablePrefix) {}
    void SetUp() override {
        SeekServerTest::SetUp();
        m_sTable = m_sTablePrefix + std::to_string(getpid());
    }
    void TearDown() override {
        RestoreAsynchronousCalls();
        SeekServerTest::TearDown();
        std::string sReason;
        if (pgsandbox::bServerAvailable(&sReason)) m_clServer.Run("DROP TABLE IF EXISTS " + m_sTable);
    }

    void WithoutAsynchronousCalls() { m_oBlockSelectRoad.emplace(); }
    void RestoreAsynchronousCalls() { m_oBlockSelectRoad.reset(); }

    int bExec(CNADataAccess* pclAccess, const std::string& sSQL) {
        return pclAccess->pclGetConnectionNoRef()->bExecuteQueryNoResult(m_pclError, wsOf(sSQL).c_str());
    }

    // After WaitLogged: the statements of the access's session since clLog was opened, without the
    // marker; the access is then released and the asynchronous calls given back.
    std::vector<std::string> StatementsThenRelease(CNADataAccess* pclAccess, const pgsandbox::CStatementLog& clLog,
                                                   long nPid) {
        std::vector<std::string> aStatements = clLog.Statements(nPid);
        if (!aStatements.empty()) aStatements.pop_back();  // the marker of WaitLogged
        Release(pclAccess);
        RestoreAsynchronousCalls();
        return aStatements;
    }

    // The cursors the statements declared, each with whether a CLOSE of it followed.
    static std::vector<std::pair<std::string, bool>> Cursors(const std::vector<std::string>& aStatements) {
        static const std::regex s_clDeclare("^DECLARE (kx_browse_[0-9]+) ");
        std::vector<std::pair<std::string, bool>> a;
        for (const std::string& s : aStatements) {
            std::smatch m;
            if (std::regex_search(s, m, s_clDeclare)) a.emplace_back(m[1].str(), false);
            for (auto& st : a)
                if (s == "CLOSE " + st.first) st.second = true;
        }
        return a;
    }

    std::string m_sTable;
    pgtest::CPgSession m_clServer;

private:
    std::string m_sTablePrefix;
    std::optional<CBlockSelectRoad> m_oBlockSelectRoad;
};

}  // namespace seektest
