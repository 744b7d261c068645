// SlotOf: the virtual-table slot a pointer to a virtual member names, for tests that pin the order
// of a class's virtual operations (binary interface). Itanium C++ ABI: the first word of such a
// pointer is 1 + the byte offset of the slot in the table.
#pragma once

#include <cstddef>
#include <cstring>

template <typename F>
ptrdiff_t SlotOf(F pf) {
    ptrdiff_t an[2];
    static_assert(sizeof(pf) == sizeof(an));
    memcpy(an, &pf, sizeof(an));
    return (an[0] - 1) / static_cast<ptrdiff_t>(sizeof(void*));
}
