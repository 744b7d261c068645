// CNAColumnSQL: one column of a result set as the server described it (name, server type and
// modifier, format), with the item type and size the connection maps that type to.
#pragma once

#include <cstdint>

#include "core/TString.h"
#include "native/driver/NAConnectionDescription.h"

class CNAColumnSQL {
public:
    CNAColumnSQL() = default;
    CNAColumnSQL(const CNAColumnSQL&) = delete;
    CNAColumnSQL& operator=(const CNAColumnSQL&) = delete;
    virtual ~CNAColumnSQL();

    CTString m_csName;
    int64_t m_llTypeModifier = 0;
    uint32_t m_nSize = 0;
    int32_t m_nIntegerDigits = 0;
    int32_t m_nDecimalDigits = 0;
    int32_t m_nServerType = 0;
    CTString m_csAuxiliary;
    uint32_t m_nFormat = 0;
    eNA_ITEMTYPE m_eItemType = static_cast<eNA_ITEMTYPE>(0);
    uint16_t m_nKeyFlags = 0;
    CTString m_csTableName;
    CTString m_csNameInSource;
};
