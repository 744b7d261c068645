// A row of the SQL type map and the declaration it gives an item.
#include "native/model/NATypeInfo.h"

#include "native/model/NAInterfaces.h"

CNATypeInfo::CNATypeInfo(const wchar_t* pszType, int bFormatted)
    : m_csType(pszType), m_bFormatted(bFormatted ? 1u : 0u) {}

void CNATypeInfo::Format(const INAItemDescription* piItem, CTString* pclOut) const {
    if (!m_bFormatted) {
        pclOut->Set(m_csType.pszGet());
        return;
    }
    switch (piItem->eNAGetItemType()) {
        case NA_IT_HEURE: {
            int nDigits = static_cast<int>(piItem->nGetItemSize()) - 7;
            pclOut->printf(m_csType.pszGet(), nDigits > 0 ? nDigits : 0);
            break;
        }
        case NA_IT_DECIMAL:
            pclOut->printf(m_csType.pszGet(), static_cast<int>(piItem->nGetIntegerPart() + piItem->nGetDecimalPart()),
                           static_cast<int>(piItem->nGetDecimalPart()));
            break;
        default:
            pclOut->printf(m_csType.pszGet(), static_cast<int>(piItem->nGetLogicalSize(0)));
            break;
    }
}
