// Row identities: the record-values kind (hash of the record bytes, 28-byte serialized form) and
// the row-id kind (the server's row identifier in a value converter), with the hash and compare
// functions the record cache installs for each.
#include "native/statement/NARecordID.h"

#include <cstring>
#include <new>

#include "core/HashTableBounce.h"
#include "core/TString.h"
#include "native/model/NAConvertVariant.h"
#include "native/model/NAYFRecord.h"
#include "native/statement/NARecordMemo.h"
#include "native/statement/NARecordValue.h"

namespace {

// Serialized forms are packed: every field is read and written through memcpy.
uint32_t dwLit32(const unsigned char* p) {
    uint32_t dw;
    memcpy(&dw, p, sizeof(dw));
    return dw;
}
uint64_t nLit64(const unsigned char* p) {
    uint64_t n;
    memcpy(&n, p, sizeof(n));
    return n;
}
void Ecrit32(unsigned char* p, uint32_t dw) {
    memcpy(p, &dw, sizeof(dw));
}
void Ecrit64(unsigned char* p, uint64_t n) {
    memcpy(p, &n, sizeof(n));
}

int nSigne(int n) {
    return n < 0 ? -1 : (n > 0 ? 1 : 0);
}

// Whether two rows with the same record bytes hold the same memo values: rows that differ only
// there are different rows. A missing entry counts as NULL; a value not read from the server yet
// tells nothing and is not held against the other.
bool bSameMemos(const CNARecordMemo* pclA, const CNARecordMemo* pclB) {
    if (pclA == pclB) return true;
    const int nA = pclA != nullptr ? pclA->nGetNbMemo() : 0;
    const int nB = pclB != nullptr ? pclB->nGetNbMemo() : 0;
    for (int i = 0; i < (nA > nB ? nA : nB); i++) {
        const CNAConvertVariant* pclValueA = i < nA ? pclA->pclGetMemoValueNoRef(i) : nullptr;
        const CNAConvertVariant* pclValueB = i < nB ? pclB->pclGetMemoValueNoRef(i) : nullptr;
        if ((pclValueA != nullptr && pclValueA->eGetVarType() == NAVARTYPE_UNREAD) ||
            (pclValueB != nullptr && pclValueB->eGetVarType() == NAVARTYPE_UNREAD))
            continue;
        if (!CNAVariant::g_bEqualsNAVariant(pclValueA, pclValueB)) return false;
    }
    return true;
}

}  // namespace

unsigned int CNARecordId::g_dwPtrHashVal(const void* pSerialized) {
    return dwLit32(static_cast<const unsigned char*>(pSerialized));
}

// ------------------------------------------------------------------------------------------------
// Record values
// ------------------------------------------------------------------------------------------------

CNARecordId_RecordValues::CNARecordId_RecordValues(const CNARecordValue* pclValue)
    : CNARecordId(NA_RECORDID_RECORDVALUES), m_pbyRecord(nullptr), m_nSize(0), m_pclMemo(nullptr) {
    bCopy(pclValue, nullptr);
}

CNARecordId_RecordValues::CNARecordId_RecordValues(const unsigned char* pbyRecord, uint64_t nSize,
                                                   CNARecordMemo* pclMemo)
    : CNARecordId(NA_RECORDID_RECORDVALUES), m_pbyRecord(pbyRecord), m_nSize(nSize), m_pclMemo(pclMemo) {}

int CNARecordId_RecordValues::bCopy(const CNARecordValue* pclValue, const CNARecordId*) {
    const CNAYFRecord* pclRecord = pclValue != nullptr ? pclValue->pclGetNAYFRecord() : nullptr;
    m_pbyRecord = pclRecord != nullptr ? pclRecord->pbyGetBuffer() : nullptr;
    m_nSize = pclRecord != nullptr ? pclRecord->nGetBufferSize() : 0;
    m_pclMemo = pclValue != nullptr ? pclValue->pclGetRecordMemoNoRef() : nullptr;
    return 1;
}

CNARecordId* CNARecordId_RecordValues::pclGetClone(const CNARecordValue* pclValue) const {
    return new (std::nothrow) CNARecordId_RecordValues(pclValue);
}

int CNARecordId_RecordValues::bEqualRecordId(const CNARecordId* pclOther) const {
    if (pclOther == nullptr || pclOther->eGetRecordIdType() != NA_RECORDID_RECORDVALUES) return 0;
    const auto* pcl = static_cast<const CNARecordId_RecordValues*>(pclOther);
    if (pcl->m_nSize != m_nSize) return 0;
    if (m_nSize != 0 && memcmp(m_pbyRecord, pcl->m_pbyRecord, m_nSize) != 0) return 0;
    return bSameMemos(m_pclMemo, pcl->m_pclMemo) ? 1 : 0;
}

uint32_t CNARecordId_RecordValues::s_dwHashBytes(const unsigned char* pby, uint64_t n) {
    uint32_t dwSomme = 0;
    if (pby == nullptr) return 0;
    for (; n >= 4; n -= 4, pby += 4) dwSomme += dwLit32(pby);
    for (; n > 0; n--, pby++) dwSomme += *pby;
    return dwSomme;
}

void CNARecordId_RecordValues::s_Serialize(unsigned char* pbyDestination, const unsigned char* pbyRecord,
                                           uint64_t nSize, const CNARecordMemo* pclMemo) {
    Ecrit32(pbyDestination, s_dwHashBytes(pbyRecord, nSize));
    Ecrit64(pbyDestination + 4, nSize);
    Ecrit64(pbyDestination + 12, reinterpret_cast<uintptr_t>(pbyRecord));
    Ecrit64(pbyDestination + 20, reinterpret_cast<uintptr_t>(pclMemo));
}

int CNARecordId_RecordValues::Serialize(unsigned char* pbyDestination, unsigned long nSize) const {
    if (nSize < SERIALIZED_SIZE) return 0;
    s_Serialize(pbyDestination, m_pbyRecord, m_nSize, m_pclMemo);
    return 1;
}

int CNARecordId_RecordValues::DeSerialize(const unsigned char* pbySource, unsigned long nSize) {
    if (nSize < SERIALIZED_SIZE) return 0;
    m_nSize = nLit64(pbySource + 4);
    m_pbyRecord = reinterpret_cast<const unsigned char*>(static_cast<uintptr_t>(nLit64(pbySource + 12)));
    m_pclMemo = reinterpret_cast<CNARecordMemo*>(static_cast<uintptr_t>(nLit64(pbySource + 20)));
    return 1;
}

int CNARecordId_RecordValues::g_nCompare_CNARecordId_RecordValues(const void* pA, const void* pB) {
    const auto* pbyA = static_cast<const unsigned char*>(pA);
    const auto* pbyB = static_cast<const unsigned char*>(pB);
    const uint64_t nA = nLit64(pbyA + 4);
    const uint64_t nB = nLit64(pbyB + 4);
    // Identities of different lengths (rows of another layout) are never equal, and comparing
    // them over one length would read past the shorter record.
    if (nA != nB) return nA < nB ? -1 : 1;
    const auto* pRecordA = reinterpret_cast<const unsigned char*>(static_cast<uintptr_t>(nLit64(pbyA + 12)));
    const auto* pRecordB = reinterpret_cast<const unsigned char*>(static_cast<uintptr_t>(nLit64(pbyB + 12)));
    if (nA != 0 && pRecordA != pRecordB) {
        const int n = nSigne(memcmp(pRecordA, pRecordB, nA));
        if (n != 0) return n;
    }
    // Equal bytes: the memo values decide. The hash only asks whether two identities are equal,
    // so rows differing there are told apart without an order between them.
    const auto* pclMemoA = reinterpret_cast<const CNARecordMemo*>(static_cast<uintptr_t>(nLit64(pbyA + 20)));
    const auto* pclMemoB = reinterpret_cast<const CNARecordMemo*>(static_cast<uintptr_t>(nLit64(pbyB + 20)));
    return bSameMemos(pclMemoA, pclMemoB) ? 0 : 1;
}

void CNARecordId_RecordValues::RecordIdToString(CTString* pclText, const wchar_t* pszPrefix, int) const {
    if (pszPrefix != nullptr)
        pclText->Set(pszPrefix);
    else
        pclText->Vide();
    pclText->AddPrintf(L"record values (%d bytes)", static_cast<int>(m_nSize));
}

void CNARecordId_RecordValues::SetHashTableFct_SerializedObject(CHashTableBounce* pclHash) const {
    pclHash->SetCmp(g_nCompare_CNARecordId_RecordValues);
    pclHash->SetHashVal(g_dwPtrHashVal);
}

// ------------------------------------------------------------------------------------------------
// Row id
// ------------------------------------------------------------------------------------------------

CNARecordId_RowId::CNARecordId_RowId(CNAConvertVariant* pclVariant)
    : CNARecordId(NA_RECORDID_ROWID), m_pclVariant(pclVariant) {
    if (m_pclVariant != nullptr) m_pclVariant->AddRef();
}

CNARecordId_RowId::~CNARecordId_RowId() {
    if (m_pclVariant != nullptr) m_pclVariant->nRelease();
}

CNARecordId* CNARecordId_RowId::pclGetClone(const CNARecordValue*) const {
    CNAConvertVariant* pclVariant = nullptr;
    if (m_pclVariant != nullptr) {
        pclVariant = m_pclVariant->pclGetCloneVariant();
        if (pclVariant == nullptr) return nullptr;
    }
    auto* pclClone = new (std::nothrow) CNARecordId_RowId(pclVariant);
    if (pclClone == nullptr && pclVariant != nullptr) {
        // The clone was never held: take and drop a reference to free it.
        pclVariant->AddRef();
        pclVariant->nRelease();
    }
    return pclClone;
}

int CNARecordId_RowId::bEqualRecordId(const CNARecordId* pclOther) const {
    if (pclOther == nullptr || pclOther->eGetRecordIdType() != NA_RECORDID_ROWID) return 0;
    return CNAVariant::g_bEqualsNAVariant(m_pclVariant, static_cast<const CNARecordId_RowId*>(pclOther)->m_pclVariant);
}

int CNARecordId_RowId::bCopy(const CNARecordValue*, const CNARecordId* pclOther) {
    if (pclOther == nullptr || pclOther->eGetRecordIdType() != NA_RECORDID_ROWID || m_pclVariant == nullptr) return 0;
    return m_pclVariant->bCopyVariant(static_cast<const CNARecordId_RowId*>(pclOther)->m_pclVariant);
}

unsigned long CNARecordId_RowId::nGetSerializedSize() const {
    return (m_pclVariant != nullptr ? m_pclVariant->nGetSize() : 0) + 8;
}

int CNARecordId_RowId::Serialize(unsigned char* pbyDestination, unsigned long nSize) const {
    const unsigned long nData = m_pclVariant != nullptr ? m_pclVariant->nGetSize() : 0;
    if (nSize < nData + 8 || nData > UINT32_MAX) return 0;
    Ecrit32(pbyDestination, dwGetHashVal());
    Ecrit32(pbyDestination + 4, static_cast<uint32_t>(nData));
    const void* pData = nData > 0 ? m_pclVariant->pGetData() : nullptr;
    if (nData > 0 && pData == nullptr) return 0;
    if (nData > 0) memcpy(pbyDestination + 8, pData, nData);
    return 1;
}

int CNARecordId_RowId::DeSerialize(const unsigned char* pbySource, unsigned long nSize) {
    if (m_pclVariant == nullptr || nSize < 8) return 0;
    const uint32_t nData = dwLit32(pbySource + 4);
    if (nData > nSize - 8) return 0;
    return m_pclVariant->bSetValue(pbySource + 8, nData);
}

uint32_t CNARecordId_RowId::dwGetHashVal() const {
    return m_pclVariant != nullptr ? m_pclVariant->nChecksum32() : 0;
}

void CNARecordId_RowId::RecordIdToString(CTString* pclText, const wchar_t* pszPrefix, int nOption) const {
    if (m_pclVariant == nullptr) {
        pclText->Set(pszPrefix != nullptr ? pszPrefix : L"");
        return;
    }
    m_pclVariant->GetString(pclText, pszPrefix, nOption);
}

int CNARecordId_RowId::g_nCompare_CNARecordId_RowId(const void* pA, const void* pB) {
    const auto* pbyA = static_cast<const unsigned char*>(pA);
    const auto* pbyB = static_cast<const unsigned char*>(pB);
    const uint32_t nA = dwLit32(pbyA + 4);
    const uint32_t nB = dwLit32(pbyB + 4);
    const int n = memcmp(pbyA + 8, pbyB + 8, nA < nB ? nA : nB);
    if (n != 0) return nSigne(n);
    return nA == nB ? 0 : (nA < nB ? -1 : 1);
}

void CNARecordId_RowId::SetHashTableFct_SerializedObject(CHashTableBounce* pclHash) const {
    pclHash->SetCmp(g_nCompare_CNARecordId_RowId);
    pclHash->SetHashVal(g_dwPtrHashVal);
}
