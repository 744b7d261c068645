// User search: setting, cancelling and copying a search, and testing a row against it.
#include "native/statement/NAUserSearch.h"

#include "native/model/NAColumn.h"
#include "native/model/NAInterfaces.h"
#include "native/model/NARecord.h"

namespace {

// A column value that begins with the searched value counts as equal.
constexpr unsigned SAMEVALUE_GENERIC = 4096;

}  // namespace

CNAUserSearch::~CNAUserSearch() {
    if (m_piItem != nullptr) m_piItem->nExternalRelease();
}

void CNAUserSearch::SetUserSearch(INAItemDescription* piItem, const CAny* pclValue, uint32_t nOptions) {
    // The new item's reference is taken, and the value copied, before the current search goes:
    // the item or value given may be the ones this search holds.
    if (piItem != nullptr) piItem->ExternalAddRef();
    CAny clValue;
    if (pclValue != nullptr) clValue = *pclValue;
    CancelUserSearch();
    m_piItem = piItem;
    m_clValue = clValue;
    m_nOptions = nOptions;
}

void CNAUserSearch::CancelUserSearch() {
    if (m_piItem != nullptr) m_piItem->nExternalRelease();
    m_piItem = nullptr;
    m_clValue.__SetType(VQTYPE_VIDE, 0);
    m_nOptions = 0;
}

void CNAUserSearch::Copy(const CNAUserSearch* pclOther) {
    if (pclOther == this) return;
    if (pclOther == nullptr || pclOther->m_piItem == nullptr) {
        CancelUserSearch();
        return;
    }
    SetUserSearch(pclOther->m_piItem, &pclOther->m_clValue, pclOther->m_nOptions);
}

int CNAUserSearch::bGetHTrouve(CNARecord* pclRecord) const {
    if (m_piItem == nullptr) return 1;
    CNAColumn* pclColumn = pclRecord != nullptr ? pclRecord->pclGetColumnNoRef(m_piItem) : nullptr;
    if (pclColumn == nullptr) return 0;
    return pclColumn->bSameValue(&m_clValue, bGeneric() ? SAMEVALUE_GENERIC : 0) != 0;
}
