// CNAStatement: preparing and running the command through the SQL-layer statement, the block limit
// a run leaves, closing and resetting, the raw values of the result, record counts (on the server,
// or by fetching where the server takes no sub-query), the identifier after an insert and the
// column values of the writes.
#include <cstring>
#include <new>
#include <typeinfo>

#include "core/MyModuleInfo.h"
#include "core/XErrorModule.h"
#include "core/XYStringConcat.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NAItemDescription.h"
#include "native/model/NARecord.h"
#include "native/model/NAYFRecord.h"
#include "native/sql/NAExpression.h"
#include "native/sql/NARecherche.h"
#include "native/statement/NARecordCache.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NAStatement.h"
#include "native/statement/NAStatementAccess.h"
#include "native/statement/NASQLColumn.h"
#include "pgsql/NAColumnSQL.h"
#include "pgsql/NADriverSQL.h"
#include "pgsql/NAStatementSQL.h"
#include "variant/Any.h"

namespace {

// Debug sites of this unit (file 4).
constexpr int SITE_NOT_PREPARED = 5;
constexpr int SITE_UPDATE_NO_ROW = 12;

constexpr unsigned USER_ERROR_NOT_PREPARED = 2;
// The row an UPDATE was to change is no longer there.
constexpr auto ERRORTYPE_NO_ROW_CHANGED = static_cast<eNA_ERRORTYPE>(9);

// Flags of a write that leave the automatic identifier alone (the host gives it), and the one that
// has a new value given to it in any case.
constexpr NA_WRITEPARSEFLAGS WPF_KEEP_IDAUTO = 0x100 | 0x400;
constexpr NA_WRITEPARSEFLAGS WPF_NEW_IDAUTO = 0x200;
// The flags of the single-value read.
constexpr NA_WRITEPARSEFLAGS WPF_REQUESTED_VALUE = 0x10000;

}  // namespace

// ---------------------------------------------------------------------------------- the SQL statement

int CNAStatement::_bAllocStatementSQL() {
    CNADriverSQL* pclDriverSQL =
        CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclGetDriverSQL() : nullptr;
    CNAStatementSQL* pcl =
        pclDriverSQL != nullptr ? pclDriverSQL->pclAllocStatementSQL(pclGetConnectionNoRef(), m_pclError) : nullptr;
    if (pcl == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
        return 0;
    }
    pcl->AddRef();
    if (m_pclStatementSQL != nullptr) m_pclStatementSQL->nRelease();
    m_pclStatementSQL = pcl;
    return 1;
}

int CNAStatement::_bResetStatementSQL() {
    _FreeRecordSaveTab();
    return m_pclStatementSQL != nullptr ? m_pclStatementSQL->bReset() : 1;
}

void CNAStatement::ResetStatement() {
    ResetQuery();
}

// ---------------------------------------------------------------------------------- closing

void CNAStatement::Close() {
    _FreeRecordSaveTab();
    // A next block keeps the browse: its rows join the ones already read.
    if (!m_bContinuing) {
        m_clFilterAtStart.SetFilter(nullptr);
        _pclAccess()->ClosingStatement(m_pclDataAccess, this);
        m_bStarted = 0;
        m_bCurrentRowDeleted = 0;
        m_llCurrentPosition = -1;
        m_nBlockBase = 0;
        EnableCache(0);
        if (m_pclStatementSQL != nullptr) m_pclStatementSQL->EndBrowse();
    }
    if (!m_bContinuing || !_pclAccess()->bHasTableCache(m_pclDataAccess)) _InvalidatePositionRowIds();
    bSetParseNeedUpdate(PARSENEEDUPDATE_NONE, -1);
    m_bBlockAtStart = 1;
    m_bCurrentRowDeleted = 0;
    if (m_pclStatementSQL != nullptr) _bResetStatementSQL();
}

// ---------------------------------------------------------------------------------- preparing

int CNAStatement::bPrepare(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags) {
    _SetQuery(pclCommand);
    if (nFlags & 2) return 1;
    return _bPrepare();
}

int CNAStatement::_bPrepare() {
    if (m_pclStatementSQL != nullptr) {
        _bResetStatementSQL();
    } else if (!_bAllocStatementSQL()) {
        return 0;
    }
    CTStringConcatAW* pclSQL =
        m_pclCommand != nullptr ? m_pclCommand->pclGetFormatedSQL(CNACommand::PARAMTYPECONV_NONE) : nullptr;
    if (pclSQL == nullptr) return 0;
    return m_pclStatementSQL->bPrepareSQL(pclSQL);
}

int CNAStatement::bExecutePreparedQuery(NA_WRITEPARSEFLAGS nFlags, int bRefreshParameters) {
    if (bRefreshParameters && m_pclCommand != nullptr && !m_pclCommand->bUpdateParametersValues()) return 0;
    if (m_pclTableCacheIndex == nullptr && m_pclCommand != nullptr &&
        m_pclCommand->eGetQueryType() == NAQUERYTYPE_NONE) {
        _AddError(NA_ERRORTYPE_GENERAL, SITE_NOT_PREPARED, _pszGetLogicalName(), m_clItemName.pszGet(),
                  USER_ERROR_NOT_PREPARED, _pszGetLogicalName(), m_clItemName.pszGet());
        return 0;
    }
    Close();
    return _bExecutePreparedQuery(nFlags);
}

int CNAStatement::_bExecuteAgainKeepingCache() {
    if (m_pclTableCacheIndex == nullptr && m_pclCommand != nullptr &&
        m_pclCommand->eGetQueryType() == NAQUERYTYPE_NONE) {
        _AddError(NA_ERRORTYPE_GENERAL, SITE_NOT_PREPARED, _pszGetLogicalName(), m_clItemName.pszGet(),
                  USER_ERROR_NOT_PREPARED, _pszGetLogicalName(), m_clItemName.pszGet());
        return 0;
    }
    // The record-save table belongs to the result that was closed.
    _FreeRecordSaveTab();
    if (!_bExecutePreparedQuery(0)) return 0;
    // The rows of this block already cached are the first ones of the new result.
    const int64_t llCached =
        (m_pclRecordCache != nullptr ? m_pclRecordCache->nGetNbRecord() : 0) - static_cast<int64_t>(m_nBlockBase);
    if (llCached > 0 && !m_pclStatementSQL->bDataSeek(static_cast<long>(llCached))) {
        if (m_pclError != nullptr) m_pclError->Copy(m_pclStatementSQL->pclGetError());
        return 0;
    }
    return 1;
}

int CNAStatement::_bExecutePreparedQuery(NA_WRITEPARSEFLAGS nFlags) {
    if (m_pclStatementSQL == nullptr && !_bAllocStatementSQL()) return 0;
    return m_pclStatementSQL->bExecutePreparedQuery(nFlags);
}

// ---------------------------------------------------------------------------------- running

int CNAStatement::bExecute(NA_WRITEPARSEFLAGS nFlags, eNA_ST_PREPARE ePrepare) {
    return _bExecute(nFlags, ePrepare);
}

int CNAStatement::bExecuteDirectNewCommand(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags, eNA_ST_PREPARE ePrepare) {
    _SetQuery(pclCommand);
    return bExecute(nFlags, ePrepare);
}

int CNAStatement::_bExecute(NA_WRITEPARSEFLAGS nFlags, eNA_ST_PREPARE ePrepare) {
    if (m_bStarted) Close();
    // The original record keeps its place among equal rows only while the same browse goes on.
    if (m_pclOriginalRecord != nullptr && !m_bContinuing) {
        m_pclOriginalRecord->nRelease();
        m_pclOriginalRecord = nullptr;
        m_nDuplicateRank = 0;
    }
    if (m_pclCommand == nullptr || m_pclCommand->bIsEmpty()) return 1;
    if (!bExecuteDirect(nFlags, ePrepare)) return 0;
    CNAStatementAccess* pclAccess = _pclAccess();
    if ((!pclAccess->bHasImportedDataSourceDesc(m_pclDataAccess) &&
         m_pclCommand->eGetQueryType() == NAQUERYTYPE_SELECT) ||
        m_pclCommand->bIsParsedQuery())
        return pclAccess->bInitImportedDataSourceDesc(m_pclDataAccess, this);
    return 1;
}

int CNAStatement::bExecuteDirect(NA_WRITEPARSEFLAGS, eNA_ST_PREPARE) {
    if (m_pclCommand == nullptr) return 0;
    const char* pszSQL =
        m_pclCommand->pszGetFormatedSQLA(static_cast<CNACommand::ePARAMTYPECONV>(-1), &m_stFormatedSkeleton);
    if (pszSQL == nullptr) return 0;
    int bResult = 1;
    if (*pszSQL != 0) {
        if (m_pclStatementSQL != nullptr) {
            _bResetStatementSQL();
        } else if (!_bAllocStatementSQL()) {
            return 0;
        }
        bResult = m_pclStatementSQL->bExecuteDirect(pszSQL, 0);
        if (bResult && m_pclCommand->eGetQueryType() == NAQUERYTYPE_UPDATE) {
            unsigned long nRows = 0;
            if (m_pclStatementSQL->bGetAffected_rows(&nRows) && nRows == 0 && m_pclRecord != nullptr) {
                _AddRecordLostError(ERRORTYPE_NO_ROW_CHANGED, CNAError::FILE_STATEMENT, SITE_UPDATE_NO_ROW, nullptr);
                bResult = 0;
            }
        }
    }
    // More rows may follow on the server only when the result holds exactly the rows the LIMIT
    // allowed.
    m_nBlockLimit = NO_LIMIT;
    const int64_t llLimit = m_pclCommand->llGetRowLimit();
    if (llLimit > 0 && m_pclStatementSQL != nullptr && m_pclStatementSQL->llGetNbRow() == llLimit)
        m_nBlockLimit = static_cast<int32_t>(llLimit);
    m_bBlockAtStart = m_pclCommand->llGetRowOffset() < 1 ? 1 : 0;
    // A full block of a browse: the server may compute the next one while the host reads this one.
    if (bResult && m_nBlockLimit != NO_LIMIT && m_pclCommand->eGetQueryType() == NAQUERYTYPE_SELECT)
        m_pclStatementSQL->PrefetchNextBlock(m_bContinuing, _bOrderIndexed());
    return bResult;
}

// ---------------------------------------------------------------------------------- seeks of one shape

namespace {

bool _bSameText(const std::wstring& s, const wchar_t* psz) {
    return s.compare(psz != nullptr ? psz : L"") == 0;
}

}  // namespace

int CNAStatement::_nSeekLeafShape(CNAExpression** ppclLeaf) const {
    *ppclLeaf = nullptr;
    if (m_pclTableCacheIndex != nullptr || bExistFilter() || !bExistRechercheObject()) return -1;
    CNAExpression* pclLeaf = m_pclRecherche->pclGetExpressionNoRef(3);
    if (pclLeaf == nullptr) return -1;
    const int nShape = pclLeaf->nReusableValueShape();
    if (nShape >= 0) *ppclLeaf = pclLeaf;
    return nShape;
}

bool CNAStatement::_bSeekSelectFits(const stSeekSelect& st, const stSeekAccessShape& stAccess,
                                    const CNAExpression* pclLeaf, int nShape) const {
    return st.pclCommand != nullptr && st.nValueShape == nShape && st.pclColumn == pclLeaf->pclGetColumnNoRef() &&
           st.nOperator == static_cast<int>(pclLeaf->eGetOperator()) &&
           st.nExpressionFlags == pclLeaf->nGetFlags() && st.nSearchFlags == m_pclRecherche->nGetFlags() &&
           st.bForward == stAccess.bForward && st.nFlags == stAccess.nFlags &&
           st.nCountAsked == stAccess.nCountAsked && st.llBlockLimit == stAccess.llBlockLimit &&
           st.pclRecord == m_pclRecord && st.piDataSource == m_piDataSource &&
           st.pclConnection == pclGetConnectionNoRef() &&
           st.nColumns == (m_pclRecord != nullptr ? m_pclRecord->nGetNumColumns() : 0) &&
           st.nOrderByOptions == m_nOrderByOptions && st.eLockType == m_eLockType &&
           st.nBrowseFlags == m_nBrowseFlags && _bSameText(st.sItem, stAccess.pszItem) &&
           _bSameText(st.sStatementItem, m_clItemName.pszGet()) && _bSameText(st.sKey, m_clKey.pszGet());
}

bool CNAStatement::bCommandIsKeptSeek() const {
    if (m_pclCommand == nullptr) return false;
    for (const stSeekSelect& st : m_aSeekSelect)
        if (st.pclCommand == m_pclCommand) return true;
    return false;
}

int CNAStatement::bReuseSeekSelect(const stSeekAccessShape& stAccess, long* pnCount) {
    // Only while the statement's command is still one of them: anything else run on the
    // statement since may have changed what they were built from.
    if (!bCommandIsKeptSeek()) return 0;
    CNAExpression* pclLeaf = nullptr;
    const int nShape = _nSeekLeafShape(&pclLeaf);
    if (nShape < 0) return 0;
    for (stSeekSelect& st : m_aSeekSelect) {
        if (!_bSeekSelectFits(st, stAccess, pclLeaf, nShape)) continue;
        CNACommand* pclCommand = st.pclCommand;
        pclCommand->AddRef();
        // The statement lets its result go as a new build would, then takes the kept text with
        // the new value.
        ResetQuery();
        const int bValue = pclLeaf->bRefreshValueParameter(pclCommand, m_pclRecherche);
        if (bValue) {
            pclCommand->ResetFormatedSQL();
            m_pclCommand = pclCommand;
            if (pnCount != nullptr) *pnCount = st.nCountGiven;
            return 1;
        }
        pclCommand->nRelease();
        // The command may hold part of the change: it is built afresh.
        ForgetSeekSelects();
        return 0;
    }
    return 0;
}

void CNAStatement::KeepSeekSelect(const stSeekAccessShape& stAccess, long nCountGiven, bool bChained) {
    if (!bChained) ForgetSeekSelects();
    CNAExpression* pclLeaf = nullptr;
    const int nShape = _nSeekLeafShape(&pclLeaf);
    if (nShape < 0 || m_pclCommand == nullptr || m_pclCommand->nGetParameterNbr() != 1 ||
        m_pclCommand->bIsParsedQuery() || m_pclCommand->eGetQueryType() != NAQUERYTYPE_SELECT)
        return;
    // One of the same shape gives way to it, else the older one.
    unsigned n = m_nNextSeekSelect;
    for (unsigned i = 0; i < 2; i++)
        if (_bSeekSelectFits(m_aSeekSelect[i], stAccess, pclLeaf, nShape)) n = i;
    stSeekSelect& st = m_aSeekSelect[n];
    m_pclCommand->AddRef();
    if (st.pclCommand != nullptr) st.pclCommand->nRelease();
    st.pclCommand = m_pclCommand;
    st.sItem.assign(stAccess.pszItem != nullptr ? stAccess.pszItem : L"");
    st.bForward = stAccess.bForward;
    st.nFlags = stAccess.nFlags;
    st.nCountAsked = stAccess.nCountAsked;
    st.nCountGiven = nCountGiven;
    st.llBlockLimit = stAccess.llBlockLimit;
    st.pclRecord = m_pclRecord;
    st.piDataSource = m_piDataSource;
    st.pclConnection = pclGetConnectionNoRef();
    st.nColumns = m_pclRecord != nullptr ? m_pclRecord->nGetNumColumns() : 0;
    st.nOrderByOptions = m_nOrderByOptions;
    st.eLockType = m_eLockType;
    st.nBrowseFlags = m_nBrowseFlags;
    st.sStatementItem.assign(m_clItemName.pszGet() != nullptr ? m_clItemName.pszGet() : L"");
    st.sKey.assign(m_clKey.pszGet() != nullptr ? m_clKey.pszGet() : L"");
    st.pclColumn = pclLeaf->pclGetColumnNoRef();
    st.nOperator = static_cast<int>(pclLeaf->eGetOperator());
    st.nExpressionFlags = pclLeaf->nGetFlags();
    st.nSearchFlags = m_pclRecherche->nGetFlags();
    st.nValueShape = nShape;
    m_nNextSeekSelect = n == 0 ? 1 : 0;
}

void CNAStatement::ForgetSeekSelects() {
    for (stSeekSelect& st : m_aSeekSelect) {
        if (st.pclCommand != nullptr) st.pclCommand->nRelease();
        st = stSeekSelect{};
    }
    m_nNextSeekSelect = 0;
}

int CNAStatement::_bOrderIndexed() {
    // The catalogue's indexes are the description's keys. An item the description does not know
    // is taken to have one: a wrong guess only costs speed.
    const wchar_t* pszItem = m_clItemName.pszGet();
    if (pszItem == nullptr || *pszItem == 0) return 1;
    INAItemDescription* piItem = _pclGetItem(pszItem);
    if (piItem == nullptr) return 1;
    const int bKey = piItem->bIsKey() ? 1 : 0;
    piItem->nExternalRelease();
    return bKey;
}

int CNAStatement::bGetAffectedRows(unsigned long* pnRows) {
    return m_pclStatementSQL != nullptr && m_pclStatementSQL->bGetAffected_rows(pnRows);
}

// ---------------------------------------------------------------------------------- raw values

int CNAStatement::_bFetchSQL() {
    if (m_pclStatementSQL == nullptr) return 0;
    if (m_pclStatementSQL->bFetch(0)) return 1;
    if (m_pclError != nullptr) m_pclError->Copy(m_pclStatementSQL->pclGetError());
    return 0;
}

int CNAStatement::bGetSQLColumnValue(CNAConvertVariant* pclValue, unsigned n) {
    if (m_pclStatementSQL == nullptr) return 0;
    if (m_pclStatementSQL->bGetValue(pclValue, n, 0)) return 1;
    if (m_pclError != nullptr) m_pclError->Copy(m_pclStatementSQL->pclGetError());
    return 0;
}

int CNAStatement::bGetSQLColumnValue(CAny* pclValue, unsigned n) {
    if (m_pclStatementSQL == nullptr) return 0;
    if (m_pclStatementSQL->bGetValue(pclValue, n, 0)) return 1;
    if (m_pclError != nullptr) m_pclError->Copy(m_pclStatementSQL->pclGetError());
    return 0;
}

int CNAStatement::bGetRequestedValue(CAny* pclValue) {
    if (!bExecute(WPF_REQUESTED_VALUE, NA_ST_PREPARE)) return 0;
    return bGetResultValue(pclValue, 0);
}

int CNAStatement::bGetResultValue(CAny* pclValue, unsigned n) {
    if (!_bFetchSQL()) return 0;
    return bGetSQLColumnValue(pclValue, n);
}

int CNAStatement::_vbGetQueryResult(CAny* ptabValues, int nValues) {
    if (!_bFetchSQL()) return 0;
    for (int i = 0; i < nValues; i++)
        if (!bGetSQLColumnValue(&ptabValues[i], static_cast<unsigned>(i))) return 0;
    return 1;
}

int CNAStatement::bExecuteAndFetch(CAny* ptabValues, int nValues, eNA_ST_PREPARE ePrepare) {
    int bResult = bExecute(0, ePrepare);
    if (bResult) bResult = bFetch(NA_PARSE_FIRST, 0, 1);
    // The values of the row the fetch landed on: reading on from there would skip the first row of
    // the result. Without a row the values stay as they are.
    if (bResult && !m_bOutOfFile)
        for (int i = 0; i < nValues && bResult; i++)
            bResult = bGetSQLColumnValue(&ptabValues[i], static_cast<unsigned>(i));
    Close();
    return bResult;
}

unsigned long CNAStatement::nGetRowMaxLen() {
    return m_pclStatementSQL != nullptr ? static_cast<unsigned long>(m_pclStatementSQL->llGetMaxRowLength()) : 0;
}

int CNAStatement::_bSetColumnValueFromDB(CNAColumn* pclColumn) {
    return pclColumn->bSetValueFromDB(this, 0);
}

int CNAStatement::_bUpdateNARecordFromDB() {
    if (m_pclRecord == nullptr) return 0;
    // The result columns of the record read into its current image, asked once for the row; a
    // column of another kind or record reads as it would on its own.
    CNAYFRecord* pclImage = nullptr;
    bool bImage = false;
    for (int i = 0; i < m_pclRecord->nGetNumColumns(); i++) {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(i);
        // Composite keys come last and hold no value of their own.
        if (pclColumn->bIsComposedKey()) break;
        if (&typeid(*pclColumn) == &typeid(CNASQLColumn) && pclColumn->pclGetRecordNoRef() == m_pclRecord) {
            if (!bImage) {
                pclImage = m_pclRecord->pclGetNAYFRecord();
                bImage = true;
            }
            if (!static_cast<CNASQLColumn*>(pclColumn)->bSetRowValueFromDB(this, 0, pclImage)) return 0;
        } else if (!_bSetColumnValueFromDB(pclColumn)) {
            return 0;
        }
    }
    if (m_nRowLocatorColumn >= 0) return _bReadRowLocator(static_cast<unsigned>(m_nRowLocatorColumn));
    return 1;
}

int CNAStatement::bGetBLOB(const wchar_t* pszItem, CAny* pclValue) {
    CNAColumn* pclColumn = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnNoRef(pszItem) : nullptr;
    return pclColumn != nullptr ? pclColumn->bGetBLOB(pclValue) : 0;
}

int CNAStatement::bExtraitMemo(const wchar_t* pszItem, const wchar_t* pszFile) {
    CNAColumn* pclColumn = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnNoRef(pszItem) : nullptr;
    return pclColumn != nullptr ? pclColumn->bHExtraitMemo(pszFile) : 0;
}

void CNAStatement::_DumpQuery(CNACommand* pclCommand) {
    if (m_pclError == nullptr || pclCommand == nullptr) return;
    const wchar_t* pszDump = pclCommand->pszGetCommandDump();
    if (pszDump != nullptr) m_pclError->AddDebugMessageNoFormatFirst(pszDump);
}

// ---------------------------------------------------------------------------------- structure

int CNAStatement::bGetQueryStructure(CNADataSourceDescription* pclDescription) {
    if (!_bGetQueryStructure(pclDescription, 0)) return 0;
    if (m_pclCommand != nullptr && m_pclCommand->eGetQueryType() == NAQUERYTYPE_NONE)
        m_pclCommand->SetNAQueryType(pclDescription->nGetNumItems() > 0 ? NAQUERYTYPE_SELECT
                                                                        : static_cast<eNAQUERYTYPE>(8));
    return 1;
}

int CNAStatement::_bGetQueryStructure(CNADataSourceDescription* pclDescription, int n) {
    if (n != 0) return 1;
    if (pclDescription == nullptr) return 0;
    return pclDescription->bInitDataSourceDescriptionFromStatement(m_pclStatementSQL) ? 1 : 0;
}

// ---------------------------------------------------------------------------------- counts

int CNAStatement::bGetNbEnr(int64_t* pllCount, NA_WRITEPARSEFLAGS nFlags, int nOption) {
    CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
    if (_bSourceIsQuery() && pclCnx != nullptr && !pclCnx->bSupportSubQuery())
        return _bGetNbEnr_NoSubQuery(pllCount, nFlags, nOption);
    *pllCount = -1;
    ResetQuery();
    EnableCache(0);
    CNACommand* pclCommand = _pclAllocCommand();
    if (pclCommand == nullptr) return 0;
    CAny clValue;
    int bResult = _bBuildQueryCOUNT(pclCommand, nFlags, nOption);
    if (bResult) bResult = bGetRequestedValue(&clValue);
    ResetStatement();
    void* pData = nullptr;
    if (bResult && clValue.__nCastTo(VQTYPE_I8, nullptr, 0) <= 99 && !clValue.bIsNull() &&
        clValue.nGetTypeCode() == VQTYPE_I8 && clValue.pclGetValeur()->nGetDataAdr(&pData) == 0 && pData != nullptr)
        memcpy(pllCount, pData, sizeof(int64_t));
    pclCommand->nRelease();
    return bResult;
}

int CNAStatement::_bGetNbEnr_NoSubQuery(int64_t* pllCount, NA_WRITEPARSEFLAGS, int) {
    *pllCount = -1;
    ResetQuery();
    EnableCache(0);
    CNACommand* pclCommand = _pclAllocCommand();
    if (pclCommand == nullptr) return 0;
    int bResult = _pclAccess()->bBuildSelect(m_pclDataAccess, pclCommand, this, nullptr, 1, 0, nullptr);
    if (bResult) {
        pclCommand->SetRowLimit(-1);
        bResult = bExecute(0, NA_ST_NOPREPARE);
    }
    if (bResult) bResult = bFetch(NA_PARSE_FIRST, 0, 1);
    int64_t llCount = 0;
    while (bResult && !m_bOutOfFile) {
        llCount++;
        bResult = bFetch(NA_PARSE_NEXT, 0, 1);
    }
    if (bResult) *pllCount = llCount;
    pclCommand->nRelease();
    return bResult;
}

// ---------------------------------------------------------------------------------- writes

int CNAStatement::_bReadRowLocator(unsigned n) {
    CNARecordValue* pclCurrent = m_pclRecord != nullptr ? m_pclRecord->pclGetCurrentRecordValueNoRef() : nullptr;
    if (pclCurrent == nullptr) return 1;
    const int nIndex = _nRowLocatorIndex();
    for (int k = 0; k < 2; k++) {
        CNAConvertVariant* pclValue =
            CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocVariant(m_pclError, pclGetConnectionNoRef())
                                              : nullptr;
        if (pclValue == nullptr) {
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
            return 0;
        }
        pclValue->AddRef();
        pclValue->InitTypeVariantAny(VQTYPE_DSTRW, 0);
        int bResult = bGetSQLColumnValue(pclValue, n + static_cast<unsigned>(k));
        if (bResult) bResult = pclCurrent->bShareMemoValue(nIndex + k, pclValue);
        pclValue->nRelease();
        if (!bResult) return 0;
    }
    return 1;
}

int CNAStatement::_bReadReturnedRow() {
    if (!_bFetchSQL()) return 0;
    if (m_bReturnedLocator && !_bReadRowLocator(static_cast<unsigned>(m_tabReturned.nGetNbElement()))) return 0;
    for (int j = 0; j < m_tabReturned.nGetNbElement(); j++) {
        CNAColumn* pclColumn = m_tabReturned.GetAt(j);
        CNAConvertVariant* pclValue = pclColumn->pclGetNAValue();
        if (pclValue == nullptr) return 0;
        if (pclColumn->bIsMemo()) {
            pclColumn->SetNotModified();
            pclValue->InitTypeVariantAny(pclColumn->eGetVQType(), 0);
        }
        if (!bGetSQLColumnValue(pclValue, static_cast<unsigned>(j))) {
            if (pclColumn->bIsMemo()) pclValue->SetNull();
            return 0;
        }
        pclColumn->_SetItemValueDefinedInYFRecord(pclValue->bIsNull() ? 0 : 1, 0);
    }
    return 1;
}

int CNAStatement::bUpdateRecordAfterInsert(eNAQUERYTYPE, NA_WRITEPARSEFLAGS nFlags) {
    // The row the server stored, as the INSERT returned it.
    if (m_tabReturned.nGetNbElement() > 0) return _bReadReturnedRow();
    if (nFlags & WPF_KEEP_IDAUTO) return 1;
    CNAColumn* pclColumn = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnIDAutoNoRef() : nullptr;
    if (pclColumn == nullptr) return 1;
    CAny clValue;
    CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
    int bResult;
    if (pclCnx != nullptr && pclCnx->bSupportInsertReturning()) {
        bResult = bGetResultValue(&clValue, 0);
    } else {
        int bHasObject = 0;
        bResult = _pclAccess()->bGetMaxCurrentValue(m_pclDataAccess, pclColumn, m_pclError, &clValue, &bHasObject);
    }
    if (!bResult) return 0;
    return pclColumn->bSetValue(&clValue, 0);
}

int CNAStatement::bUpdateRecordAfterUpdate(eNAQUERYTYPE, NA_WRITEPARSEFLAGS nFlags) {
    if (m_tabReturned.nGetNbElement() > 0) return _bReadReturnedRow();
    if (nFlags & WPF_KEEP_IDAUTO) return 1;
    CNAColumn* pclColumn = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnIDAutoNoRef() : nullptr;
    if (pclColumn == nullptr) return 1;
    // The identifier keeps the value it was read with.
    CNAYFRecord* pclCurrent = m_pclRecord->pclGetNAYFRecord();
    CNAYFRecord* pclOriginal = m_pclRecord->pclGetOriginalNAYFRecord();
    if (pclCurrent != nullptr && pclOriginal != nullptr && pclCurrent != pclOriginal) {
        unsigned char* pbyTo = pclCurrent->pbyGetItemValue(pclColumn->piGetItemNoRef(), 0);
        const unsigned char* pbyFrom = pclOriginal->pbyGetItemValue(pclColumn->piGetItemNoRef(), 0);
        if (pbyTo != nullptr && pbyFrom != nullptr) memcpy(pbyTo, pbyFrom, pclColumn->nGetItemSize());
    }
    return 1;
}

int CNAStatement::_bAddColumnValue(CNACommand* pclCommand, CNAColumn* pclColumn, eNAQUERYTYPE eType,
                                   unsigned int nFlags) {
    // An item the host left without a value takes the server's default (which is NULL for a
    // column that has none), never a NULL written over it.
    if (eType == NAQUERYTYPE_INSERT && !pclColumn->bIsIdAuto() && !pclColumn->bIsComposedKey() &&
        !pclColumn->bValueDefined())
        return pclCommand->bComplete(L"DEFAULT");
    if (pclColumn->bIsIdAuto() && (nFlags & WPF_KEEP_IDAUTO) == 0 &&
        ((nFlags & WPF_NEW_IDAUTO) != 0 || !pclColumn->bIsAutoIncrementOnDataBase()) &&
        !_pclAccess()->bSetNewAutoId(m_pclDataAccess))
        return 0;
    CAny clValue;
    pclColumn->bGetCurrentValue(&clValue, 0);
    return pclCommand->bAddParameter(&clValue, OPEXPRESSION_NONE, 0, pclColumn, 0, CNAParameter::NAPARAM_IN);
}

// ---------------------------------------------------------------------------------- errors

void CNAStatement::_AddRecordLostError(eNA_ERRORTYPE eType, int nFileId, int nSite, const wchar_t* pszItem) const {
    if (m_pclError == nullptr) return;
    const wchar_t* pszTable = _pszGetLogicalName();
    _CXErrorModule39 clError;
    clError.SetUserError(&gstMyModuleInfo39, 13, pszTable);
    CNAError::g_AddDebugInfo(&clError, nFileId, nSite);
    CNAError::g_SetInfoNames(&clError, pszTable, pszItem);
    clError.AddDebugMessage(&gstMyModuleInfo39, 28591);
    if (m_pclRecord != nullptr) {
        CXYStringConcat<wchar_t> clRecord;
        m_pclRecord->CurrentRecordToString(&clRecord);
        clError.AddDebugMessageNoFormat(clRecord.pszGet());
    }
    m_pclError->AddError(eType, &clError, pclGetConnectionNoRef());
}
