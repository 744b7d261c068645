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
    if (eOperator == OPERATEUR_ET && !bFlag) return _bAppend(pclColumn, 0);
    return true;
}

bool CColumnNullValueExcluded::_bAppend(CNAColumn* pclColumn, int bFlag) {
    // Both arrays grow together or neither does: a column without its flag would be read past the
    // flags' end. A column the heap had no room for stays unrecorded, which counts as admitting NULL.
    const int n = m_tabColumns.nGetNbElement();
    m_tabColumns.Ajoute(pclColumn);
    if (m_tabColumns.nGetNbElement() == n) return false;
    m_tabFlags.Ajoute(bFlag);
    if (m_tabFlags.nGetNbElement() == n + 1) return true;
    m_tabColumns.SupprimeDernier(1);
    return false;
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
    bool bAll = true;
    for (int i = 0; i < pclOther->m_tabColumns.nGetNbElement(); i++) {
        const int bFlag = pclOther->m_tabFlags[i] != 0;
        if (!_bAppend(pclOther->m_tabColumns[i], bInvert ? !bFlag : bFlag)) bAll = false;
    }
    return bAll;
}
