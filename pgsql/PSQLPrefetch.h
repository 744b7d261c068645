// CPSQLPrefetch: the one statement a connection may have sent ahead of its caller, so that the
// server computes the next block of a browse while the host reads the current one. Its result is
// handed only to the statement that sent it, for the very text it sent, and only when nothing else
// ran on the connection since: anything else first discards it (its result is read and dropped),
// so the caller's own statements are never answered from before them. Sent only outside a
// transaction block, where a statement that fails leaves nothing behind.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

class CPSQLPrefetch {
public:
    // Sends pszSQL for the statement numbered nOwner; false (nothing pending) when the connection
    // is in a transaction block, busy, or the client library lacks the asynchronous calls.
    bool bSend(pg_conn* pConn, uint32_t nOwner, const char* pszSQL);
    // The pending result when it was sent by nOwner for pszSQL: the statement's result (null when
    // the client library gave none), *pbTaken true. Any other pending statement is discarded and
    // *pbTaken is false: the caller runs its statement itself.
    pg_result* pTake(pg_conn* pConn, uint32_t nOwner, const char* pszSQL, bool* pbTaken);
    // Reads and drops whatever is pending; nothing pending: nothing done.
    void Discard(pg_conn* pConn);
    // Forgets the pending statement without reading it (the connection is being closed).
    void Forget();
    bool bPending() const { return m_bPending; }
    uint32_t nGetOwner() const { return m_nOwner; }
    // Whether the client library has what sending ahead needs.
    static bool s_bAvailable();

    // The SELECT of the block after the current one, foreseen from the current block's: sSQL ran
    // after a row whose fields (as the server wrote them; none for NULL) were aBefore; the current
    // block ends on a row whose fields are aLast. Each literal of the WHERE clause that is a field
    // of aBefore (a number as it stands, or any text between single quotes) becomes the same field
    // of aLast. False when no literal is found, or one is found twice with different successors:
    // then nothing is foreseen. The text is only a guess that the statement checks: it is used only
    // when it is exactly the text the browse sends next.
    using Fields = std::vector<std::optional<std::string>>;
    static bool s_bNextBlockText(const std::string& sSQL, const Fields& aBefore, const Fields& aLast,
                                 std::string* psNext);

    // Statements sent ahead, taken and discarded since the process started (for the tests and the
    // benchmarks).
    static uint64_t s_nSent;
    static uint64_t s_nTaken;
    static uint64_t s_nDiscarded;

private:
    // The last result of the pending statement, as PQexec would have answered it.
    pg_result* _pReadResult(pg_conn* pConn);

    bool m_bPending = false;
    uint32_t m_nOwner = 0;
    std::string m_sSQL;
};
