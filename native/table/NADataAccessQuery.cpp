// CNADataAccess over a query: a query of the host (its parsed form, or SQL text run as written) or
// an internal query of the driver is set up on the access, run, and its result browsed; the
// questions the other operations ask about the query (its kind, its limit, its tables); the next
// operation the host announces; the rebuilding of browses once a transaction ended; and a single
// value read by running a command on the access's own statement.
#include <cwctype>
#include <new>

#include "core/MyModuleInfo.h"
#include "core/STRCompare.h"
#include "core/STRUtil.h"
#include "core/XErrorModule.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NADataSourceDescription.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"
#include "native/sql/SQLParserInfo.h"
#include "native/sql/SQLParserInterfaces.h"
#include "native/statement/NATableCache.h"
#include "native/table/NADataAccess.h"
#include "native/table/NATable.h"

namespace {

// Debug sites of this unit (file 3).
constexpr int SITE_NEXT_OPERATION = 21;
constexpr int SITE_NOT_IN_CODE_PAGE = 26;

constexpr unsigned USER_ERROR_TABLE_CACHE_INCOMPLETE = 55;
constexpr unsigned MESSAGE_TABLE_CACHE_INCOMPLETE = 25667;
constexpr unsigned USER_ERROR_NOT_IN_CODE_PAGE = 77;

// Code pages in which every text can be written.
constexpr unsigned CODEPAGE_ANY = static_cast<unsigned>(-2);
constexpr unsigned CODEPAGE_UTF8 = 65001;

// The mode of the driver's internal queries: run as written, without record or table cache.
constexpr unsigned MODE_INTERNAL = CNADataAccess::QUERYFLAG_AS_WRITTEN | CNADataAccess::QUERYFLAG_NO_CACHE;
// The execution flags of a query run without caches.
constexpr NA_WRITEPARSEFLAGS WPF_WITHOUT_CACHES = CNADataAccess::WPF_SQLCOMMAND_NO_CACHE | CNADataAccess::WPF_NO_CACHE;

// The host's kinds of query whose result is browsed as a selection.
bool _bIsSelection(int32_t nKind) {
    return nKind == CSQLParserInfo::QUERYKIND_SELECT || nKind == 2;
}

// Whether the text holds " JOIN " (in any case) after its first character.
bool _bHasJoin(const wchar_t* pszText) {
    if (pszText == nullptr) return false;
    static const wchar_t s_szJoin[] = L" JOIN ";
    constexpr size_t nJoin = sizeof(s_szJoin) / sizeof(wchar_t) - 1;
    const size_t nLength = wcslen(pszText);
    for (size_t i = 1; i + nJoin <= nLength; i++) {
        size_t j = 0;
        while (j < nJoin && static_cast<wchar_t>(towupper(static_cast<wint_t>(pszText[i + j]))) == s_szJoin[j]) j++;
        if (j == nJoin) return true;
    }
    return false;
}

// A statement the caller holds a reference on, given back on every way out unless handed on.
class CHeldStatement {
public:
    explicit CHeldStatement(CNAStatement* pcl = nullptr) : m_pcl(pcl) {}
    ~CHeldStatement() {
        if (m_pcl != nullptr) m_pcl->nRelease();
    }
    CHeldStatement(const CHeldStatement&) = delete;
    CHeldStatement& operator=(const CHeldStatement&) = delete;
    CNAStatement* pcl() const { return m_pcl; }
    CNAStatement** ppcl() { return &m_pcl; }
    CNAStatement* pclDetach() {
        CNAStatement* pcl = m_pcl;
        m_pcl = nullptr;
        return pcl;
    }

private:
    CNAStatement* m_pcl;
};

// The same for a command.
class CHeldCommand {
public:
    CHeldCommand() = default;
    ~CHeldCommand() {
        if (m_pcl != nullptr) m_pcl->nRelease();
    }
    CHeldCommand(const CHeldCommand&) = delete;
    CHeldCommand& operator=(const CHeldCommand&) = delete;
    CNACommand* pcl() const { return m_pcl; }
    CNACommand** ppcl() { return &m_pcl; }

private:
    CNACommand* m_pcl = nullptr;
};

// User error 77 on the access: the query text cannot be written in the connection's code page.
void _AddErrorNotInCodePage(CNADataAccess* pclAccess, const wchar_t* pszText) {
    CNAConnectionDescription* pclCnx = pclAccess->pclGetConnectionNoRef();
    _CXErrorModule39 clError;
    const wchar_t* pszDatabase = pclCnx->pszGetDataBase();
    const wchar_t* pszDefault = pclCnx->pszGetDefaultDataBase();
    const wchar_t* pszConnection = pclCnx->pszGetLogicalConnectionName();
    clError.SetUserError(&gstMyModuleInfo39, USER_ERROR_NOT_IN_CODE_PAGE, pszDatabase != nullptr ? pszDatabase : L"",
                         pszDefault != nullptr ? pszDefault : L"", pszConnection != nullptr ? pszConnection : L"");
    uint32_t dwCode = USER_ERROR_NOT_IN_CODE_PAGE;
    clError.AddInfo(CXError::EIT_NATIVECODE, &dwCode);
    CNAError::g_AddDebugInfo(&clError, CNAError::FILE_DATAACCESS, SITE_NOT_IN_CODE_PAGE);
    // The text that could not be written leads the debug messages.
    clError.AddDebugMessageNoFormatFirst(pszText != nullptr ? pszText : L"");
    CNAError::g_SetInfoNames(&clError, pclAccess->pszGetLogicalName(), nullptr);
    if (pclAccess->pclGetErrorNoRef() != nullptr)
        pclAccess->pclGetErrorNoRef()->AddError(NA_ERRORTYPE_GENERAL, &clError, pclCnx);
}

}  // namespace

// ---------------------------------------------------------------------------------- running a query

int CNADataAccess::bExecuteQuery(int* pbHasResult, const wchar_t* pszName, ISQLParserInformation* piQuery,
                                 unsigned nMode, const INAQueryExecution* piExecution) {
    // Without a parsed form the host hands the SQL text itself under the query's name.
    const wchar_t* pszText = piQuery != nullptr ? piQuery->pszGetRequete() : pszName;
    return _bExecuteQuery(pbHasResult, pszName, nMode, pszText, piQuery, piExecution);
}

int CNADataAccess::_bExecuteQuery(int* pbHasResult, const wchar_t* pszName, unsigned nMode, const wchar_t* pszText,
                                  ISQLParserInformation* piQuery, const INAQueryExecution* piExecution) {
    int bHasResult = 0;
    if (pbHasResult == nullptr) pbHasResult = &bHasResult;
    *pbHasResult = 0;
    const int bPrepared = (nMode & QUERYFLAG_PREPARE) == 0 && bHPrepareRequeteCalled();
    if (m_pclCnx == nullptr) return 0;
    if (!m_pclCnx->bIsOpen() && !m_pclCnx->bOpen(m_pclError)) return 0;

    CHeldCommand clCommand;
    CTString clItem;
    bool bFirstRecordRead = false;
    if (bPrepared) {
        _RAZPrepare();
    } else {
        if (!_bInitQuery(clCommand.ppcl(), &clItem, pszName, nMode, pszText, piQuery, piExecution)) return 0;
        bFirstRecordRead = clCommand.pcl() == nullptr;
    }
    if (bFirstRecordRead && !bRequeteSansCorrection()) {
        // The build has browsed the result already.
        *pbHasResult = m_piDescription != nullptr && m_piDescription->nGetNumItems() > 0 ? 1 : 0;
        return 1;
    }
    CHeldStatement clStatement;
    if (!_bExecuteQuery(clStatement.ppcl(), clCommand.pcl(), clItem.pszGet(), bPrepared, nMode)) return 0;
    return _bInitQueryParse(pbHasResult, clStatement.pcl(), clItem.pszGet(), nMode);
}

int CNADataAccess::bExecuteQueryInternal(CNAStatement** ppclStatement, const wchar_t* pszName, const wchar_t* pszText) {
    if (ppclStatement != nullptr) *ppclStatement = nullptr;
    if (m_pclCnx == nullptr) return 0;
    if (!m_pclCnx->bIsOpen() && !m_pclCnx->bOpen(m_pclError)) return 0;
    CHeldCommand clCommand;
    CTString clItem;
    if (!_bInitQuery(clCommand.ppcl(), &clItem, pszName, MODE_INTERNAL, pszText, nullptr, nullptr)) return 0;
    CHeldStatement clStatement;
    if (!_bExecuteQuery(clStatement.ppcl(), clCommand.pcl(), clItem.pszGet(), 0, MODE_INTERNAL)) return 0;
    int bHasResult = 0;
    if (!_bInitQueryParse(&bHasResult, clStatement.pcl(), clItem.pszGet(), MODE_INTERNAL)) return 0;
    if (bHasResult && ppclStatement != nullptr) *ppclStatement = clStatement.pclDetach();
    return 1;
}

int CNADataAccess::_bExecuteQuery(CNAStatement** ppclStatement, CNACommand* pclCommand, const wchar_t* pszItem,
                                  int bPrepared, unsigned nMode) {
    *ppclStatement = nullptr;
    CNAStatement* pclStatement = nullptr;
    if (bRequeteSansCorrection() || pszItem == nullptr || pszItem[0] == 0) {
        pclStatement = _pclGetQueryStatement();
    } else {
        pclStatement = _pclGetStatement(pszItem);
        if (pclStatement != nullptr) m_pclCurrentStatement = pclStatement;
    }
    if (pclStatement == nullptr) return 0;
    int bResult;
    if ((nMode & QUERYFLAG_PREPARE) != 0) {
        // Prepared now, run when the host executes it.
        pclStatement->AddRef();
        if (m_pclExecutionStatement != nullptr) m_pclExecutionStatement->nRelease();
        m_pclExecutionStatement = pclStatement;
        bResult = pclStatement->bPrepare(pclCommand, 1);
    } else {
        const NA_WRITEPARSEFLAGS nFlags = (m_nQueryFlags & QUERYFLAG_NO_CACHE) != 0 ? WPF_WITHOUT_CACHES : 0;
        bResult = bPrepared ? pclStatement->bExecutePreparedQuery(nFlags, 1)
                            : pclStatement->bExecuteDirectNewCommand(pclCommand, nFlags, CNAStatement::NA_ST_PREPARE);
    }
    if (!bResult) {
        pclStatement->nRelease();
        return 0;
    }
    *ppclStatement = pclStatement;
    return 1;
}

// ---------------------------------------------------------------------------------- setting the query up

int CNADataAccess::_bSetQuery(int bIsQuery, const wchar_t* pszName, ISQLParserInformation* piQuery, unsigned nMode) {
    (void)pszName;
    // An adapter over the same parsed query outlives the reset.
    CSQLParserInfo* pclKept = nullptr;
    if (piQuery != nullptr && m_pclParsedQuery != nullptr && m_pclParsedQuery->piGetParserNoRef() == piQuery) {
        pclKept = m_pclParsedQuery;
        pclKept->AddRef();
    }
    m_nQuery = bIsQuery ? 1u : 0u;
    _ResetDataAccess();

    if (piQuery != nullptr) {
        if ((nMode & QUERYFLAG_AS_WRITTEN) != 0 && m_pclCnx != nullptr) {
            const unsigned nCodePage = m_pclCnx->nGetCodePage();
            const wchar_t* pszText = piQuery->pszGetRequete();
            if (nCodePage != CODEPAGE_ANY && nCodePage != CODEPAGE_UTF8 &&
                !bAnsiCompatible(pszText != nullptr ? pszText : L"", nCodePage)) {
                if (pclKept != nullptr) pclKept->nRelease();
                _AddErrorNotInCodePage(this, pszText);
                return 0;
            }
        }
        if (pclKept != nullptr) {
            m_pclParsedQuery = pclKept;
        } else {
            INAQueryParametersValue* piValues =
                m_pclTable != nullptr ? m_pclTable->piGetQueryBindVariableNoRef() : nullptr;
            CSQLParserInfo* pclAdapter = new (std::nothrow) CSQLParserInfo(m_pclError, piQuery, piValues, 0);
            if (pclAdapter == nullptr) {
                if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
                return 0;
            }
            pclAdapter->AddRef();
            m_pclParsedQuery = pclAdapter;
        }
    } else {
        if (pclKept != nullptr) pclKept->nRelease();
        nMode |= QUERYFLAG_AS_WRITTEN;
    }

    if (bIsQuery) {
        m_nQueryFlags = nMode;
        if ((nMode & QUERYFLAG_AS_WRITTEN) == 0 && m_pclParsedQuery != nullptr &&
            _bHasJoin(m_pclParsedQuery->pszGetRequete()))
            m_nQueryFlags |= QUERYFLAG_JOIN;
    } else {
        m_nQueryFlags = 0;
    }
    if (m_pclExecutionStatement != nullptr) {
        m_pclExecutionStatement->nRelease();
        m_pclExecutionStatement = nullptr;
    }
    return 1;
}

int CNADataAccess::_bInitQuery(CNACommand** ppclCommand, CTString* pclItem, const wchar_t* pszName, unsigned nMode,
                               const wchar_t* pszText, ISQLParserInformation* piQuery,
                               const INAQueryExecution* piExecution) {
    *ppclCommand = nullptr;
    pclItem->Vide();
    if (!_bSetQuery(1, pszName, piQuery, nMode)) return 0;

    CNADataSourceDescription* pclDescription = _pclAllocDataSource(m_pclCnx);
    if (pclDescription == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
        return 0;
    }
    pclDescription->SetLogicalName(pszName != nullptr ? pszName : L"");
    pclDescription->SetDBName(pszName != nullptr ? pszName : L"");
    pclDescription->ExternalAddRef();
    m_piDescription = pclDescription;

    const int32_t nKind = m_pclParsedQuery != nullptr ? m_pclParsedQuery->nGetQueryKind() : 0;
    if (!bRequeteSansCorrection() && m_pclParsedQuery != nullptr && _bIsSelection(nKind)) {
        // A selection of the host is described by the host and browsed at once.
        if (!pclDescription->bCompleteDescription(m_pclParsedQuery)) return 0;
        if (!_bInitCurrentRecord()) return 0;
        NA_WRITEPARSEFLAGS nFlags;
        CTString clItem;
        if (piExecution != nullptr) {
            nFlags = piExecution->nGetFlags() | WPF_RESUME;
            const wchar_t* pszWanted = piExecution->pszGetRubriqueParcours();
            if (pszWanted != nullptr && pszWanted[0] != 0 &&
                m_pclParsedQuery->piEnumRubriqueOUT(pszWanted) != nullptr) {
                clItem.Set(pszWanted);
            } else {
                nFlags |= WPF_QUERY_ORDER | WPF_RESUME;
                clItem.Set(pszGetBestParseItemName());
            }
        } else {
            nFlags = WPF_QUERY_ORDER;
            clItem.Set(pszGetBestParseItemName());
        }
        const wchar_t* pszItem = _pszOrEmpty(clItem);
        m_bOpened = 1;
        m_clTableCacheItem.Set(pszItem);
        eNA_LOCKTYPE eLockOut = static_cast<eNA_LOCKTYPE>(0);
        const int bRead = bHLitxxx(pszItem, NA_PARSE_FIRST, 1, static_cast<eNA_LOCKTYPE>(1), &eLockOut, nFlags);
        // The description may know the item under another name than the query outputs it.
        INAItemDescription* piItem = piGetItemDescription(pszItem);
        if (piItem != nullptr) {
            const wchar_t* pszDescName = piItem->pszGetName();
            if (pszDescName != nullptr && wcscmp(pszDescName, pszItem) != 0) {
                m_clTableCacheItem.Set(pszDescName);
                _bChangeStatementKey(pszDescName, pszItem, nullptr);
            }
            piItem->nExternalRelease();
        }
        pclItem->Set(pszItem);
        m_bResumeBrowse = 1;
        return bRead;
    }

    CNACommand* pclCommand = pclAllocCommand();
    if (pclCommand == nullptr) return 0;
    pclCommand->SetQueryType(nKind);
    const int bBuilt = m_pclParsedQuery != nullptr
                           ? pclCommand->bFormatCondition(m_pclParsedQuery, nullptr, 1, static_cast<int>(m_nQueryFlags))
                           : pclCommand->bSetInternalQuery(pszText != nullptr ? pszText : L"");
    if (!bBuilt) {
        pclCommand->nRelease();
        return 0;
    }
    *ppclCommand = pclCommand;
    return 1;
}

// ---------------------------------------------------------------------------------- the result

int CNADataAccess::_bInitQueryParse(int* pbHasResult, CNAStatement* pclStatement, const wchar_t* pszItem,
                                    unsigned nMode) {
    *pbHasResult = 0;
    const bool bAsWritten = bRequeteSansCorrection() != 0;
    if ((nMode & QUERYFLAG_PREPARE) == 0 && bHPrepareRequeteCalled()) {
        *pbHasResult = m_piDescription != nullptr && m_piDescription->nGetNumItems() > 0 ? 1 : 0;
    } else {
        auto* pclDescription = dynamic_cast<CNADataSourceDescription*>(m_piDescription);
        if (pclDescription == nullptr || !pclStatement->bGetQueryStructure(pclDescription)) return 0;
        if (pclDescription->nGetNumItems() > 0) {
            *pbHasResult = 1;
            _SetImportedDataSourceDesc(pclDescription);
            if (!bAsWritten || (m_pclCnx != nullptr && m_pclCnx->bGetConnectionSQL())) {
                // The host reads a copy of its own.
                CNADataSourceDescription* pclCopy = pclDescription->pclGetCloneDataSourceDescription(CLONEDESC_NONE);
                if (pclCopy == nullptr) {
                    if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclCnx);
                    return 0;
                }
                pclCopy->ExternalAddRef();
                m_piDescription->nExternalRelease();
                m_piDescription = pclCopy;
                pclStatement->SetDataSource(pclCopy);
                if (!bAsWritten && m_pclParsedQuery != nullptr && !pclCopy->bCompleteDescription(m_pclParsedQuery))
                    return 0;
            }
            if (!_bInitCurrentRecord()) return 0;
            pclStatement->SetCurrentRecord(m_pclRecord);
            m_bCompatible = 1;
            CNACommand* pclCommand = pclStatement->pclGetCommandNoRef();
            if (bAsWritten && pclCommand != nullptr && m_pclRecord != nullptr) {
                const int nColumns = m_pclRecord->nGetNumColumns();
                for (int i = 0; i < nColumns; i++) {
                    CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(i);
                    if (pclColumn != nullptr && !pclColumn->bIsComposedKey()) pclCommand->AddDefine(pclColumn);
                }
            }
        }
        if ((nMode & QUERYFLAG_PREPARE) != 0) return 1;
    }
    if (((pszItem != nullptr && pszItem[0] != 0) || bAsWritten) && *pbHasResult) {
        if (!_bInitParcoursRequete(pclStatement)) return 0;
        m_bOpened = 1;
    } else {
        pclStatement->Close();
    }
    return 1;
}

int CNADataAccess::_bInitParcoursRequete(CNAStatement* pclStatement) {
    m_pclCurrentStatement = pclStatement;
    pclStatement->SetParseStarted();
    if (bRequeteSansCorrection()) {
        // The result is browsed by the best item: its statement is this one.
        const wchar_t* pszBest = pszGetBestParseItemName();
        const wchar_t* pszCurrent = pclStatement->pszGetItemName();
        if (STR_nCompareW(pszBest, pszCurrent != nullptr ? pszCurrent : L"", STR_LOGIQUE) != 0 &&
            !_bChangeStatementKey(pszBest, pclStatement->pszGetKey(), pclStatement)) {
            m_bResumeBrowse = 1;
            return 0;
        }
        // The whole result goes into a table cache that this statement fills.
        pclStatement->EnableCache(1);
        if (!_bCreateNewTableCache()) return 0;
        m_pclTableCache->bSetStatementParse(pclStatement);
    }
    m_bResumeBrowse = 1;
    return 1;
}

// ---------------------------------------------------------------------------------- a single value

int CNADataAccess::_bGetRequestedValue(CAny* pclValue, CNACommand* pclCommand) {
    CNAStatement* pclStatement = _pclGetQueryStatement();
    if (pclStatement == nullptr) return 0;
    const int bResult = _bGetRequestedValue(pclStatement, pclValue, pclCommand);
    // The statement serves the access's moves and writes next: nothing of this command stays on it.
    pclStatement->ResetStatement();
    pclStatement->nRelease();
    return bResult;
}

int CNADataAccess::_bGetRequestedValue(CNAStatement* pclStatement, CAny* pclValue, CNACommand* pclCommand) {
    if (pclStatement == nullptr || pclValue == nullptr || pclCommand == nullptr) return 0;
    if (!pclStatement->bExecuteDirectNewCommand(pclCommand, 0, CNAStatement::NA_ST_PREPARE)) return 0;
    return pclStatement->bGetResultValue(pclValue, 0);
}

// ---------------------------------------------------------------------------------- questions about the query

int CNADataAccess::bSameQuery(ISQLParserInformation* piQuery) {
    if (m_pclParsedQuery == nullptr || piQuery == nullptr) return 0;
    const wchar_t* pszHeld = m_pclParsedQuery->pszGetRequete();
    const wchar_t* pszOther = piQuery->pszGetRequete();
    if (pszHeld == nullptr || pszOther == nullptr) return 0;
    return STR_nCompareW(pszHeld, pszOther, STR_IGNORECASE) == 0 ? 1 : 0;
}

eNAQUERYTYPE CNADataAccess::eSourceQueryType() {
    if (m_pclParsedQuery == nullptr) return NAQUERYTYPE_NONE;
    return CNACommand::eConvertTypeQuery(m_pclParsedQuery->nGetQueryKind());
}

int CNADataAccess::bQueryResultsetLimited() {
    if (m_nQuery == 0 || bRequeteSansCorrection() || m_pclParsedQuery == nullptr) return 0;
    return m_pclParsedQuery->bQueryResultsetLimited(m_pclCnx);
}

int CNADataAccess::bSourceIsQueryOnMultipleTables() {
    return m_nQuery != 0 && m_pclParsedQuery != nullptr && m_pclParsedQuery->nGetFichierFromNbr() > 1 ? 1 : 0;
}

// ---------------------------------------------------------------------------------- the host's next operation

int CNADataAccess::bSetNextOperation(int nOperation) {
    m_nNextOperation = nOperation;
    if (m_pclTableCache == nullptr || nOperation < 1 || nOperation > 3) return 1;
    const bool bFull = m_pclTableCache->pclGetFullCacheNoRef() != nullptr;
    if (nOperation == 2 ? bFull : bFull && m_pclTableCache->bCacheCompleted()) return 1;
    if (m_pclError != nullptr && m_pclError->eGetErrorLevel() == NA_ERRORLEVEL_NOERROR)
        _AddError(NA_ERRORTYPE_GENERAL, SITE_NEXT_OPERATION, nullptr, USER_ERROR_TABLE_CACHE_INCOMPLETE,
                  pszGetLogicalName());
    else if (m_pclError != nullptr)
        m_pclError->AddUserMessageFirst(MESSAGE_TABLE_CACHE_INCOMPLETE);
    return 0;
}

// ---------------------------------------------------------------------------------- end of a transaction

void CNADataAccess::_SetTransactionTermined() {
    // The rows a browse read inside the transaction may be gone: it runs its query again, unless it
    // is already to find its place again.
    unsigned nCursor = 0;
    CNAStatement* pclStatement = nullptr;
    while (m_tabStatement.bParse(&nCursor, &pclStatement, nullptr)) {
        if (pclStatement != nullptr && pclStatement->m_bStarted &&
            pclStatement->eParseNeedUpdate() != CNAStatement::PARSENEEDUPDATE_REPOSITION)
            pclStatement->bSetParseNeedUpdate(CNAStatement::PARSENEEDUPDATE_REBUILD);
    }
}
