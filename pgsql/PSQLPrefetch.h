// CPSQLPrefetch: the one statement a connection may have sent ahead of its caller, so that the
// server computes the next block of a browse while the host reads the current one. Its result is
// handed only to the statement that sent it, for the very text it sent, and only when nothing else
// ran on the connection since: anything else first discards it (its result is read and dropped),
// so the caller's own statements are never answered from before them. Sent only outside a
// transaction block, where a statement that fails leaves nothing behind.
//
// The connection also holds the one cursor a browse along an item without an index reads its
// blocks from, so that the server sorts the rows once rather than once a block. Anything else run
// on the connection closes it first, as it discards the statement sent ahead: the browse then
// goes on with the SELECT of its next block, and sees what the host did meanwhile.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct pg_conn;
struct pg_result;

class CPSQLPrefetch {
public:
    // Sends pszSQL for the statement numbered nOwner (bFromCursor: it fetches from the owner's
    // cursor); false (nothing pending) when the connection is in a transaction block, busy, or the
    // client library lacks the asynchronous calls.
    bool bSend(pg_conn* pConn, uint32_t nOwner, const char* pszSQL, bool bFromCursor = false);
    // The pending result when it was sent by nOwner for pszSQL: the statement's result (null when
    // the client library gave none), *pbTaken true. Any other pending statement is discarded and
    // *pbTaken is false: the caller runs its statement itself.
    pg_result* pTake(pg_conn* pConn, uint32_t nOwner, const char* pszSQL, bool* pbTaken);
    // Reads and drops whatever is pending; nothing pending: nothing done.
    void Discard(pg_conn* pConn);
    // Forgets the pending statement and the cursor without a word to the server (the connection is
    // being closed, and the server drops its cursors with it).
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
    // when it is exactly the text the browse sends next. bBackslashEscapes: the server reads
    // backslashes in plain literals as escapes, and a text that holds one is written E'...' with
    // its backslashes doubled, as the browse writes it.
    using Fields = std::vector<std::optional<std::string>>;
    static bool s_bNextBlockText(const std::string& sSQL, const Fields& aBefore, const Fields& aLast,
                                 std::string* psNext, bool bBackslashEscapes = false);

    // ------------------------------------------------------------------ the browse cursor
    // The texts that read a browse's blocks from a cursor, from the SELECT of a block (sSelect, which
    // ends with its LIMIT): psDeclare declares the cursor for the SELECT without its LIMIT and
    // fetches the first block; psFetch fetches the next one. False when the text does not end with
    // " LIMIT " and a count; *pnBlock is the count.
    static bool s_bCursorTexts(const std::string& sSelect, uint32_t nOwner, std::string* psDeclare,
                               std::string* psFetch, long* pnBlock);
    // The cursor of statement nOwner was declared; whether it is open; whether any is.
    void CursorOpened(uint32_t nOwner);
    bool bCursorOpen(uint32_t nOwner) const { return m_bCursor && m_nCursorOwner == nOwner; }
    bool bAnyCursorOpen() const { return m_bCursor; }
    // Closes the cursor (whatever is pending read first); nothing open: nothing done.
    void CloseCursor(pg_conn* pConn);
    // Statements run on the connection: a browse declares its cursor only when nothing else ran
    // since its block before.
    void CountRun() { m_nRuns++; }
    uint64_t nGetRuns() const { return m_nRuns; }
    // Whether the connection is outside any transaction block and free.
    static bool s_bIdle(pg_conn* pConn);

    // Statements sent ahead, taken and discarded since the process started (for the tests and the
    // benchmarks); browse cursors declared and closed.
    static uint64_t s_nSent;
    static uint64_t s_nTaken;
    static uint64_t s_nDiscarded;
    static uint64_t s_nCursorsDeclared;
    static uint64_t s_nCursorsClosed;

private:
    // The last result of the pending statement, as PQexec would have answered it.
    pg_result* _pReadResult(pg_conn* pConn);

    bool m_bPending = false;
    uint32_t m_nOwner = 0;
    std::string m_sSQL;
    // The pending statement fetches from the cursor: dropping it loses that block, so the cursor
    // goes with it.
    bool m_bPendingFromCursor = false;
    bool m_bCursor = false;
    uint32_t m_nCursorOwner = 0;
    uint64_t m_nRuns = 0;
};
