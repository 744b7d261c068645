// CNAMapConvertType: a connection's SQL type map, from item type to the SQL type that declares a
// column of that type. It starts with generic rows (_Init); the connection of each server then
// replaces the rows its server spells otherwise. One map per connection, built on the first column
// declaration, kept by the connection with one reference.
#pragma once

#include <cstdint>

#include "core/NARefHashTable.h"
#include "native/model/NAItemType.h"
#include "native/model/NATypeInfo.h"

class CTString;
class INAItemDescription;

class CNAMapConvertType : public CNARefHashTable<eNA_ITEMTYPE, CNATypeInfo*> {
public:
    explicit CNAMapConvertType(unsigned int n = 7) : CNARefHashTable<eNA_ITEMTYPE, CNATypeInfo*>(n) {}

    // The generic rows.
    virtual void _Init();

    // The row of the type becomes this one (an existing row is removed and released first); 0
    // when the row could not be made or stored.
    int Add(eNA_ITEMTYPE eType, const wchar_t* pszType, int bFormatted);
    // The declaration for the item from the row of its type: 1, or 0 (pclOut unchanged) when the
    // map has no row for it.
    int bFormat(const INAItemDescription* piItem, CTString* pclOut);

    unsigned AddRef() { return ++m_nRef; }
    // The release that reaches 0 deletes the map.
    unsigned nRelease();
    unsigned nGetRef() const { return m_nRef; }

private:
    unsigned m_nRef = 0;
};
