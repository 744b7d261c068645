// CNACommand and the host's parsed queries: the parsed query the command keeps, its text copied
// with its filled values as parameters, the end of the query after its ORDER BY, the refresh of
// host-variable parameters, the places of its clauses, its FROM tables, and the names of its
// tables and items as the server knows them.
#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "core/STRCompare.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/DriverServices.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NAItemType.h"
#include "native/sql/NACommand.h"
#include "native/sql/SQLParserInfo.h"
#include "variant/Any.h"

namespace {

bool _bEmpty(const wchar_t* psz) {
    return psz == nullptr || *psz == 0;
}

bool _bNarrowText(unsigned short n) {
    return n == 17 || n == 18 || n == 19 || (n >= 21 && n <= 23) || n == 134;
}

bool _bWideText(unsigned short n) {
    return n == 16 || n == 20 || n == 81 || n == 110;
}

// A description's name as a table name of the server: its database name, else its logical name.
const wchar_t* _pszSourceName(INADataSourceDescription* piSource) {
    const wchar_t* psz = piSource->pszGetDBTableName();
    return !_bEmpty(psz) ? psz : piSource->pszGetLogicalName();
}

// An item reference or a value of the host's table of filled values (its index there).
struct stEntry {
    int nIndex;
    bool bItem;
    long nPosition;
    long nLength;
};

}  // namespace

// ---------------------------------------------------------------------------------- helpers

int CNACommand::_bCopyText(CTStringConcatAW* pclOut, const wchar_t* pszText, unsigned long* pnPosition,
                           unsigned long nTo) {
    if (pszText == nullptr || nTo <= *pnPosition) return 1;
    // Never past the text's end: positions come from the host.
    if (wcsnlen(pszText, *pnPosition) < *pnPosition) return 1;
    const size_t n = wcsnlen(pszText + *pnPosition, nTo - *pnPosition);
    if (n > 0) pclOut->Add(pszText + *pnPosition, static_cast<long>(n));
    *pnPosition += n;
    return pclOut->bIsInError() ? 0 : 1;
}

INAItemDescription* CNACommand::_piGetNodeItemDescription(CSQLParserInfo* pclParser, IExpOpExpression* piNode) {
    ISQLParserInformation* piParser = pclParser != nullptr ? pclParser->piGetParserNoRef() : nullptr;
    if (piParser == nullptr || piNode == nullptr) return nullptr;
    try {
        return piParser->piGetItemDescription(piNode->pszGetNomRubrique(), piNode->pszGetNomFichier());
    } catch (...) {
        return nullptr;
    }
}

void CNACommand::_RaiseUserError(int nSite, unsigned nCode, const wchar_t* pszArgument) {
    if (m_pclError == nullptr) return;
    m_pclError->AddError(NA_ERRORTYPE_GENERAL, CNAError::FILE_COMMAND, nSite, m_pclConnection, nCode,
                         pszArgument != nullptr ? pszArgument : L"");
}

// ---------------------------------------------------------------------------------- the parsed query

void CNACommand::_SetSQLParserInfo(CSQLParserInfo* pclParser) {
    if (pclParser != nullptr) pclParser->AddRef();
    if (m_pclParserInfo != nullptr) m_pclParserInfo->nRelease();
    m_pclParserInfo = pclParser;
    if (pclParser == nullptr) return;
    if (m_bParsedQuery) {
        if (s_bIsQuerySet(pclParser->pszGetRequete())) m_eQueryType = NAQUERYTYPE_SET;
    } else if (m_eQueryType == NAQUERYTYPE_NONE) {
        m_eQueryType = eConvertTypeQuery(pclParser->nGetQueryKind());
    }
}

int CNACommand::bFormatEndOfQuery() {
    if (m_pclParserInfo == nullptr || m_bParsedQuery) return 1;
    const wchar_t* pszText = m_pclParserInfo->pszGetRequete();
    const long nEnd = m_pclParserInfo->nGetFinOrderBy();
    if (pszText == nullptr || nEnd < 1 || static_cast<size_t>(nEnd + 1) >= wcslen(pszText)) return 1;
    return bComplete(pszText + nEnd + 1);
}

int CNACommand::bComplete(ISQLParserInformation* piParser) {
    if (piParser == nullptr) return 1;
    return _bAddClause(piParser->pclGetTabValParser(), piParser->pszGetRequete(), piParser, 1);
}

int CNACommand::_bAddClause(CTabValParser* pclValues, const wchar_t* pszText, ISQLParserInformation* piParser,
                            int bFormatItems) {
    unsigned long nPosition = 0;
    return _bAddClause(pclValues, pszText, piParser, bFormatItems, &nPosition);
}

int CNACommand::_bAddClause(CTabValParser* pclValues, const wchar_t* pszText, ISQLParserInformation* piParser,
                            int bFormatItems, unsigned long* pnPosition) {
    if (_bEmpty(pszText)) return 1;
    unsigned long nLocal = 0;
    if (pnPosition == nullptr) pnPosition = &nLocal;
    const unsigned long nLength = wcslen(pszText);

    // Items and values merged in text order; the places already copied are left.
    const int nItems = pclValues != nullptr ? pclValues->nGetNbRubrique() : 0;
    const int nValues = pclValues != nullptr ? pclValues->nGetNbValue() : 0;
    CTTableau<stEntry> tabEntries(16, 30);
    for (int i = 0, j = 0; i < nItems || j < nValues;) {
        const bool bItem =
            j >= nValues || (i < nItems && pclValues->nGetRubriquePosition(i) <= pclValues->nGetPosition(j));
        const stEntry st = bItem ? stEntry{i, true, pclValues->nGetRubriquePosition(i), pclValues->nGetRubriqueLength(i)}
                                 : stEntry{j, false, pclValues->nGetPosition(j), pclValues->nGetLength(j)};
        if (bItem)
            i++;
        else
            j++;
        if (st.nPosition < 0 || static_cast<unsigned long>(st.nPosition) < *pnPosition) continue;
        tabEntries.Ajoute(st);
    }

    auto AddValue = [&](const stEntry& st) {
        return bAddParameter(pclValues->pclGetValue(st.nIndex), OPEXPRESSION_NONE, pclValues->dwGetFlags(st.nIndex),
                             nullptr, 0, CNAParameter::NAPARAM_IN)
                   ? pclGetParameterNoRef(static_cast<unsigned>(nGetParameterNbr() - 1))
                   : nullptr;
    };
    int bResult = 1;
    CNAParameter* pclPending = nullptr;  // the parameter of the value that follows an item
    for (int k = 0; k < tabEntries.nGetNbElement() && bResult; k++) {
        const stEntry st = tabEntries[k];
        const unsigned long nAt = static_cast<unsigned long>(st.nPosition);
        const unsigned long nAfter = std::min(nLength, nAt + static_cast<unsigned long>(std::max(0L, st.nLength)));
        if (!st.bItem) {
            CNAParameter* pclParameter = pclPending != nullptr ? pclPending : AddValue(st);
            pclPending = nullptr;
            if (pclParameter == nullptr) return 0;
            bResult = _bCopyText(&m_clSQL, pszText, pnPosition, nAt);
            pclParameter->SetPosition(m_clSQL.nGetLongueurW());
            *pnPosition = std::max(*pnPosition, nAfter);
            continue;
        }
        // An item is written with the parameter of the value that comes before the next item.
        if (k + 1 < tabEntries.nGetNbElement() && !tabEntries[k + 1].bItem) {
            pclPending = AddValue(tabEntries[k + 1]);
            if (pclPending == nullptr) return 0;
        }
        bResult = _bCopyText(&m_clSQL, pszText, pnPosition, nAt);
        *pnPosition = std::max(*pnPosition, nAfter);
        const wchar_t* pszTable = pclValues->pszGetRubriqueTable(st.nIndex);
        const wchar_t* pszItem = pclValues->pszGetRubrique(st.nIndex);
        CTString clItem(pszItem);
        if (bFormatItems) {
            _FormatItemNameInWHEREClause(piParser, pszTable, &clItem, pclPending);
        } else {
            CTString clTable, clName;
            _FormatTableName(pszTable, &clTable);
            _FormatItemName(pszItem, &clName);
            clItem.Vide();
            if (clTable.nTaille() > 0) {
                clItem.Add(clTable.pszGet());
                clItem.Add(L'.');
            }
            clItem.Add(clName.pszGet());
        }
        m_clSQL.Add(clItem);
    }
    if (bResult) bResult = _bCopyText(&m_clSQL, pszText, pnPosition, nLength);
    return bResult && !m_clSQL.bIsInError() ? 1 : 0;
}

// ---------------------------------------------------------------------------------- host variables

int CNACommand::_bUpdateParameterValue(CNAParameter* pclParameter) {
    INAQueryParametersValue* piValues =
        m_pclParserInfo != nullptr ? m_pclParserInfo->piGetUserBindVariable() : nullptr;
    if (piValues == nullptr) return 1;
    const int bResult = _bUpdateParameterValue(piValues, pclParameter);
    piValues->nRelease();
    return bResult;
}

int CNACommand::_bUpdateParameterValue(INAQueryParametersValue* piValues, CNAParameter* pclParameter) {
    CNAConvertVariant* pclValue = pclParameter != nullptr ? pclParameter->pclGetValueNoRef() : nullptr;
    if (pclValue == nullptr || piValues == nullptr) return 1;
    if (pclParameter->nGetMode() != 0) {
        // The host fills this one itself (an output): it is only marked as a parameter.
        pclValue->SetParameter(1);
        return 1;
    }
    if (pclParameter->nGetFlags() & CNAParameter::NAPARAM_FLAG_CURSOR) return 1;
    const CAny* pclHost = piValues->pclGetValeur(pclParameter->pszGetName());
    if (pclHost == nullptr || pclHost->nGetTypeCode() == 0) return 1;
    const unsigned short nHost = pclHost->nGetTypeCode();
    const unsigned short nOwn = pclValue->pclGetValue()->nGetTypeCode();
    if (nHost != nOwn && !(_bNarrowText(nHost) && _bNarrowText(nOwn)) && !(_bWideText(nHost) && _bWideText(nOwn)))
        pclValue->vbChangeVQType(nHost, 0);
    pclValue->bSetValue(pclHost);
    return 1;
}

int CNACommand::bUpdateParametersValues() {
    if (nGetParameterNbr() == 0 || m_pclParserInfo == nullptr) return 1;
    INAQueryParametersValue* piValues = m_pclParserInfo->piGetUserBindVariable();
    if (piValues == nullptr) return 1;
    int bResult = 1;
    for (int i = 0; i < nGetParameterNbr() && bResult; i++) {
        CNAParameter* pcl = m_tabParameters[i];
        if (pcl->nGetFlags() & CNAParameter::NAPARAM_FLAG_USER) bResult = _bUpdateParameterValue(piValues, pcl);
    }
    piValues->nRelease();
    return bResult;
}

// ---------------------------------------------------------------------------------- clause positions

int CNACommand::_bGetClausePos(unsigned long* pnStart, unsigned long* pnStop, CSQLParserInfo* pclParser,
                               CNASqlElt::eSQLELT eKind) {
    const wchar_t* pszText = pclParser != nullptr ? pclParser->pszGetRequete() : nullptr;
    *pnStart = *pnStop = 0;
    if (pszText == nullptr) return 0;
    stClausePositions st;
    st.nLength = static_cast<long>(wcslen(pszText));
    st.nFromStart = st.nFromStop = st.nWhereStart = st.nWhereStop = -1;
    st.nGroupByStart = st.nGroupByStop = st.nHavingStart = st.nHavingStop = st.nOrderByStart = -1;

    const int nFrom = pclParser->nGetFichierFromNbr();
    if (nFrom > 0) {
        const long nFirst = pclParser->piGetFichierFrom(0)->stGetPosition().nDebut;
        const long nKeyword = s_nGetClauseStart(m_pclConnection, pszText, L"FROM", nFirst - 1);
        st.nFromStart = nKeyword >= 0 ? nKeyword : nFirst;
        st.nFromStop = pclParser->piGetFichierFrom(nFrom - 1)->stGetPosition().nFin;
    }
    if (pclParser->nGetDebutWhere() > 0) {
        st.nWhereStart = pclParser->nGetDebutWhere();
        st.nWhereStop = pclParser->nGetFinWhere();
    }
    const int nGroups = pclParser->nGetRubriqueClauseGroupeNbr();
    if (nGroups > 0) {
        const long nFirst = pclParser->piGetRubriqueClauseGroupe(0)->stGetPosition().nDebut;
        const long nKeyword = s_nGetClauseStart(m_pclConnection, pszText, L"GROUP", nFirst - 1);
        st.nGroupByStart = nKeyword >= 0 ? nKeyword : nFirst;
        st.nGroupByStop = pclParser->piGetRubriqueClauseGroupe(nGroups - 1)->stGetPosition().nFin;
    }
    if (pclParser->nGetDebutHaving() > 0) {
        st.nHavingStart = pclParser->nGetDebutHaving();
        st.nHavingStop = pclParser->nGetFinHaving();
    }
    if (pclParser->nGetDebutOrderBy() > 0) st.nOrderByStart = pclParser->nGetDebutOrderBy();
    s_GetClausePos(st, eKind, pnStart, pnStop);
    return 1;
}

unsigned long CNACommand::_nGetClauseStart(CSQLParserInfo* pclParser, CNASqlElt::eSQLELT eKind) {
    unsigned long nStart, nStop;
    _bGetClausePos(&nStart, &nStop, pclParser, eKind);
    return nStart;
}

unsigned long CNACommand::_nGetClauseStop(CSQLParserInfo* pclParser, CNASqlElt::eSQLELT eKind) {
    unsigned long nStart, nStop;
    _bGetClausePos(&nStart, &nStop, pclParser, eKind);
    return nStop;
}

// ---------------------------------------------------------------------------------- expressions

stPosition CNACommand::_stGetPositionExpression(IExpOpExpression* piExpression) {
    if (piExpression == nullptr) return stPosition{0, 0};
    const int eOperator = piExpression->eGetOperateur();
    // Literals and items: their own span.
    if (eOperator == OPEXPRESSION_LITERAL || eOperator == OPEXPRESSION_LITERAL_OTHER || eOperator == OPEXPRESSION_ITEM)
        return piExpression->stGetPositionValeur();
    const stPosition st = piExpression->stGetPosition();
    return !bNoSpan(st) ? st : piExpression->stGetPositionValeur();
}

int CNACommand::_bLastOperande(IExpOpExpression* piFunction, unsigned nArgument) {
    if (piFunction == nullptr) return 0;
    int nCursor = 0;
    unsigned n = 0;
    while (piFunction->piGetOperandeSuivant(&nCursor) != nullptr) n++;
    return n > 0 && nArgument == n - 1 ? 1 : 0;
}

eNA_ITEMTYPE CNACommand::_eTypeParameter(CNASqlElt::eSQLELT eKind, IExpOpExpression* piFunction, unsigned nArgument,
                                         eNA_ITEMTYPE eType, INAItemDescription** ppiItem) {
    INAItemDescription* piItem = ppiItem != nullptr ? *ppiItem : nullptr;
    const int eOperator = piFunction != nullptr ? piFunction->eGetOperateur() : OPEXPRESSION_NONE;
    bool bRelease = false;
    const eNA_ITEMTYPE eResult =
        _eTypeParameterByCode(eKind, eOperator, nArgument, _bLastOperande(piFunction, nArgument) != 0, eType,
                              piItem != nullptr ? piItem->eNAGetItemType() : NA_IT_EMPTY, piItem != nullptr, &bRelease);
    if (bRelease && piItem != nullptr) {
        piItem->nExternalRelease();
        *ppiItem = nullptr;
    }
    return eResult;
}

void CNACommand::_TypeRetour(CNASqlElt::eSQLELT, IExpOpExpression* piFunction, INAItemDescription** ppiItem) {
    if (ppiItem == nullptr || *ppiItem == nullptr || piFunction == nullptr) return;
    if (s_bTypeRetourKeepsItem(piFunction->eGetOperateur(), (*ppiItem)->eNAGetItemType())) return;
    (*ppiItem)->nExternalRelease();
    *ppiItem = nullptr;
}

void CNACommand::_FormatExpressionOperator(CSQLParserInfo*, IExpOpExpression*, IExpOpExpression* piFunction,
                                           CNASqlElt::eSQLELT, CTString* pclName) {
    if (piFunction == nullptr || pclName == nullptr) return;
    const wchar_t* psz = s_pszGetFunctionName(NA_nGetServerKind(m_pclConnection), piFunction->eGetOperateur());
    if (psz != nullptr) pclName->Set(psz);
}

// ---------------------------------------------------------------------------------- names

IInfoRubrique* CNACommand::_piGetInfoRubriqueFromAlias(ISQLParserInformation* piParser, const wchar_t* pszTable,
                                                       const wchar_t* pszAlias) {
    return CSQLParserInfo::g_piGetInfoRubriqueFromAlias(piParser, pszTable, pszAlias);
}

INAItemDescription* CNACommand::_pclGetOriginalItemDesc(CSQLParserInfo* pclParser, const wchar_t* pszAlias,
                                                        const wchar_t* pszItem) {
    if (pclParser == nullptr || _bEmpty(pszAlias)) return nullptr;
    INADataSourceDescription* piSource = nullptr;
    const int bAlias = pclParser->bIsTableAlias(pszAlias, &piSource);
    INAItemDescription* piItem = bAlias && piSource != nullptr ? piSource->piNAGetItem(pszItem) : nullptr;
    if (piSource != nullptr) piSource->nExternalRelease();
    return piItem;
}

void CNACommand::_GetOriginalTableNameAndItemName(CSQLParserInfo* pclParser, CTString* pclTable, CTString* pclItem) {
    if (pclParser == nullptr || pclTable == nullptr || pclTable->nTaille() == 0) return;
    INADataSourceDescription* piSource = nullptr;
    if (!pclParser->bIsTableAlias(pclTable->pszGet(), &piSource)) {
        const wchar_t* pszPhysical = pclParser->pszGetPhysicalName(pclTable->pszGet());
        if (pszPhysical != nullptr)
            pclTable->Set(pszPhysical);
        else if (piSource != nullptr)
            pclTable->Set(_pszSourceName(piSource));
    }
    if (piSource != nullptr && pclItem != nullptr && pclItem->nTaille() > 0) {
        INAItemDescription* piItem = piSource->piNAGetItem(pclItem->pszGet());
        if (piItem != nullptr) {
            pclItem->Set(piItem->pszGetName());
            piItem->nExternalRelease();
        }
    }
    if (piSource != nullptr) piSource->nExternalRelease();
}

void CNACommand::_GetFormatedOriginalTableNameAndItemName(CSQLParserInfo* pclParser, CTString* pclTable,
                                                          CTString* pclItem) {
    _GetOriginalTableNameAndItemName(pclParser, pclTable, pclItem);
    CTString cl;
    _FormatTableName(pclTable->pszGet(), &cl);
    pclTable->Transfert(cl);
    if (pclItem != nullptr && pclItem->nTaille() > 0) {
        _FormatItemName(pclItem->pszGet(), &cl);
        pclItem->Transfert(cl);
    }
}

void CNACommand::_FormatTableAndItemName(const wchar_t* pszTable, const wchar_t* pszItem, CTString* pclOut) {
    CTString clItem;
    _FormatItemName(pszItem, &clItem);
    pclOut->Vide();
    if (!_bEmpty(pszTable)) {
        _FormatTableName(pszTable, pclOut);
        pclOut->Add(L'.');
    }
    pclOut->Add(clItem.pszGet());
}

int CNACommand::_bFormatAndConvertItemInClause(CTStringConcatAW* pclOut, CNASqlElt::eSQLELT, const wchar_t* pszTable,
                                               const wchar_t* pszItem, INAItemDescription* piItem) {
    CTString clName;
    _FormatTableAndItemName(pszTable, pszItem, &clName);
    if (m_pclConnection == nullptr) {
        pclOut->Add(clName);
        return pclOut->bIsInError() ? 0 : 1;
    }
    CTStringConcatAW clConverted(CTStringConcatAW::s_nCodePageWide, NA_nGetCodePage(m_pclConnection), 1024);
    m_pclConnection->bConvertExpressionToString(m_pclError, &clConverted, clName.pszGet(), piItem, nullptr);
    if (clConverted.bIsInError()) {
        _RaiseNoMemory(9);
        return 0;
    }
    pclOut->Add(clConverted.pszGetW(), static_cast<long>(clConverted.nGetLongueurW()));
    return pclOut->bIsInError() ? 0 : 1;
}

int CNACommand::FormatExpressionItemName(CNASqlElt::eSQLELT eKind, eOPEXPRESSION eOperator, INAItemDescription* piItem,
                                         const wchar_t* pszTable, const wchar_t* pszItem, CTString* pclOut) {
    const int eFormat =
        piItem != nullptr ? eGetFormatExpressionColonne(eKind, piItem->eNAGetItemType(), eOperator, nullptr) : 0;
    if (eFormat != 2) {
        _FormatTableAndItemName(pszTable, pszItem, pclOut);
        return 1;
    }
    CTStringConcatAW cl(CTStringConcatAW::s_nCodePageWide, NA_nGetCodePage(m_pclConnection), 1024);
    if (!_bFormatAndConvertItemInClause(&cl, eKind, pszTable, pszItem, piItem)) return 0;
    pclOut->Set(cl.pszGetW());
    return 1;
}

void CNACommand::_FormatExpressionItemName(CSQLParserInfo* pclParser, CNASqlElt::eSQLELT eKind, const wchar_t* pszTable,
                                           CTString* pclItem, CNAParameter* pclParameter) {
    if (pclItem == nullptr) return;
    ISQLParserInformation* piParser = pclParser != nullptr ? pclParser->piGetParserNoRef() : nullptr;
    INAItemDescription* piItem = nullptr;
    if (piParser != nullptr) {
        try {
            piItem = piParser->piGetItemDescription(pclItem->pszGet(), pszTable);
        } catch (...) {
            piItem = nullptr;
        }
    }
    const eOPEXPRESSION eOperator =
        pclParameter != nullptr ? static_cast<eOPEXPRESSION>(pclParameter->eGetOperator()) : OPEXPRESSION_NONE;
    CTString clItem(pclItem->pszGet());
    FormatExpressionItemName(eKind, eOperator, piItem, pszTable, clItem.pszGet(), pclItem);
    if (piItem != nullptr) piItem->nExternalRelease();
}

void CNACommand::_FormatItemNameInWHEREClause(ISQLParserInformation*, INAItemDescription* piItem,
                                              const wchar_t* pszTable, CTString* pclItem, CNAParameter* pclParameter) {
    if (pclItem == nullptr) return;
    const eOPEXPRESSION eOperator =
        pclParameter != nullptr ? static_cast<eOPEXPRESSION>(pclParameter->eGetOperator()) : OPEXPRESSION_NONE;
    CTString clItem(pclItem->pszGet());
    FormatExpressionItemName(CNASqlElt::SQLELT_WHERE, eOperator, piItem, pszTable, clItem.pszGet(), pclItem);
}

void CNACommand::_FormatItemNameInWHEREClause(ISQLParserInformation* piParser, const wchar_t* pszTable,
                                              CTString* pclItem, CNAParameter* pclParameter) {
    if (pclItem == nullptr) return;
    CTString clTable(pszTable), clItem(pclItem->pszGet());
    IInfoRubrique* piOut = _piGetInfoRubriqueFromAlias(piParser, pszTable, pclItem->pszGet());
    if (piOut != nullptr && !piOut->bCalcule()) {
        clTable.Set(piOut->pszGetNomTable());
        clItem.Set(piOut->pszGetNomSource());
    }
    INAItemDescription* piItem = nullptr;
    INADataSourceDescription* piSource = nullptr;
    if (piParser != nullptr) {
        try {
            piItem = piParser->piGetItemDescription(clItem.pszGet(), clTable.pszGet());
            if (piItem != nullptr && clTable.nTaille() > 0) piSource = piParser->piGetDataSourceDescription(clTable.pszGet());
        } catch (...) {
            piSource = nullptr;
        }
    }
    // Without a description of the pair the name is written as the host gave it: leaving it out
    // would cut the query short.
    if (piSource != nullptr) clTable.Set(_pszSourceName(piSource));
    pclItem->Set(clItem.pszGet());
    _FormatItemNameInWHEREClause(piParser, piItem, clTable.pszGet(), pclItem, pclParameter);
    if (piSource != nullptr) piSource->nExternalRelease();
    if (piItem != nullptr) piItem->nExternalRelease();
}

void CNACommand::_FormatRubriqueAlias(CSQLParserInfo* pclParser, IInfoRubrique* piItem, CTString* pclOut,
                                      int bWithTable) {
    if (piItem == nullptr || pclOut == nullptr) return;
    CTString clTable, clItem(piItem->bCalcule() ? piItem->pszGetNom() : piItem->pszGetNomSource());
    if (bWithTable && !piItem->bCalcule()) {
        clTable.Set(piItem->pszGetNomTable());
        _GetOriginalTableNameAndItemName(pclParser, &clTable, nullptr);
    }
    _FormatTableAndItemName(clTable.pszGet(), clItem.pszGet(), pclOut);
}

// ---------------------------------------------------------------------------------- FROM tables

void CNACommand::_FormatTableClauseFROM(CSQLParserInfo* pclParser, INADataSourceDescription* piSource,
                                        IInfoFrom* piFrom, CTString* pclOut) {
    if (pclOut == nullptr) return;
    const wchar_t* pszName =
        pclParser != nullptr && piFrom != nullptr ? pclParser->pszGetPhysicalName(piFrom->pszGetNom()) : nullptr;
    // The shared buffer of physical names is copied before the name is formatted.
    CTString clName(pszName != nullptr ? pszName : piSource != nullptr ? _pszSourceName(piSource) : L"");
    _FormatTableName(clName.pszGet(), pclOut);
}

void CNACommand::_FormatTableAliasClauseFROM(CSQLParserInfo*, IInfoFrom* piFrom, CTString* pclOut) {
    if (pclOut == nullptr) return;
    pclOut->Vide();
    if (piFrom != nullptr && !_bEmpty(piFrom->pszGetAlias())) _FormatTableName(piFrom->pszGetAlias(), pclOut);
}

int CNACommand::_bAddFromClause(const CNASqlElt* pclElement, unsigned long* pnPosition, const wchar_t* pszText,
                                CSQLParserInfo* pclParser) {
    if (_bEmpty(pszText) || pclElement == nullptr || pclParser == nullptr) return 1;
    ISQLParserInformation* piParser = pclParser->piGetParserNoRef();
    for (IInfoFrom* piFrom = pclParser->piEnumFichierFrom(1); piFrom != nullptr; piFrom = pclParser->piEnumFichierFrom(0)) {
        const stPosition st = piFrom->stGetPosition();
        if (st.nDebut != pclElement->llGetStart() || st.nFin != pclElement->llGetEnd()) continue;
        INADataSourceDescription* piSource = nullptr;
        try {
            piSource = piParser != nullptr ? piParser->piGetDataSourceDescriptionFrom(piFrom) : nullptr;
        } catch (...) {
            piSource = nullptr;
        }
        if (piSource == nullptr) continue;

        int bResult = _bCopyText(&m_clSQL, pszText, pnPosition, static_cast<unsigned long>(st.nDebut));
        *pnPosition = static_cast<unsigned long>(st.nFin) + 1;
        CTString cl;
        _FormatTableClauseFROM(pclParser, piSource, piFrom, &cl);
        m_clSQL.Add(cl);

        const stPosition stAlias = piFrom->stGetPositionAlias();
        if (!bNoSpan(stAlias) && stAlias.nDebut > st.nFin) {
            CTString clAlias;
            _FormatTableAliasClauseFROM(pclParser, piFrom, &clAlias);
            if (clAlias.nTaille() > 0) {
                if (NA_nGetServerKind(m_pclConnection) != 1) {
                    bResult &= _bCopyText(&m_clSQL, pszText, pnPosition, static_cast<unsigned long>(stAlias.nDebut));
                    *pnPosition = static_cast<unsigned long>(stAlias.nFin) + 1;
                    m_clSQL.Add(clAlias);
                } else if (clAlias == cl && clAlias.nPos(L'.') >= 0) {
                    // An alias that repeats a qualified table name is dropped.
                    *pnPosition = static_cast<unsigned long>(stAlias.nFin) + 1;
                } else {
                    // The keyword AS goes: the text between the table and "AS" stays.
                    unsigned long nEnd = static_cast<unsigned long>(stAlias.nDebut);
                    while (nEnd > *pnPosition && s_bEspaceSQL(pszText[nEnd - 1])) nEnd--;
                    if (nEnd >= *pnPosition + 2 && wcsncasecmp(pszText + nEnd - 2, L"AS", 2) == 0 &&
                        (nEnd - 2 == *pnPosition || s_bSeparateur(pszText[nEnd - 3])))
                        nEnd -= 2;
                    bResult &= _bCopyText(&m_clSQL, pszText, pnPosition, nEnd);
                    *pnPosition = static_cast<unsigned long>(stAlias.nFin) + 1;
                    m_clSQL.AddStrCte(L" ", 1);
                    m_clSQL.Add(clAlias);
                }
            }
        }
        if (pclParser->nGetQueryKind() == CSQLParserInfo::QUERYKIND_SELECT && bResult &&
            !(NA_nGetServerKind(m_pclConnection) == 8 && m_pclConnection->nGetServerMajorVersion() >= 10))
            bResult = bAddRecordLock();
        piSource->nExternalRelease();
        return bResult && !m_clSQL.bIsInError() ? 1 : 0;
    }
    return 1;
}
