// CNAStatement: the cursor of one data access over one query. Only the reads of raw result values
// are declared so far, which result columns need to fetch their value; the rest of the statement
// (its members, preparation, execution, fetching, positions) and the definitions of these two
// operations come with the statement itself, its other virtual operations placed before them.
#pragma once

#include "native/model/Interf.h"

class CAny;
class CNAConvertVariant;

class CNAStatement : public CInterf {
public:
    // Reads column n of the current result row into the converter, or into the variant; on failure
    // the SQL statement's error is copied into the statement's error object.
    virtual int bGetSQLColumnValue(CNAConvertVariant* pclValue, unsigned n) = 0;
    virtual int bGetSQLColumnValue(CAny* pclValue, unsigned n) = 0;
};
