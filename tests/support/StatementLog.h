// What the test server received, read from its statement log (KX_PG_STATEMENT_LOG): the statements
// from the moment the object was made (or Mark was last called), in order, each whole (a statement
// written over several lines comes back as one text with its line breaks). Tests run side by side
// on the one server: pass the backend's process id (SELECT pg_backend_pid() on the connection) to
// see only what one connection sent.
#pragma once

#include <string>
#include <vector>

namespace pgsandbox {

class CStatementLog {
public:
    CStatementLog();

    void Mark();
    std::vector<std::string> Statements(long nBackendPid = 0) const;

private:
    struct stMessage {
        long nPid;
        std::string sKind;  // LOG, ERROR, STATEMENT...
        std::string sText;  // with its further lines
    };

    std::vector<stMessage> _Messages() const;
    size_t nSize() const;
    std::string sReadFromStart() const;  // what was logged after the mark

    std::string m_sPath;
    size_t m_nStart = 0;
};

}  // namespace pgsandbox
