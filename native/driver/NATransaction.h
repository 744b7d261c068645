// CNATransaction: one named transaction of a connection. The connection holds the outermost one;
// a begin while it is open starts a nested ("internal") transaction at the end of the chain of
// open ones, each a further CNATransaction held by the one above it. This class finds the
// transaction a name refers to, keeps the active flags and sends the server statements.
//
// The outermost transaction is the server's own (BEGIN, COMMIT, ROLLBACK through the
// connection). A nested one is a savepoint inside it, named by the driver after its depth, so
// that ending it never ends or undoes the work of the levels above: the server knows only one
// transaction per session, and a plain BEGIN, COMMIT or ROLLBACK at an inner level would end the
// outer one while the driver still counted it open. The host's names never reach the server.
#pragma once

#include "core/TString.h"
#include "native/model/Interf.h"

class CNAConnectionDescription;
class CNAError;

class CNATransaction : public CInterf {
public:
    explicit CNATransaction(CNAConnectionDescription* pclConnection);
    CNATransaction(const CNATransaction&) = delete;
    CNATransaction& operator=(const CNATransaction&) = delete;

    // ---------------------------------------------------------------- virtual operations, in order
    // Releases the nested transaction; nothing is sent to the server.
    ~CNATransaction() override;
    virtual int bDetach(CNAError* pclError);
    virtual int bSetActive(CNAError* pclError, int bActive);
    virtual int bResume(CNAError* pclError);
    // The server statements of this level: the connection's BEGIN, COMMIT and ROLLBACK for the
    // outermost transaction, the savepoint statements for a nested one.
    virtual int _bNABegin(CNAError* pclError);
    virtual int _bNACommit(CNAError* pclError);
    virtual int _bNARollBack(CNAError* pclError);

    // ---------------------------------------------------------------- operations
    // Stores the name and the internal flag, then begins on the server; active is the result.
    int bBegin(CNAError* pclError, const wchar_t* pszName, int bInternal);
    // Begins a nested transaction after the last open one of the chain that starts here.
    int bInternalTransactionBegin(CNAError* pclError, const wchar_t* pszName);
    // By name (null or empty: the innermost open transaction).
    int bCommit(CNAError* pclError, const wchar_t* pszName);
    int bRollBack(CNAError* pclError, const wchar_t* pszName);
    // Rolls back every open transaction from here, innermost first.
    int bRollBackAll(CNAError* pclError);

    int bIsActive() const { return m_bActive; }
    int bIsInternal() const { return m_bInternal; }
    const wchar_t* pszGetName() const { return m_csName.pszGet(); }
    CNATransaction* pclGetNested() const { return m_pclNested; }
    CNAConnectionDescription* pclGetConnection() const { return m_pclConnection; }
    // 0 for the outermost transaction, 1 for the first nested one, and so on.
    unsigned nGetDepth() const { return m_nDepth; }
    // The savepoint of a nested transaction at this depth, as the server sees it.
    static CTString s_clSavepointName(unsigned nDepth);

protected:
    int _bBegin(CNAError* pclError);
    // Clears active first, so a statement that fails still ends the transaction for the driver.
    int _bCommit(CNAError* pclError);
    // Nothing (answer 1) when not active.
    int _bRollBack(CNAError* pclError);
    int _bInternalTransactionBegin(CNAError* pclError, const wchar_t* pszName);
    int _bInternalTransactionOpened() const;
    bool _bSameName(const wchar_t* pszName) const;
    // User error 9 or 10 raised here, added to pclError (dropped when it is null).
    void _AddError(CNAError* pclError, int nSite, unsigned nCode, const wchar_t* pszName,
                   const wchar_t* pszNested) const;

    CNAConnectionDescription* m_pclConnection;  // not referenced: the connection owns the chain
    CTString m_csName;
    CNATransaction* m_pclNested = nullptr;  // one reference held
    int m_bActive = 0;
    int m_bInternal = 0;
    // Set by the level above when it makes this one; names the savepoint.
    unsigned m_nDepth = 0;
};
