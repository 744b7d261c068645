// The throwaway PostgreSQL server of the test run (scripts/pg-sandbox.sh, started by
// scripts/test.sh) as the tests see it: whether it is there, its libpq settings, and what it was
// sent, read from its statement log.
//
// A test that needs the server starts with KX_REQUIRE_PG_SERVER(): without a reachable server it
// fails when the environment variable CI is set and is skipped, with the reason, on a developer's
// machine. To run such tests by hand: eval "$(bash scripts/pg-sandbox.sh start)", run them, then
// bash scripts/pg-sandbox.sh stop.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <string>
#include <vector>

namespace pgsandbox {

inline std::string sEnv(const char* pszName) {
    const char* psz = getenv(pszName);
    return psz != nullptr ? std::string(psz) : std::string();
}

inline bool bUnderCI() { return getenv("CI") != nullptr; }

// True when the sandbox's settings are in the environment and its port accepts a connection;
// otherwise false with the reason.
inline bool bServerAvailable(std::string* psReason) {
    std::string sHost = sEnv("PGHOST"), sPort = sEnv("PGPORT"), sLog = sEnv("KX_PG_STATEMENT_LOG");
    if (sPort.empty() || sLog.empty()) {
        *psReason = "no PostgreSQL sandbox in the environment (PGPORT, KX_PG_STATEMENT_LOG): run the tests "
                    "through scripts/test.sh, or eval \"$(bash scripts/pg-sandbox.sh start)\" first";
        return false;
    }
    if (sHost.empty()) sHost = "127.0.0.1";
    int nSocket = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in stAddress{};
    stAddress.sin_family = AF_INET;
    stAddress.sin_port = htons(static_cast<uint16_t>(atoi(sPort.c_str())));
    bool bConnected = nSocket >= 0 && inet_pton(AF_INET, sHost.c_str(), &stAddress.sin_addr) == 1 &&
                      connect(nSocket, reinterpret_cast<sockaddr*>(&stAddress), sizeof(stAddress)) == 0;
    if (nSocket >= 0) close(nSocket);
    if (!bConnected) {
        *psReason = "the PostgreSQL sandbox at " + sHost + ":" + sPort + " does not answer";
        return false;
    }
    return true;
}

// The libpq connection text of the sandbox ("host=... port=... user=... dbname=...").
inline std::string sConnInfo() {
    return "host=" + sEnv("PGHOST") + " port=" + sEnv("PGPORT") + " user=" + sEnv("PGUSER") +
           " dbname=" + sEnv("PGDATABASE");
}

// The statements the server received from the moment the object was made (or Mark was last
// called), in order, each whole (a statement written over several lines comes back as one text
// with its line breaks). Tests run side by side on the one server: pass the backend's process id
// (SELECT pg_backend_pid() on the connection) to see only what one connection sent.
class CStatementLog {
public:
    CStatementLog() : m_sPath(sEnv("KX_PG_STATEMENT_LOG")) { Mark(); }

    void Mark() { m_nStart = sRead().size(); }

    std::vector<std::string> Statements(long nBackendPid = 0) const {
        std::vector<std::string> aStatements;
        // The last statement logged by each backend: an error in running it repeats it on a
        // "STATEMENT:" line, while a statement the server could not even parse shows only there.
        std::map<long, std::string> mapLastLogged;
        for (const stMessage& st : _Messages()) {
            if (nBackendPid != 0 && st.nPid != nBackendPid) continue;
            if (st.sKind == "LOG" && st.sText.rfind("statement: ", 0) == 0) {
                aStatements.push_back(st.sText.substr(11));
                mapLastLogged[st.nPid] = aStatements.back();
            } else if (st.sKind == "STATEMENT") {
                auto it = mapLastLogged.find(st.nPid);
                if (it == mapLastLogged.end() || it->second != st.sText) aStatements.push_back(st.sText);
                mapLastLogged.erase(st.nPid);
            }
        }
        return aStatements;
    }

private:
    struct stMessage {
        long nPid;
        std::string sKind;  // LOG, ERROR, STATEMENT...
        std::string sText;  // with its further lines
    };

    std::vector<stMessage> _Messages() const {
        // Only the head of a line is matched: the regex engine recurses once per character, and a
        // statement of many thousand characters would overflow the stack.
        static const std::regex s_rxHead(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d+ \S+ \[(\d+)\] (\w+):  )");
        std::vector<stMessage> aMessages;
        std::string sText = sRead();
        if (sText.size() < m_nStart) return aMessages;  // the log was replaced
        sText.erase(0, m_nStart);
        size_t nPos = 0;
        while (nPos < sText.size()) {
            size_t nEnd = sText.find('\n', nPos);
            if (nEnd == std::string::npos) nEnd = sText.size();
            std::string sLine = sText.substr(nPos, nEnd - nPos);
            nPos = nEnd + 1;
            std::smatch m;
            if (std::regex_search(sLine, m, s_rxHead, std::regex_constants::match_continuous))
                aMessages.push_back({std::stol(m[1].str()), m[2].str(), sLine.substr(m.length(0))});
            else if (!aMessages.empty())
                // The server starts each further line of a message with a tab.
                aMessages.back().sText += "\n" + (sLine.rfind('\t', 0) == 0 ? sLine.substr(1) : sLine);
        }
        return aMessages;
    }

    std::string sRead() const {
        std::ifstream is(m_sPath, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(is), std::istreambuf_iterator<char>());
    }

    std::string m_sPath;
    size_t m_nStart = 0;
};

}  // namespace pgsandbox

// First statement of a test that needs the server (see above).
#define KX_REQUIRE_PG_SERVER()                                      \
    do {                                                            \
        std::string sKxPgReason;                                    \
        if (!pgsandbox::bServerAvailable(&sKxPgReason)) {           \
            if (pgsandbox::bUnderCI()) FAIL() << sKxPgReason;       \
            GTEST_SKIP() << sKxPgReason;                            \
        }                                                           \
    } while (0)
