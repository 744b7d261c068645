// eOPEXPRESSION: the host's codes for the operators, functions and leaves of the expressions it
// parses (a comparison, a function call, an item reference, a literal...). The SQL writers keep
// the code a value is compared with, and choose a function's name in the server's dialect by it.
// Only the codes the driver tests by name are named; the host numbers the others, and the tables
// of the command builder go by number.
#pragma once

#include <cstdint>

enum eOPEXPRESSION : int32_t {
    OPEXPRESSION_NONE = -1,  // a value compared with nothing
    OPEXPRESSION_EQUAL = 9,
    OPEXPRESSION_DIFFERENT = 10,
    OPEXPRESSION_LESS = 11,
    OPEXPRESSION_LESSEQUAL = 12,
    OPEXPRESSION_GREATER = 13,
    OPEXPRESSION_GREATEREQUAL = 14,
    OPEXPRESSION_AGGREGATE_FIRST = 27,  // the aggregates run from here...
    OPEXPRESSION_AGGREGATE_LAST = 31,   // ...to here
    OPEXPRESSION_LIKE = 32,
    OPEXPRESSION_ISNULL = 33,
    OPEXPRESSION_ITEM = 47,
    OPEXPRESSION_LITERAL = 48,
    OPEXPRESSION_LITERAL_OTHER = 49,  // a literal the host writes otherwise
    OPEXPRESSION_REFUSED_EXPRESSION = 58,  // an expression no server of this driver reads
    OPEXPRESSION_REFUSED_OPERATOR = 73,    // an operator no server of this driver reads
};
