// The stand-in host's parsed queries and parameter values (see StandInParsedQuery.h).
#include "tests/host/StandInParsedQuery.h"

#include <cwchar>
#include <cwctype>
#include <stdexcept>

#include "native/model/NAInterfaces.h"

namespace standin {

namespace {

int g_nReleaseFaults = 0;

// One reference given back on a host count; a count already at 0 is a fault of the caller.
unsigned _nReleaseCount(CHostRefCount* p) {
    uint32_t n = __atomic_load_n(&p->m_nHostRef, __ATOMIC_ACQUIRE);
    if (n == 0) {
        g_nReleaseFaults++;
        return 0;
    }
    return __atomic_sub_fetch(&p->m_nHostRef, 1u, __ATOMIC_ACQ_REL);
}

std::wstring _sUpper(const wchar_t* psz) {
    std::wstring s = psz != nullptr ? psz : L"";
    for (wchar_t& c : s) c = static_cast<wchar_t>(towupper(static_cast<wint_t>(c)));
    return s;
}

// The next element of a list walked by the host's enumerators.
template <class T>
T* _pNext(const std::vector<T*>& tab, size_t* pnNext, int bFirst) {
    if (bFirst) *pnNext = 0;
    if (*pnNext >= tab.size()) return nullptr;
    return tab[(*pnNext)++];
}

}  // namespace

int nGetParsedQueryReleaseFaults() {
    return g_nReleaseFaults;
}
void ResetParsedQueryReleaseFaults() {
    g_nReleaseFaults = 0;
}

// ---------------------------------------------------------------------------------- nodes

CStandInExpression::~CStandInExpression() = default;
unsigned CStandInExpression::nRelease() {
    return _nReleaseCount(this);
}
int CStandInExpression::eGetOperateur() {
    return m_nOperator;
}
IExpOpExpression* CStandInExpression::piGetSousExpression() {
    return m_pclSub;
}
stPosition CStandInExpression::stGetPosition() {
    return m_stPosition;
}
stPosition CStandInExpression::stGetPositionValeur() {
    return m_stPositionValeur;
}
int CStandInExpression::bJointureExterne() {
    return m_bOuterJoin;
}
IExpOpExpression* CStandInExpression::piGetOperandeSuivant(int* pnCursor) {
    if (pnCursor == nullptr || *pnCursor < 0 || static_cast<size_t>(*pnCursor) >= m_tabOperands.size()) return nullptr;
    return m_tabOperands[static_cast<size_t>((*pnCursor)++)];
}
int CStandInExpression::nGetValeurEntiere() {
    return m_nInteger;
}
const CAny* CStandInExpression::pclGetValeur() {
    return m_pclValue;
}
wchar_t CStandInExpression::cGetEscape() {
    return m_cEscape;
}
const wchar_t* CStandInExpression::pszGetNomRubrique() {
    return m_sItem.c_str();
}
const wchar_t* CStandInExpression::pszGetNomFichier() {
    return m_sTable.c_str();
}
int CStandInExpression::nGetTypeMoteur() {
    return m_nEngineType;
}
int CStandInExpression::nGetTaille() {
    return m_nSize;
}

// ---------------------------------------------------------------------------------- clause items

CStandInFrom::~CStandInFrom() = default;
unsigned CStandInFrom::nRelease() {
    return _nReleaseCount(this);
}
const wchar_t* CStandInFrom::pszGetNom() {
    return m_sName.c_str();
}
const wchar_t* CStandInFrom::pszGetAlias() {
    return m_sAlias.c_str();
}
stPosition CStandInFrom::stGetPosition() {
    return m_stPosition;
}
stPosition CStandInFrom::stGetPositionAlias() {
    return m_stPositionAlias;
}

CStandInRubrique::~CStandInRubrique() = default;
unsigned CStandInRubrique::nRelease() {
    return _nReleaseCount(this);
}
const wchar_t* CStandInRubrique::pszGetNom() {
    return m_sName.c_str();
}
const wchar_t* CStandInRubrique::pszGetNomSource() {
    return m_sSource.c_str();
}
int CStandInRubrique::bCalcule() {
    return m_pclExpression != nullptr ? 1 : 0;
}
IExpOpExpression* CStandInRubrique::piGetExpression() {
    return m_pclExpression;
}
stPosition CStandInRubrique::stGetPosition() {
    return m_stPosition;
}
const wchar_t* CStandInRubrique::pszGetNomTable() {
    return m_sTable.c_str();
}
int CStandInRubrique::bRubriqueFichier() {
    return m_bPlain;
}
int CStandInRubrique::bMasque() {
    return m_bHidden;
}
int CStandInRubrique::nGetIndice() {
    return m_nIndex;
}
const wchar_t* CStandInRubrique::pszGetNomFichierSource() {
    return m_sFileSource.c_str();
}
const wchar_t* CStandInRubrique::pszGetNomTableSource() {
    return m_sTableSource.c_str();
}

CStandInOrderBy::~CStandInOrderBy() = default;
unsigned CStandInOrderBy::nRelease() {
    return _nReleaseCount(this);
}
int CStandInOrderBy::bDescendant() {
    return m_bDescending;
}
int CStandInOrderBy::nGetIndiceRubrique() {
    return m_nIndex;
}
stPosition CStandInOrderBy::stGetPosition() {
    return m_stPosition;
}

CStandInGroupe::~CStandInGroupe() = default;
const wchar_t* CStandInGroupe::pszGetAlias() {
    return m_sAlias.c_str();
}
int CStandInGroupe::bIsAvecTable() {
    return m_bWithTable;
}
const wchar_t* CStandInGroupe::pszGetNomTable() {
    return m_sTable.c_str();
}
const wchar_t* CStandInGroupe::pszGetNomRubrique() {
    return m_sItem.c_str();
}
stPosition CStandInGroupe::stGetPosition() {
    return m_stPosition;
}
const wchar_t* CStandInGroupe::pszGetNomFichier() {
    return m_sFile.c_str();
}
const wchar_t* CStandInGroupe::pszGetNomRubriqueAlias() {
    return m_sItemAlias.c_str();
}

CStandInInsertion::~CStandInInsertion() = default;
IExpOpExpression* CStandInInsertion::piGetValeur() {
    return m_pclValue;
}
IExpOpExpression* CStandInInsertion::piGetRubrique() {
    return m_pclItem;
}

CStandInAffectation::~CStandInAffectation() = default;
IExpOpExpression* CStandInAffectation::piGetRubrique() {
    return m_pclItem;
}
IExpOpExpression* CStandInAffectation::piGetValeur() {
    return m_pclValue;
}

// ---------------------------------------------------------------------------------- filled values

CStandInFilledValues::~CStandInFilledValues() = default;

const CStandInFilledValues::stEntry* CStandInFilledValues::_pst(const std::vector<stEntry>& tab, int n) const {
    if (n < 0 || static_cast<size_t>(n) >= tab.size()) {
        m_nBadIndex++;
        return nullptr;
    }
    return &tab[static_cast<size_t>(n)];
}
int CStandInFilledValues::nGetNbValue() const {
    return static_cast<int>(m_tabValues.size());
}
const CAny* CStandInFilledValues::pclGetValue(int n) const {
    const stEntry* pst = _pst(m_tabValues, n);
    return pst != nullptr ? pst->pclValue : nullptr;
}
int CStandInFilledValues::nGetPosition(int n) const {
    const stEntry* pst = _pst(m_tabValues, n);
    return pst != nullptr ? pst->nPosition : -1;
}
int CStandInFilledValues::nGetLength(int n) const {
    const stEntry* pst = _pst(m_tabValues, n);
    return pst != nullptr ? pst->nLength : 0;
}
unsigned CStandInFilledValues::dwGetFlags(int n) const {
    const stEntry* pst = _pst(m_tabValues, n);
    return pst != nullptr ? pst->dwFlags : 0;
}
int CStandInFilledValues::nGetNbRubrique() const {
    return static_cast<int>(m_tabItems.size());
}
const wchar_t* CStandInFilledValues::pszGetRubriqueTable(int n) const {
    const stEntry* pst = _pst(m_tabItems, n);
    return pst != nullptr ? pst->sTable.c_str() : nullptr;
}
const wchar_t* CStandInFilledValues::pszGetRubrique(int n) const {
    const stEntry* pst = _pst(m_tabItems, n);
    return pst != nullptr ? pst->sItem.c_str() : nullptr;
}
int CStandInFilledValues::nGetRubriquePosition(int n) const {
    const stEntry* pst = _pst(m_tabItems, n);
    return pst != nullptr ? pst->nPosition : -1;
}
int CStandInFilledValues::nGetRubriqueLength(int n) const {
    const stEntry* pst = _pst(m_tabItems, n);
    return pst != nullptr ? pst->nLength : 0;
}

// ---------------------------------------------------------------------------------- query object

CStandInQueryObject::~CStandInQueryObject() = default;
IInfoRubrique* CStandInQueryObject::piEnumRubrique(int bFirst) {
    return _pNext(m_pclQuery->m_tabOut, &m_nOut, bFirst);
}
int CStandInQueryObject::nGetNbGroupe() {
    return static_cast<int>(m_pclQuery->m_tabGroup.size());
}
IInfoFrom* CStandInQueryObject::piEnumFrom(int bFirst) {
    return _pNext(m_pclQuery->m_tabFrom, &m_nFrom, bFirst);
}
IInfoOrderBy* CStandInQueryObject::piEnumOrderBy(int bFirst) {
    return _pNext(m_pclQuery->m_tabOrder, &m_nOrder, bFirst);
}
IInfoGroupe* CStandInQueryObject::piGetGroupe(int n) {
    if (n < 0 || static_cast<size_t>(n) >= m_pclQuery->m_tabGroup.size()) return nullptr;
    return m_pclQuery->m_tabGroup[static_cast<size_t>(n)];
}
IExpOpExpression* CStandInQueryObject::piEnumJointure(int bFirst) {
    return _pNext(m_pclQuery->m_tabJoins, &m_nJoin, bFirst);
}
IInfoAffectation* CStandInQueryObject::piEnumAffectation(int bFirst) {
    return _pNext(m_pclQuery->m_tabAffectations, &m_nAffectation, bFirst);
}
IInfoInsertion* CStandInQueryObject::piEnumInsertion(int bFirst) {
    return _pNext(m_pclQuery->m_tabInsertions, &m_nInsertion, bFirst);
}

// ---------------------------------------------------------------------------------- parsed query

CStandInParsedQuery::CStandInParsedQuery(const std::wstring& sText) : m_sText(sText), m_clQueryObject(this) {}
CStandInParsedQuery::~CStandInParsedQuery() = default;

unsigned CStandInParsedQuery::nRelease() {
    return _nReleaseCount(this);
}
const wchar_t* CStandInParsedQuery::pszGetRequete() {
    return m_sText.c_str();
}
int CStandInParsedQuery::nGetDebutWhere() {
    return m_nWhereStart;
}
int CStandInParsedQuery::nGetFinWhere() {
    return m_nWhereEnd;
}
int CStandInParsedQuery::nGetDebutOrderBy() {
    return m_nOrderStart;
}
IInfoRequete* CStandInParsedQuery::piGetInfoRequete() {
    return &m_clQueryObject;
}
int CStandInParsedQuery::nGetDebutHaving() {
    return m_nHavingStart;
}
int CStandInParsedQuery::nGetFinHaving() {
    return m_nHavingEnd;
}
IExpOpExpression* CStandInParsedQuery::piGetExpressionWhere() {
    return m_pclWhere;
}
int CStandInParsedQuery::bVerifieModuleSQL(int nModule, int nVersion, uint32_t* pnVersionSQL) {
    m_tabModuleCalls.push_back({nModule, nVersion, pnVersionSQL});
    if (pnVersionSQL != nullptr) *pnVersionSQL = m_nModuleVersion;
    return m_bModuleAnswer;
}
CTabValParser* CStandInParsedQuery::pclGetTabValParser() {
    if (m_clValues.m_tabValues.empty() && m_clValues.m_tabItems.empty()) return nullptr;
    return &m_clValues;
}

CStandInFrom* CStandInParsedQuery::_pclFromOf(const std::wstring& sName) const {
    const std::wstring s = _sUpper(sName.c_str());
    for (CStandInFrom* pcl : m_tabFrom)
        if (_sUpper(pcl->m_sAlias.c_str()) == s) return pcl;
    for (CStandInFrom* pcl : m_tabFrom)
        if (_sUpper(pcl->m_sName.c_str()) == s) return pcl;
    return nullptr;
}

INADataSourceDescription* CStandInParsedQuery::_piSourceOf(const std::wstring& sTable) const {
    const CStandInFrom* pclFrom = _pclFromOf(sTable);
    auto it = m_mapSources.find(_sUpper(pclFrom != nullptr ? pclFrom->m_sName.c_str() : sTable.c_str()));
    return it != m_mapSources.end() ? it->second : nullptr;
}

INAItemDescription* CStandInParsedQuery::piGetItemDescription(const wchar_t* pszRubrique, const wchar_t* pszTable) {
    if (m_bThrow) throw std::runtime_error("host failure");
    // An unqualified item: the first FROM table that has it.
    std::vector<INADataSourceDescription*> tabSources;
    if (pszTable != nullptr && *pszTable != 0) {
        if (INADataSourceDescription* pi = _piSourceOf(pszTable)) tabSources.push_back(pi);
    } else {
        for (CStandInFrom* pcl : m_tabFrom)
            if (INADataSourceDescription* pi = _piSourceOf(pcl->m_sName)) tabSources.push_back(pi);
    }
    for (INADataSourceDescription* pi : tabSources)
        if (INAItemDescription* piItem = pi->piNAGetItem(pszRubrique)) return piItem;
    m_nMissedDescriptions++;
    return nullptr;
}

INADataSourceDescription* CStandInParsedQuery::piGetDataSourceDescriptionFrom(IInfoFrom* piFrom) {
    if (m_bThrow) throw std::runtime_error("host failure");
    INADataSourceDescription* pi = piFrom != nullptr ? _piSourceOf(piFrom->pszGetNom()) : nullptr;
    if (pi == nullptr) {
        m_nMissedDescriptions++;
        return nullptr;
    }
    pi->ExternalAddRef();
    return pi;
}

INADataSourceDescription* CStandInParsedQuery::piGetDataSourceDescription(const wchar_t* pszTable) {
    if (m_bThrow) throw std::runtime_error("host failure");
    INADataSourceDescription* pi = pszTable != nullptr ? _piSourceOf(pszTable) : nullptr;
    if (pi == nullptr) {
        m_nMissedDescriptions++;
        return nullptr;
    }
    pi->ExternalAddRef();
    return pi;
}

int CStandInParsedQuery::eGetTypeRequete() {
    return m_nKind;
}
IExpOpExpression* CStandInParsedQuery::piGetExpressionHaving() {
    return m_pclHaving;
}

void CStandInParsedQuery::GetPhysicalName(const wchar_t* pszTable, wchar_t* pszBuffer) {
    if (m_bThrow) throw std::runtime_error("host failure");
    pszBuffer[0] = 0;
    if (pszTable == nullptr) return;
    const CStandInFrom* pclFrom = _pclFromOf(pszTable);
    auto it = m_mapPhysical.find(_sUpper(pclFrom != nullptr ? pclFrom->m_sName.c_str() : pszTable));
    if (it == m_mapPhysical.end()) return;
    // The buffer's room and not one character more.
    wcsncpy(pszBuffer, it->second.c_str(), PHYSICAL_NAME_SIZE - 1);
    pszBuffer[PHYSICAL_NAME_SIZE - 1] = 0;
}

INAItemDescription* CStandInParsedQuery::piGetItemDescriptionOUT(int nIndice) {
    if (m_bThrow) throw std::runtime_error("host failure");
    auto it = m_mapOutDescriptions.find(nIndice);
    if (it == m_mapOutDescriptions.end() || it->second == nullptr) {
        m_nMissedDescriptions++;
        return nullptr;
    }
    it->second->ExternalAddRef();
    return it->second;
}

CStandInExpression* CStandInParsedQuery::pclNode(int nOperator, stPosition st) {
    m_tabNodes.push_back(std::make_unique<CStandInExpression>());
    CStandInExpression* pcl = m_tabNodes.back().get();
    pcl->m_nOperator = nOperator;
    pcl->m_stPosition = pcl->m_stPositionValeur = st;
    return pcl;
}

CStandInFrom* CStandInParsedQuery::pclFrom(const std::wstring& sName, stPosition st) {
    m_tabOwnedFrom.push_back(std::make_unique<CStandInFrom>());
    CStandInFrom* pcl = m_tabOwnedFrom.back().get();
    pcl->m_sName = pcl->m_sAlias = sName;
    pcl->m_stPosition = st;
    m_tabFrom.push_back(pcl);
    return pcl;
}

CStandInRubrique* CStandInParsedQuery::pclOut(const std::wstring& sName, stPosition st) {
    m_tabOwnedOut.push_back(std::make_unique<CStandInRubrique>());
    CStandInRubrique* pcl = m_tabOwnedOut.back().get();
    pcl->m_sName = pcl->m_sSource = sName;
    pcl->m_stPosition = st;
    pcl->m_nIndex = static_cast<int>(m_tabOut.size());
    if (!m_tabFrom.empty()) {
        pcl->m_sTable = m_tabFrom.front()->m_sAlias;
        pcl->m_sFileSource = pcl->m_sTableSource = m_tabFrom.front()->m_sName;
    }
    m_tabOut.push_back(pcl);
    return pcl;
}

CStandInOrderBy* CStandInParsedQuery::pclOrder(int nIndex, stPosition st, int bDescending) {
    m_tabOwnedOrder.push_back(std::make_unique<CStandInOrderBy>());
    CStandInOrderBy* pcl = m_tabOwnedOrder.back().get();
    pcl->m_nIndex = nIndex;
    pcl->m_stPosition = st;
    pcl->m_bDescending = bDescending;
    m_tabOrder.push_back(pcl);
    return pcl;
}

CStandInGroupe* CStandInParsedQuery::pclGroup(stPosition st) {
    m_tabOwnedGroup.push_back(std::make_unique<CStandInGroupe>());
    CStandInGroupe* pcl = m_tabOwnedGroup.back().get();
    pcl->m_stPosition = st;
    m_tabGroup.push_back(pcl);
    return pcl;
}

CStandInInsertion* CStandInParsedQuery::pclInsertion(CStandInExpression* pclItem, CStandInExpression* pclValue) {
    m_tabOwnedInsertion.push_back(std::make_unique<CStandInInsertion>());
    CStandInInsertion* pcl = m_tabOwnedInsertion.back().get();
    pcl->m_pclItem = pclItem;
    pcl->m_pclValue = pclValue;
    m_tabInsertions.push_back(pcl);
    return pcl;
}

CStandInAffectation* CStandInParsedQuery::pclAffectation(CStandInExpression* pclItem, CStandInExpression* pclValue) {
    m_tabOwnedAffectation.push_back(std::make_unique<CStandInAffectation>());
    CStandInAffectation* pcl = m_tabOwnedAffectation.back().get();
    pcl->m_pclItem = pclItem;
    pcl->m_pclValue = pclValue;
    m_tabAffectations.push_back(pcl);
    return pcl;
}

void CStandInParsedQuery::AddValue(stPosition st, const CAny* pclValue, unsigned dwFlags) {
    m_clValues.m_tabValues.push_back({st.nDebut, st.nFin - st.nDebut + 1, dwFlags, pclValue, L"", L""});
}

void CStandInParsedQuery::AddItemReference(stPosition st, const std::wstring& sTable, const std::wstring& sItem) {
    m_clValues.m_tabItems.push_back({st.nDebut, st.nFin - st.nDebut + 1, 0, nullptr, sTable, sItem});
}

void CStandInParsedQuery::SetSource(const std::wstring& sTable, INADataSourceDescription* piSource) {
    m_mapSources[_sUpper(sTable.c_str())] = piSource;
}

void CStandInParsedQuery::SetPhysicalName(const std::wstring& sTable, const std::wstring& sPhysical) {
    m_mapPhysical[_sUpper(sTable.c_str())] = sPhysical;
}

void CStandInParsedQuery::SetOutDescription(int nIndex, INAItemDescription* piItem) {
    m_mapOutDescriptions[nIndex] = piItem;
}

bool CStandInParsedQuery::bAllReleased() const {
    if (m_nHostRef != 0) return false;
    for (const auto& p : m_tabNodes)
        if (p->m_nHostRef != 0) return false;
    for (const auto& p : m_tabOwnedFrom)
        if (p->m_nHostRef != 0) return false;
    for (const auto& p : m_tabOwnedOut)
        if (p->m_nHostRef != 0) return false;
    for (const auto& p : m_tabOwnedOrder)
        if (p->m_nHostRef != 0) return false;
    return true;
}

// ---------------------------------------------------------------------------------- parameter values

CStandInQueryParameters::~CStandInQueryParameters() = default;
int CStandInQueryParameters::nGetVersion() {
    return 1;
}
int CStandInQueryParameters::nGetCompatSince() {
    return 1;
}
void CStandInQueryParameters::AddRef() {
    m_nRefs++;
}
unsigned CStandInQueryParameters::nRelease() {
    if (m_nRefs == 0) {
        g_nReleaseFaults++;
        return 0;
    }
    return static_cast<unsigned>(--m_nRefs);
}
int CStandInQueryParameters::bPrepareRequeteCalled() {
    return m_bPrepared;
}
const CAny* CStandInQueryParameters::pclGetValeur(const wchar_t* pszNom) {
    m_nValueCalls++;
    auto it = m_mapValues.find(pszNom != nullptr ? pszNom : L"");
    return it != m_mapValues.end() ? it->second : nullptr;
}
int CStandInQueryParameters::nGetDirection(const wchar_t* pszNom) {
    auto it = m_mapDirections.find(pszNom != nullptr ? pszNom : L"");
    return it != m_mapDirections.end() ? it->second : 1;
}

}  // namespace standin
