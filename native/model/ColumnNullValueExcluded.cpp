// NULL exclusion record of a search or filter condition.
#include "native/model/ColumnNullValueExcluded.h"

#include "core/STRCompare.h"
#include "native/model/NAColumn.h"

namespace {

// The operator value of AND.
constexpr int OPERATEUR_ET = 2;

}  // namespace

int CColumnNullValueExcluded::_nIndex(const CNAColumn* pclColumn) const {
    for (int i = 0; i < m_tabColumns.nGetNbElement(); i++)
        if (m_tabColumns[i] == pclColumn) return i;
    return -1;
}

bool CColumnNullValueExcluded::bColumnValuesNullSelected(const CNAColumn* pclColumn) const {
    const int i = _nIndex(pclColumn);
    return i < 0 || m_tabFlags[i] != 0;
}

bool CColumnNullValueExcluded::bColumnValuesNullSelected(const wchar_t* pszName) const {
    for (int i = 0; i < m_tabColumns.nGetNbElement(); i++)
        if (STR_nCompareW(m_tabColumns[i]->pszGetOriginalName(), pszName, STR_IGNORECASE) == 0)
            return m_tabFlags[i] != 0;
    return true;
}

void CColumnNullValueExcluded::Reset() {
    m_tabColumns.SupprimeTout();
    m_tabFlags.SupprimeTout();
}

bool CColumnNullValueExcluded::bCombineColumnValuesNullSelected(int eOperator, CNAColumn* pclColumn, int bFlag) {
    const int i = _nIndex(pclColumn);
    if (i >= 0) {
        if (eOperator == OPERATEUR_ET)
            m_tabFlags[i] = m_tabFlags[i] != 0 && bFlag != 0;
        else
            m_tabFlags[i] = m_tabFlags[i] != 0 || bFlag != 0;
        return true;
    }
    // Not recorded counts as admitting NULL: only AND with a column that excludes it changes that.
    if (eOperator == OPERATEUR_ET && !bFlag) {
        m_tabColumns.Ajoute(pclColumn);
        m_tabFlags.Ajoute(0);
    }
    return true;
}

bool CColumnNullValueExcluded::bCombineColumnValuesNullSelected(int eOperator,
                                                                const CColumnNullValueExcluded* pclOther) {
    if (pclOther == nullptr) {
        if (eOperator == 1) Reset();
        return true;
    }
    for (int i = 0; i < pclOther->m_tabColumns.nGetNbElement(); i++)
        bCombineColumnValuesNullSelected(eOperator, pclOther->m_tabColumns[i], pclOther->m_tabFlags[i]);
    return true;
}

bool CColumnNullValueExcluded::bCopyColumnValuesNullSelected(const CColumnNullValueExcluded* pclOther, int bInvert) {
    if (pclOther == nullptr) return true;
    for (int i = 0; i < pclOther->m_tabColumns.nGetNbElement(); i++) {
        m_tabColumns.Ajoute(pclOther->m_tabColumns[i]);
        const int bFlag = pclOther->m_tabFlags[i] != 0;
        m_tabFlags.Ajoute(bInvert ? !bFlag : bFlag);
    }
    return true;
}
