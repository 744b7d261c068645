// CNASQLColumn: a result column that reads its value from the statement that fetched the row:
// the statement hands the field of the column's physical index to the column's converter, which
// writes it into the item's slot in the host record, and the item's defined bit follows the
// value. The SQL layer's column class derives from it.
#pragma once

#include "native/model/NAColumn.h"

class CNASQLColumn : public CNAColumn {
public:
    CNASQLColumn(CNAError* pclError, INAItemDescription* piItem) : CNAColumn(pclError, piItem) {}

    // A memo column starts unmodified with a value of its item's type; a memo whose read failed
    // becomes NULL and fails. Otherwise the item is defined exactly when the value read is not
    // NULL, and the read's result is the answer.
    int bSetValueFromDB(CNAStatement* pclStatement, unsigned nColumn) override;
};
