// The continuation of a statement's browse past the end of its block, as the data access writes
// it: the statement's original record becomes the current record, the statement's search
// designates the rows after it (or before it, going back) along the statement's item, and the
// statement runs that SELECT with the block limit and fetches its first row (its last going
// back). The host's record stays as it was unless a row follows. For the doubles of a data access
// in tests and benchmarks.
#pragma once

#include <cstdint>

#include "native/driver/NAConnectionDescription.h"
#include "native/driver/NAError.h"
#include "native/model/NARecord.h"
#include "native/statement/NAStatement.h"

namespace pgtest {

int bContinueBrowse(CNARecord* pclCurrent, CNAStatement* pclStatement, CNAError* pclError,
                    CNAConnectionDescription* pclCnx, int32_t nBlock, int bReadRecord, eNA_PARSEDIRECTION eDirection,
                    long nCount);

}  // namespace pgtest
