// CNABufferTable<T>: the record cache's block table of one kind of element, with the typed reads
// and writes of that kind: a record image is stored as its whole buffer (its buffer size is the
// element's length) and read back over a record of the same layout; a row identity is stored as
// its serialized form and read back by deserializing into an identity of its kind.
#pragma once

#include <cstring>
#include <type_traits>

#include "native/model/NAYFRecord.h"
#include "native/statement/NARecordID.h"
#include "native/statement/TSimpleTable.h"

template <class T>
class CNABufferTable : public CTSimpleTable<T> {
    static_assert(std::is_same_v<T, CNAYFRecord> || std::is_same_v<T, CNARecordId>);
    using tBase = CTSimpleTable<T>;

public:
    // Bytes an element of this object takes.
    static uint64_t s_nGetSize(const T* p) {
        if constexpr (std::is_same_v<T, CNAYFRecord>)
            return p->nGetBufferSize();
        else
            return p->nGetSerializedSize();
    }
    // Writes the object's element bytes; false when it cannot.
    static bool s_bStore(const T* p, unsigned char* pby, uint64_t nLength) {
        if constexpr (std::is_same_v<T, CNAYFRecord>) {
            if (nLength != p->nGetBufferSize()) return false;
            if (nLength > 0) memcpy(pby, p->pbyGetBuffer(), nLength);
            return true;
        } else {
            return p->Serialize(pby, nLength) != 0;
        }
    }
    // Row n read back into the object: false when the row has no element, or when a stored record
    // is not of the record's buffer size (it is then never copied past either buffer).
    bool bLoad(int n, T* p) const {
        uint64_t nLength = 0;
        const unsigned char* pby = tBase::pbyGetElement(n, &nLength);
        if (pby == nullptr) return false;
        if constexpr (std::is_same_v<T, CNAYFRecord>) {
            if (nLength != p->nGetBufferSize()) return false;
            if (nLength > 0) memcpy(p->pbyGetBuffer(), pby, nLength);
            return true;
        } else {
            return p->DeSerialize(pby, nLength) != 0;
        }
    }
};
