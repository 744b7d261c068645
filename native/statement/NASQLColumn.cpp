// Result column: the value of the current row read from the statement.
#include "native/statement/NASQLColumn.h"

int CNASQLColumn::bSetValueFromDB(CNAStatement* pclStatement, unsigned nColumn) {
    return _bSetValueFromDB(pclStatement, nColumn, [this] { return _pclCurrentImage(); });
}
