// CNAUserSearch: the host's last search on a statement: the item searched, the value, and whether
// a value that begins with the searched one also matches (generic search). The statement asks it
// whether the current row satisfies the search, the column indexes start their first and last
// moves from its value, and saved positions carry a copy of it.
#pragma once

#include <cstdint>

#include "variant/Any.h"

class CNARecord;
class INAItemDescription;

class CNAUserSearch {
public:
    enum : uint32_t {
        OPTION_GENERIC = 0x1,
    };

    CNAUserSearch() = default;
    CNAUserSearch(const CNAUserSearch&) = delete;
    CNAUserSearch& operator=(const CNAUserSearch&) = delete;
    virtual ~CNAUserSearch();

    // A search on the item (an external reference taken) for a copy of the value.
    void SetUserSearch(INAItemDescription* piItem, const CAny* pclValue, uint32_t nOptions);
    void CancelUserSearch();
    // This search becomes the other's; cancelled when the other has none.
    void Copy(const CNAUserSearch* pclOther);
    // Whether the record's current row satisfies the search: true without a search; false when the
    // record has no column for the item.
    int bGetHTrouve(CNARecord* pclRecord) const;

    bool bIsSet() const { return m_piItem != nullptr; }
    INAItemDescription* piGetItemNoRef() const { return m_piItem; }
    const CAny* pclGetValue() const { return &m_clValue; }
    uint32_t nGetOptions() const { return m_nOptions; }
    bool bGeneric() const { return (m_nOptions & OPTION_GENERIC) != 0; }

private:
    CAny m_clValue;
    uint32_t m_nOptions = 0;
    INAItemDescription* m_piItem = nullptr;
};
