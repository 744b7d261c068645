// eNA_PARSEDIRECTION: the direction of a browse move, as the host asks it and as statements and
// their record caches take it.
#pragma once

#include <cstdint>

enum eNA_PARSEDIRECTION : uint32_t {
    NA_PARSE_FIRST = 0,
    NA_PARSE_LAST = 1,
    NA_PARSE_NEXT = 2,
    NA_PARSE_PREVIOUS = 3,
    // Inside a statement only: stay on the current row.
    NA_PARSE_CURRENT = 4,
};
