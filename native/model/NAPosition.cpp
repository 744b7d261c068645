// CNAPosition: what a saved position holds and gives back, and the reference scheme the position
// tables of the statements and the data accesses hold positions by.
#include "native/model/NAPosition.h"

#include "native/statement/NAStatement.h"
#include "native/table/NADataAccess.h"

void CRefTraits<CNAPosition>::_AddRef(CNAPosition* p) {
    p->AddRef();
}
void CRefTraits<CNAPosition>::_Release(CNAPosition* p) {
    p->nRelease();
}

CNAPosition::CNAPosition() = default;

CNAPosition::~CNAPosition() {
    _ReleaseRecordSave(&m_nRecordSaveId);
    _ReleaseRecordSave(&m_nRecordSaveId2);
    if (m_pclStatement != nullptr) m_pclStatement->nRelease();
}

void CNAPosition::_AddRefRecordSave(uint32_t nId) {
    if (nId != NO_RECORD_SAVE && m_pclDataAccess != nullptr) m_pclDataAccess->AddRefRecordSave(static_cast<int>(nId));
}

void CNAPosition::_ReleaseRecordSave(uint32_t* pnId) {
    const uint32_t nId = *pnId;
    *pnId = NO_RECORD_SAVE;
    if (nId != NO_RECORD_SAVE && m_pclDataAccess != nullptr) m_pclDataAccess->nReleaseRecordSave(static_cast<int>(nId));
}

void CNAPosition::SetStatement(CNAStatement* pclStatement) {
    if (pclStatement != nullptr) pclStatement->AddRef();
    if (m_pclStatement != nullptr) m_pclStatement->nRelease();
    m_pclStatement = pclStatement;
    // A saved record already held stays with the access that keeps it.
    if (pclStatement != nullptr && m_nRecordSaveId == NO_RECORD_SAVE && m_nRecordSaveId2 == NO_RECORD_SAVE)
        m_pclDataAccess = pclStatement->pclGetDataAccessNoRef();
}

CNAStatement* CNAPosition::pclGetStatement() const {
    if (m_pclStatement != nullptr) m_pclStatement->AddRef();
    return m_pclStatement;
}

int CNAPosition::bKeepFilter(CNAFilter* pclFilter) {
    m_clFilter.SetFilter(pclFilter);
    return 1;
}

int CNAPosition::bSetParameters(int nRowId, int nRecordSaveId, const CNAUserSearch* pclUserSearch, int nExtra) {
    m_bSet = 1;
    m_nRowId = nRowId;
    // The reference on the new saved record is taken before the old one goes: they may be the same.
    const auto nId = static_cast<uint32_t>(nRecordSaveId);
    _AddRefRecordSave(nId);
    _ReleaseRecordSave(&m_nRecordSaveId);
    m_nRecordSaveId = nId;
    m_clUserSearch.Copy(pclUserSearch);
    m_nExtra = static_cast<uint32_t>(nExtra);
    return 1;
}

void CNAPosition::SetRecordSaveID_VerrueHAjouteHLit(CNADataAccess* pclDataAccess, int nRecordSaveId) {
    const auto nId = static_cast<uint32_t>(nRecordSaveId);
    if (nId != NO_RECORD_SAVE && pclDataAccess != nullptr) pclDataAccess->AddRefRecordSave(nRecordSaveId);
    _ReleaseRecordSave(&m_nRecordSaveId2);
    // Each saved record is given back where it is kept: one of another access is given back now.
    if (pclDataAccess != m_pclDataAccess) _ReleaseRecordSave(&m_nRecordSaveId);
    m_pclDataAccess = pclDataAccess;
    m_nRecordSaveId2 = pclDataAccess != nullptr ? nId : NO_RECORD_SAVE;
}

void CNAPosition::InvalidateRowID() {
    m_nRowId = -1;
    m_bRowIdValid = 0;
}
