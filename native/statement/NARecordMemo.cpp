// Memo table of a row: copies into the variants already there or into clones, sharing, padding.
#include "native/statement/NARecordMemo.h"

CNARecordMemo::CNARecordMemo() : m_tabMemo(4, 30) {}

CNARecordMemo::~CNARecordMemo() {
    m_tabMemo.SupprimeTout();
}

CNAConvertVariant* CNARecordMemo::pclGetMemoValueNoRef(int n) const {
    if (n < 0 || n >= m_tabMemo.nGetNbElement()) return nullptr;
    return m_tabMemo[n];
}

bool CNARecordMemo::_bPadTo(int n) {
    while (m_tabMemo.nGetNbElement() < n) {
        const int nAvant = m_tabMemo.nGetNbElement();
        m_tabMemo.Ajoute(nullptr);
        if (m_tabMemo.nGetNbElement() == nAvant) return false;
    }
    return true;
}

int CNARecordMemo::bCopyMemoValue(int n, const CNAConvertVariant* pclValue) {
    if (n < 0) return 0;
    CNAConvertVariant* pclOwn = pclGetMemoValueNoRef(n);
    if (pclOwn != nullptr) return pclOwn->bCopyVariant(pclValue);
    CNAConvertVariant* pclClone = nullptr;
    if (pclValue != nullptr) {
        pclClone = pclValue->pclGetCloneVariant();
        if (pclClone == nullptr) return 0;
    }
    // Held while the table grows, so that a refused growth frees it.
    if (pclClone != nullptr) pclClone->AddRef();
    const bool bOk = bShareMemoValue(n, pclClone) != 0;
    if (pclClone != nullptr) pclClone->nRelease();
    return bOk;
}

int CNARecordMemo::bCopyRecordMemo(const CNARecordMemo* pclSource) {
    if (pclSource == this) return 1;
    const int nSource = pclSource != nullptr ? pclSource->nGetNbMemo() : 0;
    const int nOwn = m_tabMemo.nGetNbElement();
    for (int i = 0; i < nSource; i++) {
        // The variant already there copies the value (a row's memo copied at every read); only a
        // missing one is made.
        CNAConvertVariant* pclOwn = i < nOwn ? m_tabMemo[i] : nullptr;
        const CNAConvertVariant* pclValue = pclSource->m_tabMemo[i];
        if (pclOwn != nullptr && pclOwn->bCopyHeldValue(pclValue)) continue;
        const int bOk = pclOwn != nullptr ? pclOwn->bCopyVariant(pclValue) : bCopyMemoValue(i, pclValue);
        if (!bOk) return 0;
    }
    for (int i = nSource; i < m_tabMemo.nGetNbElement(); i++)
        if (m_tabMemo[i] != nullptr) m_tabMemo[i]->SetNull();
    return 1;
}

int CNARecordMemo::bShareMemoValue(int n, CNAConvertVariant* pclValue) {
    if (n < 0 || !_bPadTo(n)) return 0;
    if (n < m_tabMemo.nGetNbElement()) {
        m_tabMemo.SetAt(pclValue, n);
        return 1;
    }
    m_tabMemo.Ajoute(pclValue);
    return m_tabMemo.nGetNbElement() > n;
}
