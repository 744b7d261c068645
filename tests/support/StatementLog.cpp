#include "tests/support/StatementLog.h"

#include <fstream>
#include <map>
#include <regex>

#include <sys/stat.h>

#include "tests/support/PgSandbox.h"

namespace pgsandbox {

CStatementLog::CStatementLog() : m_sPath(sEnv("KX_PG_STATEMENT_LOG")) { Mark(); }

// Only the log's size: the log of a whole test run grows to tens of megabytes, and reading it all
// at every mark and every poll made the tests that wait for it slow down as the run went on.
void CStatementLog::Mark() { m_nStart = nSize(); }

std::vector<std::string> CStatementLog::Statements(long nBackendPid) const {
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

std::vector<CStatementLog::stMessage> CStatementLog::_Messages() const {
    // Only the head of a line is matched: the regex engine recurses once per character, and a
    // statement of many thousand characters would overflow the stack.
    static const std::regex s_rxHead(R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d+ \S+ \[(\d+)\] (\w+):  )");
    std::vector<stMessage> aMessages;
    if (nSize() < m_nStart) return aMessages;  // the log was replaced
    const std::string sText = sReadFromStart();
    size_t nPos = 0;
    while (nPos < sText.size()) {
        size_t nEnd = sText.find('\n', nPos);
        if (nEnd == std::string::npos) nEnd = sText.size();
        std::string sLine = sText.substr(nPos, nEnd - nPos);
        nPos = nEnd + 1;
        std::smatch m;
        if (std::regex_search(sLine, m, s_rxHead, std::regex_constants::match_continuous))
            aMessages.push_back({std::stol(m[1].str()), m[2].str(), sLine.substr(m.length(0))});
        else if (!aMessages.empty()) {
            // The server starts each further line of a message with a tab.
            std::string& sMessage = aMessages.back().sText;
            sMessage.push_back('\n');
            sMessage.append(sLine, sLine.rfind('\t', 0) == 0 ? 1 : 0, std::string::npos);
        }
    }
    return aMessages;
}

size_t CStatementLog::nSize() const {
    struct stat st;
    return stat(m_sPath.c_str(), &st) == 0 ? static_cast<size_t>(st.st_size) : 0;
}

std::string CStatementLog::sReadFromStart() const {
    std::ifstream is(m_sPath, std::ios::binary);
    if (!is) return std::string();
    is.seekg(0, std::ios::end);
    const std::streamoff nEnd = is.tellg();
    if (nEnd <= static_cast<std::streamoff>(m_nStart)) return std::string();
    std::string sText(static_cast<size_t>(nEnd) - m_nStart, '\0');
    is.seekg(static_cast<std::streamoff>(m_nStart));
    is.read(sText.data(), static_cast<std::streamsize>(sText.size()));
    sText.resize(static_cast<size_t>(is.gcount()));
    return sText;
}

}  // namespace pgsandbox
