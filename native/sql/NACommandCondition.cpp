// CNACommand: a query the host has parsed, written again for the server. The clause elements of
// the query (select list, FROM tables, joins, WHERE, GROUP BY, HAVING, ORDER BY, the filled values,
// the values of an INSERT or UPDATE) are walked in text order; the host's text between them is
// copied and each element written as the server needs it, an added condition merged into the
// WHERE clause as "(host) AND (added)". Expression trees are walked node by node: items and
// literals in place, functions under the dialect's name with the dialect's text around their
// arguments, aliases of computed output items expanded into their expressions.
#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <vector>

#include "core/STRCompare.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/DriverServices.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NAItemType.h"
#include "native/sql/NACommand.h"
#include "native/sql/SQLParserInfo.h"

namespace {

// Sites of this unit's failures.
constexpr int SITE_COMPUTED_ITSELF = 1;
constexpr int SITE_REFUSED_OPERATOR = 7;
constexpr int SITE_REFUSED_EXPRESSION = 8;

// User errors of this unit and the name the refusals give the server.
constexpr unsigned USER_ERROR_COMPUTED_ITSELF = 32;
constexpr unsigned USER_ERROR_REFUSED_OPERATOR = 48;
constexpr unsigned USER_ERROR_REFUSED_EXPRESSION = 49;
constexpr const wchar_t* SERVER_NAME = L"PostgreSQL";

// Operators written between their operands by the dialect (none does so by default).
bool _bBetweenOperands(int eOperator) {
    return eOperator == 0 || eOperator == 2 || eOperator == 4 || eOperator == 5;
}

bool _bEmpty(const wchar_t* psz) {
    return psz == nullptr || *psz == 0;
}

// The n-th operand of a node (from 0), or null.
IExpOpExpression* _piOperand(IExpOpExpression* piNode, int n) {
    if (piNode == nullptr) return nullptr;
    int nCursor = 0;
    IExpOpExpression* pi = nullptr;
    for (int i = 0; i <= n; i++) {
        pi = piNode->piGetOperandeSuivant(&nCursor);
        if (pi == nullptr) return nullptr;
    }
    return pi;
}

}  // namespace

bool CNACommand::_bComputing(IInfoRubrique* piItem) const {
    for (int i = 0; i < m_tabComputing.nGetNbElement(); i++)
        if (m_tabComputing[i] == piItem) return true;
    return false;
}

// ---------------------------------------------------------------------------------- the walk

int CNACommand::_bExpressionToSQL(CSQLParserInfo* pclParser, CSQLParserInfo* pclParser2, const wchar_t* pszText,
                                  IExpOpExpression* piParent, IExpOpExpression* piNode, CNASqlElt::eSQLELT eKind,
                                  unsigned long* pnPosition, CTStringConcatAW* pclOut, eNA_ITEMTYPE eType,
                                  unsigned nOperand, INAItemDescription* piCompared, INAItemDescription** ppiResult) {
    if (ppiResult != nullptr) *ppiResult = nullptr;
    if (piNode == nullptr) return 1;
    const int eOperator = piNode->eGetOperateur();
    switch (eOperator) {
        case OPEXPRESSION_ITEM: {
            int bResult =
                _bDoExpressionArgument(pclParser, pszText, piParent, piNode, eKind, pnPosition, pclOut, 1, nOperand);
            if (bResult)
                bResult =
                    _bDoExpressionColonne(pclParser, pszText, piParent, piNode, eKind, pnPosition, pclOut, ppiResult);
            if (bResult)
                bResult = _bDoExpressionArgument(pclParser, pszText, piParent, piNode, eKind, pnPosition, pclOut, 0,
                                                 nOperand);
            return bResult;
        }
        case OPEXPRESSION_LITERAL: {
            int bResult =
                _bDoExpressionArgument(pclParser, pszText, piParent, piNode, eKind, pnPosition, pclOut, 1, nOperand);
            if (bResult)
                bResult = _bDoExpressionLiteral(pclParser, pszText, piParent, piNode, eKind, piCompared, pnPosition,
                                                pclOut, eType);
            if (bResult)
                bResult = _bDoExpressionArgument(pclParser, pszText, piParent, piNode, eKind, pnPosition, pclOut, 0,
                                                 nOperand);
            return bResult;
        }
        case OPEXPRESSION_REFUSED_EXPRESSION:
            _RaiseUserError(SITE_REFUSED_EXPRESSION, USER_ERROR_REFUSED_EXPRESSION, SERVER_NAME);
            return 0;
        case OPEXPRESSION_REFUSED_OPERATOR:
            _RaiseUserError(SITE_REFUSED_OPERATOR, USER_ERROR_REFUSED_OPERATOR, SERVER_NAME);
            return 0;
        default:
            break;
    }

    int bResult = _bDoExpressionArgument(pclParser, pszText, piParent, piNode, eKind, pnPosition, pclOut, 1, nOperand);
    // Where the node's own text begins in the output, for a comparison replaced whole.
    const unsigned long nStart = pclOut->nGetLongueurW();
    if (bResult) bResult = _bDoExpressionOperator(pclParser, pszText, piParent, piNode, eKind, pnPosition, pclOut);

    // The item the operands are compared with: the first operand's, as long as the function keeps it.
    INAItemDescription* piItem = nullptr;
    int nCursor = 0;
    IExpOpExpression* piFirst = piNode->piGetOperandeSuivant(&nCursor);
    if (bResult && piFirst != nullptr) {
        const eNA_ITEMTYPE eFirst = _eTypeParameter(eKind, piNode, 0, eType, &piItem);
        bResult = _bExpressionToSQL(pclParser, pclParser2, pszText, piNode, piFirst, eKind, pnPosition, pclOut, eFirst,
                                    0, piItem, &piItem);
    }
    if (bResult && piFirst != nullptr && piFirst->eGetOperateur() == OPEXPRESSION_ITEM && m_pclConnection != nullptr &&
        m_pclConnection->bTreatEmptyDateAsNULL() &&
        _bExpressionDateEmpty(pclOut, pnPosition, piNode, pszText, nStart, piItem)) {
        if (piItem != nullptr) piItem->nExternalRelease();
        return 1;
    }
    if (bResult && _bBetweenOperands(eOperator))
        bResult = _vbFormatExpressionOperatorEntreOperande(pclParser, piParent, piNode, eKind, pclOut);
    unsigned nArgument = 1;
    for (IExpOpExpression* pi = piFirst != nullptr ? piNode->piGetOperandeSuivant(&nCursor) : nullptr;
         pi != nullptr && bResult; pi = piNode->piGetOperandeSuivant(&nCursor), nArgument++) {
        if (_vbSkipOperande(piNode, pi, nArgument)) continue;
        const eNA_ITEMTYPE eArgument = _eTypeParameter(eKind, piNode, nArgument, eType, &piItem);
        INAItemDescription* piOperandResult = nullptr;
        bResult = _bExpressionToSQL(pclParser, pclParser2, pszText, piNode, pi, eKind, pnPosition, pclOut, eArgument,
                                    nArgument, piItem, &piOperandResult);
        if (piOperandResult != nullptr) piOperandResult->nExternalRelease();
    }
    if (bResult)
        bResult = _bDoExpressionArgument(pclParser, pszText, piParent, piNode, eKind, pnPosition, pclOut, 0, nOperand);
    _TypeRetour(eKind, piNode, &piItem);
    if (ppiResult != nullptr)
        *ppiResult = piItem;
    else if (piItem != nullptr)
        piItem->nExternalRelease();
    return bResult;
}

int CNACommand::_bDoExpressionColonne(CSQLParserInfo* pclParser, const wchar_t* pszText, IExpOpExpression* piParent,
                                      IExpOpExpression* piColumn, CNASqlElt::eSQLELT eKind, unsigned long* pnPosition,
                                      CTStringConcatAW* pclOut, INAItemDescription** ppiItem) {
    if (ppiItem != nullptr) *ppiItem = nullptr;
    if (piColumn == nullptr) return 1;
    const stPosition st = _stGetPositionExpression(piColumn);
    int bResult = _bCopyText(pclOut, pszText, pnPosition, static_cast<unsigned long>(std::max(0, st.nDebut)));
    const unsigned long nAfter = std::max(*pnPosition, static_cast<unsigned long>(std::max(0, st.nFin)) + 1);
    CTString clTable(piColumn->pszGetNomFichier()), clItem(piColumn->pszGetNomRubrique());

    // The name may be the alias of an output item: a computed one stands for its expression.
    IInfoRubrique* piOut =
        pclParser != nullptr ? pclParser->piGetInfoRubriqueFromAlias(clTable.pszGet(), clItem.pszGet()) : nullptr;
    if (piOut != nullptr && piOut->bCalcule()) {
        if (_bComputing(piOut)) {
            _RaiseUserError(SITE_COMPUTED_ITSELF, USER_ERROR_COMPUTED_ITSELF, clItem.pszGet());
            return 0;
        }
        *pnPosition = nAfter;
        return bResult && bFormatExpressionColonneCalculee(pclParser, piOut, eKind) ? 1 : 0;
    }
    if (piOut != nullptr) {
        clTable.Set(piOut->pszGetNomTable());
        clItem.Set(piOut->pszGetNomSource());
    }
    INAItemDescription* piItem = nullptr;
    ISQLParserInformation* piParser = pclParser != nullptr ? pclParser->piGetParserNoRef() : nullptr;
    if (piParser != nullptr) {
        try {
            piItem = piParser->piGetItemDescription(clItem.pszGet(), clTable.pszGet());
        } catch (...) {
            piItem = nullptr;
        }
    }
    const unsigned nServer = NA_nGetServerKind(m_pclConnection);
    if (m_eQueryType == NAQUERYTYPE_UPDATE && (nServer == 6 || nServer == 8 || nServer == 13))
        // These servers refuse a qualified column in an UPDATE.
        clTable.Vide();
    else
        _GetOriginalTableNameAndItemName(pclParser, &clTable, &clItem);
    const auto eOperator =
        piParent != nullptr ? static_cast<eOPEXPRESSION>(piParent->eGetOperateur()) : OPEXPRESSION_NONE;
    CTString clName;
    if (bResult)
        bResult = FormatExpressionItemName(eKind, eOperator, piItem, clTable.pszGet(), clItem.pszGet(), &clName);
    pclOut->Add(clName);
    *pnPosition = nAfter;
    if (piColumn->bJointureExterne()) pclOut->AddStrCte(L"(+)", 3);
    if (ppiItem != nullptr)
        *ppiItem = piItem;
    else if (piItem != nullptr)
        piItem->nExternalRelease();
    return bResult && !pclOut->bIsInError() ? 1 : 0;
}

int CNACommand::bAddTreeExpression(CSQLParserInfo* pclParser, CSQLParserInfo* pclParser2, const wchar_t* pszText,
                                   IExpOpExpression* piParent, IExpOpExpression* piNode, CNASqlElt::eSQLELT eKind,
                                   unsigned long* pnPosition, CNACommand* pclCondition) {
    if (eKind != CNASqlElt::SQLELT_WHERE || pclCondition == nullptr || pclCondition->bIsEmpty())
        return _bExpressionToSQL(pclParser, pclParser2, pszText, piParent, piNode, eKind, pnPosition, &m_clSQL,
                                 NA_IT_EMPTY, 0, nullptr, nullptr);

    const bool bHostWhere = pclParser != nullptr && pclParser->nGetDebutWhere() > 0;
    unsigned long nStart = 0, nStop = 0;
    _bGetClausePos(&nStart, &nStop, pclParser, CNASqlElt::SQLELT_WHERE);
    int bResult;
    if (bHostWhere) {
        // Just past the keyword WHERE.
        bResult = _bCopyText(&m_clSQL, pszText, pnPosition, nStart + 5);
        m_clSQL.AddStrCte(L" (", 2);
    } else {
        bResult = _bCopyText(&m_clSQL, pszText, pnPosition, nStart);
        m_clSQL.AddStrCte(L" WHERE ", 7);
    }
    if (bResult && bHostWhere)
        bResult = _bExpressionToSQL(pclParser, pclParser2, pszText, piParent, piNode, eKind, pnPosition, &m_clSQL,
                                    NA_IT_EMPTY, 0, nullptr, nullptr);
    if (bResult && pszText != nullptr && nStop < wcslen(pszText))
        bResult = _bCopyText(&m_clSQL, pszText, pnPosition, nStop + 1);
    if (!bResult) return 0;
    if (bHostWhere) {
        m_clSQL.AddStrCte(L") AND (", 7);
        bResult = bAdd(pclCondition, ADDMODE_SHARE);
        m_clSQL.AddStrCte(L")", 1);
    } else {
        bResult = bAdd(pclCondition, ADDMODE_SHARE);
        m_clSQL.AddStrCte(L" ", 1);
    }
    if (bResult) bResult = bCombineColumnValuesNullSelected(2, pclCondition->pclGetColumnNullValueExcludedNoRef());
    return bResult && !m_clSQL.bIsInError() ? 1 : 0;
}

int CNACommand::bFormatSubExpression(CSQLParserInfo* pclParser, const wchar_t* pszText, IExpOpExpression* piParent,
                                     IExpOpExpression* piNode, CNASqlElt::eSQLELT eKind) {
    if (piNode == nullptr || pszText == nullptr) return 1;
    const stPosition st = _stGetPositionExpression(piNode);
    unsigned long nPosition = static_cast<unsigned long>(std::max(0, st.nDebut));
    int bResult = bAddTreeExpression(pclParser, nullptr, pszText, piParent, piNode, eKind, &nPosition, nullptr);
    if (bResult)
        bResult = _bCopyText(&m_clSQL, pszText, &nPosition, static_cast<unsigned long>(std::max(0, st.nFin)) + 1);
    return bResult;
}

int CNACommand::bAddFilterExpression(CSQLParserInfo* pclFilter) {
    const wchar_t* pszText = pclFilter != nullptr ? pclFilter->pszGetRequete() : nullptr;
    if (pszText == nullptr) return 1;
    // The names of the filter are those of the query it applies to, when there is one.
    CSQLParserInfo* pclQuery = pclFilter->pclGetQueryParserInfoNoRef();
    CSQLParserInfo* pclParser = pclQuery != nullptr ? pclQuery : pclFilter;
    CSQLParserInfo* pclParser2 = pclQuery != nullptr ? pclFilter : nullptr;
    IExpOpExpression* piWhere = pclFilter->piGetWhereNoRef();
    unsigned long nPosition =
        piWhere != nullptr ? static_cast<unsigned long>(std::max(0, _stGetPositionExpression(piWhere).nDebut)) : 0;
    int bResult = bAddTreeExpression(pclParser, pclParser2, pszText, nullptr, piWhere, CNASqlElt::SQLELT_WHERE,
                                     &nPosition, nullptr);
    if (bResult) bResult = _bCopyText(&m_clSQL, pszText, &nPosition, wcslen(pszText));
    return bResult;
}

// ---------------------------------------------------------------------------------- computed columns

int CNACommand::_bFormatExpressionColonneCalculee(CSQLParserInfo* pclParser, IInfoRubrique* piItem,
                                                  CNASqlElt::eSQLELT eKind) {
    if (pclParser == nullptr || piItem == nullptr) return 0;
    const int n = m_tabComputing.nGetNbElement();
    m_tabComputing.Ajoute(piItem);
    if (m_tabComputing.nGetNbElement() == n) {
        _RaiseNoMemory(9);
        return 0;
    }
    const int bResult =
        bFormatSubExpression(pclParser, pclParser->pszGetRequete(), nullptr, piItem->piGetExpression(), eKind);
    m_tabComputing.Supprime(n, 1);
    return bResult;
}

int CNACommand::bFormatExpressionColonneCalculee(CSQLParserInfo* pclParser, IInfoRubrique* piItem,
                                                 CNASqlElt::eSQLELT eKind) {
    // In parentheses: the expression takes the place of one name inside another expression.
    m_clSQL.AddStrCte(L"(", 1);
    const int bResult = _bFormatExpressionColonneCalculee(pclParser, piItem, eKind);
    m_clSQL.AddStrCte(L")", 1);
    return bResult && !m_clSQL.bIsInError() ? 1 : 0;
}

int CNACommand::bFormatExpressionColonneCalculee(CSQLParserInfo* pclParser, const wchar_t* pszName,
                                                 CNASqlElt::eSQLELT eKind, CTString* pclOut, int bParameters,
                                                 unsigned long nOffset) {
    if (pclOut != nullptr) pclOut->Vide();
    IInfoRubrique* piItem = pclParser != nullptr ? pclParser->piEnumRubriqueOUT(pszName) : nullptr;
    if (piItem == nullptr || !piItem->bCalcule()) return 0;
    CNACommand* pclFresh = CNADriver::s_pclDriver != nullptr
                               ? CNADriver::s_pclDriver->pclAllocCommand(m_pclError, m_pclConnection)
                               : nullptr;
    if (pclFresh == nullptr) {
        _RaiseNoMemory(9);
        return 0;
    }
    pclFresh->AddRef();
    pclFresh->SetNAQueryType(m_eQueryType);
    int bResult = pclFresh->bFormatExpressionColonneCalculee(pclParser, piItem, eKind);
    if (bResult && pclOut != nullptr) {
        // A caller that takes the text alone gets the expression's literals written in it: without
        // its parameters "a * 3" would read "a * ".
        const wchar_t* pszText = pclFresh->pszGetOriginalSQL();
        if (!bParameters && pclFresh->nGetParameterNbr() > 0) {
            pszText = pclFresh->pszGetFormatedSQL(PARAMTYPECONV_ALL);
            if (pszText == nullptr) bResult = 0;
        }
        if (bResult) pclOut->Set(pszText);
    }
    for (int i = 0; bResult && bParameters && i < pclFresh->nGetParameterNbr(); i++) {
        CNAParameter* pcl = pclFresh->pclGetParameterNoRef(static_cast<unsigned>(i));
        pcl->SetPosition(pcl->nGetPosition() + nOffset);
        bResult = bAddParameter(pcl);
    }
    pclFresh->nRelease();
    return bResult;
}

// ---------------------------------------------------------------------------------- clause writers

int CNACommand::_bAddJoinClause(CSQLParserInfo* pclParser, const CNASqlElt* pclElement, const wchar_t* pszText,
                                unsigned long* pnPosition) {
    IInfoRequete* piQuery = pclParser != nullptr ? pclParser->piGetInfoRequete() : nullptr;
    if (piQuery == nullptr || pclElement == nullptr) return 1;
    for (IExpOpExpression* pi = piQuery->piEnumJointure(1); pi != nullptr; pi = piQuery->piEnumJointure(0)) {
        const stPosition st = pi->stGetPosition();
        if (st.nDebut == pclElement->llGetStart() && st.nFin == pclElement->llGetEnd())
            return bAddTreeExpression(pclParser, nullptr, pszText, nullptr, pi, CNASqlElt::SQLELT_JOIN, pnPosition,
                                      nullptr);
    }
    return 1;
}

int CNACommand::_bFormatSELECTList(CSQLParserInfo* pclParser, const wchar_t* pszText, unsigned long* pnPosition) {
    if (pclParser == nullptr || pszText == nullptr) return 1;
    int bResult = 1;
    if (pclParser->nGetQueryKind() == CSQLParserInfo::QUERYKIND_INSERT) {
        // The column list of an INSERT: the items its values fill.
        for (IInfoInsertion* pi = pclParser->piEnumRubriqueInsert(1); pi != nullptr && bResult;
             pi = pclParser->piEnumRubriqueInsert(0))
            bResult = _bDoExpressionColonne(pclParser, pszText, nullptr, pi->piGetRubrique(), CNASqlElt::SQLELT_SELECT,
                                            pnPosition, &m_clSQL, nullptr);
        return bResult;
    }
    const int bWithTable = pclParser->nGetFichierFromNbr() > 1;
    bool bWritten = false;
    for (IInfoRubrique* pi = pclParser->piEnumRubriqueOUT(1); pi != nullptr && bResult;
         pi = pclParser->piEnumRubriqueOUT(0)) {
        const stPosition st = pi->stGetPosition();
        if (bNoSpan(st)) continue;
        if (pi->bCalcule()) {
            bResult = bAddTreeExpression(pclParser, nullptr, pszText, nullptr, pi->piGetExpression(),
                                         CNASqlElt::SQLELT_SELECT, pnPosition, nullptr);
            if (bResult) bResult = _bCopyText(&m_clSQL, pszText, pnPosition, static_cast<unsigned long>(st.nFin) + 1);
        } else {
            bResult = _bCopyText(&m_clSQL, pszText, pnPosition, static_cast<unsigned long>(st.nDebut));
            CTString cl;
            _FormatRubriqueAlias(pclParser, pi, &cl, bWithTable);
            m_clSQL.Add(cl);
            *pnPosition = std::max(*pnPosition, static_cast<unsigned long>(st.nFin) + 1);
        }
        if (bResult) bResult = _bFormatAlias(pnPosition, pszText);
        bWritten = true;
    }
    if (bResult && !bWritten && bNeedToReplaceStar()) {
        // "SELECT *": the star becomes the output items.
        unsigned long i = 0;
        while (s_bEspaceSQL(pszText[i])) i++;
        if (wcsncasecmp(pszText + i, L"SELECT", 6) == 0) {
            i += 6;
            while (s_bEspaceSQL(pszText[i])) i++;
            if (pszText[i] == L'*' && (pszText[i + 1] == 0 || s_bSeparateur(pszText[i + 1]))) {
                bResult = _bCopyText(&m_clSQL, pszText, pnPosition, i);
                bool bFirst = true;
                for (IInfoRubrique* pi = pclParser->piEnumRubriqueOUT(1); pi != nullptr;
                     pi = pclParser->piEnumRubriqueOUT(0)) {
                    CTString cl;
                    _FormatRubriqueAlias(pclParser, pi, &cl, bWithTable);
                    if (!bFirst) m_clSQL.AddStrCte(L",", 1);
                    m_clSQL.Add(cl);
                    bFirst = false;
                }
                *pnPosition = std::max(*pnPosition, i + 1);
            }
        }
    }
    if (bResult && !m_clAdditionalSelect.bEstVide()) {
        m_clSQL.AddStrCte(L",", 1);
        m_clSQL.Add(m_clAdditionalSelect.pszGetW(), static_cast<long>(m_clAdditionalSelect.nGetLongueurW()));
    }
    return bResult && !m_clSQL.bIsInError() ? 1 : 0;
}

int CNACommand::_bFormatINSERTUPDATEList(CSQLParserInfo* pclParser, const wchar_t* pszText, unsigned long* pnPosition) {
    if (pclParser == nullptr) return 1;
    int bResult = 1;
    if (pclParser->nGetQueryKind() == CSQLParserInfo::QUERYKIND_INSERT) {
        for (IInfoInsertion* pi = pclParser->piEnumRubriqueInsert(1); pi != nullptr && bResult;
             pi = pclParser->piEnumRubriqueInsert(0)) {
            INAItemDescription* piItem = _piGetNodeItemDescription(pclParser, pi->piGetRubrique());
            bResult =
                _bExpressionToSQL(pclParser, nullptr, pszText, nullptr, pi->piGetValeur(), CNASqlElt::SQLELT_VALUES,
                                  pnPosition, &m_clSQL, NA_IT_EMPTY, 0, piItem, nullptr);
            if (piItem != nullptr) piItem->nExternalRelease();
        }
        return bResult;
    }
    for (IInfoAffectation* pi = pclParser->piEnumRubriqueUpdate(1); pi != nullptr && bResult;
         pi = pclParser->piEnumRubriqueUpdate(0)) {
        INAItemDescription* piItem = nullptr;
        bResult = _bDoExpressionColonne(pclParser, pszText, nullptr, pi->piGetRubrique(), CNASqlElt::SQLELT_VALUES,
                                        pnPosition, &m_clSQL, &piItem);
        if (bResult)
            bResult =
                _bExpressionToSQL(pclParser, nullptr, pszText, nullptr, pi->piGetValeur(), CNASqlElt::SQLELT_VALUES,
                                  pnPosition, &m_clSQL, NA_IT_EMPTY, 0, piItem, nullptr);
        if (piItem != nullptr) piItem->nExternalRelease();
    }
    return bResult;
}

int CNACommand::_bFormatGROUPBY(CSQLParserInfo* pclParser, const wchar_t* pszText, unsigned long* pnPosition) {
    if (pclParser == nullptr) return 1;
    const int bWithTable = pclParser->nGetFichierFromNbr() > 1;
    int bResult = 1;
    for (CInfoGroupe* pi = pclParser->piEnumRubriqueClauseGroupe(1); pi != nullptr && bResult;
         pi = pclParser->piEnumRubriqueClauseGroupe(0)) {
        const stPosition st = pi->stGetPosition();
        bResult = _bCopyText(&m_clSQL, pszText, pnPosition, static_cast<unsigned long>(std::max(0, st.nDebut)));
        const unsigned long nAfter = std::max(*pnPosition, static_cast<unsigned long>(std::max(0, st.nFin)) + 1);
        // The output item grouped by: by its table and item name, or by its alias.
        IInfoRubrique* piOut = nullptr;
        if (!_bEmpty(pi->pszGetNomRubrique())) {
            for (int k = 0; k < pclParser->nGetRubriqueOUTNbr() && piOut == nullptr; k++) {
                IInfoRubrique* piCandidate = pclParser->piGetRubriqueOUT(k);
                if (STR_nEmptyNullCompare(piCandidate->pszGetNomSource(), pi->pszGetNomRubrique(), STR_LOGIQUE) == 0 &&
                    (_bEmpty(pi->pszGetNomFichier()) ||
                     STR_nEmptyNullCompare(piCandidate->pszGetNomTable(), pi->pszGetNomFichier(), STR_LOGIQUE) == 0))
                    piOut = piCandidate;
            }
        } else {
            piOut = pclParser->piGetInfoRubriqueFromAlias(pi->pszGetNomFichier(), pi->pszGetNomRubriqueAlias());
        }
        if (piOut != nullptr && piOut->bCalcule()) {
            *pnPosition = nAfter;
            if (bResult) bResult = bFormatExpressionColonneCalculee(pclParser, piOut, CNASqlElt::SQLELT_GROUPBY);
            continue;
        }
        CTString cl;
        if (piOut != nullptr)
            _FormatRubriqueAlias(pclParser, piOut, &cl, bWithTable);
        else
            _FormatTableAndItemName(
                pi->bIsAvecTable() ? pi->pszGetNomTable() : nullptr,
                !_bEmpty(pi->pszGetNomRubrique()) ? pi->pszGetNomRubrique() : pi->pszGetNomRubriqueAlias(), &cl);
        m_clSQL.Add(cl);
        *pnPosition = nAfter;
    }
    return bResult && !m_clSQL.bIsInError() ? 1 : 0;
}

// ---------------------------------------------------------------------------------- function arguments

void CNACommand::_FormatExpressionArgument(CSQLParserInfo* pclParser, const wchar_t* pszText,
                                           IExpOpExpression* piFunction, IExpOpExpression*, CNASqlElt::eSQLELT eKind,
                                           CTString* pclOut, int bFirst, unsigned long* pnPosition,
                                           unsigned nArgument) {
    if (piFunction == nullptr || pclOut == nullptr) return;
    const unsigned nServer = NA_nGetServerKind(m_pclConnection);
    const int eCode = piFunction->eGetOperateur();
    // The operands written here are expressions of their own: under the function they would be
    // rewritten again, without end.
    // Moves the position to the next occurrence of the word and past it.
    auto SkipPast = [&](const wchar_t* pszWord) {
        const wchar_t* psz = pszText != nullptr ? wcsstr(pszText + *pnPosition, pszWord) : nullptr;
        if (psz != nullptr) *pnPosition = static_cast<unsigned long>(psz - pszText) + wcslen(pszWord);
    };
    switch (eCode) {
        case 52:
        case 53:
            if (nServer == 11 && bFirst) pclOut->Set(eCode == 52 ? L"LEADING FROM " : L"TRAILING FROM ");
            break;
        case 88:
            if (nServer != 1) break;
            if (bFirst && nArgument >= 2) {
                pclOut->Set(nArgument == 2 ? L")||(" : L"||");
            } else if (!bFirst && nArgument >= 1) {
                while (pszText[*pnPosition] != 0 && s_bEspaceSQL(pszText[*pnPosition])) (*pnPosition)++;
                if (pszText[*pnPosition] == L',') (*pnPosition)++;
            }
            break;
        case 80:
        case 89:
            if (nServer != 1 || nArgument != 0) break;
            if (bFirst) {
                bFormatSubExpression(pclParser, pszText, nullptr, _piOperand(piFunction, 1), eKind);
                m_clSQL.Add(eCode == 80 ? L" FROM " : L" , ", -1);
            } else if (IExpOpExpression* piSecond = _piOperand(piFunction, 1)) {
                // Written before the first operand: not copied again.
                *pnPosition = std::max(
                    *pnPosition, static_cast<unsigned long>(std::max(0, _stGetPositionExpression(piSecond).nFin)) + 1);
            }
            break;
        case 42:
            if (!bFirst && nArgument == 0 && (nServer == 1 || nServer == 6 || nServer == 11 || nServer == 13))
                pclOut->Set(L",1");
            break;
        case 43:
            if (bFirst) break;
            if (nArgument == 0 && (nServer == 6 || nServer == 11 || nServer == 13)) {
                m_clSQL.AddStrCte(L",-(", 3);
                if (IExpOpExpression* piSub = piFunction->piGetSousExpression())
                    bFormatSubExpression(pclParser, pszText, nullptr, piSub, eKind);
                else {
                    CTString cl;
                    cl.AddPrintf(L"%d", piFunction->nGetValeurEntiere());
                    m_clSQL.Add(cl);
                }
                m_clSQL.AddStrCte(L")", 1);
                pclOut->Set(L" ");
            } else if (nServer == 1 && nArgument == 0) {
                m_clSQL.Add(L",-LEAST(LENGTH(", -1);
                bFormatSubExpression(pclParser, pszText, nullptr, _piOperand(piFunction, 0), eKind);
                m_clSQL.AddStrCte(L"),", 2);
                if (IExpOpExpression* piSecond = _piOperand(piFunction, 1)) {
                    bFormatSubExpression(pclParser, pszText, nullptr, piSecond, eKind);
                    m_clSQL.Add(L"), GREATEST(0", -1);
                } else {
                    const int n = piFunction->nGetValeurEntiere();
                    CTString cl;
                    cl.AddPrintf(L"%d),%d", n, std::max(0, n));
                    m_clSQL.Add(cl);
                    const wchar_t* psz = pszText != nullptr ? wcschr(pszText + *pnPosition, L')') : nullptr;
                    if (psz != nullptr) *pnPosition = static_cast<unsigned long>(psz - pszText);
                }
                pclOut->Set(L" ");
            } else if (nServer == 1 && nArgument == 1) {
                pclOut->Set(L")");
            }
            break;
        case 75:
        case 76:
            if (nServer != 1 || bFirst) break;
            if (nArgument == 0) {
                if (_piOperand(piFunction, 1) == nullptr && pszText != nullptr) {
                    // No second operand: the host's text up to FOR stands for it.
                    const wchar_t* pszFor = wcsstr(pszText + *pnPosition, L"FOR");
                    const wchar_t* pszClose = wcschr(pszText + *pnPosition, L')');
                    if (pszFor != nullptr && (pszClose == nullptr || pszFor < pszClose)) {
                        CTString cl(pszText + *pnPosition, static_cast<long>(pszFor - (pszText + *pnPosition)));
                        pclOut->Set(L",");
                        pclOut->Add(cl.pszGet());
                        *pnPosition = static_cast<unsigned long>(pszFor - pszText) + 3;
                        break;
                    }
                }
                SkipPast(L"FROM");
            } else if (nArgument == 1) {
                SkipPast(L"FOR");
            }
            pclOut->Set(L",");
            break;
        case 92:
            if (bFirst) break;
            if (nServer == 1)
                pclOut->Set(L",'FMXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXXX'");
            else if (nServer == 11 && nArgument == 0)
                pclOut->Set(L"),3");
            break;
        default:
            break;
    }
}

// ---------------------------------------------------------------------------------- the whole query

int CNACommand::bFormatCondition(CSQLParserInfo* pclParser, CNACommand* pclCondition, int bKeepOrderBy, int nFlags) {
    const bool bAsWritten = nFlags == 1 || (nFlags & 4) != 0;
    m_bParsedQuery = bAsWritten ? 1u : 0u;
    if (bAsWritten) m_nColumnMode = 3;
    _SetSQLParserInfo(pclParser);
    if (pclParser == nullptr) return 0;
    // The host's text stays as it is while the command is written.
    const CTString clText(pclParser->pszGetRequete());
    const wchar_t* pszText = clText.pszGet() != nullptr ? clText.pszGet() : L"";
    const long nLength = clText.nTaille();

    CNARefArray<CNASqlElt> tabElements(30, 0);
    auto Add = [&](CNASqlElt::eSQLELT eKind, long nStart, long nEnd) {
        return g_llAddSqlElt(&tabElements, eKind, nStart, nEnd) >= 0 || nEnd < 0;
    };
    bool bStored = true;
    const bool bCondition = pclCondition != nullptr && !pclCondition->bIsEmpty();
    const long nGroupStart = pclParser->nGetRubriqueClauseGroupeNbr() > 0
                                 ? pclParser->piGetRubriqueClauseGroupe(0)->stGetPosition().nDebut
                                 : -1;
    const long nWhereStart = pclParser->nGetDebutWhere(), nWhereEnd = pclParser->nGetFinWhere();
    const long nHavingStart = pclParser->nGetDebutHaving(), nHavingEnd = pclParser->nGetFinHaving();
    const long nOrderStart = pclParser->nGetDebutOrderBy();
    if (!bAsWritten) {
        IInfoRequete* piQuery = pclParser->piGetInfoRequete();
        if (pclParser->nGetQueryKind() == CSQLParserInfo::QUERYKIND_INSERT) {
            if (IInfoInsertion* pi = pclParser->piEnumRubriqueInsert(1)) {
                const stPosition stItem = _stGetPositionExpression(pi->piGetRubrique());
                const stPosition stValue = _stGetPositionExpression(pi->piGetValeur());
                bStored &= Add(CNASqlElt::SQLELT_SELECT, stItem.nDebut, stItem.nFin);
                bStored &= Add(CNASqlElt::SQLELT_VALUES, stValue.nDebut, stValue.nFin);
            }
        } else if (pclParser->nGetQueryKind() == CSQLParserInfo::QUERYKIND_UPDATE) {
            if (IInfoAffectation* pi = pclParser->piEnumRubriqueUpdate(1)) {
                const stPosition st = _stGetPositionExpression(pi->piGetRubrique());
                bStored &= Add(CNASqlElt::SQLELT_VALUES, st.nDebut, st.nFin);
            }
        } else if (IInfoRubrique* pi = pclParser->piGetRubriqueOUT(0)) {
            const stPosition st = pi->stGetPosition();
            bStored &= Add(CNASqlElt::SQLELT_SELECT, st.nDebut, st.nFin);
        }
        for (int i = 0; i < pclParser->nGetFichierFromNbr(); i++) {
            const stPosition st = pclParser->piGetFichierFrom(i)->stGetPosition();
            bStored &= Add(CNASqlElt::SQLELT_FROM, st.nDebut, st.nFin);
        }
        if (piQuery != nullptr)
            for (IExpOpExpression* pi = piQuery->piEnumJointure(1); pi != nullptr; pi = piQuery->piEnumJointure(0)) {
                const stPosition st = pi->stGetPosition();
                bStored &= Add(CNASqlElt::SQLELT_JOIN, st.nDebut, st.nFin);
            }
        if (nWhereStart > 0) {
            bStored &= Add(CNASqlElt::SQLELT_WHERE, nWhereStart, nWhereEnd);
        } else if (bCondition) {
            const long nAt = static_cast<long>(_nGetClauseStart(pclParser, CNASqlElt::SQLELT_WHERE));
            bStored &= Add(CNASqlElt::SQLELT_WHERE, nAt, nAt);
        }
        if (nGroupStart >= 0) {
            const int nGroups = pclParser->nGetRubriqueClauseGroupeNbr();
            bStored &= Add(CNASqlElt::SQLELT_GROUPBY, nGroupStart,
                           pclParser->piGetRubriqueClauseGroupe(nGroups - 1)->stGetPosition().nFin);
        }
        if (nHavingStart > 0) bStored &= Add(CNASqlElt::SQLELT_HAVING, nHavingStart, nHavingEnd);
    }
    if (nOrderStart > 0) bStored &= Add(CNASqlElt::SQLELT_ORDERBY, nOrderStart, nLength - 1);
    CTabValParser* pclValues = pclParser->pclGetTabValParser();
    if (pclValues != nullptr && (pclValues->nGetNbValue() > 0 || pclValues->nGetNbRubrique() > 0)) {
        long nFirst = nLength;
        for (int i = 0; i < pclValues->nGetNbValue(); i++) nFirst = std::min<long>(nFirst, pclValues->nGetPosition(i));
        for (int i = 0; i < pclValues->nGetNbRubrique(); i++)
            nFirst = std::min<long>(nFirst, pclValues->nGetRubriquePosition(i));
        bStored &= Add(CNASqlElt::SQLELT_BINDVAR, std::max(0L, nFirst), nLength - 1);
    }
    if (!bStored) {
        _RaiseNoMemory(9);
        return 0;
    }

    // The elements in text order, each written after the text that comes before it.
    std::vector<CNASqlElt*> tabOrdered;
    for (int i = 0; i < tabElements.nGetNbElement(); i++) tabOrdered.push_back(tabElements[i]);
    std::stable_sort(tabOrdered.begin(), tabOrdered.end(),
                     [](CNASqlElt* a, CNASqlElt* b) { return CNASqlElt::pfnCmpELT(&a, &b) < 0; });
    unsigned long nPosition = 0;
    int bResult = 1;
    for (CNASqlElt* pcl : tabOrdered) {
        if (!bResult || nPosition >= static_cast<unsigned long>(nLength)) break;
        switch (pcl->eGetKind()) {
            case CNASqlElt::SQLELT_SELECT:
                bResult = _bFormatSELECTList(pclParser, pszText, &nPosition);
                break;
            case CNASqlElt::SQLELT_FROM:
                bResult = _bAddFromClause(pcl, &nPosition, pszText, pclParser);
                break;
            case CNASqlElt::SQLELT_WHERE:
                bResult = bAddTreeExpression(pclParser, nullptr, pszText, nullptr, pclParser->piGetWhereNoRef(),
                                             CNASqlElt::SQLELT_WHERE, &nPosition, pclCondition);
                break;
            case CNASqlElt::SQLELT_GROUPBY:
                bResult = _bFormatGROUPBY(pclParser, pszText, &nPosition);
                break;
            case CNASqlElt::SQLELT_HAVING:
                bResult = bAddTreeExpression(pclParser, nullptr, pszText, nullptr, pclParser->piGetHavingNoRef(),
                                             CNASqlElt::SQLELT_HAVING, &nPosition, nullptr);
                break;
            case CNASqlElt::SQLELT_ORDERBY: {
                int bUnique = 0;
                bResult = _bFormatORDERBY(&nPosition, pszText, bKeepOrderBy, 1, 1, &bUnique);
                break;
            }
            case CNASqlElt::SQLELT_BINDVAR:
                // Takes the rest of the text.
                bResult = _bAddClause(pclValues, pszText, pclParser->piGetParserNoRef(), 1, &nPosition);
                break;
            case CNASqlElt::SQLELT_JOIN:
                bResult = _bAddJoinClause(pclParser, pcl, pszText, &nPosition);
                break;
            case CNASqlElt::SQLELT_VALUES:
                bResult = _bFormatINSERTUPDATEList(pclParser, pszText, &nPosition);
                break;
            default:
                break;
        }
    }

    // The rest of the text; a query run as written loses its own ORDER BY unless it keeps it.
    if (bResult && nPosition < static_cast<unsigned long>(nLength)) {
        long nEnd = nLength;
        if (bAsWritten && !bKeepOrderBy) {
            const long nCut = s_nGetOrderByCut(m_pclConnection, pszText);
            if (nCut >= 0) nEnd = nCut;
        }
        if (nEnd > static_cast<long>(nPosition))
            bResult = _bCopyText(&m_clSQL, pszText, &nPosition, static_cast<unsigned long>(nEnd));
    }
    return bResult && !m_clSQL.bIsInError() ? 1 : 0;
}
