// Saved-record slots: keeping a record (found by identity, a released slot reused, or a new one),
// reference counts, release.
#include "native/statement/NARecordCachePosition.h"

CNARecordCachePosition::CNARecordCachePosition() : m_tabRef(DEFAULT_REF_GROW_STEP, 30) {
    m_nFlags = FLAG_ACTIVE;
}

CNARecordCachePosition::~CNARecordCachePosition() = default;

void CNARecordCachePosition::SetGrowStep(int nRows, int nBytes) {
    CNARecordCache::SetGrowStep(nRows, nBytes);
    if (nRows != 0) m_tabRef.SetPasAgrandissement(nRows);
}

int CNARecordCachePosition::nAjoute(const CNARecordValue*) {
    return -1;
}

void CNARecordCachePosition::Supprime(int) {}

int CNARecordCachePosition::_Insere(const CNARecordValue*, int) {
    return -1;
}

void CNARecordCachePosition::SupprimeTout() {
    m_tabRef.SupprimeTout();
    m_nFirstFree = -1;
    CNARecordCache::SupprimeTout();
}

int CNARecordCachePosition::_nAjoute(const CNARecordValue* pclValue) {
    if (!CTSimpleTable<CNAYFRecord>::s_bReserve(&m_tabRef, 1)) return -1;
    const int n = _nInsereRow(pclValue, nGetNbRecord());
    if (n >= 0) m_tabRef.Ajoute(0);
    return n;
}

int CNARecordCachePosition::nKeepRecordSave(const CNARecordValue* pclValue) {
    const int nFound = nGetRecordIndice(pclValue);
    if (nFound >= 0) return nFound;
    if (m_nFirstFree >= 0) {
        for (int n = m_nFirstFree; n < m_tabRef.nGetNbElement(); n++) {
            if (m_tabRef[n] != 0) continue;
            m_nFirstFree = n;
            return Update(n, pclValue) ? n : -1;
        }
        m_nFirstFree = -1;
    }
    return _nAjoute(pclValue);
}

void CNARecordCachePosition::AddRefRecordSave(int nSlot) {
    if (nSlot >= 0 && nSlot < m_tabRef.nGetNbElement()) m_tabRef[nSlot]++;
}

int CNARecordCachePosition::nReleaseRecordSave(int nSlot) {
    if (nSlot < 0 || nSlot >= m_tabRef.nGetNbElement() || m_tabRef[nSlot] == 0) return 0;
    const int nReste = --m_tabRef[nSlot];
    if (nReste == 0) {
        // A hint of -1 means that no free slot is known, not that every slot lies above it.
        if (m_nFirstFree < 0 || nSlot < m_nFirstFree) m_nFirstFree = nSlot;
        _HashDeleteID(nSlot);
    }
    return nReste;
}

int CNARecordCachePosition::nGetRefRecordSave(int nSlot) const {
    return nSlot >= 0 && nSlot < m_tabRef.nGetNbElement() ? m_tabRef[nSlot] : 0;
}
