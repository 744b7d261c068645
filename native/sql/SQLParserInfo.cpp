// CSQLParserInfo: loading a parsed query from the host and the questions asked of it.
#include "native/sql/SQLParserInfo.h"

#include <cwchar>
#include <new>

#include "core/STRCompare.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"
#include "native/sql/NACommand.h"

namespace {

bool _bEqual(const wchar_t* psz1, const wchar_t* psz2) {
    return STR_nEmptyNullCompare(psz1, psz2, STR_LOGIQUE) == 0;
}

bool _bEmpty(const wchar_t* psz) {
    return psz == nullptr || *psz == 0;
}

// The next element of an array walked with a cursor (see the enumerations in the header).
template <class A>
auto _pEnum(const A& tab, int* pnCursor, int bFirst) -> decltype(tab.GetAt(0)) {
    if (bFirst)
        *pnCursor = 0;
    else if (*pnCursor < 0)
        return nullptr;
    else if (*pnCursor < tab.nGetNbElement())
        (*pnCursor)++;
    return *pnCursor < tab.nGetNbElement() ? tab.GetAt(*pnCursor) : nullptr;
}

// Host engine type codes of memo values.
bool _bMemoEngineType(int n) {
    return n == 15 || n == 16 || n == 29 || n == 30 || n == 40;
}

}  // namespace

// ---------------------------------------------------------------------------------- life

CSQLParserInfo::CSQLParserInfo(CNAError* pclError, ISQLParserInformation* piParser,
                               INAQueryParametersValue* piParameters, int bWithoutGroupOrder)
    : m_pclError(pclError) {
    if (m_pclError != nullptr) m_pclError->AddRef();
    Set(piParser, piParameters, bWithoutGroupOrder);
}

CSQLParserInfo::~CSQLParserInfo() {
    _Release();
    if (m_piParameters != nullptr) m_piParameters->nRelease();
    if (m_pclRecord != nullptr) m_pclRecord->nRelease();
    if (m_pclError != nullptr) m_pclError->nRelease();
}

void CSQLParserInfo::_Release() {
    m_tabFrom.SupprimeTout();
    m_tabOut.SupprimeTout();
    m_tabGroup.SupprimeTout();
    m_tabOrder.SupprimeTout();
    m_tabAffectation.SupprimeTout();
    m_tabInsertion.SupprimeTout();
    m_nCursorFrom = m_nCursorOut = m_nCursorGroup = m_nCursorOrder = -1;
    m_nCursorAffectation = m_nCursorInsertion = -1;
    m_piBest = m_piKey = m_piUnique = m_piIndexed = m_piOrderBy = nullptr;
    if (m_piWhere != nullptr) m_piWhere->nRelease();
    if (m_piHaving != nullptr) m_piHaving->nRelease();
    m_piWhere = m_piHaving = nullptr;
    if (m_piParser != nullptr) m_piParser->nRelease();
    m_piParser = nullptr;
    m_eQueryKind = 0;
    m_bAggregate = m_bNotPlain = 0;
    m_bLimited = -1;
}

void CSQLParserInfo::Set(ISQLParserInformation* piParser, INAQueryParametersValue* piParameters,
                         int bWithoutGroupOrder) {
    // The new objects are held before the old ones go, in case they are the same.
    g_HostAddRef(piParser);
    if (piParameters != nullptr) piParameters->AddRef();
    _Release();
    if (m_piParameters != nullptr) m_piParameters->nRelease();
    m_piParameters = piParameters;
    if (piParser == nullptr) return;
    m_piParser = piParser;

    IInfoRequete* piQuery = piParser->piGetInfoRequete();
    if (piQuery != nullptr) {
        for (IInfoFrom* pi = piQuery->piEnumFrom(1); pi != nullptr; pi = piQuery->piEnumFrom(0)) m_tabFrom.Ajoute(pi);
        for (IInfoRubrique* pi = piQuery->piEnumRubrique(1); pi != nullptr; pi = piQuery->piEnumRubrique(0)) {
            m_tabOut.Ajoute(pi);
            if (!m_bAggregate && pi->bCalcule()) {
                IExpOpExpression* piExpression = pi->piGetExpression();
                if (piExpression != nullptr && s_bIsGroupmentColumn(piExpression->eGetOperateur())) m_bAggregate = 1;
            }
            if (!pi->bRubriqueFichier())
                m_bNotPlain = 1;
            else if (m_tabFrom.nGetNbElement() == 1 && m_piKey == nullptr)
                _ClassifyItem(pi);
        }
    }
    m_eQueryKind = piParser->eGetTypeRequete();
    if (piQuery != nullptr && m_eQueryKind == QUERYKIND_UPDATE)
        for (IInfoAffectation* pi = piQuery->piEnumAffectation(1); pi != nullptr; pi = piQuery->piEnumAffectation(0))
            m_tabAffectation.Ajoute(pi);
    if (piQuery != nullptr && m_eQueryKind == QUERYKIND_INSERT)
        for (IInfoInsertion* pi = piQuery->piEnumInsertion(1); pi != nullptr; pi = piQuery->piEnumInsertion(0))
            m_tabInsertion.Ajoute(pi);
    m_piWhere = piParser->piGetExpressionWhere();
    g_HostAddRef(m_piWhere);
    if (!bWithoutGroupOrder) {
        m_piHaving = piParser->piGetExpressionHaving();
        g_HostAddRef(m_piHaving);
        const int nGroups = piQuery != nullptr ? piQuery->nGetNbGroupe() : 0;
        for (int i = 0; i < nGroups; i++) {
            IInfoGroupe* piGroup = piQuery->piGetGroupe(i);
            CInfoGroupe* pclCopy = piGroup != nullptr ? new (std::nothrow) CInfoGroupe(piGroup) : nullptr;
            if (pclCopy != nullptr) m_tabGroup.Ajoute(pclCopy);
        }
        if (piQuery != nullptr)
            for (IInfoOrderBy* pi = piQuery->piEnumOrderBy(1); pi != nullptr; pi = piQuery->piEnumOrderBy(0))
                m_tabOrder.Ajoute(pi);
        if (m_tabOrder.nGetNbElement() > 0) {
            IInfoRubrique* piItem = piGetRubriqueOfOrder(m_tabOrder[0]);
            if (piItem != nullptr) m_piOrderBy = m_piBest = piItem;
        }
    }
    if (m_piBest == nullptr && m_tabOut.nGetNbElement() > 0) {
        m_piBest = m_piKey != nullptr ? m_piKey
                   : m_piUnique != nullptr ? m_piUnique
                   : m_piIndexed != nullptr ? m_piIndexed
                                             : m_tabOut[0];
    }
}

bool CSQLParserInfo::_bUniqueNotNull(INAItemDescription* piItem) {
    if (piItem->nGetVersion() >= 9) return !piItem->vbConstraintNullAllowed();
    const eNA_ITEMTYPE eType = piItem->eNAGetItemType();
    return piItem->bPrimary() || eType == NA_IT_IDAUTO || eType == NA_IT_IDAUTO4;
}

void CSQLParserInfo::_ClassifyItem(IInfoRubrique* piItem) {
    INAItemDescription* piDesc = piGetItemDescription(piItem);
    if (piDesc == nullptr) return;
    if (!piDesc->bIsComposedKey()) {
        if (piDesc->bPrimary() || (piDesc->bUnique() && _bUniqueNotNull(piDesc))) {
            m_piKey = m_piUnique = m_piIndexed = piItem;
        } else if (m_piUnique == nullptr && piDesc->bUnique()) {
            m_piUnique = m_piIndexed = piItem;
        } else if (m_piIndexed == nullptr && piDesc->bDuplicates()) {
            m_piIndexed = piItem;
        }
    }
    piDesc->nExternalRelease();
}

// ---------------------------------------------------------------------------------- the query

const wchar_t* CSQLParserInfo::pszGetRequete() const {
    return m_piParser != nullptr ? m_piParser->pszGetRequete() : nullptr;
}

IInfoRequete* CSQLParserInfo::piGetInfoRequete() const {
    return m_piParser != nullptr ? m_piParser->piGetInfoRequete() : nullptr;
}

CTabValParser* CSQLParserInfo::pclGetTabValParser() const {
    return m_piParser != nullptr ? m_piParser->pclGetTabValParser() : nullptr;
}

int CSQLParserInfo::nGetDebutWhere() const {
    return m_piParser != nullptr ? m_piParser->nGetDebutWhere() : 0;
}
int CSQLParserInfo::nGetFinWhere() const {
    return m_piParser != nullptr ? m_piParser->nGetFinWhere() : 0;
}
int CSQLParserInfo::nGetDebutHaving() const {
    return m_piParser != nullptr ? m_piParser->nGetDebutHaving() : 0;
}
int CSQLParserInfo::nGetFinHaving() const {
    return m_piParser != nullptr ? m_piParser->nGetFinHaving() : 0;
}
int CSQLParserInfo::nGetDebutOrderBy() const {
    return m_piParser != nullptr ? m_piParser->nGetDebutOrderBy() : 0;
}

long CSQLParserInfo::nGetFinOrderBy() const {
    const int n = m_tabOrder.nGetNbElement();
    const wchar_t* pszText = pszGetRequete();
    if (n == 0 || pszText == nullptr || nGetDebutOrderBy() <= 0) return -1;
    const stPosition st = m_tabOrder[n - 1]->stGetPosition();
    const long nLength = static_cast<long>(wcslen(pszText));
    long nEnd = st.nFin;
    if (nEnd < 0 || nEnd >= nLength) return nEnd < 0 ? -1 : nLength - 1;
    // The direction word of the last item belongs to the clause.
    long i = nEnd + 1;
    while (i < nLength && CNACommand::s_bSeparateur(pszText[i]) && pszText[i] != L',') i++;
    for (const wchar_t* pszWord : {L"DESC", L"ASC"}) {
        const long nWord = static_cast<long>(wcslen(pszWord));
        if (i + nWord <= nLength && wcsncasecmp(pszText + i, pszWord, static_cast<size_t>(nWord)) == 0 &&
            (i + nWord == nLength || CNACommand::s_bSeparateur(pszText[i + nWord])))
            return i + nWord - 1;
    }
    return nEnd;
}

// ---------------------------------------------------------------------------------- enumerations

IInfoFrom* CSQLParserInfo::piEnumFichierFrom(int bFirst) {
    return _pEnum(m_tabFrom, &m_nCursorFrom, bFirst);
}
IInfoRubrique* CSQLParserInfo::piEnumRubriqueOUT(int bFirst) {
    return _pEnum(m_tabOut, &m_nCursorOut, bFirst);
}
CInfoGroupe* CSQLParserInfo::piEnumRubriqueClauseGroupe(int bFirst) {
    return _pEnum(m_tabGroup, &m_nCursorGroup, bFirst);
}
IInfoOrderBy* CSQLParserInfo::piEnumRubriqueClauseOrder(int bFirst) {
    return _pEnum(m_tabOrder, &m_nCursorOrder, bFirst);
}
IInfoAffectation* CSQLParserInfo::piEnumRubriqueUpdate(int bFirst) {
    return _pEnum(m_tabAffectation, &m_nCursorAffectation, bFirst);
}
IInfoInsertion* CSQLParserInfo::piEnumRubriqueInsert(int bFirst) {
    return _pEnum(m_tabInsertion, &m_nCursorInsertion, bFirst);
}

IInfoFrom* CSQLParserInfo::piGetFichierFrom(int n) const {
    return n >= 0 && n < m_tabFrom.nGetNbElement() ? m_tabFrom[n] : nullptr;
}
IInfoRubrique* CSQLParserInfo::piGetRubriqueOUT(int n) const {
    return n >= 0 && n < m_tabOut.nGetNbElement() ? m_tabOut[n] : nullptr;
}
CInfoGroupe* CSQLParserInfo::piGetRubriqueClauseGroupe(int n) const {
    return n >= 0 && n < m_tabGroup.nGetNbElement() ? m_tabGroup[n] : nullptr;
}
IInfoOrderBy* CSQLParserInfo::piGetRubriqueClauseOrder(int n) const {
    return n >= 0 && n < m_tabOrder.nGetNbElement() ? m_tabOrder[n] : nullptr;
}

IInfoRubrique* CSQLParserInfo::piEnumRubriqueOUT(const wchar_t* pszName) const {
    for (int i = 0; i < m_tabOut.nGetNbElement(); i++)
        if (_bEqual(m_tabOut[i]->pszGetNom(), pszName)) return m_tabOut[i];
    return nullptr;
}

IInfoRubrique* CSQLParserInfo::piGetRubriqueOfOrder(IInfoOrderBy* piOrder) const {
    return piOrder != nullptr ? piGetRubriqueOUT(piOrder->nGetIndiceRubrique()) : nullptr;
}

// ---------------------------------------------------------------------------------- items

INAItemDescription* CSQLParserInfo::piGetItemDescription(IInfoRubrique* piItem) const {
    if (m_piParser == nullptr || piItem == nullptr) return nullptr;
    try {
        return m_piParser->piGetItemDescriptionOUT(piItem->nGetIndice());
    } catch (...) {
        return nullptr;
    }
}

int CSQLParserInfo::bRubriqueUnique(IInfoRubrique* piItem) const {
    if (m_piUnique == nullptr || piItem == nullptr) return 0;
    if (piItem == m_piUnique) return 1;
    if (piItem->bCalcule()) return 0;
    INAItemDescription* piDesc = piGetItemDescription(piItem);
    if (piDesc == nullptr) return 0;
    const int b = piDesc->bUnique() ? 1 : 0;
    piDesc->nExternalRelease();
    return b;
}

int CSQLParserInfo::bRubriqueUniqueNotNull(IInfoRubrique* piItem) const {
    if (m_piKey == nullptr || piItem == nullptr) return 0;
    if (piItem == m_piKey) return 1;
    if (piItem->bCalcule()) return 0;
    INAItemDescription* piDesc = piGetItemDescription(piItem);
    if (piDesc == nullptr) return 0;
    const int b = piDesc->bPrimary() || (piDesc->bUnique() && _bUniqueNotNull(piDesc)) ? 1 : 0;
    piDesc->nExternalRelease();
    return b;
}

int CSQLParserInfo::s_nGetKindOfItem(IInfoRubrique* piItem) {
    if (piItem == nullptr || !piItem->bCalcule()) return ITEMKIND_PLAIN;
    IExpOpExpression* piExpression = piItem->piGetExpression();
    if (piExpression != nullptr && s_bIsGroupmentColumn(piExpression->eGetOperateur())) return ITEMKIND_AGGREGATE;
    return ITEMKIND_COMPUTED;
}

const wchar_t* CSQLParserInfo::pszGetOrderByItem() const {
    return m_piOrderBy != nullptr ? m_piOrderBy->pszGetNom() : nullptr;
}

const wchar_t* CSQLParserInfo::pszGetBestParseItem() const {
    return m_piBest != nullptr ? m_piBest->pszGetNom() : nullptr;
}

// ---------------------------------------------------------------------------------- tables and names

INADataSourceDescription* CSQLParserInfo::piGetNADataSourceDescription(const wchar_t* pszTable) const {
    if (m_piParser == nullptr) return nullptr;
    try {
        return m_piParser->piGetDataSourceDescription(pszTable);
    } catch (...) {
        return nullptr;
    }
}

CTString CSQLParserInfo::csGetFichierFrom_DBTableName(int n) const {
    CTString cl;
    IInfoFrom* piFrom = piGetFichierFrom(n);
    if (piFrom == nullptr || m_piParser == nullptr) return cl;
    INADataSourceDescription* piSource = nullptr;
    try {
        piSource = m_piParser->piGetDataSourceDescriptionFrom(piFrom);
    } catch (...) {
        piSource = nullptr;
    }
    if (piSource == nullptr) return cl;
    cl.Set(piSource->pszGetDBTableName());
    piSource->nExternalRelease();
    return cl;
}

const wchar_t* CSQLParserInfo::pszGetPhysicalName(const wchar_t* pszTable, ISQLParserInformation* piParser) {
    // One buffer for the process: the callers run under the driver's lock.
    static wchar_t s_szName[ISQLParserInformation::PHYSICAL_NAME_SIZE];
    if (piParser == nullptr || _bEmpty(pszTable)) return nullptr;
    s_szName[0] = 0;
    try {
        piParser->GetPhysicalName(pszTable, s_szName);
    } catch (...) {
        s_szName[0] = 0;
    }
    s_szName[ISQLParserInformation::PHYSICAL_NAME_SIZE - 1] = 0;
    return s_szName[0] != 0 ? s_szName : nullptr;
}

const wchar_t* CSQLParserInfo::pszGetPhysicalName(const wchar_t* pszTable) const {
    return pszGetPhysicalName(pszTable, m_piParser);
}

const wchar_t* CSQLParserInfo::pszGetPhysicalName(IInfoRubrique* piItem) const {
    if (piItem == nullptr) return nullptr;
    const wchar_t* pszTable = piItem->pszGetNomTable();
    const wchar_t* pszPhysical = pszGetPhysicalName(pszTable);
    return pszPhysical != nullptr ? pszPhysical : pszTable;
}

IInfoRubrique* CSQLParserInfo::g_piGetInfoRubriqueFromAlias(ISQLParserInformation* piParser, const wchar_t* pszTable,
                                                            const wchar_t* pszAlias) {
    IInfoRequete* piQuery = piParser != nullptr ? piParser->piGetInfoRequete() : nullptr;
    if (piQuery == nullptr || _bEmpty(pszAlias)) return nullptr;
    const bool bTable = !_bEmpty(pszTable);
    for (IInfoRubrique* pi = piQuery->piEnumRubrique(1); pi != nullptr; pi = piQuery->piEnumRubrique(0)) {
        if (bTable && pi->bMasque()) continue;
        if (!_bEqual(pi->pszGetNom(), pszAlias)) continue;
        if (bTable && !_bEqual(pi->pszGetNomTable(), pszTable)) continue;
        return pi;
    }
    return nullptr;
}

IInfoRubrique* CSQLParserInfo::piGetInfoRubriqueFromAlias(const wchar_t* pszTable, const wchar_t* pszAlias) const {
    if (_bEmpty(pszAlias)) return nullptr;
    const bool bTable = !_bEmpty(pszTable);
    for (int i = 0; i < m_tabOut.nGetNbElement(); i++) {
        IInfoRubrique* pi = m_tabOut[i];
        if (bTable && pi->bMasque()) continue;
        if (!_bEqual(pi->pszGetNom(), pszAlias)) continue;
        if (bTable && !_bEqual(pi->pszGetNomTable(), pszTable)) continue;
        return pi;
    }
    return nullptr;
}

int CSQLParserInfo::bIsTableAlias(const wchar_t* pszName, INADataSourceDescription** ppiSource) const {
    if (ppiSource != nullptr) *ppiSource = nullptr;
    for (int i = 0; i < m_tabFrom.nGetNbElement(); i++) {
        IInfoFrom* piFrom = m_tabFrom[i];
        if (!_bEqual(piFrom->pszGetAlias(), pszName)) continue;
        const int bAlias = _bEqual(piFrom->pszGetAlias(), piFrom->pszGetNom()) ? 0 : 1;
        // The table's description also for an alias: the item names behind it are looked up there.
        if (ppiSource != nullptr && m_piParser != nullptr) {
            try {
                *ppiSource = m_piParser->piGetDataSourceDescriptionFrom(piFrom);
            } catch (...) {
                *ppiSource = nullptr;
            }
        }
        return bAlias;
    }
    if (ppiSource != nullptr) *ppiSource = piGetNADataSourceDescription(pszName);
    return 0;
}

// ---------------------------------------------------------------------------------- columns

CInfoGroupe* CSQLParserInfo::piGetRubriqueClauseGroupe(const CNAColumn* pclColumn) const {
    if (pclColumn == nullptr) return nullptr;
    for (int i = 0; i < m_tabGroup.nGetNbElement(); i++)
        if (_bEqual(m_tabGroup[i]->pszGetNomRubriqueAlias(), pclColumn->pszGetName())) return m_tabGroup[i];
    return nullptr;
}

IInfoOrderBy* CSQLParserInfo::piGetRubriqueClauseOrder(const CNAColumn* pclColumn) const {
    if (pclColumn == nullptr) return nullptr;
    for (int i = 0; i < m_tabOrder.nGetNbElement(); i++) {
        IInfoRubrique* piItem = piGetRubriqueOfOrder(m_tabOrder[i]);
        if (piItem == nullptr) continue;
        if (_bEqual(piItem->pszGetNom(), pclColumn->pszGetName())) return m_tabOrder[i];
        // The same item of the same table under another output name.
        if (_bEqual(piItem->pszGetNomSource(), pclColumn->pszGetOriginalName()) &&
            _bEqual(pszGetPhysicalName(piItem), pclColumn->pszGetAliasNomTable()))
            return m_tabOrder[i];
    }
    return nullptr;
}

int CSQLParserInfo::bRubriqueSourceIsMemo(const CNAColumn* pclColumn) const {
    if (pclColumn == nullptr) return 0;
    IInfoRubrique* piItem = piEnumRubriqueOUT(pclColumn->pszGetName());
    if (piItem == nullptr) return 0;
    if (!piItem->bCalcule()) return pclColumn->bIsMemo() ? 1 : 0;
    return _bRubriqueSourceIsMemo(piItem->piGetExpression());
}

int CSQLParserInfo::_bRubriqueSourceIsMemo(IExpOpExpression* piExpression) {
    if (piExpression == nullptr) return 0;
    const int eOperator = piExpression->eGetOperateur();
    if (eOperator == OPEXPRESSION_ITEM) return _bMemoEngineType(piExpression->nGetTypeMoteur()) ? 1 : 0;
    if (eOperator == OPEXPRESSION_LITERAL || eOperator == OPEXPRESSION_LITERAL_OTHER) return 0;
    int nCursor = 0;
    for (IExpOpExpression* pi = piExpression->piGetOperandeSuivant(&nCursor); pi != nullptr;
         pi = piExpression->piGetOperandeSuivant(&nCursor))
        if (_bRubriqueSourceIsMemo(pi)) return 1;
    return 0;
}

// ---------------------------------------------------------------------------------- the query as a whole

int CSQLParserInfo::bHOperationAllowed() const {
    if (m_bAggregate || m_tabGroup.nGetNbElement() > 0 || m_bNotPlain) return 0;
    const wchar_t* pszText = pszGetRequete();
    if (pszText != nullptr && (wcsstr(pszText, L" DISTINCT ") != nullptr || wcsstr(pszText, L" distinct ") != nullptr))
        return 0;
    return 1;
}

int CSQLParserInfo::bQueryResultsetLimited(CNAConnectionDescription* pclConnection) {
    if (m_bLimited < 0) m_bLimited = CNACommand::s_bQueryResultsetLimited(pclConnection, pszGetRequete()) ? 1 : 0;
    return m_bLimited;
}

int CSQLParserInfo::bQueryShapesResultset(CNAConnectionDescription* pclConnection) {
    if (m_bAggregate || m_tabGroup.nGetNbElement() > 0 || m_piHaving != nullptr) return 1;
    if (bQueryResultsetLimited(pclConnection)) return 1;
    const wchar_t* pszText = pszGetRequete();
    if (pszText == nullptr) return 0;
    if (CNACommand::s_nGetClauseStart(pclConnection, pszText, L"OFFSET", -1) > 0) return 1;
    return CNACommand::s_nGetClauseStart(pclConnection, pszText, L"DISTINCT", -1) > 0 ? 1 : 0;
}

namespace {

bool _bIdAuto(INAItemDescription* piDesc) {
    if (piDesc == nullptr) return false;
    const eNA_ITEMTYPE eType = piDesc->eNAGetItemType();
    piDesc->nExternalRelease();
    return eType == NA_IT_IDAUTO || eType == NA_IT_IDAUTO4;
}

}  // namespace

int CSQLParserInfo::bQueryContainIdAuto() const {
    for (int i = 0; i < m_tabOut.nGetNbElement(); i++)
        if (_bIdAuto(piGetItemDescription(m_tabOut[i]))) return 1;
    return 0;
}

int CSQLParserInfo::bQueryContainIdAuto(ISQLParserInformation* piParser) {
    IInfoRequete* piQuery = piParser != nullptr ? piParser->piGetInfoRequete() : nullptr;
    if (piQuery == nullptr) return 0;
    for (IInfoRubrique* pi = piQuery->piEnumRubrique(1); pi != nullptr; pi = piQuery->piEnumRubrique(0)) {
        INAItemDescription* piDesc = nullptr;
        try {
            piDesc = piParser->piGetItemDescriptionOUT(pi->nGetIndice());
        } catch (...) {
            piDesc = nullptr;
        }
        if (_bIdAuto(piDesc)) return 1;
    }
    return 0;
}

// ---------------------------------------------------------------------------------- parameter values

int CSQLParserInfo::bHPrepareRequeteCalled() const {
    return m_piParameters != nullptr && m_piParameters->bPrepareRequeteCalled() ? 1 : 0;
}

INAQueryParametersValue* CSQLParserInfo::piGetUserBindVariable() const {
    if (m_piParameters != nullptr) m_piParameters->AddRef();
    return m_piParameters;
}

// ---------------------------------------------------------------------------------- record

void CSQLParserInfo::SetRecord(CNARecord* pclRecord) {
    if (pclRecord != nullptr) pclRecord->AddRef();
    if (m_pclRecord != nullptr) m_pclRecord->nRelease();
    m_pclRecord = pclRecord;
}

CSQLParserInfo* CSQLParserInfo::pclGetQueryParserInfoNoRef() const {
    return m_pclRecord != nullptr ? m_pclRecord->pclGetSourceQueryNoRef() : nullptr;
}

// ---------------------------------------------------------------------------------- operator codes

int CSQLParserInfo::s_bIsGroupmentColumn(int eOperator) {
    return eOperator >= OPEXPRESSION_AGGREGATE_FIRST && eOperator <= OPEXPRESSION_AGGREGATE_LAST ? 1 : 0;
}

int CSQLParserInfo::s_bIsFunction(int n) {
    return n == 6 || n == 7 || n == 8 || (n >= 27 && n <= 31) || (n >= 34 && n <= 39) || (n >= 42 && n <= 46) ||
                   (n >= 50 && n <= 57) || (n >= 59 && n <= 66) || (n >= 68 && n <= 72) || (n >= 74 && n <= 95) ||
                   (n >= 97 && n <= 103) || n == 108 || (n >= 136 && n <= 148) || n == 150 || n == 151 || n == 155
               ? 1
               : 0;
}
