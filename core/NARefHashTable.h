// CNARefHashTable<K,V>: the reference-holding hash table under the native-access layer's name;
// it adds nothing to CRefHashTable.
#pragma once

#include "core/RefHashTable.h"

template <typename K, typename V>
class CNARefHashTable : public CRefHashTable<K, V> {
public:
    explicit CNARefHashTable(unsigned int n = 7) : CRefHashTable<K, V>(n) {}
};
