// The words a browse of the host is described with besides its direction: the flag word of a
// browse or a write, and the lock type a read asks for. The searches, the statements and the data
// access all pass them along.
#pragma once

#include <cstdint>

#include "native/statement/NAParseDirection.h"

// The flag word of a browse or a write; each user tests its own bits.
typedef uint32_t NA_WRITEPARSEFLAGS;

// Bits of the flag word that the SQL writers test.
constexpr NA_WRITEPARSEFLAGS NA_WPF_DISTINCT = 0x800;                // SELECT DISTINCT over a non-unique item
constexpr NA_WRITEPARSEFLAGS NA_WPF_QUERY_ORDER = 0x20000;           // the host query's own ORDER BY, not the item's
constexpr NA_WRITEPARSEFLAGS NA_WPF_NO_ORDER_COMPLETION = 0x100000;  // the ORDER BY is not made unique

// The lock a read or a write asks for; its values belong to the host.
enum eNA_LOCKTYPE : uint32_t;
