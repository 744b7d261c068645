#include "tests/support/PgSandbox.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdlib>

namespace pgsandbox {

std::string sEnv(const char* pszName) {
    const char* psz = getenv(pszName);
    return psz != nullptr ? std::string(psz) : std::string();
}

std::wstring wsEnv(const char* pszName) {
    const std::string s = sEnv(pszName);
    return std::wstring(s.begin(), s.end());
}

bool bUnderCI() { return getenv("CI") != nullptr; }

bool bServerAvailable(std::string* psReason) {
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

std::string sConnInfo(const std::string& sDataBase) {
    return "host=" + sEnv("PGHOST") + " port=" + sEnv("PGPORT") + " user=" + sEnv("PGUSER") +
           " dbname=" + (sDataBase.empty() ? sEnv("PGDATABASE") : sDataBase);
}

std::wstring wsExtendedInfo(const std::wstring& wsOptions, const std::string& sDataBase, const std::wstring& wsPort) {
    const std::string sBase = sDataBase.empty() ? sEnv("PGDATABASE") : sDataBase;
    return L"Server Port=" + (wsPort.empty() ? wsEnv("PGPORT") : wsPort) + L";Initial Catalog=" +
           std::wstring(sBase.begin(), sBase.end()) + (wsOptions.empty() ? L"" : L";" + wsOptions);
}

namespace {
// GTEST_SKIP returns from the function it is written in: a function of its own leaves the caller
// running.
void _MarkSkipped(const std::string& sReason) { GTEST_SKIP() << sReason; }
}  // namespace

bool bServerOrSkip() {
    std::string sReason;
    if (bServerAvailable(&sReason)) return true;
    if (bUnderCI())
        ADD_FAILURE() << sReason;
    else
        _MarkSkipped(sReason);
    return false;
}

}  // namespace pgsandbox
