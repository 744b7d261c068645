// Record cache: appending, inserting and replacing rows (every allocation made before anything
// changes), reading rows back into record values, finding rows by identity, moves over deleted
// rows, states, memos, and the writes of other statements.
#include "native/statement/NARecordCache.h"

#include <cstring>
#include <new>

#include "core/XMalloc.h"
#include "native/driver/NAError.h"
#include "native/model/NAYFRecord.h"
#include "native/sql/NACommand.h"

namespace {

void* pvRow(int n) {
    return reinterpret_cast<void*>(static_cast<intptr_t>(n));
}
int nRowOf(void* pv) {
    return static_cast<int>(reinterpret_cast<intptr_t>(pv));
}

}  // namespace

// ------------------------------------------------------------------------------------------------
// Identity hash
// ------------------------------------------------------------------------------------------------

bool CNARecordCache::CIdentityHash::bDeleteKey(const void* pKey) {
    if (m_dwNbElement == 0) return false;
    const unsigned int nBucket = m_pfHashVal(pKey) % m_dwNbHash;
    for (uint32_t n = m_pdwHash[nBucket]; n != 0; n = m_pstElement[n - 1].dwNext) {
        if (m_pstElement[n - 1].pKey != pKey) continue;
        __DeleteFromHash(&m_pstElement[n - 1], nBucket, n - 1);
        if (m_nParseDepth == 0 && m_dwLevel >= 1 && m_dwNbElement < g__ToutPretToutChaud[m_dwLevel - 1] / 4)
            __bReduce();
        return true;
    }
    return false;
}

void CNARecordCache::CIdentityHash::Renumber(int nFrom, int nDelta) {
    for (uint32_t s = 0; s < m_dwTailleTableau; s++) {
        _stELEMENT* pst = &m_pstElement[s];
        if (pst->dwPrevious == ELEMENT_LIBRE) continue;
        const int n = nRowOf(pst->pValue);
        if (n >= nFrom) pst->pValue = pvRow(n + nDelta);
    }
}

// ------------------------------------------------------------------------------------------------
// Life
// ------------------------------------------------------------------------------------------------

CNARecordCache::CNARecordCache()
    : m_tabMemo(DEFAULT_MEMO_GROW_STEP, 30), m_tabState(DEFAULT_STATE_GROW_STEP, 30), m_clHash(7) {}

CNARecordCache::~CNARecordCache() {
    m_tabMemo.SupprimeTout();
    if (m_pclTemplate != nullptr) m_pclTemplate->nRelease();
    XMALLOC_Del(m_pbySearch);
}

void CNARecordCache::SetGrowStep(int nRows, int nBytes) {
    if (nRows != 0) m_tabMemo.SetPasAgrandissement(nRows);
    m_tabRecord.SetGrowStep(nRows, nBytes);
    m_tabRecordId.SetGrowStep(nRows, nBytes);
}

void CNARecordCache::SupprimeTout() {
    m_nFlags &= ~FLAG_COMPLETE;
    m_clHash.DeleteAll(7);
    m_tabRecordId.SupprimeTout();
    m_tabRecord.SupprimeTout();
    m_tabMemo.SupprimeTout();
    m_tabState.SupprimeTout();
    m_nDeleted = 0;
}

void CNARecordCache::_ReportNoMemory(const CNARecordValue* pclValue) const {
    if (pclValue != nullptr && pclValue->pclGetErrorNoRef() != nullptr) pclValue->pclGetErrorNoRef()->SetErrorNoMemory();
}

// ------------------------------------------------------------------------------------------------
// New rows
// ------------------------------------------------------------------------------------------------

eNA_RECORDIDTYPE CNARecordCache::_eKindFor(const CNARecordValue* pclValue) const {
    if (m_eRecordIdType != NA_RECORDID_NONE) return m_eRecordIdType;
    const CNARecordId* pclId = pclValue != nullptr ? pclValue->pclGetRecordIdNoRef() : nullptr;
    return pclId != nullptr ? pclId->eGetRecordIdType() : NA_RECORDID_NONE;
}

const CNARecordId* CNARecordCache::_pclValueId(const CNARecordValue* pclValue) const {
    const CNARecordId* pclId = pclValue->pclGetRecordIdNoRef();
    if (pclId == nullptr || pclId->eGetRecordIdType() != _eKindFor(pclValue)) return nullptr;
    return pclId;
}

void CNARecordCache::_InstallKind(const CNARecordValue* pclValue, eNA_RECORDIDTYPE eKind) {
    if (m_eRecordIdType != NA_RECORDID_NONE || eKind == NA_RECORDID_NONE) return;
    m_eRecordIdType = eKind;
    pclValue->pclGetRecordIdNoRef()->SetHashTableFct_SerializedObject(&m_clHash);
}

bool CNARecordCache::_bReserveRow(int n, bool bMemo) {
    const int nMemo = m_tabMemo.nGetNbElement();
    // An insertion below the memo table's end shifts it by one entry; a memo table stored past its
    // end pads it up to the row first.
    const int nMemoRoom = nMemo > n ? 1 : (bMemo ? n + 1 - nMemo : 0);
    return m_tabRecord.bReserveEntries(1) && m_tabRecordId.bReserveEntries(1) &&
           CTSimpleTable<CNAYFRecord>::s_bReserve(&m_tabState, 1) &&
           CTSimpleTable<CNAYFRecord>::s_bReserve(&m_tabMemo, nMemoRoom) && m_clHash.bReserve();
}

bool CNARecordCache::_bPrepareRow(const CNARecordValue* pclValue, stROW* pst) {
    pst->eKind = _eKindFor(pclValue);
    if (m_pclTemplate == nullptr) {
        pst->pclTemplate = pclValue->pclGetClone(CNARecordValue::COPY_NAYFRECORD | CNARecordValue::COPY_RECORDID);
        if (pst->pclTemplate == nullptr) return false;
        pst->pclTemplate->AddRef();
    }
    const CNAYFRecord* pclRecord = pclValue->pclGetNAYFRecord();
    unsigned char* pbyRecord = nullptr;
    uint64_t nRecord = 0;
    if (pclRecord != nullptr) {
        nRecord = CNABufferTable<CNAYFRecord>::s_nGetSize(pclRecord);
        pbyRecord = m_tabRecord.pbyPlace(nRecord, &pst->stRecord);
        if (pbyRecord == nullptr) {
            _AbandonRow(pst);
            return false;
        }
        CNABufferTable<CNAYFRecord>::s_bStore(pclRecord, pbyRecord, nRecord);
    }
    const CNARecordMemo* pclSourceMemo = pclValue->pclGetRecordMemoNoRef();
    if (pclSourceMemo != nullptr && pclSourceMemo->bHoldsValues()) {
        pst->pclMemo = new (std::nothrow) CNARecordMemo;
        if (pst->pclMemo != nullptr) pst->pclMemo->AddRef();
        if (pst->pclMemo == nullptr || !pst->pclMemo->bCopyRecordMemo(pclSourceMemo)) {
            _AbandonRow(pst);
            return false;
        }
    }
    if (pst->eKind == NA_RECORDID_RECORDVALUES) {
        // The row is found by the bytes stored in the block, not by the value's own buffer.
        if (pbyRecord != nullptr) {
            pst->pbyId = m_tabRecordId.pbyPlace(CNARecordId_RecordValues::SERIALIZED_SIZE, &pst->stId);
            if (pst->pbyId == nullptr) {
                _AbandonRow(pst);
                return false;
            }
            CNARecordId_RecordValues::s_Serialize(pst->pbyId, pbyRecord, nRecord, pst->pclMemo);
        }
    } else if (const CNARecordId* pclId = _pclValueId(pclValue)) {
        const uint64_t nId = CNABufferTable<CNARecordId>::s_nGetSize(pclId);
        pst->pbyId = m_tabRecordId.pbyPlace(nId, &pst->stId);
        if (pst->pbyId == nullptr || !CNABufferTable<CNARecordId>::s_bStore(pclId, pst->pbyId, nId)) {
            _AbandonRow(pst);
            return false;
        }
    }
    return true;
}

void CNARecordCache::_AbandonRow(stROW* pst) {
    if (pst->pbyId != nullptr) m_tabRecordId.Unplace(pst->stId);
    m_tabRecord.Unplace(pst->stRecord);
    if (pst->pclMemo != nullptr) pst->pclMemo->dwRelease();
    if (pst->pclTemplate != nullptr) pst->pclTemplate->nRelease();
    *pst = stROW();
}

void CNARecordCache::_CommitRow(const CNARecordValue* pclValue, int n, stROW* pst) {
    const bool bAppend = n == nGetNbRecord();
    if (pst->pclTemplate != nullptr) m_pclTemplate = pst->pclTemplate;
    _InstallKind(pclValue, pst->eKind);
    if (!bAppend) m_clHash.Renumber(n, 1);
    if (bAppend) {
        m_tabRecord.AjouteEntry(pst->stRecord);
        m_tabRecordId.AjouteEntry(pst->stId);
        m_tabState.Ajoute(pclValue->eGetRecordState());
    } else {
        m_tabRecord.InsereEntry(pst->stRecord, n);
        m_tabRecordId.InsereEntry(pst->stId, n);
        m_tabState.Insere(pclValue->eGetRecordState(), n);
    }
    if (m_tabMemo.nGetNbElement() > n)
        m_tabMemo.Insere(pst->pclMemo, n);
    else if (pst->pclMemo != nullptr)
        _SetRowMemo(n, pst->pclMemo);
    if (pst->pbyId != nullptr) m_clHash.bAddElement(pst->pbyId, pvRow(n));
    if (pclValue->eGetRecordState() == NA_RECORDSTATE_DELETED) m_nDeleted++;
    if (pst->pclMemo != nullptr) pst->pclMemo->dwRelease();
    *pst = stROW();
}

int CNARecordCache::nAjoute(const CNARecordValue* pclValue) {
    return _nAjoute(pclValue);
}

int CNARecordCache::_nAjoute(const CNARecordValue* pclValue) {
    return _nInsereRow(pclValue, nGetNbRecord());
}

int CNARecordCache::_Insere(const CNARecordValue* pclValue, int n) {
    return _nInsereRow(pclValue, n);
}

int CNARecordCache::_nInsereRow(const CNARecordValue* pclValue, int n) {
    if (n < 0 || n > nGetNbRecord()) return -1;
    const CNARecordMemo* pclMemo = pclValue != nullptr ? pclValue->pclGetRecordMemoNoRef() : nullptr;
    if (!_bReserveRow(n, pclMemo != nullptr && pclMemo->bHoldsValues())) {
        _ReportNoMemory(pclValue);
        return -1;
    }
    if (pclValue == nullptr) {
        // An empty row: nothing stored, nothing hashed, and counted as deleted.
        if (n < nGetNbRecord()) m_clHash.Renumber(n, 1);
        m_tabRecord.InsereEntry(CTSimpleTable<CNAYFRecord>::EmptyEntry(), n);
        m_tabRecordId.InsereEntry(CTSimpleTable<CNARecordId>::EmptyEntry(), n);
        m_tabState.Insere(NA_RECORDSTATE_DELETED, n);
        if (m_tabMemo.nGetNbElement() > n) m_tabMemo.Insere(nullptr, n);
        m_nDeleted++;
        return n;
    }
    stROW st;
    if (!_bPrepareRow(pclValue, &st)) {
        _ReportNoMemory(pclValue);
        return -1;
    }
    _CommitRow(pclValue, n, &st);
    return n;
}

int CNARecordCache::Insere(const CNARecordValue* pclValue, int n) {
    if (n < 0) return -1;
    while (nGetNbRecord() < n)
        if (nAjoute(nullptr) < 0) return -1;
    if (n == nGetNbRecord()) return nAjoute(pclValue);
    return _Insere(pclValue, n);
}

// ------------------------------------------------------------------------------------------------
// Replacing a row
// ------------------------------------------------------------------------------------------------

int CNARecordCache::Update(int n, const CNARecordValue* pclValue) {
    if (n < 0 || n >= nGetNbRecord()) return 0;
    if (pclValue == nullptr) {
        _HashDeleteID(n);
        m_tabRecord.SetEntry(CTSimpleTable<CNAYFRecord>::EmptyEntry(), n);
        m_tabRecordId.SetEntry(CTSimpleTable<CNARecordId>::EmptyEntry(), n);
        SetRecordState(n, NA_RECORDSTATE_DELETED);
        return 1;
    }
    const eNA_RECORDIDTYPE eKind = _eKindFor(pclValue);
    const CNAYFRecord* pclRecord = pclValue->pclGetNAYFRecord();
    const CNARecordMemo* pclSourceMemo = pclValue->pclGetRecordMemoNoRef();
    const bool bNewMemo = pclSourceMemo != nullptr && pclSourceMemo->bHoldsValues();
    const int nMemoRoom = bNewMemo ? n + 1 - m_tabMemo.nGetNbElement() : 0;
    if (!m_clHash.bReserve() || !CTSimpleTable<CNAYFRecord>::s_bReserve(&m_tabMemo, nMemoRoom)) {
        _ReportNoMemory(pclValue);
        return 0;
    }

    // Everything the new row needs is obtained first.
    stROW st;
    st.eKind = eKind;
    if (m_pclTemplate == nullptr) {
        st.pclTemplate = pclValue->pclGetClone(CNARecordValue::COPY_NAYFRECORD | CNARecordValue::COPY_RECORDID);
        if (st.pclTemplate == nullptr) return 0;
        st.pclTemplate->AddRef();
    }
    // A new element longer than the stored one cannot be written over it: it goes to a block of
    // its own and the entry follows it.
    uint64_t nRecord = 0, nOldRecord = 0;
    unsigned char* pbyRecord = nullptr;
    bool bRecordInPlace = false;
    if (pclRecord != nullptr) {
        nRecord = CNABufferTable<CNAYFRecord>::s_nGetSize(pclRecord);
        unsigned char* pbyOld = m_tabRecord.pbyGetElement(n, &nOldRecord);
        if (pbyOld != nullptr && nRecord <= nOldRecord) {
            pbyRecord = pbyOld;
            bRecordInPlace = true;
        } else {
            pbyRecord = m_tabRecord.pbyPlace(nRecord, &st.stRecord);
            if (pbyRecord == nullptr) {
                _AbandonRow(&st);
                _ReportNoMemory(pclValue);
                return 0;
            }
        }
    }
    if (bNewMemo) {
        st.pclMemo = new (std::nothrow) CNARecordMemo;
        if (st.pclMemo != nullptr) st.pclMemo->AddRef();
        if (st.pclMemo == nullptr || !st.pclMemo->bCopyRecordMemo(pclSourceMemo)) {
            _AbandonRow(&st);
            _ReportNoMemory(pclValue);
            return 0;
        }
    }
    CNARecordMemo* pclRowMemo = bNewMemo ? st.pclMemo : _pclRowMemoNoRef(n);
    // The new identity's room; written over the stored one, a failure halfway would leave the row
    // with a broken identity, so nothing is written before everything is obtained.
    uint64_t nId = 0;
    const CNARecordId* pclId = eKind == NA_RECORDID_RECORDVALUES ? nullptr : _pclValueId(pclValue);
    if (eKind == NA_RECORDID_RECORDVALUES && pbyRecord != nullptr)
        nId = CNARecordId_RecordValues::SERIALIZED_SIZE;
    else if (pclId != nullptr)
        nId = CNABufferTable<CNARecordId>::s_nGetSize(pclId);
    bool bIdInPlace = false;
    unsigned char* pbyId = nullptr;
    if (nId > 0) {
        // A row id is serialized aside; an identity over the record bytes is written once they
        // are stored, since its hash is theirs.
        bool bOk = pclId == nullptr || (_bGrowSearchBuffer(nId) &&
                                        CNABufferTable<CNARecordId>::s_bStore(pclId, m_pbySearch, nId));
        uint64_t nOldId = 0;
        unsigned char* pbyOldId = m_tabRecordId.pbyGetElement(n, &nOldId);
        if (bOk && pbyOldId != nullptr && nId <= nOldId) {
            pbyId = pbyOldId;
            bIdInPlace = true;
        } else if (bOk) {
            pbyId = m_tabRecordId.pbyPlace(nId, &st.stId);
            st.pbyId = pbyId;
            bOk = pbyId != nullptr;
        }
        if (!bOk) {
            _AbandonRow(&st);
            _ReportNoMemory(pclValue);
            return 0;
        }
    }

    // Nothing can fail from here on. The old identity leaves the hash before its bytes (which
    // give its bucket) are overwritten.
    _HashDeleteID(n);
    if (st.pclTemplate != nullptr) {
        m_pclTemplate = st.pclTemplate;
        st.pclTemplate = nullptr;
    }
    _InstallKind(pclValue, eKind);
    if (pclRecord != nullptr) {
        CNABufferTable<CNAYFRecord>::s_bStore(pclRecord, pbyRecord, nRecord);
        if (bRecordInPlace) {
            if (nRecord != nOldRecord) CTSimpleTable<CNAYFRecord>::SetLength(m_tabRecord.GetEntry(n), nRecord);
        } else {
            m_tabRecord.SetEntry(st.stRecord, n);
        }
    } else {
        m_tabRecord.SetEntry(CTSimpleTable<CNAYFRecord>::EmptyEntry(), n);
    }
    if (bNewMemo) _SetRowMemo(n, st.pclMemo);
    if (pbyId != nullptr) {
        if (pclId != nullptr)
            memcpy(pbyId, m_pbySearch, nId);
        else
            CNARecordId_RecordValues::s_Serialize(pbyId, pbyRecord, nRecord, pclRowMemo);
        if (bIdInPlace) {
            CTSimpleTable<CNARecordId>::SetLength(m_tabRecordId.GetEntry(n), nId);
        } else {
            m_tabRecordId.SetEntry(st.stId, n);
        }
        m_clHash.bAddElement(pbyId, pvRow(n));
    } else {
        m_tabRecordId.SetEntry(CTSimpleTable<CNARecordId>::EmptyEntry(), n);
    }
    SetRecordState(n, pclValue->eGetRecordState());
    if (st.pclMemo != nullptr) st.pclMemo->dwRelease();
    return 1;
}

// ------------------------------------------------------------------------------------------------
// Reading and finding
// ------------------------------------------------------------------------------------------------

int CNARecordCache::bGetAt(CNARecordValue* pclValue, int n) {
    if (pclValue == nullptr || n < 0 || n >= nGetNbRecord()) return 0;
    if (pclValue->pclGetNAYFRecord() == nullptr) {
        if (m_pclTemplate == nullptr) return 0;
        if (!pclValue->bCopyRecordValue(m_pclTemplate, CNARecordValue::COPY_NAYFRECORD | CNARecordValue::COPY_RECORDID))
            return 0;
    }
    if (!m_tabRecord.bLoad(n, pclValue->pclGetNAYFRecord())) return 0;
    // An identity over the record bytes already designates the value's own buffer.
    if (m_eRecordIdType != NA_RECORDID_NONE && m_eRecordIdType != NA_RECORDID_RECORDVALUES) {
        CNARecordId* pclId = pclValue->pclGetRecordIdNoRef();
        if (pclId == nullptr || pclId->eGetRecordIdType() != m_eRecordIdType || !m_tabRecordId.bLoad(n, pclId))
            return 0;
    }
    // A row without memos gives the value none, as an empty memo table would.
    return pclValue->bCopyTabMemoValue(_pclRowMemoNoRef(n));
}

int CNARecordCache::bGetAt(CNARecordValue* pclValue, const CNARecordId* pclId) {
    const int n = nGetRecordIndice(pclId);
    return n >= 0 && bGetAt(pclValue, n);
}

bool CNARecordCache::_bGrowSearchBuffer(unsigned long nSize) {
    if (nSize <= m_nSearchSize) return true;
    auto* pby = static_cast<unsigned char*>(XMALLOC_pResize(m_pbySearch, nSize));
    if (pby == nullptr) return false;
    m_pbySearch = pby;
    m_nSearchSize = nSize;
    return true;
}

int CNARecordCache::nGetRecordIndice(const CNARecordId* pclId) {
    if (pclId == nullptr || m_eRecordIdType == NA_RECORDID_NONE || pclId->eGetRecordIdType() != m_eRecordIdType)
        return -1;
    const unsigned long nSize = pclId->nGetSerializedSize();
    if (!_bGrowSearchBuffer(nSize) || !pclId->Serialize(m_pbySearch, nSize)) return -1;
    void* pvValue = nullptr;
    if (!m_clHash.bGetElement(m_pbySearch, &pvValue, nullptr)) return -1;
    return nRowOf(pvValue);
}

int CNARecordCache::nGetRecordIndice(const CNARecordValue* pclValue) {
    return pclValue != nullptr ? nGetRecordIndice(pclValue->pclGetRecordIdNoRef()) : -1;
}

void CNARecordCache::_HashDeleteID(int n) {
    if (m_eRecordIdType == NA_RECORDID_NONE) return;
    const unsigned char* pbyId = m_tabRecordId.pbyGetElement(n, nullptr);
    if (pbyId != nullptr) m_clHash.bDeleteKey(pbyId);
}

// ------------------------------------------------------------------------------------------------
// Moves and presence
// ------------------------------------------------------------------------------------------------

long CNARecordCache::nGetPosition(long nPosition, eNA_PARSEDIRECTION eDirection, long nCount) const {
    const long nRows = nGetNbRecord();
    long nStart = nPosition;
    if (eDirection == NA_PARSE_FIRST) nStart = -1;
    if (eDirection == NA_PARSE_LAST) nStart = nRows;
    if (eDirection == NA_PARSE_CURRENT) return nPosition < 0 ? -1 : nPosition;
    if (eDirection == NA_PARSE_PREVIOUS || eDirection == NA_PARSE_LAST) {
        if (m_nDeleted == 0) return nStart - nCount < 0 ? -1 : nStart - nCount;
        if (nStart < 0) return -1;
        if (nCount < 1) return nStart;
        // Only rows still present count; rows past the cached ones are not known to be deleted.
        for (long n = nStart - 1, nReste = nCount; n >= 0; n--)
            if ((n >= nRows || !_bRecordDeleted(static_cast<int>(n))) && --nReste == 0) return n;
        return -1;
    }
    if (m_nDeleted == 0 || nCount <= 0) return nStart + nCount < 0 ? -1 : nStart + nCount;
    // Rows not cached yet count: the server will give them.
    long n = nStart;
    for (long nReste = nCount; nReste > 0;) {
        n++;
        if (n >= nRows || !_bRecordDeleted(static_cast<int>(n))) nReste--;
    }
    return n < 0 ? -1 : n;
}

int CNARecordCache::bMustFetch(long n) const {
    if (!bIsActive()) return 1;
    if (n < 0) return 0;
    if (n >= nGetNbRecord()) return bIsComplete() ? 0 : 1;
    return m_tabRecord.GetEntry(static_cast<int>(n)).nOffset == CTSimpleTable<CNAYFRecord>::NO_ELEMENT ? 1 : 0;
}

int CNARecordCache::bRecordInCache(long n) const {
    return n >= 0 && n < nGetNbRecord() &&
           m_tabRecord.GetEntry(static_cast<int>(n)).nOffset != CTSimpleTable<CNAYFRecord>::NO_ELEMENT;
}

int CNARecordCache::bMemoInCache(long n) const {
    return n >= 0 && n < m_tabMemo.nGetNbElement() && m_tabMemo[static_cast<int>(n)] != nullptr;
}

// ------------------------------------------------------------------------------------------------
// States
// ------------------------------------------------------------------------------------------------

eNA_RECORDSTATE CNARecordCache::eGetRecordState(int n) const {
    if (n < 0 || n >= m_tabState.nGetNbElement()) return NA_RECORDSTATE_PRESENT;
    return m_tabState[n];
}

void CNARecordCache::SetRecordState(int n, eNA_RECORDSTATE eState) {
    if (n < 0 || n >= m_tabState.nGetNbElement()) return;
    const eNA_RECORDSTATE eOld = m_tabState[n];
    if (eOld != NA_RECORDSTATE_DELETED && eState == NA_RECORDSTATE_DELETED) m_nDeleted++;
    if (eOld == NA_RECORDSTATE_DELETED && eState != NA_RECORDSTATE_DELETED) m_nDeleted--;
    m_tabState[n] = eState;
}

int CNARecordCache::_bRecordDeleted(int n) const {
    return n >= 0 && n < m_tabState.nGetNbElement() && (m_tabState[n] & NA_RECORDSTATE_DELETED) != 0;
}

// ------------------------------------------------------------------------------------------------
// Removal
// ------------------------------------------------------------------------------------------------

void CNARecordCache::Supprime(int n) {
    if (n < 0 || n >= nGetNbRecord()) return;
    // The hash keeps numbering the rows as the tables do.
    _HashDeleteID(n);
    m_clHash.Renumber(n + 1, -1);
    m_tabRecord.SupprimeEntry(n);
    m_tabRecordId.SupprimeEntry(n);
    if (n < m_tabMemo.nGetNbElement()) m_tabMemo.Supprime(n);
    if (m_tabState[n] == NA_RECORDSTATE_DELETED) m_nDeleted--;
    m_tabState.Supprime(n, 1);
}

// ------------------------------------------------------------------------------------------------
// Comparison
// ------------------------------------------------------------------------------------------------

int CNARecordCache::bEquals(int n, const CNARecordValue* pclValue, int bWithMemos) {
    if (m_pclTemplate == nullptr || !bGetAt(m_pclTemplate, n)) return 0;
    return m_pclTemplate->bEquals(pclValue, bWithMemos);
}

int CNARecordCache::bEquals(int n, int m, int bWithMemos) {
    if (m_pclTemplate == nullptr || !bGetAt(m_pclTemplate, n)) return 0;
    CNARecordValue* pclRow = m_pclTemplate->pclGetClone(CNARecordValue::COPY_ALL);
    if (pclRow == nullptr) return 0;
    pclRow->AddRef();
    const int bEgal = bGetAt(m_pclTemplate, m) && pclRow->bEquals(m_pclTemplate, bWithMemos);
    pclRow->nRelease();
    return bEgal;
}

// ------------------------------------------------------------------------------------------------
// Memos
// ------------------------------------------------------------------------------------------------

CNARecordMemo* CNARecordCache::_pclRowMemoNoRef(int n) const {
    return n >= 0 && n < m_tabMemo.nGetNbElement() ? m_tabMemo[n] : nullptr;
}

void CNARecordCache::_SetRowMemo(int n, CNARecordMemo* pclMemo) {
    while (m_tabMemo.nGetNbElement() < n) m_tabMemo.Ajoute(nullptr);
    if (n < m_tabMemo.nGetNbElement())
        m_tabMemo.SetAt(pclMemo, n);
    else
        m_tabMemo.Ajoute(pclMemo);
}

CNARecordMemo* CNARecordCache::_pclGetRecordMemo(int n) {
    if (n < 0) return nullptr;
    CNARecordMemo* pclMemo = _pclRowMemoNoRef(n);
    if (pclMemo == nullptr) {
        const int nRoom = n + 1 - m_tabMemo.nGetNbElement();
        pclMemo = new (std::nothrow) CNARecordMemo;
        if (pclMemo == nullptr) return nullptr;
        if (!CTSimpleTable<CNAYFRecord>::s_bReserve(&m_tabMemo, nRoom)) {
            delete pclMemo;
            return nullptr;
        }
        _SetRowMemo(n, pclMemo);
    }
    pclMemo->AddRef();
    return pclMemo;
}

CNARecordMemo* CNARecordCache::pclInsertRecordMemo(int n) {
    if (n < 0) return nullptr;
    const int nMemo = m_tabMemo.nGetNbElement();
    auto* pclMemo = new (std::nothrow) CNARecordMemo;
    if (pclMemo == nullptr) return nullptr;
    if (!CTSimpleTable<CNAYFRecord>::s_bReserve(&m_tabMemo, nMemo > n ? 1 : n + 1 - nMemo)) {
        delete pclMemo;
        return nullptr;
    }
    if (nMemo > n)
        m_tabMemo.Insere(pclMemo, n);
    else
        _SetRowMemo(n, pclMemo);
    pclMemo->AddRef();
    return pclMemo;
}

void CNARecordCache::RestaureMemo(int n, CNARecordMemo* pclMemo) {
    const CNARecordMemo* pclRowMemo = _pclRowMemoNoRef(n);
    if (pclMemo != nullptr && pclMemo->bHoldsValues() && pclRowMemo != nullptr) pclMemo->bCopyRecordMemo(pclRowMemo);
}

// ------------------------------------------------------------------------------------------------
// Writes of other statements
// ------------------------------------------------------------------------------------------------

int CNARecordCache::nOnNotifyOperation(eNAQUERYTYPE eQueryType, const CNARecordValue* pclNew,
                                       const CNARecordValue* pclOld, unsigned, int bAtFront) {
    if (eQueryType == NAQUERYTYPE_INSERT) {
        if (bAtFront) return Insere(pclNew, 0) < 0 ? -1 : 0;
        return nAjoute(pclNew);
    }
    if (eQueryType != NAQUERYTYPE_UPDATE && eQueryType != NAQUERYTYPE_DELETE) return -1;
    const int n = nGetRecordIndice(pclOld);
    if (n < 0) return -1;
    if (eQueryType == NAQUERYTYPE_UPDATE) {
        Update(n, pclNew);
    } else if (!_bRecordDeleted(n)) {
        SetRecordState(n, NA_RECORDSTATE_DELETED);
    }
    return n;
}
