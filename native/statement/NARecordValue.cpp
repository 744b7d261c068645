// Record value: copies and sharing of the image, memo values and identity; reading values;
// comparison.
#include "native/statement/NARecordValue.h"

#include <new>

#include "native/driver/NADriver.h"
#include "native/driver/NAError.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAYFRecord.h"
#include "native/statement/NARecordID.h"
#include "native/statement/NARecordMemo.h"
#include "variant/Any.h"

CNARecordValue::CNARecordValue(CNAError* pclError) : m_pclError(pclError) {
    if (m_pclError == nullptr)
        m_pclError = CNADriver::s_pclDriver != nullptr ? CNADriver::s_pclDriver->pclAllocError()
                                                       : new (std::nothrow) CNAError;
    if (m_pclError != nullptr) m_pclError->AddRef();
}

CNARecordValue::~CNARecordValue() {
    if (m_pclRecordId != nullptr) m_pclRecordId->dwRelease();
    _FreeRecordMemo();
    if (m_pclRecord != nullptr) m_pclRecord->nRelease();
    if (m_pclError != nullptr) m_pclError->nRelease();
}

void CNARecordValue::_SetErrorNoMemory() const {
    if (m_pclError != nullptr) m_pclError->SetErrorNoMemory();
}

void CNARecordValue::_OnPartsChanged() {
    if (m_pclRecordId != nullptr && m_pclRecordId->eGetKind() == NA_RECORDID_RECORDVALUES)
        m_pclRecordId->bCopy(this, nullptr);
}

bool CNARecordValue::_bRecordIdOverOwnParts() const {
    const auto* pclId = static_cast<const CNARecordId_RecordValues*>(m_pclRecordId);
    const unsigned char* pbyOwn = m_pclRecord != nullptr ? m_pclRecord->pbyGetBuffer() : nullptr;
    const uint64_t nOwn = m_pclRecord != nullptr ? m_pclRecord->nGetBufferSize() : 0;
    return pclId->pbyGetRecord() == pbyOwn && pclId->nGetSize() == nOwn && pclId->pclGetMemoNoRef() == m_pclMemo;
}

void CNARecordValue::_FreeRecordMemo() {
    if (m_pclMemo == nullptr) return;
    m_pclMemo->dwRelease();
    m_pclMemo = nullptr;
}

CNARecordMemo* CNARecordValue::_pclMemo() {
    if (m_pclMemo == nullptr) {
        m_pclMemo = new (std::nothrow) CNARecordMemo;
        if (m_pclMemo == nullptr) return nullptr;
        m_pclMemo->AddRef();
        _OnPartsChanged();
    }
    return m_pclMemo;
}

// ------------------------------------------------------------------------------------------------
// Copies
// ------------------------------------------------------------------------------------------------

int CNARecordValue::bCopyRecordValue(const CNARecordValue* pclSource, int nFlags) {
    if (pclSource == nullptr) return 0;
    if (pclSource == this) return 1;
    m_eState = pclSource->m_eState;
    // A row copied whole into its original records at every read: the images of one layout, the
    // memo variants of the same types already there, the identity over this value's own parts.
    // What the general copies below would do, without their calls and without looking twice.
    if (nFlags == COPY_ALL && m_pclRecord != nullptr && pclSource->m_pclRecord != nullptr &&
        m_pclRecord != pclSource->m_pclRecord && m_pclMemo != nullptr && pclSource->m_pclMemo != nullptr &&
        m_pclMemo != pclSource->m_pclMemo && m_pclRecordId != nullptr && pclSource->m_pclRecordId != nullptr &&
        m_pclRecordId != pclSource->m_pclRecordId && m_pclRecordId->eGetKind() == NA_RECORDID_RECORDVALUES &&
        pclSource->m_pclRecordId->eGetKind() == NA_RECORDID_RECORDVALUES && _bRecordIdOverOwnParts() &&
        m_pclRecord->Copy(pclSource->m_pclRecord) && m_pclMemo->bCopyHeldValues(pclSource->m_pclMemo))
        return 1;
    if ((nFlags & COPY_NAYFRECORD) && !bCopyNAYFRecord(pclSource->m_pclRecord)) return 0;
    if ((nFlags & COPY_MEMO) && !bCopyTabMemoValue(pclSource->m_pclMemo)) return 0;
    if ((nFlags & COPY_RECORDID) && !bCopyRecordID(pclSource->m_pclRecordId)) return 0;
    return 1;
}

CNARecordValue* CNARecordValue::pclGetClone(int nFlags) const {
    auto* pclClone = new (std::nothrow) CNARecordValue(m_pclError);
    if (pclClone == nullptr) {
        _SetErrorNoMemory();
        return nullptr;
    }
    if (!pclClone->bCopyRecordValue(this, nFlags)) {
        delete pclClone;
        return nullptr;
    }
    return pclClone;
}

int CNARecordValue::bCopyNAYFRecord(const CNAYFRecord* pclRecord) {
    if (pclRecord == nullptr || pclRecord == m_pclRecord) return 1;
    if (m_pclRecord != nullptr && m_pclRecord->Copy(pclRecord)) return 1;
    CNAYFRecord* pclClone = pclRecord->pclGetClone();
    if (pclClone == nullptr) {
        _SetErrorNoMemory();
        return 0;
    }
    pclClone->AddRef();
    if (m_pclRecord != nullptr) m_pclRecord->nRelease();
    m_pclRecord = pclClone;
    _OnPartsChanged();
    return 1;
}

int CNARecordValue::bCopyTabMemoValue(const CNARecordMemo* pclMemo) {
    if (pclMemo == m_pclMemo) return 1;
    // Own values are copied over whatever the source holds: the source is looked at only when
    // there are none (a row's memos copied into its original record at every read).
    const bool bOwn = m_pclMemo != nullptr && m_pclMemo->bHoldsValues();
    if (!bOwn && (pclMemo == nullptr || !pclMemo->bHoldsValues())) {
        if (m_pclMemo != nullptr) {
            _FreeRecordMemo();
            _OnPartsChanged();
        }
        return 1;
    }
    CNARecordMemo* pclOwn = _pclMemo();
    if (pclOwn == nullptr || !pclOwn->bCopyRecordMemo(pclMemo)) {
        _SetErrorNoMemory();
        return 0;
    }
    return 1;
}

int CNARecordValue::bCopyRecordID(const CNARecordId* pclId) {
    if (pclId == nullptr || pclId == m_pclRecordId) return 1;
    if (m_pclRecordId != nullptr) {
        const eNA_RECORDIDTYPE eType = m_pclRecordId->eGetKind();
        if (eType == pclId->eGetKind()) {
            // An identity over the record bytes takes nothing from the other: it designates this
            // value's own image and memo table, which a copy into them leaves where they were.
            if (eType == NA_RECORDID_RECORDVALUES && _bRecordIdOverOwnParts()) return 1;
            return m_pclRecordId->bCopy(this, pclId);
        }
    }
    CNARecordId* pclClone = pclId->pclGetClone(this);
    if (pclClone == nullptr) {
        _SetErrorNoMemory();
        return 0;
    }
    pclClone->AddRef();
    if (m_pclRecordId != nullptr) m_pclRecordId->dwRelease();
    m_pclRecordId = pclClone;
    return 1;
}

// ------------------------------------------------------------------------------------------------
// Sharing
// ------------------------------------------------------------------------------------------------

int CNARecordValue::bShareRecordID(CNARecordId* pclId) {
    if (pclId != nullptr) pclId->AddRef();
    if (m_pclRecordId != nullptr) m_pclRecordId->dwRelease();
    m_pclRecordId = pclId;
    return 1;
}

int CNARecordValue::bShareTabMemoValue(CNARecordMemo* pclMemo) {
    if (pclMemo == m_pclMemo) return 1;
    _FreeRecordMemo();
    if (pclMemo != nullptr && pclMemo->bHoldsValues()) {
        pclMemo->AddRef();
        m_pclMemo = pclMemo;
    }
    _OnPartsChanged();
    return 1;
}

int CNARecordValue::bShareMemoValue(int n, CNAConvertVariant* pclVariant) {
    CNARecordMemo* pclMemo = _pclMemo();
    if (pclMemo == nullptr || !pclMemo->bShareMemoValue(n, pclVariant)) {
        _SetErrorNoMemory();
        return 0;
    }
    return 1;
}

int CNARecordValue::bCopyMemoValue(int n, const CNAConvertVariant* pclVariant) {
    CNAConvertVariant* pclClone = nullptr;
    if (pclVariant != nullptr) {
        pclClone = pclVariant->pclGetCloneVariant();
        if (pclClone == nullptr) {
            _SetErrorNoMemory();
            return 0;
        }
        pclClone->AddRef();
    }
    const int bOk = bShareMemoValue(n, pclClone);
    if (pclClone != nullptr) pclClone->nRelease();
    return bOk;
}

// ------------------------------------------------------------------------------------------------
// Reading and comparison
// ------------------------------------------------------------------------------------------------

CNAConvertVariant* CNARecordValue::pclGetMemoValueNoRef(int n) const {
    return m_pclMemo != nullptr ? m_pclMemo->pclGetMemoValueNoRef(n) : nullptr;
}

CNAConvertVariant* CNARecordValue::pclGetMemoValue(int n) const {
    CNAConvertVariant* pcl = pclGetMemoValueNoRef(n);
    if (pcl != nullptr) pcl->AddRef();
    return pcl;
}

int CNARecordValue::bGetMemoValue(CAny* pclValue, int n) const {
    const CNAConvertVariant* pcl = pclGetMemoValueNoRef(n);
    if (pcl != nullptr) return pcl->bGetValue(pclValue);
    pclValue->SetFlags(VQTYPE_FLAG_NULL);
    return 1;
}

int CNARecordValue::bGetItemValue(CAny* pclValue, const INAItemDescription* piItem) const {
    if (m_pclRecord != nullptr && m_pclRecord->vbItemValueDefined(piItem, 0)) {
        m_pclRecord->GetItemValue(pclValue, piItem, 0);
        return 1;
    }
    pclValue->SetFlags(VQTYPE_FLAG_NULL);
    return 1;
}

int CNARecordValue::bEquals(const CNARecordValue* pclOther, int bWithMemos) const {
    if (pclOther == nullptr) return 0;
    if (pclOther == this) return 1;
    if (m_pclRecord == nullptr || pclOther->m_pclRecord == nullptr) {
        if (m_pclRecord != pclOther->m_pclRecord) return 0;
    } else if (!m_pclRecord->bEquals(pclOther->m_pclRecord)) {
        return 0;
    }
    if (!bWithMemos || m_pclMemo == pclOther->m_pclMemo) return 1;
    const int nA = m_pclMemo != nullptr ? m_pclMemo->nGetNbMemo() : 0;
    const int nB = pclOther->m_pclMemo != nullptr ? pclOther->m_pclMemo->nGetNbMemo() : 0;
    for (int i = 0; i < (nA > nB ? nA : nB); i++)
        if (!CNAVariant::g_bEqualsNAVariant(pclGetMemoValueNoRef(i), pclOther->pclGetMemoValueNoRef(i))) return 0;
    return 1;
}

void CNARecordValue::FreeNAYFRecord() {
    if (m_pclRecordId != nullptr) {
        m_pclRecordId->dwRelease();
        m_pclRecordId = nullptr;
    }
    if (m_pclRecord != nullptr) {
        m_pclRecord->nRelease();
        m_pclRecord = nullptr;
    }
}
