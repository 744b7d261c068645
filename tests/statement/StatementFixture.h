// What the tests of statement execution and fetching share: an SQL-layer statement that answers
// from a script (results taken in order by each execution, LIMIT-cut blocks among them, a failure
// at the k-th call), the driver object that makes it, a data access double that answers what a
// statement asks of its access (the continuation of a browse as the data access writes it, counts,
// skips, positions, saved records), and a table of an id and a name with its record layout.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAItemDescription.h"
#include "native/model/NARecord.h"
#include "native/model/NAYFRecord.h"
#include "native/sql/NACommand.h"
#include "native/sql/NARecherche.h"
#include "native/statement/NARecordCache.h"
#include "native/statement/NARecordCachePosition.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NASQLColumn.h"
#include "native/statement/NAStatement.h"
#include "native/statement/NAStatementAccess.h"
#include "native/table/NADataAccess.h"
#include "pgsql/PSQLConnection.h"
#include "pgsql/PSQLDriverSQL.h"
#include "pgsql/NAStatementSQL.h"
#include "tests/host/StandInConnectionDescription.h"
#include "tests/model/ModelTestSupport.h"
#include "tests/support/BrowseContinuation.h"
#include "variant/Any.h"

namespace stmttest {

using Row = std::vector<std::optional<std::string>>;

// One result the script answers: its rows in SQL order, and the rows an UPDATE changed.
struct stResult {
    std::vector<Row> aRows;
    unsigned long nAffected = 0;
};

// What the scripted server answers and what it was asked, shared by the statements of a test.
struct stScript {
    std::deque<stResult> aResults;  // one per execution, in order; none left: a result without rows
    std::vector<std::string> aSent;  // every text executed
    std::vector<std::string> aCalls;  // "exec", "fetch", "seek", "value" in order
    int nFailAt = 0;                  // the call of that number (from 1) fails; 0: none
};

// A result of ids, one column, rows from nFirst to nLast in that order (either way).
inline stResult Ids(int nFirst, int nLast) {
    stResult st;
    for (int n = nFirst;; n += nFirst <= nLast ? 1 : -1) {
        // Appended rather than "r" + ...: g++ 12 warns wrongly of an overlapping copy there.
        std::string sName = "r";
        sName += std::to_string(n);
        st.aRows.push_back({std::to_string(n), sName});
        if (n == nLast) break;
    }
    return st;
}
inline stResult Empty() {
    return stResult();
}

constexpr unsigned USER_ERROR_SERVER = 80;

// The SQL-layer statement over the script: one result per execution, rows stepped through as the
// PostgreSQL statement steps through its result.
class CScriptedStatementSQL : public CNAStatementSQL {
public:
    CScriptedStatementSQL(stScript* pst, CNAConnectionDescription* pclCnx, CNAError* pclError)
        : CNAStatementSQL(pclCnx, pclError), m_pst(pst) {}

    int _bExecuteDirect(const char* pszSQL, CTabValParser*, NA_WRITEPARSEFLAGS) override {
        return _bRun(pszSQL);
    }
    int bPrepareSQL(CTStringConcatAW*) override {
        m_pst->aSent.push_back("<prepare>");
        return 1;
    }
    int bExecutePreparedQuery(NA_WRITEPARSEFLAGS) override {
        bReset();
        return _bRun("<prepared>");
    }
    int bFetch(unsigned) override {
        if (!_bCall("fetch")) return 0;
        if (m_llNbRow < 1) return 1;
        if (m_llCurrentRow + 1 < m_llNbRow) {
            m_llCurrentRow++;
            m_bEnd = 0;
        } else {
            m_bEnd = 1;
        }
        return 1;
    }
    int bDataSeek(long nRow) override {
        if (!_bCall("seek")) return 0;
        m_llCurrentRow = nRow - 1;
        return 1;
    }
    int bGetValue(CNAConvertVariant* pclValue, unsigned nColumn, unsigned) override {
        if (!_bCall("value")) return 0;
        if (m_llCurrentRow < 0 || m_llCurrentRow >= m_llNbRow || nColumn >= m_stResult.aRows[m_llCurrentRow].size())
            return 0;
        const std::optional<std::string>& o = m_stResult.aRows[m_llCurrentRow][nColumn];
        if (!o) {
            pclValue->SetNull();
            return 1;
        }
        return pclValue->bSetValueDB(o->c_str(), o->size(), 65001);
    }
    using CNAStatementSQL::bGetValue;
    int bGetAffected_rows(unsigned long* pnRows) override {
        *pnRows = m_stResult.nAffected;
        return 1;
    }
    int _bCloseParse() override {
        m_bResultOpen = 0;
        return 1;
    }
    int _bInitTabNAColumn() override { return 1; }

private:
    int _bRun(const char* pszSQL) {
        if (!_bCall("exec")) return 0;
        m_pst->aSent.push_back(pszSQL);
        m_stResult = Empty();
        if (!m_pst->aResults.empty()) {
            m_stResult = m_pst->aResults.front();
            m_pst->aResults.pop_front();
        }
        m_bResultOpen = 1;
        m_llNbRow = static_cast<int64_t>(m_stResult.aRows.size());
        m_llCurrentRow = -1;
        m_nNbColumn = 2;
        return 1;
    }
    // The call is counted; the one the script names fails as a server's refusal would.
    int _bCall(const char* pszWhat) {
        m_pst->aCalls.push_back(pszWhat);
        if (static_cast<int>(m_pst->aCalls.size()) != m_pst->nFailAt) return 1;
        if (m_pclError != nullptr)
            m_pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_PSQLSTATEMENT, 99, m_pclConnection,
                                 USER_ERROR_SERVER, L"scripted", L"XX000");
        return 0;
    }

    stScript* m_pst;
    stResult m_stResult;
};

class CScriptedDriverSQL : public CPSQLDriverSQL {
public:
    CScriptedDriverSQL(CNADriver* pclDriver, CNAError* pclError, stScript* pst)
        : CPSQLDriverSQL(pclDriver, pclError), m_pst(pst) {}
    CNAStatementSQL* pclAllocStatementSQL(CNAConnectionDescription* pclCnx, CNAError* pclError) override {
        return new CScriptedStatementSQL(m_pst, pclCnx, pclError);
    }

private:
    stScript* m_pst;
};

// The process's driver object: its SQL-layer statements answer from the script (none: the
// PostgreSQL ones), and its columns read their values from the statement that fetched the row.
class CStatementTestDriver : public CModelTestDriver {
public:
    stScript* m_pstScript = nullptr;
    CNADriverSQL* _pclAllocDriverSQL(CNAError* pclError) override {
        if (m_pstScript != nullptr) return new CScriptedDriverSQL(this, pclError, m_pstScript);
        return new CPSQLDriverSQL(this, pclError);
    }
    CNAColumn* pclAllocColumn(CNAError* pclError, INAItemDescription* piItem) override {
        return new CNASQLColumn(pclError, piItem);
    }
    CNAStatement* pclAllocStatement(CNADataAccess* pclAccess, CNAConnectionDescription*, CNAError* pclError) override {
        return new CNAStatement(pclAccess, pclError);
    }
};

// A PostgreSQL connection that answers as an open one to a version 15 server, never opened.
class CClosedConnection : public CPSQLConnection {
public:
    explicit CClosedConnection(INAConnectionDescription* piHost) : CPSQLConnection(L"Connection=stmttest", piHost) {
        m_nServerMajor = 15;
        m_nServerVersion = 150000;
        m_nCodePage = 1252;
        m_nClientCodePage = 65001;
        SetDoNotDelete(1);
    }
};

// The statement with its state in view, and rows of its SQL result marked as another statement
// marks them (deleted, or changed with their new values in a saved record).
class CTestStatement : public CNAStatement {
public:
    using CNAStatement::CNAStatement;
    int32_t nBlockLimit() const { return m_nBlockLimit; }
    int bBlockAtStart() const { return m_bBlockAtStart != 0; }
    int bStarted() const { return m_bStarted != 0; }
    int bRowReady() const { return m_bRowReady != 0; }
    uint32_t nDuplicateRank() const { return m_nDuplicateRank; }
    CNARecordCache* pclCache() const { return m_pclRecordCache; }
    CNAStatementSQL* pclSQL() const { return m_pclStatementSQL; }
    CNARecordValue* pclOriginalNoRef() const { return m_pclOriginalRecord; }
    void MarkRow(int64_t llRow, int32_t nEntry) {
        ASSERT_TRUE(_bAllocRecordSaveTab());
        if (nEntry == RECORDSAVE_DELETED) m_nDeletedInBlock++;
        m_pnRecordSaveTab[llRow] = nEntry;
    }
    void SetCause(ePARSENEEDUPDATECAUSE e) { m_eParseNeedUpdate = e; }
    // The entry of the record-save table for that row of the SQL result (-1 without a table).
    int32_t nSaveEntry(int64_t llRow) const {
        return m_pnRecordSaveTab != nullptr && llRow < m_nRecordSaveRows ? m_pnRecordSaveTab[llRow] : RECORDSAVE_NONE;
    }
    int bCurrentRowDeleted() const { return m_bCurrentRowDeleted != 0; }
    int bInternalSearch() const { return m_bInternalSearch != 0; }
    CNAFilter* pclFilterNoRef() const { return m_pclFilter; }
    void SetBrowseFlags(NA_WRITEPARSEFLAGS n) { m_nBrowseFlags = n; }
};

// The data access as a statement sees it. A browse that ends its block goes on as the data access
// goes on: the statement's original record becomes the current record, the statement's search
// designates the rows after it (or before it) along the statement's item, and the statement runs
// that SELECT with the block limit and fetches its first row (its last going back).
class CAccessDouble : public CNADataAccess, public CNAStatementAccess {
public:
    CAccessDouble(INADataSourceDescription* piDesc, CNAConnectionDescription* pclCnx, CNAError* pclError)
        : CNADataAccess(piDesc, pclCnx, pclError), m_pclSaves(pclGetRecordSaveNoRef()) {
        // The access's own saved records: the positions the statement fills keep theirs there.
        m_pclSaves->AddRef();
    }
    ~CAccessDouble() override {
        CNADataAccess::m_pclRecord = nullptr;
        if (m_pclCurrent != nullptr) m_pclCurrent->nRelease();
        m_pclSaves->nRelease();
    }

    // ---- what the test sets and reads
    void SetCurrentRecord(CNARecord* pcl) {
        pcl->AddRef();
        if (m_pclCurrent != nullptr) m_pclCurrent->nRelease();
        m_pclCurrent = pcl;
        // The access's own operations see the same record (the double holds its reference).
        CNADataAccess::m_pclRecord = pcl;
    }
    struct stContinuation {
        eNA_PARSEDIRECTION eDirection;
        long nCount;
        std::string sFrom;  // the id of the statement's original record when asked
    };
    std::vector<stContinuation> aContinuations;
    int32_t nBlock = -1;  // the LIMIT of a continuation
    int64_t llCount = 0, llBefore = 0;
    int bCountFails = 0;
    struct stCount {
        unsigned nOptions;
        NA_WRITEPARSEFLAGS nFlags;
        int nDirection;
    };
    std::vector<stCount> aCounts;
    struct stSkip {
        std::wstring sItem;
        eNA_PARSEDIRECTION eDirection;
        long nCount;
        NA_WRITEPARSEFLAGS nFlags;
    };
    std::vector<stSkip> aSkips;
    CNAStatement* pclBrowse = nullptr;  // the statement of every item the reads name
    int nReadFailsAt = 0;              // that read (from 1) fails
    int nReads = 0;
    std::map<int, std::wstring> mapPositions;
    std::vector<std::wstring> aReturnBuffers;  // what each return to a position was handed
    int bReturnFails = 0;
    int nImportedDescriptions = 0;
    int bImported = 1;
    std::function<std::string(CNARecordValue*)> fnId;

    // ---- CNAStatementAccess
    CNARecord* pclGetCurrentRecordNoRef(CNADataAccess*) override { return m_pclCurrent; }
    int bHasImportedDataSourceDesc(CNADataAccess*) override { return bImported; }
    int bInitImportedDataSourceDesc(CNADataAccess*, CNAStatement*) override {
        nImportedDescriptions++;
        return 1;
    }
    int bBuildSelect(CNADataAccess*, CNACommand* pclCommand, CNAStatement* pclStatement, const wchar_t* pszItem, int bForward,
                     NA_WRITEPARSEFLAGS nFlags, long*) override {
        pclCommand->SetNAQueryType(NAQUERYTYPE_SELECT);
        return pclStatement->bBuildQuerySELECT(pclCommand, nFlags, pszItem, bForward, nullptr);
    }
    int bGoToStmtOriginalRecord(CNADataAccess*, int, CNAStatement* pclStatement, int bReadRecord, eNA_PARSEDIRECTION eDirection,
                                long nCount) override {
        CNARecordValue* pclOriginal = pclStatement->pclGetStmtOriginalRecord();
        aContinuations.push_back({eDirection, nCount, fnId ? fnId(pclOriginal) : std::string()});
        return pgtest::bContinueBrowse(m_pclCurrent, pclStatement, m_pclError, m_pclCnx, nBlock, bReadRecord, eDirection,
                                       nCount);
    }
    int bGetNbEnr(CNADataAccess*, int64_t* pll, unsigned nOptions, NA_WRITEPARSEFLAGS nFlags, CNAStatement*, int nDirection) override {
        aCounts.push_back({nOptions, nFlags, nDirection});
        if (bCountFails) return 0;
        *pll = nDirection == -1 ? llCount : llBefore;
        return 1;
    }
    int bSkipRecord(CNADataAccess*, const wchar_t* pszItem, eNA_PARSEDIRECTION eDirection, long nCount, int, eNA_LOCKTYPE, eNA_LOCKTYPE*,
                    NA_WRITEPARSEFLAGS nFlags) override {
        aSkips.push_back({pszItem, eDirection, nCount, nFlags});
        return 1;
    }
    int bHLitxxx(CNADataAccess*, const wchar_t*, eNA_PARSEDIRECTION eDirection, int bReadRecord, eNA_LOCKTYPE, eNA_LOCKTYPE*,
                 NA_WRITEPARSEFLAGS) override {
        if (++nReads == nReadFailsAt) {
            m_pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_DATAACCESS, 99, m_pclCnx, USER_ERROR_SERVER,
                                 L"read", L"XX000");
            return 0;
        }
        return pclBrowse->bFetch(eDirection, bReadRecord, 1);
    }
    int bHEndehors(CNADataAccess*, const wchar_t*, int* pbOut) override {
        pclBrowse->HEndehors(pbOut);
        return 1;
    }
    int bHSauvePosition(CNADataAccess*, int* pnId, const wchar_t* pszItem, unsigned) override {
        *pnId = ++m_nLastPosition;
        mapPositions[*pnId] = pszItem;
        return 1;
    }
    int bHRetourPosition(CNADataAccess*, int nId, wchar_t* pszItem, int bKeep, unsigned) override {
        aReturnBuffers.push_back(pszItem);
        auto it = mapPositions.find(nId);
        if (it == mapPositions.end() || bReturnFails) return 0;
        if (!bKeep) mapPositions.erase(it);
        return 1;
    }
    int bHLiberePosition(CNADataAccess*, int nId) override { return mapPositions.erase(nId) != 0; }
    int bSetCurrentRecordRead(CNADataAccess*, int) override {
        m_pclCurrent->pclGetCurrentRecordValueNoRef()->SetRecordState(NA_RECORDSTATE_PRESENT);
        return m_pclCurrent->bCopyCurrentRecordToOriginalRecord();
    }
    int bCopyOriginalRecordToCurrentRecord(CNADataAccess*) override {
        m_pclCurrent->pclGetCurrentRecordValueNoRef()->SetRecordState(NA_RECORDSTATE_PRESENT);
        return m_pclCurrent->bCopyOriginalRecordToCurrentRecord();
    }
    int nKeepCurrentRecordSave(CNADataAccess*) override {
        const int n = m_pclSaves->nKeepRecordSave(m_pclCurrent->pclGetCurrentRecordValueNoRef());
        if (n >= 0) m_pclSaves->AddRefRecordSave(n);
        return n;
    }
    int bRestoreOriginalRecordSave(CNADataAccess*, int nSlot) override {
        return m_pclSaves->bGetAt(m_pclCurrent->pclGetOriginalRecordValueNoRef(), nSlot);
    }
    int bCopySaveToRecord(CNADataAccess*, int nSlot, CNARecordValue* pclValue) override { return m_pclSaves->bGetAt(pclValue, nSlot); }
    void AddRefRecordSave(CNADataAccess*, int nSlot) override { m_pclSaves->AddRefRecordSave(nSlot); }
    int nReleaseRecordSave(CNADataAccess*, int nSlot) override { return m_pclSaves->nReleaseRecordSave(nSlot); }
    int nKeepOriginalRecordSave(CNADataAccess*, CNAStatement* pclStatement) override {
        CNARecordValue* pclValue = pclStatement != nullptr ? pclStatement->pclGetStmtOriginalRecord()
                                                           : m_pclCurrent->pclGetOriginalRecordValueNoRef();
        return pclValue != nullptr ? nKeep(pclValue) : -1;
    }
    int bRecordDeleted(CNADataAccess*, int nSlot) override {
        return nSlot >= 0 && nSlot < m_pclSaves->nGetNbRecord() &&
               m_pclSaves->eGetRecordState(nSlot) == NA_RECORDSTATE_DELETED;
    }
    int nGetLastReadSave(CNADataAccess*) override { return nLastReadSave; }
    CNAFilter* pclGetLatestFilterNoRef(CNADataAccess*) override { return pclLatestFilter; }
    void SetLatestFilter(CNADataAccess*, CNAFilter* pclFilter) override { pclLatestFilter = pclFilter; }
    int nUpdateRecordInCache(CNADataAccess*, NA_WRITEPARSEFLAGS, CNARecordCache*) override {
        nCacheUpdates++;
        return -1;
    }
    int nLastReadSave = -1;
    CNAFilter* pclLatestFilter = nullptr;  // not held
    int nCacheUpdates = 0;

    // A saved record of the value given, with one reference for the caller.
    int nKeep(const CNARecordValue* pclValue) {
        const int n = m_pclSaves->nKeepRecordSave(pclValue);
        if (n >= 0) m_pclSaves->AddRefRecordSave(n);
        return n;
    }
    CNARecordCachePosition* pclSaves() const { return m_pclSaves; }

private:
    CNARecord* m_pclCurrent = nullptr;
    CNARecordCachePosition* m_pclSaves;
    int m_nLastPosition = 0;
};

// A table of an id (unique, not NULL) and a name, as the host and the server describe it, with a
// data access double over it, its record layout, and statements on the access.
class StatementTest : public ModelTest {
protected:
    void SetUp() override {
        KXInstallStandInHost();
        standin::ResetVM();
        ASSERT_EQ(bInitVQConvFromVM(standin::hGetModule(), 2, 2), 1);
        ASSERT_EQ(bInitVQCalcFromVM(standin::hGetModule(), 2, 2), 1);
        m_pclTestDriver = CModelTestDriver::pclNew<CStatementTestDriver>();
        m_pclTestDriver->m_pstScript = bScripted() ? &m_stScript : nullptr;
        m_pclDriver = m_pclTestDriver;
        m_pclError = new CNAError;
        m_pclError->AddRef();
        m_pclCnx = pclNewConnection();
        m_pclHost = pclDescription(false);
        m_pclServer = pclDescription(true);
        m_pclAccess = new CAccessDouble(m_pclHost, m_pclCnx, m_pclError);
        m_pclAccess->AddRef();
        m_pclAccess->fnId = [this](CNARecordValue* pcl) { return sIdOf(pcl); };
        m_pclRecord = new CNARecord(m_pclError, m_pclAccess);
        m_pclRecord->AddRef();
        ASSERT_TRUE(m_pclRecord->bInitRecord(m_pclHost, m_pclServer, m_pclCnx));
        m_pclAccess->SetCurrentRecord(m_pclRecord);
    }
    void TearDown() override {
        for (CTestStatement* pcl : m_aStatements) pcl->nRelease();
        m_aStatements.clear();
        if (m_pclRecord != nullptr) m_pclRecord->nRelease();
        if (m_pclAccess != nullptr) m_pclAccess->nRelease();
        m_pclHost->nRelease();
        m_pclServer->nRelease();
        _DropConnection();
        m_pclError->nRelease();
        ModelTest::TearDown();
    }
    // Whether the statements run on the script (else on the PostgreSQL statements).
    virtual bool bScripted() const { return true; }
    virtual CNAConnectionDescription* pclNewConnection() { return new CClosedConnection(&m_clHostCnx); }
    virtual void _DropConnection() { delete m_pclCnx; }

    // The table as the host and the server describe it.
    virtual CNADataSourceDescription* pclDescription(bool bServer) {
        auto* pcl = new CNADataSourceDescription(nullptr, nullptr);
        pcl->AddRef();
        pcl->SetLogicalName(L"stmt_fx");
        pcl->SetDBName(L"stmt_fx");
        pcl->bAddItem(L"id", nullptr, nullptr, 1, 4, NA_IT_I4, -1, 0, NA_KEY_UNIQUE, 0, 0);
        pcl->pclGetItemNoRef(0)->SetNullable(0);
        pcl->bAddItem(L"nom", nullptr, nullptr, 1, 11, NA_IT_TEXTE, -1, -1, 0, 0, 0);
        if (bServer) {
            pcl->pclGetItemNoRef(0)->SetDBType(L"", 23);
            pcl->pclGetItemNoRef(1)->SetDBType(L"", 1043);
        }
        pcl->UpdateRecordSize();
        return pcl;
    }

    // A statement of the access for the item (the key the access holds it under).
    CTestStatement* pclStatement(const wchar_t* pszKey = L"id") {
        auto* pcl = new CTestStatement(m_pclAccess, m_pclError);
        pcl->AddRef();
        pcl->SetKey(pszKey);
        m_aStatements.push_back(pcl);
        m_pclAccess->pclBrowse = pcl;
        return pcl;
    }
    // Runs the browse SELECT along the item, forward or backward, with the block limit (-1: none),
    // the record cache on or off as the data access leaves it after opening a browse.
    ::testing::AssertionResult Open(CTestStatement* pcl, int32_t nLimit, bool bCache, bool bForward = true) {
        CNACommand* pclCommand = new CNACommand(m_pclError, m_pclCnx);
        pclCommand->AddRef();
        pclCommand->SetNAQueryType(NAQUERYTYPE_SELECT);
        int bOk = pcl->bBuildQuerySELECT(pclCommand, 0, pcl->pszGetItemName(), bForward ? 1 : 0, nullptr);
        pclCommand->SetRowLimit(nLimit);
        if (bOk) bOk = pcl->bExecute(0, CNAStatement::NA_ST_PREPARE);
        pclCommand->nRelease();
        if (!bOk) return ::testing::AssertionFailure() << "the browse did not run: " << sError();
        if (bCache) pcl->EnableCache(1);
        m_pclAccess->nBlock = nLimit;
        return ::testing::AssertionSuccess();
    }

    // The id the record's current image holds ("" when it is not defined).
    std::string sCurrentId() { return sIdOfImage(m_pclRecord->pclGetNAYFRecord()); }
    std::string sIdOf(const CNARecordValue* pcl) { return pcl != nullptr ? sIdOfImage(pcl->pclGetNAYFRecord()) : ""; }
    std::string sIdOfImage(const CNAYFRecord* pclImage) {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(L"id");
        if (pclImage == nullptr || !pclImage->bItemValueDefined(pclColumn->piGetItemNoRef(), 0)) return "";
        int32_t n = 0;
        memcpy(&n, pclImage->pbyGetItemValue(pclColumn->piGetItemNoRef(), 0), sizeof(n));
        return std::to_string(n);
    }
    std::string sError() {
        std::string s;
        for (const wchar_t* psz = m_pclError->pszGetError(); psz != nullptr && *psz != 0; psz++)
            s += *psz < 128 ? static_cast<char>(*psz) : '?';
        return s;
    }
    std::wstring wsDebug() {
        const wchar_t* psz = m_pclError->pclGetXError()->pszGetDebugMessage();
        return psz != nullptr ? psz : L"";
    }
    int nCalls(const char* pszWhat) {
        int n = 0;
        for (const std::string& s : m_stScript.aCalls) n += s == pszWhat;
        return n;
    }

    standin::CStandInConnectionDescription m_clHostCnx;
    stScript m_stScript;
    CStatementTestDriver* m_pclTestDriver = nullptr;
    CNAError* m_pclError = nullptr;
    CNAConnectionDescription* m_pclCnx = nullptr;
    CNADataSourceDescription* m_pclHost = nullptr;
    CNADataSourceDescription* m_pclServer = nullptr;
    CAccessDouble* m_pclAccess = nullptr;
    CNARecord* m_pclRecord = nullptr;
    std::vector<CTestStatement*> m_aStatements;
};

// One read of a browse and what it must give: the id read ("" when out of the file), and found.
struct stRead {
    eNA_PARSEDIRECTION eDirection;
    long nCount;
    const char* pszId;
    int bFound;
};

}  // namespace stmttest
