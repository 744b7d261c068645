// CNARecherche: setting a search, browsing on past the equal records, writing the WHERE condition,
// the parameters written, comparing and copying searches, and the extreme values of the types.
#include "native/sql/NARecherche.h"

#include <initializer_list>
#include <new>

#include "core/STRCompare.h"
#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NAColumn.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"
#include "native/sql/NACommand.h"
#include "native/sql/NAFilter.h"
#include "variant/DateTime.h"
#include "variant/Duree.h"
#include "variant/Money.h"
#include "variant/VQCalc.h"

namespace {

// An item that is unique and never NULL: a primary key, or a unique key that refuses NULL (asked of
// descriptions of version 9 and later; older ones only know automatic identifiers as such).
bool _bItemUniqueNotNull(INAItemDescription* piItem) {
    if (piItem == nullptr) return false;
    if (piItem->bPrimary()) return true;
    if (!piItem->bUnique()) return false;
    if (piItem->nGetVersion() >= 9) return piItem->vbConstraintNullAllowed() == 0;
    return g_bIsIdAuto(piItem->eNAGetItemType());
}

// Two values equal for the host (both empty or both NULL count as equal).
bool _bSameValue(const CAny& a, const CAny& b) {
    const bool bEmptyA = a.nGetTypeCode() == VQTYPE_VIDE, bEmptyB = b.nGetTypeCode() == VQTYPE_VIDE;
    if (bEmptyA || bEmptyB) return bEmptyA && bEmptyB;
    if (a.bIsNull() || b.bIsNull()) return a.bIsNull() && b.bIsNull();
    int n = 0;
    return nEgalite(a, b, &n, 0) <= VQERR_DERNIER_SUCCES_HOTE && n != 0;
}

}  // namespace

// ---------------------------------------------------------------------------------- life

CNARecherche::CNARecherche(CNAError* pclError, CNAConnectionDescription* pclConnection)
    : m_pclError(pclError), m_tabParameters(1, 30), m_pclConnection(pclConnection) {
    if (m_pclError != nullptr) m_pclError->AddRef();
    if (m_pclConnection != nullptr) m_pclConnection->AddRef();
}

CNARecherche::~CNARecherche() {
    _ReleaseExpressions();
    _SetFetchItem(nullptr);
    m_tabParameters.SupprimeTout();
    if (m_pclError != nullptr) m_pclError->nRelease();
    if (m_pclConnection != nullptr) m_pclConnection->nRelease();
}

void CNARecherche::_ReleaseExpressions() {
    for (CNAExpression** ppcl : {&m_pclEqual, &m_pclGreater, &m_pclLess, &m_pclCurrent}) {
        if (*ppcl != nullptr) (*ppcl)->nRelease();
        *ppcl = nullptr;
    }
}

void CNARecherche::_SetFetchItem(INAItemDescription* piItem) {
    if (piItem != nullptr) piItem->ExternalAddRef();
    if (m_piFetchItem != nullptr) m_piFetchItem->nExternalRelease();
    m_piFetchItem = piItem;
}

void CNARecherche::__Init() {
    _ReleaseExpressions();
    _SetFetchItem(nullptr);
    m_tabParameters.SupprimeTout();
    m_clValue = CAny();
    m_eState = STATE_INACTIVE;
    m_eDirection = NA_PARSE_CURRENT;
    m_bFound = 0;
    m_dwFlags = 0;
}

CNAExpression* CNARecherche::pclAllocExpression() {
    return new (std::nothrow) CNAExpression(m_pclError);
}

CNARecherche* CNARecherche::_pclAllocRecherche() const {
    return new (std::nothrow) CNARecherche(m_pclError, m_pclConnection);
}

// ---------------------------------------------------------------------------------- setting

int CNARecherche::bSetRecherche(CNARecord* pclRecord, INAItemDescription* piItem, const CAny* pclValue,
                                eNA_PARSEDIRECTION eDirection, int bExact, int) {
    return _bSetRecherche(pclRecord, piItem, pclValue, eDirection, bExact ? 0 : NARECH_GENERIC, nullptr);
}

int CNARecherche::bRechercheEnreg(CNARecord* pclRecord, INAItemDescription* piItem, eNA_PARSEDIRECTION eDirection,
                                  int bOnce, const CNARefArray<CNAColumn>* pclColumns) {
    const unsigned nFlags = NARECH_CURRENTRECORD | NARECH_FROMRECORD | (bOnce ? NARECH_ONCE : 0);
    return _bSetRecherche(pclRecord, piItem, nullptr, eDirection, nFlags, pclColumns);
}

int CNARecherche::_bSetRecherche(CNARecord* pclRecord, INAItemDescription* piItem, const CAny* pclValue,
                                 eNA_PARSEDIRECTION eDirection, unsigned nFlags,
                                 const CNARefArray<CNAColumn>* pclColumns) {
    _ReleaseExpressions();
    if (pclValue != nullptr) m_clValue = *pclValue;
    m_eDirection = eDirection;
    m_eState = STATE_EQUAL;
    m_bFound = 0;
    m_dwFlags = nFlags;
    _SetFetchItem(piItem);

    // The current record is designated by its unique key when the browse item is not one.
    CNAColumn* pclUnique = nullptr;
    if ((nFlags & NARECH_CURRENTRECORD) && piItem != nullptr && !piItem->bUnique() && pclRecord != nullptr) {
        if (pclColumns != nullptr) {
            for (int i = 0; i < pclColumns->nGetNbElement() && pclUnique == nullptr; i++) {
                CNAColumn* pcl = pclColumns->GetAt(i);
                if (pcl != nullptr && pcl->piGetItemNoRef()->bUnique() && pcl->bValueDefined()) pclUnique = pcl;
            }
        } else {
            pclUnique = pclRecord->pclGetUniqueKeyNotNullNoRef();
        }
    }
    if (pclUnique != nullptr)
        m_pclEqual = _pclAddExpression(pclRecord, pclUnique->piGetItemNoRef(), NAOP_EQUAL, nullptr, nFlags, pclColumns);
    else
        m_pclEqual = _pclAddExpression(pclRecord, piItem, NAOP_EQUAL, pclValue, nFlags, pclColumns);
    if (m_pclEqual == nullptr) {
        // The comparison holds for every row: there is nothing to search.
        m_eState = STATE_INACTIVE;
        return 1;
    }

    if ((nFlags & NARECH_ONCE) == 0) {
        const bool bAfresh = piItem == nullptr || piItem->bIsComposedKey() ||
                             ((nFlags & NARECH_CURRENTRECORD) && !_bItemUniqueNotNull(piItem));
        for (const eNAOperator eOp : {NAOP_GREATER, NAOP_LESS}) {
            CNAExpression* pclNew = nullptr;
            if (bAfresh) {
                pclNew = _pclAddExpression(pclRecord, piItem, eOp, pclValue, nFlags, pclColumns);
            } else {
                CNAExpression* pclClone = m_pclEqual->pclClone();
                if (pclClone != nullptr) {
                    pclClone->AddRef();
                    const bool bLeaf = pclClone->bIsLeaf();
                    CNAExpression* pclRoot = pclClone->pclTransformEqualTo(pclRecord, nullptr, eOp);
                    // A leaf alone at the top was wrapped: the new node is the condition.
                    if (bLeaf && pclRoot != pclClone) {
                        pclClone->nRelease();
                        pclClone = pclRoot;
                    }
                    pclNew = pclClone;
                }
            }
            (eOp == NAOP_GREATER ? m_pclGreater : m_pclLess) = pclNew;
        }
    }
    m_pclCurrent = m_pclEqual;
    m_pclCurrent->AddRef();
    return 1;
}

int CNARecherche::bAddExpression(CNARecord* pclRecord, INAItemDescription* piItem, eNAOperator eOp,
                                 const CAny* pclValue, int bGeneric, eNAOperator eJoin, int bBound) {
    const unsigned nFlags = (bGeneric ? NARECH_GENERIC : 0) | (bBound ? NARECH_BOUND : 0);
    if (m_eState == STATE_INACTIVE) _ReleaseExpressions();
    CNAExpression* pclCondition = _pclAddExpression(pclRecord, piItem, eOp, pclValue, nFlags, nullptr);
    if (pclCondition != nullptr) {
        for (CNAExpression** ppcl : {&m_pclEqual, &m_pclGreater, &m_pclLess}) {
            if (*ppcl == nullptr) {
                pclCondition->AddRef();
                *ppcl = pclCondition;
                continue;
            }
            CNAExpression* pclJoined = pclAllocExpression();
            if (pclJoined == nullptr) {
                pclCondition->nRelease();
                if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
                return 0;
            }
            pclJoined->InitExpression(eJoin, *ppcl, pclCondition, nFlags);
            pclJoined->AddRef();
            (*ppcl)->nRelease();
            *ppcl = pclJoined;
        }
        pclCondition->nRelease();
    }
    m_eState = STATE_EQUAL;
    if (m_pclCurrent != nullptr) m_pclCurrent->nRelease();
    m_pclCurrent = m_pclEqual;
    if (m_pclCurrent != nullptr) m_pclCurrent->AddRef();
    return 1;
}

void CNARecherche::Desactivate() {
    m_eState = STATE_INACTIVE;
    if (m_pclCurrent != nullptr) m_pclCurrent->nRelease();
    m_pclCurrent = nullptr;
}

// ---------------------------------------------------------------------------------- browsing on

int CNARecherche::bPeutContinuerParcours(unsigned nDirection) const {
    if (m_eState == STATE_EQUAL) return 1;
    if (m_eState == STATE_CONTINUE) return nDirection != m_eDirection;
    return 0;
}

void CNARecherche::_SetContinueParcours(unsigned nDirection) {
    if (m_pclCurrent != nullptr) m_pclCurrent->nRelease();
    if (m_eState == STATE_EQUAL) {
        m_eState = STATE_CONTINUE;
        m_pclCurrent = nDirection != 0 ? m_pclLess : m_pclGreater;
    } else {
        m_pclCurrent = m_pclEqual;
        m_eState = STATE_EQUAL;
    }
    if (m_pclCurrent != nullptr) m_pclCurrent->AddRef();
    m_eDirection = nDirection;
}

int CNARecherche::bSetContinueParcours(unsigned nDirection) {
    _SetContinueParcours(nDirection);
    return 1;
}

int CNARecherche::bReviensParcoursPrecedent(unsigned nDirection) {
    _SetContinueParcours(nDirection);
    return 1;
}

int CNARecherche::bIsComposedKeySearch() const {
    return (m_dwFlags & NARECH_CURRENTRECORD) == 0 && m_piFetchItem != nullptr && m_piFetchItem->bIsComposedKey();
}

CNAExpression* CNARecherche::pclGetExpression() const {
    if (m_pclEqual != nullptr) m_pclEqual->AddRef();
    return m_pclEqual;
}

CNAExpression* CNARecherche::pclGetExpressionNoRef(int n) const {
    switch (n) {
        case 0:
            return m_pclEqual;
        case 1:
            return m_pclGreater;
        case 2:
            return m_pclLess;
        default:
            return m_pclCurrent;
    }
}

// ---------------------------------------------------------------------------------- writing

int CNARecherche::bGetSQL(CNACommand* pclCommand, CNAFilter* pclFilter, CNARecord* pclRecord) {
    if (pclCommand == nullptr) return 0;
    pclCommand->ResetCommand(0);
    m_tabParameters.SupprimeTout();
    CNAExpression* pclFilterCondition =
        pclFilter != nullptr && pclFilter->bIsFilterActive() ? pclFilter->pclGetExpressionNoRef(0) : nullptr;
    CNAExpression* pclCondition = nullptr;
    if (m_pclCurrent != nullptr && pclFilterCondition != nullptr) {
        pclCondition = pclAllocExpression();
        if (pclCondition == nullptr) {
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
            return 0;
        }
        pclCondition->InitExpression(NAOP_AND, m_pclCurrent, pclFilterCondition,
                                     bIsComposedKeySearch() ? NAEXP_COMPOSEDKEY : 0);
    } else {
        pclCondition = m_pclCurrent != nullptr ? m_pclCurrent : pclFilterCondition;
    }
    if (pclCondition == nullptr) return 1;
    pclCondition->AddRef();
    int bConstant = 0;
    int bResult = pclCondition->bGetSQL(pclCommand, NAOP_EMPTY, this, &bConstant, pclRecord);
    if (bConstant) {
        // A condition that holds for no row still has to be written: an empty one holds for all.
        if (pclCondition->eGetOperator() == NAOP_FALSE && pclCommand->bIsEmpty())
            bResult = pclCommand->bComplete(L"0=1") && bResult;
    } else if (bResult) {
        bResult = pclCommand->bCopyColumnValuesNullSelected(pclCondition->pclGetNullStateNoRef());
    }
    pclCondition->nRelease();
    // A text that lost a piece to memory says so, as the other failures do.
    if (!bResult && !pclCommand->bComplete(L"") && m_pclError != nullptr &&
        m_pclError->eGetErrorType() == NA_ERRORTYPE_NONE)
        m_pclError->SetErrorNoMemory(m_pclConnection);
    return bResult;
}

// ---------------------------------------------------------------------------------- parameters

CNAParameter* CNARecherche::pclGetParameter(int i) const {
    if (i < 0 || i >= m_tabParameters.nGetNbElement()) return nullptr;
    CNAParameter* pcl = m_tabParameters[i];
    pcl->AddRef();
    return pcl;
}

int CNARecherche::GetParameterFromQuery(CNACommand* pclCommand, int nFirst) {
    for (int i = nFirst < 0 ? 0 : nFirst; i < pclCommand->nGetParameterNbr(); i++) {
        const int n = m_tabParameters.nGetNbElement();
        m_tabParameters.Ajoute(pclCommand->pclGetParameterNoRef(static_cast<unsigned>(i)));
        if (m_tabParameters.nGetNbElement() == n) {
            if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
            return 0;
        }
    }
    return 1;
}

CNAParameter* CNARecherche::_pclAddParameter(CNAColumn* pclColumn, CNAConvertVariant* pclValue, unsigned long nPosition,
                                             unsigned nFlags) {
    CNAParameter* pcl = CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocParameter_col(
                                                                pclColumn, pclValue, nPosition, nFlags, nullptr)
                                                          : nullptr;
    if (pcl != nullptr) {
        pcl->AddRef();
        const int n = m_tabParameters.nGetNbElement();
        m_tabParameters.Ajoute(pcl);
        const bool bStored = m_tabParameters.nGetNbElement() != n;
        pcl->nRelease();
        if (bStored) return pcl;
    }
    if (m_pclError != nullptr) m_pclError->SetErrorNoMemory(m_pclConnection);
    return nullptr;
}

void CNARecherche::_RemoveParameterByPos(unsigned long nPosition) {
    // One placed at the position itself ends the text kept: it is written before the cut.
    for (int i = m_tabParameters.nGetNbElement() - 1; i >= 0; i--)
        if (m_tabParameters[i]->nGetPosition() > nPosition) m_tabParameters.Supprime(i);
}

// ---------------------------------------------------------------------------------- comparing and copying

int CNARecherche::bEqualsSearch(const CNARecherche* pclOther) const {
    if (pclOther == this) return 1;
    if (pclOther == nullptr) return 0;
    if (m_eState != pclOther->m_eState || m_eDirection != pclOther->m_eDirection || m_dwFlags != pclOther->m_dwFlags)
        return 0;
    const wchar_t* pszA = m_piFetchItem != nullptr ? m_piFetchItem->pszGetName() : nullptr;
    const wchar_t* pszB = pclOther->m_piFetchItem != nullptr ? pclOther->m_piFetchItem->pszGetName() : nullptr;
    if ((pszA == nullptr) != (pszB == nullptr)) return 0;
    if (pszA != nullptr && STR_nCompareW(pszA, pszB, STR_LOGIQUE) != 0) return 0;
    if (!_bSameValue(m_clValue, pclOther->m_clValue)) return 0;
    if (m_tabParameters.nGetNbElement() != pclOther->m_tabParameters.nGetNbElement()) return 0;
    for (int i = 0; i < m_tabParameters.nGetNbElement(); i++)
        if (!m_tabParameters[i]->bEqualsParameter(pclOther->m_tabParameters[i])) return 0;
    return 1;
}

int CNARecherche::g_bEqualsSearch(const CNARecherche* pclA, const CNARecherche* pclB) {
    if (pclA == nullptr && pclB == nullptr) return 1;
    if (pclA == nullptr) return pclB->m_eState == STATE_INACTIVE;
    if (pclB == nullptr) return pclA->m_eState == STATE_INACTIVE;
    return pclA->bEqualsSearch(pclB);
}

CNARecherche* CNARecherche::pclClone() const {
    CNARecherche* pcl = _pclAllocRecherche();
    if (pcl == nullptr) return nullptr;
    CNAExpression* const apcl[4] = {m_pclEqual, m_pclGreater, m_pclLess, m_pclCurrent};
    CNAExpression** appclTarget[4] = {&pcl->m_pclEqual, &pcl->m_pclGreater, &pcl->m_pclLess, &pcl->m_pclCurrent};
    for (int i = 0; i < 4; i++) {
        if (apcl[i] != nullptr) apcl[i]->AddRef();
        *appclTarget[i] = apcl[i];
    }
    for (int i = 0; i < m_tabParameters.nGetNbElement(); i++) pcl->m_tabParameters.Ajoute(m_tabParameters[i]);
    pcl->m_eState = m_eState;
    pcl->m_eDirection = m_eDirection;
    pcl->m_bFound = m_bFound;
    pcl->m_dwFlags = m_dwFlags;
    pcl->m_clValue = m_clValue;
    return pcl;
}

// ---------------------------------------------------------------------------------- extreme values

namespace {

template <typename T>
void _SetRaw(CAny* pcl, unsigned short nType, T t) {
    pcl->__SetType(nType, 0);
    pcl->pclGetValeur()->SetValue(&t);
}

void _SetTextA(CAny* pcl, unsigned short nType, const char* psz) {
    pcl->__SetType(nType, 0);
    pcl->pclGetValeur()->SetValue(psz, strlen(psz));
}

void _SetTextW(CAny* pcl, unsigned short nType, const wchar_t* psz) {
    pcl->__SetType(nType, 0);
    pcl->pclGetValeur()->SetValue(psz, wcslen(psz) * sizeof(wchar_t));
}

void _SetAnyToBound(CAny* pcl, bool bMax) {
    if (pcl == nullptr) return;
    switch (pcl->nGetTypeCode()) {
        case VQTYPE_BOOL:
            pcl->SetBOOL(bMax ? 1 : 0);
            break;
        case VQTYPE_UI1:
            pcl->SetUI1(bMax ? 255 : 0);
            break;
        case VQTYPE_UI2:
            pcl->SetUI2(bMax ? 65535 : 0);
            break;
        case VQTYPE_UI4:
            pcl->SetUI4(bMax ? 4294967295u : 0u);
            break;
        case VQTYPE_UIX:
            _SetRaw<uint64_t>(pcl, VQTYPE_UIX, bMax ? 4294967295ull : 0ull);
            break;
        case VQTYPE_UI8:
            pcl->SetUI8(bMax ? ~0ul : 0ul);
            break;
        case VQTYPE_I1:
            pcl->SetI1(static_cast<char>(bMax ? 127 : -128));
            break;
        case VQTYPE_I2:
            pcl->SetI2(static_cast<short>(bMax ? 32767 : -32768));
            break;
        case VQTYPE_I4:
            pcl->SetI4(bMax ? 2147483647 : -2147483647 - 1);
            break;
        case VQTYPE_I8:
            pcl->SetI8(bMax ? 9223372036854775807l : -9223372036854775807l - 1);
            break;
        case VQTYPE_CY: {
            // The smallest money value the host searches from is 0, not a negative amount.
            CMoney cy{};
            if (bMax) SetMonetaireToMax(&cy);
            pcl->SetCY(cy);
            break;
        }
        case VQTYPE_R4:
            pcl->SetR4(bMax ? 3.4028235e38f : -3.4028235e38f);
            break;
        case VQTYPE_R8:
            pcl->SetR8(bMax ? 1.7976931348623157e308 : -1.7976931348623157e308);
            break;
        case VQTYPE_DATEW:
            _SetTextW(pcl, VQTYPE_DATEW, bMax ? L"30001231" : L"");
            break;
        case VQTYPE_TIMEW:
            _SetTextW(pcl, VQTYPE_TIMEW, bMax ? L"235959999" : L"0000");
            break;
        case VQTYPE_DATETIME: {
            CDateTime cl;
            if (bMax) {
                cl.bModifieAnnee(3000);
                cl.bModifieMois(12);
                cl.bModifieJour(31);
            }
            pcl->SetDATETIME(cl);
            break;
        }
        case VQTYPE_DUREE: {
            CDuree cl(bMax ? 9223372036854775807l : -9223372036854775807l - 1);
            pcl->SetDUREE(&cl);
            break;
        }
        case VQTYPE_DATEA:
            _SetTextA(pcl, VQTYPE_DATEA, bMax ? "30001231" : "");
            break;
        case VQTYPE_TIMEA:
            _SetTextA(pcl, VQTYPE_TIMEA, bMax ? "235959999" : "0000");
            break;
        default:
            // Decimals keep their value: the host's decimal gives no bounds here. Other types
            // have none.
            break;
    }
}

}  // namespace

void CNARecherche::s_SetAnyToMin(CAny* pclValue) {
    _SetAnyToBound(pclValue, false);
}

void CNARecherche::s_SetAnyToMax(CAny* pclValue) {
    _SetAnyToBound(pclValue, true);
}
