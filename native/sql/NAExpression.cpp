// CNAExpression: building nodes, copies, the walk that writes a tree and folds its constant parts,
// the turning of equalities into comparisons, and the NULL state of each node.
#include "native/sql/NAExpression.h"

#include <new>

#include "core/RefArray.h"
#include "core/TTableauPtr.h"
#include "core/XYString.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/ColumnNullValueExcluded.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NARecord.h"
#include "native/sql/NACommand.h"
#include "native/sql/NARecherche.h"
#include "native/sql/ParsedQueryServices.h"
#include "native/sql/SQLParserInfo.h"
#include "variant/Any.h"

namespace {

// The text item types.
bool _bTextItem(eNA_ITEMTYPE e) {
    return e == NA_IT_TEXTE || e == NA_IT_MEMOTEXTE || e == NA_IT_CHAR || e == NA_IT_UNICODE || e == NA_IT_MEMOUNICODE;
}

// A place in the command's text: its length and its parameter count.
struct stMark {
    unsigned long nLength;
    int nParameters;
};

stMark _stMark(CNACommand* pclCommand) {
    return {pclCommand->nGetLength(), pclCommand->nGetParameterNbr()};
}

// Back to the mark: the text cut there, and the parameters placed in the cut text dropped, from
// the command and from the search. A parameter placed exactly at the mark stands at the end of
// the text kept (the last value written before the mark) and stays.
void _Truncate(CNACommand* pclCommand, CNARecherche* pclSearch, const stMark& st) {
    const int nBefore = pclCommand->nGetParameterNbr();
    CRefArray<CNAParameter> tabKept(4, 30);
    for (int i = 0; i < nBefore; i++) {
        CNAParameter* pcl = pclCommand->pclGetParameterNoRef(static_cast<unsigned>(i));
        if (pcl->nGetPosition() == st.nLength) tabKept.Ajoute(pcl);
    }
    pclCommand->Tronque(st.nLength);
    for (int i = 0; i < tabKept.nGetNbElement(); i++) pclCommand->bAddParameter(tabKept[i]);
    if (nBefore > st.nParameters && pclSearch != nullptr) pclSearch->_RemoveParameterByPos(st.nLength);
}

}  // namespace

// ---------------------------------------------------------------------------------- life

CNAExpression::CNAExpression(CNAError* pclError) : m_pclError(pclError) {
    if (m_pclError != nullptr) m_pclError->AddRef();
}

CNAExpression::~CNAExpression() {
    _ReleaseAll();
    delete m_pclNullState;
    if (m_pclError != nullptr) m_pclError->nRelease();
}

void CNAExpression::_ReleaseAll() {
    if (m_pclLeft != nullptr) m_pclLeft->nRelease();
    if (m_pclRight != nullptr) m_pclRight->nRelease();
    if (m_pclColumn != nullptr) m_pclColumn->nRelease();
    if (m_pclValue != nullptr) m_pclValue->nRelease();
    if (m_pclSource != nullptr) m_pclSource->nRelease();
    m_pclLeft = m_pclRight = nullptr;
    m_pclColumn = nullptr;
    m_pclValue = nullptr;
    m_pclSource = nullptr;
}

CNAExpression* CNAExpression::pclAllocExpression() {
    return new (std::nothrow) CNAExpression(m_pclError);
}

void CNAExpression::InitExpression(eNAOperator eOp, CNAExpression* pclLeft, CNAExpression* pclRight, unsigned nFlags) {
    // Held first: either may already be an operand of this node.
    if (pclLeft != nullptr) pclLeft->AddRef();
    if (pclRight != nullptr) pclRight->AddRef();
    _ReleaseAll();
    m_eOperator = eOp;
    m_pclLeft = pclLeft;
    m_pclRight = pclRight;
    _SetFlag(nFlags);
}

void CNAExpression::InitExpression(eNAOperator eOp, CNAColumn* pclColumn, CNAConvertVariant* pclValue,
                                   unsigned nFlags) {
    if (pclColumn != nullptr) pclColumn->AddRef();
    if (pclValue != nullptr) pclValue->AddRef();
    _ReleaseAll();
    m_eOperator = eOp;
    m_pclColumn = pclColumn;
    m_pclValue = pclValue;
    _SetFlag(nFlags);
    m_pclSource = pclColumn != nullptr ? pclColumn->pclGetSourceQueryNoRef() : nullptr;
    if (m_pclSource != nullptr) m_pclSource->AddRef();
}

void CNAExpression::InitExpression(ISQLParserInformation* piCondition, unsigned nFlags) {
    _ReleaseAll();
    m_eOperator = NAOP_SQL;
    m_pclSource = NA_pclNewSQLParserInfo(m_pclError, piCondition);
    _SetFlag(nFlags);
}

CNAExpression* CNAExpression::pclAllocExpression(eNAOperator eOp, CNAExpression* pclLeft, CNAExpression* pclRight,
                                                 unsigned nFlags) {
    CNAExpression* pcl = pclAllocExpression();
    if (pcl != nullptr) pcl->InitExpression(eOp, pclLeft, pclRight, nFlags);
    return pcl;
}

CNAExpression* CNAExpression::pclAllocExpression(eNAOperator eOp, CNAColumn* pclColumn, CNAConvertVariant* pclValue,
                                                 unsigned nFlags) {
    CNAExpression* pcl = pclAllocExpression();
    if (pcl != nullptr) pcl->InitExpression(eOp, pclColumn, pclValue, nFlags);
    return pcl;
}

CNAExpression* CNAExpression::pclAllocExpression(ISQLParserInformation* piCondition, unsigned nFlags) {
    CNAExpression* pcl = pclAllocExpression();
    if (pcl != nullptr) pcl->InitExpression(piCondition, nFlags);
    return pcl;
}

CNAExpression* CNAExpression::pclAddOperation(eNAOperator eOp, CNAExpression* pclRight) {
    return pclAllocExpression(eOp, this, pclRight, m_dwFlags);
}

void CNAExpression::_SetFlag(unsigned nFlags) {
    m_dwFlags = nFlags;
    if (m_pclColumn == nullptr || !_bTextItem(m_pclColumn->eNAGetItemType())) return;
    if ((nFlags & NAEXP_GENERIC) == 0 || (nFlags & NAEXP_COMPOSEDKEY) == 0) return;
    // A component of a composite key is searched by prefix only with a prefix to search.
    bool bPrefix = false;
    if (m_pclValue != nullptr && !m_pclValue->bIsNull()) {
        CAny clValue;
        m_pclValue->bGetValue(&clValue);
        CXYString<wchar_t> clText;
        bPrefix = clValue.__nFillString(clText, nullptr) <= VQERR_DERNIER_SUCCES_HOTE && clText.nGetLongueur() > 0;
    }
    if (!bPrefix) m_dwFlags &= ~NAEXP_GENERIC;
}

CNAExpression* CNAExpression::pclClone() {
    if (bIsLeaf()) return pclAllocExpression(m_eOperator, m_pclColumn, m_pclValue, m_dwFlags);
    CNAExpression* pclLeft = m_pclLeft != nullptr ? m_pclLeft->pclClone() : nullptr;
    CNAExpression* pclRight = m_pclRight != nullptr ? m_pclRight->pclClone() : nullptr;
    if (pclLeft != nullptr) pclLeft->AddRef();
    if (pclRight != nullptr) pclRight->AddRef();
    CNAExpression* pcl = nullptr;
    // A copy that lost an operand would write another condition.
    if ((m_pclLeft == nullptr || pclLeft != nullptr) && (m_pclRight == nullptr || pclRight != nullptr))
        pcl = pclAllocExpression(m_eOperator, pclLeft, pclRight, m_dwFlags);
    if (pclLeft != nullptr) pclLeft->nRelease();
    if (pclRight != nullptr) pclRight->nRelease();
    if (pcl != nullptr && m_pclSource != nullptr) {
        m_pclSource->AddRef();
        pcl->m_pclSource = m_pclSource;
    }
    return pcl;
}

void CNAExpression::Insert(CNAExpression* pclOld, CNAExpression* pclNew) {
    CNAExpression** ppcl = m_pclLeft == pclOld ? &m_pclLeft : m_pclRight == pclOld ? &m_pclRight : nullptr;
    if (ppcl == nullptr) return;
    if (pclNew != nullptr) pclNew->AddRef();
    *ppcl = pclNew;
    if (pclOld != nullptr) pclOld->nRelease();
}

// ---------------------------------------------------------------------------------- NULL state

CColumnNullValueExcluded* CNAExpression::_pclNullState() {
    if (m_pclNullState == nullptr) m_pclNullState = new (std::nothrow) CColumnNullValueExcluded();
    return m_pclNullState;
}

void CNAExpression::_ResetNullState() {
    if (m_pclNullState != nullptr) m_pclNullState->Reset();
}

int CNAExpression::_bRecordNullState(int bNullPasses) {
    CColumnNullValueExcluded* pcl = _pclNullState();
    if (pcl == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory();
        return 0;
    }
    // A column the record had no room for counts as letting NULL through: the record only ever
    // makes an ORDER BY stop early, so one that knows less orders by more columns.
    pcl->bCombineColumnValuesNullSelected(NAOP_AND, m_pclColumn, bNullPasses);
    return 1;
}

int CNAExpression::_bCopyNullState(const CNAExpression* pclFrom, int bInvert) {
    if (pclFrom == nullptr || pclFrom->m_pclNullState == nullptr) return 1;
    CColumnNullValueExcluded* pcl = _pclNullState();
    if (pcl == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory();
        return 0;
    }
    pcl->bCopyColumnValuesNullSelected(pclFrom->m_pclNullState, bInvert);
    return 1;
}

void CNAExpression::_CollectColumns(CTTableauPtr<CNAColumn>* pclColumns) const {
    if (m_pclColumn != nullptr) {
        bool bListed = false;
        for (int i = 0; i < pclColumns->nGetNbElement() && !bListed; i++) bListed = (*pclColumns)[i] == m_pclColumn;
        if (!bListed) pclColumns->Ajoute(m_pclColumn);
    }
    if (m_pclLeft != nullptr) m_pclLeft->_CollectColumns(pclColumns);
    if (m_pclRight != nullptr) m_pclRight->_CollectColumns(pclColumns);
}

int CNAExpression::_bCombineNullStates() {
    const CColumnNullValueExcluded* pclLeft = m_pclLeft->m_pclNullState;
    const CColumnNullValueExcluded* pclRight = m_pclRight->m_pclNullState;
    if (pclLeft == nullptr && pclRight == nullptr) return 1;
    CColumnNullValueExcluded* pcl = _pclNullState();
    if (pcl == nullptr) {
        if (m_pclError != nullptr) m_pclError->SetErrorNoMemory();
        return 0;
    }
    if (m_eOperator == NAOP_AND) {
        pcl->bCopyColumnValuesNullSelected(pclLeft, 0);
        pcl->bCombineColumnValuesNullSelected(NAOP_AND, pclRight);
        return 1;
    }
    // Under OR a NULL row passes when either side lets it pass; a column only one side names
    // passes through the other side, which does not test it.
    CTTableauPtr<CNAColumn> tabColumns(10, 30);
    _CollectColumns(&tabColumns);
    for (int i = 0; i < tabColumns.nGetNbElement(); i++) {
        CNAColumn* pclColumn = tabColumns[i];
        const bool bLeft = pclLeft == nullptr || pclLeft->bColumnValuesNullSelected(pclColumn);
        const bool bRight = pclRight == nullptr || pclRight->bColumnValuesNullSelected(pclColumn);
        if (!bLeft && !bRight) pcl->bCombineColumnValuesNullSelected(NAOP_AND, pclColumn, 0);
    }
    return 1;
}

int CNAExpression::bColumnValuesNullSelected(const CNAColumn* pclColumn) {
    if (m_pclNullState != nullptr) return m_pclNullState->bColumnValuesNullSelected(pclColumn) ? 1 : 0;
    if (m_pclColumn != pclColumn || (m_dwFlags & NAEXP_COMPOSEDKEY) != 0) return 1;
    if (m_eOperator != NAOP_EQUAL && m_eOperator != NAOP_GREATER && m_eOperator != NAOP_LESS &&
        m_eOperator != NAOP_DIFFERENT)
        return 1;
    const bool bNull = m_pclColumn->bNullOrEquivalent(m_pclValue);
    switch (m_eOperator) {
        case NAOP_EQUAL:
            return bNull;
        case NAOP_DIFFERENT:
            return !bNull;
        case NAOP_GREATER:
            return _bNullSortsFirst() ? bNull : !bNull;
        default:  // NAOP_LESS
            return _bNullSortsFirst() ? !bNull : bNull;
    }
}

// ---------------------------------------------------------------------------------- writing

int CNAExpression::bGetSQL(CNACommand* pclCommand, eNAOperator eParent, CNARecherche* pclSearch, int* pbConstant,
                           CNARecord* pclRecord) {
    int bConstantLocal = 0;
    if (pbConstant == nullptr) pbConstant = &bConstantLocal;
    *pbConstant = 0;
    _ResetNullState();
    if (m_eOperator == NAOP_EMPTY) return 1;
    if (m_pclColumn != nullptr) {
        const eNA_ITEMTYPE eType = m_pclColumn->eNAGetItemType();
        if (eType == NA_IT_BOOLEEN)
            _ProcessBoolean();
        else if (_bTextItem(eType))
            _ProcessString();
    }

    // A constant operand decides the node or drops out of it before anything is written.
    if ((m_eOperator == NAOP_AND || m_eOperator == NAOP_OR) && m_pclLeft != nullptr && m_pclRight != nullptr) {
        const eNAOperator eNeutral = m_eOperator == NAOP_AND ? NAOP_TRUE : NAOP_FALSE;
        const eNAOperator eAbsorbing = m_eOperator == NAOP_AND ? NAOP_FALSE : NAOP_TRUE;
        if (m_pclLeft->m_eOperator == eAbsorbing || m_pclRight->m_eOperator == eAbsorbing) {
            m_eOperator = eAbsorbing;
            *pbConstant = 1;
            return 1;
        }
        if (m_pclLeft->m_eOperator == eNeutral)
            return m_pclRight->bGetSQL(pclCommand, eParent, pclSearch, pbConstant, pclRecord);
        if (m_pclRight->m_eOperator == eNeutral)
            return m_pclLeft->bGetSQL(pclCommand, eParent, pclSearch, pbConstant, pclRecord);
    }
    // The negation of a constant is the other constant: a parent folds it like any other.
    if (m_eOperator == NAOP_NOT && m_pclLeft != nullptr &&
        (m_pclLeft->m_eOperator == NAOP_TRUE || m_pclLeft->m_eOperator == NAOP_FALSE)) {
        m_eOperator = m_pclLeft->m_eOperator == NAOP_TRUE ? NAOP_FALSE : NAOP_TRUE;
        *pbConstant = 1;
        return 1;
    }

    if (m_eOperator == NAOP_SQL) return _bGetSQLFromSQL(pclCommand, pclSearch, pclRecord);
    if (m_eOperator != NAOP_AND && m_eOperator != NAOP_OR && m_eOperator != NAOP_NOT)
        return _bGetSQLFromValue(pclCommand, pclSearch, pbConstant);

    const stMark stFirst = _stMark(pclCommand);
    int bResult = 1;
    if (m_eOperator == NAOP_NOT) {
        if (m_pclLeft == nullptr) return 1;
        bResult = pclCommand->bComplete(L" NOT ") && pclCommand->bComplete(L"(");
        int bOperandConstant = 0;
        if (bResult) bResult = m_pclLeft->bGetSQL(pclCommand, NAOP_NOT, pclSearch, &bOperandConstant, pclRecord);
        if (bOperandConstant) {
            m_eOperator = m_pclLeft->m_eOperator == NAOP_TRUE ? NAOP_FALSE : NAOP_TRUE;
            *pbConstant = 1;
        } else {
            if (bResult) bResult = pclCommand->bComplete(L")");
            if (bResult) bResult = _bCopyNullState(m_pclLeft, 1);
        }
    } else {
        const bool bParenthesis = eParent == NAOP_AND || eParent == NAOP_NOT;
        if (bParenthesis) bResult = pclCommand->bComplete(L"(");
        int bLeftConstant = 0, bRightConstant = 0;
        if (bResult && m_pclLeft != nullptr)
            bResult = m_pclLeft->bGetSQL(pclCommand, m_eOperator, pclSearch, &bLeftConstant, pclRecord);
        stMark stSecond = _stMark(pclCommand);
        if (!bLeftConstant) {
            if (bResult) bResult = pclCommand->bComplete(s_pszDumpOp(m_eOperator));
            if (bResult && m_pclRight != nullptr)
                bResult = m_pclRight->bGetSQL(pclCommand, m_eOperator, pclSearch, &bRightConstant, pclRecord);
        } else {
            _Truncate(pclCommand, pclSearch, stFirst);
            const eNAOperator eLeft = m_pclLeft->m_eOperator;
            if ((m_eOperator == NAOP_AND && eLeft == NAOP_FALSE) || (m_eOperator == NAOP_OR && eLeft == NAOP_TRUE)) {
                m_eOperator = eLeft;
                *pbConstant = 1;
            } else if (bResult && m_pclRight != nullptr) {
                stSecond = stFirst;
                bResult = m_pclRight->bGetSQL(pclCommand, eParent, pclSearch, &bRightConstant, pclRecord);
            }
        }
        if (bRightConstant && !*pbConstant) {
            const eNAOperator eRight = m_pclRight->m_eOperator;
            if (bLeftConstant) {
                m_eOperator = eRight;
                *pbConstant = 1;
            } else if ((m_eOperator == NAOP_AND && eRight == NAOP_FALSE) ||
                       (m_eOperator == NAOP_OR && eRight == NAOP_TRUE)) {
                m_eOperator = eRight;
                *pbConstant = 1;
            }
            _Truncate(pclCommand, pclSearch, bLeftConstant ? stFirst : stSecond);
        }
        if (!*pbConstant && bResult) {
            if (!bLeftConstant && !bRightConstant)
                bResult = _bCombineNullStates();
            else
                bResult = _bCopyNullState(bRightConstant ? m_pclLeft : m_pclRight, 0);
        }
        if (bResult && bParenthesis && !bLeftConstant && !*pbConstant) bResult = pclCommand->bComplete(L")");
    }
    if (*pbConstant) _Truncate(pclCommand, pclSearch, stFirst);
    return bResult;
}

// ---------------------------------------------------------------------------------- continuing a browse

CNAExpression* CNAExpression::pclTransformEqualTo(CNARecord* pclRecord, CNAExpression* pclParent, eNAOperator eOp) {
    if (m_eOperator == NAOP_AND || m_eOperator == NAOP_OR || m_eOperator == NAOP_NOT) {
        CNAExpression* pclLast = this;
        if (m_pclLeft != nullptr) pclLast = m_pclLeft->pclTransformEqualTo(pclRecord, this, eOp);
        if (m_pclRight != nullptr) pclLast = m_pclRight->pclTransformEqualTo(pclRecord, this, eOp);
        return pclLast;
    }
    if (!bIsLeaf() || m_eOperator != NAOP_EQUAL) return this;
    const eNA_ITEMTYPE eType = m_pclColumn->eNAGetItemType();
    const bool bText =
        eType == NA_IT_TEXTE || eType == NA_IT_MEMOTEXTE || eType == NA_IT_UNICODE || eType == NA_IT_MEMOUNICODE;
    if (bText && bIsGenerique() && m_pclValue != nullptr && !m_pclValue->bIsNull()) {
        if (eOp == NAOP_LESS) {
            m_eOperator = NAOP_LESS;
            return this;
        }
        // Past a prefix: the values after it that do not begin with it. The leaf itself becomes
        // that second test (NOT LIKE), which a NULL value passes as it does not begin with the
        // prefix either: a NOT over the LIKE would leave the NULL rows out of the browse.
        CNAExpression* pclNew = pclAllocExpression(eOp, m_pclColumn, m_pclValue, m_dwFlags);
        if (pclNew == nullptr) return this;
        pclNew->AddRef();
        CNAExpression* pclAnd = pclAllocExpression(NAOP_AND, this, pclNew, m_dwFlags);
        pclNew->nRelease();
        if (pclAnd == nullptr) return this;
        m_eOperator = NAOP_DIFFERENT;
        pclAnd->AddRef();
        // The new node holds this leaf: the parent's reference moves to it.
        if (pclParent != nullptr) {
            pclParent->Insert(this, pclAnd);
            pclAnd->nRelease();
        }
        // Without a parent the caller takes the new node (the count it holds is this one).
        return pclAnd;
    }
    if (s_eGetSensTriColonne(pclRecord, m_pclColumn) == 1) eOp = s_eInvertOperator(eOp);
    m_eOperator = eOp;
    if ((eOp == NAOP_GREATER || eOp == NAOP_GREATEREQUAL) && bIsGenerique()) _AfterPartialDate();
    return this;
}

void CNAExpression::_AfterPartialDate() {
    // A partial date or time names a period: the values after it start where the period ends.
    // Compared with the partial value itself, the rest of the period would be read again.
    const eNA_ITEMTYPE eType = m_pclColumn->eNAGetItemType();
    if ((eType != NA_IT_HEURE && eType != NA_IT_DATE8 && eType != NA_IT_DATETIME) || m_pclValue == nullptr ||
        m_pclValue->bIsNull())
        return;
    CAny clValue;
    m_pclValue->bGetValue(&clValue);
    CXYString<wchar_t> clText;
    if (clValue.__nFillString(clText, nullptr) > VQERR_DERNIER_SUCCES_HOTE) return;
    const int nComplete = eType == NA_IT_HEURE   ? static_cast<int>(m_pclColumn->nGetLogicalSize())
                          : eType == NA_IT_DATE8 ? 8
                                                 : 17;
    CAny clEnd;
    if (clText.nGetLongueur() == 0 || clText.nGetLongueur() >= nComplete) return;
    if (!s_bGetBorneRechercheDateMax(eType, &clValue, &clEnd)) {
        // A period that runs to the end of the day or of time ("23", "9999"): nothing follows it.
        CAny clStart;
        if (s_bGetBorneRechercheDateMin(eType, &clValue, &clStart)) {
            m_eOperator = NAOP_FALSE;
            m_dwFlags &= ~NAEXP_GENERIC;
        }
        return;
    }
    CNADriver* pclDriver = CNADriver::s_pclDriver;
    CNAConvertVariant* pclEnd = pclDriver != nullptr ? pclDriver->pclGetNewVariant_NV_Any(
                                                           m_pclError, m_pclColumn->pclGetCnx(), m_pclColumn, &clEnd)
                                                     : nullptr;
    if (pclEnd == nullptr) return;
    pclEnd->AddRef();
    // The value object is shared with the equal condition this one was copied from: replaced, not changed.
    if (m_pclValue != nullptr) m_pclValue->nRelease();
    m_pclValue = pclEnd;
    m_eOperator = NAOP_GREATEREQUAL;
    m_dwFlags &= ~NAEXP_GENERIC;
}

// ---------------------------------------------------------------------------------- statics

const wchar_t* CNAExpression::s_pszDumpOp(eNAOperator eOp) {
    static const wchar_t* const s_tab[] = {L"",   L" OR ", L" AND ", L" NOT ", L"=",  L">",        L"<",          L">=",
                                           L"<=", L"",     L"0=1",   L"1=1",   L"<>", L" IS NULL", L"IS NOT NULL"};
    return eOp < sizeof(s_tab) / sizeof(s_tab[0]) ? s_tab[eOp] : L"";
}

eNAOperator CNAExpression::s_eInvertOperator(eNAOperator eOp) {
    switch (eOp) {
        case NAOP_GREATER:
            return NAOP_LESS;
        case NAOP_LESS:
            return NAOP_GREATER;
        case NAOP_GREATEREQUAL:
            return NAOP_LESSEQUAL;
        case NAOP_LESSEQUAL:
            return NAOP_GREATEREQUAL;
        default:
            return eOp;
    }
}

eOPEXPRESSION CNAExpression::Convert_eNAOperator_To_eOPEXPRESSION(eNAOperator eOp) {
    switch (eOp) {
        case NAOP_EQUAL:
            return OPEXPRESSION_EQUAL;
        case NAOP_GREATER:
            return OPEXPRESSION_GREATER;
        case NAOP_LESS:
            return OPEXPRESSION_LESS;
        case NAOP_GREATEREQUAL:
            return OPEXPRESSION_GREATEREQUAL;
        case NAOP_LESSEQUAL:
            return OPEXPRESSION_LESSEQUAL;
        case NAOP_DIFFERENT:
            return OPEXPRESSION_DIFFERENT;
        case NAOP_ISNULL:
            return OPEXPRESSION_ISNULL;
        default:
            return OPEXPRESSION_NONE;
    }
}

int CNAExpression::s_eGetSensTriColonne(CNARecord* pclRecord, const CNAColumn* pclColumn) {
    if (pclRecord == nullptr || pclColumn == nullptr) return 0;
    CSQLParserInfo* pclParser = pclRecord->pclGetSourceQueryNoRef();
    // A query run as the host wrote it keeps its own order, which the driver does not read.
    if (pclParser == nullptr || (NA_nGetDataAccessQueryFlags(pclRecord->pclGetDataAccessNoRef()) & 4) != 0) return 0;
    return NA_nGetOrderByDirection(pclParser, pclColumn) == 1 ? 1 : 0;
}

int CNAExpression::_bNullSortsFirst() const {
    CNAConnectionDescription* pclCnx = m_pclColumn != nullptr ? m_pclColumn->pclGetCnx() : nullptr;
    return pclCnx == nullptr || pclCnx->bNULLBeforeNotNULL();
}
