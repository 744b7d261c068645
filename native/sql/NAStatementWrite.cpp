// CNAStatement: the SQL of writes. When the host adds, modifies or deletes a record, deletes every
// record of a table, creates a table or drops it, the data access has the statement write the
// INSERT, UPDATE, DELETE, CREATE TABLE or DROP TABLE into its command; every value is a parameter,
// never text. Also here: the rewriting of a CREATE TABLE whose text lengths the server refused.
//
// Every piece of text appended is checked: a DELETE or an UPDATE that lost its WHERE would reach
// every row, and a column list that lost a name would pair the values with the wrong columns.
#include <cwchar>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/ColumnList.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NAItemType.h"
#include "native/model/NAServerTypes.h"
#include "native/model/NARecord.h"
#include "native/model/NAYFRecord.h"
#include "native/statement/NARecordValue.h"
#include "native/statement/NAStatement.h"
#include "native/table/NADataAccess.h"

namespace {

// Debug sites of this unit's failures (file 4, the statement).
constexpr int SITE_WRITE_OVER_SEVERAL_TABLES = 2;
constexpr int SITE_DELETEALL_OVER_QUERY = 3;

// User errors raised here.
constexpr unsigned USER_ERROR_NOT_AVAILABLE = 8;

// The write flags that say who gives an automatic identifier its value: any of them writes the
// column in the INSERT even when the database would fill it.
constexpr NA_WRITEPARSEFLAGS WPF_IDAUTO_ANY = 0x700;

// The interface versions from which a description says whether it supports NULL, and an item
// whether its constraint allows NULL.
constexpr int DATASOURCE_NULL_SUPPORT_VERSION = 6;
constexpr int ITEM_NULL_CONSTRAINT_VERSION = 8;

}  // namespace

// ---------------------------------------------------------------------------------- the head

int CNAStatement::_bBuildQueryStart(CNACommand* pclCommand, eNAQUERYTYPE eType) {
    if (pclCommand == nullptr) return 0;
    pclCommand->ResetCommand(0);
    _SetQuery(pclCommand);
    const wchar_t* pszHead;
    switch (eType) {
        case NAQUERYTYPE_INSERT:
            pszHead = L"INSERT INTO ";
            break;
        case NAQUERYTYPE_DELETE:
            pszHead = L"DELETE FROM ";
            break;
        case NAQUERYTYPE_UPDATE:
            pszHead = L"UPDATE ";
            break;
        default:
            return 0;
    }
    if (!pclCommand->bComplete(pszHead)) return _bTextKept(pclCommand, 0);
    pclCommand->SetNAQueryType(eType);
    if (!_bSourceIsQuery()) return _bTextKept(pclCommand, pclCommand->bComplete(_pszGetDBTableName()));
    // Over a host query the write goes to the table the query reads, which must be one.
    if (m_pclDataAccess != nullptr && m_pclDataAccess->bSourceIsQueryOnMultipleTables()) {
        _AddError(NA_ERRORTYPE_NOTAVAILABLE, SITE_WRITE_OVER_SEVERAL_TABLES, _pszGetLogicalName(),
                  m_clItemName.pszGet(), USER_ERROR_NOT_AVAILABLE);
        return 0;
    }
    INADataSourceDescription* piDescription =
        m_pclDataAccess != nullptr ? m_pclDataAccess->piGetDataSourceDescriptionNoRef() : nullptr;
    INAItemDescription* piItem = piDescription != nullptr ? piDescription->piNAGetItem(0u) : nullptr;
    CTString clTable;
    if (m_pclDataAccess != nullptr) m_pclDataAccess->_GetDBSourceName(piItem, &clTable, 1);
    if (piItem != nullptr) piItem->nExternalRelease();
    return _bTextKept(pclCommand, pclCommand->bComplete(clTable.pszGet()));
}

const wchar_t* CNAStatement::pszGetTableName() const {
    return _pszGetDBTableName();
}

// ---------------------------------------------------------------------------------- INSERT and UPDATE

int CNAStatement::bBuildQueryINSERT(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags) {
    return _bBuildQueryInsertUpdate(pclCommand, NAQUERYTYPE_INSERT, static_cast<int>(nFlags));
}

int CNAStatement::bBuildQueryUPDATE(CNACommand* pclCommand, NA_WRITEPARSEFLAGS nFlags) {
    return _bBuildQueryInsertUpdate(pclCommand, NAQUERYTYPE_UPDATE, static_cast<int>(nFlags));
}

int CNAStatement::_bBuildQueryInsertUpdate(CNACommand* pclCommand, eNAQUERYTYPE eType, int nFlags) {
    m_tabReturned.SupprimeTout();
    m_bReturnedLocator = 0;
    if (!_bBuildQueryStart(pclCommand, eType)) return 0;
    CNACommand* pclValues = _pclAllocCommand();
    if (pclValues == nullptr) {
        pclCommand->ResetCommand(0);
        return 0;
    }
    CColumnList clNames;
    if (!_bBuildColumnList(&clNames, pclValues, eType, static_cast<unsigned>(nFlags))) {
        pclCommand->ResetCommand(0);
        pclValues->nRelease();
        return 0;
    }
    int bResult = 0;
    if (clNames.nGetCount() == 0) {
        if (eType == NAQUERYTYPE_UPDATE) {
            // Nothing modified: an empty command, which the statement does not run.
            pclCommand->ResetCommand(0);
            pclValues->nRelease();
            return 1;
        }
        // Every column takes its default. The identifier the server gives the row is returned as
        // for any other insert: the statement reads the new identifier from the INSERT's own result.
        if (eType == NAQUERYTYPE_INSERT) bResult = pclCommand->bComplete(L"VALUES ( DEFAULT )");
    } else if (eType == NAQUERYTYPE_INSERT) {
        bResult = pclCommand->bComplete(L" (") && pclCommand->bComplete(clNames.pszGet()) &&
                  pclCommand->bComplete(_bWritesIdentityValue(static_cast<unsigned>(nFlags))
                                            ? L") OVERRIDING SYSTEM VALUE VALUES ( "
                                            : L") VALUES ( ") &&
                  pclCommand->bAdd(pclValues, CNACommand::ADDMODE_SHARE) && pclCommand->bComplete(L" )");
    } else if (eType == NAQUERYTYPE_UPDATE) {
        bResult = pclCommand->bComplete(L" SET ") && pclCommand->bAdd(pclValues, CNACommand::ADDMODE_SHARE) &&
                  _bAddWHERERowToWrite(pclCommand);
    }
    pclValues->nRelease();
    bResult = _bTextKept(pclCommand, bResult);
    // An UPDATE left without its WHERE would reach every row if it were run all the same.
    if (!bResult) pclCommand->ResetCommand(0);
    CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
    if (bResult && pclCnx != nullptr && pclCnx->bSupportInsertReturning())
        bResult = _bAddClauseReturning(eType, nFlags);
    return bResult;
}

int CNAStatement::_bBuildColumnList(CColumnList* pclList, CNACommand* pclValues, eNAQUERYTYPE eType,
                                    unsigned int nFlags) {
    if (m_pclRecord == nullptr || pclList == nullptr || pclValues == nullptr) return 0;
    CNAYFRecord* pclImage = m_pclRecord->pclGetNAYFRecord();
    const bool bQuery = _bSourceIsQuery();
    // The length the names must give: a list that lost one to memory would pair the values with
    // the wrong columns.
    size_t nListLength = wcslen(pclList->pszGet());
    auto Add = [&](CNAColumn* pclColumn) {
        const wchar_t* pszName = bQuery ? pclColumn->pszGetFormatedOriginalName() : pclColumn->pszGetFormatedName();
        if (pszName == nullptr) pszName = L"";
        if (pclList->nGetCount() > 0) nListLength++;
        nListLength += wcslen(pszName);
        pclList->AddColumn(pszName);
        if (pclList->nGetCount() > 1 && !pclValues->bComplete(L", ")) return 0;
        if (eType == NAQUERYTYPE_UPDATE && (!pclValues->bComplete(pszName) || !pclValues->bComplete(L" = "))) return 0;
        return _bAddColumnValue(pclValues, pclColumn, eType, nFlags);
    };

    int bResult = 1;
    const int nColumns = m_pclRecord->nGetNumColumns();
    for (int i = 0; i < nColumns && bResult; i++) {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(i);
        if (pclColumn->bIsComposedKey()) break;
        if (_bNeedToUpdate(pclColumn, eType, nFlags)) bResult = Add(pclColumn);
        if (pclImage != nullptr)
            pclImage->SetItemValueDefined(pclColumn->piGetItemNoRef(), pclColumn->bValueDefined(), 0);
    }
    // An INSERT that names no column still writes the first one that can take a value, whatever
    // its kind.
    if (bResult && pclList->nGetCount() == 0 && eType == NAQUERYTYPE_INSERT) {
        for (int i = 0; i < nColumns; i++) {
            CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(i);
            if (pclColumn->bIsComposedKey()) break;
            if (pclColumn->bIsIdAuto() || !pclColumn->bUpdatable()) continue;
            bResult = Add(pclColumn);
            break;
        }
    }
    if (bResult && wcslen(pclList->pszGet()) != nListLength) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
        bResult = 0;
    }
    return _bTextKept(pclValues, bResult);
}

int CNAStatement::_bWritesIdentityValue(unsigned int nFlags) {
    // An identity column declared GENERATED ALWAYS takes a value of the client's only when the
    // INSERT says so; a serial or BY DEFAULT column takes it either way.
    CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
    CNAColumn* pclIdAuto = m_pclRecord != nullptr ? m_pclRecord->pclGetColumnIDAutoNoRef() : nullptr;
    return pclCnx != nullptr && pclCnx->eGetDataSource() == DATASOURCE_POSTGRESQL &&
           pclCnx->nGetServerMajorVersion() >= 10 && pclIdAuto != nullptr && !_bSourceIsQuery() &&
           _bNeedToUpdate(pclIdAuto, NAQUERYTYPE_INSERT, nFlags) && pclIdAuto->bIsAutoIncrementOnDataBase();
}

int CNAStatement::_bNeedToUpdate(CNAColumn* pclColumn, eNAQUERYTYPE eType, unsigned int nFlags) {
    // A computed column of a query has no column of its own on the server.
    if (pclColumn->eGetTypeColonne() != 0) return 0;
    if (pclColumn->bIsIdAuto()) {
        if (eType != NAQUERYTYPE_INSERT && !pclColumn->bValueModified()) return 0;
        if (nFlags & WPF_IDAUTO_ANY) return 1;
        return pclColumn->bIsAutoIncrementOnDataBase() ? 0 : 1;
    }
    if (!pclColumn->bUpdatable()) return 0;
    if (eType == NAQUERYTYPE_UPDATE) return pclColumn->bValueModified() ? 1 : 0;
    return eType == NAQUERYTYPE_INSERT ? 1 : 0;
}

int CNAStatement::_bAddClauseReturning(eNAQUERYTYPE eType, int nFlags) {
    if (m_pclRecord == nullptr || m_pclCommand == nullptr) return 1;
    if (_bSourceIsQuery()) {
        if (eType != NAQUERYTYPE_INSERT) return 1;
        CNAColumn* pclIdAuto = m_pclRecord->pclGetColumnIDAutoNoRef();
        if (pclIdAuto == nullptr) return 1;
        return _bTextKept(m_pclCommand, m_pclCommand->bAddReturning(pclIdAuto->pszGetFormatedName()));
    }
    if (eType != NAQUERYTYPE_INSERT && eType != NAQUERYTYPE_UPDATE) return 1;
    // The row as the server stored it: defaults, identifiers, generated columns and what its
    // triggers changed. A memo the write left alone is not sent back: the record holds it already.
    CXYStringConcat<wchar_t> clList(256);
    bool bNoMemory = false;
    for (int i = 0; i < m_pclRecord->nGetNumColumns(); i++) {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(i);
        if (pclColumn->bIsComposedKey()) break;
        if (pclColumn->bIsMemo() && !_bNeedToUpdate(pclColumn, eType, static_cast<unsigned>(nFlags))) continue;
        if (m_tabReturned.nGetNbElement() > 0) clList.Add(L", ");
        clList.Add(pclColumn->pszGetFormatedName());
        // Read back as the browse reads it: a money column's own text follows lc_monetary.
        const wchar_t* pszReadAs =
            pclColumn->eGetTypeColonne() == 0 ? NA_pszServerTypeReadAs(pclColumn->nGetDBType()) : nullptr;
        if (pszReadAs != nullptr) {
            clList.Add(L"::");
            clList.Add(pszReadAs);
        }
        const int n = m_tabReturned.nGetNbElement();
        m_tabReturned.Ajoute(pclColumn);
        if (m_tabReturned.nGetNbElement() == n) bNoMemory = true;
    }
    if (m_tabReturned.nGetNbElement() == 0) return 1;
    if (_bDesignatesByRowLocator()) {
        clList.Add(L", ctid, xmin");
        m_bReturnedLocator = 1;
    }
    if (bNoMemory || clList.bIsInError()) {
        m_bReturnedLocator = 0;
        m_tabReturned.SupprimeTout();
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
        return 0;
    }
    return _bTextKept(m_pclCommand, m_pclCommand->bAddReturning(clList.pszGet()));
}

// ---------------------------------------------------------------------------------- the row written

int CNAStatement::_bDesignatesByRowLocator() {
    if (m_pclRecord == nullptr || _bSourceIsQuery()) return 0;
    CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
    if (pclCnx == nullptr || pclCnx->eGetDataSource() != DATASOURCE_POSTGRESQL) return 0;
    // A unique key that cannot hold NULL designates one row by its values.
    for (int i = 0; i < m_pclRecord->nGetNumColumns(); i++)
        if (m_pclRecord->pclGetColumnNoRef(i)->bUniqueNotNull()) return 0;
    return m_pclDataAccess != nullptr && m_pclDataAccess->bRowLocatorAvailable();
}

int CNAStatement::_nRowLocatorIndex() const {
    const CRefArray<CNAColumn>* ptabMemos = m_pclRecord != nullptr ? m_pclRecord->pclGetTabColumnMemo() : nullptr;
    return ptabMemos != nullptr ? ptabMemos->nGetNbElement() : 0;
}

int CNAStatement::_bAddWHERERowToWrite(CNACommand* pclCommand) {
    if (pclCommand == nullptr) return 0;
    const CNARecordValue* pclLatest =
        m_pclRecord != nullptr && m_pclRecord->bOriginalExists() ? m_pclRecord->pclGetOriginalRecordValueNoRef() : nullptr;
    if (pclLatest != nullptr && _bDesignatesByRowLocator()) {
        const int n = _nRowLocatorIndex();
        CNAConvertVariant* pclCtid = pclLatest->pclGetMemoValueNoRef(n);
        CNAConvertVariant* pclXmin = pclLatest->pclGetMemoValueNoRef(n + 1);
        if (pclCtid != nullptr && pclXmin != nullptr && !pclCtid->bIsNull() && !pclXmin->bIsNull()) {
            const int bResult =
                pclCommand->bComplete(L" WHERE ctid=") &&
                pclCommand->bAddParameter(pclCtid, OPEXPRESSION_NONE, 0, nullptr, nullptr, 0, CNAParameter::NAPARAM_IN) &&
                pclCommand->bComplete(L" AND xmin=") &&
                pclCommand->bAddParameter(pclXmin, OPEXPRESSION_NONE, 0, nullptr, nullptr, 0, CNAParameter::NAPARAM_IN);
            return _bTextKept(pclCommand, bResult);
        }
    }
    return _bAddWHERELatestRead(pclCommand, 1, nullptr);
}

// ---------------------------------------------------------------------------------- DELETE

int CNAStatement::bBuildQueryDELETE(CNACommand* pclCommand, NA_WRITEPARSEFLAGS) {
    m_tabReturned.SupprimeTout();
    m_bReturnedLocator = 0;
    if (!_bBuildQueryStart(pclCommand, NAQUERYTYPE_DELETE)) return 0;
    if (_bAddWHERERowToWrite(pclCommand)) return 1;
    // Without its WHERE the text would delete every row if it were run all the same.
    pclCommand->ResetCommand(0);
    return 0;
}

int CNAStatement::bBuildQueryDELETEALL(CNACommand* pclCommand, NA_WRITEPARSEFLAGS) {
    if (_bSourceIsQuery()) {
        _AddError(NA_ERRORTYPE_NOTAVAILABLE, SITE_DELETEALL_OVER_QUERY, _pszGetLogicalName(), m_clItemName.pszGet(),
                  USER_ERROR_NOT_AVAILABLE);
        return 0;
    }
    return _bBuildQueryStart(pclCommand, NAQUERYTYPE_DELETE);
}

// ---------------------------------------------------------------------------------- CREATE TABLE and DROP

int CNAStatement::bBuildQueryCREATE(CNACommand* pclCommand) {
    if (pclCommand == nullptr) return 0;
    int bText = pclCommand->bComplete(L"CREATE TABLE ") && pclCommand->bComplete(_pszGetDBTableName()) &&
                pclCommand->bComplete(L"( ");
    int bLast = 1;
    bool bFirst = true;
    CXYStringConcat<wchar_t> clDefinition(256);
    for (int i = 0; bText && bLast && m_pclRecord != nullptr && i < m_pclRecord->nGetNumColumns(); i++) {
        CNAColumn* pclColumn = m_pclRecord->pclGetColumnNoRef(i);
        // Composite keys are indexes over the other columns, made once the table exists.
        if (pclColumn->bIsComposedKey()) continue;
        if (!bFirst) bText = pclCommand->bComplete(L", ");
        bFirst = false;
        bLast = _bBuildSubQueryCREATEColumn(pclColumn, &clDefinition);
        if (bText) bText = pclCommand->bComplete(clDefinition.pszGet());
    }
    if (bText) bText = pclCommand->bComplete(L" )");
    return _bTextKept(pclCommand, bText && bLast);
}

int CNAStatement::_bBuildSubQueryCREATEColumn(CNAColumn* pclColumn, CXYStringConcat<wchar_t>* pclOut) {
    pclOut->Vide();
    CTString clType, clConstraint;
    if (!_bGetNativeDataType(pclColumn, &clType) || !_bGetNativeConstraint(pclColumn, &clConstraint)) return 0;
    pclOut->Add(pclColumn->pszGetFormatedName());
    pclOut->Add(L" ");
    pclOut->Add(clType.pszGet());
    const wchar_t* pszConstraint = clConstraint.pszGet();
    if (pszConstraint != nullptr && pszConstraint[0] != 0) {
        pclOut->Add(L" ");
        pclOut->Add(pszConstraint);
    }
    if (pclOut->bIsInError()) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
        return 0;
    }
    return 1;
}

int CNAStatement::_bGetNativeDataType(CNAColumn* pclColumn, CTString* pclOut) {
    CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
    if (pclCnx == nullptr) return 0;
    return pclCnx->bGetMatchingSQLType(m_pclError, pclColumn->piGetItemNoRef(), pclOut);
}

int CNAStatement::_bGetNativeConstraint(CNAColumn* pclColumn, CTString* pclOut) {
    pclOut->Vide();
    INAItemDescription* piItem = pclColumn->piGetItemNoRef();
    if (piItem->bPrimary() || g_bIsIdAuto(piItem->eNAGetItemType())) {
        pclOut->Set(L" PRIMARY KEY ");
        return 1;
    }
    if (piItem->bUnique()) pclOut->Add(L" UNIQUE ");
    const bool bNullKnown = m_piDataSource != nullptr &&
                            m_piDataSource->nGetVersion() >= DATASOURCE_NULL_SUPPORT_VERSION &&
                            m_piDataSource->bGetNullSupported();
    if (bNullKnown && piItem->nGetVersion() > ITEM_NULL_CONSTRAINT_VERSION && !piItem->vbConstraintNullAllowed())
        pclOut->Add(L" NOT NULL ");
    return 1;
}

int CNAStatement::bBuildQueryDROPTABLE(CNACommand* pclCommand) {
    if (pclCommand == nullptr) return 0;
    int bText = pclCommand->bComplete(L"DROP TABLE ") && pclCommand->bComplete(_pszGetDBTableName());
    CNAConnectionDescription* pclCnx = pclGetConnectionNoRef();
    if (bText && pclCnx != nullptr && pclCnx->eGetDataSource() == 1)
        bText = pclCommand->bComplete(L" CASCADE CONSTRAINT");
    return _bTextKept(pclCommand, bText);
}

// ---------------------------------------------------------------------------------- lengths the server refused

int CNAStatement::bQueryCREATE_AutoCorrectVarcharMax(CXYStringConcat<wchar_t>* pclOut, const wchar_t* pszSQL,
                                                     const wchar_t* pszType, int nMax, const wchar_t* pszReplacement) {
    pclOut->Vide();
    // A server without a limit (a maximum of -1) takes any length: there is nothing to replace,
    // and the failure of the text stands.
    if (nMax < 0 || pszSQL == nullptr || pszType == nullptr || pszType[0] == 0) return 0;
    CTString clPattern;
    clPattern.Set(pszType);
    clPattern.Add(L"(");
    const wchar_t* pszPattern = clPattern.pszGet();
    const size_t nPattern = wcslen(pszPattern);
    const size_t nSQL = wcslen(pszSQL);
    size_t nCopied = 0;
    bool bReplaced = false;
    const wchar_t* pszFound = wcsstr(pszSQL, pszPattern);
    while (pszFound != nullptr) {
        const size_t nAt = static_cast<size_t>(pszFound - pszSQL);
        size_t nDigits = nAt + nPattern;
        long long llLength = 0;
        for (; pszSQL[nDigits] >= L'0' && pszSQL[nDigits] <= L'9'; nDigits++)
            if (llLength <= nMax) llLength = llLength * 10 + (pszSQL[nDigits] - L'0');
        if (llLength > nMax) {
            pclOut->Add(pszSQL + nCopied, static_cast<long>(nAt - nCopied));
            if (pszReplacement != nullptr) pclOut->Add(pszReplacement);
            // The character after the length (its closing parenthesis) goes with it.
            nCopied = nDigits < nSQL ? nDigits + 1 : nSQL;
            bReplaced = true;
        }
        pszFound = wcsstr(pszSQL + nDigits, pszPattern);
    }
    if (!bReplaced) return 0;
    pclOut->Add(pszSQL + nCopied, static_cast<long>(nSQL - nCopied));
    if (pclOut->bIsInError()) {
        pclOut->Vide();
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(pclGetConnectionNoRef());
        return 0;
    }
    return 1;
}
