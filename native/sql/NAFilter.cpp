// CNAFilter: the condition of a filter range (and of a condition the host parsed) built as a
// search's equal condition; CNAFilterSave: which filter was in force.
#include "native/sql/NAFilter.h"

#include <initializer_list>
#include <new>

#include "native/driver/NAError.h"
#include "native/model/NAInterfaces.h"
#include "variant/VQCalc.h"

CNAFilter::CNAFilter(CNAError* pclError, CNAConnectionDescription* pclConnection)
    : CNARecherche(pclError, pclConnection) {}

CNAFilter::~CNAFilter() = default;

CNARecherche* CNAFilter::_pclAllocRecherche() const {
    return new (std::nothrow) CNAFilter(m_pclError, m_pclConnection);
}

CNAFilter* CNAFilter::pclCloneFilter() const {
    return static_cast<CNAFilter*>(CNARecherche::pclClone());
}

void CNAFilter::ActivateFilter(int bOn) {
    if (bOn)
        m_eState = STATE_EQUAL;
    else
        Desactivate();
}

int CNAFilter::g_bEqualsFilter(const CNAFilter* pclA, const CNAFilter* pclB) {
    if (pclA == nullptr && pclB == nullptr) return 1;
    if (pclA == nullptr) return !pclB->bIsFilterActive();
    if (pclB == nullptr) return !pclA->bIsFilterActive();
    return pclA->bEqualsFilter(pclB);
}

int CNAFilter::bSetFilter(CNARecord* pclRecord, INAItemDescription* piItem, const CAny* pclLower, int bLowerIncluded,
                          const CAny* pclUpper, int bUpperIncluded, ISQLParserInformation* piCondition, int nFlags) {
    for (CNAExpression** ppcl : {&m_pclEqual, &m_pclCurrent}) {
        if (*ppcl != nullptr) (*ppcl)->nRelease();
        *ppcl = nullptr;
    }
    _SetFetchItem(piItem);
    const unsigned nBaseFlags = static_cast<unsigned>(nFlags);
    // On a descending item the bounds come in key order: the range runs the other way, and each
    // bound keeps whether it is included.
    if (pclLower != nullptr && pclUpper != nullptr && piItem != nullptr && piItem->bGetDescendant(-1)) {
        const CAny* pclSwap = pclLower;
        pclLower = pclUpper;
        pclUpper = pclSwap;
        const int bSwap = bLowerIncluded;
        bLowerIncluded = bUpperIncluded;
        bUpperIncluded = bSwap;
    }
    CNAExpression* pclLowerCondition = nullptr;
    CNAExpression* pclUpperCondition = nullptr;
    if (pclLower != nullptr || (nBaseFlags & NARECH_FROMRECORD)) {
        eNAOperator eOp;
        if (nBaseFlags & NARECH_FROMRECORD) {
            eOp = pclUpper == nullptr ? NAOP_EQUAL : bLowerIncluded ? NAOP_GREATEREQUAL : NAOP_GREATER;
        } else {
            int n = 0;
            if (pclUpper != nullptr && nEgalite(*pclLower, *pclUpper, &n, 0) <= VQERR_DERNIER_SUCCES_HOTE && n != 0) {
                eOp = NAOP_EQUAL;
                pclUpper = nullptr;
            } else {
                eOp = bLowerIncluded ? NAOP_GREATEREQUAL : NAOP_GREATER;
            }
        }
        pclLowerCondition =
            _pclAddExpression(pclRecord, piItem, eOp, pclLower, nBaseFlags | NARECH_BOUND | NAEXP_LOWERBOUND, nullptr);
    }
    if (pclUpper != nullptr)
        pclUpperCondition = _pclAddExpression(pclRecord, piItem, bUpperIncluded ? NAOP_LESSEQUAL : NAOP_LESS, pclUpper,
                                              nBaseFlags | NARECH_BOUND | NAEXP_UPPERBOUND, nullptr);
    CNAExpression* pclCondition = nullptr;
    auto Join = [&](CNAExpression* pclMore) {
        if (pclMore == nullptr) return;
        if (pclCondition == nullptr) {
            pclCondition = pclMore;
            return;
        }
        CNAExpression* pclAnd = pclAllocExpression();
        if (pclAnd != nullptr) {
            pclAnd->InitExpression(NAOP_AND, pclCondition, pclMore, 0);
            pclAnd->AddRef();
        } else if (m_pclError != nullptr) {
            m_pclError->SetErrorNoMemory(m_pclConnection);
        }
        pclCondition->nRelease();
        pclMore->nRelease();
        pclCondition = pclAnd;
    };
    Join(pclLowerCondition);
    Join(pclUpperCondition);
    if (piCondition != nullptr) {
        CNAExpression* pclHost = pclAllocExpression();
        if (pclHost != nullptr) {
            pclHost->InitExpression(piCondition, 0);
            pclHost->AddRef();
        }
        Join(pclHost);
    }
    m_pclEqual = pclCondition;
    if (m_pclEqual != nullptr) {
        m_pclCurrent = m_pclEqual;
        m_pclCurrent->AddRef();
    }
    return 1;
}

// ---------------------------------------------------------------------------------- saved filter

CNAFilterSave::CNAFilterSave(CNAFilter* pclFilter) : m_pclFilter(nullptr) {
    SetFilter(pclFilter);
}

CNAFilterSave::~CNAFilterSave() {
    if (m_pclFilter != nullptr) m_pclFilter->nRelease();
}

void CNAFilterSave::SetFilter(CNAFilter* pclFilter) {
    if (pclFilter == m_pclFilter) return;
    if (m_pclFilter != nullptr) m_pclFilter->nRelease();
    m_pclFilter = pclFilter;
    // No filter in force is no active filter, whatever the one before was.
    m_bActive = 0;
    if (m_pclFilter == nullptr) return;
    m_pclFilter->AddRef();
    m_bActive = m_pclFilter->bIsFilterActive() ? 1u : 0u;
}

void CNAFilterSave::Copy(const CNAFilterSave& clOther) {
    if (clOther.m_pclFilter != nullptr) clOther.m_pclFilter->AddRef();
    if (m_pclFilter != nullptr) m_pclFilter->nRelease();
    m_pclFilter = clOther.m_pclFilter;
    m_bActive = clOther.m_bActive;
}

int CNAFilterSave::bFilterEquals(CNAFilter* pclFilter) const {
    const bool bActive = pclFilter != nullptr && pclFilter->bIsFilterActive();
    if ((m_bActive != 0) != bActive) return 0;
    if (!bActive) return 1;
    return CNAFilter::g_bEqualsFilter(m_pclFilter, pclFilter);
}
